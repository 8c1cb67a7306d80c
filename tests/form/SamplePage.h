#pragma once
// A small page and entry dialog written the way the configuration pages are, driven by the tests.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "form/Bindings.h"
#include "form/Dialog.h"
#include "form/Page.h"

namespace kov::test {

struct SEntry {
    std::u16string wszName;
    std::u16string wszAddress;
};

// Stands in for the parameter document the page loads from and stores into.
struct SSampleRecord {
    int iType = 0; // 0 none, 1 remote
    std::u16string wszAddress;
    std::uint32_t dwTransport = 0;
    bool bSecure = false;
    int iPort = 0;
    std::vector<SEntry> vEntries;
};

enum : int {
    IDC_NONE = 100,
    IDC_REMOTE = 101,
    IDC_ADDRESS = 110,
    IDC_TRANSPORT = 111,
    IDC_SECURE = 112,
    IDC_PORT = 120,
    IDC_LIST = 130,
    IDC_ADD = 131,
    IDC_CHANGE = 132,
    IDC_DELETE = 133,
    IDC_STATUS = 150,
    IDC_NAME = 10,
    IDC_ENTRY_ADDRESS = 11,
};

class CEntryDlg : public CDialog {
public:
    explicit CEntryDlg(SEntry& rEntry) : CDialog(u"Server Connection Settings"), m_rEntry(rEntry)
    {
        m_fields.TrimmedText(AddEdit(IDC_NAME, u"Name:"), &SEntry::wszName)
            .TrimmedText(AddEdit(IDC_ENTRY_ADDRESS, u"Address:"), &SEntry::wszAddress);
        AddOkCancel();
    }

protected:
    void OnInitialise() override { m_fields.Show(m_rEntry); }
    bool OnOk() override
    {
        SEntry entry;
        m_fields.Read(entry);
        if (entry.wszName.empty()) {
            MessageBox(u"Empty name", u"Set Server Parameters");
            return false;
        }
        if (entry.wszAddress.empty()) {
            MessageBox(u"Empty server address", u"Set Server Parameters");
            return false;
        }
        m_rEntry = entry;
        return true;
    }

private:
    SEntry& m_rEntry;
    CFieldBindings<SEntry> m_fields;
};

class CSamplePage : public CPage {
public:
    explicit CSamplePage(SSampleRecord& rDocument) : CPage(u"Connection"), m_rDocument(rDocument)
    {
        BeginGroup(0, u"Media Server Selection");
        CRadioButton& rNone = AddRadioButton(IDC_NONE, u"No server", 1);
        CRadioButton& rRemote = AddRadioButton(IDC_REMOTE, u"Remote server", 1);
        rNone.SetOnClick([this] { OnType(0); });
        rRemote.SetOnClick([this] { OnType(1); });
        CEdit& rAddress = AddEdit(IDC_ADDRESS, u"Address:");
        BeginRow();
        m_pTransport = &AddDropDownList(IDC_TRANSPORT, u"Transport:");
        CCheckBox& rSecure = AddCheckBox(IDC_SECURE, u"Secure");
        End();
        End();
        CEdit& rPort = AddNumberEdit(IDC_PORT, u"Port:").SetRange(0, 65535);
        m_pStatus = &AddEdit(IDC_STATUS, u"Status:").SetReadOnly(true);
        m_fields.Radio(&SSampleRecord::iType, {{&rNone, 0}, {&rRemote, 1}})
            .TrimmedText(rAddress, &SSampleRecord::wszAddress)
            .ItemData(*m_pTransport, &SSampleRecord::dwTransport)
            .Check(rSecure, &SSampleRecord::bSecure)
            .Number(rPort, &SSampleRecord::iPort);
        BeginRow();
        m_pList = &AddListView(IDC_LIST);
        BeginColumn();
        AddButton(IDC_ADD, u"Add").SetOnClick([this] { OnAdd(); });
        AddButton(IDC_CHANGE, u"Change").SetOnClick([this] { OnChange(m_pList->Selection()); });
        AddButton(IDC_DELETE, u"Delete").SetOnClick([this] { OnDelete(); });
        AddStretch();
        End();
        End();
        m_pList->AddColumn(u"Name", 100);
        m_pList->AddColumn(u"Address", 100);
        m_pList->SetOnDoubleClick([this](int iRow) { OnChange(iRow); });
    }

