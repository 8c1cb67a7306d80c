#include "SimTestHost.h"

#include "platform/PipeHost.h"
#include "sim/SampleDocument.h"
#include "sim/SimPipeRunner.h"

#include <gtest/gtest.h>

#include "common/TestDir.h"

#include <filesystem>

namespace kov::test {
namespace {

class CHostPipes final : public ITransport {
public:
    bool Open(const std::string& sPath) { return m_channel.Open(sPath); }
    STransferResult Read(void* p, int32_t n) override { return m_channel.Read(p, n); }
    STransferResult Write(const void* p, int32_t n) override { return m_channel.Write(p, n); }
    void Close(bool) override { m_channel.Close(); }

private:
    CPipeHostChannel m_channel;
};

// Connects as a host's presence poll does: until a device folder opens and greets.
bool ConnectAndGreet(const std::string& sRoot, CHostPipes& pipes)
{
    for (int i = 0; i < 3000; ++i) {
        auto vDevices = ListPipeDevices(sRoot);
        if (vDevices.size() == 1 && pipes.Open(vDevices[0])) {
            // Opened while the previous host's session was still ending, the pipes are
            // shared with it and no greeting comes: give up on them and look again.
            std::optional<SFrame> o;
            {
                CHangGuard retry([&] { pipes.Close(true); }, std::chrono::seconds(3));
                o = CTestHost(pipes).Receive();
            }
            if (o && o->dwId == uint32_t(DeviceReply::SoftwareVersion))
                return true;
            pipes.Close(true);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(SimPipes, ServesHostsOneAfterAnotherAndUnplugsCleanly)
{
    kov::test::CTestDir dir;
    const std::filesystem::path root = dir / "root";
    SSimDeviceOptions options;
    options.iTickMs = 2;
    CSimDevice device(options);
    ASSERT_TRUE(device.LoadDocumentText(SampleDocumentText()));
    CSimPipeRunner runner(device, root.string(), "sim-a", 50);
    bool bRan = false;
    std::thread serving([&] { bRan = runner.Run(); });
    CHangGuard guard([&] { runner.Stop(); });

    CHostPipes pipes;
    ASSERT_TRUE(ConnectAndGreet(root.string(), pipes));
    CTestHost host(pipes);
    host.Send(ReadParameters);
    auto o = host.Receive();
    ASSERT_TRUE(o);
    EXPECT_EQ(o->dwId, uint32_t(DeviceReply::ParametersDocument));
    EXPECT_EQ(o->sPayload, device.DocumentText());

    // The host leaves; the next host is served from a clean stream.
    host.Send(LogOutput, 1);
    pipes.Write("\x47", 1); // part of a header, then gone
    pipes.Close(true);
    CHostPipes second;
    ASSERT_TRUE(ConnectAndGreet(root.string(), second));
    CTestHost secondHost(second);
    secondHost.Send(DisableConsole);
    o = secondHost.Receive();
    ASSERT_TRUE(o);
    EXPECT_EQ(o->dwId, uint32_t(DeviceReply::DisableConsoleResult));

    // Restart drops the link; the device comes back.
    secondHost.Send(RestartDevice);
    EXPECT_FALSE(secondHost.Receive());
    second.Close(true);
    CHostPipes third;
    ASSERT_TRUE(ConnectAndGreet(root.string(), third));

    runner.Stop();
    serving.join();
    EXPECT_TRUE(bRan);
    EXPECT_TRUE(ListPipeDevices(root.string()).empty());
    EXPECT_TRUE(std::filesystem::is_empty(root));
}

} // namespace
} // namespace kov::test
