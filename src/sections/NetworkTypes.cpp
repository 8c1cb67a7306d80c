#include "sections/NetworkTypes.h"

#include <limits>

#include "form/Controls.h"
#include "support/Ipv4.h"

namespace kov {

namespace {

constexpr char16_t kBroadcastText[] = u"255.255.255.255";

bool IsSpace(char16_t ch)
{
    return ch == u' ' || ch == u'\t' || ch == u'\r' || ch == u'\n';
}

// Digits with an optional sign, white space around; the magnitude up to the limit.
bool ParseWhole(std::u16string_view wszText, bool bSigned, int64_t llMin, int64_t llMax, int64_t& llValue)
{
    size_t iBegin = 0;
    size_t iEnd = wszText.size();
    while (iBegin < iEnd && IsSpace(wszText[iBegin]))
        ++iBegin;
    while (iEnd > iBegin && IsSpace(wszText[iEnd - 1]))
        --iEnd;
    bool bNegative = false;
    if (iBegin < iEnd && (wszText[iBegin] == u'-' || wszText[iBegin] == u'+')) {
        bNegative = wszText[iBegin] == u'-';
        if (bNegative && !bSigned)
            return false;
        ++iBegin;
    }
    if (iBegin == iEnd)
        return false;
    int64_t llMagnitude = 0;
    for (size_t i = iBegin; i < iEnd; ++i) {
        if (wszText[i] < u'0' || wszText[i] > u'9')
            return false;
        llMagnitude = llMagnitude * 10 + (wszText[i] - u'0');
        if (llMagnitude > llMax + 1)
            return false;
    }
    const int64_t llResult = bNegative ? -llMagnitude : llMagnitude;
    if (llResult < llMin || llResult > llMax)
        return false;
    llValue = llResult;
    return true;
}

std::u16string DecimalText(int64_t llValue)
{
    const std::string sText = std::to_string(llValue);
    return std::u16string(sText.begin(), sText.end());
}

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
    for (const SField& field : aFields) {
        if (!ExchangeTextElement(element, field.wszName, bStore, *field.pwszText)) {
            bAll = bAll && !bRequireAll;
            continue;
        }
        if (!bStore && !IsShowableAddressText(*field.pwszText))
            bAll = false;
    }
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

bool ParseWholeInt(std::u16string_view wszText, int32_t& iValue)
{
    int64_t llValue = 0;
    if (!ParseWhole(wszText, true, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
                    llValue))
        return false;
    iValue = static_cast<int32_t>(llValue);
    return true;
}

bool ParseWholeUInt(std::u16string_view wszText, uint32_t& dwValue)
{
    int64_t llValue = 0;
    if (!ParseWhole(wszText, false, 0, std::numeric_limits<uint32_t>::max(), llValue))
        return false;
    dwValue = static_cast<uint32_t>(llValue);
    return true;
}

bool ExchangeWholeIntAttribute(NodeRef element, std::u16string_view wszName, bool bStore, int32_t& iField)
{
    if (bStore)
        return element.SetAttribute(wszName, kKovNamespaceUri, DecimalText(iField));
    std::u16string wszText;
    return element.GetAttribute(wszName, wszText) && ParseWholeInt(wszText, iField);
}

bool ExchangeWholeUIntAttribute(NodeRef element, std::u16string_view wszName, bool bStore, uint32_t& dwField)
{
    if (bStore)
        return element.SetAttribute(wszName, kKovNamespaceUri, DecimalText(dwField));
    std::u16string wszText;
    return element.GetAttribute(wszName, wszText) && ParseWholeUInt(wszText, dwField);
}

bool ExchangeWholeIntElement(NodeRef element, std::u16string_view wszName, bool bStore, int32_t& iField)
{
    NodeRef child = element.FindOrCreateChild(wszName, kKovNamespaceUri, bStore);
    if (!child)
        return false;
    if (bStore)
        return child.SetText(DecimalText(iField));
    return ParseWholeInt(child.Text(), iField);
}

void ShowAddressText(CIpAddressEdit& rField, std::u16string_view wszText)
{
    if (!rField.SetText(wszText) && wszText == kBroadcastText)
        rField.SetAddress(0xFFFFFFFFu);
}

bool IsShowableAddressText(std::u16string_view wszText)
{
    if (wszText.empty() || wszText == kBroadcastText)
        return true;
    uint32_t dwAddress = 0;
    bool bBlank = true;
    return Ipv4FromControlText(wszText, dwAddress, bBlank);
}

bool ForwardingRule::Exchange(NodeRef item, bool bStore)
{
    if (!item)
        return false;
    if (bStore) {
        ExchangeTextAttribute(item, u"kov:Address", true, wszInternalAddress);
        ExchangeWholeIntAttribute(item, u"kov:PortNumber", true, iPortNumber);
        // A value outside the table is not written.
        ExchangeEnumAttribute(item, u"kov:Protocol", kTransportProtocolTexts, true, eProtocol);
        return true;
    }
    bool bSound = true;
    if (ExchangeTextAttribute(item, u"kov:Address", false, wszInternalAddress) &&
        !IsShowableAddressText(wszInternalAddress))
        bSound = false;
    if (item.HasAttribute(u"kov:PortNumber") &&
        !ExchangeWholeIntAttribute(item, u"kov:PortNumber", false, iPortNumber))
        bSound = false;
    if (item.HasAttribute(u"kov:Protocol") &&
        !ExchangeEnumAttribute(item, u"kov:Protocol", kTransportProtocolTexts, false, eProtocol))
        bSound = false;
    return bSound;
}

bool ExchangeForwardingRules(NodeRef container, bool bStore, std::vector<ForwardingRule>& vRules)
{
    if (!bStore)
        vRules.clear();
    if (!container)
        return false;
    const bool bSound = ExchangeList(container, u"kov:ForwardingRule", bStore, vRules);
    if (bStore)
        MarkEraseChildren(container);
    return bSound;
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

    // A missing container is an empty list; only damaged entries count as a mismatch.
    NodeRef rules = section.FindOrCreateChild(kForwardingRulesName, kKovNamespaceUri, bStore);
    if (!ExchangeForwardingRules(rules, bStore, vForwardingRules) && rules)
        bAll = false;

    NodeRef networks =
        section.FindOrCreateChild(u"kov:StaticNetworkConfigurations", kKovNamespaceUri, bStore);
    if (!bStore)
        vStaticNetworkConfigurations.clear();
    if (networks) {
        const bool bSound =
            ExchangeList(networks, u"kov:StaticNetworkConfiguration", kKovNamespaceUri, bStore,
                         vStaticNetworkConfigurations,
                         [](StaticNetworkConfiguration& rEntry, NodeRef item, bool bStoreItem) {
                             return rEntry.ExchangeEntry(item, bStoreItem);
                         });
        bAll = bAll && bSound;
        if (bStore)
            MarkEraseChildren(networks);
    }
    return bAll;
}

bool HasVpnSection(NodeRef root)
{
    return static_cast<bool>(root.FindChild(u"kov:VPNParams"));
}

} // namespace kov
