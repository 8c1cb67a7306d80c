#pragma once
// Types shared by the network pages (Connection, Ethernet, Wi-Fi, VPN, Port Forwarding, streams):
// transport protocols, interface types, forwarding rules, static address sets and the network
// layer record with its exchange, plus the address-field and strict-number rules they all use.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document/Exchange.h"
#include "document/ValueTree.h"

namespace kov {

class CDropDownList;
class CIpAddressEdit;

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

// ---- Strict numbers ------------------------------------------------------------------------
// Decimal numbers whose text must be one whole number (white space around it allowed) that fits
// the field. Text that is not keeps the field and makes the read fail, so a damaged value is
// reported instead of being taken as 0.

bool ParseWholeInt(std::u16string_view wszText, int32_t& iValue);
bool ParseWholeUInt(std::u16string_view wszText, uint32_t& dwValue);

bool ExchangeWholeIntAttribute(NodeRef element, std::u16string_view wszName, bool bStore, int32_t& iField);
bool ExchangeWholeUIntAttribute(NodeRef element, std::u16string_view wszName, bool bStore, uint32_t& dwField);
bool ExchangeWholeIntElement(NodeRef element, std::u16string_view wszName, bool bStore, int32_t& iField);

// ---- Address fields ------------------------------------------------------------------------

// Puts an address text into an address field by the inet_addr rules (unparsable text leaves it
// blank). "255.255.255.255", which those rules cannot tell from a failure, is still shown, so a
// broadcast address or host mask survives a load and store.
void ShowAddressText(CIpAddressEdit& rField, std::u16string_view wszText);
// Whether an address field can show the text: empty, or an address by the rules above.
bool IsShowableAddressText(std::u16string_view wszText);

// ---- Records -------------------------------------------------------------------------------

struct ForwardingRule {
    std::u16string wszInternalAddress; // dotted IPv4
    int32_t iPortNumber = 0;
    TransportProtocol eProtocol = TransportProtocol::Any;

    // The rule's attributes of one "kov:ForwardingRule" element. Missing attributes keep their
    // defaults; a damaged port or a protocol outside the table keeps the default and fails.
    bool Exchange(NodeRef item, bool bStore);
};

// A rule list inside its "kov:ForwardingRules" container. Reading empties the list and takes
// every "kov:ForwardingRule" child; storing replaces those children and marks the container
// for erasing. False when the container is missing or an entry held a damaged value.
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
    // empty ones as empty elements. A missing element, or a text no address field can show,
    // fails the read (the text is kept, so what is not shown passes through unchanged).
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
    // the read while the rest is still read. Missing list containers give empty lists.
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
