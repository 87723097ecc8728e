#include "toolkit/gfx/clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

std::vector<uint32_t> drawnFrames;
std::vector<uint32_t> costs;  // what each frame's step takes; later frames take the last one
uint32_t stepsLeft = 0;

void record_draw()
{
    drawnFrames.push_back(frameCounter);
}

int costly_step()
{
    CLK_Advance(costs.empty() ? 0 : costs[std::min<size_t>(frameCounter, costs.size() - 1)]);
    return stepsLeft-- > 1 ? 1 : 0;
}

}  // namespace

TEST(FrameClock, LateStepsAreNotDrawnAndTheDeadlineStillAdvances)
{
    const struct {
        uint32_t start, steps;
        std::vector<uint32_t> costs;
        uint32_t firstDrawn, drawnCount, end;
        const char* why;
    } runs[] = {
        // Frame 0 ends at 30 > 20, frame 1 at 60 > 40, frame 2 at 60, its deadline: all late.
        {1000, 6, {30, 30, 0}, 3, 3, 1100, "drawn frames wait for their deadline"},
        {50, 1, {}, 0, 1, 50, "a step that stops at once is drawn once without waiting"},
        {0, 10, {30}, 9, 1, 300, "every step late: only the final draw, the frames still count"},
    };
    for (const auto& r : runs) {
        CLK_UseVirtual(r.start);
        drawnFrames.clear();
        costs = r.costs;
        stepsLeft = r.steps;
        TXT_RunFrames(20, record_draw, costly_step);
        std::vector<uint32_t> want(r.drawnCount);
        std::iota(want.begin(), want.end(), r.firstDrawn);
        EXPECT_EQ(drawnFrames, want) << r.why;
        EXPECT_EQ(CLK_GetTicks(), r.end) << r.why;
    }

    stepsLeft = 3;
    TXT_RunFrames(20, nullptr, costly_step);
    EXPECT_EQ(stepsLeft, 3u) << "no step without a draw function";
    CLK_UseVirtual(0);
    TXT_RunFrames(20, record_draw, nullptr);
    EXPECT_EQ(CLK_GetTicks(), 0u) << "no wait without a step function";
    CLK_SetSource([] { return 424242u; }, nullptr);
    EXPECT_NE(CLK_GetTicks(), 424242u) << "a source without its delay gives SDL's clock back";
    CLK_SetSource(nullptr, nullptr);
}
