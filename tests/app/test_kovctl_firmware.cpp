#include <fstream>

#include "../firmware/FirmwareTestKit.h"
#include "KovctlTestKit.h"

namespace kov::test {
namespace {

using KovctlFirmware = CKovctlTest;

TEST_F(KovctlFirmware, ListsModelsAndInspectsProgramFiles)
{
    ASSERT_EQ(Run("models"), 0);
    EXPECT_NE(Out().find("\nVSK610\tKOV-610\t17\n"), std::string::npos);

    const std::string sTgz = File("fw.TGZ");
    std::ofstream(sTgz, std::ios::binary) << kovtest::GzipMember(
        kovtest::TarEntry("partitions.txt", "1.2.3 any Linux_DAVINCI_v5 2018-11-01\n"));
    const std::string sReport = "kind: tgz\nversion: 1.2.3\nplatform: Linux DAVINCI v5\ndate: 2018-11-01\n";
    EXPECT_EQ(Run("inspect '" + sTgz + "' --model VSK610"), 0);
    EXPECT_EQ(Out(), sReport);
    EXPECT_EQ(Run("inspect '" + sTgz + "'"), 0); // no model: the line is read, nothing compared
    EXPECT_EQ(Out(), sReport);

    EXPECT_EQ(Run("inspect '" + sTgz + "' --model VSK500"), 1);
    EXPECT_EQ(Out(), "kind: tgz\n");
    EXPECT_NE(Err().find("Device hardware platform mismatch.\nDevice hardware platform: Linux DAVINCI"),
              std::string::npos);
    EXPECT_EQ(Run("inspect '" + sTgz + "' --model XXWWR"), 1);
    EXPECT_EQ(Out() + Err(), "kind: none\nUnrecognized file\n");

    std::ofstream(File("boot.ldr"), std::ios::binary)
        << std::string(1500, 'x') + std::string("\x01\x2F\x38\xA5\x02\x05\x00\x11", 8);
    EXPECT_EQ(Run("inspect '" + File("boot.ldr") + "'"), 0);
    EXPECT_EQ(Out(), "kind: ldr\nversion: 2.5.0.17\n");
    std::ofstream(File("bad.ldr")) << "no marker here";
    EXPECT_EQ(Run("inspect '" + File("bad.ldr") + "' --model XXWWR"), 1);
    EXPECT_EQ(Err(), "Invalid programming file\n");
    EXPECT_EQ(Run("inspect '" + File("firmware") + "'"), 1);
    EXPECT_EQ(Err(), "Program file does not match device!\n");

    for (const char* szUsage :
         {"inspect", "inspect a.tgz b.tgz", "inspect a.tgz --model", "inspect --x a.tgz", "models extra"})
        EXPECT_EQ(Run(szUsage), 2) << szUsage;
}

} // namespace
} // namespace kov::test
