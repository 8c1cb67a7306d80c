// Crash ledger: thread registry, state reports, fatal reports and crash reports.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <latch>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "common/TestDir.h"
#include "os/CrashSignals.h"
#include "support/CrashLedger.h"
#include "support/ScopeFrame.h"
#include "support/Threads.h"

namespace kov {
namespace {

std::vector<std::pair<std::string, std::string>> g_hookCalls; // filled by the test's own thread

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::filesystem::path> FilesStartingWith(const std::filesystem::path& folder,
                                                     const std::string& sPrefix)
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().filename().string().rfind(sPrefix, 0) == 0)
            files.push_back(entry.path());
    return files;
}

std::string StateReport()
{
    std::vector<char> buffer(1 << 16);
    const int iLength = WriteThreadsStateReport(buffer.data(), static_cast<int>(buffer.size()));
    return iLength > 0 ? std::string(buffer.data(), static_cast<size_t>(iLength)) : std::string();
}

// The part of a report about one thread (its heading up to the next thread's heading).
std::string ThreadSection(const std::string& sReport, const std::string& sName)
{
    const size_t nStart = sReport.find("Thread \"" + sName + "\"");
    if (nStart == std::string::npos)
        return {};
    const size_t nEnd = sReport.find("\nThread \"", nStart + 1);
    return sReport.substr(nStart, nEnd == std::string::npos ? std::string::npos : nEnd + 1 - nStart);
}

std::filesystem::path TestFolder(const char* szName)
{
    return std::filesystem::path(KOV_BINARY_DIR) / "test-output" / szName;
}

class CrashLedgerTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_folder = TestFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_folder);
        SetReportFolder(m_folder.string());
        g_hookCalls.clear();
    }
    void TearDown() override
    {
        SetFatalReportHook(nullptr);
        SetReportFolder("");
    }
    std::filesystem::path m_folder;
};

// A worker that opens two scopes (PREFIX::Outer, PREFIX::Inner) with watched values and waits.
class CScopedWorker : public CSimpleThread {
public:
    CScopedWorker(const std::string& sPrefix, int32_t iCount, std::u16string wszPath)
        : m_sOuter(sPrefix + "::Outer"), m_sInner(sPrefix + "::Inner"), m_iCount(iCount),
          m_wszPath(std::move(wszPath))
    {}
    ~CScopedWorker() override
    {
        m_release.count_down();
        Join();
    }
    std::latch m_ready{1}, m_release{1};

protected:
    uint32_t Run(uint32_t) override
    {
        ScopeFrame outer(m_sOuter.c_str());
        outer.Watch("wszPath", &m_wszPath);
        const char* szMode = "reading";
        ScopeFrame inner(m_sInner.c_str());
        inner.Watch("iCount", &m_iCount);
        inner.Watch("szMode", &szMode);
        m_ready.count_down();
        m_release.wait();
        return 0;
    }

private:
    std::string m_sOuter, m_sInner;
    int32_t m_iCount;
    std::u16string m_wszPath;
};

TEST_F(CrashLedgerTest, StateReportListsNamedThreadsWithScopesInnermostFirst)
{
    ScopeFrame mainScope("CL::Main");
    uint32_t dwPhase = 3;
    mainScope.Watch("dwPhase", &dwPhase);
    SetMainThreadID();

    CScopedWorker beta("BE", -5, u"C:\\B\u00e9ta\\\U0001F600.mdc");
    uint32_t dwBeta = 0;
    ASSERT_TRUE(beta.Start("Beta Worker", 0, &dwBeta));
    beta.m_ready.wait();

    const std::string sReport = StateReport();
    EXPECT_EQ(ThreadSection(sReport, "Beta Worker"),
              "Thread \"Beta Worker\" (id " + std::to_string(dwBeta) +
                  ")\n"
                  "  BE::Inner\n"
                  "    iCount = -5 (0xFFFFFFFB)\n"
                  "    szMode = \"reading\"\n"
                  "  BE::Outer\n"
                  "    wszPath = \"C:\\\\B\xC3\xA9ta\\\\\xF0\x9F\x98\x80.mdc\"\n"
                  "  Win32 Thread Main\n"
                  "    szThreadName = \"Beta Worker\"\n"
                  "    dwThreadID = " +
                  std::to_string(dwBeta) + "\n")
        << sReport;
    // The calling thread is in it too, marked, with its own scope.
    EXPECT_NE(sReport.find("(id " + std::to_string(CurrentThreadId()) +
                           ") [main thread]\n  CL::Main\n    dwPhase = 3\n"),
              std::string::npos)
        << sReport;

    beta.m_release.count_down();
    beta.Join();
    // Ended threads are gone from the registry.
    EXPECT_EQ(StateReport().find("Beta Worker"), std::string::npos);
}

