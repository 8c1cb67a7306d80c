// The main window against the simulated device over real pipes in a private device root.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <thread>

#include "ShellTestKit.h"
#include "common/PluggedSim.h"
#include "shell/MainDialogs.h"
#include "sim/SampleDocument.h"
#include "sim/SimPipeRunner.h"

namespace kov::test {
namespace {

using Dlg = CMainDevicePropertiesDlg;

// A simulated device in the root, asking for a password when given one.
std::unique_ptr<CPluggedSim> PlugDevice(const std::string& sRoot, const std::string& sName,
                                        std::optional<std::string> oPassword)
{
    SSimDeviceOptions options;
    options.oPassword = std::move(oPassword);
    return std::make_unique<CPluggedSim>(sRoot, sName, std::move(options));
}

// Every attribute and text of the change document is found at the same place in the device's.
void ExpectCarried(NodeRef device, NodeRef change, const std::string& sPath)
{
    for (size_t i = 0; i < change.AttributeCount(); ++i) {
        std::u16string_view wszName = change.AttributeName(i);
        if (wszName.starts_with(u"xmlns") || wszName == u"__merge_options")
            continue;
        std::u16string wszValue;
        EXPECT_TRUE(device.GetAttribute(wszName, wszValue) && wszValue == change.AttributeValue(i))
            << sPath << " @" << std::string(wszName.begin(), wszName.end());
    }
    if (!change.Text().empty()) {
        EXPECT_EQ(device.Text(), change.Text()) << sPath;
    }
    // The n-th child of a name matches the n-th of that name, as the device merges lists.
    for (NodeRef child = change.FirstChild(); child; child = child.NextSibling()) {
        size_t iOrdinal = 0;
        for (NodeRef before = change.FirstChild(); before != child; before = before.NextSibling())
            iOrdinal += before.Name() == child.Name();
        NodeRef match = device.FindChild(child.Name());
        while (match && iOrdinal > 0) {
            match = match.NextSibling();
            if (match && match.Name() == child.Name())
                --iOrdinal;
        }
        ASSERT_TRUE(match) << sPath << "/" << std::string(child.Name().begin(), child.Name().end());
        ExpectCarried(match, child, sPath + "/" + std::string(child.Name().begin(), child.Name().end()));
    }
}

NodeRef AdminPasswordHashIn(NodeRef root)
{
    return root.FindChild(u"kov:ServerParameters")
        .FindChild(u"kov:ServerAdminSettings")
        .FindChild(u"kov:AdminPasswordHash");
}

class EndToEnd : public CFrameTest {
protected:
    Dlg& Page() { return m_pFrame->DeviceIdentificationPage(); }
};

TEST_F(EndToEnd, ConfigurationRoundTripWithTheSimulator)
{
    auto& host = m_view.m_host;
    auto pDevice = PlugDevice(m_sRoot, "sim-a", "s3cret");

    // Plugged in: connected, parameters asked for once; the device wants its password first.
    host.ExpectDialog(u"Password Request", [](CDialog& dlg) { dlg.PressCancel(); });
    ASSERT_TRUE(WaitStatus(u"Connected to device", true));
    ASSERT_TRUE(WaitStatus(u"Default Parameters"));
    EXPECT_TRUE(Page().IsEnabled(Dlg::IDC_DEVICE_NAME));
    EXPECT_EQ(pDevice->CountLog("read parameters"), 1);

    host.ExpectDialog(u"Password Request", [](CDialog& dlg) {
        dlg.Type(CPwdDlg::IDC_PASSWORD, u"s3cret");
        dlg.PressOk();
    });
    ASSERT_TRUE(m_pFrame->Holder().RequestParameters());
    ASSERT_TRUE(WaitStatus(u"Parameters loaded"));
    EXPECT_EQ(Page().TextOf(Dlg::IDC_DEVICE_NAME), u"Patrol Unit 7");
    EXPECT_EQ(Page().TextOf(Dlg::IDC_SOFTWARE_VERSION), u"7.1.2.3");

    // Edit and write: the device ends up with exactly what the pages stored.
    Page().Type(Dlg::IDC_DEVICE_NAME, u"  Unit 12 ");
    Page().Type(Dlg::IDC_ADMIN_PASSWORD, u"adm");
    m_pFrame->OnCommand(ID_WRITE_TO_DEVICE);
    ASSERT_TRUE(WaitStatus(u"Parameters saved"));
    TreeRef deviceDocument;
    ASSERT_TRUE(deviceDocument.LoadFromText(pDevice->Device().DocumentText()));
    NodeRef root = deviceDocument.Root();
    EXPECT_EQ(root.FindChild(u"kov:CaptureDeviceStatus").FindChild(u"kov:Name").Text(), u"Unit 12");
    EXPECT_EQ(AdminPasswordHashIn(root).Text(), AdminPasswordHash(u"adm"));
    ExpectCarried(root, m_pFrame->Holder().ChangeDocument().Root(), "root");

    // A factory reset succeeds and the parameters are read again; the change document made
    // for the old ones starts over.
    ASSERT_TRUE(m_pFrame->Holder().SendCommand(ResetParameters));
    ASSERT_TRUE(WaitStatus(u"Parameters loaded"));
    EXPECT_TRUE(m_view.SawStatus(u"Parameters Reset Success"));
    EXPECT_EQ(pDevice->CountLog("read parameters"), 3); // on plugging in, after the password, after the reset
    EXPECT_EQ(Page().TextOf(Dlg::IDC_DEVICE_NAME), u"Patrol Unit 7");
    EXPECT_FALSE(m_pFrame->Holder().ChangeDocument().Root().FirstChild());

    // A second device raises the count but is not connected.
    auto pSecond = PlugDevice(m_sRoot, "sim-b", std::nullopt);
    ASSERT_TRUE(PumpUntil([&] { return m_pFrame->Holder().CountDevices() == 2; }));
    const size_t nStatus = m_view.m_vStatus.size();
    m_pFrame->PresenceTick();
    EXPECT_EQ(m_view.m_vStatus.size(), nStatus);
    EXPECT_EQ(pSecond->CountLog("host connected"), 0);

    // Unplugging the first: the error line, then disconnected with the pages disabled.
    pDevice->Unplug();
    ASSERT_TRUE(WaitStatus(u"Device disconnected"));
    EXPECT_FALSE(m_pFrame->Holder().IsConnected() || Page().IsEnabled(Dlg::IDC_DEVICE_NAME));
    EXPECT_NE(m_pFrame->LogView().Text().find(u"Device File Error"), std::u16string::npos);
    EXPECT_TRUE(host.Errors().empty() && host.AllConsumed());
}

TEST_F(EndToEnd, WhatOneDeviceWasGivenIsNotSentToTheNext)
{
    auto pFirst = PlugDevice(m_sRoot, "sim-a", std::nullopt);
    ASSERT_TRUE(WaitStatus(u"Parameters loaded", true));
    Page().Type(Dlg::IDC_ADMIN_PASSWORD, u"adm");
    m_pFrame->OnCommand(ID_WRITE_TO_DEVICE);
    ASSERT_TRUE(WaitStatus(u"Parameters saved"));
    EXPECT_TRUE(AdminPasswordHashIn(m_pFrame->Holder().ChangeDocument().Root()));
    pFirst->Unplug();
    ASSERT_TRUE(WaitStatus(u"Device disconnected", true));

    auto pSecond = PlugDevice(m_sRoot, "sim-b", std::nullopt);
    ASSERT_TRUE(WaitStatus(u"Parameters loaded", true));
    m_pFrame->OnCommand(ID_WRITE_TO_DEVICE);
    ASSERT_TRUE(WaitStatus(u"Parameters saved"));
    EXPECT_FALSE(AdminPasswordHashIn(m_pFrame->Holder().ChangeDocument().Root()));
    TreeRef secondDocument;
    ASSERT_TRUE(secondDocument.LoadFromText(pSecond->Device().DocumentText()));
    EXPECT_FALSE(AdminPasswordHashIn(secondDocument.Root()));
}

} // namespace
} // namespace kov::test
