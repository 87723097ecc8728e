#include "shell/theme.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "shell/app.h"
#include "shell/audio.h"
#include "shell/paths.h"
#include "shell/settings.h"
#include "shell/video.h"
#include "tests/shell/harness.h"
#include "tests/support/alloc_check.h"
#include "tests/support/surface_util.h"
#include "toolkit/gfx/font.h"
#include "toolkit/gfx/pix.h"
#include "util/kv.h"
#include "util/mem.h"
#include "util/node.h"

namespace {

std::string Descriptor(const std::string& legal)
{
    std::string text = harnessTinyDescriptor;
    return text.replace(text.find("made for the tests"), 18, legal);
}

// The pixel at (x, y) as 0xRRGGBB, red in the high byte in every picture here.
uint32_t Pixel(SDL_Surface* surface, int x, int y)
{
    return PixelAt(surface, x, y) & 0xFFFFFF;
}

// 191 glyph boxes of 4 x 6 in an 8-bit mask, 64 to a row: border index 255, glyph pixels 128
// on the left half of each glyph and 0 on the right half.
bool WriteMaskFont(const std::string& path)
{
    SDL_Surface* mask = SDL_CreateRGBSurface(SDL_SWSURFACE, 64 * 7, 3 * 9, 8, 0, 0, 0, 0);
    SDL_Color grey[256];
    for (int i = 0; i < 256; ++i) {
        grey[i].r = grey[i].g = grey[i].b = static_cast<Uint8>(i);
    }
    SDL_SetColors(mask, grey, 0, 256);
    SDL_FillRect(mask, nullptr, 0);
    for (int i = 0; i < 191; ++i) {
        SDL_Rect box{static_cast<Sint16>(i % 64 * 7), static_cast<Sint16>(i / 64 * 9), 6, 8};
        SDL_FillRect(mask, &box, 255);
        SDL_Rect glyph{static_cast<Sint16>(box.x + 1), static_cast<Sint16>(box.y + 1), 4, 6};
        SDL_FillRect(mask, &glyph, 0);
        glyph.w = 2;
        SDL_FillRect(mask, &glyph, 128);
    }
    const bool saved = SDL_SaveBMP(mask, path.c_str()) == 0;
    SDL_FreeSurface(mask);
    return saved;
}

int allHalted = 0;

void CountHalts(AUDIO_Op op, int channel, int, int)
{
    allHalted += op == AUDIO_HALT && channel == -1;
}

class ThemeTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default", Descriptor("theme default").c_str()));
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO), 0) << SDL_GetError();
        ASSERT_EQ(Mix_OpenAudio(22050, AUDIO_S16MSB, 1, 1024), 0) << Mix_GetError();
        ASSERT_TRUE(PortableFolders(dir.c_str(), &folders));
        app.folders = &folders;
        app.themeNames = NODE_List{};
        ASSERT_TRUE(SetupVideo());
        ForgetCurrentTheme();
    }
    void TearDown() override
    {
        FreeObjectPictures();
        FreeTheme();
        ForgetCurrentTheme();
        CloseVideo();
        NODE_FreeAllItems(&app.themeNames);
        Mix_CloseAudio();
        SDL_Quit();
        ShellTest::TearDown();
    }
    // The theme names as the program lists them: sorted without case.
    void Names(std::initializer_list<const char*> names)
    {
        NODE_FreeAllItems(&app.themeNames);
        for (const char* name : names) {
            NODE_AddItemTail(NODE_NewItem(name, 0), &app.themeNames);
        }
        ASSERT_NE(NODE_SortItems(&app.themeNames, NODE_SORT_ASCENDING_NOCASE), 0);
    }
    std::string Legal()
    {
        const char* value = nullptr;
        return KV_GetString(app.descriptor, "LEGAL_INFORMATION", &value) ? value : "<none>";
    }
    // One pass of the theme loop: loads, checks the descriptor is the theme's own, frees.
    std::string Reload()
    {
        if (!LoadTheme()) {
            return "<failed>";
        }
        std::string loaded = CurrentThemeName();
        EXPECT_EQ(Legal(), "theme " + loaded) << "the descriptor of another theme was loaded";
        FreeTheme();
        return loaded;
    }
    void ExpectEverySlotEmpty()
    {
        const void* slots[] = {app.descriptor, app.fontMenu,  app.fontOutline, app.baseFont,     app.logo,
                               app.menuTemplate, app.menuFrame, app.field, app.objectsImage, app.spritesImage};
        for (const void* slot : slots) {
            EXPECT_EQ(slot, nullptr);
        }
        for (Mix_Chunk* sound : app.sounds) {
            EXPECT_EQ(sound, nullptr);
        }
        EXPECT_EQ(NODE_Count(PIX_ImageList()), 0u) << "shared pictures left loaded";
    }
    Folders folders{};
};

