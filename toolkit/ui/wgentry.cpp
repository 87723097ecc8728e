#include "toolkit/ui/wgentry.h"

#include <cstring>

#include "toolkit/gfx/font.h"
#include "util/mem.h"
#include "util/tools.h"

namespace {

enum EntrySlot : int {
    SLOT_RETURN,
    SLOT_ENTER,
    SLOT_BACKSPACE,
    SLOT_DELETE,
    SLOT_LEFT,
    SLOT_RIGHT,
    SLOT_INSERT,
    SLOT_HOME,
    SLOT_END,
    SLOT_TYPING,
};

// Tags that the entry hands on to its control.
bool PassedToControl(uintptr_t tag)
{
    return (tag >= WG_CONTROL_FACE0 && tag <= WG_CONTROL_ON_LEAVE) || tag == WG_CONTROL_ON_ENABLE ||
           tag == WG_CONTROL_ON_SHOW || tag == WG_CONTROL_ON_HIDE || tag == WG_CONTROL_BEHAVIOUR;
}

WG_Entry* EntryOfControl(WG_Control* control)
{
    WG_Widget* parent = WG_Parent(&control->widget);
    return parent != nullptr && parent->kind == WG_ENTRY ? reinterpret_cast<WG_Entry*>(parent) : nullptr;
}

void RestartBlink(WG_Entry* e)
{
    e->blinkOnCount = e->blinkOn;
    e->blinkOffCount = e->blinkOff;
}

void Changed(WG_Entry* e)
{
    if (e->changed != nullptr) {
        e->changed(e);
    }
}

unsigned char Filter(WG_Entry* e, unsigned char c, SDL_keysym* key)
{
    return e->filter != nullptr ? e->filter(e, c, key) : c;
}

void StopEditing(WG_Entry* e)
{
    if ((e->entryFlags & WG_EF_EDITING) == 0) {
        return;
    }
    for (DISP_Handler*& handler : e->handlers) {
        if (handler != nullptr) {
            DISP_RemoveKeyHandler(handler);
            handler = nullptr;
        }
    }
    e->entryFlags &= static_cast<uint8_t>(~WG_EF_EDITING);
}

int TypingKey(SDL_keysym* key, uint8_t type, uintptr_t user)
{
    WG_Entry* e = reinterpret_cast<WG_Entry*>(user);
    if (type != SDL_KEYDOWN) {
        return 1;
    }
    unsigned char c = static_cast<unsigned char>(key->unicode & 0xFF);
    c = Filter(e, c, key);
    if (e->label.font == nullptr || e->label.font->glyphs[c].w == 0) {
        return 1;
    }
    if ((e->entryFlags & WG_EF_OVERWRITE) == 0) {
        if (e->length < e->maxLength) {
            std::memmove(e->text + e->position + 1, e->text + e->position, e->length - e->position + 1u);
            e->text[e->position] = static_cast<char>(c);
            e->length++;
            e->position++;
        }
    } else if (e->position < e->length) {
        e->text[e->position++] = static_cast<char>(c);
    } else if (e->length < e->maxLength) {
        e->text[e->length++] = static_cast<char>(c);
        e->text[e->length] = '\0';
        e->position++;
    }
    RestartBlink(e);
    Changed(e);
    return 1;
}

void RemoveAt(WG_Entry* e, uint16_t at)
{
    std::memmove(e->text + at, e->text + at + 1, e->length - at);
    e->length--;
}

int BackspaceKey(SDL_keysym* key, uint8_t type, uintptr_t user)
{
    WG_Entry* e = reinterpret_cast<WG_Entry*>(user);
    if (type == SDL_KEYDOWN && e->position > 0) {
        (void)Filter(e, 8, key);
        e->position--;
        RemoveAt(e, e->position);
        RestartBlink(e);
        Changed(e);
    }
    return 1;
}

int DeleteKey(SDL_keysym* key, uint8_t type, uintptr_t user)
{
    WG_Entry* e = reinterpret_cast<WG_Entry*>(user);
    if (type == SDL_KEYDOWN && e->position < e->length) {
        (void)Filter(e, 127, key);
        RemoveAt(e, e->position);
        RestartBlink(e);
        Changed(e);
    }
    return 1;
}

int LeftKey(SDL_keysym* key, uint8_t type, uintptr_t user)
{
    WG_Entry* e = reinterpret_cast<WG_Entry*>(user);
    if (type == SDL_KEYDOWN && e->position > 0) {
        (void)Filter(e, 0, key);
        RestartBlink(e);
        e->position--;
    }
    return 1;
}

int RightKey(SDL_keysym* key, uint8_t type, uintptr_t user)
{
    WG_Entry* e = reinterpret_cast<WG_Entry*>(user);
    if (type == SDL_KEYDOWN && e->position < e->length) {
        (void)Filter(e, 0, key);
        RestartBlink(e);
        e->position++;
    }
    return 1;
}

int InsertKey(SDL_keysym* key, uint8_t type, uintptr_t user)
{
    WG_Entry* e = reinterpret_cast<WG_Entry*>(user);
    if (type == SDL_KEYDOWN) {
        (void)Filter(e, 0, key);
        RestartBlink(e);
        e->entryFlags ^= WG_EF_OVERWRITE;
    }
    return 1;
}

int HomeKey(SDL_keysym* key, uint8_t type, uintptr_t user)
{
    WG_Entry* e = reinterpret_cast<WG_Entry*>(user);
    if (type == SDL_KEYDOWN) {
        (void)Filter(e, 0, key);
        RestartBlink(e);
        e->position = 0;
    }
    return 1;
}

int EndKey(SDL_keysym* key, uint8_t type, uintptr_t user)
{
    WG_Entry* e = reinterpret_cast<WG_Entry*>(user);
    if (type == SDL_KEYDOWN) {
        (void)Filter(e, 0, key);
        RestartBlink(e);
        e->position = e->length;
    }
    return 1;
}

int FinishKey(SDL_keysym* key, uint8_t type, uintptr_t user)
{
    WG_Entry* e = reinterpret_cast<WG_Entry*>(user);
    const uint8_t wanted = (e->entryFlags & WG_EF_FINISH_ON_RELEASE) != 0 ? SDL_KEYUP : SDL_KEYDOWN;
    if (type != wanted) {
        return 1;
    }
    (void)Filter(e, 10, key);
    WG_SetFocus(nullptr);
    if (e->finished != nullptr) {
        e->finished(e);
    }
    return 1;
}

void StartEditing(WG_Control* control)
{
    WG_Entry* e = EntryOfControl(control);
    if (e == nullptr || (e->entryFlags & WG_EF_EDITING) != 0) {
        return;
    }
    e->entryFlags |= WG_EF_EDITING;
    struct Binding {
        uint32_t key;
        DISP_KeyFn fn;
    };
    static constexpr Binding bindings[SLOT_TYPING] = {
        {SDLK_RETURN, FinishKey},   {SDLK_KP_ENTER, FinishKey}, {SDLK_BACKSPACE, BackspaceKey},
        {SDLK_DELETE, DeleteKey},   {SDLK_LEFT, LeftKey},       {SDLK_RIGHT, RightKey},
        {SDLK_INSERT, InsertKey},   {SDLK_HOME, HomeKey},       {SDLK_END, EndKey},
    };
    const uintptr_t user = reinterpret_cast<uintptr_t>(e);
    bool ok = true;
    int slot = 0;
    for (; slot < SLOT_TYPING && ok; slot++) {
        e->handlers[slot] = DISP_AddKeyHandler(bindings[slot].key, bindings[slot].fn, user);
        ok = e->handlers[slot] != nullptr;
    }
    for (uint32_t k = 0; k < DISP_NUM_KEYS && ok && slot < WG_ENTRY_SLOTS; k++) {
        if (!e->noType[k]) {
            e->handlers[slot] = DISP_AddKeyHandler(k, TypingKey, user);
            ok = e->handlers[slot++] != nullptr;
        }
    }
    if (!ok) {
        StopEditing(e);
        return;
    }
    if ((e->entryFlags & (WG_EF_CLEAR_ONCE | WG_EF_CLEAR)) != 0) {
        e->length = 0;
        e->position = 0;
        e->text[0] = '\0';
        RestartBlink(e);
        e->entryFlags &= static_cast<uint8_t>(~WG_EF_CLEAR_ONCE);
    } else {
        e->position = e->length;
    }
}

void StopEditingOf(WG_Control* control)
{
    WG_Entry* e = EntryOfControl(control);
    if (e != nullptr) {
        StopEditing(e);
    }
}

void ApplyEntryTags(WG_Entry* e, const AUX_Tag* tags, int16_t margins[4], uint32_t* cursorColour)
{
    for (const AUX_Tag* t = tags; t->tag != 0; t++) {
        const uintptr_t v = t->value;
        switch (t->tag) {
        case WG_ENTRY_HMARGIN: margins[0] = margins[2] = static_cast<int16_t>(v); break;
        case WG_ENTRY_VMARGIN: margins[1] = margins[3] = static_cast<int16_t>(v); break;
        case WG_ENTRY_MARGIN:
            margins[0] = margins[1] = margins[2] = margins[3] = static_cast<int16_t>(v);
            break;
        case WG_ENTRY_MAXLEN:
            // 0 reads as "no limit", and the buffer's size is the only limit there is.
            if (v == 0) {
                e->maxLength = WG_ENTRY_DEFAULT_MAXLEN;
            } else if (v <= WG_ENTRY_DEFAULT_MAXLEN - 1) {
                e->maxLength = static_cast<uint16_t>(v);
            }
            break;
        case WG_ENTRY_FILTER: e->filter = reinterpret_cast<WG_EntryFilterFn>(v); break;
        case WG_ENTRY_ON_CHANGE: e->changed = reinterpret_cast<WG_EntryFn>(v); break;
        case WG_ENTRY_ON_FINISH: e->finished = reinterpret_cast<WG_EntryFn>(v); break;
        case WG_ENTRY_CURSOR_COLOUR: *cursorColour = static_cast<uint32_t>(v); break;
        case WG_ENTRY_BLINK_ON: e->blinkOn = static_cast<uint16_t>(v); break;
        case WG_ENTRY_BLINK_OFF: e->blinkOff = static_cast<uint16_t>(v); break;
        case WG_ENTRY_MASK: e->mask = static_cast<unsigned char>(v); break;
        case WG_ENTRY_NO_TYPE:
            if (v < DISP_NUM_KEYS) {
                e->noType[v] = true;
            }
            break;
        case WG_ENTRY_FLAGS: e->entryFlags |= static_cast<uint8_t>(v & 0x1E); break;
        default: break;
        }
    }
}

void InitEntry(WG_Entry* e)
{
    e->control.widget.flags = 0;
    e->cursor.widget.flags = 0;
    e->label.widget.flags = 0;
    e->maxLength = WG_ENTRY_DEFAULT_MAXLEN;
    e->length = 0;
    e->position = 0;
    for (DISP_Handler*& handler : e->handlers) {
        handler = nullptr;
    }
    e->filter = nullptr;
    e->changed = nullptr;
    e->finished = nullptr;
    e->blinkOn = 7;
    e->blinkOff = 7;
    e->blinkOnCount = 0;
    e->blinkOffCount = 0;
    e->text[0] = '\0';
    e->display[0] = '\0';
    e->mask = 0;
    for (bool& excluded : e->noType) {
        excluded = false;
    }
    for (uint32_t k : {SDLK_BACKSPACE, SDLK_RETURN, SDLK_DELETE, SDLK_KP_ENTER, SDLK_RIGHT, SDLK_LEFT,
                       SDLK_INSERT, SDLK_HOME, SDLK_END}) {
        e->noType[k] = true;
    }
    e->entryFlags = 0;
}

// The control's tag list: its fixed part, then what the caller passes on. Free with MEM_Free.
AUX_Tag* ControlTags(const AUX_Tag* tags)
{
    const AUX_Tag fixed[] = {
        {WG_TAG_KIND, WG_CONTROL},
        {WG_TAG_W, 100},
        {WG_TAG_H, 100},
        {WG_TAG_FLAGS, WG_F_W_PERCENT | WG_F_H_PERCENT},
        {WG_CONTROL_ON_FOCUS, reinterpret_cast<uintptr_t>(StartEditing)},
        {WG_CONTROL_ON_BLUR, reinterpret_cast<uintptr_t>(StopEditingOf)},
        {WG_CONTROL_ON_DISABLE, reinterpret_cast<uintptr_t>(StopEditingOf)},
    };
    return WG_JoinTags(fixed, sizeof fixed / sizeof fixed[0], tags, PassedToControl);
}

}  // namespace

