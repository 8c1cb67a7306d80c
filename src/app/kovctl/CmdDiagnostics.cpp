// kovctl's Debug menu: the critical log, its deletion and the device's diagnostic reports.
// The window's logic asks for them; the reports come to the command instead of into a file
// that opens, and go to standard output, to -o FILE, and with --report into the report file
// the window would write.
#include "app/kovctl/Commands.h"

#include <cstdio>
#include <string>

#include "app/kovctl/DeviceArgs.h"
#include "app/kovctl/DeviceSession.h"
#include "document/FileAccess.h"
#include "shell/Diagnostics.h"
#include "support/TextNumbers.h"

namespace kov {
namespace {

// Where the report goes. The printed bytes go to standard output unless -o names a file,
// which takes the file's bytes and is replaced only once they are all written.
int Deliver(CDeviceSession& session, const SDeviceArgs& a, EReportKind eKind, std::string_view sPrinted,
            std::string_view sFileBytes)
{
    if (a.oOutput) {
        if (!SaveBytesFile(Utf8ToUtf16(*a.oOutput), sFileBytes)) {
            session.Report("Cannot write " + *a.oOutput);
            return kExitFailure;
        }
    } else if (const int iExit = WriteStdout(sPrinted)) {
        return iExit;
    }
    if (!a.bReport)
        return kExitOk;
    const CDiagnostics& diagnostics = session.Frame().Diagnostics();
    const int32_t iDeviceId = diagnostics.DeviceId();
    const std::optional<std::u16string> oPath = diagnostics.Files().Write(eKind, sFileBytes, iDeviceId);
    if (!oPath) {
        const std::u16string wszFolder = diagnostics.Files().Folder(eKind, iDeviceId);
        session.Report(wszFolder.empty()
                           ? std::string("No report file: there is no application-data folder")
                           : "The report file could not be written in " + Utf16ToUtf8(wszFolder));
        return kExitFailure;
    }
    session.Report(Utf16ToUtf8(*oPath));
    return kExitOk;
}

// The position of TYPE among the device's types: an exact name first, then a position.
std::optional<uint32_t> FindType(const std::vector<std::u16string>& vTypes, const std::string& sType)
{
    const std::u16string wszType = Utf8ToUtf16(sType);
    for (size_t i = 0; i < vTypes.size(); ++i)
        if (vTypes[i] == wszType)
            return uint32_t(i);
    uint32_t dwPosition = 0;
    if (ParseWholeUInt32(std::string_view(sType), dwPosition) && dwPosition < vTypes.size())
        return dwPosition;
    return std::nullopt;
}

std::string TypeList(const std::vector<std::u16string>& vTypes, const char* szIndent)
{
    std::string sList;
    for (size_t i = 0; i < vTypes.size(); ++i)
        sList += szIndent + std::to_string(i) + "\t" + Utf16ToUtf8(vTypes[i]) + "\n";
    return sList;
}

} // namespace

int CmdCriticalLog(const SKovctlGlobals& globals, const std::vector<std::string>& args)
{
    SDeviceArgs a;
    if (!ParseDeviceArgs("critical-log", "[-o FILE] [--report] [--password PW]", args,
                         kArgOutput | kArgReport, 0, a))
        return kExitUsage;
    CDeviceSession session(globals, a.password, stderr);
    if (const int iExit = session.Connect())
        return iExit;
    const size_t nFrom = session.Mark();
    if (const int iExit = SendMenuCommand(session, ID_DEBUG_VIEW_CRITICAL_LOG, nFrom, EOutcome::NoDevice))
        return iExit;
    SDeviceEventData event;
    if (const int iExit = session.WaitReport(nFrom, DeviceEvent::CriticalLogEvent, event))
        return iExit;
    const std::string_view sText = ReportText(event);
    if (sText.empty()) {
        // As the window: no file is written, and nothing replaces FILE.
        session.Report(EOutcome::CriticalLogEmpty);
        return kExitOk;
    }
    const std::string sBytes = ReportFileBytes(EReportKind::CriticalLog, sText, event.wParam);
    return Deliver(session, a, EReportKind::CriticalLog, sBytes, sBytes);
}

int CmdDeleteCriticalLog(const SKovctlGlobals& globals, const std::vector<std::string>& args)
{
    return MenuDeviceCommand(globals, args, "delete-critical-log", ID_DEBUG_DELETE_CRITICAL_LOG);
}

int CmdDiagnostics(const SKovctlGlobals& globals, const std::vector<std::string>& args)
{
    const char* szUsage = "--list | TYPE [-o FILE] [--report] [--password PW]";
    SDeviceArgs a;
    const bool bList = std::find(args.begin(), args.end(), "--list") != args.end();
    if (!ParseDeviceArgs("diagnostics", szUsage, args, bList ? kArgList : kArgOutput | kArgReport,
                         bList ? 0 : 1, a))
        return kExitUsage;
    CDeviceSession session(globals, a.password, stderr);
    if (const int iExit = session.Connect())
        return iExit;
    std::vector<std::u16string> vTypes;
    EOutcome eWhyNot = EOutcome::DiagnosticsListEmpty;
    if (!ReadDiagnosticTypes(session.Holder().LoadedDocument(), vTypes, eWhyNot)) {
        session.Report(eWhyNot);
        return kExitFailure;
    }
    if (bList)
        return WriteStdout(TypeList(vTypes, ""));
    const std::optional<uint32_t> oPosition = FindType(vTypes, a.vFiles.front());
    if (!oPosition) {
        std::fprintf(stderr, "kovctl diagnostics: the device has no type \"%s\"; it offers:\n%s",
                     a.vFiles.front().c_str(), TypeList(vTypes, "  ").c_str());
        return kExitUsage;
    }
    // Debug > Diagnostic Information, choosing the type in the window's selection.
    session.View().SetDiagnosticChoice(*oPosition);
    const size_t nFrom = session.Mark();
    if (const int iExit =
            SendMenuCommand(session, ID_DEBUG_DIAGNOSTIC_INFORMATION, nFrom, EOutcome::DiagnosticsNoDevice))
        return iExit;
    SDeviceEventData event;
    if (const int iExit = session.WaitReport(nFrom, DeviceEvent::DiagnosticsReportEvent, event))
        return iExit;
    const std::string_view sText = ReportText(event);
    return Deliver(session, a, EReportKind::DeviceDiagnostics, sText,
                   ReportFileBytes(EReportKind::DeviceDiagnostics, sText));
}

} // namespace kov
