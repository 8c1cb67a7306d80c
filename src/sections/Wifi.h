#pragma once
// Wi-Fi: the device's wireless LAN (whether it is used, the network name and pass phrase, whether
// the device joins a network or forms one) and the same network layer as the Ethernet page. The
// record lies in "kov:ConnectionParameters" / "kov:WiFi", its network layer in
// "kov:WiFi" / "kov:LocalNetworkParameters".
#include <cstdint>
#include <span>
#include <string>

#include "document/ValueTree.h"
#include "sections/Ethernet.h"
#include "sections/NetworkTypes.h"
#include "sections/RecordPage.h"

namespace kov {

enum class AccessPointRole : int32_t { Undefined = 0, Client = 1, Host = 2 };

inline constexpr EnumText kAccessPointRoleTexts[] = {
    {AccessPointRole::Undefined, u"Undefined"},
    {AccessPointRole::Client, u"Client"},
    {AccessPointRole::Host, u"Host"},
};

struct WiFi {
    bool bEnabled = false;
    std::u16string wszServiceSetIdentifier;
    std::u16string wszEncryptionPassPhrase; // in clear, as the device takes it
    AccessPointRole eAccessPointRole = AccessPointRole::Undefined;
    LocalNetworkParameters networkLayer;

    // Under the root. Reading fails with all defaults when "kov:ConnectionParameters" or
    // "kov:WiFi" is missing; a missing item or a role outside its table keeps that field's default
    // and fails the read while the rest, the network layer included, is still read.
    bool Exchange(NodeRef root, bool bStore);
};

class CWifiParamsDlg : public CRecordPage<WiFi>, public SLocalNetworkIds {
public:
    enum : int {
        IDC_ENABLE_WLAN = 1701,
        IDC_SSID = 1702,
        IDC_PASSPHRASE = 1703,
        IDC_ACCESS_POINT_ROLE = 1704,
    };

    CWifiParamsDlg();

    void Enable(bool bEnable) override;

    void EditForwardingRules() { m_network.EditForwardingRules(); }
    bool VpnAvailable() const { return m_network.VpnAvailable(); }

protected:
    std::span<const SToolTip> ToolTips() const override;
    void OnRecordShown() override;

private:
    // Declares the wireless LAN group, which stands above the network layer.
    CCheckBox& DeclareWirelessLan();
    void ApplyEnabling();

    bool m_bPageEnabled = false;
    // In layout order: the wireless LAN group first.
    CCheckBox& m_rEnable;
    CLocalNetworkPart m_network;
};

} // namespace kov
