#pragma once
// Microsecond stopwatch over the steady high-resolution clock.
#include <cstdint>

namespace kov {

class CStopwatch {
public:
    void Start();
    // Accumulated microseconds since Start, up to now while running, up to Stop otherwise.
    int64_t Elapsed();
    void Stop();
    bool IsRunning() const { return m_bRunning; }

private:
    static int64_t NowTicks();
    static int64_t TicksPerMicrosecond();

    bool m_bRunning = false;
    int64_t m_llStart = 0;
    int64_t m_llLast = 0;
    int64_t m_llAccumulated = 0;
};

} // namespace kov
