#pragma once
// Bulk IN data taken a whole transfer at a time and handed out as the reader asks.
//
// A bulk IN transfer ends at the first short packet, and a packet larger than the room left in
// the transfer is an overflow that loses it. A device may send a frame header and its payload,
// or several frames, in one packet, so asking the device for exactly the 12 bytes of a header
// fails on such a device. Every transfer here asks for a whole number of packets, never less
// than kMinBulkInTransfer, and what it brought is kept for the following reads.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Transfer.h"

namespace kov {

inline constexpr int32_t kMinBulkInTransfer = 16 * 1024;

// The transfer size for an endpoint's packet size: the smallest multiple of it that is at
// least kMinBulkInTransfer (kMinBulkInTransfer itself for a size of 0 or less).
int32_t BulkInTransferSize(int32_t iMaxPacketSize);

class CBulkInBuffer {
public:
    // One bulk IN transfer of exactly iLength bytes into pBuffer; its count may be short.
    using FnTransfer = std::function<STransferResult(uint8_t* pBuffer, int32_t iLength)>;

    explicit CBulkInBuffer(int32_t iTransferSize = kMinBulkInTransfer) { Reset(iTransferSize); }

    // Drops what is kept and sets the size of the following transfers.
    void Reset(int32_t iTransferSize);
    // Up to iCount kept bytes; when none are kept, transfers until some arrive (a zero-length
    // packet brings none and is waited past). A failed transfer is returned as it is.
    STransferResult Read(void* pBuffer, int32_t iCount, const FnTransfer& fnTransfer);
    size_t Kept() const { return m_iEnd - m_iStart; }
    int32_t TransferSize() const { return int32_t(m_vData.size()); }

private:
    std::vector<uint8_t> m_vData;
    size_t m_iStart = 0;
    size_t m_iEnd = 0;
};

} // namespace kov
