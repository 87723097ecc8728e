// Test helpers for 32-bit pictures: surfaces made and read pixel by pixel, and guarded buffers
// that show stray writes. Pictures are saved into the scratch folder of scratch.h.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/scratch.h"

constexpr uint32_t kRedMask = 0x00FF0000, kGreenMask = 0x0000FF00, kBlueMask = 0x000000FF;
constexpr uint32_t kAlphaMask = 0xFF000000;

// A 32-bit software surface filled with `fill`: red in the high byte, or in the low byte with
// `bgr`; `amask` 0 gives no alpha channel. Free with SDL_FreeSurface.
SDL_Surface* NewSurface32(int w, int h, uint32_t fill = 0, bool bgr = false, uint32_t amask = 0);
// The raw pixel at (x, y), rows walked by the pitch.
uint32_t& PixelAt(SDL_Surface* s, int x, int y);
// Sets every pixel (x, y) to colour(x, y).
void FillFrom(SDL_Surface* s, const std::function<uint32_t(int, int)>& colour);
void FillBox(SDL_Surface* s, int x, int y, int w, int h, uint32_t pixel);
// "x,y wxh", so that a rectangle compares in one assertion.
std::string RectText(const SDL_Rect& r);

// A surface over a buffer with guard pixels on every side and a pitch wider than the row, so
// that writes outside the surface, or rows walked by width instead of pitch, show.
class GuardedSurface {
public:
    GuardedSurface(int w, int h, uint32_t rmask, uint32_t gmask, uint32_t bmask, uint32_t amask);
    ~GuardedSurface();
    GuardedSurface(const GuardedSurface&) = delete;
    GuardedSurface& operator=(const GuardedSurface&) = delete;
    SDL_Surface* get() { return surface_; }
    uint32_t& Px(int x, int y) { return memory_[static_cast<size_t>((y + 1) * stride_ + x + 1)]; }
    void Fill(uint32_t pixel);
    [[nodiscard]] bool GuardsIntact() const;

private:
    int w_;
    int h_;
    int stride_;
    std::vector<uint32_t> memory_;
    SDL_Surface* surface_;
};
