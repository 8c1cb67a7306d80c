#include <gtest/gtest.h>

#include "common/TestDir.h"

#include <filesystem>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "platform/LoginName.h"
#include "platform/SystemInfo.h"

namespace kov {
namespace {

TEST(FileSystem, SharingIsEnforcedBetweenOpeners)
{
    IFileSystem& fs = SystemFileSystem();
    const test::CTestDir dir;
    const std::string szPath = (dir / "share.bin").string();
    uint32_t dwError = 0;
    FileHandle hFirst = kNoFileHandle, hSecond = kNoFileHandle, hThird = kNoFileHandle;
    ASSERT_TRUE(
        fs.Open(szPath, EFileAccess::ReadWrite, EFileDisposition::CreateAlways, false, hFirst, dwError));
    EXPECT_FALSE(fs.Open(szPath, EFileAccess::Read, EFileDisposition::OpenExisting, true, hSecond, dwError));
    EXPECT_FALSE(
        fs.Open(szPath, EFileAccess::ReadWrite, EFileDisposition::OpenExisting, false, hSecond, dwError));
    EXPECT_EQ(fs.Write(hFirst, "data", 4, dwError), 4);
    // An exclusive create-always open that is refused must not truncate the holder's file.
    EXPECT_FALSE(
        fs.Open(szPath, EFileAccess::ReadWrite, EFileDisposition::CreateAlways, false, hSecond, dwError));
    int64_t llSize = 0;
    ASSERT_TRUE(fs.Size(hFirst, llSize, dwError));
    EXPECT_EQ(llSize, 4);
    fs.Close(hFirst);

    ASSERT_TRUE(fs.Open(szPath, EFileAccess::Read, EFileDisposition::OpenExisting, true, hSecond, dwError));
    ASSERT_TRUE(
        fs.Open(szPath, EFileAccess::ReadWrite, EFileDisposition::OpenExisting, true, hThird, dwError));
    fs.Close(hSecond);
    fs.Close(hThird);

    EXPECT_FALSE(fs.Open(szPath, EFileAccess::ReadWrite, EFileDisposition::CreateNew, true, hFirst, dwError));
    EXPECT_EQ(dwError, ErrorAlreadyExists());
    EXPECT_FALSE(fs.Open(szPath + "-missing", EFileAccess::Read, EFileDisposition::OpenExisting, true, hFirst,
                         dwError));
    EXPECT_EQ(dwError, ErrorFileNotFound());
    // A path with an embedded zero would name another file: refused.
    EXPECT_FALSE(fs.Open(std::string(szPath).append(1, '\0').append("x"), EFileAccess::Read,
                         EFileDisposition::OpenExisting, true, hFirst, dwError));
    // Folders are not files.
    EXPECT_FALSE(
        fs.Open(dir.String(), EFileAccess::Read, EFileDisposition::OpenExisting, true, hFirst, dwError));
}

TEST(FileSystem, OnlyRegularFilesOpenAndNoneWaits)
{
    IFileSystem& fs = SystemFileSystem();
    const test::CTestDir dir;
    // A FIFO with no writer used to block the open forever; every disposition now refuses it
    // at once, as it refuses /dev/zero, whose reading would never end.
    const std::string szFifo = (dir / "pipe").string();
    ASSERT_EQ(::mkfifo(szFifo.c_str(), 0600), 0);
    uint32_t dwError = 0;
    FileHandle hFile = kNoFileHandle;
    for (const auto& [eAccess, eDisposition] :
         {std::pair{EFileAccess::Read, EFileDisposition::OpenExisting},
          std::pair{EFileAccess::ReadWrite, EFileDisposition::OpenExisting},
          std::pair{EFileAccess::ReadWrite, EFileDisposition::OpenAlways},
          std::pair{EFileAccess::ReadWrite, EFileDisposition::CreateAlways}}) {
        EXPECT_FALSE(fs.Open(szFifo, eAccess, eDisposition, true, hFile, dwError));
        EXPECT_EQ(dwError, ErrorInvalidArgument());
    }
    EXPECT_FALSE(
        fs.Open("/dev/zero", EFileAccess::Read, EFileDisposition::OpenExisting, true, hFile, dwError));

    // A regular file reads and writes in blocking mode as before.
    const std::string szPath = (dir / "plain.bin").string();
    ASSERT_TRUE(
        fs.Open(szPath, EFileAccess::ReadWrite, EFileDisposition::CreateAlways, false, hFile, dwError));
    EXPECT_EQ(::fcntl(static_cast<int>(hFile), F_GETFL) & O_NONBLOCK, 0);
    EXPECT_EQ(fs.Write(hFile, "abc", 3, dwError), 3);
    char aRead[4] = {};
    ASSERT_TRUE(fs.Seek(hFile, 0, dwError));
    EXPECT_EQ(fs.Read(hFile, aRead, 4, dwError), 3);
    EXPECT_STREQ(aRead, "abc");
    fs.Close(hFile);
}

TEST(FileSystem, NewFilesAndFoldersAreTheUsersAloneWhateverTheUmask)
{
    IFileSystem& fs = SystemFileSystem();
    const test::CTestDir dir;
    const mode_t uOldMask = ::umask(0);
    uint32_t dwError = 0;
    int iName = 0;
    for (EFileDisposition eDisposition :
         {EFileDisposition::CreateAlways, EFileDisposition::OpenAlways, EFileDisposition::CreateNew}) {
        const auto path = dir / ("new-" + std::to_string(iName++));
        FileHandle hFile = kNoFileHandle;
        ASSERT_TRUE(fs.Open(path.string(), EFileAccess::ReadWrite, eDisposition, false, hFile, dwError));
        fs.Close(hFile);
        EXPECT_EQ(test::FileMode(path), 0600u) << path;
    }
    EXPECT_TRUE(fs.MakeDirectory((dir / "folder").string(), dwError));
    EXPECT_EQ(test::FileMode(dir / "folder"), 0700u);
    // A file that exists keeps the mode it has.
    ASSERT_EQ(::chmod((dir / "new-0").c_str(), 0644), 0);
    FileHandle hFile = kNoFileHandle;
    ASSERT_TRUE(fs.Open((dir / "new-0").string(), EFileAccess::ReadWrite, EFileDisposition::CreateAlways,
                        false, hFile, dwError));
    fs.Close(hFile);
    EXPECT_EQ(test::FileMode(dir / "new-0"), 0644u);
    ::umask(uOldMask);
}

TEST(FileSystem, ProcessAndSystemFacts)
{
    const std::string szExe = ExecutablePath();
    EXPECT_NE(szExe.find("test_platform"), std::string::npos);
    const std::u16string wszFolder = ProgramFolder();
    ASSERT_FALSE(wszFolder.empty());
    EXPECT_EQ(wszFolder.back(), u'/');
    EXPECT_EQ(CommonAppDataFolder(), u"/var/lib");

    const std::string szText = ErrorText(ErrorFileNotFound());
    EXPECT_FALSE(szText.empty());
    EXPECT_EQ(szText.find_first_of("\r\n"), std::string::npos);
    EXPECT_FALSE(ErrorText(0xFFFFFFFFu).empty());

    EXPECT_EQ(UserAppDataFolderFrom("/x/data/", "/home/u"), u"/x/data");
    EXPECT_EQ(UserAppDataFolderFrom("relative", "/home/u/"), u"/home/u/.local/share");
    EXPECT_EQ(UserAppDataFolderFrom(nullptr, "/"), u"/.local/share");
    EXPECT_EQ(UserAppDataFolderFrom(nullptr, ""), u"");
    EXPECT_EQ(UserAppDataFolderFrom(nullptr, nullptr), u"");
    (void)LoginName(); // may be empty in a container; must not fail

    const SSystemFacts sFacts = FactsFromUname("6.1.0-18-amd64", "x86_64", false);
    EXPECT_EQ(sFacts.eFamily, ESystemFamily::Linux);
    EXPECT_EQ(sFacts.dwMajor * 100 + sFacts.dwMinor, 601u);
    EXPECT_TRUE(sFacts.b64BitSystem && !sFacts.bProcess32On64);
    EXPECT_TRUE(FactsFromUname("5.10.0", "x86_64", true).bProcess32On64);
    const SSystemFacts sOdd = FactsFromUname("garbage", "armv7l", true);
    EXPECT_TRUE(sOdd.dwMajor == 0 && !sOdd.b64BitSystem && !sOdd.bProcess32On64);
    EXPECT_TRUE(FactsFromUname("6.6", "aarch64", false).b64BitSystem);
    EXPECT_GT(SystemInfo().Facts().dwMajor, 0u);
}

} // namespace
} // namespace kov
