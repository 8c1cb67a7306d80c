#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "SamplePage.h"
#include "form/ScriptedFormHost.h"

namespace kov::test {
namespace {

struct CRecordingObserver : IFormObserver {
    void OnControlChanged(CControl& rControl, EChange eChange) override
    {
        vChanges.emplace_back(rControl.Id(), eChange);
    }
    void OnFormChanged(CForm&, EFormChange eChange) override { vForm.push_back(eChange); }
    std::vector<std::pair<int, EChange>> vChanges;
    std::vector<EFormChange> vForm;
};

struct FormPage : ::testing::Test {
    FormPage()
    {
        page.SetHost(&host);
        page.Initialise();
        EXPECT_TRUE(page.Load());
        page.Enable(true);
    }
    CListView& List() { return *page.Find<CListView>(IDC_LIST); }

    SSampleRecord document{
        1, u"media.example", 2, false, 8080, {{u"Alpha", u"10.0.0.1"}, {u"Beta", u"10.0.0.2"}}};
    CScriptedFormHost host;
    CSamplePage page{document};
};

TEST_F(FormPage, DeclarationLayoutAndToolTips)
{
    const SLayoutNode& root = page.Layout();
    ASSERT_EQ(root.vChildren.size(), 4u); // group, port, status, list row
    const SLayoutNode& group = root.vChildren[0];
    EXPECT_EQ(group.eKind, ELayout::Group);
    ASSERT_EQ(group.vChildren.size(), 4u);
    EXPECT_EQ(group.vChildren[3].eKind, ELayout::Row);
    EXPECT_EQ(group.vChildren[3].vChildren[1].pControl->Id(), IDC_SECURE);
    const SLayoutNode& listRow = root.vChildren[3];
    EXPECT_EQ(listRow.vChildren[1].eKind, ELayout::Column);
    EXPECT_EQ(listRow.vChildren[1].vChildren.back().eKind, ELayout::Stretch);

    // The address's tip is checked on its Qt widget.
    EXPECT_EQ(page.FindControl(IDC_SECURE)->ToolTip(), u"Encrypt communications with the server.");
    EXPECT_TRUE(page.FindControl(IDC_PORT)->ToolTip().empty());
    EXPECT_EQ(page.Find<CEdit>(IDC_SECURE), nullptr); // wrong type
}

TEST_F(FormPage, LoadFillsAndStoreReadsTheControls)
{
    EXPECT_EQ(page.CheckedRadio(1), IDC_REMOTE);
    EXPECT_TRUE(page.Type(IDC_ADDRESS, u"  server.example \t"));
    EXPECT_TRUE(page.Choose(IDC_TRANSPORT, 1));
    EXPECT_TRUE(page.Click(IDC_SECURE));
    EXPECT_FALSE(page.Type(IDC_PORT, u"80a"));   // digits only
    EXPECT_FALSE(page.Type(IDC_PORT, u"65536")); // above the range
    EXPECT_TRUE(page.Type(IDC_PORT, u"443"));
    page.Store();
    EXPECT_EQ(document.wszAddress, u"server.example");
    EXPECT_EQ(document.dwTransport, 1u);
    EXPECT_TRUE(document.bSecure);
    EXPECT_EQ(document.iPort, 443);
}

TEST_F(FormPage, EnableRulesAndRefusedInput)
{
    EXPECT_TRUE(page.IsEnabled(IDC_ADDRESS));
    EXPECT_TRUE(page.Click(IDC_NONE));
    EXPECT_EQ(page.m_nTypeClicks, 1);
    EXPECT_FALSE(page.IsChecked(IDC_REMOTE));
    EXPECT_FALSE(page.Type(IDC_ADDRESS, u"x")); // disabled
    EXPECT_FALSE(page.Click(IDC_SECURE));
    EXPECT_EQ(page.TextOf(IDC_ADDRESS), u"media.example");
    EXPECT_FALSE(page.Type(IDC_STATUS, u"x")); // read-only
    EXPECT_TRUE(page.Click(IDC_NONE));         // a checked radio button still reports its click
    EXPECT_EQ(page.m_nTypeClicks, 2);

    page.Enable(false);
    EXPECT_FALSE(page.IsEnabled(IDC_ADD));
    EXPECT_TRUE(page.FindControl(0)->IsEnabled()); // the group box is not an input
    EXPECT_FALSE(page.Click(IDC_REMOTE));
    page.Enable(true);
    page.FindControl(IDC_ADD)->SetVisible(false);
    EXPECT_FALSE(page.Click(IDC_ADD));
    EXPECT_FALSE(page.Choose(IDC_ADDRESS, 0));
    EXPECT_FALSE(page.Choose(IDC_TRANSPORT, 3));
    EXPECT_EQ(page.SelectionOf(IDC_TRANSPORT), 2);
}

TEST_F(FormPage, SilentSetsAndUserActionsNotifyDifferently)
{
    CRecordingObserver observer;
    page.SetObserver(&observer);
    int nChanges = 0;
    CEdit& edAddress = *page.Find<CEdit>(IDC_ADDRESS);
    edAddress.SetOnChange([&] { ++nChanges; });

    edAddress.SetText(u"quiet");
    EXPECT_EQ(nChanges, 0);
    ASSERT_EQ(observer.vChanges.size(), 1u);
    EXPECT_EQ(observer.vChanges[0], std::make_pair(int{IDC_ADDRESS}, EChange::Value));
    edAddress.SetText(u"quiet"); // no change, nothing to tell
    EXPECT_EQ(observer.vChanges.size(), 1u);

    EXPECT_TRUE(page.Type(IDC_ADDRESS, u"quiet"));
    EXPECT_EQ(nChanges, 1); // the operator's edit always reports
    page.Find<CEdit>(IDC_ADDRESS)->SetEnabled(false);
    EXPECT_EQ(observer.vChanges.back(), std::make_pair(int{IDC_ADDRESS}, EChange::Enabled));

    page.SetTitle(u"Other");
    page.PostPageMessage(kPageDeleteKeyMessage);
    EXPECT_EQ(observer.vForm, (std::vector<EFormChange>{EFormChange::Title, EFormChange::MessagePosted}));
    page.SetObserver(nullptr);
}

TEST_F(FormPage, ListEditingThroughDialogsAndMessages)
{
    // Add: OK refused with a message keeps the dialog open; once closed it takes no input.
    host.ExpectDialog(u"Server Connection Settings", [&](CDialog& dlg) {
        EXPECT_EQ(dlg.TextOf(IDC_NAME), u"Server 3");
        EXPECT_TRUE(dlg.Type(IDC_NAME, u"   "));
        EXPECT_TRUE(dlg.Click(kIdOk));
        EXPECT_TRUE(dlg.IsOpen()); // its message is checked through the Qt host
        dlg.Type(IDC_NAME, u"Gamma");
        dlg.Type(IDC_ENTRY_ADDRESS, u" 10.0.0.3 ");
        dlg.Click(kIdOk);
        EXPECT_FALSE(dlg.IsOpen());
        EXPECT_FALSE(dlg.Type(IDC_NAME, u"late"));
    });
    EXPECT_TRUE(page.Click(IDC_ADD));
    ASSERT_EQ(List().RowCount(), 3);
    EXPECT_EQ(List().Cell(2, 1), u"10.0.0.3");

    // Change without a selection, then by double-click on a row.
    page.Click(IDC_CHANGE);
    EXPECT_EQ(host.LastMessage().wszCaption, u"Change Selection");
    host.ExpectDialog({}, [](CDialog& dlg) {
        EXPECT_EQ(dlg.TextOf(IDC_NAME), u"Alpha");
        dlg.Type(IDC_NAME, u"Alef");
        dlg.PressOk();
    });
    EXPECT_TRUE(page.DoubleClick(IDC_LIST, 0));
    EXPECT_EQ(List().Cell(0, 0), u"Alef");
    EXPECT_FALSE(page.DoubleClick(IDC_LIST, 7));

    // Delete asks with the entry's name; No keeps, Yes removes; the Delete key posts the same.
    host.QueueAnswer(EDlgResult::No);
    host.QueueAnswer(EDlgResult::Yes);
    page.Click(IDC_DELETE);
    EXPECT_EQ(host.LastMessage().wszCaption, u"Delete Alef");
    EXPECT_EQ(List().RowCount(), 3);
    page.PostPageMessage(kPageDeleteKeyMessage);
    EXPECT_EQ(List().RowCount(), 3); // not before it is dispatched
    EXPECT_EQ(page.DispatchPostedMessages(), 1);
    EXPECT_EQ(List().RowCount(), 2);
    EXPECT_EQ(List().Cell(0, 0), u"Beta");
    EXPECT_EQ(List().Selection(), -1);
    EXPECT_TRUE(host.Errors().empty());
    EXPECT_TRUE(host.AllConsumed());
}

TEST_F(FormPage, ReentrantCallbacksAreSafe)
{
    // A handler that types into its own field runs once, not forever.
    CEdit& edAddress = *page.Find<CEdit>(IDC_ADDRESS);
    int nRuns = 0;
    edAddress.SetOnChange([&] {
        ++nRuns;
        edAddress.UserSetText(edAddress.Text() + u"!");
    });
    EXPECT_TRUE(page.Type(IDC_ADDRESS, u"a"));
    EXPECT_EQ(nRuns, 1);
    EXPECT_EQ(edAddress.Text(), u"a!");

    // A handler may replace the callback it runs from.
    int nOld = 0;
    int nNew = 0;
    page.FindControl(IDC_SECURE)->SetOnClick([&] {
        ++nOld;
        page.FindControl(IDC_SECURE)->SetOnClick([&] { ++nNew; });
    });
    page.Click(IDC_SECURE);
    page.Click(IDC_SECURE);
    EXPECT_EQ(std::make_pair(nOld, nNew), std::make_pair(1, 1));

    // A selection handler that empties the list before the double-click is reported.
    int nDouble = 0;
    List().SetOnChange([&] { List().DeleteAllRows(); });
    List().SetOnDoubleClick([&](int) { ++nDouble; });
    EXPECT_TRUE(page.DoubleClick(IDC_LIST, 1));
    EXPECT_EQ(nDouble, 0);
    EXPECT_EQ(List().Selection(), -1);

    // A message handler that posts again is delivered on the next dispatch, not in a loop.
    struct CRepostingPage : CSamplePage {
        using CSamplePage::CSamplePage;
        void OnPageMessage(std::uint32_t uMessage, std::uint64_t, std::int64_t) override
        {
            ++nSeen;
            PostPageMessage(uMessage);
        }
        int nSeen = 0;
    } reposting{document};
    reposting.PostPageMessage(1);
    EXPECT_EQ(reposting.DispatchPostedMessages(), 1);
    EXPECT_EQ(reposting.PendingMessageCount(), 1u);
}

} // namespace
} // namespace kov::test
