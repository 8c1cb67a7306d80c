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

constexpr char16_t kEditorTitle[] = u"Media Stream Params";

std::u16string MessageLine(const SMessageRecord& msg)
{
    return msg.wszText + u"|" + msg.wszCaption;
}

// Counts the page's requests to move the keyboard focus, per control id.
struct SFocusRecorder : IFormObserver {
    void OnControlChanged(CControl& rControl, EChange eChange) override
    {
        if (eChange == EChange::Focus)
            vFocused.push_back(rControl.Id());
    }
    void OnFormChanged(CForm&, EFormChange) override {}
    std::vector<int> vFocused;
};

NodeRef StoredStreams(const ParameterDocumentHolder& holder, std::u16string_view wszContainer)
{
    return holder.ChangeDocument()
        .Root()
        .FindChild(u"kov:CaptureDeviceRules")
        .FindChild(u"kov:MediaStreams")
        .FindChild(wszContainer);
}

TEST(InputStreamsPage, LoadsRowsAndFailsOnlyWithoutItsContainer)
{
    SPageFixture<In> f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    const CListView& rList = *f.page.Find<CListView>(In::IDC_STREAMS_LIST);
    ASSERT_EQ(rList.RowCount(), 2);
    EXPECT_EQ(rList.Rows()[1].vCells,
              (std::vector<std::u16string>{u"False", u"Gate Camera", u"rtsp://192.168.10.40:554/stream1"}));
    EXPECT_EQ(f.page.Streams()[1].eVideoProcessingAction, ProcessingAction::Native);
    EXPECT_EQ(f.page.Streams()[0].eAudioProcessingAction, ProcessingAction::Transcode);

    // Entries take what they have: missing parts and unknown actions keep the new-stream defaults,
    // other children are skipped, and none of it is a mismatch.
    ASSERT_TRUE(f.LoadText(Replaced(Replaced(SampleDocumentText(), "<kov:MediaInputStreams>",
                                             "<kov:MediaInputStreams><kov:Other/><kov:MediaInputStream/>"),
                                    "\"Native\"", "\"native\"")));
    ASSERT_EQ(f.page.Streams().size(), 3u);
    EXPECT_EQ(f.page.Streams()[0], MediaInputStream{});
    EXPECT_EQ(f.page.Streams()[0].eVideoProcessingAction, ProcessingAction::ForwardAsIs);
    EXPECT_EQ(f.page.Streams()[2].eVideoProcessingAction, ProcessingAction::ForwardAsIs);
    EXPECT_EQ(f.page.Streams()[2].wszUserName, u"viewer");

    EXPECT_FALSE(f.LoadText(Replaced(Replaced(SampleDocumentText(), "<kov:MediaInputStreams>", "<kov:Other>"),
                                     "</kov:MediaInputStreams>", "</kov:Other>")));
    EXPECT_EQ(rList.RowCount(), 0);
    EXPECT_FALSE(f.LoadText(Replaced(Replaced(SampleDocumentText(), "<kov:MediaStreams>", "<kov:Other>"),
                                     "</kov:MediaStreams>", "</kov:Other>")));
    EXPECT_TRUE(f.page.Streams().empty());
}

