#include "sections/Gpio.h"

#include <algorithm>
#include <initializer_list>

#include "document/Exchange.h"
#include "sections/NetworkTypes.h"
#include "support/TextNumbers.h"

namespace kov {

namespace {

constexpr char16_t kInputPorts[] = u"kov:InputPorts";
constexpr char16_t kInputPort[] = u"kov:InputPort";
constexpr char16_t kOutputPorts[] = u"kov:OutputPorts";
constexpr char16_t kOutputPort[] = u"kov:OutputPort";

constexpr int kInputDefaultGroup = 1;

NodeRef Child(NodeRef parent, std::u16string_view wszName, bool bStore)
{
    return parent.FindOrCreateChild(wszName, kKovNamespaceUri, bStore);
}

// The channels of one input port: a "kov:Index" child per channel, replaced as a whole.
void ExchangeChannelIndexes(NodeRef container, bool bStore, std::vector<uint32_t>& vIndexes)
{
    ExchangeList(container, u"kov:Index", kKovNamespaceUri, bStore, vIndexes,
                 [](uint32_t& dwIndex, NodeRef item, bool bStoreItem) {
                     int32_t iIndex = static_cast<int32_t>(dwIndex);
                     if (bStoreItem)
                         item.SetTextInt(iIndex);
                     else if (item.GetTextInt(iIndex))
                         dwIndex = static_cast<uint32_t>(iIndex);
                     return true;
                 });
    if (bStore)
        MarkEraseChildren(container);
}

// The names of one port list: a "kov:Name" attribute per port; a port without one is unnamed.
bool ExchangePortNames(NodeRef container, std::u16string_view wszItemName, bool bStore,
                       std::vector<std::u16string>& vNames)
{
    return ExchangeList(container, wszItemName, kKovNamespaceUri, bStore, vNames,
                        [](std::u16string& wszName, NodeRef item, bool bStoreItem) {
                            ExchangeTextAttribute(item, u"kov:Name", bStoreItem, wszName);
                            return true;
                        });
}

// A port's line in its list: its name, or its 1-based number when it has none.
std::u16string PortDisplayText(const std::vector<std::u16string>& vNames, size_t iPort)
{
    if (iPort < vNames.size() && !vNames[iPort].empty())
        return vNames[iPort];
    return DecimalText(static_cast<int32_t>(iPort + 1));
}

bool IsPort(int iPort, size_t nPorts)
{
    return iPort >= 0 && static_cast<size_t>(iPort) < nPorts;
}

// The list's selection when it is a port, else -1.
int SelectedPort(const CListView& rList, size_t nPorts)
{
    return IsPort(rList.Selection(), nPorts) ? rList.Selection() : -1;
}

// The name field's text becomes the port's name and its line in the list.
void KeepPortName(CListView& rList, const CEdit& rName, std::vector<std::u16string>& vNames, int iPort)
{
    vNames[static_cast<size_t>(iPort)] = rName.Text();
    rList.SetCell(iPort, 0, PortDisplayText(vNames, static_cast<size_t>(iPort)));
}

void FillPortList(CListView& rList, const std::vector<std::u16string>& vNames, size_t nPorts)
{
    rList.DeleteAllRows();
    for (size_t i = 0; i < nPorts; ++i)
        rList.AddRow({PortDisplayText(vNames, i)}, static_cast<uint32_t>(i));
}

// Rows "1" to the quantity, each carrying its 0-based channel.
void FillChannelList(CListView& rList, uint32_t dwQuantity)
{
    rList.DeleteAllRows();
    // A damaged quantity must not make a list of billions of rows.
    constexpr uint32_t kMaxChannels = 256;
    for (uint32_t i = 0; i < std::min(dwQuantity, kMaxChannels); ++i)
        rList.AddRow({DecimalText(static_cast<int32_t>(i + 1))}, i);
}

void SelectChannels(CListView& rList, const std::vector<uint32_t>& vIndexes)
{
    for (int iRow = 0; iRow < rList.RowCount(); ++iRow) {
        const uint32_t dwChannel = rList.RowData(iRow);
        rList.SetRowSelected(iRow, std::find(vIndexes.begin(), vIndexes.end(), dwChannel) != vIndexes.end());
    }
}

std::vector<uint32_t> SelectedChannels(const CListView& rList)
{
    std::vector<uint32_t> vIndexes;
    for (int iRow : rList.SelectedRows())
        vIndexes.push_back(rList.RowData(iRow));
    std::sort(vIndexes.begin(), vIndexes.end());
    return vIndexes;
}

// A list box: one column without a header.
CListView& AddListBox(CForm& rForm, int iId, int iWidth)
{
    CListView& rList = rForm.AddListView(iId);
    rList.AddColumn({}, iWidth);
    return rList;
}

} // namespace

bool SOutputPortSetting::Exchange(NodeRef item, bool bStore)
{
    ExchangeIntAttribute(item, u"kov:DefaultValue", bStore, dwDefaultValue);
    ExchangeIntAttribute(item, u"kov:PulseTimeMS", bStore, dwPulseTimeMs);
    return true;
}

bool SInputPortSetting::Exchange(NodeRef item, bool bStore)
{
    ExchangeIntAttribute(item, u"kov:DefaultValue", bStore, iDefaultValue);
    ExchangeChannelIndexes(Child(item, u"kov:VideoChannels", bStore), bStore, vVideoChannels);
    ExchangeChannelIndexes(Child(item, u"kov:AudioChannels", bStore), bStore, vAudioChannels);
    return true;
}

bool SGpioPorts::Exchange(NodeRef root, bool bStore)
{
    const NodeRef config = Child(root, kCaptureDeviceConfigName, bStore);
    const NodeRef status = Child(root, kCaptureDeviceStatusName, bStore);
    const NodeRef recorder = Child(root, u"kov:MediaRecorderConfig", bStore);
    const NodeRef wakeup = Child(Child(Child(root, kCaptureDeviceRulesName, bStore), u"kov:Ports", bStore),
                                 u"kov:PortWakeup", bStore);
    const NodeRef modem = Child(wakeup, u"kov:CellularModem", bStore);
    if (!config || !status || !recorder || !modem)
        return false;

    bool bAll = true;
    bAll &= ExchangeIntAttribute(Child(config, u"kov:VideoChannels", bStore), u"kov:Quantity", bStore,
                                 dwVideoChannelQuantity);
    bAll &= ExchangeIntAttribute(Child(config, u"kov:AudioChannels", bStore), u"kov:Quantity", bStore,
                                 dwAudioChannelQuantity);
    bAll &= ExchangeList(Child(config, kInputPorts, bStore), kInputPort, kKovNamespaceUri, bStore,
                         vInputPortSettings);
    bAll &= ExchangePortNames(Child(status, kInputPorts, bStore), kInputPort, bStore, vInputPortNames);
    bAll &= ExchangePortNames(Child(status, kOutputPorts, bStore), kOutputPort, bStore, vOutputPortNames);
    const NodeRef outputPorts = Child(config, kOutputPorts, bStore);
    bAll &= ExchangeList(outputPorts, kOutputPort, kKovNamespaceUri, bStore, vOutputPortSettings);
    bAll &= ExchangeIntAttribute(outputPorts, u"kov:ResetIndex", bStore, iResetIndex);
    bAll &= ExchangeIntAttribute(outputPorts, u"kov:PowerIndex", bStore, iPowerIndex);
    bAll &= ExchangeBoolElement(recorder, u"kov:RecordVideoOnAlarm", bStore, bRecordVideoOnAlarm);
    bAll &= ExchangeBoolElement(recorder, u"kov:RecordAudioOnAlarm", bStore, bRecordAudioOnAlarm);
    bAll &= ExchangeIntAttribute(wakeup, u"kov:Minutes", bStore, iWakeupMinutes);
    bAll &= ExchangeBoolAttribute(modem, u"kov:Enable", bStore, bCellularModemOnWakeup);
    return bAll;
}

// ---- The page ------------------------------------------------------------------------------

CDeviceGPIODlg::CDeviceGPIODlg() : CRecordPage(u"GPIO")
{
    BeginRow();
    BeginGroup(0, u"Input Port Settings");
    BeginRow();
    BeginGroup(0, u"Port Selection");
    m_pInputPorts = &AddListBox(*this, IDC_INPUT_PORTS, 120);
    End();
    BeginColumn();
    m_pNotActive = &AddRadioButton(IDC_INPUT_NOT_ACTIVE, u"Not Active", kInputDefaultGroup);
    m_pNormallyClose = &AddRadioButton(IDC_INPUT_NORMALLY_CLOSE, u"Normally Close (0)", kInputDefaultGroup);
    m_pNormallyOpen = &AddRadioButton(IDC_INPUT_NORMALLY_OPEN, u"Normally Open (1)", kInputDefaultGroup);
    AddStretch();
    End();
    End();
    m_pInputName = &AddEdit(IDC_INPUT_NAME, u"Port Name:");
    BeginRow();
    BeginGroup(0, u"Associated Video");
    m_pInputVideo = &AddListBox(*this, IDC_INPUT_VIDEO, 60).SetMultiSelection(true);
    End();
    BeginGroup(0, u"Associated Audio");
    m_pInputAudio = &AddListBox(*this, IDC_INPUT_AUDIO, 60).SetMultiSelection(true);
    End();
    End();
    BeginRow();
    m_pRecordVideo = &AddCheckBox(IDC_RECORD_VIDEO, u"Record Video");
    m_pRecordAudio = &AddCheckBox(IDC_RECORD_AUDIO, u"Record Audio");
    End();
    BeginGroup(0, u"Port Wakeup");
    BeginRow();
    m_pLimit = &AddCheckBox(IDC_WAKEUP_LIMIT, u"Limit:");
    m_pWakeupMinutes = &AddNumberEdit(IDC_WAKEUP_MINUTES, {}).SetRange(0, INT32_MAX);
    AddLabel(0, u"minutes");
    End();
    m_pWakeupModem = &AddCheckBox(IDC_WAKEUP_MODEM, u"Enable cellular modem");
    End();
    End();

    BeginGroup(0, u"Output Port Settings");
    BeginGroup(0, u"Port Selection");
    m_pOutputPorts = &AddListBox(*this, IDC_OUTPUT_PORTS, 120);
    End();
    m_pOutputName = &AddEdit(IDC_OUTPUT_NAME, u"Port Name:");
    BeginRow();
    m_pPulse = &AddCheckBox(IDC_PULSE, u"Pulse");
    m_pPulseTime = &AddNumberEdit(IDC_PULSE_TIME, {}).SetRange(0, INT32_MAX);
    AddLabel(0, u"milliseconds");
    End();
    m_pOutputDefault = &AddDropDownList(IDC_OUTPUT_DEFAULT, u"Default value:");
    m_pUseForReset = &AddCheckBox(IDC_USE_FOR_RESET, u"Use for device reset");
    m_pUseForPower = &AddCheckBox(IDC_USE_FOR_POWER, u"Use for device power");
    AddStretch();
    End();
    End();

    m_pOutputDefault->AddItem(u"0", 0);
    m_pOutputDefault->AddItem(u"1", 1);

    m_pInputPorts->SetOnChange([this] { OnInputPortSelected(); });
    m_pNotActive->SetOnClick([this] { SetInputDefault(-1); });
    m_pNormallyClose->SetOnClick([this] { SetInputDefault(0); });
    m_pNormallyOpen->SetOnClick([this] { SetInputDefault(1); });
    m_pLimit->SetOnClick([this] { OnLimitClicked(); });
    m_pOutputPorts->SetOnChange([this] { OnOutputPortSelected(); });
    m_pPulse->SetOnClick([this] { OnPulseClicked(); });
    m_pUseForReset->SetOnClick(
        [this] { m_record.iResetIndex = m_pUseForReset->IsChecked() ? m_iOutputPort : -1; });
    m_pUseForPower->SetOnClick(
        [this] { m_record.iPowerIndex = m_pUseForPower->IsChecked() ? m_iOutputPort : -1; });

    using R = SGpioPorts;
    Bind()
        .Check(*m_pRecordVideo, &R::bRecordVideoOnAlarm)
        .Check(*m_pRecordAudio, &R::bRecordAudioOnAlarm)
        .Check(*m_pWakeupModem, &R::bCellularModemOnWakeup)
        .Custom(
            [this](const R& r) {
                m_pLimit->SetChecked(r.iWakeupMinutes >= 0);
                if (r.iWakeupMinutes >= 0)
                    m_pWakeupMinutes->SetInt(r.iWakeupMinutes);
                else
                    m_pWakeupMinutes->SetText({});
            },
            [this](R& r) {
                int iMinutes = -1;
                if (!m_pLimit->IsChecked() || !m_pWakeupMinutes->TryGetInt(iMinutes) || iMinutes < 0)
                    iMinutes = -1;
                r.iWakeupMinutes = iMinutes;
            });
}

std::span<const SToolTip> CDeviceGPIODlg::ToolTips() const
{
    static constexpr SToolTip kToolTips[] = {
        {IDC_INPUT_PORTS, u"Select an input port."},
        {IDC_INPUT_NAME, u"Input port name."},
        {IDC_INPUT_NOT_ACTIVE, u"Do not read or display this port."},
        {IDC_INPUT_NORMALLY_CLOSE, u"This port is normally closed - tied to the ground."},
        {IDC_INPUT_NORMALLY_OPEN, u"This port is normally open - not connected."},
        {IDC_INPUT_VIDEO, u"Select associated video input channels with an event on this port."},
        {IDC_INPUT_AUDIO, u"Select associated audio input channels with an event on this port."},
        {IDC_RECORD_VIDEO, u"Record video following an alarm from an input port."},
        {IDC_RECORD_AUDIO, u"Record audio following an alarm from an input port."},
        {IDC_WAKEUP_LIMIT,
         u"If the device wakes up due to an alarm and there are no more alarms active, make "
         u"sure it goes back to sleep."},
        {IDC_WAKEUP_MINUTES,
         u"Set the device back to sleep after this number of minutes during which there is no alarm."},
        {IDC_WAKEUP_MODEM,
         u"If the device wakes up due to an alarm, allow the device to use the cellular modem."},
        {IDC_OUTPUT_PORTS, u"Select an output port."},
        {IDC_OUTPUT_NAME, u"Output port name."},
        {IDC_PULSE, u"Set this output port value to be a pulse."},
        {IDC_PULSE_TIME, u"Pulse width in milliseconds."},
        {IDC_OUTPUT_DEFAULT, u"Default value of an output port defined as a pulse."},
        {IDC_USE_FOR_RESET, u"Set this port automatically before the device will restart itself."},
        {IDC_USE_FOR_POWER, u"Set this port automatically after the device comes up and before the device "
                            u"shuts down."},
    };
    return kToolTips;
}

void CDeviceGPIODlg::OnRecordShown()
{
    m_iInputPort = -1;
    m_iOutputPort = -1;
    // Names and settings correspond by position; the settings say which ports exist.
    m_record.vInputPortNames.resize(m_record.vInputPortSettings.size());
    m_record.vOutputPortNames.resize(m_record.vOutputPortSettings.size());
    FillPortList(*m_pInputPorts, m_record.vInputPortNames, m_record.vInputPortSettings.size());
    FillPortList(*m_pOutputPorts, m_record.vOutputPortNames, m_record.vOutputPortSettings.size());
    FillChannelList(*m_pInputVideo, m_record.dwVideoChannelQuantity);
    FillChannelList(*m_pInputAudio, m_record.dwAudioChannelQuantity);
    // No port is selected: its fields show nothing of a port of an earlier document.
    ShowInputPort();
    ShowOutputPort();
    EnableInputControls();
    EnableOutputControls();
}

void CDeviceGPIODlg::OnRecordRead()
{
    KeepInputEdits();
    KeepOutputEdits();
}

void CDeviceGPIODlg::Enable(bool bEnable)
{
    m_bEnabled = bEnable;
    for (CControl* pControl : std::initializer_list<CControl*>{m_pInputPorts, m_pOutputPorts, m_pRecordVideo,
                                                               m_pRecordAudio, m_pLimit, m_pWakeupModem})
        pControl->SetEnabled(bEnable);
    // The field follows its box, which shows whether the document has a limit.
    m_pWakeupMinutes->SetEnabled(bEnable && m_pLimit->IsChecked());
    EnableInputControls();
    EnableOutputControls();
}

bool CDeviceGPIODlg::IsInputPort(int iPort) const
{
    return IsPort(iPort, m_record.vInputPortSettings.size());
}

bool CDeviceGPIODlg::IsOutputPort(int iPort) const
{
    return IsPort(iPort, m_record.vOutputPortSettings.size());
}

// ---- Input ports

void CDeviceGPIODlg::OnInputPortSelected()
{
    KeepInputEdits();
    m_iInputPort = SelectedPort(*m_pInputPorts, m_record.vInputPortSettings.size());
    ShowInputPort();
    EnableInputControls();
}

void CDeviceGPIODlg::KeepInputEdits()
{
    if (!IsInputPort(m_iInputPort))
        return;
    KeepPortName(*m_pInputPorts, *m_pInputName, m_record.vInputPortNames, m_iInputPort);
    SInputPortSetting& rSetting = m_record.vInputPortSettings[static_cast<size_t>(m_iInputPort)];
    rSetting.vVideoChannels = SelectedChannels(*m_pInputVideo);
    rSetting.vAudioChannels = SelectedChannels(*m_pInputAudio);
}

void CDeviceGPIODlg::ShowInputPort()
{
    if (!IsInputPort(m_iInputPort)) {
        m_pInputName->SetText({});
        for (CRadioButton* pRadio : {m_pNotActive, m_pNormallyClose, m_pNormallyOpen})
            pRadio->SetChecked(false);
        SelectChannels(*m_pInputVideo, {});
        SelectChannels(*m_pInputAudio, {});
        return;
    }
    const size_t iPort = static_cast<size_t>(m_iInputPort);
    const SInputPortSetting& setting = m_record.vInputPortSettings[iPort];
    m_pInputName->SetText(m_record.vInputPortNames[iPort]);
    // Values other than 0 and 1 show as not active and are kept until a button is pressed.
    if (setting.iDefaultValue == 0)
        m_pNormallyClose->SetChecked(true);
    else if (setting.iDefaultValue == 1)
        m_pNormallyOpen->SetChecked(true);
    else
        m_pNotActive->SetChecked(true);
    SelectChannels(*m_pInputVideo, setting.vVideoChannels);
    SelectChannels(*m_pInputAudio, setting.vAudioChannels);
}

void CDeviceGPIODlg::SetInputDefault(int32_t iValue)
{
    if (IsInputPort(m_iInputPort))
        m_record.vInputPortSettings[static_cast<size_t>(m_iInputPort)].iDefaultValue = iValue;
}

void CDeviceGPIODlg::EnableInputControls()
{
    const bool bEnable = m_bEnabled && IsInputPort(m_iInputPort);
    for (CControl* pControl : std::initializer_list<CControl*>{m_pInputName, m_pNotActive, m_pNormallyClose,
                                                               m_pNormallyOpen, m_pInputVideo, m_pInputAudio})
        pControl->SetEnabled(bEnable);
}

// ---- Output ports

void CDeviceGPIODlg::OnOutputPortSelected()
{
    KeepOutputEdits();
    m_iOutputPort = SelectedPort(*m_pOutputPorts, m_record.vOutputPortSettings.size());
    ShowOutputPort();
    EnableOutputControls();
}

void CDeviceGPIODlg::KeepOutputEdits()
{
    if (!IsOutputPort(m_iOutputPort))
        return;
    KeepPortName(*m_pOutputPorts, *m_pOutputName, m_record.vOutputPortNames, m_iOutputPort);
    SOutputPortSetting& rSetting = m_record.vOutputPortSettings[static_cast<size_t>(m_iOutputPort)];
    if (m_pPulse->IsChecked()) {
        rSetting.dwPulseTimeMs = static_cast<uint32_t>(m_pPulseTime->GetInt());
        rSetting.dwDefaultValue = m_pOutputDefault->Selection() == 1 ? 1 : 0;
    } else {
        rSetting.dwPulseTimeMs = 0;
        rSetting.dwDefaultValue = 0;
    }
}

void CDeviceGPIODlg::ShowOutputPort()
{
    if (!IsOutputPort(m_iOutputPort)) {
        m_pPulseTime->SetText({});
        m_pOutputDefault->SetSelection(-1);
        m_pPulse->SetChecked(false);
        m_pOutputName->SetText({});
        m_pUseForReset->SetChecked(false);
        m_pUseForPower->SetChecked(false);
        return;
    }
    const SOutputPortSetting& setting = m_record.vOutputPortSettings[static_cast<size_t>(m_iOutputPort)];
    m_pPulseTime->SetInt(static_cast<int32_t>(setting.dwPulseTimeMs));
    m_pOutputDefault->SetSelection(setting.dwDefaultValue != 0 ? 1 : 0);
    m_pPulse->SetChecked(setting.dwPulseTimeMs >= 1);
    m_pOutputName->SetText(m_record.vOutputPortNames[static_cast<size_t>(m_iOutputPort)]);
    m_pUseForReset->SetChecked(m_record.iResetIndex == m_iOutputPort);
    m_pUseForPower->SetChecked(m_record.iPowerIndex == m_iOutputPort);
}

void CDeviceGPIODlg::OnPulseClicked()
{
    // Only a pulse port can reset the device; the power port may stay a level.
    if (!m_pPulse->IsChecked() && m_record.iResetIndex == m_iOutputPort) {
        m_pUseForReset->SetChecked(false);
        m_record.iResetIndex = -1;
    }
    EnableOutputControls();
}

void CDeviceGPIODlg::EnableOutputControls()
{
    const bool bEnable = m_bEnabled && IsOutputPort(m_iOutputPort);
    m_pOutputName->SetEnabled(bEnable);
    m_pPulse->SetEnabled(bEnable);
    for (CControl* pControl :
         std::initializer_list<CControl*>{m_pPulseTime, m_pOutputDefault, m_pUseForReset, m_pUseForPower})
        pControl->SetEnabled(bEnable && m_pPulse->IsChecked());
}

void CDeviceGPIODlg::OnLimitClicked()
{
    m_pWakeupMinutes->SetEnabled(m_bEnabled && m_pLimit->IsChecked());
    if (m_pLimit->IsChecked())
        m_pWakeupMinutes->RequestFocus();
}

} // namespace kov
