// Pictures: 32-bit SDL surfaces loaded from BMP files (with a colour key or an 8-bit alpha
// mask), copied, cut into frames, recoloured in place, shared by reference count, and drawn
// as tiled nine-part borders.
//
// Depends on util/mem.h (every allocation, SDL's included, is an allocation point there),
// util/node.h (the image list), toolkit/ui/inp.h (clipping the border tiles) and SDL 1.2.
// Pixel loops lock their surfaces, walk rows by the pitch and refuse surfaces that are not
// 4 bytes a pixel. Not thread-safe.
//
// Colours are packed 0xAARRGGBB and put into a surface's pixels with its format's shifts; a
// component whose shift is 32 or more contributes nothing.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "util/node.h"

enum : int {
    PIX_NAME_SIZE = 256,   // bytes of a stored file name, the NUL included
    PIX_MAX_FRAMES = 8192, // frames kept from one boxed picture
    PIX_MAX_SIDE = 8192,   // widest and tallest BMP that will be loaded
};
// Largest BMP in pixels, so that a forged header cannot ask for gigabytes.
constexpr int64_t PIX_MAX_PIXELS = int64_t{16} * 1024 * 1024;

// A shared multi-frame picture. Every field is read only for callers.
struct PIX_Image {
    NODE_Node node; // in the image list, newest first; data is the record
    char fileName[PIX_NAME_SIZE];
    char maskName[PIX_NAME_SIZE]; // empty when none
    int32_t alpha;                // surface alpha, -1 = none
    int32_t colourKey;            // packed colour, -1 = none
    uint32_t flags;               // the surface flags handed to the load
    uint32_t refCount;
    SDL_Surface** frames;
    uint16_t frameCount;
};

// Indices of the nine parts of a border picture.
enum PIX_FramePart : int {
    PIX_PART_TOP_LEFT,
    PIX_PART_TOP_RIGHT,
    PIX_PART_BOTTOM_LEFT,
    PIX_PART_BOTTOM_RIGHT,
    PIX_PART_TOP,
    PIX_PART_BOTTOM,
    PIX_PART_LEFT,
    PIX_PART_RIGHT,
    PIX_PART_CENTRE,
    PIX_PART_COUNT
};

// A resizable border cut from one picture, which it does not own. Fields read only.
struct PIX_Frame {
    SDL_Surface* picture;
    SDL_Rect parts[PIX_PART_COUNT];
};

// Scanning state of the border-box cutting; the font loader walks glyph boxes with it too.
struct PIX_BoxScan {
    uint32_t border; // the colour of the picture's top-left pixel
    int32_t x;
    int32_t y;
    int32_t rowStep;
};

// Holds a surface locked for the lifetime of a pixel loop; a NULL surface is never locked.
class PIX_SurfaceLock {
public:
    explicit PIX_SurfaceLock(SDL_Surface* surface)
        : surface_(surface), locked_(surface != nullptr && SDL_LockSurface(surface) == 0)
    {
    }
    ~PIX_SurfaceLock()
    {
        if (locked_) {
            SDL_UnlockSurface(surface_);
        }
    }
    PIX_SurfaceLock(const PIX_SurfaceLock&) = delete;
    PIX_SurfaceLock& operator=(const PIX_SurfaceLock&) = delete;
    [[nodiscard]] bool Locked() const { return locked_; }

private:
    SDL_Surface* surface_;
    bool locked_;
};

// Whether a pixel loop may treat the surface as 4 bytes a pixel.
[[nodiscard]] inline bool PIX_FourBytes(const SDL_Surface* surface)
{
    return surface != nullptr && surface->format != nullptr && surface->format->BytesPerPixel == 4 &&
           surface->pixels != nullptr;
}

// Row y of a 4-byte surface, found by its pitch.
inline uint32_t* PIX_Row(const SDL_Surface* surface, int y)
{
    auto* base = static_cast<uint8_t*>(surface->pixels);
    return reinterpret_cast<uint32_t*>(base + static_cast<size_t>(y) * surface->pitch);
}

// Packs 0xAARRGGBB into a pixel of `format`.
[[nodiscard]] uint32_t PIX_Pack(const SDL_PixelFormat* format, uint32_t colour);
// The 0xAARRGGBB of a pixel of `format`.
[[nodiscard]] uint32_t PIX_Unpack(const SDL_PixelFormat* format, uint32_t pixel);

// Loading. `alpha` is -1 or 0..255, `colourKey` -1 or 0..0xFFFFFF; with a mask both are
// ignored and the picture gets an alpha channel from the mask's raw 8-bit indices. `format`
// NULL means the display's (and then the display's hardware flag is taken over). Only
// SDL_HWSURFACE and SDL_RLEACCEL of `flags` are used.
// Returns NULL on a NULL or unreadable file, a bad header, a picture of no pixels or more
// than PIX_MAX_SIDE / PIX_MAX_PIXELS, a target format that is not 32 bits, arguments out of
// range, a mask of another size or depth, or an allocation failure. Free with SDL_FreeSurface.
[[nodiscard]] SDL_Surface* PIX_LoadBMP(const char* fileName, const char* maskName, int32_t alpha,
                                       int32_t colourKey, const SDL_PixelFormat* format,
                                       uint32_t flags);
// As PIX_LoadBMP from streams, each read from its current position; `mask` NULL = no mask.
// The streams stay open and belong to the caller.
[[nodiscard]] SDL_Surface* PIX_LoadBMP_RW(SDL_RWops* picture, SDL_RWops* mask, int32_t alpha,
                                          int32_t colourKey, const SDL_PixelFormat* format,
                                          uint32_t flags);

