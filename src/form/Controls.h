#pragma once
// The controls of the form model: plain state (text, items, selection, flags) plus callbacks.
//
// Notification rule, the same for every control:
// - Set…/Add…/Delete… are what page code calls. They change the state, tell the form's observer
//   (the renderer) and never run the control's change or click callback.
// - User… are the operator's actions, performed by the renderer and by tests. They are refused
//   (false, nothing changes) when the control is disabled, hidden or read-only, or when its form
//   takes no input (a dialog that is not open). Otherwise they change the state, tell the
//   observer, and always run the control's callback, even when the value stays the same.
// - A callback that, directly or indirectly, performs another user action on the same control
//   changes the state but does not run the callback a second time, so handlers cannot recurse.
// A page that wants its handler to run after setting a value itself calls the handler.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kov {

class CForm;

enum class EControlKind {
    Label,
    Edit,
    ComboEdit,
    NumberEdit,
    PasswordEdit,
    MultiLineEdit,
    IpAddress,
    CheckBox,
    RadioButton,
    DropDownList,
    ListView,
    Button,
    ProgressBar,
    GroupBox,
};

// What changed, told to the form's observer so that a renderer updates only that aspect.
enum class EChange {
    Caption,
    ToolTip,
    Enabled,
    Visible,
    Value,    // text, check state, address, progress position
    Inserted, // text appended to a multi-line edit (see CEdit::LastInsert)
    Items,    // drop-down items, list columns or rows
    Selection,
    Range, // progress range, number range, read-only flag, maximum length, selection mode
    Focus, // the page asks for the keyboard focus to move to the control
};

class CControl {
public:
    CControl(CForm& rForm, EControlKind eKind, int iId, std::u16string wszCaption);
    virtual ~CControl() = default;
    CControl(const CControl&) = delete;
    CControl& operator=(const CControl&) = delete;

    int Id() const { return m_iId; }
    EControlKind Kind() const { return m_eKind; }
    CForm& Form() const { return m_rForm; }

    // For edits, address fields, lists and progress bars the caption is the label shown beside
    // the control; for labels, check boxes, radio buttons, buttons and group boxes it is their text.
    bool CaptionIsSideLabel() const;
    const std::u16string& Caption() const { return m_wszCaption; }
    void SetCaption(std::u16string wszCaption);
    const std::u16string& ToolTip() const { return m_wszToolTip; }
    void SetToolTip(std::u16string wszToolTip);
    // The name a screen reader gives a control that has no label of its own (an edit named by
    // the check box above it); empty: its caption. Set before the form is shown.
    const std::u16string& AccessibleName() const { return m_wszAccessibleName; }
    void SetAccessibleName(std::u16string wszName) { m_wszAccessibleName = std::move(wszName); }

    bool IsEnabled() const { return m_bEnabled; }
    void SetEnabled(bool bEnabled);
    bool IsVisible() const { return m_bVisible; }
    void SetVisible(bool bVisible);
    // Whether the operator can act on the control now.
    bool IsInteractive() const;
    // Moves the keyboard focus to the control, as a page does after enabling a field it opened.
    void RequestFocus() { Changed(EChange::Focus); }

    // Change: edits, address fields, drop-down and list selections. Click: buttons, check boxes,
    // radio buttons.
    void SetOnChange(std::function<void()> fn) { m_fnOnChange = std::move(fn); }
    void SetOnClick(std::function<void()> fn) { m_fnOnClick = std::move(fn); }

protected:
    void Changed(EChange eChange);
    void FireChange() { Fire(m_fnOnChange); }
    void FireClick() { Fire(m_fnOnClick); }
    template <class Fn> void Fire(const Fn& fn)
    {
        if (!fn || m_bFiring) {
            return;
        }
        Fn fnCopy = fn; // the handler may replace the callback it runs from
        SFiringGuard guard{m_bFiring};
        fnCopy();
    }
    template <class Fn, class Arg> void Fire(const Fn& fn, Arg arg)
    {
        if (!fn || m_bFiring) {
            return;
        }
        Fn fnCopy = fn;
        SFiringGuard guard{m_bFiring};
        fnCopy(arg);
    }

private:
    struct SFiringGuard {
        explicit SFiringGuard(bool& rbFlag) : m_rbFlag(rbFlag) { m_rbFlag = true; }
        ~SFiringGuard() { m_rbFlag = false; }
        SFiringGuard(const SFiringGuard&) = delete;
        SFiringGuard& operator=(const SFiringGuard&) = delete;
        bool& m_rbFlag;
    };