TEST(InputStreamsPage, CommandsDoubleClickAndTheDeleteKey)
{
    SPageFixture<In> f;
    SFocusRecorder focus;
    f.page.SetObserver(&focus);
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    const CListView& rList = *f.page.Find<CListView>(In::IDC_STREAMS_LIST);

    // "Add" proposes an enabled stream named after its place; a preset name fills the address.
    f.host.ExpectDialog(kEditorTitle, [](CDialog& dlg) {
        EXPECT_TRUE(dlg.IsChecked(InEditor::IDC_IN_ENABLE));
        EXPECT_EQ(dlg.TextOf(InEditor::IDC_IN_NAME), u"Stream 3");
        EXPECT_EQ(dlg.TextOf(InEditor::IDC_IN_ADDRESS), u"");
        EXPECT_EQ(dlg.SelectionOf(InEditor::IDC_IN_VIDEO_ACTION), 1);
        EXPECT_EQ(dlg.SelectionOf(InEditor::IDC_IN_AUDIO_ACTION), 1);
        EXPECT_TRUE(dlg.Choose(InEditor::IDC_IN_NAME, 5));
        EXPECT_EQ(dlg.TextOf(InEditor::IDC_IN_NAME), u"RTSP");
        EXPECT_EQ(dlg.TextOf(InEditor::IDC_IN_ADDRESS), u"rtsp://");
        dlg.Type(InEditor::IDC_IN_ADDRESS, u" rtsp://10.0.0.9/cam ");
        dlg.Click(kIdOk);
    });
    f.page.Click(In::IDC_STREAMS_ADD);
    ASSERT_EQ(rList.RowCount(), 3);
    EXPECT_EQ(rList.Cell(2, 2), u"rtsp://10.0.0.9/cam");

    // A double-click edits its row; Cancel keeps it.
    f.host.ExpectDialog(kEditorTitle, [](CDialog& dlg) {
        EXPECT_EQ(dlg.TextOf(InEditor::IDC_IN_NAME), u"Gate Camera");
        dlg.Type(InEditor::IDC_IN_NAME, u"Changed");
        dlg.Click(kIdCancel);
    });
    f.page.DoubleClick(In::IDC_STREAMS_LIST, 1);
    EXPECT_EQ(rList.Cell(1, 1), u"Gate Camera");

    // The Delete key deletes the selected row as the button does; the row taking its place is
    // selected and gets the focus.
    f.host.QueueAnswer(EDlgResult::Yes);
    f.page.PostPageMessage(kPageDeleteKeyMessage);
    EXPECT_EQ(f.page.DispatchPostedMessages(), 1);
    EXPECT_EQ(MessageLine(f.host.LastMessage()), u"Are you sure?|Delete media input stream");
    ASSERT_EQ(rList.RowCount(), 2);
    EXPECT_EQ(rList.Cell(1, 1), u"RTSP");
    EXPECT_EQ(rList.Selection(), 1);
    EXPECT_EQ(focus.vFocused, std::vector<int>{In::IDC_STREAMS_LIST});
    f.host.QueueAnswer(EDlgResult::Yes);
    f.page.Click(In::IDC_STREAMS_DELETE);
    EXPECT_EQ(rList.Selection(), -1);

    // Without a selection: the message; on an empty list "Empty" still asks.
    f.page.Click(In::IDC_STREAMS_CHANGE);
    EXPECT_EQ(MessageLine(f.host.LastMessage()), u"No stream selected|Change Stream Parameters");
    f.page.Click(In::IDC_STREAMS_DELETE);
    EXPECT_EQ(MessageLine(f.host.LastMessage()), u"No stream selected|Delete Stream");
    f.host.QueueAnswer(EDlgResult::Yes);
    f.page.Click(In::IDC_STREAMS_EMPTY);
    f.host.QueueAnswer(EDlgResult::Yes);
    f.page.Click(In::IDC_STREAMS_EMPTY);
    EXPECT_EQ(MessageLine(f.host.LastMessage()), u"Are You Sure?|Delete All Media Input Streams");
    EXPECT_TRUE(f.page.Streams().empty());

    // A disabled page takes no Delete key.
    const size_t nMessages = f.host.Messages().size();
    f.page.Enable(false);
    f.page.PostPageMessage(kPageDeleteKeyMessage);
    f.page.DispatchPostedMessages();
    EXPECT_EQ(f.host.Messages().size(), nMessages);
    EXPECT_TRUE(f.host.Errors().empty() && f.host.AllConsumed());
    f.page.SetObserver(nullptr);
}

