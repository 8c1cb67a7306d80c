#pragma once
// A modal dialog built from the same controls as a page.
//
// The host opens it with BeginModal (which initialises it), the operator works on its controls,
// and OK or Cancel ends it. OK first asks OnOk, which may show a message box and refuse: the
// dialog then stays open. The renderer maps Enter to PressOk and Escape or the window's close
// button to PressCancel, and closes its window when told DialogEnded.
#include <string>
#include <utility>

#include "form/Form.h"

namespace kov {

class CDialog : public CForm {
public:
    explicit CDialog(std::u16string wszTitle);

    // Appends the row of "OK" (kIdOk) and "Cancel" (kIdCancel) at the right; call it last.
    void AddOkCancel(std::u16string wszOk = u"OK", std::u16string wszCancel = u"Cancel");

    // Called by the host: opens the dialog and initialises it.
    void BeginModal();
    bool IsOpen() const { return m_bOpen; }
    EDlgResult Result() const { return m_eResult; }
    // Ends an open dialog with the result; ignored when it is not open.
    void EndDialog(EDlgResult eResult);

    void PressOk();
    void PressCancel();

    bool AcceptsInput() const override { return m_bOpen; }

protected:
    // Validation of OK: true ends the dialog with Ok. Take the fields into the entry here.
    virtual bool OnOk() { return true; }
    virtual void OnCancel() {}

private:
    bool m_bOpen = false;
    bool m_bInOk = false;
    EDlgResult m_eResult = EDlgResult::None;
};

} // namespace kov
