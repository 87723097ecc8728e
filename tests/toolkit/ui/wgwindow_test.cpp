#include <gtest/gtest.h>

#include "tests/support/alloc_check.h"
#include "tests/toolkit/ui/wg_fixture.h"
#include "toolkit/gfx/disp.h"
#include "toolkit/ui/wgwindow.h"
#include "util/mem.h"

namespace {

int presses = 0;
void OnPress(WG_Control*) { presses++; }

class Windows : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(StartTestVideo());
        DISP_Init();
        ASSERT_TRUE(font_.Make());
        fontPtr_ = &font_.font;
        blocks_ = MEM_LiveBlocks();
        surface_ = NewTestSurface(255, 255);
        screen_ = NewTestScreen(&surface_);
        ASSERT_NE(screen_, nullptr);
        presses = 0;
        MoveMouse(254, 254);
    }
    void TearDown() override
    {
        WG_DestroyTree(screen_);
        EXPECT_EQ(WG_TopWindow, nullptr);
        EXPECT_EQ(WG_Windows()->first, nullptr);
        EXPECT_EQ(WG_LiveControls()->first, nullptr);
        SDL_FreeSurface(surface_);
        EXPECT_EQ(MEM_LiveBlocks(), blocks_);
        font_.Free();
        DISP_Quit();
        StopTestVideo();
    }
    WG_Widget* Window(int x, int y, uint32_t flags = 0, const char* title = nullptr)
    {
        const AUX_Tag tags[] = {
            {WG_TAG_KIND, WG_WINDOW},
            {WG_TAG_PARENT, reinterpret_cast<uintptr_t>(&screen_)},
            {WG_TAG_X, static_cast<uintptr_t>(x)},
            {WG_TAG_Y, static_cast<uintptr_t>(y)},
            {WG_TAG_W, 55},
            {WG_TAG_H, 40},
            {WG_TAG_FLAGS, flags},
            {title != nullptr ? static_cast<uintptr_t>(WG_LABEL_TEXT) : static_cast<uintptr_t>(0xffff),
             reinterpret_cast<uintptr_t>(title)},
            {WG_LABEL_FONT, reinterpret_cast<uintptr_t>(&fontPtr_)},
            {0, 0},
        };
        return WG_Create(nullptr, tags);
    }
    // A 10 x 10 control at (30, 25) inside the window.
    WG_Control* Inner(WG_Widget* window)
    {
        const AUX_Tag tags[] = {
            {WG_TAG_KIND, WG_CONTROL},
            {WG_TAG_PARENT, reinterpret_cast<uintptr_t>(&window)},
            {WG_TAG_X, 30},
            {WG_TAG_Y, 25},
            {WG_TAG_W, 10},
            {WG_TAG_H, 10},
            {WG_CONTROL_ON_PRESS, reinterpret_cast<uintptr_t>(OnPress)},
            {0, 0},
        };
        return reinterpret_cast<WG_Control*>(WG_Create(nullptr, tags));
    }
    void Button(uint8_t type, int x, int y)
    {
        PushMouseButton(type, SDL_BUTTON_LEFT, x, y);
        (void)Pump();
    }
    TestFont font_;
    TXT_Font* fontPtr_ = nullptr;
    int64_t blocks_ = 0;
    SDL_Surface* surface_ = nullptr;
    WG_Widget* screen_ = nullptr;
};

TEST_F(Windows, ADragKeepsThePercentage)
{
    WG_Widget* w = Window(50, 10, WG_F_X_PERCENT, "Title");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(WG_TopWindow, w) << "attaching makes it the top window";
    WG_UpdatePosition(w);
    ASSERT_EQ(w->absX, 100) << "half of the free 200 pixels";
    MoveMouse(110, 15);
    Button(SDL_MOUSEBUTTONDOWN, 110, 15);
    EXPECT_TRUE(WG_WindowDragged(w));
    MoveMouse(150, 30);
    WG_UpdatePosition(w);
    EXPECT_EQ(w->absX, 140);
    EXPECT_EQ(w->absY, 25);
    Button(SDL_MOUSEBUTTONUP, 150, 30);
    EXPECT_FALSE(WG_WindowDragged(w));
    EXPECT_NE(w->flags & WG_F_X_PERCENT, 0u) << "the percent placement is back";
    EXPECT_EQ(w->x, 70) << "140 of a room of 200";
    EXPECT_EQ(w->y, 25) << "the other axis keeps pixels";
    WG_UpdatePosition(w);
    EXPECT_EQ(w->absX, 140) << "and it reproduces the dropped position";
}

