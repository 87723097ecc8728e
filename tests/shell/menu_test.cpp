#include "shell/menu.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "game/backdrop.h"
#include "game/chart.h"
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
    if (op == AUDIO_PLAY && sound == SOUND_NAVIGATION) {
        navigationSounds++;
    }
    if (op == AUDIO_PLAY && sound == SOUND_SELECTION) {
        selectionSounds++;
    }
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

std::string Setting(const char* key)
{
    const char* value = nullptr;
    return KV_GetString(app.config, key, &value) ? value : "<none>";
}

void PushKey(uint8_t type, SDLKey key)
{
    SDL_Event event{};
    event.type = type;
    event.key.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    ASSERT_EQ(SDL_PushEvent(&event), 0);
}

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
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
        app.config = KV_Create("configuration.txt", settingsDefaults);
        ASSERT_TRUE(CompleteSettings(app.config));
        const KV_Pair descriptor[] = {{"MENU", "20 110 215 120"},
                                      {"CHART", "127 100"},
                                      {"LEGAL_INFORMATION", "made for the tests"},
                                      {"BACKGROUND", "0 0 0 0 0 255"},
                                      {nullptr, nullptr}};
        app.descriptor = KV_Create("descriptor.txt", descriptor);
        ASSERT_NE(app.descriptor, nullptr);
        app.themeNames = NODE_List{};
        for (const char* name : {"alpha", "default", "zeta"}) {
            NODE_Item* item = NODE_NewItem(name, 0);
            ASSERT_NE(item, nullptr);
            NODE_AddItemTail(item, &app.themeNames);
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
        KV_Dispose(app.config);
        KV_Dispose(app.descriptor);
        AUDIO_SetRecorder(nullptr);
        DISP_Quit();
        SDL_Quit();
        app = saved;
    }
    void Set(const char* key, const char* value) { ASSERT_TRUE(KV_SetString(app.config, key, value)); }
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
    // Chooses the option entry "<label>: <value>" and checks it was relabelled in place.
    void Cycle(const char* key, const char* label, const char* next)
    {
        Choose(std::string(label) + ": " + Setting(key));
        EXPECT_EQ(First(menu.current), std::string(label) + ": " + next) << "relabelled in place, still selected";
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

    App saved{};
    int64_t liveBlocks = 0;
    int lastStep = 1;
};

TEST_F(MenuTest, PagesHoldTheirEntriesInOrder)
{
    ASSERT_TRUE(BuildMenu());
    EXPECT_EQ(app.runState, RUN_MENU);
    EXPECT_EQ(menu.current, &menu.main);
    EXPECT_EQ(RectText({static_cast<Sint16>(menu.boxX), static_cast<Sint16>(menu.boxY), static_cast<Uint16>(menu.boxW),
                        static_cast<Uint16>(menu.boxH)}),
              "20,110 215x120");
    EXPECT_EQ(LabelsOf(&menu.main), (Labels{"PLAY", "OPTIONS", "ABOUT", kBack}));
    EXPECT_EQ(LabelsOf(&menu.options), (Labels{"THEME", "VIDEO", "CONTROLS", "INTERPOLATION: on", "VOLUME: medium",
                                               "DIFFICULTY: normal", kBack}));
    EXPECT_EQ(LabelsOf(&menu.controls),
              (Labels{"UP: up", "DOWN: down", "LEFT: left", "RIGHT: right", "BUTTON1: x", "BUTTON2: c",
                      "BUTTON3: space", "PAUSE: p", "QUIT: escape", "MOUSE: on", kBack}));
    EXPECT_EQ(LabelsOf(&menu.about), (Labels{kBack}));
    EXPECT_EQ(LabelsOf(&menu.theme), (Labels{"alpha", "default", "zeta", "<random>", kBack}))
        << "THEME is <cycle>, so <cycle> is not offered";
    EXPECT_EQ(LabelsOf(&menu.video), (Labels{"255x255", "510x510", "765x765", "1020x1020", "ZOOM 1x",
                                             "ZOOM 3x", "ZOOM 4x", kBack}))
        << "no mode list: the window sizes; window mode: no WINDOW entry; no ZOOM 2x";

    Set("THEME", "zeta");
    Set("INTERPOLATION", "sometimes");
    Set("VOLUME", "Loud");
    Rebuild();
    EXPECT_EQ(LabelsOf(&menu.theme), (Labels{"alpha", "default", "<cycle>", "<random>", kBack}));
    EXPECT_EQ(LabelsOf(&menu.options)[3], "INTERPOLATION: off") << "anything but on works as off";
    EXPECT_EQ(LabelsOf(&menu.options)[4], "VOLUME: Loud");
}

