#include "shell/paths.h"

#include <sys/stat.h>
#include <cerrno>
#include <cstdarg>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef ZAF_DATA_FROM_BIN
#define ZAF_DATA_FROM_BIN "../share/zaf"
#endif

namespace {

unsigned noticesGiven;

bool IsFolder(const char* path)
{
    struct stat info {};
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool Put(char* dest, const char* a, const char* b = "", const char* c = "")
{
    const int length = std::snprintf(dest, FOLDER_SIZE, "%s%s%s", a, b, c);
    if (length <= 0 || length >= FOLDER_SIZE) {
        dest[0] = '\0';
        return false;
    }
    return true;
}

// The base directory rules ignore a value that is not an absolute path.
const char* Absolute(const char* value)
{
    return value != nullptr && value[0] == '/' ? value : nullptr;
}

// "$name/zaf/", or "$HOME/fallback/zaf/"; empty when neither is an absolute path.
bool PlayerFolder(EnvFn env, const char* name, const char* fallback, char* dest)
{
    dest[0] = '\0';
    if (const char* base = Absolute(env(name))) {
        return Put(dest, base, "/zaf/");
    }
    const char* home = Absolute(env("HOME"));
    if (home == nullptr) {
        return true;
    }
    char base[FOLDER_SIZE];
    return Put(base, home, fallback) && Put(dest, base, "/zaf/");
}

// The installed data folder's themes, shortened to a canonical name when it exists.
bool InstalledThemes(const char* exeFolder, char* dest)
{
    char joined[FOLDER_SIZE];
    if (!Put(joined, exeFolder, ZAF_DATA_FROM_BIN "/themes")) {
        return false;
    }
    char resolved[PATH_MAX];
    if (realpath(joined, resolved) != nullptr) {
        return Put(dest, resolved, "/");
    }
    return Put(dest, joined, "/");
}

const char* SystemEnv(const char* name)
{
    return std::getenv(name);
}

} // namespace

bool PortableFolders(const char* folder, Folders* out)
{
    *out = Folders{};
    out->portable = true;
    return folder != nullptr && Put(out->themes[1], folder, "themes/") && Put(out->config, folder) &&
           Put(out->data, folder);
}

bool ChooseFolders(const char* exeFolder, EnvFn env, Folders* out)
{
    *out = Folders{};
    if (exeFolder == nullptr) {
        return false;
    }
    char beside[FOLDER_SIZE];
    if (!Put(beside, exeFolder, "themes")) {
        return false;
    }
    if (IsFolder(beside)) {
        return PortableFolders(exeFolder, out);
    }
    if (env == nullptr) {
        env = SystemEnv;
    }
    bool fits = InstalledThemes(exeFolder, out->themes[1]);
    fits = PlayerFolder(env, "XDG_CONFIG_HOME", "/.config", out->config) && fits;
    fits = PlayerFolder(env, "XDG_DATA_HOME", "/.local/share", out->data) && fits;
    if (out->data[0] != '\0') {
        fits = Put(out->themes[0], out->data, "themes/") && fits;
    }
    return fits;
}

bool MakeFolders(const char* folder)
{
    char path[FOLDER_SIZE];
    if (folder == nullptr || folder[0] == '\0' || !Put(path, folder)) {
        return false;
    }
    // Each parent in turn, so that a missing "~/.local/share" is made on the way.
    for (char* slash = std::strchr(path + 1, '/'); slash != nullptr; slash = std::strchr(slash + 1, '/')) {
        *slash = '\0';
        if (mkdir(path, 0700) != 0 && errno != EEXIST) {
            return false;
        }
        *slash = '/';
    }
    if (mkdir(path, 0700) != 0 && errno != EEXIST) {
        return false;
    }
    return IsFolder(path);
}

void SayOnce(Notice notice, const char* format, ...)
{
    if ((noticesGiven & notice) != 0) {
        return;
    }
    noticesGiven |= notice;
    char text[FOLDER_SIZE * 2];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    // Whatever a file name holds, the notice stays one line.
    for (char* c = text; *c != '\0'; ++c) {
        if (*c == '\n' || *c == '\r') {
            *c = ' ';
        }
    }
    std::fprintf(stderr, "zaf: %s\n", text);
}

void ForgetNotices()
{
    noticesGiven = 0;
}
