#include "platform/UsbDevice.h"

#include <cerrno>
#include <functional>
#include <libusb-1.0/libusb.h>
#include <sys/time.h>

namespace kov {

namespace {

// One context for the process, made on first use; null when libusb cannot start here.
class CUsbContext {
public:
    CUsbContext()
    {
        if (libusb_init(&m_pContext) != 0)
            m_pContext = nullptr;
    }
    ~CUsbContext()
    {
        if (m_pContext)
            libusb_exit(m_pContext);
    }
    CUsbContext(const CUsbContext&) = delete;
    CUsbContext& operator=(const CUsbContext&) = delete;
    libusb_context* Get() const { return m_pContext; }

private:
    libusb_context* m_pContext = nullptr;
};

libusb_context* UsbContext()
{
    static CUsbContext s_context;
    return s_context.Get();
}

bool IsOurDevice(libusb_device* pDevice)
{
    libusb_device_descriptor desc{};
    return libusb_get_device_descriptor(pDevice, &desc) == 0 && desc.idVendor == kUsbVendorId &&
           desc.idProduct == kUsbProductId;
}

// The number of the interface whose first setting has both of our bulk endpoints, or -1.
int FindBulkInterface(libusb_device* pDevice)
{
    libusb_config_descriptor* pConfig = nullptr;
    if (libusb_get_active_config_descriptor(pDevice, &pConfig) != 0 || !pConfig)
        return -1;
    int iFound = -1;
    for (int i = 0; i < pConfig->bNumInterfaces && iFound < 0; ++i) {
        const libusb_interface& itf = pConfig->interface[i];
        if (itf.num_altsetting < 1)
            continue;
        const libusb_interface_descriptor& alt = itf.altsetting[0];
        bool bOut = false, bIn = false;
        for (int e = 0; e < alt.bNumEndpoints; ++e) {
            const libusb_endpoint_descriptor& ep = alt.endpoint[e];
            const bool bBulk = (ep.bmAttributes & 0x03) == LIBUSB_TRANSFER_TYPE_BULK;
            bOut = bOut || (bBulk && ep.bEndpointAddress == kBulkOutEndpoint);
            bIn = bIn || (bBulk && ep.bEndpointAddress == kBulkInEndpoint);
        }
        if (bOut && bIn)
            iFound = alt.bInterfaceNumber;
    }
    libusb_free_config_descriptor(pConfig);
    return iFound;
}

void LIBUSB_CALL TransferDone(libusb_transfer* pTransfer)
{
    *static_cast<int*>(pTransfer->user_data) = 1;
}

int LIBUSB_CALL HotplugEvent(libusb_context*, libusb_device*, libusb_hotplug_event, void* pUser)
{
    (*static_cast<std::function<void()>*>(pUser))();
    return 0; // stay registered
}

} // namespace

bool SUsbDeviceState::AccessDenied() const
{
    return iOpenError == LIBUSB_ERROR_ACCESS;
}

namespace {

// Calls fnEach for every attached device with our ids, in the system's order. Returns how many
// there are: 0 without USB access at all, -1 when the device list cannot be read.
int32_t ForEachOurDevice(const std::function<void(libusb_device*)>& fnEach)
{
    libusb_context* pContext = UsbContext();
    if (!pContext)
        return 0;
    libusb_device** ppList = nullptr;
    const ssize_t iCount = libusb_get_device_list(pContext, &ppList);
    if (iCount < 0)
        return -1;
    int32_t iFound = 0;
    for (ssize_t i = 0; i < iCount; ++i) {
        if (!IsOurDevice(ppList[i]))
            continue;
        ++iFound;
        if (fnEach)
            fnEach(ppList[i]);
    }
    libusb_free_device_list(ppList, 1);
    return iFound;
}

} // namespace

std::vector<SUsbDeviceState> ListUsbDevices()
{
    std::vector<SUsbDeviceState> vDevices;
    ForEachOurDevice([&](libusb_device* pDevice) {
        SUsbDeviceState state;
        state.byBus = libusb_get_bus_number(pDevice);
        state.byAddress = libusb_get_device_address(pDevice);
        libusb_device_handle* pHandle = nullptr;
        state.iOpenError = libusb_open(pDevice, &pHandle);
        if (pHandle)
            libusb_close(pHandle);
        vDevices.push_back(state);
    });
    return vDevices;
}

std::string UsbErrorText(int iError)
{
    return std::string(libusb_error_name(iError)) + " (" + libusb_strerror(iError) + ")";
}

int32_t CountUsbDevices()
{
    return ForEachOurDevice({});
}

bool ListUsbDeviceNames(std::vector<std::string>& vNames)
{
    vNames.clear();
    return ForEachOurDevice([&](libusb_device* pDevice) {
               std::string sName = "usb:" + std::to_string(libusb_get_bus_number(pDevice)) + "-";
               uint8_t abyPorts[7] = {};
               const int iPorts = libusb_get_port_numbers(pDevice, abyPorts, int(sizeof abyPorts));
               for (int k = 0; k < iPorts; ++k)
                   sName += (k ? "." : "") + std::to_string(abyPorts[k]);
               if (iPorts <= 0)
                   sName += "0"; // a device on the root itself
               vNames.push_back(std::move(sName));
           }) >= 0;
}

CUsbDeviceLink::~CUsbDeviceLink()
{
    Close();
}

bool CUsbDeviceLink::Open(int32_t iIndex)
{
    Close();
    std::lock_guard readLock(m_readLock); // a reader woken by Close has left
    m_bLastOpenDenied = false;
    libusb_context* pContext = UsbContext();
    if (!pContext || iIndex < 0)
        return false;
    libusb_device** ppList = nullptr;
    const ssize_t iCount = libusb_get_device_list(pContext, &ppList);
    if (iCount < 0)
        return false;
    libusb_device* pDevice = nullptr;
    for (ssize_t i = 0, iSeen = 0; i < iCount && !pDevice; ++i)
        if (IsOurDevice(ppList[i]) && iSeen++ == iIndex)
            pDevice = ppList[i];
    libusb_device_handle* pHandle = nullptr;
    int iInterface = pDevice ? FindBulkInterface(pDevice) : -1;
    if (iInterface >= 0) {
        const int iError = libusb_open(pDevice, &pHandle);
        if (iError != 0)
            pHandle = nullptr;
        m_bLastOpenDenied = iError == LIBUSB_ERROR_ACCESS;
    }
    const int iMaxPacket = pDevice ? libusb_get_max_packet_size(pDevice, kBulkInEndpoint) : 0;
    libusb_free_device_list(ppList, 1);
    if (!pHandle)
        return false;
    libusb_set_auto_detach_kernel_driver(pHandle, 1);
    if (libusb_claim_interface(pHandle, iInterface) != 0) {
        libusb_close(pHandle);
        return false;
    }
    m_inBuffer.Reset(BulkInTransferSize(iMaxPacket));
    std::lock_guard lock(m_lock);
    m_pHandle = pHandle;
    m_iInterface = iInterface;
    return true;
}

bool CUsbDeviceLink::IsOpen() const
{
    std::lock_guard lock(m_lock);
    return m_pHandle != nullptr && !m_bClosing;
}

STransferResult CUsbDeviceLink::Read(void* pBuffer, int32_t iCount)
{
    std::lock_guard readLock(m_readLock);
    // What a transfer brought before Close belongs to a connection that is over.
    if (!IsOpen())
        return STransferResult::Failed(ECANCELED);
    return m_inBuffer.Read(pBuffer, iCount, [this](uint8_t* pData, int32_t iLength) {
        return Transfer(kBulkInEndpoint, pData, iLength);
    });
}

STransferResult CUsbDeviceLink::Write(const void* pBuffer, int32_t iCount)
{
    // libusb takes one buffer type for both directions; an OUT transfer only reads it.
    return Transfer(kBulkOutEndpoint, const_cast<void*>(pBuffer), iCount);
}

STransferResult CUsbDeviceLink::Transfer(uint8_t byEndpoint, void* pBuffer, int32_t iCount)
{
    if (!pBuffer || iCount < 0)
        return STransferResult::Failed(EINVAL);
    libusb_transfer* pTransfer = libusb_alloc_transfer(0);
    if (!pTransfer)
        return STransferResult::Failed(ENOMEM);
    int iCompleted = 0;
    {
        // Submitted under the lock so Close either sees the transfer or stops it starting.
        std::lock_guard lock(m_lock);
        if (!m_pHandle || m_bClosing) {
            libusb_free_transfer(pTransfer);
            return STransferResult::Failed(ECANCELED);
        }
        libusb_fill_bulk_transfer(pTransfer, m_pHandle, byEndpoint, static_cast<unsigned char*>(pBuffer),
                                  iCount, TransferDone, &iCompleted, 0);
        if (libusb_submit_transfer(pTransfer) != 0) {
            libusb_free_transfer(pTransfer);
            return STransferResult::Failed(ENODEV);
        }
        m_pending.insert(pTransfer);
        ++m_iActive;
    }
    while (!iCompleted)
        if (libusb_handle_events_completed(UsbContext(), &iCompleted) != 0 && !iCompleted)
            libusb_cancel_transfer(pTransfer); // the event loop broke down: give up the transfer
    STransferResult result;
    switch (pTransfer->status) {
    case LIBUSB_TRANSFER_COMPLETED: result = STransferResult::Done(pTransfer->actual_length); break;
    case LIBUSB_TRANSFER_CANCELLED: result = STransferResult::Failed(ECANCELED); break;
    case LIBUSB_TRANSFER_NO_DEVICE: result = STransferResult::Failed(ENODEV); break;
    default: result = STransferResult::Failed(EIO); break;
    }
    {
        std::lock_guard lock(m_lock);
        m_pending.erase(pTransfer); // before freeing: Close may be cancelling right now
        if (--m_iActive == 0)
            m_idle.notify_all();
    }
    libusb_free_transfer(pTransfer);
    return result;
}

void CUsbDeviceLink::Close()
{
    std::unique_lock lock(m_lock);
    if (!m_pHandle)
        return;
    m_bClosing = true;
    for (libusb_transfer* pTransfer : m_pending)
        libusb_cancel_transfer(pTransfer);
    m_idle.wait(lock, [this] { return m_iActive == 0; });
    libusb_release_interface(m_pHandle, m_iInterface);
    libusb_close(m_pHandle);
    m_pHandle = nullptr;
    m_iInterface = -1;
    m_bClosing = false;
}

CUsbHotplugWatch::~CUsbHotplugWatch()
{
    Stop();
}

bool CUsbHotplugWatch::Start(std::function<void()> fnChanged)
{
    Stop();
    libusb_context* pContext = UsbContext();
    if (!pContext || !libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG))
        return false;
    m_fnChanged = std::move(fnChanged);
    const int iEvents = LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT;
    if (libusb_hotplug_register_callback(pContext, iEvents, LIBUSB_HOTPLUG_NO_FLAGS, kUsbVendorId,
                                         kUsbProductId, LIBUSB_HOTPLUG_MATCH_ANY, HotplugEvent, &m_fnChanged,
                                         &m_iCallback) != LIBUSB_SUCCESS)
        return false;
    m_iStop = 0;
    // Hotplug callbacks run inside libusb's event handling, which nothing else does while no
    // transfer is pending.
    m_thread = std::thread([this, pContext] {
        while (true) {
            timeval tv{1, 0};
            libusb_handle_events_timeout_completed(pContext, &tv, &m_iStop);
            if (__atomic_load_n(&m_iStop, __ATOMIC_ACQUIRE))
                break;
        }
    });
    return true;
}

void CUsbHotplugWatch::Stop()
{
    if (!m_thread.joinable())
        return;
    libusb_context* pContext = UsbContext();
    libusb_hotplug_deregister_callback(pContext, m_iCallback);
    __atomic_store_n(&m_iStop, 1, __ATOMIC_RELEASE);
    libusb_interrupt_event_handler(pContext);
    m_thread.join();
    m_fnChanged = nullptr;
}

} // namespace kov
