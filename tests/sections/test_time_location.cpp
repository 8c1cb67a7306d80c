#include "sections/TimeLocation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "PageTestKit.h"
#include "sections/TimeZones.h"
#include "sim/SampleDocument.h"
#include "support/TextCodec.h"

namespace kov::test {
namespace {

using TimePage = CDeviceTimeParamsDlg;
using GpsPage = CDeviceGPSParamsDlg;

struct STimeFixture : SPageFixture<TimePage> {
    // The sample document with its zone element replaced.
    bool LoadZone(const std::string& sZoneAttributes)
    {
        return LoadText(Replaced(SampleDocumentText(),
                                 "<kov:Zone kov:Name=\"Europe/Berlin\" kov:Minutes=\"60\" kov:DST=\"True\"/>",
                                 "<kov:Zone " + sZoneAttributes + "/>"));
    }
    NodeRef StoredTime() const
    {
        return holder.ChangeDocument().Root().FindChild(u"kov:CaptureDeviceRules").FindChild(u"kov:Time");
    }
    NodeRef StoredZone() const { return StoredTime().FindChild(u"kov:Zone"); }
    std::u16string ZoneText(int iEntry) const
    {
        return page.Find<CDropDownList>(TimePage::IDC_ZONE)->ItemText(iEntry);
    }
};

TEST(TimeZoneTable, HoldsTheListedZonesWithTheirStandardOffsets)
{
    const auto zones = TimeZoneTable();
    ASSERT_EQ(zones.size(), 439u);
    EXPECT_TRUE(std::is_sorted(zones.begin(), zones.end(), [](const STimeZone& a, const STimeZone& b) {
        return std::string_view(a.szName) < std::string_view(b.szName);
    }));
    std::map<std::string, int> offsets;
    for (const STimeZone& zone : zones)
        offsets[zone.szName] = zone.iMinutes;
    ASSERT_EQ(offsets.size(), 439u);
    // Zones kept under old names, and the far ends of the range.
    for (const auto& [sName, iMinutes] : std::map<std::string, int>{{"US/Pacific-New", -480},
                                                                    {"Africa/Asmera", 180},
                                                                    {"Pacific/Kiritimati", 840},
                                                                    {"Pacific/Pago Pago", -660},
                                                                    {"Australia/Eucla", 525},
                                                                    {"Pacific/Marquesas", -570}})
        EXPECT_EQ(offsets.count(sName) ? offsets[sName] : 99999, iMinutes) << sName;
    for (const auto& [sName, iMinutes] : offsets) {
        EXPECT_TRUE(iMinutes % 15 == 0 && iMinutes >= -660 && iMinutes <= 840) << sName;
        EXPECT_EQ(sName.find('_'), std::string::npos) << sName;
    }
}

TEST(TimePage, ZonesShowTheirOffsetAndAStoredZoneKeepsTheOffsetRead)
{
    STimeFixture f;
    // The document says 300 minutes for Kolkata; the list shows the table's +05:30.
    ASSERT_TRUE(f.LoadZone("kov:Name=\"Asia/Kolkata\" kov:Minutes=\"300\" kov:DST=\"False\""));
    const int iKolkata = f.page.ZoneEntry();
    EXPECT_EQ(f.ZoneText(iKolkata), u"Asia/Kolkata (UTC+05:30)");
    EXPECT_EQ(f.ZoneText(ZoneEntryOf(u"America/St Johns")), u"America/St Johns (UTC-03:30)");
    EXPECT_EQ(f.ZoneText(ZoneEntryOf(u"Africa/Abidjan")), u"Africa/Abidjan (UTC+00:00)");
    EXPECT_EQ(f.ZoneText(0), u"None");
    EXPECT_EQ(f.ZoneText(1), u"UTC");
    f.page.Store();
    EXPECT_EQ(Attr(f.StoredZone(), u"kov:Name"), u"Asia/Kolkata");
    EXPECT_EQ(Attr(f.StoredZone(), u"kov:Minutes"), u"300");

    // Choosing a zone takes the table's offset; choosing UTC clears and closes daylight saving.
    ASSERT_TRUE(f.page.Choose(TimePage::IDC_ZONE, ZoneEntryOf(u"Pacific/Chatham")));
    f.page.Click(TimePage::IDC_DAYLIGHT_SAVING);
    f.page.Store();
    EXPECT_EQ(Attr(f.StoredZone(), u"kov:Minutes"), u"765");
    EXPECT_EQ(Attr(f.StoredZone(), u"kov:DST"), u"True");
    ASSERT_TRUE(f.page.Choose(TimePage::IDC_ZONE, kZoneEntryUtc));
    EXPECT_FALSE(f.page.IsEnabled(TimePage::IDC_DAYLIGHT_SAVING));
    f.page.Store();
    EXPECT_EQ(Attr(f.StoredZone(), u"kov:Name"), u"UTC");
    EXPECT_EQ(Attr(f.StoredZone(), u"kov:Minutes"), u"0");
    EXPECT_EQ(Attr(f.StoredZone(), u"kov:DST"), u"False");
    ASSERT_TRUE(f.page.Choose(TimePage::IDC_ZONE, kZoneEntryNone));
    f.page.Store();
    EXPECT_EQ(Attr(f.StoredZone(), u"kov:Name"), u"");
}

TEST(TimePage, NamesOutsideTheTableShowNoneAndGoBackUnchanged)
{
    for (const char* szName : {"America/New_York", "Asia/kolkata", "Mars/Olympus Mons", "UTC "}) {
        SCOPED_TRACE(szName);
        STimeFixture f;
        ASSERT_TRUE(
            f.LoadZone(std::string("kov:Name=\"") + szName + "\" kov:Minutes=\"-300\" kov:DST=\"True\""));
        EXPECT_EQ(f.page.SelectionOf(TimePage::IDC_ZONE), kZoneEntryNone);
        EXPECT_FALSE(f.page.IsEnabled(TimePage::IDC_DAYLIGHT_SAVING));
        EXPECT_FALSE(f.page.IsEnabled(TimePage::IDC_SYNC_NTP));
        f.page.Store();
        EXPECT_EQ(Attr(f.StoredZone(), u"kov:Name"), Utf8ToUtf16(szName));
        EXPECT_EQ(Attr(f.StoredZone(), u"kov:Minutes"), u"-300");
        EXPECT_EQ(Attr(f.StoredZone(), u"kov:DST"), u"True");
    }
}

TEST(TimePage, SynchronizationFollowsNtpGpsAndTheZone)
{
    STimeFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    EXPECT_TRUE(f.page.IsEnabled(TimePage::IDC_SYNC_GPS)); // the sample's GPS is on
    EXPECT_TRUE(f.page.IsEnabled(TimePage::IDC_SYNC_NTP));
    f.page.Click(TimePage::IDC_NTP_ENABLE);
    EXPECT_FALSE(f.page.IsEnabled(TimePage::IDC_NTP_SERVER));
    EXPECT_FALSE(f.page.IsEnabled(TimePage::IDC_SYNC_NTP));
    f.page.Type(TimePage::IDC_NTP_SERVER, u" ntp.example ");
    f.page.Store();
    const NodeRef ntp = f.StoredTime().FindChild(u"kov:NTP");
    EXPECT_EQ(Attr(ntp, u"kov:Enable"), u"False");
    EXPECT_EQ(Attr(ntp, u"kov:ServerAddress"), u"pool.ntp.org"); // typed while closed: refused
    // The GPS flag is read, never written.
    EXPECT_FALSE(
        f.holder.ChangeDocument().Root().FindChild(u"kov:CaptureDeviceConfig").FindChild(u"kov:GPS"));

    // With the device's GPS off the GPS box stays closed whatever zone is chosen.
    STimeFixture g;
    ASSERT_TRUE(g.LoadText(
        Replaced(SampleDocumentText(), "<kov:GPS kov:Enable=\"True\"", "<kov:GPS kov:Enable=\"False\"")));
    for (int iEntry : {kZoneEntryNone, kZoneEntryUtc, ZoneEntryOf(u"Asia/Tokyo")}) {
        ASSERT_TRUE(g.page.Choose(TimePage::IDC_ZONE, iEntry));
        EXPECT_FALSE(g.page.IsEnabled(TimePage::IDC_SYNC_GPS)) << iEntry;
        EXPECT_EQ(g.page.IsEnabled(TimePage::IDC_SYNC_NTP), iEntry != kZoneEntryNone) << iEntry;
    }
    g.page.Enable(false);
    g.page.Enable(true);
    EXPECT_FALSE(g.page.IsEnabled(TimePage::IDC_SYNC_GPS));
    EXPECT_TRUE(g.page.IsEnabled(TimePage::IDC_DAYLIGHT_SAVING));
}

TEST(TimePage, MissingSectionsShowTheDefaults)
{
    STimeFixture f;
    EXPECT_FALSE(f.LoadText(SampleDocumentText(), EDocumentState::Device,
                            [](NodeRef root) { root.RemoveChildren(u"kov:CaptureDeviceRules"); }));
    EXPECT_EQ(f.page.SelectionOf(TimePage::IDC_ZONE), kZoneEntryNone);
    EXPECT_EQ(f.page.TextOf(TimePage::IDC_NTP_SERVER), u"pool.ntp.org");
    EXPECT_TRUE(f.page.IsChecked(TimePage::IDC_NTP_ENABLE));
    // No GPS element: the rest loads, the mismatch is reported and the GPS box stays closed.
    EXPECT_FALSE(f.LoadText(SampleDocumentText(), EDocumentState::Device, [](NodeRef root) {
        root.FindChild(u"kov:CaptureDeviceConfig").RemoveChildren(u"kov:GPS");
    }));
    EXPECT_EQ(f.ZoneText(f.page.ZoneEntry()), u"Europe/Berlin (UTC+01:00)");
    EXPECT_FALSE(f.page.IsEnabled(TimePage::IDC_SYNC_GPS));
}

TEST(LocationPage, OptionsOpenWithTheReceiverAndRoundTrip)
{
    SPageFixture<GpsPage> f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    EXPECT_EQ(f.page.SelectionOf(GpsPage::IDC_CELLULAR_MODE), 2);
    EXPECT_TRUE(f.page.IsEnabled(GpsPage::IDC_STANDALONE));
    f.page.Click(GpsPage::IDC_ACTIVATE);
    for (int iId : {GpsPage::IDC_RESET, GpsPage::IDC_CELLULAR_MODE, GpsPage::IDC_MOTION_ESTIMATION,
                    GpsPage::IDC_STANDALONE})
        EXPECT_FALSE(f.page.IsEnabled(iId)) << iId;
    f.page.Click(GpsPage::IDC_ACTIVATE);
    f.page.Choose(GpsPage::IDC_CELLULAR_MODE, 1);
    f.page.Click(GpsPage::IDC_MOTION_ESTIMATION);
    f.page.Store();
    const NodeRef config = f.holder.ChangeDocument().Root().FindChild(u"kov:CaptureDeviceConfig");
    const NodeRef gps = config.FindChild(u"kov:GPS");
    EXPECT_EQ(Attr(gps, u"kov:Enable"), u"True");
    EXPECT_EQ(Attr(gps, u"kov:Reset"), u"False");
    EXPECT_EQ(Attr(gps.FindChild(u"kov:Standalone"), u"kov:Enable"), u"True");
    EXPECT_EQ(Attr(gps.FindChild(u"kov:Cellular"), u"kov:Mode"), u"Base");
    EXPECT_EQ(Attr(config.FindChild(u"kov:MotionEstimation"), u"kov:Enable"), u"True");

    // A mode outside its table: "None", reported; the receiver's flags still load.
    SPageFixture<GpsPage> g;
    EXPECT_FALSE(
        g.LoadText(Replaced(SampleDocumentText(), "kov:Mode=\"Assisted\"", "kov:Mode=\"assisted\"")));
    EXPECT_EQ(g.page.SelectionOf(GpsPage::IDC_CELLULAR_MODE), 0);
    EXPECT_TRUE(g.page.IsChecked(GpsPage::IDC_ACTIVATE));
    EXPECT_TRUE(g.page.IsChecked(GpsPage::IDC_STANDALONE));
    EXPECT_FALSE(g.LoadText("<kov:DeviceProgramParameters xmlns:kov=\"urn:dovrane:kov\"/>"));
    EXPECT_FALSE(g.page.IsChecked(GpsPage::IDC_ACTIVATE));
    EXPECT_FALSE(g.page.IsEnabled(GpsPage::IDC_RESET));
}

} // namespace
} // namespace kov::test
