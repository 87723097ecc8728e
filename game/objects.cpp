#include "game/objects.h"

#include <SDL.h>

#include <cmath>
#include <cstdlib>

#include "game/catcher.h"
#include "game/extras.h"
#include "game/game.h"
#include "game/scoring.h"
#include "game/sounds.h"
#include "shell/app.h"
#include "toolkit/gfx/clock.h"
#include "toolkit/gfx/pix.h"
#include "util/mem.h"
#include "util/tools.h"

namespace {

// 127 pixels in 16.16: the distance from the launcher to the rim.
constexpr uint32_t RIM_DISTANCE = 127u << 16;
constexpr uint32_t SPEED_STEP = 16384; // a quarter pixel per frame

int32_t RoundToPixel(int32_t v)
{
    return (v + 32768) >> 16;
}

int32_t SquaredRadius(const Object* object)
{
    int32_t px = RoundToPixel(object->x);
    int32_t py = RoundToPixel(object->y);
    return px * px + py * py;
}

uint16_t Wrap(int32_t angle)
{
    return static_cast<uint16_t>(((angle % 1024) + 1024) % 1024);
}

int32_t AngularDistance(int32_t a, int32_t b)
{
    int32_t d = std::abs(Wrap(a) - Wrap(b));
    return d > 512 ? 1024 - d : d;
}

Object* ObjectOf(NODE_Node* node)
{
    return static_cast<Object*>(node->data);
}

// An earlier object that the player can still reach, and the new one could not be reached
// after it: launching now would force a miss.
bool LaunchWouldBeUnfair(uint16_t direction, uint32_t arrivalFrame)
{
    int32_t catcherDirection = game.fieldAngle + 256;
    for (NODE_Node* node = game.objects.first; node != nullptr; node = node->next) {
        const Object* other = ObjectOf(node);
        // A missed or overdue object is out of the player's hands, and a wrapped count of
        // frames would make it look catchable for ever.
        if (other->arrival == 0 || (other->stateBits & ST_MISSED) != 0) {
            continue;
        }
        int32_t framesLeft = static_cast<int32_t>(other->arrival - frameCounter);
        if (framesLeft < 0) {
            continue;
        }
        int32_t a1 = AngularDistance(catcherDirection, other->angle);
        int32_t a2 = AngularDistance(direction, other->angle);
        int32_t gap = std::abs(static_cast<int32_t>(arrivalFrame - other->arrival));
        bool stillCatchable = a1 <= Reach(static_cast<uint16_t>(framesLeft)) - game.leniency;
        bool newOneLost = Reach(static_cast<uint16_t>(gap)) - game.leniency < a2;
        if (stillCatchable && newOneLost) {
            return true;
        }
    }
    return false;
}

// Bookkeeping of an object that will neither be caught nor missed any more.
void Resolve()
{
    game.unresolved -= 1;
    if (game.unresolved == 0) {
        game.launchCountdown = 1;
    }
}

void Miss(Object* object)
{
    PlayOneShot(SOUND_MISS);
    if (game.target == object) {
        game.target = nullptr;
    }
    object->capabilities = 0;
    object->stateBits |= ST_MISSED;
    CountMiss();
    Resolve();
}

void KickBack(Object* object)
{
    object->stateBits = static_cast<uint8_t>((object->stateBits & ~ST_KICK_ARMED) | ST_KICKED);
    object->vx = -object->vx;
    object->vy = -object->vy;
    Reaim(object);
}

void Catch(Object* object)
{
    CountCatch(object->objectClass);
    PlayOneShot(SOUND_ZAP);
    NewFlash(static_cast<int16_t>(object->screenX), static_cast<int16_t>(object->screenY));
    DestroyObject(object);
}

// Each frame the object covers a quarter of the way to the point just inside the catcher.
void PullToCatcher(Object* object)
{
    int32_t px = static_cast<int32_t>(game.catcherCentre) - 127 - static_cast<int32_t>(app.backBufferX);
    int32_t py = 123;
    AUX_Rotate(&px, &py, game.fieldAngle);
    object->x = px * 65536 + (object->x - px * 65536) * 3 / 4;
    object->y = py * 65536 + (object->y - py * 65536) * 3 / 4;
}

}  // namespace

