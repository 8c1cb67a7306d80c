// kovctl's critical log and diagnostics against simulated devices, and choosing one device
// among several.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

#include "KovctlTestKit.h"
#include "platform/PipeHost.h"
#include "sim/SampleDocument.h"
#include "support/TextNumbers.h"

namespace kov::test {
namespace {

namespace fs = std::filesystem;

constexpr char kMark[] = "\xEF\xBB\xBF";

class KovctlDiagnostics : public CKovctlTest {
protected:
    // Runs with the application-data folder under the test's own folder.
    int RunHere(const std::string& sArgs) { return Run(sArgs, "XDG_DATA_HOME='" + File("data") + "' "); }
    fs::path Kov() const { return m_dir / "data" / "KOV"; }
    // The report path kovctl printed last on standard error.
    std::string PrintedPath() const
    {
        std::string sErr = Err();
        if (!sErr.empty() && sErr.back() == '\n')
            sErr.pop_back();
        return sErr.substr(sErr.rfind('\n') + 1);
    }
};

// The "2024-MM-DD" stamps of the log's entries, in the order they appear.
std::vector<std::string> EntryDates(const std::string& sLog)
{
    std::vector<std::string> vDates;
    for (size_t i = sLog.find("2024-"); i != std::string::npos; i = sLog.find("2024-", i + 1))
        vDates.push_back(sLog.substr(i, 10));
    return vDates;
}

TEST_F(KovctlDiagnostics, CriticalLogOldestFirstToEveryPlaceThenDeleted)
{
    Plug();
    ASSERT_EQ(RunHere("critical-log"), 0) << Err();
    const std::string sLog = Out();
    EXPECT_EQ(Err(), "Connected to device\nParameters loaded\n");
    // The device's ring has wrapped: shown from its oldest byte, its entries come in order.
    EXPECT_EQ(sLog.size(), 1536u);
    EXPECT_EQ(sLog.find('\0'), std::string::npos);
    const std::vector<std::string> vDates = EntryDates(sLog);
    EXPECT_GT(vDates.size(), 15u);
    EXPECT_TRUE(std::is_sorted(vDates.begin(), vDates.end())) << sLog;
    EXPECT_FALSE(fs::exists(Kov()));

    // -o takes the same bytes; --report writes the window's file as well and names it.
    ASSERT_EQ(RunHere("critical-log -o '" + File("log.txt") + "' --report"), 0) << Err();
    EXPECT_EQ(Out(), "");
    EXPECT_EQ(Read("log.txt"), sLog);
    const fs::path report = PrintedPath();
    EXPECT_EQ(report.parent_path(), Kov() / "CriticalDeviceLogs");
    EXPECT_EQ(report.filename().string().rfind("Critical_Log_", 0), 0u);
    EXPECT_EQ(ReadFileBytes(report), sLog);

    ASSERT_EQ(RunHere("delete-critical-log"), 0);
    EXPECT_EQ(CountLog("received 69 "), 1);
    // Empty now: told, nothing printed, no file written or replaced.
    std::ofstream(File("old.txt")) << "kept";
    ASSERT_EQ(RunHere("critical-log --report -o '" + File("old.txt") + "'"), 0);
    EXPECT_EQ(Err(), "Connected to device\nParameters loaded\nCritical log is empty.\n");
    EXPECT_EQ(Read("old.txt"), "kept");
    ASSERT_EQ(RunHere("critical-log"), 0);
    EXPECT_EQ(Out(), "");
    EXPECT_EQ(std::distance(fs::directory_iterator(Kov() / "CriticalDeviceLogs"), fs::directory_iterator()),
              1);
}

TEST_F(KovctlDiagnostics, TypesListedAndReportsFetchedByPositionOrName)
{
    Plug();
    ASSERT_EQ(RunHere("diagnostics --list"), 0);
    EXPECT_EQ(Out(), "0\tSystem Status\n1\tNetwork Interfaces\n2\tStorage\n3\tModem\n");

    ASSERT_EQ(RunHere("diagnostics Storage"), 0) << Err();
    const std::string sReport = Out();
    EXPECT_EQ(sReport.rfind("Diagnostic Information: Storage\n", 0), 0u);
    EXPECT_NE(sReport.find("Device ID: 1207\n"), std::string::npos);
    EXPECT_NE(sReport.find(" <6>kov-rec: ready"), std::string::npos); // past the device's NUL
    EXPECT_EQ(CountLog("received 100 param 2 "), 1);

    // By position, into a file and the window's report file: both with the mark.
    ASSERT_EQ(RunHere("diagnostics 2 --report -o '" + File("r.txt") + "'"), 0) << Err();
    EXPECT_EQ(Out(), "");
    EXPECT_EQ(Read("r.txt"), kMark + sReport);
    const fs::path report = PrintedPath();
    EXPECT_EQ(report.parent_path(), Kov() / "Device Diagnostics" / "1207");
    EXPECT_EQ(ReadFileBytes(report), kMark + sReport);

    // A type the device does not offer is a usage error that shows what it offers.
    for (const char* szType : {"storage", "4", "Storage2"}) {
        EXPECT_EQ(RunHere(std::string("diagnostics ") + szType), 2) << szType;
        EXPECT_NE(Err().find("\n  2\tStorage\n"), std::string::npos) << Err();
    }
    EXPECT_EQ(CountLog("received 100 "), 2);

    // A device whose list is empty: the window's message, and nothing is asked for.
    std::ofstream(File("erase.xml"))
        << "<kov:DeviceProgramParameters xmlns:kov=\"urn:dovrane:kov\">"
           "<kov:CaptureDeviceConfig><kov:DiagnosticTypes __merge_options="
           "\"erase_children\"/></kov:CaptureDeviceConfig></kov:DeviceProgramParameters>";
    ASSERT_EQ(RunHere("write --raw '" + File("erase.xml") + "'"), 0);
    EXPECT_EQ(RunHere("diagnostics 0"), 1);
    EXPECT_EQ(Err(), "Connected to device\nParameters loaded\nDiagnostic information list is empty\n");
    EXPECT_EQ(RunHere("diagnostics --list"), 1);
    EXPECT_EQ(Out(), "");
    EXPECT_EQ(CountLog("received 100 "), 2);
}

TEST_F(KovctlDiagnostics, UnwritablePlacesAndADeviceThatNeverReports)
{
    Plug();
    // The application-data folder is a file: the report is printed, its file cannot be.
    std::ofstream(File("data")) << "not a folder";
    EXPECT_EQ(RunHere("critical-log --report"), 1);
    EXPECT_EQ(Out().size(), 1536u);
    EXPECT_NE(
        Err().find("The report file could not be written in " + (Kov() / "CriticalDeviceLogs").string()),
        std::string::npos)
        << Err();
    EXPECT_EQ(RunHere("diagnostics 1 -o '" + File("no/such/folder/r.txt") + "'"), 1);
    EXPECT_NE(Err().find("Cannot write " + File("no/such/folder/r.txt")), std::string::npos);
    EXPECT_EQ(Out(), "");
    Unplug();

    // A device that sends its parameters and then answers nothing.
    CPipeDeviceSide side;
    ASSERT_TRUE(side.Plug(m_sRoot, "mute"));
    std::thread device([&] {
        if (side.WaitForHost(10000) && NextRequest(side))
            SendReply(side, DeviceReply::ParametersDocument, SampleDocumentText());
        while (NextRequest(side)) {
        }
    });
    EXPECT_EQ(RunHere("--wait 1 critical-log"), 3);
    EXPECT_EQ(Err(), "Connected to device\nParameters loaded\nNo reply from the device within 1 seconds\n");
    EXPECT_EQ(Out(), "");
    device.join();
}

TEST_F(KovctlDiagnostics, TwoDevicesServedAtOnceEachChosenByName)
{
    SSimDeviceOptions options;
    options.dwSoftwareVersion = PackVersion(9, 8, 7, 6);
    CPluggedSim unitA(m_sRoot, "unit-a"), unitB(m_sRoot, "unit-b", options);
    ASSERT_EQ(Run("devices --list"), 0);
    EXPECT_EQ(Out().rfind("unit-a\tpipe\nunit-b\tpipe\n", 0), 0u) << Out();
    ASSERT_EQ(Run("--device unit-b devices --list"), 0);
    EXPECT_EQ(Out(), "unit-b\tpipe\n");
    EXPECT_EQ(Run("devices --all"), 2);

    // Two processes at the same time, one on each device.
    int iExitA = -1, iExitB = -1;
    std::thread runA([&] { iExitA = Run("--device unit-a diagnostics 0", "", "a-"); });
    std::thread runB([&] { iExitB = Run("diagnostics 0 --device unit-b", "", "b-"); });
    runA.join();
    runB.join();
    unitA.WaitSessionsEnded();
    unitB.WaitSessionsEnded();
    ASSERT_EQ(iExitA, 0) << Err("a-");
    ASSERT_EQ(iExitB, 0) << Err("b-");
    EXPECT_NE(Out("a-").find("Software Version: 7.1.2.3\n"), std::string::npos) << Out("a-");
    EXPECT_NE(Out("b-").find("Software Version: 9.8.7.6\n"), std::string::npos) << Out("b-");
    EXPECT_EQ(unitA.CountLog("host connected"), 1);
    EXPECT_EQ(unitB.CountLog("host connected"), 1);

    // Without a name, a device another host has open is passed over for the next one.
    CPipeHostChannel holder;
    ASSERT_TRUE(holder.Open(m_sRoot + "/unit-a"));
    ASSERT_EQ(Run("diagnostics 1"), 0) << Err();
    EXPECT_NE(Out().find("Software Version: 9.8.7.6\n"), std::string::npos);
    holder.Close();

    EXPECT_EQ(Run("--device unit-c --wait 1 critical-log"), 3);
    EXPECT_EQ(Err(), "No device named \"unit-c\" found within 1 seconds\n");
    EXPECT_EQ(Run("--device '' read"), 2);
}

} // namespace
} // namespace kov::test
