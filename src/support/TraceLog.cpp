#include "support/TraceLog.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

namespace kov {

namespace {

// Recursive: a sink may itself use code that traces.
std::recursive_mutex g_traceLock;
ITraceLogSink* g_pSink = nullptr;
std::atomic<int> g_iLevel{0}; // 0: no sink

} // namespace

void AttachTraceLog(ITraceLogSink* pSink, int iLevel)
{
    std::lock_guard<std::recursive_mutex> guard(g_traceLock);
    g_pSink = pSink;
    g_iLevel.store(pSink ? iLevel : 0);
}

bool TraceLogWants(int iLevel)
{
    const int iAttached = g_iLevel.load(std::memory_order_relaxed);
    return iAttached > 0 && iLevel <= iAttached;
}

void TraceLogV(int iLevel, const char* szFormat, va_list args)
{
    if (!TraceLogWants(iLevel))
        return;
    char szSmall[512];
    va_list copy;
    va_copy(copy, args);
    const int iLength = std::vsnprintf(szSmall, sizeof szSmall, szFormat, copy);
    va_end(copy);
    if (iLength < 0)
        return;
    std::string sLarge;
    const char* szText = szSmall;
    if (static_cast<size_t>(iLength) >= sizeof szSmall) {
        sLarge.resize(static_cast<size_t>(iLength) + 1);
        std::vsnprintf(sLarge.data(), sLarge.size(), szFormat, args);
        sLarge.resize(static_cast<size_t>(iLength));
        szText = sLarge.c_str();
    }
    std::lock_guard<std::recursive_mutex> guard(g_traceLock);
    if (g_pSink && TraceLogWants(iLevel))
        g_pSink->WriteTrace(iLevel, szText);
}

void TraceLog(int iLevel, const char* szFormat, ...)
{
    if (!TraceLogWants(iLevel))
        return;
    va_list args;
    va_start(args, szFormat);
    TraceLogV(iLevel, szFormat, args);
    va_end(args);
}

} // namespace kov
