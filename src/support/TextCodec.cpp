#include "support/TextCodec.h"

#include <cstdint>
#include <cstring>

namespace kov {

namespace {

inline size_t EncodedLength(char16_t wch)
{
    if (wch < 0x80)
        return 1;
    if (wch < 0x800)
        return 2;
    return 3;
}

inline bool IsContinuation(unsigned char by)
{
    return (by & 0xC0) == 0x80;
}

} // namespace

size_t Utf8LengthOf(std::u16string_view wsz)
{
    size_t iLength = 0;
    for (char16_t wch : wsz)
        iLength += EncodedLength(wch);
    return iLength;
}

std::string Utf16ToUtf8(std::u16string_view wsz)
{
    // Measure first so the output is allocated exactly once.
    std::string szOut(Utf8LengthOf(wsz), '\0');
    size_t iAt = 0;
    for (char16_t wch : wsz) {
        const unsigned uValue = wch;
        if (uValue < 0x80) {
            szOut[iAt++] = static_cast<char>(uValue);
        } else if (uValue < 0x800) {
            szOut[iAt++] = static_cast<char>(0xC0 | (uValue >> 6));
            szOut[iAt++] = static_cast<char>(0x80 | (uValue & 0x3F));
        } else {
            szOut[iAt++] = static_cast<char>(0xE0 | (uValue >> 12));
            szOut[iAt++] = static_cast<char>(0x80 | ((uValue >> 6) & 0x3F));
            szOut[iAt++] = static_cast<char>(0x80 | (uValue & 0x3F));
        }
    }
    return szOut;
}

std::u16string Utf8ToUtf16(std::string_view sz)
{
    // Never more units than bytes: size once, write in place, trim at the end.
    std::u16string wszOut(sz.size(), u'\0');
    char16_t* pOut = wszOut.data();
    const auto* pBytes = reinterpret_cast<const unsigned char*>(sz.data());
    const size_t iSize = sz.size();
    size_t i = 0;
    while (i < iSize) {
        // Parameter documents are mostly ASCII: copy such runs eight bytes at a time.
        while (iSize - i >= 8) {
            uint64_t qwBytes;
            std::memcpy(&qwBytes, pBytes + i, 8);
            if (qwBytes & 0x8080808080808080ull)
                break;
            for (int k = 0; k < 8; ++k)
                pOut[k] = pBytes[i + k];
            pOut += 8;
            i += 8;
        }
        while (i < iSize && pBytes[i] < 0x80)
            *pOut++ = pBytes[i++];
        if (i >= iSize)
            break;
        const unsigned char byLead = pBytes[i];
        size_t iSequence;
        if (byLead < 0xC0)
            break; // a continuation byte cannot start a sequence
        else if (byLead < 0xE0)
            iSequence = 2;
        else if (byLead < 0xF0)
            iSequence = 3;
        else
            iSequence = 4;

        if (iSequence > iSize - i)
            break; // cut by the end of the input
        bool bValid = true;
        for (size_t k = 1; k < iSequence; ++k)
            bValid = bValid && IsContinuation(pBytes[i + k]);
        if (!bValid)
            break;

        uint32_t uCode;
        switch (iSequence) {
        case 2: uCode = ((byLead & 0x1Fu) << 6) | (pBytes[i + 1] & 0x3Fu); break;
        case 3:
            uCode = ((byLead & 0x0Fu) << 12) | ((pBytes[i + 1] & 0x3Fu) << 6) | (pBytes[i + 2] & 0x3Fu);
            break;
        default:
            // Wide text holds single units; a code point beyond 16 bits keeps its low 16 bits.
            uCode = ((byLead & 0x07u) << 18) | ((pBytes[i + 1] & 0x3Fu) << 12) |
                    ((pBytes[i + 2] & 0x3Fu) << 6) | (pBytes[i + 3] & 0x3Fu);
            break;
        }
        *pOut++ = static_cast<char16_t>(uCode & 0xFFFFu);
        i += iSequence;
    }
    wszOut.resize(static_cast<size_t>(pOut - wszOut.data()));
    return wszOut;
}

} // namespace kov
