#include "shell/display.h"

#include <X11/Xlib.h>
#include <dlfcn.h>
#include <unistd.h>
#include <cstdio>

namespace {

using SetErrorHandlerFn = XErrorHandler (*)(XErrorHandler);
using SetIOErrorHandlerFn = XIOErrorHandler (*)(XIOErrorHandler);

XErrorHandler nextHandler;
int (*save)();

// The program cannot go on and wind down: the renderer keeps drawing into the vanished window
// (Mesa's software rasteriser has crashed doing so) and libX11 ends the process if a lost
// connection's handler returns. Exit handlers are skipped, as SDL's threads still run.
[[noreturn]] void EndNow()
{
    const int status = save != nullptr ? save() : 0;
    std::fflush(nullptr);
    _exit(status);
}

int OnError(Display* display, XErrorEvent* error)
{
    if (error->error_code == BadWindow || error->error_code == BadDrawable) {
        EndNow();
    }
    return nextHandler != nullptr ? nextHandler(display, error) : 0;
}

[[noreturn]] int OnLostConnection(Display*)
{
    EndNow();
}

} // namespace

void WatchDisplay(int (*saveAll)())
{
    save = saveAll;
    static void* x11 = dlopen("libX11.so.6", RTLD_LAZY);
    if (x11 == nullptr) {
        return;
    }
    auto setError = reinterpret_cast<SetErrorHandlerFn>(dlsym(x11, "XSetErrorHandler"));
    auto setLost = reinterpret_cast<SetIOErrorHandlerFn>(dlsym(x11, "XSetIOErrorHandler"));
    if (setError == nullptr || setLost == nullptr) {
        return;
    }
    const XErrorHandler previous = setError(OnError);
    // A second pass finds this one still in place and keeps the handler found the first time.
    if (previous != OnError) {
        nextHandler = previous;
    }
    (void)setLost(OnLostConnection);
}
