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
    // bVpn: whether the root holds the VPN section that "Enable VPN" needs.
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
    std::u16string Attr(NodeRef node, std::u16string_view wszName) const
    {
        std::u16string wsz = u"<missing>";
        node.GetAttribute(wszName, wsz);
        return wsz;
    }
    bool Enabled(int iId) const { return page.IsEnabled(iId); }
};

// The preference dialog's rows as a mask of their ticks.
uint32_t TickedRows(CDialog& dlg)
{
    const CListView& rList = *dlg.Find<CListView>(Pref::IDC_PREF_LIST);
    uint32_t dwTicked = 0;
    for (int i = 0; i < rList.RowCount(); ++i)
        dwTicked |= rList.IsRowChecked(i) ? 1u << i : 0u;
    return dwTicked;
}

// Ticks exactly the rows of the mask, as the operator would.
void TickRows(CDialog& dlg, uint32_t dwMask)
{
    CListView& rList = *dlg.Find<CListView>(Pref::IDC_PREF_LIST);
    for (int i = 0; i < rList.RowCount(); ++i)
        EXPECT_TRUE(rList.UserSetRowChecked(i, (dwMask >> i & 1u) != 0));
}

TEST(ModemPage, LoadsTheSectionAndFallsBackToDefaults)
{
    SModemFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_METHOD_MANUAL));
    EXPECT_EQ(f.page.TextOf(Page::IDC_APN), u"internet.fleet.example");
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_INTERFACE), 2);
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_AUTHENTICATION), 3);
    EXPECT_EQ(f.page.TextOf(Page::IDC_EXTRA_COMMAND),
              u"AT+CGDCONT=1,\"IP\",\"internet.fleet.example\"\r\nAT+COPS=0\r\nAT+CNMI=2,1,0,0,0");
    EXPECT_FALSE(f.page.IsChecked(Page::IDC_RADIO_TECH));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_RADIO_ACCESS_TECH));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_ENABLE_VPN));

    // A text outside its table keeps that default and fails; the rest is still read.
    EXPECT_FALSE(f.LoadText(Replaced(SampleDocumentText(), ">CHAP<", ">chap<")));
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_AUTHENTICATION), 0);
    EXPECT_EQ(f.page.TextOf(Page::IDC_USER_NAME), u"fleet");
    // So does a missing item.
    EXPECT_FALSE(f.LoadText(Replaced(SampleDocumentText(), "<kov:Roaming kov:Enable=\"False\"/>", "")));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_METHOD_MANUAL));

    // Without the section everything is back at its defaults, whatever was loaded before.
    EXPECT_FALSE(f.LoadText(WithoutSection()));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_METHOD_NONE));
    EXPECT_EQ(f.page.TextOf(Page::IDC_APN), u"");
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_INTERFACE), 0);
    EXPECT_EQ(f.page.SelectionOf(Page::IDC_AUTHENTICATION), 0);
    EXPECT_FALSE(f.page.IsChecked(Page::IDC_RADIO_ACCESS_TECH) || f.page.IsChecked(Page::IDC_ENABLE_VPN));
    EXPECT_FALSE(f.page.VpnAvailable());
}

TEST(ModemPage, MasksBeyondTheNamesAndOddNumbersRoundTrip)
{
    SModemFixture f;
    // Bits the page has no names for are the device's: shown as a preference, stored unchanged.
    ASSERT_TRUE(f.LoadText(
        Replaced(Replaced(SampleDocumentText(), "kov:CellRadTechPref=\"0\"", "kov:CellRadTechPref=\"4160\""),
                 "kov:CellRatPref=\"24\"", "kov:CellRatPref=\" 24 bits\"")));
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_RADIO_TECH));
    EXPECT_TRUE(f.Enabled(Page::IDC_RADIO_TECH_SET));
    f.page.Store();
    EXPECT_EQ(f.Attr(f.Stored(), u"kov:CellRadTechPref"), u"4160");
    EXPECT_EQ(f.Attr(f.Stored(), u"kov:CellRatPref"), u"24");

    // A negative mask opens the dialog with every name ticked.
    ASSERT_TRUE(f.LoadText(
        Replaced(SampleDocumentText(), "kov:CellRadTechPref=\"0\"", "kov:CellRadTechPref=\"-5\"")));
    f.host.ExpectDialog(u"Set Radio Technology Preference", [](CDialog& dlg) {
        EXPECT_EQ(TickedRows(dlg), 0x3Fu);
        dlg.PressCancel();
    });
    f.page.Click(Page::IDC_RADIO_TECH_SET);
    EXPECT_TRUE(f.host.Errors().empty());
}

