// Feeds arbitrary bytes through the BMP loader, the border-box cutting, recolouring and
// reformatting, and the font loader, from memory. The first byte chooses: bit 0 a mask
// follows (its offset in the next two bytes), bit 1 a colour key, bit 2 the font loader as
// well, bit 3 the bytes are laid over a valid boxed picture instead of standing alone, so
// that deep paths are reached without a corpus.
#include <SDL.h>

#include <cstdint>
#include <cstring>

#include "toolkit/gfx/font.h"
#include "toolkit/gfx/pix.h"
#include "util/mem.h"

namespace {

SDL_Surface* model = nullptr;
SDL_Surface* blueFirst = nullptr;
uint8_t boxed[4096];
int boxedSize = 0;
uint8_t scratch[1 << 16];

void MakeBoxedPicture()
{
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 12, 8, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    if (s == nullptr) {
        return;
    }
    SDL_FillRect(s, nullptr, 0);
    const SDL_Rect boxes[] = {{0, 0, 4, 4}, {5, 0, 3, 5}, {0, 6, 5, 2}};
    for (const SDL_Rect& b : boxes) {
        SDL_Rect r = b;
        SDL_FillRect(s, &r, 0xFF00FF);
        SDL_Rect inside{static_cast<Sint16>(b.x + 1), static_cast<Sint16>(b.y + 1),
                        static_cast<Uint16>(b.w - 2), static_cast<Uint16>(b.h - 2)};
        SDL_FillRect(s, &inside, 0x123456);
    }
    SDL_RWops* rw = SDL_RWFromMem(boxed, sizeof boxed);
    if (rw != nullptr && SDL_SaveBMP_RW(s, rw, 0) == 0) {
        boxedSize = SDL_RWtell(rw);
    }
    if (rw != nullptr) {
        SDL_RWclose(rw);
    }
    SDL_FreeSurface(s);
}

void Exercise(SDL_RWops* picture, SDL_RWops* mask, int32_t key, bool font)
{
    SDL_Surface* s = PIX_LoadBMP_RW(picture, mask, -1, key, model->format, 0);
    if (s != nullptr) {
        uint16_t count = 0;
        SDL_Surface** frames = PIX_CutFrames(s, &count);
        PIX_FreeFrames(frames, count);
        PIX_TintKeyed(s, 50, -50, 0);
        PIX_Grey(s);
        SDL_Surface* turned = PIX_Reformat(s, blueFirst->format);
        SDL_FreeSurface(turned != nullptr ? turned : s);
    }
    if (font) {
        SDL_RWseek(picture, 0, RW_SEEK_SET);
        if (mask != nullptr) {
            SDL_RWseek(mask, 0, RW_SEEK_SET);
        }
        TXT_FreeFont(TXT_LoadFont_RW(picture, mask, -1, key, model->format, 0, "AB"));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    model = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    blueFirst = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 32, 0xFF, 0xFF00, 0xFF0000, 0);
    MakeBoxedPicture();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (model == nullptr || blueFirst == nullptr || size < 3 || size > sizeof scratch) {
        return 0;
    }
    const uint8_t mode = data[0];
    const size_t split = static_cast<size_t>(data[1]) | static_cast<size_t>(data[2]) << 8;
    data += 3;
    size -= 3;

    const uint8_t* bytes = data;
    size_t length = size;
    if ((mode & 8) != 0 && boxedSize > 0) {
        // The input patches the boxed picture: triples of a 16-bit offset and a byte.
        std::memcpy(scratch, boxed, static_cast<size_t>(boxedSize));
        for (size_t i = 0; i + 2 < size; i += 3) {
            const size_t at = (static_cast<size_t>(data[i]) | static_cast<size_t>(data[i + 1]) << 8) %
                              static_cast<size_t>(boxedSize);
            scratch[at] ^= data[i + 2];
        }
        bytes = scratch;
        length = static_cast<size_t>(boxedSize);
    }
    size_t pictureLength = length;
    const bool withMask = (mode & 1) != 0 && (mode & 8) == 0 && split < length;
    if (withMask) {
        pictureLength = split;
    }
    SDL_RWops* picture = SDL_RWFromConstMem(bytes, static_cast<int>(pictureLength));
    SDL_RWops* mask = withMask ? SDL_RWFromConstMem(bytes + split, static_cast<int>(length - split)) : nullptr;
    if (picture != nullptr && (!withMask || mask != nullptr)) {
        Exercise(picture, mask, (mode & 2) != 0 ? 0x000000 : -1, (mode & 4) != 0);
    }
    if (mask != nullptr) {
        SDL_RWclose(mask);
    }
    if (picture != nullptr) {
        SDL_RWclose(picture);
    }
    if (MEM_LiveBlocks() != 0) {
        __builtin_trap();
    }
    return 0;
}
