#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "tests/support/alloc_check.h"
#include "util/heap.h"
#include "util/mem.h"

namespace {

// Sends the printer into a temporary file for the life of the capture.
class Capture {
public:
    Capture() : file_(tmpfile()) { HEAP_SetOutput(file_); }
    ~Capture()
    {
        HEAP_SetOutput(nullptr);
        HEAP_SetLevel(0);
        if (file_ != nullptr) {
            fclose(file_);
        }
    }
    std::string text()
    {
        std::string out;
        fflush(file_);
        rewind(file_);
        int c;
        while ((c = fgetc(file_)) != EOF) {
            out += static_cast<char>(c);
        }
        fseek(file_, 0, SEEK_END);
        return out;
    }

private:
    FILE* file_;
};

}  // namespace

TEST(Heap, PrinterIndentsByLevel)
{
    Capture capture;
    HEAP_SetLevel(2);
    HEAP_Print("x");
    EXPECT_EQ(capture.text(), "\t\tx");
    HEAP_SetLevel(0);
    HEAP_Open();
    HEAP_Print("a\n");
    HEAP_Open();
    HEAP_Print("b\n");
    HEAP_Close();
    HEAP_Close();
    EXPECT_EQ(capture.text(), "\t\tx{\n\ta\n\t{\n\t\tb\n\t}\n}\n");
    EXPECT_EQ(HEAP_Level(), 0);
    HEAP_Close();
    EXPECT_EQ(HEAP_Level(), -1) << "closing at level 0 goes below it";
    HEAP_Print("y");
    EXPECT_EQ(capture.text().substr(capture.text().size() - 1), "y") << "no tab below level 0";
    EXPECT_EQ(capture.text(), "\t\tx{\n\ta\n\t{\n\t\tb\n\t}\n}\n}\ny");
}

TEST(Heap, BlocksAreListedWithWholeAddressesAndFreed)
{
    Capture capture;
    uint32_t before = HEAP_CountBlocks();
    auto* buf = static_cast<char*>(HEAP_Alloc(10, "buf"));
    auto* big = static_cast<double*>(HEAP_Alloc(24, "big"));
    ASSERT_NE(buf, nullptr);
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(big) % alignof(std::max_align_t), 0u) << "usable for any type";
    memset(buf, 'z', 10);
    big[2] = 1.0;
    EXPECT_EQ(HEAP_CountBlocks(), before + 2);

    HEAP_ShowRAMAllocations();
    char expected[256];
    snprintf(expected, sizeof expected, "HEAP_ShowRAMAllocations()\n{\n\tbuf: %" PRIXPTR ", 10\n\tbig: %" PRIXPTR ", 24\n}\n",
             reinterpret_cast<uintptr_t>(buf), reinterpret_cast<uintptr_t>(big));
    EXPECT_EQ(capture.text(), expected) << "oldest first, addresses printed whole";
    EXPECT_GT(reinterpret_cast<uintptr_t>(buf), uintptr_t{0xFFFFFFFF}) << "addresses here need more than 32 bits";

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
    EXPECT_EQ(HEAP_CountBlocks(), 0u) << "a failed allocation leaves nothing in the list";
}
