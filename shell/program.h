// The program's life: reads the settings, lists the themes, starts SDL and the mixer, opens
// the display, and runs the restart, theme and menu loops on `app.runState` until the player
// quits, shutting everything down in order on every way out.
//
// Steered only by the run state: the menu, its option handlers, the game and the window's
// close button write it, and every loop here tests it.
#pragma once

// Runs the whole program with `progDir` (a folder path ending in '/') as the folder of
// "configuration.txt", "chart.raw" and "themes"; the text must stay valid while it runs.
// Returns the exit status: 0 after the player quit, silently; 1 when starting failed (no
// settings store, no themes, no SDL, no audio device, no display, no loadable theme, ...),
// after one line on stderr that names the failure. "configuration.txt" is written on the
// way out in both cases when the settings changed.
[[nodiscard]] int RunProgram(const char* progDir);
