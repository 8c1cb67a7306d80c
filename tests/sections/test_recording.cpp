#include "sections/Recording.h"

#include <gtest/gtest.h>

#include <vector>

#include "PageTestKit.h"
#include "link/FakeDeviceSlot.h"
#include "link/Protocol.h"
#include "sim/SampleDocument.h"

namespace kov::test {
namespace {

using Page = CDeviceRecordingParamsDlg;
using Dlg = CWritingTestDlg;

class CDroppingSink final : public IDeviceEventSink {
public:
    void PostDeviceEvent(SDeviceEventData) override {}
};

// The device slot, made before the page's device link takes it.
struct SSlot {
    std::unique_ptr<CFakeSlot> pOwned = std::make_unique<CFakeSlot>();
    CFakeSlot& slot = *pOwned;
};

// The page over a fake device slot, its writing test timed by a clock the test sets.
struct SRecordingFixture : SSlot, SPageFixture<Page> {
    SRecordingFixture()
        : SPageFixture([this](Page& p) { p.SetTestClock([this] { return llNow; }); }, std::move(pOwned))
    {
        holder.SetEventSink(&sink);
    }
    bool Load(const std::string& sOld = {}, const std::string& sNew = {})
    {
        return LoadText(sOld.empty() ? SampleDocumentText() : Replaced(SampleDocumentText(), sOld, sNew));
    }
    NodeRef Stored() const { return holder.ChangeDocument().Root().FindChild(u"kov:MediaRecorderConfig"); }
    std::u16string StoredText(std::u16string_view wszName) const
    {
        return std::u16string(Stored().FindChild(wszName).Text());
    }
    // Ends the link and returns the command of every frame the page sent on it.
    std::vector<uint32_t> SentCommands()
    {
        holder.Disconnect(true);
        std::vector<uint32_t> vCommands;
        for (SFrameHeader h = slot.NextFrame(); h.dwCommandId != 0; h = slot.NextFrame())
            vCommands.push_back(h.dwCommandId);
        return vCommands;
    }
    void Report(DeviceEvent eEvent, uint32_t dwBytes, int64_t llAtMicroseconds)
    {
        llNow = llAtMicroseconds;
        page.OnTestProgress({eEvent, dwBytes, 0, nullptr, 0});
    }

    CDroppingSink sink;
    int64_t llNow = 0;
};

TEST(RecordingPage, StoresEveryFieldInItsOrderAndReadsItBack)
{
    SRecordingFixture f;
    ASSERT_TRUE(f.Load());
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_FILE_SIZE_LIMIT), 7); // 100 MB
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_FILE_TIME_UNIT), 2);  // 1800 s: Minutes
    EXPECT_EQ(f.page.TextOf(Page::IDC_REMOTE_ADDRESS), u"//192.168.10.40/recordings/patrol7");
    f.page.Choose(Page::IDC_VIDEO_FILE_FORMAT, 3);
    f.page.Click(Page::IDC_SIGN_FILES);
    f.page.Store();

    std::u16string wszNames;
    for (NodeRef child = f.Stored().FirstChild(); child; child = child.NextSibling())
        wszNames += std::u16string(child.Name()) + u" ";
    EXPECT_EQ(wszNames,
              u"kov:FileSizeSplitThreshold kov:FileTimeSplitThreshold kov:EnableFileSystemOptimizations "
              u"kov:VerifyWrites kov:RecordIfMotionDetected kov:DeleteOldFiles kov:SignFiles "
              u"kov:RecordLocations kov:RecordEvents kov:RecordingEventTime kov:UseNamesInFiles "
              u"kov:RecordMediaTraffic kov:AudioFileFormat kov:VideoFileFormat "
              u"kov:AudioVideoFileFormat kov:RemoteFileSystem kov:Encryption ");
    EXPECT_EQ(f.StoredText(u"kov:FileSizeSplitThreshold"), u"104857600");
    EXPECT_EQ(f.StoredText(u"kov:FileTimeSplitThreshold"), u"1800");
    EXPECT_EQ(f.StoredText(u"kov:SignFiles"), u"True");
    EXPECT_EQ(f.StoredText(u"kov:VideoFileFormat"), u"AVI");
    EXPECT_EQ(Attr(f.Stored().FindChild(u"kov:Encryption"), u"kov:Key"), u"5e9d2f71c4a8b036");

    // What was stored loads into another page as the same record.
    SRecordingFixture g;
    ASSERT_TRUE(g.LoadText(ChangeText(f.holder)));
    EXPECT_EQ(g.page.SelectionOf(Page::IDC_VIDEO_FILE_FORMAT), 3);
    EXPECT_TRUE(g.page.IsChecked(Page::IDC_SIGN_FILES));
    EXPECT_EQ(g.page.SelectionOf(Page::IDC_REMOTE_TYPE), 1);
    EXPECT_EQ(g.page.TextOf(Page::IDC_REMOTE_PASSWORD), u"r3c-Patrol7");
}

