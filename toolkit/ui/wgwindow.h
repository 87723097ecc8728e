// Windows: draggable widget groups with an optional title, of which one on the current screen
// is the top window, the only one whose controls are enabled; clicking into another window
// makes it the top window, and windows can be raised, lowered and dragged with the mouse.
//
// Depends on toolkit/ui/wg.h, toolkit/ui/wgcontrol.h (the drag control) and
// toolkit/ui/wgentry.h (the title label). The module keeps the attached windows in a list.
#pragma once

#include <cstdint>

#include "toolkit/ui/wg.h"
#include "toolkit/ui/wgcontrol.h"
#include "toolkit/ui/wgentry.h"
#include "util/node.h"

enum WG_WindowTag : uintptr_t {
    WG_WINDOW_TITLE_X = 0x1101,
    WG_WINDOW_TITLE_Y = 0x1102,
    WG_WINDOW_FLAGS = 0x1103, // ORed, masked to 0xFC
};

enum WG_WindowFlag : uint8_t {
    WG_WF_TITLED = 0x1,
    WG_WF_DRAGGED = 0x2,
    WG_WF_TITLE_X_PERCENT = 0x4,
    WG_WF_TITLE_Y_PERCENT = 0x8,
    WG_WF_NO_ACTIVATE = 0x10,
    WG_WF_NO_DRAG = 0x20,
    WG_WF_NO_DRAG2 = 0x40,
    WG_WF_FIXED_DEPTH = 0x80,
};

enum : int { WG_TITLE_SIZE = 256 };

// Fields are read only.
struct WG_Window {
    WG_Widget widget;
    NODE_Node node;  // in the windows list; data is the window
    WG_Control drag;
    WG_Label title;
    char titleText[WG_TITLE_SIZE];
    uint32_t savedPercent;  // the x and y percent flags while a drag runs
    int16_t dragX;
    int16_t dragY;
    uint8_t windowFlags;
};

// The kind's methods (wg.cpp's kind table). Setup fails when the drag control or a requested
// title cannot be made.
[[nodiscard]] int WG_WindowSetup(WG_Widget* widget, const AUX_Tag* tags);
void WG_WindowCleanup(WG_Widget* widget);
void WG_WindowAttached(WG_Widget* widget);
void WG_WindowDetached(WG_Widget* widget);

// -1 when the window lies on the current screen (it is then the top window), else 0.
[[nodiscard]] int WG_ActivateWindow(WG_Widget* window);
void WG_RaiseWindow(WG_Widget* window);
void WG_LowerWindow(WG_Widget* window);
void WG_ToggleWindowDepth(WG_Widget* window);
[[nodiscard]] bool WG_WindowDragged(const WG_Widget* window);
[[nodiscard]] const NODE_List* WG_Windows();

void WG_DestroyAllWindows();
void WG_ShowAllWindows();
void WG_HideAllWindows();
