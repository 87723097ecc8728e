// The display watch as libX11 sees it. Taking the window away for real needs a virtual X
// server and a second client, which the suite does without.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "shell/display.h"

// Last: its macros (None, Status) would clash with the names of the headers above.
#include <X11/Xlib.h>

namespace {

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

} // namespace
