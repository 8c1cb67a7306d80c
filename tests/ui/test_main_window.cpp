// The main window against a simulated device plugged in through the pipe way: the whole
// round trip as the operator sees it.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "WhenModal.h"
#include "common/LoopbackHttpServer.h"
#include "common/PluggedSim.h"
#include "document/Namespace.h"
#include "platform/SystemInfo.h"
#include "sections/DeviceIdentification.h"
#include "sections/Recording.h"
#include "sim/SampleDocument.h"
#include "ui/qt/FormView.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtText.h"

namespace kov {
namespace {

constexpr int kWaitMs = 15000;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    void TearDown() override
    {
        m_pWindow.reset();
        UnplugDevice();
    }

    std::string DeviceRoot() const { return m_dir.path().toStdString() + "/devices"; }

    void PlugDevice(SSimDeviceOptions options = {}, const std::string& sDocument = SampleDocumentText())
    {
        m_pDevice = std::make_unique<test::CPluggedSim>(DeviceRoot(), "sim-1", std::move(options), 100);
        ASSERT_TRUE(m_pDevice->Device().LoadDocumentText(sDocument));
    }
    void UnplugDevice()
    {
        if (m_pDevice) {
            m_pDevice->Unplug();
        }
    }

    CMainWindow& OpenWindow(const std::string& sDownloadSite = {})
    {
        SMainFrameSettings settings;
        settings.pTransport = std::make_unique<CUsbDeviceTransport>(DeviceRoot());
        settings.oOptionsFile = u"";
        settings.oCustomizationFolder = FromQString(m_dir.path() + "/");
        settings.pSystemInfo = &m_system;
        settings.reports.oAppDataFolder = FromQString(m_dir.path() + "/appdata");
        if (!sDownloadSite.empty()) {
            settings.sDownloadSite = sDownloadSite;
            settings.oDownloadFolder = FromQString(m_dir.path());
        }
        m_pWindow = std::make_unique<CMainWindow>(std::move(settings));
        m_pWindow->SetOpener([this](std::u16string_view wszTarget, std::u16string_view wszFolder) {
            m_vOpened.push_back({std::u16string(wszTarget), std::u16string(wszFolder)});
            return true;
        });
        m_pWindow->show();
        m_pWindow->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_pWindow.get()));
        return *m_pWindow;
    }

    bool WaitForStatus(const char* szStatus)
    {
        return QTest::qWaitFor([&] { return m_pWindow->StatusText() == QString::fromUtf8(szStatus); },
                               kWaitMs);
    }

    void Select(int32_t iSubject)
    {
        m_pWindow->SubjectsTree()->setCurrentItem(m_pWindow->SubjectItem(iSubject));
    }

    QLineEdit* IdentificationField(int iId)
    {
        CQtFormView* pView = m_pWindow->ViewOf(m_pWindow->Frame().DeviceIdentificationPage());
        return pView != nullptr ? qobject_cast<QLineEdit*>(pView->WidgetOf(iId)) : nullptr;
    }

    SDeviceIdentification DeviceRecord() const
    {
        TreeRef tree;
        SDeviceIdentification record;
        record.Exchange(tree.LoadFromText(m_pDevice->Device().DocumentText()), false);
        return record;
    }

    void WriteCustomXml(const QString& qsBody)
    {
        QFile file(m_dir.path() + "/Custom.xml");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            ("<kov:Custom xmlns:kov=\"" + ToQString(kKovNamespaceUri) + "\">" + qsBody + "</kov:Custom>")
                .toUtf8());
    }

    QTemporaryDir m_dir;
    CFakeSystemInfo m_system{SSystemFacts{ESystemFamily::Windows, 10, 0, true, true}};
    std::unique_ptr<test::CPluggedSim> m_pDevice;
    std::unique_ptr<CMainWindow> m_pWindow;
    // What the window handed to the desktop: the target and the working folder.
    std::vector<std::pair<std::u16string, std::u16string>> m_vOpened;
};

