// The driver work against a temporary rules folder, with fake pkexec and udevadm programs first
// in PATH that record their arguments (the fake pkexec then runs what it was given).
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/TestDir.h"
#include "drivers/DriverDialog.h"
#include "form/ScriptedFormHost.h"
#include "support/TextCodec.h"

namespace kov::test {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const fs::path& path, const std::string& sText)
{
    std::ofstream(path) << sText;
}

// The real tools, with the folder's writability and the opener under the test's control.
class CTestTools final : public CSystemTools {
public:
    bool CanWriteFolder(const std::string& sFolder) override
    {
        return bFolderWritable && CSystemTools::CanWriteFolder(sFolder);
    }
    bool Launch(const std::vector<std::string>& vArgs) override
    {
        vLaunched.push_back(vArgs);
        return true;
    }
    bool bFolderWritable = true;
    std::vector<std::vector<std::string>> vLaunched;
};

class CRecordingLog final : public IDriverLog {
public:
    void Log(const std::u16string& wszLine) override { vLines.push_back(Utf16ToUtf8(wszLine)); }
    void Progress(int iPercent) override { iProgress = iPercent; }
    bool Stopped() const override { return false; }
    std::vector<std::string> vLines;
    int iProgress = -1;
};

class DriverWork : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(bin());
        fs::create_directories(rules());
        m_sOldPath = std::getenv("PATH");
        setenv("PATH", (bin().string() + ":/usr/bin:/bin").c_str(), 1);
        FakeProgram("pkexec", "[ -n \"$FAKE_PKEXEC_EXIT\" ] && exit $FAKE_PKEXEC_EXIT\nexec \"$@\"");
        FakeProgram(
            "udevadm",
            "[ -n \"$FAKE_UDEVADM_FAIL\" ] && { echo \"udevadm: $FAKE_UDEVADM_FAIL\" >&2; exit 1; }\nexit 0");
    }
    void TearDown() override
    {
        setenv("PATH", m_sOldPath.c_str(), 1);
        unsetenv("FAKE_PKEXEC_EXIT");
        unsetenv("FAKE_UDEVADM_FAIL");
    }
    // A program that appends its arguments, one call a line, to <name>.args.
    void FakeProgram(const std::string& sName, const std::string& sBody)
    {
        const fs::path path = bin() / sName;
        WriteText(path,
                  "#!/bin/sh\necho \"$*\" >> '" + (dir / (sName + ".args")).string() + "'\n" + sBody + "\n");
        fs::permissions(path, fs::perms::owner_all);
    }
    std::vector<std::string> Calls(const std::string& sName)
    {
        std::vector<std::string> vCalls;
        std::istringstream lines(ReadText(dir / (sName + ".args")));
        for (std::string sLine; std::getline(lines, sLine);)
            vCalls.push_back(sLine);
        return vCalls;
    }
    fs::path bin() const { return dir / "bin"; }
    fs::path rules() const { return dir / "rules.d"; }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> v;
        for (const auto& entry : fs::directory_iterator(rules()))
            v.push_back(entry.path().filename().string());
        std::sort(v.begin(), v.end());
        return v;
    }

    CTestDir dir;
    CTestTools tools;
    CDriverWork work{tools, (dir / "rules.d").string(), Utf8ToUtf16((dir / "home").string())};
    CRecordingLog log;
    std::string m_sOldPath;
};

const char kReload[] = "control --reload";
const char kTrigger[] =
    "trigger --action=add --subsystem-match=usb --attr-match=idVendor=8392 --attr-match=idProduct=8789";

TEST_F(DriverWork, InstallWritesTheRuleAndAsksUdevToApplyIt)
{
    WriteText(rules() / kUdevRuleFileName, "an older version of the rule\n");
    ASSERT_TRUE(work.Install(log));
    EXPECT_EQ(ReadText(rules() / kUdevRuleFileName), UdevRuleText());
    EXPECT_EQ(Files(), std::vector<std::string>{kUdevRuleFileName}); // no temporary left
    EXPECT_EQ(Calls("udevadm"), (std::vector<std::string>{kReload, kTrigger}));
    EXPECT_TRUE(Calls("pkexec").empty());
    EXPECT_EQ(log.vLines,
              (std::vector<std::string>{"Writing " + (rules() / kUdevRuleFileName).string() + "... OK",
                                        std::string("Running udevadm ") + kReload + "... OK",
                                        std::string("Running udevadm ") + kTrigger + "... OK"}));
    EXPECT_EQ(log.iProgress, 100);
}

