// The remaining widget kinds: line, turned and scaled image, sprite, word-wrapped text block,
// nine-part frame, button (a control with a label whose letter becomes its hot key) and list
// (a column of buttons shown from a first visible item down).
//
// Depends on toolkit/ui/wg.h, wgcontrol.h, wgentry.h (labels), toolkit/gfx/line.h, pix.h,
// turn.h and font.h. Pictures, fonts, sprites and texts handed to these kinds stay the caller's.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "toolkit/gfx/line.h"
#include "toolkit/gfx/turn.h"
#include "toolkit/ui/wg.h"
#include "toolkit/ui/wgcontrol.h"
#include "toolkit/ui/wgentry.h"
#include "util/node.h"

struct PIX_Frame;
struct TXT_Font;

enum WG_KindTag : uintptr_t {
    WG_LINE_COLOUR = 0x601,
    WG_LINE_X0 = 0x602,
    WG_LINE_Y0 = 0x603,
    WG_LINE_X1 = 0x604,
    WG_LINE_Y1 = 0x605,
    WG_LINE_PLOT = 0x606,        // the LN_PlotFn the line is drawn with; LN_PlotSolid by default
    WG_IMAGE_PICTURE = 0x801,    // address of a variable holding the picture
    WG_IMAGE_ZOOM = 0x802,
    WG_IMAGE_ANGLE = 0x803,
    WG_IMAGE_CENTRE_X = 0x804,
    WG_IMAGE_CENTRE_Y = 0x805,
    WG_SPRITE_RECORD = 0x901,    // address of a variable holding the ACT_Sprite
    WG_TEXT_FONT = 0xb01,        // address of a variable holding the font
    WG_TEXT_TEXT = 0xb02,
    WG_TEXT_SPACING = 0xb03,
    WG_TEXT_LINE_SPACING = 0xb04,
    WG_TEXT_RESULT = 0xb05,      // address of a const char* that receives where drawing stopped
    WG_TEXT_RELEASE = 0xb06,     // function (const char* text) called by the cleanup
    WG_TEXT_MODE = 0xb07,        // 0x1 justified, 0x2 spread
    WG_FRAME_PICTURE = 0xc01,    // address of a variable holding the border picture
    WG_FRAME_TOP = 0xc02,
    WG_FRAME_BOTTOM = 0xc03,
    WG_FRAME_LEFT = 0xc04,
    WG_FRAME_RIGHT = 0xc05,
    WG_BUTTON_LABEL_X = 0xe01,
    WG_BUTTON_LABEL_Y = 0xe02,
    WG_BUTTON_FLAGS = 0xe03,     // ORed, masked to 0x7E
    WG_LIST_VALUE = 0x1001,
    WG_LIST_ITEM_X = 0x1002,
    WG_LIST_SPACING = 0x1003,
    WG_LIST_ITEM_W = 0x1004,     // the items' width, and the spacing too
    WG_LIST_ITEM_H = 0x1005,     // 0: the items share the list's height
    WG_LIST_ITEM_TEXT = 0x1006,
    WG_LIST_ITEM_VALUE = 0x1007, // address of a variable holding the item's value
    WG_LIST_ITEM_USER = 0x1008,  // address of a variable holding the user value of what follows
    WG_LIST_FLAGS = 0x1009,      // ORed, masked to 7
};

enum WG_ButtonFlag : uint8_t {
    WG_BF_LABELLED = 0x1,
    WG_BF_LABEL_X_PERCENT = 0x2,
    WG_BF_LABEL_Y_PERCENT = 0x4,
    WG_BF_HOTKEY = 0x8,
    WG_BF_LOWER = 0x10,
    WG_BF_UPPER = 0x20,
    WG_BF_SWAP = 0x40,
};

enum WG_ListFlag : uint8_t {
    WG_LF_RADIO = 0x1,
    WG_LF_FRONT = 0x2,
    WG_LF_SORTED = 0x4,
};

enum : int { WG_BUTTON_TEXT = 64 };

struct WG_Line {
    WG_Widget widget;
    uint32_t colour;
    uint16_t x0, y0, x1, y1;  // relative to the widget's position
    LN_PlotFn plot;
};

