#include "shell/program.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/chart.h"
#include "shell/app.h"
#include "shell/paths.h"
#include "tests/shell/harness.h"

namespace {

const std::string defaultFile = HarnessDefaultSettings();

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) {
        text.replace(at, from.size(), to);
    }
    return text;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = HarnessNewProgDir();
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override { HarnessRemoveDir(dir); }

    // Runs the program, by default to a quit from the main page; keeps what it printed on
    // stderr.
    int RunAndQuit(const std::vector<HarnessEvent>& script = HarnessKey(1000, SDLK_ESCAPE))
    {
        ::testing::internal::CaptureStderr();
        const int status = HarnessRun(dir, script);
        errors = ::testing::internal::GetCapturedStderr();
        return status;
    }
    void ExpectStartUpFailure(const char* what)
    {
        EXPECT_EQ(RunAndQuit(), 1) << what;
        EXPECT_NE(errors.find(what), std::string::npos) << errors;
        EXPECT_EQ(errors.find('\n'), errors.size() - 1) << "exactly one line: " << errors;
        EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u) << "SDL is shut down after: " << what;
    }
    std::string Settings() { return HarnessReadFile(dir, "configuration.txt"); }

    std::string dir;
    std::string errors;
};

TEST_F(ProgramTest, WithoutSettingsAQuitWritesTheDefaultsSilently)
{
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
    EXPECT_EQ(RunAndQuit(), 0);
    EXPECT_EQ(errors, "") << "a normal quit prints nothing";
    EXPECT_EQ(Settings(), defaultFile);
    EXPECT_TRUE(HarnessFileExists(dir, "chart.raw")) << "the chart is saved after the theme loop";
    EXPECT_GE(HarnessNow(), 1000u) << "the menu ran until the scripted quit";
    EXPECT_LT(HarnessNow(), 5000u) << "the quit ended the run at once";
    EXPECT_EQ(app.runState, RUN_QUIT);
}

TEST_F(ProgramTest, ASettingsFileLackingAKeyIsReplacedWhole)
{
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
    std::string settings = Replace(defaultFile, "VOLUME        = medium", "VOLUME        = loud");
    settings = Replace(settings, "KEY.PAUSE     = p\n", "");
    ASSERT_TRUE(HarnessWriteFile(dir, "configuration.txt", settings));
    EXPECT_EQ(RunAndQuit(), 0);
    EXPECT_EQ(Settings(), defaultFile) << "the custom volume is lost with the rest";
}

TEST_F(ProgramTest, AnUnknownVolumeStaysAsWrittenAndAKnownOneIsRewritten)
{
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
    // Odd spacing shows whether the file was written again.
    std::string settings = Replace(defaultFile, "THEME         = <cycle>", "THEME = default");
    settings = Replace(settings, "VOLUME        = medium", "VOLUME        = Loud");
    ASSERT_TRUE(HarnessWriteFile(dir, "configuration.txt", settings));
    EXPECT_EQ(RunAndQuit(), 0);
    EXPECT_EQ(Settings(), settings) << "nothing changed, so nothing was written";

    settings = Replace(settings, "VOLUME        = Loud", "VOLUME        = loud");
    ASSERT_TRUE(HarnessWriteFile(dir, "configuration.txt", settings));
    EXPECT_EQ(RunAndQuit(), 0);
    EXPECT_EQ(Settings(), Replace(Replace(defaultFile, "<cycle>", "default"), "medium", "loud"))
        << "the volume written back rewrites the file in the store's layout";
}

TEST_F(ProgramTest, StartUpFailuresAreOneLineAndStatusOne)
{
    ExpectStartUpFailure("themes");
    EXPECT_EQ(HarnessNow(), 0u) << "an empty themes folder ends before SDL starts";
    EXPECT_EQ(Settings(), defaultFile) << "the new settings are still written";

    ASSERT_EQ(std::remove((dir + "themes").c_str()), 0);
    ExpectStartUpFailure("themes folder");

    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
    const std::string settings = Replace(defaultFile, "window", "200x150");
    ASSERT_TRUE(HarnessWriteFile(dir, "configuration.txt", settings));
    ExpectStartUpFailure("display");
    EXPECT_EQ(Settings(), settings) << "the mode is not corrected; the volume rewrite keeps the layout";

    ASSERT_TRUE(HarnessWriteFile(dir, "configuration.txt", defaultFile));
    ASSERT_EQ(std::remove((dir + "themes/default/sprites.c.bmp").c_str()), 0);
    ExpectStartUpFailure("theme");
    EXPECT_FALSE(HarnessFileExists(dir, "chart.raw")) << "the chart is only saved after it was loaded";
}

