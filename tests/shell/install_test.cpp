// The installed program as a player starts it: `cmake --install` into a scratch DESTDIR, then
// the installed executable in a process of its own, headless, with a home of its own.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <glob.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "tests/shell/harness.h"

namespace {

// "path mode size mtime" of everything below `root`, one line each, sorted by path.
std::string Listing(const std::string& root, const std::string& relative = "")
{
    std::map<std::string, std::string> rows;
    DIR* dir = opendir((root + relative).c_str());
    while (const dirent* entry = dir != nullptr ? readdir(dir) : nullptr) {
        const std::string path = relative + "/" + entry->d_name;
        struct stat info {};
        if (entry->d_name[0] != '.' && lstat((root + path).c_str(), &info) == 0) {
            rows[path] = std::to_string(info.st_mode) + " " + std::to_string(info.st_size) + " " +
                         std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec) + "\n" +
                         (S_ISDIR(info.st_mode) ? Listing(root, path) : "");
        }
    }
    if (dir != nullptr) {
        closedir(dir);
    }
    std::string text;
    for (const auto& [path, row] : rows) {
        text.append(path).append(" ").append(row);
    }
    return text;
}

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
    // the XDG variables, as `uid` when it is not -1, and returns its exit status; what it
    // printed on stderr lands in `errors`. SDL turns SIGTERM into a close request: the dummy
    // video driver saves every frame it shows, and a few frames in the menu is running.
    int RunInstalled(const std::vector<std::string>& env, uid_t uid = static_cast<uid_t>(-1))
    {
        const std::string frames = dir + "frames" + std::to_string(++runs) + "/";
        if (mkdir(frames.c_str(), 0755) != 0 || (uid != static_cast<uid_t>(-1) && chown(frames.c_str(), uid, uid) != 0)) {
            return -1;
        }
        // The environment is made before the fork: the child only switches user and starts.
        std::vector<std::string> settings = env;
        settings.push_back("SDL_VIDEO_DUMMY_SAVE_FRAMES=1");
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string setting = *e;
            if (setting.rfind("HOME=", 0) != 0 && setting.rfind("XDG_", 0) != 0 && setting.rfind("SDL_VIDEO_DUMMY", 0) != 0) {
                settings.push_back(setting);
            }
        }
        std::vector<char*> envp;
        for (std::string& setting : settings) {
            envp.push_back(setting.data());
        }
        envp.push_back(nullptr);
        char* const argv[] = {zaf.data(), nullptr};
        const int errorFile = open((frames + "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const pid_t child = fork();
        if (child == 0) {
            const bool dropped = uid == static_cast<uid_t>(-1) ||
                                 (setgroups(0, nullptr) == 0 && setgid(uid) == 0 && setuid(uid) == 0);
            if (dropped && chdir(frames.c_str()) == 0 && dup2(errorFile, 2) >= 0) {
                execve(zaf.c_str(), argv, envp.data());
            }
            _exit(127);
        }
        close(errorFile);
        int status = -1;
        // A start that takes a minute is a failure in itself.
        bool ended = false;
        bool shown = false;
        for (const time_t deadline = time(nullptr) + 60; !ended && !shown && time(nullptr) < deadline; usleep(5000)) {
            ended = waitpid(child, &status, WNOHANG) == child;
            glob_t found{};
            shown = glob((frames + "*-00000005.bmp").c_str(), 0, nullptr, &found) == 0;
            globfree(&found);
        }
        if (!ended) {
            kill(child, shown ? SIGTERM : SIGKILL);
            waitpid(child, &status, 0);
        }
        errors = HarnessReadFile(frames, "stderr");
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
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
    EXPECT_EQ(RunInstalled({"HOME=" + dir + "home", "XDG_CONFIG_HOME=" + dir + "config", "XDG_DATA_HOME=" + dir + "data"}),
              0)
        << errors;
    EXPECT_EQ(errors, "");
    EXPECT_EQ(HarnessReadFile(dir, "config/zaf/configuration.txt"), HarnessDefaultSettings());
    EXPECT_TRUE(HarnessFileExists(dir, "data/zaf/chart.raw"));
    ExpectPrivateFolder("config/zaf");
    ExpectPrivateFolder("data/zaf");
    EXPECT_FALSE(HarnessFileExists(dir, "home")) << "the XDG folders were given, so HOME is not used";
    EXPECT_EQ(Listing(stage), installed) << "nothing is written into the installed folders";

    // Read-only, and run by someone who cannot write there even when the test runs as root;
    // without the XDG variables the files go below HOME.
    ASSERT_EQ(std::system(("chmod -R a-w " + stage).c_str()), 0);
    const uid_t player = geteuid() == 0 ? 65534 : static_cast<uid_t>(-1);
    ASSERT_EQ(mkdir((dir + "home2").c_str(), 0755), 0);
    ASSERT_TRUE(player == static_cast<uid_t>(-1) || chown((dir + "home2").c_str(), player, player) == 0);
    const std::string readOnly = Listing(stage);
    EXPECT_EQ(RunInstalled({"HOME=" + dir + "home2"}, player), 0) << errors;
    EXPECT_EQ(errors, "");
    EXPECT_EQ(HarnessReadFile(dir, "home2/.config/zaf/configuration.txt"), HarnessDefaultSettings());
    EXPECT_TRUE(HarnessFileExists(dir, "home2/.local/share/zaf/chart.raw"));
    EXPECT_EQ(Listing(stage), readOnly);
}

} // namespace
