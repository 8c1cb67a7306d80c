#pragma once
// Ethernet: how the device uses its wired interface (address method, static address set, DHCP
// server, NAT router with its external interface and forwarding rules, VPN over the link) and the
// extra static networks on the same interface. The record lies in "kov:ConnectionParameters" /
// "kov:LocalNetworkParameters".
#include <array>
#include <functional>
#include <iterator>
#include <memory>
#include <span>
#include <vector>

#include "form/Dialog.h"
#include "sections/ListEditor.h"
#include "sections/NetworkTypes.h"
#include "sections/RecordPage.h"

namespace kov {

// Control ids of the seven address fields, the same on the page and in "Multiple Network
// Parameters", in the order of StaticNetworkConfiguration.
struct SStaticNetworkFieldIds {
    enum : int {
        IDC_HOST_ADDRESS = 1301,
        IDC_SUBNET_MASK = 1302,
        IDC_BROADCAST_ADDRESS = 1303,
        IDC_SUBNET_ADDRESS = 1304,
        IDC_GATEWAY_ADDRESS = 1305,
        IDC_NAMESERVER_ADDRESS = 1306,
        IDC_NAMESERVER_ADDRESS2 = 1307,
    };
};

// The seven address fields in the order of StaticNetworkConfiguration, with their labels.
struct SStaticNetworkField {
    int iId;
    const char16_t* wszLabel;
    std::u16string StaticNetworkConfiguration::*pText;
};
inline constexpr SStaticNetworkField kStaticNetworkFields[] = {
    {SStaticNetworkFieldIds::IDC_HOST_ADDRESS, u"Host Address:", &StaticNetworkConfiguration::wszHostAddress},
    {SStaticNetworkFieldIds::IDC_SUBNET_MASK, u"Subnet Mask:", &StaticNetworkConfiguration::wszSubnetMask},
    {SStaticNetworkFieldIds::IDC_BROADCAST_ADDRESS, u"Broadcast Address:",
     &StaticNetworkConfiguration::wszBroadcastAddress},
    {SStaticNetworkFieldIds::IDC_SUBNET_ADDRESS, u"Subnet Address:",
     &StaticNetworkConfiguration::wszSubnetAddress},
    {SStaticNetworkFieldIds::IDC_GATEWAY_ADDRESS, u"Gateway Address:",
     &StaticNetworkConfiguration::wszGatewayAddress},
    {SStaticNetworkFieldIds::IDC_NAMESERVER_ADDRESS, u"Namespace Server:",
     &StaticNetworkConfiguration::wszNameserverAddress},
    {SStaticNetworkFieldIds::IDC_NAMESERVER_ADDRESS2, u"Namespace Server 2:",
     &StaticNetworkConfiguration::wszNameserverAddress2},
};

// Declares the first nFields address fields (all seven by default) at the form's layout position
// and binds each to its part of the address set that set projects the record to.
template <class TRecord, class P>
void AddStaticNetworkFields(CForm& rForm, CFieldBindings<TRecord>& bindings, P set,
                            size_t nFields = std::size(kStaticNetworkFields))
{
    for (size_t i = 0; i < nFields && i < std::size(kStaticNetworkFields); ++i) {
        const SStaticNetworkField& field = kStaticNetworkFields[i];
        bindings.Address(
            rForm.AddIpAddress(field.iId, field.wszLabel),
            [ set, pText = field.pText ](auto& record) -> auto& { return std::invoke(set, record).*pText; });
    }
}
void EnableStaticNetworkFields(CForm& rForm, bool bEnable);

// "Multiple Network Parameters": extra static networks, edited in the fields below the list.
class CMultipleNetworkParamsDlg : public CDialog, public SStaticNetworkFieldIds {
public:
    enum : int {
        IDC_MN_LIST = 1351,
        IDC_MN_ADD = 1352,
        IDC_MN_DELETE = 1353,
        IDC_MN_EMPTY = 1354,
    };

    // Edits rNetworks in place; the caller passes a copy and keeps it only after OK.
    explicit CMultipleNetworkParamsDlg(std::vector<StaticNetworkConfiguration>& rNetworks);

