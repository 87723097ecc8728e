#include "shell/menu.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/backdrop.h"
#include "shell/app.h"
#include "shell/audio.h"
#include "shell/settings.h"
#include "shell/theme.h"
#include "shell/video.h"
#include "tests/shell/harness.h"
#include "tests/support/alloc_check.h"
#include "tests/support/surface_util.h"
#include "toolkit/gfx/clock.h"
#include "toolkit/gfx/disp.h"
#include "toolkit/gfx/font.h"
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
        app.backBufferX = 0;
        app.centreX = 127;
        app.present = nullptr;
        app.fullscreenModes = nullptr;
        DISP_Init();
        AUDIO_SetRecorder(CountSounds);
        navigationSounds = selectionSounds = 0;
        const KV_Pair descriptor[] = {{"MENU", "20 110 215 120"},
                                      {"LEGAL_INFORMATION", "made for the tests"},
                                      {"BACKGROUND", "0 0 0 0 0 255"},
                                      {nullptr, nullptr}};
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
        TXT_FreeFont(app.fontMenu);
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
    void Descriptor(const char* menuBox) { ASSERT_TRUE(KV_SetString(app.descriptor, "MENU", menuBox)); }
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
    // Chooses the option entry "<label>: <value>" and checks it was relabelled in place.
    void Cycle(const char* key, const char* next)
    {
        const std::string label = std::string(key).substr(std::string(key).find('.') + 1);
        Choose(label + ": " + Setting(key));
        EXPECT_EQ(First(menu.current), label + ": " + next) << "relabelled in place, still selected";
        EXPECT_EQ(Setting(key), next);
        EXPECT_EQ(app.runState, RUN_MENU);
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
    // Leftmost (or rightmost) white column of row y; -1 when there is none.
    int Leftmost(int y, bool fromRight = false) const
    {
        for (int i = 0; i < PICTURE_SIZE; i++) {
            const int x = fromRight ? PICTURE_SIZE - 1 - i : i;
            if ((PixelAt(app.backBuffer, x, y) & 0xFFFFFF) == 0xFFFFFF) {
                return x;
            }
        }
        return -1;
    }

    App saved{};
    int64_t liveBlocks = 0;
    int lastStep = 1;
    std::vector<SDL_Rect> modes;
    std::vector<SDL_Rect*> modeList;
};

// The main, options, theme and video pages built from the default settings are in the
// screenshots.
TEST_F(MenuTest, PagesHoldTheirEntriesInOrder)
{
    ASSERT_TRUE(BuildMenu());
    EXPECT_EQ(app.runState, RUN_MENU);
    EXPECT_EQ(menu.current, &menu.main);
    EXPECT_EQ(LabelsOf(&menu.controls),
              (Labels{"UP: up", "DOWN: down", "LEFT: left", "RIGHT: right", "BUTTON1: x", "BUTTON2: c",
                      "BUTTON3: space", "PAUSE: p", "QUIT: escape", "MOUSE: on", kBack}));
    EXPECT_EQ(LabelsOf(&menu.about), (Labels{kBack}));
    EXPECT_EQ(LabelsOf(&menu.theme), (Labels{"alpha", "default", "zeta", "<random>", kBack}))
        << "THEME is <cycle>, so <cycle> is not offered";

    Set("THEME", "zeta");
    Set("INTERPOLATION", "sometimes");
    Set("MOUSE", "no");
    Set("VOLUME", "Loud");
    Rebuild();
    EXPECT_EQ(LabelsOf(&menu.theme), (Labels{"alpha", "default", "<cycle>", "<random>", kBack}));
    EXPECT_EQ(LabelsOf(&menu.options)[3], "INTERPOLATION: off") << "anything but on works as off";
    EXPECT_EQ(LabelsOf(&menu.options)[4], "VOLUME: Loud");
    EXPECT_EQ(LabelsOf(&menu.controls)[9], "MOUSE: off");
}

