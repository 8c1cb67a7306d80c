#pragma once
#include <string>

namespace kov {
// The folder under which device interfaces appear on the pipe way:
// $KOV_DEVICE_ROOT, else $XDG_RUNTIME_DIR/kov/devices, else /tmp/kov-devices-<uid>.
std::string DefaultDeviceRoot();
} // namespace kov
