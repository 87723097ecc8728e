#include "game/objects.h"

#include "game/catcher.h"
#include "tests/game/game_fixture.h"
#include "util/mem.h"

namespace {

// Launch classes, angles and arrivals, and the catches and misses of a played game, are pinned
// by the replay trace; the rarer cases and the boundaries are checked here.
using ObjectsTest = GameTest;

TEST_F(ObjectsTest, ALaunchWithoutMemoryEndsTheProgram)
{
    MEM_FailAt(1);
    Step();
    MEM_FailAt(0);
    EXPECT_EQ((Ints{app.runState, ObjectCount(), game.unresolved}), (Ints{RUN_QUIT, 0, 0}));
}

TEST_F(ObjectsTest, UnfairLaunchIsPutOffExceptOnInhumanOrBehindAMissedObject)
{
    // An object the player can still reach, arriving just when a slow launch would: the class
    // stays chosen while the direction is redrawn.
    const struct { const char* difficulty; uint8_t state; int64_t launched; } kCases[] = {
        {"normal", 0, 1}, {"inhuman", 0, 2}, {"normal", ST_MISSED, 2}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.difficulty << ", state " << int{c.state});
        ASSERT_TRUE(Restart(c.difficulty));
        Object* blocker = Place(0, 0, 0, 0, 0);
        blocker->angle = 256;
        blocker->arrival = 508;
        blocker->stateBits = c.state;
        game.nextClass = 0;
        for (int i = 0; i < 3; ++i) {
            Step();
        }
        const int64_t held = c.launched == 1 ? 0 : -1;
        EXPECT_EQ((Ints{ObjectCount(), game.nextClass}), (Ints{c.launched, held}))
            << "objects and the chosen class after three frames";
        DestroyObject(blocker);
        Step();
        ASSERT_EQ(ObjectCount(), 1u);
        EXPECT_EQ(FirstObject()->objectClass, 0) << "the held class goes out after the blocker";
    }
}

TEST_F(ObjectsTest, ObjectsAreCaughtInsideTheRingUnderTheCatcherAndMissedAtTheRim)
{
    // `after`: catches, misses, unresolved, objects and flashes.
    const struct { const char* what; double x, y, vy; uint8_t state; int frames; Ints after; } kCases[] = {
        {"reaching 120 pixels below the centre", 0, 119, 1, 0, 1, {1, 0, 0, 0, 1}},
        {"at the catcher's left end", -9, 120, 1, 0, 1, {1, 0, 0, 0, 1}},
        {"at its right end", 9, 120, 1, 0, 1, {1, 0, 0, 0, 1}},
        {"one pixel short of the ring", 0, 118, 1, 0, 1, {0, 0, 1, 1, 0}},
        {"one pixel left of the catcher, missed, flies on", -10, 120, 1, 0, 10, {0, 1, 0, 1, 0}},
        {"one pixel right of the catcher", 10, 120, 1, 0, 10, {0, 1, 0, 1, 0}},
        {"a missed object at 199 pixels", 0, 198.5, 0.5, ST_MISSED, 1, {0, 0, 1, 1, 0}},
        {"a missed object at 200 pixels is gone", 0, 198.5, 0.5, ST_MISSED, 2, {0, 0, 1, 0, 0}},
        {"115 to 128 pixels in one frame under the catcher", 0, 115, 13, 0, 1, {0, 1, 0, 1, 0}},
        {"126 to 201 pixels in one frame: gone, never missed", 0, 126, 75, 0, 1, {0, 0, 0, 0, 0}},
        {"kicked back at the rim, caught below", 0, -125, -4, ST_KICK_ARMED, 64, {1, 0, 0, 0, 1}},
        {"kicked back beside the catcher: missed at its second arrival", 30, -122, -4, ST_KICK_ARMED, 200, {0, 1, 0, 0, 0}},
    };
    for (const auto& c : kCases) {
        ASSERT_TRUE(Restart("normal"));
        Place(1, c.x, c.y, 0, c.vy)->stateBits = c.state;
        for (int i = 0; i < c.frames; ++i) {
            JudgeObjects();
        }
        EXPECT_EQ((Ints{game.catches, game.misses, game.unresolved, ObjectCount(), NODE_CountNodes(&game.flashes)}), c.after)
            << c.what;
    }
}

TEST_F(ObjectsTest, TargetIsTheTargetableObjectNearestTheRim)
{
    Object* a = Place(0, 50, 0, 0, 0);
    Object* b = Place(0, 0, -50, 0, 0);
    JudgeObjects();
    EXPECT_EQ(game.target, a) << "a tie goes to the earlier object";
    a->capabilities = b->capabilities = 0;
    JudgeObjects();
    EXPECT_EQ(game.target, a) << "nothing targetable: the target stays";
    FreeAllObjects();
    game.target = nullptr;

    Object* object = Place(0, -126, 0, -1, 0);
    game.target = object;
    JudgeObjects();
    EXPECT_EQ((Ints{game.misses, game.target == nullptr}), (Ints{1, 1}))
        << "a missed target is forgotten and never chosen again";

    // Destroying the frozen object ends the freeze, its beam and its sound.
    object = Place(0, 0, 60, 0, 1);
    game.frozenObject = object;
    (void)NewBeam(object, 0, 0, game.freezerBeamColour, 0);
    ClearSounds();
    DestroyObject(object);
    EXPECT_EQ((Ints{game.frozenObject == nullptr, NODE_CountNodes(&game.beams)}), (Ints{1, 0}));
    EXPECT_EQ(Calls(), (std::vector<SoundCall>{{AUDIO_HALT, 3, -1, 0}}));
}

TEST_F(ObjectsTest, AFlashWithoutMemoryIsLeftOut)
{
    MEM_FailAt(1);
    NewFlash(10, 20);
    MEM_FailAt(0);
    EXPECT_EQ(game.flashes.first, nullptr);
}

// The approved screenshots show opaque and transparent picture pixels; half-transparent ones
// are mixed here.
TEST_F(ObjectsTest, HalfTransparentPicturesBlendOntoTheRotationSource)
{
    app.rotationSource = NewSurface32(383, 383, 0x40204060u, false, kAlphaMask);
    SDL_Surface* picture = NewSurface32(1, 1, 0x8000FF00u, false, kAlphaMask);
    SDL_SetAlpha(picture, SDL_SRCALPHA, 255);
    BlitOntoSource(picture, 10, 20);
    EXPECT_EQ(PixelAt(app.rotationSource, 10, 20), 0x40109F30u) << "half way, its alpha kept";
    SDL_FreeSurface(picture);
}

}  // namespace
