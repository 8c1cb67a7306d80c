// The Driver menu's commands in the main window, and the presence tick the system's device
// reports trigger.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ShellTestKit.h"
#include "common/PluggedSim.h"

namespace kov::test {
namespace {

// Tools that succeed at everything and remember what they were asked to run.
class CFakeTools final : public ISystemTools {
public:
    SProcessResult Run(const std::vector<std::string>& vArgs) override
    {
        vRuns.push_back(vArgs);
        return {true, 0, {}, {}};
    }
    bool Launch(const std::vector<std::string>&) override { return true; }
    bool HasProgram(const std::string&) override { return true; }
    bool CanWriteFolder(const std::string&) override { return true; }
    std::vector<std::vector<std::string>> vRuns;
};

TEST(DriverMenu, CommandsRunInOneProgressWindow)
{
    CTempFolder folder;
    std::filesystem::create_directories(folder.Path() / "rules.d");
    CFakeTools tools;
    CScriptedView view;
    SMainFrameSettings settings;
    settings.pTransport = std::make_unique<CFakeSlot>();
    settings.oOptionsFile = std::u16string();
    settings.oCustomizationFolder = folder.Folder();
    settings.pSystemTools = &tools;
    settings.oUdevRulesFolder = (folder.Path() / "rules.d").string();
    settings.oAppDataFolder = (folder.Path() / "data").u16string();
    CMainFrame frame(view, std::move(settings));
    frame.Create();
    auto fnPumpUntilClose = [&] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (frame.DriverDialog()->TextOf(CDownloadInstallDriversProcessDlg::IDC_STOP) != u"Close" &&
               std::chrono::steady_clock::now() < end) {
            SDeviceEventData event;
            if (frame.EventQueue().WaitAndTake(event, std::chrono::milliseconds(20)))
                frame.HandleDeviceEvent(std::move(event));
        }
        return frame.DriverDialog()->TextOf(CDownloadInstallDriversProcessDlg::IDC_STOP) == u"Close";
    };

    ASSERT_TRUE(frame.OnCommand(ID_DRIVER_INSTALL));
    CDownloadInstallDriversProcessDlg* pDialog = frame.DriverDialog();
    ASSERT_NE(pDialog, nullptr);
    EXPECT_TRUE(view.m_host.IsModelessShown(*pDialog));
    ASSERT_TRUE(frame.OnCommand(ID_DRIVER_UNINSTALL)); // brings the open window forward only
    ASSERT_TRUE(fnPumpUntilClose());
    EXPECT_EQ(pDialog->Title(), u"Install Drivers");
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / "rules.d" / kUdevRuleFileName));
    EXPECT_EQ(tools.vRuns.size(), 2u);
    EXPECT_TRUE(view.m_host.Messages().empty()); // failures and all go to the log

    // Closing the main window closes the progress window; the next command opens it again.
    frame.OnClose();
    EXPECT_FALSE(view.m_host.IsModelessShown(*pDialog));
    ASSERT_TRUE(frame.OnCommand(ID_DRIVER_UNINSTALL));
    ASSERT_TRUE(fnPumpUntilClose());
    EXPECT_EQ(pDialog->Title(), u"Uninstall Drivers");
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "rules.d" / kUdevRuleFileName));
}

// The pipe way's device root is watched: a device that appears is connected without a poll tick.
class PresenceWatch : public CFrameTest {};

TEST_F(PresenceWatch, ADevicePluggedInIsConnectedWithoutWaitingForThePoll)
{
    CPluggedSim device(m_sRoot, "kov-watched");
    ASSERT_TRUE(WaitStatus(u"Parameters loaded")); // no PresenceTick from the test
    EXPECT_EQ(device.CountLog("read parameters"), 1);
    device.Unplug();
    ASSERT_TRUE(WaitStatus(u"Device disconnected"));

    // Plugged in again: the count rose from 0, so the tick connects again.
    CPluggedSim again(m_sRoot, "kov-watched-2");
    ASSERT_TRUE(WaitStatus(u"Parameters loaded"));
}

} // namespace
} // namespace kov::test
