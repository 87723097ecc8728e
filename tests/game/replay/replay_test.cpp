// Whole-program replays of a game: the real program runs headless from the menu through PLAY,
// the entry, a played game and the game-over screen back to the menu, driven by a recorded
// key script on the virtual clock. The game's event lines are compared with the trace kept
// beside this file, so a change of the rules shows up as a readable diff of that file.
//
// To accept a deliberate change, run the test with ZAF_UPDATE_REPLAY=1 and review the diff.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game/chart.h"
#include "game/game.h"
#include "tests/shell/harness.h"

namespace {

std::vector<std::string> lines;

// The program seeds the generator from the clock; the replay re-seeds it as the game starts
// so that every run launches the same objects.
void Collect(const char* line)
{
    std::string text = line;
    if (text.find("  start ") != std::string::npos) {
        srand(2026);
    }
    lines.push_back(text);
}

std::string ExpectedPath()
{
    return std::string(ZAF_TEST_SOURCE_DIR) + "/tests/game/replay/expected_trace.txt";
}

std::string Joined(const std::vector<std::string>& rows)
{
    std::string text;
    for (const std::string& row : rows) {
        text += row;
        text += '\n';
    }
    return text;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

class ReplayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        lines.clear();
        dir = HarnessNewProgDir();
        ASSERT_FALSE(dir.empty());
        ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
        SetGameTracer(Collect);
    }
    void TearDown() override
    {
        SetGameTracer(nullptr);
        HarnessRemoveDir(dir);
    }

    void ExpectFilesSaved()
    {
        EXPECT_TRUE(HarnessFileExists(dir, "chart.raw"));
        bool found = false;
        std::string settings = HarnessReadFile(dir, "configuration.txt", &found);
        EXPECT_TRUE(found);
        EXPECT_NE(settings.find("KEY.QUIT"), std::string::npos) << settings;
    }

    bool Traced(const std::string& what) const
    {
        for (const std::string& line : lines) {
            if (line.size() >= what.size() && line.compare(line.size() - what.size(), what.size(), what) == 0) {
                return true;
            }
        }
        return false;
    }

    std::string dir;
};

