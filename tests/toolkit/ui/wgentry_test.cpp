#include <string>

#include "tests/toolkit/ui/wg_fixture.h"

namespace {

int changes = 0;
int finishes = 0;

class TextEntry : public WidgetTest {
protected:
    WG_Entry* Entry(uintptr_t maxLength = 15, uintptr_t flags = 0, uintptr_t mask = 0, uintptr_t width = 200,
                    const char* initial = "")
    {
        changes = finishes = 0;
        return Make<WG_Entry>(
            WG_ENTRY, {{WG_TAG_X, 10}, {WG_TAG_Y, 20}, {WG_TAG_W, width}, {WG_TAG_H, 6},
                       {WG_CONTROL_BEHAVIOUR, WG_CB_FOCUS_ONCE}, {WG_LABEL_FONT, P(&fontPtr_)}, {WG_LABEL_SPACING, 1},
                       {WG_ENTRY_MARGIN, 0}, {WG_ENTRY_MAXLEN, maxLength}, {WG_ENTRY_CURSOR_COLOUR, 0xFFFFFF},
                       {WG_ENTRY_BLINK_ON, 2}, {WG_ENTRY_BLINK_OFF, 1}, {WG_ENTRY_FLAGS, flags}, {WG_ENTRY_MASK, mask},
                       {WG_ENTRY_ON_CHANGE, P(+[](WG_Entry*) { changes++; })},
                       {WG_ENTRY_ON_FINISH, P(+[](WG_Entry*) { finishes++; })}, {WG_LABEL_TEXT, P(initial)}});
    }
    // Presses `key` `times` times, then types `text`, then draws twice.
    static void Type(const char* text, SDLKey key = SDLK_UNKNOWN, int times = 1)
    {
        for (int i = 0; i < times; i++) {
            PushKeyPress(key);
        }
        for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; p++) {
            PushKeyPress(*p >= 'a' && *p <= 'z' ? SDLKey(*p) : SDLK_WORLD_0, *p);
        }
        WG_Refresh();
        WG_Refresh();
    }
};

TEST_F(TextEntry, KeysEditTheTextWithinItsLimit)
{
    WG_Entry* e = Entry();
    EXPECT_EQ(WG_FocusedControl, &e->control) << "focus once starts editing when attached";
    const struct {
        SDLKey key;
        int times;
        const char* typed;
        const char* text;
        int position, changes;
    } steps[] = {
        {SDLK_UNKNOWN, 0, "abc", "abc", 3, 3},       {SDLK_HOME, 1, "x", "xabc", 1, 4},
        {SDLK_END, 1, "", "xabc", 4, 4},             {SDLK_LEFT, 2, "", "xabc", 2, 4},
        {SDLK_BACKSPACE, 1, "", "xbc", 1, 5},        {SDLK_DELETE, 1, "", "xc", 1, 6},
        {SDLK_RIGHT, 2, "", "xc", 2, 6},             {SDLK_DELETE, 1, "", "xc", 2, 6},
        {SDLK_HOME, 1, "", "xc", 0, 6},              {SDLK_BACKSPACE, 1, "", "xc", 0, 6},
        {SDLK_LEFT, 1, "", "xc", 0, 6},              {SDLK_INSERT, 1, "yzw", "yzw", 3, 9},
        {SDLK_INSERT, 1, "\x80", "yzw", 3, 9},
    };
    for (const auto& s : steps) {
        Type(s.typed, s.key, s.times);
        EXPECT_STREQ(e->text, s.text) << "after " << s.typed;
        EXPECT_EQ(e->length, int(std::string(s.text).size())) << s.text;
        EXPECT_EQ(e->position, s.position) << s.text;
        EXPECT_EQ(changes, s.changes) << s.text << "; keys without a glyph are ignored altogether";
    }
    WG_Destroy(&e->widget);
    const std::string longer(1500, 'w');
    e = Entry(0, 0, 0, 200, longer.c_str());
    EXPECT_EQ(e->maxLength, 1023) << "0 means the largest";
    EXPECT_TRUE(e->length == 1023 && e->position == 1023)
        << "a longer text is cut at the buffer's end; editing starts at the end of the text";
}

