#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "LinkTestKit.h"
#include "common/TestDir.h"
#include "link/UsbTransport.h"
#include "platform/PipeDevice.h"

namespace kov::test {
namespace {

TEST(UsbTransportPipes, CountsListsAndOpensTheFirstFreeOrTheNamedDevice)
{
    CTestDir root;
    const int32_t iUsb = CountUsbDevices();
    ASSERT_GE(iUsb, 0);
    std::vector<std::string> vUsbNames;
    ASSERT_TRUE(ListUsbDeviceNames(vUsbNames));
    CPipeDeviceSide second, first;
    ASSERT_TRUE(second.Plug(root.String(), "kov-2"));
    ASSERT_TRUE(first.Plug(root.String(), "kov-1"));
    std::filesystem::create_directories(root / ".kov-0.77"); // half-made: never counted

    UsbTransport any(root.String());
    EXPECT_EQ(any.CountDevices(), iUsb + 2);
    std::vector<SDeviceInterface> vDevices;
    ASSERT_TRUE(any.ListDevices(vDevices));
    ASSERT_EQ(vDevices.size(), 2 + vUsbNames.size());
    EXPECT_EQ(vDevices[0].sName, "kov-1");
    EXPECT_EQ(vDevices[1].sFolder, second.Path());
    EXPECT_STREQ(DeviceWayName(vDevices[1].eWay), "pipe");
    ASSERT_TRUE(any.Open());
    EXPECT_EQ(any.DevicePath(), first.Path());
    EXPECT_TRUE(first.WaitForHost(2000));
    EXPECT_FALSE(second.WaitForHost(30));

    // Bound to a name: that device only, counted and opened, whatever comes first.
    UsbTransport named(root.String(), "kov-2");
    EXPECT_EQ(named.CountDevices(), 1);
    ASSERT_TRUE(named.ListDevices(vDevices));
    ASSERT_EQ(vDevices.size(), 1u);
    EXPECT_EQ(vDevices[0].sName, "kov-2");
    ASSERT_TRUE(named.Open());
    EXPECT_EQ(named.DevicePath(), second.Path());
    ASSERT_TRUE(second.WaitForHost(2000));
    // Another host finds the device busy; the first free device is the next one.
    UsbTransport alsoNamed(root.String(), "kov-2");
    EXPECT_FALSE(alsoNamed.Open());
    named.Close(true);
    UsbTransport next(root.String());
    ASSERT_TRUE(next.Open());
    EXPECT_EQ(next.DevicePath(), second.Path());

    // Repeated closes are harmless, and a closed transport moves nothing.
    any.Close(false);
    any.Close(true);
    EXPECT_FALSE(any.IsOpen());
    char c = 0;
    EXPECT_EQ(any.Read(&c, 1).iCount, -1);
    EXPECT_EQ(any.Write(&c, 1).iCount, -1);

    // Names that are not there, or only look like a path, count as no device.
    for (const char* szName : {"kov-3", "../kov-1", "usb:250-9.9"}) {
        UsbTransport absent(root.String(), szName);
        EXPECT_EQ(absent.CountDevices(), 0) << szName;
        EXPECT_FALSE(absent.Open()) << szName;
    }
}

// A pipe device opened by the transport, with the receive loop running over it.
class UsbTransportLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(device.Plug(root.String(), "kov"));
        ASSERT_TRUE(transport.Open());
        ASSERT_TRUE(device.WaitForHost(2000));
        pHandler = StartHandler(&transport, &sink);
        ASSERT_NE(pHandler, nullptr);
    }
    bool DeviceSend(const std::string& sBytes)
    {
        return device.Write(sBytes.data(), int32_t(sBytes.size())).iCount == int32_t(sBytes.size());
    }

    CTestDir root;
    CPipeDeviceSide device;
    UsbTransport transport{root.String()};
    CRecordingSink sink;
    CHostClientProtoHandler* pHandler = nullptr;
};

TEST_F(UsbTransportLink, ReceiveLoopOverPipesUntilUnplugMidPayload)
{
    // A request reaches the device as one whole frame.
    ASSERT_TRUE(pHandler->SendFrame(ReadParameters, 0, 0, nullptr));
    char aHeader[12];
    ASSERT_EQ(device.Read(aHeader, 12).iCount, 12);
    EXPECT_EQ(std::string(aHeader, 12), Frame(71, 0));

    const std::string sDocument(3000, 'd');
    // Two frames, then half a payload and the device vanishes.
    ASSERT_TRUE(DeviceSend(Frame(58, 0, sDocument) + Frame(20, 2, "log line") +
                           Frame(68, 0, std::string(1000, 'c')).substr(0, 12 + 400)));
    ASSERT_TRUE(sink.WaitCount(2));
    device.Unplug();
    ASSERT_TRUE(sink.WaitClosed());

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

TEST_F(UsbTransportLink, CloseFromAnotherThreadEndsTheBlockedLoop)
{
    pHandler->Release();                                        // as the device link does on disconnect
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // let the loop block in its read
    transport.Close(false);
    ASSERT_TRUE(sink.WaitClosed());
    ASSERT_EQ(sink.Events().size(), 2u);
    EXPECT_EQ(sink.Events()[0].Text(), "Device File Error: " + std::to_string(ECANCELED));
    char c;
    EXPECT_LE(device.Read(&c, 1).iCount, 0); // the device sees the host leave
}

} // namespace
} // namespace kov::test
