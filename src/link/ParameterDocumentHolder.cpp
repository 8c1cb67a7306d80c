#include "link/ParameterDocumentHolder.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

#include "support/ScopeFrame.h"

namespace kov {

ParameterDocumentHolder::ParameterDocumentHolder()
    : ParameterDocumentHolder(std::make_unique<CUsbDeviceTransport>())
{}

ParameterDocumentHolder::ParameterDocumentHolder(std::unique_ptr<IDeviceTransport> pTransport)
    : m_pTransport(pTransport ? std::move(pTransport) : std::make_unique<CUsbDeviceTransport>())
{
    m_change.CreateRoot(kChangeDocumentRoot, kKovNamespaceUri);
}

ParameterDocumentHolder::~ParameterDocumentHolder()
{
    Disconnect(true);
}

int32_t ParameterDocumentHolder::Connect()
{
    ScopeFrame scope("DCC::Con");
    if (m_handler)
        return kAlreadyConnected;
    const bool bOpened = m_pTransport->Open();
    PostTransportNotices();
    if (!bOpened)
        return kOpenFailed;
    StickyRef<CHostClientProtoHandler> handler(
        new AutoDeleteThreadObjectImpl<CHostClientProtoHandler>(m_pTransport.get(), m_pSink));
    if (!handler->StartReceiving()) {
        m_pTransport->Close(true);
        return kOpenFailed;
    }
    m_handler = std::move(handler);
    return kConnected;
}

int32_t ParameterDocumentHolder::CountDevices() const
{
    const int32_t iCount = m_pTransport->CountDevices();
    PostTransportNotices();
    return iCount;
}

void ParameterDocumentHolder::PostTransportNotices() const
{
    for (const std::string& sLine : m_pTransport->TakeNotices()) {
        if (!m_pSink)
            continue;
        SDeviceEventData event;
        event.eEvent = DeviceEvent::DeviceTextEvent;
        event.dwPayloadLength = uint32_t(sLine.size());
        event.pPayload = std::make_unique<char[]>(sLine.size() + 1);
        std::copy(sLine.begin(), sLine.end(), event.pPayload.get()); // the buffer came zeroed
        m_pSink->PostDeviceEvent(std::move(event));
    }
}

void ParameterDocumentHolder::Disconnect(bool bForce)
{
    if (m_handler) {
        // Closing cancels the blocked read; waiting for the loop (while still holding our
        // reference) guarantees it no longer uses the transport, which the next connection
        // reopens, nor the sink.
        m_pTransport->Close(bForce);
        m_handler->Join();
        m_handler.reset();
    }
    m_pTransport->Close(bForce);
}

bool ParameterDocumentHolder::SendCommand(uint32_t dwCommandId, uint32_t dwParam, std::string_view sPayload)
{
    if (!m_handler || sPayload.size() > size_t(INT32_MAX))
        return false;
    return m_handler->SendFrame(dwCommandId, uint32_t(sPayload.size()), dwParam,
                                sPayload.empty() ? nullptr : sPayload.data());
}

bool ParameterDocumentHolder::RequestParameters()
{
    return SendCommand(ReadParameters);
}

bool ParameterDocumentHolder::CompressDocumentText(const std::string& sText, std::string& sCompressed)
{
    if (sText.size() > size_t(INT32_MAX) - 100)
        return false;
    std::string sOut(sText.size() + 100, '\0');
    uLongf dwOutLength = uLongf(sOut.size());
    if (compress2(reinterpret_cast<Bytef*>(sOut.data()), &dwOutLength,
                  reinterpret_cast<const Bytef*>(sText.data()), uLong(sText.size()), 1) != Z_OK)
        return false;
    sOut.resize(dwOutLength);
    sCompressed = std::move(sOut);
    return true;
}

bool ParameterDocumentHolder::WriteToDevice()
{
    if (!m_handler)
        return false;
    std::string sText;
    if (!m_change.ToUtf8(sText))
        return false;
    if (!m_bCompress)
        return SendCommand(WriteParameters, 0, sText);
    std::string sCompressed;
    if (!CompressDocumentText(sText, sCompressed))
        return false;
    return SendCommand(WriteParametersCompressed, 0, sCompressed);
}

bool ParameterDocumentHolder::OpenFile(const std::u16string& wszPath)
{
    if (!m_loaded.LoadFromFile(wszPath))
        return false;
    if (m_eState == EDocumentState::None)
        m_eState = EDocumentState::File;
    return true;
}

bool ParameterDocumentHolder::SaveFile(const std::u16string& wszPath) const
{
    return m_loaded.SaveToFile(wszPath, *m_pFileSystem);
}

NodeRef ParameterDocumentHolder::Document(bool bStore) const
{
    if (bStore && m_eState == EDocumentState::Device)
        return m_change.Root();
    return m_loaded.Root();
}

} // namespace kov
