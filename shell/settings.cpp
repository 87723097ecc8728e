#include "shell/settings.h"

#include <SDL_mixer.h>
#include <cstring>

#include "shell/app.h"

const KV_Pair settingsDefaults[SETTINGS_COUNT + 1] = {
    {"THEME", "<cycle>"},
    {"VIDEO", "window"},
    {"ZOOM", "2"},
    {"INTERPOLATION", "on"},
    {"VOLUME", "medium"},
    {"DIFFICULTY", "normal"},
    {"KEY.UP", "up"},
    {"KEY.DOWN", "down"},
    {"KEY.LEFT", "left"},
    {"KEY.RIGHT", "right"},
    {"KEY.BUTTON1", "x"},
    {"KEY.BUTTON2", "c"},
    {"KEY.BUTTON3", "space"},
    {"KEY.PAUSE", "p"},
    {"KEY.QUIT", "escape"},
    {nullptr, nullptr},
};

const KV_Pair optionalSettings[OPTIONAL_SETTINGS_COUNT + 1] = {
    {"MOUSE", "on"},
    {nullptr, nullptr},
};

const char* const actionKeys[ACTION_KEY_COUNT] = {
    "KEY.UP",      "KEY.DOWN",    "KEY.LEFT",  "KEY.RIGHT", "KEY.BUTTON1",
    "KEY.BUTTON2", "KEY.BUTTON3", "KEY.PAUSE", "KEY.QUIT",
};

namespace {

struct Level {
    const char* name;
    int volume;
};

// Compared in this order, as the options page and older files expect.
constexpr Level levels[] = {{"loud", 128}, {"medium", 64}, {"low", 32}, {"zero", 0}};

struct Cycle {
    const char* key;
    const char* const* values; // NULL-terminated
};

constexpr const char* volumeCycle[] = {"zero", "low", "medium", "loud", nullptr};
constexpr const char* difficultyCycle[] = {"easy", "normal", "hard", "inhuman", nullptr};
constexpr const char* onOffCycle[] = {"on", "off", nullptr};

constexpr Cycle cycles[] = {
    {"VOLUME", volumeCycle},
    {"DIFFICULTY", difficultyCycle},
    {"INTERPOLATION", onOffCycle},
};

const char* SkipBlanks(const char* text)
{
    while (*text == ' ' || *text == '\t') {
        ++text;
    }
    return text;
}

// Decimal digits only; NULL when there are none or the number passes 65535.
const char* ReadSize(const char* text, uint32_t* value)
{
    uint32_t number = 0;
    const char* p = text;
    while (*p >= '0' && *p <= '9') {
        number = number * 10 + static_cast<uint32_t>(*p - '0');
        if (number > 65535) {
            return nullptr;
        }
        ++p;
    }
    if (p == text) {
        return nullptr;
    }
    *value = number;
    return p;
}

} // namespace

bool CompleteSettings(KV_Store* store)
{
    if (store == nullptr) {
        return false;
    }
    for (const KV_Pair* pair = optionalSettings; pair->key != nullptr; ++pair) {
        if (!KV_HasKey(store, pair->key) && !KV_SetString(store, pair->key, pair->value)) {
            return false;
        }
    }
    return true;
}

int VolumeLevel(const char* value)
{
    if (value == nullptr) {
        return -1;
    }
    for (const Level& level : levels) {
        if (std::strcmp(value, level.name) == 0) {
            return level.volume;
        }
    }
    return -1;
}

bool ApplyVolume(const char* value)
{
    int level = VolumeLevel(value);
    if (level < 0) {
        return false;
    }
    // The mixer's channel table is gone once the device is closed.
    if (Mix_QuerySpec(nullptr, nullptr, nullptr) != 0) {
        Mix_Volume(-1, level);
    }
    return KV_ReplaceString(app.config, "VOLUME", value);
}

bool ParseMode(const char* text, uint32_t* width, uint32_t* height)
{
    if (text == nullptr || width == nullptr || height == nullptr) {
        return false;
    }
    uint32_t w = 0;
    uint32_t h = 0;
    const char* p = ReadSize(SkipBlanks(text), &w);
    if (p == nullptr) {
        return false;
    }
    p = SkipBlanks(p);
    if (*p != 'x') {
        return false;
    }
    p = ReadSize(SkipBlanks(p + 1), &h);
    if (p == nullptr || w == 0 || h == 0) {
        return false;
    }
    *width = w;
    *height = h;
    return true;
}

const char* NextSettingValue(const char* key, const char* value)
{
    if (key == nullptr || value == nullptr) {
        return nullptr;
    }
    for (const Cycle& cycle : cycles) {
        if (std::strcmp(key, cycle.key) != 0) {
            continue;
        }
        for (size_t i = 0; cycle.values[i] != nullptr; ++i) {
            if (std::strcmp(value, cycle.values[i]) == 0) {
                const char* next = cycle.values[i + 1];
                return next != nullptr ? next : cycle.values[0];
            }
        }
        return nullptr;
    }
    return nullptr;
}
