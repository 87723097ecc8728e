#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "util/mem.h"

TEST(Mem, FailsExactlyTheChosenPointAndCountsWhatIsLive)
{
    int64_t blocks = MEM_LiveBlocks();
    int64_t bytes = MEM_LiveBytes();
    MEM_FailAt(2);
    void* first = MEM_Alloc(10);
    void* second = MEM_Alloc(10);
    void* third = MEM_Alloc(30);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(second, nullptr) << "the second point was chosen to fail";
    EXPECT_NE(third, nullptr) << "only one point fails";
    EXPECT_TRUE(MEM_FailureHit());
    EXPECT_EQ(MEM_LiveBlocks(), blocks + 2);
    EXPECT_EQ(MEM_LiveBytes(), bytes + 40);
    MEM_Free(first);
    MEM_Free(third);
    MEM_Free(nullptr);
    EXPECT_EQ(MEM_LiveBlocks(), blocks);
    EXPECT_EQ(MEM_LiveBytes(), bytes);
    MEM_FailAt(0);
}

TEST(Mem, ReallocKeepsTheOldBlockOnFailure)
{
    auto* block = static_cast<char*>(MEM_Alloc(4));
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "abc", 4);
    MEM_FailAt(1);
    EXPECT_EQ(MEM_Realloc(block, 1000), nullptr);
    EXPECT_STREQ(block, "abc");
    auto* grown = static_cast<char*>(MEM_Realloc(block, 1000));
    ASSERT_NE(grown, nullptr);
    EXPECT_STREQ(grown, "abc");
    MEM_Free(grown);
}

TEST(Mem, CallocRefusesOverflowAndClears)
{
    EXPECT_EQ(MEM_Calloc(SIZE_MAX / 2, 4), nullptr);
    auto* zeros = static_cast<unsigned char*>(MEM_Calloc(16, 4));
    ASSERT_NE(zeros, nullptr);
    for (int i = 0; i < 64; i++) {
        EXPECT_EQ(zeros[i], 0) << "byte " << i;
    }
    MEM_Free(zeros);
}

TEST(Mem, AllowCountsAsAPointAndStrDupCopies)
{
    MEM_FailAt(1);
    EXPECT_FALSE(MEM_Allow());
    EXPECT_TRUE(MEM_Allow());
    char* copy = MEM_StrDup("zaf");
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "zaf");
    MEM_Free(copy);
    EXPECT_EQ(MEM_StrDup(nullptr), nullptr);
}
