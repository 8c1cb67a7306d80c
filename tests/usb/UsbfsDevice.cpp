#include "UsbfsDevice.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace kov::test {

namespace {

// Device, configuration, interface and the two bulk endpoints, as sysfs gives them to libusb.
const uint8_t kDescriptors[] = {
    18, 1, 0x00, 0x02, 0,    0,    0, 64,   0x92, 0x83, 0x89, 0x87, 0x00, 0x01, 0, 0, 0, 1, // device
    9,  2, 32,   0,    1,    1,    0, 0x80, 50,                                             // configuration
    9,  4, 0,    0,    2,    0xFF, 0, 0,    0,                                              // interface 0
    7,  5, 0x01, 0x02, 0x00, 0x02, 0,                                                       // bulk OUT, 512
    7,  5, 0x82, 0x02, 0x00, 0x02, 0,                                                       // bulk IN, 512
};

} // namespace

CUsbfsDevice::CUsbfsDevice() = default;

CUsbfsDevice::~CUsbfsDevice()
{
    Close(true);
    if (m_pLoop) {
        g_main_loop_quit(m_pLoop);
        m_loop.join();
        g_main_loop_unref(m_pLoop);
    }
    if (m_pTestbed && m_pHandler)
        umockdev_testbed_detach_ioctl(m_pTestbed, kDevNode, nullptr);
    std::lock_guard lock(m_mutex);
    for (SUrb& urb : m_dqPendingIn)
        FreeUrb(urb);
    for (SUrb& urb : m_dqDone)
        FreeUrb(urb);
    if (m_pHandler)
        g_object_unref(m_pHandler);
    if (m_pTestbed)
        g_object_unref(m_pTestbed);
    if (m_pContext)
        g_main_context_unref(m_pContext);
}

bool CUsbfsDevice::Plug(std::string& sError)
{
    gchar* szSysPath = umockdev_testbed_add_device(
        m_pTestbed, "usb", "1-1", nullptr,
        // attributes
        "idVendor", "8392", "idProduct", "8789", "busnum", "1", "devnum", "2", "speed", "480",
        "bNumConfigurations", "1", "bConfigurationValue", "1", "bcdDevice", "0100", "dev", "189:1", nullptr,
        // properties
        "DEVNAME", kDevNode, "DEVTYPE", "usb_device", "BUSNUM", "001", "DEVNUM", "002", "PRODUCT",
        "8392/8789/100", nullptr);
    if (!szSysPath) {
        sError = "the testbed did not take the device";
        return false;
    }
    m_sSysPath = szSysPath;
    g_free(szSysPath);
    umockdev_testbed_set_attribute_binary(m_pTestbed, m_sSysPath.c_str(), "descriptors",
                                          const_cast<guint8*>(kDescriptors), int(sizeof kDescriptors));
    // The testbed makes no device file for a device added this way; libusb opens one.
    gchar* szRoot = umockdev_testbed_get_root_dir(m_pTestbed);
    const std::filesystem::path node = std::filesystem::path(szRoot) / (kDevNode + 1);
    g_free(szRoot);
    std::error_code error;
    std::filesystem::create_directories(node.parent_path(), error);
    std::ofstream(node).flush();
    if (!std::filesystem::exists(node)) {
        sError = "cannot make the device file " + node.string();
        return false;
    }

    // The handler answers on the main context that is the thread's default when it is made.
    m_pContext = g_main_context_new();
    g_main_context_push_thread_default(m_pContext);
    m_pHandler = umockdev_ioctl_base_new();
    g_signal_connect(m_pHandler, "handle-ioctl", G_CALLBACK(OnIoctl), this);
    GError* pError = nullptr;
    const bool bAttached = umockdev_testbed_attach_ioctl(m_pTestbed, kDevNode, m_pHandler, &pError);
    g_main_context_pop_thread_default(m_pContext);
    if (!bAttached) {
        sError = std::string("attaching the ioctl handler failed: ") + (pError ? pError->message : "?");
        if (pError)
            g_error_free(pError);
        return false;
    }
    m_pLoop = g_main_loop_new(m_pContext, FALSE);
    m_loop = std::thread([this] {
        g_main_context_push_thread_default(m_pContext);
        g_main_loop_run(m_pLoop);
        g_main_context_pop_thread_default(m_pContext);
    });
    return true;
}

