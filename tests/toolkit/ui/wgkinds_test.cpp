#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/alloc_check.h"
#include "tests/toolkit/ui/wg_fixture.h"
#include "toolkit/gfx/disp.h"
#include "toolkit/ui/wgkinds.h"
#include "util/mem.h"

namespace {

std::vector<std::string> released;
void Release(const char* text) { released.push_back(text); }
int OtherKey(SDL_keysym*, uint8_t, uintptr_t) { return 1; }

class Kinds : public ::testing::Test {
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
        released.clear();
    }
    void TearDown() override
    {
        WG_DestroyTree(screen_);
        EXPECT_EQ(WG_LiveControls()->first, nullptr);
        SDL_FreeSurface(surface_);
        EXPECT_EQ(MEM_LiveBlocks(), blocks_);
        font_.Free();
        DISP_Quit();
        StopTestVideo();
    }
    WG_Button* Button(const char* text, uintptr_t flags)
    {
        const AUX_Tag tags[] = {
            {WG_TAG_KIND, WG_BUTTON},
            {WG_TAG_PARENT, reinterpret_cast<uintptr_t>(&screen_)},
            {WG_TAG_W, 60},
            {WG_TAG_H, 10},
            {WG_LABEL_TEXT, reinterpret_cast<uintptr_t>(text)},
            {WG_LABEL_FONT, reinterpret_cast<uintptr_t>(&fontPtr_)},
            {WG_BUTTON_FLAGS, flags},
            {0, 0},
        };
        return reinterpret_cast<WG_Button*>(WG_Create(nullptr, tags));
    }
    WG_List* List(uintptr_t flags, std::vector<const char*> texts)
    {
        static uintptr_t value = 7;
        std::vector<AUX_Tag> tags = {
            {WG_TAG_KIND, WG_LIST},
            {WG_TAG_PARENT, reinterpret_cast<uintptr_t>(&screen_)},
            {WG_TAG_W, 50},
            {WG_TAG_H, 30},
            {WG_LABEL_FONT, reinterpret_cast<uintptr_t>(&fontPtr_)},
            {WG_LIST_FLAGS, flags},
        };
        for (const char* t : texts) {
            tags.push_back({WG_LIST_ITEM_VALUE, reinterpret_cast<uintptr_t>(&value)});
            tags.push_back({WG_LIST_ITEM_TEXT, reinterpret_cast<uintptr_t>(t)});
        }
        tags.push_back({0, 0});
        return reinterpret_cast<WG_List*>(WG_Create(nullptr, tags.data()));
    }
    static std::string Order(const WG_List* list)
    {
        std::string order;
        for (NODE_Node* n = list->items.first; n != nullptr; n = n->next) {
            order += static_cast<WG_ListItem*>(n->data)->text;
        }
        return order;
    }
    TestFont font_;
    TXT_Font* fontPtr_ = nullptr;
    int64_t blocks_ = 0;
    SDL_Surface* surface_ = nullptr;
    WG_Widget* screen_ = nullptr;
};

TEST_F(Kinds, TheQuitButtonsHotKeyIsQ)
{
    WG_Button* b = Button("Quit", WG_BF_HOTKEY | WG_BF_LOWER);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->control.hotKey, static_cast<uint32_t>(SDLK_q));
    EXPECT_STREQ(b->labelText, "quit") << "the label is lower-cased";
    WG_Refresh();
    EXPECT_STREQ(b->label.text, "Quit") << "the live hot letter is shown upper-case";
    DISP_Handler* other = DISP_AddKeyHandler(SDLK_q, OtherKey, 0);
    WG_Refresh();
    EXPECT_STREQ(b->label.text, "quit") << "a newer handler has the key: the letter as stored";
    DISP_RemoveKeyHandler(other);
    WG_Refresh();
    EXPECT_STREQ(b->label.text, "Quit");

    WG_Button* second = Button("QUEUE", WG_BF_HOTKEY | WG_BF_UPPER);
    EXPECT_EQ(second->control.hotKey, static_cast<uint32_t>(SDLK_u)) << "q is taken, the next letter serves";
    EXPECT_EQ(second->shownLetter, 'u');
    WG_Button* plain = Button("Go", 0);
    EXPECT_EQ(plain->control.hotKeyHandler, nullptr) << "no hot key unless asked";
    EXPECT_EQ(plain->hotLetter, nullptr);
    WG_Destroy(&b->widget);
    EXPECT_NE(WG_SetHotKey(&plain->control, 'q'), 0) << "the destroyed button gave its key up";
}

