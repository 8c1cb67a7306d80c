#include "sections/TimeLocation.h"

#include <initializer_list>

#include "sections/NetworkTypes.h"
#include "sections/TimeZones.h"
#include "support/Format.h"
#include "support/TextCodec.h"

namespace kov {

namespace {

constexpr char16_t kUtcZoneName[] = u"UTC";

NodeRef Child(NodeRef parent, std::u16string_view wszName, bool bStore)
{
    return parent.FindOrCreateChild(wszName, kKovNamespaceUri, bStore);
}

} // namespace

// ---- Time ----------------------------------------------------------------------------------

bool SDeviceTime::Exchange(NodeRef root, bool bStore)
{
    const NodeRef config = Child(root, kCaptureDeviceConfigName, bStore);
    const NodeRef rules = Child(root, kCaptureDeviceRulesName, bStore);
    if (!config || !rules)
        return false;
    bool bAll = true;
    if (!bStore)
        bAll &= ExchangeBoolAttribute(config.FindChild(u"kov:GPS"), u"kov:Enable", false, bGpsAvailable);

    const NodeRef time = Child(rules, u"kov:Time", bStore);
    const NodeRef synchronization = Child(time, u"kov:Synchronization", bStore);
    bAll &= ExchangeBoolAttribute(synchronization, u"kov:NTP", bStore, bSynchronizeNtp);
    const NodeRef ntp = Child(time, u"kov:NTP", bStore);
    bAll &= ExchangeBoolAttribute(ntp, u"kov:Enable", bStore, bNtpEnable);
    bAll &= ExchangeTextAttribute(ntp, u"kov:ServerAddress", bStore, wszNtpServerAddress);
    bAll &= ExchangeBoolAttribute(Child(synchronization, u"kov:Location", bStore), u"kov:Enable", bStore,
                                  bSynchronizeLocation);
    const NodeRef zone = Child(time, u"kov:Zone", bStore);
    bAll &= ExchangeTextAttribute(zone, u"kov:Name", bStore, wszZoneName);
    bAll &= ExchangeIntAttribute(zone, u"kov:Minutes", bStore, iZoneMinutes);
    bAll &= ExchangeBoolAttribute(zone, u"kov:DST", bStore, bDaylightSaving);
    return bAll;
}

int ZoneEntryOf(std::u16string_view wszName)
{
    if (wszName.empty())
        return kZoneEntryNone;
    if (wszName == kUtcZoneName)
        return kZoneEntryUtc;
    const std::string sName = Utf16ToUtf8(wszName);
    const std::span<const STimeZone> zones = TimeZoneTable();
    for (size_t iRow = 0; iRow < zones.size(); ++iRow)
        if (sName == zones[iRow].szName)
            return kFirstZoneTableEntry + static_cast<int>(iRow);
    return kZoneEntryNone;
}

std::u16string ZoneEntryText(size_t iRow)
{
    const STimeZone& zone = TimeZoneTable()[iRow];
    return Utf8ToUtf16(std::string(zone.szName) + " (" + UtcOffsetText(zone.iMinutes) + ")");
}

CDeviceTimeParamsDlg::CDeviceTimeParamsDlg() : CRecordPage(u"Time")
{
    using R = SDeviceTime;
    BeginGroup(0, u"Network Time Protocol");
    m_pNtpEnable = &AddCheckBox(IDC_NTP_ENABLE, u"Enable");
    m_pNtpServer = &AddEdit(IDC_NTP_SERVER, u"Server Address:");
    End();
    BeginGroup(0, u"Timezone");
    m_pZone = &AddDropDownList(IDC_ZONE, u"Location:");
    m_pDaylightSaving = &AddCheckBox(IDC_DAYLIGHT_SAVING, u"Daylight saving time (+01:00)");
    End();
    BeginGroup(0, u"Automatic Synchronization");
    m_pSyncNtp = &AddCheckBox(IDC_SYNC_NTP, u"NTP");
    m_pSyncGps = &AddCheckBox(IDC_SYNC_GPS, u"GPS");
    End();
    AddStretch();

    m_pZone->AddItem(u"None");
    m_pZone->AddItem(kUtcZoneName);
    for (size_t iRow = 0; iRow < TimeZoneTable().size(); ++iRow)
        m_pZone->AddItem(ZoneEntryText(iRow));

    m_pNtpEnable->SetOnClick([this] {
        m_record.bNtpEnable = m_pNtpEnable->IsChecked();
        ApplyEnabling();
    });
    m_pZone->SetOnChange([this] { OnZoneChosen(); });

    // The zone's name and offset are the record's as read, or as the list last set them; the
    // offset read from the document is kept even where the table has another.
    Bind()
        .Check(*m_pNtpEnable, &R::bNtpEnable)
        .Text(*m_pNtpServer, &R::wszNtpServerAddress)
        .Custom(
            [this](const R& r) {
                m_iZoneEntry = ZoneEntryOf(r.wszZoneName);
                m_pZone->SetSelection(m_iZoneEntry);
            },
            [](R&) {})
        .Check(*m_pDaylightSaving, &R::bDaylightSaving)
        .Check(*m_pSyncNtp, &R::bSynchronizeNtp)
        .Check(*m_pSyncGps, &R::bSynchronizeLocation);
}

std::span<const SToolTip> CDeviceTimeParamsDlg::ToolTips() const
{
    static constexpr SToolTip kToolTips[] = {
        {IDC_NTP_ENABLE, u"Enable connecting to an NTP server for asking the current global time."},
        {IDC_NTP_SERVER, u"The address for the NTP server."},
        {IDC_ZONE, u"Select the timezone for the device according to its geographical location."},
        {IDC_DAYLIGHT_SAVING, u"Choose whether to add one hour for daylight savings time."},
        {IDC_SYNC_NTP,
         u"Enable synchronizing the device time with a calculated local time using the time from "
         u"the NTP server."},
        {IDC_SYNC_GPS,
         u"Enable synchronizing the device time with a calculated local time using the time from "
         u"GPS satellites."},
    };
    return kToolTips;
}

void CDeviceTimeParamsDlg::OnRecordShown()
{
    ApplyEnabling();
}

void CDeviceTimeParamsDlg::OnZoneChosen()
{
    m_iZoneEntry = m_pZone->Selection();
    if (m_iZoneEntry >= kFirstZoneTableEntry) {
        const STimeZone& zone = TimeZoneTable()[static_cast<size_t>(m_iZoneEntry - kFirstZoneTableEntry)];
        m_record.wszZoneName = Utf8ToUtf16(zone.szName);
        m_record.iZoneMinutes = zone.iMinutes;
    } else {
        m_record.wszZoneName = m_iZoneEntry == kZoneEntryUtc ? kUtcZoneName : u"";
        m_record.iZoneMinutes = 0;
        m_pDaylightSaving->SetChecked(false);
    }
    ApplyEnabling();
}

void CDeviceTimeParamsDlg::Enable(bool bEnable)
{
    m_bEnabled = bEnable;
    ApplyEnabling();
}

void CDeviceTimeParamsDlg::ApplyEnabling()
{
    const bool bZone = m_iZoneEntry > kZoneEntryNone;
    m_pNtpEnable->SetEnabled(m_bEnabled);
    m_pZone->SetEnabled(m_bEnabled);
    m_pNtpServer->SetEnabled(m_bEnabled && m_record.bNtpEnable);
    m_pSyncNtp->SetEnabled(m_bEnabled && m_record.bNtpEnable && bZone);
    m_pSyncGps->SetEnabled(m_bEnabled && m_record.bGpsAvailable && bZone);
    m_pDaylightSaving->SetEnabled(m_bEnabled && m_iZoneEntry >= kFirstZoneTableEntry);
}

// ---- Location ------------------------------------------------------------------------------

bool SGpsSettings::Exchange(NodeRef root, bool bStore)
{
    const NodeRef config = Child(root, kCaptureDeviceConfigName, bStore);
    if (!config)
        return false;
    const NodeRef gps = Child(config, u"kov:GPS", bStore);
    bool bAll = ExchangeBoolAttribute(gps, u"kov:Enable", bStore, bEnable);
    bAll &= ExchangeBoolAttribute(gps, u"kov:Reset", bStore, bReset);
    bAll &= ExchangeBoolAttribute(Child(gps, u"kov:Standalone", bStore), u"kov:Enable", bStore, bStandalone);
    bAll &= ExchangeEnumAttribute(Child(gps, u"kov:Cellular", bStore), u"kov:Mode", kCellularModeTexts,
                                  bStore, eCellularMode);
    bAll &= ExchangeBoolAttribute(Child(config, u"kov:MotionEstimation", bStore), u"kov:Enable", bStore,
                                  bMotionEstimation);
    return bAll;
}

CDeviceGPSParamsDlg::CDeviceGPSParamsDlg() : CRecordPage(u"Location")
{
    using R = SGpsSettings;
    m_pActivate = &AddCheckBox(IDC_ACTIVATE, u"Activate GPS");
    m_pReset = &AddCheckBox(IDC_RESET, u"Reset GPS");
    m_pMode = &AddDropDownList(IDC_CELLULAR_MODE, u"Cellular Mode:");
    m_pMotion = &AddCheckBox(IDC_MOTION_ESTIMATION, u"Enable Motion Estimation");
    m_pStandalone = &AddCheckBox(IDC_STANDALONE, u"Standalone GPS");
    AddStretch();

    FillEnumList(*m_pMode, kCellularModeTexts);
    m_pActivate->SetOnClick([this] {
        m_record.bEnable = m_pActivate->IsChecked();
        ApplyEnabling();
    });

    Bind()
        .Check(*m_pActivate, &R::bEnable)
        .Check(*m_pReset, &R::bReset)
        .ItemData(*m_pMode, &R::eCellularMode)
        .Check(*m_pMotion, &R::bMotionEstimation)
        .Check(*m_pStandalone, &R::bStandalone);
}

std::span<const SToolTip> CDeviceGPSParamsDlg::ToolTips() const
{
    static constexpr SToolTip kToolTips[] = {
        {IDC_ACTIVATE, u"Enable location determination."},
        {IDC_RESET,
         u"Start calculating the location from the beginning, without prior knowledge. This may take "
         u"more time."},
        {IDC_CELLULAR_MODE, u"Select calculation mode with/out cellular assistance. Default: None."},
        {IDC_MOTION_ESTIMATION, u"Use motion estimation to calculate the current location when the exact "
                                u"location is temporarily unavailable."},
        {IDC_STANDALONE, u"Use device standalone GPS equipment, not the cellular modem. This is relevant for "
                         u"VESK-120."},
    };
    return kToolTips;
}

void CDeviceGPSParamsDlg::Enable(bool bEnable)
{
    m_bEnabled = bEnable;
    ApplyEnabling();
}

void CDeviceGPSParamsDlg::ApplyEnabling()
{
    m_pActivate->SetEnabled(m_bEnabled);
    for (CControl* pControl : std::initializer_list<CControl*>{m_pReset, m_pMode, m_pMotion, m_pStandalone})
        pControl->SetEnabled(m_bEnabled && m_record.bEnable);
}

} // namespace kov
