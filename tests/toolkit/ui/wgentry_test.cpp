#include <gtest/gtest.h>

#include <string>

#include "tests/support/alloc_check.h"
#include "tests/toolkit/ui/wg_fixture.h"
#include "toolkit/gfx/disp.h"
#include "toolkit/ui/wgentry.h"
#include "util/mem.h"

namespace {

int changes = 0;
int finishes = 0;
void OnChange(WG_Entry*) { changes++; }
void OnFinish(WG_Entry*) { finishes++; }

class TextEntry : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(StartTestVideo());
        DISP_Init();
        ASSERT_TRUE(font_.Make());
        fontPtr_ = &font_.font;
        blocks_ = MEM_LiveBlocks();
        unicode_ = DISP_UnicodeUsers();
        surface_ = NewTestSurface(255, 255);
        screen_ = NewTestScreen(&surface_);
        ASSERT_NE(screen_, nullptr);
        changes = finishes = 0;
    }
    void TearDown() override
    {
        WG_DestroyTree(screen_);
        EXPECT_EQ(DISP_UnicodeUsers(), unicode_) << "every entry gave its Unicode use back";
        EXPECT_EQ(WG_FocusedControl, nullptr);
        SDL_FreeSurface(surface_);
        EXPECT_EQ(MEM_LiveBlocks(), blocks_);
        font_.Free();
        DISP_Quit();
        StopTestVideo();
    }
    WG_Entry* Make(uintptr_t maxLength = 15, uintptr_t flags = 0, uintptr_t mask = 0, uintptr_t width = 200,
                   const char* initial = nullptr)
    {
        const AUX_Tag tags[] = {
            {WG_TAG_KIND, WG_ENTRY},
            {WG_TAG_PARENT, reinterpret_cast<uintptr_t>(&screen_)},
            {WG_TAG_X, 10},
            {WG_TAG_Y, 20},
            {WG_TAG_W, width},
            {WG_TAG_H, 6},
            {WG_CONTROL_BEHAVIOUR, WG_CB_FOCUS_ONCE},
            {WG_LABEL_FONT, reinterpret_cast<uintptr_t>(&fontPtr_)},
            {WG_LABEL_SPACING, 1},
            {WG_ENTRY_MARGIN, 0},
            {WG_ENTRY_MAXLEN, maxLength},
            {WG_ENTRY_CURSOR_COLOUR, 0xFFFFFF},
            {WG_ENTRY_BLINK_ON, 2},
            {WG_ENTRY_BLINK_OFF, 1},
            {WG_ENTRY_FLAGS, flags},
            {WG_ENTRY_MASK, mask},
            {WG_ENTRY_ON_CHANGE, reinterpret_cast<uintptr_t>(OnChange)},
            {WG_ENTRY_ON_FINISH, reinterpret_cast<uintptr_t>(OnFinish)},
            {initial != nullptr ? static_cast<uintptr_t>(WG_LABEL_TEXT) : static_cast<uintptr_t>(0xffff), reinterpret_cast<uintptr_t>(initial)},
            {0, 0},
        };
        return reinterpret_cast<WG_Entry*>(WG_Create(nullptr, tags));
    }
    static void Type(const char* text)
    {
        for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; p++) {
            PushKeyPress(*p >= 'a' && *p <= 'z' ? static_cast<SDLKey>(*p) : SDLK_WORLD_0, *p);
        }
        (void)Pump();
    }
    static void Key(SDLKey key, int times = 1)
    {
        for (int i = 0; i < times; i++) {
            PushKeyPress(key);
        }
        (void)Pump();
    }
    TestFont font_;
    TXT_Font* fontPtr_ = nullptr;
    int64_t blocks_ = 0;
    uint32_t unicode_ = 0;
    SDL_Surface* surface_ = nullptr;
    WG_Widget* screen_ = nullptr;
};

TEST_F(TextEntry, InsertAndOverwrite)
{
    WG_Entry* e = Make();
    ASSERT_NE(e, nullptr);
    EXPECT_NE(e->entryFlags & WG_EF_EDITING, 0) << "focus once starts editing when attached";
    EXPECT_EQ(WG_FocusedControl, &e->control);
    Type("abc");
    Key(SDLK_HOME);
    Type("x");
    EXPECT_STREQ(e->text, "xabc");
    EXPECT_EQ(e->length, 4);
    EXPECT_EQ(e->position, 1);
    WG_Destroy(&e->widget);

    e = Make();
    Key(SDLK_INSERT);
    EXPECT_NE(e->entryFlags & WG_EF_OVERWRITE, 0);
    Type("abc");
    Key(SDLK_HOME);
    Type("x");
    EXPECT_STREQ(e->text, "xbc");
    EXPECT_EQ(e->position, 1);
    Key(SDLK_END);
    Type("d");
    EXPECT_STREQ(e->text, "xbcd") << "overwriting at the end appends";
    Key(SDLK_LEFT, 2);
    EXPECT_EQ(e->position, 2);
    Key(SDLK_RIGHT);
    EXPECT_EQ(e->position, 3);
}

