#include "toolkit/gfx/disp.h"

#include <array>
#include <cstring>

#include "toolkit/gfx/clock.h"
#include "util/mem.h"

namespace {

// How long a wait sleeps between two looks at the queue.
constexpr uint32_t kWaitStepMs = 5;

std::array<NODE_List, DISP_NUM_TYPES> typeTable{};
std::array<NODE_List, DISP_NUM_KEYS> keyTable{};
bool initialised = false;
uint32_t unicodeUsers = 0;
SDL_Event waitBuffer;

// What the translator made of the last event taken from SDL, handed out before SDL's queue
// is read again.
DISP_TranslateFn translator = nullptr;
std::array<SDL_Event, DISP_MAX_TRANSLATED> translated{};
int translatedCount = 0;
int translatedNext = 0;

// Hands out the next event after translation; false when there is none for now. `take`
// reads SDL's queue once and is false when it gave nothing.
template <typename Take>
bool next_event(SDL_Event* event, Take take)
{
    for (;;) {
        if (translatedNext < translatedCount) {
            *event = translated[translatedNext++];
            return true;
        }
        if (!take(event)) {
            return false;
        }
        if (translator == nullptr) {
            return true;
        }
        int count = translator(event, translated.data(), DISP_MAX_TRANSLATED);
        if (count < 0) {
            return true;
        }
        translatedCount = count > DISP_MAX_TRANSLATED ? DISP_MAX_TRANSLATED : count;
        translatedNext = 0;
    }
}

bool poll_event(SDL_Event* event)
{
    return next_event(event, [](SDL_Event* e) { return SDL_PollEvent(e) != 0; });
}

// A queued event may carry any number in its key field, which the enum type cannot hold.
uint32_t key_symbol(const SDL_Event* event)
{
    uint32_t sym = 0;
    static_assert(sizeof sym == sizeof event->key.keysym.sym);
    std::memcpy(&sym, &event->key.keysym.sym, sizeof sym);
    return sym;
}

bool is_key_type(uint32_t type)
{
    return type == SDL_KEYDOWN || type == SDL_KEYUP;
}

void fill_record(DISP_Handler* record, DISP_EventFn eventFn, DISP_KeyFn keyFn, uintptr_t user,
                 DISP_HandlerSet* set)
{
    record->node = NODE_Node{};
    record->node.data = record;
    record->eventFn = eventFn;
    record->keyFn = keyFn;
    record->user = user;
    record->set = set;
}

DISP_Handler* newest(const NODE_List& list)
{
    if (list.last == nullptr) {
        return nullptr;
    }
    return static_cast<DISP_Handler*>(list.last->data);
}

// The handler may free its own record (and the set around it), so nothing of the record is
// read after the call.
int dispatch_key(SDL_Event* event, uintptr_t /*user*/)
{
    uint32_t sym = key_symbol(event);
    if (sym >= DISP_NUM_KEYS) {
        return 1;
    }
    DISP_Handler* record = newest(keyTable[sym]);
    if (record == nullptr || record->keyFn == nullptr) {
        return 1;
    }
    return record->keyFn(&event->key.keysym, event->type, record->user);
}

DISP_Handler keyDownDispatcher;
DISP_Handler keyUpDispatcher;

// Sets `handled` when a handler ran.
int dispatch(SDL_Event* event, bool* handled)
{
    *handled = false;
    if (event == nullptr || event->type >= DISP_NUM_TYPES) {
        return 1;
    }
    DISP_Handler* record = newest(typeTable[event->type]);
    if (record == nullptr || record->eventFn == nullptr) {
        return 1;
    }
    *handled = true;
    return record->eventFn(event, record->user);
}

// SDL_WaitEvent sleeps on SDL's own clock; this one sleeps on ours. False when the queue
// cannot be read.
bool wait_event(SDL_Event* event)
{
    bool failed = false;
    auto take = [&failed](SDL_Event* e) {
        SDL_PumpEvents();
        int got = SDL_PeepEvents(e, 1, SDL_GETEVENT, SDL_ALLEVENTS);
        failed = got < 0;
        return got > 0;
    };
    for (;;) {
        if (next_event(event, take)) {
            return true;
        }
        if (failed) {
            return false;
        }
        CLK_Delay(kWaitStepMs);
    }
}

void remove_record(DISP_Handler* record)
{
    if (record == nullptr) {
        return;
    }
    NODE_Remove(&record->node);
    if (record->set == nullptr && record != &keyDownDispatcher && record != &keyUpDispatcher) {
        MEM_Free(record);
    }
}

void release_records(NODE_List& list)
{
    while (list.first != nullptr) {
        remove_record(static_cast<DISP_Handler*>(list.first->data));
    }
}

void release_all()
{
    for (NODE_List& list : keyTable) {
        release_records(list);
    }
    for (NODE_List& list : typeTable) {
        release_records(list);
    }
}

DISP_Handler* add_record(NODE_List& list, DISP_EventFn eventFn, DISP_KeyFn keyFn, uintptr_t user)
{
    auto* record = static_cast<DISP_Handler*>(MEM_Alloc(sizeof(DISP_Handler)));
    if (record == nullptr) {
        return nullptr;
    }
    fill_record(record, eventFn, keyFn, user, nullptr);
    NODE_AddTail(&record->node, &list);
    return record;
}

void free_set(DISP_HandlerSet* set)
{
    if (set == nullptr) {
        return;
    }
    for (uint32_t i = 0; i < set->count; i++) {
        NODE_Remove(&set->records[i].node);
    }
    MEM_Free(set);
}

void dispatch_only(SDL_Event* event)
{
    bool handled = false;
    (void)dispatch(event, &handled);
}

// The release half of the key waits: dispatches key releases until `sym`'s. False at a quit.
bool wait_release(SDL_Event* event, uint32_t sym, int quitAware)
{
    for (;;) {
        if (!wait_event(event)) {
            return false;
        }
        if (event->type == SDL_KEYUP) {
            dispatch_only(event);
            if (key_symbol(event) == sym) {
                return true;
            }
        } else if (quitAware != 0 && event->type == SDL_QUIT) {
            dispatch_only(event);
            return false;
        }
    }
}

// Waits for a key press (of `key`, or of any key when it is DISP_NUM_KEYS), dispatching the
// presses of other keys when `dispatchOthers`. False at a quit or when SDL is not started.
bool wait_press(SDL_Event* event, uint32_t key, bool dispatchOthers, int quitAware)
{
    for (;;) {
        if (!wait_event(event)) {
            return false;
        }
        if (event->type == SDL_KEYDOWN) {
            uint32_t sym = key_symbol(event);
            if (key == DISP_NUM_KEYS || sym == key) {
                dispatch_only(event);
                return true;
            }
            if (dispatchOthers) {
                dispatch_only(event);
            }
        } else if (quitAware != 0 && event->type == SDL_QUIT) {
            dispatch_only(event);
            return false;
        }
    }
}

}  // namespace

