#include <string>
#include <vector>

#include "tests/toolkit/ui/wg_fixture.h"
#include "toolkit/ui/wgkinds.h"

namespace {

std::string released;
int presses = 0;

class Kinds : public WidgetTest {
protected:
    WG_Button* Button(const char* text, uintptr_t flags)
    {
        return Make<WG_Button>(WG_BUTTON, {{WG_TAG_W, 60}, {WG_TAG_H, 10}, {WG_LABEL_TEXT, P(text)},
                                           {WG_LABEL_FONT, P(&fontPtr_)}, {WG_BUTTON_FLAGS, flags}});
    }
    // A list of 50 x 30 holding one item of value 7 for each of the NUL-separated `texts`.
    WG_List* List(uintptr_t flags, const char* texts)
    {
        static uintptr_t value = 7;
        presses = 0;
        std::vector<AUX_Tag> tags = {{WG_TAG_W, 50}, {WG_TAG_H, 30}, {WG_LABEL_FONT, P(&fontPtr_)},
                                     {WG_LIST_FLAGS, flags}, {WG_CONTROL_ON_PRESS, P(+[](WG_Control*) { presses++; })}};
        for (const char* t = texts; *t != 0; t += 2) {
            tags.insert(tags.end(), {{WG_LIST_ITEM_VALUE, P(&value)}, {WG_LIST_ITEM_TEXT, P(t)}});
        }
        return reinterpret_cast<WG_List*>(Create(screen_, WG_LIST, tags.data(), tags.size()));
    }
    static std::string Order(const WG_List* list)
    {
        std::string order;
        for (NODE_Node* n = list->items.first; n != nullptr; n = n->next) {
            order += static_cast<WG_ListItem*>(n->data)->text;
        }
        return order;
    }
};

TEST_F(Kinds, TheQuitButtonsHotKeyIsQ)
{
    WG_Button* b = Button("Quit", WG_BF_HOTKEY | WG_BF_LOWER);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->control.hotKey, uint32_t(SDLK_q));
    WG_Refresh();
    EXPECT_STREQ(b->label.text, "Quit") << "lower-cased, the live hot letter shown upper-case";

    WG_Button* second = Button("QUEUE", WG_BF_HOTKEY | WG_BF_UPPER);
    EXPECT_EQ(second->control.hotKey, uint32_t(SDLK_u)) << "q is taken, the next letter serves";
    WG_DestroyChildren(screen_);

    CheckEachAllocationFailure([this] {
        WG_Button* b = Button("Quit", WG_BF_HOTKEY);
        // A key that cannot be bound passes the choice on to the next letter.
        const bool bound = b != nullptr && b->control.hotKeyHandler != nullptr && b->control.hotKey == SDLK_q;
        EXPECT_TRUE(b != nullptr || WG_FirstChild(screen_) == nullptr) << "a failed button is not attached";
        return Destroyed(b) && bound;
    });
}

TEST_F(Kinds, ListsInsertInTheirModesAndShareTheirHeight)
{
    WG_List* appended = List(0, "b\0a\0c\0");
    ASSERT_NE(appended, nullptr);
    EXPECT_EQ(Order(appended), "bac");
    EXPECT_EQ(Order(List(WG_LF_FRONT, "b\0a\0c\0")), "cab");
    WG_List* sorted = List(WG_LF_SORTED, "b\0A\0c\0a\0");
    EXPECT_EQ(Order(sorted), "Aabc") << "case-insensitive, equal texts after the ones there";
    EXPECT_TRUE(WG_ListFind(sorted, "a")->value == 7u && WG_ListFind(sorted, "z") == nullptr);
    WG_Refresh();
    EXPECT_EQ(appended->firstVisible->button.widget.height, 10) << "three items share 30 pixels";

    WG_List* radio = List(WG_LF_RADIO, "x\0y\0");
    auto* x = static_cast<WG_ListItem*>(radio->items.first->data);
    WG_SelectControl(&x->button.control);
    WG_SelectControl(&static_cast<WG_ListItem*>(radio->items.last->data)->button.control);
    EXPECT_EQ(x->button.control.state & WG_CS_SELECTED, 0) << "radio items form one group";
    WG_PressControl(&x->button.control);
    EXPECT_EQ(presses, 1) << "the items take the list's callbacks";
    WG_ReleaseControl(&x->button.control);
    WG_SetFocus(nullptr);
    CheckEachAllocationFailure([this] { return Destroyed(List(WG_LF_SORTED | WG_LF_RADIO, "b\0a\0c\0")); });
}

