#include "game/objects.h"

#include "game/catcher.h"
#include "tests/game/game_fixture.h"
#include "util/mem.h"

namespace {

using ObjectsTest = GameTest;

Object* LastObject()
{
    return static_cast<Object*>(game.objects.last->data);
}

Ints Tally()
{
    return {game.catches, game.misses, game.unresolved};
}

TEST_F(ObjectsTest, LaunchesTakeTheirClassTimeToTheRim)
{
    game.nextClass = 0;
    Step();
    ASSERT_EQ(ObjectCount(), 1u);
    Object* object = FirstObject();
    EXPECT_EQ((Ints{object->speed, object->arrival, object->objectClass, object->capabilities, game.unresolved}),
              (Ints{16384, 508, 0, CAN_ALL, 1})) << "the first launch is slow, in frame 0";
    EXPECT_EQ((Ints{game.nextClass, game.launchCountdown, game.centreFrame}), (Ints{-1, 50 + 4, 9}))
        << "the next class drawn afresh, the centre plays its launch frames";
    // Aimed within the reach of a player steering from the catcher's direction.
    EXPECT_LE(std::abs(static_cast<int32_t>(object->angle) - 256), Reach(508) - game.leniency);

    // A swift launch misses the rim in its arrival frame when the catcher is out of the way
    // (give or take the rounding of the crossing); the next launch follows at once.
    FreeAllObjects();
    game.unresolved = 0;
    game.nextClass = 3;
    game.launchCountdown = 1;
    Step();
    EXPECT_EQ((Ints{FirstObject()->speed, FirstObject()->arrival}), (Ints{65536, 1 + 127}));
    Reaim(FirstObject());
    EXPECT_EQ(FirstObject()->arrival, 1u + 127u) << "re-aiming on the way agrees with the launch";
    game.catcherRight = 0;
    HoldLaunches();
    while (game.unresolved != 0 && frameCounter < 200) {
        Step();
    }
    EXPECT_EQ((Ints{game.misses, frameCounter, game.launchCountdown}), (Ints{1, 129, 1}));
}

TEST_F(ObjectsTest, UnfairLaunchIsPutOffKeepingItsClassExceptOnInhuman)
{
    // An object the player can still reach, arriving just when a slow launch would.
    for (const char* difficulty : {"normal", "inhuman"}) {
        ASSERT_TRUE(Restart(difficulty));
        Object* blocker = Place(0, 0, 0, 0, 0);
        blocker->angle = 256;
        blocker->arrival = 508;
        game.nextClass = 0;
        Step();
        if (game.leniency == 0) {
            ASSERT_EQ(ObjectCount(), 2u) << "no fairness check on inhuman";
            EXPECT_LE(std::abs(static_cast<int32_t>(LastObject()->angle) - 256), Reach(508)) << "the full reach";
            continue;
        }
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ((Ints{ObjectCount(), game.launchCountdown, game.nextClass}), (Ints{1, 1, 0}))
                << "frame " << i << ": the class stays chosen while the direction is redrawn";
            Step();
        }
        DestroyObject(blocker);
        Step();
        ASSERT_EQ(ObjectCount(), 1u);
        EXPECT_EQ(FirstObject()->objectClass, 0);
    }

    // A missed object in the same direction is out of the player's hands: it does not put
    // the launch off; the same object still in play does.
    for (int state : {int{ST_MISSED}, 0}) {
        ASSERT_TRUE(Restart("normal"));
        Object* other = Place(0, 0, -150, 0, 0);
        other->angle = 256;
        other->stateBits = static_cast<uint8_t>(state);
        frameCounter = 100;
        other->arrival = 100 + 508;
        game.nextClass = 0;
        game.levelMajor = 1;
        LaunchCountdown();
        EXPECT_EQ((Ints{ObjectCount(), game.launchCountdown}), (Ints{state == ST_MISSED ? 2 : 1, state == ST_MISSED ? 5 : 1}))
            << "state " << state;
        FreeAllObjects();
        game.unresolved = 0;
    }

    // Without memory for the object the program ends.
    game.launchCountdown = 1;
    MEM_FailAt(1);
    Step();
    MEM_FailAt(0);
    EXPECT_EQ((Ints{app.runState, ObjectCount(), game.unresolved}), (Ints{RUN_QUIT, 0, 0}));
}

