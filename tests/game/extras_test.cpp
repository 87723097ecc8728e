#include "game/extras.h"

#include "game/catcher.h"
#include "game/scoring.h"
#include "tests/game/game_fixture.h"

namespace {

// The pointer earned at a chain of five and lost to a miss is pinned by the replay trace; the
// rest of the ladder and every button's use are checked here.
using ExtrasTest = GameTest;

// Counts catches (or misses, for a negative count) and gives the chain, the extras'
// flags and their effects, and the index of the next row to earn.
Ints Chain(int count)
{
    for (int i = 0; i < count; ++i) {
        CountCatch(0);
    }
    for (int i = 0; i > count; --i) {
        CountMiss();
    }
    return {game.chain, game.flags, game.maxTurnSpeed, game.reachBonus, game.catcherLeft,
            game.catcherRight, game.nextExtra - extrasLadder};
}

TEST_F(ExtrasTest, LadderClimbsWithTheChainAndFallsWithMisses)
{
    const struct { int count; Ints after; const char* what; } kSteps[] = {
        {31, {31, 0x7C, 15, 105, 100, 154, 6}, "up to the second expansion"},
        {-1, {20, 0x1C, 15, 105, 109, 145, 4}, "31 falls to 20: laser and expansion lost"},
        {110, {130, 0x1FFC, 15, 105, 91, 163, 12}, "the whole ladder, nothing past its end"},
        {-11, {0, 0, 10, 45, 118, 136, 0}, "missed down to nothing"},
    };
    for (const auto& step : kSteps) {
        EXPECT_EQ(Chain(step.count), step.after) << step.what;
    }
}

TEST_F(ExtrasTest, LaserFiresBeforeInvertingAndInvertsOnce)
{
    game.target = Place(2, 0, 60, 0, 1);
    game.flags |= EXTRA_LASER | EXTRA_INVERTER;
    ClearSounds();
    (void)Button1Key(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ((Ints{ObjectCount(), game.flags, app.points, game.unresolved,
                    NODE_CountNodes(&game.flashes)}),
              (Ints{0, EXTRA_INVERTER, 0, 0, 1}))
        << "one shot, no points for a lasered object, a flash left behind";
    EXPECT_EQ(Calls(), (std::vector<SoundCall>{{AUDIO_PLAY, 5, SOUND_LASER_U, 0},
                                               {AUDIO_PLAY, 6, SOUND_ZAP, 0}}));

    Object* target = Place(0, 0, 60, 0.5, 1);
    game.target = target;
    (void)Button1Key(nullptr, SDL_KEYUP, 0);
    EXPECT_EQ(target->vy, Fixed(1)) << "nothing on release";
    for (int press = 0; press < 2; ++press) {
        (void)Button1Key(nullptr, SDL_KEYDOWN, 0);
        EXPECT_EQ((Ints{target->vx, target->vy, target->stateBits,
                        game.marked.first == &target->markerLink}),
                  (Ints{Fixed(-0.5), Fixed(-1), ST_INVERTED, 1}))
            << "press " << press + 1 << ": inverted and marked, only once";
    }
    EXPECT_EQ(target->arrival, frameCounter + 127u + 60u) << "re-aimed inward";
}

TEST_F(ExtrasTest, FreezerHoldsTheTargetWhileTheKeyIsDown)
{
    Object* target = Place(1, 30, 40, 1, 1);
    game.flags |= EXTRA_FREEZER;
    game.target = target;
    ClearSounds();
    (void)Button2Key(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ((Ints{game.frozenObject == target, game.target == nullptr, target->capabilities, target->arrival}),
              (Ints{1, 1, 0, 0}));
    EXPECT_EQ(Calls(), (std::vector<SoundCall>{{AUDIO_PLAY, 3, SOUND_FREEZER_U, -1}}));
    JudgeObjects();
    EXPECT_EQ((Ints{target->x, target->beam != nullptr}), (Ints{Fixed(30), 1})) << "frozen";

    frameCounter = 500;
    (void)Button2Key(nullptr, SDL_KEYUP, 0);
    EXPECT_EQ((Ints{game.frozenObject == nullptr, target->capabilities, target->beam == nullptr,
                    target->arrival, game.flags}),
              (Ints{1, CAN_ALL, 1, 500 + 127 - 50, EXTRA_FREEZER}))
        << "let go, re-aimed, the freezer ready again";

    // Losing the freezer to a miss lets the frozen object go.
    Chain(40);
    game.target = target;
    (void)Button2Key(nullptr, SDL_KEYDOWN, 0);
    ASSERT_EQ(game.frozenObject, target);
    CountMiss();
    EXPECT_EQ((Ints{game.frozenObject == nullptr, game.flags & EXTRA_FREEZER, target->capabilities}),
              (Ints{1, 0, CAN_ALL}));
}

TEST_F(ExtrasTest, ButtonThreeUsesMagnetThenNukeThenKickbackThenDecelerator)
{
    Object* a = Place(0, 0, -50, 0, -1);
    Object* b = Place(1, 40, 0, 1, 0);
    game.target = a;
    game.flags |= EXTRA_MAGNET | EXTRA_NUKE | EXTRA_KICKBACK | EXTRA_DECELERATOR;
    ClearSounds();
    (void)Button3Key(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ((Ints{game.flags, game.target == nullptr}), (Ints{EXTRA_NUKE | EXTRA_KICKBACK | EXTRA_DECELERATOR, 1}));
    EXPECT_EQ((Ints{b->stateBits, b->vx, b->vy, b->capabilities}), (Ints{ST_MAGNETISED, 0, 0, 0}));
    EXPECT_EQ(Calls(), (std::vector<SoundCall>{{AUDIO_PLAY, 5, SOUND_MAGNET_U, 0}}));
    int frames = 0;
    for (; frames < 40 && ObjectCount() != 0; ++frames) {
        JudgeObjects();
    }
    EXPECT_EQ((Ints{game.catches, NODE_CountNodes(&game.beams), frames}), (Ints{2, 0, 14}))
        << "pulled a quarter of the way each frame and caught there, the beams kept until then";

    // The nuke: no points, every live object goes, the missed one is left alone.
    Place(0, 0, 30, 0, 1);
    Object* missed = Place(0, 0, 150, 0, 1);
    missed->stateBits = ST_MISSED;
    const uint32_t points = app.points;
    (void)Button3Key(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ((Ints{game.flags, app.points, FirstObject() == missed, ObjectCount()}),
              (Ints{EXTRA_KICKBACK | EXTRA_DECELERATOR, points, 1, 1}));
    DestroyObject(missed);
    FreeAllBeams();

    // Kickback arms every object; the decelerator then halves their speeds toward zero.
    a = Place(0, 0, 50, 0, 1);
    b = Place(0, -20, 0, -0.75, 0);
    b->vx = -3;
    (void)Button3Key(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ((Ints{game.flags, a->stateBits, b->capabilities & CAN_KICK}),
              (Ints{EXTRA_DECELERATOR, ST_KICK_ARMED, 0}));
    frameCounter = 10;
    (void)Button3Key(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ((Ints{game.flags, a->vy, a->speed, a->arrival}), (Ints{0, Fixed(0.5), Fixed(0.5), 10 + (127 - 50) * 2}));
    EXPECT_EQ((Ints{b->vx, b->stateBits}), (Ints{-1, ST_KICK_ARMED | ST_DECELERATED}));
    EXPECT_EQ((Ints{NODE_CountNodes(&game.marked), NODE_CountNodes(&game.beams)}), (Ints{2, 2}))
        << "marked once each, beams replaced";
}

TEST_F(ExtrasTest, StatusLettersNameWhatTheButtonsWouldUse)
{
    const struct { uint16_t flags; uint16_t maxTurnSpeed; const char* letters; } kCases[] = {
        {EXTRA_LASER | EXTRA_INVERTER | EXTRA_FREEZER | EXTRA_MAGNET | EXTRA_NUKE, 15, "SLFM"},
        {EXTRA_INVERTER | EXTRA_DECELERATOR | EXTRA_KICKBACK, 10, "IK"},
        {EXTRA_DECELERATOR, 10, "D"},
    };
    for (const auto& c : kCases) {
        game.flags = c.flags;
        game.maxTurnSpeed = c.maxTurnSpeed;
        char letters[8];
        StatusLetters(letters);
        EXPECT_STREQ(letters, c.letters) << "flags " << c.flags << ", top speed " << c.maxTurnSpeed;
    }
}

}  // namespace
