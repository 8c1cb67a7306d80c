#include <gtest/gtest.h>

#include "common/TestDir.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "document/FileAccess.h"
#include "platform/FakeFileSystem.h"
#include "support/TextCodec.h"

namespace kov {
namespace {

std::u16string Wide(const std::filesystem::path& path)
{
    return Utf8ToUtf16(path.string());
}

void PutBytes(const std::filesystem::path& path, const std::string& sBytes)
{
    std::ofstream(path, std::ios::binary) << sBytes;
}

std::string GetBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(FileAccess, ModesPositionsAndErrors)
{
    const test::CTestDir dir;
    const std::filesystem::path path = dir / "modes.bin";
    CFileAccess file;
    EXPECT_FALSE(file.Open(Wide(path), kFileModeOpenExisting, true));
    EXPECT_EQ(file.LastError(), ErrorFileNotFound());
    EXPECT_FALSE(file.Open(Wide(path), 0, true));
    EXPECT_FALSE(file.Open(Wide(path), 5, false));
    EXPECT_EQ(file.LastError(), ErrorFileNotFound());
    EXPECT_FALSE(std::filesystem::exists(path));

    ASSERT_TRUE(file.Open(Wide(path), kFileModeOpenAlways, false));
    EXPECT_EQ(file.Write("hello world", 11), 11);
    EXPECT_TRUE(file.WriteAt(6, "WORLD", 5));
    EXPECT_EQ(file.GetPosition(), 11);
    EXPECT_EQ(file.Size(), 11);
    ASSERT_TRUE(file.SetPosition(0));
    char achRead[32] = {};
    EXPECT_EQ(file.Read(achRead, sizeof(achRead)), 11);
    EXPECT_EQ(std::string(achRead, 11), "hello WORLD");
    EXPECT_FALSE(file.SetPosition(-1));

    // A second opener is kept out while we hold the file exclusively.
    CFileAccess other;
    EXPECT_FALSE(other.Open(Wide(path), kFileModeRead, true));
    EXPECT_FALSE(FileExists(Wide(path)));
    file.Close();
    EXPECT_EQ(file.Read(achRead, 4), 0);
    EXPECT_EQ(file.Size(), -1);
    EXPECT_TRUE(FileExists(Wide(path)));

    ASSERT_TRUE(file.Open(Wide(path), kFileModeCreateAlways, true));
    EXPECT_EQ(file.Size(), 0);
    EXPECT_TRUE(file.WriteUtf8Mark());
    file.Close();
    EXPECT_EQ(GetBytes(path), "\xEF\xBB\xBF");

    EXPECT_TRUE(DeleteFile(Wide(path)));
    EXPECT_FALSE(DeleteFile(Wide(path)));
    EXPECT_FALSE(FileExists(Wide(path)));
    EXPECT_TRUE(CreateDirectory(Wide(path)));
    EXPECT_TRUE(CreateDirectory(Wide(path))); // exists already
    EXPECT_FALSE(FileExists(Wide(path)));     // a folder is not a file
    PutBytes(dir / "plain", "x");
    EXPECT_FALSE(CreateDirectory(Wide(dir / "plain")));
}

TEST(FileAccess, DetectsEncodingsAndReadsText)
{
    const test::CTestDir dir;
    const std::filesystem::path path = dir / "text.txt";
    struct SCase {
        std::string szBytes;
        bool bReads;
        std::u16string wszText;
    };
    const SCase aCases[] = {
        {"\xEF\xBB\xBF", true, u""},
        {"\xEF\xBB\xBF"
         "caf\xC3\xA9",
         true, u"caf\u00E9"},
        {"plain", true, u"plain"},
        {std::string("A\0", 2), true, u"A"},
        {std::string("\0A\0B", 4), true, u"AB"},
        {std::string("\xFF\xFE"
                     "A\0\xAC\x20",
                     6),
         true, u"A\u20AC"},
        {std::string("\xFE\xFF\0A\0", 5), true, u"A"}, // odd last byte dropped
        {std::string("\0\0AB", 4), false, u""},
        {"", false, u""},
        {"Z", false, u""},
        {"\xEF\xBB", true, u""}, // two bytes, both non-zero: UTF-8 that decodes to nothing
    };
    for (const SCase& sCase : aCases) {
        SCOPED_TRACE(testing::PrintToString(sCase.szBytes));
        PutBytes(path, sCase.szBytes);
        std::u16string wszText = u"untouched";
        EXPECT_EQ(ReadTextFile(Wide(path), wszText), sCase.bReads);
        EXPECT_EQ(wszText, sCase.bReads ? sCase.wszText : u"untouched");
    }
    std::u16string wszText;
    EXPECT_FALSE(ReadTextFile(Wide(dir / "missing.txt"), wszText));
}

TEST(FileAccess, SavesReplaceTheFileWhole)
{
    const test::CTestDir dir;
    const std::filesystem::path path = dir / "save.xml";
    ASSERT_TRUE(SaveUtf8TextFile(Wide(path), u"<a>\u00E9</a>", true));
    EXPECT_EQ(GetBytes(path), "\xEF\xBB\xBF<a>\xC3\xA9</a>");

    // The disk fills up half-way: the old file stays as it was, and no leftovers remain.
    CFullingFileSystem fullDisk(5);
    EXPECT_FALSE(SaveUtf8TextFile(fullDisk, Wide(path), u"<b>a longer text</b>", true));
    EXPECT_EQ(GetBytes(path), "\xEF\xBB\xBF<a>\xC3\xA9</a>");
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();

    // Streams report the short count of a full disk.
    CFullingFileSystem smallDisk(4);
    CFileAccess file(smallDisk);
    ASSERT_TRUE(file.Open(Wide(dir / "short.bin"), kFileModeCreateAlways, false));
    EXPECT_EQ(file.Write("0123456789", 10), 4);
    EXPECT_NE(file.LastError(), 0u);
    EXPECT_FALSE(file.WriteAt(0, "abcd", 4));

    // A successful replacement (its kept mode is checked with the options file).
    ASSERT_TRUE(SaveUtf8TextFile(Wide(path), u"new", false));
    EXPECT_EQ(GetBytes(path), "new");

    // A file held exclusively is not replaced.
    CFileAccess holder;
    ASSERT_TRUE(holder.Open(Wide(path), kFileModeOpenExisting, false));
    EXPECT_FALSE(SaveUtf8TextFile(Wide(path), u"other", false));
    holder.Close();
    EXPECT_EQ(GetBytes(path), "new");
    EXPECT_FALSE(SaveUtf8TextFile(Wide(dir / "no-such-folder" / "f.txt"), u"x", false));
    EXPECT_FALSE(SaveUtf8TextFile(u"", u"x", false));
}

class CTextItem : public ITextHolder {
public:
    std::u16string GetText() const override { return m_wszText; }
    void SetText(const std::u16string& wszText) override { m_wszText = wszText; }
    std::u16string m_wszText;
};

TEST(FileAccess, DialogItemTexts)
{
    const test::CTestDir dir;
    const std::filesystem::path path = dir / "item.txt";
    CTextItem item;
    item.m_wszText = u"line 1\r\n\u00FCber";
    ASSERT_TRUE(SaveItemIntoFile(&item, Wide(path), false));
    EXPECT_EQ(GetBytes(path), "line 1\r\n\xC3\xBC"
                              "ber");

    CTextItem loaded;
    loaded.m_wszText = u"before";
    EXPECT_FALSE(LoadTextFileIntoItem(&loaded, Wide(dir / "absent.txt")));
    EXPECT_EQ(loaded.m_wszText, u"before");
    EXPECT_TRUE(LoadTextFileIntoItem(&loaded, Wide(path)));
    EXPECT_EQ(loaded.m_wszText, item.m_wszText);
    EXPECT_FALSE(LoadTextFileIntoItem(nullptr, Wide(path)));

    ASSERT_TRUE(SaveItemIntoFile(nullptr, Wide(path), true));
    EXPECT_EQ(GetBytes(path), "\xEF\xBB\xBF");
}

} // namespace
} // namespace kov
