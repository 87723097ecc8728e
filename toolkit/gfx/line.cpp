#include "toolkit/gfx/line.h"

#include <cmath>
#include <cstdlib>

namespace {

struct Binding {
    LN_PlotFn plot = nullptr;
    SDL_Surface* surface = nullptr;
    uint32_t* pixels = nullptr;
    uint32_t rowLength = 0;  // pixels per row: pitch / 4
    int width = 0;
    int height = 0;
    uint32_t rShift = 0;
    uint32_t gShift = 0;
    uint32_t bShift = 0;
    uint32_t aShift = 0;
    bool hasAlpha = false;  // only then may the alpha modes read and write alpha bits
};

Binding bound;

struct Rgb {
    uint32_t r;
    uint32_t g;
    uint32_t b;
};

uint32_t component(uint32_t pixel, uint32_t shift)
{
    return shift >= 32 ? 0 : (pixel >> shift) & 255;
}

uint32_t place(uint32_t value, uint32_t shift)
{
    return shift >= 32 ? 0 : value << shift;
}

Rgb colour_rgb(uint32_t colour)
{
    return {(colour >> 16) & 255, (colour >> 8) & 255, colour & 255};
}

Rgb pixel_rgb(uint32_t pixel)
{
    return {component(pixel, bound.rShift), component(pixel, bound.gShift), component(pixel, bound.bShift)};
}

uint32_t pack_rgb(Rgb rgb)
{
    return place(rgb.r, bound.rShift) | place(rgb.g, bound.gShift) | place(rgb.b, bound.bShift);
}

uint32_t pixel_alpha(uint32_t pixel)
{
    return bound.hasAlpha ? component(pixel, bound.aShift) : 0;
}

uint32_t pack_alpha(uint32_t alpha)
{
    return bound.hasAlpha ? place(alpha, bound.aShift) : 0;
}

// 255 must cover fully, so the upper half of the byte range is moved up by one (0..256).
uint32_t weight_of(uint32_t alphaByte)
{
    return alphaByte > 126 ? alphaByte + 1 : alphaByte;
}

// NULL when the pixel lies outside the bound surface or nothing is bound.
uint32_t* pixel_at(int x, int y)
{
    if (bound.pixels == nullptr || x < 0 || y < 0 || x >= bound.width || y >= bound.height) {
        return nullptr;
    }
    return bound.pixels + static_cast<size_t>(y) * bound.rowLength + static_cast<size_t>(x);
}

// The pixel nearest to the point. Floor rather than truncation keeps points just left of or
// above the surface off it instead of folding them onto row or column 0.
uint32_t* nearest_pixel(float x, float y)
{
    float px = std::floor(x + 0.5f);
    float py = std::floor(y + 0.5f);
    if (!(px >= 0.0f && py >= 0.0f && px < static_cast<float>(bound.width) &&
          py < static_cast<float>(bound.height))) {
        return nullptr;
    }
    return pixel_at(static_cast<int>(px), static_cast<int>(py));
}

// The 2 x 2 block of a smooth point: its top-left pixel and the fractions in 1/scale.
struct Block {
    int x0;
    int y0;
    uint32_t fx;
    uint32_t fy;
};

bool block_of(float x, float y, uint32_t scale, Block* block)
{
    float fx0 = std::floor(x);
    float fy0 = std::floor(y);
    // The block reaches one pixel right and down, so a point up to one pixel before the
    // surface still touches it.
    if (!(fx0 >= -1.0f && fy0 >= -1.0f && fx0 < static_cast<float>(bound.width) &&
          fy0 < static_cast<float>(bound.height))) {
        return false;
    }
    float s = static_cast<float>(scale);
    uint32_t fx = static_cast<uint32_t>((x - fx0) * s);
    uint32_t fy = static_cast<uint32_t>((y - fy0) * s);
    // Rounding of x - floor(x) for a point just below an integer can give a whole step.
    block->x0 = static_cast<int>(fx0);
    block->y0 = static_cast<int>(fy0);
    block->fx = fx < scale ? fx : scale - 1;
    block->fy = fy < scale ? fy : scale - 1;
    return true;
}

// Shares of the four pixels (x0, y0), (x0+1, y0), (x0, y0+1), (x0+1, y0+1); they sum to scale^2.
void block_weights(const Block& block, uint32_t scale, uint32_t weights[4])
{
    uint32_t fx = block.fx;
    uint32_t fy = block.fy;
    weights[0] = (scale - fx) * (scale - fy);
    weights[1] = fx * (scale - fy);
    weights[2] = (scale - fx) * fy;
    weights[3] = fx * fy;
}

uint32_t* block_pixel(const Block& block, int i)
{
    return pixel_at(block.x0 + (i & 1), block.y0 + (i >> 1));
}

// d' = (d x (total - w) + c x w) >> bits, in 64 bits because total can be 2^24.
uint32_t mix(uint32_t d, uint32_t c, uint64_t w, uint32_t bits)
{
    uint64_t total = uint64_t{1} << bits;
    return static_cast<uint32_t>((d * (total - w) + c * w) >> bits);
}

Rgb mix_rgb(Rgb d, Rgb c, uint64_t w, uint32_t bits)
{
    return {mix(d.r, c.r, w, bits), mix(d.g, c.g, w, bits), mix(d.b, c.b, w, bits)};
}

// The alpha modes' mix: the pixel's own share t is in 1/256, the colour gets the rest.
Rgb mix_under(Rgb d, Rgb c, uint32_t t)
{
    return mix_rgb(c, d, t, 8);
}

void smooth_with_weight(uint32_t colour, float x, float y, uint32_t alphaWeight, uint32_t bits)
{
    Block block;
    if (!block_of(x, y, 256, &block)) {
        return;
    }
    uint32_t weights[4];
    block_weights(block, 256, weights);
    Rgb c = colour_rgb(colour);
    for (int i = 0; i < 4; i++) {
        uint32_t* p = block_pixel(block, i);
        if (p != nullptr) {
            uint64_t w = uint64_t{weights[i]} * alphaWeight;
            *p = pack_rgb(mix_rgb(pixel_rgb(*p), c, w, bits));
        }
    }
}

}  // namespace

