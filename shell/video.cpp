#include "shell/video.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/app.h"
#include "shell/settings.h"
#include "toolkit/gfx/pix.h"
#include "util/kv.h"
#include "util/mem.h"

namespace {

VIDEO_OpenFn openDisplay = SDL_SetVideoMode;
VIDEO_ListFn listModes = SDL_ListModes;

constexpr uint32_t maxZoom = 4;

bool pointerCaptured = false;

bool FullScreen()
{
    return app.screen != nullptr && (app.screen->flags & SDL_FULLSCREEN) != 0;
}

// Hidden while it is captured and in full screen, where it only covers the picture; free
// in a window, so that the player can leave it.
void ShowPointer()
{
    SDL_ShowCursor(pointerCaptured || FullScreen() ? SDL_DISABLE : SDL_ENABLE);
}

// Each source pixel goes into Z neighbouring words of the first row of its block; the other
// Z - 1 rows of the block are copies of that row. Both surfaces are walked by their pitch.
template <uint32_t Z>
void ReplicateRows(const uint8_t* source, int sourcePitch, uint8_t* target, int targetPitch)
{
    constexpr size_t rowBytes = static_cast<size_t>(PICTURE_SIZE) * Z * 4;
    for (int y = 0; y < PICTURE_SIZE; ++y) {
        const uint32_t* in = reinterpret_cast<const uint32_t*>(source + y * sourcePitch);
        uint8_t* firstRow = target + static_cast<ptrdiff_t>(y) * Z * targetPitch;
        uint32_t* out = reinterpret_cast<uint32_t*>(firstRow);
        for (int x = 0; x < PICTURE_SIZE; ++x) {
            const uint32_t pixel = in[x];
            for (uint32_t k = 0; k < Z; ++k) {
                out[k] = pixel;
            }
            out += Z;
        }
        for (uint32_t r = 1; r < Z; ++r) {
            std::memcpy(firstRow + static_cast<ptrdiff_t>(r) * targetPitch, firstRow, rowBytes);
        }
    }
}

void PresentWhole()
{
    SDL_UpdateRect(app.screen, 0, 0, 0, 0);
}

void PresentCentred()
{
    SDL_UpdateRect(app.screen, static_cast<Sint32>(app.screenX), 0, PICTURE_SIZE, PICTURE_SIZE);
}

template <uint32_t Z>
void PresentZoomed()
{
    if (VIDEO_Replicate(app.backBuffer, app.screen, app.screenX, Z)) {
        SDL_UpdateRect(app.screen, static_cast<Sint32>(app.screenX), 0, PICTURE_SIZE * Z,
                       PICTURE_SIZE * Z);
    }
}

// A display that the presentation routines can fill: 32-bit and at least the magnified
// picture's size. Anything else is handled as a refused mode.
bool Usable(const SDL_Surface* screen, uint32_t zoom)
{
    return screen != nullptr && screen->format->BytesPerPixel == 4 &&
           screen->w >= static_cast<int>(PICTURE_SIZE * zoom) &&
           screen->h >= static_cast<int>(PICTURE_SIZE * zoom);
}

// Opens the display that VIDEO and ZOOM ask for, mending them on the way, with the one
// fallback to a 255 x 255 window. Sets app.screen and app.zoom.
bool OpenScreen()
{
    for (;;) {
        const bool window = KV_IsString(app.config, "VIDEO", "window");
        uint32_t width = PICTURE_SIZE;
        uint32_t height = PICTURE_SIZE;
        uint32_t flags = 0;
        if (!window) {
            flags = SDL_FULLSCREEN;
            const char* mode = nullptr;
            if (!KV_GetString(app.config, "VIDEO", &mode) || !ParseMode(mode, &width, &height)) {
                width = PICTURE_SIZE;
                height = PICTURE_SIZE;
            }
        }
        uint32_t zoom = 0;
        (void)KV_GetUInt(app.config, "ZOOM", &zoom);
        // A zoom of 0 would ask for an empty window: it is taken, and kept, as 1.
        if (zoom > maxZoom || zoom == 0) {
            zoom = zoom == 0 ? 1 : maxZoom;
            if (!KV_ReplaceUInt(app.config, "ZOOM", zoom)) {
                return false;
            }
        }
        if (window) {
            width = PICTURE_SIZE * zoom;
            height = PICTURE_SIZE * zoom;
        } else {
            while (zoom > 0 && (width < PICTURE_SIZE * zoom || height < PICTURE_SIZE * zoom)) {
                --zoom;
            }
            if (zoom == 0 || !KV_ReplaceUInt(app.config, "ZOOM", zoom)) {
                return false;
            }
        }
        SDL_Surface* screen = openDisplay(static_cast<int>(width), static_cast<int>(height), 32, flags);
        if (Usable(screen, zoom)) {
            app.screen = screen;
            app.zoom = zoom;
            return true;
        }
        if (window && KV_IsString(app.config, "ZOOM", "1")) {
            return false;
        }
        if (!KV_ReplaceString(app.config, "VIDEO", "window") ||
            !KV_ReplaceUInt(app.config, "ZOOM", 1)) {
            return false;
        }
    }
}

} // namespace

void VIDEO_SetBackends(VIDEO_OpenFn open, VIDEO_ListFn list)
{
    openDisplay = open != nullptr ? open : SDL_SetVideoMode;
    listModes = list != nullptr ? list : SDL_ListModes;
}

