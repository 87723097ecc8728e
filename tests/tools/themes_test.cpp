// Checks on the themes as the build generated them into the run folder, read back with the
// game's own loaders.
#include "tools/themes.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <map>
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
std::string In(const std::string& theme, const std::string& file)
{
    return std::string(ZAF_RUN_DIR) + "/themes/" + theme + "/" + file;
}

bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Where the game finds a file of a theme: in the theme, else in "default".
std::string Find(const std::string& theme, const std::string& file)
{
    return Exists(In(theme, file)) ? In(theme, file) : In("default", file);
}

// The fifteen keys with the count of numbers each holds (0: free text).
const std::pair<const char*, size_t> kKeys[] = {
    {"LEGAL_INFORMATION", 0}, {"BACKGROUND", 6},   {"MENU", 4},          {"CHART", 2},         {"FONT.MENU", 3},
    {"FONT.LABELS", 3},       {"FONT.CHART", 3},   {"FONT.STATUS", 3},   {"FONT.OUTLINE", 3},  {"OBJECT.SLOW", 3},
    {"OBJECT.NORMAL", 3},     {"OBJECT.FAST", 3},  {"OBJECT.SWIFT", 3},  {"BEAMS.CATCHER", 3}, {"BEAMS.FREEZER", 3}};
const char* const kClasses[] = {"OBJECT.SLOW", "OBJECT.NORMAL", "OBJECT.FAST", "OBJECT.SWIFT"};

// The descriptor opened as the game opens it, requiring the fifteen keys, with every value
// holding exactly its count of numbers; fails the test otherwise.
struct Descriptor {
    std::string legal;
    std::map<std::string, std::vector<int>> n;
    bool ok = false;

    explicit Descriptor(const std::string& theme)
    {
        KV_Pair required[16] = {};
        for (int i = 0; i < 15; ++i) {
            required[i] = {kKeys[i].first, ""};
        }
        KV_Store* store = KV_Open(Find(theme, "descriptor.txt").c_str(), required, KV_BLOCK_NONE, nullptr);
        ok = store != nullptr && KV_GetString(store, kKeys[0].first, &legal_) && *legal_ != '\0';
        legal = ok ? legal_ : "";
        for (int i = 1; ok && i < 15; ++i) {
            const char* v = nullptr;
            std::istringstream in(KV_GetString(store, kKeys[i].first, &v) ? v : "");
            for (int x; in >> x;) {
                n[kKeys[i].first].push_back(x);
            }
            ok = in.eof() && n[kKeys[i].first].size() == kKeys[i].second;
            EXPECT_TRUE(ok) << theme << " " << kKeys[i].first << " = \"" << v << "\"";
        }
        EXPECT_TRUE(ok) << theme << " has all fifteen keys with their numbers";
        KV_Dispose(store);
    }

private:
    const char* legal_ = nullptr;
};

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

struct Argb {
    int a, r, g, b;
    Srgb rgb() const { return {double(r), double(g), double(b)}; }
};

// Holds a surface locked while it is read: pictures loaded with RLE acceleration need it.
struct Lock {
    SDL_Surface* s;
    explicit Lock(SDL_Surface* surface) : s(surface) { SDL_LockSurface(s); }
    ~Lock() { SDL_UnlockSurface(s); }
};

