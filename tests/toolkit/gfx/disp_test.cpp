#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/alloc_check.h"
#include "toolkit/gfx/clock.h"
#include "toolkit/gfx/disp.h"
#include "util/mem.h"

namespace {

// What the handlers saw, in order, as short texts such as "A5" (handler A, event type 5).
std::vector<std::string> calls;

SDL_Event key_event(uint8_t type, uint32_t sym, uint16_t unicode = 0)
{
    SDL_Event event;
    std::memset(&event, 0, sizeof event);
    event.type = type;
    event.key.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    // Stored as a number: out-of-range symbols are part of the test.
    std::memcpy(&event.key.keysym.sym, &sym, sizeof sym);
    event.key.keysym.unicode = unicode;
    return event;
}

SDL_Event plain_event(uint8_t type)
{
    SDL_Event event;
    std::memset(&event, 0, sizeof event);
    event.type = type;
    return event;
}

void push(SDL_Event event)
{
    ASSERT_EQ(SDL_PushEvent(&event), 0) << SDL_GetError();
}

int handler_a(SDL_Event* event, uintptr_t user)
{
    calls.push_back("A" + std::to_string(event->type));
    return static_cast<int>(user);
}

int handler_b(SDL_Event* event, uintptr_t user)
{
    calls.push_back("B" + std::to_string(event->type));
    return static_cast<int>(user);
}

int key_a(SDL_keysym* key, uint8_t type, uintptr_t user)
{
    calls.push_back("a" + std::to_string(key->sym) + (type == SDL_KEYDOWN ? "d" : "u"));
    return static_cast<int>(user);
}

int key_b(SDL_keysym* key, uint8_t type, uintptr_t /*user*/)
{
    calls.push_back("b" + std::to_string(key->sym) + (type == SDL_KEYDOWN ? "d" : "u"));
    return 5;
}

// A scripted input: each event is pushed once the virtual clock reaches its time, from inside
// the waits' delays, as a player's keys would arrive while the program sleeps.
struct Scripted {
    uint32_t at;
    SDL_Event event;
};
std::vector<Scripted> script;
size_t scriptNext = 0;
uint32_t now = 0;

uint32_t script_ticks()
{
    return now;
}

void script_delay(uint32_t ms)
{
    now += ms;
    while (scriptNext < script.size() && script[scriptNext].at <= now) {
        SDL_Event event = script[scriptNext++].event;
        SDL_PushEvent(&event);
    }
    if (scriptNext == script.size() && now > 600000) {
        // A wait that outlives its script would otherwise never return.
        std::fprintf(stderr, "a wait did not end when its script ran out\n");
        std::abort();
    }
}

void play(std::vector<Scripted> events)
{
    script = std::move(events);
    scriptNext = 0;
    now = 0;
    CLK_SetSource(script_ticks, script_delay);
}

class Dispatch : public ::testing::Test {
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
        calls.clear();
        baseline = MEM_LiveBlocks();
    }
    void TearDown() override
    {
        DISP_Quit();
        DISP_Flush();
        CLK_SetSource(nullptr, nullptr);
        EXPECT_EQ(MEM_LiveBlocks(), baseline) << "handler records leaked";
    }
    int64_t baseline = 0;
};

}  // namespace