    CForm& m_rForm;
    EControlKind m_eKind;
    int m_iId;
    std::u16string m_wszCaption;
    std::u16string m_wszToolTip;
    std::u16string m_wszAccessibleName;
    bool m_bEnabled = true;
    bool m_bVisible = true;
    bool m_bFiring = false;
    std::function<void()> m_fnOnChange;
    std::function<void()> m_fnOnClick;
};

class CLabel : public CControl {
public:
    CLabel(CForm& rForm, int iId, std::u16string wszText)
        : CControl(rForm, EControlKind::Label, iId, std::move(wszText))
    {}
};

class CGroupBox : public CControl {
public:
    CGroupBox(CForm& rForm, int iId, std::u16string wszCaption)
        : CControl(rForm, EControlKind::GroupBox, iId, std::move(wszCaption))
    {}
};

// Single-line, number (digits only), password (characters hidden) and multi-line edits.
class CEdit : public CControl {
public:
    CEdit(CForm& rForm, EControlKind eKind, int iId, std::u16string wszLabel);

    const std::u16string& Text() const { return m_wszText; }
    // Ignores the maximum length, as a program setting a field's text does; the caret goes to the end.
    void SetText(std::u16string wszText);

    // Reading numbers the way pages read their fields: leading white space skipped, an optional
    // sign, the digits up to the first other character; no digits give 0, overflow saturates
    // (a negative unsigned number gives 0).
    int GetInt() const;
    std::uint32_t GetUInt() const;
    // For entries that must be checked: true only when the whole text (white space around it
    // allowed) is one signed decimal number that fits 32 bits.
    bool TryGetInt(int& riValue) const;
    void SetInt(int iValue);
    void SetUInt(std::uint32_t dwValue);
    // The text without leading and trailing characters of code 32 or less.
    std::u16string TrimmedText() const;

    bool IsReadOnly() const { return m_bReadOnly; }
    CEdit& SetReadOnly(bool bReadOnly);
    std::size_t MaxLength() const { return m_nMaxLength; } // 0: no limit
    CEdit& SetMaxLength(std::size_t nMaxLength);
    // Number edits only: the operator cannot enter a value above the maximum.
    CEdit& SetRange(std::uint32_t dwMin, std::uint32_t dwMax);
    std::uint32_t RangeMin() const { return m_dwMin; }
    std::uint32_t RangeMax() const { return m_dwMax; }
    bool IsInRange() const;

    std::size_t Caret() const { return m_nCaret; }
    void SetCaret(std::size_t nCaret);
    // The log view's operation: adds the text at the end, wherever the operator left the caret;
    // a caret at the end stays at the end.
    void Append(std::u16string_view wsz);
    // Position and length of the last insertion, for a renderer that appends instead of redrawing.
    std::size_t LastInsertPos() const { return m_nLastInsertPos; }
    std::size_t LastInsertLength() const { return m_nLastInsertLength; }

    // Typing or pasting: the text is cut to the maximum length; a number edit refuses text with
    // anything but digits or above its range.
    bool UserSetText(std::u16string wszText);
    bool UserSetCaret(std::size_t nCaret);

private:
    std::u16string m_wszText;
    std::size_t m_nMaxLength = 0;
    bool m_bReadOnly = false;
    std::uint32_t m_dwMin = 0;
    std::uint32_t m_dwMax = UINT32_MAX;
    std::size_t m_nCaret = 0;
    std::size_t m_nLastInsertPos = 0;
    std::size_t m_nLastInsertLength = 0;
};

// An edit with texts to choose from: a drop-down list whose text can also be typed. Choosing an
// item puts its text into the field and runs the change callback, as typing does, then the
// choose callback with the item's index.
class CComboEdit : public CEdit {
public:
    CComboEdit(CForm& rForm, int iId, std::u16string wszLabel);

    int AddItem(std::u16string wszText); // its index
    const std::vector<std::u16string>& Items() const { return m_vItems; }
    int ItemCount() const { return static_cast<int>(m_vItems.size()); }

    bool UserChoose(int iIndex); // a valid index only
    void SetOnChoose(std::function<void(int)> fn) { m_fnOnChoose = std::move(fn); }

private:
    std::vector<std::u16string> m_vItems;
    std::function<void(int)> m_fnOnChoose;
};

