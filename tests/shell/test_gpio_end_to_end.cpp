// A GPIO port edited in the main window reaches the simulated device over real pipes.
#include <gtest/gtest.h>

#include "ShellTestKit.h"
#include "common/PluggedSim.h"
#include "sections/Gpio.h"
#include "sections/PageTestKit.h"

namespace kov::test {
namespace {

using Gpio = CDeviceGPIODlg;

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
    // The device keeps the protocol list that no page writes.
    EXPECT_EQ(config.FindChild(u"kov:PtzProtocols").ChildCount(), 3u);
}

} // namespace
} // namespace kov::test
