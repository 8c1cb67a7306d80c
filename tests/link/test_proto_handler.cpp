#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <thread>

#include "LinkTestKit.h"
#include "link/MemoryTransport.h"

namespace kov::test {
namespace {

// Records every call and lets a test cut writes short.
class CProbeTransport final : public ITransport {
public:
    explicit CProbeTransport(ITransport* pInner) : m_pInner(pInner) {}
    STransferResult Read(void* pBuffer, int32_t iCount) override
    {
        vReadSizes.push_back(iCount);
        vReadBuffers.push_back(pBuffer);
        return m_pInner->Read(pBuffer, iCount);
    }
    STransferResult Write(const void* pBuffer, int32_t iCount) override
    {
        vWrites.emplace_back(static_cast<const char*>(pBuffer), size_t(iCount));
        if (iWriteLimit >= 0 && iCount > iWriteLimit)
            return m_pInner->Write(pBuffer, iWriteLimit);
        return m_pInner->Write(pBuffer, iCount);
    }
    void Close(bool bForce) override { m_pInner->Close(bForce); }

    std::vector<int32_t> vReadSizes;
    std::vector<void*> vReadBuffers;
    std::vector<std::string> vWrites;
    int32_t iWriteLimit = -1;

private:
    ITransport* m_pInner;
};

struct SLink {
    std::unique_ptr<CMemoryTransport> pHost, pDevice;
    SLink() { std::tie(pHost, pDevice) = CMemoryTransport::MakePair(); }
    void Send(const std::string& sBytes)
    {
        ASSERT_EQ(pDevice->Write(sBytes.data(), int32_t(sBytes.size())).iCount, int32_t(sBytes.size()));
    }
};

std::string ReadAll(ITransport& transport)
{
    std::string sAll;
    char aBuffer[65536];
    for (int32_t iRead; (iRead = transport.Read(aBuffer, sizeof aBuffer).iCount) > 0;)
        sAll.append(aBuffer, size_t(iRead));
    return sAll;
}

TEST(ProtoHandlerSend, FrameLayoutWriteCallsAndFailures)
{
    SLink link;
    CProbeTransport probe(link.pHost.get());
    CRecordingSink sink;
    auto* pHandler = new AutoDeleteThreadObjectImpl<CHostClientProtoHandler>(&probe, &sink);
    pHandler->AddRef();

    // Empty payload: the header alone, in one write.
    EXPECT_TRUE(pHandler->SendFrame(ReadParameters, 0, 0, nullptr));
    ASSERT_EQ(probe.vWrites.size(), 1u);
    EXPECT_EQ(probe.vWrites[0], Frame(71, 0));
    // An empty password is a bare header too.
    EXPECT_TRUE(pHandler->SendFrame(PasswordReply, 0, 0, ""));
    EXPECT_EQ(probe.vWrites.size(), 2u);
    // Header then payload, little-endian {id, param, length}.
    EXPECT_TRUE(pHandler->SendFrame(ProgramBlock, 3, 0x01020304, "abc"));
    ASSERT_EQ(probe.vWrites.size(), 4u);
    EXPECT_EQ(probe.vWrites[2], std::string("\x35\0\0\0\x04\x03\x02\x01\x03\0\0\0", 12));
    EXPECT_EQ(probe.vWrites[3], "abc");

    // A length without bytes is refused before anything is written.
    EXPECT_FALSE(pHandler->SendFrame(WriteParameters, 5, 0, nullptr));
    EXPECT_EQ(probe.vWrites.size(), 4u);
    // Short writes fail the send, header or payload.
    probe.iWriteLimit = 4;
    EXPECT_FALSE(pHandler->SendFrame(ReadParameters, 0, 0, nullptr));
    probe.iWriteLimit = 12;
    EXPECT_FALSE(pHandler->SendFrame(WriteParameters, 20, 0, "01234567890123456789"));
    pHandler->Release();
}

TEST(ProtoHandlerSend, ConcurrentSendersNeverInterleave)
{
    SLink link;
    CRecordingSink sink;
    auto* pHandler = new AutoDeleteThreadObjectImpl<CHostClientProtoHandler>(link.pHost.get(), &sink);
    pHandler->AddRef();
    constexpr int kFrames = 300;
    auto sender = [&](uint32_t dwId, char cFill) {
        const std::string sPayload(1000 + dwId, cFill);
        for (int i = 0; i < kFrames; ++i)
            EXPECT_TRUE(pHandler->SendFrame(dwId, uint32_t(sPayload.size()), uint32_t(i), sPayload.data()));
    };
    std::thread a(sender, 70, 'a'), b(sender, 79, 'b');
    a.join(), b.join();
    link.pHost->Close(true);

    const std::string sStream = ReadAll(*link.pDevice);
    size_t iPos = 0;
    int aSeen[2] = {};
    while (iPos + kFrameHeaderSize <= sStream.size()) {
        const auto header = SFrameHeader::Decode(reinterpret_cast<const uint8_t*>(sStream.data() + iPos));
        const char cFill = header.dwCommandId == 70 ? 'a' : 'b';
        ASSERT_EQ(header.dwPayloadLength, 1000 + header.dwCommandId);
        ASSERT_LE(iPos + kFrameHeaderSize + header.dwPayloadLength, sStream.size());
        ASSERT_EQ(sStream.compare(iPos + kFrameHeaderSize, header.dwPayloadLength,
                                  std::string(header.dwPayloadLength, cFill)),
                  0);
        const int iSender = cFill - 'a';
        EXPECT_EQ(header.dwParam, uint32_t(aSeen[iSender]++)); // each sender's frames in order
        iPos += kFrameHeaderSize + header.dwPayloadLength;
    }
    EXPECT_EQ(iPos, sStream.size());
    EXPECT_EQ(aSeen[0] + aSeen[1], 2 * kFrames);
    pHandler->Release();
}

TEST(ProtoHandlerReceive, DispatchesEveryKindOfFrame)
{
    SLink link;
    link.pHost->SetReadLimit(5); // pipes and bulk reads may deliver less than asked
    CRecordingSink sink;
    std::string sStream = Frame(59, 1) + Frame(50, 0x01020304) + Frame(80, 67) + Frame(5, 9, "0123456789") +
                          Frame(20, 3, "line") + Frame(32, 1, "status") +
                          Frame(68, 7, std::string("ab\0cd", 5)) + Frame(101, 0, std::string("\0x\0", 3)) +
                          Frame(58, 0) + Frame(72, 0, "<kov:X/>") + Frame(63, 99) + Frame(200, 4) +
                          Frame(54, 0xDEADBEEF) + Frame(95, 1234) + Frame(59, 0, "ignored payload");
    // Every id that is no reply, a request of the host's own included, is an unsupported
    // command named by its id; its payload is read past.
    std::vector<uint32_t> vOthers = {0xFFFFFFFF};
    for (uint32_t dwId = 0; dwId < kProtocolIdLimit; ++dwId)
        if (!ProtocolRow(dwId).IsReply())
            vOthers.push_back(dwId);
    for (uint32_t dwId : vOthers)
        sStream += Frame(dwId, 77, "xyz");
    link.Send(sStream);
    link.pDevice->Close(true);
    CHostClientProtoHandler* pHandler = StartHandler(link.pHost.get(), &sink);
    ASSERT_NE(pHandler, nullptr);
    pHandler->Release(); // the loop keeps the object alive by itself
    ASSERT_TRUE(sink.WaitClosed());

    using E = DeviceEvent;
    struct SWant {
        E eEvent;
        uint32_t wParam, lParam;
        std::string sText;
    };
    std::vector<SWant> vWant = {
        {E::WriteParametersResultEvent, 1, 0, ""},
        {E::SoftwareVersionEvent, 0, 0x01020304, ""},
        {E::UnsupportedCommandEvent, 67, 0, ""},
        {E::UnsupportedCommandEvent, 5, 0, ""},
        {E::DeviceTextEvent, 3, 0, "line"},
        {E::DeviceTextEvent, 1, 0, "status"},
        {E::CriticalLogEvent, 7, 0, "ab cd"},
        {E::DiagnosticsReportEvent, 0, 0, " x "},
        {E::ParametersDocumentEvent, 0, 0, ""},
        {E::ParametersDocumentEvent, 8, 0, "<kov:X/>"},
        {E::ProgramReadyEvent, 0, 0, ""},
        {E::UnsupportedCommandEvent, 200, 0, ""},
        {E::ProgramBlockAckEvent, 0, 0xDEADBEEF, ""},
        {E::WriteTestProgressEvent, 1234, 0, ""},
        {E::WriteParametersResultEvent, 0, 0, ""},
    };
    for (uint32_t dwId : vOthers)
        vWant.push_back({E::UnsupportedCommandEvent, dwId, 0, ""});
    vWant.push_back({E::DeviceTextEvent, 0, 0, "Device File Error: " + std::to_string(ENODEV)});
    vWant.push_back({E::LinkClosed, 0, 0, ""});

    auto& events = sink.Events();
    ASSERT_EQ(events.size(), vWant.size());
    for (size_t i = 0; i < vWant.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(events[i].eEvent, vWant[i].eEvent);
        EXPECT_EQ(events[i].wParam, vWant[i].wParam);
        EXPECT_EQ(events[i].lParam, vWant[i].lParam);
        EXPECT_EQ(events[i].Text(), vWant[i].sText);
        EXPECT_EQ(events[i].dwPayloadLength, vWant[i].sText.size());
    }
    EXPECT_FALSE(events[3].pPayload); // discarded payloads travel nowhere
    EXPECT_FALSE(events[8].pPayload); // an empty document has no buffer
}

TEST(ProtoHandlerReceive, LargePayloadReadInChunksIntoOneBuffer)
{
    SLink link;
    CProbeTransport probe(link.pHost.get());
    CRecordingSink sink;
    const uint32_t dwLength = 3 * 0x100000 + 10;
    std::string sPayload(dwLength, 'x');
    for (size_t i = 0; i < sPayload.size(); i += 4096)
        sPayload[i] = char('a' + i / 4096 % 26);
    link.Send(Frame(58, 0, sPayload));
    link.pDevice->Close(true);
    CHostClientProtoHandler* pHandler = StartHandler(&probe, &sink);
    ASSERT_NE(pHandler, nullptr);
    ASSERT_TRUE(sink.WaitClosed());
    pHandler->Release();
    // Then the next header read finds the device gone.
    const std::vector<int32_t> vWant = {12, 0x100000, 0x100000, 0x100000, 10, 12};
    EXPECT_EQ(probe.vReadSizes, vWant);
    ASSERT_EQ(sink.Events().size(), 3u);

    const SDeviceEventData& event = sink.Events()[0];
    EXPECT_EQ(event.eEvent, DeviceEvent::ParametersDocumentEvent);
    EXPECT_EQ(event.wParam, dwLength);
    ASSERT_EQ(event.dwPayloadLength, dwLength);
    EXPECT_EQ(event.pPayload[dwLength], '\0');
    EXPECT_EQ(std::string(event.pPayload.get(), dwLength), sPayload);
    // The event owns the very buffer the chunks were read into: no copy on the way.
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(probe.vReadBuffers[size_t(i)], event.pPayload.get() + (i - 1) * 0x100000);
}

TEST(ProtoHandlerReceive, FatalFramesPostTheirTextThenLinkClosed)
{
    struct SCase {
        std::string sBytes;
        std::string sText;
    };
    const std::string sNoDevice = std::to_string(ENODEV);
    const SCase aCases[] = {
        // Payloads an event would keep are refused beyond the cap, and where length + 1 wraps.
        {Header(58, 0, 0xFFFFFFFF) + "abc", "Impossible allocation size: 0xFFFFFFFF"},
        {Header(20, 0, CHostClientProtoHandler::kMaxPayloadLength + 1),
         "Impossible allocation size: 0x10000001"},
        {Frame(68, 0, "0123456789").substr(0, 17), "Device file error " + sNoDevice + " in command id 68"},
        {Header(7, 0, 5000) + "abc", "Device file error " + sNoDevice + " in command id 7"},
        {Frame(59, 1).substr(0, 7), "Device File Error: " + sNoDevice},
    };
    for (const SCase& c : aCases) {
        SCOPED_TRACE(c.sText);
        SLink link;
        CRecordingSink sink;
        // The device goes away after a cut frame; after a refused length it stays, and what
        // follows is never read.
        const bool bCut = c.sText.find("rror") != std::string::npos;
        link.Send(bCut ? c.sBytes : c.sBytes + Frame(59, 1));
        if (bCut)
            link.pDevice->Close(true);
        CHostClientProtoHandler* pHandler = StartHandler(link.pHost.get(), &sink);
        ASSERT_NE(pHandler, nullptr);
        ASSERT_TRUE(sink.WaitClosed());
        auto& events = sink.Events();
        ASSERT_EQ(events.size(), 2u);
        EXPECT_EQ(events[0].eEvent, DeviceEvent::DeviceTextEvent);
        EXPECT_EQ(events[0].wParam, 0u);
        EXPECT_EQ(events[0].Text(), c.sText);
        EXPECT_EQ(events[1].eEvent, DeviceEvent::LinkClosed);
        EXPECT_TRUE(link.pHost->IsClosed()); // the loop released the dead stream
        pHandler->Release();
    }
}

// A device stream of literal bytes and runs of filler that are counted but never stored, so
// a test can send payloads far larger than it could hold. Ends as an unplugged device does.
class CSyntheticStream final : public ITransport {
public:
    void AddBytes(const std::string& sBytes) { m_vParts.push_back({sBytes, 0}); }
    void AddFiller(uint64_t qwCount) { m_vParts.push_back({{}, qwCount}); }

