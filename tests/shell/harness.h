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
    uint8_t type; // SDL_KEYDOWN, SDL_KEYUP or SDL_QUIT
    SDLKey key;   // for the key events
};

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

// The "configuration.txt" a run without one leaves behind, byte for byte.
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
// The themes the last run loaded, in order (a name again only after another one), as the
// clock saw them at its waits.
const std::vector<std::string>& HarnessThemesSeen();
