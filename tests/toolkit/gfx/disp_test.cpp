#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/alloc_check.h"
#include "toolkit/gfx/clock.h"
#include "toolkit/gfx/disp.h"
#include "util/mem.h"

namespace {

using Calls = std::vector<std::string>;
// What the handlers saw, in order: "T<user>:<type>" or "K<user>:<symbol><d|u>".
Calls calls;

SDL_Event event_of(uint8_t type, uint32_t sym = 0, uint16_t unicode = 0)
{
    SDL_Event event;
    std::memset(&event, 0, sizeof event);
    event.type = type;
    // Stored as a number: out-of-range symbols are part of the test.
    std::memcpy(&event.key.keysym.sym, &sym, sizeof sym);
    event.key.keysym.unicode = unicode;
    return event;
}

std::string Call(char kind, uintptr_t user, long what, const char* suffix = "")
{
    char text[64];
    std::snprintf(text, sizeof text, "%c%ju:%ld%s", kind, static_cast<uintmax_t>(user), what, suffix);
    return text;
}

// Each handler returns its user value, so a result tells which one ran.
int on_event(SDL_Event* event, uintptr_t user)
{
    calls.push_back(Call('T', user, event->type));
    return static_cast<int>(user);
}

int on_key(SDL_keysym* key, uint8_t type, uintptr_t user)
{
    calls.push_back(Call('K', user, key->sym, type == SDL_KEYDOWN ? "d" : "u"));
    return static_cast<int>(user);
}

int dispatch(uint8_t type, uint32_t sym = 0, uint16_t unicode = 0)
{
    SDL_Event event = event_of(type, sym, unicode);
    return DISP_Dispatch(&event);
}

void push(std::initializer_list<SDL_Event> events)
{
    for (SDL_Event event : events) {
        ASSERT_EQ(SDL_PushEvent(&event), 0) << SDL_GetError();
    }
}

SDL_Event Down(uint32_t sym)
{
    return event_of(SDL_KEYDOWN, sym);
}

SDL_Event Up(uint32_t sym)
{
    return event_of(SDL_KEYUP, sym);
}

// Scripted input: event i is pushed once the clock reaches (i + 1) x step, from inside the
// waits' delays, as a player's keys arrive while the program sleeps.
std::vector<SDL_Event> script;
uint32_t scriptStep = 5;
size_t scriptNext = 0;
uint32_t now = 0;

uint32_t script_ticks()
{
    return now;
}

void script_delay(uint32_t ms)
{
    now += ms;
    while (scriptNext < script.size() && (scriptNext + 1) * scriptStep <= now) {
        SDL_PushEvent(&script[scriptNext++]);
    }
    if (scriptNext == script.size() && now > 600000) {
        std::fprintf(stderr, "a wait did not end when its script ran out\n");
        std::abort();
    }
}

void play(std::vector<SDL_Event> events, uint32_t step = 5)
{
    script = std::move(events);
    scriptStep = step;
    scriptNext = 0;
    now = 0;
    calls.clear();
    CLK_SetSource(script_ticks, script_delay);
}

class Dispatch : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError(); }
    static void TearDownTestSuite() { SDL_Quit(); }
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
        EXPECT_EQ(MEM_LiveBlocks(), baseline) << "records were left behind";
    }
    int64_t baseline = 0;
};

DISP_Handler* selfRemoving = nullptr;

int remove_myself(SDL_Event* event, uintptr_t user)
{
    DISP_RemoveHandler(selfRemoving);
    return on_event(event, user);
}

}  // namespace

