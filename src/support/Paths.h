#pragma once
// Path helpers that every layer may use.
#include <functional>
#include <string>
#include <string_view>

namespace kov {

// The native separator. Windows also accepts '/', so paths are cut at both there; on Linux
// a '\' is an ordinary file-name character and only '/' separates.
#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
#else
inline constexpr char16_t kPathSeparator = u'/';
#endif

inline bool IsPathSeparator(char16_t wch)
{
    return wch == kPathSeparator || wch == u'/';
}

// wszName inside wszFolder, with one separator between them; just wszName when there is no
// folder.
std::u16string JoinPath(std::u16string wszFolder, std::u16string_view wszName);
// The last level of a path: the file's name without its folders.
std::u16string PathFileName(std::u16string_view wszPath);

// Creates a directory and every missing folder above it. True when the directory exists
// afterwards; levels created before a failure are left in place.
bool CreateDirectoryPath(const std::u16string& wszPath);
// The same walk with the single-level creation supplied by the caller; fnCreate is true when
// the directory was created or already exists.
bool CreateDirectoryPath(const std::u16string& wszPath,
                         const std::function<bool(const std::u16string&)>& fnCreate);

// Creates one directory level, for the user alone (0700 on POSIX: the program's folders hold
// reports and passwords); true also when a directory of that name exists.
bool CreateOneDirectory(const std::u16string& wszPath);

} // namespace kov
