#pragma once
// The device side of the pipe way: a device interface is a folder under the device root
// holding two named pipes, PIPE_0x00 (host writes, device reads) and PIPE_0x01 (device
// writes, host reads). A simulated device plugs itself in with this class.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/PipeHost.h"

namespace kov {

class CPipeDeviceSide {
public:
    CPipeDeviceSide();
    ~CPipeDeviceSide(); // unplugs
    CPipeDeviceSide(const CPipeDeviceSide&) = delete;
    CPipeDeviceSide& operator=(const CPipeDeviceSide&) = delete;

    // Prepares "<root>/.<name>.<pid>" with PIPE_0x00 and PIPE_0x01 and the device's read end
    // open, then renames it to "<root>/<name>" so hosts never see a half-made device. Creates
    // the root when missing. False when the name is taken or anything fails (cleans up).
    // The folder is 0700 and the pipes 0600, and the built-in root is used only when trusted
    // (see PrepareDeviceRoot).
    bool Plug(const std::string& sRoot, const std::string& sName);
    // Why the last Plug failed, when it was for the root; empty otherwise.
    const std::string& PlugError() const { return m_sPlugError; }

    // True once a host has opened its ends (iTimeoutMs < 0 waits without limit); false on
    // time-out, Cancel or Unplug.
    bool WaitForHost(int iTimeoutMs);

    // Reads exactly iCount bytes. A count of 0 when the host went away (end of file) before
    // they all arrived; fails on Cancel (ECANCELED), when no host is connected or on error.
    STransferResult Read(void* pBuffer, int32_t iCount);
    // Writes all iCount bytes; fails when the host went away (EPIPE, never SIGPIPE), on
    // Cancel, or when no host is connected.
    STransferResult Write(const void* pBuffer, int32_t iCount);

    // Wakes a blocked Read, Write or WaitForHost from another thread; they, and every later
    // call, fail until EndSession or Unplug clears the cancellation.
    void Cancel();
    // The host went away (or the session is abandoned): drops the session's ends and any
    // bytes the host left unread or unsent, so the next host starts on a clean stream.
    void EndSession();
    // Closes the ends and removes the folder; harmless when repeated.
    void Unplug();

    const std::string& Path() const { return m_sPath; }
    bool Plugged() const { return !m_sPath.empty(); }

private:
    // False (the call is cancelled) while cancelled, quiescing or unplugged.
    bool Enter(int& iFd, bool bRead);
    void Leave();
    // Wakes every blocked call and waits until they have left; called with m_lock held.
    void Quiesce(std::unique_lock<std::mutex>& lock);
    bool OpenReadEnd();

    std::string m_sPath; // "<root>/<name>" while plugged
    std::string m_sPlugError;
    int m_iReadFd = -1;  // PIPE_0x00, device reads; open while plugged
    int m_iWriteFd = -1; // PIPE_0x01, device writes; open only during a session
    int m_iActive = 0;   // Read/Write/WaitForHost calls in progress
    bool m_bQuiescing = false;
    // The host closed its end and everything it sent was read: the pipe holds nothing of it.
    std::atomic<bool> m_bHostClosed{false};
    std::atomic<bool> m_bCancelled{false};
    std::mutex m_lock;
    std::condition_variable m_idle;
    CWakeEvent m_wake;
};

} // namespace kov