TEST_F(MenuTest, VideoPageLabelsComeFromTheModeList)
{
    SDL_Rect modes[] = {{0, 0, 1920, 1080}, {0, 0, 1280, 1024}, {0, 0, 1024, 768},
                        {0, 0, 800, 600},   {0, 0, 640, 480},   {0, 0, 320, 200}};
    SDL_Rect* list[] = {&modes[0], &modes[1], &modes[2], &modes[3], &modes[4], &modes[5], nullptr};
    app.fullscreenModes = list;
    Set("VIDEO", "1024x768");
    Set("ZOOM", "2");
    ASSERT_TRUE(BuildMenu());
    EXPECT_EQ(LabelsOf(&menu.video),
              (Labels{"1920x1080 4x \x02\x02", "1280x1024 4x", "800x600 2x", "640x480 1x",
                      "453x255 1x \x02\n", "WINDOW", "ZOOM 1x", "ZOOM 3x", kBack}))
        << "the configured mode and modes under 255 are left out; the reference size comes last";

    // A mode of exactly the reference size takes its three marks, and is not added again.
    SDL_Rect wide[] = {{0, 0, 1280, 720}, {0, 0, 453, 255}, {0, 0, 640, 480}};
    SDL_Rect* wideList[] = {&wide[0], &wide[1], &wide[2], nullptr};
    app.fullscreenModes = wideList;
    Set("VIDEO", "800x600");
    Rebuild();
    EXPECT_EQ(LabelsOf(&menu.video), (Labels{"1280x720 2x \x02\x02", "453x255 1x \x02\x02\x02",
                                             "640x480 1x", "WINDOW", "ZOOM 1x", kBack}))
        << "800x600 with ZOOM 2 leaves only ZOOM 1x (765 > 600)";
}

TEST_F(MenuTest, OptionEntriesCycleAndStaySelected)
{
    ASSERT_TRUE(BuildMenu());
    Press(SDLK_DOWN); // OPTIONS
    Press(SDLK_x);
    ASSERT_EQ(menu.current, &menu.options);
    EXPECT_EQ(menu.options.parent, &menu.main);
    for (const char* volume : {"loud", "zero", "low", "medium"}) {
        Cycle("VOLUME", "VOLUME", volume);
    }
    EXPECT_EQ(LabelsOf(menu.current)[1], "DIFFICULTY: normal") << "the rest of the page keeps its order";
    for (const char* difficulty : {"hard", "inhuman", "easy", "normal"}) {
        Cycle("DIFFICULTY", "DIFFICULTY", difficulty);
    }
    Cycle("INTERPOLATION", "INTERPOLATION", "off");
    Cycle("INTERPOLATION", "INTERPOLATION", "on");
    EXPECT_EQ(NODE_Count(&menu.options.entries), 7u);
    EXPECT_TRUE(lastStep);

    // Values outside the cycles: an unknown volume cannot be changed here; an unknown
    // interpolation shows and works as off, and is not a reason to restart.
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
    const int before = navigationSounds;
    Press(SDLK_x);
    EXPECT_EQ(navigationSounds, before + 1) << "x moves through the menu now";
    EXPECT_EQ(First(menu.current), kBack);
    Press(SDLK_UP);
    EXPECT_EQ(menu.current, &menu.options) << "up chooses now: the back entry";

    menu.current = &menu.controls;
    Cycle("MOUSE", "MOUSE", "off");
    Cycle("MOUSE", "MOUSE", "on");

    // Leaving the page while a key is awaited frees the wait with the rest.
    Choose("DOWN: down");
    TearDownMenu();
    EXPECT_EQ(menu.awaiting, nullptr);
}

