#pragma once
// The main window's two owners of the application upgrade, each with its own upgrade object and
// progress window:
//   - Help > Upgrade: the program's newest setup ("DeviceConfig", "Setup_", the program's own
//     version); once it is saved it is opened with the default handler and the window closes,
//     so that the setup runs without the program;
//   - the Maintenance page's Download: the connected device's newest firmware; the saved file
//     goes back to the page, which programs it.
// A run reports on its own thread. Each report waits, in order, in its owner's queue, and an
// UpgradeReportEvent posted into the main window's event queue brings it to the interface
// thread, where the progress window shows it. The finish message (UpgradeReadyEvent, lParam
// the owner) travels the same way.
#include <cstdint>
#include <optional>
#include <string>

#include "link/DeviceEvent.h"
#include "sections/Maintenance.h"
#include "shell/MainView.h"
#include "upgrade/ApplicationUpgrade.h"
#include "upgrade/UpgradeProgressForm.h"
#include "upgrade/UpgradeReport.h"

namespace kov {

enum class EUpgradeOwner : uint32_t { Application = 0, Firmware = 1 };

// Where the runs look and what they save into; fixed before the first run.
struct SUpgradeSettings {
    // The site root; empty: chosen at each start (KOV_DOWNLOAD_SITE, the options file's
    // "kov:DownloadSite", the built-in site).
    std::string sSiteRoot;
    // Read for "kov:DownloadSite"; empty: none.
    std::u16string wszOptionsFile;
    // The application-data folder the downloads go under; nullopt: the user's (else all users').
    std::optional<std::u16string> oDataFolder;
};

// Shown when the saved setup cannot be opened; the window then stays, as the operator has to
// start the setup from its folder.
inline constexpr char16_t kSetupNotOpenedText[] = u"Failed to open ";

class CUpgradeOwners {
public:
    // view: the progress windows' host, message boxes, the default handler and the close
    // request; events: the main window's event queue.
    CUpgradeOwners(IMainView& view, IDeviceEventSink& events);
    CUpgradeOwners(const CUpgradeOwners&) = delete;
    CUpgradeOwners& operator=(const CUpgradeOwners&) = delete;

    void Configure(SUpgradeSettings settings) { m_settings = std::move(settings); }
    // The page whose Download button this serves; the firmware it downloads goes back to it.
    void AttachMaintenancePage(CDeviceProgramDlg* pPage);

    // Help > Upgrade.
    void StartApplicationUpgrade();
    // The Download button, for the connected device.
    void StartFirmwareDownload(const SFirmwareDownloadRequest& request);

    // UpgradeReportEvent: the oldest report of the named run goes to its progress window.
    void OnReportEvent(const SDeviceEventData& event);
    // UpgradeReadyEvent: the named owner takes the saved file.
    void OnReadyEvent(const SDeviceEventData& event);

    CApplicationUpgrade& Upgrade(EUpgradeOwner eOwner) { return Owner(eOwner).upgrade; }
    CUpgradeProgressForm& Window(EUpgradeOwner eOwner) { return Owner(eOwner).window; }

private:
    struct SOwner {
        SOwner(CUpgradeOwners& owners, EUpgradeOwner eOwner);
        CUpgradeReportQueue reports;
        // Declared after the queue its thread posts into, so it ends (and joins) first.
        CApplicationUpgrade upgrade;
        CUpgradeProgressForm window;
    };
    SOwner& Owner(EUpgradeOwner eOwner)
    {
        return eOwner == EUpgradeOwner::Firmware ? m_firmware : m_application;
    }
    void Start(SOwner& owner);

    IMainView& m_view;
    IDeviceEventSink& m_events;
    SUpgradeSettings m_settings;
    CDeviceProgramDlg* m_pMaintenancePage = nullptr;
    SOwner m_application;
    SOwner m_firmware;
};

} // namespace kov
