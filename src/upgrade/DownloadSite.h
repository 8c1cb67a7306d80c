#pragma once
// Where the maker's download site is. Its root comes from, in this order: an address given
// for one run (kovctl --site), the environment variable KOV_DOWNLOAD_SITE, the options file's
// "kov:DownloadSite", else the built-in address. A root is taken only when it is an http:// or
// https:// address; plain http is therefore never used unless someone configured it.
#include <string>
#include <string_view>

namespace kov {

inline constexpr char kDefaultDownloadSite[] = "https://downloads.dovrane.com";
inline constexpr char kDownloadSiteVariable[] = "KOV_DOWNLOAD_SITE";

// The first usable of the given candidates (nullptr or empty: not given), else the default.
// Surrounding white space is dropped.
std::string ChooseDownloadSite(std::string_view sExplicit, const char* szEnvironment,
                               std::u16string_view wszOptionsSite);
// The same with this process's environment and this user's options file.
std::string DownloadSiteRoot(std::string_view sExplicit = {});
// The same with the given options file (empty: none is read).
std::string DownloadSiteRoot(std::string_view sExplicit, const std::u16string& wszOptionsFile);

// Whether a configured root can be used: an http:// or https:// address with a host.
bool IsUsableSiteRoot(std::string_view sRoot);

// The root (without its trailing '/') followed by "/dlds/".
std::string DownloadBaseUrl(std::string_view sSiteRoot);

} // namespace kov
