#include "game/chartentry.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "game/chart.h"
#include "game/game.h"
#include "tests/shell/harness.h"
#include "shell/app.h"
#include "shell/audio.h"
#include "tests/support/alloc_check.h"
#include "toolkit/gfx/clock.h"
#include "toolkit/gfx/disp.h"
#include "toolkit/gfx/font.h"
#include "toolkit/ui/wgentry.h"
#include "util/mem.h"

namespace {

// Solid glyphs 4 wide and 5 high in one colour, for every code of the theme fonts.
TXT_Font* SolidFont(uint32_t colour)
{
    auto* font = static_cast<TXT_Font*>(MEM_Calloc(1, sizeof(TXT_Font)));
    font->picture = SDL_CreateRGBSurface(SDL_SWSURFACE, 256 * 5, 5, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(font->picture, nullptr, colour);
    for (int c = 0x20; c <= 0xFF; c++) {
        if (c < 0x7F || c > 0xA0) {
            font->glyphs[c] = SDL_Rect{static_cast<int16_t>(c * 5), 0, 4, 5};
        }
    }
    font->smallestWidth = font->largestWidth = 4;
    font->smallestHeight = font->largestHeight = 5;
    return font;
}

// A key event with its Unicode value, or any other event of the type.
void Push(uint8_t type, SDLKey key = SDLK_UNKNOWN, uint16_t unicode = 0)
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = type;
    if (type == SDL_KEYDOWN || type == SDL_KEYUP) {
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.sym = key;
        e.key.keysym.unicode = unicode;
    }
    SDL_PushEvent(&e);
}

struct Timed {
    uint32_t at;
    uint8_t type;
    SDLKey key;
    uint16_t unicode;
};

uint32_t now = 0;
std::vector<Timed> pending;
int presents = 0;
std::vector<int> congratulations;

uint32_t Ticks()
{
    return now;
}

void Delay(uint32_t ms)
{
    now += ms;
    while (!pending.empty() && pending.front().at <= now) {
        Push(pending.front().type, pending.front().key, pending.front().unicode);
        pending.erase(pending.begin());
    }
    // A run that does not end by itself is ended as a closed window would be.
    if (now > 60000) {
        Push(SDL_QUIT);
    }
}

void Present()
{
    presents++;
}

void Record(AUDIO_Op op, int channel, int sound, int loops)
{
    if (op == AUDIO_PLAY && sound == SOUND_CONGRATULATIONS) {
        congratulations.push_back(channel);
        congratulations.push_back(loops);
    }
}

// Keys typing the text's Latin-1 bytes 100 ms apart from `at` on, and a Return after them.
void Type(uint32_t at, const char* text, bool thenReturn)
{
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; p++, at += 100) {
        pending.push_back({at, SDL_KEYDOWN, SDLK_WORLD_5, *p});
        pending.push_back({at + 40, SDL_KEYUP, SDLK_WORLD_5, 0});
    }
    if (thenReturn) {
        pending.push_back({at, SDL_KEYDOWN, SDLK_RETURN, 13});
        pending.push_back({at + 40, SDL_KEYUP, SDLK_RETURN, 0});
    }
}

class ChartNameEntry : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
        DISP_Init();
        now = 0;
        pending.clear();
        presents = 0;
        congratulations.clear();
        CLK_SetSource(Ticks, Delay);
        AUDIO_SetRecorder(Record);
        app = App{};
        app.backBuffer = SDL_CreateRGBSurface(SDL_SWSURFACE, PICTURE_SIZE, PICTURE_SIZE, 32, 0xFF0000, 0xFF00, 0xFF, 0);
        app.fontLabels = SolidFont(0xFFFF00);
        app.fontChart = SolidFont(0xFFFFFF);
        app.fontOutline = SolidFont(0xFF0000);
        app.present = Present;
        app.centreX = 127;
        chartCentreX = 127;
        chartTop = 150;
        for (int i = 0; i < CHART_ROWS; i++) {
            chart[i].points = 1000u - 100u * i;
            chart[i].name[0] = static_cast<char>('a' + i);
            chart[i].name[1] = '\0';
        }
        blocks_ = MEM_LiveBlocks();
    }
    void TearDown() override
    {
        EXPECT_EQ(WG_CurrentScreen, nullptr) << "the entry screen is gone";
        EXPECT_EQ(DISP_UnicodeUsers(), 0u);
        EXPECT_EQ(MEM_LiveBlocks(), blocks_) << "the entry freed everything";
        for (TXT_Font* font : {app.fontLabels, app.fontChart, app.fontOutline}) {
            TXT_FreeFont(font);
        }
        SDL_FreeSurface(app.backBuffer);
        app = App{};
        AUDIO_SetRecorder(nullptr);
        CLK_SetSource(nullptr, nullptr);
        DISP_Quit();
        SDL_Quit();
    }
    void Play(uint32_t points)
    {
        app.points = points;
        app.runState = RUN_PLAY;
        EnterChart();
    }
    int64_t blocks_ = 0;
};

