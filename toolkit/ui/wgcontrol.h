// Controls: invisible clickable widgets that show one of nine face widgets by their state,
// call the caller back when pressed, released, entered, left, focused, enabled or shown, may
// own a hot-key letter and may form radio groups; and the event pump that feeds them.
//
// Depends on toolkit/ui/wg.h, toolkit/gfx/disp.h (hot keys, dispatch), toolkit/ui/inp.h and
// util/node.h. The module keeps the focused, pressed and hovered control, the shown controls
// and the hot-key table; hiding a control removes every reference the module holds to it.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "toolkit/gfx/disp.h"
#include "toolkit/ui/wg.h"
#include "util/node.h"

struct WG_Control;
using WG_ControlFn = void (*)(WG_Control* control);
using WG_ControlEventFn = void (*)(WG_Control* control, SDL_Event* event);

enum WG_ControlTag : uintptr_t {
    WG_CONTROL_SELECTED = 0xd01,
    WG_CONTROL_FACE0 = 0xd02, // .. WG_CONTROL_FACE8 = 0xd0a: address of a variable holding it
    WG_CONTROL_FACE8 = 0xd0a,
    WG_CONTROL_ON_PRESS = 0xd0b,
    WG_CONTROL_ON_RELEASE = 0xd0c,
    WG_CONTROL_ON_EVENT = 0xd0d,
    WG_CONTROL_ON_ENTER = 0xd0e,
    WG_CONTROL_ON_LEAVE = 0xd0f,
    WG_CONTROL_ON_FOCUS = 0xd10,
    WG_CONTROL_ON_BLUR = 0xd11,
    WG_CONTROL_ON_ENABLE = 0xd12,
    WG_CONTROL_ON_DISABLE = 0xd13,
    WG_CONTROL_ON_SHOW = 0xd14,
    WG_CONTROL_ON_HIDE = 0xd15,
    WG_CONTROL_HOTKEY = 0xd16,
    WG_CONTROL_BEHAVIOUR = 0xd17,
};

enum WG_ControlBehaviour : uint32_t {
    WG_CB_TOGGLE = 0x1,
    WG_CB_RADIO = 0x2,
    WG_CB_OWN_FACES = 0x4,
    WG_CB_FOCUS_ONCE = 0x8,
    WG_CB_FOCUS_ON_SHOW = 0x10,
    WG_CB_MASK = 0x1F,
};

enum WG_ControlState : uint8_t {
    WG_CS_SELECTED = 0x1,
    WG_CS_POINTER = 0x2,
    WG_CS_DISABLED = 0x4,
    WG_CS_HIDDEN = 0x8,
};

enum : int { WG_FACES = 9, WG_HOTKEY_KEYS = 323 };

// The callbacks in their order.
enum WG_ControlCallback : int {
    WG_CC_PRESSED,
    WG_CC_RELEASED,
    WG_CC_EVENT, // stored as WG_ControlEventFn
    WG_CC_ENTERED,
    WG_CC_LEFT,
    WG_CC_FOCUS,
    WG_CC_BLUR,
    WG_CC_ENABLED,
    WG_CC_DISABLED,
    WG_CC_SHOWN,
    WG_CC_HIDDEN,
    WG_CC_COUNT,
};

struct WG_ControlGroup {
    TR_Ring ring;  // members of one ring are a radio group; next NULL when in none
    WG_Control* control;
};

// The fields are read only; use the operations below.
struct WG_Control {
    WG_Widget widget;
    NODE_Node live;  // in the shown controls' list; data is the control
    WG_ControlGroup group;
    WG_Widget* faces[WG_FACES];
    void* callbacks[WG_CC_COUNT];
    uint32_t behaviour;
    DISP_Handler* hotKeyHandler;
    uint32_t hotKey;
    unsigned char hotChar;
    uint16_t disableCount;
    uint16_t hideCount;
    uint8_t state;
    uint8_t savedState;
};

// The module state; read only for callers.
extern WG_Control* WG_FocusedControl;
extern WG_Control* WG_PressedControl;
extern WG_Control* WG_HoveredControl;
extern WG_Widget* WG_TopWindow;
[[nodiscard]] const NODE_List* WG_LiveControls();

// The kind's methods (wg.cpp's kind table). Setup never fails.
[[nodiscard]] int WG_ControlSetup(WG_Widget* widget, const AUX_Tag* tags);
void WG_ControlCleanup(WG_Widget* widget);
// Attached and detached methods: a control is live while it hangs in a tree.
void WG_ShowControl(WG_Widget* control);
void WG_HideControl(WG_Widget* control);

void WG_SetFocus(WG_Control* control);
void WG_PressControl(WG_Control* control);
void WG_ReleaseControl(WG_Control* control);
void WG_TrackPointer(int32_t x, int32_t y);
// Takes the pending events, at most DISP_POLL_LIMIT (the rest wait for the next call): returns
// -1 when one of `stopType` was taken (it is consumed, not handled), 0 when the queue ran empty
// or the limit was reached. Flag 1 dispatches each event before the controls see it, flag 2
// after. Never blocks.
[[nodiscard]] int WG_HandleEvents(uint32_t flags, uint32_t stopType);

void WG_EnableControl(WG_Control* control);
void WG_DisableControl(WG_Control* control);
void WG_SelectControl(WG_Control* control);
void WG_UnselectControl(WG_Control* control);
void WG_SetFace(WG_Control* control, uint32_t index, WG_Widget* face);
// Non-zero on success (character 0 does nothing and succeeds); 0 when the key belongs to
// another control or cannot be bound, and the control then has no hot key.
[[nodiscard]] int WG_SetHotKey(WG_Control* control, unsigned char character);
// The binding goes; the character stays stored for the next enable.
void WG_ReleaseHotKey(WG_Control* control);
void WG_JoinGroup(WG_Control* control, WG_Control* member);
void WG_LeaveGroup(WG_Control* control);

// The control operation of the same name on every control of the subtree, in pre-order.
void WG_EnableTree(WG_Widget* widget);
void WG_DisableTree(WG_Widget* widget);
void WG_ShowTree(WG_Widget* widget);
void WG_HideTree(WG_Widget* widget);

// The face a state shows, and the nearest window up the parent chain (NULL when none).
[[nodiscard]] uint32_t WG_FaceIndex(uint8_t state);
[[nodiscard]] WG_Widget* WG_WindowOf(WG_Widget* widget);
