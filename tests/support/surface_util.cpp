#include "tests/support/surface_util.h"


constexpr uint32_t kGuard = 0x5A5A5A5A;

SDL_Surface* NewSurface32(int w, int h, uint32_t fill, bool bgr, uint32_t amask)
{
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, bgr ? kBlueMask : kRedMask, kGreenMask,
                                          bgr ? kRedMask : kBlueMask, amask);
    if (s != nullptr) {
        SDL_FillRect(s, nullptr, fill);
    }
    return s;
}

uint32_t& PixelAt(SDL_Surface* s, int x, int y)
{
    return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch)[x];
}

void FillFrom(SDL_Surface* s, const std::function<uint32_t(int, int)>& colour)
{
    for (int y = 0; y < s->h; y++) {
        for (int x = 0; x < s->w; x++) {
            PixelAt(s, x, y) = colour(x, y);
        }
    }
}

void FillBox(SDL_Surface* s, int x, int y, int w, int h, uint32_t pixel)
{
    SDL_Rect r{static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<uint16_t>(w),
               static_cast<uint16_t>(h)};
    SDL_FillRect(s, &r, pixel);
}

std::string RectText(const SDL_Rect& r)
{
    return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.w) + "x" +
           std::to_string(r.h);
}

GuardedSurface::GuardedSurface(int w, int h, uint32_t rmask, uint32_t gmask, uint32_t bmask, uint32_t amask)
    : w_(w), h_(h), stride_(w + 3), memory_(static_cast<size_t>((w + 3) * (h + 2)), kGuard)
{
    surface_ = SDL_CreateRGBSurfaceFrom(&memory_[static_cast<size_t>(stride_ + 1)], w, h, 32, stride_ * 4,
                                        rmask, gmask, bmask, amask);
    Fill(0);
}

GuardedSurface::~GuardedSurface()
{
    SDL_FreeSurface(surface_);
}

void GuardedSurface::Fill(uint32_t pixel)
{
    SDL_FillRect(surface_, nullptr, pixel);
}

bool GuardedSurface::GuardsIntact() const
{
    for (int y = 0; y < h_ + 2; y++) {
        for (int x = 0; x < stride_; x++) {
            const bool inside = y >= 1 && y <= h_ && x >= 1 && x <= w_;
            if (!inside && memory_[static_cast<size_t>(y * stride_ + x)] != kGuard) {
                return false;
            }
        }
    }
    return true;
}