TEST_F(CrashLedgerTest, ReportBufferLimits)
{
    ScopeFrame scope("CL::Limits");
    char szSmall[16];
    const int iLength = WriteThreadsStateReport(szSmall, sizeof szSmall);
    EXPECT_EQ(iLength, 15);
    EXPECT_EQ(szSmall[15], '\0');
    EXPECT_EQ(std::string(szSmall), std::string("Thread \"(unnamed)\"").substr(0, 15));
    EXPECT_EQ(WriteThreadsStateReport(szSmall, 0), 0);
    EXPECT_EQ(WriteThreadsStateReport(nullptr, 100), 0);
}

TEST_F(CrashLedgerTest, UnreadableLongAndOddValuesAreShownSafely)
{
    ScopeFrame scope("CL::Bad");
    const char* szBad = reinterpret_cast<const char*>(uintptr_t{16});
    const char* szNull = nullptr;
    const auto* pBadInt = reinterpret_cast<const int32_t*>(uintptr_t{32});
    std::string sLong(500, 'x');
    std::string sOdd = "a\"b\\c\r\nd\x01";
    scope.Watch("szBad", &szBad);
    scope.Watch("szNull", &szNull);
    scope.Watch("iBad", pBadInt);
    scope.Watch("sLong", &sLong);
    scope.Watch("sOdd", &sOdd);
    char szChain[2048];
    WriteCurrentThreadScopes(szChain, sizeof szChain);
    EXPECT_EQ(std::string(szChain),
              "CL::Bad\n  szBad = <unreadable>\n  szNull = (null)\n  iBad = <unreadable>\n"
              "  sLong = \"" +
                  std::string(200, 'x') +
                  "\"... (500 bytes)\n"
                  "  sOdd = \"a\\\"b\\\\c\\r\\nd\\x01\"\n");
}

TEST_F(CrashLedgerTest, RegistryEntriesArePerThreadAndLiveWhileScopesAreOpen)
{
    ScopeFrame** ppSlot = GetAllocExVarsStorage();
    ASSERT_NE(ppSlot, nullptr);
    EXPECT_EQ(ppSlot, GetAllocExVarsStorage());
    std::string sWhileOpen, sAfterFree;
    ScopeFrame** ppOther = nullptr;
    std::thread worker([&] {
        ppOther = GetAllocExVarsStorage();
        InstallThreadExceptionHandler("Keeper");
        InstallThreadExceptionHandler("Second Name"); // does nothing
        {
            ScopeFrame scope("CL::Keep");
            FreeThreadExVarsStorage(); // a scope is open: kept
            EXPECT_EQ(ScopeFrame::Current(), &scope);
            sWhileOpen = StateReport();
        }
        UninstallThreadExceptionHandler();
        UninstallThreadExceptionHandler(); // harmless
        FreeThreadExVarsStorage();
        sAfterFree = StateReport();
    });
    worker.join();
    EXPECT_NE(ppOther, ppSlot);
    EXPECT_NE(sWhileOpen.find("Thread \"Keeper\""), std::string::npos) << sWhileOpen;
    EXPECT_NE(sWhileOpen.find("  CL::Keep\n"), std::string::npos);
    EXPECT_EQ(sWhileOpen.find("Second Name"), std::string::npos);
    EXPECT_EQ(sAfterFree.find("Keeper"), std::string::npos);

    // A thread that ends without freeing leaves the registry too.
    std::thread forgetful([] {
        InstallThreadExceptionHandler("Forgetful");
        ScopeFrame scope("CL::Forget");
        UninstallThreadExceptionHandler();
    });
    forgetful.join();
    EXPECT_EQ(StateReport().find("Forgetful"), std::string::npos);
}

