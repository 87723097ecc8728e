#include "toolkit/ui/wg.h"

#include <cstddef>
#include <cstdio>

#include "toolkit/gfx/pix.h"
#include "toolkit/ui/inp.h"
#include "toolkit/ui/wgcontrol.h"
#include "toolkit/ui/wgentry.h"
#include "toolkit/ui/wgkinds.h"
#include "toolkit/ui/wgwindow.h"
#include "util/heap.h"
#include "util/mem.h"

WG_Widget* WG_CurrentScreen = nullptr;

namespace {

struct KindInfo {
    size_t size;
    WG_SetupFn setup;
    WG_WidgetFn cleanup;
    WG_WidgetFn attached;
    WG_WidgetFn detached;
    WG_WidgetFn draw;
};

const KindInfo kinds[WG_KIND_COUNT] = {
    {0, nullptr, nullptr, nullptr, nullptr, nullptr},
    {sizeof(WG_Screen), WG_ScreenSetup, WG_ScreenCleanup, nullptr, nullptr, nullptr},
    {sizeof(WG_Widget), nullptr, nullptr, nullptr, nullptr, nullptr},
    {sizeof(WG_Line), WG_LineSetup, nullptr, nullptr, nullptr, WG_LineDraw},
    {sizeof(WG_Box), WG_BoxSetup, nullptr, nullptr, nullptr, WG_BoxDraw},
    {sizeof(WG_Image), WG_ImageSetup, nullptr, nullptr, nullptr, WG_ImageDraw},
    {sizeof(WG_Sprite), WG_SpriteSetup, nullptr, nullptr, nullptr, WG_SpriteDraw},
    {sizeof(WG_Label), WG_LabelSetup, WG_LabelCleanup, nullptr, nullptr, WG_LabelDraw},
    {sizeof(WG_Text), WG_TextSetup, WG_TextCleanup, nullptr, nullptr, WG_TextDraw},
    {sizeof(WG_Frame), WG_FrameSetup, WG_FrameCleanup, nullptr, nullptr, WG_FrameDraw},
    {sizeof(WG_Control), WG_ControlSetup, WG_ControlCleanup, WG_ShowControl, WG_HideControl, nullptr},
    {sizeof(WG_Button), WG_ButtonSetup, WG_ButtonCleanup, nullptr, nullptr, WG_ButtonDraw},
    {sizeof(WG_Entry), WG_EntrySetup, WG_EntryCleanup, nullptr, nullptr, WG_EntryDraw},
    {sizeof(WG_List), WG_ListSetup, WG_ListCleanup, nullptr, nullptr, WG_ListDraw},
    {sizeof(WG_Window), WG_WindowSetup, WG_WindowCleanup, WG_WindowAttached, WG_WindowDetached,
     nullptr},
};

WG_Widget* FromNode(TR_Node* node)
{
    return reinterpret_cast<WG_Widget*>(node);
}

WG_Widget* FromListNode(NODE_Node* node)
{
    return node == nullptr ? nullptr : static_cast<WG_Widget*>(node->data);
}

bool SizeFromParent(const WG_Widget* w)
{
    return (w->flags & WG_F_SIZE_FROM_PARENT) != 0;
}

void MarkChildrenPositions(WG_Widget* w)
{
    for (WG_Widget* c = WG_FirstChild(w); c != nullptr; c = WG_NextSibling(c)) {
        WG_MarkPositionDirty(c);
    }
}

void Attach(WG_Widget* child, WG_Widget* parent, bool first)
{
    if (child == nullptr || parent == nullptr) {
        return;
    }
    if (first) {
        TR_TreeAddFirst(&child->node, &parent->node);
    } else {
        TR_TreeAddLast(&child->node, &parent->node);
    }
    if (child->node.parent != &parent->node) {
        return;  // refused: the parent lies inside the child's subtree
    }
    if (SizeFromParent(child) && (child->flags & WG_F_SIZE_DIRTY) == 0) {
        child->flags |= WG_F_SIZE_DIRTY;
        if ((child->flags & WG_F_POS_PERCENT) != 0 && (child->flags & WG_F_POS_DIRTY) == 0) {
            child->flags |= WG_F_POS_DIRTY;
            MarkChildrenPositions(child);
        }
        for (WG_Widget* c = WG_FirstChild(child); c != nullptr; c = WG_NextSibling(c)) {
            if (SizeFromParent(c)) {
                WG_MarkSizeDirty(c);
            }
        }
    }
    if ((child->flags & WG_F_POS_DIRTY) == 0) {
        child->flags |= WG_F_POS_DIRTY;
        MarkChildrenPositions(child);
    }
    if (child->attached != nullptr) {
        child->attached(child);
    }
}

void Unlink(WG_Widget* w)
{
    if (w->node.parent != nullptr) {
        if (w->detached != nullptr) {
            w->detached(w);
        }
        TR_TreeDetach(&w->node);
    }
}

void FreeIfOwned(WG_Widget* w)
{
    if ((w->flags & WG_F_OWNED) != 0) {
        MEM_Free(w);
    }
}

int16_t PercentRoom(uint16_t parentSize, uint16_t size)
{
    int16_t room = static_cast<int16_t>(parentSize - size);
    if (room < 1) {
        room = static_cast<int16_t>(parentSize);
    }
    return room;
}

int16_t PlaceX(const WG_Widget* w, const WG_Widget* parent)
{
    if ((w->flags & WG_F_X_PERCENT) != 0) {
        const int32_t room = PercentRoom(parent->width, w->width);
        return static_cast<int16_t>(room * w->x / 100 + parent->absX);
    }
    return static_cast<int16_t>(parent->absX + w->x);
}

int16_t PlaceY(const WG_Widget* w, const WG_Widget* parent)
{
    if ((w->flags & WG_F_Y_PERCENT) != 0) {
        const int32_t room = PercentRoom(parent->height, w->height);
        return static_cast<int16_t>(room * w->y / 100 + parent->absY);
    }
    return static_cast<int16_t>(parent->absY + w->y);
}

void Placed(WG_Widget* w)
{
    w->flags &= ~static_cast<uint32_t>(WG_F_POS_DIRTY);
    if (w->placed != nullptr) {
        w->placed(w);
    }
}

}  // namespace

