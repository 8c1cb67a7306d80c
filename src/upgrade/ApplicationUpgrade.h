#pragma once
// CApplicationUpgrade: looks on the download site for a newer published file of a product,
// downloads the newest one into the user's upgrade folder and reports each step to its owner.
//
// The site is a plain directory listing. The download base (site root + "/dlds/") links the
// version folders as "<a href=\"KOV_7_1_0_3/"; each holds a folder per product, linked by the
// product name percent-encoded ("KOV-400%20Device/"); that one holds the published files,
// whose names begin with the link prefix. Only versions above the current one count, and the
// highest wins. The file goes to
//   <application data>/KOV/Application_Upgrades/<a.b.c.d>/<product name>/<file name>
// streamed into a temporary file beside it and renamed into place once complete.
//
// The work runs on the thread "Application Upgrade", which only reads the settings and posts
// SUpgradeReport values to the report sink; the owner handles them on its own thread (the
// progress window's handling is CUpgradeProgressForm). Cancel is a flag the run polls; it also
// ends a transfer waiting for the network at once.
//
// Owners:
//   - the program itself: product "DeviceConfig", prefix "Setup_", its own version;
//   - the Maintenance page: the device's product name and prefix, its software version.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "link/DeviceEvent.h"
#include "platform/FileSystem.h"
#include "platform/Http.h"
#include "support/TextNumbers.h"
#include "support/Threads.h"
#include "upgrade/UpgradeReport.h"

namespace kov {

inline constexpr char16_t kApplicationProductName[] = u"DeviceConfig";
inline constexpr char kDefaultLinkPrefix[] = "Setup_";
inline constexpr int32_t kApplicationVersion = 0x07000000; // 7.0.0.0
inline constexpr char kUpgradeThreadName[] = "Application Upgrade";

enum class EUpgradeMode : uint32_t {
    Download,  // ends with Saved (or a failure)
    CheckOnly, // downloads nothing; ends with Found (or a failure)
};

// The local folder of a version: "%d.%d.%d.%d", or "Unknown Version" below 1.
std::u16string VersionFolderName(int32_t iVersion);

class CApplicationUpgrade final : private CSimpleThread {
public:
    CApplicationUpgrade();
    // Cancels a run still going on and waits for its thread.
    ~CApplicationUpgrade() override;

    // Settings: change them only while no run is going on.
    void SetReportSink(IUpgradeReportSink* pSink) { m_pSink = pSink; }
    // Who gets the finish message (posted by the progress window when a file was saved), its
    // code (both owners use UpgradeReadyEvent) and its lParam, which tells an owner of several
    // upgrades which one finished.
    void SetOwner(IDeviceEventSink* pOwner,
                  uint32_t dwFinishMessage = uint32_t(DeviceEvent::UpgradeReadyEvent),
                  uint32_t dwOwnerParam = 0)
    {
        m_pOwner = pOwner;
        m_dwFinishMessage = dwFinishMessage;
        m_dwOwnerParam = dwOwnerParam;
    }
    void SetProductName(std::u16string wszProductName) { m_wszProductName = std::move(wszProductName); }
    void SetLinkPrefix(std::string sLinkPrefix) { m_sLinkPrefix = std::move(sLinkPrefix); }
    // Packed; only higher versions count. kNoVersion makes every published version newer.
    void SetCurrentVersion(int32_t iVersion) { m_iCurrentVersion = iVersion; }
    // Empty (the default): DownloadSiteRoot() is read at each Start.
    void SetSiteRoot(std::string sRoot) { m_sSiteRoot = std::move(sRoot); }
    // The user's application-data folder and the all-users one used when it is empty; the
    // system's folders by default.
    void SetAppDataFolders(std::u16string wszUser, std::u16string wszCommon);
    void SetStallTimeoutMs(uint32_t dwMs) { m_dwStallTimeoutMs = dwMs; }
    void SetHttpClient(IHttpClient& rClient) { m_pHttp = &rClient; }
    void SetFileSystem(IFileSystem& rFileSystem) { m_pFileSystem = &rFileSystem; }

    IDeviceEventSink* Owner() const { return m_pOwner; }
    uint32_t FinishMessage() const { return m_dwFinishMessage; }
    uint32_t OwnerParam() const { return m_dwOwnerParam; }
    const std::u16string& ProductName() const { return m_wszProductName; }
    const std::string& LinkPrefix() const { return m_sLinkPrefix; }
    int32_t CurrentVersion() const { return m_iCurrentVersion; }

    // Starts a run on the thread "Application Upgrade" unless one is going on (then false).
    bool Start(EUpgradeMode eMode = EUpgradeMode::Download);
    // Any thread: the run stops at its next step; a transfer in progress ends at once.
    void Cancel() { m_cancel.Cancel(); }
    bool IsCancelled() const { return m_cancel.IsCancelled(); }
    bool IsBusy() const { return m_bBusy.load(); }
    // Waits for the thread of the last run (which has posted its final report by then).
    void Wait() { Join(); }

    // The full path of the file the last run saved; empty before.
    std::u16string SavedPath() const;
    // Where a version of a product goes: the folder for wszUserAppData (or, when empty,
    // wszCommonAppData) + "/KOV/Application_Upgrades/" + version + "/" + product.
    static std::u16string LocalFolder(const std::u16string& wszUserAppData,
                                      const std::u16string& wszCommonAppData, int32_t iVersion,
                                      const std::u16string& wszProductName);

private:
    struct SChoice;
    uint32_t Run(uint32_t dwMode) override;
    SUpgradeReport Work(EUpgradeMode eMode);
    bool Scan(const std::string& sBase, const std::string& sPage, SChoice& choice);
    bool TryFolder(const std::string& sFolderUrl, SChoice& choice);
    SUpgradeReport Download(const SChoice& choice);
    bool CreateLocalFolder(int32_t iVersion, std::u16string& wszFolder, std::u16string& wszFailedPath);
    SHttpResult Get(const std::string& sUrl, IHttpBodySink& body);
    bool GetPage(const std::string& sUrl, std::string& sPage, SHttpResult& result);
    void Post(SUpgradeReport report);
    void PostStatus(std::u16string wszText);

    IUpgradeReportSink* m_pSink = nullptr;
    IDeviceEventSink* m_pOwner = nullptr;
    uint32_t m_dwFinishMessage = uint32_t(DeviceEvent::UpgradeReadyEvent);
    uint32_t m_dwOwnerParam = 0;
    std::u16string m_wszProductName = kApplicationProductName;
    std::string m_sLinkPrefix = kDefaultLinkPrefix;
    int32_t m_iCurrentVersion = kApplicationVersion;
    std::string m_sSiteRoot;
    std::string m_sRunSiteRoot; // the root of the run going on
    std::u16string m_wszUserAppData;
    std::u16string m_wszCommonAppData;
    uint32_t m_dwStallTimeoutMs = kHttpStallTimeoutMs;
    IHttpClient* m_pHttp;
    IFileSystem* m_pFileSystem;

    std::atomic<bool> m_bBusy{false};
    CHttpCancel m_cancel;
    mutable std::mutex m_mutex; // guards m_wszSavedPath
    std::u16string m_wszSavedPath;
};

} // namespace kov
