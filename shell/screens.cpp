// zaf_screens OUTDIR: renders the menu's main, options, theme, video and about pages with the
// themes beside the executable into OUTDIR/menu-<page>.bmp (and the video page of a display
// with full-screen modes into menu-video-modes.bmp), a game in play, its pause and game-over
// screens (game-play.bmp, game-pause.bmp, game-over.bmp) and the "CONGRATULATIONS!" screen
// with a half-typed name (chart-entry.bmp), headless, for looking at them without playing. Uses the default settings and the theme "default"; writes no settings
// and no chart. Exit status 1, after one line on stderr, when something cannot be set up.
#include <SDL.h>
#include <SDL_mixer.h>
#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "game/backdrop.h"
#include "game/chart.h"
#include "game/chartentry.h"
#include "game/game.h"
#include "game/screens.h"
#include "shell/app.h"
#include "shell/menu.h"
#include "shell/settings.h"
#include "shell/theme.h"
#include "shell/paths.h"
#include "shell/video.h"
#include "toolkit/gfx/clock.h"
#include "toolkit/gfx/disp.h"
#include "util/kv.h"
#include "util/node.h"
#include "util/tools.h"

namespace {

// Frames of drift before the pictures are taken, so that the backdrop objects have spread.
constexpr int WARM_UP_STEPS = 40;

std::string FolderOf(const char* program)
{
    const char* slash = strrchr(program, '/');
    return slash == nullptr ? std::string("./") : std::string(program, slash + 1);
}

bool ListThemes(const std::string& progDir)
{
    DIR* dir = opendir((progDir + "themes").c_str());
    if (dir == nullptr) {
        return false;
    }
    bool ok = true;
    while (const dirent* entry = readdir(dir)) {
        if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        NODE_Item* item = NODE_NewItem(entry->d_name, 0);
        if (item == nullptr) {
            ok = false;
            break;
        }
        NODE_AddItemTail(item, &app.themeNames);
    }
    closedir(dir);
    return ok && NODE_SortItems(&app.themeNames, NODE_SORT_ASCENDING_NOCASE) != 0 &&
           app.themeNames.first != nullptr;
}

int Fail(const char* what)
{
    fprintf(stderr, "zaf_screens: %s\n", what);
    return 1;
}

bool Save(const std::string& file)
{
    if (SDL_SaveBMP(app.screen, file.c_str()) != 0) {
        return false;
    }
    printf("%s\n", file.c_str());
    return true;
}

// The video page as a display with a few full-screen modes shows it, marks included.
int RenderVideoModes(const std::string& outDir)
{
    static SDL_Rect modes[] = {{0, 0, 1920, 1080}, {0, 0, 1280, 1024}, {0, 0, 1024, 768}, {0, 0, 800, 600}};
    static SDL_Rect* list[] = {&modes[0], &modes[1], &modes[2], &modes[3], nullptr};
    SDL_Rect** own = app.fullscreenModes;
    app.fullscreenModes = list;
    TearDownMenu();
    const bool built = BuildMenu();
    app.fullscreenModes = own;
    if (!built) {
        return Fail("cannot build the menu");
    }
    menu.current = &menu.video;
    MenuDraw();
    const std::string file = outDir + "/menu-video-modes.bmp";
    return Save(file) ? 0 : Fail(("cannot write " + file).c_str());
}

bool SaveAs(const std::string& outDir, const char* name)
{
    const std::string file = outDir + "/" + name;
    if (!Save(file)) {
        Fail(("cannot write " + file).c_str());
        return false;
    }
    return true;
}

// The fixed showcase scene of a game: every object class in flight, beams, markers, status.
int RenderGame(const std::string& outDir)
{
    int status = 0;
    if (!StartGame()) {
        status = Fail("cannot start a game");
    } else {
        ArrangeShowcaseGame();
        frameCounter = 100;
        GameDraw();
        if (!SaveAs(outDir, "game-play.bmp")) {
            status = 1;
        } else {
            DrawPauseScreen();
            status = SaveAs(outDir, "game-pause.bmp") ? 0 : 1;
        }
        if (status == 0) {
            GameDraw();
            uint32_t shown = 0;
            while (!GameOverTextShown(shown)) {
                shown++;
            }
            frameCounter = shown;
            DrawGameOver();
            status = SaveAs(outDir, "game-over.bmp") ? 0 : 1;
        }
    }
    EndGame();
    return status;
}

void Type(uint16_t unicode, SDLKey sym)
{
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = sym;
    event.key.keysym.unicode = unicode;
    DISP_Dispatch(&event);
    event.type = SDL_KEYUP;
    event.key.type = SDL_KEYUP;
    event.key.state = SDL_RELEASED;
    DISP_Dispatch(&event);
}

// A score for the third row, with "Zoë" typed so far.
int RenderNameEntry(const std::string& outDir)
{
    const uint16_t row = InsertChartScore(chart[2].points + 1);
    if (row >= 10 || !OpenNameEntry(row)) {
        return Fail("cannot open the name entry");
    }
    Type('Z', SDLK_z);
    Type('o', SDLK_o);
    Type(0xEB, SDLK_e);
    // The entry shows typed text from the frame after the keys, as in play.
    DrawNameEntry(false);
    DrawNameEntry(true);
    const int status = SaveAs(outDir, "chart-entry.bmp") ? 0 : 1;
    CloseNameEntry();
    return status;
}

// Everything the pages draw: the theme, its object pictures, the backdrop, the chart, the menu.
int Render(const std::string& outDir)
{
    if (!LoadTheme()) {
        return Fail("cannot load a theme");
    }
    int status = 0;
    if (!BuildObjectPictures() || !InitBackdrop() || !LoadChart()) {
        status = Fail("cannot set up the theme's pictures, backdrop or chart");
    } else if (!BuildMenu()) {
        status = Fail("cannot build the menu");
    } else {
        for (int i = 0; i < WARM_UP_STEPS; i++) {
            AnimateBackdrop();
        }
        // A frame in which the blinking first entry is shown.
        frameCounter = 15;
        const struct {
            const char* name;
            MenuPage* page;
        } pages[] = {{"main", &menu.main},   {"options", &menu.options}, {"theme", &menu.theme},
                     {"video", &menu.video}, {"about", &menu.about}};
        for (const auto& p : pages) {
            menu.current = p.page;
            MenuDraw();
            const std::string file = outDir + "/menu-" + p.name + ".bmp";
            if (!Save(file)) {
                status = Fail(("cannot write " + file).c_str());
                break;
            }
        }
        if (status == 0) {
            status = RenderVideoModes(outDir);
        }
        if (status == 0) {
            status = RenderGame(outDir);
        }
        if (status == 0) {
            status = RenderNameEntry(outDir);
        }
    }
    TearDownMenu();
    FreeBackdrop();
    FreeObjectPictures();
    FreeTheme();
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: zaf_screens OUTDIR\n");
        return 1;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const std::string progDir = FolderOf(argv[0]);
    static Folders folders;
    if (!PortableFolders(progDir.c_str(), &folders)) {
        return Fail("the program's folder name is too long");
    }
    app.folders = &folders;
    app.config = KV_Create((std::string(argv[1]) + "/unused-configuration.txt").c_str(), settingsDefaults);
    if (app.config == nullptr || !KV_ReplaceString(app.config, "THEME", "default")) {
        KV_Dispose(app.config);
        return Fail("out of memory");
    }
    int status = 0;
    if (!ListThemes(progDir)) {
        status = Fail("no themes beside the program");
    } else if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO | SDL_INIT_TIMER) != 0) {
        status = Fail("cannot start SDL");
    } else {
        if (Mix_OpenAudio(22050, AUDIO_S16MSB, 1, 1024) != 0) {
            status = Fail("no audio device");
        } else {
            Mix_AllocateChannels(8);
            DISP_Init();
            AUX_InitTrigTables();
            srand(1);
            status = SetupVideo() ? Render(argv[1]) : Fail("no display");
            CloseVideo();
            DISP_Quit();
            Mix_CloseAudio();
        }
        SDL_Quit();
    }
    NODE_FreeAllItems(&app.themeNames);
    KV_Dispose(app.config);
    return status;
}
