// The settings of "configuration.txt": the fifteen a settings file must hold and the later
// ones it may lack, their defaults, the volume levels, the mode text of VIDEO and the cycles
// of the options page.
//
// The settings themselves live in the store `app.config`; this module only knows their
// names, defaults and the few rules that apply to their values.
#pragma once

#include <cstdint>

#include "util/kv.h"

enum { SETTINGS_COUNT = 15 };

// Key/value pairs in file order, ended by a pair with a NULL key: the initial contents of a
// new settings store and the list of keys a settings file must contain.
extern const KV_Pair settingsDefaults[SETTINGS_COUNT + 1];

// Settings added after the first fifteen, with their defaults, ended by a NULL key. A file
// without them is still a valid settings file: CompleteSettings adds what it lacks.
enum { OPTIONAL_SETTINGS_COUNT = 1 };
extern const KV_Pair optionalSettings[OPTIONAL_SETTINGS_COUNT + 1];

// Appends every optional setting the store lacks with its default, after everything the
// store holds, and leaves every other entry as it is. False when out of memory (what was
// added stays).
[[nodiscard]] bool CompleteSettings(KV_Store* store);

// The nine action keys in the order the controls page lists them.
enum { ACTION_KEY_COUNT = 9 };
extern const char* const actionKeys[ACTION_KEY_COUNT];

// The mixer level of a VOLUME value ("loud" 128, "medium" 64, "low" 32, "zero" 0, exact
// case); -1 for any other text.
[[nodiscard]] int VolumeLevel(const char* value);

// Sets every mixer channel to the level of `value` (when the mixer is open) and writes
// `value` back into VOLUME of `app.config`. Returns false, changing nothing, when `value` is not one of the four levels;
// also false when the write back failed (the volume is then already set).
[[nodiscard]] bool ApplyVolume(const char* value);

// Reads a full-screen mode such as "640x480" or " 640 x 480": a number, blanks, 'x', blanks,
// a number. False unless both numbers are between 1 and 65535 (SDL sizes are 16-bit); the
// outputs are then left alone.
[[nodiscard]] bool ParseMode(const char* text, uint32_t* width, uint32_t* height);

// The value that follows `value` in a cycle of the options page (VOLUME zero, low, medium,
// loud; DIFFICULTY easy, normal, hard, inhuman; INTERPOLATION on, off). NULL for a key
// without a cycle or a value outside it. The text is static.
[[nodiscard]] const char* NextSettingValue(const char* key, const char* value);