void DISP_Init()
{
    // Whatever is still registered, also before a first start, would otherwise be lost.
    release_all();
    fill_record(&keyDownDispatcher, dispatch_key, nullptr, 0, nullptr);
    fill_record(&keyUpDispatcher, dispatch_key, nullptr, 0, nullptr);
    NODE_AddTail(&keyDownDispatcher.node, &typeTable[SDL_KEYDOWN]);
    NODE_AddTail(&keyUpDispatcher.node, &typeTable[SDL_KEYUP]);
    translatedCount = 0;
    translatedNext = 0;
    initialised = true;
}

void DISP_Quit()
{
    if (!initialised) {
        return;
    }
    release_all();
    initialised = false;
}

DISP_Handler* DISP_AddHandler(uint32_t type, DISP_EventFn fn, uintptr_t user)
{
    if (type >= DISP_NUM_TYPES || is_key_type(type)) {
        return nullptr;
    }
    return add_record(typeTable[type], fn, nullptr, user);
}

DISP_Handler* DISP_AddKeyHandler(uint32_t key, DISP_KeyFn fn, uintptr_t user)
{
    if (key >= DISP_NUM_KEYS) {
        return nullptr;
    }
    return add_record(keyTable[key], nullptr, fn, user);
}

void DISP_RemoveHandler(DISP_Handler* record)
{
    remove_record(record);
}

void DISP_RemoveKeyHandler(DISP_Handler* record)
{
    remove_record(record);
}

DISP_HandlerSet* DISP_NewKeyHandlerSet(DISP_KeyFn fn, uintptr_t user)
{
    auto* set = static_cast<DISP_HandlerSet*>(MEM_Alloc(sizeof(DISP_HandlerSet)));
    if (set == nullptr) {
        return nullptr;
    }
    set->count = DISP_NUM_KEYS;
    for (uint32_t key = 0; key < DISP_NUM_KEYS; key++) {
        DISP_Handler* record = &set->records[key];
        fill_record(record, nullptr, fn, user, set);
        NODE_AddTail(&record->node, &keyTable[key]);
    }
    return set;
}