TEST_F(Kinds, ListsInsertInTheirModes)
{
    WG_List* appended = List(0, {"b", "a", "c"});
    ASSERT_NE(appended, nullptr);
    EXPECT_EQ(Order(appended), "bac");
    EXPECT_EQ(appended->count, 3u);
    WG_List* front = List(WG_LF_FRONT, {"b", "a", "c"});
    EXPECT_EQ(Order(front), "cab");
    EXPECT_STREQ(front->firstVisible->text, "c") << "an item put at the front is the first visible";
    WG_List* sorted = List(WG_LF_SORTED, {"b", "A", "c", "a"});
    EXPECT_EQ(Order(sorted), "Aabc") << "case-insensitive, equal texts after the ones there";
    EXPECT_EQ(WG_ListFind(sorted, "a")->value, 7u);
    EXPECT_EQ(WG_ListFind(sorted, "z"), nullptr);

    WG_Refresh();
    WG_Widget* first = &appended->firstVisible->button.widget;
    EXPECT_EQ(WG_Parent(first), &appended->widget) << "drawing laid the items out";
    EXPECT_EQ(first->height, 10) << "three items share 30 pixels";
    EXPECT_EQ(appended->widget.draw, nullptr) << "the layout ran once";
    WG_ListItem* second = static_cast<WG_ListItem*>(appended->items.first->next->data);
    EXPECT_EQ(second->button.widget.absY, 10);

    WG_ListRemove(appended, appended->firstVisible);
    EXPECT_EQ(appended->firstVisible, second) << "the next item becomes the first visible";
    EXPECT_EQ(appended->count, 2u);
    WG_Refresh();
    EXPECT_EQ(second->button.widget.absY, 0);
    EXPECT_EQ(second->button.widget.height, 15);
    WG_ListRemove(appended, static_cast<WG_ListItem*>(appended->items.last->data));
    WG_ListRemove(appended, second);
    EXPECT_EQ(appended->firstVisible, nullptr);

    WG_List* radio = List(WG_LF_RADIO, {"x", "y"});
    WG_ListItem* x = static_cast<WG_ListItem*>(radio->items.first->data);
    WG_ListItem* y = static_cast<WG_ListItem*>(radio->items.last->data);
    WG_SelectControl(&x->button.control);
    WG_SelectControl(&y->button.control);
    EXPECT_EQ(x->button.control.state & WG_CS_SELECTED, 0) << "radio items form one group";
}

TEST_F(Kinds, SimpleKindsDraw)
{
    SDL_Surface* picture = NewTestSurface(8, 6);
    SDL_FillRect(picture, nullptr, 0x00FF00);
    const AUX_Tag imageTags[] = {
        {WG_TAG_KIND, WG_IMAGE}, {WG_TAG_PARENT, reinterpret_cast<uintptr_t>(&screen_)},
        {WG_TAG_X, 20}, {WG_TAG_Y, 30}, {WG_TAG_W, 100},
        {WG_IMAGE_PICTURE, reinterpret_cast<uintptr_t>(&picture)}, {0, 0},
    };
    WG_Widget* image = WG_Create(nullptr, imageTags);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->w, 8) << "cut to the picture";
    EXPECT_EQ(image->h, 6);
    const AUX_Tag lineTags[] = {
        {WG_TAG_KIND, WG_LINE}, {WG_TAG_PARENT, reinterpret_cast<uintptr_t>(&screen_)},
        {WG_TAG_X, 100}, {WG_TAG_Y, 100}, {WG_TAG_W, 20}, {WG_TAG_H, 20},
        {WG_LINE_COLOUR, 0xFF0000}, {WG_LINE_X1, 10}, {WG_LINE_Y1, 10}, {0, 0},
    };
    ASSERT_NE(WG_Create(nullptr, lineTags), nullptr);
    const char* stop = nullptr;
    const AUX_Tag textTags[] = {
        {WG_TAG_KIND, WG_TEXT}, {WG_TAG_PARENT, reinterpret_cast<uintptr_t>(&screen_)},
        {WG_TAG_X, 0}, {WG_TAG_Y, 200}, {WG_TAG_W, 30}, {WG_TAG_H, 7},
        {WG_TEXT_FONT, reinterpret_cast<uintptr_t>(&fontPtr_)}, {WG_TEXT_TEXT, reinterpret_cast<uintptr_t>("ab cd ef")},
        {WG_TEXT_RESULT, reinterpret_cast<uintptr_t>(&stop)}, {WG_TEXT_RELEASE, reinterpret_cast<uintptr_t>(Release)},
        {0, 0},
    };
    WG_Widget* text = WG_Create(nullptr, textTags);
    ASSERT_NE(text, nullptr);
    WG_Refresh();
    SDL_SetClipRect(surface_, nullptr);
    EXPECT_EQ(PixelOf(surface_, 20, 30), 0x00FF00u) << "zoom 256 at angle 0 is a blit";
    EXPECT_EQ(PixelOf(surface_, 27, 35), 0x00FF00u);
    EXPECT_EQ(PixelOf(surface_, 28, 35), 0u);
    EXPECT_EQ(PixelOf(surface_, 105, 105) & 0xFFFFFF, 0xFF0000u) << "the line";
    ASSERT_NE(stop, nullptr);
    EXPECT_STREQ(stop, "ef") << "only the first line fits into 7 pixels";
    WG_Destroy(text);
    EXPECT_EQ(released, (std::vector<std::string>{"ab cd ef"}));

    const AUX_Tag noColour[] = {{WG_TAG_KIND, WG_LINE}, {0, 0}};
    EXPECT_EQ(WG_Create(nullptr, noColour), nullptr);
    const AUX_Tag noPicture[] = {{WG_TAG_KIND, WG_IMAGE}, {0, 0}};
    EXPECT_EQ(WG_Create(nullptr, noPicture), nullptr);
    const AUX_Tag noFrame[] = {{WG_TAG_KIND, WG_FRAME}, {0, 0}};
    EXPECT_EQ(WG_Create(nullptr, noFrame), nullptr);
    const AUX_Tag noText[] = {{WG_TAG_KIND, WG_TEXT}, {WG_TEXT_FONT, reinterpret_cast<uintptr_t>(&fontPtr_)}, {0, 0}};
    EXPECT_EQ(WG_Create(nullptr, noText), nullptr);
    WG_DestroyChildren(screen_);
    SDL_FreeSurface(picture);
}

