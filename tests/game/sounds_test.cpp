#include "game/sounds.h"

#include "tests/game/game_fixture.h"

namespace {

using SoundsTest = GameTest;

// One-shots take channels 4 to 7 in turn; game_test.cpp checks that everything stops.
TEST_F(SoundsTest, AGamePlaysItsEventsInOrderOnTheirChannels)
{
    ClearSounds();
    Step(); // launch
    HoldLaunches();
    // Five catches in a row, the fifth earning the pointer before its own sound, then a miss
    // beside the catcher.
    for (int i = 0; i < 5; ++i) {
        Place(0, 0, 119, 0, 1);
        JudgeObjects();
    }
    Place(0, -126.5, 0, -1, 0);
    JudgeObjects();
    EXPECT_EQ(Calls(), (std::vector<SoundCall>{
                           {AUDIO_PLAY, 5, SOUND_SHOT, 0}, {AUDIO_PLAY, 6, SOUND_ZAP, 0},
                           {AUDIO_PLAY, 7, SOUND_ZAP, 0}, {AUDIO_PLAY, 4, SOUND_ZAP, 0},
                           {AUDIO_PLAY, 5, SOUND_ZAP, 0}, {AUDIO_PLAY, 1, SOUND_POINTER_G, 0},
                           {AUDIO_PLAY, 6, SOUND_ZAP, 0}, {AUDIO_PLAY, 7, SOUND_MISS, 0}}));
}

}  // namespace
