#include "toolkit/ui/wgwindow.h"

#include "util/mem.h"

namespace {

NODE_List windows = {nullptr, nullptr};

WG_Window* AsWindow(WG_Widget* widget)
{
    return reinterpret_cast<WG_Window*>(widget);
}

WG_Window* WindowOfDrag(WG_Control* control)
{
    WG_Widget* parent = WG_Parent(&control->widget);
    return parent != nullptr && parent->kind == WG_WINDOW ? AsWindow(parent) : nullptr;
}

bool OnCurrentScreen(const WG_Widget* widget)
{
    return WG_CurrentScreen != nullptr && WG_Root(widget) == WG_CurrentScreen;
}

int16_t PercentOf(int32_t offset, uint16_t parentSize, uint16_t size)
{
    int16_t room = static_cast<int16_t>(parentSize - size);
    if (room < 1) {
        room = static_cast<int16_t>(parentSize);
    }
    return room == 0 ? 0 : static_cast<int16_t>(offset * 100 / room);
}

void DragStart(WG_Control* control)
{
    WG_Window* w = WindowOfDrag(control);
    if (w == nullptr || (w->windowFlags & (WG_WF_NO_DRAG | WG_WF_NO_DRAG2)) != 0) {
        return;
    }
    w->windowFlags |= WG_WF_DRAGGED;
    w->savedPercent = w->widget.flags & WG_F_POS_PERCENT;
    int mx = 0;
    int my = 0;
    SDL_GetMouseState(&mx, &my);
    WG_UpdateSize(&w->widget);
    WG_UpdatePosition(&w->widget);
    w->dragX = static_cast<int16_t>(mx - w->widget.absX);
    w->dragY = static_cast<int16_t>(my - w->widget.absY);
}

// The fields are kept relative to the parent, as every other widget's are.
void DragMove(WG_Control* control, SDL_Event* event)
{
    WG_Window* w = WindowOfDrag(control);
    if (w == nullptr || event->type != SDL_MOUSEMOTION || (w->windowFlags & WG_WF_DRAGGED) == 0) {
        return;
    }
    WG_Widget* parent = WG_Parent(&w->widget);
    const int32_t px = parent != nullptr ? parent->absX : 0;
    const int32_t py = parent != nullptr ? parent->absY : 0;
    w->widget.flags &= ~static_cast<uint32_t>(WG_F_POS_PERCENT);
    w->widget.x = static_cast<int16_t>(event->motion.x - w->dragX - px);
    w->widget.y = static_cast<int16_t>(event->motion.y - w->dragY - py);
    WG_MarkPositionDirty(&w->widget);
}

void DragEnd(WG_Control* control)
{
    WG_Window* w = WindowOfDrag(control);
    if (w == nullptr) {
        return;
    }
    w->windowFlags &= static_cast<uint8_t>(~WG_WF_DRAGGED);
    if (w->savedPercent == 0) {
        return;
    }
    WG_Widget* parent = WG_Parent(&w->widget);
    WG_Widget* ww = &w->widget;
    if (parent != nullptr) {
        WG_UpdateSize(parent);
        WG_UpdatePosition(parent);
        WG_UpdateSize(ww);
        WG_UpdatePosition(ww);
        if ((w->savedPercent & WG_F_X_PERCENT) != 0) {
            ww->x = PercentOf(ww->absX - parent->absX, parent->width, ww->width);
        }
        if ((w->savedPercent & WG_F_Y_PERCENT) != 0) {
            ww->y = PercentOf(ww->absY - parent->absY, parent->height, ww->height);
        }
    }
    ww->flags |= w->savedPercent;
    w->savedPercent = 0;
    WG_MarkPositionDirty(ww);
}

bool PassedToDrag(uintptr_t tag)
{
    return (tag >= WG_CONTROL_SELECTED && tag <= WG_CONTROL_FACE8) ||
           (tag >= WG_CONTROL_ON_ENTER && tag <= WG_CONTROL_ON_HIDE) || tag == WG_CONTROL_BEHAVIOUR;
}

}  // namespace