// Sets (or with NULL unsets) an environment variable for the life of the object.
class EnvOverride {
public:
    EnvOverride(const char* name, const char* value) : name_(name)
    {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        old_ = had_ ? old : "";
        value != nullptr ? setenv(name, value, 1) : unsetenv(name);
    }
    ~EnvOverride() { had_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }
    EnvOverride(const EnvOverride&) = delete;
    EnvOverride& operator=(const EnvOverride&) = delete;

private:
    const char* name_;
    bool had_;
    std::string old_;
};

TEST_F(ProgramTest, WithoutADisplayTheProgramEndsInsteadOfRunningUnseen)
{
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
    const EnvOverride driver("SDL_VIDEODRIVER", nullptr);
    const EnvOverride x11("DISPLAY", nullptr);
    const EnvOverride wayland("WAYLAND_DISPLAY", nullptr);
    // Where Wayland would look for a display, quietly finding none.
    const EnvOverride runtime("XDG_RUNTIME_DIR", dir.c_str());
    ExpectStartUpFailure("display");
    EXPECT_EQ(HarnessNow(), 0u) << "no frame ran";
}

TEST_F(ProgramTest, WithoutASoundDeviceTheGamePlaysSilently)
{
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
    const EnvOverride audio("SDL_AUDIODRIVER", "no-such-driver");
    const auto game = HarnessScript({HarnessKey(1000, SDLK_x), HarnessKey(3000, SDLK_ESCAPE),
                                     HarnessKey(4500, SDLK_ESCAPE), HarnessKey(7000, SDLK_ESCAPE)});
    EXPECT_EQ(RunAndQuit(game), 0);
    EXPECT_EQ(errors.find("zaf: no sound"), 0u) << errors;
    EXPECT_EQ(errors.find('\n'), errors.size() - 1) << "one line: " << errors;
    EXPECT_GE(HarnessNow(), 7000u) << "the game and the menu ran to the last key";
    EXPECT_EQ(Settings(), defaultFile);
}

TEST_F(ProgramTest, APlainFileChosenAsThemeFallsBackAndTheChoiceIsWritten)
{
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/readme", "a plain file"));
    ASSERT_TRUE(HarnessWriteFile(dir, "configuration.txt", Replace(defaultFile, "<cycle>", "readme")));
    EXPECT_EQ(RunAndQuit(), 0);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(Settings(), Replace(defaultFile, "<cycle>", "default"));
}

TEST_F(ProgramTest, TheGeneratedThemesRunTheProgram)
{
    if (!HarnessLinkTheme(dir, "default")) {
        GTEST_SKIP() << "the generated themes are not in the run folder";
    }
    EXPECT_EQ(RunAndQuit(), 0);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(Settings(), defaultFile);
}

TEST_F(ProgramTest, ClosingTheWindowQuitsEvenWithAChoiceInTheSameFrame)
{
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
    EXPECT_EQ(RunAndQuit({{700, SDL_QUIT, SDLK_UNKNOWN}}), 0);
    EXPECT_EQ(errors, "");
    EXPECT_LT(HarnessNow(), 2000u);

    // PLAY chosen in the frame of the close request must not start a game.
    EXPECT_EQ(RunAndQuit({{660, SDL_KEYDOWN, SDLK_x}, {700, SDL_QUIT, SDLK_UNKNOWN}, {700, SDL_KEYUP, SDLK_x}}), 0);
    EXPECT_LT(HarnessNow(), 2000u) << "a game was started after the close request";
}

TEST_F(ProgramTest, AGameThatCannotStartReturnsToTheMenu)
{
    // The beam colour is there, so the theme loads, but it is no colour, so no game starts.
    std::string descriptor = HarnessTinyDescriptor();
    descriptor = Replace(descriptor, "BEAMS.CATCHER     = 255 255 0", "BEAMS.CATCHER     = yellow");
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default", descriptor.c_str()));
    ASSERT_TRUE(HarnessWriteFile(dir, "configuration.txt", Replace(defaultFile, "<cycle>", "default")));
    EXPECT_EQ(RunAndQuit(HarnessScript({HarnessKey(1000, SDLK_x), HarnessKey(3000, SDLK_ESCAPE)})), 0);
    EXPECT_EQ(errors, "");
    EXPECT_GE(HarnessNow(), 3000u);
    EXPECT_LT(HarnessNow(), 6000u) << "the quit on the main page must end the run";
}

