#include "link/MemoryTransport.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

namespace kov {

struct SMemoryLinkState {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<char> aStream[2]; // stream i is read by side i
    size_t aReadPos[2] = {0, 0};
    bool aClosed[2] = {false, false};
};

std::pair<std::unique_ptr<CMemoryTransport>, std::unique_ptr<CMemoryTransport>> CMemoryTransport::MakePair()
{
    auto pState = std::make_shared<SMemoryLinkState>();
    return {std::unique_ptr<CMemoryTransport>(new CMemoryTransport(pState, 0)),
            std::unique_ptr<CMemoryTransport>(new CMemoryTransport(pState, 1))};
}

CMemoryTransport::CMemoryTransport(std::shared_ptr<SMemoryLinkState> pState, int iSide)
    : m_pState(std::move(pState)), m_iSide(iSide)
{}

CMemoryTransport::~CMemoryTransport()
{
    Close(true);
}

STransferResult CMemoryTransport::Read(void* pBuffer, int32_t iCount)
{
    if (!pBuffer || iCount <= 0)
        return STransferResult::Failed(EINVAL);
    SMemoryLinkState& s = *m_pState;
    std::unique_lock lock(s.lock);
    std::vector<char>& stream = s.aStream[m_iSide];
    size_t& iPos = s.aReadPos[m_iSide];
    s.changed.wait(lock,
                   [&] { return s.aClosed[m_iSide] || iPos < stream.size() || s.aClosed[1 - m_iSide]; });
    if (s.aClosed[m_iSide])
        return STransferResult::Failed(ECANCELED);
    if (iPos == stream.size())
        return STransferResult::Failed(ENODEV);
    size_t iTake = std::min(size_t(iCount), stream.size() - iPos);
    if (m_iReadLimit > 0)
        iTake = std::min(iTake, size_t(m_iReadLimit));
    std::memcpy(pBuffer, stream.data() + iPos, iTake);
    iPos += iTake;
    if (iPos == stream.size()) {
        stream.clear();
        iPos = 0;
    } else if (iPos > (1u << 20) && iPos > stream.size() / 2) {
        stream.erase(stream.begin(), stream.begin() + std::ptrdiff_t(iPos));
        iPos = 0;
    }
    return STransferResult::Done(int32_t(iTake));
}

STransferResult CMemoryTransport::Write(const void* pBuffer, int32_t iCount)
{
    if ((!pBuffer && iCount > 0) || iCount < 0)
        return STransferResult::Failed(EINVAL);
    SMemoryLinkState& s = *m_pState;
    {
        std::lock_guard lock(s.lock);
        if (s.aClosed[0] || s.aClosed[1])
            return STransferResult::Failed(s.aClosed[m_iSide] ? ECANCELED : EPIPE);
        const char* p = static_cast<const char*>(pBuffer);
        s.aStream[1 - m_iSide].insert(s.aStream[1 - m_iSide].end(), p, p + iCount);
    }
    s.changed.notify_all();
    return STransferResult::Done(iCount);
}

void CMemoryTransport::Close(bool)
{
    {
        std::lock_guard lock(m_pState->lock);
        m_pState->aClosed[m_iSide] = true;
    }
    m_pState->changed.notify_all();
}

void CMemoryTransport::SetReadLimit(int32_t iMaxBytes)
{
    m_iReadLimit = std::max(iMaxBytes, 0);
}

bool CMemoryTransport::IsClosed() const
{
    std::lock_guard lock(m_pState->lock);
    return m_pState->aClosed[m_iSide];
}

} // namespace kov
