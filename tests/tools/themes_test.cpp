// Checks on the themes as the build generated them into the run folder, read back with the
// game's own loaders.
#include "tools/themes.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <sstream>

#include "mixer.h"
#include "tests/support/surface_util.h"
#include "tools/colour.h"
#include "tools/pixfont.h"
#include "toolkit/gfx/font.h"
#include "toolkit/gfx/pix.h"
#include "util/kv.h"

namespace {

using namespace std::string_literals;

const std::string kThemes = std::string(ZAF_RUN_DIR) + "/themes";

bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string In(const std::string& theme, const std::string& file) { return kThemes + "/" + theme + "/" + file; }

// Where the game finds a file of a theme: in the theme, else in "default".
std::string Find(const std::string& theme, const std::string& file)
{
    return Exists(In(theme, file)) ? In(theme, file) : In("default", file);
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
        model = NewSurface32(1, 1);
    }
    ~Video()
    {
        SDL_FreeSurface(model);
        SDL_Quit();
    }
    const SDL_PixelFormat* Format() const { return model->format; }
};

// Holds a surface locked while it is read: pictures loaded with RLE acceleration need it.
struct Lock {
    SDL_Surface* s;
    explicit Lock(SDL_Surface* surface) : s(surface) { SDL_LockSurface(s); }
    ~Lock() { SDL_UnlockSurface(s); }
};

struct Argb {
    int a, r, g, b;
    Srgb rgb() const { return {double(r), double(g), double(b)}; }
};

Argb ArgbAt(SDL_Surface* s, int x, int y)
{
    const uint32_t v = PIX_Unpack(s->format, PixelAt(s, x, y));
    return {s->format->Amask != 0 ? static_cast<int>(v >> 24) : 255, static_cast<int>((v >> 16) & 255),
            static_cast<int>((v >> 8) & 255), static_cast<int>(v & 255)};
}

// A descriptor store opened as the game opens it, requiring the fifteen keys; NULL when it
// does not open.
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

// The whitespace-separated numbers of a value; empty when anything else follows them.
std::vector<int> Numbers(KV_Store* store, const char* key)
{
    std::istringstream in(Value(store, key));
    std::vector<int> v;
    for (int n; in >> n;) {
        v.push_back(n);
    }
    return in.eof() ? v : std::vector<int>{};
}

Srgb Tint(Srgb c, const std::vector<int>& p)
{
    return {double(TintChannel(int(c.r), p[0])), double(TintChannel(int(c.g), p[1])),
            double(TintChannel(int(c.b), p[2]))};
}

TXT_Font* ThemeFont(const Video& video, bool masked = true)
{
    return TXT_LoadFont(In("default", "font.c.bmp").c_str(), masked ? In("default", "font.a.bmp").c_str() : nullptr,
                        -1, masked ? -1 : 0x808081, video.Format(), 0, TXT_ThemeCharSet.data());
}

TEST(Themes, BothThemesAreGeneratedAndGenerateAgainByteForByte)
{
    ASSERT_EQ(Themes().size(), 2u);
    EXPECT_EQ(Themes()[0].name, "default");
    // The second theme has only its own descriptor, field, objects and a few sounds.
    const std::string second = Themes()[1].name;
    for (const char* file : {"font.c.bmp", "font.a.bmp", "logo.c.bmp", "template.c.bmp", "sprites.c.bmp"}) {
        EXPECT_FALSE(Exists(In(second, file))) << file << " comes from default";
        EXPECT_TRUE(Exists(In("default", file))) << file;
    }
    for (const std::string& sound : SoundNames()) {
        EXPECT_TRUE(Exists(In("default", sound + ".ogg"))) << sound;
    }
    const TempDir dir;
    for (const ThemeSpec& theme : Themes()) {
        ASSERT_TRUE(WriteTheme(dir.Path(""), theme));
        std::vector<std::string> files = {"descriptor.txt", "field.c.bmp", "objects.c.bmp", "objects.a.bmp"};
        for (const std::string& sound : theme.sounds) {
            files.push_back(sound + ".ogg");
        }
        if (theme.complete) {
            files.insert(files.end(), {"font.c.bmp", "font.a.bmp", "sprites.c.bmp", "sprites.a.bmp", "logo.c.bmp"});
        }
        for (const std::string& f : files) {
            const std::vector<uint8_t> again = ReadBytes(dir.Path(theme.name + "/" + f));
            EXPECT_FALSE(again.empty()) << f;
            EXPECT_EQ(again, ReadBytes(In(theme.name, f))) << theme.name << "/" << f;
        }
    }
}

