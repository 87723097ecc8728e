#include "tests/shell/harness.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/paths.h"
#include "shell/program.h"
#include "shell/theme.h"
#include "tests/support/surface_util.h"
#include "toolkit/gfx/clock.h"
#include "util/mem.h"

namespace {

struct Playback {
    std::vector<HarnessEvent> events;
    size_t next;
    uint32_t now;
    uint32_t limit;
    std::vector<std::string> themes;
};

Playback playback;

void PushDue()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return;
    }
    while (playback.next < playback.events.size() && playback.events[playback.next].at <= playback.now) {
        const HarnessEvent& scripted = playback.events[playback.next++];
        SDL_Event event{};
        event.type = scripted.type;
        if (scripted.type == SDL_KEYDOWN || scripted.type == SDL_KEYUP) {
            event.key.type = scripted.type;
            event.key.state = scripted.type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
            event.key.keysym.sym = scripted.key;
        }
        SDL_PushEvent(&event);
    }
    if (playback.now >= playback.limit) {
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
}

uint32_t VirtualTicks()
{
    return playback.now;
}

void VirtualDelay(uint32_t ms)
{
    const char* theme = CurrentThemeName();
    if (theme[0] != '\0' && (playback.themes.empty() || playback.themes.back() != theme)) {
        playback.themes.emplace_back(theme);
    }
    playback.now += ms;
    PushDue();
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return std::remove(path);
}

bool MakeFolders(const std::string& path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return true;
}

constexpr uint32_t boxColour = 0xFF00FF;
constexpr uint32_t inkColour = 0xFFFFFF;

void Fill(SDL_Surface* surface, int x, int y, int w, int h, uint32_t rgb)
{
    SDL_Rect box{static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w), static_cast<Uint16>(h)};
    SDL_FillRect(surface, &box, SDL_MapRGB(surface->format, (rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255));
}

// A 24-bit BMP of `count` frames of w x h in `ink`, each in a one-pixel box of the border
// colour, one column of background between boxes, in rows of `perRow`; one frame is the
// whole picture in `ink`, without a box.
bool WriteBoxes(const std::string& path, int count, int width, int height, int perRow, uint32_t ink)
{
    const bool plain = count == 1;
    const int rows = (count + perRow - 1) / perRow;
    SDL_Surface* surface =
        !MEM_Allow() ? nullptr
                     : SDL_CreateRGBSurface(SDL_SWSURFACE, plain ? width : perRow * (width + 3),
                                            plain ? height : rows * (height + 3), 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    if (surface == nullptr) {
        return false;
    }
    SDL_FillRect(surface, nullptr, 0);
    for (int i = 0; i < count && !plain; ++i) {
        const int bx = (i % perRow) * (width + 3);
        const int by = (i / perRow) * (height + 3);
        Fill(surface, bx, by, width + 2, height + 2, boxColour);
        Fill(surface, bx + 1, by + 1, width, height, ink);
    }
    if (plain) {
        Fill(surface, 0, 0, width, height, ink);
    }
    const bool saved = SDL_SaveBMP(surface, path.c_str()) == 0;
    SDL_FreeSurface(surface);
    return saved;
}

// A tenth of a second of silence as a RIFF WAVE (PCM, mono, 22050 Hz, 16 bits); the mixer
// tells the format by its bytes, whatever the file is called.
std::string SilentWave()
{
    const uint32_t dataBytes = 2205 * 2;
    std::string wave;
    auto put = [&wave](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            wave.push_back(static_cast<char>((v >> (8 * i)) & 255));
        }
    };
    wave += "RIFF";
    put(36 + dataBytes, 4);
    wave += "WAVEfmt ";
    for (const auto& [value, bytes] : {std::pair{16u, 4}, {1u, 2}, {1u, 2}, {22050u, 4}, {44100u, 4}, {2u, 2}, {16u, 2}}) {
        put(value, bytes);
    }
    wave += "data";
    put(dataBytes, 4);
    wave.append(dataBytes, '\0');
    return wave;
}

constexpr const char* soundNames[] = {
    "congratulations", "decelerator-G", "decelerator-U", "expansion-G", "freezer-G",
    "freezer-U",       "game_over",     "inverter-G",    "inverter-U",  "laser-G",
    "laser-U",         "magnet-G",      "magnet-U",      "miss",        "movement",
    "navigation",      "nuke-G",        "nuke-U",        "kickback-G",  "kickback-U",
    "pointer-G",       "selection",     "shot",          "speed-up-G",  "zap",
};

const char tinyDescriptor[] =
    "LEGAL_INFORMATION = made for the tests\n"
    "BACKGROUND        = 0 0 64 0 0 0\n"
    "MENU              = 40 120 175 100\n"
    "CHART             = 127 8\n"
    "FONT.MENU         = 0 0 0\n"
    "FONT.LABELS       = 0 0 0\n"
    "FONT.CHART        = 0 0 0\n"
    "FONT.STATUS       = 0 0 0\n"
    "FONT.OUTLINE      = -100 -100 -100\n"
    "OBJECT.SLOW       = 0 0 0\n"
    "OBJECT.NORMAL     = 10 0 0\n"
    "OBJECT.FAST       = 0 10 0\n"
    "OBJECT.SWIFT      = 0 0 10\n"
    "BEAMS.CATCHER     = 255 255 0\n"
    "BEAMS.FREEZER     = 0 255 255\n";