TEST_F(ReplayTest, RecordedGameFollowsTheExpectedTrace)
{
    // The turns steer the catcher under most of the first objects (worked out from their
    // launch lines), enough to earn the pointer and lose it again with a miss.
    std::vector<HarnessEvent> script = HarnessScript({
        HarnessKey(1000, SDLK_x), // PLAY
        {{2060, SDL_KEYDOWN, SDLK_RIGHT}, {2740, SDL_KEYUP, SDLK_RIGHT}},
        {{6880, SDL_KEYDOWN, SDLK_RIGHT}, {7120, SDL_KEYUP, SDLK_RIGHT}},
        {{8960, SDL_KEYDOWN, SDLK_LEFT}, {9420, SDL_KEYUP, SDLK_LEFT}},
        {{11380, SDL_KEYDOWN, SDLK_LEFT}, {11680, SDL_KEYUP, SDLK_LEFT}},
        {{14560, SDL_KEYDOWN, SDLK_RIGHT}, {14900, SDL_KEYUP, SDLK_RIGHT}},
        {{16320, SDL_KEYDOWN, SDLK_RIGHT}, {17200, SDL_KEYUP, SDLK_RIGHT}},
        {{18740, SDL_KEYDOWN, SDLK_RIGHT}, {19200, SDL_KEYUP, SDLK_RIGHT}},
        {{23540, SDL_KEYDOWN, SDLK_LEFT}, {23800, SDL_KEYUP, SDLK_LEFT}},
        {{24980, SDL_KEYDOWN, SDLK_RIGHT}, {25600, SDL_KEYUP, SDLK_RIGHT}},
        // Both turning keys at once, then the buttons with no extra to use.
        {{26000, SDL_KEYDOWN, SDLK_RIGHT}, {26100, SDL_KEYDOWN, SDLK_LEFT},
         {26300, SDL_KEYUP, SDLK_RIGHT}, {26400, SDL_KEYUP, SDLK_LEFT}},
        HarnessKey(26600, SDLK_x),
        HarnessKey(26800, SDLK_c),
        HarnessKey(27000, SDLK_SPACE),
        HarnessKey(27500, SDLK_p), // pause ...
        HarnessKey(28500, SDLK_a), // ... and go on
        HarnessKey(60000, SDLK_ESCAPE), // leaves the game-over screen
        HarnessKey(63000, SDLK_ESCAPE), // quits from the menu
    });
    // A chart of strong players: the score stays out of it, so the game goes straight back
    // to the menu (and the chart is saved unchanged).
    for (uint32_t row = 0; row < CHART_ROWS; ++row) {
        chart[row].points = 100000u - 9000u * row;
        std::snprintf(chart[row].name, CHART_NAME_SIZE, "strong %u", static_cast<unsigned>(row + 1));
    }
    uint8_t stored[CHART_FILE_SIZE];
    ChartToBytes(stored);
    ASSERT_TRUE(HarnessWriteFile(dir, "chart.raw", std::string(reinterpret_cast<char*>(stored), sizeof stored)));
    int status = HarnessRun(dir, script, 100000);
    EXPECT_EQ(status, 0);
    EXPECT_GE(HarnessNow(), 63000u) << "back on the menu until its quit";
    EXPECT_LT(HarnessNow(), 66000u) << "the menu's quit ended the run";
    EXPECT_EQ(HarnessReadFile(dir, "chart.raw"), std::string(reinterpret_cast<char*>(stored), sizeof stored));
    ExpectFilesSaved();
    ASSERT_FALSE(lines.empty()) << "no game was played";
    EXPECT_TRUE(Traced("  game over"));

    std::string actual = Joined(lines);
    if (std::getenv("ZAF_UPDATE_REPLAY") != nullptr) {
        std::ofstream(ExpectedPath(), std::ios::binary) << actual;
    }
    std::string expected = ReadText(ExpectedPath());
    if (actual != expected) {
        std::istringstream a(actual);
        std::istringstream e(expected);
        std::string lineA;
        std::string lineE;
        int number = 1;
        while (std::getline(a, lineA) && std::getline(e, lineE) && lineA == lineE) {
            number += 1;
        }
        ADD_FAILURE() << "the trace differs from " << ExpectedPath() << " at line " << number
                      << "\n  expected: " << lineE << "\n  actual:   " << lineA;
    }
}

TEST_F(ReplayTest, ClosingTheWindowInEachPhaseEndsTheProgramCleanly)
{
    struct Case {
        const char* phase;
        std::vector<HarnessEvent> script;
        const char* lastTraced;
    };
    std::vector<Case> cases = {
        {"entry", HarnessScript({HarnessKey(1000, SDLK_x), {{1500, SDL_QUIT, SDLK_UNKNOWN}}}), "  entry"},
        {"play", HarnessScript({HarnessKey(1000, SDLK_x), {{4000, SDL_QUIT, SDLK_UNKNOWN}}}), "  play"},
        {"pause", HarnessScript({HarnessKey(1000, SDLK_x), {{3000, SDL_KEYDOWN, SDLK_p}},
                                 {{3500, SDL_QUIT, SDLK_UNKNOWN}}}),
         "  key pause down"},
    };
    for (const Case& c : cases) {
        lines.clear();
        HarnessRemoveDir(dir);
        dir = HarnessNewProgDir();
        ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
        EXPECT_EQ(HarnessRun(dir, c.script, 60000), 0) << c.phase;
        EXPECT_LT(HarnessNow(), 10000u) << c.phase << ": the close ended the run";
        ExpectFilesSaved();
        EXPECT_TRUE(Traced(c.lastTraced)) << c.phase;
        ASSERT_FALSE(lines.empty()) << c.phase;
        EXPECT_NE(lines.back().find("window closed"), std::string::npos) << c.phase << ": " << lines.back();
        EXPECT_FALSE(Traced("  game over")) << c.phase;
    }
}

}  // namespace