TEST(InputStreamEditor, AddressNeededOnlyWhenAnEnabledStreamPassesMediaOn)
{
    MediaInputStream stream;
    stream.wszName = u"Cam";
    CScriptedFormHost host;
    CForm owner;
    owner.SetHost(&host);
    const auto fnRun = [&](const std::function<void(CDialog&)>& fnScript) {
        host.ExpectDialog(kEditorTitle, fnScript);
        CEditMediaInputStreamParamsDlg dlg(stream);
        return owner.RunDialog(dlg);
    };

    EXPECT_EQ(fnRun([&host](CDialog& dlg) {
                  dlg.Type(InEditor::IDC_IN_NAME, u"  ");
                  dlg.Click(kIdOk);
                  EXPECT_EQ(MessageLine(host.LastMessage()), u"Empty Name|Edit Media Stream Parameters");
                  dlg.Type(InEditor::IDC_IN_NAME, u" Cam ");
                  dlg.Click(InEditor::IDC_IN_ENABLE);
                  dlg.Choose(InEditor::IDC_IN_AUDIO_ACTION, 2); // Transcode
                  dlg.Click(kIdOk);
                  EXPECT_TRUE(dlg.IsOpen());
                  EXPECT_EQ(host.LastMessage().wszText, u"Empty stream address");
                  dlg.Choose(InEditor::IDC_IN_VIDEO_ACTION, 0);
                  dlg.Choose(InEditor::IDC_IN_AUDIO_ACTION, 3); // Native needs no address
                  dlg.Type(InEditor::IDC_IN_PASSWORD, u" pw\t");
                  dlg.Click(kIdOk);
              }),
              EDlgResult::Ok);
    EXPECT_EQ(stream.wszName, u"Cam");
    EXPECT_EQ(stream.wszPassword, u"pw");
    EXPECT_EQ(stream.eAudioProcessingAction, ProcessingAction::Native);

    // A disabled stream may have an empty address whatever its actions.
    EXPECT_EQ(fnRun([](CDialog& dlg) {
                  dlg.Click(InEditor::IDC_IN_ENABLE);
                  dlg.Choose(InEditor::IDC_IN_VIDEO_ACTION, 1);
                  dlg.Click(kIdOk);
              }),
              EDlgResult::Ok);
    EXPECT_FALSE(stream.bEnabled);
    EXPECT_EQ(host.Messages().size(), 2u);
    EXPECT_TRUE(host.Errors().empty());
}

