#include "app/kovctl/Commands.h"

#include "link/UsbTransport.h"

#include <cstdio>

namespace kov {

int CmdDevices(const SKovctlGlobals& globals, const std::vector<std::string>& args)
{
    if (!args.empty()) {
        std::fprintf(stderr, "kovctl devices: takes no arguments, got \"%s\"\n", args.front().c_str());
        return kExitUsage;
    }
    UsbTransport transport = globals.sDeviceRoot.empty() ? UsbTransport() : UsbTransport(globals.sDeviceRoot);
    const int32_t iCount = transport.CountDevices();
    for (const std::string& sLine : transport.TakeNotices())
        std::fprintf(stderr, "%s\n", sLine.c_str());
    if (iCount < 0) {
        std::fputs("kovctl devices: the USB device list cannot be read\n", stderr);
        return kExitFailure;
    }
    std::printf("%d\n", int(iCount));
    return kExitOk;
}

} // namespace kov
