#include <gtest/gtest.h>

#include "common/TestDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>

namespace {

class KovctlXml : public ::testing::Test {
protected:
    std::string Write(const std::string& sName, const std::string& sBytes) const
    {
        std::ofstream(m_path / sName, std::ios::binary) << sBytes;
        return (m_path / sName).string();
    }
    std::string Read(const std::string& sName) const
    {
        std::ifstream in(m_path / sName, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Exit code of kovctl with the arguments; stdout and stderr land in files.
    int Run(const std::string& sArgs) const
    {
        const std::string sCommand = std::string("'") + KOVCTL_PATH + "' " + sArgs + " >'" +
                                     (m_path / "out").string() + "' 2>'" + (m_path / "err").string() + "'";
        const int iStatus = std::system(sCommand.c_str());
        return WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1;
    }
    kov::test::CTestDir m_dir;
    const std::filesystem::path& m_path = m_dir.Path();
};

TEST_F(KovctlXml, PrintsTheWireFormOrFails)
{
    // UTF-16 big-endian with a NUL inside the text and a declaration: UTF-8 out, no mark,
    // no newline, the NUL turned into a space.
    const std::string sSource =
        std::string("<?xml version='1.0'?>\n<kov:P b='2' a='&amp;'>x\xC3\xA9") + '\0' + "y</kov:P>\n";
    std::string sUtf16 = "\xFE\xFF";
    for (size_t i = 0; i < sSource.size();) {
        unsigned char by = static_cast<unsigned char>(sSource[i]);
        char16_t wch = by;
        if (by >= 0xC0) {
            wch = char16_t(((by & 0x1F) << 6) | (sSource[i + 1] & 0x3F));
            i += 2;
        } else {
            ++i;
        }
        sUtf16 += char(wch >> 8);
        sUtf16 += char(wch & 0xFF);
    }
    EXPECT_EQ(Run("xml '" + Write("p.mdc", sUtf16) + "'"), 0);
    EXPECT_EQ(Read("out"),
              "<?xml version='1.0' encoding='UTF-8'?><kov:P a=\"&amp;\" b=\"2\">x\xC3\xA9 y</kov:P>");

    for (const std::string& sBad : {std::string(), std::string(2, '\0'), std::string("<a><b/>")}) {
        EXPECT_EQ(Run("xml '" + Write("bad.xml", sBad) + "'"), 1);
        EXPECT_EQ(Read("err"), "Failed to load parameters from file\n");
        EXPECT_EQ(Read("out"), "");
    }
    EXPECT_EQ(Run("xml '" + (m_path / "missing.xml").string() + "'"), 1);
    EXPECT_EQ(Run("xml"), 2);
    EXPECT_EQ(Run("xml a b"), 2);
    EXPECT_NE(Read("err").find("usage: kovctl xml FILE"), std::string::npos);
}

TEST_F(KovctlXml, NamedPipesAreRefusedNotWaitedFor)
{
    // Nobody ever writes to these FIFOs: a reader that opened them would wait forever.
    for (const char* szName : {"p.mdc", "fw.ldr", "fw.tgz"})
        ASSERT_EQ(::mkfifo((m_path / szName).c_str(), 0600), 0);
    EXPECT_EQ(Run("xml '" + (m_path / "p.mdc").string() + "'"), 1);
    EXPECT_EQ(Read("err"), "Failed to load parameters from file\n");
    EXPECT_EQ(Run("inspect '" + (m_path / "fw.ldr").string() + "'"), 1);
    EXPECT_EQ(Read("err"), "Cannot open file\n");
    EXPECT_EQ(Run("inspect '" + (m_path / "fw.tgz").string() + "' --model VSK610"), 1);
    EXPECT_EQ(Read("err"), "Could not open zip file\n");
}

} // namespace
