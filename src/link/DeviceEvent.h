#pragma once
// Events the receive loop turns frames into. Each is posted to an IDeviceEventSink on the
// receive thread, in frame order; LinkClosed is always the last event of a connection.
#include <cstdint>
#include <memory>

namespace kov {

constexpr uint32_t kWmUser = 1024;

enum class DeviceEvent : uint32_t {
    DeviceTextEvent = kWmUser + 1,            // wParam text kind; payload the text
    SoftwareVersionEvent = kWmUser + 2,       // lParam packed version
    FlashWriteProgressEvent = kWmUser + 3,    // lParam bytes written
    LinkClosed = kWmUser + 4,                 // the loop ended
    ParametersDocumentEvent = kWmUser + 5,    // wParam length; payload the XML text
    WriteParametersResultEvent = kWmUser + 6, // wParam non-zero: saved
    ProgramBlockAckEvent = kWmUser + 7,       // lParam CRC-32 of the last block
    ProgramReadyEvent = kWmUser + 8,
    SectorEraseProgressEvent = kWmUser + 9, // lParam bytes erased
    FlashWriteErrorEvent = kWmUser + 10,    // lParam device error code
    ProgramCompleteEvent = kWmUser + 11,
    CriticalLogEvent = kWmUser + 12,        // wParam wrap index; payload the log (NULs made spaces)
    UnsupportedCommandEvent = kWmUser + 13, // wParam the refused or unknown command id
    ProgramRequestEvent = kWmUser + 14,
    ResetParametersResultEvent = kWmUser + 15, // wParam non-zero: success
    FlashVerifyProgressEvent = kWmUser + 16,   // lParam bytes verified
    WriteTestProgressEvent = kWmUser + 21,     // wParam bytes written
    ReadTestProgressEvent = kWmUser + 22,      // wParam bytes read
    UpgradeReadyEvent = kWmUser + 23,          // posted by the application upgrade, not by the loop
    PasswordRequestEvent = kWmUser + 24,
    DiagnosticsReportEvent = kWmUser + 25,    // payload the report (NULs made spaces)
    RecordingsDeletedEvent = kWmUser + 26,    // wParam files deleted
    DisableConsoleResultEvent = kWmUser + 27, // wParam 0: console disabled
    CommandNotAuthorizedEvent = kWmUser + 28,
    // Posted by the program itself, not by the loop (kWmUser + 29 is the pages' Delete key):
    DevicesChangedEvent = kWmUser + 30, // the system reported a device plugged in or out
    InterfaceTaskEvent = kWmUser + 31,  // a task a worker handed to the interface thread
    // Posted by an application upgrade's run, not by the loop: wParam names the upgrade, the
    // next report of whose run waits with its owner.
    UpgradeReportEvent = kWmUser + 40,
};

// One posted event. Events that carry text or a document own their buffer in pPayload:
// dwPayloadLength bytes followed by a 0 byte, so the text can be used as a C string. The
// buffer is the one the payload was read into; it moves along with the event. For such
// events lParam is 0; pPayload is empty when the frame had no payload (empty content).
// Error lines of the loop itself are DeviceTextEvent with wParam 0.
struct SDeviceEventData {
    DeviceEvent eEvent = DeviceEvent::LinkClosed;
    uint32_t wParam = 0;
    uint32_t lParam = 0;
    std::unique_ptr<char[]> pPayload;
    uint32_t dwPayloadLength = 0;

    // The payload as a NUL-terminated text; "" when there is none.
    const char* Text() const { return pPayload ? pPayload.get() : ""; }
};

class IDeviceEventSink {
public:
    virtual ~IDeviceEventSink() = default;
    // Called on the receive thread; must not block for long (posting never waits).
    virtual void PostDeviceEvent(SDeviceEventData event) = 0;
};

} // namespace kov
