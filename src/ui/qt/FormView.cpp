#include "ui/qt/FormView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpacerItem>
#include <QStyle>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "form/Page.h"
#include "support/Ipv4.h"
#include "ui/qt/QtText.h"

namespace kov {

namespace {

bool IsFieldKind(EControlKind eKind)
{
    switch (eKind) {
    case EControlKind::Edit:
    case EControlKind::ComboEdit:
    case EControlKind::NumberEdit:
    case EControlKind::PasswordEdit:
    case EControlKind::IpAddress:
    case EControlKind::DropDownList:
    case EControlKind::ProgressBar: return true;
    default: return false;
    }
}

bool FillsHeightKind(EControlKind eKind)
{
    return eKind == EControlKind::ListView || eKind == EControlKind::MultiLineEdit;
}

// Width of a field in average characters, so that forms line up and stay readable.
int FieldChars(EControlKind eKind)
{
    switch (eKind) {
    case EControlKind::NumberEdit: return 12;
    case EControlKind::IpAddress: return 16;
    case EControlKind::DropDownList: return 20;
    default: return 32;
    }
}

// What the operator has typed into an address field: blank, a whole address, or not yet one.
struct SAddressInput {
    bool bBlank = false;
    bool bComplete = false;
    std::uint32_t dwAddress = 0; // missing parts count as 0, parts above 255 as 255
};

SAddressInput ReadAddressInput(const QString& qsText)
{
    SAddressInput input;
    const QString qsTrimmed = qsText.trimmed();
    if (qsTrimmed.isEmpty()) {
        input.bBlank = true;
        return input;
    }
    const QStringList vParts = qsTrimmed.split(u'.');
    int nFilled = 0;
    for (int i = 0; i < 4; ++i) {
        std::uint32_t dwPart = 0;
        if (i < vParts.size() && !vParts[i].isEmpty()) {
            dwPart = std::min(255u, vParts[i].toUInt());
            ++nFilled;
        }
        input.dwAddress = input.dwAddress << 8 | dwPart;
    }
    input.bComplete = nFilled == 4 && vParts.size() == 4;
    return input;
}

QString AddressDisplayText(const CIpAddressEdit& rAddress)
{
    return rAddress.IsBlank() ? QString() : ToQString(Ipv4ToText(rAddress.Address()));
}

int ScaledPixels(const QWidget* pWidget, int iPixels)
{
    // Widths in the model are pixels of a 96 dpi screen.
    return iPixels * pWidget->logicalDpiX() / 96;
}

// A multi-line edit that asks for room for a certificate line or a long command, so that a
// dialog holding one opens wide enough; it can still be made smaller.
//
// Text appended by the program (the log's device lines) goes at the end, whatever the operator
// clicked or selected. The view follows the end while the operator leaves it there; scrolled
// up, it stays where they are reading.
class CWideTextEdit final : public QPlainTextEdit {
public:
    QSize sizeHint() const override
    {
        QSize size = QPlainTextEdit::sizeHint();
        size.setWidth(std::max(size.width(), fontMetrics().averageCharWidth() * 80));
        return size;
    }

    void AppendText(const QString& qsText)
    {
        QScrollBar* pBar = verticalScrollBar();
        const int iTop = pBar->value();
        const bool bAtEnd = IsAtEnd();
        QTextCursor cursor(document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(qsText);
        m_bAppended = true;
        pBar->setValue(bAtEnd ? pBar->maximum() : iTop);
    }

protected:
    void resizeEvent(QResizeEvent* pEvent) override
    {
        const bool bAtEnd = IsAtEnd();
        QPlainTextEdit::resizeEvent(pEvent);
        // A new height changes the scroll range; a log read at its end stays there.
        if (bAtEnd && m_bAppended) {
            verticalScrollBar()->setValue(verticalScrollBar()->maximum());
        }
    }

private:
    bool IsAtEnd() const { return verticalScrollBar()->value() >= verticalScrollBar()->maximum(); }

    bool m_bAppended = false;
};

// A list view whose columns use the width it has: each column gets at least its declared width
// (and room for its title), the spare width is shared among them in proportion, and the last
// one takes what is left. It asks for the width of all its columns, so that a dialog holding
// one opens wide enough to show every title.
class CListTable final : public QTableWidget {
public:
    void SetColumnWidths(std::vector<int> vWidths)
    {
        m_vWidths = std::move(vWidths);
        FitColumns();
        updateGeometry();
    }