TEST(OutputStreamsPage, ChannelsOfTheDeviceDefaultsAndChecks)
{
    SPageFixture<Out> f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    const CListView& rList = *f.page.Find<CListView>(Out::IDC_STREAMS_LIST);
    ASSERT_EQ(rList.RowCount(), 2);
    EXPECT_EQ(f.page.Record().iVideoChannelQuantity, 4);
    EXPECT_EQ(f.page.Streams()[1].iAudioChannel, -1);

    f.host.ExpectDialog(kEditorTitle, [](CDialog& dlg) {
        const CDropDownList& rVideo = *dlg.Find<CDropDownList>(OutEditor::IDC_OUT_VIDEO_CHANNEL);
        ASSERT_EQ(rVideo.ItemCount(), 5);
        EXPECT_EQ(rVideo.ItemText(4), u"Camera 4");
        EXPECT_EQ(dlg.Find<CDropDownList>(OutEditor::IDC_OUT_AUDIO_CHANNEL)->ItemText(2), u"Microphone 2");
        EXPECT_EQ(dlg.TextOf(OutEditor::IDC_OUT_NAME), u"Stream 3");
        EXPECT_EQ(dlg.TextOf(OutEditor::IDC_OUT_ADDRESS), u"rtsp://");
        EXPECT_EQ(dlg.SelectionOf(OutEditor::IDC_OUT_VIDEO_CHANNEL), 1);
        EXPECT_EQ(dlg.SelectionOf(OutEditor::IDC_OUT_AUDIO_CHANNEL), 1);
        EXPECT_EQ(dlg.SelectionOf(OutEditor::IDC_OUT_TRANSPORT), 0);
        dlg.Choose(OutEditor::IDC_OUT_VIDEO_CHANNEL, 0);
        dlg.Choose(OutEditor::IDC_OUT_AUDIO_CHANNEL, 0);
        dlg.Click(kIdOk);
        dlg.Type(OutEditor::IDC_OUT_ADDRESS, u"   ");
        dlg.Click(kIdOk);
        dlg.Choose(OutEditor::IDC_OUT_VIDEO_CHANNEL, 3);
        dlg.Type(OutEditor::IDC_OUT_ADDRESS, u"rtsp://192.168.10.1/side ");
        dlg.Click(kIdOk);
    });
    f.page.Click(Out::IDC_STREAMS_ADD);
    const std::vector<SMessageRecord>& msgs = f.host.Messages();
    ASSERT_EQ(msgs.size(), 2u);
    EXPECT_EQ(MessageLine(msgs[0]), u"No channels selected|Edit Media Stream Parameters");
    EXPECT_EQ(msgs[1].wszText, u"Empty stream address");
    ASSERT_EQ(f.page.Streams().size(), 3u);
    EXPECT_EQ(f.page.Streams()[2].iVideoChannel, 2);
    EXPECT_EQ(f.page.Streams()[2].iAudioChannel, -1);
    EXPECT_EQ(f.page.Streams()[2].wszAddress, u"rtsp://192.168.10.1/side");

    // No double-click editing, no Delete key; "Delete" asks with its own caption.
    f.page.DoubleClick(Out::IDC_STREAMS_LIST, 0);
    f.page.PostPageMessage(kPageDeleteKeyMessage);
    f.page.DispatchPostedMessages();
    EXPECT_EQ(msgs.size(), 2u);
    f.host.QueueAnswer(EDlgResult::Yes);
    f.page.Choose(Out::IDC_STREAMS_LIST, 0);
    f.page.Click(Out::IDC_STREAMS_DELETE);
    EXPECT_EQ(MessageLine(f.host.LastMessage()), u"Are You Sure?|Delete Media Output Stream");
    EXPECT_EQ(rList.Selection(), -1);
    EXPECT_EQ(rList.RowCount(), 2);

    // A device without audio channels proposes none; a channel the device lacks shows no item
    // and stays as it was.
    ASSERT_TRUE(f.LoadText(Replaced(Replaced(SampleDocumentText(), "<kov:AudioChannels kov:Quantity=\"2\"/>",
                                             "<kov:AudioChannels kov:Quantity=\"0\"/>"),
                                    "kov:VideoChannel=\"2\"", "kov:VideoChannel=\"9\"")));
    f.host.ExpectDialog(kEditorTitle, [](CDialog& dlg) {
        EXPECT_EQ(dlg.Find<CDropDownList>(OutEditor::IDC_OUT_AUDIO_CHANNEL)->ItemCount(), 1);
        EXPECT_EQ(dlg.SelectionOf(OutEditor::IDC_OUT_AUDIO_CHANNEL), 0);
        dlg.Click(kIdOk);
    });
    f.page.Click(Out::IDC_STREAMS_ADD);
    EXPECT_EQ(f.page.Streams().back().iAudioChannel, -1);
    f.host.ExpectDialog(kEditorTitle, [](CDialog& dlg) {
        EXPECT_EQ(dlg.SelectionOf(OutEditor::IDC_OUT_VIDEO_CHANNEL), -1);
        dlg.Click(kIdOk);
    });
    f.page.Choose(Out::IDC_STREAMS_LIST, 1);
    f.page.Click(Out::IDC_STREAMS_CHANGE);
    EXPECT_EQ(f.page.Streams()[1].iVideoChannel, 9);
    EXPECT_TRUE(f.host.Errors().empty() && f.host.AllConsumed());
}

