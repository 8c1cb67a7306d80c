#include <gtest/gtest.h>

#include "common/TestDir.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <thread>

#include "platform/PipeDevice.h"
#include "platform/PipeHost.h"

namespace kov {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A private device root; sPath names it for the code under test.
struct STempRoot {
    test::CTestDir dir;
    std::string sPath = dir.String();
};

// A folder that looks like a device but has no device behind its pipes.
void MakeDeadDevice(const std::string& sFolder)
{
    fs::create_directories(sFolder);
    ASSERT_EQ(::mkfifo((sFolder + "/PIPE_0x00").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((sFolder + "/PIPE_0x01").c_str(), 0600), 0);
}

std::string HostReadSome(CPipeHostChannel& host, size_t iCount)
{
    std::string sRead;
    char aBuffer[256];
    while (sRead.size() < iCount) {
        const int32_t iRead =
            host.Read(aBuffer, int32_t(std::min(sizeof aBuffer, iCount - sRead.size()))).iCount;
        if (iRead <= 0)
            break;
        sRead.append(aBuffer, size_t(iRead));
    }
    return sRead;
}

TEST(PipeDevices, ListingShowsOnlyFinishedDevicesInNameOrder)
{
    STempRoot root;
    CPipeDeviceSide devB, devA, duplicate;
    ASSERT_TRUE(devB.Plug(root.sPath + "/nested", "devB")); // the root is made on demand
    ASSERT_TRUE(devA.Plug(root.sPath + "/nested", "devA"));
    const std::string sRoot = root.sPath + "/nested";
    EXPECT_FALSE(duplicate.Plug(sRoot, "devA"));
    EXPECT_FALSE(duplicate.Plug(sRoot, ".hidden"));
    EXPECT_FALSE(duplicate.Plug(sRoot, "a/b"));
    MakeDeadDevice(sRoot + "/.devC.123"); // still being prepared
    fs::create_directories(sRoot + "/empty");
    EXPECT_EQ(ListPipeDevices(sRoot), (std::vector<std::string>{sRoot + "/devA", sRoot + "/devB"}));
    EXPECT_TRUE(ListPipeDevices(root.sPath + "/missing").empty());

    // Failed plugs leave nothing behind; unplugging removes the folder, and may repeat.
    EXPECT_EQ(std::distance(fs::directory_iterator(sRoot), fs::directory_iterator()), 4);
    devA.Unplug();
    devA.Unplug();
    EXPECT_FALSE(fs::exists(sRoot + "/devA"));
    EXPECT_EQ(ListPipeDevices(sRoot), std::vector<std::string>{sRoot + "/devB"});

    // A folder with pipes but no device opens neither way, and without blocking.
    CPipeHostChannel host;
    EXPECT_FALSE(host.Open(sRoot + "/.devC.123"));
    EXPECT_FALSE(host.Open(sRoot + "/devA"));
    EXPECT_FALSE(host.IsOpen());
}

TEST(PipeSession, OneHostAtATimeBytesFlowBothWaysAndTheNextStartsClean)
{
    STempRoot root;
    CPipeDeviceSide device;
    ASSERT_TRUE(device.Plug(root.sPath, "dev"));
    EXPECT_FALSE(device.WaitForHost(20)); // no host yet: time-out

    CPipeHostChannel host, next;
    ASSERT_TRUE(host.Open(device.Path()));
    ASSERT_TRUE(device.WaitForHost(2000));
    // A second host would put its frames between the first one's: the device is busy.
    EXPECT_FALSE(next.Open(device.Path()));
    ASSERT_EQ(host.Write("hello", 5).iCount, 5);
    char aBuffer[64] = {};
    ASSERT_EQ(device.Read(aBuffer, 5).iCount, 5);
    EXPECT_EQ(std::string(aBuffer, 5), "hello");
    const std::string sBig(300000, 'z'); // larger than a pipe's buffer: both sides loop
    std::thread writer(
        [&] { EXPECT_EQ(device.Write(sBig.data(), int32_t(sBig.size())).iCount, int32_t(sBig.size())); });
    EXPECT_EQ(HostReadSome(host, sBig.size()), sBig);
    writer.join();

    // Bytes neither side took must not reach the next session.
    ASSERT_EQ(host.Write("stale-to-device", 15).iCount, 15);
    ASSERT_EQ(device.Write("stale-to-host", 13).iCount, 13);
    host.Close();
    EXPECT_LE(device.Read(aBuffer, sizeof aBuffer).iCount, 0);
    device.EndSession();

    // Once the first has left, the next host is taken.
    ASSERT_TRUE(next.Open(device.Path()));
    ASSERT_TRUE(device.WaitForHost(2000));
    ASSERT_EQ(next.Write("N", 1).iCount, 1);
    ASSERT_EQ(device.Read(aBuffer, 1).iCount, 1);
    EXPECT_EQ(aBuffer[0], 'N');
    ASSERT_EQ(device.Write("Y", 1).iCount, 1);
    EXPECT_EQ(HostReadSome(next, 1), "Y");

    // A host that connects and sends at once, before the device has ended the previous
    // session, keeps what it sent (scripts run one command after another).
    next.Close();
    EXPECT_LE(device.Read(aBuffer, 1).iCount, 0);
    CPipeHostChannel eager;
    ASSERT_TRUE(eager.Open(device.Path()));
    ASSERT_EQ(eager.Write("E", 1).iCount, 1);
    device.EndSession();
    ASSERT_TRUE(device.WaitForHost(2000));
    std::atomic<bool> bRead{false};
    std::thread guard([&] { // a lost byte would block the read for good
        for (int i = 0; i < 500 && !bRead; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!bRead)
            device.Cancel();
    });
    EXPECT_EQ(device.Read(aBuffer, 1).iCount, 1);
    bRead = true;
    guard.join();
    EXPECT_EQ(aBuffer[0], 'E');
}

TEST(PipeSession, UnplugAndCancelEndBlockedCallsPromptly)
{
    STempRoot root;
    CPipeDeviceSide device;
    ASSERT_TRUE(device.Plug(root.sPath, "dev"));
    CPipeHostChannel host;
    ASSERT_TRUE(host.Open(device.Path()));
    ASSERT_TRUE(device.WaitForHost(2000));

    // Unplugging ends a blocked host read (end of file) and later writes fail without SIGPIPE.
    STransferResult blockedRead;
    std::thread blocked([&] {
        char cByte;
        blockedRead = host.Read(&cByte, 1);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto tStart = Clock::now();
    device.Unplug();
    blocked.join();
    EXPECT_LT(Clock::now() - tStart, std::chrono::seconds(1));
    EXPECT_EQ(blockedRead.iCount, -1);
    EXPECT_EQ(blockedRead.dwError, uint32_t(ENODEV));
    const STransferResult write = host.Write("x", 1);
    EXPECT_EQ(write.iCount, -1);
    EXPECT_EQ(write.dwError, uint32_t(EPIPE));
    EXPECT_FALSE(fs::exists(root.sPath + "/dev"));

    // Cancel wakes the device's own blocked calls and holds until EndSession.
    ASSERT_TRUE(device.Plug(root.sPath, "dev"));
    std::thread waiter([&] { EXPECT_FALSE(device.WaitForHost(-1)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    device.Cancel();
    waiter.join();
    EXPECT_FALSE(device.WaitForHost(0));
    device.EndSession();
    CPipeHostChannel again;
    ASSERT_TRUE(again.Open(device.Path()));
    ASSERT_TRUE(device.WaitForHost(2000));
    std::thread deviceReader([&] {
        char cByte;
        const STransferResult read = device.Read(&cByte, 1);
        EXPECT_EQ(read.iCount, -1);
        EXPECT_EQ(read.dwError, uint32_t(ECANCELED));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    device.Cancel();
    deviceReader.join();
}

} // namespace
} // namespace kov
