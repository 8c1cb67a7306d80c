#pragma once
// The Debug menu's reports and Help > Diagnostic Information: the device's critical log, its
// diagnostic report of a type the operator picks from the device's own list, and the program's
// thread-state report. Each is written to a new, time-stamped file under the application-data
// folder and handed to the desktop's viewer; nothing is shown inside the program.
//
// Report files (base: the user's application-data folder):
//   critical log        base/KOV/CriticalDeviceLogs/Critical_Log_YYYY_MM_DD_hh_mm_ss.txt
//   device diagnostics  base/KOV/Device Diagnostics/<device ID>/Information_Report_....txt
//   program state       base/KOV/Device Config Diagnostics/Information_Report_....txt
// A report never replaces another: a second one within the same second is "..._ss_2.txt",
// then "_3", and so on (scripts fetch several types within a second).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/ValueTree.h"
#include "form/Dialog.h"
#include "link/ParameterDocumentHolder.h"
#include "platform/FileSystem.h"
#include "sections/Outcomes.h"
#include "shell/Handlers.h"
#include "shell/MainView.h"
#include "support/Format.h"

namespace kov {

enum class EReportKind { CriticalLog, DeviceDiagnostics, ProgramState };

// The longest report path, in 16-bit units; a longer one drops the report.
inline constexpr size_t kMaxReportPath = 260;
// Room for the program's thread-state report; a longer one is cut.
inline constexpr int kProgramStateReportBytes = 65536;

struct SReportSettings {
    // Holds the "KOV" folder. nullopt: the user's application-data folder; empty: none, so no
    // report is written.
    std::optional<std::u16string> oAppDataFolder;
    IFileSystem* pFileSystem = nullptr; // nullptr: the system's
    std::function<DateTime6()> fnClock; // empty: the local time now
};

// Where report files go, and writing one.
class CReportFiles {
public:
    explicit CReportFiles(SReportSettings settings = {});

    // The folder of a kind of report (device diagnostics: per device ID); empty when there is
    // no application-data folder.
    std::u16string Folder(EReportKind eKind, int32_t iDeviceId = 0) const;
    // Makes the folder with every missing level, then a new file named by the clock, and
    // writes the bytes. The file's path; nullopt when any of it failed, and then nothing of
    // the file is left.
    std::optional<std::u16string> Write(EReportKind eKind, std::string_view sBytes,
                                        int32_t iDeviceId = 0) const;

private:
    bool MakeFolder(const std::u16string& wszFolder) const;

    std::u16string m_wszAppData;
    IFileSystem* m_pFileSystem;
    std::function<DateTime6()> m_fnClock;
};

// "<prefix>_YYYY_MM_DD_hh_mm_ss.txt", with "_<n>" before ".txt" for the n-th file of a second
// (n > 1).
std::u16string ReportFileName(std::u16string_view wszPrefix, const DateTime6& time, int iCopy = 1);

// The device keeps its critical log in a ring and names the oldest byte's position: the log
// oldest first. A position of 0, or one that leaves no byte after it but the last, means the
// ring has not wrapped: the text as it is.
std::string RotateCriticalLog(std::string_view sLog, uint32_t dwOldest);
// What a report file holds for a report's text: the critical log rotated, a device diagnostic
// report after the UTF-8 mark (EF BB BF), the program's state report as it is.
std::string ReportFileBytes(EReportKind eKind, std::string_view sText, uint32_t dwParam = 0);
// A report event's text up to its terminator (the receive loop made its NULs spaces); empty
// when it came without one.
std::string_view ReportText(const SDeviceEventData& event);

// The diagnostic types the device offers, in its document's order. False with the outcome
// that tells why when there is nothing to choose from.
bool ReadDiagnosticTypes(const TreeRef& document, std::vector<std::u16string>& vTypes, EOutcome& eWhyNot);

// "Select Diagnostic Information": the types in the device's order (not sorted), each
// carrying its position; OK needs a type chosen.
class CSelDiagInfoDlg final : public CDialog {
public:
    static constexpr int IDC_DIAGNOSTIC_TYPE = 1120;

    explicit CSelDiagInfoDlg(const std::vector<std::u16string>& vTypes);
    // The chosen type's position once OK ended the dialog; -1 before.
    int32_t Position() const { return m_iPosition; }

protected:
    bool OnOk() override;

private:
    int32_t m_iPosition = -1;
};

// The main window's diagnostics: its commands and the device's report events.
class CDiagnostics final : public IReportHandler {
public:
    // fnDeviceId gives the device ID the Device Identification page holds.
    CDiagnostics(IMainView& view, ParameterDocumentHolder& holder, std::function<int32_t()> fnDeviceId,
                 SReportSettings settings = {});

    // Debug > Diagnostic Information: the device's types, the selection, the request.
    void OnDiagnosticInformation();
    // Help > Diagnostic Information: the program's thread-state report, written and opened.
    void OnProgramStateReport();
    // The critical log or a diagnostic report arrived: written and opened.
    void OnReportEvent(SDeviceEventData event) override;

    const CReportFiles& Files() const { return m_files; }
    int32_t DeviceId() const { return m_fnDeviceId ? m_fnDeviceId() : 0; }

private:
    // A report that cannot be written is dropped without a word: the operator asked to see a
    // file, and no message could show them more than the device or the program already did.
    void WriteAndOpen(EReportKind eKind, std::string_view sBytes, int32_t iDeviceId = 0);
    void Report(EOutcome eOutcome) { m_view.OnOutcome({eOutcome}); }

    IMainView& m_view;
    ParameterDocumentHolder& m_holder;
    std::function<int32_t()> m_fnDeviceId;
    CReportFiles m_files;
};

} // namespace kov
