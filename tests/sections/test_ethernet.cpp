#include "sections/Ethernet.h"

#include <gtest/gtest.h>

#include "PageTestKit.h"
#include "sections/PortForwarding.h"
#include "sim/SampleDocument.h"

namespace kov::test {
namespace {

using Page = CLocalNetworkParamsDlg;
using Mn = CMultipleNetworkParamsDlg;

std::string WithoutSection()
{
    return Replaced(Replaced(SampleDocumentText(), "<kov:LocalNetworkParameters ", "<kov:Elsewhere "),
                    "</kov:LocalNetworkParameters>", "</kov:Elsewhere>");
}

struct SEthernetFixture : SPageFixture<Page> {
    // bVpn: whether the root holds the VPN section that the "Enable VPN" box needs.
    bool LoadText(const std::string& sXml, bool bVpn = false)
    {
        return SPageFixture::LoadText(sXml, EDocumentState::Device, [&](NodeRef root) {
            root.RemoveChildren(u"kov:VPNParams");
            if (bVpn)
                root.AddChild(u"kov:VPNParams");
        });
    }
    NodeRef Stored() const
    {
        return holder.ChangeDocument()
            .Root()
            .FindChild(u"kov:ConnectionParameters")
            .FindChild(u"kov:LocalNetworkParameters");
    }
    bool Enabled(int iId) const { return page.IsEnabled(iId); }
};

TEST(EthernetPage, LoadsFieldsAndFallsBackToDefaults)
{
    SEthernetFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_METHOD_MANUAL));
    EXPECT_EQ(f.page.TextOf(Page::IDC_GATEWAY_ADDRESS), u"192.168.10.254");
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_NAT_INTERFACE), 4);
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_ENABLE_DHCP_SERVER) &&
                f.page.IsChecked(Page::IDC_ENABLE_NAT_ROUTER));

    // The method is matched case-sensitively; the rest is still read.
    EXPECT_FALSE(f.LoadText(Replaced(SampleDocumentText(), ">Manual<", ">manual<")));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_METHOD_NONE));
    EXPECT_EQ(f.page.TextOf(Page::IDC_HOST_ADDRESS), u"192.168.10.1");
    // An address no field can show is left blank without a mismatch; the broadcast address is shown.
    EXPECT_TRUE(f.LoadText(Replaced(Replaced(SampleDocumentText(), ">192.168.10.254<", ">gateway<"),
                                    ">192.168.10.255<", ">255.255.255.255<")));
    EXPECT_EQ(f.page.TextOf(Page::IDC_GATEWAY_ADDRESS), u"");
    EXPECT_EQ(f.page.TextOf(Page::IDC_BROADCAST_ADDRESS), u"255.255.255.255");

    EXPECT_FALSE(f.LoadText(WithoutSection()));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_METHOD_NONE));
    EXPECT_EQ(f.page.TextOf(Page::IDC_HOST_ADDRESS), u"");
    EXPECT_TRUE(f.page.Record().vForwardingRules.empty() &&
                f.page.Record().vStaticNetworkConfigurations.empty());
    EXPECT_FALSE(f.Enabled(Page::IDC_MORE_NETWORKS) || f.Enabled(Page::IDC_HOST_ADDRESS));
}

