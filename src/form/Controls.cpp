#include "form/Controls.h"

#include "support/Ipv4.h"
#include "support/TextNumbers.h"

#include <algorithm>
#include <string>

#include "form/Form.h"

namespace kov {
namespace {

bool IsDigits(std::u16string_view wsz)
{
    return std::all_of(wsz.begin(), wsz.end(), [](char16_t c) { return IsDecimalDigit(c); });
}

} // namespace

// ---- CControl

CControl::CControl(CForm& rForm, EControlKind eKind, int iId, std::u16string wszCaption)
    : m_rForm(rForm), m_eKind(eKind), m_iId(iId), m_wszCaption(std::move(wszCaption))
{}

bool CControl::CaptionIsSideLabel() const
{
    switch (m_eKind) {
    case EControlKind::Label:
    case EControlKind::CheckBox:
    case EControlKind::RadioButton:
    case EControlKind::Button:
    case EControlKind::GroupBox: return false;
    default: return true;
    }
}

void CControl::SetCaption(std::u16string wszCaption)
{
    if (wszCaption != m_wszCaption) {
        m_wszCaption = std::move(wszCaption);
        Changed(EChange::Caption);
    }
}

void CControl::SetToolTip(std::u16string wszToolTip)
{
    if (wszToolTip != m_wszToolTip) {
        m_wszToolTip = std::move(wszToolTip);
        Changed(EChange::ToolTip);
    }
}

void CControl::SetEnabled(bool bEnabled)
{
    if (bEnabled != m_bEnabled) {
        m_bEnabled = bEnabled;
        Changed(EChange::Enabled);
    }
}

void CControl::SetVisible(bool bVisible)
{
    if (bVisible != m_bVisible) {
        m_bVisible = bVisible;
        Changed(EChange::Visible);
    }
}

bool CControl::IsInteractive() const
{
    return m_bEnabled && m_bVisible && m_rForm.AcceptsInput();
}

void CControl::Changed(EChange eChange)
{
    m_rForm.NotifyControl(*this, eChange);
}

// ---- CEdit

CEdit::CEdit(CForm& rForm, EControlKind eKind, int iId, std::u16string wszLabel)
    : CControl(rForm, eKind, iId, std::move(wszLabel))
{}

void CEdit::SetText(std::u16string wszText)
{
    m_nCaret = wszText.size();
    if (wszText != m_wszText) {
        m_wszText = std::move(wszText);
        Changed(EChange::Value);
    }
}

int CEdit::GetInt() const
{
    return ReadInt32(m_wszText);
}

std::uint32_t CEdit::GetUInt() const
{
    return ReadUInt32(m_wszText);
}

bool CEdit::TryGetInt(int& riValue) const
{
    return ParseWholeInt32(m_wszText, riValue);
}

void CEdit::SetInt(int iValue)
{
    SetText(DecimalText(iValue));
}

void CEdit::SetUInt(std::uint32_t dwValue)
{
    SetText(DecimalText(dwValue));
}

std::u16string CEdit::TrimmedText() const
{
    return TrimControlSpace(m_wszText);
}

CEdit& CEdit::SetReadOnly(bool bReadOnly)
{
    if (bReadOnly != m_bReadOnly) {
        m_bReadOnly = bReadOnly;
        Changed(EChange::Range);
    }
    return *this;
}

CEdit& CEdit::SetMaxLength(std::size_t nMaxLength)
{
    m_nMaxLength = nMaxLength;
    Changed(EChange::Range);
    return *this;
}

CEdit& CEdit::SetRange(std::uint32_t dwMin, std::uint32_t dwMax)
{
    m_dwMin = std::min(dwMin, dwMax);
    m_dwMax = std::max(dwMin, dwMax);
    Changed(EChange::Range);
    return *this;
}

bool CEdit::IsInRange() const
{
    std::uint32_t dwValue = 0;
    return IsDigits(m_wszText) && ParseWholeUInt32(m_wszText, dwValue) && dwValue >= m_dwMin &&
           dwValue <= m_dwMax;
}

void CEdit::SetCaret(std::size_t nCaret)
{
    nCaret = std::min(nCaret, m_wszText.size());
    if (nCaret != m_nCaret) {
        m_nCaret = nCaret;
        Changed(EChange::Selection);
    }
}

void CEdit::Append(std::u16string_view wsz)
{
    m_nLastInsertPos = m_wszText.size();
    m_nLastInsertLength = wsz.size();
    if (m_nCaret >= m_wszText.size()) {
        m_nCaret = m_wszText.size() + wsz.size();
    }
    m_wszText += wsz;
    Changed(EChange::Inserted);
}

bool CEdit::UserSetText(std::u16string wszText)
{
    if (!IsInteractive() || m_bReadOnly) {
        return false;
    }
    if (Kind() == EControlKind::NumberEdit) {
        std::uint32_t dwValue = 0;
        if (!IsDigits(wszText) ||
            (!wszText.empty() && (!ParseWholeUInt32(wszText, dwValue) || dwValue > m_dwMax))) {
            return false;
        }
    }
    if (m_nMaxLength != 0 && wszText.size() > m_nMaxLength) {
        wszText.resize(m_nMaxLength);
    }
    SetText(std::move(wszText));
    FireChange();
    return true;
}

bool CEdit::UserSetCaret(std::size_t nCaret)
{
    if (!IsInteractive()) {
        return false;
    }
    SetCaret(nCaret);
    return true;
}

// ---- CComboEdit

CComboEdit::CComboEdit(CForm& rForm, int iId, std::u16string wszLabel)
    : CEdit(rForm, EControlKind::ComboEdit, iId, std::move(wszLabel))
{}

int CComboEdit::AddItem(std::u16string wszText)
{
    m_vItems.push_back(std::move(wszText));
    Changed(EChange::Items);
    return ItemCount() - 1;
}

bool CComboEdit::UserChoose(int iIndex)
{
    if (!IsInteractive() || IsReadOnly() || iIndex < 0 || iIndex >= ItemCount()) {
        return false;
    }
    SetText(m_vItems[static_cast<std::size_t>(iIndex)]);
    FireChange();
    Fire(m_fnOnChoose, iIndex);
    return true;
}

// ---- CIpAddressEdit

void CIpAddressEdit::SetAddress(std::uint32_t dwAddress)
{
    if (m_bBlank || dwAddress != m_dwAddress) {
        m_bBlank = false;
        m_dwAddress = dwAddress;
        Changed(EChange::Value);
    }
}

void CIpAddressEdit::Clear()
{
    if (!m_bBlank) {
        m_bBlank = true;
        m_dwAddress = 0;
        Changed(EChange::Value);
    }
}

bool CIpAddressEdit::SetText(std::u16string_view wszText)
{
    std::uint32_t dwAddress = 0;
    bool bBlank = true;
    if (!Ipv4FromControlText(wszText, dwAddress, bBlank)) {
        Clear();
        return false;
    }
    SetAddress(dwAddress);
    return true;
}

void CIpAddressEdit::ShowText(std::u16string_view wszText)
{
    if (!SetText(wszText) && wszText == u"255.255.255.255")
        SetAddress(0xFFFFFFFFu);
}

std::u16string CIpAddressEdit::Text() const
{
    return Ipv4ToControlText(m_dwAddress, m_bBlank);
}

bool CIpAddressEdit::UserSetAddress(std::optional<std::uint32_t> dwAddress)
{
    if (!IsInteractive()) {
        return false;
    }
    if (dwAddress) {
        SetAddress(*dwAddress);
    } else {
        Clear();
    }
    FireChange();
    return true;
}

// ---- CCheckBox

void CCheckBox::SetChecked(bool bChecked)
{
    if (bChecked != m_bChecked) {
        m_bChecked = bChecked;
        Changed(EChange::Value);
    }
}

bool CCheckBox::UserClick()
{
    if (!IsInteractive()) {
        return false;
    }
    SetChecked(!m_bChecked);
    FireClick();
    return true;
}

// ---- CRadioButton

void CRadioButton::SetCheckedAlone(bool bChecked)
{
    if (bChecked != m_bChecked) {
        m_bChecked = bChecked;
        Changed(EChange::Value);
    }
}

void CRadioButton::SetChecked(bool bChecked)
{
    if (bChecked) {
        Form().UncheckGroup(m_iGroup, this);
    }
    SetCheckedAlone(bChecked);
}

bool CRadioButton::UserClick()
{
    if (!IsInteractive()) {
        return false;
    }
    SetChecked(true);
    FireClick();
    return true;
}

// ---- CDropDownList

int CDropDownList::AddItem(std::u16string wszText, std::uint32_t dwData)
{
    m_vItems.push_back({std::move(wszText), dwData});
    Changed(EChange::Items);
    return ItemCount() - 1;
}

void CDropDownList::DeleteAllItems()
{
    m_vItems.clear();
    Changed(EChange::Items);
    SetSelection(-1);
}

std::u16string CDropDownList::ItemText(int iIndex) const
{
    return iIndex >= 0 && iIndex < ItemCount() ? m_vItems[static_cast<std::size_t>(iIndex)].wszText
                                               : std::u16string{};
}

std::uint32_t CDropDownList::ItemData(int iIndex, std::uint32_t dwDefault) const
{
    return iIndex >= 0 && iIndex < ItemCount() ? m_vItems[static_cast<std::size_t>(iIndex)].dwData
                                               : dwDefault;
}

int CDropDownList::FindItemByData(std::uint32_t dwData) const
{
    auto it = std::find_if(m_vItems.begin(), m_vItems.end(),
                           [&](const SDropDownItem& item) { return item.dwData == dwData; });
    return it == m_vItems.end() ? -1 : static_cast<int>(it - m_vItems.begin());
}

int CDropDownList::FindItemByText(std::u16string_view wszText) const
{
    auto it = std::find_if(m_vItems.begin(), m_vItems.end(),
                           [&](const SDropDownItem& item) { return item.wszText == wszText; });
    return it == m_vItems.end() ? -1 : static_cast<int>(it - m_vItems.begin());
}

bool CDropDownList::SetSelection(int iIndex)
{
    bool bValid = iIndex >= 0 && iIndex < ItemCount();
    int iNew = bValid ? iIndex : -1;
    if (iNew != m_iSelection) {
        m_iSelection = iNew;
        Changed(EChange::Selection);
    }
    return bValid || iIndex == -1;
}

bool CDropDownList::SelectByData(std::uint32_t dwData)
{
    int iIndex = FindItemByData(dwData);
    SetSelection(iIndex);
    return iIndex >= 0;
}

std::uint32_t CDropDownList::SelectedData(std::uint32_t dwDefault) const
{
    return ItemData(m_iSelection, dwDefault);
}

bool CDropDownList::UserSelect(int iIndex)
{
    if (!IsInteractive() || iIndex < 0 || iIndex >= ItemCount()) {
        return false;
    }
    SetSelection(iIndex);
    FireChange();
    return true;
}

// ---- CListView

void CListView::AddColumn(std::u16string wszHeader, int iWidth)
{
    m_vColumns.push_back({std::move(wszHeader), iWidth});
    Changed(EChange::Items);
}

int CListView::AddRow(std::vector<std::u16string> vCells, std::uint32_t dwData)
{
    return InsertRow(RowCount(), std::move(vCells), dwData);
}

int CListView::InsertRow(int iIndex, std::vector<std::u16string> vCells, std::uint32_t dwData)
{
    iIndex = std::clamp(iIndex, 0, RowCount());
    m_vRows.insert(m_vRows.begin() + iIndex, SListRow{std::move(vCells), dwData, false});
    Changed(EChange::Items);
    if (m_iSelection >= iIndex) {
        ++m_iSelection;
        Changed(EChange::Selection);
    }
    return iIndex;
}

bool CListView::SetRow(int iIndex, std::vector<std::u16string> vCells)
{
    if (!IsRow(iIndex)) {
        return false;
    }
    m_vRows[static_cast<std::size_t>(iIndex)].vCells = std::move(vCells);
    Changed(EChange::Items);
    return true;
}

bool CListView::SetCell(int iRow, int iColumn, std::u16string wszText)
{
    if (!IsRow(iRow) || iColumn < 0) {
        return false;
    }
    std::vector<std::u16string>& vCells = m_vRows[static_cast<std::size_t>(iRow)].vCells;
    if (static_cast<std::size_t>(iColumn) >= vCells.size()) {
        vCells.resize(static_cast<std::size_t>(iColumn) + 1);
    }
    vCells[static_cast<std::size_t>(iColumn)] = std::move(wszText);
    Changed(EChange::Items);
    return true;
}

bool CListView::SetRowData(int iRow, std::uint32_t dwData)
{
    if (!IsRow(iRow)) {
        return false;
    }
    m_vRows[static_cast<std::size_t>(iRow)].dwData = dwData;
    return true;
}

bool CListView::DeleteRow(int iIndex)
{
    if (!IsRow(iIndex)) {
        return false;
    }
    m_vRows.erase(m_vRows.begin() + iIndex);
    Changed(EChange::Items);
    if (m_bMultiSelection) {
        SyncLowestSelected();
    } else if (m_iSelection >= iIndex) {
        m_iSelection = m_iSelection == iIndex ? -1 : m_iSelection - 1;
        Changed(EChange::Selection);
    }
    return true;
}

void CListView::DeleteAllRows()
{
    m_vRows.clear();
    Changed(EChange::Items);
    SetSelection(-1);
}

std::u16string CListView::Cell(int iRow, int iColumn) const
{
    if (!IsRow(iRow) || iColumn < 0) {
        return {};
    }
    const std::vector<std::u16string>& vCells = m_vRows[static_cast<std::size_t>(iRow)].vCells;
    return static_cast<std::size_t>(iColumn) < vCells.size() ? vCells[static_cast<std::size_t>(iColumn)]
                                                             : std::u16string{};
}

std::uint32_t CListView::RowData(int iRow, std::uint32_t dwDefault) const
{
    return IsRow(iRow) ? m_vRows[static_cast<std::size_t>(iRow)].dwData : dwDefault;
}

int CListView::FindRowByData(std::uint32_t dwData) const
{
    auto it = std::find_if(m_vRows.begin(), m_vRows.end(),
                           [&](const SListRow& row) { return row.dwData == dwData; });
    return it == m_vRows.end() ? -1 : static_cast<int>(it - m_vRows.begin());
}

bool CListView::SetSelection(int iIndex)
{
    int iNew = IsRow(iIndex) ? iIndex : -1;
    bool bChanged = iNew != m_iSelection;
    if (m_bMultiSelection) {
        for (int i = 0; i < RowCount(); ++i) {
            SListRow& row = m_vRows[static_cast<std::size_t>(i)];
            bChanged = bChanged || row.bSelected != (i == iNew);
            row.bSelected = i == iNew;
        }
    }
    m_iSelection = iNew;
    if (bChanged) {
        Changed(EChange::Selection);
    }
    return IsRow(iIndex) || iIndex == -1;
}

CListView& CListView::SetMultiSelection(bool bMulti)
{
    if (bMulti != m_bMultiSelection) {
        SetSelection(-1);
        m_bMultiSelection = bMulti;
        Changed(EChange::Range);
    }
    return *this;
}

bool CListView::IsRowSelected(int iRow) const
{
    if (!IsRow(iRow)) {
        return false;
    }
    return m_bMultiSelection ? m_vRows[static_cast<std::size_t>(iRow)].bSelected : iRow == m_iSelection;
}

std::vector<int> CListView::SelectedRows() const
{
    std::vector<int> vRows;
    for (int i = 0; i < RowCount(); ++i) {
        if (IsRowSelected(i)) {
            vRows.push_back(i);
        }
    }
    return vRows;
}

bool CListView::SetRowSelected(int iRow, bool bSelected)
{
    if (!IsRow(iRow)) {
        return false;
    }
    if (!m_bMultiSelection) {
        if (bSelected || iRow == m_iSelection) {
            SetSelection(bSelected ? iRow : -1);
        }
        return true;
    }
    SListRow& row = m_vRows[static_cast<std::size_t>(iRow)];
    if (row.bSelected != bSelected) {
        row.bSelected = bSelected;
        SyncLowestSelected();
        Changed(EChange::Selection);
    }
    return true;
}

void CListView::SyncLowestSelected()
{
    const auto it =
        std::find_if(m_vRows.begin(), m_vRows.end(), [](const SListRow& row) { return row.bSelected; });
    const int iLowest = it == m_vRows.end() ? -1 : static_cast<int>(it - m_vRows.begin());
    if (iLowest != m_iSelection) {
        m_iSelection = iLowest;
        Changed(EChange::Selection);
    }
}

bool CListView::UserSelect(int iIndex)
{
    if (!IsInteractive() || (iIndex != -1 && !IsRow(iIndex))) {
        return false;
    }
    SetSelection(iIndex);
    FireChange();
    return true;
}

bool CListView::UserSelectRows(const std::vector<int>& vRows)
{
    if (!IsInteractive() || !std::all_of(vRows.begin(), vRows.end(), [this](int i) { return IsRow(i); })) {
        return false;
    }
    if (!m_bMultiSelection) {
        if (vRows.size() > 1) {
            return false;
        }
        SetSelection(vRows.empty() ? -1 : vRows.front());
    } else {
        bool bChanged = false;
        for (int i = 0; i < RowCount(); ++i) {
            const bool bSelected = std::find(vRows.begin(), vRows.end(), i) != vRows.end();
            SListRow& row = m_vRows[static_cast<std::size_t>(i)];
            bChanged = bChanged || row.bSelected != bSelected;
            row.bSelected = bSelected;
        }
        if (bChanged) {
            Changed(EChange::Selection);
        }
        SyncLowestSelected();
    }
    FireChange();
    return true;
}

bool CListView::UserDoubleClick(int iIndex)
{
    if (!IsRow(iIndex) || !UserSelect(iIndex)) {
        return false;
    }
    // The change handler may have emptied the list.
    if (IsRow(iIndex)) {
        Fire(m_fnOnDoubleClick, iIndex);
    }
    return true;
}

CListView& CListView::SetCheckBoxes(bool bCheckBoxes)
{
    if (bCheckBoxes != m_bCheckBoxes) {
        m_bCheckBoxes = bCheckBoxes;
        Changed(EChange::Items);
    }
    return *this;
}

bool CListView::IsRowChecked(int iRow) const
{
    return IsRow(iRow) && m_vRows[static_cast<std::size_t>(iRow)].bChecked;
}

bool CListView::SetRowChecked(int iRow, bool bChecked)
{
    if (!IsRow(iRow)) {
        return false;
    }
    bool& rbChecked = m_vRows[static_cast<std::size_t>(iRow)].bChecked;
    if (rbChecked != bChecked) {
        rbChecked = bChecked;
        Changed(EChange::Items);
    }
    return true;
}

bool CListView::UserSetRowChecked(int iRow, bool bChecked)
{
    if (!m_bCheckBoxes || !IsInteractive() || !SetRowChecked(iRow, bChecked)) {
        return false;
    }
    Fire(m_fnOnRowChecked, iRow);
    return true;
}

// ---- CButton

bool CButton::UserClick()
{
    if (!IsInteractive()) {
        return false;
    }
    FireClick();
    return true;
}

// ---- CProgressBar

void CProgressBar::SetRange(int iMin, int iMax)
{
    m_iMin = std::min(iMin, iMax);
    m_iMax = std::max(iMin, iMax);
    Changed(EChange::Range);
    SetPos(m_iPos);
}

void CProgressBar::SetPos(int iPos)
{
    iPos = std::clamp(iPos, m_iMin, m_iMax);
    if (iPos != m_iPos) {
        m_iPos = iPos;
        Changed(EChange::Value);
    }
}

} // namespace kov
