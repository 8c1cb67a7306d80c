// From plugging a device in to the ReadParameters request it receives, through the main window's
// logic: with the system's device reports (an inotify watch of the device root here; libusb's
// hotplug events on the USB way) against the 1000 ms presence poll alone, in the same run.
// Each iteration's time is the plug-to-request latency (manual time).
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <unistd.h>

#include "app/kovctl/ConsoleView.h"
#include "platform/PipeDevice.h"
#include "shell/MainFrame.h"

namespace {

using namespace kov;
using Clock = std::chrono::steady_clock;

// The interface thread of a window: device events as they come, the poll every 1000 ms.
class CWindowLoop {
public:
    CWindowLoop(const std::string& sRoot, bool bWatch)
    {
        // Nothing on screen: the window only tells whether the device is connected.
        m_view.SetQuiet(true);
        m_view.SetOnOutcome([this](const SOutcome& outcome) {
            if (outcome.eOutcome == EOutcome::Connected)
                m_bConnected = true;
            if (outcome.eOutcome == EOutcome::Disconnected)
                m_bConnected = false;
        });
        m_thread = std::thread([this, sRoot, bWatch] {
            SMainFrameSettings settings;
            settings.pTransport = std::make_unique<CUsbDeviceTransport>(sRoot);
            settings.oOptionsFile = std::u16string();
            settings.oCustomizationFolder = std::u16string(u"/nonexistent/");
            settings.bWatchDevices = bWatch;
            CMainFrame frame(m_view, std::move(settings));
            frame.Create();
            {
                std::lock_guard lock(m_mutex);
                m_bReady = true;
            }
            m_cvReady.notify_all();
            auto tNextTick = Clock::now() + std::chrono::milliseconds(kPresencePeriodMs);
            while (!m_bStop) {
                SDeviceEventData event;
                const auto wait =
                    std::chrono::duration_cast<std::chrono::milliseconds>(tNextTick - Clock::now());
                if (frame.EventQueue().WaitAndTake(event, std::max(wait, std::chrono::milliseconds(0))))
                    frame.HandleDeviceEvent(std::move(event));
                if (Clock::now() >= tNextTick) {
                    frame.PresenceTick();
                    tNextTick += std::chrono::milliseconds(kPresencePeriodMs);
                }
            }
        });
    }
    ~CWindowLoop()
    {
        m_bStop = true;
        m_thread.join();
    }
    bool Connected() const { return m_bConnected; }
    // Until the window exists (and watches), a device would be missed by both ways alike.
    void WaitReady()
    {
        std::unique_lock lock(m_mutex);
        m_cvReady.wait(lock, [this] { return m_bReady; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cvReady;
    bool m_bReady = false;
    CConsoleView m_view{stderr};
    std::atomic<bool> m_bConnected{false};
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};

void PlugToReadParameters(benchmark::State& state)
{
    const bool bWatch = state.range(0) != 0;
    const std::string sRoot =
        (std::filesystem::temp_directory_path() / ("kov-bench-detection-" + std::to_string(::getpid())))
            .string();
    std::filesystem::create_directories(sRoot);
    {
        CWindowLoop window(sRoot, bWatch);
        window.WaitReady();
        int iDevice = 0;
        std::mt19937 random(7);
        std::uniform_int_distribution<int> phase(0, int(kPresencePeriodMs) - 1);
        for (auto _ : state) {
            CPipeDeviceSide device;
            const auto tPlug = Clock::now();
            if (!device.Plug(sRoot, "kov-" + std::to_string(iDevice++))) {
                state.SkipWithError("the device could not be plugged in");
                break;
            }
            if (!device.WaitForHost(5000)) {
                state.SkipWithError("the window did not open the device");
                break;
            }
            uint8_t aHeader[kFrameHeaderSize];
            size_t iGot = 0;
            while (iGot < kFrameHeaderSize) {
                const STransferResult read = device.Read(aHeader + iGot, int32_t(kFrameHeaderSize - iGot));
                if (read.iCount <= 0)
                    break;
                iGot += size_t(read.iCount);
            }
            const auto tRequest = Clock::now();
            if (iGot != kFrameHeaderSize || SFrameHeader::Decode(aHeader).dwCommandId != ReadParameters) {
                state.SkipWithError("no ReadParameters request");
                break;
            }
            state.SetIterationTime(std::chrono::duration<double>(tRequest - tPlug).count());
            device.Unplug();
            // The poll must see the device gone before the next one counts as new; the next plug
            // then falls anywhere in the poll's period.
            while (window.Connected())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            std::this_thread::sleep_for(std::chrono::milliseconds(kPresencePeriodMs + 50 + phase(random)));
        }
    }
    std::filesystem::remove_all(sRoot);
}

} // namespace

// 1: with the device reports (goal under 100 ms); 0: the poll alone, the reference.
BENCHMARK(PlugToReadParameters)
    ->ArgName("device_reports")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(6);

BENCHMARK_MAIN();
