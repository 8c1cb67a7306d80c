// The USB way end to end: the real libusb transport, run under umockdev-wrapper against a
// testbed device whose usbfs requests the simulated device answers.
#include <gtest/gtest.h>
#include <umockdev.h>
#include <zlib.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "UsbfsDevice.h"
#include "common/TestDir.h"
#include "link/LinkTestKit.h"
#include "link/ParameterDocumentHolder.h"
#include "sim/SampleDocument.h"
#include "sim/SimDevice.h"

namespace kov::test {
namespace {

TEST(UsbUmockdev, ConnectReadWriteProgramAndUnplugMidTransfer)
{
    CUsbfsDevice device;
    if (!device.InMockEnvironment())
        GTEST_SKIP() << "run under umockdev-wrapper";
    std::string sError;
    ASSERT_TRUE(device.Plug(sError)) << sError;

    CSimDevice sim(SSimDeviceOptions{.iTickMs = 20});
    ASSERT_TRUE(sim.LoadDocumentText(SampleDocumentText()));
    std::thread serving([&] { sim.ServeSession(device); });

    CTestDir emptyRoot; // no pipe-way devices: only the USB way can connect
    CRecordingSink events;
    // The system's report of the device leaving reaches a hotplug watch.
    std::mutex hotplugMutex;
    std::condition_variable hotplugChanged;
    int nHotplugReports = 0;
    CUsbHotplugWatch hotplug;
    const bool bHotplug = hotplug.Start([&] {
        std::lock_guard lock(hotplugMutex);
        ++nHotplugReports;
        hotplugChanged.notify_all();
    });
    EXPECT_TRUE(bHotplug) << "libusb reports no hotplug events here";
    {
        ParameterDocumentHolder holder(std::make_unique<CUsbDeviceTransport>(emptyRoot.String()));
        holder.SetEventSink(&events);
        ASSERT_EQ(holder.CountDevices(), 1);
        ASSERT_EQ(holder.Connect(), ParameterDocumentHolder::kConnected);
        SDeviceEventData event;

        // The device greets with its version, then sends the document asked for.
        ASSERT_TRUE(events.Take(DeviceEvent::SoftwareVersionEvent, event));
        ASSERT_TRUE(holder.RequestParameters());
        ASSERT_TRUE(events.Take(DeviceEvent::ParametersDocumentEvent, event));
        ASSERT_TRUE(holder.LoadedDocument().LoadFromText(std::string(event.Text(), event.dwPayloadLength)));
        EXPECT_EQ(std::string(event.Text(), event.dwPayloadLength), sim.DocumentText());

        // A change goes out compressed and the device keeps it.
        holder.ChangeDocument().CreateRoot(kChangeDocumentRoot);
        holder.ChangeDocument()
            .Root()
            .FindOrCreateChild(u"kov:CaptureDeviceConfig", kKovNamespaceUri, true)
            .SetAttribute(u"kov:ProductName", kKovNamespaceUri, u"Over usbfs");
        ASSERT_TRUE(holder.WriteToDevice());
        ASSERT_TRUE(events.Take(DeviceEvent::WriteParametersResultEvent, event));
        EXPECT_EQ(event.wParam, 1u);
        EXPECT_NE(sim.DocumentText().find("Over usbfs"), std::string::npos);

        // A short programming run: begin, blocks acknowledged by their CRC-32, end.
        std::string sImage(3 * kProgramBlockSize + 300, '\0');
        for (size_t i = 0; i < sImage.size(); ++i)
            sImage[i] = char(i * 7 + 3);
        ASSERT_TRUE(holder.SendCommand(ProgramBegin));
        ASSERT_TRUE(events.Take(DeviceEvent::ProgramReadyEvent, event));
        for (uint32_t dwOffset = 0; dwOffset < sImage.size(); dwOffset += kProgramBlockSize) {
            const std::string sBlock = sImage.substr(dwOffset, kProgramBlockSize);
            ASSERT_TRUE(holder.SendCommand(ProgramBlock, dwOffset, sBlock));
            ASSERT_TRUE(events.Take(DeviceEvent::ProgramBlockAckEvent, event));
            EXPECT_EQ(event.lParam,
                      uint32_t(crc32(0, reinterpret_cast<const Bytef*>(sBlock.data()), uInt(sBlock.size()))));
        }
        ASSERT_TRUE(holder.SendCommand(ProgramEnd));
        ASSERT_TRUE(events.Take(DeviceEvent::ProgramCompleteEvent, event));
        const std::vector<uint8_t> vImage = sim.Image();
        EXPECT_EQ(std::string(vImage.begin(), vImage.end()), sImage);

        // Closing from this thread ends the read blocked in libusb on the receive thread; the
        // device can be opened again.
        holder.Disconnect(false);
        ASSERT_TRUE(events.Take(DeviceEvent::LinkClosed, event));
        EXPECT_EQ(events.Texts().back(), "Device File Error: " + std::to_string(ECANCELED));
        ASSERT_EQ(holder.Connect(), ParameterDocumentHolder::kConnected);

        // The device goes away in the middle of the document: the blocked read fails and the
        // loop ends. (A device keeps what it sends until the host asks, so the document must
        // find the receive loop's transfer waiting.)
        ASSERT_TRUE(device.WaitForInUrb());
        device.UnplugAfterDeviceBytes(5000);
        ASSERT_TRUE(holder.RequestParameters());
        ASSERT_TRUE(events.Take(DeviceEvent::LinkClosed, event));
        const auto vTexts = events.Texts();
        ASSERT_FALSE(vTexts.empty());
        EXPECT_EQ(vTexts.back(), "Device file error " + std::to_string(ENODEV) + " in command id 58");
        if (bHotplug) {
            std::unique_lock lock(hotplugMutex);
            EXPECT_TRUE(
                hotplugChanged.wait_for(lock, std::chrono::seconds(10), [&] { return nHotplugReports > 0; }));
        }
        holder.Disconnect(true);
        device.RemoveFromTestbed();
        EXPECT_EQ(holder.CountDevices(), 0);
        EXPECT_FALSE(holder.Connect() == ParameterDocumentHolder::kConnected);
    }
    sim.Stop();
    serving.join();
    EXPECT_TRUE(device.Unexpected().empty()) << device.Unexpected().front();
}

} // namespace
} // namespace kov::test
