#pragma once
// One device connection: sends frames on the caller's thread and runs the receive loop on
// its own thread, turning every frame into an event for the sink.
// Always made as `new AutoDeleteThreadObjectImpl<CHostClientProtoHandler>(...)`.
#include <cstdint>

#include "link/DeviceEvent.h"
#include "link/Protocol.h"
#include "support/Threads.h"

namespace kov {

class CHostClientProtoHandler : public CSimpleThread, public ISticky {
public:
    static constexpr const char* kThreadName = "Host Client Protocol Handler";
    // No single read asks the transport for more than this.
    static constexpr uint32_t kReadChunk = 0x100000;
    // Longer payloads that an event would keep are refused as impossible allocations rather
    // than tried: a corrupt length must not make the program reserve gigabytes. Payloads no
    // event keeps are read past whatever their length.
    static constexpr uint32_t kMaxPayloadLength = 256u << 20;
    // Payloads no event keeps are read past through a scratch buffer of this size.
    static constexpr uint32_t kDiscardChunk = 64u << 10;

    // Neither pointer is owned; both must outlive the receive loop. To stop: Close the
    // transport, then wait for LinkClosed (after posting it the loop no longer touches the
    // transport) or Join while still holding a reference.
    CHostClientProtoHandler(ITransport* pTransport, IDeviceEventSink* pSink);
    ~CHostClientProtoHandler() override;

    // Starts the receive loop. The loop holds its own reference from here until it ends, so
    // the starter may release its reference at any time.
    bool StartReceiving();

    // Sends one frame: the header in one write, the payload (when dwPayloadLength is not 0)
    // in a second, both under the send lock so concurrent frames never interleave. False on
    // a short or failed write, or when pPayload is missing for a non-empty payload.
    bool SendFrame(uint32_t dwCommandId, uint32_t dwPayloadLength, uint32_t dwParam, const void* pPayload);

    bool SendFrame(uint32_t dwCommandId, uint32_t dwParam = 0)
    {
        return SendFrame(dwCommandId, 0, dwParam, nullptr);
    }

protected:
    uint32_t Run(uint32_t dwArgument) override;

private:
    // Reads exactly dwCount bytes; on failure dwError is the transport's error code.
    bool ReadExact(char* pBuffer, uint32_t dwCount, uint32_t& dwError);
    // Reads the payload of a frame into the event that takes it; false after posting the
    // error line when it cannot be kept or read.
    bool ReadPayload(const SFrameHeader& header, SDeviceEventData& event);
    // Reads past a payload no event keeps, without keeping it; false after posting the error line.
    bool SkipPayload(const SFrameHeader& header);
    void Post(DeviceEvent eEvent, uint32_t wParam, uint32_t lParam);
    // Posts one of the loop's own error lines (at most 99 characters) as DeviceTextEvent 0.
    void PostErrorText(const char* szFormat, ...);

    ITransport* m_pTransport;
    IDeviceEventSink* m_pSink;
    MutexWithOwner m_sendLock;
};

} // namespace kov
