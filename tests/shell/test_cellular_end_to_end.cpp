// The cellular and VPN pages against the simulated device: what the operator edits arrives in
// the device's document, and what the operator did not touch arrives as it was.
#include <gtest/gtest.h>

#include "ShellTestKit.h"
#include "common/PluggedSim.h"
#include "sections/Modem.h"
#include "shell/MainDialogs.h"

namespace kov::test {
namespace {

class CellularEndToEnd : public CFrameTest {};

TEST_F(CellularEndToEnd, EditedApnIsWrittenToTheDevice)
{
    CPluggedSim device(m_sRoot, "sim-cell");
    ASSERT_TRUE(WaitStatus(u"Connected to device", true));
    ASSERT_TRUE(WaitStatus(u"Parameters loaded"));
    EXPECT_FALSE(m_view.SawStatus(u"Failed to match parameters"));

    auto* pModem = dynamic_cast<CModemParamsDlg*>(m_pFrame->PageArea().PageOf(kSubjectModem));
    ASSERT_NE(pModem, nullptr);
    ASSERT_TRUE(pModem->Type(CModemParamsDlg::IDC_APN, u" apn.e2e.example  "));
    m_pFrame->OnCommand(ID_WRITE_TO_DEVICE);
    ASSERT_TRUE(WaitStatus(u"Parameters saved"));

    TreeRef written;
    ASSERT_TRUE(written.LoadFromText(device.Device().DocumentText()));
    TreeRef sample;
    ASSERT_TRUE(sample.LoadFromText(SampleDocumentText()));
    NodeRef modem =
        written.Root().FindChild(u"kov:ConnectionParameters").FindChild(u"kov:RemoteAccessConnection");
    EXPECT_EQ(modem.FindChild(u"kov:AccessPointName").Text(), u"apn.e2e.example");
    NodeRef sampleModem =
        sample.Root().FindChild(u"kov:ConnectionParameters").FindChild(u"kov:RemoteAccessConnection");
    EXPECT_EQ(modem.FindChild(u"kov:ModemCommand").Text(), sampleModem.FindChild(u"kov:ModemCommand").Text());
    EXPECT_EQ(modem.FindChild(u"kov:ConnSMSPhoneNum").Text(), u"+491511234567");
    // The VPN section goes back whole, its certificate unchanged.
    NodeRef vpn = written.Root().FindChild(u"kov:VPNParams");
    EXPECT_EQ(vpn.FindChild(u"kov:Certificate").Text(),
              sample.Root().FindChild(u"kov:VPNParams").FindChild(u"kov:Certificate").Text());
    EXPECT_EQ(vpn.FindChild(u"kov:VPNTypes").ChildCount(), 2u);
    EXPECT_TRUE(m_view.m_host.Errors().empty());
}

} // namespace
} // namespace kov::test
