#include "support/Ipv4.h"

#include "support/TextNumbers.h"

namespace kov {

namespace {

template <typename Char>
int ParseParts(std::basic_string_view<Char> szText, Char chSeparator, uint8_t* pParts, int iMaxParts)
{
    if (pParts == nullptr || iMaxParts <= 0)
        return 0;
    int iParts = 0;
    unsigned uValue = 0;
    bool bHaveDigits = false;
    for (Char ch : szText) {
        if (ch >= Char('0') && ch <= Char('9')) {
            uValue = uValue * 10 + static_cast<unsigned>(ch - Char('0'));
            if (uValue >= 256)
                return iParts;
            bHaveDigits = true;
        } else if (ch == chSeparator) {
            if (!bHaveDigits)
                return iParts;
            pParts[iParts++] = static_cast<uint8_t>(uValue);
            if (iParts == iMaxParts)
                return iParts;
            uValue = 0;
            bHaveDigits = false;
        } else {
            break;
        }
    }
    if (bHaveDigits)
        pParts[iParts++] = static_cast<uint8_t>(uValue);
    return iParts;
}

template <typename Char> uint32_t AddressOf(std::basic_string_view<Char> szText)
{
    uint8_t abyParts[4];
    if (ParseParts<Char>(szText, Char('.'), abyParts, 4) != 4)
        return kNoIpv4Address;
    return (uint32_t{abyParts[0]} << 24) | (uint32_t{abyParts[1]} << 16) | (uint32_t{abyParts[2]} << 8) |
           abyParts[3];
}

// One number of the inet_addr form; false when it has no digits, a digit outside its base,
// or more than 32 bits.
bool ReadInetNumber(std::u16string_view wszText, size_t& iAt, uint32_t& dwValue)
{
    if (iAt >= wszText.size() || wszText[iAt] < u'0' || wszText[iAt] > u'9')
        return false;
    unsigned uBase = 10;
    if (wszText[iAt] == u'0') {
        uBase = 8;
        ++iAt;
        if (iAt < wszText.size() && (wszText[iAt] == u'x' || wszText[iAt] == u'X')) {
            uBase = 16;
            ++iAt;
        }
    }
    uint64_t qwValue = 0;
    size_t iDigits = 0;
    for (; iAt < wszText.size(); ++iAt) {
        const char16_t wch = wszText[iAt];
        unsigned uDigit;
        if (wch >= u'0' && wch <= u'9')
            uDigit = static_cast<unsigned>(wch - u'0');
        else if (wch >= u'a' && wch <= u'f')
            uDigit = static_cast<unsigned>(wch - u'a' + 10);
        else if (wch >= u'A' && wch <= u'F')
            uDigit = static_cast<unsigned>(wch - u'A' + 10);
        else
            break;
        if (uDigit >= uBase)
            return false;
        qwValue = qwValue * uBase + uDigit;
        if (qwValue > UINT32_MAX)
            return false;
        ++iDigits;
    }
    // "0" alone is a complete octal number; "0x" needs at least one hexadecimal digit.
    if (uBase == 16 && iDigits == 0)
        return false;
    dwValue = static_cast<uint32_t>(qwValue);
    return true;
}

bool ParseInetAddress(std::u16string_view wszText, uint32_t& dwAddress)
{
    uint32_t adwParts[4];
    int iParts = 0;
    size_t iAt = 0;
    for (;;) {
        if (!ReadInetNumber(wszText, iAt, adwParts[iParts]))
            return false;
        ++iParts;
        if (iAt < wszText.size() && wszText[iAt] == u'.') {
            if (iParts == 4)
                return false;
            ++iAt;
            continue;
        }
        break;
    }
    // Like inet_addr, trailing white space is allowed and nothing else.
    for (; iAt < wszText.size(); ++iAt) {
        if (!IsNumberSpace(wszText[iAt]))
            return false;
    }
    // The last part fills all the bytes the earlier parts leave.
    for (int i = 0; i < iParts - 1; ++i) {
        if (adwParts[i] > 0xFF)
            return false;
    }
    static constexpr uint32_t kLastMax[4] = {0xFFFFFFFF, 0xFFFFFF, 0xFFFF, 0xFF};
    if (adwParts[iParts - 1] > kLastMax[iParts - 1])
        return false;
    uint32_t dwValue = adwParts[iParts - 1];
    for (int i = 0; i < iParts - 1; ++i)
        dwValue |= adwParts[i] << (24 - 8 * i);
    dwAddress = dwValue;
    return true;
}

} // namespace

int ParseDottedParts(std::u16string_view wszText, char16_t chSeparator, uint8_t* pParts, int iMaxParts)
{
    return ParseParts<char16_t>(wszText, chSeparator, pParts, iMaxParts);
}

int ParseDottedParts(std::string_view szText, char chSeparator, uint8_t* pParts, int iMaxParts)
{
    return ParseParts<char>(szText, chSeparator, pParts, iMaxParts);
}

uint32_t Ipv4FromText(std::u16string_view wszText)
{
    return AddressOf<char16_t>(wszText);
}

uint32_t Ipv4FromText(std::string_view szText)
{
    return AddressOf<char>(szText);
}

std::u16string Ipv4ToText(uint32_t dwAddress)
{
    return DottedQuadText(dwAddress);
}

bool Ipv4FromControlText(std::u16string_view wszText, uint32_t& dwAddress, bool& bBlank)
{
    uint32_t dwParsed = 0;
    if (!ParseInetAddress(wszText, dwParsed) || dwParsed == kNoIpv4Address) {
        dwAddress = 0;
        bBlank = true;
        return false;
    }
    dwAddress = dwParsed;
    bBlank = false;
    return true;
}

std::u16string Ipv4ToControlText(uint32_t dwAddress, bool bBlank)
{
    if (bBlank || dwAddress == 0)
        return std::u16string();
    return Ipv4ToText(dwAddress);
}

} // namespace kov
