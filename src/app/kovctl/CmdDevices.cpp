#include "app/kovctl/Commands.h"

#include "link/UsbTransport.h"
#include "platform/DeviceRoot.h"

#include <cstdio>

namespace kov {

int CmdDevices(const SKovctlGlobals& globals, const std::vector<std::string>& args)
{
    const bool bList = args.size() == 1 && args.front() == "--list";
    if (!args.empty() && !bList) {
        std::fputs("usage: kovctl devices [--list]\n", stderr);
        return kExitUsage;
    }
    UsbTransport transport(globals.sDeviceRoot.empty() ? DefaultDeviceRoot() : globals.sDeviceRoot,
                           globals.sDeviceName);
    // Device folders passed over as untrusted are told once, before the answer.
    auto fnTellRefused = [&transport] {
        for (const std::string& sLine : transport.TakeNotices())
            std::fprintf(stderr, "%s\n", sLine.c_str());
    };
    if (!bList) {
        const int32_t iCount = transport.CountDevices();
        fnTellRefused();
        if (iCount < 0) {
            std::fputs("kovctl devices: the USB device list cannot be read\n", stderr);
            return kExitFailure;
        }
        std::printf("%d\n", int(iCount));
        return kExitOk;
    }
    std::vector<SDeviceInterface> vDevices;
    const bool bComplete = transport.ListDevices(vDevices);
    fnTellRefused();
    for (const SDeviceInterface& device : vDevices)
        std::printf("%s\t%s\n", device.sName.c_str(), DeviceWayName(device.eWay));
    if (std::fflush(stdout) != 0)
        return kExitFailure;
    if (!bComplete) {
        // The pipe-way devices above are there; the USB ones could not be looked at.
        std::fputs("kovctl devices: the USB device list cannot be read\n", stderr);
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace kov
