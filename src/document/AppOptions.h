#pragma once
// The per-user options file: remembers the firmware program file used last, and may name the
// download site ("kov:DownloadSite", written by the operator).
#include <string>

#include "platform/FileSystem.h"

namespace kov {

inline constexpr char16_t kAppOptionsFileName[] = u"DeviceConfigApplicationOptions.xml";

// The options folder: wszUserAppData (or, when empty, wszCommonAppData) + "/KOV". Empty when
// both are empty.
std::u16string AppOptionsFolderFrom(const std::u16string& wszUserAppData,
                                    const std::u16string& wszCommonAppData);
// The options file of this user; its folder is created when missing. Empty when the system
// gives no application-data folder.
std::u16string PrepareAppOptionsFile();

// True only when the file parses and its root is "kov:DeviceConfigAppOptions"; then
// wszProgramFilePath is the remembered path (empty when the file names none). On false it is
// untouched.
bool LoadAppOptions(const std::u16string& wszPath, std::u16string& wszProgramFilePath);
// Writes a new options document holding wszProgramFilePath (UTF-8 with the mark). A download
// site the file at wszPath names is written again, so that saving never drops it.
bool SaveAppOptions(const std::u16string& wszProgramFilePath, const std::u16string& wszPath,
                    IFileSystem& fileSystem = SystemFileSystem());

// The options file of this user, without creating anything; empty when the system gives no
// application-data folder.
std::u16string AppOptionsFile();
// The text of the root's "kov:DownloadSite" child, without surrounding white space. False, and
// wszSite untouched, when the file is not an options file or names no site.
bool LoadDownloadSite(const std::u16string& wszPath, std::u16string& wszSite);

} // namespace kov