void CUsbfsDevice::Unplug()
{
    {
        // As the kernel does: what is pending completes with ENODEV and can still be reaped,
        // nothing new is taken. (Hanging up the file, which libusb also watches for, is beyond
        // the testbed: its server can only end the whole process.)
        std::lock_guard lock(m_mutex);
        if (m_bGone)
            return;
        m_bGone = true;
        for (SUrb& urb : m_dqPendingIn) {
            urb.iStatus = -ENODEV;
            m_dqDone.push_back(urb);
        }
        m_dqPendingIn.clear();
        m_cv.notify_all();
    }
    umockdev_testbed_uevent(m_pTestbed, m_sSysPath.c_str(), "remove");
}

void CUsbfsDevice::RemoveFromTestbed()
{
    Unplug();
    if (!m_bRemoved)
        umockdev_testbed_remove_device(m_pTestbed, m_sSysPath.c_str());
    m_bRemoved = true;
}

void CUsbfsDevice::UnplugAfterDeviceBytes(size_t iBytes)
{
    std::lock_guard lock(m_mutex);
    m_iUnplugAt = m_sToHost.size() + iBytes;
}

std::vector<std::string> CUsbfsDevice::Unexpected() const
{
    std::lock_guard lock(m_mutex);
    return m_vUnexpected;
}

bool CUsbfsDevice::WaitForInUrb()
{
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::seconds(10), [this] { return !m_dqPendingIn.empty(); });
}

// ---- The device's side

STransferResult CUsbfsDevice::Read(void* pBuffer, int32_t iCount)
{
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [&] { return m_bGone || m_bDeviceClosed || m_iFromHostPos < m_sFromHost.size(); });
    if (m_bDeviceClosed)
        return STransferResult::Failed(ECANCELED);
    if (m_bGone)
        return STransferResult::Failed(ENODEV);
    const size_t iTake = std::min(size_t(iCount), m_sFromHost.size() - m_iFromHostPos);
    std::memcpy(pBuffer, m_sFromHost.data() + m_iFromHostPos, iTake);
    m_iFromHostPos += iTake;
    return STransferResult::Done(int32_t(iTake));
}

STransferResult CUsbfsDevice::Write(const void* pBuffer, int32_t iCount)
{
    bool bUnplug = false;
    {
        std::lock_guard lock(m_mutex);
        if (m_bGone || m_bDeviceClosed)
            return STransferResult::Failed(m_bGone ? ENODEV : ECANCELED);
        const size_t iRoom = m_iUnplugAt - std::min(m_iUnplugAt, m_sToHost.size());
        const size_t iTake = std::min(size_t(iCount), iRoom);
        m_sToHost.append(static_cast<const char*>(pBuffer), iTake);
        CompleteInUrbs();
        bUnplug = iTake < size_t(iCount);
    }
    if (bUnplug) {
        Unplug();
        return STransferResult::Failed(ENODEV);
    }
    return STransferResult::Done(iCount);
}

void CUsbfsDevice::Close(bool)
{
    std::lock_guard lock(m_mutex);
    m_bDeviceClosed = true;
    m_cv.notify_all();
}

// ---- usbfs

gboolean CUsbfsDevice::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* pClient, gpointer pSelf)
{
    return static_cast<CUsbfsDevice*>(pSelf)->HandleIoctl(pClient);
}

