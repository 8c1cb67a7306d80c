#include <spawn.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>
#include <vector>

#include "KovctlTestKit.h"

extern char** environ;

namespace kov::test {
namespace {

namespace fs = std::filesystem;

class SimCli : public CKovctlTest {
protected:
    SimCli() { fs::create_directories(m_sRoot); }
    pid_t StartSim(std::vector<std::string> vArgs) const
    {
        vArgs.insert(vArgs.begin(), {KOV_DEVICE_SIM_PATH, "--quiet", "--root", m_sRoot});
        std::vector<char*> vArgv;
        for (auto& s : vArgs)
            vArgv.push_back(s.data());
        vArgv.push_back(nullptr);
        pid_t pid = -1;
        return posix_spawn(&pid, vArgv[0], nullptr, nullptr, vArgv.data(), environ) == 0 ? pid : -1;
    }
    size_t Devices() const
    {
        size_t n = 0;
        for (const auto& entry :
             fs::directory_iterator(m_sRoot, fs::directory_options::skip_permission_denied))
            n += entry.path().filename().string()[0] != '.';
        return n;
    }
};

int Wait(pid_t pid)
{
    int iStatus = 0;
    waitpid(pid, &iStatus, 0);
    return WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1;
}

TEST_F(SimCli, PlugsInIsCountedAndUnplugsOnSignalsOrTime)
{
    ASSERT_EQ(Run("devices"), 0);
    EXPECT_EQ(Out(), "0\n");

    pid_t first = StartSim({"--name", "sim-one"});
    pid_t second = StartSim({"--name", "sim-two", "--password", "pw", "--version", "1.2.3.4"});
    ASSERT_TRUE(first > 0 && second > 0);
    for (int i = 0; i < 3000 && Devices() < 2; ++i) // hang guard only
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(Run("devices"), 0);
    EXPECT_EQ(Out(), "2\n");
    // A device under a name already plugged in cannot plug in and says so.
    EXPECT_EQ(Wait(StartSim({"--name", "sim-one"})), 1);

    kill(first, SIGTERM);
    EXPECT_EQ(Wait(first), 0);
    EXPECT_FALSE(fs::exists(fs::path(m_sRoot) / "sim-one"));
    kill(second, SIGINT);
    EXPECT_EQ(Wait(second), 0);
    EXPECT_EQ(Wait(StartSim({"--unplug-after", "0"})), 0);
    EXPECT_TRUE(fs::is_empty(m_sRoot));

    for (const auto& vBad : std::vector<std::vector<std::string>>{{"--bogus"},
                                                                  {"--version", "1.2.3"},
                                                                  {"--version", "1.2.3.256"},
                                                                  {"--bad-ack", "x"},
                                                                  {"--flash-error"},
                                                                  {"--stray-frame", "-3"},
                                                                  {"--name", "a/b"},
                                                                  {"--unplug-after", "-1"}})
        EXPECT_EQ(Wait(StartSim(vBad)), 2) << vBad[0];
    EXPECT_EQ(Wait(StartSim({"--document", File("missing.xml")})), 1);
}

} // namespace
} // namespace kov::test
