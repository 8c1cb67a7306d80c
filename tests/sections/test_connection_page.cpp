#include "sections/ServerConnections.h"

#include <gtest/gtest.h>

#include "PageTestKit.h"
#include "sim/SampleDocument.h"

namespace kov::test {
namespace {

using Page = CNetworkConnectionSettingsDlg;
using Mc = CMultipleConnectionsDlg;
using Sc = CServerConnectionSettingsDlg;

struct SConnectionFixture : SPageFixture<Page> {
    SConnectionFixture()
        : SPageFixture(
              [](Page& rPage) { rPage.SetLoginNameSource([] { return std::u16string(u"operator7"); }); })
    {}
    NodeRef Stored() const { return holder.ChangeDocument().Root().FindChild(u"kov:ConnectionParameters"); }
};

TEST(ConnectionPage, LoadsTheSampleAndShowsSleepInItsLargestUnit)
{
    SConnectionFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_MULTIPLE_CONNECTIONS));
    EXPECT_EQ(f.page.TextOf(Page::IDC_SLEEP_TIME), u"2");
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_SLEEP_UNIT), 2);

    f.page.SetConnectionStatus(u"Connected");
    const std::string sSample = SampleDocumentText();
    const std::pair<const char*, std::pair<int, const char16_t*>> kSleeps[] = {{"1440", {3, u"1"}},
                                                                               {"61", {1, u"61"}}};
    for (const auto& [szMinutes, expected] : kSleeps) {
        ASSERT_TRUE(f.LoadText(
            Replaced(sSample, "kov:Minutes=\"120\"", std::string("kov:Minutes=\"") + szMinutes + "\"")));
        EXPECT_EQ(f.page.SelectionOf(Page::IDC_SLEEP_UNIT), expected.first) << szMinutes;
        EXPECT_EQ(f.page.TextOf(Page::IDC_SLEEP_TIME), expected.second) << szMinutes;
    }
    EXPECT_EQ(f.page.TextOf(Page::IDC_STATUS), u"");
    // No sleep selects "None", leaves the number as it was and keeps it disabled.
    ASSERT_TRUE(f.LoadText(Replaced(sSample, "kov:Minutes=\"120\"", "kov:Minutes=\"0\"")));
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_SLEEP_UNIT), 0);
    EXPECT_EQ(f.page.TextOf(Page::IDC_SLEEP_TIME), u"61");
    EXPECT_FALSE(f.page.IsEnabled(Page::IDC_SLEEP_TIME));
}

TEST(ConnectionPage, DamagedDocumentsLoadWhatTheyCanAndReportIt)
{
    SConnectionFixture f;
    const std::string sSample = SampleDocumentText();
    // Without the status section the settings still load (and so are not stored back as defaults).
    EXPECT_FALSE(f.LoadText(Replaced(Replaced(sSample, "<kov:CaptureDeviceStatus ", "<kov:Other "),
                                     "</kov:CaptureDeviceStatus>", "</kov:Other>")));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_MULTIPLE_CONNECTIONS));
    EXPECT_FALSE(f.page.IsEnabled(Page::IDC_SLEEP_UNIT));

    EXPECT_FALSE(f.LoadText(Replaced(sSample, "<kov:TransportProtocol>TCP<", "<kov:TransportProtocol>tcp<")));
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_TRANSPORT), 0);
    EXPECT_EQ(f.page.TextOf(Page::IDC_SERVER_ADDRESS), u"media.dovrane-fleet.example");

    EXPECT_FALSE(f.LoadText(Replaced(sSample, "<kov:SleepManagementAction kov:Minutes=\"120\"/>", "")));
    EXPECT_FALSE(f.LoadText(Replaced(sSample, "<kov:PortNumber>7</kov:PortNumber>", "")));

    // Nothing to read: everything at its defaults, nothing breaks.
    EXPECT_FALSE(f.LoadText("<kov:DeviceProgramParameters xmlns:kov=\"urn:dovrane:kov\"/>"));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_NO_SERVER));
    EXPECT_FALSE(f.page.IsEnabled(Page::IDC_MAX_IDLE_ENABLE));
}

