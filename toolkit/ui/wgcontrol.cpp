#include "toolkit/ui/wgcontrol.h"

#include "toolkit/ui/inp.h"
#include "toolkit/ui/wgwindow.h"

WG_Control* WG_FocusedControl = nullptr;
WG_Control* WG_PressedControl = nullptr;
WG_Control* WG_HoveredControl = nullptr;
WG_Widget* WG_TopWindow = nullptr;

namespace {

NODE_List liveControls = {nullptr, nullptr};
bool hotKeyTaken[WG_HOTKEY_KEYS];
bool pressedByKey = false;

WG_Control* AsControl(WG_Widget* widget)
{
    return reinterpret_cast<WG_Control*>(widget);
}

void Call(WG_Control* c, int which)
{
    if (c->callbacks[which] != nullptr) {
        reinterpret_cast<WG_ControlFn>(c->callbacks[which])(c);
    }
}

void ShowFace(WG_Control* c)
{
    WG_Widget* face = c->faces[WG_FaceIndex(c->state)];
    WG_Widget* current = WG_FirstChild(&c->widget);
    if (face == current) {
        return;
    }
    if (current != nullptr) {
        WG_Detach(current);
    }
    if (face != nullptr) {
        WG_AddChild(face, &c->widget);
    }
}

void ApplyState(WG_Control* c)
{
    if ((c->state & WG_CS_SELECTED) != 0 && c->group.ring.next != nullptr) {
        for (TR_Ring* r = c->group.ring.next; r != &c->group.ring; r = r->next) {
            WG_Control* other = reinterpret_cast<WG_ControlGroup*>(r)->control;
            other->state &= static_cast<uint8_t>(~WG_CS_SELECTED);
            ShowFace(other);
        }
    }
    ShowFace(c);
}

void ToggleSelected(WG_Control* c)
{
    c->state ^= WG_CS_SELECTED;
    ApplyState(c);
}

int HotKeyHandler(SDL_keysym* key, uint8_t type, uintptr_t user)
{
    (void)key;
    WG_Control* c = reinterpret_cast<WG_Control*>(user);
    if (type == SDL_KEYDOWN) {
        WG_PressControl(c);
        pressedByKey = true;
    } else if (type == SDL_KEYUP) {
        WG_ReleaseControl(c);
        pressedByKey = false;
    }
    return 1;
}

void EnableStep(WG_Control* c)
{
    if (c->disableCount == 0) {
        return;
    }
    c->disableCount--;
    if (c->disableCount == 0) {
        c->state &= static_cast<uint8_t>(~WG_CS_DISABLED);
        ShowFace(c);
        (void)WG_SetHotKey(c, c->hotChar);
        Call(c, WG_CC_ENABLED);
    }
}

void DisableStep(WG_Control* c)
{
    c->disableCount++;
    if (c->disableCount == 1) {
        c->state |= WG_CS_DISABLED;
        ApplyState(c);
        WG_ReleaseHotKey(c);
        Call(c, WG_CC_DISABLED);
    }
}

void ApplyDefaultFaces(WG_Control* c)
{
    WG_Widget** f = c->faces;
    if (f[1] == nullptr) {
        f[1] = f[0];
    }
    if (f[2] == nullptr) {
        f[2] = f[0];
    }
    if (f[3] == nullptr) {
        f[3] = f[1] != f[0] ? f[1] : f[2];
    }
    if (f[4] == nullptr) {
        f[4] = f[0];
    }
    if (f[5] == nullptr) {
        f[5] = f[4];
    }
    if (f[6] == nullptr) {
        f[6] = f[4];
    }
    if (f[7] == nullptr) {
        f[7] = f[5] != f[4] ? f[5] : f[6];
    }
    if (f[8] == nullptr) {
        f[8] = f[4];
    }
}

bool Hit(WG_Control* c, int32_t x, int32_t y)
{
    WG_Widget* w = &c->widget;
    WG_UpdateSize(w);
    WG_UpdatePosition(w);
    return w->absX <= x && x < w->absX + w->width && w->absY <= y && y < w->absY + w->height;
}

template <void (*Op)(WG_Control*)>
int TreeOp(WG_Widget* widget)
{
    if (widget->kind == WG_CONTROL) {
        Op(AsControl(widget));
    }
    return 1;
}

void ShowOp(WG_Control* c)
{
    WG_ShowControl(&c->widget);
}

void HideOp(WG_Control* c)
{
    WG_HideControl(&c->widget);
}

}  // namespace

const NODE_List* WG_LiveControls()
{
    return &liveControls;
}

