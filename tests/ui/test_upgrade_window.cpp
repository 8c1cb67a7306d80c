// Help > Upgrade's progress window in the Qt main window, against a site on the loopback that
// never finishes its answer: the window as laid out, and Escape as its Cancel.
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "common/LoopbackHttpServer.h"
#include "ui/qt/FormView.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtText.h"

namespace kov {
namespace {

constexpr int kWaitMs = 15000;

TEST(UpgradeWindow, ShowsTheRunInAFixedWindowOfTheMainWindowAndEscapeCancelsIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    test::CLoopbackHttpServer server;
    server.Answer("/dlds/", {.sBody = std::string(4096, 'x'), .iHoldAfter = 16});
    SMainFrameSettings settings;
    settings.pTransport = std::make_unique<CUsbDeviceTransport>(dir.path().toStdString() + "/devices");
    settings.oOptionsFile = u"";
    settings.oCustomizationFolder = FromQString(dir.path() + "/");
    settings.sDownloadSite = server.Url();
    settings.oDownloadFolder = FromQString(dir.path());
    CMainWindow window(std::move(settings));
    window.show();

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
}

} // namespace
} // namespace kov
