#include "sections/TimeUnits.h"

#include <algorithm>

namespace kov {

STimeDisplay TimeDisplayOf(std::span<const STimeUnit> units, uint32_t dwValue)
{
    if (dwValue == 0 || units.size() < 2)
        return {};
    for (size_t iUnit = units.size() - 1; iUnit > 0; --iUnit) {
        const uint32_t dwFactor = units[iUnit].dwFactor;
        if (dwFactor != 0 && dwValue % dwFactor == 0)
            return {static_cast<int>(iUnit), dwValue / dwFactor};
    }
    return {1, dwValue};
}

uint32_t TimeValueOf(std::span<const STimeUnit> units, int iUnit, uint32_t dwNumber, uint32_t dwMax)
{
    if (iUnit < 0 || static_cast<size_t>(iUnit) >= units.size())
        return 0;
    const uint64_t qwValue = uint64_t{units[static_cast<size_t>(iUnit)].dwFactor} * dwNumber;
    return static_cast<uint32_t>(std::min<uint64_t>(qwValue, dwMax));
}

} // namespace kov
