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
    // A stray continuation byte as the third byte: the first two characters only.
    EXPECT_EQ(Utf8ToUtf16("AB\x80"
                          "CD"),
              u"AB");
    EXPECT_EQ(Utf8ToUtf16("AB\x80\x80"), u"AB");
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
    // Four-byte forms give the low 16 bits of the code point.
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), std::u16string(1, char16_t(0xF600)));
    // An 8-bit text that is not UTF-8 reads up to its first non-ASCII byte.
    EXPECT_EQ(Utf8ToUtf16("caf\xE9!"), u"caf");
}

} // namespace
} // namespace kov