TEST_F(MainWindowTest, StartsWithItsTitleMenusToolBarAndTree)
{
    CMainWindow& window = OpenWindow();
    EXPECT_EQ(window.windowTitle(), "KOV Device Configurator");
    // A message outcome is a message box with its caption and the code in its text.
    QString qsMessage;
    test::WhenModal("Delete Recordings", [&](QWidget* pBox) {
        auto* pMessage = qobject_cast<QMessageBox*>(pBox);
        ASSERT_TRUE(pMessage);
        qsMessage = pMessage->text();
        pMessage->button(QMessageBox::Ok)->click();
    });
    window.OnOutcome({EOutcome::RecordingsDeleted, 12});
    EXPECT_EQ(qsMessage, "12 files were deleted.");
    window.OnOutcome({EOutcome::PasswordNeeded}); // nothing of its own to show
    EXPECT_EQ(window.StatusText(), "Ready");
    EXPECT_EQ(window.Action(ID_FILE_OPEN)->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_TRUE(window.Action(ID_EDIT_CUT)->shortcuts().contains(QKeySequence("Shift+Del")));
    EXPECT_TRUE(window.Action(ID_EDIT_UNDO)->shortcuts().contains(QKeySequence("Alt+Backspace")));
    EXPECT_EQ(window.ToolBar()->actions().size(), 11); // eight buttons, three separators
    // New, which has no action, is neither on the tool bar nor in the menu; Undo is.
    const QList<QAction*> vMenus = window.menuBar()->actions();
    EXPECT_FALSE(window.ToolBar()->actions().contains(window.Action(ID_FILE_NEW)));
    EXPECT_FALSE(vMenus[0]->menu()->actions().contains(window.Action(ID_FILE_NEW)));
    EXPECT_TRUE(vMenus[1]->menu()->actions().contains(window.Action(ID_EDIT_UNDO)));

    // The actions follow the frame: the driver commands are there, the maintenance commands
    // this system has no counterpart of are left out of the menu.
    EXPECT_TRUE(window.Action(ID_DRIVER_INSTALL)->isEnabled() &&
                window.Action(ID_DRIVER_INSTALL)->isVisible());
    EXPECT_FALSE(window.Action(ID_DRIVER_TEST_MODE)->isVisible());

    EXPECT_EQ(window.ShownForm(), nullptr); // no subject chosen yet
    EXPECT_TRUE(window.SubjectItem(kSubjectStreams)->isExpanded());
    EXPECT_EQ(window.SubjectItem(kSubjectInput)->parent(), window.SubjectItem(kSubjectStreams));
    for (const SSubject& subject : kSubjects) {
        EXPECT_FALSE(window.SubjectItem(subject.iId)->icon(0).isNull()) << subject.iId;
    }
    const QList<int> vSizes = window.Splitter()->sizes();
    EXPECT_NEAR(vSizes[0] * 4, vSizes[0] + vSizes[1], 40);

    // View toggles and the pane's close button.
    window.Action(ID_VIEW_TREEPANE)->trigger();
    EXPECT_TRUE(window.TreePane()->isHidden());
    window.Action(ID_VIEW_TREEPANE)->trigger();
    EXPECT_FALSE(window.TreePane()->isHidden());
    window.TreePane()->findChild<QToolButton*>("treePaneClose")->click();
    EXPECT_TRUE(window.TreePane()->isHidden());
    EXPECT_FALSE(window.Action(ID_VIEW_TREEPANE)->isChecked());
    window.Action(ID_VIEW_TOOLBAR)->trigger();
    EXPECT_TRUE(window.ToolBar()->isHidden());
    EXPECT_FALSE(window.Action(ID_VIEW_TOOLBAR)->isChecked());
}

TEST_F(MainWindowTest, PlugInEditWriteLogAndUnplug)
{
    PlugDevice();
    CMainWindow& window = OpenWindow();
    ASSERT_TRUE(WaitForStatus("Parameters loaded"));
    Select(kSubjectDeviceIdentification);
    CMainDevicePropertiesDlg& page = window.Frame().DeviceIdentificationPage();
    EXPECT_EQ(window.ShownForm(), &page);
    QLineEdit* pName = IdentificationField(CMainDevicePropertiesDlg::IDC_DEVICE_NAME);
    ASSERT_TRUE(pName);
    const SDeviceIdentification before = DeviceRecord();
    ASSERT_FALSE(before.wszName.empty());
    EXPECT_EQ(pName->text(), ToQString(before.wszName));
    EXPECT_TRUE(pName->isEnabled());

    // Delete edits the field as the field's own key does, cursor included, and still goes to
    // the page; Undo (its keys and the menu) undoes in the field.
    pName->setFocus();
    pName->selectAll();
    QTest::keyClicks(pName, "ABCDEFG");
    pName->setCursorPosition(2);
    QTest::keyClick(pName, Qt::Key_Delete);
    EXPECT_EQ(page.PendingMessageCount(), 1u); // posted to the page, delivered from the loop
    QTest::keyClicks(pName, "X");
    EXPECT_EQ(page.TextOf(CMainDevicePropertiesDlg::IDC_DEVICE_NAME), u"ABXDEFG");
    EXPECT_EQ(pName->cursorPosition(), 3);
    EXPECT_TRUE(QTest::qWaitFor([&] { return page.PendingMessageCount() == 0u; }, kWaitMs));
    QTest::keyClick(pName, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(page.TextOf(CMainDevicePropertiesDlg::IDC_DEVICE_NAME), u"ABDEFG");
    window.Action(ID_EDIT_UNDO)->trigger();
    const std::u16string wszCut = u"ABCDEFG";
    EXPECT_EQ(page.TextOf(CMainDevicePropertiesDlg::IDC_DEVICE_NAME), wszCut);
    EXPECT_EQ(pName->text(), ToQString(wszCut));
    pName->selectAll();
    QTest::keyClick(pName, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(FromQString(QApplication::clipboard()->text()), wszCut);
    QLineEdit* pClient = IdentificationField(CMainDevicePropertiesDlg::IDC_CLIENT_PASSWORD);
    pClient->setFocus();
    pClient->selectAll();
    QTest::keyClick(pClient, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(page.TextOf(CMainDevicePropertiesDlg::IDC_CLIENT_PASSWORD), wszCut);

    pName->setFocus();
    pName->selectAll();
    QTest::keyClicks(pName, "Unit Nine");
    window.Action(ID_WRITE_TO_DEVICE)->trigger();
    ASSERT_TRUE(WaitForStatus("Parameters saved"));
    EXPECT_EQ(DeviceRecord().wszName, u"Unit Nine");
    EXPECT_EQ(DeviceRecord().iDeviceId, before.iDeviceId);

    // Streams empties the page area; the log view shows the lines the device sends, collected
    // also while it was not shown, from their end.
    Select(kSubjectStreams);
    EXPECT_EQ(window.ShownForm(), nullptr);
    for (int i = 0; i < 200; ++i)
        window.Frame().LogView().AppendLine(u"collected");
    Select(kSubjectLog);
    EXPECT_EQ(window.ShownForm(), &window.Frame().LogView());
    auto* pLog =
        qobject_cast<QPlainTextEdit*>(window.ViewOf(window.Frame().LogView())->WidgetOf(CLogView::IDC_LOG));
    ASSERT_TRUE(pLog);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pLog));
    EXPECT_GT(pLog->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(pLog->verticalScrollBar()->value(), pLog->verticalScrollBar()->maximum());
    const std::u16string wszCollected = window.Frame().LogView().Text();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Frame().LogView().Text() != wszCollected; }, kWaitMs));
    EXPECT_EQ(pLog->toPlainText(), MultiLineDisplayText(window.Frame().LogView().Text()));

    UnplugDevice();
    ASSERT_TRUE(WaitForStatus("Device disconnected"));
    EXPECT_FALSE(pName->isEnabled());
    EXPECT_FALSE(window.Frame().Holder().IsConnected());
    // Of the tree's selections only the Log subject asked the device for its output.
    EXPECT_EQ(m_pDevice->CountLog("received 97 "), 1);
}

