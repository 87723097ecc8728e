#include "shell/theme.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "shell/app.h"
#include "shell/paths.h"
#include "shell/settings.h"
#include "shell/video.h"
#include "tests/shell/harness.h"
#include "tests/support/alloc_check.h"
#include "toolkit/gfx/font.h"
#include "toolkit/gfx/pix.h"
#include "util/kv.h"
#include "util/mem.h"
#include "util/node.h"

namespace {

std::string Descriptor(const char* legal)
{
    std::string text = HarnessTinyDescriptor();
    const size_t at = text.find("made for the tests");
    text.replace(at, std::strlen("made for the tests"), legal);
    return text;
}

uint32_t Pixel(SDL_Surface* surface, int x, int y)
{
    uint32_t pixel = 0;
    std::memcpy(&pixel, static_cast<uint8_t*>(surface->pixels) + y * surface->pitch + x * 4, 4);
    return pixel;
}

// 191 glyph boxes of 4 x 6 in an 8-bit mask, 64 to a row: border index 255, glyph pixels 128
// on the left half of each glyph and 0 on the right half.
bool WriteMaskFont(const std::string& path)
{
    SDL_Surface* mask = SDL_CreateRGBSurface(SDL_SWSURFACE, 64 * 7, 3 * 9, 8, 0, 0, 0, 0);
    if (mask == nullptr) {
        return false;
    }
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

class ThemeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = HarnessNewProgDir();
        ASSERT_FALSE(dir.empty());
        ASSERT_TRUE(HarnessWriteTinyTheme(dir, "default", Descriptor("theme default").c_str()));
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO), 0) << SDL_GetError();
        ASSERT_EQ(Mix_OpenAudio(22050, AUDIO_S16MSB, 1, 1024), 0) << Mix_GetError();
        ASSERT_TRUE(PortableFolders(dir.c_str(), &folders));
        app.folders = &folders;
        app.themeNames = NODE_List{};
        app.config = KV_Create((dir + "configuration.txt").c_str(), settingsDefaults);
        ASSERT_NE(app.config, nullptr);
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
        KV_Dispose(app.config);
        app.config = nullptr;
        Mix_CloseAudio();
        SDL_Quit();
        HarnessRemoveDir(dir);
    }
    // The theme names as the program lists them: sorted without case.
    void Names(std::initializer_list<const char*> names)
    {
        NODE_FreeAllItems(&app.themeNames);
        for (const char* name : names) {
            NODE_Item* item = NODE_NewItem(name, 0);
            ASSERT_NE(item, nullptr);
            NODE_AddItemTail(item, &app.themeNames);
        }
        ASSERT_NE(NODE_SortItems(&app.themeNames, NODE_SORT_ASCENDING_NOCASE), 0);
    }
    void SetTheme(const char* value) { ASSERT_TRUE(KV_ReplaceString(app.config, "THEME", value)); }
    std::string Setting(const char* key)
    {
        const char* value = nullptr;
        return KV_GetString(app.config, key, &value) ? value : "<absent>";
    }
    std::string Legal()
    {
        const char* value = nullptr;
        return KV_GetString(app.descriptor, "LEGAL_INFORMATION", &value) ? value : "<absent>";
    }
    // Loads, notes the name and legal line, frees: one reload of the theme loop.
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

    std::string dir;
    Folders folders{};
};

TEST_F(ThemeTest, ANamedThemeLoadsEveryResource)
{
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "alpha", Descriptor("theme alpha").c_str()));
    Names({"default", "alpha"});
    SetTheme("alpha");
    ASSERT_TRUE(LoadTheme());
    EXPECT_STREQ(CurrentThemeName(), "alpha");
    EXPECT_EQ(Legal(), "theme alpha");
    TXT_Font* fonts[] = {app.fontMenu, app.fontLabels, app.fontChart, app.fontStatus, app.fontOutline};
    for (TXT_Font* font : fonts) {
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(font->picture->format->Rshift, app.backBuffer->format->Rshift);
        EXPECT_EQ(font->glyphs[static_cast<unsigned char>('A')].w, 4);
        EXPECT_EQ(font->glyphs[0x02].w, 4) << "the menu's marker glyph";
        EXPECT_EQ(font->glyphs[0xAD].w, 0) << "no soft hyphen in the set";
    }
    EXPECT_NE(app.fontMenu->picture, app.fontLabels->picture) << "each font has its own picture";
    EXPECT_EQ(app.baseFont, nullptr) << "the base font is freed after tinting";
    ASSERT_TRUE(app.logo && app.menuFrame && app.field && app.objectsImage && app.spritesImage);
    EXPECT_EQ(app.menuFrame->picture, app.menuTemplate);
    EXPECT_EQ(app.field->flags & SDL_SRCCOLORKEY, 0u) << "the field has no colour key";
    EXPECT_EQ(app.objectsImage->frameCount, 6);
    EXPECT_EQ(app.spritesImage->frameCount, 69);
    EXPECT_NE(std::strstr(app.spritesImage->fileName, "themes/alpha/sprites.c.bmp"), nullptr);
    for (int i = 0; i < SOUND_COUNT; ++i) {
        EXPECT_NE(app.sounds[i], nullptr) << "sound " << i;
    }
    FreeTheme();
    ExpectEverySlotEmpty();
    FreeTheme();
}

