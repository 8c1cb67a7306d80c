// Faults through whole sessions of the main window: the link to the device fails at each call
// of a connect / read parameters / write / program / restart session in turn, and the disk
// fails at each changing call of saving a parameter file and the options file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "ShellTestKit.h"
#include "common/FaultyFileSystem.h"
#include "common/FaultySlot.h"
#include "common/PluggedSim.h"
#include "document/AppOptions.h"
#include "firmware/FirmwareTestKit.h"
#include "sections/Maintenance.h"
#include "sim/SimTestHost.h"

namespace kov::test {
namespace {

using Ident = CMainDevicePropertiesDlg;
using Maint = CDeviceProgramDlg;

const char* KindName(ELinkFault eKind)
{
    static const char* const kNames[] = {"no fault", "short write", "failed read", "end of file", "stall"};
    return kNames[size_t(eKind)];
}

class SessionFaults : public CFrameTest {
protected:
    SessionFaults()
        : CFrameTest(std::make_unique<CFaultySlot>(), nullptr),
          m_slot(static_cast<CFaultySlot&>(m_pFrame->Holder().Transport()))
    {
        // Three blocks for the sample device's platform.
        m_sArchive = kovtest::GzipMember(
            kovtest::TarEntry("partitions.txt", "1.2.3 any Linux_DAVINCI_v5 2018-11-01\n") +
            kovtest::TarEntry("rootfs.bin", RandomBytes(1200)));
        std::ofstream(m_folder.Path() / "fw.tgz", std::ios::binary) << m_sArchive;
    }

    Ident& Identification() { return m_pFrame->DeviceIdentificationPage(); }
    Maint& Maintenance() { return *dynamic_cast<Maint*>(m_pFrame->PageArea().PageOf(kSubjectMaintenance)); }
    size_t Count(EOutcome eOutcome, size_t nFrom) const
    {
        return size_t(std::count_if(m_view.m_vOutcomes.begin() + long(nFrom), m_view.m_vOutcomes.end(),
                                    [&](const SOutcome& outcome) { return outcome.eOutcome == eOutcome; }));
    }
    bool Seen(EOutcome eOutcome, size_t nFrom) const { return Count(eOutcome, nFrom) > 0; }
    // Handles events until the condition holds or the fault has met its call.
    bool Await(const std::function<bool()>& fnDone)
    {
        return PumpUntil([&] { return fnDone() || m_slot.Fired(); });
    }

    // Plugs a device in, lets the presence poll connect it, writes the parameters and programs
    // it with an automatic restart, stopping where the fault struck; then pulls the device out.
    // The outcomes of the session begin at the index returned.
    size_t RunSession(SLinkFault fault)
    {
        const size_t nFrom = m_view.m_vOutcomes.size();
        m_view.m_host.ClearRecords();
        m_slot.Plug(fault);
        m_pFrame->PresenceTick();
        bool bGoing = Await([&] { return Seen(EOutcome::ParametersLoaded, nFrom); });
        if (bGoing && !m_slot.Fired()) {
            Identification().Type(Ident::IDC_DEVICE_NAME, u"Unit 12");
            m_pFrame->OnCommand(ID_WRITE_TO_DEVICE);
            bGoing = Await([&] { return Seen(EOutcome::Saved, nFrom); });
        }
        if (bGoing && !m_slot.Fired()) {
            m_view.m_host.QueueAnswer(EDlgResult::Ok); // "Confirm start of programming."
            Maintenance().ProgramFile(m_folder.File("fw.tgz"), true);
            bGoing = Await([&] { return Seen(EOutcome::Disconnected, nFrom); }); // the restart drops the link
        }
        m_slot.Unplug(); // also what ends a stalled read
        EXPECT_TRUE(bGoing && PumpUntil([&] { return Seen(EOutcome::Disconnected, nFrom); }))
            << "the session hung";
        m_pFrame->PresenceTick(); // the device count falls back to 0
        return nFrom;
    }

