// The receive loop over an in-memory transport: whatever bytes a device sends, the loop must
// consume exactly the bytes the frames declare, post one event per whole frame with its
// payload as sent, end with LinkClosed and leak nothing. The first input byte sets how many
// bytes one read may deliver (0: all that is there), the rest is the device's stream.
#include "FuzzSupport.h"

#include "link/DeviceEvent.h"
#include "link/MemoryTransport.h"
#include "link/ProtoHandler.h"
#include "link/Protocol.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

using namespace kov;

class CCollectingSink final : public IDeviceEventSink {
public:
    void PostDeviceEvent(SDeviceEventData event) override
    {
        std::lock_guard lock(m_lock);
        const bool bClosed = event.eEvent == DeviceEvent::LinkClosed;
        m_vEvents.push_back(std::move(event));
        if (bClosed)
            m_closed.notify_all();
    }
    // Until LinkClosed; a loop that never ends is the fuzzer's time-out.
    std::vector<SDeviceEventData>& WaitClosed()
    {
        std::unique_lock lock(m_lock);
        m_closed.wait(lock, [this] {
            return !m_vEvents.empty() && m_vEvents.back().eEvent == DeviceEvent::LinkClosed;
        });
        return m_vEvents;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_closed;
    std::vector<SDeviceEventData> m_vEvents;
};

bool TakesPayload(DeviceEvent eEvent)
{
    return eEvent == DeviceEvent::DeviceTextEvent || eEvent == DeviceEvent::ParametersDocumentEvent ||
           eEvent == DeviceEvent::CriticalLogEvent || eEvent == DeviceEvent::DiagnosticsReportEvent;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize)
{
    if (iSize == 0)
        return 0;
    const int32_t iReadLimit = pData[0] % 4 == 0 ? 0 : pData[0] % 29 + 1;
    const uint8_t* pStream = pData + 1;
    const size_t iStream = iSize - 1;

    auto [pHost, pDevice] = CMemoryTransport::MakePair();
    pHost->SetReadLimit(iReadLimit);
    if (iStream != 0)
        KOV_FUZZ_CHECK(pDevice->Write(pStream, int32_t(iStream)).iCount == int32_t(iStream));
    pDevice->Close(false); // the device is gone once its bytes are read

    CCollectingSink sink;
    auto* pHandler = new AutoDeleteThreadObjectImpl<CHostClientProtoHandler>(pHost.get(), &sink);
    pHandler->AddRef();
    KOV_FUZZ_CHECK(pHandler->StartReceiving());
    std::vector<SDeviceEventData>& vEvents = sink.WaitClosed();
    pHandler->Join();
    pHandler->Release();

    // Walk the frames as declared: each whole one must have become its event, in order.
    size_t iAt = 0, iEvent = 0;
    for (;;) {
        if (iStream - iAt < kFrameHeaderSize)
            break; // the header read fails: an error line, then the end
        const SFrameHeader header = SFrameHeader::Decode(pStream + iAt);
        const size_t iLength = header.dwPayloadLength;
        if (iLength > CHostClientProtoHandler::kMaxPayloadLength ||
            iStream - iAt - kFrameHeaderSize < iLength)
            break; // refused or cut short: an error line, then the end
        KOV_FUZZ_CHECK(iEvent < vEvents.size());
        const SDeviceEventData& event = vEvents[iEvent++];
        KOV_FUZZ_CHECK(event.eEvent != DeviceEvent::LinkClosed);
        if (event.eEvent == DeviceEvent::ParametersDocumentEvent)
            KOV_FUZZ_CHECK(event.wParam == iLength);
        if (TakesPayload(event.eEvent) && iLength != 0) {
            KOV_FUZZ_CHECK(event.dwPayloadLength == iLength && event.pPayload);
            KOV_FUZZ_CHECK(event.pPayload[iLength] == 0);
            const uint8_t* pSent = pStream + iAt + kFrameHeaderSize;
            const bool bNulsMadeSpaces = event.eEvent == DeviceEvent::CriticalLogEvent ||
                                         event.eEvent == DeviceEvent::DiagnosticsReportEvent;
            for (size_t i = 0; i < iLength; ++i) {
                const char chSent = bNulsMadeSpaces && pSent[i] == 0 ? ' ' : char(pSent[i]);
                KOV_FUZZ_CHECK(event.pPayload[i] == chSent);
            }
        } else {
            KOV_FUZZ_CHECK(!event.pPayload);
        }
        iAt += kFrameHeaderSize + iLength;
    }
    // Then exactly one error line of the loop and LinkClosed.
    KOV_FUZZ_CHECK(vEvents.size() == iEvent + 2);
    KOV_FUZZ_CHECK(vEvents[iEvent].eEvent == DeviceEvent::DeviceTextEvent && vEvents[iEvent].wParam == 0);
    KOV_FUZZ_CHECK(vEvents[iEvent + 1].eEvent == DeviceEvent::LinkClosed);
    return 0;
}