void DISP_FreeKeyHandlerSet(DISP_HandlerSet* set)
{
    free_set(set);
}

DISP_HandlerSet* DISP_NewTypeHandlerSet(DISP_EventFn fn, uintptr_t user)
{
    auto* set = static_cast<DISP_HandlerSet*>(MEM_Alloc(sizeof(DISP_HandlerSet)));
    if (set == nullptr) {
        return nullptr;
    }
    set->count = DISP_NUM_TYPES;
    for (uint32_t type = 0; type < DISP_NUM_TYPES; type++) {
        DISP_Handler* record = &set->records[type];
        fill_record(record, fn, nullptr, user, set);
        if (!is_key_type(type)) {
            NODE_AddTail(&record->node, &typeTable[type]);
        }
    }
    return set;
}

void DISP_FreeTypeHandlerSet(DISP_HandlerSet* set)
{
    free_set(set);
}

int DISP_Dispatch(SDL_Event* event)
{
    bool handled = false;
    return dispatch(event, &handled);
}

void DISP_SetTranslator(DISP_TranslateFn fn)
{
    translator = fn;
    translatedCount = 0;
    translatedNext = 0;
}

int DISP_PollOne()
{
    SDL_Event event;
    if (!poll_event(&event)) {
        return 0;
    }
    return DISP_Dispatch(&event);
}

void DISP_PollAll()
{
    SDL_Event event;
    for (uint32_t taken = 0; taken < DISP_POLL_LIMIT && poll_event(&event); taken++) {
        (void)DISP_Dispatch(&event);
    }
}

void DISP_Flush()
{
    // Through the translator, so that it keeps track of what the devices hold. A close
    // request is never dropped: the player asked to end, whatever screen comes next.
    SDL_Event event;
    while (poll_event(&event)) {
        if (event.type == SDL_QUIT) {
            (void)DISP_Dispatch(&event);
        }
    }
}

int DISP_WaitOne(SDL_Event* event)
{
    if (event == nullptr) {
        event = &waitBuffer;
    }
    if (!wait_event(event)) {
        return 0;
    }
    bool handled = false;
    int result = dispatch(event, &handled);
    return handled ? result : 1;
}

int DISP_WaitFor(SDL_Event* event, uint32_t type, int quitAware)
{
    if (type >= DISP_NUM_TYPES) {
        return 0;
    }
    if (event == nullptr) {
        event = &waitBuffer;
    }
    for (;;) {
        if (!wait_event(event)) {
            return 0;
        }
        if (event->type == type || (quitAware != 0 && event->type == SDL_QUIT)) {
            break;
        }
    }
    bool handled = false;
    int result = dispatch(event, &handled);
    return handled ? result : 1;
}

int DISP_WaitKeyPress(int quitAware)
{
    SDL_Event event;
    if (!wait_press(&event, DISP_NUM_KEYS, false, quitAware)) {
        return 0;
    }
    uint32_t sym = key_symbol(&event);
    return wait_release(&event, sym, quitAware) ? 1 : 0;
}

int DISP_WaitKey(uint32_t key, int quitAware)
{
    if (key >= DISP_NUM_KEYS) {
        return 0;
    }
    SDL_Event event;
    if (!wait_press(&event, key, true, quitAware)) {
        return 0;
    }
    return wait_release(&event, key, quitAware) ? 1 : 0;
}

void DISP_EnableUnicode(int on)
{
    if (on != 0) {
        if (unicodeUsers == 0) {
            SDL_EnableUNICODE(1);
            unicodeUsers = 1;
        } else if (unicodeUsers != UINT32_MAX) {
            unicodeUsers++;
        }
        return;
    }
    if (unicodeUsers == 0) {
        SDL_EnableUNICODE(0);
        return;
    }
    unicodeUsers--;
    if (unicodeUsers == 0) {
        SDL_EnableUNICODE(0);
    }
}

uint32_t DISP_UnicodeUsers()
{
    return unicodeUsers;
}

