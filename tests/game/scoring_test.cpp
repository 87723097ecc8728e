#include "game/scoring.h"

#include "game/chart.h"
#include "tests/game/game_fixture.h"

namespace {

using ScoringTest = GameTest;

// Runs the level clock for `frames` frames from the present frame counter; gives the level
// and the leniency after them.
Ints Clock(uint32_t frames)
{
    for (uint32_t i = 0; i < frames; ++i) {
        LevelClock();
        frameCounter += 1;
    }
    return {game.levelMajor, game.levelMinor, game.leniency};
}

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
    EXPECT_EQ(game.pointsMultiplier, 22u);
}

TEST_F(ScoringTest, LevelStepsOnceASecondAndLeniencyStopsAtZero)
{
    EXPECT_EQ(Clock(0), (Ints{0, 49, 85}));
    EXPECT_EQ(Clock(1), (Ints{1, 0, 84})) << "the first frame makes the level 1.00";
    EXPECT_EQ(Clock(49), (Ints{1, 0, 84}));
    EXPECT_EQ(Clock(1), (Ints{1, 1, 84}));
    EXPECT_EQ(Clock(49 * 50), (Ints{2, 0, 83}));
    ASSERT_TRUE(Restart("easy"));
    EXPECT_EQ(Clock(1 + 127u * 50u * 50u), (Ints{128, 0, 0}));
    EXPECT_EQ(Clock(3u * 50u * 50u), (Ints{131, 0, 0}));
}

TEST_F(ScoringTest, CatchesScoreByClassLevelAndChainAndEveryFifthAllowsAnotherMiss)
{
    // A swift object (class 3) at level 2.30 on normal: 4 x (2 + 30 + chain) x 4 a catch.
    game.levelMajor = 2;
    game.levelMinor = 30;
    Ints limits;
    for (int i = 0; i < 10; ++i) {
        CountCatch(3);
        limits.push_back(game.missesLimit);
    }
    EXPECT_EQ(limits, (Ints{10, 10, 10, 10, 11, 11, 11, 11, 11, 12}));
    EXPECT_EQ((Ints{app.points, game.chain, game.catches}), (Ints{16 * (10 * 32 + 55), 10, 10}));
}

TEST_F(ScoringTest, EleventhMissEndsAGameWithoutCatches)
{
    for (int i = 0; i < 10; ++i) {
        CountMiss();
        ASSERT_EQ(app.runState, RUN_MENU) << "miss " << i + 1;
    }
    CountMiss();
    EXPECT_EQ(app.runState, RUN_PLAY);
    EXPECT_EQ(game.misses, 10u) << "held at the limit: none left to show";
}

TEST_F(ScoringTest, ChartPositionRanksBelowEqualScores)
{
    for (uint32_t row = 0; row < CHART_ROWS; ++row) {
        chart[row].points = 1000u - 100u * row; // 1000 .. 100
    }
    Ints positions;
    for (uint32_t points : {5000u, 1000u, 999u, 101u, 100u, 0u}) {
        positions.push_back(ChartPosition(points));
    }
    EXPECT_EQ(positions, (Ints{1, 2, 2, 10, 11, 11})) << "for 5000, 1000, 999, 101, 100, 0";
    SetDefaultChart();
}

}  // namespace