Object* NewObject(uint16_t objectClass)
{
    auto* object = static_cast<Object*>(MEM_Calloc(1, sizeof(Object)));
    if (object == nullptr) {
        return nullptr;
    }
    object->link.data = object;
    object->markerLink.data = object;
    object->objectClass = objectClass;
    object->animCountdown = static_cast<uint16_t>(4 - objectClass);
    object->capabilities = CAN_ALL;
    return object;
}

void FreeObject(Object* object)
{
    if (object == nullptr) {
        return;
    }
    NODE_Remove(&object->link);
    NODE_Remove(&object->markerLink);
    MEM_Free(object);
}

uint16_t Reach(uint16_t n)
{
    uint16_t m = game.maxTurnSpeed;
    if (n < m) {
        return static_cast<uint16_t>(n * (n + 1) / 2);
    }
    return static_cast<uint16_t>(game.reachBonus + (n - m + 1) * m);
}

void LaunchCountdown()
{
    game.launchCountdown = static_cast<int16_t>(game.launchCountdown - 1);
    if (game.launchCountdown == 0) {
        Launch();
    }
}

void Launch()
{
    if (game.nextClass == -1) {
        game.nextClass = rand() % 4;
    }
    uint32_t speed = static_cast<uint32_t>(game.levelMajor + game.nextClass) * SPEED_STEP;
    if (speed == 0) {
        // Only reachable before the level clock has run; try again next frame.
        game.launchCountdown = 1;
        return;
    }
    uint32_t frames = RIM_DISTANCE / speed;
    uint32_t arrivalFrame = frameCounter + frames;

    int32_t spread = static_cast<int32_t>(Reach(static_cast<uint16_t>(frames))) - game.leniency;
    int32_t count = 2 * spread + 1;
    if (spread <= 9) {
        spread = 10;
        count = 21;
    }
    uint16_t direction = Wrap(game.fieldAngle + 256 - spread + rand() % count);

    if (game.leniency != 0 && LaunchWouldBeUnfair(direction, arrivalFrame)) {
        game.launchCountdown = 1;
        return;
    }

    Object* object = NewObject(static_cast<uint16_t>(game.nextClass));
    if (object == nullptr) {
        app.runState = RUN_QUIT;
        return;
    }
    int32_t vx = static_cast<int32_t>(speed);
    int32_t vy = 0;
    AUX_Rotate(&vx, &vy, direction);
    object->speed = speed;
    object->vx = vx;
    object->vy = vy;
    object->angle = direction;
    object->arrival = arrivalFrame;
    NODE_AddTail(&object->link, &game.objects);

    int32_t objectClass = game.nextClass;
    game.nextClass = -1;
    game.unresolved += 1;
    game.launchCountdown = static_cast<int16_t>((50 - game.levelMinor) * (objectClass + 1) + 4);
    game.centreFrame = 9;
    game.centreLastFrame = 11;
    game.centreLoopStart = 9;
    TraceGame("launch class %d angle %u arrival %u", static_cast<int>(objectClass),
              static_cast<unsigned>(direction), static_cast<unsigned>(arrivalFrame));
    PlayOneShot(SOUND_SHOT);
}

void MoveObject(Object* object)
{
    object->animCountdown = static_cast<uint16_t>(object->animCountdown - 1);
    if (object->animCountdown == 0) {
        object->animFrame = static_cast<uint16_t>((object->animFrame + 1) % 6);
        object->animCountdown = static_cast<uint16_t>(4 - object->objectClass);
    }
    object->x += object->vx;
    object->y += object->vy;
}

