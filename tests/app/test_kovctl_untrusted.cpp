// kovctl passes over a device another user could have planted, says so once on standard
// error, and works with the user's own device.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "KovctlTestKit.h"

namespace kov::test {
namespace {

size_t Count(const std::string& sText, const std::string& sPart)
{
    size_t n = 0;
    for (size_t i = sText.find(sPart); i != std::string::npos; i = sText.find(sPart, i + 1))
        ++n;
    return n;
}

using KovctlUntrusted = CKovctlTest;

TEST_F(KovctlUntrusted, APlantedDeviceIsNamedOnceAndTheUsersOwnIsUsed)
{
    Plug();
    // First in name order, so it would be tried first; writable by everyone.
    const std::string sPlanted = m_sRoot + "/0-planted";
    std::filesystem::create_directories(sPlanted);
    ASSERT_EQ(::mkfifo((sPlanted + "/PIPE_0x00").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((sPlanted + "/PIPE_0x01").c_str(), 0600), 0);
    ASSERT_EQ(::chmod(sPlanted.c_str(), 0777), 0);
    const std::string sLine =
        "Device folder " + sPlanted + " ignored: it can be written by other users (mode 0777)\n";

    ASSERT_EQ(Run("devices"), 0) << Err();
    EXPECT_EQ(Out(), "1\n");
    EXPECT_EQ(Count(Err(), sLine), 1u) << Err();
    ASSERT_EQ(Run("read"), 0) << Err();
    EXPECT_NE(Out().find("<kov:CaptureDeviceConfig"), std::string::npos);
    EXPECT_EQ(Count(Err(), sLine), 1u) << Err();
    EXPECT_EQ(CountLog("read parameters"), 1);
}

} // namespace
} // namespace kov::test
