#include <gtest/gtest.h>

#include "FirmwareTestKit.h"
#include "firmware/GZFile.h"
#include "firmware/TarReader.h"
#include "support/TextCodec.h"

using namespace kov;
using namespace kovtest;

namespace {

// Reads in pieces of iPiece until the stream stops; iLast gets the result that stopped it.
std::string ReadAll(CGZFile& gz, int32_t iPiece, int32_t& iLast)
{
    std::string s;
    std::string sBuffer(size_t(iPiece), '\0');
    while ((iLast = gz.Read(sBuffer.data(), iPiece)) > 0)
        s.append(sBuffer, 0, size_t(iLast));
    return s;
}

std::string Pattern(size_t iSize)
{
    std::string s(iSize, '\0');
    for (size_t i = 0; i < iSize; ++i)
        s[i] = char((i * 7 + i / 251) & 0xFF);
    return s;
}

} // namespace

TEST(GZFile, ReadsMembersAndPlainFilesAsOneStream)
{
    CTempDir dir("kov_gz_stream");
    CGZFile gz;
    int32_t iLast = 0;
    const std::string sFirst = Pattern(70000), sSecond = "second member";
    // Two members, every optional header field, trailing zero padding: one clean stream.
    ASSERT_TRUE(gz.Open(Utf8ToUtf16(
        dir.Write("two.gz", GzipMember(sFirst, 0x1E) + GzipMember(sSecond, 0x08) + std::string(300, '\0')))));
    EXPECT_EQ(ReadAll(gz, 4099, iLast), sFirst + sSecond);
    EXPECT_EQ(iLast, 0);
    EXPECT_EQ(gz.GetPosition(), int64_t(sFirst.size() + sSecond.size()));

    // Not gzip: passed through unchanged, including files of no or one byte.
    for (const std::string& sPlain : {std::string(), std::string("x"), std::string("\x1F"), Pattern(40000)}) {
        ASSERT_TRUE(gz.Open(Utf8ToUtf16(dir.Write("plain.tgz", sPlain))));
        EXPECT_TRUE(gz.IsTransparent());
        EXPECT_EQ(ReadAll(gz, 16384, iLast), sPlain);
        EXPECT_EQ(iLast, 0);
    }
    char ch = 0;
    gz.Close();
    EXPECT_EQ(gz.Read(&ch, 1), -2);
    EXPECT_FALSE(gz.Open(Utf8ToUtf16((dir.Path() / "missing.gz").string())));
}

TEST(GZFile, CorruptStreamsFailInsteadOfEnding)
{
    CTempDir dir("kov_gz_corrupt");
    const std::string sData = Pattern(50000);
    const std::string sGood = GzipMember(sData);
    std::string sBadCrc = sGood, sBadLength = sGood, sBadDeflate = sGood;
    sBadCrc[sGood.size() - 8] ^= 1;
    sBadLength[sGood.size() - 4] ^= 1;
    sBadDeflate.replace(12, 28, 28, char(0xFF));
    const std::string aBad[] = {
        std::string("\x1F\x8B", 2),                           // header cut short
        std::string("\x1F\x8B\x07\x00", 4) + sGood.substr(4), // method other than deflate
        std::string("\x1F\x8B\x08\x20", 4) + sGood.substr(4), // reserved flag
        std::string("\x1F\x8B\x08\x08\0\0\0\0\0\3name", 14),  // name never ends
        sGood.substr(0, sGood.size() / 2),                    // data cut short
        sGood.substr(0, sGood.size() - 2),                    // length trailer cut short
        sBadCrc,
        sBadLength,
        sBadDeflate,
        sGood + std::string("\x1F\x8B\x08\x00", 4), // second member cut in its header
    };
    CGZFile gz;
    for (const std::string& sBad : aBad) {
        ASSERT_TRUE(gz.Open(Utf8ToUtf16(dir.Write("bad.gz", sBad))));
        int32_t iLast = 0;
        EXPECT_LE(ReadAll(gz, 8192, iLast).size(), sData.size());
        EXPECT_EQ(iLast, -1) << sBad.size();
        char ch = 0;
        EXPECT_EQ(gz.Read(&ch, 1), -1);
        EXPECT_FALSE(gz.SetPosition(sData.size() + 1));
    }
}