TEST(RecordingPage, SizeLimitSnapsToTheNearestChoice)
{
    EXPECT_EQ(FileSizeChoiceOf(0), 0);
    EXPECT_EQ(FileSizeChoiceOf(1572863), 1);    // just below the 1 MB / 2 MB midpoint
    EXPECT_EQ(FileSizeChoiceOf(1572864), 2);    // the midpoint itself goes up
    EXPECT_EQ(FileSizeChoiceOf(800000000), 10); // beyond the 500 MB / 1 GB midpoint
    EXPECT_EQ(FileSizeChoiceOf(~0ull), 10);

    // 3000000 bytes shows 2 MB, and storing then writes what the list shows.
    SRecordingFixture f;
    ASSERT_TRUE(f.Load("<kov:FileSizeSplitThreshold>104857600", "<kov:FileSizeSplitThreshold>3000000"));
    EXPECT_EQ(f.page.Find<CDropDownList>(Page::IDC_FILE_SIZE_LIMIT)->ItemText(2), u"2 MB");
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_FILE_SIZE_LIMIT), 2);
    f.page.Store();
    EXPECT_EQ(f.StoredText(u"kov:FileSizeSplitThreshold"), u"2097152");
    f.page.Choose(Page::IDC_FILE_SIZE_LIMIT, 10);
    f.page.Store();
    EXPECT_EQ(f.StoredText(u"kov:FileSizeSplitThreshold"), u"1073741824");
}

TEST(RecordingPage, TimeValuesShowInTheLargestExactUnit)
{
    SRecordingFixture f;
    ASSERT_TRUE(f.Load("<kov:RecordingEventTime>60", "<kov:RecordingEventTime>7200"));
    EXPECT_EQ(f.page.TextOf(Page::IDC_EVENT_TIME), u"2");
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_EVENT_TIME_UNIT), 3); // Hours
    ASSERT_TRUE(f.Load("<kov:RecordingEventTime>60", "<kov:RecordingEventTime>90"));
    EXPECT_EQ(f.page.TextOf(Page::IDC_EVENT_TIME), u"90");
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_EVENT_TIME_UNIT), 1); // Seconds
    // A negative time is no limit either.
    ASSERT_TRUE(f.Load("<kov:RecordingEventTime>60", "<kov:RecordingEventTime>-60"));
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_EVENT_TIME_UNIT), 0);
    // No limit: "None" with its number closed; choosing a unit opens it.
    ASSERT_TRUE(f.Load("<kov:FileTimeSplitThreshold>1800", "<kov:FileTimeSplitThreshold>0"));
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_FILE_TIME_UNIT), 0);
    EXPECT_FALSE(f.page.IsEnabled(Page::IDC_FILE_TIME_LIMIT));
    f.page.Choose(Page::IDC_FILE_TIME_UNIT, 2);
    EXPECT_TRUE(f.page.IsEnabled(Page::IDC_FILE_TIME_LIMIT));
    f.page.Type(Page::IDC_FILE_TIME_LIMIT, u"5");
    // A number too large for its unit keeps the largest time instead of wrapping round.
    f.page.Type(Page::IDC_EVENT_TIME, u"99999999");
    f.page.Choose(Page::IDC_EVENT_TIME_UNIT, 3);
    f.page.Store();
    EXPECT_EQ(f.StoredText(u"kov:FileTimeSplitThreshold"), u"300");
    EXPECT_EQ(f.StoredText(u"kov:RecordingEventTime"), u"2147483647");
    // Back to "None": the number is closed and the time is 0 whatever it shows.
    f.page.Choose(Page::IDC_FILE_TIME_UNIT, 0);
    EXPECT_FALSE(f.page.IsEnabled(Page::IDC_FILE_TIME_LIMIT));
    f.page.Store();
    EXPECT_EQ(f.StoredText(u"kov:FileTimeSplitThreshold"), u"0");
}