const NODE_List* WG_Windows()
{
    return &windows;
}

bool WG_WindowDragged(const WG_Widget* window)
{
    return window != nullptr && window->kind == WG_WINDOW &&
           (reinterpret_cast<const WG_Window*>(window)->windowFlags & WG_WF_DRAGGED) != 0;
}

int WG_WindowSetup(WG_Widget* widget, const AUX_Tag* tags)
{
    WG_Window* w = AsWindow(widget);
    w->node = NODE_Node{nullptr, nullptr, w, nullptr};
    w->drag.widget.flags = 0;
    w->title.widget.flags = 0;
    w->titleText[0] = '\0';
    w->savedPercent = 0;
    w->dragX = w->dragY = 0;
    w->windowFlags = 0;
    const char* title = nullptr;
    uintptr_t font = 0;
    uintptr_t spacing = 1;
    int16_t titleX = 0;
    int16_t titleY = 0;
    for (const AUX_Tag* t = tags; t->tag != 0; t++) {
        const uintptr_t v = t->value;
        switch (t->tag) {
        case WG_LABEL_TEXT: title = reinterpret_cast<const char*>(v); break;
        case WG_LABEL_FONT: font = v; break;
        case WG_LABEL_SPACING: spacing = v; break;
        case WG_WINDOW_TITLE_X: titleX = static_cast<int16_t>(v); break;
        case WG_WINDOW_TITLE_Y: titleY = static_cast<int16_t>(v); break;
        case WG_WINDOW_FLAGS: w->windowFlags |= static_cast<uint8_t>(v & 0xFC); break;
        default: break;
        }
    }
    if (title != nullptr && font != 0 && *reinterpret_cast<void**>(font) != nullptr) {
        AUX_CopyString(title, w->titleText, WG_TITLE_SIZE - 1);
        uint32_t flags = WG_F_W_PERCENT | WG_F_H_PERCENT;
        flags |= (w->windowFlags & WG_WF_TITLE_X_PERCENT) != 0 ? static_cast<uint32_t>(WG_F_X_PERCENT) : 0u;
        flags |= (w->windowFlags & WG_WF_TITLE_Y_PERCENT) != 0 ? static_cast<uint32_t>(WG_F_Y_PERCENT) : 0u;
        const AUX_Tag titleTags[] = {
            {WG_TAG_KIND, WG_LABEL},
            {WG_TAG_W, 100},
            {WG_TAG_H, 100},
            {WG_TAG_X, static_cast<uint16_t>(titleX)},
            {WG_TAG_Y, static_cast<uint16_t>(titleY)},
            {WG_TAG_FLAGS, flags},
            {WG_LABEL_TEXT, reinterpret_cast<uintptr_t>(w->titleText)},
            {WG_LABEL_FONT, font},
            {WG_LABEL_SPACING, spacing},
            {0, 0},
        };
        if (WG_Create(&w->title, titleTags) == nullptr) {
            return 0;
        }
        WG_AddChild(&w->title.widget, widget);
        w->windowFlags |= WG_WF_TITLED;
    }
    const AUX_Tag fixed[] = {
        {WG_TAG_KIND, WG_CONTROL},
        {WG_TAG_W, 100},
        {WG_TAG_H, 100},
        {WG_TAG_FLAGS, WG_F_W_PERCENT | WG_F_H_PERCENT},
        {WG_CONTROL_ON_PRESS, reinterpret_cast<uintptr_t>(DragStart)},
        {WG_CONTROL_ON_RELEASE, reinterpret_cast<uintptr_t>(DragEnd)},
        {WG_CONTROL_ON_EVENT, reinterpret_cast<uintptr_t>(DragMove)},
    };
    AUX_Tag* dragTags = WG_JoinTags(fixed, sizeof fixed / sizeof fixed[0], tags, PassedToDrag);
    if (dragTags == nullptr) {
        return 0;
    }
    WG_Widget* drag = WG_Create(&w->drag, dragTags);
    MEM_Free(dragTags);
    if (drag == nullptr) {
        return 0;
    }
    WG_AddChildFirst(drag, widget);
    return -1;
}

