// Whole-program replays: the real program runs headless from the menu through a game and back,
// driven by a recorded script on the virtual clock. The game's event lines are compared with
// the trace kept beside this file, so a change of the rules shows up as a readable diff of it.
// To accept a deliberate change, run the test with ZAF_UPDATE_REPLAY=1 and review the diff.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game/chart.h"
#include "game/game.h"
#include "tests/shell/harness.h"

namespace {

std::vector<std::string> lines;
std::vector<bool> grabbed; // whether the pointer was grabbed as each line was traced

class ReplayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = HarnessNewProgDir();
        ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
        // The program seeds the generator from the clock; the replay re-seeds it as the game
        // starts so that every run launches the same objects.
        SetGameTracer([](const char* line) {
            if (std::strstr(line, "  start ") != nullptr) {
                srand(2026);
            }
            lines.emplace_back(line);
            grabbed.push_back(SDL_WM_GrabInput(SDL_GRAB_QUERY) == SDL_GRAB_ON);
        });
    }
    void TearDown() override
    {
        HarnessDeclareGamepad(-1);
        SetGameTracer(nullptr);
        HarnessRemoveDir(dir);
    }
    // The first line that ends with `what`, -1 when none does.
    static int TracedAt(const std::string& what)
    {
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].ends_with(what)) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    // The key lines of the trace, without their frame and score.
    static std::vector<std::string> KeyLines()
    {
        std::vector<std::string> keys;
        for (const std::string& line : lines) {
            if (const size_t at = line.find("  key "); at != std::string::npos) {
                keys.push_back(line.substr(at + 2));
            }
        }
        return keys;
    }
    // The stored rows: the first as given, the nine others alike.
    static std::string ChartFile(uint32_t points, const char* name, uint32_t firstPoints, const char* firstName)
    {
        for (ChartEntry& row : chart) {
            row.points = &row == chart ? firstPoints : points;
            std::strcpy(row.name, &row == chart ? firstName : name);
        }
        uint8_t stored[CHART_FILE_SIZE];
        ChartToBytes(stored);
        return std::string(reinterpret_cast<char*>(stored), sizeof stored);
    }
    // Runs the script against a chart of strong players, whose rows the game does not reach:
    // the chart is saved unchanged, as is every setting.
    void RunOutOfTheChart(const std::vector<HarnessEvent>& script, uint32_t endsAfter, uint32_t endsBefore)
    {
        const std::string stored = ChartFile(90000, "strong", 100000, "strongest");
        ASSERT_TRUE(HarnessWriteFile(dir, "chart.raw", stored));
        lines.clear();
        grabbed.clear();
        EXPECT_EQ(HarnessRun(dir, script, 100000), 0);
        EXPECT_GE(HarnessNow(), endsAfter) << "ended early";
        EXPECT_LT(HarnessNow(), endsBefore) << "the last key did not end the run";
        EXPECT_EQ(HarnessReadFile(dir, "chart.raw"), stored);
        EXPECT_NE(HarnessReadFile(dir, "configuration.txt").find("KEY.QUIT"), std::string::npos);
    }
    std::string dir;
};

TEST_F(ReplayTest, RecordedGameFollowsTheExpectedTraceWhateverTheScreenSwitches)
{
    const std::string expectedPath = std::string(ZAF_TEST_SOURCE_DIR) + "/tests/game/replay/expected_trace.txt";
    // Alt+Enter and F11 in play, right Alt+Enter in the pause: full screen at the end.
    for (const bool switching : {false, true}) {
        SCOPED_TRACE(switching ? "switching the screen" : "plain");
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
            HarnessKey(26600, SDLK_x), HarnessKey(26800, SDLK_c), HarnessKey(27000, SDLK_SPACE),
            HarnessKey(27500, SDLK_p), HarnessKey(28500, SDLK_a), // pause and go on
            HarnessKey(60000, SDLK_ESCAPE), // leaves the game-over screen
            HarnessKey(63000, SDLK_ESCAPE), // quits from the menu
            switching ? HarnessSwitchScreen(5000, KMOD_LALT) : std::vector<HarnessEvent>{},
            switching ? HarnessSwitchScreen(12000, 0) : std::vector<HarnessEvent>{},
            switching ? HarnessSwitchScreen(28000, KMOD_RALT) : std::vector<HarnessEvent>{},
        });
        RunOutOfTheChart(script, 63000, 66000);
        EXPECT_GE(TracedAt("  game over"), 0);
        std::string actual;
        for (const std::string& line : lines) {
            actual += line + '\n';
        }
        if (std::getenv("ZAF_UPDATE_REPLAY") != nullptr && !switching) {
            std::ofstream(expectedPath, std::ios::binary) << actual;
        }
        std::stringstream expected;
        expected << std::ifstream(expectedPath).rdbuf();
        ASSERT_EQ(actual, expected.str()) << expectedPath;
    }
    EXPECT_NE(HarnessReadFile(dir, "configuration.txt").find("VIDEO         = 510x510\n"), std::string::npos)
        << "full screen in the window's size, for the next start";
}

