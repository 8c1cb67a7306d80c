#include "upgrade/UpgradeProgressForm.h"

#include <climits>
#include <cstring>

#include "support/TextCodec.h"

namespace kov {

namespace {
constexpr char16_t kStartingText[] = u"Starting Upgrade";
} // namespace

CUpgradeProgressForm::CUpgradeProgressForm(CApplicationUpgrade& rUpgrade, FnOpenWithDefaultHandler fnOpen)
    : CForm(u"Application Upgrade"), m_rUpgrade(rUpgrade), m_fnOpen(std::move(fnOpen))
{
    AddLabel(IDC_STATUS, kStartingText);
    AddProgressBar(IDC_PROGRESS, u"");
    BeginRow();
    AddStretch();
    AddButton(IDC_CANCEL, u"Cancel").SetOnClick([this] { m_rUpgrade.Cancel(); });
    AddStretch();
    End();
}

bool CUpgradeProgressForm::Start()
{
    if (m_rUpgrade.IsBusy()) {
        if (m_bOpen)
            ShowWindow();
        return false;
    }
    if (!m_bOpen) {
        FindControl(IDC_STATUS)->SetCaption(kStartingText);
        Find<CProgressBar>(IDC_PROGRESS)->SetPos(0);
        m_bOpen = true;
    }
    ShowWindow();
    if (m_rUpgrade.Start(EUpgradeMode::Download))
        return true;
    Close();
    return false;
}

void CUpgradeProgressForm::OnReport(const SUpgradeReport& report)
{
    switch (report.eKind) {
    case EUpgradeReport::Status: FindControl(IDC_STATUS)->SetCaption(report.wszText); return;
    case EUpgradeReport::Progress: {
        // The bar counts in int: a range beyond it is scaled down.
        const int64_t llScale = report.llRange / INT_MAX + 1;
        auto& bar = *Find<CProgressBar>(IDC_PROGRESS);
        bar.SetRange(0, static_cast<int>(report.llRange / llScale));
        bar.SetPos(static_cast<int>(report.llPosition / llScale));
        return;
    }
    case EUpgradeReport::NavigationFailed:
    case EUpgradeReport::DownloadFailed:
        if (!m_rUpgrade.IsCancelled())
            MessageBox(UpgradeReportMessage(report), kUpgradeCaption);
        Close();
        return;
    case EUpgradeReport::NoUpgradeFound:
        MessageBox(UpgradeReportMessage(report), kUpgradeCaption);
        Close();
        return;
    case EUpgradeReport::OpenDownloadPage:
        if (m_fnOpen)
            m_fnOpen(report.wszText);
        Close();
        return;
    case EUpgradeReport::Failed: MessageBox(UpgradeReportMessage(report), kUpgradeCaption); return;
    case EUpgradeReport::Saved:
        if (IDeviceEventSink* pOwner = m_rUpgrade.Owner()) {
            const std::string sPath = Utf16ToUtf8(report.wszText);
            SDeviceEventData event;
            event.eEvent = static_cast<DeviceEvent>(m_rUpgrade.FinishMessage());
            event.lParam = m_rUpgrade.OwnerParam();
            event.dwPayloadLength = static_cast<uint32_t>(sPath.size());
            event.pPayload = std::make_unique<char[]>(sPath.size() + 1);
            std::memcpy(event.pPayload.get(), sPath.c_str(), sPath.size() + 1);
            pOwner->PostDeviceEvent(std::move(event));
        }
        Close();
        return;
    case EUpgradeReport::Found:
    case EUpgradeReport::Cancelled: Close(); return;
    }
}

void CUpgradeProgressForm::OnWindowClose()
{
    if (m_rUpgrade.IsBusy())
        m_rUpgrade.Cancel();
    else
        Close();
}

void CUpgradeProgressForm::Close()
{
    m_bOpen = false;
    HideWindow();
}

} // namespace kov
