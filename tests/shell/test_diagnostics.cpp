// The Debug menu's reports and Help > Diagnostic Information: file names and folders at a fixed
// time, the critical log's rotation, the type selection, and the device's reports as files.
#include "shell/Diagnostics.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "ShellTestKit.h"
#include "common/PluggedSim.h"
#include "platform/FakeFileSystem.h"
#include "support/CrashLedger.h"
#include "support/TextCodec.h"

namespace kov::test {
namespace {

namespace fs = std::filesystem;

// The system's file system, except that no folder can be made.
class CNoFoldersFileSystem final : public CFullingFileSystem {
public:
    CNoFoldersFileSystem() : CFullingFileSystem(INT64_MAX) {}
    bool MakeDirectory(const std::string&, uint32_t& dwError) override
    {
        dwError = EACCES;
        return false;
    }
};

std::vector<std::string> FilesUnder(const fs::path& folder)
{
    std::vector<std::string> vFiles;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(folder, error))
        if (entry.is_regular_file())
            vFiles.push_back(fs::relative(entry.path(), folder).string());
    std::sort(vFiles.begin(), vFiles.end());
    return vFiles;
}

TEST(ReportFiles, FoldersNamesAndReportsOfTheSameSecond)
{
    CTempFolder folder;
    DateTime6 clock{2024, 5, 1, 9, 8, 7};
    SReportSettings settings;
    settings.oAppDataFolder = folder.File("data");
    settings.fnClock = [&] { return clock; };
    const CReportFiles files(settings);
    const fs::path kov = folder.Path() / "data" / "KOV";

    // Every missing level is made; later reports of the same second never replace earlier ones.
    auto oFirst = files.Write(EReportKind::CriticalLog, "first");
    auto oSecond = files.Write(EReportKind::CriticalLog, "second");
    auto oThird = files.Write(EReportKind::CriticalLog, "");
    ASSERT_TRUE(oFirst && oSecond && oThird);
    const fs::path logs = kov / "CriticalDeviceLogs";
    EXPECT_EQ(fs::path(*oFirst), logs / "Critical_Log_2024_05_01_09_08_07.txt");
    EXPECT_EQ(fs::path(*oSecond), logs / "Critical_Log_2024_05_01_09_08_07_2.txt");
    EXPECT_EQ(fs::path(*oThird), logs / "Critical_Log_2024_05_01_09_08_07_3.txt");
    EXPECT_EQ(ReadFileBytes(*oSecond), "second");
    clock.iSecond = 8;
    EXPECT_EQ(fs::path(*files.Write(EReportKind::CriticalLog, "x")),
              logs / "Critical_Log_2024_05_01_09_08_08.txt");

    // Device reports go by the device ID in decimal, a negative one included.
    EXPECT_EQ(fs::path(*files.Write(EReportKind::DeviceDiagnostics, "d", 1234)),
              kov / "Device Diagnostics" / "1234" / "Information_Report_2024_05_01_09_08_08.txt");
    EXPECT_EQ(fs::path(*files.Write(EReportKind::DeviceDiagnostics, "d", -7)),
              kov / "Device Diagnostics" / "-7" / "Information_Report_2024_05_01_09_08_08.txt");
    EXPECT_EQ(fs::path(*files.Write(EReportKind::ProgramState, "p")),
              kov / "Device Config Diagnostics" / "Information_Report_2024_05_01_09_08_08.txt");

    // Too long a path, no application-data folder, a folder that cannot be made, a disk that
    // fills up: no report, and nothing of it left behind.
    const std::vector<std::string> vBefore = FilesUnder(folder.Path());
    SReportSettings deep = settings;
    deep.oAppDataFolder = folder.File(std::string(230, 'd'));
    EXPECT_FALSE(CReportFiles(deep).Write(EReportKind::CriticalLog, "x"));
    SReportSettings none = settings;
    none.oAppDataFolder = u"";
    EXPECT_FALSE(CReportFiles(none).Write(EReportKind::CriticalLog, "x"));
    EXPECT_TRUE(CReportFiles(none).Folder(EReportKind::CriticalLog).empty());
    CNoFoldersFileSystem noFolders;
    SReportSettings blocked = settings;
    blocked.oAppDataFolder = folder.File("elsewhere");
    blocked.pFileSystem = &noFolders;
    EXPECT_FALSE(CReportFiles(blocked).Write(EReportKind::ProgramState, "x"));
    CFullingFileSystem full(3);
    SReportSettings fills = settings;
    fills.pFileSystem = &full;
    EXPECT_FALSE(CReportFiles(fills).Write(EReportKind::CriticalLog, "too long"));
    EXPECT_EQ(FilesUnder(folder.Path()), vBefore);
}

TEST(ReportContents, CriticalLogRotationAndFileBytes)
{
    const std::string sLog = "0123456789";
    // The oldest byte first, then what came before it (the menu test wraps at 4).
    EXPECT_EQ(RotateCriticalLog(sLog, 8), "8901234567"); // n - 2
    // 0, n - 1 and anything beyond: not wrapped.
    for (uint32_t dwParam : {0u, 9u, 10u, 11u, 0xFFFFFFFFu})
        EXPECT_EQ(RotateCriticalLog(sLog, dwParam), sLog) << dwParam;
    for (const char* sz : {"", "a", "ab"})
        EXPECT_EQ(RotateCriticalLog(sz, 1), sz);
    EXPECT_EQ(RotateCriticalLog("abc", 1), "bca");

    EXPECT_EQ(ReportFileBytes(EReportKind::DeviceDiagnostics, ""), "\xEF\xBB\xBF");
    EXPECT_EQ(ReportFileBytes(EReportKind::ProgramState, "s", 4), "s");
}

// A device document with a device ID and, unless empty, the diagnostic type list given.
std::string DeviceDocument(const std::string& sTypes, const std::string& sDeviceId = "1234")
{
    return "<kov:DeviceProgramParameters xmlns:kov=\"urn:dovrane:kov\"><kov:CaptureDeviceConfig "
           "kov:DeviceID=\"" +
           sDeviceId + "\">" + sTypes + "</kov:CaptureDeviceConfig><kov:CaptureDeviceStatus kov:DeviceID=\"" +
           sDeviceId + "\"/></kov:DeviceProgramParameters>";
}

class DiagnosticsMenu : public ::testing::Test {
protected:
    void Connect()
    {
        f.slot->m_iCount = 1;
        f.frame->PresenceTick();
        ASSERT_EQ(f.slot->NextFrame().dwCommandId, uint32_t(ReadParameters));
    }
    void Load(const std::string& sDocument)
    {
        f.Event(DeviceEvent::ParametersDocumentEvent, uint32_t(sDocument.size()), 0, sDocument);
    }
    // The message of the last box, with its caption.
    std::pair<std::u16string, std::u16string> LastMessage() const
    {
        const SMessageRecord record = f.view.m_host.LastMessage();
        return {record.wszText, record.wszCaption};
    }

