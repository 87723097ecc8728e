#include "game/sounds.h"

#include "game/extras.h"
#include "tests/game/game_fixture.h"

namespace {

using SoundsTest = GameTest;

// One-shots take channels 4 to 7 in turn; stopping everything is checked with the game-over
// sound in game_test.cpp.
TEST_F(SoundsTest, ScriptedGamePlaysItsEventsInOrderOnTheirChannels)
{
    ClearSounds();
    game.nextClass = 0;
    Step(); // launch
    Object* first = FirstObject();
    // Four catches in a row on the way to the pointer, the fifth earns it.
    for (int i = 0; i < 5; ++i) {
        HoldLaunches();
        Place(0, 0, 119, 0, 1);
        JudgeObjects();
    }
    // The launched object is missed beside the catcher, then the laser: two one-shots.
    Aim(first, -126.5, 0, -1, 0);
    JudgeObjects();
    game.flags |= EXTRA_LASER;
    game.target = Place(1, 0, 40, 0, 1);
    (void)Button1Key(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(Plays(), (std::vector<SoundCall>{
                           {AUDIO_PLAY, 5, SOUND_SHOT, 0}, {AUDIO_PLAY, 6, SOUND_ZAP, 0},
                           {AUDIO_PLAY, 7, SOUND_ZAP, 0}, {AUDIO_PLAY, 4, SOUND_ZAP, 0},
                           {AUDIO_PLAY, 5, SOUND_ZAP, 0}, {AUDIO_PLAY, 1, SOUND_POINTER_G, 0},
                           {AUDIO_PLAY, 6, SOUND_ZAP, 0}, {AUDIO_PLAY, 7, SOUND_MISS, 0},
                           {AUDIO_PLAY, 4, SOUND_LASER_U, 0}, {AUDIO_PLAY, 5, SOUND_ZAP, 0}}));
    EXPECT_EQ(game.flags & EXTRA_POINTER, 0) << "the miss at chain 5 took the pointer away";
}

}  // namespace
