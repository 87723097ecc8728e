#include "tests/support/alloc_check.h"

#include <gtest/gtest.h>

#include "util/mem.h"

int CheckEachAllocationFailure(const std::function<bool()>& attempt)
{
    for (uint32_t n = 1; n < 100000; n++) {
        int64_t before = MEM_LiveBlocks();
        MEM_FailAt(n);
        bool ok = attempt();
        bool hit = MEM_FailureHit();
        MEM_FailAt(0);
        EXPECT_EQ(MEM_LiveBlocks(), before) << "blocks leaked with allocation point " << n << " failing";
        if (!hit) {
            EXPECT_TRUE(ok) << "attempt failed although no allocation failed (point " << n << ")";
            EXPECT_GT(n, 1u) << "the attempt allocated nothing";
            return static_cast<int>(n - 1);
        }
        EXPECT_FALSE(ok) << "attempt succeeded although allocation point " << n << " failed";
        if (ok || MEM_LiveBlocks() != before) {
            return -1;
        }
    }
    ADD_FAILURE() << "attempt never finished without a failure";
    return -1;
}
