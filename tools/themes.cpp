#include "tools/themes.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>

#include "tools/bmp.h"
#include "tools/ogg.h"
#include "tools/png.h"
#include "tools/pixfont.h"

const std::vector<ThemeSpec>& Themes()
{
    static const std::vector<ThemeSpec> themes = {
        {"default",
         {{"LEGAL_INFORMATION", "default: drawn and played by its own code"},
          {"BACKGROUND", "10 16 44 2 3 10"},
          {"MENU", "134 38 116 126"},
          {"CHART", "66 104"},
          {"FONT.MENU", "-30 -6 0"},
          {"FONT.LABELS", "0 -14 -68"},
          {"FONT.CHART", "-8 -6 0"},
          {"FONT.STATUS", "0 -4 -30"},
          {"FONT.OUTLINE", "-92 -90 -82"},
          {"OBJECT.SLOW", "-62 -24 60"},
          {"OBJECT.NORMAL", "-66 4 -60"},
          {"OBJECT.FAST", "70 30 -85"},
          {"OBJECT.SWIFT", "50 -78 -4"},
          {"BEAMS.CATCHER", "120 220 255"},
          {"BEAMS.FREEZER", "190 240 255"}},
         true,
         DefaultFieldStyle(),
         ObjectShape::ORB,
         Voice::CRISP,
         SoundNames()},
        {"ember",
         {{"LEGAL_INFORMATION", "ember: a warm arena, also made by code"},
          {"BACKGROUND", "44 12 6 6 2 2"},
          {"MENU", "6 38 116 126"},
          {"CHART", "190 104"},
          {"FONT.MENU", "0 -22 -48"},
          {"FONT.LABELS", "0 -38 -80"},
          {"FONT.CHART", "0 -12 -30"},
          {"FONT.STATUS", "0 -10 -45"},
          {"FONT.OUTLINE", "-86 -93 -96"},
          {"OBJECT.SLOW", "-60 -10 55"},
          {"OBJECT.NORMAL", "-45 50 -10"},
          {"OBJECT.FAST", "70 30 -80"},
          {"OBJECT.SWIFT", "55 -80 -50"},
          {"BEAMS.CATCHER", "255 170 80"},
          {"BEAMS.FREEZER", "150 230 255"}},
         false,
         EmberFieldStyle(),
         ObjectShape::CRYSTAL,
         Voice::EMBER,
         {"miss", "movement", "navigation", "selection", "shot", "zap"}},
    };
    return themes;
}

std::string DescriptorValue(const ThemeSpec& theme, const std::string& key)
{
    for (const auto& [k, v] : theme.descriptor) {
        if (k == key) {
            return v;
        }
    }
    return "";
}

bool DescriptorTriple(const ThemeSpec& theme, const std::string& key, int out[3])
{
    const std::string v = DescriptorValue(theme, key);
    return std::sscanf(v.c_str(), "%d %d %d", &out[0], &out[1], &out[2]) == 3;
}

int TintChannel(int c, int percent)
{
    return std::min(255, c + c * percent / 100);
}

std::string DescriptorText(const ThemeSpec& theme)
{
    size_t width = 0;
    for (const auto& entry : theme.descriptor) {
        width = std::max(width, entry.first.size());
    }
    std::string text;
    for (const auto& [k, v] : theme.descriptor) {
        text += k + std::string(width + 1 - k.size(), ' ') + "= " + v + "\n";
    }
    return text;
}

namespace {

bool MakeDir(const std::string& path)
{
    return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

// Every folder on the way, as `mkdir -p` does.
bool MakeDirs(const std::string& path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        if (!MakeDir(path.substr(0, slash))) {
            return false;
        }
    }
    return MakeDir(path);
}

bool Put(const std::string& path, const std::vector<uint8_t>& bytes)
{
    if (!WriteFile(path, bytes)) {
        std::fprintf(stderr, "zaf_themegen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

bool PutPicture(const std::string& dir, const std::string& stem, const Canvas& picture, bool mask)
{
    return Put(dir + "/" + stem + ".c.bmp", EncodeColourBmp(picture)) &&
           (!mask || Put(dir + "/" + stem + ".a.bmp", EncodeMaskBmp(picture)));
}

uint32_t Serial(const std::string& theme, const std::string& sound)
{
    uint32_t h = 2166136261u; // FNV-1a: a fixed, distinct stream number for every file
    for (unsigned char c : theme + "/" + sound) {
        h = (h ^ c) * 16777619u;
    }
    return h;
}

} // namespace

bool WriteTheme(const std::string& themesDir, const ThemeSpec& theme)
{
    const std::string dir = themesDir + "/" + theme.name;
    if (!MakeDir(themesDir) || !MakeDir(dir)) {
        std::fprintf(stderr, "zaf_themegen: cannot make %s\n", dir.c_str());
        return false;
    }
    const std::string text = DescriptorText(theme);
    if (!Put(dir + "/descriptor.txt", std::vector<uint8_t>(text.begin(), text.end()))) {
        return false;
    }
    if (!PutPicture(dir, "field", MakeField(theme.field), false) ||
        !PutPicture(dir, "objects", PackFrames(MakeObjects(theme.shape), 128, RgbFromHex(0xFF00FF)).colour, true)) {
        return false;
    }
    if (theme.complete) {
        if (!PutPicture(dir, "font", BuildFontSheet().colour, true) ||
            !PutPicture(dir, "sprites", PackFrames(MakeSprites(), 240, RgbFromHex(0xFF00FF)).colour, true) ||
            !PutPicture(dir, "logo", MakeLogo(), true) || !PutPicture(dir, "template", MakeTemplate(), true)) {
            return false;
        }
    }
    for (const std::string& sound : theme.sounds) {
        const std::vector<uint8_t> ogg = EncodeOgg(MakeSound(sound, theme.voice), Serial(theme.name, sound));
        if (ogg.empty() || !Put(dir + "/" + sound + ".ogg", ogg)) {
            return false;
        }
    }
    return true;
}

bool WriteIcons(const std::string& iconsDir)
{
    int tints[4][3];
    const char* const classes[] = {"OBJECT.SLOW", "OBJECT.NORMAL", "OBJECT.FAST", "OBJECT.SWIFT"};
    for (int k = 0; k < 4; ++k) {
        if (!DescriptorTriple(Themes()[0], classes[k], tints[k])) {
            return false;
        }
    }
    for (int size : ICON_SIZES) {
        const std::string sized = iconsDir + "/" + std::to_string(size) + "x" + std::to_string(size);
        if (!MakeDirs(sized + "/apps")) {
            std::fprintf(stderr, "zaf_themegen: cannot make %s/apps\n", sized.c_str());
            return false;
        }
        if (!WritePng(sized + "/apps/zaf.png", MakeIcon(size, tints))) {
            std::fprintf(stderr, "zaf_themegen: cannot write %s/apps/zaf.png\n", sized.c_str());
            return false;
        }
    }
    return true;
}
