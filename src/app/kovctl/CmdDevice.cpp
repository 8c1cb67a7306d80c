// kovctl's device commands. Each runs the configurator's own main window logic through a
// console view: the presence poll finds and connects the device, the parameters are asked for
// (the password answered from the command line), and the command then does what the menu or
// page would, waiting for the texts the configurator shows when the device answers.
#include "app/kovctl/Commands.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "app/kovctl/ConsoleView.h"
#include "link/ParameterDocumentHolder.h"
#include "platform/Signals.h"
#include "shell/MainFrame.h"
#include "support/TextCodec.h"

namespace kov {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The window polls once a second; a command polls faster so that it starts as soon as the
// device is there.
constexpr auto kTickPeriod = 100ms;
// How soon a stop signal is noticed while events are awaited.
constexpr auto kPumpSlice = 50ms;

constexpr char16_t kNoDeviceText[] = u"Cannot perform action on device";

// The device transport, remembering failed writes: restart and shutdown are sent by the main
// window without looking at the result, and a command must know whether they went out.
class CWatchedTransport final : public IDeviceTransport {
public:
    explicit CWatchedTransport(const std::string& sDeviceRoot)
        : m_pUsb(sDeviceRoot.empty() ? std::make_unique<CUsbDeviceTransport>()
                                     : std::make_unique<CUsbDeviceTransport>(sDeviceRoot)) {}

    int32_t CountDevices() const override { return m_pUsb->CountDevices(); }
    bool Open() override { return m_pUsb->Open(); }
    int32_t Read(void* pBuffer, int32_t iCount) override { return m_pUsb->Read(pBuffer, iCount); }
    int32_t Write(const void* pBuffer, int32_t iCount) override {
        const int32_t iWritten = m_pUsb->Write(pBuffer, iCount);
        if (iWritten != iCount)
            ++m_nFailedWrites;
        return iWritten;
    }
    void Close(bool bForce) override { m_pUsb->Close(bForce); }
    int FailedWrites() const { return m_nFailedWrites.load(); }

private:
    std::unique_ptr<CUsbDeviceTransport> m_pUsb;
    std::atomic<int> m_nFailedWrites{0};
};

enum class EEnd { Done, TimedOut, Disconnected, PasswordMissing, PasswordRefused, Stopped };

using FnOutcome = std::function<std::optional<int>(const SConsoleShown&)>;

bool IsStatus(const SConsoleShown& shown, std::u16string_view wszText) {
    return !shown.bMessage && shown.wszText == wszText;
}

bool IsMessage(const SConsoleShown& shown, std::u16string_view wszCaption) {
    return shown.bMessage && shown.wszCaption == wszCaption;
}

// One connection to the first device that appears, through the main window's logic.
class CDeviceSession {
public:
    // Device log lines go to pLines; everything else the window shows goes to standard error.
    CDeviceSession(const SKovctlGlobals& globals, const std::optional<std::string>& oPassword, std::FILE* pLines)
        : m_iWaitSeconds(globals.iWaitSeconds), m_bHasPassword(oPassword.has_value()), m_view(stderr),
          m_frame(m_view, Settings(globals.sDeviceRoot, m_pTransport)), m_pLines(pLines) {
        if (oPassword)
            m_view.SetPassword(Utf8ToUtf16(*oPassword));
    }

