// Shared pieces of the widget tests: a hand-made font, a screen over a plain surface, and
// SDL events pushed into the queue the widget event pump reads.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "toolkit/gfx/font.h"
#include "toolkit/ui/wg.h"

// Glyphs 4 pixels wide ('i' 2, 'W' 6) and 6 high for 0x20..0x7E and 0xA1..0xFF; codes outside
// have no glyph. Each glyph is a filled block of `ink`.
struct TestFont {
    TXT_Font font;
    bool Make(uint32_t ink = 0xFFFFFFFF);
    void Free();
};

[[nodiscard]] SDL_Surface* NewTestSurface(int w, int h);
[[nodiscard]] uint32_t PixelOf(SDL_Surface* s, int x, int y);

// A screen widget over `surface`; NULL on failure.
[[nodiscard]] WG_Widget* NewTestScreen(SDL_Surface** surface);

void PushKey(uint8_t type, SDLKey key, uint16_t unicode = 0);
void PushKeyPress(SDLKey key, uint16_t unicode = 0);
void PushMouseMotion(int x, int y);
void PushMouseButton(uint8_t type, uint8_t button, int x, int y);
void PushQuit();
// Runs the widget pump until the queue is empty; returns its last result.
int Pump(uint32_t flags = 1);

// Starts SDL's video with a small dummy display, so that the mouse can be moved; the pump then
// sees the move as a motion event.
[[nodiscard]] bool StartTestVideo();
void StopTestVideo();
void MoveMouse(int x, int y);
