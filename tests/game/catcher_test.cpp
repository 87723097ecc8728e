#include "game/catcher.h"

#include <gtest/gtest.h>

#include <vector>

#include "game/extras.h"
#include "game/game.h"
#include "game/objects.h"
#include "shell/app.h"
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