    int SelectedEntry() const { return m_iSelected; }

protected:
    void OnInitialise() override;
    bool OnOk() override;

private:
    void OnListSelection();
    void Select(int iEntry);
    void TakeFields();
    void ForgetSelection();

    std::vector<StaticNetworkConfiguration>& m_rNetworks;
    CFieldBindings<StaticNetworkConfiguration> m_fields;
    std::unique_ptr<CListEditor<StaticNetworkConfiguration>> m_pEditor;
    int m_iSelected = -1;
};

// Control ids of the network layer, the same on every page that shows one.
struct SLocalNetworkIds : SStaticNetworkFieldIds {
    enum : int {
        IDC_METHOD_NONE = 1310,
        IDC_METHOD_DHCP = 1311,
        IDC_METHOD_MANUAL = 1312,
        IDC_MORE_NETWORKS = 1320,
        IDC_ENABLE_NAT_ROUTER = 1321,
        IDC_ENABLE_DHCP_SERVER = 1322,
        IDC_ENABLE_VPN = 1323,
        IDC_FORWARDING_RULES = 1324,
        IDC_NAT_INTERFACE = 1325,
    };
    static constexpr int kMethodGroup = 1;
};

// The tool tips of the network layer that read the same on every page that shows one.
inline constexpr SToolTip kLocalNetworkCommonToolTips[] = {
    {SLocalNetworkIds::IDC_METHOD_DHCP, u"Obtain an IP address automatically using the DHCP protocol."},
    {SLocalNetworkIds::IDC_METHOD_MANUAL, u"Configure manual network parameters."},
    {SLocalNetworkIds::IDC_HOST_ADDRESS, u"IP address of the device itself. Example: 192.168.2.3"},
    {SLocalNetworkIds::IDC_SUBNET_MASK, u"Subnet mask of the network. Example: 255.255.0.0"},
    {SLocalNetworkIds::IDC_BROADCAST_ADDRESS, u"Broadcast address of the network. Example: 192.168.255.255"},
    {SLocalNetworkIds::IDC_SUBNET_ADDRESS, u"Subnet address of the network. Example: 192.168.0.0"},
    {SLocalNetworkIds::IDC_GATEWAY_ADDRESS,
     u"Network gateway (router) IP address inside the network. Example: 192.168.0.1"},
};

// A page's tool tip table: the common rows followed by the page's own.
template <size_t N>
constexpr std::array<SToolTip, std::size(kLocalNetworkCommonToolTips) + N>
LocalNetworkToolTips(const SToolTip (&aOwn)[N])
{
    std::array<SToolTip, std::size(kLocalNetworkCommonToolTips) + N> aAll{};
    size_t i = 0;
    for (const SToolTip& tip : kLocalNetworkCommonToolTips)
        aAll[i++] = tip;
    for (const SToolTip& tip : aOwn)
        aAll[i++] = tip;
    return aAll;
}

// Where the pages that show a network layer differ.
struct SLocalNetworkPartStyle {
    // The second name server and "More Networks" with the extra static networks.
    bool bExtraNetworks = true;
    // Leaving "Manual" unticks "Enable DHCP Server".
    bool bDhcpServerOnlyWhenManual = true;
    // The address method's buttons side by side, for a page with more above them.
    bool bMethodsInARow = false;
};

// The network layer of a page (Ethernet, Wi-Fi): the address method, the static address set,
// DHCP server, NAT router with its external interface and forwarding rules, VPN over the link, and
// the extra static networks. It declares its controls at the form's layout position, binds them
// to the layer that layer projects the page's record to, and keeps the enabling rules. rLayer is
// the page's own record's layer: the method and the NAT router tick reach it at once.
class CLocalNetworkPart : public SLocalNetworkIds {
public:
    template <class TRecord, class P>
    CLocalNetworkPart(CForm& rForm, CFieldBindings<TRecord>& bindings, P layer,
                      LocalNetworkParameters& rLayer, const SLocalNetworkPartStyle& style);