    // Whatever happened, the window ends where an unplugged device leaves it.
    void ExpectDisconnected(size_t nFrom, const std::string& sRun)
    {
        ASSERT_GT(m_view.m_vOutcomes.size(), nFrom) << sRun;
        // A programming run the fault cut short is told right after the disconnect.
        size_t nLast = m_view.m_vOutcomes.size() - 1;
        if (m_view.m_vOutcomes[nLast].eOutcome == EOutcome::ProgrammingInterrupted && nLast > nFrom)
            --nLast;
        EXPECT_EQ(m_view.m_vOutcomes[nLast].eOutcome, EOutcome::Disconnected) << sRun;
        EXPECT_EQ(m_view.LastStatus(), u"Device disconnected") << sRun;
        EXPECT_EQ(Count(EOutcome::Connected, nFrom), 1u) << sRun;
        EXPECT_EQ(Count(EOutcome::Disconnected, nFrom), 1u) << sRun;
        EXPECT_FALSE(m_pFrame->Holder().IsConnected()) << sRun;
        EXPECT_EQ(m_pFrame->Holder().State(), EDocumentState::None) << sRun;
        EXPECT_FALSE(Identification().IsEnabled(Ident::IDC_DEVICE_NAME)) << sRun;
        EXPECT_EQ(Maintenance().Transfer().State(), ETransferState::Idle) << sRun;
        EXPECT_FALSE(Maintenance().Transfer().IsFileOpen()) << sRun;
        EXPECT_TRUE(m_view.m_host.Errors().empty() && m_view.m_host.AllConsumed()) << sRun;
    }

    void ExpectCompleted(size_t nFrom)
    {
        for (EOutcome eOutcome : {EOutcome::ParametersLoaded, EOutcome::Saved,
                                  EOutcome::ProgrammingCompleteRestart, EOutcome::DeviceReset})
            EXPECT_TRUE(Seen(eOutcome, nFrom)) << int(eOutcome);
        const std::vector<uint8_t> vImage = m_slot.Image();
        EXPECT_TRUE(std::string(vImage.begin(), vImage.end()) == m_sArchive) << "the flash got another image";
    }

    // What the operator is told depends on the frame the short write cut.
    void ExpectShortWriteTexts(size_t nFrom, const std::string& sRun)
    {
        const uint32_t dwCommand = m_slot.FaultedCommand();
        switch (dwCommand) {
        case ReadParameters:
            EXPECT_TRUE(Seen(EOutcome::ParametersNotRequested, nFrom)) << sRun;
            EXPECT_FALSE(Seen(EOutcome::ParametersLoaded, nFrom)) << sRun;
            break;
        case WriteParametersCompressed:
            EXPECT_TRUE(Seen(EOutcome::CannotSave, nFrom)) << sRun;
            EXPECT_FALSE(Seen(EOutcome::Saved, nFrom)) << sRun;
            break;
        case ProgramBegin:
        case ProgramBlock:
        case ProgramEnd:
            EXPECT_FALSE(Seen(EOutcome::ProgrammingCompleteRestart, nFrom)) << sRun;
            EXPECT_FALSE(Seen(EOutcome::FlashVerified, nFrom)) << sRun;
            break;
        case RestartDevice: EXPECT_TRUE(Seen(EOutcome::DeviceReset, nFrom)) << sRun; break;
        default: ADD_FAILURE() << sRun << ": a frame the session does not send: " << dwCommand;
        }
    }

    // The receive loop's own line for the read that failed.
    void ExpectReadErrorLine(ELinkFault eKind, const std::string& sRun)
    {
        const int iCode = eKind == ELinkFault::FailedRead ? EIO : eKind == ELinkFault::EndOfFile ? 0 : ENODEV;
        char szLine[100];
        if (m_slot.FaultedAsk() == int32_t(kFrameHeaderSize))
            std::snprintf(szLine, sizeof szLine, "Device File Error: %d\r\n", iCode);
        else
            std::snprintf(szLine, sizeof szLine, "Device file error %d in command id %d\r\n", iCode,
                          int(m_slot.FaultedCommand()));
        const std::u16string& wszLog = m_pFrame->LogView().Text();
        const std::u16string wszLine(szLine, szLine + std::strlen(szLine));
        EXPECT_TRUE(wszLog.ends_with(wszLine)) << sRun << ": " << szLine;
    }