TEST_F(Dispatch, NewestHandlerWinsAndRemovingItGivesControlBack)
{
    DISP_Handler* first = DISP_AddHandler(SDL_MOUSEBUTTONDOWN, handler_a, 11);
    DISP_Handler* second = DISP_AddHandler(SDL_MOUSEBUTTONDOWN, handler_b, 22);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);

    push(plain_event(SDL_MOUSEBUTTONDOWN));
    EXPECT_EQ(DISP_PollOne(), 22) << "the newest handler's result comes back";
    EXPECT_EQ(calls, (std::vector<std::string>{"B5"})) << "only the newest handler runs";

    DISP_RemoveHandler(second);
    push(plain_event(SDL_MOUSEBUTTONDOWN));
    EXPECT_EQ(DISP_PollOne(), 11);
    EXPECT_EQ(calls.back(), "A5") << "the older handler is back in charge";

    DISP_RemoveHandler(first);
    DISP_RemoveHandler(nullptr);
    push(plain_event(SDL_MOUSEBUTTONDOWN));
    EXPECT_EQ(DISP_PollOne(), 1) << "an event without a handler gives 1";
    EXPECT_EQ(DISP_PollOne(), 0) << "an empty queue gives 0";
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(Dispatch, AHandlerWithoutFunctionSwallowsTheEvents)
{
    DISP_Handler* older = DISP_AddHandler(SDL_QUIT, handler_a, 3);
    DISP_Handler* blocker = DISP_AddHandler(SDL_QUIT, nullptr, 0);
    ASSERT_NE(blocker, nullptr);
    SDL_Event quit = plain_event(SDL_QUIT);
    EXPECT_EQ(DISP_Dispatch(&quit), 1);
    EXPECT_TRUE(calls.empty()) << "the older handler must not run while a newer one blocks it";
    DISP_RemoveHandler(blocker);
    EXPECT_EQ(DISP_Dispatch(&quit), 3);
    DISP_RemoveHandler(older);
    EXPECT_EQ(DISP_Dispatch(nullptr), 1);
}

TEST_F(Dispatch, KeyTypesAndOutOfRangeRegistrationsAreRefused)
{
    EXPECT_EQ(DISP_AddHandler(SDL_KEYDOWN, handler_a, 0), nullptr);
    EXPECT_EQ(DISP_AddHandler(SDL_KEYUP, handler_a, 0), nullptr);
    EXPECT_EQ(DISP_AddHandler(DISP_NUM_TYPES, handler_a, 0), nullptr);
    EXPECT_EQ(DISP_AddHandler(UINT32_MAX, handler_a, 0), nullptr);
    EXPECT_EQ(DISP_AddKeyHandler(DISP_NUM_KEYS, key_a, 0), nullptr);
    EXPECT_EQ(MEM_LiveBlocks(), baseline) << "a refused registration allocates nothing";

    DISP_Handler* last = DISP_AddKeyHandler(DISP_NUM_KEYS - 1, key_a, 0);
    DISP_Handler* lastType = DISP_AddHandler(DISP_NUM_TYPES - 1, handler_a, 0);
    EXPECT_NE(last, nullptr) << "key symbol 322 is the last valid one";
    EXPECT_NE(lastType, nullptr) << "event type 31 is the last valid one";
    DISP_RemoveKeyHandler(last);
    DISP_RemoveHandler(lastType);
}

TEST_F(Dispatch, KeyEventsReachTheNewestHandlerOfTheirSymbol)
{
    int marker = 0;
    auto address = reinterpret_cast<uintptr_t>(&marker);
    DISP_Handler* a = DISP_AddKeyHandler(SDLK_a, key_a, 7);
    ASSERT_NE(a, nullptr);
    push(key_event(SDL_KEYDOWN, SDLK_a));
    push(key_event(SDL_KEYUP, SDLK_a));
    push(key_event(SDL_KEYDOWN, SDLK_b));
    EXPECT_EQ(DISP_PollOne(), 7);
    EXPECT_EQ(DISP_PollOne(), 7);
    EXPECT_EQ(DISP_PollOne(), 1) << "a key without a handler gives 1";
    EXPECT_EQ(calls, (std::vector<std::string>{"a97d", "a97u"}));

    DISP_Handler* newer = DISP_AddKeyHandler(SDLK_a, key_b, address);
    ASSERT_NE(newer, nullptr);
    EXPECT_EQ(newer->user, address) << "a full address survives as the user value";
    SDL_Event down = key_event(SDL_KEYDOWN, SDLK_a);
    EXPECT_EQ(DISP_Dispatch(&down), 5);
    EXPECT_EQ(calls.back(), "b97d");
    DISP_RemoveKeyHandler(newer);
    EXPECT_EQ(DISP_Dispatch(&down), 7);
    EXPECT_EQ(calls.back(), "a97d");
    DISP_RemoveKeyHandler(a);
}

