#pragma once
// kovctl's commands. Each takes the arguments after its name (global options removed) and
// returns the exit code: 0 success, 1 the device or a file reported failure, 2 usage,
// 3 no device or no reply in time.
#include <string>
#include <vector>

namespace kov {

enum KovctlExit { kExitOk = 0, kExitFailure = 1, kExitUsage = 2, kExitNoDevice = 3 };

struct SKovctlGlobals {
    std::string sDeviceRoot; // empty: the default device root
    std::string sDeviceName; // empty: the first device that opens; else only this one
    int iWaitSeconds = 10;   // bounds the wait for a device to appear and for each reply
};

using KovctlCommandFn = int (*)(const SKovctlGlobals& globals, const std::vector<std::string>& args);

struct SKovctlCommand {
    const char* szName;
    const char* szUsage;   // arguments, for --help
    const char* szSummary; // one line, for --help
    KovctlCommandFn pfnRun;
};

int CmdXml(const SKovctlGlobals& globals, const std::vector<std::string>& args);
int CmdDevices(const SKovctlGlobals& globals, const std::vector<std::string>& args);
// Device commands (CmdDevice.cpp): the configurator's main window logic on a console.
int CmdRead(const SKovctlGlobals& globals, const std::vector<std::string>& args);
int CmdWrite(const SKovctlGlobals& globals, const std::vector<std::string>& args);
int CmdRestart(const SKovctlGlobals& globals, const std::vector<std::string>& args);
int CmdShutdown(const SKovctlGlobals& globals, const std::vector<std::string>& args);
int CmdResetParameters(const SKovctlGlobals& globals, const std::vector<std::string>& args);
int CmdDisableConsole(const SKovctlGlobals& globals, const std::vector<std::string>& args);
int CmdDeleteRecordings(const SKovctlGlobals& globals, const std::vector<std::string>& args);
int CmdLog(const SKovctlGlobals& globals, const std::vector<std::string>& args);
int CmdSpeedTest(const SKovctlGlobals& globals, const std::vector<std::string>& args);
int CmdProgram(const SKovctlGlobals& globals, const std::vector<std::string>& args);
int CmdModels(const SKovctlGlobals& globals, const std::vector<std::string>& args);
int CmdInspect(const SKovctlGlobals& globals, const std::vector<std::string>& args);
// The Debug menu's reports (CmdDiagnostics.cpp).
int CmdCriticalLog(const SKovctlGlobals& globals, const std::vector<std::string>& args);
int CmdDeleteCriticalLog(const SKovctlGlobals& globals, const std::vector<std::string>& args);
int CmdDiagnostics(const SKovctlGlobals& globals, const std::vector<std::string>& args);
// The Driver menu's work (CmdDriver.cpp): status, download, install, uninstall.
int CmdDriver(const SKovctlGlobals& globals, const std::vector<std::string>& args);
// The download site (UpgradeConsole.cpp).
int CmdUpgrade(const SKovctlGlobals& globals, const std::vector<std::string>& args);
int CmdDownloadFirmware(const SKovctlGlobals& globals, const std::vector<std::string>& args);

} // namespace kov