uint32_t WG_FaceIndex(uint8_t state)
{
    return state > 8 ? 8u : state;
}

WG_Widget* WG_WindowOf(WG_Widget* widget)
{
    for (WG_Widget* w = WG_Parent(widget); w != nullptr; w = WG_Parent(w)) {
        if (w->kind == WG_WINDOW) {
            return w;
        }
    }
    return nullptr;
}

int WG_ControlSetup(WG_Widget* widget, const AUX_Tag* tags)
{
    WG_Control* c = AsControl(widget);
    c->live = NODE_Node{nullptr, nullptr, c, nullptr};
    c->group.ring = TR_Ring{nullptr, nullptr};
    c->group.control = c;
    for (WG_Widget*& face : c->faces) {
        face = nullptr;
    }
    for (void*& fn : c->callbacks) {
        fn = nullptr;
    }
    c->behaviour = 0;
    c->hotKeyHandler = nullptr;
    c->hotKey = 0;
    c->hotChar = 0;
    c->disableCount = 0;
    c->hideCount = 1;
    c->state = 0;
    c->savedState = 0;
    unsigned char hot = 0;
    for (const AUX_Tag* t = tags; t->tag != 0; t++) {
        const uintptr_t v = t->value;
        if (t->tag == WG_CONTROL_SELECTED) {
            c->state = static_cast<uint8_t>((c->state & ~WG_CS_SELECTED) | (v & 1));
        } else if (t->tag >= WG_CONTROL_FACE0 && t->tag <= WG_CONTROL_FACE8) {
            if (v != 0) {
                c->faces[t->tag - WG_CONTROL_FACE0] = *reinterpret_cast<WG_Widget**>(v);
            }
        } else if (t->tag >= WG_CONTROL_ON_PRESS && t->tag <= WG_CONTROL_ON_HIDE) {
            c->callbacks[t->tag - WG_CONTROL_ON_PRESS] = reinterpret_cast<void*>(v);
        } else if (t->tag == WG_CONTROL_HOTKEY) {
            if (v != 0) {
                hot = static_cast<unsigned char>(v);
            }
        } else if (t->tag == WG_CONTROL_BEHAVIOUR) {
            c->behaviour = (c->behaviour | static_cast<uint32_t>(v)) & WG_CB_MASK;
        }
    }
    ApplyDefaultFaces(c);
    ShowFace(c);
    // A taken key leaves the control without one, as WG_SetHotKey documents.
    (void)WG_SetHotKey(c, hot);
    return -1;
}

void WG_ControlCleanup(WG_Widget* widget)
{
    WG_Control* c = AsControl(widget);
    WG_LeaveGroup(c);
    WG_ReleaseHotKey(c);
    c->hotChar = 0;
    if ((c->behaviour & WG_CB_OWN_FACES) == 0) {
        // Forgotten, so that hiding the dying control cannot attach a face to it again.
        for (WG_Widget*& face : c->faces) {
            face = nullptr;
        }
        return;
    }
    for (int i = 0; i < WG_FACES; i++) {
        WG_Widget* face = c->faces[i];
        if (face == nullptr) {
            continue;
        }
        for (int j = i; j < WG_FACES; j++) {
            if (c->faces[j] == face) {
                c->faces[j] = nullptr;
            }
        }
        WG_DestroyTree(face);
    }
}

void WG_SetFocus(WG_Control* control)
{
    if (control == WG_FocusedControl) {
        return;
    }
    if (control != nullptr && (control->state & WG_CS_HIDDEN) != 0) {
        return;
    }
    WG_Control* old = WG_FocusedControl;
    if (old != nullptr) {
        // The focus is gone before the old control hears of it, so that its callback may
        // look at who holds the focus.
        WG_FocusedControl = nullptr;
        Call(old, WG_CC_BLUR);
    }
    WG_FocusedControl = control;
    if (control != nullptr) {
        Call(control, WG_CC_FOCUS);
    }
}

void WG_PressControl(WG_Control* c)
{
    if (c == nullptr) {
        return;
    }
    WG_PressedControl = c;
    if (c != WG_FocusedControl && (c->state & WG_CS_HIDDEN) == 0) {
        WG_SetFocus(c);
    }
    if ((c->state & WG_CS_DISABLED) != 0) {
        WG_Widget* window = WG_WindowOf(&c->widget);
        if (window != nullptr && WG_Root(window) == WG_CurrentScreen && window != WG_TopWindow) {
            (void)WG_ActivateWindow(window);
        }
    }
    if ((c->state & WG_CS_SELECTED) != 0 && (c->behaviour & WG_CB_RADIO) != 0) {
        WG_PressedControl = nullptr;
        return;
    }
    ToggleSelected(c);
    Call(c, WG_CC_PRESSED);
}

