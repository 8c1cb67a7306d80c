#pragma once
// Finds a member of a TAR archive (POSIX ustar layout) by name, reading headers only, and
// leaves the stream at the member's data.
#include <cstdint>
#include <string_view>

#include "support/Streams.h"

namespace kov {

class TarReader {
public:
    static constexpr int32_t kBlockSize = 512;

    // Reads from pReader from now on; the reader is not owned.
    void Attach(IFileReader* pReader);
    void Close() { m_pReader = nullptr; }

    // Scans from the start of the archive for the first member called szName (compared as
    // bytes, case-sensitive) and positions the reader at its data. Not found when a header
    // cannot be read whole, or when a size would lead past the end of what can be addressed.
    bool FindEntry(std::string_view szName, uint64_t& qwSize);
    // Reads on from the current position (not limited to the member); -1 when detached.
    int32_t ReadData(void* pBuffer, int32_t iCount);

    // The member size of a header block: octal digits ended by NUL or space, or, when the first
    // byte of the field has its top bit set, the big-endian 64-bit number in bytes 128..135.
    static uint64_t HeaderSize(const uint8_t* pHeader);

private:
    bool ReadHeader();

    IFileReader* m_pReader = nullptr;
    uint8_t m_abyHeader[kBlockSize]{};
};

} // namespace kov
