#pragma once
// Where pipe-way devices appear, and which of them the program may trust. A device is sent the
// configuration password and every parameter written, so another user of the machine must not
// be able to slip one in.
#include <string>

namespace kov {

// The folder under which device interfaces appear on the pipe way: $KOV_DEVICE_ROOT, else
// BuiltInDeviceRoot().
std::string DefaultDeviceRoot();
// $XDG_RUNTIME_DIR/kov/devices, else /tmp/kov-devices-<uid>: the root used when none is given.
std::string BuiltInDeviceRoot();

// Makes sRoot ready for use and says why it may not be used (empty: it may). The built-in
// root lies where another user could make it first: it is created 0700 when missing (with its
// missing parents) and is used only when it is a real folder, not a symbolic link, owned by
// this user and not writable by group or others. Any other root was chosen by the user and is
// neither created nor refused here; the folders and pipes inside it are checked one by one.
std::string PrepareDeviceRoot(const std::string& sRoot);

// Why a device folder or pipe with this owner and mode is not trusted (empty: it is): it must
// belong to this user or to root, and no group or other user may write to it. szWhat names it
// in the reason ("it", "PIPE_0x00").
std::string DeviceEntryDistrust(unsigned uOwner, unsigned uMode, const char* szWhat);

} // namespace kov
