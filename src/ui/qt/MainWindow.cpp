#include "ui/qt/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/DefaultHandler.h"
#include "shell/MainDialogs.h"
#include "support/TextCodec.h"
#include "ui/qt/FormView.h"
#include "ui/qt/Icons.h"
#include "ui/qt/QtText.h"
#include "ui/qt/UpgradeWindow.h"
#include "upgrade/UpgradeProgressForm.h"

namespace kov {

namespace {

// Every command the window knows, with its menu text, keys and resource string.
constexpr SCommandInfo kCommands[] = {
    {ID_FILE_NEW, u"&New\tCtrl+N", nullptr, u"Create a new document\nNew", false},
    {ID_FILE_OPEN, u"&Open...\tCtrl+O", nullptr, u"Open an existing document\nOpen", false},
    {ID_FILE_SAVE, u"&Save\tCtrl+S", nullptr, u"Save the active document\nSave", false},
    {ID_FILE_SAVE_AS, u"Save &As...", nullptr, u"Save the active document with a new name\nSave As", false},
    {ID_FILE_CLOSE, u"&Close", nullptr, u"Close the active document\nClose", false},
    {ID_WRITE_TO_DEVICE, u"&Write To Device", nullptr, u"Write settings to device\nSave to device", false},
    {ID_RESET_DEVICE, u"&Reset Device", nullptr, u"Reset device\nReset device", false},
    {ID_SHUTDOWN_DEVICE, u"Shutdown Device", nullptr, u"Shut the device down\nShutdown device", false},
    {ID_APP_EXIT, u"E&xit", nullptr, u"Quit the application\nExit", false},
    {ID_EDIT_UNDO, u"&Undo\tCtrl+Z", "Alt+Backspace", u"Undo the last action\nUndo", false},
    {ID_EDIT_CUT, u"Cu&t\tCtrl+X", "Shift+Del", u"Cut the selection and put it on the Clipboard\nCut", false},
    {ID_EDIT_COPY, u"&Copy\tCtrl+C", "Ctrl+Ins", u"Copy the selection and put it on the Clipboard\nCopy",
     false},
    {ID_EDIT_PASTE, u"&Paste\tCtrl+V", "Shift+Ins", u"Insert Clipboard contents\nPaste", false},
    {ID_VIEW_TOOLBAR, u"&Toolbar", nullptr, u"Show or hide the toolbar\nToggle ToolBar", true},
    {ID_VIEW_STATUS_BAR, u"&Status Bar", nullptr, u"Show or hide the status bar\nToggle StatusBar", true},
    {ID_VIEW_TREEPANE, u"Tree &Pane", nullptr, u"Show or hide the tree pane\nToggle Tree Pane", true},
    {ID_DEBUG_VIEW_CRITICAL_LOG, u"View Critical Log", nullptr,
     u"Read the device's critical log\nCritical log", false},
    {ID_DEBUG_DIAGNOSTIC_INFORMATION, u"Diagnostic Information", nullptr,
     u"Collect the device's diagnostic information\nDiagnostic information", false},
    {ID_DEBUG_DELETE_CRITICAL_LOG, u"Delete Critical Log", nullptr,
     u"Delete the device's critical log\nDelete critical log", false},
    {ID_DRIVER_TEST_MODE, u"&Test mode", nullptr, u"Switch driver signing to test mode\nTest mode", false},
    {ID_DRIVER_DOWNLOAD, u"&Download driver", nullptr, u"Download the USB driver\nDownload driver", false},
    {ID_DRIVER_DOWNLOAD_AND_INSTALL, u"Download &and install driver", nullptr,
     u"Download and install the USB driver\nDownload and install driver", false},
    {ID_DRIVER_INSTALL, u"&Install driver", nullptr, u"Install the USB driver\nInstall driver", false},
    {ID_DRIVER_NORMAL_MODE, u"&Normal mode", nullptr, u"Switch driver signing to normal mode\nNormal mode",
     false},
    {ID_DRIVER_UNINSTALL, u"&Uninstall driver", nullptr, u"Uninstall the USB driver\nUninstall driver",
     false},
    {ID_DRIVER_RESTART_WITH_OPTIONS, u"&Restart with options", nullptr,
     u"Restart the computer with start-up options\nRestart with options", false},
    {ID_DRIVER_DELETE_USB_FLAGS, u"Delete USB Flags", nullptr,
     u"Clear the USB flags kept for the device\nDelete USB flags", false},
    {ID_APP_ABOUT, u"&About Device Configurator...", nullptr,
     u"Display program information, version number and copyright\nAbout", false},
    {ID_HELP_UPGRADE, u"&Upgrade", nullptr, u"Look for a newer version of the program\nUpgrade", false},
    {ID_HELP_WEBSITE, u"&Website", nullptr, u"Visit the product website\nWebsite", false},
    {ID_HELP_EMAIL_SUPPORT, u"&Email Support", nullptr, u"Write to product support\nEmail support", false},
    {ID_HELP_DIAGNOSTIC_INFORMATION, u"&Diagnostic Information", nullptr,
     u"Collect the device's diagnostic information\nDiagnostic information", false},
    // Keys without a menu item.
    {ID_DELETE_KEY, nullptr, "Del", u"", false},
    {ID_FILE_PRINT, nullptr, "Ctrl+P", u"", false},
    {ID_NEXT_PANE, nullptr, "F6", u"", false},
    {ID_PREV_PANE, nullptr, "Shift+F6", u"", false},
};

constexpr uint32_t kSeparator = 0;

struct SMenu {
    const char16_t* wszTitle;
    std::initializer_list<uint32_t> items;
};

// New has no action in this program: it keeps its key but shows neither in the menu nor on
// the tool bar.
const SMenu kMenus[] = {
    {u"&File",
     {ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_CLOSE, kSeparator, ID_WRITE_TO_DEVICE,
      ID_RESET_DEVICE, ID_SHUTDOWN_DEVICE, kSeparator, ID_APP_EXIT}},
    {u"&Edit", {ID_EDIT_UNDO, kSeparator, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE}},
    {u"&View", {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_TREEPANE}},
    {u"&Debug", {ID_DEBUG_VIEW_CRITICAL_LOG, ID_DEBUG_DIAGNOSTIC_INFORMATION, ID_DEBUG_DELETE_CRITICAL_LOG}},
    {u"&Driver",
     {ID_DRIVER_TEST_MODE, ID_DRIVER_DOWNLOAD, ID_DRIVER_DOWNLOAD_AND_INSTALL, ID_DRIVER_INSTALL,
      ID_DRIVER_NORMAL_MODE, ID_DRIVER_UNINSTALL, ID_DRIVER_RESTART_WITH_OPTIONS,
      ID_DRIVER_DELETE_USB_FLAGS}},
    {u"&Help",
     {ID_APP_ABOUT, kSeparator, ID_HELP_UPGRADE, ID_HELP_WEBSITE, ID_HELP_EMAIL_SUPPORT, kSeparator,
      ID_HELP_DIAGNOSTIC_INFORMATION}},
};

constexpr uint32_t kToolBarButtons[] = {
    ID_FILE_OPEN, ID_FILE_SAVE,       kSeparator,      ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE,
    kSeparator,   ID_WRITE_TO_DEVICE, ID_RESET_DEVICE, kSeparator,  ID_APP_ABOUT,
};

// Keys that act as commands even while an edit field has the focus, as accelerators do.
constexpr const char* kForcedKeys[] = {"Del",    "Ctrl+Z",   "Alt+Backspace", "Ctrl+X",   "Shift+Del",
                                       "Ctrl+C", "Ctrl+Ins", "Ctrl+V",        "Shift+Ins"};

constexpr int kSubjectRole = Qt::UserRole;

} // namespace

const SCommandInfo* FindCommandInfo(uint32_t dwId)
{
    for (const SCommandInfo& info : kCommands) {
        if (info.dwId == dwId) {
            return &info;
        }
    }
    return nullptr;
}

CMainWindow::CMainWindow(SMainFrameSettings settings, QWidget* pParent)
    : QMainWindow(pParent), m_host(this), m_pWakeTarget(std::make_shared<SWakeTarget>())
{
    m_host.SetModelessShaper([](CForm& rForm, QWidget& rWindow, CQtFormView& rView) {
        if (dynamic_cast<CUpgradeProgressForm*>(&rForm) != nullptr) {
            ShapeUpgradeWindow(rWindow, rView);
        }
    });
    // The frame builds the pages and reads the options and Custom.xml; it may ask this view
    // for dialogs from then on, so it is made once the window object exists.
    m_pFrame = std::make_unique<CMainFrame>(*this, std::move(settings));
    m_images = LoadCustomImages(m_pFrame->Customization());

    setWindowTitle(ToQString(kMainWindowTitle));
    setWindowIcon(m_images.icoLogo.isNull() ? ApplicationIcon() : m_images.icoLogo);
    CreateActions();
    CreateMenus();
    CreateToolBar();

    m_pSplitter = new QSplitter(Qt::Horizontal, this);
    m_pSplitter->setChildrenCollapsible(false);
    CreateTreePane();
    CreatePageArea();
    m_pSplitter->setStretchFactor(0, 1);
    m_pSplitter->setStretchFactor(1, 3);
    setCentralWidget(m_pSplitter);

    m_pStatusPane = new QLabel(this);
    m_pStatusPane->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(m_pStatusPane, 1);

    // A size that suits a laptop screen, with the tree pane at a quarter of the width.
    QSize size(1000, 680);
    if (const QScreen* pScreen = QGuiApplication::primaryScreen()) {
        size = size.boundedTo(pScreen->availableGeometry().size() * 9 / 10);
    }
    resize(size);
    m_pSplitter->setSizes({size.width() / 4, size.width() - size.width() / 4});

    connect(&m_presenceTimer, &QTimer::timeout, this, [this] {
        if (!m_bDestroyed) {
            m_pFrame->PresenceTick();
        }
    });
    m_pWakeTarget->pWindow = this;
    m_pFrame->EventQueue().SetWakeUp([pTarget = m_pWakeTarget] {
        std::lock_guard lock(pTarget->mutex);
        if (pTarget->pWindow != nullptr) {
            // Only a wake-up travels; the events themselves wait, in order, in the frame's queue.
            QMetaObject::invokeMethod(
                pTarget->pWindow, [pWindow = pTarget->pWindow] { pWindow->PumpDeviceEvents(); },
                Qt::QueuedConnection);
        }
    });
    qApp->installEventFilter(this);

    m_pFrame->Create();
}

CMainWindow::~CMainWindow()
{
    qApp->removeEventFilter(this);
    {
        std::lock_guard lock(m_pWakeTarget->mutex);
        m_pWakeTarget->pWindow = nullptr;
    }
    m_pFrame->EventQueue().SetWakeUp({});
    m_presenceTimer.stop();
    m_bDestroyed = true;
    // The views are Qt children and outlive the frame's forms; they let go first.
    for (auto& [pForm, pView] : m_views) {
        pView->Detach();
    }
    m_pFrame.reset();
}

void CMainWindow::CreateActions()
{
    for (const SCommandInfo& info : kCommands) {
        auto* pAction = new QAction(this);
        QList<QKeySequence> vKeys;
        if (info.wszMenuText != nullptr) {
            const QString qsText = ToQString(info.wszMenuText);
            const qsizetype iTab = qsText.indexOf(u'\t');
            pAction->setText(iTab < 0 ? qsText : qsText.left(iTab));
            if (iTab >= 0) {
                vKeys << QKeySequence(qsText.mid(iTab + 1));
            }
        }
        if (info.szMoreKeys != nullptr) {
            for (const QString& qsKeys :
                 QString::fromLatin1(info.szMoreKeys).split(u';', Qt::SkipEmptyParts)) {
                vKeys << QKeySequence(qsKeys);
            }
        }
        pAction->setShortcuts(vKeys);
        const QString qsResource = ToQString(info.wszPrompt);
        const qsizetype iNewLine = qsResource.indexOf(u'\n');
        pAction->setStatusTip(iNewLine < 0 ? qsResource : qsResource.left(iNewLine));
        if (iNewLine >= 0) {
            pAction->setToolTip(qsResource.mid(iNewLine + 1));
        }
        pAction->setCheckable(info.bCheckable);
        pAction->setData(QVariant::fromValue(info.dwId));
        const QIcon icon = CommandIcon(info.dwId);
        if (!icon.isNull()) {
            pAction->setIcon(icon);
            pAction->setIconVisibleInMenu(false);
        }
        const uint32_t dwId = info.dwId;
        if (dwId == ID_DELETE_KEY) {
            connect(pAction, &QAction::triggered, this, [this] { OnDeleteKey(); });
        } else {
            connect(pAction, &QAction::triggered, this, [this, dwId] { OnAction(dwId); });
        }
        // Keys work wherever the focus is in the window, menu item or not.
        addAction(pAction);
        m_actions[info.dwId] = pAction;
    }
}

void CMainWindow::CreateMenus()
{
    for (const SMenu& menu : kMenus) {
        QMenu* pMenu = menuBar()->addMenu(ToQString(menu.wszTitle));
        for (uint32_t dwId : menu.items) {
            if (dwId == kSeparator) {
                pMenu->addSeparator();
            } else {
                pMenu->addAction(m_actions.at(dwId));
            }
        }
    }
}

void CMainWindow::CreateToolBar()
{
    m_pToolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_pToolBar->setObjectName(QStringLiteral("toolBar"));
    m_pToolBar->setMovable(false);
    m_pToolBar->setFloatable(false);
    m_pToolBar->setIconSize(QSize(16, 16));
    m_pToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (uint32_t dwId : kToolBarButtons) {
        if (dwId == kSeparator) {
            m_pToolBar->addSeparator();
        } else {
            m_pToolBar->addAction(m_actions.at(dwId));
        }
    }
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
}

void CMainWindow::CreateTreePane()
{
    m_pTreePane = new QWidget(m_pSplitter);
    auto* pLayout = new QVBoxLayout(m_pTreePane);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->setSpacing(0);

    auto* pHeader = new QFrame(m_pTreePane);
    pHeader->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    pHeader->setAutoFillBackground(true);
    auto* pHeaderLayout = new QHBoxLayout(pHeader);
    pHeaderLayout->setContentsMargins(6, 2, 2, 2);
    pHeaderLayout->addWidget(new QLabel(QStringLiteral("Tree"), pHeader), 1);
    auto* pClose = new QToolButton(pHeader);
    pClose->setObjectName(QStringLiteral("treePaneClose"));
    pClose->setIcon(PaneCloseIcon());
    pClose->setAutoRaise(true);
    pClose->setIconSize(QSize(12, 12));
    connect(pClose, &QToolButton::clicked, this, [this] { OnAction(ID_PANE_CLOSE); });
    pHeaderLayout->addWidget(pClose);
    pLayout->addWidget(pHeader);

    m_pTree = new QTreeWidget(m_pTreePane);
    m_pTree->setObjectName(QStringLiteral("subjectsTree"));
    m_pTree->setHeaderHidden(true);
    m_pTree->setIconSize(QSize(16, 16));
    m_pTree->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const SSubject& subject : kSubjects) {
        QTreeWidgetItem* pParent =
            subject.iParentId == kSubjectNone ? nullptr : m_treeItems.at(subject.iParentId);
        auto* pItem = pParent != nullptr ? new QTreeWidgetItem(pParent) : new QTreeWidgetItem(m_pTree);
        pItem->setText(0, ToQString(subject.wszLabel));
        pItem->setIcon(0, SubjectIcon(subject.iId));
        pItem->setData(0, kSubjectRole, subject.iId);
        m_treeItems[subject.iId] = pItem;
    }
    m_treeItems.at(kSubjectStreams)->setExpanded(true);
    // The selection, not the current item: the current item also moves when the tree merely
    // takes the focus, and that selects nothing.
    connect(m_pTree, &QTreeWidget::itemSelectionChanged, this, [this] { OnTreeSelection(); });
    pLayout->addWidget(m_pTree, 1);
}

