// The per-frame cost of magnifying the 255 x 255 back buffer four times onto the screen: the
// game's replicating copy against SDL_gfx's zoomSurface making the same 1020 x 1020 picture.
// Neither updates the display, so only the pixel work is measured.
#include <SDL.h>
#include <SDL_rotozoom.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>

#include "shell/video.h"
#include "util/mem.h"

namespace {

constexpr uint32_t rmask = 0x00FF0000;
constexpr uint32_t gmask = 0x0000FF00;
constexpr uint32_t bmask = 0x000000FF;

SDL_Surface* MakeSurface(int width, int height)
{
    if (!MEM_Allow()) {
        return nullptr;
    }
    return SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, rmask, gmask, bmask, 0);
}

// A picture with no runs of equal pixels, so neither side profits from flat areas.
SDL_Surface* MakeBackBuffer()
{
    SDL_Surface* surface = MakeSurface(255, 255);
    if (surface == nullptr) {
        return nullptr;
    }
    uint32_t seed = 12345;
    for (int y = 0; y < 255; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) + y * surface->pitch);
        for (int x = 0; x < 255; ++x) {
            seed = seed * 1103515245u + 12345u;
            row[x] = (seed >> 8) & 0x00FFFFFF;
        }
    }
    return surface;
}

void Replicate(benchmark::State& state)
{
    SDL_Surface* back = MakeBackBuffer();
    SDL_Surface* screen = MakeSurface(1020, 1020);
    if (back == nullptr || screen == nullptr) {
        state.SkipWithError("cannot make the surfaces");
    } else {
        for (auto _ : state) {
            bool drawn = VIDEO_Replicate(back, screen, 0, 4);
            benchmark::DoNotOptimize(drawn);
            benchmark::ClobberMemory();
        }
    }
    SDL_FreeSurface(screen);
    SDL_FreeSurface(back);
}
BENCHMARK(Replicate)->Unit(benchmark::kMicrosecond);

void GfxZoomSurface(benchmark::State& state)
{
    SDL_Surface* back = MakeBackBuffer();
    if (back == nullptr) {
        state.SkipWithError("cannot make the surface");
    } else {
        for (auto _ : state) {
            if (!MEM_Allow()) {
                break;
            }
            SDL_Surface* zoomed = zoomSurface(back, 4.0, 4.0, SMOOTHING_OFF);
            benchmark::DoNotOptimize(zoomed);
            SDL_FreeSurface(zoomed);
        }
    }
    SDL_FreeSurface(back);
}
BENCHMARK(GfxZoomSurface)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SDL_Quit();
    return 0;
}
