// Starting the desktop's handler: in the folder asked for, free of what this process holds.
#include <gtest/gtest.h>

#include <pthread.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include "common/TestDir.h"
#include "platform/DefaultHandler.h"

namespace kov::test {
namespace {

namespace fs = std::filesystem;

// The whole file once the program that writes it has finished it (it renames it into place);
// a generous bound turns a program that never ran into a failure.
std::string WaitForFile(const fs::path& path)
{
    for (int i = 0; i < 3000 && !fs::exists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(DefaultHandler, StartsInTheFolderWithSignalsOfItsOwn)
{
    CTestDir dir;
    const fs::path folder = dir / "reports folder";
    fs::create_directories(folder);
    // As kov-config does: the stop signals held back for its watcher thread. The shell reads its
    // own mask with builtins only: while it waits for a child it blocks every signal itself.
    sigset_t held, previous;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &held, &previous), 0);
    const bool bStarted = StartDetachedProgram(
        "sh",
        {"-c",
         "{ pwd; echo \"$1\"; while read -r l; do case $l in SigBlk*) printf '%s\\n' \"$l\";; esac; done "
         "</proc/$$/status; } > out.tmp && mv out.tmp out",
         "sh", "a b"},
        folder.string());
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ASSERT_TRUE(bStarted);
    EXPECT_EQ(WaitForFile(folder / "out"), folder.string() + "\na b\nSigBlk:\t0000000000000000\n");

    // Nothing to start, or nowhere to start it: false, and no process.
    EXPECT_FALSE(StartDetachedProgram("kov-no-such-program", {}, ""));
    EXPECT_FALSE(StartDetachedProgram("sh", {"-c", "touch started"}, (dir / "missing").string()));
    EXPECT_FALSE(OpenWithDesktopHandler("", folder.string()));
}

} // namespace
} // namespace kov::test
