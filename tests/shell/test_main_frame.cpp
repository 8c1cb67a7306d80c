#include "shell/MainFrame.h"

#include <gtest/gtest.h>

#include <fstream>

#include "ShellTestKit.h"
#include "document/AppOptions.h"
#include "sections/DeviceRequests.h"
#include "sections/Maintenance.h"
#include "shell/MainDialogs.h"
#include "sim/SampleDocument.h"

namespace kov::test {
namespace {

using Dlg = CMainDevicePropertiesDlg;

// A 32-bit program on 64-bit Windows of the given major version.
SSystemFacts WindowsFacts(uint32_t dwMajor)
{
    return {ESystemFamily::Windows, dwMajor, 0, true, true};
}

// A system that has the driver maintenance commands, answering each with one message.
class CFakeMaintenance final : public IDriverMaintenance {
public:
    bool IsAvailable(EDriverMaintenance) const override { return true; }
    std::vector<SMaintenanceMessage> Run(EDriverMaintenance eCommand, bool bAllowElevation) override
    {
        vRuns.push_back({eCommand, bAllowElevation});
        return {{u"2 registry key(s) deleted.", u"Delete USB Flags Registry Keys"}};
    }
    std::vector<std::pair<EDriverMaintenance, bool>> vRuns;
};

TEST(MainFrame, WindowCreationAndMenuEnabling)
{
    CFakeMaintenance maintenance;
    SFrameFixture f({}, WindowsFacts(10), {}, &maintenance);
    EXPECT_EQ(f.view.m_wszTitle, u"KOV Device Configurator");
    EXPECT_EQ(f.view.m_vStatus.front(), u"Ready");
    EXPECT_EQ(f.view.m_vTimers, (std::vector<std::pair<uint32_t, uint32_t>>{{1000u, 1000u}}));
    EXPECT_TRUE(f.frame->IsCommandChecked(ID_VIEW_TOOLBAR) && f.frame->IsCommandChecked(ID_VIEW_TREEPANE));
    EXPECT_FALSE(f.Page().IsEnabled(Dlg::IDC_DEVICE_NAME));
    // The driver is a udev rule: its commands always apply. Where the system has the driver
    // maintenance commands, they follow its version.
    for (uint32_t id :
         {ID_DRIVER_TEST_MODE, ID_DRIVER_NORMAL_MODE, ID_DRIVER_RESTART_WITH_OPTIONS,
          ID_DRIVER_DELETE_USB_FLAGS, ID_DRIVER_DOWNLOAD, ID_DRIVER_DOWNLOAD_AND_INSTALL, ID_DRIVER_INSTALL,
          ID_DRIVER_UNINSTALL, ID_HELP_UPGRADE, ID_HELP_WEBSITE, ID_HELP_EMAIL_SUPPORT})
        EXPECT_TRUE(f.frame->IsCommandEnabled(id) && f.frame->IsCommandAvailable(id)) << id;
    EXPECT_TRUE(f.frame->OnCommand(ID_DRIVER_DELETE_USB_FLAGS));
    EXPECT_EQ(maintenance.vRuns,
              (std::vector<std::pair<EDriverMaintenance, bool>>{{EDriverMaintenance::DeleteUsbFlags, true}}));
    EXPECT_EQ(f.view.m_host.LastMessage().wszCaption, u"Delete USB Flags Registry Keys");
    SFrameFixture old({}, WindowsFacts(5), {}, &maintenance);
    EXPECT_FALSE(old.frame->IsCommandEnabled(ID_DRIVER_TEST_MODE) ||
                 old.frame->IsCommandEnabled(ID_DRIVER_RESTART_WITH_OPTIONS));

    // This system has none of them: they are left out of the menu and do nothing.
    SFrameFixture linux;
    for (uint32_t id : {ID_DRIVER_TEST_MODE, ID_DRIVER_NORMAL_MODE, ID_DRIVER_RESTART_WITH_OPTIONS,
                        ID_DRIVER_DELETE_USB_FLAGS})
        EXPECT_FALSE(linux.frame->IsCommandAvailable(id) || linux.frame->IsCommandEnabled(id) ||
                     linux.frame->OnCommand(id))
            << id;
    for (uint32_t id :
         {ID_DRIVER_DOWNLOAD, ID_DRIVER_DOWNLOAD_AND_INSTALL, ID_DRIVER_INSTALL, ID_DRIVER_UNINSTALL})
        EXPECT_TRUE(linux.frame->IsCommandAvailable(id) && linux.frame->IsCommandEnabled(id)) << id;
    f.frame->OnCommand(ID_PANE_CLOSE);
    EXPECT_FALSE(f.view.m_bTreePane || f.frame->IsCommandChecked(ID_VIEW_TREEPANE));
}

TEST(MainFrame, HelpCommandsFollowTheCustomTexts)
{
    {
        SFrameFixture f;
        f.frame->OnCommand(ID_HELP_WEBSITE);
        f.frame->OnCommand(ID_HELP_EMAIL_SUPPORT);
        EXPECT_EQ(f.view.m_vOpened,
                  (std::vector<std::u16string>{u"http://www.dovrane.com", u"mailto:support@dovrane.com"}));
    }
    const std::string sHead = "<kov:Custom xmlns:kov=\"urn:dovrane:kov\"><kov:CustomTexts>";
    const std::string sTail = "</kov:CustomTexts></kov:Custom>";
    {
        // No website element: the command is disabled. An empty support address falls back.
        SFrameFixture f(sHead + "<kov:ApplicationName>Acme</kov:ApplicationName><kov:SupportEmailAddress/>" +
                        sTail);
        EXPECT_EQ(f.view.m_wszTitle, u"Acme");
        EXPECT_FALSE(f.frame->IsCommandEnabled(ID_HELP_UPGRADE) || f.frame->OnCommand(ID_HELP_WEBSITE));
        EXPECT_TRUE(f.frame->OnCommand(ID_HELP_EMAIL_SUPPORT));
        EXPECT_EQ(f.view.m_vOpened, (std::vector<std::u16string>{u"mailto:support@dovrane.com"}));
    }
    // An empty website element keeps the command but opens nothing.
    for (const auto& [sGiven, vOpened] : std::vector<std::pair<std::string, std::vector<std::u16string>>>{
             {"www.acme.test", {u"http://www.acme.test"}},
             {"http:/", {u"http://http:/"}},
             {"https://acme.test", {u"https://acme.test"}},
             {"", {}}}) {
        SFrameFixture f(sHead + "<kov:WebsiteURL>" + sGiven + "</kov:WebsiteURL>" + sTail);
        EXPECT_TRUE(f.frame->OnCommand(ID_HELP_WEBSITE));
        EXPECT_EQ(f.view.m_vOpened, vOpened) << sGiven;
    }
}

TEST(MainFrame, ParameterFileCommands)
{
    SFrameFixture f;
    const std::u16string wszGood = f.folder.File("device.mdc");
    TreeRef sample;
    ASSERT_TRUE(sample.LoadFromText(SampleDocumentText()) && sample.SaveToFile(wszGood));

    f.frame->OnCommand(ID_FILE_SAVE); // no current path: asks for one (cancelled)
    EXPECT_TRUE(f.view.m_host.FileDialogs().back().bSave);
    f.view.m_host.QueueFile(f.folder.File("missing.mdc"));
    f.frame->OnCommand(ID_FILE_OPEN);
    EXPECT_EQ(f.view.m_host.LastMessage().wszCaption, u"File Open");
    EXPECT_EQ(f.frame->Holder().State(), EDocumentState::None);
    const SFileDialogOptions& options = f.view.m_host.FileDialogs().back().options;
    EXPECT_EQ(options.wszFilter, u"MDC files (*.mdc)|*.mdc|XML Files (*.xml)|*.xml|All Files (*.*)|*.*|");
    EXPECT_EQ(options.wszDefaultExt, u"mdc");

    f.view.m_host.QueueFile(wszGood);
    f.frame->OnCommand(ID_FILE_OPEN);
    EXPECT_EQ(f.view.LastStatus(), u"Parameters file opened: device.mdc");
    EXPECT_EQ(f.frame->Holder().State(), EDocumentState::File);
    EXPECT_TRUE(f.Page().IsEnabled(Dlg::IDC_DEVICE_NAME));
    // A file's document takes the pages' edits before Save writes it.
    auto fnSavedName = [&] {
        TreeRef saved;
        return std::u16string(
            saved.LoadFromFile(wszGood).FindChild(u"kov:CaptureDeviceStatus").FindChild(u"kov:Name").Text());
    };
    f.Page().Type(Dlg::IDC_DEVICE_NAME, u"Edited");
    std::filesystem::remove(f.folder.Path() / "device.mdc");
    f.frame->OnCommand(ID_FILE_SAVE);
    EXPECT_EQ(fnSavedName(), u"Edited");
    EXPECT_EQ(f.view.LastStatus(), u"Parameters file saved: device.mdc");
    // Save As starts from the current path; a failed save is reported, and not as saved.
    const size_t nStatus = f.view.m_vStatus.size();
    f.view.m_host.QueueFile(f.folder.File("no-folder/x.mdc"));
    f.frame->OnCommand(ID_FILE_SAVE_AS);
    EXPECT_EQ(f.view.m_host.FileDialogs().back().options.wszInitialPath, wszGood);
    EXPECT_EQ(f.view.m_host.LastMessage().wszText, u"Failed to save parameters to file");
    EXPECT_EQ(f.view.m_vStatus.size(), nStatus);

    f.frame->OnCommand(ID_FILE_CLOSE);
    EXPECT_EQ(f.view.LastStatus(), u"Closed");
    EXPECT_EQ(f.frame->Holder().State(), EDocumentState::None);
    EXPECT_FALSE(f.Page().IsEnabled(Dlg::IDC_DEVICE_NAME));

    // A device's document is saved as it was received, the pages' edits left out.
    const std::string sSample = SampleDocumentText();
    f.Event(DeviceEvent::ParametersDocumentEvent, uint32_t(sSample.size()), 0, sSample);
    f.Page().Type(Dlg::IDC_DEVICE_NAME, u"Not saved");
    f.view.m_host.QueueFile(wszGood);
    f.frame->OnCommand(ID_FILE_SAVE_AS);
    EXPECT_EQ(fnSavedName(), u"Patrol Unit 7");
    f.frame->OnCommand(ID_FILE_CLOSE); // only a file is closed
    EXPECT_EQ(f.frame->Holder().State(), EDocumentState::Device);
}

TEST(MainFrame, DeviceEventsAndOperationsWithoutADevice)
{
    SFrameFixture f;
    auto& host = f.view.m_host;
    auto ExpectMessage = [&](std::u16string_view wszText, std::u16string_view wszCaption) {
        EXPECT_EQ(host.LastMessage().wszText, wszText);
        EXPECT_EQ(host.LastMessage().wszCaption, wszCaption);
    };
    const struct {
        DeviceEvent eEvent;
        uint32_t wParam, lParam;
        const char16_t *wszText, *wszCaption;
    } kMessages[] = {
        {DeviceEvent::UnsupportedCommandEvent, 67, 0, u"Unsupported device command. Index=67",
         u"Device Control"},
        {DeviceEvent::DisableConsoleResultEvent, 0, 0, u"Console disabled.", u"Disable Console"},
        {DeviceEvent::DisableConsoleResultEvent, 3, 0, u"Enable console result = 3.", u"Disable Console"},
        {DeviceEvent::CommandNotAuthorizedEvent, 0, 0, u"Device command not authorized.", u"Device Command"},
    };
    for (const auto& m : kMessages) {
        f.Event(m.eEvent, m.wParam, m.lParam);
        ExpectMessage(m.wszText, m.wszCaption);
    }
    f.Event(DeviceEvent::SoftwareVersionEvent, 0, 0x01020304);
    EXPECT_EQ(f.Page().TextOf(Dlg::IDC_SOFTWARE_VERSION), u"1.2.3.4");
    f.Event(DeviceEvent::DeviceTextEvent, 0, 0, "Device File Error: 5");
    f.Event(DeviceEvent::DeviceTextEvent, 7, 0, "server connected"); // connection status, not the log
    f.Event(DeviceEvent::DeviceTextEvent, 3, 0, "caf\xc3\xa9");
    EXPECT_EQ(f.frame->LogView().Text(), u"Device File Error: 5\r\ncaf\u00e9\r\n");

    f.Event(DeviceEvent::ParametersDocumentEvent);
    EXPECT_EQ(f.view.LastStatus(), u"Failed to load parameters");
    const std::string sSample = SampleDocumentText();
    f.Event(DeviceEvent::ParametersDocumentEvent, uint32_t(sSample.size()), 0, sSample);
    EXPECT_EQ(f.view.LastStatus(), u"Parameters loaded");
    EXPECT_TRUE(f.Page().IsEnabled(Dlg::IDC_DEVICE_ID));
    f.Event(DeviceEvent::ParametersDocumentEvent, 5, 0, "<oops"); // keeps the document loaded
    EXPECT_TRUE(f.frame->Holder().Document(false).FindChild(u"kov:CaptureDeviceConfig"));
    f.Event(DeviceEvent::WriteParametersResultEvent, 0);
    EXPECT_EQ(f.view.LastStatus(), u"Failed to save parameters");
    f.Event(DeviceEvent::ResetParametersResultEvent, 1);
    EXPECT_TRUE(f.view.SawStatus(u"Parameters Reset Success"));
    EXPECT_EQ(f.view.LastStatus(), u"Cannot load parameters from device");

    for (uint32_t id : {ID_RESET_DEVICE, ID_SHUTDOWN_DEVICE, ID_DEBUG_VIEW_CRITICAL_LOG}) {
        host.ClearRecords();
        EXPECT_TRUE(f.frame->OnCommand(id));
        ExpectMessage(u"Cannot perform action on device", u"Device Action");
    }
    f.frame->OnCommand(ID_WRITE_TO_DEVICE);
    EXPECT_EQ(f.view.LastStatus(), u"Saving parameters to device");
    ExpectMessage(u"Cannot save to device", u"Device Connection");

    f.Event(DeviceEvent::LinkClosed);
    EXPECT_EQ(f.view.LastStatus(), u"Device disconnected");
    EXPECT_FALSE(f.Page().IsEnabled(Dlg::IDC_DEVICE_ID));
    // Password OK with no device cannot be sent.
    host.ExpectDialog(u"Password Request", [](CDialog& dlg) { dlg.PressOk(); });
    host.ClearRecords();
    f.Event(DeviceEvent::PasswordRequestEvent);
    ExpectMessage(u"Cannot perform action on device", u"Device Action");
    EXPECT_TRUE(host.Errors().empty() && host.AllConsumed());
}

TEST(MainFrame, PresencePollAndTheLogSubject)
{
    SFrameFixture f;
    f.slot->m_iCount = 1;
    f.slot->m_bOpenWorks = false;
    f.frame->PresenceTick();
    EXPECT_EQ(f.view.LastStatus(), u"Device connection failed");
    EXPECT_FALSE(f.view.Saw(EOutcome::DeviceAccessDenied));
    f.frame->PresenceTick(); // the same count: no second attempt
    EXPECT_EQ(f.slot->m_nOpens, 1);
    // A device this user may not open: the failure also says why, in the log, and what mends it.
    f.slot->m_bDenied = true;
    f.slot->m_iCount = 2;
    f.frame->PresenceTick();
    EXPECT_TRUE(f.view.Saw(EOutcome::DeviceAccessDenied));
    EXPECT_NE(f.frame->LogView().Text().find(u"Driver > Install driver"), std::u16string::npos);
    f.slot->m_iCount = 0;
    f.frame->PresenceTick();
    f.slot->m_bOpenWorks = true;
    f.slot->m_iCount = -1; // an enumeration error counts as a rise
    f.frame->PresenceTick();
    EXPECT_EQ(f.view.LastStatus(), u"Connected to device");
    EXPECT_EQ(f.slot->NextFrame().dwCommandId, uint32_t(ReadParameters));

    // Log on when selected, off when left, nothing between other subjects or on reselection.
    for (int32_t iSubject : {kSubjectLog, kSubjectLog, kSubjectStreams, kSubjectDeviceIdentification})
        f.frame->Tree().Switch(iSubject);
    EXPECT_EQ(f.view.m_iShownSubject, kSubjectDeviceIdentification);
    f.frame->OnCommand(ID_SHUTDOWN_DEVICE);
    SFrameHeader h = f.slot->NextFrame();
    EXPECT_TRUE(h.dwCommandId == LogOutput && h.dwParam == 1);
    h = f.slot->NextFrame();
    EXPECT_TRUE(h.dwCommandId == LogOutput && h.dwParam == 0);
    EXPECT_EQ(f.slot->NextFrame().dwCommandId, uint32_t(ShutdownDevice));
    EXPECT_EQ(f.view.LastStatus(), u"Device Shutdown");
    f.frame->OnCommand(ID_DELETE_KEY); // goes to the page shown
    EXPECT_EQ(f.Page().PendingMessageCount(), 1u);

    // A password request after a password was sent, with no document between, is a refusal.
    auto fnAsked = [&] {
        f.view.m_host.ExpectDialog(u"Password Request", [](CDialog& dlg) {
            dlg.Type(CPwdDlg::IDC_PASSWORD, u"pw");
            dlg.PressOk();
        });
        f.Event(DeviceEvent::PasswordRequestEvent);
        EXPECT_EQ(f.slot->NextFrame().dwCommandId, uint32_t(PasswordReply));
        return f.view.m_vOutcomes.back().eOutcome;
    };
    EXPECT_EQ(fnAsked(), EOutcome::PasswordNeeded);
    EXPECT_EQ(fnAsked(), EOutcome::PasswordRefused);
    const std::string sSample = SampleDocumentText();
    f.Event(DeviceEvent::ParametersDocumentEvent, uint32_t(sSample.size()), 0, sSample);
    EXPECT_EQ(fnAsked(), EOutcome::PasswordNeeded);
    EXPECT_TRUE(f.view.m_host.Errors().empty());
}

TEST(MainFrame, PasswordCancelStartsFromDefaultsAndARefusedWriteEndsTheSaving)
{
    SFrameFixture f;
    const std::u16string wszFile = f.folder.File("device.mdc");
    TreeRef sample;
    ASSERT_TRUE(sample.LoadFromText(SampleDocumentText()) && sample.SaveToFile(wszFile));
    const auto fnCancelPassword = [&] {
        f.view.m_host.ExpectDialog(u"Password Request", [](CDialog& dlg) { dlg.PressCancel(); });
        f.Event(DeviceEvent::PasswordRequestEvent);
        EXPECT_EQ(f.view.LastStatus(), u"Default Parameters");
        EXPECT_EQ(f.frame->Holder().State(), EDocumentState::Device);
        EXPECT_TRUE(f.Page().IsEnabled(Dlg::IDC_DEVICE_NAME));
    };
    const auto fnPlug = [&] {
        f.slot->m_iCount = 0;
        f.frame->PresenceTick();
        f.slot->m_iCount = 1;
        f.frame->PresenceTick();
        ASSERT_EQ(f.slot->NextFrame().dwCommandId, uint32_t(ReadParameters));
    };

    // One device sent its parameters and went; the next one's password is not given.
    ASSERT_NO_FATAL_FAILURE(fnPlug());
    const std::string sSample = SampleDocumentText();
    f.Event(DeviceEvent::ParametersDocumentEvent, uint32_t(sSample.size()), 0, sSample);
    ASSERT_EQ(f.Page().TextOf(Dlg::IDC_DEVICE_NAME), u"Patrol Unit 7");
    f.Event(DeviceEvent::LinkClosed);
    ASSERT_NO_FATAL_FAILURE(fnPlug());
    fnCancelPassword();
    EXPECT_EQ(f.Page().TextOf(Dlg::IDC_DEVICE_NAME), u"");

    // Written all the same, the device refuses: after its message the saving has failed.
    f.Page().Type(Dlg::IDC_DEVICE_NAME, u"Mine");
    f.frame->OnCommand(ID_WRITE_TO_DEVICE);
    EXPECT_EQ(f.slot->NextFrame().dwCommandId, uint32_t(WriteParametersCompressed));
    f.Event(DeviceEvent::CommandNotAuthorizedEvent);
    EXPECT_EQ(f.view.m_host.LastMessage().wszText, u"Device command not authorized.");
    EXPECT_EQ(f.view.LastStatus(), u"Failed to save parameters");
    // A refusal with no write outstanding leaves the status alone.
    const size_t nStatus = f.view.m_vStatus.size();
    f.Event(DeviceEvent::CommandNotAuthorizedEvent);
    EXPECT_EQ(f.view.m_vStatus.size(), nStatus);

    // A file the operator opened is what they edit without the password.
    f.view.m_host.QueueFile(wszFile);
    f.frame->OnCommand(ID_FILE_OPEN);
    fnCancelPassword();
    EXPECT_EQ(f.Page().TextOf(Dlg::IDC_DEVICE_NAME), u"Patrol Unit 7");
    EXPECT_TRUE(f.view.m_host.Errors().empty() && f.view.m_host.AllConsumed());
}

// "Reset Parameters" checks the connection before it asks; deleting the recordings asks first.
TEST(MainFrame, PageRequestsAskAndCheckTheConnectionInTheirOrder)
{
    SFrameFixture f;
    auto& host = f.view.m_host;
    auto& page = *dynamic_cast<CDeviceProgramDlg*>(f.frame->PageArea().PageOf(kSubjectMaintenance));
    auto fnDelete = [&] { return DeleteAllRecordingFiles(&f.view, &f.frame->Holder(), f.frame.get()); };
    auto fnShown = [&] {
        std::vector<std::pair<std::u16string, std::u16string>> v;
        for (const SMessageRecord& m : host.Messages())
            v.emplace_back(m.wszText, m.wszCaption);
        host.ClearRecords();
        return v;
    };
    using VShown = std::vector<std::pair<std::u16string, std::u16string>>;

    EXPECT_EQ(page.ResetParameters(), EDeviceRequest::NotConnected);
    EXPECT_EQ(fnShown(), (VShown{{u"Device not ready", u"Factory Settings"}}));
    host.QueueAnswer(EDlgResult::No);
    EXPECT_EQ(fnDelete(), EDeviceRequest::Declined);
    host.QueueAnswer(EDlgResult::Yes);
    EXPECT_EQ(fnDelete(), EDeviceRequest::NotConnected);
    EXPECT_EQ(fnShown(), (VShown{{u"Are you sure?", u"Delete All Recordings"},
                                 {u"Are you sure?", u"Delete All Recordings"},
                                 {u"Device not ready", u"Delete All Recordings"}}));

    f.slot->m_iCount = 1;
    f.frame->PresenceTick();
    EXPECT_EQ(f.slot->NextFrame().dwCommandId, uint32_t(ReadParameters));
    host.QueueAnswer(EDlgResult::Yes);
    EXPECT_EQ(page.ResetParameters(), EDeviceRequest::Sent);
    host.QueueAnswer(EDlgResult::Yes);
    EXPECT_EQ(fnDelete(), EDeviceRequest::Sent);
    EXPECT_EQ(fnShown(), (VShown{{u"Are you sure ?", u"Factory Settings"},
                                 {u"Are you sure?", u"Delete All Recordings"}}));
    EXPECT_EQ(f.slot->NextFrame().dwCommandId, uint32_t(ResetParameters));
    EXPECT_EQ(f.slot->NextFrame().dwCommandId, uint32_t(DeleteAllRecordings));
    EXPECT_TRUE(host.Errors().empty() && host.AllConsumed());
}

// Records the order in which the page area calls its pages.
class CRecordingPage final : public CPage {
public:
    CRecordingPage(std::vector<int>& rCalls, int32_t iSubject) : m_rCalls(rCalls), m_iSubject(iSubject) {}
    bool Load() override
    {
        m_rCalls.push_back(m_iSubject);
        return m_iSubject != kSubjectVpn;
    }
    void Store() override { m_rCalls.push_back(m_iSubject); }
    void Enable(bool) override { m_rCalls.push_back(m_iSubject); }

private:
    std::vector<int>& m_rCalls;
    int32_t m_iSubject;
};

TEST(PageArea, PageSetOrdersAndTheVpnRule)
{
    std::vector<int> vCalls;
    CViewWindowsSwapper area;
    for (const SSubject& subject : kSubjects)
        area.AddPage(subject.iId, std::make_unique<CRecordingPage>(vCalls, subject.iId));
    EXPECT_TRUE(area.LoadAll()); // VPN's mismatch does not count
    EXPECT_EQ(vCalls, (std::vector<int>{2, 4, 6, 7, 8, 9, 10, 11, 12, 3, 14, 5, 17, 18, 19, 20, 21, 22, 13}));
    vCalls.clear();
    area.StoreAll();
    EXPECT_EQ(vCalls, (std::vector<int>{2, 4, 6, 7, 8, 9, 10, 11, 12, 3, 14, 5, 17, 18, 13, 19, 20, 21, 22}));
    vCalls.clear();
    area.EnableAll(true);
    EXPECT_EQ(vCalls, (std::vector<int>{2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 3, 14, 17, 18, 13, 19, 20, 21, 22}));
    // Any other mismatch fails the load, and every page is still loaded.
    CViewWindowsSwapper partial;
    partial.AddPage(kSubjectVpn, std::make_unique<CRecordingPage>(vCalls, kSubjectVpn));
    partial.AddPage(kSubjectPortForwarding, std::make_unique<CRecordingPage>(vCalls, kSubjectPortForwarding));
    partial.AddPage(kSubjectConnection, std::make_unique<CRecordingPage>(vCalls, kSubjectVpn));
    vCalls.clear();
    EXPECT_FALSE(partial.LoadAll());
    EXPECT_EQ(vCalls, (std::vector<int>{13, 22, 13}));
}

TEST(MainFrame, ClosingRemembersTheProgramFile)
{
    SFrameFixture f({}, {}, u"/firmware/kov <7>.tgz");
    EXPECT_EQ(f.frame->ProgramFilePath(), u"/firmware/kov <7>.tgz");
    f.frame->OnCommand(ID_APP_EXIT);
    EXPECT_EQ(f.view.m_nCloseRequests, 1);
    std::filesystem::remove(f.folder.Path() / "options.xml");
    f.frame->OnClose();
    EXPECT_TRUE(f.view.m_bDestroyed);
    std::u16string wszRead;
    EXPECT_TRUE(LoadAppOptions(f.folder.File("options.xml"), wszRead));
    EXPECT_EQ(wszRead, u"/firmware/kov <7>.tgz");
}

} // namespace
} // namespace kov::test
