#include "upgrade/ApplicationUpgrade.h"

#include <gtest/gtest.h>

#include "platform/FakeFileSystem.h"
#include "upgrade/UpgradeTestKit.h"

namespace kov {
namespace {

using test::FilesUnder;
using test::Utf8;
using Upgrade = test::UpgradeSite;

std::string VersionLinks(std::initializer_list<const char*> names)
{
    std::string sPage = "<html><body><pre>\n";
    for (const char* szName : names)
        sPage += std::string("<a href=\"") + szName + "\">" + szName + "</a>\n";
    return sPage + "</pre></body></html>\n";
}

TEST_F(Upgrade, DownloadsTheNewestNewerSetupIntoTheLocalLayout)
{
    Publish("KOV_7_0_0_0", "DeviceConfig", "Setup_7_0_0_0.exe", "old");
    Publish("KOV_7_1_0_3", "DeviceConfig", "Setup_7_1_0_3.exe", std::string(100000, 's'));
    Publish("KOV_7_1_0_3", "Other", "Setup_other.exe");

    const SUpgradeReport final = RunToEnd();
    ASSERT_EQ(final.eKind, EUpgradeReport::Saved) << Utf8(UpgradeReportMessage(final));
    const std::filesystem::path saved = UpgradeFolder("7.1.0.3") / "Setup_7_1_0_3.exe";
    EXPECT_EQ(Utf8(final.wszText), saved.string());
    EXPECT_EQ(final.iVersion, 0x07010003);
    EXPECT_EQ(m_upgrade.SavedPath(), final.wszText);
    EXPECT_EQ(FilesUnder(m_data),
              std::vector<std::string>{"KOV/Application_Upgrades/7.1.0.3/DeviceConfig/Setup_7_1_0_3.exe"});
    EXPECT_EQ(std::filesystem::file_size(saved), 100000u);

    const std::string sFolder = Base() + "KOV_7_1_0_3/";
    EXPECT_EQ(Statuses(),
              (std::vector<std::string>{"Navigating to " + Base(), "Navigating to " + sFolder,
                                        "Navigating to " + sFolder + "DeviceConfig/",
                                        "Downloading " + sFolder + "DeviceConfig/Setup_7_1_0_3.exe",
                                        "Saving " + saved.string()}));

    // A check downloads nothing and names the file.
    EXPECT_EQ(RunToEnd(EUpgradeMode::CheckOnly).eKind, EUpgradeReport::Found);
    EXPECT_EQ(Utf8(m_vReports.back().wszText), sFolder + "DeviceConfig/Setup_7_1_0_3.exe");
    EXPECT_EQ(m_vReports.back().iVersion, 0x07010003);

    // The same version as the current one is no upgrade.
    m_upgrade.SetCurrentVersion(0x07010003);
    EXPECT_EQ(RunToEnd().eKind, EUpgradeReport::NoUpgradeFound);
    EXPECT_EQ(Utf8(UpgradeReportMessage(m_vReports.back())), "No upgrade found");
}

TEST_F(Upgrade, TheHighestNewerFolderWithTheFileWins)
{
    Publish("KOV_7_1_0_0", "DeviceConfig", "Setup_71.exe");
    Publish("KOV_7_2_0_0", "DeviceConfig", "Setup_72.exe");
    Publish("KOV_07_2_0_0", "DeviceConfig", "Setup_72b.exe");
    Publish("KOV_7_3_0_0", "DeviceConfig", "readme.txt"); // newest, but no setup
    Publish("KOV_7_4_0_0", "Other", "Setup_74.exe");      // newest, but not this product
    m_server.Answer("/dlds/KOV_7_5_0_0/", {.iStatus = 500});
    const std::string sFound = Base() + "KOV_7_2_0_0/DeviceConfig/Setup_72.exe";

    for (const auto& names :
         {std::initializer_list<const char*>{"KOV_7_1_0_0/", "KOV_7_2_0_0/", "KOV_7_3_0_0/", "KOV_7_4_0_0/",
                                             "KOV_7_5_0_0/"},
          std::initializer_list<const char*>{"KOV_7_5_0_0/", "KOV_7_4_0_0/", "KOV_7_3_0_0/", "KOV_7_2_0_0/",
                                             "KOV_7_1_0_0/"}}) {
        m_server.Answer("/dlds/", {.sBody = VersionLinks(names)});
        ASSERT_EQ(RunToEnd(EUpgradeMode::CheckOnly).eKind, EUpgradeReport::Found);
        EXPECT_EQ(Utf8(m_vReports.back().wszText), sFound);
    }

    // An equal version later on the page does not replace the best.
    m_server.Answer("/dlds/", {.sBody = VersionLinks({"KOV_7_2_0_0/", "KOV_07_2_0_0/"})});
    ASSERT_EQ(RunToEnd(EUpgradeMode::CheckOnly).eKind, EUpgradeReport::Found);
    EXPECT_EQ(Utf8(m_vReports.back().wszText), sFound);
    m_server.Answer("/dlds/", {.sBody = VersionLinks({"KOV_07_2_0_0/", "KOV_7_2_0_0/"})});
    ASSERT_EQ(RunToEnd(EUpgradeMode::CheckOnly).eKind, EUpgradeReport::Found);
    EXPECT_EQ(Utf8(m_vReports.back().wszText), Base() + "KOV_07_2_0_0/DeviceConfig/Setup_72b.exe");

    // Older and equal folders are never even opened.
    m_upgrade.SetCurrentVersion(0x07020000);
    const size_t iBefore = m_server.Requests().size();
    m_server.Answer("/dlds/", {.sBody = VersionLinks({"KOV_7_1_0_0/", "KOV_7_2_0_0/", "KOV_7_3_0_0/"})});
    EXPECT_EQ(RunToEnd().eKind, EUpgradeReport::NoUpgradeFound);
    std::vector<std::string> vRequests = m_server.Requests();
    vRequests.erase(vRequests.begin(), vRequests.begin() + static_cast<long>(iBefore));
    EXPECT_EQ(vRequests,
              (std::vector<std::string>{"/dlds/", "/dlds/KOV_7_3_0_0/", "/dlds/KOV_7_3_0_0/DeviceConfig/"}));
}

TEST_F(Upgrade, FolderNamesAndVersionsThatDoNotParse)
{
    // Three numbers are no version: with nothing else, the download page is opened instead.
    Publish("KOV_7_1_0", "DeviceConfig", "Setup_a.exe");
    ASSERT_EQ(RunToEnd().eKind, EUpgradeReport::OpenDownloadPage);
    EXPECT_EQ(Utf8(m_vReports.back().wszText), Base());
    m_server.Answer("/dlds/", {.sBody = "<html>nothing published</html>"});
    EXPECT_EQ(RunToEnd().eKind, EUpgradeReport::OpenDownloadPage);

    // A link with no '/' after it ends the scan; what was found before it stands.
    Publish("KOV_7_1_0_3", "DeviceConfig", "Setup_7103.exe");
    m_server.Answer("/dlds/", {.sBody = "<a href=\"KOV_7_1_0_3/\">x</a> <a href=\"KOV_7_9_9_9\">"});
    ASSERT_EQ(RunToEnd(EUpgradeMode::CheckOnly).eKind, EUpgradeReport::Found);
    EXPECT_EQ(m_vReports.back().iVersion, 0x07010003);

    EXPECT_EQ(VersionFolderName(kNoVersion), u"Unknown Version");
}

TEST_F(Upgrade, DeviceFirmwareIsFoundByItsEncodedProductName)
{
    m_upgrade.SetProductName(u"KOV-400 Device");
    m_upgrade.SetLinkPrefix("KOV_Blackfin");
    // A device whose version text does not parse: every published version is newer.
    m_upgrade.SetCurrentVersion(ParsePackedVersion(u"7.1.2"));
    Publish("KOV_0_0_0_1", "KOV-400 Device", "KOV_Blackfin_0001.ldr", "firmware");
    Publish("KOV_0_0_0_1", "KOV-400", "KOV_Blackfin_wrong.ldr");

    const SUpgradeReport final = RunToEnd();
    ASSERT_EQ(final.eKind, EUpgradeReport::Saved) << Utf8(UpgradeReportMessage(final));
    EXPECT_EQ(Utf8(final.wszText),
              (UpgradeFolder("0.0.0.1", "KOV-400 Device") / "KOV_Blackfin_0001.ldr").string());
    EXPECT_EQ(Statuses()[2], "Navigating to " + Base() + "KOV_0_0_0_1/KOV-400%20Device/");
}

TEST_F(Upgrade, FailuresAndStallsEndTheRunWithTheirMessages)
{
    m_server.Answer("/dlds/", {.iStatus = 404});
    ASSERT_EQ(RunToEnd().eKind, EUpgradeReport::NavigationFailed);
    EXPECT_EQ(Utf8(UpgradeReportMessage(m_vReports.back())), "Web navigation failed. Status=404");

    m_server.Answer("/dlds/", {.sBody = VersionLinks({"KOV_7_1_0_0/"})});
    Publish("KOV_7_1_0_0", "DeviceConfig", "Setup_71.exe", std::string(5000, 'x'));
    m_server.Answer("/dlds/KOV_7_1_0_0/DeviceConfig/Setup_71.exe", {.iStatus = 500, .sBody = "error page"});
    ASSERT_EQ(RunToEnd().eKind, EUpgradeReport::DownloadFailed);
    EXPECT_EQ(Utf8(UpgradeReportMessage(m_vReports.back())), "Download failed. Status=500");
    // A download that stalls inside the body fails after the stall time.
    m_server.Answer("/dlds/KOV_7_1_0_0/DeviceConfig/Setup_71.exe",
                    {.sBody = std::string(10000, 'z'), .iHoldAfter = 10});
    m_upgrade.SetStallTimeoutMs(300);
    ASSERT_EQ(RunToEnd().eKind, EUpgradeReport::DownloadFailed);
    EXPECT_EQ(m_vReports.back().iStatusCode, 200);
    EXPECT_FALSE(m_vReports.back().sDetail.empty());
    EXPECT_TRUE(FilesUnder(m_data).empty());

    // A full disk: no file under either name.
    m_server.Answer("/dlds/KOV_7_1_0_0/DeviceConfig/Setup_71.exe", {.sBody = std::string(5000, 'x')});
    CFullingFileSystem full(1000);
    m_upgrade.SetFileSystem(full);
    ASSERT_EQ(RunToEnd().eKind, EUpgradeReport::Failed);
    EXPECT_EQ(Utf8(UpgradeReportMessage(m_vReports.back())),
              "Failed to write to file " + (UpgradeFolder("7.1.0.0") / "Setup_71.exe").string());
    EXPECT_TRUE(FilesUnder(m_data).empty());

    // The application-data folder is a file: the first level cannot be made.
    m_upgrade.SetFileSystem(SystemFileSystem());
    std::ofstream(m_dir / "plain-file") << "x";
    m_upgrade.SetAppDataFolders((m_dir / "plain-file").u16string(), u"");
    ASSERT_EQ(RunToEnd().eKind, EUpgradeReport::Failed);
    EXPECT_EQ(Utf8(m_vReports.back().wszText),
              "Failed to create directory " + (m_dir / "plain-file" / "KOV").string());
}

TEST_F(Upgrade, CancelInTheMiddleOfTheFileLeavesNoFile)
{
    const std::string sBody(4 << 20, 'f');
    Publish("KOV_7_1_0_0", "DeviceConfig", "Setup_71.exe");
    m_server.Answer("/dlds/KOV_7_1_0_0/DeviceConfig/Setup_71.exe", {.sBody = sBody, .iHoldAfter = 256 << 10});
    const std::filesystem::path folder = UpgradeFolder("7.1.0.0");

    ASSERT_TRUE(m_upgrade.Start());
    EXPECT_FALSE(m_upgrade.Start()) << "a Start during a run does nothing";
    bool bDownloading = false;
    std::vector<SUpgradeReport> vReports;
    while (auto oReport = m_queue.Next(std::chrono::seconds(60))) {
        vReports.push_back(*oReport);
        if (oReport->eKind == EUpgradeReport::Status)
            bDownloading = Utf8(oReport->wszText).starts_with("Downloading ");
        if (bDownloading && oReport->eKind == EUpgradeReport::Progress && !m_upgrade.IsCancelled()) {
            // The body goes to disk as it arrives, beside the final name.
            const std::vector<std::string> vFiles = FilesUnder(folder);
            ASSERT_EQ(vFiles.size(), 1u);
            EXPECT_NE(vFiles[0], "Setup_71.exe");
            const auto llOnDisk = static_cast<int64_t>(std::filesystem::file_size(folder / vFiles[0]));
            EXPECT_GE(llOnDisk, oReport->llPosition);
            EXPECT_LE(llOnDisk, 256 << 10);
            EXPECT_EQ(oReport->llRange, static_cast<int64_t>(sBody.size()));
            m_upgrade.Cancel();
        }
        if (IsFinalReport(oReport->eKind))
            break;
    }
    m_upgrade.Wait();
    ASSERT_FALSE(vReports.empty());
    EXPECT_EQ(vReports.back().eKind, EUpgradeReport::Cancelled);
    EXPECT_TRUE(FilesUnder(m_data).empty());

    // The next run starts afresh.
    m_server.Answer("/dlds/KOV_7_1_0_0/DeviceConfig/Setup_71.exe", {.sBody = "complete"});
    EXPECT_EQ(RunToEnd().eKind, EUpgradeReport::Saved);
}

TEST_F(Upgrade, FileNamesFromTheListingNeverLeaveTheFolder)
{
    const std::vector<std::string> vNames = {
        "Setup_../../../../evil.exe", "Setup_a/evil.exe", "Setup_a\\evil.exe",
        "Setup_\001evil.exe",         "Setup_..",         "Setup_\377evil"};
    std::initializer_list<const char*> folders = {"KOV_7_1_0_0/", "KOV_7_2_0_0/", "KOV_7_3_0_0/",
                                                  "KOV_7_4_0_0/", "KOV_7_5_0_0/", "KOV_7_6_0_0/"};
    m_server.Answer("/dlds/", {.sBody = VersionLinks(folders)});
    for (size_t i = 0; i < vNames.size(); ++i) {
        const std::string sFolder = "/dlds/KOV_7_" + std::to_string(i + 1) + "_0_0/";
        m_server.Answer(sFolder, {.sBody = VersionLinks({"DeviceConfig/"})});
        m_server.Answer(sFolder + "DeviceConfig/", {.sBody = "<a href=\"" + vNames[i] + "\">x</a>"});
    }
    EXPECT_EQ(RunToEnd().eKind, EUpgradeReport::NoUpgradeFound);
    EXPECT_TRUE(FilesUnder(m_dir.Path()).empty());

    // An empty name (an owner with no prefix) is no file either; an older clean folder still wins.
    m_upgrade.SetLinkPrefix("");
    m_server.Answer("/dlds/KOV_7_6_0_0/DeviceConfig/", {.sBody = "<a href=\"\">x</a>"});
    m_server.Answer("/dlds/KOV_7_1_0_0/DeviceConfig/", {.sBody = "<a href=\"Setup_71.exe\">x</a>"});
    m_server.Answer("/dlds/KOV_7_1_0_0/DeviceConfig/Setup_71.exe", {.sBody = "clean"});
    ASSERT_EQ(RunToEnd().eKind, EUpgradeReport::Saved);
    EXPECT_EQ(FilesUnder(m_dir.Path()),
              std::vector<std::string>{"data/KOV/Application_Upgrades/7.1.0.0/DeviceConfig/Setup_71.exe"});
}

} // namespace
} // namespace kov
