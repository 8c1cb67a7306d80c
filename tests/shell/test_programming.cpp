// Firmware programming from the Maintenance page against the simulated device over real pipes.
#include <gtest/gtest.h>

#include <array>
#include <fstream>

#include "ShellTestKit.h"
#include "common/PluggedSim.h"
#include "firmware/FirmwareTestKit.h"
#include "sections/Maintenance.h"
#include "sim/SampleDocument.h"
#include "sim/SimPipeRunner.h"

namespace kov::test {
namespace {

using Dlg = CDeviceProgramDlg;

class Programming : public CFrameTest {
protected:
    ~Programming() override { Unplug(); }

    // A device that saves the image it receives; waits for its parameters.
    void Plug(SSimDeviceOptions options = {})
    {
        m_view.m_vStatus.clear();
        options.sSaveImagePath = (m_folder.Path() / "image.bin").string();
        m_pSim = std::make_unique<CPluggedSim>(m_sRoot, "sim", std::move(options));
        ASSERT_TRUE(PumpUntil([&] { return m_view.SawStatus(u"Parameters loaded"); }, true));
    }
    void Unplug()
    {
        if (m_pSim)
            m_pSim->Unplug();
    }
    int Restarts() const { return m_pSim->CountLog("session ended: restart"); }
    bool WaitMessage(std::u16string_view wszText)
    {
        return PumpUntil([&] { return m_view.m_host.LastMessage().wszText == wszText; });
    }
    Dlg& Page() { return *dynamic_cast<Dlg*>(m_pFrame->PageArea().PageOf(kSubjectMaintenance)); }
    // An archive for the sample device's platform, put into the path edit; its bytes.
    std::string UseArchive(size_t nPayload)
    {
        const std::string sArchive = kovtest::GzipMember(
            kovtest::TarEntry("partitions.txt", "1.2.3 any Linux_DAVINCI_v5 2018-11-01\n") +
            kovtest::TarEntry("rootfs.bin", RandomBytes(nPayload)));
        std::ofstream(m_folder.Path() / "fw.tgz", std::ios::binary) << sArchive;
        Page().Type(Dlg::IDC_FILE_PATH, m_folder.File("fw.tgz"));
        m_view.m_host.QueueAnswer(EDlgResult::Ok);
        return sArchive;
    }
    std::string Image() { return ReadFileBytes(m_folder.Path() / "image.bin"); }
    void ExpectIdle()
    {
        EXPECT_FALSE(Page().Transfer().IsFileOpen());
        for (int iId :
             {Dlg::IDC_BUFFER_ACCEPT, Dlg::IDC_SECTORS_ERASE, Dlg::IDC_FLASH_WRITE, Dlg::IDC_FLASH_VERIFY})
            EXPECT_EQ(Page().Find<CProgressBar>(iId)->Pos(), 0) << iId;
    }