int LN_BeginPlot(LN_PlotFn plot, SDL_Surface* surface)
{
    LN_EndPlot();
    if (plot == nullptr || surface == nullptr || surface->format == nullptr ||
        surface->format->BytesPerPixel != 4) {
        return -1;
    }
    if (SDL_LockSurface(surface) != 0) {
        return -1;
    }
    const SDL_PixelFormat* f = surface->format;
    bound.plot = plot;
    bound.surface = surface;
    bound.pixels = static_cast<uint32_t*>(surface->pixels);
    bound.rowLength = surface->pitch / 4u;
    bound.width = surface->w;
    bound.height = surface->h;
    bound.rShift = f->Rshift;
    bound.gShift = f->Gshift;
    bound.bShift = f->Bshift;
    bound.aShift = f->Ashift;
    bound.hasAlpha = f->Amask != 0;
    return 0;
}

void LN_EndPlot()
{
    if (bound.surface != nullptr) {
        SDL_UnlockSurface(bound.surface);
    }
    bound = Binding{};
}

void LN_DrawLine(int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint32_t colour)
{
    if (bound.plot == nullptr) {
        return;
    }
    // In int, so that a line across the whole 16-bit range does not wrap its length.
    int dx = x1 - x0;
    int dy = y1 - y0;
    int n = std::abs(dx) > std::abs(dy) ? std::abs(dx) : std::abs(dy);
    if (n > 0) {
        float sx = static_cast<float>(dx) / static_cast<float>(n);
        float sy = static_cast<float>(dy) / static_cast<float>(n);
        float x = static_cast<float>(x0) - sx;
        float y = static_cast<float>(y0) - sy;
        for (int i = 0; i < n; i++) {
            x += sx;
            y += sy;
            bound.plot(colour, x, y);
        }
    }
    bound.plot(colour, static_cast<float>(x1), static_cast<float>(y1));
}

void LN_PlotSolid(uint32_t colour, float x, float y)
{
    uint32_t* p = nearest_pixel(x, y);
    if (p != nullptr) {
        *p = colour;
    }
}

void LN_PlotBlend(uint32_t colour, float x, float y)
{
    uint32_t* p = nearest_pixel(x, y);
    if (p != nullptr) {
        *p = pack_rgb(mix_rgb(pixel_rgb(*p), colour_rgb(colour), weight_of(colour >> 24), 8));
    }
}

void LN_PlotSmooth(uint32_t colour, float x, float y)
{
    smooth_with_weight(colour, x, y, 1, 16);
}

void LN_PlotSmoothBlend(uint32_t colour, float x, float y)
{
    smooth_with_weight(colour, x, y, weight_of(colour >> 24), 24);
}

void LN_PlotOnAlpha(uint32_t colour, float x, float y)
{
    uint32_t* p = nearest_pixel(x, y);
    if (p == nullptr) {
        return;
    }
    uint32_t a = colour >> 24;
    uint32_t d = pixel_alpha(*p);
    uint32_t t = ((a > 126 ? 255 - a : 256 - a) * (d + (d >= 127 ? 1 : 0))) >> 8;
    uint32_t alpha = d + a < 255 ? d + a : 255;
    *p = pack_rgb(mix_under(pixel_rgb(*p), colour_rgb(colour), t)) | pack_alpha(alpha);
}

void LN_PlotSmoothOnAlpha(uint32_t colour, float x, float y)
{
    Block block;
    if (!block_of(x, y, 16, &block)) {
        return;
    }
    uint32_t weights[4];
    block_weights(block, 16, weights);
    Rgb c = colour_rgb(colour);
    for (int i = 0; i < 4; i++) {
        uint32_t* p = block_pixel(block, i);
        if (p == nullptr) {
            continue;
        }
        uint32_t w = weights[i];
        uint32_t d = pixel_alpha(*p);
        uint32_t cover = w - (w >= 128 ? 1 : 0) + d;
        uint32_t t = ((d + (d >= 127 ? 1 : 0)) * (256 - w)) >> 8;
        *p = pack_rgb(mix_under(pixel_rgb(*p), c, t)) | pack_alpha(cover < 255 ? cover : 255);
    }
}
