#include "sections/NetworkTypes.h"

#include <gtest/gtest.h>

#include "PageTestKit.h"
#include "form/Form.h"

namespace kov::test {
namespace {

constexpr char kWifiLayer[] =
    "<kov:DeviceProgramParameters xmlns:kov=\"urn:dovrane:kov\"><kov:ConnectionParameters><kov:WiFi>"
    "<kov:LocalNetworkParameters kov:NATExternalInterfaceType=\"VPN\" kov:Vendor=\"x\">"
    "<kov:AddressConfigMethod>DHCP</kov:AddressConfigMethod>"
    "<kov:HostAddress>10.1.0.1</kov:HostAddress><kov:SubnetMask>255.255.0.0</kov:SubnetMask>"
    "<kov:BroadcastAddress/><kov:SubnetAddress>10.1.0.0</kov:SubnetAddress><kov:GatewayAddress/>"
    "<kov:NameserverAddress>1.1.1.1</kov:NameserverAddress><kov:NameserverAddress2>9.9.9.9</"
    "kov:NameserverAddress2>"
    "<kov:EnableDHCPServer>yes</kov:EnableDHCPServer><kov:EnableNATRouter>False</kov:EnableNATRouter>"
    "<kov:VPNParams kov:Enable=\"True\"/>"
    "<kov:ForwardingRules><kov:ForwardingRule kov:Address=\"10.1.0.7\" kov:PortNumber=\"8554\" "
    "kov:Protocol=\"UDP\"/>"
    "<kov:ForwardingRule kov:PortNumber=\"21\"/><kov:Note/></kov:ForwardingRules>"
    "<kov:StaticNetworkConfigurations><kov:StaticNetworkConfiguration><kov:HostAddress>172.16.0.1</"
    "kov:HostAddress>"
    "</kov:StaticNetworkConfiguration></kov:StaticNetworkConfigurations>"
    "</kov:LocalNetworkParameters></kov:WiFi></kov:ConnectionParameters></kov:DeviceProgramParameters>";

NodeRef WifiOf(const TreeRef& tree)
{
    return tree.Root().FindChild(u"kov:ConnectionParameters").FindChild(u"kov:WiFi");
}

TEST(NetworkTypes, EnumListsRefillWithTheirValues)
{
    CForm form;
    CDropDownList& rList = form.AddDropDownList(2, u"NAT External Interface Type:");
    FillEnumList(rList, kNetworkInterfaceTypeTexts);
    FillEnumList(rList, kNetworkInterfaceTypeTexts);
    ASSERT_EQ(rList.ItemCount(), 8);
    EXPECT_EQ(rList.ItemText(1), u"Local host");
    EXPECT_EQ(rList.ItemData(7), 7u);
}

TEST(NetworkTypes, NetworkLayerRoundTripKeepsForeignContent)
{
    TreeRef tree;
    ASSERT_TRUE(tree.LoadFromText(kWifiLayer));
    LocalNetworkParameters layer;
    ASSERT_TRUE(layer.Exchange(WifiOf(tree), false));
    EXPECT_EQ(layer.eAddressConfigMethod, AddressConfigMethod::DHCP);
    EXPECT_EQ(layer.eNATExternalInterfaceType, NetworkInterfaceType::VPN);
    EXPECT_TRUE(layer.bEnableDHCPServer && layer.bEnableVPN && !layer.bEnableNATRouter);
    EXPECT_EQ(layer.staticConfiguration.wszNameserverAddress2, u"9.9.9.9");
    ASSERT_EQ(layer.vForwardingRules.size(), 2u);
    EXPECT_EQ(layer.vForwardingRules[1].wszInternalAddress, u""); // missing attributes keep defaults
    EXPECT_EQ(layer.vForwardingRules[1].eProtocol, TransportProtocol::Any);
    ASSERT_EQ(layer.vStaticNetworkConfigurations.size(), 1u);
    EXPECT_EQ(layer.vStaticNetworkConfigurations[0].wszSubnetMask, u"");

    // Stored into the same document: unknown attributes and foreign children stay.
    layer.vForwardingRules.pop_back();
    ASSERT_TRUE(layer.Exchange(WifiOf(tree), true));
    NodeRef section = WifiOf(tree).FindChild(u"kov:LocalNetworkParameters");
    EXPECT_EQ(Attr(section, u"kov:Vendor"), u"x");
    NodeRef rules = section.FindChild(u"kov:ForwardingRules");
    ASSERT_EQ(rules.ChildCount(), 2u);
    EXPECT_TRUE(rules.FirstChild().NameIs(u"kov:Note"));
    EXPECT_EQ(Attr(rules, u"__merge_options"), u"erase_children");
    EXPECT_EQ(section.FindChild(u"kov:EnableDHCPServer").Text(), u"True");

    LocalNetworkParameters reread;
    ASSERT_TRUE(reread.Exchange(WifiOf(tree), false));
    EXPECT_EQ(reread.staticConfiguration, layer.staticConfiguration);
    EXPECT_EQ(reread.vStaticNetworkConfigurations, layer.vStaticNetworkConfigurations);
    EXPECT_EQ(reread.vForwardingRules.size(), 1u);
}

TEST(NetworkTypes, DamagedListEntriesTakeTheirDefaultsWithoutAMismatch)
{
    std::string sXml = kWifiLayer;
    sXml.replace(sXml.find("\"UDP\""), 5, "\"SCTP\"");
    sXml.replace(sXml.find("\"21\""), 4, "\"ftp\"");
    sXml.replace(sXml.find("\"10.1.0.7\""), 10, "\"gateway.lan\"");
    sXml.replace(sXml.find("<kov:HostAddress>172.16.0.1"), 27, "<kov:HostAddress>not-an-address");
    TreeRef tree;
    ASSERT_TRUE(tree.LoadFromText(sXml));
    LocalNetworkParameters layer;
    EXPECT_TRUE(layer.Exchange(WifiOf(tree), false));
    ASSERT_EQ(layer.vForwardingRules.size(), 2u);
    EXPECT_EQ(layer.vForwardingRules[0].eProtocol, TransportProtocol::Any);
    EXPECT_EQ(layer.vForwardingRules[0].wszInternalAddress, u"gateway.lan");
    EXPECT_EQ(layer.vForwardingRules[1].iPortNumber, 0);
    ASSERT_EQ(layer.vStaticNetworkConfigurations.size(), 1u);
    EXPECT_EQ(layer.vStaticNetworkConfigurations[0].wszHostAddress, u"not-an-address");

    // An address the fields cannot show, in the address set itself, is no mismatch either.
    sXml.replace(sXml.find(">10.1.0.1<"), 10, ">10.1.0.999<");
    ASSERT_TRUE(tree.LoadFromText(sXml));
    EXPECT_TRUE(layer.Exchange(WifiOf(tree), false));
    EXPECT_EQ(layer.staticConfiguration.wszHostAddress, u"10.1.0.999");

    // A section item outside its table is one, and the rest is still read.
    sXml.replace(sXml.find("\"VPN\""), 5, "\"Modem\"");
    ASSERT_TRUE(tree.LoadFromText(sXml));
    layer = LocalNetworkParameters();
    EXPECT_FALSE(layer.Exchange(WifiOf(tree), false));
    EXPECT_EQ(layer.eNATExternalInterfaceType, NetworkInterfaceType::Cellular);
    EXPECT_EQ(layer.eAddressConfigMethod, AddressConfigMethod::DHCP);

    // Missing containers are empty lists, not a mismatch.
    TreeRef bare;
    ASSERT_TRUE(bare.LoadFromText(
        "<kov:R xmlns:kov=\"urn:dovrane:kov\"><kov:LocalNetworkParameters "
        "kov:NATExternalInterfaceType=\"USB\">"
        "<kov:AddressConfigMethod>Manual</kov:AddressConfigMethod><kov:HostAddress/><kov:SubnetMask/>"
        "<kov:BroadcastAddress/><kov:SubnetAddress/><kov:GatewayAddress/><kov:NameserverAddress/>"
        "<kov:NameserverAddress2/><kov:EnableDHCPServer/><kov:EnableNATRouter/><kov:VPNParams "
        "kov:Enable=\"\"/>"
        "</kov:LocalNetworkParameters></kov:R>"));
    EXPECT_TRUE(layer.Exchange(bare.Root(), false));
    EXPECT_TRUE(layer.vForwardingRules.empty() && layer.vStaticNetworkConfigurations.empty());
}

} // namespace
} // namespace kov::test