WG_Widget* WG_Parent(const WG_Widget* widget)
{
    return widget == nullptr || widget->node.parent == nullptr ? nullptr : FromNode(widget->node.parent);
}

WG_Widget* WG_FirstChild(const WG_Widget* widget)
{
    return widget == nullptr ? nullptr : FromListNode(widget->node.children.first);
}

WG_Widget* WG_NextSibling(const WG_Widget* widget)
{
    return widget == nullptr ? nullptr : FromListNode(widget->node.sibling.next);
}

WG_Widget* WG_Root(const WG_Widget* widget)
{
    return widget == nullptr ? nullptr : FromNode(widget->node.root);
}

WG_Widget* WG_Create(void* storage, const AUX_Tag* tags)
{
    uintptr_t kind = 0;
    if (tags == nullptr || AUX_GetTag(tags, WG_TAG_KIND, &kind) == 0) {
        return nullptr;
    }
    WG_Widget* w = static_cast<WG_Widget*>(storage);
    uint32_t flags = 0;
    if (w == nullptr) {
        if (kind < 1 || kind >= WG_KIND_COUNT || kinds[kind].size == 0) {
            return nullptr;
        }
        w = static_cast<WG_Widget*>(MEM_Calloc(1, kinds[kind].size));
        if (w == nullptr) {
            return nullptr;
        }
        flags = WG_F_OWNED;
    }
    TR_TreeInit(&w->node);
    w->kind = static_cast<uint32_t>(kind);
    w->name = nullptr;
    w->setup = nullptr;
    w->cleanup = nullptr;
    w->attached = nullptr;
    w->detached = nullptr;
    w->sized = nullptr;
    w->placed = nullptr;
    w->draw = nullptr;
    w->clip = SDL_Rect{0, 0, 0, 0};
    w->x = w->y = 0;
    w->w = w->h = 0;
    w->absX = w->absY = 0;
    w->width = w->height = 0;
    w->flags = flags;
    if (kind >= 1 && kind < WG_KIND_COUNT) {
        const KindInfo& info = kinds[kind];
        w->setup = info.setup;
        w->cleanup = info.cleanup;
        w->attached = info.attached;
        w->detached = info.detached;
        w->draw = info.draw;
    }

    WG_Widget* parent = nullptr;
    for (const AUX_Tag* t = tags; t->tag != 0; t++) {
        const uintptr_t v = t->value;
        switch (t->tag) {
        case WG_TAG_NAME: w->name = reinterpret_cast<const char*>(v); break;
        case WG_TAG_PARENT:
            if (v != 0) {
                parent = *reinterpret_cast<WG_Widget**>(v);
            }
            break;
        case WG_TAG_SETUP: w->setup = reinterpret_cast<WG_SetupFn>(v); break;
        case WG_TAG_CLEANUP: w->cleanup = reinterpret_cast<WG_WidgetFn>(v); break;
        case WG_TAG_ATTACHED: w->attached = reinterpret_cast<WG_WidgetFn>(v); break;
        case WG_TAG_DETACHED: w->detached = reinterpret_cast<WG_WidgetFn>(v); break;
        case WG_TAG_SIZED: w->sized = reinterpret_cast<WG_WidgetFn>(v); break;
        case WG_TAG_PLACED: w->placed = reinterpret_cast<WG_WidgetFn>(v); break;
        case WG_TAG_DRAW: w->draw = reinterpret_cast<WG_WidgetFn>(v); break;
        case WG_TAG_W: w->w = static_cast<uint16_t>(v); break;
        case WG_TAG_H: w->h = static_cast<uint16_t>(v); break;
        case WG_TAG_X: w->x = static_cast<int16_t>(v); break;
        case WG_TAG_Y: w->y = static_cast<int16_t>(v); break;
        case WG_TAG_FLAGS: w->flags |= static_cast<uint32_t>(v) & ~static_cast<uint32_t>(WG_F_OWNED | WG_F_ALIVE); break;
        default: break;
        }
    }
    const uint32_t f = w->flags;
    const bool refused = ((f & WG_F_W_MARGIN) != 0 && (f & WG_F_X_PERCENT) != 0) ||
                         ((f & WG_F_H_MARGIN) != 0 && (f & WG_F_Y_PERCENT) != 0);
    if (refused) {
        FreeIfOwned(w);
        return nullptr;
    }
    w->flags |= WG_F_ALIVE | WG_F_SIZE_DIRTY | WG_F_POS_DIRTY;
    if (w->setup != nullptr && w->setup(w, tags) == 0) {
        // Caller storage gets its cleanup too, so that a half-made composite frees its parts.
        WG_Destroy(w);
        return nullptr;
    }
    if (parent != nullptr) {
        WG_AddChild(w, parent);
    }
    return w;
}

