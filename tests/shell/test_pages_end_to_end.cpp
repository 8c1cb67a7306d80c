// Pages edited in the main window reach the simulated device over real pipes: what the operator
// edits arrives in the device's document, and what the operator did not touch arrives as it was.
#include <gtest/gtest.h>

#include "ShellTestKit.h"
#include "common/PluggedSim.h"
#include "sections/Gpio.h"
#include "sections/MediaStreams.h"
#include "sections/Modem.h"
#include "sections/PageTestKit.h"
#include "sections/Recording.h"
#include "sections/Wifi.h"
#include "shell/MainDialogs.h"

namespace kov::test {
namespace {

using Gpio = CDeviceGPIODlg;
using Recording = CDeviceRecordingParamsDlg;
using Stream = CEditMediaStreamParamsDlg;

class PagesEndToEnd : public CFrameTest {
protected:
    template <class TPage> TPage* PageOf(int32_t iSubject)
    {
        return dynamic_cast<TPage*>(m_pFrame->PageArea().PageOf(iSubject));
    }
};

TEST_F(PagesEndToEnd, EditedFieldsAreWrittenToTheDeviceAndTheRestAsItWas)
{
    CPluggedSim device(m_sRoot, "sim-pages");
    ASSERT_TRUE(WaitStatus(u"Parameters loaded", true));
    // Every page, these among them, matched the device's document.
    EXPECT_FALSE(m_view.SawStatus(u"Failed to match parameters"));

    auto* pModem = PageOf<CModemParamsDlg>(kSubjectModem);
    auto* pGpio = PageOf<Gpio>(kSubjectGpio);
    auto* pRecording = PageOf<Recording>(kSubjectRecording);
    auto* pWifi = PageOf<CWifiParamsDlg>(kSubjectWifi);
    auto* pOutput = PageOf<CMediaOutputStreamsDlg>(kSubjectOutput);
    ASSERT_TRUE(pModem && pGpio && pRecording && pWifi && pOutput);
    ASSERT_TRUE(pModem->Type(CModemParamsDlg::IDC_APN, u" apn.e2e.example  "));
    // Output 2 becomes a 120 ms pulse named "Strobe"; input 2 normally closed, on video channel 2 only.
    auto& gpio = *pGpio;
    ASSERT_TRUE(gpio.Choose(Gpio::IDC_OUTPUT_PORTS, 1));
    gpio.Type(Gpio::IDC_OUTPUT_NAME, u"Strobe");
    gpio.Click(Gpio::IDC_PULSE);
    gpio.Type(Gpio::IDC_PULSE_TIME, u"120");
    ASSERT_TRUE(gpio.Choose(Gpio::IDC_INPUT_PORTS, 1));
    gpio.Click(Gpio::IDC_INPUT_NORMALLY_CLOSE);
    ASSERT_TRUE(gpio.InputVideoList().UserSelectRows({1}));
    // Recordings split at 500 MB and every 2 hours.
    auto& recording = *pRecording;
    ASSERT_TRUE(recording.Choose(Recording::IDC_FILE_SIZE_LIMIT, 9));
    ASSERT_TRUE(recording.Choose(Recording::IDC_FILE_TIME_UNIT, 3));
    ASSERT_TRUE(recording.Type(Recording::IDC_FILE_TIME_LIMIT, u"2"));
    ASSERT_TRUE(pWifi->TypeAddress(CWifiParamsDlg::IDC_HOST_ADDRESS, 0xAC102842));
    m_view.m_host.ExpectDialog(u"Media Stream Params", [](CDialog& dlg) {
        dlg.Type(Stream::IDC_OUT_ADDRESS, u"rtsp://192.168.10.1:8554/rear ");
        dlg.Choose(Stream::IDC_OUT_AUDIO_CHANNEL, 2);
        dlg.PressOk();
    });
    ASSERT_TRUE(pOutput->Choose(CMediaOutputStreamsDlg::IDC_STREAMS_LIST, 1));
    ASSERT_TRUE(pOutput->Click(CMediaOutputStreamsDlg::IDC_STREAMS_CHANGE));

    m_pFrame->OnCommand(ID_WRITE_TO_DEVICE);
    ASSERT_TRUE(WaitStatus(u"Parameters saved"));
    TreeRef written, sample;
    ASSERT_TRUE(written.LoadFromText(device.Device().DocumentText()));
    ASSERT_TRUE(sample.LoadFromText(SampleDocumentText()));
    const NodeRef root = written.Root();

    // The modem's APN trimmed, its other fields and the whole VPN section as they were.
    const NodeRef connection = root.FindChild(u"kov:ConnectionParameters");
    const NodeRef modem = connection.FindChild(u"kov:RemoteAccessConnection");
    EXPECT_EQ(modem.FindChild(u"kov:AccessPointName").Text(), u"apn.e2e.example");
    EXPECT_EQ(modem.FindChild(u"kov:ModemCommand").Text(), sample.Root()
                                                               .FindChild(u"kov:ConnectionParameters")
                                                               .FindChild(u"kov:RemoteAccessConnection")
                                                               .FindChild(u"kov:ModemCommand")
                                                               .Text());
    EXPECT_EQ(modem.FindChild(u"kov:ConnSMSPhoneNum").Text(), u"+491511234567");
    const NodeRef vpn = root.FindChild(u"kov:VPNParams");
    EXPECT_EQ(vpn.FindChild(u"kov:Certificate").Text(),
              sample.Root().FindChild(u"kov:VPNParams").FindChild(u"kov:Certificate").Text());
    EXPECT_EQ(vpn.FindChild(u"kov:VPNTypes").ChildCount(), 2u);

    const NodeRef config = root.FindChild(u"kov:CaptureDeviceConfig");
    const NodeRef outputs = config.FindChild(u"kov:OutputPorts");
    ASSERT_EQ(outputs.ChildCount(), 3u);
    EXPECT_EQ(Attr(Item(outputs, 1), u"kov:PulseTimeMS"), u"120");
    EXPECT_EQ(
        Attr(Item(root.FindChild(u"kov:CaptureDeviceStatus").FindChild(u"kov:OutputPorts"), 1), u"kov:Name"),
        u"Strobe");
    const NodeRef input = Item(config.FindChild(u"kov:InputPorts"), 1);
    EXPECT_EQ(Attr(input, u"kov:DefaultValue"), u"0");
    // The channel list (channels 1 and 3 before) was replaced, not merged into the old one.
    const NodeRef video = input.FindChild(u"kov:VideoChannels");
    ASSERT_EQ(video.ChildCount(), 1u);
    EXPECT_EQ(video.FirstChild().Text(), u"1");
    // Both pages' fields of the recorder section arrived, the remote login with them.
    const NodeRef recorder = root.FindChild(u"kov:MediaRecorderConfig");
    EXPECT_EQ(recorder.FindChild(u"kov:FileSizeSplitThreshold").Text(), u"524288000");
    EXPECT_EQ(recorder.FindChild(u"kov:FileTimeSplitThreshold").Text(), u"7200");
    EXPECT_EQ(recorder.FindChild(u"kov:RecordVideoOnAlarm").Text(), u"True");
    EXPECT_EQ(recorder.FindChild(u"kov:RemoteFileSystem").FindChild(u"kov:UserName").Text(), u"recorder");
    // The device keeps the protocol list that no page writes.
    EXPECT_EQ(config.FindChild(u"kov:PtzProtocols").ChildCount(), 3u);

    const NodeRef wifi = connection.FindChild(u"kov:WiFi");
    EXPECT_EQ(wifi.FindChild(u"kov:ServiceSetIdentifier").Text(), u"Depot-Yard-Ops");
    const NodeRef layer = wifi.FindChild(u"kov:LocalNetworkParameters");
    EXPECT_EQ(layer.FindChild(u"kov:HostAddress").Text(), u"172.16.40.66");
    EXPECT_EQ(layer.FindChild(u"kov:NameserverAddress2").Text(), u"9.9.9.9");
    // The wired interface keeps its own address.
    EXPECT_EQ(connection.FindChild(u"kov:LocalNetworkParameters").FindChild(u"kov:HostAddress").Text(),
              u"192.168.10.1");
    const NodeRef streams = root.FindChild(u"kov:CaptureDeviceRules")
                                .FindChild(u"kov:MediaStreams")
                                .FindChild(u"kov:MediaOutputStreams");
    ASSERT_EQ(streams.ChildCount(), 2u);
    const NodeRef rear = Item(streams, 1);
    EXPECT_EQ(Attr(rear, u"kov:Address"), u"rtsp://192.168.10.1:8554/rear");
    EXPECT_EQ(Attr(rear, u"kov:AudioChannel"), u"1");
    EXPECT_EQ(Attr(rear, u"kov:VideoChannel"), u"2");
    EXPECT_EQ(Attr(Item(streams, 0), u"kov:Name"), u"Dashboard View");
    EXPECT_TRUE(m_view.m_host.Errors().empty() && m_view.m_host.AllConsumed());
}

} // namespace
} // namespace kov::test
