#include "game/sounds.h"

#include "game/game.h"
#include "shell/app.h"
#include "shell/audio.h"

void PlaySound(int channel, int sound, int loops)
{
    Mix_Chunk* chunk = (sound >= 0 && sound < SOUND_COUNT) ? app.sounds[sound] : nullptr;
    AUDIO_Play(channel, sound, chunk, loops);
}

int OneShotChannel(uint32_t roundRobin)
{
    return CHANNEL_ONE_SHOT_FIRST + static_cast<int>(roundRobin % 4u);
}

void PlayOneShot(int sound)
{
    game.soundRoundRobin += 1;
    PlaySound(OneShotChannel(game.soundRoundRobin), sound, 0);
}

void StopAllSounds()
{
    AUDIO_Pause(-1);
    AUDIO_Halt(-1);
}

void HaltChannel(int channel)
{
    AUDIO_Halt(channel);
}