TEST(RecordingPage, KeyAndRemoteLoginAreWrittenOnlyWhenTheyCount)
{
    SRecordingFixture f;
    ASSERT_TRUE(f.Load());
    // Encryption checked with an empty key is stored as off, without a key.
    f.page.Type(Page::IDC_ENCRYPTION_KEY, u"");
    f.page.Store();
    const NodeRef encryption = f.Stored().FindChild(u"kov:Encryption");
    EXPECT_EQ(Attr(encryption, u"kov:Enable"), u"False");
    EXPECT_FALSE(encryption.HasAttribute(u"kov:Key"));
    // The key is taken as typed; the remote login is trimmed.
    f.page.Type(Page::IDC_ENCRYPTION_KEY, u" k3y ");
    f.page.Type(Page::IDC_REMOTE_USER_NAME, u"  archive \t");
    f.page.Store();
    EXPECT_EQ(Attr(encryption, u"kov:Enable"), u"True");
    EXPECT_EQ(Attr(encryption, u"kov:Key"), u" k3y ");
    EXPECT_EQ(f.Stored().FindChild(u"kov:RemoteFileSystem").FindChild(u"kov:UserName").Text(), u"archive");

    // Remote type "None" writes only the type.
    SRecordingFixture g;
    ASSERT_TRUE(g.Load());
    g.page.Choose(Page::IDC_REMOTE_TYPE, 0);
    g.page.Store();
    const NodeRef remote = g.Stored().FindChild(u"kov:RemoteFileSystem");
    ASSERT_EQ(remote.ChildCount(), 1u);
    EXPECT_EQ(remote.FirstChild().Name(), u"kov:RemoteFileSystemType");
    EXPECT_EQ(remote.FirstChild().Text(), u"None");
}

TEST(RecordingPage, EnablingFollowsTheFlagRemoteTypeEncryptionAndUnits)
{
    SRecordingFixture f;
    ASSERT_TRUE(f.Load());
    f.page.Choose(Page::IDC_REMOTE_TYPE, 0);
    f.page.Click(Page::IDC_ENCRYPTION_ENABLE);
    for (int iId : {Page::IDC_REMOTE_ADDRESS, Page::IDC_REMOTE_USER_NAME, Page::IDC_REMOTE_PASSWORD,
                    Page::IDC_ENCRYPTION_KEY})
        EXPECT_FALSE(f.page.IsEnabled(iId)) << iId;
    f.page.Choose(Page::IDC_REMOTE_TYPE, 2);
    EXPECT_TRUE(f.page.IsEnabled(Page::IDC_REMOTE_ADDRESS));

    f.page.Enable(false);
    for (const auto& pControl : f.page.Controls()) {
        const bool bEditable =
            pControl->Kind() != EControlKind::Label && pControl->Kind() != EControlKind::GroupBox;
        EXPECT_FALSE(bEditable && pControl->IsEnabled()) << pControl->Id();
    }
    // Enabled again, the conditional fields follow their conditions, not the flag alone.
    f.page.Enable(true);
    EXPECT_TRUE(f.page.IsEnabled(Page::IDC_REMOTE_ADDRESS));
    EXPECT_FALSE(f.page.IsEnabled(Page::IDC_ENCRYPTION_KEY));
    EXPECT_TRUE(f.page.IsEnabled(Page::IDC_SPEED_TEST));
}

TEST(RecordingPage, DamagedSectionsLoadWhatIsThereAndReportTheMismatch)
{
    SRecordingFixture f;
    EXPECT_FALSE(f.LoadText(SampleDocumentText(), EDocumentState::Device,
                            [](NodeRef root) { root.RemoveChildren(u"kov:MediaRecorderConfig"); }));
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_FILE_SIZE_LIMIT), 0);
    EXPECT_FALSE(f.page.IsEnabled(Page::IDC_REMOTE_ADDRESS));

    // A format outside its table keeps "Any"; the fields around it still load.
    EXPECT_FALSE(f.Load("<kov:VideoFileFormat>MP4", "<kov:VideoFileFormat>mp4"));
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_VIDEO_FILE_FORMAT), 0);
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_AUDIO_VIDEO_FILE_FORMAT), 4);
    // So does a remote type outside its table: no login is read for it.
    EXPECT_FALSE(f.Load("<kov:RemoteFileSystemType>SMB", "<kov:RemoteFileSystemType>CIFS"));
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_REMOTE_TYPE), 0);
    EXPECT_EQ(f.page.TextOf(Page::IDC_REMOTE_ADDRESS), u"");
    // A missing field reports the mismatch and leaves the rest as read.
    EXPECT_FALSE(f.Load("<kov:DeleteOldFiles>True</kov:DeleteOldFiles>", ""));
    EXPECT_FALSE(f.page.IsChecked(Page::IDC_DELETE_OLD_FILES));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_RECORD_EVENTS));
    // A number that is no number reads as 0, as every integer of a document does.
    EXPECT_TRUE(f.Load("<kov:FileTimeSplitThreshold>1800", "<kov:FileTimeSplitThreshold>soon"));
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_FILE_TIME_UNIT), 0);
}

