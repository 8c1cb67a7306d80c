// The download site's directory pages as the upgrade scan reads them. The first input byte
// picks the link prefix of the published files; the bytes up to the first NUL are the base
// page with the version folders, the rest the product page with the published files (without
// a NUL, the same text is both).
#include "FuzzSupport.h"

#include "support/TextNumbers.h"
#include "upgrade/SitePages.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace {

using namespace kov;

constexpr std::string_view kFolderLink = "<a href=\"KOV_";
constexpr const char* kPrefixes[] = {"Setup_", "KOV_Blackfin", "vesk-", ""};

size_t CountOf(std::string_view sText, std::string_view sPart)
{
    size_t n = 0;
    for (size_t i = sText.find(sPart); i != std::string_view::npos; i = sText.find(sPart, i + 1))
        ++n;
    return n;
}

// The four numbers at the start of a folder name, each 0..255 and joined by '_', packed as
// the site's versions are; iAfter is where the fourth ends. False when the name does not
// start that way.
bool LeadingVersion(std::string_view sName, uint32_t& dwPacked, size_t& iAfter)
{
    dwPacked = 0;
    size_t i = 0;
    for (int iPart = 0; iPart < 4; ++iPart) {
        if (iPart > 0) {
            if (i >= sName.size() || sName[i] != '_')
                return false;
            ++i;
        }
        const size_t iStart = i;
        uint32_t dwValue = 0;
        for (; i < sName.size() && sName[i] >= '0' && sName[i] <= '9'; ++i) {
            dwValue = dwValue * 10 + uint32_t(sName[i] - '0');
            if (dwValue > 255)
                return false;
        }
        if (i == iStart)
            return false;
        dwPacked = dwPacked << 8 | dwValue;
    }
    iAfter = i;
    return true;
}

// A name that joined to a local folder names a file directly inside it, on either system.
void CheckStaysInFolder(std::string_view sName)
{
    KOV_FUZZ_CHECK(!sName.empty() && sName != "." && sName != "..");
    KOV_FUZZ_CHECK(sName.find_first_of("/\\:") == std::string_view::npos);
    KOV_FUZZ_CHECK(sName.find("..") == std::string_view::npos);
    const std::filesystem::path folder = "/home/op/KOV/Application_Upgrades/7.1.0.3/KOV-400 Device";
    const std::filesystem::path file = (folder / std::string(sName)).lexically_normal();
    KOV_FUZZ_CHECK(file.parent_path() == folder);
    KOV_FUZZ_CHECK(file.filename() == std::string(sName));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize)
{
    if (iSize == 0)
        return 0;
    const std::string sPrefix = kPrefixes[pData[0] % std::size(kPrefixes)];
    const std::string_view sInput(reinterpret_cast<const char*>(pData) + 1, iSize - 1);
    const size_t iNul = sInput.find('\0');
    const std::string_view sBasePage = sInput.substr(0, iNul);
    const std::string_view sProductPage = iNul == std::string_view::npos ? sInput : sInput.substr(iNul + 1);

    // Each folder link is taken at most once, in page order, so the scan ends.
    const size_t nLinks = CountOf(sBasePage, kFolderLink);
    size_t nFolders = 0;
    size_t iFrom = 0;
    ForEachVersionFolder(sBasePage, [&](const std::string& sName, int32_t iVersion) {
        KOV_FUZZ_CHECK(++nFolders <= nLinks);
        KOV_FUZZ_CHECK(sName.find('/') == std::string::npos);
        const std::string sLink = std::string(kFolderLink) + sName + "/";
        const size_t iAt = sBasePage.find(sLink, iFrom);
        KOV_FUZZ_CHECK(iAt != std::string_view::npos);
        iFrom = iAt + sLink.size();

        // No version with a number beyond 255 is taken, and a taken one is what its name says.
        uint32_t dwPacked = 0;
        size_t iAfter = 0;
        const bool bLeading = LeadingVersion(sName, dwPacked, iAfter);
        if (iVersion != kNoVersion) {
            KOV_FUZZ_CHECK(bLeading && int32_t(dwPacked) == iVersion);
            KOV_FUZZ_CHECK(iAfter == sName.size() || sName[iAfter] == '_');
        }
        if (bLeading && iAfter == sName.size())
            KOV_FUZZ_CHECK(iVersion == int32_t(dwPacked));
        return true;
    });

    // A published file is linked under its whole name and never leaves the local folder.
    std::string sFileName;
    if (FindPublishedFile(sProductPage, sPrefix, sFileName)) {
        KOV_FUZZ_CHECK(sFileName.starts_with(sPrefix));
        KOV_FUZZ_CHECK(sProductPage.find("<a href=\"" + sFileName + "\"") != std::string_view::npos);
        CheckStaysInFolder(sFileName);
    }
    if (sProductPage.size() <= 256 && IsSafeFileName(sProductPage))
        CheckStaysInFolder(sProductPage);
    return 0;
}
