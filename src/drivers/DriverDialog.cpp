#include "drivers/DriverDialog.h"

namespace kov {

// The worker's log: lines and progress posted to the form, nothing once stopped.
class CDownloadInstallDriversProcessDlg::CPostingLog final : public IDriverLog {
public:
    explicit CPostingLog(CDownloadInstallDriversProcessDlg& rDialog) : m_rDialog(rDialog) {}
    void Log(const std::u16string& wszLine) override
    {
        if (Stopped() || wszLine.empty() || wszLine.size() > kMaxLogLine)
            return;
        m_rDialog.Post(
            [&rDialog = m_rDialog, wszLine] { rDialog.Find<CEdit>(IDC_LOG)->Append(wszLine + u"\r\n"); });
    }
    void Progress(int iPercent) override
    {
        if (!Stopped())
            m_rDialog.Post([&rDialog = m_rDialog, iPercent] {
                rDialog.Find<CProgressBar>(IDC_PROGRESS)->SetPos(iPercent);
            });
    }
    bool Stopped() const override { return m_rDialog.m_bStopped.load(); }

private:
    CDownloadInstallDriversProcessDlg& m_rDialog;
};

CDownloadInstallDriversProcessDlg::CDownloadInstallDriversProcessDlg(CDriverWork& rWork,
                                                                     FnPostToInterface fnPost)
    : CForm(u"Process"), m_rWork(rWork), m_fnPost(std::move(fnPost))
{
    AddMultiLineEdit(IDC_LOG, u"Log").SetReadOnly(true);
    AddProgressBar(IDC_PROGRESS, u"Progress");
    BeginRow();
    AddButton(IDC_STOP, u"Stop").SetOnClick([this] { Stop(); });
    AddStretch();
    AddButton(IDC_COPY_LOG, u"Copy Log").SetOnClick([this] { CopyLog(); });
    End();
}

CDownloadInstallDriversProcessDlg::~CDownloadInstallDriversProcessDlg()
{
    m_bStopped = true;
    m_pAlive.reset();
    Join();
}

std::u16string CDownloadInstallDriversProcessDlg::Caption(DriverTaskMode eMode)
{
    switch (eMode) {
    case DriverTaskMode::DownloadAndInstall: return u"Download and Install Drivers";
    case DriverTaskMode::Install: return u"Install Drivers";
    case DriverTaskMode::Uninstall: return u"Uninstall Drivers";
    case DriverTaskMode::Download: break;
    }
    return u"Process";
}

bool CDownloadInstallDriversProcessDlg::Start(DriverTaskMode eMode)
{
    if (IsWindowShown() || m_bWorking) {
        ShowWindow();
        return false;
    }
    Join(); // a finished run's thread
    m_eMode = eMode;
    SetTitle(Caption(eMode));
    Find<CEdit>(IDC_LOG)->SetText(u"");
    Find<CProgressBar>(IDC_PROGRESS)->SetPos(0);
    FindControl(IDC_STOP)->SetCaption(u"Stop");
    ++m_iRun;
    m_bStopped = false;
    m_bWorking = true;
    ShowWindow();
    if (!CSimpleThread::Start(kThreadName)) {
        m_bWorking = false;
        Find<CEdit>(IDC_LOG)->SetText(u"The driver work could not be started.\r\n");
        FindControl(IDC_STOP)->SetCaption(u"Close");
        return false;
    }
    return true;
}

void CDownloadInstallDriversProcessDlg::Stop()
{
    m_bStopped = true;
    HideWindow();
}

const std::u16string& CDownloadInstallDriversProcessDlg::LogText() const
{
    return Find<CEdit>(IDC_LOG)->Text();
}

void CDownloadInstallDriversProcessDlg::Post(std::function<void()> fnTask)
{
    // What arrives after Stop, or from a run before the current one, has no window to go to.
    m_fnPost([this, pAlive = std::weak_ptr<int>(m_pAlive), iRun = m_iRun.load(), fnTask = std::move(fnTask)] {
        if (pAlive.lock() && iRun == m_iRun.load() && !m_bStopped)
            fnTask();
    });
}

void CDownloadInstallDriversProcessDlg::CopyLog()
{
    if (Host())
        Host()->SetClipboardText(LogText());
}

uint32_t CDownloadInstallDriversProcessDlg::Run(uint32_t)
{
    CPostingLog log(*this);
    const bool bOk = m_rWork.Run(m_eMode, log);
    // Not working any more before Close shows: an operator who sees it may start the next run at
    // once. That run's Start joins this thread first, so this Post still carries this run.
    m_bWorking = false;
    if (!m_bStopped)
        Post([this] { FindControl(IDC_STOP)->SetCaption(u"Close"); });
    return bOk ? 0 : 1;
}

} // namespace kov