// The chart's name entry finishes on the release, which then reaches no other screen.
TEST_F(TextEntry, ReturnFinishesOnRelease)
{
    Entry(15, WG_EF_FINISH_ON_RELEASE);
    PushKey(SDL_KEYDOWN, SDLK_RETURN);
    Pump();
    EXPECT_EQ(finishes, 0) << "nothing on the press";
    PushKey(SDL_KEYUP, SDLK_RETURN);
    Pump();
    EXPECT_TRUE(finishes == 1 && WG_FocusedControl == nullptr) << "the release finishes and lets go";
}

TEST_F(TextEntry, TheVisiblePartAndTheCursorFollowTheEditing)
{
    WG_Entry* e = Entry(100, 0, 0, 40);
    const struct {
        SDLKey key;
        int times;
        const char* typed;
        const char* shown;
        const char* what;
    } views[] = {{SDLK_UNKNOWN, 0, "abcdefghijklmnopqrst", "nopqrst", "seven letters of 5 pixels fit into 40 - 3"},
                 {SDLK_LEFT, 8, "", "fghijklm", "moving left past the start scrolls (i is 2 wide)"}};
    for (const auto& v : views) {
        Type(v.typed, v.key, v.times);
        EXPECT_STREQ(e->label.text, v.shown) << v.what;
    }
    WG_Destroy(&e->widget);

    e = Entry(15, WG_EF_OVERWRITE, '*');
    Type("iii");
    Type("", SDLK_HOME);
    EXPECT_STREQ(e->display, "***");
    EXPECT_STREQ(e->text, "iii");
    EXPECT_EQ(e->cursor.widget.w, 4) << "the overwrite cursor is as wide as the mask";
    PushKeyPress(SDLK_RIGHT);
    std::string shown;
    for (int i = 0; i < 5; i++) {
        WG_Refresh();
        shown += char('0' + e->cursor.widget.w);
    }
    EXPECT_EQ(shown, "44004") << "shown for two draws after a key, hidden for two";
    EXPECT_EQ(e->cursor.widget.x, 5) << "behind the first mask character and its spacing";
    Type("", SDLK_INSERT);
    EXPECT_EQ(e->cursor.widget.w, 2) << "the insert cursor is 2 wide";
}

TEST_F(TextEntry, LabelsMeasureAndKeepTheirText)
{
    auto* l = Make<WG_Label>(WG_LABEL, {{WG_LABEL_TEXT, P("Wii")}, {WG_LABEL_FONT, P(&fontPtr_)}});
    ASSERT_NE(l, nullptr);
    WG_UpdateSize(&l->widget);
    EXPECT_EQ(l->widget.width, 6 + 1 + 2 + 1 + 2) << "the width follows the text";
    EXPECT_EQ(l->widget.height, 6);
    MEM_FailAt(1);
    EXPECT_EQ(WG_SetLabelText(l, "a longer text", 0), 0);
    MEM_FailAt(0);
    EXPECT_STREQ(l->text, "Wii") << "a failed growth keeps the old text";
    EXPECT_EQ(MakeIn(nullptr, WG_LABEL, {{WG_LABEL_TEXT, P("x")}}), nullptr) << "a label needs a font";
    CheckEachAllocationFailure([this] {
        return Destroyed(MakeIn(nullptr, WG_LABEL, {{WG_LABEL_TEXT, P("abc")}, {WG_LABEL_FONT, P(&fontPtr_)}}));
    });
}

TEST_F(TextEntry, EveryAllocationFailureLeavesNothing)
{
    CheckEachAllocationFailure([this] {
        WG_Entry* e = Entry();
        const bool editing = e != nullptr && (e->entryFlags & WG_EF_EDITING) != 0;
        for (int i = 0; e != nullptr && !editing && i < WG_ENTRY_SLOTS; i++) {
            EXPECT_EQ(e->handlers[i], nullptr) << "an entry that could not start editing holds no handler";
        }
        EXPECT_TRUE(e != nullptr || WG_FirstChild(screen_) == nullptr) << "a failed entry is not attached";
        (void)Destroyed(e);
        EXPECT_EQ(DISP_UnicodeUsers(), unicode_) << "nor holds Unicode";
        return editing;
    });
    Type("a");
    EXPECT_EQ(changes, 0) << "no handler was left registered";
}

}  // namespace
