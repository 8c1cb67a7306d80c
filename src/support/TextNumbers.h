#pragma once
// Decimal numbers as text, both ways, and the trim of operator text. Every number text of the
// program goes through here.
//
// Numbers are read in one of two forms:
// - Read…: the lenient prefix form of documents and number fields. Optional leading white
//   space and sign, then the digits up to the first other character; the value saturates at
//   the limits of its type (an unsigned number below 0 gives 0); no digits give 0. It never
//   fails.
// - ParseWhole…: the strict form of an operator's entry that must be checked. The whole text,
//   white space around it allowed, must be one number (optional sign, then digits; no '-'
//   for unsigned) that fits its type; otherwise false and the output stays untouched.
// White space is what a standard base-10 conversion skips: space, \t, \n, \v, \f and \r.
#include <cstdint>
#include <string>
#include <string_view>

namespace kov {

constexpr bool IsNumberSpace(char32_t ch)
{
    return ch == U' ' || (ch >= U'\t' && ch <= U'\r');
}

constexpr bool IsDecimalDigit(char32_t ch)
{
    return ch >= U'0' && ch <= U'9';
}

// ---- Prefix form ---------------------------------------------------------------------------

int32_t ReadInt32(std::u16string_view wszText);
int32_t ReadInt32(std::string_view szText);
uint32_t ReadUInt32(std::u16string_view wszText);
uint32_t ReadUInt32(std::string_view szText);
int64_t ReadInt64(std::u16string_view wszText);
int64_t ReadInt64(std::string_view szText);

// ---- Whole-text form -----------------------------------------------------------------------

bool ParseWholeInt32(std::u16string_view wszText, int32_t& iValue);
bool ParseWholeInt32(std::string_view szText, int32_t& iValue);
bool ParseWholeUInt32(std::u16string_view wszText, uint32_t& dwValue);
bool ParseWholeUInt32(std::string_view szText, uint32_t& dwValue);
bool ParseWholeInt64(std::u16string_view wszText, int64_t& llValue);
bool ParseWholeInt64(std::string_view szText, int64_t& llValue);

// ---- Formatting ----------------------------------------------------------------------------
// "%d", "%u" and "%lld", as wide text by default or as narrow text (DecimalText<char>).

template <typename TChar = char16_t> std::basic_string<TChar> DecimalText(int32_t iValue);
template <typename TChar = char16_t> std::basic_string<TChar> DecimalText(uint32_t dwValue);
template <typename TChar = char16_t> std::basic_string<TChar> DecimalText(int64_t llValue);

// ---- Four bytes in one 32-bit value ----------------------------------------------------------
// Packed versions and IPv4 addresses: four numbers 0 to 255, the first in the top byte.

constexpr uint32_t PackVersion(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    return (a & 0xFF) << 24 | (b & 0xFF) << 16 | (c & 0xFF) << 8 | (d & 0xFF);
}

// "%d.%d.%d.%d", the top byte first.
template <typename TChar = char16_t> std::basic_string<TChar> DottedQuadText(uint32_t dwValue);

// What a text that is not a version reads as: below every published version.
inline constexpr int32_t kNoVersion = -1;

// Reads a version text: decimal numbers joined by chSeparator ('.' in device software
// versions, '_' in the download site's folder names). A number counts when the separator or the
// end of the text follows it; reading stops at any other character (the number in progress then
// does not count), at a separator with no digit before it, and at a number above 255. Exactly
// four counted numbers give the packed value, compared as a signed 32-bit number; anything else
// gives kNoVersion.
int32_t ParsePackedVersion(std::u16string_view wszText, char16_t chSeparator = u'.');
int32_t ParsePackedVersion(std::string_view szText, char chSeparator = '.');
// The strict form of an operator's entry: the whole text is exactly four dotted numbers 0 to
// 255 (no white space, no sign, nothing after the fourth). False, output untouched, otherwise.
bool ParseWholePackedVersion(std::string_view szText, uint32_t& dwVersion);

// ---- Operator text -------------------------------------------------------------------------

// The text without its trailing, then leading characters of code 32 or less (how pages trim
// what the operator typed).
std::u16string TrimControlSpace(std::u16string_view wszText);

extern template std::u16string DecimalText<char16_t>(int32_t);
extern template std::string DecimalText<char>(int32_t);
extern template std::u16string DecimalText<char16_t>(uint32_t);
extern template std::string DecimalText<char>(uint32_t);
extern template std::u16string DecimalText<char16_t>(int64_t);
extern template std::string DecimalText<char>(int64_t);
extern template std::u16string DottedQuadText<char16_t>(uint32_t);
extern template std::string DottedQuadText<char>(uint32_t);

} // namespace kov