// The children either stay behind as trees of their own (WG_Detach) or go too (WG_DestroyTree).
static void DestroyWith(WG_Widget* widget, void (*releaseChild)(WG_Widget*))
{
    if (widget == nullptr) {
        return;
    }
    if ((widget->flags & WG_F_ALIVE) != 0) {
        if (widget->cleanup != nullptr) {
            widget->cleanup(widget);
        }
        while (WG_Widget* child = WG_FirstChild(widget)) {
            releaseChild(child);
        }
        Unlink(widget);
        widget->flags &= ~static_cast<uint32_t>(WG_F_ALIVE);
    }
    FreeIfOwned(widget);
}

void WG_Destroy(WG_Widget* widget)
{
    DestroyWith(widget, WG_Detach);
}

void WG_DestroyTree(WG_Widget* widget)
{
    DestroyWith(widget, WG_DestroyTree);
}

void WG_DestroyChildren(WG_Widget* widget)
{
    while (WG_Widget* child = WG_FirstChild(widget)) {
        WG_DestroyTree(child);
    }
}

void WG_DetachChildren(WG_Widget* widget)
{
    while (WG_Widget* child = WG_FirstChild(widget)) {
        WG_Detach(child);
    }
}

void WG_AddChild(WG_Widget* child, WG_Widget* parent)
{
    Attach(child, parent, false);
}