TEST_F(Dispatch, NewestHandlerWinsAndRemovingItGivesControlBack)
{
    DISP_Handler* first = DISP_AddHandler(SDL_MOUSEBUTTONDOWN, on_event, 11);
    DISP_Handler* second = DISP_AddHandler(SDL_MOUSEBUTTONDOWN, on_event, 22);
    ASSERT_NE(second, nullptr);
    push({event_of(SDL_MOUSEBUTTONDOWN)});
    EXPECT_EQ(DISP_PollOne(), 22);
    EXPECT_EQ(calls, (Calls{"T22:5"})) << "only the newest handler runs";
    DISP_RemoveHandler(second);
    EXPECT_EQ(dispatch(SDL_MOUSEBUTTONDOWN), 11) << "the older handler is back in charge";

    DISP_Handler* blocker = DISP_AddHandler(SDL_MOUSEBUTTONDOWN, nullptr, 0);
    EXPECT_EQ(dispatch(SDL_MOUSEBUTTONDOWN), 1) << "a newer handler without function swallows it";
    DISP_RemoveHandler(blocker);
    DISP_RemoveHandler(first);
    DISP_RemoveHandler(nullptr);
    push({event_of(SDL_MOUSEBUTTONDOWN)});
    EXPECT_EQ(DISP_PollOne(), 1) << "an event without handler gives 1";
    EXPECT_EQ(DISP_PollOne(), 0) << "an empty queue gives 0";
    EXPECT_EQ(calls.size(), 2u);

    // A handler that removes its own record while it runs.
    DISP_Handler* older = DISP_AddHandler(SDL_ACTIVEEVENT, on_event, 1);
    selfRemoving = DISP_AddHandler(SDL_ACTIVEEVENT, remove_myself, 2);
    push({event_of(SDL_ACTIVEEVENT), event_of(SDL_ACTIVEEVENT), event_of(SDL_VIDEOEXPOSE)});
    DISP_PollAll();
    EXPECT_EQ(calls, (Calls{"T22:5", "T11:5", "T2:1", "T1:1"}));
    EXPECT_EQ(DISP_PollOne(), 0) << "PollAll empties the queue, dropping what has no handler";
    DISP_RemoveHandler(older);
}

