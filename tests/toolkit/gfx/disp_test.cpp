#include "toolkit/gfx/disp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/alloc_check.h"
#include "toolkit/gfx/clock.h"
#include "util/mem.h"

namespace {

using Calls = std::vector<std::string>;
Calls calls;  // what the handlers saw, in order: "T<user>:<type>" or "K<user>:<symbol><d|u>"

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

SDL_Event Down(uint32_t sym) { return event_of(SDL_KEYDOWN, sym); }
SDL_Event Up(uint32_t sym) { return event_of(SDL_KEYUP, sym); }

// Each handler returns its user value, so a result tells which one ran.
int on_event(SDL_Event* event, uintptr_t user)
{
    calls.push_back("T" + std::to_string(user) + ":" + std::to_string(event->type));
    return static_cast<int>(user);
}

int on_key(SDL_keysym* key, uint8_t type, uintptr_t user)
{
    calls.push_back("K" + std::to_string(user) + ":" + std::to_string(key->sym) + (type == SDL_KEYDOWN ? "d" : "u"));
    return static_cast<int>(user);
}

int dispatch(uint8_t type, uint32_t sym = 0, uint16_t unicode = 0)
{
    SDL_Event event = event_of(type, sym, unicode);
    return DISP_Dispatch(&event);
}

void push(std::vector<SDL_Event> events)
{
    for (SDL_Event& event : events) {
        ASSERT_EQ(SDL_PushEvent(&event), 0) << SDL_GetError();
    }
}

// Queues the events a wait is to find, on a virtual clock so that nothing sleeps for real.
void play(std::vector<SDL_Event> events)
{
    calls.clear();
    CLK_UseVirtual(0);
    push(std::move(events));
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
    DISP_Handler* key = DISP_AddKeyHandler(SDLK_a, on_key, 7);
    push({event_of(SDL_MOUSEBUTTONDOWN), Down(SDLK_a), Up(SDLK_a), Down(SDLK_b)});
    EXPECT_EQ(DISP_PollOne() * 10000 + DISP_PollOne() * 100 + DISP_PollOne(), 220707);
    EXPECT_EQ(DISP_PollOne(), 1) << "a key without handler gives 1";
    EXPECT_EQ(calls, (Calls{"T22:5", "K7:97d", "K7:97u"})) << "only the newest handler runs";
    DISP_RemoveHandler(second);
    EXPECT_EQ(dispatch(SDL_MOUSEBUTTONDOWN), 11) << "the older handler is back in charge";
    DISP_Handler* blocker = DISP_AddHandler(SDL_MOUSEBUTTONDOWN, nullptr, 0);
    EXPECT_EQ(dispatch(SDL_MOUSEBUTTONDOWN), 1) << "a newer handler without function swallows it";
    DISP_RemoveHandler(blocker);
    DISP_RemoveHandler(first);
    DISP_RemoveHandler(nullptr);
    DISP_RemoveKeyHandler(key);

    // A handler that removes its own record while it runs; PollAll drops what has no handler.
    calls.clear();
    DISP_Handler* older = DISP_AddHandler(SDL_ACTIVEEVENT, on_event, 1);
    selfRemoving = DISP_AddHandler(SDL_ACTIVEEVENT, remove_myself, 2);
    push({event_of(SDL_ACTIVEEVENT), event_of(SDL_ACTIVEEVENT), event_of(SDL_VIDEOEXPOSE)});
    DISP_PollAll();
    EXPECT_EQ(calls, (Calls{"T2:1", "T1:1"}));
    EXPECT_EQ(DISP_PollOne(), 0);
    // A translator making eight of every activation and dropping exposures.
    DISP_SetTranslator([](const SDL_Event* event, SDL_Event* out, int capacity) {
        std::fill(out, out + capacity, *event);
        return event->type == SDL_ACTIVEEVENT ? capacity : event->type == SDL_VIDEOEXPOSE ? 0 : -1;
    });
    push(std::vector<SDL_Event>(17, event_of(SDL_ACTIVEEVENT)));
    push({event_of(SDL_VIDEOEXPOSE), event_of(SDL_ACTIVEEVENT)});
    calls.clear();
    DISP_PollAll();
    DISP_PollAll();
    EXPECT_EQ(calls.size(), 17u * 8 + 8)
        << "what one poll leaves of the translated events waits for the next";
    DISP_SetTranslator(nullptr);

    // Flush drops everything but a close request, which must reach its handler.
    DISP_Handler* quit = DISP_AddHandler(SDL_QUIT, on_event, 3);
    calls.clear();
    push({Down(SDLK_a), event_of(SDL_ACTIVEEVENT), event_of(SDL_QUIT)});
    DISP_Flush();
    EXPECT_EQ(calls, (Calls{"T3:12"}));
    EXPECT_EQ(DISP_PollOne(), 0);
    DISP_RemoveHandler(quit);
    DISP_RemoveHandler(older);
}

TEST_F(Dispatch, OutOfRangeIsRefusedOrIgnoredAndFailuresLeaveTheTablesAsTheyWere)
{
    for (uint32_t type : {2u, 3u, 32u}) {
        EXPECT_EQ(DISP_AddHandler(type, on_event, 0), nullptr) << "type " << type;
    }
    EXPECT_EQ(DISP_AddKeyHandler(DISP_NUM_KEYS, on_key, 0), nullptr);
    EXPECT_EQ(MEM_LiveBlocks(), baseline) << "a refused registration allocates nothing";
    DISP_HandlerSet* keys = DISP_NewKeyHandlerSet(on_key, 9);
    DISP_HandlerSet* types = DISP_NewTypeHandlerSet(on_event, 4);
    const int ignored =
        dispatch(SDL_KEYDOWN, 323) + dispatch(SDL_KEYDOWN, UINT32_MAX) + dispatch(32);
    EXPECT_EQ(ignored + DISP_Dispatch(nullptr), 4)
        << "key symbols 323 and 2^32 - 1, event type 32, no event";
    EXPECT_TRUE(calls.empty()) << "no handler runs for what is out of range";
    EXPECT_EQ(dispatch(SDL_KEYUP, 322), 9) << "322 is the last key symbol";
    EXPECT_EQ(dispatch(SDL_USEREVENT + 7), 4) << "31 is the last event type";
    EXPECT_EQ(dispatch(SDL_KEYUP, SDLK_UP), 9) << "the type set leaves the key types to the keys";
    DISP_FreeTypeHandlerSet(types);
    DISP_FreeKeyHandlerSet(keys);
    EXPECT_EQ(dispatch(SDL_KEYUP, 322) + dispatch(SDL_USEREVENT), 2) << "freed sets are unlinked";

    DISP_Handler* oldType = DISP_AddHandler(SDL_MOUSEBUTTONUP, on_event, 31);
    ASSERT_NE(DISP_AddKeyHandler(SDLK_SPACE, on_key, 32), nullptr);
    // Registration i makes a handler serving with 3 and undoes it; true when it served.
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(CheckEachAllocationFailure([i] {
                      DISP_Handler* record = i == 0   ? DISP_AddHandler(SDL_MOUSEBUTTONUP, on_event, 3)
                                             : i == 1 ? DISP_AddKeyHandler(SDLK_SPACE, on_key, 3) : nullptr;
                      DISP_HandlerSet* set = i == 2   ? DISP_NewKeyHandlerSet(on_key, 3)
                                             : i == 3 ? DISP_NewTypeHandlerSet(on_event, 3) : nullptr;
                      const bool ok = (record != nullptr || set != nullptr) &&
                                      (i == 1 ? dispatch(SDL_KEYDOWN, SDLK_SPACE) : i == 2 ? dispatch(SDL_KEYDOWN, SDLK_z)
                                                                                           : dispatch(SDL_MOUSEBUTTONUP)) == 3;
                      (i == 0 ? DISP_RemoveHandler : DISP_RemoveKeyHandler)(record);
                      (i == 2 ? DISP_FreeKeyHandlerSet : DISP_FreeTypeHandlerSet)(set);
                      EXPECT_EQ(dispatch(SDL_MOUSEBUTTONUP), 31) << "the old type handler still serves";
                      EXPECT_EQ(dispatch(SDL_KEYDOWN, SDLK_SPACE), 32) << "the old key handler still serves";
                      EXPECT_EQ(dispatch(SDL_KEYDOWN, SDLK_z), 1) << "nothing half made is linked";
                      return ok;
                  }),
                  1) << "registration " << i;
    }
    DISP_RemoveHandler(oldType);

