#include "sections/LocalControl.h"

#include "sections/NetworkTypes.h"

namespace kov {

bool SLocalControl::Exchange(NodeRef root, bool bStore)
{
    const NodeRef rules = root.FindOrCreateChild(kCaptureDeviceRulesName, kKovNamespaceUri, bStore);
    if (!rules)
        return false;
    const NodeRef localControl = rules.FindOrCreateChild(u"kov:LocalControl", kKovNamespaceUri, bStore);
    bool bAll = ExchangeBoolAttribute(localControl, u"kov:Enable", bStore, bEnable);
    if (bEnable)
        bAll &= ExchangeEnumAttribute(localControl, u"kov:InitialOperationMode", kInitialOperationModeTexts,
                                      bStore, eInitialOperationMode);
    return bAll;
}

CLocalControlParamsDlg::CLocalControlParamsDlg()
    : CRecordPage(u"Local Control"), m_rMode(AddDropDownList(IDC_INITIAL_MODE, u"Initial device mode:"))
{
    AddStretch();
    for (const EnumText& row : kInitialOperationModeTexts)
        m_rMode.AddItem(row.wszText);
    Bind().Position(m_rMode, &SLocalControl::eInitialOperationMode);
}

std::span<const SToolTip> CLocalControlParamsDlg::ToolTips() const
{
    static constexpr SToolTip kToolTips[] = {
        {IDC_INITIAL_MODE, u"Select initial device mode. This is relevant for VESK-120."},
    };
    return kToolTips;
}

void CLocalControlParamsDlg::Enable(bool bEnable)
{
    m_rMode.SetEnabled(bEnable && m_record.bEnable);
}

} // namespace kov