TEST_F(Dispatch, SymbolsAndTypesOutOfRangeAreIgnored)
{
    DISP_HandlerSet* keys = DISP_NewKeyHandlerSet(key_a, 9);
    ASSERT_NE(keys, nullptr);
    for (uint32_t sym : {323u, 400u, 0xFFFFu, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        SDL_Event event = key_event(SDL_KEYDOWN, sym);
        EXPECT_EQ(DISP_Dispatch(&event), 1) << "key symbol " << sym;
    }
    EXPECT_TRUE(calls.empty()) << "no handler runs for an unknown symbol";
    SDL_Event last = key_event(SDL_KEYUP, 322);
    EXPECT_EQ(DISP_Dispatch(&last), 9);

    DISP_HandlerSet* types = DISP_NewTypeHandlerSet(handler_a, 4);
    ASSERT_NE(types, nullptr);
    for (uint32_t type : {32u, 100u, 255u}) {
        SDL_Event event = plain_event(static_cast<uint8_t>(type));
        EXPECT_EQ(DISP_Dispatch(&event), 1) << "event type " << type;
    }
    SDL_Event user = plain_event(SDL_USEREVENT + 7);
    EXPECT_EQ(DISP_Dispatch(&user), 4) << "type 31 is served";
    DISP_FreeTypeHandlerSet(types);
    DISP_FreeKeyHandlerSet(keys);
}

TEST_F(Dispatch, HandlerSetsTakeOverAndGiveBack)
{
    DISP_Handler* quit = DISP_AddHandler(SDL_QUIT, handler_a, 1);
    DISP_Handler* up = DISP_AddKeyHandler(SDLK_UP, key_a, 2);
    DISP_HandlerSet* keys = DISP_NewKeyHandlerSet(key_b, 0);
    DISP_HandlerSet* types = DISP_NewTypeHandlerSet(handler_b, 6);
    ASSERT_NE(keys, nullptr);
    ASSERT_NE(types, nullptr);

    SDL_Event upDown = key_event(SDL_KEYDOWN, SDLK_UP);
    SDL_Event quitEvent = plain_event(SDL_QUIT);
    EXPECT_EQ(DISP_Dispatch(&upDown), 5) << "the type set leaves the key types to the key table";
    EXPECT_EQ(DISP_Dispatch(&quitEvent), 6);
    EXPECT_EQ(calls, (std::vector<std::string>{"b273d", "B12"}));

    DISP_FreeTypeHandlerSet(types);
    DISP_FreeKeyHandlerSet(keys);
    DISP_FreeKeyHandlerSet(nullptr);
    DISP_FreeTypeHandlerSet(nullptr);
    EXPECT_EQ(DISP_Dispatch(&upDown), 2);
    EXPECT_EQ(DISP_Dispatch(&quitEvent), 1);
    EXPECT_EQ(calls.back(), "A12");
    DISP_RemoveHandler(quit);
    DISP_RemoveKeyHandler(up);
}

namespace {

DISP_Handler* selfRemoving = nullptr;

int remove_myself(SDL_Event* event, uintptr_t user)
{
    DISP_RemoveHandler(selfRemoving);
    selfRemoving = nullptr;
    return handler_a(event, user);
}

}  // namespace

TEST_F(Dispatch, AHandlerMayRemoveItselfWhileItRuns)
{
    DISP_Handler* older = DISP_AddHandler(SDL_ACTIVEEVENT, handler_b, 0);
    selfRemoving = DISP_AddHandler(SDL_ACTIVEEVENT, remove_myself, 0);
    ASSERT_NE(selfRemoving, nullptr);
    push(plain_event(SDL_ACTIVEEVENT));
    push(plain_event(SDL_ACTIVEEVENT));
    DISP_PollAll();
    EXPECT_EQ(calls, (std::vector<std::string>{"A1", "B1"}));
    EXPECT_EQ(DISP_PollOne(), 0) << "PollAll empties the queue";
    DISP_RemoveHandler(older);
}

TEST_F(Dispatch, FlushDropsEverythingUndispatched)
{
    DISP_Handler* mouse = DISP_AddHandler(SDL_MOUSEMOTION, handler_a, 0);
    DISP_Handler* key = DISP_AddKeyHandler(SDLK_x, key_a, 0);
    push(plain_event(SDL_MOUSEMOTION));
    push(key_event(SDL_KEYDOWN, SDLK_x));
    DISP_Flush();
    EXPECT_EQ(DISP_PollOne(), 0);
    EXPECT_TRUE(calls.empty());
    DISP_RemoveHandler(mouse);
    DISP_RemoveKeyHandler(key);
}

TEST_F(Dispatch, RegistrationsFailingAtEachAllocationLeaveTheTablesAsTheyWere)
{
    DISP_Handler* old = DISP_AddHandler(SDL_MOUSEBUTTONUP, handler_a, 31);
    DISP_Handler* oldKey = DISP_AddKeyHandler(SDLK_SPACE, key_a, 2);
    SDL_Event mouse = plain_event(SDL_MOUSEBUTTONUP);
    SDL_Event space = key_event(SDL_KEYDOWN, SDLK_SPACE);
    SDL_Event other = key_event(SDL_KEYDOWN, SDLK_z);

    int points = CheckEachAllocationFailure([&] {
        DISP_Handler* record = DISP_AddHandler(SDL_MOUSEBUTTONUP, handler_b, 3);
        if (record == nullptr) {
            EXPECT_EQ(DISP_Dispatch(&mouse), 31);
            EXPECT_EQ(calls.back(), "A6") << "the old handler still serves the type";
            return false;
        }
        EXPECT_EQ(DISP_Dispatch(&mouse), 3);
        DISP_RemoveHandler(record);
        return true;
    });
    EXPECT_EQ(points, 1);

    points = CheckEachAllocationFailure([&] {
        DISP_Handler* record = DISP_AddKeyHandler(SDLK_SPACE, key_b, 0);
        if (record == nullptr) {
            EXPECT_EQ(DISP_Dispatch(&space), 2) << "the old key handler still serves space";
            return false;
        }
        EXPECT_EQ(DISP_Dispatch(&space), 5);
        DISP_RemoveKeyHandler(record);
        return true;
    });
    EXPECT_EQ(points, 1);

    points = CheckEachAllocationFailure([&] {
        DISP_HandlerSet* set = DISP_NewKeyHandlerSet(key_b, 0);
        if (set == nullptr) {
            EXPECT_EQ(DISP_Dispatch(&space), 2) << "nothing of a failed set is linked";
            EXPECT_EQ(DISP_Dispatch(&other), 1) << "nothing of a failed set is linked";
            return false;
        }
        EXPECT_EQ(DISP_Dispatch(&other), 5);
        DISP_FreeKeyHandlerSet(set);
        return true;
    });
    EXPECT_EQ(points, 1);

    points = CheckEachAllocationFailure([&] {
        DISP_HandlerSet* set = DISP_NewTypeHandlerSet(handler_b, 8);
        if (set == nullptr) {
            EXPECT_EQ(DISP_Dispatch(&mouse), 31);
            EXPECT_EQ(calls.back(), "A6") << "nothing of a failed set is linked";
            return false;
        }
        EXPECT_EQ(DISP_Dispatch(&mouse), 8);
        DISP_FreeTypeHandlerSet(set);
        return true;
    });
    EXPECT_EQ(points, 1);

    EXPECT_EQ(DISP_Dispatch(&mouse), 31);
    EXPECT_EQ(calls.back(), "A6");
    EXPECT_EQ(DISP_Dispatch(&other), 1) << "every set was unlinked again";
    DISP_RemoveHandler(old);
    DISP_RemoveKeyHandler(oldKey);
}

TEST_F(Dispatch, QuitFreesLooseRecordsAndLeavesSetsToTheirOwners)
{
    ASSERT_NE(DISP_AddHandler(SDL_QUIT, handler_a, 0), nullptr);
    ASSERT_NE(DISP_AddHandler(SDL_VIDEORESIZE, handler_a, 0), nullptr);
    ASSERT_NE(DISP_AddKeyHandler(SDLK_p, key_a, 0), nullptr);
    DISP_HandlerSet* set = DISP_NewKeyHandlerSet(key_b, 0);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(MEM_LiveBlocks(), baseline + 4);

    DISP_Quit();
    EXPECT_EQ(MEM_LiveBlocks(), baseline + 1) << "only the set is left, for its owner";
    DISP_FreeKeyHandlerSet(set);
    EXPECT_EQ(MEM_LiveBlocks(), baseline);

    DISP_Init();
    DISP_Init();
    SDL_Event p = key_event(SDL_KEYDOWN, SDLK_p);
    SDL_Event quit = plain_event(SDL_QUIT);
    EXPECT_EQ(DISP_Dispatch(&p), 1) << "a new start has empty tables";
    EXPECT_EQ(DISP_Dispatch(&quit), 1);
    ASSERT_NE(DISP_AddKeyHandler(SDLK_p, key_a, 4), nullptr);
    EXPECT_EQ(DISP_Dispatch(&p), 4) << "the key dispatchers are back";
    DISP_Init();
    EXPECT_EQ(MEM_LiveBlocks(), baseline) << "starting again frees what was registered";
    EXPECT_EQ(DISP_Dispatch(&p), 1);
}

TEST_F(Dispatch, WaitKeyPressEndsAtAQuitAfterDispatchingIt)
{
    DISP_Handler* quit = DISP_AddHandler(SDL_QUIT, handler_a, 0);
    DISP_Handler* mouse = DISP_AddHandler(SDL_MOUSEMOTION, handler_b, 0);
    play({{10, plain_event(SDL_MOUSEMOTION)}, {30, plain_event(SDL_QUIT)}});
    EXPECT_EQ(DISP_WaitKeyPress(1), 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"A12"})) << "the quit is dispatched, the rest dropped";
    EXPECT_GE(now, 30u) << "the wait slept on the clock until the quit came";

    // The same during the release half of the wait.
    calls.clear();
    DISP_Handler* key = DISP_AddKeyHandler(SDLK_q, key_a, 0);
    play({{5, key_event(SDL_KEYDOWN, SDLK_q)}, {50, plain_event(SDL_QUIT)}});
    EXPECT_EQ(DISP_WaitKeyPress(1), 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"a113d", "A12"}));
    DISP_RemoveHandler(quit);
    DISP_RemoveHandler(mouse);
    DISP_RemoveKeyHandler(key);
}