SDL_Surface* WG_ScreenSurface()
{
    return WG_CurrentScreen != nullptr ? reinterpret_cast<WG_Screen*>(WG_CurrentScreen)->surface : nullptr;
}

int WG_ScreenSetup(WG_Widget* widget, const AUX_Tag* tags)
{
    WG_Screen* s = reinterpret_cast<WG_Screen*>(widget);
    if (WG_CurrentScreen != nullptr) {
        WG_Destroy(WG_CurrentScreen);
    }
    WG_CurrentScreen = widget;
    s->surface = nullptr;
    s->pointer = nullptr;
    s->savedCursor = SDL_ShowCursor(SDL_QUERY);
    s->hotX = static_cast<int16_t>(s->savedCursor);
    s->hotY = static_cast<int16_t>(s->savedCursor);
    for (const AUX_Tag* t = tags; t->tag != 0; t++) {
        const uintptr_t v = t->value;
        if (t->tag == WG_SCREEN_SURFACE && v != 0) {
            s->surface = *reinterpret_cast<SDL_Surface**>(v);
        } else if (t->tag == WG_SCREEN_POINTER) {
            if (v != 0) {
                s->pointer = *reinterpret_cast<SDL_Surface**>(v);
            }
            (void)SDL_ShowCursor(SDL_DISABLE);
        } else if (t->tag == WG_SCREEN_HOTX) {
            s->hotX = static_cast<int16_t>(v);
        } else if (t->tag == WG_SCREEN_HOTY) {
            s->hotY = static_cast<int16_t>(v);
        }
    }
    if (s->surface == nullptr) {
        return 0;
    }
    const uint16_t w = static_cast<uint16_t>(s->surface->w > 65535 ? 65535 : s->surface->w);
    const uint16_t h = static_cast<uint16_t>(s->surface->h > 65535 ? 65535 : s->surface->h);
    widget->w = widget->width = w;
    widget->h = widget->height = h;
    widget->clip = SDL_Rect{0, 0, w, h};
    widget->absX = widget->absY = 0;
    widget->flags &= ~static_cast<uint32_t>(WG_F_SIZE_DIRTY | WG_F_POS_DIRTY);
    return -1;
}

