// Turned and scaled pictures: a direct transformed draw into a destination rectangle
// (inverse mapping, nearest pixel), and sprites that keep a turned copy of their picture in
// a work surface and render it again only when their angle or zoom has changed.
//
// Depends on toolkit/gfx/pix.h, util/tools.h (the sine and cosine tables, filled by
// AUX_InitTrigTables) and util/mem.h. Angles are 1/1024 of a turn, zooms 1/256 (256 =
// natural size). Works on 32-bit surfaces only. Not thread-safe.
#pragma once

#include <SDL.h>

#include <cstdint>

enum : uint16_t {
    PIX_ZOOM_ONE = 256,
};

enum : uint32_t {
    PIX_TRANSFORM_TABLES = 1, // take sine and cosine from the tables at `angle`
};

struct PIX_Transform;

// Fills the rectangle row by row with samples of the source; both surfaces are locked and
// checked by PIX_DrawTransformed before it is called. zi is 65536 / zoom taken to 16 bits;
// cosine and sine are scaled by 1024.
using PIX_SpanFn = void (*)(const PIX_Transform* transform, const SDL_Rect* rect, int32_t zi,
                            int32_t cosine, int32_t sine);

// Filled by the caller.
struct PIX_Transform {
    SDL_Surface* source;
    SDL_Surface* destination;
    PIX_SpanFn span;
    uint32_t colourKey;         // raw pixel value the keyed span leaves out
    const SDL_Rect* rect;       // in the destination; NULL = all of it
    int32_t pivotX;             // the source point that lands on the rectangle's centre
    int32_t pivotY;
    int32_t cosine;             // times 1024, used without PIX_TRANSFORM_TABLES
    int32_t sine;
    uint16_t angle;
    uint16_t zoom;
    uint32_t flags;
};

// Draws the source turned and scaled into the rectangle, the pivot on its centre. Nothing is
// drawn for a NULL span function or surface, zoom 0, a surface that is not 4 bytes a pixel
// or one that cannot be locked. The rectangle is cut to the destination, and samples that
// fall outside the source leave their destination pixel alone.
void PIX_DrawTransformed(const PIX_Transform* transform);
// The span functions: every sample copied, or every sample but the colour key.
void PIX_SpanCopy(const PIX_Transform* transform, const SDL_Rect* rect, int32_t zi, int32_t cosine,
                  int32_t sine);
void PIX_SpanCopyKeyed(const PIX_Transform* transform, const SDL_Rect* rect, int32_t zi,
                       int32_t cosine, int32_t sine);

// A picture drawn turned and scaled about its hot spot. Fields other than x, y, angle, zoom
// and alpha are read only.
struct ACT_Sprite {
    SDL_Surface* picture;  // not owned
    SDL_Surface* work;     // owned; NULL = the sprite is always drawn unturned
    SDL_Surface* current;  // the picture or the work surface: the one blitted
    SDL_Rect source;       // the part of `current` that is blitted
    int16_t x;             // where the hot spot goes on the destination
    int16_t y;
    uint16_t hotX;
    uint16_t hotY;
    uint16_t angle;
    uint16_t renderedAngle;
    uint16_t zoom;
    uint16_t renderedZoom;
    uint8_t alpha;         // surface alpha the blit uses
};

// A sprite of the picture, unturned at natural size and opaque, with a work surface in the
// picture's format large enough for any angle up to `maxZoom`. NULL for a NULL picture, one
// that is not 4 bytes a pixel, a zoom of 0, or on an allocation failure. Free with
// ACT_FreeSprite (the picture stays the caller's).
[[nodiscard]] ACT_Sprite* ACT_NewSprite(SDL_Surface* picture, uint16_t maxZoom);
void ACT_FreeSprite(ACT_Sprite* sprite);
// Renders again if the angle or zoom changed, sets the alpha and blits. Returns
// SDL_UpperBlit's result, negative also for NULL arguments.
int ACT_DrawSprite(ACT_Sprite* sprite, SDL_Surface* destination);
// Renders again if needed and writes the destination rectangle the sprite covers. Nothing
// for NULL arguments.
void ACT_GetSpriteRect(ACT_Sprite* sprite, SDL_Rect* rect);