Argb ArgbAt(SDL_Surface* s, int x, int y)
{
    const uint32_t v = PIX_Unpack(s->format, PixelAt(s, x, y));
    return {s->format->Amask != 0 ? static_cast<int>(v >> 24) : 255, static_cast<int>((v >> 16) & 255),
            static_cast<int>((v >> 8) & 255), static_cast<int>(v & 255)};
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

PIX_Image* Frames(const Video& video, const std::string& theme, const std::string& stem)
{
    return PIX_LoadImage(Find(theme, stem + ".c.bmp").c_str(), Find(theme, stem + ".a.bmp").c_str(), -1, -1,
                         video.Format(), 0x4000);
}

// Blits a picture over a flat colour; returns how many pixels were left untouched, and sets
// how many were painted over.
int Untouched(SDL_Surface* picture, int& painted)
{
    SDL_Surface* ground = NewSurface32(picture->w, picture->h, 0x123456);
    SDL_BlitSurface(picture, nullptr, ground, nullptr);
    painted = 0;
    for (int i = 0; i < ground->w * ground->h; ++i) {
        painted += (PixelAt(ground, i % ground->w, i / ground->w) & 0xFFFFFF) == 0x123456 ? 0 : 1;
    }
    SDL_FreeSurface(ground);
    return picture->w * picture->h - painted;
}

TEST(Themes, BothThemesAreGeneratedAndGenerateAgainByteForByte)
{
    ASSERT_EQ(Themes().size(), 2u);
    EXPECT_EQ(Themes()[0].name, "default");
    for (const char* file : {"font.c.bmp", "font.a.bmp", "logo.c.bmp", "template.c.bmp", "sprites.c.bmp"}) {
        EXPECT_FALSE(Exists(In(Themes()[1].name, file))) << file << " comes from default";
    }
    const TempDir dir;
    for (const ThemeSpec& theme : Themes()) {
        ASSERT_TRUE(WriteTheme(dir.Path(""), theme));
        std::vector<std::string> files = {"descriptor.txt", "field.c.bmp", "objects.c.bmp", "objects.a.bmp"};
        for (const std::string& sound : theme.sounds) {
            files.push_back(sound + ".ogg");
        }
        if (theme.complete) {
            files.insert(files.end(), {"font.c.bmp", "font.a.bmp", "sprites.c.bmp", "sprites.a.bmp", "logo.c.bmp",
                                       "logo.a.bmp", "template.c.bmp", "template.a.bmp"});
        }
        for (const std::string& f : files) {
            const std::vector<uint8_t> again = ReadBytes(dir.Path(theme.name + "/" + f));
            EXPECT_TRUE(!again.empty() && again == ReadBytes(In(theme.name, f))) << theme.name << "/" << f;
        }
        EXPECT_TRUE(Descriptor(theme.name).ok);
    }
}

TEST(Themes, FontHasEveryGlyphInMaskAndKeyAlike)
{
    Video video;
    TXT_Font* masked = ThemeFont(video);
    TXT_Font* keyed = ThemeFont(video, false);
    ASSERT_TRUE(masked != nullptr && keyed != nullptr);
    const Lock a(masked->picture), b(keyed->picture);
    EXPECT_TRUE(masked->largestHeight == FONT_HEIGHT && masked->smallestHeight == FONT_HEIGHT);
    for (int i = 0; i < TXT_THEME_GLYPHS; ++i) {
        const unsigned char code = static_cast<unsigned char>(TXT_ThemeCharSet[static_cast<size_t>(i)]);
        const SDL_Rect r = masked->glyphs[code];
        EXPECT_EQ(r.w, FontGlyph(code).width) << "code " << int(code);
        int inkMasked = 0, inkKeyed = 0;
        for (int j = 0; j < r.w * r.h; ++j) {
            inkMasked += ArgbAt(masked->picture, r.x + j % r.w, r.y + j / r.w).a > 0 ? 1 : 0;
            inkKeyed += PixelAt(keyed->picture, r.x + j % r.w, r.y + j / r.w) != keyed->picture->format->colorkey;
        }
        EXPECT_EQ(inkMasked > 0, code != ' ') << "code " << int(code) << ": only the space is empty";
        EXPECT_EQ(inkKeyed, inkMasked) << "code " << int(code) << ": key and mask agree";
    }
    TXT_FreeFont(keyed);
    TXT_FreeFont(masked);
}

TEST(Themes, PicturesLoadAsTheGameLoadsThemCutIntoFramesAndBlend)
{
    Video video;
    for (const ThemeSpec& theme : Themes()) {
        PIX_Image* image = Frames(video, theme.name, "objects");
        ASSERT_TRUE(image != nullptr && image->frameCount >= 6) << theme.name;
        for (int f = 0; f < image->frameCount; ++f) {
            EXPECT_TRUE(image->frames[f]->w == image->frames[0]->w && image->frames[f]->h == image->frames[0]->w &&
                        image->frames[0]->w % 2 == 1) << theme.name << " object " << f << ": square, odd, all alike";
        }
        PIX_ReleaseImage(image);
        SDL_Surface* field = PIX_LoadBMP(In(theme.name, "field.c.bmp").c_str(), nullptr, -1, 0x808081, video.Format(), 0);
        EXPECT_TRUE(field != nullptr && field->w == FIELD_SIZE && field->h == FIELD_SIZE &&
                    !Exists(In(theme.name, "field.a.bmp"))) << "the field is opaque and whole: it covers the last frame";
        SDL_FreeSurface(field);
    }
    for (const std::string& stem : {"logo"s, "template"s}) {
        SDL_Surface* s = PIX_LoadBMP(In("default", stem + ".c.bmp").c_str(), In("default", stem + ".a.bmp").c_str(),
                                     -1, -1, video.Format(), 0x4000);
        ASSERT_TRUE(s != nullptr && s->format->Amask != 0) << stem << " has an alpha channel from its mask";
        int clear = 0, solid = 0, painted = 0;
        {
            const Lock lock(s);
            for (int i = 0; i < s->w * s->h; ++i) {
                clear += ArgbAt(s, i % s->w, i / s->w).a == 0 ? 1 : 0;
                solid += ArgbAt(s, i % s->w, i / s->w).a == 255 ? 1 : 0;
            }
            EXPECT_EQ(ArgbAt(s, 0, 0).a + ArgbAt(s, s->w - 1, s->h - 1).a, 0) << stem << ": corners show what is under";
        }
        const int untouched = Untouched(s, painted);
        EXPECT_TRUE(solid > s->w * s->h / 4 && clear > 0 && untouched > 0 && painted > untouched / 4)
            << stem << ": mostly solid, clear parts show when drawn";
        SDL_FreeSurface(s);
    }
    PIX_Image* image = Frames(video, "default", "sprites");
    ASSERT_TRUE(image != nullptr && image->frameCount >= SPRITE_FRAMES);
    // Frames cut from a masked frame set blend: the catcher, markers and flashes.
    for (int f : {0, 12, 16, 20, 21, 68}) {
        int painted = 0;
        EXPECT_TRUE(Untouched(image->frames[f], painted) > 0 && painted > 0) << "sprite frame " << f;
    }
    // Catcher frames fill rows 246 to 254. Left halves reach the centre column (x 127 = column
    // 28 at catcherLeft - 19 = 99) and no further; right halves start there (column 3 at
    // catcherRight - 12 = 124).
    for (int f = 21; f <= 68; ++f) {
        SDL_Surface* s = image->frames[f];
        const Lock lock(s);
        const bool left = (f - 21) % 16 < 8;
        int atCentre = 0, beyond = 0;
        for (int y = 0; y < s->h; ++y) {
            atCentre += ArgbAt(s, left ? 28 : 3, y).a > 0 ? 1 : 0;
            for (int x = left ? 29 : 0; x < (left ? 32 : 3); ++x) {
                beyond += ArgbAt(s, x, y).a > 0 ? 1 : 0;
            }
        }
        EXPECT_TRUE(s->w == CATCHER_W && s->h == CATCHER_H && atCentre > 0 && beyond == 0)
            << "catcher frame " << f << " (" << s->w << "x" << s->h << ") meets the other half and stays on its side";
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
            EXPECT_TRUE(seconds >= (blip ? 0.03 : fanfare ? 1.0 : 0.2) && seconds <= (blip ? 0.5 : fanfare ? 4.0 : 2.0))
                << path << " lasts " << seconds << " s";
            int peak = 0;
            double steps = 0;
            for (size_t i = 0; i < s.size(); ++i) {
                peak = std::max(peak, std::abs(static_cast<int>(s[i])));
                steps += i > 0 ? std::pow(s[i] - s[i - 1], 2.0) : 0.0;
            }
            EXPECT_TRUE(peak > 8000 && peak < 29205) << path << " peaks below -1 dBFS, far from silence: " << peak;
            const double rmsStep = std::sqrt(steps / static_cast<double>(s.size() - 1));
            EXPECT_TRUE(SoundLoops(name) ? std::abs(s.back() - s.front()) < 3 * rmsStep
                                         : std::abs(s.front()) < 400 && std::abs(s.back()) < 400)
                << path << " clicks at an end or at its loop seam";
        }
    }
    EXPECT_EQ(decoded, 25 + static_cast<int>(Themes()[1].sounds.size()));
}

