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
// Whether the pointer was grabbed as each line was traced.
std::vector<bool> grabbed;

// The program seeds the generator from the clock; the replay re-seeds it as the game starts
// so that every run launches the same objects.
void Collect(const char* line)
{
    std::string text = line;
    if (text.find("  start ") != std::string::npos) {
        srand(2026);
    }
    lines.push_back(text);
    grabbed.push_back(SDL_WM_GrabInput(SDL_GRAB_QUERY) == SDL_GRAB_ON);
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
        grabbed.clear();
        dir = HarnessNewProgDir();
        ASSERT_FALSE(dir.empty());
        ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
        SetGameTracer(Collect);
    }
    void TearDown() override
    {
        HarnessDeclareGamepad(-1);
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
        return TracedAt(what) >= 0;
    }
    // The first line that ends with `what`, -1 when none does.
    int TracedAt(const std::string& what) const
    {
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::string& line = lines[i];
            if (line.size() >= what.size() && line.compare(line.size() - what.size(), what.size(), what) == 0) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    // The key lines of the trace, without their frame and score.
    std::vector<std::string> KeyLines() const
    {
        std::vector<std::string> keys;
        for (const std::string& line : lines) {
            const size_t at = line.find("  key ");
            if (at != std::string::npos) {
                keys.push_back(line.substr(at + 2));
            }
        }
        return keys;
    }

    // A chart of strong players: the score stays out of it, so a game goes straight back to
    // the menu (and the chart is saved unchanged). Returns the file's bytes.
    std::string WriteStrongChart()
    {
        for (uint32_t row = 0; row < CHART_ROWS; ++row) {
            chart[row].points = 100000u - 9000u * row;
            std::snprintf(chart[row].name, CHART_NAME_SIZE, "strong %u", static_cast<unsigned>(row + 1));
        }
        uint8_t stored[CHART_FILE_SIZE];
        ChartToBytes(stored);
        std::string bytes(reinterpret_cast<char*>(stored), sizeof stored);
        EXPECT_TRUE(HarnessWriteFile(dir, "chart.raw", bytes));
        return bytes;
    }

    // The recorded game, with `extra` events mixed in, must follow the trace beside this file.
    void PlayRecordedGame(std::vector<HarnessEvent> extra)
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
            extra,
        });
        const std::string stored = WriteStrongChart();
        int status = HarnessRun(dir, script, 100000);
        EXPECT_EQ(status, 0);
        EXPECT_GE(HarnessNow(), 63000u) << "back on the menu until its quit";
        EXPECT_LT(HarnessNow(), 66000u) << "the menu's quit ended the run";
        EXPECT_EQ(HarnessReadFile(dir, "chart.raw"), stored);
        ExpectFilesSaved();
        ASSERT_FALSE(lines.empty()) << "no game was played";
        EXPECT_TRUE(Traced("  game over"));

        std::string actual = Joined(lines);
        if (std::getenv("ZAF_UPDATE_REPLAY") != nullptr && extra.empty()) {
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

    std::string dir;
};

TEST_F(ReplayTest, RecordedGameFollowsTheExpectedTrace)
{
    PlayRecordedGame({});
}

TEST_F(ReplayTest, SwitchingTheScreenDuringAGameChangesNothingInIt)
{
    // Alt+Enter in play, F11 in play, right Alt+Enter in the pause: full screen at the end.
    PlayRecordedGame(HarnessScript({HarnessSwitchScreen(5000, KMOD_LALT), HarnessSwitchScreen(12000, 0),
                                    HarnessSwitchScreen(28000, KMOD_RALT)}));
    const std::string settings = HarnessReadFile(dir, "configuration.txt");
    EXPECT_NE(settings.find("VIDEO         = 510x510\n"), std::string::npos)
        << "full screen in the window's size, for the next start: " << settings;
}

TEST_F(ReplayTest, GamepadDrivesTheMenuAndAGame)
{
    HarnessDeclareGamepad(0);
    const uint8_t A = 0, B = 1, X = 2, BACK = 4, START = 6;
    std::vector<HarnessEvent> script = HarnessScript({
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
        HarnessPadButton(4200, START), // pause ...
        HarnessPadButton(4600, A),     // ... and go on
        HarnessPadButton(5000, BACK),  // ends the game
        HarnessPadButton(6500, BACK),  // leaves the game-over screen
        HarnessPadButton(8000, BACK),  // quits from the menu
    });
    WriteStrongChart();
    EXPECT_EQ(HarnessRun(dir, script, 30000), 0);
    EXPECT_GE(HarnessNow(), 8000u);
    EXPECT_LT(HarnessNow(), 9000u) << "Back quit from the menu";
    EXPECT_EQ(KeyLines(), (std::vector<std::string>{
                              "key left down", "key left up", "key right down", "key right up", // hat
                              "key left down", "key left up",                                   // stick
                              "key right down", "key right up", "key left down", "key left up", // end to end
                              "key button1 down", "key button1 up", "key button2 down", "key button2 up",
                              "key button3 down", "key button3 up", "key pause down", "key quit down",
                              "key quit up", "key quit down", "key quit up"}));
    EXPECT_TRUE(Traced("  game over"));
}

TEST_F(ReplayTest, MouseButtonsFocusAndTheGrabFollowThePhases)
{
    std::vector<HarnessEvent> script = HarnessScript({
        {HarnessFocusLost(500)}, // in the menu: nothing
        HarnessMouseButton(1000, SDL_BUTTON_LEFT), // PLAY
        HarnessMouseButton(2200, SDL_BUTTON_LEFT), HarnessMouseButton(2400, SDL_BUTTON_MIDDLE),
        HarnessMouseButton(2600, SDL_BUTTON_RIGHT), HarnessMouseButton(2700, SDL_BUTTON_WHEELUP),
        {HarnessFocusLost(3000), HarnessFocusLost(3300)}, // pauses once; no second pause
        HarnessMouseButton(3600, SDL_BUTTON_LEFT),        // goes on
        HarnessKey(4000, SDLK_ESCAPE), HarnessKey(5500, SDLK_ESCAPE), HarnessKey(7000, SDLK_ESCAPE),
    });
    WriteStrongChart();
    EXPECT_EQ(HarnessRun(dir, script, 30000), 0);
    EXPECT_LT(HarnessNow(), 8000u);
    EXPECT_EQ(KeyLines(), (std::vector<std::string>{"key button1 down", "key button1 up", "key button2 down",
                                                    "key button2 up", "key button3 down", "key button3 up",
                                                    "key pause down", "key quit down", "key quit up",
                                                    "key quit down", "key quit up"}));
    struct Moment {
        const char* line;
        bool grabbed;
    };
    for (const Moment& moment : {Moment{"  entry", false}, Moment{"key button1 down", true},
                                 Moment{"focus lost", true}, Moment{"key quit down", true},
                                 Moment{"  game over", false}}) {
        const int at = TracedAt(moment.line);
        ASSERT_GE(at, 0) << moment.line;
        EXPECT_EQ(grabbed[at], moment.grabbed) << moment.line;
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
