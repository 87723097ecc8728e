#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/support/alloc_check.h"
#include "toolkit/gfx/clock.h"
#include "toolkit/gfx/disp.h"
#include "toolkit/ui/inp.h"
#include "util/mem.h"

namespace {

SDL_Event key_event(uint8_t type, uint32_t sym)
{
    SDL_Event event;
    std::memset(&event, 0, sizeof event);
    event.type = type;
    event.key.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    std::memcpy(&event.key.keysym.sym, &sym, sizeof sym);
    return event;
}

SDL_Event quit_event()
{
    SDL_Event event;
    std::memset(&event, 0, sizeof event);
    event.type = SDL_QUIT;
    return event;
}

// Events arrive one per delay of the waits, as a player's keys would while the program sleeps.
std::vector<SDL_Event> script;
size_t scriptNext = 0;
uint32_t now = 0;

uint32_t script_ticks()
{
    return now;
}

void script_delay(uint32_t ms)
{
    now += ms;
    if (scriptNext < script.size()) {
        SDL_PushEvent(&script[scriptNext++]);
    } else if (now > 600000) {
        std::fprintf(stderr, "a wait did not end when its script ran out\n");
        std::abort();
    }
}

void play(std::vector<SDL_Event> events)
{
    script = std::move(events);
    scriptNext = 0;
    now = 0;
    CLK_SetSource(script_ticks, script_delay);
}

int quits = 0;

int count_quit(SDL_Event* /*event*/, uintptr_t /*user*/)
{
    quits++;
    return 1;
}

// The codes that type themselves as key symbols of the same value.
std::set<uint32_t> same_codes()
{
    std::set<uint32_t> codes{8, 9, 12, 13, 19, 27, 127};
    for (uint32_t c = 32; c <= 36; c++) {
        codes.insert(c);
    }
    for (uint32_t c = 38; c <= 64; c++) {
        codes.insert(c);
    }
    for (uint32_t c = 91; c <= 122; c++) {
        codes.insert(c);
    }
    return codes;
}

SDL_Rect rect(int16_t x, int16_t y, uint16_t w, uint16_t h)
{
    return SDL_Rect{x, y, w, h};
}

std::string text(const SDL_Rect& r)
{
    return std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.w) + "," +
           std::to_string(r.h);
}

std::string intersect(SDL_Rect a, SDL_Rect b)
{
    SDL_Rect out{};
    INP_IntersectRect(&a, &b, &out);
    return text(out);
}

}  // namespace

TEST(KeyTables, CharactersToKeys)
{
    std::set<uint32_t> same = same_codes();
    for (uint32_t c = 0; c < 256; c++) {
        uint32_t expected = 0;
        if (same.count(c) != 0) {
            expected = c;
        } else if (c >= 'A' && c <= 'Z') {
            expected = c - 'A' + 'a';
        }
        EXPECT_EQ(INP_CharToKey(static_cast<unsigned char>(c)), expected) << "character " << c;
    }
    EXPECT_EQ(INP_CharToKey('A'), 97u);
    EXPECT_EQ(INP_CharToKey('a'), 97u);
    EXPECT_EQ(INP_CharToKey('%'), 0u);
    EXPECT_EQ(INP_CharToKey('{'), 0u);
    EXPECT_EQ(INP_CharToKey(static_cast<unsigned char>('\xE9')), 0u) << "a Latin-1 byte has no key";
}

TEST(KeyTables, KeysToCharacters)
{
    std::set<uint32_t> same = same_codes();
    const char* keypad = "0123456789./*-+\r=";
    for (uint32_t k = 0; k < 323; k++) {
        unsigned char expected = 0;
        if (same.count(k) != 0) {
            expected = static_cast<unsigned char>(k);
        } else if (k >= SDLK_KP0 && k <= SDLK_KP_EQUALS) {
            expected = static_cast<unsigned char>(keypad[k - SDLK_KP0]);
        } else if (k == SDLK_EURO) {
            expected = 'E';
        }
        EXPECT_EQ(INP_KeyToChar(k), expected) << "key " << k;
    }
    EXPECT_EQ(INP_KeyToChar(256), '0');
    EXPECT_EQ(INP_KeyToChar(271), 13);
    EXPECT_EQ(INP_KeyToChar(273), 0) << "cursor up types nothing";
    EXPECT_EQ(INP_KeyToChar(323), 0);
    EXPECT_EQ(INP_KeyToChar(UINT32_MAX), 0);

    // The tables agree: every character that has a key comes back from it (letters lower-case).
    for (uint32_t c = 1; c < 128; c++) {
        uint32_t key = INP_CharToKey(static_cast<unsigned char>(c));
        if (key != 0) {
            unsigned char back = INP_KeyToChar(key);
            EXPECT_EQ(back, c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) << "character " << c;
        }
    }
}

