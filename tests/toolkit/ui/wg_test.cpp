#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "tests/support/alloc_check.h"
#include "tests/toolkit/ui/wg_fixture.h"
#include "toolkit/ui/wg.h"
#include "toolkit/ui/wgentry.h"
#include "util/mem.h"

namespace {

std::vector<WG_Widget*> drawn;

void RecordDraw(WG_Widget* widget)
{
    drawn.push_back(widget);
}

WG_Widget* Group(WG_Widget** parent, int x, int y, int w, int h, uint32_t flags = 0)
{
    const AUX_Tag tags[] = {
        {WG_TAG_KIND, WG_GROUP},
        {WG_TAG_PARENT, reinterpret_cast<uintptr_t>(parent)},
        {WG_TAG_X, static_cast<uint16_t>(x)},
        {WG_TAG_Y, static_cast<uint16_t>(y)},
        {WG_TAG_W, static_cast<uint16_t>(w)},
        {WG_TAG_H, static_cast<uint16_t>(h)},
        {WG_TAG_FLAGS, flags},
        {WG_TAG_DRAW, reinterpret_cast<uintptr_t>(RecordDraw)},
        {0, 0},
    };
    return WG_Create(nullptr, tags);
}

class WidgetModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        blocks_ = MEM_LiveBlocks();
        surface_ = NewTestSurface(255, 255);
        ASSERT_NE(surface_, nullptr);
        screen_ = NewTestScreen(&surface_);
        ASSERT_NE(screen_, nullptr);
        drawn.clear();
    }
    void TearDown() override
    {
        WG_DestroyTree(screen_);
        EXPECT_EQ(WG_CurrentScreen, nullptr);
        SDL_FreeSurface(surface_);
        EXPECT_EQ(MEM_LiveBlocks(), blocks_) << "widgets leaked";
    }
    int64_t blocks_ = 0;
    SDL_Surface* surface_ = nullptr;
    WG_Widget* screen_ = nullptr;
};

TEST_F(WidgetModel, SizesFollowTheParent)
{
    WG_Widget* parent = Group(&screen_, 10, 20, 200, 80);
    WG_Widget* cover = Group(&parent, 0, 0, 100, 100, WG_F_W_PERCENT | WG_F_H_PERCENT);
    ASSERT_NE(cover, nullptr);
    WG_UpdateSize(cover);
    WG_UpdatePosition(cover);
    EXPECT_EQ(cover->width, 200);
    EXPECT_EQ(cover->height, 80);
    EXPECT_EQ(cover->absX, 10);
    EXPECT_EQ(cover->absY, 20);

    WG_SetSize(parent, 120, 33);
    WG_SetPosition(parent, 5, 6);
    WG_UpdateSize(cover);
    WG_UpdatePosition(cover);
    EXPECT_EQ(cover->width, 120) << "the covering child follows a resize";
    EXPECT_EQ(cover->height, 33);
    EXPECT_EQ(cover->absX, 5) << "and a move";

    WG_Widget* root = Group(nullptr, 0, 0, 0, 0);
    WG_Widget* parent2 = Group(&root, 0, 0, 100, 10);
    WG_Widget* margin = Group(&parent2, 20, 0, 8, 4, WG_F_W_MARGIN);
    WG_UpdateSize(margin);
    EXPECT_EQ(margin->width, 72) << "a margin of 8 from the parent's right edge";
    WG_SetX(margin, 40);
    WG_UpdateSize(margin);
    EXPECT_EQ(margin->width, 52) << "moving it re-measures the margin";
    WG_DestroyTree(root);

    WG_Widget* orphan = Group(nullptr, 0, 0, 50, 50, WG_F_W_PERCENT);
    orphan->width = 7;
    WG_UpdateSize(orphan);
    EXPECT_EQ(orphan->width, 7) << "no parent: the old size stays";
    EXPECT_NE(orphan->flags & WG_F_SIZE_DIRTY, 0u) << "and it stays dirty";
    WG_Destroy(orphan);
}