bool VIDEO_Replicate(SDL_Surface* backBuffer, SDL_Surface* screen, uint32_t x, uint32_t zoom)
{
    if (backBuffer == nullptr || screen == nullptr || zoom < 2 || zoom > maxZoom ||
        backBuffer->format->BytesPerPixel != 4 || screen->format->BytesPerPixel != 4 ||
        backBuffer->w < PICTURE_SIZE || backBuffer->h < PICTURE_SIZE ||
        static_cast<uint64_t>(x) + PICTURE_SIZE * zoom > static_cast<uint64_t>(screen->w) ||
        static_cast<uint32_t>(screen->h) < PICTURE_SIZE * zoom) {
        return false;
    }
    PIX_SurfaceLock sourceLock(backBuffer);
    PIX_SurfaceLock targetLock(screen);
    if (!sourceLock.Locked() || !targetLock.Locked()) {
        return false;
    }
    const auto* source = static_cast<const uint8_t*>(backBuffer->pixels);
    auto* target = static_cast<uint8_t*>(screen->pixels) + static_cast<size_t>(x) * 4;
    switch (zoom) {
    case 2:
        ReplicateRows<2>(source, backBuffer->pitch, target, screen->pitch);
        break;
    case 3:
        ReplicateRows<3>(source, backBuffer->pitch, target, screen->pitch);
        break;
    default:
        ReplicateRows<4>(source, backBuffer->pitch, target, screen->pitch);
        break;
    }
    return true;
}

bool SetupVideo()
{
    app.screen = nullptr;
    app.backBuffer = nullptr;
    app.rotationSource = nullptr;
    app.present = nullptr;
    app.fullscreenModes = nullptr;
    // Full screen on this SDL scales the picture to the desktop, blurred unless asked not to;
    // a player's own choice of scaling is left alone.
    setenv("SDL12COMPAT_SCALE_METHOD", "nearest", 0);

    if (!OpenScreen()) {
        app.screen = nullptr;
        return false;
    }
    SDL_Rect** modes = listModes(nullptr, SDL_FULLSCREEN | SDL_HWSURFACE);
    app.fullscreenModes = modes == reinterpret_cast<SDL_Rect**>(-1) ? nullptr : modes;
    const SDL_PixelFormat* format = app.screen->format;
    app.redShift = format->Rshift;
    app.greenShift = format->Gshift;
    app.blueShift = format->Bshift;
    app.screenX = (static_cast<uint32_t>(app.screen->w) - PICTURE_SIZE * app.zoom) / 2;
    app.screenY = 0;

    if (app.zoom == 1) {
        app.backBuffer = app.screen;
        app.backBufferX = app.screenX;
        const bool exact = app.screen->w == PICTURE_SIZE && app.screen->h == PICTURE_SIZE;
        app.present = exact ? PresentWhole : PresentCentred;
    } else {
        app.backBuffer = PIX_CreateLike(app.screen, PICTURE_SIZE, PICTURE_SIZE, 0);
        if (app.backBuffer == nullptr) {
            return false;
        }
        app.backBufferX = 0;
        app.present = app.zoom == 2 ? PresentZoomed<2> : app.zoom == 3 ? PresentZoomed<3> : PresentZoomed<4>;
    }
    app.centreX = app.backBufferX + 127;
    SDL_FillRect(app.backBuffer, nullptr, 0);

    if (!MEM_Allow()) {
        return false;
    }
    app.rotationSource = SDL_CreateRGBSurface(0, ROTATION_SOURCE_SIZE, ROTATION_SOURCE_SIZE, 32,
                                              0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
    if (app.rotationSource == nullptr) {
        return false;
    }
    SDL_WM_SetCaption("ZAF", "ZAF");
    pointerCaptured = false;
    ShowPointer();
    return true;
}

void VIDEO_CapturePointer(bool on)
{
    pointerCaptured = on && app.screen != nullptr;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return;
    }
    SDL_WM_GrabInput(pointerCaptured ? SDL_GRAB_ON : SDL_GRAB_OFF);
    ShowPointer();
}

bool VIDEO_PointerCaptured()
{
    return pointerCaptured;
}

bool VIDEO_ToggleFullScreen()
{
    if (app.screen == nullptr || SDL_WM_ToggleFullScreen(app.screen) == 0) {
        return false;
    }
    ShowPointer();
    // The next start opens the display as it is now: full screen in the screen's own size,
    // so that the zoom stays as it is.
    char mode[24];
    std::snprintf(mode, sizeof mode, "%ux%u", static_cast<unsigned>(app.screen->w),
                  static_cast<unsigned>(app.screen->h));
    return KV_ReplaceString(app.config, "VIDEO", FullScreen() ? mode : "window");
}

void CloseVideo()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        SDL_WM_GrabInput(SDL_GRAB_OFF);
        SDL_ShowCursor(SDL_ENABLE);
    }
    pointerCaptured = false;
    if (app.rotationSource != nullptr) {
        SDL_FreeSurface(app.rotationSource);
        app.rotationSource = nullptr;
    }
    if (app.backBuffer != nullptr && app.backBuffer != app.screen) {
        SDL_FreeSurface(app.backBuffer);
    }
    app.backBuffer = nullptr;
    app.present = nullptr;
    app.screen = nullptr;
}