TEST_F(MenuTest, ChoosingLoudVolumeSilencesEveryChannelAtOnce)
{
    AUDIO_SetRecorder(nullptr);
    if (Mix_OpenAudio(22050, AUDIO_S16MSB, 1, 1024) != 0) {
        GTEST_SKIP() << "no audio device: " << Mix_GetError();
    }
    Mix_AllocateChannels(8);
    Set("VOLUME", "loud");
    ASSERT_TRUE(ApplyVolume("loud"));
    ASSERT_TRUE(BuildMenu());
    menu.current = &menu.options;
    Cycle("VOLUME", "VOLUME", "zero");
    for (int channel = 0; channel < 8; channel++) {
        EXPECT_EQ(Mix_Volume(channel, -1), 0) << "channel " << channel;
    }
    Mix_CloseAudio();
}

TEST_F(MenuTest, ThemeChoiceReloadsAndReopensTheThemePage)
{
    Set("THEME", "alpha");
    ASSERT_TRUE(BuildMenu());
    menu.current = &menu.theme;
    Choose("zeta");
    EXPECT_EQ(app.runState, RUN_RELOAD_THEME);
    EXPECT_FALSE(lastStep) << "the menu loop ends";
    EXPECT_EQ(Setting("THEME"), "zeta");

    Rebuild();
    EXPECT_EQ(menu.current, &menu.theme);
    EXPECT_EQ(menu.theme.parent, &menu.options);
    EXPECT_EQ(menu.options.parent, &menu.main);
    EXPECT_EQ(First(&menu.options), "THEME");
    EXPECT_EQ(First(&menu.main), "OPTIONS");
    EXPECT_EQ(LabelsOf(&menu.theme), (Labels{"alpha", "default", "<cycle>", "<random>", kBack}))
        << "the new theme is missing, the previous one is back";
    EXPECT_EQ(menu.reopen, nullptr);

    Rebuild();
    EXPECT_EQ(menu.current, &menu.main) << "reopened once only";
}

TEST_F(MenuTest, VideoChoicesRestartAndReopenTheVideoPage)
{
    SDL_Rect modes[] = {{0, 0, 1024, 768}, {0, 0, 800, 600}};
    SDL_Rect* list[] = {&modes[0], &modes[1], nullptr};
    app.fullscreenModes = list;
    struct Case {
        const char* video;
        const char* zoom;
        const char* label;
        const char* wantVideo;
        const char* wantZoom;
    };
    const Case cases[] = {
        {"window", "2", "ZOOM 3x", "window", "3"},
        {"window", "3", "800x600 2x \x02\x02", "800x600", "2"},
        {"800x600", "2", "1024x768 3x \x02\x02", "1024x768", "3"},
        {"1024x768", "3", "WINDOW", "window", "2"},
    };
    for (const Case& c : cases) {
        Set("VIDEO", c.video);
        Set("ZOOM", c.zoom);
        Rebuild();
        menu.current = &menu.video;
        Choose(c.label);
        EXPECT_EQ(app.runState, RUN_RESTART) << c.label;
        EXPECT_EQ(Setting("VIDEO"), c.wantVideo) << c.label;
        EXPECT_EQ(Setting("ZOOM"), c.wantZoom) << c.label;
        Rebuild();
        EXPECT_EQ(menu.current, &menu.video) << c.label;
        EXPECT_EQ(First(&menu.options), "VIDEO");
    }
}

