#include "sim/SimPipeRunner.h"

#include <chrono>

namespace kov {

namespace {
constexpr int kHostPollMs = 200; // how soon a stop is noticed while no host is connected
}

CSimPipeRunner::CSimPipeRunner(CSimDevice& device, std::string sRoot, std::string sName, int iRestartDelayMs,
                               std::function<void(const std::string&)> fnLog)
    : m_device(device), m_sRoot(std::move(sRoot)), m_sName(std::move(sName)),
      m_iRestartDelayMs(iRestartDelayMs), m_fnLog(std::move(fnLog))
{}

CSimPipeRunner::~CSimPipeRunner()
{
    m_side.Unplug();
}

void CSimPipeRunner::Log(const std::string& sLine) const
{
    if (m_fnLog)
        m_fnLog(sLine);
}

std::string CSimPipeRunner::PlugErrorSuffix() const
{
    return m_side.PlugError().empty() ? std::string() : ": " + m_side.PlugError();
}

void CSimPipeRunner::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_cvStop.notify_all();
    m_device.Stop();
    m_side.Cancel();
}

bool CSimPipeRunner::Run()
{
    if (!m_side.Plug(m_sRoot, m_sName)) {
        Log("cannot plug in at " + DevicePath() + PlugErrorSuffix());
        return false;
    }
    Log("plugged in at " + m_side.Path());
    while (!m_bStop) {
        if (!m_side.WaitForHost(kHostPollMs))
            continue;
        CPipeDeviceTransport transport(m_side);
        ESessionEnd eEnd = m_device.ServeSession(transport);
        if (eEnd != ESessionEnd::Restart && eEnd != ESessionEnd::Shutdown && eEnd != ESessionEnd::Stopped) {
            m_side.EndSession(); // stay plugged in for the next host
            continue;
        }
        // Unplugging straight away (not ending the session first) removes the folder before
        // the host sees end of file, so a host that looks again cannot open the dying device.
        m_side.Unplug();
        if (eEnd != ESessionEnd::Restart)
            break;
        Log("unplugged for restart");
        {
            std::unique_lock lock(m_mutex);
            m_cvStop.wait_for(lock, std::chrono::milliseconds(m_iRestartDelayMs),
                              [this] { return m_bStop.load(); });
        }
        if (m_bStop)
            break;
        if (!m_side.Plug(m_sRoot, m_sName)) {
            Log("cannot plug in again at " + DevicePath() + PlugErrorSuffix());
            return false;
        }
        Log("plugged in again at " + m_side.Path());
    }
    m_side.Unplug();
    Log("unplugged");
    return true;
}

} // namespace kov
