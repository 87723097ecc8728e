#include "toolkit/gfx/pix.h"

#include <algorithm>
#include <cstring>

#include "toolkit/ui/inp.h"
#include "util/mem.h"

namespace {

NODE_List imageList{};

uint32_t Put(uint32_t component, uint8_t shift)
{
    return shift >= 32 ? 0 : (component & 255u) << shift;
}

uint32_t Get(uint32_t pixel, uint8_t shift)
{
    return shift >= 32 ? 0 : (pixel >> shift) & 255u;
}

uint32_t ColourMask(const SDL_PixelFormat* f)
{
    return f->Rmask | f->Gmask | f->Bmask;
}

uint32_t PackRgb(const SDL_PixelFormat* f, uint32_t r, uint32_t g, uint32_t b)
{
    return (Put(r, f->Rshift) & f->Rmask) | (Put(g, f->Gshift) & f->Gmask) |
           (Put(b, f->Bshift) & f->Bmask);
}

// Runs `change` over every pixel of a 4-byte surface; keyed runs skip the colour key.
template <typename Change>
void ForEachPixel(SDL_Surface* surface, bool keyed, Change change)
{
    if (!PIX_FourBytes(surface)) {
        return;
    }
    PIX_SurfaceLock lock(surface);
    if (!lock.Locked()) {
        return;
    }
    const uint32_t key = surface->format->colorkey;
    for (int y = 0; y < surface->h; y++) {
        uint32_t* row = PIX_Row(surface, y);
        for (int x = 0; x < surface->w; x++) {
            if (keyed && row[x] == key) {
                continue;
            }
            row[x] = change(row[x]);
        }
    }
}

uint32_t Le16(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}

uint32_t Le32(const uint8_t* p)
{
    return Le16(p) | Le16(p + 2) << 16;
}

// SDL's own reader trusts the header's size fields, so a forged header could make it ask
// for gigabytes; the header is checked against our limits and the stream's length first.
// Leaves the stream where it was.
bool BmpHeaderIsSane(SDL_RWops* rw)
{
    if (rw == nullptr) {
        return false;
    }
    const int start = SDL_RWtell(rw);
    const int end = start < 0 ? -1 : SDL_RWseek(rw, 0, RW_SEEK_END);
    if (end < start || SDL_RWseek(rw, start, RW_SEEK_SET) != start) {
        return false;
    }
    const int64_t size = int64_t{end} - start;
    uint8_t h[34] = {};
    const int got = SDL_RWread(rw, h, 1, sizeof h);
    SDL_RWseek(rw, start, RW_SEEK_SET);
    if (got < 26 || h[0] != 'B' || h[1] != 'M') {
        return false;
    }
    const int64_t dataOffset = Le32(h + 10);
    const uint32_t infoSize = Le32(h + 14);
    int64_t width = 0;
    int64_t height = 0;
    uint32_t depth = 0;
    uint32_t compression = 0;
    if (infoSize == 12) {
        width = Le16(h + 18);
        height = Le16(h + 20);
        depth = Le16(h + 24);
    } else if (infoSize >= 40 && got == static_cast<int>(sizeof h)) {
        width = static_cast<int32_t>(Le32(h + 18));
        height = static_cast<int32_t>(Le32(h + 22));
        depth = Le16(h + 28);
        compression = Le32(h + 30);
    } else {
        return false;
    }
    height = height < 0 ? -height : height;
    if (width < 1 || height < 1 || width > PIX_MAX_SIDE || height > PIX_MAX_SIDE ||
        width * height > PIX_MAX_PIXELS) {
        return false;
    }
    if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32) {
        return false;
    }
    if (dataOffset >= size) {
        return false;
    }
    if (compression == 0 || compression == 3) {
        const int64_t rowBytes = (width * depth + 31) / 32 * 4;
        return dataOffset + rowBytes * height <= size;
    }
    // Run-length data is shorter than its picture; SDL's decoder bounds it by the picture.
    return compression == 1 || compression == 2;
}

struct LoadPlan {
    SDL_PixelFormat format;
    uint32_t flags;
    int32_t alpha;
    int32_t key;
};

