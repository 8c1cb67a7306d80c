#include "form/Dialog.h"

namespace kov {

CDialog::CDialog(std::u16string wszTitle) : CForm(std::move(wszTitle)) {}

void CDialog::AddOkCancel(std::u16string wszOk, std::u16string wszCancel)
{
    BeginRow();
    AddStretch();
    AddButton(kIdOk, std::move(wszOk)).SetOnClick([this] { PressOk(); });
    AddButton(kIdCancel, std::move(wszCancel)).SetOnClick([this] { PressCancel(); });
    End();
}

void CDialog::BeginModal()
{
    m_bOpen = true;
    m_eResult = EDlgResult::None;
    Initialise();
}

void CDialog::EndDialog(EDlgResult eResult)
{
    if (!m_bOpen) {
        return;
    }
    m_bOpen = false;
    m_eResult = eResult;
    NotifyForm(EFormChange::DialogEnded);
}

void CDialog::PressOk()
{
    // A second OK while the first one's validation shows its message box is dropped.
    if (!m_bOpen || m_bInOk) {
        return;
    }
    m_bInOk = true;
    bool bAccepted = OnOk();
    m_bInOk = false;
    if (bAccepted) {
        EndDialog(EDlgResult::Ok);
    }
}

void CDialog::PressCancel()
{
    if (!m_bOpen) {
        return;
    }
    OnCancel();
    EndDialog(EDlgResult::Cancel);
}

} // namespace kov
