#include "sections/Modem.h"

#include <gtest/gtest.h>

#include "PageTestKit.h"
#include "sim/SampleDocument.h"

namespace kov::test {
namespace {

using Page = CModemParamsDlg;
using Pref = CCellRadTechPrefDlg;

std::string WithoutSection()
{
    return Replaced(Replaced(SampleDocumentText(), "<kov:RemoteAccessConnection ", "<kov:Elsewhere "),
                    "</kov:RemoteAccessConnection>", "</kov:Elsewhere>");
}

struct SModemFixture : SPageFixture<Page> {
    // bVpn: whether the root keeps the VPN section that "Enable VPN" needs.
    bool LoadText(const std::string& sXml, bool bVpn = true)
    {
        return SPageFixture::LoadText(sXml, EDocumentState::Device, [&](NodeRef root) {
            if (!bVpn)
                root.RemoveChildren(u"kov:VPNParams");
        });
    }
    NodeRef Stored() const
    {
        return holder.ChangeDocument()
            .Root()
            .FindChild(u"kov:ConnectionParameters")
            .FindChild(u"kov:RemoteAccessConnection");
    }
    bool Enabled(int iId) const { return page.IsEnabled(iId); }
};

// Ticks exactly the rows of the mask, as the operator would; returns the rows ticked before.
uint32_t TickRows(CDialog& dlg, uint32_t dwMask)
{
    CListView& rList = *dlg.Find<CListView>(Pref::IDC_PREF_LIST);
    uint32_t dwBefore = 0;
    for (int i = 0; i < rList.RowCount(); ++i) {
        dwBefore |= rList.IsRowChecked(i) ? 1u << i : 0u;
        rList.UserSetRowChecked(i, (dwMask >> i & 1u) != 0);
    }
    return dwBefore;
}

TEST(ModemPage, LoadsWhatIsThereAndKeepsMasksItHasNoNamesFor)
{
    SModemFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_METHOD_MANUAL));
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_INTERFACE), 2);
    EXPECT_EQ(f.page.TextOf(Page::IDC_EXTRA_COMMAND),
              u"AT+CGDCONT=1,\"IP\",\"internet.fleet.example\"\r\nAT+COPS=0\r\nAT+CNMI=2,1,0,0,0");
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_RADIO_ACCESS_TECH) && !f.page.IsChecked(Page::IDC_RADIO_TECH));

    // A text outside its table keeps that default and fails; the rest is still read.
    EXPECT_FALSE(f.LoadText(Replaced(SampleDocumentText(), ">CHAP<", ">chap<")));
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_AUTHENTICATION), 0);
    EXPECT_EQ(f.page.TextOf(Page::IDC_USER_NAME), u"fleet");

    // Without the section everything is back at its defaults, whatever was loaded before.
    EXPECT_FALSE(f.LoadText(WithoutSection()));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_METHOD_NONE));
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_INTERFACE), 0);
    EXPECT_FALSE(f.page.IsChecked(Page::IDC_RADIO_ACCESS_TECH) || f.page.IsChecked(Page::IDC_ENABLE_VPN));

    // Bits beyond the six names are the device's: a preference, stored unchanged.
    ASSERT_TRUE(f.LoadText(
        Replaced(SampleDocumentText(), "kov:CellRadTechPref=\"0\"", "kov:CellRadTechPref=\"4160\"")));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_RADIO_TECH) && f.Enabled(Page::IDC_RADIO_TECH_SET));
    f.page.Store();
    EXPECT_EQ(Attr(f.Stored(), u"kov:CellRadTechPref"), u"4160");
}

TEST(ModemPage, EnablingFollowsTheMethodTheMasksAndTheVpnSection)
{
    SModemFixture f;
    const int kDial[] = {Page::IDC_AUTHENTICATION, Page::IDC_DIAL_STRING, Page::IDC_APN,
                         Page::IDC_USER_NAME,      Page::IDC_PASSWORD,    Page::IDC_EXTRA_COMMAND,
                         Page::IDC_EXTRA_EDITOR,   Page::IDC_RADIO_TECH,  Page::IDC_RADIO_ACCESS_TECH};
    const int kLink[] = {Page::IDC_INTERFACE, Page::IDC_ENABLE_ROAMING, Page::IDC_DIAGNOSTICS,
                         Page::IDC_ENABLE_VPN};
    auto expectGroups = [&](bool bDial, bool bLink) {
        for (int iId : kDial)
            EXPECT_EQ(f.Enabled(iId), bDial) << iId;
        for (int iId : kLink)
            EXPECT_EQ(f.Enabled(iId), bLink) << iId;
        // "Set" follows its mask too; only the access mask is set here.
        EXPECT_FALSE(f.Enabled(Page::IDC_RADIO_TECH_SET));
        EXPECT_EQ(f.Enabled(Page::IDC_RADIO_ACCESS_TECH_SET), bDial);
    };

    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    expectGroups(true, true);
    f.page.Click(Page::IDC_METHOD_AUTOMATIC);
    expectGroups(false, true);
    f.page.Click(Page::IDC_METHOD_NONE);
    expectGroups(false, false);
    EXPECT_TRUE(f.Enabled(Page::IDC_METHOD_MANUAL));
    f.page.Click(Page::IDC_METHOD_MANUAL);
    expectGroups(true, true);
    f.page.Enable(false);
    expectGroups(false, false);
    EXPECT_FALSE(f.Enabled(Page::IDC_METHOD_NONE));

    // Without the VPN section under the root, "Enable VPN" stays off.
    ASSERT_TRUE(f.LoadText(SampleDocumentText(), false));
    f.page.Click(Page::IDC_METHOD_AUTOMATIC);
    EXPECT_FALSE(f.Enabled(Page::IDC_ENABLE_VPN));
    EXPECT_TRUE(f.Enabled(Page::IDC_ENABLE_ROAMING));
}