    // Presence ticks until the window connects a device, then waits for the parameters it asks
    // for. kExitOk also when the device's document did not parse (see ParametersLoaded): some
    // commands are the remedy for exactly that.
    int Connect() {
        m_view.SetQuiet(true); // the window's start-up "Ready" means nothing here
        m_frame.Create();
        m_view.SetQuiet(false);
        const size_t nFrom = Mark();
        const auto tEnd = Clock::now() + std::chrono::seconds(m_iWaitSeconds);
        for (;;) {
            m_frame.PresenceTick();
            if (m_frame.Holder().IsConnected())
                break;
            if (ShownSince(nFrom, [](const SConsoleShown& s) { return IsStatus(s, u"Device connection failed"); }))
                return kExitFailure;
            const auto tNow = Clock::now();
            if (tNow >= tEnd) {
                Report("No device found within " + std::to_string(m_iWaitSeconds) + " seconds");
                return kExitNoDevice;
            }
            const auto pause = std::min<Clock::duration>(kTickPeriod, tEnd - tNow);
            if (!m_bWatchStopSignals) {
                std::this_thread::sleep_for(pause);
            } else if (WaitForStopSignal(int(std::chrono::ceil<std::chrono::milliseconds>(pause).count())) != 0) {
                m_bStopped = true;
                return kExitOk;
            }
        }
        return WaitOutcome(nFrom, [this](const SConsoleShown& s) -> std::optional<int> {
            if (IsStatus(s, u"Parameters loaded")) {
                m_bParametersLoaded = true;
                return kExitOk;
            }
            if (IsStatus(s, u"Failed to load parameters"))
                return kExitOk;
            if (IsStatus(s, u"Cannot load parameters from device"))
                return kExitFailure;
            return std::nullopt;
        });
    }

    bool ParametersLoaded() const { return m_bParametersLoaded; }
    // SIGINT and SIGTERM (held by the caller) end every wait; Stopped() tells afterwards.
    void WatchStopSignals() { m_bWatchStopSignals = true; }
    bool Stopped() const { return m_bStopped; }
    CMainFrame& Frame() { return m_frame; }
    CConsoleView& View() { return m_view; }
    ParameterDocumentHolder& Holder() { return m_frame.Holder(); }
    size_t Mark() const { return m_view.Shown().size(); }
    int LinesPassed() const { return m_nLinesPassed; }
    bool LinesFailed() const { return m_bLinesFailed; }
    void Report(const std::string& sLine) { m_view.Report(Utf8ToUtf16(sLine)); }

    bool ShownSince(size_t nFrom, const std::function<bool(const SConsoleShown&)>& fnMatch) const {
        const auto& vShown = m_view.Shown();
        return std::any_of(vShown.begin() + long(nFrom), vShown.end(), fnMatch);
    }

    // Handles events until fnOutcome gives an exit code for something shown after nFrom, or a
    // reply took longer than --wait. A device refusing the command ends the wait as a failure.
    int WaitOutcome(size_t nFrom, const FnOutcome& fnOutcome) {
        std::optional<int> oExit;
        size_t nNext = nFrom;
        auto fnDone = [&] {
            const auto& vShown = m_view.Shown();
            for (; !oExit && nNext < vShown.size(); ++nNext) {
                const SConsoleShown& shown = vShown[nNext];
                if (IsMessage(shown, u"Device Command") || IsMessage(shown, u"Device Control"))
                    oExit = kExitFailure;
                else
                    oExit = fnOutcome(shown);
            }
            return oExit.has_value();
        };
        const EEnd eEnd = Pump(fnDone, Clock::now() + std::chrono::seconds(m_iWaitSeconds), m_bWatchStopSignals);
        return eEnd == EEnd::Done ? *oExit : Failure(eEnd);
    }

    // Handles events until fnDone holds, the time is up, the link closes, the password cannot
    // be answered, or (bStopSignals) SIGINT or SIGTERM arrives.
    EEnd Pump(const std::function<bool()>& fnDone, Clock::time_point tEnd, bool bStopSignals) {
        while (!fnDone()) {
            if (bStopSignals && WaitForStopSignal(0) != 0)
                return EEnd::Stopped;
            const auto tNow = Clock::now();
            if (tNow >= tEnd)
                return EEnd::TimedOut;
            const auto slice = std::chrono::ceil<std::chrono::milliseconds>(
                std::min<Clock::duration>(kPumpSlice, tEnd - tNow));
            SDeviceEventData event;
            if (!m_frame.EventQueue().WaitAndTake(event, slice))
                continue;
            if (auto oEnd = Handle(std::move(event)))
                return *oEnd;
        }
        return EEnd::Done;
    }