void WG_ScreenCleanup(WG_Widget* widget)
{
    // A screen already replaced by a newer one has nothing left to undo.
    if (widget != WG_CurrentScreen) {
        return;
    }
    WG_Screen* s = reinterpret_cast<WG_Screen*>(widget);
    if (s->pointer != nullptr) {
        (void)SDL_ShowCursor(s->savedCursor);
    }
    WG_CurrentScreen = nullptr;
}

int WG_BoxSetup(WG_Widget* widget, const AUX_Tag* tags)
{
    WG_Box* b = reinterpret_cast<WG_Box*>(widget);
    uintptr_t colour = 0;
    (void)AUX_GetTag(tags, WG_BOX_COLOUR, &colour);
    b->colour = static_cast<uint32_t>(colour);
    return -1;
}

void WG_BoxDraw(WG_Widget* widget)
{
    SDL_Surface* surface = WG_ScreenSurface();
    if (surface == nullptr) {
        return;
    }
    SDL_Rect rect{widget->absX, widget->absY, widget->width, widget->height};
    (void)SDL_FillRect(surface, &rect, reinterpret_cast<WG_Box*>(widget)->colour);
}

int WG_LabelSetup(WG_Widget* widget, const AUX_Tag* tags)
{
    WG_Label* l = reinterpret_cast<WG_Label*>(widget);
    l->text = nullptr;
    l->capacity = 0;
    l->font = nullptr;
    l->spacing = 1;
    l->autoSize = 0;
    const char* text = nullptr;
    for (const AUX_Tag* t = tags; t->tag != 0; t++) {
        if (t->tag == WG_LABEL_TEXT) {
            text = reinterpret_cast<const char*>(t->value);
        } else if (t->tag == WG_LABEL_FONT && t->value != 0) {
            l->font = *reinterpret_cast<TXT_Font**>(t->value);
        } else if (t->tag == WG_LABEL_SPACING) {
            l->spacing = static_cast<int16_t>(t->value);
        }
    }
    if (text == nullptr || l->font == nullptr) {
        return 0;
    }
    if (widget->w == 0 && (widget->flags & (WG_F_W_MARGIN | WG_F_W_PERCENT)) == 0) {
        l->autoSize |= 0x1;
    }
    if (widget->h == 0 && (widget->flags & (WG_F_H_MARGIN | WG_F_H_PERCENT)) == 0) {
        l->autoSize |= 0x2;
    }
    return WG_SetLabelText(l, text, 0);
}

