#include "game/extras.h"

#include <gtest/gtest.h>

#include <string>

#include "game/catcher.h"
#include "game/game.h"
#include "game/objects.h"
#include "game/scoring.h"
#include "shell/app.h"
#include "tests/game/game_fixture.h"
#include "toolkit/gfx/clock.h"
#include "util/mem.h"

namespace {

using ExtrasTest = GameTest;

void Catches(int count)
{
    for (int i = 0; i < count; ++i) {
        CountCatch(0);
    }
}

std::string Letters()
{
    char letters[8];
    StatusLetters(letters);
    return letters;
}

uint32_t BeamCount()
{
    return NODE_CountNodes(&game.beams);
}

TEST_F(ExtrasTest, PointerComesAtFiveAndGoesWithAMiss)
{
    Catches(4);
    EXPECT_EQ(game.flags & EXTRA_POINTER, 0);
    ClearSounds();
    Catches(1);
    EXPECT_NE(game.flags & EXTRA_POINTER, 0);
    EXPECT_EQ(game.nextExtra, &extrasLadder[1]);
    EXPECT_EQ(Plays(), (std::vector<SoundCall>{{AUDIO_PLAY, 1, SOUND_POINTER_G, 0}}));
    CountMiss();
    EXPECT_EQ(game.chain, 3u);
    EXPECT_EQ(game.flags & EXTRA_POINTER, 0);
    EXPECT_EQ(game.nextExtra, &extrasLadder[0]);
}

TEST_F(ExtrasTest, MissAtChain31FallsTo20)
{
    Catches(31);
    uint16_t earned = EXTRA_POINTER | EXTRA_EXPANSION_1 | EXTRA_INVERTER | EXTRA_LASER | EXTRA_EXPANSION_2;
    EXPECT_EQ(game.flags, earned);
    EXPECT_EQ(game.maxTurnSpeed, 15);
    EXPECT_EQ(game.catcherLeft, 100);
    EXPECT_EQ(game.catcherRight, 154);
    EXPECT_EQ(Letters(), "SL");

    CountMiss();
    EXPECT_EQ(game.chain, 20u);
    EXPECT_EQ(game.flags, EXTRA_POINTER | EXTRA_EXPANSION_1 | EXTRA_INVERTER);
    EXPECT_EQ(game.catcherLeft, 109) << "narrowed by 9 on each side";
    EXPECT_EQ(game.catcherRight, 145);
    EXPECT_EQ(game.nextExtra, &extrasLadder[4]) << "the laser is to be earned again";
    EXPECT_EQ(Letters(), "SI");
}

TEST_F(ExtrasTest, WholeLadderThenMissesDownToNothing)
{
    ClearSounds();
    SwitchExtra(&extrasLadder[2], 1);
    SwitchExtra(&extrasLadder[2], 1);
    SwitchExtra(&extrasLadder[1], 1);
    SwitchExtra(&extrasLadder[1], 1);
    EXPECT_EQ(Plays(), (std::vector<SoundCall>{{AUDIO_PLAY, 1, SOUND_EXPANSION_G, 0},
                                               {AUDIO_PLAY, 1, SOUND_SPEED_UP_G, 0}}))
        << "switching on twice makes no second sound";
    EXPECT_EQ(game.catcherLeft, 109) << "widened once";
    EXPECT_EQ(game.reachBonus, 105);

    Catches(120);
    EXPECT_EQ(game.nextExtra, &extrasLadder[EXTRA_ROWS]);
    EXPECT_EQ(game.catcherLeft, 118 - 27);
    EXPECT_EQ(Letters(), "SLFM");
    Catches(10);
    EXPECT_EQ(game.nextExtra, &extrasLadder[EXTRA_ROWS]) << "nothing past the end";
    for (int i = 0; i < 20 && game.chain != 0; ++i) {
        CountMiss();
    }
    EXPECT_EQ(game.chain, 0u);
    EXPECT_EQ(game.flags, 0);
    EXPECT_EQ(game.maxTurnSpeed, 10);
    EXPECT_EQ(game.reachBonus, 45);
    EXPECT_EQ(game.catcherLeft, 118);
    EXPECT_EQ(game.catcherRight, 136);
    EXPECT_EQ(game.nextExtra, &extrasLadder[0]);
}

TEST_F(ExtrasTest, LaserFiresBeforeInverting)
{
    Object* target = Place(2, 0, 60, 0, 1);
    game.target = target;
    game.flags |= EXTRA_LASER | EXTRA_INVERTER;
    uint32_t points = app.points;
    ClearSounds();
    (void)Button1Key(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(ObjectCount(), 0u);
    EXPECT_EQ(game.target, nullptr);
    EXPECT_EQ(game.flags & EXTRA_LASER, 0) << "one shot";
    EXPECT_NE(game.flags & EXTRA_INVERTER, 0);
    EXPECT_EQ(app.points, points) << "no points for a lasered object";
    EXPECT_EQ(game.chain, 0u);
    EXPECT_EQ(game.unresolved, 0u);
    EXPECT_EQ(BeamCount(), 1u);
    EXPECT_NE(game.flashes.first, nullptr);
    EXPECT_EQ(Plays(), (std::vector<SoundCall>{{AUDIO_PLAY, 5, SOUND_LASER_U, 0},
                                               {AUDIO_PLAY, 6, SOUND_ZAP, 0}}));

    // Without a target the button does nothing.
    game.flags |= EXTRA_LASER;
    (void)Button1Key(nullptr, SDL_KEYDOWN, 0);
    EXPECT_NE(game.flags & EXTRA_LASER, 0);
}

TEST_F(ExtrasTest, InverterTurnsEveryTargetOnce)
{
    Object* target = Place(0, 0, 60, 0.5, 1);
    game.target = target;
    game.flags |= EXTRA_INVERTER;
    (void)Button1Key(nullptr, SDL_KEYUP, 0);
    EXPECT_EQ(target->vy, Fixed(1)) << "nothing on release";
    (void)Button1Key(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(target->vx, Fixed(-0.5));
    EXPECT_EQ(target->vy, Fixed(-1));
    EXPECT_NE(target->stateBits & ST_INVERTED, 0);
    EXPECT_EQ(target->capabilities & CAN_INVERT, 0);
    EXPECT_EQ(game.marked.first, &target->markerLink);
    ASSERT_NE(target->beam, nullptr);
    EXPECT_EQ(target->beam->duration, 5);
    EXPECT_EQ(target->beam->colour >> 24, 0u) << "random opacity";
    EXPECT_EQ(target->arrival, frameCounter + 127u + 60u) << "re-aimed inward";
    EXPECT_NE(game.flags & EXTRA_INVERTER, 0) << "the inverter stays on";

    (void)Button1Key(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(target->vy, Fixed(-1)) << "an object is inverted only once";
    EXPECT_EQ(BeamCount(), 1u);
}

TEST_F(ExtrasTest, FreezerHoldsTheTargetWhileTheKeyIsDown)
{
    Object* target = Place(1, 30, 40, 1, 1);
    game.target = target;
    game.flags |= EXTRA_FREEZER;
    ClearSounds();
    (void)Button2Key(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(game.frozenObject, target);
    EXPECT_EQ(game.target, nullptr);
    EXPECT_EQ(target->capabilities, 0);
    EXPECT_EQ(target->arrival, 0u);
    ASSERT_NE(target->beam, nullptr);
    EXPECT_EQ(target->beam->colour, 0x00C8FFu) << "the freezer colour, 300 taken as 255";
    EXPECT_EQ(target->beam->timer, 0);
    EXPECT_EQ(Plays(), (std::vector<SoundCall>{{AUDIO_PLAY, 3, SOUND_FREEZER_U, -1}}));

    HoldLaunches();
    for (int i = 0; i < 10; ++i) {
        JudgeObjects();
        CountDownBeams();
    }
    EXPECT_EQ(target->x, Fixed(30)) << "frozen in place";
    EXPECT_NE(target->beam, nullptr) << "the freezer beam stays";

    ClearSounds();
    frameCounter = 500;
    (void)Button2Key(nullptr, SDL_KEYUP, 0);
    EXPECT_EQ(game.frozenObject, nullptr);
    EXPECT_EQ(target->capabilities, CAN_ALL);
    EXPECT_EQ(target->beam, nullptr);
    EXPECT_EQ(BeamCount(), 0u);
    EXPECT_EQ(target->arrival, 500u + 127u - 50u) << "re-aimed on release";
    EXPECT_EQ(Calls(), (std::vector<SoundCall>{{AUDIO_HALT, 3, -1, 0}}));
    EXPECT_NE(game.flags & EXTRA_FREEZER, 0) << "the freezer can be used again";

    // Released with nothing frozen: only the channel is halted.
    ClearSounds();
    (void)Button2Key(nullptr, SDL_KEYUP, 0);
    EXPECT_EQ(Calls(), (std::vector<SoundCall>{{AUDIO_HALT, 3, -1, 0}}));

    // Losing the freezer to a miss lets the frozen object go.
    Catches(40);
    game.target = target;
    (void)Button2Key(nullptr, SDL_KEYDOWN, 0);
    ASSERT_EQ(game.frozenObject, target);
    CountMiss();
    EXPECT_EQ(game.flags & EXTRA_FREEZER, 0);
    EXPECT_EQ(game.frozenObject, nullptr);
    EXPECT_EQ(target->capabilities, CAN_ALL);
}

TEST_F(ExtrasTest, ButtonThreeUsesMagnetBeforeNuke)
{
    Object* a = Place(0, 0, -50, 0, -1);
    Object* b = Place(1, 40, 0, 1, 0);
    game.target = a;
    game.flags |= EXTRA_MAGNET | EXTRA_NUKE;
    ClearSounds();
    (void)Button3Key(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(game.flags & EXTRA_MAGNET, 0);
    EXPECT_NE(game.flags & EXTRA_NUKE, 0);
    for (Object* o : {a, b}) {
        EXPECT_NE(o->stateBits & ST_MAGNETISED, 0);
        EXPECT_EQ(o->vx, 0);
        EXPECT_EQ(o->vy, 0);
        EXPECT_EQ(o->capabilities, 0);
        ASSERT_NE(o->beam, nullptr);
        EXPECT_EQ(o->beam->timer, 0) << "stays until the object is gone";
    }
    EXPECT_EQ(game.target, nullptr);
    EXPECT_EQ(Plays(), (std::vector<SoundCall>{{AUDIO_PLAY, 5, SOUND_MAGNET_U, 0}}));

    // Pulled to the catcher and caught there.
    HoldLaunches();
    for (int i = 0; i < 40 && ObjectCount() != 0; ++i) {
        JudgeObjects();
    }
    EXPECT_EQ(game.catches, 2u);
    EXPECT_EQ(BeamCount(), 0u);

    // The second press uses the nuke: no points, every live object goes.
    Place(0, 0, 30, 0, 1);
    Object* missed = Place(0, 0, 150, 0, 1);
    missed->stateBits = ST_MISSED;
    game.unresolved -= 1;
    uint32_t points = app.points;
    (void)Button3Key(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(game.flags & EXTRA_NUKE, 0);
    EXPECT_EQ(ObjectCount(), 1u) << "the missed object is left alone";
    EXPECT_EQ(FirstObject(), missed);
    EXPECT_EQ(app.points, points);
    ASSERT_EQ(BeamCount(), 1u);
    const auto* beam = static_cast<const Beam*>(game.beams.first->data);
    EXPECT_EQ(beam->colour >> 24, 0xFFu) << "opaque";
    EXPECT_EQ(beam->object, nullptr);

    (void)Button3Key(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(ObjectCount(), 1u) << "nothing left to use";
}

TEST_F(ExtrasTest, KickbackArmsAndDeceleratorSlows)
{
    Object* a = Place(0, 0, 50, 0, 1);
    Object* b = Place(0, -20, 0, -0.75, 0);
    b->vx = -3;
    b->speed = 3;
    a->speed = static_cast<uint32_t>(Fixed(1));
    game.flags |= EXTRA_KICKBACK | EXTRA_DECELERATOR;
    (void)Button3Key(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(game.flags, EXTRA_DECELERATOR) << "kickback before decelerator";
    for (Object* o : {a, b}) {
        EXPECT_EQ(o->stateBits, ST_KICK_ARMED);
        EXPECT_EQ(o->capabilities & CAN_KICK, 0);
        ASSERT_NE(o->beam, nullptr);
        EXPECT_EQ(o->beam->colour >> 24, 0xFFu);
    }
    EXPECT_EQ(NODE_CountNodes(&game.marked), 2u);

    frameCounter = 10;
    (void)Button3Key(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(game.flags, 0);
    EXPECT_EQ(a->vy, Fixed(0.5));
    EXPECT_EQ(a->speed, static_cast<uint32_t>(Fixed(0.5)));
    EXPECT_EQ(a->arrival, 10u + (127u - 50u) * 2u);
    EXPECT_EQ(b->vx, -1) << "halved toward zero";
    EXPECT_EQ(b->stateBits, ST_KICK_ARMED | ST_DECELERATED);
    EXPECT_EQ(NODE_CountNodes(&game.marked), 2u) << "marked once each";
    EXPECT_EQ(game.marked.first, &a->markerLink) << "re-marking moves to the end in order";
    EXPECT_EQ(BeamCount(), 2u) << "the new beams replaced the old ones";
}

TEST_F(ExtrasTest, ExtraWorksWhenItsBeamCannotBeMade)
{
    Object* target = Place(0, 0, 60, 0, 1);
    game.target = target;
    game.flags |= EXTRA_INVERTER;
    MEM_FailAt(1);
    (void)Button1Key(nullptr, SDL_KEYDOWN, 0);
    MEM_FailAt(0);
    EXPECT_EQ(target->vy, Fixed(-1));
    EXPECT_EQ(target->beam, nullptr);
    EXPECT_EQ(BeamCount(), 0u);
}

TEST_F(ExtrasTest, OneShotExtrasComeBackOnlyAfterClimbingAgain)
{
    Catches(25);
    Object* target = Place(0, 0, 60, 0, 1);
    game.target = target;
    (void)Button1Key(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(game.flags & EXTRA_LASER, 0);
    Catches(5);
    EXPECT_EQ(game.chain, 30u);
    EXPECT_EQ(game.flags & EXTRA_LASER, 0) << "not earned again by climbing past it";
    ClearSounds();
    CountMiss();
    EXPECT_EQ(game.chain, 20u);
    EXPECT_EQ(game.nextExtra, &extrasLadder[4]);
    Catches(5);
    EXPECT_NE(game.flags & EXTRA_LASER, 0);
    EXPECT_EQ(Plays().back(), (SoundCall{AUDIO_PLAY, 1, SOUND_LASER_G, 0}));
}

TEST_F(ExtrasTest, StatusLettersNameWhatTheButtonsWouldUse)
{
    const struct {
        uint16_t flags;
        int maxTurnSpeed;
        const char* letters;
    } kCases[] = {
        {0, 10, ""},
        {EXTRA_POINTER | EXTRA_EXPANSION_1, 10, ""},
        {EXTRA_INVERTER | EXTRA_DECELERATOR | EXTRA_KICKBACK, 10, "IK"},
        {EXTRA_LASER | EXTRA_INVERTER | EXTRA_FREEZER | EXTRA_NUKE | EXTRA_DECELERATOR, 15, "SLFN"},
        {EXTRA_DECELERATOR, 10, "D"},
    };
    for (const auto& c : kCases) {
        game.flags = c.flags;
        game.maxTurnSpeed = c.maxTurnSpeed;
        EXPECT_EQ(Letters(), c.letters) << "flags " << c.flags << ", top speed " << c.maxTurnSpeed;
    }
}

}  // namespace
