#pragma once
// The main window's view for kovctl. Outcomes with a text and message boxes become lines on the
// report stream (standard error), the password dialog is answered with the password given to
// the command (or typed at a prompt), yes/no questions are answered yes (the operator asked for the action by
// running the command), the OK/Cancel question before programming is printed and answered by
// the command, and file dialogs and the diagnostic type selection choose what the command line
// named. Every outcome is
// also kept, so a command can wait for the one that ends its operation.
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shell/MainView.h"

namespace kov {

class CConsoleView final : public IMainView {
public:
    explicit CConsoleView(std::FILE* pReport) : m_pReport(pReport) {}

    // nullopt: the password dialog is cancelled, unless a prompt is set.
    void SetPassword(std::optional<std::u16string> oPassword) { m_oPassword = std::move(oPassword); }
    // Asked for the password dialog's answer when no password is set; nullopt cancels it.
    void SetPasswordPrompt(std::function<std::optional<std::u16string>()> fn) { m_fnPrompt = std::move(fn); }
    bool HasPasswordPrompt() const { return static_cast<bool>(m_fnPrompt); }
    // The path the next file dialogs choose; nullopt: they are cancelled.
    void SetFileChoice(std::optional<std::u16string> oPath) { m_oFileChoice = std::move(oPath); }
    // The diagnostic type (its position in the device's list) the type selection chooses;
    // nullopt: it is cancelled.
    void SetDiagnosticChoice(std::optional<uint32_t> oPosition) { m_oDiagnosticChoice = oPosition; }
    // Outcomes while quiet are kept but not printed (the window's start-up "Ready").
    void SetQuiet(bool bQuiet) { m_bQuiet = bQuiet; }
    // Called with each outcome as it happens, before it is printed, so that the command can
    // act on it (cancel the password dialog that follows, go quiet) from inside the window's
    // handling.
    void SetOnOutcome(std::function<void(const SOutcome&)> fn) { m_fnOnOutcome = std::move(fn); }
    // Answers the OK/Cancel questions (true: OK) after they are printed. Without it they are
    // cancelled: a command must not start programming it was not asked for.
    void SetConfirmation(std::function<bool(std::u16string_view wszQuestion)> fn)
    {
        m_fnConfirm = std::move(fn);
    }
    // Prints one line of the command's own on the report stream.
    void Report(std::u16string_view wszLine);
    // A progress line: bInPlace redraws it over the previous one (a terminal) until the next
    // report ends it; otherwise it is a line of its own.
    void ShowProgress(std::u16string_view wszLine, bool bInPlace);
    // Ends a progress line drawn in place.
    void EndProgress();

    const std::vector<SOutcome>& Outcomes() const { return m_vOutcomes; }
    int PasswordsTyped() const { return m_nPasswordsTyped; }

    // IFormHost
    EDlgResult RunModal(CDialog& rDialog) override;
    EDlgResult MessageBox(std::u16string_view wszText, std::u16string_view wszCaption, EMsgButtons eButtons,
                          EMsgIcon eIcon) override;
    std::optional<std::u16string> OpenFileDialog(const SFileDialogOptions& options) override;
    std::optional<std::u16string> SaveFileDialog(const SFileDialogOptions& options) override;

    // IOutcomeObserver
    void OnOutcome(const SOutcome& outcome) override;

    // IMainView
    void SetTitle(std::u16string_view) override {}
    // A console has no desktop to hand files or addresses to.
    bool OpenWithDefaultHandler(std::u16string_view, std::u16string_view = {}) override { return false; }
    // The command decides when the run ends; there is no window to close.
    void PostCloseRequest() override {}
    void DestroyWindow() override {}
    // The command's own loop ticks the presence poll.
    void StartTimer(uint32_t, uint32_t) override {}
    void CommandStateChanged(uint32_t) override {}
    void ShowBar(EBar, bool) override {}
    void ShowTreePane(bool) override {}
    void SendEditCommand(uint32_t) override {}
    void ShowPageWindow(int32_t, CForm*) override {}
    void ShowTreeSelection(int32_t) override {}

private:
    std::FILE* m_pReport;
    std::optional<std::u16string> m_oPassword;
    std::function<std::optional<std::u16string>()> m_fnPrompt;
    std::optional<std::u16string> m_oFileChoice;
    std::optional<uint32_t> m_oDiagnosticChoice;
    std::function<bool(std::u16string_view)> m_fnConfirm;
    std::function<void(const SOutcome&)> m_fnOnOutcome;
    size_t m_nProgressWidth = 0; // of the line drawn in place; 0: none open
    bool m_bQuiet = false;
    int m_nPasswordsTyped = 0;
    std::vector<SOutcome> m_vOutcomes;
};

// The log view's lines as console text: "\r\n" line ends become "\n".
std::string ConsoleLines(std::u16string_view wszLogText);

} // namespace kov
