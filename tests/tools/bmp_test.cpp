#include "tools/bmp.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include "tests/support/surface_util.h"

namespace {

SDL_Surface* Load(const std::vector<uint8_t>& bytes)
{
    return SDL_LoadBMP_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1);
}

uint32_t Pixel24(const SDL_Surface* s, int x, int y)
{
    const uint8_t* p = static_cast<const uint8_t*>(s->pixels) + y * s->pitch + x * 3;
    Uint8 r, g, b;
    SDL_GetRGB(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16,
               s->format, &r, &g, &b);
    return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | b;
}

// Varied colours and opacities, a clear pixel among them.
Canvas Sample(int w, int h)
{
    Canvas c(w, h);
    for (int i = 0; i < w * h; ++i) {
        c.Set(i % w, i / w, {static_cast<float>(i % w) / static_cast<float>(w), static_cast<float>(i / w) / h, 0.5f},
              static_cast<float>((i % w + i / w) % 5) / 4.0f);
    }
    return c;
}

TEST(Bmp, PicturesAndMasksReadBackThroughSdlAtEveryRowPadding)
{
    for (int w : {1, 2, 3, 4}) {
        const Canvas c = Sample(w, 2);
        SDL_Surface* s = Load(EncodeColourBmp(c));
        SDL_Surface* m = Load(EncodeMaskBmp(c));
        ASSERT_TRUE(s != nullptr && m != nullptr && m->format->palette != nullptr) << "width " << w;
        EXPECT_TRUE(s->w == w && s->h == 2 && s->format->BitsPerPixel == 24 && m->w == w &&
                    m->h == 2 && m->format->BitsPerPixel == 8 &&
                    m->format->palette->colors[200].g == 200)
            << "width " << w << ": 24-bit colour, an 8-bit mask with a grey ramp for palette";
        SDL_LockSurface(s);
        SDL_LockSurface(m);
        for (int i = 0; i < w * 2; ++i) {
            const float* p = c.At(i % w, i / w);
            EXPECT_EQ(Pixel24(s, i % w, i / w), p[3] == 0.0f ? KEY_COLOUR : HexFromRgb({p[0], p[1], p[2]}))
                << "pixel " << i % w << "," << i / w << " of width " << w << ": a clear pixel is the key colour";
            EXPECT_EQ(static_cast<const uint8_t*>(m->pixels)[i / w * m->pitch + i % w], ToByte(p[3]))
                << "the opacity is the mask's index, pixel " << i % w << "," << i / w;
        }
        SDL_UnlockSurface(m);
        SDL_UnlockSurface(s);
        SDL_FreeSurface(m);
        SDL_FreeSurface(s);
    }
    Canvas key(1, 1);
    key.Set(0, 0, RgbFromHex(KEY_COLOUR), 1.0f);
    SDL_Surface* s = Load(EncodeColourBmp(key));
    EXPECT_TRUE(s != nullptr && Pixel24(s, 0, 0) != KEY_COLOUR)
        << "an opaque pixel in the key colour would vanish";
    SDL_FreeSurface(s);
}

} // namespace