TEST_F(ObjectsTest, CatchInsideTheRingUnderTheCatcherAndMissBesideIt)
{
    HoldLaunches();
    // Reaching 120 pixels straight below the centre, then at screen x 118 and 136, the ends.
    for (double x : {0.0, -9.0, 9.0}) {
        Place(0, x, x == 0 ? 119 : 120, 0, 1);
        JudgeObjects();
    }
    EXPECT_EQ(Tally(), (Ints{3, 0, 0}));
    EXPECT_EQ((Ints{ObjectCount(), game.chain}), (Ints{0, 3}));
    ASSERT_NE(game.flashes.first, nullptr);
    const auto* flash = static_cast<const Flash*>(game.flashes.first->data);
    EXPECT_EQ((Ints{flash->x, flash->y}), (Ints{127, 247}));

    Object* near = Place(0, 0, 118, 0, 1);
    JudgeObjects();
    EXPECT_EQ(game.catches, 3u) << "one pixel short of the ring";
    EXPECT_EQ(game.target, near) << "it is only the target";
    DestroyObject(near);
    for (double x : {-10.0, 10.0}) {
        Object* beside = Place(0, x, 120, 0, 1);
        JudgeObjects();
        EXPECT_EQ(beside->screenX, x < 0 ? 117 : 137);
        EXPECT_EQ(game.catches, 3u) << "one pixel beside the catcher";
        for (int i = 0; i < 10 && (beside->stateBits & ST_MISSED) == 0; ++i) {
            JudgeObjects();
        }
        EXPECT_EQ(beside->capabilities, 0) << "missed";
    }
    EXPECT_EQ(Tally(), (Ints{3, 2, 0}));
    EXPECT_EQ(ObjectCount(), 2u) << "missed objects fly on";
}

TEST_F(ObjectsTest, ObjectsLeaveAt200PixelsAndFastOnesSkipTheRing)
{
    HoldLaunches();
    Object* object = Place(2, 0, 198.5, 0, 0.5);
    object->stateBits = ST_MISSED;
    game.unresolved -= 1;
    JudgeObjects();
    EXPECT_EQ(ObjectCount(), 1u) << "199 pixels";
    JudgeObjects();
    EXPECT_EQ(ObjectCount(), 0u) << "200 pixels";
    // 115 -> 128 pixels in one frame, under the catcher all the way: never catchable.
    Place(3, 0, 115, 0, 13);
    JudgeObjects();
    EXPECT_EQ(Tally(), (Ints{0, 1, 0}));
    // 126 -> 201 pixels: removed, missed only once.
    Place(3, 0, 126, 0, 75);
    JudgeObjects();
    EXPECT_EQ(Tally(), (Ints{0, 1, 0}));
}

TEST_F(ObjectsTest, KickedBackObjectCrossesTheArena)
{
    HoldLaunches();
    // Armed, leaving through the top: it bounces and comes down onto the catcher.
    Object* object = Place(1, 0, -125, 0, -4);
    object->stateBits = ST_KICK_ARMED;
    JudgeObjects();
    EXPECT_EQ((Ints{object->stateBits, object->vy, object->arrival, game.misses}),
              (Ints{ST_KICKED, Fixed(4), (127 + 129) / 4, 0})) << "across the whole arena";
    int frames = 0;
    for (; ObjectCount() != 0 && frames < 200; ++frames) {
        JudgeObjects();
    }
    EXPECT_EQ((Ints{game.catches, frames}), (Ints{1, 63})) << "caught on the far side";

    // Bounced beside the catcher it is missed at its second arrival.
    Object* beside = Place(1, 30, -122, 0, -4);
    beside->stateBits = ST_KICK_ARMED;
    for (int i = 0; i < 200 && game.unresolved != 0; ++i) {
        JudgeObjects();
    }
    EXPECT_EQ((Ints{game.misses, beside->stateBits}), (Ints{1, ST_KICKED | ST_MISSED}));
}

TEST_F(ObjectsTest, ReaimCountsFramesToTheRimFarAndNear)
{
    frameCounter = 1000;
    const struct {
        double x, y, vx, vy;
        uint32_t frames;
        const char* what;
    } kCases[] = {
        {190, 0, -1, 0, 127 + 190, "inward from far beyond the rim: (190 px)^2 is past 2^31"},
        {150, 120, -0.5, -0.5, (127 + 192) * 2, "slow and diagonal"},
        {60, 0, 1, 0, 67, "outward"},
    };
    Object* object = Place(0, 0, 0, 0, 0);
    for (const auto& c : kCases) {
        Aim(object, c.x, c.y, c.vx, c.vy);
        Reaim(object);
        EXPECT_EQ(object->arrival, 1000u + c.frames) << c.what;
    }
}

TEST_F(ObjectsTest, TargetIsTheTargetableObjectNearestTheRim)
{
    HoldLaunches();
    Object* a = Place(0, 50, 0, 0, 0);
    Object* b = Place(0, 0, -50, 0, 0);
    JudgeObjects();
    EXPECT_EQ(game.target, a) << "a tie goes to the earlier object";
    Object* c = Place(0, 0, -60, 0, 0);
    JudgeObjects();
    EXPECT_EQ(game.target, c);
    for (Object* o : {a, b, c}) {
        o->capabilities = 0;
    }
    JudgeObjects();
    EXPECT_EQ(game.target, c) << "nothing targetable: the target stays";
    FreeAllObjects();
    Place(0, 0, 0, 0, 0);
    JudgeObjects();
    EXPECT_EQ(game.target, nullptr) << "the centre itself is never chosen";

    Object* object = Place(0, -126, 0, 0, 0);
    JudgeObjects();
    ASSERT_EQ(game.target, object);
    object->vx = Fixed(-1);
    JudgeObjects();
    JudgeObjects();
    EXPECT_EQ(game.misses, 1u);
    EXPECT_EQ(game.target, nullptr) << "a missed target is forgotten and never chosen again";
}