TEST_F(ThemeTest, TheCurrentNameOutlivesAFullRestart)
{
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/zeta/descriptor.txt", Descriptor("theme zeta")));
    Names({"default", "zeta"});
    EXPECT_EQ(Reload(), "default");
    // What a restart does to the display and the settings; the current theme stays.
    CloseVideo();
    KV_Dispose(app.config);
    app.config = KV_Create((dir + "configuration.txt").c_str(), settingsDefaults);
    ASSERT_NE(app.config, nullptr);
    ASSERT_TRUE(SetupVideo());
    EXPECT_EQ(Reload(), "zeta");
    ForgetCurrentTheme();
    EXPECT_STREQ(CurrentThemeName(), "");
    EXPECT_EQ(Reload(), "default");
}

TEST_F(ThemeTest, RandomWithTwoThemesAlwaysPicksTheOther)
{
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/other/descriptor.txt", Descriptor("theme other")));
    Names({"default", "other"});
    SetTheme("<random>");
    std::srand(7);
    std::string last = Reload();
    ASSERT_NE(last, "<failed>");
    for (int i = 0; i < 12; ++i) {
        const std::string next = Reload();
        EXPECT_NE(next, last) << "change " << i;
        last = next;
    }
}

TEST_F(ThemeTest, MissingFilesComeFromDefault)
{
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/part/descriptor.txt", Descriptor("theme part")));
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "full"));
    ASSERT_EQ(std::rename((dir + "themes/full/font.c.bmp").c_str(), (dir + "themes/part/font.c.bmp").c_str()), 0);
    Names({"default", "part"});
    SetTheme("part");
    ASSERT_TRUE(LoadTheme());
    EXPECT_STREQ(CurrentThemeName(), "part");
    EXPECT_EQ(Setting("THEME"), "part") << "taking files from default is no failure";
    EXPECT_NE(std::strstr(app.objectsImage->fileName, "themes/default/objects.c.bmp"), nullptr);
    EXPECT_NE(std::strstr(app.spritesImage->fileName, "themes/default/sprites.c.bmp"), nullptr);
    EXPECT_NE(app.sounds[SOUND_ZAP], nullptr);
}

TEST_F(ThemeTest, AFontMadeFromItsMaskAloneIsWhiteWhereTheMaskIsNotBlack)
{
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/masked/descriptor.txt", Descriptor("theme masked")));
    ASSERT_TRUE(WriteMaskFont(dir + "themes/masked/font.a.bmp"));
    Names({"default", "masked"});
    SetTheme("masked");
    ASSERT_TRUE(LoadTheme());
    EXPECT_STREQ(CurrentThemeName(), "masked");
    SDL_Surface* picture = app.fontMenu->picture;
    const SDL_Rect glyph = app.fontMenu->glyphs[static_cast<unsigned char>('M')];
    ASSERT_EQ(glyph.w, 4);
    ASSERT_EQ(SDL_LockSurface(picture), 0);
    const uint32_t inked = PIX_Unpack(picture->format, Pixel(picture, glyph.x, glyph.y)) & 0xFFFFFF;
    const uint32_t blank = PIX_Unpack(picture->format, Pixel(picture, glyph.x + 3, glyph.y)) & 0xFFFFFF;
    SDL_UnlockSurface(picture);
    EXPECT_EQ(inked, 0xFFFFFFu) << "a grey mask pixel becomes white";
    EXPECT_EQ(blank, 0u) << "a black mask pixel stays black";
}

