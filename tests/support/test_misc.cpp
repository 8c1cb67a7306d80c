#include <gtest/gtest.h>

#include <thread>

#include "support/Randomizer.h"
#include "support/Stopwatch.h"
#include "support/SystemTests.h"

namespace kov {
namespace {

TEST(Randomizer, RuntimeGeneratorPerThread)
{
    IRandomizer& random = ProcessRandomizer();
    SeedThreadRandom(1);
    // The runtime's well-known sequence for seed 1.
    EXPECT_EQ(random.Next(), 41);
    EXPECT_EQ(random.Next(), 18467);
    EXPECT_EQ(random.Next(), 6334);
    EXPECT_EQ(random.Identity(-5), -5);
    EXPECT_GT(random.Now(), 1700000000);

    // Another thread's state is its own: seeding it does not move ours.
    SeedThreadRandom(1);
    std::thread other([] {
        SeedThreadRandom(99);
        for (int i = 0; i < 10; ++i) {
            const int32_t iValue = ProcessRandomizer().Next();
            EXPECT_TRUE(iValue >= 0 && iValue <= 32767);
        }
    });
    other.join();
    EXPECT_EQ(random.Next(), 41);
}

TEST(Stopwatch, AccumulatesWhileRunning)
{
    CStopwatch watch;
    EXPECT_EQ(watch.Elapsed(), 0);
    watch.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(watch.Elapsed(), 5000);
    watch.Stop();
    const int64_t llStopped = watch.Elapsed();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(watch.Elapsed(), llStopped);
    EXPECT_FALSE(watch.IsRunning());
}

TEST(SystemTests, VersionThresholds)
{
    SSystemFacts sWindows;
    sWindows.eFamily = ESystemFamily::Windows;
    sWindows.dwMajor = 6;
    sWindows.dwMinor = 1;
    EXPECT_TRUE(IsVersion6OrLater(sWindows));
    EXPECT_FALSE(IsVersion62OrLater(sWindows));
    EXPECT_FALSE(IsVersion6OrLaterOn64Bit(sWindows));
    sWindows.dwMinor = 2;
    sWindows.b64BitSystem = true;
    EXPECT_TRUE(IsVersion62OrLater(sWindows));
    EXPECT_TRUE(IsVersion6OrLaterOn64Bit(sWindows));
    EXPECT_FALSE(IsRunning32On64Bit(sWindows));
    sWindows.dwMajor = 5;
    sWindows.dwMinor = 9;
    EXPECT_FALSE(IsVersion6OrLater(sWindows));
    EXPECT_FALSE(IsVersion62OrLater(sWindows));

    // Any Linux kernel passes the version gates, whatever its numbers.
    SSystemFacts sLinux;
    sLinux.dwMajor = 4;
    sLinux.dwMinor = 19;
    EXPECT_TRUE(IsVersion6OrLater(sLinux));
    EXPECT_TRUE(IsVersion62OrLater(sLinux));
    sLinux.bProcess32On64 = true;
    EXPECT_FALSE(IsRunning32On64Bit(sLinux)); // needs a 64-bit system
}

} // namespace
} // namespace kov
