#pragma once
// PTZ: the camera engines, pan-tilt-zoom controllers on the device's serial line. The line's
// baud rate, the default protocol, and the relations that bind a camera identifier to a video
// channel with a protocol ("kov:CaptureDeviceConfig" / "kov:PtzEngines"); the device lists the
// protocols it knows in "kov:PtzProtocols".
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "document/ValueTree.h"
#include "sections/ListEditor.h"
#include "sections/RecordPage.h"

namespace kov {

// One relation.
struct PtzEngine {
    int32_t iDeviceId = 0;     // the camera identifier
    int32_t iVideoChannel = 0; // 0-based
    int32_t iProtocol = -1;    // index into the protocol names; -1 the default protocol

    // The attributes of one "kov:PtzEngine"; missing ones keep their defaults.
    bool Exchange(NodeRef item, bool bStore);
    friend bool operator==(const PtzEngine&, const PtzEngine&) = default;
};

struct SCameraEngines {
    uint32_t dwVideoChannelQuantity = 0;
    std::vector<PtzEngine> vRelations;
    uint32_t dwBaudRate = 0;
    int32_t iDefaultProtocol = 0;
    std::vector<std::u16string> vProtocolNames; // read only

    // Under the root. Reading fails when "kov:CaptureDeviceConfig", "kov:PtzEngines" or
    // "kov:PtzProtocols" is missing, or the quantity or baud rate is; storing replaces the
    // relations and marks their container for erasing, and never writes the protocol names.
    bool Exchange(NodeRef root, bool bStore);
    friend bool operator==(const SCameraEngines&, const SCameraEngines&) = default;
};

// The baud rates the serial line offers.
inline constexpr uint32_t kPtzBaudRates[] = {1200,  1800,  2400,  4800,   9600,
                                             19200, 38400, 57600, 115200, 230400};

// A protocol's name, or "Default" for -1 and for an index outside the list.
std::u16string PtzProtocolText(const std::vector<std::u16string>& vProtocolNames, int32_t iProtocol);

// What the relation dialog edits: the video channel counted from 1, as the operator sees it.
struct SCameraEngineRelation {
    int32_t iCameraId = 0;
    int32_t iVideoChannelNumber = 1;
    int32_t iProtocol = -1;
};

// "Edit Camera Engine Relation".
class CCameraEngineRelationDlg : public CRecordDialog<SCameraEngineRelation> {
public:
    enum : int {
        IDC_VIDEO_CHANNEL = 1002,
        IDC_CAMERA_ID = 1003,
        IDC_PROTOCOL = 1097,
    };

    // Edits rEntry in place, and only when OK is accepted. The names must outlive the dialog.
    CCameraEngineRelationDlg(SCameraEngineRelation& rEntry, uint32_t dwVideoChannelQuantity,
                             const std::vector<std::u16string>& vProtocolNames);

protected:
    bool Check(SCameraEngineRelation& entry) override;

private:
    uint32_t m_dwVideoChannelQuantity;
    const std::vector<std::u16string>& m_vProtocolNames;
    CEdit& m_rVideoChannel;
    CEdit& m_rCameraId;
    CDropDownList& m_rProtocol;
};

class CCameraEngineParamsDlg : public CRecordPage<SCameraEngines> {
public:
    enum : int {
        IDC_BAUD_RATE = 1000,
        IDC_EMPTY = 1020,
        IDC_ADD = 1049,
        IDC_RELATIONS = 1052,
        IDC_DELETE = 1053,
        IDC_CHANGE = 1054,
        IDC_DEFAULT_PROTOCOL = 1097,
    };

    CCameraEngineParamsDlg();

    void Enable(bool bEnable) override;

protected:
    std::span<const SToolTip> ToolTips() const override;
    void OnRecordShown() override;

private:
    std::vector<std::u16string> RowCells(const PtzEngine& relation) const;
    PtzEngine NewRelation() const;
    bool EditRelation(PtzEngine& rRelation);

    CDropDownList& m_rDefaultProtocol;
    CDropDownList& m_rBaudRate;
    CListView& m_rRelations;
    std::unique_ptr<CListEditor<PtzEngine>> m_pEditor;
};

} // namespace kov