    // Prints why a wait ended without its outcome; the exit code.
    int Failure(EEnd eEnd) {
        switch (eEnd) {
        case EEnd::Done: return kExitOk;
        case EEnd::Stopped: m_bStopped = true; return kExitOk;
        case EEnd::TimedOut:
            Report("No reply from the device within " + std::to_string(m_iWaitSeconds) + " seconds");
            return kExitNoDevice;
        case EEnd::Disconnected: return kExitFailure; // the window said "Device disconnected"
        case EEnd::PasswordMissing:
            Report("The device asks for its configuration password: give it with --password");
            return kExitFailure;
        case EEnd::PasswordRefused: Report("The device did not accept the password"); return kExitFailure;
        }
        return kExitFailure;
    }

    // After a request that could not be written: the link is going down; let the window say so.
    int SendFailed() {
        const EEnd eEnd = Pump([] { return false; }, Clock::now() + std::chrono::seconds(m_iWaitSeconds), false);
        if (eEnd != EEnd::Disconnected)
            m_view.Report(kNoDeviceText);
        return kExitFailure;
    }

    int FailedWrites() const { return m_pTransport->FailedWrites(); }

private:
    static SMainFrameSettings Settings(const std::string& sDeviceRoot, CWatchedTransport*& pTransport) {
        SMainFrameSettings settings;
        auto pWatched = std::make_unique<CWatchedTransport>(sDeviceRoot);
        pTransport = pWatched.get();
        settings.pTransport = std::move(pWatched);
        settings.oOptionsFile = std::u16string(); // the desktop program's options are its own
        return settings;
    }

    std::optional<EEnd> Handle(SDeviceEventData event) {
        switch (event.eEvent) {
        case DeviceEvent::PasswordRequestEvent:
            if (!m_bHasPassword)
                return EEnd::PasswordMissing;
            // Asked again before any parameters came: the password was refused.
            if (m_bPasswordAnswered)
                return EEnd::PasswordRefused;
            m_bPasswordAnswered = true;
            break;
        case DeviceEvent::ParametersDocumentEvent: m_bPasswordAnswered = false; break;
        default: break;
        }
        // The receive loop's own error lines are a report, never device log output.
        const bool bErrorLine = event.eEvent == DeviceEvent::DeviceTextEvent && event.wParam == 0;
        const bool bClosed = event.eEvent == DeviceEvent::LinkClosed;
        m_frame.HandleDeviceEvent(std::move(event));
        PassLogLines(bErrorLine ? stderr : m_pLines);
        if (bClosed)
            return EEnd::Disconnected;
        return std::nullopt;
    }

    // Moves what the log view collected to the console; the view keeps nothing, so a long
    // `log` run does not grow.
    void PassLogLines(std::FILE* pOut) {
        CLogView& logView = m_frame.LogView();
        if (logView.Text().empty())
            return;
        const std::string sLines = ConsoleLines(logView.Text());
        logView.Edit().SetText(u"");
        const bool bWritten =
            std::fwrite(sLines.data(), 1, sLines.size(), pOut) == sLines.size() && std::fflush(pOut) == 0;
        if (pOut == m_pLines) {
            m_nLinesPassed += int(std::count(sLines.begin(), sLines.end(), '\n'));
            m_bLinesFailed = m_bLinesFailed || !bWritten;
        }
    }

