#pragma once
// Device requests that pages start with a question: the Maintenance page's "Reset Parameters"
// and the Recording page's "Delete all files now". Each asks through the form host, tells the
// operator when no device is connected, and sends one frame.
#include <cstdint>

#include "form/FormHost.h"
#include "sections/Outcomes.h"

namespace kov {

class ParameterDocumentHolder;

enum class EDeviceRequest {
    Sent,
    Declined,     // the operator answered No
    NotConnected, // the operator was told the device is not ready
    SendFailed,   // the frame could not be written
};

struct SConfirmedRequest {
    uint32_t dwCommandId;
    EOutcome eQuestion;
    EOutcome eNotReady;
    bool bAskFirst; // ask, then check the connection; else check, then ask
};

EDeviceRequest SendConfirmedRequest(const SConfirmedRequest& request, IFormHost* pHost,
                                    ParameterDocumentHolder* pHolder, IOutcomeObserver* pOutcomes);

// Deletes every recording on the device after "Are you sure?".
EDeviceRequest DeleteAllRecordingFiles(IFormHost* pHost, ParameterDocumentHolder* pHolder,
                                       IOutcomeObserver* pOutcomes);

} // namespace kov
