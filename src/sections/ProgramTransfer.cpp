#include "sections/ProgramTransfer.h"

#include <algorithm>

#include <zlib.h>

#include "support/ScopeFrame.h"

namespace kov {

ETransferStart CProgramTransfer::Start(const std::u16string& wszPath)
{
    ScopeFrame scope("PT::Start");
    scope.Watch("wszPath", &wszPath);
    Stop();
    ResetProgress();
    if (!m_link.IsConnected())
        return ETransferStart::NotConnected;
    if (!m_file.Open(wszPath, kFileModeRead, true))
        return ETransferStart::CannotOpen;
    const int64_t llSize = m_file.Size();
    if (llSize < 0 || llSize > int64_t(UINT32_MAX)) {
        m_file.Close();
        return llSize < 0 ? ETransferStart::CannotOpen : ETransferStart::TooLarge;
    }
    if (llSize == 0) {
        m_file.Close();
        return ETransferStart::Empty;
    }
    m_dwTotalSize = m_dwRemaining = static_cast<uint32_t>(llSize);
    m_dwOffset = m_dwBlockLength = m_dwBlockChecksum = 0;
    m_eState = ETransferState::Begun;
    return SendOrAbort(ProgramBegin, 0, {}) ? ETransferStart::Started : ETransferStart::SendFailed;
}

bool CProgramTransfer::HandleEvent(const SDeviceEventData& event)
{
    switch (event.eEvent) {
    case DeviceEvent::ProgramReadyEvent: OnReady(); return true;
    case DeviceEvent::ProgramBlockAckEvent: OnBlockAck(event.lParam); return true;
    case DeviceEvent::SectorEraseProgressEvent:
        OnDeviceProgress(EProgramBar::SectorsErase, event.lParam);
        return true;
    case DeviceEvent::FlashWriteProgressEvent:
        OnDeviceProgress(EProgramBar::FlashWrite, event.lParam);
        return true;
    case DeviceEvent::FlashVerifyProgressEvent:
        OnDeviceProgress(EProgramBar::FlashVerify, event.lParam);
        return true;
    default: return false;
    }
}

void CProgramTransfer::Finish()
{
    Stop();
    ResetProgress();
}

void CProgramTransfer::Stop()
{
    m_file.Close();
    m_eState = ETransferState::Idle;
    m_bCut = false;
}

bool CProgramTransfer::Interrupt()
{
    const bool bCut = m_bCut || m_eState != ETransferState::Idle;
    Finish();
    return bCut;
}

void CProgramTransfer::OnReady()
{
    // Only the answer to our own begin starts the blocks: a second or stray ready must not put
    // a second block on the wire.
    if (m_eState != ETransferState::Begun)
        return;
    SendBlock();
}

void CProgramTransfer::OnBlockAck(uint32_t dwChecksum)
{
    if (m_eState != ETransferState::Sending)
        return;
    if (dwChecksum == m_dwBlockChecksum) {
        m_dwOffset += m_dwBlockLength;
        m_dwRemaining -= m_dwBlockLength;
        SetProgress(EProgramBar::BufferAccept, PercentOf(m_dwOffset));
        if (m_dwRemaining == 0) {
            m_file.Close();
            m_eState = ETransferState::Ended;
            SendOrAbort(ProgramEnd, 0, {});
            return;
        }
    }
    // A checksum that differs sends the same block again from the same offset.
    SendBlock();
}

void CProgramTransfer::SendBlock()
{
    m_dwBlockLength = std::min<uint32_t>(m_dwRemaining, kProgramBlockSize);
    const auto iLength = static_cast<int32_t>(m_dwBlockLength);
    if (!m_file.SetPosition(m_dwOffset) || m_file.Read(m_abyBlock.data(), iLength) != iLength) {
        // The file shrank or cannot be read: the device gets nothing more until a new start.
        m_eState = ETransferState::Stalled;
        m_observer.OnReadError();
        return;
    }
    m_dwBlockChecksum =
        static_cast<uint32_t>(crc32(0L, m_abyBlock.data(), static_cast<uInt>(m_dwBlockLength)));
    m_eState = ETransferState::Sending;
    SendOrAbort(ProgramBlock, m_dwOffset,
                std::string_view(reinterpret_cast<const char*>(m_abyBlock.data()), m_dwBlockLength));
}

void CProgramTransfer::OnDeviceProgress(EProgramBar eBar, uint32_t dwBytes)
{
    if (m_eState == ETransferState::Idle)
        return;
    SetProgress(eBar, PercentOf(dwBytes));
}

bool CProgramTransfer::SendOrAbort(uint32_t dwCommandId, uint32_t dwParam, std::string_view sPayload)
{
    if (m_link.Send(dwCommandId, dwParam, sPayload))
        return true;
    Finish();
    // Past the begin, the device holds part of a firmware; a begin that failed started nothing.
    m_bCut = dwCommandId != ProgramBegin;
    return false;
}

int CProgramTransfer::PercentOf(uint32_t dwBytes) const
{
    // 64-bit: the byte count times 100 does not fit 32 bits for files beyond 42 MB.
    if (m_dwTotalSize == 0)
        return 0;
    return static_cast<int>(std::min<uint64_t>(uint64_t(dwBytes) * 100 / m_dwTotalSize, 100));
}

void CProgramTransfer::SetProgress(EProgramBar eBar, int iPercent)
{
    m_aiProgress[static_cast<int>(eBar)] = iPercent;
    m_observer.OnProgress(eBar, iPercent);
}

void CProgramTransfer::ResetProgress()
{
    for (int i = 0; i < kProgramBarCount; ++i)
        SetProgress(static_cast<EProgramBar>(i), 0);
}

} // namespace kov
