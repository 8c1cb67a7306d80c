// kovctl program FILE: the Maintenance page's Program button on a console. The page checks the
// file against the model the device reported, asks before anything is sent, streams the file
// block by block and shows its four bars; kovctl prints the question, answers it, and draws
// the bars as one line until the device completes or fails.
#include "app/kovctl/Commands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <string>
#include <tuple>

#include "app/kovctl/DeviceSession.h"
#include "firmware/ProgramFile.h"
#include "platform/Terminal.h"
#include "sections/Maintenance.h"
#include "support/TextNumbers.h"

namespace kov {
namespace {

using Dlg = CDeviceProgramDlg;

constexpr char kUsage[] = "usage: kovctl program FILE [--yes] [--no-restart] [--password PW]\n";
constexpr char16_t kProgramCompleteText[] =
    u"Programming Complete. Please press the \"Restart Device\" button.";

struct SProgramArgs {
    std::optional<std::string> oFile;
    std::optional<std::string> oPassword;
    bool bYes = false;
    bool bNoRestart = false;
};

bool ParseProgramArgs(const std::vector<std::string>& args, SProgramArgs& out)
{
    bool bOk = true;
    for (size_t i = 0; bOk && i < args.size(); ++i) {
        const std::string& s = args[i];
        if (s == "--password") {
            bOk = i + 1 < args.size() && !out.oPassword;
            if (bOk)
                out.oPassword = args[++i];
        } else if (s == "--yes" || s == "-y") {
            bOk = !out.bYes;
            out.bYes = true;
        } else if (s == "--no-restart") {
            bOk = !out.bNoRestart;
            out.bNoRestart = true;
        } else if (s.size() > 1 && s[0] == '-') {
            bOk = false;
        } else {
            bOk = !out.oFile;
            out.oFile = s;
        }
    }
    if (bOk && out.oFile)
        return true;
    std::fputs(kUsage, stderr);
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
std::u16string ProgressLine(const Dlg& page)
{
    std::u16string wszLine;
    for (int iId :
         {Dlg::IDC_BUFFER_ACCEPT, Dlg::IDC_SECTORS_ERASE, Dlg::IDC_FLASH_WRITE, Dlg::IDC_FLASH_VERIFY}) {
        const CProgressBar& bar = *page.Find<CProgressBar>(iId);
        if (!wszLine.empty())
            wszLine += u"  ";
        wszLine += bar.Caption() + u" " + DecimalText(bar.Pos()) + u"%";
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
    CDeviceSession session(globals, a.oPassword, stderr);
    if (const int iExit = session.Connect())
        return iExit;
    // The checks match the file against the model the device reports; without its parameters
    // the page would take the model as empty and accept a loader image for any device.
    if (!session.ParametersLoaded()) {
        session.Report(
            "Nothing was programmed: the device's parameters did not load, so its model is unknown");
        return kExitFailure;
    }
    auto* pPage = dynamic_cast<Dlg*>(session.Frame().PageArea().PageOf(kSubjectMaintenance));
    if (!pPage) {
        session.Report("Nothing was programmed: the window has no Maintenance page");
        return kExitFailure;
    }
    Dlg& page = *pPage;
    CConsoleView& view = session.View();

    page.Find<CEdit>(Dlg::IDC_FILE_PATH)->SetText(Utf8ToUtf16(*a.oFile));
    page.Find<CCheckBox>(Dlg::IDC_AUTOMATIC_RESTART)->SetChecked(!a.bNoRestart);
    bool bAsked = false;
    bool bConfirmed = false;
    const bool bOperator = IsTerminal(EStdStream::Input);
    view.SetConfirmation([&](std::u16string_view) {
        bAsked = true;
        bConfirmed = a.bYes || (bOperator && AskOnTerminal());
        return bConfirmed;
    });

    CCountingProgrammer counter(session.Frame(), page);
    const int nFailedBefore = session.FailedWrites();
    const size_t nFrom = session.Mark();
    if (!page.Program()) {
        if (bAsked && !bConfirmed) {
            session.Report("Programming cancelled");
            return kExitFailure;
        }
        // A check refused the file, or the confirmed file cannot be sent: the page said which.
        const auto& vShown = view.Shown();
        const auto nMessages = std::count_if(vShown.begin() + long(nFrom), vShown.end(),
                                             [](const SConsoleShown& s) { return s.bMessage; });
        if (nMessages > (bAsked ? 1 : 0))
            return kExitFailure;
        // The page starts a confirmed transfer silently or not at all.
        if (!session.Holder().IsConnected() || session.FailedWrites() != nFailedBefore)
            return session.SendFailed();
        view.Report(kMsgCannotOpenFile);
        return kExitFailure;
    }

    const bool bInPlace = IsTerminal(EStdStream::Error);
    std::u16string wszDrawn;
    std::optional<int> oExit;
    size_t nNext = session.Mark();
    auto fnDone = [&] {
        // Bars reset to 0 when the run ends are not the run's progress.
        if (page.Transfer().State() != ETransferState::Idle) {
            std::u16string wszLine = ProgressLine(page);
            if (wszLine != wszDrawn)
                view.ShowProgress(wszDrawn = std::move(wszLine), bInPlace);
        }
        const auto& vShown = view.Shown();
        for (; !oExit && nNext < vShown.size(); ++nNext) {
            const SConsoleShown& shown = vShown[nNext];
            if (IsStatus(shown, u"Device Reset")) // completed; the window restarts the device
                oExit = kExitOk;
            else if (shown.bMessage) // the flash failed, the file could not be read, a refusal...
                oExit = shown.wszText == kProgramCompleteText ? kExitOk : kExitFailure;
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
