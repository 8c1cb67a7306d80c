#include "sections/FileWritingTest.h"

#include "link/ParameterDocumentHolder.h"
#include "link/Protocol.h"
#include "support/Format.h"
#include "support/TextCodec.h"

namespace kov {

namespace {

constexpr char16_t kUnknownFigure[] = u"?";

CEdit& AddFigure(CForm& rForm, int iId, std::u16string wszLabel)
{
    CEdit& rFigure = rForm.AddEdit(iId, std::move(wszLabel)).SetReadOnly(true);
    rFigure.SetText(kUnknownFigure);
    return rFigure;
}

} // namespace

CWritingTestDlg::CWritingTestDlg(ParameterDocumentHolder* pHolder, const FnMicrosecondClock& fnClock)
    : CForm(u"File Writing Test"), m_pHolder(pHolder)
{
    m_write.stopwatch = CStopwatch(fnClock);
    m_read.stopwatch = CStopwatch(fnClock);
    m_write.pSize = &AddFigure(*this, IDC_WRITE_SIZE, u"Write Size:");
    m_write.pSpeed = &AddFigure(*this, IDC_WRITE_SPEED, u"Write Speed:");
    m_read.pSize = &AddFigure(*this, IDC_READ_SIZE, u"Read Size:");
    m_read.pSpeed = &AddFigure(*this, IDC_READ_SPEED, u"Read Speed:");
    BeginRow();
    AddStretch();
    AddButton(IDC_READ, u"Read").SetOnClick([this] { StartReading(); });
    AddButton(IDC_STOP, u"Stop").SetOnClick([this] { Stop(); });
    End();
}

void CWritingTestDlg::Reset()
{
    for (SMeasure* pMeasure : {&m_write, &m_read}) {
        pMeasure->stopwatch.Stop();
        pMeasure->llLastShown = 0;
        pMeasure->pSize->SetText(kUnknownFigure);
        pMeasure->pSpeed->SetText(kUnknownFigure);
    }
}

void CWritingTestDlg::OnTestProgress(const SDeviceEventData& event)
{
    if (event.eEvent == DeviceEvent::WriteTestProgressEvent)
        Progress(m_write, event.wParam);
    else if (event.eEvent == DeviceEvent::ReadTestProgressEvent)
        Progress(m_read, event.wParam);
}

void CWritingTestDlg::Progress(SMeasure& measure, uint32_t dwBytes)
{
    if (!m_bActive)
        return;
    ++m_nReportsTaken;
    // The device counts from 0 when a test begins; a device whose first report is already
    // under way is timed from that report rather than never.
    if (dwBytes == 0 || !measure.stopwatch.IsRunning()) {
        measure.stopwatch.Start();
        measure.llLastShown = 0;
        return;
    }
    const int64_t llElapsed = measure.stopwatch.Elapsed();
    if (llElapsed - measure.llLastShown <= kRefreshMicroseconds)
        return;
    ShowWindow();
    measure.pSize->SetText(Utf8ToUtf16(FormatSize(dwBytes)));
    measure.pSpeed->SetText(Utf8ToUtf16(FormatRate(int64_t(dwBytes) * 1000000 / llElapsed)));
    measure.llLastShown = llElapsed;
}

bool CWritingTestDlg::StartReading()
{
    return m_pHolder && m_pHolder->SendCommand(StartReadTest);
}

void CWritingTestDlg::Stop()
{
    if (m_pHolder && m_pHolder->IsConnected())
        m_pHolder->SendCommand(StopWriteTest);
    m_bActive = false;
    HideWindow();
}

} // namespace kov
