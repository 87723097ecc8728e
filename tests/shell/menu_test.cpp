#include "shell/menu.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/app.h"
#include "shell/audio.h"
#include "shell/settings.h"
#include "tests/shell/harness.h"
#include "tests/support/alloc_check.h"
#include "toolkit/gfx/disp.h"
#include "util/kv.h"
#include "util/mem.h"

namespace {

int navigationSounds = 0;

void CountSounds(AUDIO_Op op, int, int sound, int)
{
    navigationSounds += op == AUDIO_PLAY && sound == SOUND_NAVIGATION;
}

void PushKey(uint8_t type, SDLKey key)
{
    SDL_Event event{};
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    ASSERT_EQ(SDL_PushEvent(&event), 0);
}

// The pages are compared whole in the screenshot test, with a list of full-screen modes too,
// and the program test drives every page end to end. This covers what neither shows.
class MenuTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        ASSERT_TRUE(CompleteSettings(app.config));
        saved = app;
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        app.fullscreenModes = nullptr;
        DISP_Init();
        AUDIO_SetRecorder(CountSounds);
        navigationSounds = 0;
        const KV_Pair descriptor[] = {{"MENU", "20 110 215 120"}, {nullptr, nullptr}};
        app.descriptor = KV_Create("descriptor.txt", descriptor);
        app.themeNames = NODE_List{};
        menu.reopen = nullptr;
        liveBlocks = MEM_LiveBlocks();
    }
    void TearDown() override
    {
        TearDownMenu();
        EXPECT_EQ(MEM_LiveBlocks(), liveBlocks) << "the tear-down frees every entry and handler";
        KV_Dispose(app.descriptor);
        AUDIO_SetRecorder(nullptr);
        DISP_Quit();
        SDL_Quit();
        app = saved;
        ShellTest::TearDown();
    }
    void Press(SDLKey key)
    {
        PushKey(SDL_KEYDOWN, key);
        MenuStep();
        PushKey(SDL_KEYUP, key);
        MenuStep();
    }

    // The video page's labels for this list of full-screen modes, each followed by '|'.
    std::string VideoLabels(std::vector<SDL_Rect> modes, const char* video)
    {
        std::vector<SDL_Rect*> list;
        for (SDL_Rect& mode : modes) {
            list.push_back(&mode);
        }
        list.push_back(nullptr);
        app.fullscreenModes = list.data();
        Set("VIDEO", video);
        std::string labels = BuildMenu() ? "" : "no menu";
        app.fullscreenModes = nullptr;
        for (NODE_Node* node = menu.video.entries.first; node != nullptr; node = node->next) {
            labels += std::string(static_cast<NODE_Item*>(node->data)->name) + "|";
        }
        return labels;
    }

    App saved{};
    int64_t liveBlocks = 0;
};

// The screenshots show one plain list; displays offer odder ones.
TEST_F(MenuTest, VideoPageLabelsComeFromTheModeList)
{
    EXPECT_EQ(VideoLabels({{0, 0, 1920, 1080}, {0, 0, 1024, 768}, {0, 0, 453, 300}, {0, 0, 320, 255},
                           {0, 0, 255, 254}, {0, 0, 254, 600}},
                          "1024x768"),
              "1920x1080 4x \x02\x02|453x300 1x|320x255 1x|453x255 1x \x02\n|WINDOW|ZOOM 1x|ZOOM 3x|"
              MENU_BACK_LABEL "|")
        << "the configured mode and modes under 255 are left out; the reference size comes last";
    EXPECT_EQ(VideoLabels({{0, 0, 1280, 720}, {0, 0, 453, 255}, {0, 0, 640, 480}}, "800x600"),
              "1280x720 2x \x02\x02|453x255 1x \x02\x02\x02|640x480 1x|WINDOW|ZOOM 1x|" MENU_BACK_LABEL "|")
        << "a mode of exactly the reference size takes its three marks and is not added again";
    EXPECT_EQ(VideoLabels({{0, 0, 768, 1024}, {0, 0, 600, 800}}, "800x600"),
              "768x1024 3x \x02\x02|600x800 2x \x02\x02|255x340 1x \x02\n|WINDOW|ZOOM 1x|" MENU_BACK_LABEL "|")
        << "an upright reference size is 255 wide";
}

TEST_F(MenuTest, ABuildFailsCleanlyOnABadBoxAMissingKeyOrNoMemory)
{
    ASSERT_TRUE(KV_SetString(app.descriptor, "MENU", "1 2 3"));
    EXPECT_FALSE(BuildMenu());
    TearDownMenu();
    ASSERT_TRUE(KV_SetString(app.descriptor, "MENU", "20 110 215 120"));
    ASSERT_TRUE(KV_RemoveKey(app.config, "KEY.BUTTON2"));
    EXPECT_FALSE(BuildMenu());
    TearDownMenu();
    // A key that was registered before the failure must not answer any more.
    PushKey(SDL_KEYDOWN, SDLK_DOWN);
    DISP_PollAll();
    EXPECT_EQ(menu.action, MENU_NONE);

    Set("KEY.BUTTON2", "c");
    EXPECT_GT(CheckEachAllocationFailure([] {
                  const bool built = BuildMenu();
                  TearDownMenu();
                  return built;
              }),
              20);
    ASSERT_TRUE(BuildMenu());
    ASSERT_TRUE(BuildMenu()) << "building again replaces the pages and handlers";
    EXPECT_EQ(NODE_Count(&menu.main.entries), 4u);
    Press(SDLK_DOWN);
    EXPECT_EQ(navigationSounds, 1) << "one handler per key, not two";
}

} // namespace