void WG_LabelCleanup(WG_Widget* widget)
{
    WG_Label* l = reinterpret_cast<WG_Label*>(widget);
    MEM_Free(l->text);
    l->text = nullptr;
    l->capacity = 0;
}

void WG_LabelDraw(WG_Widget* widget)
{
    WG_Label* l = reinterpret_cast<WG_Label*>(widget);
    (void)TXT_DrawText(l->font, l->text, l->spacing, WG_ScreenSurface(), widget->absX, widget->absY);
}

namespace {

void MeasureLabel(WG_Label* l)
{
    if ((l->autoSize & 0x1) != 0) {
        l->widget.w = TXT_TextWidth(l->font, l->text, l->spacing);
        WG_MarkSizeDirty(&l->widget);
    }
    if ((l->autoSize & 0x2) != 0) {
        l->widget.h = TXT_TextHeight(l->font, l->text);
        WG_MarkSizeDirty(&l->widget);
    }
}

}  // namespace

int WG_SetLabelText(WG_Label* label, const char* text, uint32_t length)
{
    if (label == nullptr || text == nullptr) {
        return 0;
    }
    const size_t full = std::strlen(text);
    const uint32_t n = length == 0 || length > full ? static_cast<uint32_t>(full) : length;
    if (label->text == nullptr || label->capacity < n) {
        char* copy = AUX_DupString(text, nullptr, static_cast<int32_t>(n));
        if (copy == nullptr) {
            return 0;
        }
        MEM_Free(label->text);
        label->text = copy;
        label->capacity = n;
    } else if (n == 0) {
        label->text[0] = '\0';
    } else {
        AUX_CopyString(text, label->text, static_cast<int32_t>(n));
    }
    MeasureLabel(label);
    return -1;
}

