#pragma once
// The system's own driver maintenance: USB flag keys it keeps for devices, driver-signing
// modes and a restart into the start-up options. Where the system has such things their
// commands run here, through the system's tools; this system has none of them, so the Driver
// menu leaves them out and the start-up argument that deletes the flag keys only says so.
#include <string>
#include <vector>

namespace kov {

enum class EDriverMaintenance { TestMode, NormalMode, RestartWithOptions, DeleteUsbFlags };

// A message the operator is shown, with its caption.
struct SMaintenanceMessage {
    std::u16string wszText;
    std::u16string wszCaption;
};

class IDriverMaintenance {
public:
    virtual ~IDriverMaintenance() = default;
    // Whether the system has the command at all.
    virtual bool IsAvailable(EDriverMaintenance eCommand) const = 0;
    // Runs the command (bAllowElevation: it may restart the program with more rights); the
    // messages to show, in order.
    virtual std::vector<SMaintenanceMessage> Run(EDriverMaintenance eCommand, bool bAllowElevation) = 0;
};

// This system's: nothing is available, and running a command only explains that.
class CNoDriverMaintenance final : public IDriverMaintenance {
public:
    bool IsAvailable(EDriverMaintenance) const override { return false; }
    std::vector<SMaintenanceMessage> Run(EDriverMaintenance eCommand, bool bAllowElevation) override;
};

IDriverMaintenance& DriverMaintenance();

inline constexpr char kDeleteUsbFlagKeysArgument[] = "-delete-registry-usb-flag-keys";

} // namespace kov
