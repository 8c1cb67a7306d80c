// kov-device-sim: a simulated device plugged in through the pipe way.
#include "platform/DeviceRoot.h"
#include "platform/PipeHost.h"
#include "platform/Signals.h"
#include "sim/SampleDocument.h"
#include "sim/SimDevice.h"
#include "sim/SimOptions.h"
#include "sim/SimPipeRunner.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

std::mutex g_printLock;

void PrintLine(const std::string& sLine)
{
    std::lock_guard lock(g_printLock);
    std::printf("kov-device-sim: %s\n", sLine.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    using namespace kov;
    SSimProgramOptions options;
    std::string sError;
    if (!ParseSimArguments(std::vector<std::string>(argv + 1, argv + argc), options, sError)) {
        std::fprintf(stderr, "kov-device-sim: %s\n\n%s", sError.c_str(), kSimUsage);
        return 2;
    }
    if (options.bHelp) {
        std::fputs(kSimUsage, stdout);
        return 0;
    }
    // Before any thread starts, so every thread inherits the held signals.
    HoldStopSignals();
    IgnoreBrokenPipeSignal();

    std::function<void(const std::string&)> fnLog;
    if (!options.bQuiet)
        fnLog = PrintLine;
    options.device.fnLog = fnLog;
    CSimDevice device(options.device);
    if (!options.sDocumentPath.empty() ? !device.LoadDocumentFile(options.sDocumentPath)
                                       : !device.LoadDocumentText(SampleDocumentText())) {
        std::fprintf(stderr, "kov-device-sim: cannot load the parameter document %s\n",
                     options.sDocumentPath.empty() ? "(built-in sample)" : options.sDocumentPath.c_str());
        return 1;
    }
    std::string sRoot = options.sRoot.empty() ? DefaultDeviceRoot() : options.sRoot;
    CSimPipeRunner runner(device, sRoot, options.sName, options.iRestartDelayMs, fnLog);

    std::atomic<bool> bDone{false};
    bool bPlugged = false;
    std::thread serving([&] {
        bPlugged = runner.Run();
        bDone = true;
    });
    const auto tStart = std::chrono::steady_clock::now();
    while (!bDone) {
        if (int iSignal = WaitForStopSignal(100)) {
            if (fnLog)
                fnLog(iSignal == SIGINT ? "interrupted; unplugging" : "terminated; unplugging");
            runner.Stop();
            break;
        }
        if (options.iUnplugAfterSeconds >= 0 &&
            std::chrono::steady_clock::now() - tStart >= std::chrono::seconds(options.iUnplugAfterSeconds)) {
            if (fnLog)
                fnLog("time is up; unplugging");
            runner.Stop();
            break;
        }
    }
    serving.join();
    if (!bPlugged) {
        std::fprintf(stderr, "kov-device-sim: cannot plug in at %s%s%s\n", runner.DevicePath().c_str(),
                     runner.PlugError().empty() ? "" : ": ", runner.PlugError().c_str());
        return 1;
    }
    return 0;
}
