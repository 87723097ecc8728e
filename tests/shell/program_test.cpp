#include "shell/program.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "shell/app.h"
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

    // A file from before the optional keys keeps every value and gains them at its end.
    settings = Replace(Replace(defaultFile, "VOLUME        = medium", "VOLUME        = loud"), "MOUSE         = on\n", "");
    settings = Replace(settings, "KEY.LEFT      = left", "KEY.LEFT      = a");
    ASSERT_TRUE(HarnessWriteFile(dir, "configuration.txt", settings));
    EXPECT_EQ(RunAndQuit(), 0);
    EXPECT_EQ(Settings(), settings + "MOUSE         = on\n");
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

TEST_F(ProgramTest, ClosingTheWindowQuits)
{
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default"));
    EXPECT_EQ(RunAndQuit({{700, SDL_QUIT, SDLK_UNKNOWN}}), 0);
    EXPECT_EQ(errors, "");
    EXPECT_LT(HarnessNow(), 2000u);
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

} // namespace
