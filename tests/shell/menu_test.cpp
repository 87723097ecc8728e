#include "shell/menu.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/app.h"
#include "shell/audio.h"
#include "shell/settings.h"
#include "tests/shell/harness.h"
#include "tests/support/alloc_check.h"
#include "toolkit/gfx/disp.h"
#include "util/kv.h"
#include "util/mem.h"

namespace {

using Labels = std::vector<std::string>;

const char* const kBack = MENU_BACK_LABEL;

int navigationSounds = 0;
int selectionSounds = 0;

void CountSounds(AUDIO_Op op, int, int sound, int)
{
    navigationSounds += op == AUDIO_PLAY && sound == SOUND_NAVIGATION;
    selectionSounds += op == AUDIO_PLAY && sound == SOUND_SELECTION;
}

Labels LabelsOf(const MenuPage* page)
{
    Labels labels;
    for (NODE_Node* node = page->entries.first; node != nullptr; node = node->next) {
        labels.emplace_back(static_cast<NODE_Item*>(node->data)->name);
    }
    return labels;
}

std::string First(const MenuPage* page)
{
    return page->entries.first != nullptr ? static_cast<NODE_Item*>(page->entries.first->data)->name : "";
}

void PushKey(uint8_t type, SDLKey key)
{
    SDL_Event event{};
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    ASSERT_EQ(SDL_PushEvent(&event), 0);
}

// The pages' drawing is compared whole in the screenshot test; the program test drives the
// menu end to end. This covers the rest: odd settings, mode lists, failures, sounds, repeats.
class MenuTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        ASSERT_TRUE(CompleteSettings(app.config));
        saved = app;
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        app.screen = SDL_SetVideoMode(PICTURE_SIZE, PICTURE_SIZE, 32, 0);
        ASSERT_NE(app.screen, nullptr) << SDL_GetError();
        app.backBuffer = app.screen;
        app.fullscreenModes = nullptr;
        DISP_Init();
        AUDIO_SetRecorder(CountSounds);
        navigationSounds = selectionSounds = 0;
        const KV_Pair descriptor[] = {{"MENU", "20 110 215 120"}, {nullptr, nullptr}};
        app.descriptor = KV_Create("descriptor.txt", descriptor);
        app.themeNames = NODE_List{};
        for (const char* name : {"alpha", "default", "zeta"}) {
            NODE_AddItemTail(NODE_NewItem(name, 0), &app.themeNames);
        }
        menu.reopen = nullptr;
        liveBlocks = MEM_LiveBlocks();
    }
    void TearDown() override
    {
        TearDownMenu();
        EXPECT_EQ(MEM_LiveBlocks(), liveBlocks) << "the tear-down frees every entry and handler";
        menu.reopen = nullptr;
        NODE_FreeAllItems(&app.themeNames);
        KV_Dispose(app.descriptor);
        AUDIO_SetRecorder(nullptr);
        DISP_Quit();
        SDL_Quit();
        app = saved;
        ShellTest::TearDown();
    }
    void Rebuild()
    {
        TearDownMenu();
        ASSERT_TRUE(BuildMenu());
    }
    // Brings the entry to the top of the current page and chooses it, as the keys would.
    void Choose(const std::string& label)
    {
        ASSERT_NE(menu.current, nullptr);
        for (uint32_t i = 0; i < NODE_Count(&menu.current->entries) && First(menu.current) != label; i++) {
            NODE_Rotate(&menu.current->entries, 0);
        }
        ASSERT_EQ(First(menu.current), label);
        menu.action = MENU_CHOOSE;
        lastStep = MenuStep();
    }
    void Press(SDLKey key)
    {
        PushKey(SDL_KEYDOWN, key);
        MenuStep();
        PushKey(SDL_KEYUP, key);
        lastStep = MenuStep();
    }
    void UseModes(std::initializer_list<SDL_Rect> sizes)
    {
        modes.assign(sizes);
        modeList.clear();
        for (SDL_Rect& mode : modes) {
            modeList.push_back(&mode);
        }
        modeList.push_back(nullptr);
        app.fullscreenModes = modeList.data();
    }

    App saved{};
    int64_t liveBlocks = 0;
    int lastStep = 1;
    std::vector<SDL_Rect> modes;
    std::vector<SDL_Rect*> modeList;
};

