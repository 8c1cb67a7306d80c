#pragma once
// The list-editing pattern of the list pages and dialogs: "Add", "Change", "Delete" and "Empty"
// over a list view with one row per entry, each entry edited in its own modal editor. The
// commands, their messages and questions live here once; each list gives its texts, its rows,
// its new entries and its editor, and picks the differences it has (a double-click that edits,
// an "Empty" that is silent or tells on an empty list, entries added without an editor).
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "form/Form.h"

namespace kov {

struct SListButton {
    int iId;
    const char16_t* wszText;
};

// Declares, at the form's current layout position, a list view with its command buttons in a
// column beside it.
CListView& AddListWithButtons(CForm& rForm, int iListId, std::initializer_list<SListButton> buttons);

// What "Empty" does when the list has no entries.
enum class EEmptyListRule {
    Ask,    // asks the question all the same
    Silent, // does nothing
    Tell,   // shows the no-entries message (OK only) with the "Empty" caption
};

struct SListEditorTexts {
    std::u16string wszNoSelection; // a command needs a selected row
    std::u16string wszChangeCaption;
    std::u16string wszDeleteNoSelectionCaption;
    std::u16string wszDeleteQuestion;
    std::u16string wszDeleteCaption; // followed by the entry's name when the list names entries
    std::u16string wszEmptyQuestion;
    std::u16string wszEmptyCaption;
    std::u16string wszEmptyListMessage; // for EEmptyListRule::Tell
    EEmptyListRule eEmptyListRule = EEmptyListRule::Ask;
    bool bDoubleClickChanges = false;
    bool bSelectAfterDelete = false; // select and focus the row now at the deleted one's place
};

// The command logic over entries reached by index; CListEditor<T> binds it to a vector.
class CListEditorBase {
public:
    CListEditorBase(CForm& rForm, CListView& rList, SListEditorTexts texts);
    virtual ~CListEditorBase() = default;
    CListEditorBase(const CListEditorBase&) = delete;
    CListEditorBase& operator=(const CListEditorBase&) = delete;

    // Wires the buttons (an id of 0 is skipped) and, when the list asks for it, the double-click.
    void BindButtons(int iAddId, int iChangeId, int iDeleteId, int iEmptyId);

    // Makes one row per entry, in order, with nothing selected.
    void Refill();
    void RefreshRow(int iRow);

    void Add();
    void Change(int iRow); // iRow -1: no selection
    void Delete();         // the list view's selected row
    void Empty();

    // Called after an entry was appended (its row index) and after entries were removed.
    void SetOnAdded(std::function<void(int)> fn) { m_fnOnAdded = std::move(fn); }
    void SetOnRemoved(std::function<void()> fn) { m_fnOnRemoved = std::move(fn); }

    CListView& List() const { return m_rList; }

protected:
    virtual size_t EntryCount() const = 0;
    virtual std::vector<std::u16string> RowCells(size_t iEntry) const = 0;
    virtual std::u16string EntryName(size_t iEntry) const = 0; // empty: the caption stands alone
    // A new entry edited and confirmed (or made at once without an editor) is appended: true.
    virtual bool AddEntry() = 0;
    // The entry edited on a copy; true when the copy replaced it.
    virtual bool EditEntry(size_t iEntry) = 0;
    virtual void RemoveEntry(size_t iEntry) = 0;
    virtual void RemoveAllEntries() = 0;

private:
    bool IsEntry(int iRow) const { return iRow >= 0 && static_cast<size_t>(iRow) < EntryCount(); }

    CForm& m_rForm;
    CListView& m_rList;
    SListEditorTexts m_texts;
    std::function<void(int)> m_fnOnAdded;
    std::function<void()> m_fnOnRemoved;
};

template <class TEntry> class CListEditor final : public CListEditorBase {
public:
    struct SHooks {
        std::function<std::vector<std::u16string>(const TEntry&)> fnCells; // the row of an entry
        std::function<TEntry(size_t)> fnNew;                 // a new entry, given the number of entries
        std::function<bool(TEntry&)> fnEdit;                 // the entry editor; null: no editor
        std::function<std::u16string(const TEntry&)> fnName; // null: entries are not named
    };

    CListEditor(CForm& rForm, CListView& rList, SListEditorTexts texts, SHooks hooks)
        : CListEditorBase(rForm, rList, std::move(texts)), m_hooks(std::move(hooks))
    {}

    // The list edited; it must outlive the editor's use. Call Refill afterwards.
    void SetEntries(std::vector<TEntry>* pEntries) { m_pEntries = pEntries; }
    std::vector<TEntry>* Entries() const { return m_pEntries; }

protected:
    size_t EntryCount() const override { return m_pEntries ? m_pEntries->size() : 0; }
    std::vector<std::u16string> RowCells(size_t iEntry) const override
    {
        return m_hooks.fnCells((*m_pEntries)[iEntry]);
    }
    std::u16string EntryName(size_t iEntry) const override
    {
        return m_hooks.fnName ? m_hooks.fnName((*m_pEntries)[iEntry]) : std::u16string();
    }
    bool AddEntry() override
    {
        if (!m_pEntries)
            return false;
        TEntry entry = m_hooks.fnNew(m_pEntries->size());
        if (m_hooks.fnEdit && !m_hooks.fnEdit(entry))
            return false;
        m_pEntries->push_back(std::move(entry));
        return true;
    }
    bool EditEntry(size_t iEntry) override
    {
        if (!m_hooks.fnEdit)
            return false;
        TEntry entry = (*m_pEntries)[iEntry];
        if (!m_hooks.fnEdit(entry))
            return false;
        // The editor is modal, but the list may have changed under a misbehaving host.
        if (iEntry >= m_pEntries->size())
            return false;
        (*m_pEntries)[iEntry] = std::move(entry);
        return true;
    }
    void RemoveEntry(size_t iEntry) override
    {
        m_pEntries->erase(m_pEntries->begin() + static_cast<std::ptrdiff_t>(iEntry));
    }
    void RemoveAllEntries() override
    {
        if (m_pEntries)
            m_pEntries->clear();
    }

private:
    SHooks m_hooks;
    std::vector<TEntry>* m_pEntries = nullptr;
};

} // namespace kov
