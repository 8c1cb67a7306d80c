#include "sections/Gpio.h"

#include <gtest/gtest.h>

#include "PageTestKit.h"
#include "sim/SampleDocument.h"

namespace kov::test {
namespace {

using Page = CDeviceGPIODlg;

std::vector<std::u16string> Column(const CListView& list)
{
    std::vector<std::u16string> v;
    for (int i = 0; i < list.RowCount(); ++i)
        v.push_back(list.Cell(i, 0));
    return v;
}

struct SGpioFixture : SPageFixture<Page> {
    CListView& InputPorts() const { return *page.Find<CListView>(Page::IDC_INPUT_PORTS); }
    CListView& OutputPorts() const { return *page.Find<CListView>(Page::IDC_OUTPUT_PORTS); }
    NodeRef Stored(std::u16string_view wszSection) const
    {
        return holder.ChangeDocument().Root().FindChild(wszSection);
    }
    NodeRef StoredConfig(std::u16string_view wszList) const
    {
        return Stored(u"kov:CaptureDeviceConfig").FindChild(wszList);
    }
    NodeRef StoredStatus(std::u16string_view wszList) const
    {
        return Stored(u"kov:CaptureDeviceStatus").FindChild(wszList);
    }
};

TEST(GpioPage, LoadsTheSampleAndStoresARecordThatReadsBackTheSame)
{
    SGpioFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    EXPECT_EQ(Column(f.InputPorts()), (std::vector<std::u16string>{u"Door Switch", u"Panic Button"}));
    EXPECT_EQ(Column(f.OutputPorts()),
              (std::vector<std::u16string>{u"Siren", u"Camera Power", u"Modem Reset"}));
    EXPECT_EQ(Column(f.page.InputVideoList()), (std::vector<std::u16string>{u"1", u"2", u"3", u"4"}));
    EXPECT_EQ(f.page.InputAudioList().RowCount(), 2);
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_RECORD_VIDEO));
    EXPECT_EQ(f.page.TextOf(Page::IDC_WAKEUP_MINUTES), u"15");
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_WAKEUP_MODEM));
    // Nothing is selected yet, so the port fields are closed.
    EXPECT_FALSE(f.page.IsEnabled(Page::IDC_INPUT_NAME));
    EXPECT_FALSE(f.page.IsEnabled(Page::IDC_PULSE));

    const SGpioPorts loaded = f.page.Record();
    f.page.Store();
    // Only each port's channel lists are replaced as a whole; the ports merge by position.
    EXPECT_EQ(Attr(f.StoredConfig(u"kov:InputPorts"), u"__merge_options"), u"<absent>");
    EXPECT_EQ(
        Attr(Item(f.StoredConfig(u"kov:InputPorts"), 1).FindChild(u"kov:VideoChannels"), u"__merge_options"),
        u"erase_children");
    EXPECT_EQ(Attr(f.StoredConfig(u"kov:OutputPorts"), u"kov:ResetIndex"), u"2");

    SPageFixture<Page> reread;
    ASSERT_TRUE(reread.LoadText(ChangeText(f.holder)));
    EXPECT_EQ(reread.page.Record(), loaded);
    EXPECT_TRUE(f.host.Errors().empty());
}

TEST(GpioPage, NamesAndSettingsThatDifferInLengthCorrespondByPosition)
{
    // Two input settings but one input name; two output settings but three output names.
    std::string sXml = Replaced(SampleDocumentText(), "<kov:InputPort kov:Name=\"Panic Button\"/>", "");
    sXml = Replaced(sXml, "<kov:OutputPort kov:DefaultValue=\"1\" kov:PulseTimeMS=\"250\"/>", "");
    SGpioFixture f;
    ASSERT_TRUE(f.LoadText(sXml));
    EXPECT_EQ(Column(f.InputPorts()), (std::vector<std::u16string>{u"Door Switch", u"2"}));
    EXPECT_EQ(Column(f.OutputPorts()), (std::vector<std::u16string>{u"Siren", u"Camera Power"}));

    f.page.Store();
    const NodeRef inputNames = f.StoredStatus(u"kov:InputPorts");
    ASSERT_EQ(inputNames.ChildCount(), 2u);
    EXPECT_EQ(Attr(Item(inputNames, 1), u"kov:Name"), u"");
    EXPECT_EQ(f.StoredStatus(u"kov:OutputPorts").ChildCount(), 2u);
}

