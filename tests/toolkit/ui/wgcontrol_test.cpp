#include <gtest/gtest.h>

#include <vector>

#include "tests/support/alloc_check.h"
#include "tests/toolkit/ui/wg_fixture.h"
#include "toolkit/gfx/disp.h"
#include "toolkit/ui/wgcontrol.h"
#include "util/mem.h"

namespace {

std::vector<const char*> calls;

void OnPress(WG_Control*) { calls.push_back("press"); }
void OnRelease(WG_Control*) { calls.push_back("release"); }
void OnEnter(WG_Control*) { calls.push_back("enter"); }
void OnLeave(WG_Control*) { calls.push_back("leave"); }
void OnFocus(WG_Control*) { calls.push_back("focus"); }
void OnBlur(WG_Control*) { calls.push_back("blur"); }
void OnEnable(WG_Control*) { calls.push_back("enable"); }
void OnDisable(WG_Control*) { calls.push_back("disable"); }

// Each user event dispatched brings the next while `userEventsLeft` lasts.
int userEventsLeft = 0;
int userEvents = 0;
int ChainUserEvent(SDL_Event* event, uintptr_t)
{
    userEvents++;
    if (userEventsLeft-- > 0) {
        SDL_PushEvent(event);
    }
    return 1;
}

int quitsDispatched = 0;
int CountQuit(SDL_Event*, uintptr_t)
{
    quitsDispatched++;
    return 1;
}

size_t Count(const char* what)
{
    size_t n = 0;
    for (const char* c : calls) {
        n += c == what ? 1 : 0;
    }
    return n;
}

class Controls : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(StartTestVideo());
        DISP_Init();
        blocks_ = MEM_LiveBlocks();
        surface_ = NewTestSurface(255, 255);
        screen_ = NewTestScreen(&surface_);
        ASSERT_NE(screen_, nullptr);
        for (WG_Widget*& face : faces_) {
            const AUX_Tag tags[] = {{WG_TAG_KIND, WG_GROUP}, {0, 0}};
            face = WG_Create(nullptr, tags);
        }
        calls.clear();
        MoveMouse(250, 250);
    }
    void TearDown() override
    {
        WG_DestroyTree(screen_);
        for (int i = next_; i < 16; i++) {
            WG_DestroyTree(faces_[i]);
        }
        EXPECT_EQ(WG_FocusedControl, nullptr);
        EXPECT_EQ(WG_PressedControl, nullptr);
        EXPECT_EQ(WG_HoveredControl, nullptr);
        EXPECT_EQ(WG_LiveControls()->first, nullptr);
        SDL_FreeSurface(surface_);
        EXPECT_EQ(MEM_LiveBlocks(), blocks_);
        DISP_Quit();
        StopTestVideo();
    }
    // A 20 x 20 control at (x, y) with faces 0 to `faces` - 1.
    WG_Control* Make(int x, int y, uint32_t behaviour, int faces, unsigned char hot = 0)
    {
        std::vector<AUX_Tag> tags = {
            {WG_TAG_KIND, WG_CONTROL},
            {WG_TAG_PARENT, reinterpret_cast<uintptr_t>(&screen_)},
            {WG_TAG_X, static_cast<uintptr_t>(x)},
            {WG_TAG_Y, static_cast<uintptr_t>(y)},
            {WG_TAG_W, 20},
            {WG_TAG_H, 20},
            {WG_CONTROL_BEHAVIOUR, behaviour | (faces > 0 ? WG_CB_OWN_FACES : 0u)},
            {WG_CONTROL_HOTKEY, hot},
            {WG_CONTROL_ON_PRESS, reinterpret_cast<uintptr_t>(OnPress)},
            {WG_CONTROL_ON_RELEASE, reinterpret_cast<uintptr_t>(OnRelease)},
            {WG_CONTROL_ON_ENTER, reinterpret_cast<uintptr_t>(OnEnter)},
            {WG_CONTROL_ON_LEAVE, reinterpret_cast<uintptr_t>(OnLeave)},
            {WG_CONTROL_ON_FOCUS, reinterpret_cast<uintptr_t>(OnFocus)},
            {WG_CONTROL_ON_BLUR, reinterpret_cast<uintptr_t>(OnBlur)},
            {WG_CONTROL_ON_ENABLE, reinterpret_cast<uintptr_t>(OnEnable)},
            {WG_CONTROL_ON_DISABLE, reinterpret_cast<uintptr_t>(OnDisable)},
        };
        for (int i = 0; i < faces; i++) {
            tags.push_back({static_cast<uintptr_t>(WG_CONTROL_FACE0 + i), reinterpret_cast<uintptr_t>(&faces_[next_])});
            next_++;
        }
        tags.push_back({0, 0});
        return reinterpret_cast<WG_Control*>(WG_Create(nullptr, tags.data()));
    }
    void Click(int x, int y, uint8_t button = SDL_BUTTON_LEFT)
    {
        MoveMouse(x, y);
        PushMouseButton(SDL_MOUSEBUTTONDOWN, button, x, y);
        PushMouseButton(SDL_MOUSEBUTTONUP, button, x, y);
        (void)Pump();
    }
    int64_t blocks_ = 0;
    SDL_Surface* surface_ = nullptr;
    WG_Widget* screen_ = nullptr;
    WG_Widget* faces_[16] = {};
    int next_ = 0;
};