TEST_F(MenuTest, AFailedRelabelRestartsTheProgram)
{
    ASSERT_TRUE(BuildMenu());
    menu.current = &menu.options;
    // The option's new entry cannot be made: the entry keeps its label and the program
    // restarts to read the settings again.
    for (uint32_t i = 0; i < 6 && First(menu.current) != "VOLUME: medium"; i++) {
        NODE_Rotate(&menu.current->entries, 0);
    }
    MEM_FailAt(1);
    menu.action = MENU_CHOOSE;
    MenuStep();
    MEM_FailAt(0);
    EXPECT_EQ(First(menu.current), "VOLUME: medium");
    EXPECT_EQ(app.runState, RUN_RESTART);
    EXPECT_FALSE(RelabelEntry("VOLUME: nothing", "VOLUME: low", &menu.options)) << "no such entry";
}

TEST_F(MenuTest, KeysMoveChooseAndGoBack)
{
    ASSERT_TRUE(BuildMenu());
    // Four entries: down three times and up once selects the third.
    Press(SDLK_DOWN);
    Press(SDLK_DOWN);
    Press(SDLK_DOWN);
    Press(SDLK_UP);
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
}

TEST_F(MenuTest, TheBackEntriesAndPlay)
{
    ASSERT_TRUE(BuildMenu());
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

TEST_F(MenuTest, BuildFailsOnABadBoxOrAMissingKey)
{
    ASSERT_TRUE(KV_SetString(app.descriptor, "MENU", "1 2 3"));
    EXPECT_FALSE(BuildMenu());
    TearDownMenu();
    ASSERT_TRUE(KV_SetString(app.descriptor, "MENU", "20 110 215 120"));
    ASSERT_TRUE(KV_RemoveKey(app.config, "KEY.BUTTON2"));
    liveBlocks = MEM_LiveBlocks();
    EXPECT_FALSE(BuildMenu());
    TearDownMenu();
    EXPECT_EQ(MEM_LiveBlocks(), liveBlocks);
    // A key that was registered before the failure must not answer any more.
    PushKey(SDL_KEYDOWN, SDLK_DOWN);
    DISP_PollAll();
    EXPECT_EQ(menu.action, MENU_NONE);

    ASSERT_TRUE(KV_SetString(app.config, "KEY.BUTTON2", "c"));
    liveBlocks = MEM_LiveBlocks();
    ASSERT_TRUE(BuildMenu());
    ASSERT_TRUE(BuildMenu()) << "building again replaces the pages and handlers";
    EXPECT_EQ(NODE_Count(&menu.main.entries), 4u);
    EXPECT_EQ(NODE_Count(&menu.options.entries), 7u);
    Press(SDLK_DOWN);
    EXPECT_EQ(navigationSounds, 1) << "one handler per key, not two";
}

TEST_F(MenuTest, EveryAllocationFailureFailsTheBuildCleanly)
{
    const int points = CheckEachAllocationFailure([] {
        const bool built = BuildMenu();
        TearDownMenu();
        return built;
    });
    EXPECT_GT(points, 20);
}

TEST_F(MenuTest, AboutLinesNameTheTheme)
{
    const char* lines[32];
    const int count = AboutLines(lines, 32);
    ASSERT_GE(count, 12);
    EXPECT_STREQ(lines[1], "");
    EXPECT_STREQ(lines[2], "uses (see the documentation):");
    bool themed = false;
    for (int i = 0; i < count; i++) {
        themed = themed || strcmp(lines[i], "theme made for the tests") == 0;
        EXPECT_EQ(strstr(lines[i], "www."), nullptr) << "no invented address";
        EXPECT_EQ(strchr(lines[i], '@'), nullptr) << "no invented address";
    }
    EXPECT_TRUE(themed);
    EXPECT_EQ(AboutLines(lines, 3), 3);
}

// A font whose glyphs are solid blocks 5 pixels high: digits 3 wide, the space 2, every
// other character 4, in the colour given; written as a BMP of boxes and loaded as the
// theme's fonts are.
TXT_Font* BlockFont(uint32_t colour)
{
    std::string set;
    for (int c = 0x20; c < 0x7F; c++) {
        set += static_cast<char>(c);
    }
    set += MENU_BACK_LABEL;
    auto widthOf = [](char c) { return c == ' ' ? 2 : (c >= '0' && c <= '9') ? 3 : 4; };
    int total = 0;
    for (char c : set) {
        total += widthOf(c) + 3; // the box and a one-pixel gap
    }
    SDL_Surface* sheet = NewSurface32(total, 7, 0x808081);
    if (sheet == nullptr) {
        return nullptr;
    }
    int x = 0;
    for (char c : set) {
        FillBox(sheet, x, 0, widthOf(c) + 2, 7, 0xFF00FF);
        FillBox(sheet, x + 1, 1, widthOf(c), 5, c == ' ' ? 0x808081 : colour);
        x += widthOf(c) + 3;
    }
    const std::string path = "/tmp/zaf_menu_font_" + std::to_string(getpid()) + ".bmp";
    const int saved = SDL_SaveBMP(sheet, path.c_str());
    SDL_FreeSurface(sheet);
    if (saved != 0) {
        return nullptr;
    }
    TXT_Font* font = TXT_LoadFont(path.c_str(), nullptr, -1, 0x808081, app.backBuffer->format, 0, set.c_str());
    remove(path.c_str());
    return font;
}

constexpr uint32_t GREEN = 0x00FF00, YELLOW = 0xFFFF00;

class MenuDrawing : public MenuTest {
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        app.fontMenu = BlockFont(GREEN);
        app.fontLabels = BlockFont(YELLOW);
        app.fontChart = BlockFont(0xFFFFFF);
        app.fontOutline = BlockFont(0xFF0000);
        ASSERT_TRUE(app.fontMenu && app.fontLabels && app.fontChart && app.fontOutline);
        ASSERT_TRUE(LoadChart());
        liveBlocks = MEM_LiveBlocks();
    }
    void TearDown() override
    {
        TXT_Font* fonts[] = {app.fontMenu, app.fontLabels, app.fontChart, app.fontOutline};
        MenuTest::TearDown();
        for (TXT_Font* font : fonts) {
            TXT_FreeFont(font);
        }
    }
    // Leftmost (or rightmost) column of row y holding the colour; -1 when there is none.
    int Leftmost(int y, uint32_t colour, bool fromRight = false) const
    {
        for (int i = 0; i < PICTURE_SIZE; i++) {
            const int x = fromRight ? PICTURE_SIZE - 1 - i : i;
            if (PixelAt(app.backBuffer, x, y) == colour) {
                return x;
            }
        }
        return -1;
    }
};

