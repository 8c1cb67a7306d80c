// kovctl program as a separate process against a simulated device plugged into a private
// device root; the device saves the image it receives.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "../firmware/FirmwareTestKit.h"
#include "KovctlTestKit.h"
#include "app/kovctl/ConsoleView.h"
#include "sim/SampleDocument.h"

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

TEST_F(KovctlProgram, FailingRefusingOrVanishingDevicesEndTheRun)
{
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
        while (const auto oRequest = NextRequest(side)) {
            if (oRequest->dwCommandId == ReadParameters)
                SendReply(side, DeviceReply::ParametersDocument, SampleDocumentText());
            else if (oRequest->dwCommandId == ProgramBegin)
                SendReply(side, DeviceReply::ProgramReady);
            else if (oRequest->dwCommandId == ProgramBlock)
                SendReply(side, DeviceReply::ProgramBlockAck); // no block of random bytes has CRC 0
        }
    });
    EXPECT_EQ(Run("--wait 1 program --yes " + Archive(3000)), 1);
    refusing.join();
    EXPECT_NE(Err().find("\nThe device kept refusing the block at offset 0 for 1 seconds\n"),
              std::string::npos)
        << Err();
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
