#include "app/kovctl/Kovctl.h"

#include "app/kovctl/Commands.h"
#include "support/TextNumbers.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace kov {
namespace {

const SKovctlCommand kCommands[] = {
    {"xml", "FILE", "print a parameter file as the program sends it to a device", CmdXml},
    {"devices", "", "print the number of present device interfaces", CmdDevices},
    {"read", "[-o FILE]", "receive the device's parameters; print them, or save them to FILE", CmdRead},
    {"write", "[--raw] FILE", "write a parameter file as the configurator does (--raw: unchanged)", CmdWrite},
    {"restart", "", "restart the device", CmdRestart},
    {"shutdown", "", "shut the device down", CmdShutdown},
    {"reset-parameters", "", "restore the device's factory parameters and read them again",
     CmdResetParameters},
    {"disable-console", "", "disable the device's console", CmdDisableConsole},
    {"delete-recordings", "", "delete every recording on the device", CmdDeleteRecordings},
    {"log", "", "print the device's log until Ctrl-C or --wait seconds without a line", CmdLog},
    {"program", "FILE|--download [--yes] [--no-restart]",
     "program a firmware file into the device, or with --download the newest one for it", CmdProgram},
    {"download-firmware", "[--site URL]",
     "download the newest firmware for the device; print the saved file's path", CmdDownloadFirmware},
    {"upgrade", "[--check] [--site URL]",
     "download this program's newest setup; print its path (--check: VERSION<TAB>URL)", CmdUpgrade},
    {"models", "", "list the device models firmware archives are matched against", CmdModels},
    {"inspect", "FILE [--model CODE]", "check a firmware program file as the Maintenance page does",
     CmdInspect},
};

void PrintHelp(FILE* pOut)
{
    std::fputs("usage: kovctl [--device-root DIR] [--wait SECONDS] COMMAND [ARGS]\n\n"
               "Configures Dovrane devices from the command line.\n\ncommands:\n",
               pOut);
    for (const auto& cmd : kCommands) {
        std::string sLeft = std::string(cmd.szName) + (*cmd.szUsage ? " " : "") + cmd.szUsage;
        // A long usage takes a line of its own, so the summaries stay in one column.
        if (sLeft.size() > 28)
            std::fprintf(pOut, "  %s\n  %-28s %s\n", sLeft.c_str(), "", cmd.szSummary);
        else
            std::fprintf(pOut, "  %-28s %s\n", sLeft.c_str(), cmd.szSummary);
    }
    std::fputs("\nglobal options (before or after the command):\n"
               "  --device-root DIR            where device interfaces appear\n"
               "  --wait SECONDS               wait for a device and for each reply (default 10)\n\n"
               "read, write, restart, shutdown, reset-parameters, disable-console, delete-recordings,\n"
               "log, program and download-firmware also take --password PW: the device's configuration\n"
               "password.\n"
               "program asks before it starts (--yes answers it; else it asks on a terminal) and\n"
               "restarts the device at the end unless --no-restart is given.\n"
               "upgrade, download-firmware and program --download look on the download site given\n"
               "by --site, else $KOV_DOWNLOAD_SITE, else kov:DownloadSite in the options file, else\n"
               "the built-in https site, and save under KOV/Application_Upgrades in the user's data\n"
               "folder ($XDG_DATA_HOME, else ~/.local/share). Ctrl-C cancels a download.\n\n"
               "exit codes: 0 success, 1 failure reported by the device or a file, 2 usage,\n"
               "3 no device or no reply in time\n",
               pOut);
}

bool ParseSeconds(const char* sz, int& iOut)
{
    int32_t iSeconds = 0;
    if (!ParseWholeInt32(std::string_view(sz), iSeconds) || iSeconds < 0 || iSeconds > 86400)
        return false;
    iOut = iSeconds;
    return true;
}

} // namespace

int KovctlMain(int argc, char** argv)
{
    SKovctlGlobals globals;
    std::vector<std::string> args;
    const SKovctlCommand* pCommand = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* sz = argv[i];
        if (!std::strcmp(sz, "--help") || !std::strcmp(sz, "-h")) {
            PrintHelp(stdout);
            return kExitOk;
        }
        if (!std::strcmp(sz, "--device-root") || !std::strcmp(sz, "--wait")) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "kovctl: %s needs a value\n", sz);
                return kExitUsage;
            }
            const char* szValue = argv[++i];
            if (sz[2] == 'd') {
                globals.sDeviceRoot = szValue;
            } else if (!ParseSeconds(szValue, globals.iWaitSeconds)) {
                std::fprintf(stderr, "kovctl: --wait takes a number of seconds, not \"%s\"\n", szValue);
                return kExitUsage;
            }
            continue;
        }
        if (!pCommand) {
            for (const auto& cmd : kCommands)
                if (!std::strcmp(cmd.szName, sz))
                    pCommand = &cmd;
            if (!pCommand) {
                std::fprintf(stderr, "kovctl: unknown command \"%s\" (see kovctl --help)\n", sz);
                return kExitUsage;
            }
            continue;
        }
        args.emplace_back(sz);
    }
    if (!pCommand) {
        PrintHelp(stderr);
        return kExitUsage;
    }
    return pCommand->pfnRun(globals, args);
}

} // namespace kov
