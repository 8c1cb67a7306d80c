#include "document/ValueTree.h"

#include <gtest/gtest.h>

#include "common/TestDir.h"

#include <fstream>

#include "support/TextCodec.h"
#include <string>

namespace kov {
namespace {

std::u16string Write(const ValueTree& tree)
{
    std::u16string wszXml = u"stale";
    EXPECT_TRUE(tree.ToXml(wszXml));
    EXPECT_EQ(tree.ToXmlLength(), wszXml.size());
    return wszXml;
}

std::u16string RoundTrip(const std::u16string& wszXml)
{
    ValueTree tree;
    EXPECT_TRUE(tree.FromXml(wszXml)) << std::string(wszXml.begin(), wszXml.end());
    return Write(tree);
}

TEST(Xml, ReadsTheDialect)
{
    EXPECT_EQ(RoundTrip(u"<a/>"), u"<a/>");
    EXPECT_EQ(RoundTrip(u"<a>x<b/>y</a>"), u"<a><b/>xy</a>");
    EXPECT_EQ(RoundTrip(u"\r\n <a\n>  word  </a>\t"), u"<a>word  </a>");

    ValueTree tree;
    ASSERT_TRUE(tree.FromXml(u"<a x='1' x='2' y = \"q'&amp;\" >&lt;&#65;&#x42;&null;&foo;</a>"));
    NodeRef root = tree.Root();
    EXPECT_EQ(root.Text(), std::u16string(u"<AB\0&foo;", 9));
    std::u16string wszValue;
    EXPECT_TRUE(root.GetAttribute(u"x", wszValue));
    EXPECT_EQ(wszValue, u"1");
    EXPECT_TRUE(root.GetAttribute(u"y", wszValue));
    EXPECT_EQ(wszValue, u"q'&");
    EXPECT_FALSE(tree.WithDeclaration());

    // Numeric entities: beyond U+FFFF a surrogate pair, beyond U+10FFFF cut to 16 bits; a bad
    // hex digit gives all ones; no ';' keeps the '&'.
    ASSERT_TRUE(tree.FromXml(u"<a>&#65601;&#x1g;&#xFFFF41;&#12&gt;&#;&</a>"));
    // "&#12&gt;" runs to the first ';': the digits give 12 and the rest is passed over.
    EXPECT_EQ(tree.Root().Text(), std::u16string(u"\xD800\xDC41\xFFFF\xFF41\x000C") + char16_t(0) + u"&");
    // Input ends at its first NUL; declarations anywhere set the flag, which a failure keeps.
    ASSERT_TRUE(tree.FromXml(std::u16string(u"<a/>\0<b/>", 9)));
    EXPECT_TRUE(tree.Root().NameIs(u"a"));
    EXPECT_FALSE(tree.FromXml(u"<?xml version='1.0'?><a></b>"));
    EXPECT_TRUE(tree.WithDeclaration());
    EXPECT_TRUE(tree.Root().NameIs(u"a"));
    EXPECT_EQ(Write(tree), u"<?xml version='1.0' encoding='UTF-8'?><a/>");
    EXPECT_EQ(RoundTrip(u"<r/><?pi ?>"), u"<?xml version='1.0' encoding='UTF-8'?><r/>");
}

TEST(Xml, RefusesMalformedTextAndKeepsTheOldRoot)
{
    ValueTree tree;
    ASSERT_TRUE(tree.FromXml(u"<kov:Old/>"));
    const auto ExpectRefused = [&](std::initializer_list<const char16_t*> list) {
        for (const char16_t* wsz : list) {
            EXPECT_FALSE(tree.FromXml(wsz)) << std::u16string(wsz).size();
            EXPECT_TRUE(tree.Root().NameIs(u"kov:Old"));
        }
    };
    // Broken structure, and what the dialect leaves out (comments, sections, stray spaces).
    ExpectRefused({u"", u"   ", u"<", u"<a", u"<a>", u"<a></b>", u"<a/><b/>", u"word<a/>", u"<a/>tail",
                   u"</a>", u"<a x/>", u"<a x=1/>", u"<a x='1/>", u"<a x='1'", u"<a x='1'y>", u"<a>text",
                   u"<a><b></a></b>"});
    ExpectRefused({u"<!-- c --><a/>", u"<a><![CDATA[x]]></a>", u"<!DOCTYPE a><a/>", u"<?xml?><a/>", u"<a?>",
                   u"<>", u"< a/>", u"<a>< /a>", u"<a/ >", u"<a></a >"});
    // Many attributes, then a truncation: refused without leaking what was built.
    std::u16string wszMany = u"<a";
    for (int i = 0; i < 20000; ++i) {
        const std::string sNumber = std::to_string(i);
        wszMany += u" n" + std::u16string(sNumber.begin(), sNumber.end()) + u"='v'";
    }
    EXPECT_FALSE(tree.FromXml(wszMany));
    ASSERT_TRUE(tree.FromXml(wszMany + u"/>"));
    EXPECT_EQ(tree.Root().AttributeCount(), 20000u);
    // A long run of unterminated numeric entities stays linear.
    std::u16string wszAmps = u"<a>";
    for (int i = 0; i < 200000; ++i)
        wszAmps += u"&#";
    ASSERT_TRUE(tree.FromXml(wszAmps + u"</a>"));
    EXPECT_EQ(tree.Root().Text().size(), 400000u);
}

TEST(Xml, WritesOneLineInExactLength)
{
    ValueTree tree;
    NodeRef root = tree.CreateRoot(u"kov:DeviceProgramParameters");
    root.SetAttribute(u"b", u"", u"\"'&<>");
    root.SetAttribute(u"a", u"", std::u16string(u"\0z", 2));
    NodeRef section = root.AddChild(u"kov:Section");
    section.SetText(u"t<");
    section.AddChild(u"kov:Leaf");
    section.AddChild(u"kov:Text").SetText(u"\u00e9\u20ac");
    root.SetText(u"tail");
    EXPECT_EQ(Write(tree),
              u"<kov:DeviceProgramParameters a=\"&null;z\" b=\"&quot;&apos;&amp;&lt;&gt;\" "
              u"xmlns:kov=\"urn:dovrane:kov\"><kov:Section><kov:Leaf/><kov:Text>\u00e9\u20ac</kov:Text>"
              u"t&lt;</kov:Section>tail</kov:DeviceProgramParameters>");
    // Text, attribute order and entities survive a second round.
    EXPECT_EQ(RoundTrip(Write(tree)), Write(tree));

    ValueTree empty;
    std::u16string wszOut = u"x";
    EXPECT_FALSE(empty.ToXml(wszOut));
    EXPECT_TRUE(wszOut.empty());
    EXPECT_EQ(empty.ToXmlLength(), 0u);
}

TEST(Xml, Utf8IsReadAsItsDecodedText)
{
    // Reading UTF-8 bytes directly must agree with decoding them and reading the wide text:
    // names compared after decoding, text ending at the first malformed byte or at the first
    // NUL in any of its forms, entities and pairs inside values.
    const std::string aCases[] = {
        "<A x='\xC3\xA9&amp;\xF0\x9F\x98\x80'>t\xE2\x82\xAC&#x1F600;</\xC1\x81>",
        "<a/>\xC0\x80garbage",
        "<a\x17\xC0\xA0/>",
        "\xC0\xBC\x61\xC0\xBE\xC0\xA6"
        "amp;\xE0\x80\xBC/a>",
        "<a/>\xE0\x80\x80garbage",
        "<a>x</a>\x80<b/>",
        "<a>x\xF0\x80\x80\x80</a>",
        "<a>x</a>\xF0\x80\x80",
        "<\xE2\x82\xAC>\xF4\x90\x80\x80</\xE2\x82\xAC>",
        "<?xml version='1.0'?><kov:R kov:N=\"\xED\xA0\xBD\xED\xB8\x80\"> lead<c/> tail </kov:R>",
        std::string("<a>\0</a>", 9),
    };
    for (const std::string& s : aCases) {
        TreeRef bytes;
        ValueTree wide;
        const bool bBytes = !bytes.LoadFromText(s).IsEmpty();
        EXPECT_EQ(bBytes, wide.FromXml(Utf8ToUtf16(s))) << s;
        EXPECT_EQ(bytes->WithDeclaration(), wide.WithDeclaration()) << s;
        if (bBytes) {
            EXPECT_EQ(Write(*bytes), Write(wide)) << s;
        }
    }

    // Character data split by many children is joined in linear time; a long text shrunk by
    // its entities is kept exactly.
    std::string sSplit = "<a>";
    for (int i = 0; i < 200000; ++i)
        sSplit += "x<b/>";
    TreeRef split;
    ASSERT_FALSE(split.LoadFromText(sSplit + "</a>").IsEmpty());
    EXPECT_EQ(split.Root().Text(), std::u16string(200000, u'x'));
    std::string sEntities = "<a>";
    for (int i = 0; i < 100000; ++i)
        sEntities += "&amp;";
    ASSERT_FALSE(split.LoadFromText(sEntities + "</a>").IsEmpty());
    EXPECT_EQ(split.Root().Text(), std::u16string(100000, u'&'));
}

TEST(Xml, EveryTextSurvivesWriteThenRead)
{
    // The reader drops white space at the start of character data: the writer puts it as
    // references, only there, so texts of white space alone survive too.
    ValueTree tree;
    NodeRef root = tree.CreateRoot(u"r", u"");
    const std::u16string aTexts[] = {u" lead", u"\t\r\n x \t", u"   ", u"\n", u"mid  dle ", u"&#32; <"};
    for (const std::u16string& wszText : aTexts) {
        NodeRef item = root.AddChild(u"i", u"");
        item.SetText(wszText);
        item.SetAttribute(u"v", u"", wszText);
    }
    root.AddChild(u"k", u"");
    root.SetText(u" after children");
    const std::u16string wszXml = Write(tree);
    EXPECT_NE(wszXml.find(u"<i v=\" lead\">&#32;lead</i>"), std::u16string::npos);
    EXPECT_NE(wszXml.find(u"<i v=\"\t\r\n x \t\">&#9;&#13;&#10;&#32;x \t</i>"), std::u16string::npos);
    EXPECT_NE(wszXml.find(u">&#32;&#32;&#32;</i>"), std::u16string::npos);
    EXPECT_NE(wszXml.find(u"<i v=\"mid  dle \">mid  dle </i>"), std::u16string::npos);
    EXPECT_NE(wszXml.find(u"<k/>&#32;after children</r>"), std::u16string::npos);

    // Wide text, the device's UTF-8 and a file all give every text back exactly.
    TreeRef back;
    std::string sWire;
    ASSERT_TRUE(back->FromXml(wszXml));
    EXPECT_EQ(Write(*back), wszXml);
    ASSERT_TRUE(back.ToUtf8(sWire));
    ASSERT_FALSE(back.LoadFromText(sWire).IsEmpty());
    NodeRef item = back.Root().FirstChild();
    for (const std::u16string& wszText : aTexts) {
        std::u16string wszValue;
        EXPECT_EQ(item.Text(), wszText);
        EXPECT_TRUE(item.GetAttribute(u"v", wszValue));
        EXPECT_EQ(wszValue, wszText);
        item = item.NextSibling();
    }
    EXPECT_EQ(back.Root().Text(), u" after children");
}

TEST(Xml, CharactersBeyondTheFirstPlaneSurviveFilesAndDevices)
{
    const test::CTestDir dir;
    const std::u16string wszIn = (dir / "in.xml").u16string();
    // U+1F600 as a four-byte sequence in a file, and as numeric entities.
    std::ofstream(dir / "in.xml", std::ios::binary)
        << "<kov:P kov:N=\"\xF0\x9F\x98\x80\">x\xF0\x9F\x98\x80&#x1F600;&#128512;</kov:P>";
    const std::u16string wszSmile = u"\xD83D\xDE00";
    TreeRef file;
    ASSERT_FALSE(file.LoadFromFile(wszIn).IsEmpty());
    EXPECT_EQ(file.Root().Text(), u"x" + wszSmile + wszSmile + wszSmile);

    // To the device: each unit of the pair as a three-byte sequence, read back as the pair.
    std::string sWire;
    ASSERT_TRUE(file.ToUtf8(sWire));
    const std::string sPair = "\xED\xA0\xBD\xED\xB8\x80";
    EXPECT_EQ(sWire, "<kov:P kov:N=\"" + sPair + "\">x" + sPair + sPair + sPair + "</kov:P>");
    TreeRef device;
    ASSERT_FALSE(device.LoadFromText(sWire).IsEmpty());
    EXPECT_EQ(device.Root().AttributeView(u"kov:N").value_or(u""), wszSmile);
    EXPECT_EQ(device.Root().Text(), file.Root().Text());
}

TEST(Xml, DeepDocumentsReadWriteAndDieWithoutRecursion)
{
    constexpr int kDepth = 100000;
    std::u16string wszXml;
    for (int i = 0; i < kDepth; ++i)
        wszXml += u"<d>";
    wszXml += u"x";
    for (int i = 0; i < kDepth; ++i)
        wszXml += u"</d>";
    ValueTree tree;
    ASSERT_TRUE(tree.FromXml(wszXml));
    EXPECT_EQ(Write(tree), wszXml);
    // An unclosed deep document is refused and its partial tree freed.
    EXPECT_FALSE(tree.FromXml(wszXml.substr(0, wszXml.size() - 4)));
    EXPECT_TRUE(tree.Root().NameIs(u"d"));
}

} // namespace
} // namespace kov