    const int m_iWaitSeconds;
    const bool m_bHasPassword;
    CWatchedTransport* m_pTransport = nullptr; // owned by the window's device link
    CConsoleView m_view;
    CMainFrame m_frame;
    std::FILE* m_pLines;
    bool m_bParametersLoaded = false;
    bool m_bPasswordAnswered = false;
    bool m_bWatchStopSignals = false;
    bool m_bStopped = false;
    int m_nLinesPassed = 0;
    bool m_bLinesFailed = false;
};

// ---- Arguments ---------------------------------------------------------------------------

struct SDeviceArgs {
    std::optional<std::string> oPassword;
    std::optional<std::string> oOutput;
    bool bRaw = false;
    std::vector<std::string> vFiles;
};

enum EArgsAllowed : unsigned { kArgOutput = 1, kArgRaw = 2 };

// Every device command takes --password PW; -o FILE and --raw where allowed; nFiles plain
// arguments. False, with the usage printed, on anything else.
bool ParseDeviceArgs(const char* szName, const char* szUsage, const std::vector<std::string>& args,
                     unsigned uAllowed, size_t nFiles, SDeviceArgs& out) {
    bool bOk = true;
    for (size_t i = 0; bOk && i < args.size(); ++i) {
        const std::string& s = args[i];
        if (s == "--password" || (s == "-o" && (uAllowed & kArgOutput))) {
            std::optional<std::string>& oValue = s == "-o" ? out.oOutput : out.oPassword;
            bOk = i + 1 < args.size() && !oValue;
            if (bOk)
                oValue = args[++i];
        } else if (s == "--raw" && (uAllowed & kArgRaw)) {
            bOk = !out.bRaw;
            out.bRaw = true;
        } else if (s.size() > 1 && s[0] == '-') {
            bOk = false;
        } else {
            out.vFiles.push_back(s);
        }
    }
    if (bOk && out.vFiles.size() == nFiles)
        return true;
    std::fprintf(stderr, "usage: kovctl %s %s\n", szName, szUsage);
    return false;
}

int WriteStdout(const std::string& sBytes) {
    if (std::fwrite(sBytes.data(), 1, sBytes.size(), stdout) != sBytes.size() || std::fflush(stdout) != 0)
        return kExitFailure;
    return kExitOk;
}

// restart and shutdown: the menu command; success when its frame went out.
int MenuDeviceCommand(const SKovctlGlobals& globals, const std::vector<std::string>& args, const char* szName,
                      uint32_t dwCommandId) {
    SDeviceArgs a;
    if (!ParseDeviceArgs(szName, "[--password PW]", args, 0, 0, a))
        return kExitUsage;
    CDeviceSession session(globals, a.oPassword, stderr);
    if (const int iExit = session.Connect())
        return iExit;
    const int nFailedBefore = session.FailedWrites();
    const size_t nFrom = session.Mark();
    session.Frame().OnCommand(dwCommandId);
    if (session.ShownSince(nFrom, [](const SConsoleShown& s) { return s.bMessage; }))
        return kExitFailure; // "Cannot perform action on device"
    return session.FailedWrites() == nFailedBefore ? kExitOk : session.SendFailed();
}

} // namespace

int CmdRead(const SKovctlGlobals& globals, const std::vector<std::string>& args) {
    SDeviceArgs a;
    if (!ParseDeviceArgs("read", "[-o FILE] [--password PW]", args, kArgOutput, 0, a))
        return kExitUsage;
    CDeviceSession session(globals, a.oPassword, stderr);
    if (const int iExit = session.Connect())
        return iExit;
    if (!session.ParametersLoaded())
        return kExitFailure; // the window said "Failed to load parameters"
    if (a.oOutput) {
        // File > Save As, with the file named on the command line.
        const size_t nFrom = session.Mark();
        session.View().SetFileChoice(Utf8ToUtf16(*a.oOutput));
        session.Frame().OnCommand(ID_FILE_SAVE_AS);
        return session.ShownSince(nFrom, [](const SConsoleShown& s) { return IsMessage(s, u"File Save"); })
                   ? kExitFailure
                   : kExitOk;
    }
    std::string sBytes;
    if (!session.Holder().LoadedDocument().ToUtf8(sBytes))
        return kExitFailure;
    return WriteStdout(sBytes);
}

