#include "game/backdrop.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "game/objects.h"
#include "shell/app.h"
#include "toolkit/gfx/pix.h"
#include "util/kv.h"

namespace {

uint32_t rowColours[PICTURE_SIZE];
NODE_List objects;

constexpr int32_t PIXEL = 65536;

int32_t RandomColumn()
{
    return (rand() % 256 - 127) * PIXEL;
}

uint8_t Blend(int top, int bottom, int row)
{
    // Values outside 0..255 in the theme wrap round, as an 8-bit channel does. Any two ints
    // may come from the theme: 64 bits hold their difference times the row.
    const int64_t step = (static_cast<int64_t>(bottom) - top) * row / (PICTURE_SIZE - 1);
    return static_cast<uint8_t>((top + step) & 0xFF);
}

void AddObjects()
{
    for (int i = 0; i < BACKDROP_OBJECTS; i++) {
        const uint16_t objectClass = static_cast<uint16_t>(i % OBJECT_CLASSES);
        Object* object = NewObject(objectClass);
        if (object == nullptr) {
            continue;
        }
        object->x = RandomColumn();
        object->y = (rand() % 256 - 127) * PIXEL;
        object->vx = 0;
        // A random extra of less than a quarter pixel a frame: rand() / 2^31 of 16384.
        const auto extra = static_cast<int32_t>((static_cast<int64_t>(rand()) * 16384) >> 31);
        object->vy = (objectClass + 1) * 16384 + extra;
        object->link.data = object;
        NODE_AddTail(&object->link, &objects);
    }
}

} // namespace

bool InitBackdrop()
{
    FreeBackdrop();
    const char* value = nullptr;
    int c[6];
    if (!KV_GetString(app.descriptor, "BACKGROUND", &value) ||
        sscanf(value, "%d %d %d %d %d %d", &c[0], &c[1], &c[2], &c[3], &c[4], &c[5]) != 6) {
        return false;
    }
    if (app.backBuffer == nullptr) {
        return false;
    }
    for (int i = 0; i < PICTURE_SIZE; i++) {
        rowColours[i] = SDL_MapRGB(app.backBuffer->format, Blend(c[0], c[3], i),
                                   Blend(c[1], c[4], i), Blend(c[2], c[5], i));
    }
    AddObjects();
    return true;
}

void AnimateBackdrop()
{
    for (NODE_Node* node = objects.first; node != nullptr; node = node->next) {
        auto* object = static_cast<Object*>(node->data);
        MoveObject(object);
        if (object->y >= 127 * PIXEL + 1) {
            object->y = -136 * PIXEL;
            object->x = RandomColumn();
        }
    }
}

void DrawBackdrop()
{
    SDL_Surface* back = app.backBuffer;
    if (back == nullptr || back->format->BytesPerPixel != 4 ||
        app.backBufferX + PICTURE_SIZE > static_cast<uint32_t>(back->w) || back->h < PICTURE_SIZE) {
        return;
    }
    if (SDL_LockSurface(back) == 0) {
        for (int y = 0; y < PICTURE_SIZE; y++) {
            auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(back->pixels) +
                                                    y * back->pitch) +
                        app.backBufferX;
            for (int x = 0; x < PICTURE_SIZE; x++) {
                row[x] = rowColours[y];
            }
        }
        SDL_UnlockSurface(back);
    }
    for (NODE_Node* node = objects.first; node != nullptr; node = node->next) {
        const auto* object = static_cast<const Object*>(node->data);
        SDL_Surface* frame =
            app.objectsBack[object->objectClass % OBJECT_CLASSES][object->animFrame % OBJECT_FRAMES];
        if (frame != nullptr) {
            PIX_BlitAt(frame, back, static_cast<int>(app.centreX) + (object->x >> 16),
                       127 + (object->y >> 16));
        }
    }
    if (app.logo != nullptr) {
        PIX_BlitAt(app.logo, back, static_cast<int>(app.centreX) - app.logo->w / 2, 1);
    }
}

void FreeBackdrop()
{
    while (objects.first != nullptr) {
        auto* object = static_cast<Object*>(objects.first->data);
        NODE_Remove(&object->link);
        FreeObject(object);
    }
}

const uint32_t* BackdropColours()
{
    return rowColours;
}

const NODE_List* BackdropObjects()
{
    return &objects;
}