TEST_F(ThemeTest, TooFewObjectFramesFallBackToDefaultForGood)
{
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "five", Descriptor("theme five").c_str()));
    // Five boxes: the objects picture of "default" has six.
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "donor"));
    SDL_Surface* six = SDL_LoadBMP((dir + "themes/donor/objects.c.bmp").c_str());
    ASSERT_NE(six, nullptr);
    SDL_Rect keep{0, 0, static_cast<Uint16>(5 * 12), static_cast<Uint16>(six->h)};
    SDL_Surface* five = SDL_CreateRGBSurface(SDL_SWSURFACE, keep.w, keep.h, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    ASSERT_EQ(SDL_BlitSurface(six, &keep, five, nullptr), 0);
    ASSERT_EQ(SDL_SaveBMP(five, (dir + "themes/five/objects.c.bmp").c_str()), 0);
    SDL_FreeSurface(five);
    SDL_FreeSurface(six);
    Names({"default", "five"});
    SetTheme("five");
    ASSERT_TRUE(LoadTheme());
    EXPECT_STREQ(CurrentThemeName(), "default");
    EXPECT_EQ(Legal(), "theme default");
    EXPECT_EQ(Setting("THEME"), "default");
    EXPECT_EQ(app.objectsImage->frameCount, 6);
}

TEST_F(ThemeTest, APlainFileIsANameWhoseChoiceFallsBackToDefault)
{
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/notes.txt", "not a theme"));
    Names({"default", "notes.txt"});
    SetTheme("notes.txt");
    ASSERT_TRUE(LoadTheme());
    EXPECT_STREQ(CurrentThemeName(), "default");
    EXPECT_EQ(Setting("THEME"), "default");
    FreeTheme();
    SetTheme("../themes/default");
    ASSERT_TRUE(LoadTheme());
    EXPECT_STREQ(CurrentThemeName(), "default") << "a path is no theme name";
    FreeTheme();
    SetTheme(std::string(300, 'a').c_str());
    ASSERT_TRUE(LoadTheme()) << "a name too long for a folder falls back too";
    EXPECT_STREQ(CurrentThemeName(), "default");
}

TEST_F(ThemeTest, ABrokenDefaultFailsAndLeavesNothingLoaded)
{
    ASSERT_EQ(std::remove((dir + "themes/default/zap.ogg").c_str()), 0);
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "alpha", Descriptor("theme alpha").c_str()));
    Names({"alpha", "default"});
    SetTheme("default");
    EXPECT_FALSE(LoadTheme());
    ExpectEverySlotEmpty();
    SetTheme("alpha");
    EXPECT_TRUE(LoadTheme()) << "a complete theme needs nothing from default";
    FreeTheme();
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
            EXPECT_EQ(source->format->Rshift, app.rotationSource->format->Rshift);
            EXPECT_EQ(source->format->Bshift, app.rotationSource->format->Bshift);
            EXPECT_EQ(back->format->Rshift, app.backBuffer->format->Rshift);
            EXPECT_EQ(source->w, 9);
            ASSERT_EQ(SDL_LockSurface(source), 0);
            ASSERT_EQ(SDL_LockSurface(back), 0);
            EXPECT_EQ(PIX_Unpack(source->format, Pixel(source, 4, 4)) & 0xFFFFFF, expected[c]) << c << "/" << f;
            EXPECT_EQ(PIX_Unpack(back->format, Pixel(back, 4, 4)) & 0xFFFFFF, expected[c]) << c << "/" << f;
            SDL_UnlockSurface(back);
            SDL_UnlockSurface(source);
        }
    }
    FreeObjectPictures();
    EXPECT_TRUE(app.objectsSource[2][3] == nullptr && app.objectsBack[3][5] == nullptr);
    FreeObjectPictures();
}

TEST_F(ThemeTest, LoadingSurvivesEachAllocationFailure)
{
    Names({"default"});
    SetTheme("default");
    // A failure may be made good by the second try of the font; otherwise "default" cannot
    // load, and nothing may stay behind either way.
    const int64_t blocks = MEM_LiveBlocks();
    bool finished = false;
    uint32_t failedLoads = 0;
    for (uint32_t n = 1; n < 5000 && !finished; ++n) {
        MEM_FailAt(n);
        const bool loaded = LoadTheme();
        const bool hit = MEM_FailureHit();
        MEM_FailAt(0);
        if (!loaded) {
            ++failedLoads;
            EXPECT_TRUE(hit) << "point " << n << ": failed without a failing allocation";
            ExpectEverySlotEmpty();
        }
        FreeTheme();
        EXPECT_EQ(MEM_LiveBlocks(), blocks) << "point " << n;
        finished = !hit;
        if (finished) {
            EXPECT_TRUE(loaded);
            EXPECT_GT(n, static_cast<uint32_t>(SOUND_COUNT));
        }
    }
    EXPECT_TRUE(finished);
    EXPECT_GT(failedLoads, static_cast<uint32_t>(SOUND_COUNT)) << "most points cannot be made good";

    ASSERT_TRUE(LoadTheme());
    CheckEachAllocationFailure([] {
        const bool built = BuildObjectPictures();
        FreeObjectPictures();
        return built;
    });
}

} // namespace
