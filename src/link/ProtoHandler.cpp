#include "link/ProtoHandler.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "support/ScopeFrame.h"

namespace kov {

namespace {

constexpr uint32_t kErrorTextSize = 100;

} // namespace

CHostClientProtoHandler::CHostClientProtoHandler(ITransport* pTransport, IDeviceEventSink* pSink)
    : m_pTransport(pTransport), m_pSink(pSink)
{}

// The transport is deliberately left alone here: the last reference may go long after the
// connection ended, when the device link may have opened the transport for the next one.
// The receive loop closes it as it ends instead.
CHostClientProtoHandler::~CHostClientProtoHandler() = default;

bool CHostClientProtoHandler::StartReceiving()
{
    if (!m_pTransport)
        return false;
    AddRef(); // the loop's reference, dropped by Run; taken here so it cannot come too late
    if (!Start(kThreadName)) {
        Release();
        return false;
    }
    return true;
}

bool CHostClientProtoHandler::SendFrame(uint32_t dwCommandId, uint32_t dwPayloadLength, uint32_t dwParam,
                                        const void* pPayload)
{
    if (!m_pTransport || (dwPayloadLength != 0 && !pPayload) || dwPayloadLength > uint32_t(INT32_MAX))
        return false;
    MutexLockGuard guard(m_sendLock);
    if (!guard.Locked())
        return false;
    const auto aHeader = SFrameHeader{dwCommandId, dwParam, dwPayloadLength}.Encode();
    if (m_pTransport->Write(aHeader.data(), int32_t(kFrameHeaderSize)).iCount != int32_t(kFrameHeaderSize))
        return false;
    if (dwPayloadLength != 0 &&
        m_pTransport->Write(pPayload, int32_t(dwPayloadLength)).iCount != int32_t(dwPayloadLength))
        return false;
    return true;
}

// Reads exactly dwCount bytes, never asking for more than one chunk per call. Pipes and USB
// bulk reads may deliver less than asked, so the rest of a chunk is asked for again.
bool CHostClientProtoHandler::ReadExact(char* pBuffer, uint32_t dwCount, uint32_t& dwError)
{
    uint32_t dwDone = 0;
    while (dwDone < dwCount) {
        const uint32_t dwAsk = std::min(dwCount - dwDone, kReadChunk);
        const STransferResult read = m_pTransport->Read(pBuffer + dwDone, int32_t(dwAsk));
        if (read.iCount <= 0 || uint32_t(read.iCount) > dwAsk) {
            dwError = read.dwError;
            return false;
        }
        dwDone += uint32_t(read.iCount);
    }
    return true;
}

bool CHostClientProtoHandler::ReadPayload(const SFrameHeader& header, SDeviceEventData& event)
{
    const uint32_t dwLength = header.dwPayloadLength;
    if (dwLength == 0)
        return true;                    // no buffer: the handlers take that as empty content
    if (dwLength > kMaxPayloadLength) { // also catches 0xFFFFFFFF, where length + 1 wraps
        PostErrorText("Impossible allocation size: 0x%08X", dwLength);
        return false;
    }
    event.pPayload.reset(new (std::nothrow) char[size_t(dwLength) + 1]);
    if (!event.pPayload) {
        PostErrorText("Impossible allocation size: 0x%08X", dwLength);
        return false;
    }
    event.pPayload[dwLength] = 0;
    event.dwPayloadLength = dwLength;
    uint32_t dwError = 0;
    if (!ReadExact(event.pPayload.get(), dwLength, dwError)) {
        PostErrorText("Device file error %d in command id %d", int(dwError), int(header.dwCommandId));
        return false;
    }
    return true;
}

bool CHostClientProtoHandler::SkipPayload(const SFrameHeader& header)
{
    char aScratch[kDiscardChunk];
    uint32_t dwError = 0;
    for (uint32_t dwLeft = header.dwPayloadLength; dwLeft > 0;) {
        const uint32_t dwPart = std::min<uint32_t>(dwLeft, sizeof aScratch);
        if (!ReadExact(aScratch, dwPart, dwError)) {
            PostErrorText("Device file error %d in command id %d", int(dwError), int(header.dwCommandId));
            return false;
        }
        dwLeft -= dwPart;
    }
    return true;
}

void CHostClientProtoHandler::Post(DeviceEvent eEvent, uint32_t wParam, uint32_t lParam)
{
    SDeviceEventData event;
    event.eEvent = eEvent;
    event.wParam = wParam;
    event.lParam = lParam;
    if (m_pSink)
        m_pSink->PostDeviceEvent(std::move(event));
}

void CHostClientProtoHandler::PostErrorText(const char* szFormat, ...)
{
    SDeviceEventData event;
    event.eEvent = DeviceEvent::DeviceTextEvent;
    event.pPayload = std::make_unique<char[]>(kErrorTextSize);
    va_list args;
    va_start(args, szFormat);
    std::vsnprintf(event.pPayload.get(), kErrorTextSize, szFormat, args);
    va_end(args);
    event.dwPayloadLength = uint32_t(std::strlen(event.pPayload.get()));
    if (m_pSink)
        m_pSink->PostDeviceEvent(std::move(event));
}

uint32_t CHostClientProtoHandler::Run(uint32_t)
{
    SFrameHeader header;
    ScopeFrame scope("Run");
    scope.Watch("dwCommandId", &header.dwCommandId);
    scope.Watch("dwPayloadLength", &header.dwPayloadLength);
    for (;;) {
        uint8_t aHeader[kFrameHeaderSize] = {};
        uint32_t dwError = 0;
        if (!ReadExact(reinterpret_cast<char*>(aHeader), kFrameHeaderSize, dwError)) {
            PostErrorText("Device File Error: %d", int(dwError));
            break;
        }
        header = SFrameHeader::Decode(aHeader);
        const SCommandRow row = ProtocolRow(header.dwCommandId);
        SDeviceEventData event;
        if (row.TakesPayload() ? !ReadPayload(header, event) : !SkipPayload(header))
            break;
        if (!row.IsReply()) {
            // Not a reply of the protocol: the user is told the id as an unsupported command.
            event.eEvent = DeviceEvent::UnsupportedCommandEvent;
            event.wParam = header.dwCommandId;
        } else {
            event.eEvent = row.eEvent;
            switch (row.eParams) {
            case EEventParams::None: break;
            case EEventParams::ParamInWParam: event.wParam = header.dwParam; break;
            case EEventParams::ParamInLParam: event.lParam = header.dwParam; break;
            case EEventParams::LengthInWParam: event.wParam = header.dwPayloadLength; break;
            }
        }
        if (row.bNulsToSpaces)
            std::replace(event.pPayload.get(), event.pPayload.get() + event.dwPayloadLength, '\0', ' ');
        if (m_pSink)
            m_pSink->PostDeviceEvent(std::move(event));
    }
    // The stream is dead or misaligned: release it before the link learns of the end, so
    // that the device link never sees a connection it could reopen being closed under it.
    m_pTransport->Close(true);
    Post(DeviceEvent::LinkClosed, 0, 0);
    Release(); // may delete this object
    return 0;
}

} // namespace kov