TEST(EthernetPage, MethodAndNatReactions)
{
    SEthernetFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    EXPECT_TRUE(f.Enabled(Page::IDC_FORWARDING_RULES) && f.Enabled(Page::IDC_NAT_INTERFACE));
    EXPECT_FALSE(f.page.VpnAvailable() || f.Enabled(Page::IDC_ENABLE_VPN));
    f.page.Click(Page::IDC_ENABLE_NAT_ROUTER);
    EXPECT_FALSE(f.Enabled(Page::IDC_FORWARDING_RULES) || f.Enabled(Page::IDC_NAT_INTERFACE));
    f.page.Click(Page::IDC_ENABLE_NAT_ROUTER);

    f.page.Click(Page::IDC_METHOD_DHCP);
    EXPECT_FALSE(f.page.IsChecked(Page::IDC_ENABLE_DHCP_SERVER));
    EXPECT_FALSE(f.Enabled(Page::IDC_HOST_ADDRESS) || f.Enabled(Page::IDC_ENABLE_NAT_ROUTER) ||
                 f.Enabled(Page::IDC_FORWARDING_RULES));
    EXPECT_TRUE(f.Enabled(Page::IDC_MORE_NETWORKS));
    f.page.Click(Page::IDC_METHOD_MANUAL);
    EXPECT_FALSE(f.page.IsChecked(Page::IDC_ENABLE_DHCP_SERVER));
    EXPECT_TRUE(f.Enabled(Page::IDC_NAMESERVER_ADDRESS2) && f.Enabled(Page::IDC_FORWARDING_RULES));
    f.page.Click(Page::IDC_METHOD_NONE);
    EXPECT_FALSE(f.Enabled(Page::IDC_MORE_NETWORKS) || f.Enabled(Page::IDC_ENABLE_DHCP_SERVER));

    ASSERT_TRUE(f.LoadText(SampleDocumentText(), true));
    EXPECT_TRUE(f.Enabled(Page::IDC_ENABLE_VPN));
    f.page.Click(Page::IDC_METHOD_NONE);
    EXPECT_FALSE(f.Enabled(Page::IDC_ENABLE_VPN));
    f.page.Click(Page::IDC_METHOD_DHCP);
    EXPECT_TRUE(f.Enabled(Page::IDC_ENABLE_VPN));
    f.page.Enable(false);
    EXPECT_FALSE(f.Enabled(Page::IDC_METHOD_NONE) || f.Enabled(Page::IDC_ENABLE_VPN));
}

TEST(EthernetPage, StoresEmptyAddressesAndMarkedListsInPlace)
{
    SEthernetFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    f.page.TypeAddress(Page::IDC_GATEWAY_ADDRESS, std::nullopt);
    f.page.Choose(Page::IDC_NAT_INTERFACE, 5);
    f.page.Click(Page::IDC_METHOD_DHCP);
    f.page.Store();
    NodeRef section = f.Stored();
    ASSERT_TRUE(section);
    EXPECT_EQ(section.FindChild(u"kov:AddressConfigMethod").Text(), u"DHCP");
    EXPECT_EQ(section.FindChild(u"kov:GatewayAddress").Text(), u"");
    EXPECT_EQ(section.FindChild(u"kov:EnableDHCPServer").Text(), u"False");
    EXPECT_EQ(Attr(section, u"kov:NATExternalInterfaceType"), u"VPN");
    NodeRef networks = section.FindChild(u"kov:StaticNetworkConfigurations");
    ASSERT_EQ(networks.ChildCount(), 1u);
    EXPECT_EQ(networks.FirstChild().ChildCount(), 7u);
    EXPECT_EQ(Attr(networks, u"__merge_options"), u"erase_children");

    // Emptied lists still write their marked containers.
    ASSERT_FALSE(f.LoadText(WithoutSection()));
    f.page.Store();
    EXPECT_EQ(section.FindChild(u"kov:StaticNetworkConfigurations").ChildCount(), 0u);
    EXPECT_EQ(Attr(section.FindChild(u"kov:ForwardingRules"), u"__merge_options"), u"erase_children");
}

