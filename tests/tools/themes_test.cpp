// Checks on the themes as the build generated them into the run folder, read back with the
// game's own loaders.
#include "tools/themes.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <sstream>

#include "mixer.h"
#include "tests/support/surface_util.h"
#include "tools/art.h"
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

// The fifteen keys with the count of numbers each holds (0: free text).
const std::pair<const char*, size_t> kKeys[] = {
    {"LEGAL_INFORMATION", 0}, {"BACKGROUND", 6},   {"MENU", 4},          {"CHART", 2},         {"FONT.MENU", 3},
    {"FONT.LABELS", 3},       {"FONT.CHART", 3},   {"FONT.STATUS", 3},   {"FONT.OUTLINE", 3},  {"OBJECT.SLOW", 3},
    {"OBJECT.NORMAL", 3},     {"OBJECT.FAST", 3},  {"OBJECT.SWIFT", 3},  {"BEAMS.CATCHER", 3}, {"BEAMS.FREEZER", 3}};

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
        const std::string path = In(theme, "descriptor.txt");
        KV_Store* store = KV_Open(path.c_str(), required, KV_BLOCK_NONE, nullptr);
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
};

// How many pixels of the box show. The surface is locked meanwhile: pictures loaded with RLE
// acceleration need it.
int Shown(SDL_Surface* s, SDL_Rect box)
{
    SDL_LockSurface(s);
    int count = 0;
    for (int i = 0; i < box.w * box.h; ++i) {
        const uint32_t v = PIX_Unpack(s->format, PixelAt(s, box.x + i % box.w, box.y + i / box.w));
        count += s->format->Amask == 0 || (v >> 24) != 0 ? 1 : 0;
    }
    SDL_UnlockSurface(s);
    return count;
}

PIX_Image* Frames(const Video& video, const std::string& theme, const std::string& stem)
{
    return PIX_LoadImage(In(theme, stem + ".c.bmp").c_str(), In(theme, stem + ".a.bmp").c_str(),
                         -1, -1, video.model->format, 0x4000);
}

TEST(Themes, BothThemesAreGeneratedAndGenerateAgainByteForByte)
{
    ASSERT_TRUE(Themes().size() == 2 && Themes()[0].name == "default");
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

TEST(Themes, PicturesLoadAsTheGameLoadsThemCutIntoFrames)
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
        SDL_Surface* field = PIX_LoadBMP(In(theme.name, "field.c.bmp").c_str(), nullptr, -1,
                                         0x808081, video.model->format, 0);
        EXPECT_TRUE(field != nullptr && field->w == FIELD_SIZE && field->h == FIELD_SIZE &&
                    !Exists(In(theme.name, "field.a.bmp"))) << "the field is opaque and whole: it covers the last frame";
        SDL_FreeSurface(field);
    }
    PIX_Image* image = Frames(video, "default", "sprites");
    ASSERT_TRUE(image != nullptr && image->frameCount >= SPRITE_FRAMES);
    PIX_ReleaseImage(image);
}

// Players without green or without red cones must still tell the four speeds apart: the
// alpha-weighted mean colour of the object frames, tinted per class, seen by each eye.
TEST(Themes, SpeedClassesDifferForEveryEye)
{
    Video video;
    const char* const classes[] = {"OBJECT.SLOW", "OBJECT.NORMAL", "OBJECT.FAST", "OBJECT.SWIFT"};
    for (const ThemeSpec& theme : Themes()) {
        const Descriptor d(theme.name);
        PIX_Image* image = Frames(video, theme.name, "objects");
        ASSERT_TRUE(d.ok && image != nullptr) << theme.name;
        std::array<Lab, 3> seen[4];
        for (int k = 0; k < 4; ++k) {
            const std::vector<int>& tint = d.n.at(classes[k]);
            double sum[4] = {0, 0, 0, 0};
            for (int f = 0; f < OBJECT_FRAMES; ++f) {
                SDL_Surface* s = image->frames[f];
                SDL_LockSurface(s);
                for (int i = 0; i < s->w * s->h; ++i) {
                    const uint32_t v = PIX_Unpack(s->format, PixelAt(s, i % s->w, i / s->w));
                    for (int c = 0; c < 3; ++c) {
                        sum[c] += TintChannel((v >> (16 - 8 * c)) & 255, tint[c]) * (v >> 24);
                    }
                    sum[3] += v >> 24;
                }
                SDL_UnlockSurface(s);
            }
            const Srgb mean = {sum[0] / sum[3], sum[1] / sum[3], sum[2] / sum[3]};
            seen[k] = {LabFromSrgb(mean), LabFromSrgb(SimulateDeuteranopia(mean)),
                       LabFromSrgb(SimulateProtanopia(mean))};
        }
        PIX_ReleaseImage(image);
        for (int i = 0; i < 4; ++i) {
            for (int j = i + 1; j < 4; ++j) {
                const double d[3] = {Ciede2000(seen[i][0], seen[j][0]), Ciede2000(seen[i][1], seen[j][1]),
                                     Ciede2000(seen[i][2], seen[j][2])};
                EXPECT_TRUE(d[0] >= 20.0 && d[1] >= 10.0 && d[2] >= 10.0) << theme.name << " " << classes[i] << " / "
                    << classes[j] << ": normal, deutan, protan " << d[0] << " " << d[1] << " " << d[2];
            }
        }
    }
}

