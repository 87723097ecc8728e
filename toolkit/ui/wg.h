// The widget model: records with a common header linked into trees, created from tag lists,
// laid out lazily (fixed pixels, margins from the parent's far edges or percentages of the
// parent) and drawn parent before children, each clipped to its ancestors.
//
// Depends on util/tree.h, util/tools.h (tag lists), util/heap.h (WG_Dump), util/mem.h and
// toolkit/ui/inp.h. The interactive kinds live in wgcontrol.h, the screen, box, label and text
// entry in wgentry.h, the other kinds in wgkinds.h and the windows in wgwindow.h.
// Main thread only; the module state is plain globals.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>

#include "util/tools.h"
#include "util/tree.h"

// Kinds (WG_TAG_KIND).
enum WG_Kind : uint32_t {
    WG_SCREEN = 1,
    WG_GROUP = 2,
    WG_LINE = 3,
    WG_BOX = 4,
    WG_IMAGE = 5,
    WG_SPRITE = 6,
    WG_LABEL = 7,
    WG_TEXT = 8,
    WG_FRAME = 9,
    WG_CONTROL = 10,
    WG_BUTTON = 11,
    WG_ENTRY = 12,
    WG_LIST = 13,
    WG_WINDOW = 14,
    WG_KIND_COUNT = 15,
};

// Tags common to every kind. A kind k numbers its own tags from ((k + 3) * 256) + 1.
enum WG_CommonTag : uintptr_t {
    WG_TAG_KIND = 1,
    WG_TAG_NAME = 2,
    WG_TAG_PARENT = 3, // address of a variable holding the parent
    WG_TAG_SETUP = 4,
    WG_TAG_CLEANUP = 5,
    WG_TAG_ATTACHED = 6,
    WG_TAG_DETACHED = 7,
    WG_TAG_SIZED = 8,
    WG_TAG_PLACED = 9,
    WG_TAG_DRAW = 10,
    WG_TAG_W = 11,
    WG_TAG_H = 12,
    WG_TAG_X = 13,
    WG_TAG_Y = 14,
    WG_TAG_FLAGS = 15, // ORed; may be repeated
};

enum WG_Flag : uint32_t {
    WG_F_ALIVE = 0x1,
    WG_F_OWNED = 0x2,
    WG_F_SIZE_DIRTY = 0x4,
    WG_F_POS_DIRTY = 0x8,
    WG_F_W_MARGIN = 0x10,
    WG_F_H_MARGIN = 0x20,
    WG_F_W_PERCENT = 0x40,
    WG_F_H_PERCENT = 0x80,
    WG_F_X_PERCENT = 0x100,
    WG_F_Y_PERCENT = 0x200,
    WG_F_SIZE_FROM_PARENT = 0xF0,
    WG_F_POS_PERCENT = 0x300,
};

struct WG_Widget;
using WG_SetupFn = int (*)(WG_Widget* widget, const AUX_Tag* tags);
using WG_WidgetFn = void (*)(WG_Widget* widget);

// The common header every kind's record starts with. The caller may read everything; the
// fields are changed through the operations below, which re-mark what depends on them.
struct WG_Widget {
    TR_Node node;
    uint32_t kind;
    const char* name;
    WG_SetupFn setup;
    WG_WidgetFn cleanup;
    WG_WidgetFn attached;
    WG_WidgetFn detached;
    WG_WidgetFn sized;
    WG_WidgetFn placed;
    WG_WidgetFn draw;
    SDL_Rect clip;  // the visible part, from the last drawing
    int16_t x;      // the caller's geometry, read through the flags
    int16_t y;
    uint16_t w;
    uint16_t h;
    int16_t absX;   // the layout's results
    int16_t absY;
    uint16_t width;
    uint16_t height;
    uint32_t flags;
};

// The screen whose tree is drawn and takes input; NULL when there is none (wgentry.h).
extern WG_Widget* WG_CurrentScreen;

// Creation and destruction.
// Makes a widget from the tag list, in `storage` (nothing allocated; any kind number goes) or,
// for NULL storage, in a new record of the kind's type. Returns NULL for a missing or (without
// storage) unknown kind, a refused pair of flags, a failed setup or allocation; whatever the
// setup had made is cleaned up then. Free with WG_Destroy or WG_DestroyTree.
[[nodiscard]] WG_Widget* WG_Create(void* storage, const AUX_Tag* tags);
// This widget only: its children are detached and become trees of their own. NULL ignored.
void WG_Destroy(WG_Widget* widget);
void WG_DestroyTree(WG_Widget* widget);
void WG_DestroyChildren(WG_Widget* widget);
void WG_DetachChildren(WG_Widget* widget);

// The tree. NULL arguments do nothing.
void WG_AddChild(WG_Widget* child, WG_Widget* parent);
void WG_AddChildFirst(WG_Widget* child, WG_Widget* parent);
// Calls the detached method, then takes the widget with its subtree out of its parent.
void WG_Detach(WG_Widget* widget);
// Pre-order; a 0 from `fn` skips that widget's children.
void WG_Walk(WG_Widget* widget, int (*fn)(WG_Widget* widget));
[[nodiscard]] WG_Widget* WG_Parent(const WG_Widget* widget);
[[nodiscard]] WG_Widget* WG_FirstChild(const WG_Widget* widget);
[[nodiscard]] WG_Widget* WG_NextSibling(const WG_Widget* widget);
[[nodiscard]] WG_Widget* WG_Root(const WG_Widget* widget);

// Geometry. NULL widgets are ignored.
void WG_SetX(WG_Widget* widget, int16_t x);
void WG_SetY(WG_Widget* widget, int16_t y);
void WG_SetPosition(WG_Widget* widget, int16_t x, int16_t y);
void WG_SetWidth(WG_Widget* widget, uint16_t w);
void WG_SetHeight(WG_Widget* widget, uint16_t h);
void WG_SetSize(WG_Widget* widget, uint16_t w, uint16_t h);
void WG_MarkSizeDirty(WG_Widget* widget);
void WG_MarkPositionDirty(WG_Widget* widget);
// A widget that depends on a parent it does not have stays dirty with its old values.
void WG_UpdateSize(WG_Widget* widget);
void WG_UpdatePosition(WG_Widget* widget);
void WG_GetRelativePosition(WG_Widget* widget, int16_t* x, int16_t* y);
// Without a parent nothing is written.
void WG_GetPercentPosition(WG_Widget* widget, int16_t* x, int16_t* y);

// Drawing: with `ancestorsFirst` the parents are drawn before the widget. The display is not
// updated; the caller presents.
void WG_Draw(WG_Widget* widget, int ancestorsFirst);
void WG_Refresh();
// Debug listing of the tree through HEAP_Print.
void WG_Dump(WG_Widget* widget);

// For composite kinds: a new tag list of the `count` fixed tags followed by those of `tags`
// for which `pass` is true, ended by tag 0. NULL when memory runs out; free with MEM_Free.
[[nodiscard]] AUX_Tag* WG_JoinTags(const AUX_Tag* fixed, size_t count, const AUX_Tag* tags,
                                   bool (*pass)(uintptr_t tag));