TEST_F(Dispatch, KeyTypesAndEverythingOutOfRangeIsRefusedOrIgnored)
{
    for (uint32_t type : {2u, 3u, 32u, UINT32_MAX}) {
        EXPECT_EQ(DISP_AddHandler(type, on_event, 0), nullptr) << "type " << type;
    }
    EXPECT_EQ(DISP_AddKeyHandler(DISP_NUM_KEYS, on_key, 0), nullptr);
    EXPECT_EQ(MEM_LiveBlocks(), baseline) << "a refused registration allocates nothing";

    DISP_HandlerSet* keys = DISP_NewKeyHandlerSet(on_key, 9);
    DISP_HandlerSet* types = DISP_NewTypeHandlerSet(on_event, 4);
    ASSERT_NE(types, nullptr);
    for (uint32_t sym : {323u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        EXPECT_EQ(dispatch(SDL_KEYDOWN, sym), 1) << "key symbol " << sym;
    }
    EXPECT_EQ(dispatch(32) + dispatch(255), 2) << "event types 32 and 255";
    EXPECT_TRUE(calls.empty()) << "no handler runs for what is out of range";
    EXPECT_EQ(dispatch(SDL_KEYUP, 322), 9) << "322 is the last key symbol";
    EXPECT_EQ(dispatch(SDL_USEREVENT + 7), 4) << "31 is the last event type";
    EXPECT_EQ(dispatch(SDL_KEYUP, SDLK_UP), 9) << "the type set leaves the key types to the keys";
    DISP_FreeTypeHandlerSet(types);
    DISP_FreeKeyHandlerSet(keys);
    EXPECT_EQ(dispatch(SDL_KEYUP, 322), 1) << "freed sets are unlinked";
    EXPECT_EQ(dispatch(SDL_USEREVENT), 1);
}

TEST_F(Dispatch, KeyEventsReachTheNewestHandlerOfTheirSymbol)
{
    DISP_Handler* a = DISP_AddKeyHandler(SDLK_a, on_key, 7);
    push({Down(SDLK_a), Up(SDLK_a), Down(SDLK_b)});
    EXPECT_EQ(DISP_PollOne(), 7);
    EXPECT_EQ(DISP_PollOne(), 7);
    EXPECT_EQ(DISP_PollOne(), 1) << "a key without handler gives 1";
    EXPECT_EQ(calls, (Calls{"K7:97d", "K7:97u"}));

    DISP_HandlerSet* all = DISP_NewKeyHandlerSet(on_key, 5);
    EXPECT_EQ(dispatch(SDL_KEYDOWN, SDLK_a), 5) << "a set is the newest for every key";
    int marker = 0;
    auto address = reinterpret_cast<uintptr_t>(&marker);
    DISP_Handler* newest = DISP_AddKeyHandler(SDLK_a, on_key, address);
    EXPECT_EQ(newest->user, address) << "a whole address survives as the user value";
    DISP_RemoveKeyHandler(newest);
    DISP_FreeKeyHandlerSet(all);
    EXPECT_EQ(dispatch(SDL_KEYDOWN, SDLK_a), 7);

    push({Down(SDLK_a)});
    DISP_Flush();
    EXPECT_EQ(DISP_PollOne(), 0) << "Flush drops events";
    EXPECT_EQ(calls.size(), 4u) << "and dispatches none";

    // ...but a close request, which must reach its handler whatever screen comes next.
    int closed = 0;
    DISP_Handler* quit = DISP_AddHandler(
        SDL_QUIT, [](SDL_Event*, uintptr_t user) { return ++*reinterpret_cast<int*>(user); },
        reinterpret_cast<uintptr_t>(&closed));
    SDL_Event close{};
    close.type = SDL_QUIT;
    push({Down(SDLK_a)});
    SDL_PushEvent(&close);
    DISP_Flush();
    EXPECT_EQ(closed, 1) << "the close request was dropped";
    EXPECT_EQ(calls.size(), 4u) << "the key was dispatched";
    DISP_RemoveHandler(quit);
    DISP_RemoveKeyHandler(a);
}

TEST_F(Dispatch, RegistrationsFailingAtEachAllocationLeaveTheTablesAsTheyWere)
{
    DISP_Handler* oldType = DISP_AddHandler(SDL_MOUSEBUTTONUP, on_event, 31);
    DISP_Handler* oldKey = DISP_AddKeyHandler(SDLK_SPACE, on_key, 32);
    auto unchanged = [] {
        EXPECT_EQ(dispatch(SDL_MOUSEBUTTONUP), 31) << "the old type handler still serves";
        EXPECT_EQ(dispatch(SDL_KEYDOWN, SDLK_SPACE), 32) << "the old key handler still serves";
        EXPECT_EQ(dispatch(SDL_KEYDOWN, SDLK_z), 1) << "nothing half made is linked";
    };
    // Each registers a handler serving with 3, checks it serves and undoes it.
    auto serves = [](bool made, uint8_t type, uint32_t sym) { return made && dispatch(type, sym) == 3; };
    std::vector<std::function<bool()>> makers = {
        [&] {
            DISP_Handler* record = DISP_AddHandler(SDL_MOUSEBUTTONUP, on_event, 3);
            const bool ok = serves(record != nullptr, SDL_MOUSEBUTTONUP, 0);
            DISP_RemoveHandler(record);
            return ok;
        },
        [&] {
            DISP_Handler* record = DISP_AddKeyHandler(SDLK_SPACE, on_key, 3);
            const bool ok = serves(record != nullptr, SDL_KEYDOWN, SDLK_SPACE);
            DISP_RemoveKeyHandler(record);
            return ok;
        },
        [&] {
            DISP_HandlerSet* set = DISP_NewKeyHandlerSet(on_key, 3);
            const bool ok = serves(set != nullptr, SDL_KEYDOWN, SDLK_z);
            DISP_FreeKeyHandlerSet(set);
            return ok;
        },
        [&] {
            DISP_HandlerSet* set = DISP_NewTypeHandlerSet(on_event, 3);
            const bool ok = serves(set != nullptr, SDL_MOUSEBUTTONUP, 0);
            DISP_FreeTypeHandlerSet(set);
            return ok;
        },
    };
    for (size_t i = 0; i < makers.size(); i++) {
        int points = CheckEachAllocationFailure([&] {
            bool made = makers[i]();
            unchanged();
            return made;
        });
        EXPECT_EQ(points, 1) << "constructor " << i;
    }
    DISP_RemoveHandler(oldType);
    DISP_RemoveKeyHandler(oldKey);
}

TEST_F(Dispatch, QuitFreesLooseRecordsAndLeavesSetsToTheirOwners)
{
    ASSERT_NE(DISP_AddHandler(SDL_QUIT, on_event, 1), nullptr);
    ASSERT_NE(DISP_AddKeyHandler(SDLK_p, on_key, 1), nullptr);
    DISP_HandlerSet* set = DISP_NewKeyHandlerSet(on_key, 2);
    EXPECT_EQ(MEM_LiveBlocks(), baseline + 3);
    DISP_Quit();
    EXPECT_EQ(MEM_LiveBlocks(), baseline + 1) << "only the set is left, for its owner";
    DISP_FreeKeyHandlerSet(set);

    DISP_Init();
    EXPECT_EQ(dispatch(SDL_KEYDOWN, SDLK_p), 1) << "a new start has empty tables";
    EXPECT_EQ(dispatch(SDL_QUIT), 1);
    ASSERT_NE(DISP_AddKeyHandler(SDLK_p, on_key, 4), nullptr);
    EXPECT_EQ(dispatch(SDL_KEYDOWN, SDLK_p), 4) << "the key dispatchers are back";
    DISP_Init();
    EXPECT_EQ(MEM_LiveBlocks(), baseline) << "starting again frees what was registered";
    EXPECT_EQ(dispatch(SDL_KEYDOWN, SDLK_p), 1);
}

TEST_F(Dispatch, WaitKeyPressEndsAtAQuitAfterDispatchingIt)
{
    DISP_Handler* quit = DISP_AddHandler(SDL_QUIT, on_event, 1);
    DISP_Handler* mouse = DISP_AddHandler(SDL_MOUSEMOTION, on_event, 2);
    DISP_HandlerSet* keys = DISP_NewKeyHandlerSet(on_key, 3);
    play({event_of(SDL_MOUSEMOTION), event_of(SDL_QUIT)});
    EXPECT_EQ(DISP_WaitKeyPress(1), 0);
    EXPECT_EQ(calls, (Calls{"T1:12"})) << "the quit is dispatched, the rest dropped";
    EXPECT_GE(now, 10u) << "the wait slept on the clock until the quit came";

    play({Down(SDLK_q), event_of(SDL_QUIT)});
    EXPECT_EQ(DISP_WaitKeyPress(1), 0) << "also while waiting for the release";
    EXPECT_EQ(calls, (Calls{"K3:113d", "T1:12"}));

    play({Up(SDLK_z), Down(SDLK_a), event_of(SDL_QUIT), Down(SDLK_b), Up(SDLK_b), Up(SDLK_a), Up(SDLK_c)});
    EXPECT_EQ(DISP_WaitKeyPress(0), 1);
    EXPECT_EQ(calls, (Calls{"K3:97d", "K3:98u", "K3:97u"}))
        << "an early release, other presses and an unheeded quit are dropped; releases are not";
    EXPECT_EQ(DISP_PollOne(), 0) << "the wait took nothing beyond its own release";
    DISP_RemoveHandler(quit);
    DISP_RemoveHandler(mouse);
    DISP_FreeKeyHandlerSet(keys);
}

TEST_F(Dispatch, WaitKeyAndWaitForEndAtTheirOwnEvent)
{
    DISP_HandlerSet* keys = DISP_NewKeyHandlerSet(on_key, 3);
    play({Down(SDLK_a), Up(SDLK_a), Down(SDLK_RETURN), Down(SDLK_c), Up(SDLK_RETURN)});
    EXPECT_EQ(DISP_WaitKey(SDLK_RETURN, 1), 1);
    EXPECT_EQ(calls, (Calls{"K3:97d", "K3:13d", "K3:13u"}))
        << "presses up to the awaited key's are dispatched, then only releases";
    EXPECT_EQ(DISP_WaitKey(DISP_NUM_KEYS, 1), 0) << "a symbol out of range is not waited for";
    play({event_of(SDL_QUIT)});
    EXPECT_EQ(DISP_WaitKey(SDLK_RETURN, 1), 0);

    DISP_Handler* mouse = DISP_AddHandler(SDL_MOUSEBUTTONDOWN, on_event, 42);
    SDL_Event click = event_of(SDL_MOUSEBUTTONDOWN);
    click.button.x = 17;
    SDL_Event got = event_of(SDL_NOEVENT);
    play({Down(SDLK_k), event_of(SDL_QUIT), click});
    EXPECT_EQ(DISP_WaitFor(&got, SDL_MOUSEBUTTONDOWN, 0), 42);
    EXPECT_EQ(got.button.x, 17) << "the buffer holds the event the wait ended at";
    EXPECT_EQ(calls, (Calls{"T42:5"})) << "only that event is dispatched";

    play({event_of(SDL_QUIT), click});
    EXPECT_EQ(DISP_WaitFor(nullptr, SDL_MOUSEBUTTONDOWN, 1), 1)
        << "a quit without handler gives the wait's own result";
    EXPECT_EQ(DISP_WaitFor(nullptr, DISP_NUM_TYPES, 1), 0) << "a type out of range is not waited for";
    EXPECT_EQ(DISP_WaitOne(&got), 42) << "the click after the quit is the next event";
    play({event_of(SDL_VIDEOEXPOSE)}, 40);
    EXPECT_EQ(DISP_WaitOne(nullptr), 1) << "an event without handler gives the wait's result";
    EXPECT_EQ(now, 40u);
    DISP_RemoveHandler(mouse);
    DISP_FreeKeyHandlerSet(keys);

    SDL_Quit();
    EXPECT_EQ(DISP_WaitOne(nullptr), 0) << "without SDL the waits give up instead of hanging";
    EXPECT_EQ(DISP_WaitFor(nullptr, SDL_QUIT, 1), 0);
    EXPECT_EQ(DISP_WaitKeyPress(1), 0);
    EXPECT_EQ(DISP_WaitKey(SDLK_a, 0), 0);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
}

TEST_F(Dispatch, UnicodeStaysOnWhileAnyUserIsLeft)
{
    DISP_EnableUnicode(0);
    EXPECT_EQ(DISP_UnicodeUsers(), 0u) << "releasing with no user does not wrap around";
    EXPECT_EQ(SDL_EnableUNICODE(-1), 0);
    DISP_EnableUnicode(1);
    DISP_EnableUnicode(1);
    EXPECT_EQ(DISP_UnicodeUsers(), 2u);
    DISP_EnableUnicode(0);
    EXPECT_EQ(SDL_EnableUNICODE(-1), 1) << "one user is left";
    DISP_EnableUnicode(0);
    EXPECT_EQ(SDL_EnableUNICODE(-1), 0) << "the last user turns it off";
}

namespace {

void type(uint32_t sym, uint16_t unicode = 0)
{
    (void)dispatch(SDL_KEYDOWN, sym, unicode);
    (void)dispatch(SDL_KEYUP, sym, unicode);
}

void keys(std::initializer_list<uint32_t> syms)
{
    for (uint32_t sym : syms) {
        type(sym);
    }
}

void type_text(const char* text)
{
    for (; *text != '\0'; text++) {
        auto ch = static_cast<unsigned char>(*text);
        type(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch, ch);
    }
}

}  // namespace

TEST_F(Dispatch, LineEditorEditsWithinItsCapacity)
{
    DISP_LineEditor* editor = DISP_NewLineEditor(3, "abc");
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->cursor, 3);
    type_text("d");
    EXPECT_STREQ(editor->text, "abc") << "a full editor ignores characters when inserting";
    type(SDLK_INSERT);
    EXPECT_EQ(editor->mode, DISP_EDIT_OVERWRITE);
    keys({SDLK_HOME, SDLK_RIGHT});
    type_text("XYZ");
    EXPECT_STREQ(editor->text, "aXY") << "overwriting replaces from the cursor up to the capacity";
    DISP_FreeLineEditor(editor);

    editor = DISP_NewLineEditor(8, "ac");
    type(SDLK_LEFT);
    type_text("b");
    EXPECT_STREQ(editor->text, "abc") << "inserting shifts the rest right";
    EXPECT_EQ(editor->cursor, 2);
    keys({SDLK_END, SDLK_RIGHT, SDLK_DELETE, SDLK_BACKSPACE});
    EXPECT_STREQ(editor->text, "ab") << "the cursor stops at the length; Delete there is nothing";
    keys({SDLK_HOME, SDLK_LEFT, SDLK_BACKSPACE, SDLK_DELETE});
    EXPECT_STREQ(editor->text, "b") << "the cursor stops at 0; Backspace there is nothing";
    keys({SDLK_INSERT, SDLK_END});
    type_text("cd");
    EXPECT_STREQ(editor->text, "bcd") << "overwriting past the end grows the text";
    EXPECT_EQ(editor->length, 3);

    type(SDLK_a, 0x0141);  // beyond Latin-1, its low byte is 'A'
    type(SDLK_TAB, '\t');
    type(SDLK_a, 0x01);  // Ctrl+A
    type(SDLK_LSHIFT, 0);
    EXPECT_STREQ(editor->text, "bcd") << "only showable single bytes are typed";
    type(SDLK_e, 0xE9);
    (void)dispatch(SDL_KEYUP, SDLK_f, 'f');
    EXPECT_STREQ(editor->text, "bcd\xE9") << "a Latin-1 letter is typed, a lone release is not";
    DISP_FreeLineEditor(editor);
}