bool PlanLoad(LoadPlan* plan, bool withMask, int32_t alpha, int32_t colourKey,
              const SDL_PixelFormat* format, uint32_t flags)
{
    uint32_t displayFlags = 0;
    bool display = false;
    if (format == nullptr) {
        const SDL_VideoInfo* info = SDL_GetVideoInfo();
        if (info == nullptr || info->vfmt == nullptr) {
            return false;
        }
        format = info->vfmt;
        display = true;
        if (const SDL_Surface* screen = SDL_GetVideoSurface()) {
            displayFlags = screen->flags;
        }
    }
    if (withMask) {
        alpha = -1;
        colourKey = -1;
    } else if (alpha < -1 || alpha > 255 || colourKey < -1 || colourKey > 0xFFFFFF) {
        return false;
    }
    if (format->BitsPerPixel != 32) {
        return false;
    }
    plan->format = *format;
    plan->format.palette = nullptr;
    plan->alpha = alpha;
    plan->key = colourKey;

    uint32_t conversion = flags & (SDL_HWSURFACE | SDL_RLEACCEL);
    if (alpha != -1) {
        conversion |= SDL_SRCALPHA;
    }
    if (colourKey != -1) {
        conversion |= SDL_SRCCOLORKEY;
    }
    if (display && (conversion & SDL_HWSURFACE) == 0) {
        conversion |= displayFlags & SDL_HWSURFACE;
    }
    if (alpha == -1 && colourKey == -1) {
        conversion &= ~static_cast<uint32_t>(SDL_RLEACCEL);
    }
    plan->flags = conversion;

    SDL_PixelFormat& f = plan->format;
    if (withMask) {
        const int shift = 48 - (f.Rshift + f.Gshift + f.Bshift);
        // Only a layout of four 8-bit channels leaves a whole byte for the mask.
        if (shift < 0 || shift > 24 || (~ColourMask(&f)) != (0xFFu << shift)) {
            return false;
        }
        f.Amask = ~ColourMask(&f);
        f.Ashift = static_cast<uint8_t>(shift);
        f.Aloss = 0;
    } else {
        f.Amask = 0;
        f.Ashift = 0;
        f.Aloss = 8;
    }
    return true;
}

SDL_Surface* LoadRaw(SDL_RWops* rw)
{
    if (!BmpHeaderIsSane(rw) || !MEM_Allow()) {
        return nullptr;
    }
    return SDL_LoadBMP_RW(rw, 0);
}

bool ApplyMask(SDL_Surface* picture, SDL_Surface* mask)
{
    if (mask->w != picture->w || mask->h != picture->h || mask->format->BitsPerPixel != 8 ||
        !PIX_FourBytes(picture) || mask->pixels == nullptr) {
        return false;
    }
    PIX_SurfaceLock lockPicture(picture);
    PIX_SurfaceLock lockMask(mask);
    if (!lockPicture.Locked() || !lockMask.Locked()) {
        return false;
    }
    const SDL_PixelFormat* f = picture->format;
    for (int y = 0; y < picture->h; y++) {
        uint32_t* row = PIX_Row(picture, y);
        const uint8_t* indices = static_cast<const uint8_t*>(mask->pixels) +
                                 static_cast<size_t>(y) * mask->pitch;
        for (int x = 0; x < picture->w; x++) {
            const uint32_t a = Put(static_cast<uint32_t>(indices[x] >> f->Aloss), f->Ashift);
            row[x] = (row[x] & ~f->Amask) | (a & f->Amask);
        }
    }
    return true;
}

SDL_Surface* LoadPlanned(const LoadPlan& plan, SDL_RWops* pictureRw, SDL_RWops* maskRw)
{
    SDL_Surface* loaded = LoadRaw(pictureRw);
    if (loaded == nullptr) {
        return nullptr;
    }
    SDL_PixelFormat format = plan.format;
    SDL_Surface* picture = MEM_Allow() ? SDL_ConvertSurface(loaded, &format, plan.flags) : nullptr;
    SDL_FreeSurface(loaded);
    if (picture == nullptr) {
        return nullptr;
    }
    if (!PIX_FourBytes(picture)) {
        SDL_FreeSurface(picture);
        return nullptr;
    }
    if (plan.alpha != -1) {
        SDL_SetAlpha(picture, (plan.flags & SDL_RLEACCEL) | SDL_SRCALPHA,
                     static_cast<uint8_t>(plan.alpha & 255));
    }
    if (plan.key != -1) {
        SDL_SetColorKey(picture, (plan.flags & SDL_RLEACCEL) | SDL_SRCCOLORKEY,
                        PIX_Pack(picture->format, static_cast<uint32_t>(plan.key)));
    }
    if (maskRw != nullptr) {
        SDL_Surface* mask = LoadRaw(maskRw);
        const bool applied = mask != nullptr && ApplyMask(picture, mask);
        SDL_FreeSurface(mask);
        if (!applied) {
            SDL_FreeSurface(picture);
            return nullptr;
        }
        // sdl12-compat leaves SDL_SRCALPHA off on converted surfaces even when they carry an
        // alpha channel, and without it the mask would be blitted as opaque.
        SDL_SetAlpha(picture, (plan.flags & SDL_RLEACCEL) | SDL_SRCALPHA, SDL_ALPHA_OPAQUE);
    }
    return picture;
}

SDL_RWops* OpenFile(const char* name)
{
    return MEM_Allow() ? SDL_RWFromFile(name, "rb") : nullptr;
}

uint32_t CreationFlags(const SDL_Surface* model)
{
    uint32_t flags = model->flags & (SDL_HWSURFACE | SDL_SRCCOLORKEY | SDL_SRCALPHA);
    if ((model->flags & SDL_RLEACCELOK) != 0) {
        flags |= SDL_RLEACCEL;
    }
    return flags;
}

