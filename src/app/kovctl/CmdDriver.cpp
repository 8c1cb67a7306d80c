#include "app/kovctl/Commands.h"

#include <cstdio>

#include "drivers/DriverWork.h"
#include "platform/KnownFolders.h"
#include "support/TextCodec.h"

namespace kov {

namespace {

// The work's log on standard output, a line at a time.
class CConsoleDriverLog final : public IDriverLog {
public:
    void Log(const std::u16string& wszLine) override
    {
        std::printf("%s\n", Utf16ToUtf8(wszLine).c_str());
        std::fflush(stdout);
    }
    void Progress(int) override {}
    bool Stopped() const override { return false; }
};

int PrintStatus(const CDriverWork& work)
{
    const SDriverStatus status = work.Status();
    std::printf("udev rules folder: %s\n", status.sRulesFolder.c_str());
    if (status.vRuleFiles.empty())
        std::printf("device rule: not installed (kovctl driver install installs it)\n");
    for (const std::string& sFile : status.vRuleFiles)
        std::printf("device rule: installed in %s\n", sFile.c_str());
    std::printf("devices on USB: %zu\n", status.vDevices.size());
    for (const SUsbDeviceState& device : status.vDevices) {
        std::printf("  bus %03u device %03u: ", unsigned(device.byBus), unsigned(device.byAddress));
        if (device.iOpenError == 0)
            std::printf("can be opened\n");
        else
            std::printf("cannot be opened: %s%s\n", UsbErrorText(device.iOpenError).c_str(),
                        device.AccessDenied() ? " - this user lacks the right the device rule gives" : "");
    }
    return kExitOk;
}

} // namespace

int CmdDriver(const SKovctlGlobals&, const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        std::fputs("kovctl driver: give one of status, download, install, uninstall\n", stderr);
        return kExitUsage;
    }
    CDriverWork work(SystemTools(), UdevRulesFolder(), UserAppDataFolder());
    CConsoleDriverLog log;
    const std::string& sAction = args.front();
    if (sAction == "status")
        return PrintStatus(work);
    DriverTaskMode eMode;
    if (sAction == "download")
        eMode = DriverTaskMode::Download;
    else if (sAction == "install")
        eMode = DriverTaskMode::Install;
    else if (sAction == "uninstall")
        eMode = DriverTaskMode::Uninstall;
    else {
        std::fprintf(stderr, "kovctl driver: unknown action \"%s\" (status, download, install, uninstall)\n",
                     sAction.c_str());
        return kExitUsage;
    }
    return work.Run(eMode, log) ? kExitOk : kExitFailure;
}

} // namespace kov
