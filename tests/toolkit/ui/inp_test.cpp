#include <gtest/gtest.h>

#include <SDL.h>

#include <string>
#include <vector>

#include "tests/support/alloc_check.h"
#include "tests/support/surface_util.h"
#include "toolkit/gfx/clock.h"
#include "toolkit/gfx/disp.h"
#include "toolkit/ui/inp.h"

namespace {

// A key event, released unless `type` says otherwise.
SDL_Event Key(SDLKey sym, uint8_t type = SDL_KEYUP)
{
    SDL_Event event{};
    const uint8_t state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key = SDL_KeyboardEvent{type, 0, state, {0, sym, KMOD_NONE, 0}};
    return event;
}

// Queues the events a wait is to find; the virtual clock keeps a wait that misses them from
// sleeping for real.
void play(std::vector<SDL_Event> events)
{
    CLK_UseVirtual(0);
    for (SDL_Event& event : events) {
        ASSERT_EQ(SDL_PushEvent(&event), 0) << SDL_GetError();
    }
}

}  // namespace

TEST(KeyTables, CharactersAndKeysTranslateBothWays)
{
    const struct {
        unsigned char c;
        uint32_t key;
    } chars[] = {{8, SDLK_BACKSPACE}, {' ', SDLK_SPACE}, {'$', SDLK_DOLLAR}, {'%', 0},
                 {'&', SDLK_AMPERSAND}, {'@', SDLK_AT}, {'A', SDLK_a}, {'Z', SDLK_z}, {'z', SDLK_z},
                 {'{', 0}, {127, SDLK_DELETE}, {0xE9, 0}};
    for (const auto& c : chars) {
        EXPECT_EQ(INP_CharToKey(c.c), c.key) << int(c.c) << "; '%', '{' and Latin-1 have no key";
    }
    const struct {
        uint32_t key;
        unsigned char c;
    } keys[] = {{SDLK_a, 'a'},   {SDLK_KP0, '0'}, {SDLK_KP_ENTER, '\r'}, {SDLK_KP_EQUALS, '='},
                {SDLK_EURO, 'E'}, {SDLK_UP, 0},    {322, 0},              {323, 0},
                {UINT32_MAX, 0}};
    for (const auto& k : keys) {
        EXPECT_EQ(INP_KeyToChar(k.key), k.c)
            << k.key << "; cursor keys type nothing, 323 is out of range";
    }
}

TEST(KeyNames, NamesAsSdlSpellsThem)
{
    const struct {
        const char* name;
        uint32_t key;
    } names[] = {{"space", 32}, {"escape", 27}, {"Space", 0}, {"Escape", 0}, {"no such key", 0}, {"", 0},
                 {nullptr, 0}, {";", SDLK_SEMICOLON}};
    for (const auto& n : names) {
        EXPECT_EQ(INP_KeyFromName(n.name), n.key) << (n.name ? n.name : "NULL")
                                                    << "; case matters, the semicolon keeps its classic name";
    }
    std::string unknown = SDL_GetKeyName(SDLK_UNKNOWN);
    int named = 0;
    for (uint32_t k = 1; k < 323; k++) {
        const char* name = SDL_GetKeyName(static_cast<SDLKey>(k));
        if (name != nullptr && unknown != name) {
            named++;
            EXPECT_EQ(INP_KeyFromName(name), k) << "key name \"" << name << "\" in this SDL";
        }
    }
    EXPECT_GT(named, 200) << "SDL names the keys of a keyboard";
}

TEST(Rectangles, IntersectionsNeverWrapOrGoNegative)
{
    const struct {
        SDL_Rect a, b;
        const char* out;
    } cases[] = {
        {{0, 0, 10, 10}, {5, 5, 10, 10}, "5,5 5x5"},
        {{0, 0, 10, 10}, {10, 0, 5, 5}, "10,0 0x5"},
        {{0, 0, 10, 10}, {0, 10, 5, 5}, "0,10 5x0"},
        {{-10, -20, 15, 25}, {-5, -5, 100, 100}, "-5,-5 10x10"},
        {{-100, -100, 10, 10}, {0, 0, 5, 5}, "0,0 0x0"},
        {{0, 0, 65535, 65535}, {10, 10, 5, 5}, "10,10 5x5"},
    };
    for (const auto& c : cases) {
        SDL_Rect out{};
        INP_IntersectRect(&c.a, &c.b, &out);
        EXPECT_EQ(RectText(out), c.out) << RectText(c.a) << " and " << RectText(c.b)
                                        << ": overlapping, touching, contained, apart, past 32767";
    }
    SDL_Rect out{1, 2, 3, 4};
    INP_IntersectRect(&cases[0].a, nullptr, &out);
    EXPECT_EQ(RectText(out), "1,2 3x4") << "without a second rectangle the output is left alone";
}

TEST(Devices, JoysticksAndMutexes)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    EXPECT_EQ(INP_OpenJoystick(SDL_NumJoysticks(), 0, 0, 0, 0), nullptr) << "none from past the last";
    SDL_Quit();
    EXPECT_EQ(CheckEachAllocationFailure([] {
                  SDL_mutex* made = INP_CreateMutex();
                  SDL_DestroyMutex(made);
                  return made != nullptr;
              }),
              1);
}

class KeyWaits : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        DISP_Init();
    }
    void TearDown() override
    {
        DISP_Quit();
        CLK_SetSource(nullptr, nullptr);
        SDL_Quit();
    }
};

TEST_F(KeyWaits, WaitsEndAtTheFirstReleaseOfTheirKeysOrCharacters)
{
    play({Key(SDLK_b, SDL_KEYDOWN), Key(SDLK_a), Key(SDLK_UNKNOWN, SDL_QUIT), Key(SDLK_b)});
    const uint32_t keys[] = {SDLK_c, SDLK_b, 0};
    EXPECT_EQ(INP_WaitKey(keys), static_cast<uint32_t>(SDLK_b))
        << "a press, a release not in the list and a quit go on";
    play({Key(SDLK_q), Key(SDLK_UP), Key(SDLK_z)});
    EXPECT_EQ(INP_WaitChar("Qz"), 'z') << "an upper-case letter never matches";
    play({Key(SDLK_KP_ENTER)});
    EXPECT_EQ(INP_WaitChar(nullptr), 13) << "any key will do; keypad Enter types a carriage return";
    SDL_Quit();
    EXPECT_EQ(INP_WaitKey(nullptr) + INP_WaitChar("a"), 0u)
        << "waits give up when SDL is not started";
}
