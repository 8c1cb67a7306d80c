#include "form/Form.h"

#include <utility>

#include "form/Dialog.h"

namespace kov {

CForm::CForm(std::u16string wszTitle) : m_wszTitle(std::move(wszTitle))
{
    m_vOpen.push_back(&m_layout);
}

CForm::~CForm()
{
    NotifyForm(EFormChange::Destroyed);
}

void CForm::ShowWindow()
{
    if (m_pHost)
        m_pHost->ShowModeless(*this);
}

void CForm::HideWindow()
{
    if (m_pHost)
        m_pHost->HideModeless(*this);
}

bool CForm::IsWindowShown() const
{
    return m_pHost && m_pHost->IsModelessShown(*this);
}

void CForm::SetTitle(std::u16string wszTitle)
{
    if (wszTitle != m_wszTitle) {
        m_wszTitle = std::move(wszTitle);
        NotifyForm(EFormChange::Title);
    }
}

template <class T, class... Args> T& CForm::Add(ELayout eLayout, Args&&... args)
{
    auto pControl = std::make_unique<T>(*this, std::forward<Args>(args)...);
    T& rControl = *pControl;
    m_vControls.push_back(std::move(pControl));
    SLayoutNode node;
    node.eKind = eLayout;
    node.pControl = &rControl;
    // Only the innermost open container grows, so the pointers to the open ones stay valid.
    m_vOpen.back()->vChildren.push_back(std::move(node));
    if (eLayout == ELayout::Group) {
        m_vOpen.push_back(&m_vOpen.back()->vChildren.back());
    }
    return rControl;
}

CLabel& CForm::AddLabel(int iId, std::u16string wszText)
{
    return Add<CLabel>(ELayout::Control, iId, std::move(wszText));
}

CEdit& CForm::AddEdit(int iId, std::u16string wszLabel)
{
    return Add<CEdit>(ELayout::Control, EControlKind::Edit, iId, std::move(wszLabel));
}

CComboEdit& CForm::AddComboEdit(int iId, std::u16string wszLabel)
{
    return Add<CComboEdit>(ELayout::Control, iId, std::move(wszLabel));
}

CEdit& CForm::AddNumberEdit(int iId, std::u16string wszLabel)
{
    return Add<CEdit>(ELayout::Control, EControlKind::NumberEdit, iId, std::move(wszLabel));
}

CEdit& CForm::AddPasswordEdit(int iId, std::u16string wszLabel)
{
    return Add<CEdit>(ELayout::Control, EControlKind::PasswordEdit, iId, std::move(wszLabel));
}

CEdit& CForm::AddMultiLineEdit(int iId, std::u16string wszLabel)
{
    return Add<CEdit>(ELayout::Control, EControlKind::MultiLineEdit, iId, std::move(wszLabel));
}

CIpAddressEdit& CForm::AddIpAddress(int iId, std::u16string wszLabel)
{
    return Add<CIpAddressEdit>(ELayout::Control, iId, std::move(wszLabel));
}

CCheckBox& CForm::AddCheckBox(int iId, std::u16string wszText)
{
    return Add<CCheckBox>(ELayout::Control, iId, std::move(wszText));
}

CRadioButton& CForm::AddRadioButton(int iId, std::u16string wszText, int iGroup)
{
    return Add<CRadioButton>(ELayout::Control, iId, std::move(wszText), iGroup);
}

CDropDownList& CForm::AddDropDownList(int iId, std::u16string wszLabel)
{
    return Add<CDropDownList>(ELayout::Control, iId, std::move(wszLabel));
}

CListView& CForm::AddListView(int iId, std::u16string wszLabel)
{
    return Add<CListView>(ELayout::Control, iId, std::move(wszLabel));
}

CButton& CForm::AddButton(int iId, std::u16string wszText)
{
    return Add<CButton>(ELayout::Control, iId, std::move(wszText));
}

CProgressBar& CForm::AddProgressBar(int iId, std::u16string wszLabel)
{
    return Add<CProgressBar>(ELayout::Control, iId, std::move(wszLabel));
}

CGroupBox& CForm::BeginGroup(int iId, std::u16string wszCaption)
{
    return Add<CGroupBox>(ELayout::Group, iId, std::move(wszCaption));
}

void CForm::BeginRow()
{
    m_vOpen.back()->vChildren.push_back(SLayoutNode{ELayout::Row, nullptr, {}});
    m_vOpen.push_back(&m_vOpen.back()->vChildren.back());
}

void CForm::BeginColumn()
{
    m_vOpen.back()->vChildren.push_back(SLayoutNode{ELayout::Column, nullptr, {}});
    m_vOpen.push_back(&m_vOpen.back()->vChildren.back());
}

void CForm::AddStretch()
{
    m_vOpen.back()->vChildren.push_back(SLayoutNode{ELayout::Stretch, nullptr, {}});
}

void CForm::End()
{
    if (m_vOpen.size() > 1) {
        m_vOpen.pop_back();
    }
}

CControl* CForm::FindControl(int iId) const
{
    for (const std::unique_ptr<CControl>& pControl : m_vControls) {
        if (pControl->Id() == iId) {
            return pControl.get();
        }
    }
    return nullptr;
}

void CForm::EnableAll(bool bEnable)
{
    for (const std::unique_ptr<CControl>& pControl : m_vControls) {
        if (pControl->Kind() != EControlKind::Label && pControl->Kind() != EControlKind::GroupBox) {
            pControl->SetEnabled(bEnable);
        }
    }
}

void CForm::EnableControls(std::initializer_list<int> ids, bool bEnable)
{
    for (int iId : ids) {
        if (CControl* pControl = FindControl(iId)) {
            pControl->SetEnabled(bEnable);
        }
    }
}

int CForm::AttachToolTips(std::span<const SToolTip> tips)
{
    int nAttached = 0;
    for (const SToolTip& tip : tips) {
        CControl* pControl = FindControl(tip.iControlId);
        if (pControl != nullptr && tip.wszText != nullptr) {
            pControl->SetToolTip(tip.wszText);
            ++nAttached;
        }
    }
    return nAttached;
}

void CForm::Initialise()
{
    OnInitialise();
    AttachToolTips(ToolTips());
}

bool CForm::Type(int iId, std::u16string wszText)
{
    CEdit* pEdit = Find<CEdit>(iId);
    return pEdit != nullptr && pEdit->UserSetText(std::move(wszText));
}

bool CForm::Click(int iId)
{
    CControl* pControl = FindControl(iId);
    if (auto* pButton = dynamic_cast<CButton*>(pControl)) {
        return pButton->UserClick();
    }
    if (auto* pCheck = dynamic_cast<CCheckBox*>(pControl)) {
        return pCheck->UserClick();
    }
    if (auto* pRadio = dynamic_cast<CRadioButton*>(pControl)) {
        return pRadio->UserClick();
    }
    return false;
}

bool CForm::Choose(int iId, int iIndex)
{
    CControl* pControl = FindControl(iId);
    if (auto* pList = dynamic_cast<CDropDownList*>(pControl)) {
        return pList->UserSelect(iIndex);
    }
    if (auto* pView = dynamic_cast<CListView*>(pControl)) {
        return pView->UserSelect(iIndex);
    }
    if (auto* pCombo = dynamic_cast<CComboEdit*>(pControl)) {
        return pCombo->UserChoose(iIndex);
    }
    return false;
}

bool CForm::DoubleClick(int iId, int iRow)
{
    CListView* pView = Find<CListView>(iId);
    return pView != nullptr && pView->UserDoubleClick(iRow);
}

bool CForm::TypeAddress(int iId, std::optional<std::uint32_t> dwAddress)
{
    CIpAddressEdit* pAddress = Find<CIpAddressEdit>(iId);
    return pAddress != nullptr && pAddress->UserSetAddress(dwAddress);
}

std::u16string CForm::TextOf(int iId) const
{
    CControl* pControl = FindControl(iId);
    if (auto* pEdit = dynamic_cast<CEdit*>(pControl)) {
        return pEdit->Text();
    }
    if (auto* pAddress = dynamic_cast<CIpAddressEdit*>(pControl)) {
        return pAddress->Text();
    }
    return pControl != nullptr ? pControl->Caption() : std::u16string{};
}

bool CForm::IsChecked(int iId) const
{
    CControl* pControl = FindControl(iId);
    if (auto* pCheck = dynamic_cast<CCheckBox*>(pControl)) {
        return pCheck->IsChecked();
    }
    auto* pRadio = dynamic_cast<CRadioButton*>(pControl);
    return pRadio != nullptr && pRadio->IsChecked();
}

int CForm::SelectionOf(int iId) const
{
    CControl* pControl = FindControl(iId);
    if (auto* pList = dynamic_cast<CDropDownList*>(pControl)) {
        return pList->Selection();
    }
    auto* pView = dynamic_cast<CListView*>(pControl);
    return pView != nullptr ? pView->Selection() : -1;
}

bool CForm::IsEnabled(int iId) const
{
    CControl* pControl = FindControl(iId);
    return pControl != nullptr && pControl->IsEnabled();
}

int CForm::CheckedRadio(int iGroup) const
{
    for (const std::unique_ptr<CControl>& pControl : m_vControls) {
        auto* pRadio = dynamic_cast<CRadioButton*>(pControl.get());
        if (pRadio != nullptr && pRadio->Group() == iGroup && pRadio->IsChecked()) {
            return pRadio->Id();
        }
    }
    return -1;
}

bool CForm::CheckRadio(int iGroup, int iId)
{
    for (const std::unique_ptr<CControl>& pControl : m_vControls) {
        auto* pRadio = dynamic_cast<CRadioButton*>(pControl.get());
        if (pRadio != nullptr && pRadio->Group() == iGroup && pRadio->Id() == iId) {
            pRadio->SetChecked(true);
            return true;
        }
    }
    return false;
}

void CForm::UncheckGroup(int iGroup, const CRadioButton* pExcept)
{
    for (const std::unique_ptr<CControl>& pControl : m_vControls) {
        auto* pRadio = dynamic_cast<CRadioButton*>(pControl.get());
        if (pRadio != nullptr && pRadio != pExcept && pRadio->Group() == iGroup) {
            pRadio->SetCheckedAlone(false);
        }
    }
}

EDlgResult CForm::MessageBox(std::u16string_view wszText, std::u16string_view wszCaption,
                             EMsgButtons eButtons, EMsgIcon eIcon)
{
    if (m_pHost != nullptr) {
        return m_pHost->MessageBox(wszText, wszCaption, eButtons, eIcon);
    }
    switch (eButtons) {
    case EMsgButtons::Ok: return EDlgResult::Ok;
    case EMsgButtons::OkCancel: return EDlgResult::Cancel;
    case EMsgButtons::YesNo: break;
    }
    return EDlgResult::No;
}

EDlgResult CForm::RunDialog(CDialog& rDialog)
{
    if (m_pHost == nullptr) {
        return EDlgResult::Cancel;
    }
    rDialog.SetHost(m_pHost);
    return m_pHost->RunModal(rDialog);
}

std::optional<std::u16string> CForm::OpenFileDialog(const SFileDialogOptions& options)
{
    return m_pHost != nullptr ? m_pHost->OpenFileDialog(options) : std::nullopt;
}

std::optional<std::u16string> CForm::SaveFileDialog(const SFileDialogOptions& options)
{
    return m_pHost != nullptr ? m_pHost->SaveFileDialog(options) : std::nullopt;
}

void CForm::NotifyControl(CControl& rControl, EChange eChange)
{
    if (m_pObserver != nullptr) {
        m_pObserver->OnControlChanged(rControl, eChange);
    }
}

void CForm::NotifyForm(EFormChange eChange)
{
    if (m_pObserver != nullptr) {
        m_pObserver->OnFormChanged(*this, eChange);
    }
}

} // namespace kov
