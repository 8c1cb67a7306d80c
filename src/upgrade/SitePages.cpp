#include "upgrade/SitePages.h"

#include "support/TextCodec.h"
#include "support/TextNumbers.h"

namespace kov {

namespace {

constexpr std::string_view kVersionFolderLink = "<a href=\"KOV_";
constexpr std::string_view kLinkStart = "<a href=\"";

// The text that follows the first sLink at or after iFrom, up to the next chEnd; iFrom moves
// past that chEnd. False when there is no such link, or no chEnd after it.
bool TextAfterLink(std::string_view sPage, std::string_view sLink, char chEnd, size_t& iFrom,
                   std::string& sText)
{
    const size_t iLink = sPage.find(sLink, iFrom);
    if (iLink == std::string_view::npos)
        return false;
    const size_t iStart = iLink + sLink.size();
    const size_t iEnd = sPage.find(chEnd, iStart);
    if (iEnd == std::string_view::npos)
        return false;
    sText.assign(sPage.substr(iStart, iEnd - iStart));
    iFrom = iEnd + 1;
    return true;
}

} // namespace

void ForEachVersionFolder(std::string_view sPage,
                          const std::function<bool(const std::string& sName, int32_t iVersion)>& fnFolder)
{
    size_t iFrom = 0;
    std::string sName;
    while (TextAfterLink(sPage, kVersionFolderLink, '/', iFrom, sName)) {
        if (!fnFolder(sName, ParsePackedVersion(sName, '_')))
            return;
    }
}

bool LinksTo(std::string_view sPage, std::string_view sTarget)
{
    return sPage.find(std::string(kLinkStart) + std::string(sTarget)) != std::string_view::npos;
}

bool FindPublishedFile(std::string_view sPage, const std::string& sPrefix, std::string& sFileName)
{
    size_t iFrom = 0;
    std::string sRest;
    if (!TextAfterLink(sPage, std::string(kLinkStart) + sPrefix, '"', iFrom, sRest))
        return false;
    std::string sName = sPrefix + sRest;
    if (!IsSafeFileName(sName))
        return false;
    sFileName = std::move(sName);
    return true;
}

bool IsSafeFileName(std::string_view sName)
{
    if (sName.empty() || sName == "." || sName.find("..") != std::string_view::npos)
        return false;
    for (unsigned char ch : sName)
        if (ch < 0x20 || ch == 0x7F || ch == '/' || ch == '\\' || ch == ':')
            return false;
    return Utf16ToUtf8(Utf8ToUtf16(sName)) == sName;
}

} // namespace kov
