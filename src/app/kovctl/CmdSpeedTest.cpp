// kovctl speed-test: the Recording page's "Speed Test" on a console. The page's writing-test
// window times the device's reports exactly as on screen; kovctl runs the write test, then the
// read test, for the given time each, prints the window's four figures whenever they change
// (redrawn in place on a terminal), stops the device's test at the end or on Ctrl-C, and prints
// the figures once more as the summary on standard output.
#include "app/kovctl/Commands.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "app/kovctl/DeviceSession.h"
#include "app/kovctl/Password.h"
#include "platform/Terminal.h"
#include "sections/Recording.h"
#include "support/TextNumbers.h"

namespace kov {
namespace {

using Test = CWritingTestDlg;

constexpr int32_t kDefaultSeconds = 10;
constexpr int32_t kMaxSeconds = 86400;

struct SSpeedTestArgs {
    int32_t iSeconds = kDefaultSeconds;
    SPasswordArgs password;
};

bool ParseSpeedTestArgs(const std::vector<std::string>& args, SSpeedTestArgs& out)
{
    bool bOk = true;
    bool bSeconds = false;
    for (size_t i = 0; bOk && i < args.size(); ++i) {
        if (TakePasswordOption(args, i, out.password, bOk))
            continue;
        if (args[i] == "--seconds" && !bSeconds && i + 1 < args.size()) {
            bSeconds = true;
            bOk = ParseWholeInt32(std::string_view(args[++i]), out.iSeconds) && out.iSeconds > 0 &&
                  out.iSeconds <= kMaxSeconds;
        } else {
            bOk = false;
        }
    }
    if (!bOk)
        std::fprintf(stderr, "usage: kovctl speed-test [--seconds N] %s\n", kPasswordUsage);
    return bOk;
}

// "Write Size: 14.00 MB  Write Speed: 13.98 Mb/s  Read Size: ?  Read Speed: ?", as the window
// labels its figures.
std::u16string FiguresLine(const Test& test)
{
    std::u16string wszLine;
    for (const int iId :
         {Test::IDC_WRITE_SIZE, Test::IDC_WRITE_SPEED, Test::IDC_READ_SIZE, Test::IDC_READ_SPEED}) {
        if (!wszLine.empty())
            wszLine += u"  ";
        const CControl* pFigure = test.FindControl(iId);
        wszLine += (pFigure ? pFigure->Caption() : std::u16string()) + u" " + test.TextOf(iId);
    }
    return wszLine;
}

enum class EPhaseEnd { Done, Silent, Ended };

} // namespace

int CmdSpeedTest(const SKovctlGlobals& globals, const std::vector<std::string>& args)
{
    SSpeedTestArgs a;
    if (!ParseSpeedTestArgs(args, a))
        return kExitUsage;
    // Before the receive thread starts, so that only this thread takes Ctrl-C and SIGTERM.
    HoldStopSignals();
    CDeviceSession session(globals, a.password, stderr);
    session.WatchStopSignals();
    if (const int iExit = session.Connect(); iExit != kExitOk || session.Stopped())
        return iExit;
    auto* pPage =
        dynamic_cast<CDeviceRecordingParamsDlg*>(session.Frame().PageArea().PageOf(kSubjectRecording));
    if (!pPage) {
        session.Report("Nothing was tested: the window has no Recording page");
        return kExitFailure;
    }
    if (!pPage->StartSpeedTest())
        return session.SendFailed();
    Test& test = *pPage->WritingTest();
    CConsoleView& view = session.View();
    const bool bInPlace = IsTerminal(EStdStream::Error);
    // Figures are printed once the device's reports have given them values.
    std::u16string wszShown = FiguresLine(test);
    auto fnShowChanges = [&] {
        const std::u16string wszLine = FiguresLine(test);
        if (wszLine != wszShown) {
            wszShown = wszLine;
            view.ShowProgress(wszLine, bInPlace);
        }
    };

    // One test for the given time; every --wait seconds must bring a report.
    std::optional<int> oExit;
    auto fnRunPhase = [&]() -> EPhaseEnd {
        const auto tEnd = SessionClock::now() + std::chrono::seconds(a.iSeconds);
        auto tLastReport = SessionClock::now();
        for (;;) {
            const uint64_t nReports = test.ReportsTaken();
            const auto tSilentEnd = tLastReport + std::chrono::seconds(globals.iWaitSeconds);
            const EWaitEnd eEnd =
                session.Pump([&] { return test.ReportsTaken() != nReports || FiguresLine(test) != wszShown; },
                             std::min(tEnd, tSilentEnd), true);
            fnShowChanges();
            if (test.ReportsTaken() != nReports)
                tLastReport = SessionClock::now();
            if (eEnd == EWaitEnd::Done)
                continue;
            if (eEnd != EWaitEnd::TimedOut) {
                oExit = session.Failure(eEnd);
                return EPhaseEnd::Ended;
            }
            if (SessionClock::now() >= tEnd)
                return EPhaseEnd::Done;
            return EPhaseEnd::Silent;
        }
    };

    const int nFailedBefore = session.FailedWrites();
    EPhaseEnd ePhase = fnRunPhase();
    if (ePhase == EPhaseEnd::Done) {
        // The write test ends before the read test begins, so the two do not share the card.
        if (!session.Holder().SendCommand(StopWriteTest) || !test.StartReading())
            return session.SendFailed();
        ePhase = fnRunPhase();
    }
    // The device stops testing whatever ended the run; a link already gone has nothing to stop.
    test.Stop();
    view.EndProgress();
    if (ePhase == EPhaseEnd::Silent) {
        session.Report("No progress from the device within " + std::to_string(globals.iWaitSeconds) +
                       " seconds");
        return kExitNoDevice;
    }
    if (oExit && !session.Stopped())
        return *oExit;
    const std::string sSummary = Utf16ToUtf8(FiguresLine(test)) + "\n";
    std::fwrite(sSummary.data(), 1, sSummary.size(), stdout);
    std::fflush(stdout);
    if (session.FailedWrites() != nFailedBefore)
        return session.SendFailed();
    return oExit.value_or(kExitOk);
}

} // namespace kov
