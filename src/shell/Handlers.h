#pragma once
// Parts of the main window's work that belong to tools built separately: the driver and
// upgrade commands. The main window routes to them when they are attached; until they are,
// those commands do nothing. The device's reports go to the main window's own diagnostics
// unless a front end takes them (kovctl prints them). The roles pages play are in
// sections/PageRoles.h.
#include <cstdint>
#include <string>

#include "link/DeviceEvent.h"

namespace kov {

// Critical log and diagnostics reports.
class IReportHandler {
public:
    virtual ~IReportHandler() = default;
    virtual void OnReportEvent(SDeviceEventData event) = 0;
};

// Commands whose actions live outside the main window (driver, upgrade, diagnostics).
class ICommandHandler {
public:
    virtual ~ICommandHandler() = default;
    // True when the command was handled.
    virtual bool OnCommand(uint32_t dwCommandId) = 0;
    // UpgradeReadyEvent and other events that belong to these commands.
    virtual void OnEvent(const SDeviceEventData& event) = 0;
};

} // namespace kov
