#pragma once
// The Time page's zone table: the zones a device knows, sorted by name, each with its standard
// (winter) offset from UTC. The rows are generated data (TimeZones.cpp, by
// tools/gen_time_zones.py); names write spaces where the tz database writes underscores.
#include <cstdint>
#include <span>

namespace kov {

struct STimeZone {
    const char* szName; // 8-bit text, ASCII
    int16_t iMinutes;   // east of UTC
};

std::span<const STimeZone> TimeZoneTable();

} // namespace kov
