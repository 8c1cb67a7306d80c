#pragma once
// Parts of the main window's work that belong to pages and tools built separately: the
// Maintenance page (programming), the reports of the Debug menu, the recording page's file
// writing test, and the driver and upgrade commands. The main window routes to them when they
// are attached; until they are, those events and commands do nothing.
#include <cstdint>
#include <string>

#include "link/DeviceEvent.h"

namespace kov {

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
    virtual bool AutomaticRestart() const = 0;
    // The program file path to remember in the options file when the window closes.
    virtual std::u16string ProgramFilePath() const = 0;
};

// Critical log and diagnostics reports.
class IReportHandler {
public:
    virtual ~IReportHandler() = default;
    virtual void OnReportEvent(SDeviceEventData event) = 0;
};

// The recording page's file writing test.
class IWriteTestHandler {
public:
    virtual ~IWriteTestHandler() = default;
    virtual void OnTestProgress(const SDeviceEventData& event) = 0;
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
