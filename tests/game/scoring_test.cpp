#include "game/scoring.h"

#include <gtest/gtest.h>

#include "game/chart.h"
#include "game/game.h"
#include "shell/app.h"
#include "tests/game/game_fixture.h"
#include "toolkit/gfx/clock.h"

namespace {

using ScoringTest = GameTest;

// Runs the level clock for `frames` frames from the present frame counter.
void Clock(uint32_t frames)
{
    for (uint32_t i = 0; i < frames; ++i) {
        LevelClock();
        frameCounter += 1;
    }
}

TEST_F(ScoringTest, DifficultiesScaleThePointsAndTheLeniency)
{
    struct Row {
        const char* value;
        uint32_t multiplier;
        uint16_t leniency;
    };
    for (Row row : {Row{"easy", 1, 128}, Row{"normal", 4, 85}, Row{"hard", 10, 42},
                    Row{"inhuman", 22, 0}, Row{"Normal", 22, 0}, Row{"", 22, 0}}) {
        ASSERT_TRUE(Restart(row.value)) << row.value;
        EXPECT_EQ(game.pointsMultiplier, row.multiplier) << row.value;
        EXPECT_EQ(game.leniency, row.leniency) << row.value;
    }
    ApplyDifficulty(nullptr);
    EXPECT_EQ(game.pointsMultiplier, 22u);
}

TEST_F(ScoringTest, FirstFrameMakesTheLevelOne)
{
    EXPECT_EQ(game.levelMajor, 0);
    EXPECT_EQ(game.levelMinor, 49);
    Clock(1);
    EXPECT_EQ(game.levelMajor, 1);
    EXPECT_EQ(game.levelMinor, 0);
    EXPECT_EQ(game.leniency, 84);
    Clock(49);
    EXPECT_EQ(game.levelMinor, 0) << "steps once a second";
    Clock(1);
    EXPECT_EQ(game.levelMinor, 1);
    Clock(49 * 50);
    EXPECT_EQ(game.levelMajor, 2);
    EXPECT_EQ(game.levelMinor, 0);
    EXPECT_EQ(game.leniency, 83);
}

TEST_F(ScoringTest, FirstCatchOnNormalGivesEightPoints)
{
    Clock(1);
    CountCatch(0);
    EXPECT_EQ(app.points, 8u) << "1 x (1 + 0 + 1) x 4";
    EXPECT_EQ(game.chain, 1u);
    EXPECT_EQ(game.catches, 1u);

    // A swift object later on hard: class 3 at 2.30 with the chain at 4.
    ASSERT_TRUE(Restart("hard"));
    EXPECT_EQ(app.points, 0u) << "every game starts from nothing";
    game.levelMajor = 2;
    game.levelMinor = 30;
    game.chain = 3;
    CountCatch(3);
    EXPECT_EQ(app.points, 4u * (2u + 30u + 4u) * 10u);
}

TEST_F(ScoringTest, MissesLimitGrowsEveryFifthCatch)
{
    for (int i = 0; i < 4; ++i) {
        CountCatch(0);
    }
    EXPECT_EQ(game.missesLimit, 10u);
    CountCatch(0);
    EXPECT_EQ(game.missesLimit, 11u);
    for (int i = 0; i < 5; ++i) {
        CountCatch(0);
    }
    EXPECT_EQ(game.missesLimit, 12u);
}

TEST_F(ScoringTest, EleventhMissEndsAGameWithoutCatches)
{
    for (int i = 0; i < 10; ++i) {
        CountMiss();
        ASSERT_EQ(app.runState, RUN_MENU) << "miss " << i + 1;
    }
    EXPECT_EQ(game.misses, 10u);
    CountMiss();
    EXPECT_EQ(app.runState, RUN_PLAY);
    EXPECT_EQ(game.misses, 10u) << "held at the limit: none left to show";
}

TEST_F(ScoringTest, LeniencyOnEasyReachesZeroAndStays)
{
    ASSERT_TRUE(Restart("easy"));
    Clock(1);
    EXPECT_EQ(game.leniency, 127);
    Clock(127u * 50u * 50u);
    EXPECT_EQ(game.levelMajor, 128);
    EXPECT_EQ(game.leniency, 0);
    Clock(3u * 50u * 50u);
    EXPECT_EQ(game.levelMajor, 131);
    EXPECT_EQ(game.leniency, 0);
}

TEST_F(ScoringTest, ChartPositionRanksBelowEqualScores)
{
    for (uint32_t row = 0; row < CHART_ROWS; ++row) {
        chart[row].points = 1000u - 100u * row; // 1000 .. 100
    }
    EXPECT_EQ(ChartPosition(5000), 1u);
    EXPECT_EQ(ChartPosition(1000), 2u) << "equal to the first row ranks below it";
    EXPECT_EQ(ChartPosition(999), 2u);
    EXPECT_EQ(ChartPosition(101), 10u);
    EXPECT_EQ(ChartPosition(100), 11u) << "equal to the tenth row is out";
    EXPECT_EQ(ChartPosition(0), 11u);
    SetDefaultChart();
}

}  // namespace
