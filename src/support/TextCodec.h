#pragma once
// Conversions between wide text (16-bit units) and UTF-8.
#include <cstddef>
#include <string>
#include <string_view>

namespace kov {

// Each unit becomes 1, 2 or 3 bytes; a surrogate pair becomes two three-byte sequences, which
// the decoder (and a device's) reads back into the same pair.
std::string Utf16ToUtf8(std::u16string_view wsz);
size_t Utf8LengthOf(std::u16string_view wsz);
// Encodes into pOut (room for Utf8LengthOf bytes) and returns the end of what was written.
char* EncodeUtf8(std::u16string_view wsz, char* pOut);

// Decodes up to the first malformed sequence; a sequence cut by the end of input is dropped.
// A four-byte sequence gives its surrogate pair (U+FFFD beyond U+10FFFF).
std::u16string Utf8ToUtf16(std::string_view sz);

// The bytes of sz that Utf8ToUtf16 decodes: the longest prefix of whole, well-formed
// sequences. With bStopAtNul the prefix also ends before the first sequence that decodes to
// U+0000, so a reader that stops at NUL can work on the bytes themselves.
size_t Utf8DecodablePrefix(std::string_view sz, bool bStopAtNul = false);
// Decodes bytes that Utf8DecodablePrefix accepted whole into pOut, which has room for one
// unit per byte (never fewer bytes than units), and returns the end of what was written.
char16_t* DecodeUtf8Prefix(const char* pBytes, size_t iCount, char16_t* pOut);

} // namespace kov
