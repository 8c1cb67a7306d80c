#include "upgrade/DownloadSite.h"

#include <cstdlib>

#include "document/AppOptions.h"
#include "platform/Http.h"
#include "support/TextCodec.h"

namespace kov {

namespace {

std::string_view Trimmed(std::string_view sText)
{
    while (!sText.empty() && static_cast<unsigned char>(sText.front()) <= ' ')
        sText.remove_prefix(1);
    while (!sText.empty() && static_cast<unsigned char>(sText.back()) <= ' ')
        sText.remove_suffix(1);
    return sText;
}

} // namespace

bool IsUsableSiteRoot(std::string_view sRoot)
{
    return IsHttpUrl(Trimmed(sRoot));
}

std::string ChooseDownloadSite(std::string_view sExplicit, const char* szEnvironment,
                               std::u16string_view wszOptionsSite)
{
    const std::string sOptionsSite = Utf16ToUtf8(wszOptionsSite);
    for (std::string_view sCandidate :
         {sExplicit, std::string_view(szEnvironment ? szEnvironment : ""), std::string_view(sOptionsSite)}) {
        if (IsUsableSiteRoot(sCandidate))
            return std::string(Trimmed(sCandidate));
    }
    return kDefaultDownloadSite;
}

std::string DownloadSiteRoot(std::string_view sExplicit)
{
    return DownloadSiteRoot(sExplicit, AppOptionsFile());
}

std::string DownloadSiteRoot(std::string_view sExplicit, const std::u16string& wszOptionsFile)
{
    std::u16string wszOptionsSite;
    if (!wszOptionsFile.empty())
        LoadDownloadSite(wszOptionsFile, wszOptionsSite);
    return ChooseDownloadSite(sExplicit, std::getenv(kDownloadSiteVariable), wszOptionsSite);
}

std::string DownloadBaseUrl(std::string_view sSiteRoot)
{
    while (!sSiteRoot.empty() && sSiteRoot.back() == '/')
        sSiteRoot.remove_suffix(1);
    return std::string(sSiteRoot) + "/dlds/";
}

} // namespace kov