    // bOn: the page's flag, and whatever else the page needs for the link to be in use.
    void ApplyEnabling(bool bOn);

    // Whether the loaded document has the VPN section that "Enable VPN" needs.
    void SetVpnAvailable(bool bAvailable) { m_bVpnAvailable = bAvailable; }
    bool VpnAvailable() const { return m_bVpnAvailable; }

    // Open their dialogs on copies of the layer's lists; OK replaces the list.
    void EditForwardingRules();
    void EditMoreNetworks();

private:
    // Declares the controls after the address fields and wires every reaction.
    void DeclareRest();
    void OnMethod(AddressConfigMethod eMethod);

    CForm& m_rForm;
    LocalNetworkParameters& m_rLayer;
    SLocalNetworkPartStyle m_style;
    bool m_bVpnAvailable = false;
    CRadioButton* m_pNone = nullptr;
    CRadioButton* m_pDhcp = nullptr;
    CRadioButton* m_pManual = nullptr;
    CCheckBox* m_pNatRouter = nullptr;
    CCheckBox* m_pDhcpServer = nullptr;
    CCheckBox* m_pVpn = nullptr;
    CDropDownList* m_pNatInterface = nullptr;
};

template <class TRecord, class P>
CLocalNetworkPart::CLocalNetworkPart(CForm& rForm, CFieldBindings<TRecord>& bindings, P layer,
                                     LocalNetworkParameters& rLayer, const SLocalNetworkPartStyle& style)
    : m_rForm(rForm), m_rLayer(rLayer), m_style(style)
{
    using L = LocalNetworkParameters;
    const auto field = [layer](auto pMember) {
        return [ layer, pMember ](auto& record) -> auto&
        {
            return std::invoke(layer, record).*pMember;
        };
    };
    rForm.BeginGroup(0, u"Address Configuration Method");
    if (style.bMethodsInARow)
        rForm.BeginRow();
    m_pNone = &rForm.AddRadioButton(IDC_METHOD_NONE, u"None", kMethodGroup);
    m_pDhcp = &rForm.AddRadioButton(IDC_METHOD_DHCP, u"Automatic: DHCP Client", kMethodGroup);
    m_pManual = &rForm.AddRadioButton(IDC_METHOD_MANUAL, u"Manual", kMethodGroup);
    if (style.bMethodsInARow)
        rForm.End();
    rForm.End();
    bindings.Radio(field(&L::eAddressConfigMethod), {{m_pNone, AddressConfigMethod::Undefined},
                                                     {m_pDhcp, AddressConfigMethod::DHCP},
                                                     {m_pManual, AddressConfigMethod::Manual}});
    rForm.BeginGroup(0, u"Manual Configuration");
    AddStaticNetworkFields(rForm, bindings, field(&L::staticConfiguration),
                           style.bExtraNetworks ? std::size(kStaticNetworkFields)
                                                : std::size(kStaticNetworkFields) - 1);
    DeclareRest();
    bindings.Check(*m_pNatRouter, field(&L::bEnableNATRouter))
        .Check(*m_pDhcpServer, field(&L::bEnableDHCPServer))
        .Check(*m_pVpn, field(&L::bEnableVPN))
        .ItemData(*m_pNatInterface, field(&L::eNATExternalInterfaceType));
}

class CLocalNetworkParamsDlg : public CRecordPage<LocalNetworkParameters>, public SLocalNetworkIds {
public:
    CLocalNetworkParamsDlg();

    void Enable(bool bEnable) override { m_network.ApplyEnabling(bEnable); }

    void EditForwardingRules() { m_network.EditForwardingRules(); }
    void EditMoreNetworks() { m_network.EditMoreNetworks(); }

    bool VpnAvailable() const { return m_network.VpnAvailable(); }

protected:
    std::span<const SToolTip> ToolTips() const override;
    bool ExchangeRecord(NodeRef root, bool bStore) override;
    void OnRecordShown() override;

private:
    CLocalNetworkPart m_network;
};

} // namespace kov
