#include "support/MemBlock.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace kov {

CMemBlockPtr::CMemBlockPtr(void* pBorrowed, uint32_t dwSize)
{
    Borrow(pBorrowed, dwSize);
}

CMemBlockPtr::CMemBlockPtr(CMemBlockPtr&& other) noexcept
    : m_pOwned(std::move(other.m_pOwned)), m_pData(std::exchange(other.m_pData, nullptr)),
      m_dwSize(std::exchange(other.m_dwSize, 0)), m_dwPosition(std::exchange(other.m_dwPosition, 0)),
      m_bBorrowed(std::exchange(other.m_bBorrowed, false))
{}

CMemBlockPtr& CMemBlockPtr::operator=(CMemBlockPtr&& other) noexcept
{
    if (this != &other) {
        m_pOwned = std::move(other.m_pOwned);
        m_pData = std::exchange(other.m_pData, nullptr);
        m_dwSize = std::exchange(other.m_dwSize, 0);
        m_dwPosition = std::exchange(other.m_dwPosition, 0);
        m_bBorrowed = std::exchange(other.m_bBorrowed, false);
    }
    return *this;
}

bool CMemBlockPtr::Resize(uint32_t dwSize)
{
    if (dwSize == 0) {
        m_pOwned.reset();
        m_pData = nullptr;
    } else {
        std::unique_ptr<uint8_t[]> pNew(new (std::nothrow) uint8_t[dwSize]);
        if (!pNew)
            return false;
        const uint32_t dwKeep = std::min(dwSize, m_dwSize);
        if (dwKeep != 0)
            std::memcpy(pNew.get(), m_pData, dwKeep);
        if (dwSize > dwKeep)
            std::memset(pNew.get() + dwKeep, 0, dwSize - dwKeep);
        m_pOwned = std::move(pNew);
        m_pData = m_pOwned.get();
    }
    m_dwSize = dwSize;
    m_bBorrowed = false;
    // A shrunk buffer must not leave the position beyond its end.
    m_dwPosition = std::min(m_dwPosition, m_dwSize);
    return true;
}

bool CMemBlockPtr::Reserve(uint32_t dwSize)
{
    return dwSize <= m_dwSize || Resize(dwSize);
}

void CMemBlockPtr::Borrow(void* pBorrowed, uint32_t dwSize)
{
    m_pOwned.reset();
    m_pData = static_cast<uint8_t*>(pBorrowed);
    m_dwSize = pBorrowed ? dwSize : 0;
    m_dwPosition = 0;
    m_bBorrowed = true;
}

int32_t CMemBlockPtr::Write(const void* pBuffer, int32_t iCount)
{
    if (iCount <= 0 || pBuffer == nullptr)
        return 0;
    const uint32_t dwCount = static_cast<uint32_t>(iCount);
    if (m_dwSize - m_dwPosition < dwCount && !m_bBorrowed) {
        // Twice the size (32 when empty), or exactly what is needed when that is more;
        // sizes are 32-bit, so the target is held to the largest 32-bit size.
        const uint64_t qwDoubled = m_dwSize == 0 ? 32u : uint64_t{m_dwSize} * 2;
        const uint64_t qwNeeded = uint64_t{m_dwPosition} + dwCount;
        const uint64_t qwTarget = std::min<uint64_t>(std::max(qwDoubled, qwNeeded), UINT32_MAX);
        Resize(static_cast<uint32_t>(qwTarget)); // on failure we copy what fits
    }
    const uint32_t dwCopied = std::min(dwCount, m_dwSize - m_dwPosition);
    if (dwCopied != 0)
        std::memcpy(m_pData + m_dwPosition, pBuffer, dwCopied);
    m_dwPosition += dwCopied;
    return static_cast<int32_t>(dwCopied);
}

int32_t CMemBlockPtr::Read(void* pBuffer, int32_t iCount)
{
    if (iCount <= 0 || pBuffer == nullptr)
        return 0;
    const uint32_t dwCopied = std::min(static_cast<uint32_t>(iCount), m_dwSize - m_dwPosition);
    if (dwCopied != 0)
        std::memcpy(pBuffer, m_pData + m_dwPosition, dwCopied);
    return static_cast<int32_t>(dwCopied);
}

bool CMemBlockPtr::SetPosition(int64_t llOffset)
{
    if (llOffset < 0 || llOffset > static_cast<int64_t>(m_dwSize))
        return false;
    m_dwPosition = static_cast<uint32_t>(llOffset);
    return true;
}

bool CMemBlockPtr::WriteAt(int64_t llOffset, const void* pBuffer, int32_t iCount)
{
    if (llOffset < 0 || iCount < 0 || (pBuffer == nullptr && iCount != 0))
        return false;
    if (llOffset + iCount > static_cast<int64_t>(m_dwSize))
        return false;
    if (iCount != 0)
        std::memcpy(m_pData + llOffset, pBuffer, static_cast<size_t>(iCount));
    return true;
}

} // namespace kov
