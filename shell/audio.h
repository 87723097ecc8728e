// The one door to the mixer for the game's and the menu's sounds: every play, halt, pause
// and resume passes here, so that a test can record the sequence instead of hearing it.
#pragma once

#include <SDL_mixer.h>

enum AUDIO_Op { AUDIO_PLAY, AUDIO_HALT, AUDIO_PAUSE, AUDIO_RESUME };

// `sound` is the theme's sound index, kept only for the recorder; `chunk` may be NULL (a
// theme without that sound), in which case nothing plays but the call is still recorded.
void AUDIO_Play(int channel, int sound, Mix_Chunk* chunk, int loops);
void AUDIO_Halt(int channel);
void AUDIO_Pause(int channel);
void AUDIO_Resume(int channel);

// Whether the mixer is open; without it every call here is harmless and plays nothing.
[[nodiscard]] bool AUDIO_IsOpen();

// A recorder sees every call; while one is set the mixer is not called at all. NULL removes it.
using AUDIO_RecordFn = void (*)(AUDIO_Op op, int channel, int sound, int loops);
void AUDIO_SetRecorder(AUDIO_RecordFn recorder);