TEST_F(MenuDrawing, TheSelectedEntryBlinksAtTheTopOfTheBoxAndAWideOneIsSqueezed)
{
    ASSERT_TRUE(BuildMenu());
    // Box at (20, 110): entries from (29, 119), 8 rows apart (font height 5 + 3).
    frameCounter = 41; // 41 mod 30 = 11: shown
    MenuDraw();
    EXPECT_EQ(Leftmost(121, GREEN), 29) << "PLAY shown";
    EXPECT_EQ(Leftmost(129, GREEN), 29) << "OPTIONS";
    frameCounter = 40; // 10: hidden
    MenuDraw();
    EXPECT_EQ(Leftmost(121, GREEN), -1) << "PLAY blinked out";
    EXPECT_EQ(Leftmost(129, GREEN), 29) << "the others do not blink";

    const std::string wide(60, 'W'); // 60 * 5 - 1 = 299 pixels at spacing 1
    ASSERT_TRUE(RelabelEntry("PLAY", wide.c_str(), &menu.main));
    frameCounter = 15;
    MenuDraw();
    EXPECT_EQ(Leftmost(121, GREEN), 29);
    const int right = Leftmost(121, GREEN, true);
    EXPECT_LE(right, 29 + 197 - 1) << "inside box width - 18";
    EXPECT_GE(right, 29 + 197 - 5) << "spread over the whole width";
}

