// The program's life: reads the settings, lists the themes, starts SDL and the mixer, opens
// the display, and runs the restart, theme and menu loops on `app.runState` until the player
// quits, shutting everything down in order on every way out.
//
// Steered only by the run state: the menu, its option handlers, the game and the window's
// close button write it, and every loop here tests it.
#pragma once

struct Folders;

// Runs the whole program with its themes, "configuration.txt" and "chart.raw" in `folders`,
// which must stay valid while it runs. Returns the exit status: 0 after the player quit,
// silently; 1 when starting failed (no settings store, no themes, no SDL, no display, no
// loadable theme, ...), after one line on stderr that names the failure. Settings and chart
// that cannot be read or kept are said once each on stderr and do not end the program.
// "configuration.txt" is written on the way out in both cases when the settings changed.
[[nodiscard]] int RunProgram(const Folders& folders);
// The same for a portable program folder `progDir` (ending in '/'), which holds all three.
[[nodiscard]] int RunProgram(const char* progDir);
