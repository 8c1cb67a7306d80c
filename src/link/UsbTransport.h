#pragma once
// The device transport. Device interfaces are the pipe-way device folders under the device
// root (in name order) followed by the attached USB devices; Open takes the first one that
// opens, trying the pipe way and then the USB way.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "link/Protocol.h"
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
    // The device folder, or "usb:<n>" for the n-th USB device; empty while closed.
    std::string DevicePath() const;
    const std::string& DeviceRoot() const { return m_pipeDevices.Root(); }
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
    CPipeHostChannel m_pipes;
    CUsbDeviceLink m_usb;
    std::atomic<EWay> m_eWay{EWay::None};
    std::string m_sDevicePath;
};

} // namespace kov
