#include "shell/video.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "shell/app.h"
#include "shell/settings.h"
#include "tests/support/alloc_check.h"
#include "util/kv.h"

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

SDL_Rect mode1024{0, 0, 1024, 768};
SDL_Rect mode640{0, 0, 640, 480};
SDL_Rect* someModes[] = {&mode1024, &mode640, nullptr};
SDL_Rect** givenModes = someModes;

SDL_Rect** GivenModes(SDL_PixelFormat*, uint32_t)
{
    return givenModes;
}

uint32_t PixelAt(SDL_Surface* surface, int x, int y)
{
    uint32_t pixel = 0;
    std::memcpy(&pixel, static_cast<uint8_t*>(surface->pixels) + y * surface->pitch + x * 4, 4);
    return pixel;
}

void SetPixel(SDL_Surface* surface, int x, int y, uint32_t pixel)
{
    std::memcpy(static_cast<uint8_t*>(surface->pixels) + y * surface->pitch + x * 4, &pixel, 4);
}

// A different value at every back-buffer position.
uint32_t Pattern(int x, int y)
{
    return static_cast<uint32_t>(((x * 7 + 1) << 16) ^ ((y * 13 + 5) << 4) ^ (x * y)) & 0x00FFFFFF;
}

void FillPattern(SDL_Surface* surface, int left)
{
    for (int y = 0; y < PICTURE_SIZE; ++y) {
        for (int x = 0; x < PICTURE_SIZE; ++x) {
            SetPixel(surface, left + x, y, Pattern(x, y));
        }
    }
}

// Every screen pixel of the magnified picture holds its back-buffer pixel; the columns left
// and right of the picture are untouched (0).
void ExpectMagnified(SDL_Surface* screen, uint32_t left, uint32_t zoom)
{
    int wrong = 0;
    for (int y = 0; y < static_cast<int>(PICTURE_SIZE * zoom); ++y) {
        for (int x = 0; x < static_cast<int>(PICTURE_SIZE * zoom); ++x) {
            if (PixelAt(screen, static_cast<int>(left) + x, y) != Pattern(x / static_cast<int>(zoom), y / static_cast<int>(zoom))) {
                ++wrong;
            }
        }
        if (left > 0) {
            EXPECT_EQ(PixelAt(screen, static_cast<int>(left) - 1, y), 0u) << "row " << y;
        }
        if (left + PICTURE_SIZE * zoom < static_cast<uint32_t>(screen->w)) {
            EXPECT_EQ(PixelAt(screen, static_cast<int>(left + PICTURE_SIZE * zoom), y), 0u) << "row " << y;
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels differing from their back-buffer pixel at zoom " << zoom;
}

class VideoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        app.config = KV_Create("unused-configuration.txt", settingsDefaults);
        ASSERT_NE(app.config, nullptr);
        refuseAbove = 0;
        asked.clear();
        givenModes = someModes;
        VIDEO_SetBackends(LimitedOpen, GivenModes);
    }
    void TearDown() override
    {
        CloseVideo();
        VIDEO_SetBackends(nullptr, nullptr);
        KV_Dispose(app.config);
        app.config = nullptr;
        SDL_Quit();
    }
    void Set(const char* key, const char* value) { ASSERT_TRUE(KV_ReplaceString(app.config, key, value)); }
    std::string Value(const char* key)
    {
        const char* value = nullptr;
        return KV_GetString(app.config, key, &value) ? value : "<absent>";
    }
};

TEST_F(VideoTest, WindowAtZoomThreeReplicatesThreeByThree)
{
    Set("ZOOM", "3");
    ASSERT_TRUE(SetupVideo());
    EXPECT_EQ(app.screen->w, 765);
    EXPECT_EQ(app.screen->h, 765);
    EXPECT_EQ(app.zoom, 3u);
    EXPECT_NE(app.backBuffer, app.screen);
    EXPECT_EQ(app.backBuffer->w, 255);
    EXPECT_EQ(app.backBuffer->h, 255);
    EXPECT_EQ(app.backBuffer->format->BitsPerPixel, app.screen->format->BitsPerPixel);
    EXPECT_EQ(app.backBufferX, 0u);
    EXPECT_EQ(app.centreX, 127u);
    EXPECT_EQ(app.screenX, 0u);
    EXPECT_EQ(Value("ZOOM"), "3");
    FillPattern(app.backBuffer, 0);
    app.present();
    ExpectMagnified(app.screen, 0, 3);
}

