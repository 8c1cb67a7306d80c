#include "app/kovctl/UpgradeConsole.h"

#include <chrono>
#include <cstdio>
#include <optional>

#include "app/kovctl/Commands.h"
#include "app/kovctl/DeviceArgs.h"
#include "app/kovctl/DeviceSession.h"
#include "platform/Signals.h"
#include "platform/Terminal.h"
#include "sections/Maintenance.h"
#include "support/TextCodec.h"
#include "support/TextNumbers.h"
#include "upgrade/DownloadSite.h"
#include "upgrade/UpgradeReport.h"

namespace kov {

namespace {

// How soon a stop signal is noticed while the run is awaited.
constexpr auto kReportSlice = std::chrono::milliseconds(50);

SUpgradeReport NotStarted()
{
    SUpgradeReport report;
    report.eKind = EUpgradeReport::Failed;
    report.wszText = u"The upgrade could not start";
    return report;
}

} // namespace

bool TakeSiteOption(std::vector<std::string>& args, std::string& sSite)
{
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--site")
            continue;
        if (i + 1 >= args.size() || !sSite.empty() || !IsUsableSiteRoot(args[i + 1])) {
            std::fprintf(stderr, "kovctl: --site takes one http:// or https:// address%s\n",
                         i + 1 < args.size() ? (", not \"" + args[i + 1] + "\"").c_str() : "");
            return false;
        }
        sSite = args[i + 1];
        args.erase(args.begin() + long(i), args.begin() + long(i) + 2);
        --i;
    }
    return true;
}

SUpgradeReport RunUpgradeOnConsole(CApplicationUpgrade& upgrade, EUpgradeMode eMode, const std::string& sSite,
                                   CConsoleView& view)
{
    CUpgradeReportQueue reports;
    upgrade.SetReportSink(&reports);
    upgrade.SetSiteRoot(DownloadSiteRoot(sSite));
    if (!upgrade.Start(eMode)) {
        upgrade.SetReportSink(nullptr);
        return NotStarted();
    }
    // On a terminal the status line is redrawn with the share of the transfer behind it; in a
    // log each status is a line of its own and the bytes are not counted out.
    const bool bInPlace = IsTerminal(EStdStream::Error);
    std::u16string wszStatus;
    int64_t llShown = -1; // the share drawn behind the status
    SUpgradeReport final;
    for (;;) {
        // Looked at on every turn: a transfer in progress reports without pause.
        if (WaitForStopSignal(0) != 0)
            upgrade.Cancel();
        std::optional<SUpgradeReport> oReport = reports.Next(kReportSlice);
        if (!oReport)
            continue;
        if (oReport->eKind == EUpgradeReport::Status) {
            wszStatus = oReport->wszText;
            llShown = -1;
            view.ShowProgress(wszStatus, bInPlace);
        } else if (oReport->eKind == EUpgradeReport::Progress) {
            if (!bInPlace || oReport->llRange <= 0)
                continue;
            const int64_t llPercent = oReport->llPosition * 100 / oReport->llRange;
            if (llPercent != llShown) {
                llShown = llPercent;
                view.ShowProgress(wszStatus + u"  " + DecimalText(llPercent) + u"%", true);
            }
        } else {
            final = std::move(*oReport);
            break;
        }
    }
    upgrade.Wait();
    upgrade.SetReportSink(nullptr);
    view.EndProgress();
    return final;
}

int ReportUpgradeFailure(const SUpgradeReport& report, CConsoleView& view)
{
    switch (report.eKind) {
    case EUpgradeReport::OpenDownloadPage:
        // Where the desktop program would send the operator's browser.
        view.Report(report.wszText);
        break;
    case EUpgradeReport::Cancelled: view.Report(u"Cancelled"); break;
    default:
        view.Report(UpgradeReportMessage(report));
        // What the status code alone does not tell: a name that did not resolve, a refused
        // certificate, a stalled line.
        if (!report.sDetail.empty())
            view.Report(Utf8ToUtf16(report.sDetail));
        break;
    }
    return kExitFailure;
}