TEST_F(DriverWork, InstallElevatesOnlyForAFolderItCannotWrite)
{
    tools.bFolderWritable = false;
    ASSERT_TRUE(work.Install(log));
    EXPECT_EQ(ReadText(rules() / kUdevRuleFileName), UdevRuleText());
    const auto vPkexec = Calls("pkexec");
    ASSERT_EQ(vPkexec.size(), 1u); // one password prompt for every step
    EXPECT_EQ(vPkexec[0].rfind("/bin/sh -c install -m 0644", 0), 0u) << vPkexec[0];
    EXPECT_EQ(log.vLines[0],
              "Writing " + (rules() / kUdevRuleFileName).string() + " as administrator (pkexec)... OK");
}

TEST_F(DriverWork, InstallFailuresAreLoggedAndLeaveNothingHalfWritten)
{
    // pkexec refused: nothing written.
    tools.bFolderWritable = false;
    setenv("FAKE_PKEXEC_EXIT", "126", 1);
    EXPECT_FALSE(work.Install(log));
    EXPECT_TRUE(Files().empty());
    EXPECT_NE(log.vLines.back().find("administrator rights were refused"), std::string::npos)
        << log.vLines.back();

    // pkexec missing.
    fs::remove(bin() / "pkexec");
    log.vLines.clear();
    EXPECT_FALSE(work.Install(log));
    EXPECT_NE(log.vLines.back().find("pkexec is not available"), std::string::npos) << log.vLines.back();
    EXPECT_TRUE(Files().empty());

    // udevadm refusing: its own words are logged, the rule stays.
    tools.bFolderWritable = true;
    setenv("FAKE_UDEVADM_FAIL", "Permission denied", 1);
    log.vLines.clear();
    EXPECT_FALSE(work.Install(log));
    ASSERT_EQ(log.vLines.size(), 3u);
    EXPECT_EQ(log.vLines[1], std::string("Running udevadm ") + kReload + "... udevadm: Permission denied");
    EXPECT_EQ(ReadText(rules() / kUdevRuleFileName), UdevRuleText());

    // udevadm missing.
    fs::remove(bin() / "udevadm");
    log.vLines.clear();
    EXPECT_FALSE(work.Install(log));
    EXPECT_NE(log.vLines.back().find("udevadm is not available"), std::string::npos);

    // No rules folder at all.
    CDriverWork nowhere(tools, (dir / "missing").string(), u"");
    log.vLines.clear();
    EXPECT_FALSE(nowhere.Install(log));
    EXPECT_EQ(log.vLines, std::vector<std::string>{"Installing the udev rule... Failed: the rules folder " +
                                                   (dir / "missing").string() + " does not exist"});
}

TEST_F(DriverWork, UninstallRemovesEveryRuleForTheDeviceAndNothingElse)
{
    WriteText(rules() / kUdevRuleFileName, UdevRuleText());
    WriteText(rules() / "99-local.rules",
              "SUBSYSTEM==\"usb\", ATTRS{idVendor} == \"8392\", ATTRS{idProduct}==\"8789\", MODE=\"0666\"\n");
    WriteText(rules() / "70-kov-device-old.rules", "# ATTR{idVendor}==\"8392\", ATTR{idProduct}==\"8789\"\n");
    WriteText(rules() / "71-kov-device.rules",
              "ATTR{idVendor}==\"8392\", ATTR{idProduct}==\"1234\", TAG+=\"uaccess\"\n");
    WriteText(rules() / "kov-device.rules.bak", UdevRuleText());

    tools.bFolderWritable = false; // removed as administrator
    ASSERT_TRUE(work.Uninstall(log));
    EXPECT_EQ(Files(), (std::vector<std::string>{"70-kov-device-old.rules", "71-kov-device.rules",
                                                 "kov-device.rules.bak"}));
    EXPECT_EQ(Calls("udevadm"), std::vector<std::string>{kReload});
    ASSERT_EQ(log.vLines.size(), 4u);
    EXPECT_EQ(log.vLines[0], "Found matching driver in file " + (rules() / kUdevRuleFileName).string());
    EXPECT_EQ(log.vLines[1], "Found matching driver in file " + (rules() / "99-local.rules").string());
    EXPECT_EQ(log.vLines[2], "Deleting the rule files as administrator (pkexec)... OK");
}