TEST(ConnectionPage, IntegersAndListEntriesReadWithoutAMismatch)
{
    SConnectionFixture f;
    std::string sDoc = SampleDocumentText();
    // Texts that are not numbers read as 0, numbers end at the first other character.
    sDoc = Replaced(sDoc, "True\">30<", "True\"><");
    sDoc = Replaced(sDoc, "<kov:PortNumber>7</kov:PortNumber>", "<kov:PortNumber/>");
    sDoc = Replaced(sDoc, "kov:Minutes=\"120\"", "kov:Minutes=\" 90min\"");
    // An entry with a protocol outside the table, and one with most attributes missing.
    sDoc = Replaced(sDoc, "kov:TransportProtocol=\"UDP\"", "kov:TransportProtocol=\"QUIC\"");
    sDoc = Replaced(sDoc, "kov:Enable=\"True\" kov:Secure=\"True\" kov:Name=\"Dispatch Center\"",
                    "kov:Name=\"Dispatch Center\"");
    ASSERT_TRUE(f.LoadText(sDoc));
    EXPECT_EQ(f.page.Record().iMaxIdleTime, 0);
    EXPECT_EQ(f.page.Record().iReferenceServerPort, 0);
    EXPECT_EQ(f.page.Record().dwSleepMinutes, 90u);
    const std::vector<ClientParameters>& vServers = f.page.Record().multipleConnections.vServerConnections;
    ASSERT_EQ(vServers.size(), 3u);
    EXPECT_EQ(vServers[2].eTransportProtocol, TransportProtocol::Any);
    EXPECT_EQ(vServers[2].wszName, u"Training Room");
    EXPECT_FALSE(vServers[0].bEnabled || vServers[0].bSecure);

    ASSERT_TRUE(f.LoadText(Replaced(Replaced(SampleDocumentText(), "True\">30<", "True\">thirty<"),
                                    "kov:Minutes=\"120\"", "kov:Minutes=\"-5\"")));
    EXPECT_EQ(f.page.Record().iMaxIdleTime, 0);
    // The unsigned field keeps the text's 32-bit pattern, so storing gives the device "-5" back.
    EXPECT_EQ(f.page.Record().dwSleepMinutes, 4294967291u);
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_SLEEP_UNIT), 1);
}

TEST(ConnectionPage, StoresEveryItemTrimmedWithEraseMarks)
{
    SConnectionFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    f.page.Click(Page::IDC_NO_SERVER);
    f.page.Find<CEdit>(Page::IDC_SERVER_ADDRESS)->SetText(u"  10.1.1.1 \t");
    f.page.Find<CEdit>(Page::IDC_REFERENCE_IP)->SetText(u" ref.example ");
    f.page.Find<CEdit>(Page::IDC_MAX_IDLE_TIME)->SetText(u"x");
    f.page.Find<CDropDownList>(Page::IDC_SLEEP_UNIT)->SetSelection(0);
    f.page.Store();

    NodeRef section = f.Stored();
    ASSERT_TRUE(section);
    EXPECT_EQ(section.FindChild(u"kov:ConnectionType").Text(), u"No Connection");
    EXPECT_EQ(section.FindChild(u"kov:ServerAddress").Text(), u"10.1.1.1");
    NodeRef maxIdle = section.FindChild(u"kov:MaxIdleTime");
    EXPECT_EQ(maxIdle.Text(), u"0");
    EXPECT_EQ(Attr(maxIdle.FindChild(u"kov:SleepManagementAction"), u"kov:Minutes"), u"0");
    EXPECT_EQ(section.FindChild(u"kov:ReferenceConnection").FindChild(u"kov:ServerAddress").Text(),
              u"ref.example");
    EXPECT_EQ(Attr(f.holder.ChangeDocument().Root().FindChild(u"kov:CaptureDeviceStatus"), u"kov:CanSleep"),
              u"True");
    NodeRef servers =
        section.FindChild(u"kov:MultipleConnectionParameters").FindChild(u"kov:ServerConnections");
    EXPECT_EQ(Attr(servers, u"__merge_options"), u"erase_children");
    EXPECT_EQ(Attr(servers.FirstChild().NextSibling(), u"kov:NetworkInterface"), u"Cellular");

    // Days multiply; an empty list still writes its marked container.
    f.page.Find<CDropDownList>(Page::IDC_SLEEP_UNIT)->SetSelection(3);
    f.page.Find<CEdit>(Page::IDC_SLEEP_TIME)->SetText(u"3");
    f.host.QueueAnswer(EDlgResult::Yes);
    f.host.ExpectDialog(u"Multiple Connections", [](CDialog& dlg) {
        dlg.Click(Mc::IDC_MC_EMPTY);
        dlg.Click(kIdOk);
    });
    f.page.Click(Page::IDC_MULTIPLE_CONNECTIONS);
    f.page.Store();
    EXPECT_EQ(Attr(maxIdle.FindChild(u"kov:SleepManagementAction"), u"kov:Minutes"), u"4320");
    EXPECT_EQ(servers.ChildCount(), 0u);
    EXPECT_EQ(Attr(servers, u"__merge_options"), u"erase_children");
    EXPECT_EQ(SleepMinutesOf(3, 4000000000u), 4294967295u);
    EXPECT_TRUE(f.host.Errors().empty());
}

