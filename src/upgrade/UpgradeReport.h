#pragma once
// What an upgrade run tells its owner. The run's thread posts each report to the owner's sink
// and never waits; the owner handles them in order on its own thread. Every run ends with
// exactly one final report (IsFinalReport).
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "link/DeviceEvent.h"

namespace kov {

// The numbers are those of the progress window's messages.
enum class EUpgradeReport : uint32_t {
    NavigationFailed = kWmUser + 1, // final; iStatusCode: the download base could not be read
    NoUpgradeFound = kWmUser + 2,   // final; version folders exist, none newer with a file
    OpenDownloadPage = kWmUser + 3, // final; wszText: the download base, which has no version folder
    Status = kWmUser + 4,           // wszText: the status line
    Progress = kWmUser + 5,         // llPosition bytes of llRange (the response's Content-Length)
    Saved = kWmUser + 6,            // final; wszText: full path of the saved file; iVersion
    DownloadFailed = kWmUser + 7,   // final; iStatusCode: the file could not be downloaded
    Failed = kWmUser + 8,           // final; wszText: the message ("Failed to create directory ...")
    Found = kWmUser + 9,            // final, check-only runs; wszText: the file's address; iVersion
    Cancelled = kWmUser + 10,       // final; the operator cancelled
};

struct SUpgradeReport {
    EUpgradeReport eKind = EUpgradeReport::Status;
    int32_t iStatusCode = 0; // HTTP status; 0 when no answer came
    int64_t llPosition = 0;
    int64_t llRange = 0;
    int32_t iVersion = 0; // packed
    std::u16string wszText;
    std::string sDetail; // NavigationFailed, DownloadFailed: why the transfer failed, in English
};

bool IsFinalReport(EUpgradeReport eKind);

// Caption of every message box of the upgrade.
inline constexpr char16_t kUpgradeCaption[] = u"Software Upgrade";

// The message a final failure report shows: "Web navigation failed. Status=%d", "No upgrade
// found", "Download failed. Status=%d", or the text of Failed. Empty for the other reports.
std::u16string UpgradeReportMessage(const SUpgradeReport& report);

class IUpgradeReportSink {
public:
    virtual ~IUpgradeReportSink() = default;
    // Called on the run's thread; must not block for long.
    virtual void PostUpgradeReport(SUpgradeReport report) = 0;
};

// Reports queue up in order until the owner takes them: a console or a test waits for them; a
// window's owner sets a wake-up that posts its own thread a message for each one.
class CUpgradeReportQueue final : public IUpgradeReportSink {
public:
    void PostUpgradeReport(SUpgradeReport report) override;
    // The next report, waiting at most that long; nullopt when none came in time.
    std::optional<SUpgradeReport> Next(std::chrono::milliseconds wait);
    // Runs after each report is queued, on the run's thread; must not block. Set it while no
    // run is going on.
    void SetWakeUp(std::function<void()> fnWakeUp) { m_fnWakeUp = std::move(fnWakeUp); }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<SUpgradeReport> m_dqReports;
    std::function<void()> m_fnWakeUp;
};

} // namespace kov
