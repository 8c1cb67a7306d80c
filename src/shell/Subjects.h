#pragma once
// The subjects tree and the page area: which configuration subjects exist, in which order,
// which page shows each, and the three operations the main window runs on every page.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "form/Page.h"

namespace kov {

enum ESubject : int32_t {
    kSubjectNone = 0,
    kSubjectLog = 1,
    kSubjectDeviceIdentification = 2,
    kSubjectGpio = 3,
    kSubjectConnection = 4,
    kSubjectMaintenance = 5,
    kSubjectRecording = 6,
    kSubjectLocation = 7,
    kSubjectPtz = 8,
    kSubjectEthernet = 9,
    kSubjectSim = 10,
    kSubjectModem = 11,
    kSubjectWifi = 12,
    kSubjectVpn = 13,
    kSubjectSms = 14,
    kSubjectStreams = 16,
    kSubjectInput = 17,
    kSubjectOutput = 18,
    kSubjectTime = 19,
    kSubjectLocalControl = 20,
    kSubjectAudio = 21,
    kSubjectPortForwarding = 22,
};

struct SSubject {
    int32_t iId;
    const char16_t* wszLabel;
    int32_t iParentId; // kSubjectNone for top-level items
};

// Tree order.
inline constexpr std::array<SSubject, 21> kSubjects = {{
    {kSubjectDeviceIdentification, u"Device Identification", kSubjectNone},
    {kSubjectConnection, u"Connection", kSubjectNone},
    {kSubjectModem, u"Modem", kSubjectNone},
    {kSubjectEthernet, u"Ethernet", kSubjectNone},
    {kSubjectWifi, u"Wi-Fi", kSubjectNone},
    {kSubjectSim, u"SIM", kSubjectNone},
    {kSubjectVpn, u"VPN", kSubjectNone},
    {kSubjectSms, u"SMS", kSubjectNone},
    {kSubjectAudio, u"Audio", kSubjectNone},
    {kSubjectGpio, u"GPIO", kSubjectNone},
    {kSubjectRecording, u"Recording", kSubjectNone},
    {kSubjectLocation, u"Location", kSubjectNone},
    {kSubjectPtz, u"PTZ", kSubjectNone},
    {kSubjectTime, u"Time", kSubjectNone},
    {kSubjectLocalControl, u"Local Control", kSubjectNone},
    {kSubjectStreams, u"Streams", kSubjectNone},
    {kSubjectInput, u"Input", kSubjectStreams},
    {kSubjectOutput, u"Output", kSubjectStreams},
    {kSubjectPortForwarding, u"Port Forwarding", kSubjectNone},
    {kSubjectMaintenance, u"Maintenance", kSubjectNone},
    {kSubjectLog, u"Log", kSubjectNone},
}};

// The row of a subject id; nullptr for ids without one.
const SSubject* FindSubject(int32_t iSubjectId);

class IViewerSwitch {
public:
    virtual ~IViewerSwitch() = default;
    virtual void Switch(int32_t iSubjectId) = 0;
};

// The tree's logic: one item per subject, the selection, and the selection-changed
// notification (the renderer shows the selection; the main window reacts to the change).
class CSubjectsTree final : public IViewerSwitch {
public:
    // Selects the subject's item and raises the notification; ids without an item, and the
    // item already selected, do nothing.
    void Switch(int32_t iSubjectId) override;
    int32_t Selection() const { return m_iSelection; }

    // The main window's handler of the selection change.
    void SetOnSelectionChanged(std::function<void(int32_t)> fn) { m_fnOnSelectionChanged = std::move(fn); }
    // The renderer's: puts its selection on the item.
    void SetOnShowSelection(std::function<void(int32_t)> fn) { m_fnOnShowSelection = std::move(fn); }

private:
    int32_t m_iSelection = kSubjectNone;
    std::function<void(int32_t)> m_fnOnSelectionChanged;
    std::function<void(int32_t)> m_fnOnShowSelection;
};

// The log view: a multi-line edit that collects device lines at all times.
class CLogView final : public CForm {
public:
    static constexpr int IDC_LOG = 1200;

    CLogView();
    // Adds the line and "\r\n" at the end, whatever the operator clicked or selected.
    void AppendLine(std::u16string_view wszLine);
    CEdit& Edit() const { return *m_pEdit; }
    const std::u16string& Text() const { return m_pEdit->Text(); }

private:
    CEdit* m_pEdit = nullptr;
};

// The page area: owns the pages and the log view, shows one of them, and runs the page-set
// operations. Pages not built yet are simply absent; the orders below name every subject.
class CViewWindowsSwapper final : public IViewerSwitch {
public:
    void AddPage(int32_t iSubjectId, std::unique_ptr<CPage> pPage);
    CPage* PageOf(int32_t iSubjectId) const;
    // The page, the log view for Log, nullptr for Streams and ids without a page.
    CForm* WindowOf(int32_t iSubjectId);

    void Switch(int32_t iSubjectId) override;
    int32_t CurrentSubject() const { return m_iCurrentSubject; }
    CForm* CurrentWindow() const { return m_pCurrentWindow; }
    // The renderer's: hides the window shown and shows the new one (nullptr: nothing).
    void SetOnShow(std::function<void(int32_t, CForm*)> fn) { m_fnOnShow = std::move(fn); }

    // Loads every page; true only when every page but VPN matched its section.
    bool LoadAll();
    void StoreAll();
    void EnableAll(bool bEnable);

    CLogView& LogView() { return m_logView; }

private:
    CLogView m_logView;
    std::map<int32_t, std::unique_ptr<CPage>> m_pages;
    int32_t m_iCurrentSubject = kSubjectNone;
    CForm* m_pCurrentWindow = nullptr;
    std::function<void(int32_t, CForm*)> m_fnOnShow;
};

} // namespace kov
