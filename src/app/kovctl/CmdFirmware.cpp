// kovctl models: the device models firmware archives are matched against.
// kovctl inspect FILE [--model CODE]: what the Maintenance page would make of a program file.
#include "app/kovctl/Commands.h"

#include "firmware/ProgramFile.h"
#include "support/TextCodec.h"
#include "support/TextNumbers.h"

#include <cstdio>

namespace kov {

namespace {

const char* KindName(ProgramFileKind eKind)
{
    switch (eKind) {
    case ProgramFileKind::Ldr: return "ldr";
    case ProgramFileKind::Tgz: return "tgz";
    case ProgramFileKind::None: break;
    }
    return "none";
}

int Fail(const SFirmwareMessage& message)
{
    std::fprintf(stderr, "%s\n", Utf16ToUtf8(message.wszText).c_str());
    return kExitFailure;
}

} // namespace

int CmdModels(const SKovctlGlobals& /*globals*/, const std::vector<std::string>& args)
{
    if (!args.empty()) {
        std::fputs("usage: kovctl models\n", stderr);
        return kExitUsage;
    }
    for (const SDeviceModel& model : DeviceModelTable())
        std::printf("%s\t%s\t%d\n", Utf16ToUtf8(model.wszModelCode).c_str(),
                    Utf16ToUtf8(model.wszDisplayName).c_str(), model.iPlatformId);
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailure;
}

int CmdInspect(const SKovctlGlobals& /*globals*/, const std::vector<std::string>& args)
{
    const std::string* pFile = nullptr;
    const std::string* pModel = nullptr;
    bool bUsage = false;
    for (size_t i = 0; i < args.size() && !bUsage; ++i) {
        if (args[i] == "--model" && i + 1 < args.size() && !pModel)
            pModel = &args[++i];
        else if (args[i].starts_with("--") || pFile)
            bUsage = true;
        else
            pFile = &args[i];
    }
    if (bUsage || !pFile) {
        std::fputs("usage: kovctl inspect FILE [--model CODE]\n", stderr);
        return kExitUsage;
    }
    const std::u16string wszPath = Utf8ToUtf16(*pFile);
    const std::u16string wszModel = pModel ? Utf8ToUtf16(*pModel) : std::u16string();

    // Without a model the archive is taken as one: its line is read but matched with nothing.
    SProgramFileClass fileClass = ClassifyProgramFile(wszPath, wszModel);
    const bool bArchiveOnly = !pModel && KindOfExtension(wszPath) == ProgramFileKind::Tgz;
    if (bArchiveOnly)
        fileClass.eKind = ProgramFileKind::Tgz;
    std::printf("kind: %s\n", KindName(fileClass.eKind));
    std::fflush(stdout);
    if (fileClass.eKind == ProgramFileKind::None)
        return Fail(ClassificationMessage(fileClass));

    if (fileClass.eKind == ProgramFileKind::Ldr) {
        const int64_t llVersion = ReadLdrVersion(wszPath);
        if (llVersion < 0)
            return Fail(LdrVersionMessage(llVersion));
        std::printf("version: %s\n", DottedQuadText<char>(static_cast<uint32_t>(llVersion)).c_str());
        return std::fflush(stdout) == 0 ? kExitOk : kExitFailure;
    }

    STgzIdentification ident;
    const ETgzCheck eResult = bArchiveOnly ? ReadTgzIdentificationLine(wszPath, ident)
                                           : ReadTgzIdentification(wszPath, fileClass.iPlatformId, ident);
    if (eResult != ETgzCheck::Ok)
        return Fail(TgzCheckMessage(eResult, ident, fileClass.iPlatformId));
    std::printf("version: %s\nplatform: %s\ndate: %s\n", ident.szVersion.c_str(),
                Utf16ToUtf8(ident.wszPlatform).c_str(), ident.szDate.c_str());
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailure;
}

} // namespace kov