TEST_F(MenuTest, VideoPageLabelsComeFromTheModeList)
{
    UseModes({{0, 0, 1920, 1080}, {0, 0, 1280, 1024}, {0, 0, 1024, 768}, {0, 0, 453, 300},
              {0, 0, 800, 600}, {0, 0, 640, 480}, {0, 0, 320, 255}, {0, 0, 255, 254}, {0, 0, 254, 600}});
    Set("VIDEO", "1024x768");
    ASSERT_TRUE(BuildMenu());
    EXPECT_EQ(LabelsOf(&menu.video),
              (Labels{"1920x1080 4x \x02\x02", "1280x1024 4x", "453x300 1x", "800x600 2x", "640x480 1x",
                      "320x255 1x", "453x255 1x \x02\n", "WINDOW", "ZOOM 1x", "ZOOM 3x", kBack}))
        << "the configured mode and modes under 255 are left out; the reference size comes last";

    // A mode of exactly the reference size takes its three marks, and is not added again.
    UseModes({{0, 0, 1280, 720}, {0, 0, 453, 255}, {0, 0, 640, 480}});
    Set("VIDEO", "800x600");
    Rebuild();
    EXPECT_EQ(LabelsOf(&menu.video), (Labels{"1280x720 2x \x02\x02", "453x255 1x \x02\x02\x02",
                                             "640x480 1x", "WINDOW", "ZOOM 1x", kBack}))
        << "800x600 with ZOOM 2 leaves only ZOOM 1x (765 > 600)";
    // Upright modes; the configured reference size is not offered again.
    UseModes({{0, 0, 768, 1024}, {0, 0, 600, 800}});
    Set("VIDEO", "255x340");
    Rebuild();
    EXPECT_EQ(LabelsOf(&menu.video), (Labels{"768x1024 3x \x02\x02", "600x800 2x \x02\x02", "WINDOW", "ZOOM 1x", kBack}));
    Set("VIDEO", "800x600");
    Rebuild();
    EXPECT_EQ(LabelsOf(&menu.video), (Labels{"768x1024 3x \x02\x02", "600x800 2x \x02\x02", "255x340 1x \x02\n",
                                             "WINDOW", "ZOOM 1x", kBack}))
        << "an upright reference size is 255 wide";
}

