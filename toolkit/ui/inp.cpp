#include "toolkit/ui/inp.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "toolkit/gfx/disp.h"
#include "util/mem.h"

namespace {

constexpr uint32_t kNumKeys = 323;

std::array<uint32_t, 256> charToKey{};
std::array<unsigned char, kNumKeys> keyToChar{};
int32_t tablesReady = 0;

void ensure_tables()
{
    if (tablesReady == 0) {
        INP_InitKeyTables();
    }
}

// The codes whose key symbol has the same value.
bool is_same_code(uint32_t c)
{
    return c == 8 || c == 9 || c == 12 || c == 13 || c == 19 || c == 27 || (c >= 32 && c <= 36) ||
           (c >= 38 && c <= 64) || (c >= 91 && c <= 122) || c == 127;
}

// Waits for the next key release; false when SDL's queue cannot be read.
bool next_release(uint32_t* key)
{
    SDL_Event event;
    event.type = SDL_NOEVENT;
    (void)DISP_WaitFor(&event, SDL_KEYUP, 0);
    if (event.type != SDL_KEYUP) {
        return false;
    }
    // Copied as a number: the enum type cannot hold every value a queued event may carry.
    static_assert(sizeof *key == sizeof event.key.keysym.sym);
    std::memcpy(key, &event.key.keysym.sym, sizeof *key);
    return true;
}

bool in_list(const uint32_t* keys, uint32_t key)
{
    for (; *keys != 0; keys++) {
        if (*keys == key) {
            return true;
        }
    }
    return false;
}

}  // namespace

void INP_InitKeyTables()
{
    charToKey.fill(0);
    keyToChar.fill(0);
    for (uint32_t c = 0; c < 128; c++) {
        if (is_same_code(c)) {
            charToKey[c] = c;
            keyToChar[c] = static_cast<unsigned char>(c);
        }
    }
    for (uint32_t c = 'A'; c <= 'Z'; c++) {
        charToKey[c] = c - 'A' + 'a';
    }
    constexpr const char* kKeypad = "0123456789./*-+\r=";
    for (uint32_t i = 0; kKeypad[i] != '\0'; i++) {
        keyToChar[SDLK_KP0 + i] = static_cast<unsigned char>(kKeypad[i]);
    }
    keyToChar[SDLK_EURO] = 'E';
    tablesReady = -1;
}

uint32_t INP_CharToKey(unsigned char c)
{
    ensure_tables();
    return charToKey[c];
}

unsigned char INP_KeyToChar(uint32_t key)
{
    ensure_tables();
    return key < kNumKeys ? keyToChar[key] : 0;
}

uint32_t INP_KeyFromName(const char* name)
{
    if (name == nullptr) {
        return 0;
    }
    for (uint32_t key = 0; key < kNumKeys; key++) {
        const char* known = SDL_GetKeyName(static_cast<SDLKey>(key));
        if (known != nullptr && std::strcmp(name, known) == 0) {
            return key;
        }
        // Configurations written where SDL named this key ";" must keep working.
        if (key == SDLK_SEMICOLON && std::strcmp(name, ";") == 0) {
            return key;
        }
    }
    return 0;
}

uint32_t INP_WaitKey(const uint32_t* keys)
{
    uint32_t key = 0;
    for (;;) {
        if (!next_release(&key)) {
            return 0;
        }
        if (keys == nullptr || in_list(keys, key)) {
            return key;
        }
    }
}

unsigned char INP_WaitChar(const char* chars)
{
    ensure_tables();
    size_t count = chars == nullptr ? 0 : std::strlen(chars);
    uint32_t key = 0;
    for (;;) {
        if (!next_release(&key)) {
            return 0;
        }
        unsigned char typed = INP_KeyToChar(key);
        if (count == 0) {
            return typed;
        }
        if (typed != 0 && std::memchr(chars, typed, count) != nullptr) {
            return typed;
        }
    }
}

SDL_Joystick* INP_OpenJoystick(int first, int axes, int hats, int balls, int buttons)
{
    first = std::max(first, 0);
    int count = SDL_NumJoysticks();
    for (int i = first; i < count; i++) {
        SDL_Joystick* stick = SDL_JoystickOpen(i);
        if (stick == nullptr) {
            continue;
        }
        if (SDL_JoystickNumAxes(stick) >= axes && SDL_JoystickNumHats(stick) >= hats &&
            SDL_JoystickNumBalls(stick) >= balls && SDL_JoystickNumButtons(stick) >= buttons) {
            return stick;
        }
        SDL_JoystickClose(stick);
    }
    return nullptr;
}

SDL_mutex* INP_CreateMutex()
{
    if (!MEM_Allow()) {
        return nullptr;
    }
    SDL_mutex* mutex = SDL_CreateMutex();
    if (mutex == nullptr) {
        return nullptr;
    }
    if (SDL_mutexP(mutex) == -1) {
        SDL_DestroyMutex(mutex);
        return nullptr;
    }
    SDL_mutexV(mutex);
    return mutex;
}

void INP_IntersectRect(const SDL_Rect* a, const SDL_Rect* b, SDL_Rect* out)
{
    if (a == nullptr || b == nullptr || out == nullptr) {
        return;
    }
    int32_t x = std::max<int32_t>(a->x, b->x);
    int32_t y = std::max<int32_t>(a->y, b->y);
    int32_t right = std::min<int32_t>(a->x + a->w, b->x + b->w);
    int32_t bottom = std::min<int32_t>(a->y + a->h, b->y + b->h);
    out->x = static_cast<Sint16>(x);
    out->y = static_cast<Sint16>(y);
    out->w = static_cast<Uint16>(std::clamp<int32_t>(right - x, 0, UINT16_MAX));
    out->h = static_cast<Uint16>(std::clamp<int32_t>(bottom - y, 0, UINT16_MAX));
}