TEST(RecordingPage, DeleteAllFilesAsksThenNeedsTheDevice)
{
    SRecordingFixture f;
    ASSERT_TRUE(f.Load());
    f.host.QueueAnswer(EDlgResult::No);
    EXPECT_EQ(f.page.DeleteAllFiles(), EDeviceRequest::Declined);
    f.host.QueueAnswer(EDlgResult::Yes);
    f.page.Click(Page::IDC_DELETE_ALL_FILES);
    ASSERT_EQ(f.host.Messages().size(), 3u);
    EXPECT_EQ(f.host.Messages()[0].wszText, u"Are you sure?");
    EXPECT_EQ(f.host.Messages()[0].wszCaption, u"Delete All Recordings");
    EXPECT_EQ(f.host.Messages()[2].wszText, u"Device not ready");

    ASSERT_EQ(f.holder.Connect(), 0);
    f.host.QueueAnswer(EDlgResult::Yes);
    EXPECT_EQ(f.page.DeleteAllFiles(), EDeviceRequest::Sent);
    EXPECT_EQ(f.SentCommands(), std::vector<uint32_t>{DeleteAllRecordings});
    EXPECT_TRUE(f.host.Errors().empty());
}

TEST(WritingTest, FiguresFollowTheReportsAtMostEveryFifthOfASecond)
{
    SRecordingFixture f;
    ASSERT_TRUE(f.Load());
    // Without a device the button does nothing.
    f.page.Click(Page::IDC_SPEED_TEST);
    EXPECT_EQ(f.page.WritingTest(), nullptr);

    ASSERT_EQ(f.holder.Connect(), 0);
    ASSERT_TRUE(f.page.StartSpeedTest());
    Dlg& test = *f.page.WritingTest();
    EXPECT_EQ(test.Title(), u"File Writing Test");
    EXPECT_FALSE(test.IsWindowShown()); // until the device reports progress
    f.Report(DeviceEvent::WriteTestProgressEvent, 0, 1000000);
    // Reports 0.1 s apart: the figures change at 0.3 s and 0.6 s after the start, nowhere else.
    std::vector<std::u16string> vSizes;
    for (int i = 1; i <= 7; ++i) {
        f.Report(DeviceEvent::WriteTestProgressEvent, uint32_t(i) * 1048576, 1000000 + i * 100000);
        vSizes.push_back(test.TextOf(Dlg::IDC_WRITE_SIZE));
    }
    const std::vector<std::u16string> vExpected = {u"?",       u"?",       u"3.00 MB", u"3.00 MB",
                                                   u"3.00 MB", u"6.00 MB", u"6.00 MB"};
    EXPECT_EQ(vSizes, vExpected);
    EXPECT_EQ(test.ReportsTaken(), 8u); // shown or not, each report counts
    EXPECT_TRUE(test.IsWindowShown());
    EXPECT_EQ(test.TextOf(Dlg::IDC_WRITE_SPEED), u"10.00 Mb/s"); // 6 MiB in 0.6 s
    EXPECT_EQ(test.TextOf(Dlg::IDC_READ_SIZE), u"?");

    // "Read" starts the device's read test, timed on its own.
    EXPECT_TRUE(test.Click(Dlg::IDC_READ));
    f.Report(DeviceEvent::ReadTestProgressEvent, 0, 5000000);
    f.Report(DeviceEvent::ReadTestProgressEvent, 1536, 5250000);
    EXPECT_EQ(test.TextOf(Dlg::IDC_READ_SIZE), u"1.5 KB");
    EXPECT_EQ(test.TextOf(Dlg::IDC_READ_SPEED), u"6.0 Kbps");

    // "Stop" stops the device and hides the window; later reports change nothing.
    EXPECT_TRUE(test.Click(Dlg::IDC_STOP));
    EXPECT_FALSE(test.IsWindowShown());
    f.Report(DeviceEvent::WriteTestProgressEvent, 99 * 1048576, 9000000);
    EXPECT_EQ(test.TextOf(Dlg::IDC_WRITE_SIZE), u"6.00 MB");
    EXPECT_EQ(test.ReportsTaken(), 10u);

    // A later Speed Test reuses the window with every figure back to "?".
    ASSERT_TRUE(f.page.StartSpeedTest());
    EXPECT_EQ(f.page.WritingTest(), &test);
    for (int iId : {Dlg::IDC_WRITE_SIZE, Dlg::IDC_WRITE_SPEED, Dlg::IDC_READ_SIZE, Dlg::IDC_READ_SPEED})
        EXPECT_EQ(test.TextOf(iId), u"?");
    // A device whose first report is already under way is timed from that report.
    f.Report(DeviceEvent::WriteTestProgressEvent, 1048576, 10000000);
    f.Report(DeviceEvent::WriteTestProgressEvent, 2097152, 10500000);
    EXPECT_EQ(test.TextOf(Dlg::IDC_WRITE_SIZE), u"2.00 MB");

    // Disabling the page (the device went away) hides the window and ignores reports.
    f.page.Enable(false);
    EXPECT_FALSE(test.IsWindowShown());
    EXPECT_FALSE(test.IsActive());
    EXPECT_EQ(f.SentCommands(),
              (std::vector<uint32_t>{StartWriteTest, StartReadTest, StopWriteTest, StartWriteTest}));
}

} // namespace
} // namespace kov::test
