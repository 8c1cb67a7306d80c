#pragma once
// The folders the program keeps its files in (XDG base directories on Linux).
#include <string>

namespace kov {

// $XDG_DATA_HOME, else $HOME/.local/share; empty when neither is set.
std::u16string UserAppDataFolder();
// "/var/lib": the all-users fall-back.
std::u16string CommonAppDataFolder();
// Folder of the running executable with a trailing '/'; empty when unknown.
std::u16string ProgramFolder();

// The rule behind UserAppDataFolder, from given variable values (nullptr when unset).
// XDG asks to ignore a relative XDG_DATA_HOME; trailing '/' are dropped.
std::u16string UserAppDataFolderFrom(const char* szXdgDataHome, const char* szHome);

} // namespace kov
