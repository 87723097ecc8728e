// The display: opens the window or full-screen mode that VIDEO and ZOOM ask for (mending
// settings that cannot be honoured), makes the 255 x 255 back buffer every screen draws
// into and the field's rotation source, and chooses `app.present`, which magnifies the back
// buffer onto the screen by plain pixel replication.
//
// Everything it makes is kept in the display fields of `app`. Depends on SDL's video being
// initialised and on `app.config`. Only 32-bit displays are used.
#pragma once

#include <SDL.h>
#include <cstdint>

// Where the module asks SDL for a display and for the full-screen modes; tests put their own
// in place to play a given machine. NULL for either restores SDL's own function.
using VIDEO_OpenFn = SDL_Surface* (*)(int width, int height, int bpp, uint32_t flags);
using VIDEO_ListFn = SDL_Rect** (*)(SDL_PixelFormat* format, uint32_t flags);
void VIDEO_SetBackends(VIDEO_OpenFn open, VIDEO_ListFn list);

// Opens the display and fills every display field of `app`; the corrections it makes to
// VIDEO and ZOOM are written into `app.config`. False when no display can be had, when a
// full-screen mode is smaller than 255 x 255, when a correction cannot be written or when a
// surface cannot be made; CloseVideo must be called in either case.
[[nodiscard]] bool SetupVideo();

// While captured the pointer is grabbed and hidden (the mouse turns the arena); otherwise it
// is free, and shown in a window but not in full screen.
void VIDEO_CapturePointer(bool on);
[[nodiscard]] bool VIDEO_PointerCaptured();

// Switches between the window and full screen without touching the surfaces every screen
// draws on, so that a game goes on as it was; VIDEO is set to "window" or to the screen's
// size in full screen ("510x510"), so the next start opens the same way. False when SDL
// cannot switch (nothing changes) or the setting cannot be written.
bool VIDEO_ToggleFullScreen();

// Shows the pointer again and frees the back buffer and the rotation source; the screen
// itself belongs to SDL. Safe to call twice, and after a failed SetupVideo.
void CloseVideo();

// The magnifying copy behind `present` at zoom 2, 3 and 4, without the screen update: each
// pixel of the 255 x 255 back buffer becomes a zoom x zoom block of `screen` whose top-left
// corner is (x + zoom * column, zoom * row). Both must be 32-bit surfaces and `screen` big
// enough; otherwise nothing is drawn and the result is false.
[[nodiscard]] bool VIDEO_Replicate(SDL_Surface* backBuffer, SDL_Surface* screen, uint32_t x,
                                   uint32_t zoom);
