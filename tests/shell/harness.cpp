#include "tests/shell/harness.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "game/game.h"
#include "game/objects.h"
#include "shell/app.h"
#include "shell/devices.h"
#include "shell/menu.h"
#include "shell/paths.h"
#include "shell/settings.h"
#include "shell/program.h"
#include "shell/theme.h"
#include "tests/support/scratch.h"
#include "tests/support/surface_util.h"
#include "toolkit/gfx/clock.h"
#include "toolkit/ui/wg.h"
#include "util/kv.h"
#include "util/mem.h"

namespace {

struct Playback {
    std::vector<HarnessEvent> events;
    size_t next;
    uint32_t now;
    uint32_t limit;
    std::vector<std::string> themes;
    int gamepad = -1;
};

Playback playback;
HarnessPilot* pilot = nullptr;

SDL_Event MakeEvent(const HarnessEvent& e, uint16_t unicode = 0)
{
    SDL_Event event{};
    event.type = e.type;
    const uint8_t pressed = e.type == SDL_KEYDOWN || e.type == SDL_JOYBUTTONDOWN || e.type == SDL_MOUSEBUTTONDOWN;
    switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        event.key.state = pressed;
        event.key.keysym.sym = e.key;
        event.key.keysym.mod = static_cast<SDLMod>(e.mod);
        event.key.keysym.unicode = unicode;
        break;
    case SDL_JOYAXISMOTION: event.jaxis = {e.type, e.device, e.part, e.value}; break;
    case SDL_JOYHATMOTION: event.jhat = {e.type, e.device, e.part, static_cast<uint8_t>(e.value)}; break;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP: event.jbutton = {e.type, e.device, e.part, pressed}; break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        event.button.button = e.part;
        event.button.state = pressed;
        break;
    case SDL_ACTIVEEVENT:
        event.active.state = e.part;
        event.active.gain = static_cast<uint8_t>(e.value);
        break;
    default: break;
    }
    return event;
}

void Push(uint8_t type, SDLKey key = SDLK_UNKNOWN, uint16_t unicode = 0)
{
    SDL_Event event = MakeEvent({0, type, key}, unicode);
    SDL_PushEvent(&event);
}

void Tap(SDLKey key, uint16_t unicode = 0)
{
    Push(SDL_KEYDOWN, key, unicode);
    Push(SDL_KEYUP, key);
}

void PushDue()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return;
    }
    if (playback.gamepad != GamepadIndex()) {
        DeclareGamepad(playback.gamepad);
    }
    while (playback.next < playback.events.size() && playback.events[playback.next].at <= playback.now) {
        SDL_Event event = MakeEvent(playback.events[playback.next++]);
        SDL_PushEvent(&event);
    }
    if (playback.now >= playback.limit) {
        Push(SDL_QUIT);
    }
}

uint32_t stageSince = 0;

void PilotTracer(const char* line)
{
    const std::string text = line;
    if (text.find("  start ") != std::string::npos) {
        srand(pilot->seed);
        pilot->stage = HarnessPilot::PLAYING;
        pilot->caught = 0;
        pilot->sawScreen = false;
    } else if (text.find("  catch") != std::string::npos) {
        pilot->caught++;
    } else if (text.find("  game over") != std::string::npos) {
        pilot->stage = HarnessPilot::GAME_OVER;
        pilot->played++;
        stageSince = playback.now;
        pilot->finalPoints = app.points;
    }
}

// Holds the turning key toward the next object to arrive, or none.
void Steer(bool chase)
{
    const Object* next = nullptr;
    for (NODE_Node* n = game.objects.first; n != nullptr && chase; n = n->next) {
        const auto* o = static_cast<const Object*>(n->data);
        if (o->arrival != 0 && (next == nullptr || o->arrival < next->arrival)) {
            next = o;
        }
    }
    const int d = next == nullptr ? 0 : ((next->angle - game.fieldAngle - 256) % 1024 + 1536) % 1024 - 512;
    // Keys pushed while the game does not read them are lost: compare with what it holds.
    const bool held[2] = {(game.flags & LEFT_HELD) != 0, (game.flags & RIGHT_HELD) != 0};
    const bool wanted[2] = {d > 3, d < -3};
    for (const bool press : {false, true}) { // releases first
        for (int i = 0; i < 2; ++i) {
            if (held[i] != wanted[i] && wanted[i] == press) {
                Push(press ? SDL_KEYDOWN : SDL_KEYUP, i == 0 ? SDLK_LEFT : SDLK_RIGHT);
            }
        }
    }
}