TEST_F(MenuTest, PagesShowTheSettingsAsTheyAre)
{
    Set("THEME", "zeta");
    Set("MOUSE", "no");
    Set("VOLUME", "Loud");
    ASSERT_TRUE(BuildMenu());
    EXPECT_EQ(LabelsOf(&menu.controls),
              (Labels{"UP: up", "DOWN: down", "LEFT: left", "RIGHT: right", "BUTTON1: x", "BUTTON2: c",
                      "BUTTON3: space", "PAUSE: p", "QUIT: escape", "MOUSE: off", kBack}))
        << "anything but on works as off";
    EXPECT_EQ(LabelsOf(&menu.theme), (Labels{"alpha", "default", "<cycle>", "<random>", kBack}))
        << "the configured theme is not offered again";
    EXPECT_EQ(LabelsOf(&menu.options)[4], "VOLUME: Loud");
}

TEST_F(MenuTest, VideoPageLabelsComeFromTheModeList)
{
    UseModes({{0, 0, 1920, 1080}, {0, 0, 1024, 768}, {0, 0, 320, 255}, {0, 0, 255, 254}, {0, 0, 254, 600}});
    Set("VIDEO", "1024x768");
    ASSERT_TRUE(BuildMenu());
    EXPECT_EQ(LabelsOf(&menu.video), (Labels{"1920x1080 4x \x02\x02", "320x255 1x", "453x255 1x \x02\n",
                                             "WINDOW", "ZOOM 1x", "ZOOM 3x", kBack}))
        << "the configured mode and modes under 255 are left out; the reference size comes last";
    // A mode of exactly the reference size takes its three marks, and is not added again.
    UseModes({{0, 0, 1280, 720}, {0, 0, 453, 255}});
    Set("VIDEO", "800x600");
    Rebuild();
    EXPECT_EQ(LabelsOf(&menu.video),
              (Labels{"1280x720 2x \x02\x02", "453x255 1x \x02\x02\x02", "WINDOW", "ZOOM 1x", kBack}))
        << "800x600 with ZOOM 2 leaves only ZOOM 1x (765 > 600)";
    UseModes({{0, 0, 768, 1024}});
    Rebuild();
    EXPECT_EQ(LabelsOf(&menu.video)[1], "255x340 1x \x02\n") << "an upright reference size is 255 wide";
}

TEST_F(MenuTest, OddValuesStayAFailedRelabelRestartsAndAReopenedPageOpensOnce)
{
    // An unknown volume cannot be changed here; an unknown interpolation shows and works as
    // off, and is not a reason to restart.
    Set("VOLUME", "Loud");
    Set("INTERPOLATION", "maybe");
    ASSERT_TRUE(BuildMenu());
    menu.current = &menu.options;
    Choose("VOLUME: Loud");
    EXPECT_EQ(First(menu.current) + " " + Setting("VOLUME"), "VOLUME: Loud Loud");
    Choose("INTERPOLATION: off");
    EXPECT_EQ(First(menu.current) + " " + Setting("INTERPOLATION"), "INTERPOLATION: on on");
    EXPECT_EQ(app.runState, RUN_MENU);
    EXPECT_TRUE(lastStep);

    // The new entry cannot be made: the entry keeps its label and the program restarts to
    // read the settings again.
    Set("VOLUME", "medium");
    ASSERT_TRUE(RelabelEntry("VOLUME: Loud", "VOLUME: medium", &menu.options));
    MEM_FailAt(1);
    Choose("VOLUME: medium");
    MEM_FailAt(0);
    EXPECT_EQ(First(menu.current), "VOLUME: medium");
    EXPECT_EQ(app.runState, RUN_RESTART);
    EXPECT_FALSE(RelabelEntry("VOLUME: nothing", "VOLUME: low", &menu.options)) << "no such entry";

    Set("VIDEO", "1024x768");
    Set("ZOOM", "3");
    Rebuild();
    menu.current = &menu.video;
    Choose("WINDOW");
    EXPECT_EQ(app.runState, RUN_RESTART);
    EXPECT_FALSE(lastStep) << "the menu loop ends";
    EXPECT_EQ(Setting("VIDEO") + " " + Setting("ZOOM"), "window 2");
    Rebuild();
    EXPECT_EQ(menu.current, &menu.video);
    EXPECT_EQ(menu.video.parent, &menu.options);
    EXPECT_EQ(menu.options.parent, &menu.main);
    Rebuild();
    EXPECT_EQ(menu.current, &menu.main) << "reopened once only";
}