TEST_F(Controls, APushButtonFollowsThePointerWhileHeld)
{
    WG_Control* c = Make(50, 50, 0, 4);
    ASSERT_NE(c, nullptr);
    WG_Widget* const* f = faces_;
    EXPECT_EQ(WG_FirstChild(&c->widget), f[0]);
    MoveMouse(60, 60);
    EXPECT_EQ(WG_HoveredControl, c);
    EXPECT_EQ(WG_FirstChild(&c->widget), f[2]) << "pointer over it";
    PushMouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 60, 60);
    (void)Pump();
    EXPECT_EQ(WG_FirstChild(&c->widget), f[3]) << "held";
    EXPECT_EQ(WG_FocusedControl, c) << "a press takes the focus";
    MoveMouse(5, 5);
    EXPECT_EQ(WG_FirstChild(&c->widget), f[0]) << "held, pointer gone";
    MoveMouse(61, 61);
    EXPECT_EQ(WG_FirstChild(&c->widget), f[3]) << "held, pointer back";
    PushMouseButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 61, 61);
    (void)Pump();
    EXPECT_EQ(WG_FirstChild(&c->widget), f[2]) << "released over it";
    EXPECT_EQ(c->state & WG_CS_SELECTED, 0);
    EXPECT_EQ(Count("press"), 1u);
    EXPECT_EQ(Count("release"), 1u);

    PushMouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 61, 61);
    (void)Pump();
    MoveMouse(5, 5);
    PushMouseButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 5, 5);
    (void)Pump();
    EXPECT_EQ(Count("press"), 2u);
    EXPECT_EQ(Count("release"), 1u) << "a release away from it calls nothing";
    EXPECT_EQ(c->state & WG_CS_SELECTED, 0);
    EXPECT_EQ(WG_PressedControl, nullptr);
}

TEST_F(Controls, TogglesAndRadioGroups)
{
    WG_Control* t = Make(10, 10, WG_CB_TOGGLE, 0);
    Click(15, 15);
    EXPECT_EQ(WG_HoveredControl, t);
    EXPECT_NE(t->state & WG_CS_SELECTED, 0) << "a toggle stays selected";
    Click(15, 15);
    EXPECT_EQ(t->state & WG_CS_SELECTED, 0) << "and a second click unselects it";

    WG_Control* r1 = Make(100, 10, WG_CB_RADIO, 0);
    WG_Control* r2 = Make(130, 10, WG_CB_RADIO, 0);
    WG_JoinGroup(r2, r1);
    WG_SelectControl(r1);
    calls.clear();
    Click(135, 15);
    EXPECT_NE(r2->state & WG_CS_SELECTED, 0);
    EXPECT_EQ(r1->state & WG_CS_SELECTED, 0) << "the group's other member is unselected";
    EXPECT_EQ(Count("press"), 1u);
    calls.clear();
    Click(135, 15);
    EXPECT_NE(r2->state & WG_CS_SELECTED, 0) << "clicking the selected one does nothing";
    EXPECT_EQ(Count("press"), 0u) << "and calls nothing";
    WG_LeaveGroup(r2);
    EXPECT_EQ(r1->group.ring.next, nullptr) << "a group of one is no group";
}

TEST_F(Controls, TheTopmostControlIsHovered)
{
    WG_Control* below = Make(40, 40, 0, 0);
    WG_Control* above = Make(45, 45, 0, 0);
    MoveMouse(50, 50);
    EXPECT_EQ(WG_HoveredControl, above) << "the one drawn later wins";
    MoveMouse(42, 42);
    EXPECT_EQ(WG_HoveredControl, below);
    EXPECT_EQ(Count("leave"), 1u);
    MoveMouse(200, 200);
    EXPECT_EQ(WG_HoveredControl, nullptr);
}

