#pragma once
// What kovctl's device commands share: their arguments, standard output, and sending a menu
// command through the window's logic.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/kovctl/Commands.h"
#include "app/kovctl/Password.h"
#include "sections/Outcomes.h"

namespace kov {

class CDeviceSession;

struct SDeviceArgs {
    SPasswordArgs password;
    std::optional<std::string> oOutput;
    bool bRaw = false;
    bool bReport = false;
    bool bList = false;
    std::vector<std::string> vFiles;
};

enum EArgsAllowed : unsigned { kArgOutput = 1, kArgRaw = 2, kArgReport = 4, kArgList = 8 };

// Every device command takes the password options (Password.h); -o FILE, --raw, --report and --list where allowed;
// nFiles plain arguments. False, with the usage printed, on anything else.
bool ParseDeviceArgs(const char* szName, const char* szUsage, const std::vector<std::string>& args,
                     unsigned uAllowed, size_t nFiles, SDeviceArgs& out);

// kExitOk when all the bytes reached standard output.
int WriteStdout(std::string_view sBytes);

// restart, shutdown, delete-critical-log: the menu command; success when its frame went out.
int MenuDeviceCommand(const SKovctlGlobals& globals, const std::vector<std::string>& args, const char* szName,
                      uint32_t dwCommandId);
// The menu command on a connected session: kExitFailure when the window answered eNoDevice
// (after nFrom), the send failure's code when its frame did not go out, else kExitOk.
int SendMenuCommand(CDeviceSession& session, uint32_t dwCommandId, size_t nFrom, EOutcome eNoDevice);

} // namespace kov
