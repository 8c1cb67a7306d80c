// kovctl's device commands. Each runs the configurator's own main window logic through a
// console view (see DeviceSession.h) and does what the menu or page would.
#include "app/kovctl/Commands.h"

#include <cstdio>
#include <optional>

#include "app/kovctl/DeviceArgs.h"
#include "app/kovctl/DeviceSession.h"
#include "app/kovctl/Password.h"
#include "sections/DeviceRequests.h"
#include "sections/Maintenance.h"

namespace kov {

// ---- Arguments and the shared steps ---------------------------------------------------------

bool ParseDeviceArgs(const char* szName, const char* szUsage, const std::vector<std::string>& args,
                     unsigned uAllowed, size_t nFiles, SDeviceArgs& out)
{
    bool bOk = true;
    for (size_t i = 0; bOk && i < args.size(); ++i) {
        const std::string& s = args[i];
        if (TakePasswordOption(args, i, out.password, bOk))
            continue;
        if (s == "-o" && (uAllowed & kArgOutput)) {
            bOk = i + 1 < args.size() && !out.oOutput;
            if (bOk)
                out.oOutput = args[++i];
        } else if (s == "--raw" && (uAllowed & kArgRaw)) {
            bOk = !out.bRaw;
            out.bRaw = true;
        } else if (s == "--report" && (uAllowed & kArgReport)) {
            bOk = !out.bReport;
            out.bReport = true;
        } else if (s == "--list" && (uAllowed & kArgList)) {
            bOk = !out.bList;
            out.bList = true;
        } else if (s.size() > 1 && s[0] == '-') {
            bOk = false;
        } else {
            out.vFiles.push_back(s);
        }
    }
    if (bOk && out.vFiles.size() == nFiles)
        return true;
    std::fprintf(stderr, "usage: kovctl %s %s%s%s\n", szName, szUsage, *szUsage ? " " : "", kPasswordUsage);
    return false;
}

int WriteStdout(std::string_view sBytes)
{
    if (std::fwrite(sBytes.data(), 1, sBytes.size(), stdout) != sBytes.size() || std::fflush(stdout) != 0)
        return kExitFailure;
    return kExitOk;
}

int MenuDeviceCommand(const SKovctlGlobals& globals, const std::vector<std::string>& args, const char* szName,
                      uint32_t dwCommandId)
{
    SDeviceArgs a;
    if (!ParseDeviceArgs(szName, "", args, 0, 0, a))
        return kExitUsage;
    CDeviceSession session(globals, a.password, stderr);
    if (const int iExit = session.Connect())
        return iExit;
    const size_t nFrom = session.Mark();
    return SendMenuCommand(session, dwCommandId, nFrom, EOutcome::NoDevice);
}

int SendMenuCommand(CDeviceSession& session, uint32_t dwCommandId, size_t nFrom, EOutcome eNoDevice)
{
    const int nFailedBefore = session.FailedWrites();
    session.Frame().OnCommand(dwCommandId);
    if (session.OutcomeSince(nFrom, eNoDevice))
        return kExitFailure;
    return session.FailedWrites() == nFailedBefore ? kExitOk : session.SendFailed();
}

namespace {

// A page request that did not go out ends the command; 0 when it was sent.
int RequestOutcome(CDeviceSession& session, EDeviceRequest eRequest)
{
    switch (eRequest) {
    case EDeviceRequest::Sent: return kExitOk;
    case EDeviceRequest::SendFailed: return session.SendFailed();
    case EDeviceRequest::Declined:
    case EDeviceRequest::NotConnected: break; // the operator was told
    }
    return kExitFailure;
}

} // namespace

int CmdRead(const SKovctlGlobals& globals, const std::vector<std::string>& args)
{
    SDeviceArgs a;
    if (!ParseDeviceArgs("read", "[-o FILE]", args, kArgOutput, 0, a))
        return kExitUsage;
    CDeviceSession session(globals, a.password, stderr);
    if (const int iExit = session.Connect())
        return iExit;
    if (!session.ParametersLoaded())
        return kExitFailure; // the window said "Failed to load parameters"
    if (a.oOutput) {
        // File > Save As, with the file named on the command line.
        const size_t nFrom = session.Mark();
        session.View().SetFileChoice(Utf8ToUtf16(*a.oOutput));
        session.Frame().OnCommand(ID_FILE_SAVE_AS);
        return session.OutcomeSince(nFrom, EOutcome::FileSaveFailed) ? kExitFailure : kExitOk;
    }
    std::string sBytes;
    if (!session.Holder().LoadedDocument().ToUtf8(sBytes))
        return kExitFailure;
    return WriteStdout(sBytes);
}

int CmdWrite(const SKovctlGlobals& globals, const std::vector<std::string>& args)
{
    SDeviceArgs a;
    if (!ParseDeviceArgs("write", "[--raw] FILE", args, kArgRaw, 1, a))
        return kExitUsage;
    const std::u16string wszFile = Utf8ToUtf16(a.vFiles.front());
    // A file that cannot be read fails before the device is disturbed.
    TreeRef fileDocument;
    if (!fileDocument.LoadFromFile(wszFile)) {
        std::fprintf(stderr, "%s\n", Utf16ToUtf8(OutcomeText({EOutcome::FileOpenFailed})).c_str());
        return kExitFailure;
    }
    CDeviceSession session(globals, a.password, stderr);
    if (const int iExit = session.Connect())
        return iExit;
    size_t nFrom = session.Mark();
    if (a.bRaw) {
        // The file's document is the change document, unchanged.
        session.Holder().ChangeDocument() = fileDocument;
        session.View().OnOutcome({EOutcome::Saving});
        if (!session.Holder().WriteToDevice()) {
            session.View().OnOutcome({EOutcome::CannotSave});
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
        if (session.OutcomeSince(nFrom, EOutcome::FileOpenFailed))
            return kExitFailure;
        nFrom = session.Mark();
        session.Frame().OnCommand(ID_WRITE_TO_DEVICE);
        if (session.OutcomeSince(nFrom, EOutcome::CannotSave))
            return kExitFailure;
    }
    return session.WaitOutcome(nFrom, [](const SOutcome& outcome) -> std::optional<int> {
        switch (outcome.eOutcome) {
        case EOutcome::Saved: return kExitOk;
        case EOutcome::SaveFailed: return kExitFailure;
        default: return std::nullopt;
        }
    });
}

int CmdRestart(const SKovctlGlobals& globals, const std::vector<std::string>& args)
{
    return MenuDeviceCommand(globals, args, "restart", ID_RESET_DEVICE);
}

int CmdShutdown(const SKovctlGlobals& globals, const std::vector<std::string>& args)
{
    return MenuDeviceCommand(globals, args, "shutdown", ID_SHUTDOWN_DEVICE);
}

int CmdResetParameters(const SKovctlGlobals& globals, const std::vector<std::string>& args)
{
    SDeviceArgs a;
    if (!ParseDeviceArgs("reset-parameters", "", args, 0, 0, a))
        return kExitUsage;
    CDeviceSession session(globals, a.password, stderr);
    if (const int iExit = session.Connect())
        return iExit;
    // The Maintenance page's "Reset Parameters"; the console view answers its question yes.
    auto* pPage = dynamic_cast<CDeviceProgramDlg*>(session.Frame().PageArea().PageOf(kSubjectMaintenance));
    if (!pPage) {
        session.Report("Nothing was reset: the window has no Maintenance page");
        return kExitFailure;
    }
    const size_t nFrom = session.Mark();
    if (const int iExit = RequestOutcome(session, pPage->ResetParameters()))
        return iExit;
    // On success the window asks for the parameters again; the command ends when they came.
    return session.WaitOutcome(nFrom, [](const SOutcome& outcome) -> std::optional<int> {
        switch (outcome.eOutcome) {
        case EOutcome::ParametersLoaded: return kExitOk;
        case EOutcome::ParametersResetFailed:
        case EOutcome::ParametersUnreadable:
        case EOutcome::ParametersNotRequested: return kExitFailure;
        default: return std::nullopt;
        }
    });
}

int CmdDisableConsole(const SKovctlGlobals& globals, const std::vector<std::string>& args)
{
    SDeviceArgs a;
    if (!ParseDeviceArgs("disable-console", "", args, 0, 0, a))
        return kExitUsage;
    CDeviceSession session(globals, a.password, stderr);
    if (const int iExit = session.Connect())
        return iExit;
    // The page does nothing without a device; a command has to say why it did nothing.
    if (!session.Holder().IsConnected()) {
        session.Report(EOutcome::NoDevice);
        return kExitFailure;
    }
    const size_t nFrom = session.Mark();
    if (!session.Holder().SendCommand(DisableConsole))
        return session.SendFailed();
    return session.WaitOutcome(nFrom, [](const SOutcome& outcome) -> std::optional<int> {
        switch (outcome.eOutcome) {
        case EOutcome::ConsoleDisabled: return kExitOk;
        case EOutcome::ConsoleResult: return kExitFailure;
        default: return std::nullopt;
        }
    });
}

int CmdDeleteRecordings(const SKovctlGlobals& globals, const std::vector<std::string>& args)
{
    SDeviceArgs a;
    if (!ParseDeviceArgs("delete-recordings", "", args, 0, 0, a))
        return kExitUsage;
    CDeviceSession session(globals, a.password, stderr);
    if (const int iExit = session.Connect())
        return iExit;
    // The Recording page's "Delete all files now"; the console view answers its question yes.
    const size_t nFrom = session.Mark();
    if (const int iExit = RequestOutcome(
            session, DeleteAllRecordingFiles(&session.View(), &session.Holder(), &session.Frame())))
        return iExit;
    return session.WaitOutcome(nFrom, [](const SOutcome& outcome) -> std::optional<int> {
        if (outcome.eOutcome == EOutcome::RecordingsDeleted)
            return kExitOk;
        return std::nullopt;
    });
}

int CmdLog(const SKovctlGlobals& globals, const std::vector<std::string>& args)
{
    SDeviceArgs a;
    if (!ParseDeviceArgs("log", "", args, 0, 0, a))
        return kExitUsage;
    // Before the receive thread starts, so that only this thread takes Ctrl-C and SIGTERM.
    HoldStopSignals();
    CDeviceSession session(globals, a.password, stdout);
    session.WatchStopSignals();
    if (const int iExit = session.Connect(); iExit != kExitOk || session.Stopped())
        return iExit;
    // Selecting the Log subject turns the device's log output on; leaving it turns it off.
    session.Frame().Tree().Switch(kSubjectLog);
    // Runs until interrupted, until --wait passes without a line, or until whoever reads the
    // lines goes away (`kovctl log | head`), which is no failure.
    int iExit = kExitOk;
    EWaitEnd eEnd = EWaitEnd::Done;
    while (eEnd == EWaitEnd::Done && !session.LinesFailed()) {
        const int nLines = session.LinesPassed();
        eEnd = session.Pump([&] { return session.LinesPassed() != nLines || session.LinesFailed(); },
                            SessionClock::now() + std::chrono::seconds(globals.iWaitSeconds), true);
    }
    if (eEnd == EWaitEnd::TimedOut && session.LinesPassed() == 0) {
        session.Report("No log line from the device within " + std::to_string(globals.iWaitSeconds) +
                       " seconds");
        iExit = kExitNoDevice;
    } else if (eEnd != EWaitEnd::TimedOut) {
        iExit = session.Failure(eEnd);
    }
    session.Frame().Tree().Switch(kSubjectDeviceIdentification);
    return iExit;
}

} // namespace kov
