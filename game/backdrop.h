// The backdrop: the animated picture behind the menu, the pause screen and the chart name
// entry. A vertical colour gradient from the theme's "BACKGROUND", fifty objects drifting
// down at speeds by their class, and the theme's logo at the top.
//
// Reads the descriptor, the back buffer's format, the object pictures in the back buffer's
// format and the logo from the program record; the objects are its own.
#pragma once

#include <cstdint>

#include "util/node.h"

enum { BACKDROP_OBJECTS = 50 };

// Builds the gradient and the drifting objects for the loaded theme (a backdrop already
// built is freed first). False, with no objects left, when "BACKGROUND" does not hold six
// numbers or there is no back buffer. Objects that cannot be allocated are left out.
// Free with FreeBackdrop.
[[nodiscard]] bool InitBackdrop();
// One frame of drift; an object that leaves the bottom starts again above the top.
void AnimateBackdrop();
// The gradient, the objects and the logo onto the back buffer.
void DrawBackdrop();
// Frees every object; harmless when nothing is built.
void FreeBackdrop();

// For the tests: the 255 row colours in the back buffer's pixel format, and the objects.
[[nodiscard]] const uint32_t* BackdropColours();
[[nodiscard]] const NODE_List* BackdropObjects();