TEST_F(MenuDrawing, EntriesStopAboveTheBoxBottom)
{
    ASSERT_TRUE(KV_SetString(app.descriptor, "MENU", "20 110 215 40"));
    ASSERT_TRUE(BuildMenu());
    frameCounter = 15;
    MenuDraw();
    // Rows at 9, 17 and 25 end above 40 - 8; the fourth (33) does not.
    EXPECT_EQ(Leftmost(110 + 25 + 2, GREEN), 29);
    EXPECT_EQ(Leftmost(110 + 33 + 2, GREEN), -1);

    ASSERT_TRUE(KV_SetString(app.descriptor, "MENU", "20 110 215 21"));
    Rebuild();
    MenuDraw();
    EXPECT_EQ(Leftmost(110 + 9 + 2, GREEN), -1) << "5 + 9 is not below 21 - 8: nothing fits";
}

TEST_F(MenuDrawing, TheAboutPageShowsTextInsteadOfTheBox)
{
    ASSERT_TRUE(BuildMenu());
    menu.current = &menu.about;
    frameCounter = 15;
    MenuDraw();
    EXPECT_EQ(Leftmost(11, YELLOW), 8) << "version title at x 8, y 0 + 9 without a logo";
    for (int y = 110; y < 230; y++) {
        ASSERT_EQ(Leftmost(y, GREEN), -1) << "no menu entries on the about page, row " << y;
    }
    // The credit lines start two line steps (5 + 3) below the title.
    EXPECT_EQ(Leftmost(9 + 16 + 2, 0xFFFFFF), 8);
}

// The whole program, headless, driven by scripted keys with the menu's default bindings
// (up, down, x to choose, escape to go back).
class MenuRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = HarnessNewProgDir();
        ASSERT_FALSE(dir.empty());
        ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
        menu.reopen = nullptr;
    }
    void TearDown() override
    {
        HarnessRemoveDir(dir);
        menu.reopen = nullptr;
    }
    // Presses the keys in order, 200 ms apart, from 1 s on, then runs the program.
    int Run(std::initializer_list<SDLKey> keys)
    {
        std::vector<HarnessEvent> script;
        uint32_t at = 1000;
        for (SDLKey key : keys) {
            const auto press = HarnessKey(at += 200, key);
            script.insert(script.end(), press.begin(), press.end());
        }
        return HarnessRun(dir, script, at + 60000);
    }
    std::string SettingOf(const char* key)
    {
        const std::string text = std::string("\n").append(HarnessReadFile(dir, "configuration.txt"));
        const size_t at = text.find(std::string("\n") + key + " ");
        if (at == std::string::npos) {
            return "<none>";
        }
        const size_t eq = text.find("= ", at);
        return text.substr(eq + 2, text.find('\n', eq) - eq - 2);
    }

    std::string dir;
};

TEST_F(MenuRun, OptionsReachTheFileAtExit)
{
    // OPTIONS; VOLUME (four down) medium -> loud; DIFFICULTY normal -> hard; back up to
    // INTERPOLATION on -> off; CONTROLS (one up), LEFT (two down) gets 'a', MOUSE (up twice
    // round to the end, less back) off; back to the main page; quit.
    EXPECT_EQ(Run({SDLK_DOWN, SDLK_x, SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_x, SDLK_DOWN, SDLK_x,
                   SDLK_UP, SDLK_UP, SDLK_x, SDLK_UP, SDLK_x, SDLK_DOWN, SDLK_DOWN, SDLK_x, SDLK_a, SDLK_UP,
                   SDLK_UP, SDLK_UP, SDLK_UP, SDLK_x, SDLK_ESCAPE, SDLK_ESCAPE, SDLK_ESCAPE}),
              0);
    EXPECT_EQ(SettingOf("VOLUME"), "loud");
    EXPECT_EQ(SettingOf("DIFFICULTY"), "hard");
    EXPECT_EQ(SettingOf("INTERPOLATION"), "off");
    EXPECT_EQ(SettingOf("KEY.LEFT"), "a");
    EXPECT_EQ(SettingOf("MOUSE"), "off");
    EXPECT_EQ(app.runState, RUN_QUIT);
}