TEST_F(MainWindowTest, SpeedTestShowsItsFiguresInAWindowBesideTheMainWindow)
{
    PlugDevice();
    CMainWindow& window = OpenWindow();
    ASSERT_TRUE(WaitForStatus("Parameters loaded"));
    Select(kSubjectRecording);
    auto* pPage =
        dynamic_cast<CDeviceRecordingParamsDlg*>(window.Frame().PageArea().PageOf(kSubjectRecording));
    ASSERT_NE(pPage, nullptr);
    auto* pSpeedTest = qobject_cast<QPushButton*>(
        window.ViewOf(*pPage)->WidgetOf(CDeviceRecordingParamsDlg::IDC_SPEED_TEST));
    ASSERT_NE(pSpeedTest, nullptr);
    QTest::mouseClick(pSpeedTest, Qt::LeftButton);
    ASSERT_NE(pPage->WritingTest(), nullptr);
    CWritingTestDlg& test = *pPage->WritingTest();

    // The window appears with the first figures; the operator keeps working in the main window.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QWidget* pTestWindow = window.Host().ModelessWindowOf(test);
            return pTestWindow != nullptr && pTestWindow->isVisible();
        },
        kWaitMs));
    QWidget* pTestWindow = window.Host().ModelessWindowOf(test);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(pTestWindow->parentWidget(), &window);
    auto* pWriteSize = pTestWindow->findChild<QLineEdit*>();
    ASSERT_NE(pWriteSize, nullptr);
    EXPECT_NE(pWriteSize->text(), QStringLiteral("?"));
    Select(kSubjectTime);
    EXPECT_TRUE(pTestWindow->isVisible());

    // Closing the window stops the device's test.
    pTestWindow->close();
    EXPECT_FALSE(pTestWindow->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_pDevice->CountLog("stop test") == 1; }, kWaitMs));
}