    QSize sizeHint() const override
    {
        QSize size = QTableWidget::sizeHint();
        int iWidth = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
        for (int iColumn : m_vWidths) {
            iWidth += iColumn;
        }
        size.setWidth(std::max(size.width(), iWidth));
        return size;
    }

protected:
    void resizeEvent(QResizeEvent* pEvent) override
    {
        QTableWidget::resizeEvent(pEvent);
        FitColumns();
    }

private:
    void FitColumns()
    {
        if (static_cast<int>(m_vWidths.size()) != columnCount()) {
            return;
        }
        long long llTotal = 0;
        for (int iColumn : m_vWidths) {
            llTotal += iColumn;
        }
        const long long llRoom = viewport()->width();
        for (int i = 0; i < columnCount(); ++i) {
            const long long llWidth = m_vWidths[static_cast<std::size_t>(i)];
            setColumnWidth(i, static_cast<int>(llRoom > llTotal ? llWidth * llRoom / llTotal : llWidth));
        }
    }

    std::vector<int> m_vWidths;
};

} // namespace

// ---- Multi-line text forms

QString MultiLineDisplayText(std::u16string_view wszModel)
{
    QString qs;
    qs.reserve(static_cast<qsizetype>(wszModel.size()));
    for (std::size_t i = 0; i < wszModel.size(); ++i) {
        if (wszModel[i] == u'\r') {
            if (i + 1 < wszModel.size() && wszModel[i + 1] == u'\n') {
                ++i;
            }
            qs += u'\n';
        } else {
            qs += QChar(wszModel[i]);
        }
    }
    return qs;
}

std::u16string MultiLineModelText(const QString& qsDisplay)
{
    std::u16string wsz;
    wsz.reserve(static_cast<std::size_t>(qsDisplay.size()));
    for (QChar c : qsDisplay) {
        if (c == u'\n' || c == QChar::ParagraphSeparator) {
            wsz += u"\r\n";
        } else {
            wsz += static_cast<char16_t>(c.unicode());
        }
    }
    return wsz;
}

int MultiLineWidgetPos(std::u16string_view wszModel, std::size_t nModelPos)
{
    int iPos = 0;
    for (std::size_t i = 0; i < wszModel.size() && i < nModelPos; ++i) {
        if (wszModel[i] == u'\r' && i + 1 < wszModel.size() && wszModel[i + 1] == u'\n') {
            ++i;
        }
        ++iPos;
    }
    return iPos;
}

std::size_t MultiLineModelPos(std::u16string_view wszModel, int iWidgetPos)
{
    std::size_t i = 0;
    for (int iPos = 0; i < wszModel.size() && iPos < iWidgetPos; ++iPos) {
        i += wszModel[i] == u'\r' && i + 1 < wszModel.size() && wszModel[i + 1] == u'\n' ? 2 : 1;
    }
    return i;
}

// ---- Building

CQtFormView::CQtFormView(CForm& rForm, QWidget* pParent) : QWidget(pParent), m_rForm(rForm)
{
    bool bFills = false;
    QGridLayout* pLayout = BuildColumn(rForm.Layout(), false, bFills);
    if (!bFills) {
        // Keep the controls at the top; the spare room goes below them.
        pLayout->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                         pLayout->rowCount(), 0);
        pLayout->setRowStretch(pLayout->rowCount() - 1, 1);
    }
    m_bFillsHeight = bFills;
    setLayout(pLayout);
    for (const auto& [pControl, binding] : m_bindings) {
        ShowAll(binding);
    }
    m_rForm.SetObserver(this);
}

CQtFormView::~CQtFormView()
{
    Detach();
}

void CQtFormView::Detach()
{
    if (!m_bDetached && m_rForm.Observer() == this) {
        m_rForm.SetObserver(nullptr);
    }
    m_bDetached = true;
}

QGridLayout* CQtFormView::BuildColumn(const SLayoutNode& node, bool bNested, bool& rbFills)
{
    auto* pGrid = new QGridLayout;
    if (bNested) {
        pGrid->setContentsMargins(0, 0, 0, 0);
    } else {
        // Fields keep their width; the spare width goes to an empty last column.
        pGrid->setColumnStretch(2, 1);
    }
    const int iLastColumn = bNested ? 1 : 2;
    int iRow = 0;
    for (const SLayoutNode& child : node.vChildren) {
        bool bChildFills = false;
        switch (child.eKind) {
        case ELayout::Control: {
            CControl& rControl = *child.pControl;
            QWidget* pWidget = CreateWidget(rControl);
            bChildFills = FillsHeightKind(rControl.Kind());
            if (rControl.CaptionIsSideLabel() && !rControl.Caption().empty()) {
                QLabel* pLabel = CreateSideLabel(rControl, pWidget);
                pGrid->addWidget(pLabel, iRow, 0,
                                 bChildFills ? Qt::AlignLeft | Qt::AlignTop
                                             : Qt::AlignLeft | Qt::AlignVCenter);
                pGrid->addWidget(pWidget, iRow, 1, 1, bChildFills ? iLastColumn : 1);
            } else if (rControl.CaptionIsSideLabel()) {
                // A field without a label of its own, framed by a group, is named by the group.
                if (node.eKind == ELayout::Group && node.pControl != nullptr) {
                    pWidget->setAccessibleName(ToQString(node.pControl->Caption()));
                }
                pGrid->addWidget(pWidget, iRow, 0, 1, bChildFills ? iLastColumn + 1 : 2);
            } else if (bNested) {
                // Buttons stacked beside a list share one width.
                pGrid->addWidget(pWidget, iRow, 0, 1, 2);
            } else {
                pGrid->addWidget(pWidget, iRow, 0, 1, iLastColumn + 1, Qt::AlignLeft);
            }
            break;
        }
        case ELayout::Group:
            pGrid->addWidget(BuildGroup(child, bChildFills), iRow, 0, 1, iLastColumn + 1);
            break;
        case ELayout::Row: pGrid->addLayout(BuildRow(child, bChildFills), iRow, 0, 1, iLastColumn + 1); break;
        case ELayout::Column:
            pGrid->addLayout(BuildColumn(child, true, bChildFills), iRow, 0, 1, iLastColumn + 1);
            break;
        case ELayout::Stretch:
            pGrid->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), iRow, 0);
            bChildFills = true;
            break;
        }
        if (bChildFills) {
            pGrid->setRowStretch(iRow, 1);
            rbFills = rbFills || child.eKind != ELayout::Stretch;
        }
        ++iRow;
    }
    return pGrid;
}

