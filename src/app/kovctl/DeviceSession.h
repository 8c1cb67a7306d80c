#pragma once
// One connection of a kovctl command to a device, through the configurator's own main window
// logic: the presence poll finds and connects the device, the parameters are asked for (the
// password answered as Password.h tells), and the command then waits for the outcome the
// window reports when the device answers.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "app/kovctl/Commands.h"
#include "app/kovctl/ConsoleView.h"
#include "app/kovctl/Password.h"
#include "link/ParameterDocumentHolder.h"
#include "platform/DeviceRoot.h"
#include "platform/Signals.h"
#include "platform/Terminal.h"
#include "shell/MainFrame.h"
#include "support/TextCodec.h"

namespace kov {

using SessionClock = std::chrono::steady_clock;

// The window polls once a second; a command polls faster so that it starts as soon as the
// device is there.
inline constexpr auto kTickPeriod = std::chrono::milliseconds(100);
// How soon a stop signal is noticed while events are awaited.
inline constexpr auto kPumpSlice = std::chrono::milliseconds(50);

// The device transport, remembering what went out. Restart and shutdown are sent by the main
// window without looking at the result, and a command must know whether they went out; and a
// device's "unsupported command" is the refusal of a request only for a command this session
// sent. Frames are written whole from the interface thread (header, then payload), so the
// writes can be followed frame by frame.
class CWatchedTransport final : public IDeviceTransport {
public:
    CWatchedTransport(const std::string& sDeviceRoot, const std::string& sDeviceName)
        : m_pUsb(std::make_unique<CUsbDeviceTransport>(
              sDeviceRoot.empty() ? DefaultDeviceRoot() : sDeviceRoot, sDeviceName))
    {}

    int32_t CountDevices() const override { return m_pUsb->CountDevices(); }
    bool Open() override { return m_pUsb->Open(); }
    bool OpenDeniedAccess() const override { return m_pUsb->OpenDeniedAccess(); }
    bool WatchDeviceChanges(std::function<void()> fnChanged) override
    {
        return m_pUsb->WatchDeviceChanges(std::move(fnChanged));
    }
    STransferResult Read(void* pBuffer, int32_t iCount) override { return m_pUsb->Read(pBuffer, iCount); }
    STransferResult Write(const void* pBuffer, int32_t iCount) override
    {
        const STransferResult written = m_pUsb->Write(pBuffer, iCount);
        if (written.iCount != iCount) {
            ++m_nFailedWrites;
            m_dwPayloadLeft = 0; // the stream is broken; nothing more goes out on it
        } else if (m_dwPayloadLeft > 0) {
            m_dwPayloadLeft -= std::min(m_dwPayloadLeft, uint32_t(iCount));
        } else if (iCount == int32_t(kFrameHeaderSize)) {
            const SFrameHeader header = SFrameHeader::Decode(static_cast<const uint8_t*>(pBuffer));
            m_sentCommands.insert(header.dwCommandId);
            m_dwPayloadLeft = header.dwPayloadLength;
        }
        return written;
    }
    void Close(bool bForce) override { m_pUsb->Close(bForce); }
    std::vector<std::string> TakeNotices() override { return m_pUsb->TakeNotices(); }
    int FailedWrites() const { return m_nFailedWrites.load(); }
    // Whether a frame with the command id was written in this session.
    bool Sent(uint32_t dwCommandId) const { return m_sentCommands.contains(dwCommandId); }

private:
    std::unique_ptr<CUsbDeviceTransport> m_pUsb;
    std::atomic<int> m_nFailedWrites{0};
    // Written and read on the interface thread only.
    std::set<uint32_t> m_sentCommands;
    uint32_t m_dwPayloadLeft = 0;
};

// The device's reports (critical log, diagnostics) kept for the command instead of being
// written to report files and opened, as the window would.
class CReportCapture final : public IReportHandler {
public:
    void OnReportEvent(SDeviceEventData event) override { m_dqEvents.push_back(std::move(event)); }
    // Takes the oldest report of the kind; false when none came.
    bool Take(DeviceEvent eEvent, SDeviceEventData& rEvent)
    {
        auto it = std::find_if(m_dqEvents.begin(), m_dqEvents.end(),
                               [&](const SDeviceEventData& event) { return event.eEvent == eEvent; });
        if (it == m_dqEvents.end())
            return false;
        rEvent = std::move(*it);
        m_dqEvents.erase(it);
        return true;
    }

private:
    std::deque<SDeviceEventData> m_dqEvents;
};

enum class EWaitEnd { Done, TimedOut, Disconnected, PasswordMissing, PasswordRefused, Stopped };

// The exit code an outcome decides, or nullopt while the wait goes on.
using FnOutcome = std::function<std::optional<int>(const SOutcome&)>;

// One connection to the first device that appears, through the main window's logic.
class CDeviceSession {
public:
    // Device log lines go to pLines; everything else the window shows goes to standard error.
    CDeviceSession(const SKovctlGlobals& globals, const SPasswordArgs& password, std::FILE* pLines)
        : m_iWaitSeconds(globals.iWaitSeconds), m_view(stderr), m_sDeviceName(globals.sDeviceName),
          m_frame(m_view, Settings(globals.sDeviceRoot, globals.sDeviceName, m_pTransport)), m_pLines(pLines)
    {
        m_frame.SetReportHandler(&m_reports);
        std::optional<std::string> oPassword;
        m_bPasswordUnreadable = !ResolvePassword(password, oPassword, m_sPasswordError);
        m_bHasPassword = oPassword.has_value();
        if (oPassword)
            m_view.SetPassword(Utf8ToUtf16(*oPassword));
        else if (IsTerminal(EStdStream::Input))
            m_view.SetPasswordPrompt([this] { return AskPassword(); });
        m_view.SetOnOutcome([this](const SOutcome& outcome) { OnOutcome(outcome); });
    }

