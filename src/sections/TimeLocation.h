#pragma once
// Time and Location. Time: the device's zone and daylight saving, its NTP server, and which
// sources may set its clock ("kov:CaptureDeviceRules" / "kov:Time"); the GPS may set it only
// when the device's GPS is on, which the page reads and never writes. Location: the GPS receiver
// and its options ("kov:CaptureDeviceConfig" / "kov:GPS", "kov:MotionEstimation").
#include <cstdint>
#include <span>
#include <string>

#include "document/Exchange.h"
#include "document/ValueTree.h"
#include "sections/RecordPage.h"

namespace kov {

// ---- Time ----------------------------------------------------------------------------------

struct SDeviceTime {
    bool bNtpEnable = true;
    std::u16string wszNtpServerAddress = u"pool.ntp.org";
    bool bSynchronizeNtp = true;
    bool bSynchronizeLocation = false;
    std::u16string wszZoneName; // empty: no zone
    int32_t iZoneMinutes = 0;   // east of UTC
    bool bDaylightSaving = false;
    // Whether the device's GPS is on: read with the record, never written.
    bool bGpsAvailable = false;

    // Under the root. Reading fails when either enclosing section or any attribute (the GPS flag
    // among them) is missing; whatever is present is still read.
    bool Exchange(NodeRef root, bool bStore);
};

// The zone list's entries: 0 "None", 1 "UTC", then the zone table's rows from 2 on.
inline constexpr int kZoneEntryNone = 0;
inline constexpr int kZoneEntryUtc = 1;
inline constexpr int kFirstZoneTableEntry = 2;

// The entry a zone name selects: "None" for an empty name and for a name the table lacks.
int ZoneEntryOf(std::u16string_view wszName);
// How a zone table row is listed: "Asia/Kolkata (UTC+05:30)".
std::u16string ZoneEntryText(size_t iRow);

class CDeviceTimeParamsDlg : public CRecordPage<SDeviceTime> {
public:
    enum : int {
        IDC_NTP_ENABLE = 1000,
        IDC_NTP_SERVER = 1001,
        IDC_ZONE = 1002,
        IDC_DAYLIGHT_SAVING = 1003,
        IDC_SYNC_NTP = 1004,
        IDC_SYNC_GPS = 1005,
    };

    CDeviceTimeParamsDlg();

    void Enable(bool bEnable) override;

    int ZoneEntry() const { return m_iZoneEntry; }

protected:
    std::span<const SToolTip> ToolTips() const override;
    void OnRecordShown() override;

private:
    void OnZoneChosen();
    void ApplyEnabling();

    bool m_bEnabled = false;
    int m_iZoneEntry = -1;

    CCheckBox* m_pNtpEnable = nullptr;
    CEdit* m_pNtpServer = nullptr;
    CDropDownList* m_pZone = nullptr;
    CCheckBox* m_pDaylightSaving = nullptr;
    CCheckBox* m_pSyncNtp = nullptr;
    CCheckBox* m_pSyncGps = nullptr;
};

// ---- Location ------------------------------------------------------------------------------

enum class CellularMode : int32_t { None = 0, Base = 1, Assisted = 2 };

inline constexpr EnumText kCellularModeTexts[] = {
    {CellularMode::None, u"None"},
    {CellularMode::Base, u"Base"},
    {CellularMode::Assisted, u"Assisted"},
};

struct SGpsSettings {
    bool bEnable = false;
    bool bReset = false;
    bool bStandalone = false;
    CellularMode eCellularMode = CellularMode::None;
    bool bMotionEstimation = false;

    // Under the root: a missing "kov:CaptureDeviceConfig" fails at once; a missing attribute or a
    // mode outside its table fails the read while the rest is still read.
    bool Exchange(NodeRef root, bool bStore);
};

class CDeviceGPSParamsDlg : public CRecordPage<SGpsSettings> {
public:
    enum : int {
        IDC_ACTIVATE = 1000,
        IDC_RESET = 1001,
        IDC_CELLULAR_MODE = 1002,
        IDC_MOTION_ESTIMATION = 1003,
        IDC_STANDALONE = 1004,
    };

    CDeviceGPSParamsDlg();

    void Enable(bool bEnable) override;

protected:
    std::span<const SToolTip> ToolTips() const override;
    void OnRecordShown() override { ApplyEnabling(); }

private:
    void ApplyEnabling();

    bool m_bEnabled = false;
    CCheckBox* m_pActivate = nullptr;
    CCheckBox* m_pReset = nullptr;
    CDropDownList* m_pMode = nullptr;
    CCheckBox* m_pMotion = nullptr;
    CCheckBox* m_pStandalone = nullptr;
};

} // namespace kov
