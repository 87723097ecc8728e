// Input utilities between SDL's keyboard and joystick interfaces and the rest of the toolkit:
// translation between ASCII characters and SDL key symbols, key names to key symbols, waits for
// particular keys or characters, a joystick by capability, a tried mutex, and rectangle
// intersection.
//
// Depends on toolkit/gfx/disp.h for the waits. Main thread only. The tables are filled once,
// lazily, and only read afterwards.
#pragma once

#include <SDL.h>

#include <cstdint>

// Fills both translation tables; the lookups call it themselves the first time.
void INP_InitKeyTables();
// The key symbol that types `c` (upper-case letters give the lower-case letter's key); 0 when
// no key does.
[[nodiscard]] uint32_t INP_CharToKey(unsigned char c);
// The ASCII code the key types (letters lower-case, keypad digits and signs included); 0 for a
// key that types nothing or a symbol out of range 0..322.
[[nodiscard]] unsigned char INP_KeyToChar(uint32_t key);
// The key symbol whose SDL key name is exactly `name` (case matters); ";" is taken for the
// semicolon key too, whatever SDL calls it. 0 (SDL's unknown key) when none matches or for NULL.
[[nodiscard]] uint32_t INP_KeyFromName(const char* name);

// Blocks until a key is released whose symbol is in the 0-terminated list (any key for NULL)
// and returns the symbol. Every release is dispatched; quit events do not end the wait and are
// dropped with the rest. Returns 0 when SDL's queue cannot be read.
[[nodiscard]] uint32_t INP_WaitKey(const uint32_t* keys);
// Blocks until a key is released whose character is one of `chars` and returns it; for an
// empty string (or NULL) the first release ends the wait and its character is returned, 0 for a
// key that types none. Upper-case letters never match. 0 when SDL's queue cannot be read.
[[nodiscard]] unsigned char INP_WaitChar(const char* chars);

// The first joystick from index `first` on with at least the given numbers of axes, hats,
// balls and buttons, opened; NULL when none qualifies. Close with SDL_JoystickClose.
[[nodiscard]] SDL_Joystick* INP_OpenJoystick(int first, int axes, int hats, int balls,
                                             int buttons);
// A mutex that has been locked and unlocked once; NULL when it cannot be made or locked.
// Destroy with SDL_DestroyMutex.
[[nodiscard]] SDL_mutex* INP_CreateMutex();

// Writes the intersection of a and b into out; w or h 0 when they do not overlap. `out` may be
// a or b. Edges are computed without 16-bit wrap-around, so a rectangle reaching past 32767
// (such as 0,0,65535,65535) still intersects correctly.
void INP_IntersectRect(const SDL_Rect* a, const SDL_Rect* b, SDL_Rect* out);
