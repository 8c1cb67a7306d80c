// kovctl program as a separate process against a simulated device plugged into a private
// device root; the device saves the image it receives.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <random>
#include <thread>

#include "../firmware/FirmwareTestKit.h"
#include "KovctlTestKit.h"
#include "app/kovctl/ConsoleView.h"
#include "link/Protocol.h"
#include "platform/PipeDevice.h"
#include "sim/SampleDocument.h"
#include "sim/SimPipeRunner.h"

namespace kov::test {
namespace {

using namespace std::chrono_literals;

class KovctlProgram : public CKovctlTest {
protected:
    // An archive for the sample device's platform (or another); its path.
    std::string Archive(size_t nPayload, const std::string& sPlatform = "Linux_DAVINCI_v5")
    {
        const std::string sPayload = RandomBytes(nPayload, 11);
        m_sArchive = kovtest::GzipMember(
            kovtest::TarEntry("partitions.txt", "1.2.3 any " + sPlatform + " 2018-11-01\n") +
            kovtest::TarEntry("rootfs.bin", sPayload));
        std::ofstream(File("fw.tgz"), std::ios::binary) << m_sArchive;
        return "'" + File("fw.tgz") + "'";
    }

    std::string m_sArchive;
};

constexpr char kQuestion[] =
    "Device file version is 1.2.3\nDate: 2018-11-01\nConfirm start of programming.\n";

TEST_F(KovctlProgram, ConfirmedArchiveReachesTheFlashWholeThenTheDeviceRestartsUnlessAskedNot)
{
    ASSERT_NO_FATAL_FAILURE(Plug());
    const std::string sFile = Archive(6000);
    ASSERT_EQ(Run("program " + sFile + " --yes"), 0) << Err();
    EXPECT_EQ(Read("image.bin"), m_sArchive);
    std::string sErr = Err();
    EXPECT_NE(sErr.find(kQuestion), std::string::npos) << sErr;
    // Without a terminal the bars are plain lines, one per change; they end at the device's
    // last report and never fall back to the zeros of the finished page.
    EXPECT_NE(sErr.find("\nBuffer Accept: 100%  Sectors Erase: 0%  Flash Write: 0%  Flash Verify: 0%\n"),
              std::string::npos);
    EXPECT_NE(sErr.find("Buffer Accept: 100%  Sectors Erase: 100%  Flash Write: 100%  Flash Verify: 100%\n"
                        "Device Reset\n"),
              std::string::npos)
        << sErr;
    EXPECT_EQ(sErr.find('\r'), std::string::npos);
    EXPECT_EQ(CountLog("session ended: restart"), 1);

    ASSERT_EQ(Run("program " + sFile + " -y --no-restart"), 0) << Err();
    sErr = Err();
    EXPECT_TRUE(sErr.ends_with("\nProgramming Complete. Please press the \"Restart Device\" button.\n"))
        << sErr;
    EXPECT_EQ(CountLog("session ended: restart"), 1);
}

TEST_F(KovctlProgram, UnconfirmedOrRefusedFilesSendNothing)
{
    ASSERT_NO_FATAL_FAILURE(Plug());
    ASSERT_EQ(Run("program " + Archive(3000)), 1);
    EXPECT_NE(Err().find(std::string(kQuestion) + "Programming cancelled\n"), std::string::npos) << Err();

    const std::pair<std::string, std::string> refused[] = {
        {"'" + File("missing.tgz") + "'", "Could not open zip file"},
        {Archive(100, "Linux_DAVINCI_v6"),
         "Device hardware platform mismatch.\nDevice hardware platform: Linux "
         "DAVINCI v5\nFile hardware platform: Linux DAVINCI v6"},
        {"'" + File("fw.ldr") + "'", "Unrecognized file"}, // the sample device takes no loader images
        {"'" + File("firmware") + "'", "Program file does not match device!"},
    };
    std::ofstream(File("fw.ldr"), std::ios::binary) << std::string("\x01\x2F\x38\xA5\x02\x05\x00\x11", 8);
    for (const auto& [sFile, sMessage] : refused) {
        EXPECT_EQ(Run("program --yes " + sFile), 1) << sFile;
        EXPECT_NE(Err().find(sMessage + "\n"), std::string::npos) << Err();
    }
    EXPECT_EQ(CountLog("program begin"), 0);
    EXPECT_FALSE(std::filesystem::exists(File("image.bin")));
}

TEST_F(KovctlProgram, FailingRefusingVanishingOrAbsentDevicesEndTheRun)
{
    EXPECT_EQ(Run("--wait 1 program --yes " + Archive(100)), 3);
    EXPECT_EQ(Err(), "No device found within 1 seconds\n");

    SSimDeviceOptions options;
    options.oFlashError = 9;
    ASSERT_NO_FATAL_FAILURE(Plug(options));
    EXPECT_EQ(Run("program --yes " + Archive(3000)), 1);
    EXPECT_NE(Err().find("\nFailed to write on flash. Error=9\n"), std::string::npos) << Err();
    EXPECT_EQ(CountLog("session ended: restart"), 0);

    // Unplugged after a few blocks of a large file.
    const std::string sFile = Archive(8u << 20);
    std::thread unplug([&] {
        for (int i = 0; i < 3000 && CountLog("program block") < 64; ++i)
            std::this_thread::sleep_for(5ms);
        Unplug();
    });
    EXPECT_EQ(Run("program --yes " + sFile), 1);
    unplug.join();
    EXPECT_NE(Err().find("\nDevice disconnected\n"), std::string::npos) << Err();
    EXPECT_EQ(Err().find("interrupted"), std::string::npos) << Err(); // the window's message is its own
    EXPECT_GE(CountLog("program block"), 64);

    // A device that answers every block with a wrong checksum: the page sends the block again
    // without limit, so the command gives up when --wait passes without a step forward.
    CPipeDeviceSide side;
    ASSERT_TRUE(side.Plug(m_sRoot, "refusing"));
    std::thread refusing([&] {
        if (!side.WaitForHost(10000))
            return;
        const std::string sDocument = SampleDocumentText();
        std::array<uint8_t, kFrameHeaderSize + kProgramBlockSize> aFrame;
        while (side.Read(aFrame.data(), kFrameHeaderSize).iCount == int32_t(kFrameHeaderSize)) {
            const SFrameHeader h = SFrameHeader::Decode(aFrame.data());
            const auto iLength = int32_t(h.dwPayloadLength);
            if (iLength > int32_t(kProgramBlockSize) ||
                (iLength > 0 && side.Read(aFrame.data() + kFrameHeaderSize, iLength).iCount != iLength))
                break;
            SFrameHeader reply{0, 0, 0};
            if (h.dwCommandId == ReadParameters)
                reply = {uint32_t(DeviceReply::ParametersDocument), 0, uint32_t(sDocument.size())};
            else if (h.dwCommandId == ProgramBegin)
                reply = {uint32_t(DeviceReply::ProgramReady), 0, 0};
            else if (h.dwCommandId == ProgramBlock)
                reply = {uint32_t(DeviceReply::ProgramBlockAck), 0, 0}; // no block of random bytes has CRC 0
            else
                continue;
            const auto aReply = reply.Encode();
            side.Write(aReply.data(), int32_t(aReply.size()));
            if (reply.dwPayloadLength > 0)
                side.Write(sDocument.data(), int32_t(sDocument.size()));
        }
    });
    EXPECT_EQ(Run("--wait 1 program --yes " + Archive(3000)), 1);
    refusing.join();
    EXPECT_NE(Err().find("\nThe device kept refusing the block at offset 0 for 1 seconds\n"),
              std::string::npos)
        << Err();
}

TEST_F(KovctlProgram, UsageErrorsAndHelp)
{
    for (const char* szArgs : {"program", "program a b", "program --bogus a", "program a --password",
                               "program a --yes --yes", "program a --no-restart --no-restart"}) {
        EXPECT_EQ(Run(szArgs), 2) << szArgs;
        EXPECT_EQ(Err(), "usage: kovctl program FILE|--download [--site URL] [--yes] [--no-restart] "
                         "[--password-file FILE | --password PW]\n")
            << szArgs;
    }
    ASSERT_EQ(Run("--help"), 0);
    EXPECT_NE(Read("out").find("\n  program FILE|--download [--yes] [--no-restart]\n"), std::string::npos);
}

// On a terminal the bars are redrawn in place; whatever is reported next starts a line of its own.
TEST(ConsoleProgress, RedrawsInPlaceAndEndsTheLineBeforeTheNextReport)
{
    std::FILE* pFile = std::tmpfile();
    ASSERT_NE(pFile, nullptr);
    {
        CConsoleView view(pFile);
        view.ShowProgress(u"Buffer Accept: 10%", true);
        view.ShowProgress(u"Flash: 9%", true);
        view.Report(u"Failed");
        view.ShowProgress(u"plain", false);
        view.ShowProgress(u"again", true);
        view.EndProgress();
        view.EndProgress();
    }
    std::rewind(pFile);
    std::string sText;
    for (int ch; (ch = std::fgetc(pFile)) != EOF;)
        sText += char(ch);
    std::fclose(pFile);
    EXPECT_EQ(sText, "\rBuffer Accept: 10%\rFlash: 9%         \nFailed\nplain\n\ragain\n");
}

} // namespace
} // namespace kov::test
