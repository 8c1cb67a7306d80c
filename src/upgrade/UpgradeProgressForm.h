#pragma once
// The upgrade's progress window as a form: the status line, a progress bar and Cancel, and
// what the window does with each report of the run. The owner posts every report it receives
// from the run's thread to its own thread and hands it to OnReport there.
//
// The window is a small modeless window of the owner's (the form host's ShowModeless),
// captioned "Application Upgrade". It opens on Start when it is not open, closes on the final
// reports, and stays open after a Failed message, to be used again by the next Start. Message
// boxes go through the form's host; set it before the first Start.
#include <functional>
#include <string_view>

#include "form/Form.h"
#include "upgrade/ApplicationUpgrade.h"

namespace kov {

// Opens an address or a file with the system's default handler; false when nothing opened it.
using FnOpenWithDefaultHandler = std::function<bool(std::u16string_view wszTarget)>;

class CUpgradeProgressForm final : public CForm {
public:
    enum : int { IDC_CANCEL = 2, IDC_PROGRESS = 2001, IDC_STATUS = 2002 };

    // fnOpen opens the download page in the browser when the site has no version folder.
    CUpgradeProgressForm(CApplicationUpgrade& rUpgrade, FnOpenWithDefaultHandler fnOpen);

    // Shows the window when it is not open (status "Starting Upgrade") and starts a run.
    // While a run is going on it only brings the window to the front and returns false.
    bool Start();
    // One report of the run, on the owner's thread. Saved posts the finish message to the
    // upgrade's owner: the event FinishMessage() with OwnerParam() as lParam and the saved path
    // as its text.
    void OnReport(const SUpgradeReport& report);
    bool IsOpen() const { return m_bOpen; }

    // The window's close button: Cancel while a run is going on (its last report then closes
    // the window), else the window closes.
    void OnWindowClose() override;

private:
    void Close();

    CApplicationUpgrade& m_rUpgrade;
    FnOpenWithDefaultHandler m_fnOpen;
    bool m_bOpen = false;
};

} // namespace kov
