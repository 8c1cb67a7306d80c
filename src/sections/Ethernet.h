#pragma once
// Ethernet: how the device uses its wired interface (address method, static address set, DHCP
// server, NAT router with its external interface and forwarding rules, VPN over the link) and the
// extra static networks on the same interface. The record lies in "kov:ConnectionParameters" /
// "kov:LocalNetworkParameters".
#include <memory>
#include <span>
#include <vector>

#include "form/Dialog.h"
#include "sections/ListEditor.h"
#include "sections/NetworkTypes.h"
#include "sections/SectionPage.h"

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
    void ShowFields(const StaticNetworkConfiguration& config);
    void ForgetSelection();

    std::vector<StaticNetworkConfiguration>& m_rNetworks;
    std::unique_ptr<CListEditor<StaticNetworkConfiguration>> m_pEditor;
    int m_iSelected = -1;
};

class CLocalNetworkParamsDlg : public CSectionPage, public SStaticNetworkFieldIds {
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

    bool Load() override;
    void Store() override;
    void Enable(bool bEnable) override;

    void EditForwardingRules();
    void EditMoreNetworks();

    const LocalNetworkParameters& Record() const { return m_record; }
    bool VpnAvailable() const { return m_bVpnAvailable; }

protected:
    std::span<const SToolTip> ToolTips() const override;

private:
    void ApplyEnabling(bool bEnable);
    void OnMethod(AddressConfigMethod eMethod);

    LocalNetworkParameters m_record;
    bool m_bVpnAvailable = false;
};

// Declares the seven address fields with their labels.
void AddStaticNetworkFields(CForm& rForm);
// Shows an address set in, and reads it from, the seven fields.
void ShowStaticNetworkFields(CForm& rForm, const StaticNetworkConfiguration& config);
StaticNetworkConfiguration ReadStaticNetworkFields(const CForm& rForm);

} // namespace kov
