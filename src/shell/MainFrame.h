#pragma once
// The main window's logic, free of any window toolkit: commands, file commands, device
// operations and events, the presence poll, status texts, the subjects tree and page area,
// and closing. It talks to the screen only through IMainView, and tells what happened as
// outcomes (sections/Outcomes.h), its pages' included.
//
// Driving it:
//   CMainFrame frame(view, settings);   // builds pages, reads options and Custom.xml
//   frame.Create();                     // when the window exists: menus, pages disabled, timer
//   timer every 1000 ms   -> frame.PresenceTick();
//   menu / tool bar / key -> frame.OnCommand(id);
//   tree item clicked     -> frame.Tree().Switch(subject id);
//   events: the receive thread posts into frame.EventQueue(); on the interface thread call
//   frame.PumpEvents() (a window toolkit from the queue's wake-up, marshalled to its loop; a
//   console loop after EventQueue().WaitAndTake with a time-out, then HandleDeviceEvent);
//   close request          -> frame.OnClose();
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "document/Customization.h"
#include "drivers/DriverDialog.h"
#include "link/ParameterDocumentHolder.h"
#include "platform/DriverMaintenance.h"
#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"
#include "sections/DeviceIdentification.h"
#include "sections/PageRoles.h"
#include "sections/SectionPage.h"
#include "shell/Commands.h"
#include "shell/Diagnostics.h"
#include "shell/EventQueue.h"
#include "shell/Handlers.h"
#include "shell/MainView.h"
#include "shell/Subjects.h"
#include "shell/Upgrades.h"

namespace kov {

inline constexpr char16_t kMainWindowTitle[] = u"KOV Device Configurator";
inline constexpr char16_t kParameterFileFilter[] =
    u"MDC files (*.mdc)|*.mdc|XML Files (*.xml)|*.xml|All Files (*.*)|*.*|";
inline constexpr char16_t kParameterFileExtension[] = u"mdc";
inline constexpr char16_t kBuiltInWebsite[] = u"http://www.dovrane.com";
inline constexpr char16_t kBuiltInSupportEmail[] = u"support@dovrane.com";

struct SMainFrameSettings {
    // nullptr: the USB transport over the default device root.
    std::unique_ptr<IDeviceTransport> pTransport;
    // nullopt: this user's options file; empty: no options file is read or written.
    std::optional<std::u16string> oOptionsFile;
    // Folder (with its trailing separator) holding Custom.xml; nullopt: the program's folder.
    std::optional<std::u16string> oCustomizationFolder;
    // nullptr: the running system.
    const ISystemInfo* pSystemInfo = nullptr;
    // What parameter files and the options file are saved through; nullptr: the system's.
    IFileSystem* pFileSystem = nullptr;
    // Where the Debug menu's and Help's reports go, and their clock.
    SReportSettings reports;
    // The Driver menu's tools, rules folder and maintenance; nullptr / nullopt: the system's.
    ISystemTools* pSystemTools = nullptr;
    std::optional<std::string> oUdevRulesFolder;
    std::optional<std::u16string> oAppDataFolder;
    IDriverMaintenance* pDriverMaintenance = nullptr;
    // Whether to ask the system to report devices coming and going, so that the presence poll
    // looks at once instead of at its next tick.
    bool bWatchDevices = true;
    // The download site's root for Help > Upgrade and the firmware download; empty: chosen at
    // each start (KOV_DOWNLOAD_SITE, the options file's "kov:DownloadSite", the built-in site).
    std::string sDownloadSite;
    // The application-data folder downloads are saved under; nullopt: the user's.
    std::optional<std::u16string> oDownloadFolder;
};

class CMainFrame final : public IOutcomeObserver {
public:
    CMainFrame(IMainView& view, SMainFrameSettings settings = {});
    ~CMainFrame() override;
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    // The window was created: title, status, check marks, event sink, pages disabled, menu
    // enabling, presence timer.
    bool Create();

    // False for ids this window does not act on (and that no attached handler took).
    bool OnCommand(uint32_t dwCommandId);
    bool IsCommandEnabled(uint32_t dwCommandId) const;
    bool IsCommandChecked(uint32_t dwCommandId) const;
    // Whether the command exists on this system at all; menus leave out those that do not
    // (the driver maintenance commands where the system has no such thing).
    bool IsCommandAvailable(uint32_t dwCommandId) const;

    // The device presence poll, once per timer tick.
    void PresenceTick();

    CEventQueue& EventQueue() { return m_queue; }
    // Handles every event queued now; returns how many.
    int PumpEvents();
    // One device event, on the interface thread.
    void HandleDeviceEvent(SDeviceEventData event);

    // The tree's selection changed to iNewSubject.
    void OnTreeSelectionChanged(int32_t iNewSubject);

    // The close request: options written, window destroyed.
    void OnClose();

    // Outcomes of the pages and of operations run on the window's behalf go to the view.
    void OnOutcome(const SOutcome& outcome) override { m_view.OnOutcome(outcome); }