TEST_F(Dispatch, WaitKeyPressDispatchesEveryReleaseUntilItsOwn)
{
    DISP_HandlerSet* keys = DISP_NewKeyHandlerSet(key_a, 0);
    DISP_Handler* quit = DISP_AddHandler(SDL_QUIT, handler_a, 0);
    play({{5, key_event(SDL_KEYUP, SDLK_z)},
          {10, key_event(SDL_KEYDOWN, SDLK_a)},
          {15, plain_event(SDL_QUIT)},
          {20, key_event(SDL_KEYDOWN, SDLK_b)},
          {25, key_event(SDL_KEYUP, SDLK_b)},
          {30, key_event(SDL_KEYUP, SDLK_a)},
          {35, key_event(SDL_KEYUP, SDLK_c)}});
    EXPECT_EQ(DISP_WaitKeyPress(0), 1);
    EXPECT_EQ(calls, (std::vector<std::string>{"a97d", "a98u", "a97u"}))
        << "a release before the press, other presses and an ignored quit are dropped";
    EXPECT_EQ(DISP_PollOne(), 0) << "the wait took nothing beyond its own release";
    DISP_RemoveHandler(quit);
    DISP_FreeKeyHandlerSet(keys);
}

TEST_F(Dispatch, WaitKeyWaitsForItsKeyAndItsRelease)
{
    DISP_HandlerSet* keys = DISP_NewKeyHandlerSet(key_a, 0);
    play({{5, key_event(SDL_KEYDOWN, SDLK_a)},
          {10, key_event(SDL_KEYUP, SDLK_a)},
          {15, key_event(SDL_KEYDOWN, SDLK_RETURN)},
          {20, key_event(SDL_KEYDOWN, SDLK_c)},
          {25, key_event(SDL_KEYUP, SDLK_c)},
          {30, key_event(SDL_KEYUP, SDLK_RETURN)}});
    EXPECT_EQ(DISP_WaitKey(SDLK_RETURN, 1), 1);
    EXPECT_EQ(calls, (std::vector<std::string>{"a97d", "a13d", "a99u", "a13u"}))
        << "presses before the awaited key are dispatched, its own press and every release after it";
    EXPECT_EQ(DISP_WaitKey(DISP_NUM_KEYS, 1), 0) << "a symbol out of range is not waited for";

    calls.clear();
    play({{5, plain_event(SDL_QUIT)}});
    EXPECT_EQ(DISP_WaitKey(SDLK_RETURN, 1), 0) << "a quit ends the wait";
    DISP_FreeKeyHandlerSet(keys);
}

