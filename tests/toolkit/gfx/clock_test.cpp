#include "toolkit/gfx/clock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint32_t> drawnFrames;
std::vector<uint32_t> costs;  // what each frame's step takes, by frame
uint32_t otherCost = 0;       // what the steps beyond `costs` take
uint32_t stepsLeft = 0;

void record_draw()
{
    drawnFrames.push_back(frameCounter);
}

int costly_step()
{
    CLK_Advance(frameCounter < costs.size() ? costs[frameCounter] : otherCost);
    return stepsLeft-- > 1 ? 1 : 0;
}

}  // namespace

TEST(FrameClock, LateStepsAreNotDrawnAndTheDeadlineStillAdvances)
{
    const struct {
        uint32_t start, steps;
        std::vector<uint32_t> costs;
        uint32_t otherCost;
        std::vector<uint32_t> drawn;
        uint32_t end;
        const char* why;
    } runs[] = {
        // Frame 0 ends at 30 > 20, frame 1 at 60 > 40, frame 2 at 60, its deadline: all late.
        {1000, 6, {30, 30, 0, 0, 0}, 0, {3, 4, 5}, 1100, "drawn frames wait for their deadline"},
        {50, 1, {}, 0, {0}, 50, "a step that stops at once is drawn once without waiting"},
        {0, 10, {}, 30, {9}, 300, "every step late: only the final draw, the frames still count"},
    };
    for (const auto& r : runs) {
        CLK_UseVirtual(r.start);
        drawnFrames.clear();
        costs = r.costs;
        otherCost = r.otherCost;
        stepsLeft = r.steps;
        TXT_RunFrames(20, record_draw, costly_step);
        EXPECT_EQ(drawnFrames, r.drawn) << r.why;
        EXPECT_EQ(CLK_GetTicks(), r.end) << r.why;
    }

    CLK_UseVirtual(5);
    drawnFrames.clear();
    costs.clear();
    otherCost = 1;
    stepsLeft = 1000;
    TXT_RunFrames(20, record_draw, costly_step);
    EXPECT_EQ(drawnFrames.size(), 1000u);
    EXPECT_EQ(CLK_GetTicks(), 5u + 999u * 20u + 1u) << "a thousand frames cost no real time";
    CLK_SetSource(nullptr, nullptr);
}

static uint32_t fixed_ticks()
{
    return 424242;
}

TEST(FrameClock, HalfAClockOrHalfALoopIsNeverUsed)
{
    CLK_UseVirtual(0);
    stepsLeft = 3;
    TXT_RunFrames(20, nullptr, costly_step);
    EXPECT_EQ(stepsLeft, 3u) << "no step without a draw function";
    TXT_RunFrames(20, record_draw, nullptr);
    EXPECT_EQ(CLK_GetTicks(), 0u) << "no wait without a step function";
    CLK_SetSource(fixed_ticks, nullptr);
    EXPECT_NE(CLK_GetTicks(), 424242u) << "a source without its delay gives SDL's clock back";
    CLK_SetSource(nullptr, nullptr);
}
