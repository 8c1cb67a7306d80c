#include <gtest/gtest.h>

#include <cstring>

#include "support/MemBlock.h"

namespace kov {
namespace {

TEST(MemBlock, WriteGrowsAsDescribed)
{
    CMemBlockPtr block;
    EXPECT_EQ(block.Write("abc", 3), 3);
    EXPECT_EQ(block.Size(), 32u); // empty blocks start at 32
    EXPECT_EQ(block.GetPosition(), 3);

    std::string szBig(40, 'x');
    EXPECT_EQ(block.Write(szBig.data(), 40), 40);
    EXPECT_EQ(block.Size(), 64u); // twice the size
    std::string szHuge(200, 'y');
    EXPECT_EQ(block.Write(szHuge.data(), 200), 200);
    EXPECT_EQ(block.Size(), 243u); // position + count beats doubling
    EXPECT_EQ(std::memcmp(block.Data(), "abc", 3), 0);
    EXPECT_EQ(block.Data()[242], 'y');

    EXPECT_EQ(block.Write("z", -1), 0);
    EXPECT_EQ(block.Write(nullptr, 5), 0);
    EXPECT_EQ(block.GetPosition(), 243);

    // Shrinking keeps the position inside, so later writes stay in the buffer.
    ASSERT_TRUE(block.Resize(10));
    EXPECT_EQ(block.GetPosition(), 10);
    EXPECT_EQ(block.Write("q", 1), 1);
    EXPECT_EQ(block.Size(), 20u);
    EXPECT_TRUE(block.Reserve(5));
    EXPECT_EQ(block.Size(), 20u);
}

TEST(MemBlock, BorrowedBlocksNeverGrowOrOverrun)
{
    char achBuffer[8] = {};
    CMemBlockPtr block(achBuffer, 6);
    EXPECT_EQ(block.Write("0123456789", 10), 6);
    EXPECT_EQ(block.Write("x", 1), 0);
    EXPECT_EQ(std::memcmp(achBuffer, "012345\0\0", 8), 0);
    EXPECT_EQ(block.Size(), 6u);
    EXPECT_TRUE(block.IsBorrowed());

    EXPECT_TRUE(block.WriteAt(4, "ab", 2));
    EXPECT_FALSE(block.WriteAt(5, "ab", 2));
    EXPECT_FALSE(block.WriteAt(-1, "a", 1));
    EXPECT_EQ(std::memcmp(achBuffer, "0123ab", 6), 0);

    // Read copies from the position and leaves it where it is.
    EXPECT_FALSE(block.SetPosition(7));
    EXPECT_FALSE(block.SetPosition(int64_t{1} << 33));
    ASSERT_TRUE(block.SetPosition(2));
    char achOut[10] = {};
    EXPECT_EQ(block.Read(achOut, 10), 4);
    EXPECT_EQ(std::string(achOut, 4), "23ab");
    EXPECT_EQ(block.GetPosition(), 2);
    EXPECT_EQ(block.Read(achOut, 0), 0);

    // Resizing a borrowed block copies into an owned buffer and leaves the borrowed one alone.
    ASSERT_TRUE(block.Resize(12));
    EXPECT_FALSE(block.IsBorrowed());
    EXPECT_EQ(std::memcmp(block.Data(), "0123ab", 6), 0);
    EXPECT_EQ(block.Write("longer text", 11), 11);
    EXPECT_EQ(std::memcmp(achBuffer, "0123ab\0\0", 8), 0);
}

} // namespace
} // namespace kov
