#include "sections/PortForwarding.h"

#include <gtest/gtest.h>

#include "PageTestKit.h"
#include "sim/SampleDocument.h"

namespace kov::test {
namespace {

using Part = CForwardingRuleListPart;
using RuleDlg = CEditIPForwardingRuleDlg;

constexpr char kRulesDocument[] =
    "<kov:DeviceProgramParameters xmlns:kov=\"urn:dovrane:kov\"><kov:CaptureDeviceRules><kov:ForwardingRules>"
    "<kov:ForwardingRule kov:Address=\"10.0.0.5\" kov:PortNumber=\"22\" kov:Protocol=\"TCP\"/>"
    "<kov:Comment>kept</kov:Comment>"
    "<kov:ForwardingRule kov:Address=\"10.0.0.6\" kov:PortNumber=\"69\" kov:Protocol=\"SCTP\"/>"
    "<kov:ForwardingRule kov:Address=\"printer.lan\" kov:PortNumber=\"\"/>"
    "</kov:ForwardingRules></kov:CaptureDeviceRules></kov:DeviceProgramParameters>";

struct SRulesFixture : SPageFixture<CIPForwardingRulesDlg> {
    CListView& List() const { return *page.Find<CListView>(Part::IDC_RULES_LIST); }
};

TEST(PortForwardingPage, LoadsRowsAndStoresTheListWithItsEraseMark)
{
    SRulesFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    ASSERT_EQ(f.List().RowCount(), 3);
    EXPECT_EQ(f.List().Rows()[2].vCells, (std::vector<std::u16string>{u"192.168.10.31", u"UDP", u"5004"}));

    // A protocol outside the table shows as "Any", an empty port as 0 and an address no field can
    // show as it is, none of them a mismatch; the foreign child survives a store into the same
    // (file) document.
    EXPECT_TRUE(f.LoadText(kRulesDocument, EDocumentState::File));
    EXPECT_EQ(f.List().Cell(1, 1), u"Any");
    EXPECT_EQ(f.List().Rows()[2].vCells, (std::vector<std::u16string>{u"printer.lan", u"Any", u"0"}));
    f.page.Store();
    NodeRef rules = f.holder.LoadedDocument()
                        .Root()
                        .FindChild(u"kov:CaptureDeviceRules")
                        .FindChild(u"kov:ForwardingRules");
    ASSERT_EQ(rules.ChildCount(), 4u);
    EXPECT_TRUE(rules.FirstChild().NameIs(u"kov:Comment"));
    EXPECT_EQ(Attr(Item(rules, 2), u"kov:Protocol"), u"Any");

    // A missing section loads an empty list and reports it; storing it writes a marked container.
    EXPECT_FALSE(f.LoadText("<kov:DeviceProgramParameters xmlns:kov=\"urn:dovrane:kov\"/>"));
    EXPECT_EQ(f.List().RowCount(), 0);
    f.page.Store();
    rules = f.holder.ChangeDocument()
                .Root()
                .FindChild(u"kov:CaptureDeviceRules")
                .FindChild(u"kov:ForwardingRules");
    EXPECT_EQ(rules.ChildCount(), 0u);
    EXPECT_EQ(Attr(rules, u"__merge_options"), u"erase_children");
}

TEST(PortForwardingPage, RuleEditorRefusesInvalidRules)
{
    SRulesFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    f.host.ExpectDialog(u"IP Forwarding Rule", [](CDialog& dlg) {
        EXPECT_EQ(dlg.TextOf(RuleDlg::IDC_RULE_PORT), u"0");
        dlg.Click(kIdOk);
        dlg.TypeAddress(RuleDlg::IDC_RULE_ADDRESS, 0x0A000009);
        dlg.Click(kIdOk);
        dlg.Type(RuleDlg::IDC_RULE_PORT, u"");
        dlg.Click(kIdOk);
        dlg.Type(RuleDlg::IDC_RULE_PORT, u"70000");
        dlg.Click(kIdOk);
        EXPECT_TRUE(dlg.IsOpen());
        dlg.Choose(RuleDlg::IDC_RULE_PROTOCOL, 2);
        dlg.Click(kIdOk);
    });
    f.page.Click(Part::IDC_RULES_ADD);
    const std::vector<SMessageRecord>& msgs = f.host.Messages();
    ASSERT_EQ(msgs.size(), 4u);
    EXPECT_EQ(msgs[0].wszText, u"Invalid internal address");
    EXPECT_EQ(msgs[1].wszText, u"Invalid port number");
    EXPECT_EQ(msgs[2].wszText, u"Invalid port number");
    EXPECT_EQ(msgs[3].wszText, u"Invalid protocol");
    EXPECT_EQ(msgs[3].wszCaption, u"IP Forwarding Rule");
    ASSERT_EQ(f.List().RowCount(), 4);
    EXPECT_EQ(f.List().Rows()[3].vCells, (std::vector<std::u16string>{u"10.0.0.9", u"UDP", u"70000"}));

    // A double-click edits a copy; port 0 is refused, and Cancel keeps the rule.
    f.host.ClearRecords();
    f.host.ExpectDialog(u"IP Forwarding Rule", [](CDialog& dlg) {
        EXPECT_EQ(dlg.TextOf(RuleDlg::IDC_RULE_ADDRESS), u"192.168.10.20");
        dlg.Type(RuleDlg::IDC_RULE_PORT, u"0");
        dlg.Click(kIdOk);
        dlg.Click(kIdCancel);
    });
    f.page.DoubleClick(Part::IDC_RULES_LIST, 0);
    EXPECT_EQ(f.host.LastMessage().wszText, u"Invalid port number");
    EXPECT_EQ(f.page.Rules()[0].iPortNumber, 554);
    EXPECT_TRUE(f.host.Errors().empty());
}

TEST(PortForwardingPage, ModifyDeleteAndEmptyFollowTheirOwnTexts)
{
    SRulesFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    f.page.Click(Part::IDC_RULES_MODIFY);
    f.page.Click(Part::IDC_RULES_DELETE);
    f.page.Choose(Part::IDC_RULES_LIST, 1);
    f.host.QueueAnswer(EDlgResult::Yes);
    f.page.Click(Part::IDC_RULES_DELETE);
    f.host.QueueAnswer(EDlgResult::No);
    f.page.Click(Part::IDC_RULES_EMPTY);
    const std::vector<SMessageRecord>& msgs = f.host.Messages();
    ASSERT_EQ(msgs.size(), 4u);
    EXPECT_EQ(msgs[0].wszText + u"|" + msgs[0].wszCaption, u"No selection|Modify Rule");
    EXPECT_EQ(msgs[1].wszText + u"|" + msgs[1].wszCaption, u"No selection|Delete Rule");
    EXPECT_EQ(msgs[2].wszText + u"|" + msgs[2].wszCaption, u"Are you sure?|Delete Rule");
    EXPECT_EQ(msgs[3].wszCaption, u"Delete All Rules");
    ASSERT_EQ(f.page.Rules().size(), 2u);
    EXPECT_EQ(f.page.Rules()[1].iPortNumber, 5004);
    f.host.QueueAnswer(EDlgResult::Yes);
    f.page.Click(Part::IDC_RULES_EMPTY);
    EXPECT_EQ(f.List().RowCount(), 0);
    f.page.Click(Part::IDC_RULES_EMPTY); // silent on an empty list
    EXPECT_EQ(msgs.size(), 5u);
    EXPECT_TRUE(f.host.Errors().empty());
}

} // namespace
} // namespace kov::test
