#pragma once
// The device transport. Device interfaces are the pipe-way device folders under the device
// root (in name order) followed by the attached USB devices; Open takes the first one that
// opens, trying the pipe way and then the USB way.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "link/Protocol.h"
#include "platform/DeviceRootWatch.h"
#include "platform/PipeHost.h"
#include "platform/UsbDevice.h"

namespace kov {

class UsbTransport final : public ITransport {
public:
    UsbTransport(); // uses DefaultDeviceRoot()
    explicit UsbTransport(std::string sDeviceRoot);
    ~UsbTransport() override;
    UsbTransport(const UsbTransport&) = delete;
    UsbTransport& operator=(const UsbTransport&) = delete;

    // Present device interfaces of both kinds; -1 when the USB device list cannot be read.
    // Never opens anything, so it cannot block or disturb a device.
    int32_t CountDevices() const;
    // Closes first, then opens the first interface that opens.
    bool Open();
    bool IsOpen() const;
    // Whether the last Open failed with a USB device present that this user may not open.
    bool OpenDeniedAccess() const { return m_bOpenDenied; }
    // Calls fnChanged (on a thread of its own; it must not block) whenever a device may have
    // come or gone: a change under the device root, a USB device with our ids plugged in or
    // out. False when neither can be watched here. Stopped by StopWatching, an empty
    // fnChanged, or destruction.
    bool WatchDeviceChanges(std::function<void()> fnChanged);
    void StopWatching();
    // The device folder, or "usb:<n>" for the n-th USB device; empty while closed.
    std::string DevicePath() const;
    const std::string& DeviceRoot() const { return m_sDeviceRoot; }

    // Failures carry ENODEV when the device went away (end of file included) and ECANCELED
    // when Close cancelled the call or the transport is closed.
    STransferResult Read(void* pBuffer, int32_t iCount) override;
    STransferResult Write(const void* pBuffer, int32_t iCount) override;
    // Cancels blocked calls on other threads and releases the device. Cancellation is always
    // available here, so bForce makes no difference; repeating it is harmless.
    void Close(bool bForce) override;

private:
    enum class EWay { None, Pipes, Usb };

    const std::string m_sDeviceRoot;
    CPipeHostChannel m_pipes;
    CUsbDeviceLink m_usb;
    std::atomic<EWay> m_eWay{EWay::None};
    std::string m_sDevicePath;
    bool m_bOpenDenied = false;
    // Last, so they stop first: their callbacks may reach what their owner built around them.
    CDeviceRootWatch m_rootWatch;
    CUsbHotplugWatch m_usbWatch;
};

} // namespace kov
