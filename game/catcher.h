// The catcher at the bottom of the screen, the steering that turns the arena under it, and
// the beams: lines from the catcher to an object or a point, drawn blended every frame.
//
// Beams are records of the game's `beams` list; an attached beam and its object point at
// each other, so whichever goes first must clear the other's link (RemoveBeam does).
#pragma once

#include <cstdint>

#include "util/node.h"

struct Object;
struct SDL_keysym;

// Where every beam starts, below the catcher's centre.
enum : int16_t { BEAM_START_Y = 250 };

struct Beam {
    NODE_Node link; // in game.beams
    int16_t startX, startY;
    int16_t endX, endY; // used when no object is attached
    Object* object;     // attached object, whose screen position is the end; or none
    uint32_t colour;    // 0xAARRGGBB; AA = 0 draws with a random opacity every frame
    uint16_t duration;  // frames of retraction; 0 = none
    uint16_t timer;     // frames left; 0 = stays until removed
};

// The KEY.LEFT and KEY.RIGHT handlers: hold the key's flag and run the movement sound.
int TurnLeftKey(SDL_keysym* key, uint8_t type, uintptr_t user);
int TurnRightKey(SDL_keysym* key, uint8_t type, uintptr_t user);
// Once per play frame, after the events: turn velocity and field angle.
void Steer();

// A beam from the catcher to the object (attached both ways) or, without one, to the end
// point. NULL when it cannot be allocated; then nothing changes. Freed by RemoveBeam or by
// the game's clean-up.
Beam* NewBeam(Object* object, int16_t endX, int16_t endY, uint32_t colour, uint16_t duration);
// Clears the attached object's link, unlinks and frees the beam; NULL is ignored.
void RemoveBeam(Beam* beam);
// Once per play frame: beams with a timer run down and go when it reaches 0.
void CountDownBeams();
void FreeAllBeams();
// One of the seven colours with each of red, green, blue full or off, but never black.
[[nodiscard]] uint32_t RandomPrimary();

// The play frame draws these onto the back buffer, after the rotated field.
void DrawCatcher();
// Every beam, then the flickering arc across the catcher.
void DrawBeams();
