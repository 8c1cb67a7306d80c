#include "support/SystemTests.h"

namespace kov {

bool IsVersion6OrLater(const SSystemFacts& sFacts)
{
    return sFacts.eFamily == ESystemFamily::Linux || sFacts.dwMajor >= 6;
}

bool IsVersion62OrLater(const SSystemFacts& sFacts)
{
    if (sFacts.eFamily == ESystemFamily::Linux)
        return true;
    return sFacts.dwMajor > 6 || (sFacts.dwMajor == 6 && sFacts.dwMinor >= 2);
}

bool IsVersion6OrLaterOn64Bit(const SSystemFacts& sFacts)
{
    return IsVersion6OrLater(sFacts) && sFacts.b64BitSystem;
}

bool IsRunning32On64Bit(const SSystemFacts& sFacts)
{
    return sFacts.b64BitSystem && sFacts.bProcess32On64;
}

} // namespace kov