TEST_F(WidgetModel, PercentPlacementUsesTheFreeRoom)
{
    WG_Widget* parent = Group(&screen_, 10, 0, 200, 50);
    WG_Widget* child = Group(&parent, 50, 0, 40, 10, WG_F_X_PERCENT);
    WG_UpdatePosition(child);
    EXPECT_EQ(child->absX, 90) << "10 + 160 * 50 / 100";
    WG_SetWidth(child, 250);
    WG_UpdatePosition(child);
    EXPECT_EQ(child->absX, 110) << "negative room falls back to the parent's width";

    int16_t px = -1;
    int16_t py = -1;
    WG_Widget* plain = Group(&parent, 80, 20, 40, 10);
    WG_GetPercentPosition(plain, &px, &py);
    EXPECT_EQ(px, 50) << "80 of a room of 160";
    EXPECT_EQ(py, 50) << "20 of a room of 40";
    int16_t rx = 0;
    int16_t ry = 0;
    WG_GetRelativePosition(child, &rx, &ry);
    EXPECT_EQ(rx, 100);
    EXPECT_EQ(ry, 0);
    int16_t untouched = 77;
    WG_GetPercentPosition(screen_, &untouched, nullptr);
    EXPECT_EQ(untouched, 77) << "a widget without parent writes nothing";
    WG_SetWidth(child, 40);
    WG_UpdatePosition(child);
    WG_SetWidth(parent, 100);
    WG_UpdatePosition(child);
    EXPECT_EQ(child->absX, 40) << "a resized parent re-places its fixed-size child: 10 + 60 * 50 / 100";
}

int sizings = 0;
int placings = 0;
void CountSized(WG_Widget*)
{
    sizings++;
}
void CountPlaced(WG_Widget*)
{
    placings++;
}

TEST_F(WidgetModel, AMarginOnOneAxisAndAPercentageOnTheOtherAreEachComputedOnce)
{
    // In a parent at (10, 20) of 200 x 100, then of 160 x 60: 30 pixels in with a margin of 8
    // on one axis, 20 long at 50 % on the other.
    struct Case {
        uint32_t flags;
        std::array<int, 4> first;  // x, y, width, height
        std::array<int, 4> resized;
    };
    for (const Case& c : {Case{WG_F_W_MARGIN | WG_F_Y_PERCENT, {40, 60, 162, 20}, {40, 40, 122, 20}},
                          Case{WG_F_H_MARGIN | WG_F_X_PERCENT, {100, 50, 20, 62}, {80, 50, 20, 22}}}) {
        const bool marginX = (c.flags & WG_F_W_MARGIN) != 0;
        WG_Widget* parent = Group(&screen_, 10, 20, 200, 100);
        const AUX_Tag tags[] = {
            {WG_TAG_KIND, WG_GROUP},
            {WG_TAG_PARENT, reinterpret_cast<uintptr_t>(&parent)},
            {WG_TAG_X, marginX ? 30u : 50u},
            {WG_TAG_Y, marginX ? 50u : 30u},
            {WG_TAG_W, marginX ? 8u : 20u},
            {WG_TAG_H, marginX ? 20u : 8u},
            {WG_TAG_FLAGS, c.flags},
            {WG_TAG_SIZED, reinterpret_cast<uintptr_t>(CountSized)},
            {WG_TAG_PLACED, reinterpret_cast<uintptr_t>(CountPlaced)},
            {0, 0},
        };
        WG_Widget* w = WG_Create(nullptr, tags);
        ASSERT_NE(w, nullptr) << c.flags;
        sizings = placings = 0;
        int16_t x = 0;
        WG_GetRelativePosition(w, &x, nullptr);  // asked for its position first
        EXPECT_EQ((std::array<int, 4>{w->absX, w->absY, w->width, w->height}), c.first) << c.flags;
        WG_SetSize(parent, 160, 60);
        WG_Refresh();  // then drawn, which asks for its size first
        EXPECT_EQ((std::array<int, 4>{w->absX, w->absY, w->width, w->height}), c.resized) << c.flags;
        EXPECT_EQ(sizings, 2) << c.flags;
        EXPECT_EQ(placings, 2) << c.flags;
        WG_DestroyTree(parent);
    }
}

