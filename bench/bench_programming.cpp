// Host-side programming throughput: a 50 MB firmware archive sent by the Maintenance page
// through the main window logic and the pipe transport to the in-process simulated device,
// against the round trip of one 12-byte request and reply over the same connection. Only one
// 1024-byte block is ever in flight, so 1024 bytes per round trip is the bound.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include "app/kovctl/ConsoleView.h"
#include "link/Protocol.h"
#include "sections/Maintenance.h"
#include "shell/MainFrame.h"
#include "sim/SampleDocument.h"
#include "sim/SimPipeRunner.h"

namespace {

using namespace kov;
using namespace std::chrono_literals;
using Dlg = CDeviceProgramDlg;

constexpr uint32_t kPayloadSize = 50u << 20;
constexpr char kRunName[] = "BM_Program50MB";
constexpr char kRoundTripName[] = "BM_RoundTrip12Bytes";

// A TAR header block for an entry of the given size.
std::string TarHeader(const std::string& sName, size_t nSize)
{
    std::string sHeader(512, '\0');
    sHeader.replace(0, sName.size(), sName);
    char szSize[13];
    std::snprintf(szSize, sizeof szSize, "%011o", unsigned(nSize));
    sHeader.replace(124, 11, szSize);
    return sHeader;
}

// The simulated device, a main window connected to it over the pipes, and a 50 MB archive for
// its platform (an uncompressed TAR, which the archive reader passes through).
class CRig {
public:
    CRig()
        : m_folder(std::filesystem::temp_directory_path() / ("kov-bench-prog-" + std::to_string(::getpid()))),
          m_view(stderr)
    {
        std::filesystem::create_directories(m_folder);
        const std::string sLine = "1.2.3 any Linux_DAVINCI_v5 2018-11-01\n";
        std::string sPayload(kPayloadSize, '\0');
        std::mt19937 random(3);
        for (char& ch : sPayload)
            ch = char(random());
        std::string sPad(511 - (sLine.size() + 511) % 512, '\0');
        std::ofstream(m_folder / "fw.tgz", std::ios::binary)
            << TarHeader("partitions.txt", sLine.size()) << sLine << sPad
            << TarHeader("rootfs.bin", sPayload.size()) << sPayload;
        m_nFileSize = std::filesystem::file_size(m_folder / "fw.tgz");

        SSimDeviceOptions options;
        options.iTickMs = 1;
        m_pDevice = std::make_unique<CSimDevice>(options);
        m_pDevice->LoadDocumentText(SampleDocumentText());
        const std::string sRoot = (m_folder / "devices").string();
        m_pRunner = std::make_unique<CSimPipeRunner>(*m_pDevice, sRoot, "bench", 50);
        m_thread = std::thread([this] { m_pRunner->Run(); });

        SMainFrameSettings settings;
        settings.pTransport = std::make_unique<CUsbDeviceTransport>(sRoot);
        settings.oOptionsFile = std::u16string();
        m_pFrame = std::make_unique<CMainFrame>(m_view, std::move(settings));
        m_view.SetQuiet(true);
        m_view.SetConfirmation([](std::u16string_view) { return true; });
        m_pFrame->Create();
        m_bReady = PumpUntil([&] { return Saw(EOutcome::ParametersLoaded); }, true);
    }
    ~CRig()
    {
        m_pFrame.reset();
        m_pRunner->Stop();
        m_thread.join();
        std::error_code error;
        std::filesystem::remove_all(m_folder, error);
    }

    bool Ready() const { return m_bReady; }
    size_t FileSize() const { return m_nFileSize; }
    CMainFrame& Frame() { return *m_pFrame; }
    Dlg& Page() { return *dynamic_cast<Dlg*>(m_pFrame->PageArea().PageOf(kSubjectMaintenance)); }
    // Without an automatic restart, so the device stays connected.
    EProgramResult Program() { return Page().ProgramFile((m_folder / "fw.tgz").u16string(), false); }
    size_t Mark() const { return m_view.Outcomes().size(); }
    bool Saw(EOutcome eOutcome, size_t nFrom = 0) const
    {
        for (size_t i = nFrom; i < m_view.Outcomes().size(); ++i)
            if (m_view.Outcomes()[i].eOutcome == eOutcome)
                return true;
        return false;
    }

