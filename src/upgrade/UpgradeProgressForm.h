#pragma once
// The upgrade's progress window as a form: the status line, a progress bar and Cancel, and
// what the window does with each report of the run. The owner posts every report it receives
// from the run's thread to its own thread and hands it to OnReport there.
//
// The window is a small popup owned by the owner's window, captioned "Application Upgrade",
// without a system menu. It opens on Start when it is not open, closes on the final reports,
// and stays open after a Failed message, to be used again by the next Start.
#include <string_view>

#include "form/Form.h"
#include "upgrade/ApplicationUpgrade.h"

namespace kov {

class CUpgradeProgressForm;

// What the window needs from the owner's screen besides message boxes (those go through the
// form's host).
class IUpgradeWindowHost {
public:
    virtual ~IUpgradeWindowHost() = default;
    virtual void ShowUpgradeWindow(CUpgradeProgressForm& rForm) = 0;
    virtual void CloseUpgradeWindow(CUpgradeProgressForm& rForm) = 0;
    // Opens the address in the browser (the download page when the site has no version folder).
    virtual bool OpenWithDefaultHandler(std::u16string_view wszTarget) = 0;
};

class CUpgradeProgressForm final : public CForm {
public:
    enum : int { IDC_CANCEL = 2, IDC_PROGRESS = 2001, IDC_STATUS = 2002 };

    CUpgradeProgressForm(CApplicationUpgrade& rUpgrade, IUpgradeWindowHost& rWindowHost);

    // Shows the window when it is not open (status "Starting Upgrade") and starts a run.
    // Does nothing, and returns false, while a run is going on.
    bool Start();
    // One report of the run, on the owner's thread. Saved posts the finish message to the
    // upgrade's owner: the event FinishMessage() with the saved path as its text.
    void OnReport(const SUpgradeReport& report);
    bool IsOpen() const { return m_bOpen; }

private:
    void Close();

    CApplicationUpgrade& m_rUpgrade;
    IUpgradeWindowHost& m_rWindowHost;
    bool m_bOpen = false;
};

} // namespace kov
