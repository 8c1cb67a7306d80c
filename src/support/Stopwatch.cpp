#include "support/Stopwatch.h"

#include <chrono>

namespace kov {

int64_t CStopwatch::NowTicks() const
{
    if (m_fnNow)
        return m_fnNow();
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

int64_t CStopwatch::TicksPerMicrosecond() const
{
    if (m_fnNow)
        return 1;
    using Period = std::chrono::steady_clock::period;
    // Every thread computes the same constant, so no lock is needed.
    static const int64_t s_llFactor = [] {
        const int64_t llPerSecond = Period::den / Period::num;
        return llPerSecond >= 1000000 ? llPerSecond / 1000000 : 0;
    }();
    return s_llFactor;
}

void CStopwatch::Start()
{
    m_bRunning = true;
    m_llStart = NowTicks();
    m_llLast = m_llStart;
    m_llAccumulated = 0;
}

int64_t CStopwatch::Elapsed()
{
    if (m_bRunning) {
        const int64_t llNow = NowTicks();
        m_llAccumulated += llNow - m_llLast;
        m_llLast = llNow;
    }
    const int64_t llFactor = TicksPerMicrosecond();
    // A clock coarser than a microsecond measures nothing.
    return llFactor == 0 ? 0 : m_llAccumulated / llFactor;
}

void CStopwatch::Stop()
{
    Elapsed();
    m_bRunning = false;
}

} // namespace kov