    // Work done by pages and tools built separately; null until they are attached.
    void SetConnectionStatusSink(IConnectionStatusSink* pSink) { m_pConnectionStatus = pSink; }
    void SetProgrammingHandler(IProgrammingHandler* pHandler) { m_pProgramming = pHandler; }
    void SetReportHandler(IReportHandler* pHandler) { m_pReports = pHandler; }
    void SetWriteTestHandler(IWriteTestHandler* pHandler) { m_pWriteTest = pHandler; }
    void SetCommandHandler(ICommandHandler* pHandler) { m_pCommands = pHandler; }

    CSubjectsTree& Tree() { return m_tree; }
    CViewWindowsSwapper& PageArea() { return m_swapper; }
    CLogView& LogView() { return m_swapper.LogView(); }
    ParameterDocumentHolder& Holder() { return m_holder; }
    const CCustomization& Customization() const { return m_customization; }
    CMainDevicePropertiesDlg& DeviceIdentificationPage() { return *m_pDeviceIdentification; }
    CDiagnostics& Diagnostics() { return m_diagnostics; }
    // The Driver menu's progress window; nullptr until a Driver command was first used.
    CDownloadInstallDriversProcessDlg* DriverDialog() { return m_pDriverDialog.get(); }
    // Help > Upgrade and the Maintenance page's Download.
    CUpgradeOwners& Upgrades() { return m_upgrades; }
    const std::u16string& CurrentFilePath() const { return m_wszCurrentFilePath; }
    const std::u16string& OptionsFilePath() const { return m_wszOptionsFile; }
    // The remembered firmware program file (from the options file until the Maintenance page
    // takes it over).
    std::u16string ProgramFilePath() const;

private:
    void SetCommandState(uint32_t dwCommandId, bool bEnabled, std::optional<bool> oChecked = std::nullopt);
    void Report(EOutcome eOutcome, int32_t iCode = 0) { m_view.OnOutcome({eOutcome, iCode}); }
    // A new device document, or none: the change document starts empty again.
    void ClearChangeDocument();

    // Commands
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnFileClose();
    void OnWriteToDevice();
    void OnResetDevice();
    void OnShutdownDevice();
    void OnSendIfConnected(uint32_t dwRequest);
    void OnAbout();
    void OnWebsite();
    void OnEmailSupport();
    void OnDriverTask(DriverTaskMode eMode);
    void OnDriverMaintenance(EDriverMaintenance eCommand);
    void OnToggleBar(uint32_t dwCommandId, EBar eBar);
    void OnToggleTreePane();
    void OnCloseTreePane();
    void SaveTo(const std::u16string& wszPath);

    // Events
    void OnDeviceText(const SDeviceEventData& event);
    void OnLinkClosed();
    void OnParametersDocument(const SDeviceEventData& event);
    void OnResetParametersResult(uint32_t wParam);
    void OnPasswordRequest();
    void OnCommandNotAuthorized();
    void OnProgramRequest();
    void OnFlashWriteError(uint32_t lParam);
    void OnProgramComplete();

    IMainView& m_view;
    // First, so it outlives the device link and the receive thread that posts into it.
    CEventQueue m_queue;
    CSubjectsTree m_tree;
    CViewWindowsSwapper m_swapper;
    ParameterDocumentHolder m_holder;
    CCustomization m_customization;
    std::u16string m_wszProgramFilePath;
    std::u16string m_wszCurrentFilePath;
    std::u16string m_wszOptionsFile;
    int32_t m_iDeviceCount = 0;
    // A password went to the device and no document has come since.
    bool m_bPasswordSent = false;
    // The loaded document is one a device sent (not a file the operator opened).
    bool m_bDeviceDocument = false;
    // Write To Device sent the change document and the device has not answered yet.
    bool m_bWriteOutstanding = false;
    const ISystemInfo* m_pSystemInfo;
    IFileSystem* m_pFileSystem;
    CMainDevicePropertiesDlg* m_pDeviceIdentification = nullptr;
    CDiagnostics m_diagnostics;

    struct SCommandState {
        bool bEnabled = true;
        bool bChecked = false;
    };
    std::map<uint32_t, SCommandState> m_commandStates;

    // The Driver menu; made on first use, and gone before the queue its worker posts into.
    ISystemTools* m_pSystemTools;
    std::string m_sUdevRulesFolder;
    std::u16string m_wszAppDataFolder;
    IDriverMaintenance* m_pDriverMaintenance;
    bool m_bWatchDevices;
    std::unique_ptr<CDriverWork> m_pDriverWork;
    std::unique_ptr<CDownloadInstallDriversProcessDlg> m_pDriverDialog;

    IConnectionStatusSink* m_pConnectionStatus = nullptr;
    IProgrammingHandler* m_pProgramming = nullptr;
    IReportHandler* m_pReports = nullptr;
    IWriteTestHandler* m_pWriteTest = nullptr;
    ICommandHandler* m_pCommands = nullptr;
    // Last: its runs end before the pages and the event queue they report to go.
    CUpgradeOwners m_upgrades{m_view, m_queue};
};

} // namespace kov
