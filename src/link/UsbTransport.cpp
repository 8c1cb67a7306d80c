#include "link/UsbTransport.h"

#include <cerrno>

#include "platform/DeviceRoot.h"

namespace kov {

UsbTransport::UsbTransport() : UsbTransport(DefaultDeviceRoot()) {}

UsbTransport::UsbTransport(std::string sDeviceRoot) : m_pipeDevices(std::move(sDeviceRoot)) {}

UsbTransport::~UsbTransport()
{
    Close(true);
}

int32_t UsbTransport::CountDevices() const
{
    const int32_t iUsb = CountUsbDevices();
    if (iUsb < 0)
        return -1;
    return int32_t(m_pipeDevices.List().size()) + iUsb;
}

bool UsbTransport::Open()
{
    Close(true);
    for (const std::string& sFolder : m_pipeDevices.List()) {
        if (m_pipes.Open(sFolder)) {
            m_sDevicePath = sFolder;
            m_eWay = EWay::Pipes;
            return true;
        }
    }
    const int32_t iUsb = CountUsbDevices();
    for (int32_t i = 0; i < iUsb; ++i) {
        if (m_usb.Open(i)) {
            m_sDevicePath = "usb:" + std::to_string(i);
            m_eWay = EWay::Usb;
            return true;
        }
    }
    return false;
}

bool UsbTransport::IsOpen() const
{
    switch (m_eWay.load()) {
    case EWay::Pipes: return m_pipes.IsOpen();
    case EWay::Usb: return m_usb.IsOpen();
    default: return false;
    }
}

std::vector<std::string> UsbTransport::TakeNotices()
{
    return m_pipeDevices.TakeNotices();
}

std::string UsbTransport::DevicePath() const
{
    return m_eWay == EWay::None ? std::string() : m_sDevicePath;
}

STransferResult UsbTransport::Read(void* pBuffer, int32_t iCount)
{
    switch (m_eWay.load()) {
    case EWay::Pipes: return m_pipes.Read(pBuffer, iCount);
    case EWay::Usb: return m_usb.Read(pBuffer, iCount);
    default: return STransferResult::Failed(ECANCELED);
    }
}

STransferResult UsbTransport::Write(const void* pBuffer, int32_t iCount)
{
    switch (m_eWay.load()) {
    case EWay::Pipes: return m_pipes.Write(pBuffer, iCount);
    case EWay::Usb: return m_usb.Write(pBuffer, iCount);
    default: return STransferResult::Failed(ECANCELED);
    }
}

void UsbTransport::Close(bool)
{
    // Both ways close safely when not open; each wakes its blocked calls and waits for them.
    m_eWay = EWay::None;
    m_pipes.Close();
    m_usb.Close();
}

} // namespace kov
