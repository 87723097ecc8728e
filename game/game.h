// One game of ZAF: the game record, the start of a game, its three phases (entry, play,
// game over) on the 20 ms frame loop, and the clean-up afterwards.
//
// The rules live in the other game modules (objects, catcher, extras, scoring, screens,
// sounds); this module owns the record they share and the order of work inside a frame.
// It steers the program only through the run state of the program record.
#pragma once

#include <cstdint>

#include "game/rotation.h"
#include "util/node.h"

struct SDL_Surface;
struct SDL_keysym;
struct Object;
struct ExtraEntry;

// Bits of Game::flags.
enum : uint16_t {
    LEFT_HELD = 0x0001,
    RIGHT_HELD = 0x0002,
    EXTRA_POINTER = 0x0004,
    EXTRA_EXPANSION_1 = 0x0008,
    EXTRA_INVERTER = 0x0010,
    EXTRA_LASER = 0x0020,
    EXTRA_EXPANSION_2 = 0x0040,
    EXTRA_FREEZER = 0x0080,
    EXTRA_EXPANSION_3 = 0x0100,
    EXTRA_DECELERATOR = 0x0200,
    EXTRA_KICKBACK = 0x0400,
    EXTRA_NUKE = 0x0800,
    EXTRA_MAGNET = 0x1000,
};

// The state of the game in progress. One instance, `game`; lists live for one game.
struct Game {
    uint16_t flags;
    uint16_t reachBonus;   // maxTurnSpeed * (maxTurnSpeed - 1) / 2
    uint16_t maxTurnSpeed; // angle units per frame
    int16_t turnVelocity;
    uint16_t fieldAngle; // 0..1023; the catcher looks along fieldAngle + 256
    uint16_t catcherLeft;
    uint16_t catcherRight;
    uint16_t catcherCentre;
    uint32_t catcherBeamColour; // 0x00RRGGBB
    Object* frozenObject;
    uint32_t freezerBeamColour; // 0x00RRGGBB
    uint16_t frozenSavedCapabilities;
    uint32_t soundRoundRobin;
    SDL_Surface* gameOverBackdrop; // owned; freed by EndGame
    RotateFn rotate;
    RotationJob rotationJob;
    SDL_Surface** sprites; // frames of the theme's sprite picture, not owned
    NODE_List beams;
    NODE_List flashes;
    NODE_List objects;
    uint32_t pointsMultiplier;
    uint16_t leniency;
    NODE_List marked; // objects carrying a marker, through their second link
    Object* target;
    int16_t centreLoopStart;
    int16_t centreFrame;
    int16_t centreLastFrame;
    int16_t levelMajor;
    int16_t levelMinor; // 0..49
    uint32_t chain;
    const ExtraEntry* nextExtra;
    uint32_t missesLimit;
    int16_t launchCountdown;
    int32_t nextClass; // -1 until the next launch's class is drawn
    uint32_t misses;
    uint32_t catches;
    uint32_t unresolved; // launched and not yet caught, missed or destroyed
};

extern Game game;

// Prepares the record for a new game. False when the theme's beam colours cannot be read or
// the window-close handler cannot be registered; EndGame must be called in either case.
[[nodiscard]] bool StartGame();
// Runs entry, play and game over. Leaves runState at RUN_PLAY when the game ended normally
// (the chart entry follows), RUN_QUIT when the program is to end.
void PlayGame();
// Stops every sound and frees everything the game made (objects, beams, flashes, the
// game-over picture); also after a failed StartGame. Safe to call twice.
void EndGame();

// The KEY.QUIT handler: a release ends the phase with RUN_PLAY.
int QuitKey(SDL_keysym* key, uint8_t type, uintptr_t user);

// Fills a started game with a fixed scene for pictures and measurements: 30 objects of all
// four classes in flight (none about to be caught or missed), 8 beams, 4 marked objects, the
// pointer on its target, three extras with letters on and the catcher turning. Objects that
// cannot be allocated are left out.
void ArrangeShowcaseGame();

// A watcher of the game's events (tests, replays): it receives one line for every phase,
// launch, catch, miss, extra switched on or off, button use and key event, prefixed by the
// frame and the score. NULL removes it; without one tracing costs a test and a branch.
using GameTracer = void (*)(const char* line);
void SetGameTracer(GameTracer tracer);
// Formats one line for the tracer (printf rules); nothing happens without a tracer.
void TraceGame(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The key handlers report their events with this.
void TraceKey(const char* action, uint8_t type);

// One frame of play, in its fixed order of work; false once the play phase is over.
// Called by the frame loop; tests call it directly.
int GameStep();
// The play frame's drawing onto the back buffer, then presentation.
void GameDraw();
