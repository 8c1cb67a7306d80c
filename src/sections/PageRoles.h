#pragma once
// The roles some pages play for the main window. The pages implement them and the main window
// calls them, so a page never needs the main window's own headers.
#include <string>

#include "link/DeviceEvent.h"

namespace kov {

// Implemented by the page that shows the server connection status (the Connection page):
// the main window hands it the device's connection-status lines.
class IConnectionStatusSink {
public:
    virtual ~IConnectionStatusSink() = default;
    virtual void SetConnectionStatus(const std::u16string& wszStatus) = 0;
};

// Implemented by the Maintenance page.
class IProgrammingHandler {
public:
    virtual ~IProgrammingHandler() = default;
    // ProgramRequestEvent: the page is enabled and starts programming.
    virtual void StartProgramming() = 0;
    // Progress, acknowledgement and ready events of a running programming exchange.
    virtual void OnProgrammingEvent(const SDeviceEventData& event) = 0;
    // After FlashWriteError or ProgramComplete: close the program file, progress bars to 0.
    virtual void EndProgramming() = 0;
    // The device link closed: ends a run as EndProgramming does; true when one was under way,
    // so that the operator learns that the device's firmware may be incomplete.
    virtual bool OnLinkLost() = 0;
    virtual bool AutomaticRestart() const = 0;
    // The program file path to remember in the options file when the window closes.
    virtual std::u16string ProgramFilePath() const = 0;
};

// Implemented by the recording page: its file writing test.
class IWriteTestHandler {
public:
    virtual ~IWriteTestHandler() = default;
    virtual void OnTestProgress(const SDeviceEventData& event) = 0;
};

} // namespace kov
