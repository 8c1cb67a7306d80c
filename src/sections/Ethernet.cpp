#include "sections/Ethernet.h"

#include <string>

#include "link/ParameterDocumentHolder.h"
#include "sections/PortForwarding.h"
#include "support/TextNumbers.h"

namespace kov {

namespace {

// "192.168.n.<host>" of the n-th extra network.
std::u16string NetworkText(size_t nIndex, std::u16string_view wszHost)
{
    return u"192.168." + DecimalText(static_cast<int64_t>(nIndex)) + u"." + std::u16string(wszHost);
}

} // namespace

void EnableStaticNetworkFields(CForm& rForm, bool bEnable)
{
    for (const SStaticNetworkField& field : kStaticNetworkFields)
        rForm.EnableControls({field.iId}, bEnable);
}

// ---- Multiple Network Parameters -----------------------------------------------------------

CMultipleNetworkParamsDlg::CMultipleNetworkParamsDlg(std::vector<StaticNetworkConfiguration>& rNetworks)
    : CDialog(u"Multiple Network Parameters"), m_rNetworks(rNetworks)
{
    BeginRow();
    CListView& rList = AddListView(IDC_MN_LIST);
    BeginColumn();
    AddButton(IDC_MN_ADD, u"Add");
    AddButton(IDC_MN_DELETE, u"Delete");
    AddButton(IDC_MN_EMPTY, u"Empty");
    AddStretch();
    End();
    End();
    AddStaticNetworkFields(*this, m_fields, std::identity{});
    AddOkCancel();
    rList.AddColumn(u"Host", 100);
    rList.AddColumn(u"Subnet Mask", 100);
    rList.AddColumn(u"Gateway", 100);
    rList.SetOnChange([this] { OnListSelection(); });

    SListEditorTexts texts;
    texts.wszNoSelection = u"No network selected";
    texts.wszDeleteNoSelectionCaption = u"Delete network";
    texts.wszDeleteQuestion = u"Are You Sure?";
    texts.wszDeleteCaption = u"Delete network";
    texts.wszEmptyQuestion = u"Are You Sure?";
    texts.wszEmptyCaption = u"Empty list";
    texts.wszEmptyListMessage = u"No networks in the list";
    texts.eEmptyListRule = EEmptyListRule::Tell;

    CListEditor<StaticNetworkConfiguration>::SHooks hooks;
    hooks.fnCells = [](const StaticNetworkConfiguration& config) {
        return std::vector<std::u16string>{config.wszHostAddress, config.wszSubnetMask,
                                           config.wszGatewayAddress};
    };
    // The n-th network proposes the subnet 192.168.n.0; n is not bounded, as entries are not
    // compared with each other.
    hooks.fnNew = [](size_t nCount) {
        StaticNetworkConfiguration config;
        config.wszHostAddress = NetworkText(nCount, u"1");
        config.wszSubnetMask = u"255.255.255.0";
        config.wszBroadcastAddress = NetworkText(nCount, u"255");
        config.wszSubnetAddress = NetworkText(nCount, u"0");
        config.wszGatewayAddress = NetworkText(nCount, u"10");
        return config;
    };
    m_pEditor = std::make_unique<CListEditor<StaticNetworkConfiguration>>(*this, rList, std::move(texts),
                                                                          std::move(hooks));
    m_pEditor->SetEntries(&m_rNetworks);
    m_pEditor->BindButtons(IDC_MN_ADD, 0, IDC_MN_DELETE, IDC_MN_EMPTY);
    m_pEditor->SetOnAdded([this](int iRow) {
        m_pEditor->List().SetSelection(iRow);
        Select(iRow);
    });
    m_pEditor->SetOnRemoved([this] { ForgetSelection(); });
}

void CMultipleNetworkParamsDlg::OnInitialise()
{
    m_pEditor->Refill();
    ForgetSelection();
}

void CMultipleNetworkParamsDlg::OnListSelection()
{
    Select(m_pEditor->List().Selection());
}

void CMultipleNetworkParamsDlg::Select(int iEntry)
{
    TakeFields();
    if (iEntry < 0 || static_cast<size_t>(iEntry) >= m_rNetworks.size()) {
        ForgetSelection();
        return;
    }
    m_iSelected = iEntry;
    EnableStaticNetworkFields(*this, true);
    m_fields.Show(m_rNetworks[static_cast<size_t>(iEntry)]);
}

void CMultipleNetworkParamsDlg::TakeFields()
{
    if (m_iSelected < 0 || static_cast<size_t>(m_iSelected) >= m_rNetworks.size())
        return;
    m_fields.Read(m_rNetworks[static_cast<size_t>(m_iSelected)]);
    m_pEditor->RefreshRow(m_iSelected);
}

void CMultipleNetworkParamsDlg::ForgetSelection()
{
    m_iSelected = -1;
    m_pEditor->List().SetSelection(-1);
    // Blank, not the values of an entry that may be gone.
    m_fields.Show(StaticNetworkConfiguration{});
    EnableStaticNetworkFields(*this, false);
}

bool CMultipleNetworkParamsDlg::OnOk()
{
    TakeFields();
    return true;
}

// ---- The network layer --------------------------------------------------------------------

void CLocalNetworkPart::DeclareRest()
{
    CForm& rForm = m_rForm;
    if (m_style.bExtraNetworks) {
        rForm.BeginRow();
        rForm.AddStretch();
        rForm.AddButton(IDC_MORE_NETWORKS, u"More Networks").SetOnClick([this] { EditMoreNetworks(); });
        rForm.End();
    }
    rForm.End(); // "Manual Configuration"

    m_pNatRouter = &rForm.AddCheckBox(IDC_ENABLE_NAT_ROUTER, u"Enable NAT Router");
    m_pDhcpServer = &rForm.AddCheckBox(IDC_ENABLE_DHCP_SERVER, u"Enable DHCP Server");
    m_pVpn = &rForm.AddCheckBox(IDC_ENABLE_VPN, u"Enable VPN");
    rForm.BeginRow();
    rForm.AddButton(IDC_FORWARDING_RULES, u"Forwarding Rules").SetOnClick([this] { EditForwardingRules(); });
    rForm.AddStretch();
    rForm.End();
    m_pNatInterface = &rForm.AddDropDownList(IDC_NAT_INTERFACE, u"NAT External Interface Type:");
    FillEnumList(*m_pNatInterface, kNetworkInterfaceTypeTexts);

    m_pNone->SetOnClick([this] { OnMethod(AddressConfigMethod::Undefined); });
    m_pDhcp->SetOnClick([this] { OnMethod(AddressConfigMethod::DHCP); });
    m_pManual->SetOnClick([this] { OnMethod(AddressConfigMethod::Manual); });
    m_pNatRouter->SetOnClick([this] {
        m_rLayer.bEnableNATRouter = m_pNatRouter->IsChecked();
        const bool bRules =
            m_rLayer.eAddressConfigMethod == AddressConfigMethod::Manual && m_rLayer.bEnableNATRouter;
        m_rForm.EnableControls({IDC_FORWARDING_RULES, IDC_NAT_INTERFACE}, bRules);
    });
}

void CLocalNetworkPart::ApplyEnabling(bool bOn)
{
    const bool bManual = bOn && m_rLayer.eAddressConfigMethod == AddressConfigMethod::Manual;
    const bool bAddressed = bOn && m_rLayer.eAddressConfigMethod != AddressConfigMethod::Undefined;
    m_rForm.EnableControls({IDC_METHOD_NONE, IDC_METHOD_DHCP, IDC_METHOD_MANUAL}, bOn);
    EnableStaticNetworkFields(m_rForm, bManual);
    m_rForm.EnableControls({IDC_ENABLE_NAT_ROUTER, IDC_ENABLE_DHCP_SERVER}, bManual);
    m_rForm.EnableControls({IDC_FORWARDING_RULES, IDC_NAT_INTERFACE}, bManual && m_rLayer.bEnableNATRouter);
    m_rForm.EnableControls({IDC_MORE_NETWORKS}, bAddressed);
    m_rForm.EnableControls({IDC_ENABLE_VPN}, bAddressed && m_bVpnAvailable);
}

void CLocalNetworkPart::OnMethod(AddressConfigMethod eMethod)
{
    m_rLayer.eAddressConfigMethod = eMethod;
    // Serving addresses on the LAN only makes sense with a fixed address of our own.
    if (m_style.bDhcpServerOnlyWhenManual && eMethod != AddressConfigMethod::Manual)
        m_pDhcpServer->SetChecked(false);
    ApplyEnabling(true);
}

void CLocalNetworkPart::EditForwardingRules()
{
    kov::EditForwardingRules(m_rForm, m_rLayer.vForwardingRules);
}

void CLocalNetworkPart::EditMoreNetworks()
{
    std::vector<StaticNetworkConfiguration> vCopy = m_rLayer.vStaticNetworkConfigurations;
    CMultipleNetworkParamsDlg dlg(vCopy);
    if (m_rForm.RunDialog(dlg) == EDlgResult::Ok)
        m_rLayer.vStaticNetworkConfigurations = std::move(vCopy);
}

// ---- The page ------------------------------------------------------------------------------

CLocalNetworkParamsDlg::CLocalNetworkParamsDlg()
    : CRecordPage(u"Ethernet"), m_network(*this, Bind(), std::identity{}, m_record, SLocalNetworkPartStyle{})
{
    AddStretch();
}

std::span<const SToolTip> CLocalNetworkParamsDlg::ToolTips() const
{
    static constexpr SToolTip kOwnToolTips[] = {
        {IDC_METHOD_NONE, u"Do not use the Ethernet connection."},
        {IDC_NAMESERVER_ADDRESS, u"First DNS server IP address. Example: 8.8.8.8"},
        {IDC_NAMESERVER_ADDRESS2, u"Second DNS server IP address. Example: 8.8.4.4"},
        {IDC_MORE_NETWORKS,
         u"Configure more network connections with static addresses using the same Ethernet interface."},
        {IDC_ENABLE_NAT_ROUTER,
         u"Translate IP addresses between LAN and WAN to allow sharing the modem connection "
         u"with other LAN devices."},
        {IDC_ENABLE_DHCP_SERVER,
         u"Provide IP addresses automatically to other devices in the LAN using the DHCP protocol."},
        {IDC_ENABLE_VPN, u"Enable setting up a VPN on top of the Ethernet connection."},
        {IDC_FORWARDING_RULES,
         u"Forward specific TCP and UDP ports for servers in the LAN to be accessible from WAN."},
        {IDC_NAT_INTERFACE,
         u"Set external interface type for the NAT router to allow VPN sharing instead of WAN "
         u"with other LAN devices."},
    };
    static constexpr auto kToolTips = LocalNetworkToolTips(kOwnToolTips);
    return kToolTips;
}

bool CLocalNetworkParamsDlg::ExchangeRecord(NodeRef root, bool bStore)
{
    if (bStore)
        return m_record.Exchange(root.FindOrCreateChild(kConnectionParametersName, kKovNamespaceUri, true),
                                 true);
    const NodeRef connection = root.FindChild(kConnectionParametersName);
    return connection && m_record.Exchange(connection, false);
}

void CLocalNetworkParamsDlg::OnRecordShown()
{
    // "Enable VPN" needs the VPN section in the loaded document.
    const NodeRef root = PageDocumentRoot(m_pHolder, false);
    m_network.SetVpnAvailable(root.FindChild(kConnectionParametersName) && HasVpnSection(root));
}

} // namespace kov