TEST_F(MenuTest, VideoAndThemeChoicesEndTheLoopAndReopenTheirPageOnce)
{
    UseModes({{0, 0, 1024, 768}, {0, 0, 800, 600}});
    const struct {
        const char *video, *zoom, *label, *wantVideo, *wantZoom;
    } cases[] = {
        {"window", "2", "ZOOM 3x", "window", "3"},
        {"window", "3", "800x600 2x \x02\x02", "800x600", "2"},
        {"800x600", "2", "1024x768 3x \x02\x02", "1024x768", "3"},
        {"1024x768", "3", "WINDOW", "window", "2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Set("VIDEO", c.video);
        Set("ZOOM", c.zoom);
        Rebuild();
        menu.current = &menu.video;
        Choose(c.label);
        EXPECT_EQ(app.runState, RUN_RESTART);
        EXPECT_FALSE(lastStep) << "the menu loop ends";
        EXPECT_EQ(Setting("VIDEO"), c.wantVideo);
        EXPECT_EQ(Setting("ZOOM"), c.wantZoom);
        Rebuild();
        EXPECT_EQ(menu.current, &menu.video);
        EXPECT_EQ(First(&menu.options), "VIDEO");
    }

    Set("THEME", "alpha");
    Rebuild();
    menu.current = &menu.theme;
    Choose("zeta");
    EXPECT_EQ(app.runState, RUN_RELOAD_THEME);
    EXPECT_FALSE(lastStep) << "the menu loop ends";
    EXPECT_EQ(Setting("THEME"), "zeta");
    Rebuild();
    EXPECT_EQ(menu.current, &menu.theme);
    EXPECT_EQ(menu.theme.parent, &menu.options);
    EXPECT_EQ(menu.options.parent, &menu.main);
    EXPECT_EQ(First(&menu.main), "OPTIONS");
    EXPECT_EQ(First(&menu.options), "THEME");
    Rebuild();
    EXPECT_EQ(menu.current, &menu.main) << "reopened once only";
}

TEST_F(MenuTest, OptionEntriesCycleAndStaySelected)
{
    ASSERT_TRUE(BuildMenu());
    menu.current = &menu.options;
    Cycle("VOLUME", "loud");
    Cycle("DIFFICULTY", "hard");
    Cycle("INTERPOLATION", "off");
    Cycle("INTERPOLATION", "on");
    EXPECT_EQ(NODE_Count(&menu.options.entries), 7u);
    EXPECT_TRUE(lastStep);

    // An unknown volume cannot be changed here; an unknown interpolation shows and works as
    // off, and is not a reason to restart.
    Set("VOLUME", "Loud");
    Set("INTERPOLATION", "maybe");
    Rebuild();
    menu.current = &menu.options;
    Choose("VOLUME: Loud");
    EXPECT_EQ(First(menu.current), "VOLUME: Loud");
    EXPECT_EQ(Setting("VOLUME"), "Loud");
    Choose("INTERPOLATION: off");
    EXPECT_EQ(First(menu.current), "INTERPOLATION: on");
    EXPECT_EQ(Setting("INTERPOLATION"), "on");
    EXPECT_EQ(app.runState, RUN_MENU);

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
    EXPECT_EQ(Setting("KEY.LEFT"), "left");
    Press(SDLK_a);
    EXPECT_EQ(First(menu.current), "LEFT: a") << "relabelled in place, still selected";
    EXPECT_EQ(Setting("KEY.LEFT"), "a");

    // The menu's own keys follow at once: 'x' given to UP moves up, and BUTTON1 takes 'up'.
    Choose("UP: up");
    Press(SDLK_x);
    EXPECT_EQ(Setting("KEY.UP"), "x");
    EXPECT_EQ(Setting("KEY.BUTTON1"), "up") << "swapped, so no two actions share a key";
    EXPECT_EQ(LabelsOf(&menu.controls)[0], "UP: x");
    EXPECT_EQ(LabelsOf(&menu.controls)[4], "BUTTON1: up");
    Press(SDLK_x);
    EXPECT_EQ(navigationSounds, 1) << "x moves through the menu now";
    EXPECT_EQ(First(menu.current), kBack);
    Press(SDLK_UP);
    EXPECT_EQ(menu.current, &menu.options) << "up chooses now: the back entry";

    menu.current = &menu.controls;
    Cycle("MOUSE", "off");
    Cycle("MOUSE", "on");
    // Leaving the page while a key is awaited frees the wait with the rest.
    Choose("DOWN: down");
    TearDownMenu();
    EXPECT_EQ(menu.awaiting, nullptr);
}

TEST_F(MenuTest, KeysMoveChooseAndGoBack)
{
    ASSERT_TRUE(BuildMenu());
    // Four entries: down three times and up once selects the third.
    for (SDLKey key : {SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_UP}) {
        Press(key);
    }
    EXPECT_EQ(LabelsOf(&menu.main), (Labels{"ABOUT", kBack, "PLAY", "OPTIONS"}));
    EXPECT_EQ(navigationSounds, 4);
    Press(SDLK_SPACE);
    EXPECT_EQ(menu.current, &menu.about);
    EXPECT_EQ(selectionSounds, 1);
    Press(SDLK_ESCAPE);
    EXPECT_EQ(menu.current, &menu.main) << "the quit key goes back one page";
    EXPECT_EQ(app.runState, RUN_MENU);
    EXPECT_EQ(selectionSounds, 2);
    Press(SDLK_ESCAPE);
    EXPECT_EQ(app.runState, RUN_QUIT) << "the quit key on the main page ends the program";
    EXPECT_FALSE(lastStep);

    app.runState = RUN_MENU;
    menu.current = &menu.options;
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 0);
    EXPECT_FALSE(MenuStep());
    EXPECT_EQ(app.runState, RUN_QUIT) << "closing the window ends the program from any page";

    Rebuild();
    Choose("OPTIONS");
    Choose("THEME");
    EXPECT_EQ(menu.current, &menu.theme);
    Choose(kBack);
    EXPECT_EQ(menu.current, &menu.options);
    Choose(kBack);
    EXPECT_EQ(menu.current, &menu.main);
    Choose("PLAY");
    EXPECT_EQ(app.runState, RUN_PLAY);
    EXPECT_FALSE(lastStep);
    app.runState = RUN_MENU;
    Choose(kBack);
    EXPECT_EQ(app.runState, RUN_QUIT) << "the main page's back entry quits";
}