TEST_F(Dispatch, WaitForDispatchesOnlyTheEventItEndsAt)
{
    DISP_Handler* mouse = DISP_AddHandler(SDL_MOUSEBUTTONDOWN, handler_a, 42);
    DISP_Handler* key = DISP_AddKeyHandler(SDLK_k, key_a, 0);
    SDL_Event event = plain_event(SDL_NOEVENT);
    SDL_Event click = plain_event(SDL_MOUSEBUTTONDOWN);
    click.button.x = 17;
    play({{5, key_event(SDL_KEYDOWN, SDLK_k)}, {10, plain_event(SDL_QUIT)}, {15, click}});
    EXPECT_EQ(DISP_WaitFor(&event, SDL_MOUSEBUTTONDOWN, 0), 42);
    EXPECT_EQ(event.type, SDL_MOUSEBUTTONDOWN);
    EXPECT_EQ(event.button.x, 17) << "the buffer holds the event the wait ended at";
    EXPECT_EQ(calls, (std::vector<std::string>{"A5"}));

    calls.clear();
    play({{5, plain_event(SDL_QUIT)}, {10, click}});
    EXPECT_EQ(DISP_WaitFor(nullptr, SDL_MOUSEBUTTONDOWN, 1), 1)
        << "a quit without handler gives the wait's own result";
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(DISP_PollOne(), 0) << "the click after the quit is still to come";
    now = 0;
    script_delay(10);
    EXPECT_EQ(DISP_PollOne(), 42);

    EXPECT_EQ(DISP_WaitFor(nullptr, DISP_NUM_TYPES, 1), 0) << "a type out of range is not waited for";
    DISP_RemoveHandler(mouse);
    DISP_RemoveKeyHandler(key);
}

