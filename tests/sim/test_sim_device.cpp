#include "SimTestHost.h"

#include "link/MemoryTransport.h"
#include "sim/SampleDocument.h"
#include "sim/SimDevice.h"

#include <gtest/gtest.h>

#include "common/PluggedSim.h"
#include "common/TestDir.h"
#include <zlib.h>

namespace kov::test {
namespace {

constexpr uint32_t Id(DeviceReply e)
{
    return uint32_t(e);
}

// A simulated device serving one session over an in-memory link; the greeting is consumed.
class CDeviceSession {
public:
    explicit CDeviceSession(SSimDeviceOptions options = {},
                            const std::string& sDocument = SampleDocumentText())
        : m_device((options.iTickMs = 2, options)), m_ends(CMemoryTransport::MakePair())
    {
        m_bLoaded = m_device.LoadDocumentText(sDocument);
        m_pGuard = std::make_unique<CHangGuard>([this] {
            m_ends.first->Close(true);
            m_device.Stop();
        });
        m_thread = std::thread([this] { m_eEnd = m_device.ServeSession(*m_ends.second); });
        m_greeting = host.Receive().value_or(SFrame{});
    }
    ~CDeviceSession()
    {
        m_ends.first->Close(true);
        if (m_thread.joinable())
            m_thread.join();
    }
    ESessionEnd Join()
    { // the device ends the session by itself
        m_thread.join();
        return m_eEnd;
    }