TEST(KeyNames, NamesAsSdlSpellsThem)
{
    EXPECT_EQ(INP_KeyFromName("space"), 32u);
    EXPECT_EQ(INP_KeyFromName("escape"), 27u);
    EXPECT_EQ(INP_KeyFromName("Space"), 0u) << "names are case-sensitive";
    EXPECT_EQ(INP_KeyFromName("Escape"), 0u);
    EXPECT_EQ(INP_KeyFromName("up"), static_cast<uint32_t>(SDLK_UP));
    EXPECT_EQ(INP_KeyFromName("x"), static_cast<uint32_t>(SDLK_x));
    EXPECT_EQ(INP_KeyFromName("p"), static_cast<uint32_t>(SDLK_p));
    EXPECT_EQ(INP_KeyFromName("[0]"), static_cast<uint32_t>(SDLK_KP0));
    EXPECT_EQ(INP_KeyFromName("no such key"), 0u);
    EXPECT_EQ(INP_KeyFromName(""), 0u);
    EXPECT_EQ(INP_KeyFromName(nullptr), 0u);

    EXPECT_EQ(INP_KeyFromName(";"), static_cast<uint32_t>(SDLK_SEMICOLON))
        << "the semicolon key keeps its classic name";
    EXPECT_EQ(INP_KeyFromName(SDL_GetKeyName(SDLK_SEMICOLON)), static_cast<uint32_t>(SDLK_SEMICOLON))
        << "and its name in this SDL";
}

TEST(KeyNames, EveryNamedKeyComesBackFromItsName)
{
    std::string unknown = SDL_GetKeyName(SDLK_UNKNOWN);
    int named = 0;
    for (uint32_t k = 1; k < 323; k++) {
        const char* name = SDL_GetKeyName(static_cast<SDLKey>(k));
        if (name == nullptr || unknown == name) {
            continue;
        }
        named++;
        EXPECT_EQ(INP_KeyFromName(name), k) << "key name \"" << name << "\"";
    }
    EXPECT_GT(named, 200) << "SDL names the keys of a keyboard";
}

TEST(Rectangles, Intersections)
{
    EXPECT_EQ(intersect(rect(0, 0, 10, 10), rect(5, 5, 10, 10)), "5,5,5,5");
    EXPECT_EQ(intersect(rect(0, 0, 10, 10), rect(20, 20, 5, 5)), "20,20,0,0") << "apart";
    EXPECT_EQ(intersect(rect(0, 0, 10, 10), rect(10, 0, 5, 5)), "10,0,0,5") << "touching edges";
    EXPECT_EQ(intersect(rect(0, 0, 10, 10), rect(0, 10, 5, 5)), "0,10,5,0");
    EXPECT_EQ(intersect(rect(2, 3, 4, 5), rect(0, 0, 100, 100)), "2,3,4,5") << "contained";
    EXPECT_EQ(intersect(rect(-10, -20, 15, 25), rect(-5, -5, 100, 100)), "-5,-5,10,10");
    EXPECT_EQ(intersect(rect(-100, -100, 10, 10), rect(0, 0, 5, 5)), "0,0,0,0")
        << "no negative size for rectangles far apart";
    EXPECT_EQ(intersect(rect(0, 0, 0, 0), rect(0, 0, 5, 5)), "0,0,0,0") << "empty";
    EXPECT_EQ(intersect(rect(0, 0, 65535, 65535), rect(10, 10, 5, 5)), "10,10,5,5")
        << "a rectangle reaching past 32767 does not wrap around";
    EXPECT_EQ(intersect(rect(30000, 30000, 10000, 10000), rect(32000, 32000, 1000, 1000)),
              "32000,32000,1000,1000")
        << "edges beyond 32767 do not wrap around";

    SDL_Rect a = rect(0, 0, 10, 10);
    SDL_Rect b = rect(4, 6, 10, 10);
    INP_IntersectRect(&a, &b, &a);
    EXPECT_EQ(text(a), "4,6,6,4") << "the output may be a source";
    INP_IntersectRect(nullptr, &b, &a);
    EXPECT_EQ(text(a), "4,6,6,4") << "a missing source changes nothing";
}