TEST_F(ChartNameEntry, ScoresTakeTheirRow)
{
    Play(100);
    EXPECT_EQ(nameEntry.newRow, CHART_ROWS) << "equal to row 10 is not enough";
    EXPECT_EQ(app.runState, RUN_PLAY);
    EXPECT_EQ(presents, 0) << "and shows no screen";
    EXPECT_TRUE(congratulations.empty());
    EXPECT_EQ(chart[9].points, 100u);
    EXPECT_STREQ(chart[9].name, "j");
    EXPECT_EQ(InsertChartScore(101), 9) << "one point more takes row 10";
    EXPECT_EQ(chart[9].points, 101u);
    EXPECT_STREQ(chart[9].name, "") << "the old row 10 is gone";
    EXPECT_EQ(InsertChartScore(800), 3) << "a score equal to a row goes under it";
    EXPECT_STREQ(chart[2].name, "c");
    EXPECT_STREQ(chart[4].name, "d");
    EXPECT_EQ(InsertChartScore(5000), 0);
    EXPECT_STREQ(chart[1].name, "a") << "every row moved down";
    EXPECT_EQ(chart[9].points, 300u);
}

TEST_F(ChartNameEntry, TheNameIsTypedIntoTheRow)
{
    Type(100, "Zo\xEB", true);
    Play(850);
    EXPECT_EQ(app.runState, RUN_PLAY) << "a finished name goes back to the menu loop";
    EXPECT_EQ(nameEntry.newRow, 2);
    EXPECT_EQ(chart[2].points, 850u);
    EXPECT_STREQ(chart[2].name, "Zo\xEB");
    EXPECT_STREQ(chart[3].name, "c");
    EXPECT_GT(presents, 20);
    EXPECT_EQ(congratulations, (std::vector<int>{0, 0})) << "once, on channel 0, no loop";
    EXPECT_LT(now, 1000u) << "the loop ended at the Return's release";
}

TEST_F(ChartNameEntry, TheScreenShowsTheTitleAndTheName)
{
    chart[0].points = 50;
    ASSERT_EQ(InsertChartScore(2000), 0);
    ASSERT_TRUE(OpenNameEntry(0));
    EXPECT_EQ(nameEntry.congratsX, 127 - (16 * 5 - 1) / 2);
    EXPECT_EQ(nameEntry.congratsY, 150 + 8 * 5);
    WG_Widget* entry = &nameEntry.entry->widget;
    WG_UpdateSize(entry);
    WG_UpdatePosition(entry);
    EXPECT_EQ(entry->absX, nameEntry.congratsX);
    EXPECT_EQ(entry->absY, nameEntry.congratsY + 6);
    EXPECT_EQ(entry->width, PICTURE_SIZE);
    Type(0, "xy", false);
    Delay(300);
    EXPECT_EQ(WG_HandleEvents(1, SDL_QUIT), 0);
    DrawNameEntry(false);
    DrawNameEntry(false);
    EXPECT_STREQ(chart[0].name, "xy");
    auto pixel = [](int x, int y) {
        return static_cast<const uint32_t*>(app.backBuffer->pixels)[y * (app.backBuffer->pitch / 4) + x] & 0xFFFFFF;
    };
    EXPECT_EQ(pixel(nameEntry.congratsX + 1, nameEntry.congratsY + 1), 0xFFFF00u) << "the title";
    EXPECT_EQ(pixel(entry->absX + 1, entry->absY + 1), 0xFFFFFFu) << "the name";
    EXPECT_EQ(pixel(entry->absX - 1, entry->absY + 1), 0xFF0000u) << "its outline";
    EXPECT_EQ(presents, 0);
    CloseNameEntry();
}