TEST_F(Kinds, EveryAllocationFailureLeavesNothing)
{
    CheckEachAllocationFailure([this] {
        WG_Button* b = Button("Quit", WG_BF_HOTKEY);
        // A key that cannot be bound passes the choice on to the next letter.
        const bool ok = b != nullptr && b->control.hotKeyHandler != nullptr && b->control.hotKey == SDLK_q;
        if (b == nullptr) {
            EXPECT_EQ(WG_FirstChild(screen_), nullptr);
            EXPECT_EQ(WG_LiveControls()->first, nullptr);
        }
        WG_Destroy(b != nullptr ? &b->widget : nullptr);
        return ok;
    });
    EXPECT_NE(WG_SetHotKey(&Button("x", 0)->control, 'q'), 0) << "no failed button kept the key";
    WG_DestroyChildren(screen_);
    CheckEachAllocationFailure([this] {
        WG_List* list = List(WG_LF_SORTED | WG_LF_RADIO, {"b", "a", "c"});
        WG_Destroy(list != nullptr ? &list->widget : nullptr);
        return list != nullptr;
    });
    SDL_Surface* picture = NewTestSurface(9, 9);
    SDL_FillRect(picture, nullptr, 0x0000FF);
    TXT_Font* font = fontPtr_;
    const AUX_Tag simple[][6] = {
        {{WG_TAG_KIND, WG_LINE}, {WG_LINE_COLOUR, 1}, {0, 0}},
        {{WG_TAG_KIND, WG_BOX}, {WG_BOX_COLOUR, 1}, {0, 0}},
        {{WG_TAG_KIND, WG_IMAGE}, {WG_IMAGE_PICTURE, reinterpret_cast<uintptr_t>(&picture)}, {0, 0}},
        {{WG_TAG_KIND, WG_SPRITE}, {0, 0}},
        {{WG_TAG_KIND, WG_TEXT}, {WG_TEXT_FONT, reinterpret_cast<uintptr_t>(&font)},
         {WG_TEXT_TEXT, reinterpret_cast<uintptr_t>("t")}, {0, 0}},
        {{WG_TAG_KIND, WG_FRAME}, {WG_FRAME_PICTURE, reinterpret_cast<uintptr_t>(&picture)}, {WG_FRAME_TOP, 3},
         {WG_FRAME_BOTTOM, 3}, {WG_FRAME_LEFT, 3}, {WG_FRAME_RIGHT, 3}},
    };
    for (const auto& tags : simple) {
        CheckEachAllocationFailure([&tags] {
            std::vector<AUX_Tag> list(std::begin(tags), std::end(tags));
            list.push_back({0, 0});
            WG_Widget* w = WG_Create(nullptr, list.data());
            WG_Destroy(w);
            return w != nullptr;
        });
    }
    std::vector<AUX_Tag> frameTags(std::begin(simple[5]), std::end(simple[5]));
    frameTags.push_back({WG_TAG_PARENT, reinterpret_cast<uintptr_t>(&screen_)});
    frameTags.push_back({WG_TAG_X, 40});
    frameTags.push_back({WG_TAG_W, 12});
    frameTags.push_back({WG_TAG_H, 12});
    frameTags.push_back({0, 0});
    ASSERT_NE(WG_Create(nullptr, frameTags.data()), nullptr);
    WG_Refresh();
    SDL_SetClipRect(surface_, nullptr);
    EXPECT_EQ(PixelOf(surface_, 40, 0), 0x0000FFu) << "the frame is drawn";
    EXPECT_EQ(PixelOf(surface_, 51, 11), 0x0000FFu);
    EXPECT_EQ(PixelOf(surface_, 52, 11), 0u);
    WG_DestroyChildren(screen_);
    SDL_FreeSurface(picture);
}

}  // namespace
