#include "upgrade/ApplicationUpgrade.h"

#include <array>
#include <new>
#include <random>

#include "platform/KnownFolders.h"
#include "support/Format.h"
#include "support/Paths.h"
#include "support/ScopeFrame.h"
#include "support/TextCodec.h"
#include "support/TextNumbers.h"
#include "upgrade/DownloadSite.h"
#include "upgrade/SitePages.h"

namespace kov {

namespace {

// The body of a download: a temporary file in the target folder, renamed to the final name
// once everything arrived, removed otherwise, so a final name never holds a partial file.
class CPartialFile final : public IHttpBodySink {
public:
    CPartialFile(IFileSystem& rFileSystem, const std::string& sFolder, const std::string& sFileName)
        : m_rFileSystem(rFileSystem), m_sFinal(sFolder + "/" + sFileName)
    {
        std::random_device random;
        for (int iTry = 0; iTry < 8 && m_hFile == kNoFileHandle; ++iTry) {
            char szSuffix[24];
            std::snprintf(szSuffix, sizeof szSuffix, ".%08x.part", static_cast<unsigned>(random()));
            m_sTemporary = sFolder + "/." + sFileName + szSuffix;
            uint32_t dwError = 0;
            if (!m_rFileSystem.Open(m_sTemporary, EFileAccess::ReadWrite, EFileDisposition::CreateNew, false,
                                    m_hFile, dwError) &&
                dwError != ErrorAlreadyExists())
                break;
        }
    }
    ~CPartialFile() override { Discard(); }
    CPartialFile(const CPartialFile&) = delete;
    CPartialFile& operator=(const CPartialFile&) = delete;

    bool IsOpen() const { return m_hFile != kNoFileHandle; }

    bool Write(const char* pData, size_t iCount) override
    {
        while (iCount > 0) {
            uint32_t dwError = 0;
            const int64_t llWritten = m_rFileSystem.Write(m_hFile, pData, iCount, dwError);
            if (llWritten <= 0)
                return false;
            pData += llWritten;
            iCount -= static_cast<size_t>(llWritten);
        }
        return true;
    }

    // Puts the complete file under its final name, replacing an older one.
    bool Commit()
    {
        uint32_t dwError = 0;
        const bool bFlushed = m_rFileSystem.Flush(m_hFile, dwError);
        m_rFileSystem.Close(m_hFile);
        m_hFile = kNoFileHandle;
        if (!bFlushed || !m_rFileSystem.Rename(m_sTemporary, m_sFinal, dwError)) {
            m_rFileSystem.RemoveFile(m_sTemporary, dwError);
            return false;
        }
        m_sTemporary.clear();
        return true;
    }