TEST(GpioPage, InputPortEditsAreKeptWhenTheSelectionMovesAndRadiosActAtOnce)
{
    SGpioFixture f;
    ASSERT_TRUE(
        f.LoadText(Replaced(SampleDocumentText(), "kov:DefaultValue=\"0\">", "kov:DefaultValue=\"5\">")));
    ASSERT_TRUE(f.page.Choose(Page::IDC_INPUT_PORTS, 1));
    EXPECT_EQ(f.page.TextOf(Page::IDC_INPUT_NAME), u"Panic Button");
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_INPUT_NORMALLY_OPEN));
    EXPECT_EQ(f.page.InputVideoList().SelectedRows(), (std::vector<int>{0, 2}));
    EXPECT_EQ(f.page.InputAudioList().SelectedRows(), (std::vector<int>{1}));

    f.page.Type(Page::IDC_INPUT_NAME, u"Alarm");
    f.page.Click(Page::IDC_INPUT_NORMALLY_CLOSE);
    EXPECT_EQ(f.page.Record().vInputPortSettings[1].iDefaultValue, 0);
    ASSERT_TRUE(f.page.InputVideoList().UserSelectRows({3, 1}));
    ASSERT_TRUE(f.page.InputAudioList().UserSelectRows({}));

    // Moving to port 0 keeps port 1's edits and shows port 0, whose unknown value reads as not active.
    f.page.Choose(Page::IDC_INPUT_PORTS, 0);
    EXPECT_EQ(f.InputPorts().Cell(1, 0), u"Alarm");
    EXPECT_EQ(f.page.Record().vInputPortSettings[1].vVideoChannels, (std::vector<uint32_t>{1, 3}));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_INPUT_NOT_ACTIVE));
    EXPECT_EQ(f.page.InputVideoList().SelectedRows(), (std::vector<int>{0}));
    f.page.Type(Page::IDC_INPUT_NAME, u"");

    // Store keeps the edits of the port still selected.
    f.page.Store();
    EXPECT_EQ(f.InputPorts().Cell(0, 0), u"1");
    const NodeRef settings = f.StoredConfig(u"kov:InputPorts");
    EXPECT_EQ(Attr(Item(settings, 0), u"kov:DefaultValue"), u"5");
    EXPECT_EQ(Attr(Item(settings, 1), u"kov:DefaultValue"), u"0");
    const NodeRef video = Item(settings, 1).FindChild(u"kov:VideoChannels");
    ASSERT_EQ(video.ChildCount(), 2u);
    EXPECT_EQ(Item(video, 0).Text(), u"1");
    EXPECT_EQ(Item(video, 1).Text(), u"3");
    const NodeRef audio = Item(settings, 1).FindChild(u"kov:AudioChannels");
    EXPECT_EQ(audio.ChildCount(), 0u);
    EXPECT_EQ(Attr(audio, u"__merge_options"), u"erase_children");
    EXPECT_EQ(Attr(Item(f.StoredStatus(u"kov:InputPorts"), 0), u"kov:Name"), u"");

    // Disabling the page closes the port fields; enabling it again opens those of the selection.
    f.page.Enable(false);
    EXPECT_FALSE(f.page.IsEnabled(Page::IDC_INPUT_NAME) || f.page.IsEnabled(Page::IDC_INPUT_PORTS));
    f.page.Enable(true);
    EXPECT_TRUE(f.page.IsEnabled(Page::IDC_INPUT_NAME));
}

TEST(GpioPage, PulseResetAndPowerRules)
{
    SGpioFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    f.page.Choose(Page::IDC_OUTPUT_PORTS, 2);
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_PULSE));
    EXPECT_EQ(f.page.TextOf(Page::IDC_PULSE_TIME), u"250");
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_OUTPUT_DEFAULT), 1);
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_USE_FOR_RESET));
    EXPECT_FALSE(f.page.IsChecked(Page::IDC_USE_FOR_POWER));

    // Unchecking "Pulse" on the reset port clears only the reset index.
    f.page.Click(Page::IDC_PULSE);
    EXPECT_FALSE(f.page.IsChecked(Page::IDC_USE_FOR_RESET));
    EXPECT_EQ(f.page.Record().iResetIndex, -1);
    EXPECT_EQ(f.page.Record().iPowerIndex, 1);
    EXPECT_FALSE(f.page.IsEnabled(Page::IDC_PULSE_TIME) || f.page.IsEnabled(Page::IDC_OUTPUT_DEFAULT) ||
                 f.page.IsEnabled(Page::IDC_USE_FOR_RESET) || f.page.IsEnabled(Page::IDC_USE_FOR_POWER));

    // A port with no pulse time: unchecked; making it a pulse port that resets the device.
    f.page.Choose(Page::IDC_OUTPUT_PORTS, 1);
    EXPECT_FALSE(f.page.IsChecked(Page::IDC_PULSE));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_USE_FOR_POWER));
    f.page.Click(Page::IDC_PULSE);
    f.page.Type(Page::IDC_PULSE_TIME, u"300");
    f.page.Choose(Page::IDC_OUTPUT_DEFAULT, 1);
    f.page.Click(Page::IDC_USE_FOR_RESET);
    f.page.Click(Page::IDC_USE_FOR_POWER);

    f.page.Choose(Page::IDC_OUTPUT_PORTS, 0);
    EXPECT_EQ(f.page.Record().vOutputPortSettings[1], (SOutputPortSetting{1, 300}));
    // The port left unchecked stores neither a level nor a width.
    EXPECT_EQ(f.page.Record().vOutputPortSettings[2], (SOutputPortSetting{0, 0}));
    f.page.Store();
    const NodeRef outputs = f.StoredConfig(u"kov:OutputPorts");
    EXPECT_EQ(Attr(outputs, u"kov:ResetIndex"), u"1");
    EXPECT_EQ(Attr(outputs, u"kov:PowerIndex"), u"-1");
    EXPECT_EQ(Attr(Item(outputs, 2), u"kov:PulseTimeMS"), u"0");
    EXPECT_EQ(Attr(Item(outputs, 2), u"kov:DefaultValue"), u"0");

    // Loading again selects no port, and the fields show nothing of the port shown before.
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    EXPECT_EQ(f.page.TextOf(Page::IDC_OUTPUT_NAME), u"");
    EXPECT_FALSE(f.page.IsChecked(Page::IDC_PULSE) || f.page.IsChecked(Page::IDC_USE_FOR_RESET));
}

