#pragma once
// Parts of the main window's work that belong to tools built separately: the reports of the
// Debug menu and the driver commands. The main window routes to them when they are
// attached; until they are, those events and commands do nothing. The roles pages play are in
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