TEST(Themes, DescriptorsOpenAndEveryValueParses)
{
    for (const ThemeSpec& theme : Themes()) {
        SCOPED_TRACE(theme.name);
        KV_Store* store = OpenDescriptor(theme.name);
        ASSERT_NE(store, nullptr) << "has all fifteen keys";
        EXPECT_FALSE(Value(store, "LEGAL_INFORMATION").empty());
        EXPECT_EQ(Numbers(store, "BACKGROUND").size(), 6u);
        const std::vector<int> menu = Numbers(store, "MENU"), chart = Numbers(store, "CHART");
        ASSERT_EQ(menu.size(), 4u);
        ASSERT_EQ(chart.size(), 2u);
        for (int v : menu) {
            EXPECT_GE(v, 0) << "MENU";
        }
        for (int i = 4; i < 15; ++i) {
            const std::vector<int> v = Numbers(store, kKeys[i]);
            ASSERT_EQ(v.size(), 3u) << kKeys[i] << " holds exactly three numbers";
            for (int n : v) {
                EXPECT_TRUE(i < 13 ? n >= -100 : n >= 0 && n <= 255) << kKeys[i] << " is a tint or a colour: " << n;
            }
        }
        KV_Dispose(store);
    }
}

TEST(Themes, FontHasEveryGlyph)
{
    Video video;
    TXT_Font* masked = ThemeFont(video);
    // Without its mask the same picture still works through the key colour.
    TXT_Font* keyed = ThemeFont(video, false);
    ASSERT_TRUE(masked != nullptr && keyed != nullptr);
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
                inkMasked += ArgbAt(masked->picture, x, y).a > 0 ? 1 : 0;
                inkKeyed += PixelAt(keyed->picture, x, y) != keyed->picture->format->colorkey ? 1 : 0;
            }
        }
        EXPECT_EQ(inkMasked > 0, code != ' ') << "code " << int(code) << ": only the space is empty";
        EXPECT_EQ(inkKeyed, inkMasked) << "code " << int(code) << ": key and mask agree";
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
        PIX_Image* image = PIX_LoadImage(Find(theme.name, "objects.c.bmp").c_str(),
                                         Find(theme.name, "objects.a.bmp").c_str(), -1, -1, video.Format(), 0x4000);
        ASSERT_NE(image, nullptr) << theme.name;
        EXPECT_GE(image->frameCount, 6);
        for (int f = 0; f < image->frameCount; ++f) {
            EXPECT_EQ(image->frames[f]->w, image->frames[0]->w) << theme.name << " object frame " << f;
            EXPECT_EQ(image->frames[f]->h, image->frames[0]->w) << theme.name << " object frame " << f << " is square";
        }
        EXPECT_EQ(image->frames[0]->w % 2, 1) << "an odd size centres on a pixel";
        PIX_ReleaseImage(image);
    }
    PIX_Image* image = PIX_LoadImage(In("default", "sprites.c.bmp").c_str(), In("default", "sprites.a.bmp").c_str(),
                                     -1, -1, video.Format(), 0x4000);
    ASSERT_NE(image, nullptr);
    ASSERT_GE(image->frameCount, 69);
    // Catcher frames fill rows 246 to 254. Left halves reach the centre column (x 127 = column
    // 28 at catcherLeft - 19 = 99) and no further; right halves start there (column 3 at
    // catcherRight - 12 = 124).
    for (int f = 21; f <= 68; ++f) {
        SDL_Surface* s = image->frames[f];
        EXPECT_TRUE(s->w == CATCHER_W && s->h == CATCHER_H) << "catcher frame " << f << ": " << s->w << "x" << s->h;
        const Lock lock(s);
        const bool left = (f - 21) % 16 < 8;
        int atCentre = 0, beyond = 0;
        for (int y = 0; y < s->h; ++y) {
            atCentre += ArgbAt(s, left ? 28 : 3, y).a > 0 ? 1 : 0;
            for (int x = left ? 29 : 0; x < (left ? 32 : 3); ++x) {
                beyond += ArgbAt(s, x, y).a > 0 ? 1 : 0;
            }
        }
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
        for (const std::string& stem : {"font"s, "logo"s, "template"s, "field"s, "objects"s, "sprites"s}) {
            const std::string a = In(theme.name, stem + ".a.bmp");
            if (!Exists(a)) {
                continue;
            }
            ++masks;
            SDL_Surface* mask = SDL_LoadBMP(a.c_str());
            SDL_Surface* colour = SDL_LoadBMP(In(theme.name, stem + ".c.bmp").c_str());
            ASSERT_TRUE(mask != nullptr && colour != nullptr) << a;
            EXPECT_EQ(mask->format->BitsPerPixel, 8) << a;
            EXPECT_EQ(RectText(mask->clip_rect), RectText(colour->clip_rect)) << a;
            EXPECT_GE(colour->format->BitsPerPixel, 24) << a;
            SDL_FreeSurface(mask);
            SDL_FreeSurface(colour);
        }
    }
    EXPECT_GE(masks, 6) << "the pictures with soft edges have masks";
}

