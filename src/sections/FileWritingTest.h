#pragma once
// The "File Writing Test" window: the device's storage write test and, on "Read", its read
// test, each shown as the bytes done and the rate since the test began. The device reports its
// progress as often as it likes; the figures follow at most every 0.2 s, so a fast device
// cannot flood the window with redraws.
#include <cstdint>
#include <string>

#include "form/Form.h"
#include "link/DeviceEvent.h"
#include "support/Stopwatch.h"

namespace kov {

class ParameterDocumentHolder;

// Microseconds since any fixed point; empty: the steady clock.
using FnMicrosecondClock = CStopwatch::FnMicroseconds;

class CWritingTestDlg : public CForm {
public:
    enum : int {
        IDC_WRITE_SIZE = 1000,
        IDC_WRITE_SPEED = 1001,
        IDC_READ_SIZE = 1002,
        IDC_READ_SPEED = 1003,
        IDC_READ = 1004,
        IDC_STOP = 1005,
    };
    // Figures refresh only after more than this many microseconds.
    static constexpr int64_t kRefreshMicroseconds = 200000;

    explicit CWritingTestDlg(ParameterDocumentHolder* pHolder, const FnMicrosecondClock& fnClock = {});

    // Figures back to "?", both measurements forgotten. The window stays as it is.
    void Reset();
    // An active window takes progress reports; an inactive one drops them.
    void SetActive(bool bActive) { m_bActive = bActive; }
    bool IsActive() const { return m_bActive; }

    // WriteTestProgressEvent and ReadTestProgressEvent (wParam: the bytes done).
    void OnTestProgress(const SDeviceEventData& event);
    // How many reports the window took while active, shown or not: a device still testing is
    // told from one that went quiet while the figures wait for their next refresh.
    uint64_t ReportsTaken() const { return m_nReportsTaken; }

    // "Read": the device starts its read test.
    bool StartReading();
    // "Stop": the device stops testing; the window goes inactive and hides.
    void Stop();

    // Closing the window ends the test as "Stop" does: nobody would see its figures.
    void OnWindowClose() override { Stop(); }

private:
    // One of the two tests: its stopwatch, when its figures were last shown, its two fields.
    struct SMeasure {
        CStopwatch stopwatch;
        int64_t llLastShown = 0;
        CEdit* pSize = nullptr;
        CEdit* pSpeed = nullptr;
    };

    void Progress(SMeasure& measure, uint32_t dwBytes);

    ParameterDocumentHolder* m_pHolder;
    SMeasure m_write;
    SMeasure m_read;
    bool m_bActive = false;
    uint64_t m_nReportsTaken = 0;
};

} // namespace kov
