// Keeps the end orderly when the X display goes away under the program: a window destroyed by
// another client (a window manager that crashed, `xdotool windowclose`) or a connection the
// server dropped (`xkill`, a server that died) ends the program as a close request does, with
// the settings and the chart saved and status 0.
//
// Without it libX11's own handlers print the error and call exit(1) from inside the failed
// request, with nothing saved and the mixer's thread running on into the torn-down program.
// Reaches libX11 only if it can be loaded; with another video driver it changes nothing.
#pragma once

// Called in each pass before SDL starts its video, so that SDL's own error handler (which
// restores the desktop's mode and then hands on) is put in front of this one and, at SDL's
// shutdown, gives way to it again. From then on an error saying the window or its drawable
// does not exist, or a lost connection, calls `saveAll` and ends the process at once with
// the status it returns. Other X errors go on to the handler that was there before.
void WatchDisplay(int (*saveAll)());
