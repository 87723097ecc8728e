#include "shell/video.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "shell/app.h"
#include "tests/shell/harness.h"
#include "tests/support/alloc_check.h"
#include "tests/support/surface_util.h"

namespace {

// The largest display the played machine accepts; 0 = SDL's own answer.
int refuseAbove = 0;
std::vector<std::pair<int, int>> asked;

SDL_Surface* LimitedOpen(int width, int height, int bpp, uint32_t flags)
{
    asked.emplace_back(width, height);
    if (refuseAbove != 0 && (width > refuseAbove || height > refuseAbove)) {
        return nullptr;
    }
    return SDL_SetVideoMode(width, height, bpp, flags);
}

SDL_Rect** givenModes = nullptr;

SDL_Rect** GivenModes(SDL_PixelFormat*, uint32_t)
{
    return givenModes;
}

// A different value at every back-buffer position.
uint32_t Pattern(int x, int y)
{
    return static_cast<uint32_t>(((x * 7 + 1) << 16) ^ ((y * 13 + 5) << 4) ^ (x * y)) & 0x00FFFFFF;
}

// Every screen pixel of the magnified picture holds its back-buffer pixel, and the column
// left of it is untouched (0).
void ExpectMagnified(SDL_Surface* screen, int left, int zoom)
{
    const int size = PICTURE_SIZE * zoom;
    int wrong = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = left > 0 ? -1 : 0; x < size; ++x) {
            const uint32_t want = x < 0 ? 0 : Pattern(x / zoom, y / zoom);
            wrong += PixelAt(screen, left + x, y) != want;
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels wrong at zoom " << zoom;
}

class VideoTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        refuseAbove = 0;
        givenModes = nullptr;
        VIDEO_SetBackends(LimitedOpen, GivenModes);
    }
    void TearDown() override
    {
        CloseVideo();
        VIDEO_SetBackends(nullptr, nullptr);
        SDL_Quit();
        ShellTest::TearDown();
    }
};

TEST_F(VideoTest, DecisionsFromTheSettingsAndTheDisplay)
{
    using Sizes = std::vector<std::pair<int, int>>;
    struct Case {
        const char* video;
        const char* zoom;
        int refuse;
        bool opens;
        Sizes asked;
        const char* wantVideo;
        const char* wantZoom;
        uint32_t zoomUsed, screenX;
        bool direct; // the back buffer is the screen
    };
    const Case cases[] = {
        {"window", "3", 0, true, {{765, 765}}, "window", "3", 3, 0, false},
        {"window", "4", 0, true, {{1020, 1020}}, "window", "4", 4, 0, false},
        {"800x600", "4", 0, true, {{800, 600}}, "800x600", "2", 2, 145, false},
        {"1024x768", "1", 0, true, {{1024, 768}}, "1024x768", "1", 1, 384, true},
        {"200x150", "2", 0, false, {}, "200x150", "2", 0, 0, false},
        {"window", "9", 800, true, {{1020, 1020}, {255, 255}}, "window", "1", 1, 0, true},
        {"1024x768", "3", 300, true, {{1024, 768}, {255, 255}}, "window", "1", 1, 0, true},
        {"window", "1", 100, false, {{255, 255}}, "window", "1", 0, 0, false},
        {"window", "0", 0, true, {{255, 255}}, "window", "1", 1, 0, true},
        {"big", "2", 0, true, {{255, 255}}, "big", "1", 1, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.video) + " zoom " + c.zoom + " refused above " + std::to_string(c.refuse));
        CloseVideo();
        Set("VIDEO", c.video);
        Set("ZOOM", c.zoom);
        refuseAbove = c.refuse;
        asked.clear();
        ASSERT_EQ(SetupVideo(), c.opens);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(Setting("VIDEO"), c.wantVideo);
        EXPECT_EQ(Setting("ZOOM"), c.wantZoom);
        if (!c.opens) {
            continue;
        }
        EXPECT_EQ(app.zoom, c.zoomUsed);
        EXPECT_EQ(app.screenX, c.screenX);
        EXPECT_EQ(app.backBuffer == app.screen, c.direct);
        EXPECT_EQ(app.centreX, (c.direct ? c.screenX : 0u) + 127);
        EXPECT_EQ((app.screen->flags & SDL_FULLSCREEN) != 0, std::string(c.wantVideo) != "window");
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), std::string(c.wantVideo) != "window" ? SDL_DISABLE : SDL_ENABLE)
            << "the pointer shows in a window only";
        if (!c.direct) {
            SDL_FillRect(app.screen, nullptr, 0);
            FillFrom(app.backBuffer, Pattern);
            app.present();
            ExpectMagnified(app.screen, static_cast<int>(c.screenX), static_cast<int>(c.zoomUsed));
        }
    }
}

TEST_F(VideoTest, FullScreenIsScaledCrisplyAndSetupSurvivesEachAllocationFailure)
{
    unsetenv("SDL12COMPAT_SCALE_METHOD");
    givenModes = reinterpret_cast<SDL_Rect**>(-1);
    ASSERT_TRUE(SetupVideo());
    EXPECT_STREQ(getenv("SDL12COMPAT_SCALE_METHOD"), "nearest") << "blurred otherwise";
    EXPECT_EQ(app.fullscreenModes, nullptr) << "\"any mode\" is kept as none";
    CloseVideo();
    Set("ZOOM", "9");
    CheckEachAllocationFailure([] {
        const bool opened = SetupVideo();
        CloseVideo();
        return opened;
    });
}

} // namespace
