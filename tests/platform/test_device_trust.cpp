// Which pipe-way devices the program trusts: another user must not be able to plant one.
#include <gtest/gtest.h>

#include "common/TestDir.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/DeviceRoot.h"
#include "platform/PipeDevice.h"
#include "platform/PipeHost.h"

namespace kov {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kOtherUser = 4242;

// A folder that looks like a device (nobody behind its pipes), with the given modes.
void MakeDevice(const std::string& sFolder, mode_t uFolderMode = 0700, mode_t uPipeMode = 0600)
{
    fs::create_directories(sFolder);
    ASSERT_EQ(::mkfifo((sFolder + "/PIPE_0x00").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((sFolder + "/PIPE_0x01").c_str(), 0600), 0);
    ASSERT_EQ(::chmod(sFolder.c_str(), uFolderMode), 0);
    ASSERT_EQ(::chmod((sFolder + "/PIPE_0x01").c_str(), uPipeMode), 0);
}

// Changing an owner needs root, as the tests have in CI; elsewhere those cases are skipped.
bool CanChown()
{
    return ::geteuid() == 0;
}

// Sets an environment variable for one test and puts the old value back.
class CEnvironment {
public:
    CEnvironment(const char* szName, const char* szValue) : m_szName(szName)
    {
        if (const char* szOld = std::getenv(szName))
            m_oOld = szOld;
        Set(szName, szValue);
    }
    ~CEnvironment() { Set(m_szName, m_oOld ? m_oOld->c_str() : nullptr); }

private:
    static void Set(const char* szName, const char* szValue)
    {
        szValue ? ::setenv(szName, szValue, 1) : ::unsetenv(szName);
    }
    const char* m_szName;
    std::optional<std::string> m_oOld;
};

TEST(DeviceTrust, FoldersAndPipesOfOthersOrWritableByOthersAreRefusedWithTheirReason)
{
    const test::CTestDir dir;
    const std::string sRoot = dir.String();
    CPipeDeviceSide good;
    ASSERT_TRUE(good.Plug(sRoot, "good"));
    EXPECT_EQ(test::FileMode(good.Path()), 0700u);
    EXPECT_EQ(test::FileMode(good.Path() + "/PIPE_0x00"), 0600u);
    EXPECT_EQ(test::FileMode(good.Path() + "/PIPE_0x01"), 0600u);

    MakeDevice(sRoot + "/a-group-writable", 0770);
    MakeDevice(sRoot + "/b-world-writable", 0757);
    MakeDevice(sRoot + "/c-pipe-writable", 0700, 0622);
    MakeDevice(sRoot + "/d-readable-only", 0755, 0644); // others may look, not write: trusted
    fs::create_directory_symlink(good.Path(), sRoot + "/e-link");
    fs::create_directories(sRoot + "/f-no-pipes");
    std::vector<SRefusedDevice> vExpected = {
        {sRoot + "/a-group-writable", "it can be written by other users (mode 0770)"},
        {sRoot + "/b-world-writable", "it can be written by other users (mode 0757)"},
        {sRoot + "/c-pipe-writable", "PIPE_0x01 can be written by other users (mode 0622)"},
        {sRoot + "/e-link", "it is a symbolic link"},
    };
    if (CanChown()) {
        MakeDevice(sRoot + "/g-other-folder");
        ASSERT_EQ(::chown((sRoot + "/g-other-folder").c_str(), kOtherUser, kOtherUser), 0);
        MakeDevice(sRoot + "/h-other-pipe");
        ASSERT_EQ(::chown((sRoot + "/h-other-pipe/PIPE_0x00").c_str(), kOtherUser, kOtherUser), 0);
        vExpected.push_back({sRoot + "/g-other-folder", "it belongs to another user (uid 4242)"});
        vExpected.push_back({sRoot + "/h-other-pipe", "PIPE_0x00 belongs to another user (uid 4242)"});
    }
    std::vector<SRefusedDevice> vRefused;
    EXPECT_EQ(ListPipeDevices(sRoot, &vRefused),
              (std::vector<std::string>{sRoot + "/d-readable-only", good.Path()}));
    ASSERT_EQ(vRefused.size(), vExpected.size());
    for (size_t i = 0; i < vExpected.size(); ++i) {
        EXPECT_EQ(vRefused[i].sPath, vExpected[i].sPath);
        EXPECT_EQ(vRefused[i].sWhy, vExpected[i].sWhy) << vExpected[i].sPath;
    }

    // Opening checks what it opened, whatever a listing said before: a device that turns
    // writable for others, or whose pipe changes hands, is not taken.
    CPipeHostChannel host;
    ASSERT_EQ(::chmod(good.Path().c_str(), 0777), 0);
    EXPECT_FALSE(host.Open(good.Path()));
    EXPECT_FALSE(host.Open(sRoot + "/e-link"));
    ASSERT_EQ(::chmod(good.Path().c_str(), 0700), 0);
    if (CanChown()) {
        ASSERT_EQ(::chown((good.Path() + "/PIPE_0x01").c_str(), kOtherUser, kOtherUser), 0);
        EXPECT_FALSE(host.Open(good.Path()));
        ASSERT_EQ(::chown((good.Path() + "/PIPE_0x01").c_str(), ::geteuid(), ::getegid()), 0);
    }
    EXPECT_TRUE(host.Open(good.Path()));
    EXPECT_TRUE(good.WaitForHost(2000));
}

TEST(DeviceTrust, EachRefusalIsToldOnceUntilItChangesOrComesBack)
{
    const test::CTestDir dir;
    const std::string sRoot = dir.String();
    const std::string sPlanted = sRoot + "/planted";
    MakeDevice(sPlanted, 0777);
    CPipeDeviceFinder finder(sRoot);
    const std::string sLine = "Device folder " + sPlanted + " ignored: it can be written by other users";
    for (int iTick = 0; iTick < 3; ++iTick)
        EXPECT_TRUE(finder.List().empty());
    std::vector<std::string> vNotices = finder.TakeNotices();
    ASSERT_EQ(vNotices.size(), 1u);
    EXPECT_EQ(vNotices[0], sLine + " (mode 0777)");

    // Another reason is told; so is the same one after the folder was gone.
    ASSERT_EQ(::chmod(sPlanted.c_str(), 0770), 0);
    finder.List();
    fs::remove_all(sPlanted);
    finder.List();
    MakeDevice(sPlanted, 0770);
    finder.List();
    finder.List();
    EXPECT_EQ(finder.TakeNotices(),
              (std::vector<std::string>{sLine + " (mode 0770)", sLine + " (mode 0770)"}));
    EXPECT_TRUE(finder.TakeNotices().empty());

    // Mended, it is listed, and nothing more is said.
    ASSERT_EQ(::chmod(sPlanted.c_str(), 0700), 0);
    EXPECT_EQ(finder.List(), std::vector<std::string>{sPlanted});
    EXPECT_TRUE(finder.TakeNotices().empty());
}

TEST(DeviceTrust, TheBuiltInRootIsMadePrivateAndUsedOnlyWhileItIsTheUsersAlone)
{
    const test::CTestDir dir;
    const CEnvironment runtime("XDG_RUNTIME_DIR", dir.String().c_str());
    const CEnvironment given("KOV_DEVICE_ROOT", nullptr);
    const std::string sRoot = dir.String() + "/kov/devices";
    ASSERT_EQ(BuiltInDeviceRoot(), sRoot);
    ASSERT_EQ(DefaultDeviceRoot(), sRoot);

    // Missing: made 0700, level by level, whatever the umask allows.
    const mode_t uOldMask = ::umask(0);
    EXPECT_EQ(PrepareDeviceRoot(sRoot), "");
    ::umask(uOldMask);
    EXPECT_EQ(test::FileMode(dir.String() + "/kov"), 0700u);
    EXPECT_EQ(test::FileMode(sRoot), 0700u);
    CPipeDeviceSide device;
    ASSERT_TRUE(device.Plug(sRoot, "sim"));
    CPipeDeviceFinder finder(sRoot);
    EXPECT_EQ(finder.List(), std::vector<std::string>{device.Path()});
    device.Unplug();

    // Writable by others, a symbolic link, another user's: refused by host and device alike.
    const std::string sPrefix = "Device root " + sRoot + " not used: ";
    ASSERT_EQ(::chmod(sRoot.c_str(), 0777), 0);
    EXPECT_TRUE(finder.List().empty());
    EXPECT_EQ(finder.TakeNotices(),
              std::vector<std::string>{sPrefix + "other users can write to it (mode 0777)"});
    EXPECT_FALSE(device.Plug(sRoot, "sim"));
    EXPECT_EQ(device.PlugError(),
              "device root " + sRoot + " not used: other users can write to it (mode 0777)");
    fs::remove(sRoot);
    fs::create_directory(dir.String() + "/elsewhere");
    fs::create_directory_symlink(dir.String() + "/elsewhere", sRoot);
    EXPECT_TRUE(finder.List().empty());
    EXPECT_EQ(finder.TakeNotices(), std::vector<std::string>{sPrefix + "it is a symbolic link"});
    EXPECT_FALSE(device.Plug(sRoot, "sim"));
    if (CanChown()) {
        fs::remove(sRoot);
        fs::create_directory(sRoot);
        ASSERT_EQ(::chmod(sRoot.c_str(), 0700), 0);
        ASSERT_EQ(::chown(sRoot.c_str(), kOtherUser, kOtherUser), 0);
        EXPECT_TRUE(finder.List().empty());
        EXPECT_EQ(finder.TakeNotices(),
                  std::vector<std::string>{sPrefix + "it belongs to another user (uid 4242)"});
    }

    // A root the user names is the user's choice: used as it is, its devices checked one by one.
    const std::string sGiven = dir.String() + "/given";
    fs::create_directory(sGiven);
    ASSERT_EQ(::chmod(sGiven.c_str(), 0777), 0);
    EXPECT_EQ(PrepareDeviceRoot(sGiven), "");
    ASSERT_TRUE(device.Plug(sGiven, "sim"));
    EXPECT_EQ(ListPipeDevices(sGiven), std::vector<std::string>{device.Path()});
}

} // namespace
} // namespace kov
