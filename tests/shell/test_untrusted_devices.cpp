// Devices another user could have planted are not used, and the Log view says why, once.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "ShellTestKit.h"
#include "common/PluggedSim.h"
#include "support/TextCodec.h"

namespace kov::test {
namespace {

namespace fs = std::filesystem;

// A folder with a device's two pipes and nobody behind them, writable by everyone and, where
// the test may change owners, another user's.
void PlantDevice(const std::string& sFolder)
{
    fs::create_directories(sFolder);
    ASSERT_EQ(::mkfifo((sFolder + "/PIPE_0x00").c_str(), 0666), 0);
    ASSERT_EQ(::mkfifo((sFolder + "/PIPE_0x01").c_str(), 0666), 0);
    ASSERT_EQ(::chmod(sFolder.c_str(), 0777), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(sFolder.c_str(), 4242, 4242), 0);
    }
}

size_t Count(std::string_view sText, std::string_view sPart)
{
    size_t n = 0;
    for (size_t i = sText.find(sPart); i != std::string_view::npos; i = sText.find(sPart, i + 1))
        ++n;
    return n;
}

class UntrustedDevices : public CFrameTest {
protected:
    // Ticks of the presence poll, each with the events it caused handled.
    void Tick(int nTicks)
    {
        for (int i = 0; i < nTicks; ++i) {
            m_pFrame->PresenceTick();
            m_pFrame->PumpEvents();
        }
    }
};

TEST_F(UntrustedDevices, APlantedDeviceIsToldOnceAndTheRealOneIsUsed)
{
    const std::string sPlanted = m_sRoot + "/0-planted"; // first in name order
    PlantDevice(sPlanted);
    CPluggedSim device(m_sRoot, "sim-a");
    ASSERT_TRUE(WaitStatus(u"Parameters loaded", true));
    EXPECT_EQ(device.CountLog("read parameters"), 1);
    Tick(5);
    const std::string sLog = Utf16ToUtf8(m_pFrame->LogView().Text());
    EXPECT_EQ(Count(sLog, "Device folder " + sPlanted + " ignored: "), 1u) << sLog;
    EXPECT_EQ(Count(sLog, "\r\n"), 1u);
}

TEST_F(UntrustedDevices, APlantedBuiltInRootIsNotUsed)
{
    const char* szOldRuntime = std::getenv("XDG_RUNTIME_DIR");
    const std::string sOldRuntime = szOldRuntime ? szOldRuntime : "";
    ASSERT_EQ(std::getenv("KOV_DEVICE_ROOT"), nullptr);
    ::setenv("XDG_RUNTIME_DIR", m_folder.String().c_str(), 1);
    const std::string sRoot = m_folder.String() + "/kov/devices";
    fs::create_directories(sRoot);
    ASSERT_EQ(::chmod(sRoot.c_str(), 0777), 0);
    PlantDevice(sRoot + "/planted");
    {
        CScriptedView view;
        SMainFrameSettings settings;
        settings.oOptionsFile = m_folder.File("other-options.xml");
        settings.oCustomizationFolder = m_folder.Folder();
        CMainFrame frame(view, std::move(settings)); // the transport on the default root
        frame.Create();
        for (int i = 0; i < 5; ++i) {
            frame.PresenceTick();
            frame.PumpEvents();
        }
        EXPECT_FALSE(view.SawStatus(u"Connected to device"));
        EXPECT_EQ(Utf16ToUtf8(frame.LogView().Text()),
                  "Device root " + sRoot + " not used: other users can write to it (mode 0777)\r\n");
    }
    if (szOldRuntime)
        ::setenv("XDG_RUNTIME_DIR", sOldRuntime.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
}

} // namespace
} // namespace kov::test
