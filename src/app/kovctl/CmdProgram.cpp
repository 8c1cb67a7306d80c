// kovctl program FILE: the Maintenance page's Program button on a console. The page checks the
// file against the model the device reported, asks before anything is sent, streams the file
// block by block and shows its four bars; kovctl prints the question, answers it, and draws
// the bars as one line until the device completes or fails.
// kovctl program --download: the page's Download first, then the same with the saved file.
#include "app/kovctl/Commands.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <optional>
#include <string>
#include <tuple>

#include "app/kovctl/DeviceSession.h"
#include "app/kovctl/Password.h"
#include "app/kovctl/UpgradeConsole.h"
#include "firmware/ProgramFile.h"
#include "platform/Signals.h"
#include "platform/Terminal.h"
#include "sections/Maintenance.h"
#include "support/TextNumbers.h"

namespace kov {
namespace {

using Dlg = CDeviceProgramDlg;

constexpr char kUsage[] = "usage: kovctl program FILE|--download [--site URL] [--yes] [--no-restart] ";

struct SProgramArgs {
    std::optional<std::string> oFile;
    SPasswordArgs password;
    std::string sSite;
    bool bDownload = false;
    bool bYes = false;
    bool bNoRestart = false;
};

bool ParseProgramArgs(std::vector<std::string> args, SProgramArgs& out)
{
    if (!TakeSiteOption(args, out.sSite))
        return false;
    bool bOk = true;
    for (size_t i = 0; bOk && i < args.size(); ++i) {
        const std::string& s = args[i];
        if (TakePasswordOption(args, i, out.password, bOk))
            continue;
        if (s == "--yes" || s == "-y") {
            bOk = !out.bYes;
            out.bYes = true;
        } else if (s == "--no-restart") {
            bOk = !out.bNoRestart;
            out.bNoRestart = true;
        } else if (s == "--download") {
            bOk = !out.bDownload;
            out.bDownload = true;
        } else if (s.size() > 1 && s[0] == '-') {
            bOk = false;
        } else {
            bOk = !out.oFile;
            out.oFile = s;
        }
    }
    // A file, or the download (which the site option goes with).
    if (bOk && out.oFile.has_value() != out.bDownload && (out.bDownload || out.sSite.empty()))
        return true;
    std::fprintf(stderr, "%s%s\n", kUsage, kPasswordUsage);
    return false;
}

// The operator's answer to the question just printed; anything but "y" or "yes" declines.
bool AskOnTerminal()
{
    std::fputs("Start programming? [y/N] ", stderr);
    std::fflush(stderr);
    char szLine[64];
    if (!std::fgets(szLine, sizeof szLine, stdin))
        return false;
    std::string sAnswer;
    for (const char* p = szLine; *p && *p != '\n' && *p != '\r'; ++p)
        sAnswer += char(std::tolower(static_cast<unsigned char>(*p)));
    return sAnswer == "y" || sAnswer == "yes";
}

// The four bars as the page labels them: "Buffer Accept: 40%  Sectors Erase: 0%  ...".
std::u16string ProgressLine(const std::array<int, kProgramBarCount>& aiPercent)
{
    std::u16string wszLine;
    for (int i = 0; i < kProgramBarCount; ++i) {
        if (!wszLine.empty())
            wszLine += u"  ";
        wszLine += std::u16string(kProgramBars[i].wszLabel) + u" " + DecimalText(aiPercent[i]) + u"%";
    }
    return wszLine;
}

// Passes the window's programming events on to the page, counting them, so that a wait that
// ran out can tell a silent device from one that answers without moving on.
class CCountingProgrammer final : public IProgrammingHandler {
public:
    CCountingProgrammer(CMainFrame& frame, Dlg& page) : m_frame(frame), m_page(page)
    {
        m_frame.SetProgrammingHandler(this);
    }
    ~CCountingProgrammer() override { m_frame.SetProgrammingHandler(&m_page); }
    CCountingProgrammer(const CCountingProgrammer&) = delete;
    CCountingProgrammer& operator=(const CCountingProgrammer&) = delete;

    void StartProgramming() override
    {
        ++m_nEvents;
        m_page.StartProgramming();
    }
    void OnProgrammingEvent(const SDeviceEventData& event) override
    {
        ++m_nEvents;
        m_page.OnProgrammingEvent(event);
    }
    void EndProgramming() override
    {
        ++m_nEvents;
        m_page.EndProgramming();
    }
    // The run ends all the same; the command reports the lost device itself ("Device
    // disconnected" and its failure code), so the window's message is not added to its output.
    bool OnLinkLost() override
    {
        m_page.OnLinkLost();
        return false;
    }
    bool AutomaticRestart() const override { return m_page.AutomaticRestart(); }
    std::u16string ProgramFilePath() const override { return m_page.ProgramFilePath(); }