void WG_ReleaseControl(WG_Control* c)
{
    if (c == nullptr) {
        return;
    }
    if ((c->behaviour & (WG_CB_TOGGLE | WG_CB_RADIO)) == 0) {
        ToggleSelected(c);
    }
    Call(c, WG_CC_RELEASED);
    WG_PressedControl = nullptr;
}

void WG_TrackPointer(int32_t x, int32_t y)
{
    if (WG_TopWindow != nullptr && WG_WindowDragged(WG_TopWindow)) {
        return;
    }
    WG_Control* candidate = nullptr;
    uint32_t best = 0;
    for (NODE_Node* n = liveControls.first; n != nullptr; n = n->next) {
        WG_Control* c = static_cast<WG_Control*>(n->data);
        if (WG_Root(&c->widget) != WG_CurrentScreen || !Hit(c, x, y)) {
            continue;
        }
        const uint32_t index = TR_TreeIndex(&c->widget.node);
        if (index > 0 && index != TR_UNNUMBERED && index > best) {
            best = index;
            candidate = c;
        }
    }
    if (candidate == WG_HoveredControl) {
        return;
    }
    WG_Control* old = WG_HoveredControl;
    if (old != nullptr) {
        if (!pressedByKey && old == WG_PressedControl) {
            ToggleSelected(old);
        }
        old->state &= static_cast<uint8_t>(~WG_CS_POINTER);
        ShowFace(old);
        Call(old, WG_CC_LEFT);
    }
    if (candidate != nullptr) {
        if (!pressedByKey && candidate == WG_PressedControl) {
            ToggleSelected(candidate);
        }
        candidate->state |= WG_CS_POINTER;
        ApplyState(candidate);
        Call(candidate, WG_CC_ENTERED);
    }
    WG_HoveredControl = candidate;
}

int WG_HandleEvents(uint32_t flags, uint32_t stopType)
{
    int mx = 0;
    int my = 0;
    SDL_GetMouseState(&mx, &my);
    WG_TrackPointer(mx, my);
    SDL_Event event;
    for (uint32_t taken = 0; taken < DISP_POLL_LIMIT && SDL_PollEvent(&event) != 0; taken++) {
        if (event.type == stopType) {
            return -1;
        }
        if ((flags & 1) != 0) {
            (void)DISP_Dispatch(&event);
        }
        if (event.type == SDL_MOUSEBUTTONDOWN && WG_HoveredControl != nullptr) {
            if (event.button.button == SDL_BUTTON_LEFT) {
                WG_PressControl(WG_HoveredControl);
            } else if (event.button.button == SDL_BUTTON_MIDDLE) {
                WG_Widget* window = WG_WindowOf(&WG_HoveredControl->widget);
                if (window != nullptr) {
                    WG_ToggleWindowDepth(window);
                }
                SDL_GetMouseState(&mx, &my);
                WG_TrackPointer(mx, my);
            }
        } else if (event.type == SDL_MOUSEBUTTONUP && event.button.button == SDL_BUTTON_LEFT &&
                   WG_PressedControl != nullptr) {
            if (WG_PressedControl == WG_HoveredControl) {
                WG_ReleaseControl(WG_PressedControl);
            }
            WG_PressedControl = nullptr;
        } else if (event.type == SDL_MOUSEMOTION) {
            WG_TrackPointer(event.motion.x, event.motion.y);
        }
        if (WG_FocusedControl != nullptr && WG_FocusedControl->callbacks[WG_CC_EVENT] != nullptr) {
            reinterpret_cast<WG_ControlEventFn>(WG_FocusedControl->callbacks[WG_CC_EVENT])(
                WG_FocusedControl, &event);
        }
        if ((flags & 2) != 0) {
            (void)DISP_Dispatch(&event);
        }
    }
    return 0;
}

void WG_ShowControl(WG_Widget* widget)
{
    WG_Control* c = AsControl(widget);
    if (c->hideCount == 0) {
        return;
    }
    c->hideCount--;
    if (c->hideCount > 0) {
        return;
    }
    c->state &= static_cast<uint8_t>(~WG_CS_HIDDEN);
    ShowFace(c);
    c->state |= c->savedState;
    ApplyState(c);
    NODE_AddTail(&c->live, &liveControls);
    Call(c, WG_CC_SHOWN);
    if ((c->behaviour & (WG_CB_FOCUS_ONCE | WG_CB_FOCUS_ON_SHOW)) != 0) {
        c->behaviour &= ~static_cast<uint32_t>(WG_CB_FOCUS_ONCE);
        if (c != WG_FocusedControl && (c->state & WG_CS_HIDDEN) == 0) {
            WG_SetFocus(c);
        }
    }
    EnableStep(c);
}