// Blits a picture over a flat colour and counts the pixels left untouched and painted over.
void Coverage(SDL_Surface* picture, int& untouched, int& painted)
{
    SDL_Surface* ground = NewSurface32(picture->w, picture->h, 0x123456);
    SDL_BlitSurface(picture, nullptr, ground, nullptr);
    untouched = painted = 0;
    for (int y = 0; y < ground->h; ++y) {
        for (int x = 0; x < ground->w; ++x) {
            ((PixelAt(ground, x, y) & 0xFFFFFF) == 0x123456 ? untouched : painted) += 1;
        }
    }
    SDL_FreeSurface(ground);
}

TEST(Themes, MaskedPicturesAreClearAtTheirCornersSolidInsideAndBlend)
{
    Video video;
    for (const std::string& stem : {"logo"s, "template"s}) {
        SDL_Surface* s = PIX_LoadBMP(In("default", stem + ".c.bmp").c_str(), In("default", stem + ".a.bmp").c_str(),
                                     -1, -1, video.Format(), 0x4000);
        ASSERT_NE(s, nullptr) << stem;
        ASSERT_NE(s->format->Amask, 0u) << stem << " has an alpha channel from its mask";
        int clear = 0, solid = 0;
        {
            const Lock lock(s);
            for (int y = 0; y < s->h; ++y) {
                for (int x = 0; x < s->w; ++x) {
                    clear += ArgbAt(s, x, y).a == 0 ? 1 : 0;
                    solid += ArgbAt(s, x, y).a == 255 ? 1 : 0;
                }
            }
            EXPECT_EQ(ArgbAt(s, 0, 0).a, 0) << stem << ": the top-left corner shows what lies under it";
            EXPECT_EQ(ArgbAt(s, s->w - 1, s->h - 1).a, 0) << stem;
        }
        EXPECT_GT(clear, 0) << stem;
        EXPECT_GT(solid, s->w * s->h / 4) << stem;
        int untouched = 0, painted = 0;
        Coverage(s, untouched, painted);
        EXPECT_GT(untouched, 0) << stem << ": its clear parts show what lies under it when drawn";
        EXPECT_GT(painted, untouched / 4) << stem;
        SDL_FreeSurface(s);
    }
    // Frames cut from a masked frame set blend as well: the catcher, markers and flashes.
    PIX_Image* image = PIX_LoadImage(In("default", "sprites.c.bmp").c_str(), In("default", "sprites.a.bmp").c_str(),
                                     -1, -1, video.Format(), 0x4000);
    ASSERT_NE(image, nullptr);
    for (int f : {0, 12, 16, 20, 21, 68}) {
        int untouched = 0, painted = 0;
        Coverage(image->frames[f], untouched, painted);
        EXPECT_TRUE(untouched > 0 && painted > 0) << "sprite frame " << f << ": " << untouched << "/" << painted;
    }
    PIX_ReleaseImage(image);
}

