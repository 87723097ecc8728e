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

using Labels = std::vector<std::string>;

const char* const kBack = MENU_BACK_LABEL;

int navigationSounds = 0;

void CountSounds(AUDIO_Op op, int, int sound, int)
{
    navigationSounds += op == AUDIO_PLAY && sound == SOUND_NAVIGATION;
}

Labels LabelsOf(const MenuPage* page)
{
    Labels labels;
    for (NODE_Node* node = page->entries.first; node != nullptr; node = node->next) {
        labels.emplace_back(static_cast<NODE_Item*>(node->data)->name);
    }
    return labels;
}

void PushKey(uint8_t type, SDLKey key)
{
    SDL_Event event{};
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    ASSERT_EQ(SDL_PushEvent(&event), 0);
}

// The pages' drawing is compared whole in the screenshot test, and the program test drives
// every page end to end. This covers what neither shows: mode lists and failures.
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
    void UseModes(std::initializer_list<SDL_Rect> sizes)
    {
        modes.assign(sizes);
        modeList.clear();
        for (SDL_Rect& mode : modes) {
            modeList.push_back(&mode);
        }
        modeList.push_back(nullptr);
        app.fullscreenModes = modeList.data();
    }

    App saved{};
    int64_t liveBlocks = 0;
    std::vector<SDL_Rect> modes;
    std::vector<SDL_Rect*> modeList;
};

TEST_F(MenuTest, VideoPageLabelsComeFromTheModeList)
{
    UseModes({{0, 0, 1920, 1080}, {0, 0, 1024, 768}, {0, 0, 320, 255}, {0, 0, 255, 254}, {0, 0, 254, 600}});
    Set("VIDEO", "1024x768");
    ASSERT_TRUE(BuildMenu());
    EXPECT_EQ(LabelsOf(&menu.video), (Labels{"1920x1080 4x \x02\x02", "320x255 1x", "453x255 1x \x02\n",
                                             "WINDOW", "ZOOM 1x", "ZOOM 3x", kBack}))
        << "the configured mode and modes under 255 are left out; the reference size comes last";
    // A mode of exactly the reference size takes its three marks, and is not added again.
    UseModes({{0, 0, 1280, 720}, {0, 0, 453, 255}});
    Set("VIDEO", "800x600");
    ASSERT_TRUE(BuildMenu());
    EXPECT_EQ(LabelsOf(&menu.video),
              (Labels{"1280x720 2x \x02\x02", "453x255 1x \x02\x02\x02", "WINDOW", "ZOOM 1x", kBack}))
        << "800x600 with ZOOM 2 leaves only ZOOM 1x (765 > 600)";
    UseModes({{0, 0, 768, 1024}});
    ASSERT_TRUE(BuildMenu());
    EXPECT_EQ(LabelsOf(&menu.video)[1], "255x340 1x \x02\n") << "an upright reference size is 255 wide";
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
