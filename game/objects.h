// The objects of a game: launching from the centre, flight and animation, judging at the
// catcher and the rim, and the flashes left behind by a catch or a destruction.
//
// Positions are 16.16 fixed point relative to the arena centre; angles 1/1024 turns. The
// records live in the lists of the game record. Object records are also used by the
// backdrop behind the menu, which moves them with MoveObject.
#pragma once

#include <cstdint>

#include "util/node.h"

struct Beam;
struct SDL_Surface;

// Bits of Object::capabilities: what the extras may still do to an object.
enum : uint8_t {
    CAN_INVERT = 0x01,
    CAN_FREEZE = 0x02,
    CAN_DECELERATE = 0x04,
    CAN_KICK = 0x08,
    CAN_MAGNET = 0x10,
    CAN_TARGET = 0x20,
    CAN_ALL = 0x3F,
};

// Bits of Object::stateBits.
enum : uint8_t {
    ST_MISSED = 0x01,
    ST_INVERTED = 0x02,
    ST_DECELERATED = 0x04,
    ST_KICK_ARMED = 0x08,
    ST_KICKED = 0x10,
    ST_MAGNETISED = 0x20,
};

// Geometry of the arena, in squared whole pixels and screen rows.
enum : int32_t {
    RIM_SQUARED = 16129,     // 127 * 127: crossing the rim
    CATCH_RING_SQUARED = 14399, // beyond this (120 pixels) an object can be caught
    REMOVAL_SQUARED = 40000, // 200 pixels: the object is gone
    CATCHER_LINE = 246,      // objects below this row can meet the catcher
};

struct Object {
    NODE_Node link;       // in game.objects (or the backdrop's list)
    NODE_Node markerLink; // in game.marked
    Beam* beam;
    uint16_t objectClass; // speed class 0..3
    uint16_t animFrame;   // 0..5
    uint16_t animCountdown;
    int32_t x, y;             // 16.16, relative to the arena centre
    int32_t screenX, screenY; // whole pixels on the back buffer, refreshed while judging
    uint32_t speed;           // 16.16 per frame
    int32_t vx, vy;           // 16.16 per frame
    uint16_t angle;           // launch direction
    uint32_t arrival;         // frameCounter at which it crosses the rim; 0 = none
    uint8_t capabilities;
    uint8_t stateBits;
};

struct Flash {
    NODE_Node link; // in game.flashes
    int16_t x, y;   // back buffer
    uint16_t frame; // sprite frame, 12..15
};

// A new unlinked object of the class at the centre, at rest. NULL when the memory cannot be
// had; free with FreeObject.
[[nodiscard]] Object* NewObject(uint16_t objectClass);
// Unlinks the object from whatever lists hold it and frees it; NULL is ignored. Does no game
// bookkeeping: use DestroyObject for an object of the running game.
void FreeObject(Object* object);

// The angle a player steering from rest covers in n frames.
[[nodiscard]] uint16_t Reach(uint16_t n);

// Launches the next object when the countdown has run out (called every play frame).
// Sets runState to RUN_QUIT when the object cannot be allocated.
void LaunchCountdown();
void Launch();

// Animation step and motion; the frozen object is not passed here by the game.
void MoveObject(Object* object);
// Recomputes `arrival` from the present position and velocity.
void Reaim(Object* object);
// Moves every object and judges catches, misses and removal; also picks the target.
void JudgeObjects();
// Removes an object of the running game for any reason, with its beam, marker and freeze.
void DestroyObject(Object* object);
// Frees every object of the running game without bookkeeping (clean-up).
void FreeAllObjects();

// Where the object is seen on the back buffer at the present field angle.
void ObjectScreenPosition(const Object* object, int32_t* screenX, int32_t* screenY);

// Appends a flash at (x, y); nothing happens when it cannot be allocated.
void NewFlash(int16_t x, int16_t y);
void AgeFlashes();
void FreeAllFlashes();

// Onto the rotation source, in its format, at the object's position.
void DrawObject(const Object* object);
// Draws the picture onto the rotation source with its top-left corner at (x, y), clipped to
// the source: blended by the picture's alpha channel when it has one and SDL_SRCALPHA is on,
// else without its colour-key pixels, else copied; the source's own alpha stays as it was.
// Pictures of another pixel layout take SDL's blit. Does the work of SDL's blit without its
// cost for an alpha destination, which is paid over the whole destination on every call.
void BlitOntoSource(SDL_Surface* picture, int32_t x, int32_t y);
