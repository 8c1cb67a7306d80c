#include <gtest/gtest.h>

#include "FirmwareTestKit.h"
#include "firmware/ProgramFile.h"
#include "support/TextCodec.h"

using namespace kov;
using namespace kovtest;

namespace {

std::u16string W(const std::string& s)
{
    return Utf8ToUtf16(s);
}

} // namespace

TEST(ProgramFile, ClassifiesByExtensionAndModel)
{
    const std::u16string wszModel(DeviceModelTable()[4].wszModelCode); // platform 17
    struct {
        const char* szPath;
        std::u16string wszModel;
        bool bFound;
        ProgramFileKind eKind;
        int32_t iPlatform;
    } const aCases[] = {
        {"/fw/image.TGZ", wszModel, true, ProgramFileKind::Tgz, 17},
        {"C:\\fw\\image.gz", wszModel, true, ProgramFileKind::Tgz, 17},
        {"/fw/image.tgz", u"UNKNOWN", true, ProgramFileKind::None, 4},
        {"/fw/loader.LDR", u"", true, ProgramFileKind::Ldr, 4},
        {"/fw/loader.ldr", wszModel, true, ProgramFileKind::None, 4},
        {"/fw/readme.txt", wszModel, true, ProgramFileKind::None, 4},
        {"/fw.d/image", wszModel, false, ProgramFileKind::None, 0},
        {"image", wszModel, false, ProgramFileKind::None, 0},
    };
    for (const auto& c : aCases) {
        const SProgramFileClass got = ClassifyProgramFile(W(c.szPath), c.wszModel);
        EXPECT_EQ(got.bFound, c.bFound) << c.szPath;
        EXPECT_EQ(got.eKind, c.eKind) << c.szPath;
        EXPECT_EQ(got.iPlatformId, c.iPlatform) << c.szPath;
    }
}

TEST(ProgramFile, LdrVersionMarker)
{
    CTempDir dir("kov_ldr");
    const std::string sMarker("\x01\x2F\x38\xA5", 4);
    auto Version = [&](const std::string& sBytes) { return ReadLdrVersion(W(dir.Write("f.ldr", sBytes))); };

    EXPECT_EQ(Version(sMarker + std::string("\x02\x05\x00\x11", 4) + "tail"), 0x02050011);
    EXPECT_TRUE(LdrVersionMessage(0x02050011).bConfirmation);

    // A marker starting in the last 7 bytes of the first 1024-byte window, and markers whose
    // version ends in the last bytes of files of several lengths.
    EXPECT_EQ(Version(std::string(1020, 'x') + sMarker + "\x01\x02\x03\x04" + std::string(3000, 'y')),
              0x01020304);
    for (size_t iPad : {0u, 1016u, 1017u, 1018u, 1022u, 2040u, 2046u})
        EXPECT_EQ(Version(std::string(iPad, 'z') + sMarker + "\x0A\x0B\x0C\x0D"), 0x0A0B0C0D) << iPad;
    // Versions that look like the failure results are still versions.
    EXPECT_EQ(Version(sMarker + "\xFF\xFF\xFF\xFF"), int64_t(0xFFFFFFFF));
    EXPECT_EQ(LdrVersionMessage(Version(sMarker + "\xFF\xFF\xFF\xFE")).wszText,
              u"Device file version is 255.255.255.254\nConfirm start of programming.");

    for (const std::string& sBad : {std::string(), std::string("\x01"), sMarker + "\x01\x02\x03",
                                    std::string(5000, '\x01') + sMarker + "\x01\x02\x03"})
        EXPECT_EQ(Version(sBad), kLdrNoMarker);
    EXPECT_EQ(ReadLdrVersion(W((dir.Path() / "none.ldr").string())), kLdrCannotOpen);
    EXPECT_EQ(LdrVersionMessage(kLdrCannotOpen).wszText, u"Cannot open file");
}

TEST(ProgramFile, TgzIdentificationLine)
{
    CTempDir dir("kov_tgz");
    int iArchives = 0;
    auto Archive = [&](const std::string& sLine, bool bCompressed = true) {
        const std::string sTar = TarEntry("boot.img", std::string(3000, 'b')) +
                                 TarEntry("partitions.txt", sLine) + TarEntry("rootfs.img", "r");
        return W(
            dir.Write("fw" + std::to_string(++iArchives) + ".tgz",
                      bCompressed ? GzipMember(sTar.substr(0, 4096)) + GzipMember(sTar.substr(4096)) : sTar));
    };
    STgzIdentification ident;
    for (bool bCompressed : {true, false}) {
        ASSERT_EQ(ReadTgzIdentification(
                      Archive("1.2.3 any Linux_DAVINCI_v5 2018-11-01\nboot 0 100\n", bCompressed), 17, ident),
                  ETgzCheck::Ok);
        EXPECT_EQ(ident.szVersion, "1.2.3");
        EXPECT_EQ(ident.wszPlatform, u"Linux DAVINCI v5");
        EXPECT_EQ(ident.szDate, "2018-11-01");
    }
    // More than four fields: the date ends at the fourth space.
    ASSERT_EQ(ReadTgzIdentification(Archive("2.0 x Linux_DAVINCI_v5 2019-01-02 extra words"), 17, ident),
              ETgzCheck::Ok);
    EXPECT_EQ(ident.szDate, "2019-01-02");

    ASSERT_EQ(ReadTgzIdentification(Archive("1.2.3 any Linux_DAVINCI_v5 d\n"), 14, ident),
              ETgzCheck::PlatformMismatch);
    EXPECT_NE(
        TgzCheckMessage(ETgzCheck::PlatformMismatch, ident, 14).wszText.find(u"platform: Linux DAVINCI v2\n"),
        std::u16string::npos);
    EXPECT_EQ(
        TgzCheckMessage(ETgzCheck::PlatformMismatch, {"", W(std::string(400, 'p')), ""}, 14).wszText.size(),
        300u);

    const std::u16string wszBadGz =
        W(dir.Write("bad.tgz", GzipMember(TarEntry("partitions.txt", "a b c d")).substr(0, 30)));
    const struct {
        std::u16string wszPath;
        int32_t iPlatform;
        ETgzCheck eResult;
        const char16_t* wszText;
    } aFailures[] = {
        {Archive("1.2.3 any Linux_DAVINCI_v5\n2018 a b c"), 17, ETgzCheck::InvalidHeader,
         u"Invalid internal partitions header"},
        {Archive("1.2.3 any Linux_DAVINCI_v5 d"), 27, ETgzCheck::UnknownDevicePlatform,
         u"Could not decide on connected device platform"},
        {W(dir.Write("other.tgz", GzipMember(TarEntry("partitions.txt.bak", "1 2 3 4")))), 17,
         ETgzCheck::NoIdentification, u"Could not find version identification"},
        {wszBadGz, 17, ETgzCheck::NoIdentification, u"Could not find version identification"},
        {W((dir.Path() / "missing.tgz").string()), 17, ETgzCheck::CannotOpen, u"Could not open zip file"},
    };
    for (const auto& f : aFailures) {
        const ETgzCheck eResult = ReadTgzIdentification(f.wszPath, f.iPlatform, ident);
        EXPECT_EQ(eResult, f.eResult) << Utf16ToUtf8(f.wszText);
        EXPECT_EQ(TgzCheckMessage(eResult, ident, f.iPlatform).wszText, f.wszText);
        EXPECT_EQ(TgzCheckMessage(eResult, ident, f.iPlatform).wszCaption, u"Flash TGZ");
    }
}