bool CUsbfsDevice::HandleIoctl(UMockdevIoctlClient* pClient)
{
    const unsigned long ulRequest = umockdev_ioctl_client_get_request(pClient);
    // The argument as the call passed it: a pointer (or, for a discard, the urb's address).
    UMockdevIoctlData* pArg = umockdev_ioctl_client_get_arg(pClient);
    unsigned long ulArgument = 0;
    std::memcpy(&ulArgument, pArg->data, std::min(sizeof ulArgument, size_t(pArg->data_len)));
    // What the pointer points to, fetched from the caller.
    auto fnPointee = [&](size_t iSize) { return umockdev_ioctl_data_resolve(pArg, 0, iSize, nullptr); };
    auto fnAnswer = [&](long lResult, int iErrno) {
        umockdev_ioctl_client_complete(pClient, lResult, iErrno);
    };

    switch (ulRequest) {
    case USBDEVFS_GET_CAPABILITIES: {
        const uint32_t dwCaps = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM;
        UMockdevIoctlData* pCaps = fnPointee(sizeof dwCaps);
        umockdev_ioctl_data_update(pCaps, 0, (guint8*)&dwCaps, sizeof dwCaps);
        fnAnswer(0, 0);
        umockdev_ioctl_data_unref(pCaps);
        return true;
    }
    case USBDEVFS_RELEASEINTERFACE: {
        // The host let go: URBs it left (a discard that named none) are nobody's now.
        std::lock_guard lock(m_mutex);
        for (SUrb& urb : m_dqPendingIn)
            FreeUrb(urb);
        for (SUrb& urb : m_dqDone)
            FreeUrb(urb);
        m_dqPendingIn.clear();
        m_dqDone.clear();
        fnAnswer(0, 0);
        return true;
    }
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_DISCONNECT_CLAIM:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESETEP: fnAnswer(0, 0); return true;
    case USBDEVFS_GETDRIVER:
    case USBDEVFS_IOCTL: fnAnswer(-1, ENODATA); return true; // no kernel driver bound
    case USBDEVFS_SUBMITURB: {
        UMockdevIoctlData* pUrb = fnPointee(sizeof(usbdevfs_urb));
        Submit(pClient, pUrb);
        umockdev_ioctl_data_unref(pUrb);
        return true;
    }
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY: {
        UMockdevIoctlData* pSlot = fnPointee(sizeof(void*));
        Reap(pClient, pSlot);
        umockdev_ioctl_data_unref(pSlot);
        return true;
    }
    case USBDEVFS_DISCARDURB:
        Discard(pClient, pArg->data_len > 0 ? ulArgument : pArg->client_addr);
        return true;
    default: {
        std::lock_guard lock(m_mutex);
        m_vUnexpected.push_back("ioctl 0x" + std::to_string(ulRequest));
        fnAnswer(-1, ENOTTY);
        return true;
    }
    }
}

void CUsbfsDevice::Submit(UMockdevIoctlClient* pClient, UMockdevIoctlData* pArg)
{
    auto* pRaw = reinterpret_cast<usbdevfs_urb*>(pArg->data);
    SUrb urb;
    urb.byEndpoint = pRaw->endpoint;
    urb.iLength = pRaw->buffer_length;
    urb.ulAddress = pArg->client_addr;
    GError* pError = nullptr;
    urb.pBuffer =
        umockdev_ioctl_data_resolve(pArg, offsetof(usbdevfs_urb, buffer), size_t(urb.iLength), &pError);
    if (!urb.pBuffer || pRaw->type != USBDEVFS_URB_TYPE_BULK) {
        if (pError)
            g_error_free(pError);
        std::lock_guard lock(m_mutex);
        m_vUnexpected.push_back("urb of type " + std::to_string(pRaw->type));
        umockdev_ioctl_client_complete(pClient, -1, EINVAL);
        return;
    }
    urb.pUrb = umockdev_ioctl_data_ref(pArg);
    std::lock_guard lock(m_mutex);
    if (m_bGone) {
        FreeUrb(urb);
        umockdev_ioctl_client_complete(pClient, -1, ENODEV);
        return;
    }
    if (urb.byEndpoint == 0x01) {
        m_sFromHost.append(reinterpret_cast<const char*>(urb.pBuffer->data), size_t(urb.iLength));
        urb.iActual = urb.iLength;
        m_dqDone.push_back(urb);
        m_cv.notify_all();
    } else if (urb.byEndpoint == 0x82) {
        m_dqPendingIn.push_back(urb);
        CompleteInUrbs();
        m_cv.notify_all();
    } else {
        m_vUnexpected.push_back("urb for endpoint " + std::to_string(urb.byEndpoint));
        FreeUrb(urb);
        umockdev_ioctl_client_complete(pClient, -1, EINVAL);
        return;
    }
    umockdev_ioctl_client_complete(pClient, 0, 0);
}