void Reaim(Object* object)
{
    int32_t x8 = (object->x + 128) >> 8;
    int32_t y8 = (object->y + 128) >> 8;
    // Beyond the rim (a kicked-back object) the squares add up past 2^31.
    int64_t squares = static_cast<int64_t>(x8) * x8 + static_cast<int64_t>(y8) * y8;
    int32_t r = (static_cast<int32_t>(std::floor(std::sqrt(static_cast<double>(squares)))) + 128) >> 8;
    bool inward = (x8 < 0 && object->vx > 0) || (x8 > 0 && object->vx < 0) ||
                  (y8 < 0 && object->vy > 0) || (y8 > 0 && object->vy < 0);
    int32_t distance = inward ? 127 + r : 127 - r;
    if (object->speed == 0) {
        object->arrival = 0;
        return;
    }
    object->arrival = (static_cast<uint32_t>(distance) << 16) / object->speed + frameCounter;
}

void ObjectScreenPosition(const Object* object, int32_t* screenX, int32_t* screenY)
{
    int32_t qx = object->x >= 0 ? (object->x + 8) >> 4 : (object->x - 2) >> 4;
    int32_t qy = object->y >= 0 ? (object->y + 8) >> 4 : (object->y - 2) >> 4;
    AUX_Rotate(&qx, &qy, static_cast<uint16_t>((1024 - game.fieldAngle) % 1024));
    *screenX = ((qx + 522240) >> 12) + static_cast<int32_t>(app.backBufferX);
    *screenY = (qy + 522240) >> 12;
}

void JudgeObjects()
{
    int32_t best = 0;
    NODE_Node* next = nullptr;
    for (NODE_Node* node = game.objects.first; node != nullptr; node = next) {
        next = node->next;
        Object* object = ObjectOf(node);
        if (object != game.frozenObject) {
            MoveObject(object);
        }
        if ((object->stateBits & ST_MAGNETISED) != 0) {
            PullToCatcher(object);
        }
        ObjectScreenPosition(object, &object->screenX, &object->screenY);
        int32_t r2 = SquaredRadius(object);
        if (r2 >= REMOVAL_SQUARED) {
            DestroyObject(object);
        } else if (r2 >= RIM_SQUARED) {
            if ((object->stateBits & ST_MISSED) == 0) {
                if ((object->stateBits & ST_KICK_ARMED) != 0) {
                    KickBack(object);
                } else {
                    Miss(object);
                }
            }
        } else if (r2 > CATCH_RING_SQUARED && object->screenY > CATCHER_LINE &&
                   game.catcherLeft <= object->screenX && object->screenX <= game.catcherRight) {
            Catch(object);
        } else if ((object->capabilities & CAN_TARGET) != 0 && r2 > best) {
            best = r2;
            game.target = object;
        }
    }
}

void DestroyObject(Object* object)
{
    if (object == nullptr) {
        return;
    }
    if ((object->stateBits & ST_MISSED) == 0) {
        Resolve();
    }
    if (game.target == object) {
        game.target = nullptr;
    }
    if (game.frozenObject == object) {
        EndFreeze();
    }
    if (object->beam != nullptr) {
        RemoveBeam(object->beam);
    }
    FreeObject(object);
}

void FreeAllObjects()
{
    while (game.objects.first != nullptr) {
        Object* object = ObjectOf(game.objects.first);
        if (object->beam != nullptr) {
            RemoveBeam(object->beam);
        }
        FreeObject(object);
    }
    game.marked = NODE_List{};
    game.target = nullptr;
    game.frozenObject = nullptr;
}

void NewFlash(int16_t x, int16_t y)
{
    auto* flash = static_cast<Flash*>(MEM_Calloc(1, sizeof(Flash)));
    if (flash == nullptr) {
        return;
    }
    flash->link.data = flash;
    flash->x = x;
    flash->y = y;
    flash->frame = 12;
    NODE_AddTail(&flash->link, &game.flashes);
}

void AgeFlashes()
{
    NODE_Node* next = nullptr;
    for (NODE_Node* node = game.flashes.first; node != nullptr; node = next) {
        next = node->next;
        auto* flash = static_cast<Flash*>(node->data);
        flash->frame = static_cast<uint16_t>(flash->frame + 1);
        if (flash->frame >= 16) {
            NODE_Remove(&flash->link);
            MEM_Free(flash);
        }
    }
}

