// Program files as the operator picks them: classification by path and device model, the
// .ldr version marker search, and the identification line of an archive. The first input
// byte picks the device model, the bytes up to the first NUL name the path (classification
// only), and the whole input is the file's content.
#include "FuzzSupport.h"

#include "firmware/ProgramFile.h"
#include "support/TextCodec.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

using namespace kov;

bool EndsWithNoCase(std::u16string_view wsz, std::u16string_view wszEnd)
{
    if (wsz.size() < wszEnd.size())
        return false;
    return std::equal(
        wszEnd.begin(), wszEnd.end(), wsz.end() - std::ptrdiff_t(wszEnd.size()),
        [](char16_t a, char16_t b) { return a == (b >= u'A' && b <= u'Z' ? b - u'A' + u'a' : b); });
}

// The first marker 01 2F 38 A5 with its four version bytes inside the file.
int64_t ExpectedLdrVersion(const uint8_t* pData, size_t iSize)
{
    for (size_t i = 0; i + 8 <= iSize; ++i)
        if (std::memcmp(pData + i, "\x01\x2F\x38\xA5", 4) == 0)
            return int64_t((uint32_t(pData[i + 4]) << 24) | (uint32_t(pData[i + 5]) << 16) |
                           (uint32_t(pData[i + 6]) << 8) | uint32_t(pData[i + 7]));
    return kLdrNoMarker;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize)
{
    if (iSize == 0)
        return 0;
    const std::u16string_view aModels[] = {
        u"", kLdrModelCode, DeviceModelTable()[pData[0] % DeviceModelTable().size()].wszModelCode,
        u"VSK6100"};
    const std::u16string_view wszModel = aModels[pData[0] % std::size(aModels)];
    const std::string sName(reinterpret_cast<const char*>(pData) + 1,
                            std::find(pData + 1, pData + iSize, uint8_t(0)) - (pData + 1));
    const std::u16string wszName = Utf8ToUtf16(sName);

    const SProgramFileClass fileClass = ClassifyProgramFile(wszName, wszModel);
    const size_t iLast = wszName.find_last_of(u".\\/");
    KOV_FUZZ_CHECK(fileClass.bFound == (iLast != std::u16string::npos && wszName[iLast] == u'.'));
    const bool bArchive = EndsWithNoCase(wszName, u".tgz") || EndsWithNoCase(wszName, u".gz");
    const bool bLdr = EndsWithNoCase(wszName, u".ldr");
    if (fileClass.bFound) {
        const SDeviceModel* pModel = FindDeviceModel(wszModel);
        if (bArchive && pModel) {
            KOV_FUZZ_CHECK(fileClass.eKind == ProgramFileKind::Tgz &&
                           fileClass.iPlatformId == pModel->iPlatformId);
        } else {
            KOV_FUZZ_CHECK(fileClass.iPlatformId == kOtherFilePlatformId);
            const bool bTakesLdr = wszModel.empty() || wszModel == kLdrModelCode;
            KOV_FUZZ_CHECK(fileClass.eKind ==
                           (bLdr && bTakesLdr ? ProgramFileKind::Ldr : ProgramFileKind::None));
        }
    } else {
        KOV_FUZZ_CHECK(fileClass.eKind == ProgramFileKind::None);
    }

    const std::u16string wszPath = Utf8ToUtf16(fuzz::InputFile(pData, iSize, ".ldr"));
    KOV_FUZZ_CHECK(ReadLdrVersion(wszPath) == ExpectedLdrVersion(pData, iSize));

    STgzIdentification ident;
    if (ReadTgzIdentificationLine(wszPath, ident) == ETgzCheck::Ok) {
        // Fields are cut at spaces and the line at its end: none of them holds either.
        for (const std::string& s : {ident.szVersion, ident.szDate})
            KOV_FUZZ_CHECK(s.find_first_of(std::string(" \n\0", 3)) == std::string::npos);
        KOV_FUZZ_CHECK(ident.wszPlatform.find_first_of(u"_\n") == std::u16string::npos);
        (void)TgzCheckMessage(ETgzCheck::Ok, ident, 17);
    }
    return 0;
}
