#pragma once
// Local Control: the mode the device starts in ("kov:CaptureDeviceRules" / "kov:LocalControl").
// Whether the device has local control at all is the document's to say; the page edits the mode
// only where it is enabled, and writes the flag back as it was read.
#include <cstdint>
#include <span>

#include "document/Exchange.h"
#include "document/ValueTree.h"
#include "sections/RecordPage.h"

namespace kov {

enum class InitialOperationMode : int32_t {
    Online = 0,
    Offline = 1,
    BroadcastRecording = 2,
    OfflineRecording = 3,
    LowPower = 4,
};

inline constexpr EnumText kInitialOperationModeTexts[] = {
    {InitialOperationMode::Online, u"Online"},
    {InitialOperationMode::Offline, u"Offline"},
    {InitialOperationMode::BroadcastRecording, u"Broadcast Recording"},
    {InitialOperationMode::OfflineRecording, u"Offline Recording"},
    {InitialOperationMode::LowPower, u"Low Power"},
};

struct SLocalControl {
    bool bEnable = false;
    InitialOperationMode eInitialOperationMode = InitialOperationMode::Online;

    // Under the root. The mode is exchanged only while local control is enabled (on reading, as
    // just read). A missing section, flag or mode, or a mode outside the table, fails the read.
    bool Exchange(NodeRef root, bool bStore);
};

class CLocalControlParamsDlg : public CRecordPage<SLocalControl> {
public:
    enum : int { IDC_INITIAL_MODE = 1000 };

    CLocalControlParamsDlg();

    void Enable(bool bEnable) override;

protected:
    std::span<const SToolTip> ToolTips() const override;

private:
    CDropDownList& m_rMode;
};

} // namespace kov
