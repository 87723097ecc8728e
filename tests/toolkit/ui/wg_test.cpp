#include <array>
#include <vector>

#include "tests/toolkit/ui/wg_fixture.h"
#include "toolkit/ui/wgentry.h"

namespace {

std::vector<WG_Widget*> seen;
int cleanups = 0;

class WidgetModel : public WidgetTest {
protected:
    WG_Widget* Group(WG_Widget* parent, int x, int y, int w, int h, uint32_t flags = 0)
    {
        seen.clear();
        return MakeIn(parent, WG_GROUP,
                      {{WG_TAG_X, uint16_t(x)}, {WG_TAG_Y, uint16_t(y)}, {WG_TAG_W, uint16_t(w)},
                       {WG_TAG_H, uint16_t(h)}, {WG_TAG_FLAGS, flags},
                       {WG_TAG_DRAW, P(+[](WG_Widget* w) { seen.push_back(w); })}});
    }
};

std::array<int, 4> Box(const WG_Widget* w)
{
    return {w->absX, w->absY, w->width, w->height};
}

TEST_F(WidgetModel, SizesAndPlacesFollowTheParent)
{
    WG_Widget* parent = Group(screen_, 10, 20, 200, 80);
    WG_Widget* cover = Group(parent, 0, 0, 100, 100, WG_F_W_PERCENT | WG_F_H_PERCENT);
    WG_Widget* margin = Group(parent, 20, 0, 8, 4, WG_F_W_MARGIN);
    WG_Widget* centred = Group(parent, 50, 0, 40, 10, WG_F_X_PERCENT);
    WG_Refresh();
    EXPECT_EQ(Box(cover), (std::array<int, 4>{10, 20, 200, 80}));
    EXPECT_EQ(margin->width, 172) << "a margin of 8 from the parent's right edge";
    EXPECT_EQ(centred->absX, 90) << "half of the free 160 pixels";
    WG_SetX(margin, 40);
    WG_SetSize(parent, 120, 33);
    WG_SetPosition(parent, 5, 6);
    WG_Refresh();
    EXPECT_EQ(Box(cover), (std::array<int, 4>{5, 6, 120, 33})) << "the covering child follows";
    EXPECT_EQ(margin->width, 72) << "moving it or its parent re-measures the margin";
    EXPECT_EQ(centred->absX, 45) << "a resized parent re-places its child";
    WG_SetWidth(centred, 250);
    WG_Refresh();
    EXPECT_EQ(centred->absX, 65) << "negative room falls back to the parent's width";
    int16_t rx = -1;
    WG_GetRelativePosition(centred, &rx, nullptr);
    EXPECT_EQ(rx, 60) << "relative to the parent";
    int16_t px = -1;
    int16_t py = -1;
    WG_GetPercentPosition(Group(parent, 60, 23, 40, 3), &px, &py);
    EXPECT_EQ(px * 1000 + py, 75076) << "60 of a room of 80, 23 of a room of 30";
}

TEST_F(WidgetModel, CreationRefusesWhatCannotWorkAndCleansUp)
{
    const struct {
        uint32_t kind, flags;
        bool made;
        const char* what;
    } cases[] = {{0, 0, false, "no kind"}, {15, 0, false, "an unknown kind needs storage"},
                 {WG_GROUP, 0x110, false, "margin width with percent x"},
                 {WG_GROUP, 0x220, false, "margin height with percent y"},
                 {WG_GROUP, 0x210, true, "margin width with percent y is fine"}};
    for (const auto& c : cases) {
        const AUX_Tag tags[] = {{WG_TAG_KIND, c.kind}, {WG_TAG_FLAGS, c.flags & 0xF0}, {WG_TAG_FLAGS, c.flags & 0xF00},
                                {0, 0}};
        EXPECT_EQ(Destroyed(WG_Create(nullptr, tags)), c.made) << c.what;
    }
    WG_Widget storage{};
    const AUX_Tag unknown[] = {{WG_TAG_KIND, WG_KIND_COUNT}, {0, 0}};
    ASSERT_EQ(WG_Create(&storage, unknown), &storage) << "caller storage takes any kind";
    WG_DestroyTree(&storage);
    EXPECT_EQ(storage.flags & WG_F_ALIVE, 0u) << "caller storage is not freed";
    cleanups = 0;
    EXPECT_EQ(Make(WG_GROUP, {{WG_TAG_SETUP, P(+[](WG_Widget*, const AUX_Tag*) { return 0; })},
                              {WG_TAG_CLEANUP, P(+[](WG_Widget*) { cleanups++; })}}),
              nullptr);
    EXPECT_EQ(cleanups, 1) << "a failed setup is cleaned up";
    EXPECT_EQ(WG_FirstChild(screen_), nullptr) << "nothing was attached";
    CheckEachAllocationFailure([this] { return Destroyed(MakeIn(nullptr, WG_GROUP, {})); });
}

TEST_F(WidgetModel, DrawingIsClippedToTheAncestors)
{
    WG_Widget* parent = Group(screen_, 10, 10, 50, 50);
    WG_Widget* inside = Group(parent, 40, 40, 30, 30);
    WG_Widget* grandchild = Group(Group(parent, 60, 0, 20, 20), -55, 5, 10, 10);
    WG_Refresh();
    EXPECT_EQ(seen, (std::vector<WG_Widget*>{parent, inside})) << "the widget outside and its child are left out";
    EXPECT_EQ(RectText(inside->clip), "50,50 10x10") << "clipped to the parent's edges";
    EXPECT_EQ(grandchild->clip.w, 0);
    seen.clear();
    WG_Draw(inside, 1);
    EXPECT_EQ(seen, (std::vector<WG_Widget*>{parent, inside})) << "the ancestors first, not their other children";

    ASSERT_NE(MakeIn(parent, WG_BOX,
                     {{WG_TAG_X, 45}, {WG_TAG_Y, 0}, {WG_TAG_W, 20}, {WG_TAG_H, 3}, {WG_BOX_COLOUR, 0x123456}}),
              nullptr);
    WG_Refresh();
    EXPECT_TRUE(Pixel(59, 12) == 0x123456u && Pixel(60, 10) == 0u)
        << "the box is cut at the parent's edge";
}

TEST_F(WidgetModel, DestroyingOneWidgetLeavesItsChildren)
{
    WG_Widget* parent = Group(screen_, 0, 0, 10, 10);
    WG_Widget* a = Group(parent, 0, 0, 1, 1);
    WG_Widget* b = Group(parent, 0, 0, 2, 2);
    WG_Widget* aa = Group(a, 0, 0, 3, 3);
    WG_Walk(parent, [](WG_Widget* w) {
        seen.push_back(w);
        return w->w == 1 ? 0 : 1;
    });
    EXPECT_EQ(seen, (std::vector<WG_Widget*>{parent, a, b})) << "a returned 0: its child is skipped";

    WG_Destroy(parent);
    EXPECT_EQ(WG_FirstChild(screen_), nullptr);
    EXPECT_EQ(WG_Root(aa), a) << "each child is a tree of its own";
    EXPECT_EQ(WG_Root(b), b);
    const int64_t live = MEM_LiveBlocks();
    WG_DestroyTree(a);
    EXPECT_EQ(MEM_LiveBlocks(), live - 2) << "the tree goes with its subtree";
    WG_Destroy(b);
}

TEST_F(WidgetModel, ASecondScreenReplacesTheFirst)
{
    WG_Widget* child = Group(screen_, 0, 0, 4, 4);
    SDL_Surface* other = NewSurface32(40, 30);
    SDL_Surface* pointer = NewSurface32(2, 2, 0xFF0000);
    const AUX_Tag tags[] = {{WG_TAG_KIND, WG_SCREEN}, {WG_SCREEN_SURFACE, P(&other)}, {WG_SCREEN_POINTER, P(&pointer)},
                            {WG_SCREEN_HOTX, 3}, {WG_SCREEN_HOTY, 2}, {0, 0}};
    WG_Widget* second = WG_Create(nullptr, tags);
    ASSERT_NE(second, nullptr);
    MoveMouse(20, 10);
    WG_Refresh();
    EXPECT_TRUE((PixelAt(other, 17, 8) & 0xFFFFFF) == 0xFF0000u &&
                (PixelAt(other, 16, 7) & 0xFFFFFF) == 0u)
        << "the pointer is drawn with its hot spot at the mouse";
    EXPECT_EQ(WG_CurrentScreen, second);
    EXPECT_EQ(Box(second), (std::array<int, 4>{0, 0, 40, 30}));
    EXPECT_EQ(second->clip.w, 40);
    EXPECT_EQ(WG_Root(child), child) << "the old screen was destroyed and let its children go";
    WG_Destroy(child);
    EXPECT_EQ(MakeIn(nullptr, WG_SCREEN, {}), nullptr) << "a screen needs a surface";
    EXPECT_EQ(WG_CurrentScreen, nullptr) << "a failed screen leaves none current";
    CheckEachAllocationFailure([&other] { return Destroyed(NewTestScreen(&other)); });
    SDL_FreeSurface(other);
    SDL_FreeSurface(pointer);
    screen_ = NewTestScreen(&surface_);
    ASSERT_NE(screen_, nullptr);
}

}  // namespace
