#pragma once
// The device transport. Device interfaces are the pipe-way device folders under the device
// root (in name order) followed by the attached USB devices; Open takes the first one that
// opens, trying the pipe way and then the USB way. A transport may be bound to one device by
// its name, and then counts and opens that one only.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "link/Protocol.h"
#include "platform/DeviceRootWatch.h"
#include "platform/PipeHost.h"
#include "platform/UsbDevice.h"

namespace kov {

enum class EDeviceWay { Pipes, Usb };

// "pipe" or "usb".
const char* DeviceWayName(EDeviceWay eWay);

// One present device interface. Its name is stable while it stays plugged where it is: the
// folder's name on the pipe way, "usb:BUS-PORT[.PORT...]" on the USB way.
struct SDeviceInterface {
    std::string sName;
    EDeviceWay eWay = EDeviceWay::Pipes;
    std::string sFolder;    // the pipe way's device folder
    int32_t iUsbIndex = -1; // the USB way's position among the attached devices
};

class UsbTransport final : public ITransport {
public:
    UsbTransport(); // uses DefaultDeviceRoot()
    // sDeviceName not empty: only the device of that name is counted and opened.
    explicit UsbTransport(std::string sDeviceRoot, std::string sDeviceName = {});
    ~UsbTransport() override;
    UsbTransport(const UsbTransport&) = delete;
    UsbTransport& operator=(const UsbTransport&) = delete;

    // Present device interfaces of both kinds; -1 when the USB device list cannot be read.
    // Never opens anything, so it cannot block or disturb a device.
    int32_t CountDevices() const;
    // The present device interfaces (only the named one when bound to a name), pipe-way
    // folders first. False when the USB device list cannot be read; the rest is listed still.
    // Never opens anything.
    bool ListDevices(std::vector<SDeviceInterface>& vDevices) const;
    // Closes first, then opens the first interface that opens; one that another host has open
    // does not.
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
    // The device folder, or the USB device's name; empty while closed.
    std::string DevicePath() const;
    const std::string& DeviceRoot() const { return m_pipeDevices.Root(); }
    // The name this transport is bound to; empty: any device.
    const std::string& DeviceName() const { return m_sDeviceName; }
    // Lines for the operator about device folders (or the root) refused as untrusted since the
    // last call; each is told once (see CPipeDeviceFinder).
    std::vector<std::string> TakeNotices();

    // Failures carry ENODEV when the device went away (end of file included) and ECANCELED
    // when Close cancelled the call or the transport is closed.
    STransferResult Read(void* pBuffer, int32_t iCount) override;
    STransferResult Write(const void* pBuffer, int32_t iCount) override;
    // Cancels blocked calls on other threads and releases the device. Cancellation is always
    // available here, so bForce makes no difference; repeating it is harmless.
    void Close(bool bForce) override;

private:
    enum class EWay { None, Pipes, Usb };

    mutable CPipeDeviceFinder m_pipeDevices; // counting is a look, not a change
    const std::string m_sDeviceName;
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