TEST(ConnectionPage, SocialNetworkKeepsItsItemsWhileDisabled)
{
    SConnectionFixture f;
    const std::string sXml =
        Replaced(SampleDocumentText(), "<kov:SocialNetwork1 kov:Enable=\"False\"/>",
                 "<kov:SocialNetwork1 kov:Enable=\"False\" kov:ServerAddress=\"live.example\" "
                 "kov:Foreign=\"1\"><kov:Description>Old</kov:Description></kov:SocialNetwork1>");
    ASSERT_TRUE(f.LoadText(sXml, EDocumentState::File));
    EXPECT_EQ(f.page.Record().socialNetwork1.wszServerAddress, u"");
    f.page.Store();
    NodeRef social = f.holder.LoadedDocument()
                         .Root()
                         .FindChild(u"kov:ConnectionParameters")
                         .FindChild(u"kov:SocialNetwork1");
    EXPECT_EQ(Attr(social, u"kov:Enable"), u"False");
    EXPECT_EQ(Attr(social, u"kov:ServerAddress"), u"live.example");
    EXPECT_EQ(social.FindChild(u"kov:Description").Text(), u"Old");

    // Enabled in the dialog, it needs an address and a channel, then writes everything.
    f.host.ExpectDialog(u"Social Network 1", [](CDialog& dlg) {
        EXPECT_FALSE(dlg.IsEnabled(CSocialNetwork1ParamsDlg::IDC_SN_NAME));
        dlg.Click(CSocialNetwork1ParamsDlg::IDC_SN_ENABLE);
        EXPECT_TRUE(dlg.IsEnabled(CSocialNetwork1ParamsDlg::IDC_SN_NAME));
        dlg.Type(CSocialNetwork1ParamsDlg::IDC_SN_SERVER_ADDRESS, u"  ");
        dlg.Click(kIdOk);
        dlg.Type(CSocialNetwork1ParamsDlg::IDC_SN_SERVER_ADDRESS, u" rtmp.example ");
        dlg.Click(kIdOk);
        dlg.Type(CSocialNetwork1ParamsDlg::IDC_SN_CHANNEL_ID, u"ch-9");
        dlg.Choose(CSocialNetwork1ParamsDlg::IDC_SN_TRANSPORT, 2);
        dlg.Click(kIdOk);
    });
    f.page.Click(Page::IDC_SOCIAL_NETWORK);
    ASSERT_EQ(f.host.Messages().size(), 2u);
    EXPECT_EQ(f.host.Messages()[0].wszText, u"Empty server address");
    EXPECT_EQ(f.host.Messages()[1].wszText, u"Empty channel identifier");
    EXPECT_EQ(f.host.Messages()[1].wszCaption, u"Edit Social Network 1 Parameters");
    f.page.Store();
    EXPECT_EQ(Attr(social, u"kov:ServerAddress"), u"rtmp.example");
    EXPECT_EQ(Attr(social, u"kov:TransportProtocol"), u"UDP");
    EXPECT_EQ(Attr(social, u"kov:GroupID"), u"");
    EXPECT_EQ(social.FindChild(u"kov:Description").Text(), u"");
    EXPECT_TRUE(f.host.Errors().empty());
}

