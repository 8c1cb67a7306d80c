#include <gtest/gtest.h>

#include "common/TestDir.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

#include "LinkTestKit.h"
#include "link/UsbTransport.h"
#include "platform/PipeDevice.h"

namespace kov::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A private device root; sPath names it for the code under test.
struct STempRoot {
    test::CTestDir dir;
    std::string sPath = dir.String();
};

bool DeviceSend(CPipeDeviceSide& device, const std::string& sBytes) {
    return device.Write(sBytes.data(), int32_t(sBytes.size())) == int32_t(sBytes.size());
}

TEST(UsbTransportPipes, CountsFinishedDevicesAndOpensTheFirstByName) {
    STempRoot root;
    UsbTransport transport(root.sPath);
    const int32_t iUsb = CountUsbDevices();
    ASSERT_GE(iUsb, 0);
    EXPECT_EQ(transport.CountDevices(), iUsb);

    CPipeDeviceSide second, first;
    ASSERT_TRUE(second.Plug(root.sPath, "kov-2"));
    ASSERT_TRUE(first.Plug(root.sPath, "kov-1"));
    fs::create_directories(root.sPath + "/.kov-0.77"); // half-made: never counted
    EXPECT_EQ(transport.CountDevices(), iUsb + 2);

    ASSERT_TRUE(transport.Open());
    EXPECT_TRUE(transport.IsOpen());
    EXPECT_EQ(transport.DevicePath(), first.Path());
    EXPECT_TRUE(first.WaitForHost(2000));
    EXPECT_FALSE(second.WaitForHost(30));

    // Repeated closes are harmless.
    transport.Close(false);
    transport.Close(true);
    EXPECT_FALSE(transport.IsOpen());
    EXPECT_EQ(transport.DevicePath(), "");
    char c = 0;
    EXPECT_EQ(transport.Read(&c, 1), -1);
    EXPECT_EQ(transport.Write(&c, 1), -1);
}

TEST(UsbTransportPipes, ReceiveLoopOverPipesUntilUnplugMidPayload) {
    STempRoot root;
    CPipeDeviceSide device;
    ASSERT_TRUE(device.Plug(root.sPath, "kov"));
    UsbTransport transport(root.sPath);
    ASSERT_TRUE(transport.Open());
    ASSERT_TRUE(device.WaitForHost(2000));
    CRecordingSink sink;
    CHostClientProtoHandler* pHandler = StartHandler(&transport, &sink);
    ASSERT_NE(pHandler, nullptr);

    // A request reaches the device as one whole frame.
    ASSERT_TRUE(pHandler->SendFrame(ReadParameters, 0, 0, nullptr));
    char aHeader[12];
    ASSERT_EQ(device.Read(aHeader, 12), 12);
    EXPECT_EQ(std::string(aHeader, 12), Frame(71, 0));

    const std::string sDocument(3 * 0x100000 + 10, 'd');
    std::thread feeder([&] {
        EXPECT_TRUE(DeviceSend(device, Frame(58, 0, sDocument) + Frame(20, 2, "log line")));
        // Half a payload, then the device vanishes.
        EXPECT_TRUE(DeviceSend(device, Frame(68, 0, std::string(1000, 'c')).substr(0, 12 + 400)));
    });
    ASSERT_TRUE(sink.WaitCount(2));
    feeder.join();
    const auto tUnplug = Clock::now();
    device.Unplug();
    ASSERT_TRUE(sink.WaitClosed());
    const auto iMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - tUnplug).count();
    std::printf("unplug mid-payload to LinkClosed: %lld ms\n", static_cast<long long>(iMs));
    EXPECT_LT(iMs, 1000);

    auto& events = sink.Events();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].eEvent, DeviceEvent::ParametersDocumentEvent);
    EXPECT_EQ(events[0].wParam, sDocument.size());
    EXPECT_EQ(std::string(events[0].Text()), sDocument);
    EXPECT_STREQ(events[1].Text(), "log line");
    EXPECT_EQ(events[2].eEvent, DeviceEvent::DeviceTextEvent);
    EXPECT_EQ(events[2].Text(), "Device file error " + std::to_string(ENODEV) + " in command id 68");
    EXPECT_EQ(events[3].eEvent, DeviceEvent::LinkClosed);
    // The device is gone: sending fails, and the process is still here (no SIGPIPE).
    EXPECT_FALSE(pHandler->SendFrame(ReadParameters, 0, 0, nullptr));
    pHandler->Release();
}

TEST(UsbTransportPipes, CloseFromAnotherThreadEndsTheBlockedLoop) {
    STempRoot root;
    CPipeDeviceSide device;
    ASSERT_TRUE(device.Plug(root.sPath, "kov"));
    UsbTransport transport(root.sPath);
    ASSERT_TRUE(transport.Open());
    ASSERT_TRUE(device.WaitForHost(2000));
    CRecordingSink sink;
    CHostClientProtoHandler* pHandler = StartHandler(&transport, &sink);
    ASSERT_NE(pHandler, nullptr);
    pHandler->Release(); // as the device link does on disconnect
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    const auto tClose = Clock::now();
    transport.Close(false);
    ASSERT_TRUE(sink.WaitClosed());
    const auto iMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - tClose).count();
    std::printf("Close ended the blocked receive loop in %lld ms\n", static_cast<long long>(iMs));
    EXPECT_LT(iMs, 1000);
    ASSERT_EQ(sink.Events().size(), 2u);
    EXPECT_EQ(sink.Events()[0].Text(), "Device File Error: " + std::to_string(ECANCELED));
    char c;
    EXPECT_LE(device.Read(&c, 1), 0); // the device sees the host leave
}

} // namespace
} // namespace kov::test
