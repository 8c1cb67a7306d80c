#include "form/ScriptedFormHost.h"

#include <utility>

#include "support/TextCodec.h"

namespace kov {

void CScriptedFormHost::ExpectDialog(std::u16string wszTitle, FnDialogScript fnScript)
{
    m_dqScripts.push_back({std::move(wszTitle), std::move(fnScript)});
}

void CScriptedFormHost::QueueAnswer(EDlgResult eAnswer)
{
    m_dqAnswers.push_back(eAnswer);
}

void CScriptedFormHost::QueueFile(std::optional<std::u16string> wszPath)
{
    m_dqFiles.push_back(std::move(wszPath));
}

SMessageRecord CScriptedFormHost::LastMessage() const
{
    return m_vMessages.empty() ? SMessageRecord{} : m_vMessages.back();
}

void CScriptedFormHost::ClearRecords()
{
    m_vMessages.clear();
    m_vDialogs.clear();
    m_vFileDialogs.clear();
    m_vErrors.clear();
}

void CScriptedFormHost::Error(std::string szWhat, std::u16string_view wszSubject)
{
    m_vErrors.push_back(std::move(szWhat) + " \"" + Utf16ToUtf8(wszSubject) + "\"");
}

EDlgResult CScriptedFormHost::RunModal(CDialog& rDialog)
{
    m_vDialogs.push_back(rDialog.Title());
    rDialog.SetHost(this);
    rDialog.BeginModal();
    if (m_dqScripts.empty()) {
        Error("no script for dialog", rDialog.Title());
    } else {
        // Taken off the queue first: the script may open further dialogs.
        SScript script = std::move(m_dqScripts.front());
        m_dqScripts.pop_front();
        if (!script.wszTitle.empty() && script.wszTitle != rDialog.Title()) {
            Error("script for \"" + Utf16ToUtf8(script.wszTitle) + "\" got dialog", rDialog.Title());
        } else if (script.fnScript) {
            script.fnScript(rDialog);
            if (rDialog.IsOpen()) {
                Error("dialog left open by its script", rDialog.Title());
            }
        }
    }
    rDialog.EndDialog(EDlgResult::Cancel);
    return rDialog.Result();
}

EDlgResult CScriptedFormHost::MessageBox(std::u16string_view wszText, std::u16string_view wszCaption,
                                         EMsgButtons eButtons, EMsgIcon eIcon)
{
    SMessageRecord record{std::u16string(wszText), std::u16string(wszCaption), eButtons, eIcon,
                          EDlgResult::Ok};
    if (eButtons != EMsgButtons::Ok) {
        EDlgResult eYes = eButtons == EMsgButtons::YesNo ? EDlgResult::Yes : EDlgResult::Ok;
        EDlgResult eNo = eButtons == EMsgButtons::YesNo ? EDlgResult::No : EDlgResult::Cancel;
        record.eAnswer = eNo;
        if (m_dqAnswers.empty()) {
            Error("no answer queued for question", wszText);
        } else {
            EDlgResult eAnswer = m_dqAnswers.front();
            m_dqAnswers.pop_front();
            if (eAnswer == eYes || eAnswer == eNo) {
                record.eAnswer = eAnswer;
            } else {
                Error("queued answer does not fit the buttons of", wszText);
            }
        }
    }
    m_vMessages.push_back(record);
    return record.eAnswer;
}

std::optional<std::u16string> CScriptedFormHost::FileDialog(bool bSave, const SFileDialogOptions& options)
{
    m_vFileDialogs.push_back({bSave, options});
    if (m_dqFiles.empty()) {
        Error("no path queued for file dialog", options.wszTitle);
        return std::nullopt;
    }
    std::optional<std::u16string> wszPath = std::move(m_dqFiles.front());
    m_dqFiles.pop_front();
    return wszPath;
}

std::optional<std::u16string> CScriptedFormHost::OpenFileDialog(const SFileDialogOptions& options)
{
    return FileDialog(false, options);
}

std::optional<std::u16string> CScriptedFormHost::SaveFileDialog(const SFileDialogOptions& options)
{
    return FileDialog(true, options);
}

} // namespace kov