TEST_F(Kinds, SimpleKindsDrawAndNeedTheirParts)
{
    SDL_Surface* picture = NewSurface32(9, 9, 0x0000FF);
    const char* stop = nullptr;
    TXT_Font* font = fontPtr_;
    const std::vector<std::vector<AUX_Tag>> kinds = {
        {{WG_TAG_KIND, WG_IMAGE}, {WG_IMAGE_PICTURE, P(&picture)}, {WG_TAG_X, 20}, {WG_TAG_Y, 30}, {WG_TAG_W, 100}},
        {{WG_TAG_KIND, WG_LINE}, {WG_LINE_COLOUR, 0xFF0000}, {WG_TAG_X, 100}, {WG_TAG_Y, 100}, {WG_TAG_W, 20},
         {WG_TAG_H, 20}, {WG_LINE_X1, 10}, {WG_LINE_Y1, 10}},
        {{WG_TAG_KIND, WG_TEXT}, {WG_TEXT_FONT, P(&font)}, {WG_TEXT_TEXT, P("ab cd ef")}, {WG_TAG_Y, 200},
         {WG_TAG_W, 30}, {WG_TAG_H, 7}, {WG_TEXT_RESULT, P(&stop)},
         {WG_TEXT_RELEASE, P(+[](const char* text) { released += text; })}},
        {{WG_TAG_KIND, WG_FRAME}, {WG_FRAME_PICTURE, P(&picture)}, {WG_FRAME_TOP, 3}, {WG_FRAME_BOTTOM, 3},
         {WG_FRAME_LEFT, 3}, {WG_FRAME_RIGHT, 3}, {WG_TAG_X, 40}, {WG_TAG_W, 12}, {WG_TAG_H, 12}},
        {{WG_TAG_KIND, WG_BOX}, {WG_BOX_COLOUR, 1}},
        {{WG_TAG_KIND, WG_SPRITE}},
    };
    for (const auto& tags : kinds) {
        SCOPED_TRACE(tags[0].value);
        CheckEachAllocationFailure([&tags] { return Destroyed(Create(nullptr, 0, tags.data(), tags.size())); });
        if (tags.size() > 2) {
            EXPECT_EQ(Create(nullptr, 0, tags.data(), 1), nullptr) << "refused without its picture, colour or font";
        }
        ASSERT_NE(Create(screen_, 0, tags.data(), tags.size()), nullptr);
    }
    EXPECT_EQ(Create(nullptr, 0, kinds[2].data(), 2), nullptr) << "a text needs its text";
    EXPECT_EQ(WG_FirstChild(screen_)->w, 9) << "an image is cut to its picture";
    WG_Refresh();
    SDL_SetClipRect(surface_, nullptr);
    EXPECT_TRUE(Pixel(28, 38) == 0xFFu && Pixel(105, 105) == 0xFF0000u && Pixel(51, 11) == 0xFFu)
        << "the picture, the line and the frame are drawn";
    EXPECT_STREQ(stop, "ef") << "only the first line fits into 7 pixels";
    released.clear();
    WG_DestroyChildren(screen_);
    EXPECT_EQ(released, "ab cd ef") << "the text is handed back once";
    SDL_FreeSurface(picture);
}

}  // namespace
