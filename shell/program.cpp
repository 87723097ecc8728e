#include "shell/program.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <dirent.h>
#include <cerrno>
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
#include "shell/display.h"
#include "shell/menu.h"
#include "shell/paths.h"
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

// Whether "configuration.txt" may be written at the end of this pass: not when there is no
// folder for it, nor over a file that exists but could not be read.
bool settingsKept;

bool OpenSettings()
{
    const char* folder = app.folders->config;
    char path[AUX_PATH_SIZE];
    const int length = std::snprintf(path, sizeof path, "%sconfiguration.txt", folder);
    if (length <= 0 || length >= AUX_PATH_SIZE) {
        Fail("the settings folder's name is too long");
        return false;
    }
    const AUX_FileState state = folder[0] != '\0' ? AUX_CheckFile(path) : AUX_FILE_MISSING;
    settingsKept = folder[0] != '\0' && state != AUX_FILE_UNUSABLE;
    if (state == AUX_FILE_UNUSABLE) {
        SayOnce(NOTICE_SETTINGS, "cannot read %s (%s): settings will not be kept", path,
                std::strerror(errno));
    }
    // A missing or incomplete file is replaced whole by the defaults.
    app.config = state == AUX_FILE_READABLE ? KV_Open(path, settingsDefaults, 0, nullptr) : nullptr;
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

// Writes the settings when they changed and may be kept, and frees them.
void CloseSettings()
{
    if (app.config == nullptr) {
        return;
    }
    if (settingsKept && app.config->modified) {
        if (!MakeFolders(app.folders->config) || !KV_Close(app.config)) {
            SayOnce(NOTICE_SETTINGS, "cannot write %s (%s): settings are not kept", app.config->fileName,
                    std::strerror(errno));
            KV_Dispose(app.config);
        }
    } else {
        KV_Dispose(app.config);
    }
    app.config = nullptr;
}

// Adds the entries of one themes folder that are not listed yet; false only when out of
// memory. A folder that cannot be read adds nothing, and `*readable` tells which it was.
bool ListThemesIn(const char* path, bool* readable)
{
    DIR* folder = opendir(path);
    *readable = folder != nullptr;
    if (folder == nullptr) {
        return true;
    }
    while (const dirent* entry = readdir(folder)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0 ||
            NODE_FindItem(entry->d_name, &app.themeNames) != nullptr) {
            continue;
        }
        NODE_Item* item = NODE_NewItem(entry->d_name, 0);
        if (item == nullptr) {
            closedir(folder);
            return false;
        }
        NODE_AddItemTail(item, &app.themeNames);
    }
    closedir(folder);
    return true;
}

// Every entry of the themes folders but "." and ".." is a theme name, once, sorted without
// case.
bool ListThemes()
{
    const char* programThemes = app.folders->themes[1];
    bool programReadable = false;
    bool playerReadable = false;
    if (!ListThemesIn(programThemes, &programReadable) ||
        !ListThemesIn(app.folders->themes[0], &playerReadable)) {
        Fail("cannot list the themes (out of memory)");
        return false;
    }
    if (!programReadable) {
        Fail("cannot read the themes folder", programThemes);
        return false;
    }
    if (NODE_SortItems(&app.themeNames, NODE_SORT_ASCENDING_NOCASE) == 0) {
        Fail("cannot sort the themes (out of memory)");
        return false;
    }
    if (NODE_Count(&app.themeNames) == 0) {
        Fail("the themes folder holds no theme", programThemes);
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

// The exit status of the run, saying its first failure.
int EndStatus()
{
    if (failure[0] != '\0') {
        std::fprintf(stderr, "zaf: %s\n", failure);
        return 1;
    }
    return 0;
}

// A display lost mid-run (its window destroyed by another client, its connection dropped)
// ends the process at once, with what a close request would have saved.
int SaveForLostDisplay()
{
    // Before its load a close request would still see the chart loaded and saved (the default
    // one where there was none); after its save, doing both again writes the same.
    if (!ChartAwaitsSave()) {
        (void)LoadChart();
    }
    SaveChart();
    CloseSettings();
    return EndStatus();
}

struct Started {
    bool sdl;
    bool audio;
};

// SDL falls back to a driver that shows nothing when no display answers; the program would
// then run unseen for ever. Only a player who asked for such a driver gets it.
bool ShowsAWindow()
{
    char driver[32] = "";
    if (SDL_VideoDriverName(driver, sizeof driver) == nullptr) {
        return false;
    }
    if (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0) {
        return true;
    }
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    return asked != nullptr && std::strstr(asked, driver) != nullptr;
}

// A player without a sound device still plays, silently.
bool OpenAudio()
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        SayOnce(NOTICE_SOUND, "no sound (%s): playing silently", SDL_GetError());
        return false;
    }
    if (Mix_OpenAudio(22050, AUDIO_S16MSB, 1, 1024) != 0) {
        SayOnce(NOTICE_SOUND, "no sound (%s): playing silently", Mix_GetError());
        return false;
    }
    if (Mix_AllocateChannels(8) != 8) {
        SayOnce(NOTICE_SOUND, "no sound (cannot have 8 mixer channels): playing silently");
        Mix_CloseAudio();
        return false;
    }
    return true;
}

// Start-up steps from SDL to the display; false at the first that fails.
bool StartSystems(Started* started)
{
    WatchDisplay(SaveForLostDisplay);
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) != 0) {
        Fail("cannot start SDL", SDL_GetError());
        return false;
    }
    started->sdl = true;
    if (!ShowsAWindow()) {
        Fail("no display to show the window on (is DISPLAY set?)");
        return false;
    }
    SDL_EventState(SDL_SYSWMEVENT, SDL_IGNORE);
    started->audio = OpenAudio();
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
    CloseSettings();
}

} // namespace

int RunProgram(const Folders& folders)
{
    failure[0] = '\0';
    ForgetNotices();
    app.folders = &folders;
    if (!folders.portable && (folders.config[0] == '\0' || folders.data[0] == '\0')) {
        SayOnce(NOTICE_NO_HOME, "no usable home folder (HOME): settings and scores cannot be kept");
    }
    app.runState = RUN_RESTART;
    while (app.runState == RUN_RESTART) {
        RunPass();
    }
    ForgetCurrentTheme();
    app.folders = nullptr;
    return EndStatus();
}

int RunProgram(const char* progDir)
{
    Folders folders;
    if (!PortableFolders(progDir != nullptr ? progDir : "", &folders)) {
        std::fprintf(stderr, "zaf: the program's folder name is too long\n");
        return 1;
    }
    return RunProgram(folders);
}
