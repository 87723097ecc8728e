#include "game/catcher.h"

#include <numeric>

#include "game/extras.h"
#include "shell/devices.h"
#include "tests/game/game_fixture.h"
#include "toolkit/gfx/disp.h"
#include "util/kv.h"
#include "util/mem.h"

namespace {

// The mouse and the gamepad come through the event module's translator, with the turning
// keys bound as in play. The catcher, its arc and whole beams are also compared with the
// approved screenshots in tests/shell/commands_test.cpp.
class CatcherTest : public GameTest {
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
    static void Push(SDL_Event event) { (void)SDL_PushEvent(&event); }
    static void Motion(int16_t xrel) { SDL_Event e{}; e.motion = {SDL_MOUSEMOTION, 0, 0, 0, 0, xrel, 0}; Push(e); }
    static void Hat(uint8_t value) { SDL_Event e{}; e.jhat = {SDL_JOYHATMOTION, 0, 0, value}; Push(e); }
    // The arena's turn in each of the next whole frames.
    Ints Turns(int frames)
    {
        Ints turns;
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

// How the arena turns under the keys shows in the launch angles of the replay trace.
TEST_F(CatcherTest, TheTurningSoundRunsWhileEitherKeyIsHeldAndAVanishedPadLetsGo)
{
    ClearSounds();
    (void)TurnLeftKey(nullptr, SDL_KEYDOWN, 0);
    (void)TurnRightKey(nullptr, SDL_KEYDOWN, 0);
    (void)TurnLeftKey(nullptr, SDL_KEYUP, 0);
    (void)TurnRightKey(nullptr, SDL_KEYUP, 0);
    EXPECT_EQ(Calls(), (std::vector<SoundCall>{{AUDIO_PLAY, 0, SOUND_MOVEMENT, -1},
                                               {AUDIO_PLAY, 0, SOUND_MOVEMENT, -1},
                                               {AUDIO_HALT, 0, -1, 0}}))
        << "the turning sound restarts with the second key and runs while either is held";

    Hat(SDL_HAT_LEFT);
    EXPECT_GT(Turns(1).front(), 0) << "the pad turns in the frame that reads it";
    DeclareGamepad(-1);
    Step();
    EXPECT_EQ(game.flags & LEFT_HELD, 0) << "released when the pad went";
    Hat(SDL_HAT_RIGHT);
    Step();
    EXPECT_EQ(game.flags & (LEFT_HELD | RIGHT_HELD), 0) << "its events no longer count";
}

TEST_F(CatcherTest, SpinnerFollowsTheMotionCappedByTheTopSpeed)
{
    // The motions of a case come all in one frame.
    const struct { const char* what; bool speedUp; std::vector<int16_t> motions; Ints turns; } kCases[] = {
        {"a flick is spread over frames", false, {25}, {-10, -10, -5, 0}},
        {"the speed-up extra raises the cap", true, {40}, {-15, -15, -10, 0}},
    };
    for (const auto& c : kCases) {
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

    // As many motions in one frame as SDL's queue holds: at most a full turn waits.
    SwitchExtra(&extrasLadder[1], 0);
    for (int i = 0; i < 1000; ++i) {
        Motion(-30000);
    }
    const Ints turns = Turns(110);
    EXPECT_EQ(std::accumulate(turns.begin(), turns.end(), int64_t{0}), SPINNER_BACKLOG);

    // Released (pause, game over) or switched off: the motion is not the game's.
    for (bool mouseOn : {true, false}) {
        ASSERT_TRUE(KV_ReplaceString(app.config, "MOUSE", mouseOn ? "on" : "off"));
        CaptureSpinner(!mouseOn);
        Motion(50);
        EXPECT_EQ(Turns(1), (Ints{0})) << "MOUSE " << (mouseOn ? "on, released" : "off");
    }
}

TEST_F(CatcherTest, BeamsLinkTheirObjectRunDownAndRetractTowardTheirEnd)
{
    Object* object = Place(0, 10, 10, 0, 0);
    Beam* lasting = NewBeam(nullptr, 30, 40, 0x00FF0000u, 0);
    ASSERT_NE(NewBeam(object, 0, 0, 0xFF00FF00u, 5), nullptr);
    for (int i = 0; i < 5; ++i) {
        CountDownBeams();
    }
    EXPECT_EQ((Ints{object->beam == nullptr, NODE_CountNodes(&game.beams),
                    game.beams.first->data == lasting}),
              (Ints{1, 1, 1}))
        << "a timed beam runs out and its object forgets it; one without a timer stays";
    MEM_FailAt(1);
    EXPECT_EQ(NewBeam(object, 0, 0, 0, 5), nullptr);
    MEM_FailAt(0);
    EXPECT_EQ((Ints{object->beam == nullptr, NODE_CountNodes(&game.beams)}), (Ints{1, 1}));
    RemoveBeam(lasting);

    MakeCanvas();
    game.catcherBeamColour = 0; // no arc
    const struct { int16_t x, y; uint16_t duration, timer; int lit[2], dark[2]; const char* what; } kCases[] = {
        {127, 100, 5, 5, {127, 240}, {127, 99}, "drawn whole in its first frame"},
        {127, 100, 5, 1, {127, 130}, {127, 131}, "four fifths retracted: from row 130 to the end"},
        {27, 100, 5, 1, {47, 130}, {127, 130}, "a slanted beam retracts along its slant"},
        {0, 0, 0, 0, {1, 1}, {0, 0}, "an end on the field's first pixel is drawn to the next"},
        {254, 254, 0, 0, {253, 253}, {254, 254}, "an end on the field's last pixel"},
    };
    for (const auto& c : kCases) {
        SDL_FillRect(app.backBuffer, nullptr, 0);
        Beam* beam = NewBeam(nullptr, c.x, c.y, 0xFFFF0000u, c.duration);
        beam->timer = c.timer;
        DrawBeams();
        EXPECT_EQ((Ints{Pixel(c.lit[0], c.lit[1]), Pixel(c.dark[0], c.dark[1])}), (Ints{0xFF0000, 0})) << c.what;
        RemoveBeam(beam);
    }
}

}  // namespace
