// The cost of one whole play frame: the game step and the game draw with 30 objects in
// flight, 8 beams and 4 markers, drawn with the shipped "default" theme into the back buffer
// and replicated at zoom 4 onto a 1020 x 1020 screen surface (no display update), once with
// the nearest-pixel and once with the bilinear field rotation. A frame has 20 ms; the game
// should need at most a twentieth of it.
//
// Objects hold their place (zero velocity) so that every measured frame has the same work:
// they are still judged, animated and drawn, and nothing is caught or missed.
#include <SDL.h>
#include <SDL_mixer.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "game/catcher.h"
#include "game/extras.h"
#include "game/game.h"
#include "game/objects.h"
#include "game/screens.h"
#include "shell/app.h"
#include "shell/paths.h"
#include "shell/settings.h"
#include "shell/theme.h"
#include "shell/video.h"
#include "toolkit/gfx/clock.h"
#include "toolkit/gfx/disp.h"
#include "util/kv.h"
#include "util/node.h"
#include "util/tools.h"

namespace {

SDL_Surface* magnified = nullptr;
std::string progDir;

void PresentAtZoom4()
{
    (void)VIDEO_Replicate(app.backBuffer, magnified, 0, 4);
}

SDL_Surface* Make(int width, int height)
{
    return SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, 0xFF0000, 0xFF00, 0xFF, 0);
}

bool OpenProgram(const char* interpolation)
{
    progDir = std::string(ZAF_RUN_DIR) + "/";
    app = App{};
    static Folders folders;
    if (!PortableFolders(progDir.c_str(), &folders)) {
        return false;
    }
    app.folders = &folders;
    app.config = KV_Create("configuration.txt", settingsDefaults);
    if (app.config == nullptr || !KV_ReplaceString(app.config, "THEME", "default") ||
        !KV_ReplaceString(app.config, "INTERPOLATION", interpolation)) {
        return false;
    }
    NODE_Item* theme = NODE_NewItem("default", 0);
    if (theme == nullptr) {
        return false;
    }
    NODE_AddItemTail(theme, &app.themeNames);
    app.screen = SDL_SetVideoMode(1020, 1020, 32, SDL_SWSURFACE);
    magnified = app.screen;
    app.backBuffer = Make(255, 255);
    app.rotationSource = SDL_CreateRGBSurface(SDL_SWSURFACE, 383, 383, 32, 0xFF0000, 0xFF00, 0xFF,
                                              0xFF000000u);
    if (app.screen == nullptr || app.backBuffer == nullptr || app.rotationSource == nullptr) {
        return false;
    }
    app.backBufferX = 0;
    app.centreX = 127;
    app.zoom = 4;
    app.redShift = app.screen->format->Rshift;
    app.greenShift = app.screen->format->Gshift;
    app.blueShift = app.screen->format->Bshift;
    app.present = PresentAtZoom4;
    DISP_Init();
    AUX_InitTrigTables();
    return LoadTheme() && BuildObjectPictures() && StartGame();
}

void CloseProgram()
{
    EndGame();
    FreeObjectPictures();
    FreeTheme();
    DISP_Quit();
    SDL_FreeSurface(app.backBuffer);
    SDL_FreeSurface(app.rotationSource);
    NODE_FreeAllItems(&app.themeNames);
    KV_Dispose(app.config);
    app = App{};
}

void PlayFrame(benchmark::State& state, const char* interpolation)
{
    if (!OpenProgram(interpolation)) {
        state.SkipWithError("cannot load the default theme from the run folder");
        CloseProgram();
        return;
    }
    ArrangeShowcaseGame();
    if (NODE_CountNodes(&game.objects) != 30 || NODE_CountNodes(&game.beams) != 8 ||
        NODE_CountNodes(&game.marked) != 4) {
        state.SkipWithError("cannot fill the arena");
    }
    frameCounter = 0;
    for (auto _ : state) {
        int going = GameStep();
        GameDraw();
        frameCounter += 1;
        benchmark::DoNotOptimize(going);
        benchmark::ClobberMemory();
    }
    if (NODE_CountNodes(&game.objects) != 30) {
        state.SkipWithError("objects left the arena during the run");
    }
    CloseProgram();
}

// The pieces of the frame on their own, to see where its time goes.
void Piece(benchmark::State& state, void (*piece)())
{
    if (!OpenProgram("off")) {
        state.SkipWithError("cannot load the default theme from the run folder");
        CloseProgram();
        return;
    }
    ArrangeShowcaseGame();
    for (auto _ : state) {
        piece();
        frameCounter += 1;
        benchmark::ClobberMemory();
    }
    CloseProgram();
}

void Step()
{
    benchmark::DoNotOptimize(GameStep());
}

void ComposeObjects()
{
    for (NODE_Node* node = game.objects.first; node != nullptr; node = node->next) {
        DrawObject(static_cast<const Object*>(node->data));
    }
}

void RotateField()
{
    game.rotate(&game.rotationJob);
}

BENCHMARK_CAPTURE(Piece, step, Step)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Piece, objects, ComposeObjects)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Piece, rotation, RotateField)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Piece, beams, DrawBeams)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Piece, status, DrawStatus)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Piece, present, PresentAtZoom4)->Unit(benchmark::kMicrosecond);

void NearestRotation(benchmark::State& state)
{
    PlayFrame(state, "off");
}

void BilinearRotation(benchmark::State& state)
{
    PlayFrame(state, "on");
}

BENCHMARK(NearestRotation)->Unit(benchmark::kMicrosecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BilinearRotation)->Unit(benchmark::kMicrosecond)->Repetitions(7)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO) != 0 ||
        Mix_OpenAudio(22050, AUDIO_S16MSB, 1, 1024) != 0 || Mix_AllocateChannels(8) != 8) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Mix_CloseAudio();
    SDL_Quit();
    return 0;
}
