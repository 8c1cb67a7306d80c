#include "platform/DeviceRoot.h"

#include <cstdlib>
#include <unistd.h>

namespace kov {

std::string DefaultDeviceRoot()
{
    if (const char* sz = std::getenv("KOV_DEVICE_ROOT"); sz && *sz)
        return sz;
    if (const char* sz = std::getenv("XDG_RUNTIME_DIR"); sz && *sz)
        return std::string(sz) + "/kov/devices";
    return "/tmp/kov-devices-" + std::to_string(getuid());
}

} // namespace kov