TEST_F(ProgramTest, EveryFinishedGameMovesOnToTheNextThemeWithCycle)
{
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/alpha/descriptor.txt", HarnessTinyDescriptor()));
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/zeta/descriptor.txt", HarnessTinyDescriptor()));
    // Three games, each: PLAY, escape ends the play, escape leaves game over; then quit.
    const auto script = HarnessScript({HarnessKeys(1000, SDLK_x, 3, 5000), HarnessKeys(3000, SDLK_ESCAPE, 3, 5000),
                                       HarnessKeys(4500, SDLK_ESCAPE, 3, 5000), HarnessKey(17000, SDLK_ESCAPE)});
    EXPECT_EQ(RunAndQuit(script), 0);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(HarnessThemesSeen(), (std::vector<std::string>{"default", "zeta", "alpha", "default"}));
    EXPECT_LT(HarnessNow(), 20000u);
    EXPECT_EQ(Settings(), defaultFile) << "cycling changes no setting";
}

// Bytes that are a chart: what the program must never replace behind the player's back.
std::string ChartBytes()
{
    uint8_t bytes[CHART_FILE_SIZE];
    SetDefaultChart();
    chart[0] = ChartEntry{77777, "Zoe"};
    ChartToBytes(bytes);
    return std::string(bytes, bytes + CHART_FILE_SIZE);
}

TEST_F(ProgramTest, ABrokenChartPlaceFallsBackAndKeepsThePlayersChart)
{
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
    ASSERT_TRUE(HarnessWriteTinyTheme(
        dir, "broken", Replace(HarnessTinyDescriptor(), "CHART             = 127 8", "CHART = 127").c_str()));
    ASSERT_TRUE(HarnessWriteFile(dir, "configuration.txt", Replace(defaultFile, "<cycle>", "broken")));
    ASSERT_TRUE(HarnessWriteFile(dir, "chart.raw", ChartBytes()));
    EXPECT_EQ(RunAndQuit(), 0);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(HarnessThemesSeen(), std::vector<std::string>{"default"});
    EXPECT_EQ(Settings(), Replace(defaultFile, "<cycle>", "default")) << "the fallback lasts";
    EXPECT_EQ(HarnessReadFile(dir, "chart.raw"), ChartBytes());
}

TEST_F(ProgramTest, FilesThatCannotBeReadAreLeftAloneAndSaidOnce)
{
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
    // As root nothing is unreadable for want of permission; a FIFO must not block the start
    // and a folder cannot be read as a file either.
    for (const char* name : {"configuration.txt", "chart.raw"}) {
        std::remove((dir + name).c_str());
        ASSERT_EQ(mkfifo((dir + name).c_str(), 0600), 0) << name;
        EXPECT_EQ(RunAndQuit(), 0) << name;
        EXPECT_NE(errors.find(name), std::string::npos) << errors;
        EXPECT_EQ(errors.find('\n'), errors.size() - 1) << "one line: " << errors;
        struct stat info {};
        ASSERT_EQ(stat((dir + name).c_str(), &info), 0);
        EXPECT_TRUE(S_ISFIFO(info.st_mode)) << name << " was replaced";
        ASSERT_EQ(std::remove((dir + name).c_str()), 0);
    }
    std::remove((dir + "configuration.txt").c_str());
    ASSERT_EQ(mkdir((dir + "configuration.txt").c_str(), 0700), 0);
    EXPECT_EQ(RunAndQuit(), 0);
    EXPECT_NE(errors.find("configuration.txt"), std::string::npos) << errors;
}

class InstalledTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
        // Broken where it is installed, whole in the player's own folder.
        ASSERT_TRUE(HarnessWriteFile(dir, "themes/alpha/descriptor.txt", "broken"));
        ASSERT_TRUE(HarnessWriteTinyTheme(dir + "home/data/zaf/", "alpha"));
        ASSERT_TRUE(HarnessWriteFile(dir, "home/data/zaf/themes/beta/descriptor.txt", "broken"));
        ASSERT_TRUE(HarnessWriteFile(dir, "home/config/zaf/configuration.txt",
                                     Replace(defaultFile, "<cycle>", "alpha")));
        ASSERT_TRUE(PortableFolders(dir.c_str(), &folders));
        folders.portable = false;
        snprintf(folders.themes[0], FOLDER_SIZE, "%shome/data/zaf/themes/", dir.c_str());
        snprintf(folders.config, FOLDER_SIZE, "%shome/config/zaf/", dir.c_str());
        snprintf(folders.data, FOLDER_SIZE, "%shome/data/zaf/", dir.c_str());
    }
    int RunInstalled(const std::vector<HarnessEvent>& script)
    {
        ::testing::internal::CaptureStderr();
        const int status = HarnessRun(folders, script);
        errors = ::testing::internal::GetCapturedStderr();
        return status;
    }
    Folders folders{};
};

