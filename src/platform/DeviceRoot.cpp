#include "platform/DeviceRoot.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

namespace kov {

namespace {

std::string ModeText(unsigned uMode)
{
    char szMode[8];
    std::snprintf(szMode, sizeof szMode, "%04o", uMode & 07777u);
    return szMode;
}

} // namespace

std::string DefaultDeviceRoot()
{
    if (const char* sz = std::getenv("KOV_DEVICE_ROOT"); sz && *sz)
        return sz;
    return BuiltInDeviceRoot();
}

std::string BuiltInDeviceRoot()
{
    if (const char* sz = std::getenv("XDG_RUNTIME_DIR"); sz && *sz)
        return std::string(sz) + "/kov/devices";
    return "/tmp/kov-devices-" + std::to_string(getuid());
}

std::string PrepareDeviceRoot(const std::string& sRoot)
{
    if (sRoot != BuiltInDeviceRoot())
        return std::string();
    struct stat st {};
    if (::lstat(sRoot.c_str(), &st) != 0) {
        // Made by us, it cannot be anyone else's; if someone makes it first, the checks below
        // see theirs.
        if (errno != ENOENT || !CreateDirectoryPath(Utf8ToUtf16(sRoot)) || ::lstat(sRoot.c_str(), &st) != 0)
            return "it cannot be made (" + ErrorText(uint32_t(errno)) + ")";
    }
    if (S_ISLNK(st.st_mode))
        return "it is a symbolic link";
    if (!S_ISDIR(st.st_mode))
        return "it is not a folder";
    if (st.st_uid != ::geteuid())
        return "it belongs to another user (uid " + std::to_string(st.st_uid) + ")";
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return "other users can write to it (mode " + ModeText(st.st_mode) + ")";
    return std::string();
}

std::string DeviceEntryDistrust(unsigned uOwner, unsigned uMode, const char* szWhat)
{
    if (uOwner != ::geteuid() && uOwner != 0)
        return std::string(szWhat) + " belongs to another user (uid " + std::to_string(uOwner) + ")";
    if (uMode & (S_IWGRP | S_IWOTH))
        return std::string(szWhat) + " can be written by other users (mode " + ModeText(uMode) + ")";
    return std::string();
}

} // namespace kov
