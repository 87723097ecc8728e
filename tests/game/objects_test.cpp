#include "game/objects.h"

#include <gtest/gtest.h>

#include "game/catcher.h"
#include "game/game.h"
#include "shell/app.h"
#include "tests/game/game_fixture.h"
#include "toolkit/gfx/clock.h"
#include "util/mem.h"

namespace {

using ObjectsTest = GameTest;

// Steps until the object of the first launch is resolved; returns the frame it happened in.
uint32_t FrameOfResolution(GameTest* test, void (GameTest::*step)())
{
    for (int i = 0; i < 2000 && game.unresolved != 0; ++i) {
        (test->*step)();
    }
    return frameCounter - 1;
}

TEST_F(ObjectsTest, FirstLaunchIsSlowAndTakes508FramesToTheRim)
{
    game.nextClass = 0;
    Step();
    ASSERT_EQ(ObjectCount(), 1u);
    Object* object = FirstObject();
    EXPECT_EQ(game.levelMajor, 1);
    EXPECT_EQ(game.levelMinor, 0);
    EXPECT_EQ(object->speed, 16384u);
    EXPECT_EQ(object->arrival, 508u) << "launched in frame 0";
    EXPECT_EQ(object->objectClass, 0);
    EXPECT_EQ(object->capabilities, CAN_ALL);
    EXPECT_EQ(game.unresolved, 1u);
    EXPECT_EQ(game.nextClass, -1) << "the next launch draws its class afresh";
    EXPECT_EQ(game.launchCountdown, (50 - 0) * 1 + 4);
    EXPECT_EQ(game.centreFrame, 9) << "the centre plays its launch frames";
    // Aimed within the reach of a player steering from the catcher's direction.
    int32_t offset = static_cast<int32_t>(object->angle) - 256;
    EXPECT_LE(std::abs(offset), static_cast<int32_t>(Reach(508)) - game.leniency);
}

TEST_F(ObjectsTest, SwiftLaunchReachesTheRimWhenItsArrivalSays)
{
    game.nextClass = 3;
    Step();
    ASSERT_EQ(ObjectCount(), 1u);
    Object* object = FirstObject();
    EXPECT_EQ(object->speed, 65536u);
    EXPECT_EQ(object->arrival, 127u);

    // Re-aiming on the way gives the same arrival as the launch predicted.
    Reaim(object);
    EXPECT_EQ(object->arrival, 127u);

    // With the catcher out of the way the object is missed at the rim in its arrival frame
    // (give or take the rounding of the crossing).
    game.catcherLeft = 0;
    game.catcherRight = 1;
    HoldLaunches();
    uint32_t frame = FrameOfResolution(this, &GameTest::Step);
    EXPECT_EQ(game.misses, 1u);
    EXPECT_GE(frame + 1, 127u);
    EXPECT_LE(frame + 1, 128u);
}

TEST_F(ObjectsTest, NextLaunchFollowsAtOnceWhenTheLastObjectIsResolved)
{
    game.nextClass = 0;
    Step();
    ASSERT_EQ(game.launchCountdown, 54);
    Object* first = FirstObject();
    // Put it at the rim beside the catcher: missed in the next frame.
    first->x = Fixed(-126.5);
    first->y = 0;
    first->vx = Fixed(-1);
    first->vy = 0;
    Step();
    EXPECT_EQ(game.misses, 1u);
    EXPECT_EQ(game.unresolved, 0u);
    EXPECT_EQ(game.launchCountdown, 1);
    Step();
    EXPECT_EQ(ObjectCount(), 2u) << "the missed object flies on beside the new one";
    EXPECT_EQ(game.unresolved, 1u);

    // A catch resolves the same way.
    Object* second = static_cast<Object*>(game.objects.last->data);
    second->x = 0;
    second->y = Fixed(119);
    second->vx = 0;
    second->vy = Fixed(1);
    Step();
    EXPECT_EQ(game.catches, 1u);
    Step();
    EXPECT_EQ(game.unresolved, 1u) << "launched in the frame after the catch";
}

TEST_F(ObjectsTest, UnfairLaunchIsPutOffKeepingItsClassExceptOnInhuman)
{
    // An object the player can still reach, arriving just when a slow launch would.
    Object* blocker = Place(0, 0, 0, 0, 0);
    blocker->angle = 256;
    blocker->arrival = 508;
    game.nextClass = 0;
    for (int i = 0; i < 5; ++i) {
        Step();
        EXPECT_EQ(ObjectCount(), 1u) << "frame " << i;
        EXPECT_EQ(game.launchCountdown, 1);
        EXPECT_EQ(game.nextClass, 0) << "the class stays chosen while the direction is redrawn";
    }
    DestroyObject(blocker);
    Step();
    ASSERT_EQ(ObjectCount(), 1u);
    EXPECT_EQ(FirstObject()->objectClass, 0);

    ASSERT_TRUE(Restart("inhuman"));
    EXPECT_EQ(game.leniency, 0);
    blocker = Place(0, 0, 0, 0, 0);
    blocker->angle = 256;
    blocker->arrival = 508;
    game.nextClass = 0;
    Step();
    ASSERT_EQ(ObjectCount(), 2u) << "no fairness check on inhuman";
    const auto* launched = static_cast<const Object*>(game.objects.last->data);
    EXPECT_LE(std::abs(static_cast<int32_t>(launched->angle) - 256), static_cast<int32_t>(Reach(508)))
        << "the full reach";
}

TEST_F(ObjectsTest, MissedObjectsDoNotHoldUpLaunches)
{
    // Missed in the catcher's direction and due at the rim when the new one would be: it is
    // out of the player's hands, so it must not put the launch off.
    Object* gone = Place(0, 0, -150, 0, 0);
    gone->angle = 256;
    gone->stateBits = ST_MISSED;
    game.unresolved -= 1;
    frameCounter = 100;
    gone->arrival = 100 + 508;
    game.nextClass = 0;
    game.levelMajor = 1;
    game.launchCountdown = 1;
    LaunchCountdown();
    EXPECT_EQ(ObjectCount(), 2u);

    // The same object still in play does put it off.
    Object* live = static_cast<Object*>(game.objects.last->data);
    DestroyObject(live);
    gone->stateBits = 0;
    game.unresolved += 1;
    game.nextClass = 0;
    game.launchCountdown = 1;
    LaunchCountdown();
    EXPECT_EQ(ObjectCount(), 1u);
    EXPECT_EQ(game.launchCountdown, 1);
}

TEST_F(ObjectsTest, LaunchWithoutMemoryEndsTheProgram)
{
    game.nextClass = 1;
    MEM_FailAt(1);
    Step();
    MEM_FailAt(0);
    EXPECT_EQ(app.runState, RUN_QUIT);
    EXPECT_EQ(ObjectCount(), 0u);
    EXPECT_EQ(game.unresolved, 0u);
}

TEST_F(ObjectsTest, CatchInsideTheRingUnderTheCatcherAndMissBesideIt)
{
    HoldLaunches();
    // Reaching 120 pixels straight below the centre, then at screen x 118 and 136, the ends.
    const double kCaught[][2] = {{0, 119}, {-9, 120}, {9, 120}};
    for (uint32_t i = 0; i < 3; ++i) {
        Place(0, kCaught[i][0], kCaught[i][1], 0, 1);
        JudgeObjects();
        EXPECT_EQ(game.catches, i + 1) << "x " << kCaught[i][0];
    }
    EXPECT_EQ(ObjectCount(), 0u);
    EXPECT_EQ(game.chain, 3u);
    EXPECT_EQ(game.unresolved, 0u);
    ASSERT_NE(game.flashes.first, nullptr);
    const auto* flash = static_cast<const Flash*>(game.flashes.first->data);
    EXPECT_EQ(flash->x, 127);
    EXPECT_EQ(flash->y, 247);

    Object* near = Place(0, 0, 118, 0, 1);
    JudgeObjects();
    EXPECT_EQ(game.catches, 3u) << "one pixel short of the ring";
    EXPECT_EQ(game.target, near) << "it is only the target";
    DestroyObject(near);

    Object* beside = Place(0, 10, 120, 0, 1);
    JudgeObjects();
    EXPECT_EQ(game.catches, 3u) << "one pixel right of the catcher";
    EXPECT_EQ(beside->screenX, 137);
    for (int i = 0; i < 10 && game.misses == 0; ++i) {
        JudgeObjects();
    }
    EXPECT_EQ(game.misses, 1u);
    EXPECT_NE(beside->stateBits & ST_MISSED, 0);
    EXPECT_EQ(beside->capabilities, 0);
    EXPECT_EQ(ObjectCount(), 1u) << "a missed object flies on";
    EXPECT_EQ(game.unresolved, 0u);
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
    EXPECT_EQ(game.misses, 0u) << "no second miss";

    // 115 -> 128 pixels in one frame, under the catcher all the way: never catchable.
    Place(3, 0, 115, 0, 13);
    JudgeObjects();
    EXPECT_EQ(game.catches, 0u);
    EXPECT_EQ(game.misses, 1u);
    // 126 -> 201 pixels: removed, missed only once.
    Place(3, 0, 126, 0, 75);
    JudgeObjects();
    EXPECT_EQ(game.misses, 1u);
    EXPECT_EQ(game.unresolved, 0u);
}

TEST_F(ObjectsTest, KickedBackObjectCrossesTheArena)
{
    HoldLaunches();
    // Armed, leaving through the top: it bounces and comes down onto the catcher.
    Object* object = Place(1, 0, -125, 0, -4);
    object->stateBits = ST_KICK_ARMED;
    JudgeObjects();
    ASSERT_EQ(ObjectCount(), 1u);
    EXPECT_EQ(object->stateBits, ST_KICKED);
    EXPECT_EQ(object->vy, Fixed(4));
    EXPECT_EQ(object->arrival, frameCounter + (127u + 129u) / 4u) << "across the whole arena";
    EXPECT_EQ(game.misses, 0u);
    int frames = 0;
    while (ObjectCount() != 0 && frames < 200) {
        JudgeObjects();
        frames += 1;
    }
    EXPECT_EQ(game.catches, 1u) << "caught on the far side";
    EXPECT_EQ(frames, 63);

    // Bounced beside the catcher it is missed at its second arrival.
    Object* beside = Place(1, 30, -122, 0, -4);
    beside->stateBits = ST_KICK_ARMED;
    for (int i = 0; i < 200 && game.unresolved != 0; ++i) {
        JudgeObjects();
    }
    EXPECT_EQ(game.misses, 1u);
    EXPECT_NE(beside->stateBits & ST_KICKED, 0);
}

TEST_F(ObjectsTest, ReaimFarBeyondTheRim)
{
    frameCounter = 1000;
    // (190 px)^2 in 1/256 pixels is past 2^31.
    Object* object = Place(0, 190, 0, -1, 0);
    Reaim(object);
    EXPECT_EQ(object->arrival, 1000u + 127u + 190u) << "inward: across to the far rim";

    object->x = Fixed(150);
    object->y = Fixed(120);
    object->vx = Fixed(-0.5);
    object->vy = Fixed(-0.5);
    object->speed = static_cast<uint32_t>(Fixed(0.5));
    Reaim(object);
    EXPECT_EQ(object->arrival, 1000u + (127u + 192u) * 2u);

    object->x = Fixed(60);
    object->y = 0;
    object->vx = Fixed(1);
    object->vy = 0;
    object->speed = static_cast<uint32_t>(Fixed(1));
    Reaim(object);
    EXPECT_EQ(object->arrival, 1000u + 67u) << "outward";
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

    // Nothing targetable: the target stays.
    for (Object* o : {a, b, c}) {
        o->capabilities = 0;
    }
    JudgeObjects();
    EXPECT_EQ(game.target, c);

    // The centre itself is never chosen.
    DestroyObject(a);
    DestroyObject(b);
    DestroyObject(c);
    EXPECT_EQ(game.target, nullptr);
    Place(0, 0, 0, 0, 0);
    JudgeObjects();
    EXPECT_EQ(game.target, nullptr);

    // A missed target is forgotten and never chosen again.
    DestroyObject(FirstObject());
    Object* object = Place(0, -126, 0, 0, 0);
    JudgeObjects();
    ASSERT_EQ(game.target, object);
    object->vx = Fixed(-1);
    JudgeObjects();
    EXPECT_EQ(game.misses, 1u);
    EXPECT_EQ(game.target, nullptr);
    JudgeObjects();
    EXPECT_EQ(game.target, nullptr);
}

TEST_F(ObjectsTest, DestroyingTheFrozenObjectEndsTheFreeze)
{
    HoldLaunches();
    Object* object = Place(0, 0, 60, 0, 1);
    game.frozenObject = object;
    game.frozenSavedCapabilities = CAN_ALL;
    object->capabilities = 0;
    (void)NewBeam(object, 0, 0, game.freezerBeamColour, 0);
    JudgeObjects();
    EXPECT_EQ(object->y, Fixed(60)) << "the frozen object does not move";
    ClearSounds();
    DestroyObject(object);
    EXPECT_EQ(game.frozenObject, nullptr);
    EXPECT_EQ(game.beams.first, nullptr);
    ASSERT_FALSE(Calls().empty());
    EXPECT_EQ(Calls().front(), (SoundCall{AUDIO_HALT, 3, -1, 0}));
}

TEST_F(ObjectsTest, MotionAndAnimationByClass)
{
    Object* slow = NewObject(0);
    Object* swift = NewObject(3);
    ASSERT_NE(slow, nullptr);
    ASSERT_NE(swift, nullptr);
    EXPECT_EQ(slow->animCountdown, 4);
    EXPECT_EQ(swift->animCountdown, 1);
    slow->vx = 3;
    slow->vy = -5;
    for (int i = 0; i < 24; ++i) {
        MoveObject(slow);
        MoveObject(swift);
    }
    EXPECT_EQ(slow->animFrame, 0) << "24 frames: six animation steps of four frames";
    EXPECT_EQ(swift->animFrame, 0) << "24 frames: four rounds of six";
    MoveObject(swift);
    EXPECT_EQ(swift->animFrame, 1);
    EXPECT_EQ(slow->x, 72);
    EXPECT_EQ(slow->y, -120);
    FreeObject(slow);
    FreeObject(swift);
}

TEST_F(ObjectsTest, FlashesShowFourFramesAndMayBeLeftOut)
{
    NewFlash(10, 20);
    ASSERT_NE(game.flashes.first, nullptr);
    auto* flash = static_cast<Flash*>(game.flashes.first->data);
    for (uint16_t frame = 12; frame < 16; ++frame) {
        ASSERT_NE(game.flashes.first, nullptr);
        EXPECT_EQ(flash->frame, frame);
        AgeFlashes();
    }
    EXPECT_EQ(game.flashes.first, nullptr);

    MEM_FailAt(1);
    NewFlash(10, 20);
    MEM_FailAt(0);
    EXPECT_EQ(game.flashes.first, nullptr);
}

}  // namespace

