#include "sections/ListEditor.h"

namespace kov {

CListView& AddListWithButtons(CForm& rForm, int iListId, std::initializer_list<SListButton> buttons)
{
    rForm.BeginRow();
    CListView& rList = rForm.AddListView(iListId);
    rForm.BeginColumn();
    for (const SListButton& button : buttons)
        rForm.AddButton(button.iId, button.wszText);
    rForm.AddStretch();
    rForm.End();
    rForm.End();
    return rList;
}

CListEditorBase::CListEditorBase(CForm& rForm, CListView& rList, SListEditorTexts texts)
    : m_rForm(rForm), m_rList(rList), m_texts(std::move(texts))
{}

void CListEditorBase::BindButtons(int iAddId, int iChangeId, int iDeleteId, int iEmptyId)
{
    const auto bind = [this](int iId, std::function<void()> fn) {
        if (iId == 0)
            return;
        if (CButton* pButton = m_rForm.Find<CButton>(iId))
            pButton->SetOnClick(std::move(fn));
    };
    bind(iAddId, [this] { Add(); });
    bind(iChangeId, [this] { Change(m_rList.Selection()); });
    bind(iDeleteId, [this] { Delete(); });
    bind(iEmptyId, [this] { Empty(); });
    if (m_texts.bDoubleClickChanges)
        m_rList.SetOnDoubleClick([this](int iRow) { Change(iRow); });
}

void CListEditorBase::Refill()
{
    m_rList.DeleteAllRows();
    for (size_t i = 0; i < EntryCount(); ++i)
        m_rList.AddRow(RowCells(i));
}

void CListEditorBase::RefreshRow(int iRow)
{
    if (IsEntry(iRow))
        m_rList.SetRow(iRow, RowCells(static_cast<size_t>(iRow)));
}

void CListEditorBase::Add()
{
    if (!AddEntry())
        return;
    const size_t iEntry = EntryCount() - 1;
    const int iRow = m_rList.AddRow(RowCells(iEntry));
    if (m_fnOnAdded)
        m_fnOnAdded(iRow);
}

void CListEditorBase::Change(int iRow)
{
    if (!IsEntry(iRow)) {
        m_rForm.MessageBox(m_texts.wszNoSelection, m_texts.wszChangeCaption);
        return;
    }
    if (EditEntry(static_cast<size_t>(iRow)))
        RefreshRow(iRow);
}

void CListEditorBase::Delete()
{
    const int iRow = m_rList.Selection();
    if (!IsEntry(iRow)) {
        m_rForm.MessageBox(m_texts.wszNoSelection, m_texts.wszDeleteNoSelectionCaption);
        return;
    }
    const std::u16string wszCaption = m_texts.wszDeleteCaption + EntryName(static_cast<size_t>(iRow));
    if (m_rForm.MessageBox(m_texts.wszDeleteQuestion, wszCaption, EMsgButtons::YesNo, EMsgIcon::Question) !=
        EDlgResult::Yes)
        return;
    RemoveEntry(static_cast<size_t>(iRow));
    m_rList.DeleteRow(iRow);
    // None when the last row went.
    if (m_texts.bSelectAfterDelete && m_rList.SetSelection(iRow))
        m_rList.RequestFocus();
    if (m_fnOnRemoved)
        m_fnOnRemoved();
}

void CListEditorBase::Empty()
{
    if (EntryCount() == 0) {
        if (m_texts.eEmptyListRule == EEmptyListRule::Silent)
            return;
        if (m_texts.eEmptyListRule == EEmptyListRule::Tell) {
            m_rForm.MessageBox(m_texts.wszEmptyListMessage, m_texts.wszEmptyCaption);
            return;
        }
    }
    if (m_rForm.MessageBox(m_texts.wszEmptyQuestion, m_texts.wszEmptyCaption, EMsgButtons::YesNo,
                           EMsgIcon::Question) != EDlgResult::Yes)
        return;
    RemoveAllEntries();
    m_rList.DeleteAllRows();
    if (m_fnOnRemoved)
        m_fnOnRemoved();
}

} // namespace kov