TEST(ModemPage, EnablingFollowsTheMethodTheMasksAndTheVpnSection)
{
    SModemFixture f;
    const int kDial[] = {Page::IDC_AUTHENTICATION, Page::IDC_DIAL_STRING, Page::IDC_APN,
                         Page::IDC_USER_NAME,      Page::IDC_PASSWORD,    Page::IDC_EXTRA_COMMAND,
                         Page::IDC_EXTRA_EDITOR,   Page::IDC_RADIO_TECH,  Page::IDC_RADIO_ACCESS_TECH};
    const int kLink[] = {Page::IDC_INTERFACE, Page::IDC_ENABLE_ROAMING, Page::IDC_DIAGNOSTICS,
                         Page::IDC_ENABLE_VPN};
    auto expectGroups = [&](bool bDial, bool bLink, const char* szWhen) {
        SCOPED_TRACE(szWhen);
        for (int iId : kDial)
            EXPECT_EQ(f.Enabled(iId), bDial) << iId;
        for (int iId : kLink)
            EXPECT_EQ(f.Enabled(iId), bLink) << iId;
    };

    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    expectGroups(true, true, "loaded manual");
    // "Set" follows its mask, not the method alone.
    EXPECT_FALSE(f.Enabled(Page::IDC_RADIO_TECH_SET));
    EXPECT_TRUE(f.Enabled(Page::IDC_RADIO_ACCESS_TECH_SET));

    f.page.Click(Page::IDC_METHOD_AUTOMATIC);
    expectGroups(false, true, "automatic");
    EXPECT_FALSE(f.Enabled(Page::IDC_RADIO_ACCESS_TECH_SET));
    f.page.Click(Page::IDC_METHOD_NONE);
    expectGroups(false, false, "none");
    EXPECT_TRUE(f.Enabled(Page::IDC_METHOD_MANUAL));
    f.page.Click(Page::IDC_METHOD_MANUAL);
    expectGroups(true, true, "manual again");
    EXPECT_TRUE(f.Enabled(Page::IDC_RADIO_ACCESS_TECH_SET));

    // Without the VPN section under the root, "Enable VPN" stays off in every method.
    ASSERT_TRUE(f.LoadText(SampleDocumentText(), false));
    EXPECT_FALSE(f.Enabled(Page::IDC_ENABLE_VPN));
    EXPECT_TRUE(f.Enabled(Page::IDC_ENABLE_ROAMING));
    f.page.Click(Page::IDC_METHOD_AUTOMATIC);
    EXPECT_FALSE(f.Enabled(Page::IDC_ENABLE_VPN));

    f.page.Enable(false);
    expectGroups(false, false, "disabled page");
    EXPECT_FALSE(f.Enabled(Page::IDC_METHOD_NONE) || f.Enabled(Page::IDC_RADIO_ACCESS_TECH_SET));
}

TEST(ModemPage, PreferenceDialogAfterOkAndAfterCancel)
{
    SModemFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));

    // Ticking the box with no preference opens the dialog with every name ticked.
    f.host.ExpectDialog(u"Set Radio Technology Preference", [](CDialog& dlg) {
        const CListView& rList = *dlg.Find<CListView>(Pref::IDC_PREF_LIST);
        ASSERT_EQ(rList.RowCount(), 6);
        EXPECT_EQ(rList.Cell(1, 0), u"3GPP");
        EXPECT_EQ(rList.Columns().at(0).wszHeader, u"Name");
        EXPECT_EQ(TickedRows(dlg), 0x3Fu);
        TickRows(dlg, 0x22); // "3GPP" and "LTE"
        dlg.PressOk();
    });
    f.page.Click(Page::IDC_RADIO_TECH);
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_RADIO_TECH));
    EXPECT_TRUE(f.Enabled(Page::IDC_RADIO_TECH_SET));
    f.page.Store();
    EXPECT_EQ(f.Attr(f.Stored(), u"kov:CellRadTechPref"), u"34");

    // Every name ticked is no preference: the box unticks and "Set" goes off.
    f.host.ExpectDialog(u"Set Radio Technology Preference", [](CDialog& dlg) {
        EXPECT_EQ(TickedRows(dlg), 0x22u);
        TickRows(dlg, 0x3F);
        dlg.PressOk();
    });
    f.page.Click(Page::IDC_RADIO_TECH_SET);
    EXPECT_FALSE(f.page.IsChecked(Page::IDC_RADIO_TECH));
    EXPECT_FALSE(f.Enabled(Page::IDC_RADIO_TECH_SET));

    // Cancel after ticking the box changes nothing: the box stays ticked over a mask of 0.
    f.host.ExpectDialog(u"Set Radio Technology Preference", [](CDialog& dlg) {
        TickRows(dlg, 0x01);
        dlg.PressCancel();
    });
    f.page.Click(Page::IDC_RADIO_TECH);
    EXPECT_TRUE(f.page.IsChecked(Page::IDC_RADIO_TECH));
    EXPECT_FALSE(f.Enabled(Page::IDC_RADIO_TECH_SET));
    f.page.Store();
    EXPECT_EQ(f.Attr(f.Stored(), u"kov:CellRadTechPref"), u"0");

    // The access list: Cancel on "Set" keeps the mask; unticking the box clears it.
    f.host.ExpectDialog(u"Set Radio Access Technology Preference", [](CDialog& dlg) {
        EXPECT_EQ(dlg.Find<CListView>(Pref::IDC_PREF_LIST)->Cell(5, 0), u"TD_SCDMA");
        EXPECT_EQ(TickedRows(dlg), 24u);
        TickRows(dlg, 0);
        dlg.PressCancel();
    });
    f.page.Click(Page::IDC_RADIO_ACCESS_TECH_SET);
    EXPECT_EQ(f.page.Record().iCellRatPref, 24);
    f.page.Click(Page::IDC_RADIO_ACCESS_TECH);
    EXPECT_FALSE(f.Enabled(Page::IDC_RADIO_ACCESS_TECH_SET));
    f.page.Store();
    EXPECT_EQ(f.Attr(f.Stored(), u"kov:CellRatPref"), u"0");
    EXPECT_TRUE(f.host.Errors().empty());
    EXPECT_TRUE(f.host.AllConsumed());
}

