// Checks on the themes as the build generated them into the run folder, read back with the
// game's own loaders.
#include "tools/themes.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <cmath>
#include <functional>
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
        const char* v = nullptr;
        ok = store != nullptr && KV_GetString(store, kKeys[0].first, &v) && *v != '\0';
        legal = ok ? v : "";
        for (int i = 1; ok && i < 15; ++i) {
            std::istringstream in(KV_GetString(store, kKeys[i].first, &v) ? v : "");
            std::vector<int>& numbers = n[kKeys[i].first];
            for (int x; in >> x;) {
                numbers.push_back(x);
            }
            ok = in.eof() && numbers.size() == kKeys[i].second;
            EXPECT_TRUE(ok) << theme << " " << kKeys[i].first << " = \"" << in.str() << "\"";
        }
        EXPECT_TRUE(ok) << theme << " has all fifteen keys with their numbers";
        KV_Dispose(store);
    }
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

Argb ArgbAt(SDL_Surface* s, int x, int y)
{
    const uint32_t v = PIX_Unpack(s->format, PixelAt(s, x, y));
    return {s->format->Amask != 0 ? static_cast<int>(v >> 24) : 255, static_cast<int>((v >> 16) & 255),
            static_cast<int>((v >> 8) & 255), static_cast<int>(v & 255)};
}

// How many pixels of the box (the whole picture when its width is 0) pass `test`. The surface
// is locked meanwhile: pictures loaded with RLE acceleration need it.
int Count(SDL_Surface* s, const std::function<bool(Argb, int, int)>& test, SDL_Rect box = {0, 0, 0, 0})
{
    box = box.w != 0 ? box : SDL_Rect{0, 0, Uint16(s->w), Uint16(s->h)};
    SDL_LockSurface(s);
    int count = 0;
    for (int i = 0; i < box.w * box.h; ++i) {
        const int x = box.x + i % box.w, y = box.y + i / box.w;
        count += test(ArgbAt(s, x, y), x, y) ? 1 : 0;
    }
    SDL_UnlockSurface(s);
    return count;
}