void WG_AddChildFirst(WG_Widget* child, WG_Widget* parent)
{
    Attach(child, parent, true);
}

void WG_Detach(WG_Widget* widget)
{
    if (widget != nullptr) {
        Unlink(widget);
    }
}

void WG_Walk(WG_Widget* widget, int (*fn)(WG_Widget* widget))
{
    if (widget == nullptr || fn == nullptr) {
        return;
    }
    if (fn(widget) == 0) {
        return;
    }
    // The next sibling is taken first, so that the callback may detach the child it is given.
    WG_Widget* child = WG_FirstChild(widget);
    while (child != nullptr) {
        WG_Widget* next = WG_NextSibling(child);
        WG_Walk(child, fn);
        child = next;
    }
}

void WG_SetX(WG_Widget* widget, int16_t x)
{
    if (widget != nullptr) {
        widget->x = x;
        WG_MarkPositionDirty(widget);
    }
}

void WG_SetY(WG_Widget* widget, int16_t y)
{
    if (widget != nullptr) {
        widget->y = y;
        WG_MarkPositionDirty(widget);
    }
}

void WG_SetPosition(WG_Widget* widget, int16_t x, int16_t y)
{
    if (widget != nullptr) {
        widget->x = x;
        widget->y = y;
        WG_MarkPositionDirty(widget);
    }
}

void WG_SetWidth(WG_Widget* widget, uint16_t w)
{
    if (widget != nullptr) {
        widget->w = w;
        WG_MarkSizeDirty(widget);
    }
}

void WG_SetHeight(WG_Widget* widget, uint16_t h)
{
    if (widget != nullptr) {
        widget->h = h;
        WG_MarkSizeDirty(widget);
    }
}

void WG_SetSize(WG_Widget* widget, uint16_t w, uint16_t h)
{
    if (widget != nullptr) {
        widget->w = w;
        widget->h = h;
        WG_MarkSizeDirty(widget);
    }
}

void WG_MarkPositionDirty(WG_Widget* widget)
{
    if (widget == nullptr || (widget->flags & WG_F_POS_DIRTY) != 0) {
        return;
    }
    widget->flags |= WG_F_POS_DIRTY;
    // A margin is measured from the widget's own edge, so moving it changes its size.
    if ((widget->flags & (WG_F_W_MARGIN | WG_F_H_MARGIN)) != 0) {
        WG_MarkSizeDirty(widget);
    }
    MarkChildrenPositions(widget);
}

void WG_MarkSizeDirty(WG_Widget* widget)
{
    if (widget == nullptr || (widget->flags & WG_F_SIZE_DIRTY) != 0) {
        return;
    }
    widget->flags |= WG_F_SIZE_DIRTY;
    if ((widget->flags & WG_F_POS_PERCENT) != 0 && (widget->flags & WG_F_POS_DIRTY) == 0) {
        widget->flags |= WG_F_POS_DIRTY;
        MarkChildrenPositions(widget);
    }
    for (WG_Widget* c = WG_FirstChild(widget); c != nullptr; c = WG_NextSibling(c)) {
        if (SizeFromParent(c)) {
            WG_MarkSizeDirty(c);
        } else if ((c->flags & WG_F_POS_PERCENT) != 0) {
            // A fixed size placed by percent still moves when the room around it changes.
            WG_MarkPositionDirty(c);
        }
    }
}