TEST_F(InstalledTest, ThePlayersThemesJoinTheInstalledOnesAndFilesGoToTheirFolders)
{
    // A game with "<cycle>" after it: alpha is the player's, beta falls back to default.
    const auto script = HarnessScript({HarnessKey(1000, SDLK_x), HarnessKey(3000, SDLK_ESCAPE),
                                       HarnessKey(4500, SDLK_ESCAPE), HarnessKey(7000, SDLK_ESCAPE)});
    ASSERT_TRUE(HarnessWriteFile(dir, "home/config/zaf/configuration.txt", defaultFile));
    EXPECT_EQ(RunInstalled(script), 0);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(HarnessThemesSeen(), (std::vector<std::string>{"default", "alpha"}));
    EXPECT_EQ(HarnessReadFile(dir, "home/config/zaf/configuration.txt"), defaultFile);
    EXPECT_EQ(HarnessReadFile(dir, "home/data/zaf/chart.raw").size(), size_t{CHART_FILE_SIZE});
    EXPECT_FALSE(HarnessFileExists(dir, "configuration.txt")) << "nothing beside the program";
    EXPECT_FALSE(HarnessFileExists(dir, "chart.raw"));

    // A player's theme of an installed name replaces it; one that is broken falls back.
    ASSERT_TRUE(HarnessWriteFile(dir, "home/config/zaf/configuration.txt",
                                 Replace(defaultFile, "<cycle>", "alpha")));
    EXPECT_EQ(RunInstalled(HarnessKey(1000, SDLK_ESCAPE)), 0);
    EXPECT_EQ(HarnessThemesSeen(), std::vector<std::string>{"alpha"});
    EXPECT_EQ(HarnessReadFile(dir, "home/config/zaf/configuration.txt"),
              Replace(defaultFile, "<cycle>", "alpha"));
    ASSERT_TRUE(HarnessWriteFile(dir, "home/config/zaf/configuration.txt",
                                 Replace(defaultFile, "<cycle>", "beta")));
    EXPECT_EQ(RunInstalled(HarnessKey(1000, SDLK_ESCAPE)), 0);
    EXPECT_EQ(HarnessThemesSeen(), std::vector<std::string>{"default"});
}

TEST_F(InstalledTest, WithoutAHomeTheGamePlaysAndSaysSoOnce)
{
    folders.config[0] = '\0';
    folders.data[0] = '\0';
    folders.themes[0][0] = '\0';
    EXPECT_EQ(RunInstalled(HarnessScript({HarnessKey(1000, SDLK_x), HarnessKey(3000, SDLK_ESCAPE),
                                          HarnessKey(4500, SDLK_ESCAPE), HarnessKey(7000, SDLK_ESCAPE)})),
              0);
    EXPECT_NE(errors.find("cannot be kept"), std::string::npos) << errors;
    EXPECT_EQ(errors.find('\n'), errors.size() - 1) << "one line: " << errors;
    EXPECT_GE(HarnessNow(), 7000u) << "a game was played";
    EXPECT_FALSE(HarnessFileExists(dir, "configuration.txt"));
    EXPECT_FALSE(HarnessFileExists(dir, "chart.raw"));

    // A settings folder that is a file: the file stays, one line says so.
    snprintf(folders.config, FOLDER_SIZE, "%shome/config/zaf/configuration.txt/", dir.c_str());
    snprintf(folders.data, FOLDER_SIZE, "%shome/data/zaf/", dir.c_str());
    EXPECT_EQ(RunInstalled(HarnessKey(1000, SDLK_ESCAPE)), 0);
    EXPECT_EQ(errors.find('\n'), errors.size() - 1) << "one line: " << errors;
    EXPECT_NE(errors.find("configuration.txt"), std::string::npos) << errors;
    EXPECT_EQ(HarnessReadFile(dir, "home/config/zaf/configuration.txt"),
              Replace(defaultFile, "<cycle>", "alpha"));
}

} // namespace