void WG_WindowCleanup(WG_Widget* widget)
{
    WG_Window* w = AsWindow(widget);
    NODE_Remove(&w->node);
    if (WG_TopWindow == widget) {
        WG_TopWindow = nullptr;
    }
    if ((w->windowFlags & WG_WF_TITLED) != 0) {
        WG_Destroy(&w->title.widget);
    }
    WG_Destroy(&w->drag.widget);
}

void WG_WindowAttached(WG_Widget* widget)
{
    WG_Window* w = AsWindow(widget);
    NODE_AddTail(&w->node, &windows);
    if ((w->windowFlags & WG_WF_NO_ACTIVATE) == 0 && OnCurrentScreen(widget) && widget != WG_TopWindow) {
        (void)WG_ActivateWindow(widget);
    }
}

void WG_WindowDetached(WG_Widget* widget)
{
    WG_Window* w = AsWindow(widget);
    NODE_Remove(&w->node);
    if (WG_TopWindow == widget) {
        // Off the screen its keys must not press anything; attaching it again enables it
        // as it activates it.
        WG_DisableTree(widget);
        WG_TopWindow = nullptr;
    }
    for (NODE_Node* n = windows.last; n != nullptr; n = n->prev) {
        WG_Widget* other = static_cast<WG_Widget*>(n->data);
        if (OnCurrentScreen(other)) {
            if (other != WG_TopWindow) {
                (void)WG_ActivateWindow(other);
            }
            return;
        }
    }
    WG_TopWindow = nullptr;
}

int WG_ActivateWindow(WG_Widget* window)
{
    if (window == nullptr || !OnCurrentScreen(window)) {
        return 0;
    }
    if (window != WG_TopWindow) {
        if (WG_TopWindow != nullptr) {
            WG_DisableTree(WG_TopWindow);
        }
        WG_EnableTree(window);
        WG_TopWindow = window;
    }
    return -1;
}

void WG_RaiseWindow(WG_Widget* window)
{
    WG_Widget* parent = WG_Parent(window);
    if (parent != nullptr && (AsWindow(window)->windowFlags & WG_WF_FIXED_DEPTH) == 0) {
        TR_TreeAddLast(&window->node, &parent->node);
    }
}

void WG_LowerWindow(WG_Widget* window)
{
    WG_Widget* parent = WG_Parent(window);
    if (parent != nullptr && (AsWindow(window)->windowFlags & WG_WF_FIXED_DEPTH) == 0) {
        TR_TreeAddFirst(&window->node, &parent->node);
    }
}

void WG_ToggleWindowDepth(WG_Widget* window)
{
    if (window == nullptr) {
        return;
    }
    bool laterWindow = false;
    for (WG_Widget* s = WG_NextSibling(window); s != nullptr; s = WG_NextSibling(s)) {
        laterWindow = laterWindow || s->kind == WG_WINDOW;
    }
    if (OnCurrentScreen(window) && !laterWindow) {
        WG_LowerWindow(window);
    } else {
        WG_RaiseWindow(window);
    }
}

void WG_DestroyAllWindows()
{
    while (windows.first != nullptr) {
        WG_Widget* w = static_cast<WG_Widget*>(windows.first->data);
        NODE_Remove(windows.first);
        WG_DestroyTree(w);
    }
}

void WG_ShowAllWindows()
{
    for (NODE_Node* n = windows.first; n != nullptr; n = n->next) {
        WG_ShowTree(static_cast<WG_Widget*>(n->data));
    }
}

void WG_HideAllWindows()
{
    for (NODE_Node* n = windows.first; n != nullptr; n = n->next) {
        WG_HideTree(static_cast<WG_Widget*>(n->data));
    }
}