TEST_F(TextEntry, TheTextStaysWithinItsLimits)
{
    WG_Entry* e = Make(15);
    Type("abcdefghijklmno");
    ASSERT_EQ(e->length, 15);
    EXPECT_EQ(changes, 15);
    Type("p");
    EXPECT_STREQ(e->text, "abcdefghijklmno") << "the sixteenth key changes nothing";
    EXPECT_EQ(changes, 16) << "but is still reported";
    PushKeyPress(SDLK_WORLD_1, 0x80);
    (void)Pump();
    EXPECT_EQ(changes, 16) << "a character without a glyph is ignored altogether";

    Key(SDLK_DELETE);
    EXPECT_EQ(changes, 16) << "Delete at the end does nothing";
    Key(SDLK_HOME);
    Key(SDLK_BACKSPACE);
    EXPECT_EQ(changes, 16) << "Backspace at the start does nothing";
    Key(SDLK_DELETE);
    EXPECT_STREQ(e->text, "bcdefghijklmno");
    Key(SDLK_END);
    Key(SDLK_BACKSPACE);
    EXPECT_STREQ(e->text, "bcdefghijklmn");
    EXPECT_EQ(changes, 18);
    WG_Destroy(&e->widget);

    e = Make(1023);
    EXPECT_EQ(e->maxLength, 1023) << "1023 is more than the buffer allows: the default stays";
    WG_Destroy(&e->widget);
    e = Make(1022, 0, 0, 200, "start");
    EXPECT_EQ(e->maxLength, 1022);
    EXPECT_STREQ(e->text, "start");
    EXPECT_EQ(e->position, 5) << "editing starts at the end of the text";
    WG_Destroy(&e->widget);
    const std::string longer(1500, 'w');
    e = Make(0, 0, 0, 200, longer.c_str());
    EXPECT_EQ(e->maxLength, 1023) << "0, no limit, is the largest length";
    EXPECT_EQ(e->length, 1023) << "a longer initial text is cut at the buffer's end";
}

TEST_F(TextEntry, TheVisiblePartFollowsTheCursor)
{
    WG_Entry* e = Make(100, 0, 0, 40);
    Type("abcdefghijklmnopqrst");
    WG_Refresh();
    WG_Refresh();
    EXPECT_STREQ(e->display, "nopqrst") << "seven letters of 5 pixels fit into 40 - 3";
    EXPECT_STREQ(e->label.text, "nopqrst");
    Key(SDLK_LEFT, 8);
    WG_Refresh();
    EXPECT_STREQ(e->display, "fghijklm") << "moving left past the start scrolls (i is 2 wide)";
    Key(SDLK_HOME);
    WG_Refresh();
    EXPECT_STREQ(e->display, "abcdefg");
    EXPECT_EQ(e->cursor.widget.absX, 10) << "the cursor at the text's start";
}

TEST_F(TextEntry, MaskAndCursor)
{
    WG_Entry* e = Make(15, WG_EF_OVERWRITE, '*');
    Type("iii");
    Key(SDLK_HOME);
    WG_Refresh();
    WG_Refresh();
    EXPECT_STREQ(e->display, "***");
    EXPECT_STREQ(e->text, "iii");
    EXPECT_EQ(e->cursor.widget.w, 4) << "the overwrite cursor is as wide as the mask";
    EXPECT_EQ(e->cursor.widget.h, 6);
    EXPECT_EQ(PixelOf(surface_, 10, 20) & 0xFFFFFF, 0xFFFFFFu) << "the cursor is drawn";

    // Shown for two draws after a key, hidden for two.
    Key(SDLK_RIGHT);
    int shown[5];
    for (int& s : shown) {
        WG_Refresh();
        s = e->cursor.widget.w;
    }
    EXPECT_NE(shown[0], 0);
    EXPECT_NE(shown[1], 0);
    EXPECT_EQ(shown[2], 0);
    EXPECT_EQ(shown[3], 0);
    EXPECT_NE(shown[4], 0);
    EXPECT_EQ(e->cursor.widget.x, 5) << "behind the first mask character and its spacing";
    Key(SDLK_INSERT);
    Key(SDLK_HOME);
    WG_Refresh();
    EXPECT_EQ(e->cursor.widget.w, 2) << "the insert cursor is 2 wide";
}

TEST_F(TextEntry, ReturnFinishesOnRelease)
{
    WG_Entry* e = Make(15, WG_EF_FINISH_ON_RELEASE);
    Type("ab");
    PushKey(SDL_KEYDOWN, SDLK_RETURN);
    (void)Pump();
    EXPECT_EQ(finishes, 0) << "nothing on the press";
    EXPECT_NE(e->entryFlags & WG_EF_EDITING, 0);
    PushKey(SDL_KEYUP, SDLK_RETURN);
    (void)Pump();
    EXPECT_EQ(finishes, 1);
    EXPECT_EQ(WG_FocusedControl, nullptr);
    EXPECT_EQ(e->entryFlags & WG_EF_EDITING, 0) << "finishing stops editing";
    Type("c");
    EXPECT_STREQ(e->text, "ab") << "keys no longer reach it";
    WG_PressControl(&e->control);
    EXPECT_NE(e->entryFlags & WG_EF_EDITING, 0) << "pressing its control starts again";
    Key(SDLK_KP_ENTER);
    EXPECT_EQ(finishes, 2);
}

