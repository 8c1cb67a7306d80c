#pragma once
// Parts of the main window's work that a front end may take over or add to. The device's
// reports go to the main window's own diagnostics unless a front end takes them (kovctl prints
// them); commands the main window does not know go to an attached command handler. The roles
// pages play are in
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

// Commands whose actions live outside the main window (driver, diagnostics).
class ICommandHandler {
public:
    virtual ~ICommandHandler() = default;
    // True when the command was handled.
    virtual bool OnCommand(uint32_t dwCommandId) = 0;
    // Events that belong to these commands.
    virtual void OnEvent(const SDeviceEventData& event) = 0;
};

} // namespace kov