TEST_F(CrashLedgerTest, FatalReportsGoToHookAndReportFile)
{
    SetFatalReportHook(
        [](const char* szKind, const char* szText) { g_hookCalls.emplace_back(szKind, szText); });
    SetWin32ExceptionAppName("KOV Device Config");
    ScopeFrame scope("CL::Fatal");
    int32_t iLine = 99;
    scope.Watch("iLine", &iLine);
    FatalProgramError("something impossible");
    FatalProgramState("a state worth noting");
    EXPECT_EQ(g_hookCalls, (std::vector<std::pair<std::string, std::string>>{
                               {"FatalProgramError", "something impossible"},
                               {"FatalProgramState", "a state worth noting"}}));
    const auto files = FilesStartingWith(m_folder, "ErrorReport_");
    ASSERT_FALSE(files.empty());
    std::string sAll;
    for (const auto& file : files) {
        EXPECT_TRUE(std::regex_match(file.filename().string(),
                                     std::regex(R"(ErrorReport_\d{4}_\d{2}_\d{2}_\d{2}_\d{2}_\d{2}\.txt)")))
            << file;
        sAll += ReadFile(file);
    }
    EXPECT_NE(sAll.find("KOV Device Config: FatalProgramError: something impossible"), std::string::npos)
        << sAll;
    EXPECT_NE(sAll.find("KOV Device Config: FatalProgramState: a state worth noting"), std::string::npos)
        << sAll;
    EXPECT_NE(sAll.find("  CL::Fatal\n    iLine = 99\n"), std::string::npos) << sAll;
    SetWin32ExceptionAppName("KOV");
}

TEST_F(CrashLedgerTest, WithheldTextsShowOnlyTheirLength)
{
    const std::string sDocument = "<kov:CaptureDeviceConfig kov:Password=\"hunter2-narrow\"/>";
    const std::u16string wszDocument = u"<kov:PrivateKey>hunter2-wide</kov:PrivateKey>";
    ScopeFrame scope("CL::Secret");
    scope.WatchWithheld("szText", &sDocument);
    scope.WatchWithheld("wszXML", &wszDocument);
    const std::string sExpected = "  CL::Secret\n    szText = <withheld, " +
                                  std::to_string(sDocument.size()) + " bytes>\n    wszXML = <withheld, " +
                                  std::to_string(wszDocument.size()) + " units>\n";
    const std::string sReport = StateReport();
    EXPECT_NE(sReport.find(sExpected), std::string::npos) << sReport;
    char szScopes[512];
    ASSERT_GT(WriteCurrentThreadScopes(szScopes, sizeof szScopes), 0);
    FatalProgramState("with a document open");
    std::string sAll = sReport + szScopes;
    for (const auto& file : FilesStartingWith(m_folder, "ErrorReport_"))
        sAll += ReadFile(file);
    EXPECT_NE(sAll.find("with a document open"), std::string::npos);
    EXPECT_EQ(sAll.find("hunter2"), std::string::npos) << sAll;
}

TEST_F(CrashLedgerTest, ReportFilesAndFoldersAreTheUsersAlone)
{
    // Two levels to make, whatever the umask would let through.
    SetReportFolder((m_folder / "KOV").string());
    const mode_t uOldMask = ::umask(0);
    FatalProgramState("a state report");
    ::umask(uOldMask);
    EXPECT_EQ(test::FileMode(m_folder), 0700u);
    EXPECT_EQ(test::FileMode(m_folder / "KOV"), 0700u);
    const auto files = FilesStartingWith(m_folder / "KOV", "ErrorReport_");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(test::FileMode(files[0]), 0600u);

    // Report files are written only when they are what they seem and the user's own.
    const std::filesystem::path target = m_folder / "elsewhere.txt";
    std::ofstream(target) << "kept";
    std::filesystem::create_symlink(target, m_folder / "link.txt");
    EXPECT_EQ(os::CrashFileOpen((m_folder / "link.txt").c_str()), -1);
    EXPECT_EQ(ReadFile(target), "kept");
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(target.c_str(), 4242, 4242), 0);
        EXPECT_EQ(os::CrashFileOpen(target.c_str()), -1);
    }
}

TEST_F(CrashLedgerTest, DefaultReportFolderFollowsXdgDataHome)
{
    const char* szOld = std::getenv("XDG_DATA_HOME");
    const std::string sOld = szOld ? szOld : "";
    setenv("XDG_DATA_HOME", "/tmp/kov-xdg-test", 1);
    SetReportFolder("");
    EXPECT_EQ(ReportFolder(), "/tmp/kov-xdg-test/KOV");
    unsetenv("XDG_DATA_HOME");
    const char* szHome = std::getenv("HOME");
    SetReportFolder("");
    if (szHome && *szHome) {
        EXPECT_EQ(ReportFolder(), std::string(szHome) + "/.local/share/KOV");
    }
    if (szOld)
        setenv("XDG_DATA_HOME", sOld.c_str(), 1);
    SetReportFolder(m_folder.string());
    EXPECT_EQ(ReportFolder(), m_folder.string());
}

