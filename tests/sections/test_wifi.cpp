#include "sections/Wifi.h"

#include <gtest/gtest.h>

#include "PageTestKit.h"
#include "sim/SampleDocument.h"

namespace kov::test {
namespace {

using Page = CWifiParamsDlg;

// The sample with the first sOld inside the wireless section replaced.
std::string InWifi(const std::string& sOld, const std::string& sNew)
{
    std::string s = SampleDocumentText();
    return s.replace(s.find(sOld, s.find("<kov:WiFi ")), sOld.size(), sNew);
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

NodeRef StoredWifi(const ParameterDocumentHolder& holder)
{
    return holder.ChangeDocument().Root().FindChild(u"kov:ConnectionParameters").FindChild(u"kov:WiFi");
}

TEST(WifiPage, LoadsWhatThereIsAndDisablesAllButTheTickWithoutTheSection)
{
    SPageFixture<Page> f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_ACCESS_POINT_ROLE), 1);

    // A role or method outside its table fails the read; the rest is still shown.
    EXPECT_FALSE(f.LoadText(InWifi("\"Client\"", "\"client\"")));
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_ACCESS_POINT_ROLE), 0);
    EXPECT_FALSE(f.LoadText(InWifi(">Manual<", ">Static<")));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_METHOD_NONE) && f.page.IsChecked(Page::IDC_ENABLE_WLAN));
    EXPECT_EQ(f.page.TextOf(Page::IDC_GATEWAY_ADDRESS), u"172.16.40.1");

    EXPECT_FALSE(f.LoadText(Replaced(Replaced(SampleDocumentText(), "<kov:WiFi ", "<kov:Other "),
                                     "</kov:WiFi>", "</kov:Other>")));
    EXPECT_FALSE(f.page.IsChecked(Page::IDC_ENABLE_WLAN));
    for (const auto& pControl : f.page.Controls()) {
        if (pControl->Id() != 0) {
            EXPECT_EQ(pControl->IsEnabled(), pControl->Id() == Page::IDC_ENABLE_WLAN) << pControl->Id();
        }
    }
}

TEST(WifiPage, EnablingFollowsTheWirelessTickTheMethodAndTheNatRouter)
{
    SPageFixture<Page> f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    EXPECT_TRUE(f.page.IsEnabled(Page::IDC_HOST_ADDRESS) && f.page.IsEnabled(Page::IDC_ENABLE_VPN));
    EXPECT_FALSE(f.page.IsEnabled(Page::IDC_FORWARDING_RULES));
    f.page.Click(Page::IDC_ENABLE_NAT_ROUTER);

    // Unticking the wireless LAN closes everything below it, also what Manual and NAT opened.
    f.page.Click(Page::IDC_ENABLE_WLAN);
    for (int iId : {+Page::IDC_SSID, +Page::IDC_ACCESS_POINT_ROLE, +Page::IDC_METHOD_MANUAL,
                    +Page::IDC_HOST_ADDRESS, +Page::IDC_FORWARDING_RULES, +Page::IDC_ENABLE_VPN})
        EXPECT_FALSE(f.page.IsEnabled(iId)) << iId;
    f.page.Click(Page::IDC_ENABLE_WLAN);
    EXPECT_TRUE(f.page.IsEnabled(Page::IDC_FORWARDING_RULES));

    // Leaving Manual keeps "Enable DHCP Server" ticked; DHCP keeps "Enable VPN" open.
    f.page.Click(Page::IDC_ENABLE_DHCP_SERVER);
    f.page.Click(Page::IDC_METHOD_NONE);
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_ENABLE_DHCP_SERVER));
    EXPECT_FALSE(f.page.IsEnabled(Page::IDC_FORWARDING_RULES) || f.page.IsEnabled(Page::IDC_ENABLE_VPN));
    f.page.Click(Page::IDC_METHOD_DHCP);
    EXPECT_TRUE(f.page.IsEnabled(Page::IDC_ENABLE_VPN));
    f.page.Store();
    EXPECT_EQ(StoredWifi(f.holder)
                  .FindChild(u"kov:LocalNetworkParameters")
                  .FindChild(u"kov:EnableDHCPServer")
                  .Text(),
              u"True");

    // Without the VPN section "Enable VPN" stays closed.
    ASSERT_TRUE(f.LoadText(SampleDocumentText(), EDocumentState::Device,
                           [](NodeRef root) { root.RemoveChildren(u"kov:VPNParams"); }));
    EXPECT_FALSE(f.page.IsEnabled(Page::IDC_ENABLE_VPN));
}