TEST_F(Windows, DraggingAWindowSizedByAMarginResizesIt)
{
    WG_Widget* w = Window(50, 10, WG_F_W_MARGIN);
    WG_UpdateSize(w);
    ASSERT_EQ(w->width, 150) << "255 - 50 - a margin of 55";
    MoveMouse(60, 15);
    Button(SDL_MOUSEBUTTONDOWN, 60, 15);
    MoveMouse(100, 15);
    Button(SDL_MOUSEBUTTONUP, 100, 15);
    WG_UpdateSize(w);
    EXPECT_EQ(w->width, 110) << "moved 40 to the right, its right edge stays 55 from the screen's";
}

TEST_F(Windows, AClickIntoABackgroundWindowActivatesIt)
{
    WG_Widget* a = Window(0, 0);
    WG_Control* ca = Inner(a);
    WG_Widget* b = Window(100, 0);
    WG_Control* cb = Inner(b);
    ASSERT_EQ(WG_TopWindow, b);
    EXPECT_NE(ca->state & WG_CS_DISABLED, 0) << "only the top window's controls are enabled";
    EXPECT_EQ(cb->state & WG_CS_DISABLED, 0);
    MoveMouse(35, 30);
    EXPECT_EQ(WG_HoveredControl, ca);
    Button(SDL_MOUSEBUTTONDOWN, 35, 30);
    EXPECT_EQ(WG_TopWindow, a);
    EXPECT_EQ(ca->state & WG_CS_DISABLED, 0);
    EXPECT_NE(cb->state & WG_CS_DISABLED, 0);
    EXPECT_EQ(presses, 1) << "and the control is pressed";
    Button(SDL_MOUSEBUTTONUP, 35, 30);

    WG_ToggleWindowDepth(a);
    EXPECT_EQ(WG_NextSibling(b), a) << "a window behind another is raised";
    WG_ToggleWindowDepth(a);
    EXPECT_EQ(WG_NextSibling(a), b) << "the front window is lowered";
}

TEST_F(Windows, ADetachedTopWindowTakesNoKeys)
{
    WG_Widget* below = Window(100, 0);
    WG_Widget* w = Window(0, 0);
    WG_Control* c = Inner(w);
    ASSERT_NE(WG_SetHotKey(c, 'k'), 0);
    WG_Detach(w);
    EXPECT_EQ(WG_TopWindow, below);
    EXPECT_NE(c->state & WG_CS_DISABLED, 0) << "its controls are disabled off the screen";
    EXPECT_EQ(c->hotKeyHandler, nullptr) << "and their keys are given back";
    PushKeyPress(SDLK_k);
    (void)Pump();
    EXPECT_EQ(presses, 0);
    WG_AddChild(w, screen_);
    EXPECT_EQ(WG_TopWindow, w);
    EXPECT_EQ(c->state & WG_CS_DISABLED, 0) << "attached again, it is the top window";
    PushKeyPress(SDLK_k);
    (void)Pump();
    EXPECT_EQ(presses, 1);
}

TEST_F(Windows, RemovingTheTopWindowHandsItBack)
{
    WG_Widget* a = Window(0, 0);
    WG_Widget* b = Window(60, 0);
    WG_Widget* c = Window(120, 0, 0);
    WG_Widget* quiet = Window(180, 0);
    WG_Detach(quiet);
    const AUX_Tag quietTags[] = {{WG_TAG_KIND, WG_WINDOW}, {WG_WINDOW_FLAGS, WG_WF_NO_ACTIVATE}, {0, 0}};
    WG_Widget* passive = WG_Create(nullptr, quietTags);
    WG_AddChild(passive, screen_);
    EXPECT_EQ(WG_TopWindow, c) << "a window that asks not to be activated is not";
    EXPECT_EQ(WG_ActivateWindow(a), -1);
    EXPECT_EQ(WG_ActivateWindow(quiet), 0) << "a window off the screen cannot be activated";
    WG_Destroy(a);
    EXPECT_EQ(WG_TopWindow, passive) << "the most recently attached window on the screen";
    WG_Destroy(passive);
    EXPECT_EQ(WG_TopWindow, c);
    WG_Destroy(c);
    EXPECT_EQ(WG_TopWindow, b);
    WG_Destroy(b);
    EXPECT_EQ(WG_TopWindow, nullptr);
    WG_DestroyTree(quiet);
}

TEST_F(Windows, EveryAllocationFailureLeavesNothing)
{
    CheckEachAllocationFailure([this] {
        WG_Widget* w = Window(0, 0, 0, "A title");
        const bool ok = w != nullptr && (reinterpret_cast<WG_Window*>(w)->windowFlags & WG_WF_TITLED) != 0;
        if (w == nullptr) {
            EXPECT_EQ(WG_TopWindow, nullptr);
            EXPECT_EQ(WG_LiveControls()->first, nullptr) << "no control stays live";
        }
        WG_DestroyTree(w);
        return ok;
    });
    WG_Widget* w = Window(0, 0);
    WG_DestroyAllWindows();
    EXPECT_EQ(WG_FirstChild(screen_), nullptr);
    (void)w;
}

}  // namespace