TEST_F(ReplayTest, GamepadAndMouseDriveTheMenuAndAGame)
{
    const uint8_t A = 0, B = 1, X = 2, BACK = 4, START = 6;
    struct Case {
        const char* what;
        int gamepad;
        std::vector<HarnessEvent> script;
        uint32_t endsAfter;
        std::vector<std::string> keys;
        std::vector<std::pair<const char*, bool>> grabbedAt; // the pointer's grab as the line was traced
    };
    const std::vector<std::string> buttons = {"key button1 down", "key button1 up", "key button2 down", "key button2 up",
                                              "key button3 down", "key button3 up", "key pause down",   "key quit down",
                                              "key quit up",      "key quit down",  "key quit up"};
    std::vector<std::string> padKeys = {"key left down",  "key left up",  "key right down", "key right up", // hat
                                        "key left down",  "key left up",                                    // stick
                                        "key right down", "key right up", "key left down",  "key left up"}; // end to end
    padKeys.insert(padKeys.end(), buttons.begin(), buttons.end());
    const std::vector<Case> cases = {
        {"gamepad", 0,
         HarnessScript({
             HarnessPadButton(1000, A), // PLAY
             {HarnessHat(2100, 0, SDL_HAT_LEFT), HarnessHat(2300, 0, SDL_HAT_RIGHT), HarnessHat(2500, 0, SDL_HAT_CENTERED)},
             // The stick, with a wobble inside the hysteresis that must not let go.
             {HarnessAxis(2700, 0, -20000), HarnessAxis(2800, 0, -12000), HarnessAxis(2900, 0, 0)},
             // A stick resting near the dead zone, and another pad's turns and buttons.
             {HarnessAxis(3000, 0, 15000), HarnessAxis(3100, 0, -15000), HarnessAxis(3200, 1, 15999),
              HarnessAxis(3300, 0, 0), HarnessHat(3350, 0, SDL_HAT_LEFT, 1), HarnessHat(3380, 0, SDL_HAT_CENTERED, 1)},
             HarnessPadButton(3400, A, 1),
             // Absurd positions: from one end to the other in one event.
             {HarnessAxis(3500, 0, 32767), HarnessAxis(3550, 0, -32768), HarnessAxis(3600, 0, 0)},
             HarnessPadButton(3700, A), HarnessPadButton(3800, B), HarnessPadButton(3900, X),
             HarnessPadButton(4200, START), HarnessPadButton(4600, A), // pause and go on
             HarnessPadButton(5000, BACK), HarnessPadButton(6500, BACK), HarnessPadButton(8000, BACK),
         }),
         8000, padKeys, {{"  entry", false}, {"key button1 down", true}, {"  game over", false}}},
        {"mouse", -1,
         HarnessScript({
             {HarnessFocusLost(500)},                   // in the menu: nothing
             HarnessMouseButton(1000, SDL_BUTTON_LEFT), // PLAY
             HarnessMouseButton(2200, SDL_BUTTON_LEFT), HarnessMouseButton(2400, SDL_BUTTON_MIDDLE),
             HarnessMouseButton(2600, SDL_BUTTON_RIGHT), HarnessMouseButton(2700, SDL_BUTTON_WHEELUP),
             {HarnessFocusLost(3000), HarnessFocusLost(3300)}, // pauses once; no second pause
             HarnessMouseButton(3600, SDL_BUTTON_LEFT),        // goes on
             HarnessKey(4000, SDLK_ESCAPE), HarnessKey(5500, SDLK_ESCAPE), HarnessKey(7000, SDLK_ESCAPE),
         }),
         7000, buttons, {{"focus lost", true}, {"key quit down", true}, {"  game over", false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HarnessDeclareGamepad(c.gamepad);
        RunOutOfTheChart(c.script, c.endsAfter, c.endsAfter + 1000);
        EXPECT_EQ(KeyLines(), c.keys);
        for (const auto& [line, expected] : c.grabbedAt) {
            ASSERT_GE(TracedAt(line), 0) << line;
            EXPECT_EQ(grabbed[TracedAt(line)], expected) << "the pointer's grab at " << line;
        }
    }
}

TEST_F(ReplayTest, ClosingTheWindowInEachPhaseEndsTheProgramCleanly)
{
    const std::vector<HarnessEvent> play = HarnessKey(1000, SDLK_x);
    for (const auto& [lastTraced, script] : std::vector<std::pair<const char*, std::vector<HarnessEvent>>>{
             {"  entry", HarnessScript({play, {{1500, SDL_QUIT, SDLK_UNKNOWN}}})},
             {"  play", HarnessScript({play, {{4000, SDL_QUIT, SDLK_UNKNOWN}}})},
             {"  key pause down", HarnessScript({play, {{3000, SDL_KEYDOWN, SDLK_p}, {3500, SDL_QUIT, SDLK_UNKNOWN}}})}}) {
        SCOPED_TRACE(lastTraced);
        RunOutOfTheChart(script, 1500, 10000);
        EXPECT_GE(TracedAt(lastTraced), 0);
        ASSERT_FALSE(lines.empty());
        EXPECT_NE(lines.back().find("window closed"), std::string::npos) << lines.back();
        EXPECT_LT(TracedAt("  game over"), 0);
    }
}

// Flown by the harness's autopilot: a game with a few catches, the name entry ended with
// Return (back to the menu) or a closed window, and the chart saved with the name.
TEST_F(ReplayTest, AGameThatEntersTheChartIsNamedAndSaved)
{
    for (const bool close : {false, true}) {
        SCOPED_TRACE(close ? "window closed during the entry" : "Return");
        ASSERT_TRUE(HarnessWriteFile(dir, "chart.raw", ChartFile(0, "nobody", 0, "nobody")));
        HarnessPilot pilot;
        pilot.closeDuringEntry = close;
        EXPECT_EQ(HarnessFly(dir, pilot, 400000), 0);
        ASSERT_GT(pilot.finalPoints, 0u) << "the autopilot caught nothing";
        EXPECT_TRUE(pilot.sawScreen) << "the CONGRATULATIONS! screen came up";
        EXPECT_EQ(pilot.stage, close ? HarnessPilot::NAMED : HarnessPilot::QUITTING);
        EXPECT_EQ(HarnessReadFile(dir, "chart.raw"), ChartFile(0, "nobody", pilot.finalPoints, "Zo\xEB"))
            << "the score and the name, byte for byte";
    }
}

}  // namespace
