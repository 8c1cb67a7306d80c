#include "sections/Vpn.h"

#include <iterator>
#include <optional>

#include "document/FileAccess.h"
#include "sections/TextEditDlg.h"
#include "support/Format.h"

namespace kov {

namespace {

// An element whose "kov:Enable" attribute holds the flag and whose text holds the material.
bool ExchangeEnabledText(NodeRef section, std::u16string_view wszName, bool bStore, bool& bEnabled,
                         std::u16string& wszText)
{
    NodeRef element = section.FindOrCreateChild(wszName, kKovNamespaceUri, bStore);
    if (!element)
        return false;
    const bool bFlag = ExchangeBoolAttribute(element, u"kov:Enable", bStore, bEnabled);
    if (bStore)
        element.SetText(wszText);
    else
        wszText = element.Text();
    return bFlag;
}

constexpr char16_t kCertificateFilter[] =
    u"Certificate files (*.crt)|*.crt|Certificate files (*.cert)|*.cert|All Files (*.*)|*.*|";

} // namespace

bool VPNParams::Exchange(NodeRef root, bool bStore)
{
    NodeRef section = root.FindOrCreateChild(u"kov:VPNParams", kKovNamespaceUri, bStore);
    if (!section)
        return false;

    bool bAll = true;
    // The offered names are the device's: written back as read, and without the erase mark.
    NodeRef types = section.FindOrCreateChild(u"kov:VPNTypes", kKovNamespaceUri, bStore);
    if (types) {
        ExchangeList(types, u"kov:VPNType", kKovNamespaceUri, bStore, vOfferedTypes,
                     [](std::u16string& wszName, NodeRef item, bool bStoreItem) {
                         ExchangeTextAttribute(item, u"kov:Name", bStoreItem, wszName);
                         return true;
                     });
    } else {
        bAll = false;
    }
    bAll &= ExchangeTextAttribute(section, u"kov:VPNType", bStore, wszVPNType);
    bAll &= ExchangeBoolAttribute(section.FindOrCreateChild(u"kov:RoutingNetwork", kKovNamespaceUri, bStore),
                                  u"kov:Enable", bStore, bRoutingNetwork);
    bAll &= ExchangeTextElement(section, u"kov:ServerAddress", bStore, wszServerAddress);
    bAll &= ExchangeEnabledText(section, u"kov:Certificate", bStore, bCertificateEnabled, wszCertificate);
    bAll &= ExchangeEnumAttribute(section.FindOrCreateChild(u"kov:Compression", kKovNamespaceUri, bStore),
                                  u"kov:Enable", kVpnCompressionTexts, bStore, eCompression);
    bAll &= ExchangeEnabledText(section, u"kov:PrivateKey", bStore, bPrivateKeyEnabled, wszPrivateKey);
    bAll &=
        ExchangeEnabledText(section, u"kov:CACertificate", bStore, bCACertificateEnabled, wszCACertificate);
    bAll &= ExchangeEnabledText(section, u"kov:Authentication", bStore, bAuthenticationEnabled,
                                wszAuthentication);
    bAll &= ExchangeEnabledText(section, u"kov:ConfigurationFile", bStore, bUseConfigurationFile,
                                wszConfigurationFile);
    bAll &= ExchangeEnumAttribute(section, u"kov:TransportProtocol", kTransportProtocolTexts, bStore,
                                  eTransportProtocol);
    return bAll;
}

std::u16string CutToPemBlock(std::u16string_view wszText)
{
    constexpr std::u16string_view kBegin = u"-----BEGIN CERTIFICATE-----";
    constexpr std::u16string_view kEnd = u"-----END CERTIFICATE-----\n";
    std::u16string wszBlock(wszText);
    const size_t iBegin = wszBlock.find(kBegin);
    if (iBegin != std::u16string::npos && iBegin > 0 && wszBlock[iBegin - 1] == u'\n')
        wszBlock.erase(0, iBegin);
    const size_t iEnd = wszBlock.find(kEnd);
    if (iEnd != std::u16string::npos)
        wszBlock.erase(iEnd + kEnd.size());
    return wszBlock;
}

// ---- VPN Security --------------------------------------------------------------------------

const CVPNAuthenticationDlg::SMaterial CVPNAuthenticationDlg::kMaterials[4] = {
    {IDC_CERTIFICATE, u"Certificate", &VPNParams::bCertificateEnabled, &VPNParams::wszCertificate,
     kCertificateFilter, u"crt", u"", true},
    {IDC_PRIVATE_KEY, u"Private Key", &VPNParams::bPrivateKeyEnabled, &VPNParams::wszPrivateKey,
     u"Private keys (*.key)|*.key|All Files (*.*)|*.*|", u"key", u"", false},
    {IDC_CA_CERTIFICATE, u"Certification Authority Certificate", &VPNParams::bCACertificateEnabled,
     &VPNParams::wszCACertificate, kCertificateFilter, u"crt", u"ca.crt", true},
    {IDC_AUTHENTICATION, u"Authentication", &VPNParams::bAuthenticationEnabled, &VPNParams::wszAuthentication,
     u"All Files (*.*)|*.*|", u"", u"", false},
};

CVPNAuthenticationDlg::CVPNAuthenticationDlg(VPNParams& rParams)
    : CRecordDialog(u"VPN Security", rParams), m_rParams(rParams)
{
    for (size_t i = 0; i < std::size(kMaterials); ++i) {
        const SMaterial& material = kMaterials[i];
        SSection& section = m_aSections[i];
        section.pMaterial = &material;
        section.pCheck = &AddCheckBox(material.iCheckId, material.wszLabel);
        BeginRow();
        section.pText = &AddMultiLineEdit(material.iCheckId + 1, {});
        BeginColumn();
        section.pFromFile = &AddButton(material.iCheckId + 2, u"From File");
        AddStretch();
        End();
        End();
        // The edit has no label of its own: its check box names it.
        section.pText->SetAccessibleName(material.wszLabel);
        section.pCheck->SetOnClick([this, &section] {
            m_rParams.*section.pMaterial->pEnabled = section.pCheck->IsChecked();
            FollowCheck(section);
        });
        section.pFromFile->SetOnClick([this, &section] { FromFile(section); });
        // The flags are the record's own from the moment they are clicked; OK takes the texts.
        Bind()
            .Custom([&section](
                        const VPNParams& r) { section.pCheck->SetChecked(r.*section.pMaterial->pEnabled); },
                    [](VPNParams&) {})
            .Text(*section.pText, material.pText);
    }
    AddOkCancel();
}

void CVPNAuthenticationDlg::OnEntryShown()
{
    for (const SSection& section : m_aSections)
        FollowCheck(section);
}

void CVPNAuthenticationDlg::FollowCheck(const SSection& section)
{
    const bool bEnabled = section.pCheck->IsChecked();
    section.pText->SetEnabled(bEnabled);
    section.pFromFile->SetEnabled(bEnabled);
}

void CVPNAuthenticationDlg::FromFile(const SSection& section)
{
    SFileDialogOptions options;
    options.wszFilter = section.pMaterial->wszFilter;
    options.wszDefaultExt = section.pMaterial->wszDefaultExt;
    options.wszInitialPath = section.pMaterial->wszInitialName;
    options.bMustExist = true;
    const std::optional<std::u16string> oPath = OpenFileDialog(options);
    std::u16string wszText;
    // A file that is not readable text leaves the field as it was, without a message.
    if (!oPath || !ReadTextFile(*oPath, wszText))
        return;
    section.pText->SetText(section.pMaterial->bPemOnly ? CutToPemBlock(wszText) : std::move(wszText));
}

// ---- The page ------------------------------------------------------------------------------

CVPNParamsDlg::CVPNParamsDlg() : CRecordPage(u"VPN")
{
    using R = VPNParams;
    m_pType = &AddDropDownList(IDC_VPN_TYPE, u"VPN Type:");
    m_pType->SetOnChange([this] { OnTypeChosen(); });
    Bind().Custom([this](const R& r) { ShowTypes(r); }, [](R&) {});

    BeginRow();
    CCheckBox& rUseFile = AddCheckBox(IDC_USE_CONFIGURATION_FILE, u"Use configuration file");
    AddButton(IDC_EDIT_CONFIGURATION_FILE, u"Edit").SetOnClick([this] { EditConfigurationFile(); });
    End();
    rUseFile.SetOnClick([this, &rUseFile] {
        m_record.bUseConfigurationFile = rUseFile.IsChecked();
        ApplyEnabling(true);
    });

    CEdit& rAddress = AddEdit(IDC_EXTERNAL_ADDRESS, u"External Address:");
    CRadioButton& rBridge = AddRadioButton(IDC_BRIDGE, u"Existing Network (bridge)", kNetworkGroup);
    CRadioButton& rTunnel = AddRadioButton(IDC_TUNNEL, u"Routing Network (tunnel)", kNetworkGroup);
    rBridge.SetOnClick([this] { m_record.bRoutingNetwork = false; });
    rTunnel.SetOnClick([this] { m_record.bRoutingNetwork = true; });
    CDropDownList& rCompression = AddDropDownList(IDC_COMPRESSION, u"Compression:");
    FillEnumList(rCompression, kVpnCompressionTexts);
    CDropDownList& rTransport = AddDropDownList(IDC_TRANSPORT, u"Transport:");
    FillEnumList(rTransport, kTransportProtocolTexts);
    BeginRow();
    AddButton(IDC_SECURITY, u"Security").SetOnClick([this] { EditSecurity(); });
    End();

    Bind()
        .Check(rUseFile, &R::bUseConfigurationFile)
        .Text(rAddress, &R::wszServerAddress)
        .Radio(&R::bRoutingNetwork, {{&rBridge, false}, {&rTunnel, true}})
        .ItemData(rCompression, &R::eCompression)
        .ItemData(rTransport, &R::eTransportProtocol);
}

std::span<const SToolTip> CVPNParamsDlg::ToolTips() const
{
    static constexpr SToolTip kToolTips[] = {
        {IDC_VPN_TYPE, u"Select type of VPN to use."},
        {IDC_USE_CONFIGURATION_FILE, u"Use a configuration file to define the VPN parameters."},
        {IDC_EXTERNAL_ADDRESS, u"IP address of the VPN server outside of the VPN."},
        {IDC_BRIDGE, u"Physical connection is used as a bridge to an existing VPN."},
        {IDC_TUNNEL, u"Physical connection is a routing network."},
        {IDC_COMPRESSION, u"Compression option"},
        {IDC_TRANSPORT, u"Transport protocol to use."},
        {IDC_SECURITY, u"Configure the authentication of the client and server of the VPN."},
    };
    return kToolTips;
}

void CVPNParamsDlg::ShowTypes(const VPNParams& record)
{
    m_pType->DeleteAllItems();
    m_pType->AddItem(u"None");
    int iSelection = record.wszVPNType.empty() ? 0 : -1;
    for (const std::u16string& wszName : record.vOfferedTypes) {
        const int iItem = m_pType->AddItem(wszName);
        if (iSelection < 0 && !record.wszVPNType.empty() &&
            CompareNoCaseAscii(wszName, record.wszVPNType) == 0)
            iSelection = iItem;
    }
    // A type the device does not offer is kept, with nothing selected.
    m_pType->SetSelection(iSelection);
}

void CVPNParamsDlg::OnTypeChosen()
{
    const int iItem = m_pType->Selection();
    const size_t iOffered = iItem > 0 ? static_cast<size_t>(iItem - 1) : m_record.vOfferedTypes.size();
    m_record.wszVPNType = iOffered < m_record.vOfferedTypes.size() ? m_record.vOfferedTypes[iOffered] : u"";
    ApplyEnabling(true);
}

void CVPNParamsDlg::Enable(bool bEnable)
{
    ApplyEnabling(bEnable);
}

void CVPNParamsDlg::ApplyEnabling(bool bEnable)
{
    const bool bTyped = bEnable && !m_record.wszVPNType.empty();
    EnableControls({IDC_VPN_TYPE}, bEnable);
    EnableControls({IDC_USE_CONFIGURATION_FILE}, bTyped);
    EnableControls(
        {IDC_EXTERNAL_ADDRESS, IDC_BRIDGE, IDC_TUNNEL, IDC_COMPRESSION, IDC_TRANSPORT, IDC_SECURITY},
        bTyped && !m_record.bUseConfigurationFile);
    EnableControls({IDC_EDIT_CONFIGURATION_FILE}, bTyped && m_record.bUseConfigurationFile);
}

void CVPNParamsDlg::EditSecurity()
{
    CVPNAuthenticationDlg dlg(m_record);
    RunDialog(dlg);
}

void CVPNParamsDlg::EditConfigurationFile()
{
    CEditTextFile dlg(u"VPN Configuration File", m_record.wszConfigurationFile, false);
    dlg.SetLastPath(m_wszConfigurationFilePath);
    if (RunDialog(dlg) == EDlgResult::Ok)
        m_record.wszConfigurationFile = dlg.Text();
    m_wszConfigurationFilePath = dlg.LastPath();
}

} // namespace kov
