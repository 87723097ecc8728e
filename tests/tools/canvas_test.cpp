#include "tools/canvas.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include "tests/support/surface_util.h"
#include "toolkit/gfx/pix.h"

namespace {

// Copies a canvas into a 32-bit surface, border pixels and all, as the BMP would hold it.
SDL_Surface* ToSurface(const Canvas& c)
{
    SDL_Surface* s = NewSurface32(c.w, c.h);
    FillFrom(s, [&c](int x, int y) {
        const float* p = c.At(x, y);
        return p[3] == 0.0f ? KEY_COLOUR : HexFromRgb({p[0], p[1], p[2]});
    });
    return s;
}

TEST(Canvas, PackedFramesAreCutBackByTheGamesBoxScan)
{
    // Frames of several sizes, so that rows of boxes differ in height and wrap.
    std::vector<Canvas> frames;
    const int sizes[][2] = {{5, 5}, {12, 3}, {1, 9}, {30, 7}, {8, 8}, {20, 2}, {3, 3}, {40, 11}, {2, 1}};
    for (const auto& s : sizes) {
        Canvas f(s[0], s[1]);
        f.Fill({0.2f, 0.6f, 0.9f});
        f.Set(0, 0, RgbFromHex(0xFF00FF)); // even the border colour inside a frame is harmless
        frames.push_back(f);
    }
    const FrameSheet sheet = PackFrames(frames, 48, RgbFromHex(0xFF00FF));
    EXPECT_LE(sheet.colour.w, 48);
    SDL_Surface* s = ToSurface(sheet.colour);
    PIX_BoxScan scan;
    PIX_BeginBoxScan(&scan, s);
    for (size_t i = 0; i < frames.size(); ++i) {
        SDL_Rect r;
        ASSERT_EQ(PIX_NextBox(&scan, s, &r), 1) << "frame " << i;
        const SDL_Rect want{Sint16(sheet.fx[i]), Sint16(sheet.fy[i]), Uint16(frames[i].w), Uint16(frames[i].h)};
        EXPECT_EQ(RectText(r), RectText(want)) << "frame " << i;
    }
    SDL_Rect r;
    EXPECT_EQ(PIX_NextBox(&scan, s, &r), 0) << "no box beyond the last frame";
    SDL_FreeSurface(s);
}

} // namespace
