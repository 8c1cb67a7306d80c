#pragma once
// The skeleton every configuration page and entry dialog repeats, written once.
//
// A page holds one record. Load resets it to its defaults, reads it from the document the
// device link gives for reading, and shows it; Store reads the controls into it and writes it
// into the document the link gives for storing. Which control shows which field, and how, is
// declared once in the page's constructor through Bind(); Load and Store both use that binding.
// A page adds only what is its own: the controls, the bindings, the enabling rules, its
// buttons, and where needed the hooks below.
#include <string>
#include <utility>

#include "document/ValueTree.h"
#include "form/Bindings.h"
#include "form/Dialog.h"
#include "sections/SectionPage.h"

namespace kov {

// Implemented in RecordPage.cpp, so that this header needs no device link.
NodeRef PageDocumentRoot(const ParameterDocumentHolder* pHolder, bool bStore);

template <class TRecord> class CRecordPage : public CSectionPage {
public:
    bool Load() override
    {
        m_record = TRecord{};
        const NodeRef root = PageDocumentRoot(m_pHolder, false);
        const bool bMatched = root && ExchangeRecord(root, false);
        m_bindings.Show(m_record);
        OnRecordShown();
        return bMatched;
    }

    void Store() override
    {
        m_bindings.Read(m_record);
        OnRecordRead();
        if (const NodeRef root = PageDocumentRoot(m_pHolder, true))
            ExchangeRecord(root, true);
    }

    const TRecord& Record() const { return m_record; }

protected:
    explicit CRecordPage(std::u16string wszTitle) : CSectionPage(std::move(wszTitle)) {}

    CFieldBindings<TRecord>& Bind() { return m_bindings; }

    // The record's exchange with the document's root; by default the record's own Exchange.
    virtual bool ExchangeRecord(NodeRef root, bool bStore) { return m_record.Exchange(root, bStore); }
    // After a loaded record is shown: views that follow the record (enabling, lists).
    virtual void OnRecordShown() {}
    // After the controls were read into the record, before it is written.
    virtual void OnRecordRead() {}

    TRecord m_record;

private:
    CFieldBindings<TRecord> m_bindings;
};

// A modal editor of one entry. It shows the entry when it opens; OK reads the controls into a
// copy, lets the dialog check it (a refusal shows its message and keeps the dialog open), and
// only then replaces the entry. Cancel leaves the entry as it was.
template <class TRecord> class CRecordDialog : public CDialog {
public:
    const TRecord& Entry() const { return m_rEntry; }

protected:
    CRecordDialog(std::u16string wszTitle, TRecord& rEntry) : CDialog(std::move(wszTitle)), m_rEntry(rEntry)
    {}

    CFieldBindings<TRecord>& Bind() { return m_bindings; }

    // The entry as read from the controls; false (after telling the operator) keeps the dialog open.
    virtual bool Check(TRecord&) { return true; }
    // After the entry is shown: enabling that follows it.
    virtual void OnEntryShown() {}

    void OnInitialise() override
    {
        m_bindings.Show(m_rEntry);
        OnEntryShown();
    }

    bool OnOk() override
    {
        TRecord entry = m_rEntry;
        m_bindings.Read(entry);
        if (!Check(entry))
            return false;
        m_rEntry = std::move(entry);
        return true;
    }

private:
    TRecord& m_rEntry;
    CFieldBindings<TRecord> m_bindings;
};

} // namespace kov