TEST(Themes, EverySoundDecodesShortCleanAndUnclipped)
{
    MixerSession mixer;
    ASSERT_TRUE(mixer.open) << SDL_GetError();
    int decoded = 0;
    for (const ThemeSpec& theme : Themes()) {
        for (const std::string& name : SoundNames()) {
            const std::string path = In(theme.name, name + ".ogg");
            if (!Exists(path)) {
                EXPECT_FALSE(theme.complete) << path;
                continue;
            }
            Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
            ASSERT_NE(chunk, nullptr) << path << ": " << Mix_GetError();
            ++decoded;
            const std::vector<int16_t> s = ChunkSamples(chunk, mixer.channels);
            Mix_FreeChunk(chunk);
            // Length bounds in seconds: short blips, long fanfares, everything else between.
            const bool blip = name == "shot" || name == "zap" || name == "miss" || name == "navigation" ||
                              name == "selection";
            const bool fanfare = name == "game_over" || name == "congratulations";
            const double seconds = static_cast<double>(s.size()) / mixer.rate;
            EXPECT_GE(seconds, blip ? 0.03 : fanfare ? 1.0 : 0.2) << path;
            EXPECT_LE(seconds, blip ? 0.5 : fanfare ? 4.0 : 2.0) << path;
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

TEST(Themes, SpeedClassesDifferForEveryEye)
{
    Video video;
    for (const ThemeSpec& theme : Themes()) {
        KV_Store* store = OpenDescriptor(theme.name);
        PIX_Image* image = PIX_LoadImage(Find(theme.name, "objects.c.bmp").c_str(),
                                         Find(theme.name, "objects.a.bmp").c_str(), -1, -1, video.Format(), 0);
        ASSERT_TRUE(store != nullptr && image != nullptr) << theme.name;
        // The alpha-weighted mean of every frame, tinted for each class.
        Srgb colours[4];
        for (int k = 0; k < 4; ++k) {
            const std::vector<int> p = Numbers(store, kClasses[k]);
            ASSERT_EQ(p.size(), 3u);
            double sum[3] = {0, 0, 0}, weight = 0;
            for (int f = 0; f < 6; ++f) {
                SDL_Surface* s = image->frames[f];
                const Lock lock(s);
                for (int y = 0; y < s->h; ++y) {
                    for (int x = 0; x < s->w; ++x) {
                        const Argb px = ArgbAt(s, x, y);
                        const Srgb t = Tint(px.rgb(), p);
                        sum[0] += t.r * px.a;
                        sum[1] += t.g * px.a;
                        sum[2] += t.b * px.a;
                        weight += px.a;
                    }
                }
            }
            colours[k] = {sum[0] / weight, sum[1] / weight, sum[2] / weight};
        }
        PIX_ReleaseImage(image);
        KV_Dispose(store);
        for (int i = 0; i < 4; ++i) {
            for (int j = i + 1; j < 4; ++j) {
                const Srgb x = colours[i], y = colours[j];
                const double normal = Ciede2000(LabFromSrgb(x), LabFromSrgb(y));
                const double deutan =
                    Ciede2000(LabFromSrgb(SimulateDeuteranopia(x)), LabFromSrgb(SimulateDeuteranopia(y)));
                const double protan = Ciede2000(LabFromSrgb(SimulateProtanopia(x)), LabFromSrgb(SimulateProtanopia(y)));
                SCOPED_TRACE(theme.name + " " + kClasses[i] + " / " + kClasses[j]);
                EXPECT_GE(normal, 20.0);
                EXPECT_GE(deutan, 10.0) << "deuteranopia";
                EXPECT_GE(protan, 10.0) << "protanopia";
                std::printf("%s %s/%s: dE00 %.1f, deutan %.1f, protan %.1f\n", theme.name.c_str(), kClasses[i],
                            kClasses[j], normal, deutan, protan);
            }
        }
    }
}

TEST(Themes, TextStandsOutFromWhatLiesUnderIt)
{
    Video video;
    // The colour of the font's full-strength ink.
    TXT_Font* font = ThemeFont(video);
    ASSERT_NE(font, nullptr);
    Srgb ink = {0, 0, 0};
    {
        const Lock lock(font->picture);
        const SDL_Rect r = font->glyphs[static_cast<unsigned char>('H')];
        for (int y = r.y; y < r.y + r.h; ++y) {
            for (int x = r.x; x < r.x + r.w; ++x) {
                const Argb p = ArgbAt(font->picture, x, y);
                ink = p.a == 255 ? p.rgb() : ink;
            }
        }
    }
    TXT_FreeFont(font);
    ASSERT_GT(ink.r + ink.g + ink.b, 600.0) << "a light ink lets the tints choose the colour";
    // The menu box's centre, where the menu entries are drawn.
    SDL_Surface* box = PIX_LoadBMP(In("default", "template.c.bmp").c_str(), In("default", "template.a.bmp").c_str(),
                                   -1, -1, video.Format(), 0);
    ASSERT_NE(box, nullptr);
    SDL_LockSurface(box);
    const Argb centre = ArgbAt(box, box->w / 2, box->h / 2);
    SDL_UnlockSurface(box);
    SDL_FreeSurface(box);
    EXPECT_EQ(centre.a, 255) << "the box is opaque where the entries stand";
    for (const ThemeSpec& theme : Themes()) {
        SCOPED_TRACE(theme.name);
        KV_Store* store = OpenDescriptor(theme.name);
        ASSERT_NE(store, nullptr);
        const std::vector<int> status = Numbers(store, "FONT.STATUS"), outline = Numbers(store, "FONT.OUTLINE"),
                               menu = Numbers(store, "FONT.MENU"), chart = Numbers(store, "FONT.CHART"),
                               labels = Numbers(store, "FONT.LABELS"), bg = Numbers(store, "BACKGROUND");
        KV_Dispose(store);
        ASSERT_TRUE(status.size() == 3 && outline.size() == 3 && menu.size() == 3 && chart.size() == 3 &&
                    labels.size() == 3 && bg.size() == 6);
        const Srgb o = Tint(ink, outline);
        const double onOutline = ContrastRatio(Tint(ink, status), o), onBox = ContrastRatio(Tint(ink, menu), centre.rgb());
        EXPECT_GE(onOutline, 4.5) << "status text on its outline";
        EXPECT_GE(ContrastRatio(Tint(ink, chart), o), 4.5) << "chart text on its outline";
        EXPECT_GE(ContrastRatio(Tint(ink, labels), o), 4.5) << "titles on their outline";
        EXPECT_GE(onBox, 4.5) << "menu text on the box";
        // The chart stands on the backdrop's gradient, row by row.
        double worst = 21;
        for (int i = 0; i < 255; ++i) {
            const Srgb row = {double((bg[0] + (bg[3] - bg[0]) * i / 254) & 255),
                              double((bg[1] + (bg[4] - bg[1]) * i / 254) & 255),
                              double((bg[2] + (bg[5] - bg[2]) * i / 254) & 255)};
            worst = std::min({worst, ContrastRatio(Tint(ink, chart), row), ContrastRatio(Tint(ink, labels), row)});
        }
        EXPECT_GE(worst, 4.5) << "chart text on the backdrop";
        std::printf("%s: status/outline %.1f, menu/box %.1f, chart/backdrop %.1f\n", theme.name.c_str(), onOutline,
                    onBox, worst);
    }
}

TEST(Themes, MenuChartLogoAndPagesShareTheScreen)
{
    Video video;
    TXT_Font* font = ThemeFont(video);
    ASSERT_NE(font, nullptr);
    const int h = font->largestHeight;
    SDL_Surface* logo = SDL_LoadBMP(In("default", "logo.c.bmp").c_str());
    ASSERT_NE(logo, nullptr);
    const int logoBottom = 1 + logo->h;
    EXPECT_LE(logo->w, 255);
    SDL_FreeSurface(logo);
    // The about page: a title at logo height + 9, then sixteen more lines a chart line apart.
    EXPECT_LE(logoBottom - 1 + 9 + 16 * (h + 3) + h, 255) << "seventeen lines of the about page fit";
    for (const ThemeSpec& theme : Themes()) {
        SCOPED_TRACE(theme.name);
        KV_Store* store = OpenDescriptor(theme.name);
        ASSERT_NE(store, nullptr);
        const std::vector<int> m = Numbers(store, "MENU"), chart = Numbers(store, "CHART");
        const std::string legal = "theme " + Value(store, "LEGAL_INFORMATION");
        KV_Dispose(store);
        ASSERT_TRUE(m.size() == 4 && chart.size() == 2);
        EXPECT_LE(m[0] + m[2], 255);
        EXPECT_LE(m[1] + m[3], 255);
        EXPECT_GT(m[1], logoBottom) << "menu box under the logo";
        // Entries: the widest of the options page fit the box without squeezing, and at
        // least the six options show.
        for (const char* label : {"INTERPOLATION: off", "DIFFICULTY: inhuman", "VOLUME: medium", "ZOOM 4x"}) {
            EXPECT_LE(TXT_TextWidth(font, label, 1), m[2] - 18) << label;
        }
        EXPECT_LT(9 + 6 * (h + 3), m[3] - 8);
        // The chart: title six label lines above CHART's y, ten rows, the entry line below.
        const int cx = chart[0], top = chart[1];
        const int y0 = top - (h + 1) * 6;
        EXPECT_GT(y0, logoBottom) << "chart under the logo";
        const int congrats = top + 8 * h;
        EXPECT_LE(congrats + h + 1 + h, 254) << "name entry on the screen";
        EXPECT_GT(congrats, y0 + h + 1 + 10 * (h + 1) + h) << "congratulations under the table";
        // Rows as wide as a good score with a long name, and the congratulations line,
        // stay clear of the menu box and on the screen.
        const int rowHalf = TXT_TextWidth(font, "123456 Maximilian Ode", 1) / 2;
        const int half = std::max(rowHalf, TXT_TextWidth(font, "CONGRATULATIONS!", 1) / 2);
        EXPECT_TRUE(cx - half >= 0 && cx + half <= 254) << cx << " +- " << half;
        EXPECT_LE(8 + TXT_TextWidth(font, legal.c_str(), 1), 254) << "legal line fits the about page";
        EXPECT_TRUE(cx + rowHalf < m[0] || cx - rowHalf > m[0] + m[2]) << "chart rows beside the menu box";
    }
    TXT_FreeFont(font);
}

TEST(Themes, ArenaShowsItsTurnAndIsQuietOutside)
{
    Video video;
    for (const ThemeSpec& theme : Themes()) {
        SDL_Surface* s = SDL_LoadBMP(In(theme.name, "field.c.bmp").c_str());
        ASSERT_NE(s, nullptr);
        SDL_Surface* field = SDL_ConvertSurface(s, video.model->format, 0);
        SDL_FreeSurface(s);
        ASSERT_NE(field, nullptr);
        SDL_LockSurface(field);
        auto lum = [&](int x, int y) { return RelativeLuminance(ArgbAt(field, x, y).rgb()); };
        double outside = 0, rim = 0, floor = 0, turned[3] = {0, 0, 0};
        int nOut = 0, nRim = 0, nFloor = 0;
        for (int y = 0; y < FIELD_SIZE; ++y) {
            for (int x = 0; x < FIELD_SIZE; ++x) {
                const double d = std::hypot(x - 191, y - 191), here = lum(x, y);
                if (d > 133) {
                    outside += here;
                    ++nOut;
                } else if (d >= 126.8 && d <= 128.2) {
                    rim += here;
                    ++nRim;
                } else if (d < 118) {
                    floor += here;
                    ++nFloor;
                    // The same pixel a quarter, half and three quarters round.
                    const int dx = x - 191, dy = y - 191;
                    turned[0] += std::fabs(here - lum(191 - dy, 191 + dx));
                    turned[1] += std::fabs(here - lum(191 - dx, 191 - dy));
                    turned[2] += std::fabs(here - lum(191 + dy, 191 - dx));
                }
            }
        }
        SDL_UnlockSurface(field);
        SDL_FreeSurface(field);
        floor /= nFloor;
        EXPECT_LT(outside / nOut, 0.01) << theme.name << " is dark beyond the rim";
        EXPECT_GT(rim / nRim, 8 * floor) << theme.name << " has a bright rim";
        for (double t : turned) {
            EXPECT_GT(t / nFloor, 0.1 * floor) << theme.name << " does not look the same when turned";
        }
    }
}

} // namespace
