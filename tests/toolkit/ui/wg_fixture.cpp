#include "tests/toolkit/ui/wg_fixture.h"

#include <cstring>

#include "toolkit/ui/wgcontrol.h"
#include "toolkit/ui/wgentry.h"

bool TestFont::Make(uint32_t ink)
{
    std::memset(&font, 0, sizeof font);
    font.picture = SDL_CreateRGBSurface(SDL_SWSURFACE, 256 * 6, 6, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    if (font.picture == nullptr) {
        return false;
    }
    SDL_FillRect(font.picture, nullptr, ink);
    font.smallestWidth = 2;
    font.smallestHeight = 6;
    font.largestWidth = 6;
    font.largestHeight = 6;
    for (int c = 0x20; c <= 0xFF; c++) {
        if (c > 0x7E && c < 0xA1) {
            continue;
        }
        const uint16_t w = c == 'i' ? 2 : c == 'W' ? 6 : 4;
        font.glyphs[c] = SDL_Rect{static_cast<int16_t>(c * 6), 0, w, 6};
    }
    return true;
}

void TestFont::Free()
{
    SDL_FreeSurface(font.picture);
    font.picture = nullptr;
}

SDL_Surface* NewTestSurface(int w, int h)
{
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    if (s != nullptr) {
        SDL_FillRect(s, nullptr, 0);
    }
    return s;
}

uint32_t PixelOf(SDL_Surface* s, int x, int y)
{
    return static_cast<const uint32_t*>(s->pixels)[y * (s->pitch / 4) + x];
}

WG_Widget* NewTestScreen(SDL_Surface** surface)
{
    const AUX_Tag tags[] = {
        {WG_TAG_KIND, WG_SCREEN},
        {WG_SCREEN_SURFACE, reinterpret_cast<uintptr_t>(surface)},
        {0, 0},
    };
    return WG_Create(nullptr, tags);
}

void PushKey(uint8_t type, SDLKey key, uint16_t unicode)
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = type;
    e.key.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    e.key.keysym.unicode = type == SDL_KEYDOWN ? unicode : 0;
    SDL_PushEvent(&e);
}

void PushKeyPress(SDLKey key, uint16_t unicode)
{
    PushKey(SDL_KEYDOWN, key, unicode);
    PushKey(SDL_KEYUP, key, 0);
}

void PushMouseMotion(int x, int y)
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_MOUSEMOTION;
    e.motion.type = SDL_MOUSEMOTION;
    e.motion.x = static_cast<uint16_t>(x);
    e.motion.y = static_cast<uint16_t>(y);
    SDL_PushEvent(&e);
}

void PushMouseButton(uint8_t type, uint8_t button, int x, int y)
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = type;
    e.button.type = type;
    e.button.button = button;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = static_cast<uint16_t>(x);
    e.button.y = static_cast<uint16_t>(y);
    SDL_PushEvent(&e);
}

void PushQuit()
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
}

int Pump(uint32_t flags)
{
    return WG_HandleEvents(flags, SDL_QUIT);
}

bool StartTestVideo()
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        return false;
    }
    return SDL_SetVideoMode(255, 255, 32, SDL_SWSURFACE) != nullptr;
}

void StopTestVideo()
{
    SDL_Quit();
}

void MoveMouse(int x, int y)
{
    SDL_WarpMouse(static_cast<uint16_t>(x), static_cast<uint16_t>(y));
    (void)Pump();
}
