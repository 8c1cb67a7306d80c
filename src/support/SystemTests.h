#pragma once
// Operating-system tests that gate features and menu entries. The facts come from the
// platform layer (platform/SystemInfo.h), which also has a settable fake.
#include <cstdint>

namespace kov {

enum class ESystemFamily : int { Windows = 1, Linux = 2 };

struct SSystemFacts {
    ESystemFamily eFamily = ESystemFamily::Linux;
    uint32_t dwMajor = 0; // the system's own version: kernel release on Linux
    uint32_t dwMinor = 0;
    bool b64BitSystem = false;   // from the machine type
    bool bProcess32On64 = false; // a 32-bit build running on a 64-bit system
};

// The version thresholds are Windows numbers (6 = Vista, 6.2 = Windows 8) guarding features
// every system we run on has. A Linux kernel's numbers do not compare with them, so any
// Linux system passes both; the numbers are kept honest for reports.
bool IsVersion6OrLater(const SSystemFacts& sFacts);
bool IsVersion62OrLater(const SSystemFacts& sFacts);
bool IsVersion6OrLaterOn64Bit(const SSystemFacts& sFacts);
bool IsRunning32On64Bit(const SSystemFacts& sFacts);

} // namespace kov
