#pragma once
// kovctl run as a separate process against a simulated device in a private device root.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "common/PluggedSim.h"
#include "common/TestDir.h"
#include "link/Protocol.h"
#include "platform/PipeDevice.h"

namespace kov::test {

// For hand-made devices: the host's next request (its payload read and dropped), and a reply.
inline std::optional<SFrameHeader> NextRequest(CPipeDeviceSide& side)
{
    uint8_t aHeader[kFrameHeaderSize];
    if (side.Read(aHeader, kFrameHeaderSize).iCount != int32_t(kFrameHeaderSize))
        return std::nullopt;
    const SFrameHeader h = SFrameHeader::Decode(aHeader);
    std::string sPayload(h.dwPayloadLength, '\0');
    if (h.dwPayloadLength > 0 && side.Read(sPayload.data(), int32_t(sPayload.size())).iCount <= 0)
        return std::nullopt;
    return h;
}
inline void SendReply(CPipeDeviceSide& side, DeviceReply eId, const std::string& sPayload = "")
{
    const auto aHeader = SFrameHeader{uint32_t(eId), 0, uint32_t(sPayload.size())}.Encode();
    side.Write(aHeader.data(), int32_t(aHeader.size()));
    if (!sPayload.empty())
        side.Write(sPayload.data(), int32_t(sPayload.size()));
}

class CKovctlTest : public ::testing::Test {
protected:
    void Plug(SSimDeviceOptions options = {})
    {
        options.sSaveImagePath = File("image.bin");
        m_pSim.reset(); // a device plugged before goes first: the new one takes its name
        m_pSim = std::make_unique<CPluggedSim>(m_sRoot, "sim", std::move(options), 200);
    }
    void Unplug()
    {
        if (m_pSim)
            m_pSim->Unplug();
    }
    int CountLog(std::string_view szPart) const { return m_pSim ? m_pSim->CountLog(szPart) : 0; }
    // kovctl's exit code, with no terminal at its input; its output lands in Out() and Err()
    // (or, for runs at the same time, Out(sTag) and Err(sTag)). Returns once the device has
    // finished the session too.
    int Run(const std::string& sArgs, const std::string& sPrefix = "", const std::string& sTag = "")
    {
        const std::string sCommand = sPrefix + "'" KOVCTL_PATH "' --device-root '" + m_sRoot + "' " + sArgs +
                                     " </dev/null >'" + File(sTag + "out") + "' 2>'" + File(sTag + "err") +
                                     "'";
        const int iStatus = std::system(sCommand.c_str());
        if (m_pSim)
            m_pSim->WaitSessionsEnded();
        return WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1;
    }
    std::string Read(const std::string& sName) const { return ReadFileBytes(m_dir / sName); }
    std::string Out(const std::string& sTag = "") const { return Read(sTag + "out"); }
    std::string Err(const std::string& sTag = "") const { return Read(sTag + "err"); }
    std::string File(const std::string& sName) const { return (m_dir / sName).string(); }

    CTestDir m_dir;
    std::string m_sRoot = (m_dir / "devices").string();
    std::unique_ptr<CPluggedSim> m_pSim;
};

} // namespace kov::test