void WG_SetLabelFont(WG_Label* label, TXT_Font* font)
{
    if (label != nullptr) {
        label->font = font;
        MeasureLabel(label);
    }
}

int WG_EntrySetup(WG_Widget* widget, const AUX_Tag* tags)
{
    WG_Entry* e = reinterpret_cast<WG_Entry*>(widget);
    InitEntry(e);
    int16_t margins[4] = {0, 0, 0, 0};
    uint32_t cursorColour = 0;
    ApplyEntryTags(e, tags, margins, &cursorColour);
    uintptr_t initial = 0;
    uintptr_t font = 0;
    uintptr_t spacing = 1;
    (void)AUX_GetTag(tags, WG_LABEL_TEXT, &initial);
    (void)AUX_GetTag(tags, WG_LABEL_FONT, &font);
    (void)AUX_GetTag(tags, WG_LABEL_SPACING, &spacing);

    const AUX_Tag cursorTags[] = {{WG_TAG_KIND, WG_BOX}, {WG_BOX_COLOUR, cursorColour}, {0, 0}};
    WG_Widget* cursor = WG_Create(&e->cursor, cursorTags);
    if (cursor != nullptr) {
        WG_AddChild(cursor, widget);
    }
    if (initial != 0) {
        AUX_CopyString(reinterpret_cast<const char*>(initial), e->text, e->maxLength);
        e->length = static_cast<uint16_t>(std::strlen(e->text));
    }
    const AUX_Tag labelTags[] = {
        {WG_TAG_KIND, WG_LABEL},
        {WG_TAG_FLAGS, WG_F_W_MARGIN | WG_F_H_MARGIN},
        {WG_TAG_X, static_cast<uint16_t>(margins[0])},
        {WG_TAG_Y, static_cast<uint16_t>(margins[1])},
        {WG_TAG_W, static_cast<uint16_t>(margins[2])},
        {WG_TAG_H, static_cast<uint16_t>(margins[3])},
        {WG_LABEL_TEXT, reinterpret_cast<uintptr_t>(e->display)},
        {WG_LABEL_FONT, font},
        {WG_LABEL_SPACING, spacing},
        {0, 0},
    };
    WG_Widget* label = WG_Create(&e->label, labelTags);
    WG_Widget* control = nullptr;
    if (label != nullptr && cursor != nullptr) {
        WG_AddChild(label, widget);
        AUX_Tag* controlTags = ControlTags(tags);
        if (controlTags != nullptr) {
            control = WG_Create(&e->control, controlTags);
            MEM_Free(controlTags);
            WG_AddChildFirst(control, widget);
        }
    }
    DISP_EnableUnicode(1);
    return cursor != nullptr && label != nullptr && control != nullptr ? -1 : 0;
}

