#include "sections/Wifi.h"

#include <gtest/gtest.h>

#include "PageTestKit.h"
#include "sections/PortForwarding.h"
#include "sim/SampleDocument.h"

namespace kov::test {
namespace {

using Page = CWifiParamsDlg;
using Rule = CEditIPForwardingRuleDlg;

constexpr char kEthernetLayerStart[] = "<kov:LocalNetworkParameters ";
constexpr char kLayerEnd[] = "</kov:LocalNetworkParameters>";

// The sample's wireless section with its network layer replaced by the Ethernet one.
std::string WithEthernetLayerInWifi()
{
    std::string s = SampleDocumentText();
    const size_t iEthernet = s.find(kEthernetLayerStart);
    const std::string sLayer =
        s.substr(iEthernet, s.find(kLayerEnd, iEthernet) + sizeof(kLayerEnd) - 1 - iEthernet);
    const size_t iWifi = s.find(kEthernetLayerStart, s.find("<kov:WiFi "));
    return s.replace(iWifi, s.find(kLayerEnd, iWifi) + sizeof(kLayerEnd) - 1 - iWifi, sLayer);
}

// The sample with the first sOld inside the wireless section replaced.
std::string InWifi(const std::string& sOld, const std::string& sNew)
{
    std::string s = SampleDocumentText();
    const size_t iAt = s.find(sOld, s.find("<kov:WiFi "));
    EXPECT_NE(iAt, std::string::npos) << sOld;
    return iAt == std::string::npos ? s : s.replace(iAt, sOld.size(), sNew);
}

// Every name, attribute, text and child of a subtree, in order.
std::u16string Dump(NodeRef node)
{
    std::u16string wsz = u"<" + std::u16string(node.Name());
    for (size_t i = 0; i < node.AttributeCount(); ++i)
        wsz += u" " + std::u16string(node.AttributeName(i)) + u"=" + std::u16string(node.AttributeValue(i));
    wsz += u">" + std::u16string(node.Text());
    for (NodeRef child = node.FirstChild(); child; child = child.NextSibling())
        wsz += Dump(child);
    return wsz + u"</>";
}

struct SWifiFixture : SPageFixture<Page> {
    // bVpn: whether the root holds the VPN section that "Enable VPN" needs.
    bool LoadText(const std::string& sXml, bool bVpn = true)
    {
        return SPageFixture::LoadText(sXml, EDocumentState::Device, [&](NodeRef root) {
            if (!bVpn)
                root.RemoveChildren(u"kov:VPNParams");
        });
    }
    NodeRef Stored() const
    {
        return holder.ChangeDocument().Root().FindChild(u"kov:ConnectionParameters").FindChild(u"kov:WiFi");
    }
    bool Enabled(int iId) const { return page.IsEnabled(iId); }
};

TEST(WifiPage, LoadsWhatThereIsAndFailsOnWhatIsMissing)
{
    SWifiFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_ENABLE_WLAN));
    EXPECT_EQ(f.page.TextOf(Page::IDC_SSID), u"Depot-Yard-Ops");
    EXPECT_EQ(f.page.TextOf(Page::IDC_PASSPHRASE), u"yard-0ps-wpa2");
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_ACCESS_POINT_ROLE), 1);
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_METHOD_MANUAL));
    EXPECT_EQ(f.page.TextOf(Page::IDC_HOST_ADDRESS), u"172.16.40.23");
    EXPECT_EQ(f.page.FindControl(Page::IDC_NAMESERVER_ADDRESS2), nullptr);
    EXPECT_EQ(f.page.Record().networkLayer.staticConfiguration.wszNameserverAddress2, u"9.9.9.9");

    // A role outside the table, or a missing item, fails the read; the rest is still shown.
    EXPECT_FALSE(f.LoadText(Replaced(SampleDocumentText(), "\"Client\"", "\"client\"")));
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_ACCESS_POINT_ROLE), 0);
    EXPECT_EQ(f.page.TextOf(Page::IDC_SSID), u"Depot-Yard-Ops");
    EXPECT_FALSE(
        f.LoadText(InWifi("<kov:EncryptionPassPhrase>yard-0ps-wpa2</kov:EncryptionPassPhrase>", "")));
    EXPECT_EQ(f.page.TextOf(Page::IDC_PASSPHRASE), u"");
    EXPECT_EQ(f.page.TextOf(Page::IDC_GATEWAY_ADDRESS), u"172.16.40.1");
    ASSERT_TRUE(f.LoadText(Replaced(SampleDocumentText(), "\"Client\"", "\"Host\"")));
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_ACCESS_POINT_ROLE), 2);
    // A network layer method outside its table fails the whole read.
    EXPECT_FALSE(f.LoadText(InWifi(">Manual<", ">Static<")));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_METHOD_NONE));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_ENABLE_WLAN));

    // No wireless section: unticked, and every control but the tick stays disabled.
    EXPECT_FALSE(f.LoadText(Replaced(Replaced(SampleDocumentText(), "<kov:WiFi ", "<kov:Other "),
                                     "</kov:WiFi>", "</kov:Other>")));
    EXPECT_FALSE(f.page.IsChecked(Page::IDC_ENABLE_WLAN));
    EXPECT_TRUE(f.Enabled(Page::IDC_ENABLE_WLAN));
    for (const auto& pControl : f.page.Controls()) {
        if (pControl->Id() != 0 && pControl->Id() != Page::IDC_ENABLE_WLAN) {
            EXPECT_FALSE(pControl->IsEnabled()) << pControl->Id();
        }
    }
    EXPECT_FALSE(f.page.VpnAvailable());
    EXPECT_FALSE(
        f.LoadText(Replaced(Replaced(SampleDocumentText(), "<kov:ConnectionParameters>", "<kov:Other>"),
                            "</kov:ConnectionParameters>", "</kov:Other>")));
    EXPECT_EQ(f.page.TextOf(Page::IDC_SSID), u"");
}

