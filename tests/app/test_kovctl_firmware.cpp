#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/wait.h>

#include "../firmware/FirmwareTestKit.h"

namespace {

using kovtest::CTempDir;

class KovctlFirmware : public ::testing::Test {
protected:
    // Exit code of kovctl; stdout and stderr land in m_sOut and m_sErr.
    int Run(const std::string& sArgs)
    {
        const std::string sOut = (m_dir.Path() / "out").string(), sErr = (m_dir.Path() / "err").string();
        const int iStatus = std::system(
            ("'" + std::string(KOVCTL_PATH) + "' " + sArgs + " >'" + sOut + "' 2>'" + sErr + "'").c_str());
        m_sOut = Slurp(sOut);
        m_sErr = Slurp(sErr);
        return WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1;
    }
    static std::string Slurp(const std::string& sPath)
    {
        std::ostringstream out;
        out << std::ifstream(sPath, std::ios::binary).rdbuf();
        return out.str();
    }
    CTempDir m_dir{"kov_kovctl_fw"};
    std::string m_sOut, m_sErr;
};

TEST_F(KovctlFirmware, ListsModelsAndInspectsProgramFiles)
{
    ASSERT_EQ(Run("models"), 0);
    EXPECT_EQ(std::count(m_sOut.begin(), m_sOut.end(), '\n'), 13);
    EXPECT_EQ(std::count(m_sOut.begin(), m_sOut.end(), '\t'), 26);
    EXPECT_NE(m_sOut.find("\nVSK610\tKOV-610\t17\n"), std::string::npos);

    const std::string sTgz = m_dir.Write(
        "fw.TGZ",
        kovtest::GzipMember(kovtest::TarEntry("partitions.txt", "1.2.3 any Linux_DAVINCI_v5 2018-11-01\n")));
    const std::string sReport = "kind: tgz\nversion: 1.2.3\nplatform: Linux DAVINCI v5\ndate: 2018-11-01\n";
    EXPECT_EQ(Run("inspect '" + sTgz + "' --model VSK610"), 0);
    EXPECT_EQ(m_sOut, sReport);
    EXPECT_EQ(Run("inspect '" + sTgz + "'"), 0); // no model: the line is read, nothing compared
    EXPECT_EQ(m_sOut, sReport);

    EXPECT_EQ(Run("inspect '" + sTgz + "' --model VSK500"), 1);
    EXPECT_EQ(m_sOut, "kind: tgz\n");
    EXPECT_NE(m_sErr.find("Device hardware platform mismatch.\nDevice hardware platform: Linux DAVINCI"),
              std::string::npos);
    EXPECT_EQ(Run("inspect '" + sTgz + "' --model XXWWR"), 1);
    EXPECT_EQ(m_sOut + m_sErr, "kind: none\nUnrecognized file\n");

    const std::string sLdr =
        m_dir.Write("boot.ldr", std::string(1500, 'x') + std::string("\x01\x2F\x38\xA5\x02\x05\x00\x11", 8));
    EXPECT_EQ(Run("inspect '" + sLdr + "'"), 0);
    EXPECT_EQ(m_sOut, "kind: ldr\nversion: 2.5.0.17\n");
    EXPECT_EQ(Run("inspect '" + m_dir.Write("bad.ldr", "no marker here") + "' --model XXWWR"), 1);
    EXPECT_EQ(m_sErr, "Invalid programming file\n");
    EXPECT_EQ(Run("inspect '" + m_dir.Path().string() + "/firmware'"), 1);
    EXPECT_EQ(m_sErr, "Program file does not match device!\n");

    for (const char* szUsage :
         {"inspect", "inspect a.tgz b.tgz", "inspect a.tgz --model", "inspect --x a.tgz", "models extra"})
        EXPECT_EQ(Run(szUsage), 2) << szUsage;
}

} // namespace
