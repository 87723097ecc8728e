#include "game/catcher.h"

#include <gtest/gtest.h>

#include <vector>

#include "game/extras.h"
#include "game/game.h"
#include "game/objects.h"
#include "shell/app.h"
#include "shell/devices.h"
#include "toolkit/gfx/disp.h"
#include "util/kv.h"
#include "tests/game/game_fixture.h"
#include "toolkit/gfx/clock.h"
#include "util/mem.h"

namespace {

using CatcherTest = GameTest;

std::vector<int> SteerFrames(int frames)
{
    std::vector<int> speeds;
    for (int i = 0; i < frames; ++i) {
        Steer();
        speeds.push_back(game.turnVelocity);
    }
    return speeds;
}

TEST_F(CatcherTest, HoldingLeftAcceleratesToTopSpeed)
{
    (void)TurnLeftKey(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(SteerFrames(12), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 10}));
    EXPECT_EQ(game.fieldAngle, 75) << "the sum of the speeds";
    EXPECT_EQ(game.rotationJob.angle, game.fieldAngle);

    // Right while left is held changes nothing; letting go of left reverses at once.
    (void)TurnRightKey(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(SteerFrames(2), (std::vector<int>{10, 10}));
    (void)TurnLeftKey(nullptr, SDL_KEYUP, 0);
    EXPECT_EQ(SteerFrames(3), (std::vector<int>{-10, -10, -10}));
    EXPECT_EQ(game.fieldAngle, 65);

    // Both released: the arena stops in the same frame.
    (void)TurnRightKey(nullptr, SDL_KEYUP, 0);
    EXPECT_EQ(SteerFrames(1), (std::vector<int>{0}));
    EXPECT_EQ(game.fieldAngle, 65);
}

TEST_F(CatcherTest, RightTurnWrapsTheAngleBelowZero)
{
    (void)TurnRightKey(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(SteerFrames(3), (std::vector<int>{-1, -2, -3}));
    EXPECT_EQ(game.fieldAngle, 1018);
    (void)TurnLeftKey(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(SteerFrames(1), (std::vector<int>{10})) << "left wins and reverses at once";
}

TEST_F(CatcherTest, SpeedIsNotCutWhenSpeedUpEnds)
{
    SwitchExtra(&extrasLadder[1], 1);
    ASSERT_EQ(game.maxTurnSpeed, 15);
    (void)TurnLeftKey(nullptr, SDL_KEYDOWN, 0);
    std::vector<int> speeds = SteerFrames(16);
    EXPECT_EQ(speeds.back(), 15);
    SwitchExtra(&extrasLadder[1], 0);
    EXPECT_EQ(SteerFrames(2), (std::vector<int>{15, 15}));
    (void)TurnLeftKey(nullptr, SDL_KEYUP, 0);
    (void)TurnRightKey(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(SteerFrames(2), (std::vector<int>{-10, -10})) << "reversed to the new top speed";
}

TEST_F(CatcherTest, MovementSoundRunsWhileEitherKeyIsHeld)
{
    ClearSounds();
    (void)TurnLeftKey(nullptr, SDL_KEYDOWN, 0);
    (void)TurnRightKey(nullptr, SDL_KEYDOWN, 0);
    (void)TurnLeftKey(nullptr, SDL_KEYUP, 0);
    std::vector<SoundCall> held = {
        {AUDIO_PLAY, 0, SOUND_MOVEMENT, -1},
        {AUDIO_PLAY, 0, SOUND_MOVEMENT, -1},
    };
    EXPECT_EQ(Calls(), held) << "restarted by the second key, kept while right is held";
    (void)TurnRightKey(nullptr, SDL_KEYUP, 0);
    ASSERT_EQ(Calls().size(), 3u);
    EXPECT_EQ(Calls().back(), (SoundCall{AUDIO_HALT, 0, -1, 0}));
}

// The mouse and the gamepad as the program has them: through the event module's translator,
// with the turning keys bound as in play.
class DeviceTurnTest : public GameTest {
public:
    void SetUp() override
    {
        GameTest::SetUp();
        ASSERT_TRUE(KV_SetString(app.config, "MOUSE", "on"));
        OpenDevices();
        DeclareGamepad(0);
        left = DISP_AddKeyHandler(SDLK_LEFT, TurnLeftKey, 0);
        right = DISP_AddKeyHandler(SDLK_RIGHT, TurnRightKey, 0);
        HoldLaunches();
    }
    void TearDown() override
    {
        DISP_RemoveKeyHandler(left);
        DISP_RemoveKeyHandler(right);
        CloseDevices();
        GameTest::TearDown();
    }
    static void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 0); }
    static void Motion(int16_t xrel)
    {
        SDL_Event event{};
        event.type = SDL_MOUSEMOTION;
        event.motion.xrel = xrel;
        Push(event);
    }
    static void Hat(uint8_t device, uint8_t value)
    {
        SDL_Event event{};
        event.jhat = {SDL_JOYHATMOTION, device, 0, value};
        Push(event);
    }
    // The arena's turn in each of the next frames.
    std::vector<int> Turns(int frames)
    {
        std::vector<int> turns;
        for (int i = 0; i < frames; ++i) {
            const int before = game.fieldAngle;
            Step();
            turns.push_back((game.fieldAngle - before + 1024 + 512) % 1024 - 512);
        }
        return turns;
    }

    DISP_Handler* left = nullptr;
    DISP_Handler* right = nullptr;
};

TEST_F(DeviceTurnTest, SpinnerFollowsTheMotionCappedByTheTopSpeed)
{
    struct Case {
        const char* what;
        bool speedUp;
        std::vector<int16_t> motions; // all in one frame
        std::vector<int> turns;
    };
    const Case cases[] = {
        {"a flick is spread over frames", false, {25}, {-10, -10, -5, 0}},
        {"both ways in one frame", false, {-7, 3}, {4, 0}},
        {"the speed-up extra raises the cap", true, {40}, {-15, -15, -10, 0}},
    };
    for (const Case& c : cases) {
        SwitchExtra(&extrasLadder[1], c.speedUp ? 1 : 0);
        CaptureSpinner(true);
        ClearSounds();
        for (int16_t xrel : c.motions) {
            Motion(xrel);
        }
        EXPECT_EQ(Turns(static_cast<int>(c.turns.size())), c.turns) << c.what;
        EXPECT_EQ(Calls(), (std::vector<SoundCall>{{AUDIO_PLAY, 0, SOUND_MOVEMENT, -1}, {AUDIO_HALT, 0, -1, 0}}))
            << c.what << ": the turning sound runs while the arena turns";
    }

    // A thousand motions in one frame (as many as SDL's queue holds): at most a full turn
    // waits, and every frame stays capped.
    SwitchExtra(&extrasLadder[1], 0);
    int queued = 0;
    for (int i = 0; i < 1000; ++i) {
        SDL_Event event{};
        event.type = SDL_MOUSEMOTION;
        event.motion.xrel = -30000;
        queued += SDL_PushEvent(&event) == 0 ? 1 : 0;
    }
    ASSERT_GE(queued, 100);
    std::vector<int> turns = Turns(110);
    int total = 0;
    for (int turn : turns) {
        ASSERT_LE(turn, 10);
        total += turn;
    }
    EXPECT_EQ(total, SPINNER_BACKLOG);

    // Mixed with a key: never faster than the top speed, the rest waits.
    (void)TurnLeftKey(nullptr, SDL_KEYDOWN, 0);
    game.turnVelocity = 8;
    Motion(-5);
    EXPECT_EQ(Turns(2), (std::vector<int>{10, 10}));
    (void)TurnLeftKey(nullptr, SDL_KEYUP, 0);
    EXPECT_EQ(Turns(2), (std::vector<int>{4, 0})) << "the rest of the motion after the key";

    // Released (pause, game over) or switched off: the motion is not the game's.
    for (bool mouseOn : {true, false}) {
        ASSERT_TRUE(KV_ReplaceString(app.config, "MOUSE", mouseOn ? "on" : "off"));
        CaptureSpinner(!mouseOn);
        EXPECT_FALSE(SpinnerCaptured());
        Motion(50);
        EXPECT_EQ(Turns(1), (std::vector<int>{0})) << "MOUSE " << (mouseOn ? "on, released" : "off");
    }
}

TEST_F(DeviceTurnTest, EveryInputTurnsInTheFrameThatReadsIt)
{
    // Input-to-turn latency: the frame whose step takes the event from the queue turns.
    struct Case {
        const char* what;
        void (*input)();
    };
    const Case cases[] = {
        {"key", [] { Push([] { SDL_Event e{}; e.key.type = SDL_KEYDOWN; e.key.keysym.sym = SDLK_LEFT; return e; }()); }},
        {"pad", [] { Hat(0, SDL_HAT_LEFT); }},
        {"mouse", [] { CaptureSpinner(true); Motion(-3); }},
    };
    for (const Case& c : cases) {
        game.flags = 0;
        Turns(1);
        c.input();
        EXPECT_GT(Turns(1).front(), 0) << c.what << " turns in the first frame";
    }

    // A pad that disappears lets go of what it held; its events no longer count.
    Hat(0, SDL_HAT_CENTERED);
    Hat(0, SDL_HAT_LEFT);
    Step();
    ASSERT_NE(game.flags & LEFT_HELD, 0);
    DeclareGamepad(-1);
    Step();
    EXPECT_EQ(game.flags & LEFT_HELD, 0) << "released when the pad went";
    Hat(0, SDL_HAT_RIGHT);
    Step();
    EXPECT_EQ(game.flags & (LEFT_HELD | RIGHT_HELD), 0);
}

TEST_F(DeviceTurnTest, F11SwitchesTheScreenOnlyWhileNoActionHasIt)
{
    SDL_Event f11{};
    f11.key.type = SDL_KEYDOWN;
    f11.key.keysym.sym = SDLK_F11;
    SDL_Event out[DISP_MAX_TRANSLATED];
    EXPECT_EQ(TranslateDeviceEvent(&f11, out, DISP_MAX_TRANSLATED), 0) << "taken by the switch";
    ASSERT_TRUE(KV_ReplaceString(app.config, "KEY.PAUSE", "f11"));
    EXPECT_EQ(TranslateDeviceEvent(&f11, out, DISP_MAX_TRANSLATED), -1) << "left to the pause";
}

TEST_F(CatcherTest, BeamsLinkTheirObjectAndRunDown)
{
    Object* object = Place(0, 10, 10, 0, 0);
    Beam* attached = NewBeam(object, 0, 0, 0xFF00FF00u, 5);
    ASSERT_NE(attached, nullptr);
    EXPECT_EQ(object->beam, attached);
    EXPECT_EQ(attached->object, object);
    EXPECT_EQ(attached->startX, 127);
    EXPECT_EQ(attached->startY, 250);
    Beam* lasting = NewBeam(nullptr, 30, 40, 0x00FF0000u, 0);
    ASSERT_NE(lasting, nullptr);

    for (int i = 0; i < 4; ++i) {
        CountDownBeams();
    }
    EXPECT_EQ(attached->timer, 1);
    EXPECT_EQ(object->beam, attached);
    CountDownBeams();
    EXPECT_EQ(object->beam, nullptr) << "the object forgets its beam when it runs out";
    ASSERT_EQ(NODE_CountNodes(&game.beams), 1u);
    EXPECT_EQ(game.beams.first->data, lasting) << "a beam without a timer stays";

    MEM_FailAt(1);
    EXPECT_EQ(NewBeam(object, 0, 0, 0, 5), nullptr);
    MEM_FailAt(0);
    EXPECT_EQ(object->beam, nullptr);
    EXPECT_EQ(NODE_CountNodes(&game.beams), 1u);
}

TEST_F(CatcherTest, BeamsRetractTowardTheirEndAndStayOnTheField)
{
    MakeCanvas();
    Beam* beam = NewBeam(nullptr, 127, 100, 0xFFFF0000u, 5);
    ASSERT_NE(beam, nullptr);
    DrawBeams();
    EXPECT_EQ(Pixel(127, 240), 0xFF0000u) << "drawn whole in its first frame";
    EXPECT_EQ(Pixel(127, 100), 0xFF0000u);
    EXPECT_EQ(Pixel(127, 99), 0u);

    SDL_FillRect(app.backBuffer, nullptr, 0);
    beam->timer = 1;
    DrawBeams();
    EXPECT_EQ(Pixel(127, 200), 0u) << "four fifths retracted: starts at row 130";
    EXPECT_EQ(Pixel(127, 130), 0xFF0000u);
    EXPECT_EQ(Pixel(127, 131), 0u);
    EXPECT_EQ(Pixel(127, 100), 0xFF0000u) << "the end stays";

    // An end far outside the field is drawn to its clamped corner.
    SDL_FillRect(app.backBuffer, nullptr, 0);
    RemoveBeam(beam);
    (void)NewBeam(nullptr, -40, -300, 0xFF0000FFu, 0);
    DrawBeams();
    EXPECT_EQ(Pixel(1, 1), 0x0000FFu);
    EXPECT_EQ(Pixel(0, 0), 0u);
}

TEST_F(CatcherTest, ArcFlickersAcrossTheCatcher)
{
    MakeCanvas();
    DrawBeams();
    int lit = 0;
    for (int y = 240; y < 255; ++y) {
        for (int x = 0; x < 255; ++x) {
            if (Pixel(x, y) != 0) {
                EXPECT_GE(y, 247) << x;
                EXPECT_LE(y, 254) << x;
                EXPECT_GE(x, game.catcherLeft) << y;
                EXPECT_LE(x, game.catcherRight + 1) << y;
                EXPECT_EQ(Pixel(x, y) & 0xFF, 0u) << "the catcher colour has no blue";
                lit += 1;
            }
        }
    }
    EXPECT_GT(lit, 18) << "two lines across the catcher";
}

TEST_F(CatcherTest, CatcherHalvesShowTheTurningFrames)
{
    MakeCanvas();
    frameCounter = 3;
    DrawCatcher();
    EXPECT_EQ(Pixel(118 - 19, 246), SpriteColour(21 + 3));
    EXPECT_EQ(Pixel(136 - 12, 246), SpriteColour(29 + 3));
    game.flags |= LEFT_HELD | RIGHT_HELD;
    DrawCatcher();
    EXPECT_EQ(Pixel(118 - 19, 246), SpriteColour(37 + 3)) << "left wins";
    EXPECT_EQ(Pixel(136 - 12, 246), SpriteColour(45 + 3));
    game.flags = RIGHT_HELD;
    frameCounter = 12;
    DrawCatcher();
    EXPECT_EQ(Pixel(118 - 19, 246), SpriteColour(53 + 4));
    EXPECT_EQ(Pixel(136 - 12, 246), SpriteColour(61 + 4));
}

}  // namespace