TEST(Themes, EverySoundDecodesWithoutClicks)
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
            double steps = 0;
            int peak = std::abs(static_cast<int>(s.front()));
            for (size_t i = 1; i < s.size(); ++i) {
                steps += std::pow(s[i] - s[i - 1], 2.0);
                peak = std::max(peak, std::abs(static_cast<int>(s[i])));
            }
            const double rmsStep = std::sqrt(steps / static_cast<double>(s.size() - 1));
            const int front = s.front(), back = s.back();
            const bool clean = SoundLoops(name) ? std::abs(back - front) < 3 * rmsStep
                                                : std::abs(front) < 400 && std::abs(back) < 400;
            EXPECT_TRUE(rmsStep > 10 && clean && peak < 29205)
                << path << " is silent, peaks above -1 dBFS (" << peak << ") or clicks at an end or its loop seam";
        }
    }
    EXPECT_EQ(decoded, 25 + static_cast<int>(Themes()[1].sounds.size()));
}

TEST(Themes, FontHasEveryGlyphAndMenuAndChartStandBesideEachOtherUnderTheLogo)
{
    Video video;
    const std::string colour = In("default", "font.c.bmp"), mask = In("default", "font.a.bmp");
    TXT_Font* font = TXT_LoadFont(colour.c_str(), mask.c_str(), -1, -1, video.model->format, 0,
                                  TXT_ThemeCharSet.data());
    SDL_Surface* logo = SDL_LoadBMP(In("default", "logo.c.bmp").c_str());
    ASSERT_TRUE(font != nullptr && logo != nullptr);
    EXPECT_TRUE(font->largestHeight == FONT_HEIGHT && font->smallestHeight == FONT_HEIGHT);
    for (int i = 0; i < TXT_THEME_GLYPHS; ++i) {
        const unsigned char code = static_cast<unsigned char>(TXT_ThemeCharSet[static_cast<size_t>(i)]);
        const SDL_Rect r = font->glyphs[code];
        EXPECT_EQ(r.w, FontGlyph(code).width) << "code " << int(code) << " in the game's order";
        EXPECT_EQ(Shown(font->picture, r) > 0, code != ' ')
            << "code " << int(code) << ": only the space is empty";
    }
    const int h = font->largestHeight, logoBottom = 1 + logo->h;
    SDL_FreeSurface(logo);
    for (const ThemeSpec& theme : Themes()) {
        SCOPED_TRACE(theme.name);
        const Descriptor d(theme.name);
        ASSERT_TRUE(d.ok);
        const std::vector<int>&m = d.n.at("MENU"), chartAt = d.n.at("CHART");
        EXPECT_TRUE(m[0] >= 0 && m[1] > logoBottom && m[0] + m[2] <= 255 && m[1] + m[3] <= 255)
            << "menu box on the screen under the logo";
        // The chart: title six label lines above CHART's y, the entry line eight lines below.
        const int cx = chartAt[0];
        EXPECT_TRUE(chartAt[1] - (h + 1) * 6 > logoBottom && chartAt[1] + 10 * h + 1 <= 254)
            << "chart under the logo, name entry on the screen";
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

} // namespace