    uint64_t Events() const { return m_nEvents; }

private:
    CMainFrame& m_frame;
    Dlg& m_page;
    uint64_t m_nEvents = 0;
};

} // namespace

int CmdProgram(const SKovctlGlobals& globals, const std::vector<std::string>& args)
{
    SProgramArgs a;
    if (!ParseProgramArgs(args, a))
        return kExitUsage;
    // Ctrl-C cancels the download; the threads started meanwhile keep the signals held.
    if (a.bDownload)
        HoldStopSignals();
    CDeviceSession session(globals, a.password, stderr);
    if (const int iExit = session.Connect())
        return iExit;
    // The checks match the file against the model the device reports; without its parameters
    // the page would take the model as empty and accept a loader image for any device.
    if (!session.ParametersLoaded()) {
        session.Report(
            "Nothing was programmed: the device's parameters did not load, so its model is unknown");
        return kExitFailure;
    }
    Dlg* pPage = MaintenancePage(session, "Nothing was programmed");
    if (!pPage)
        return kExitFailure;
    Dlg& page = *pPage;
    std::u16string wszFile = a.oFile ? Utf8ToUtf16(*a.oFile) : std::u16string();
    if (a.bDownload) {
        if (const int iExit = DownloadDeviceFirmware(session, page, a.sSite, wszFile))
            return iExit;
        // From here on Ctrl-C ends the program, as for a file given by name.
        ReleaseStopSignals();
    }
    CConsoleView& view = session.View();

    bool bConfirmed = false;
    const bool bOperator = IsTerminal(EStdStream::Input);
    view.SetConfirmation([&](std::u16string_view) {
        bConfirmed = a.bYes || (bOperator && AskOnTerminal());
        return bConfirmed;
    });

    CCountingProgrammer counter(session.Frame(), page);
    const int nFailedBefore = session.FailedWrites();
    size_t nNext = session.Mark();
    switch (page.ProgramFile(wszFile, !a.bNoRestart)) {
    case EProgramResult::Started: break;
    case EProgramResult::Cancelled: session.Report("Programming cancelled"); return kExitFailure;
    case EProgramResult::Refused:    // the check said why
    case EProgramResult::Unsendable: // the page said the file cannot be read
        return kExitFailure;
    case EProgramResult::CannotOpen: view.Report(kMsgCannotOpenFile); return kExitFailure;
    case EProgramResult::NotConnected:
    case EProgramResult::SendFailed: return session.SendFailed();
    }

    const bool bInPlace = IsTerminal(EStdStream::Error);
    std::array<int, kProgramBarCount> aiPercent{};
    view.ShowProgress(ProgressLine(aiPercent), bInPlace);
    std::optional<int> oExit;
    auto fnDone = [&] {
        const auto& vOutcomes = view.Outcomes();
        for (; !oExit && nNext < vOutcomes.size(); ++nNext) {
            const SOutcome& outcome = vOutcomes[nNext];
            switch (outcome.eOutcome) {
            case EOutcome::BufferAccepted:
            case EOutcome::SectorsErased:
            case EOutcome::FlashWritten:
            case EOutcome::FlashVerified: {
                int& iPercent = aiPercent[size_t(outcome.eOutcome) - size_t(EOutcome::BufferAccepted)];
                if (iPercent != outcome.iCode) {
                    iPercent = outcome.iCode;
                    view.ShowProgress(ProgressLine(aiPercent), bInPlace);
                }
                break;
            }
            case EOutcome::ProgrammingComplete: // the operator restarts the device
            case EOutcome::DeviceReset:         // completed; the window restarted the device
                oExit = kExitOk;
                break;
            case EOutcome::FlashWriteFailed:
            case EOutcome::ProgramFileReadError:
            case EOutcome::NoDevice:
            case EOutcome::NotAuthorized: oExit = kExitFailure; break;
            case EOutcome::UnsupportedCommand:
                if (session.IsRefusal(outcome))
                    oExit = kExitFailure;
                break;
            default: break;
            }
        }
        return oExit.has_value();
    };
    // Each wait of --wait seconds ends with a step forward: a block taken, a bar moved, the run
    // ended. A device that keeps answering without taking the block would otherwise hold the
    // command for ever, as the page sends a refused block again without limit.
    const CProgramTransfer& transfer = page.Transfer();
    auto fnStep = [&] {
        return std::tuple(transfer.State(), transfer.Offset(), transfer.Progress(EProgramBar::SectorsErase),
                          transfer.Progress(EProgramBar::FlashWrite),
                          transfer.Progress(EProgramBar::FlashVerify));
    };
    EWaitEnd eEnd = EWaitEnd::Done;
    do {
        const auto step = fnStep();
        const uint64_t nEvents = counter.Events();
        eEnd = session.Pump([&] { return fnDone() || fnStep() != step; },
                            SessionClock::now() + std::chrono::seconds(globals.iWaitSeconds), false);
        if (eEnd == EWaitEnd::TimedOut && counter.Events() != nEvents) {
            const std::string sFor = " for " + std::to_string(globals.iWaitSeconds) + " seconds";
            session.Report(transfer.State() == ETransferState::Sending
                               ? "The device kept refusing the block at offset " +
                                     std::to_string(transfer.Offset()) + sFor
                               : "The device answered without progress" + sFor);
            return kExitFailure;
        }
    } while (eEnd == EWaitEnd::Done && !oExit);
    view.EndProgress();
    if (eEnd != EWaitEnd::Done)
        return session.Failure(eEnd);
    // The restart goes out without a look at the result; it must have reached the device.
    if (*oExit == kExitOk && session.FailedWrites() != nFailedBefore)
        return session.SendFailed();
    return *oExit;
}

} // namespace kov
