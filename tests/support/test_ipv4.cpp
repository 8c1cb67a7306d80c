#include <gtest/gtest.h>

#include "support/Ipv4.h"
#include "support/TextCodec.h"

namespace kov {
namespace {

TEST(Ipv4, DottedTextParts)
{
    uint8_t abyParts[4] = {};
    EXPECT_EQ(ParseDottedParts(u"192.168.1.20", u'.', abyParts, 4), 4);
    EXPECT_EQ(abyParts[0], 192);
    EXPECT_EQ(abyParts[3], 20);
    EXPECT_EQ(ParseDottedParts("1:2:3", ':', abyParts, 4), 3);
    EXPECT_EQ(ParseDottedParts("1..2", '.', abyParts, 4), 1);
    EXPECT_EQ(ParseDottedParts("7.300.1", '.', abyParts, 4), 1);
    EXPECT_EQ(ParseDottedParts("1.2.3.4.5", '.', abyParts, 2), 2);
    EXPECT_EQ(ParseDottedParts("", '.', abyParts, 4), 0);

    EXPECT_EQ(Ipv4FromText(u"10.1.2.3"), 0x0A010203u);
    EXPECT_EQ(Ipv4FromText(u"0.0.0.0"), 0u);
    EXPECT_EQ(Ipv4FromText(u"10.0.0.256"), kNoIpv4Address);
    EXPECT_EQ(Ipv4FromText(u"10.0.0."), kNoIpv4Address);
    EXPECT_EQ(Ipv4FromText(u"10.0.0"), kNoIpv4Address);
    EXPECT_EQ(Ipv4FromText(u".1.2.3"), kNoIpv4Address);
    EXPECT_EQ(Ipv4ToText(0xC0A80114), u"192.168.1.20");
}

TEST(Ipv4, AddressControlText)
{
    uint32_t dwAddress = 7;
    bool bBlank = true;
    // Parts in octal, hexadecimal or decimal; the last part fills the remaining bytes.
    for (const auto& [wszText, dwWant] : {std::pair{u"0x7f.1", 0x7F000001u},
                                          {u"10.1", 0x0A000001u},
                                          {u"010.0x10.1.2 ", 0x08100102u},
                                          {u"192.168.65535", 0xC0A8FFFFu},
                                          {u"3232235777", 0xC0A80101u}}) {
        EXPECT_TRUE(Ipv4FromControlText(wszText, dwAddress, bBlank) && !bBlank) << Utf16ToUtf8(wszText);
        EXPECT_EQ(dwAddress, dwWant) << Utf16ToUtf8(wszText);
    }

    // What inet_addr refuses, and its all-ones answer, leave the control blank.
    for (const char16_t* wszBad :
         {u"255.255.255.255", u"", u"1.2.3.4.5", u"256.1.1.1", u"1.2.3.", u"09.1.1.1", u"0x.1.1.1",
          u"1.2.3.4x", u" 1.2.3.4", u"4294967296", u"1.2.65536", u"1.256.3", u"\u0661.2.3.4"}) {
        SCOPED_TRACE(Utf16ToUtf8(wszBad));
        dwAddress = 7;
        bBlank = false;
        EXPECT_FALSE(Ipv4FromControlText(wszBad, dwAddress, bBlank));
        EXPECT_TRUE(bBlank);
        EXPECT_EQ(dwAddress, 0u);
    }

    EXPECT_EQ(Ipv4ToControlText(0, false), u"");
    EXPECT_EQ(Ipv4ToControlText(0x0A000001, true), u"");
    EXPECT_EQ(Ipv4ToControlText(0x0A000001, false), u"10.0.0.1");
}

} // namespace
} // namespace kov