TEST(Devices, JoysticksAndMutexes)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    if (SDL_NumJoysticks() == 0) {
        EXPECT_EQ(INP_OpenJoystick(0, 0, 0, 0, 0), nullptr) << "no joystick, none opened";
    }
    EXPECT_EQ(INP_OpenJoystick(SDL_NumJoysticks(), 0, 0, 0, 0), nullptr) << "none from past the last";
    EXPECT_EQ(INP_OpenJoystick(0, 1000, 1000, 1000, 1000), nullptr) << "none so capable";
    SDL_Quit();

    SDL_mutex* mutex = INP_CreateMutex();
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(SDL_mutexP(mutex), 0) << "the mutex can be locked";
    EXPECT_EQ(SDL_mutexV(mutex), 0);
    SDL_DestroyMutex(mutex);

    int points = CheckEachAllocationFailure([] {
        SDL_mutex* made = INP_CreateMutex();
        if (made == nullptr) {
            return false;
        }
        SDL_DestroyMutex(made);
        return true;
    });
    EXPECT_EQ(points, 1);
}

class KeyWaits : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    }
    static void TearDownTestSuite()
    {
        SDL_Quit();
    }
    void SetUp() override
    {
        DISP_Init();
        DISP_Flush();
        quits = 0;
    }
    void TearDown() override
    {
        DISP_Quit();
        DISP_Flush();
        CLK_SetSource(nullptr, nullptr);
    }
};

TEST_F(KeyWaits, WaitKeyReturnsTheFirstReleaseOfItsList)
{
    DISP_Handler* quit = DISP_AddHandler(SDL_QUIT, count_quit, 0);
    play({key_event(SDL_KEYDOWN, SDLK_b), key_event(SDL_KEYUP, SDLK_a), quit_event(),
          key_event(SDL_KEYUP, SDLK_b), key_event(SDL_KEYUP, SDLK_c)});
    const uint32_t keys[] = {SDLK_c, SDLK_b, 0};
    EXPECT_EQ(INP_WaitKey(keys), static_cast<uint32_t>(SDLK_b))
        << "a press and a release not in the list do not end the wait";
    EXPECT_EQ(quits, 0) << "waiting for a release, the quit is dropped";

    play({key_event(SDL_KEYDOWN, SDLK_UP), key_event(SDL_KEYUP, SDLK_UP)});
    EXPECT_EQ(INP_WaitKey(nullptr), static_cast<uint32_t>(SDLK_UP)) << "any key will do";
    DISP_RemoveHandler(quit);
}

TEST_F(KeyWaits, WaitCharMatchesTheTypedCharacterExactly)
{
    play({key_event(SDL_KEYUP, SDLK_UP)});
    EXPECT_EQ(INP_WaitChar(""), 0) << "a cursor key types no character";

    play({key_event(SDL_KEYUP, SDLK_q), key_event(SDL_KEYUP, SDLK_UP), key_event(SDL_KEYUP, SDLK_z)});
    EXPECT_EQ(INP_WaitChar("Qz"), 'z') << "an upper-case letter never matches";

    play({key_event(SDL_KEYUP, SDLK_5), key_event(SDL_KEYUP, SDLK_KP5)});
    EXPECT_EQ(INP_WaitChar("5"), '5') << "the first key typing '5' ends the wait";
    EXPECT_EQ(scriptNext, 1u);

    play({key_event(SDL_KEYUP, SDLK_KP_ENTER)});
    EXPECT_EQ(INP_WaitChar(nullptr), 13) << "keypad Enter types a carriage return";
}

TEST_F(KeyWaits, WaitsGiveUpWhenSdlIsNotStarted)
{
    SDL_Quit();
    EXPECT_EQ(INP_WaitKey(nullptr), 0u);
    EXPECT_EQ(INP_WaitChar("a"), 0);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
}