TEST_F(Dispatch, WaitOneTakesTheNextEvent)
{
    DISP_Handler* resize = DISP_AddHandler(SDL_VIDEORESIZE, handler_b, 9);
    play({{40, plain_event(SDL_VIDEORESIZE)}, {50, plain_event(SDL_VIDEOEXPOSE)}});
    SDL_Event event;
    EXPECT_EQ(DISP_WaitOne(&event), 9);
    EXPECT_EQ(event.type, SDL_VIDEORESIZE);
    EXPECT_EQ(DISP_WaitOne(nullptr), 1) << "an event without handler gives the wait's result";
    EXPECT_EQ(calls, (std::vector<std::string>{"B16"}));
    DISP_RemoveHandler(resize);
}

TEST_F(Dispatch, WaitsGiveUpWhenSdlIsNotStarted)
{
    SDL_Quit();
    EXPECT_EQ(DISP_WaitOne(nullptr), 0);
    EXPECT_EQ(DISP_WaitFor(nullptr, SDL_QUIT, 1), 0);
    EXPECT_EQ(DISP_WaitKeyPress(1), 0);
    EXPECT_EQ(DISP_WaitKey(SDLK_a, 0), 0);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
}

TEST_F(Dispatch, UnicodeStaysOnWhileAnyUserIsLeft)
{
    ASSERT_EQ(DISP_UnicodeUsers(), 0u);
    DISP_EnableUnicode(0);
    EXPECT_EQ(DISP_UnicodeUsers(), 0u) << "releasing with no user does not wrap around";
    EXPECT_EQ(SDL_EnableUNICODE(-1), 0);

    DISP_EnableUnicode(1);
    DISP_EnableUnicode(1);
    EXPECT_EQ(DISP_UnicodeUsers(), 2u);
    EXPECT_EQ(SDL_EnableUNICODE(-1), 1);
    DISP_EnableUnicode(0);
    EXPECT_EQ(SDL_EnableUNICODE(-1), 1) << "one user is left";
    DISP_EnableUnicode(0);
    EXPECT_EQ(DISP_UnicodeUsers(), 0u);
    EXPECT_EQ(SDL_EnableUNICODE(-1), 0) << "the last user turns it off";
}