TEST_F(MainWindowTest, PasswordRequestTakesThePasswordAndClosingDuringItEndsCleanly)
{
    SSimDeviceOptions options;
    options.oPassword = "1234";
    PlugDevice(options);
    OpenWindow();
    // The question runs its own loop inside the event handling; the operator answers it from there.
    bool bAsked = false;
    test::WhenModal("Password Request", [&](QWidget* pDialog) {
        bAsked = true;
        auto* pPassword = pDialog->findChild<QLineEdit*>();
        ASSERT_TRUE(pPassword);
        EXPECT_EQ(pPassword->echoMode(), QLineEdit::Password);
        QTest::keyClicks(pPassword, "1234");
        QTest::keyClick(pPassword, Qt::Key_Return);
    });
    ASSERT_TRUE(WaitForStatus("Parameters loaded"));
    EXPECT_TRUE(bAsked);

    // Reconnecting asks again; the window is closed while the question is open.
    UnplugDevice();
    ASSERT_TRUE(WaitForStatus("Device disconnected"));
    m_pWindow->Frame().PresenceTick(); // the poll counts the device gone before it comes back
    PlugDevice(options);
    bAsked = false;
    test::WhenModal("Password Request", [&](QWidget*) {
        bAsked = true;
        m_pWindow->close();
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return bAsked && !m_pWindow->isVisible(); }, kWaitMs))
        << bAsked << " " << m_pWindow->StatusText().toStdString();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    m_pWindow.reset();
}