void CUsbfsDevice::CompleteInUrbs()
{
    // A device transfer goes out in packets; the host URB takes whole packets until it is
    // full or what the device had ends (a short packet).
    while (!m_dqPendingIn.empty() && m_iToHostPos < m_sToHost.size()) {
        SUrb urb = m_dqPendingIn.front();
        m_dqPendingIn.pop_front();
        const size_t iAvailable = m_sToHost.size() - m_iToHostPos;
        size_t iTake = std::min(iAvailable, size_t(urb.iLength));
        if (iTake < iAvailable)
            iTake -= iTake % kMaxPacket; // the URB ends full: only whole packets fit
        if (iTake == 0) {
            urb.iStatus = -EOVERFLOW; // shorter than one packet
        } else {
            umockdev_ioctl_data_update(urb.pBuffer, 0, (guint8*)m_sToHost.data() + m_iToHostPos, int(iTake));
            m_iToHostPos += iTake;
            urb.iActual = int32_t(iTake);
        }
        m_dqDone.push_back(urb);
    }
}

void CUsbfsDevice::Reap(UMockdevIoctlClient* pClient, UMockdevIoctlData* pArg)
{
    std::unique_lock lock(m_mutex);
    if (m_dqDone.empty()) {
        const int iErrno = m_bGone ? ENODEV : EAGAIN;
        lock.unlock();
        umockdev_ioctl_client_complete(pClient, -1, iErrno);
        return;
    }
    SUrb urb = m_dqDone.front();
    m_dqDone.pop_front();
    lock.unlock();
    umockdev_ioctl_data_update(urb.pUrb, offsetof(usbdevfs_urb, status), (guint8*)&urb.iStatus, sizeof(int));
    umockdev_ioctl_data_update(urb.pUrb, offsetof(usbdevfs_urb, actual_length), (guint8*)&urb.iActual,
                               sizeof(int));
    umockdev_ioctl_data_set_ptr(pArg, 0, urb.pUrb);
    umockdev_ioctl_client_complete(pClient, 0, 0);
    FreeUrb(urb);
}

void CUsbfsDevice::Discard(UMockdevIoctlClient* pClient, unsigned long ulAddress)
{
    std::unique_lock lock(m_mutex);
    auto it = std::find_if(m_dqPendingIn.begin(), m_dqPendingIn.end(),
                           [&](const SUrb& urb) { return urb.ulAddress == ulAddress; });
    if (it == m_dqPendingIn.end()) {
        lock.unlock();
        umockdev_ioctl_client_complete(pClient, -1, EINVAL); // already done
        return;
    }
    SUrb urb = *it;
    m_dqPendingIn.erase(it);
    urb.iStatus = -ENOENT;
    m_dqDone.push_back(urb);
    lock.unlock();
    umockdev_ioctl_client_complete(pClient, 0, 0);
}

void CUsbfsDevice::FreeUrb(SUrb& urb)
{
    if (urb.pBuffer)
        umockdev_ioctl_data_unref(urb.pBuffer);
    if (urb.pUrb)
        umockdev_ioctl_data_unref(urb.pUrb);
    urb.pBuffer = urb.pUrb = nullptr;
}

} // namespace kov::test
