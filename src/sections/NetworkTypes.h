#pragma once
// Types shared by the network pages (Connection, Ethernet, Wi-Fi, VPN, Port Forwarding, streams):
// transport protocols, interface types, forwarding rules, static address sets and the network
// layer record with its exchange, plus the address-field rule they all use.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document/Exchange.h"
#include "document/ValueTree.h"

namespace kov {

class CDropDownList;

// ---- Enumerations --------------------------------------------------------------------------

enum class TransportProtocol : int32_t { Any = 0, TCP = 1, UDP = 2 };

inline constexpr EnumText kTransportProtocolTexts[] = {
    {TransportProtocol::Any, u"Any"},
    {TransportProtocol::TCP, u"TCP"},
    {TransportProtocol::UDP, u"UDP"},
};

enum class NetworkInterfaceType : int32_t {
    Unknown = 0,
    LocalHost = 1,
    Ethernet = 2,
    WiFi = 3,
    Cellular = 4,
    VPN = 5,
    USB = 6,
    Bluetooth = 7,
};

inline constexpr EnumText kNetworkInterfaceTypeTexts[] = {
    {NetworkInterfaceType::Unknown, u"Unknown"},   {NetworkInterfaceType::LocalHost, u"Local host"},
    {NetworkInterfaceType::Ethernet, u"Ethernet"}, {NetworkInterfaceType::WiFi, u"WiFi"},
    {NetworkInterfaceType::Cellular, u"Cellular"}, {NetworkInterfaceType::VPN, u"VPN"},
    {NetworkInterfaceType::USB, u"USB"},           {NetworkInterfaceType::Bluetooth, u"Bluetooth"},
};

enum class AddressConfigMethod : int32_t { Undefined = 0, DHCP = 1, Manual = 2 };

inline constexpr EnumText kAddressConfigMethodTexts[] = {
    {AddressConfigMethod::Undefined, u"Undefined"},
    {AddressConfigMethod::DHCP, u"DHCP"},
    {AddressConfigMethod::Manual, u"Manual"},
};

// The row text of a value; empty when the table has no such row.
std::u16string EnumDisplayText(EnumTable table, int32_t iValue);
inline std::u16string TransportProtocolText(TransportProtocol eProtocol)
{
    return EnumDisplayText(kTransportProtocolTexts, static_cast<int32_t>(eProtocol));
}

// Fills a drop-down list with every row of the table in order, each item carrying its value.
// Earlier items are removed, so dialogs may fill their lists each time they open.
void FillEnumList(CDropDownList& rList, EnumTable table);

// ---- Records -------------------------------------------------------------------------------

struct ForwardingRule {
    std::u16string wszInternalAddress; // dotted IPv4
    int32_t iPortNumber = 0;
    TransportProtocol eProtocol = TransportProtocol::Any;

    // The rule's attributes of one "kov:ForwardingRule" element. Missing attributes, and a
    // protocol outside the table, keep their defaults; reading an entry never fails.
    bool Exchange(NodeRef item, bool bStore);
};

// A rule list inside its "kov:ForwardingRules" container. Reading empties the list and takes
// every "kov:ForwardingRule" child; storing replaces those children and marks the container
// for erasing. False only when the container is missing.
bool ExchangeForwardingRules(NodeRef container, bool bStore, std::vector<ForwardingRule>& vRules);

struct StaticNetworkConfiguration {
    std::u16string wszHostAddress;
    std::u16string wszSubnetMask;
    std::u16string wszBroadcastAddress;
    std::u16string wszSubnetAddress;
    std::u16string wszGatewayAddress;
    std::u16string wszNameserverAddress;
    std::u16string wszNameserverAddress2;

    // The seven child elements of an element holding an address set; all seven are written,
    // empty ones as empty elements. A missing element fails the read; any text is taken as it
    // is (a field that cannot show it stays blank).
    bool Exchange(NodeRef element, bool bStore);
    // Reads missing elements without failing: entries of the list of extra networks.
    bool ExchangeEntry(NodeRef element, bool bStore);
    friend bool operator==(const StaticNetworkConfiguration&, const StaticNetworkConfiguration&) = default;
};

struct LocalNetworkParameters {
    AddressConfigMethod eAddressConfigMethod = AddressConfigMethod::Undefined;
    StaticNetworkConfiguration staticConfiguration;
    bool bEnableDHCPServer = false;
    bool bEnableNATRouter = false;
    bool bEnableVPN = false; // VPN over this link
    NetworkInterfaceType eNATExternalInterfaceType = NetworkInterfaceType::Cellular;
    std::vector<ForwardingRule> vForwardingRules;
    std::vector<StaticNetworkConfiguration> vStaticNetworkConfigurations;

    // The section "kov:LocalNetworkParameters" under parent ("kov:ConnectionParameters" for
    // Ethernet, "kov:WiFi" for Wi-Fi). Reading fails, with the record untouched, when the section
    // is missing; a missing item or a text outside its table keeps that field's default and fails
    // the read while the rest is still read. The lists never fail it; missing containers give
    // empty lists.
    bool Exchange(NodeRef parent, bool bStore);
};

// Whether the root holds the VPN section ("kov:VPNParams"), which the "Enable VPN" boxes need.
bool HasVpnSection(NodeRef root);

// Shared element names.
inline constexpr char16_t kConnectionParametersName[] = u"kov:ConnectionParameters";
inline constexpr char16_t kCaptureDeviceRulesName[] = u"kov:CaptureDeviceRules";
inline constexpr char16_t kCaptureDeviceConfigName[] = u"kov:CaptureDeviceConfig";
inline constexpr char16_t kCaptureDeviceStatusName[] = u"kov:CaptureDeviceStatus";
inline constexpr char16_t kForwardingRulesName[] = u"kov:ForwardingRules";
inline constexpr char16_t kLocalNetworkParametersName[] = u"kov:LocalNetworkParameters";

} // namespace kov
