#include <gtest/gtest.h>

#include <vector>

#include "toolkit/gfx/clock.h"

namespace {

std::vector<uint32_t> drawnFrames;
uint32_t stepCost = 0;
uint32_t stepsLeft = 0;
std::vector<uint32_t> costs;  // per-step cost, indexed by frame

void record_draw()
{
    drawnFrames.push_back(frameCounter);
}

int costly_step()
{
    if (frameCounter < costs.size()) {
        CLK_Advance(costs[frameCounter]);
    } else {
        CLK_Advance(stepCost);
    }
    return stepsLeft-- > 1 ? 1 : 0;
}

void run(uint32_t steps, std::vector<uint32_t> perStep, uint32_t otherwise)
{
    drawnFrames.clear();
    costs = std::move(perStep);
    stepCost = otherwise;
    stepsLeft = steps;
    TXT_RunFrames(20, record_draw, costly_step);
}

}  // namespace

TEST(FrameClock, LateStepsAreNotDrawnAndTheDeadlineStillAdvances)
{
    CLK_UseVirtual(1000);
    // Steps 0 and 1 take 30 ms each: 60 ms spent by the deadline of frame 2 at 60 ms.
    run(6, {30, 30, 0, 0, 0}, 0);
    // Frame 0 ends at 30 > 20: late. Frame 1 ends at 60 >= 40: late. Frame 2 ends at 60 < 60? no.
    // Frame 3 ends at 60 < 80: drawn, waits till 80. Frames 4 and the final draw follow.
    EXPECT_EQ(drawnFrames, (std::vector<uint32_t>{3, 4, 5}));
    EXPECT_EQ(CLK_GetTicks(), 1000u + 100u) << "drawn frames wait for their deadline";
    CLK_SetSource(nullptr, nullptr);
}

TEST(FrameClock, NothingRunsWithoutBothFunctions)
{
    CLK_UseVirtual(0);
    stepsLeft = 3;
    TXT_RunFrames(20, nullptr, costly_step);
    EXPECT_EQ(stepsLeft, 3u);
    TXT_RunFrames(20, record_draw, nullptr);
    EXPECT_EQ(CLK_GetTicks(), 0u);
    CLK_SetSource(nullptr, nullptr);
}

TEST(FrameClock, AThousandFramesCostNoRealTime)
{
    CLK_UseVirtual(5);
    run(1000, {}, 1);
    EXPECT_EQ(drawnFrames.size(), 1000u);
    EXPECT_EQ(CLK_GetTicks(), 5u + 999u * 20u + 1u);
    CLK_SetSource(nullptr, nullptr);
}

TEST(FrameClock, AStepThatStopsAtOnceIsDrawnOnceWithoutWaiting)
{
    CLK_UseVirtual(50);
    run(1, {}, 0);
    EXPECT_EQ(drawnFrames, (std::vector<uint32_t>{0})) << "the last state is shown once";
    EXPECT_EQ(CLK_GetTicks(), 50u) << "no wait after the final step";

    // Every step late: nothing but the final draw, and the frames still count.
    run(10, {}, 30);
    EXPECT_EQ(drawnFrames, (std::vector<uint32_t>{9}));
    CLK_SetSource(nullptr, nullptr);
}
