#include "link/ProtoHandler.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "support/ScopeFrame.h"

namespace kov {

namespace {

constexpr uint32_t kErrorTextSize = 100;

struct SDispatch {
    DeviceEvent eEvent;
    bool bTakesPayload;
    bool bParamInWParam; // else the param travels in lParam
};

// The event a frame becomes; unknown ids become UnsupportedCommandEvent with the id.
SDispatch Dispatch(uint32_t dwCommandId)
{
    using E = DeviceEvent;
    switch (dwCommandId) {
    case 20:
    case 32: return {E::DeviceTextEvent, true, true};
    case 50: return {E::SoftwareVersionEvent, false, false};
    case 61: return {E::FlashWriteProgressEvent, false, false};
    case 58:
    case 72: return {E::ParametersDocumentEvent, true, true};
    case 59: return {E::WriteParametersResultEvent, false, true};
    case 54: return {E::ProgramBlockAckEvent, false, false};
    case 63: return {E::ProgramReadyEvent, false, false};
    case 65: return {E::SectorEraseProgressEvent, false, false};
    case 64: return {E::FlashWriteErrorEvent, false, false};
    case 66: return {E::ProgramCompleteEvent, false, false};
    case 68: return {E::CriticalLogEvent, true, true};
    case 80: return {E::UnsupportedCommandEvent, false, true};
    case 81: return {E::ProgramRequestEvent, false, false};
    case 85: return {E::ResetParametersResultEvent, false, true};
    case 86: return {E::FlashVerifyProgressEvent, false, false};
    case 95: return {E::WriteTestProgressEvent, false, true};
    case 96: return {E::ReadTestProgressEvent, false, true};
    case 98: return {E::PasswordRequestEvent, false, true};
    case 101: return {E::DiagnosticsReportEvent, true, true};
    case 103: return {E::RecordingsDeletedEvent, false, true};
    case 105: return {E::DisableConsoleResultEvent, false, true};
    case 106: return {E::CommandNotAuthorizedEvent, false, true};
    default: return {E::UnsupportedCommandEvent, false, true};
    }
}

bool IsKnownId(uint32_t dwCommandId)
{
    return dwCommandId == 80 || Dispatch(dwCommandId).eEvent != DeviceEvent::UnsupportedCommandEvent;
}

// Events whose param means nothing carry 0 (ProgramReady, ProgramComplete, ProgramRequest).
bool CarriesParam(DeviceEvent eEvent)
{
    return eEvent != DeviceEvent::ProgramReadyEvent && eEvent != DeviceEvent::ProgramCompleteEvent &&
           eEvent != DeviceEvent::ProgramRequestEvent;
}

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
    std::vector<char> aDiscard; // for payloads no event takes
    for (;;) {
        uint8_t aHeader[kFrameHeaderSize] = {};
        uint32_t dwError = 0;
        if (!ReadExact(reinterpret_cast<char*>(aHeader), kFrameHeaderSize, dwError)) {
            PostErrorText("Device File Error: %d", int(dwError));
            break;
        }
        header = SFrameHeader::Decode(aHeader);
        const uint32_t dwLength = header.dwPayloadLength;
        SDispatch dispatch = Dispatch(header.dwCommandId);
        SDeviceEventData event;
        event.eEvent = dispatch.eEvent;
        if (dwLength != 0) {
            if (dwLength > kMaxPayloadLength) { // also catches 0xFFFFFFFF, where length + 1 wraps
                PostErrorText("Impossible allocation size: 0x%08X", dwLength);
                break;
            }
            bool bRead;
            if (dispatch.bTakesPayload) {
                event.pPayload.reset(new (std::nothrow) char[size_t(dwLength) + 1]);
                if (!event.pPayload) {
                    PostErrorText("Impossible allocation size: 0x%08X", dwLength);
                    break;
                }
                event.pPayload[dwLength] = 0;
                event.dwPayloadLength = dwLength;
                bRead = ReadExact(event.pPayload.get(), dwLength, dwError);
            } else {
                // Nobody takes this payload: read it past through a small buffer.
                aDiscard.resize(std::min<uint32_t>(dwLength, 1u << 16));
                bRead = true;
                for (uint32_t dwLeft = dwLength; bRead && dwLeft > 0;) {
                    const uint32_t dwPart = std::min<uint32_t>(dwLeft, uint32_t(aDiscard.size()));
                    bRead = ReadExact(aDiscard.data(), dwPart, dwError);
                    dwLeft -= dwPart;
                }
            }
            if (!bRead) {
                PostErrorText("Device file error %d in command id %d", int(dwError), int(header.dwCommandId));
                break;
            }
        }
        if (event.eEvent == DeviceEvent::CriticalLogEvent ||
            event.eEvent == DeviceEvent::DiagnosticsReportEvent)
            std::replace(event.pPayload.get(), event.pPayload.get() + event.dwPayloadLength, '\0', ' ');
        const uint32_t dwParam = !IsKnownId(header.dwCommandId) ? header.dwCommandId
                                 : CarriesParam(event.eEvent)   ? header.dwParam
                                                                : 0;
        if (event.eEvent == DeviceEvent::ParametersDocumentEvent)
            event.wParam = dwLength;
        else if (dispatch.bParamInWParam)
            event.wParam = dwParam;
        else
            event.lParam = dwParam;
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