// An IPv4 address field: four byte fields, first field in the top byte, or blank.
class CIpAddressEdit : public CControl {
public:
    CIpAddressEdit(CForm& rForm, int iId, std::u16string wszLabel)
        : CControl(rForm, EControlKind::IpAddress, iId, std::move(wszLabel))
    {}

    bool IsBlank() const { return m_bBlank; }
    std::uint32_t Address() const { return m_bBlank ? 0 : m_dwAddress; }
    void SetAddress(std::uint32_t dwAddress);
    void Clear();
    // Parses by the classic inet_addr rules (one to four dotted parts, each decimal, octal with a
    // leading 0 or hexadecimal with 0x); text that does not parse, and 255.255.255.255, which that
    // parser cannot tell from a failure, clear the field. True when an address was put.
    bool SetText(std::u16string_view wszText);
    // The address pages' way of showing a document's text: as SetText, except that
    // "255.255.255.255" (a broadcast address or host mask) is shown instead of clearing the field,
    // so that it survives a load and store.
    void ShowText(std::u16string_view wszText);
    // "%d.%d.%d.%d", or empty when blank or 0.0.0.0.
    std::u16string Text() const;

    // nullopt: the operator emptied the field.
    bool UserSetAddress(std::optional<std::uint32_t> dwAddress);

private:
    std::uint32_t m_dwAddress = 0;
    bool m_bBlank = true;
};

class CCheckBox : public CControl {
public:
    CCheckBox(CForm& rForm, int iId, std::u16string wszText)
        : CControl(rForm, EControlKind::CheckBox, iId, std::move(wszText))
    {}

    bool IsChecked() const { return m_bChecked; }
    void SetChecked(bool bChecked);
    // Toggles the tick, then runs the click callback.
    bool UserClick();

private:
    bool m_bChecked = false;
};

// Radio buttons with the same group number exclude each other within their form.
class CRadioButton : public CControl {
public:
    CRadioButton(CForm& rForm, int iId, std::u16string wszText, int iGroup)
        : CControl(rForm, EControlKind::RadioButton, iId, std::move(wszText)), m_iGroup(iGroup)
    {}

    int Group() const { return m_iGroup; }
    bool IsChecked() const { return m_bChecked; }
    // Checking one clears the others of its group.
    void SetChecked(bool bChecked);
    // Checks the button, then runs the click callback (also when it was checked already).
    bool UserClick();

private:
    void SetCheckedAlone(bool bChecked);
    friend class CForm;

    int m_iGroup;
    bool m_bChecked = false;
};

struct SDropDownItem {
    std::u16string wszText;
    std::uint32_t dwData = 0;
};

// A drop-down list (no free text), items in the order they are added.
class CDropDownList : public CControl {
public:
    CDropDownList(CForm& rForm, int iId, std::u16string wszLabel)
        : CControl(rForm, EControlKind::DropDownList, iId, std::move(wszLabel))
    {}

    int AddItem(std::u16string wszText, std::uint32_t dwData = 0); // its index
    void DeleteAllItems();
    const std::vector<SDropDownItem>& Items() const { return m_vItems; }
    int ItemCount() const { return static_cast<int>(m_vItems.size()); }
    std::u16string ItemText(int iIndex) const; // empty when out of range
    std::uint32_t ItemData(int iIndex, std::uint32_t dwDefault = 0) const;
    int FindItemByData(std::uint32_t dwData) const; // -1 when none
    int FindItemByText(std::u16string_view wszText) const;

    int Selection() const { return m_iSelection; } // -1: none
    // An index out of range clears the selection and gives false.
    bool SetSelection(int iIndex);
    bool SelectByData(std::uint32_t dwData);
    std::uint32_t SelectedData(std::uint32_t dwDefault = 0) const;

    bool UserSelect(int iIndex); // a valid index only

private:
    std::vector<SDropDownItem> m_vItems;
    int m_iSelection = -1;
};

struct SListColumn {
    std::u16string wszHeader;
    int iWidth = 100; // pixels
};

struct SListRow {
    std::vector<std::u16string> vCells;
    std::uint32_t dwData = 0;
    bool bChecked = false;  // lists with check boxes
    bool bSelected = false; // in a multi-selection list
};

