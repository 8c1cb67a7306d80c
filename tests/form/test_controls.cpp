#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "form/Dialog.h"
#include "form/ScriptedFormHost.h"

namespace kov {
namespace {

TEST(FormControls, EditTextsNumbersAndLogView)
{
    CForm form;
    CEdit& ed = form.AddEdit(1, u"Name:");
    // The number rules are the text number tests' subject; here, which form each reading uses.
    ed.SetText(u" 42abc");
    EXPECT_EQ(ed.GetInt(), 42);
    ed.SetText(u"-7");
    EXPECT_EQ(ed.GetUInt(), 0u);
    int iValue = 7;
    ed.SetText(u"12abc");
    EXPECT_FALSE(ed.TryGetInt(iValue));
    EXPECT_EQ(iValue, 7);
    ed.SetText(u"  -2147483648 ");
    EXPECT_TRUE(ed.TryGetInt(iValue));
    EXPECT_EQ(iValue, -2147483647 - 1);

    ed.SetText(u"\x01 a b\x1f\x20");
    EXPECT_EQ(ed.TrimmedText(), u"a b");

    // Typing is cut to the maximum length; a program's text is not.
    ed.SetMaxLength(4);
    EXPECT_TRUE(ed.UserSetText(u"abcdefg"));
    EXPECT_EQ(ed.Text(), u"abcd");
    ed.SetText(u"abcdefg");
    EXPECT_EQ(ed.Text(), u"abcdefg");

    CEdit& num = form.AddNumberEdit(2, u"Port:");
    num.SetRange(1, 100);
    EXPECT_TRUE(num.UserSetText(u""));
    EXPECT_FALSE(num.IsInRange());
    EXPECT_FALSE(num.UserSetText(u"99999999999999999999999"));
    EXPECT_TRUE(num.UserSetText(u"0") && !num.IsInRange());
    EXPECT_TRUE(num.UserSetText(u"100"));
    EXPECT_TRUE(num.IsInRange());
    EXPECT_FALSE(num.UserSetText(u"+5") || num.UserSetText(u" 5"));
    CEdit& wide = form.AddNumberEdit(3, u"Count:");
    EXPECT_TRUE(wide.UserSetText(u"4294967295") && wide.IsInRange());
    EXPECT_FALSE(wide.UserSetText(u"4294967296"));

    // Appending follows a caret at the end and leaves one the operator put elsewhere.
    CEdit& log = form.AddMultiLineEdit(1, {});
    log.Append(u"one\r\n");
    log.Append(u"two\r\n");
    EXPECT_EQ(log.Caret(), log.Text().size());
    EXPECT_TRUE(log.UserSetCaret(3));
    log.Append(u"+");
    EXPECT_EQ(log.Text(), u"one\r\ntwo\r\n+");
    EXPECT_EQ(log.LastInsertPos(), 10u);
    EXPECT_EQ(log.Caret(), 3u);
    log.SetCaret(1000);
    EXPECT_EQ(log.Caret(), log.Text().size());
}

TEST(FormControls, ComboEditTakesTypedTextAndChosenItems)
{
    CForm form;
    CComboEdit& combo = form.AddComboEdit(1, u"Stream Name:");
    std::vector<std::string> vCalls;
    combo.SetOnChange([&] { vCalls.push_back("change"); });
    combo.SetOnChoose([&](int iIndex) { vCalls.push_back("choose " + std::to_string(iIndex)); });
    combo.AddItem(u"RTSP");
    combo.AddItem(u"ONVIF");

    // Typing is an edit's typing; choosing puts the item's text in and tells both callbacks.
    EXPECT_TRUE(combo.UserSetText(u"My camera"));
    EXPECT_TRUE(form.Choose(1, 1));
    EXPECT_EQ(combo.Text(), u"ONVIF");
    EXPECT_EQ(vCalls, (std::vector<std::string>{"change", "change", "choose 1"}));

    EXPECT_FALSE(combo.UserChoose(2) || combo.UserChoose(-1));
    combo.SetEnabled(false);
    EXPECT_FALSE(combo.UserChoose(0));
    EXPECT_EQ(combo.Text(), u"ONVIF");
    EXPECT_EQ(vCalls.size(), 3u);
}

TEST(FormControls, AddressFieldParsesAndFormats)
{
    // The text forms themselves are the Ipv4 tests' subject; here, what the field keeps of them.
    CForm form;
    CIpAddressEdit& ip = form.AddIpAddress(1, u"Host Address:");
    EXPECT_TRUE(ip.SetText(u"10.1"));
    EXPECT_EQ(ip.Address(), 0x0A000001u);
    EXPECT_EQ(ip.Text(), u"10.0.0.1");
    for (const char16_t* wszRefused : {u"1.2.3.256", u"255.255.255.255", u""}) {
        ip.SetAddress(0x01010101);
        EXPECT_FALSE(ip.SetText(wszRefused));
        EXPECT_TRUE(ip.IsBlank() && ip.Address() == 0u && ip.Text().empty()) << int(wszRefused[0]);
    }
    ip.SetAddress(0);
    EXPECT_FALSE(ip.IsBlank());
    EXPECT_EQ(ip.Text(), u""); // 0.0.0.0 reads as no address
}

TEST(FormControls, SelectionsOfListsFollowTheirRows)
{
    CForm form;
    CDropDownList& list = form.AddDropDownList(1, u"Units:");
    list.AddItem(u"None", 0);
    list.AddItem(u"Hours", 1);
    list.AddItem(u"Days", 24);
    EXPECT_EQ(list.FindItemByData(5), -1);
    EXPECT_TRUE(list.SelectByData(24));
    EXPECT_EQ(list.SelectedData(), 24u);
    EXPECT_FALSE(list.SetSelection(3));
    EXPECT_EQ(list.SelectedData(99), 99u); // nothing selected: the default
    list.SetSelection(1);
    list.DeleteAllItems();
    EXPECT_EQ(list.Selection(), -1);

    CListView& view = form.AddListView(2);
    view.AddColumn(u"Address", 120);
    view.AddRow({u"a"}, 10);
    view.AddRow({u"b"}, 11);
    view.AddRow({u"c"}, 12);
    view.SetSelection(1);
    view.InsertRow(0, {u"first"}, 9);
    EXPECT_EQ(view.Selection(), 2); // still on "b"
    EXPECT_EQ(view.InsertRow(99, {u"last"}), 4);
    view.DeleteRow(0);
    EXPECT_EQ(view.Cell(view.Selection(), 0), u"b");
    view.DeleteRow(view.Selection());
    EXPECT_EQ(view.Selection(), -1);
    EXPECT_TRUE(view.SetCell(0, 2, u"x"));
    EXPECT_FALSE(view.SetCell(9, 0, u"x"));
    EXPECT_EQ(view.FindRowByData(12), 1);
    EXPECT_FALSE(view.DeleteRow(3));

    // Ticks: rows start unticked, the page sets them silently, the operator's tick runs the
    // callback with its row, and a list without boxes takes no tick.
    int iTicked = -1;
    view.SetOnRowChecked([&](int iRow) { iTicked = iRow; });
    EXPECT_FALSE(view.UserSetRowChecked(0, true));
    view.SetCheckBoxes(true);
    EXPECT_TRUE(view.SetRowChecked(1, true));
    EXPECT_EQ(iTicked, -1);
    EXPECT_TRUE(view.UserSetRowChecked(0, true));
    EXPECT_EQ(iTicked, 0);
    EXPECT_TRUE(view.IsRowChecked(0) && view.IsRowChecked(1));
    EXPECT_FALSE(view.UserSetRowChecked(5, true) || view.IsRowChecked(5));
    view.SetEnabled(false);
    EXPECT_FALSE(view.UserSetRowChecked(0, false));
    EXPECT_TRUE(view.IsRowChecked(0));

    CProgressBar& bar = form.AddProgressBar(3, u"Flash Write:");
    bar.SetPos(150);
    EXPECT_EQ(bar.Pos(), 100);
    bar.SetRange(0, 10);
    EXPECT_EQ(bar.Pos(), 10);
}

TEST(FormControls, MultiSelectionListsKeepOneFlagPerRow)
{
    CForm form;
    int nChanges = 0;
    CListView& view = form.AddListView(1).SetMultiSelection(true);
    view.SetOnChange([&] { ++nChanges; });
    for (const char16_t* wsz : {u"1", u"2", u"3", u"4"})
        view.AddRow({wsz});
    EXPECT_TRUE(view.UserSelectRows({3, 1}));
    EXPECT_EQ(view.SelectedRows(), (std::vector<int>{1, 3}));
    EXPECT_EQ(nChanges, 1);

    // Flags move with their rows; the lowest follows.
    view.InsertRow(0, {u"0"});
    EXPECT_EQ(view.SelectedRows(), (std::vector<int>{2, 4}));
    view.DeleteRow(2);
    EXPECT_EQ(view.SelectedRows(), (std::vector<int>{3}));
    EXPECT_EQ(view.Selection(), 3);
    view.SetRowSelected(0, true);
    view.SetRowSelected(3, false);
    EXPECT_EQ(view.SelectedRows(), (std::vector<int>{0}));
    // A plain click selects one row alone.
    view.SetRowSelected(2, true);
    EXPECT_TRUE(view.UserSelect(1));
    EXPECT_EQ(view.SelectedRows(), (std::vector<int>{1}));
    EXPECT_EQ(nChanges, 2);

    // Refused: a row that does not exist, a disabled list.
    EXPECT_FALSE(view.UserSelectRows({0, 9}));
    view.SetEnabled(false);
    EXPECT_FALSE(view.UserSelectRows({0}));
    EXPECT_EQ(view.SelectedRows(), (std::vector<int>{1}));
    EXPECT_EQ(nChanges, 2);

    // A single-selection list takes at most one row; leaving multi-selection clears the flags.
    view.SetEnabled(true);
    view.SetMultiSelection(false);
    EXPECT_TRUE(view.SelectedRows().empty());
    EXPECT_FALSE(view.UserSelectRows({0, 1}));
    EXPECT_TRUE(view.UserSelectRows({2}));
    view.SetRowSelected(0, true);
    EXPECT_EQ(view.SelectedRows(), (std::vector<int>{0}));
}

TEST(FormHost, ScriptedHostReportsWhatDidNotGoAsScripted)
{
    CScriptedFormHost host;
    CForm form;
    form.SetHost(&host);
    CDialog dlg(u"Password Request");
    dlg.AddPasswordEdit(5, u"Password:");
    dlg.AddOkCancel();

    EXPECT_EQ(form.RunDialog(dlg), EDlgResult::Cancel); // no script
    host.ExpectDialog(u"Other", [](CDialog& d) { d.PressOk(); });
    EXPECT_EQ(form.RunDialog(dlg), EDlgResult::Cancel);              // wrong dialog
    host.ExpectDialog({}, [](CDialog& d) { d.Type(5, u"secret"); }); // never closed
    EXPECT_EQ(form.RunDialog(dlg), EDlgResult::Cancel);
    EXPECT_EQ(dlg.TextOf(5), u"secret");
    EXPECT_EQ(form.MessageBox(u"Are you sure ?", u"Factory Settings", EMsgButtons::YesNo), EDlgResult::No);
    host.QueueAnswer(EDlgResult::Ok);
    EXPECT_EQ(form.MessageBox(u"Delete?", u"X", EMsgButtons::YesNo), EDlgResult::No);
    EXPECT_EQ(host.Errors().size(), 5u);

    host.ClearRecords();
    host.ExpectDialog(u"Password Request", [](CDialog& d) {
        EXPECT_FALSE(d.Click(3)); // no such control
        d.Click(kIdOk);
        d.Click(kIdOk); // closed already
    });
    EXPECT_EQ(form.RunDialog(dlg), EDlgResult::Ok);
    EXPECT_EQ(form.MessageBox(u"Console disabled.", u"Disable Console"), EDlgResult::Ok);
    EXPECT_TRUE(host.Errors().empty());

    // Without a host nothing is shown and the answers are the negative ones.
    CForm alone;
    EXPECT_EQ(alone.MessageBox(u"q", u"c", EMsgButtons::OkCancel), EDlgResult::Cancel);
    EXPECT_EQ(alone.RunDialog(dlg), EDlgResult::Cancel);
    EXPECT_FALSE(alone.OpenFileDialog({}).has_value());
}

TEST(FormHost, FileDialogsAndFilters)
{
    CScriptedFormHost host;
    CForm form;
    form.SetHost(&host);
    SFileDialogOptions options;
    options.wszFilter = u"Programming files|*.ldr;*.tgz;*.gz|LDR files (*.ldr)|*.ldr|";
    options.wszInitialPath = u"/tmp/old.tgz";
    host.QueueFile(u"/tmp/new.ldr");
    host.QueueFile(std::nullopt);
    EXPECT_EQ(form.OpenFileDialog(options), std::optional<std::u16string>(u"/tmp/new.ldr"));
    EXPECT_FALSE(form.SaveFileDialog(options).has_value());
    ASSERT_EQ(host.FileDialogs().size(), 2u);
    EXPECT_FALSE(host.FileDialogs()[0].bSave);
    EXPECT_TRUE(host.FileDialogs()[1].bSave);

    std::vector<SFileFilter> vFilters = ParseFileFilters(options.wszFilter);
    ASSERT_EQ(vFilters.size(), 2u);
    EXPECT_EQ(vFilters[0].wszDescription, u"Programming files");
    EXPECT_EQ(vFilters[0].vPatterns, (std::vector<std::u16string>{u"*.ldr", u"*.tgz", u"*.gz"}));
    EXPECT_EQ(vFilters[1].vPatterns, (std::vector<std::u16string>{u"*.ldr"}));
    EXPECT_TRUE(ParseFileFilters(u"Only a description|").empty());
}

} // namespace
} // namespace kov
