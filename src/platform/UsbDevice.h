#pragma once
// The USB way to the device through libusb: vendor 0x8392, product 0x8789, the interface
// that holds bulk OUT 0x01 and bulk IN 0x82. Transfers have no time-out; Close cancels them.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/Transfer.h"

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

    // One bulk transfer each; fails when the device went away (ENODEV), when Close cancelled
    // it (ECANCELED) or on any other transfer error (EIO).
    STransferResult Read(void* pBuffer, int32_t iCount);
    STransferResult Write(const void* pBuffer, int32_t iCount);

    // Cancels pending transfers, waits for them to finish, releases the device; harmless
    // when repeated.
    void Close();

private:
    STransferResult Transfer(uint8_t byEndpoint, void* pBuffer, int32_t iCount);

    mutable std::mutex m_lock;
    std::condition_variable m_idle;
    libusb_device_handle* m_pHandle = nullptr;
    int m_iInterface = -1;
    int m_iActive = 0;
    bool m_bClosing = false;
    std::set<libusb_transfer*> m_pending;
};

} // namespace kov
