#include "shell/program.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/chart.h"
#include "tests/game/chart_sample.h"
#include "shell/paths.h"
#include "shell/video.h"
#include "tests/shell/harness.h"

namespace {

const std::string defaultFile = harnessDefaultSettings;
using Themes = std::vector<std::string>;

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// PLAY, escape ends the play, escape leaves game over.
std::vector<HarnessEvent> Game(uint32_t at)
{
    return HarnessScript({HarnessKey(at, SDLK_x), HarnessKey(at + 2000, SDLK_ESCAPE), HarnessKey(at + 3500, SDLK_ESCAPE)});
}

const std::vector<HarnessEvent> oneGame = HarnessScript({Game(1000), HarnessKey(7000, SDLK_ESCAPE)});

class ProgramTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
    }
    // Exactly one line on stderr, naming `what`.
    void ExpectOneLine(const char* what)
    {
        EXPECT_NE(errors.find(what), std::string::npos) << errors;
        EXPECT_EQ(errors.find('\n'), errors.size() - 1) << "exactly one line: " << errors;
        EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u) << "SDL is shut down";
    }
    std::string File() { return HarnessReadFile(dir, "configuration.txt"); }
};

TEST_F(ProgramTest, TheSettingsFileIsCompletedOrReplacedAndWrittenOnlyWhenItChanged)
{
    const std::string loud = Replace(defaultFile, "VOLUME        = medium", "VOLUME        = loud");
    const std::string older = Replace(Replace(loud, "MOUSE         = on\n", ""), "= left", "= a");
    // Odd spacing shows whether the file was written again.
    const std::string odd = Replace(defaultFile, "THEME         = <cycle>", "THEME = default");
    const struct {
        const char* what;
        std::string before; // "" for no file
        std::string after;
    } cases[] = {
        {"no file: the defaults", "", defaultFile},
        {"a required key missing: replaced whole", Replace(loud, "KEY.PAUSE     = p\n", ""), defaultFile},
        {"from before the optional keys: they are added", older, older + "MOUSE         = on\n"},
        {"an unknown volume: nothing changed", Replace(odd, "= medium", "= Loud"), Replace(odd, "= medium", "= Loud")},
        {"a known volume is written back in the store's layout", Replace(odd, "= medium", "= loud"),
         Replace(loud, "<cycle>", "default")},
        {"a plain file as theme falls back", Replace(defaultFile, "<cycle>", "readme"),
         Replace(defaultFile, "<cycle>", "default")},
    };
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/readme", "a plain file"));
    for (const auto& c : cases) {
        std::remove((dir + "configuration.txt").c_str());
        ASSERT_TRUE(c.before.empty() || HarnessWriteFile(dir, "configuration.txt", c.before));
        EXPECT_EQ(Run(), 0) << c.what;
        EXPECT_EQ(errors, "") << c.what;
        EXPECT_EQ(File(), c.after) << c.what;
        EXPECT_GE(HarnessNow(), 1000u) << c.what << ": the menu ran until the scripted quit";
        EXPECT_LT(HarnessNow(), 1100u) << c.what << ": the quit ended the run at once";
    }
}

TEST_F(ProgramTest, StartUpFailuresAreOneLineAndStatusOne)
{
    std::remove((dir + "themes/default/sprites.c.bmp").c_str());
    EXPECT_EQ(Run(), 1);
    ExpectOneLine("theme");
    EXPECT_FALSE(HarnessFileExists(dir, "chart.raw")) << "the chart is only saved after it was loaded";

    const std::string settings = Replace(defaultFile, "window", "200x150");
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
    ASSERT_TRUE(HarnessWriteFile(dir, "configuration.txt", settings));
    EXPECT_EQ(Run(), 1);
    ExpectOneLine("display");
    EXPECT_EQ(File(), settings) << "the mode is not corrected";

    // Without any display at all (Wayland would look in XDG_RUNTIME_DIR), rather than unseen.
    std::remove((dir + "configuration.txt").c_str());
    const char* names[] = {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"};
    std::string kept[4];
    for (int i = 0; i < 4; ++i) {
        kept[i] = std::getenv(names[i]) != nullptr ? std::getenv(names[i]) : "";
        i < 3 ? unsetenv(names[i]) : setenv(names[i], dir.c_str(), 1);
    }
    EXPECT_EQ(Run(), 1);
    for (int i = 0; i < 4; ++i) {
        kept[i].empty() ? unsetenv(names[i]) : setenv(names[i], kept[i].c_str(), 1);
    }
    ExpectOneLine("display");
    EXPECT_EQ(HarnessNow(), 0u) << "no frame ran";
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    EXPECT_EQ(Run(), 1);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ExpectOneLine("cannot start SDL: ");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunProgram(std::string(5000, 'a').c_str()), 1);
    errors = ::testing::internal::GetCapturedStderr();
    ExpectOneLine("the program's folder name is too long");

    HarnessRemoveDir(dir + "themes/default");
    std::remove((dir + "configuration.txt").c_str());
    EXPECT_EQ(Run(), 1);
    ExpectOneLine("themes");
    EXPECT_EQ(HarnessNow(), 0u) << "an empty themes folder ends before SDL starts";
    EXPECT_EQ(File(), defaultFile) << "the new settings are still written";
    ASSERT_EQ(std::remove((dir + "themes").c_str()), 0);
    EXPECT_EQ(Run(), 1);
    ExpectOneLine("themes folder");
}

