#include "platform/KnownFolders.h"

#include <cstdlib>

#include "platform/FileSystem.h"
#include "support/TextCodec.h"

namespace kov {

namespace {

std::string WithoutTrailingSlashes(std::string szPath)
{
    while (szPath.size() > 1 && szPath.back() == '/')
        szPath.pop_back();
    return szPath;
}

} // namespace

std::u16string UserAppDataFolderFrom(const char* szXdgDataHome, const char* szHome)
{
    if (szXdgDataHome != nullptr && szXdgDataHome[0] == '/')
        return Utf8ToUtf16(WithoutTrailingSlashes(szXdgDataHome));
    if (szHome != nullptr && szHome[0] != '\0')
        return Utf8ToUtf16(WithoutTrailingSlashes(szHome) +
                           (szHome[1] == '\0' && szHome[0] == '/' ? "" : "/") + ".local/share");
    return std::u16string();
}

std::u16string UserAppDataFolder()
{
    return UserAppDataFolderFrom(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

std::u16string CommonAppDataFolder()
{
    return u"/var/lib";
}

std::u16string ProgramFolder()
{
    const std::string szExecutable = ExecutablePath();
    const size_t iSlash = szExecutable.rfind('/');
    if (iSlash == std::string::npos)
        return std::u16string();
    return Utf8ToUtf16(szExecutable.substr(0, iSlash + 1));
}

} // namespace kov
