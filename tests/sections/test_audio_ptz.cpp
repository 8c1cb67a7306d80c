#include <gtest/gtest.h>

#include "PageTestKit.h"
#include "sections/Audio.h"
#include "sections/CameraEngines.h"
#include "sim/SampleDocument.h"

namespace kov::test {
namespace {

using Ptz = CCameraEngineParamsDlg;
using RelationDlg = CCameraEngineRelationDlg;

// ---- Audio

struct SAudioFixture : SPageFixture<CAudioConfigDlg> {
    std::u16string StoredGrouping()
    {
        page.Store();
        return Attr(holder.ChangeDocument()
                        .Root()
                        .FindChild(u"kov:CaptureDeviceRules")
                        .FindChild(u"kov:AudioChannelRules"),
                    u"kov:AudioChannelsGrouping");
    }
};

TEST(AudioPage, AChoiceOnlyWhereTheDeviceGroupsItsChannelsFreely)
{
    SAudioFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    EXPECT_EQ(f.page.SelectionOf(CAudioConfigDlg::IDC_GROUPING), 1);
    EXPECT_TRUE(f.page.IsEnabled(CAudioConfigDlg::IDC_GROUPING));
    f.page.Choose(CAudioConfigDlg::IDC_GROUPING, 0);
    EXPECT_EQ(f.StoredGrouping(), u"Multiple Subchannels");

    // "Fixed": an empty, disabled list, and "Fixed" stays.
    const std::string sFixed = Replaced(SampleDocumentText(), "\"Multiple Channels\"", "\"Fixed\"");
    ASSERT_TRUE(f.LoadText(sFixed));
    EXPECT_EQ(f.page.SelectionOf(CAudioConfigDlg::IDC_GROUPING), -1);
    EXPECT_FALSE(f.page.IsEnabled(CAudioConfigDlg::IDC_GROUPING));
    EXPECT_EQ(f.StoredGrouping(), u"Fixed");

    // A text outside the table, or no section: reported, and the grouping stays "Fixed".
    EXPECT_FALSE(f.LoadText(Replaced(SampleDocumentText(), "\"Multiple Channels\"", "\"Stereo\"")));
    EXPECT_FALSE(f.page.IsEnabled(CAudioConfigDlg::IDC_GROUPING));
    EXPECT_EQ(f.StoredGrouping(), u"Fixed");
    EXPECT_FALSE(f.LoadText(Replaced(SampleDocumentText(), "<kov:AudioChannelRules ", "<kov:Other ")));
    EXPECT_EQ(f.page.SelectionOf(CAudioConfigDlg::IDC_GROUPING), -1);
}

// ---- PTZ

struct SPtzFixture : SPageFixture<Ptz> {
    CListView& List() const { return *page.Find<CListView>(Ptz::IDC_RELATIONS); }
    NodeRef StoredConfig() const
    {
        return holder.ChangeDocument().Root().FindChild(u"kov:CaptureDeviceConfig");
    }
    // The relation dialog, filled by fnFill and confirmed; fnFill may check what it shows.
    void ExpectRelation(std::function<void(CDialog&)> fnFill)
    {
        host.ExpectDialog(u"Edit Camera Engine Relation", [fnFill](CDialog& dlg) {
            fnFill(dlg);
            dlg.Click(kIdOk);
            if (dlg.IsOpen())
                dlg.Click(kIdCancel);
        });
    }
};

TEST(PtzPage, LoadsRelationsProtocolsAndRateAndStoresThemBack)
{
    SPtzFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    ASSERT_EQ(f.List().RowCount(), 3);
    EXPECT_EQ(f.List().Rows()[2].vCells, (std::vector<std::u16string>{u"4", u"7", u"VISCA"}));
    EXPECT_EQ(f.page.SelectionOf(Ptz::IDC_DEFAULT_PROTOCOL), 0);
    EXPECT_EQ(f.page.Find<CDropDownList>(Ptz::IDC_BAUD_RATE)->SelectedData(), 9600u);

    f.page.Choose(Ptz::IDC_BAUD_RATE, 8);
    f.page.Choose(Ptz::IDC_DEFAULT_PROTOCOL, 2);
    f.page.Store();
    const SCameraEngines loaded = f.page.Record();
    EXPECT_EQ(loaded.iDefaultProtocol, 2);
    const NodeRef config = f.StoredConfig();
    EXPECT_EQ(Attr(config.FindChild(u"kov:PtzEngines"), u"kov:SerialComBaudRate"), u"115200");
    EXPECT_EQ(Attr(config.FindChild(u"kov:PtzEngines"), u"__merge_options"), u"erase_children");
    // The device's protocol list is never written, nor marked for erasing.
    EXPECT_EQ(config.FindChild(u"kov:PtzProtocols").ChildCount(), 0u);
    EXPECT_EQ(Attr(config.FindChild(u"kov:PtzProtocols"), u"__merge_options"), u"<absent>");

    // What was stored reads back the same, with the device's protocol names put back in.
    SPageFixture<Ptz> reread;
    ASSERT_TRUE(reread.LoadText(ChangeText(f.holder), EDocumentState::Device, [](NodeRef root) {
        const NodeRef protocols = root.FindChild(u"kov:CaptureDeviceConfig").FindChild(u"kov:PtzProtocols");
        for (const char16_t* wszName : {u"Pelco-D", u"Pelco-P", u"VISCA"})
            protocols.AddChild(u"kov:Protocol").SetText(wszName);
    }));
    EXPECT_EQ(reread.page.Record(), loaded);
}

TEST(PtzPage, UnusualValuesShowSafelyAndSurviveAStore)
{
    SPtzFixture f;
    // A protocol beyond the device's list shows "Default" and keeps its index; a rate of 0
    // selects no rate; a default protocol outside the list selects none.
    std::string sXml = Replaced(SampleDocumentText(), "kov:Protocol=\"2\"", "kov:Protocol=\"9\"");
    sXml = Replaced(sXml, "kov:SerialComBaudRate=\"9600\"", "kov:SerialComBaudRate=\"0\"");
    sXml = Replaced(sXml, "<kov:PtzProtocols kov:Index=\"0\">", "<kov:PtzProtocols kov:Index=\"5\">");
    ASSERT_TRUE(f.LoadText(sXml));
    EXPECT_EQ(f.List().Cell(2, 2), u"Default");
    EXPECT_EQ(f.page.SelectionOf(Ptz::IDC_BAUD_RATE), -1);
    EXPECT_EQ(f.page.SelectionOf(Ptz::IDC_DEFAULT_PROTOCOL), -1);
    f.page.Store();
    const NodeRef config = f.StoredConfig();
    EXPECT_EQ(Attr(Item(config.FindChild(u"kov:PtzEngines"), 2), u"kov:Protocol"), u"9");
    EXPECT_EQ(Attr(config.FindChild(u"kov:PtzEngines"), u"kov:SerialComBaudRate"), u"0");
    EXPECT_EQ(Attr(config.FindChild(u"kov:PtzProtocols"), u"kov:Index"), u"-1");

    // A missing protocol list is reported; the relations still load.
    EXPECT_FALSE(f.LoadText(Replaced(Replaced(SampleDocumentText(), "<kov:PtzProtocols ", "<kov:Other "),
                                     "</kov:PtzProtocols>", "</kov:Other>")));
    EXPECT_EQ(f.List().RowCount(), 3);
    EXPECT_EQ(f.List().Cell(1, 2), u"Default");
    // A missing relation list too; a relation without attributes is no mismatch.
    EXPECT_FALSE(f.LoadText(Replaced(Replaced(SampleDocumentText(), "<kov:PtzEngines ", "<kov:Other "),
                                     "</kov:PtzEngines>", "</kov:Other>")));
    EXPECT_EQ(f.List().RowCount(), 0);
    EXPECT_TRUE(f.LoadText(
        Replaced(SampleDocumentText(), "kov:DeviceID=\"2\" kov:VideoChannel=\"1\" kov:Protocol=\"1\"", "")));
    EXPECT_EQ(f.page.Record().vRelations[1], PtzEngine{});

    // The largest numbers a document can hold show, and Add proposes them, without overflowing.
    ASSERT_TRUE(f.LoadText(Replaced(SampleDocumentText(), "kov:DeviceID=\"7\" kov:VideoChannel=\"3\"",
                                    "kov:DeviceID=\"2147483647\" kov:VideoChannel=\"2147483647\"")));
    EXPECT_EQ(f.List().Cell(2, 0), u"2147483647");
    f.ExpectRelation([](CDialog& dlg) {
        EXPECT_EQ(dlg.TextOf(RelationDlg::IDC_CAMERA_ID), u"2147483647");
        EXPECT_EQ(dlg.TextOf(RelationDlg::IDC_VIDEO_CHANNEL), u"2147483647");
    });
    f.page.Click(Ptz::IDC_ADD);
    EXPECT_EQ(f.host.LastMessage().wszText, u"Invalid camera identifier");
    EXPECT_TRUE(f.host.Errors().empty());
}

TEST(PtzPage, RelationDialogRefusesBadIdentifiersAndChannels)
{
    SPtzFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    // Add proposes the next camera and channel: channel 5 of 4 is refused, and so are 64 and text.
    f.ExpectRelation([](CDialog& dlg) {
        EXPECT_EQ(dlg.TextOf(RelationDlg::IDC_CAMERA_ID), u"8");
        EXPECT_EQ(dlg.TextOf(RelationDlg::IDC_VIDEO_CHANNEL), u"5");
        EXPECT_EQ(dlg.SelectionOf(RelationDlg::IDC_PROTOCOL), 0);
        dlg.Click(kIdOk);
        dlg.Type(RelationDlg::IDC_VIDEO_CHANNEL, u"0");
        dlg.Click(kIdOk);
        dlg.Type(RelationDlg::IDC_VIDEO_CHANNEL, u"4");
        dlg.Type(RelationDlg::IDC_CAMERA_ID, u"64");
        dlg.Click(kIdOk);
        dlg.Type(RelationDlg::IDC_CAMERA_ID, u"6x");
        dlg.Click(kIdOk);
        dlg.Type(RelationDlg::IDC_CAMERA_ID, u"-1");
        dlg.Click(kIdOk);
        dlg.Type(RelationDlg::IDC_CAMERA_ID, u"63");
        dlg.Choose(RelationDlg::IDC_PROTOCOL, 2);
    });
    f.page.Click(Ptz::IDC_ADD);
    std::vector<std::u16string> vTexts;
    for (const SMessageRecord& msg : f.host.Messages()) {
        EXPECT_EQ(msg.wszCaption, u"Camera Engine Relation");
        vTexts.push_back(msg.wszText);
    }
    EXPECT_EQ(vTexts,
              (std::vector<std::u16string>{u"Invalid video channel number", u"Invalid video channel number",
                                           u"Invalid camera identifier", u"Invalid camera identifier",
                                           u"Invalid camera identifier"}));
    ASSERT_EQ(f.List().RowCount(), 4);
    EXPECT_EQ(f.List().Rows()[3].vCells, (std::vector<std::u16string>{u"4", u"63", u"Pelco-P"}));
    EXPECT_EQ(f.page.Record().vRelations[3], (PtzEngine{63, 3, 1}));

    // Camera 0 is accepted; with no video channels every relation is refused.
    f.ExpectRelation([](CDialog& dlg) { dlg.Type(RelationDlg::IDC_CAMERA_ID, u"0"); });
    f.page.DoubleClick(Ptz::IDC_RELATIONS, 0);
    EXPECT_EQ(f.List().Cell(0, 1), u"0");
    ASSERT_TRUE(f.LoadText(Replaced(SampleDocumentText(), "<kov:VideoChannels kov:Quantity=\"4\"/>",
                                    "<kov:VideoChannels kov:Quantity=\"0\"/>")));
    f.host.ClearRecords();
    f.ExpectRelation([](CDialog& dlg) { dlg.Type(RelationDlg::IDC_VIDEO_CHANNEL, u"1"); });
    f.page.Click(Ptz::IDC_ADD);
    EXPECT_EQ(f.host.LastMessage().wszText, u"Invalid video channel number");
    EXPECT_EQ(f.List().RowCount(), 3);
    EXPECT_TRUE(f.host.Errors().empty());
}

TEST(PtzPage, ChangeDeleteAndEmptyEditTheListInPlace)
{
    SPtzFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    f.page.Click(Ptz::IDC_CHANGE);
    f.page.Click(Ptz::IDC_DELETE);
    ASSERT_EQ(f.host.Messages().size(), 2u);
    EXPECT_EQ(f.host.Messages()[0].wszText + u"|" + f.host.Messages()[0].wszCaption,
              u"No item selected|Change Relation");
    EXPECT_EQ(f.host.Messages()[1].wszCaption, u"Delete Relation");

    // Change shows the relation's values, channel counted from 1, and a protocol by its name.
    f.page.Choose(Ptz::IDC_RELATIONS, 2);
    f.ExpectRelation([](CDialog& dlg) {
        EXPECT_EQ(dlg.TextOf(RelationDlg::IDC_VIDEO_CHANNEL), u"4");
        EXPECT_EQ(dlg.SelectionOf(RelationDlg::IDC_PROTOCOL), 3);
        dlg.Type(RelationDlg::IDC_VIDEO_CHANNEL, u"3");
        dlg.Choose(RelationDlg::IDC_PROTOCOL, 0);
    });
    f.page.Click(Ptz::IDC_CHANGE);
    EXPECT_EQ(f.page.Record().vRelations[2], (PtzEngine{7, 2, -1}));
    EXPECT_EQ(f.List().Rows()[2].vCells, (std::vector<std::u16string>{u"3", u"7", u"Default"}));

    f.page.Choose(Ptz::IDC_RELATIONS, 0);
    f.host.QueueAnswer(EDlgResult::Yes);
    f.page.Click(Ptz::IDC_DELETE);
    EXPECT_EQ(f.host.LastMessage().wszText + u"|" + f.host.LastMessage().wszCaption,
              u"Are You Sure?|Delete Camera Engine Relation");
    ASSERT_EQ(f.page.Record().vRelations.size(), 2u);
    EXPECT_EQ(f.List().Cell(0, 1), u"2");

    // Empty, then Store: an empty container marked for erasing.
    f.host.QueueAnswer(EDlgResult::No);
    f.page.Click(Ptz::IDC_EMPTY);
    EXPECT_EQ(f.List().RowCount(), 2);
    f.host.QueueAnswer(EDlgResult::Yes);
    f.page.Click(Ptz::IDC_EMPTY);
    EXPECT_EQ(f.host.LastMessage().wszCaption, u"Delete Whole Camera Engines Definition");
    EXPECT_EQ(f.List().RowCount(), 0);
    f.page.Store();
    const NodeRef engines = f.StoredConfig().FindChild(u"kov:PtzEngines");
    EXPECT_EQ(engines.ChildCount(), 0u);
    EXPECT_EQ(Attr(engines, u"__merge_options"), u"erase_children");

    // Adding to an empty list starts at camera 1, channel 1.
    f.ExpectRelation([](CDialog& dlg) {
        EXPECT_EQ(dlg.TextOf(RelationDlg::IDC_CAMERA_ID), u"1");
        EXPECT_EQ(dlg.TextOf(RelationDlg::IDC_VIDEO_CHANNEL), u"1");
    });
    f.page.Click(Ptz::IDC_ADD);
    EXPECT_EQ(f.List().RowCount(), 1);
    EXPECT_TRUE(f.host.Errors().empty());
    EXPECT_TRUE(f.host.AllConsumed());
}

} // namespace
} // namespace kov::test