TEST_F(ProgramTest, WithoutASoundDeviceTheGamePlaysSilently)
{
    const std::string driver = std::getenv("SDL_AUDIODRIVER") != nullptr ? std::getenv("SDL_AUDIODRIVER") : "dummy";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_EQ(Run(oneGame), 0);
    setenv("SDL_AUDIODRIVER", driver.c_str(), 1);
    ExpectOneLine("zaf: no sound");
    EXPECT_GE(HarnessNow(), 7000u) << "the game and the menu ran to the last key";
    EXPECT_EQ(File(), defaultFile);
}

TEST_F(ProgramTest, ClosingTheWindowQuitsEvenWithAChoiceInTheSameFrame)
{
    EXPECT_EQ(Run({{660, SDL_KEYDOWN, SDLK_x}, {700, SDL_QUIT, SDLK_UNKNOWN}, {700, SDL_KEYUP, SDLK_x}}), 0);
    EXPECT_EQ(errors, "");
    EXPECT_LT(HarnessNow(), 2000u) << "a game was started after the close request";
}

TEST_F(ProgramTest, AGameThatCannotStartReturnsToTheMenu)
{
    // The beam colour is there, so the theme loads, but it is no colour, so no game starts.
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default", Replace(harnessTinyDescriptor, "255 255 0", "yellow").c_str()));
    EXPECT_EQ(Run(HarnessScript({HarnessKey(1000, SDLK_x), HarnessKey(3000, SDLK_ESCAPE)})), 0);
    EXPECT_EQ(errors, "");
    EXPECT_GE(HarnessNow(), 3000u);
    EXPECT_LT(HarnessNow(), 6000u) << "the quit on the main page must end the run";
}

TEST_F(ProgramTest, EveryFinishedGameMovesOnToTheNextThemeWithCycle)
{
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/alpha/descriptor.txt", harnessTinyDescriptor));
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/zeta/descriptor.txt", harnessTinyDescriptor));
    EXPECT_EQ(Run(HarnessScript({Game(1000), Game(6000), Game(11000), HarnessKey(17000, SDLK_ESCAPE)})), 0);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(HarnessThemesSeen(), (Themes{"default", "zeta", "alpha", "default"}));
    EXPECT_EQ(File(), defaultFile) << "cycling changes no setting";
}

TEST_F(ProgramTest, ABrokenChartPlaceFallsBackAndKeepsThePlayersChart)
{
    uint8_t bytes[CHART_FILE_SIZE];
    SetDefaultChart();
    chart[0] = ChartEntry{77777, "Zoe"};
    ChartToBytes(bytes);
    const std::string players(bytes, bytes + CHART_FILE_SIZE);
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "broken", Replace(harnessTinyDescriptor, "127 8", "127").c_str()));
    ASSERT_TRUE(HarnessWriteFile(dir, "configuration.txt", Replace(defaultFile, "<cycle>", "broken")));
    ASSERT_TRUE(HarnessWriteFile(dir, "chart.raw", players));
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(HarnessThemesSeen(), Themes{"default"});
    EXPECT_EQ(File(), Replace(defaultFile, "<cycle>", "default")) << "the fallback lasts";
    EXPECT_EQ(HarnessReadFile(dir, "chart.raw"), players);
}

