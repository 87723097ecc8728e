// The widget kinds a simple input screen is made of: the screen (root of a widget tree, bound
// to an SDL surface), the filled box, the one-line text label and the one-line text entry with
// its blinking cursor, insert and overwrite modes and optional mask character.
//
// Depends on toolkit/ui/wg.h, toolkit/ui/wgcontrol.h, toolkit/gfx/font.h and
// toolkit/gfx/disp.h (the entry's key handlers and Unicode translation). Only one screen is
// current at a time: creating a screen destroys the one before.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "toolkit/gfx/disp.h"
#include "toolkit/ui/wg.h"
#include "toolkit/ui/wgcontrol.h"

struct TXT_Font;

enum WG_ScreenTag : uintptr_t {
    WG_SCREEN_SURFACE = 0x401, // address of a variable holding the surface; required
    WG_SCREEN_POINTER = 0x402, // address of a variable holding the pointer picture
    WG_SCREEN_HOTX = 0x403,
    WG_SCREEN_HOTY = 0x404,
};

enum WG_BoxTag : uintptr_t { WG_BOX_COLOUR = 0x701 };

enum WG_LabelTag : uintptr_t {
    WG_LABEL_TEXT = 0xa01,    // required
    WG_LABEL_FONT = 0xa02,    // address of a variable holding the font; required
    WG_LABEL_SPACING = 0xa03,
};

enum WG_EntryTag : uintptr_t {
    WG_ENTRY_HMARGIN = 0xf01,
    WG_ENTRY_VMARGIN = 0xf02,
    WG_ENTRY_MARGIN = 0xf03,
    WG_ENTRY_MAXLEN = 0xf04,  // 1..1022; 0 gives the largest length, 1023; more is ignored
    WG_ENTRY_FILTER = 0xf05,
    WG_ENTRY_ON_CHANGE = 0xf06,
    WG_ENTRY_ON_FINISH = 0xf07,
    WG_ENTRY_CURSOR_COLOUR = 0xf08,
    WG_ENTRY_BLINK_ON = 0xf09,
    WG_ENTRY_BLINK_OFF = 0xf0a,
    WG_ENTRY_MASK = 0xf0b,
    WG_ENTRY_NO_TYPE = 0xf0c,
    WG_ENTRY_FLAGS = 0xf0d,
};

enum WG_EntryFlag : uint8_t {
    WG_EF_EDITING = 0x1,
    WG_EF_OVERWRITE = 0x2,
    WG_EF_CLEAR_ONCE = 0x4,
    WG_EF_CLEAR = 0x8,
    WG_EF_FINISH_ON_RELEASE = 0x10,
};

enum : int {
    WG_ENTRY_BUFFER = 1024,
    WG_ENTRY_SLOTS = 360,
    WG_ENTRY_DEFAULT_MAXLEN = 1023,
};

struct WG_Screen {
    WG_Widget widget;
    SDL_Surface* surface;
    SDL_Surface* pointer;  // drawn at the mouse by WG_Refresh; not owned
    int16_t hotX;
    int16_t hotY;
    int savedCursor;
};

struct WG_Box {
    WG_Widget widget;
    uint32_t colour;  // a pixel value of the surface's format
};

struct WG_Label {
    WG_Widget widget;
    char* text;  // owned
    uint32_t capacity;
    TXT_Font* font;
    int16_t spacing;
    uint8_t autoSize;  // 0x1 the width follows the text, 0x2 the height
};

struct WG_Entry;
using WG_EntryFilterFn = unsigned char (*)(WG_Entry* entry, unsigned char character, SDL_keysym* key);
using WG_EntryFn = void (*)(WG_Entry* entry);

// Fields are read only; `text` is the edited text.
struct WG_Entry {
    WG_Widget widget;
    WG_Control control;
    WG_Box cursor;
    WG_Label label;
    uint16_t maxLength;
    uint16_t length;
    uint16_t position;  // of the cursor, 0..length
    DISP_Handler* handlers[WG_ENTRY_SLOTS];
    WG_EntryFilterFn filter;
    WG_EntryFn changed;
    WG_EntryFn finished;
    uint16_t blinkOn;
    uint16_t blinkOnCount;
    uint16_t blinkOff;
    uint16_t blinkOffCount;
    char text[WG_ENTRY_BUFFER];
    char display[WG_ENTRY_BUFFER];
    unsigned char mask;
    bool noType[DISP_NUM_KEYS];
    uint8_t entryFlags;
};

// The current screen's surface; NULL without a screen.
[[nodiscard]] SDL_Surface* WG_ScreenSurface();

// The kinds' methods (wg.cpp's kind table). A screen without a surface, a label without text
// or font and an entry whose parts cannot be made fail their setup.
[[nodiscard]] int WG_ScreenSetup(WG_Widget* widget, const AUX_Tag* tags);
void WG_ScreenCleanup(WG_Widget* widget);
[[nodiscard]] int WG_BoxSetup(WG_Widget* widget, const AUX_Tag* tags);
void WG_BoxDraw(WG_Widget* widget);
[[nodiscard]] int WG_LabelSetup(WG_Widget* widget, const AUX_Tag* tags);
void WG_LabelCleanup(WG_Widget* widget);
void WG_LabelDraw(WG_Widget* widget);
[[nodiscard]] int WG_EntrySetup(WG_Widget* widget, const AUX_Tag* tags);
void WG_EntryCleanup(WG_Widget* widget);
void WG_EntryDraw(WG_Widget* widget);

// Sets the label's text (`length` 0: all of it); 0 when a larger buffer cannot be had, and the
// old text stays. Auto-sized dimensions follow the new text.
[[nodiscard]] int WG_SetLabelText(WG_Label* label, const char* text, uint32_t length);
void WG_SetLabelFont(WG_Label* label, TXT_Font* font);
