// The real program on a virtual X server, its window taken away by another client. Needs Xvfb
// and xdotool; unlike the other tests it waits for real processes, polling briefly.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "shell/display.h"
#include "tests/shell/harness.h"

// Last: its macros (None, Status) would clash with the names of the headers above.
#include <X11/Xlib.h>

namespace {

// The first line the shell command prints, empty when it prints nothing.
std::string Ask(const std::string& command)
{
    FILE* out = popen((command + " 2>/dev/null").c_str(), "r");
    char text[64] = {};
    const bool read = out != nullptr && std::fgets(text, sizeof text, out) != nullptr;
    if (out != nullptr) {
        pclose(out);
    }
    std::string answer = read ? text : "";
    return answer.substr(0, answer.find('\n'));
}

int SaveNothing()
{
    return 0;
}

int otherErrors = 0;

int CountOtherError(Display*, XErrorEvent*)
{
    return ++otherErrors;
}

TEST(DisplayTest, TheWatchTakesOverXlibsHandlersAndPassesOnOtherErrors)
{
    void* x11 = dlopen("libX11.so.6", RTLD_LAZY);
    if (x11 == nullptr) {
        GTEST_SKIP() << "no libX11";
    }
    const auto setLost = reinterpret_cast<XIOErrorHandler (*)(XIOErrorHandler)>(dlsym(x11, "XSetIOErrorHandler"));
    const auto setError = reinterpret_cast<XErrorHandler (*)(XErrorHandler)>(dlsym(x11, "XSetErrorHandler"));
    ASSERT_TRUE(setLost != nullptr && setError != nullptr);
    setLost(nullptr); // NULL puts libX11's own handler back
    const XIOErrorHandler ownLost = setLost(nullptr);
    setError(CountOtherError);
    WatchDisplay(SaveNothing);
    WatchDisplay(SaveNothing); // as a restarted program does
    EXPECT_NE(setLost(nullptr), ownLost);
    const XErrorHandler watch = setError(nullptr);
    ASSERT_NE(watch, CountOtherError);
    XErrorEvent error{};
    error.error_code = BadValue;
    watch(nullptr, &error);
    EXPECT_EQ(otherErrors, 1) << "an error the watch does not end on goes to the handler found first";
    dlclose(x11);
}

TEST(DisplayTest, AWindowTakenAwayByAnotherClientEndsAsACloseRequestWithEverythingSaved)
{
    // About one run in six still hangs while the window is being mapped, so this runs only on
    // request (./setup xcheck), not in the suite.
    if (std::getenv("ZAF_X_TEST") == nullptr || std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") != 0) {
        GTEST_SKIP() << "run with ZAF_X_TEST=1 (./setup xcheck), with Xvfb and xdotool";
    }
    for (const char* action : {"windowclose", "windowkill"}) {
        SCOPED_TRACE(action); // a window manager that crashed; a connection dropped by xkill
        const std::string dir = HarnessNewProgDir();
        ASSERT_TRUE(HarnessLinkTheme(dir, "default"));
        // A server on a display number it chooses itself, so that runs never collide, and a
        // copy of the program, so that its settings and chart land in dir.
        const std::string server = Ask("cd " + dir + " && cp '" ZAF_RUN_DIR "/zaf' zaf && { Xvfb -displayfd 3 -nolisten "
                                       "tcp -screen 0 640x480x24 3>display >/dev/null 2>&1 & echo $!; }");
        std::string display;
        for (int i = 0; i < 200 && display.empty(); ++i, usleep(50 * 1000)) {
            display = Ask("cat " + dir + "display");
        }
        ASSERT_FALSE(display.empty()) << "Xvfb did not start";
        display = "DISPLAY=:" + display + " ";
        ASSERT_EQ(std::system(("cd " + dir + " && { " + display +
                               "env -u SDL_VIDEODRIVER timeout -s KILL 30 ./zaf 2>stderr; echo $? >status; } &")
                                  .c_str()),
                  0);
        // Only once it shows: SDL waits for the window to appear, and one destroyed before
        // that would keep it waiting for ever.
        std::string window;
        for (int i = 0; i < 600 && window.empty(); ++i, usleep(50 * 1000)) {
            window = Ask(display + "xdotool search --onlyvisible --name '^ZAF$'");
        }
        ASSERT_FALSE(window.empty()) << "no window appeared";
        Ask(display + "xdotool " + action + " " + window);
        std::string status;
        for (int i = 0; i < 700 && status.empty(); ++i, usleep(50 * 1000)) {
            status = Ask("cat " + dir + "status");
        }
        kill(std::stoi(server), SIGTERM);
        EXPECT_EQ(status, "0") << "137: the program did not end";
        EXPECT_EQ(HarnessReadFile(dir, "stderr"), "");
        EXPECT_EQ(HarnessReadFile(dir, "configuration.txt"), harnessDefaultSettings);
        EXPECT_EQ(HarnessReadFile(dir, "chart.raw").size(), 200u);
        HarnessRemoveDir(dir);
    }
}

} // namespace
