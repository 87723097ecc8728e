#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <string>

#include "tests/support/alloc_check.h"
#include "tests/support/scratch.h"
#include "util/heap.h"
#include "util/mem.h"

TEST(Heap, PrinterIndentsByLevelAndListsBlocksWithWholeAddresses)
{
    FILE* out = tmpfile();
    ASSERT_NE(out, nullptr);
    HEAP_SetOutput(out);
    HEAP_SetLevel(2);
    HEAP_Print("x");
    HEAP_SetLevel(0);
    HEAP_Open();
    HEAP_Print("a\n");
    HEAP_Open();
    HEAP_Print("b\n");
    HEAP_Close();
    HEAP_Close();
    HEAP_Close();
    EXPECT_EQ(HEAP_Level(), -1) << "closing at level 0 goes below it";
    HEAP_Print("y");
    EXPECT_EQ(StreamText(out), "\t\tx{\n\ta\n\t{\n\t\tb\n\t}\n}\n}\ny") << "no tab below level 0";
    HEAP_SetLevel(0);

    uint32_t before = HEAP_CountBlocks();
    void* buf = HEAP_Alloc(10, "buf");
    void* big = HEAP_Alloc(24, "big");
    ASSERT_TRUE(buf != nullptr && big != nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(big) % alignof(std::max_align_t), 0u) << "usable for any type";
    EXPECT_GT(reinterpret_cast<uintptr_t>(buf), uintptr_t{0xFFFFFFFF}) << "addresses here need more than 32 bits";
    std::string start = StreamText(out);
    HEAP_ShowRAMAllocations();
    char expected[256];
    snprintf(expected, sizeof expected, "HEAP_ShowRAMAllocations()\n{\n\tbuf: %" PRIXPTR ", 10\n\tbig: %" PRIXPTR ", 24\n}\n",
             reinterpret_cast<uintptr_t>(buf), reinterpret_cast<uintptr_t>(big));
    EXPECT_EQ(StreamText(out).substr(start.size()), expected) << "oldest first, addresses printed whole";
    HEAP_SetOutput(nullptr);
    fclose(out);

    HEAP_Free(buf);
    HEAP_Free(nullptr);
    EXPECT_EQ(HEAP_CountBlocks(), before + 1);
    int64_t live = MEM_LiveBlocks();
    HEAP_FreeAll();
    EXPECT_EQ(HEAP_CountBlocks(), 0u);
    EXPECT_EQ(MEM_LiveBlocks(), live - 1);

    CheckEachAllocationFailure([] {
        void* block = HEAP_Alloc(100, "try");
        bool ok = block != nullptr;
        HEAP_Free(block);
        return ok && HEAP_CountBlocks() == 0;
    });
}
