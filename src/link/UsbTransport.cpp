#include "link/UsbTransport.h"

#include <cerrno>

#include "platform/DeviceRoot.h"

namespace kov {

const char* DeviceWayName(EDeviceWay eWay)
{
    return eWay == EDeviceWay::Usb ? "usb" : "pipe";
}

UsbTransport::UsbTransport() : UsbTransport(DefaultDeviceRoot()) {}

UsbTransport::UsbTransport(std::string sDeviceRoot, std::string sDeviceName)
    : m_pipeDevices(std::move(sDeviceRoot)), m_sDeviceName(std::move(sDeviceName))
{}

UsbTransport::~UsbTransport()
{
    StopWatching();
    Close(true);
}

bool UsbTransport::WatchDeviceChanges(std::function<void()> fnChanged)
{
    StopWatching();
    if (!fnChanged)
        return false;
    const bool bRoot = m_rootWatch.Start(m_pipeDevices.Root(), fnChanged);
    const bool bUsb = m_usbWatch.Start(std::move(fnChanged));
    return bRoot || bUsb;
}

void UsbTransport::StopWatching()
{
    m_rootWatch.Stop();
    m_usbWatch.Stop();
}

int32_t UsbTransport::CountDevices() const
{
    if (!m_sDeviceName.empty()) {
        std::vector<SDeviceInterface> vDevices;
        const bool bListed = ListDevices(vDevices);
        return !vDevices.empty() ? 1 : bListed ? 0 : -1;
    }
    const int32_t iUsb = CountUsbDevices();
    if (iUsb < 0)
        return -1;
    return int32_t(m_pipeDevices.List().size()) + iUsb;
}

bool UsbTransport::ListDevices(std::vector<SDeviceInterface>& vDevices) const
{
    vDevices.clear();
    auto fnWanted = [this](const std::string& sName) {
        return m_sDeviceName.empty() || sName == m_sDeviceName;
    };
    for (std::string& sFolder : m_pipeDevices.List()) {
        std::string sName = sFolder.substr(sFolder.rfind('/') + 1);
        if (fnWanted(sName))
            vDevices.push_back({std::move(sName), EDeviceWay::Pipes, std::move(sFolder), -1});
    }
    std::vector<std::string> vUsbNames;
    const bool bUsbListed = ListUsbDeviceNames(vUsbNames);
    for (size_t i = 0; i < vUsbNames.size(); ++i)
        if (fnWanted(vUsbNames[i]))
            vDevices.push_back({vUsbNames[i], EDeviceWay::Usb, {}, int32_t(i)});
    return bUsbListed;
}

bool UsbTransport::Open()
{
    Close(true);
    m_bOpenDenied = false;
    std::vector<SDeviceInterface> vDevices;
    ListDevices(vDevices); // without the USB list, the pipe devices are still there to open
    for (const SDeviceInterface& device : vDevices) {
        const bool bPipes = device.eWay == EDeviceWay::Pipes;
        if (bPipes ? m_pipes.Open(device.sFolder) : m_usb.Open(device.iUsbIndex)) {
            m_sDevicePath = bPipes ? device.sFolder : device.sName;
            m_eWay = bPipes ? EWay::Pipes : EWay::Usb;
            return true;
        }
        if (!bPipes)
            m_bOpenDenied = m_bOpenDenied || m_usb.LastOpenDenied();
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