TEST_F(Dispatch, LineEditorFinishesAtReturnOrEscapeAndGivesTheKeysBack)
{
    DISP_Handler* before = DISP_AddKeyHandler(SDLK_a, on_key, 1);
    DISP_LineEditor* editor = DISP_NewLineEditor(5, "abcdefgh");
    EXPECT_STREQ(editor->text, "abcde") << "the initial text is cut to the capacity";
    EXPECT_EQ(DISP_UnicodeUsers(), 1u);
    type(SDLK_BACKSPACE);
    type_text("a");
    EXPECT_TRUE(calls.empty()) << "the editor takes every key while it edits";
    type(SDLK_ESCAPE);
    EXPECT_EQ(editor->mode, DISP_EDIT_FINISHED);
    EXPECT_EQ(editor->handlers, nullptr);
    EXPECT_STREQ(editor->text, "abcde") << "Escape restores the initial text";
    EXPECT_EQ(editor->cursor, 5);
    type_text("a");
    EXPECT_EQ(calls, (Calls{"K1:97d", "K1:97u"})) << "the keys are given back";
    DISP_FreeLineEditor(editor);
    EXPECT_EQ(SDL_EnableUNICODE(-1), 0) << "the editor's Unicode use ends with it";

    for (uint32_t finish : {13u, 271u}) {
        editor = DISP_NewLineEditor(5, nullptr);
        type_text("c");
        type(finish);
        EXPECT_EQ(editor->mode, DISP_EDIT_FINISHED) << "key " << finish;
        EXPECT_STREQ(editor->text, "c") << "finishing keeps the edit";
        DISP_FreeLineEditor(editor);
    }
    DISP_FreeLineEditor(nullptr);

    int points = CheckEachAllocationFailure([] {
        DISP_LineEditor* made = DISP_NewLineEditor(8, "name");
        EXPECT_EQ(DISP_UnicodeUsers(), made == nullptr ? 0u : 1u);
        type_text("a");
        bool typed = made != nullptr && std::strcmp(made->text, "namea") == 0;
        DISP_FreeLineEditor(made);
        type_text("a");
        EXPECT_EQ(calls.back(), "K1:97u") << "no handler is left behind";
        return typed;
    });
    EXPECT_EQ(points, 4);
    DISP_RemoveKeyHandler(before);
}
