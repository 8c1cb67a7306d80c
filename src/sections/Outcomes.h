#pragma once
// What the main window and its pages tell the operator, as typed outcomes. The main window's
// logic and the pages raise them through IOutcomeObserver; a window shows them (a status text
// or a message box), a console front end prints them and decides its exit code from them.
// Every text the operator sees for an outcome lives once, in the table behind OutcomeForm.
#include <cstdint>
#include <string>
#include <string_view>

#include "form/FormHost.h"

namespace kov {

enum class EOutcome : int32_t {
    Ready, // the window was created

    // Connection
    Connected,
    ConnectionFailed,
    Disconnected,
    NoDevice, // a device operation asked for with no device connected

    // The device's parameter document
    ParametersLoaded,
    ParametersUnreadable,   // the document arrived and did not parse
    ParametersNotRequested, // the request for it could not be sent
    ParametersMismatch,     // a page did not match its section
    PasswordNeeded,         // the device asks for its configuration password (the dialog follows)
    PasswordRefused,        // asked again after a password was sent
    DefaultParameters,      // the password dialog was cancelled

    // Write To Device
    Saving,
    Saved,
    SaveFailed, // the device reported it did not take the parameters
    CannotSave, // the change document could not be sent

    // Device commands and the device's replies; iCode carries the reply's number
    DeviceReset,
    DeviceShutdown,
    ParametersReset,
    ParametersResetFailed,
    RecordingsDeleted, // iCode: files deleted
    ConsoleDisabled,
    ConsoleResult,      // iCode: the device's non-zero result
    UnsupportedCommand, // iCode: the command id
    NotAuthorized,

    // Page requests: their questions and their answer without a device
    ConfirmResetParameters,
    ResetParametersNotReady,
    ConfirmDeleteRecordings,
    DeleteRecordingsNotReady,

    // Firmware programming; the four bars in their order, iCode the percent
    BufferAccepted,
    SectorsErased,
    FlashWritten,
    FlashVerified,
    ProgramFileReadError,
    FlashWriteFailed,           // iCode: the device's error
    ProgrammingComplete,        // the operator restarts the device
    ProgrammingCompleteRestart, // the device is restarted at once
    UnknownDeviceModel,         // no firmware download for the model
    ProgrammingInterrupted,     // the device went away before programming completed

    // Parameter files; wszName carries the file's name
    FileClosed,
    FileOpenFailed,
    FileSaveFailed,
    FileOpened,
    FileSaved,

    // Diagnostics and the critical log
    CriticalLogEmpty,        // the device's critical log came without text
    DiagnosticsNoParameters, // no loaded document
    DiagnosticsNoConfig,     // it has no device config section
    DiagnosticsNotFound,     // that has no diagnostic type list
    DiagnosticsListEmpty,    // the list names no type
    DiagnosticsNoDevice,     // a type was chosen with no device connected
    DiagnosticsNoItemChosen, // OK in the type selection with no type chosen

    // Connection, continued
    DeviceAccessDenied, // a USB device is there that this user may not open (after ConnectionFailed)
};

struct SOutcome {
    EOutcome eOutcome = EOutcome::Ready;
    int32_t iCode = 0;
    std::u16string wszName; // stands for "%ls" in the text
};

class IOutcomeObserver {
public:
    virtual ~IOutcomeObserver() = default;
    virtual void OnOutcome(const SOutcome& outcome) = 0;
};

enum class EOutcomeShown {
    Nothing,  // no text of its own: something else follows or was shown
    Status,   // the status bar's pane
    Message,  // a message box with OK
    Question, // a Yes/No box
    LogLine,  // a line of the log view (the main window writes it there)
};

struct SOutcomeForm {
    EOutcome eOutcome;
    EOutcomeShown eShown;
    std::u16string_view wszText; // "%d" stands for the outcome's code, "%ls" for its name
    std::u16string_view wszCaption;
};

const SOutcomeForm& OutcomeForm(EOutcome eOutcome);
// The text with the code in place of "%d" and the name in place of "%ls".
std::u16string OutcomeText(const SOutcome& outcome);

// Hands the outcome to the observer; without one (a page on its own), a message is shown on
// the host directly.
void ReportOutcome(IOutcomeObserver* pObserver, IFormHost* pHost, const SOutcome& outcome);
// Asks a question outcome on the host; true for Yes. Without a host nothing is asked: false.
bool AskOutcome(IFormHost* pHost, EOutcome eQuestion);

} // namespace kov