TEST_F(MainWindowTest, ClosingWhileALargeDocumentArrivesEndsCleanly)
{
    std::string sDocument = SampleDocumentText();
    const std::size_t nEnd = sDocument.rfind("</");
    ASSERT_NE(nEnd, std::string::npos);
    sDocument.insert(nEnd, "<kov:Padding>" + std::string(4u << 20, 'x') + "</kov:Padding>");
    PlugDevice({}, sDocument);
    CMainWindow& window = OpenWindow();
    ASSERT_TRUE(WaitForStatus("Connected to device"));
    window.close();
    m_pWindow.reset();
}

TEST_F(MainWindowTest, CustomTextsAndImagesRebrandTheWindowAndBadImagesAreIgnored)
{
    QFile broken(m_dir.path() + "/broken.png");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("\x89PNG\r\n\x1a\nnot really an image");
    broken.close();
    WriteCustomXml("<kov:CustomTexts><kov:ApplicationName>Acme Configurator</kov:ApplicationName>"
                   "<kov:Version>2.1</kov:Version><kov:SupportEmailAddress/></kov:CustomTexts>"
                   "<kov:LogoImage>broken.png</kov:LogoImage><kov:ViewerImage>broken.png</kov:ViewerImage>");
    CMainWindow& window = OpenWindow();
    EXPECT_EQ(window.windowTitle(), "Acme Configurator");
    EXPECT_FALSE(window.Action(ID_HELP_WEBSITE)->isEnabled());
    EXPECT_TRUE(window.CustomImages().imgLogo.isNull() && window.CustomImages().icoLogo.isNull());
    EXPECT_FALSE(window.CustomImages().HasViewerImage());
    EXPECT_FALSE(window.windowIcon().isNull());

    QString qsAbout;
    test::WhenModal("About", [&](QWidget* pAbout) {
        for (QLabel* pLabel : pAbout->findChildren<QLabel*>()) {
            qsAbout += pLabel->text();
        }
        qobject_cast<QDialog*>(pAbout)->accept();
    });
    window.Action(ID_APP_ABOUT)->trigger();
    EXPECT_EQ(qsAbout, "Acme Configurator\n\nVersion: 2.1\n\n");

    // A logo bitmap becomes the window icon of the next window.
    QImage logo(48, 24, QImage::Format_RGB32);
    logo.fill(Qt::darkGreen);
    ASSERT_TRUE(logo.save(m_dir.path() + "/logo.png"));
    WriteCustomXml("<kov:LogoImage>logo.png</kov:LogoImage><kov:ViewerImage>logo.png</kov:ViewerImage>");
    CMainWindow& branded = OpenWindow();
    EXPECT_TRUE(branded.CustomImages().HasViewerImage());
    EXPECT_EQ(branded.windowIcon().pixmap(48, 24).toImage().pixelColor(10, 10), QColor(Qt::darkGreen));
}

TEST_F(MainWindowTest, DiagnosticTypeChosenWithTheKeyboardAndReportsHandedToTheDesktop)
{
    PlugDevice();
    CMainWindow& window = OpenWindow();
    ASSERT_TRUE(WaitForStatus("Parameters loaded"));

    // OK (Enter) with nothing chosen is refused with a message; then the second type, by keyboard.
    // The list's rows and the refusal's rules are the frame tests' subject.
    bool bRefused = false;
    bool bChosen = false;
    test::WhenModal("Select Diagnostic Information", [&](QWidget* pDialog) {
        auto* pList = pDialog->findChild<QComboBox*>();
        ASSERT_TRUE(pList);
        // Named by its side label for screen readers.
        const auto vLabels = pDialog->findChildren<QLabel*>();
        EXPECT_TRUE(std::any_of(vLabels.begin(), vLabels.end(), [&](QLabel* pLabel) {
            return pLabel->buddy() == pList && !pLabel->text().isEmpty();
        }));
        test::WhenModal("Select diagnostic information", [&, pDialog, pList](QWidget* pBox) {
            auto* pMessage = qobject_cast<QMessageBox*>(pBox);
            ASSERT_TRUE(pMessage);
            bRefused = pMessage->text() == "No item selected";
            pMessage->accept();
            QTimer::singleShot(0, pDialog, [&bChosen, pDialog, pList] {
                pList->setFocus();
                QTest::keyClick(pList, Qt::Key_Down);
                QTest::keyClick(pList, Qt::Key_Down);
                bChosen = pList->currentIndex() == 1;
                QTest::keyClick(pList, Qt::Key_Return);
            });
        });
        QTest::keyClick(pDialog, Qt::Key_Return);
    });
    window.Action(ID_DEBUG_DIAGNOSTIC_INFORMATION)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_vOpened.empty(); }, kWaitMs));
    EXPECT_TRUE(bRefused && bChosen);
    const QString qsReport = ToQString(m_vOpened[0].first);
    EXPECT_EQ(ToQString(m_vOpened[0].second), m_dir.path() + "/appdata/KOV/Device Diagnostics/1207");
    QFile report(qsReport);
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_TRUE(report.readAll().startsWith("\xEF\xBB\xBF"
                                            "Diagnostic Information: Network Interfaces\n"));
}

