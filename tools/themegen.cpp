// zaf_themegen THEMES_DIR: writes every shipped theme into THEMES_DIR.
// zaf_themegen --icons ICONS_DIR: writes the desktop icons in the hicolor layout under ICONS_DIR.
// The same bytes on every run. Exit status 1 when a file cannot be written.
#include <cstdio>
#include <cstring>

#include "tools/themes.h"

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--icons") == 0) {
        return WriteIcons(argv[2]) ? 0 : 1;
    }
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: zaf_themegen THEMES_DIR | --icons ICONS_DIR\n");
        return 2;
    }
    for (const ThemeSpec& theme : Themes()) {
        if (!WriteTheme(argv[1], theme)) {
            return 1;
        }
    }
    return 0;
}