TEST_F(MenuRun, ChoosingAThemeReloadsAndShowsTheThemePageAgain)
{
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "alpha"));
    // Theme page (THEME <cycle>): alpha, default, <random>, back. Choosing alpha reloads;
    // the page shown again lacks alpha, so choosing its first entry now picks default.
    EXPECT_EQ(Run({SDLK_DOWN, SDLK_x, SDLK_x, SDLK_x, SDLK_x, SDLK_ESCAPE, SDLK_ESCAPE, SDLK_ESCAPE}), 0);
    EXPECT_EQ(SettingOf("THEME"), "default");
    EXPECT_EQ(app.runState, RUN_QUIT);
}

TEST_F(MenuRun, ChoosingAVideoEntryRestartsAndShowsTheVideoPageAgain)
{
    // Video page in a window at zoom 2: the zoom entries come last, before back. Up twice
    // picks ZOOM 4x; after the restart the page offers ZOOM 1x, 2x, 3x and up twice picks 3x.
    EXPECT_EQ(Run({SDLK_DOWN, SDLK_x, SDLK_DOWN, SDLK_x, SDLK_UP, SDLK_UP, SDLK_x, SDLK_UP, SDLK_UP, SDLK_x,
                   SDLK_ESCAPE, SDLK_ESCAPE, SDLK_ESCAPE}),
              0);
    EXPECT_EQ(SettingOf("VIDEO"), "window");
    EXPECT_EQ(SettingOf("ZOOM"), "3");
    EXPECT_EQ(app.runState, RUN_QUIT);
}

TEST_F(MenuRun, TheChartFileSurvivesARunByteForByte)
{
    // Rows 123456789 alice, 70000 bob, 4096 fifteen-chars-x, 255 and an empty name, 1 z,
    // then five empty rows of 0 points, scrambled by hand.
    const uint8_t stored[CHART_FILE_SIZE] = {
        0xF2, 0xEE, 0x9F, 0x4F, 0x4A, 0xA1, 0x12, 0x40, 0xA3, 0xA0, 0x5E, 0x1B, 0xD7, 0x92, 0x4C, 0x05,
        0xBD, 0x74, 0x2A, 0xDF, 0x93, 0x47, 0xE8, 0xE9, 0x3B, 0x49, 0x85, 0xB6, 0x62, 0x0D, 0xB7, 0x60,
        0x08, 0xAF, 0x55, 0xFA, 0x9E, 0x41, 0xE3, 0x84, 0x24, 0xC3, 0x71, 0xEE, 0xEC, 0xEE, 0x1C, 0x0D,
        0x00, 0x32, 0x24, 0x68, 0x9D, 0x86, 0x89, 0xAA, 0xC9, 0x9B, 0x21, 0x4E, 0xDA, 0x65, 0xEF, 0x87,
        0xEF, 0x76, 0xFC, 0x81, 0x05, 0x88, 0x0A, 0x8B, 0x0B, 0x8A, 0x08, 0x85, 0x01, 0x7C, 0xF6, 0x6F,
        0xE7, 0x5E, 0xD4, 0x48, 0xC4, 0xC7, 0x39, 0xAA, 0x1A, 0x89, 0xF7, 0x64, 0xD0, 0x3B, 0xA5, 0x0E,
        0x76, 0xDD, 0x43, 0xA8, 0x0C, 0x6F, 0xD1, 0x32, 0x92, 0xF1, 0x4F, 0xAC, 0x08, 0x63, 0xBD, 0x16,
        0x6E, 0xC5, 0x1B, 0x70, 0xC4, 0x17, 0x69, 0xBA, 0x0A, 0x59, 0xA7, 0xF4, 0x40, 0x8B, 0xD5, 0x1E,
        0x66, 0xAD, 0xF3, 0x38, 0x7C, 0xBF, 0x01, 0x42, 0x82, 0xC1, 0xFF, 0x3C, 0x78, 0xB3, 0xED, 0x26,
        0x5E, 0x95, 0xCB, 0x00, 0x34, 0x67, 0x99, 0xCA, 0xFA, 0x29, 0x57, 0x84, 0xB0, 0xDB, 0x05, 0x2E,
        0x56, 0x7D, 0xA3, 0xC8, 0xEC, 0x0F, 0x31, 0x52, 0x72, 0x91, 0xAF, 0xCC, 0xE8, 0x03, 0x1D, 0x36,
        0x4E, 0x65, 0x7B, 0x90, 0xA4, 0xB7, 0xC9, 0xDA, 0xEA, 0xF9, 0x07, 0x14, 0x20, 0x2B, 0x35, 0x3E,
        0x46, 0x4D, 0x53, 0x58, 0x5C, 0x5F, 0x61, 0x62,
    };
    const std::string bytes(reinterpret_cast<const char*>(stored), sizeof stored);
    ASSERT_TRUE(HarnessWriteFile(dir, "chart.raw", bytes));
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "alpha"));
    // Through a theme reload too: the chart is loaded and saved on every pass.
    EXPECT_EQ(Run({SDLK_DOWN, SDLK_x, SDLK_x, SDLK_x, SDLK_ESCAPE, SDLK_ESCAPE, SDLK_ESCAPE}), 0);
    EXPECT_EQ(chart[0].points, 123456789u) << "the rows were read";
    EXPECT_STREQ(chart[2].name, "fifteen-chars-x");
    EXPECT_EQ(HarnessReadFile(dir, "chart.raw"), bytes);
}

