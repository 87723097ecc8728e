// The installed program as a player starts it: `cmake --install` into a scratch DESTDIR, then
// the installed executable in a process of its own, headless, with a home of its own. SDL
// turns SIGTERM into a quit event (the window's close button), so each run is start, menu,
// quit; the dummy video driver saves every frame it shows, which tells when the menu runs.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
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
void List(const std::string& root, const std::string& relative, std::map<std::string, std::string>& rows)
{
    DIR* dir = opendir((root + relative).c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string path = relative + "/" + name;
        struct stat info {};
        if (lstat((root + path).c_str(), &info) != 0) {
            continue;
        }
        rows[path] = std::to_string(info.st_mode) + " " + std::to_string(info.st_size) + " " +
                     std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
        if (S_ISDIR(info.st_mode)) {
            List(root, path, rows);
        }
    }
    closedir(dir);
}

std::string Listing(const std::string& root)
{
    std::map<std::string, std::string> rows;
    List(root, "", rows);
    std::string text;
    for (const auto& [path, row] : rows) {
        text.append(path).append(" ").append(row).append("\n");
    }
    return text;
}

bool SawFrames(const std::string& dir, int count)
{
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "-%08d.bmp", count);
    bool seen = false;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* entry = readdir(d)) {
            const std::string name = entry->d_name;
            seen = seen || (name.size() > 13 && name.compare(name.size() - 13, 13, suffix) == 0);
        }
        closedir(d);
    }
    return seen;
}

class InstalledProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch = HarnessNewProgDir();
        ASSERT_FALSE(scratch.empty());
        ASSERT_EQ(chmod(scratch.c_str(), 0755), 0) << "the player's run below must reach its folders";
        const std::string install = "DESTDIR=" + scratch + "stage " ZAF_CMAKE " --install " ZAF_BUILD_DIR
                                    " --prefix /usr >" + scratch + "install.log 2>&1";
        ASSERT_EQ(std::system(install.c_str()), 0) << HarnessReadFile(scratch, "install.log");
        zaf = scratch + "stage/usr/" ZAF_INSTALL_BINDIR "/zaf";
        ASSERT_EQ(access(zaf.c_str(), X_OK), 0) << zaf;
    }
    void TearDown() override
    {
        std::system(("chmod -R u+w " + scratch + "stage").c_str());
        HarnessRemoveDir(scratch);
    }

    // Runs the installed program with `env` added to the test's own environment less HOME and
    // the XDG variables, as `uid` when it is not -1, and returns its exit status; what it
    // printed on stderr lands in `errors`.
    int Run(const std::vector<std::string>& env, uid_t uid = static_cast<uid_t>(-1))
    {
        const std::string frames = scratch + "frames" + std::to_string(++runs);
        const std::string log = scratch + "stderr" + std::to_string(runs);
        if (mkdir(frames.c_str(), 0755) != 0 || (uid != static_cast<uid_t>(-1) && chown(frames.c_str(), uid, uid) != 0)) {
            return -1;
        }
        // The environment is made before the fork: the child only switches user and starts.
        std::vector<std::string> settings = env;
        settings.push_back("SDL_VIDEO_DUMMY_SAVE_FRAMES=1");
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string setting = *e;
            if (setting.rfind("HOME=", 0) != 0 && setting.rfind("XDG_", 0) != 0 &&
                setting.rfind("SDL_VIDEO_DUMMY_SAVE_FRAMES=", 0) != 0) {
                settings.push_back(setting);
            }
        }
        std::vector<char*> envp;
        for (std::string& setting : settings) {
            envp.push_back(setting.data());
        }
        envp.push_back(nullptr);
        char* const argv[] = {zaf.data(), nullptr};
        const int errorFile = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
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
        // A few frames after the first one the menu is running; a start that takes a minute
        // is a failure in itself.
        const time_t deadline = time(nullptr) + 60;
        bool ended = false;
        while (!ended && !SawFrames(frames, 5) && time(nullptr) < deadline) {
            ended = waitpid(child, &status, WNOHANG) == child;
            usleep(5000);
        }
        if (!ended) {
            kill(child, SawFrames(frames, 5) ? SIGTERM : SIGKILL);
            waitpid(child, &status, 0);
        }
        errors = HarnessReadFile(scratch, "stderr" + std::to_string(runs));
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    static void ExpectPrivateFolder(const std::string& path)
    {
        struct stat info {};
        EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
        EXPECT_EQ(info.st_mode & 0777, 0700u) << path << " is made for the player alone";
    }

    std::string scratch;
    std::string zaf;
    std::string errors;
    int runs = 0;
};

TEST_F(InstalledProgramTest, KeepsSettingsAndChartInTheHomeFoldersAndWritesNothingBesideItself)
{
    const std::string stage = scratch + "stage";
    const std::string installed = Listing(stage);
    ASSERT_NE(installed.find("/themes/default/descriptor.txt"), std::string::npos) << installed;

    EXPECT_EQ(Run({"HOME=" + scratch + "home", "XDG_CONFIG_HOME=" + scratch + "config",
                   "XDG_DATA_HOME=" + scratch + "data"}),
              0)
        << errors;
    EXPECT_EQ(errors, "");
    EXPECT_EQ(HarnessReadFile(scratch, "config/zaf/configuration.txt"), HarnessDefaultSettings());
    EXPECT_TRUE(HarnessFileExists(scratch, "data/zaf/chart.raw"));
    ExpectPrivateFolder(scratch + "config/zaf");
    ExpectPrivateFolder(scratch + "data/zaf");
    EXPECT_NE(access((scratch + "home").c_str(), F_OK), 0) << "the XDG folders were given, so HOME is not used";
    EXPECT_EQ(Listing(stage), installed) << "nothing is written into the installed folders";

    // Read-only, and run by someone who cannot write there even when the test runs as root;
    // without the XDG variables the files go below HOME.
    ASSERT_EQ(std::system(("chmod -R a-w " + stage).c_str()), 0);
    const uid_t player = geteuid() == 0 ? 65534 : static_cast<uid_t>(-1);
    const std::string home = scratch + "home2";
    ASSERT_EQ(mkdir(home.c_str(), 0755), 0);
    if (player != static_cast<uid_t>(-1)) {
        ASSERT_EQ(chown(home.c_str(), player, player), 0);
    }
    const std::string readOnly = Listing(stage);
    EXPECT_EQ(Run({"HOME=" + home}, player), 0) << errors;
    EXPECT_EQ(errors, "");
    EXPECT_EQ(HarnessReadFile(scratch, "home2/.config/zaf/configuration.txt"), HarnessDefaultSettings());
    EXPECT_TRUE(HarnessFileExists(scratch, "home2/.local/share/zaf/chart.raw"));
    EXPECT_EQ(Listing(stage), readOnly);
}

} // namespace
