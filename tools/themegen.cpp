// zaf_themegen THEMES_DIR: writes every shipped theme into THEMES_DIR, the same bytes on
// every run. Exit status 1 when a file cannot be written.
#include <cstdio>

#include "tools/themes.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zaf_themegen THEMES_DIR\n");
        return 2;
    }
    for (const ThemeSpec& theme : Themes()) {
        if (!WriteTheme(argv[1], theme)) {
            return 1;
        }
    }
    return 0;
}
