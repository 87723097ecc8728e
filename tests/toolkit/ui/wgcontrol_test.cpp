#include <functional>
#include <string>
#include <vector>

#include "tests/toolkit/ui/wg_fixture.h"
#include "toolkit/ui/wgcontrol.h"

namespace {

// Each callback leaves its letter: Press, Release, Enter, Leave, Focus, Blur, + enable, - disable.
std::string calls;
int userEvents = 0;

template <char C>
void Note(WG_Control*)
{
    calls += C;
}

class Controls : public WidgetTest {
protected:
    // A 20 x 20 control at (x, y) owning a face (a group) for each index in `faces`.
    WG_Control* Control(int x, int y, uint32_t behaviour, std::vector<int> faces = {}, unsigned char hot = 0)
    {
        std::vector<AUX_Tag> tags = {
            {WG_TAG_X, uintptr_t(x)}, {WG_TAG_Y, uintptr_t(y)}, {WG_TAG_W, 20}, {WG_TAG_H, 20},
            {WG_CONTROL_BEHAVIOUR, behaviour | (faces.empty() ? 0u : WG_CB_OWN_FACES)}, {WG_CONTROL_HOTKEY, hot},
            {WG_CONTROL_ON_PRESS, P(&Note<'P'>)}, {WG_CONTROL_ON_RELEASE, P(&Note<'R'>)},
            {WG_CONTROL_ON_ENTER, P(&Note<'E'>)}, {WG_CONTROL_ON_LEAVE, P(&Note<'L'>)},
            {WG_CONTROL_ON_FOCUS, P(&Note<'F'>)}, {WG_CONTROL_ON_BLUR, P(&Note<'B'>)},
            {WG_CONTROL_ON_ENABLE, P(&Note<'+'>)}, {WG_CONTROL_ON_DISABLE, P(&Note<'-'>)},
            {WG_CONTROL_FACE8, 0}};  // an empty face address is passed over
        for (int i : faces) {
            face_[i] = MakeIn(nullptr, WG_GROUP, {{WG_TAG_W, uintptr_t(i)}});
            tags.push_back({WG_CONTROL_FACE0 + uintptr_t(i), P(&face_[i])});
        }
        calls.clear();
        return reinterpret_cast<WG_Control*>(Create(screen_, WG_CONTROL, tags.data(), tags.size()));
    }
    // The faces shown for each state, as the widths (indices) of the face widgets.
    static std::string Faces(const WG_Control* c)
    {
        std::string s;
        for (const WG_Widget* f : c->faces) {
            s += char('0' + f->w);
        }
        return s;
    }
    static bool Selected(const WG_Control* c) { return (c->state & WG_CS_SELECTED) != 0; }
    WG_Widget* face_[9] = {};
};

TEST_F(Controls, EachStateShowsItsFaceAndTellsTheCaller)
{
    WG_Control* c = Control(50, 50, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8});
    const struct {
        std::function<void()> act;
        int face;
        const char* calls;
        const char* what;
    } steps[] = {
        {[] {}, 0, "", "at rest"},
        {[] { MoveMouse(60, 60); }, 2, "E", "pointer over it"},
        {[] { PushMouseButton(SDL_MOUSEBUTTONDOWN, 60, 60); }, 3, "FP", "held; a press takes the focus"},
        {[] { MoveMouse(5, 5); }, 0, "L", "held, pointer gone"},
        {[] { MoveMouse(61, 61); }, 3, "E", "held, pointer back"},
        {[] { PushMouseButton(SDL_MOUSEBUTTONUP, 61, 61); }, 2, "R", "released over it"},
        {[c] { WG_SelectControl(c); }, 3, "", "selected under the pointer"},
        {[] { MoveMouse(5, 5); }, 1, "L", "selected"},
        {[c] { WG_DisableControl(c); }, 5, "-", "disabled and selected"},
        {[c] { WG_UnselectControl(c); }, 4, "", "disabled"},
        {[] { MoveMouse(60, 60); }, 6, "E", "disabled under the pointer"},
        {[c] { WG_SelectControl(c); }, 7, "", "disabled, selected, under the pointer"},
        {[c] { WG_DisableControl(c), WG_EnableControl(c); }, 7, "", "two disables need two enables"},
        {[c] { WG_EnableControl(c); }, 3, "+", "enabled again"},
        {[c] { WG_Detach(&c->widget); }, 8, "-LB", "hidden; it loses the pointer and the focus"},
        {[c] { WG_SetFocus(c); }, 8, "", "a hidden control takes no focus"},
        {[this, c] { WG_AddChild(&c->widget, screen_); }, 1, "+", "shown again with its selection"},
    };
    for (const auto& s : steps) {
        s.act();
        EXPECT_EQ(WG_FirstChild(&c->widget), c->faces[s.face]) << s.what;
        EXPECT_EQ(calls, s.calls) << s.what;
        calls.clear();
    }
    WG_PressControl(c);
    WG_Detach(&c->widget);
    EXPECT_EQ(WG_PressedControl, nullptr) << "a control hidden while held is let go";
    WG_Destroy(&c->widget);
    c = Control(10, 10, 0, {0, 4, 6});
    EXPECT_EQ(Faces(c), "000044664") << "missing faces default to their nearest kin";
}

