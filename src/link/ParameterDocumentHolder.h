#pragma once
// The device link as the rest of the program sees it: owns the transport, the connection's
// protocol handler, the loaded parameter document and the change document the pages store
// into. Lives on the interface thread; the receive thread reaches the program only through
// the event sink.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document/ValueTree.h"
#include "link/DeviceEvent.h"
#include "link/ProtoHandler.h"
#include "link/Protocol.h"
#include "link/UsbTransport.h"
#include "platform/FileSystem.h"
#include "support/Threads.h"

namespace kov {

// A transport that can also find and open a device: what the presence poll and Connect need.
class IDeviceTransport : public ITransport {
public:
    // Present device interfaces; -1 when they cannot be counted.
    virtual int32_t CountDevices() const = 0;
    // Opens the first device interface that opens.
    virtual bool Open() = 0;
    // Whether the last Open failed on a device this user is not allowed to open.
    virtual bool OpenDeniedAccess() const { return false; }
    // Calls fnChanged from another thread whenever devices may have come or gone, so that the
    // presence poll can look at once; false when no such reports are available here.
    virtual bool WatchDeviceChanges(std::function<void()> fnChanged)
    {
        (void)fnChanged;
        return false;
    }
    // Lines for the operator about devices refused as untrusted since the last call.
    virtual std::vector<std::string> TakeNotices() { return {}; }
};

// The USB transport (pipe way and USB way) behind IDeviceTransport.
class CUsbDeviceTransport final : public IDeviceTransport {
public:
    CUsbDeviceTransport() = default;
    // sDeviceName not empty: that device only (see UsbTransport).
    explicit CUsbDeviceTransport(std::string sDeviceRoot, std::string sDeviceName = {})
        : m_usb(std::move(sDeviceRoot), std::move(sDeviceName))
    {}

    int32_t CountDevices() const override { return m_usb.CountDevices(); }
    bool Open() override { return m_usb.Open(); }
    bool OpenDeniedAccess() const override { return m_usb.OpenDeniedAccess(); }
    bool WatchDeviceChanges(std::function<void()> fnChanged) override
    {
        return m_usb.WatchDeviceChanges(std::move(fnChanged));
    }
    STransferResult Read(void* pBuffer, int32_t iCount) override { return m_usb.Read(pBuffer, iCount); }
    STransferResult Write(const void* pBuffer, int32_t iCount) override
    {
        return m_usb.Write(pBuffer, iCount);
    }
    void Close(bool bForce) override { m_usb.Close(bForce); }
    std::vector<std::string> TakeNotices() override { return m_usb.TakeNotices(); }
    UsbTransport& Usb() { return m_usb; }

private:
    UsbTransport m_usb;
};

enum class EDocumentState : int32_t {
    None = 0,
    Device = 1,
    File = 2,
};

inline constexpr char16_t kChangeDocumentRoot[] = u"kov:DeviceProgramParameters";

class ParameterDocumentHolder {
public:
    enum EConnectResult : int32_t {
        kConnected = 0,
        kAlreadyConnected = 1,
        kOpenFailed = 2,
    };

    // The USB transport over the default device root.
    ParameterDocumentHolder();
    explicit ParameterDocumentHolder(std::unique_ptr<IDeviceTransport> pTransport);
    // Ends the connection and waits for its receive thread, so nothing is posted afterwards.
    ~ParameterDocumentHolder();
    ParameterDocumentHolder(const ParameterDocumentHolder&) = delete;
    ParameterDocumentHolder& operator=(const ParameterDocumentHolder&) = delete;

    // Handed to every new handler; must outlive the holder.
    void SetEventSink(IDeviceEventSink* pSink) { m_pSink = pSink; }

    int32_t Connect();
    void Disconnect(bool bForce);
    bool IsConnected() const { return static_cast<bool>(m_handler); }
    // Also posts the transport's notices to the event sink as error lines (DeviceTextEvent,
    // wParam 0), so that the operator learns why a device is not used.
    int32_t CountDevices() const;

    bool RequestParameters();
    // Sends the change document as WriteParametersCompressed (or WriteParameters when
    // compression is off). False when not connected or when serialising, compressing or
    // sending fails (a short write included).
    bool WriteToDevice();
    // Any request frame; false when not connected or the send failed.
    bool SendCommand(uint32_t dwCommandId, uint32_t dwParam = 0, std::string_view sPayload = {});

    bool OpenFile(const std::u16string& wszPath);
    bool SaveFile(const std::u16string& wszPath) const;
    // What SaveFile writes through; the system's file system by default.
    void SetFileSystem(IFileSystem& rFileSystem) { m_pFileSystem = &rFileSystem; }

    // The root a page reads from (bStore false: the loaded document) or stores into (the
    // change document while the document came from the device, else the loaded document).
    NodeRef Document(bool bStore) const;

    EDocumentState State() const { return m_eState; }
    void SetState(EDocumentState eState) { m_eState = eState; }

    TreeRef& LoadedDocument() { return m_loaded; }
    const TreeRef& LoadedDocument() const { return m_loaded; }
    TreeRef& ChangeDocument() { return m_change; }
    const TreeRef& ChangeDocument() const { return m_change; }
    bool Compress() const { return m_bCompress; }
    IDeviceTransport& Transport() { return *m_pTransport; }

    // Compresses with zlib at level 1 in one pass into a buffer of the text's length + 100
    // bytes. False when compression fails or the output does not fit.
    static bool CompressDocumentText(const std::string& sText, std::string& sCompressed);

private:
    void PostTransportNotices() const;

    std::unique_ptr<IDeviceTransport> m_pTransport;
    IFileSystem* m_pFileSystem = &SystemFileSystem();
    IDeviceEventSink* m_pSink = nullptr;
    StickyRef<CHostClientProtoHandler> m_handler;
    TreeRef m_loaded;
    TreeRef m_change;
    const bool m_bCompress = true;
    EDocumentState m_eState = EDocumentState::None;
};

} // namespace kov