    // Quit frees loose records and leaves sets to their owners.
    DISP_HandlerSet* set = DISP_NewKeyHandlerSet(on_key, 2);
    ASSERT_NE(DISP_AddHandler(SDL_QUIT, on_event, 1), nullptr);
    EXPECT_EQ(MEM_LiveBlocks(), baseline + 3);
    DISP_Quit();
    EXPECT_EQ(MEM_LiveBlocks(), baseline + 1) << "only the set is left, for its owner";
    DISP_FreeKeyHandlerSet(set);
    DISP_Init();
    ASSERT_NE(DISP_AddKeyHandler(SDLK_p, on_key, 4), nullptr);
    EXPECT_EQ(dispatch(SDL_KEYUP, SDLK_p) + dispatch(SDL_QUIT), 5)
        << "a new start has the key dispatchers, no more";
    DISP_Init();
    EXPECT_EQ(MEM_LiveBlocks(), baseline) << "starting again frees what was registered";
}

TEST_F(Dispatch, WaitsEndAtTheirOwnEventOrAQuit)
{
    DISP_Handler* quit = DISP_AddHandler(SDL_QUIT, on_event, 1);
    DISP_Handler* mouse = DISP_AddHandler(SDL_MOUSEBUTTONDOWN, on_event, 42);
    DISP_HandlerSet* keys = DISP_NewKeyHandlerSet(on_key, 3);
    const SDL_Event quitEvent = event_of(SDL_QUIT), motion = event_of(SDL_MOUSEMOTION);
    const struct {
        std::function<int()> wait;
        std::vector<SDL_Event> events;
        int result;
        Calls calls;
        const char* why;
    } waits[] = {
        {[] { return DISP_WaitKeyPress(1); }, {Down(SDLK_q), quitEvent}, 0, {"K3:113d", "T1:12"},
         "a quit is dispatched also while waiting for the release"},
        {[] { return DISP_WaitKeyPress(0); },
         {Up(SDLK_z), Down(SDLK_a), quitEvent, Down(SDLK_b), Up(SDLK_b), Up(SDLK_a), Up(SDLK_c)}, 1,
         {"K3:97d", "K3:98u", "K3:97u"}, "an early release, other presses and an unheeded quit are dropped"},
        {[] { return DISP_WaitKey(SDLK_RETURN, 1); }, {Down(SDLK_a), Up(SDLK_a), Down(SDLK_RETURN), Down(SDLK_c), Up(SDLK_RETURN)},
         1, {"K3:97d", "K3:13d", "K3:13u"}, "presses up to the awaited key's are dispatched, then only releases"},
        {[] { return DISP_WaitFor(nullptr, SDL_MOUSEBUTTONDOWN, 0); }, {Down(SDLK_k), quitEvent, event_of(SDL_MOUSEBUTTONDOWN)},
         42, {"T42:5"}, "only the awaited event is dispatched"},
        {[] { return DISP_WaitOne(nullptr); }, {motion, quitEvent}, 1, {}, "any event ends it"},
    };
    for (const auto& w : waits) {
        play(w.events);
        EXPECT_EQ(w.wait(), w.result) << w.why;
        EXPECT_EQ(calls, w.calls) << w.why;
        DISP_Flush();
    }
    DISP_RemoveHandler(quit);
    DISP_RemoveHandler(mouse);
    DISP_FreeKeyHandlerSet(keys);

    SDL_Quit();
    EXPECT_EQ(DISP_WaitOne(nullptr) + DISP_WaitFor(nullptr, SDL_QUIT, 1) + DISP_WaitKeyPress(1) + DISP_WaitKey(SDLK_a, 0), 0)
        << "without SDL the waits give up instead of hanging";
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
}