    // Handles events as a console front end does until fnDone holds; false after 120 s.
    bool PumpUntil(const std::function<bool()>& fnDone, bool bTick = false)
    {
        for (auto tEnd = std::chrono::steady_clock::now() + 120s; !fnDone();) {
            if (std::chrono::steady_clock::now() > tEnd)
                return false;
            if (bTick)
                m_pFrame->PresenceTick();
            SDeviceEventData event;
            if (m_pFrame->EventQueue().WaitAndTake(event, 10ms))
                m_pFrame->HandleDeviceEvent(std::move(event));
        }
        return true;
    }

private:
    std::filesystem::path m_folder;
    size_t m_nFileSize = 0;
    CConsoleView m_view;
    std::unique_ptr<CSimDevice> m_pDevice;
    std::unique_ptr<CSimPipeRunner> m_pRunner;
    std::thread m_thread;
    std::unique_ptr<CMainFrame> m_pFrame;
    bool m_bReady = false;
};

// Made by the first benchmark that needs it, ended by main while everything else still exists.
std::unique_ptr<CRig> g_pRig;

CRig& Rig()
{
    if (!g_pRig)
        g_pRig = std::make_unique<CRig>();
    return *g_pRig;
}

// The Program button to ProgramEnd sent: every block read, sent, acknowledged and checked.
// The device's own flashing afterwards is waited for outside the timing.
void BM_Program50MB(benchmark::State& state)
{
    CRig& rig = Rig();
    if (!rig.Ready()) {
        state.SkipWithError("the simulated device did not connect");
        return;
    }
    const CProgramTransfer& transfer = rig.Page().Transfer();
    for (auto _ : state) {
        const size_t nFrom = rig.Mark();
        const auto tStart = std::chrono::steady_clock::now();
        if (rig.Program() != EProgramResult::Started ||
            !rig.PumpUntil([&] { return transfer.State() == ETransferState::Ended; })) {
            state.SkipWithError("the transfer did not run");
            return;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count());
        if (!rig.PumpUntil([&] { return rig.Saw(EOutcome::ProgrammingComplete, nFrom); })) {
            state.SkipWithError("the device did not complete");
            return;
        }
    }
    const auto nBlocks = double((rig.FileSize() + kProgramBlockSize - 1) / kProgramBlockSize);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(rig.FileSize()));
    state.counters["blocks"] =
        benchmark::Counter(nBlocks * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Program50MB)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// ProgramBegin out, ProgramReady back: 12 bytes each way through the same transport, receive
// loop, event queue and window as the blocks.
void BM_RoundTrip12Bytes(benchmark::State& state)
{
    CRig& rig = Rig();
    if (!rig.Ready()) {
        state.SkipWithError("the simulated device did not connect");
        return;
    }
    for (auto _ : state) {
        if (!rig.Frame().Holder().SendCommand(ProgramBegin)) {
            state.SkipWithError("send failed");
            return;
        }
        for (bool bReady = false; !bReady;) {
            SDeviceEventData event;
            if (!rig.Frame().EventQueue().WaitAndTake(event, 1000ms)) {
                state.SkipWithError("no reply");
                return;
            }
            bReady = event.eEvent == DeviceEvent::ProgramReadyEvent;
            rig.Frame().HandleDeviceEvent(std::move(event)); // the idle page ignores it
        }
    }
}
BENCHMARK(BM_RoundTrip12Bytes)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Prints the measured throughput against the bound of one block per round trip, from the medians.
// Both are dominated by thread wake-ups, whose cost depends on how idle the processors are: run
// with --benchmark_enable_random_interleaving=true so that both see the same machine.
class CBoundReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.aggregate_name == "median")
                m_seconds[run.run_name.function_name] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto itRun = m_seconds.find(kRunName);
        const auto itTrip = m_seconds.find(kRoundTripName);
        if (itRun == m_seconds.end() || itTrip == m_seconds.end() || itRun->second <= 0 ||
            itTrip->second <= 0 || !g_pRig)
            return;
        const double dBytes = double(Rig().FileSize());
        const double dBlocks = double((Rig().FileSize() + kProgramBlockSize - 1) / kProgramBlockSize);
        const double dMeasured = dBytes / itRun->second;
        const double dBound = double(kProgramBlockSize) / itTrip->second;
        std::printf("programming: %.2f MB/s, %.0f blocks/s, %.1f us per block\n", dMeasured / 1e6,
                    dBlocks / itRun->second, itRun->second / dBlocks * 1e6);
        std::printf(
            "round trip of 12 bytes: %.1f us; bound 1024 B per round trip: %.2f MB/s, %.0f blocks/s\n",
            itTrip->second * 1e6, dBound / 1e6, 1.0 / itTrip->second);
        std::printf("measured / bound: %.2f\n", dMeasured / dBound);
    }

private:
    std::map<std::string, double> m_seconds;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    CBoundReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    g_pRig.reset();
    benchmark::Shutdown();
    return 0;
}
