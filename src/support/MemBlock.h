#pragma once
// A byte buffer seen through the stream interfaces, so writers work on memory and files alike.
#include <cstdint>
#include <memory>

#include "support/Streams.h"

namespace kov {

class CMemBlockPtr : public IRandomPositionWriter, public IFileRW {
public:
    CMemBlockPtr() = default;
    // Works on someone else's buffer: never freed, never grown.
    CMemBlockPtr(void* pBorrowed, uint32_t dwSize);
    ~CMemBlockPtr() override = default;
    CMemBlockPtr(const CMemBlockPtr&) = delete;
    CMemBlockPtr& operator=(const CMemBlockPtr&) = delete;
    CMemBlockPtr(CMemBlockPtr&& other) noexcept;
    CMemBlockPtr& operator=(CMemBlockPtr&& other) noexcept;

    // Replaces the buffer by an owned one of dwSize bytes, keeping what fits; 0 frees it.
    bool Resize(uint32_t dwSize);
    bool Reserve(uint32_t dwSize);
    // Switches to a borrowed buffer, dropping any owned one; the position returns to 0.
    void Borrow(void* pBorrowed, uint32_t dwSize);

    // Grows an owned buffer when needed; a borrowed one only takes what fits.
    int32_t Write(const void* pBuffer, int32_t iCount) override;
    // Copies from the position without moving it: callers use blocks as write targets and
    // read the data directly, so a read never disturbs where the next write goes.
    int32_t Read(void* pBuffer, int32_t iCount) override;
    bool SetPosition(int64_t llOffset) override;
    int64_t GetPosition() override { return m_dwPosition; }
    bool Flush() override { return true; }
    // Never grows: true only when the whole range lies inside the buffer.
    bool WriteAt(int64_t llOffset, const void* pBuffer, int32_t iCount) override;

    uint8_t* Data() { return m_pData; }
    const uint8_t* Data() const { return m_pData; }
    uint32_t Size() const { return m_dwSize; }
    bool IsBorrowed() const { return m_bBorrowed; }

private:
    std::unique_ptr<uint8_t[]> m_pOwned;
    uint8_t* m_pData = nullptr;
    uint32_t m_dwSize = 0;
    uint32_t m_dwPosition = 0;
    bool m_bBorrowed = false;
};

} // namespace kov
