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
    {"devices", "[--list]", "print the number of present devices; --list: each one's name and way",
     CmdDevices},
    {"read", "[-o FILE]", "receive the device's parameters; print them, or save them to FILE", CmdRead},
    {"write", "[--raw] FILE", "write a parameter file as the configurator does (--raw: unchanged)", CmdWrite},
    {"restart", "", "restart the device", CmdRestart},
    {"shutdown", "", "shut the device down", CmdShutdown},
    {"reset-parameters", "", "restore the device's factory parameters and read them again",
     CmdResetParameters},
    {"disable-console", "", "disable the device's console", CmdDisableConsole},
    {"delete-recordings", "", "delete every recording on the device", CmdDeleteRecordings},
    {"log", "", "print the device's log until Ctrl-C or --wait seconds without a line", CmdLog},
    {"speed-test", "[--seconds N]",
     "time the device's storage: write, then read, N seconds each (default 10)", CmdSpeedTest},
    {"program", "FILE|--download [--yes] [--no-restart]",
     "program a firmware file into the device, or with --download the newest one for it", CmdProgram},
    {"download-firmware", "[--site URL]",
     "download the newest firmware for the device; print the saved file's path", CmdDownloadFirmware},
    {"upgrade", "[--check] [--site URL]",
     "download this program's newest setup; print its path (--check: VERSION<TAB>URL)", CmdUpgrade},
    {"models", "", "list the device models firmware archives are matched against", CmdModels},
    {"inspect", "FILE [--model CODE]", "check a firmware program file as the Maintenance page does",
     CmdInspect},
    {"critical-log", "[-o FILE] [--report]", "print the device's critical log, oldest entry first",
     CmdCriticalLog},
    {"delete-critical-log", "", "delete the device's critical log", CmdDeleteCriticalLog},
    {"diagnostics", "--list | TYPE [-o FILE] [--report]",
     "list the device's diagnostic types, or print the report of one", CmdDiagnostics},
    {"driver", "status|download|install|uninstall",
     "the device's udev rule (the Driver menu): whether it is installed and each device opens, or its work",
     CmdDriver},
};

void PrintHelp(FILE* pOut)
{
    std::fputs("usage: kovctl [--device-root DIR] [--device NAME] [--wait SECONDS] COMMAND [ARGS]\n\n"
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
               "  --device NAME                use the device of that name (see devices --list)\n"
               "  --wait SECONDS               wait for a device and for each reply (default 10)\n\n"
               "Every command that talks to a device answers a device that asks for its configuration\n"
               "password with\n"
               "  --password-file FILE         the first line of FILE\n"
               "  KOV_PASSWORD                 the environment variable, when neither option is given\n"
               "  --password PW                PW; other users of the machine can see it in the\n"
               "                               process list, so prefer the two above\n"
               "and, without any of them, asks for it (not shown as typed) when input is a terminal.\n"
               "program asks before it starts (--yes answers it; else it asks on a terminal) and\n"
               "restarts the device at the end unless --no-restart is given.\n"
               "diagnostics TYPE takes a position or a name from diagnostics --list.\n"
               "critical-log and diagnostics print the report; -o FILE writes it to FILE instead\n"
               "(a diagnostic report then begins with the UTF-8 mark, as its report file does), and\n"
               "--report also writes the configurator's time-stamped report file and prints its path\n"
               "on standard error.\n"
               "upgrade, download-firmware and program --download look on the download site given\n"
               "by --site, else $KOV_DOWNLOAD_SITE, else kov:DownloadSite in the options file, else\n"
               "the built-in https site, and save under KOV/Application_Upgrades in the user's data\n"
               "folder ($XDG_DATA_HOME, else ~/.local/share). Ctrl-C cancels a download.\n\n"
               "driver install writes the rule into $KOV_UDEV_RULES_DIR (default /etc/udev/rules.d),\n"
               "asking for administrator rights through pkexec when that folder is not writable.\n\n"
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
        if (!std::strcmp(sz, "--device-root") || !std::strcmp(sz, "--device") || !std::strcmp(sz, "--wait")) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "kovctl: %s needs a value\n", sz);
                return kExitUsage;
            }
            const char* szValue = argv[++i];
            if (!std::strcmp(sz, "--device-root")) {
                globals.sDeviceRoot = szValue;
            } else if (!std::strcmp(sz, "--device")) {
                globals.sDeviceName = szValue;
                if (globals.sDeviceName.empty()) {
                    std::fputs("kovctl: --device needs a name (see kovctl devices --list)\n", stderr);
                    return kExitUsage;
                }
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
