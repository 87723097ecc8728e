#include "game/rotation.h"

#include <SDL.h>

#include "shell/app.h"
#include "util/kv.h"
#include "util/tools.h"

namespace {

// The widest reach from the source centre at any angle: 127 * (|sin| + |cos|) / 1024 is at
// most 180 pixels, and the bilinear routines read one pixel further right and down.
constexpr int REACH = 180;

struct Source {
    const uint32_t* pixels;
    int32_t pitch; // in pixels
    int32_t cx;
    int32_t cy;
};

bool Fits(const RotationJob* job)
{
    if (job == nullptr || job->source == nullptr || job->destination == nullptr) {
        return false;
    }
    const SDL_Surface* src = job->source;
    const SDL_Surface* dst = job->destination;
    if (src->format->BytesPerPixel != 4 || dst->format->BytesPerPixel != 4) {
        return false;
    }
    if (job->centreX < REACH || job->centreX + REACH + 2 > src->w || job->centreY < REACH ||
        job->centreY + REACH + 2 > src->h) {
        return false;
    }
    return app.centreX >= 127 && app.centreX + 128 <= static_cast<uint32_t>(dst->w) &&
           dst->h >= PICTURE_SIZE;
}

// Walks the 255 x 255 field: u and v are the source offsets from the centre in 1/1024
// pixels, stepped along each row and from row to row exactly as the direct products give.
template <typename PixelFn>
void Rotate(const RotationJob* job, PixelFn pixel)
{
    if (!Fits(job)) {
        return;
    }
    SDL_Surface* src = job->source;
    SDL_Surface* dst = job->destination;
    if (SDL_LockSurface(src) < 0) {
        return;
    }
    if (SDL_LockSurface(dst) < 0) {
        SDL_UnlockSurface(src);
        return;
    }
    const uint16_t angle = job->angle & 1023;
    const int32_t s = AUX_Sine[angle];
    const int32_t c = AUX_Cosine[angle];
    const Source source{static_cast<const uint32_t*>(src->pixels), src->pitch / 4, job->centreX,
                        job->centreY};
    int32_t rowU = -127 * c + 127 * s;
    int32_t rowV = -127 * s - 127 * c;
    auto* dstRow = static_cast<uint8_t*>(dst->pixels) + (app.centreX - 127) * 4;
    for (int y = 0; y < PICTURE_SIZE; y++) {
        auto* out = reinterpret_cast<uint32_t*>(dstRow + y * dst->pitch);
        int32_t u = rowU;
        int32_t v = rowV;
        for (int x = 0; x < PICTURE_SIZE; x++) {
            out[x] = pixel(source, u, v);
            u += c;
            v += s;
        }
        rowU -= s;
        rowV += c;
    }
    SDL_UnlockSurface(dst);
    SDL_UnlockSurface(src);
}

inline const uint32_t* At(const Source& src, int32_t u, int32_t v)
{
    return src.pixels + (src.cy + (v >> 10)) * src.pitch + (src.cx + (u >> 10));
}

struct Shifts {
    uint32_t red;
    uint32_t green;
    uint32_t blue;
};

Shifts DisplayShifts()
{
    return {app.redShift, app.greenShift, app.blueShift};
}

} // namespace

void RotateNearestCopy(const RotationJob* job)
{
    Rotate(job, [](const Source& src, int32_t u, int32_t v) { return *At(src, u, v); });
}

void RotateNearestConvert(const RotationJob* job)
{
    const Shifts sh = DisplayShifts();
    Rotate(job, [sh](const Source& src, int32_t u, int32_t v) {
        const uint32_t p = *At(src, u, v);
        return (p & 0xFF) << sh.blue | ((p >> 16) & 0xFF) << sh.red | ((p >> 8) & 0xFF) << sh.green;
    });
}

void RotateBilinearCopy(const RotationJob* job)
{
    Rotate(job, [](const Source& src, int32_t u, int32_t v) {
        const uint32_t* p = At(src, u, v);
        const uint32_t fx = static_cast<uint32_t>(u) & 1023;
        const uint32_t fy = static_cast<uint32_t>(v) & 1023;
        const uint32_t p00 = p[0];
        const uint32_t p01 = p[1];
        const uint32_t p10 = p[src.pitch];
        const uint32_t p11 = p[src.pitch + 1];
        // Each weight is at most 256 and they add up to at most 256, so red and blue can
        // share one 32-bit sum without carrying into each other.
        const uint32_t w00 = ((1024 - fy) * (1024 - fx)) >> 12;
        const uint32_t w01 = ((1024 - fy) * fx) >> 12;
        const uint32_t w10 = (fy * (1024 - fx)) >> 12;
        const uint32_t w11 = (fy * fx) >> 12;
        const uint32_t rb = (p00 & 0xFF00FF) * w00 + (p01 & 0xFF00FF) * w01 +
                            (p10 & 0xFF00FF) * w10 + (p11 & 0xFF00FF) * w11;
        const uint32_t g =
            (p00 & 0xFF00) * w00 + (p01 & 0xFF00) * w01 + (p10 & 0xFF00) * w10 + (p11 & 0xFF00) * w11;
        return ((rb & 0xFF00FF00) | (g & 0x00FF0000)) >> 8;
    });
}

void RotateBilinearConvert(const RotationJob* job)
{
    const Shifts sh = DisplayShifts();
    Rotate(job, [sh](const Source& src, int32_t u, int32_t v) {
        const uint32_t* p = At(src, u, v);
        const uint32_t fx = static_cast<uint32_t>(u) & 1023;
        const uint32_t fy = static_cast<uint32_t>(v) & 1023;
        const uint32_t p00 = p[0];
        const uint32_t p01 = p[1];
        const uint32_t p10 = p[src.pitch];
        const uint32_t p11 = p[src.pitch + 1];
        const uint32_t w00 = ((1024 - fx) * (1024 - fy)) >> 10;
        const uint32_t w01 = ((1024 - fy) * fx) >> 10;
        const uint32_t w11 = (fy * fx) >> 10;
        const uint32_t w10 = ((1024 - fx) * fy) >> 10;
        auto channel = [&](uint32_t shift) {
            return ((((p00 >> shift) & 0xFF) * w00 + ((p01 >> shift) & 0xFF) * w01 +
                     ((p11 >> shift) & 0xFF) * w11 + ((p10 >> shift) & 0xFF) * w10) >>
                    10);
        };
        return channel(0) << sh.blue | channel(8) << sh.green | channel(16) << sh.red;
    });
}

RotateFn ChooseRotation()
{
    const bool copying = app.redShift == 16 && app.greenShift == 8 && app.blueShift == 0;
    const bool bilinear = KV_IsString(app.config, "INTERPOLATION", "on");
    if (copying) {
        return bilinear ? RotateBilinearCopy : RotateNearestCopy;
    }
    return bilinear ? RotateBilinearConvert : RotateNearestConvert;
}