    void ExpectNextDeviceConnects(const std::string& sRun)
    {
        const size_t nFrom = m_view.m_vOutcomes.size();
        m_slot.Plug();
        m_pFrame->PresenceTick();
        EXPECT_TRUE(PumpUntil([&] { return Seen(EOutcome::ParametersLoaded, nFrom); })) << sRun;
        EXPECT_EQ(Identification().TextOf(Ident::IDC_DEVICE_NAME), u"Patrol Unit 7") << sRun;
        m_slot.Unplug();
        EXPECT_TRUE(PumpUntil([&] { return Seen(EOutcome::Disconnected, nFrom); })) << sRun;
        m_pFrame->PresenceTick();
    }

    // A session without a fault, which counts the calls; then one session per call of the
    // fault's direction, the fault at that call. Returns how many sessions ran.
    int Sweep(ELinkFault eKind)
    {
        const size_t nFrom = RunSession({});
        ExpectDisconnected(nFrom, "no fault");
        ExpectCompleted(nFrom);
        const int iCalls = IsReadFault(eKind) ? m_slot.Reads() : m_slot.Writes();
        EXPECT_LT(iCalls, 50) << "a longer session makes the sweep slow";
        int iSessions = 1;
        for (int iCall = 1; iCall <= iCalls; ++iCall, ++iSessions) {
            const std::string sRun = std::string(KindName(eKind)) + " at call " + std::to_string(iCall);
            const size_t nRunFrom = RunSession({eKind, iCall});
            EXPECT_TRUE(m_slot.Fired()) << sRun;
            ExpectDisconnected(nRunFrom, sRun);
            if (IsReadFault(eKind))
                ExpectReadErrorLine(eKind, sRun);
            else
                ExpectShortWriteTexts(nRunFrom, sRun);
            ExpectNextDeviceConnects(sRun);
            if (HasFailure())
                break; // the first broken session tells enough
        }
        return iSessions;
    }

