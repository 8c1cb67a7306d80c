#include "firmware/ProgramFile.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "document/FileAccess.h"
#include "firmware/GZFile.h"
#include "firmware/TarReader.h"
#include "support/Format.h"
#include "support/ScopeFrame.h"
#include "support/TextCodec.h"
#include "support/TextNumbers.h"

namespace kov {

namespace {

constexpr SHardwarePlatform kHardwarePlatforms[] = {
    {0, u"Undefined"},          {1, u"EZ-Kit 561"},         {2, u"BTX CM 561"},
    {3, u"KOV Device v1"},      {4, u"KOV Device v2"},      {5, u"Win32"},
    {6, u"Win32 64 bits"},      {7, u"Linux x86"},          {8, u"Linux x86 64 bits"},
    {9, u"ARMV4I WM6"},         {10, u"Linux DAVINCI"},     {11, u"ARM iPhone"},
    {12, u"ARM Android"},       {13, u"ARM Symbian"},       {14, u"Linux DAVINCI v2"},
    {15, u"Linux DAVINCI v3"},  {16, u"Linux DAVINCI v4"},  {17, u"Linux DAVINCI v5"},
    {18, u"Linux DAVINCI v6"},  {19, u"Linux DAVINCI v7"},  {20, u"Linux DAVINCI v8"},
    {21, u"Linux DAVINCI v9"},  {22, u"Linux DAVINCI v10"}, {23, u"Linux DAVINCI v11"},
    {24, u"Linux DAVINCI v12"}, {25, u"Linux DAVINCI v13"}, {26, u"SP5K V50 VESK130"},
};

constexpr SDeviceModel kDeviceModels[] = {
    {10, u"KOV-500", u"VSK500"}, {14, u"KOV-510", u"VSK510"}, {15, u"KOV-520", u"VSK520"},
    {16, u"KOV-600", u"VSK600"}, {17, u"KOV-610", u"VSK610"}, {18, u"KOV-620", u"VSK620"},
    {19, u"KOV-700", u"VSK700"}, {20, u"KOV-710", u"VSK710"}, {21, u"KOV-720", u"VSK720"},
    {22, u"KOV-800", u"VSK800"}, {23, u"KOV-810", u"VSK810"}, {24, u"KOV-900", u"VSK900"},
    {25, u"KOV-910", u"VSK910"},
};

constexpr uint8_t kLdrMarker[4] = {0x01, 0x2F, 0x38, 0xA5};
constexpr int32_t kLdrWindow = 1024;
constexpr int32_t kLdrCarry = 7;
constexpr size_t kTgzMessageMax = 300;
constexpr size_t kLdrMessageMax = 200;

// Fills "%ls", "%hs" and "%d" of a message with the given texts, in order, and cuts the
// result to the message's buffer length.
std::u16string FormatMessageText(std::u16string_view wszFormat,
                                 std::initializer_list<std::u16string_view> args, size_t iMaxLength)
{
    std::u16string wszOut;
    auto itArg = args.begin();
    for (size_t i = 0; i < wszFormat.size(); ++i) {
        const std::u16string_view wszRest = wszFormat.substr(i);
        const size_t iSpec = wszRest.starts_with(u"%ls") || wszRest.starts_with(u"%hs") ? 3
                             : wszRest.starts_with(u"%d")                               ? 2
                                                                                        : 0;
        if (iSpec != 0 && itArg != args.end()) {
            wszOut += *itArg++;
            i += iSpec - 1;
        } else {
            wszOut += wszFormat[i];
        }
    }
    if (wszOut.size() > iMaxLength)
        wszOut.resize(iMaxLength);
    return wszOut;
}

// Narrow file text shown in messages: the system's narrow encoding is UTF-8.
std::u16string Widen(std::string_view sz)
{
    return Utf8ToUtf16(sz);
}

} // namespace

std::span<const SHardwarePlatform> HardwarePlatformTable()
{
    return kHardwarePlatforms;
}

std::span<const SDeviceModel> DeviceModelTable()
{
    return kDeviceModels;
}

const SDeviceModel* FindDeviceModel(std::u16string_view wszModelCode)
{
    for (const SDeviceModel& model : kDeviceModels)
        if (model.wszModelCode == wszModelCode)
            return &model;
    return nullptr;
}

std::u16string_view HardwarePlatformName(int32_t iPlatformId)
{
    for (const SHardwarePlatform& platform : kHardwarePlatforms)
        if (platform.iId == iPlatformId)
            return platform.wszName;
    return {};
}

ProgramFileKind KindOfExtension(std::u16string_view wszPath)
{
    const size_t iLast = wszPath.find_last_of(u".\\/");
    if (iLast == std::u16string_view::npos || wszPath[iLast] != u'.')
        return ProgramFileKind::None;
    const std::u16string_view wszExtension = wszPath.substr(iLast);
    if (CompareNoCaseAscii(wszExtension, u".gz") == 0 || CompareNoCaseAscii(wszExtension, u".tgz") == 0)
        return ProgramFileKind::Tgz;
    return CompareNoCaseAscii(wszExtension, u".ldr") == 0 ? ProgramFileKind::Ldr : ProgramFileKind::None;
}

SProgramFileClass ClassifyProgramFile(std::u16string_view wszPath, std::u16string_view wszModelCode)
{
    SProgramFileClass result;
    const size_t iLast = wszPath.find_last_of(u".\\/");
    if (iLast == std::u16string_view::npos || wszPath[iLast] != u'.')
        return result;
    const ProgramFileKind eExtension = KindOfExtension(wszPath);
    if (eExtension == ProgramFileKind::Tgz) {
        if (const SDeviceModel* pModel = FindDeviceModel(wszModelCode)) {
            result.bFound = true;
            result.eKind = ProgramFileKind::Tgz;
            result.iPlatformId = pModel->iPlatformId;
            return result;
        }
    }
    result.bFound = true;
    result.iPlatformId = kOtherFilePlatformId;
    if (eExtension == ProgramFileKind::Ldr && (wszModelCode.empty() || wszModelCode == kLdrModelCode))
        result.eKind = ProgramFileKind::Ldr;
    return result;
}

SFirmwareMessage ClassificationMessage(const SProgramFileClass& fileClass)
{
    if (!fileClass.bFound)
        return {std::u16string(kMsgFileDoesNotMatchDevice), kCaptionDeviceProgramming};
    return {std::u16string(kMsgUnrecognizedFile), kCaptionDeviceProgramming};
}

int64_t ReadLdrVersion(const std::u16string& wszPath)
{
    ScopeFrame scope("FW::LDR");
    scope.Watch("wszPath", &wszPath);
    CFileAccess file;
    if (!file.Open(wszPath, kFileModeRead, true))
        return kLdrCannotOpen;
    int64_t llLeft = file.Size();
    if (llLeft < 8)
        return kLdrNoMarker;

    uint8_t abyWindow[kLdrWindow];
    int32_t iCarried = 0;
    // A marker whose last byte or version bytes lie in the final few bytes is still found:
    // the scan goes on while any byte is unread, as the carried bytes may complete it.
    while (llLeft > 0) {
        const auto iWant = static_cast<int32_t>(std::min<int64_t>(kLdrWindow - iCarried, llLeft));
        if (file.Read(abyWindow + iCarried, iWant) != iWant)
            return kLdrNoMarker;
        llLeft -= iWant;
        const int32_t iFilled = iCarried + iWant;
        if (iFilled > 4) {
            const int64_t llAt =
                FindBytePattern(abyWindow, static_cast<size_t>(iFilled - 4), kLdrMarker, sizeof(kLdrMarker));
            if (llAt >= 0)
                return static_cast<int64_t>(ReadBigEndian32(abyWindow + llAt + 4));
        }
        iCarried = std::min(kLdrCarry, iFilled);
        std::memmove(abyWindow, abyWindow + iFilled - iCarried, static_cast<size_t>(iCarried));
    }
    return kLdrNoMarker;
}

SFirmwareMessage LdrVersionMessage(int64_t llResult)
{
    if (llResult == kLdrCannotOpen)
        return {std::u16string(kMsgCannotOpenFile), kCaptionDeviceProgramming};
    if (llResult < 0)
        return {std::u16string(kMsgInvalidProgrammingFile), kCaptionDeviceProgramming};
    const auto dwVersion = static_cast<uint32_t>(llResult);
    std::u16string awszPart[4];
    for (int i = 0; i < 4; ++i)
        awszPart[i] = DecimalText((dwVersion >> (24 - 8 * i)) & 0xFF);
    return {FormatMessageText(kMsgConfirmLdr, {awszPart[0], awszPart[1], awszPart[2], awszPart[3]},
                              kLdrMessageMax),
            kCaptionDeviceProgramming, true};
}

ETgzCheck ReadTgzIdentificationLine(const std::u16string& wszPath, STgzIdentification& ident)
{
    ScopeFrame scope("FW::TGZ");
    scope.Watch("wszPath", &wszPath);
    CGZFile gzFile;
    if (!gzFile.Open(wszPath))
        return ETgzCheck::CannotOpen;
    TarReader tar;
    tar.Attach(&gzFile);
    uint64_t qwSize = 0;
    if (!tar.FindEntry(kIdentificationMember, qwSize))
        return ETgzCheck::NoIdentification;

    // Only the member's own bytes: a short member must not pull its padding or the next
    // header into the line.
    char achLine[kIdentificationLineMax];
    const auto iWant = static_cast<int32_t>(std::min<uint64_t>(kIdentificationLineMax, qwSize));
    const int32_t iGot = iWant > 0 ? tar.ReadData(achLine, iWant) : 0;
    std::string_view szLine(achLine, static_cast<size_t>(std::max(iGot, 0)));
    szLine = szLine.substr(0, szLine.find('\n'));
    szLine = szLine.substr(0, szLine.find('\0'));

    size_t aiSpace[4];
    int iSpaces = 0;
    for (size_t i = 0; i < szLine.size() && iSpaces < 4; ++i)
        if (szLine[i] == ' ')
            aiSpace[iSpaces++] = i;
    if (iSpaces < 3)
        return ETgzCheck::InvalidHeader;

    std::string szPlatform(szLine.substr(aiSpace[1] + 1, aiSpace[2] - aiSpace[1] - 1));
    std::replace(szPlatform.begin(), szPlatform.end(), '_', ' ');
    const size_t iDateEnd = iSpaces == 4 ? aiSpace[3] : szLine.size();
    ident.szVersion = std::string(szLine.substr(0, aiSpace[0]));
    ident.wszPlatform = Widen(szPlatform);
    ident.szDate = std::string(szLine.substr(aiSpace[2] + 1, iDateEnd - aiSpace[2] - 1));
    return ETgzCheck::Ok;
}

ETgzCheck ReadTgzIdentification(const std::u16string& wszPath, int32_t iPlatformId, STgzIdentification& ident)
{
    const ETgzCheck eLine = ReadTgzIdentificationLine(wszPath, ident);
    if (eLine != ETgzCheck::Ok)
        return eLine;
    const std::u16string_view wszDevicePlatform = HardwarePlatformName(iPlatformId);
    if (wszDevicePlatform.empty())
        return ETgzCheck::UnknownDevicePlatform;
    return wszDevicePlatform == ident.wszPlatform ? ETgzCheck::Ok : ETgzCheck::PlatformMismatch;
}

SFirmwareMessage TgzCheckMessage(ETgzCheck eResult, const STgzIdentification& ident, int32_t iPlatformId)
{
    switch (eResult) {
    case ETgzCheck::Ok:
        return {
            FormatMessageText(kMsgConfirmTgz, {Widen(ident.szVersion), Widen(ident.szDate)}, kTgzMessageMax),
            kCaptionDeviceProgramming, true};
    case ETgzCheck::CannotOpen: return {std::u16string(kMsgCouldNotOpenZip), kCaptionFlashTgz};
    case ETgzCheck::NoIdentification: return {std::u16string(kMsgNoVersionIdentification), kCaptionFlashTgz};
    case ETgzCheck::InvalidHeader: return {std::u16string(kMsgInvalidPartitionsHeader), kCaptionFlashTgz};
    case ETgzCheck::UnknownDevicePlatform:
        return {std::u16string(kMsgUnknownDevicePlatform), kCaptionFlashTgz};
    case ETgzCheck::PlatformMismatch: break;
    }
    return {FormatMessageText(kMsgPlatformMismatch, {HardwarePlatformName(iPlatformId), ident.wszPlatform},
                              kTgzMessageMax),
            kCaptionFlashTgz};
}

} // namespace kov