void WG_UpdateSize(WG_Widget* w)
{
    if (w == nullptr || (w->flags & WG_F_SIZE_DIRTY) == 0) {
        return;
    }
    WG_Widget* parent = WG_Parent(w);
    bool placeAfter = false;
    if (SizeFromParent(w)) {
        if (parent == nullptr) {
            return;
        }
        WG_UpdateSize(parent);
        if ((w->flags & (WG_F_W_MARGIN | WG_F_H_MARGIN)) != 0) {
            if ((w->flags & WG_F_POS_PERCENT) != 0 && (w->flags & WG_F_POS_DIRTY) != 0) {
                // A margin on one axis and a percentage on the other: the margin's axis is
                // placed first, the other one once the size is known, so that neither waits
                // for the other.
                WG_UpdatePosition(parent);
                if ((w->flags & WG_F_W_MARGIN) != 0) {
                    w->absX = PlaceX(w, parent);
                }
                if ((w->flags & WG_F_H_MARGIN) != 0) {
                    w->absY = PlaceY(w, parent);
                }
                placeAfter = true;
            } else {
                WG_UpdatePosition(w);
            }
        }
    }
    if ((w->flags & WG_F_W_PERCENT) != 0) {
        w->width = static_cast<uint16_t>(static_cast<uint32_t>(w->w) * parent->width / 100);
    } else if ((w->flags & WG_F_W_MARGIN) != 0) {
        w->width = static_cast<uint16_t>(parent->absX + parent->width - w->absX - w->w);
    } else {
        w->width = w->w;
    }
    if ((w->flags & WG_F_H_PERCENT) != 0) {
        w->height = static_cast<uint16_t>(static_cast<uint32_t>(w->h) * parent->height / 100);
    } else if ((w->flags & WG_F_H_MARGIN) != 0) {
        w->height = static_cast<uint16_t>(parent->absY + parent->height - w->absY - w->h);
    } else {
        w->height = w->h;
    }
    w->flags &= ~static_cast<uint32_t>(WG_F_SIZE_DIRTY);
    if (w->sized != nullptr) {
        w->sized(w);
    }
    if (placeAfter) {
        if ((w->flags & WG_F_W_MARGIN) == 0) {
            w->absX = PlaceX(w, parent);
        }
        if ((w->flags & WG_F_H_MARGIN) == 0) {
            w->absY = PlaceY(w, parent);
        }
        Placed(w);
    }
}

void WG_UpdatePosition(WG_Widget* w)
{
    if (w == nullptr || (w->flags & WG_F_POS_DIRTY) == 0) {
        return;
    }
    WG_Widget* parent = WG_Parent(w);
    if (parent == nullptr) {
        return;
    }
    WG_UpdatePosition(parent);
    if ((w->flags & WG_F_POS_PERCENT) != 0) {
        // The free room is measured against the parent's present size too.
        WG_UpdateSize(parent);
        WG_UpdateSize(w);
        if ((w->flags & WG_F_POS_DIRTY) == 0) {
            return;  // placed by the size's update, for a margin on the other axis
        }
    }
    w->absX = PlaceX(w, parent);
    w->absY = PlaceY(w, parent);
    Placed(w);
}

void WG_GetRelativePosition(WG_Widget* widget, int16_t* x, int16_t* y)
{
    if (widget == nullptr) {
        return;
    }
    WG_UpdatePosition(widget);
    WG_Widget* parent = WG_Parent(widget);
    int16_t rx = widget->absX;
    int16_t ry = widget->absY;
    if (parent != nullptr) {
        rx = static_cast<int16_t>(rx - parent->absX);
        ry = static_cast<int16_t>(ry - parent->absY);
    }
    if (x != nullptr) {
        *x = rx;
    }
    if (y != nullptr) {
        *y = ry;
    }
}

void WG_GetPercentPosition(WG_Widget* widget, int16_t* x, int16_t* y)
{
    WG_Widget* parent = WG_Parent(widget);
    if (parent == nullptr) {
        return;
    }
    WG_UpdateSize(parent);
    WG_UpdateSize(widget);
    WG_UpdatePosition(widget);
    if (x != nullptr) {
        if ((widget->flags & WG_F_X_PERCENT) != 0) {
            *x = widget->x;
        } else {
            const int32_t room = PercentRoom(parent->width, widget->width);
            *x = room == 0 ? 0 : static_cast<int16_t>((widget->absX - parent->absX) * 100 / room);
        }
    }
    if (y != nullptr) {
        if ((widget->flags & WG_F_Y_PERCENT) != 0) {
            *y = widget->y;
        } else {
            const int32_t room = PercentRoom(parent->height, widget->height);
            *y = room == 0 ? 0 : static_cast<int16_t>((widget->absY - parent->absY) * 100 / room);
        }
    }
}