TEST_F(MenuTest, ControlsPageTakesTheNextKeyAndSwapsAKeyInUse)
{
    ASSERT_TRUE(BuildMenu());
    menu.current = &menu.controls;
    menu.controls.parent = &menu.options;
    Choose("LEFT: left");
    EXPECT_EQ(First(menu.current), "LEFT: press a key");
    // Keys without a name of their own cannot be written down: the wait goes on.
    for (SDLKey unnamed : {SDLK_UNKNOWN, static_cast<SDLKey>(5)}) {
        Press(unnamed);
        EXPECT_EQ(First(menu.current), "LEFT: press a key") << "key " << unnamed;
    }
    Press(SDLK_a);
    EXPECT_EQ(First(menu.current), "LEFT: a") << "relabelled in place, still selected";

    // The menu's own keys follow at once: 'x' given to UP moves up, and BUTTON1 takes 'up'.
    Choose("UP: up");
    Press(SDLK_x);
    EXPECT_EQ(Setting("KEY.UP") + " " + Setting("KEY.BUTTON1"), "x up") << "swapped: no two actions share a key";
    EXPECT_EQ(LabelsOf(&menu.controls)[4], "BUTTON1: up");
    Press(SDLK_x);
    EXPECT_EQ(navigationSounds, 1) << "x moves through the menu now";
    Press(SDLK_UP);
    EXPECT_EQ(menu.current, &menu.options) << "up chooses now: the back entry";

    // Leaving the page while a key is awaited frees the wait with the rest.
    menu.current = &menu.controls;
    Choose("DOWN: down");
    TearDownMenu();
    EXPECT_EQ(menu.awaiting, nullptr);
}

TEST_F(MenuTest, AHeldKeyMovesAtOnceThenEvery26StepsAndChoicesSound)
{
    ASSERT_TRUE(BuildMenu());
    PushKey(SDL_KEYDOWN, SDLK_DOWN);
    std::vector<int> movedAt;
    for (int step = 0; step < 80; step++) {
        const int before = navigationSounds;
        MenuStep();
        if (navigationSounds != before) {
            movedAt.push_back(step);
        }
    }
    EXPECT_EQ(movedAt, (std::vector<int>{0, 26, 52, 78}));
    PushKey(SDL_KEYUP, SDLK_DOWN);
    for (int step = 0; step < 60; step++) {
        MenuStep();
    }
    EXPECT_EQ(navigationSounds, 4) << "released: no more moves";
    for (SDLKey key : {SDLK_UP, SDLK_UP, SDLK_SPACE}) {
        Press(key);
    }
    EXPECT_EQ(menu.current, &menu.about) << "up twice from the first of four selects the third";
    Press(SDLK_ESCAPE);
    EXPECT_EQ(selectionSounds, 2) << "choosing and going back";
}

TEST_F(MenuTest, ABuildFailsCleanlyOnABadBoxAMissingKeyOrNoMemory)
{
    ASSERT_TRUE(KV_SetString(app.descriptor, "MENU", "1 2 3"));
    EXPECT_FALSE(BuildMenu());
    TearDownMenu();
    ASSERT_TRUE(KV_SetString(app.descriptor, "MENU", "20 110 215 120"));
    ASSERT_TRUE(KV_RemoveKey(app.config, "KEY.BUTTON2"));
    EXPECT_FALSE(BuildMenu());
    TearDownMenu();
    // A key that was registered before the failure must not answer any more.
    PushKey(SDL_KEYDOWN, SDLK_DOWN);
    DISP_PollAll();
    EXPECT_EQ(menu.action, MENU_NONE);

    Set("KEY.BUTTON2", "c");
    EXPECT_GT(CheckEachAllocationFailure([] {
                  const bool built = BuildMenu();
                  TearDownMenu();
                  return built;
              }),
              20);
    ASSERT_TRUE(BuildMenu());
    ASSERT_TRUE(BuildMenu()) << "building again replaces the pages and handlers";
    EXPECT_EQ(NODE_Count(&menu.main.entries), 4u);
    Press(SDLK_DOWN);
    EXPECT_EQ(navigationSounds, 1) << "one handler per key, not two";
}

} // namespace