int CmdWrite(const SKovctlGlobals& globals, const std::vector<std::string>& args) {
    SDeviceArgs a;
    if (!ParseDeviceArgs("write", "[--raw] FILE [--password PW]", args, kArgRaw, 1, a))
        return kExitUsage;
    const std::u16string wszFile = Utf8ToUtf16(a.vFiles.front());
    // A file that cannot be read fails before the device is disturbed.
    TreeRef fileDocument;
    if (!fileDocument.LoadFromFile(wszFile)) {
        std::fputs("Failed to load parameters from file\n", stderr);
        return kExitFailure;
    }
    CDeviceSession session(globals, a.oPassword, stderr);
    if (const int iExit = session.Connect())
        return iExit;
    size_t nFrom = session.Mark();
    if (a.bRaw) {
        // The file's document is the change document, unchanged.
        session.Holder().ChangeDocument() = fileDocument;
        session.View().SetStatusText(u"Saving parameters to device");
        if (!session.Holder().WriteToDevice()) {
            session.View().MessageBox(u"Cannot save to device", u"Device Connection", EMsgButtons::Ok, EMsgIcon::None);
            return kExitFailure;
        }
    } else {
        // Without the device's parameters the window is not in the device state, so the pages
        // would store into the opened file's document and Write To Device would send a change
        // document without the file's settings, and the device would report it saved.
        if (!session.ParametersLoaded()) {
            session.Report("Nothing was written: the device's parameters did not load "
                           "(--raw sends the file as it is)");
            return kExitFailure;
        }
        // File > Open, then Write To Device: every page loads the file and stores into the
        // change document, exactly as the operator's round trip does.
        session.View().SetFileChoice(wszFile);
        session.Frame().OnCommand(ID_FILE_OPEN);
        if (session.ShownSince(nFrom, [](const SConsoleShown& s) { return IsMessage(s, u"File Open"); }))
            return kExitFailure;
        nFrom = session.Mark();
        session.Frame().OnCommand(ID_WRITE_TO_DEVICE);
        if (session.ShownSince(nFrom, [](const SConsoleShown& s) { return IsMessage(s, u"Device Connection"); }))
            return kExitFailure; // "Cannot save to device"
    }
    return session.WaitOutcome(nFrom, [](const SConsoleShown& s) -> std::optional<int> {
        if (IsStatus(s, u"Parameters saved"))
            return kExitOk;
        if (IsStatus(s, u"Failed to save parameters"))
            return kExitFailure;
        return std::nullopt;
    });
}

int CmdRestart(const SKovctlGlobals& globals, const std::vector<std::string>& args) {
    return MenuDeviceCommand(globals, args, "restart", ID_RESET_DEVICE);
}

int CmdShutdown(const SKovctlGlobals& globals, const std::vector<std::string>& args) {
    return MenuDeviceCommand(globals, args, "shutdown", ID_SHUTDOWN_DEVICE);
}

int CmdResetParameters(const SKovctlGlobals& globals, const std::vector<std::string>& args) {
    SDeviceArgs a;
    if (!ParseDeviceArgs("reset-parameters", "[--password PW]", args, 0, 0, a))
        return kExitUsage;
    CDeviceSession session(globals, a.oPassword, stderr);
    if (const int iExit = session.Connect())
        return iExit;
    // The Maintenance page's "Reset Parameters": the connection is checked before the question.
    CConsoleView& view = session.View();
    if (!session.Holder().IsConnected()) {
        view.MessageBox(u"Device not ready", u"Factory Settings", EMsgButtons::Ok, EMsgIcon::None);
        return kExitFailure;
    }
    if (view.MessageBox(u"Are you sure ?", u"Factory Settings", EMsgButtons::YesNo, EMsgIcon::Question) !=
        EDlgResult::Yes)
        return kExitFailure;
    const size_t nFrom = session.Mark();
    if (!session.Holder().SendCommand(ResetParameters))
        return session.SendFailed();
    // On success the window asks for the parameters again; the command ends when they came.
    return session.WaitOutcome(nFrom, [](const SConsoleShown& s) -> std::optional<int> {
        if (IsStatus(s, u"Parameters loaded"))
            return kExitOk;
        if (IsStatus(s, u"Parameters Reset Error") || IsStatus(s, u"Failed to load parameters") ||
            IsStatus(s, u"Cannot load parameters from device"))
            return kExitFailure;
        return std::nullopt;
    });
}

