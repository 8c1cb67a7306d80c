#pragma once
// What the main window's logic needs from the screen. A window toolkit implements it with real
// windows; a console front end and the tests implement it with plain text.
//
// Dialogs, message boxes and file dialogs come from IFormHost: the password and About dialogs
// are form-model dialogs run through RunModal. What happened comes as outcomes (OnOutcome): the
// view shows each as its table says, a status text or a message box, or acts on it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "form/FormHost.h"
#include "sections/Outcomes.h"

namespace kov {

class CForm;

enum class EBar { ToolBar, StatusBar };

class IMainView : public IFormHost, public IOutcomeObserver {
public:
    virtual void SetTitle(std::u16string_view wszTitle) = 0;
    // Opens a file or URL with the system's default handler, in a normal window, started in
    // wszWorkingFolder when one is given (a report opens in its own folder).
    virtual bool OpenWithDefaultHandler(std::u16string_view wszTarget,
                                        std::u16string_view wszWorkingFolder = {}) = 0;
    // Posts a close request; the view later calls CMainFrame::OnClose on its own loop.
    virtual void PostCloseRequest() = 0;
    // Destroys the window; the view's loop ends after it.
    virtual void DestroyWindow() = 0;
    // Starts the periodic timer that calls CMainFrame::PresenceTick.
    virtual void StartTimer(uint32_t dwTimerId, uint32_t dwPeriodMs) = 0;
    // The menu item or tool bar button of the command changed its enabled or checked state
    // (read them with CMainFrame::IsCommandEnabled / IsCommandChecked).
    virtual void CommandStateChanged(uint32_t dwCommandId) = 0;
    // Shows or hides a bar and lays the window out again.
    virtual void ShowBar(EBar eBar, bool bShow) = 0;
    // Both panes, or only the page area.
    virtual void ShowTreePane(bool bShow) = 0;
    // Sends undo, cut, copy or paste (the command id) to the control that has the focus.
    virtual void SendEditCommand(uint32_t dwCommandId) = 0;
    // Shows the window of the page area (nullptr: the area is empty).
    virtual void ShowPageWindow(int32_t iSubjectId, CForm* pWindow) = 0;
    // Puts the tree's selection on the subject's item.
    virtual void ShowTreeSelection(int32_t iSubjectId) = 0;
};

} // namespace kov
