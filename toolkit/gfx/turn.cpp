#include "toolkit/gfx/turn.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "toolkit/gfx/pix.h"
#include "util/mem.h"
#include "util/tools.h"

namespace {

// Angles past a full turn would index beyond the tables.
uint16_t TableAngle(uint16_t angle)
{
    return static_cast<uint16_t>(angle & (AUX_ANGLES - 1));
}

int64_t FloorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

template <bool keyed>
void Span(const PIX_Transform* t, const SDL_Rect* rect, int32_t zi, int32_t c, int32_t s)
{
    const SDL_Surface* source = t->source;
    SDL_Surface* destination = t->destination;
    const int halfW = rect->w >> 1;
    const int halfH = rect->h >> 1;
    // 64 bits: zi reaches 65535 and c * x alone 2^25 at the widest rectangle.
    const int64_t z = zi;
    const int64_t du = z * c / 256;
    const int64_t dv = z * s / 256;
    const int firstX = -halfW;
    for (int y = -halfH; y < rect->h - halfH; y++) {
        const int dy = rect->y + y + halfH;
        if (dy < 0 || dy >= destination->h) {
            continue;
        }
        int64_t u = z * (int64_t{c} * firstX - int64_t{s} * y) / 256;
        int64_t v = z * (int64_t{s} * firstX + int64_t{c} * y) / 256;
        uint32_t* row = PIX_Row(destination, dy);
        for (int i = 0; i < rect->w; i++, u += du, v += dv) {
            const int dx = rect->x + i;
            if (dx < 0 || dx >= destination->w) {
                continue;
            }
            const int64_t sx = t->pivotX + (u >> 10);
            const int64_t sy = t->pivotY + (v >> 10);
            if (sx < 0 || sy < 0 || sx >= source->w || sy >= source->h) {
                continue;
            }
            const uint32_t pixel = PIX_Row(source, static_cast<int>(sy))[sx];
            if (keyed && pixel == t->colourKey) {
                continue;
            }
            row[dx] = pixel;
        }
    }
}

// Renders the picture turned and scaled into the work surface around its centre and makes
// the work surface the sprite's current one.
void RenderTurned(ACT_Sprite* sprite)
{
    SDL_Surface* picture = sprite->picture;
    SDL_Surface* work = sprite->work;
    sprite->current = work;
    sprite->hotX = static_cast<uint16_t>(work->w >> 1);
    sprite->hotY = static_cast<uint16_t>(work->h >> 1);
    sprite->source = SDL_Rect{static_cast<int16_t>(sprite->hotX), static_cast<int16_t>(sprite->hotY), 0, 0};
    if (sprite->zoom == 0) {
        return;
    }
    const uint16_t angle = TableAngle(sprite->angle);
    const int64_t c = AUX_Cosine[angle];
    const int64_t s = AUX_Sine[angle];
    const int64_t zoom = sprite->zoom;
    const int64_t pw = picture->w;
    const int64_t ph = picture->h;
    // Half the extent of the turned picture, rounded up; the picture is turned by 1024 - angle,
    // whose sine only differs in sign, so the extent is the same.
    const int64_t scale = int64_t{2} * AUX_TRIG_ONE * PIX_ZOOM_ONE;
    const int64_t halfW = ((std::abs(c) * pw + std::abs(s) * ph) * zoom + scale - 1) / scale;
    const int64_t halfH = ((std::abs(s) * pw + std::abs(c) * ph) * zoom + scale - 1) / scale;
    const int64_t x0 = std::max<int64_t>(0, sprite->hotX - halfW);
    const int64_t y0 = std::max<int64_t>(0, sprite->hotY - halfH);
    const int64_t x1 = std::min<int64_t>(work->w, sprite->hotX + halfW);
    const int64_t y1 = std::min<int64_t>(work->h, sprite->hotY + halfH);
    if (x1 <= x0 || y1 <= y0) {
        return;
    }
    SDL_Rect box{static_cast<int16_t>(x0), static_cast<int16_t>(y0), static_cast<uint16_t>(x1 - x0),
                 static_cast<uint16_t>(y1 - y0)};
    SDL_FillRect(work, &box, picture->format->colorkey);
    sprite->source = box;

    PIX_SurfaceLock lockPicture(picture);
    PIX_SurfaceLock lockWork(work);
    if (!lockPicture.Locked() || !lockWork.Locked()) {
        return;
    }
    // Pixel centres in half pixels about the hot spot, mapped back by the turn of `angle`
    // and 256 / zoom into 1/1024 source pixels about the picture's centre.
    for (int64_t y = y0; y < y1; y++) {
        const int64_t y2 = 2 * (y - sprite->hotY) + 1;
        uint32_t* row = PIX_Row(work, static_cast<int>(y));
        for (int64_t x = x0; x < x1; x++) {
            const int64_t x2 = 2 * (x - sprite->hotX) + 1;
            const int64_t u = pw * 512 + FloorDiv((c * x2 - s * y2) * 128, zoom);
            const int64_t v = ph * 512 + FloorDiv((s * x2 + c * y2) * 128, zoom);
            const int64_t sx = u >> 10;
            const int64_t sy = v >> 10;
            if (sx >= 0 && sy >= 0 && sx < pw && sy < ph) {
                row[x] = PIX_Row(picture, static_cast<int>(sy))[sx];
            }
        }
    }
}

void UpdateSprite(ACT_Sprite* sprite)
{
    if (sprite->work == nullptr ||
        (sprite->angle == sprite->renderedAngle && sprite->zoom == sprite->renderedZoom)) {
        return;
    }
    sprite->renderedAngle = sprite->angle;
    sprite->renderedZoom = sprite->zoom;
    if (TableAngle(sprite->angle) == 0 && sprite->zoom == PIX_ZOOM_ONE) {
        SDL_Surface* picture = sprite->picture;
        sprite->current = picture;
        sprite->source = SDL_Rect{0, 0, static_cast<uint16_t>(picture->w), static_cast<uint16_t>(picture->h)};
        sprite->hotX = static_cast<uint16_t>(picture->w >> 1);
        sprite->hotY = static_cast<uint16_t>(picture->h >> 1);
        return;
    }
    RenderTurned(sprite);
}

SDL_Rect SpriteArea(const ACT_Sprite* sprite)
{
    const int x = sprite->source.x + sprite->x - sprite->hotX;
    const int y = sprite->source.y + sprite->y - sprite->hotY;
    return SDL_Rect{static_cast<int16_t>(std::clamp(x, -32768, 32767)),
                    static_cast<int16_t>(std::clamp(y, -32768, 32767)), sprite->source.w, sprite->source.h};
}

} // namespace

