// kovctl speed-test as a separate process against a simulated device.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "KovctlTestKit.h"

namespace kov::test {
namespace {

class KovctlSpeedTest : public CKovctlTest {};

// "Write Size: 13.70 MB  Write Speed: 14.00 Mb/s  Read Size: 37.21 MB  Read Speed: 38.00 Mb/s"
const std::regex
    kFigures(R"(Write Size: [0-9.]+ (bytes|KB|MB|GB)  Write Speed: [0-9.]+ (bps|Kbps|Mb/s|Gb/s)  )"
             R"(Read Size: [0-9.]+ (bytes|KB|MB|GB)  Read Speed: [0-9.]+ (bps|Kbps|Mb/s|Gb/s))");

TEST_F(KovctlSpeedTest, WritesThenReadsForTheGivenTimeAndStopsTheDevice)
{
    Plug();
    ASSERT_EQ(Run("speed-test --seconds 1"), 0) << Err();
    // The summary alone on standard output, every figure measured.
    const std::string sOut = Out();
    ASSERT_FALSE(sOut.empty());
    EXPECT_EQ(sOut.find('\n'), sOut.size() - 1) << sOut;
    EXPECT_TRUE(std::regex_match(sOut.substr(0, sOut.size() - 1), kFigures)) << sOut;
    // Without a terminal each change of the figures is a line of its own, the last one the summary.
    const std::string sErr = Err();
    EXPECT_EQ(sErr.rfind("Connected to device\nParameters loaded\nWrite Size: ", 0), 0u) << sErr;
    EXPECT_NE(sErr.find(sOut), std::string::npos);
    EXPECT_EQ(sErr.find("Write Size: ?"), std::string::npos) << sErr;
    // The write test is stopped before the read test starts, and the read test at the end.
    EXPECT_EQ(CountLog("start write test"), 1);
    EXPECT_EQ(CountLog("start read test"), 1);
    EXPECT_EQ(CountLog("stop test"), 2);
}

TEST_F(KovctlSpeedTest, CtrlCStopsTheDeviceAndSummarises)
{
    Plug();
    // timeout sends SIGINT after three seconds and passes on kovctl's exit code.
    ASSERT_EQ(Run("speed-test --seconds 60", "timeout --preserve-status -s INT 3 "), 0) << Err();
    EXPECT_EQ(CountLog("start read test"), 0);
    EXPECT_EQ(CountLog("stop test"), 1);
    const std::string sOut = Out();
    EXPECT_EQ(sOut.rfind("Write Size: ", 0), 0u) << sOut;
    EXPECT_NE(sOut.find("Read Size: ?  Read Speed: ?\n"), std::string::npos) << sOut;
}

TEST_F(KovctlSpeedTest, ADeviceThatReportsNoProgressEndsTheRunWithExit3)
{
    // A device that sends its parameters and then answers nothing.
    CPipeDeviceSide side;
    ASSERT_TRUE(side.Plug(m_sRoot, "mute"));
    std::vector<uint32_t> vReceived;
    std::thread device([&] {
        if (!side.WaitForHost(10000))
            return;
        while (const auto oRequest = NextRequest(side)) {
            vReceived.push_back(oRequest->dwCommandId);
            if (oRequest->dwCommandId == ReadParameters)
                SendReply(side, DeviceReply::ParametersDocument,
                          "<kov:DeviceProgramParameters xmlns:kov=\"urn:dovrane:kov\"/>");
        }
    });
    EXPECT_EQ(Run("--wait 1 speed-test --seconds 30"), 3);
    device.join();
    EXPECT_NE(Err().find("\nNo progress from the device within 1 seconds\n"), std::string::npos) << Err();
    EXPECT_EQ(Out(), "");
    // The test it started is stopped on the way out.
    EXPECT_EQ(vReceived, (std::vector<uint32_t>{ReadParameters, StartWriteTest, StopWriteTest}));
}

} // namespace
} // namespace kov::test