void WG_HideControl(WG_Widget* widget)
{
    WG_Control* c = AsControl(widget);
    c->hideCount++;
    if (c->hideCount != 1) {
        return;
    }
    DisableStep(c);
    if (c == WG_PressedControl) {
        WG_PressedControl = nullptr;
        pressedByKey = false;
    }
    if (c == WG_HoveredControl) {
        WG_HoveredControl = nullptr;
        Call(c, WG_CC_LEFT);
    }
    if (c == WG_FocusedControl) {
        WG_FocusedControl = nullptr;
        Call(c, WG_CC_BLUR);
    }
    NODE_Remove(&c->live);
    Call(c, WG_CC_HIDDEN);
    c->state &= static_cast<uint8_t>(~WG_CS_POINTER);
    ShowFace(c);
    c->savedState = c->state;
    c->state |= WG_CS_HIDDEN;
    ApplyState(c);
}

void WG_EnableControl(WG_Control* control)
{
    if (control != nullptr) {
        EnableStep(control);
    }
}

void WG_DisableControl(WG_Control* control)
{
    if (control != nullptr) {
        DisableStep(control);
    }
}

void WG_SelectControl(WG_Control* control)
{
    if (control != nullptr) {
        control->state |= WG_CS_SELECTED;
        ApplyState(control);
    }
}

void WG_UnselectControl(WG_Control* control)
{
    if (control != nullptr) {
        control->state &= static_cast<uint8_t>(~WG_CS_SELECTED);
        ShowFace(control);
    }
}

void WG_SetFace(WG_Control* control, uint32_t index, WG_Widget* face)
{
    if (control == nullptr) {
        return;
    }
    control->faces[index > 8 ? 8 : index] = face;
    ShowFace(control);
}

void WG_ReleaseHotKey(WG_Control* c)
{
    if (c == nullptr || c->hotKeyHandler == nullptr) {
        return;
    }
    if (c->hotKey < WG_HOTKEY_KEYS) {
        hotKeyTaken[c->hotKey] = false;
    }
    DISP_RemoveKeyHandler(c->hotKeyHandler);
    c->hotKeyHandler = nullptr;
}

int WG_SetHotKey(WG_Control* c, unsigned char ch)
{
    if (c == nullptr) {
        return 0;
    }
    if (ch == 0) {
        return -1;
    }
    if (ch >= 'A' && ch <= 'Z') {
        ch = static_cast<unsigned char>(ch - 'A' + 'a');
    }
    const uint32_t k = INP_CharToKey(ch);
    if (k == 0 || k >= WG_HOTKEY_KEYS) {
        return 0;
    }
    if (hotKeyTaken[k]) {
        // Binding its own key again (on enable) is no conflict.
        if (c->hotKeyHandler != nullptr && c->hotKey == k) {
            return -1;
        }
        return 0;
    }
    WG_ReleaseHotKey(c);
    DISP_Handler* handler = DISP_AddKeyHandler(k, HotKeyHandler, reinterpret_cast<uintptr_t>(c));
    if (handler == nullptr) {
        return 0;
    }
    c->hotKeyHandler = handler;
    hotKeyTaken[k] = true;
    c->hotKey = k;
    c->hotChar = ch;
    if ((c->state & WG_CS_DISABLED) != 0) {
        WG_ReleaseHotKey(c);
    }
    return -1;
}

void WG_JoinGroup(WG_Control* control, WG_Control* member)
{
    if (control != nullptr && member != nullptr && control != member) {
        TR_RingInsert(&control->group.ring, &member->group.ring);
    }
}

void WG_LeaveGroup(WG_Control* control)
{
    if (control != nullptr && control->group.ring.next != nullptr) {
        TR_RingRemove(&control->group.ring);
    }
}

void WG_EnableTree(WG_Widget* widget)
{
    WG_Walk(widget, TreeOp<WG_EnableControl>);
}

void WG_DisableTree(WG_Widget* widget)
{
    WG_Walk(widget, TreeOp<WG_DisableControl>);
}

void WG_ShowTree(WG_Widget* widget)
{
    WG_Walk(widget, TreeOp<ShowOp>);
}

void WG_HideTree(WG_Widget* widget)
{
    WG_Walk(widget, TreeOp<HideOp>);
}
