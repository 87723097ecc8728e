#include "shell/program.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <dirent.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "game/backdrop.h"
#include "game/chart.h"
#include "game/chartentry.h"
#include "game/game.h"
#include "shell/app.h"
#include "shell/devices.h"
#include "shell/menu.h"
#include "shell/settings.h"
#include "shell/theme.h"
#include "shell/video.h"
#include "toolkit/gfx/disp.h"
#include "util/kv.h"
#include "util/node.h"
#include "util/tools.h"

namespace {

enum { MESSAGE_SIZE = 512 };

// The first failure of this run; only it is reported, so that stderr gets one line.
char failure[MESSAGE_SIZE];

void Fail(const char* what, const char* detail = nullptr)
{
    app.runState = RUN_QUIT;
    if (failure[0] != '\0') {
        return;
    }
    const bool detailed = detail != nullptr && detail[0] != '\0';
    // A long detail is cut; the message stays one line whatever the libraries say.
    const int length = std::snprintf(failure, sizeof failure, "%s%s%s", what, detailed ? ": " : "",
                                     detailed ? detail : "");
    if (length < 0) {
        std::snprintf(failure, sizeof failure, "start-up failed");
    }
    for (char& c : failure) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
}

bool JoinProgramPath(char* path, const char* name)
{
    const int length = std::snprintf(path, AUX_PATH_SIZE, "%s%s", app.progDir, name);
    return length > 0 && length < AUX_PATH_SIZE;
}

bool OpenSettings()
{
    char path[AUX_PATH_SIZE];
    if (!JoinProgramPath(path, "configuration.txt")) {
        Fail("the program's folder name is too long");
        return false;
    }
    // A missing, unreadable or incomplete file is replaced whole by the defaults.
    app.config = KV_Open(path, settingsDefaults, 0, nullptr);
    if (app.config == nullptr) {
        app.config = KV_Create(path, settingsDefaults);
    }
    if (app.config == nullptr) {
        Fail("cannot make the settings (out of memory)");
        return false;
    }
    // Settings added since the file was written are completed, never the file replaced.
    if (!CompleteSettings(app.config)) {
        Fail("cannot make the settings (out of memory)");
        return false;
    }
    return true;
}

// Every entry of the themes folder but "." and ".." is a theme name, sorted without case.
bool ListThemes()
{
    char path[AUX_PATH_SIZE];
    if (!JoinProgramPath(path, "themes")) {
        Fail("the program's folder name is too long");
        return false;
    }
    DIR* folder = opendir(path);
    if (folder == nullptr) {
        Fail("cannot read the themes folder", path);
        return false;
    }
    while (const dirent* entry = readdir(folder)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        NODE_Item* item = NODE_NewItem(entry->d_name, 0);
        if (item == nullptr) {
            closedir(folder);
            Fail("cannot list the themes (out of memory)");
            return false;
        }
        NODE_AddItemTail(item, &app.themeNames);
    }
    const int sorted = NODE_SortItems(&app.themeNames, NODE_SORT_ASCENDING_NOCASE);
    closedir(folder);
    if (sorted == 0) {
        Fail("cannot sort the themes (out of memory)");
        return false;
    }
    if (NODE_Count(&app.themeNames) == 0) {
        Fail("the themes folder holds no theme", path);
        return false;
    }
    return true;
}

bool ThemeChanges()
{
    return KV_IsString(app.config, "THEME", "<cycle>") || KV_IsString(app.config, "THEME", "<random>");
}

void MenuLoop()
{
    do {
        if (BuildMenu()) {
            RunMenu();
        } else {
            Fail("cannot build the menu");
        }
        TearDownMenu();
        if (app.runState != RUN_PLAY) {
            return;
        }
        // The game keeps RUN_MENU while it runs and leaves RUN_PLAY only after a game that
        // ended normally, so a failed start goes back to the menu.
        if (StartGame()) {
            PlayGame();
        }
        EndGame();
        if (app.runState == RUN_PLAY) {
            EnterChart();
        }
        if (app.runState == RUN_PLAY) {
            app.runState = ThemeChanges() ? RUN_RELOAD_THEME : RUN_MENU;
        }
    } while (app.runState == RUN_MENU);
}

void ThemeLoop()
{
    while (app.runState == RUN_RELOAD_THEME) {
        if (!LoadTheme()) {
            Fail("cannot load the theme \"default\"");
        } else if (!BuildObjectPictures()) {
            Fail("cannot make the object pictures");
            FreeObjectPictures();
        } else {
            if (!InitBackdrop()) {
                Fail("cannot set up the backdrop");
            } else {
                if (LoadChart()) {
                    app.runState = RUN_MENU;
                    MenuLoop();
                } else {
                    Fail("cannot load the top chart");
                }
                SaveChart();
            }
            FreeBackdrop();
            FreeObjectPictures();
        }
        FreeTheme();
    }
}

struct Started {
    bool sdl;
    bool audio;
};

// Start-up steps from SDL to the display; false at the first that fails.
bool StartSystems(Started* started)
{
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO) != 0) {
        Fail("cannot start SDL", SDL_GetError());
        return false;
    }
    started->sdl = true;
    SDL_EventState(SDL_SYSWMEVENT, SDL_IGNORE);
    if (Mix_OpenAudio(22050, AUDIO_S16MSB, 1, 1024) != 0) {
        Fail("cannot open the audio device", Mix_GetError());
        return false;
    }
    started->audio = true;
    if (Mix_AllocateChannels(8) != 8) {
        Fail("cannot have 8 mixer channels");
        return false;
    }
    const char* volume = nullptr;
    if (KV_GetString(app.config, "VOLUME", &volume)) {
        (void)ApplyVolume(volume);
    }
    DISP_Init();
    OpenDevices();
    AUX_InitTrigTables();
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    return true;
}

// One pass of the restart loop, from reading the settings to writing them back.
void RunPass()
{
    app.themeNames = NODE_List{};
    app.config = nullptr;
    Started started{};

    if (OpenSettings() && ListThemes() && StartSystems(&started)) {
        if (SetupVideo()) {
            app.runState = RUN_RELOAD_THEME;
            ThemeLoop();
        } else {
            Fail("cannot open the display", SDL_GetError());
        }
        CloseVideo();
    }

    CloseDevices();
    DISP_Quit();
    if (started.audio) {
        Mix_CloseAudio();
    }
    if (started.sdl) {
        SDL_Quit();
    }
    NODE_FreeAllItems(&app.themeNames);
    // A failed write is given up: the store is freed unwritten.
    if (app.config != nullptr && !KV_Close(app.config)) {
        KV_Dispose(app.config);
    }
    app.config = nullptr;
}

} // namespace

int RunProgram(const char* progDir)
{
    failure[0] = '\0';
    app.progDir = progDir != nullptr ? progDir : "";
    app.runState = RUN_RESTART;
    while (app.runState == RUN_RESTART) {
        RunPass();
    }
    ForgetCurrentTheme();
    if (failure[0] != '\0') {
        std::fprintf(stderr, "zaf: %s\n", failure);
        return 1;
    }
    return 0;
}
