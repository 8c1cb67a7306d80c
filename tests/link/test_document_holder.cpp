#include "link/ParameterDocumentHolder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <random>

#include "FakeDeviceSlot.h"
#include "LinkTestKit.h"

namespace kov::test {
namespace {

std::string Inflate(const std::string& sCompressed, size_t iLength)
{
    std::string sOut(iLength, '\0');
    uLongf dwLength = uLongf(iLength);
    if (uncompress(reinterpret_cast<Bytef*>(sOut.data()), &dwLength,
                   reinterpret_cast<const Bytef*>(sCompressed.data()), uLong(sCompressed.size())) != Z_OK)
        return "<does not inflate>";
    sOut.resize(dwLength);
    return sOut;
}

TEST(DocumentHolder, ConnectsSendsAndSurvivesTheDeviceLeaving)
{
    auto pOwned = std::make_unique<CFakeSlot>();
    CFakeSlot& slot = *pOwned;
    CRecordingSink sink;
    ParameterDocumentHolder holder(std::move(pOwned));
    holder.SetEventSink(&sink);
    EXPECT_FALSE(holder.RequestParameters());
    EXPECT_FALSE(holder.WriteToDevice());

    slot.m_bOpenWorks = false;
    EXPECT_EQ(holder.Connect(), 2);
    slot.m_bOpenWorks = true;
    EXPECT_EQ(holder.Connect(), 0);
    EXPECT_EQ(holder.Connect(), 1);
    ASSERT_TRUE(holder.RequestParameters());
    SFrameHeader header = slot.NextFrame();
    EXPECT_EQ(header.dwCommandId, uint32_t(ReadParameters));
    EXPECT_EQ(header.dwPayloadLength, 0u);

    // The change document goes out compressed and inflates to its UTF-8 text.
    holder.ChangeDocument()
        .Root()
        .AddChild(u"kov:CaptureDeviceStatus")
        .AddChild(u"kov:Name")
        .SetText(u"Caf\u00e9");
    std::string sExpected;
    ASSERT_TRUE(holder.ChangeDocument().ToUtf8(sExpected));
    ASSERT_TRUE(holder.WriteToDevice());
    EXPECT_EQ(slot.NextFrame().dwCommandId, uint32_t(WriteParametersCompressed));
    EXPECT_EQ(Inflate(slot.m_sPayload, sExpected.size() + 16), sExpected);
    // A short write is a failed write, never a saved document.
    slot.m_iWriteLimit = 12;
    EXPECT_FALSE(holder.WriteToDevice());
    slot.m_iWriteLimit = -1;

    // The device goes away; the link is dropped and the next one opens cleanly.
    slot.m_pDevice->Close(true);
    ASSERT_TRUE(sink.WaitClosed());
    holder.Disconnect(true);
    EXPECT_FALSE(holder.IsConnected());
    EXPECT_EQ(holder.Connect(), 0);
    EXPECT_TRUE(holder.SendCommand(LogOutput, 1));
    EXPECT_EQ(slot.NextFrame().dwParam, 1u);
    // The holder is destroyed while connected: its receive thread must end first (sanitizers).
}

TEST(DocumentHolder, CompressionRefusesOutputBeyondTheBuffer)
{
    std::string sOut;
    ASSERT_TRUE(ParameterDocumentHolder::CompressDocumentText(std::string(4000, 'a'), sOut));
    EXPECT_EQ(Inflate(sOut, 4000), std::string(4000, 'a'));
    // Incompressible text needs more than length + 100 bytes once it spans many blocks.
    std::mt19937 random(7);
    std::string sNoise(1 << 20, '\0');
    std::generate(sNoise.begin(), sNoise.end(), [&] { return char(random()); });
    sOut = "untouched";
    EXPECT_FALSE(ParameterDocumentHolder::CompressDocumentText(sNoise, sOut));
    EXPECT_EQ(sOut, "untouched");
}

} // namespace
} // namespace kov::test
