#include "sections/Outcomes.h"

#include <array>
#include <string>

#include "firmware/ProgramFile.h"
#include "support/TextCodec.h"

namespace kov {

namespace {

using E = EOutcome;
using S = EOutcomeShown;

constexpr std::u16string_view kDeviceNotReady = u"Device not ready";
constexpr std::u16string_view kCannotPerformAction = u"Cannot perform action on device";
constexpr std::u16string_view kCaptionDiagnosticInformation = u"Diagnostic Information";
constexpr std::u16string_view kCaptionFactorySettings = u"Factory Settings";
constexpr std::u16string_view kCaptionDeleteAllRecordings = u"Delete All Recordings";
constexpr std::u16string_view kCaptionDisableConsole = u"Disable Console";

// In the order of the enumeration (checked below).
constexpr SOutcomeForm kForms[] = {
    {E::Ready, S::Status, u"Ready", {}},
    {E::Connected, S::Status, u"Connected to device", {}},
    {E::ConnectionFailed, S::Status, u"Device connection failed", {}},
    {E::Disconnected, S::Status, u"Device disconnected", {}},
    {E::NoDevice, S::Message, kCannotPerformAction, u"Device Action"},
    {E::ParametersLoaded, S::Status, u"Parameters loaded", {}},
    {E::ParametersUnreadable, S::Status, u"Failed to load parameters", {}},
    {E::ParametersNotRequested, S::Status, u"Cannot load parameters from device", {}},
    {E::ParametersMismatch, S::Status, u"Failed to match parameters", {}},
    {E::PasswordNeeded, S::Nothing, {}, {}},
    {E::PasswordRefused, S::Nothing, {}, {}},
    {E::DefaultParameters, S::Status, u"Default Parameters", {}},
    {E::Saving, S::Status, u"Saving parameters to device", {}},
    {E::Saved, S::Status, u"Parameters saved", {}},
    {E::SaveFailed, S::Status, u"Failed to save parameters", {}},
    {E::CannotSave, S::Message, u"Cannot save to device", u"Device Connection"},
    {E::DeviceReset, S::Status, u"Device Reset", {}},
    {E::DeviceShutdown, S::Status, u"Device Shutdown", {}},
    {E::ParametersReset, S::Status, u"Parameters Reset Success", {}},
    {E::ParametersResetFailed, S::Status, u"Parameters Reset Error", {}},
    {E::RecordingsDeleted, S::Message, u"%d files were deleted.", u"Delete Recordings"},
    {E::ConsoleDisabled, S::Message, u"Console disabled.", kCaptionDisableConsole},
    {E::ConsoleResult, S::Message, u"Enable console result = %d.", kCaptionDisableConsole},
    {E::UnsupportedCommand, S::Message, u"Unsupported device command. Index=%d", u"Device Control"},
    {E::NotAuthorized, S::Message, u"Device command not authorized.", u"Device Command"},
    // The two questions differ by the blank before the question mark.
    {E::ConfirmResetParameters, S::Question, u"Are you sure ?", kCaptionFactorySettings},
    {E::ResetParametersNotReady, S::Message, kDeviceNotReady, kCaptionFactorySettings},
    {E::ConfirmDeleteRecordings, S::Question, u"Are you sure?", kCaptionDeleteAllRecordings},
    {E::DeleteRecordingsNotReady, S::Message, kDeviceNotReady, kCaptionDeleteAllRecordings},
    {E::BufferAccepted, S::Nothing, {}, {}},
    {E::SectorsErased, S::Nothing, {}, {}},
    {E::FlashWritten, S::Nothing, {}, {}},
    {E::FlashVerified, S::Nothing, {}, {}},
    {E::ProgramFileReadError, S::Message, u"Error reading program file", u"KOV"},
    {E::FlashWriteFailed, S::Message, u"Failed to write on flash. Error=%d", kCaptionDeviceProgramming},
    {E::ProgrammingComplete, S::Message, u"Programming Complete. Please press the \"Restart Device\" button.",
     kCaptionDeviceProgramming},
    {E::ProgrammingCompleteRestart, S::Nothing, {}, {}},
    {E::UnknownDeviceModel, S::Message, u"Unknown device", kCaptionDeviceProgramming},
    {E::ProgrammingInterrupted, S::Message,
     u"Programming was interrupted before it completed: the device was disconnected. Connect the "
     u"device again and program it once more.",
     kCaptionDeviceProgramming},
    {E::FileClosed, S::Status, u"Closed", {}},
    {E::FileOpenFailed, S::Message, u"Failed to load parameters from file", u"File Open"},
    {E::FileSaveFailed, S::Message, u"Failed to save parameters to file", u"File Save"},
    {E::FileOpened, S::Status, u"Parameters file opened: %ls", {}},
    {E::FileSaved, S::Status, u"Parameters file saved: %ls", {}},
    {E::CriticalLogEmpty, S::Message, u"Critical log is empty.", u"View Critical Log"},
    {E::DiagnosticsNoParameters, S::Message, u"No device parameters", kCaptionDiagnosticInformation},
    {E::DiagnosticsNoConfig, S::Message, u"No device config parameters", kCaptionDiagnosticInformation},
    {E::DiagnosticsNotFound, S::Message, u"No diagnostic information found", kCaptionDiagnosticInformation},
    {E::DiagnosticsListEmpty, S::Message, u"Diagnostic information list is empty",
     kCaptionDiagnosticInformation},
    {E::DiagnosticsNoDevice, S::Message, kCannotPerformAction, kCaptionDiagnosticInformation},
    {E::DiagnosticsNoItemChosen, S::Message, u"No item selected", u"Select diagnostic information"},
    {E::DeviceAccessDenied,
     S::LogLine,
     u"The USB device was found, but this user may not open it: install the device's udev rule with "
     u"Driver > Install driver (or kovctl driver install), then plug the device in again.",
     {}},
};

constexpr bool InEnumerationOrder()
{
    for (size_t i = 0; i < std::size(kForms); ++i)
        if (static_cast<size_t>(kForms[i].eOutcome) != i)
            return false;
    return static_cast<size_t>(E::DeviceAccessDenied) + 1 == std::size(kForms);
}
static_assert(InEnumerationOrder(), "one row per outcome, in the order of the enumeration");

} // namespace

const SOutcomeForm& OutcomeForm(EOutcome eOutcome)
{
    return kForms[static_cast<size_t>(eOutcome)];
}

std::u16string OutcomeText(const SOutcome& outcome)
{
    const std::u16string_view wszFormat = OutcomeForm(outcome.eOutcome).wszText;
    std::u16string wszText(wszFormat);
    if (const size_t iAt = wszText.find(u"%d"); iAt != std::u16string::npos)
        wszText.replace(iAt, 2, Utf8ToUtf16(std::to_string(outcome.iCode)));
    if (const size_t iAt = wszText.find(u"%ls"); iAt != std::u16string::npos)
        wszText.replace(iAt, 3, outcome.wszName);
    return wszText;
}

void ReportOutcome(IOutcomeObserver* pObserver, IFormHost* pHost, const SOutcome& outcome)
{
    if (pObserver) {
        pObserver->OnOutcome(outcome);
        return;
    }
    const SOutcomeForm& form = OutcomeForm(outcome.eOutcome);
    if (pHost && form.eShown == EOutcomeShown::Message)
        pHost->MessageBox(OutcomeText(outcome), form.wszCaption, EMsgButtons::Ok, EMsgIcon::None);
}

bool AskOutcome(IFormHost* pHost, EOutcome eQuestion)
{
    const SOutcomeForm& form = OutcomeForm(eQuestion);
    return pHost && pHost->MessageBox(form.wszText, form.wszCaption, EMsgButtons::YesNo,
                                      EMsgIcon::Question) == EDlgResult::Yes;
}

} // namespace kov
