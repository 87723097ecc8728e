#include "tests/toolkit/ui/wg_fixture.h"

namespace {

int presses = 0;

class Windows : public WidgetTest {
protected:
    // A window of 55 x 40 at (x, 10) holding a 10 x 10 control at (30, 25) that counts its presses.
    WG_Widget* Window(int x, uint32_t flags = 0, const char* title = "", WG_Control** inner = nullptr)
    {
        const uintptr_t titleTag = *title != 0 ? uintptr_t(WG_LABEL_TEXT) : 0xffff;
        WG_Widget* w = Make(WG_WINDOW, {{WG_TAG_X, uintptr_t(x)}, {WG_TAG_Y, 10}, {WG_TAG_W, 55}, {WG_TAG_H, 40},
                                        {WG_TAG_FLAGS, flags}, {titleTag, P(title)}, {WG_LABEL_FONT, P(&fontPtr_)}});
        if (inner != nullptr) {
            *inner = MakeIn<WG_Control>(w, WG_CONTROL, {{WG_TAG_X, 30}, {WG_TAG_Y, 25}, {WG_TAG_W, 10}, {WG_TAG_H, 10},
                                                        {WG_CONTROL_ON_PRESS, P(+[](WG_Control*) { presses++; })}});
        }
        return w;
    }
    static bool Disabled(const WG_Control* c) { return (c->state & WG_CS_DISABLED) != 0; }
};

TEST_F(Windows, ADragKeepsThePercentagePlacement)
{
    WG_Widget* w = Window(50, WG_F_X_PERCENT, "Title");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(WG_TopWindow, w) << "attaching makes it the top window";
    WG_UpdatePosition(w);
    ASSERT_EQ(w->absX, 100) << "half of the free 200 pixels";
    Drag(110, 15, 150, 30, [w] { EXPECT_TRUE(WG_WindowDragged(w)) << "dragged while the button is held"; });
    EXPECT_FALSE(WG_WindowDragged(w));
    EXPECT_NE(w->flags & WG_F_X_PERCENT, 0u) << "the percent placement is back";
    EXPECT_EQ(w->x, 70) << "140 of a room of 200";
    EXPECT_EQ(w->y, 25) << "the other axis keeps pixels";
}

TEST_F(Windows, OnlyTheTopWindowsControlsWork)
{
    WG_Control* ca = nullptr;
    WG_Control* cb = nullptr;
    WG_Widget* a = Window(0, 0, "", &ca);
    WG_Widget* b = Window(100, 0, "", &cb);
    presses = 0;
    ASSERT_EQ(WG_TopWindow, b);
    EXPECT_TRUE(Disabled(ca)) << "only the top window's controls are enabled";
    EXPECT_FALSE(Disabled(cb));
    Drag(35, 40, 35, 40);
    EXPECT_TRUE(WG_TopWindow == a && !Disabled(ca) && Disabled(cb))
        << "a click into a background window activates it";
    EXPECT_EQ(presses, 1) << "and presses the control";
    MoveMouse(135, 40);
    PushMouseButton(SDL_MOUSEBUTTONDOWN, 135, 40, SDL_BUTTON_MIDDLE);
    EXPECT_EQ(WG_NextSibling(b), a) << "a middle click on a control lowers its window";
    WG_SetFocus(nullptr);

    WG_Detach(a);
    EXPECT_TRUE(WG_TopWindow == b && Disabled(ca)) << "its controls are disabled off the screen";
    WG_AddChild(a, screen_);
    EXPECT_TRUE(WG_TopWindow == a && !Disabled(ca)) << "attached again, it is the top window";
}

TEST_F(Windows, RemovingTheTopWindowHandsItBack)
{
    WG_Widget* a = Window(0);
    WG_Widget* b = Window(60);
    WG_Widget* passive = Make(WG_WINDOW, {{WG_WINDOW_FLAGS, WG_WF_NO_ACTIVATE}});
    EXPECT_EQ(WG_TopWindow, b) << "a window that asks not to be activated is not";
    WG_Destroy(b);
    EXPECT_EQ(WG_TopWindow, passive) << "the most recently attached window on the screen";
    WG_Destroy(passive);
    EXPECT_EQ(WG_TopWindow, a);
    WG_Destroy(a);
    EXPECT_EQ(WG_TopWindow, nullptr);
    CheckEachAllocationFailure([this] {
        WG_Widget* w = Window(0, 0, "A title");
        const bool titled = w != nullptr && (reinterpret_cast<WG_Window*>(w)->windowFlags & WG_WF_TITLED) != 0;
        EXPECT_TRUE(w != nullptr || WG_TopWindow == nullptr);
        WG_DestroyTree(w);
        return titled;
    });
    (void)Window(0);
    (void)Window(70);
    WG_DestroyAllWindows();
    EXPECT_EQ(WG_FirstChild(screen_), nullptr);
}

}  // namespace