TEST_F(ThemeTest, EachChoiceLoadsItsThemeOrFallsBackToDefaultForGood)
{
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "alpha", Descriptor("theme alpha").c_str()));
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "full"));
    // Only a descriptor and a font of its own: the rest comes from default.
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/part/descriptor.txt", Descriptor("theme part")));
    ASSERT_EQ(std::rename((dir + "themes/full/font.c.bmp").c_str(), (dir + "themes/part/font.c.bmp").c_str()), 0);
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/masked/descriptor.txt", Descriptor("theme masked")));
    ASSERT_TRUE(WriteMaskFont(dir + "themes/masked/font.a.bmp"));
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/notes.txt", "not a theme"));
    // Five object boxes where default has six.
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "five", Descriptor("theme five").c_str()));
    SDL_Surface* six = SDL_LoadBMP((dir + "themes/five/objects.c.bmp").c_str());
    ASSERT_NE(six, nullptr);
    SDL_Rect keep{0, 0, 5 * 12, static_cast<Uint16>(six->h)};
    SDL_Surface* five = SDL_CreateRGBSurface(SDL_SWSURFACE, keep.w, keep.h, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    ASSERT_EQ(SDL_BlitSurface(six, &keep, five, nullptr), 0);
    ASSERT_EQ(SDL_SaveBMP(five, (dir + "themes/five/objects.c.bmp").c_str()), 0);
    SDL_FreeSurface(five);
    SDL_FreeSurface(six);
    Names({"default", "alpha", "part", "masked", "notes.txt", "five"});
    const std::string tooLong(300, 'a');
    const struct {
        const char* theme;
        const char* loaded; // also what THEME holds afterwards
        const char* objects;
    } cases[] = {
        {"alpha", "alpha", "alpha"}, {"part", "part", "default"}, {"masked", "masked", "default"}, {"notes.txt", "default", "default"},
        {"../themes/default", "default", "default"}, {tooLong.c_str(), "default", "default"},
        {"five", "default", "default"}, {"", "default", "default"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.theme);
        Set("THEME", c.theme);
        ASSERT_TRUE(LoadTheme());
        EXPECT_STREQ(CurrentThemeName(), c.loaded);
        EXPECT_EQ(Setting("THEME"), c.loaded) << "taking files from default is no failure";
        EXPECT_EQ(Legal(), std::string("theme ") + c.loaded);
        EXPECT_NE(std::strstr(app.objectsImage->fileName, (std::string("themes/") + c.objects).c_str()), nullptr);
        EXPECT_EQ(app.objectsImage->frameCount, 6);
        // The fonts, pictures and frames are in the screenshots; the sounds are not.
        if (std::string(c.theme) == "alpha") {
            EXPECT_EQ(app.baseFont, nullptr) << "the base font is freed after tinting";
            EXPECT_NE(std::strstr(app.spritesImage->fileName, "themes/alpha/sprites.c.bmp"), nullptr);
            for (int i = 0; i < SOUND_COUNT; ++i) {
                EXPECT_NE(app.sounds[i], nullptr) << "sound " << i;
            }
        }
        if (std::string(c.theme) == "masked") {
            // Made from its mask alone: white where the mask is not black.
            const SDL_Rect glyph = app.fontMenu->glyphs[static_cast<unsigned char>('M')];
            ASSERT_EQ(glyph.w, 4);
            EXPECT_EQ(Pixel(app.fontMenu->picture, glyph.x, glyph.y), 0xFFFFFFu);
            EXPECT_EQ(Pixel(app.fontMenu->picture, glyph.x + 3, glyph.y), 0u);
        }
        FreeTheme();
        ExpectEverySlotEmpty();
    }
    FreeTheme();
}

TEST_F(ThemeTest, CycleAndRandomMoveOnFromTheCurrentThemeAcrossRestarts)
{
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/zeta/descriptor.txt", Descriptor("theme zeta")));
    Names({"default", "zeta"});
    EXPECT_EQ(Reload(), "default");
    // What a restart does to the display and the settings; the current theme stays.
    CloseVideo();
    KV_Dispose(app.config);
    app.config = KV_Create((dir + "configuration.txt").c_str(), settingsDefaults);
    ASSERT_TRUE(SetupVideo());
    EXPECT_EQ(Reload(), "zeta");
    EXPECT_EQ(Reload(), "default") << "round to the first";
    ForgetCurrentTheme();
    EXPECT_STREQ(CurrentThemeName(), "");
    EXPECT_EQ(Reload(), "default");

    Set("THEME", "<random>");
    std::srand(7);
    std::string last = Reload();
    for (int i = 0; i < 12; ++i) {
        const std::string next = Reload();
        EXPECT_NE(next, last) << "with two themes, random always picks the other; change " << i;
        last = next;
    }
}