TEST(GpioPage, WakeupLimitStoresMinutesOnlyWhenCheckedWithANumber)
{
    SGpioFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    const auto storedMinutes = [&] {
        f.page.Store();
        return Attr(f.Stored(u"kov:CaptureDeviceRules").FindChild(u"kov:Ports").FindChild(u"kov:PortWakeup"),
                    u"kov:Minutes");
    };
    f.page.Click(Page::IDC_WAKEUP_LIMIT);
    EXPECT_FALSE(f.page.IsEnabled(Page::IDC_WAKEUP_MINUTES));
    EXPECT_EQ(storedMinutes(), u"-1");
    f.page.Click(Page::IDC_WAKEUP_LIMIT);
    EXPECT_TRUE(f.page.IsEnabled(Page::IDC_WAKEUP_MINUTES));
    f.page.Type(Page::IDC_WAKEUP_MINUTES, u"");
    EXPECT_EQ(storedMinutes(), u"-1");
    f.page.Type(Page::IDC_WAKEUP_MINUTES, u"20");
    EXPECT_EQ(storedMinutes(), u"20");

    ASSERT_TRUE(f.LoadText(Replaced(SampleDocumentText(), "kov:Minutes=\"15\"", "kov:Minutes=\"-1\"")));
    EXPECT_FALSE(f.page.IsChecked(Page::IDC_WAKEUP_LIMIT));
    EXPECT_FALSE(f.page.IsEnabled(Page::IDC_WAKEUP_MINUTES));
    EXPECT_EQ(f.page.TextOf(Page::IDC_WAKEUP_MINUTES), u"");
    // Checked but not stored yet: enabling the page again keeps the field open with its box.
    f.page.Click(Page::IDC_WAKEUP_LIMIT);
    f.page.Enable(true);
    EXPECT_TRUE(f.page.IsEnabled(Page::IDC_WAKEUP_MINUTES));
}

TEST(GpioPage, MissingSectionsAndPartsLoadWhatIsThere)
{
    SGpioFixture f;
    // A missing enclosing section: nothing is read.
    EXPECT_FALSE(f.LoadText(Replaced(Replaced(SampleDocumentText(), "<kov:Ports>", "<kov:Elsewhere>"),
                                     "</kov:Ports>", "</kov:Elsewhere>")));
    EXPECT_EQ(f.InputPorts().RowCount(), 0);
    EXPECT_EQ(f.OutputPorts().RowCount(), 0);

    // A missing port list: reported, the other ports still load.
    EXPECT_FALSE(f.LoadText(Replaced(Replaced(SampleDocumentText(), "<kov:InputPorts>", "<kov:Other>"),
                                     "</kov:InputPorts>", "</kov:Other>")));
    EXPECT_EQ(f.InputPorts().RowCount(), 0);
    EXPECT_EQ(f.OutputPorts().RowCount(), 3);

    // A port without its value or channel lists is no mismatch and keeps the defaults.
    EXPECT_TRUE(f.LoadText(Replaced(SampleDocumentText(), "<kov:InputPort kov:DefaultValue=\"1\">",
                                    "<kov:InputPort><kov:Note/>")));
    EXPECT_EQ(f.page.Record().vInputPortSettings[1].iDefaultValue, -1);

    // A damaged channel quantity does not make a list of billions of rows.
    EXPECT_TRUE(f.LoadText(Replaced(SampleDocumentText(), "<kov:VideoChannels kov:Quantity=\"4\"/>",
                                    "<kov:VideoChannels kov:Quantity=\"2147483647\"/>")));
    EXPECT_EQ(f.page.InputVideoList().RowCount(), 256);
    EXPECT_TRUE(f.host.Errors().empty());
}

} // namespace
} // namespace kov::test
