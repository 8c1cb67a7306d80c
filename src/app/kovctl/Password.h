#pragma once
// Where kovctl takes the device's configuration password from. A command line is readable by
// every user of the machine (the process list), so the password also comes from a file or
// the environment; without any of them an operator at a terminal is asked once the device
// asks.
#include <optional>
#include <string>
#include <vector>

namespace kov {

inline constexpr char kPasswordUsage[] = "[--password-file FILE | --password PW]";
inline constexpr char kPasswordVariable[] = "KOV_PASSWORD";

struct SPasswordArgs {
    std::optional<std::string> oPassword; // --password PW
    std::optional<std::string> oFile;     // --password-file FILE
};

// Takes the password option at args[i] with its value, moving i onto the value: true when
// args[i] is one. bOk turns false when the value is missing or a password was given before.
bool TakePasswordOption(const std::vector<std::string>& args, size_t& i, SPasswordArgs& out, bool& bOk);

// The password to answer with: --password PW, else the first line of the --password-file
// (without its line end, and without a UTF-8 mark), else $KOV_PASSWORD when it is not empty;
// nullopt when none is given. False, with sError set, when the file cannot be read.
bool ResolvePassword(const SPasswordArgs& args, std::optional<std::string>& oPassword, std::string& sError);

} // namespace kov