void FreeAllFlashes()
{
    while (game.flashes.first != nullptr) {
        auto* flash = static_cast<Flash*>(game.flashes.first->data);
        NODE_Remove(&flash->link);
        MEM_Free(flash);
    }
}

void DrawObject(const Object* object)
{
    SDL_Surface* frame = app.objectsSource[object->objectClass & 3][object->animFrame % 6];
    if (frame == nullptr || app.rotationSource == nullptr) {
        return;
    }
    int32_t h = frame->w / 2;
    BlitOntoSource(frame, 191 - h + RoundToPixel(object->x), 191 - h + RoundToPixel(object->y));
}

namespace {

bool SameLayout(const SDL_PixelFormat* a, const SDL_PixelFormat* b)
{
    return a->BytesPerPixel == 4 && b->BytesPerPixel == 4 && a->Rmask == b->Rmask &&
           a->Gmask == b->Gmask && a->Bmask == b->Bmask;
}

uint32_t Blend(uint32_t source, uint32_t destination, uint32_t alpha, uint32_t colourMask)
{
    if (alpha == 255) {
        return (source & colourMask) | (destination & ~colourMask);
    }
    uint32_t result = destination & ~colourMask;
    for (uint32_t shift = 0; shift < 32; shift += 8) {
        uint32_t mask = 0xFFu << shift;
        if ((colourMask & mask) == 0) {
            continue;
        }
        auto s = static_cast<int32_t>((source >> shift) & 0xFF);
        auto d = static_cast<int32_t>((destination >> shift) & 0xFF);
        auto mixed = static_cast<uint32_t>(d + (((s - d) * static_cast<int32_t>(alpha)) >> 8));
        result |= (mixed & 0xFF) << shift;
    }
    return result;
}

}  // namespace

void BlitOntoSource(SDL_Surface* picture, int32_t x, int32_t y)
{
    SDL_Surface* target = app.rotationSource;
    if (picture == nullptr || target == nullptr) {
        return;
    }
    if (!SameLayout(picture->format, target->format)) {
        (void)PIX_BlitAt(picture, target, static_cast<int16_t>(x), static_cast<int16_t>(y));
        return;
    }
    const SDL_Rect& clip = target->clip_rect;
    int32_t left = x > clip.x ? x : clip.x;
    int32_t top = y > clip.y ? y : clip.y;
    int32_t right = x + picture->w < clip.x + clip.w ? x + picture->w : clip.x + clip.w;
    int32_t bottom = y + picture->h < clip.y + clip.h ? y + picture->h : clip.y + clip.h;
    if (left >= right || top >= bottom || SDL_LockSurface(target) != 0) {
        return;
    }
    if (SDL_LockSurface(picture) != 0) {
        SDL_UnlockSurface(target);
        return;
    }
    const SDL_PixelFormat* format = picture->format;
    bool blended = (picture->flags & SDL_SRCALPHA) != 0 && format->Amask != 0;
    bool keyed = !blended && (picture->flags & SDL_SRCCOLORKEY) != 0;
    uint32_t colourMask = format->Rmask | format->Gmask | format->Bmask;
    for (int32_t row = top; row < bottom; ++row) {
        const auto* from = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(picture->pixels) +
                                                             (row - y) * picture->pitch) + (left - x);
        auto* to = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(target->pixels) + row * target->pitch) + left;
        for (int32_t column = left; column < right; ++column, ++from, ++to) {
            uint32_t pixel = *from;
            if (blended) {
                uint32_t alpha = (pixel & format->Amask) >> format->Ashift;
                if (alpha != 0) {
                    *to = Blend(pixel, *to, alpha, colourMask);
                }
            } else if (!keyed || pixel != format->colorkey) {
                *to = pixel;
            }
        }
    }
    SDL_UnlockSurface(picture);
    SDL_UnlockSurface(target);
}
