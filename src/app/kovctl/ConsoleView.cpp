#include "app/kovctl/ConsoleView.h"

#include <algorithm>

#include "form/Controls.h"
#include "form/Dialog.h"
#include "shell/Diagnostics.h"
#include "shell/MainDialogs.h"
#include "support/TextCodec.h"

namespace kov {

void CConsoleView::Report(std::u16string_view wszLine)
{
    EndProgress();
    const std::string sLine = Utf16ToUtf8(wszLine) + "\n";
    std::fwrite(sLine.data(), 1, sLine.size(), m_pReport);
    std::fflush(m_pReport);
}

void CConsoleView::ShowProgress(std::u16string_view wszLine, bool bInPlace)
{
    if (!bInPlace) {
        Report(wszLine);
        return;
    }
    std::string sLine(1, '\r');
    sLine += Utf16ToUtf8(wszLine);
    // Blank out what a longer previous line left behind.
    const size_t nWidth = sLine.size() - 1;
    if (nWidth < m_nProgressWidth)
        sLine.append(m_nProgressWidth - nWidth, ' ');
    m_nProgressWidth = std::max<size_t>(nWidth, 1);
    std::fwrite(sLine.data(), 1, sLine.size(), m_pReport);
    std::fflush(m_pReport);
}

void CConsoleView::EndProgress()
{
    if (m_nProgressWidth == 0)
        return;
    m_nProgressWidth = 0;
    std::fputc('\n', m_pReport);
    std::fflush(m_pReport);
}

void CConsoleView::OnOutcome(const SOutcome& outcome)
{
    m_vOutcomes.push_back(outcome);
    if (m_fnOnOutcome)
        m_fnOnOutcome(outcome);
    const EOutcomeShown eShown = OutcomeForm(outcome.eOutcome).eShown;
    if (!m_bQuiet && (eShown == EOutcomeShown::Status || eShown == EOutcomeShown::Message ||
                      eShown == EOutcomeShown::LogLine))
        Report(OutcomeText(outcome));
}

EDlgResult CConsoleView::MessageBox(std::u16string_view wszText, std::u16string_view, EMsgButtons eButtons,
                                    EMsgIcon)
{
    switch (eButtons) {
    case EMsgButtons::YesNo: return EDlgResult::Yes; // answered by running the command
    case EMsgButtons::OkCancel:
        if (!m_bQuiet)
            Report(wszText);
        return m_fnConfirm && m_fnConfirm(wszText) ? EDlgResult::Ok : EDlgResult::Cancel;
    case EMsgButtons::Ok: break;
    }
    if (!m_bQuiet)
        Report(wszText);
    return EDlgResult::Ok;
}

EDlgResult CConsoleView::RunModal(CDialog& rDialog)
{
    rDialog.SetHost(this);
    rDialog.BeginModal();
    std::optional<std::u16string> oPassword;
    if (dynamic_cast<CPwdDlg*>(&rDialog))
        oPassword = m_oPassword || !m_fnPrompt ? m_oPassword : m_fnPrompt();
    if (oPassword) {
        rDialog.Type(CPwdDlg::IDC_PASSWORD, *oPassword);
        rDialog.PressOk();
        if (rDialog.Result() == EDlgResult::Ok)
            ++m_nPasswordsTyped;
    }
    if (dynamic_cast<CSelDiagInfoDlg*>(&rDialog) && m_oDiagnosticChoice) {
        const auto* pList = rDialog.Find<CDropDownList>(CSelDiagInfoDlg::IDC_DIAGNOSTIC_TYPE);
        rDialog.Choose(CSelDiagInfoDlg::IDC_DIAGNOSTIC_TYPE, pList->FindItemByData(*m_oDiagnosticChoice));
        rDialog.PressOk();
    }
    // Any other dialog needs an operator at a screen.
    rDialog.EndDialog(EDlgResult::Cancel);
    return rDialog.Result();
}

std::optional<std::u16string> CConsoleView::OpenFileDialog(const SFileDialogOptions&)
{
    return m_oFileChoice;
}

std::optional<std::u16string> CConsoleView::SaveFileDialog(const SFileDialogOptions&)
{
    return m_oFileChoice;
}

std::string ConsoleLines(std::u16string_view wszLogText)
{
    std::string sText = Utf16ToUtf8(wszLogText);
    std::string sOut;
    sOut.reserve(sText.size());
    for (size_t i = 0; i < sText.size(); ++i) {
        if (sText[i] == '\r' && i + 1 < sText.size() && sText[i + 1] == '\n')
            continue;
        sOut += sText[i];
    }
    return sOut;
}

} // namespace kov