TEST(WifiPage, EnablingFollowsTheWirelessTickTheMethodAndTheNatRouter)
{
    SWifiFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    EXPECT_TRUE(f.Enabled(Page::IDC_SSID) && f.Enabled(Page::IDC_HOST_ADDRESS) &&
                f.Enabled(Page::IDC_ENABLE_VPN));
    EXPECT_FALSE(f.Enabled(Page::IDC_FORWARDING_RULES) || f.Enabled(Page::IDC_NAT_INTERFACE));
    f.page.Click(Page::IDC_ENABLE_NAT_ROUTER);
    EXPECT_TRUE(f.Enabled(Page::IDC_FORWARDING_RULES) && f.Enabled(Page::IDC_NAT_INTERFACE));

    // Unticking the wireless LAN disables everything below it, also what Manual and NAT opened.
    f.page.Click(Page::IDC_ENABLE_WLAN);
    EXPECT_FALSE(f.page.Record().bEnabled);
    for (int iId : {+Page::IDC_SSID, +Page::IDC_PASSPHRASE, +Page::IDC_ACCESS_POINT_ROLE,
                    +Page::IDC_METHOD_MANUAL, +Page::IDC_HOST_ADDRESS, +Page::IDC_FORWARDING_RULES,
                    +Page::IDC_NAT_INTERFACE, +Page::IDC_ENABLE_VPN})
        EXPECT_FALSE(f.Enabled(iId)) << iId;
    f.page.Click(Page::IDC_ENABLE_WLAN);
    EXPECT_TRUE(f.Enabled(Page::IDC_FORWARDING_RULES) && f.Enabled(Page::IDC_PASSPHRASE));

    // Leaving Manual keeps "Enable DHCP Server" ticked; DHCP keeps "Enable VPN" open.
    f.page.Click(Page::IDC_ENABLE_DHCP_SERVER);
    f.page.Click(Page::IDC_METHOD_NONE);
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_ENABLE_DHCP_SERVER));
    EXPECT_FALSE(f.Enabled(Page::IDC_ENABLE_DHCP_SERVER) || f.Enabled(Page::IDC_FORWARDING_RULES) ||
                 f.Enabled(Page::IDC_ENABLE_VPN));
    f.page.Click(Page::IDC_METHOD_DHCP);
    EXPECT_TRUE(f.Enabled(Page::IDC_ENABLE_VPN));
    EXPECT_FALSE(f.Enabled(Page::IDC_HOST_ADDRESS));
    f.page.Store();
    EXPECT_EQ(f.Stored().FindChild(u"kov:LocalNetworkParameters").FindChild(u"kov:EnableDHCPServer").Text(),
              u"True");

    f.page.Enable(false);
    EXPECT_FALSE(f.Enabled(Page::IDC_ENABLE_WLAN) || f.Enabled(Page::IDC_SSID) ||
                 f.Enabled(Page::IDC_METHOD_DHCP));

    // Without the VPN section "Enable VPN" stays closed.
    ASSERT_TRUE(f.LoadText(SampleDocumentText(), false));
    EXPECT_FALSE(f.Enabled(Page::IDC_ENABLE_VPN));
}