QHBoxLayout* CQtFormView::BuildRow(const SLayoutNode& node, bool& rbFills)
{
    auto* pRow = new QHBoxLayout;
    pRow->setContentsMargins(0, 0, 0, 0);
    bool bWidens = false; // something in the row takes the spare width
    for (const SLayoutNode& child : node.vChildren) {
        bool bChildFills = false;
        switch (child.eKind) {
        case ELayout::Control: {
            CControl& rControl = *child.pControl;
            QWidget* pWidget = CreateWidget(rControl);
            bChildFills = FillsHeightKind(rControl.Kind());
            if (rControl.CaptionIsSideLabel() && !rControl.Caption().empty()) {
                pRow->addWidget(CreateSideLabel(rControl, pWidget), 0,
                                bChildFills ? Qt::AlignTop : Qt::Alignment());
            }
            pRow->addWidget(pWidget, bChildFills ? 1 : 0);
            bWidens = bWidens || bChildFills;
            break;
        }
        case ELayout::Group:
            pRow->addWidget(BuildGroup(child, bChildFills), 1);
            bWidens = true;
            break;
        case ELayout::Row: pRow->addLayout(BuildRow(child, bChildFills)); break;
        case ELayout::Column: pRow->addLayout(BuildColumn(child, true, bChildFills)); break;
        case ELayout::Stretch:
            pRow->addStretch(1);
            bWidens = true;
            break;
        }
        rbFills = rbFills || bChildFills;
    }
    if (!bWidens) {
        pRow->addStretch(1);
    }
    return pRow;
}

QWidget* CQtFormView::BuildGroup(const SLayoutNode& node, bool& rbFills)
{
    CControl& rControl = *node.pControl;
    auto* pGroup = new QGroupBox(ToQString(rControl.Caption()));
    m_bindings[&rControl] = SBinding{&rControl, pGroup, nullptr};
    pGroup->setLayout(BuildColumn(node, false, rbFills));
    return pGroup;
}

QLabel* CQtFormView::CreateSideLabel(CControl& rControl, QWidget* pBuddy)
{
    auto* pLabel = new QLabel(ToQString(rControl.Caption()));
    pLabel->setBuddy(pBuddy);
    m_bindings[&rControl].pLabel = pLabel;
    return pLabel;
}

