#include "support/TextNumbers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <utility>
#include <vector>

namespace kov {
namespace {

std::string Narrow(std::u16string_view wsz)
{
    return std::string(wsz.begin(), wsz.end());
}

TEST(TextNumbers, PrefixFormReadsUpToTheFirstOtherCharacter)
{
    struct SCase {
        const char16_t* wszText;
        int32_t iExpected;
    };
    for (const SCase& c : {SCase{u"12abc", 12}, SCase{u"abc", 0}, SCase{u"", 0}, SCase{u"-", 0},
                           SCase{u"+", 0}, SCase{u"+7", 7}, SCase{u" \t\n\v\f\r-42 9", -42}, SCase{u"1.9", 1},
                           SCase{u"--3", 0}, SCase{u"- 3", 0}, SCase{u"\x01 5", 0}, SCase{u"\u00A05", 0},
                           SCase{u"\uFF15", 0}, SCase{u"007", 7}}) {
        EXPECT_EQ(ReadInt32(c.wszText), c.iExpected) << Narrow(c.wszText);
        EXPECT_EQ(ReadInt32(Narrow(c.wszText)), c.iExpected) << Narrow(c.wszText);
        EXPECT_EQ(ReadInt64(c.wszText), c.iExpected) << Narrow(c.wszText);
    }
    EXPECT_EQ(ReadUInt32(u" +42x"), 42u);
    EXPECT_EQ(ReadUInt32("\v\f17"), 17u);
    EXPECT_EQ(ReadUInt32(u"none"), 0u);
}

TEST(TextNumbers, PrefixFormSaturatesAtBothLimits)
{
    EXPECT_EQ(ReadInt32(u"2147483647"), INT32_MAX);
    EXPECT_EQ(ReadInt32(u"2147483648"), INT32_MAX);
    EXPECT_EQ(ReadInt32(u"-2147483648"), INT32_MIN);
    EXPECT_EQ(ReadInt32(u"-2147483649"), INT32_MIN);
    EXPECT_EQ(ReadInt32(u"99999999999999999999999999"), INT32_MAX);
    EXPECT_EQ(ReadInt32("-99999999999999999999999999"), INT32_MIN);

    EXPECT_EQ(ReadUInt32(u"4294967295"), UINT32_MAX);
    EXPECT_EQ(ReadUInt32(u"4294967296"), UINT32_MAX);
    EXPECT_EQ(ReadUInt32(u"-1"), 0u); // below the lower limit, not wrapped round
    EXPECT_EQ(ReadUInt32(u"-99999999999999999999"), 0u);

    EXPECT_EQ(ReadInt64(u"9223372036854775807"), INT64_MAX);
    EXPECT_EQ(ReadInt64(u"9223372036854775808"), INT64_MAX);
    EXPECT_EQ(ReadInt64(u"-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(ReadInt64(u"-9223372036854775809"), INT64_MIN);
    EXPECT_EQ(ReadInt64("184467440737095516150"), INT64_MAX); // past what 64 unsigned bits hold
}

TEST(TextNumbers, WholeFormTakesOnlyOneNumberThatFits)
{
    int32_t iValue = 0;
    EXPECT_TRUE(ParseWholeInt32(u" \v\f-42\t\r\n", iValue) && iValue == -42);
    EXPECT_TRUE(ParseWholeInt32(u"+7", iValue) && iValue == 7);
    EXPECT_TRUE(ParseWholeInt32(u"2147483647", iValue) && iValue == INT32_MAX);
    EXPECT_TRUE(ParseWholeInt32("-2147483648", iValue) && iValue == INT32_MIN);
    iValue = 5;
    for (const char16_t* wszBad :
         {u"", u" ", u"-", u"+", u"12abc", u"1 2", u"1.0", u"2147483648", u"-2147483649",
          u"99999999999999999999999", u"\x01 1", u"1\x01", u"--1", u"0x10"}) {
        EXPECT_FALSE(ParseWholeInt32(wszBad, iValue)) << Narrow(wszBad);
        EXPECT_FALSE(ParseWholeInt32(Narrow(wszBad), iValue)) << Narrow(wszBad);
    }
    EXPECT_EQ(iValue, 5); // untouched by every refusal

    uint32_t dwValue = 9;
    EXPECT_TRUE(ParseWholeUInt32(u" 4294967295 ", dwValue) && dwValue == UINT32_MAX);
    EXPECT_TRUE(ParseWholeUInt32("+0", dwValue) && dwValue == 0);
    dwValue = 9;
    for (const char* szBad : {"-1", "-0", "4294967296", "18446744073709551616", "1e3"})
        EXPECT_FALSE(ParseWholeUInt32(szBad, dwValue)) << szBad;
    EXPECT_EQ(dwValue, 9u);

    int64_t llValue = 0;
    EXPECT_TRUE(ParseWholeInt64(u"-9223372036854775808", llValue) && llValue == INT64_MIN);
    EXPECT_TRUE(ParseWholeInt64(u"9223372036854775807", llValue) && llValue == INT64_MAX);
    EXPECT_FALSE(ParseWholeInt64(u"9223372036854775808", llValue));
    EXPECT_FALSE(ParseWholeInt64(u"-9223372036854775809", llValue));
    EXPECT_FALSE(ParseWholeInt64(u"-18446744073709551616", llValue));
    EXPECT_EQ(llValue, INT64_MAX);
}

TEST(TextNumbers, FormatsAndReadsBackEveryLimit)
{
    EXPECT_EQ(DecimalText(INT32_MIN), u"-2147483648");
    EXPECT_EQ(DecimalText(UINT32_MAX), u"4294967295");
    EXPECT_EQ(DecimalText(int64_t{INT64_MIN}), u"-9223372036854775808");
    EXPECT_EQ(DecimalText<char>(INT32_MAX), "2147483647");
    EXPECT_EQ(DecimalText<char>(int64_t{INT64_MAX}), "9223372036854775807");
    for (int32_t i : {INT32_MIN, -1, 0, 1, INT32_MAX})
        EXPECT_EQ(ReadInt32(DecimalText(i)), i);
    for (int64_t ll : {INT64_MIN, int64_t{-1}, int64_t{5000000000}, INT64_MAX})
        EXPECT_EQ(ReadInt64(DecimalText<char>(ll)), ll);
}

TEST(TextNumbers, PackedVersionTexts)
{
    EXPECT_EQ(DottedQuadText(0x01020304), u"1.2.3.4");
    EXPECT_EQ(DottedQuadText<char>(0xFF00FF00), "255.0.255.0");
    EXPECT_EQ(DottedQuadText(0), u"0.0.0.0");
    EXPECT_EQ(PackVersion(7, 1, 2, 3), 0x07010203u);

    // The counting reading: a number counts when a separator or the end follows it.
    for (const auto& [szText, iVersion] : std::vector<std::pair<const char*, int32_t>>{
             {"7_1_0_3", 0x07010003},
             {"0_0_0_1", 1},
             {"7_1_0_3_", 0x07010003}, // the fifth number never starts
             {"7_1_0_3_x", 0x07010003},
             {"7_1_0_3_4", kNoVersion},
             {"7_1_0_3x", kNoVersion}, // the number in progress does not count
             {"7__1_0_3", kNoVersion},
             {"7_1_0_256", kNoVersion},
             {"7_1_0_99999999999", kNoVersion},
             {"7.1.0.3", kNoVersion}, // not this separator
             {"255_255_255_255", -1}, // all bits set: compared as signed
             {"", kNoVersion}}) {
        EXPECT_EQ(ParsePackedVersion(std::string_view(szText), '_'), iVersion) << szText;
    }
    EXPECT_EQ(ParsePackedVersion(u"7.1.2.3"), 0x07010203);
    EXPECT_EQ(ParsePackedVersion(u"7.1.2"), kNoVersion);
    EXPECT_EQ(ParsePackedVersion(u"1.2.3.4 "), kNoVersion);

    // The whole-text reading of an operator's entry refuses what the counting one lets pass.
    uint32_t dwVersion = 0;
    EXPECT_TRUE(ParseWholePackedVersion("255.255.255.255", dwVersion) && dwVersion == UINT32_MAX);
    EXPECT_TRUE(ParseWholePackedVersion("1.02.3.004", dwVersion) && dwVersion == 0x01020304u);
    dwVersion = 77;
    for (const char* szBad :
         {"", "1.2.3", "1.2.3.4.", "1.2.3.4.x", "1.2.3.4.5", "1.2.3.256", "1..3.4", ".1.2.3", " 1.2.3.4",
          "1.2.3.4 ", "+1.2.3.4", "1.2.-3.4", "1.2.3.4x", "1.2.3.99999999999", "1_2_3_4"})
        EXPECT_FALSE(ParseWholePackedVersion(szBad, dwVersion)) << szBad;
    EXPECT_EQ(dwVersion, 77u);
}

TEST(TextNumbers, TrimRemovesControlsAndSpacesAtBothEnds)
{
    EXPECT_EQ(TrimControlSpace(u"\x01 a\tb\x1f\x20"), u"a\tb");
    EXPECT_EQ(TrimControlSpace(u"!x!"), u"!x!"); // code 33 stays
    EXPECT_EQ(TrimControlSpace(u"\u00A0x\u00A0"), u"\u00A0x\u00A0");
    EXPECT_EQ(TrimControlSpace(u" \r\n\t"), u"");
    EXPECT_EQ(TrimControlSpace(u""), u"");
}

} // namespace
} // namespace kov
