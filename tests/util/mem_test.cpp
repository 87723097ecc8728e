#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "util/mem.h"

TEST(Mem, FailsExactlyTheChosenPointAndCountsWhatIsLive)
{
    const int64_t blocks = MEM_LiveBlocks(), bytes = MEM_LiveBytes();
    MEM_ResetCounters();
    MEM_FailAt(2);
    void* first = MEM_Alloc(10);
    void* second = MEM_Alloc(10);
    void* third = MEM_Alloc(30);
    EXPECT_TRUE(first != nullptr && third != nullptr) << "only one point fails";
    EXPECT_EQ(second, nullptr) << "the second point was chosen to fail";
    EXPECT_TRUE(MEM_FailureHit());
    EXPECT_EQ(MEM_Points(), 3u);
    EXPECT_EQ(MEM_LiveBlocks() - blocks, 2);
    EXPECT_EQ(MEM_LiveBytes() - bytes, 40);
    auto* grown = static_cast<char*>(MEM_Realloc(first, 100));
    EXPECT_EQ(MEM_LiveBytes() - bytes, 130) << "a moved block counts at its new size only";
    EXPECT_EQ(MEM_PeakBytes() - bytes, 130);
    MEM_Free(grown);
    MEM_Free(third);
    MEM_Free(nullptr);
    EXPECT_EQ(MEM_LiveBlocks(), blocks);
    EXPECT_EQ(MEM_LiveBytes(), bytes);
    EXPECT_EQ(MEM_PeakBytes() - bytes, 130) << "the peak stays until the counters are reset";

    MEM_FailAt(1);
    EXPECT_FALSE(MEM_Allow()) << "a library's resource counts as a point";
    EXPECT_TRUE(MEM_Allow());
    MEM_FailAt(0);
}

TEST(Mem, ReallocKeepsTheOldBlockOnFailureCallocClearsStrDupCopies)
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

    EXPECT_EQ(MEM_Calloc(SIZE_MAX / 2, 4), nullptr) << "count * size overflows";
    auto* zeros = static_cast<unsigned char*>(MEM_Calloc(16, 4));
    ASSERT_NE(zeros, nullptr);
    EXPECT_EQ(std::count(zeros, zeros + 64, 0), 64) << "cleared";
    MEM_Free(zeros);
    char* copy = MEM_StrDup("zaf");
    EXPECT_STREQ(copy, "zaf");
    MEM_Free(copy);
    EXPECT_EQ(MEM_StrDup(nullptr), nullptr);
}
