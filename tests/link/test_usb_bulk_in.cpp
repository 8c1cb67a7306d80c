// Buffered bulk IN reads under the receive loop, against an in-memory endpoint that behaves as
// USB does: a device transfer goes out as packets of the endpoint's size ending in a short (or
// zero-length) packet, a host transfer ends when it is full or at a short packet, and a packet
// larger than the room left in the host transfer is an overflow that loses it.
#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "LinkTestKit.h"
#include "platform/UsbBulkIn.h"

namespace kov::test {
namespace {

class CPacketEndpoint {
public:
    explicit CPacketEndpoint(int32_t iMaxPacket) : m_iMaxPacket(iMaxPacket) {}

    // One transfer of the device.
    void DeviceSends(const std::string& sBytes)
    {
        size_t i = 0;
        for (; sBytes.size() - i >= size_t(m_iMaxPacket); i += size_t(m_iMaxPacket))
            m_dqPackets.push_back(sBytes.substr(i, size_t(m_iMaxPacket)));
        m_dqPackets.push_back(sBytes.substr(i)); // short, or zero-length after full packets
    }

    // One host transfer. With no packet left the device has gone.
    STransferResult Transfer(uint8_t* pBuffer, int32_t iLength)
    {
        int32_t iDone = 0;
        while (iDone < iLength) {
            if (m_dqPackets.empty())
                return STransferResult::Failed(ENODEV);
            const std::string sPacket = std::move(m_dqPackets.front());
            m_dqPackets.pop_front();
            if (int32_t(sPacket.size()) > iLength - iDone)
                return STransferResult::Failed(EOVERFLOW);
            sPacket.copy(reinterpret_cast<char*>(pBuffer) + iDone, sPacket.size());
            iDone += int32_t(sPacket.size());
            if (int32_t(sPacket.size()) < m_iMaxPacket)
                break;
        }
        return STransferResult::Done(iDone);
    }

private:
    const int32_t m_iMaxPacket;
    std::deque<std::string> m_dqPackets;
};

// The endpoint read through the buffer (bBuffered) or one transfer per read, as before.
class CEndpointTransport final : public ITransport {
public:
    CEndpointTransport(CPacketEndpoint& endpoint, int32_t iMaxPacket, bool bBuffered)
        : m_endpoint(endpoint), m_buffer(BulkInTransferSize(iMaxPacket)), m_bBuffered(bBuffered)
    {}
    STransferResult Read(void* pBuffer, int32_t iCount) override
    {
        if (!m_bBuffered)
            return m_endpoint.Transfer(static_cast<uint8_t*>(pBuffer), iCount);
        return m_buffer.Read(pBuffer, iCount, [this](uint8_t* pData, int32_t iLength) {
            return m_endpoint.Transfer(pData, iLength);
        });
    }
    STransferResult Write(const void*, int32_t iCount) override { return STransferResult::Done(iCount); }
    void Close(bool) override {}

private:
    CPacketEndpoint& m_endpoint;
    CBulkInBuffer m_buffer;
    bool m_bBuffered;
};

struct SFrameCase {
    uint32_t dwId;
    std::string sPayload;
};

std::string Stream(const std::vector<SFrameCase>& vFrames)
{
    std::string s;
    for (const SFrameCase& frame : vFrames)
        s += Frame(frame.dwId, 7, frame.sPayload);
    return s;
}

// Runs the receive loop over the device transfers; the events it posted.
std::vector<SDeviceEventData> Receive(int32_t iMaxPacket, const std::vector<std::string>& vTransfers,
                                      bool bBuffered = true)
{
    CPacketEndpoint endpoint(iMaxPacket);
    for (const std::string& sTransfer : vTransfers)
        endpoint.DeviceSends(sTransfer);
    CEndpointTransport transport(endpoint, iMaxPacket, bBuffered);
    CRecordingSink sink;
    CHostClientProtoHandler* pHandler = StartHandler(&transport, &sink);
    EXPECT_NE(pHandler, nullptr);
    EXPECT_TRUE(sink.WaitClosed());
    pHandler->Join();
    pHandler->Release();
    return std::move(sink.Events());
}

// Every frame arrived whole and in order, then the unplug ended the loop.
void ExpectFrames(const std::vector<SDeviceEventData>& vEvents, const std::vector<SFrameCase>& vFrames,
                  const std::string& sWhat)
{
    ASSERT_EQ(vEvents.size(), vFrames.size() + 2) << sWhat;
    for (size_t i = 0; i < vFrames.size(); ++i) {
        EXPECT_EQ(vEvents[i].eEvent, ReplyRow(DeviceReply(vFrames[i].dwId)).eEvent)
            << sWhat << " frame " << i;
        EXPECT_EQ(std::string(vEvents[i].Text(), vEvents[i].dwPayloadLength), vFrames[i].sPayload)
            << sWhat << " frame " << i;
    }
    EXPECT_STREQ(vEvents[vFrames.size()].Text(), ("Device File Error: " + std::to_string(ENODEV)).c_str())
        << sWhat;
    EXPECT_EQ(vEvents.back().eEvent, DeviceEvent::LinkClosed) << sWhat;
}

std::string Bytes(size_t iCount, char chFirst)
{
    std::string s(iCount, '\0');
    for (size_t i = 0; i < iCount; ++i)
        s[i] = char(chFirst + i % 23);
    return s;
}

TEST(UsbBulkIn, TransferSizeIsWholePacketsOfAtLeast16KiB)
{
    EXPECT_EQ(BulkInTransferSize(512), 16384);
    EXPECT_EQ(BulkInTransferSize(1024), 16384);
    EXPECT_EQ(BulkInTransferSize(1000), 17000);
    EXPECT_EQ(BulkInTransferSize(0), 16384);
    EXPECT_EQ(BulkInTransferSize(-5), 16384);
}

TEST(UsbBulkIn, FramesSplitAndMergedEveryWayArriveWhole)
{
    for (const int32_t iMaxPacket : {64, 512, 1024}) {
        const int32_t iTransfer = BulkInTransferSize(iMaxPacket);
        const std::vector<SFrameCase> vFrames = {
            {20, "a"},
            {50, ""},
            {58, Bytes(size_t(iMaxPacket - 12), 'p')}, // header and payload fill one packet exactly
            {32, Bytes(size_t(iMaxPacket), 'q')},
            {58, Bytes(size_t(iMaxPacket + 1), 'r')},
            {68, Bytes(size_t(iTransfer - 12), 's')}, // one host transfer exactly
            {101, Bytes(size_t(iTransfer * 2 + 5), 't')},
            {59, ""},
            {20, Bytes(300, 'u')},
        };
        const std::string sName = "packet size " + std::to_string(iMaxPacket);
        const std::string sStream = Stream(vFrames);

        std::vector<std::string> vPerFrame, vHeaderThenPayload;
        for (const SFrameCase& frame : vFrames) {
            vPerFrame.push_back(Frame(frame.dwId, 7, frame.sPayload));
            vHeaderThenPayload.push_back(Header(frame.dwId, 7, uint32_t(frame.sPayload.size())));
            if (!frame.sPayload.empty())
                vHeaderThenPayload.push_back(frame.sPayload);
        }
        ExpectFrames(Receive(iMaxPacket, vPerFrame), vFrames, sName + ", a transfer per frame");
        ExpectFrames(Receive(iMaxPacket, vHeaderThenPayload), vFrames, sName + ", header then payload");
        ExpectFrames(Receive(iMaxPacket, {sStream}), vFrames, sName + ", all in one transfer");

        std::mt19937 random{uint32_t(iMaxPacket)};
        for (int iRound = 0; iRound < 4; ++iRound) {
            std::vector<std::string> vCuts;
            for (size_t i = 0; i < sStream.size();) {
                const size_t iLength =
                    std::uniform_int_distribution<size_t>(1, size_t(iMaxPacket) * 3)(random);
                vCuts.push_back(sStream.substr(i, iLength));
                i += iLength;
            }
            ExpectFrames(Receive(iMaxPacket, vCuts), vFrames,
                         sName + ", random cuts " + std::to_string(iRound));
        }
    }
}

TEST(UsbBulkIn, EveryCutOfSmallFramesAcrossPacketEdges)
{
    const std::vector<SFrameCase> vFrames = {{20, Bytes(40, 'a')}, {50, ""}, {20, Bytes(77, 'b')}, {59, ""}};
    const std::string sStream = Stream(vFrames);
    for (size_t iCut = 1; iCut < sStream.size(); ++iCut)
        ExpectFrames(Receive(64, {sStream.substr(0, iCut), sStream.substr(iCut)}), vFrames,
                     "cut at " + std::to_string(iCut));
}

TEST(UsbBulkIn, OneReadPerTransferOverflows)
{
    // Reading a 12-byte header as one transfer of its own loses a packet that holds more:
    // what the buffered reads exist for.
    const auto vEvents = Receive(512, {Frame(20, 2, "line")}, false);
    ASSERT_EQ(vEvents.size(), 2u);
    EXPECT_EQ(vEvents[0].Text(), "Device File Error: " + std::to_string(EOVERFLOW));
}

} // namespace
} // namespace kov::test
