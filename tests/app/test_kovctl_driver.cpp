// kovctl driver: the Driver menu's work from the command line, into a rules folder of the test's,
// with a fake udevadm first in PATH.
#include <filesystem>
#include <fstream>

#include "KovctlTestKit.h"

namespace kov::test {
namespace {

class KovctlDriver : public CKovctlTest {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(m_dir / "rules.d");
        std::filesystem::create_directories(m_dir / "bin");
        std::ofstream(m_dir / "bin" / "udevadm") << "#!/bin/sh\nexit 0\n";
        std::filesystem::permissions(m_dir / "bin" / "udevadm", std::filesystem::perms::owner_all);
    }
    int Driver(const std::string& sAction)
    {
        return Run("driver " + sAction, "KOV_UDEV_RULES_DIR='" + File("rules.d") + "' PATH='" + File("bin") +
                                            ":/usr/bin:/bin' XDG_DATA_HOME='" + File("data") + "' ");
    }
};

TEST_F(KovctlDriver, InstallStatusAndUninstallTheRule)
{
    const std::string sRule = File("rules.d") + "/70-kov-device.rules";
    ASSERT_EQ(Driver("install"), 0) << Err();
    EXPECT_TRUE(std::filesystem::exists(sRule));
    EXPECT_NE(Out().find("Writing " + sRule + "... OK\n"), std::string::npos) << Out();

    ASSERT_EQ(Driver("status"), 0) << Err();
    EXPECT_NE(Out().find("device rule: installed in " + sRule), std::string::npos) << Out();
    EXPECT_NE(Out().find("devices on USB: "), std::string::npos) << Out();

    ASSERT_EQ(Driver("uninstall"), 0) << Err();
    EXPECT_FALSE(std::filesystem::exists(sRule));
    ASSERT_EQ(Driver("uninstall"), 0) << Err();
    EXPECT_EQ(Out(), "No drivers found.\n");
    ASSERT_EQ(Driver("status"), 0);
    EXPECT_NE(Out().find("device rule: not installed"), std::string::npos) << Out();

    EXPECT_EQ(Driver("fix"), 2);
    std::filesystem::remove_all(m_dir / "rules.d");
    EXPECT_EQ(Driver("install"), 1);
    EXPECT_NE(Out().find("does not exist"), std::string::npos) << Out();
}

TEST_F(KovctlDriver, ConfiguratorStartedToDeleteUsbFlagKeysSaysThereAreNone)
{
    // No window and no display: it answers and ends.
    const int iStatus = std::system(("env -u DISPLAY -u WAYLAND_DISPLAY '" KOV_CONFIG_PATH
                                     "' -delete-registry-usb-flag-keys >'" +
                                     File("out") + "' 2>'" + File("err") + "'")
                                        .c_str());
    ASSERT_TRUE(WIFEXITED(iStatus));
    EXPECT_EQ(WEXITSTATUS(iStatus), 0);
    EXPECT_EQ(Out(), "This system keeps no USB flag keys for devices: there is nothing to delete.\n");
    EXPECT_EQ(Err(), "");
}

} // namespace
} // namespace kov::test