int CmdDisableConsole(const SKovctlGlobals& globals, const std::vector<std::string>& args) {
    SDeviceArgs a;
    if (!ParseDeviceArgs("disable-console", "[--password PW]", args, 0, 0, a))
        return kExitUsage;
    CDeviceSession session(globals, a.oPassword, stderr);
    if (const int iExit = session.Connect())
        return iExit;
    // The page does nothing without a device; a command has to say why it did nothing.
    if (!session.Holder().IsConnected()) {
        session.View().Report(kNoDeviceText);
        return kExitFailure;
    }
    const size_t nFrom = session.Mark();
    if (!session.Holder().SendCommand(DisableConsole))
        return session.SendFailed();
    return session.WaitOutcome(nFrom, [](const SConsoleShown& s) -> std::optional<int> {
        if (!IsMessage(s, u"Disable Console"))
            return std::nullopt;
        return s.wszText == u"Console disabled." ? kExitOk : kExitFailure; // "Enable console result = %d."
    });
}

int CmdDeleteRecordings(const SKovctlGlobals& globals, const std::vector<std::string>& args) {
    SDeviceArgs a;
    if (!ParseDeviceArgs("delete-recordings", "[--password PW]", args, 0, 0, a))
        return kExitUsage;
    CDeviceSession session(globals, a.oPassword, stderr);
    if (const int iExit = session.Connect())
        return iExit;
    // The recording page's command asks first and checks the connection after a Yes.
    CConsoleView& view = session.View();
    if (view.MessageBox(u"Are you sure?", u"Delete All Recordings", EMsgButtons::YesNo, EMsgIcon::Question) !=
        EDlgResult::Yes)
        return kExitFailure;
    if (!session.Holder().IsConnected()) {
        view.MessageBox(u"Device not ready", u"Delete All Recordings", EMsgButtons::Ok, EMsgIcon::None);
        return kExitFailure;
    }
    const size_t nFrom = session.Mark();
    if (!session.Holder().SendCommand(DeleteAllRecordings))
        return session.SendFailed();
    return session.WaitOutcome(nFrom, [](const SConsoleShown& s) -> std::optional<int> {
        if (IsMessage(s, u"Delete Recordings"))
            return kExitOk; // "%d files were deleted."
        return std::nullopt;
    });
}

int CmdLog(const SKovctlGlobals& globals, const std::vector<std::string>& args) {
    SDeviceArgs a;
    if (!ParseDeviceArgs("log", "[--password PW]", args, 0, 0, a))
        return kExitUsage;
    // Before the receive thread starts, so that only this thread takes Ctrl-C and SIGTERM.
    HoldStopSignals();
    CDeviceSession session(globals, a.oPassword, stdout);
    session.WatchStopSignals();
    if (const int iExit = session.Connect(); iExit != kExitOk || session.Stopped())
        return iExit;
    // Selecting the Log subject turns the device's log output on; leaving it turns it off.
    session.Frame().Tree().Switch(kSubjectLog);
    // Runs until interrupted, until --wait passes without a line, or until whoever reads the
    // lines goes away (`kovctl log | head`), which is no failure.
    int iExit = kExitOk;
    EEnd eEnd = EEnd::Done;
    while (eEnd == EEnd::Done && !session.LinesFailed()) {
        const int nLines = session.LinesPassed();
        eEnd = session.Pump([&] { return session.LinesPassed() != nLines || session.LinesFailed(); },
                            Clock::now() + std::chrono::seconds(globals.iWaitSeconds), true);
    }
    if (eEnd == EEnd::TimedOut && session.LinesPassed() == 0) {
        session.Report("No log line from the device within " + std::to_string(globals.iWaitSeconds) + " seconds");
        iExit = kExitNoDevice;
    } else if (eEnd != EEnd::TimedOut) {
        iExit = session.Failure(eEnd);
    }
    session.Frame().Tree().Switch(kSubjectDeviceIdentification);
    return iExit;
}

} // namespace kov