    CSimDevice m_device;
    std::pair<std::unique_ptr<CMemoryTransport>, std::unique_ptr<CMemoryTransport>> m_ends;
    CTestHost host{*m_ends.first};
    bool m_bLoaded = false;
    SFrame m_greeting;

private:
    std::unique_ptr<CHangGuard> m_pGuard;
    std::thread m_thread;
    ESessionEnd m_eEnd = ESessionEnd::HostGone;
};

std::string Compress(const std::string& s)
{
    uLongf n = compressBound(uLong(s.size()));
    std::string sOut(n, '\0');
    compress2(reinterpret_cast<Bytef*>(sOut.data()), &n, reinterpret_cast<const Bytef*>(s.data()),
              uLong(s.size()), 1);
    sOut.resize(n);
    return sOut;
}

std::string Canonical(const std::string& sXml)
{
    TreeRef tree;
    std::string s;
    tree.LoadFromText(sXml);
    tree.ToUtf8(s);
    return s;
}

TEST(SimDevice, GreetsServesTheDocumentAndAnswersRequests)
{
    SSimDeviceOptions options;
    options.dwSoftwareVersion = PackVersion(1, 2, 3, 4);
    CDeviceSession s(options);
    ASSERT_TRUE(s.m_bLoaded);
    EXPECT_EQ(s.m_greeting.dwId, Id(DeviceReply::SoftwareVersion));
    EXPECT_EQ(s.m_greeting.dwParam, 0x01020304u);

    SFrame doc = s.host.Ask(ReadParameters);
    EXPECT_EQ(doc.dwId, Id(DeviceReply::ParametersDocument));
    EXPECT_EQ(doc.sPayload.find('\0'), std::string::npos);
    EXPECT_NE(doc.sPayload.find("kov:SoftwareVersion=\"1.2.3.4\""), std::string::npos);

    SFrame f = s.host.Ask(DisableConsole);
    EXPECT_TRUE(f.dwId == Id(DeviceReply::DisableConsoleResult) && f.dwParam == 0u);

    f = s.host.Ask(ReadCriticalLog);
    EXPECT_EQ(f.dwId, Id(DeviceReply::CriticalLog));
    EXPECT_NE(f.sPayload.find('\0'), std::string::npos);
    EXPECT_TRUE(f.dwParam > 0 && f.dwParam < f.sPayload.size()) << f.dwParam;
    s.host.Send(DeleteCriticalLog);
    EXPECT_TRUE(s.host.Ask(ReadCriticalLog).sPayload.empty());

    f = s.host.Ask(ReadDiagnostics, 2);
    EXPECT_EQ(f.dwId, Id(DeviceReply::DiagnosticsReport));
    EXPECT_NE(f.sPayload.find("Storage"), std::string::npos);
    EXPECT_GT(s.host.Ask(DeleteAllRecordings).dwParam, 0u);
    EXPECT_EQ(s.host.Ask(DeleteAllRecordings).dwParam, 0u);
}

TEST(SimDevice, RefusesEveryIdThatIsNoRequestAndStaysAligned)
{
    CDeviceSession s;
    std::vector<uint32_t> vRefused = {0xFFFFFFFF};
    for (uint32_t dwId = 0; dwId < kProtocolIdLimit; ++dwId)
        if (ProtocolRow(dwId).eDirection != ECommandDirection::HostToDevice)
            vRefused.push_back(dwId); // unknown ids and the device's own replies
    for (uint32_t dwId : vRefused) {
        SCOPED_TRACE(dwId);
        const SFrame f = s.host.Ask(dwId, 1, dwId % 2 ? "0123456789" : "");
        EXPECT_EQ(f.dwId, Id(DeviceReply::UnsupportedCommand));
        EXPECT_EQ(f.dwParam, dwId);
    }
    EXPECT_EQ(s.host.Ask(DisableConsole).dwId, Id(DeviceReply::DisableConsoleResult));
}

TEST(SimDevice, StreamsLogAndTestProgressOnlyWhileAsked)
{
    CDeviceSession s;
    s.host.Send(LogOutput, 1);
    bool bStatus = false, bLogLine = false;
    for (int i = 0; i < 12; ++i) {
        SFrame f = s.host.Receive().value_or(SFrame{});
        ASSERT_EQ(f.dwId, Id(DeviceReply::DeviceText));
        EXPECT_FALSE(f.sPayload.empty());
        (f.dwParam == 1 || f.dwParam == 7 ? bStatus : bLogLine) = true;
    }
    EXPECT_TRUE(bStatus && bLogLine);
    s.host.Send(LogOutput, 0);
    s.host.Sync();
    EXPECT_EQ(s.host.Ask(9).dwId, Id(DeviceReply::UnsupportedCommand)); // nothing streams any more

    // Each test counts from 0 and keeps reporting a growing count until the host stops it.
    for (const auto& [dwStart, eProgress] :
         {std::pair{uint32_t(StartWriteTest), DeviceReply::WriteTestProgress},
          std::pair{uint32_t(StartReadTest), DeviceReply::ReadTestProgress}}) {
        SFrame first = s.host.Ask(dwStart);
        EXPECT_TRUE(first.dwId == Id(eProgress) && first.dwParam == 0u);
        uint32_t dwLast = 0;
        for (int i = 0; i < 30; ++i) {
            SFrame next = s.host.Receive().value_or(SFrame{});
            ASSERT_EQ(next.dwId, Id(eProgress));
            EXPECT_GT(next.dwParam, dwLast);
            dwLast = next.dwParam;
        }
        s.host.Send(StopWriteTest);
        s.host.Sync();
    }
    s.host.Sync();
    EXPECT_EQ(s.host.Ask(9).dwId, Id(DeviceReply::UnsupportedCommand));
}

TEST(SimDevice, AsksForThePasswordUntilItIsRight)
{
    SSimDeviceOptions options;
    options.oPassword = "s3cret";
    CDeviceSession s(options);
    EXPECT_EQ(s.host.Ask(ReadParameters).dwId, Id(DeviceReply::PasswordRequest));
    EXPECT_EQ(s.host.Ask(PasswordReply, 0, "secret").dwId, Id(DeviceReply::PasswordRequest));
    EXPECT_EQ(s.host.Ask(PasswordReply).dwId, Id(DeviceReply::PasswordRequest));
    // Without the password the parameters cannot be changed either.
    const std::string sBefore = s.m_device.DocumentText();
    EXPECT_EQ(s.host.Ask(WriteParameters, 0, "<kov:DeviceProgramParameters/>").dwId,
              Id(DeviceReply::CommandNotAuthorized));
    EXPECT_EQ(s.host.Ask(ResetParameters).dwId, Id(DeviceReply::CommandNotAuthorized));
    SFrame f = s.host.Ask(PasswordReply, 0, "s3cret");
    EXPECT_EQ(f.dwId, Id(DeviceReply::ParametersDocument));
    EXPECT_EQ(f.sPayload, sBefore);
}

TEST(SimDevice, MergesChangeDocumentsAndRejectsGarbage)
{
    const std::string sStart =
        "<kov:DeviceProgramParameters xmlns:kov=\"urn:dovrane:kov\">"
        "<kov:A kov:x=\"1\" kov:keep=\"k\"><kov:I>one</kov:I><kov:J/><kov:I>two</kov:I></kov:A>"
        "<kov:L><kov:R kov:n=\"1\"/><kov:R kov:n=\"2\"/><kov:Q/></kov:L>"
        "</kov:DeviceProgramParameters>";
    CDeviceSession s({}, sStart);
    ASSERT_TRUE(s.m_bLoaded);
    const std::string sChange =
        "<kov:DeviceProgramParameters xmlns:kov=\"urn:dovrane:kov\">"
        "<kov:A "
        "kov:x=\"9\"><kov:I>ONE</kov:I><kov:I>TWO</kov:I><kov:I>THREE</kov:I><kov:New>n</kov:New></kov:A>"
        "<kov:L __merge_options=\"erase_children\"><kov:R kov:n=\"7\"/></kov:L>"
        "</kov:DeviceProgramParameters>";
    SFrame f = s.host.Ask(WriteParameters, 0, sChange);
    EXPECT_TRUE(f.dwId == Id(DeviceReply::WriteParametersResult) && f.dwParam == 1u);
    EXPECT_EQ(s.m_device.DocumentText(),
              Canonical("<kov:DeviceProgramParameters xmlns:kov=\"urn:dovrane:kov\">"
                        "<kov:A kov:x=\"9\" kov:keep=\"k\"><kov:I>ONE</kov:I><kov:J/><kov:I>TWO</kov:I>"
                        "<kov:I>THREE</kov:I><kov:New>n</kov:New></kov:A>"
                        "<kov:L><kov:R kov:n=\"7\"/></kov:L></kov:DeviceProgramParameters>"));

    // The compressed way merges the same; garbage of every kind leaves the document alone.
    f = s.host.Ask(WriteParametersCompressed, 0,
                   Compress("<kov:DeviceProgramParameters><kov:Z>z</kov:Z></kov:DeviceProgramParameters>"));
    EXPECT_EQ(f.dwParam, 1u);
    const std::string sMerged = s.m_device.DocumentText();
    EXPECT_NE(sMerged.find("<kov:Z>z</kov:Z>"), std::string::npos);
    std::string sCut = Compress(sChange);
    sCut.resize(sCut.size() / 2);
    const std::pair<uint32_t, std::string> vGarbage[] = {
        {WriteParameters, "<kov:DeviceProgramParameters><kov:A>"},
        {WriteParameters, std::string("\xff\xfe<<>>\0", 7)},
        {WriteParameters, "<kov:Other><kov:A kov:x=\"5\"/></kov:Other>"},
        {WriteParametersCompressed, "not zlib at all"},
        {WriteParametersCompressed, sCut},
        {WriteParametersCompressed, Compress("<unclosed")},
        {WriteParametersCompressed, ""},
    };
    for (const auto& [dwId, sGarbage] : vGarbage) {
        f = s.host.Ask(dwId, 0, sGarbage);
        EXPECT_TRUE(f.dwId == Id(DeviceReply::WriteParametersResult) && f.dwParam == 0u) << sGarbage;
    }
    EXPECT_EQ(s.m_device.DocumentText(), sMerged);

    f = s.host.Ask(ResetParameters);
    EXPECT_TRUE(f.dwId == Id(DeviceReply::ResetParametersResult) && f.dwParam == 1u);
    EXPECT_EQ(s.m_device.DocumentText(), Canonical(sStart));
}

// Sends the file as the host does, resending blocks whose acknowledged CRC differs; returns
// the frames after the end request, up to completion or failure.
std::vector<SFrame> Program(CTestHost& host, const std::string& sFile, int& iResends)
{
    EXPECT_EQ(host.Ask(ProgramBegin).dwId, Id(DeviceReply::ProgramReady));
    iResends = 0;
    for (uint32_t dwOffset = 0; dwOffset < sFile.size();) {
        std::string sBlock = sFile.substr(dwOffset, kProgramBlockSize);
        SFrame ack = host.Ask(ProgramBlock, dwOffset, sBlock);
        if (ack.dwId != Id(DeviceReply::ProgramBlockAck))
            return {};
        if (ack.dwParam ==
            uint32_t(crc32(0, reinterpret_cast<const Bytef*>(sBlock.data()), uInt(sBlock.size()))))
            dwOffset += uint32_t(sBlock.size());
        else
            ++iResends;
    }
    host.Send(ProgramEnd);
    std::vector<SFrame> v;
    while (auto o = host.Receive()) {
        v.push_back(*o);
        if (o->dwId == Id(DeviceReply::ProgramComplete) || o->dwId == Id(DeviceReply::FlashWriteError))
            break;
    }
    return v;
}

TEST(SimDevice, ProgramsWithABadAckAFlashErrorAndOutOfSequenceBlocks)
{
    const CTestDir dir;
    const auto imagePath = dir / "programmed_image";
    const std::string sFile = RandomBytes(2500);
    SSimDeviceOptions options;
    options.oBadAckBlock = 1;
    options.sSaveImagePath = imagePath.string();
    {
        CDeviceSession s(options);
        int iResends = 0;
        for (int iRun = 0; iRun < 2; ++iRun) { // the bad ack comes once per run
            auto v = Program(s.host, sFile, iResends);
            EXPECT_EQ(iResends, 1);
            ASSERT_FALSE(v.empty());
            EXPECT_EQ(v.back().dwId, Id(DeviceReply::ProgramComplete));
            for (const auto& f : v)
                EXPECT_LE(f.dwParam, sFile.size());
            ASSERT_GE(v.size(), 2u);
            EXPECT_TRUE(v[v.size() - 2].dwId == Id(DeviceReply::FlashVerifyProgress) &&
                        v[v.size() - 2].dwParam == sFile.size());
        }
        EXPECT_EQ(ReadFileBytes(imagePath), sFile);
    }

    options = {};
    options.oFlashError = 17;
    CDeviceSession s(options);
    int iResends = 0;
    auto v = Program(s.host, sFile, iResends);
    ASSERT_FALSE(v.empty());
    EXPECT_TRUE(v.back().dwId == Id(DeviceReply::FlashWriteError) && v.back().dwParam == 17u);
    EXPECT_EQ(s.m_device.Image(), std::vector<uint8_t>(sFile.begin(), sFile.end()));
    // Blocks and ends out of sequence, oversized or beyond the flash are refused.
    EXPECT_EQ(s.host.Ask(ProgramBlock, 0, "abc").dwParam, kFlashErrorNotProgramming);
    EXPECT_EQ(s.host.Ask(ProgramEnd).dwParam, kFlashErrorNotProgramming);
    s.host.Ask(ProgramBegin);
    EXPECT_EQ(s.host.Ask(ProgramEnd).dwParam, kFlashErrorEmptyImage);
    s.host.Ask(ProgramBegin);
    EXPECT_EQ(s.host.Ask(ProgramBlock, 0, std::string(kProgramBlockSize + 1, 'x')).dwParam,
              kFlashErrorImageTooLarge);
    s.host.Ask(ProgramBegin);
    EXPECT_EQ(s.host.Ask(ProgramBlock, 0xFFFFFF00u, "abc").dwParam, kFlashErrorImageTooLarge);
}

TEST(SimDevice, DropsTheLinkOnRestartShutdownAbsurdFramesAndStop)
{
    for (uint32_t dwCommand : {uint32_t(RestartDevice), uint32_t(ShutdownDevice)}) {
        CDeviceSession s;
        s.host.Send(dwCommand);
        EXPECT_EQ(s.Join(), dwCommand == RestartDevice ? ESessionEnd::Restart : ESessionEnd::Shutdown);
        EXPECT_FALSE(s.host.Receive()); // the host sees the link drop
    }
    for (uint32_t dwLength : {0xFFFFFFF0u, 5000u}) {
        CDeviceSession s;
        auto header = SFrameHeader{WriteParameters, 0, dwLength}.Encode();
        s.m_ends.first->Write(header.data(), int32_t(header.size()));
        if (dwLength == 5000) { // the host vanishes in the middle of the payload
            s.m_ends.first->Write("<kov:Dev", 8);
            s.m_ends.first->Close(true);
        }
        EXPECT_EQ(s.Join(), dwLength == 5000 ? ESessionEnd::HostGone : ESessionEnd::ProtocolError);
    }
    CDeviceSession s;
    s.m_device.Stop();
    EXPECT_EQ(s.Join(), ESessionEnd::Stopped);
    EXPECT_EQ(s.m_device.ServeSession(*s.m_ends.second), ESessionEnd::Stopped);
}

} // namespace
} // namespace kov::test
