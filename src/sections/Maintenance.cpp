#include "sections/Maintenance.h"

#include <algorithm>

#include "document/Customization.h"
#include "document/Exchange.h"
#include "document/Namespace.h"
#include "link/ParameterDocumentHolder.h"

namespace kov {

namespace {

constexpr char16_t kCaptureDeviceConfig[] = u"kov:CaptureDeviceConfig";
constexpr char16_t kCaptureDeviceStatus[] = u"kov:CaptureDeviceStatus";
constexpr char16_t kEnableParametersReset[] = u"kov:EnableParametersReset";

constexpr char16_t kLdrProductLinkPrefix[] = u"KOV_Blackfin";
constexpr char16_t kModelLinkPrefix[] = u"vesk-";

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

int64_t ParseSoftwareVersion(std::u16string_view wszVersion)
{
    uint32_t dwPacked = 0;
    int iNumbers = 0;
    size_t i = 0;
    while (true) {
        uint32_t dwNumber = 0;
        size_t iDigits = 0;
        for (; i < wszVersion.size() && wszVersion[i] >= u'0' && wszVersion[i] <= u'9'; ++i, ++iDigits) {
            dwNumber = dwNumber * 10 + (wszVersion[i] - u'0');
            if (dwNumber > 255)
                return -1;
        }
        if (iDigits == 0 || ++iNumbers > 4)
            return -1;
        dwPacked = dwPacked << 8 | dwNumber;
        if (i == wszVersion.size())
            break;
        if (wszVersion[i++] != u'.')
            return -1;
    }
    return iNumbers == 4 ? int64_t(dwPacked) : -1;
}

bool FirmwareDownloadRequestFor(std::u16string_view wszModel, std::u16string_view wszVersion,
                                SFirmwareDownloadRequest& request)
{
    SFirmwareDownloadRequest result;
    if (wszModel.empty() || wszModel == kLdrModelCode) {
        result.wszProductName = kLdrModelDisplayName;
        result.wszLinkPrefix = kLdrProductLinkPrefix;
    } else {
        const SDeviceModel* pModel = FindDeviceModel(wszModel);
        if (!pModel)
            return false;
        result.wszProductName = std::u16string(pModel->wszDisplayName) + u" Device";
        result.wszLinkPrefix = kModelLinkPrefix;
    }
    result.llCurrentVersion = ParseSoftwareVersion(wszVersion);
    request = std::move(result);
    return true;
}

CDeviceProgramDlg::CDeviceProgramDlg(const std::u16string& rwszRememberedPath,
                                     const CCustomization* pCustomization)
    : CSectionPage(u"Maintenance"), m_rwszRememberedPath(rwszRememberedPath),
      m_pCustomization(pCustomization), m_transfer(*this, *this)
{
    BeginRow();
    AddEdit(IDC_FILE_PATH, u"Binary Program File:");
    AddButton(IDC_BROWSE, u"Browse").SetOnClick([this] { Browse(); });
    AddButton(IDC_DOWNLOAD, u"Download").SetOnClick([this] { OnDownload(); });
    AddButton(IDC_PROGRAM, u"Program").SetOnClick([this] { Program(); });
    End();
    for (const SProgramBarControl& bar : kProgramBars)
        AddProgressBar(bar.iId, bar.wszLabel);
    AddCheckBox(IDC_AUTOMATIC_RESTART, u"Automatic Restart");
    BeginRow();
    AddButton(IDC_RESTART_DEVICE, u"Restart Device").SetOnClick([this] { OnRestartDevice(); });
    AddButton(IDC_RESET_PARAMETERS, u"Reset Parameters").SetOnClick([this] { ResetParameters(); });
    AddButton(IDC_DISABLE_CONSOLE, u"Disable Console").SetOnClick([this] { OnDisableConsole(); });
    AddStretch();
    End();
    BeginGroup(0, u"Restart Period:");
    BeginRow();
    AddNumberEdit(IDC_RESTART_PERIOD, u"Restart the device every");
    AddDropDownList(IDC_PERIOD_UNIT, {}).SetOnChange([this] { OnUnitChanged(); });
    AddStretch();
    End();
    End();
    AddStretch();
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
    Find<CEdit>(IDC_FILE_PATH)->SetText(m_rwszRememberedPath);
    Find<CCheckBox>(IDC_AUTOMATIC_RESTART)->SetChecked(true);
    CDropDownList& units = *Find<CDropDownList>(IDC_PERIOD_UNIT);
    units.DeleteAllItems();
    for (const SRestartPeriodUnit& unit : kRestartPeriodUnits)
        units.AddItem(unit.wszText, unit.dwHours);
    ShowRestartPeriod(0);
}

bool CDeviceProgramDlg::Load()
{
    m_settings = SMaintenanceSettings{};
    const bool bMatched = m_pHolder && m_settings.Exchange(m_pHolder->Document(false), false);
    ShowRestartPeriod(m_settings.dwRestartPeriod);
    return bMatched;
}

void CDeviceProgramDlg::Store()
{
    const int iUnit = std::clamp(SelectionOf(IDC_PERIOD_UNIT), 0, kUnitCount - 1);
    const uint64_t qwHours =
        uint64_t(kRestartPeriodUnits[iUnit].dwHours) * Find<CEdit>(IDC_RESTART_PERIOD)->GetUInt();
    m_settings.dwRestartPeriod = static_cast<uint32_t>(std::min<uint64_t>(qwHours, UINT32_MAX));
    if (m_pHolder)
        m_settings.Exchange(m_pHolder->Document(true), true);
}

void CDeviceProgramDlg::Enable(bool bConnected)
{
    m_bEnabled = bConnected;
    // Pages are disabled when the link closes: a transfer cut off mid-way gets no more replies,
    // so its file is closed here rather than left open until the next Program.
    if (!bConnected && !IsConnected())
        m_transfer.Finish();
    EnableControls({IDC_BROWSE, IDC_DOWNLOAD, IDC_FILE_PATH, IDC_PROGRAM, IDC_BUFFER_ACCEPT,
                    IDC_SECTORS_ERASE, IDC_FLASH_WRITE, IDC_FLASH_VERIFY, IDC_RESTART_DEVICE,
                    IDC_RESET_PARAMETERS, IDC_AUTOMATIC_RESTART, IDC_PERIOD_UNIT},
                   bConnected);
    EnableControls({IDC_RESTART_PERIOD}, bConnected && m_iUnit > 0);
    EnableControls({IDC_DISABLE_CONSOLE}, bConnected && m_settings.bCanDisableConsole);
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
    options.wszInitialPath = TextOf(IDC_FILE_PATH);
    options.bMustExist = true;
    std::optional<std::u16string> oPath = OpenFileDialog(options);
    if (!oPath)
        return false;
    Find<CEdit>(IDC_FILE_PATH)->SetText(*oPath);
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
    const std::u16string wszPath = TextOf(IDC_FILE_PATH);
    const SProgramFileClass fileClass = ClassifyProgramFile(wszPath, m_settings.wszDeviceModel);
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
    Find<CEdit>(IDC_FILE_PATH)->SetText(wszPath);
    Find<CCheckBox>(IDC_AUTOMATIC_RESTART)->SetChecked(bAutomaticRestart);
    return Program();
}

void CDeviceProgramDlg::OnFirmwareDownloaded(const std::u16string& wszPath)
{
    Find<CEdit>(IDC_FILE_PATH)->SetText(wszPath);
    Program();
}

void CDeviceProgramDlg::OnDownload()
{
    // The firmware downloader comes with the application upgrade; until it sets the handler,
    // the button does nothing.
    if (!m_fnDownload)
        return;
    SFirmwareDownloadRequest request;
    if (!FirmwareDownloadRequestFor(m_settings.wszDeviceModel, m_settings.wszSoftwareVersion, request)) {
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
    Find<CDropDownList>(IDC_PERIOD_UNIT)->SetSelection(view.iUnit);
    if (view.iUnit > 0)
        Find<CEdit>(IDC_RESTART_PERIOD)->SetUInt(view.dwCount);
    EnableControls({IDC_RESTART_PERIOD}, m_bEnabled && view.iUnit > 0);
}

void CDeviceProgramDlg::StartProgramming()
{
    Enable(true);
    // A device asking to be programmed has sent no parameters: its model is unknown.
    m_settings.wszDeviceModel.clear();
    if (TextOf(IDC_FILE_PATH).empty() && !Browse())
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
    return *Find<CProgressBar>(kProgramBars[static_cast<int>(eBar)].iId);
}

} // namespace kov