TEST_F(ChartNameEntry, WidgetsThatCannotBeMadeLeaveTheRowNameless)
{
    CheckEachAllocationFailure([] {
        const bool ok = OpenNameEntry(4);
        CloseNameEntry();
        EXPECT_EQ(DISP_UnicodeUsers(), 0u);
        return ok;
    });
    MEM_FailAt(1);
    Play(950);
    MEM_FailAt(0);
    EXPECT_EQ(app.runState, RUN_PLAY) << "the menu loop carries on as after any game";
    EXPECT_EQ(chart[1].points, 950u);
    EXPECT_STREQ(chart[1].name, "");
    EXPECT_EQ(presents, 0);
    // The keys taken again after a Return on the empty name, each failing in turn: the
    // screen is left, never kept until the window is closed.
    MEM_ResetCounters();
    ASSERT_TRUE(OpenNameEntry(4));
    CloseNameEntry();
    const uint32_t opening = MEM_Points();
    for (uint32_t n = opening + 1; n <= opening + 30; n++) {
        now = 0;
        Type(100, "", true);
        Type(300, "x", true);
        MEM_ResetCounters();
        MEM_FailAt(n);
        Play(960);
        MEM_FailAt(0);
        EXPECT_EQ(app.runState, RUN_PLAY) << "allocation " << n;
        EXPECT_LT(now, 1000u) << "allocation " << n;
        pending.clear();
    }
}

// The whole program, headless and flown by the harness's autopilot: PLAY, a game with a few
// catches, the game-over screen, the name entry and the menu's quit.
class ChartEntryProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = HarnessNewProgDir();
        ASSERT_FALSE(dir.empty());
        ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
        WriteChart(0);
    }
    void TearDown() override
    {
        HarnessRemoveDir(dir);
    }
    void WriteChart(uint32_t points)
    {
        for (int i = 0; i < CHART_ROWS; i++) {
            chart[i].points = points;
            std::strcpy(chart[i].name, "nobody");
        }
        ChartToBytes(before);
        ASSERT_TRUE(HarnessWriteFile(dir, "chart.raw", std::string(reinterpret_cast<char*>(before), CHART_FILE_SIZE)));
    }
    int Run(bool closeDuringEntry)
    {
        pilot = HarnessPilot{};
        pilot.closeDuringEntry = closeDuringEntry;
        return HarnessFly(dir, pilot, 400000);
    }
    // The stored file for the rows of SetUp with the game's score on top.
    std::string Expected(const char* typed)
    {
        for (int i = 0; i < CHART_ROWS; i++) {
            chart[i].points = 0;
            std::strcpy(chart[i].name, "nobody");
        }
        chart[0].points = pilot.finalPoints;
        std::strcpy(chart[0].name, typed);
        uint8_t bytes[CHART_FILE_SIZE];
        ChartToBytes(bytes);
        return std::string(reinterpret_cast<char*>(bytes), CHART_FILE_SIZE);
    }
    std::string dir;
    HarnessPilot pilot;
    uint8_t before[CHART_FILE_SIZE];
};

TEST_F(ChartEntryProgram, AGameThatEntersTheChartIsNamedAndSaved)
{
    // Return ends the entry and the menu comes back; a closed window ends the program there.
    for (const bool close : {false, true}) {
        SCOPED_TRACE(close ? "window closed during the entry" : "Return");
        WriteChart(0);
        EXPECT_EQ(Run(close), 0);
        ASSERT_GT(pilot.finalPoints, 0u) << "the autopilot caught nothing: " << pilot.caught
                                         << " catches, " << pilot.steered << " steps";
        EXPECT_TRUE(pilot.sawScreen) << "the CONGRATULATIONS! screen came up";
        EXPECT_EQ(pilot.stage, close ? HarnessPilot::NAMED : HarnessPilot::QUITTING);
        EXPECT_EQ(HarnessReadFile(dir, "chart.raw"), Expected("Zo\xEB")) << "the score and the name, byte for byte";
    }
}

TEST_F(ChartEntryProgram, AScoreEqualToRowTenShowsNoScreen)
{
    EXPECT_EQ(Run(false), 0);
    const uint32_t points = pilot.finalPoints;
    ASSERT_GT(points, 0u);
    // The same game again, now against a chart whose every row holds exactly that score.
    WriteChart(points);
    EXPECT_EQ(Run(false), 0);
    EXPECT_EQ(pilot.finalPoints, points) << "the replayed game scores the same";
    EXPECT_FALSE(pilot.sawScreen);
    EXPECT_EQ(pilot.stage, HarnessPilot::QUITTING);
    EXPECT_EQ(HarnessReadFile(dir, "chart.raw"), std::string(reinterpret_cast<char*>(before), CHART_FILE_SIZE));
}

}  // namespace
