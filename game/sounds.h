// The sounds of a game: which theme sound plays on which mixer channel with how many loops.
//
// Channel 0 carries the turning sound, 1 the sound of an extra being earned, 3 the freezer
// loop, and 4..7 the one-shot sounds in turn, so that a burst of events never cuts off the
// sound just started. Everything goes through the mixer door of shell/audio.h.
#pragma once

#include <cstdint>

enum : int {
    CHANNEL_MOVEMENT = 0,
    CHANNEL_EXTRA = 1,
    CHANNEL_FREEZER = 3,
    CHANNEL_ONE_SHOT_FIRST = 4,
    CHANNEL_FIRST_FREE = -1,
    LOOP_FOREVER = -1,
};

// Plays a theme sound (SoundIndex of shell/app.h) on the channel; a theme without that
// sound plays nothing.
void PlaySound(int channel, int sound, int loops);
// Moves the game's one-shot counter on and plays the sound once on the channel it names.
void PlayOneShot(int sound);
// The one-shot channel for a value of the game's counter: 4 + counter mod 4.
[[nodiscard]] int OneShotChannel(uint32_t roundRobin);
// Pauses, then halts, every channel.
void StopAllSounds();
void HaltChannel(int channel);