TEST(Themes, SpeedClassesDifferForEveryEye)
{
    Video video;
    for (const ThemeSpec& theme : Themes()) {
        const Descriptor d(theme.name);
        PIX_Image* image = Frames(video, theme.name, "objects");
        ASSERT_TRUE(d.ok && image != nullptr) << theme.name;
        // The alpha-weighted mean of every frame, tinted for each class.
        Srgb colours[4];
        for (int k = 0; k < 4; ++k) {
            double sum[3] = {0, 0, 0}, weight = 0;
            for (int f = 0; f < OBJECT_FRAMES; ++f) {
                SDL_Surface* s = image->frames[f];
                const Lock lock(s);
                for (int i = 0; i < s->w * s->h; ++i) {
                    const Argb px = ArgbAt(s, i % s->w, i / s->w);
                    const Srgb t = Tint(px.rgb(), d.n.at(kClasses[k]));
                    sum[0] += t.r * px.a;
                    sum[1] += t.g * px.a;
                    sum[2] += t.b * px.a;
                    weight += px.a;
                }
            }
            colours[k] = {sum[0] / weight, sum[1] / weight, sum[2] / weight};
        }
        PIX_ReleaseImage(image);
        for (int i = 0; i < 4; ++i) {
            for (int j = i + 1; j < 4; ++j) {
                const Lab x[3] = {LabFromSrgb(colours[i]), LabFromSrgb(SimulateDeuteranopia(colours[i])),
                                  LabFromSrgb(SimulateProtanopia(colours[i]))};
                const Lab y[3] = {LabFromSrgb(colours[j]), LabFromSrgb(SimulateDeuteranopia(colours[j])),
                                  LabFromSrgb(SimulateProtanopia(colours[j]))};
                EXPECT_TRUE(Ciede2000(x[0], y[0]) >= 20.0 && Ciede2000(x[1], y[1]) >= 10.0 && Ciede2000(x[2], y[2]) >= 10.0)
                    << theme.name << " " << kClasses[i] << " / " << kClasses[j] << ": normal, deutan, protan "
                    << Ciede2000(x[0], y[0]) << " " << Ciede2000(x[1], y[1]) << " " << Ciede2000(x[2], y[2]);
            }
        }
    }
}