TEST_F(DriverWork, DownloadWritesTheRuleIntoTheDriverFolderAndOpensIt)
{
    ASSERT_TRUE(work.Download(log));
    const std::string sFolder = (dir / "home" / "KOV" / "USB Device Driver").string();
    EXPECT_EQ(ReadText(fs::path(sFolder) / kUdevRuleFileName), UdevRuleText());
    EXPECT_EQ(log.vLines,
              (std::vector<std::string>{"Getting application data path... OK",
                                        "Creating path for driver (" + sFolder + ")... OK",
                                        std::string("Saving ") + kUdevRuleFileName, "Downloading done."}));
    ASSERT_EQ(tools.vLaunched.size(), 1u);
    EXPECT_EQ(tools.vLaunched[0], (std::vector<std::string>{kOpenerProgram, sFolder}));

    CDriverWork homeless(tools, rules().string(), u"");
    log.vLines.clear();
    EXPECT_FALSE(homeless.Download(log));
    EXPECT_EQ(log.vLines, std::vector<std::string>{"Getting application data path... Failed"});
}

// The progress window, its tasks run when the test pumps them as the interface thread would.
class DriverDialog : public DriverWork {
protected:
    void SetUp() override
    {
        DriverWork::SetUp();
        dialog.SetHost(&host);
    }
    void Finish()
    {
        dialog.WaitForWorker();
        while (!tasks.empty()) {
            tasks.front()();
            tasks.pop_front();
        }
    }
    std::deque<std::function<void()>> tasks;
    CScriptedFormHost host;
    CDownloadInstallDriversProcessDlg dialog{
        work, [this](std::function<void()> fn) { tasks.push_back(std::move(fn)); }};
};

TEST_F(DriverDialog, RunsOneModeAtATimeAndEndsWithClose)
{
    ASSERT_TRUE(dialog.Start(DriverTaskMode::DownloadAndInstall));
    EXPECT_EQ(dialog.Title(), u"Download and Install Drivers");
    EXPECT_TRUE(dialog.IsWindowShown());
    EXPECT_FALSE(dialog.Start(DriverTaskMode::Uninstall)); // only brought forward
    Finish();
    EXPECT_EQ(dialog.TextOf(dialog.IDC_STOP), u"Close");
    EXPECT_EQ(dialog.Find<CProgressBar>(dialog.IDC_PROGRESS)->Pos(), 100);
    const std::string sLog = Utf16ToUtf8(dialog.LogText());
    EXPECT_NE(sLog.find("Downloading done.\r\nWriting "), std::string::npos) << sLog;

    ASSERT_TRUE(dialog.Click(dialog.IDC_COPY_LOG));
    EXPECT_EQ(host.ClipboardText(), dialog.LogText());
    ASSERT_TRUE(dialog.Click(dialog.IDC_STOP)); // Close
    EXPECT_FALSE(dialog.IsWindowShown());

    // Closed, a new command starts a new run with its own caption.
    ASSERT_TRUE(dialog.Start(DriverTaskMode::Uninstall));
    Finish();
    EXPECT_EQ(dialog.Title(), u"Uninstall Drivers");
    EXPECT_EQ(Utf16ToUtf8(dialog.LogText()).rfind("Found matching driver in file ", 0), 0u);
}

TEST_F(DriverDialog, StoppedRunLogsNothingMoreAndLongLinesAreDropped)
{
    // Every line of this run names a rules folder path too long to show.
    const fs::path longFolder = dir / std::string(240, 'r');
    CDriverWork longWork(tools, longFolder.string(), u"");
    CDownloadInstallDriversProcessDlg longDialog(longWork,
                                                 [this](std::function<void()> fn) { tasks.push_back(fn); });
    longDialog.SetHost(&host);
    ASSERT_TRUE(longDialog.Start(DriverTaskMode::Install));
    EXPECT_EQ(longDialog.Title(), u"Install Drivers");
    longDialog.WaitForWorker();
    Finish();
    EXPECT_EQ(longDialog.LogText(), u"");
    EXPECT_EQ(longDialog.TextOf(longDialog.IDC_STOP), u"Close");

    // Stopped before its lines reach the window: they never do, and the button stays Stop.
    ASSERT_TRUE(dialog.Start(DriverTaskMode::Install));
    dialog.Stop();
    Finish();
    EXPECT_FALSE(dialog.IsWindowShown());
    EXPECT_EQ(dialog.TextOf(dialog.IDC_STOP), u"Stop");
    EXPECT_EQ(dialog.LogText().find(u"Running udevadm"), std::u16string::npos);
}

} // namespace
} // namespace kov::test