TEST_F(ProgramTest, FilesThatCannotBeReadAreLeftAloneAndSaidOnce)
{
    // As root nothing is unreadable for want of permission; a FIFO must not block the start
    // and a folder cannot be read as a file either.
    for (const char* name : {"configuration.txt", "chart.raw", "configuration.txt/"}) {
        const std::string path = dir + name;
        std::remove((dir + "configuration.txt").c_str());
        std::remove((dir + "chart.raw").c_str());
        ASSERT_EQ(path.back() == '/' ? mkdir(path.c_str(), 0700) : mkfifo(path.c_str(), 0600), 0) << name;
        EXPECT_EQ(Run(), 0) << name;
        ExpectOneLine(path.back() == '/' ? "configuration.txt" : name);
        struct stat info {};
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & S_IFMT, static_cast<mode_t>(path.back() == '/' ? S_IFDIR : S_IFIFO)) << name << " was replaced";
        ASSERT_EQ(std::remove(path.c_str()), 0);
    }
}

TEST_F(ProgramTest, AnInstalledProgramKeepsItsFilesInThePlayersFolders)
{
    // Broken where it is installed, whole in the player's own folder; beta is broken there.
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/alpha/descriptor.txt", "broken"));
    ASSERT_TRUE(HarnessWriteTinyTheme(dir + "home/data/zaf/", "alpha"));
    ASSERT_TRUE(HarnessWriteFile(dir, "home/data/zaf/themes/beta/descriptor.txt", "broken"));
    Folders folders{};
    ASSERT_TRUE(PortableFolders(dir.c_str(), &folders));
    folders.portable = false;
    snprintf(folders.themes[0], FOLDER_SIZE, "%shome/data/zaf/themes/", dir.c_str());
    snprintf(folders.config, FOLDER_SIZE, "%shome/config/zaf/", dir.c_str());
    snprintf(folders.data, FOLDER_SIZE, "%shome/data/zaf/", dir.c_str());
    const std::string config = "home/config/zaf/configuration.txt";
    // A game with "<cycle>": alpha after default is the player's.
    EXPECT_EQ(Run(oneGame, &folders), 0);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(HarnessThemesSeen(), (Themes{"default", "alpha"}));
    EXPECT_EQ(HarnessReadFile(dir, config), defaultFile);
    EXPECT_EQ(HarnessReadFile(dir, "home/data/zaf/chart.raw").size(), size_t{CHART_FILE_SIZE});
    EXPECT_FALSE(HarnessFileExists(dir, "configuration.txt")) << "nothing beside the program";
    EXPECT_FALSE(HarnessFileExists(dir, "chart.raw"));
    for (const auto& [theme, loaded] : {std::pair{"alpha", "alpha"}, {"beta", "default"}}) {
        ASSERT_TRUE(HarnessWriteFile(dir, config, Replace(defaultFile, "<cycle>", theme)));
        EXPECT_EQ(Run(HarnessKey(1000, SDLK_ESCAPE), &folders), 0);
        EXPECT_EQ(HarnessThemesSeen(), Themes{loaded}) << theme;
        EXPECT_EQ(HarnessReadFile(dir, config), Replace(defaultFile, "<cycle>", loaded)) << theme;
    }

    // Without a home the game plays and says so once.
    folders.config[0] = folders.data[0] = folders.themes[0][0] = '\0';
    EXPECT_EQ(Run(oneGame, &folders), 0);
    ExpectOneLine("cannot be kept");
    EXPECT_GE(HarnessNow(), 7000u) << "a game was played";
    EXPECT_FALSE(HarnessFileExists(dir, "configuration.txt"));
    EXPECT_FALSE(HarnessFileExists(dir, "chart.raw"));
}

// Presses the keys in order, 200 ms apart, from 1.2 s on.
std::vector<HarnessEvent> Keys(std::initializer_list<SDLKey> keys)
{
    std::vector<HarnessEvent> script;
    uint32_t at = 1000;
    for (SDLKey key : keys) {
        const auto press = HarnessKey(at += 200, key);
        script.insert(script.end(), press.begin(), press.end());
    }
    return script;
}

SDL_Rect** TwoModes(SDL_PixelFormat*, uint32_t)
{
    static SDL_Rect modes[] = {{0, 0, 1024, 768}, {0, 0, 800, 600}};
    static SDL_Rect* list[] = {&modes[0], &modes[1], nullptr};
    return list;
}

