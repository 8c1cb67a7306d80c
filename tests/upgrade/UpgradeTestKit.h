#pragma once
// A download site served from a test folder, and an upgrade object pointed at it whose reports
// the test collects.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/LoopbackHttpServer.h"
#include "common/TestDir.h"
#include "support/TextCodec.h"
#include "upgrade/ApplicationUpgrade.h"

namespace kov::test {

// A published file on a test site: <site>/dlds/<folder>/<product>/<file> (no file when sFile is
// empty: the product folder alone).
inline void PublishOnSite(const std::filesystem::path& site, const std::string& sFolder,
                          const std::string& sProduct, const std::string& sFile, const std::string& sContent)
{
    const std::filesystem::path dir = site / "dlds" / sFolder / sProduct;
    std::filesystem::create_directories(dir);
    if (!sFile.empty())
        std::ofstream(dir / sFile, std::ios::binary) << sContent;
}

// Every file under the folder, relative to it.
inline std::vector<std::string> FilesUnder(const std::filesystem::path& folder)
{
    std::vector<std::string> vFiles;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            vFiles.push_back(std::filesystem::relative(entry.path(), folder).string());
    return vFiles;
}

class UpgradeSite : public ::testing::Test {
protected:
    UpgradeSite()
    {
        std::filesystem::create_directories(m_site / "dlds");
        std::filesystem::create_directories(m_data);
        m_upgrade.SetReportSink(&m_queue);
        m_upgrade.SetSiteRoot(m_server.Url());
        m_upgrade.SetAppDataFolders(m_data.u16string(), u"");
    }

    std::string Base() const { return m_server.Url("/dlds/"); }

    // site/dlds/<folder>/<product>/<file>
    void Publish(const std::string& sFolder, const std::string& sProduct, const std::string& sFile,
                 const std::string& sContent = "setup bytes")
    {
        PublishOnSite(m_site, sFolder, sProduct, sFile, sContent);
    }

    // Collects the reports of the run going on up to its final one.
    std::vector<SUpgradeReport> Collect()
    {
        std::vector<SUpgradeReport> vReports;
        while (auto oReport = m_queue.Next(std::chrono::seconds(60))) {
            vReports.push_back(std::move(*oReport));
            if (IsFinalReport(vReports.back().eKind))
                break;
        }
        m_upgrade.Wait();
        return vReports;
    }

    SUpgradeReport RunToEnd(EUpgradeMode eMode = EUpgradeMode::Download)
    {
        EXPECT_TRUE(m_upgrade.Start(eMode));
        m_vReports = Collect();
        if (m_vReports.empty() || !IsFinalReport(m_vReports.back().eKind)) {
            ADD_FAILURE() << "the run sent no final report";
            return {};
        }
        return m_vReports.back();
    }

    std::vector<std::string> Statuses() const
    {
        std::vector<std::string> vTexts;
        for (const SUpgradeReport& report : m_vReports)
            if (report.eKind == EUpgradeReport::Status)
                vTexts.push_back(Utf16ToUtf8(report.wszText));
        return vTexts;
    }

    std::filesystem::path UpgradeFolder(const std::string& sVersion,
                                        const std::string& sProduct = "DeviceConfig") const
    {
        return m_data / "KOV" / "Application_Upgrades" / sVersion / sProduct;
    }

    CTestDir m_dir;
    std::filesystem::path m_site = m_dir / "site";
    std::filesystem::path m_data = m_dir / "data";
    CLoopbackHttpServer m_server{m_site};
    CUpgradeReportQueue m_queue;
    CApplicationUpgrade m_upgrade;
    std::vector<SUpgradeReport> m_vReports;
};

inline std::string Utf8(const std::u16string& wsz)
{
    return Utf16ToUtf8(wsz);
}

} // namespace kov::test
