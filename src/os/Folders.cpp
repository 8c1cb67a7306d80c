#include "os/Folders.h"

#if defined(__unix__) || defined(__APPLE__)
#include <cerrno>
#include <sys/stat.h>
#else
#include <filesystem>
#include <string>
#include <system_error>
#endif

namespace kov::os {

#if defined(__unix__) || defined(__APPLE__)

bool MakePrivateDirectory(const char* szPath)
{
    if (!szPath || !*szPath)
        return false;
    if (mkdir(szPath, 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info;
    return stat(szPath, &info) == 0 && S_ISDIR(info.st_mode);
}

#else // the system's own access rules apply to new folders

bool MakePrivateDirectory(const char* szPath)
{
    if (!szPath || !*szPath)
        return false;
    const std::string sPath(szPath);
    const std::filesystem::path path(std::u8string(sPath.begin(), sPath.end()));
    std::error_code error;
    std::filesystem::create_directory(path, error);
    return std::filesystem::is_directory(path, error);
}

#endif

} // namespace kov::os
