#pragma once
// The host-client frame protocol: a 12-byte little-endian header {command id, param,
// payload length} followed by the payload, the table of every command id, and the transport
// the frames travel over.
#include <array>
#include <cstdint>
#include <cstring>

#include "link/DeviceEvent.h"
#include "platform/Transfer.h"

namespace kov {

enum HostClientCommand : uint32_t {
    ProgramBlock = 53,
    ProgramEnd = 55,
    RestartDevice = 60,
    ProgramBegin = 62,
    ReadCriticalLog = 67,
    DeleteCriticalLog = 69,
    WriteParameters = 70,
    ReadParameters = 71,
    WriteParametersCompressed = 79,
    ShutdownDevice = 83,
    ResetParameters = 84,
    StartWriteTest = 92,
    StopWriteTest = 93,
    StartReadTest = 94,
    LogOutput = 97,
    PasswordReply = 99,
    ReadDiagnostics = 100,
    DeleteAllRecordings = 102,
    DisableConsole = 104,
};

enum class DeviceReply : uint32_t {
    DeviceText = 20,
    DeviceText2 = 32,
    SoftwareVersion = 50,
    ProgramBlockAck = 54,
    ParametersDocument = 58,
    ParametersDocument2 = 72,
    WriteParametersResult = 59,
    FlashWriteProgress = 61,
    ProgramReady = 63,
    FlashWriteError = 64,
    SectorEraseProgress = 65,
    ProgramComplete = 66,
    CriticalLog = 68,
    UnsupportedCommand = 80,
    ProgramRequest = 81,
    ResetParametersResult = 85,
    FlashVerifyProgress = 86,
    WriteTestProgress = 95,
    ReadTestProgress = 96,
    PasswordRequest = 98,
    DiagnosticsReport = 101,
    RecordingsDeleted = 103,
    DisableConsoleResult = 105,
    CommandNotAuthorized = 106,
};

// Who sends a command id.
enum class ECommandDirection : uint8_t {
    Unknown,      // not an id of the protocol
    HostToDevice, // a HostClientCommand
    DeviceToHost, // a DeviceReply
};

// Where the receive loop puts what a reply's header tells into the event it posts.
enum class EEventParams : uint8_t {
    None,           // wParam and lParam 0
    ParamInWParam,  // wParam the header's param
    ParamInLParam,  // lParam the header's param
    LengthInWParam, // wParam the payload length; the header's param means nothing
};

// One row of the protocol table. For replies the payload, when the frame carries one, is
// taken by the handler along with the event; any other payload is read past and dropped.
struct SCommandRow {
    uint32_t dwId = 0;
    const char* szName = "";
    ECommandDirection eDirection = ECommandDirection::Unknown;
    bool bPayload = false;
    // Device to host only:
    DeviceEvent eEvent = DeviceEvent::UnsupportedCommandEvent;
    EEventParams eParams = EEventParams::None;
    bool bNulsToSpaces = false; // the payload's NUL bytes become spaces, so it reads as one text

