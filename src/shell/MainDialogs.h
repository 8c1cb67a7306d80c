#pragma once
// The main window's own dialogs: the configuration password request and the About box.
#include <string>

#include "form/Dialog.h"

namespace kov {

class CPwdDlg final : public CDialog {
public:
    static constexpr int IDC_PASSWORD = 1100;

    CPwdDlg();
    // The text of the field when the dialog ended with OK.
    const std::u16string& Password() const { return m_wszPassword; }

protected:
    bool OnOk() override;

private:
    std::u16string m_wszPassword;
};

class CAboutDlg final : public CDialog {
public:
    static constexpr int IDC_ABOUT_TEXT = 1110;

    explicit CAboutDlg(const std::u16string& wszText);
};

} // namespace kov