TEST_F(ThemeTest, ABrokenDefaultFailsAndLeavesNothingLoaded)
{
    ASSERT_EQ(std::remove((dir + "themes/default/zap.ogg").c_str()), 0);
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "alpha", Descriptor("theme alpha").c_str()));
    Names({"alpha", "default"});
    Set("THEME", "default");
    EXPECT_FALSE(LoadTheme());
    ExpectEverySlotEmpty();
    Set("THEME", "alpha");
    EXPECT_TRUE(LoadTheme()) << "a complete theme needs nothing from default";
    AUDIO_SetRecorder(CountHalts);
    FreeTheme();
    AUDIO_SetRecorder(nullptr);
    EXPECT_EQ(allHalted, 1) << "every channel stops before the sounds are freed";
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/alpha/descriptor.txt", "LEGAL_INFORMATION = no other keys\n"));
    EXPECT_FALSE(LoadTheme()) << "alpha's descriptor lacks keys and default lacks a sound";
    EXPECT_EQ(Setting("THEME"), "default");
    ExpectEverySlotEmpty();
}

TEST_F(ThemeTest, ObjectPicturesAreTintedPerClassInBothFormats)
{
    Names({"default"});
    ASSERT_TRUE(LoadTheme());
    ASSERT_TRUE(BuildObjectPictures());
    EXPECT_EQ(app.objectSize, 9u);
    EXPECT_EQ(app.objectHalfSize, 4u);
    // The frames are 0xC08040; the classes are tinted 0, +10 % red, +10 % green, +10 % blue.
    const uint32_t expected[OBJECT_CLASSES] = {0xC08040, 0xD38040, 0xC08C40, 0xC08046};
    for (int c = 0; c < OBJECT_CLASSES; ++c) {
        for (int f = 0; f < OBJECT_FRAMES; ++f) {
            SDL_Surface* source = app.objectsSource[c][f];
            SDL_Surface* back = app.objectsBack[c][f];
            ASSERT_TRUE(source && back && source != back);
            EXPECT_EQ(source->format->Bmask, app.rotationSource->format->Bmask);
            EXPECT_EQ(back->format->Bmask, app.backBuffer->format->Bmask);
            EXPECT_EQ(Pixel(source, 4, 4), expected[c]) << c << "/" << f;
            EXPECT_EQ(Pixel(back, 4, 4), expected[c]) << c << "/" << f;
        }
    }
    SDL_Surface* first = app.objectsSource[1][2];
    first->refcount++;
    ASSERT_TRUE(BuildObjectPictures());
    EXPECT_EQ(first->refcount, 1) << "building again frees the pictures built before";
    SDL_FreeSurface(first);
    FreeObjectPictures();
    EXPECT_TRUE(app.objectsSource[2][3] == nullptr && app.objectsBack[3][5] == nullptr);
    FreeObjectPictures();
}

TEST_F(ThemeTest, LoadingSurvivesEachAllocationFailure)
{
    Names({"default"});
    Set("THEME", "default");
    // A failure may be made good by the second try of the font; otherwise "default" cannot
    // load, and nothing may stay behind either way.
    const int64_t blocks = MEM_LiveBlocks();
    bool hit = true;
    uint32_t failedLoads = 0;
    uint32_t n = 1;
    for (; n < 5000 && hit; ++n) {
        MEM_FailAt(n);
        const bool loaded = LoadTheme();
        hit = MEM_FailureHit();
        MEM_FailAt(0);
        if (!loaded) {
            ++failedLoads;
            EXPECT_TRUE(hit) << "point " << n << ": failed without a failing allocation";
            ExpectEverySlotEmpty();
        }
        EXPECT_TRUE(loaded || hit);
        EXPECT_TRUE(!loaded || (app.logo && app.menuTemplate && app.menuFrame && app.field && app.spritesImage))
            << "point " << n << ": a theme reported as loaded has every picture";
        FreeTheme();
        EXPECT_EQ(MEM_LiveBlocks(), blocks) << "point " << n;
    }
    EXPECT_FALSE(hit);
    EXPECT_GT(n, static_cast<uint32_t>(SOUND_COUNT));
    EXPECT_GT(failedLoads, static_cast<uint32_t>(SOUND_COUNT)) << "most points cannot be made good";

    EXPECT_FALSE(BuildObjectPictures()) << "no objects picture loaded yet";
    ASSERT_TRUE(LoadTheme());
    app.objectsImage->frameCount = 5;
    EXPECT_FALSE(BuildObjectPictures()) << "one box short of the six object classes";
    app.objectsImage->frameCount = 6;
    CheckEachAllocationFailure([] {
        const bool built = BuildObjectPictures();
        FreeObjectPictures();
        return built;
    });
}

} // namespace
