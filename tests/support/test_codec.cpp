#include <gtest/gtest.h>

#include "support/TextCodec.h"

namespace kov {
namespace {

TEST(TextCodec, EncodesEveryUnitOnItsOwn)
{
    EXPECT_EQ(Utf16ToUtf8(u"A\u00E9\u20AC"), "A\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(Utf8LengthOf(u"A\u00E9\u20AC"), 6u);
    // A surrogate pair becomes two three-byte sequences, and decodes back to the same units.
    const std::u16string wszPair = u"\xD83D\xDE00";
    const std::string szPair = Utf16ToUtf8(wszPair);
    EXPECT_EQ(szPair, "\xED\xA0\xBD\xED\xB8\x80");
    EXPECT_EQ(Utf8ToUtf16(szPair), wszPair);
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\0')), std::string(1, '\0'));
    EXPECT_EQ(Utf16ToUtf8(u""), "");
    // Boundaries of the one-, two- and three-byte forms round-trip.
    const std::u16string wszEdges = u"\u007F\u0080\u07FF\u0800\uFFFF";
    EXPECT_EQ(Utf8LengthOf(wszEdges), 1u + 2 + 2 + 3 + 3);
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(wszEdges)), wszEdges);
    // Long ASCII runs are copied in blocks: a non-ASCII unit at every offset still decodes.
    for (size_t i = 0; i < 20; ++i) {
        std::u16string wsz(20, u'a');
        wsz[i] = u'\u00E9';
        EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(wsz)), wsz) << i;
        EXPECT_EQ(Utf8ToUtf16(std::string(i, 'a') + "\x80" + std::string(9, 'b')), std::u16string(i, u'a'))
            << i;
    }
}

TEST(TextCodec, DecodingStopsAtMalformedOrTruncatedInput)
{
    // (A stray continuation byte at every offset is checked with the encoder.)
    // A lead byte followed by a non-continuation byte ends the text there.
    EXPECT_EQ(Utf8ToUtf16("x\xC3(y"), u"x");
    EXPECT_EQ(Utf8ToUtf16("x\xE2\x82(y"), u"x");
    // Sequences cut by the end of the input are dropped, and nothing beyond is read.
    EXPECT_EQ(Utf8ToUtf16("ok\xC3"), u"ok");
    EXPECT_EQ(Utf8ToUtf16("ok\xE2\x82"), u"ok");
    EXPECT_EQ(Utf8ToUtf16("ok\xF0\x9F\x98"), u"ok");
    const std::string szBuffer = "\xE2\x82\xAC"
                                 "tail";
    EXPECT_EQ(Utf8ToUtf16(std::string_view(szBuffer.data(), 2)), u"");
    // Four-byte forms give their surrogate pair, which encodes as two three-byte sequences
    // and decodes back to the same pair. An overlong form is its one unit; a code point
    // beyond U+10FFFF, which no pair can carry, is the replacement character.
    EXPECT_EQ(Utf8ToUtf16("a\xF0\x9F\x98\x80z"), u"a\xD83D\xDE00z");
    EXPECT_EQ(Utf8ToUtf16("\xF4\x8F\xBF\xBF\xF0\x90\x80\x80"), u"\xDBFF\xDFFF\xD800\xDC00");
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(Utf8ToUtf16("\xF0\x9F\x98\x80"))), u"\xD83D\xDE00");
    EXPECT_EQ(Utf8ToUtf16("\xF0\x80\x81\x81"), u"A");
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80!"), u"\xFFFD!");
    // An 8-bit text that is not UTF-8 reads up to its first non-ASCII byte.
    EXPECT_EQ(Utf8ToUtf16("caf\xE9!"), u"caf");
}

TEST(TextCodec, DecodablePrefixStopsWhereTheDecoderDoes)
{
    // Every form of U+0000 (plain and overlong) ends the prefix when asked, at any offset
    // inside or after the eight-byte blocks; without asking it is ordinary text.
    for (const std::string& sNul : {std::string(1, '\0'), std::string("\xC0\x80"),
                                    std::string("\xE0\x80\x80"), std::string("\xF0\x80\x80\x80")}) {
        for (size_t i = 0; i < 19; ++i) {
            const std::string s = std::string(i, 'a') + "\xC3\xA9" + sNul + "tail";
            EXPECT_EQ(Utf8DecodablePrefix(s, true), i + 2) << i;
            EXPECT_EQ(Utf8DecodablePrefix(s, false), s.size()) << i;
        }
    }
    EXPECT_EQ(Utf8DecodablePrefix("ab\xE2\x82", true), 2u);
    // Overlong forms of ASCII characters are told apart from every other sequence.
    bool bOverlong = true;
    EXPECT_EQ(Utf8DecodablePrefix("a\xC3\xA9\xE0\x82\x80\xF0\x9F\x98\x80", false, &bOverlong), 10u);
    EXPECT_FALSE(bOverlong);
    for (const char* sz : {"<\xC1\x81>", "\xE0\x80\xBC", "\xF0\x80\x80\xA0"}) {
        EXPECT_EQ(Utf8DecodablePrefix(sz, true, &bOverlong), std::string_view(sz).size());
        EXPECT_TRUE(bOverlong);
    }
    EXPECT_EQ(Utf8DecodablePrefix("abcdefgh\x80", false), 8u);
    // The decoder writes at most one unit per byte, even for pairs.
    const std::string s = "\xF0\x9F\x98\x80\xC3\xA9x";
    char16_t awch[8] = {};
    EXPECT_EQ(DecodeUtf8Prefix(s.data(), s.size(), awch) - awch, 4);
    EXPECT_EQ(std::u16string(awch, 4), u"\xD83D\xDE00\u00E9x");
}

} // namespace
} // namespace kov
