#pragma once
// Changes under the pipe way's device root, reported as they happen (inotify): a device folder
// renamed into place or removed. The root need not exist yet: until it does, its nearest
// existing parent is watched for it to appear.
#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "platform/PipeHost.h"

namespace kov {

class CDeviceRootWatch {
public:
    CDeviceRootWatch() = default;
    ~CDeviceRootWatch();
    CDeviceRootWatch(const CDeviceRootWatch&) = delete;
    CDeviceRootWatch& operator=(const CDeviceRootWatch&) = delete;

    // fnChanged runs on the watch's own thread after every change that may add or remove a
    // device (names beginning with "." are devices still being made and are left out), and
    // when the root itself appears. It must not block. False when the system offers no watch.
    bool Start(const std::string& sRoot, std::function<void()> fnChanged);
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }

private:
    void Run();
    // Watches the root, or the nearest existing folder above it; true when the root itself.
    bool Arm();

    std::string m_sRoot;
    std::function<void()> m_fnChanged;
    int m_iFd = -1;
    int m_iWatch = -1;
    bool m_bWatchingRoot = false;
    CWakeEvent m_wake;
    std::thread m_thread;
};

} // namespace kov