TEST(ModemPage, PreferenceDialogAfterOkAndAfterCancel)
{
    SModemFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));

    // No preference opens with every name ticked; "3GPP" and "LTE" are bits 1 and 5.
    f.host.ExpectDialog(u"Set Radio Technology Preference", [](CDialog& dlg) {
        EXPECT_EQ(dlg.Find<CListView>(Pref::IDC_PREF_LIST)->Cell(1, 0), u"3GPP");
        EXPECT_EQ(TickRows(dlg, 0x22), 0x3Fu);
        dlg.PressOk();
    });
    f.page.Click(Page::IDC_RADIO_TECH);
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_RADIO_TECH) && f.Enabled(Page::IDC_RADIO_TECH_SET));
    f.page.Store();
    EXPECT_EQ(Attr(f.Stored(), u"kov:CellRadTechPref"), u"34");

    // Every name ticked is no preference: the box unticks and "Set" goes off.
    f.host.ExpectDialog(u"Set Radio Technology Preference", [](CDialog& dlg) {
        EXPECT_EQ(TickRows(dlg, 0x3F), 0x22u);
        dlg.PressOk();
    });
    f.page.Click(Page::IDC_RADIO_TECH_SET);
    EXPECT_FALSE(f.page.IsChecked(Page::IDC_RADIO_TECH) || f.Enabled(Page::IDC_RADIO_TECH_SET));

    // Cancel after ticking the box changes nothing: the box stays ticked over a mask of 0.
    f.host.ExpectDialog(u"Set Radio Technology Preference", [](CDialog& dlg) {
        TickRows(dlg, 0x01);
        dlg.PressCancel();
    });
    f.page.Click(Page::IDC_RADIO_TECH);
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_RADIO_TECH));
    EXPECT_FALSE(f.Enabled(Page::IDC_RADIO_TECH_SET));

    // Unticking a box clears its mask without asking.
    f.page.Click(Page::IDC_RADIO_ACCESS_TECH);
    f.page.Store();
    EXPECT_EQ(Attr(f.Stored(), u"kov:CellRadTechPref"), u"0");
    EXPECT_EQ(Attr(f.Stored(), u"kov:CellRatPref"), u"0");
    EXPECT_TRUE(f.host.Errors().empty() && f.host.AllConsumed());
}

TEST(ModemPage, StoresTrimmedTextsButTheExtraCommandsAsTyped)
{
    SModemFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    f.page.Type(Page::IDC_APN, u"  apn.example \t");
    const std::u16string wszCommands = u"  AT+CFUN=1\r\n\r\nATE0  \r\n";
    f.page.Type(Page::IDC_EXTRA_COMMAND, u"lost");
    // The larger editor works on the field's text and OK puts its text back.
    f.host.ExpectDialog(u"Additional Modem Commands", [&](CDialog& dlg) {
        EXPECT_EQ(dlg.TextOf(CExtraModemCommandsEditorDlg::IDC_COMMANDS), u"lost");
        dlg.Type(CExtraModemCommandsEditorDlg::IDC_COMMANDS, wszCommands);
        dlg.PressOk();
    });
    f.page.Click(Page::IDC_EXTRA_EDITOR);
    // Disabled fields are still stored.
    f.page.Click(Page::IDC_METHOD_AUTOMATIC);
    f.page.Click(Page::IDC_ENABLE_VPN);
    f.page.Store();

    NodeRef stored = f.Stored();
    EXPECT_EQ(stored.FindChild(u"kov:AccessPointName").Text(), u"apn.example");
    EXPECT_EQ(stored.FindChild(u"kov:ModemCommand").Text(), wszCommands);
    EXPECT_EQ(stored.FindChild(u"kov:ModemConfigMethod").Text(), u"Automatic");
    // The modem's VPN flag goes beside the section, not into it.
    EXPECT_FALSE(stored.FindChild(u"kov:VPNParams"));
    EXPECT_EQ(Attr(stored.Parent().FindChild(u"kov:VPNParams"), u"kov:Enable"), u"False");

    // Without the section every item is still written, empty texts as empty elements.
    ASSERT_FALSE(f.LoadText(WithoutSection()));
    f.holder.ChangeDocument().CreateRoot(u"kov:DeviceProgramParameters", kKovNamespaceUri);
    f.page.Store();
    ASSERT_TRUE(f.Stored().FindChild(u"kov:ModemDialString"));
    EXPECT_EQ(f.Stored().FindChild(u"kov:PPPAuthenticationType").Text(), u"None");
    EXPECT_EQ(Attr(f.Stored().FindChild(u"kov:Roaming"), u"kov:Enable"), u"False");
    EXPECT_TRUE(f.host.Errors().empty());
}

} // namespace
} // namespace kov::test
