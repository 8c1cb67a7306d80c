#pragma once
// Conversions between wide text (16-bit units) and UTF-8, one 16-bit unit at a time.
#include <cstddef>
#include <string>
#include <string_view>

namespace kov {

// Each unit becomes 1, 2 or 3 bytes; a surrogate pair becomes two three-byte sequences.
std::string Utf16ToUtf8(std::u16string_view wsz);
size_t Utf8LengthOf(std::u16string_view wsz);

// Decodes up to the first malformed sequence; a sequence cut by the end of input is dropped.
std::u16string Utf8ToUtf16(std::string_view sz);

} // namespace kov
