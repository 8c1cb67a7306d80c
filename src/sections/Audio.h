#pragma once
// Audio: how the device groups its audio channels ("kov:CaptureDeviceRules" /
// "kov:AudioChannelRules"). A device with a fixed grouping keeps it: the page offers no choice.
#include <cstdint>
#include <span>

#include "document/Exchange.h"
#include "document/ValueTree.h"
#include "sections/RecordPage.h"

namespace kov {

enum class AudioChannelsGrouping : int32_t { Fixed = 0, MultipleSubchannels = 1, MultipleChannels = 2 };

inline constexpr EnumText kAudioChannelsGroupingTexts[] = {
    {AudioChannelsGrouping::Fixed, u"Fixed"},
    {AudioChannelsGrouping::MultipleSubchannels, u"Multiple Subchannels"},
    {AudioChannelsGrouping::MultipleChannels, u"Multiple Channels"},
};

struct SAudioConfig {
    AudioChannelsGrouping eGrouping = AudioChannelsGrouping::Fixed;

    // Under the root; a missing section or a text outside the table fails the read and keeps
    // the grouping.
    bool Exchange(NodeRef root, bool bStore);
};

class CAudioConfigDlg : public CRecordPage<SAudioConfig> {
public:
    enum : int { IDC_GROUPING = 1000 };

    CAudioConfigDlg();

    void Enable(bool bEnable) override;

protected:
    std::span<const SToolTip> ToolTips() const override;

private:
    CDropDownList& m_rGrouping;
};

} // namespace kov
