// The main window's two upgrade owners against a site served on the loopback: Help > Upgrade
// and the Maintenance page's Download, whose firmware goes on into the simulated device.
#include <gtest/gtest.h>

#include "ShellTestKit.h"
#include "common/LoopbackHttpServer.h"
#include "common/PluggedSim.h"
#include "firmware/FirmwareTestKit.h"
#include "sections/Maintenance.h"
#include "upgrade/UpgradeTestKit.h"

namespace kov::test {
namespace {

using Dlg = CDeviceProgramDlg;

class FrameUpgrades : public CFrameTest {
protected:
    FrameUpgrades()
    {
        std::filesystem::create_directories(m_site / "dlds");
        MakeFrame([this](SMainFrameSettings& settings) {
            settings.sDownloadSite = m_server.Url();
            settings.oDownloadFolder = m_data.u16string();
        });
    }
    ~FrameUpgrades() override
    {
        if (m_pSim)
            m_pSim->Unplug();
    }
    std::filesystem::path Saved(const std::string& sVersion, const std::string& sProduct,
                                const std::string& sFile) const
    {
        return m_data / "KOV" / "Application_Upgrades" / sVersion / sProduct / sFile;
    }

    std::filesystem::path m_site = m_folder.Path() / "site";
    std::filesystem::path m_data = m_folder.Path() / "data";
    CLoopbackHttpServer m_server{m_site};
    std::unique_ptr<CPluggedSim> m_pSim;
};

TEST_F(FrameUpgrades, HelpUpgradeOpensTheSavedSetupAndClosesOnlyWhenItOpened)
{
    PublishOnSite(m_site, "KOV_7_0_0_0", "DeviceConfig", "Setup_7000.exe", "same version");
    PublishOnSite(m_site, "KOV_7_1_0_3", "DeviceConfig", "Setup_7103.exe", "newer setup");
    const CUpgradeProgressForm& window = m_pFrame->Upgrades().Window(EUpgradeOwner::Application);
    ASSERT_TRUE(m_pFrame->OnCommand(ID_HELP_UPGRADE));
    EXPECT_TRUE(window.IsWindowShown());
    ASSERT_TRUE(PumpUntil([&] { return m_view.m_nCloseRequests > 0; }));
    const std::filesystem::path saved = Saved("7.1.0.3", "DeviceConfig", "Setup_7103.exe");
    EXPECT_EQ(m_view.m_vOpened, std::vector<std::u16string>{saved.u16string()});
    EXPECT_EQ(ReadFileBytes(saved), "newer setup");
    EXPECT_FALSE(window.IsWindowShown());
    EXPECT_TRUE(m_view.m_host.Messages().empty());

    // Nothing opened the setup: closing would leave the operator with neither program.
    m_view.m_bOpens = false;
    // The run's thread may still be ending after its last report; a new run starts after it.
    ASSERT_TRUE(
        PumpUntil([&] { return !m_pFrame->Upgrades().Upgrade(EUpgradeOwner::Application).IsBusy(); }));
    ASSERT_TRUE(m_pFrame->OnCommand(ID_HELP_UPGRADE));
    ASSERT_TRUE(PumpUntil([&] { return !m_view.m_host.Messages().empty(); }));
    EXPECT_EQ(m_view.m_host.LastMessage().wszText, u"Failed to open " + saved.u16string());
    EXPECT_EQ(m_view.m_host.LastMessage().wszCaption, u"Software Upgrade");
    EXPECT_EQ(m_view.m_nCloseRequests, 1);
    EXPECT_TRUE(m_view.m_host.Errors().empty());
}

TEST_F(FrameUpgrades, DownloadProgramsTheDevicesNewestNewerFirmware)
{
    // The sample device is a KOV-610 (model VSK610) running 7.1.2.3.
    const std::string sArchive =
        kovtest::GzipMember(kovtest::TarEntry("partitions.txt", "7.2.0.0 any Linux_DAVINCI_v5 2019-01-01\n") +
                            kovtest::TarEntry("rootfs.bin", RandomBytes(5000)));
    PublishOnSite(m_site, "KOV_7_1_2_3", "KOV-610 Device", "vesk-7123.tgz", "the running version");
    PublishOnSite(m_site, "KOV_7_2_0_0", "KOV-610 Device", "vesk-7200.tgz", sArchive);
    PublishOnSite(m_site, "KOV_7_3_0_0", "KOV-400 Device", "KOV_Blackfin_7300.ldr", "another product");

    SSimDeviceOptions options;
    options.sSaveImagePath = (m_folder.Path() / "image.bin").string();
    m_pSim = std::make_unique<CPluggedSim>(m_sRoot, "sim", std::move(options));
    ASSERT_TRUE(PumpUntil([&] { return m_view.SawStatus(u"Parameters loaded"); }, true));
    auto& page = *dynamic_cast<Dlg*>(m_pFrame->PageArea().PageOf(kSubjectMaintenance));
    m_view.m_host.QueueAnswer(EDlgResult::Ok); // the question before programming
    ASSERT_TRUE(page.Click(Dlg::IDC_DOWNLOAD));
    EXPECT_TRUE(m_pFrame->Upgrades().Window(EUpgradeOwner::Firmware).IsWindowShown());
    ASSERT_TRUE(PumpUntil([&] { return m_view.SawStatus(u"Device Reset"); }));

    const std::filesystem::path saved = Saved("7.2.0.0", "KOV-610 Device", "vesk-7200.tgz");
    EXPECT_EQ(page.TextOf(Dlg::IDC_FILE_PATH), saved.u16string());
    EXPECT_EQ(m_view.m_host.Messages().at(0).wszText,
              u"Device file version is 7.2.0.0\nDate: 2019-01-01\nConfirm start of programming.");
    EXPECT_EQ(ReadFileBytes(m_folder.Path() / "image.bin"), sArchive);
    EXPECT_FALSE(m_pFrame->Upgrades().Window(EUpgradeOwner::Firmware).IsWindowShown());
    EXPECT_FALSE(m_view.m_bDestroyed) << "only the program's own upgrade closes the window";
    EXPECT_TRUE(m_view.m_host.Errors().empty());
}

} // namespace
} // namespace kov::test