TEST(ModemPage, StoresTrimmedTextsButTheExtraCommandsAsTyped)
{
    SModemFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    f.page.Type(Page::IDC_APN, u"  apn.example \t");
    f.page.Type(Page::IDC_PASSWORD, u" s3cret\r\n");
    const std::u16string wszCommands = u"  AT+CFUN=1\r\n\r\nATE0  \r\n";
    f.page.Type(Page::IDC_EXTRA_COMMAND, wszCommands);
    // The larger editor works on the field's text; Cancel leaves it, OK puts its text back.
    f.host.ExpectDialog(u"Additional Modem Commands", [&](CDialog& dlg) {
        EXPECT_EQ(dlg.TextOf(CExtraModemCommandsEditorDlg::IDC_COMMANDS), wszCommands);
        dlg.Type(CExtraModemCommandsEditorDlg::IDC_COMMANDS, u"lost");
        dlg.PressCancel();
    });
    f.page.Click(Page::IDC_EXTRA_EDITOR);
    EXPECT_EQ(f.page.TextOf(Page::IDC_EXTRA_COMMAND), wszCommands);
    f.host.ExpectDialog(u"Additional Modem Commands", [&](CDialog& dlg) {
        dlg.Type(CExtraModemCommandsEditorDlg::IDC_COMMANDS, wszCommands + u"AT+CSQ ");
        dlg.PressOk();
    });
    f.page.Click(Page::IDC_EXTRA_EDITOR);
    // Disabled fields are still stored.
    f.page.Click(Page::IDC_METHOD_AUTOMATIC);
    f.page.Choose(Page::IDC_INTERFACE, 1);
    f.page.Click(Page::IDC_ENABLE_VPN);
    f.page.Store();

    NodeRef stored = f.Stored();
    EXPECT_EQ(stored.FindChild(u"kov:AccessPointName").Text(), u"apn.example");
    EXPECT_EQ(stored.FindChild(u"kov:Password").Text(), u"s3cret");
    EXPECT_EQ(stored.FindChild(u"kov:ModemCommand").Text(), wszCommands + u"AT+CSQ ");
    EXPECT_EQ(stored.FindChild(u"kov:ModemConfigMethod").Text(), u"Automatic");
    EXPECT_EQ(f.Attr(stored, u"kov:ModemInterfaceType"), u"AT+PPP");
    EXPECT_EQ(f.Attr(stored.FindChild(u"kov:Roaming"), u"kov:Enable"), u"False");
    // The modem's VPN flag goes beside the section, not into it.
    EXPECT_FALSE(stored.FindChild(u"kov:VPNParams"));
    EXPECT_EQ(f.Attr(stored.Parent().FindChild(u"kov:VPNParams"), u"kov:Enable"), u"False");

    // A document without the section still stores every item, empty texts as empty elements.
    ASSERT_FALSE(f.LoadText(WithoutSection()));
    f.holder.ChangeDocument().CreateRoot(u"kov:DeviceProgramParameters", kKovNamespaceUri);
    f.page.Store();
    stored = f.Stored();
    ASSERT_TRUE(stored.FindChild(u"kov:ModemDialString"));
    EXPECT_EQ(stored.FindChild(u"kov:ModemDialString").Text(), u"");
    EXPECT_EQ(stored.FindChild(u"kov:PPPAuthenticationType").Text(), u"None");
    EXPECT_EQ(f.Attr(stored, u"kov:ModemDiagnostics"), u"False");
    EXPECT_TRUE(f.host.Errors().empty());
}

} // namespace
} // namespace kov::test
