// The two themes the game ships with, "default" (complete) and "ember" (its own descriptor,
// field, objects and a few sounds; the game takes the rest from "default"), and the writing of
// a theme's files into a themes folder.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/art.h"
#include "tools/synth.h"

struct ThemeSpec {
    std::string name;
    std::vector<std::pair<std::string, std::string>> descriptor; // in file order
    bool complete;                   // false: only field, objects and `sounds`
    FieldStyle field;
    ObjectShape shape;
    Voice voice;
    std::vector<std::string> sounds; // the sounds the theme has of its own
};

// "default" first.
const std::vector<ThemeSpec>& Themes();

// The descriptor's value of a key, or "" when the theme has no such key.
std::string DescriptorValue(const ThemeSpec& theme, const std::string& key);
// The three numbers of a tint or colour key, as the game reads them ("%d %d %d").
bool DescriptorTriple(const ThemeSpec& theme, const std::string& key, int out[3]);

// One channel tinted as the game tints: c + c * p / 100 in integers, at most 255.
int TintChannel(int c, int percent);

// The descriptor text, laid out as the game's own store writes it.
std::string DescriptorText(const ThemeSpec& theme);

// Writes every file of the theme into `themesDir`/name (made when missing). Returns false,
// with a line on stderr, when a file cannot be written.
[[nodiscard]] bool WriteTheme(const std::string& themesDir, const ThemeSpec& theme);

// The hicolor icon sizes the desktop asks for.
constexpr int ICON_SIZES[] = {16, 22, 24, 32, 48, 64, 128, 256};
// Writes `iconsDir`/NxN/apps/zaf.png for every size, the objects tinted as in "default".
// Returns false, with a line on stderr, when a file cannot be written.
[[nodiscard]] bool WriteIcons(const std::string& iconsDir);
