#include "document/Exchange.h"

#include <gtest/gtest.h>

namespace kov {
namespace {

enum class EMode : int32_t { Off = 0, Auto = 1, Manual = 2, Hidden = 3 };
constexpr EnumText kModes[] = {
    {EMode::Off, u"Off"}, {EMode::Auto, u"Auto"}, {EMode::Manual, u"Manual"}, {EMode::Hidden, nullptr}};

struct SRule {
    std::u16string wszName;
    int32_t iPort = 0;
    bool bEnable = false;
    bool Exchange(NodeRef item, bool bStore)
    {
        bool bOk = ExchangeTextAttribute(item, u"kov:Name", bStore, wszName);
        bOk &= ExchangeIntAttribute(item, u"kov:Port", bStore, iPort);
        return ExchangeBoolElement(item, u"kov:Enable", bStore, bEnable) && bOk;
    }
};

struct SSection {
    std::u16string wszText;
    int32_t iCount = 0;
    int64_t llSize = 0;
    bool bFlag = false;
    uint32_t dwAddress = 0;
    uint32_t dwGateway = 0;
    EMode eMode = EMode::Off;
    EMode eElementMode = EMode::Off;
    std::vector<SRule> vRules;

    bool Exchange(NodeRef parent, bool bStore)
    {
        NodeRef section = parent.FindOrCreateChild(u"kov:Section", kKovNamespaceUri, bStore);
        if (!section)
            return false;
        bool bOk = ExchangeTextAttribute(section, u"kov:Text", bStore, wszText);
        bOk &= ExchangeIntElement(section, u"kov:Count", bStore, iCount);
        bOk &= ExchangeInt64Element(section, u"kov:Size", bStore, llSize);
        bOk &= ExchangeBoolAttribute(section, u"kov:Flag", bStore, bFlag);
        bOk &= ExchangeIpv4Attribute(section, u"kov:Address", bStore, dwAddress);
        bOk &= ExchangeIpv4Element(section, u"kov:Gateway", bStore, dwGateway);
        bOk &= ExchangeEnumAttribute(section, u"kov:Mode", kModes, bStore, eMode);
        bOk &= ExchangeEnumElement(section, u"kov:ElementMode", kModes, bStore, eElementMode);
        NodeRef rules = section.FindOrCreateChild(u"kov:Rules", kKovNamespaceUri, bStore);
        bOk &= ExchangeList(rules, u"kov:Rule", bStore, vRules);
        if (bStore)
            MarkEraseChildren(rules);
        return bOk;
    }
};

std::u16string AttributeText(NodeRef node, std::u16string_view wszName)
{
    std::u16string wszValue;
    node.GetAttribute(wszName, wszValue);
    return wszValue;
}

TEST(Exchange, SectionRoundTripsThroughText)
{
    SSection stored;
    stored.wszText = u"a&b";
    stored.iCount = -3;
    stored.llSize = 5000000000LL;
    stored.bFlag = true;
    stored.dwAddress = 0xC0A80001;
    stored.eMode = EMode::Manual;
    stored.eElementMode = EMode::Auto;
    stored.vRules = {{u"one", 80, true}, {u"two", 443, false}};
    TreeRef tree;
    NodeRef root = tree.CreateRoot(u"kov:DeviceProgramParameters");
    ASSERT_TRUE(stored.Exchange(root, true));
    NodeRef section = root.FindChild(u"kov:Section");
    std::u16string wszValue;
    EXPECT_TRUE(section.GetAttribute(u"kov:Address", wszValue) && wszValue == u"192.168.0.1");
    EXPECT_EQ(section.FindChild(u"kov:Gateway").Text(), u""); // 0.0.0.0 is written empty
    EXPECT_EQ(section.FindChild(u"kov:Size").Text(), u"5000000000");
    NodeRef rules = section.FindChild(u"kov:Rules");
    EXPECT_TRUE(rules.GetAttribute(u"__merge_options", wszValue) && wszValue == u"erase_children");
    // Storing again replaces the list instead of appending to it.
    stored.vRules.pop_back();
    ASSERT_TRUE(stored.Exchange(root, true));
    EXPECT_EQ(rules.ChildCount(), 1u);

    std::string sText;
    ASSERT_TRUE(tree.ToUtf8(sText));
    TreeRef reread;
    ASSERT_FALSE(reread.LoadFromText(sText).IsEmpty());
    // Every field read back stores the same text again.
    SSection loaded;
    loaded.dwGateway = 77; // empty text clears it
    loaded.vRules.resize(3);
    EXPECT_TRUE(loaded.Exchange(reread.Root(), false));
    TreeRef again;
    ASSERT_TRUE(loaded.Exchange(again.CreateRoot(u"kov:DeviceProgramParameters"), true));
    std::string sAgain;
    ASSERT_TRUE(again.ToUtf8(sAgain));
    EXPECT_EQ(sAgain, sText);
}

TEST(Exchange, MissingAndUnknownValuesKeepFields)
{
    TreeRef tree;
    ASSERT_FALSE(
        tree.LoadFromText("<r><kov:Section kov:Mode='Bogus' kov:Address='1.2.3.999' kov:Flag='1'>"
                          "<kov:ElementMode>off</kov:ElementMode><kov:Count>x</kov:Count>"
                          "<kov:Gateway>10.1</kov:Gateway><kov:Rules><kov:Other/><kov:Rule/></kov:Rules>"
                          "</kov:Section></r>")
            .IsEmpty());
    SSection loaded;
    loaded.wszText = u"default";
    loaded.iCount = 5;
    loaded.bFlag = true;
    loaded.dwAddress = 9;
    loaded.eMode = loaded.eElementMode = EMode::Auto;
    EXPECT_FALSE(loaded.Exchange(tree.Root(), false));
    EXPECT_EQ(loaded.wszText, u"default");
    EXPECT_EQ(loaded.iCount, 0);     // present: converts, non-numbers read as 0
    EXPECT_FALSE(loaded.bFlag);      // "1" is false
    EXPECT_EQ(loaded.dwAddress, 0u); // not an address: cleared
    EXPECT_EQ(loaded.dwGateway, 0x0A000001u);
    EXPECT_EQ(loaded.eMode, EMode::Auto);
    EXPECT_EQ(loaded.eElementMode, EMode::Auto);
    ASSERT_EQ(loaded.vRules.size(), 1u); // other names skipped, the item read with defaults
    // The entry lacks every field, yet the list itself reads without a mismatch.
    std::vector<SRule> vRules;
    EXPECT_TRUE(ExchangeList(tree.Root().FindChild(u"kov:Section").FindChild(u"kov:Rules"), u"kov:Rule",
                             false, vRules));
    EXPECT_EQ(vRules.size(), 1u);

    // Storing a value without a row, or with a row without text, writes nothing.
    TreeRef out;
    NodeRef root = out.CreateRoot(u"r");
    EMode eHidden = EMode::Hidden;
    int32_t iUnknown = 42;
    EXPECT_FALSE(ExchangeEnumAttribute(root, u"kov:Mode", kModes, true, eHidden));
    EXPECT_FALSE(ExchangeEnumElement(root, u"kov:Mode", kModes, true, iUnknown));
    EXPECT_EQ(root.AttributeCount(), 1u); // only the namespace declaration
    EXPECT_EQ(root.ChildCount(), 0u);

    // Unsigned fields travel in the integer encoding by their 32-bit pattern, so every text a
    // device sends comes back unchanged.
    uint32_t dwMinutes = 4294967295u;
    EXPECT_TRUE(ExchangeIntAttribute(root, u"kov:Minutes", true, dwMinutes));
    EXPECT_EQ(AttributeText(root, u"kov:Minutes"), u"-1");
    for (const auto& [wszText, dwExpected] : {std::pair<const char16_t*, uint32_t>{u"-3", 4294967293u},
                                              {u"", 0u},
                                              {u" 12h", 12u},
                                              {u"99999999999", 2147483647u}}) {
        root.SetAttribute(u"kov:Minutes", u"", wszText);
        dwMinutes = 7;
        EXPECT_TRUE(ExchangeIntAttribute(root, u"kov:Minutes", false, dwMinutes));
        EXPECT_EQ(dwMinutes, dwExpected);
    }
    EXPECT_FALSE(ExchangeIntAttribute(root, u"kov:Absent", false, dwMinutes));
    EXPECT_EQ(dwMinutes, 2147483647u);
    root.RemoveAttribute(u"kov:Minutes");

    // An absent section or container fails softly and keeps the list.
    std::vector<SRule> vKeep(2);
    EXPECT_FALSE(ExchangeList(NodeRef(), u"kov:Rule", false, vKeep));
    EXPECT_EQ(vKeep.size(), 2u);
    EXPECT_FALSE(SSection().Exchange(NodeRef(), true));
    std::vector<SRule> vEmpty;
    NodeRef container = root.AddChild(u"kov:Rules");
    EXPECT_TRUE(ExchangeList(container, u"kov:Rule", true, vEmpty));
    EXPECT_TRUE(ExchangeList(container, u"kov:Rule", false, vKeep) && vKeep.empty());
}

} // namespace
} // namespace kov
