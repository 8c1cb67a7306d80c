#include "shell/MainFrame.h"

#include "document/AppOptions.h"
#include "document/Namespace.h"
#include "platform/KnownFolders.h"
#include "sections/Maintenance.h"
#include "shell/MainDialogs.h"
#include "shell/PageRegistry.h"
#include "support/CrashLedger.h"
#include "support/Paths.h"
#include "support/ScopeFrame.h"
#include "support/SystemTests.h"
#include "support/TextCodec.h"
#include "support/TextNumbers.h"

namespace kov {

namespace {

// Device texts are NUL-terminated UTF-8; a connection-status kind goes to the Connection page.
bool IsConnectionStatusKind(uint32_t dwKind)
{
    return dwKind == 1 || dwKind == 7;
}

// A parameter document with its root and nothing in it: every page shows its defaults.
void MakeEmptyDocument(TreeRef& rTree)
{
    // A fresh tree: the document may share its tree with one handed in whole.
    rTree = TreeRef();
    rTree.CreateRoot(kChangeDocumentRoot, kKovNamespaceUri);
}

// Reports go through the main window's file system and into its application-data folder
// unless they name their own.
SReportSettings ReportSettingsOf(const SMainFrameSettings& settings, IFileSystem& fileSystem)
{
    SReportSettings reports = settings.reports;
    if (!reports.pFileSystem)
        reports.pFileSystem = &fileSystem;
    if (!reports.oAppDataFolder)
        reports.oAppDataFolder = settings.oAppDataFolder;
    return reports;
}

} // namespace

CMainFrame::CMainFrame(IMainView& view, SMainFrameSettings settings)
    : m_view(view), m_holder(std::move(settings.pTransport)),
      m_pSystemInfo(settings.pSystemInfo ? settings.pSystemInfo : &SystemInfo()),
      m_pFileSystem(settings.pFileSystem ? settings.pFileSystem : &SystemFileSystem()),
      m_diagnostics(
          view, m_holder,
          [this] { return m_pDeviceIdentification ? m_pDeviceIdentification->Record().iDeviceId : 0; },
          ReportSettingsOf(settings, *m_pFileSystem)),
      m_pSystemTools(settings.pSystemTools ? settings.pSystemTools : &SystemTools()),
      m_sUdevRulesFolder(settings.oUdevRulesFolder ? *settings.oUdevRulesFolder : UdevRulesFolder()),
      m_wszAppDataFolder(settings.oAppDataFolder ? *settings.oAppDataFolder : UserAppDataFolder()),
      m_pDriverMaintenance(settings.pDriverMaintenance ? settings.pDriverMaintenance : &DriverMaintenance()),
      m_bWatchDevices(settings.bWatchDevices)
{
    m_holder.SetFileSystem(*m_pFileSystem);
    // Report files are the main window's own work; a front end may take the reports instead.
    SetReportHandler(&m_diagnostics);
    m_tree.SetOnShowSelection([this](int32_t iSubject) { m_view.ShowTreeSelection(iSubject); });
    m_tree.SetOnSelectionChanged([this](int32_t iSubject) { OnTreeSelectionChanged(iSubject); });
    m_swapper.SetOnShow(
        [this](int32_t iSubject, CForm* pWindow) { m_view.ShowPageWindow(iSubject, pWindow); });

    // The options file is read below, before the pages are initialised, so the Maintenance page
    // starts from the remembered path; the custom texts are read when it is first enabled.
    const SPageContext context{m_wszProgramFilePath, m_customization};
    for (const SPageRegistration& registration : PageRegistrations()) {
        std::unique_ptr<CPage> pPage = registration.fnCreate(context);
        if (auto* pSink = dynamic_cast<IConnectionStatusSink*>(pPage.get()))
            SetConnectionStatusSink(pSink);
        if (auto* pProgramming = dynamic_cast<IProgrammingHandler*>(pPage.get()))
            SetProgrammingHandler(pProgramming);
        if (auto* pWriteTest = dynamic_cast<IWriteTestHandler*>(pPage.get()))
            SetWriteTestHandler(pWriteTest);
        m_swapper.AddPage(registration.iSubjectId, std::move(pPage));
    }
    m_pDeviceIdentification =
        dynamic_cast<CMainDevicePropertiesDlg*>(m_swapper.PageOf(kSubjectDeviceIdentification));

    m_wszOptionsFile = settings.oOptionsFile ? *settings.oOptionsFile : PrepareAppOptionsFile();
    if (!m_wszOptionsFile.empty())
        LoadAppOptions(m_wszOptionsFile, m_wszProgramFilePath);

    for (const SSubject& subject : kSubjects) {
        if (auto* pPage = dynamic_cast<CSectionPage*>(m_swapper.PageOf(subject.iId))) {
            pPage->SetDocumentHolder(&m_holder);
            pPage->SetOutcomeObserver(this);
        }
        if (CForm* pWindow = m_swapper.WindowOf(subject.iId)) {
            pWindow->SetHost(&m_view);
            pWindow->Initialise();
        }
    }

    m_upgrades.Configure(
        {std::move(settings.sDownloadSite), m_wszOptionsFile,
         settings.oDownloadFolder ? std::move(settings.oDownloadFolder) : settings.oAppDataFolder});
    m_upgrades.AttachMaintenancePage(dynamic_cast<CDeviceProgramDlg*>(m_swapper.PageOf(kSubjectMaintenance)));

    if (settings.oCustomizationFolder)
        m_customization.Load(*settings.oCustomizationFolder);
    else
        m_customization.Load();
}

CMainFrame::~CMainFrame()
{
    // The receive thread and the device watches may still post; end them while the pages and
    // the queue exist.
    m_holder.Transport().WatchDeviceChanges(nullptr);
    m_holder.Disconnect(true);
}

bool CMainFrame::Create()
{
    std::u16string wszApplicationName;
    if (m_customization.ApplicationName(wszApplicationName)) {
        m_view.SetTitle(wszApplicationName);
        SetWin32ExceptionAppName(Utf16ToUtf8(wszApplicationName).c_str());
    } else {
        m_view.SetTitle(kMainWindowTitle);
    }
    Report(EOutcome::Ready);

    SetCommandState(ID_VIEW_TOOLBAR, true, true);
    SetCommandState(ID_VIEW_STATUS_BAR, true, true);
    SetCommandState(ID_VIEW_TREEPANE, true, true);

    m_holder.SetEventSink(&m_queue);
    m_swapper.EnableAll(false);

    // The driver is a udev rule here: its four commands always apply. The maintenance commands
    // follow the system's versions where the system has them at all.
    const SSystemFacts facts = m_pSystemInfo->Facts();
    const bool bSigningModes = IsVersion6OrLater(facts) && IsRunning32On64Bit(facts);
    SetCommandState(ID_DRIVER_TEST_MODE, bSigningModes && IsCommandAvailable(ID_DRIVER_TEST_MODE));
    SetCommandState(ID_DRIVER_NORMAL_MODE, bSigningModes && IsCommandAvailable(ID_DRIVER_NORMAL_MODE));
    SetCommandState(ID_DRIVER_RESTART_WITH_OPTIONS,
                    IsVersion62OrLater(facts) && IsCommandAvailable(ID_DRIVER_RESTART_WITH_OPTIONS));
    SetCommandState(ID_DRIVER_DELETE_USB_FLAGS, IsCommandAvailable(ID_DRIVER_DELETE_USB_FLAGS));
    const bool bCustomized = m_customization.IsLoaded();
    std::u16string wszIgnored;
    SetCommandState(ID_HELP_UPGRADE, !bCustomized);
    SetCommandState(ID_HELP_WEBSITE,
                    !bCustomized || m_customization.GetCustomText(u"kov:WebsiteURL", wszIgnored));
    SetCommandState(ID_HELP_EMAIL_SUPPORT,
                    !bCustomized || m_customization.GetCustomText(u"kov:SupportEmailAddress", wszIgnored));

    m_view.StartTimer(kPresenceTimerId, kPresencePeriodMs);
    // Besides the poll: a tick as soon as the system reports a device coming or going.
    if (m_bWatchDevices) {
        m_holder.Transport().WatchDeviceChanges([this] {
            SDeviceEventData event;
            event.eEvent = DeviceEvent::DevicesChangedEvent;
            m_queue.PostDeviceEvent(std::move(event));
        });
    }
    return true;
}

void CMainFrame::SetCommandState(uint32_t dwCommandId, bool bEnabled, std::optional<bool> oChecked)
{
    SCommandState& state = m_commandStates[dwCommandId];
    state.bEnabled = bEnabled;
    if (oChecked)
        state.bChecked = *oChecked;
    m_view.CommandStateChanged(dwCommandId);
}

bool CMainFrame::IsCommandEnabled(uint32_t dwCommandId) const
{
    auto it = m_commandStates.find(dwCommandId);
    return it == m_commandStates.end() || it->second.bEnabled;
}

bool CMainFrame::IsCommandAvailable(uint32_t dwCommandId) const
{
    switch (dwCommandId) {
    case ID_DRIVER_TEST_MODE: return m_pDriverMaintenance->IsAvailable(EDriverMaintenance::TestMode);
    case ID_DRIVER_NORMAL_MODE: return m_pDriverMaintenance->IsAvailable(EDriverMaintenance::NormalMode);
    case ID_DRIVER_RESTART_WITH_OPTIONS:
        return m_pDriverMaintenance->IsAvailable(EDriverMaintenance::RestartWithOptions);
    case ID_DRIVER_DELETE_USB_FLAGS:
        return m_pDriverMaintenance->IsAvailable(EDriverMaintenance::DeleteUsbFlags);
    default: return true;
    }
}

bool CMainFrame::IsCommandChecked(uint32_t dwCommandId) const
{
    auto it = m_commandStates.find(dwCommandId);
    return it != m_commandStates.end() && it->second.bChecked;
}

void CMainFrame::ClearChangeDocument()
{
    MakeEmptyDocument(m_holder.ChangeDocument());
}

std::u16string CMainFrame::ProgramFilePath() const
{
    return m_pProgramming ? m_pProgramming->ProgramFilePath() : m_wszProgramFilePath;
}

// ---- Commands --------------------------------------------------------------------------

bool CMainFrame::OnCommand(uint32_t dwCommandId)
{
    if (!IsCommandEnabled(dwCommandId))
        return false;
    switch (dwCommandId) {
    case ID_FILE_NEW:
    case ID_FILE_PRINT:
    case ID_NEXT_PANE:
    case ID_PREV_PANE: return true; // bound, with no action in this program
    case ID_FILE_OPEN: OnFileOpen(); return true;
    case ID_FILE_SAVE: OnFileSave(); return true;
    case ID_FILE_SAVE_AS: OnFileSaveAs(); return true;
    case ID_FILE_CLOSE: OnFileClose(); return true;
    case ID_WRITE_TO_DEVICE: OnWriteToDevice(); return true;
    case ID_RESET_DEVICE: OnResetDevice(); return true;
    case ID_SHUTDOWN_DEVICE: OnShutdownDevice(); return true;
    case ID_APP_EXIT: m_view.PostCloseRequest(); return true;
    case ID_EDIT_UNDO:
    case ID_EDIT_CUT:
    case ID_EDIT_COPY:
    case ID_EDIT_PASTE: m_view.SendEditCommand(dwCommandId); return true;
    case ID_VIEW_TOOLBAR: OnToggleBar(dwCommandId, EBar::ToolBar); return true;
    case ID_VIEW_STATUS_BAR: OnToggleBar(dwCommandId, EBar::StatusBar); return true;
    case ID_VIEW_TREEPANE: OnToggleTreePane(); return true;
    case ID_PANE_CLOSE: OnCloseTreePane(); return true;
    case ID_DEBUG_VIEW_CRITICAL_LOG: OnSendIfConnected(ReadCriticalLog); return true;
    case ID_DEBUG_DELETE_CRITICAL_LOG: OnSendIfConnected(DeleteCriticalLog); return true;
    case ID_DEBUG_DIAGNOSTIC_INFORMATION: m_diagnostics.OnDiagnosticInformation(); return true;
    case ID_HELP_DIAGNOSTIC_INFORMATION: m_diagnostics.OnProgramStateReport(); return true;
    case ID_APP_ABOUT: OnAbout(); return true;
    case ID_HELP_UPGRADE: m_upgrades.StartApplicationUpgrade(); return true;
    case ID_HELP_WEBSITE: OnWebsite(); return true;
    case ID_HELP_EMAIL_SUPPORT: OnEmailSupport(); return true;
    case ID_DRIVER_DOWNLOAD: OnDriverTask(DriverTaskMode::Download); return true;
    case ID_DRIVER_DOWNLOAD_AND_INSTALL: OnDriverTask(DriverTaskMode::DownloadAndInstall); return true;
    case ID_DRIVER_INSTALL: OnDriverTask(DriverTaskMode::Install); return true;
    case ID_DRIVER_UNINSTALL: OnDriverTask(DriverTaskMode::Uninstall); return true;
    case ID_DRIVER_TEST_MODE: OnDriverMaintenance(EDriverMaintenance::TestMode); return true;
    case ID_DRIVER_NORMAL_MODE: OnDriverMaintenance(EDriverMaintenance::NormalMode); return true;
    case ID_DRIVER_RESTART_WITH_OPTIONS:
        OnDriverMaintenance(EDriverMaintenance::RestartWithOptions);
        return true;
    case ID_DRIVER_DELETE_USB_FLAGS: OnDriverMaintenance(EDriverMaintenance::DeleteUsbFlags); return true;
    case ID_DELETE_KEY:
        if (auto* pPage = dynamic_cast<CPage*>(m_swapper.CurrentWindow()))
            pPage->PostPageMessage(kPageDeleteKeyMessage);
        return true;
    default:
        // Commands of an attached front end.
        return m_pCommands && m_pCommands->OnCommand(dwCommandId);
    }
}

void CMainFrame::OnFileOpen()
{
    SFileDialogOptions options;
    options.wszFilter = kParameterFileFilter;
    options.wszDefaultExt = kParameterFileExtension;
    options.bMustExist = true;
    std::optional<std::u16string> oPath = m_view.OpenFileDialog(options);
    if (!oPath)
        return;
    if (!m_holder.OpenFile(*oPath)) {
        Report(EOutcome::FileOpenFailed);
        return;
    }
    m_wszCurrentFilePath = *oPath;
    m_bDeviceDocument = false;
    m_view.OnOutcome({EOutcome::FileOpened, 0, PathFileName(*oPath)});
    const bool bMatched = m_swapper.LoadAll();
    m_swapper.EnableAll(true);
    if (!bMatched)
        Report(EOutcome::ParametersMismatch);
}

void CMainFrame::SaveTo(const std::u16string& wszPath)
{
    // A file's document is what the pages edit: their edits go into it before it is written.
    // A device's document is saved as it was received.
    if (m_holder.State() == EDocumentState::File)
        m_swapper.StoreAll();
    // Not telling the operator would let them believe the parameters were kept.
    if (!m_holder.SaveFile(wszPath)) {
        Report(EOutcome::FileSaveFailed);
        return;
    }
    m_view.OnOutcome({EOutcome::FileSaved, 0, PathFileName(wszPath)});
}

void CMainFrame::OnFileSave()
{
    if (m_wszCurrentFilePath.empty()) {
        OnFileSaveAs();
        return;
    }
    SaveTo(m_wszCurrentFilePath);
}

void CMainFrame::OnFileSaveAs()
{
    SFileDialogOptions options;
    options.wszFilter = kParameterFileFilter;
    options.wszDefaultExt = kParameterFileExtension;
    options.wszInitialPath = m_wszCurrentFilePath;
    options.bMustExist = false;
    options.bPromptOverwrite = true;
    std::optional<std::u16string> oPath = m_view.SaveFileDialog(options);
    if (!oPath)
        return;
    m_wszCurrentFilePath = *oPath;
    SaveTo(m_wszCurrentFilePath);
}

void CMainFrame::OnFileClose()
{
    if (m_holder.State() != EDocumentState::File)
        return;
    Report(EOutcome::FileClosed);
    m_holder.SetState(EDocumentState::None);
    m_swapper.EnableAll(false);
}

void CMainFrame::OnWriteToDevice()
{
    m_swapper.StoreAll();
    std::u16string wszProductName;
    if (m_customization.ProductName(wszProductName)) {
        m_holder.Document(true)
            .FindOrCreateChild(u"kov:CaptureDeviceConfig", kKovNamespaceUri, true)
            .SetAttribute(u"kov:ProductName", kKovNamespaceUri, wszProductName);
    }
    Report(EOutcome::Saving);
    m_bWriteOutstanding = m_holder.WriteToDevice();
    if (!m_bWriteOutstanding)
        Report(EOutcome::CannotSave);
}

void CMainFrame::OnResetDevice()
{
    if (!m_holder.IsConnected()) {
        Report(EOutcome::NoDevice);
        return;
    }
    Report(EOutcome::DeviceReset);
    m_holder.SendCommand(RestartDevice);
}

void CMainFrame::OnShutdownDevice()
{
    if (!m_holder.IsConnected()) {
        Report(EOutcome::NoDevice);
        return;
    }
    Report(EOutcome::DeviceShutdown);
    m_holder.SendCommand(ShutdownDevice);
}

void CMainFrame::OnSendIfConnected(uint32_t dwRequest)
{
    if (!m_holder.IsConnected()) {
        Report(EOutcome::NoDevice);
        return;
    }
    m_holder.SendCommand(dwRequest);
}

void CMainFrame::OnAbout()
{
    CAboutDlg dlg(m_customization.AboutText());
    dlg.SetHost(&m_view);
    m_view.RunModal(dlg);
}

void CMainFrame::OnWebsite()
{
    ScopeFrame scope("MF::OnWebs");
    std::u16string wszUrl;
    if (!m_customization.GetCustomText(u"kov:WebsiteURL", wszUrl))
        wszUrl = kBuiltInWebsite;
    scope.Watch("wszUrl", &wszUrl);
    if (wszUrl.empty())
        return;
    // An address that already names the secure scheme is kept: prefixing it would break it.
    if (!wszUrl.starts_with(u"http://") && !wszUrl.starts_with(u"https://"))
        wszUrl.insert(0, u"http://");
    m_view.OpenWithDefaultHandler(wszUrl);
}

void CMainFrame::OnEmailSupport()
{
    ScopeFrame scope("MF::OnEmSup");
    std::u16string wszAddress;
    m_customization.GetCustomText(u"kov:SupportEmailAddress", wszAddress);
    if (wszAddress.empty())
        wszAddress = kBuiltInSupportEmail;
    scope.Watch("wszAddress", &wszAddress);
    m_view.OpenWithDefaultHandler(u"mailto:" + wszAddress);
}

void CMainFrame::OnDriverTask(DriverTaskMode eMode)
{
    if (!m_pDriverDialog) {
        m_pDriverWork =
            std::make_unique<CDriverWork>(*m_pSystemTools, m_sUdevRulesFolder, m_wszAppDataFolder);
        m_pDriverDialog = std::make_unique<CDownloadInstallDriversProcessDlg>(
            *m_pDriverWork, [this](std::function<void()> fnTask) { m_queue.PostTask(std::move(fnTask)); });
        m_pDriverDialog->SetHost(&m_view);
    }
    m_pDriverDialog->Start(eMode);
}

void CMainFrame::OnDriverMaintenance(EDriverMaintenance eCommand)
{
    for (const SMaintenanceMessage& message : m_pDriverMaintenance->Run(eCommand, true))
        m_view.MessageBox(message.wszText, message.wszCaption, EMsgButtons::Ok, EMsgIcon::None);
}

void CMainFrame::OnToggleBar(uint32_t dwCommandId, EBar eBar)
{
    const bool bShow = !IsCommandChecked(dwCommandId);
    m_view.ShowBar(eBar, bShow);
    SetCommandState(dwCommandId, true, bShow);
}

void CMainFrame::OnToggleTreePane()
{
    const bool bShow = !IsCommandChecked(ID_VIEW_TREEPANE);
    m_view.ShowTreePane(bShow);
    SetCommandState(ID_VIEW_TREEPANE, true, bShow);
}

void CMainFrame::OnCloseTreePane()
{
    m_view.ShowTreePane(false);
    SetCommandState(ID_VIEW_TREEPANE, true, false);
}

void CMainFrame::OnClose()
{
    if (m_pDriverDialog)
        m_pDriverDialog->Stop();
    const std::u16string wszProgramFilePath = ProgramFilePath();
    if (!m_wszOptionsFile.empty())
        SaveAppOptions(wszProgramFilePath, m_wszOptionsFile, *m_pFileSystem);
    m_view.DestroyWindow();
}

// ---- Presence poll and tree ------------------------------------------------------------

void CMainFrame::PresenceTick()
{
    const int32_t iCount = m_holder.CountDevices();
    if (iCount == m_iDeviceCount)
        return;
    const int32_t iOldCount = m_iDeviceCount;
    m_iDeviceCount = iCount;
    // Unsigned, so that an enumeration error (-1) counts as a rise.
    if (uint32_t(iCount) <= uint32_t(iOldCount) || m_holder.IsConnected())
        return;
    if (m_holder.Connect() != ParameterDocumentHolder::kConnected) {
        Report(EOutcome::ConnectionFailed);
        if (m_holder.Transport().OpenDeniedAccess()) {
            // The operator can mend this: say why and where.
            LogView().AppendLine(OutcomeText({EOutcome::DeviceAccessDenied}));
            Report(EOutcome::DeviceAccessDenied);
        }
        return;
    }
    Report(EOutcome::Connected);
    if (!m_holder.RequestParameters())
        Report(EOutcome::ParametersNotRequested);
}

void CMainFrame::OnTreeSelectionChanged(int32_t iNewSubject)
{
    const int32_t iOldSubject = m_swapper.CurrentSubject();
    if (iNewSubject == iOldSubject)
        return;
    m_swapper.Switch(iNewSubject);
    if (!m_holder.IsConnected())
        return;
    if (iNewSubject == kSubjectLog)
        m_holder.SendCommand(LogOutput, 1);
    else if (iOldSubject == kSubjectLog)
        m_holder.SendCommand(LogOutput, 0);
}

// ---- Device events ---------------------------------------------------------------------

int CMainFrame::PumpEvents()
{
    int iHandled = 0;
    SDeviceEventData event;
    while (m_queue.TryTake(event)) {
        HandleDeviceEvent(std::move(event));
        ++iHandled;
    }
    return iHandled;
}

void CMainFrame::HandleDeviceEvent(SDeviceEventData event)
{
    using E = DeviceEvent;
    switch (event.eEvent) {
    case E::DeviceTextEvent: OnDeviceText(event); break;
    case E::SoftwareVersionEvent:
        m_pDeviceIdentification->SetSoftwareVersion(DottedQuadText(event.lParam));
        break;
    case E::LinkClosed: OnLinkClosed(); break;
    case E::ParametersDocumentEvent: OnParametersDocument(event); break;
    case E::WriteParametersResultEvent:
        m_bWriteOutstanding = false;
        Report(event.wParam != 0 ? EOutcome::Saved : EOutcome::SaveFailed);
        break;
    case E::UnsupportedCommandEvent: Report(EOutcome::UnsupportedCommand, int32_t(event.wParam)); break;
    case E::ResetParametersResultEvent: OnResetParametersResult(event.wParam); break;
    case E::PasswordRequestEvent: OnPasswordRequest(); break;
    case E::RecordingsDeletedEvent: Report(EOutcome::RecordingsDeleted, int32_t(event.wParam)); break;
    case E::DisableConsoleResultEvent:
        Report(event.wParam == 0 ? EOutcome::ConsoleDisabled : EOutcome::ConsoleResult,
               int32_t(event.wParam));
        break;
    case E::CommandNotAuthorizedEvent: OnCommandNotAuthorized(); break;
    case E::ProgramRequestEvent: OnProgramRequest(); break;
    case E::FlashWriteErrorEvent: OnFlashWriteError(event.lParam); break;
    case E::ProgramCompleteEvent: OnProgramComplete(); break;
    case E::FlashWriteProgressEvent:
    case E::ProgramBlockAckEvent:
    case E::ProgramReadyEvent:
    case E::SectorEraseProgressEvent:
    case E::FlashVerifyProgressEvent:
        // The Maintenance page runs the exchange; without it the events are dropped.
        if (m_pProgramming)
            m_pProgramming->OnProgrammingEvent(event);
        break;
    case E::CriticalLogEvent:
    case E::DiagnosticsReportEvent:
        // Report files are written by the report handler; without it the text is dropped.
        if (m_pReports)
            m_pReports->OnReportEvent(std::move(event));
        break;
    case E::WriteTestProgressEvent:
    case E::ReadTestProgressEvent:
        // The recording page's test dialog shows these; dropped while it does not exist.
        if (m_pWriteTest)
            m_pWriteTest->OnTestProgress(event);
        break;
    case E::UpgradeReportEvent: m_upgrades.OnReportEvent(event); break;
    case E::UpgradeReadyEvent: m_upgrades.OnReadyEvent(event); break;
    case E::DevicesChangedEvent: PresenceTick(); break;
    case E::InterfaceTaskEvent:
        if (std::function<void()> fnTask; m_queue.TakeTask(fnTask))
            fnTask();
        break;
    }
}

void CMainFrame::OnDeviceText(const SDeviceEventData& event)
{
    const std::u16string wszText = Utf8ToUtf16(event.Text());
    if (IsConnectionStatusKind(event.wParam)) {
        // Shown in "Status:" of the Connection page; dropped while that page does not exist.
        if (m_pConnectionStatus)
            m_pConnectionStatus->SetConnectionStatus(wszText);
        return;
    }
    LogView().AppendLine(wszText);
}

void CMainFrame::OnLinkClosed()
{
    m_holder.Disconnect(true);
    m_bPasswordSent = false;
    m_bWriteOutstanding = false;
    // What the pages stored for this device must not reach the next one.
    ClearChangeDocument();
    Report(EOutcome::Disconnected);
    m_holder.SetState(EDocumentState::None);
    // A run cut off gets no more replies: its file is closed now, not at the next Program.
    const bool bProgrammingCut = m_pProgramming && m_pProgramming->OnLinkLost();
    m_swapper.EnableAll(false);
    // Told last, once every page is disabled: the message box's loop may already see the
    // device come back.
    if (bProgrammingCut)
        Report(EOutcome::ProgrammingInterrupted);
}

void CMainFrame::OnParametersDocument(const SDeviceEventData& event)
{
    m_bPasswordSent = false;
    const std::string sText(event.Text(), event.pPayload ? event.dwPayloadLength : 0);
    if (!m_holder.LoadedDocument().LoadFromText(sText)) {
        Report(EOutcome::ParametersUnreadable);
        return;
    }
    m_bDeviceDocument = true;
    // Items a page writes only under a condition (a new admin password) would otherwise stay
    // in the change document and be sent again with every later write.
    ClearChangeDocument();
    Report(EOutcome::ParametersLoaded);
    m_holder.SetState(EDocumentState::Device);
    const bool bMatched = m_swapper.LoadAll();
    m_swapper.EnableAll(true);
    if (!bMatched)
        Report(EOutcome::ParametersMismatch);
}

void CMainFrame::OnResetParametersResult(uint32_t wParam)
{
    if (wParam == 0) {
        Report(EOutcome::ParametersResetFailed);
        return;
    }
    Report(EOutcome::ParametersReset);
    if (!m_holder.RequestParameters())
        Report(EOutcome::ParametersNotRequested);
}

void CMainFrame::OnPasswordRequest()
{
    // Asked again before a document came: the password sent was not the right one.
    Report(m_bPasswordSent ? EOutcome::PasswordRefused : EOutcome::PasswordNeeded);
    CPwdDlg dlg;
    dlg.SetHost(&m_view);
    if (m_view.RunModal(dlg) == EDlgResult::Ok) {
        if (!m_holder.IsConnected()) {
            Report(EOutcome::NoDevice);
            return;
        }
        m_bPasswordSent = m_holder.SendCommand(PasswordReply, 0, Utf16ToUtf8(dlg.Password()));
        return;
    }
    // Without the password the operator edits the documents the program already holds: a file
    // they opened stays. A document another device sent does not: its values would pass for
    // this device's and could be written to it.
    if (m_bDeviceDocument) {
        MakeEmptyDocument(m_holder.LoadedDocument());
        ClearChangeDocument();
    }
    Report(EOutcome::DefaultParameters);
    m_holder.SetState(EDocumentState::Device);
    m_swapper.LoadAll();
    m_swapper.EnableAll(true);
}

void CMainFrame::OnCommandNotAuthorized()
{
    Report(EOutcome::NotAuthorized);
    // The refusal is the answer to a write in flight: no result will follow it.
    if (m_bWriteOutstanding) {
        m_bWriteOutstanding = false;
        Report(EOutcome::SaveFailed);
    }
}

void CMainFrame::OnProgramRequest()
{
    // Programming is run by the Maintenance page; without it the request is ignored rather
    // than leaving every page disabled with nothing to drive the exchange.
    if (!m_pProgramming)
        return;
    m_swapper.EnableAll(false);
    m_swapper.Switch(kSubjectMaintenance);
    m_pProgramming->StartProgramming();
}

void CMainFrame::OnFlashWriteError(uint32_t lParam)
{
    Report(EOutcome::FlashWriteFailed, int32_t(lParam));
    if (m_pProgramming)
        m_pProgramming->EndProgramming();
}

void CMainFrame::OnProgramComplete()
{
    // Whether to restart is the Maintenance page's "Automatic Restart" box; without the page
    // there is no programming run to complete.
    if (!m_pProgramming)
        return;
    m_pProgramming->EndProgramming();
    if (!m_pProgramming->AutomaticRestart()) {
        Report(EOutcome::ProgrammingComplete);
        return;
    }
    Report(EOutcome::ProgrammingCompleteRestart);
    OnResetDevice();
    m_swapper.Switch(kSubjectDeviceIdentification);
    m_tree.Switch(kSubjectDeviceIdentification);
}

} // namespace kov
