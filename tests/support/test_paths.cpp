#include <gtest/gtest.h>

#include "common/TestDir.h"

#include <filesystem>
#include <vector>

#include "support/Paths.h"
#include "support/TextCodec.h"

namespace kov {
namespace {

// One private folder per test process: CTest runs the tests of this file in parallel.
const std::filesystem::path& ScratchRoot()
{
    static test::CTestDir s_dir;
    return s_dir.Path();
}

std::filesystem::path FreshFolder(const char* szName)
{
    const std::filesystem::path path = ScratchRoot() / szName;
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path.parent_path());
    return path;
}

std::u16string Wide(const std::filesystem::path& path)
{
    return Utf8ToUtf16(path.string());
}

TEST(Paths, CreatesMissingLevels)
{
    const std::filesystem::path root = FreshFolder("cdp");
    EXPECT_TRUE(CreateDirectoryPath(Wide(root / "a/b/c/")));
    EXPECT_TRUE(std::filesystem::is_directory(root / "a/b/c"));
    EXPECT_TRUE(CreateDirectoryPath(Wide(root / "a/b/c"))); // exists already
    EXPECT_TRUE(CreateDirectoryPath(Wide(root / "a//x///")));
    EXPECT_TRUE(std::filesystem::is_directory(root / "a/x"));

    // On Linux a backslash belongs to the name.
    EXPECT_TRUE(CreateDirectoryPath(Wide(root / "w\\v")));
    EXPECT_TRUE(std::filesystem::is_directory(root / "w\\v"));

    // A file in the way stops the walk.
    std::filesystem::create_directories(root);
    {
        std::FILE* pFile = std::fopen((root / "file").c_str(), "w");
        ASSERT_NE(pFile, nullptr);
        std::fclose(pFile);
    }
    EXPECT_FALSE(CreateDirectoryPath(Wide(root / "file/sub")));
    EXPECT_FALSE(CreateDirectoryPath(u""));
    EXPECT_FALSE(CreateDirectoryPath(u"/" + std::u16string(300, u'n')));
}

TEST(Paths, WalksBackThenForward)
{
    // A made-up file system where only "/r" and what gets created exist.
    std::vector<std::u16string> aExisting = {u"/r"};
    std::vector<std::u16string> aAttempts;
    auto fnCreate = [&](const std::u16string& wszPath) {
        aAttempts.push_back(wszPath);
        const std::u16string wszParent = wszPath.substr(0, wszPath.rfind(u'/'));
        for (const auto& wszHave : aExisting) {
            if (wszHave == wszPath || wszHave == wszParent) {
                aExisting.push_back(wszPath);
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(CreateDirectoryPath(u"/r/a/b/c/", fnCreate));
    const std::vector<std::u16string> aExpected = {u"/r/a/b/c/", u"/r/a/b/c", u"/r/a/b",
                                                   u"/r/a",      u"/r/a/b",   u"/r/a/b/c"};
    EXPECT_EQ(aAttempts, aExpected);

    // Nothing creatable: the backward walk ends at the second character and fails.
    aExisting.clear();
    aAttempts.clear();
    EXPECT_FALSE(CreateDirectoryPath(u"/x/y", fnCreate));
    EXPECT_EQ(aAttempts, (std::vector<std::u16string>{u"/x/y", u"/x"}));
}

} // namespace
} // namespace kov