namespace {

void type(uint32_t sym, uint16_t unicode = 0)
{
    SDL_Event down = key_event(SDL_KEYDOWN, sym, unicode);
    SDL_Event up = key_event(SDL_KEYUP, sym, 0);
    (void)DISP_Dispatch(&down);
    (void)DISP_Dispatch(&up);
}

void type_text(const char* text)
{
    for (const char* c = text; *c != '\0'; c++) {
        auto ch = static_cast<unsigned char>(*c);
        type(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch, ch);
    }
}

}  // namespace

TEST_F(Dispatch, LineEditorInsertsAndOverwritesWithinItsCapacity)
{
    DISP_LineEditor* editor = DISP_NewLineEditor(3, "abc");
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->mode, DISP_EDIT_INSERT);
    EXPECT_EQ(editor->cursor, 3);
    type_text("d");
    EXPECT_STREQ(editor->text, "abc") << "a full editor ignores characters when inserting";
    EXPECT_EQ(editor->length, 3);

    type(SDLK_INSERT);
    EXPECT_EQ(editor->mode, DISP_EDIT_OVERWRITE);
    type(SDLK_HOME);
    type(SDLK_RIGHT);
    type_text("X");
    EXPECT_STREQ(editor->text, "aXc") << "overwriting replaces the character at the cursor";
    EXPECT_EQ(editor->cursor, 2);
    type_text("YZ");
    EXPECT_STREQ(editor->text, "aXY") << "overwriting stops at the capacity";
    EXPECT_EQ(editor->cursor, 3);
    DISP_FreeLineEditor(editor);
}

TEST_F(Dispatch, LineEditorMovesAndDeletes)
{
    DISP_LineEditor* editor = DISP_NewLineEditor(8, "ac");
    ASSERT_NE(editor, nullptr);
    type(SDLK_LEFT);
    type_text("b");
    EXPECT_STREQ(editor->text, "abc") << "inserting shifts the rest right";
    EXPECT_EQ(editor->cursor, 2);

    type(SDLK_END);
    type(SDLK_RIGHT);
    EXPECT_EQ(editor->cursor, 3) << "the cursor stops at the length";
    type(SDLK_DELETE);
    EXPECT_STREQ(editor->text, "abc") << "Delete at the end removes nothing";
    type(SDLK_BACKSPACE);
    EXPECT_STREQ(editor->text, "ab");
    EXPECT_EQ(editor->cursor, 2);

    type(SDLK_HOME);
    type(SDLK_LEFT);
    EXPECT_EQ(editor->cursor, 0) << "the cursor stops at 0";
    type(SDLK_BACKSPACE);
    EXPECT_STREQ(editor->text, "ab") << "Backspace at the start removes nothing";
    type(SDLK_DELETE);
    EXPECT_STREQ(editor->text, "b");
    EXPECT_EQ(editor->length, 1);

    type(SDLK_INSERT);
    type(SDLK_END);
    type_text("cd");
    EXPECT_STREQ(editor->text, "bcd") << "overwriting past the end grows the text";
    EXPECT_EQ(editor->length, 3);
    type(SDLK_INSERT);
    EXPECT_EQ(editor->mode, DISP_EDIT_INSERT);
    DISP_FreeLineEditor(editor);
}

TEST_F(Dispatch, LineEditorTakesOnlyShowableSingleBytes)
{
    DISP_LineEditor* editor = DISP_NewLineEditor(10, nullptr);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->length, 0);
    type(SDLK_a, 0x0141);   // a letter beyond Latin-1 whose low byte is 'A'
    type(SDLK_TAB, '\t');
    type(SDLK_a, 0x01);     // Ctrl+A
    type(SDLK_LSHIFT, 0);
    type(SDLK_UP, 0);
    EXPECT_STREQ(editor->text, "") << "nothing showable was typed";
    type(SDLK_e, 0xE9);
    type(SDLK_SPACE, ' ');
    type(SDLK_a, 'A');
    EXPECT_STREQ(editor->text, "\xE9 A");

    SDL_Event up = key_event(SDL_KEYUP, SDLK_b, 'b');
    (void)DISP_Dispatch(&up);
    EXPECT_EQ(editor->length, 3) << "key releases are ignored";
    DISP_FreeLineEditor(editor);
}

