#include "sections/Maintenance.h"

#include <algorithm>

#include "document/Customization.h"
#include "document/Exchange.h"
#include "document/Namespace.h"
#include "link/ParameterDocumentHolder.h"
#include "support/TextNumbers.h"

namespace kov {

namespace {

constexpr char16_t kCaptureDeviceConfig[] = u"kov:CaptureDeviceConfig";
constexpr char16_t kCaptureDeviceStatus[] = u"kov:CaptureDeviceStatus";
constexpr char16_t kEnableParametersReset[] = u"kov:EnableParametersReset";

constexpr char kLdrProductLinkPrefix[] = "KOV_Blackfin";
constexpr char kModelLinkPrefix[] = "vesk-";

constexpr int kUnitCount = static_cast<int>(std::size(kRestartPeriodUnits));

} // namespace

bool SMaintenanceSettings::Exchange(NodeRef root, bool bStore)
{
    NodeRef config = root.FindOrCreateChild(kCaptureDeviceConfig, kKovNamespaceUri, bStore);
    NodeRef status = root.FindOrCreateChild(kCaptureDeviceStatus, kKovNamespaceUri, bStore);
    if (!config || !status)
        return false;
    bool bAll = true;
    if (!bStore) {
        bAll &= ExchangeTextAttribute(config, u"kov:DeviceModel", false, wszDeviceModel);
        bAll &= ExchangeTextAttribute(config, u"kov:SoftwareVersion", false, wszSoftwareVersion);
    }
    // The element holds a signed 32-bit number: larger periods are written as the largest one
    // rather than wrapping into a negative text, and a negative one reads as none.
    auto iPeriod = static_cast<int32_t>(std::min<uint32_t>(dwRestartPeriod, INT32_MAX));
    bAll &= ExchangeIntElement(status, u"kov:RestartPeriod", bStore, iPeriod);
    if (!bStore)
        dwRestartPeriod = iPeriod < 0 ? 0 : static_cast<uint32_t>(iPeriod);
    bAll &= ExchangeBoolAttribute(config, u"kov:CanDisableConsole", bStore, bCanDisableConsole);
    return bAll;
}

SRestartPeriodView RestartPeriodView(uint32_t dwHours)
{
    if (dwHours == 0)
        return {};
    for (int iUnit = kUnitCount - 1; iUnit > 0; --iUnit)
        if (dwHours % kRestartPeriodUnits[iUnit].dwHours == 0)
            return {iUnit, dwHours / kRestartPeriodUnits[iUnit].dwHours};
    return {};
}

bool FirmwareDownloadRequestFor(std::u16string_view wszModel, std::u16string_view wszVersion,
                                SFirmwareDownloadRequest& request)
{
    SFirmwareDownloadRequest result;
    if (wszModel.empty() || wszModel == kLdrModelCode) {
        result.wszProductName = kLdrModelDisplayName;
        result.sLinkPrefix = kLdrProductLinkPrefix;
    } else {
        const SDeviceModel* pModel = FindDeviceModel(wszModel);
        if (!pModel)
            return false;
        result.wszProductName = std::u16string(pModel->wszDisplayName) + u" Device";
        result.sLinkPrefix = kModelLinkPrefix;
    }
    result.iCurrentVersion = ParsePackedVersion(wszVersion, u'.');
    request = std::move(result);
    return true;
}

void SFirmwareDownloadRequest::ApplyTo(CApplicationUpgrade& rDownloader) const
{
    rDownloader.SetProductName(wszProductName);
    rDownloader.SetLinkPrefix(sLinkPrefix);
    rDownloader.SetCurrentVersion(iCurrentVersion);
}

CDeviceProgramDlg::CDeviceProgramDlg(const std::u16string& rwszRememberedPath,
                                     const CCustomization* pCustomization)
    : CRecordPage(u"Maintenance"), m_rwszRememberedPath(rwszRememberedPath), m_pCustomization(pCustomization),
      m_transfer(*this, *this)
{
    BeginRow();
    m_pFilePath = &AddEdit(IDC_FILE_PATH, u"Binary Program File:");
    AddButton(IDC_BROWSE, u"Browse").SetOnClick([this] { Browse(); });
    AddButton(IDC_DOWNLOAD, u"Download").SetOnClick([this] { OnDownload(); });
    AddButton(IDC_PROGRAM, u"Program").SetOnClick([this] { Program(); });
    End();
    for (int i = 0; i < kProgramBarCount; ++i)
        m_apBars[i] = &AddProgressBar(kProgramBars[i].iId, kProgramBars[i].wszLabel);
    m_pAutomaticRestart = &AddCheckBox(IDC_AUTOMATIC_RESTART, u"Automatic Restart");
    BeginRow();
    AddButton(IDC_RESTART_DEVICE, u"Restart Device").SetOnClick([this] { OnRestartDevice(); });
    AddButton(IDC_RESET_PARAMETERS, u"Reset Parameters").SetOnClick([this] { ResetParameters(); });
    AddButton(IDC_DISABLE_CONSOLE, u"Disable Console").SetOnClick([this] { OnDisableConsole(); });
    AddStretch();
    End();
    BeginGroup(0, u"Restart Period:");
    BeginRow();
    m_pPeriod = &AddNumberEdit(IDC_RESTART_PERIOD, u"Restart the device every");
    m_pPeriodUnit = &AddDropDownList(IDC_PERIOD_UNIT, {});
    m_pPeriodUnit->SetOnChange([this] { OnUnitChanged(); });
    AddStretch();
    End();
    End();
    AddStretch();

    Bind().Custom([this](const SMaintenanceSettings& r) { ShowRestartPeriod(r.dwRestartPeriod); },
                  [this](SMaintenanceSettings& r) {
                      const int iUnit = std::clamp(m_pPeriodUnit->Selection(), 0, kUnitCount - 1);
                      const uint64_t qwHours =
                          uint64_t(kRestartPeriodUnits[iUnit].dwHours) * m_pPeriod->GetUInt();
                      r.dwRestartPeriod = static_cast<uint32_t>(std::min<uint64_t>(qwHours, UINT32_MAX));
                  });
}

std::span<const SToolTip> CDeviceProgramDlg::ToolTips() const
{
    static constexpr SToolTip kToolTips[] = {
        {IDC_FILE_PATH, u"Firmware file path for device programming."},
        {IDC_BROWSE, u"Browse for a firmware file on the PC."},
        {IDC_DOWNLOAD, u"Download the latest firmware for the current device from the internet."},
        {IDC_PROGRAM, u"Program the currently selected firmware file to the device."},
        {IDC_AUTOMATIC_RESTART, u"Restart the device after programming. Recommended."},
        {IDC_RESTART_DEVICE, u"Restart the device now."},
        {IDC_RESET_PARAMETERS, u"Reset the device to the default recommended parameters."},
        {IDC_DISABLE_CONSOLE,
         u"Disable logging and management console over the UART. Relevant for VESK devices."},
        {IDC_RESTART_PERIOD, u"Restart the device every specific period of time."},
        {IDC_PERIOD_UNIT, u"The time units for periodic device restart."},
    };
    return kToolTips;
}

void CDeviceProgramDlg::OnInitialise()
{
    for (int i = 0; i < kProgramBarCount; ++i)
        Bar(static_cast<EProgramBar>(i)).SetRange(0, 100);
    m_pFilePath->SetText(m_rwszRememberedPath);
    m_pAutomaticRestart->SetChecked(true);
    m_pPeriodUnit->DeleteAllItems();
    for (const SRestartPeriodUnit& unit : kRestartPeriodUnits)
        m_pPeriodUnit->AddItem(unit.wszText, unit.dwHours);
    ShowRestartPeriod(0);
}

void CDeviceProgramDlg::Enable(bool bConnected)
{
    m_bEnabled = bConnected;
    EnableControls({IDC_BROWSE, IDC_DOWNLOAD, IDC_FILE_PATH, IDC_PROGRAM, IDC_BUFFER_ACCEPT,
                    IDC_SECTORS_ERASE, IDC_FLASH_WRITE, IDC_FLASH_VERIFY, IDC_RESTART_DEVICE,
                    IDC_RESET_PARAMETERS, IDC_AUTOMATIC_RESTART, IDC_PERIOD_UNIT},
                   bConnected);
    EnableControls({IDC_RESTART_PERIOD}, bConnected && m_iUnit > 0);
    EnableControls({IDC_DISABLE_CONSOLE}, bConnected && m_record.bCanDisableConsole);
    if (m_pCustomization && m_pCustomization->Root()) {
        bool bResetAllowed = true;
        if (NodeRef reset = m_pCustomization->Root().FindChild(kEnableParametersReset))
            reset.GetTextBool(bResetAllowed);
        if (!bResetAllowed)
            EnableControls({IDC_RESET_PARAMETERS}, false);
        EnableControls({IDC_DOWNLOAD}, false);
    }
    for (int i = 0; i < kProgramBarCount; ++i)
        Bar(static_cast<EProgramBar>(i)).SetPos(0);
}

bool CDeviceProgramDlg::Browse()
{
    SFileDialogOptions options;
    options.wszFilter = kProgramFileFilter;
    options.wszInitialPath = m_pFilePath->Text();
    options.bMustExist = true;
    std::optional<std::u16string> oPath = OpenFileDialog(options);
    if (!oPath)
        return false;
    m_pFilePath->SetText(*oPath);
    return true;
}

bool CDeviceProgramDlg::Confirm(const SFirmwareMessage& message)
{
    if (!message.bConfirmation) {
        MessageBox(message.wszText, message.wszCaption);
        return false;
    }
    return MessageBox(message.wszText, message.wszCaption, EMsgButtons::OkCancel, EMsgIcon::Question) ==
           EDlgResult::Ok;
}

EProgramResult CDeviceProgramDlg::Program()
{
    m_transfer.Stop();
    const std::u16string wszPath = m_pFilePath->Text();
    const SProgramFileClass fileClass = ClassifyProgramFile(wszPath, m_record.wszDeviceModel);
    SFirmwareMessage message;
    if (!fileClass.bFound || fileClass.eKind == ProgramFileKind::None) {
        message = ClassificationMessage(fileClass);
    } else if (fileClass.eKind == ProgramFileKind::Ldr) {
        message = LdrVersionMessage(ReadLdrVersion(wszPath));
    } else {
        STgzIdentification ident;
        message = TgzCheckMessage(ReadTgzIdentification(wszPath, fileClass.iPlatformId, ident), ident,
                                  fileClass.iPlatformId);
    }
    if (!Confirm(message))
        return message.bConfirmation ? EProgramResult::Cancelled : EProgramResult::Refused;
    switch (m_transfer.Start(wszPath)) {
    case ETransferStart::Started: return EProgramResult::Started;
    case ETransferStart::Empty:
    case ETransferStart::TooLarge:
        // Confirmed by the operator, so not dropped silently: the file cannot be sent as it is.
        OnReadError();
        return EProgramResult::Unsendable;
    case ETransferStart::NotConnected: return EProgramResult::NotConnected;
    case ETransferStart::CannotOpen: return EProgramResult::CannotOpen;
    case ETransferStart::SendFailed: return EProgramResult::SendFailed;
    }
    return EProgramResult::SendFailed;
}

EProgramResult CDeviceProgramDlg::ProgramFile(const std::u16string& wszPath, bool bAutomaticRestart)
{
    m_pFilePath->SetText(wszPath);
    m_pAutomaticRestart->SetChecked(bAutomaticRestart);
    return Program();
}

EProgramResult CDeviceProgramDlg::OnFirmwareDownloaded(const std::u16string& wszPath)
{
    m_pFilePath->SetText(wszPath);
    return Program();
}

void CDeviceProgramDlg::OnDownload()
{
    // Without a downloader (a page on its own) the button does nothing.
    if (!m_fnDownload)
        return;
    SFirmwareDownloadRequest request;
    if (!FirmwareDownloadRequestFor(m_record.wszDeviceModel, m_record.wszSoftwareVersion, request)) {
        Report({EOutcome::UnknownDeviceModel});
        return;
    }
    m_fnDownload(request);
}

void CDeviceProgramDlg::OnRestartDevice()
{
    if (IsConnected())
        Send(RestartDevice, 0, {});
}

EDeviceRequest CDeviceProgramDlg::ResetParameters()
{
    static constexpr SConfirmedRequest kRequest{kov::ResetParameters, EOutcome::ConfirmResetParameters,
                                                EOutcome::ResetParametersNotReady, false};
    return SendConfirmedRequest(kRequest, Host(), m_pHolder, m_pOutcomes);
}

void CDeviceProgramDlg::OnDisableConsole()
{
    if (IsConnected())
        Send(DisableConsole, 0, {});
}

void CDeviceProgramDlg::OnUnitChanged()
{
    m_iUnit = std::max(SelectionOf(IDC_PERIOD_UNIT), 0);
    EnableControls({IDC_RESTART_PERIOD}, m_iUnit > 0);
}

void CDeviceProgramDlg::ShowRestartPeriod(uint32_t dwHours)
{
    const SRestartPeriodView view = RestartPeriodView(dwHours);
    m_iUnit = view.iUnit;
    m_pPeriodUnit->SetSelection(view.iUnit);
    if (view.iUnit > 0)
        m_pPeriod->SetUInt(view.dwCount);
    EnableControls({IDC_RESTART_PERIOD}, m_bEnabled && view.iUnit > 0);
}

void CDeviceProgramDlg::StartProgramming()
{
    Enable(true);
    // A device asking to be programmed has sent no parameters: its model is unknown.
    m_record.wszDeviceModel.clear();
    if (m_pFilePath->Text().empty() && !Browse())
        return;
    Program();
}

void CDeviceProgramDlg::OnProgrammingEvent(const SDeviceEventData& event)
{
    m_transfer.HandleEvent(event);
}

void CDeviceProgramDlg::EndProgramming()
{
    m_transfer.Finish();
}

bool CDeviceProgramDlg::IsConnected() const
{
    return m_pHolder && m_pHolder->IsConnected();
}

bool CDeviceProgramDlg::Send(uint32_t dwCommandId, uint32_t dwParam, std::string_view sPayload)
{
    return m_pHolder && m_pHolder->SendCommand(dwCommandId, dwParam, sPayload);
}

void CDeviceProgramDlg::OnProgress(EProgramBar eBar, int iPercent)
{
    CProgressBar& bar = Bar(eBar);
    if (bar.Pos() == iPercent)
        return;
    bar.SetPos(iPercent);
    // Bars set back to 0 before or after a run are not the run's progress.
    if (m_transfer.State() != ETransferState::Idle)
        Report({static_cast<EOutcome>(static_cast<int>(EOutcome::BufferAccepted) + static_cast<int>(eBar)),
                iPercent});
}

void CDeviceProgramDlg::OnReadError()
{
    Report({EOutcome::ProgramFileReadError});
}

CProgressBar& CDeviceProgramDlg::Bar(EProgramBar eBar) const
{
    return *m_apBars[static_cast<int>(eBar)];
}

} // namespace kov