namespace {

// Lays the widget out, clips it to its parent and runs its own draw method; false when
// nothing of it is visible.
bool DrawSelf(WG_Widget* widget)
{
    WG_Widget* parent = WG_Parent(widget);
    WG_UpdateSize(widget);
    WG_UpdatePosition(widget);
    if (parent != nullptr) {
        SDL_Rect own{widget->absX, widget->absY, widget->width, widget->height};
        INP_IntersectRect(&parent->clip, &own, &widget->clip);
        if (widget->clip.w == 0 || widget->clip.h == 0) {
            return false;
        }
    }
    if (widget->draw != nullptr) {
        SDL_Surface* surface = WG_ScreenSurface();
        if (surface != nullptr) {
            SDL_SetClipRect(surface, &widget->clip);
            widget->draw(widget);
        }
    }
    return true;
}

// The ancestors' own drawing, from the root down, so that the clip rectangles are fresh;
// their other children are not drawn again.
bool DrawAncestors(WG_Widget* widget)
{
    WG_Widget* parent = WG_Parent(widget);
    if (parent == nullptr) {
        return true;
    }
    return DrawAncestors(parent) && DrawSelf(parent);
}

}  // namespace

void WG_Draw(WG_Widget* widget, int ancestorsFirst)
{
    if (widget == nullptr) {
        return;
    }
    if (ancestorsFirst != 0 && !DrawAncestors(widget)) {
        return;
    }
    if (!DrawSelf(widget)) {
        return;
    }
    WG_Widget* child = WG_FirstChild(widget);
    while (child != nullptr) {
        WG_Widget* next = WG_NextSibling(child);
        WG_Draw(child, 0);
        child = next;
    }
}

void WG_Refresh()
{
    if (WG_CurrentScreen == nullptr) {
        return;
    }
    WG_Draw(WG_CurrentScreen, 1);
    WG_Screen* screen = reinterpret_cast<WG_Screen*>(WG_CurrentScreen);
    if (screen->pointer != nullptr && screen->surface != nullptr) {
        int mx = 0;
        int my = 0;
        SDL_GetMouseState(&mx, &my);
        SDL_SetClipRect(screen->surface, nullptr);
        (void)PIX_BlitAt(screen->pointer, screen->surface, static_cast<int16_t>(mx - screen->hotX),
                         static_cast<int16_t>(my - screen->hotY));
    }
}

void WG_Dump(WG_Widget* widget)
{
    if (widget == nullptr) {
        HEAP_Print("[]\n");
        return;
    }
    char line[160];
    std::snprintf(line, sizeof line, "[%s%s[%llX %u]]\n", widget->name != nullptr ? widget->name : "",
                  widget->name != nullptr ? " " : "",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(widget)),
                  static_cast<unsigned>(TR_TreeIndex(&widget->node)));
    HEAP_Print(line);
    HEAP_Open();
    for (WG_Widget* c = WG_FirstChild(widget); c != nullptr; c = WG_NextSibling(c)) {
        WG_Dump(c);
    }
    HEAP_Close();
}

AUX_Tag* WG_JoinTags(const AUX_Tag* fixed, size_t count, const AUX_Tag* tags, bool (*pass)(uintptr_t tag))
{
    size_t passed = 0;
    for (const AUX_Tag* t = tags; t != nullptr && t->tag != 0; t++) {
        passed += pass(t->tag) ? 1 : 0;
    }
    AUX_Tag* list = static_cast<AUX_Tag*>(MEM_Alloc((count + passed + 1) * sizeof(AUX_Tag)));
    if (list == nullptr) {
        return nullptr;
    }
    size_t n = 0;
    for (size_t i = 0; i < count; i++) {
        list[n++] = fixed[i];
    }
    for (const AUX_Tag* t = tags; t != nullptr && t->tag != 0; t++) {
        if (pass(t->tag)) {
            list[n++] = *t;
        }
    }
    list[n] = AUX_Tag{0, 0};
    return list;
}