// A report-style list view with full-row single selection and grid lines. A list whose columns
// have no headers is a plain list box. A multi-selection list lets the operator select any number
// of rows, each click toggling one; its Selection() is then the lowest selected row.
class CListView : public CControl {
public:
    CListView(CForm& rForm, int iId, std::u16string wszLabel = {})
        : CControl(rForm, EControlKind::ListView, iId, std::move(wszLabel))
    {}

    void AddColumn(std::u16string wszHeader, int iWidth);
    const std::vector<SListColumn>& Columns() const { return m_vColumns; }

    const std::vector<SListRow>& Rows() const { return m_vRows; }
    int RowCount() const { return static_cast<int>(m_vRows.size()); }
    int AddRow(std::vector<std::u16string> vCells, std::uint32_t dwData = 0); // its index
    // Positions beyond the end append; rows at and after the position move down.
    int InsertRow(int iIndex, std::vector<std::u16string> vCells, std::uint32_t dwData = 0);
    bool SetRow(int iIndex, std::vector<std::u16string> vCells);
    bool SetCell(int iRow, int iColumn, std::u16string wszText);
    bool SetRowData(int iRow, std::uint32_t dwData);
    bool DeleteRow(int iIndex); // the selection follows its row, or clears when it was this one
    void DeleteAllRows();
    std::u16string Cell(int iRow, int iColumn) const; // empty when out of range
    std::uint32_t RowData(int iRow, std::uint32_t dwDefault = 0) const;
    int FindRowByData(std::uint32_t dwData) const;

    int Selection() const { return m_iSelection; } // -1: none
    bool SetSelection(int iIndex);                 // out of range: clears, false; selects that row alone

    // Switching the mode clears the selection.
    CListView& SetMultiSelection(bool bMulti);
    bool IsMultiSelection() const { return m_bMultiSelection; }
    bool IsRowSelected(int iRow) const;
    std::vector<int> SelectedRows() const; // ascending
    // In a single-selection list selecting a row clears the one selected before. False for no row.
    bool SetRowSelected(int iRow, bool bSelected);

    bool UserSelect(int iIndex); // -1 clears (a click on empty space)
    // Exactly these rows end up selected; refused when one is not a row, or when a
    // single-selection list is given more than one.
    bool UserSelectRows(const std::vector<int>& vRows);
    // Selects the row, then runs the double-click callback with its index; only on a row.
    bool UserDoubleClick(int iIndex);
    void SetOnDoubleClick(std::function<void(int)> fn) { m_fnOnDoubleClick = std::move(fn); }

    // A check box at the start of every row; rows are added unticked.
    bool HasCheckBoxes() const { return m_bCheckBoxes; }
    CListView& SetCheckBoxes(bool bCheckBoxes);
    bool IsRowChecked(int iRow) const; // false out of range
    bool SetRowChecked(int iRow, bool bChecked);
    // The operator ticks or unticks a row's box (lists with check boxes only), then the check
    // callback runs with the row's index.
    bool UserSetRowChecked(int iRow, bool bChecked);
    void SetOnRowChecked(std::function<void(int)> fn) { m_fnOnRowChecked = std::move(fn); }

private:
    bool IsRow(int iIndex) const { return iIndex >= 0 && iIndex < RowCount(); }
    // Multi-selection: Selection() follows the row flags.
    void SyncLowestSelected();

    std::vector<SListColumn> m_vColumns;
    std::vector<SListRow> m_vRows;
    int m_iSelection = -1;
    bool m_bCheckBoxes = false;
    bool m_bMultiSelection = false;
    std::function<void(int)> m_fnOnDoubleClick;
    std::function<void(int)> m_fnOnRowChecked;
};

class CButton : public CControl {
public:
    CButton(CForm& rForm, int iId, std::u16string wszText)
        : CControl(rForm, EControlKind::Button, iId, std::move(wszText))
    {}

    bool UserClick();
};

class CProgressBar : public CControl {
public:
    CProgressBar(CForm& rForm, int iId, std::u16string wszLabel)
        : CControl(rForm, EControlKind::ProgressBar, iId, std::move(wszLabel))
    {}

    int Min() const { return m_iMin; }
    int Max() const { return m_iMax; }
    int Pos() const { return m_iPos; }
    // The position is kept within the range.
    void SetRange(int iMin, int iMax);
    void SetPos(int iPos);

private:
    int m_iMin = 0;
    int m_iMax = 100;
    int m_iPos = 0;
};

} // namespace kov