    bool Load() override
    {
        m_record = m_rDocument;
        m_fields.Show(m_record);
        m_pStatus->SetText({});
        m_pList->DeleteAllRows();
        for (const SEntry& entry : m_record.vEntries) {
            m_pList->AddRow({entry.wszName, entry.wszAddress});
        }
        return true;
    }
    void Store() override
    {
        m_fields.Read(m_record);
        m_rDocument = m_record;
    }
    void Enable(bool bEnable) override
    {
        m_bEnabled = bEnable;
        EnableAll(bEnable);
        EnableControls({IDC_ADDRESS, IDC_TRANSPORT, IDC_SECURE}, bEnable && m_record.iType == 1);
    }

    int m_nTypeClicks = 0;

protected:
    void OnInitialise() override
    {
        m_pTransport->AddItem(u"Any", 0);
        m_pTransport->AddItem(u"TCP", 1);
        m_pTransport->AddItem(u"UDP", 2);
    }
    std::span<const SToolTip> ToolTips() const override
    {
        static constexpr SToolTip kTips[] = {
            {IDC_ADDRESS, u"IP address of the server, using either numbers or domain names."},
            {IDC_SECURE, u"Encrypt communications with the server."},
            {9999, u"a row for a control this page does not have"},
        };
        return kTips;
    }
    void OnPageMessage(std::uint32_t uMessage, std::uint64_t, std::int64_t) override
    {
        if (uMessage == kPageDeleteKeyMessage) {
            OnDelete();
        }
    }

private:
    void OnType(int iType)
    {
        ++m_nTypeClicks;
        m_record.iType = iType;
        Enable(m_bEnabled);
    }
    void OnAdd()
    {
        SEntry entry{u"Server " + std::u16string(1, static_cast<char16_t>(u'1' + m_record.vEntries.size())),
                     {}};
        CEntryDlg dlg(entry);
        if (RunDialog(dlg) == EDlgResult::Ok) {
            m_record.vEntries.push_back(entry);
            m_pList->AddRow({entry.wszName, entry.wszAddress});
        }
    }
    void OnChange(int iRow)
    {
        if (iRow < 0) {
            MessageBox(u"Please select connection from list", u"Change Selection");
            return;
        }
        SEntry entry = m_record.vEntries[static_cast<std::size_t>(iRow)];
        CEntryDlg dlg(entry);
        if (RunDialog(dlg) == EDlgResult::Ok) {
            m_record.vEntries[static_cast<std::size_t>(iRow)] = entry;
            m_pList->SetRow(iRow, {entry.wszName, entry.wszAddress});
        }
    }
    void OnDelete()
    {
        int iRow = m_pList->Selection();
        if (iRow < 0) {
            MessageBox(u"Please select connection from list", u"Delete Selection");
        } else if (MessageBox(u"Are you sure?",
                              u"Delete " + m_record.vEntries[static_cast<std::size_t>(iRow)].wszName,
                              EMsgButtons::YesNo, EMsgIcon::Question) == EDlgResult::Yes) {
            m_record.vEntries.erase(m_record.vEntries.begin() + iRow);
            m_pList->DeleteRow(iRow);
        }
    }

    SSampleRecord& m_rDocument;
    SSampleRecord m_record;
    CFieldBindings<SSampleRecord> m_fields;
    CDropDownList* m_pTransport = nullptr;
    CEdit* m_pStatus = nullptr;
    CListView* m_pList = nullptr;
    bool m_bEnabled = false;
};

} // namespace kov::test
