#pragma once
// A form host without windows, for tests of every layer: it records each message box and file
// dialog, answers them from queues, and runs each modal dialog through the next queued script.
//
// A script receives the open dialog and acts as the operator: it types, clicks, chooses, and
// finally presses OK or Cancel (by clicking kIdOk / kIdCancel, or with PressOk / PressCancel).
// Anything that does not go as the test said is collected in Errors(), so a test ends with
// EXPECT_TRUE(host.Errors().empty()):
//   - a dialog opened with no script queued, or with another title than the script expects
//     (the dialog is cancelled);
//   - a dialog still open when its script returns (it is cancelled);
//   - a question (OK/Cancel, Yes/No) with no answer queued (the negative answer is given), or
//     answered with a result that is not one of its buttons;
//   - a file dialog with no path queued (cancelled).
// Message boxes with OK only need no answer.
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "form/Dialog.h"
#include "form/FormHost.h"

namespace kov {

struct SMessageRecord {
    std::u16string wszText;
    std::u16string wszCaption;
    EMsgButtons eButtons = EMsgButtons::Ok;
    EMsgIcon eIcon = EMsgIcon::None;
    EDlgResult eAnswer = EDlgResult::Ok;
};

struct SFileDialogRecord {
    bool bSave = false;
    SFileDialogOptions options;
};

class CScriptedFormHost : public IFormHost {
public:
    using FnDialogScript = std::function<void(CDialog&)>;

    // Scripts run in the order queued, one per dialog opened (nested dialogs take the next one).
    // An empty title accepts any dialog.
    void ExpectDialog(std::u16string wszTitle, FnDialogScript fnScript);
    // Answers to questions, in order.
    void QueueAnswer(EDlgResult eAnswer);
    // Answers to file dialogs, in order; nullopt cancels.
    void QueueFile(std::optional<std::u16string> wszPath);

    const std::vector<SMessageRecord>& Messages() const { return m_vMessages; }
    // The last message box, or an empty record when none was shown.
    SMessageRecord LastMessage() const;
    const std::vector<std::u16string>& DialogsShown() const { return m_vDialogs; }
    const std::vector<SFileDialogRecord>& FileDialogs() const { return m_vFileDialogs; }
    const std::vector<std::string>& Errors() const { return m_vErrors; }
    // Whether every queued script, answer and path was used.
    bool AllConsumed() const { return m_dqScripts.empty() && m_dqAnswers.empty() && m_dqFiles.empty(); }
    void ClearRecords();

    EDlgResult RunModal(CDialog& rDialog) override;
    EDlgResult MessageBox(std::u16string_view wszText, std::u16string_view wszCaption, EMsgButtons eButtons,
                          EMsgIcon eIcon) override;
    std::optional<std::u16string> OpenFileDialog(const SFileDialogOptions& options) override;
    std::optional<std::u16string> SaveFileDialog(const SFileDialogOptions& options) override;
    void ShowModeless(CForm& rForm) override { m_shown.insert(&rForm); }
    void HideModeless(CForm& rForm) override { m_shown.erase(&rForm); }
    bool IsModelessShown(const CForm& rForm) const override { return m_shown.contains(&rForm); }
    bool SetClipboardText(std::u16string_view wszText) override
    {
        m_wszClipboard = wszText;
        return true;
    }
    const std::u16string& ClipboardText() const { return m_wszClipboard; }

private:
    struct SScript {
        std::u16string wszTitle;
        FnDialogScript fnScript;
    };
    std::optional<std::u16string> FileDialog(bool bSave, const SFileDialogOptions& options);
    void Error(std::string szWhat, std::u16string_view wszSubject);

    std::deque<SScript> m_dqScripts;
    std::deque<EDlgResult> m_dqAnswers;
    std::deque<std::optional<std::u16string>> m_dqFiles;
    std::vector<SMessageRecord> m_vMessages;
    std::vector<std::u16string> m_vDialogs;
    std::vector<SFileDialogRecord> m_vFileDialogs;
    std::vector<std::string> m_vErrors;
    std::set<const CForm*> m_shown;
    std::u16string m_wszClipboard;
};

} // namespace kov