struct WG_Image {
    WG_Widget widget;
    SDL_Surface* picture;
    uint16_t zoom;
    uint16_t angle;
    int32_t centreX;  // 0x80000000 while none was given
    int32_t centreY;
    PIX_SpanFn span;
    uint32_t colourKey;
};

struct WG_Sprite {
    WG_Widget widget;
    ACT_Sprite* sprite;
    uint8_t autoSize;
};

using WG_TextReleaseFn = void (*)(const char* text);
struct WG_Text {
    WG_Widget widget;
    TXT_Font* font;
    const char* text;
    int16_t spacing;
    int16_t lineSpacing;
    const char** result;
    WG_TextReleaseFn release;
    uint8_t mode;
};

struct WG_Frame {
    WG_Widget widget;
    PIX_Frame* frame;  // owned
};

// Fields are read only.
struct WG_Button {
    WG_Widget widget;
    WG_Control control;
    WG_Label label;
    char labelText[WG_BUTTON_TEXT];
    char* hotLetter;  // inside labelText, NULL without a hot letter
    char storedLetter;
    char shownLetter;
    uint8_t buttonFlags;
};

struct WG_ListItem {
    WG_Button button;
    NODE_Node node;  // in the list's items; data is the item
    char* text;      // owned copy
    uintptr_t value;
    uintptr_t user;
};

struct WG_List {
    WG_Widget widget;
    AUX_Tag* itemTags;  // the template every item is made from; owned
    NODE_List items;
    WG_ListItem* firstVisible;
    uint32_t count;
    uintptr_t value;
    int16_t itemX;
    uint16_t itemW;
    uint16_t itemH;
    int16_t spacing;
    uintptr_t user;
    uint8_t listFlags;
};

// The kinds' methods (wg.cpp's kind table). Setups fail for a line of colour 0, an image without
// picture, a text block without font or text, a frame whose border cannot be made, a button
// whose label cannot be made and a list whose template or an item cannot be made.
[[nodiscard]] int WG_LineSetup(WG_Widget* widget, const AUX_Tag* tags);
void WG_LineDraw(WG_Widget* widget);
[[nodiscard]] int WG_ImageSetup(WG_Widget* widget, const AUX_Tag* tags);
void WG_ImageDraw(WG_Widget* widget);
[[nodiscard]] int WG_SpriteSetup(WG_Widget* widget, const AUX_Tag* tags);
void WG_SpriteDraw(WG_Widget* widget);
[[nodiscard]] int WG_TextSetup(WG_Widget* widget, const AUX_Tag* tags);
void WG_TextCleanup(WG_Widget* widget);
void WG_TextDraw(WG_Widget* widget);
[[nodiscard]] int WG_FrameSetup(WG_Widget* widget, const AUX_Tag* tags);
void WG_FrameCleanup(WG_Widget* widget);
void WG_FrameDraw(WG_Widget* widget);
[[nodiscard]] int WG_ButtonSetup(WG_Widget* widget, const AUX_Tag* tags);
void WG_ButtonCleanup(WG_Widget* widget);
void WG_ButtonDraw(WG_Widget* widget);
[[nodiscard]] int WG_ListSetup(WG_Widget* widget, const AUX_Tag* tags);
void WG_ListCleanup(WG_Widget* widget);
// The list's layout, installed as its draw method whenever items or its size changed.
void WG_ListDraw(WG_Widget* widget);

// Sets the button's label text (at most 63 characters) and, with WG_BF_HOTKEY, picks its hot
// key from the text's characters in order.
void WG_SetButtonLabel(WG_Button* button, const char* text);

// Adds an item; NULL when it cannot be made (the list is unchanged). Freed with the list or by
// WG_ListRemove.
[[nodiscard]] WG_ListItem* WG_ListAdd(WG_List* list, const char* text, uintptr_t value);
void WG_ListRemove(WG_List* list, WG_ListItem* item);
[[nodiscard]] WG_ListItem* WG_ListFind(const WG_List* list, const char* text);
void WG_ListUnselectAll(WG_List* list);
void WG_ListSelectAll(WG_List* list);
void WG_ListClickAll(WG_List* list);
void WG_ListLayout(WG_List* list);
void WG_ListSetFirstVisible(WG_List* list, WG_ListItem* item);
