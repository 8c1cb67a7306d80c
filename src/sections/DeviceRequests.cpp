#include "sections/DeviceRequests.h"

#include "link/ParameterDocumentHolder.h"

namespace kov {

EDeviceRequest SendConfirmedRequest(const SConfirmedRequest& request, IFormHost* pHost,
                                    ParameterDocumentHolder* pHolder, IOutcomeObserver* pOutcomes)
{
    auto fnConnected = [&] {
        if (pHolder && pHolder->IsConnected())
            return true;
        ReportOutcome(pOutcomes, pHost, {request.eNotReady});
        return false;
    };
    if (!request.bAskFirst && !fnConnected())
        return EDeviceRequest::NotConnected;
    if (!AskOutcome(pHost, request.eQuestion))
        return EDeviceRequest::Declined;
    if (request.bAskFirst && !fnConnected())
        return EDeviceRequest::NotConnected;
    return pHolder->SendCommand(request.dwCommandId) ? EDeviceRequest::Sent : EDeviceRequest::SendFailed;
}

EDeviceRequest DeleteAllRecordingFiles(IFormHost* pHost, ParameterDocumentHolder* pHolder,
                                       IOutcomeObserver* pOutcomes)
{
    static constexpr SConfirmedRequest kRequest{DeleteAllRecordings, EOutcome::ConfirmDeleteRecordings,
                                                EOutcome::DeleteRecordingsNotReady, true};
    return SendConfirmedRequest(kRequest, pHost, pHolder, pOutcomes);
}

} // namespace kov
