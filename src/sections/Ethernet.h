#pragma once
// Ethernet: how the device uses its wired interface (address method, static address set, DHCP
// server, NAT router with its external interface and forwarding rules, VPN over the link) and the
// extra static networks on the same interface. The record lies in "kov:ConnectionParameters" /
// "kov:LocalNetworkParameters".
#include <functional>
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

// Declares the seven address fields at the form's layout position and binds each to its part of
// the address set that set projects the record to.
template <class TRecord, class P>
void AddStaticNetworkFields(CForm& rForm, CFieldBindings<TRecord>& bindings, P set)
{
    for (const SStaticNetworkField& field : kStaticNetworkFields) {
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

class CLocalNetworkParamsDlg : public CRecordPage<LocalNetworkParameters>, public SStaticNetworkFieldIds {
public:
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

    CLocalNetworkParamsDlg();

    void Enable(bool bEnable) override;

    void EditForwardingRules();
    void EditMoreNetworks();

    bool VpnAvailable() const { return m_bVpnAvailable; }

protected:
    std::span<const SToolTip> ToolTips() const override;
    bool ExchangeRecord(NodeRef root, bool bStore) override;
    void OnRecordShown() override;

private:
    void ApplyEnabling(bool bEnable);
    void OnMethod(AddressConfigMethod eMethod);

    CCheckBox* m_pDhcpServer = nullptr;
    bool m_bVpnAvailable = false;
};

} // namespace kov
