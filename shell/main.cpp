#include <climits>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "shell/paths.h"
#include "shell/program.h"

namespace {

// The folder of the running executable with a trailing '/', so that file names join onto it
// as a plain prefix; "./" when the system cannot tell.
const char* ProgramFolder(const char* argv0)
{
    static char folder[PATH_MAX + 2];
    ssize_t length = readlink("/proc/self/exe", folder, PATH_MAX);
    if (length <= 0) {
        length = 0;
        if (argv0 != nullptr && std::strlen(argv0) < PATH_MAX) {
            std::strcpy(folder, argv0);
            length = static_cast<ssize_t>(std::strlen(folder));
        }
    }
    while (length > 0 && folder[length - 1] != '/') {
        --length;
    }
    if (length == 0) {
        return "./";
    }
    folder[length] = '\0';
    return folder;
}

const char usage[] =
    "usage: zaf [--help | --version]\n"
    "ZAF, an arcade game: turn the arena so that every object meets the catcher.\n"
    "Started without arguments it opens its menu; see zaf(6) for keys and files.\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("zaf " ZAF_VERSION);
        return 0;
    }
    if (argc > 1) {
        std::fputs(usage, stderr);
        return 2;
    }
    static Folders folders;
    if (!ChooseFolders(ProgramFolder(argc > 0 ? argv[0] : nullptr), nullptr, &folders)) {
        std::fprintf(stderr, "zaf: a folder name is too long\n");
        return 1;
    }
    return RunProgram(folders);
}
