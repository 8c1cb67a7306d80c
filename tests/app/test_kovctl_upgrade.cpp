// kovctl upgrade, download-firmware and program --download as separate processes against a
// download site served on the loopback and a simulated device.
#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#include "../firmware/FirmwareTestKit.h"
#include "KovctlTestKit.h"
#include "common/LoopbackHttpServer.h"
#include "sim/SampleDocument.h"
#include "upgrade/UpgradeTestKit.h"

namespace kov::test {
namespace {

class KovctlUpgrade : public CKovctlTest {
protected:
    KovctlUpgrade() { std::filesystem::create_directories(m_site / "dlds"); }

    // kovctl with its data folder in the test's folder and no site from the environment.
    int RunUpgrade(const std::string& sArgs, const std::string& sEnvironment = "")
    {
        return Run(sArgs,
                   "env -u KOV_DOWNLOAD_SITE XDG_DATA_HOME='" + File("data") + "' " + sEnvironment + " ");
    }
    std::string Site() const { return " --site " + m_server.Url(); }
    std::string Saved(const std::string& sVersion, const std::string& sProduct,
                      const std::string& sFile) const
    {
        return File("data") + "/KOV/Application_Upgrades/" + sVersion + "/" + sProduct + "/" + sFile;
    }

    std::filesystem::path m_site = m_dir / "site";
    CLoopbackHttpServer m_server{m_site};
};

TEST_F(KovctlUpgrade, UpgradeSavesOrNamesTheNewestSetupAndTellsEveryFailure)
{
    PublishOnSite(m_site, "KOV_7_0_0_0", "DeviceConfig", "Setup_7000.exe", "same version");
    PublishOnSite(m_site, "KOV_7_1_0_3", "DeviceConfig", "Setup_7103.exe", "newer setup");
    ASSERT_EQ(RunUpgrade("upgrade --check" + Site()), 0) << Err();
    EXPECT_EQ(Out(), "7.1.0.3\t" + m_server.Url("/dlds/KOV_7_1_0_3/DeviceConfig/Setup_7103.exe") + "\n");
    EXPECT_FALSE(std::filesystem::exists(File("data"))) << "a check downloads nothing";

    // The site from the environment when no --site is given.
    ASSERT_EQ(RunUpgrade("upgrade", "KOV_DOWNLOAD_SITE='" + m_server.Url() + "'"), 0) << Err();
    const std::string sSaved = Saved("7.1.0.3", "DeviceConfig", "Setup_7103.exe");
    EXPECT_EQ(Out(), sSaved + "\n");
    EXPECT_EQ(ReadFileBytes(sSaved), "newer setup");
    // Without a terminal every status is a line of its own, and no share of the bytes.
    EXPECT_NE(Err().find("\nSaving " + sSaved + "\n"), std::string::npos) << Err();
    EXPECT_EQ(Err().find('%'), std::string::npos) << Err();

    std::filesystem::remove_all(m_site / "dlds" / "KOV_7_1_0_3");
    EXPECT_EQ(RunUpgrade("upgrade" + Site()), 1);
    EXPECT_NE(Err().find("\nNo upgrade found\n"), std::string::npos) << Err();
    EXPECT_EQ(Out(), "");

    // No version folder at all: the download page to visit instead.
    std::filesystem::remove_all(m_site / "dlds" / "KOV_7_0_0_0");
    EXPECT_EQ(RunUpgrade("upgrade" + Site()), 1);
    EXPECT_NE(Err().find("\n" + m_server.Url("/dlds/") + "\n"), std::string::npos) << Err();

    m_server.Answer("/dlds/", {.iStatus = 500});
    EXPECT_EQ(RunUpgrade("upgrade --check" + Site()), 1);
    EXPECT_NE(Err().find("\nWeb navigation failed. Status=500\n"), std::string::npos) << Err();

    EXPECT_EQ(RunUpgrade("upgrade --site ftp://example.org"), 2);
    EXPECT_EQ(RunUpgrade("upgrade --check --check"), 2);
}

TEST_F(KovctlUpgrade, CtrlCCancelsADownloadAndLeavesNoFile)
{
    PublishOnSite(m_site, "KOV_7_1_0_0", "DeviceConfig", "Setup_71.exe", "");
    // The file trickles in, a report on its way all the time, for longer than the test waits.
    m_server.Answer("/dlds/KOV_7_1_0_0/DeviceConfig/Setup_71.exe",
                    {.sBody = std::string(1 << 20, 's'),
                     .iPieceSize = 1024,
                     .piecePause = std::chrono::milliseconds(10)});
    int iExit = -1;
    std::thread run([&] {
        iExit = RunUpgrade("upgrade" + Site(),
                           "sh -c 'exec \"$0\" \"$@\" & echo $! >\"" + File("pid") + "\"; wait $!'");
    });
    std::string sPid;
    for (int i = 0; i < 3000 && (sPid.empty() || Err().find("Downloading ") == std::string::npos); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        sPid = Read("pid");
    }
    ASSERT_NE(Err().find("Downloading "), std::string::npos) << Err();
    ::kill(std::stoi(sPid), SIGINT);
    run.join();
    EXPECT_EQ(iExit, 1);
    EXPECT_NE(Err().find("\nCancelled\n"), std::string::npos) << Err();
    EXPECT_EQ(Out(), "");
    EXPECT_TRUE(FilesUnder(File("data")).empty());
}

TEST_F(KovctlUpgrade, TheDevicesNewestFirmwareIsDownloadedAndProgrammed)
{
    // The sample device is a KOV-610 (model VSK610) running 7.1.2.3.
    const std::string sArchive =
        kovtest::GzipMember(kovtest::TarEntry("partitions.txt", "7.2.0.0 any Linux_DAVINCI_v5 2019-01-01\n") +
                            kovtest::TarEntry("rootfs.bin", RandomBytes(4000)));
    PublishOnSite(m_site, "KOV_7_2_0_0", "KOV-610 Device", "vesk-7200.tgz", sArchive);
    const std::string sSaved = Saved("7.2.0.0", "KOV-610 Device", "vesk-7200.tgz");
    ASSERT_NO_FATAL_FAILURE(Plug());
    ASSERT_EQ(RunUpgrade("download-firmware" + Site()), 0) << Err();
    EXPECT_EQ(Out(), sSaved + "\n");
    EXPECT_EQ(ReadFileBytes(sSaved), sArchive);
    EXPECT_FALSE(std::filesystem::exists(File("image.bin"))) << "nothing was programmed";

    std::filesystem::remove(sSaved);
    ASSERT_EQ(RunUpgrade("program --download --yes" + Site()), 0) << Err();
    EXPECT_EQ(Read("image.bin"), sArchive);
    EXPECT_NE(Err().find("Device file version is 7.2.0.0\n"), std::string::npos) << Err();
    EXPECT_EQ(ReadFileBytes(sSaved), sArchive);

    // A device whose model has no firmware on the site: nothing is asked of the site.
    std::string sDocument = SampleDocumentText();
    sDocument.replace(sDocument.find("\"VSK610\""), 8, "\"ZZ9\"");
    ASSERT_TRUE(m_pSim->Device().LoadDocumentText(sDocument));
    const size_t nRequests = m_server.Requests().size();
    EXPECT_EQ(RunUpgrade("program --download --yes" + Site()), 1);
    EXPECT_NE(Err().find("\nUnknown device\n"), std::string::npos) << Err();
    EXPECT_EQ(m_server.Requests().size(), nRequests);
    EXPECT_EQ(RunUpgrade("program --download fw.tgz"), 2);
}

} // namespace
} // namespace kov::test