namespace {

constexpr uint32_t Ch = 0x10000;  // Ch + c: the character c typed on the A key

void type(uint32_t key)
{
    const uint32_t sym = key >= Ch ? uint32_t{SDLK_a} : key;
    (void)dispatch(SDL_KEYDOWN, sym, static_cast<uint16_t>(key));
    (void)dispatch(SDL_KEYUP, sym, static_cast<uint16_t>(key));
}

}  // namespace

TEST_F(Dispatch, LineEditorEditsWithinItsCapacityAndFinishesAtReturnOrEscape)
{
    DISP_EnableUnicode(0);
    EXPECT_EQ(DISP_UnicodeUsers(), 0u) << "releasing with no user does not wrap around";
    DISP_Handler* before = DISP_AddKeyHandler(SDLK_a, on_key, 1);
    for (uint32_t finish : {SDLK_ESCAPE, SDLK_RETURN, SDLK_KP_ENTER}) {
        DISP_LineEditor* editor = DISP_NewLineEditor(5, "abcdefgh");
        EXPECT_EQ(SDL_EnableUNICODE(-1), 1) << "Unicode on while it edits";
        const uint32_t keys[] = {SDLK_LEFT, SDLK_BACKSPACE, Ch + 0x1F, Ch + 0x100, Ch + 0xE9,
                                 SDLK_HOME, SDLK_INSERT, Ch + ' ', finish, Ch + 'y'};
        for (uint32_t key : keys) {
            type(key);
        }
        const bool escape = finish == SDLK_ESCAPE;
        EXPECT_STREQ(editor->text, escape ? "abcde" : " bc\xE9" "e")
            << finish << ": Escape restores the initial text, cut";
        EXPECT_EQ(editor->cursor, escape ? 5 : 1) << finish;
        EXPECT_TRUE(editor->mode == DISP_EDIT_FINISHED && editor->handlers == nullptr) << finish;
        EXPECT_EQ(calls, (Calls{"K1:97d", "K1:97u"})) << finish << ": the keys are given back, none taken before";
        calls.clear();
        DISP_FreeLineEditor(editor);
        EXPECT_EQ(SDL_EnableUNICODE(-1), 0) << "the last user turns it off";
    }
    DISP_FreeLineEditor(nullptr);
    EXPECT_EQ(CheckEachAllocationFailure([] {
                  DISP_LineEditor* made = DISP_NewLineEditor(8, nullptr);
                  EXPECT_EQ(DISP_UnicodeUsers(), made == nullptr ? 0u : 1u);
                  type(Ch + 'a');
                  const bool typed = made != nullptr && std::strcmp(made->text, "a") == 0;
                  DISP_FreeLineEditor(made);
                  type(Ch + 'a');
                  EXPECT_EQ(calls.back(), "K1:97u") << "no handler is left behind";
                  return typed;
              }),
              4);
    DISP_RemoveKeyHandler(before);
}
