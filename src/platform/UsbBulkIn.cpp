#include "platform/UsbBulkIn.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kov {

int32_t BulkInTransferSize(int32_t iMaxPacketSize)
{
    if (iMaxPacketSize <= 0)
        return kMinBulkInTransfer;
    const int32_t iPackets = (kMinBulkInTransfer + iMaxPacketSize - 1) / iMaxPacketSize;
    return iPackets * iMaxPacketSize;
}

void CBulkInBuffer::Reset(int32_t iTransferSize)
{
    m_vData.assign(size_t(std::max(iTransferSize, 1)), 0);
    m_iStart = m_iEnd = 0;
}

STransferResult CBulkInBuffer::Read(void* pBuffer, int32_t iCount, const FnTransfer& fnTransfer)
{
    if (!pBuffer || iCount <= 0)
        return STransferResult::Failed(EINVAL);
    while (m_iStart == m_iEnd) {
        const STransferResult done = fnTransfer(m_vData.data(), int32_t(m_vData.size()));
        if (done.iCount < 0)
            return done;
        if (size_t(done.iCount) > m_vData.size()) // a transfer that claims more than it had room for
            return STransferResult::Failed(EIO);
        m_iStart = 0;
        m_iEnd = size_t(done.iCount);
    }
    const size_t iTake = std::min(size_t(iCount), m_iEnd - m_iStart);
    std::memcpy(pBuffer, m_vData.data() + m_iStart, iTake);
    m_iStart += iTake;
    return STransferResult::Done(int32_t(iTake));
}

} // namespace kov
