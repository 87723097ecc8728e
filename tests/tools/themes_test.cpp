// Checks on the themes as the build generated them into the run folder, read back with the
// game's own loaders.
#include "tools/themes.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>

#include "mixer.h"
#include "tools/colour.h"
#include "tools/pixfont.h"
#include "toolkit/gfx/font.h"
#include "toolkit/gfx/pix.h"
#include "util/kv.h"

namespace {

const std::string kThemes = std::string(ZAF_RUN_DIR) + "/themes";

bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Where the game finds a file of a theme: in the theme, else in "default".
std::string Find(const std::string& theme, const std::string& file)
{
    const std::string own = kThemes + "/" + theme + "/" + file;
    return Exists(own) ? own : kThemes + "/default/" + file;
}

const char* const kKeys[] = {"LEGAL_INFORMATION", "BACKGROUND",  "MENU",          "CHART",        "FONT.MENU",
                             "FONT.LABELS",       "FONT.CHART",  "FONT.STATUS",   "FONT.OUTLINE", "OBJECT.SLOW",
                             "OBJECT.NORMAL",     "OBJECT.FAST", "OBJECT.SWIFT",  "BEAMS.CATCHER", "BEAMS.FREEZER"};
const char* const kClasses[] = {"OBJECT.SLOW", "OBJECT.NORMAL", "OBJECT.FAST", "OBJECT.SWIFT"};

// SDL with the dummy drivers and a 32-bit pixel format like the game's back buffer.
struct Video {
    SDL_Surface* model = nullptr;
    Video()
    {
        UseDummyDrivers();
        SDL_Init(SDL_INIT_VIDEO);
        model = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    }
    ~Video()
    {
        SDL_FreeSurface(model);
        SDL_Quit();
    }
    const SDL_PixelFormat* Format() const { return model->format; }
};

struct Argb {
    int a, r, g, b;
};

Argb PixelAt(SDL_Surface* s, int x, int y)
{
    const uint32_t p = static_cast<const uint32_t*>(s->pixels)[y * s->pitch / 4 + x];
    const uint32_t v = PIX_Unpack(s->format, p);
    return {s->format->Amask != 0 ? static_cast<int>(v >> 24) : 255, static_cast<int>((v >> 16) & 255),
            static_cast<int>((v >> 8) & 255), static_cast<int>(v & 255)};
}

// A descriptor store opened as the game opens it; NULL when it does not open.
KV_Store* OpenDescriptor(const std::string& theme)
{
    KV_Pair required[16];
    for (int i = 0; i < 15; ++i) {
        required[i] = {kKeys[i], ""};
    }
    required[15] = {nullptr, nullptr};
    return KV_Open(Find(theme, "descriptor.txt").c_str(), required, KV_BLOCK_NONE, nullptr);
}

std::string Value(KV_Store* store, const char* key)
{
    const char* v = nullptr;
    return KV_GetString(store, key, &v) && v != nullptr ? v : "";
}

Srgb Tint(Srgb c, const int p[3])
{
    return {static_cast<double>(TintChannel(static_cast<int>(c.r), p[0])),
            static_cast<double>(TintChannel(static_cast<int>(c.g), p[1])),
            static_cast<double>(TintChannel(static_cast<int>(c.b), p[2]))};
}

bool Triple(KV_Store* store, const char* key, int out[3])
{
    return std::sscanf(Value(store, key).c_str(), "%d %d %d", &out[0], &out[1], &out[2]) == 3;
}

TEST(Themes, BothThemesAreGenerated)
{
    ASSERT_EQ(Themes().size(), 2u);
    for (const ThemeSpec& theme : Themes()) {
        EXPECT_TRUE(Exists(kThemes + "/" + theme.name + "/descriptor.txt")) << theme.name;
    }
    EXPECT_EQ(Themes()[0].name, "default");
    // The second theme has only its own descriptor, field, objects and a few sounds.
    const ThemeSpec& second = Themes()[1];
    for (const char* file : {"font.c.bmp", "font.a.bmp", "logo.c.bmp", "template.c.bmp", "sprites.c.bmp"}) {
        EXPECT_FALSE(Exists(kThemes + "/" + second.name + "/" + file)) << file << " comes from default";
        EXPECT_TRUE(Exists(kThemes + "/default/" + file)) << file;
    }
    EXPECT_TRUE(Exists(kThemes + "/" + second.name + "/field.c.bmp"));
    EXPECT_TRUE(Exists(kThemes + "/" + second.name + "/objects.c.bmp"));
    for (const std::string& sound : SoundNames()) {
        EXPECT_TRUE(Exists(kThemes + "/default/" + sound + ".ogg")) << sound;
    }
}

TEST(Themes, DescriptorsOpenAndEveryValueParses)
{
    for (const ThemeSpec& theme : Themes()) {
        KV_Store* store = OpenDescriptor(theme.name);
        ASSERT_NE(store, nullptr) << theme.name << " has all fifteen keys";
        EXPECT_FALSE(Value(store, "LEGAL_INFORMATION").empty()) << theme.name;
        int v[6];
        unsigned u[4];
        char rest;
        EXPECT_EQ(std::sscanf(Value(store, "BACKGROUND").c_str(), "%d %d %d %d %d %d", &v[0], &v[1], &v[2], &v[3],
                              &v[4], &v[5]),
                  6)
            << theme.name;
        EXPECT_EQ(std::sscanf(Value(store, "MENU").c_str(), "%u %u %u %u", &u[0], &u[1], &u[2], &u[3]), 4);
        EXPECT_EQ(std::sscanf(Value(store, "CHART").c_str(), "%u %u", &u[0], &u[1]), 2);
        for (int i = 4; i < 15; ++i) {
            EXPECT_EQ(std::sscanf(Value(store, kKeys[i]).c_str(), "%d %d %d %c", &v[0], &v[1], &v[2], &rest), 3)
                << theme.name << " " << kKeys[i] << " holds exactly three numbers";
            for (int k = 0; k < 3; ++k) {
                if (i < 13) {
                    EXPECT_GE(v[k], -100) << kKeys[i] << " is a tint in percent";
                } else {
                    EXPECT_TRUE(v[k] >= 0 && v[k] <= 255) << kKeys[i] << " is a colour";
                }
            }
        }
        KV_Dispose(store);
    }
}

TEST(Themes, FontHasEveryGlyph)
{
    Video video;
    const std::string c = kThemes + "/default/font.c.bmp", a = kThemes + "/default/font.a.bmp";
    TXT_Font* masked = TXT_LoadFont(c.c_str(), a.c_str(), -1, -1, video.Format(), 0, TXT_ThemeCharSet.data());
    ASSERT_NE(masked, nullptr);
    // Without its mask the same picture still works through the key colour.
    TXT_Font* keyed = TXT_LoadFont(c.c_str(), nullptr, -1, 0x808081, video.Format(), 0, TXT_ThemeCharSet.data());
    ASSERT_NE(keyed, nullptr);
    EXPECT_EQ(masked->largestHeight, FONT_HEIGHT);
    EXPECT_EQ(masked->smallestHeight, FONT_HEIGHT);
    SDL_LockSurface(masked->picture);
    SDL_LockSurface(keyed->picture);
    for (int i = 0; i < TXT_THEME_GLYPHS; ++i) {
        const unsigned char code = static_cast<unsigned char>(TXT_ThemeCharSet[static_cast<size_t>(i)]);
        const SDL_Rect r = masked->glyphs[code];
        ASSERT_GT(r.w, 0) << "code " << int(code);
        EXPECT_EQ(r.w, FontGlyph(code).width) << "code " << int(code);
        int inkMasked = 0, inkKeyed = 0;
        for (int y = r.y; y < r.y + r.h; ++y) {
            for (int x = r.x; x < r.x + r.w; ++x) {
                inkMasked += PixelAt(masked->picture, x, y).a > 0 ? 1 : 0;
                const uint32_t p = static_cast<const uint32_t*>(keyed->picture->pixels)[y * keyed->picture->pitch / 4 + x];
                inkKeyed += p != keyed->picture->format->colorkey ? 1 : 0;
            }
        }
        if (code == ' ') {
            EXPECT_EQ(inkMasked, 0);
        } else {
            EXPECT_GT(inkMasked, 0) << "code " << int(code);
            EXPECT_EQ(inkKeyed, inkMasked) << "code " << int(code) << ": key and mask agree";
        }
    }
    SDL_UnlockSurface(keyed->picture);
    SDL_UnlockSurface(masked->picture);
    TXT_FreeFont(keyed);
    TXT_FreeFont(masked);
}

TEST(Themes, PicturesCutIntoTheFramesTheGameDraws)
{
    Video video;
    for (const ThemeSpec& theme : Themes()) {
        const std::string objects = Find(theme.name, "objects.c.bmp"), mask = Find(theme.name, "objects.a.bmp");
        PIX_Image* image = PIX_LoadImage(objects.c_str(), mask.c_str(), -1, -1, video.Format(), 0x4000);
        ASSERT_NE(image, nullptr) << theme.name;
        EXPECT_GE(image->frameCount, 6);
        for (int f = 0; f < image->frameCount; ++f) {
            EXPECT_EQ(image->frames[f]->w, image->frames[0]->w) << theme.name << " object frame " << f;
            EXPECT_EQ(image->frames[f]->h, image->frames[0]->w) << theme.name << " object frame " << f << " is square";
        }
        EXPECT_EQ(image->frames[0]->w % 2, 1) << "an odd size centres on a pixel";
        PIX_ReleaseImage(image);
    }
    const std::string sprites = kThemes + "/default/sprites.c.bmp", mask = kThemes + "/default/sprites.a.bmp";
    PIX_Image* image = PIX_LoadImage(sprites.c_str(), mask.c_str(), -1, -1, video.Format(), 0x4000);
    ASSERT_NE(image, nullptr);
    ASSERT_GE(image->frameCount, 69);
    for (int f = 21; f <= 68; ++f) {
        EXPECT_EQ(image->frames[f]->w, CATCHER_W) << "catcher frame " << f;
        EXPECT_EQ(image->frames[f]->h, CATCHER_H) << "catcher frame " << f << " fills rows 246 to 254";
    }
    // Left halves reach the centre column (x 127 = column 28 at catcherLeft - 19 = 99) and no
    // further; right halves start there (column 3 at catcherRight - 12 = 124).
    for (int f = 21; f <= 68; ++f) {
        SDL_Surface* s = image->frames[f];
        const bool left = (f - 21) % 16 < 8;
        SDL_LockSurface(s);
        int atCentre = 0, beyond = 0;
        for (int y = 0; y < s->h; ++y) {
            atCentre += PixelAt(s, left ? 28 : 3, y).a > 0 ? 1 : 0;
            for (int x = left ? 29 : 0; x < (left ? 32 : 3); ++x) {
                beyond += PixelAt(s, x, y).a > 0 ? 1 : 0;
            }
        }
        SDL_UnlockSurface(s);
        EXPECT_GT(atCentre, 0) << "frame " << f << " meets the other half";
        EXPECT_EQ(beyond, 0) << "frame " << f << " stays on its side";
    }
    PIX_ReleaseImage(image);
    // The single pictures load as the game loads them.
    for (const char* name : {"logo", "template", "field"}) {
        for (const ThemeSpec& theme : Themes()) {
            const std::string c = Find(theme.name, std::string(name) + ".c.bmp");
            const std::string a = c.substr(0, c.size() - 5) + "a.bmp";
            SDL_Surface* s = PIX_LoadBMP(c.c_str(), Exists(a) ? a.c_str() : nullptr, -1, Exists(a) ? -1 : 0x808081,
                                         video.Format(), 0);
            ASSERT_NE(s, nullptr) << c;
            if (std::string(name) == "field") {
                EXPECT_EQ(s->w, FIELD_SIZE);
                EXPECT_EQ(s->h, FIELD_SIZE);
                EXPECT_FALSE(Exists(a)) << "the field is opaque: it covers the last frame's picture";
            }
            SDL_FreeSurface(s);
        }
    }
}

TEST(Themes, EveryMaskIsEightBitAndTheSizeOfItsPicture)
{
    int masks = 0;
    for (const ThemeSpec& theme : Themes()) {
        for (const char* stem : {"font", "logo", "template", "field", "objects", "sprites"}) {
            const std::string a = kThemes + "/" + theme.name + "/" + stem + ".a.bmp";
            if (!Exists(a)) {
                continue;
            }
            ++masks;
            SDL_Surface* mask = SDL_LoadBMP(a.c_str());
            SDL_Surface* colour = SDL_LoadBMP((kThemes + "/" + theme.name + "/" + stem + ".c.bmp").c_str());
            ASSERT_NE(mask, nullptr) << a;
            ASSERT_NE(colour, nullptr) << a;
            EXPECT_EQ(mask->format->BitsPerPixel, 8) << a;
            EXPECT_EQ(mask->w, colour->w) << a;
            EXPECT_EQ(mask->h, colour->h) << a;
            EXPECT_GE(colour->format->BitsPerPixel, 24) << a;
            SDL_FreeSurface(mask);
            SDL_FreeSurface(colour);
        }
    }
    EXPECT_GE(masks, 6) << "the pictures with soft edges have masks";
}

// Length bounds in seconds of every sound.
void Bounds(const std::string& name, double& low, double& high)
{
    low = 0.2;
    high = 2.0;
    if (name == "shot" || name == "zap" || name == "miss" || name == "navigation" || name == "selection") {
        low = 0.03;
        high = 0.5;
    } else if (name == "game_over" || name == "congratulations") {
        low = 1.0;
        high = 4.0;
    }
}

TEST(Themes, EverySoundDecodesShortCleanAndUnclipped)
{
    MixerSession mixer;
    ASSERT_TRUE(mixer.open) << SDL_GetError();
    int decoded = 0;
    for (const ThemeSpec& theme : Themes()) {
        for (const std::string& name : SoundNames()) {
            const std::string path = kThemes + "/" + theme.name + "/" + name + ".ogg";
            if (!Exists(path)) {
                EXPECT_FALSE(theme.complete) << path;
                continue;
            }
            Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
            ASSERT_NE(chunk, nullptr) << path << ": " << Mix_GetError();
            ++decoded;
            const std::vector<int16_t> s = ChunkSamples(chunk, mixer.channels);
            Mix_FreeChunk(chunk);
            double low, high;
            Bounds(name, low, high);
            const double seconds = static_cast<double>(s.size()) / mixer.rate;
            EXPECT_GE(seconds, low) << path;
            EXPECT_LE(seconds, high) << path;
            int peak = 0;
            for (int16_t v : s) {
                peak = std::max(peak, std::abs(static_cast<int>(v)));
            }
            EXPECT_LT(peak, 29205) << path << " peaks below -1 dBFS";
            EXPECT_GT(peak, 8000) << path << " is not near silence";
            if (!SoundLoops(name)) {
                EXPECT_LT(std::abs(s.front()), 400) << path << " starts without a click";
                EXPECT_LT(std::abs(s.back()), 400) << path << " ends without a click";
            } else {
                // The step from the last sample back to the first is like any other step.
                double steps = 0;
                for (size_t i = 1; i < s.size(); ++i) {
                    steps += std::pow(s[i] - s[i - 1], 2.0);
                }
                const double rms = std::sqrt(steps / static_cast<double>(s.size() - 1));
                EXPECT_LT(std::abs(s.back() - s.front()), 3 * rms) << path << " loops without a seam";
            }
        }
    }
    EXPECT_EQ(decoded, 25 + static_cast<int>(Themes()[1].sounds.size()));
}

// The alpha-weighted mean of every frame of a theme's objects, tinted for each class.
std::vector<Srgb> ClassColours(const std::string& theme, KV_Store* store, const SDL_PixelFormat* format)
{
    std::vector<Srgb> out;
    const std::string c = Find(theme, "objects.c.bmp"), a = Find(theme, "objects.a.bmp");
    PIX_Image* image = PIX_LoadImage(c.c_str(), a.c_str(), -1, -1, format, 0);
    if (image == nullptr) {
        return out;
    }
    for (const char* key : kClasses) {
        int p[3];
        if (!Triple(store, key, p)) {
            break;
        }
        double sum[3] = {0, 0, 0}, weight = 0;
        for (int f = 0; f < 6; ++f) {
            SDL_Surface* s = image->frames[f];
            SDL_LockSurface(s);
            for (int y = 0; y < s->h; ++y) {
                for (int x = 0; x < s->w; ++x) {
                    const Argb px = PixelAt(s, x, y);
                    const Srgb t = Tint({double(px.r), double(px.g), double(px.b)}, p);
                    sum[0] += t.r * px.a;
                    sum[1] += t.g * px.a;
                    sum[2] += t.b * px.a;
                    weight += px.a;
                }
            }
            SDL_UnlockSurface(s);
        }
        out.push_back({sum[0] / weight, sum[1] / weight, sum[2] / weight});
    }
    PIX_ReleaseImage(image);
    return out;
}

TEST(Themes, SpeedClassesDifferForEveryEye)
{
    Video video;
    for (const ThemeSpec& theme : Themes()) {
        KV_Store* store = OpenDescriptor(theme.name);
        ASSERT_NE(store, nullptr);
        const std::vector<Srgb> colours = ClassColours(theme.name, store, video.Format());
        ASSERT_EQ(colours.size(), 4u) << theme.name;
        for (int i = 0; i < 4; ++i) {
            for (int j = i + 1; j < 4; ++j) {
                const Srgb x = colours[i], y = colours[j];
                const double normal = Ciede2000(LabFromSrgb(x), LabFromSrgb(y));
                const double deutan =
                    Ciede2000(LabFromSrgb(SimulateDeuteranopia(x)), LabFromSrgb(SimulateDeuteranopia(y)));
                const double protan = Ciede2000(LabFromSrgb(SimulateProtanopia(x)), LabFromSrgb(SimulateProtanopia(y)));
                EXPECT_GE(normal, 20.0) << theme.name << " " << kClasses[i] << " / " << kClasses[j];
                EXPECT_GE(deutan, 10.0) << theme.name << " " << kClasses[i] << " / " << kClasses[j] << " (deuteranopia)";
                EXPECT_GE(protan, 10.0) << theme.name << " " << kClasses[i] << " / " << kClasses[j] << " (protanopia)";
                std::printf("%s %s/%s: dE00 %.1f, deutan %.1f, protan %.1f\n", theme.name.c_str(), kClasses[i],
                            kClasses[j], normal, deutan, protan);
            }
        }
        KV_Dispose(store);
    }
}

// The colour of the font's full-strength ink.
Srgb InkColour(const SDL_PixelFormat* format)
{
    const std::string c = kThemes + "/default/font.c.bmp", a = kThemes + "/default/font.a.bmp";
    TXT_Font* font = TXT_LoadFont(c.c_str(), a.c_str(), -1, -1, format, 0, TXT_ThemeCharSet.data());
    Srgb ink = {0, 0, 0};
    if (font == nullptr) {
        return ink;
    }
    const SDL_Rect r = font->glyphs[static_cast<unsigned char>('H')];
    SDL_LockSurface(font->picture);
    for (int y = r.y; y < r.y + r.h; ++y) {
        for (int x = r.x; x < r.x + r.w; ++x) {
            const Argb p = PixelAt(font->picture, x, y);
            if (p.a == 255) {
                ink = {double(p.r), double(p.g), double(p.b)};
            }
        }
    }
    SDL_UnlockSurface(font->picture);
    TXT_FreeFont(font);
    return ink;
}

TEST(Themes, TextStandsOutFromWhatLiesUnderIt)
{
    Video video;
    const Srgb ink = InkColour(video.Format());
    ASSERT_GT(ink.r + ink.g + ink.b, 600.0) << "a light ink lets the tints choose the colour";
    // The menu box's centre, where the menu entries are drawn.
    SDL_Surface* box = PIX_LoadBMP((kThemes + "/default/template.c.bmp").c_str(),
                                   (kThemes + "/default/template.a.bmp").c_str(), -1, -1, video.Format(), 0);
    ASSERT_NE(box, nullptr);
    SDL_LockSurface(box);
    const Argb centre = PixelAt(box, box->w / 2, box->h / 2);
    SDL_UnlockSurface(box);
    SDL_FreeSurface(box);
    EXPECT_EQ(centre.a, 255) << "the box is opaque where the entries stand";
    for (const ThemeSpec& theme : Themes()) {
        KV_Store* store = OpenDescriptor(theme.name);
        ASSERT_NE(store, nullptr);
        int status[3], outline[3], menu[3], chart[3], labels[3], bg[6];
        ASSERT_TRUE(Triple(store, "FONT.STATUS", status) && Triple(store, "FONT.OUTLINE", outline) &&
                    Triple(store, "FONT.MENU", menu) && Triple(store, "FONT.CHART", chart) &&
                    Triple(store, "FONT.LABELS", labels));
        const Srgb o = Tint(ink, outline);
        EXPECT_GE(ContrastRatio(Tint(ink, status), o), 4.5) << theme.name << " status text on its outline";
        EXPECT_GE(ContrastRatio(Tint(ink, chart), o), 4.5) << theme.name << " chart text on its outline";
        EXPECT_GE(ContrastRatio(Tint(ink, labels), o), 4.5) << theme.name << " titles on their outline";
        EXPECT_GE(ContrastRatio(Tint(ink, menu), {double(centre.r), double(centre.g), double(centre.b)}), 4.5)
            << theme.name << " menu text on the box";
        // The chart stands on the backdrop's gradient, row by row.
        ASSERT_EQ(std::sscanf(Value(store, "BACKGROUND").c_str(), "%d %d %d %d %d %d", &bg[0], &bg[1], &bg[2], &bg[3],
                              &bg[4], &bg[5]),
                  6);
        double worst = 21;
        for (int i = 0; i < 255; ++i) {
            const Srgb row = {double((bg[0] + (bg[3] - bg[0]) * i / 254) & 255),
                              double((bg[1] + (bg[4] - bg[1]) * i / 254) & 255),
                              double((bg[2] + (bg[5] - bg[2]) * i / 254) & 255)};
            worst = std::min({worst, ContrastRatio(Tint(ink, chart), row), ContrastRatio(Tint(ink, labels), row)});
        }
        EXPECT_GE(worst, 4.5) << theme.name << " chart text on the backdrop";
        std::printf("%s: status/outline %.1f, menu/box %.1f, chart/backdrop %.1f\n", theme.name.c_str(),
                    ContrastRatio(Tint(ink, status), o),
                    ContrastRatio(Tint(ink, menu), {double(centre.r), double(centre.g), double(centre.b)}), worst);
        KV_Dispose(store);
    }
}

TEST(Themes, MenuChartLogoAndPagesShareTheScreen)
{
    Video video;
    const std::string c = kThemes + "/default/font.c.bmp", a = kThemes + "/default/font.a.bmp";
    TXT_Font* font = TXT_LoadFont(c.c_str(), a.c_str(), -1, -1, video.Format(), 0, TXT_ThemeCharSet.data());
    ASSERT_NE(font, nullptr);
    const int h = font->largestHeight;
    SDL_Surface* logo = SDL_LoadBMP((kThemes + "/default/logo.c.bmp").c_str());
    ASSERT_NE(logo, nullptr);
    const int logoBottom = 1 + logo->h;
    EXPECT_LE(logo->w, 255);
    SDL_FreeSurface(logo);
    // The about page: a title at logo height + 9, then sixteen more lines a chart line apart.
    EXPECT_LE(logoBottom - 1 + 9 + 16 * (h + 3) + h, 255) << "seventeen lines of the about page fit";
    for (const ThemeSpec& theme : Themes()) {
        KV_Store* store = OpenDescriptor(theme.name);
        ASSERT_NE(store, nullptr);
        unsigned m[4], chart[2];
        ASSERT_EQ(std::sscanf(Value(store, "MENU").c_str(), "%u %u %u %u", &m[0], &m[1], &m[2], &m[3]), 4);
        ASSERT_EQ(std::sscanf(Value(store, "CHART").c_str(), "%u %u", &chart[0], &chart[1]), 2);
        EXPECT_LE(m[0] + m[2], 255u) << theme.name;
        EXPECT_LE(m[1] + m[3], 255u) << theme.name;
        EXPECT_GT(static_cast<int>(m[1]), logoBottom) << theme.name << " menu box under the logo";
        // Entries: the widest of the options page fit the box without squeezing, and at
        // least the six options show.
        for (const char* label : {"INTERPOLATION: off", "DIFFICULTY: inhuman", "VOLUME: medium", "ZOOM 4x"}) {
            EXPECT_LE(TXT_TextWidth(font, label, 1), m[2] - 18) << theme.name << " " << label;
        }
        EXPECT_LT(9 + 6 * (h + 3), static_cast<int>(m[3]) - 8) << theme.name;
        // The chart: title six label lines above CHART's y, ten rows, the entry line below.
        const int cx = static_cast<int>(chart[0]), top = static_cast<int>(chart[1]);
        const int y0 = top - (h + 1) * 6;
        EXPECT_GT(y0, logoBottom) << theme.name << " chart under the logo";
        const int congrats = top + 8 * h;
        EXPECT_LE(congrats + h + 1 + h, 254) << theme.name << " name entry on the screen";
        EXPECT_GT(congrats, y0 + h + 1 + 10 * (h + 1) + h) << theme.name << " congratulations under the table";
        // Rows as wide as a good score with a long name, and the congratulations line,
        // stay clear of the menu box and on the screen.
        const int rowHalf = TXT_TextWidth(font, "123456 Maximilian Ode", 1) / 2;
        const int congHalf = TXT_TextWidth(font, "CONGRATULATIONS!", 1) / 2;
        const int half = std::max(rowHalf, congHalf);
        EXPECT_GE(cx - half, 0) << theme.name;
        EXPECT_LE(cx + half, 254) << theme.name;
        EXPECT_LE(8 + TXT_TextWidth(font, ("theme " + Value(store, "LEGAL_INFORMATION")).c_str(), 1), 254)
            << theme.name << " legal line fits the about page";
        const bool clear = cx + rowHalf < static_cast<int>(m[0]) || cx - rowHalf > static_cast<int>(m[0] + m[2]);
        EXPECT_TRUE(clear) << theme.name << " chart rows beside the menu box";
        KV_Dispose(store);
    }
    TXT_FreeFont(font);
}

TEST(Themes, ArenaShowsItsTurnAndIsQuietOutside)
{
    Video video;
    for (const ThemeSpec& theme : Themes()) {
        SDL_Surface* s = SDL_LoadBMP((kThemes + "/" + theme.name + "/field.c.bmp").c_str());
        ASSERT_NE(s, nullptr);
        SDL_Surface* field = SDL_ConvertSurface(s, video.model->format, 0);
        SDL_FreeSurface(s);
        ASSERT_NE(field, nullptr);
        SDL_LockSurface(field);
        auto lum = [&](int x, int y) {
            const Argb p = PixelAt(field, x, y);
            return RelativeLuminance({double(p.r), double(p.g), double(p.b)});
        };
        double outside = 0, rim = 0, floor = 0, turned[3] = {0, 0, 0};
        int nOut = 0, nRim = 0, nFloor = 0, nTurn = 0;
        for (int y = 0; y < FIELD_SIZE; ++y) {
            for (int x = 0; x < FIELD_SIZE; ++x) {
                const double d = std::hypot(x - 191, y - 191);
                if (d > 133) {
                    outside += lum(x, y);
                    ++nOut;
                } else if (d >= 126.8 && d <= 128.2) {
                    rim += lum(x, y);
                    ++nRim;
                } else if (d < 118) {
                    floor += lum(x, y);
                    ++nFloor;
                    // The same pixel a quarter, half and three quarters round.
                    const int dx = x - 191, dy = y - 191;
                    const double here = lum(x, y);
                    turned[0] += std::fabs(here - lum(191 - dy, 191 + dx));
                    turned[1] += std::fabs(here - lum(191 - dx, 191 - dy));
                    turned[2] += std::fabs(here - lum(191 + dy, 191 - dx));
                    ++nTurn;
                }
            }
        }
        SDL_UnlockSurface(field);
        SDL_FreeSurface(field);
        outside /= nOut;
        rim /= nRim;
        floor /= nFloor;
        EXPECT_LT(outside, 0.01) << theme.name << " is dark beyond the rim";
        EXPECT_GT(rim, 8 * floor) << theme.name << " has a bright rim";
        for (double t : turned) {
            EXPECT_GT(t / nTurn, 0.1 * floor) << theme.name << " does not look the same when turned";
        }
    }
}

std::vector<char> Bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Themes, GeneratingAgainGivesTheSameBytes)
{
    const std::string dir = ::testing::TempDir() + "zaf_themes_again";
    for (const ThemeSpec& theme : Themes()) {
        ASSERT_TRUE(WriteTheme(dir, theme));
        std::vector<std::string> files = {"descriptor.txt", "field.c.bmp", "objects.c.bmp", "objects.a.bmp"};
        for (const std::string& sound : theme.sounds) {
            files.push_back(sound + ".ogg");
        }
        if (theme.complete) {
            for (const char* f : {"font.c.bmp", "font.a.bmp", "sprites.c.bmp", "sprites.a.bmp", "logo.c.bmp"}) {
                files.push_back(f);
            }
        }
        for (const std::string& f : files) {
            const std::vector<char> again = Bytes(dir + "/" + theme.name + "/" + f);
            EXPECT_FALSE(again.empty()) << f;
            EXPECT_EQ(again, Bytes(kThemes + "/" + theme.name + "/" + f)) << theme.name << "/" << f;
            std::remove((dir + "/" + theme.name + "/" + f).c_str());
        }
    }
}

} // namespace

