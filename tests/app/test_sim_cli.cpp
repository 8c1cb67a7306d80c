#include <gtest/gtest.h>

#include "common/TestDir.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The device root the simulators plug into, private to this test process.
const fs::path& Root()
{
    static kov::test::CTestDir s_dir;
    return s_dir.Path();
}

pid_t StartSim(std::vector<std::string> vArgs)
{
    vArgs.insert(vArgs.begin(), {KOV_DEVICE_SIM_PATH, "--quiet", "--root", Root().string()});
    std::vector<char*> vArgv;
    for (auto& s : vArgs)
        vArgv.push_back(s.data());
    vArgv.push_back(nullptr);
    pid_t pid = -1;
    return posix_spawn(&pid, vArgv[0], nullptr, nullptr, vArgv.data(), environ) == 0 ? pid : -1;
}

int Wait(pid_t pid)
{
    int iStatus = 0;
    waitpid(pid, &iStatus, 0);
    return WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1;
}

size_t Devices()
{
    size_t n = 0;
    for (const auto& entry : fs::directory_iterator(Root(), fs::directory_options::skip_permission_denied))
        n += entry.path().filename().string()[0] != '.';
    return n;
}

// kovctl's output and exit code.
std::pair<std::string, int> Kovctl(const std::string& sArgs)
{
    static kov::test::CTestDir s_outDir;
    const fs::path out = s_outDir / "out";
    int iStatus = std::system(("'" KOVCTL_PATH "' " + sArgs + " >'" + out.string() + "' 2>&1").c_str());
    std::ifstream in(out);
    return {std::string(std::istreambuf_iterator<char>(in), {}),
            WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1};
}

TEST(SimCli, PlugsInIsCountedAndUnplugsOnSignalsOrTime)
{
    const std::string sRootArg = "--device-root '" + Root().string() + "'";
    EXPECT_EQ(Kovctl("devices " + sRootArg), std::make_pair(std::string("0\n"), 0));

    pid_t first = StartSim({"--name", "sim-one"});
    pid_t second = StartSim({"--name", "sim-two", "--password", "pw", "--version", "1.2.3.4"});
    ASSERT_TRUE(first > 0 && second > 0);
    for (int i = 0; i < 3000 && Devices() < 2; ++i) // hang guard only
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(Kovctl(sRootArg + " devices"), std::make_pair(std::string("2\n"), 0));
    EXPECT_EQ(Kovctl("devices extra").second, 2);
    // A device under a name already plugged in cannot plug in and says so.
    EXPECT_EQ(Wait(StartSim({"--name", "sim-one"})), 1);

    kill(first, SIGTERM);
    EXPECT_EQ(Wait(first), 0);
    EXPECT_FALSE(fs::exists(Root() / "sim-one"));
    kill(second, SIGINT);
    EXPECT_EQ(Wait(second), 0);
    EXPECT_EQ(Wait(StartSim({"--unplug-after", "0"})), 0);
    EXPECT_TRUE(fs::is_empty(Root()));

    for (const auto& vBad : std::vector<std::vector<std::string>>{{"--bogus"},
                                                                  {"--version", "1.2.3"},
                                                                  {"--version", "1.2.3.256"},
                                                                  {"--bad-ack", "x"},
                                                                  {"--flash-error"},
                                                                  {"--stray-frame", "-3"},
                                                                  {"--name", "a/b"},
                                                                  {"--unplug-after", "-1"}})
        EXPECT_EQ(Wait(StartSim(vBad)), 2) << vBad[0];
    EXPECT_EQ(Wait(StartSim({"--document", (Root() / "missing.xml").string()})), 1);
}

} // namespace
