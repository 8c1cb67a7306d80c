// The gzip stream reader and the TAR entry search on a program file: for every stream zlib
// accepts (whole members, nothing after them) the reader delivers exactly zlib's bytes, a file
// without the gzip magic comes through unchanged, and the entry search lands on the first
// header that names "partitions.txt", walking the headers as their sizes say.
#include "FuzzSupport.h"

#include "firmware/GZFile.h"
#include "firmware/TarReader.h"
#include "support/TextCodec.h"

#include <cstring>
#include <iterator>
#include <optional>
#include <string>

#include <zlib.h>

namespace {

using namespace kov;

constexpr size_t kOutputCap = 1u << 20; // beyond this nothing is compared (inflate bombs)

// zlib's own reading: one or more whole gzip members that use up the input; none when zlib
// refuses the stream or it inflates beyond the cap.
std::optional<std::string> ZlibGunzip(const uint8_t* pData, size_t iSize)
{
    std::string sOut;
    size_t iAt = 0;
    do {
        z_stream stream{};
        if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
            return std::nullopt;
        stream.next_in = const_cast<Bytef*>(pData + iAt);
        stream.avail_in = uInt(iSize - iAt);
        int iResult;
        do {
            unsigned char abyOut[16384];
            stream.next_out = abyOut;
            stream.avail_out = sizeof abyOut;
            iResult = inflate(&stream, Z_NO_FLUSH);
            sOut.append(reinterpret_cast<char*>(abyOut), sizeof abyOut - stream.avail_out);
        } while (iResult == Z_OK && sOut.size() <= kOutputCap);
        const size_t iUsed = (iSize - iAt) - stream.avail_in;
        inflateEnd(&stream);
        if (iResult != Z_STREAM_END || sOut.size() > kOutputCap)
            return std::nullopt;
        iAt += iUsed;
    } while (iAt < iSize);
    return sOut;
}

// Where the entry search must stop: the data offset of the first header named "partitions.txt"
// in the walk from 0, or none.
std::optional<size_t> ExpectedEntry(const std::string& sArchive)
{
    uint64_t qwHeader = 0;
    while (qwHeader + TarReader::kBlockSize <= sArchive.size()) {
        const auto* pHeader = reinterpret_cast<const uint8_t*>(sArchive.data() + qwHeader);
        const uint64_t qwData = qwHeader + TarReader::kBlockSize;
        if (std::memcmp(pHeader, "partitions.txt", 15) == 0)
            return size_t(qwData);
        const uint64_t qwSize = TarReader::HeaderSize(pHeader);
        if (qwSize > sArchive.size())
            return std::nullopt; // leads past the end
        qwHeader =
            qwData + (qwSize + TarReader::kBlockSize - 1) / TarReader::kBlockSize * TarReader::kBlockSize;
    }
    return std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize)
{
    const std::u16string wszPath = Utf8ToUtf16(fuzz::InputFile(pData, iSize, ".tgz"));
    std::optional<std::string> sExpected;
    if (iSize == 1 || (iSize >= 2 && !(pData[0] == 0x1F && pData[1] == 0x8B)))
        sExpected = std::string(reinterpret_cast<const char*>(pData), iSize); // passed through
    else if (iSize >= 2)
        sExpected = ZlibGunzip(pData, iSize);

    CGZFile gz;
    KOV_FUZZ_CHECK(gz.Open(wszPath));
    std::string sRead;
    // Reads of varying sizes, as the TAR reader and the transfer make them.
    static constexpr int32_t kChunks[] = {1, 7, 512, 4096, 16384, 40000};
    static char s_achPart[40000];
    for (size_t iRead = 0; sRead.size() <= kOutputCap; ++iRead) {
        const int32_t iChunk = kChunks[iRead % std::size(kChunks)];
        const int32_t iGot = gz.Read(s_achPart, iChunk);
        KOV_FUZZ_CHECK(iGot <= iChunk);
        if (iGot <= 0)
            break;
        sRead.append(s_achPart, size_t(iGot));
        KOV_FUZZ_CHECK(gz.GetPosition() == int64_t(sRead.size()));
    }
    if (sExpected)
        KOV_FUZZ_CHECK(sRead == *sExpected);

    TarReader tar;
    tar.Attach(&gz);
    uint64_t qwSize = 0;
    const bool bFound = tar.FindEntry("partitions.txt", qwSize);
    if (sExpected && sExpected->size() <= kOutputCap) {
        const std::optional<size_t> iEntry = ExpectedEntry(*sExpected);
        KOV_FUZZ_CHECK(bFound == iEntry.has_value());
        if (bFound) {
            KOV_FUZZ_CHECK(gz.GetPosition() == int64_t(*iEntry));
            KOV_FUZZ_CHECK(qwSize ==
                           TarReader::HeaderSize(reinterpret_cast<const uint8_t*>(sExpected->data()) +
                                                 *iEntry - TarReader::kBlockSize));
            char abyData[64];
            const int32_t iGot = tar.ReadData(abyData, sizeof abyData);
            const size_t iLeft = sExpected->size() - *iEntry;
            if (iGot > 0)
                KOV_FUZZ_CHECK(std::memcmp(abyData, sExpected->data() + *iEntry, size_t(iGot)) == 0);
            else
                KOV_FUZZ_CHECK(iLeft == 0);
        }
    }
    return 0;
}