void CMainWindow::CreatePageArea()
{
    m_pPageArea = new QStackedWidget(m_pSplitter);
    m_pEmptyPage = new QWidget(m_pPageArea);
    m_pPageArea->addWidget(m_pEmptyPage);
    for (const SSubject& subject : kSubjects) {
        CForm* pForm = m_pFrame->PageArea().WindowOf(subject.iId);
        if (pForm == nullptr || m_views.count(pForm) != 0) {
            continue;
        }
        auto* pView = new CQtFormView(*pForm);
        // A page scrolls when the area is smaller than it needs, so that no page widens the
        // window beyond the screen; in a larger area its lists and the log still fill it.
        auto* pScroll = new QScrollArea;
        pScroll->setWidgetResizable(true);
        pScroll->setFrameShape(QFrame::NoFrame);
        pScroll->setWidget(pView);
        QWidget* pPage = pScroll;
        m_pPageArea->addWidget(pPage);
        m_views[pForm] = pView;
        m_pages[pForm] = pPage;
    }
    m_pPageArea->setCurrentWidget(m_pEmptyPage);
}

QAction* CMainWindow::Action(uint32_t dwCommandId) const
{
    auto it = m_actions.find(dwCommandId);
    return it == m_actions.end() ? nullptr : it->second;
}