    std::unique_ptr<CPluggedSim> m_pSim;
};

TEST_F(Programming, AnArchiveReachesTheFlashWholeAndTheDeviceRestarts)
{
    ASSERT_NO_FATAL_FAILURE(Plug());
    m_pFrame->Tree().Switch(kSubjectMaintenance);
    const std::string sArchive = UseArchive(6000);
    const size_t nFrom = m_view.m_vOutcomes.size();
    ASSERT_TRUE(Page().Click(Dlg::IDC_PROGRAM));
    EXPECT_EQ(m_view.m_host.LastMessage().wszText,
              u"Device file version is 1.2.3\nDate: 2018-11-01\nConfirm start of programming.");
    ASSERT_TRUE(PumpUntil([&] { return m_view.SawStatus(u"Device Reset"); }));
    EXPECT_EQ(Image(), sArchive);
    EXPECT_EQ(m_pFrame->PageArea().CurrentSubject(), kSubjectDeviceIdentification);
    EXPECT_EQ(m_pFrame->Tree().Selection(), kSubjectDeviceIdentification);
    ExpectIdle();
    ASSERT_TRUE(PumpUntil([&] { return Restarts() == 1; }));
    // The run's progress climbs to 100 on every bar; the bars set back to 0 after it are none.
    std::array<int, kProgramBarCount> aiLast{};
    bool bComplete = false;
    for (size_t i = nFrom; i < m_view.m_vOutcomes.size(); ++i) {
        const SOutcome& outcome = m_view.m_vOutcomes[i];
        const auto iBar = int(outcome.eOutcome) - int(EOutcome::BufferAccepted);
        if (outcome.eOutcome == EOutcome::ProgrammingCompleteRestart) {
            bComplete = true;
            ASSERT_LT(i + 1, m_view.m_vOutcomes.size());
            EXPECT_EQ(m_view.m_vOutcomes[i + 1].eOutcome, EOutcome::DeviceReset);
        } else if (iBar >= 0 && iBar < kProgramBarCount) {
            EXPECT_FALSE(bComplete) << iBar;
            EXPECT_GE(outcome.iCode, aiLast[size_t(iBar)]) << iBar;
            aiLast[size_t(iBar)] = outcome.iCode;
        }
    }
    EXPECT_TRUE(bComplete);
    EXPECT_EQ(aiLast, (std::array<int, kProgramBarCount>{100, 100, 100, 100}));
}

TEST_F(Programming, AFlashErrorOrCompletionWithoutRestartOnlyTellsTheOperator)
{
    SSimDeviceOptions options;
    options.oFlashError = 9;
    ASSERT_NO_FATAL_FAILURE(Plug(options));
    UseArchive(3000);
    ASSERT_EQ(Page().Program(), EProgramResult::Started);
    ASSERT_TRUE(WaitMessage(u"Failed to write on flash. Error=9"));
    EXPECT_EQ(m_view.m_host.LastMessage().wszCaption, u"Device Programming");
    ExpectIdle();

    // The device ended that run itself: unplugging it now cuts nothing short.
    Unplug();
    ASSERT_TRUE(PumpUntil([&] { return !m_pFrame->Holder().IsConnected(); }, true)); // the count fell
    EXPECT_FALSE(m_view.Saw(EOutcome::ProgrammingInterrupted));
    ASSERT_NO_FATAL_FAILURE(Plug());
    Page().Click(Dlg::IDC_AUTOMATIC_RESTART);
    UseArchive(3000);
    ASSERT_EQ(Page().Program(), EProgramResult::Started);
    ASSERT_TRUE(WaitMessage(u"Programming Complete. Please press the \"Restart Device\" button."));
    ExpectIdle();
    // Ended from this side, the device has read everything sent before it saw the end.
    m_pFrame->Holder().Disconnect(true);
    m_pSim->WaitSessionsEnded();
    EXPECT_EQ(m_pSim->CountLog("received 60 "), 0);
    EXPECT_EQ(m_pSim->CountLog("session ended: host gone"), 1);
    EXPECT_FALSE(m_view.SawStatus(u"Device Reset"));
}

TEST_F(Programming, TheDeviceAsksToBeProgrammedWithALoaderImage)
{
    ASSERT_NO_FATAL_FAILURE(Plug());
    const std::string sLdr = RandomBytes(1500) + std::string("\x01\x2F\x38\xA5\x02\x05\x00\x11", 8);
    std::ofstream(m_folder.Path() / "fw.ldr", std::ios::binary) << sLdr;
    m_view.m_host.QueueFile(m_folder.File("fw.ldr")); // the path edit is empty
    m_view.m_host.QueueAnswer(EDlgResult::Ok);
    // The simulator never asks by itself; its request arrives as the receive loop posts it.
    m_pFrame->EventQueue().PostDeviceEvent({DeviceEvent::ProgramRequestEvent, 0, 0, nullptr, 0});
    ASSERT_TRUE(PumpUntil([&] { return m_view.SawStatus(u"Device Reset"); }));
    EXPECT_EQ(m_view.m_host.Messages().at(0).wszText,
              u"Device file version is 2.5.0.17\nConfirm start of programming.");
    EXPECT_EQ(Image(), sLdr);
    EXPECT_TRUE(m_view.m_host.AllConsumed());
}

TEST_F(Programming, ADeviceVanishingMidTransferClosesTheFile)
{
    ASSERT_NO_FATAL_FAILURE(Plug());
    UseArchive(300000);
    ASSERT_EQ(Page().Program(), EProgramResult::Started);
    ASSERT_TRUE(PumpUntil([&] { return Page().Transfer().Offset() >= 64 * 1024; }));
    Unplug();
    ASSERT_TRUE(PumpUntil([&] { return m_view.SawStatus(u"Device disconnected"); }));
    ExpectIdle();
    // The operator learns that the firmware did not get through, after the pages went off.
    EXPECT_EQ(m_view.m_host.LastMessage().wszText,
              u"Programming was interrupted before it completed: the device was disconnected. Connect the "
              u"device again and program it once more.");
    EXPECT_EQ(m_view.m_host.LastMessage().wszCaption, u"Device Programming");
    EXPECT_EQ(m_view.m_vOutcomes.back().eOutcome, EOutcome::ProgrammingInterrupted);
    EXPECT_FALSE(Page().IsEnabled(Dlg::IDC_PROGRAM));
}

} // namespace
} // namespace kov::test
