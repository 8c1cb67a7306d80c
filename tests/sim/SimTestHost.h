#pragma once
// A bare protocol host for driving a simulated device in tests.
#include "link/Protocol.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace kov::test {

struct SFrame {
    uint32_t dwId = 0;
    uint32_t dwParam = 0;
    std::string sPayload;
};

class CTestHost {
public:
    explicit CTestHost(ITransport& transport) : m_transport(transport) {}

    bool Send(uint32_t dwId, uint32_t dwParam = 0, std::string_view sPayload = {})
    {
        auto header = SFrameHeader{dwId, dwParam, uint32_t(sPayload.size())}.Encode();
        if (m_transport.Write(header.data(), int32_t(header.size())).iCount != int32_t(header.size()))
            return false;
        return sPayload.empty() || m_transport.Write(sPayload.data(), int32_t(sPayload.size())).iCount ==
                                       int32_t(sPayload.size());
    }

    // The next whole frame; nullopt once the link is down.
    std::optional<SFrame> Receive()
    {
        uint8_t header[kFrameHeaderSize];
        if (!ReadExact(header, kFrameHeaderSize))
            return std::nullopt;
        SFrameHeader h = SFrameHeader::Decode(header);
        SFrame frame{h.dwCommandId, h.dwParam, std::string(h.dwPayloadLength, '\0')};
        if (!ReadExact(frame.sPayload.data(), h.dwPayloadLength))
            return std::nullopt;
        return frame;
    }
    // Sends a request and returns the next frame (id 0 once the link is down).
    SFrame Ask(uint32_t dwId, uint32_t dwParam = 0, std::string_view sPayload = {})
    {
        Send(dwId, dwParam, sPayload);
        return Receive().value_or(SFrame{});
    }
    // Sends an id the device does not know and skips everything up to its refusal, so all
    // the device did for earlier frames has arrived.
    void Sync(uint32_t dwMarker = 8)
    {
        Send(dwMarker);
        while (auto o = Receive())
            if (o->dwId == uint32_t(DeviceReply::UnsupportedCommand) && o->dwParam == dwMarker)
                break;
    }

private:
    bool ReadExact(void* p, uint32_t dwCount)
    {
        auto* pBytes = static_cast<uint8_t*>(p);
        while (dwCount > 0) {
            int32_t iGot = m_transport.Read(pBytes, int32_t(dwCount)).iCount;
            if (iGot <= 0)
                return false;
            pBytes += iGot;
            dwCount -= uint32_t(iGot);
        }
        return true;
    }
    ITransport& m_transport;
};

// Runs fnOnHang if still alive after the limit: a stuck test fails instead of hanging.
class CHangGuard {
public:
    explicit CHangGuard(std::function<void()> fnOnHang, std::chrono::seconds limit = std::chrono::seconds(60))
        : m_thread([this, fnOnHang, limit] {
              std::unique_lock lock(m_mutex);
              if (!m_cv.wait_for(lock, limit, [this] { return m_bDone; }))
                  fnOnHang();
          })
    {}
    ~CHangGuard()
    {
        {
            std::lock_guard lock(m_mutex);
            m_bDone = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_bDone = false;
    std::thread m_thread;
};

} // namespace kov::test
