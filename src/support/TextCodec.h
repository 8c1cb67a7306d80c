#pragma once
// Conversions between wide text (16-bit units) and UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kov {

// Each unit becomes 1, 2 or 3 bytes; a surrogate pair becomes two three-byte sequences, which
// the decoder (and a device's) reads back into the same pair.
std::string Utf16ToUtf8(std::u16string_view wsz);
size_t Utf8LengthOf(std::u16string_view wsz);
// Encodes into pOut (room for Utf8LengthOf bytes) and returns the end of what was written.
char* EncodeUtf8(std::u16string_view wsz, char* pOut);

// Writes the surrogate pair of a code point from U+10000 to U+10FFFF.
inline char16_t* PutSurrogatePair(uint32_t uCode, char16_t* pOut)
{
    *pOut++ = static_cast<char16_t>(0xD800 + ((uCode - 0x10000) >> 10));
    *pOut++ = static_cast<char16_t>(0xDC00 + (uCode & 0x3FF));
    return pOut;
}

// Decodes up to the first malformed sequence; a sequence cut by the end of input is dropped.
// A four-byte sequence gives its surrogate pair (U+FFFD beyond U+10FFFF).
std::u16string Utf8ToUtf16(std::string_view sz);

// The bytes of sz that Utf8ToUtf16 decodes: the longest prefix of whole, well-formed
// sequences. With bStopAtNul the prefix also ends before the first sequence that decodes to
// U+0000, so a reader that stops at NUL can work on the bytes themselves. *pbOverlongAscii,
// when given, tells whether a multi-byte sequence in the prefix decodes to an ASCII character
// (an overlong form): a reader of the bytes would not see that character where it stands.
size_t Utf8DecodablePrefix(std::string_view sz, bool bStopAtNul = false, bool* pbOverlongAscii = nullptr);
// Decodes bytes that Utf8DecodablePrefix accepted whole into pOut, which has room for one
// unit per byte (never fewer bytes than units), and returns the end of what was written.
char16_t* DecodeUtf8Prefix(const char* pBytes, size_t iCount, char16_t* pOut);

} // namespace kov