QTreeWidgetItem* CMainWindow::SubjectItem(int32_t iSubjectId) const
{
    auto it = m_treeItems.find(iSubjectId);
    return it == m_treeItems.end() ? nullptr : it->second;
}

CQtFormView* CMainWindow::ViewOf(const CForm& rForm) const
{
    auto it = m_views.find(&rForm);
    return it == m_views.end() ? nullptr : it->second;
}

CForm* CMainWindow::ShownForm() const
{
    for (const auto& [pForm, pPage] : m_pages) {
        if (m_pPageArea->currentWidget() == pPage) {
            return const_cast<CForm*>(pForm);
        }
    }
    return nullptr;
}

QString CMainWindow::StatusText() const
{
    return m_pStatusPane->text();
}

// ---- Commands and keys

void CMainWindow::OnAction(uint32_t dwCommandId)
{
    if (!m_bDestroyed) {
        m_pFrame->OnCommand(dwCommandId);
    }
}

void CMainWindow::OnDeleteKey()
{
    // The key is taken as the page's command before the field sees it; the field still
    // deletes, so that Delete keeps working in every edit.
    QWidget* pFocus = QApplication::focusWidget();
    if (auto* pLine = qobject_cast<QLineEdit*>(pFocus); pLine != nullptr && !pLine->isReadOnly()) {
        pLine->del();
    } else if (auto* pText = qobject_cast<QPlainTextEdit*>(pFocus);
               pText != nullptr && !pText->isReadOnly()) {
        QTextCursor cursor = pText->textCursor();
        cursor.deleteChar();
        pText->setTextCursor(cursor);
    }
    OnAction(ID_DELETE_KEY);
}

