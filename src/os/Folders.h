#pragma once
// Folder creation below the platform layer (the support layer's path helpers, crash reports).
// The folders the program makes hold reports, options and parameter files with device
// passwords, so they are their user's alone.
namespace kov::os {

// Creates one folder level that only its owner may use (0700 on POSIX; an existing folder is
// left as it is). True when a folder of that name exists afterwards. szPath is UTF-8.
// Signal-safe on POSIX.
bool MakePrivateDirectory(const char* szPath);

} // namespace kov::os