TEST_F(VideoTest, FullScreenLowersTheZoomToWhatFitsAndCentresThePicture)
{
    Set("VIDEO", "800x600");
    Set("ZOOM", "4");
    ASSERT_TRUE(SetupVideo());
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back(), std::make_pair(800, 600));
    EXPECT_EQ(app.zoom, 2u) << "510 fits 600, 765 does not";
    EXPECT_EQ(Value("ZOOM"), "2") << "the lowered zoom is written back";
    EXPECT_EQ(app.screenX, 145u);
    EXPECT_EQ(app.backBufferX, 0u);
    EXPECT_EQ(app.screen->flags & SDL_FULLSCREEN, static_cast<uint32_t>(SDL_FULLSCREEN));
    SDL_FillRect(app.screen, nullptr, 0);
    FillPattern(app.backBuffer, 0);
    app.present();
    ExpectMagnified(app.screen, 145, 2);
    EXPECT_EQ(PixelAt(app.screen, 400, 510), 0u) << "nothing below row 509";
}

TEST_F(VideoTest, ZoomOneDrawsStraightIntoTheScreen)
{
    Set("VIDEO", "1024x768");
    Set("ZOOM", "1");
    ASSERT_TRUE(SetupVideo());
    EXPECT_EQ(app.backBuffer, app.screen);
    EXPECT_EQ(app.screenX, 384u);
    EXPECT_EQ(app.backBufferX, 384u);
    EXPECT_EQ(app.centreX, 511u);
    EXPECT_EQ(app.zoom, 1u);
    app.present(); // only updates
}

TEST_F(VideoTest, AModeSmallerThanThePictureFailsWithoutFallback)
{
    Set("VIDEO", "200x150");
    Set("ZOOM", "2");
    EXPECT_FALSE(SetupVideo());
    EXPECT_TRUE(asked.empty()) << "no display may be asked for";
    EXPECT_EQ(Value("VIDEO"), "200x150") << "the setting stays";
    EXPECT_EQ(Value("ZOOM"), "2");
    EXPECT_EQ(app.screen, nullptr);
}

TEST_F(VideoTest, ARefusedWindowFallsBackOnceToZoomOne)
{
    Set("ZOOM", "9");
    refuseAbove = 800;
    ASSERT_TRUE(SetupVideo());
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], std::make_pair(1020, 1020)) << "zoom 9 is asked for as 4";
    EXPECT_EQ(asked[1], std::make_pair(255, 255));
    EXPECT_EQ(Value("ZOOM"), "1");
    EXPECT_EQ(Value("VIDEO"), "window");
    EXPECT_EQ(app.backBuffer, app.screen);
}

TEST_F(VideoTest, ARefusedFullScreenModeFallsBackToAWindow)
{
    Set("VIDEO", "1024x768");
    Set("ZOOM", "3");
    refuseAbove = 300;
    ASSERT_TRUE(SetupVideo());
    EXPECT_EQ(Value("VIDEO"), "window");
    EXPECT_EQ(Value("ZOOM"), "1");
    EXPECT_EQ(app.screen->w, 255);
    EXPECT_EQ(app.screen->flags & SDL_FULLSCREEN, 0u);
}

TEST_F(VideoTest, ARefusedSmallestWindowFails)
{
    Set("ZOOM", "1");
    refuseAbove = 100;
    EXPECT_FALSE(SetupVideo());
    EXPECT_EQ(asked.size(), 1u) << "the 255 x 255 window is the last resort, asked once";
    EXPECT_EQ(app.screen, nullptr);
}

TEST_F(VideoTest, ZoomZeroIsTakenAsOne)
{
    Set("ZOOM", "0");
    ASSERT_TRUE(SetupVideo());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], std::make_pair(255, 255));
    EXPECT_EQ(Value("ZOOM"), "1");
    Set("ZOOM", "abc");
    CloseVideo();
    asked.clear();
    ASSERT_TRUE(SetupVideo()) << "a ZOOM without digits reads as 0";
    EXPECT_EQ(asked[0], std::make_pair(255, 255));
}

TEST_F(VideoTest, AVideoValueThatIsNoModeMeansFullScreen255)
{
    Set("VIDEO", "big");
    Set("ZOOM", "2");
    ASSERT_TRUE(SetupVideo());
    EXPECT_EQ(asked.back(), std::make_pair(255, 255));
    EXPECT_EQ(app.screen->flags & SDL_FULLSCREEN, static_cast<uint32_t>(SDL_FULLSCREEN));
    EXPECT_EQ(Value("ZOOM"), "1");
    EXPECT_EQ(app.backBuffer, app.screen);
}

