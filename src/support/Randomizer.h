#pragma once
// The process's random-number source: a per-thread linear congruential generator.
#include <cstdint>

namespace kov {

class IRandomizer {
public:
    virtual ~IRandomizer() = default;
    // 0..32767.
    virtual int32_t Next() = 0;
    // Whole seconds since 1970-01-01 UTC.
    virtual int64_t Now() = 0;
    virtual int32_t Identity(int32_t iValue) = 0;
};

class CRandomizer : public IRandomizer {
public:
    int32_t Next() override;
    int64_t Now() override;
    int32_t Identity(int32_t iValue) override { return iValue; }
};

// The one instance of the process.
IRandomizer& ProcessRandomizer();

// Seeds the calling thread's generator with the low 32 bits of the current time in
// microseconds since 1601. Threads not seeded explicitly are seeded so on first use.
void SeedThreadRandom();
void SeedThreadRandom(uint32_t dwSeed);

} // namespace kov
