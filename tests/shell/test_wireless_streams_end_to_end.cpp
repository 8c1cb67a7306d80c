// The Wi-Fi and stream pages against the simulated device: an edited wireless address and an
// edited output stream arrive in the device's document, the rest of both sections as it was.
#include <gtest/gtest.h>

#include "ShellTestKit.h"
#include "common/PluggedSim.h"
#include "sections/MediaStreams.h"
#include "sections/Wifi.h"
#include "shell/MainDialogs.h"

namespace kov::test {
namespace {

class WirelessAndStreamsEndToEnd : public CFrameTest {};

std::u16string Attr(NodeRef node, std::u16string_view wszName)
{
    std::u16string wszValue = u"<absent>";
    node.GetAttribute(wszName, wszValue);
    return wszValue;
}

TEST_F(WirelessAndStreamsEndToEnd, EditedAddressAndOutputStreamAreWrittenToTheDevice)
{
    CPluggedSim device(m_sRoot, "sim-wifi");
    ASSERT_TRUE(WaitStatus(u"Connected to device", true));
    ASSERT_TRUE(WaitStatus(u"Parameters loaded"));
    EXPECT_FALSE(m_view.SawStatus(u"Failed to match parameters"));

    auto* pWifi = dynamic_cast<CWifiParamsDlg*>(m_pFrame->PageArea().PageOf(kSubjectWifi));
    auto* pOutput = dynamic_cast<CMediaOutputStreamsDlg*>(m_pFrame->PageArea().PageOf(kSubjectOutput));
    ASSERT_TRUE(pWifi && pOutput);
    ASSERT_TRUE(pWifi->TypeAddress(CWifiParamsDlg::IDC_HOST_ADDRESS, 0xAC102842)); // 172.16.40.66
    m_view.m_host.ExpectDialog(u"Media Stream Params", [](CDialog& dlg) {
        dlg.Type(CEditMediaStreamParamsDlg::IDC_OUT_ADDRESS, u"rtsp://192.168.10.1:8554/rear ");
        dlg.Choose(CEditMediaStreamParamsDlg::IDC_OUT_AUDIO_CHANNEL, 2);
        dlg.PressOk();
    });
    ASSERT_TRUE(pOutput->Choose(CMediaOutputStreamsDlg::IDC_STREAMS_LIST, 1));
    ASSERT_TRUE(pOutput->Click(CMediaOutputStreamsDlg::IDC_STREAMS_CHANGE));
    m_pFrame->OnCommand(ID_WRITE_TO_DEVICE);
    ASSERT_TRUE(WaitStatus(u"Parameters saved"));

    TreeRef written;
    ASSERT_TRUE(written.LoadFromText(device.Device().DocumentText()));
    NodeRef connection = written.Root().FindChild(u"kov:ConnectionParameters");
    NodeRef wifi = connection.FindChild(u"kov:WiFi");
    EXPECT_EQ(wifi.FindChild(u"kov:ServiceSetIdentifier").Text(), u"Depot-Yard-Ops");
    NodeRef layer = wifi.FindChild(u"kov:LocalNetworkParameters");
    EXPECT_EQ(layer.FindChild(u"kov:HostAddress").Text(), u"172.16.40.66");
    EXPECT_EQ(layer.FindChild(u"kov:NameserverAddress2").Text(), u"9.9.9.9");
    // The wired interface keeps its own address.
    EXPECT_EQ(connection.FindChild(u"kov:LocalNetworkParameters").FindChild(u"kov:HostAddress").Text(),
              u"192.168.10.1");

    NodeRef outputs = written.Root()
                          .FindChild(u"kov:CaptureDeviceRules")
                          .FindChild(u"kov:MediaStreams")
                          .FindChild(u"kov:MediaOutputStreams");
    ASSERT_EQ(outputs.ChildCount(), 2u);
    NodeRef rear = outputs.FirstChild().NextSibling();
    EXPECT_EQ(Attr(rear, u"kov:Address"), u"rtsp://192.168.10.1:8554/rear");
    EXPECT_EQ(Attr(rear, u"kov:AudioChannel"), u"1");
    EXPECT_EQ(Attr(rear, u"kov:VideoChannel"), u"2");
    EXPECT_EQ(Attr(outputs.FirstChild(), u"kov:Name"), u"Dashboard View");
    EXPECT_TRUE(m_view.m_host.Errors().empty());
}

} // namespace
} // namespace kov::test
