#include "sections/Ethernet.h"

#include <cstdio>
#include <string>

#include "link/ParameterDocumentHolder.h"
#include "sections/PortForwarding.h"

namespace kov {

namespace {

std::u16string NetworkText(const char* szFormat, size_t nIndex)
{
    char szText[32];
    std::snprintf(szText, sizeof(szText), szFormat, static_cast<unsigned long long>(nIndex));
    return std::u16string(szText, szText + std::char_traits<char>::length(szText));
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
        config.wszHostAddress = NetworkText("192.168.%llu.1", nCount);
        config.wszSubnetMask = u"255.255.255.0";
        config.wszBroadcastAddress = NetworkText("192.168.%llu.255", nCount);
        config.wszSubnetAddress = NetworkText("192.168.%llu.0", nCount);
        config.wszGatewayAddress = NetworkText("192.168.%llu.10", nCount);
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

// ---- The page ------------------------------------------------------------------------------

CLocalNetworkParamsDlg::CLocalNetworkParamsDlg() : CRecordPage(u"Ethernet")
{
    using R = LocalNetworkParameters;
    BeginGroup(0, u"Address Configuration Method");
    CRadioButton& rNone = AddRadioButton(IDC_METHOD_NONE, u"None", kMethodGroup);
    CRadioButton& rDhcp = AddRadioButton(IDC_METHOD_DHCP, u"Automatic: DHCP Client", kMethodGroup);
    CRadioButton& rManual = AddRadioButton(IDC_METHOD_MANUAL, u"Manual", kMethodGroup);
    End();
    Bind().Radio(&R::eAddressConfigMethod, {{&rNone, AddressConfigMethod::Undefined},
                                            {&rDhcp, AddressConfigMethod::DHCP},
                                            {&rManual, AddressConfigMethod::Manual}});
    rNone.SetOnClick([this] { OnMethod(AddressConfigMethod::Undefined); });
    rDhcp.SetOnClick([this] { OnMethod(AddressConfigMethod::DHCP); });
    rManual.SetOnClick([this] { OnMethod(AddressConfigMethod::Manual); });

    BeginGroup(0, u"Manual Configuration");
    AddStaticNetworkFields(*this, Bind(), &R::staticConfiguration);
    BeginRow();
    AddStretch();
    AddButton(IDC_MORE_NETWORKS, u"More Networks").SetOnClick([this] { EditMoreNetworks(); });
    End();
    End();

    CCheckBox& rNatRouter = AddCheckBox(IDC_ENABLE_NAT_ROUTER, u"Enable NAT Router");
    rNatRouter.SetOnClick([this, &rNatRouter] {
        m_record.bEnableNATRouter = rNatRouter.IsChecked();
        const bool bRules =
            m_record.eAddressConfigMethod == AddressConfigMethod::Manual && m_record.bEnableNATRouter;
        EnableControls({IDC_FORWARDING_RULES, IDC_NAT_INTERFACE}, bRules);
    });
    Bind()
        .Check(rNatRouter, &R::bEnableNATRouter)
        .Check(*(m_pDhcpServer = &AddCheckBox(IDC_ENABLE_DHCP_SERVER, u"Enable DHCP Server")),
               &R::bEnableDHCPServer)
        .Check(AddCheckBox(IDC_ENABLE_VPN, u"Enable VPN"), &R::bEnableVPN);
    BeginRow();
    AddButton(IDC_FORWARDING_RULES, u"Forwarding Rules").SetOnClick([this] { EditForwardingRules(); });
    AddStretch();
    End();
    CDropDownList& rNatInterface = AddDropDownList(IDC_NAT_INTERFACE, u"NAT External Interface Type:");
    FillEnumList(rNatInterface, kNetworkInterfaceTypeTexts);
    Bind().ItemData(rNatInterface, &R::eNATExternalInterfaceType);
    AddStretch();
}

std::span<const SToolTip> CLocalNetworkParamsDlg::ToolTips() const
{
    static constexpr SToolTip kToolTips[] = {
        {IDC_METHOD_NONE, u"Do not use the Ethernet connection."},
        {IDC_METHOD_DHCP, u"Obtain an IP address automatically using the DHCP protocol."},
        {IDC_METHOD_MANUAL, u"Configure manual network parameters."},
        {IDC_HOST_ADDRESS, u"IP address of the device itself. Example: 192.168.2.3"},
        {IDC_SUBNET_MASK, u"Subnet mask of the network. Example: 255.255.0.0"},
        {IDC_BROADCAST_ADDRESS, u"Broadcast address of the network. Example: 192.168.255.255"},
        {IDC_SUBNET_ADDRESS, u"Subnet address of the network. Example: 192.168.0.0"},
        {IDC_GATEWAY_ADDRESS,
         u"Network gateway (router) IP address inside the network. Example: 192.168.0.1"},
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
    m_bVpnAvailable = root.FindChild(kConnectionParametersName) && HasVpnSection(root);
}

void CLocalNetworkParamsDlg::Enable(bool bEnable)
{
    ApplyEnabling(bEnable);
}

void CLocalNetworkParamsDlg::ApplyEnabling(bool bEnable)
{
    const bool bManual = bEnable && m_record.eAddressConfigMethod == AddressConfigMethod::Manual;
    const bool bAddressed = bEnable && m_record.eAddressConfigMethod != AddressConfigMethod::Undefined;
    EnableControls({IDC_METHOD_NONE, IDC_METHOD_DHCP, IDC_METHOD_MANUAL}, bEnable);
    EnableStaticNetworkFields(*this, bManual);
    EnableControls({IDC_ENABLE_NAT_ROUTER, IDC_ENABLE_DHCP_SERVER}, bManual);
    EnableControls({IDC_FORWARDING_RULES, IDC_NAT_INTERFACE}, bManual && m_record.bEnableNATRouter);
    EnableControls({IDC_MORE_NETWORKS}, bAddressed);
    EnableControls({IDC_ENABLE_VPN}, bAddressed && m_bVpnAvailable);
}

void CLocalNetworkParamsDlg::OnMethod(AddressConfigMethod eMethod)
{
    m_record.eAddressConfigMethod = eMethod;
    // Serving addresses on the LAN only makes sense with a fixed address of our own.
    if (eMethod != AddressConfigMethod::Manual)
        m_pDhcpServer->SetChecked(false);
    ApplyEnabling(true);
}

void CLocalNetworkParamsDlg::EditForwardingRules()
{
    kov::EditForwardingRules(*this, m_record.vForwardingRules);
}

void CLocalNetworkParamsDlg::EditMoreNetworks()
{
    std::vector<StaticNetworkConfiguration> vCopy = m_record.vStaticNetworkConfigurations;
    CMultipleNetworkParamsDlg dlg(vCopy);
    if (RunDialog(dlg) == EDlgResult::Ok)
        m_record.vStaticNetworkConfigurations = std::move(vCopy);
}

} // namespace kov
