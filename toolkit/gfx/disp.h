// Event dispatch: routes SDL events to handler functions kept in two tables, one by event
// type (0..31) and one by key symbol (0..322), and offers waits for events and keys.
//
// The newest registration for a type or key receives its events; removing it hands them back
// to the one before. Key events reach the key table through two dispatchers that DISP_Init
// registers for SDL_KEYDOWN and SDL_KEYUP. The waits poll SDL and sleep through CLK_Delay
// (toolkit/gfx/clock.h), so a test's clock decides how long they take.
// Depends on util/node.h and util/mem.h. Main thread only; handlers run synchronously inside
// the call that dispatches them and may remove their own record (or any other) while they run.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "util/node.h"

enum : uint32_t {
    DISP_NUM_TYPES = 32,
    DISP_NUM_KEYS = 323,
    // The most events one poll of a frame takes (DISP_PollAll, the widget pump). SDL's queue
    // holds 128, so a frame still takes everything that queued up since the one before, while
    // a stream that keeps arriving as fast as it is handled (every poll pumps the system's new
    // events in) waits for the next frames instead of holding the step for ever.
    DISP_POLL_LIMIT = 128,
};

// Called for an event of the type it is registered for; its result is handed back by the
// polling and waiting calls.
using DISP_EventFn = int (*)(SDL_Event* event, uintptr_t user);
// Called with the event's key record and its type, SDL_KEYDOWN or SDL_KEYUP.
using DISP_KeyFn = int (*)(SDL_keysym* key, uint8_t type, uintptr_t user);

struct DISP_HandlerSet;

// Fields are read only; the record belongs to whoever registered it.
struct DISP_Handler {
    NODE_Node node;  // its data is the record itself
    DISP_EventFn eventFn;
    DISP_KeyFn keyFn;
    uintptr_t user;
    DISP_HandlerSet* set;  // the set holding this record, or NULL for one made on its own
};

// One record per key symbol, or per event type other than the two key types.
struct DISP_HandlerSet {
    uint32_t count;  // read only: DISP_NUM_KEYS or DISP_NUM_TYPES
    DISP_Handler records[DISP_NUM_KEYS];
};

// Empties both tables as DISP_Quit does (also of what was registered before) and installs the
// key dispatchers.
void DISP_Init();
// Frees every record registered on its own. Records of handler sets are only unlinked: the
// sets stay their creators' to free. Does nothing unless initialised.
void DISP_Quit();

// Registration. Each returns the new record, or NULL for a type or key out of range, for the
// types SDL_KEYDOWN and SDL_KEYUP (the key table serves them) or when memory runs out; a
// failure leaves the tables as they were. Undo with DISP_RemoveHandler / DISP_RemoveKeyHandler,
// or leave the record to DISP_Quit.
[[nodiscard]] DISP_Handler* DISP_AddHandler(uint32_t type, DISP_EventFn fn, uintptr_t user);
[[nodiscard]] DISP_Handler* DISP_AddKeyHandler(uint32_t key, DISP_KeyFn fn, uintptr_t user);
// Unlink and free the record; NULL is ignored. A record of a set is only unlinked.
void DISP_RemoveHandler(DISP_Handler* record);
void DISP_RemoveKeyHandler(DISP_Handler* record);

// A handler for every key symbol at once; NULL when memory runs out (nothing registered).
// Free with DISP_FreeKeyHandlerSet, also after DISP_Quit.
[[nodiscard]] DISP_HandlerSet* DISP_NewKeyHandlerSet(DISP_KeyFn fn, uintptr_t user);
// Unlinks its records and frees the set; NULL is ignored.
void DISP_FreeKeyHandlerSet(DISP_HandlerSet* set);
// The same for every event type except SDL_KEYDOWN and SDL_KEYUP.
[[nodiscard]] DISP_HandlerSet* DISP_NewTypeHandlerSet(DISP_EventFn fn, uintptr_t user);
void DISP_FreeTypeHandlerSet(DISP_HandlerSet* set);

// A translator sees every event taken from SDL's queue by this module before anything else
// does (the shell turns gamepad and mouse input into key events with it). It returns -1 to
// keep the event as it is, or the number of events (0 to drop it, at most `capacity`) it
// wrote to `out` to stand in its place, in order. NULL removes it.
enum { DISP_MAX_TRANSLATED = 8 };
using DISP_TranslateFn = int (*)(const SDL_Event* event, SDL_Event* out, int capacity);
void DISP_SetTranslator(DISP_TranslateFn fn);

// Calls the newest handler of the event's type (for key events, of its key symbol). Returns
// the handler's result, or 1 when there is none, its function is NULL, or the type or key
// symbol is out of range (such events are ignored). A NULL event gives 1.
int DISP_Dispatch(SDL_Event* event);
// Takes one event and dispatches it: 0 when none was pending, else as DISP_Dispatch.
int DISP_PollOne();
// Dispatches the pending events, at most DISP_POLL_LIMIT of them, the rest left queued for the
// next call; events without a handler are dropped.
void DISP_PollAll();
// Drops every pending event without dispatching any, but for a close request (SDL_QUIT),
// which is dispatched.
void DISP_Flush();

// The waits. Each fills `event` (or an internal buffer when it is NULL) with the event it
// ended at. While waiting, every event that is not the one waited for is dropped.
// Waits for any event and dispatches it; returns the handler's result, 1 when the event has
// no handler, 0 when SDL's queue cannot be read (SDL not started).
int DISP_WaitOne(SDL_Event* event);
// Waits for an event of `type` (or, when quitAware, SDL_QUIT) and dispatches only that one.
// Returns as DISP_WaitOne; 0 at once for a type out of range.
int DISP_WaitFor(SDL_Event* event, uint32_t type, int quitAware);
// Waits for a key press, dispatches it, then dispatches every key release until the pressed
// key's own. Returns 1, or 0 when it ended at a quit event (dispatched) or SDL is not started.
// Without quitAware, quit events are dropped like any other.
int DISP_WaitKeyPress(int quitAware);
// As DISP_WaitKeyPress, but dispatches key presses until one of `key` and then waits for that
// key's release. 0 at once for a key symbol out of range.
int DISP_WaitKey(uint32_t key, int quitAware);

// Counts the users of SDL's Unicode translation of key events; it is on while any is left.
void DISP_EnableUnicode(int on);
// The number of users (for tests and diagnostics).
[[nodiscard]] uint32_t DISP_UnicodeUsers();

// A one-line text editor that takes every key while it edits (a handler set of its own).
// The fields are read only. `text` and `initial` hold capacity + 1 bytes, NUL-terminated.
enum : int8_t {
    DISP_EDIT_OVERWRITE = -1,
    DISP_EDIT_FINISHED = 0,
    DISP_EDIT_INSERT = 1,
};
struct DISP_LineEditor {
    DISP_HandlerSet* handlers;  // NULL once finished
    char* initial;
    char* text;
    uint16_t capacity;
    uint16_t length;
    uint16_t cursor;
    int8_t mode;
};

// Copies at most `capacity` bytes of `initial` (NULL: empty) and starts editing in insert
// mode, with Unicode translation on. Return or keypad Enter finishes; Escape restores the
// initial text and finishes. NULL when memory runs out (then nothing is registered).
// Free with DISP_FreeLineEditor.
[[nodiscard]] DISP_LineEditor* DISP_NewLineEditor(uint16_t capacity, const char* initial);
// Releases its Unicode use and its handlers; NULL is ignored.
void DISP_FreeLineEditor(DISP_LineEditor* editor);
