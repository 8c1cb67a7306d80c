#include "document/AppOptions.h"
#include "document/Customization.h"

#include <gtest/gtest.h>

#include "common/TestDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "document/FileAccess.h"

namespace kov {
namespace {

class OptionsFiles : public ::testing::Test {
protected:
    std::u16string Folder() const { return m_path.u16string() + u"/"; }
    std::u16string Write(const std::string& sName, const std::string& sText) const
    {
        std::ofstream(m_path / sName, std::ios::binary) << sText;
        return (m_path / sName).u16string();
    }
    kov::test::CTestDir m_dir;
    const std::filesystem::path& m_path = m_dir.Path();
};

TEST_F(OptionsFiles, OptionsRoundTripAndRefusals)
{
    const std::u16string wszFile = Folder() + kAppOptionsFileName;
    const std::u16string wszProgram = u"/fw/a&b <c> \"d\" 'e' \u00e9\u4e2d.tgz";
    ASSERT_TRUE(SaveAppOptions(wszProgram, wszFile));
    std::u16string wszRead;
    ASSERT_TRUE(LoadAppOptions(wszFile, wszRead));
    EXPECT_EQ(wszRead, wszProgram);

    // Wrong root or no file: false and untouched; right root without the path: empty.
    wszRead = u"keep";
    EXPECT_FALSE(LoadAppOptions(Write("other.xml", "<kov:Other/>"), wszRead));
    EXPECT_FALSE(LoadAppOptions(Folder() + u"missing.xml", wszRead));
    EXPECT_EQ(wszRead, u"keep");
    EXPECT_TRUE(LoadAppOptions(Write("bare.xml", "<kov:DeviceConfigAppOptions><kov:DeviceProgram/>"
                                                 "</kov:DeviceConfigAppOptions>"),
                               wszRead));
    EXPECT_TRUE(wszRead.empty());

    EXPECT_EQ(AppOptionsFolderFrom(u"/home/u/.local/share", u"/var/lib"), u"/home/u/.local/share/KOV");
    EXPECT_EQ(AppOptionsFolderFrom(u"", u"/var/lib/"), u"/var/lib/KOV");
    EXPECT_EQ(AppOptionsFolderFrom(u"", u""), u"");
}

TEST_F(OptionsFiles, TheKovFolderAndWhatIsSavedInItAreTheUsersAlone)
{
    const char* szOld = std::getenv("XDG_DATA_HOME");
    const std::string sOld = szOld ? szOld : "";
    ::setenv("XDG_DATA_HOME", (m_path / "data").c_str(), 1);
    const mode_t uOldMask = ::umask(0);
    const std::u16string wszOptions = PrepareAppOptionsFile();
    ASSERT_EQ(wszOptions, (m_path / "data" / "KOV" / "DeviceConfigApplicationOptions.xml").u16string());
    EXPECT_EQ(test::FileMode(m_path / "data"), 0700u);
    EXPECT_EQ(test::FileMode(m_path / "data" / "KOV"), 0700u);
    ASSERT_TRUE(SaveAppOptions(u"/fw/a.tgz", wszOptions));
    EXPECT_EQ(test::FileMode(wszOptions), 0600u);
    // A parameter file is made the same way; one that is replaced keeps its mode.
    const std::filesystem::path parameters = m_path / "data" / "KOV" / "unit.mdc";
    ASSERT_TRUE(SaveUtf8TextFile(parameters.u16string(), u"<a/>", true));
    EXPECT_EQ(test::FileMode(parameters), 0600u);
    ASSERT_EQ(::chmod(parameters.c_str(), 0640), 0);
    ASSERT_TRUE(SaveUtf8TextFile(parameters.u16string(), u"<b/>", true));
    EXPECT_EQ(test::FileMode(parameters), 0640u);
    ::umask(uOldMask);
    if (szOld)
        ::setenv("XDG_DATA_HOME", sOld.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

TEST_F(OptionsFiles, CustomizationTextsAndImages)
{
    CCustomization custom;
    EXPECT_FALSE(custom.Load(Folder()));
    EXPECT_EQ(custom.AboutText(), DefaultAboutText());
    EXPECT_EQ(DefaultAboutText().substr(0, 27), u"Dovrane\n\nVersion: 7.0.0.0\n\n");
    EXPECT_FALSE(custom.LogoImage().bGiven);

    Write("Custom.xml",
          "<kov:Custom><kov:CustomTexts><kov:ApplicationName>Acme Config</kov:ApplicationName>"
          "<kov:Company>Acme &amp; Co</kov:Company><kov:ProductName>X1</kov:ProductName>"
          "</kov:CustomTexts><kov:LogoImage>logo.bmp</kov:LogoImage><kov:ViewerImage/></kov:Custom>");
    ASSERT_TRUE(custom.Load(Folder()));
    EXPECT_EQ(custom.AboutText(), u"Acme Config\n\n\n\nAcme & Co"); // no version: empty middle paragraph
    std::u16string wszText;
    EXPECT_TRUE(custom.ProductName(wszText) && wszText == u"X1");
    EXPECT_FALSE(custom.Version(wszText) || custom.WebsiteUrl(wszText));
    EXPECT_TRUE(custom.LogoImage().bGiven);
    EXPECT_EQ(custom.LogoImage().wszPath, Folder() + u"logo.bmp");
    EXPECT_FALSE(custom.LogoIcon().bGiven || custom.ViewerImage().bGiven);

    std::string sLong(300, 'n');
    Write("Custom.xml", "<r><kov:CustomTexts><kov:ApplicationName>" + sLong +
                            "</kov:ApplicationName><kov:Version>1.2</kov:Version></kov:CustomTexts></r>");
    ASSERT_TRUE(custom.Load(Folder()));
    EXPECT_EQ(custom.AboutText().size(), kAboutTextMax);
    Write("Custom.xml", "<r><kov:CustomTexts><kov:ApplicationName>A</kov:ApplicationName><kov:Version>1.2"
                        "</kov:Version><kov:Company/></kov:CustomTexts></r>");
    ASSERT_TRUE(custom.Load(Folder()));
    EXPECT_EQ(custom.AboutText(), u"A\n\nVersion: 1.2\n\n");

    // A file that does not parse leaves everything absent.
    Write("Custom.xml", "<r><kov:LogoImage>x</kov:LogoImage>");
    EXPECT_FALSE(custom.Load(Folder()));
    EXPECT_FALSE(custom.IsLoaded() || custom.LogoImage().bGiven || custom.CustomTexts());
}

} // namespace
} // namespace kov
