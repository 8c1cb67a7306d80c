#pragma once
// Microsecond stopwatch over the steady high-resolution clock, or over a clock of the caller's
// (a test's fake clock, so that timing rules are tested without waiting).
#include <cstdint>
#include <functional>
#include <utility>

namespace kov {

class CStopwatch {
public:
    // Microseconds since any fixed point.
    using FnMicroseconds = std::function<int64_t()>;

    CStopwatch() = default;
    // An empty clock is the steady clock.
    explicit CStopwatch(FnMicroseconds fnNow) : m_fnNow(std::move(fnNow)) {}

    void Start();
    // Accumulated microseconds since Start, up to now while running, up to Stop otherwise.
    int64_t Elapsed();
    void Stop();
    bool IsRunning() const { return m_bRunning; }

private:
    int64_t NowTicks() const;
    int64_t TicksPerMicrosecond() const;

    FnMicroseconds m_fnNow;
    bool m_bRunning = false;
    int64_t m_llStart = 0;
    int64_t m_llLast = 0;
    int64_t m_llAccumulated = 0;
};

} // namespace kov
