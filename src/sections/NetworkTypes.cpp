#include "sections/NetworkTypes.h"

#include "form/Controls.h"
#include "support/Ipv4.h"

namespace kov {

namespace {

bool ExchangeAddressSet(StaticNetworkConfiguration& rConfig, NodeRef element, bool bStore, bool bRequireAll)
{
    if (!element)
        return false;
    struct SField {
        const char16_t* wszName;
        std::u16string* pwszText;
    };
    const SField aFields[] = {
        {u"kov:HostAddress", &rConfig.wszHostAddress},
        {u"kov:SubnetMask", &rConfig.wszSubnetMask},
        {u"kov:BroadcastAddress", &rConfig.wszBroadcastAddress},
        {u"kov:SubnetAddress", &rConfig.wszSubnetAddress},
        {u"kov:GatewayAddress", &rConfig.wszGatewayAddress},
        {u"kov:NameserverAddress", &rConfig.wszNameserverAddress},
        {u"kov:NameserverAddress2", &rConfig.wszNameserverAddress2},
    };
    bool bAll = true;
    for (const SField& field : aFields)
        if (!ExchangeTextElement(element, field.wszName, bStore, *field.pwszText))
            bAll = bAll && !bRequireAll;
    return bAll;
}

} // namespace

std::u16string EnumDisplayText(EnumTable table, int32_t iValue)
{
    const char16_t* wszText = EnumTextOf(table, iValue);
    return wszText ? std::u16string(wszText) : std::u16string();
}

void FillEnumList(CDropDownList& rList, EnumTable table)
{
    rList.DeleteAllItems();
    for (const EnumText& row : table)
        rList.AddItem(row.wszText ? row.wszText : u"", static_cast<uint32_t>(row.iValue));
}

bool ForwardingRule::Exchange(NodeRef item, bool bStore)
{
    if (!item)
        return false;
    ExchangeTextAttribute(item, u"kov:Address", bStore, wszInternalAddress);
    ExchangeIntAttribute(item, u"kov:PortNumber", bStore, iPortNumber);
    // A value outside the table is not written, and a text outside it keeps the default.
    ExchangeEnumAttribute(item, u"kov:Protocol", kTransportProtocolTexts, bStore, eProtocol);
    return true;
}

bool ExchangeForwardingRules(NodeRef container, bool bStore, std::vector<ForwardingRule>& vRules)
{
    if (!bStore)
        vRules.clear();
    if (!container)
        return false;
    ExchangeList(container, u"kov:ForwardingRule", bStore, vRules);
    if (bStore)
        MarkEraseChildren(container);
    return true;
}

bool StaticNetworkConfiguration::Exchange(NodeRef element, bool bStore)
{
    return ExchangeAddressSet(*this, element, bStore, true);
}

bool StaticNetworkConfiguration::ExchangeEntry(NodeRef element, bool bStore)
{
    return ExchangeAddressSet(*this, element, bStore, false);
}

bool LocalNetworkParameters::Exchange(NodeRef parent, bool bStore)
{
    NodeRef section = parent.FindOrCreateChild(kLocalNetworkParametersName, kKovNamespaceUri, bStore);
    if (!section)
        return false;

    bool bAll = true;
    bAll &= ExchangeEnumElement(section, u"kov:AddressConfigMethod", kAddressConfigMethodTexts, bStore,
                                eAddressConfigMethod);
    bAll &= staticConfiguration.Exchange(section, bStore);
    bAll &= ExchangeBoolElement(section, u"kov:EnableDHCPServer", bStore, bEnableDHCPServer);
    bAll &= ExchangeBoolElement(section, u"kov:EnableNATRouter", bStore, bEnableNATRouter);
    bAll &= ExchangeEnumAttribute(section, u"kov:NATExternalInterfaceType", kNetworkInterfaceTypeTexts,
                                  bStore, eNATExternalInterfaceType);
    bAll &= ExchangeBoolAttribute(section.FindOrCreateChild(u"kov:VPNParams", kKovNamespaceUri, bStore),
                                  u"kov:Enable", bStore, bEnableVPN);

    // The lists never fail the read; a missing container is an empty list.
    ExchangeForwardingRules(section.FindOrCreateChild(kForwardingRulesName, kKovNamespaceUri, bStore), bStore,
                            vForwardingRules);
    NodeRef networks =
        section.FindOrCreateChild(u"kov:StaticNetworkConfigurations", kKovNamespaceUri, bStore);
    if (!bStore)
        vStaticNetworkConfigurations.clear();
    ExchangeList(networks, u"kov:StaticNetworkConfiguration", kKovNamespaceUri, bStore,
                 vStaticNetworkConfigurations,
                 [](StaticNetworkConfiguration& rEntry, NodeRef item, bool bStoreItem) {
                     return rEntry.ExchangeEntry(item, bStoreItem);
                 });
    if (bStore)
        MarkEraseChildren(networks);
    return bAll;
}

bool HasVpnSection(NodeRef root)
{
    return static_cast<bool>(root.FindChild(u"kov:VPNParams"));
}

} // namespace kov
