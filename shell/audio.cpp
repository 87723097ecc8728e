#include "shell/audio.h"

namespace {

AUDIO_RecordFn recorder = nullptr;

}  // namespace

bool AUDIO_IsOpen()
{
    return Mix_QuerySpec(nullptr, nullptr, nullptr) != 0;
}

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
    if (chunk != nullptr && AUDIO_IsOpen()) {
        Mix_PlayChannel(channel, chunk, loops);
    }
}

void AUDIO_Halt(int channel)
{
    if (recorder != nullptr) {
        recorder(AUDIO_HALT, channel, -1, 0);
        return;
    }
    if (AUDIO_IsOpen()) {
        Mix_HaltChannel(channel);
    }
}

void AUDIO_Pause(int channel)
{
    if (recorder != nullptr) {
        recorder(AUDIO_PAUSE, channel, -1, 0);
        return;
    }
    if (AUDIO_IsOpen()) {
        Mix_Pause(channel);
    }
}

void AUDIO_Resume(int channel)
{
    if (recorder != nullptr) {
        recorder(AUDIO_RESUME, channel, -1, 0);
        return;
    }
    if (AUDIO_IsOpen()) {
        Mix_Resume(channel);
    }
}
