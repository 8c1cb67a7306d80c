#pragma once
// The USB way to the device through libusb: vendor 0x8392, product 0x8789, the interface
// that holds bulk OUT 0x01 and bulk IN 0x82. Transfers have no time-out; Close cancels them.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/Transfer.h"
#include "platform/UsbBulkIn.h"

struct libusb_device_handle;
struct libusb_transfer;

namespace kov {

constexpr uint16_t kUsbVendorId = 0x8392;
constexpr uint16_t kUsbProductId = 0x8789;
constexpr uint8_t kBulkOutEndpoint = 0x01;
constexpr uint8_t kBulkInEndpoint = 0x82;

// Attached devices with our ids; 0 when the system offers no USB access at all (no libusb
// context), -1 when the device list cannot be read.
int32_t CountUsbDevices();
// The attached devices with our ids, in the same order, each named by where it is plugged in:
// "usb:BUS-PORT[.PORT...]" (the bus number, then the port on each hub from the root down), so
// a name stays the same across replugging into the same socket. False when the device list
// cannot be read; no USB access at all is an empty list.
bool ListUsbDeviceNames(std::vector<std::string>& vNames);

// One attached device with our ids, as `kovctl driver status` shows it.
struct SUsbDeviceState {
    uint8_t byBus = 0;
    uint8_t byAddress = 0;
    // 0 when the device opens; otherwise the libusb error (see UsbErrorText).
    int iOpenError = 0;
    bool AccessDenied() const;
};
// Every attached device with our ids, each tried with an open (and closed again at once: no
// interface is claimed, so a program using the device is not disturbed).
std::vector<SUsbDeviceState> ListUsbDevices();
// libusb's name of an error ("LIBUSB_ERROR_ACCESS") with its description.
std::string UsbErrorText(int iError);

class CUsbDeviceLink {
public:
    CUsbDeviceLink() = default;
    ~CUsbDeviceLink();
    CUsbDeviceLink(const CUsbDeviceLink&) = delete;
    CUsbDeviceLink& operator=(const CUsbDeviceLink&) = delete;

    // Opens the iIndex-th attached device (in the system's list order) and claims its bulk
    // interface; false when there is none or it cannot be claimed.
    bool Open(int32_t iIndex);
    bool IsOpen() const;
    // Whether the last Open failed because the system refused this user the device (no rule
    // gives access to it), as opposed to no device or a device in use.
    bool LastOpenDenied() const { return m_bLastOpenDenied; }

    // Read hands out what whole bulk transfers brought (CBulkInBuffer), so it may return
    // fewer bytes than asked and never overflows on a device that packs several frames into
    // one packet. Write is one bulk transfer. Both fail when the device went away (ENODEV),
    // when Close cancelled them (ECANCELED) or on any other transfer error (EIO).
    STransferResult Read(void* pBuffer, int32_t iCount);
    STransferResult Write(const void* pBuffer, int32_t iCount);

    // Cancels pending transfers, waits for them to finish, releases the device; harmless
    // when repeated.
    void Close();

private:
    STransferResult Transfer(uint8_t byEndpoint, void* pBuffer, int32_t iCount);

    std::mutex m_readLock; // one reader at a time; Open waits for it before resetting the buffer
    CBulkInBuffer m_inBuffer;
    bool m_bLastOpenDenied = false;
    mutable std::mutex m_lock;
    std::condition_variable m_idle;
    libusb_device_handle* m_pHandle = nullptr;
    int m_iInterface = -1;
    int m_iActive = 0;
    bool m_bClosing = false;
    std::set<libusb_transfer*> m_pending;
};

// Arrivals and departures of devices with our ids, reported as they happen (libusb's hotplug
// events, handled on a thread of its own). fnChanged runs on that thread, or on a thread
// waiting in a transfer, and must not block.
class CUsbHotplugWatch {
public:
    CUsbHotplugWatch() = default;
    ~CUsbHotplugWatch();
    CUsbHotplugWatch(const CUsbHotplugWatch&) = delete;
    CUsbHotplugWatch& operator=(const CUsbHotplugWatch&) = delete;

    // False when this system's libusb reports no hotplug events.
    bool Start(std::function<void()> fnChanged);
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }

private:
    std::function<void()> m_fnChanged;
    int m_iCallback = 0;
    int m_iStop = 0;
    std::thread m_thread;
};

} // namespace kov
