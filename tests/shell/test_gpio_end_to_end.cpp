// A GPIO port and a recording limit edited in the main window reach the simulated device over
// real pipes.
#include <gtest/gtest.h>

#include "ShellTestKit.h"
#include "common/PluggedSim.h"
#include "sections/Gpio.h"
#include "sections/PageTestKit.h"
#include "sections/Recording.h"

namespace kov::test {
namespace {

using Gpio = CDeviceGPIODlg;
using Recording = CDeviceRecordingParamsDlg;

class GpioEndToEnd : public CFrameTest {};

TEST_F(GpioEndToEnd, EditedPortsAreWrittenToTheDevice)
{
    CPluggedSim device(m_sRoot, "sim-gpio");
    ASSERT_TRUE(WaitStatus(u"Parameters loaded", true));
    // Every page, these among them, matched the device's document.
    EXPECT_FALSE(m_view.SawStatus(u"Failed to match parameters"));
    auto* pGpio = dynamic_cast<Gpio*>(m_pFrame->PageArea().PageOf(kSubjectGpio));
    ASSERT_NE(pGpio, nullptr);

    // Output 2 becomes a 120 ms pulse named "Strobe"; input 2 normally closed, on video channel 2 only.
    ASSERT_TRUE(pGpio->Choose(Gpio::IDC_OUTPUT_PORTS, 1));
    pGpio->Type(Gpio::IDC_OUTPUT_NAME, u"Strobe");
    pGpio->Click(Gpio::IDC_PULSE);
    pGpio->Type(Gpio::IDC_PULSE_TIME, u"120");
    ASSERT_TRUE(pGpio->Choose(Gpio::IDC_INPUT_PORTS, 1));
    pGpio->Click(Gpio::IDC_INPUT_NORMALLY_CLOSE);
    ASSERT_TRUE(pGpio->InputVideoList().UserSelectRows({1}));

    // Recordings split at 500 MB and every 2 hours.
    auto* pRecording = dynamic_cast<Recording*>(m_pFrame->PageArea().PageOf(kSubjectRecording));
    ASSERT_NE(pRecording, nullptr);
    ASSERT_TRUE(pRecording->Choose(Recording::IDC_FILE_SIZE_LIMIT, 9));
    ASSERT_TRUE(pRecording->Choose(Recording::IDC_FILE_TIME_UNIT, 3));
    ASSERT_TRUE(pRecording->Type(Recording::IDC_FILE_TIME_LIMIT, u"2"));

    m_pFrame->OnCommand(ID_WRITE_TO_DEVICE);
    ASSERT_TRUE(WaitStatus(u"Parameters saved"));
    TreeRef deviceDocument;
    ASSERT_TRUE(deviceDocument.LoadFromText(device.Device().DocumentText()));
    const NodeRef config = deviceDocument.Root().FindChild(u"kov:CaptureDeviceConfig");
    const NodeRef outputs = config.FindChild(u"kov:OutputPorts");
    ASSERT_EQ(outputs.ChildCount(), 3u);
    EXPECT_EQ(Attr(Item(outputs, 1), u"kov:PulseTimeMS"), u"120");
    EXPECT_EQ(
        Attr(Item(deviceDocument.Root().FindChild(u"kov:CaptureDeviceStatus").FindChild(u"kov:OutputPorts"),
                  1),
             u"kov:Name"),
        u"Strobe");
    const NodeRef input = Item(config.FindChild(u"kov:InputPorts"), 1);
    EXPECT_EQ(Attr(input, u"kov:DefaultValue"), u"0");
    // The channel list (channels 1 and 3 before) was replaced, not merged into the old one.
    const NodeRef video = input.FindChild(u"kov:VideoChannels");
    ASSERT_EQ(video.ChildCount(), 1u);
    EXPECT_EQ(video.FirstChild().Text(), u"1");
    // Both pages' fields of the recorder section arrived, the remote login with them.
    const NodeRef recorder = deviceDocument.Root().FindChild(u"kov:MediaRecorderConfig");
    EXPECT_EQ(recorder.FindChild(u"kov:FileSizeSplitThreshold").Text(), u"524288000");
    EXPECT_EQ(recorder.FindChild(u"kov:FileTimeSplitThreshold").Text(), u"7200");
    EXPECT_EQ(recorder.FindChild(u"kov:RecordVideoOnAlarm").Text(), u"True");
    EXPECT_EQ(recorder.FindChild(u"kov:RemoteFileSystem").FindChild(u"kov:UserName").Text(), u"recorder");
    // The device keeps the protocol list that no page writes.
    EXPECT_EQ(config.FindChild(u"kov:PtzProtocols").ChildCount(), 3u);
}

} // namespace
} // namespace kov::test
