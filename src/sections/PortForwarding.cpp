#include "sections/PortForwarding.h"

#include <string>

#include "document/Exchange.h"
#include "link/ParameterDocumentHolder.h"
#include "support/TextNumbers.h"

namespace kov {

namespace {

constexpr char16_t kRuleCaption[] = u"IP Forwarding Rule";

} // namespace

bool SPortForwarding::Exchange(NodeRef root, bool bStore)
{
    NodeRef rules = root.FindOrCreateChild(kCaptureDeviceRulesName, kKovNamespaceUri, bStore)
                        .FindOrCreateChild(kForwardingRulesName, kKovNamespaceUri, bStore);
    return ExchangeForwardingRules(rules, bStore, vRules);
}

// ---- IP Forwarding Rule --------------------------------------------------------------------

CEditIPForwardingRuleDlg::CEditIPForwardingRuleDlg(ForwardingRule& rRule)
    : CRecordDialog(u"IP Forwarding Rule", rRule),
      m_rAddress(AddIpAddress(IDC_RULE_ADDRESS, u"Internal Address:")),
      m_rPort(AddNumberEdit(IDC_RULE_PORT, u"Port:")),
      m_rProtocol(AddDropDownList(IDC_RULE_PROTOCOL, u"Protocol:"))
{
    AddOkCancel();
    FillEnumList(m_rProtocol, kTransportProtocolTexts);
    using R = ForwardingRule;
    Bind()
        .Address(m_rAddress, &R::wszInternalAddress)
        .Number(m_rPort, &R::iPortNumber)
        .ItemData(m_rProtocol, &R::eProtocol);
}

bool CEditIPForwardingRuleDlg::Check(ForwardingRule&)
{
    if (m_rAddress.Text().empty()) {
        MessageBox(u"Invalid internal address", kRuleCaption);
        return false;
    }
    // The operator's entry must be one whole number: "80x" is refused, not taken as 80.
    int iPort = 0;
    if (!m_rPort.TryGetInt(iPort) || iPort < 1) {
        MessageBox(u"Invalid port number", kRuleCaption);
        return false;
    }
    if (m_rProtocol.Selection() < 0 ||
        m_rProtocol.SelectedData() == static_cast<uint32_t>(TransportProtocol::Any)) {
        MessageBox(u"Invalid protocol", kRuleCaption);
        return false;
    }
    return true;
}

// ---- The rule list -------------------------------------------------------------------------

CForwardingRuleListPart::CForwardingRuleListPart(CForm& rForm) : m_rForm(rForm)
{
    rForm.BeginRow();
    CListView& rList = rForm.AddListView(IDC_RULES_LIST);
    rForm.BeginColumn();
    rForm.AddButton(IDC_RULES_ADD, u"Add");
    rForm.AddButton(IDC_RULES_MODIFY, u"Modify");
    rForm.AddButton(IDC_RULES_DELETE, u"Delete");
    rForm.AddButton(IDC_RULES_EMPTY, u"Empty");
    rForm.AddStretch();
    rForm.End();
    rForm.End();
    rList.AddColumn(u"Address", 120);
    rList.AddColumn(u"Protocol", 80);
    rList.AddColumn(u"Port", 50);

    SListEditorTexts texts;
    texts.wszNoSelection = u"No selection";
    texts.wszChangeCaption = u"Modify Rule";
    texts.wszDeleteNoSelectionCaption = u"Delete Rule";
    texts.wszDeleteQuestion = u"Are you sure?";
    texts.wszDeleteCaption = u"Delete Rule";
    texts.wszEmptyQuestion = u"Are you sure?";
    texts.wszEmptyCaption = u"Delete All Rules";
    texts.eEmptyListRule = EEmptyListRule::Silent;
    texts.bDoubleClickChanges = true;

    CListEditor<ForwardingRule>::SHooks hooks;
    hooks.fnCells = [](const ForwardingRule& rule) {
        return std::vector<std::u16string>{rule.wszInternalAddress, TransportProtocolText(rule.eProtocol),
                                           DecimalText(rule.iPortNumber)};
    };
    hooks.fnNew = [](size_t) { return ForwardingRule{}; };
    hooks.fnEdit = [this](ForwardingRule& rRule) {
        CEditIPForwardingRuleDlg dlg(rRule);
        return m_rForm.RunDialog(dlg) == EDlgResult::Ok;
    };
    m_pEditor =
        std::make_unique<CListEditor<ForwardingRule>>(rForm, rList, std::move(texts), std::move(hooks));
    m_pEditor->BindButtons(IDC_RULES_ADD, IDC_RULES_MODIFY, IDC_RULES_DELETE, IDC_RULES_EMPTY);
}

void CForwardingRuleListPart::Show(std::vector<ForwardingRule>* pRules)
{
    m_pEditor->SetEntries(pRules);
    m_pEditor->Refill();
}

void CForwardingRuleListPart::Enable(bool bEnable)
{
    m_rForm.EnableControls(
        {IDC_RULES_LIST, IDC_RULES_ADD, IDC_RULES_MODIFY, IDC_RULES_DELETE, IDC_RULES_EMPTY}, bEnable);
}

// ---- The page ------------------------------------------------------------------------------

CIPForwardingRulesDlg::CIPForwardingRulesDlg() : CRecordPage(u"Port Forwarding"), m_part(*this)
{
    m_part.Show(&m_record.vRules);
}

void CIPForwardingRulesDlg::OnRecordShown()
{
    m_part.Show(&m_record.vRules);
}

void CIPForwardingRulesDlg::Enable(bool bEnable)
{
    m_part.Enable(bEnable);
}

// ---- The dialog ----------------------------------------------------------------------------

CIPForwardingRulesListDlg::CIPForwardingRulesListDlg(std::vector<ForwardingRule>& rRules)
    : CDialog(u"IP Forwarding Rules"), m_rRules(rRules), m_part(*this)
{
    AddOkCancel();
}

void CIPForwardingRulesListDlg::OnInitialise()
{
    m_part.Show(&m_rRules);
}

bool EditForwardingRules(CForm& rOwner, std::vector<ForwardingRule>& rRules)
{
    std::vector<ForwardingRule> vCopy = rRules;
    CIPForwardingRulesListDlg dlg(vCopy);
    if (rOwner.RunDialog(dlg) != EDlgResult::Ok)
        return false;
    rRules = std::move(vCopy);
    return true;
}

} // namespace kov