    // Presence ticks until the window connects a device, then waits for the parameters it asks
    // for. kExitOk also when the device's document did not parse (see ParametersLoaded): some
    // commands are the remedy for exactly that.
    int Connect()
    {
        if (m_bPasswordUnreadable) {
            Report("kovctl: " + m_sPasswordError);
            return kExitFailure;
        }
        m_view.SetQuiet(true); // the window's start-up "Ready" means nothing here
        m_frame.Create();
        m_view.SetQuiet(false);
        const size_t nFrom = Mark();
        const auto tEnd = SessionClock::now() + std::chrono::seconds(m_iWaitSeconds);
        for (;;) {
            m_frame.PresenceTick();
            if (m_frame.Holder().IsConnected())
                break;
            // Why a device was not taken, said while looking for one.
            for (SDeviceEventData event; m_frame.EventQueue().TryTake(event);)
                Handle(std::move(event));
            if (OutcomeSince(nFrom, EOutcome::ConnectionFailed))
                return kExitFailure;
            const auto tNow = SessionClock::now();
            if (tNow >= tEnd) {
                Report((m_sDeviceName.empty() ? "No device" : "No device named \"" + m_sDeviceName + "\"") +
                       " found within " + std::to_string(m_iWaitSeconds) + " seconds");
                return kExitNoDevice;
            }
            const auto pause = std::min<SessionClock::duration>(kTickPeriod, tEnd - tNow);
            if (!m_bWatchStopSignals) {
                std::this_thread::sleep_for(pause);
            } else if (WaitForStopSignal(int(std::chrono::ceil<std::chrono::milliseconds>(pause).count())) !=
                       0) {
                m_bStopped = true;
                return kExitOk;
            }
        }
        return WaitOutcome(nFrom, [this](const SOutcome& outcome) -> std::optional<int> {
            switch (outcome.eOutcome) {
            case EOutcome::ParametersLoaded: m_bParametersLoaded = true; return kExitOk;
            case EOutcome::ParametersUnreadable: return kExitOk;
            case EOutcome::ParametersNotRequested: return kExitFailure;
            default: return std::nullopt;
            }
        });
    }

