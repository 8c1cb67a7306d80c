// The Qt adapter, tested once for every kind of control and for dialogs and message boxes,
// on forms written the way pages are.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QTest>
#include <QTextCursor>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "../form/SamplePage.h"
#include "WhenModal.h"
#include "form/ScriptedFormHost.h"
#include "sections/Ethernet.h"
#include "sections/PortForwarding.h"
#include "sections/ServerConnections.h"
#include "ui/qt/FormHost.h"
#include "ui/qt/FormView.h"
#include "ui/qt/QtText.h"

namespace kov {
namespace {

enum : int {
    IDC_LABEL = 1,
    IDC_NAME,
    IDC_COUNT,
    IDC_SECRET,
    IDC_NOTES,
    IDC_ADDRESS,
    IDC_ENABLE,
    IDC_MODE_A,
    IDC_MODE_B,
    IDC_KIND,
    IDC_ROWS,
    IDC_GO,
    IDC_PROGRESS,
    IDC_GROUP,
};

// One control of every kind, counting the callbacks each one runs.
class CEveryKindPage : public CPage {
public:
    CEveryKindPage() : CPage(u"Every Kind")
    {
        AddLabel(IDC_LABEL, u"All controls:");
        BeginGroup(IDC_GROUP, u"Fields");
        AddEdit(IDC_NAME, u"Name:").SetOnChange([this] { ++nChanges; });
        AddNumberEdit(IDC_COUNT, u"Count:").SetRange(0, 500).SetOnChange([this] { ++nChanges; });
        AddPasswordEdit(IDC_SECRET, u"Secret:");
        AddIpAddress(IDC_ADDRESS, u"Address:").SetOnChange([this] { ++nChanges; });
        End();
        AddMultiLineEdit(IDC_NOTES, u"Notes:").SetOnChange([this] { ++nChanges; });
        AddCheckBox(IDC_ENABLE, u"Enable").SetOnClick([this] { ++nClicks; });
        BeginRow();
        AddRadioButton(IDC_MODE_A, u"Mode A", 1).SetOnClick([this] { ++nClicks; });
        AddRadioButton(IDC_MODE_B, u"Mode B", 1).SetOnClick([this] { ++nClicks; });
        End();
        AddDropDownList(IDC_KIND, u"Kind:").SetOnChange([this] { ++nChanges; });
        AddListView(IDC_ROWS, u"Rows:").SetOnChange([this] { ++nChanges; });
        Find<CListView>(IDC_ROWS)->SetOnDoubleClick([this](int iRow) { iDoubleClicked = iRow; });
        AddButton(IDC_GO, u"Go").SetOnClick([this] { ++nClicks; });
        AddProgressBar(IDC_PROGRESS, u"Progress:");
    }
    bool Load() override { return true; }
    void Store() override {}