// --- crash reports (in a child process) --------------------------------------------------------

class CCrashingWorker : public CSimpleThread {
public:
    explicit CCrashingWorker(int iHow) : m_iHow(iHow) {}
    ~CCrashingWorker() override { Join(); }

protected:
    uint32_t Run(uint32_t) override
    {
        ScopeFrame scope("CT::Boom");
        int32_t iStep = 7;
        std::string sWhat = "writing through a bad pointer";
        scope.Watch("iStep", &iStep);
        scope.Watch("sWhat", &sWhat);
        if (m_iHow == 0) {
            volatile uintptr_t uBadAddress = 16;                // opaque to the compiler
            *reinterpret_cast<volatile char*>(uBadAddress) = 1; // a real fault
        } else if (m_iHow == 1) {
            std::abort();
        } else {
            std::raise(SIGFPE);
        }
        return 0;
    }

private:
    int m_iHow;
};

// Runs in the death-test child: crash reporting as the program sets it up, then a worker crash.
void CrashInWorker(const std::filesystem::path& folder, int iHow)
{
    SetReportFolder(folder.string());
    InitCrashReporting("KOV Device Config", false);
    ScopeFrame mainScope("CT::Main");
    const char* szDoing = "waiting for the worker";
    mainScope.Watch("szDoing", &szDoing);
    CCrashingWorker worker(iHow);
    worker.Start("Crash Worker");
    worker.Join();
}

std::string CrashReportIn(const std::filesystem::path& folder)
{
    const auto files = FilesStartingWith(folder, "CrashReport_");
    if (files.size() != 1)
        return "(" + std::to_string(files.size()) + " crash report files)";
    EXPECT_TRUE(std::regex_match(files[0].filename().string(),
                                 std::regex(R"(CrashReport_\d{4}_\d{2}_\d{2}_\d{2}_\d{2}_\d{2}\.txt)")))
        << files[0];
    return ReadFile(files[0]);
}

void ExpectWorkerCrashReport(const std::string& sReport, const char* szSignal)
{
    EXPECT_NE(sReport.find(std::string("KOV Device Config crashed: ") + szSignal), std::string::npos)
        << sReport;
    // The crashed thread comes first, marked, with its scopes innermost first.
    const size_t nWorker = sReport.find("Thread \"Crash Worker\" (id ");
    ASSERT_NE(nWorker, std::string::npos) << sReport;
    const std::string sWorker = ThreadSection(sReport, "Crash Worker");
    EXPECT_NE(sWorker.find("[crashed here]\n"
                           "  CT::Boom\n"
                           "    iStep = 7\n"
                           "    sWhat = \"writing through a bad pointer\"\n"
                           "  Win32 Thread Main\n"
                           "    szThreadName = \"Crash Worker\"\n"),
              std::string::npos)
        << sReport;
    const std::string sMain = ThreadSection(sReport, "Main Thread");
    EXPECT_NE(sMain.find("[main thread]\n  CT::Main\n    szDoing = \"waiting for the worker\"\n"),
              std::string::npos)
        << sReport;
    EXPECT_LT(nWorker, sReport.find("Thread \"Main Thread\""));
    EXPECT_NE(sReport.find("*** end of crash report"), std::string::npos);
}

TEST(CrashLedgerDeathTest, FaultAbortAndRaisedSignalWriteCrashReports)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::pair<const char*, const char*> kCrashes[] = {
        {"crash-segv", "SIGSEGV"}, {"crash-abort", "SIGABRT"}, {"crash-fpe", "SIGFPE"}};
    for (int iHow = 0; iHow < 3; ++iHow) {
        const auto [szFolder, szSignal] = kCrashes[iHow];
        const auto folder = TestFolder(szFolder);
        std::filesystem::remove_all(folder);
        EXPECT_DEATH(CrashInWorker(folder, iHow), std::string("KOV Device Config crashed: ") + szSignal);
        ExpectWorkerCrashReport(CrashReportIn(folder), szSignal);
    }
}

} // namespace
} // namespace kov