TEST_F(ObjectsTest, DestroyingTheFrozenObjectEndsTheFreeze)
{
    HoldLaunches();
    Object* object = Place(0, 0, 60, 0, 1);
    game.frozenObject = object;
    (void)NewBeam(object, 0, 0, game.freezerBeamColour, 0);
    JudgeObjects();
    EXPECT_EQ(object->y, Fixed(60)) << "the frozen object does not move";
    ClearSounds();
    DestroyObject(object);
    EXPECT_EQ(game.frozenObject, nullptr);
    EXPECT_EQ(game.beams.first, nullptr);
    EXPECT_EQ(Calls(), (std::vector<SoundCall>{{AUDIO_HALT, 3, -1, 0}}));
}

TEST_F(ObjectsTest, MotionAnimationAndFlashesByFrame)
{
    Object* slow = NewObject(0);
    Object* swift = NewObject(3);
    EXPECT_EQ((Ints{slow->animCountdown, swift->animCountdown}), (Ints{4, 1}));
    slow->vx = 3;
    slow->vy = -5;
    for (int i = 0; i < 24; ++i) {
        MoveObject(slow);
        MoveObject(swift);
    }
    EXPECT_EQ((Ints{slow->animFrame, swift->animFrame, slow->x, slow->y}), (Ints{0, 0, 72, -120}))
        << "24 frames: six steps of four frames, four rounds of six";
    MoveObject(swift);
    EXPECT_EQ(swift->animFrame, 1);
    FreeObject(slow);
    FreeObject(swift);

    NewFlash(10, 20);
    auto* flash = static_cast<Flash*>(game.flashes.first->data);
    Ints frames;
    for (int i = 0; i < 4 && game.flashes.first != nullptr; ++i) {
        frames.push_back(flash->frame);
        AgeFlashes();
    }
    EXPECT_EQ(frames, (Ints{12, 13, 14, 15}));
    EXPECT_EQ(game.flashes.first, nullptr);
    MEM_FailAt(1);
    NewFlash(10, 20);
    MEM_FailAt(0);
    EXPECT_EQ(game.flashes.first, nullptr) << "a flash may be left out";
}

TEST_F(ObjectsTest, PicturesBlendOntoTheRotationSource)
{
    app.rotationSource = NewSurface32(383, 383, 0x40204060u, false, kAlphaMask);
    SDL_Surface* picture = NewSurface32(3, 2, 0xFFFF0000u, false, kAlphaMask);
    SDL_SetAlpha(picture, SDL_SRCALPHA, 255);
    PixelAt(picture, 1, 0) = 0x00FFFFFFu; // transparent
    PixelAt(picture, 2, 0) = 0x8000FF00u; // half
    BlitOntoSource(picture, 10, 20);
    BlitOntoSource(picture, -2, 382); // cut at the edges, nothing written outside
    BlitOntoSource(picture, 383, 0);
    BlitOntoSource(picture, -3, -2);
    // Without per-pixel alpha the colour key is left out.
    SDL_Surface* keyed = NewSurface32(2, 1, 0x00FF00FFu);
    PixelAt(keyed, 1, 0) = 0x00123456u;
    SDL_SetColorKey(keyed, SDL_SRCCOLORKEY, 0x00FF00FFu);
    BlitOntoSource(keyed, 100, 100);
    SDL_Surface* source = app.rotationSource;
    EXPECT_EQ(PixelAt(source, 10, 20), 0x40FF0000u) << "opaque: the colour, the source's alpha";
    EXPECT_EQ(PixelAt(source, 11, 20), 0x40204060u) << "transparent: untouched";
    EXPECT_EQ(PixelAt(source, 12, 20), 0x40109F30u) << "half way, as SDL blends";
    EXPECT_EQ(PixelAt(source, 13, 20), 0x40204060u) << "right of the picture";
    EXPECT_EQ(PixelAt(source, 0, 382), 0x40109F30u) << "cut at the left edge";
    EXPECT_EQ(PixelAt(source, 1, 382), 0x40204060u);
    EXPECT_EQ(PixelAt(source, 0, 0), 0x40204060u) << "nothing from a picture wholly outside";
    EXPECT_EQ(PixelAt(source, 100, 100), 0x40204060u) << "the colour key";
    EXPECT_EQ(PixelAt(source, 101, 100), 0x00123456u) << "copied whole, alpha too";
    SDL_FreeSurface(keyed);
    SDL_FreeSurface(picture);
}

}  // namespace
