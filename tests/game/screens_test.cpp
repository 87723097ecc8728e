#include "game/screens.h"

#include <string>
#include <vector>

#include "game/backdrop.h"
#include "game/chart.h"
#include "game/chartentry.h"
#include "game/extras.h"
#include "tests/game/game_fixture.h"
#include "toolkit/gfx/disp.h"
#include "toolkit/gfx/font.h"
#include "toolkit/ui/wgentry.h"
#include "tests/support/alloc_check.h"
#include "util/mem.h"

namespace {

constexpr uint32_t kText = 0xFF0000;
constexpr uint32_t kOutline = 0x0000FF;

struct Probe {
    int x, y;
    uint32_t colour;
    const char* what;
};
int presents = 0;

// Every character of the theme fonts is a solid block of 3 x 5 pixels in the font's colour.
// The status texts, the pause screen and the showcase scene are also compared whole with the
// approved screenshots in tests/shell/commands_test.cpp.
class ScreensTest : public GameTest {
public:
    void SetUp() override
    {
        GameTest::SetUp();
        for (auto [made, colour] : {std::pair{&font, kText}, {&outline, kOutline}}) {
            *made = TXT_Font{3, 5, 3, 5, NewSurface(3, 5, colour), {}};
            for (unsigned code = 32; code < 256; code = code == 126 ? 161 : code + 1) {
                made->glyphs[code] = SDL_Rect{0, 0, 3, 5};
            }
        }
        app.fontStatus = app.fontLabels = app.fontChart = &font;
        app.fontOutline = &outline;
        app.present = [] { presents++; };
        presents = 0;
        chartCentreX = 127;
        chartTop = 150;
        SetDefaultChart();
    }
    void TearDown() override
    {
        EXPECT_EQ(WG_CurrentScreen, nullptr) << "the entry screen is gone";
        EXPECT_EQ(DISP_UnicodeUsers(), 0u);
        SDL_FreeSurface(font.picture);
        SDL_FreeSurface(outline.picture);
        GameTest::TearDown();
    }
    // Key presses and releases typing the Latin-1 bytes, '\r' for Return; queued at once.
    static void Type(const std::string& keys)
    {
        for (unsigned char c : keys) {
            for (uint8_t type : {SDL_KEYDOWN, SDL_KEYUP}) {
                SDL_Event e{};
                e.type = e.key.type = type;
                e.key.keysym = {0, c == '\r' ? SDLK_RETURN : SDLK_WORLD_5, KMOD_NONE, static_cast<uint16_t>(type == SDL_KEYDOWN ? c : 0)};
                SDL_PushEvent(&e);
            }
        }
    }
    // A screen that cannot be left still ends: the window is closed a minute on.
    void EnterWith(uint32_t points)
    {
        Script({{CLK_GetTicks() + 60000, SDL_QUIT, SDLK_UNKNOWN}});
        app.points = points;
        app.runState = RUN_PLAY;
        EnterChart();
    }
    void ExpectPixels(std::initializer_list<Probe> probes)
    {
        for (const Probe& p : probes) {
            EXPECT_EQ(Pixel(p.x, p.y), p.colour) << p.what << " at " << p.x << "," << p.y;
        }
    }
    TXT_Font font{};
    TXT_Font outline{};
};

TEST_F(ScreensTest, StatusTextsReadAsThePlayerSeesThem)
{
    struct Row {
        uint16_t major, minor;
        uint32_t points, frame;
        const char* text;
    };
    // Hundredths from the frame counter: two per level step, one more in the second half.
    for (const Row& r : {Row{3, 7, 1234, 25, "3.15  1234"}, Row{3, 7, 1234, 50, "3.14  1234"},
                         Row{3, 49, 1234, 49, "3.99  1234"}, Row{1, 0, 0, 0, "1.00  0"}}) {
        game.levelMajor = r.major;
        game.levelMinor = r.minor;
        app.points = r.points;
        frameCounter = r.frame;
        EXPECT_STREQ(LevelPointsText(), r.text) << "frame " << r.frame;
    }
    game.nextExtra = &extrasLadder[EXTRA_ROWS - 1];
    game.chain = 0;
    EXPECT_STREQ(NextExtraText(), "magnet @ -120") << "the last rung";
    game.nextExtra = &extrasLadder[EXTRA_ROWS];
    EXPECT_EQ(NextExtraText(), nullptr) << "nothing once the ladder is climbed";
    for (uint32_t frame = 0; frame < 30; ++frame) {
        EXPECT_EQ(GameOverTextShown(frame), frame > 10) << "GAME OVER, 19 frames on, 11 off: " << frame;
        EXPECT_EQ(GameOverTextShown(frame + 30), frame > 10) << frame + 30;
    }
}

TEST_F(ScreensTest, PauseSummaryLeavesOutWhatIsNotThere)
{
    using Lines_ = std::vector<std::string>;
    auto Lines = [] {
        char lines[PAUSE_LINES_MAX][PAUSE_LINE_SIZE];
        return Lines_(lines, lines + PauseLines(lines));
    };
    EXPECT_EQ(Lines(), (Lines_{"misses limit: 10", "next extra: pointer @ -5", "level: 0.49", "points: 0",
                               "chart position: out"}));
    game.flags = EXTRA_LASER | EXTRA_FREEZER;
    game.levelMajor = 3;
    game.levelMinor = 7;
    game.misses = 4;
    app.points = 600;
    EXPECT_EQ(Lines(), (Lines_{"misses limit: 6", "next extra: pointer @ -5", "extras: LF", "level: 3.7",
                               "points: 600", "chart position: 10"}));
    game.nextExtra = &extrasLadder[EXTRA_ROWS];
    game.flags = 0;
    app.points = 500; // the tenth row's points
    EXPECT_EQ(Lines(), (Lines_{"misses limit: 6", "level: 3.7", "points: 500", "chart position: out"}));
    app.points = 999999;
    EXPECT_EQ(Lines().back(), "chart position: 1");
}

TEST_F(ScreensTest, ChartRowsAreRightAlignedOnTheirPointsAndTheFirstWidestIsCentred)
{
    MakeCanvas();
    // Glyphs 3 wide with a gap of 1: n characters are 4n - 1 wide.
    chart[0] = {123456, "ab"};            // digits 23 wide
    chart[1] = {5, "abcdefghijklm"};      // 59 wide, the first of the widest
    chart[2] = {77, "abcdefghijkl"};      // as wide; the points column ends at 127 - 29 + 3
    DrawChart();
    // "TOP KINGS" (35 wide) at 114 = 150 - 6 * 6, the rows from 126 six rows apart.
    ExpectPixels({{110, 116, kText, "the title, centred"}, {109, 116, kOutline, "its outline"},
                  {78, 128, kText, "row 1"}, {77, 128, kOutline, "row 1's outline"}, {98, 134, kText, "row 2"},
                  {94, 140, kText, "row 3"}, {93, 140, kOutline, "row 3's outline"},
                  {90, 182, kText, "row 10, 500 plume"}, {89, 182, kOutline, "row 10's outline"},
                  {88, 182, 0, "left of row 10"}});
}

TEST_F(ScreensTest, MarkersShowTheStateOfMarkedObjectsAndTheCatcherSlidesIn)
{
    MakeCanvas();
    const uint16_t states[] = {ST_INVERTED, ST_KICKED, ST_KICKED | ST_KICK_ARMED, ST_DECELERATED};
    Object* last = nullptr;
    for (int i = 0; i < 4; ++i) {
        last = Place(0, 0, 0, 0, 0);
        last->stateBits = states[i];
        last->screenX = static_cast<int16_t>(50 + 50 * i);
        last->screenY = 60;
        NODE_AddTail(&last->markerLink, &game.marked);
    }
    game.target = last;
    DrawMarkers();
    ExpectPixels({{48, 58, SpriteColour(17), "inverted"}, {98, 58, SpriteColour(20), "kicked"},
                  {148, 58, SpriteColour(19), "armed wins over kicked"}, {198, 58, SpriteColour(18), "decelerated"}});
    game.flags = EXTRA_POINTER;
    DrawMarkers();
    ExpectPixels({{198, 58, SpriteColour(16), "the pointer on top"}});

    DrawEntry();
    ExpectPixels({{242, 246, SpriteColour(45), "the right half starts at the edge"}});
    frameCounter = 50;
    DrawEntry();
    ExpectPixels({{118 - 19, 246, SpriteColour(53 + 2), "where play draws the left half"},
                  {136 - 12, 246, SpriteColour(45 + 2), "where play draws the right half"}});
}

TEST_F(ScreensTest, GameOverDarkensTheLastPictureOrIsBlackWithoutACopy)
{
    MakeCanvas();
    SDL_FillRect(app.backBuffer, nullptr, 0x808080);
    MEM_FailAt(1);
    DrawGameOver();
    MEM_FailAt(0);
    EXPECT_EQ(game.gameOverBackdrop, nullptr);
    ExpectPixels({{0, 0, 0, "black without the copy"}});
    SDL_FillRect(app.backBuffer, nullptr, 0x808080);
    frameCounter = 5;
    DrawGameOver();
    ASSERT_NE(game.gameOverBackdrop, nullptr) << "tried again next frame";
    ExpectPixels({{0, 0, 0x404040, "darkened"}, {110, 125, 0x404040, "text hidden in frame 5"}});
    frameCounter = 11;
    DrawGameOver();
    ExpectPixels({{110, 125, kText, "\"GAME OVER\" centred on the field"},
                  {0, 0, 0x404040, "from the copy, not darkened again"}});
}

TEST_F(ScreensTest, PauseWaitsForAKeyWithTheGameStopped)
{
    MakeCanvas();
    Object* frozen = Place(0, 0, 50, 0, 1);
    game.target = frozen;
    game.flags |= EXTRA_FREEZER | LEFT_HELD | RIGHT_HELD;
    (void)Button2Key(nullptr, SDL_KEYDOWN, 0);
    ASSERT_EQ(game.frozenObject, frozen);
    ClearSounds();
    Script({{100, SDL_KEYDOWN, SDLK_a}, {140, SDL_KEYUP, SDLK_a}});
    (void)PauseKey(nullptr, SDL_KEYUP, 0);
    EXPECT_TRUE(Calls().empty()) << "nothing on release";
    (void)PauseKey(nullptr, SDL_KEYDOWN, 0);
    EXPECT_GE(CLK_GetTicks(), 140u) << "waited for the key";
    EXPECT_EQ(Calls(), (std::vector<SoundCall>{{AUDIO_PAUSE, -1, -1, 0}, {AUDIO_HALT, -1, -1, 0},
                                               {AUDIO_PLAY, -1, SOUND_SELECTION, 0}, {AUDIO_HALT, 3, -1, 0}}));
    EXPECT_EQ(game.flags & (LEFT_HELD | RIGHT_HELD), 0);
    EXPECT_EQ(game.frozenObject, nullptr);
    EXPECT_EQ(frozen->capabilities, CAN_ALL);
    EXPECT_EQ(app.runState, RUN_MENU);

    Script({{300, SDL_QUIT, SDLK_UNKNOWN}});
    (void)PauseKey(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(app.runState, RUN_QUIT) << "closing the window ends the pause";
}

TEST_F(ScreensTest, ScoresTakeTheirChartRow)
{
    for (int i = 0; i < CHART_ROWS; i++) {
        chart[i] = {1000u - 100u * i, {static_cast<char>('a' + i)}};
    }
    EnterWith(100);
    EXPECT_EQ((Ints{nameEntry.newRow, app.runState, presents, int64_t(Calls().size())}),
              (Ints{CHART_ROWS, RUN_PLAY, 0, 0}))
        << "equal to row 10 is not enough: no screen, no sound";
    // A score goes under every row with as many points, with no name yet.
    EXPECT_EQ((Ints{InsertChartScore(101), InsertChartScore(800), InsertChartScore(5000)}),
              (Ints{9, 3, 0}));
    std::string rows;
    for (const ChartEntry& row : chart) {
        rows += std::to_string(row.points) + row.name + " ";
    }
    EXPECT_EQ(rows, "5000 1000a 900b 800c 800 700d 600e 500f 400g 300h ");
}

TEST_F(ScreensTest, TheNameIsTypedUnderTheTitleUpToFifteenCharactersAndAnEmptyOneIsRefused)
{
    MakeCanvas();
    const int64_t blocks = MEM_LiveBlocks();
    Type("\r" "Zo\xEB" "abcdefghijklm\r"); // one character too many
    EnterWith(4700);
    EXPECT_EQ((Ints{app.runState, nameEntry.newRow, chart[1].points, chart[2].points}),
              (Ints{RUN_PLAY, 1, 4700, 4500}))
        << "a finished name goes back to the menu loop; the rows below moved down";
    EXPECT_STREQ(chart[1].name, "Zo\xEB" "abcdefghijkl");
    EXPECT_GT(presents, 0);
    EXPECT_LT(CLK_GetTicks(), 1000u) << "the screen was left at once";
    EXPECT_EQ(Calls(), (std::vector<SoundCall>{{AUDIO_PLAY, 0, SOUND_CONGRATULATIONS, 0}}));
    EXPECT_EQ(MEM_LiveBlocks(), blocks) << "the entry freed everything";
    // "CONGRATULATIONS!" (63 wide) centred eight label lines below the chart's top, the name
    // a line below it.
    EXPECT_EQ(nameEntry.congratsX * 1000 + nameEntry.congratsY, 96190);
    const uint32_t backdrop = BackdropColours()[196] & 0xFFFFFF;
    ExpectPixels({{96, 190, kText, "the title"}, {95, 190, kOutline, "its outline"},
                  {96, 196, kOutline, "the finished name, in the outline font"},
                  {94, 196, backdrop, "left of it"},
                  {154, 196, kOutline, "the name's last column, 15 glyphs on"},
                  {157, 196, backdrop, "no sixteenth character"}});
}

TEST_F(ScreensTest, AnEntryThatCannotBeMadeLeavesTheRowNameless)
{
    MakeCanvas();
    const int opening = CheckEachAllocationFailure([] {
        const bool ok = OpenNameEntry(4);
        CloseNameEntry();
        return ok;
    });
    // Each allocation of the screen failing in turn, then those of the keys taken again
    // after a Return on the empty name: the menu loop carries on, never stuck on the screen.
    for (int n = 1; n <= opening + 30; n++) {
        SDL_Event flushed;
        while (SDL_PollEvent(&flushed) == 1) {
        }
        SetDefaultChart();
        presents = 0;
        Type("\rx\r");
        const uint32_t start = CLK_GetTicks();
        MEM_ResetCounters();
        MEM_FailAt(static_cast<uint32_t>(n));
        EnterWith(4700);
        MEM_FailAt(0);
        EXPECT_EQ(app.runState, RUN_PLAY) << "allocation " << n;
        EXPECT_LT(CLK_GetTicks() - start, 1000u) << "allocation " << n;
        EXPECT_EQ(chart[1].points, 4700u) << "allocation " << n;
        EXPECT_EQ(presents > 0, n > opening) << "allocation " << n << ": the screen shows once it is made";
        if (n <= opening) {
            EXPECT_STREQ(chart[1].name, "") << "allocation " << n;
        }
    }
}

}  // namespace
