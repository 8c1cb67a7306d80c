#pragma once
// A device slot for tests of the device link: a settable device count, and on each Open a fresh
// in-memory link whose device end the test reads and closes.
#include <cerrno>
#include <memory>
#include <string>

#include "link/MemoryTransport.h"
#include "link/ParameterDocumentHolder.h"

namespace kov::test {

class CFakeSlot final : public IDeviceTransport {
public:
    int32_t CountDevices() const override { return m_iCount; }
    bool OpenDeniedAccess() const override { return !m_bOpenWorks && m_bDenied; }
    bool Open() override
    {
        ++m_nOpens;
        if (!m_bOpenWorks)
            return false;
        std::tie(m_pHost, m_pDevice) = CMemoryTransport::MakePair();
        return true;
    }
    STransferResult Read(void* p, int32_t n) override
    {
        return m_pHost ? m_pHost->Read(p, n) : STransferResult::Failed(ECANCELED);
    }
    // m_iWriteLimit plays a pipe that takes only part of a large write.
    STransferResult Write(const void* p, int32_t n) override
    {
        return m_pHost ? m_pHost->Write(p, m_iWriteLimit >= 0 ? std::min(n, m_iWriteLimit) : n)
                       : STransferResult::Failed(ECANCELED);
    }
    void Close(bool bForce) override
    {
        if (m_pHost)
            m_pHost->Close(bForce);
    }
    // The next frame the host sent, its payload in m_sPayload; command 0 once the link is down.
    SFrameHeader NextFrame()
    {
        uint8_t a[kFrameHeaderSize];
        if (!ReadExact(a, kFrameHeaderSize))
            return {};
        SFrameHeader header = SFrameHeader::Decode(a);
        m_sPayload.assign(header.dwPayloadLength, '\0');
        return ReadExact(m_sPayload.data(), header.dwPayloadLength) ? header : SFrameHeader{};
    }

    int32_t m_iCount = 0;
    bool m_bOpenWorks = true;
    bool m_bDenied = false; // a failing Open fails for lack of permission
    int32_t m_iWriteLimit = -1;
    int m_nOpens = 0;
    std::string m_sPayload;
    std::unique_ptr<CMemoryTransport> m_pHost;
    std::unique_ptr<CMemoryTransport> m_pDevice;

private:
    bool ReadExact(void* p, uint32_t dwCount)
    {
        for (auto* pBytes = static_cast<char*>(p); dwCount > 0;) {
            const int32_t iGot = m_pDevice->Read(pBytes, int32_t(dwCount)).iCount;
            if (iGot <= 0)
                return false;
            pBytes += iGot;
            dwCount -= uint32_t(iGot);
        }
        return true;
    }
};

} // namespace kov::test
