// kovctl's device commands as a separate process against a simulated device plugged into a
// private device root.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

#include "KovctlTestKit.h"
#include "document/ValueTree.h"
#include "support/TextCodec.h"

namespace kov::test {
namespace {

using namespace std::chrono_literals;

class KovctlDevice : public CKovctlTest {
protected:
    TreeRef DeviceDocument() const
    {
        TreeRef tree;
        EXPECT_TRUE(tree.LoadFromText(m_pSim->Device().DocumentText()));
        return tree;
    }
    // A change document that renames the device.
    std::string NameChange(const std::string& sName) const
    {
        std::ofstream(File("change.xml"))
            << "<kov:DeviceProgramParameters xmlns:kov=\"urn:dovrane:kov\">"
               "<kov:CaptureDeviceStatus><kov:Name>" +
                   sName + "</kov:Name></kov:CaptureDeviceStatus></kov:DeviceProgramParameters>";
        return File("change.xml");
    }
    static std::u16string DeviceName(const TreeRef& tree)
    {
        return std::u16string(
            tree.Root().FindChild(u"kov:CaptureDeviceStatus").FindChild(u"kov:Name").Text());
    }
};

TEST_F(KovctlDevice, ReadPrintsWhatXmlPrintsAndSavesWithTheMark)
{
    Plug();
    ASSERT_EQ(Run("read"), 0);
    const std::string sPrinted = Out();
    EXPECT_EQ(Err(), "Connected to device\nParameters loaded\n");
    std::string sExpected;
    ASSERT_TRUE(DeviceDocument().ToUtf8(sExpected));
    EXPECT_EQ(sPrinted, sExpected);

    ASSERT_EQ(Run("read -o '" + File("saved.mdc") + "'"), 0);
    EXPECT_EQ(Read("saved.mdc").substr(0, 3), "\xEF\xBB\xBF");
    ASSERT_EQ(Run("xml '" + File("saved.mdc") + "'"), 0);
    EXPECT_EQ(Out(), sPrinted);

    // A file that cannot be written is the program's own failure text.
    EXPECT_EQ(Run("read -o '" + File("no/such/folder/x.mdc") + "'"), 1);
    EXPECT_NE(Err().find("Failed to save parameters to file"), std::string::npos);
}

TEST_F(KovctlDevice, WriteRoundTripAndRawChangeDocument)
{
    Plug();
    ASSERT_EQ(Run("read -o '" + File("p.mdc") + "'"), 0);
    TreeRef edited;
    ASSERT_TRUE(edited.LoadFromFile(Utf8ToUtf16(File("p.mdc"))));
    edited.Root().FindChild(u"kov:CaptureDeviceStatus").FindChild(u"kov:Name").SetText(u"Unit 12");
    ASSERT_TRUE(edited.SaveToFile(Utf8ToUtf16(File("p.mdc"))));
    ASSERT_EQ(Run("write '" + File("p.mdc") + "'"), 0);
    EXPECT_NE(Err().find("Saving parameters to device\nParameters saved\n"), std::string::npos);
    EXPECT_EQ(DeviceName(DeviceDocument()), u"Unit 12");
    EXPECT_EQ(CountLog("compressed change document"), 1);

    // Raw: the file is the change document as it stands.
    ASSERT_EQ(Run("write --raw '" + NameChange("Raw 5") + "'"), 0);
    EXPECT_EQ(DeviceName(DeviceDocument()), u"Raw 5");
    // The device refuses a change document with another root.
    std::ofstream(File("foreign.xml")) << "<kov:Other xmlns:kov=\"urn:dovrane:kov\"/>";
    EXPECT_EQ(Run("write --raw '" + File("foreign.xml") + "'"), 1);
    EXPECT_NE(Err().find("Failed to save parameters\n"), std::string::npos);

    // Unreadable files fail before the device is touched.
    const int nSessions = CountLog("host connected");
    std::ofstream(File("bad.xml")) << "<a><b/>";
    EXPECT_EQ(Run("write '" + File("bad.xml") + "'"), 1);
    EXPECT_EQ(Err(), "Failed to load parameters from file\n");
    EXPECT_EQ(Run("write --raw '" + File("missing.xml") + "'"), 1);
    EXPECT_EQ(CountLog("host connected"), nSessions);
}

TEST_F(KovctlDevice, DeviceOperationsWaitForTheirReplies)
{
    Plug();
    ASSERT_EQ(Run("write --raw '" + NameChange("Temp") + "'"), 0);
    const int nReads = CountLog("read parameters");
    ASSERT_EQ(Run("reset-parameters"), 0);
    EXPECT_NE(Err().find("Parameters Reset Success\nParameters loaded\n"), std::string::npos);
    EXPECT_EQ(CountLog("read parameters"), nReads + 2); // on connecting, and again after the reset
    EXPECT_EQ(DeviceName(DeviceDocument()), u"Patrol Unit 7");

    ASSERT_EQ(Run("delete-recordings"), 0);
    EXPECT_NE(Err().find("\n37 files were deleted.\n"), std::string::npos);
    ASSERT_EQ(Run("disable-console"), 0);
    EXPECT_NE(Err().find("\nConsole disabled.\n"), std::string::npos);
    ASSERT_EQ(Run("restart"), 0);
    EXPECT_NE(Err().find("\nDevice Reset\n"), std::string::npos);
    EXPECT_EQ(CountLog("received 60 "), 1);
    ASSERT_EQ(Run("shutdown --wait 5"), 0); // after the restart delay the device is back
    EXPECT_EQ(CountLog("received 83 "), 1);
}

TEST_F(KovctlDevice, AnUnknownFrameIsToldAndARefusedRequestFails)
{
    // A frame no host knows, before the document: the operator is told and the wait goes on.
    SSimDeviceOptions options;
    options.oStrayFrame = 7;
    Plug(options);
    ASSERT_EQ(Run("read"), 0) << Err();
    EXPECT_EQ(Err(), "Connected to device\nUnsupported device command. Index=7\nParameters loaded\n");
    EXPECT_NE(Out().find("<kov:CaptureDeviceConfig"), std::string::npos);

    // The same frame naming the request this command sent is that request's refusal.
    options.oStrayFrame = uint32_t(ReadParameters);
    Plug(options);
    EXPECT_EQ(Run("read"), 1);
    EXPECT_EQ(Err(), "Connected to device\nUnsupported device command. Index=71\n");
    EXPECT_EQ(Out(), "");
}

TEST_F(KovctlDevice, LogRunsUntilInterruptedThenTurnsOutputOff)
{
    Plug();
    // timeout sends SIGINT after two seconds and passes on kovctl's exit code.
    ASSERT_EQ(Run("log", "timeout --preserve-status -s INT 2 "), 0);
    const std::string sOut = Out();
    EXPECT_EQ(sOut.rfind("[    12.034] rec: channel 1 recording", 0), 0u) << sOut;
    EXPECT_EQ(sOut.find("Connected to server"), std::string::npos); // a status field's text, not the log
    EXPECT_EQ(CountLog("log output off"), 1);
}

TEST_F(KovctlDevice, AbsentSilentVanishingAndBrokenDevices)
{
    const auto tStart = std::chrono::steady_clock::now();
    EXPECT_EQ(Run("read --wait 1"), 3);
    EXPECT_LT(std::chrono::steady_clock::now() - tStart, 5s);
    EXPECT_EQ(Err(), "No device found within 1 seconds\n");

    // A device that takes the host and never answers.
    CPipeDeviceSide side;
    ASSERT_TRUE(side.Plug(m_sRoot, "silent"));
    std::thread host([&] { side.WaitForHost(10000); });
    EXPECT_EQ(Run("--wait 1 delete-recordings"), 3);
    EXPECT_EQ(Err(), "Connected to device\nNo reply from the device within 1 seconds\n");
    host.join();
    side.Unplug();

    // A device that goes away after the request.
    ASSERT_TRUE(side.Plug(m_sRoot, "vanishing"));
    std::thread vanish([&] {
        if (side.WaitForHost(10000) && NextRequest(side))
            side.Unplug();
    });
    EXPECT_EQ(Run("read"), 1);
    vanish.join();
    EXPECT_NE(Err().find("Device File Error"), std::string::npos);
    EXPECT_NE(Err().find("\nDevice disconnected\n"), std::string::npos);
    side.Unplug();

    // A device whose parameters do not parse: nothing to print, and a round trip would send
    // none of the file's settings, so neither is attempted.
    ASSERT_TRUE(side.Plug(m_sRoot, "broken"));
    std::thread broken([&] {
        for (int i = 0; i < 2 && side.WaitForHost(10000); ++i) {
            if (NextRequest(side))
                SendReply(side, DeviceReply::ParametersDocument, "<a><b/>");
            while (NextRequest(side)) {
            }
            side.EndSession();
        }
    });
    EXPECT_EQ(Run("read"), 1);
    EXPECT_EQ(Err(), "Connected to device\nFailed to load parameters\n");
    EXPECT_EQ(Out(), "");
    std::ofstream(File("p.xml")) << "<kov:DeviceProgramParameters xmlns:kov=\"urn:dovrane:kov\"/>";
    EXPECT_EQ(Run("write '" + File("p.xml") + "'"), 1);
    EXPECT_NE(Err().find("Nothing was written"), std::string::npos);
    broken.join();
}

// Every command's usage errors and its line in the help.
TEST_F(KovctlDevice, UsageErrorsAndHelp)
{
    const std::pair<std::string, std::vector<const char*>> usages[] = {
        {"usage: kovctl ",
         {"read extra", "read -o", "write", "write a b", "write --raw", "restart --raw", "log --bogus",
          "read --password", "disable-console x", "read -o a -o b", "diagnostics", "diagnostics --list 1",
          "diagnostics --list -o x", "diagnostics 1 2", "diagnostics -1", "critical-log 1",
          "critical-log --list", "delete-critical-log --report"}},
        {"usage: kovctl program FILE|--download [--site URL] [--yes] [--no-restart] "
         "[--password-file FILE | --password PW]\n",
         {"program", "program a b", "program --bogus a", "program a --password", "program a --yes --yes",
          "program a --no-restart --no-restart"}},
        {"usage: kovctl speed-test [--seconds N] [--password-file FILE | --password PW]\n",
         {"speed-test --seconds", "speed-test --seconds 0", "speed-test --seconds ten",
          "speed-test --seconds 5 --seconds 6", "speed-test extra"}},
    };
    for (const auto& [sUsage, vArgs] : usages) {
        for (const char* szArgs : vArgs) {
            EXPECT_EQ(Run(szArgs), 2) << szArgs;
            EXPECT_EQ(sUsage.ends_with('\n') ? Err() : Err().substr(0, sUsage.size()), sUsage) << szArgs;
        }
    }
    ASSERT_EQ(Run("--help"), 0);
    for (const char* szName :
         {"read", "write", "restart", "shutdown", "reset-parameters", "disable-console", "delete-recordings",
          "log", "devices", "critical-log", "delete-critical-log", "diagnostics"})
        EXPECT_NE(Out().find(std::string("\n  ") + szName + " "), std::string::npos) << szName;
    for (const char* szLine :
         {"\n  program FILE|--download [--yes] [--no-restart]\n", "\n  speed-test [--seconds N] ",
          "--password PW                PW; other users of the machine can see it"})
        EXPECT_NE(Out().find(szLine), std::string::npos) << szLine;
}

} // namespace
} // namespace kov::test