TEST(OutputStreamsPage, ReadFailuresAndDamagedQuantities)
{
    SPageFixture<Out> f;
    // A missing quantity is a mismatch, the streams are read all the same.
    EXPECT_FALSE(f.LoadText(Replaced(SampleDocumentText(), "<kov:VideoChannels kov:Quantity=\"4\"/>", "")));
    EXPECT_EQ(f.page.Streams().size(), 2u);
    EXPECT_EQ(f.page.Record().iVideoChannelQuantity, 0);
    // A device without output streams has no container: no mismatch.
    EXPECT_TRUE(f.LoadText(Replaced(Replaced(SampleDocumentText(), "<kov:MediaOutputStreams>", "<kov:Other>"),
                                    "</kov:MediaOutputStreams>", "</kov:Other>")));
    EXPECT_TRUE(f.page.Streams().empty());
    EXPECT_FALSE(
        f.LoadText(Replaced(Replaced(SampleDocumentText(), "<kov:CaptureDeviceConfig ", "<kov:Other "),
                            "</kov:CaptureDeviceConfig>", "</kov:Other>")));
    EXPECT_EQ(f.page.Streams().size(), 2u);

    // A damaged quantity offers a bounded list; a negative one offers none.
    ASSERT_TRUE(f.LoadText(Replaced(Replaced(SampleDocumentText(), "<kov:VideoChannels kov:Quantity=\"4\"/>",
                                             "<kov:VideoChannels kov:Quantity=\"2147483647\"/>"),
                                    "<kov:AudioChannels kov:Quantity=\"2\"/>",
                                    "<kov:AudioChannels kov:Quantity=\"-5\"/>")));
    f.host.ExpectDialog(kEditorTitle, [](CDialog& dlg) {
        EXPECT_EQ(dlg.Find<CDropDownList>(OutEditor::IDC_OUT_VIDEO_CHANNEL)->ItemCount(),
                  kMaxListedChannels + 1);
        EXPECT_EQ(dlg.Find<CDropDownList>(OutEditor::IDC_OUT_AUDIO_CHANNEL)->ItemCount(), 1);
        dlg.Click(kIdCancel);
    });
    f.page.Click(Out::IDC_STREAMS_ADD);
    EXPECT_TRUE(f.host.Errors().empty());
}

TEST(StreamPages, StoreRoundTripsTextsAndWritesQuantitiesBackAsRead)
{
    const std::string sDoc =
        Replaced(Replaced(SampleDocumentText(), "kov:Name=\"Body Camera\"",
                          "kov:Name=\"K\xC3\xB6rper&#13;&#10;Kamera\""),
                 "kov:Name=\"Rear Camera\"", "kov:Name=\"Heck \xE2\x86\x90 &#10;Kamera\"");
    SPageFixture<In> in;
    SPageFixture<Out> out;
    ASSERT_TRUE(in.LoadText(sDoc));
    ASSERT_TRUE(out.LoadText(sDoc));
    EXPECT_EQ(in.page.Streams()[0].wszName, u"K\u00F6rper\r\nKamera");
    in.page.Store();
    out.page.Store();

    NodeRef inputs = StoredStreams(in.holder, u"kov:MediaInputStreams");
    ASSERT_EQ(inputs.ChildCount(), 2u);
    EXPECT_EQ(Attr(inputs, u"__merge_options"), u"erase_children");
    EXPECT_EQ(Attr(Item(inputs, 1).FindChild(u"kov:VideoChannel"), u"kov:ProcessingAction"), u"Native");
    NodeRef outputs = StoredStreams(out.holder, u"kov:MediaOutputStreams");
    EXPECT_EQ(Attr(outputs, u"__merge_options"), u"erase_children");
    EXPECT_EQ(Attr(Item(outputs, 1), u"kov:AudioChannel"), u"-1");
    NodeRef config = out.holder.ChangeDocument().Root().FindChild(u"kov:CaptureDeviceConfig");
    EXPECT_EQ(Attr(config.FindChild(u"kov:VideoChannels"), u"kov:Quantity"), u"4");
    EXPECT_EQ(Attr(config.FindChild(u"kov:AudioChannels"), u"kov:Quantity"), u"2");

    // What was stored loads back unchanged.
    SPageFixture<In> in2;
    SPageFixture<Out> out2;
    ASSERT_TRUE(in2.LoadText(ChangeText(in.holder)));
    EXPECT_EQ(in2.page.Streams(), in.page.Streams());
    ASSERT_TRUE(out2.LoadText(ChangeText(out.holder)));
    EXPECT_EQ(out2.page.Streams(), out.page.Streams());
    EXPECT_EQ(out2.page.Streams()[1].wszName, u"Heck \u2190 \nKamera");

    // Emptied lists still write their marked containers.
    in.host.QueueAnswer(EDlgResult::Yes);
    in.page.Click(In::IDC_STREAMS_EMPTY);
    in.page.Store();
    EXPECT_EQ(inputs.ChildCount(), 0u);
    EXPECT_EQ(Attr(inputs, u"__merge_options"), u"erase_children");
}

} // namespace
} // namespace kov::test
