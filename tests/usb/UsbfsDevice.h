#pragma once
// A USB device 8392:8789 in a umockdev testbed whose usbfs requests are answered in-process:
// bulk OUT URBs feed a device-side transport that the simulated device reads, what the
// simulated device writes completes the bulk IN URBs. The ioctls are handled on a GLib main
// loop of their own, the simulated device serves on another thread.
#include <umockdev.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/Protocol.h"

namespace kov::test {

class CUsbfsDevice final : public ITransport {
public:
    static constexpr char kDevNode[] = "/dev/bus/usb/001/002";
    static constexpr int32_t kMaxPacket = 512;

    CUsbfsDevice();
    ~CUsbfsDevice() override;
    CUsbfsDevice(const CUsbfsDevice&) = delete;
    CUsbfsDevice& operator=(const CUsbfsDevice&) = delete;

    // Whether the process runs under umockdev-wrapper (only then does the testbed reach libusb).
    bool InMockEnvironment() const { return umockdev_in_mock_environment(); }
    // Adds the device to the testbed and starts answering its requests; false (with sError)
    // when the testbed refuses it.
    bool Plug(std::string& sError);
    // The device goes away: pending and later requests fail with ENODEV, the system reports
    // the removal.
    void Unplug();
    // Also takes it out of the system's device list, once the host has let it go.
    void RemoveFromTestbed();
    // Unplugs once the device has sent this many more bytes to the host (the rest of its
    // write never arrives).
    void UnplugAfterDeviceBytes(size_t iBytes);

    // Requests the host made that this device did not expect, for the test's report.
    std::vector<std::string> Unexpected() const;
    // Waits (bounded, as a hang detector) until the host has a bulk IN URB waiting for data,
    // as a receive loop keeps one.
    bool WaitForInUrb();

    // The device's side, for the simulated device.
    STransferResult Read(void* pBuffer, int32_t iCount) override;
    STransferResult Write(const void* pBuffer, int32_t iCount) override;
    void Close(bool bForce) override;

private:
    struct SUrb {
        UMockdevIoctlData* pUrb = nullptr;    // the client's usbdevfs_urb
        UMockdevIoctlData* pBuffer = nullptr; // its buffer
        uint8_t byEndpoint = 0;
        int32_t iLength = 0;
        int32_t iStatus = 0;
        int32_t iActual = 0;
        unsigned long ulAddress = 0; // the client's address of the urb: what discard names
    };

    static gboolean OnIoctl(UMockdevIoctlBase* pBase, UMockdevIoctlClient* pClient, gpointer pSelf);
    bool HandleIoctl(UMockdevIoctlClient* pClient);
    void Submit(UMockdevIoctlClient* pClient, UMockdevIoctlData* pArg);
    void Reap(UMockdevIoctlClient* pClient, UMockdevIoctlData* pArg);
    void Discard(UMockdevIoctlClient* pClient, unsigned long ulAddress);
    // With the lock held: moves device bytes into pending IN URBs.
    void CompleteInUrbs();
    void FreeUrb(SUrb& urb);

    UMockdevTestbed* m_pTestbed = umockdev_testbed_new(); // what the environment check needs
    UMockdevIoctlBase* m_pHandler = nullptr;
    GMainContext* m_pContext = nullptr;
    GMainLoop* m_pLoop = nullptr;
    std::thread m_loop;
    std::string m_sSysPath;

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<SUrb> m_dqPendingIn;
    std::deque<SUrb> m_dqDone;
    std::string m_sFromHost;
    size_t m_iFromHostPos = 0;
    std::string m_sToHost;
    size_t m_iToHostPos = 0;
    size_t m_iUnplugAt = SIZE_MAX; // in bytes of m_sToHost
    bool m_bGone = false;
    bool m_bRemoved = false;
    bool m_bDeviceClosed = false;
    std::vector<std::string> m_vUnexpected;
};

} // namespace kov::test
