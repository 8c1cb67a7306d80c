#include "upgrade/UpgradeReport.h"

#include "support/TextCodec.h"

namespace kov {

bool IsFinalReport(EUpgradeReport eKind)
{
    return eKind != EUpgradeReport::Status && eKind != EUpgradeReport::Progress;
}

std::u16string UpgradeReportMessage(const SUpgradeReport& report)
{
    switch (report.eKind) {
    case EUpgradeReport::NavigationFailed:
        return u"Web navigation failed. Status=" + Utf8ToUtf16(std::to_string(report.iStatusCode));
    case EUpgradeReport::NoUpgradeFound: return u"No upgrade found";
    case EUpgradeReport::DownloadFailed:
        return u"Download failed. Status=" + Utf8ToUtf16(std::to_string(report.iStatusCode));
    case EUpgradeReport::Failed: return report.wszText;
    default: return {};
    }
}

void CUpgradeReportQueue::PostUpgradeReport(SUpgradeReport report)
{
    {
        std::lock_guard lock(m_mutex);
        m_dqReports.push_back(std::move(report));
    }
    m_arrived.notify_one();
    if (m_fnWakeUp)
        m_fnWakeUp();
}

std::optional<SUpgradeReport> CUpgradeReportQueue::Next(std::chrono::milliseconds wait)
{
    std::unique_lock lock(m_mutex);
    if (!m_arrived.wait_for(lock, wait, [this] { return !m_dqReports.empty(); }))
        return std::nullopt;
    SUpgradeReport report = std::move(m_dqReports.front());
    m_dqReports.pop_front();
    return report;
}

} // namespace kov