TEST_F(TextEntry, ALatin1LetterIsTypedAndDrawn)
{
    WG_Entry* e = Make();
    PushKeyPress(SDLK_WORLD_73, 0x00E9);
    (void)Pump();
    ASSERT_EQ(e->length, 1);
    EXPECT_EQ(static_cast<unsigned char>(e->text[0]), 0xE9);
    WG_Refresh();
    WG_Refresh();
    EXPECT_EQ(static_cast<unsigned char>(e->display[0]), 0xE9);
    SDL_SetClipRect(surface_, nullptr);
    EXPECT_EQ(PixelOf(surface_, 11, 21) & 0xFFFFFF, 0xFFFFFFu) << "its glyph is drawn from the font";
    EXPECT_EQ(PixelOf(surface_, 14, 21) & 0xFFFFFF, 0u) << "glyphs are 4 wide";
}

TEST_F(TextEntry, LabelsMeasureAndKeepTheirText)
{
    const AUX_Tag tags[] = {
        {WG_TAG_KIND, WG_LABEL},
        {WG_TAG_PARENT, reinterpret_cast<uintptr_t>(&screen_)},
        {WG_LABEL_TEXT, reinterpret_cast<uintptr_t>("Wii")},
        {WG_LABEL_FONT, reinterpret_cast<uintptr_t>(&fontPtr_)},
        {0, 0},
    };
    WG_Label* l = reinterpret_cast<WG_Label*>(WG_Create(nullptr, tags));
    ASSERT_NE(l, nullptr);
    WG_UpdateSize(&l->widget);
    EXPECT_EQ(l->widget.width, 6 + 1 + 2 + 1 + 2) << "the width follows the text";
    EXPECT_EQ(l->widget.height, 6);
    MEM_FailAt(1);
    EXPECT_EQ(WG_SetLabelText(l, "a longer text", 0), 0);
    MEM_FailAt(0);
    EXPECT_STREQ(l->text, "Wii") << "a failed growth keeps the old text";
    EXPECT_NE(WG_SetLabelText(l, "ab", 0), 0);
    WG_UpdateSize(&l->widget);
    EXPECT_EQ(l->widget.width, 9);
    const AUX_Tag noFont[] = {{WG_TAG_KIND, WG_LABEL}, {WG_LABEL_TEXT, reinterpret_cast<uintptr_t>("x")}, {0, 0}};
    EXPECT_EQ(WG_Create(nullptr, noFont), nullptr);
}

TEST_F(TextEntry, EveryAllocationFailureLeavesNothing)
{
    CheckEachAllocationFailure([this] {
        WG_Entry* e = Make();
        const bool editing = e != nullptr && (e->entryFlags & WG_EF_EDITING) != 0;
        if (e != nullptr && !editing) {
            for (DISP_Handler* h : e->handlers) {
                EXPECT_EQ(h, nullptr) << "an entry that could not start editing holds no handler";
            }
        }
        if (e == nullptr) {
            EXPECT_EQ(WG_FirstChild(screen_), nullptr);
            EXPECT_EQ(WG_FocusedControl, nullptr);
        }
        WG_Destroy(e != nullptr ? &e->widget : nullptr);
        EXPECT_EQ(DISP_UnicodeUsers(), unicode_);
        return editing;
    });
    PushKeyPress(SDLK_a, 'a');
    EXPECT_EQ(Pump(), 0);
    EXPECT_EQ(changes, 0) << "no handler was left registered";
    CheckEachAllocationFailure([this] {
        const AUX_Tag tags[] = {
            {WG_TAG_KIND, WG_LABEL},
            {WG_LABEL_TEXT, reinterpret_cast<uintptr_t>("abc")},
            {WG_LABEL_FONT, reinterpret_cast<uintptr_t>(&fontPtr_)},
            {0, 0},
        };
        WG_Widget* l = WG_Create(nullptr, tags);
        WG_Destroy(l);
        return l != nullptr;
    });
    // A new screen replaces the current one, so the fixture's goes first.
    WG_DestroyTree(screen_);
    CheckEachAllocationFailure([] {
        SDL_Surface* s = NewTestSurface(8, 8);
        WG_Widget* screen = NewTestScreen(&s);
        const bool ok = screen != nullptr;
        WG_Destroy(screen);
        SDL_FreeSurface(s);
        return ok;
    });
    screen_ = NewTestScreen(&surface_);
}

}  // namespace