void Fly()
{
    HarnessPilot& p = *pilot;
    const uint32_t now = playback.now;
    const bool inMenu = menu.current != nullptr;
    const auto go = [&p, now](HarnessPilot::Stage stage) {
        p.stage = stage;
        stageSince = now;
    };
    // A game whose game-over screen could not be had goes straight on.
    if ((p.stage == HarnessPilot::PLAYING || p.stage == HarnessPilot::GAME_OVER) &&
        (WG_CurrentScreen != nullptr || inMenu)) {
        go(inMenu ? HarnessPilot::MENU : HarnessPilot::NAMING);
    }
    switch (p.stage) {
    case HarnessPilot::MENU:
        if (inMenu && now > stageSince + 1000) {
            if (p.onMenu != nullptr) {
                p.onMenu(p);
            }
            const bool again = p.chosen < p.games;
            p.chosen += again ? 1 : 0;
            Tap(again ? SDLK_x : SDLK_ESCAPE);
            go(again ? HarnessPilot::CHOSEN : HarnessPilot::QUITTING);
        }
        break;
    case HarnessPilot::CHOSEN: // the menu again without a game: it did not start
        if (inMenu && now > stageSince + 1000) {
            p.stage = HarnessPilot::MENU;
        }
        break;
    case HarnessPilot::PLAYING:
        p.steered++;
        Steer(p.caught < p.catches);
        break;
    case HarnessPilot::GAME_OVER:
        if (now > stageSince + 2000) {
            Tap(SDLK_ESCAPE);
            go(HarnessPilot::NAMING);
        }
        break;
    case HarnessPilot::NAMING:
        if (WG_CurrentScreen != nullptr && now > stageSince + 500) {
            p.sawScreen = true;
            Tap(SDLK_RETURN, 13);
            for (const unsigned char* c = reinterpret_cast<const unsigned char*>(p.name); *c != 0; c++) {
                Tap(SDLK_WORLD_9, *c);
            }
            p.closeDuringEntry ? Push(SDL_QUIT) : Tap(SDLK_RETURN, 13);
            p.stage = HarnessPilot::NAMED;
        } else if (inMenu) {
            go(HarnessPilot::MENU);
        }
        break;
    case HarnessPilot::NAMED:
        if (inMenu) {
            go(HarnessPilot::MENU);
        }
        break;
    case HarnessPilot::QUITTING: break;
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
    if (pilot != nullptr && SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        Fly();
    }
}

// A BMP of `count` frames of w x h in `ink`, each in a one-pixel magenta box, one column of
// background between boxes, `perRow` to a row; one frame is the whole picture.
bool WriteBoxes(const std::string& path, int count, int width, int height, int perRow, uint32_t ink)
{
    const bool plain = count == 1;
    const int rows = (count + perRow - 1) / perRow;
    SDL_Surface* surface = !MEM_Allow() ? nullptr
                           : plain      ? NewSurface32(width, height, ink)
                                        : NewSurface32(perRow * (width + 3), rows * (height + 3));
    if (surface == nullptr) {
        return false;
    }
    for (int i = 0; i < count && !plain; ++i) {
        const int x = i % perRow * (width + 3);
        const int y = i / perRow * (height + 3);
        FillBox(surface, x, y, width + 2, height + 2, 0xFF00FF);
        FillBox(surface, x + 1, y + 1, width, height, ink);
    }
    const bool saved = SDL_SaveBMP(surface, path.c_str()) == 0;
    SDL_FreeSurface(surface);
    return saved;
}

// A tenth of a second of silence as a RIFF WAVE (PCM, mono, 22050 Hz, 16 bits); the mixer
// tells the format by its bytes, whatever the file is called.
std::string SilentWave()
{
    std::string wave;
    auto put = [&wave](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            wave.push_back(static_cast<char>((v >> (8 * i)) & 255));
        }
    };
    wave += "RIFF";
    put(36 + 4410, 4);
    wave += "WAVEfmt ";
    for (const auto& [value, bytes] : {std::pair{16u, 4}, {1u, 2}, {1u, 2}, {22050u, 4}, {44100u, 4}, {2u, 2}, {16u, 2}}) {
        put(value, bytes);
    }
    wave += "data";
    put(4410, 4);
    return wave.append(4410, '\0');
}

