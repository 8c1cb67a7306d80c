#pragma once
// A time a page shows as a number and a unit chosen from a drop-down list: the units in list
// order with their factors, position 0 meaning no time at all (factor 0).
#include <cstdint>
#include <limits>
#include <span>

namespace kov {

struct STimeUnit {
    const char16_t* wszText;
    uint32_t dwFactor;
};

struct STimeDisplay {
    int iUnit = 0;
    uint32_t dwNumber = 0;
};

// 0 gives position 0; otherwise the largest factor that divides the value exactly, the smallest
// unit when none does.
STimeDisplay TimeDisplayOf(std::span<const STimeUnit> units, uint32_t dwValue);
// Factor × number, saturating at dwMax instead of wrapping round; 0 for a position without a unit.
uint32_t TimeValueOf(std::span<const STimeUnit> units, int iUnit, uint32_t dwNumber,
                     uint32_t dwMax = std::numeric_limits<uint32_t>::max());

} // namespace kov
