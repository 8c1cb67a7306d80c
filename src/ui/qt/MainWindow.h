#pragma once
// The main window of kov-config: menus, tool bar, status bar, the subjects tree beside the
// page area, the presence timer and the device events, around the toolkit-free CMainFrame.
#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "shell/MainFrame.h"
#include "ui/qt/CustomImages.h"
#include "ui/qt/FormHost.h"

class QAction;
class QLabel;
class QSplitter;
class QStackedWidget;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace kov {

class CQtFormView;

// One row of the command table: the menu text with its shortcut after "\t", further keys, and
// the resource string "status-bar prompt\ntool tip".
struct SCommandInfo {
    uint32_t dwId;
    const char16_t* wszMenuText; // nullptr: a key without a menu item
    const char* szMoreKeys;      // further key sequences, separated by ";"
    const char16_t* wszPrompt;
    bool bCheckable;
};
const SCommandInfo* FindCommandInfo(uint32_t dwId);

class CMainWindow final : public QMainWindow, public IMainView {
public:
    explicit CMainWindow(SMainFrameSettings settings = {}, QWidget* pParent = nullptr);
    ~CMainWindow() override;
    CMainWindow(const CMainWindow&) = delete;
    CMainWindow& operator=(const CMainWindow&) = delete;

    CMainFrame& Frame() { return *m_pFrame; }
    QAction* Action(uint32_t dwCommandId) const;
    QToolBar* ToolBar() const { return m_pToolBar; }
    QTreeWidget* SubjectsTree() const { return m_pTree; }
    QTreeWidgetItem* SubjectItem(int32_t iSubjectId) const;
    QWidget* TreePane() const { return m_pTreePane; }
    QSplitter* Splitter() const { return m_pSplitter; }
    QStackedWidget* PageArea() const { return m_pPageArea; }
    // The view showing the form, or nullptr.
    CQtFormView* ViewOf(const CForm& rForm) const;
    // The form the page area shows now, or nullptr.
    CForm* ShownForm() const;
    QString StatusText() const;
    CQtFormHost& Host() { return m_host; }
    // How files and addresses are handed to the desktop; by default its own handler. Tests
    // record them instead.
    using FnOpen = std::function<bool(std::u16string_view wszTarget, std::u16string_view wszWorkingFolder)>;
    void SetOpener(FnOpen fnOpen) { m_fnOpen = std::move(fnOpen); }
    const SCustomImages& CustomImages() const { return m_images; }

    // IFormHost
    EDlgResult RunModal(CDialog& rDialog) override;
    EDlgResult MessageBox(std::u16string_view wszText, std::u16string_view wszCaption, EMsgButtons eButtons,
                          EMsgIcon eIcon) override;
    std::optional<std::u16string> OpenFileDialog(const SFileDialogOptions& options) override;
    std::optional<std::u16string> SaveFileDialog(const SFileDialogOptions& options) override;
    // Modeless windows (the writing test, the upgrade's progress windows) beside the main window.
    void ShowModeless(CForm& rForm) override { m_host.ShowModeless(rForm); }
    void HideModeless(CForm& rForm) override { m_host.HideModeless(rForm); }
    bool IsModelessShown(const CForm& rForm) const override { return m_host.IsModelessShown(rForm); }
    bool SetClipboardText(std::u16string_view wszText) override { return m_host.SetClipboardText(wszText); }

    // IOutcomeObserver: a status text or a message box, as the outcome's table row says.
    void OnOutcome(const SOutcome& outcome) override;

    // IMainView
    void SetTitle(std::u16string_view wszTitle) override;
    bool OpenWithDefaultHandler(std::u16string_view wszTarget,
                                std::u16string_view wszWorkingFolder = {}) override;
    void PostCloseRequest() override;
    void DestroyWindow() override;
    void StartTimer(uint32_t dwTimerId, uint32_t dwPeriodMs) override;
    void CommandStateChanged(uint32_t dwCommandId) override;
    void ShowBar(EBar eBar, bool bShow) override;
    void ShowTreePane(bool bShow) override;
    void SendEditCommand(uint32_t dwCommandId) override;
    void ShowPageWindow(int32_t iSubjectId, CForm* pWindow) override;
    void ShowTreeSelection(int32_t iSubjectId) override;

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    bool eventFilter(QObject* pObject, QEvent* pEvent) override;
    // The bars are switched from the View menu only.
    QMenu* createPopupMenu() override { return nullptr; }

private:
    // Lets the receive thread wake the window up; cut off before the window goes.
    struct SWakeTarget {
        std::mutex mutex;
        CMainWindow* pWindow = nullptr;
    };

    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateTreePane();
    void CreatePageArea();
    void OnAction(uint32_t dwCommandId);
    void OnDeleteKey();
    void OnTreeSelection();
    void PumpDeviceEvents();
    bool IsForcedKey(const QKeySequence& keys) const;

    CQtFormHost m_host;
    FnOpen m_fnOpen;
    std::unique_ptr<CMainFrame> m_pFrame;
    SCustomImages m_images;
    std::shared_ptr<SWakeTarget> m_pWakeTarget;
    std::map<uint32_t, QAction*> m_actions;
    std::map<int32_t, QTreeWidgetItem*> m_treeItems;
    std::map<const CForm*, CQtFormView*> m_views;
    std::map<const CForm*, QWidget*> m_pages; // what the page area shows for a form
    QToolBar* m_pToolBar = nullptr;
    QWidget* m_pTreePane = nullptr;
    QTreeWidget* m_pTree = nullptr;
    QSplitter* m_pSplitter = nullptr;
    QStackedWidget* m_pPageArea = nullptr;
    QWidget* m_pEmptyPage = nullptr;
    QLabel* m_pStatusPane = nullptr;
    QTimer m_presenceTimer;
    bool m_bClosing = false;   // inside CMainFrame::OnClose
    bool m_bDestroyed = false; // the frame let the window go: nothing more is delivered
};

} // namespace kov
