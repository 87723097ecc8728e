#include "shell/app.h"

// Zero at program load: no theme, no display, no settings.
App app;
