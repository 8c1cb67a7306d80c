#include "support/Randomizer.h"

#include <chrono>

namespace kov {

namespace {

// Microseconds between 1601-01-01 and 1970-01-01.
constexpr int64_t kMicrosecondsFrom1601To1970 = 11644473600LL * 1000000;

struct SThreadGenerator {
    bool bSeeded = false;
    uint32_t dwState = 0;
};

thread_local SThreadGenerator t_generator;

uint32_t SeedFromClock()
{
    const int64_t llMicro = std::chrono::duration_cast<std::chrono::microseconds>(
                                std::chrono::system_clock::now().time_since_epoch())
                                .count();
    return static_cast<uint32_t>(static_cast<uint64_t>(llMicro + kMicrosecondsFrom1601To1970));
}

} // namespace

void SeedThreadRandom(uint32_t dwSeed)
{
    t_generator.dwState = dwSeed;
    t_generator.bSeeded = true;
}

void SeedThreadRandom()
{
    SeedThreadRandom(SeedFromClock());
}

int32_t CRandomizer::Next()
{
    if (!t_generator.bSeeded)
        SeedThreadRandom();
    t_generator.dwState = t_generator.dwState * 214013u + 2531011u;
    return static_cast<int32_t>((t_generator.dwState >> 16) & 0x7FFF);
}

int64_t CRandomizer::Now()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

IRandomizer& ProcessRandomizer()
{
    static CRandomizer s_randomizer;
    return s_randomizer;
}

} // namespace kov
