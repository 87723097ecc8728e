// Opens SDL (dummy drivers) and the mixer at the game's rate for one test, and decodes sounds
// into 16-bit mono samples.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

// The test runner's environment may lack the driver choice; never open real devices.
inline void UseDummyDrivers()
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
}

struct MixerSession {
    bool open = false;
    int rate = 0;
    int channels = 0;

    MixerSession()
    {
        UseDummyDrivers();
        Uint16 format = 0;
        open = SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO) == 0 && Mix_OpenAudio(22050, AUDIO_S16SYS, 1, 1024) == 0 &&
               Mix_QuerySpec(&rate, &format, &channels) != 0 && format == AUDIO_S16SYS;
    }
    // Closing a mixer that never opened does nothing.
    ~MixerSession()
    {
        Mix_CloseAudio();
        SDL_Quit();
    }
    MixerSession(const MixerSession&) = delete;
    MixerSession& operator=(const MixerSession&) = delete;
};

// The first channel of a chunk as samples; empty when the chunk is NULL.
inline std::vector<int16_t> ChunkSamples(Mix_Chunk* chunk, int channels)
{
    std::vector<int16_t> out;
    const auto* s = chunk != nullptr ? reinterpret_cast<const int16_t*>(chunk->abuf) : nullptr;
    for (size_t i = 0; s != nullptr && i < chunk->alen / 2 / static_cast<size_t>(channels); ++i) {
        out.push_back(s[i * static_cast<size_t>(channels)]);
    }
    return out;
}