// The source must be locked by the caller.
SDL_Surface* CopyLockedRect(SDL_Surface* source, const SDL_Rect& r)
{
    const SDL_PixelFormat* f = source->format;
    SDL_Surface* copy = MEM_Allow() ? SDL_CreateRGBSurface(CreationFlags(source), r.w, r.h,
                                                           f->BitsPerPixel, f->Rmask, f->Gmask,
                                                           f->Bmask, f->Amask)
                                    : nullptr;
    if (copy == nullptr) {
        return nullptr;
    }
    bool copied = false;
    {
        PIX_SurfaceLock lock(copy);
        if (lock.Locked() && copy->pixels != nullptr && copy->format->BytesPerPixel == f->BytesPerPixel) {
            const size_t bytes = static_cast<size_t>(r.w) * f->BytesPerPixel;
            for (int y = 0; y < r.h; y++) {
                const uint8_t* from = static_cast<const uint8_t*>(source->pixels) +
                                      static_cast<size_t>(r.y + y) * source->pitch +
                                      static_cast<size_t>(r.x) * f->BytesPerPixel;
                std::memcpy(static_cast<uint8_t*>(copy->pixels) + static_cast<size_t>(y) * copy->pitch,
                            from, bytes);
            }
            copied = true;
        }
    }
    if (!copied) {
        SDL_FreeSurface(copy);
        return nullptr;
    }
    if ((source->flags & SDL_SRCCOLORKEY) != 0) {
        const uint32_t rle = (source->flags & SDL_RLEACCELOK) != 0 ? SDL_RLEACCEL : 0;
        SDL_SetColorKey(copy, SDL_SRCCOLORKEY | rle, f->colorkey);
    }
    if ((source->flags & SDL_SRCALPHA) != 0 && f->Amask == 0) {
        SDL_SetAlpha(copy, SDL_SRCALPHA, f->alpha);
    }
    return copy;
}

bool RectInside(const SDL_Surface* surface, const SDL_Rect* r)
{
    return r != nullptr && r->w > 0 && r->h > 0 && r->x >= 0 && r->y >= 0 &&
           r->x + r->w <= surface->w && r->y + r->h <= surface->h;
}

void FreeFrames(SDL_Surface** frames, uint16_t count)
{
    if (frames == nullptr) {
        return;
    }
    for (uint16_t i = 0; i < count; i++) {
        SDL_FreeSurface(frames[i]);
    }
    MEM_Free(frames);
}

// Counts the boxes of a locked picture; -1 when one is malformed.
int CountBoxes(const SDL_Surface* picture)
{
    PIX_BoxScan scan;
    PIX_BeginBoxScan(&scan, picture);
    SDL_Rect frame;
    int count = 0;
    while (count < PIX_MAX_FRAMES) {
        const int found = PIX_NextBox(&scan, picture, &frame);
        if (found <= 0) {
            return found < 0 ? -1 : count;
        }
        count++;
    }
    return count;
}

// Cuts a picture into a new frame array of `*count` surfaces; NULL when the picture has no
// box, a malformed one, or a copy fails.
SDL_Surface** CutFrames(SDL_Surface* picture, uint16_t* count)
{
    *count = 0;
    if (!PIX_FourBytes(picture)) {
        return nullptr;
    }
    PIX_SurfaceLock lock(picture);
    if (!lock.Locked()) {
        return nullptr;
    }
    const int boxes = CountBoxes(picture);
    if (boxes <= 0) {
        return nullptr;
    }
    auto** frames = static_cast<SDL_Surface**>(MEM_Calloc(static_cast<size_t>(boxes), sizeof(SDL_Surface*)));
    if (frames == nullptr) {
        return nullptr;
    }
    PIX_BoxScan scan;
    PIX_BeginBoxScan(&scan, picture);
    uint16_t made = 0;
    SDL_Rect frame;
    while (made < boxes && PIX_NextBox(&scan, picture, &frame) == 1) {
        frames[made] = CopyLockedRect(picture, frame);
        if (frames[made] == nullptr) {
            FreeFrames(frames, made);
            return nullptr;
        }
        made++;
    }
    *count = made;
    return frames;
}

bool SameImage(const PIX_Image* image, const char* fileName, const char* maskName, int32_t alpha,
               int32_t colourKey, uint32_t flags)
{
    return std::strcmp(image->fileName, fileName) == 0 && std::strcmp(image->maskName, maskName) == 0 &&
           image->alpha == alpha && image->colourKey == colourKey && image->flags == flags;
}