    STransferResult Read(void* pBuffer, int32_t iCount) override
    {
        iLargestAsk = std::max(iLargestAsk, iCount);
        while (m_iPart < m_vParts.size() && Left() == 0) {
            ++m_iPart;
            m_qwDone = 0;
        }
        if (m_iPart == m_vParts.size())
            return STransferResult::Failed(ENODEV);
        const SPart& part = m_vParts[m_iPart];
        const auto iTake = int32_t(std::min<uint64_t>(Left(), uint64_t(iCount)));
        if (part.qwFiller == 0)
            std::memcpy(pBuffer, part.sBytes.data() + m_qwDone, size_t(iTake));
        else
            fillerBuffers.insert(pBuffer);
        m_qwDone += uint64_t(iTake);
        return STransferResult::Done(iTake);
    }
    STransferResult Write(const void*, int32_t iCount) override { return STransferResult::Done(iCount); }
    void Close(bool) override {}

    int32_t iLargestAsk = 0;
    std::set<void*> fillerBuffers; // where filler was read into

private:
    struct SPart {
        std::string sBytes;
        uint64_t qwFiller;
    };
    uint64_t Left() const
    {
        const SPart& part = m_vParts[m_iPart];
        return (part.qwFiller ? part.qwFiller : part.sBytes.size()) - m_qwDone;
    }
    std::vector<SPart> m_vParts;
    size_t m_iPart = 0;
    uint64_t m_qwDone = 0;
};

TEST(ProtoHandlerReceive, PayloadsNoEventKeepsAreReadPastWhateverTheirLength)
{
    // 4 GiB on an unknown id and more than the cap on a reply that takes no payload: both
    // are read past in bounded reads into one scratch buffer, and the stream goes on.
    CSyntheticStream stream;
    stream.AddBytes(Header(7, 0, 0xFFFFFFFF));
    stream.AddFiller(0xFFFFFFFF);
    stream.AddBytes(Header(59, 1, CHostClientProtoHandler::kMaxPayloadLength + 1));
    stream.AddFiller(CHostClientProtoHandler::kMaxPayloadLength + 1);
    stream.AddBytes(Frame(20, 2, "after"));
    CRecordingSink sink;
    CHostClientProtoHandler* pHandler = StartHandler(&stream, &sink);
    ASSERT_NE(pHandler, nullptr);
    ASSERT_TRUE(sink.WaitClosed(std::chrono::seconds(120)));
    pHandler->Release();

    auto& events = sink.Events();
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].eEvent, DeviceEvent::UnsupportedCommandEvent);
    EXPECT_EQ(events[0].wParam, 7u);
    EXPECT_EQ(events[1].eEvent, DeviceEvent::WriteParametersResultEvent);
    EXPECT_EQ(events[1].wParam, 1u);
    EXPECT_FALSE(events[1].pPayload);
    EXPECT_EQ(events[2].eEvent, DeviceEvent::DeviceTextEvent);
    EXPECT_STREQ(events[2].Text(), "after");
    EXPECT_EQ(events[3].Text(), "Device File Error: " + std::to_string(ENODEV));
    EXPECT_EQ(events[4].eEvent, DeviceEvent::LinkClosed);
    EXPECT_LE(stream.iLargestAsk, int32_t(CHostClientProtoHandler::kReadChunk));
    EXPECT_EQ(stream.fillerBuffers.size(), 1u);
}

} // namespace
} // namespace kov::test
