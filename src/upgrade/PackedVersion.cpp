#include "upgrade/PackedVersion.h"

#include "support/TextCodec.h"

#include <cstdio>

namespace kov {

namespace {

template <typename Char> int32_t Parse(std::basic_string_view<Char> sText, Char chSeparator)
{
    uint32_t dwPacked = 0;
    int iCounted = 0;
    uint32_t dwNumber = 0;
    bool bDigits = false;
    size_t i = 0;
    for (; i < sText.size(); ++i) {
        const Char ch = sText[i];
        if (ch >= Char('0') && ch <= Char('9')) {
            dwNumber = dwNumber * 10 + static_cast<uint32_t>(ch - Char('0'));
            if (dwNumber > 255)
                break;
            bDigits = true;
        } else if (ch == chSeparator && bDigits) {
            dwPacked = dwPacked << 8 | dwNumber;
            ++iCounted;
            dwNumber = 0;
            bDigits = false;
        } else {
            break; // another character, or a separator with no digit before it
        }
    }
    if (i == sText.size() && bDigits) {
        dwPacked = dwPacked << 8 | dwNumber;
        ++iCounted;
    }
    return iCounted == 4 ? static_cast<int32_t>(dwPacked) : kNoVersion;
}

} // namespace

int32_t ParsePackedVersion(std::string_view sText, char chSeparator)
{
    return Parse(sText, chSeparator);
}

int32_t ParsePackedVersion(std::u16string_view wszText, char16_t chSeparator)
{
    return Parse(wszText, chSeparator);
}

std::u16string PackedVersionDots(int32_t iVersion)
{
    const auto dwVersion = static_cast<uint32_t>(iVersion);
    char szText[20];
    std::snprintf(szText, sizeof szText, "%d.%d.%d.%d", static_cast<int>(dwVersion >> 24),
                  static_cast<int>(dwVersion >> 16 & 0xFF), static_cast<int>(dwVersion >> 8 & 0xFF),
                  static_cast<int>(dwVersion & 0xFF));
    return Utf8ToUtf16(szText);
}

std::u16string VersionFolderName(int32_t iVersion)
{
    return iVersion < 1 ? std::u16string(u"Unknown Version") : PackedVersionDots(iVersion);
}

} // namespace kov
