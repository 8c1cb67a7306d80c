// Text files in any of the three encodings: the reader must find the encoding the first bytes
// name and give back exactly the text of the rest, and never more.
#include "FuzzSupport.h"

#include "document/FileAccess.h"
#include "support/TextCodec.h"

#include <optional>
#include <string>

namespace {

using namespace kov;

std::optional<std::u16string> ExpectedText(const uint8_t* pData, size_t iSize)
{
    if (iSize >= 3 && pData[0] == 0xEF && pData[1] == 0xBB && pData[2] == 0xBF)
        return Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(pData) + 3, iSize - 3));
    if (iSize < 2 || (pData[0] == 0 && pData[1] == 0))
        return std::nullopt;
    size_t iMark = 0;
    bool bLittle;
    if (pData[0] == 0xFF && pData[1] == 0xFE) {
        iMark = 2;
        bLittle = true;
    } else if (pData[0] == 0xFE && pData[1] == 0xFF) {
        iMark = 2;
        bLittle = false;
    } else if (pData[0] == 0 || pData[1] == 0) {
        bLittle = pData[1] == 0;
    } else {
        return Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(pData), iSize));
    }
    std::u16string wsz;
    for (size_t i = iMark; i + 1 < iSize; i += 2)
        wsz += bLittle ? char16_t(pData[i] | (pData[i + 1] << 8)) : char16_t((pData[i] << 8) | pData[i + 1]);
    return wsz;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize)
{
    const std::u16string wszPath = Utf8ToUtf16(fuzz::InputFile(pData, iSize, ".txt"));
    std::u16string wszText = u"untouched";
    const bool bRead = ReadTextFile(wszPath, wszText);
    const std::optional<std::u16string> wszExpected = ExpectedText(pData, iSize);
    KOV_FUZZ_CHECK(bRead == wszExpected.has_value());
    if (bRead)
        KOV_FUZZ_CHECK(wszText == *wszExpected);
    else
        KOV_FUZZ_CHECK(wszText == u"untouched");
    return 0;
}