// Clip rectangles are SDL's 16-bit ones; areas are worked out in int and cut to fit.
SDL_Rect MakeRect(int x, int y, int w, int h)
{
    const int x0 = std::clamp(x, -32768, 32767);
    const int y0 = std::clamp(y, -32768, 32767);
    const int x1 = std::clamp(x + std::max(w, 0), x0, x0 + 65535);
    const int y1 = std::clamp(y + std::max(h, 0), y0, y0 + 65535);
    SDL_Rect r;
    r.x = static_cast<int16_t>(x0);
    r.y = static_cast<int16_t>(y0);
    r.w = static_cast<uint16_t>(x1 - x0);
    r.h = static_cast<uint16_t>(y1 - y0);
    return r;
}

SDL_Rect Intersect(const SDL_Rect& a, const SDL_Rect& b)
{
    SDL_Rect out;
    INP_IntersectRect(&a, &b, &out);
    return out;
}

// Tiles one part over the area (x, y, w, h) from its top-left corner, cut by the area and
// the clip rectangle the destination had on entry. Only tiles that can be seen are blitted,
// so a huge area costs no more than the clip rectangle.
void TilePart(const PIX_Frame* frame, int part, SDL_Surface* destination, const SDL_Rect& entryClip,
              int x, int y, int w, int h)
{
    SDL_Rect source = frame->parts[part];
    if (w <= 0 || h <= 0 || source.w == 0 || source.h == 0) {
        return;
    }
    const SDL_Rect clip = Intersect(MakeRect(x, y, w, h), entryClip);
    if (clip.w == 0 || clip.h == 0) {
        return;
    }
    SDL_SetClipRect(destination, &clip);
    const int firstColumn = std::max(0, (clip.x - x) / source.w);
    const int firstRow = std::max(0, (clip.y - y) / source.h);
    const int right = std::min(x + w, clip.x + clip.w);
    const int bottom = std::min(y + h, clip.y + clip.h);
    for (int ty = y + firstRow * source.h; ty < bottom; ty += source.h) {
        for (int tx = x + firstColumn * source.w; tx < right; tx += source.w) {
            SDL_Rect from = source;
            SDL_Rect to = MakeRect(tx, ty, 0, 0);
            SDL_UpperBlit(frame->picture, &from, destination, &to);
        }
    }
}

struct Layout {
    uint8_t r, g, b, a;
};

bool ByteShift(int shift)
{
    return shift >= 0 && shift <= 24 && shift % 8 == 0;
}

bool FourChannels(uint8_t r, uint8_t g, uint8_t b, int a)
{
    if (!ByteShift(r) || !ByteShift(g) || !ByteShift(b) || !ByteShift(a)) {
        return false;
    }
    const uint32_t bits = (1u << r) | (1u << g) | (1u << b) | (1u << a);
    return bits == ((1u << 0) | (1u << 8) | (1u << 16) | (1u << 24));
}

bool EightBitChannels(const SDL_PixelFormat* f)
{
    return f->BitsPerPixel == 32 && f->BytesPerPixel == 4 && f->Rmask == 0xFFu << f->Rshift &&
           f->Gmask == 0xFFu << f->Gshift && f->Bmask == 0xFFu << f->Bshift;
}

uint32_t Relayout(uint32_t pixel, const SDL_PixelFormat* from, const Layout& to, bool withAlpha)
{
    uint32_t out = Put(Get(pixel, from->Rshift), to.r) | Put(Get(pixel, from->Gshift), to.g) |
                   Put(Get(pixel, from->Bshift), to.b);
    if (withAlpha) {
        out |= Put(Get(pixel, from->Ashift), to.a);
    }
    return out;
}

} // namespace

uint32_t PIX_Pack(const SDL_PixelFormat* format, uint32_t colour)
{
    if (format == nullptr) {
        return 0;
    }
    return PackRgb(format, colour >> 16, colour >> 8, colour) |
           (Put(colour >> 24, format->Ashift) & format->Amask);
}

uint32_t PIX_Unpack(const SDL_PixelFormat* format, uint32_t pixel)
{
    if (format == nullptr) {
        return 0;
    }
    const uint32_t a = format->Amask != 0 ? Get(pixel, format->Ashift) : 0;
    return a << 24 | Get(pixel, format->Rshift) << 16 | Get(pixel, format->Gshift) << 8 |
           Get(pixel, format->Bshift);
}

SDL_Surface* PIX_LoadBMP_RW(SDL_RWops* picture, SDL_RWops* mask, int32_t alpha, int32_t colourKey,
                            const SDL_PixelFormat* format, uint32_t flags)
{
    LoadPlan plan;
    if (picture == nullptr || !PlanLoad(&plan, mask != nullptr, alpha, colourKey, format, flags)) {
        return nullptr;
    }
    return LoadPlanned(plan, picture, mask);
}