void WG_EntryCleanup(WG_Widget* widget)
{
    WG_Entry* e = reinterpret_cast<WG_Entry*>(widget);
    DISP_EnableUnicode(0);
    StopEditing(e);
    WG_Destroy(&e->label.widget);
    WG_Destroy(&e->cursor.widget);
    WG_Destroy(&e->control.widget);
}

void WG_EntryDraw(WG_Widget* widget)
{
    WG_Entry* e = reinterpret_cast<WG_Entry*>(widget);
    WG_Label* label = &e->label;
    const TXT_Font* font = label->font;
    const int spacing = label->spacing;
    int room = label->widget.clip.w - spacing - 2;
    if (room < 0) {
        room = 0;
    }
    const uint16_t fit = static_cast<uint16_t>(room > 65535 ? 65535 : room);
    const char* startPtr = TXT_FitBackward(font, e->text, e->text + e->position, spacing, fit);
    if (startPtr > e->text + e->position) {
        startPtr = e->text + e->position;
    }
    const char* endPtr = TXT_FitForward(font, startPtr, spacing, fit);
    if (endPtr < startPtr) {
        endPtr = startPtr;
    }
    const uint16_t start = static_cast<uint16_t>(startPtr - e->text);
    const uint16_t count = static_cast<uint16_t>(endPtr - startPtr);
    if (e->mask != 0) {
        std::memset(e->display, e->mask, count);
    } else {
        std::memcpy(e->display, startPtr, count);
    }
    e->display[count] = '\0';
    (void)WG_SetLabelText(label, e->display, 0);

    WG_Widget* cursor = &e->cursor.widget;
    if ((e->entryFlags & WG_EF_EDITING) == 0) {
        if (cursor->w != 0) {
            WG_SetSize(cursor, 0, 0);
        }
        return;
    }
    if (e->blinkOnCount > 0) {
        e->blinkOnCount--;
        const uint16_t offset = static_cast<uint16_t>(e->position - start);
        uint16_t width = 2;
        if ((e->entryFlags & WG_EF_OVERWRITE) != 0 && offset < count) {
            const unsigned char under =
                e->mask != 0 ? e->mask : static_cast<unsigned char>(e->text[e->position]);
            width = font != nullptr ? static_cast<uint16_t>(font->glyphs[under].w) : 0;
        }
        uint16_t x = TXT_TextWidthN(font, e->display, spacing, offset);
        if (x != 0) {
            x = static_cast<uint16_t>(x + spacing);
        }
        cursor->w = width;
        cursor->h = font != nullptr ? font->largestHeight : 0;
        cursor->x = static_cast<int16_t>(x + label->widget.x);
        cursor->y = label->widget.y;
        WG_MarkSizeDirty(cursor);
        WG_MarkPositionDirty(cursor);
    } else if (e->blinkOffCount == 0) {
        RestartBlink(e);
    } else {
        e->blinkOffCount--;
        if (cursor->w != 0) {
            WG_SetSize(cursor, 0, 0);
        }
    }
}
