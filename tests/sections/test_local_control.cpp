#include "sections/LocalControl.h"

#include <gtest/gtest.h>

#include "PageTestKit.h"
#include "sim/SampleDocument.h"

namespace kov::test {
namespace {

using Page = CLocalControlParamsDlg;

struct SLocalControlFixture : SPageFixture<Page> {
    NodeRef Stored() const
    {
        return holder.ChangeDocument()
            .Root()
            .FindChild(u"kov:CaptureDeviceRules")
            .FindChild(u"kov:LocalControl");
    }
};

std::string WithLocalControl(const std::string& sAttributes)
{
    return Replaced(SampleDocumentText(),
                    "<kov:LocalControl kov:Enable=\"True\" kov:InitialOperationMode=\"Online\"/>",
                    "<kov:LocalControl " + sAttributes + "/>");
}

TEST(LocalControlPage, TheModeIsEditedAndWrittenOnlyWhereLocalControlIsEnabled)
{
    SLocalControlFixture f;
    ASSERT_TRUE(
        f.LoadText(WithLocalControl("kov:Enable=\"True\" kov:InitialOperationMode=\"Offline Recording\"")));
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_INITIAL_MODE), 3);
    EXPECT_TRUE(f.page.IsEnabled(Page::IDC_INITIAL_MODE));
    f.page.Choose(Page::IDC_INITIAL_MODE, 4);
    f.page.Store();
    EXPECT_EQ(Attr(f.Stored(), u"kov:InitialOperationMode"), u"Low Power");
    EXPECT_EQ(Attr(f.Stored(), u"kov:Enable"), u"True");

    // Disabled in the document: the list stays closed and no mode is written; the flag goes back.
    SLocalControlFixture g;
    ASSERT_TRUE(g.LoadText(WithLocalControl("kov:Enable=\"False\" kov:InitialOperationMode=\"Offline\"")));
    EXPECT_EQ(g.page.SelectionOf(Page::IDC_INITIAL_MODE), 0);
    EXPECT_FALSE(g.page.IsEnabled(Page::IDC_INITIAL_MODE));
    g.page.Store();
    EXPECT_FALSE(g.Stored().HasAttribute(u"kov:InitialOperationMode"));
    EXPECT_EQ(Attr(g.Stored(), u"kov:Enable"), u"False");
}

TEST(LocalControlPage, MissingSectionsAndUnknownModesLoadTheDefaults)
{
    SLocalControlFixture f;
    ASSERT_TRUE(f.LoadText(WithLocalControl("kov:Enable=\"True\" kov:InitialOperationMode=\"Low Power\"")));
    // A mode outside the table: "Online", reported, and the list stays open.
    EXPECT_FALSE(f.LoadText(WithLocalControl("kov:Enable=\"True\" kov:InitialOperationMode=\"low power\"")));
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_INITIAL_MODE), 0);
    EXPECT_TRUE(f.page.IsEnabled(Page::IDC_INITIAL_MODE));
    // No section: "Online", reported, and the list closed.
    EXPECT_FALSE(f.LoadText(Replaced(SampleDocumentText(), "<kov:LocalControl ", "<kov:Other ")));
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_INITIAL_MODE), 0);
    EXPECT_FALSE(f.page.IsEnabled(Page::IDC_INITIAL_MODE));
}

} // namespace
} // namespace kov::test