TEST(Themes, TextStandsOutAndFitsBesideTheLogoMenuAndChart)
{
    Video video;
    TXT_Font* font = ThemeFont(video);
    ASSERT_NE(font, nullptr);
    // The colour of the font's full-strength ink.
    Srgb ink = {0, 0, 0};
    {
        const Lock lock(font->picture);
        const SDL_Rect r = font->glyphs[static_cast<unsigned char>('H')];
        for (int i = 0; i < r.w * r.h; ++i) {
            const Argb p = ArgbAt(font->picture, r.x + i % r.w, r.y + i / r.w);
            ink = p.a == 255 ? p.rgb() : ink;
        }
    }
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
    SDL_Surface* logo = SDL_LoadBMP(In("default", "logo.c.bmp").c_str());
    ASSERT_NE(logo, nullptr);
    const int h = font->largestHeight, logoBottom = 1 + logo->h;
    EXPECT_LE(logo->w, 255);
    SDL_FreeSurface(logo);
    // The about page: a title at logo height + 9, then sixteen more lines a chart line apart.
    EXPECT_LE(logoBottom - 1 + 9 + 16 * (h + 3) + h, 255) << "seventeen lines of the about page fit";
    for (const ThemeSpec& theme : Themes()) {
        SCOPED_TRACE(theme.name);
        const Descriptor d(theme.name);
        ASSERT_TRUE(d.ok);
        const Srgb outline = Tint(ink, d.n.at("FONT.OUTLINE")), chart = Tint(ink, d.n.at("FONT.CHART")),
                   labels = Tint(ink, d.n.at("FONT.LABELS"));
        EXPECT_GE(ContrastRatio(Tint(ink, d.n.at("FONT.STATUS")), outline), 4.5) << "status text on its outline";
        EXPECT_GE(ContrastRatio(chart, outline), 4.5) << "chart text on its outline";
        EXPECT_GE(ContrastRatio(labels, outline), 4.5) << "titles on their outline";
        EXPECT_GE(ContrastRatio(Tint(ink, d.n.at("FONT.MENU")), centre.rgb()), 4.5) << "menu text on the box";
        // The chart stands on the backdrop's gradient, row by row.
        const std::vector<int>& bg = d.n.at("BACKGROUND");
        for (int i = 0; i < 255; ++i) {
            const Srgb row = {double((bg[0] + (bg[3] - bg[0]) * i / 254) & 255),
                              double((bg[1] + (bg[4] - bg[1]) * i / 254) & 255),
                              double((bg[2] + (bg[5] - bg[2]) * i / 254) & 255)};
            ASSERT_GE(std::min(ContrastRatio(chart, row), ContrastRatio(labels, row)), 4.5) << "backdrop row " << i;
        }
        const std::vector<int>&m = d.n.at("MENU"), chartAt = d.n.at("CHART");
        EXPECT_TRUE(m[0] >= 0 && m[1] > logoBottom && m[0] + m[2] <= 255 && m[1] + m[3] <= 255)
            << "menu box on the screen under the logo";
        // The widest entries of the options page fit the box unsqueezed; at least six show.
        for (const char* label : {"INTERPOLATION: off", "DIFFICULTY: inhuman", "VOLUME: medium", "ZOOM 4x"}) {
            EXPECT_LE(TXT_TextWidth(font, label, 1), m[2] - 18) << label;
        }
        EXPECT_LT(9 + 6 * (h + 3), m[3] - 8);
        // The chart: title six label lines above CHART's y, ten rows, the entry line below.
        const int cx = chartAt[0], y0 = chartAt[1] - (h + 1) * 6, congrats = chartAt[1] + 8 * h;
        EXPECT_GT(y0, logoBottom) << "chart under the logo";
        EXPECT_LE(congrats + h + 1 + h, 254) << "name entry on the screen";
        EXPECT_GT(congrats, y0 + h + 1 + 10 * (h + 1) + h) << "congratulations under the table";
        // Rows as wide as a good score with a long name, and the congratulations line, stay
        // clear of the menu box and on the screen.
        const int rowHalf = TXT_TextWidth(font, "123456 Maximilian Ode", 1) / 2;
        const int half = std::max(rowHalf, TXT_TextWidth(font, "CONGRATULATIONS!", 1) / 2);
        EXPECT_TRUE(cx - half >= 0 && cx + half <= 254) << cx << " +- " << half;
        EXPECT_LE(8 + TXT_TextWidth(font, ("theme " + d.legal).c_str(), 1), 254) << "legal line fits the about page";
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
                const int dx = x - 191, dy = y - 191;
                const double d = std::hypot(dx, dy), here = lum(x, y);
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
