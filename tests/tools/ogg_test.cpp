#include "tools/ogg.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "mixer.h"

namespace {

std::vector<float> Sine(double freq, size_t n)
{
    std::vector<float> s(n);
    for (size_t i = 0; i < n; ++i) {
        const double fade = std::min(1.0, std::min(static_cast<double>(i), static_cast<double>(n - 1 - i)) / 200.0);
        s[i] = static_cast<float>(0.5 * fade * std::sin(2 * 3.14159265358979 * freq * static_cast<double>(i) / SOUND_RATE));
    }
    return s;
}

TEST(Ogg, StreamsAreTheSameBytesForTheSameSamples)
{
    const std::vector<float> s = Sine(440, 8000);
    const std::vector<uint8_t> a = EncodeOgg(s, 7), b = EncodeOgg(s, 7), c = EncodeOgg(s, 8);
    ASSERT_GT(a.size(), 100u);
    EXPECT_EQ(std::memcmp(a.data(), "OggS", 4), 0);
    EXPECT_EQ(a, b) << "encoding must not depend on time or chance";
    EXPECT_NE(a, c) << "the serial number is part of the stream";
}

TEST(Ogg, DecodesThroughTheMixerToTheSamplesEncodedEvenSilence)
{
    MixerSession mixer;
    ASSERT_TRUE(mixer.open) << SDL_GetError();
    ASSERT_EQ(mixer.rate, SOUND_RATE);
    for (size_t n : {1500u, 22050u, 30001u}) {
        const std::vector<float> s = Sine(660, n);
        const std::vector<uint8_t> bytes = EncodeOgg(s, 1);
        Mix_Chunk* chunk = Mix_LoadWAV_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1);
        ASSERT_NE(chunk, nullptr) << Mix_GetError();
        const std::vector<int16_t> d = ChunkSamples(chunk, mixer.channels);
        EXPECT_EQ(d.size(), n) << "the stream ends where the sound ends";
        double err = 0, power = 0;
        for (size_t i = 0; i < std::min(n, d.size()); ++i) {
            const double v = d[i] / 32768.0;
            err += (v - s[i]) * (v - s[i]);
            power += s[i] * s[i];
        }
        EXPECT_LT(err / power, 0.01) << "decoded within 20 dB of the original, length " << n;
        Mix_FreeChunk(chunk);
    }
    // Silence and no samples at all still make streams.
    const std::vector<uint8_t> bytes = EncodeOgg(std::vector<float>(500, 0.0f), 3);
    Mix_Chunk* chunk = Mix_LoadWAV_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1);
    ASSERT_NE(chunk, nullptr);
    for (int16_t v : ChunkSamples(chunk, mixer.channels)) {
        ASSERT_EQ(v, 0);
    }
    Mix_FreeChunk(chunk);
    EXPECT_FALSE(EncodeOgg({}, 3).empty()) << "headers even for no samples";
}

} // namespace