TEST_F(ProgramTest, MenuChoicesReachTheFileAtExitThroughReloadsAndRestarts)
{
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "alpha"));
    const SDLKey D = SDLK_DOWN, U = SDLK_UP, X = SDLK_x, E = SDLK_ESCAPE, R = SDLK_RIGHT;
    VIDEO_SetBackends(nullptr, TwoModes);
    const struct {
        const char* what;
        std::vector<HarnessEvent> keys;
        std::vector<std::pair<const char*, const char*>> saved;
    } cases[] = {
        // OPTIONS; VOLUME (four down) medium -> loud; DIFFICULTY normal -> hard; up to
        // INTERPOLATION on -> off; CONTROLS (one up), LEFT (two down) gets 'right', which RIGHT
        // gives up for 'left'; MOUSE (up four, round past back) off; back to the main page; quit.
        {"options", Keys({D, X, D, D, D, D, X, D, X, U, U, X, U, X, D, D, X, R, U, U, U, U, X, E, E, E}),
         {{"VOLUME", "loud"}, {"DIFFICULTY", "hard"}, {"INTERPOLATION", "off"},
          {"KEY.LEFT", "right"}, {"KEY.RIGHT", "left"}, {"MOUSE", "off"}}},
        // Theme page (THEME <cycle>): alpha, default, <random>, back. Choosing alpha reloads;
        // the page shown again lacks alpha, so its first entry is now default.
        {"theme", Keys({D, X, X, X, X, E, E, E}), {{"THEME", "default"}}},
        // The video page lists 1024x768 and 800x600 first; choosing the first switches to it,
        // and the page shown again leaves it out, so its first entry is now 800x600.
        {"modes", Keys({D, X, D, X, X, X, E, E, E}), {{"VIDEO", "800x600"}, {"ZOOM", "2"}}},
        // The zoom entries come last: up twice picks ZOOM 4x; after the restart the page
        // offers ZOOM 1x, 2x, 3x and up twice picks 3x.
        {"zoom", Keys({D, X, D, X, U, U, X, U, U, X, E, E, E}),
         {{"VIDEO", "window"}, {"ZOOM", "3"}}},
    };
    for (const auto& c : cases) {
        std::remove((dir + "configuration.txt").c_str());
        EXPECT_EQ(Run(c.keys), 0) << c.what;
        for (const auto& [key, value] : c.saved) {
            EXPECT_EQ(Saved(key), value) << c.what;
        }
    }
    VIDEO_SetBackends(nullptr, nullptr);
}

TEST_F(ProgramTest, TheChartFileSurvivesARunByteForByteAndABadOneIsReplaced)
{
    const std::string bytes(reinterpret_cast<const char*>(chart_sample::kFile), sizeof chart_sample::kFile);
    ASSERT_TRUE(HarnessWriteFile(dir, "chart.raw", bytes));
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "alpha"));
    // Through a theme reload too: the chart is loaded and saved on every pass.
    EXPECT_EQ(Run(Keys({SDLK_DOWN, SDLK_x, SDLK_x, SDLK_x, SDLK_ESCAPE, SDLK_ESCAPE, SDLK_ESCAPE})), 0);
    EXPECT_EQ(chart[0].points, 123456789u) << "the rows were read";
    EXPECT_STREQ(chart[2].name, "fifteen-chars-x");
    EXPECT_EQ(HarnessReadFile(dir, "chart.raw"), bytes);

    for (const std::string& file : {std::string(199, '\x5A'), std::string(201, '\x5A')}) {
        ASSERT_TRUE(HarnessWriteFile(dir, "chart.raw", file));
        EXPECT_EQ(Run(), 0);
        const std::string saved = HarnessReadFile(dir, "chart.raw");
        ASSERT_EQ(saved.size(), size_t{CHART_FILE_SIZE}) << "a whole chart is written back";
        ASSERT_TRUE(ChartFromBytes(reinterpret_cast<const uint8_t*>(saved.data()), saved.size()));
        for (int i = 0; i < CHART_ROWS; i++) {
            EXPECT_EQ(chart[i].points, 5000u - 500u * i) << "the default chart, row " << i + 1;
            EXPECT_STREQ(chart[i].name, "plume");
        }
    }
}

} // namespace
