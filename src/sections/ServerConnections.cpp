#include "sections/ServerConnections.h"

#include <iterator>
#include <limits>

#include "document/Exchange.h"
#include "link/ParameterDocumentHolder.h"
#include "platform/LoginName.h"
#include "support/TextNumbers.h"

namespace kov {

namespace {

constexpr char16_t kCaptureDeviceStatus[] = u"kov:CaptureDeviceStatus";
constexpr char16_t kServerSettingsCaption[] = u"Set Server Parameters";

std::u16string ServerNameFor(size_t nCount)
{
    return u"Server " + DecimalText(static_cast<int64_t>(nCount) + 1);
}

} // namespace

// ---- Records -------------------------------------------------------------------------------

bool ClientParameters::Exchange(NodeRef item, bool bStore)
{
    if (!item)
        return false;
    ExchangeBoolAttribute(item, u"kov:Enable", bStore, bEnabled);
    ExchangeBoolAttribute(item, u"kov:Secure", bStore, bSecure);
    ExchangeTextAttribute(item, u"kov:Name", bStore, wszName);
    ExchangeTextAttribute(item, u"kov:ServerAddress", bStore, wszServerAddress);
    ExchangeTextAttribute(item, u"kov:NetworkInterface", bStore, wszNetworkInterface);
    ExchangeTextAttribute(item, u"kov:UserName", bStore, wszUserName);
    ExchangeTextAttribute(item, u"kov:Password", bStore, wszPassword);
    // A value outside the table is not written, and a text outside it keeps the default.
    ExchangeEnumAttribute(item, u"kov:TransportProtocol", kTransportProtocolTexts, bStore,
                          eTransportProtocol);
    return true;
}

bool MultipleConnectionParameters::Exchange(NodeRef connectionParameters, bool bStore)
{
    NodeRef element =
        connectionParameters.FindOrCreateChild(u"kov:MultipleConnectionParameters", kKovNamespaceUri, bStore);
    if (!element)
        return false;
    bool bAll = true;
    bAll &= ExchangeBoolAttribute(element, u"kov:EnableLocalServer", bStore, bEnableLocalServer);
    bAll &=
        ExchangeBoolAttribute(element, u"kov:ShareDevicesAmongServers", bStore, bShareDevicesAmongServers);
    NodeRef container = element.FindOrCreateChild(u"kov:ServerConnections", kKovNamespaceUri, bStore);
    if (!bStore)
        vServerConnections.clear();
    // The list never fails the read; a missing container is an empty list.
    ExchangeList(container, u"kov:ClientParameters", bStore, vServerConnections);
    if (bStore)
        MarkEraseChildren(container);
    return bAll;
}

bool ConnectionSettings::Exchange(NodeRef root, bool bStore)
{
    NodeRef section = root.FindOrCreateChild(kConnectionParametersName, kKovNamespaceUri, bStore);
    if (!section)
        return false;
    // A document without the status section still loads its connection settings (storing them
    // as defaults would overwrite the device's); the missing capability counts as a mismatch.
    NodeRef status = root.FindOrCreateChild(kCaptureDeviceStatus, kKovNamespaceUri, bStore);
    bool bAll = static_cast<bool>(status);

    bAll &=
        ExchangeEnumElement(section, u"kov:ConnectionType", kConnectionTypeTexts, bStore, eConnectionType);
    bAll &= ExchangeTextElement(section, u"kov:ServerAddress", bStore, wszServerAddress);
    bAll &= ExchangeEnumElement(section, u"kov:TransportProtocol", kTransportProtocolTexts, bStore,
                                eTransportProtocol);
    bAll &= ExchangeBoolElement(section, u"kov:Secure", bStore, bSecure);
    bAll &= ExchangeBoolElement(section, u"kov:EnableHardwareReset", bStore, bHardwareResetOnIdle);

    NodeRef maxIdle = section.FindOrCreateChild(u"kov:MaxIdleTime", kKovNamespaceUri, bStore);
    bAll &= ExchangeBoolAttribute(maxIdle, u"kov:Enable", bStore, bMaxIdleTimeEnabled);
    bAll &= bStore ? maxIdle.SetTextInt(iMaxIdleTime) : maxIdle.GetTextInt(iMaxIdleTime);

    NodeRef reference = section.FindOrCreateChild(u"kov:ReferenceConnection", kKovNamespaceUri, bStore);
    bAll &= ExchangeBoolAttribute(reference, u"kov:Enable", bStore, bReferenceConnectionEnabled);
    bAll &= ExchangeTextElement(reference, u"kov:ServerAddress", bStore, wszReferenceServerAddress);
    bAll &= ExchangeIntElement(reference, u"kov:PortNumber", bStore, iReferenceServerPort);

    bAll &= multipleConnections.Exchange(section, bStore);
    bAll &= socialNetwork1.Exchange(section, bStore);
    bAll &= ExchangeBoolAttribute(status, u"kov:CanSleep", bStore, bDeviceCanSleep);

    NodeRef sleep = maxIdle.FindOrCreateChild(u"kov:SleepManagementAction", kKovNamespaceUri, bStore);
    bAll &= ExchangeIntAttribute(sleep, u"kov:Minutes", bStore, dwSleepMinutes);

    bAll &= ExchangeEnumElement(section, u"kov:InterfaceUtilizationPolicy", kInterfaceUtilizationPolicyTexts,
                                bStore, eInterfaceUtilizationPolicy);
    return bAll;
}

// ---- Server Connection Settings ------------------------------------------------------------

CServerConnectionSettingsDlg::CServerConnectionSettingsDlg(ClientParameters& rEntry)
    : CRecordDialog(u"Server Connection Settings", rEntry)
{
    using R = ClientParameters;
    Bind()
        .Check(AddCheckBox(IDC_SC_ENABLE, u"Enable"), &R::bEnabled)
        .TrimmedText(AddEdit(IDC_SC_NAME, u"Name:"), &R::wszName)
        .TrimmedText(AddEdit(IDC_SC_ADDRESS, u"Address:"), &R::wszServerAddress)
        .TrimmedText(AddEdit(IDC_SC_USER_NAME, u"User Name:"), &R::wszUserName)
        .TrimmedText(AddPasswordEdit(IDC_SC_PASSWORD, u"Password:"), &R::wszPassword);
    BeginRow();
    Bind().Check(AddCheckBox(IDC_SC_SECURE, u"Secure"), &R::bSecure);
    CDropDownList& rTransport = AddDropDownList(IDC_SC_TRANSPORT, u"Transport:");
    FillEnumList(rTransport, kTransportProtocolTexts);
    Bind().ItemData(rTransport, &R::eTransportProtocol);
    End();
    AddOkCancel();
}

void CServerConnectionSettingsDlg::OnEntryShown()
{
    // Shown for information; the device takes its credentials elsewhere.
    EnableControls({IDC_SC_USER_NAME, IDC_SC_PASSWORD}, false);
}

bool CServerConnectionSettingsDlg::Check(ClientParameters& entry)
{
    if (entry.wszName.empty()) {
        MessageBox(u"Empty name", kServerSettingsCaption);
        return false;
    }
    if (entry.wszServerAddress.empty()) {
        MessageBox(u"Empty server address", kServerSettingsCaption);
        return false;
    }
    return true;
}

// ---- Multiple Connections ------------------------------------------------------------------

CMultipleConnectionsDlg::CMultipleConnectionsDlg(MultipleConnectionParameters& rParams,
                                                 std::function<std::u16string()> fnLoginName)
    : CRecordDialog(u"Multiple Connections", rParams), m_fnLoginName(std::move(fnLoginName))
{
    using R = MultipleConnectionParameters;
    Bind()
        .Check(AddCheckBox(IDC_MC_LOCAL_SERVER, u"Local Server"), &R::bEnableLocalServer)
        .Check(AddCheckBox(IDC_MC_SHARE_DEVICES, u"Share devices among servers"),
               &R::bShareDevicesAmongServers);
    BeginRow();
    CListView& rList = AddListView(IDC_MC_LIST);
    BeginColumn();
    AddButton(IDC_MC_ADD, u"Add");
    AddButton(IDC_MC_CHANGE, u"Change");
    AddButton(IDC_MC_DELETE, u"Delete");
    AddButton(IDC_MC_EMPTY, u"Empty");
    AddStretch();
    End();
    End();
    AddOkCancel();
    rList.AddColumn(u"Enable", 50);
    rList.AddColumn(u"Name", 100);
    rList.AddColumn(u"Address", 100);
    rList.AddColumn(u"User", 100);

    SListEditorTexts texts;
    texts.wszNoSelection = u"Please select connection from list";
    texts.wszChangeCaption = u"Change Selection";
    texts.wszDeleteNoSelectionCaption = u"Delete Selection";
    texts.wszDeleteQuestion = u"Are you sure?";
    texts.wszDeleteCaption = u"Delete ";
    texts.wszEmptyQuestion = u"Are you sure?";
    texts.wszEmptyCaption = u"Delete All Connections";
    texts.eEmptyListRule = EEmptyListRule::Ask;

    CListEditor<ClientParameters>::SHooks hooks;
    hooks.fnCells = [](const ClientParameters& entry) {
        return std::vector<std::u16string>{entry.bEnabled ? u"Yes" : u"No", entry.wszName,
                                           entry.wszServerAddress, entry.wszUserName};
    };
    hooks.fnNew = [this](size_t nCount) {
        ClientParameters entry;
        entry.bEnabled = true;
        entry.wszName = ServerNameFor(nCount);
        if (m_fnLoginName)
            entry.wszUserName = m_fnLoginName();
        return entry;
    };
    hooks.fnEdit = [this](ClientParameters& rEntry) {
        CServerConnectionSettingsDlg dlg(rEntry);
        return RunDialog(dlg) == EDlgResult::Ok;
    };
    hooks.fnName = [](const ClientParameters& entry) { return entry.wszName; };
    m_pEditor =
        std::make_unique<CListEditor<ClientParameters>>(*this, rList, std::move(texts), std::move(hooks));
    // The list is edited in place, in the entry the caller passed for this dialog.
    m_pEditor->SetEntries(&rParams.vServerConnections);
    m_pEditor->BindButtons(IDC_MC_ADD, IDC_MC_CHANGE, IDC_MC_DELETE, IDC_MC_EMPTY);
}

void CMultipleConnectionsDlg::OnEntryShown()
{
    m_pEditor->Refill();
}

// ---- The page ------------------------------------------------------------------------------

CNetworkConnectionSettingsDlg::CNetworkConnectionSettingsDlg()
    : CRecordPage(u"Connection"), m_fnLoginName([] { return LoginName(); })
{
    using R = ConnectionSettings;
    BeginGroup(0, u"Media Server Selection");
    BeginRow();
    CRadioButton& rNoServer = AddRadioButton(IDC_NO_SERVER, u"No server", kConnectionTypeGroup);
    CRadioButton& rRemote = AddRadioButton(IDC_REMOTE_SERVER, u"Remote server", kConnectionTypeGroup);
    CRadioButton& rLocal = AddRadioButton(IDC_LOCAL_SERVER, u"Local server", kConnectionTypeGroup);
    CRadioButton& rMultiple =
        AddRadioButton(IDC_MULTIPLE_CONNECTIONS, u"Multiple Connections", kConnectionTypeGroup);
    End();
    CEdit& rAddress = AddEdit(IDC_SERVER_ADDRESS, u"Address:");
    BeginRow();
    CCheckBox& rSecure = AddCheckBox(IDC_SECURE, u"Secure");
    CDropDownList& rTransport = AddDropDownList(IDC_TRANSPORT, u"Transport:");
    AddStretch();
    AddButton(IDC_MANAGE, u"Manage").SetOnClick([this] { EditMultipleConnections(); });
    End();
    End();

    BeginGroup(0, u"Connection Reference (TCP)");
    CCheckBox& rReference = AddCheckBox(IDC_REFERENCE_ENABLE, u"Enable");
    CEdit& rReferenceIp = AddEdit(IDC_REFERENCE_IP, u"IP:");
    CEdit& rReferencePort = AddNumberEdit(IDC_REFERENCE_PORT, u"Port:");
    End();

    BeginRow();
    m_pStatus = &AddEdit(IDC_STATUS, u"Status:").SetReadOnly(true);
    AddButton(IDC_RECONNECT, u"Reconnect").SetEnabled(false);
    End();

    BeginGroup(0, u"Timeout");
    BeginRow();
    CCheckBox& rMaxIdle = AddCheckBox(IDC_MAX_IDLE_ENABLE, u"Maximal idle time:");
    CEdit& rMaxIdleTime = AddNumberEdit(IDC_MAX_IDLE_TIME, {});
    AddLabel(0, u"minutes.");
    AddStretch();
    End();
    CCheckBox& rDeviceReset = AddCheckBox(IDC_DEVICE_RESET, u"Device Reset");
    BeginRow();
    m_pSleepTime = &AddNumberEdit(IDC_SLEEP_TIME, u"Sleep for");
    m_pSleepUnit = &AddDropDownList(IDC_SLEEP_UNIT, {});
    AddStretch();
    End();
    End();

    BeginGroup(0, u"Interface Utilization");
    CDropDownList& rPolicy = AddDropDownList(IDC_POLICY, u"Policy:");
    End();

    BeginRow();
    AddButton(IDC_SOCIAL_NETWORK, u"Social Network 1").SetOnClick([this] { EditSocialNetwork1(); });
    AddStretch();
    End();
    AddStretch();

    FillEnumList(rTransport, kTransportProtocolTexts);
    FillEnumList(rPolicy, kInterfaceUtilizationPolicyTexts);
    for (const STimeUnit& unit : kSleepUnits)
        m_pSleepUnit->AddItem(unit.wszText, unit.dwFactor);

    Bind()
        .Radio(&R::eConnectionType, {{&rNoServer, ConnectionType::NoConnection},
                                     {&rRemote, ConnectionType::ConnectionToServer},
                                     {&rLocal, ConnectionType::ConnectionAsServer},
                                     {&rMultiple, ConnectionType::MultipleConnections}})
        .TrimmedText(rAddress, &R::wszServerAddress)
        .Check(rSecure, &R::bSecure)
        .ItemData(rTransport, &R::eTransportProtocol)
        .Check(rReference, &R::bReferenceConnectionEnabled)
        .TrimmedText(rReferenceIp, &R::wszReferenceServerAddress)
        .Number(rReferencePort, &R::iReferenceServerPort)
        .Check(rMaxIdle, &R::bMaxIdleTimeEnabled)
        .Number(rMaxIdleTime, &R::iMaxIdleTime)
        .Check(rDeviceReset, &R::bHardwareResetOnIdle)
        .Custom([this](const R& r) { ShowSleep(r.dwSleepMinutes); },
                [this](R& r) {
                    r.dwSleepMinutes = SleepMinutesOf(m_pSleepUnit->Selection(), m_pSleepTime->GetUInt());
                })
        .ItemData(rPolicy, &R::eInterfaceUtilizationPolicy);

    // The enabling rules follow the record, so the choices that steer them are taken at once.
    for (auto [pButton, eType] : {std::pair{&rNoServer, ConnectionType::NoConnection},
                                  std::pair{&rRemote, ConnectionType::ConnectionToServer},
                                  std::pair{&rLocal, ConnectionType::ConnectionAsServer},
                                  std::pair{&rMultiple, ConnectionType::MultipleConnections}})
        pButton->SetOnClick([this, eType] { OnConnectionType(eType); });
    rReference.SetOnClick([this, &rReference] {
        m_record.bReferenceConnectionEnabled = rReference.IsChecked();
        ApplyEnabling(true);
    });
    rMaxIdle.SetOnClick([this, &rMaxIdle] {
        m_record.bMaxIdleTimeEnabled = rMaxIdle.IsChecked();
        ApplyEnabling(true);
    });
    m_pSleepUnit->SetOnChange([this] { m_pSleepTime->SetEnabled(m_pSleepUnit->Selection() > 0); });
}

std::span<const SToolTip> CNetworkConnectionSettingsDlg::ToolTips() const
{
    static constexpr SToolTip kToolTips[] = {
        {IDC_NO_SERVER, u"No client/server media communications using the main protocol."},
        {IDC_REMOTE_SERVER, u"Connect to a remote server."},
        {IDC_LOCAL_SERVER, u"Use the device as the server and connect directly to its IP address."},
        {IDC_MULTIPLE_CONNECTIONS,
         u"Connect to a number of servers with the possibility of being also a server."},
        {IDC_SERVER_ADDRESS, u"IP address of the server, using either numbers or domain names."},
        {IDC_SECURE, u"Encrypt communications with the server."},
        {IDC_TRANSPORT, u"Transport protocol to use. \"Any\" means TCP over UDP."},
        {IDC_MANAGE, u"Manage multiple connection options."},
        {IDC_REFERENCE_ENABLE, u"Connect to a reference TCP server for validating that the unit is online."},
        {IDC_REFERENCE_IP, u"IP address of the reference TCP server."},
        {IDC_REFERENCE_PORT, u"Port of the reference TCP server."},
        {IDC_STATUS, u"The connection status, usually not used."},
        {IDC_MAX_IDLE_ENABLE, u"Check if the unit is not communicating for a period of time."},
        {IDC_MAX_IDLE_TIME, u"The maximal number of seconds allowed for a unit to not communicate."},
        {IDC_DEVICE_RESET, u"Restart the unit if it is not communicating after the defined period of time."},
        {IDC_SLEEP_TIME, u"Shut down the device for a period of time if it is not communicating."},
        {IDC_SLEEP_UNIT,
         u"The units for the period of time for the unit to shut down (sleep) if it is not communicating."},
        {IDC_POLICY,
         u"Choose to connect using the highest priority physical interface or all of them together."},
    };
    return kToolTips;
}

void CNetworkConnectionSettingsDlg::OnRecordShown()
{
    m_pStatus->SetText({});
}

void CNetworkConnectionSettingsDlg::ShowSleep(uint32_t dwMinutes)
{
    const STimeDisplay display = SleepDisplayOf(dwMinutes);
    m_pSleepUnit->SetSelection(display.iUnit);
    if (display.iUnit == 0) {
        m_pSleepTime->SetEnabled(false);
        return;
    }
    m_pSleepTime->SetUInt(display.dwNumber);
}

void CNetworkConnectionSettingsDlg::Enable(bool bEnable)
{
    ApplyEnabling(bEnable);
}

void CNetworkConnectionSettingsDlg::ApplyEnabling(bool bEnable)
{
    const ConnectionType eType = m_record.eConnectionType;
    const bool bConnected = bEnable && eType != ConnectionType::NoConnection;
    const bool bIdle = bConnected && m_record.bMaxIdleTimeEnabled;
    const bool bSleep = bIdle && m_record.bDeviceCanSleep;
    EnableControls({IDC_NO_SERVER, IDC_REMOTE_SERVER, IDC_LOCAL_SERVER, IDC_MULTIPLE_CONNECTIONS, IDC_STATUS,
                    IDC_REFERENCE_ENABLE, IDC_POLICY, IDC_SOCIAL_NETWORK},
                   bEnable);
    EnableControls({IDC_SERVER_ADDRESS, IDC_TRANSPORT, IDC_SECURE},
                   bEnable && eType == ConnectionType::ConnectionToServer);
    EnableControls({IDC_MANAGE}, bEnable && eType == ConnectionType::MultipleConnections);
    EnableControls({IDC_REFERENCE_IP, IDC_REFERENCE_PORT}, bEnable && m_record.bReferenceConnectionEnabled);
    EnableControls({IDC_MAX_IDLE_ENABLE}, bConnected);
    EnableControls({IDC_MAX_IDLE_TIME, IDC_DEVICE_RESET}, bIdle);
    EnableControls({IDC_SLEEP_UNIT}, bSleep);
    EnableControls({IDC_SLEEP_TIME}, bSleep && m_pSleepUnit->Selection() > 0);
    EnableControls({IDC_RECONNECT}, false);
}

void CNetworkConnectionSettingsDlg::OnConnectionType(ConnectionType eType)
{
    m_record.eConnectionType = eType;
    ApplyEnabling(true);
    if (eType == ConnectionType::MultipleConnections)
        EditMultipleConnections();
}

void CNetworkConnectionSettingsDlg::EditMultipleConnections()
{
    MultipleConnectionParameters copy = m_record.multipleConnections;
    CMultipleConnectionsDlg dlg(copy, m_fnLoginName);
    if (RunDialog(dlg) == EDlgResult::Ok)
        m_record.multipleConnections = std::move(copy);
}

void CNetworkConnectionSettingsDlg::EditSocialNetwork1()
{
    SocialNetwork1 copy = m_record.socialNetwork1;
    CSocialNetwork1ParamsDlg dlg(copy);
    if (RunDialog(dlg) == EDlgResult::Ok)
        m_record.socialNetwork1 = std::move(copy);
}

void CNetworkConnectionSettingsDlg::SetConnectionStatus(const std::u16string& wszStatus)
{
    m_pStatus->SetText(wszStatus);
}

} // namespace kov
