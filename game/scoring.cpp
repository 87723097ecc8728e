#include "game/scoring.h"

#include <cstring>

#include "game/chart.h"
#include "game/extras.h"
#include "game/game.h"
#include "shell/app.h"
#include "toolkit/gfx/clock.h"

namespace {

struct Difficulty {
    const char* name;
    uint32_t pointsMultiplier;
    uint16_t leniency;
};

constexpr Difficulty DIFFICULTIES[] = {
    {"easy", 1, 128},
    {"normal", 4, 85},
    {"hard", 10, 42},
};
constexpr Difficulty HARDEST = {"inhuman", 22, 0};

}  // namespace

void ApplyDifficulty(const char* difficulty)
{
    Difficulty chosen = HARDEST;
    for (const Difficulty& row : DIFFICULTIES) {
        if (difficulty != nullptr && std::strcmp(difficulty, row.name) == 0) {
            chosen = row;
        }
    }
    game.pointsMultiplier = chosen.pointsMultiplier;
    game.leniency = chosen.leniency;
}

void LevelClock()
{
    if (frameCounter % 50 != 0) {
        return;
    }
    game.levelMinor = static_cast<int16_t>(game.levelMinor + 1);
    if (game.levelMinor == 50) {
        game.levelMinor = 0;
        game.levelMajor = static_cast<int16_t>(game.levelMajor + 1);
        if (game.leniency != 0) {
            game.leniency = static_cast<uint16_t>(game.leniency - 1);
        }
    }
}

void CountCatch(uint16_t objectClass)
{
    game.catches += 1;
    if (game.catches % 5 == 0) {
        game.missesLimit += 1;
    }
    game.chain += 1;
    // Earning an extra leaves the chain as it is, so the points can be counted first and
    // the trace shows the catch before what it earned.
    uint32_t level = static_cast<uint32_t>(game.levelMajor + game.levelMinor);
    app.points += (objectClass + 1u) * (level + game.chain) * game.pointsMultiplier;
    TraceGame("catch class %u", static_cast<unsigned>(objectClass));
    EarnExtras();
}

void CountMiss()
{
    game.chain = (game.chain * 2) / 3;
    game.misses += 1;
    if (game.misses > game.missesLimit) {
        game.misses = game.missesLimit;
        // A close request taken earlier in this frame still ends the program.
        if (app.runState != RUN_QUIT) {
            app.runState = RUN_PLAY;
        }
    }
    // The extras lost depend only on the chain; the trace shows the miss before them.
    TraceGame("miss");
    LoseExtras();
}

uint32_t ChartPosition(uint32_t points)
{
    uint32_t position = 1;
    for (uint32_t row = 0; row < CHART_ROWS; ++row) {
        if (chart[row].points < points) {
            break;
        }
        position += 1;
    }
    return position;
}