TEST_F(Controls, TogglesAndTheEdgesOfAControl)
{
    WG_Control* t = Control(10, 10, WG_CB_TOGGLE);
    Drag(15, 15, 15, 15);
    EXPECT_TRUE(Selected(t)) << "a toggle stays selected";
    Drag(15, 15, 15, 15);
    EXPECT_FALSE(Selected(t)) << "and a second click unselects it";
    MoveMouse(29, 29);
    EXPECT_EQ(WG_HoveredControl, t) << "the last pixel inside";
    MoveMouse(30, 30);
    EXPECT_EQ(WG_HoveredControl, nullptr) << "right and bottom edges are outside";
    WG_SetFocus(nullptr);
}

TEST_F(Controls, HotKeysBelongToOneControl)
{
    WG_Control* a = Control(10, 10, 0, {}, 'q');
    WG_Control* b = Control(40, 10, 0);
    EXPECT_EQ(WG_SetHotKey(b, 'Q'), 0) << "q is taken";
    EXPECT_NE(WG_SetHotKey(b, 0), 0) << "no character is no failure";
    PushKeyPress(SDLK_q);
    EXPECT_EQ(calls, "FPR") << "its key presses and releases it";
    WG_Destroy(&a->widget);
    WG_Destroy(&b->widget);
    CheckEachAllocationFailure([this] {
        WG_Control* c = Control(10, 10, 0, {}, 'k');
        const bool bound = c != nullptr && c->hotKeyHandler != nullptr;
        return Destroyed(c) && bound;
    });
    EXPECT_NE(Control(10, 10, 0, {}, 'k')->hotKeyHandler, nullptr) << "every failure gave the key back";
    WG_SetFocus(nullptr);
}

TEST_F(Controls, ThePumpStopsAtTheStopTypeAndTakesALimitedBatch)
{
    DISP_Handler* quits = DISP_AddHandler(SDL_QUIT, [](SDL_Event*, uintptr_t) { return calls += 'Q', 1; }, 0);
    WG_Control* a = Control(10, 10, 0, {}, 'x');
    SDL_Event event{};
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
    PushKey(SDL_KEYDOWN, SDLK_x);
    EXPECT_EQ(WG_HandleEvents(1, SDL_QUIT), -1);
    EXPECT_EQ(calls, "") << "the stop event is taken but not dispatched, the events behind it wait";
    EXPECT_EQ(WG_HandleEvents(1, SDL_QUIT), 0);
    EXPECT_EQ(calls, "FP");
    SDL_PushEvent(&event);
    EXPECT_EQ(WG_HandleEvents(2, SDL_USEREVENT), 0);
    EXPECT_EQ(calls, "FPQ") << "other types are dispatched with either flag";
    WG_ReleaseControl(a);
    WG_SetFocus(nullptr);
    DISP_RemoveHandler(quits);

    // Each user event brings the next, as a stream arriving as fast as it is taken.
    DISP_Handler* chain = DISP_AddHandler(SDL_USEREVENT, [](SDL_Event* e, uintptr_t) {
        return ++userEvents < 300 ? SDL_PushEvent(e), 1 : 1;
    }, 0);
    event.type = SDL_USEREVENT;
    SDL_PushEvent(&event);
    EXPECT_EQ(WG_HandleEvents(1, SDL_QUIT), 0);
    EXPECT_EQ(userEvents, int(DISP_POLL_LIMIT)) << "one call takes the limit, the rest wait";
    Pump();
    Pump();
    EXPECT_EQ(userEvents, 300) << "none lost";
    DISP_RemoveHandler(chain);
}

}  // namespace
