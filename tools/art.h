// The pictures of a theme, drawn by code: the round playfield, the objects' animation, the
// sprite set (launcher, flashes, markers, catcher halves), the title logo and the menu box.
//
// Every function is deterministic: the same style gives the same pixels on every run.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/canvas.h"

// Geometry the game draws with.
constexpr int FIELD_SIZE = 383;        // the rotation source, arena centred at (191, 191)
constexpr int OBJECT_SIZE = 11;        // square objects, odd so that they centre on a pixel
constexpr int CATCHER_W = 32;          // each half; the left one stands at catcherLeft - 19
constexpr int CATCHER_H = 9;           // rows 246 to 254 of the screen
constexpr int SPRITE_FRAMES = 69;
constexpr int OBJECT_FRAMES = 6;

struct FieldStyle {
    Rgb outside;      // beyond the rim: dark and quiet
    Rgb floorCentre;
    Rgb floorEdge;
    Rgb lines;        // guide rings, spokes, spiral
    Rgb ring;         // the catch ring from 120 pixels
    Rgb rim;
    Rgb accent;       // the marker that shows where "up" of the arena is
    float spiralTurns;
    int ticks;
    uint32_t seed;
};

enum class ObjectShape { ORB, CRYSTAL };

FieldStyle DefaultFieldStyle();
FieldStyle EmberFieldStyle();

Canvas MakeField(const FieldStyle& style);
// Neutral grey frames: the game tints them into the four speed classes.
std::vector<Canvas> MakeObjects(ObjectShape shape);
// All 69 frames in the order the game indexes them.
std::vector<Canvas> MakeSprites();
Canvas MakeLogo();
// The menu box picture, cut by the game with 8-pixel borders on every side.
Canvas MakeTemplate();
// The colour of the box's centre, which menu text is drawn on.
Rgb TemplateCentre();
// The desktop icon, `size` pixels square: the arena of the default field with one object of
// each speed class in flight and the catcher at the bottom, cut round and averaged down.
// `tints` are the four classes' percentages as the game applies them to the grey objects.
Canvas MakeIcon(int size, const int tints[4][3]);
