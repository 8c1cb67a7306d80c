#pragma once
// A device slot with a simulated device behind an in-memory link whose host side fails once,
// at a chosen call, the ways real links fail: a write that takes only part of what it was
// given, a read that fails, a read that meets the end of the file, or a read that never
// returns until the link is closed or the device pulled out (a device that stopped answering).
// Each Plug puts a fresh device in; the fault applies to the calls after it.
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "link/MemoryTransport.h"
#include "link/ParameterDocumentHolder.h"
#include "sim/SampleDocument.h"
#include "sim/SimDevice.h"

namespace kov::test {

enum class ELinkFault {
    None,
    ShortWrite, // the write hands the device the first half and reports that half
    FailedRead, // the read fails with EIO
    EndOfFile,  // the read returns 0 bytes
    Stall,      // the read blocks until the host closes the link or the device is pulled out
};

inline bool IsReadFault(ELinkFault eKind)
{
    return eKind == ELinkFault::FailedRead || eKind == ELinkFault::EndOfFile || eKind == ELinkFault::Stall;
}

struct SLinkFault {
    ELinkFault eKind = ELinkFault::None;
    int iCall = 0; // 1-based, counting the calls of the fault's own direction
};

class CFaultySlot final : public IDeviceTransport {
public:
    CFaultySlot() = default;
    ~CFaultySlot() override { Unplug(); }
    CFaultySlot(const CFaultySlot&) = delete;
    CFaultySlot& operator=(const CFaultySlot&) = delete;

    void Plug(SLinkFault fault = {})
    {
        Unplug();
        SSimDeviceOptions options;
        options.iTickMs = 1; // flash progress without a real device's pace
        m_pDevice = std::make_unique<CSimDevice>(std::move(options));
        m_pDevice->LoadDocumentText(SampleDocumentText());
        std::lock_guard lock(m_mutex);
        m_fault = fault;
        m_iReads = m_iWrites = 0;
        m_iFaultedAsk = 0;
        m_dwFaultedCommand = m_dwLastSent = m_dwLastReceived = 0;
        m_bFired = false;
        m_bPlugged = true;
    }

    // The device's ends close (which also ends a stalled read) and its session thread ends.
    void Unplug()
    {
        {
            std::lock_guard lock(m_mutex);
            m_bPlugged = false;
        }
        m_cv.notify_all();
        if (m_pDeviceEnd)
            m_pDeviceEnd->Close(true);
        if (m_session.joinable())
            m_session.join();
        m_pDeviceEnd.reset();
    }

    bool Fired() const { return m_bFired.load(); }
    int Reads() const { return m_iReads.load(); }
    int Writes() const { return m_iWrites.load(); }
    // What the faulted call asked to transfer, and the command of the frame it belonged to.
    int32_t FaultedAsk() const
    {
        std::lock_guard lock(m_mutex);
        return m_iFaultedAsk;
    }
    uint32_t FaultedCommand() const
    {
        std::lock_guard lock(m_mutex);
        return m_dwFaultedCommand;
    }
    // The image the device of the last Plug was programmed with.
    std::vector<uint8_t> Image() const { return m_pDevice ? m_pDevice->Image() : std::vector<uint8_t>(); }

    int32_t CountDevices() const override { return m_bPlugged.load() ? 1 : 0; }

    bool Open() override
    {
        if (!m_bPlugged.load() || !m_pDevice)
            return false;
        // A device serves one host at a time: a previous connection's session ends first.
        if (m_pDeviceEnd)
            m_pDeviceEnd->Close(true);
        if (m_session.joinable())
            m_session.join();
        auto [pHost, pDevice] = CMemoryTransport::MakePair();
        m_pHost = std::move(pHost);
        m_pDeviceEnd = std::move(pDevice);
        {
            std::lock_guard lock(m_mutex);
            m_bHostClosed = false;
        }
        m_session = std::thread([this] { m_pDevice->ServeSession(*m_pDeviceEnd); });
        return true;
    }

    STransferResult Read(void* pBuffer, int32_t iCount) override
    {
        if (!m_pHost)
            return STransferResult::Failed(ECANCELED);
        const int iCall = ++m_iReads;
        if (IsReadFault(m_fault.eKind) && iCall == m_fault.iCall) {
            Fire(iCount, m_dwLastReceived);
            switch (m_fault.eKind) {
            case ELinkFault::FailedRead: return STransferResult::Failed(EIO);
            case ELinkFault::EndOfFile: return STransferResult::Done(0);
            default: {
                std::unique_lock lock(m_mutex);
                m_cv.wait(lock, [this] { return m_bHostClosed || !m_bPlugged; });
                return STransferResult::Failed(m_bHostClosed ? ECANCELED : ENODEV);
            }
            }
        }
        const STransferResult result = m_pHost->Read(pBuffer, iCount);
        if (iCount == int32_t(kFrameHeaderSize) && result.iCount == iCount) {
            std::lock_guard lock(m_mutex);
            m_dwLastReceived = SFrameHeader::Decode(static_cast<const uint8_t*>(pBuffer)).dwCommandId;
        }
        return result;
    }

    STransferResult Write(const void* pBuffer, int32_t iCount) override
    {
        if (!m_pHost)
            return STransferResult::Failed(ECANCELED);
        if (iCount == int32_t(kFrameHeaderSize)) {
            std::lock_guard lock(m_mutex);
            m_dwLastSent = SFrameHeader::Decode(static_cast<const uint8_t*>(pBuffer)).dwCommandId;
        }
        const int iCall = ++m_iWrites;
        if (m_fault.eKind == ELinkFault::ShortWrite && iCall == m_fault.iCall) {
            Fire(iCount, m_dwLastSent);
            const int32_t iHalf = iCount / 2;
            if (iHalf > 0 && m_pHost->Write(pBuffer, iHalf).iCount != iHalf)
                return STransferResult::Failed(EPIPE);
            return STransferResult::Done(iHalf);
        }
        return m_pHost->Write(pBuffer, iCount);
    }

    void Close(bool bForce) override
    {
        if (m_pHost)
            m_pHost->Close(bForce);
        {
            std::lock_guard lock(m_mutex);
            m_bHostClosed = true;
        }
        m_cv.notify_all();
    }

private:
    void Fire(int32_t iAsk, uint32_t dwCommand)
    {
        {
            std::lock_guard lock(m_mutex);
            m_iFaultedAsk = iAsk;
            m_dwFaultedCommand = dwCommand;
        }
        m_bFired = true;
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    SLinkFault m_fault;
    std::atomic<int> m_iReads{0};
    std::atomic<int> m_iWrites{0};
    std::atomic<bool> m_bFired{false};
    std::atomic<bool> m_bPlugged{false};
    bool m_bHostClosed = false;
    int32_t m_iFaultedAsk = 0;
    uint32_t m_dwFaultedCommand = 0;
    uint32_t m_dwLastSent = 0;     // the command of the last header written
    uint32_t m_dwLastReceived = 0; // the command of the last header read

    std::unique_ptr<CSimDevice> m_pDevice;
    std::unique_ptr<CMemoryTransport> m_pHost;
    std::unique_ptr<CMemoryTransport> m_pDeviceEnd;
    std::thread m_session;
};

} // namespace kov::test