SDL_Surface* PIX_LoadBMP(const char* fileName, const char* maskName, int32_t alpha, int32_t colourKey,
                         const SDL_PixelFormat* format, uint32_t flags)
{
    const bool withMask = maskName != nullptr && maskName[0] != '\0';
    LoadPlan plan;
    if (fileName == nullptr || !PlanLoad(&plan, withMask, alpha, colourKey, format, flags)) {
        return nullptr;
    }
    SDL_RWops* pictureRw = OpenFile(fileName);
    if (pictureRw == nullptr) {
        return nullptr;
    }
    SDL_RWops* maskRw = nullptr;
    if (withMask) {
        maskRw = OpenFile(maskName);
        if (maskRw == nullptr) {
            SDL_RWclose(pictureRw);
            return nullptr;
        }
    }
    SDL_Surface* surface = LoadPlanned(plan, pictureRw, maskRw);
    SDL_RWclose(pictureRw);
    if (maskRw != nullptr) {
        SDL_RWclose(maskRw);
    }
    return surface;
}

SDL_Surface* PIX_CreateLike(SDL_Surface* model, int width, int height, int withAlpha)
{
    if (model == nullptr || model->format == nullptr || width <= 0 || height <= 0 ||
        width > PIX_MAX_SIDE || height > PIX_MAX_SIDE) {
        return nullptr;
    }
    const SDL_PixelFormat* f = model->format;
    uint32_t amask = f->Amask;
    if (withAlpha) {
        const uint32_t depthBits = f->BitsPerPixel >= 32 ? 0xFFFFFFFFu : (1u << f->BitsPerPixel) - 1;
        amask = ~ColourMask(f) & depthBits;
    }
    SDL_Surface* surface = MEM_Allow() ? SDL_CreateRGBSurface(CreationFlags(model), width, height,
                                                              f->BitsPerPixel, f->Rmask, f->Gmask,
                                                              f->Bmask, amask)
                                       : nullptr;
    if (surface == nullptr) {
        return nullptr;
    }
    SDL_SetColorKey(surface, model->flags & (SDL_SRCCOLORKEY | SDL_RLEACCEL), f->colorkey);
    if (amask == 0) {
        SDL_SetAlpha(surface, model->flags & (SDL_SRCALPHA | SDL_RLEACCEL), f->alpha);
    }
    return surface;
}

SDL_Surface* PIX_Duplicate(SDL_Surface* surface, int withAlpha)
{
    if (surface == nullptr || surface->pixels == nullptr) {
        return nullptr;
    }
    SDL_Surface* copy = PIX_CreateLike(surface, surface->w, surface->h, withAlpha);
    if (copy == nullptr) {
        return nullptr;
    }
    bool copied = false;
    {
        PIX_SurfaceLock lockSource(surface);
        PIX_SurfaceLock lockCopy(copy);
        if (lockSource.Locked() && lockCopy.Locked() && copy->pixels != nullptr &&
            copy->format->BytesPerPixel == surface->format->BytesPerPixel) {
            const size_t bytes = static_cast<size_t>(surface->w) * surface->format->BytesPerPixel;
            for (int y = 0; y < surface->h; y++) {
                std::memcpy(static_cast<uint8_t*>(copy->pixels) + static_cast<size_t>(y) * copy->pitch,
                            static_cast<const uint8_t*>(surface->pixels) +
                                static_cast<size_t>(y) * surface->pitch,
                            bytes);
            }
            copied = true;
        }
    }
    if (!copied) {
        SDL_FreeSurface(copy);
        return nullptr;
    }
    return copy;
}

SDL_Surface* PIX_CopyRect(SDL_Surface* surface, const SDL_Rect* rect)
{
    if (surface == nullptr || surface->format == nullptr || surface->pixels == nullptr ||
        !RectInside(surface, rect)) {
        return nullptr;
    }
    PIX_SurfaceLock lock(surface);
    if (!lock.Locked()) {
        return nullptr;
    }
    return CopyLockedRect(surface, *rect);
}

void PIX_BeginBoxScan(PIX_BoxScan* scan, const SDL_Surface* picture)
{
    if (scan == nullptr) {
        return;
    }
    scan->x = 0;
    scan->y = 0;
    scan->rowStep = 1;
    scan->border = PIX_FourBytes(picture) && picture->w > 0 && picture->h > 0 ? PIX_Row(picture, 0)[0] : 0;
}

