// The installed program as a player starts it: `cmake --install` into a scratch DESTDIR, then
// the installed executable in a process of its own, headless, with a home of its own.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/shell/harness.h"

namespace {

class InstalledProgramTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        ASSERT_EQ(chmod(dir.c_str(), 0755), 0) << "the player's run below must reach its folders";
        const std::string install = "DESTDIR=" + dir + "stage " ZAF_CMAKE " --install " ZAF_BUILD_DIR
                                    " --prefix /usr >" + dir + "install.log 2>&1";
        ASSERT_EQ(std::system(install.c_str()), 0) << HarnessReadFile(dir, "install.log");
        zaf = dir + "stage/usr/" ZAF_INSTALL_BINDIR "/zaf";
        ASSERT_EQ(access(zaf.c_str(), X_OK), 0) << zaf;
    }
    void TearDown() override
    {
        std::system(("chmod -R u+w " + dir + "stage").c_str());
        ShellTest::TearDown();
    }

    // Runs the installed program with `env` added to the test's own environment less HOME and
    // the XDG folders, as the user id `player` when given, and returns its exit status; what
    // it printed on stderr lands in `errors`. SDL turns SIGTERM into a close request: the
    // dummy video driver saves every frame it shows, and a fifth frame means the menu runs.
    int RunInstalled(const std::string& env, const std::string& player = "")
    {
        const std::string frames = dir + "frames" + std::to_string(++runs);
        const std::string user =
            player.empty() ? "" : "setpriv --reuid=" + player + " --regid=" + player + " --clear-groups ";
        const std::string script =
            "mkdir " + frames + (player.empty() ? "" : " && chown " + player + " " + frames) + " && cd " + frames +
            " && { env -u HOME -u XDG_CONFIG_HOME -u XDG_DATA_HOME SDL_VIDEO_DUMMY_SAVE_FRAMES=1 " + env + " " + user +
            "'" + zaf + "' 2>stderr & for i in $(seq 6000); do ls *-00000005.bmp >/dev/null 2>&1 && break; " +
            "kill -0 $! 2>/dev/null || break; sleep 0.01; done; kill -TERM $! 2>/dev/null; wait $!; }";
        const int status = std::system(script.c_str());
        errors = HarnessReadFile(frames, "/stderr");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // "path type+mode size mtime" of everything below `root`, one line each, sorted by path.
    std::string Listing(const std::string& root)
    {
        const std::string list = dir + "listing";
        const std::string find =
            "find '" + root + "' -printf '%P %y%m %s %T@\\n' | LC_ALL=C sort >'" + list + "'";
        EXPECT_EQ(std::system(find.c_str()), 0);
        return HarnessReadFile(list, "");
    }
    void ExpectPrivateFolder(const std::string& relative)
    {
        struct stat info {};
        EXPECT_EQ(stat((dir + relative).c_str(), &info), 0) << relative;
        EXPECT_EQ(info.st_mode & 0777, 0700u) << relative << " is made for the player alone";
    }

    std::string zaf;
    int runs = 0;
};

TEST_F(InstalledProgramTest, KeepsSettingsAndChartInTheHomeFoldersAndWritesNothingBesideItself)
{
    const std::string stage = dir + "stage";
    const std::string installed = Listing(stage);
    ASSERT_NE(installed.find("/themes/default/descriptor.txt"), std::string::npos) << installed;
    EXPECT_EQ(RunInstalled("HOME=" + dir + "home XDG_CONFIG_HOME=" + dir + "config XDG_DATA_HOME=" + dir + "data"), 0)
        << errors;
    EXPECT_EQ(errors, "");
    EXPECT_EQ(HarnessReadFile(dir, "config/zaf/configuration.txt"), harnessDefaultSettings);
    EXPECT_TRUE(HarnessFileExists(dir, "data/zaf/chart.raw"));
    ExpectPrivateFolder("config/zaf");
    ExpectPrivateFolder("data/zaf");
    EXPECT_FALSE(HarnessFileExists(dir, "home")) << "the XDG folders were given, so HOME is not used";
    EXPECT_EQ(Listing(stage), installed) << "nothing is written into the installed folders";

    // Read-only, and run by someone who cannot write there even when the test runs as root;
    // without the XDG variables the files go below HOME.
    ASSERT_EQ(std::system(("chmod -R a-w " + stage).c_str()), 0);
    const std::string player = geteuid() == 0 ? "65534" : "";
    ASSERT_EQ(mkdir((dir + "home2").c_str(), 0755), 0);
    ASSERT_TRUE(player.empty() || chown((dir + "home2").c_str(), 65534, 65534) == 0);
    const std::string readOnly = Listing(stage);
    EXPECT_EQ(RunInstalled("HOME=" + dir + "home2", player), 0) << errors;
    EXPECT_EQ(errors, "");
    EXPECT_EQ(HarnessReadFile(dir, "home2/.config/zaf/configuration.txt"), harnessDefaultSettings);
    EXPECT_TRUE(HarnessFileExists(dir, "home2/.local/share/zaf/chart.raw"));
    EXPECT_EQ(Listing(stage), readOnly);
}

} // namespace