QWidget* CQtFormView::CreateWidget(CControl& rControl)
{
    QWidget* pWidget = nullptr;
    const QString qsCaption = ToQString(rControl.Caption());
    switch (rControl.Kind()) {
    case EControlKind::Label: {
        auto* pLabel = new QLabel(qsCaption);
        pLabel->setTextFormat(Qt::PlainText);
        pWidget = pLabel;
        break;
    }
    case EControlKind::Edit:
    case EControlKind::PasswordEdit:
    case EControlKind::NumberEdit:
    case EControlKind::IpAddress: {
        auto* pEdit = new QLineEdit;
        if (rControl.Kind() == EControlKind::PasswordEdit) {
            pEdit->setEchoMode(QLineEdit::Password);
        } else if (rControl.Kind() == EControlKind::NumberEdit) {
            pEdit->setValidator(
                new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), pEdit));
            pEdit->setInputMethodHints(Qt::ImhDigitsOnly);
        } else if (rControl.Kind() == EControlKind::IpAddress) {
            pEdit->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[0-9]{0,3}(\\.[0-9]{0,3}){0,3}")), pEdit));
        }
        pWidget = pEdit;
        break;
    }
    case EControlKind::MultiLineEdit: {
        auto* pEdit = new CWideTextEdit;
        pEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
        pEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        pEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        pEdit->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        // Tab leaves the field, so a form with a multi-line edit stays usable from the keyboard.
        pEdit->setTabChangesFocus(true);
        pWidget = pEdit;
        break;
    }
    case EControlKind::CheckBox: pWidget = new QCheckBox(qsCaption); break;
    case EControlKind::RadioButton: {
        // The model keeps radio groups exclusive by their group numbers.
        auto* pRadio = new QRadioButton(qsCaption);
        pRadio->setAutoExclusive(false);
        pWidget = pRadio;
        break;
    }
    case EControlKind::DropDownList:
        pWidget = new QComboBox;
        static_cast<QComboBox*>(pWidget)->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        break;
    case EControlKind::ComboEdit: {
        auto* pCombo = new QComboBox;
        pCombo->setEditable(true);
        // The model holds the text; the items are only offered.
        pCombo->setInsertPolicy(QComboBox::NoInsert);
        pCombo->setCompleter(nullptr);
        pWidget = pCombo;
        break;
    }
    case EControlKind::ListView: {
        auto* pTable = new CListTable;
        pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
        pTable->setSelectionMode(QAbstractItemView::SingleSelection);
        pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
        pTable->setShowGrid(true);
        pTable->setWordWrap(false);
        pTable->verticalHeader()->setVisible(false);
        pTable->verticalHeader()->setDefaultSectionSize(pTable->fontMetrics().height() + 6);
        pTable->horizontalHeader()->setHighlightSections(false);
        pTable->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        pTable->horizontalHeader()->setStretchLastSection(true);
        pTable->setMinimumHeight(pTable->fontMetrics().height() * 8);
        pWidget = pTable;
        break;
    }
    case EControlKind::Button: {
        auto* pButton = new QPushButton(qsCaption);
        pButton->setAutoDefault(false);
        pWidget = pButton;
        break;
    }
    case EControlKind::ProgressBar: {
        auto* pBar = new QProgressBar;
        pBar->setTextVisible(false);
        pWidget = pBar;
        break;
    }
    case EControlKind::GroupBox: pWidget = new QGroupBox(qsCaption); break;
    }
    if (IsFieldKind(rControl.Kind())) {
        pWidget->setMinimumWidth(pWidget->fontMetrics().averageCharWidth() * FieldChars(rControl.Kind()));
    }
    if (!rControl.AccessibleName().empty()) {
        pWidget->setAccessibleName(ToQString(rControl.AccessibleName()));
    }
    m_bindings[&rControl] = SBinding{&rControl, pWidget, nullptr};
    Connect(rControl, pWidget);
    return pWidget;
}

// ---- Operator actions

template <class Fn> void CQtFormView::User(CControl& rControl, Fn&& fn)
{
    if (m_bDetached) {
        return; // the form is gone, or shown by another view
    }
    // The action may run a dialog whose loop closes this view; then nothing is touched after.
    QPointer<CQtFormView> pAlive(this);
    fn();
    if (pAlive && !m_bDetached) {
        auto it = m_bindings.find(&rControl);
        if (it != m_bindings.end()) {
            ShowAll(it->second);
        }
    }
}