TEST(ConnectionPage, EnablingFollowsTypeIdleAndSleepCapability)
{
    SConnectionFixture f;
    ASSERT_TRUE(
        f.LoadText(Replaced(SampleDocumentText(), "Multiple Connections</", "Connection to server</")));
    const auto enabled = [&](int iId) { return f.page.IsEnabled(iId); };
    EXPECT_TRUE(enabled(Page::IDC_SECURE) && enabled(Page::IDC_TRANSPORT) &&
                enabled(Page::IDC_SERVER_ADDRESS));
    EXPECT_FALSE(enabled(Page::IDC_MANAGE) || enabled(Page::IDC_RECONNECT));
    EXPECT_TRUE(enabled(Page::IDC_SLEEP_UNIT) && enabled(Page::IDC_SLEEP_TIME) &&
                enabled(Page::IDC_DEVICE_RESET));
    f.page.Click(Page::IDC_LOCAL_SERVER);
    EXPECT_FALSE(enabled(Page::IDC_SECURE) || enabled(Page::IDC_TRANSPORT));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_SECURE));
    EXPECT_TRUE(enabled(Page::IDC_MAX_IDLE_ENABLE));
    f.page.Click(Page::IDC_MAX_IDLE_ENABLE);
    EXPECT_FALSE(enabled(Page::IDC_MAX_IDLE_TIME) || enabled(Page::IDC_SLEEP_UNIT) ||
                 enabled(Page::IDC_SLEEP_TIME));
    f.page.Click(Page::IDC_MAX_IDLE_ENABLE);
    f.page.Choose(Page::IDC_SLEEP_UNIT, 0);
    EXPECT_FALSE(enabled(Page::IDC_SLEEP_TIME));
    f.page.Choose(Page::IDC_SLEEP_UNIT, 1);
    EXPECT_TRUE(enabled(Page::IDC_SLEEP_TIME));
    f.page.Click(Page::IDC_REFERENCE_ENABLE);
    EXPECT_FALSE(enabled(Page::IDC_REFERENCE_IP) || enabled(Page::IDC_REFERENCE_PORT));
    f.page.Click(Page::IDC_NO_SERVER);
    EXPECT_FALSE(enabled(Page::IDC_MAX_IDLE_ENABLE) || enabled(Page::IDC_DEVICE_RESET));
    EXPECT_TRUE(enabled(Page::IDC_POLICY) && enabled(Page::IDC_STATUS));

    // A device that cannot sleep keeps the sleep controls off whatever the idle settings.
    ASSERT_TRUE(
        f.LoadText(Replaced(SampleDocumentText(), "kov:CanSleep=\"True\"", "kov:CanSleep=\"False\"")));
    EXPECT_TRUE(enabled(Page::IDC_MAX_IDLE_TIME));
    EXPECT_FALSE(enabled(Page::IDC_SLEEP_UNIT) || enabled(Page::IDC_SLEEP_TIME));
    f.page.Enable(false);
    EXPECT_FALSE(enabled(Page::IDC_NO_SERVER) || enabled(Page::IDC_MANAGE) || enabled(Page::IDC_POLICY));
}