int PIX_NextBox(PIX_BoxScan* scan, const SDL_Surface* picture, SDL_Rect* frame)
{
    if (scan == nullptr || frame == nullptr || !PIX_FourBytes(picture)) {
        return -1;
    }
    const int w = picture->w;
    const int h = picture->h;
    const uint32_t border = scan->border;
    while (scan->y < h) {
        const uint32_t* row = PIX_Row(picture, scan->y);
        int bx = std::max(scan->x, 0);
        while (bx < w && row[bx] != border) {
            bx++;
        }
        if (bx >= w) {
            scan->y += scan->rowStep;
            scan->x = 0;
            scan->rowStep = 1;
            continue;
        }
        int ex = bx;
        while (ex < w && row[ex] == border) {
            ex++;
        }
        const int top = scan->y;
        int ey = top + 1;
        while (ey < h && PIX_Row(picture, ey)[ex - 1] == border) {
            ey++;
        }
        const int width = ex - bx - 2;
        const int height = ey - top - 2;
        if (width < 1 || height < 1) {
            return -1;
        }
        // Without its left and bottom edges the box was cut off or never closed.
        const uint32_t* bottomRow = PIX_Row(picture, ey - 1);
        for (int x = bx; x < ex; x++) {
            if (bottomRow[x] != border) {
                return -1;
            }
        }
        for (int y = top; y < ey; y++) {
            if (PIX_Row(picture, y)[bx] != border) {
                return -1;
            }
        }
        *frame = MakeRect(bx + 1, top + 1, width, height);
        scan->x = ex;
        scan->rowStep = std::max(scan->rowStep, height + 3);
        return 1;
    }
    return 0;
}

PIX_Image* PIX_LoadImage(const char* fileName, const char* maskName, int32_t alpha, int32_t colourKey,
                         const SDL_PixelFormat* format, uint32_t flags)
{
    if (maskName == nullptr) {
        maskName = "";
    }
    if (fileName == nullptr || std::strlen(fileName) >= PIX_NAME_SIZE ||
        std::strlen(maskName) >= PIX_NAME_SIZE) {
        return nullptr;
    }
    for (NODE_Node* node = imageList.first; node != nullptr; node = node->next) {
        auto* image = static_cast<PIX_Image*>(node->data);
        if (SameImage(image, fileName, maskName, alpha, colourKey, flags)) {
            image->refCount++;
            return image;
        }
    }
    SDL_Surface* picture = PIX_LoadBMP(fileName, maskName, alpha, colourKey, format, flags);
    if (picture == nullptr) {
        return nullptr;
    }
    uint16_t count = 0;
    SDL_Surface** frames = CutFrames(picture, &count);
    SDL_FreeSurface(picture);
    if (frames == nullptr) {
        return nullptr;
    }
    auto* image = static_cast<PIX_Image*>(MEM_Calloc(1, sizeof(PIX_Image)));
    if (image == nullptr) {
        FreeFrames(frames, count);
        return nullptr;
    }
    std::memcpy(image->fileName, fileName, std::strlen(fileName) + 1);
    std::memcpy(image->maskName, maskName, std::strlen(maskName) + 1);
    image->alpha = alpha;
    image->colourKey = colourKey;
    image->flags = flags;
    image->refCount = 1;
    image->frames = frames;
    image->frameCount = count;
    image->node.data = image;
    NODE_AddHead(&image->node, &imageList);
    return image;
}

void PIX_FreeImage(PIX_Image* image)
{
    if (image == nullptr) {
        return;
    }
    NODE_Remove(&image->node);
    FreeFrames(image->frames, image->frameCount);
    MEM_Free(image);
}

void PIX_ReleaseImage(PIX_Image* image)
{
    if (image == nullptr) {
        return;
    }
    if (image->refCount > 1) {
        image->refCount--;
        return;
    }
    PIX_FreeImage(image);
}

void PIX_ReleaseAllImages()
{
    NODE_Node* node = imageList.first;
    while (node != nullptr) {
        NODE_Node* next = node->next;
        PIX_ReleaseImage(static_cast<PIX_Image*>(node->data));
        node = next;
    }
}

void PIX_FreeAllImages()
{
    while (imageList.first != nullptr) {
        PIX_FreeImage(static_cast<PIX_Image*>(imageList.first->data));
    }
}

const NODE_List* PIX_ImageList()
{
    return &imageList;
}

int PIX_BlitAt(SDL_Surface* surface, SDL_Surface* destination, int16_t x, int16_t y)
{
    if (surface == nullptr || destination == nullptr) {
        return -1;
    }
    SDL_Rect to = MakeRect(x, y, 0, 0);
    return SDL_UpperBlit(surface, nullptr, destination, &to);
}

int PIX_BlitCentred(SDL_Surface* surface, SDL_Surface* destination, int16_t x, int16_t y)
{
    if (surface == nullptr || destination == nullptr) {
        return -1;
    }
    SDL_Rect to = MakeRect(x - (surface->w >> 1), y - (surface->h >> 1), 0, 0);
    return SDL_UpperBlit(surface, nullptr, destination, &to);
}

