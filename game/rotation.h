// Field rotation: turns the upright arena, composed on the 383 x 383 rotation source, by the
// field angle into the 255 x 255 field of the back buffer, every drawn frame of a game.
//
// Four routines: nearest-pixel or bilinear, each either copying the source's 0x00RRGGBB
// pixels as they are or converting them to the display's channel order. All of them are
// fixed-point integer code stepping incrementally, with sine and cosine from the tool
// module's tables (AUX_InitTrigTables must have run). They read the display's shifts and
// `centreX` from the program record; they allocate nothing.
#pragma once

#include <cstdint>

struct SDL_Surface;

// One rotation: source and destination are not owned. The source must be a 32-bit surface
// of at least 383 x 383 pixels in 0x00RRGGBB order, the destination a 32-bit surface that
// holds the columns centreX - 127 .. centreX + 127 of the program record and rows 0..254;
// otherwise the routines draw nothing.
struct RotationJob {
    SDL_Surface* source;
    SDL_Surface* destination;
    uint16_t centreX; // centre of the arena in the source: 191
    uint16_t centreY; // 191
    uint16_t angle;   // 1/1024 turns, 0..1023 (higher bits are ignored)
};

using RotateFn = void (*)(const RotationJob* job);

// The routine for the display of the moment: the copying pair when the display's shifts are
// red 16, green 8, blue 0, else the converting pair; bilinear when "INTERPOLATION" is "on".
// Called at the start of a game. Never returns none.
[[nodiscard]] RotateFn ChooseRotation();

void RotateNearestCopy(const RotationJob* job);
void RotateNearestConvert(const RotationJob* job);
void RotateBilinearCopy(const RotationJob* job);
void RotateBilinearConvert(const RotationJob* job);
