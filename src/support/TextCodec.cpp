#include "support/TextCodec.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

constexpr uint64_t kHighBits = 0x8080808080808080ull;
constexpr uint64_t kLowBits = 0x0101010101010101ull;

// Length of the sequence a lead byte starts; 0 for a byte that cannot start one.
inline size_t SequenceLength(unsigned char byLead)
{
    if (byLead < 0x80)
        return 1;
    if (byLead < 0xC0)
        return 0;
    if (byLead < 0xE0)
        return 2;
    if (byLead < 0xF0)
        return 3;
    return 4;
}

// The code point of a whole, well-formed multi-byte sequence.
inline uint32_t CodeOf(const unsigned char* pBytes, size_t iLength)
{
    switch (iLength) {
    case 2: return ((pBytes[0] & 0x1Fu) << 6) | (pBytes[1] & 0x3Fu);
    case 3: return ((pBytes[0] & 0x0Fu) << 12) | ((pBytes[1] & 0x3Fu) << 6) | (pBytes[2] & 0x3Fu);
    default:
        return ((pBytes[0] & 0x07u) << 18) | ((pBytes[1] & 0x3Fu) << 12) | ((pBytes[2] & 0x3Fu) << 6) |
               (pBytes[3] & 0x3Fu);
    }
}

} // namespace

size_t Utf8LengthOf(std::u16string_view wsz)
{
    size_t iLength = 0;
    for (char16_t wch : wsz)
        iLength += EncodedLength(wch);
    return iLength;
}

char* EncodeUtf8(std::u16string_view wsz, char* pOut)
{
    for (char16_t wch : wsz) {
        const unsigned uValue = wch;
        if (uValue < 0x80) {
            *pOut++ = static_cast<char>(uValue);
        } else if (uValue < 0x800) {
            *pOut++ = static_cast<char>(0xC0 | (uValue >> 6));
            *pOut++ = static_cast<char>(0x80 | (uValue & 0x3F));
        } else {
            *pOut++ = static_cast<char>(0xE0 | (uValue >> 12));
            *pOut++ = static_cast<char>(0x80 | ((uValue >> 6) & 0x3F));
            *pOut++ = static_cast<char>(0x80 | (uValue & 0x3F));
        }
    }
    return pOut;
}

std::string Utf16ToUtf8(std::u16string_view wsz)
{
    // Measure first so the output is allocated exactly once.
    std::string szOut(Utf8LengthOf(wsz), '\0');
    EncodeUtf8(wsz, szOut.data());
    return szOut;
}

size_t Utf8DecodablePrefix(std::string_view sz, bool bStopAtNul, bool* pbOverlongAscii)
{
    if (pbOverlongAscii)
        *pbOverlongAscii = false;
    const auto* pBytes = reinterpret_cast<const unsigned char*>(sz.data());
    const size_t iSize = sz.size();
    size_t i = 0;
    while (i < iSize) {
        // Mostly ASCII: blocks of bytes at a time while none has its top bit set (or is zero).
#if defined(__SSE2__)
        while (iSize - i >= 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pBytes + i));
            unsigned uSuspect = static_cast<unsigned>(_mm_movemask_epi8(bytes));
            if (bStopAtNul)
                uSuspect |=
                    static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128())));
            if (uSuspect) {
                i += static_cast<size_t>(std::countr_zero(uSuspect));
                break;
            }
            i += 16;
        }
#endif
        while (iSize - i >= 8) {
            uint64_t qw;
            std::memcpy(&qw, pBytes + i, 8);
            const uint64_t qwSuspect = bStopAtNul ? ((qw - kLowBits) | qw) : qw;
            if (qwSuspect & kHighBits)
                break;
            i += 8;
        }
        if (i >= iSize)
            break;
        const size_t iLength = SequenceLength(pBytes[i]);
        if (iLength == 0 || iLength > iSize - i)
            break;
        for (size_t k = 1; k < iLength; ++k)
            if (!IsContinuation(pBytes[i + k]))
                return i;
        if (iLength == 1) {
            if (bStopAtNul && pBytes[i] == 0)
                break;
        } else if (const uint32_t uCode = CodeOf(pBytes + i, iLength); uCode < 0x80) {
            if (bStopAtNul && uCode == 0)
                break;
            if (pbOverlongAscii)
                *pbOverlongAscii = true;
        }
        i += iLength;
    }
    return i;
}

char16_t* DecodeUtf8Prefix(const char* pText, size_t iCount, char16_t* pOut)
{
    const auto* pBytes = reinterpret_cast<const unsigned char*>(pText);
    size_t i = 0;
    while (i < iCount) {
        while (iCount - i >= 8) {
            uint64_t qw;
            std::memcpy(&qw, pBytes + i, 8);
            if (qw & kHighBits)
                break;
            for (int k = 0; k < 8; ++k)
                pOut[k] = pBytes[i + k];
            pOut += 8;
            i += 8;
        }
        while (i < iCount && pBytes[i] < 0x80)
            *pOut++ = pBytes[i++];
        if (i >= iCount)
            break;
        const size_t iLength = SequenceLength(pBytes[i]);
        const uint32_t uCode = CodeOf(pBytes + i, iLength);
        i += iLength;
        if (uCode < 0x10000) {
            *pOut++ = static_cast<char16_t>(uCode);
        } else if (uCode <= 0x10FFFF) {
            pOut = PutSurrogatePair(uCode, pOut); // wide text carries such characters as pairs
        } else {
            *pOut++ = u'\xFFFD'; // beyond Unicode: no pair can carry it
        }
    }
    return pOut;
}

std::u16string Utf8ToUtf16(std::string_view sz)
{
    const size_t iUsable = Utf8DecodablePrefix(sz);
    // Never more units than bytes: size once, write in place, trim at the end.
    std::u16string wszOut(iUsable, u'\0');
    const char16_t* pEnd = DecodeUtf8Prefix(sz.data(), iUsable, wszOut.data());
    wszOut.resize(static_cast<size_t>(pEnd - wszOut.data()));
    return wszOut;
}

} // namespace kov
