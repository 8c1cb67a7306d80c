#pragma once
// VPN: which of the VPN types the device offers it uses, the server's external address, bridge
// or routing, compression and transport, and the security material (certificate, private key,
// CA certificate, authentication) or instead a whole configuration file. The record lies in
// "kov:VPNParams" directly under the root; that element's presence is also what tells the link
// pages that the device supports a VPN.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "document/Exchange.h"
#include "document/ValueTree.h"
#include "sections/NetworkTypes.h"
#include "sections/RecordPage.h"

namespace kov {

enum class VpnCompression : int32_t { Undefined = 0, Default = 1, No = 2, Yes = 3 };

inline constexpr EnumText kVpnCompressionTexts[] = {
    {VpnCompression::Undefined, u"Undefined"},
    {VpnCompression::Default, u"Default"},
    {VpnCompression::No, u"No"},
    {VpnCompression::Yes, u"Yes"},
};

struct VPNParams {
    bool bCertificateEnabled = false;
    bool bPrivateKeyEnabled = false;
    bool bCACertificateEnabled = false;
    bool bRoutingNetwork = false; // false: bridge into an existing network
    bool bAuthenticationEnabled = false;
    bool bUseConfigurationFile = false;
    std::u16string wszVPNType; // one of the offered names, empty for none
    std::u16string wszServerAddress;
    std::u16string wszCertificate; // PEM
    std::u16string wszPrivateKey;
    std::u16string wszCACertificate; // PEM
    std::u16string wszAuthentication;
    std::u16string wszConfigurationFile;
    VpnCompression eCompression = VpnCompression::Undefined;
    TransportProtocol eTransportProtocol = TransportProtocol::Any;
    std::vector<std::u16string> vOfferedTypes; // as the device offers them, not edited

    // Under the root. Reading fails, with the record untouched, without "kov:VPNParams"; a
    // missing element or attribute, or a text outside its table, keeps that field's default and
    // fails the read while the rest is still read.
    bool Exchange(NodeRef root, bool bStore);
};

// The text from its "-----BEGIN CERTIFICATE-----" line (when that starts a line) to the line
// feed after "-----END CERTIFICATE-----"; text without the markers stays whole.
std::u16string CutToPemBlock(std::u16string_view wszText);

// "VPN Security": the four kinds of security material, each switched on by its check box and
// typed or taken from a file. It edits the page's record itself: a check box counts at once
// (Cancel does not undo it); the texts only after OK.
class CVPNAuthenticationDlg : public CRecordDialog<VPNParams> {
public:
    enum : int {
        IDC_CERTIFICATE = 1921,
        IDC_CERTIFICATE_TEXT = 1922,
        IDC_CERTIFICATE_FILE = 1923,
        IDC_PRIVATE_KEY = 1924,
        IDC_PRIVATE_KEY_TEXT = 1925,
        IDC_PRIVATE_KEY_FILE = 1926,
        IDC_CA_CERTIFICATE = 1927,
        IDC_CA_CERTIFICATE_TEXT = 1928,
        IDC_CA_CERTIFICATE_FILE = 1929,
        IDC_AUTHENTICATION = 1930,
        IDC_AUTHENTICATION_TEXT = 1931,
        IDC_AUTHENTICATION_FILE = 1932,
    };

    explicit CVPNAuthenticationDlg(VPNParams& rParams);

protected:
    void OnEntryShown() override;

private:
    // One kind of material: its flag and text in the record, and how its files are chosen.
    struct SMaterial {
        int iCheckId; // the edit and the "From File" button take the next two ids
        const char16_t* wszLabel;
        bool VPNParams::*pEnabled;
        std::u16string VPNParams::*pText;
        const char16_t* wszFilter;
        const char16_t* wszDefaultExt;
        const char16_t* wszInitialName;
        bool bPemOnly; // a certificate file's text is cut to its PEM block
    };
    struct SSection {
        const SMaterial* pMaterial = nullptr;
        CCheckBox* pCheck = nullptr;
        CEdit* pText = nullptr;
        CButton* pFromFile = nullptr;
    };
    static const SMaterial kMaterials[4];

    void FollowCheck(const SSection& section);
    void FromFile(const SSection& section);

    VPNParams& m_rParams;
    SSection m_aSections[4];
};

class CVPNParamsDlg : public CRecordPage<VPNParams> {
public:
    enum : int {
        IDC_VPN_TYPE = 1901,
        IDC_USE_CONFIGURATION_FILE = 1902,
        IDC_EDIT_CONFIGURATION_FILE = 1903,
        IDC_EXTERNAL_ADDRESS = 1904,
        IDC_BRIDGE = 1905,
        IDC_TUNNEL = 1906,
        IDC_COMPRESSION = 1907,
        IDC_TRANSPORT = 1908,
        IDC_SECURITY = 1909,
    };
    static constexpr int kNetworkGroup = 1;

    CVPNParamsDlg();

    void Enable(bool bEnable) override;

    // "Security": "VPN Security" on the record itself.
    void EditSecurity();
    // "Edit": the configuration file in the text editor; kept after OK.
    void EditConfigurationFile();

protected:
    std::span<const SToolTip> ToolTips() const override;

private:
    void ShowTypes(const VPNParams& record);
    void OnTypeChosen();
    void ApplyEnabling(bool bEnable);

    CDropDownList* m_pType = nullptr;
    std::u16string m_wszConfigurationFilePath; // where the editor's file dialogs start
};

} // namespace kov
