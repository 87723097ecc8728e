// The field rotation routines against SDL_gfx's rotozoomSurface doing the same job: turn the
// 383 x 383 arena source by the angle and leave the central 255 x 255 in the back buffer.
// Each iteration takes the next of 32 angles spread over the whole turn.
#include <SDL.h>
#include <SDL_rotozoom.h>
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "game/rotation.h"
#include "shell/app.h"
#include "util/mem.h"
#include "util/tools.h"

namespace {

constexpr int ANGLES = 32;

struct Surfaces {
    SDL_Surface* source = nullptr;
    SDL_Surface* copying = nullptr;    // 0x00RRGGBB, as the source
    SDL_Surface* converting = nullptr; // 0x00BBGGRR
    Surfaces()
    {
        AUX_InitTrigTables();
        if (!MEM_Allow() || !MEM_Allow() || !MEM_Allow()) {
            return;
        }
        source = SDL_CreateRGBSurface(0, ROTATION_SOURCE_SIZE, ROTATION_SOURCE_SIZE, 32, 0xFF0000,
                                      0xFF00, 0xFF, 0xFF000000);
        copying = SDL_CreateRGBSurface(0, PICTURE_SIZE, PICTURE_SIZE, 32, 0xFF0000, 0xFF00, 0xFF, 0);
        converting = SDL_CreateRGBSurface(0, PICTURE_SIZE, PICTURE_SIZE, 32, 0xFF, 0xFF00, 0xFF0000, 0);
        if (source == nullptr) {
            return;
        }
        srand(5);
        SDL_LockSurface(source);
        for (int y = 0; y < source->h; y++) {
            auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(source->pixels) + y * source->pitch);
            for (int x = 0; x < source->w; x++) {
                row[x] = 0xFF000000u | static_cast<uint32_t>(rand() & 0xFFFFFF);
            }
        }
        SDL_UnlockSurface(source);
        app.backBufferX = 0;
        app.centreX = 127;
    }
    ~Surfaces()
    {
        SDL_FreeSurface(source);
        SDL_FreeSurface(copying);
        SDL_FreeSurface(converting);
    }
};

Surfaces& Get()
{
    static Surfaces surfaces;
    return surfaces;
}

uint16_t AngleOf(int64_t i)
{
    return static_cast<uint16_t>((i % ANGLES) * 1024 / ANGLES + 13);
}

void Routine(benchmark::State& state, RotateFn rotate, bool convert)
{
    Surfaces& s = Get();
    if (s.source == nullptr || s.copying == nullptr || s.converting == nullptr) {
        state.SkipWithError("no surfaces");
        return;
    }
    app.redShift = convert ? 0 : 16;
    app.greenShift = 8;
    app.blueShift = convert ? 16 : 0;
    RotationJob job{s.source, convert ? s.converting : s.copying, 191, 191, 0};
    int64_t i = 0;
    for (auto _ : state) {
        job.angle = AngleOf(i++);
        rotate(&job);
        benchmark::DoNotOptimize(job.destination->pixels);
    }
    state.SetItemsProcessed(state.iterations() * PICTURE_SIZE * PICTURE_SIZE);
}

void Rotozoom(benchmark::State& state, int smooth)
{
    Surfaces& s = Get();
    if (s.source == nullptr || s.copying == nullptr) {
        state.SkipWithError("no surfaces");
        return;
    }
    int64_t i = 0;
    for (auto _ : state) {
        const double degrees = AngleOf(i++) * 360.0 / 1024.0;
        if (!MEM_Allow()) {
            state.SkipWithError("allocation refused");
            return;
        }
        SDL_Surface* turned = rotozoomSurface(s.source, degrees, 1.0, smooth);
        if (turned == nullptr) {
            state.SkipWithError("rotozoomSurface failed");
            return;
        }
        SDL_Rect centre{static_cast<Sint16>((turned->w - PICTURE_SIZE) / 2),
                        static_cast<Sint16>((turned->h - PICTURE_SIZE) / 2), PICTURE_SIZE, PICTURE_SIZE};
        SDL_Rect at{0, 0, PICTURE_SIZE, PICTURE_SIZE};
        SDL_BlitSurface(turned, &centre, s.copying, &at);
        SDL_FreeSurface(turned);
        benchmark::DoNotOptimize(s.copying->pixels);
    }
    state.SetItemsProcessed(state.iterations() * PICTURE_SIZE * PICTURE_SIZE);
}

BENCHMARK_CAPTURE(Routine, NearestCopy, RotateNearestCopy, false);
BENCHMARK_CAPTURE(Routine, NearestConvert, RotateNearestConvert, true);
BENCHMARK_CAPTURE(Routine, BilinearCopy, RotateBilinearCopy, false);
BENCHMARK_CAPTURE(Routine, BilinearConvert, RotateBilinearConvert, true);
BENCHMARK_CAPTURE(Rotozoom, Unsmoothed, SMOOTHING_OFF);
BENCHMARK_CAPTURE(Rotozoom, Smoothed, SMOOTHING_ON);

} // namespace

BENCHMARK_MAIN();
