#include "game/catcher.h"

#include "game/extras.h"
#include "shell/devices.h"
#include "tests/game/game_fixture.h"
#include "toolkit/gfx/disp.h"
#include "util/kv.h"
#include "util/mem.h"

namespace {

// The mouse and the gamepad come through the event module's translator, with the turning
// keys bound as in play.
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
    static void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 0); }
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

TEST_F(CatcherTest, TurningAcceleratesToTheTopSpeedAndReversesAtOnce)
{
    ClearSounds();
    (void)TurnLeftKey(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(Turns(12), (Ints{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 10}));
    EXPECT_EQ((Ints{game.fieldAngle, game.rotationJob.angle}), (Ints{75, 75})) << "the sum of the speeds";
    (void)TurnRightKey(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(Turns(2), (Ints{10, 10})) << "right while left is held changes nothing";
    (void)TurnLeftKey(nullptr, SDL_KEYUP, 0);
    EXPECT_EQ(Turns(3), (Ints{-10, -10, -10})) << "letting go of left reverses at once";
    (void)TurnRightKey(nullptr, SDL_KEYUP, 0);
    EXPECT_EQ(Turns(1), (Ints{0})) << "both released: the arena stops in the same frame";
    EXPECT_EQ(Calls(), (std::vector<SoundCall>{{AUDIO_PLAY, 0, SOUND_MOVEMENT, -1},
                                               {AUDIO_PLAY, 0, SOUND_MOVEMENT, -1},
                                               {AUDIO_HALT, 0, -1, 0}}))
        << "the turning sound restarts with the second key and runs while either is held";

    game.fieldAngle = 2;
    (void)TurnRightKey(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(Turns(3), (Ints{-1, -2, -3}));
    EXPECT_EQ(game.fieldAngle, 1020) << "wrapped below zero";
    (void)TurnLeftKey(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(Turns(1), (Ints{10})) << "left wins and reverses at once";
}

TEST_F(CatcherTest, SpinnerFollowsTheMotionCappedByTheTopSpeed)
{
    // The motions of a case come all in one frame.
    const struct { const char* what; bool speedUp; std::vector<int16_t> motions; Ints turns; } kCases[] = {
        {"a flick is spread over frames", false, {25}, {-10, -10, -5, 0}},
        {"both ways in one frame", false, {-7, 3}, {4, 0}},
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

    // As many motions in one frame as SDL's queue holds: at most a full turn waits, and every
    // frame stays capped.
    SwitchExtra(&extrasLadder[1], 0);
    for (int i = 0; i < 1000; ++i) {
        SDL_Event event{};
        event.motion = {SDL_MOUSEMOTION, 0, 0, 0, 0, -30000, 0};
        (void)SDL_PushEvent(&event);
    }
    int total = 0;
    for (int64_t turn : Turns(110)) {
        ASSERT_LE(turn, 10);
        total += static_cast<int>(turn);
    }
    EXPECT_EQ(total, SPINNER_BACKLOG);

    // Mixed with a key: never faster than the top speed, the rest waits.
    (void)TurnLeftKey(nullptr, SDL_KEYDOWN, 0);
    game.turnVelocity = 8;
    Motion(-5);
    EXPECT_EQ(Turns(2), (Ints{10, 10}));
    (void)TurnLeftKey(nullptr, SDL_KEYUP, 0);
    EXPECT_EQ(Turns(2), (Ints{4, 0})) << "the rest of the motion after the key";

    // Released (pause, game over) or switched off: the motion is not the game's.
    for (bool mouseOn : {true, false}) {
        ASSERT_TRUE(KV_ReplaceString(app.config, "MOUSE", mouseOn ? "on" : "off"));
        CaptureSpinner(!mouseOn);
        EXPECT_FALSE(SpinnerCaptured());
        Motion(50);
        EXPECT_EQ(Turns(1), (Ints{0})) << "MOUSE " << (mouseOn ? "on, released" : "off");
    }
}

TEST_F(CatcherTest, EveryInputTurnsInTheFrameThatReadsIt)
{
    const struct { const char* what; void (*input)(); } kCases[] = {
        {"key", [] { Push([] { SDL_Event e{}; e.key.type = SDL_KEYDOWN; e.key.keysym.sym = SDLK_LEFT; return e; }()); }},
        {"pad", [] { Hat(SDL_HAT_LEFT); }},
        {"mouse", [] { CaptureSpinner(true); Motion(-3); }},
    };
    for (const auto& c : kCases) {
        game.flags = 0;
        Turns(1);
        c.input();
        EXPECT_GT(Turns(1).front(), 0) << c.what << " turns in the first frame";
    }

    // A pad that disappears lets go of what it held; its events no longer count.
    Hat(SDL_HAT_CENTERED);
    Hat(SDL_HAT_LEFT);
    Step();
    ASSERT_NE(game.flags & LEFT_HELD, 0);
    DeclareGamepad(-1);
    Step();
    EXPECT_EQ(game.flags & LEFT_HELD, 0) << "released when the pad went";
    Hat(SDL_HAT_RIGHT);
    Step();
    EXPECT_EQ(game.flags & (LEFT_HELD | RIGHT_HELD), 0);

    // F11 switches the screen only while no action has it.
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
    Beam* lasting = NewBeam(nullptr, 30, 40, 0x00FF0000u, 0);
    Beam* attached = NewBeam(object, 0, 0, 0xFF00FF00u, 5);
    ASSERT_NE(attached, nullptr);
    EXPECT_EQ((Ints{object->beam == attached, attached->object == object, attached->startX, attached->startY}),
              (Ints{1, 1, 127, 250}));
    for (int i = 0; i < 4; ++i) {
        CountDownBeams();
    }
    EXPECT_EQ((Ints{attached->timer, object->beam == attached}), (Ints{1, 1}));
    CountDownBeams();
    EXPECT_EQ(object->beam, nullptr) << "the object forgets its beam when it runs out";
    ASSERT_EQ(NODE_CountNodes(&game.beams), 1u);
    EXPECT_EQ(game.beams.first->data, lasting) << "a beam without a timer stays";

    MEM_FailAt(1);
    EXPECT_EQ(NewBeam(object, 0, 0, 0, 5), nullptr);
    MEM_FailAt(0);
    EXPECT_EQ((Ints{object->beam == nullptr, NODE_CountNodes(&game.beams)}), (Ints{1, 1}));
}

TEST_F(CatcherTest, BeamsRetractTowardTheirEndAndStayOnTheField)
{
    MakeCanvas();
    game.catcherBeamColour = 0; // no arc
    const struct { int16_t x, y; uint16_t duration, timer; int lit[2], dark[2]; const char* what; } kCases[] = {
        {127, 100, 5, 5, {127, 240}, {127, 99}, "drawn whole in its first frame"},
        {127, 100, 5, 1, {127, 130}, {127, 131}, "four fifths retracted: from row 130 to the end"},
        {27, 100, 5, 1, {47, 130}, {127, 130}, "a slanted beam retracts along its slant"},
        {-40, -300, 0, 0, {1, 1}, {0, 0}, "an end outside the field is drawn to its last pixel but one"},
        {0, 0, 0, 0, {1, 1}, {0, 0}, "an end on the field's first pixel"},
        {300, 300, 0, 0, {253, 253}, {254, 254}, "an end beyond the far corner"},
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

TEST_F(CatcherTest, CatcherAndArcSpanTheCatcherExactly)
{
    MakeCanvas();
    DrawBeams();
    int leftmost = 255, rightmost = -1, top = 255, bottom = -1;
    for (int y = 240; y < 255; ++y) {
        for (int x = 0; x < 255; ++x) {
            if (Pixel(x, y) != 0) {
                EXPECT_EQ(Pixel(x, y) & 0xFF, 0u) << "the catcher colour has no blue";
                leftmost = std::min(leftmost, x);
                rightmost = std::max(rightmost, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    EXPECT_EQ((Ints{leftmost, rightmost, top, bottom}), (Ints{118, 136, 248, 252})) << "the arc's extent";

    // The halves show the turning frames: still, turning left (left wins), turning right.
    const struct { uint16_t flags; uint32_t frame; int leftHalf, rightHalf; } kHalves[] = {
        {0, 3, 21 + 3, 29 + 3}, {LEFT_HELD | RIGHT_HELD, 3, 37 + 3, 45 + 3}, {RIGHT_HELD, 12, 53 + 4, 61 + 4}};
    for (const auto& c : kHalves) {
        SDL_FillRect(app.backBuffer, nullptr, 0);
        game.flags = c.flags;
        frameCounter = c.frame;
        DrawCatcher();
        const uint32_t l = SpriteColour(c.leftHalf), r = SpriteColour(c.rightHalf);
        EXPECT_EQ((Ints{Pixel(98, 246), Pixel(99, 246), Pixel(102, 249), Pixel(103, 249), Pixel(99, 250)}),
                  (Ints{0, l, l, 0, 0})) << "left half, flags " << c.flags;
        EXPECT_EQ((Ints{Pixel(123, 246), Pixel(124, 246), Pixel(127, 249), Pixel(128, 249), Pixel(124, 245)}),
                  (Ints{0, r, r, 0, 0})) << "right half, flags " << c.flags;
    }
}

}  // namespace
