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

TEST(Ogg, SameSamplesGiveTheSameBytesAndDecodeThroughTheMixerToThemEvenSilence)
{
    const std::vector<float> sine = Sine(440, 8000);
    const std::vector<uint8_t> a = EncodeOgg(sine, 7);
    EXPECT_TRUE(a.size() > 100 && std::memcmp(a.data(), "OggS", 4) == 0 && a == EncodeOgg(sine, 7))
        << "encoding must not depend on time or chance";
    EXPECT_TRUE(a != EncodeOgg(sine, 8) && !EncodeOgg({}, 3).empty())
        << "the serial number is part of the stream; headers even for no samples";
    MixerSession mixer;
    ASSERT_TRUE(mixer.open && mixer.rate == SOUND_RATE) << SDL_GetError();
    for (size_t n : {500u, 1500u, 22050u, 30001u}) {
        const std::vector<float> s = n == 500 ? std::vector<float>(n, 0.0f) : Sine(660, n);
        const std::vector<uint8_t> bytes = EncodeOgg(s, 1);
        Mix_Chunk* chunk = Mix_LoadWAV_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1);
        ASSERT_NE(chunk, nullptr) << Mix_GetError();
        const std::vector<int16_t> d = ChunkSamples(chunk, mixer.channels);
        Mix_FreeChunk(chunk);
        EXPECT_EQ(d.size(), n) << "the stream ends where the sound ends";
        double err = 0, power = 1e-9;
        for (size_t i = 0; i < std::min(n, d.size()); ++i) {
            err += (d[i] / 32768.0 - s[i]) * (d[i] / 32768.0 - s[i]);
            power += n == 500 ? 0.0 : s[i] * s[i];
        }
        EXPECT_LE(err / power, n == 500 ? 0.0 : 0.01) << "decoded within 20 dB of the original (silence exactly), length " << n;
    }
}

} // namespace