TEST(GZFile, SeeksForwardBySkippingAndBackwardByRestarting)
{
    CTempDir dir("kov_gz_seek");
    const std::string sFirst = Pattern(60000), sSecond = Pattern(30000);
    CGZFile gz;
    ASSERT_TRUE(gz.Open(Utf8ToUtf16(dir.Write("s.gz", GzipMember(sFirst, 0x04) + GzipMember(sSecond)))));
    char ach[100];
    ASSERT_TRUE(gz.SetPosition(70000) && gz.Read(ach, 100) == 100); // inside the second member
    EXPECT_EQ(std::string(ach, 100), sSecond.substr(10000, 100));
    ASSERT_TRUE(gz.SetPosition(10) && gz.Read(ach, 100) == 100); // back: starts over from the first
    EXPECT_EQ(std::string(ach, 100), sFirst.substr(10, 100));
    EXPECT_EQ(gz.GetPosition(), 110);
    EXPECT_TRUE(gz.SetPosition(90000));
    EXPECT_FALSE(gz.SetPosition(90001)); // past the end
    EXPECT_TRUE(gz.SetPosition(0));      // and back again after the end was met
    EXPECT_FALSE(gz.SetPosition(-1));
    EXPECT_FALSE(gz.SetPosition(int64_t(1) << 31));
    ASSERT_TRUE(gz.Open(Utf8ToUtf16(dir.Write("plain.tar", sFirst))));
    ASSERT_TRUE(gz.SetPosition(50000) && gz.Read(ach, 100) == 100 && gz.SetPosition(5) &&
                gz.Read(ach, 10) == 10);
    EXPECT_EQ(std::string(ach, 10), sFirst.substr(5, 10));
}

TEST(TarReader, FindsEntriesAndStopsOnHostileSizes)
{
    CTempDir dir("kov_tar");
    const std::string sData(1000, 'd');
    // The size field "00000001750 " (octal 1750 ended by a space) is 1000 bytes: the next
    // header lies 1024 bytes behind the data start.
    const std::string sArchive = TarEntry("first.bin", sData, "00000001750 ") +
                                 TarEntry("big.bin", std::string(1024, 'b'), // base-256 size 1024
                                          std::string("\x80\0\0\0\0\0\0\0\0\0\x04\x00", 12)) +
                                 TarEntry("partitions.txt.old", "no") + TarEntry("partitions.txt", "line\n");
    CGZFile gz;
    TarReader tar;
    uint64_t qwSize = 0;
    for (const std::string& sFile : {GzipMember(sArchive), sArchive + std::string(1024, '\0')}) {
        ASSERT_TRUE(gz.Open(Utf8ToUtf16(dir.Write("a.tgz", sFile))));
        tar.Attach(&gz);
        ASSERT_TRUE(tar.FindEntry("first.bin", qwSize));
        EXPECT_EQ(qwSize, 1000u);
        ASSERT_TRUE(tar.FindEntry("partitions.txt", qwSize));
        EXPECT_EQ(qwSize, 5u);
        char ach[5];
        EXPECT_TRUE(tar.ReadData(ach, 5) == 5 && std::string(ach, 5) == "line\n");
        EXPECT_EQ(gz.GetPosition(), 512 + 1024 + 512 + 1024 + 512 + 512 + 512 + 5);
        EXPECT_FALSE(tar.FindEntry("partitions", qwSize));
    }

    // Sizes that run past the end or would wrap, a header cut short, no end blocks.
    const std::string aHostile[] = {
        TarEntry("x", "", std::string("\x80\0\0\0\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 12)) + TarEntry("p", "1"),
        TarEntry("x", "", std::string("\xFF\0\0\0\x7F\xFF\xFF\xFF\xFF\xFF\xFE\x00", 12)) + TarEntry("p", "1"),
        TarEntry("x", "", "77777777777") + TarEntry("p", "1"),
        TarEntry("x", "abc").substr(0, 700),
        TarEntry("x", "abc"),
        std::string(),
    };
    for (const std::string& sBad : aHostile) {
        for (const std::string& sFile : {sBad, GzipMember(sBad)}) {
            ASSERT_TRUE(gz.Open(Utf8ToUtf16(dir.Write("h.tgz", sFile))));
            tar.Attach(&gz);
            EXPECT_FALSE(tar.FindEntry("p", qwSize));
        }
    }
    tar.Close();
    char ch = 0;
    EXPECT_EQ(tar.ReadData(&ch, 1), -1);
    EXPECT_FALSE(tar.FindEntry("p", qwSize));
}