TEST(WifiPage, StoresTrimmedTextsTheRoleAndWhatThePageDoesNotShow)
{
    SWifiFixture f;
    const std::string sDoc =
        Replaced(Replaced(SampleDocumentText(), "<kov:ServiceSetIdentifier>Depot-Yard-Ops<",
                          "<kov:ServiceSetIdentifier>Caf\xC3\xA9&#13;&#10;Yard<"),
                 "<kov:StaticNetworkConfigurations/>",
                 "<kov:StaticNetworkConfigurations><kov:StaticNetworkConfiguration><kov:HostAddress>10.1.1.1"
                 "</kov:HostAddress></kov:StaticNetworkConfiguration></kov:StaticNetworkConfigurations>");
    ASSERT_TRUE(f.LoadText(sDoc));
    // Line breaks and other characters inside a text stay as they were.
    EXPECT_EQ(f.page.TextOf(Page::IDC_SSID), u"Caf\u00E9\r\nYard");
    f.page.Type(Page::IDC_PASSPHRASE, u"\t secret phrase \r\n");
    f.page.Choose(Page::IDC_ACCESS_POINT_ROLE, 2);
    f.page.Store();

    NodeRef wifi = f.Stored();
    ASSERT_TRUE(wifi);
    EXPECT_EQ(Attr(wifi, u"kov:Enable"), u"True");
    EXPECT_EQ(Attr(wifi, u"kov:AccessPointRole"), u"Host");
    EXPECT_EQ(wifi.FindChild(u"kov:ServiceSetIdentifier").Text(), u"Caf\u00E9\r\nYard");
    EXPECT_EQ(wifi.FindChild(u"kov:EncryptionPassPhrase").Text(), u"secret phrase");
    NodeRef layer = wifi.FindChild(u"kov:LocalNetworkParameters");
    EXPECT_EQ(layer.FindChild(u"kov:NameserverAddress2").Text(), u"9.9.9.9");
    NodeRef networks = layer.FindChild(u"kov:StaticNetworkConfigurations");
    ASSERT_EQ(networks.ChildCount(), 1u);
    EXPECT_EQ(networks.FirstChild().FindChild(u"kov:HostAddress").Text(), u"10.1.1.1");
    EXPECT_EQ(Attr(networks, u"__merge_options"), u"erase_children");

    // What was stored loads back as it was.
    SWifiFixture g;
    ASSERT_TRUE(g.LoadText(ChangeText(f.holder)));
    EXPECT_EQ(g.page.TextOf(Page::IDC_SSID), u"Caf\u00E9\r\nYard");
    EXPECT_EQ(g.page.SelectionOf(Page::IDC_ACCESS_POINT_ROLE), 2);
    EXPECT_EQ(g.page.Record().networkLayer.vStaticNetworkConfigurations.size(), 1u);
}

TEST(WifiPage, NetworkLayerIsWrittenExactlyAsTheEthernetPageWritesIt)
{
    const std::string sDoc = WithEthernetLayerInWifi();
    SWifiFixture wifi;
    SPageFixture<CLocalNetworkParamsDlg> ethernet;
    ASSERT_TRUE(wifi.LoadText(sDoc));
    ASSERT_TRUE(ethernet.LoadText(sDoc));
    for (CForm* pPage : {static_cast<CForm*>(&wifi.page), static_cast<CForm*>(&ethernet.page)}) {
        CScriptedFormHost& host = pPage == &wifi.page ? wifi.host : ethernet.host;
        pPage->TypeAddress(Page::IDC_GATEWAY_ADDRESS, std::nullopt);
        pPage->TypeAddress(Page::IDC_SUBNET_MASK, 0xFFFF0000);
        pPage->Choose(Page::IDC_NAT_INTERFACE, 5);
        host.ExpectDialog(u"IP Forwarding Rules", [](CDialog& dlg) {
            dlg.Click(CForwardingRuleListPart::IDC_RULES_ADD);
            dlg.Click(kIdOk);
        });
        host.ExpectDialog(u"IP Forwarding Rule", [](CDialog& dlg) {
            dlg.TypeAddress(Rule::IDC_RULE_ADDRESS, 0xC0A80A15);
            dlg.Type(Rule::IDC_RULE_PORT, u"8443");
            dlg.Choose(Rule::IDC_RULE_PROTOCOL, 2);
            dlg.Click(kIdOk);
        });
        pPage->Click(Page::IDC_FORWARDING_RULES);
        EXPECT_TRUE(host.Errors().empty() && host.AllConsumed());
    }
    wifi.page.Store();
    ethernet.page.Store();

    NodeRef wifiLayer = wifi.Stored().FindChild(u"kov:LocalNetworkParameters");
    NodeRef ethernetLayer = ethernet.holder.ChangeDocument()
                                .Root()
                                .FindChild(u"kov:ConnectionParameters")
                                .FindChild(u"kov:LocalNetworkParameters");
    ASSERT_TRUE(wifiLayer && ethernetLayer);
    EXPECT_EQ(Dump(wifiLayer), Dump(ethernetLayer));
    EXPECT_EQ(wifiLayer.FindChild(u"kov:ForwardingRules").ChildCount(), 2u);
    EXPECT_EQ(wifiLayer.FindChild(u"kov:StaticNetworkConfigurations").ChildCount(), 1u);

    // Cancelling the rules dialog keeps the list.
    wifi.host.ExpectDialog(u"IP Forwarding Rules", [](CDialog& dlg) {
        dlg.Click(CForwardingRuleListPart::IDC_RULES_EMPTY);
        dlg.Click(kIdCancel);
    });
    wifi.host.QueueAnswer(EDlgResult::Yes);
    wifi.page.Click(Page::IDC_FORWARDING_RULES);
    EXPECT_EQ(wifi.page.Record().networkLayer.vForwardingRules.size(), 2u);
    EXPECT_TRUE(wifi.host.Errors().empty());
}

} // namespace
} // namespace kov::test