namespace {

TEST(Themes, MaskedPicturesAreClearAtTheirCornersAndSolidInside)
{
    Video video;
    for (const char* stem : {"logo", "template"}) {
        const std::string c = kThemes + "/default/" + stem + ".c.bmp", a = kThemes + "/default/" + stem + ".a.bmp";
        SDL_Surface* s = PIX_LoadBMP(c.c_str(), a.c_str(), -1, -1, video.Format(), 0);
        ASSERT_NE(s, nullptr) << stem;
        ASSERT_NE(s->format->Amask, 0u) << stem << " has an alpha channel from its mask";
        SDL_LockSurface(s);
        int clear = 0, solid = 0;
        for (int y = 0; y < s->h; ++y) {
            for (int x = 0; x < s->w; ++x) {
                const int alpha = PixelAt(s, x, y).a;
                clear += alpha == 0 ? 1 : 0;
                solid += alpha == 255 ? 1 : 0;
            }
        }
        EXPECT_EQ(PixelAt(s, 0, 0).a, 0) << stem << ": the top-left corner shows what lies under it";
        EXPECT_EQ(PixelAt(s, s->w - 1, s->h - 1).a, 0) << stem;
        SDL_UnlockSurface(s);
        EXPECT_GT(clear, 0) << stem;
        EXPECT_GT(solid, s->w * s->h / 4) << stem;
        SDL_FreeSurface(s);
    }
}

} // namespace

