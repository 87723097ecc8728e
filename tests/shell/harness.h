// End-to-end runs of the whole program: a throw-away program folder with its themes, a
// script of SDL events played on a virtual clock (starting at 0 ms, moving only when the
// program waits; each event is pushed at the first wait at or after its time, once SDL is up;
// after `limit` ms a quit is pushed at every wait), RunProgram, and the files it leaves.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

struct Folders;

struct HarnessEvent {
    uint32_t at;  // virtual ms since the run began
    uint8_t type; // SDL_KEYDOWN, SDL_KEYUP, SDL_QUIT, or one of the kinds below
    SDLKey key;   // for the key events
    uint16_t mod = 0;   // the key events' modifiers (KMOD_ALT ...)
    uint8_t part = 0;   // joystick axis, hat or button; mouse button; active event's state
    int16_t value = 0;  // axis position, hat position, active event's gain
    uint8_t device = 0; // the joystick events' device index
};

// Presses are a down event and an up event 40 ms later.
std::vector<HarnessEvent> HarnessKey(uint32_t at, SDLKey key);
HarnessEvent HarnessAxis(uint32_t at, uint8_t axis, int16_t value, uint8_t device = 0);
HarnessEvent HarnessHat(uint32_t at, uint8_t hat, uint8_t value, uint8_t device = 0);
std::vector<HarnessEvent> HarnessPadButton(uint32_t at, uint8_t button, uint8_t device = 0);
std::vector<HarnessEvent> HarnessMouseButton(uint32_t at, uint8_t button);
HarnessEvent HarnessFocusLost(uint32_t at);
// Alt (left or right) + Enter, or F11 when `alt` is 0.
std::vector<HarnessEvent> HarnessSwitchScreen(uint32_t at, uint16_t alt);
// The events of all the parts, in time order.
std::vector<HarnessEvent> HarnessScript(std::initializer_list<std::vector<HarnessEvent>> parts);

// The joystick index the runs declare as their gamepad at every start; -1 declares none.
void HarnessDeclareGamepad(int index);

// A new temporary folder with an empty "themes" in it; the path ends in '/', empty on failure.
std::string HarnessNewProgDir();
// Deletes the folder and everything in it (links are removed, not followed).
void HarnessRemoveDir(const std::string& dir);
// Links the generated theme `name` of the build's run folder into dir/themes; false when the
// generated theme is not there.
bool HarnessLinkTheme(const std::string& dir, const char* name);
// A complete small theme: descriptor (`descriptor` or harnessTinyDescriptor), a 191-glyph
// font, logo, template, field, 6 objects, 69 sprites and 25 short sounds.
bool HarnessWriteTinyTheme(const std::string& dir, const char* name, const char* descriptor = nullptr);
extern const char harnessTinyDescriptor[];
// The "configuration.txt" a run without one leaves behind, byte for byte.
extern const char harnessDefaultSettings[];

// Files below the program folder; writing makes the folders on the way. A file that cannot
// be read reads as empty.
bool HarnessWriteFile(const std::string& dir, const std::string& relative, const std::string& data);
std::string HarnessReadFile(const std::string& dir, const std::string& relative);
bool HarnessFileExists(const std::string& dir, const std::string& relative);

// Runs the program in `dir` (or in the folders given, as installed) with the script and
// returns its exit status; the virtual clock is removed again afterwards.
int HarnessRun(const std::string& dir, const std::vector<HarnessEvent>& script, uint32_t limit = 10 * 60 * 1000);
int HarnessRun(const Folders& folders, const std::vector<HarnessEvent>& script, uint32_t limit = 10 * 60 * 1000);
// The virtual time of the running (or last) run, in ms.
uint32_t HarnessNow();
// The themes the last run loaded, in order (a name again only after another one).
const std::vector<std::string>& HarnessThemesSeen();

// An autopilot in place of a script, for runs of whole games. In the menu it chooses PLAY;
// in the game it turns the arena toward the next object to arrive until `catches` catches,
// then lets the objects go; it leaves the game-over screen after 2 s, and on the
// CONGRATULATIONS! screen presses Return on the empty name (the screen must stay), types
// `name` and presses Return, or closes the window instead with `closeDuringEntry`. Back in
// the menu it chooses PLAY again until it has done so `games` times, then quits with Escape.
// The generator is seeded with `seed` as each game starts, so that a game replays exactly.
struct HarnessPilot {
    enum Stage { MENU, CHOSEN, PLAYING, GAME_OVER, NAMING, NAMED, QUITTING };
    int games = 1;
    int catches = 3;
    unsigned seed = 2026;
    const char* name = "Zo\xEB";
    bool closeDuringEntry = false;
    // Called in the menu before each choice and before the quit; may change the fields above.
    void (*onMenu)(HarnessPilot& pilot) = nullptr;
    // What the run saw.
    Stage stage = MENU;
    int chosen = 0;           // times PLAY was chosen
    int played = 0;           // games that came to their game over
    uint32_t finalPoints = 0; // at the last game over
    int caught = 0;           // catches of the last game
    int steered = 0;          // frames steered, all games
    bool sawScreen = false;   // the last game's CONGRATULATIONS! screen came up
};
int HarnessFly(const std::string& dir, HarnessPilot& pilot, uint32_t limit = 10 * 60 * 1000);

// The shell tests' common set-up: a fresh program folder `dir`, and app.config holding the
// default settings (a run replaces it by its own and frees that).
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void Set(const char* key, const char* value);
    std::string Setting(const char* key); // "<none>" when absent
    // Runs the program in `dir` (or `folders`), keeping what it printed on stderr in `errors`.
    int Run(const std::vector<HarnessEvent>& script = HarnessKey(1000, SDLK_ESCAPE), const Folders* folders = nullptr);
    // A value of the settings file in `dir`, "<none>" when absent.
    std::string Saved(const char* key);
    std::string dir;
    std::string errors;
};