// Help > Upgrade's progress window, against a site on the loopback that never finishes its
// answer: the window as laid out, and Escape as its Cancel.
TEST_F(MainWindowTest, UpgradeShowsTheRunInAFixedWindowOfTheMainWindowAndEscapeCancelsIt)
{
    test::CLoopbackHttpServer server;
    server.Answer("/dlds/", {.sBody = std::string(4096, 'x'), .iHoldAfter = 16});
    CMainWindow& window = OpenWindow(server.Url());

    window.Action(ID_HELP_UPGRADE)->trigger();
    const CUpgradeProgressForm& form = window.Frame().Upgrades().Window(EUpgradeOwner::Application);
    QWidget* pWindow = window.Host().ModelessWindowOf(form);
    ASSERT_NE(pWindow, nullptr);
    EXPECT_TRUE(pWindow->isVisible());
    EXPECT_EQ(pWindow->parentWidget(), &window);
    EXPECT_EQ(pWindow->windowTitle(), "Application Upgrade");
    EXPECT_FALSE(pWindow->windowFlags() & Qt::WindowCloseButtonHint);
    auto* pView = pWindow->findChild<CQtFormView*>();
    ASSERT_NE(pView, nullptr);
    auto* pStatus = qobject_cast<QLabel*>(pView->WidgetOf(CUpgradeProgressForm::IDC_STATUS));
    ASSERT_NE(pStatus, nullptr);
    const QString qsNavigating = "Navigating to " + QString::fromStdString(server.Url("/dlds/"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return pStatus->text() == qsNavigating; }, kWaitMs));
    // A long status line does not widen the window; the bar spans it.
    pStatus->setText(qsNavigating.repeated(4));
    QCoreApplication::processEvents();
    EXPECT_EQ(pWindow->width(), 400);
    EXPECT_GT(pView->WidgetOf(CUpgradeProgressForm::IDC_PROGRESS)->width(), 300);

    CApplicationUpgrade& upgrade = window.Frame().Upgrades().Upgrade(EUpgradeOwner::Application);
    pWindow->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(pWindow));
    QTest::keyClick(pWindow, Qt::Key_Escape);
    EXPECT_TRUE(upgrade.IsCancelled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pWindow->isVisible() && !upgrade.IsBusy(); }, kWaitMs));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a cancelled run says nothing";

    // Closing the window (Alt+F4) while a run goes on is Cancel too: the run's end closes it.
    window.Action(ID_HELP_UPGRADE)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pStatus->text() == qsNavigating; }, kWaitMs));
    pWindow->close();
    EXPECT_TRUE(upgrade.IsCancelled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pWindow->isVisible(); }, kWaitMs));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    m_pWindow.reset(); // before the site goes
}

} // namespace
} // namespace kov