bool CMainWindow::IsForcedKey(const QKeySequence& keys) const
{
    for (const char* szKeys : kForcedKeys) {
        if (keys == QKeySequence(QString::fromLatin1(szKeys))) {
            return true;
        }
    }
    return false;
}

bool CMainWindow::eventFilter(QObject* pObject, QEvent* pEvent)
{
    if (pEvent->type() == QEvent::ShortcutOverride) {
        auto* pWidget = qobject_cast<QWidget*>(pObject);
        auto* pKey = static_cast<QKeyEvent*>(pEvent);
        // An edit field would keep these keys for itself; in this window they are commands.
        if (pWidget != nullptr && pWidget->window() == this &&
            IsForcedKey(QKeySequence(pKey->keyCombination()))) {
            pKey->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(pObject, pEvent);
}

void CMainWindow::OnTreeSelection()
{
    const QList<QTreeWidgetItem*> vSelected = m_pTree->selectedItems();
    if (vSelected.isEmpty() || m_bDestroyed) {
        return;
    }
    m_pFrame->Tree().Switch(vSelected.first()->data(0, kSubjectRole).toInt());
}

void CMainWindow::PumpDeviceEvents()
{
    if (!m_bDestroyed) {
        m_pFrame->PumpEvents();
    }
}

void CMainWindow::closeEvent(QCloseEvent* pEvent)
{
    if (m_bDestroyed) {
        pEvent->accept();
        return;
    }
    pEvent->ignore();
    if (QWidget* pModal = QApplication::activeModalWidget(); pModal != nullptr && pModal != this) {
        // A dialog, message box or file dialog is open: it is cancelled first, and the close is
        // asked again once the code that opened it has gone on.
        if (auto* pDialog = qobject_cast<QDialog*>(pModal)) {
            pDialog->reject();
        } else {
            pModal->close();
        }
        QTimer::singleShot(10, this, [this] { close(); });
        return;
    }
    m_bClosing = true;
    m_pFrame->OnClose();
    m_bClosing = false;
    if (m_bDestroyed) {
        pEvent->accept();
    }
}

// ---- IFormHost

EDlgResult CMainWindow::RunModal(CDialog& rDialog)
{
    if (dynamic_cast<CAboutDlg*>(&rDialog) != nullptr) {
        return m_host.RunModal(rDialog, [this] { return CreateLogoWidget(m_images, ApplicationIcon()); });
    }
    return m_host.RunModal(rDialog);
}

EDlgResult CMainWindow::MessageBox(std::u16string_view wszText, std::u16string_view wszCaption,
                                   EMsgButtons eButtons, EMsgIcon eIcon)
{
    return m_host.MessageBox(wszText, wszCaption, eButtons, eIcon);
}

std::optional<std::u16string> CMainWindow::OpenFileDialog(const SFileDialogOptions& options)
{
    return m_host.OpenFileDialog(options);
}

std::optional<std::u16string> CMainWindow::SaveFileDialog(const SFileDialogOptions& options)
{
    return m_host.SaveFileDialog(options);
}

// ---- IOutcomeObserver

void CMainWindow::OnOutcome(const SOutcome& outcome)
{
    const SOutcomeForm& form = OutcomeForm(outcome.eOutcome);
    switch (form.eShown) {
    case EOutcomeShown::Status: m_pStatusPane->setText(ToQString(OutcomeText(outcome))); break;
    case EOutcomeShown::Message:
        m_host.MessageBox(OutcomeText(outcome), form.wszCaption, EMsgButtons::Ok, EMsgIcon::None);
        break;
    case EOutcomeShown::Question: // asked by the page through MessageBox, with its answer
    case EOutcomeShown::LogLine:  // in the log view already
    case EOutcomeShown::Nothing: break;
    }
}

// ---- IMainView

void CMainWindow::SetTitle(std::u16string_view wszTitle)
{
    setWindowTitle(ToQString(wszTitle));
}

bool CMainWindow::OpenWithDefaultHandler(std::u16string_view wszTarget, std::u16string_view wszWorkingFolder)
{
    if (m_fnOpen) {
        return m_fnOpen(wszTarget, wszWorkingFolder);
    }
    const QString qsTarget = ToQString(wszTarget);
    QUrl url(qsTarget);
    // Without a scheme (or with only a drive letter) the target is a file.
    const bool bFile = url.scheme().size() <= 1;
    if (bFile) {
        url = QUrl::fromLocalFile(qsTarget);
    }
    // Qt cannot choose the handler's working folder; the desktop's own opener can. Where it is
    // missing, Qt's way (a desktop portal, for one) still opens the file.
    if (bFile && !wszWorkingFolder.empty() &&
        OpenWithDesktopHandler(Utf16ToUtf8(wszTarget), Utf16ToUtf8(wszWorkingFolder))) {
        return true;
    }
    return QDesktopServices::openUrl(url);
}

void CMainWindow::PostCloseRequest()
{
    QMetaObject::invokeMethod(
        this, [this] { close(); }, Qt::QueuedConnection);
}

void CMainWindow::DestroyWindow()
{
    m_bDestroyed = true;
    m_presenceTimer.stop();
    if (!m_bClosing) {
        PostCloseRequest();
    }
}

void CMainWindow::StartTimer(uint32_t, uint32_t dwPeriodMs)
{
    if (!m_bDestroyed) {
        m_presenceTimer.start(static_cast<int>(dwPeriodMs));
    }
}

void CMainWindow::CommandStateChanged(uint32_t dwCommandId)
{
    QAction* pAction = Action(dwCommandId);
    if (pAction == nullptr) {
        return;
    }
    pAction->setEnabled(m_pFrame->IsCommandEnabled(dwCommandId));
    pAction->setVisible(m_pFrame->IsCommandAvailable(dwCommandId)); // what the system lacks is left out
    if (pAction->isCheckable()) {
        pAction->setChecked(m_pFrame->IsCommandChecked(dwCommandId));
    }
}

void CMainWindow::ShowBar(EBar eBar, bool bShow)
{
    if (eBar == EBar::ToolBar) {
        m_pToolBar->setVisible(bShow);
    } else {
        statusBar()->setVisible(bShow);
    }
}

void CMainWindow::ShowTreePane(bool bShow)
{
    m_pTreePane->setVisible(bShow);
}

namespace {

// Undo, cut, copy or paste in a line or multi-line edit; a read-only one only copies.
template <class TEdit> void RunEditCommand(TEdit& rEdit, uint32_t dwCommandId)
{
    if (dwCommandId == ID_EDIT_COPY) {
        rEdit.copy();
        return;
    }
    if (rEdit.isReadOnly()) {
        return;
    }
    switch (dwCommandId) {
    case ID_EDIT_UNDO: rEdit.undo(); break;
    case ID_EDIT_CUT: rEdit.cut(); break;
    case ID_EDIT_PASTE: rEdit.paste(); break;
    default: break;
    }
}

} // namespace

void CMainWindow::SendEditCommand(uint32_t dwCommandId)
{
    QWidget* pFocus = QApplication::focusWidget();
    if (auto* pLine = qobject_cast<QLineEdit*>(pFocus)) {
        RunEditCommand(*pLine, dwCommandId);
    } else if (auto* pText = qobject_cast<QPlainTextEdit*>(pFocus)) {
        RunEditCommand(*pText, dwCommandId);
    }
}

void CMainWindow::ShowPageWindow(int32_t, CForm* pWindow)
{
    auto it = pWindow != nullptr ? m_pages.find(pWindow) : m_pages.end();
    m_pPageArea->setCurrentWidget(it != m_pages.end() ? it->second : m_pEmptyPage);
}

void CMainWindow::ShowTreeSelection(int32_t iSubjectId)
{
    QTreeWidgetItem* pItem = SubjectItem(iSubjectId);
    if (pItem == nullptr) {
        return;
    }
    const QSignalBlocker blocker(m_pTree);
    m_pTree->setCurrentItem(pItem);
    m_pTree->scrollToItem(pItem);
}

} // namespace kov