    CFaultySlot& m_slot;
    std::string m_sArchive;
};

class EveryCallOfASession : public SessionFaults, public ::testing::WithParamInterface<ELinkFault> {};

// Every run ends disconnected with the texts of the fault, and the next device connects.
TEST_P(EveryCallOfASession, EndsInADisconnectAfterWhichTheNextDeviceConnects)
{
    RecordProperty("sessions", Sweep(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(LinkFaults, EveryCallOfASession,
                         ::testing::Values(ELinkFault::ShortWrite, ELinkFault::FailedRead,
                                           ELinkFault::EndOfFile, ELinkFault::Stall),
                         [](const ::testing::TestParamInfo<ELinkFault>& paramInfo) {
                             std::string sName = KindName(paramInfo.param);
                             std::erase(sName, ' ');
                             return sName;
                         });

TEST_F(SessionFaults, AStalledReadEndsWhenTheWindowCloses)
{
    m_slot.Plug({ELinkFault::Stall, 3}); // the document's payload
    m_pFrame->PresenceTick();
    ASSERT_TRUE(PumpUntil([&] { return m_slot.Fired(); }));
    CHangGuard guard([] {
        std::fputs("closing the window hangs on a stalled read\n", stderr);
        std::abort();
    });
    m_pFrame->OnClose();
    m_pFrame.reset(); // ends the connection and waits for its receive thread
}

// The faulty disk must outlive the frame, so it comes first.
struct SFaultyDisk {
    CFaultyFileSystem m_disk;
};

class FileFaults : protected SFaultyDisk, public CFrameTest {
protected:
    FileFaults() : CFrameTest(nullptr, &m_disk) {}

    static void Put(const std::filesystem::path& path, const std::string& sBytes)
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << sBytes;
    }
    // Removes the files a save left beside the target; how many there were.
    size_t RemoveLeftovers() const
    {
        size_t n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(m_folder.Path()))
            n += entry.path().extension() == ".tmp" && std::filesystem::remove(entry.path());
        return n;
    }

    // Runs fnSave once without a fault (the new content, the number of changing calls), then
    // once per changing call and kind with the fault there, the old file put back each time.
    // fnSave says whether the operator was told the save failed (nullopt: nobody is told).
    void Sweep(const std::filesystem::path& target, const std::function<std::optional<bool>()>& fnSave)
    {
        const std::string sOld = ReadFileBytes(target);
        m_disk.Arm(EFileFault::None, 0);
        EXPECT_NE(fnSave(), std::optional(true));
        const std::string sNew = ReadFileBytes(target);
        const int iChanges = m_disk.Changes();
        ASSERT_NE(sNew, sOld);
        ASSERT_GT(iChanges, 2);
        for (EFileFault eKind : {EFileFault::Fails, EFileFault::Ends}) {
            for (int iCall = 1; iCall <= iChanges; ++iCall) {
                const std::string sRun = std::string(eKind == EFileFault::Fails ? "fails" : "ends") +
                                         " at call " + std::to_string(iCall) + " of " +
                                         target.filename().string();
                Put(target, sOld);
                m_disk.Arm(eKind, iCall);
                const std::optional<bool> oReported = fnSave();
                ASSERT_NE(m_disk.FiredIn(), nullptr) << sRun;
                const std::string sFiredIn = m_disk.FiredIn();
                m_disk.Arm(EFileFault::None, 0);
                const std::string sNow = ReadFileBytes(target);
                EXPECT_TRUE(sNow == sOld || sNow == sNew) << sRun << " in " << sFiredIn;
                if (oReported) {
                    EXPECT_EQ(*oReported, sNow == sOld) << sRun << " in " << sFiredIn;
                }
                // A disk that works again after a refused call keeps nothing half-made, unless
                // the refused call was the removal of it.
                const size_t nLeft = RemoveLeftovers();
                if (eKind == EFileFault::Fails && sFiredIn != "RemoveFile") {
                    EXPECT_EQ(nLeft, 0u) << sRun << " in " << sFiredIn;
                }
            }
        }
    }
};

TEST_F(FileFaults, SavingAParameterFileOrTheOptionsLeavesTheOldFileWholeAtEveryFailingStep)
{
    const std::filesystem::path parameters = m_folder.Path() / "unit.mdc";
    Put(parameters, SampleDocumentText());
    m_view.m_host.QueueFile(parameters.u16string());
    m_pFrame->OnCommand(ID_FILE_OPEN);
    ASSERT_EQ(m_pFrame->Holder().State(), EDocumentState::File);
    m_pFrame->DeviceIdentificationPage().Type(Ident::IDC_DEVICE_NAME, u"Unit 12");
    Sweep(parameters, [&] {
        const size_t nMessages = m_view.m_host.Messages().size();
        m_view.m_host.QueueFile(parameters.u16string());
        m_pFrame->OnCommand(ID_FILE_SAVE_AS);
        const auto& vMessages = m_view.m_host.Messages();
        const bool bReported = vMessages.size() > nMessages;
        if (bReported) {
            EXPECT_EQ(vMessages.back().wszText, u"Failed to save parameters to file");
            EXPECT_EQ(vMessages.back().wszCaption, u"File Save");
        }
        return std::optional(bReported);
    });

    const std::filesystem::path options = m_folder.Path() / "options.xml";
    ASSERT_TRUE(SaveAppOptions(u"/old/fw.tgz", options.u16string()));
    auto& maintenance = *dynamic_cast<Maint*>(m_pFrame->PageArea().PageOf(kSubjectMaintenance));
    maintenance.Type(Maint::IDC_FILE_PATH, u"/new/fw.tgz");
    Sweep(options, [&] {
        m_pFrame->OnClose();
        return std::optional<bool>();
    });
    EXPECT_TRUE(m_view.m_host.Errors().empty());
}

} // namespace
} // namespace kov::test