    bool ParametersLoaded() const { return m_bParametersLoaded; }
    // SIGINT and SIGTERM (held by the caller) end every wait; Stopped() tells afterwards.
    void WatchStopSignals() { m_bWatchStopSignals = true; }
    bool Stopped() const { return m_bStopped; }
    CMainFrame& Frame() { return m_frame; }
    CConsoleView& View() { return m_view; }
    ParameterDocumentHolder& Holder() { return m_frame.Holder(); }
    size_t Mark() const { return m_view.Outcomes().size(); }
    int LinesPassed() const { return m_nLinesPassed; }
    bool LinesFailed() const { return m_bLinesFailed; }
    void Report(const std::string& sLine) { m_view.Report(Utf8ToUtf16(sLine)); }
    void Report(EOutcome eOutcome) { m_view.Report(OutcomeText({eOutcome})); }

    bool OutcomeSince(size_t nFrom, EOutcome eOutcome) const
    {
        const auto& vOutcomes = m_view.Outcomes();
        return std::any_of(vOutcomes.begin() + long(nFrom), vOutcomes.end(),
                           [&](const SOutcome& outcome) { return outcome.eOutcome == eOutcome; });
    }

    // Handles events until fnOutcome gives an exit code for an outcome after nFrom, fnReady
    // (when given) holds (kExitOk), or a reply took longer than --wait. A device refusing one
    // of this session's commands ends the wait as a failure; a frame the program does not know
    // only tells the operator.
    int WaitOutcome(size_t nFrom, const FnOutcome& fnOutcome, const std::function<bool()>& fnReady = {})
    {
        std::optional<int> oExit;
        size_t nNext = nFrom;
        auto fnDone = [&] {
            const auto& vOutcomes = m_view.Outcomes();
            for (; !oExit && nNext < vOutcomes.size(); ++nNext) {
                const SOutcome& outcome = vOutcomes[nNext];
                if (outcome.eOutcome == EOutcome::NotAuthorized || IsRefusal(outcome))
                    oExit = kExitFailure;
                else
                    oExit = fnOutcome(outcome);
            }
            if (!oExit && fnReady && fnReady())
                oExit = kExitOk;
            return oExit.has_value();
        };
        const EWaitEnd eEnd =
            Pump(fnDone, SessionClock::now() + std::chrono::seconds(m_iWaitSeconds), m_bWatchStopSignals);
        return eEnd == EWaitEnd::Done ? *oExit : Failure(eEnd);
    }

    // Waits as WaitOutcome does for the device's report of the kind (the critical log or a
    // diagnostic report); kExitOk with the report in rEvent.
    int WaitReport(size_t nFrom, DeviceEvent eEvent, SDeviceEventData& rEvent)
    {
        return WaitOutcome(
            nFrom, [](const SOutcome&) { return std::optional<int>(); },
            [&] { return m_reports.Take(eEvent, rEvent); });
    }

    // The device's "unsupported command" for a command this session sent.
    bool IsRefusal(const SOutcome& outcome) const
    {
        return outcome.eOutcome == EOutcome::UnsupportedCommand &&
               m_pTransport->Sent(uint32_t(outcome.iCode));
    }

    // Handles events until fnDone holds, the time is up, the link closes, the password cannot
    // be answered, or (bStopSignals) SIGINT or SIGTERM arrives.
    EWaitEnd Pump(const std::function<bool()>& fnDone, SessionClock::time_point tEnd, bool bStopSignals)
    {
        while (!fnDone()) {
            if (m_oEnd)
                return *m_oEnd;
            if (bStopSignals && WaitForStopSignal(0) != 0)
                return EWaitEnd::Stopped;
            const auto tNow = SessionClock::now();
            if (tNow >= tEnd)
                return EWaitEnd::TimedOut;
            const auto slice = std::chrono::ceil<std::chrono::milliseconds>(
                std::min<SessionClock::duration>(kPumpSlice, tEnd - tNow));
            SDeviceEventData event;
            if (!m_frame.EventQueue().WaitAndTake(event, slice))
                continue;
            Handle(std::move(event));
            if (m_oEnd)
                return *m_oEnd;
        }
        return EWaitEnd::Done;
    }