    constexpr bool Known() const { return eDirection != ECommandDirection::Unknown; }
    constexpr bool IsReply() const { return eDirection == ECommandDirection::DeviceToHost; }
    constexpr bool TakesPayload() const { return IsReply() && bPayload; }
};

namespace protocol_table {

enum EPayload : uint8_t { kNoPayload, kPayload, kPayloadNulsToSpaces };

constexpr SCommandRow Request(HostClientCommand eCommand, const char* szName, EPayload ePayload = kNoPayload)
{
    return {.dwId = uint32_t(eCommand),
            .szName = szName,
            .eDirection = ECommandDirection::HostToDevice,
            .bPayload = ePayload != kNoPayload};
}

constexpr SCommandRow Reply(DeviceReply eReply, const char* szName, DeviceEvent eEvent, EEventParams eParams,
                            EPayload ePayload = kNoPayload)
{
    return {.dwId = uint32_t(eReply),
            .szName = szName,
            .eDirection = ECommandDirection::DeviceToHost,
            .bPayload = ePayload != kNoPayload,
            .eEvent = eEvent,
            .eParams = eParams,
            .bNulsToSpaces = ePayload == kPayloadNulsToSpaces};
}

} // namespace protocol_table

// The table itself, one switch per direction. A member of either enumeration without a row
// does not compile (the switches name every member), nor does one with two rows (duplicate
// case); ids outside the enumerations fall through to the unknown row.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic error "-Wswitch"
#endif

constexpr SCommandRow RequestRow(HostClientCommand eCommand)
{
    using namespace protocol_table;
    switch (eCommand) {
    case ProgramBlock: return Request(eCommand, "ProgramBlock", kPayload);
    case ProgramEnd: return Request(eCommand, "ProgramEnd");
    case RestartDevice: return Request(eCommand, "RestartDevice");
    case ProgramBegin: return Request(eCommand, "ProgramBegin");
    case ReadCriticalLog: return Request(eCommand, "ReadCriticalLog");
    case DeleteCriticalLog: return Request(eCommand, "DeleteCriticalLog");
    case WriteParameters: return Request(eCommand, "WriteParameters", kPayload);
    case ReadParameters: return Request(eCommand, "ReadParameters");
    case WriteParametersCompressed: return Request(eCommand, "WriteParametersCompressed", kPayload);
    case ShutdownDevice: return Request(eCommand, "ShutdownDevice");
    case ResetParameters: return Request(eCommand, "ResetParameters");
    case StartWriteTest: return Request(eCommand, "StartWriteTest");
    case StopWriteTest: return Request(eCommand, "StopWriteTest");
    case StartReadTest: return Request(eCommand, "StartReadTest");
    case LogOutput: return Request(eCommand, "LogOutput");
    case PasswordReply: return Request(eCommand, "PasswordReply", kPayload);
    case ReadDiagnostics: return Request(eCommand, "ReadDiagnostics");
    case DeleteAllRecordings: return Request(eCommand, "DeleteAllRecordings");
    case DisableConsole: return Request(eCommand, "DisableConsole");
    }
    return {.dwId = uint32_t(eCommand)};
}

constexpr SCommandRow ReplyRow(DeviceReply eReply)
{
    using namespace protocol_table;
    using R = DeviceReply;
    using E = DeviceEvent;
    using P = EEventParams;
    switch (eReply) {
    case R::DeviceText: return Reply(eReply, "DeviceText", E::DeviceTextEvent, P::ParamInWParam, kPayload);
    case R::DeviceText2: return Reply(eReply, "DeviceText2", E::DeviceTextEvent, P::ParamInWParam, kPayload);
    case R::SoftwareVersion:
        return Reply(eReply, "SoftwareVersion", E::SoftwareVersionEvent, P::ParamInLParam);
    case R::ProgramBlockAck:
        return Reply(eReply, "ProgramBlockAck", E::ProgramBlockAckEvent, P::ParamInLParam);
    case R::ParametersDocument:
        return Reply(eReply, "ParametersDocument", E::ParametersDocumentEvent, P::LengthInWParam, kPayload);
    case R::ParametersDocument2:
        return Reply(eReply, "ParametersDocument2", E::ParametersDocumentEvent, P::LengthInWParam, kPayload);
    case R::WriteParametersResult:
        return Reply(eReply, "WriteParametersResult", E::WriteParametersResultEvent, P::ParamInWParam);
    case R::FlashWriteProgress:
        return Reply(eReply, "FlashWriteProgress", E::FlashWriteProgressEvent, P::ParamInLParam);
    case R::ProgramReady: return Reply(eReply, "ProgramReady", E::ProgramReadyEvent, P::None);
    case R::FlashWriteError:
        return Reply(eReply, "FlashWriteError", E::FlashWriteErrorEvent, P::ParamInLParam);
    case R::SectorEraseProgress:
        return Reply(eReply, "SectorEraseProgress", E::SectorEraseProgressEvent, P::ParamInLParam);
    case R::ProgramComplete: return Reply(eReply, "ProgramComplete", E::ProgramCompleteEvent, P::None);
    case R::CriticalLog:
        return Reply(eReply, "CriticalLog", E::CriticalLogEvent, P::ParamInWParam, kPayloadNulsToSpaces);
    case R::UnsupportedCommand: // the param is the refused id
        return Reply(eReply, "UnsupportedCommand", E::UnsupportedCommandEvent, P::ParamInWParam);
    case R::ProgramRequest: return Reply(eReply, "ProgramRequest", E::ProgramRequestEvent, P::None);
    case R::ResetParametersResult:
        return Reply(eReply, "ResetParametersResult", E::ResetParametersResultEvent, P::ParamInWParam);
    case R::FlashVerifyProgress:
        return Reply(eReply, "FlashVerifyProgress", E::FlashVerifyProgressEvent, P::ParamInLParam);
    case R::WriteTestProgress:
        return Reply(eReply, "WriteTestProgress", E::WriteTestProgressEvent, P::ParamInWParam);
    case R::ReadTestProgress:
        return Reply(eReply, "ReadTestProgress", E::ReadTestProgressEvent, P::ParamInWParam);
    case R::PasswordRequest:
        return Reply(eReply, "PasswordRequest", E::PasswordRequestEvent, P::ParamInWParam);
    case R::DiagnosticsReport:
        return Reply(eReply, "DiagnosticsReport", E::DiagnosticsReportEvent, P::ParamInWParam,
                     kPayloadNulsToSpaces);
    case R::RecordingsDeleted:
        return Reply(eReply, "RecordingsDeleted", E::RecordingsDeletedEvent, P::ParamInWParam);
    case R::DisableConsoleResult:
        return Reply(eReply, "DisableConsoleResult", E::DisableConsoleResultEvent, P::ParamInWParam);
    case R::CommandNotAuthorized:
        return Reply(eReply, "CommandNotAuthorized", E::CommandNotAuthorizedEvent, P::ParamInWParam);
    }
    return {.dwId = uint32_t(eReply)};
}

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// The row of any id received or sent; Known() is false for ids the protocol does not list.
constexpr SCommandRow ProtocolRow(uint32_t dwId)
{
    const SCommandRow reply = ReplyRow(DeviceReply(dwId));
    return reply.Known() ? reply : RequestRow(HostClientCommand(dwId));
}

// The protocol keeps its ids below this; the check below and the tests scan up to it.
inline constexpr uint32_t kProtocolIdLimit = 256;

static_assert(
    [] {
        for (uint32_t dwId = 0; dwId < kProtocolIdLimit; ++dwId)
            if (ReplyRow(DeviceReply(dwId)).Known() && RequestRow(HostClientCommand(dwId)).Known())
                return false;
        return true;
    }(),
    "an id is both a request and a reply: ProtocolRow could not tell them apart");

constexpr uint32_t kFrameHeaderSize = 12;
constexpr uint32_t kProgramBlockSize = 1024;

struct SFrameHeader {
    uint32_t dwCommandId = 0;
    uint32_t dwParam = 0;
    uint32_t dwPayloadLength = 0;

    std::array<uint8_t, kFrameHeaderSize> Encode() const
    {
        std::array<uint8_t, kFrameHeaderSize> a{};
        Put(a.data(), dwCommandId);
        Put(a.data() + 4, dwParam);
        Put(a.data() + 8, dwPayloadLength);
        return a;
    }
    static SFrameHeader Decode(const uint8_t* p) { return SFrameHeader{Get(p), Get(p + 4), Get(p + 8)}; }

private:
    static void Put(uint8_t* p, uint32_t v)
    {
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
        p[2] = uint8_t(v >> 16);
        p[3] = uint8_t(v >> 24);
    }
    static uint32_t Get(const uint8_t* p)
    {
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }
};

// The three operations every transport offers. Read and Write block until the request
// completes and return the count transferred, or -1 with the system's error code; a short
// transfer is not continued.
class ITransport {
public:
    virtual ~ITransport() = default;
    virtual STransferResult Read(void* pBuffer, int32_t iCount) = 0;
    virtual STransferResult Write(const void* pBuffer, int32_t iCount) = 0;
    // Releases the pipes and makes a Read blocked on another thread fail.
    virtual void Close(bool bForce) = 0;
};

} // namespace kov
