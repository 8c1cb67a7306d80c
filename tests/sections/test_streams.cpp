#include "sections/MediaStreams.h"

#include <gtest/gtest.h>

#include "PageTestKit.h"
#include "form/Page.h"
#include "sim/SampleDocument.h"

namespace kov::test {
namespace {

using In = CMediaInputStreamsDlg;
using Out = CMediaOutputStreamsDlg;
using InEditor = CEditMediaInputStreamParamsDlg;
using OutEditor = CEditMediaStreamParamsDlg;

constexpr char16_t kEditor[] = u"Media Stream Params";

std::string Without(const std::string& sElement)
{
    return Replaced(Replaced(SampleDocumentText(), "<" + sElement + ">", "<kov:Other>"),
                    "</" + sElement + ">", "</kov:Other>");
}

// Records the page's requests to move the keyboard focus.
struct SFocusRecorder : IFormObserver {
    void OnControlChanged(CControl& rControl, EChange eChange) override
    {
        if (eChange == EChange::Focus)
            vFocused.push_back(rControl.Id());
    }
    void OnFormChanged(CForm&, EFormChange) override {}
    std::vector<int> vFocused;
};

TEST(InputStreamsPage, EntriesKeepTheirDefaultsAndOnlyTheMissingContainerFails)
{
    SPageFixture<In> f;
    ASSERT_TRUE(f.LoadText(Replaced(Replaced(SampleDocumentText(), "<kov:MediaInputStreams>",
                                             "<kov:MediaInputStreams><kov:Other/><kov:MediaInputStream/>"),
                                    "\"Native\"", "\"native\"")));
    ASSERT_EQ(f.page.Streams().size(), 3u);
    EXPECT_EQ(f.page.Streams()[0], MediaInputStream{});
    EXPECT_EQ(f.page.Streams()[2].eAudioProcessingAction, ProcessingAction::Disable);
    EXPECT_EQ(f.page.Find<CListView>(In::IDC_STREAMS_LIST)->Rows()[2].vCells,
              (std::vector<std::u16string>{u"False", u"Gate Camera", u"rtsp://192.168.10.40:554/stream1"}));

    EXPECT_FALSE(f.LoadText(Without("kov:MediaInputStreams")));
    EXPECT_EQ(f.page.Find<CListView>(In::IDC_STREAMS_LIST)->RowCount(), 0);
}

TEST(InputStreamsPage, AddWithAPresetAndTheDeleteKey)
{
    SFocusRecorder focus; // outlives the page it observes
    SPageFixture<In> f;
    f.page.SetObserver(&focus);
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    const CListView& rList = *f.page.Find<CListView>(In::IDC_STREAMS_LIST);

    f.host.ExpectDialog(kEditor, [](CDialog& dlg) {
        EXPECT_TRUE(dlg.IsChecked(InEditor::IDC_IN_ENABLE));
        EXPECT_EQ(dlg.TextOf(InEditor::IDC_IN_NAME), u"Stream 3");
        EXPECT_EQ(dlg.SelectionOf(InEditor::IDC_IN_AUDIO_ACTION), 1);
        dlg.Choose(InEditor::IDC_IN_NAME, 5);
        EXPECT_EQ(dlg.TextOf(InEditor::IDC_IN_ADDRESS), u"rtsp://");
        dlg.Click(kIdOk);
    });
    f.page.Click(In::IDC_STREAMS_ADD);
    ASSERT_EQ(rList.RowCount(), 3);
    EXPECT_EQ(rList.Cell(2, 1), u"RTSP");

    // The Delete key deletes the selected stream; the row taking its place is selected and focused.
    f.page.Choose(In::IDC_STREAMS_LIST, 1);
    f.host.QueueAnswer(EDlgResult::Yes);
    f.page.PostPageMessage(kPageDeleteKeyMessage);
    EXPECT_EQ(f.page.DispatchPostedMessages(), 1);
    EXPECT_EQ(f.host.LastMessage().wszCaption, u"Delete media input stream");
    ASSERT_EQ(rList.RowCount(), 2);
    EXPECT_EQ(rList.Selection(), 1);
    EXPECT_EQ(rList.Cell(1, 1), u"RTSP");
    EXPECT_EQ(focus.vFocused, std::vector<int>{In::IDC_STREAMS_LIST});

    // A disabled page takes no Delete key.
    const size_t nMessages = f.host.Messages().size();
    f.page.Enable(false);
    f.page.PostPageMessage(kPageDeleteKeyMessage);
    f.page.DispatchPostedMessages();
    EXPECT_EQ(f.host.Messages().size(), nMessages);
    EXPECT_TRUE(f.host.Errors().empty() && f.host.AllConsumed());
}

TEST(InputStreamEditor, AddressNeededOnlyWhenAnEnabledStreamPassesMediaOn)
{
    MediaInputStream stream;
    CScriptedFormHost host;
    CForm owner;
    owner.SetHost(&host);
    host.ExpectDialog(kEditor, [&host](CDialog& dlg) {
        dlg.Click(kIdOk);
        EXPECT_EQ(host.LastMessage().wszText + u"|" + host.LastMessage().wszCaption,
                  u"Empty Name|Edit Media Stream Parameters");
        dlg.Type(InEditor::IDC_IN_NAME, u" Cam ");
        dlg.Click(InEditor::IDC_IN_ENABLE);
        dlg.Choose(InEditor::IDC_IN_VIDEO_ACTION, 0);
        dlg.Choose(InEditor::IDC_IN_AUDIO_ACTION, 2); // Transcode
        dlg.Click(kIdOk);
        EXPECT_EQ(host.LastMessage().wszText, u"Empty stream address");
        dlg.Choose(InEditor::IDC_IN_AUDIO_ACTION, 3); // Native takes no address
        dlg.Click(kIdOk);
    });
    CEditMediaInputStreamParamsDlg dlg(stream);
    EXPECT_EQ(owner.RunDialog(dlg), EDlgResult::Ok);
    EXPECT_EQ(stream.wszName, u"Cam");
    EXPECT_EQ(host.Messages().size(), 2u);
}

TEST(OutputStreamsPage, NewStreamsTakeTheDevicesChannelsAndNeedOne)
{
    SPageFixture<Out> f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    f.host.ExpectDialog(kEditor, [&f](CDialog& dlg) {
        EXPECT_EQ(dlg.Find<CDropDownList>(OutEditor::IDC_OUT_VIDEO_CHANNEL)->ItemText(4), u"Camera 4");
        EXPECT_EQ(dlg.TextOf(OutEditor::IDC_OUT_ADDRESS), u"rtsp://");
        EXPECT_EQ(dlg.SelectionOf(OutEditor::IDC_OUT_AUDIO_CHANNEL), 1);
        dlg.Choose(OutEditor::IDC_OUT_VIDEO_CHANNEL, 0);
        dlg.Choose(OutEditor::IDC_OUT_AUDIO_CHANNEL, 0);
        dlg.Click(kIdOk);
        EXPECT_EQ(f.host.LastMessage().wszText, u"No channels selected");
        dlg.Choose(OutEditor::IDC_OUT_VIDEO_CHANNEL, 3);
        dlg.Click(kIdOk);
    });
    f.page.Click(Out::IDC_STREAMS_ADD);
    ASSERT_EQ(f.page.Streams().size(), 3u);
    EXPECT_EQ(f.page.Streams()[2].iVideoChannel, 2);
    EXPECT_EQ(f.page.Streams()[2].iAudioChannel, -1);
    // No editing by double-click, no Delete key.
    f.page.DoubleClick(Out::IDC_STREAMS_LIST, 0);
    f.page.PostPageMessage(kPageDeleteKeyMessage);
    f.page.DispatchPostedMessages();
    EXPECT_EQ(f.host.Messages().size(), 1u);

    // Without audio channels "None" is proposed; a damaged quantity offers a bounded list.
    ASSERT_TRUE(f.LoadText(
        Replaced(Replaced(SampleDocumentText(), "kov:Quantity=\"4\"", "kov:Quantity=\"2147483647\""),
                 "kov:Quantity=\"2\"", "kov:Quantity=\"0\"")));
    f.host.ExpectDialog(kEditor, [](CDialog& dlg) {
        EXPECT_EQ(dlg.Find<CDropDownList>(OutEditor::IDC_OUT_VIDEO_CHANNEL)->ItemCount(),
                  kMaxListedChannels + 1);
        EXPECT_EQ(dlg.Find<CDropDownList>(OutEditor::IDC_OUT_AUDIO_CHANNEL)->ItemCount(), 1);
        EXPECT_EQ(dlg.SelectionOf(OutEditor::IDC_OUT_AUDIO_CHANNEL), 0);
        dlg.Click(kIdOk);
    });
    f.page.Click(Out::IDC_STREAMS_ADD);
    EXPECT_EQ(f.page.Streams().back().iAudioChannel, -1);
    EXPECT_TRUE(f.host.Errors().empty() && f.host.AllConsumed());
}

TEST(OutputStreamsPage, ReadFailsWithoutTheQuantitiesAndStoresThemBackAsRead)
{
    SPageFixture<Out> f;
    EXPECT_FALSE(f.LoadText(Replaced(SampleDocumentText(), "<kov:VideoChannels kov:Quantity=\"4\"/>", "")));
    EXPECT_EQ(f.page.Streams().size(), 2u);
    // A device without output streams may lack the container.
    EXPECT_TRUE(f.LoadText(Without("kov:MediaOutputStreams")));
    EXPECT_TRUE(f.page.Streams().empty());

    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    f.page.Store();
    NodeRef config = f.holder.ChangeDocument().Root().FindChild(u"kov:CaptureDeviceConfig");
    EXPECT_EQ(Attr(config.FindChild(u"kov:VideoChannels"), u"kov:Quantity"), u"4");
    EXPECT_EQ(Attr(config.FindChild(u"kov:AudioChannels"), u"kov:Quantity"), u"2");
}

TEST(StreamPages, TextsWithLineBreaksAndOtherCharactersRoundTrip)
{
    const std::string sDoc =
        Replaced(Replaced(SampleDocumentText(), "\"Body Camera\"", "\"K\xC3\xB6rper&#13;&#10;Kamera\""),
                 "\"Rear Camera\"", "\"Heck \xE2\x86\x90&#10;\"");
    SPageFixture<In> in;
    SPageFixture<Out> out;
    ASSERT_TRUE(in.LoadText(sDoc) && out.LoadText(sDoc));
    EXPECT_EQ(in.page.Streams()[0].wszName, u"K\u00F6rper\r\nKamera");
    in.page.Store();
    out.page.Store();
    EXPECT_EQ(Attr(in.holder.ChangeDocument()
                       .Root()
                       .FindChild(u"kov:CaptureDeviceRules")
                       .FindChild(u"kov:MediaStreams")
                       .FindChild(u"kov:MediaInputStreams"),
                   u"__merge_options"),
              u"erase_children");

    SPageFixture<In> in2;
    SPageFixture<Out> out2;
    ASSERT_TRUE(in2.LoadText(ChangeText(in.holder)) && out2.LoadText(ChangeText(out.holder)));
    EXPECT_EQ(in2.page.Streams(), in.page.Streams());
    EXPECT_EQ(out2.page.Streams(), out.page.Streams());
}

} // namespace
} // namespace kov::test
