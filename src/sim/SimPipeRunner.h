#pragma once
// Plugs a simulated device in through the pipe way and serves one host after another.
#include "platform/PipeDevice.h"
#include "sim/SimDevice.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

namespace kov {

// The device's ends of a plugged-in pipe device as a transport for one session.
class CPipeDeviceTransport : public ITransport {
public:
    explicit CPipeDeviceTransport(CPipeDeviceSide& side) : m_side(side) {}
    STransferResult Read(void* pBuffer, int32_t iCount) override { return m_side.Read(pBuffer, iCount); }
    STransferResult Write(const void* pBuffer, int32_t iCount) override
    {
        return m_side.Write(pBuffer, iCount);
    }
    // The runner ends the session itself; here a blocked read or write only has to return.
    void Close(bool) override { m_side.Cancel(); }

private:
    CPipeDeviceSide& m_side;
};

class CSimPipeRunner {
public:
    CSimPipeRunner(CSimDevice& device, std::string sRoot, std::string sName, int iRestartDelayMs,
                   std::function<void(const std::string&)> fnLog = {});
    ~CSimPipeRunner();
    CSimPipeRunner(const CSimPipeRunner&) = delete;
    CSimPipeRunner& operator=(const CSimPipeRunner&) = delete;

    // Plugs in and serves until Stop() or a shutdown command, then unplugs. A restart
    // command unplugs, waits the restart delay and plugs in again. False when plugging in
    // failed (the name is taken, the root cannot be made).
    bool Run();
    // From any thread: ends Run() soon, unplugging cleanly.
    void Stop();

    // "<root>/<name>": where the device appears.
    std::string DevicePath() const { return m_sRoot + "/" + m_sName; }
    // Why plugging in failed, when the root was refused; empty otherwise.
    const std::string& PlugError() const { return m_side.PlugError(); }

private:
    void Log(const std::string& sLine) const;
    std::string PlugErrorSuffix() const;

    CSimDevice& m_device;
    std::string m_sRoot;
    std::string m_sName;
    int m_iRestartDelayMs;
    std::function<void(const std::string&)> m_fnLog;
    CPipeDeviceSide m_side;
    std::atomic<bool> m_bStop{false};
    std::mutex m_mutex;
    std::condition_variable m_cvStop;
};

} // namespace kov