int DownloadDeviceFirmware(CDeviceSession& session, CDeviceProgramDlg& page, const std::string& sSite,
                           std::u16string& wszPath)
{
    // The firmware is looked up by the model and version in the device's parameters.
    if (!session.ParametersLoaded()) {
        session.Report(
            "Nothing was downloaded: the device's parameters did not load, so its model is unknown");
        return kExitFailure;
    }
    // The page's Download button works out what to look for, or says "Unknown device".
    std::optional<SFirmwareDownloadRequest> oRequest;
    page.SetDownloadHandler([&oRequest](const SFirmwareDownloadRequest& request) { oRequest = request; });
    const bool bClicked = page.Click(CDeviceProgramDlg::IDC_DOWNLOAD);
    page.SetDownloadHandler({});
    if (!bClicked) {
        session.Report("Nothing was downloaded: the custom texts switch firmware downloads off");
        return kExitFailure;
    }
    if (!oRequest)
        return kExitFailure;
    CApplicationUpgrade downloader;
    oRequest->ApplyTo(downloader);
    const SUpgradeReport final =
        RunUpgradeOnConsole(downloader, EUpgradeMode::Download, sSite, session.View());
    if (final.eKind != EUpgradeReport::Saved)
        return ReportUpgradeFailure(final, session.View());
    wszPath = final.wszText;
    return kExitOk;
}

CDeviceProgramDlg* MaintenancePage(CDeviceSession& session, const char* szNothingDone)
{
    auto* pPage = dynamic_cast<CDeviceProgramDlg*>(session.Frame().PageArea().PageOf(kSubjectMaintenance));
    if (!pPage)
        session.Report(std::string(szNothingDone) + ": the window has no Maintenance page");
    return pPage;
}

// kovctl upgrade [--check] [--site URL]
int CmdUpgrade(const SKovctlGlobals& /*globals*/, const std::vector<std::string>& argsIn)
{
    std::vector<std::string> args = argsIn;
    std::string sSite;
    if (!TakeSiteOption(args, sSite))
        return kExitUsage;
    bool bCheck = false;
    for (const std::string& sArg : args) {
        if (sArg != "--check" || bCheck) {
            std::fputs("usage: kovctl upgrade [--check] [--site URL]\n", stderr);
            return kExitUsage;
        }
        bCheck = true;
    }
    HoldStopSignals();
    CConsoleView view(stderr);
    CApplicationUpgrade upgrade; // the program's own product, prefix and version
    const SUpgradeReport final =
        RunUpgradeOnConsole(upgrade, bCheck ? EUpgradeMode::CheckOnly : EUpgradeMode::Download, sSite, view);
    if (final.eKind == EUpgradeReport::Found)
        std::printf("%s\t%s\n", DottedQuadText<char>(static_cast<uint32_t>(final.iVersion)).c_str(),
                    Utf16ToUtf8(final.wszText).c_str());
    else if (final.eKind == EUpgradeReport::Saved)
        std::printf("%s\n", Utf16ToUtf8(final.wszText).c_str());
    else
        return ReportUpgradeFailure(final, view);
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailure;
}

// kovctl download-firmware [--site URL] [password options]
int CmdDownloadFirmware(const SKovctlGlobals& globals, const std::vector<std::string>& argsIn)
{
    std::vector<std::string> args = argsIn;
    std::string sSite;
    if (!TakeSiteOption(args, sSite))
        return kExitUsage;
    SDeviceArgs a;
    if (!ParseDeviceArgs("download-firmware", "[--site URL]", args, 0, 0, a))
        return kExitUsage;
    // Before the session's threads start, so that Ctrl-C reaches the download as Cancel.
    HoldStopSignals();
    CDeviceSession session(globals, a.password, stderr);
    if (const int iExit = session.Connect())
        return iExit;
    CDeviceProgramDlg* pPage = MaintenancePage(session, "Nothing was downloaded");
    if (!pPage)
        return kExitFailure;
    std::u16string wszPath;
    if (const int iExit = DownloadDeviceFirmware(session, *pPage, sSite, wszPath))
        return iExit;
    std::printf("%s\n", Utf16ToUtf8(wszPath).c_str());
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailure;
}

} // namespace kov
