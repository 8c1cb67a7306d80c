#include "platform/SystemInfo.h"

#include <sys/utsname.h>

namespace kov {

namespace {

uint32_t ReadNumber(const std::string& szText, size_t& iAt)
{
    uint32_t dwValue = 0;
    while (iAt < szText.size() && szText[iAt] >= '0' && szText[iAt] <= '9') {
        if (dwValue < 100000)
            dwValue = dwValue * 10 + static_cast<uint32_t>(szText[iAt] - '0');
        ++iAt;
    }
    return dwValue;
}

bool IsMachine64Bit(const std::string& szMachine)
{
    // x86_64, aarch64, ppc64(le), mips64, riscv64, sparc64, loongarch64 ... and s390x.
    return szMachine.find("64") != std::string::npos || szMachine == "s390x";
}

} // namespace

SSystemFacts FactsFromUname(const std::string& szRelease, const std::string& szMachine, bool b32BitProcess)
{
    SSystemFacts sFacts;
    sFacts.eFamily = ESystemFamily::Linux;
    size_t iAt = 0;
    sFacts.dwMajor = ReadNumber(szRelease, iAt);
    if (iAt < szRelease.size() && szRelease[iAt] == '.') {
        ++iAt;
        sFacts.dwMinor = ReadNumber(szRelease, iAt);
    }
    sFacts.b64BitSystem = IsMachine64Bit(szMachine);
    // A 32-bit build on a 64-bit kernel is Linux's counterpart of 32-bit emulation.
    sFacts.bProcess32On64 = sFacts.b64BitSystem && b32BitProcess;
    return sFacts;
}

SSystemFacts CSystemInfo::Facts() const
{
    struct utsname sName {};
    if (::uname(&sName) != 0)
        return SSystemFacts();
    return FactsFromUname(sName.release, sName.machine, sizeof(void*) == 4);
}

std::string CSystemInfo::Description() const
{
    struct utsname sName {};
    if (::uname(&sName) != 0)
        return std::string();
    return std::string(sName.sysname) + " " + sName.release + " " + sName.machine;
}

ISystemInfo& SystemInfo()
{
    static CSystemInfo s_systemInfo;
    return s_systemInfo;
}

} // namespace kov
