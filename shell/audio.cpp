#include "shell/audio.h"

namespace {

AUDIO_RecordFn recorder = nullptr;

}  // namespace

void AUDIO_SetRecorder(AUDIO_RecordFn fn)
{
    recorder = fn;
}

void AUDIO_Play(int channel, int sound, Mix_Chunk* chunk, int loops)
{
    if (recorder != nullptr) {
        recorder(AUDIO_PLAY, channel, sound, loops);
        return;
    }
    if (chunk != nullptr) {
        Mix_PlayChannel(channel, chunk, loops);
    }
}

void AUDIO_Halt(int channel)
{
    if (recorder != nullptr) {
        recorder(AUDIO_HALT, channel, -1, 0);
        return;
    }
    Mix_HaltChannel(channel);
}

void AUDIO_Pause(int channel)
{
    if (recorder != nullptr) {
        recorder(AUDIO_PAUSE, channel, -1, 0);
        return;
    }
    Mix_Pause(channel);
}

void AUDIO_Resume(int channel)
{
    if (recorder != nullptr) {
        recorder(AUDIO_RESUME, channel, -1, 0);
        return;
    }
    Mix_Resume(channel);
}
