#include "shell/MainDialogs.h"

#include "form/Controls.h"

namespace kov {

CPwdDlg::CPwdDlg() : CDialog(u"Password Request")
{
    AddPasswordEdit(IDC_PASSWORD, u"Password:");
    AddOkCancel();
}

bool CPwdDlg::OnOk()
{
    m_wszPassword = Find<CEdit>(IDC_PASSWORD)->Text();
    return true;
}

CAboutDlg::CAboutDlg(const std::u16string& wszText) : CDialog(u"About")
{
    AddLabel(IDC_ABOUT_TEXT, wszText);
    BeginRow();
    AddStretch();
    AddButton(kIdOk, u"OK").SetOnClick([this] { PressOk(); });
    End();
}

} // namespace kov
