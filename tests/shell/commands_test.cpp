// The built programs as a player or a packager starts them: the game's command line, and the
// screenshot tool whose pictures are compared with the approved ones.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/support/scratch.h"

namespace {

// Exit status of the shell command, or -1 when it did not exit.
int ExitStatus(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

uint64_t Fnv1a(const std::vector<uint8_t>& bytes)
{
    uint64_t hash = 14695981039346656037ull;
    for (uint8_t b : bytes) {
        hash = (hash ^ b) * 1099511628211ull;
    }
    return hash;
}

const std::string kRun = ZAF_RUN_DIR;

}  // namespace

// Without a display the game would fail with 1, so a 2 shows the argument was refused first.
TEST(Commands, GameAnswersHelpAndVersionAndRefusesAnythingElse)
{
    TempDir scratch;
    const struct {
        const char* args;
        int status;
        const char* out;
        const char* err;
    } rows[] = {
        {"--help", 0, "usage: zaf", ""},
        {"--version", 0, "zaf 1.0\n", ""},
        {"--bogus", 2, "", "usage: zaf"},
        {"--help --version", 2, "", "usage: zaf"},
        {"--version x", 2, "", "usage: zaf"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args);
        const std::string out = scratch.Path("out"), err = scratch.Path("err");
        EXPECT_EQ(ExitStatus("env -u SDL_VIDEODRIVER -u DISPLAY -u WAYLAND_DISPLAY '" + kRun + "/zaf' " +
                             row.args + " >" + out + " 2>" + err),
                  row.status);
        EXPECT_EQ(FileText(out).rfind(row.out, 0), 0u) << FileText(out);
        EXPECT_EQ(FileText(err).rfind(row.err, 0), 0u) << FileText(err);
    }
}

// A change of art, layout or drawing changes these; when it is meant, look at the pictures
// (zaf_screens OUTDIR) and take the new values from the failure messages.
TEST(Commands, ScreenshotsOfEveryPageAndSceneLookAsApproved)
{
    TempDir out;
    const std::string screens = "env -u SDL_VIDEODRIVER '" + kRun + "/zaf_screens' ";
    ASSERT_EQ(ExitStatus(screens + out.Path("") + " >/dev/null"), 0) << "headless by itself";
    const struct {
        const char* file;
        uint64_t hash;
    } rows[] = {
        {"menu-main.bmp", 0xa369f65cb5badc95ull},
        {"menu-options.bmp", 0xb7baf1f32400e205ull},
        {"menu-theme.bmp", 0xec6f186a3a4d0ca5ull},
        {"menu-video.bmp", 0xeb8c9ee89dfcf5ull},
        {"menu-video-modes.bmp", 0x91d06a9c5b3cd675ull},
        {"menu-about.bmp", 0xdaa38e766fb4d249ull},
        {"game-play.bmp", 0x5c45c43a63e4ff7dull},
        {"game-pause.bmp", 0x196ae696efad3bdull},
        {"game-over.bmp", 0x9b20236cab8a8b95ull},
        {"chart-entry.bmp", 0x337105a42b9edc2dull},
    };
    for (const auto& row : rows) {
        const uint64_t hash = Fnv1a(ReadBytes(out.Path(row.file)));
        EXPECT_EQ(hash, row.hash) << row.file << " is now 0x" << std::hex << hash;
    }
    EXPECT_EQ(out.Entries(), 10) << "no picture more, none less";
}

// The last picture of the game cannot be written: the pictures before it are no success.
TEST(Commands, ScreenshotToolFailsWhenAPictureCannotBeWritten)
{
    TempDir out;
    ASSERT_EQ(ExitStatus("mkdir " + out.Path("game-over.bmp")), 0);
    EXPECT_EQ(ExitStatus("'" + kRun + "/zaf_screens' " + out.Path("") + " >/dev/null 2>&1"), 1);
}
