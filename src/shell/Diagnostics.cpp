#include "shell/Diagnostics.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "form/Controls.h"
#include "platform/KnownFolders.h"
#include "sections/NetworkTypes.h"
#include "support/CrashLedger.h"
#include "support/Paths.h"
#include "support/ScopeFrame.h"
#include "support/TextCodec.h"
#include "support/TextNumbers.h"

namespace kov {

namespace {

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr char16_t kKovFolder[] = u"KOV";
// Enough for any burst of reports within one second.
constexpr int kMaxCopiesPerSecond = 1000;

std::u16string_view FilePrefix(EReportKind eKind)
{
    return eKind == EReportKind::CriticalLog ? u"Critical_Log" : u"Information_Report";
}

} // namespace

// ---- Report files ----------------------------------------------------------------------

CReportFiles::CReportFiles(SReportSettings settings)
    : m_wszAppData(settings.oAppDataFolder ? std::move(*settings.oAppDataFolder) : UserAppDataFolder()),
      m_pFileSystem(settings.pFileSystem ? settings.pFileSystem : &SystemFileSystem()),
      m_fnClock(settings.fnClock ? std::move(settings.fnClock) : LocalDateTimeNow)
{}

std::u16string CReportFiles::Folder(EReportKind eKind, int32_t iDeviceId) const
{
    if (m_wszAppData.empty())
        return {};
    const std::u16string wszKov = JoinPath(m_wszAppData, kKovFolder);
    switch (eKind) {
    case EReportKind::CriticalLog: return JoinPath(wszKov, u"CriticalDeviceLogs");
    case EReportKind::DeviceDiagnostics:
        return JoinPath(JoinPath(wszKov, u"Device Diagnostics"), DecimalText(iDeviceId));
    case EReportKind::ProgramState: return JoinPath(wszKov, u"Device Config Diagnostics");
    }
    return {};
}

bool CReportFiles::MakeFolder(const std::u16string& wszFolder) const
{
    return CreateDirectoryPath(wszFolder, [this](const std::u16string& wszLevel) {
        const std::string szLevel = Utf16ToUtf8(wszLevel);
        uint32_t dwError = 0;
        return m_pFileSystem->MakeDirectory(szLevel, dwError) ||
               (dwError == ErrorAlreadyExists() && m_pFileSystem->IsDirectory(szLevel));
    });
}

std::optional<std::u16string> CReportFiles::Write(EReportKind eKind, std::string_view sBytes,
                                                  int32_t iDeviceId) const
{
    const std::u16string wszFolder = Folder(eKind, iDeviceId);
    if (wszFolder.empty() || !MakeFolder(wszFolder))
        return std::nullopt;
    const DateTime6 time = m_fnClock();
    IFileSystem& fileSystem = *m_pFileSystem;
    for (int iCopy = 1; iCopy <= kMaxCopiesPerSecond; ++iCopy) {
        const std::u16string wszPath = JoinPath(wszFolder, ReportFileName(FilePrefix(eKind), time, iCopy));
        if (wszPath.size() > kMaxReportPath)
            return std::nullopt;
        const std::string szPath = Utf16ToUtf8(wszPath);
        // Created only when the name is free, so that no earlier report is replaced, by this
        // program or by another one writing at the same moment.
        FileHandle hFile = kNoFileHandle;
        uint32_t dwError = 0;
        if (!fileSystem.Open(szPath, EFileAccess::ReadWrite, EFileDisposition::CreateNew, true, hFile,
                             dwError)) {
            if (dwError == ErrorAlreadyExists())
                continue;
            return std::nullopt;
        }
        bool bWritten = sBytes.empty() || fileSystem.Write(hFile, sBytes.data(), sBytes.size(), dwError) ==
                                              int64_t(sBytes.size());
        bWritten = bWritten && fileSystem.Flush(hFile, dwError);
        fileSystem.Close(hFile);
        if (!bWritten) {
            fileSystem.RemoveFile(szPath, dwError);
            return std::nullopt;
        }
        return wszPath;
    }
    return std::nullopt;
}

std::u16string ReportFileName(std::u16string_view wszPrefix, const DateTime6& time, int iCopy)
{
    char szStamp[96];
    std::snprintf(szStamp, sizeof szStamp, "_%04d_%02d_%02d_%02d_%02d_%02d", int(time.iYear),
                  int(time.iMonth), int(time.iDay), int(time.iHour), int(time.iMinute), int(time.iSecond));
    std::string szTail = szStamp;
    if (iCopy > 1)
        szTail += "_" + std::to_string(iCopy);
    szTail += ".txt";
    return std::u16string(wszPrefix) + Utf8ToUtf16(szTail);
}

// ---- Report contents -------------------------------------------------------------------

std::string RotateCriticalLog(std::string_view sLog, uint32_t dwOldest)
{
    const size_t n = sLog.size();
    if (dwOldest < 1 || n < 3 || dwOldest > n - 2)
        return std::string(sLog);
    std::string sOut(sLog.substr(dwOldest));
    sOut.append(sLog.substr(0, dwOldest));
    return sOut;
}

std::string ReportFileBytes(EReportKind eKind, std::string_view sText, uint32_t dwParam)
{
    switch (eKind) {
    case EReportKind::CriticalLog: return RotateCriticalLog(sText, dwParam);
    case EReportKind::DeviceDiagnostics: return kUtf8Mark + std::string(sText);
    case EReportKind::ProgramState: break;
    }
    return std::string(sText);
}

std::string_view ReportText(const SDeviceEventData& event)
{
    if (!event.pPayload)
        return {};
    return {event.pPayload.get(), strnlen(event.pPayload.get(), event.dwPayloadLength)};
}

bool ReadDiagnosticTypes(const TreeRef& document, std::vector<std::u16string>& vTypes, EOutcome& eWhyNot)
{
    vTypes.clear();
    const NodeRef root = document.Root();
    const NodeRef config = root.FindChild(kCaptureDeviceConfigName);
    const NodeRef types = config.FindChild(u"kov:DiagnosticTypes");
    if (!root)
        eWhyNot = EOutcome::DiagnosticsNoParameters;
    else if (!config)
        eWhyNot = EOutcome::DiagnosticsNoConfig;
    else if (!types)
        eWhyNot = EOutcome::DiagnosticsNotFound;
    else
        eWhyNot = EOutcome::DiagnosticsListEmpty;
    for (NodeRef type = types.FirstChild(); type; type = type.NextSibling())
        if (type.NameIs(u"kov:DiagnosticType"))
            vTypes.emplace_back(type.Text());
    return !vTypes.empty();
}

// ---- The type selection ----------------------------------------------------------------

CSelDiagInfoDlg::CSelDiagInfoDlg(const std::vector<std::u16string>& vTypes)
    : CDialog(u"Select Diagnostic Information")
{
    CDropDownList& rList = AddDropDownList(IDC_DIAGNOSTIC_TYPE, u"Diagnostic information:");
    for (size_t i = 0; i < vTypes.size(); ++i)
        rList.AddItem(vTypes[i], uint32_t(i));
    AddOkCancel();
}

bool CSelDiagInfoDlg::OnOk()
{
    const CDropDownList& rList = *Find<CDropDownList>(IDC_DIAGNOSTIC_TYPE);
    if (rList.Selection() < 0) {
        ReportOutcome(nullptr, Host(), {EOutcome::DiagnosticsNoItemChosen});
        return false;
    }
    m_iPosition = int32_t(rList.SelectedData());
    return true;
}

// ---- The main window's diagnostics ----------------------------------------------------

CDiagnostics::CDiagnostics(IMainView& view, ParameterDocumentHolder& holder,
                           std::function<int32_t()> fnDeviceId, SReportSettings settings)
    : m_view(view), m_holder(holder), m_fnDeviceId(std::move(fnDeviceId)), m_files(std::move(settings))
{}

void CDiagnostics::OnDiagnosticInformation()
{
    std::vector<std::u16string> vTypes;
    EOutcome eWhyNot = EOutcome::DiagnosticsListEmpty;
    if (!ReadDiagnosticTypes(m_holder.LoadedDocument(), vTypes, eWhyNot)) {
        Report(eWhyNot);
        return;
    }
    CSelDiagInfoDlg dlg(vTypes);
    dlg.SetHost(&m_view);
    if (m_view.RunModal(dlg) != EDlgResult::Ok)
        return;
    if (!m_holder.IsConnected()) {
        Report(EOutcome::DiagnosticsNoDevice);
        return;
    }
    m_holder.SendCommand(ReadDiagnostics, uint32_t(dlg.Position()));
}

void CDiagnostics::OnProgramStateReport()
{
    ScopeFrame scope("MF::ODI");
    std::vector<char> vReport(kProgramStateReportBytes);
    const int iLength = WriteThreadsStateReport(vReport.data(), kProgramStateReportBytes);
    if (iLength <= 0)
        return;
    WriteAndOpen(EReportKind::ProgramState, std::string_view(vReport.data(), size_t(iLength)));
}

void CDiagnostics::OnReportEvent(SDeviceEventData event)
{
    const std::string_view sText = ReportText(event);
    if (event.eEvent == DeviceEvent::CriticalLogEvent) {
        if (sText.empty()) {
            Report(EOutcome::CriticalLogEmpty);
            return;
        }
        WriteAndOpen(EReportKind::CriticalLog,
                     ReportFileBytes(EReportKind::CriticalLog, sText, event.wParam));
    } else if (event.eEvent == DeviceEvent::DiagnosticsReportEvent) {
        WriteAndOpen(EReportKind::DeviceDiagnostics, ReportFileBytes(EReportKind::DeviceDiagnostics, sText),
                     DeviceId());
    }
}

void CDiagnostics::WriteAndOpen(EReportKind eKind, std::string_view sBytes, int32_t iDeviceId)
{
    const std::optional<std::u16string> oPath = m_files.Write(eKind, sBytes, iDeviceId);
    if (oPath)
        m_view.OpenWithDefaultHandler(*oPath, m_files.Folder(eKind, iDeviceId));
}

} // namespace kov