const char defaultSettings[] =
    "THEME         = <cycle>\n"
    "VIDEO         = window\n"
    "ZOOM          = 2\n"
    "INTERPOLATION = on\n"
    "VOLUME        = medium\n"
    "DIFFICULTY    = normal\n"
    "KEY.UP        = up\n"
    "KEY.DOWN      = down\n"
    "KEY.LEFT      = left\n"
    "KEY.RIGHT     = right\n"
    "KEY.BUTTON1   = x\n"
    "KEY.BUTTON2   = c\n"
    "KEY.BUTTON3   = space\n"
    "KEY.PAUSE     = p\n"
    "KEY.QUIT      = escape\n";

} // namespace

const char* HarnessDefaultSettings()
{
    return defaultSettings;
}

std::vector<HarnessEvent> HarnessKey(uint32_t at, SDLKey key)
{
    return {{at, SDL_KEYDOWN, key}, {at + 40, SDL_KEYUP, key}};
}

std::vector<HarnessEvent> HarnessKeys(uint32_t at, SDLKey key, int count, uint32_t gap)
{
    std::vector<HarnessEvent> events;
    for (int i = 0; i < count; ++i) {
        for (const HarnessEvent& event : HarnessKey(at + static_cast<uint32_t>(i) * gap, key)) {
            events.push_back(event);
        }
    }
    return events;
}

std::vector<HarnessEvent> HarnessScript(std::initializer_list<std::vector<HarnessEvent>> parts)
{
    std::vector<HarnessEvent> events;
    for (const auto& part : parts) {
        events.insert(events.end(), part.begin(), part.end());
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const HarnessEvent& a, const HarnessEvent& b) { return a.at < b.at; });
    return events;
}

std::string HarnessNewProgDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") + "/zaf-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) {
        return {};
    }
    std::string dir = std::string(name.data()) + "/";
    if (mkdir((dir + "themes").c_str(), 0755) != 0) {
        HarnessRemoveDir(dir);
        return {};
    }
    return dir;
}

void HarnessRemoveDir(const std::string& dir)
{
    if (!dir.empty()) {
        nftw(dir.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    }
}

bool HarnessLinkTheme(const std::string& dir, const char* name, const char* as)
{
    const char* run = std::getenv("ZAF_RUN_DIR");
    std::string source = std::string(run != nullptr ? run : ZAF_RUN_DIR) + "/themes/" + name;
    struct stat info {};
    if (stat((source + "/descriptor.txt").c_str(), &info) != 0) {
        return false;
    }
    const std::string target = dir + "themes/" + (as != nullptr ? as : name);
    return symlink(source.c_str(), target.c_str()) == 0;
}

const char* HarnessTinyDescriptor()
{
    return tinyDescriptor;
}

bool HarnessWriteTinyTheme(const std::string& dir, const char* name, const char* descriptor)
{
    const std::string theme = dir + "themes/" + name + "/";
    if (!MakeFolders(theme) ||
        !HarnessWriteFile(dir, std::string("themes/") + name + "/descriptor.txt",
                          descriptor != nullptr ? descriptor : tinyDescriptor)) {
        return false;
    }
    bool written = WriteBoxes(theme + "font.c.bmp", 191, 4, 6, 64, inkColour) &&
                   WriteBoxes(theme + "logo.c.bmp", 1, 64, 16, 1, 0x3050A0) &&
                   WriteBoxes(theme + "template.c.bmp", 1, 24, 24, 1, 0x406080) &&
                   WriteBoxes(theme + "field.c.bmp", 1, 255, 255, 1, 0x102030) &&
                   WriteBoxes(theme + "objects.c.bmp", 6, 9, 9, 6, 0xC08040) &&
                   WriteBoxes(theme + "sprites.c.bmp", 69, 8, 8, 23, 0x80C040);
    const std::string wave = SilentWave();
    for (const char* sound : soundNames) {
        written = written && HarnessWriteFile(dir, std::string("themes/") + name + "/" + sound + ".ogg", wave);
    }
    return written;
}

bool HarnessWriteFile(const std::string& dir, const std::string& relative, const std::string& data)
{
    const std::string path = dir + relative;
    if (!MakeFolders(path)) {
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(data.data(), 1, data.size(), file) == data.size();
    return std::fclose(file) == 0 && written;
}

std::string HarnessReadFile(const std::string& dir, const std::string& relative, bool* found)
{
    const std::vector<uint8_t> bytes = ReadBytes(dir + relative);
    if (found != nullptr) {
        *found = HarnessFileExists(dir, relative);
    }
    return std::string(bytes.begin(), bytes.end());
}

bool HarnessFileExists(const std::string& dir, const std::string& relative)
{
    struct stat info {};
    return stat((dir + relative).c_str(), &info) == 0;
}

int HarnessRun(const std::string& dir, const std::vector<HarnessEvent>& script, uint32_t limit)
{
    Folders folders;
    if (!PortableFolders(dir.c_str(), &folders)) {
        return -1;
    }
    return HarnessRun(folders, script, limit);
}

int HarnessRun(const Folders& folders, const std::vector<HarnessEvent>& script, uint32_t limit)
{
    playback.events = HarnessScript({script});
    playback.next = 0;
    playback.now = 0;
    playback.limit = limit;
    playback.themes.clear();
    CLK_SetSource(VirtualTicks, VirtualDelay);
    const int status = RunProgram(folders);
    CLK_SetSource(nullptr, nullptr);
    return status;
}

uint32_t HarnessNow()
{
    return playback.now;
}

const std::vector<std::string>& HarnessThemesSeen()
{
    return playback.themes;
}
