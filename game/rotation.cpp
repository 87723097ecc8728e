#include "game/rotation.h"

#include <SDL.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The four neighbours' channels weighed by the fractions fx, fy (in 1/1024) and summed, each
// sum shifted right by `shift`: 8 with the weights (a * b) >> 12 of the copying routine, 10
// with the weights (a * b) >> 10 of the converting one. Every shifted sum stays below 256;
// the channels come back as the bytes of one value, in the source's order.
// The channel sums can be reordered on the way out: `lanes` is a _mm_shuffle_epi32 order
// (ignored without SSE2, where the caller reorders the bytes itself).
constexpr int KEEP_LANES = 0xE4; // 3, 2, 1, 0

template <int shift, int lanes = KEEP_LANES>
inline uint32_t WeighNeighbours(const uint32_t* p, int32_t pitch, uint32_t fx, uint32_t fy)
{
#if defined(__SSE2__)
    // (a << 4) * b >> 16 and (a << 3) * (b << 3) >> 16 are exactly the two kinds of weights,
    // made for all four neighbours by one high-half multiply.
    constexpr int preX = shift == 8 ? 4 : 3;
    constexpr int preY = shift == 8 ? 0 : 3;
    const __m128i across = _mm_set1_epi32(static_cast<int>(((1024 - fx) | fx << 16) << preX));
    const __m128i topWeights =
        _mm_mulhi_epu16(across, _mm_set1_epi16(static_cast<int16_t>((1024 - fy) << preY)));
    const __m128i bottomWeights =
        _mm_mulhi_epu16(across, _mm_set1_epi16(static_cast<int16_t>(fy << preY)));
    // Pixel pairs side by side, spread to 16-bit lanes and interleaved by channel, so that one
    // multiply-add per row gives each channel's two products summed in 32 bits.
    const __m128i zero = _mm_setzero_si128();
    __m128i top = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
    __m128i bottom =
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + pitch)), zero);
    top = _mm_unpacklo_epi16(top, _mm_srli_si128(top, 8));
    bottom = _mm_unpacklo_epi16(bottom, _mm_srli_si128(bottom, 8));
    __m128i sum = _mm_add_epi32(_mm_madd_epi16(top, topWeights), _mm_madd_epi16(bottom, bottomWeights));
    sum = _mm_srli_epi32(sum, shift);
    if constexpr (lanes != KEEP_LANES) {
        sum = _mm_shuffle_epi32(sum, lanes);
    }
    sum = _mm_packs_epi32(sum, sum);
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(sum, sum)));
#else
    constexpr int weightShift = shift == 8 ? 12 : 10;
    const uint32_t w00 = ((1024 - fy) * (1024 - fx)) >> weightShift;
    const uint32_t w01 = ((1024 - fy) * fx) >> weightShift;
    const uint32_t w10 = (fy * (1024 - fx)) >> weightShift;
    const uint32_t w11 = (fy * fx) >> weightShift;
    uint32_t out = 0;
    for (int c = 0; c < 32; c += 8) {
        const uint32_t sum = ((p[0] >> c) & 0xFF) * w00 + ((p[1] >> c) & 0xFF) * w01 +
                             ((p[pitch] >> c) & 0xFF) * w10 + ((p[pitch + 1] >> c) & 0xFF) * w11;
        out |= (sum >> shift) << c;
    }
    return out;
#endif
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


// 0x00RRGGBB channels moved to the display's shifts. The usual orders get the shifts as
// constants, which the compiler turns into a few byte moves; any other order takes them from
// the record.
template <uint32_t red, uint32_t green, uint32_t blue>
struct FixedOrder {
    static_assert(red % 8 == 0 && green % 8 == 0 && blue % 8 == 0 && red != green && red != blue &&
                  green != blue && red < 32 && green < 32 && blue < 32);
    uint32_t operator()(uint32_t p) const
    {
        return (p & 0xFF) << blue | ((p >> 8) & 0xFF) << green | ((p >> 16) & 0xFF) << red;
    }
    // The source lane (blue 0, green 1, red 2, the unused byte from lane 3) of each output
    // byte, so that the bilinear sums come out already in the display's order.
    static constexpr int Lanes()
    {
        int lanes = 0;
        for (uint32_t byte = 0; byte < 4; byte++) {
            const int lane = byte * 8 == blue ? 0 : byte * 8 == green ? 1 : byte * 8 == red ? 2 : 3;
            lanes |= lane << (2 * byte);
        }
        return lanes;
    }
    uint32_t Bilinear(const uint32_t* p, int32_t pitch, uint32_t fx, uint32_t fy) const
    {
#if defined(__SSE2__)
        return WeighNeighbours<10, Lanes()>(p, pitch, fx, fy) & (0xFFu << red | 0xFFu << green | 0xFFu << blue);
#else
        return (*this)(WeighNeighbours<10>(p, pitch, fx, fy));
#endif
    }
};

struct AnyOrder {
    Shifts sh;
    uint32_t operator()(uint32_t p) const
    {
        return (p & 0xFF) << sh.blue | ((p >> 8) & 0xFF) << sh.green | ((p >> 16) & 0xFF) << sh.red;
    }
    uint32_t Bilinear(const uint32_t* p, int32_t pitch, uint32_t fx, uint32_t fy) const
    {
        return (*this)(WeighNeighbours<10>(p, pitch, fx, fy));
    }
};

template <typename MakeRoutine>
void WithDisplayOrder(MakeRoutine run)
{
    const Shifts sh = DisplayShifts();
    if (sh.red == 0 && sh.green == 8 && sh.blue == 16) {
        run(FixedOrder<0, 8, 16>{});
    } else if (sh.red == 24 && sh.green == 16 && sh.blue == 8) {
        run(FixedOrder<24, 16, 8>{});
    } else if (sh.red == 8 && sh.green == 16 && sh.blue == 24) {
        run(FixedOrder<8, 16, 24>{});
    } else {
        run(AnyOrder{sh});
    }
}

} // namespace

void RotateNearestCopy(const RotationJob* job)
{
    Rotate(job, [](const Source& src, int32_t u, int32_t v) { return *At(src, u, v); });
}

void RotateNearestConvert(const RotationJob* job)
{
    WithDisplayOrder([job](auto order) {
        Rotate(job, [order](const Source& src, int32_t u, int32_t v) { return order(*At(src, u, v)); });
    });
}

void RotateBilinearCopy(const RotationJob* job)
{
    Rotate(job, [](const Source& src, int32_t u, int32_t v) {
        // The weights (at most 256 each, 256 together) keep every channel's sum below 2^16,
        // so its top byte is the channel of the result; the alpha byte is left out.
        return WeighNeighbours<8>(At(src, u, v), src.pitch, static_cast<uint32_t>(u) & 1023,
                                  static_cast<uint32_t>(v) & 1023) &
               0xFFFFFF;
    });
}

void RotateBilinearConvert(const RotationJob* job)
{
    WithDisplayOrder([job](auto order) {
        Rotate(job, [order](const Source& src, int32_t u, int32_t v) {
            return order.Bilinear(At(src, u, v), src.pitch, static_cast<uint32_t>(u) & 1023,
                                  static_cast<uint32_t>(v) & 1023);
        });
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