void CQtFormView::Connect(CControl& rControl, QWidget* pWidget)
{
    CControl* pControl = &rControl;
    switch (rControl.Kind()) {
    case EControlKind::Edit:
    case EControlKind::PasswordEdit:
    case EControlKind::NumberEdit: {
        auto* pEdit = static_cast<QLineEdit*>(pWidget);
        connect(pEdit, &QLineEdit::textEdited, this, [this, pControl](const QString& qsText) {
            User(*pControl, [&] { static_cast<CEdit*>(pControl)->UserSetText(FromQString(qsText)); });
        });
        break;
    }
    case EControlKind::IpAddress: {
        auto* pEdit = static_cast<QLineEdit*>(pWidget);
        auto* pAddress = static_cast<CIpAddressEdit*>(pControl);
        // A whole address (or an emptied field) counts at once; a partial one when the operator
        // leaves the field, its missing parts as 0.
        connect(pEdit, &QLineEdit::textEdited, this, [this, pAddress](const QString& qsText) {
            SAddressInput input = ReadAddressInput(qsText);
            if (input.bBlank) {
                pAddress->UserSetAddress(std::nullopt);
            } else if (input.bComplete) {
                pAddress->UserSetAddress(input.dwAddress);
            }
        });
        connect(pEdit, &QLineEdit::editingFinished, this, [this, pEdit, pAddress] {
            SAddressInput input = ReadAddressInput(pEdit->text());
            User(*pAddress, [&] {
                if (input.bBlank) {
                    pAddress->UserSetAddress(std::nullopt);
                } else if (input.dwAddress != pAddress->Address() || pAddress->IsBlank()) {
                    pAddress->UserSetAddress(input.dwAddress);
                }
            });
        });
        break;
    }
    case EControlKind::MultiLineEdit: {
        auto* pEdit = static_cast<QPlainTextEdit*>(pWidget);
        auto* pModel = static_cast<CEdit*>(pControl);
        connect(pEdit, &QPlainTextEdit::textChanged, this, [this, pEdit, pModel] {
            User(*pModel, [&] {
                if (pModel->UserSetText(MultiLineModelText(pEdit->toPlainText()))) {
                    pModel->UserSetCaret(MultiLineModelPos(pModel->Text(), pEdit->textCursor().position()));
                }
            });
        });
        connect(pEdit, &QPlainTextEdit::cursorPositionChanged, this, [pEdit, pModel] {
            // The model keeps the caret where the operator left it, so showing it again keeps it.
            pModel->UserSetCaret(MultiLineModelPos(pModel->Text(), pEdit->textCursor().position()));
        });
        break;
    }
    case EControlKind::CheckBox:
        connect(static_cast<QCheckBox*>(pWidget), &QCheckBox::clicked, this, [this, pControl] {
            User(*pControl, [&] { static_cast<CCheckBox*>(pControl)->UserClick(); });
        });
        break;
    case EControlKind::RadioButton:
        connect(static_cast<QRadioButton*>(pWidget), &QRadioButton::clicked, this, [this, pControl] {
            User(*pControl, [&] { static_cast<CRadioButton*>(pControl)->UserClick(); });
        });
        break;
    case EControlKind::Button:
        connect(static_cast<QPushButton*>(pWidget), &QPushButton::clicked, this,
                [this, pControl] { User(*pControl, [&] { static_cast<CButton*>(pControl)->UserClick(); }); });
        break;
    case EControlKind::DropDownList:
        connect(static_cast<QComboBox*>(pWidget), &QComboBox::activated, this, [this, pControl](int iIndex) {
            User(*pControl, [&] { static_cast<CDropDownList*>(pControl)->UserSelect(iIndex); });
        });
        break;
    case EControlKind::ComboEdit: {
        auto* pCombo = static_cast<QComboBox*>(pWidget);
        auto* pModel = static_cast<CComboEdit*>(pControl);
        connect(pCombo->lineEdit(), &QLineEdit::textEdited, this, [this, pModel](const QString& qsText) {
            User(*pModel, [&] { pModel->UserSetText(FromQString(qsText)); });
        });
        connect(pCombo, &QComboBox::activated, this,
                [this, pModel](int iIndex) { User(*pModel, [&] { pModel->UserChoose(iIndex); }); });
        break;
    }
    case EControlKind::ListView: {
        auto* pTable = static_cast<QTableWidget*>(pWidget);
        auto* pList = static_cast<CListView*>(pControl);
        connect(pTable, &QTableWidget::itemSelectionChanged, this, [this, pTable, pList] {
            if (pList->IsMultiSelection()) {
                std::vector<int> vRows;
                for (const QModelIndex& index : pTable->selectionModel()->selectedRows()) {
                    vRows.push_back(index.row());
                }
                std::sort(vRows.begin(), vRows.end());
                if (vRows != pList->SelectedRows()) {
                    User(*pList, [&] { pList->UserSelectRows(vRows); });
                }
                return;
            }
            const QList<QTableWidgetSelectionRange> vRanges = pTable->selectedRanges();
            const int iRow = vRanges.isEmpty() ? -1 : vRanges.first().topRow();
            if (iRow != pList->Selection()) {
                User(*pList, [&] { pList->UserSelect(iRow); });
            }
        });
        connect(pTable, &QTableWidget::cellDoubleClicked, this,
                [this, pList](int iRow, int) { User(*pList, [&] { pList->UserDoubleClick(iRow); }); });
        connect(pTable, &QTableWidget::itemChanged, this, [this, pList](QTableWidgetItem* pItem) {
            const bool bChecked = pItem->checkState() == Qt::Checked;
            if (pList->HasCheckBoxes() && pItem->column() == 0 &&
                bChecked != pList->IsRowChecked(pItem->row())) {
                User(*pList, [&] { pList->UserSetRowChecked(pItem->row(), bChecked); });
            }
        });
        break;
    }
    case EControlKind::Label:
    case EControlKind::ProgressBar:
    case EControlKind::GroupBox: break;
    }
}

// ---- Showing the model

QWidget* CQtFormView::WidgetOf(const CControl& rControl) const
{
    auto it = m_bindings.find(&rControl);
    return it == m_bindings.end() ? nullptr : it->second.pWidget;
}

QWidget* CQtFormView::WidgetOf(int iId) const
{
    CControl* pControl = m_rForm.FindControl(iId);
    return pControl != nullptr ? WidgetOf(*pControl) : nullptr;
}

QLabel* CQtFormView::SideLabelOf(const CControl& rControl) const
{
    auto it = m_bindings.find(&rControl);
    return it == m_bindings.end() ? nullptr : it->second.pLabel;
}

void CQtFormView::OnControlChanged(CControl& rControl, EChange eChange)
{
    auto it = m_bindings.find(&rControl);
    if (it != m_bindings.end()) {
        Show(it->second, eChange);
    }
}