    SFrameFixture f;
};

using M = std::pair<std::u16string, std::u16string>;

TEST_F(DiagnosticsMenu, WhatIsMissingIsToldAndNothingIsSent)
{
    // No document; one without the config; no type list; a list with other elements only.
    for (const auto& [sDocument, wszText] : std::vector<std::pair<std::string, std::u16string>>{
             {"", u"No device parameters"},
             {"<kov:DeviceProgramParameters xmlns:kov=\"urn:dovrane:kov\"/>", u"No device config parameters"},
             {DeviceDocument(""), u"No diagnostic information found"},
             {DeviceDocument("<kov:DiagnosticTypes><kov:Other>x</kov:Other></kov:DiagnosticTypes>"),
              u"Diagnostic information list is empty"}}) {
        if (!sDocument.empty())
            Load(sDocument);
        f.frame->OnCommand(ID_DEBUG_DIAGNOSTIC_INFORMATION);
        EXPECT_EQ(LastMessage(), M(wszText, u"Diagnostic Information"));
        if (sDocument.empty())
            Connect();
    }
    EXPECT_TRUE(f.view.m_host.DialogsShown().empty());
    // The next frame the device sees is the one sent now, not a diagnostics request.
    f.frame->OnCommand(ID_DEBUG_DELETE_CRITICAL_LOG);
    EXPECT_EQ(f.slot->NextFrame().dwCommandId, uint32_t(DeleteCriticalLog));
    EXPECT_TRUE(f.view.m_host.Errors().empty());
}

TEST_F(DiagnosticsMenu, TheSelectionInTheDevicesOrderAsksForTheChosenType)
{
    Connect();
    Load(DeviceDocument("<kov:DiagnosticTypes><kov:DiagnosticType>Zeta</kov:DiagnosticType>"
                        "<kov:DiagnosticType>Alpha</kov:DiagnosticType><kov:Other/>"
                        "<kov:DiagnosticType>Mid</kov:DiagnosticType></kov:DiagnosticTypes>"));
    using Dlg = CSelDiagInfoDlg;
    // OK with nothing chosen is refused and the dialog stays; then the third type.
    f.view.m_host.ExpectDialog(u"Select Diagnostic Information", [](CDialog& dlg) {
        const auto& rList = *dlg.Find<CDropDownList>(Dlg::IDC_DIAGNOSTIC_TYPE);
        EXPECT_EQ(rList.ItemCount(), 3);
        EXPECT_EQ(rList.ItemText(0), u"Zeta");
        EXPECT_EQ(rList.ItemText(2), u"Mid");
        EXPECT_EQ(rList.Selection(), -1);
        dlg.PressOk();
        EXPECT_TRUE(dlg.IsOpen());
        dlg.Choose(Dlg::IDC_DIAGNOSTIC_TYPE, 2);
        dlg.PressOk();
    });
    f.frame->OnCommand(ID_DEBUG_DIAGNOSTIC_INFORMATION);
    EXPECT_EQ(LastMessage(), M(u"No item selected", u"Select diagnostic information"));
    SFrameHeader header = f.slot->NextFrame();
    EXPECT_EQ(header.dwCommandId, uint32_t(ReadDiagnostics));
    EXPECT_EQ(header.dwParam, 2u);

    // Cancel sends nothing: the next frame is the one sent after it.
    f.view.m_host.ExpectDialog(u"Select Diagnostic Information", [](CDialog& dlg) {
        dlg.Choose(Dlg::IDC_DIAGNOSTIC_TYPE, 0);
        dlg.PressCancel();
    });
    f.frame->OnCommand(ID_DEBUG_DIAGNOSTIC_INFORMATION);
    f.frame->OnCommand(ID_DEBUG_VIEW_CRITICAL_LOG);
    EXPECT_EQ(f.slot->NextFrame().dwCommandId, uint32_t(ReadCriticalLog));

    // Chosen while the device is gone: the window's own caption, and nothing to send on.
    f.Event(DeviceEvent::LinkClosed);
    f.view.m_host.ExpectDialog(u"Select Diagnostic Information", [](CDialog& dlg) {
        dlg.Choose(Dlg::IDC_DIAGNOSTIC_TYPE, 1);
        dlg.PressOk();
    });
    f.frame->OnCommand(ID_DEBUG_DIAGNOSTIC_INFORMATION);
    EXPECT_EQ(LastMessage(), M(u"Cannot perform action on device", u"Diagnostic Information"));
    EXPECT_TRUE(f.view.m_host.Errors().empty() && f.view.m_host.AllConsumed());
}

TEST_F(DiagnosticsMenu, ReportsBecomeFilesThatOpenInTheirFolder)
{
    Connect();
    Load(DeviceDocument("", "1234"));
    const fs::path kov = f.folder.Path() / "appdata" / "KOV";

    // The critical log, oldest byte first; its folder is the handler's working folder.
    f.Event(DeviceEvent::CriticalLogEvent, 4, 0, "0123 56789");
    ASSERT_EQ(f.view.m_vOpened.size(), 1u);
    EXPECT_EQ(fs::path(f.view.m_vOpened[0]),
              kov / "CriticalDeviceLogs" / "Critical_Log_2024_05_01_10_20_30.txt");
    EXPECT_EQ(fs::path(f.view.m_vOpenedIn[0]), kov / "CriticalDeviceLogs");
    EXPECT_EQ(ReadFileBytes(f.view.m_vOpened[0]), " 567890123");
    // Without text: told, and no file.
    f.Event(DeviceEvent::CriticalLogEvent, 3);
    EXPECT_EQ(f.view.m_host.LastMessage().wszText, u"Critical log is empty.");
    EXPECT_EQ(f.view.m_host.LastMessage().wszCaption, u"View Critical Log");
    EXPECT_EQ(f.view.m_vOpened.size(), 1u);

    // A diagnostic report in the device's folder, after the UTF-8 mark.
    f.Event(DeviceEvent::DiagnosticsReportEvent, 0, 0, "Uptime: 3 days \n<6>ready");
    ASSERT_EQ(f.view.m_vOpened.size(), 2u);
    const fs::path device = kov / "Device Diagnostics" / "1234";
    EXPECT_EQ(fs::path(f.view.m_vOpened[1]), device / "Information_Report_2024_05_01_10_20_30.txt");
    EXPECT_EQ(fs::path(f.view.m_vOpenedIn[1]), device);
    EXPECT_EQ(ReadFileBytes(f.view.m_vOpened[1]), "\xEF\xBB\xBFUptime: 3 days \n<6>ready");

    // A device without an ID reports into folder 0; an application-data folder that cannot
    // hold folders drops the report without a word.
    Load("<kov:DeviceProgramParameters xmlns:kov=\"urn:dovrane:kov\"/>");
    f.Event(DeviceEvent::DiagnosticsReportEvent, 0, 0, "r");
    EXPECT_EQ(fs::path(f.view.m_vOpened.back()).parent_path(), kov / "Device Diagnostics" / "0");
    fs::remove_all(kov);
    std::ofstream(kov) << "a file where the folder would be";
    const size_t nMessages = f.view.m_host.Messages().size();
    f.Event(DeviceEvent::CriticalLogEvent, 0, 0, "log");
    f.Event(DeviceEvent::DiagnosticsReportEvent, 0, 0, "r");
    EXPECT_EQ(f.view.m_vOpened.size(), 3u);
    EXPECT_EQ(f.view.m_host.Messages().size(), nMessages);
}

// The interface thread as a program registers it at start-up.
class CInterfaceThreadRegistration {
public:
    CInterfaceThreadRegistration()
    {
        SetMainThreadID();
        InstallThreadExceptionHandler("Main Thread");
    }
    ~CInterfaceThreadRegistration() { UninstallThreadExceptionHandler(); }
};

using DiagnosticsWithDevice = CFrameTest;

TEST_F(DiagnosticsWithDevice, StateReportNamesTheThreadsAndTheDevicesReportsArrive)
{
    CInterfaceThreadRegistration registration;
    CPluggedSim sim(m_sRoot, "unit");
    ASSERT_TRUE(WaitStatus(u"Parameters loaded", true));

    m_pFrame->OnCommand(ID_HELP_DIAGNOSTIC_INFORMATION);
    ASSERT_EQ(m_view.m_vOpened.size(), 1u);
    const fs::path state(m_view.m_vOpened[0]);
    EXPECT_EQ(state.parent_path(), m_folder.Path() / "appdata" / "KOV" / "Device Config Diagnostics");
    const std::string sReport = ReadFileBytes(state);
    EXPECT_NE(sReport.find("Thread \"Main Thread\""), std::string::npos) << sReport;
    EXPECT_NE(sReport.find("\"Host Client Protocol Handler\""), std::string::npos) << sReport;
    EXPECT_NE(sReport.find("MF::ODI"), std::string::npos) << sReport;

    // The simulated device's ring comes out oldest first: its entries' dates in order.
    m_pFrame->OnCommand(ID_DEBUG_VIEW_CRITICAL_LOG);
    ASSERT_TRUE(PumpUntil([&] { return m_view.m_vOpened.size() == 2; }));
    const std::string sLog = ReadFileBytes(m_view.m_vOpened[1]);
    std::vector<std::string> vDates;
    for (size_t i = sLog.find("2024-"); i != std::string::npos; i = sLog.find("2024-", i + 1))
        vDates.push_back(sLog.substr(i, 10));
    EXPECT_GT(vDates.size(), 10u);
    EXPECT_TRUE(std::is_sorted(vDates.begin(), vDates.end())) << sLog;
    EXPECT_EQ(sLog.find('\0'), std::string::npos);

    m_view.m_host.ExpectDialog(u"Select Diagnostic Information", [](CDialog& dlg) {
        dlg.Choose(CSelDiagInfoDlg::IDC_DIAGNOSTIC_TYPE, 1);
        dlg.PressOk();
    });
    m_pFrame->OnCommand(ID_DEBUG_DIAGNOSTIC_INFORMATION);
    ASSERT_TRUE(PumpUntil([&] { return m_view.m_vOpened.size() == 3; }));
    const fs::path report(m_view.m_vOpened[2]);
    EXPECT_EQ(report.parent_path().filename(), "1207");
    const std::string sReportText = ReadFileBytes(report);
    EXPECT_EQ(sReportText.rfind("\xEF\xBB\xBF"
                                "Diagnostic Information: Network Interfaces\n",
                                0),
              0u);
    EXPECT_EQ(sReportText.find('\0'), std::string::npos); // the kernel ring after its NUL is kept
    EXPECT_NE(sReportText.find("<6>kov-rec: ready"), std::string::npos);
    EXPECT_TRUE(m_view.m_host.Errors().empty());
}

} // namespace
} // namespace kov::test