void PIX_SpanCopy(const PIX_Transform* transform, const SDL_Rect* rect, int32_t zi, int32_t cosine,
                  int32_t sine)
{
    Span<false>(transform, rect, zi, cosine, sine);
}

void PIX_SpanCopyKeyed(const PIX_Transform* transform, const SDL_Rect* rect, int32_t zi,
                       int32_t cosine, int32_t sine)
{
    Span<true>(transform, rect, zi, cosine, sine);
}

void PIX_DrawTransformed(const PIX_Transform* transform)
{
    if (transform == nullptr || transform->span == nullptr || transform->zoom == 0 ||
        !PIX_FourBytes(transform->source) || !PIX_FourBytes(transform->destination)) {
        return;
    }
    PIX_SurfaceLock lockSource(transform->source);
    PIX_SurfaceLock lockDestination(transform->destination);
    if (!lockSource.Locked() || !lockDestination.Locked()) {
        return;
    }
    SDL_Rect rect;
    if (transform->rect != nullptr) {
        rect = *transform->rect;
    } else {
        rect = SDL_Rect{0, 0, static_cast<uint16_t>(transform->destination->w),
                        static_cast<uint16_t>(transform->destination->h)};
    }
    const auto zi = static_cast<int32_t>(static_cast<uint16_t>(65536 / transform->zoom));
    int32_t c = transform->cosine;
    int32_t s = transform->sine;
    if ((transform->flags & PIX_TRANSFORM_TABLES) != 0) {
        const uint16_t angle = TableAngle(transform->angle);
        c = AUX_Cosine[angle];
        s = AUX_Sine[angle];
    }
    transform->span(transform, &rect, zi, c, s);
}

ACT_Sprite* ACT_NewSprite(SDL_Surface* picture, uint16_t maxZoom)
{
    if (!PIX_FourBytes(picture) || maxZoom == 0 || picture->w <= 0 || picture->h <= 0) {
        return nullptr;
    }
    const double diagonal = std::sqrt(static_cast<double>(picture->w) * picture->w +
                                      static_cast<double>(picture->h) * picture->h);
    const int64_t side = static_cast<int64_t>(std::ceil(diagonal * maxZoom / 256.0)) + 2;
    if (side > PIX_MAX_SIDE) {
        return nullptr;
    }
    auto* sprite = static_cast<ACT_Sprite*>(MEM_Calloc(1, sizeof(ACT_Sprite)));
    if (sprite == nullptr) {
        return nullptr;
    }
    sprite->work = PIX_CreateLike(picture, static_cast<int>(side), static_cast<int>(side), 0);
    if (sprite->work == nullptr) {
        MEM_Free(sprite);
        return nullptr;
    }
    sprite->picture = picture;
    sprite->current = picture;
    sprite->source = SDL_Rect{0, 0, static_cast<uint16_t>(picture->w), static_cast<uint16_t>(picture->h)};
    sprite->hotX = static_cast<uint16_t>(picture->w >> 1);
    sprite->hotY = static_cast<uint16_t>(picture->h >> 1);
    sprite->zoom = PIX_ZOOM_ONE;
    sprite->renderedZoom = PIX_ZOOM_ONE;
    sprite->alpha = 255;
    return sprite;
}

void ACT_FreeSprite(ACT_Sprite* sprite)
{
    if (sprite == nullptr) {
        return;
    }
    SDL_FreeSurface(sprite->work);
    MEM_Free(sprite);
}

int ACT_DrawSprite(ACT_Sprite* sprite, SDL_Surface* destination)
{
    if (sprite == nullptr || sprite->current == nullptr || destination == nullptr) {
        return -1;
    }
    UpdateSprite(sprite);
    if (sprite->current->format->alpha != sprite->alpha) {
        SDL_SetAlpha(sprite->current, SDL_SRCALPHA, sprite->alpha);
    }
    SDL_Rect from = sprite->source;
    SDL_Rect to = SpriteArea(sprite);
    return SDL_UpperBlit(sprite->current, &from, destination, &to);
}

void ACT_GetSpriteRect(ACT_Sprite* sprite, SDL_Rect* rect)
{
    if (sprite == nullptr || sprite->current == nullptr || rect == nullptr) {
        return;
    }
    UpdateSprite(sprite);
    *rect = SpriteArea(sprite);
}
