#include "game/screens.h"

#include <string>
#include <vector>

#include "game/chart.h"
#include "game/chartentry.h"
#include "game/extras.h"
#include "game/scoring.h"
#include "tests/game/game_fixture.h"
#include "toolkit/gfx/disp.h"
#include "toolkit/gfx/font.h"
#include "toolkit/ui/wgentry.h"
#include "tests/support/alloc_check.h"
#include "util/mem.h"

namespace {

int presents = 0;

// Every character of the theme fonts is a solid block of 3 x 5 pixels. The status texts, the
// pause, game-over and name entry screens and the showcase scene are compared whole with the
// approved screenshots in tests/shell/commands_test.cpp; the replay tests refuse an empty
// name, then type one and save it.
class ScreensTest : public GameTest {
public:
    void SetUp() override
    {
        GameTest::SetUp();
        font = TXT_Font{3, 5, 3, 5, NewSurface32(3, 5, 0xFF0000), {}};
        for (unsigned code = 32; code < 256; code = code == 126 ? 161 : code + 1) {
            font.glyphs[code] = SDL_Rect{0, 0, 3, 5};
        }
        app.fontStatus = app.fontLabels = app.fontChart = app.fontOutline = &font;
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
        GameTest::TearDown();
    }
    // A screen that cannot be left still ends: the window is closed a minute on.
    void EnterWith(uint32_t points)
    {
        Script({{CLK_GetTicks() + 60000, SDL_QUIT, SDLK_UNKNOWN}});
        app.points = points;
        app.runState = RUN_PLAY;
        EnterChart();
    }
    TXT_Font font{};
};

TEST_F(ScreensTest, StatusAndPauseTextsLeaveOutWhatIsNotThere)
{
    game.levelMajor = 3;
    game.levelMinor = 7;
    frameCounter = 25;
    EXPECT_STREQ(LevelPointsText(), "3.15  0") << "one more in a level step's second half";
    EXPECT_EQ((Ints{GameOverTextShown(10), GameOverTextShown(11), GameOverTextShown(29),
                    GameOverTextShown(30)}),
              (Ints{0, 1, 1, 0})) << "GAME OVER blinks, 19 frames on, 11 off";
    using Lines_ = std::vector<std::string>;
    auto Lines = [] {
        char lines[PAUSE_LINES_MAX][PAUSE_LINE_SIZE];
        return Lines_(lines, lines + PauseLines(lines));
    };
    game.misses = 4;
    game.nextExtra = &extrasLadder[EXTRA_ROWS];
    app.points = 500; // the tenth row's points
    EXPECT_EQ(NextExtraText(), nullptr) << "nothing once the ladder is climbed";
    EXPECT_EQ(Lines(), (Lines_{"misses limit: 6", "level: 3.7", "points: 500", "chart position: out"}));
}

TEST_F(ScreensTest, TheEntryShowsTheTurnedArena)
{
    MakeCanvas();
    SDL_FillRect(app.rotationSource, nullptr, 0x123456);
    DrawEntry();
    EXPECT_EQ(Pixel(127, 127), 0x123456u);
}

TEST_F(ScreensTest, GameOverWithoutACopyOfThePictureIsBlackAndTriesAgain)
{
    MakeCanvas();
    SDL_FillRect(app.backBuffer, nullptr, 0x808080);
    MEM_FailAt(1);
    DrawGameOver();
    MEM_FailAt(0);
    EXPECT_EQ((Ints{game.gameOverBackdrop == nullptr, Pixel(0, 0)}), (Ints{1, 0}));
    DrawGameOver();
    EXPECT_NE(game.gameOverBackdrop, nullptr) << "tried again next frame";
}

TEST_F(ScreensTest, PauseStopsTheSoundsAndTheFreezeAndLetsGoOfTheTurn)
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
    EXPECT_EQ((Ints{game.flags & (LEFT_HELD | RIGHT_HELD), game.frozenObject == nullptr,
                    frozen->capabilities}),
              (Ints{0, 1, CAN_ALL})) << "the turn let go, the freeze ended";
}

TEST_F(ScreensTest, ScoresTakeTheirChartRowUnderEqualOnes)
{
    for (int i = 0; i < CHART_ROWS; i++) {
        chart[i] = {1000u - 100u * i, {static_cast<char>('a' + i)}};
    }
    EnterWith(100);
    EXPECT_EQ((Ints{nameEntry.newRow, app.runState, presents, int64_t(Calls().size()), ChartPosition(100)}),
              (Ints{CHART_ROWS, RUN_PLAY, 0, 0, CHART_ROWS + 1}))
        << "equal to row 10 is not enough: no screen, no sound, out of the pause's chart position";
    // A score goes under every row with as many points, with no name yet.
    EXPECT_EQ((Ints{InsertChartScore(101), InsertChartScore(800), InsertChartScore(5000)}),
              (Ints{9, 3, 0}));
    std::string rows;
    for (const ChartEntry& row : chart) {
        rows += std::to_string(row.points) + row.name + " ";
    }
    EXPECT_EQ(rows, "5000 1000a 900b 800c 800 700d 600e 500f 400g 300h ");
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
        ClearSounds();
        // Return on the empty name, then "x" and Return, queued at once.
        for (unsigned char c : std::string("\rx\r")) {
            for (uint8_t type : {SDL_KEYDOWN, SDL_KEYUP}) {
                SDL_Event e{};
                e.type = e.key.type = type;
                e.key.keysym = {0, c == '\r' ? SDLK_RETURN : SDLK_WORLD_5, KMOD_NONE, static_cast<uint16_t>(type == SDL_KEYDOWN ? c : 0)};
                SDL_PushEvent(&e);
            }
        }
        const uint32_t start = CLK_GetTicks();
        MEM_ResetCounters();
        MEM_FailAt(static_cast<uint32_t>(n));
        EnterWith(4700);
        MEM_FailAt(0);
        EXPECT_EQ(app.runState, RUN_PLAY) << "allocation " << n;
        EXPECT_LT(CLK_GetTicks() - start, 1000u) << "allocation " << n;
        EXPECT_EQ(chart[1].points, 4700u) << "allocation " << n;
        EXPECT_EQ((Ints{presents > 0, int64_t(Calls().size())}), (Ints{n > opening, n > opening}))
            << "allocation " << n << ": the screen shows, congratulating, once it is made";
        if (n <= opening) {
            EXPECT_STREQ(chart[1].name, "") << "allocation " << n;
        }
    }
}

}  // namespace