namespace {

SDL_Surface* NewAlphaSurface(int width, int height, uint32_t pixel)
{
    SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, 0xFF0000, 0xFF00,
                                                0xFF, 0xFF000000u);
    EXPECT_NE(surface, nullptr);
    SDL_FillRect(surface, nullptr, pixel);
    return surface;
}

uint32_t At(SDL_Surface* surface, int x, int y)
{
    SDL_LockSurface(surface);
    uint32_t value = static_cast<const uint32_t*>(surface->pixels)[y * surface->pitch / 4 + x];
    SDL_UnlockSurface(surface);
    return value;
}

void Put(SDL_Surface* surface, int x, int y, uint32_t value)
{
    SDL_LockSurface(surface);
    static_cast<uint32_t*>(surface->pixels)[y * surface->pitch / 4 + x] = value;
    SDL_UnlockSurface(surface);
}

TEST_F(ObjectsTest, PicturesBlendOntoTheRotationSource)
{
    app.rotationSource = NewAlphaSurface(383, 383, 0x40204060u);
    SDL_Surface* picture = NewAlphaSurface(3, 2, 0xFFFF0000u);
    SDL_SetAlpha(picture, SDL_SRCALPHA, 255);
    Put(picture, 1, 0, 0x00FFFFFFu); // transparent
    Put(picture, 2, 0, 0x8000FF00u); // half
    BlitOntoSource(picture, 10, 20);
    EXPECT_EQ(At(app.rotationSource, 10, 20), 0x40FF0000u) << "opaque: the colour, the source's alpha";
    EXPECT_EQ(At(app.rotationSource, 11, 20), 0x40204060u) << "transparent: untouched";
    EXPECT_EQ(At(app.rotationSource, 12, 20), 0x40109F30u) << "half way, as SDL blends";
    EXPECT_EQ(At(app.rotationSource, 13, 20), 0x40204060u) << "nothing beyond the picture";
    EXPECT_EQ(At(app.rotationSource, 10, 22), 0x40204060u);

    // Cut at the edges of the source, with nothing written outside.
    BlitOntoSource(picture, -2, 382);
    EXPECT_EQ(At(app.rotationSource, 0, 382), 0x40109F30u);
    EXPECT_EQ(At(app.rotationSource, 1, 382), 0x40204060u);
    BlitOntoSource(picture, 383, 0);
    BlitOntoSource(picture, -3, -2);
    EXPECT_EQ(At(app.rotationSource, 0, 0), 0x40204060u);

    // Without per-pixel alpha the colour key is left out.
    SDL_Surface* keyed = SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 1, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    ASSERT_NE(keyed, nullptr);
    Put(keyed, 0, 0, 0x00FF00FFu);
    Put(keyed, 1, 0, 0x00123456u);
    SDL_SetColorKey(keyed, SDL_SRCCOLORKEY, 0x00FF00FFu);
    BlitOntoSource(keyed, 100, 100);
    EXPECT_EQ(At(app.rotationSource, 100, 100), 0x40204060u);
    EXPECT_EQ(At(app.rotationSource, 101, 100) & 0xFFFFFFu, 0x123456u);

    SDL_FreeSurface(keyed);
    SDL_FreeSurface(picture);
    SDL_FreeSurface(app.rotationSource);
    app.rotationSource = nullptr;
}

}  // namespace
