#include "shell/Subjects.h"

namespace kov {

namespace {

// Page-set orders. The log view takes part in none of them; Streams has no page.
constexpr int32_t kLoadOrder[] = {
    kSubjectDeviceIdentification,
    kSubjectConnection,
    kSubjectRecording,
    kSubjectLocation,
    kSubjectPtz,
    kSubjectEthernet,
    kSubjectSim,
    kSubjectModem,
    kSubjectWifi,
    kSubjectGpio,
    kSubjectSms,
    kSubjectMaintenance,
    kSubjectInput,
    kSubjectOutput,
    kSubjectTime,
    kSubjectLocalControl,
    kSubjectAudio,
    kSubjectPortForwarding,
};
// Loaded after the others; its mismatch does not count.
constexpr int32_t kLoadUncounted = kSubjectVpn;

constexpr int32_t kStoreOrder[] = {
    kSubjectDeviceIdentification,
    kSubjectConnection,
    kSubjectRecording,
    kSubjectLocation,
    kSubjectPtz,
    kSubjectEthernet,
    kSubjectSim,
    kSubjectModem,
    kSubjectWifi,
    kSubjectGpio,
    kSubjectSms,
    kSubjectMaintenance,
    kSubjectInput,
    kSubjectOutput,
    kSubjectVpn,
    kSubjectTime,
    kSubjectLocalControl,
    kSubjectAudio,
    kSubjectPortForwarding,
};

constexpr int32_t kEnableOrder[] = {
    kSubjectDeviceIdentification,
    kSubjectConnection,
    kSubjectMaintenance,
    kSubjectRecording,
    kSubjectLocation,
    kSubjectPtz,
    kSubjectEthernet,
    kSubjectSim,
    kSubjectModem,
    kSubjectWifi,
    kSubjectGpio,
    kSubjectSms,
    kSubjectInput,
    kSubjectOutput,
    kSubjectVpn,
    kSubjectTime,
    kSubjectLocalControl,
    kSubjectAudio,
    kSubjectPortForwarding,
};

} // namespace

const SSubject* FindSubject(int32_t iSubjectId)
{
    for (const SSubject& subject : kSubjects) {
        if (subject.iId == iSubjectId)
            return &subject;
    }
    return nullptr;
}

void CSubjectsTree::Switch(int32_t iSubjectId)
{
    if (!FindSubject(iSubjectId) || iSubjectId == m_iSelection)
        return;
    m_iSelection = iSubjectId;
    if (m_fnOnShowSelection)
        m_fnOnShowSelection(iSubjectId);
    if (m_fnOnSelectionChanged)
        m_fnOnSelectionChanged(iSubjectId);
}

CLogView::CLogView() : CForm(u"Log")
{
    m_pEdit = &AddMultiLineEdit(IDC_LOG, {});
}

void CLogView::AppendLine(std::u16string_view wszLine)
{
    std::u16string wszText(wszLine);
    wszText += u"\r\n";
    m_pEdit->Append(wszText);
}

void CViewWindowsSwapper::AddPage(int32_t iSubjectId, std::unique_ptr<CPage> pPage)
{
    if (FindSubject(iSubjectId) && iSubjectId != kSubjectLog && iSubjectId != kSubjectStreams && pPage)
        m_pages[iSubjectId] = std::move(pPage);
}

CPage* CViewWindowsSwapper::PageOf(int32_t iSubjectId) const
{
    auto it = m_pages.find(iSubjectId);
    return it == m_pages.end() ? nullptr : it->second.get();
}

CForm* CViewWindowsSwapper::WindowOf(int32_t iSubjectId)
{
    if (iSubjectId == kSubjectLog)
        return &m_logView;
    return PageOf(iSubjectId);
}

void CViewWindowsSwapper::Switch(int32_t iSubjectId)
{
    CForm* pWindow = WindowOf(iSubjectId);
    m_iCurrentSubject = iSubjectId;
    m_pCurrentWindow = pWindow;
    if (m_fnOnShow)
        m_fnOnShow(iSubjectId, pWindow);
}

bool CViewWindowsSwapper::LoadAll()
{
    bool bAll = true;
    for (int32_t iSubject : kLoadOrder) {
        if (CPage* pPage = PageOf(iSubject); pPage && !pPage->Load())
            bAll = false;
    }
    if (CPage* pPage = PageOf(kLoadUncounted))
        pPage->Load();
    return bAll;
}

void CViewWindowsSwapper::StoreAll()
{
    for (int32_t iSubject : kStoreOrder) {
        if (CPage* pPage = PageOf(iSubject))
            pPage->Store();
    }
}

void CViewWindowsSwapper::EnableAll(bool bEnable)
{
    for (int32_t iSubject : kEnableOrder) {
        if (CPage* pPage = PageOf(iSubject))
            pPage->Enable(bEnable);
    }
}

} // namespace kov