bool Visible(Argb p, int, int)
{
    return p.a > 0;
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

// A picture with its mask, as the game loads frame sets, logo and menu box.
SDL_Surface* Masked(const Video& video, const std::string& theme, const std::string& stem, uint32_t flags = 0x4000)
{
    return PIX_LoadBMP(Find(theme, stem + ".c.bmp").c_str(), Find(theme, stem + ".a.bmp").c_str(), -1, -1,
                       video.Format(), flags);
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
    painted = Count(ground, [](Argb p, int, int) { return p.r != 0x12 || p.g != 0x34 || p.b != 0x56; });
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
    EXPECT_TRUE(masked->largestHeight == FONT_HEIGHT && masked->smallestHeight == FONT_HEIGHT);
    SDL_Surface* key = keyed->picture;
    for (int i = 0; i < TXT_THEME_GLYPHS; ++i) {
        const unsigned char code = static_cast<unsigned char>(TXT_ThemeCharSet[static_cast<size_t>(i)]);
        const SDL_Rect r = masked->glyphs[code];
        EXPECT_EQ(r.w, FontGlyph(code).width) << "code " << int(code);
        const int ink = Count(masked->picture, Visible, r);
        EXPECT_EQ(ink > 0, code != ' ') << "code " << int(code) << ": only the space is empty";
        const auto keyedInk = [key](Argb, int x, int y) { return PixelAt(key, x, y) != key->format->colorkey; };
        EXPECT_EQ(Count(key, keyedInk, r), ink)
            << "code " << int(code) << ": key and mask agree";
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
    for (const char* stem : {"logo", "template"}) {
        SDL_Surface* s = Masked(video, "default", stem);
        ASSERT_TRUE(s != nullptr && s->format->Amask != 0) << stem << " has an alpha channel from its mask";
        const int clear = Count(s, [](Argb p, int, int) { return p.a == 0; });
        const int solid = Count(s, [](Argb p, int, int) { return p.a == 255; });
        const auto corner = [s](Argb p, int x, int y) { return p.a == 0 && x + y == (x == 0 ? 0 : s->w + s->h - 2); };
        EXPECT_EQ(Count(s, corner), 2) << stem << ": the top left and bottom right corners show what is under";
        int painted = 0;
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
        const bool left = (f - 21) % 16 < 8;
        const Sint16 centre = left ? 28 : 3, beyond = left ? 29 : 0;
        EXPECT_TRUE(s->w == CATCHER_W && s->h == CATCHER_H && Count(s, Visible, {centre, 0, 1, Uint16(s->h)}) > 0 &&
                    Count(s, Visible, {beyond, 0, 3, Uint16(s->h)}) == 0)
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

// The colour as seen with normal vision, without green cones and without red cones.
std::array<Lab, 3> SeenBy(Srgb c)
{
    return {LabFromSrgb(c), LabFromSrgb(SimulateDeuteranopia(c)), LabFromSrgb(SimulateProtanopia(c))};
}

TEST(Themes, SpeedClassesDifferForEveryEye)
{
    Video video;
    for (const ThemeSpec& theme : Themes()) {
        const Descriptor d(theme.name);
        PIX_Image* image = Frames(video, theme.name, "objects");
        ASSERT_TRUE(d.ok && image != nullptr) << theme.name;
        // The alpha-weighted mean of every frame, tinted for each class.
        std::array<Lab, 3> seen[4];
        for (int k = 0; k < 4; ++k) {
            double sum[4] = {0, 0, 0, 0};
            for (int f = 0; f < OBJECT_FRAMES; ++f) {
                Count(image->frames[f], [&](Argb p, int, int) {
                    const Srgb t = Tint(p.rgb(), d.n.at(kClasses[k]));
                    sum[0] += t.r * p.a;
                    sum[1] += t.g * p.a;
                    sum[2] += t.b * p.a;
                    sum[3] += p.a;
                    return false;
                });
            }
            seen[k] = SeenBy({sum[0] / sum[3], sum[1] / sum[3], sum[2] / sum[3]});
        }
        PIX_ReleaseImage(image);
        for (int i = 0; i < 4; ++i) {
            for (int j = i + 1; j < 4; ++j) {
                const double normal = Ciede2000(seen[i][0], seen[j][0]), deutan = Ciede2000(seen[i][1], seen[j][1]),
                             protan = Ciede2000(seen[i][2], seen[j][2]);
                EXPECT_TRUE(normal >= 20.0 && deutan >= 10.0 && protan >= 10.0)
                    << theme.name << " " << kClasses[i] << " / " << kClasses[j] << ": normal, deutan, protan "
                    << normal << " " << deutan << " " << protan;
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
    const auto inked = [&ink](Argb p, int, int) {
        ink = p.a == 255 ? p.rgb() : ink;
        return false;
    };
    Count(font->picture, inked, font->glyphs[static_cast<unsigned char>('H')]);
    ASSERT_GT(ink.r + ink.g + ink.b, 600.0) << "a light ink lets the tints choose the colour";
    // The menu box's centre, where the menu entries are drawn.
    SDL_Surface* box = Masked(video, "default", "template", 0);
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
        const auto lum = [field](int x, int y) { return RelativeLuminance(ArgbAt(field, x, y).rgb()); };
        // Luminance summed beyond the rim, on it, on the floor and between; and how far the floor
        // differs from itself turned a quarter, a half and three quarters round.
        double sum[4] = {0, 0, 0, 0}, count[4] = {0, 0, 0, 0}, turned[3] = {0, 0, 0};
        Count(field, [&](Argb p, int x, int y) {
            int dx = x - 191, dy = y - 191;
            const double d = std::hypot(dx, dy), here = RelativeLuminance(p.rgb());
            const int zone = d > 133 ? 0 : d >= 126.8 && d <= 128.2 ? 1 : d < 118 ? 2 : 3;
            sum[zone] += here;
            count[zone] += 1;
            for (int t = 0; zone == 2 && t < 3; ++t) {
                std::tie(dx, dy) = std::pair(-dy, dx);
                turned[t] += std::fabs(here - lum(191 + dx, 191 + dy));
            }
            return false;
        });
        SDL_FreeSurface(field);
        const double floor = sum[2] / count[2];
        EXPECT_LT(sum[0] / count[0], 0.01) << theme.name << " is dark beyond the rim";
        EXPECT_GT(sum[1] / count[1], 8 * floor) << theme.name << " has a bright rim";
        for (double t : turned) {
            EXPECT_GT(t / count[2], 0.1 * floor) << theme.name << " does not look the same when turned";
        }
    }
}

} // namespace
