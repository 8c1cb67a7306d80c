#pragma once
// The firmware block transfer: the whole program file goes to the device in blocks of at most
// 1024 bytes, read from the file as they are needed, each acknowledged with its CRC-32 before
// the next one is read. Driven by the device's replies on the interface thread; free of any
// window toolkit, so a console front end drives it the same way the Maintenance page does.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "document/FileAccess.h"
#include "link/DeviceEvent.h"
#include "link/Protocol.h"

namespace kov {

// Where the transfer's frames go.
class IProgramLink {
public:
    virtual ~IProgramLink() = default;
    virtual bool IsConnected() const = 0;
    // False when the frame could not be written.
    virtual bool Send(uint32_t dwCommandId, uint32_t dwParam, std::string_view sPayload) = 0;
};

// The four bars, top to bottom.
enum class EProgramBar : int { BufferAccept = 0, SectorsErase = 1, FlashWrite = 2, FlashVerify = 3 };
inline constexpr int kProgramBarCount = 4;

class IProgramTransferObserver {
public:
    virtual ~IProgramTransferObserver() = default;
    // Percent 0..100 of the file.
    virtual void OnProgress(EProgramBar eBar, int iPercent) = 0;
    // A block could not be read whole; the transfer waits until it is started again.
    virtual void OnReadError() = 0;
};

enum class ETransferState {
    Idle,    // no file open
    Begun,   // ProgramBegin sent, waiting for ProgramReady
    Sending, // one block sent, waiting for its acknowledgement
    Stalled, // a block could not be read; the file stays open until the next start or end
    Ended,   // ProgramEnd sent, the file closed; the device flashes and reports progress
};

enum class ETransferStart {
    Started,
    NotConnected,
    CannotOpen,
    Empty,    // nothing to program
    TooLarge, // offsets and sizes on the wire are 32-bit
    SendFailed,
};

class CProgramTransfer {
public:
    CProgramTransfer(IProgramLink& link, IProgramTransferObserver& observer)
        : m_link(link), m_observer(observer)
    {}
    CProgramTransfer(const CProgramTransfer&) = delete;
    CProgramTransfer& operator=(const CProgramTransfer&) = delete;

    // Bars to 0, any previous file closed, the file opened for shared reading, ProgramBegin.
    ETransferStart Start(const std::u16string& wszPath);
    // ProgramReady, ProgramBlockAck and the three progress replies; false for other events.
    bool HandleEvent(const SDeviceEventData& event);
    // The device finished or failed, or the link is gone: file closed, bars to 0, idle.
    void Finish();
    // Closes a file left open and forgets the run; the bars stay as they are.
    void Stop();
    // The device link closed: the run ends as with Finish. True when one was under way, or was
    // cut short since its start by a frame that could not be written: the device's firmware
    // may then be incomplete.
    bool Interrupt();

    ETransferState State() const { return m_eState; }
    bool IsFileOpen() const { return m_file.IsOpen(); }
    uint32_t TotalSize() const { return m_dwTotalSize; }
    uint32_t Remaining() const { return m_dwRemaining; }
    uint32_t Offset() const { return m_dwOffset; }
    uint32_t BlockLength() const { return m_dwBlockLength; }
    int Progress(EProgramBar eBar) const { return m_aiProgress[static_cast<int>(eBar)]; }

private:
    void OnReady();
    void OnBlockAck(uint32_t dwChecksum);
    void OnDeviceProgress(EProgramBar eBar, uint32_t dwBytes);
    void SendBlock();
    void SetProgress(EProgramBar eBar, int iPercent);
    void ResetProgress();
    int PercentOf(uint32_t dwBytes) const;
    // A frame that cannot be written means the device is gone: nothing more will come back.
    bool SendOrAbort(uint32_t dwCommandId, uint32_t dwParam, std::string_view sPayload);

    IProgramLink& m_link;
    IProgramTransferObserver& m_observer;
    CFileAccess m_file;
    ETransferState m_eState = ETransferState::Idle;
    uint32_t m_dwTotalSize = 0;
    uint32_t m_dwRemaining = 0;
    uint32_t m_dwOffset = 0;
    uint32_t m_dwBlockLength = 0;
    uint32_t m_dwBlockChecksum = 0;
    std::array<uint8_t, kProgramBlockSize> m_abyBlock{};
    std::array<int, kProgramBarCount> m_aiProgress{};
    bool m_bCut = false; // a frame after the begin could not be written
};

} // namespace kov
