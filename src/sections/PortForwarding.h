#pragma once
// IP forwarding rules: the device-wide list of the "Port Forwarding" page (in
// "kov:CaptureDeviceRules" / "kov:ForwardingRules"), the same list editor as a modal dialog for
// the rule lists of the Ethernet and Wi-Fi network layers, and the editor of one rule.
//
// The form model keeps pages and modal dialogs apart, so the page (CIPForwardingRulesDlg) and
// the dialog (CIPForwardingRulesListDlg) share one rule-list part instead of one class.
#include <memory>
#include <vector>

#include "document/ValueTree.h"
#include "form/Dialog.h"
#include "sections/ListEditor.h"
#include "sections/NetworkTypes.h"
#include "sections/RecordPage.h"

namespace kov {

// The device-wide rule list.
struct SPortForwarding {
    std::vector<ForwardingRule> vRules;

    // Under the root. Reading fails with an empty list when "kov:CaptureDeviceRules" or
    // "kov:ForwardingRules" is missing.
    bool Exchange(NodeRef root, bool bStore);
};

// "IP Forwarding Rule": the editor of one rule.
class CEditIPForwardingRuleDlg : public CRecordDialog<ForwardingRule> {
public:
    enum : int {
        IDC_RULE_ADDRESS = 1451,
        IDC_RULE_PORT = 1452,
        IDC_RULE_PROTOCOL = 1453,
    };

    // Edits rRule in place, and only when OK is accepted.
    explicit CEditIPForwardingRuleDlg(ForwardingRule& rRule);

protected:
    bool Check(ForwardingRule& rule) override;

private:
    CIpAddressEdit& m_rAddress;
    CEdit& m_rPort;
    CDropDownList& m_rProtocol;
};

// The rule list with "Add", "Modify", "Delete" and "Empty", declared into a page or a dialog.
class CForwardingRuleListPart {
public:
    enum : int {
        IDC_RULES_LIST = 1401,
        IDC_RULES_ADD = 1402,
        IDC_RULES_MODIFY = 1403,
        IDC_RULES_DELETE = 1404,
        IDC_RULES_EMPTY = 1405,
    };

    // Declares the controls at the form's current layout position.
    explicit CForwardingRuleListPart(CForm& rForm);

    // The list edited (it must outlive its use); makes the rows.
    void Show(std::vector<ForwardingRule>* pRules);
    void Enable(bool bEnable);

private:
    CForm& m_rForm;
    std::unique_ptr<CListEditor<ForwardingRule>> m_pEditor;
};

// The "Port Forwarding" page.
class CIPForwardingRulesDlg : public CRecordPage<SPortForwarding> {
public:
    using Part = CForwardingRuleListPart;

    CIPForwardingRulesDlg();

    void Enable(bool bEnable) override;

    const std::vector<ForwardingRule>& Rules() const { return m_record.vRules; }

protected:
    void OnRecordShown() override;

private:
    CForwardingRuleListPart m_part;
};

// "IP Forwarding Rules": the rule list of a network layer, edited in place. The caller passes a
// copy and keeps it only after OK.
class CIPForwardingRulesListDlg : public CDialog {
public:
    using Part = CForwardingRuleListPart;

    explicit CIPForwardingRulesListDlg(std::vector<ForwardingRule>& rRules);

protected:
    void OnInitialise() override;

private:
    std::vector<ForwardingRule>& m_rRules;
    CForwardingRuleListPart m_part;
};

// Opens "IP Forwarding Rules" from rOwner on a copy of rRules; the copy replaces them after OK.
bool EditForwardingRules(CForm& rOwner, std::vector<ForwardingRule>& rRules);

} // namespace kov
