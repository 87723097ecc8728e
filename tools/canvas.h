// Floating-point RGBA pictures for the theme generator: anti-aliased drawing of discs, rings,
// lines and polygons, compositing, and the sheets of boxed frames that the game cuts apart.
//
// Used only by the generator and the preview tool, never by the game, so it keeps its pixels
// in standard containers. Colours are linear in 0..1 per channel and stored unpremultiplied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Rgb {
    float r, g, b;
};

// The colour the game treats as transparent in pictures without a mask (128, 128, 129).
constexpr uint32_t KEY_COLOUR = 0x808081;

Rgb RgbFromHex(uint32_t rrggbb);
// 0xRRGGBB, each channel rounded.
uint32_t HexFromRgb(Rgb c);
Rgb Mix(Rgb a, Rgb b, float t);
Rgb Scale(Rgb a, float k);

struct Canvas {
    int w = 0;
    int h = 0;
    std::vector<float> px; // r, g, b, a per pixel, rows top to bottom

    Canvas() = default;
    Canvas(int width, int height);

    [[nodiscard]] bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
    float* At(int x, int y) { return &px[(static_cast<size_t>(y) * w + x) * 4]; }
    const float* At(int x, int y) const { return &px[(static_cast<size_t>(y) * w + x) * 4]; }

    // Replaces the pixel outright; outside the canvas nothing happens.
    void Set(int x, int y, Rgb c, float a = 1.0f);
    // Paints c over the pixel with coverage `a` ("over" compositing).
    void Blend(int x, int y, Rgb c, float a);
    void Fill(Rgb c, float a = 1.0f);
    void FillRect(int x, int y, int w, int h, Rgb c, float a = 1.0f);

    // Anti-aliased shapes, coverage by 4 x 4 supersampling; centres in pixel units, where
    // (x + 0.5, y + 0.5) is the middle of pixel (x, y).
    void Disc(float cx, float cy, float r, Rgb c, float a = 1.0f);
    void Ring(float cx, float cy, float r0, float r1, Rgb c, float a = 1.0f);
    void Line(float x0, float y0, float x1, float y1, float width, Rgb c, float a = 1.0f);
    void Polygon(const std::vector<float>& xy, Rgb c, float a = 1.0f);

    // Draws `src` with its top-left corner at (x, y), "over" this canvas.
    void Draw(const Canvas& src, int x, int y);
    // Pixel replication by a whole factor.
    [[nodiscard]] Canvas Enlarged(int factor) const;
};

// A picture of boxed frames: every frame sits one pixel inside a box of the border colour,
// boxes of a row share their top edge and stand one pixel apart, rows one pixel apart. The
// sheet is `maxWidth` pixels wide at most; the background is the key colour with alpha 0.
struct FrameSheet {
    Canvas colour;                 // what the .c.bmp holds
    std::vector<int> fx, fy;       // top-left corner of each frame inside the sheet
};
// Packs frames in order, left to right and row by row.
FrameSheet PackFrames(const std::vector<Canvas>& frames, int maxWidth, Rgb border);

// A small seeded generator (xorshift32), so every run of the generator draws the same.
struct Rng {
    uint32_t state;
    explicit Rng(uint32_t seed) : state(seed != 0 ? seed : 0x9E3779B9u) {}
    uint32_t Next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    // Uniform in [0, 1).
    float Unit() { return static_cast<float>(Next() >> 8) / 16777216.0f; }
};
