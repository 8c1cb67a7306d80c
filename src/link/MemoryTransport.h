#pragma once
// Two connected in-process transport ends: what one end writes, the other reads. Stands in
// for the device pipes in tests and when the simulated device runs inside the process.
#include <cstdint>
#include <memory>
#include <utility>

#include "link/Protocol.h"

namespace kov {

struct SMemoryLinkState;

class CMemoryTransport final : public ITransport {
public:
    // Makes the two ends of one link.
    static std::pair<std::unique_ptr<CMemoryTransport>, std::unique_ptr<CMemoryTransport>> MakePair();

    ~CMemoryTransport() override; // closes this end
    CMemoryTransport(const CMemoryTransport&) = delete;
    CMemoryTransport& operator=(const CMemoryTransport&) = delete;

    // Blocks until at least one byte is there; returns up to iCount bytes (no more than the
    // read limit). Fails with ECANCELED once this end is closed, ENODEV once the other end is
    // closed and everything it wrote has been read.
    STransferResult Read(void* pBuffer, int32_t iCount) override;
    // Queues all iCount bytes (never blocks); fails when either end is closed (ECANCELED for
    // this end, EPIPE for the other).
    STransferResult Write(const void* pBuffer, int32_t iCount) override;
    // Closes this end and wakes its blocked reader and the other end's.
    void Close(bool bForce) override;

    // At most this many bytes per Read (0: no limit), to exercise short reads.
    void SetReadLimit(int32_t iMaxBytes);
    bool IsClosed() const;

private:
    CMemoryTransport(std::shared_ptr<SMemoryLinkState> pState, int iSide);

    std::shared_ptr<SMemoryLinkState> m_pState;
    int m_iSide; // 0 or 1: reads stream m_iSide, writes stream 1 - m_iSide
    int32_t m_iReadLimit = 0;
};

} // namespace kov