TEST_F(MenuRun, UnusableChartFilesAreReplacedByTheDefaultChart)
{
    std::string truncated(199, '\x5A');
    std::string longer(201, '\x5A');
    srand(3);
    std::string noise(CHART_FILE_SIZE, '\0');
    for (char& c : noise) {
        c = static_cast<char>(rand());
    }
    for (const std::string* file : {&truncated, &longer, &noise}) {
        ASSERT_TRUE(HarnessWriteFile(dir, "chart.raw", *file));
        EXPECT_EQ(Run({SDLK_ESCAPE}), 0);
        const std::string saved = HarnessReadFile(dir, "chart.raw");
        ASSERT_EQ(saved.size(), static_cast<size_t>(CHART_FILE_SIZE)) << "a whole chart is written back";
        ASSERT_TRUE(ChartFromBytes(reinterpret_cast<const uint8_t*>(saved.data()), saved.size()));
        for (int i = 0; i < CHART_ROWS; i++) {
            EXPECT_LE(strlen(chart[i].name), 15u);
            if (file != &noise) {
                EXPECT_EQ(chart[i].points, 5000u - 500u * i) << "the default chart, row " << i + 1;
                EXPECT_STREQ(chart[i].name, "plume");
            }
        }
    }
}

SDL_Rect** TwoModes(SDL_PixelFormat*, uint32_t)
{
    static SDL_Rect modes[] = {{0, 0, 1024, 768}, {0, 0, 800, 600}};
    static SDL_Rect* list[] = {&modes[0], &modes[1], nullptr};
    return list;
}

TEST_F(MenuRun, TheVideoPageOffersTheDisplaysModes)
{
    // In a window the page lists "1024x768 3x" and "800x600 2x" (both of the largest mode's
    // proportions) first. Choosing the first switches to full screen at 1024x768; the page
    // shown again leaves that mode out, so its first entry is now 800x600.
    VIDEO_SetBackends(nullptr, TwoModes);
    const int status = Run({SDLK_DOWN, SDLK_x, SDLK_DOWN, SDLK_x, SDLK_x, SDLK_x, SDLK_ESCAPE, SDLK_ESCAPE,
                            SDLK_ESCAPE});
    VIDEO_SetBackends(nullptr, nullptr);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(SettingOf("VIDEO"), "800x600");
    EXPECT_EQ(SettingOf("ZOOM"), "2");
}

} // namespace
