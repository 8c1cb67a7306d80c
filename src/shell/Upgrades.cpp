#include "shell/Upgrades.h"

#include "support/TextCodec.h"
#include "upgrade/DownloadSite.h"

namespace kov {

CUpgradeOwners::SOwner::SOwner(CUpgradeOwners& owners, EUpgradeOwner eOwner)
    : window(upgrade, [&view = owners.m_view](std::u16string_view wszTarget) {
          return view.OpenWithDefaultHandler(wszTarget);
      })
{
    const auto dwOwner = static_cast<uint32_t>(eOwner);
    reports.SetWakeUp([&events = owners.m_events, dwOwner] {
        SDeviceEventData event;
        event.eEvent = DeviceEvent::UpgradeReportEvent;
        event.wParam = dwOwner;
        events.PostDeviceEvent(std::move(event));
    });
    upgrade.SetReportSink(&reports);
    upgrade.SetOwner(&owners.m_events, static_cast<uint32_t>(DeviceEvent::UpgradeReadyEvent), dwOwner);
    window.SetHost(&owners.m_view);
}

CUpgradeOwners::CUpgradeOwners(IMainView& view, IDeviceEventSink& events)
    : m_view(view), m_events(events), m_application(*this, EUpgradeOwner::Application),
      m_firmware(*this, EUpgradeOwner::Firmware)
{
    // The program's own upgrade: its product and version are fixed.
    m_application.upgrade.SetProductName(kApplicationProductName);
    m_application.upgrade.SetLinkPrefix(kDefaultLinkPrefix);
    m_application.upgrade.SetCurrentVersion(kApplicationVersion);
}

void CUpgradeOwners::AttachMaintenancePage(CDeviceProgramDlg* pPage)
{
    m_pMaintenancePage = pPage;
    if (pPage)
        pPage->SetDownloadHandler(
            [this](const SFirmwareDownloadRequest& request) { StartFirmwareDownload(request); });
}

void CUpgradeOwners::StartApplicationUpgrade()
{
    Start(m_application);
}

void CUpgradeOwners::StartFirmwareDownload(const SFirmwareDownloadRequest& request)
{
    // A run going on keeps what it looks for; the window only comes to the front.
    if (!m_firmware.upgrade.IsBusy())
        request.ApplyTo(m_firmware.upgrade);
    Start(m_firmware);
}

void CUpgradeOwners::Start(SOwner& owner)
{
    if (!owner.upgrade.IsBusy()) {
        // Chosen at each start, so that a site set in the options file meanwhile is used.
        owner.upgrade.SetSiteRoot(DownloadSiteRoot(m_settings.sSiteRoot, m_settings.wszOptionsFile));
        if (m_settings.oDataFolder)
            owner.upgrade.SetAppDataFolders(*m_settings.oDataFolder, u"");
    }
    owner.window.Start();
}

void CUpgradeOwners::OnReportEvent(const SDeviceEventData& event)
{
    if (event.wParam > static_cast<uint32_t>(EUpgradeOwner::Firmware))
        return;
    SOwner& owner = Owner(static_cast<EUpgradeOwner>(event.wParam));
    // One event was posted per report, so the report is there already.
    if (std::optional<SUpgradeReport> oReport = owner.reports.Next(std::chrono::milliseconds(0)))
        owner.window.OnReport(*oReport);
}

void CUpgradeOwners::OnReadyEvent(const SDeviceEventData& event)
{
    const std::u16string wszPath = Utf8ToUtf16(event.Text());
    if (wszPath.empty())
        return;
    switch (static_cast<EUpgradeOwner>(event.lParam)) {
    case EUpgradeOwner::Application:
        // The program closes so that the setup can replace it; if nothing opened the setup,
        // closing would leave the operator with neither.
        if (m_view.OpenWithDefaultHandler(wszPath))
            m_view.PostCloseRequest();
        else
            m_view.MessageBox(kSetupNotOpenedText + wszPath, kUpgradeCaption, EMsgButtons::Ok,
                              EMsgIcon::None);
        return;
    case EUpgradeOwner::Firmware:
        if (m_pMaintenancePage)
            m_pMaintenancePage->OnFirmwareDownloaded(wszPath);
        return;
    }
}

} // namespace kov
