#include "shell/theme.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <string>

#include "shell/app.h"
#include "shell/paths.h"
#include "shell/settings.h"
#include "shell/video.h"
#include "tests/shell/harness.h"
#include "tests/support/alloc_check.h"
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

// The fonts, pictures and frames of "default" are in the screenshots; the sounds are not.
TEST_F(ThemeTest, EachChoiceLoadsItsThemeOrFallsBackToDefaultForGoodAndRandomMovesOn)
{
    ASSERT_TRUE(HarnessWriteTinyTheme(dir, "alpha", Descriptor("theme alpha").c_str()));
    // Only a descriptor and a font of its own, and a folder in its logo's place: the rest comes
    // from default.
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/part/descriptor.txt", Descriptor("theme part")));
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/part/logo.c.bmp/stray", ""));
    const std::string font = HarnessReadFile(dir, "themes/alpha/font.c.bmp");
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/part/font.c.bmp", font));
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/notes.txt", "not a theme"));
    // One object box where six are needed.
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/one/descriptor.txt", Descriptor("theme one")));
    const std::string oneBox = HarnessReadFile(dir, "themes/alpha/logo.c.bmp");
    ASSERT_TRUE(HarnessWriteFile(dir, "themes/one/objects.c.bmp", oneBox));
    Names({"default", "alpha", "part", "notes.txt", "one"});
    const std::string tooLong(300, 'a');
    const struct {
        const char* theme;
        const char* loaded; // also what THEME holds afterwards
    } cases[] = {
        {"alpha", "alpha"},           {"part", "part"}, {"notes.txt", "default"},
        {"../themes/default", "default"}, {tooLong.c_str(), "default"},
        {"one", "default"},           {"", "default"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.theme);
        Set("THEME", c.theme);
        ASSERT_TRUE(LoadTheme());
        EXPECT_STREQ(CurrentThemeName(), c.loaded);
        EXPECT_EQ(Setting("THEME"), c.loaded) << "taking files from default is no failure";
        EXPECT_EQ(Legal(), std::string("theme ") + c.loaded);
        EXPECT_NE(app.sounds[SOUND_COUNT - 1], nullptr) << "the sounds, to the last";
        FreeTheme();
        ExpectEverySlotEmpty();
    }
    Names({"default", "alpha"});
    Set("THEME", "<random>");
    std::string last;
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(LoadTheme());
        EXPECT_NE(CurrentThemeName(), last) << "random always picks the other of two; change " << i;
        last = CurrentThemeName();
        FreeTheme();
    }
}

// The tinted object pictures are drawn in the screenshots of a game; a broken "default" ends
// the program in the program test.
TEST_F(ThemeTest, LoadingSurvivesEachAllocationFailure)
{
    Names({"default"});
    Set("THEME", "default");
    // A failure may be made good by the second try of the font; otherwise "default" cannot
    // load, and nothing may stay behind either way.
    const int64_t blocks = MEM_LiveBlocks();
    bool hit = true;
    for (uint32_t n = 1; n < 5000 && hit; ++n) {
        MEM_FailAt(n);
        const bool loaded = LoadTheme();
        hit = MEM_FailureHit();
        MEM_FailAt(0);
        if (!loaded) {
            EXPECT_TRUE(hit) << "point " << n << ": failed without a failing allocation";
            ExpectEverySlotEmpty();
        }
        EXPECT_TRUE(!loaded || (app.logo && app.menuTemplate && app.menuFrame && app.field && app.spritesImage))
            << "point " << n << ": a theme reported as loaded has every picture";
        FreeTheme();
        EXPECT_EQ(MEM_LiveBlocks(), blocks) << "point " << n;
    }
    EXPECT_FALSE(hit);

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
    ASSERT_TRUE(BuildObjectPictures());
    EXPECT_TRUE(app.objectSize == 9 && app.objectHalfSize == 4) << "a 9-pixel object and its centre";
}

} // namespace