TEST_F(VideoTest, DisplayFieldsCaptionPointerAndModes)
{
    ASSERT_TRUE(SetupVideo());
    char* title = nullptr;
    char* icon = nullptr;
    SDL_WM_GetCaption(&title, &icon);
    EXPECT_STREQ(title, "ZAF");
    EXPECT_STREQ(icon, "ZAF");
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    EXPECT_EQ(app.fullscreenModes, someModes);
    const SDL_PixelFormat* format = app.screen->format;
    EXPECT_EQ(app.redShift, format->Rshift);
    EXPECT_EQ(app.greenShift, format->Gshift);
    EXPECT_EQ(app.blueShift, format->Bshift);
    ASSERT_NE(app.rotationSource, nullptr);
    EXPECT_EQ(app.rotationSource->w, 383);
    EXPECT_EQ(app.rotationSource->h, 383);
    EXPECT_EQ(app.rotationSource->format->Rmask, 0x00FF0000u);
    EXPECT_EQ(app.rotationSource->format->Gmask, 0x0000FF00u);
    EXPECT_EQ(app.rotationSource->format->Bmask, 0x000000FFu);
    EXPECT_EQ(app.rotationSource->format->Amask, 0xFF000000u);
    EXPECT_EQ(PixelAt(app.backBuffer, 100, 100), 0u) << "the back buffer starts black";
    CloseVideo();
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    EXPECT_EQ(app.rotationSource, nullptr);
    EXPECT_EQ(app.backBuffer, nullptr);
    CloseVideo();

    static SDL_Rect** anyMode = reinterpret_cast<SDL_Rect**>(-1);
    givenModes = anyMode;
    ASSERT_TRUE(SetupVideo());
    EXPECT_EQ(app.fullscreenModes, nullptr) << "\"any mode\" is kept as none";
}

TEST_F(VideoTest, FullScreenScalingIsCrispUnlessThePlayerChoseOtherwise)
{
    unsetenv("SDL12COMPAT_SCALE_METHOD");
    ASSERT_TRUE(SetupVideo());
    ASSERT_NE(getenv("SDL12COMPAT_SCALE_METHOD"), nullptr);
    EXPECT_STREQ(getenv("SDL12COMPAT_SCALE_METHOD"), "nearest");
    CloseVideo();
    setenv("SDL12COMPAT_SCALE_METHOD", "linear", 1);
    ASSERT_TRUE(SetupVideo());
    EXPECT_STREQ(getenv("SDL12COMPAT_SCALE_METHOD"), "linear");
    unsetenv("SDL12COMPAT_SCALE_METHOD");
}

TEST_F(VideoTest, SetupSurvivesEachAllocationFailure)
{
    Set("ZOOM", "9");
    CheckEachAllocationFailure([] {
        const bool opened = SetupVideo();
        CloseVideo();
        return opened;
    });
}

TEST(ReplicateTest, WalksBothSurfacesByTheirPitch)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
    // A back buffer wider than the picture and a screen of odd width: neither pitch is 255
    // or 255 * zoom words.
    SDL_Surface* back = SDL_CreateRGBSurface(SDL_SWSURFACE, 301, 255, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    for (uint32_t zoom = 2; zoom <= 4; ++zoom) {
        SDL_Surface* screen = SDL_CreateRGBSurface(SDL_SWSURFACE, static_cast<int>(PICTURE_SIZE * zoom + 23),
                                                   static_cast<int>(PICTURE_SIZE * zoom + 1), 32, 0xFF0000, 0xFF00, 0xFF, 0);
        ASSERT_NE(back, nullptr);
        ASSERT_NE(screen, nullptr);
        SDL_FillRect(back, nullptr, 0x00ABCDEF);
        FillPattern(back, 0);
        SDL_FillRect(screen, nullptr, 0);
        EXPECT_TRUE(VIDEO_Replicate(back, screen, 11, zoom));
        ExpectMagnified(screen, 11, zoom);
        EXPECT_EQ(PixelAt(screen, 20, static_cast<int>(PICTURE_SIZE * zoom)), 0u) << "last row untouched";
        EXPECT_FALSE(VIDEO_Replicate(back, screen, 24, zoom)) << "a picture past the right edge";
        SDL_FreeSurface(screen);
    }
    SDL_Surface* small = SDL_CreateRGBSurface(SDL_SWSURFACE, 500, 500, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    EXPECT_FALSE(VIDEO_Replicate(back, small, 0, 2)) << "510 rows do not fit 500";
    EXPECT_FALSE(VIDEO_Replicate(back, small, 0, 1));
    EXPECT_FALSE(VIDEO_Replicate(nullptr, small, 0, 2));
    SDL_Surface* deep16 = SDL_CreateRGBSurface(SDL_SWSURFACE, 600, 600, 16, 0xF800, 0x7E0, 0x1F, 0);
    EXPECT_FALSE(VIDEO_Replicate(back, deep16, 0, 2)) << "only 32-bit screens";
    SDL_FreeSurface(deep16);
    SDL_FreeSurface(small);
    SDL_FreeSurface(back);
    SDL_Quit();
}

} // namespace
