#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "util/mem.h"

TEST(Mem, FailsExactlyTheChosenPointAndCountsWhatIsLive)
{
    const int64_t blocks = MEM_LiveBlocks(), bytes = MEM_LiveBytes();
    const auto counts = [blocks, bytes] {
        return std::to_string(MEM_Points()) + " points, " + std::to_string(MEM_LiveBlocks() - blocks) + " blocks, " +
               std::to_string(MEM_LiveBytes() - bytes) + " bytes, peak " + std::to_string(MEM_PeakBytes() - bytes) +
               (MEM_FailureHit() ? ", hit" : "");
    };
    MEM_ResetCounters();
    MEM_FailAt(2);
    void* first = MEM_Alloc(10);
    EXPECT_EQ(MEM_Alloc(10), nullptr) << "the second point fails";
    void* third = MEM_Alloc(30);
    EXPECT_EQ(counts(), "3 points, 2 blocks, 40 bytes, peak 40, hit");
    void* grown = MEM_Realloc(first, 100);
    EXPECT_EQ(counts(), "4 points, 2 blocks, 130 bytes, peak 130, hit") << "a moved block counts at its new size only";
    MEM_Free(grown);
    MEM_Free(third);
    MEM_Free(nullptr);
    EXPECT_EQ(counts(), "4 points, 0 blocks, 0 bytes, peak 130, hit") << "the peak stays until the counters are reset";
    MEM_ResetCounters();
    EXPECT_EQ(counts(), "0 points, 0 blocks, 0 bytes, peak 0");
    MEM_FailAt(1);
    EXPECT_FALSE(MEM_Allow()) << "a library's resource counts as a point";
    EXPECT_TRUE(MEM_Allow());
    MEM_FailAt(0);
}

TEST(Mem, ReallocKeepsTheOldBlockOnFailureCallocClearsStrDupCopies)
{
    char* block = MEM_StrDup("abc");
    MEM_FailAt(1);
    EXPECT_EQ(MEM_Realloc(block, 1000), nullptr);
    auto* grown = static_cast<char*>(MEM_Realloc(block, 1000));
    ASSERT_NE(grown, nullptr);
    EXPECT_STREQ(grown, "abc") << "the old block stayed valid and moved whole";
    std::memset(grown, 0x55, 1000);
    MEM_Free(grown);
    EXPECT_EQ(MEM_Calloc(SIZE_MAX / 2, 4), nullptr) << "count * size overflows";
    auto* zeros = static_cast<char*>(MEM_Calloc(250, 4));
    ASSERT_NE(zeros, nullptr);
    EXPECT_TRUE(zeros[0] == 0 && std::memcmp(zeros, zeros + 1, 999) == 0) << "cleared, even where the last block lay";
    MEM_Free(zeros);
    EXPECT_EQ(MEM_StrDup(nullptr), nullptr);
}
