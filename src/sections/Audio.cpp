#include "sections/Audio.h"

#include "sections/NetworkTypes.h"

namespace kov {

bool SAudioConfig::Exchange(NodeRef root, bool bStore)
{
    const NodeRef rules = root.FindOrCreateChild(kCaptureDeviceRulesName, kKovNamespaceUri, bStore)
                              .FindOrCreateChild(u"kov:AudioChannelRules", kKovNamespaceUri, bStore);
    return ExchangeEnumAttribute(rules, u"kov:AudioChannelsGrouping", kAudioChannelsGroupingTexts, bStore,
                                 eGrouping);
}

CAudioConfigDlg::CAudioConfigDlg()
    : CRecordPage(u"Audio"), m_rGrouping(AddDropDownList(IDC_GROUPING, u"Audio Channels Grouping:"))
{
    AddStretch();
    // The choices are the groupings after "Fixed": entry index = value - 1.
    m_rGrouping.AddItem(u"Multiple Subchannels");
    m_rGrouping.AddItem(u"Multiple Channels");
    using R = SAudioConfig;
    Bind().Custom([this](const R& r) { m_rGrouping.SetSelection(static_cast<int>(r.eGrouping) - 1); },
                  [this](R& r) {
                      if (r.eGrouping != AudioChannelsGrouping::Fixed && m_rGrouping.Selection() >= 0)
                          r.eGrouping = static_cast<AudioChannelsGrouping>(m_rGrouping.Selection() + 1);
                  });
}

std::span<const SToolTip> CAudioConfigDlg::ToolTips() const
{
    static constexpr SToolTip kToolTips[] = {
        {IDC_GROUPING, u"Choose one stereo channel or two mono channels."},
    };
    return kToolTips;
}

void CAudioConfigDlg::Enable(bool bEnable)
{
    m_rGrouping.SetEnabled(bEnable && m_record.eGrouping != AudioChannelsGrouping::Fixed);
}

} // namespace kov