void CQtFormView::OnFormChanged(CForm& rForm, EFormChange eChange)
{
    switch (eChange) {
    case EFormChange::Title:
        if (m_fnTitleChanged) {
            m_fnTitleChanged(ToQString(rForm.Title()));
        }
        break;
    case EFormChange::MessagePosted:
        // Delivered later, from the event loop, as a posted window message is.
        if (auto* pPage = dynamic_cast<CPage*>(&rForm)) {
            QMetaObject::invokeMethod(
                this, [pPage] { pPage->DispatchPostedMessages(); }, Qt::QueuedConnection);
        }
        break;
    case EFormChange::DialogEnded:
        if (m_fnDialogEnded) {
            m_fnDialogEnded();
        }
        break;
    case EFormChange::Destroyed:
        Detach();
        if (m_fnFormDestroyed) {
            m_fnFormDestroyed();
        }
        break;
    }
}

void CQtFormView::Show(const SBinding& binding, EChange eChange)
{
    CControl& rControl = *binding.pControl;
    QWidget* pWidget = binding.pWidget;
    const QSignalBlocker blocker(pWidget);
    switch (eChange) {
    case EChange::Caption: {
        const QString qsCaption = ToQString(rControl.Caption());
        if (binding.pLabel != nullptr) {
            binding.pLabel->setText(qsCaption);
        } else if (auto* pLabel = qobject_cast<QLabel*>(pWidget)) {
            pLabel->setText(qsCaption);
        } else if (auto* pButton = qobject_cast<QAbstractButton*>(pWidget)) {
            pButton->setText(qsCaption);
        } else if (auto* pGroup = qobject_cast<QGroupBox*>(pWidget)) {
            pGroup->setTitle(qsCaption);
        }
        break;
    }
    case EChange::ToolTip:
        pWidget->setToolTip(ToQString(rControl.ToolTip()));
        if (binding.pLabel != nullptr) {
            binding.pLabel->setToolTip(ToQString(rControl.ToolTip()));
        }
        break;
    case EChange::Enabled:
        // A group box only frames its controls; they keep their own state.
        if (rControl.Kind() != EControlKind::GroupBox) {
            pWidget->setEnabled(rControl.IsEnabled());
        }
        break;
    case EChange::Visible:
        pWidget->setVisible(rControl.IsVisible());
        if (binding.pLabel != nullptr) {
            binding.pLabel->setVisible(rControl.IsVisible());
        }
        break;
    case EChange::Value: ShowValue(binding); break;
    case EChange::Inserted: ShowInserted(binding); break;
    case EChange::Items: ShowItems(binding); break;
    case EChange::Selection: ShowSelection(binding); break;
    case EChange::Range: ShowRange(binding); break;
    case EChange::Focus: pWidget->setFocus(Qt::OtherFocusReason); break;
    }
}

void CQtFormView::ShowAll(const SBinding& binding)
{
    constexpr std::array kAspects = {EChange::Range,   EChange::Items,   EChange::Value,  EChange::Selection,
                                     EChange::Caption, EChange::ToolTip, EChange::Enabled};
    for (EChange eChange : kAspects) {
        Show(binding, eChange);
    }
    // Widgets start visible; only a hidden control needs telling, so that showing a form
    // early does not show its controls on their own.
    if (!binding.pControl->IsVisible() || binding.pWidget->isHidden()) {
        Show(binding, EChange::Visible);
    }
}

void CQtFormView::ShowValue(const SBinding& binding)
{
    CControl& rControl = *binding.pControl;
    switch (rControl.Kind()) {
    case EControlKind::Edit:
    case EControlKind::PasswordEdit:
    case EControlKind::NumberEdit: {
        auto* pEdit = static_cast<QLineEdit*>(binding.pWidget);
        const QString qsText = ToQString(static_cast<CEdit&>(rControl).Text());
        if (pEdit->text() != qsText) {
            pEdit->setText(qsText);
            // A text the program sets is read from its start, as a status line longer than
            // the field is.
            pEdit->setCursorPosition(0);
        }
        break;
    }
    case EControlKind::ComboEdit: {
        auto* pCombo = static_cast<QComboBox*>(binding.pWidget);
        const QString qsText = ToQString(static_cast<CEdit&>(rControl).Text());
        if (pCombo->currentText() != qsText) {
            pCombo->setEditText(qsText);
        }
        break;
    }
    case EControlKind::IpAddress: {
        auto* pEdit = static_cast<QLineEdit*>(binding.pWidget);
        auto& rAddress = static_cast<CIpAddressEdit&>(rControl);
        // The operator's way of writing the same address (leading zeros, a part being typed)
        // is left alone.
        const SAddressInput input = ReadAddressInput(pEdit->text());
        const bool bSame =
            rAddress.IsBlank() ? input.bBlank : input.bComplete && input.dwAddress == rAddress.Address();
        if (!bSame) {
            pEdit->setText(AddressDisplayText(rAddress));
        }
        break;
    }
    case EControlKind::MultiLineEdit: {
        auto* pEdit = static_cast<QPlainTextEdit*>(binding.pWidget);
        auto& rEdit = static_cast<CEdit&>(rControl);
        const QString qsText = MultiLineDisplayText(rEdit.Text());
        if (pEdit->toPlainText() != qsText) {
            pEdit->setPlainText(qsText);
            ShowSelection(binding);
        }
        break;
    }
    case EControlKind::CheckBox:
        static_cast<QCheckBox*>(binding.pWidget)->setChecked(static_cast<CCheckBox&>(rControl).IsChecked());
        break;
    case EControlKind::RadioButton:
        static_cast<QRadioButton*>(binding.pWidget)
            ->setChecked(static_cast<CRadioButton&>(rControl).IsChecked());
        break;
    case EControlKind::ProgressBar:
        static_cast<QProgressBar*>(binding.pWidget)->setValue(static_cast<CProgressBar&>(rControl).Pos());
        break;
    default: break;
    }
}