TEST_F(Dispatch, LineEditorFinishesAtReturnOrEscape)
{
    DISP_Handler* before = DISP_AddKeyHandler(SDLK_a, key_a, 0);
    DISP_LineEditor* editor = DISP_NewLineEditor(5, "abcdefgh");
    ASSERT_NE(editor, nullptr);
    EXPECT_STREQ(editor->text, "abcde") << "the initial text is cut to the capacity";
    EXPECT_EQ(DISP_UnicodeUsers(), 1u);
    type(SDLK_BACKSPACE);
    type_text("a");
    EXPECT_TRUE(calls.empty()) << "the editor takes every key while it edits";
    type(SDLK_ESCAPE);
    EXPECT_EQ(editor->mode, DISP_EDIT_FINISHED);
    EXPECT_EQ(editor->handlers, nullptr);
    EXPECT_STREQ(editor->text, "abcde") << "Escape restores the initial text";
    EXPECT_EQ(editor->length, 5);
    EXPECT_EQ(editor->cursor, 5);
    type_text("a");
    EXPECT_EQ(calls, (std::vector<std::string>{"a97d", "a97u"})) << "the keys are given back";
    DISP_FreeLineEditor(editor);
    EXPECT_EQ(DISP_UnicodeUsers(), 0u);
    EXPECT_EQ(SDL_EnableUNICODE(-1), 0);

    for (uint32_t finish : {static_cast<uint32_t>(SDLK_RETURN), static_cast<uint32_t>(SDLK_KP_ENTER)}) {
        editor = DISP_NewLineEditor(5, "ab");
        ASSERT_NE(editor, nullptr);
        type_text("c");
        type(finish);
        EXPECT_EQ(editor->mode, DISP_EDIT_FINISHED) << "key " << finish;
        EXPECT_STREQ(editor->text, "abc") << "finishing keeps the edit";
        EXPECT_STREQ(editor->initial, "ab");
        DISP_FreeLineEditor(editor);
    }
    DISP_FreeLineEditor(nullptr);
    DISP_RemoveKeyHandler(before);
}

TEST_F(Dispatch, LineEditorFreedWhileEditingGivesTheKeysBack)
{
    DISP_Handler* before = DISP_AddKeyHandler(SDLK_x, key_a, 0);
    DISP_LineEditor* editor = DISP_NewLineEditor(4, "");
    ASSERT_NE(editor, nullptr);
    push(key_event(SDL_KEYDOWN, SDLK_x, 'x'));
    DISP_PollAll();
    EXPECT_STREQ(editor->text, "x") << "typed through the event queue";
    DISP_FreeLineEditor(editor);
    type(SDLK_x, 'x');
    EXPECT_EQ(calls.size(), 2u);
    DISP_RemoveKeyHandler(before);
}

TEST_F(Dispatch, LineEditorFailingAtEachAllocationRegistersNothing)
{
    DISP_Handler* before = DISP_AddKeyHandler(SDLK_n, key_a, 0);
    int points = CheckEachAllocationFailure([&] {
        DISP_LineEditor* editor = DISP_NewLineEditor(8, "name");
        if (editor == nullptr) {
            EXPECT_EQ(DISP_UnicodeUsers(), 0u) << "a failed editor takes no Unicode use";
            SDL_Event n = key_event(SDL_KEYDOWN, SDLK_n, 'n');
            EXPECT_EQ(DISP_Dispatch(&n), 0);
            EXPECT_EQ(calls.back(), "a110d") << "a failed editor leaves no handler behind";
            return false;
        }
        type_text("s");
        bool typed = std::strcmp(editor->text, "names") == 0;
        DISP_FreeLineEditor(editor);
        return typed;
    });
    EXPECT_EQ(points, 4);
    DISP_RemoveKeyHandler(before);
}