TEST_F(Controls, FaceDefaultsAndHiding)
{
    WG_Control* c = Make(40, 40, 0, 1);
    for (WG_Widget* face : c->faces) {
        EXPECT_EQ(face, faces_[0]) << "every face defaults to face 0";
    }
    WG_SetFocus(c);
    EXPECT_EQ(WG_FocusedControl, c);
    WG_Detach(&c->widget);
    EXPECT_EQ(WG_FirstChild(&c->widget), faces_[0]) << "hidden shows face 8, which is face 0";
    EXPECT_NE(c->state & WG_CS_HIDDEN, 0);
    EXPECT_EQ(WG_FocusedControl, nullptr) << "hiding the focused control leaves none focused";
    EXPECT_EQ(Count("blur"), 1u);
    WG_SetFocus(c);
    EXPECT_EQ(WG_FocusedControl, nullptr) << "a hidden control takes no focus";
    WG_AddChild(&c->widget, screen_);
    EXPECT_EQ(c->state & (WG_CS_HIDDEN | WG_CS_DISABLED), 0) << "shown again";

    calls.clear();
    WG_DisableControl(c);
    WG_DisableControl(c);
    WG_EnableControl(c);
    EXPECT_NE(c->state & WG_CS_DISABLED, 0) << "two disables need two enables";
    WG_EnableControl(c);
    EXPECT_EQ(c->state & WG_CS_DISABLED, 0);
    EXPECT_EQ(Count("disable"), 1u);
    EXPECT_EQ(Count("enable"), 1u);
    WG_SetFace(c, 99, faces_[next_++]);
    EXPECT_EQ(c->faces[8], faces_[1]) << "the index is clamped to 8";
}

TEST_F(Controls, HotKeysBelongToOneControl)
{
    WG_Control* a = Make(10, 10, 0, 0, 'q');
    WG_Control* b = Make(40, 10, 0, 0);
    ASSERT_NE(a->hotKeyHandler, nullptr);
    EXPECT_EQ(WG_SetHotKey(b, 'Q'), 0) << "q is taken";
    EXPECT_EQ(b->hotKeyHandler, nullptr);
    EXPECT_NE(WG_SetHotKey(b, 0), 0) << "no character is no failure";
    calls.clear();
    PushKey(SDL_KEYDOWN, SDLK_q);
    (void)Pump();
    EXPECT_EQ(WG_PressedControl, a);
    EXPECT_NE(a->state & WG_CS_SELECTED, 0);
    PushKey(SDL_KEYUP, SDLK_q);
    (void)Pump();
    EXPECT_EQ(a->state & WG_CS_SELECTED, 0);
    EXPECT_EQ(Count("press"), 1u);
    EXPECT_EQ(Count("release"), 1u);

    WG_DisableControl(a);
    EXPECT_EQ(a->hotKeyHandler, nullptr) << "a disabled control gives its key up";
    EXPECT_NE(WG_SetHotKey(b, 'q'), 0) << "so another may take it";
    WG_EnableControl(a);
    EXPECT_EQ(a->hotKeyHandler, nullptr) << "and the first cannot have it back";
    WG_Destroy(&b->widget);
    EXPECT_NE(WG_SetHotKey(a, 'q'), 0) << "a destroyed control releases its key";
}

TEST_F(Controls, ThePumpStopsAtTheStopType)
{
    DISP_Handler* h = DISP_AddHandler(SDL_QUIT, CountQuit, 0);
    ASSERT_NE(h, nullptr);
    quitsDispatched = 0;
    WG_Control* a = Make(10, 10, 0, 0, 'x');
    PushQuit();
    PushKey(SDL_KEYDOWN, SDLK_x);
    EXPECT_EQ(WG_HandleEvents(1, SDL_QUIT), -1);
    EXPECT_EQ(quitsDispatched, 0) << "the stop event is taken but not dispatched";
    EXPECT_EQ(WG_PressedControl, nullptr) << "the events behind it wait";
    EXPECT_EQ(WG_HandleEvents(1, SDL_QUIT), 0);
    EXPECT_EQ(WG_PressedControl, a);
    PushQuit();
    EXPECT_EQ(WG_HandleEvents(2, SDL_USEREVENT), 0);
    EXPECT_EQ(quitsDispatched, 1) << "other types are dispatched with either flag";
    WG_ReleaseControl(a);
    DISP_RemoveHandler(h);

    // A stream arriving as fast as it is taken: one call takes the limit, the rest wait.
    DISP_Handler* chain = DISP_AddHandler(SDL_USEREVENT, ChainUserEvent, 0);
    ASSERT_NE(chain, nullptr);
    userEventsLeft = 299;
    userEvents = 0;
    SDL_Event user{};
    user.type = SDL_USEREVENT;
    SDL_PushEvent(&user);
    EXPECT_EQ(WG_HandleEvents(1, SDL_QUIT), 0);
    EXPECT_EQ(userEvents, static_cast<int>(DISP_POLL_LIMIT));
    EXPECT_EQ(WG_HandleEvents(1, SDL_QUIT), 0);
    EXPECT_EQ(WG_HandleEvents(1, SDL_QUIT), 0);
    EXPECT_EQ(userEvents, 300) << "none lost";
    DISP_RemoveHandler(chain);
}

TEST_F(Controls, AFailedHotKeyLeavesNothingBehind)
{
    CheckEachAllocationFailure([this] {
        WG_Control* c = Make(10, 10, 0, 0, 'k');
        const bool ok = c != nullptr && c->hotKeyHandler != nullptr;
        WG_Destroy(c != nullptr ? &c->widget : nullptr);
        return ok;
    });
    WG_Control* c = Make(10, 10, 0, 0, 'k');
    EXPECT_NE(c->hotKeyHandler, nullptr) << "every failure gave the key back";
}

}  // namespace