void CQtFormView::ShowInserted(const SBinding& binding)
{
    auto* pEdit = dynamic_cast<CWideTextEdit*>(binding.pWidget);
    auto* pModel = dynamic_cast<CEdit*>(binding.pControl);
    if (pEdit == nullptr || pModel == nullptr) {
        ShowValue(binding);
        return;
    }
    const std::u16string& wszText = pModel->Text();
    const std::size_t nPos = pModel->LastInsertPos();
    const std::size_t nLength = pModel->LastInsertLength();
    if (nPos + nLength != wszText.size()) {
        ShowValue(binding);
        return;
    }
    // Only the new text is laid out: a long log is not walked again for every line.
    pEdit->AppendText(MultiLineDisplayText(std::u16string_view(wszText).substr(nPos, nLength)));
}

void CQtFormView::ShowItems(const SBinding& binding)
{
    CControl& rControl = *binding.pControl;
    if (rControl.Kind() == EControlKind::DropDownList) {
        auto* pCombo = static_cast<QComboBox*>(binding.pWidget);
        auto& rList = static_cast<CDropDownList&>(rControl);
        pCombo->clear();
        for (const SDropDownItem& item : rList.Items()) {
            pCombo->addItem(ToQString(item.wszText));
        }
        pCombo->setCurrentIndex(rList.Selection());
    } else if (rControl.Kind() == EControlKind::ComboEdit) {
        auto* pCombo = static_cast<QComboBox*>(binding.pWidget);
        auto& rCombo = static_cast<CComboEdit&>(rControl);
        pCombo->clear();
        for (const std::u16string& wszItem : rCombo.Items()) {
            pCombo->addItem(ToQString(wszItem));
        }
        pCombo->setEditText(ToQString(rCombo.Text()));
    } else if (rControl.Kind() == EControlKind::ListView) {
        auto* pTable = static_cast<CListTable*>(binding.pWidget);
        auto& rList = static_cast<CListView&>(rControl);
        const int nColumns = static_cast<int>(rList.Columns().size());
        if (pTable->columnCount() != nColumns) {
            pTable->setColumnCount(nColumns);
        }
        QStringList vHeaders;
        std::vector<int> vWidths;
        // A title is never cut: its text and the header's padding on both sides.
        const QFontMetrics headerMetrics = pTable->horizontalHeader()->fontMetrics();
        const int iPadding =
            2 * pTable->style()->pixelMetric(QStyle::PM_HeaderMargin) + headerMetrics.height();
        for (int i = 0; i < nColumns; ++i) {
            const SListColumn& column = rList.Columns()[static_cast<std::size_t>(i)];
            const QString qsHeader = ToQString(column.wszHeader);
            vHeaders << qsHeader;
            vWidths.push_back(
                std::max(ScaledPixels(pTable, column.iWidth),
                         qsHeader.isEmpty() ? 0 : headerMetrics.horizontalAdvance(qsHeader) + iPadding));
        }
        pTable->setHorizontalHeaderLabels(vHeaders);
        pTable->SetColumnWidths(std::move(vWidths));
        // Without headers the list is a plain list box.
        const bool bHeaders =
            std::any_of(rList.Columns().begin(), rList.Columns().end(),
                        [](const SListColumn& column) { return !column.wszHeader.empty(); });
        pTable->horizontalHeader()->setVisible(bHeaders);
        pTable->setShowGrid(bHeaders);
        pTable->setRowCount(rList.RowCount());
        for (int iRow = 0; iRow < rList.RowCount(); ++iRow) {
            for (int iColumn = 0; iColumn < nColumns; ++iColumn) {
                const QString qsCell = ToQString(rList.Cell(iRow, iColumn));
                QTableWidgetItem* pItem = pTable->item(iRow, iColumn);
                if (pItem == nullptr) {
                    pItem = new QTableWidgetItem(qsCell);
                    pTable->setItem(iRow, iColumn, pItem);
                } else if (pItem->text() != qsCell) {
                    pItem->setText(qsCell);
                }
                if (iColumn == 0 && rList.HasCheckBoxes()) {
                    pItem->setFlags(pItem->flags() | Qt::ItemIsUserCheckable);
                    pItem->setCheckState(rList.IsRowChecked(iRow) ? Qt::Checked : Qt::Unchecked);
                }
            }
        }
        ShowSelection(binding);
    }
}

