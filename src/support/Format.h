#pragma once
// Display formats and small text and byte helpers shared across the program.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kov {

// Two digits per byte, high nibble first.
std::string HexOfBytes(const void* pData, size_t iCount, bool bUpperCase);

// Letters, digits, '-', '.', '/' and '_' stay; every other byte becomes "%XX".
void UrlEncodeInPlace(std::string& szText);

// "%d bytes", "%3.1f KB", "%3.2f MB" or "%.3f GB" (units of 1024).
std::string FormatSize(int64_t llBytes);
// "%d bps", "%3.1f Kbps", "%3.2f Mb/s" or "%.3f Gb/s" (same thresholds as sizes).
std::string FormatRate(int64_t llPerSecond);
// An offset from UTC in minutes as "UTC%c%02d:%02d": "UTC+05:30", "UTC-03:30", "UTC+00:00".
std::string UtcOffsetText(int32_t iMinutes);

struct DateTime6 {
    int32_t iYear = 0;
    int32_t iMonth = 0;
    int32_t iDay = 0;
    int32_t iHour = 0;
    int32_t iMinute = 0;
    int32_t iSecond = 0;
};

DateTime6 LocalDateTimeNow();
// Seconds since 1970-01-01 UTC with the microseconds as fraction.
double SecondsSince1970Now();

// Index of the first unit of wszText that is (or is not) in wszSet; npos when none.
size_t FindFirstOf(std::u16string_view wszText, std::u16string_view wszSet);
size_t FindFirstNotOf(std::u16string_view wszText, std::u16string_view wszSet);

// Compares with ASCII letters folded: 0 when equal, else the 1-based position of the first
// difference, negative when wszFirst is the smaller.
int CompareNoCaseAscii(std::u16string_view wszFirst, std::u16string_view wszSecond);

// Offset of the first occurrence of the pattern, or -1 (an empty pattern is not found).
int64_t FindBytePattern(const void* pData, size_t iSize, const void* pPattern, size_t iPatternSize);

// Reads four bytes, most significant first.
uint32_t ReadBigEndian32(const uint8_t* pBytes);

} // namespace kov
