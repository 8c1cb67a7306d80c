#include "sections/Wifi.h"

#include "document/Exchange.h"

namespace kov {

namespace {

constexpr char16_t kWiFiName[] = u"kov:WiFi";

// The Wi-Fi page has no room for the extra static networks, and a DHCP server keeps its tick
// whatever the address method.
constexpr SLocalNetworkPartStyle kWifiNetworkStyle{
    .bExtraNetworks = false, .bDhcpServerOnlyWhenManual = false, .bMethodsInARow = true};

} // namespace

bool WiFi::Exchange(NodeRef root, bool bStore)
{
    NodeRef section = root.FindOrCreateChild(kConnectionParametersName, kKovNamespaceUri, bStore)
                          .FindOrCreateChild(kWiFiName, kKovNamespaceUri, bStore);
    if (!section)
        return false;
    bool bAll = true;
    bAll &= ExchangeBoolAttribute(section, u"kov:Enable", bStore, bEnabled);
    bAll &= ExchangeTextElement(section, u"kov:ServiceSetIdentifier", bStore, wszServiceSetIdentifier);
    bAll &= ExchangeTextElement(section, u"kov:EncryptionPassPhrase", bStore, wszEncryptionPassPhrase);
    bAll &= ExchangeEnumAttribute(section, u"kov:AccessPointRole", kAccessPointRoleTexts, bStore,
                                  eAccessPointRole);
    bAll &= networkLayer.Exchange(section, bStore);
    return bAll;
}

// ---- The page ------------------------------------------------------------------------------

CWifiParamsDlg::CWifiParamsDlg()
    : CRecordPage(u"Wi-Fi"), m_rEnable(DeclareWirelessLan()),
      m_network(*this, Bind(), &WiFi::networkLayer, m_record.networkLayer, kWifiNetworkStyle)
{
    AddStretch();
    m_rEnable.SetOnClick([this] {
        m_record.bEnabled = m_rEnable.IsChecked();
        ApplyEnabling();
    });
}

CCheckBox& CWifiParamsDlg::DeclareWirelessLan()
{
    BeginGroup(0, u"Wireless LAN Parameters");
    CCheckBox& rEnable = AddCheckBox(IDC_ENABLE_WLAN, u"Enable Wireless LAN");
    CEdit& rSsid = AddEdit(IDC_SSID, u"Network Identifier:");
    CEdit& rPassPhrase = AddPasswordEdit(IDC_PASSPHRASE, u"Network Passphrase:");
    CDropDownList& rRole = AddDropDownList(IDC_ACCESS_POINT_ROLE, u"Access Point Role:");
    End();
    FillEnumList(rRole, kAccessPointRoleTexts);
    Bind()
        .Check(rEnable, &WiFi::bEnabled)
        .TrimmedText(rSsid, &WiFi::wszServiceSetIdentifier)
        .TrimmedText(rPassPhrase, &WiFi::wszEncryptionPassPhrase)
        .Position(rRole, &WiFi::eAccessPointRole);
    return rEnable;
}

std::span<const SToolTip> CWifiParamsDlg::ToolTips() const
{
    static constexpr SToolTip kOwnToolTips[] = {
        {IDC_ENABLE_WLAN, u"Use WiFi hardware."},
        {IDC_SSID, u"The wireless network name."},
        {IDC_PASSPHRASE, u"The password for accessing the network."},
        {IDC_ACCESS_POINT_ROLE, u"Select whether to join an existing wireless network or to form a new one."},
        {IDC_METHOD_NONE, u"Do not use the WiFi connection."},
        {IDC_NAMESERVER_ADDRESS, u"DNS server IP address. Example: 8.8.8.8"},
        {IDC_ENABLE_DHCP_SERVER,
         u"Provide IP addresses automatically to other devices in the WiFi network using the DHCP protocol."},
        {IDC_ENABLE_NAT_ROUTER,
         u"Translate IP addresses and forward traffic between WiFi and the cellular network."},
        {IDC_NAT_INTERFACE,
         u"Set external interface type for the NAT router to allow VPN sharing instead of WAN "
         u"with other WiFi devices."},
        {IDC_ENABLE_VPN, u"Enable setting up a VPN on top of the WiFi connection."},
    };
    static constexpr auto kToolTips = LocalNetworkToolTips(kOwnToolTips);
    return kToolTips;
}

void CWifiParamsDlg::OnRecordShown()
{
    // "Enable VPN" needs the VPN section in a document that has the wireless section.
    const NodeRef root = PageDocumentRoot(m_pHolder, false);
    m_network.SetVpnAvailable(root.FindChild(kConnectionParametersName).FindChild(kWiFiName) &&
                              HasVpnSection(root));
}

void CWifiParamsDlg::Enable(bool bEnable)
{
    m_bPageEnabled = bEnable;
    ApplyEnabling();
}

void CWifiParamsDlg::ApplyEnabling()
{
    const bool bOn = m_bPageEnabled && m_record.bEnabled;
    EnableControls({IDC_ENABLE_WLAN}, m_bPageEnabled);
    EnableControls({IDC_SSID, IDC_PASSPHRASE, IDC_ACCESS_POINT_ROLE}, bOn);
    m_network.ApplyEnabling(bOn);
}

} // namespace kov
