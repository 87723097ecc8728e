// A running game without a window: the program record holds the settings and beam colours a
// game reads, the event module and the trigonometry are up, sounds are recorded instead of
// played and the clock is virtual. Tests step frames by hand or run whole phases with a
// script of SDL events delivered while the game waits.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "game/game.h"
#include "game/objects.h"
#include "shell/app.h"
#include "shell/audio.h"
#include "toolkit/gfx/clock.h"
#include "tests/support/surface_util.h"

struct SoundCall {
    AUDIO_Op op;
    int channel;
    int sound;
    int loops;
    bool operator==(const SoundCall&) const = default;
};
std::ostream& operator<<(std::ostream& out, const SoundCall& call);

// Several values compared in one assertion.
using Ints = std::vector<int64_t>;

// A key event (or a window close) pushed once the virtual clock reaches `at` ms.
struct ScriptedEvent {
    uint32_t at;
    uint8_t type; // SDL_KEYDOWN, SDL_KEYUP or SDL_QUIT
    SDLKey key;
};

class GameTest : public ::testing::Test {
public:
    void SetUp() override;
    void TearDown() override;

    // Ends the game of SetUp and starts a new one with the difficulty; false when the start
    // failed.
    bool Restart(const char* difficulty);
    // One play frame as the frame loop runs it: the step, then the frame counter.
    static void Step() { (void)GameStep(); frameCounter += 1; }
    // An object in flight at (x, y) pixels with a velocity in pixels per frame; counted as
    // launched and unresolved.
    Object* Place(uint16_t objectClass, double x, double y, double vx, double vy);
    // Keeps the launcher quiet for the next frames.
    static void HoldLaunches() { game.launchCountdown = 30000; }
    // Everything recorded since the last clearing.
    static std::vector<SoundCall>& Calls();
    static void ClearSounds() { Calls().clear(); }
    // Events are pushed into SDL's queue when the clock passes their time.
    static void Script(const std::vector<ScriptedEvent>& events);

    static uint32_t ObjectCount() { return NODE_CountNodes(&game.objects); }
    static Object* FirstObject() { return game.objects.first != nullptr ? static_cast<Object*>(game.objects.first->data) : nullptr; }

    // A black 255 x 255 back buffer and a 383 x 383 rotation source; freed by TearDown.
    static void MakeCanvas();
    // The back buffer's pixel, 0x00RRGGBB.
    static uint32_t Pixel(int x, int y) { return PixelAt(app.backBuffer, x, y) & 0xFFFFFFu; }
};

// 16.16 fixed point of a pixel value.
inline int32_t Fixed(double pixels)
{
    return static_cast<int32_t>(pixels * 65536.0);
}
