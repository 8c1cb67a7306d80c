#include <gtest/gtest.h>

#include "support/Format.h"

namespace kov {
namespace {

TEST(Format, SizesAndRatesAtThresholds)
{
    EXPECT_EQ(FormatSize(1023), "1023 bytes");
    EXPECT_EQ(FormatSize(1024), "1.0 KB");
    EXPECT_EQ(FormatSize(1536), "1.5 KB");
    EXPECT_EQ(FormatSize(1048575), "1024.0 KB");
    EXPECT_EQ(FormatSize(1048576), "1.00 MB");
    EXPECT_EQ(FormatSize(1073741823), "1024.00 MB");
    EXPECT_EQ(FormatSize(1073741824), "1.000 GB");
    EXPECT_EQ(FormatSize(int64_t{5} << 40), "5120.000 GB");
    EXPECT_EQ(FormatRate(1023), "1023 bps");
    EXPECT_EQ(FormatRate(1536), "1.5 Kbps");
    EXPECT_EQ(FormatRate(3 * 1048576), "3.00 Mb/s");
    EXPECT_EQ(FormatRate(1073741824), "1.000 Gb/s");
}

TEST(Format, HexAndUrlEncoding)
{
    const uint8_t abyBytes[] = {0x00, 0x9F, 0xA5, 0xFF};
    EXPECT_EQ(HexOfBytes(abyBytes, 4, true), "009FA5FF");
    EXPECT_EQ(HexOfBytes(abyBytes, 4, false), "009fa5ff");
    EXPECT_EQ(HexOfBytes(nullptr, 4, false), "");

    std::string szName = "KOV USB Driver/v1.2_x-y+z%\xC3\xA9";
    UrlEncodeInPlace(szName);
    EXPECT_EQ(szName, "KOV%20USB%20Driver/v1.2_x-y%2Bz%25%C3%A9");
}

TEST(Format, TextAndByteSearches)
{
    EXPECT_EQ(CompareNoCaseAscii(u"Hello", u"hELLO"), 0);
    EXPECT_EQ(CompareNoCaseAscii(u"abcd", u"abXd"), -3);
    EXPECT_EQ(CompareNoCaseAscii(u"ab", u"abc"), -3);
    EXPECT_EQ(CompareNoCaseAscii(u"abc", u"ab"), 3);
    EXPECT_EQ(CompareNoCaseAscii(u"\u00C9", u"\u00E9"), -1); // only ASCII letters fold

    EXPECT_EQ(FindFirstOf(u"key = value", u"=:"), 4u);
    EXPECT_EQ(FindFirstOf(u"plain", u"=:"), std::u16string_view::npos);
    EXPECT_EQ(FindFirstNotOf(u"  \tx", u" \t"), 3u);
    EXPECT_EQ(FindFirstNotOf(u"   ", u" "), std::u16string_view::npos);

    const uint8_t abyData[] = {1, 2, 3, 1, 2, 4, 0x12, 0x34, 0x56, 0x78};
    const uint8_t abyPattern[] = {1, 2, 4};
    EXPECT_EQ(FindBytePattern(abyData, sizeof(abyData), abyPattern, 3), 3);
    EXPECT_EQ(FindBytePattern(abyData, 5, abyPattern, 3), -1);
    EXPECT_EQ(FindBytePattern(abyData, 2, abyPattern, 3), -1);
    EXPECT_EQ(FindBytePattern(abyData, sizeof(abyData), abyPattern, 0), -1);
    EXPECT_EQ(ReadBigEndian32(abyData + 6), 0x12345678u);
}

TEST(Format, ClockReadings)
{
    const DateTime6 sNow = LocalDateTimeNow();
    EXPECT_GE(sNow.iYear, 2024);
    EXPECT_TRUE(sNow.iMonth >= 1 && sNow.iMonth <= 12 && sNow.iDay >= 1 && sNow.iDay <= 31);
    EXPECT_GT(SecondsSince1970Now(), 1.7e9);
}

} // namespace
} // namespace kov
