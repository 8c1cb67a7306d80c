#include "document/ValueTree.h"

#include <gtest/gtest.h>

#include "common/TestDir.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace kov {
namespace {

std::u16string AttributeOf(NodeRef node, std::u16string_view wszName)
{
    std::u16string wszValue = u"<absent>";
    node.GetAttribute(wszName, wszValue);
    return wszValue;
}

TEST(ValueTree, NamespaceDeclarationsAndStructure)
{
    TreeRef tree;
    NodeRef root = tree.CreateRoot(u"kov:DeviceConfigAppOptions", u"urn:a");
    NodeRef program = root.AddChild(u"kov:DeviceProgram", u"urn:a");
    EXPECT_EQ(AttributeOf(root, u"xmlns:kov"), u"urn:a");
    EXPECT_EQ(program.AttributeCount(), 0u);
    // Another URI for the same prefix is declared on the child; an empty URI declares nothing.
    NodeRef other = program.AddChild(u"kov:Other", u"urn:b");
    EXPECT_EQ(AttributeOf(other, u"xmlns:kov"), u"urn:b");
    EXPECT_EQ(other.AddChild(u"kov:Deeper", u"urn:b").AttributeCount(), 0u);
    EXPECT_EQ(root.AddChild(u"plain", u"urn:c").AttributeName(0), u"xmlns");
    EXPECT_EQ(root.AddChild(u"kov:NoUri", u"").AttributeCount(), 0u);

    // FindOrCreateChild only finds when not asked to create (its finding is checked by storing twice).
    EXPECT_TRUE(root.FindOrCreateChild(u"kov:X", u"urn:a", false).IsEmpty());

    // Repeated names, RemoveChildren, and sibling walking over the live list afterwards.
    NodeRef list = root.AddChild(u"kov:List");
    for (int i = 0; i < 5; ++i)
        list.AddChild(i % 2 ? u"kov:B" : u"kov:A").SetTextInt(i);
    EXPECT_EQ(list.FindChild(u"kov:A").Text(), u"0");
    EXPECT_EQ(list.RemoveChildren(u"kov:Absent"), 0);
    EXPECT_EQ(list.RemoveChildren(u"kov:A"), 3);
    std::u16string wszWalk;
    for (NodeRef item = list.FirstChild(); item; item = item.NextSibling())
        wszWalk += item.Text();
    EXPECT_EQ(wszWalk, u"13");
    list.AddChild(u"kov:C").SetText(u"5");
    EXPECT_EQ(list.FirstChild().NextSibling().NextSibling().Text(), u"5");

    // Attributes keep ascending code-unit order whatever the insertion order.
    NodeRef attributes = root.AddChild(u"kov:Attrs", u"urn:a");
    for (const char16_t* wsz : {u"b", u"a", u"B", u"c", u"a"})
        attributes.SetAttribute(wsz, u"", wsz);
    ASSERT_EQ(attributes.AttributeCount(), 4u);
    EXPECT_EQ(attributes.AttributeName(0), u"B");
    EXPECT_EQ(attributes.AttributeName(3), u"c");
    EXPECT_TRUE(attributes.AttributeName(4).empty());
    EXPECT_TRUE(attributes.RemoveAttribute(u"a"));
    EXPECT_FALSE(attributes.HasAttribute(u"a"));
}

TEST(ValueTree, TypedValuesAndEmptyHandles)
{
    TreeRef tree;
    NodeRef node = tree.CreateRoot(u"r");
    // The number rules themselves are the text number tests' subject; here, that the text and
    // attribute accessors use them and a present text always converts.
    node.SetText(u"12abc");
    int32_t iValue = 123;
    EXPECT_TRUE(node.GetTextInt(iValue));
    EXPECT_EQ(iValue, 12);
    node.SetText(u"");
    EXPECT_TRUE(node.GetTextInt(iValue));
    EXPECT_EQ(iValue, 0);
    int64_t llValue = 0;
    node.SetTextInt64(INT64_MIN);
    EXPECT_EQ(node.Text(), u"-9223372036854775808");
    EXPECT_TRUE(node.GetTextInt64(llValue));
    EXPECT_EQ(llValue, INT64_MIN);
    node.SetTextInt(-5);
    EXPECT_EQ(node.Text(), u"-5");

    for (const char16_t* wsz : {u"true", u"yes", u"Y", u"T"}) {
        bool b = false;
        EXPECT_TRUE(node.SetAttribute(u"kov:B", u"", wsz) && node.GetAttributeBool(u"kov:B", b) && b);
    }
    for (const char16_t* wsz : {u"1", u"", u"false", u" true"}) {
        bool b = true;
        EXPECT_TRUE(node.SetAttribute(u"kov:B", u"", wsz) && node.GetAttributeBool(u"kov:B", b) && !b);
    }
    node.SetAttributeBool(u"kov:B", u"", true);
    EXPECT_EQ(AttributeOf(node, u"kov:B"), u"True");
    int32_t iUntouched = 9;
    EXPECT_FALSE(node.GetAttributeInt(u"kov:Missing", iUntouched));
    EXPECT_EQ(iUntouched, 9);
    node.SetAttribute(u"kov:N", u"", u" -3x");
    EXPECT_TRUE(node.GetAttributeInt(u"kov:N", iUntouched));
    EXPECT_EQ(iUntouched, -3);

    NodeRef empty;
    std::u16string wszOut = u"keep";
    EXPECT_FALSE(empty.GetText(wszOut));
    EXPECT_FALSE(empty.GetAttribute(u"a", wszOut));
    EXPECT_EQ(wszOut, u"keep");
    EXPECT_FALSE(empty.GetName(wszOut));
    EXPECT_TRUE(wszOut.empty());
    EXPECT_FALSE(empty.SetText(u"x") || empty.SetAttribute(u"a", u"", u"b") || empty.SetTextInt(1));
    EXPECT_TRUE(empty.AddChild(u"a").IsEmpty() && empty.FirstChild().IsEmpty() &&
                empty.NextSibling().IsEmpty());
    EXPECT_EQ(empty.RemoveChildren(u"a"), 0);
}

TEST(ValueTree, RootsAreReplacedSafelyAndDeepTreesFreedWithoutRecursion)
{
    // A new root may be named after the one it replaces.
    TreeRef first;
    first.CreateRoot(u"kov:Root");
    EXPECT_TRUE(first.CreateRoot(first.Root().Name(), first.Root().Name()).NameIs(u"kov:Root"));

    // Built through the API and destroyed by replacing the root, then by the last handle.
    NodeRef node = first.CreateRoot(u"d");
    for (int i = 0; i < 200000; ++i)
        node = node.AddChild(u"d", u"");
    first.CreateRoot(u"fresh");
    NodeRef again = first.Root();
    for (int i = 0; i < 200000; ++i)
        again = again.AddChild(u"d", u"");
}

TEST(ValueTree, EditingReusesTheTreesMemoryAndCopesWithAliasedValues)
{
    // A document stored into again and again (pages storing into a loaded file, lists erased
    // and appended) must not grow with every round.
    TreeRef tree;
    ASSERT_FALSE(tree.LoadFromText("<kov:R kov:A='first value'><kov:List><kov:I>x</kov:I></kov:List>"
                                   "<kov:Text>read from the text</kov:Text></kov:R>")
                     .IsEmpty());
    NodeRef root = tree.Root();
    const auto StoreRound = [&](int iRound) {
        NodeRef list = root.FindChild(u"kov:List");
        list.RemoveChildren(u"kov:I");
        for (int i = 0; i < 20; ++i) {
            NodeRef item = list.AddChild(u"kov:I");
            item.SetTextInt(iRound * 100 + i);
            item.SetAttribute(u"kov:Name", u"", std::u16string(size_t(i % 7) * 5, u'n'));
            item.AddChild(u"kov:Deeper").SetTextBool(i % 2 == 0);
        }
        root.FindChild(u"kov:Text").SetText(iRound % 2 ? u"short" : u"a somewhat longer text value");
        root.SetAttribute(u"kov:A", u"", iRound % 3 ? u"v" : u"a longer attribute value");
        root.RemoveAttribute(u"kov:B");
        root.SetAttributeInt(u"kov:B", u"", iRound);
    };
    for (int i = 0; i < 10; ++i)
        StoreRound(i);
    const size_t iSettled = tree->MemoryUsed();
    for (int i = 10; i < 2000; ++i)
        StoreRound(i);
    EXPECT_LE(tree->MemoryUsed(), 2 * iSettled);
    EXPECT_EQ(root.FindChild(u"kov:List").ChildCount(), 20u);
    EXPECT_EQ(root.FindChild(u"kov:List").FirstChild().Text(), u"199900");
    EXPECT_EQ(AttributeOf(root, u"kov:B"), u"1999");

    // Values given as views into the tree itself: the same text, a part of it, an attribute
    // value of the same node while its block of attributes grows.
    NodeRef text = root.FindChild(u"kov:Text");
    text.SetText(u"abcdefghijklmnopqrstuvwxyz");
    text.SetText(text.Text());
    text.SetText(text.Text().substr(3, 5));
    EXPECT_EQ(text.Text(), u"defgh");
    text.SetText(std::u16string(u"0123456789") + std::u16string(text.Text()) + u"0123456789");
    EXPECT_EQ(text.Text(), u"0123456789defgh0123456789");
    text.SetAttribute(u"a", u"", u"a value long enough to live in the store");
    for (const char16_t* wszName : {u"b", u"c", u"d", u"e", u"f", u"g"})
        text.SetAttribute(wszName, u"", *text.AttributeView(u"a"));
    text.SetAttribute(u"a", u"", text.AttributeView(u"g")->substr(2, 5));
    EXPECT_EQ(AttributeOf(text, u"a"), u"value");
    EXPECT_EQ(AttributeOf(text, u"f"), u"a value long enough to live in the store");
    EXPECT_FALSE(text.AttributeView(u"z").has_value());

    // Removing a deep subtree gives it back without recursion, and the tree stays usable.
    NodeRef deep = root.AddChild(u"kov:Deep");
    for (int i = 0; i < 100000; ++i)
        deep = deep.AddChild(u"d", u"");
    EXPECT_EQ(root.RemoveChildren(u"kov:Deep"), 1);
    EXPECT_EQ(root.AddChild(u"kov:After").NameIs(u"kov:After"), true);
}

TEST(ValueTree, FilesAndUtf8)
{
    const test::CTestDir dir;
    const auto Path = [&](const char* szName) { return (dir / szName).u16string(); };
    const auto Put = [&](const char* szName, const std::string& sBytes) {
        std::ofstream(dir / szName, std::ios::binary) << sBytes;
        return Path(szName);
    };
    TreeRef tree;
    tree.CreateRoot(u"kov:Keep");
    // Unreadable or non-text files fail and keep the previous root.
    for (const auto& wszPath : {Path("missing.xml"), Put("empty.xml", ""),
                                Put("zeros.xml", std::string(2, '\0')), Put("bad.xml", "<a><b></a>")}) {
        EXPECT_TRUE(tree.LoadFromFile(wszPath).IsEmpty());
        EXPECT_TRUE(tree.Root().NameIs(u"kov:Keep"));
    }
    // UTF-16 little-endian with mark, odd trailing byte dropped; NULs in UTF-8 text become spaces.
    EXPECT_TRUE(tree.LoadFromFile(Put("u16.xml", std::string("\xFF\xFE<\0a\0/\0>\0Z", 11))).NameIs(u"a"));
    NodeRef root = tree.LoadFromFile(Put("nul.xml", std::string("<a>x\0y</a>", 10)));
    EXPECT_EQ(root.Text(), u"x y");

    // UTF-8 text in, with non-ASCII; the mark on files, none on the wire.
    root = tree.LoadFromText("<kov:A kov:N=\"\xC3\xA9\">\xE2\x82\xAC</kov:A>");
    EXPECT_EQ(root.Text(), u"\u20AC");
    std::string sWire;
    EXPECT_TRUE(tree.ToUtf8(sWire));
    EXPECT_EQ(sWire, "<kov:A kov:N=\"\xC3\xA9\">\xE2\x82\xAC</kov:A>");
    EXPECT_TRUE(tree.SaveToFile(Path("saved.xml")));
    std::ifstream in(dir / "saved.xml", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "\xEF\xBB\xBF" + sWire);

    TreeRef empty;
    EXPECT_FALSE(empty.SaveToFile(Path("none.xml")));
    EXPECT_FALSE(std::filesystem::exists(dir / "none.xml"));
    sWire = "x";
    EXPECT_FALSE(empty.ToUtf8(sWire));
    EXPECT_TRUE(sWire.empty());
}

} // namespace
} // namespace kov
