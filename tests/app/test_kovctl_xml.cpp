#include <sys/stat.h>

#include <fstream>

#include "KovctlTestKit.h"

namespace kov::test {
namespace {

class KovctlXml : public CKovctlTest {
protected:
    std::string Write(const std::string& sName, const std::string& sBytes) const
    {
        std::ofstream(File(sName), std::ios::binary) << sBytes;
        return "'" + File(sName) + "'";
    }
};

TEST_F(KovctlXml, PrintsTheWireFormOrFails)
{
    // UTF-16 big-endian with a NUL inside the text and a declaration: UTF-8 out, no mark,
    // no newline, the NUL turned into a space.
    const std::u16string wszSource =
        std::u16string(u"<?xml version='1.0'?>\n<kov:P b='2' a='&amp;'>x\u00E9") + u'\0' + u"y</kov:P>\n";
    std::string sUtf16 = "\xFE\xFF";
    for (char16_t wch : wszSource)
        sUtf16 += {char(wch >> 8), char(wch & 0xFF)};
    EXPECT_EQ(Run("xml " + Write("p.mdc", sUtf16)), 0);
    EXPECT_EQ(Out(), "<?xml version='1.0' encoding='UTF-8'?><kov:P a=\"&amp;\" b=\"2\">x\xC3\xA9 y</kov:P>");

    for (const std::string& sBad : {std::string(), std::string(2, '\0'), std::string("<a><b/>")}) {
        EXPECT_EQ(Run("xml " + Write("bad.xml", sBad)), 1);
        EXPECT_EQ(Err(), "Failed to load parameters from file\n");
        EXPECT_EQ(Out(), "");
    }
    EXPECT_EQ(Run("xml '" + File("missing.xml") + "'"), 1);
    EXPECT_EQ(Run("xml"), 2);
    EXPECT_EQ(Run("xml a b"), 2);
    EXPECT_NE(Err().find("usage: kovctl xml FILE"), std::string::npos);
}

TEST_F(KovctlXml, NamedPipesAreRefusedNotWaitedFor)
{
    // Nobody ever writes to these FIFOs: a reader that opened them would wait forever.
    for (const char* szName : {"p.mdc", "fw.ldr", "fw.tgz"})
        ASSERT_EQ(::mkfifo(File(szName).c_str(), 0600), 0);
    EXPECT_EQ(Run("xml '" + File("p.mdc") + "'"), 1);
    EXPECT_EQ(Err(), "Failed to load parameters from file\n");
    EXPECT_EQ(Run("inspect '" + File("fw.ldr") + "'"), 1);
    EXPECT_EQ(Err(), "Cannot open file\n");
    EXPECT_EQ(Run("inspect '" + File("fw.tgz") + "' --model VSK610"), 1);
    EXPECT_EQ(Err(), "Could not open zip file\n");
}

} // namespace
} // namespace kov::test