    // Prints why a wait ended without its outcome; the exit code.
    int Failure(EWaitEnd eEnd)
    {
        switch (eEnd) {
        case EWaitEnd::Done: return kExitOk;
        case EWaitEnd::Stopped: m_bStopped = true; return kExitOk;
        case EWaitEnd::TimedOut:
            Report("No reply from the device within " + std::to_string(m_iWaitSeconds) + " seconds");
            return kExitNoDevice;
        case EWaitEnd::Disconnected: return kExitFailure; // the window said "Device disconnected"
        case EWaitEnd::PasswordMissing:
            Report(std::string("The device asks for its configuration password: give it with --password-file "
                               "FILE, ") +
                   kPasswordVariable + " or --password PW (which other users can see)");
            return kExitFailure;
        case EWaitEnd::PasswordRefused: Report("The device did not accept the password"); return kExitFailure;
        }
        return kExitFailure;
    }

    // After a request that could not be written: the link is going down; let the window say so.
    int SendFailed()
    {
        const EWaitEnd eEnd =
            Pump([] { return false; }, SessionClock::now() + std::chrono::seconds(m_iWaitSeconds), false);
        if (eEnd != EWaitEnd::Disconnected)
            Report(EOutcome::NoDevice);
        return kExitFailure;
    }

    int FailedWrites() const { return m_pTransport->FailedWrites(); }

private:
    static SMainFrameSettings Settings(const std::string& sDeviceRoot, const std::string& sDeviceName,
                                       CWatchedTransport*& pTransport)
    {
        SMainFrameSettings settings;
        auto pWatched = std::make_unique<CWatchedTransport>(sDeviceRoot, sDeviceName);
        pTransport = pWatched.get();
        settings.pTransport = std::move(pWatched);
        settings.oOptionsFile = std::u16string(); // the desktop program's options are its own
        return settings;
    }

    // From inside the window's handling: the password dialog that follows is cancelled, and
    // quietly, when the session ends on it.
    void OnOutcome(const SOutcome& outcome)
    {
        switch (outcome.eOutcome) {
        case EOutcome::PasswordNeeded:
            if (!m_bHasPassword && !m_view.HasPasswordPrompt())
                End(EWaitEnd::PasswordMissing);
            break;
        case EOutcome::PasswordRefused:
            // Typed at the terminal: a typing error may be mended, a few times.
            if (m_bHasPassword || m_nPrompts >= kMaxPrompts)
                End(EWaitEnd::PasswordRefused);
            else
                Report("The device did not accept the password");
            break;
        case EOutcome::Disconnected: m_oEnd = EWaitEnd::Disconnected; break;
        default: break;
        }
    }
    // The password typed at the terminal, or nullopt (the dialog is cancelled) when none came.
    std::optional<std::u16string> AskPassword()
    {
        std::string sTyped;
        if (m_oEnd)
            return std::nullopt;
        ++m_nPrompts;
        if (ReadSecretLine("Configuration password: ", sTyped))
            return Utf8ToUtf16(sTyped);
        End(EWaitEnd::PasswordMissing);
        return std::nullopt;
    }
    void End(EWaitEnd eEnd)
    {
        m_oEnd = eEnd;
        m_view.SetPassword(std::nullopt);
        m_view.SetQuiet(true);
    }

    void Handle(SDeviceEventData event)
    {
        // The receive loop's own error lines are a report, never device log output.
        const bool bErrorLine = event.eEvent == DeviceEvent::DeviceTextEvent && event.wParam == 0;
        m_frame.HandleDeviceEvent(std::move(event));
        PassLogLines(bErrorLine ? stderr : m_pLines);
    }

    // Moves what the log view collected to the console; the view keeps nothing, so a long
    // `log` run does not grow.
    void PassLogLines(std::FILE* pOut)
    {
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

    static constexpr int kMaxPrompts = 3;

    const int m_iWaitSeconds;
    bool m_bHasPassword = false;
    bool m_bPasswordUnreadable = false;
    std::string m_sPasswordError;
    int m_nPrompts = 0;
    CWatchedTransport* m_pTransport = nullptr; // owned by the window's device link
    CConsoleView m_view;
    CReportCapture m_reports;
    const std::string m_sDeviceName;
    CMainFrame m_frame;
    std::FILE* m_pLines;
    std::optional<EWaitEnd> m_oEnd; // the link closed or the password cannot be answered
    bool m_bParametersLoaded = false;
    bool m_bWatchStopSignals = false;
    bool m_bStopped = false;
    int m_nLinesPassed = 0;
    bool m_bLinesFailed = false;
};

} // namespace kov