PIX_Frame* PIX_NewFrame(SDL_Surface* picture, uint16_t top, uint16_t bottom, uint16_t left, uint16_t right)
{
    if (picture == nullptr || top == 0 || bottom == 0 || left == 0 || right == 0) {
        return nullptr;
    }
    const int w = picture->w;
    const int h = picture->h;
    if (left + right >= w || top + bottom >= h) {
        return nullptr;
    }
    auto* frame = static_cast<PIX_Frame*>(MEM_Calloc(1, sizeof(PIX_Frame)));
    if (frame == nullptr) {
        return nullptr;
    }
    const int innerW = w - left - right;
    const int innerH = h - top - bottom;
    frame->picture = picture;
    frame->parts[PIX_PART_TOP_LEFT] = MakeRect(0, 0, left, top);
    frame->parts[PIX_PART_TOP_RIGHT] = MakeRect(w - right, 0, right, top);
    frame->parts[PIX_PART_BOTTOM_LEFT] = MakeRect(0, h - bottom, left, bottom);
    frame->parts[PIX_PART_BOTTOM_RIGHT] = MakeRect(w - right, h - bottom, right, bottom);
    frame->parts[PIX_PART_TOP] = MakeRect(left, 0, innerW, top);
    frame->parts[PIX_PART_BOTTOM] = MakeRect(left, h - bottom, innerW, bottom);
    frame->parts[PIX_PART_LEFT] = MakeRect(0, top, left, innerH);
    frame->parts[PIX_PART_RIGHT] = MakeRect(w - right, top, right, innerH);
    frame->parts[PIX_PART_CENTRE] = MakeRect(left, top, innerW, innerH);
    return frame;
}

void PIX_FreeFrame(PIX_Frame* frame)
{
    MEM_Free(frame);
}

void PIX_DrawFrame(const PIX_Frame* frame, SDL_Surface* destination, const SDL_Rect* rect)
{
    if (frame == nullptr || frame->picture == nullptr || destination == nullptr || rect == nullptr) {
        return;
    }
    SDL_Rect entryClip;
    SDL_GetClipRect(destination, &entryClip);
    const SDL_Rect* p = frame->parts;
    const int left = p[PIX_PART_TOP_LEFT].w;
    const int top = p[PIX_PART_TOP_LEFT].h;
    const int right = p[PIX_PART_BOTTOM_RIGHT].w;
    const int bottom = p[PIX_PART_BOTTOM_RIGHT].h;
    const int x = rect->x;
    const int y = rect->y;
    const int innerX = x + left;
    const int innerY = y + top;
    const int innerRight = x + rect->w - right;
    const int innerBottom = y + rect->h - bottom;
    const int innerW = innerRight - innerX;
    const int innerH = innerBottom - innerY;
    if (innerW > 0 && innerH > 0) {
        TilePart(frame, PIX_PART_CENTRE, destination, entryClip, innerX, innerY, innerW, innerH);
    }
    if (innerW > 0) {
        TilePart(frame, PIX_PART_TOP, destination, entryClip, innerX, y, innerW, top);
        TilePart(frame, PIX_PART_BOTTOM, destination, entryClip, innerX, innerBottom, innerW, bottom);
    }
    if (innerH > 0) {
        TilePart(frame, PIX_PART_LEFT, destination, entryClip, x, innerY, left, innerH);
        TilePart(frame, PIX_PART_RIGHT, destination, entryClip, innerRight, innerY, right, innerH);
    }
    TilePart(frame, PIX_PART_TOP_LEFT, destination, entryClip, x, y, left, top);
    TilePart(frame, PIX_PART_TOP_RIGHT, destination, entryClip, innerRight, y, right, top);
    TilePart(frame, PIX_PART_BOTTOM_LEFT, destination, entryClip, x, innerBottom, left, bottom);
    TilePart(frame, PIX_PART_BOTTOM_RIGHT, destination, entryClip, innerRight, innerBottom, right, bottom);
    SDL_SetClipRect(destination, &entryClip);
}

namespace {

uint32_t TintChannel(uint32_t c, int32_t percent)
{
    const int64_t v = int64_t{c} + int64_t{c} * percent / 100;
    return static_cast<uint32_t>(std::clamp<int64_t>(v, 0, 255));
}

void TintPixels(SDL_Surface* surface, bool keyed, int32_t r, int32_t g, int32_t b)
{
    if (surface == nullptr || surface->format == nullptr) {
        return;
    }
    const SDL_PixelFormat* f = surface->format;
    const uint32_t colours = ColourMask(f);
    ForEachPixel(surface, keyed, [&](uint32_t pixel) {
        return (pixel & ~colours) | PackRgb(f, TintChannel(Get(pixel, f->Rshift), r),
                                            TintChannel(Get(pixel, f->Gshift), g),
                                            TintChannel(Get(pixel, f->Bshift), b));
    });
}

void GreyPixels(SDL_Surface* surface, bool keyed)
{
    if (surface == nullptr || surface->format == nullptr) {
        return;
    }
    const SDL_PixelFormat* f = surface->format;
    const uint32_t colours = ColourMask(f);
    ForEachPixel(surface, keyed, [&](uint32_t pixel) {
        const uint32_t grey = (313524u * Get(pixel, f->Rshift) + 615514u * Get(pixel, f->Gshift) +
                               119538u * Get(pixel, f->Bshift)) >> 20;
        return (pixel & ~colours) | PackRgb(f, grey, grey, grey);
    });
}

} // namespace