TEST_F(WidgetModel, CreationRefusesWhatCannotWork)
{
    const AUX_Tag noKind[] = {{WG_TAG_W, 3}, {0, 0}};
    EXPECT_EQ(WG_Create(nullptr, noKind), nullptr);
    const AUX_Tag badKind[] = {{WG_TAG_KIND, 15}, {0, 0}};
    EXPECT_EQ(WG_Create(nullptr, badKind), nullptr) << "an unknown kind needs storage";
    const AUX_Tag pair1[] = {{WG_TAG_KIND, WG_GROUP}, {WG_TAG_FLAGS, 0x10}, {WG_TAG_FLAGS, 0x100}, {0, 0}};
    EXPECT_EQ(WG_Create(nullptr, pair1), nullptr) << "margin width with percent x";
    const AUX_Tag pair2[] = {{WG_TAG_KIND, WG_GROUP}, {WG_TAG_FLAGS, 0x220}, {0, 0}};
    EXPECT_EQ(WG_Create(nullptr, pair2), nullptr) << "margin height with percent y";
    const AUX_Tag fine[] = {{WG_TAG_KIND, WG_GROUP}, {WG_TAG_FLAGS, 0x210}, {0, 0}};
    WG_Widget* ok = WG_Create(nullptr, fine);
    EXPECT_NE(ok, nullptr) << "margin width with percent y is fine";
    WG_Destroy(ok);

    WG_Widget storage{};
    const AUX_Tag zero[] = {{WG_TAG_KIND, 0}, {WG_TAG_W, 30}, {WG_TAG_H, 30}, {0, 0}};
    WG_Widget* box = WG_Create(&storage, zero);
    ASSERT_EQ(box, &storage) << "caller storage takes any kind";
    EXPECT_EQ(box->flags & WG_F_OWNED, 0u);
    WG_AddChild(box, screen_);
    WG_Widget* inner = Group(&box, 5, 5, 10, 10);
    WG_Draw(screen_, 0);
    ASSERT_EQ(drawn.size(), 1u) << "the kind-0 container holds and draws its child";
    EXPECT_EQ(inner->absX, 5);
    WG_DestroyTree(box);
    EXPECT_EQ(box->flags & WG_F_ALIVE, 0u);
}

int failedSetups = 0;
int cleanups = 0;
int FailingSetup(WG_Widget*, const AUX_Tag*)
{
    failedSetups++;
    return 0;
}
void CountCleanup(WG_Widget*)
{
    cleanups++;
}

TEST_F(WidgetModel, AFailedSetupIsCleanedUp)
{
    failedSetups = cleanups = 0;
    const AUX_Tag tags[] = {
        {WG_TAG_KIND, WG_GROUP},
        {WG_TAG_PARENT, reinterpret_cast<uintptr_t>(&screen_)},
        {WG_TAG_SETUP, reinterpret_cast<uintptr_t>(FailingSetup)},
        {WG_TAG_CLEANUP, reinterpret_cast<uintptr_t>(CountCleanup)},
        {0, 0},
    };
    EXPECT_EQ(WG_Create(nullptr, tags), nullptr);
    EXPECT_EQ(failedSetups, 1);
    EXPECT_EQ(cleanups, 1) << "the cleanup runs once setup was reached";
    EXPECT_EQ(WG_FirstChild(screen_), nullptr) << "nothing was attached";
    CheckEachAllocationFailure([] {
        const AUX_Tag group[] = {{WG_TAG_KIND, WG_GROUP}, {0, 0}};
        WG_Widget* w = WG_Create(nullptr, group);
        WG_Destroy(w);
        return w != nullptr;
    });
}