    void Discard()
    {
        if (m_hFile == kNoFileHandle)
            return;
        uint32_t dwError = 0;
        m_rFileSystem.Close(m_hFile);
        m_hFile = kNoFileHandle;
        m_rFileSystem.RemoveFile(m_sTemporary, dwError);
    }

private:
    IFileSystem& m_rFileSystem;
    std::string m_sFinal;
    std::string m_sTemporary;
    FileHandle m_hFile = kNoFileHandle;
};

std::array<std::u16string, 4> LocalFolderLevels(int32_t iVersion, const std::u16string& wszProductName)
{
    return {u"KOV", u"Application_Upgrades", VersionFolderName(iVersion), wszProductName};
}

void AppendLevel(std::u16string& wszPath, const std::u16string& wszLevel)
{
    if (wszPath.empty() || !IsPathSeparator(wszPath.back()))
        wszPath += kPathSeparator;
    wszPath += wszLevel;
}

SUpgradeReport Report(EUpgradeReport eKind, std::u16string wszText = {})
{
    SUpgradeReport report;
    report.eKind = eKind;
    report.wszText = std::move(wszText);
    return report;
}

SUpgradeReport TransferFailure(EUpgradeReport eKind, const SHttpResult& result)
{
    SUpgradeReport report = Report(eKind);
    report.iStatusCode = result.iStatusCode;
    report.sDetail = result.sError;
    return report;
}

} // namespace

// The best folder found so far.
struct CApplicationUpgrade::SChoice {
    int32_t iVersion = 0;
    int iVersionFolders = 0;
    std::string sFileUrl;
    std::string sFileName;
};

CApplicationUpgrade::CApplicationUpgrade()
    : m_wszUserAppData(UserAppDataFolder()), m_wszCommonAppData(CommonAppDataFolder()),
      m_pHttp(&SystemHttpClient()), m_pFileSystem(&SystemFileSystem())
{}

CApplicationUpgrade::~CApplicationUpgrade()
{
    Cancel();
    Join();
}

void CApplicationUpgrade::SetAppDataFolders(std::u16string wszUser, std::u16string wszCommon)
{
    m_wszUserAppData = std::move(wszUser);
    m_wszCommonAppData = std::move(wszCommon);
}

std::u16string VersionFolderName(int32_t iVersion)
{
    return iVersion < 1 ? std::u16string(u"Unknown Version")
                        : DottedQuadText(static_cast<uint32_t>(iVersion));
}

std::u16string CApplicationUpgrade::SavedPath() const
{
    std::lock_guard lock(m_mutex);
    return m_wszSavedPath;
}

std::u16string CApplicationUpgrade::LocalFolder(const std::u16string& wszUserAppData,
                                                const std::u16string& wszCommonAppData, int32_t iVersion,
                                                const std::u16string& wszProductName)
{
    std::u16string wszFolder = wszUserAppData.empty() ? wszCommonAppData : wszUserAppData;
    for (const std::u16string& wszLevel : LocalFolderLevels(iVersion, wszProductName))
        AppendLevel(wszFolder, wszLevel);
    return wszFolder;
}

bool CApplicationUpgrade::Start(EUpgradeMode eMode)
{
    if (m_bBusy.exchange(true))
        return false;
    m_cancel.Reset();
    m_sRunSiteRoot = m_sSiteRoot.empty() ? DownloadSiteRoot() : m_sSiteRoot;
    if (!CSimpleThread::Start(kUpgradeThreadName, static_cast<uint32_t>(eMode))) {
        m_bBusy = false;
        return false;
    }
    return true;
}

uint32_t CApplicationUpgrade::Run(uint32_t dwMode)
{
    ScopeFrame scope("AU::Run");
    scope.Watch("m_sRunSiteRoot", &m_sRunSiteRoot);
    SUpgradeReport final;
    try {
        final = Work(static_cast<EUpgradeMode>(dwMode));
    } catch (const std::bad_alloc&) {
        // The owner still hears that the run ended, and the object stays usable.
        final = Report(EUpgradeReport::DownloadFailed);
        final.sDetail = "out of memory";
    }
    // A failure that follows a Cancel is the Cancel's doing, not the site's.
    if (m_cancel.IsCancelled() && final.eKind != EUpgradeReport::Saved &&
        final.eKind != EUpgradeReport::Found)
        final = Report(EUpgradeReport::Cancelled);
    Post(std::move(final));
    m_bBusy = false;
    return 0;
}

SUpgradeReport CApplicationUpgrade::Work(EUpgradeMode eMode)
{
    const std::string sBase = DownloadBaseUrl(m_sRunSiteRoot);
    PostStatus(u"Navigating to " + Utf8ToUtf16(sBase));
    std::string sPage;
    SHttpResult result;
    if (!GetPage(sBase, sPage, result))
        return TransferFailure(EUpgradeReport::NavigationFailed, result);

    SChoice choice;
    if (!Scan(sBase, sPage, choice))
        return Report(EUpgradeReport::Cancelled);
    if (choice.iVersion == 0) {
        return choice.iVersionFolders > 0 ? Report(EUpgradeReport::NoUpgradeFound)
                                          : Report(EUpgradeReport::OpenDownloadPage, Utf8ToUtf16(sBase));
    }
    if (eMode == EUpgradeMode::CheckOnly) {
        SUpgradeReport found = Report(EUpgradeReport::Found, Utf8ToUtf16(choice.sFileUrl));
        found.iVersion = choice.iVersion;
        return found;
    }
    return Download(choice);
}

bool CApplicationUpgrade::Scan(const std::string& sBase, const std::string& sPage, SChoice& choice)
{
    ForEachVersionFolder(sPage, [&](const std::string& sFolder, int32_t iVersion) {
        if (m_cancel.IsCancelled())
            return false;
        if (iVersion > 0)
            ++choice.iVersionFolders;
        if (iVersion > m_iCurrentVersion && iVersion > choice.iVersion) {
            if (TryFolder(sBase + "KOV_" + sFolder + "/", choice))
                choice.iVersion = iVersion;
        }
        return true;
    });
    return !m_cancel.IsCancelled();
}

// A folder whose pages cannot be read or lack the links is passed over; choice changes only
// when the folder has the file.
bool CApplicationUpgrade::TryFolder(const std::string& sFolderUrl, SChoice& choice)
{
    PostStatus(u"Navigating to " + Utf8ToUtf16(sFolderUrl));
    std::string sPage;
    SHttpResult result;
    if (!GetPage(sFolderUrl, sPage, result))
        return false;
    std::string sProduct = Utf16ToUtf8(m_wszProductName);
    UrlEncodeInPlace(sProduct);
    sProduct += '/';
    if (!LinksTo(sPage, sProduct))
        return false;

    const std::string sProductUrl = sFolderUrl + sProduct;
    PostStatus(u"Navigating to " + Utf8ToUtf16(sProductUrl));
    if (!GetPage(sProductUrl, sPage, result))
        return false;
    std::string sFileName;
    if (!FindPublishedFile(sPage, m_sLinkPrefix, sFileName))
        return false;
    choice.sFileUrl = sProductUrl + sFileName;
    choice.sFileName = std::move(sFileName);
    return true;
}

SUpgradeReport CApplicationUpgrade::Download(const SChoice& choice)
{
    std::u16string wszFolder, wszFailedPath;
    if (!CreateLocalFolder(choice.iVersion, wszFolder, wszFailedPath))
        return Report(EUpgradeReport::Failed, u"Failed to create directory " + wszFailedPath);
    const std::u16string wszFullPath = wszFolder + kPathSeparator + Utf8ToUtf16(choice.sFileName);
    const std::u16string wszWriteFailed = u"Failed to write to file " + wszFullPath;

    PostStatus(u"Downloading " + Utf8ToUtf16(choice.sFileUrl));
    CPartialFile file(*m_pFileSystem, Utf16ToUtf8(wszFolder), choice.sFileName);
    if (!file.IsOpen())
        return Report(EUpgradeReport::Failed, wszWriteFailed);
    const SHttpResult result = Get(choice.sFileUrl, file);
    if (result.eOutcome == EHttpOutcome::SinkRefused)
        return Report(EUpgradeReport::Failed, wszWriteFailed);
    if (!result.Succeeded())
        return TransferFailure(EUpgradeReport::DownloadFailed, result);

    PostStatus(u"Saving " + wszFullPath);
    if (!file.Commit())
        return Report(EUpgradeReport::Failed, wszWriteFailed);
    {
        std::lock_guard lock(m_mutex);
        m_wszSavedPath = wszFullPath;
    }
    SUpgradeReport saved = Report(EUpgradeReport::Saved, wszFullPath);
    saved.iVersion = choice.iVersion;
    return saved;
}

// Each level is created when missing; a failure names the level that could not be made.
bool CApplicationUpgrade::CreateLocalFolder(int32_t iVersion, std::u16string& wszFolder,
                                            std::u16string& wszFailedPath)
{
    auto fnCreate = [this](const std::u16string& wszPath) {
        const std::string sPath = Utf16ToUtf8(wszPath);
        uint32_t dwError = 0;
        return m_pFileSystem->MakeDirectory(sPath, dwError) || m_pFileSystem->IsDirectory(sPath);
    };
    std::u16string wszPath = m_wszUserAppData.empty() ? m_wszCommonAppData : m_wszUserAppData;
    const bool bHaveBase = !wszPath.empty();
    const auto aLevels = LocalFolderLevels(iVersion, m_wszProductName);
    for (size_t i = 0; i < aLevels.size(); ++i) {
        AppendLevel(wszPath, aLevels[i]);
        // The product name is the one level that must stay a single plain name.
        const bool bSafe = i + 1 < aLevels.size() || IsSafeFileName(Utf16ToUtf8(aLevels[i]));
        if (!bHaveBase || !bSafe || !CreateDirectoryPath(wszPath, fnCreate)) {
            wszFailedPath = wszPath;
            return false;
        }
    }
    wszFolder = std::move(wszPath);
    return true;
}

SHttpResult CApplicationUpgrade::Get(const std::string& sUrl, IHttpBodySink& body)
{
    SHttpGetOptions options;
    options.dwStallTimeoutMs = m_dwStallTimeoutMs;
    options.pCancel = &m_cancel;
    // Progress goes out when the answer has a Content-Length, once per thousandth of it, so a
    // large file does not flood the owner.
    int64_t llLastShare = -1;
    options.fnProgress = [this, &llLastShare](int64_t llReceived, int64_t llLength) {
        if (llLength > 0) {
            const int64_t llShare = llReceived >= llLength ? 1000 : llReceived / (llLength / 1000 + 1);
            if (llShare != llLastShare) {
                llLastShare = llShare;
                SUpgradeReport progress = Report(EUpgradeReport::Progress);
                progress.llPosition = llReceived;
                progress.llRange = llLength;
                Post(std::move(progress));
            }
        }
        return !m_cancel.IsCancelled();
    };
    return m_pHttp->Get(sUrl, body, options);
}

bool CApplicationUpgrade::GetPage(const std::string& sUrl, std::string& sPage, SHttpResult& result)
{
    CHttpMemoryBody body;
    result = Get(sUrl, body);
    if (!result.Succeeded())
        return false;
    sPage = body.Body();
    return true;
}

void CApplicationUpgrade::Post(SUpgradeReport report)
{
    if (m_pSink)
        m_pSink->PostUpgradeReport(std::move(report));
}

void CApplicationUpgrade::PostStatus(std::u16string wszText)
{
    Post(Report(EUpgradeReport::Status, std::move(wszText)));
}

} // namespace kov
