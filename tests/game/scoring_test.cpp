#include "game/scoring.h"

#include "tests/game/game_fixture.h"

namespace {

// Points per catch, the chain, the misses limit and the game's end are pinned by the replay
// trace; what a short game never reaches is checked here.
using ScoringTest = GameTest;

TEST_F(ScoringTest, DifficultiesScaleThePointsAndTheLeniency)
{
    const struct {
        const char* value;
        int64_t multiplier, leniency;
    } kRows[] = {{"easy", 1, 128}, {"normal", 4, 85}, {"hard", 10, 42},
                 {"inhuman", 22, 0}, {"Normal", 22, 0}, {"", 22, 0}};
    for (const auto& row : kRows) {
        ASSERT_TRUE(Restart(row.value)) << row.value;
        EXPECT_EQ((Ints{game.pointsMultiplier, game.leniency}), (Ints{row.multiplier, row.leniency})) << row.value;
    }
    ApplyDifficulty(nullptr);
    EXPECT_EQ(game.pointsMultiplier, 22u) << "no setting at all";
}

TEST_F(ScoringTest, LevelStepsOnceASecondAndLeniencyStopsAtZero)
{
    // The level and the leniency after running the level clock for some frames more.
    auto clock = [](uint32_t frames) {
        for (uint32_t i = 0; i < frames; ++i) {
            LevelClock();
            frameCounter += 1;
        }
        return Ints{game.levelMajor, game.levelMinor, game.leniency};
    };
    EXPECT_EQ(clock(50 + 49 * 50), (Ints{1, 49, 84})) << "from 1.00 in the first frame";
    EXPECT_EQ(clock(50), (Ints{2, 0, 83})) << "fifty steps make a whole level";
    ASSERT_TRUE(Restart("easy"));
    EXPECT_EQ(clock(1 + 130u * 50u * 50u), (Ints{131, 0, 0})) << "no leniency below zero";
}

}  // namespace