TEST_F(MenuTest, AHeldKeyMovesAtOnceThenEvery26Steps)
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
    EXPECT_EQ(First(&menu.main), "PLAY") << "four moves round a page of four";
}

TEST_F(MenuTest, ABuildFailsCleanlyOnABadBoxAMissingKeyOrNoMemory)
{
    Descriptor("1 2 3");
    EXPECT_FALSE(BuildMenu());
    TearDownMenu();
    Descriptor("20 110 215 120");
    ASSERT_TRUE(KV_RemoveKey(app.config, "KEY.BUTTON2"));
    liveBlocks = MEM_LiveBlocks();
    EXPECT_FALSE(BuildMenu());
    TearDownMenu();
    EXPECT_EQ(MEM_LiveBlocks(), liveBlocks);
    // A key that was registered before the failure must not answer any more.
    PushKey(SDL_KEYDOWN, SDLK_DOWN);
    DISP_PollAll();
    EXPECT_EQ(menu.action, MENU_NONE);

    Set("KEY.BUTTON2", "c");
    liveBlocks = MEM_LiveBlocks();
    EXPECT_GT(CheckEachAllocationFailure([] {
                  const bool built = BuildMenu();
                  TearDownMenu();
                  return built;
              }),
              20);
    ASSERT_TRUE(BuildMenu());
    ASSERT_TRUE(BuildMenu()) << "building again replaces the pages and handlers";
    EXPECT_EQ(NODE_Count(&menu.main.entries), 4u);
    EXPECT_EQ(NODE_Count(&menu.options.entries), 7u);
    Press(SDLK_DOWN);
    EXPECT_EQ(navigationSounds, 1) << "one handler per key, not two";
}

// The pages themselves are compared whole in the screenshot test; this covers what one
// frame of it cannot show: the blinking, a label too wide for the box, a box too low.
TEST_F(MenuTest, TheSelectedEntryBlinksAWideOneIsSqueezedAndRowsStopAboveTheBoxEnd)
{
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "tiny"));
    app.fontMenu = TXT_LoadFont((dir + "themes/tiny/font.c.bmp").c_str(), nullptr, -1, -1, app.screen->format, 0,
                                TXT_ThemeCharSet.data());
    ASSERT_NE(app.fontMenu, nullptr);
    liveBlocks = MEM_LiveBlocks();
    ASSERT_TRUE(BuildMenu());
    // Box at (20, 110): white entries from (29, 119), 9 rows apart (font height 6 + 3).
    const struct {
        uint32_t frame;
        bool shown;
    } frames[] = {{11, true}, {29, true}, {41, true}, {10, false}, {30, false}, {40, false}};
    for (const auto& f : frames) {
        frameCounter = f.frame;
        MenuDraw();
        EXPECT_EQ(Leftmost(121), f.shown ? 29 : -1) << "PLAY at frame " << f.frame;
        EXPECT_EQ(Leftmost(130), 29) << "the others do not blink, frame " << f.frame;
    }

    const std::string wide(60, 'W'); // 60 * 5 - 1 = 299 pixels at spacing 1
    ASSERT_TRUE(RelabelEntry("PLAY", wide.c_str(), &menu.main));
    frameCounter = 15;
    MenuDraw();
    EXPECT_EQ(Leftmost(121), 29);
    const int right = Leftmost(121, true);
    EXPECT_LE(right, 29 + 197 - 1) << "inside box width - 18";
    EXPECT_GE(right, 29 + 197 - 5) << "spread over the whole width";

    // Rows at 9, 18 and 27 end above 44 - 8; the fourth (36) does not.
    Descriptor("20 110 215 44");
    Rebuild();
    MenuDraw();
    EXPECT_EQ(Leftmost(110 + 27 + 2), 29);
    EXPECT_EQ(Leftmost(110 + 36 + 2), -1);
    Descriptor("20 110 215 23");
    Rebuild();
    MenuDraw();
    EXPECT_EQ(Leftmost(110 + 9 + 2), -1) << "6 + 9 is not below 23 - 8: nothing fits";
}

} // namespace
