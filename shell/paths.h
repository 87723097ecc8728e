// Where the program finds its themes and keeps "configuration.txt" and "chart.raw".
//
// Portable: a "themes" folder stands beside the executable (the build's run folder, an
// unpacked archive), and everything lives there as it always has. Installed: otherwise. The
// themes then come from the data folder installed beside the executable (found relative to
// it, so a moved install still works) and from the player's own "$XDG_DATA_HOME/zaf/themes";
// the settings go to "$XDG_CONFIG_HOME/zaf/" and the chart to "$XDG_DATA_HOME/zaf/", with
// "~/.config" and "~/.local/share" standing in for unset, empty or relative XDG values. An
// installed program never writes into its own folders.
#pragma once

enum { FOLDER_SIZE = 1024 };

// Every folder ends in '/'; an empty one is not there.
struct Folders {
    char themes[2][FOLDER_SIZE]; // theme roots: the player's own first, then the program's
    char config[FOLDER_SIZE];    // of "configuration.txt"; empty when settings cannot be kept
    char data[FOLDER_SIZE];      // of "chart.raw"; empty when the chart cannot be kept
    bool portable;
};

// Reads one environment variable; NULL when it is not set.
using EnvFn = const char* (*)(const char* name);

// The folders for an executable standing in `exeFolder` (ending in '/'), reading the
// environment through `env` (getenv when NULL). False when a folder's name does not fit, or
// `exeFolder` is NULL; `out` is then filled as far as it could be.
[[nodiscard]] bool ChooseFolders(const char* exeFolder, EnvFn env, Folders* out);
// The portable folders of `folder` (ending in '/'), whatever stands there. False when the
// name does not fit.
[[nodiscard]] bool PortableFolders(const char* folder, Folders* out);
// Makes `folder` and its missing parents, new ones with mode 0700. True when it is a folder
// afterwards.
[[nodiscard]] bool MakeFolders(const char* folder);

// The things a run may have to tell the player about, each said at most once.
enum Notice : unsigned {
    NOTICE_NO_HOME = 1,  // neither settings nor scores can be kept
    NOTICE_SETTINGS = 2, // "configuration.txt" cannot be read or written
    NOTICE_CHART = 4,    // "chart.raw" cannot be read or written
    NOTICE_SOUND = 8,    // no sound device: the game plays silently
};
// Prints "zaf: " and the formatted text as one line on stderr, unless `notice` was given
// before since the last ForgetNotices.
void SayOnce(Notice notice, const char* format, ...) __attribute__((format(printf, 2, 3)));
void ForgetNotices();