// Creation and copies; each returns NULL on failure, free with SDL_FreeSurface.
// A surface of the model's depth and colour masks, its colour key and flags; `withAlpha`
// gives it an alpha channel in the bits the colours leave free.
[[nodiscard]] SDL_Surface* PIX_CreateLike(SDL_Surface* model, int width, int height, int withAlpha);
// PIX_CreateLike at the same size, then the pixels byte for byte.
[[nodiscard]] SDL_Surface* PIX_Duplicate(SDL_Surface* surface, int withAlpha);
// The rectangle copied out byte for byte with the source's format, key and alpha; NULL also
// when the rectangle is empty or does not lie inside the surface.
[[nodiscard]] SDL_Surface* PIX_CopyRect(SDL_Surface* surface, const SDL_Rect* rect);

// Border-box cutting. Begin with the picture locked; PIX_NextBox gives 1 and the frame
// rectangle inside the next box, 0 when the picture has no more boxes, and -1 for a box that
// is malformed (no right or bottom edge, empty, or running off the picture).
void PIX_BeginBoxScan(PIX_BoxScan* scan, const SDL_Surface* picture);
[[nodiscard]] int PIX_NextBox(PIX_BoxScan* scan, const SDL_Surface* picture, SDL_Rect* frame);
// Every box of the picture copied out as a frame surface (at most PIX_MAX_FRAMES), their
// number in `*count`. NULL when the picture has no box, a malformed one, or a copy or the
// array cannot be made. Free with PIX_FreeFrames.
[[nodiscard]] SDL_Surface** PIX_CutFrames(SDL_Surface* picture, uint16_t* count);
// Frees each surface and the array; NULL is ignored.
void PIX_FreeFrames(SDL_Surface** frames, uint16_t count);

// Shared, frame-cut pictures. Loading the same file with the same names, alpha, key and
// flags again returns the same record with one more reference (the format is not compared).
// Returns NULL on a name longer than 255 bytes, on any PIX_LoadBMP failure, on a malformed
// box, when no frame is found, or on an allocation failure. Release with PIX_ReleaseImage.
[[nodiscard]] PIX_Image* PIX_LoadImage(const char* fileName, const char* maskName, int32_t alpha,
                                       int32_t colourKey, const SDL_PixelFormat* format,
                                       uint32_t flags);
// Drops one reference; the last one frees the frames and the record. NULL is ignored.
void PIX_ReleaseImage(PIX_Image* image);
// Frees the record whatever its count. NULL is ignored.
void PIX_FreeImage(PIX_Image* image);
void PIX_ReleaseAllImages();
void PIX_FreeAllImages();
// The module-wide image list, newest first; read only.
[[nodiscard]] const NODE_List* PIX_ImageList();

// Drawing. Both return SDL_UpperBlit's result: negative on failure (also for NULL surfaces).
int PIX_BlitAt(SDL_Surface* surface, SDL_Surface* destination, int16_t x, int16_t y);
// Puts the surface's centre, (w >> 1, h >> 1), at (x, y).
int PIX_BlitCentred(SDL_Surface* surface, SDL_Surface* destination, int16_t x, int16_t y);

// Nine-part borders. NULL when the picture is NULL, a width is 0, the borders leave no
// centre, or on an allocation failure. Free with PIX_FreeFrame, which leaves the picture.
[[nodiscard]] PIX_Frame* PIX_NewFrame(SDL_Surface* picture, uint16_t top, uint16_t bottom,
                                      uint16_t left, uint16_t right);
void PIX_FreeFrame(PIX_Frame* frame);
// Fills the rectangle by tiling the parts (never stretching), within the destination's clip
// rectangle, which is the same again afterwards. NULL arguments draw nothing.
void PIX_DrawFrame(const PIX_Frame* frame, SDL_Surface* destination, const SDL_Rect* rect);

// Recolouring in place. Each does nothing on a NULL surface, one that is not 4 bytes a
// pixel, or one that cannot be locked. The alpha bits of every pixel stay as they were; the
// keyed forms leave pixels equal to the colour key alone.
// Each channel c becomes c + c * p / 100 (truncated), kept within 0..255.
void PIX_Tint(SDL_Surface* surface, int32_t redPercent, int32_t greenPercent, int32_t bluePercent);
void PIX_TintKeyed(SDL_Surface* surface, int32_t redPercent, int32_t greenPercent,
                   int32_t bluePercent);
// R, G and B all become the luminance (313524 R + 615514 G + 119538 B) >> 20.
void PIX_Grey(SDL_Surface* surface);
void PIX_GreyKeyed(SDL_Surface* surface);
// Pixels whose colour bits equal those of `match` become `hit`, all others `miss`.
void PIX_ReplaceColour(SDL_Surface* surface, uint32_t match, uint32_t hit, uint32_t miss);

// Lays the pixels out in the model's channel order (with alpha when the surface has it, else
// with the alpha bits cleared) and returns the surface to use from then on: the same one,
// rewritten in place, when the order already matches; otherwise a new surface in the model's
// layout with the key and surface alpha carried over, and the old one freed.
// Returns NULL, leaving the old surface as it was and the caller's, on a NULL argument, a
// surface or model that is not 32 bits of 8-bit channels, or an allocation failure.
[[nodiscard]] SDL_Surface* PIX_Reformat(SDL_Surface* surface, const SDL_PixelFormat* model);
