#pragma once
// The Driver menu's progress window: the running log, a progress bar, Stop (Close once the work
// has ended) and Copy Log, over a worker thread that runs the driver work. One run at a time: a
// Driver command while the window is open only brings it forward. The worker never touches the
// form: its log lines, progress and end are posted to the interface thread.
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "drivers/DriverWork.h"
#include "form/Form.h"
#include "support/Threads.h"

namespace kov {

// Hands a task to the interface thread, to run there later in posting order.
using FnPostToInterface = std::function<void(std::function<void()>)>;

class CDownloadInstallDriversProcessDlg final : public CForm, private CSimpleThread {
public:
    enum : int { IDC_LOG = 1002, IDC_PROGRESS = 1147, IDC_STOP = 1019, IDC_COPY_LOG = 1021 };
    static constexpr const char* kThreadName = "download and install drivers";
    // Longer log lines are not shown.
    static constexpr size_t kMaxLogLine = 255;

    CDownloadInstallDriversProcessDlg(CDriverWork& rWork, FnPostToInterface fnPost);
    // Stops a run (it ends after its current step) and waits for it.
    ~CDownloadInstallDriversProcessDlg() override;

    // Opens the window and starts a run of the mode; while the window is open (or a stopped run
    // still finishes its step) it only brings the window forward and returns false.
    bool Start(DriverTaskMode eMode);
    // Stop, the window's close button, and the main window closing: the run stops logging at
    // once and ends after its current step; the window goes.
    void Stop();
    void OnWindowClose() override { Stop(); }

    bool IsWorking() const { return m_bWorking.load(); }
    bool IsStopped() const { return m_bStopped.load(); }
    const std::u16string& LogText() const;
    // Waits for the worker (tests; the interface thread still has to run what it posted).
    void WaitForWorker() { Join(); }

    static std::u16string Caption(DriverTaskMode eMode);

private:
    class CPostingLog;
    uint32_t Run(uint32_t dwArgument) override;
    void Post(std::function<void()> fnTask);
    void CopyLog();

    CDriverWork& m_rWork;
    FnPostToInterface m_fnPost;
    // Tasks posted after this dialog is gone find the token expired and do nothing.
    std::shared_ptr<int> m_pAlive = std::make_shared<int>(0);
    DriverTaskMode m_eMode = DriverTaskMode::Download;
    std::atomic<bool> m_bStopped{false};
    std::atomic<bool> m_bWorking{false};
    std::atomic<int> m_iRun{0};
};

} // namespace kov