TEST(EthernetPage, MultipleNetworksDialog)
{
    SEthernetFixture f;
    ASSERT_TRUE(f.LoadText(Replaced(SampleDocumentText(), "<kov:StaticNetworkConfiguration>",
                                    "<kov:Other/><kov:StaticNetworkConfiguration>")));
    ASSERT_EQ(f.page.Record().vStaticNetworkConfigurations.size(), 1u);
    f.host.ExpectDialog(u"Multiple Network Parameters", [](CDialog& dlg) {
        CListView& rList = *dlg.Find<CListView>(Mn::IDC_MN_LIST);
        EXPECT_EQ(rList.Selection(), -1);
        EXPECT_FALSE(dlg.IsEnabled(Mn::IDC_HOST_ADDRESS));
        dlg.Click(Mn::IDC_MN_DELETE);
        dlg.Click(Mn::IDC_MN_EMPTY); // asks, answered Yes
        dlg.Click(Mn::IDC_MN_EMPTY); // now empty: a message only
        dlg.Click(Mn::IDC_MN_ADD);
        dlg.Click(Mn::IDC_MN_ADD);
        dlg.Click(Mn::IDC_MN_ADD);
        EXPECT_EQ(rList.Cell(2, 0), u"192.168.2.1");
        EXPECT_EQ(rList.Selection(), 2);
        EXPECT_EQ(dlg.TextOf(Mn::IDC_GATEWAY_ADDRESS), u"192.168.2.10");
        // Edits go into the selected entry when another row is chosen.
        dlg.TypeAddress(Mn::IDC_HOST_ADDRESS, 0x0A000001);
        dlg.Choose(Mn::IDC_MN_LIST, 1);
        EXPECT_EQ(rList.Cell(2, 0), u"10.0.0.1");
        dlg.Click(Mn::IDC_MN_DELETE);
        // The fields beside the list keep nothing of the entry that went.
        for (const SStaticNetworkField& field : kStaticNetworkFields) {
            EXPECT_FALSE(dlg.IsEnabled(field.iId)) << field.iId;
            EXPECT_EQ(dlg.TextOf(field.iId), u"") << field.iId;
        }
        dlg.Click(Mn::IDC_MN_ADD);
        EXPECT_EQ(rList.Cell(2, 0), u"192.168.2.1");
        dlg.TypeAddress(Mn::IDC_NAMESERVER_ADDRESS, 0x08080808);
        dlg.Click(kIdOk);
    });
    f.host.QueueAnswer(EDlgResult::Yes);
    f.host.QueueAnswer(EDlgResult::Yes);
    f.page.Click(Page::IDC_MORE_NETWORKS);
    const std::vector<SMessageRecord>& msgs = f.host.Messages();
    ASSERT_EQ(msgs.size(), 4u);
    EXPECT_EQ(msgs[0].wszText + u"|" + msgs[0].wszCaption, u"No network selected|Delete network");
    EXPECT_EQ(msgs[1].wszText + u"|" + msgs[1].wszCaption, u"Are You Sure?|Empty list");
    EXPECT_EQ(msgs[2].wszText + u"|" + msgs[2].wszCaption, u"No networks in the list|Empty list");
    EXPECT_EQ(msgs[3].wszText + u"|" + msgs[3].wszCaption, u"Are You Sure?|Delete network");
    const std::vector<StaticNetworkConfiguration>& vNetworks = f.page.Record().vStaticNetworkConfigurations;
    ASSERT_EQ(vNetworks.size(), 3u);
    EXPECT_EQ(vNetworks[1].wszHostAddress, u"10.0.0.1");
    EXPECT_EQ(vNetworks[2].wszNameserverAddress, u"8.8.8.8");
    EXPECT_EQ(vNetworks[2].wszBroadcastAddress, u"192.168.2.255");

    // Cancel keeps the page's list; so does cancelling the forwarding rules after an add.
    f.host.ExpectDialog(u"Multiple Network Parameters", [](CDialog& dlg) {
        dlg.Click(Mn::IDC_MN_ADD);
        dlg.Click(kIdCancel);
    });
    f.page.Click(Page::IDC_MORE_NETWORKS);
    f.host.ExpectDialog(u"IP Forwarding Rules", [](CDialog& dlg) {
        dlg.Click(CForwardingRuleListPart::IDC_RULES_ADD);
        dlg.Click(kIdCancel);
    });
    f.host.ExpectDialog(u"IP Forwarding Rule", [](CDialog& dlg) {
        dlg.TypeAddress(CEditIPForwardingRuleDlg::IDC_RULE_ADDRESS, 0x0A000002);
        dlg.Type(CEditIPForwardingRuleDlg::IDC_RULE_PORT, u"443");
        dlg.Choose(CEditIPForwardingRuleDlg::IDC_RULE_PROTOCOL, 1);
        dlg.Click(kIdOk);
    });
    f.page.Click(Page::IDC_FORWARDING_RULES);
    EXPECT_EQ(f.page.Record().vStaticNetworkConfigurations.size(), 3u);
    EXPECT_EQ(f.page.Record().vForwardingRules.size(), 1u);
    EXPECT_TRUE(f.host.Errors().empty());
}

} // namespace
} // namespace kov::test
