// The one set-up of the widget tests: a small dummy display (so that the mouse can move and
// the pump sees the move), the dispatcher, a hand-made font and a screen over a plain surface.
// At the end no widget, control, window, handler or block may be left behind.
#pragma once

#include <gtest/gtest.h>

#include <SDL.h>

#include <initializer_list>
#include <vector>

#include "tests/support/alloc_check.h"
#include "tests/support/surface_util.h"
#include "toolkit/gfx/disp.h"
#include "toolkit/gfx/font.h"
#include "toolkit/ui/wgwindow.h"
#include "util/mem.h"

template <typename T>
uintptr_t P(T* p)
{
    return reinterpret_cast<uintptr_t>(p);
}

inline void PushKey(uint8_t type, SDLKey key, uint16_t unicode = 0)
{
    SDL_Event e{};
    e.key = SDL_KeyboardEvent{type, 0, uint8_t(type == SDL_KEYDOWN), {0, key, KMOD_NONE, unicode}};
    SDL_PushEvent(&e);
}

// Runs the widget pump until the queue is empty.
inline void Pump()
{
    (void)WG_HandleEvents(1, SDL_QUIT);
}

inline void PushKeyPress(SDLKey key, uint16_t unicode = 0)
{
    PushKey(SDL_KEYDOWN, key, unicode);
    PushKey(SDL_KEYUP, key);
    Pump();
}

inline void PushMouseButton(uint8_t type, int x, int y, uint8_t button = SDL_BUTTON_LEFT)
{
    SDL_Event e{};
    e.button = SDL_MouseButtonEvent{type, 0, button, uint8_t(type == SDL_MOUSEBUTTONDOWN), uint16_t(x),
                                    uint16_t(y)};
    SDL_PushEvent(&e);
    Pump();
}

inline void MoveMouse(int x, int y)
{
    SDL_WarpMouse(uint16_t(x), uint16_t(y));
    Pump();
}

// Presses at (x0, y0), moves to (x1, y1), calls `held` and releases there.
template <typename F = void (*)()>
void Drag(int x0, int y0, int x1, int y1, F held = [] {})
{
    MoveMouse(x0, y0);
    PushMouseButton(SDL_MOUSEBUTTONDOWN, x0, y0);
    MoveMouse(x1, y1);
    held();
    PushMouseButton(SDL_MOUSEBUTTONUP, x1, y1);
}

inline WG_Widget* NewTestScreen(SDL_Surface** surface)
{
    const AUX_Tag tags[] = {{WG_TAG_KIND, WG_SCREEN}, {WG_SCREEN_SURFACE, P(surface)}, {0, 0}};
    return WG_Create(nullptr, tags);
}

class WidgetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_NE(SDL_SetVideoMode(255, 255, 32, SDL_SWSURFACE), nullptr) << SDL_GetError();
        DISP_Init();
        font_.picture = NewSurface32(256 * 6, 6, 0xFFFFFFFF);
        font_.smallestWidth = 2;
        font_.smallestHeight = font_.largestWidth = font_.largestHeight = 6;
        for (int c = 0x20; c <= 0xFF; c++) {
            if (c <= 0x7E || c >= 0xA1) {
                font_.glyphs[c] = SDL_Rect{int16_t(c * 6), 0, uint16_t(c == 'i' ? 2 : c == 'W' ? 6 : 4), 6};
            }
        }
        blocks_ = MEM_LiveBlocks();
        unicode_ = DISP_UnicodeUsers();
        surface_ = NewSurface32(255, 255);
        screen_ = NewTestScreen(&surface_);
        ASSERT_NE(screen_, nullptr);
        MoveMouse(254, 254);
    }
    void TearDown() override
    {
        WG_DestroyTree(screen_);
        EXPECT_EQ(WG_CurrentScreen, nullptr);
        for (uintptr_t left : {P(WG_FocusedControl), P(WG_PressedControl), P(WG_HoveredControl), P(WG_TopWindow),
                               P(WG_Windows()->first), P(WG_LiveControls()->first)}) {
            EXPECT_EQ(left, 0u) << "the focused, pressed, hovered control, top window, windows, live controls";
        }
        EXPECT_EQ(DISP_UnicodeUsers(), unicode_) << "every entry gave its Unicode use back";
        SDL_FreeSurface(surface_);
        EXPECT_EQ(MEM_LiveBlocks(), blocks_) << "widgets leaked";
        SDL_FreeSurface(font_.picture);
        DISP_Quit();
        SDL_Quit();
    }
    // A widget of `kind` (0: the kind comes with the tags) made from `tags` in `parent` (may be
    // NULL); NULL when creation failed.
    static WG_Widget* Create(WG_Widget* parent, uint32_t kind, const AUX_Tag* tags, size_t count)
    {
        std::vector<AUX_Tag> all = {{WG_TAG_PARENT, P(&parent)}};
        if (kind != 0) {
            all.push_back({WG_TAG_KIND, kind});
        }
        all.insert(all.end(), tags, tags + count);
        all.push_back({0, 0});
        return WG_Create(nullptr, all.data());
    }
    template <typename T = WG_Widget>
    T* MakeIn(WG_Widget* parent, uint32_t kind, std::initializer_list<AUX_Tag> tags)
    {
        return reinterpret_cast<T*>(Create(parent, kind, tags.begin(), tags.size()));
    }
    template <typename T = WG_Widget>
    T* Make(uint32_t kind, std::initializer_list<AUX_Tag> tags)
    {
        return MakeIn<T>(screen_, kind, tags);
    }
    // A destroyed widget taken by its first field, so that a failed creation passes NULL.
    template <typename T>
    static bool Destroyed(T* made)
    {
        WG_Destroy(reinterpret_cast<WG_Widget*>(made));
        return made != nullptr;
    }
    uint32_t Pixel(int x, int y) { return PixelAt(surface_, x, y) & 0xFFFFFF; }

    // Glyphs 4 pixels wide ('i' 2, 'W' 6) and 6 high for 0x20..0x7E and 0xA1..0xFF.
    TXT_Font font_{};
    TXT_Font* fontPtr_ = &font_;
    int64_t blocks_ = 0;
    uint32_t unicode_ = 0;
    SDL_Surface* surface_ = nullptr;
    WG_Widget* screen_ = nullptr;
};
