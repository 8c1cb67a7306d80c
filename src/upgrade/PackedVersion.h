#pragma once
// Packed versions: four numbers 0..255 in one 32-bit value, the first number in the top byte,
// compared as signed 32-bit numbers.
#include <cstdint>
#include <string>
#include <string_view>

namespace kov {

// What a text that is not a version reads as: below every published version.
inline constexpr int32_t kNoVersion = -1;

// Reads decimal numbers separated by chSeparator ('_' in the site's folder names, '.' in
// device software versions). A number counts when the separator or the end of the text
// follows it; reading stops at any other character (the number in progress then does not
// count), at a separator with no digit before it, and at a number above 255. Exactly four
// counted numbers give the packed value; anything else gives kNoVersion.
int32_t ParsePackedVersion(std::string_view sText, char chSeparator);
int32_t ParsePackedVersion(std::u16string_view wszText, char16_t chSeparator);

// "%d.%d.%d.%d".
std::u16string PackedVersionDots(int32_t iVersion);
// The local folder of a version: its dotted text, or "Unknown Version" below 1.
std::u16string VersionFolderName(int32_t iVersion);

} // namespace kov