void CQtFormView::ShowSelection(const SBinding& binding)
{
    CControl& rControl = *binding.pControl;
    switch (rControl.Kind()) {
    case EControlKind::DropDownList: {
        auto* pCombo = static_cast<QComboBox*>(binding.pWidget);
        pCombo->setCurrentIndex(static_cast<CDropDownList&>(rControl).Selection());
        break;
    }
    case EControlKind::ListView: {
        auto* pTable = static_cast<QTableWidget*>(binding.pWidget);
        auto& rList = static_cast<CListView&>(rControl);
        const int iRow = rList.Selection();
        if (rList.IsMultiSelection()) {
            QItemSelection selection;
            for (int iSelected : rList.SelectedRows()) {
                const QModelIndex index = pTable->model()->index(iSelected, 0);
                selection.select(index, index);
            }
            pTable->selectionModel()->select(selection,
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        } else if (iRow < 0) {
            pTable->clearSelection();
        } else {
            pTable->selectRow(iRow);
            pTable->scrollToItem(pTable->item(iRow, 0));
        }
        break;
    }
    case EControlKind::MultiLineEdit: {
        auto* pEdit = static_cast<QPlainTextEdit*>(binding.pWidget);
        auto& rEdit = static_cast<CEdit&>(rControl);
        const int iPos = MultiLineWidgetPos(rEdit.Text(), rEdit.Caret());
        QTextCursor cursor = pEdit->textCursor();
        // The model has a caret, not a selection: a selection the operator is making ends at
        // the caret and stays.
        if (cursor.position() != iPos) {
            cursor.setPosition(std::min(iPos, pEdit->document()->characterCount() - 1));
            pEdit->setTextCursor(cursor);
        }
        break;
    }
    default: break;
    }
}

void CQtFormView::ShowRange(const SBinding& binding)
{
    CControl& rControl = *binding.pControl;
    switch (rControl.Kind()) {
    case EControlKind::Edit:
    case EControlKind::ComboEdit:
    case EControlKind::PasswordEdit:
    case EControlKind::NumberEdit: {
        auto* pEdit = rControl.Kind() == EControlKind::ComboEdit
                          ? static_cast<QComboBox*>(binding.pWidget)->lineEdit()
                          : static_cast<QLineEdit*>(binding.pWidget);
        auto& rEdit = static_cast<CEdit&>(rControl);
        if (pEdit->isReadOnly() != rEdit.IsReadOnly()) {
            pEdit->setReadOnly(rEdit.IsReadOnly());
            // A field the operator cannot change looks like the window behind it.
            QPalette palette = QApplication::palette(pEdit);
            if (rEdit.IsReadOnly()) {
                palette.setColor(QPalette::Base, palette.color(QPalette::Window));
            }
            pEdit->setPalette(palette);
        }
        // The model cuts typed text to its limit; the widget then stops at the same place.
        constexpr std::size_t kWidgetLimit = 32767;
        const int iMaxLength = static_cast<int>(
            rEdit.MaxLength() == 0 ? kWidgetLimit : std::min(rEdit.MaxLength(), kWidgetLimit));
        // Setting the limit sets the text again, which moves the cursor to the end and forgets
        // the field's undo steps: only a new limit is set.
        if (pEdit->maxLength() != iMaxLength) {
            pEdit->setMaxLength(iMaxLength);
        }
        break;
    }
    case EControlKind::MultiLineEdit:
        static_cast<QPlainTextEdit*>(binding.pWidget)
            ->setReadOnly(static_cast<CEdit&>(rControl).IsReadOnly());
        break;
    case EControlKind::ListView:
        // A click toggles one row of a multi-selection list, as the space bar does.
        static_cast<QTableWidget*>(binding.pWidget)
            ->setSelectionMode(static_cast<CListView&>(rControl).IsMultiSelection()
                                   ? QAbstractItemView::MultiSelection
                                   : QAbstractItemView::SingleSelection);
        break;
    case EControlKind::ProgressBar: {
        auto& rBar = static_cast<CProgressBar&>(rControl);
        auto* pBar = static_cast<QProgressBar*>(binding.pWidget);
        pBar->setRange(rBar.Min(), rBar.Max());
        pBar->setValue(rBar.Pos());
        break;
    }
    default: break;
    }
}

} // namespace kov
