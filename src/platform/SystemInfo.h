#pragma once
// Facts about the running system for the tests of support/SystemTests.h.
#include <string>

#include "support/SystemTests.h"

namespace kov {

class ISystemInfo {
public:
    virtual ~ISystemInfo() = default;
    virtual SSystemFacts Facts() const = 0;
    // Kernel name, release and machine type, for reports.
    virtual std::string Description() const = 0;
};

// The real system (uname).
class CSystemInfo : public ISystemInfo {
public:
    SSystemFacts Facts() const override;
    std::string Description() const override;
};

// A system made up by a test: set m_sFacts and m_szDescription as needed.
class CFakeSystemInfo : public ISystemInfo {
public:
    CFakeSystemInfo() = default;
    explicit CFakeSystemInfo(const SSystemFacts& sFacts) : m_sFacts(sFacts) {}
    SSystemFacts Facts() const override { return m_sFacts; }
    std::string Description() const override { return m_szDescription; }

    SSystemFacts m_sFacts;
    std::string m_szDescription = "Fake";
};

ISystemInfo& SystemInfo();

// Reads facts from uname's release and machine texts ("6.1.0-18-amd64", "x86_64").
SSystemFacts FactsFromUname(const std::string& szRelease, const std::string& szMachine, bool b32BitProcess);

} // namespace kov
