#pragma once
// Modem: whether and how the device configures its cellular modem (method, software interface,
// PPP dial parameters, extra AT commands, radio technology preferences, roaming, diagnostics)
// and whether a VPN runs over the modem link. The record lies in "kov:ConnectionParameters" /
// "kov:RemoteAccessConnection"; the VPN flag in "kov:ConnectionParameters" / "kov:VPNParams".
#include <cstdint>
#include <span>
#include <string>

#include "document/Exchange.h"
#include "document/ValueTree.h"
#include "form/Dialog.h"
#include "sections/RecordPage.h"

namespace kov {

enum class ModemConfigMethod : int32_t { None = 0, Manual = 1, Automatic = 2 };

inline constexpr EnumText kModemConfigMethodTexts[] = {
    {ModemConfigMethod::None, u"None"},
    {ModemConfigMethod::Manual, u"Manual"},
    {ModemConfigMethod::Automatic, u"Automatic"},
};

enum class PPPAuthenticationType : int32_t { None = 0, Any = 1, PAP = 2, CHAP = 3 };

inline constexpr EnumText kPPPAuthenticationTypeTexts[] = {
    {PPPAuthenticationType::None, u"None"},
    {PPPAuthenticationType::Any, u"Any"},
    {PPPAuthenticationType::PAP, u"PAP"},
    {PPPAuthenticationType::CHAP, u"CHAP"},
};

enum class ModemInterfaceType : int32_t { Default = 0, AtPpp = 1, Qmi = 2 };

inline constexpr EnumText kModemInterfaceTypeTexts[] = {
    {ModemInterfaceType::Default, u"Default"},
    {ModemInterfaceType::AtPpp, u"AT+PPP"},
    {ModemInterfaceType::Qmi, u"QMI"},
};

// Bit i of a preference mask stands for the name at position i; a mask of 0 means no
// preference (every technology may be used).
inline constexpr const char16_t* kRadioTechnologyNames[] = {
    u"3GPP2", u"3GPP", u"AMPS_OR_GSM", u"CDMA_OR_WCDMA", u"HDR", u"LTE",
};
inline constexpr const char16_t* kRadioAccessTechnologyNames[] = {
    u"CDMA_1X", u"CDMA_1XEVDO", u"GSM", u"UMTS", u"LTE", u"TD_SCDMA",
};

// The modem's element under "kov:ConnectionParameters", shared with the SMS page.
inline constexpr char16_t kRemoteAccessConnectionName[] = u"kov:RemoteAccessConnection";

struct RemoteAccessConnection {
    std::u16string wszAccessPointName;
    std::u16string wszUserName;
    std::u16string wszPassword;
    std::u16string wszModemDialString;
    std::u16string wszModemCommand; // lines separated by "\r\n", taken as typed
    PPPAuthenticationType ePPPAuthenticationType = PPPAuthenticationType::None;
    ModemConfigMethod eModemConfigMethod = ModemConfigMethod::None;
    ModemInterfaceType eModemInterfaceType = ModemInterfaceType::Default;
    int32_t iCellRadTechPref = 0; // over kRadioTechnologyNames
    int32_t iCellRatPref = 0;     // over kRadioAccessTechnologyNames
    bool bEnableVPN = false;      // VPN over the modem link
    bool bEnableRoaming = false;
    bool bModemDiagnostics = false;

    // Under the root. Reading fails, with the record untouched, without "kov:ConnectionParameters"
    // or "kov:RemoteAccessConnection"; a missing item or a text outside its table keeps that
    // field's default and fails the read while the rest is still read.
    bool Exchange(NodeRef root, bool bStore);
};

// "Set Radio Technology Preference" / "Set Radio Access Technology Preference": a bit mask over
// a list of names, one ticked row per set bit.
class CCellRadTechPrefDlg : public CDialog {
public:
    enum : int { IDC_PREF_LIST = 1751 };

    CCellRadTechPrefDlg(std::u16string wszTitle, std::span<const char16_t* const> names, int32_t iMask);

    // After OK: the chosen mask, 0 when every name (or none) is ticked.
    int32_t Mask() const { return m_iMask; }

protected:
    void OnInitialise() override;
    bool OnOk() override;

private:
    uint32_t AllNamesMask() const;

    std::span<const char16_t* const> m_names;
    int32_t m_iMask;
    CListView& m_rList;
};

// "Additional Modem Commands": the extra commands in a larger editor.
class CExtraModemCommandsEditorDlg : public CDialog {
public:
    enum : int { IDC_COMMANDS = 1761 };

    explicit CExtraModemCommandsEditorDlg(std::u16string wszText);

    // After OK: the edited text.
    const std::u16string& Text() const { return m_wszText; }

protected:
    void OnInitialise() override;
    bool OnOk() override;

private:
    std::u16string m_wszText;
    CEdit& m_rEdit;
};

class CModemParamsDlg : public CRecordPage<RemoteAccessConnection> {
public:
    enum : int {
        IDC_METHOD_NONE = 1701,
        IDC_METHOD_MANUAL = 1702,
        IDC_METHOD_AUTOMATIC = 1703,
        IDC_INTERFACE = 1704,
        IDC_DIAL_STRING = 1710,
        IDC_APN = 1711,
        IDC_USER_NAME = 1712,
        IDC_PASSWORD = 1713,
        IDC_AUTHENTICATION = 1714,
        IDC_EXTRA_COMMAND = 1715,
        IDC_EXTRA_EDITOR = 1716,
        IDC_RADIO_TECH = 1720,
        IDC_RADIO_TECH_SET = 1721,
        IDC_RADIO_ACCESS_TECH = 1722,
        IDC_RADIO_ACCESS_TECH_SET = 1723,
        IDC_ENABLE_ROAMING = 1730,
        IDC_ENABLE_VPN = 1731,
        IDC_DIAGNOSTICS = 1732,
    };
    static constexpr int kMethodGroup = 1;

    CModemParamsDlg();

    void Enable(bool bEnable) override;

    bool VpnAvailable() const { return m_bVpnAvailable; }

protected:
    std::span<const SToolTip> ToolTips() const override;
    void OnRecordShown() override;

private:
    // One of the two preference masks with its check box and "Set" button.
    struct SPreference {
        int32_t RemoteAccessConnection::*pMask;
        const char16_t* wszTitle;
        std::span<const char16_t* const> names;
        CCheckBox* pCheck = nullptr;
        CButton* pSet = nullptr;
    };

    void AddPreference(SPreference& rPref, int iCheckId, const char16_t* wszLabel, int iSetId);
    void ApplyEnabling(bool bEnable);
    void OnMethod(ModemConfigMethod eMethod);
    void OnPreferenceTicked(SPreference& rPref);
    void EditPreference(SPreference& rPref);
    void EditExtraCommands();

    SPreference m_radioTechnology{&RemoteAccessConnection::iCellRadTechPref,
                                  u"Set Radio Technology Preference", kRadioTechnologyNames};
    SPreference m_radioAccessTechnology{&RemoteAccessConnection::iCellRatPref,
                                        u"Set Radio Access Technology Preference",
                                        kRadioAccessTechnologyNames};
    CEdit* m_pExtraCommand = nullptr;
    bool m_bVpnAvailable = false;
};

} // namespace kov
