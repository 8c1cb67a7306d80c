#pragma once
// Shared helpers of the link tests: an event sink that records, and a frame writer.
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "link/DeviceEvent.h"
#include "link/ProtoHandler.h"
#include "link/Protocol.h"

namespace kov::test {

class CRecordingSink final : public IDeviceEventSink {
public:
    void PostDeviceEvent(SDeviceEventData event) override
    {
        std::lock_guard lock(m_lock);
        m_events.push_back(std::move(event));
        m_changed.notify_all();
    }
    // Waits (bounded, as a hang detector) until LinkClosed has arrived.
    bool WaitClosed(std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, timeout, [this] {
            return !m_events.empty() && m_events.back().eEvent == DeviceEvent::LinkClosed;
        });
    }
    bool WaitCount(size_t iCount, std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, timeout, [&] { return m_events.size() >= iCount; });
    }
    // The next event of the kind after those already taken (bounded, as a hang detector).
    bool Take(DeviceEvent eEvent, SDeviceEventData& out,
              std::chrono::milliseconds timeout = std::chrono::seconds(20))
    {
        std::unique_lock lock(m_lock);
        const bool bCame = m_changed.wait_for(lock, timeout, [&] {
            for (; m_nTaken < m_events.size(); ++m_nTaken)
                if (m_events[m_nTaken].eEvent == eEvent)
                    return true;
            return false;
        });
        if (bCame)
            out = std::move(m_events[m_nTaken++]);
        return bCame;
    }
    // The device's text lines so far.
    std::vector<std::string> Texts()
    {
        std::lock_guard lock(m_lock);
        std::vector<std::string> v;
        for (const auto& event : m_events)
            if (event.eEvent == DeviceEvent::DeviceTextEvent && event.wParam == 0)
                v.push_back(event.Text());
        return v;
    }
    std::vector<SDeviceEventData>& Events() { return m_events; }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<SDeviceEventData> m_events;
    size_t m_nTaken = 0;
};

// A frame header alone; its payload length need not match what follows.
inline std::string Header(uint32_t dwId, uint32_t dwParam, uint32_t dwPayloadLength)
{
    const auto aHeader = SFrameHeader{dwId, dwParam, dwPayloadLength}.Encode();
    return std::string(reinterpret_cast<const char*>(aHeader.data()), aHeader.size());
}

inline std::string Frame(uint32_t dwId, uint32_t dwParam, const std::string& sPayload = {})
{
    return Header(dwId, dwParam, uint32_t(sPayload.size())) + sPayload;
}

inline CHostClientProtoHandler* StartHandler(ITransport* pTransport, IDeviceEventSink* pSink)
{
    auto* pHandler = new AutoDeleteThreadObjectImpl<CHostClientProtoHandler>(pTransport, pSink);
    pHandler->AddRef();
    if (!pHandler->StartReceiving()) {
        pHandler->Release();
        return nullptr;
    }
    return pHandler;
}

} // namespace kov::test