constexpr const char* soundNames[] = {
    "congratulations", "decelerator-G", "decelerator-U", "expansion-G", "freezer-G", "freezer-U", "game_over",
    "inverter-G",      "inverter-U",    "laser-G",       "laser-U",     "magnet-G",  "magnet-U",  "miss",
    "movement",        "navigation",    "nuke-G",        "nuke-U",      "kickback-G", "kickback-U", "pointer-G",
    "selection",       "shot",          "speed-up-G",    "zap",
};

std::vector<HarnessEvent> Pressed(HarnessEvent down, uint8_t upType)
{
    HarnessEvent up = down;
    up.at += 40;
    up.type = upType;
    return {down, up};
}

} // namespace

const char harnessTinyDescriptor[] =
    "LEGAL_INFORMATION = made for the tests\nBACKGROUND        = 0 0 64 0 0 0\nMENU              = 40 120 175 100\n"
    "CHART             = 127 8\nFONT.MENU         = 0 0 0\nFONT.LABELS       = 0 0 0\n"
    "FONT.CHART        = 0 0 0\nFONT.STATUS       = 0 0 0\nFONT.OUTLINE      = -100 -100 -100\n"
    "OBJECT.SLOW       = 0 0 0\nOBJECT.NORMAL     = 10 0 0\nOBJECT.FAST       = 0 10 0\n"
    "OBJECT.SWIFT      = 0 0 10\nBEAMS.CATCHER     = 255 255 0\nBEAMS.FREEZER     = 0 255 255\n";

const char harnessDefaultSettings[] =
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
    "KEY.QUIT      = escape\n"
    "MOUSE         = on\n";

std::vector<HarnessEvent> HarnessKey(uint32_t at, SDLKey key)
{
    return Pressed({at, SDL_KEYDOWN, key}, SDL_KEYUP);
}

HarnessEvent HarnessAxis(uint32_t at, uint8_t axis, int16_t value, uint8_t device)
{
    return {at, SDL_JOYAXISMOTION, SDLK_UNKNOWN, 0, axis, value, device};
}

HarnessEvent HarnessHat(uint32_t at, uint8_t hat, uint8_t value, uint8_t device)
{
    return {at, SDL_JOYHATMOTION, SDLK_UNKNOWN, 0, hat, value, device};
}

std::vector<HarnessEvent> HarnessPadButton(uint32_t at, uint8_t button, uint8_t device)
{
    return Pressed({at, SDL_JOYBUTTONDOWN, SDLK_UNKNOWN, 0, button, 0, device}, SDL_JOYBUTTONUP);
}

std::vector<HarnessEvent> HarnessMouseButton(uint32_t at, uint8_t button)
{
    return Pressed({at, SDL_MOUSEBUTTONDOWN, SDLK_UNKNOWN, 0, button}, SDL_MOUSEBUTTONUP);
}

HarnessEvent HarnessFocusLost(uint32_t at)
{
    return {at, SDL_ACTIVEEVENT, SDLK_UNKNOWN, 0, SDL_APPINPUTFOCUS, 0};
}

std::vector<HarnessEvent> HarnessSwitchScreen(uint32_t at, uint16_t alt)
{
    return Pressed({at, SDL_KEYDOWN, alt != 0 ? SDLK_RETURN : SDLK_F11, alt}, SDL_KEYUP);
}

void HarnessDeclareGamepad(int index)
{
    playback.gamepad = index;
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
    std::string name = std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") + "/zaf-XXXXXX";
    std::error_code failed;
    if (mkdtemp(name.data()) == nullptr || !std::filesystem::create_directory(name + "/themes", failed)) {
        HarnessRemoveDir(name);
        return {};
    }
    return name + "/";
}

