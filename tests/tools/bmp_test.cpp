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
    uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
    Uint8 r, g, b;
    SDL_GetRGB(v, s->format, &r, &g, &b);
    return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | b;
}

// Odd widths, so that every row needs padding to four bytes.
Canvas Sample(int w, int h)
{
    Canvas c(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            c.Set(x, y, {static_cast<float>(x) / static_cast<float>(w), static_cast<float>(y) / static_cast<float>(h), 0.5f},
                  static_cast<float>((x + y) % 5) / 4.0f);
        }
    }
    return c;
}

TEST(Bmp, ColourPicturesReadBackThroughSdl)
{
    for (int w : {1, 2, 3, 5, 7, 383}) {
        const Canvas c = Sample(w, 4);
        SDL_Surface* s = Load(EncodeColourBmp(c));
        ASSERT_NE(s, nullptr) << "width " << w;
        EXPECT_EQ(s->w, w);
        EXPECT_EQ(s->h, 4);
        EXPECT_EQ(s->format->BitsPerPixel, 24);
        SDL_LockSurface(s);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < w; ++x) {
                const float* p = c.At(x, y);
                const uint32_t expected = p[3] == 0.0f ? KEY_COLOUR : HexFromRgb({p[0], p[1], p[2]});
                EXPECT_EQ(Pixel24(s, x, y), expected) << "pixel " << x << "," << y << " of width " << w;
            }
        }
        SDL_UnlockSurface(s);
        SDL_FreeSurface(s);
    }
}

TEST(Bmp, VisiblePixelsNeverTakeTheKeyColourAndFlatOnesComposite)
{
    Canvas c(2, 1);
    c.Set(0, 0, RgbFromHex(KEY_COLOUR), 1.0f);
    c.Set(1, 0, RgbFromHex(0x123456), 0.0f);
    SDL_Surface* s = Load(EncodeColourBmp(c));
    ASSERT_NE(s, nullptr);
    EXPECT_NE(Pixel24(s, 0, 0), KEY_COLOUR) << "an opaque pixel in the key colour would vanish";
    EXPECT_EQ(Pixel24(s, 1, 0), KEY_COLOUR) << "a clear pixel is the key colour";
    SDL_FreeSurface(s);
    // Flat pictures composite over the ground instead.
    Canvas half(1, 1);
    half.Set(0, 0, {1, 1, 1}, 0.5f);
    s = Load(EncodeFlatBmp(half, {0, 0, 0}));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(Pixel24(s, 0, 0), 0x808080u);
    SDL_FreeSurface(s);
}

TEST(Bmp, MasksAreEightBitWithTheOpacityAsIndex)
{
    for (int w : {1, 6, 13}) {
        const Canvas c = Sample(w, 3);
        SDL_Surface* s = Load(EncodeMaskBmp(c));
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->format->BitsPerPixel, 8);
        ASSERT_NE(s->format->palette, nullptr);
        EXPECT_EQ(s->format->palette->ncolors, 256);
        SDL_LockSurface(s);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < w; ++x) {
                const uint8_t index = static_cast<const uint8_t*>(s->pixels)[y * s->pitch + x];
                EXPECT_EQ(index, ToByte(c.At(x, y)[3])) << "pixel " << x << "," << y;
            }
        }
        const SDL_Color grey = s->format->palette->colors[200];
        EXPECT_TRUE(grey.r == 200 && grey.g == 200 && grey.b == 200) << "a grey ramp";
        SDL_UnlockSurface(s);
        SDL_FreeSurface(s);
    }
}

TEST(Bmp, FilesAreWrittenWhole)
{
    const TempDir dir;
    const std::vector<uint8_t> bytes = EncodeColourBmp(Sample(9, 9));
    ASSERT_TRUE(WriteFile(dir.Path("x.bmp"), bytes));
    EXPECT_EQ(ReadBytes(dir.Path("x.bmp")), bytes);
    EXPECT_FALSE(WriteFile("/nonexistent-folder/x.bmp", bytes));
}

} // namespace