namespace {

// Blits a picture over a flat colour and counts the pixels left untouched and painted over.
void Coverage(SDL_Surface* picture, int& untouched, int& painted)
{
    SDL_Surface* ground = SDL_CreateRGBSurface(SDL_SWSURFACE, picture->w, picture->h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(ground, nullptr, 0x123456);
    SDL_BlitSurface(picture, nullptr, ground, nullptr);
    SDL_LockSurface(ground);
    untouched = painted = 0;
    for (int y = 0; y < ground->h; ++y) {
        for (int x = 0; x < ground->w; ++x) {
            const uint32_t p = static_cast<const uint32_t*>(ground->pixels)[y * ground->pitch / 4 + x] & 0xFFFFFF;
            (p == 0x123456 ? untouched : painted) += 1;
        }
    }
    SDL_UnlockSurface(ground);
    SDL_FreeSurface(ground);
}

TEST(Themes, MaskedPicturesBlendWhenDrawn)
{
    Video video;
    for (const char* stem : {"logo", "template"}) {
        const std::string c = kThemes + "/default/" + stem + ".c.bmp", a = kThemes + "/default/" + stem + ".a.bmp";
        SDL_Surface* s = PIX_LoadBMP(c.c_str(), a.c_str(), -1, -1, video.Format(), 0x4000);
        ASSERT_NE(s, nullptr) << stem;
        int untouched = 0, painted = 0;
        Coverage(s, untouched, painted);
        EXPECT_GT(untouched, 0) << stem << ": its clear parts show what lies under it";
        EXPECT_GT(painted, untouched / 4) << stem;
        SDL_FreeSurface(s);
    }
    // Frames cut from a masked frame set blend as well: the catcher, markers and flashes.
    const std::string c = kThemes + "/default/sprites.c.bmp", a = kThemes + "/default/sprites.a.bmp";
    PIX_Image* image = PIX_LoadImage(c.c_str(), a.c_str(), -1, -1, video.Format(), 0x4000);
    ASSERT_NE(image, nullptr);
    for (int f : {0, 12, 16, 20, 21, 68}) {
        int untouched = 0, painted = 0;
        Coverage(image->frames[f], untouched, painted);
        EXPECT_GT(untouched, 0) << "sprite frame " << f;
        EXPECT_GT(painted, 0) << "sprite frame " << f;
    }
    PIX_ReleaseImage(image);
}

} // namespace
