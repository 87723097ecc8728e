#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>

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
    HEAP_Open();
    HEAP_Print("b\n");
    HEAP_Close();
    HEAP_Close();
    HEAP_Close();
    EXPECT_EQ(HEAP_Level(), -1) << "closing at level 0 goes below it";
    HEAP_Print(nullptr);
    EXPECT_EQ(StreamText(out), "\t\tx{\n\t{\n\t\tb\n\t}\n}\n}\n(null)") << "no tab below level 0";
    HEAP_SetLevel(0);

    void* buf = HEAP_Alloc(10, "buf");
    ASSERT_NE(buf, nullptr);
    const size_t start = StreamText(out).size();
    HEAP_ShowRAMAllocations();
    char expected[128];
    snprintf(expected, sizeof expected, "HEAP_ShowRAMAllocations()\n{\n\tbuf: %" PRIXPTR
             ", 10\n}\n", reinterpret_cast<uintptr_t>(buf));
    EXPECT_EQ(StreamText(out).substr(start), expected) << "64-bit addresses printed whole";
    HEAP_SetOutput(nullptr);
    fclose(out);
    const int64_t live = MEM_LiveBlocks();
    HEAP_FreeAll();
    EXPECT_TRUE(HEAP_CountBlocks() == 0 && MEM_LiveBlocks() == live - 1);
    CheckEachAllocationFailure([] {
        void* block = HEAP_Alloc(100, "try");
        const bool ok = block != nullptr && HEAP_CountBlocks() == 1;
        HEAP_Free(block);
        return ok && HEAP_CountBlocks() == 0;
    });
}
