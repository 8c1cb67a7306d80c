#include "firmware/TarReader.h"

#include <cstring>
#include <limits>

namespace kov {

namespace {

constexpr size_t kNameLength = 100;
constexpr size_t kSizeOffset = 124;
constexpr size_t kSizeLength = 12;
constexpr size_t kBase256Offset = 128;
// The highest position a reader can be asked for.
constexpr uint64_t kMaxPosition = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());

} // namespace

void TarReader::Attach(IFileReader* pReader)
{
    Close();
    m_pReader = pReader;
}

uint64_t TarReader::HeaderSize(const uint8_t* pHeader)
{
    const uint8_t* pField = pHeader + kSizeOffset;
    uint64_t qwSize = 0;
    if (pField[0] & 0x80) {
        for (size_t i = 0; i < 8; ++i)
            qwSize = (qwSize << 8) | pHeader[kBase256Offset + i];
        return qwSize;
    }
    // Twelve octal digits at most give 36 bits: no overflow.
    for (size_t i = 0; i < kSizeLength && pField[i] >= '0' && pField[i] <= '7'; ++i)
        qwSize = qwSize * 8 + static_cast<uint64_t>(pField[i] - '0');
    return qwSize;
}

bool TarReader::ReadHeader()
{
    int32_t iHave = 0;
    while (iHave < kBlockSize) {
        const int32_t iGot = m_pReader->Read(m_abyHeader + iHave, kBlockSize - iHave);
        if (iGot <= 0)
            return false;
        iHave += iGot;
    }
    return true;
}

bool TarReader::FindEntry(std::string_view szName, uint64_t& qwSize)
{
    if (m_pReader == nullptr || !m_pReader->SetPosition(0) || !ReadHeader())
        return false;
    uint64_t qwHeaderEnd = kBlockSize;
    for (;;) {
        const uint64_t qwEntrySize = HeaderSize(m_abyHeader);
        const auto* pNameEnd = static_cast<const uint8_t*>(std::memchr(m_abyHeader, 0, kNameLength));
        const size_t iNameLength = pNameEnd ? static_cast<size_t>(pNameEnd - m_abyHeader) : kNameLength;
        if (iNameLength == szName.size() && std::memcmp(m_abyHeader, szName.data(), iNameLength) == 0) {
            qwSize = qwEntrySize;
            return true;
        }
        // A size that would carry the next header beyond any position ends the search; checked
        // before rounding so that nothing wraps back onto an earlier header.
        constexpr uint64_t kLastStart = kMaxPosition - (kBlockSize - 1);
        if (qwHeaderEnd > kLastStart || qwEntrySize > kLastStart - qwHeaderEnd)
            return false;
        const uint64_t qwNext = qwHeaderEnd + ((qwEntrySize + kBlockSize - 1) & ~uint64_t(kBlockSize - 1));
        if (!m_pReader->SetPosition(static_cast<int64_t>(qwNext)) || !ReadHeader())
            return false;
        qwHeaderEnd = qwNext + kBlockSize;
    }
}

int32_t TarReader::ReadData(void* pBuffer, int32_t iCount)
{
    if (m_pReader == nullptr)
        return -1;
    return m_pReader->Read(pBuffer, iCount);
}

} // namespace kov