TEST(WifiPage, StoresTrimmedTextsTheRoleAndWhatThePageDoesNotShow)
{
    SPageFixture<Page> f;
    ASSERT_TRUE(f.LoadText(InWifi("Depot-Yard-Ops", "Caf\xC3\xA9&#13;&#10;Yard")));
    f.page.Type(Page::IDC_PASSPHRASE, u"\t secret phrase \r\n");
    f.page.Choose(Page::IDC_ACCESS_POINT_ROLE, 2);
    f.page.Store();

    NodeRef wifi = StoredWifi(f.holder);
    EXPECT_EQ(Attr(wifi, u"kov:AccessPointRole"), u"Host");
    // Line breaks and other characters inside a text stay as they were.
    EXPECT_EQ(wifi.FindChild(u"kov:ServiceSetIdentifier").Text(), u"Caf\u00E9\r\nYard");
    EXPECT_EQ(wifi.FindChild(u"kov:EncryptionPassPhrase").Text(), u"secret phrase");
    // The page has no field for the second name server: it goes back as it came.
    EXPECT_EQ(wifi.FindChild(u"kov:LocalNetworkParameters").FindChild(u"kov:NameserverAddress2").Text(),
              u"9.9.9.9");
}

TEST(WifiPage, NetworkLayerIsWrittenExactlyAsTheEthernetPageWritesIt)
{
    // The wireless section given the Ethernet network layer, with its rules and extra networks.
    std::string sDoc = SampleDocumentText();
    const size_t iEthernet = sDoc.find("<kov:LocalNetworkParameters ");
    const size_t nEthernet = sDoc.find("</kov:LocalNetworkParameters>", iEthernet) - iEthernet;
    const size_t iWifi = sDoc.find("<kov:LocalNetworkParameters ", sDoc.find("<kov:WiFi "));
    sDoc.replace(iWifi, sDoc.find("</kov:LocalNetworkParameters>", iWifi) - iWifi,
                 sDoc.substr(iEthernet, nEthernet));

    SPageFixture<Page> wifi;
    SPageFixture<CLocalNetworkParamsDlg> ethernet;
    ASSERT_TRUE(wifi.LoadText(sDoc) && ethernet.LoadText(sDoc));
    for (CForm* pPage : {static_cast<CForm*>(&wifi.page), static_cast<CForm*>(&ethernet.page)}) {
        pPage->TypeAddress(Page::IDC_GATEWAY_ADDRESS, std::nullopt);
        pPage->TypeAddress(Page::IDC_SUBNET_MASK, 0xFFFF0000);
        pPage->Choose(Page::IDC_NAT_INTERFACE, 5);
        pPage->Click(Page::IDC_ENABLE_VPN);
    }
    wifi.page.Store();
    ethernet.page.Store();
    NodeRef wifiLayer = StoredWifi(wifi.holder).FindChild(u"kov:LocalNetworkParameters");
    NodeRef ethernetLayer = ethernet.holder.ChangeDocument()
                                .Root()
                                .FindChild(u"kov:ConnectionParameters")
                                .FindChild(u"kov:LocalNetworkParameters");
    ASSERT_EQ(wifiLayer.FindChild(u"kov:StaticNetworkConfigurations").ChildCount(), 1u);
    EXPECT_EQ(Dump(wifiLayer), Dump(ethernetLayer));
}

} // namespace
} // namespace kov::test
