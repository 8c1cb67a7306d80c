#pragma once
// The host-client frame protocol: a 12-byte little-endian header {command id, param,
// payload length} followed by the payload.
#include <array>
#include <cstdint>
#include <cstring>

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