void HarnessRemoveDir(const std::string& dir)
{
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

bool HarnessLinkTheme(const std::string& dir, const char* name)
{
    const char* run = std::getenv("ZAF_RUN_DIR");
    const std::string source = std::string(run != nullptr ? run : ZAF_RUN_DIR) + "/themes/" + name;
    return HarnessFileExists(source, "/descriptor.txt") && symlink(source.c_str(), (dir + "themes/" + name).c_str()) == 0;
}

bool HarnessWriteTinyTheme(const std::string& dir, const char* name, const char* descriptor)
{
    const std::string theme = dir + "themes/" + name + "/";
    bool written = HarnessWriteFile(theme, "descriptor.txt", descriptor != nullptr ? descriptor : harnessTinyDescriptor) &&
                   WriteBoxes(theme + "font.c.bmp", 191, 4, 6, 64, 0xFFFFFF) &&
                   WriteBoxes(theme + "logo.c.bmp", 1, 64, 16, 1, 0x3050A0) &&
                   WriteBoxes(theme + "template.c.bmp", 1, 24, 24, 1, 0x406080) &&
                   WriteBoxes(theme + "field.c.bmp", 1, 255, 255, 1, 0x102030) &&
                   WriteBoxes(theme + "objects.c.bmp", 6, 9, 9, 6, 0xC08040) &&
                   WriteBoxes(theme + "sprites.c.bmp", 69, 8, 8, 23, 0x80C040);
    const std::string wave = SilentWave();
    for (const char* sound : soundNames) {
        written = written && HarnessWriteFile(theme, std::string(sound) + ".ogg", wave);
    }
    return written;
}

bool HarnessWriteFile(const std::string& dir, const std::string& relative, const std::string& data)
{
    const std::string path = dir + relative;
    const bool folders = MakeFolders(path.substr(0, path.rfind('/') + 1).c_str());
    FILE* file = folders ? std::fopen(path.c_str(), "wb") : nullptr;
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(data.data(), 1, data.size(), file) == data.size();
    return std::fclose(file) == 0 && written;
}

std::string HarnessReadFile(const std::string& dir, const std::string& relative)
{
    const std::vector<uint8_t> bytes = ReadBytes(dir + relative);
    return std::string(bytes.begin(), bytes.end());
}

bool HarnessFileExists(const std::string& dir, const std::string& relative)
{
    std::error_code ignored;
    return std::filesystem::exists(dir + relative, ignored);
}

int HarnessRun(const std::string& dir, const std::vector<HarnessEvent>& script, uint32_t limit)
{
    Folders folders;
    return PortableFolders(dir.c_str(), &folders) ? HarnessRun(folders, script, limit) : -1;
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

int HarnessFly(const std::string& dir, HarnessPilot& flying, uint32_t limit)
{
    pilot = &flying;
    stageSince = 0;
    SetGameTracer(PilotTracer);
    const int status = HarnessRun(dir, {}, limit);
    SetGameTracer(nullptr);
    pilot = nullptr;
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

void ShellTest::SetUp()
{
    dir = HarnessNewProgDir();
    ASSERT_FALSE(dir.empty());
    app.config = KV_Create((dir + "configuration.txt").c_str(), settingsDefaults);
    ASSERT_NE(app.config, nullptr);
}

void ShellTest::TearDown()
{
    KV_Dispose(app.config);
    app.config = nullptr;
    HarnessRemoveDir(dir);
}

void ShellTest::Set(const char* key, const char* value)
{
    ASSERT_TRUE(KV_SetString(app.config, key, value));
}

std::string ShellTest::Setting(const char* key)
{
    const char* value = nullptr;
    return KV_GetString(app.config, key, &value) ? value : "<none>";
}

int ShellTest::Run(const std::vector<HarnessEvent>& script, const Folders* folders)
{
    KV_Dispose(app.config);
    app.config = nullptr;
    ::testing::internal::CaptureStderr();
    const int status = folders != nullptr ? HarnessRun(*folders, script) : HarnessRun(dir, script);
    errors = ::testing::internal::GetCapturedStderr();
    return status;
}

std::string ShellTest::Saved(const char* key)
{
    const std::string text = "\n" + HarnessReadFile(dir, "configuration.txt");
    const size_t at = text.find("\n" + std::string(key) + " ");
    const size_t eq = text.find("= ", at);
    return at == std::string::npos ? "<none>" : text.substr(eq + 2, text.find('\n', eq) - eq - 2);
}
