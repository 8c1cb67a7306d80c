#pragma once
// The process-wide trace log: numbered levels (1 coarse ... higher finer) and one optional
// sink. The program attaches no sink, so nothing is logged through it; tests and tools may.
#include <cstdarg>

namespace kov {

class ITraceLogSink {
public:
    // szText is the formatted message, exactly as produced (line ends included).
    virtual void WriteTrace(int iLevel, const char* szText) = 0;

protected:
    virtual ~ITraceLogSink() = default;
};

// Attaches pSink (nullptr detaches) at iLevel: messages of level <= iLevel reach it. When this
// returns, the previous sink is no longer called.
void AttachTraceLog(ITraceLogSink* pSink, int iLevel);
// True when a sink is attached at iLevel or finer.
bool TraceLogWants(int iLevel);
// Formats (printf) and hands the text to the sink if it wants iLevel.
void TraceLog(int iLevel, const char* szFormat, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
void TraceLogV(int iLevel, const char* szFormat, va_list args);

} // namespace kov