TEST(ConnectionPage, MultipleConnectionsListEditing)
{
    SConnectionFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    // Add with an emptied name stays open; the confirmed entry gets "Server 4" and the login name.
    f.host.ExpectDialog(u"Multiple Connections", [](CDialog& dlg) {
        dlg.Click(Mc::IDC_MC_ADD);
        dlg.Click(Mc::IDC_MC_CHANGE);
        dlg.Click(Mc::IDC_MC_DELETE);
        dlg.Choose(Mc::IDC_MC_LIST, 0);
        dlg.Click(Mc::IDC_MC_DELETE);
        dlg.Click(Mc::IDC_MC_SHARE_DEVICES);
        dlg.Click(kIdOk);
    });
    f.host.ExpectDialog(u"Server Connection Settings", [](CDialog& dlg) {
        EXPECT_EQ(dlg.TextOf(Sc::IDC_SC_NAME), u"Server 4");
        EXPECT_EQ(dlg.TextOf(Sc::IDC_SC_USER_NAME), u"operator7");
        EXPECT_FALSE(dlg.IsEnabled(Sc::IDC_SC_USER_NAME) || dlg.IsEnabled(Sc::IDC_SC_PASSWORD));
        dlg.Type(Sc::IDC_SC_NAME, u" ");
        dlg.Click(kIdOk);
        EXPECT_TRUE(dlg.IsOpen());
        dlg.Type(Sc::IDC_SC_NAME, u" Field Office ");
        dlg.Click(kIdOk);
        dlg.Type(Sc::IDC_SC_ADDRESS, u"office.example");
        dlg.Click(kIdOk);
    });
    f.host.QueueAnswer(EDlgResult::Yes);
    f.page.Click(Page::IDC_MANAGE);
    const std::vector<SMessageRecord>& msgs = f.host.Messages();
    ASSERT_EQ(msgs.size(), 5u);
    EXPECT_EQ(msgs[0].wszText + u"|" + msgs[0].wszCaption, u"Empty name|Set Server Parameters");
    EXPECT_EQ(msgs[1].wszText + u"|" + msgs[1].wszCaption, u"Empty server address|Set Server Parameters");
    EXPECT_EQ(msgs[2].wszText + u"|" + msgs[2].wszCaption,
              u"Please select connection from list|Change Selection");
    EXPECT_EQ(msgs[3].wszCaption, u"Delete Selection");
    EXPECT_EQ(msgs[4].wszText + u"|" + msgs[4].wszCaption, u"Are you sure?|Delete Dispatch Center");
    const MultipleConnectionParameters& mc = f.page.Record().multipleConnections;
    ASSERT_EQ(mc.vServerConnections.size(), 3u);
    EXPECT_EQ(mc.vServerConnections[2].wszName, u"Field Office");
    EXPECT_TRUE(mc.vServerConnections[2].bEnabled);
    EXPECT_TRUE(mc.bShareDevicesAmongServers);

    // Cancel after the radio button opened it: the type stays, the list is untouched.
    f.host.ClearRecords();
    f.page.Click(Page::IDC_NO_SERVER);
    f.host.QueueAnswer(EDlgResult::Yes);
    f.host.ExpectDialog(u"Multiple Connections", [](CDialog& dlg) {
        EXPECT_EQ(dlg.Find<CListView>(Mc::IDC_MC_LIST)->Cell(2, 0), u"Yes");
        dlg.Click(Mc::IDC_MC_EMPTY);
        dlg.Click(kIdCancel);
    });
    f.page.Click(Page::IDC_MULTIPLE_CONNECTIONS);
    EXPECT_EQ(f.host.LastMessage().wszCaption, u"Delete All Connections");
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_MULTIPLE_CONNECTIONS));
    EXPECT_EQ(f.page.Record().eConnectionType, ConnectionType::MultipleConnections);
    EXPECT_EQ(f.page.Record().multipleConnections.vServerConnections.size(), 3u);
    EXPECT_TRUE(f.host.Errors().empty());
}

} // namespace
} // namespace kov::test