    int nChanges = 0;
    int nClicks = 0;
    int iDoubleClicked = -1;
};

template <class T> T* WidgetAs(const CQtFormView& view, int iId)
{
    return qobject_cast<T*>(view.WidgetOf(iId));
}

TEST(QtFormView, CreatesAWidgetPerControlAndShowsEveryModelChangeWithoutRunningCallbacks)
{
    CEveryKindPage page;
    CQtFormView view(page);
    // The other kinds are taken by their widget class below.
    EXPECT_TRUE(WidgetAs<QLabel>(view, IDC_LABEL));
    EXPECT_EQ(WidgetAs<QLineEdit>(view, IDC_SECRET)->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(WidgetAs<QPushButton>(view, IDC_GO));
    ASSERT_TRUE(WidgetAs<QGroupBox>(view, IDC_GROUP));
    EXPECT_EQ(WidgetAs<QGroupBox>(view, IDC_GROUP)->title(), "Fields");
    EXPECT_TRUE(WidgetAs<QGroupBox>(view, IDC_GROUP)->isAncestorOf(view.WidgetOf(IDC_NAME)));
    ASSERT_TRUE(view.SideLabelOf(*page.FindControl(IDC_NAME)));
    EXPECT_EQ(view.SideLabelOf(*page.FindControl(IDC_NAME))->text(), "Name:");
    EXPECT_EQ(WidgetAs<QCheckBox>(view, IDC_ENABLE)->text(), "Enable");
    EXPECT_EQ(view.SideLabelOf(*page.FindControl(IDC_ENABLE)), nullptr);
    EXPECT_TRUE(view.FillsHeight());

    page.Find<CEdit>(IDC_NAME)->SetText(u"Unit 7");
    page.Find<CIpAddressEdit>(IDC_ADDRESS)->SetAddress(0x0A000102);
    page.Find<CCheckBox>(IDC_ENABLE)->SetChecked(true);
    page.CheckRadio(1, IDC_MODE_B);
    CDropDownList& rKind = *page.Find<CDropDownList>(IDC_KIND);
    rKind.AddItem(u"Any", 0);
    rKind.AddItem(u"TCP", 1);
    rKind.SelectByData(1);
    CListView& rRows = *page.Find<CListView>(IDC_ROWS);
    rRows.AddColumn(u"Name", 80);
    rRows.AddColumn(u"Port", 40);
    rRows.AddRow({u"first", u"80"});
    rRows.AddRow({u"second", u"443"});
    rRows.SetSelection(1);
    page.Find<CProgressBar>(IDC_PROGRESS)->SetRange(0, 10);
    page.Find<CProgressBar>(IDC_PROGRESS)->SetPos(4);
    CEdit& rNotes = *page.Find<CEdit>(IDC_NOTES);
    rNotes.Append(u"one\r\n");
    rNotes.Append(u"two\r\n");

    EXPECT_EQ(WidgetAs<QLineEdit>(view, IDC_NAME)->text(), "Unit 7");
    EXPECT_EQ(WidgetAs<QLineEdit>(view, IDC_ADDRESS)->text(), "10.0.1.2");
    EXPECT_TRUE(WidgetAs<QCheckBox>(view, IDC_ENABLE)->isChecked());
    EXPECT_TRUE(WidgetAs<QRadioButton>(view, IDC_MODE_B)->isChecked());
    EXPECT_EQ(WidgetAs<QComboBox>(view, IDC_KIND)->currentText(), "TCP");
    QTableWidget* pTable = WidgetAs<QTableWidget>(view, IDC_ROWS);
    ASSERT_EQ(pTable->rowCount(), 2);
    EXPECT_EQ(pTable->horizontalHeaderItem(1)->text(), "Port");
    EXPECT_EQ(pTable->item(1, 1)->text(), "443");
    ASSERT_EQ(pTable->selectedRanges().size(), 1);
    EXPECT_EQ(pTable->selectedRanges().first().topRow(), 1);
    EXPECT_EQ(WidgetAs<QProgressBar>(view, IDC_PROGRESS)->value(), 4);
    EXPECT_EQ(WidgetAs<QPlainTextEdit>(view, IDC_NOTES)->toPlainText(), "one\ntwo\n");

    rRows.DeleteRow(0);
    EXPECT_EQ(pTable->rowCount(), 1);
    EXPECT_EQ(pTable->selectedRanges().first().topRow(), 0);
    page.Find<CIpAddressEdit>(IDC_ADDRESS)->Clear();
    EXPECT_TRUE(WidgetAs<QLineEdit>(view, IDC_ADDRESS)->text().isEmpty());
    EXPECT_EQ(page.nChanges + page.nClicks, 0);
}

TEST(QtFormView, SamplePageStateFollowsTheModelAndMessagesGoThroughTheFormsHost)
{
    test::SSampleRecord record;
    record.vEntries = {{u"Server 1", u"a.example"}};
    test::CSamplePage page(record);
    CScriptedFormHost scripted;
    page.SetHost(&scripted);
    CQtFormView view(page);
    page.Initialise();
    page.Load();
    EXPECT_EQ(view.WidgetOf(test::IDC_ADDRESS)->toolTip(),
              "IP address of the server, using either numbers or domain names.");
    EXPECT_EQ(view.SideLabelOf(*page.FindControl(test::IDC_ADDRESS))->toolTip(),
              view.WidgetOf(test::IDC_ADDRESS)->toolTip());

    page.Enable(true);
    EXPECT_TRUE(view.WidgetOf(test::IDC_PORT)->isEnabled());
    EXPECT_FALSE(view.WidgetOf(test::IDC_ADDRESS)->isEnabled()); // "No server" is chosen
    EXPECT_TRUE(WidgetAs<QLineEdit>(view, test::IDC_STATUS)->isReadOnly());

    QTest::mouseClick(view.WidgetOf(test::IDC_CHANGE), Qt::LeftButton);
    EXPECT_EQ(scripted.LastMessage().wszText, u"Please select connection from list");
    WidgetAs<QTableWidget>(view, test::IDC_LIST)->selectRow(0);
    scripted.QueueAnswer(EDlgResult::Yes);
    QTest::mouseClick(view.WidgetOf(test::IDC_DELETE), Qt::LeftButton);
    EXPECT_EQ(scripted.LastMessage().wszCaption, u"Delete Server 1");
    EXPECT_EQ(WidgetAs<QTableWidget>(view, test::IDC_LIST)->rowCount(), 0);
    EXPECT_TRUE(scripted.Errors().empty());

    page.Enable(false);
    EXPECT_FALSE(view.WidgetOf(test::IDC_PORT)->isEnabled());
    page.FindControl(test::IDC_PORT)->SetVisible(false);
    EXPECT_TRUE(view.WidgetOf(test::IDC_PORT)->isHidden());
    EXPECT_TRUE(view.SideLabelOf(*page.FindControl(test::IDC_PORT))->isHidden());
    page.FindControl(test::IDC_PORT)->SetCaption(u"Server port:");
    EXPECT_EQ(view.SideLabelOf(*page.FindControl(test::IDC_PORT))->text(), "Server port:");
}

TEST(QtFormView, OperatorEditsReachTheModelOnceAndRefusedOnesAreUndone)
{
    CEveryKindPage page;
    CQtFormView view(page);
    page.Find<CDropDownList>(IDC_KIND)->AddItem(u"Any");
    page.Find<CDropDownList>(IDC_KIND)->AddItem(u"TCP");
    CListView& rRows = *page.Find<CListView>(IDC_ROWS);
    rRows.AddColumn(u"Name", 80);
    rRows.AddRow({u"first"});
    rRows.AddRow({u"second"});
    view.resize(600, 700);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    QTest::keyClicks(view.WidgetOf(IDC_NAME), "Abc");
    EXPECT_EQ(page.TextOf(IDC_NAME), u"Abc");
    EXPECT_EQ(page.nChanges, 3);

    // Above the range: the model refuses, and the field shows what the model holds.
    QTest::keyClicks(view.WidgetOf(IDC_COUNT), "50");
    QTest::keyClicks(view.WidgetOf(IDC_COUNT), "1");
    EXPECT_EQ(page.TextOf(IDC_COUNT), u"50");
    EXPECT_EQ(WidgetAs<QLineEdit>(view, IDC_COUNT)->text(), "50");

    QTest::keyClicks(view.WidgetOf(IDC_ADDRESS), "192.168.1.20");
    EXPECT_EQ(page.Find<CIpAddressEdit>(IDC_ADDRESS)->Address(), 0xC0A80114u);

    QTest::keyClicks(view.WidgetOf(IDC_NOTES), "a");
    QTest::keyClick(view.WidgetOf(IDC_NOTES), Qt::Key_Return);
    QTest::keyClicks(view.WidgetOf(IDC_NOTES), "b");
    EXPECT_EQ(page.TextOf(IDC_NOTES), u"a\r\nb");

    page.nChanges = 0;
    QTest::mouseClick(view.WidgetOf(IDC_ENABLE), Qt::LeftButton);
    EXPECT_TRUE(page.IsChecked(IDC_ENABLE));
    QTest::mouseClick(view.WidgetOf(IDC_MODE_A), Qt::LeftButton);
    QTest::mouseClick(view.WidgetOf(IDC_MODE_B), Qt::LeftButton);
    QTest::mouseClick(view.WidgetOf(IDC_MODE_B), Qt::LeftButton); // a checked radio stays checked
    EXPECT_EQ(page.CheckedRadio(1), IDC_MODE_B);
    EXPECT_FALSE(WidgetAs<QRadioButton>(view, IDC_MODE_A)->isChecked());
    EXPECT_TRUE(WidgetAs<QRadioButton>(view, IDC_MODE_B)->isChecked());
    QTest::mouseClick(view.WidgetOf(IDC_GO), Qt::LeftButton);
    EXPECT_EQ(page.nClicks, 5);

    emit WidgetAs<QComboBox>(view, IDC_KIND)->activated(1);
    EXPECT_EQ(page.SelectionOf(IDC_KIND), 1);
    WidgetAs<QTableWidget>(view, IDC_ROWS)->selectRow(1);
    EXPECT_EQ(page.SelectionOf(IDC_ROWS), 1);
    emit WidgetAs<QTableWidget>(view, IDC_ROWS)->cellDoubleClicked(0, 0);
    EXPECT_EQ(page.iDoubleClicked, 0);
    EXPECT_EQ(page.SelectionOf(IDC_ROWS), 0);
    EXPECT_EQ(page.nChanges, 3); // one per action; the double click's selection is one of them

    // A disabled control takes nothing.
    page.FindControl(IDC_NAME)->SetEnabled(false);
    QTest::keyClicks(view.WidgetOf(IDC_NAME), "x");
    EXPECT_EQ(page.TextOf(IDC_NAME), u"Abc");
}

TEST(QtFormView, ComboEditShowsItsItemsAndTakesTypingAndChoices)
{
    struct CComboPage : CPage {
        bool Load() override { return true; }
        void Store() override {}
    } page;
    CComboEdit& rCombo = page.AddComboEdit(IDC_NAME, u"Stream Name:");
    int nChanges = 0;
    int iChosen = -1;
    rCombo.SetOnChange([&] { ++nChanges; });
    rCombo.SetOnChoose([&](int iIndex) { iChosen = iIndex; });
    rCombo.AddItem(u"RTSP");
    rCombo.AddItem(u"ONVIF");
    rCombo.SetText(u"Gate");
    CQtFormView view(page);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    auto* pCombo = WidgetAs<QComboBox>(view, IDC_NAME);
    ASSERT_TRUE(pCombo && pCombo->isEditable());
    EXPECT_EQ(pCombo->currentText(), "Gate");

    QTest::keyClicks(pCombo->lineEdit(), "s");
    EXPECT_EQ(rCombo.Text(), u"Gates");
    EXPECT_EQ(nChanges, 1);
    emit pCombo->activated(1);
    EXPECT_EQ(rCombo.Text(), u"ONVIF");
    EXPECT_EQ(iChosen, 1);
    // A text set by the page shows, and new items keep it.
    rCombo.SetText(u"rtsp://camera");
    rCombo.AddItem(u"HLS");
    EXPECT_EQ(pCombo->currentText(), "rtsp://camera");
    EXPECT_EQ(pCombo->count(), 3);
    EXPECT_EQ(nChanges, 2);
}

TEST(QtFormView, CheckBoxListsAndUnlabelledEditsWorkFromTheKeyboard)
{
    CForm page(u"Ticks");
    CListView& rList = page.AddListView(IDC_ROWS);
    rList.SetCheckBoxes(true).AddColumn(u"Name", 150);
    rList.AddRow({u"GSM"});
    rList.AddRow({u"LTE"});
    std::vector<int> vTicked;
    rList.SetOnRowChecked([&](int iRow) { vTicked.push_back(iRow); });
    CEdit& rNotes = page.AddMultiLineEdit(IDC_NOTES, {});
    rNotes.SetAccessibleName(u"Certificate");
    page.AddButton(IDC_GO, u"Go");
    CQtFormView view(page);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    QTableWidget* pTable = WidgetAs<QTableWidget>(view, IDC_ROWS);
    rList.SetRowChecked(1, true);
    EXPECT_EQ(pTable->item(1, 0)->checkState(), Qt::Checked);
    EXPECT_EQ(pTable->item(0, 0)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(vTicked.empty());
    // Space ticks the current row.
    pTable->setFocus();
    pTable->setCurrentCell(0, 0);
    QTest::keyClick(pTable, Qt::Key_Space);
    EXPECT_TRUE(rList.IsRowChecked(0));
    EXPECT_EQ(vTicked, std::vector<int>{0});

    // The edit is named although it has no label, and Tab leaves it instead of typing.
    QWidget* pNotes = view.WidgetOf(IDC_NOTES);
    EXPECT_EQ(pNotes->accessibleName(), "Certificate");
    pNotes->setFocus();
    QTest::keyClick(pNotes, Qt::Key_Tab);
    EXPECT_EQ(rNotes.Text(), u"");
    EXPECT_EQ(QApplication::focusWidget(), view.WidgetOf(IDC_GO));
}

TEST(QtFormView, MultiSelectionListBoxTogglesRowsBothWays)
{
    CForm form;
    form.BeginGroup(IDC_GROUP, u"Associated Video");
    CListView& rList = form.AddListView(IDC_ROWS).SetMultiSelection(true);
    form.End();
    CEdit& rCount = form.AddNumberEdit(IDC_COUNT, u"Count:");
    rList.AddColumn({}, 60);
    for (const char16_t* wsz : {u"1", u"2", u"3"})
        rList.AddRow({wsz});
    int nChanges = 0;
    rList.SetOnChange([&] { ++nChanges; });
    CQtFormView view(form);
    view.resize(300, 400);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    // A list without headers is a list box named by its group.
    QTableWidget* pTable = WidgetAs<QTableWidget>(view, IDC_ROWS);
    EXPECT_TRUE(pTable->horizontalHeader()->isHidden());
    EXPECT_EQ(pTable->accessibleName(), "Associated Video");

    const auto click = [pTable](int iRow) {
        QTest::mouseClick(pTable->viewport(), Qt::LeftButton, {},
                          pTable->visualRect(pTable->model()->index(iRow, 0)).center());
    };
    click(0);
    click(2);
    EXPECT_EQ(rList.SelectedRows(), (std::vector<int>{0, 2}));
    click(0);
    EXPECT_EQ(rList.SelectedRows(), (std::vector<int>{2}));
    EXPECT_EQ(nChanges, 3);

    rList.SetRowSelected(1, true);
    EXPECT_EQ(pTable->selectionModel()->selectedRows().size(), 2);
    EXPECT_TRUE(pTable->selectionModel()->isRowSelected(1, {}));
    EXPECT_EQ(nChanges, 3);

    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    rCount.RequestFocus();
    EXPECT_TRUE(view.WidgetOf(IDC_COUNT)->hasFocus());
}

TEST(QtFormView, AStatusLongerThanItsFieldIsReadFromItsStart)
{
    CForm form;
    CEdit& rStatus = form.AddEdit(IDC_NAME, u"Status:").SetReadOnly(true);
    CQtFormView view(form);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    rStatus.SetText(
        u"Connected to server 10.20.30.40 over TCP, secure, since 12:00:05, sending video and audio");
    auto* pStatus = qobject_cast<QLineEdit*>(view.WidgetOf(rStatus));
    ASSERT_TRUE(pStatus);
    EXPECT_EQ(pStatus->cursorPosition(), 0);
}

TEST(QtFormView, AppendedLinesGoAtTheEndAndTheViewFollowsThemOnlyFromThere)
{
    CForm form(u"Log");
    CEdit& rLog = form.AddMultiLineEdit(IDC_NOTES, {});
    CQtFormView view(form);
    view.resize(400, 200);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    auto* pEdit = WidgetAs<QPlainTextEdit>(view, IDC_NOTES);
    rLog.Append(u"first\r\nlast\r\n");

    // A click into an earlier line, then a device line: it goes after the others.
    QTextCursor startOfLast(pEdit->document());
    startOfLast.setPosition(6);
    QTest::mouseClick(pEdit->viewport(), Qt::LeftButton, {}, pEdit->cursorRect(startOfLast).center());
    ASSERT_EQ(pEdit->textCursor().position(), 6);
    rLog.Append(u"next\r\n");
    EXPECT_EQ(pEdit->toPlainText(), "first\nlast\nnext\n");
    EXPECT_EQ(pEdit->textCursor().position(), 6);

    // A selection stays through new lines and copies.
    QTest::keyClick(pEdit, Qt::Key_End, Qt::ShiftModifier);
    rLog.Append(u"more\r\n");
    EXPECT_EQ(pEdit->textCursor().selectedText(), "last");
    QTest::keyClick(pEdit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "last");

    // The view follows the end until the operator scrolls up, and again once they are back.
    const auto fnAppend = [&rLog](int nLines) {
        for (int i = 0; i < nLines; ++i)
            rLog.Append(u"device line\r\n");
    };
    fnAppend(100);
    QScrollBar* pBar = pEdit->verticalScrollBar();
    ASSERT_GT(pBar->maximum(), 0);
    EXPECT_EQ(pBar->value(), pBar->maximum());
    pBar->triggerAction(QAbstractSlider::SliderPageStepSub);
    const int iReading = pBar->value();
    ASSERT_LT(iReading, pBar->maximum());
    fnAppend(20);
    EXPECT_EQ(pBar->value(), iReading);
    pBar->triggerAction(QAbstractSlider::SliderToMaximum);
    fnAppend(20);
    EXPECT_EQ(pBar->value(), pBar->maximum());
    EXPECT_EQ(pEdit->textCursor().selectedText(), "last");
}

TEST(QtFormHost, ADialogThatRefusesOkStaysOpenWithItsMessage)
{
    CQtFormHost host;
    test::SEntry entry{u"", u""};
    test::CEntryDlg dialog(entry);
    QString qsMessage;
    QString qsCaption;
    bool bStillOpenAfterRefusal = false;
    test::WhenModal([&](QWidget* pDialog) {
        EXPECT_EQ(pDialog->windowTitle(), "Server Connection Settings");
        test::WhenModal([&](QWidget* pBox) {
            auto* pMessage = qobject_cast<QMessageBox*>(pBox);
            ASSERT_TRUE(pMessage);
            qsMessage = pMessage->text();
            qsCaption = pMessage->windowTitle();
            pMessage->button(QMessageBox::Ok)->click();
            QTimer::singleShot(0, [&, pDialog] {
                bStillOpenAfterRefusal = pDialog->isVisible();
                auto vEdits = pDialog->findChildren<QLineEdit*>();
                ASSERT_EQ(vEdits.size(), 2);
                QTest::keyClicks(vEdits[0], "Main");
                QTest::keyClicks(vEdits[1], "10.0.0.1");
                QTest::keyClick(vEdits[1], Qt::Key_Return); // Enter is OK
            });
        });
        for (QPushButton* pButton : pDialog->findChildren<QPushButton*>()) {
            if (pButton->text() == "OK") {
                pButton->click();
            }
        }
    });
    EXPECT_EQ(host.RunModal(dialog), EDlgResult::Ok);
    EXPECT_EQ(qsMessage, "Empty name");
    EXPECT_EQ(qsCaption, "Set Server Parameters");
    EXPECT_TRUE(bStillOpenAfterRefusal);
    EXPECT_EQ(entry.wszName, u"Main");
    EXPECT_EQ(entry.wszAddress, u"10.0.0.1");
    EXPECT_FALSE(dialog.IsOpen());
}

TEST(QtFormHost, EscapeCancelsAndMessageBoxesAnswerWithTheirButtons)
{
    CQtFormHost host;
    test::SEntry entry{u"Old", u"1.2.3.4"};
    test::CEntryDlg dialog(entry);
    test::WhenModal([](QWidget* pDialog) { QTest::keyClick(pDialog, Qt::Key_Escape); });
    EXPECT_EQ(host.RunModal(dialog), EDlgResult::Cancel);
    EXPECT_EQ(entry.wszName, u"Old");

    QString qsButtons;
    test::WhenModal([&](QWidget* pBox) {
        auto* pMessage = qobject_cast<QMessageBox*>(pBox);
        ASSERT_TRUE(pMessage);
        for (QAbstractButton* pButton : pMessage->buttons()) {
            qsButtons += pMessage->standardButton(pButton) == QMessageBox::Yes ? "Y" : "N";
        }
        EXPECT_EQ(pMessage->windowTitle(), "Delete Server 1");
        EXPECT_EQ(pMessage->text(), "Are you sure?");
        // The caption names the entry: the box leaves room for it in a bold title beside the
        // title bar's buttons, though its text is short.
        QFont titleFont = pMessage->font();
        titleFont.setBold(true);
        const QFontMetrics title(titleFont);
        EXPECT_GE(pMessage->width(), title.horizontalAdvance(pMessage->windowTitle()) + 3 * title.height());
        pMessage->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(host.MessageBox(u"Are you sure?", u"Delete Server 1", EMsgButtons::YesNo, EMsgIcon::Question),
              EDlgResult::No);
    EXPECT_EQ(qsButtons.size(), 2);
    test::WhenModal([](QWidget* pBox) { QTest::keyClick(pBox, Qt::Key_Escape); });
    EXPECT_EQ(host.MessageBox(u"Sure?", u"Question", EMsgButtons::OkCancel, EMsgIcon::None),
              EDlgResult::Cancel);
}

TEST(QtFormHost, ListDialogsOpenWideEnoughForEveryTitleAndTheirColumnsGrowWithThem)
{
    CQtFormHost host;
    MultipleConnectionParameters connections;
    CMultipleConnectionsDlg connectionsDlg(connections, {});
    std::vector<StaticNetworkConfiguration> vNetworks;
    CMultipleNetworkParamsDlg networksDlg(vNetworks);
    std::vector<ForwardingRule> vRules;
    CIPForwardingRulesListDlg rulesDlg(vRules);
    for (CDialog* pDialog : std::initializer_list<CDialog*>{&connectionsDlg, &networksDlg, &rulesDlg}) {
        bool bSeen = false;
        test::WhenModal([&](QWidget* pWindow) {
            bSeen = true;
            auto* pTable = pWindow->findChild<QTableWidget*>();
            ASSERT_TRUE(pTable);
            const QHeaderView* pHeader = pTable->horizontalHeader();
            const int iMargins = 2 * pHeader->style()->pixelMetric(QStyle::PM_HeaderMargin);
            std::vector<int> vBefore;
            for (int i = 0; i < pTable->columnCount(); ++i) {
                const QString qsTitle = pTable->horizontalHeaderItem(i)->text();
                EXPECT_GE(pHeader->sectionSize(i),
                          pHeader->fontMetrics().horizontalAdvance(qsTitle) + iMargins)
                    << qsTitle.toStdString();
                vBefore.push_back(pHeader->sectionSize(i));
            }
            // The columns fill the list, and a wider dialog widens every one of them.
            EXPECT_EQ(pHeader->length(), pTable->viewport()->width());
            pWindow->resize(pWindow->width() + 300, pWindow->height());
            QCoreApplication::processEvents();
            for (int i = 0; i < pTable->columnCount(); ++i)
                EXPECT_GT(pHeader->sectionSize(i), vBefore[size_t(i)]) << i;
            EXPECT_EQ(pHeader->length(), pTable->viewport()->width());
            qobject_cast<QDialog*>(pWindow)->reject();
        });
        host.RunModal(*pDialog);
        EXPECT_TRUE(bSeen) << ToQString(pDialog->Title()).toStdString();
    }
}

TEST(QtFormHost, AModelessWindowLivesBesideItsOwnerUntilItsFormGoes)
{
    QWidget owner;
    owner.show();
    CQtFormHost host(&owner);
    auto pForm = std::make_unique<CForm>(u"File Writing Test");
    CButton& rStop = pForm->AddButton(IDC_GO, u"Stop");
    int nStops = 0;
    rStop.SetOnClick([&] { ++nStops; });

    pForm->SetHost(&host);
    pForm->ShowWindow();
    QPointer<QWidget> pWindow = host.ModelessWindowOf(*pForm);
    ASSERT_NE(pWindow, nullptr);
    EXPECT_TRUE(pForm->IsWindowShown());
    EXPECT_TRUE(pWindow->isWindow() && !pWindow->isModal());
    EXPECT_EQ(pWindow->windowTitle(), QStringLiteral("File Writing Test"));
    QTest::mouseClick(pWindow->findChild<QPushButton*>(), Qt::LeftButton);
    EXPECT_EQ(nStops, 1);

    pWindow->close(); // the close button hides; the form and its window live on
    EXPECT_FALSE(pForm->IsWindowShown());
    pForm->ShowWindow();
    EXPECT_EQ(host.ModelessWindowOf(*pForm), pWindow.data());
    EXPECT_TRUE(pWindow->isVisible());

    pForm.reset(); // the owner lets the form go: its window goes too
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(pWindow, nullptr);
}

TEST(QtText, FileFiltersAndMultiLinePositions)
{
    EXPECT_EQ(QtNameFilters(u"MDC files (*.mdc)|*.mdc|XML Files (*.xml)|*.xml|All Files (*.*)|*.*|"),
              QStringList({"MDC files (*.mdc) (*.mdc)", "XML Files (*.xml) (*.xml)", "All Files (*.*) (*)"}));
    EXPECT_EQ(QtNameFilters(u"Program files|*.tgz;*.gz;*.ldr|"),
              QStringList({"Program files (*.tgz *.gz *.ldr)"}));

    const std::u16string wszModel = u"ab\r\ncd\r\n";
    EXPECT_EQ(MultiLineWidgetPos(wszModel, 4), 3);
    EXPECT_EQ(MultiLineModelPos(wszModel, 3), 4u);
    EXPECT_EQ(MultiLineModelPos(wszModel, 99), wszModel.size());
    EXPECT_EQ(MultiLineModelText("x\ny"), u"x\r\ny");
    EXPECT_EQ(FromQString(ToQString(u"\u00e9\u4e2d")), u"\u00e9\u4e2d");
}

} // namespace
} // namespace kov
