#include "sections/Modem.h"

#include "sections/NetworkTypes.h"

namespace kov {

bool RemoteAccessConnection::Exchange(NodeRef root, bool bStore)
{
    NodeRef connection = root.FindOrCreateChild(kConnectionParametersName, kKovNamespaceUri, bStore);
    NodeRef section = connection.FindOrCreateChild(kRemoteAccessConnectionName, kKovNamespaceUri, bStore);
    if (!section)
        return false;

    bool bAll = true;
    bAll &= ExchangeTextElement(section, u"kov:AccessPointName", bStore, wszAccessPointName);
    bAll &= ExchangeTextElement(section, u"kov:UserName", bStore, wszUserName);
    bAll &= ExchangeTextElement(section, u"kov:Password", bStore, wszPassword);
    bAll &= ExchangeTextElement(section, u"kov:ModemDialString", bStore, wszModemDialString);
    bAll &= ExchangeTextElement(section, u"kov:ModemCommand", bStore, wszModemCommand);
    bAll &= ExchangeIntAttribute(section, u"kov:CellRadTechPref", bStore, iCellRadTechPref);
    bAll &= ExchangeIntAttribute(section, u"kov:CellRatPref", bStore, iCellRatPref);
    bAll &= ExchangeBoolAttribute(section, u"kov:ModemDiagnostics", bStore, bModemDiagnostics);
    bAll &= ExchangeEnumElement(section, u"kov:PPPAuthenticationType", kPPPAuthenticationTypeTexts, bStore,
                                ePPPAuthenticationType);
    bAll &= ExchangeEnumElement(section, u"kov:ModemConfigMethod", kModemConfigMethodTexts, bStore,
                                eModemConfigMethod);
    bAll &= ExchangeEnumAttribute(section, u"kov:ModemInterfaceType", kModemInterfaceTypeTexts, bStore,
                                  eModemInterfaceType);
    // The VPN flag of the modem link sits beside the section, not in it.
    bAll &= ExchangeBoolAttribute(connection.FindOrCreateChild(u"kov:VPNParams", kKovNamespaceUri, bStore),
                                  u"kov:Enable", bStore, bEnableVPN);
    bAll &= ExchangeBoolAttribute(section.FindOrCreateChild(u"kov:Roaming", kKovNamespaceUri, bStore),
                                  u"kov:Enable", bStore, bEnableRoaming);
    return bAll;
}

// ---- Cellular Radio Technology Preference --------------------------------------------------

CCellRadTechPrefDlg::CCellRadTechPrefDlg(std::u16string wszTitle, std::span<const char16_t* const> names,
                                         int32_t iMask)
    : CDialog(std::move(wszTitle)), m_names(names), m_iMask(iMask), m_rList(AddListView(IDC_PREF_LIST))
{
    m_rList.SetCheckBoxes(true).AddColumn(u"Name", 150);
    m_rList.SetAccessibleName(Title());
    m_rList.SetOnRowChecked([this](int iRow) {
        const uint32_t dwBit = 1u << iRow;
        const uint32_t dwMask = static_cast<uint32_t>(m_iMask);
        m_iMask = static_cast<int32_t>(m_rList.IsRowChecked(iRow) ? dwMask | dwBit : dwMask & ~dwBit);
    });
    AddOkCancel();
}

uint32_t CCellRadTechPrefDlg::AllNamesMask() const
{
    return m_names.size() >= 32 ? ~0u : (1u << m_names.size()) - 1;
}

void CCellRadTechPrefDlg::OnInitialise()
{
    // No preference shows as every name allowed.
    if (m_iMask <= 0)
        m_iMask = static_cast<int32_t>(AllNamesMask());
    m_rList.DeleteAllRows();
    for (size_t i = 0; i < m_names.size() && i < 32; ++i) {
        const int iRow = m_rList.AddRow({m_names[i]});
        m_rList.SetRowChecked(iRow, (static_cast<uint32_t>(m_iMask) >> i & 1u) != 0);
    }
}

bool CCellRadTechPrefDlg::OnOk()
{
    // Every name allowed is the same as no preference. Bits beyond the names are the device's
    // own and stay.
    const uint32_t dwAll = AllNamesMask();
    if ((static_cast<uint32_t>(m_iMask) & dwAll) == dwAll)
        m_iMask = 0;
    return true;
}

// ---- Additional Modem Commands -------------------------------------------------------------

CExtraModemCommandsEditorDlg::CExtraModemCommandsEditorDlg(std::u16string wszText)
    : CDialog(u"Additional Modem Commands"), m_wszText(std::move(wszText)),
      m_rEdit(AddMultiLineEdit(IDC_COMMANDS, {}))
{
    m_rEdit.SetAccessibleName(u"Extra Command:");
    AddOkCancel();
}

void CExtraModemCommandsEditorDlg::OnInitialise()
{
    m_rEdit.SetText(m_wszText);
}

bool CExtraModemCommandsEditorDlg::OnOk()
{
    m_wszText = m_rEdit.Text();
    return true;
}

// ---- The page ------------------------------------------------------------------------------

CModemParamsDlg::CModemParamsDlg() : CRecordPage(u"Modem")
{
    using R = RemoteAccessConnection;
    BeginGroup(0, u"Modem Configuration");
    CRadioButton& rNone = AddRadioButton(IDC_METHOD_NONE, u"None", kMethodGroup);
    CRadioButton& rManual = AddRadioButton(IDC_METHOD_MANUAL, u"Manual", kMethodGroup);
    CRadioButton& rAutomatic = AddRadioButton(IDC_METHOD_AUTOMATIC, u"Automatic", kMethodGroup);
    CDropDownList& rInterface = AddDropDownList(IDC_INTERFACE, u"Interface:");
    End();
    FillEnumList(rInterface, kModemInterfaceTypeTexts);
    Bind()
        .Radio(&R::eModemConfigMethod, {{&rNone, ModemConfigMethod::None},
                                        {&rManual, ModemConfigMethod::Manual},
                                        {&rAutomatic, ModemConfigMethod::Automatic}})
        .Position(rInterface, &R::eModemInterfaceType);
    rNone.SetOnClick([this] { OnMethod(ModemConfigMethod::None); });
    rManual.SetOnClick([this] { OnMethod(ModemConfigMethod::Manual); });
    rAutomatic.SetOnClick([this] { OnMethod(ModemConfigMethod::Automatic); });

    BeginGroup(0, u"Modem Parameters");
    Bind()
        .TrimmedText(AddEdit(IDC_DIAL_STRING, u"Dial String:"), &R::wszModemDialString)
        .TrimmedText(AddEdit(IDC_APN, u"APN:"), &R::wszAccessPointName)
        .TrimmedText(AddEdit(IDC_USER_NAME, u"User Name:"), &R::wszUserName)
        .TrimmedText(AddEdit(IDC_PASSWORD, u"Password:"), &R::wszPassword);
    CDropDownList& rAuthentication = AddDropDownList(IDC_AUTHENTICATION, u"Authentication:");
    FillEnumList(rAuthentication, kPPPAuthenticationTypeTexts);
    Bind().ItemData(rAuthentication, &R::ePPPAuthenticationType);
    BeginRow();
    m_pExtraCommand = &AddMultiLineEdit(IDC_EXTRA_COMMAND, u"Extra Command:");
    BeginColumn();
    AddButton(IDC_EXTRA_EDITOR, u"+").SetOnClick([this] { EditExtraCommands(); });
    AddStretch();
    End();
    End();
    // Extra commands go to the modem as typed, surrounding line breaks included.
    Bind().Text(*m_pExtraCommand, &R::wszModemCommand);
    AddPreference(m_radioTechnology, IDC_RADIO_TECH, u"Radio Technology", IDC_RADIO_TECH_SET);
    AddPreference(m_radioAccessTechnology, IDC_RADIO_ACCESS_TECH, u"Radio Access Technology",
                  IDC_RADIO_ACCESS_TECH_SET);
    End();

    Bind()
        .Check(AddCheckBox(IDC_ENABLE_ROAMING, u"Enable Roaming"), &R::bEnableRoaming)
        .Check(AddCheckBox(IDC_ENABLE_VPN, u"Enable VPN"), &R::bEnableVPN)
        .Check(AddCheckBox(IDC_DIAGNOSTICS, u"Diagnostics"), &R::bModemDiagnostics);
}

void CModemParamsDlg::AddPreference(SPreference& rPref, int iCheckId, const char16_t* wszLabel, int iSetId)
{
    BeginRow();
    rPref.pCheck = &AddCheckBox(iCheckId, wszLabel);
    rPref.pSet = &AddButton(iSetId, u"Set");
    End();
    rPref.pCheck->SetOnClick([this, &rPref] { OnPreferenceTicked(rPref); });
    rPref.pSet->SetOnClick([this, &rPref] { EditPreference(rPref); });
    // The box shows whether there is a preference; the mask itself lives in the record.
    Bind().Custom(
        [&rPref](const RemoteAccessConnection& r) { rPref.pCheck->SetChecked(r.*rPref.pMask != 0); },
        [](RemoteAccessConnection&) {});
}

std::span<const SToolTip> CModemParamsDlg::ToolTips() const
{
    static constexpr SToolTip kToolTips[] = {
        {IDC_METHOD_NONE, u"Do not connect using the modem."},
        {IDC_METHOD_MANUAL, u"Configure the modem with special parameters."},
        {IDC_METHOD_AUTOMATIC, u"Use the modem to connect to the internet automatically."},
        {IDC_INTERFACE, u"Select preferred software interface for use with the modem."},
        {IDC_DIAL_STRING, u"Dial string for data. It is *99# or *99***1# for GSM. Not used modern modems."},
        {IDC_APN, u"The access point name. This is specific for the selected cellular provider."},
        {IDC_USER_NAME, u"The user name. This is specific for the cellular provider and the access point."},
        {IDC_PASSWORD,
         u"The password. This is specific for the cellular provider, the access point and user name."},
        {IDC_AUTHENTICATION,
         u"The authentication type. This is specific for the cellular provider and the access point."},
        {IDC_EXTRA_COMMAND, u"Extra initialization AT-commands when the modem starts up."},
        {IDC_RADIO_TECH, u"Select specific radio technologies to be used and prevent others."},
        {IDC_RADIO_ACCESS_TECH, u"Select specific radio access technologies to be used and prevent others."},
        {IDC_ENABLE_ROAMING, u"Enable or disable data roaming."},
        {IDC_ENABLE_VPN, u"Enable setting up a VPN on top of the modem data connection."},
        {IDC_DIAGNOSTICS, u"Collect diagnostic log files from the modem to send the modem's manufacturer."},
    };
    return kToolTips;
}

void CModemParamsDlg::OnRecordShown()
{
    // "Enable VPN" needs the VPN section in the loaded document.
    const NodeRef root = PageDocumentRoot(m_pHolder, false);
    m_bVpnAvailable = root.FindChild(kConnectionParametersName).FindChild(kRemoteAccessConnectionName) &&
                      HasVpnSection(root);
}

void CModemParamsDlg::Enable(bool bEnable)
{
    ApplyEnabling(bEnable);
}

void CModemParamsDlg::ApplyEnabling(bool bEnable)
{
    const bool bManual = bEnable && m_record.eModemConfigMethod == ModemConfigMethod::Manual;
    const bool bLinked = bEnable && m_record.eModemConfigMethod != ModemConfigMethod::None;
    EnableControls({IDC_METHOD_NONE, IDC_METHOD_MANUAL, IDC_METHOD_AUTOMATIC}, bEnable);
    EnableControls({IDC_AUTHENTICATION, IDC_DIAL_STRING, IDC_APN, IDC_USER_NAME, IDC_PASSWORD,
                    IDC_EXTRA_COMMAND, IDC_EXTRA_EDITOR, IDC_RADIO_TECH, IDC_RADIO_ACCESS_TECH},
                   bManual);
    for (const SPreference* pPref : {&m_radioTechnology, &m_radioAccessTechnology})
        pPref->pSet->SetEnabled(bManual && m_record.*pPref->pMask != 0);
    EnableControls({IDC_INTERFACE, IDC_ENABLE_ROAMING, IDC_DIAGNOSTICS}, bLinked);
    EnableControls({IDC_ENABLE_VPN}, bLinked && m_bVpnAvailable);
}

void CModemParamsDlg::OnMethod(ModemConfigMethod eMethod)
{
    m_record.eModemConfigMethod = eMethod;
    ApplyEnabling(true);
}

void CModemParamsDlg::OnPreferenceTicked(SPreference& rPref)
{
    if (rPref.pCheck->IsChecked()) {
        EditPreference(rPref);
        return;
    }
    m_record.*rPref.pMask = 0;
    rPref.pSet->SetEnabled(false);
}

void CModemParamsDlg::EditPreference(SPreference& rPref)
{
    CCellRadTechPrefDlg dlg(rPref.wszTitle, rPref.names, m_record.*rPref.pMask);
    // Cancel changes nothing, not even a box just ticked: Store takes the mask, not the tick.
    if (RunDialog(dlg) != EDlgResult::Ok)
        return;
    m_record.*rPref.pMask = dlg.Mask();
    rPref.pCheck->SetChecked(dlg.Mask() != 0);
    rPref.pSet->SetEnabled(dlg.Mask() != 0);
}

void CModemParamsDlg::EditExtraCommands()
{
    CExtraModemCommandsEditorDlg dlg(m_pExtraCommand->Text());
    if (RunDialog(dlg) == EDlgResult::Ok)
        m_pExtraCommand->SetText(dlg.Text());
}

} // namespace kov
