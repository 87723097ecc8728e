// The numbers of a game: the level clock, the points of a catch, the misses and their
// growing limit, the chain toward the extras, the four difficulties, the chart position.
//
// The rules are applied where the events happen (objects, screens); the constants and the
// arithmetic live here.
#pragma once

#include <cstdint>

// Sets the points multiplier and the starting leniency from a "DIFFICULTY" value: "easy",
// "normal", "hard", and anything else (also NULL) as the hardest.
void ApplyDifficulty(const char* difficulty);
// Once per play frame: the level advances every 50 frames, the leniency every major level.
void LevelClock();
// A catch of an object of the class: catches, misses limit, chain, extras earned, points.
void CountCatch(uint16_t objectClass);
// A miss: chain cut to two thirds, extras lost, misses counted; passing the limit ends the
// game (runState RUN_PLAY).
void CountMiss();
// 1..10, the place the points would take in the top chart; 11 when they stay outside it.
[[nodiscard]] uint32_t ChartPosition(uint32_t points);
