#include "support/Format.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

namespace kov {

namespace {

constexpr int64_t kKilo = 1024;
constexpr int64_t kMega = 1048576;
constexpr int64_t kGiga = 1073741824;

// Shared by sizes and rates: the thresholds are the same, only the unit texts differ.
std::string FormatScaled(int64_t llValue, const char* szUnits, const char* szKilo, const char* szMega,
                         const char* szGiga)
{
    char szOut[64];
    if (llValue < kKilo)
        std::snprintf(szOut, sizeof(szOut), szUnits, static_cast<long long>(llValue));
    else if (llValue < kMega)
        std::snprintf(szOut, sizeof(szOut), szKilo, static_cast<double>(llValue) / kKilo);
    else if (llValue < kGiga)
        std::snprintf(szOut, sizeof(szOut), szMega, static_cast<double>(llValue) / kMega);
    else
        std::snprintf(szOut, sizeof(szOut), szGiga, static_cast<double>(llValue) / kGiga);
    return szOut;
}

inline char16_t FoldAscii(char16_t wch)
{
    return (wch >= u'A' && wch <= u'Z') ? static_cast<char16_t>(wch - u'A' + u'a') : wch;
}

} // namespace

std::string HexOfBytes(const void* pData, size_t iCount, bool bUpperCase)
{
    static constexpr char kUpper[] = "0123456789ABCDEF";
    static constexpr char kLower[] = "0123456789abcdef";
    const char* szDigits = bUpperCase ? kUpper : kLower;
    std::string szOut;
    if (pData == nullptr)
        return szOut;
    szOut.resize(iCount * 2);
    const auto* pBytes = static_cast<const uint8_t*>(pData);
    for (size_t i = 0; i < iCount; ++i) {
        szOut[2 * i] = szDigits[pBytes[i] >> 4];
        szOut[2 * i + 1] = szDigits[pBytes[i] & 0x0F];
    }
    return szOut;
}

void UrlEncodeInPlace(std::string& szText)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string szOut;
    szOut.reserve(szText.size());
    for (char ch : szText) {
        const auto by = static_cast<unsigned char>(ch);
        const bool bKeep = (by >= 'a' && by <= 'z') || (by >= 'A' && by <= 'Z') || (by >= '0' && by <= '9') ||
                           by == '-' || by == '.' || by == '/' || by == '_';
        if (bKeep) {
            szOut.push_back(ch);
        } else {
            szOut.push_back('%');
            szOut.push_back(kDigits[by >> 4]);
            szOut.push_back(kDigits[by & 0x0F]);
        }
    }
    szText.swap(szOut);
}

std::string FormatSize(int64_t llBytes)
{
    return FormatScaled(llBytes, "%lld bytes", "%3.1f KB", "%3.2f MB", "%.3f GB");
}

std::string FormatRate(int64_t llPerSecond)
{
    return FormatScaled(llPerSecond, "%lld bps", "%3.1f Kbps", "%3.2f Mb/s", "%.3f Gb/s");
}

std::string UtcOffsetText(int32_t iMinutes)
{
    const int64_t llAbsolute = iMinutes < 0 ? -int64_t{iMinutes} : int64_t{iMinutes};
    char szOut[32];
    std::snprintf(szOut, sizeof(szOut), "UTC%c%02lld:%02lld", iMinutes < 0 ? '-' : '+',
                  static_cast<long long>(llAbsolute / 60), static_cast<long long>(llAbsolute % 60));
    return szOut;
}

DateTime6 LocalDateTimeNow()
{
    // std::localtime hands back one static record; the lock keeps our own callers from
    // overwriting it under each other.
    static std::mutex s_mutex;
    const std::time_t tNow = std::time(nullptr);
    DateTime6 sNow;
    std::lock_guard<std::mutex> lock(s_mutex);
    if (const std::tm* pLocal = std::localtime(&tNow)) {
        sNow.iYear = pLocal->tm_year + 1900;
        sNow.iMonth = pLocal->tm_mon + 1;
        sNow.iDay = pLocal->tm_mday;
        sNow.iHour = pLocal->tm_hour;
        sNow.iMinute = pLocal->tm_min;
        sNow.iSecond = pLocal->tm_sec;
    }
    return sNow;
}

double SecondsSince1970Now()
{
    const auto llMicro = std::chrono::duration_cast<std::chrono::microseconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
    return static_cast<double>(llMicro / 1000000) + static_cast<double>(llMicro % 1000000) / 1e6;
}

size_t FindFirstOf(std::u16string_view wszText, std::u16string_view wszSet)
{
    return wszText.find_first_of(wszSet);
}

size_t FindFirstNotOf(std::u16string_view wszText, std::u16string_view wszSet)
{
    return wszText.find_first_not_of(wszSet);
}

int CompareNoCaseAscii(std::u16string_view wszFirst, std::u16string_view wszSecond)
{
    const size_t iCommon = std::min(wszFirst.size(), wszSecond.size());
    for (size_t i = 0; i < iCommon; ++i) {
        const char16_t wchA = FoldAscii(wszFirst[i]);
        const char16_t wchB = FoldAscii(wszSecond[i]);
        if (wchA != wchB) {
            const int iPosition = static_cast<int>(std::min<size_t>(i + 1, INT32_MAX));
            return wchA < wchB ? -iPosition : iPosition;
        }
    }
    if (wszFirst.size() == wszSecond.size())
        return 0;
    // The shorter text is the smaller; they differ just past its end.
    const int iPosition = static_cast<int>(std::min<size_t>(iCommon + 1, INT32_MAX));
    return wszFirst.size() < wszSecond.size() ? -iPosition : iPosition;
}

int64_t FindBytePattern(const void* pData, size_t iSize, const void* pPattern, size_t iPatternSize)
{
    if (pData == nullptr || pPattern == nullptr || iPatternSize == 0 || iPatternSize > iSize)
        return -1;
    const auto* pBegin = static_cast<const uint8_t*>(pData);
    const auto* pEnd = pBegin + iSize;
    const auto* pPatternBegin = static_cast<const uint8_t*>(pPattern);
    const auto* pFound = std::search(pBegin, pEnd, pPatternBegin, pPatternBegin + iPatternSize);
    return pFound == pEnd ? -1 : static_cast<int64_t>(pFound - pBegin);
}

uint32_t ReadBigEndian32(const uint8_t* pBytes)
{
    return (uint32_t{pBytes[0]} << 24) | (uint32_t{pBytes[1]} << 16) | (uint32_t{pBytes[2]} << 8) | pBytes[3];
}

} // namespace kov
