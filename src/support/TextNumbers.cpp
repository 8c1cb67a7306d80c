#include "support/TextNumbers.h"

#include <iterator>
#include <limits>
#include <type_traits>

namespace kov {

namespace {

constexpr uint64_t kSaturated = std::numeric_limits<uint64_t>::max();

struct SScan {
    size_t iEnd = 0;    // just past the last digit (or where the digits would start)
    size_t iDigits = 0; // how many digits were read
    bool bNegative = false;
    uint64_t qwMagnitude = 0; // saturates at kSaturated, which no caller accepts as a value
};

// Optional white space and sign, then the run of digits.
template <typename TChar> SScan ScanNumber(std::basic_string_view<TChar> szText)
{
    SScan scan;
    size_t i = 0;
    while (i < szText.size() && IsNumberSpace(static_cast<char32_t>(szText[i])))
        ++i;
    if (i < szText.size() && (szText[i] == TChar('-') || szText[i] == TChar('+'))) {
        scan.bNegative = szText[i] == TChar('-');
        ++i;
    }
    for (; i < szText.size() && IsDecimalDigit(static_cast<char32_t>(szText[i])); ++i, ++scan.iDigits) {
        const auto uDigit = static_cast<uint64_t>(szText[i] - TChar('0'));
        scan.qwMagnitude =
            scan.qwMagnitude > (kSaturated - uDigit) / 10 ? kSaturated : scan.qwMagnitude * 10 + uDigit;
    }
    scan.iEnd = i;
    return scan;
}

// The value of a scan, held within the limits of TInt.
template <typename TInt> TInt Saturated(const SScan& scan)
{
    constexpr auto qwMax = static_cast<uint64_t>(std::numeric_limits<TInt>::max());
    if (!scan.bNegative)
        return static_cast<TInt>(scan.qwMagnitude < qwMax ? scan.qwMagnitude : qwMax);
    if constexpr (std::is_unsigned_v<TInt>) {
        return 0;
    } else {
        if (scan.qwMagnitude > qwMax)
            return std::numeric_limits<TInt>::min();
        return static_cast<TInt>(-static_cast<TInt>(scan.qwMagnitude));
    }
}

template <typename TInt, typename TChar> TInt ReadPrefix(std::basic_string_view<TChar> szText)
{
    return Saturated<TInt>(ScanNumber(szText));
}

template <typename TInt, typename TChar> bool ParseWhole(std::basic_string_view<TChar> szText, TInt& value)
{
    const SScan scan = ScanNumber(szText);
    if (scan.iDigits == 0)
        return false;
    for (size_t i = scan.iEnd; i < szText.size(); ++i)
        if (!IsNumberSpace(static_cast<char32_t>(szText[i])))
            return false;
    constexpr auto qwMax = static_cast<uint64_t>(std::numeric_limits<TInt>::max());
    if (scan.bNegative) {
        if (std::is_unsigned_v<TInt> || scan.qwMagnitude > qwMax + 1)
            return false;
    } else if (scan.qwMagnitude > qwMax) {
        return false;
    }
    value = Saturated<TInt>(scan);
    return true;
}

template <typename TChar> std::basic_string<TChar> DigitsText(uint64_t qwMagnitude, bool bNegative)
{
    TChar aText[24];
    size_t i = std::size(aText);
    do {
        aText[--i] = static_cast<TChar>('0' + qwMagnitude % 10);
        qwMagnitude /= 10;
    } while (qwMagnitude != 0);
    if (bNegative)
        aText[--i] = TChar('-');
    return std::basic_string<TChar>(aText + i, aText + std::size(aText));
}

struct SVersionScan {
    uint32_t dwPacked = 0;
    int iCounted = 0;
    bool bWhole = false; // every character read, the last one a digit
};

// The one reading of version texts; the counting rule is ParsePackedVersion's.
template <typename TChar> SVersionScan ScanVersion(std::basic_string_view<TChar> szText, TChar chSeparator)
{
    SVersionScan scan;
    uint32_t dwNumber = 0;
    bool bDigits = false;
    size_t i = 0;
    for (; i < szText.size(); ++i) {
        const TChar ch = szText[i];
        if (IsDecimalDigit(static_cast<char32_t>(ch))) {
            dwNumber = dwNumber * 10 + static_cast<uint32_t>(ch - TChar('0'));
            if (dwNumber > 255)
                break;
            bDigits = true;
        } else if (ch == chSeparator && bDigits) {
            scan.dwPacked = scan.dwPacked << 8 | dwNumber;
            ++scan.iCounted;
            dwNumber = 0;
            bDigits = false;
        } else {
            break; // another character, or a separator with no digit before it
        }
    }
    if (i == szText.size() && bDigits) {
        scan.dwPacked = scan.dwPacked << 8 | dwNumber;
        ++scan.iCounted;
        scan.bWhole = true;
    }
    return scan;
}

template <typename TChar> int32_t CountedVersion(std::basic_string_view<TChar> szText, TChar chSeparator)
{
    const SVersionScan scan = ScanVersion(szText, chSeparator);
    return scan.iCounted == 4 ? static_cast<int32_t>(scan.dwPacked) : kNoVersion;
}

} // namespace

int32_t ReadInt32(std::u16string_view wszText)
{
    return ReadPrefix<int32_t>(wszText);
}

int32_t ReadInt32(std::string_view szText)
{
    return ReadPrefix<int32_t>(szText);
}

uint32_t ReadUInt32(std::u16string_view wszText)
{
    return ReadPrefix<uint32_t>(wszText);
}

uint32_t ReadUInt32(std::string_view szText)
{
    return ReadPrefix<uint32_t>(szText);
}

int64_t ReadInt64(std::u16string_view wszText)
{
    return ReadPrefix<int64_t>(wszText);
}

int64_t ReadInt64(std::string_view szText)
{
    return ReadPrefix<int64_t>(szText);
}

bool ParseWholeInt32(std::u16string_view wszText, int32_t& iValue)
{
    return ParseWhole(wszText, iValue);
}

bool ParseWholeInt32(std::string_view szText, int32_t& iValue)
{
    return ParseWhole(szText, iValue);
}

bool ParseWholeUInt32(std::u16string_view wszText, uint32_t& dwValue)
{
    return ParseWhole(wszText, dwValue);
}

bool ParseWholeUInt32(std::string_view szText, uint32_t& dwValue)
{
    return ParseWhole(szText, dwValue);
}

bool ParseWholeInt64(std::u16string_view wszText, int64_t& llValue)
{
    return ParseWhole(wszText, llValue);
}

bool ParseWholeInt64(std::string_view szText, int64_t& llValue)
{
    return ParseWhole(szText, llValue);
}

template <typename TChar> std::basic_string<TChar> DecimalText(int32_t iValue)
{
    return DecimalText<TChar>(static_cast<int64_t>(iValue));
}

template <typename TChar> std::basic_string<TChar> DecimalText(uint32_t dwValue)
{
    return DigitsText<TChar>(dwValue, false);
}

template <typename TChar> std::basic_string<TChar> DecimalText(int64_t llValue)
{
    // The magnitude of the most negative value does not fit its own type.
    const uint64_t qwMagnitude =
        llValue < 0 ? uint64_t{0} - static_cast<uint64_t>(llValue) : static_cast<uint64_t>(llValue);
    return DigitsText<TChar>(qwMagnitude, llValue < 0);
}

template <typename TChar> std::basic_string<TChar> DottedQuadText(uint32_t dwValue)
{
    std::basic_string<TChar> szText;
    for (int iShift = 24; iShift >= 0; iShift -= 8) {
        if (iShift != 24)
            szText += TChar('.');
        szText += DigitsText<TChar>((dwValue >> iShift) & 0xFF, false);
    }
    return szText;
}

int32_t ParsePackedVersion(std::u16string_view wszText, char16_t chSeparator)
{
    return CountedVersion(wszText, chSeparator);
}

int32_t ParsePackedVersion(std::string_view szText, char chSeparator)
{
    return CountedVersion(szText, chSeparator);
}

bool ParseWholePackedVersion(std::string_view szText, uint32_t& dwVersion)
{
    const SVersionScan scan = ScanVersion(szText, '.');
    if (scan.iCounted != 4 || !scan.bWhole)
        return false;
    dwVersion = scan.dwPacked;
    return true;
}

std::u16string TrimControlSpace(std::u16string_view wszText)
{
    size_t iEnd = wszText.size();
    while (iEnd > 0 && wszText[iEnd - 1] <= 32)
        --iEnd;
    size_t iBegin = 0;
    while (iBegin < iEnd && wszText[iBegin] <= 32)
        ++iBegin;
    return std::u16string(wszText.substr(iBegin, iEnd - iBegin));
}

template std::u16string DecimalText<char16_t>(int32_t);
template std::string DecimalText<char>(int32_t);
template std::u16string DecimalText<char16_t>(uint32_t);
template std::string DecimalText<char>(uint32_t);
template std::u16string DecimalText<char16_t>(int64_t);
template std::string DecimalText<char>(int64_t);
template std::u16string DottedQuadText<char16_t>(uint32_t);
template std::string DottedQuadText<char>(uint32_t);

} // namespace kov
