// End-to-end runs of the whole program for tests: a throw-away program folder with its
// themes, a script of SDL events played on a virtual clock, RunProgram, and the files it
// leaves behind.
//
//   std::string dir = HarnessNewProgDir();          // ".../zaf-XXXXXX/" with "themes/"
//   HarnessWriteTinyTheme(dir, "default");          // or HarnessLinkTheme(dir, "default")
//   int status = HarnessRun(dir, {HarnessKey(1000, SDLK_ESCAPE)});
//   std::string text = HarnessReadFile(dir, "configuration.txt");
//   HarnessRemoveDir(dir);
//
// The clock starts at 0 ms and moves only when the program waits (CLK_Delay); each scripted
// event is pushed into SDL's queue at the first wait at or after its time, once SDL is up
// (events due while the program restarts wait for the next start). After `limit` virtual ms
// a quit event is pushed at every wait, so a run that gets stuck still ends.
#pragma once

#include <SDL.h>

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
    int16_t value = 0;  // axis position, hat position, mouse motion's xrel, active event's gain
    uint8_t device = 0; // the joystick events' device index
};

// Joystick and mouse events for scripts: an axis or hat moved, a button pressed and released
// 40 ms later, the mouse moved by `xrel`, the window's focus lost (state SDL_APPINPUTFOCUS).
HarnessEvent HarnessAxis(uint32_t at, uint8_t axis, int16_t value, uint8_t device = 0);
HarnessEvent HarnessHat(uint32_t at, uint8_t hat, uint8_t value, uint8_t device = 0);
std::vector<HarnessEvent> HarnessPadButton(uint32_t at, uint8_t button, uint8_t device = 0);
std::vector<HarnessEvent> HarnessMouseButton(uint32_t at, uint8_t button);
HarnessEvent HarnessMouseMotion(uint32_t at, int16_t xrel);
HarnessEvent HarnessFocusLost(uint32_t at);
// Alt (left or right) + Enter, or F11 when `alt` is 0: down, and up 40 ms later.
std::vector<HarnessEvent> HarnessSwitchScreen(uint32_t at, uint16_t alt);

// The joystick index the runs declare as their gamepad at every start (there is no real
// one); -1, the default, declares none.
void HarnessDeclareGamepad(int index);

// A press and release of `key`: down at `at`, up 40 ms later.
std::vector<HarnessEvent> HarnessKey(uint32_t at, SDLKey key);
// Several presses of `key`, `gap` ms apart, starting at `at`.
std::vector<HarnessEvent> HarnessKeys(uint32_t at, SDLKey key, int count, uint32_t gap = 200);
// The events of all the parts, in time order.
std::vector<HarnessEvent> HarnessScript(std::initializer_list<std::vector<HarnessEvent>> parts);

// A new empty folder under the system's temporary folder with an empty "themes" in it; the
// path ends in '/'. Empty when it cannot be made.
std::string HarnessNewProgDir();
// Deletes the folder and everything in it (links are removed, not followed).
void HarnessRemoveDir(const std::string& dir);

// Links the generated theme `name` of the build's run folder into dir/themes as `as` (the
// same name when NULL). False when the generated theme is not there.
bool HarnessLinkTheme(const std::string& dir, const char* name, const char* as = nullptr);
// A complete small theme: descriptor, a 191-glyph font, logo, template, field, 6 objects,
// 69 sprites and 25 short sounds, all plain and valid. `descriptor` replaces the default
// descriptor text when given. False when a file cannot be written.
bool HarnessWriteTinyTheme(const std::string& dir, const char* name, const char* descriptor = nullptr);
// The descriptor HarnessWriteTinyTheme writes by default.
const char* HarnessTinyDescriptor();

// The "configuration.txt" a run without one leaves behind, byte for byte: the fifteen keys
// every file must hold, then the optional ones.
const char* HarnessDefaultSettings();

// Writes (creating the folders on the way) or reads a file below the program folder.
bool HarnessWriteFile(const std::string& dir, const std::string& relative, const std::string& data);
// The file's bytes; empty, and *found false, when it cannot be read.
std::string HarnessReadFile(const std::string& dir, const std::string& relative, bool* found = nullptr);
bool HarnessFileExists(const std::string& dir, const std::string& relative);

// Runs the program in `dir` with the script and returns its exit status. The virtual clock
// is removed again afterwards.
int HarnessRun(const std::string& dir, const std::vector<HarnessEvent>& script,
               uint32_t limit = 10 * 60 * 1000);
// The same with the program's folders given, as for an installed program.
int HarnessRun(const Folders& folders, const std::vector<HarnessEvent>& script,
               uint32_t limit = 10 * 60 * 1000);
// The virtual time of the running (or last) run, in ms.
uint32_t HarnessNow();

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
    // Called in the menu before each choice and before the quit; may change the fields above
    // for what follows.
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
// Runs the program in `dir` flown by `pilot` and returns its exit status; as HarnessRun.
int HarnessFly(const std::string& dir, HarnessPilot& pilot, uint32_t limit = 10 * 60 * 1000);

// The themes the last run loaded, in order (a name again only after another one), as the
// clock saw them at its waits.
const std::vector<std::string>& HarnessThemesSeen();
