// The UTF-8/UTF-16 codecs: the decoder stops only where the decodable prefix says, encoding
// any units and decoding them gives the units back (lone surrogates included), and the
// lengths computed first are the lengths written. The first input byte chooses whether the
// rest is UTF-8 or units (pairs of bytes, low byte first).
#include "FuzzSupport.h"

#include "support/TextCodec.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize)
{
    using namespace kov;
    if (iSize == 0)
        return 0;
    const std::string_view sBytes(reinterpret_cast<const char*>(pData) + 1, iSize - 1);
    if (pData[0] & 1) {
        std::u16string wszUnits(sBytes.size() / 2, u'\0');
        for (size_t i = 0; i < wszUnits.size(); ++i)
            wszUnits[i] = char16_t(uint8_t(sBytes[2 * i]) | (uint8_t(sBytes[2 * i + 1]) << 8));
        const std::string sEncoded = Utf16ToUtf8(wszUnits);
        KOV_FUZZ_CHECK(sEncoded.size() == Utf8LengthOf(wszUnits));
        KOV_FUZZ_CHECK(Utf8DecodablePrefix(sEncoded) == sEncoded.size());
        KOV_FUZZ_CHECK(Utf8ToUtf16(sEncoded) == wszUnits);
        return 0;
    }

    const std::u16string wszDecoded = Utf8ToUtf16(sBytes);
    const size_t iPrefix = Utf8DecodablePrefix(sBytes);
    const size_t iBeforeNul = Utf8DecodablePrefix(sBytes, true);
    KOV_FUZZ_CHECK(iPrefix <= sBytes.size() && iBeforeNul <= iPrefix && wszDecoded.size() <= iPrefix);
    std::u16string wszInPlace(iPrefix, u'\0');
    wszInPlace.resize(
        size_t(DecodeUtf8Prefix(sBytes.data(), iPrefix, wszInPlace.data()) - wszInPlace.data()));
    KOV_FUZZ_CHECK(wszInPlace == wszDecoded);
    KOV_FUZZ_CHECK(Utf8ToUtf16(sBytes.substr(0, iPrefix)) == wszDecoded);
    // The part before the first NUL decodes to the decoded text up to its first NUL.
    const std::u16string wszBeforeNul = Utf8ToUtf16(sBytes.substr(0, iBeforeNul));
    KOV_FUZZ_CHECK(wszBeforeNul == wszDecoded.substr(0, wszDecoded.find(u'\0')));
    // Encoding the decoded units and decoding again is the identity.
    KOV_FUZZ_CHECK(Utf8ToUtf16(Utf16ToUtf8(wszDecoded)) == wszDecoded);
    return 0;
}
