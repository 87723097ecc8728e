// Themes: choosing which theme to load (by name, the next in turn, or at random), loading its
// descriptor, fonts, pictures and sounds into the program record with every missing file
// taken from the theme "default", the tinted object pictures, and freeing all of it.
//
// A theme that cannot be loaded (also a name that is no folder of a themes folder) is
// replaced by "default", and THEME in `app.config` is set to "default" so that the choice
// lasts. Needs the display open (the pictures take its
// format) and `app.themeNames`, `app.config`, `app.folders` set.
#pragma once

// The theme loaded last; it outlives restarts so that "<cycle>" and "<random>" move on from
// it. Empty before the first load. ForgetCurrentTheme empties it (at the end of a run).
[[nodiscard]] const char* CurrentThemeName();
void ForgetCurrentTheme();

// Chooses the theme from THEME and loads it, falling back to "default". False only when
// "default" itself cannot be loaded; everything is then freed again. Free with FreeTheme.
[[nodiscard]] bool LoadTheme();

// Frees every theme resource and empties its slot; stops every sound channel first. Safe on
// a partly loaded theme and when nothing is loaded.
void FreeTheme();

// Makes the four speed classes' six object frames, tinted by the OBJECT.* keys, in the
// rotation source's and in the back buffer's format. False on any failure; the caller then
// frees them with FreeObjectPictures, which is also safe when nothing was made.
[[nodiscard]] bool BuildObjectPictures();
void FreeObjectPictures();