void PIX_Tint(SDL_Surface* surface, int32_t redPercent, int32_t greenPercent, int32_t bluePercent)
{
    TintPixels(surface, false, redPercent, greenPercent, bluePercent);
}

void PIX_TintKeyed(SDL_Surface* surface, int32_t redPercent, int32_t greenPercent, int32_t bluePercent)
{
    TintPixels(surface, true, redPercent, greenPercent, bluePercent);
}

void PIX_Grey(SDL_Surface* surface)
{
    GreyPixels(surface, false);
}

void PIX_GreyKeyed(SDL_Surface* surface)
{
    GreyPixels(surface, true);
}

void PIX_ReplaceColour(SDL_Surface* surface, uint32_t match, uint32_t hit, uint32_t miss)
{
    if (surface == nullptr || surface->format == nullptr) {
        return;
    }
    const SDL_PixelFormat* f = surface->format;
    const uint32_t colourBits = ~f->Amask;
    const uint32_t wanted = PIX_Pack(f, match) & colourBits;
    const uint32_t hitBits = PIX_Pack(f, hit) & colourBits;
    const uint32_t missBits = PIX_Pack(f, miss) & colourBits;
    ForEachPixel(surface, false, [&](uint32_t pixel) {
        const uint32_t alphaBits = pixel & f->Amask;
        return alphaBits | ((pixel & colourBits) == wanted ? hitBits : missBits);
    });
}

SDL_Surface* PIX_Reformat(SDL_Surface* surface, const SDL_PixelFormat* model)
{
    if (!PIX_FourBytes(surface) || model == nullptr || !EightBitChannels(surface->format) ||
        !EightBitChannels(model)) {
        return nullptr;
    }
    const SDL_PixelFormat* old = surface->format;
    const bool withAlpha = old->Aloss == 0 && old->Amask != 0;
    Layout to{};
    to.r = model->Rshift;
    to.g = model->Gshift;
    to.b = model->Bshift;
    const int alphaShift = 48 - (to.r + to.g + to.b);
    if (!FourChannels(to.r, to.g, to.b, alphaShift)) {
        return nullptr;
    }
    to.a = static_cast<uint8_t>(alphaShift);
    const bool sameOrder = old->Rshift == to.r && old->Gshift == to.g && old->Bshift == to.b &&
                           (!withAlpha || old->Ashift == to.a);
    if (sameOrder) {
        ForEachPixel(surface, false, [&](uint32_t pixel) { return Relayout(pixel, old, to, withAlpha); });
        if ((surface->flags & SDL_SRCCOLORKEY) != 0) {
            SDL_SetColorKey(surface, surface->flags & (SDL_SRCCOLORKEY | SDL_RLEACCEL),
                            Relayout(old->colorkey, old, to, withAlpha));
        }
        return surface;
    }

    // SDL fixes a surface's channel layout when it is made, so another order needs a new one.
    SDL_Surface* fresh = MEM_Allow() ? SDL_CreateRGBSurface(CreationFlags(surface), surface->w, surface->h, 32,
                                                            0xFFu << to.r, 0xFFu << to.g, 0xFFu << to.b,
                                                            withAlpha ? 0xFFu << to.a : 0u)
                                     : nullptr;
    if (fresh == nullptr) {
        return nullptr;
    }
    bool copied = false;
    {
        PIX_SurfaceLock lockOld(surface);
        PIX_SurfaceLock lockFresh(fresh);
        if (lockOld.Locked() && lockFresh.Locked() && PIX_FourBytes(fresh)) {
            for (int y = 0; y < surface->h; y++) {
                const uint32_t* from = PIX_Row(surface, y);
                uint32_t* into = PIX_Row(fresh, y);
                for (int x = 0; x < surface->w; x++) {
                    into[x] = Relayout(from[x], old, to, withAlpha);
                }
            }
            copied = true;
        }
    }
    if (!copied) {
        SDL_FreeSurface(fresh);
        return nullptr;
    }
    if ((surface->flags & SDL_SRCCOLORKEY) != 0) {
        const uint32_t rle = (surface->flags & SDL_RLEACCELOK) != 0 ? SDL_RLEACCEL : 0;
        SDL_SetColorKey(fresh, SDL_SRCCOLORKEY | rle, Relayout(old->colorkey, old, to, withAlpha));
    } else {
        SDL_SetColorKey(fresh, 0, 0);
    }
    SDL_SetAlpha(fresh, surface->flags & SDL_SRCALPHA, old->alpha);
    SDL_FreeSurface(surface);
    return fresh;
}

SDL_Surface** PIX_CutFrames(SDL_Surface* picture, uint16_t* count)
{
    if (count == nullptr) {
        return nullptr;
    }
    return CutFrames(picture, count);
}

void PIX_FreeFrames(SDL_Surface** frames, uint16_t count)
{
    FreeFrames(frames, count);
}
