// Receive-loop throughput over the pipe transport against plain read() of a pipe, and the
// round trip of a 12-byte request and reply through the device pipes.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

#include "link/ProtoHandler.h"
#include "link/UsbTransport.h"
#include "platform/PipeDevice.h"

namespace {

using namespace kov;

constexpr uint32_t kDocumentSize = 64u << 20;

// Counts delivered events of one kind and lets the benchmark wait for the next.
class CCountingSink final : public IDeviceEventSink {
public:
    explicit CCountingSink(DeviceEvent eWanted) : m_eWanted(eWanted) {}
    void PostDeviceEvent(SDeviceEventData event) override
    {
        if (event.eEvent != m_eWanted && event.eEvent != DeviceEvent::LinkClosed)
            return;
        std::lock_guard lock(m_lock);
        ++m_iSeen;
        m_dwLastLength = event.dwPayloadLength;
        m_changed.notify_all();
    }
    void WaitFor(int iCount)
    {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [&] { return m_iSeen >= iCount; });
    }
    uint32_t LastLength()
    {
        std::lock_guard lock(m_lock);
        return m_dwLastLength;
    }

private:
    DeviceEvent m_eWanted;
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_iSeen = 0;
    uint32_t m_dwLastLength = 0;
};

// One plugged pipe device with a connected host transport and a running receive loop.
struct SPipeConnection {
    std::string sRoot =
        (std::filesystem::temp_directory_path() / ("kov-bench-" + std::to_string(::getpid()))).string();
    CPipeDeviceSide device;
    UsbTransport transport{sRoot};
    CHostClientProtoHandler* pHandler = nullptr;

    bool Connect(IDeviceEventSink* pSink)
    {
        if (!device.Plug(sRoot, "bench") || !transport.Open() || !device.WaitForHost(5000))
            return false;
        pHandler = new AutoDeleteThreadObjectImpl<CHostClientProtoHandler>(&transport, pSink);
        pHandler->AddRef();
        return pHandler->StartReceiving();
    }
    ~SPipeConnection()
    {
        transport.Close(true);
        if (pHandler) {
            pHandler->Join(); // the loop uses the transport until it ends
            pHandler->Release();
        }
        device.Unplug();
        std::error_code error;
        std::filesystem::remove_all(sRoot, error);
    }
};

std::string DocumentFrame()
{
    std::string sFrame(kFrameHeaderSize + kDocumentSize, '<');
    const auto aHeader = SFrameHeader{uint32_t(DeviceReply::ParametersDocument), 0, kDocumentSize}.Encode();
    std::copy(aHeader.begin(), aHeader.end(), sFrame.begin());
    return sFrame;
}

void BM_ReceiveLoopPipeTransport(benchmark::State& state)
{
    const std::string sFrame = DocumentFrame();
    CCountingSink sink(DeviceEvent::ParametersDocumentEvent);
    SPipeConnection connection;
    if (!connection.Connect(&sink)) {
        state.SkipWithError("cannot connect the pipe device");
        return;
    }
    int iDelivered = 0;
    for (auto _ : state) {
        std::thread writer([&] { connection.device.Write(sFrame.data(), int32_t(sFrame.size())); });
        sink.WaitFor(++iDelivered);
        writer.join();
    }
    if (sink.LastLength() != kDocumentSize)
        state.SkipWithError("document not delivered whole");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(sFrame.size()));
}
// Pipe throughput swings with the machine's load: compare medians of several repetitions.
BENCHMARK(BM_ReceiveLoopPipeTransport)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

// The reference: the same bytes through an anonymous pipe of the same size, read with plain
// read() calls of at most 1 MiB into one buffer.
void BM_PlainPipeRead(benchmark::State& state)
{
    const std::string sFrame = DocumentFrame();
    int aFds[2];
    if (::pipe(aFds) != 0) {
        state.SkipWithError("pipe");
        return;
    }
    ::fcntl(aFds[1], F_SETPIPE_SZ, 1 << 20);
    std::unique_ptr<char[]> pBuffer;
    for (auto _ : state) {
        std::thread writer([&] {
            for (size_t iDone = 0; iDone < sFrame.size();) {
                const ssize_t iWritten = ::write(aFds[1], sFrame.data() + iDone, sFrame.size() - iDone);
                if (iWritten <= 0)
                    return;
                iDone += size_t(iWritten);
            }
        });
        char aHeader[kFrameHeaderSize];
        size_t iDone = 0;
        while (iDone < kFrameHeaderSize)
            iDone += size_t(::read(aFds[0], aHeader + iDone, kFrameHeaderSize - iDone));
        const uint32_t dwLength = SFrameHeader::Decode(reinterpret_cast<uint8_t*>(aHeader)).dwPayloadLength;
        pBuffer.reset(new char[dwLength + 1]);
        for (iDone = 0; iDone < dwLength;) {
            const ssize_t iRead =
                ::read(aFds[0], pBuffer.get() + iDone, std::min<size_t>(dwLength - iDone, 1 << 20));
            if (iRead <= 0)
                break;
            iDone += size_t(iRead);
        }
        benchmark::DoNotOptimize(pBuffer.get());
        writer.join();
    }
    ::close(aFds[0]);
    ::close(aFds[1]);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(sFrame.size()));
}
BENCHMARK(BM_PlainPipeRead)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

// One 12-byte request out through SendFrame, one 12-byte reply back as an event.
void BM_RoundTrip12Bytes(benchmark::State& state)
{
    CCountingSink sink(DeviceEvent::WriteParametersResultEvent);
    SPipeConnection connection;
    if (!connection.Connect(&sink)) {
        state.SkipWithError("cannot connect the pipe device");
        return;
    }
    std::thread device([&] {
        char aRequest[kFrameHeaderSize];
        const auto aReply = SFrameHeader{uint32_t(DeviceReply::WriteParametersResult), 1, 0}.Encode();
        while (connection.device.Read(aRequest, kFrameHeaderSize).iCount == int32_t(kFrameHeaderSize))
            if (connection.device.Write(aReply.data(), kFrameHeaderSize).iCount != int32_t(kFrameHeaderSize))
                break;
    });
    int iReplies = 0;
    for (auto _ : state) {
        connection.pHandler->SendFrame(ReadParameters, 0, 0, nullptr);
        sink.WaitFor(++iReplies);
    }
    connection.device.Cancel();
    device.join();
}
BENCHMARK(BM_RoundTrip12Bytes)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Prints the throughput ratio of the receive loop to the plain read() reference, from the
// medians. Run with --benchmark_enable_random_interleaving=true on a busy machine.
class CRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.aggregate_name == "median" || run.aggregate_name.empty())
                m_times[run.run_name.str()] = run.GetAdjustedRealTime();
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto itLoop = m_times.find("BM_ReceiveLoopPipeTransport/repeats:7/real_time");
        const auto itPlain = m_times.find("BM_PlainPipeRead/repeats:7/real_time");
        if (itLoop != m_times.end() && itPlain != m_times.end() && itLoop->second > 0)
            std::printf("receive loop throughput / plain read() throughput: %.2f\n",
                        itPlain->second / itLoop->second);
    }

private:
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