TEST_F(WidgetModel, DrawingIsClippedToTheAncestors)
{
    WG_Widget* parent = Group(&screen_, 10, 10, 50, 50);
    WG_Widget* inside = Group(&parent, 40, 40, 30, 30);
    WG_Widget* outside = Group(&parent, 60, 0, 20, 20);
    WG_Widget* grandchild = Group(&outside, -55, 5, 10, 10);
    WG_Refresh();
    ASSERT_EQ(drawn.size(), 2u) << "the widget outside and its child are left out";
    EXPECT_EQ(drawn[0], parent);
    EXPECT_EQ(drawn[1], inside);
    EXPECT_EQ(inside->clip.x, 50);
    EXPECT_EQ(inside->clip.w, 10) << "clipped to the parent's right edge";
    EXPECT_EQ(inside->clip.h, 10);
    EXPECT_EQ(grandchild->clip.w, 0);

    drawn.clear();
    WG_Draw(inside, 1);
    ASSERT_EQ(drawn.size(), 2u) << "the ancestors first, without their other children";
    EXPECT_EQ(drawn[0], parent);

    const AUX_Tag boxTags[] = {
        {WG_TAG_KIND, WG_BOX}, {WG_TAG_PARENT, reinterpret_cast<uintptr_t>(&parent)},
        {WG_TAG_X, 45}, {WG_TAG_Y, 0}, {WG_TAG_W, 20}, {WG_TAG_H, 3}, {WG_BOX_COLOUR, 0x123456}, {0, 0},
    };
    WG_Widget* box = WG_Create(nullptr, boxTags);
    ASSERT_NE(box, nullptr);
    WG_Refresh();
    EXPECT_EQ(PixelOf(surface_, 55, 10), 0x123456u);
    EXPECT_EQ(PixelOf(surface_, 59, 12), 0x123456u);
    EXPECT_EQ(PixelOf(surface_, 60, 10), 0u) << "the box is cut at the parent's edge";
    EXPECT_EQ(PixelOf(surface_, 55, 13), 0u);
}

int walkSkips(WG_Widget* w)
{
    drawn.push_back(w);
    return w->w == 1 ? 0 : 1;
}

TEST_F(WidgetModel, DestroyingOneWidgetLeavesItsChildren)
{
    WG_Widget* parent = Group(&screen_, 0, 0, 10, 10);
    WG_Widget* a = Group(&parent, 0, 0, 1, 1);
    WG_Widget* b = Group(&parent, 0, 0, 2, 2);
    WG_Widget* aa = Group(&a, 0, 0, 3, 3);
    drawn.clear();
    WG_Walk(parent, walkSkips);
    ASSERT_EQ(drawn.size(), 3u) << "a returned 0: its child is skipped";
    EXPECT_EQ(drawn[2], b);
    EXPECT_EQ(TR_TreeIndex(&b->node), 4u);

    WG_Destroy(parent);
    EXPECT_EQ(WG_FirstChild(screen_), nullptr);
    EXPECT_EQ(WG_Parent(a), nullptr) << "each child is a tree of its own";
    EXPECT_EQ(WG_Root(a), a);
    EXPECT_EQ(WG_Root(aa), a);
    EXPECT_EQ(WG_Root(b), b);
    int64_t live = MEM_LiveBlocks();
    WG_DestroyTree(a);
    EXPECT_EQ(MEM_LiveBlocks(), live - 2) << "the tree goes with its subtree";
    WG_Destroy(b);
    WG_Destroy(nullptr);
    WG_DestroyTree(nullptr);
    WG_AddChild(nullptr, screen_);
    WG_SetSize(nullptr, 1, 1);
}

TEST_F(WidgetModel, ASecondScreenReplacesTheFirst)
{
    WG_Widget* child = Group(&screen_, 0, 0, 4, 4);
    SDL_Surface* other = NewTestSurface(40, 30);
    WG_Widget* second = NewTestScreen(&other);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(WG_CurrentScreen, second);
    EXPECT_EQ(second->width, 40);
    EXPECT_EQ(second->height, 30);
    EXPECT_EQ(second->clip.w, 40);
    EXPECT_EQ(WG_Root(child), child) << "the old screen was destroyed and let its children go";
    WG_Destroy(child);
    const AUX_Tag noSurface[] = {{WG_TAG_KIND, WG_SCREEN}, {0, 0}};
    EXPECT_EQ(WG_Create(nullptr, noSurface), nullptr);
    EXPECT_EQ(WG_CurrentScreen, nullptr) << "a failed screen leaves none current";
    SDL_FreeSurface(other);
    screen_ = NewTestScreen(&surface_);
    ASSERT_NE(screen_, nullptr);
}

}  // namespace
