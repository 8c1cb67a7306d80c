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
}

TEST(SystemTests, VersionThresholds)
{
    const auto Windows = [](uint32_t dwMajor, uint32_t dwMinor, bool b64Bit = false) {
        return SSystemFacts{ESystemFamily::Windows, dwMajor, dwMinor, b64Bit, false};
    };
    EXPECT_TRUE(IsVersion6OrLater(Windows(6, 1)));
    EXPECT_FALSE(IsVersion62OrLater(Windows(6, 1)) || IsVersion6OrLaterOn64Bit(Windows(6, 1)));
    EXPECT_TRUE(IsVersion62OrLater(Windows(6, 2)) && IsVersion6OrLaterOn64Bit(Windows(6, 2, true)));
    EXPECT_FALSE(IsVersion6OrLater(Windows(5, 9)) || IsVersion62OrLater(Windows(5, 9)));
    EXPECT_FALSE(IsRunning32On64Bit(Windows(10, 0, true))); // a 64-bit process

    // Any Linux kernel passes the version gates, whatever its numbers.
    const SSystemFacts kernel{ESystemFamily::Linux, 4, 19, false, true};
    EXPECT_TRUE(IsVersion6OrLater(kernel) && IsVersion62OrLater(kernel));
    EXPECT_FALSE(IsRunning32On64Bit(kernel)); // needs a 64-bit system
}

} // namespace
} // namespace kov