namespace {

void finish_editing(DISP_LineEditor* editor)
{
    editor->mode = DISP_EDIT_FINISHED;
    DISP_FreeKeyHandlerSet(editor->handlers);
    editor->handlers = nullptr;
}

void remove_at(DISP_LineEditor* editor, uint16_t at)
{
    std::memmove(editor->text + at, editor->text + at + 1, editor->length - at);
    editor->length--;
}

// Only single bytes that can be shown: a character beyond Latin-1 must not turn into
// whatever its low byte happens to be, and control codes have no glyph.
bool is_typeable(uint16_t unicode)
{
    return unicode <= 0xFF && unicode >= 0x20 && (unicode < 0x7F || unicode >= 0xA0);
}

void type_char(DISP_LineEditor* editor, char ch)
{
    if (editor->mode == DISP_EDIT_OVERWRITE) {
        if (editor->cursor >= editor->capacity) {
            return;
        }
        editor->text[editor->cursor] = ch;
        editor->cursor++;
        if (editor->cursor > editor->length) {
            editor->length = editor->cursor;
            editor->text[editor->length] = '\0';
        }
        return;
    }
    if (editor->length >= editor->capacity) {
        return;
    }
    std::memmove(editor->text + editor->cursor + 1, editor->text + editor->cursor,
                 editor->length - editor->cursor + 1u);
    editor->text[editor->cursor] = ch;
    editor->length++;
    editor->cursor++;
}

int edit_key(SDL_keysym* key, uint8_t type, uintptr_t user)
{
    auto* editor = reinterpret_cast<DISP_LineEditor*>(user);
    if (type != SDL_KEYDOWN || editor->mode == DISP_EDIT_FINISHED) {
        return 1;
    }
    switch (key->sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        finish_editing(editor);
        break;
    case SDLK_ESCAPE:
        std::memcpy(editor->text, editor->initial, editor->capacity + 1u);
        editor->length = static_cast<uint16_t>(std::strlen(editor->text));
        editor->cursor = editor->length;
        finish_editing(editor);
        break;
    case SDLK_DELETE:
        if (editor->cursor < editor->length) {
            remove_at(editor, editor->cursor);
        }
        break;
    case SDLK_BACKSPACE:
        if (editor->cursor > 0) {
            editor->cursor--;
            remove_at(editor, editor->cursor);
        }
        break;
    case SDLK_INSERT:
        editor->mode = editor->mode == DISP_EDIT_INSERT ? DISP_EDIT_OVERWRITE : DISP_EDIT_INSERT;
        break;
    case SDLK_HOME:
        editor->cursor = 0;
        break;
    case SDLK_END:
        editor->cursor = editor->length;
        break;
    case SDLK_RIGHT:
        if (editor->cursor < editor->length) {
            editor->cursor++;
        }
        break;
    case SDLK_LEFT:
        if (editor->cursor > 0) {
            editor->cursor--;
        }
        break;
    default:
        if (is_typeable(key->unicode)) {
            type_char(editor, static_cast<char>(static_cast<unsigned char>(key->unicode)));
        }
        break;
    }
    return 1;
}

void free_editor_memory(DISP_LineEditor* editor)
{
    MEM_Free(editor->initial);
    MEM_Free(editor->text);
    MEM_Free(editor);
}

}  // namespace

DISP_LineEditor* DISP_NewLineEditor(uint16_t capacity, const char* initial)
{
    auto* editor = static_cast<DISP_LineEditor*>(MEM_Calloc(1, sizeof(DISP_LineEditor)));
    if (editor == nullptr) {
        return nullptr;
    }
    editor->initial = static_cast<char*>(MEM_Calloc(capacity + 1u, 1));
    editor->text = static_cast<char*>(MEM_Calloc(capacity + 1u, 1));
    if (editor->initial == nullptr || editor->text == nullptr) {
        free_editor_memory(editor);
        return nullptr;
    }
    size_t length = initial == nullptr ? 0 : strnlen(initial, capacity);
    std::memcpy(editor->initial, initial == nullptr ? "" : initial, length);
    std::memcpy(editor->text, editor->initial, length);
    editor->capacity = capacity;
    editor->length = static_cast<uint16_t>(length);
    editor->cursor = editor->length;
    editor->mode = DISP_EDIT_INSERT;
    editor->handlers = DISP_NewKeyHandlerSet(edit_key, reinterpret_cast<uintptr_t>(editor));
    if (editor->handlers == nullptr) {
        free_editor_memory(editor);
        return nullptr;
    }
    DISP_EnableUnicode(1);
    return editor;
}

void DISP_FreeLineEditor(DISP_LineEditor* editor)
{
    if (editor == nullptr) {
        return;
    }
    DISP_EnableUnicode(0);
    DISP_FreeKeyHandlerSet(editor->handlers);
    free_editor_memory(editor);
}
