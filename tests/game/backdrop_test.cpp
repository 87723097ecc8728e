#include "game/backdrop.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "game/objects.h"
#include "shell/app.h"
#include "util/kv.h"
#include "util/mem.h"

namespace {

constexpr uint32_t R = 0x00FF0000, G = 0x0000FF00, B = 0x000000FF;
constexpr int32_t PIXEL = 65536;

uint32_t PixelAt(SDL_Surface* s, int x, int y)
{
    return *(reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch) + x);
}

Object* ObjectAt(int index)
{
    NODE_Node* node = BackdropObjects()->first;
    for (int i = 0; i < index && node != nullptr; i++) {
        node = node->next;
    }
    return node != nullptr ? static_cast<Object*>(node->data) : nullptr;
}

class Backdrop : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved = app;
        app.backBuffer = SDL_CreateRGBSurface(0, PICTURE_SIZE, PICTURE_SIZE, 32, R, G, B, 0);
        ASSERT_NE(app.backBuffer, nullptr);
        app.backBufferX = 0;
        app.centreX = 127;
        // One 4 x 4 picture per class and frame, each its own colour, for finding them again.
        for (int c = 0; c < OBJECT_CLASSES; c++) {
            for (int f = 0; f < OBJECT_FRAMES; f++) {
                SDL_Surface* s = SDL_CreateRGBSurface(0, 4, 4, 32, R, G, B, 0);
                ASSERT_NE(s, nullptr);
                SDL_FillRect(s, nullptr, FrameColour(c, f));
                app.objectsBack[c][f] = s;
            }
        }
        app.logo = SDL_CreateRGBSurface(0, 21, 9, 32, R, G, B, 0);
        ASSERT_NE(app.logo, nullptr);
        SDL_FillRect(app.logo, nullptr, 0xABCDEF);
        SetBackground("10 20 30 200 100 0");
        srand(1);
        liveAtStart = MEM_LiveBlocks();
    }
    void TearDown() override
    {
        FreeBackdrop();
        EXPECT_EQ(MEM_LiveBlocks(), liveAtStart) << "every backdrop object freed";
        for (auto& frames : app.objectsBack) {
            for (SDL_Surface* s : frames) {
                SDL_FreeSurface(s);
            }
        }
        SDL_FreeSurface(app.logo);
        SDL_FreeSurface(app.backBuffer);
        KV_Dispose(app.descriptor);
        app = saved;
    }
    void SetBackground(const char* value)
    {
        KV_Dispose(app.descriptor);
        const KV_Pair pairs[] = {{"BACKGROUND", value}, {nullptr, nullptr}};
        app.descriptor = KV_Create("descriptor.txt", pairs);
        ASSERT_NE(app.descriptor, nullptr);
    }
    static uint32_t FrameColour(int c, int f) { return 0x100000u * (c + 1) + 0x1000u * (f + 1) + 7; }
    uint32_t Rgb(int r, int g, int b) { return SDL_MapRGB(app.backBuffer->format, r, g, b); }

    App saved{};
    int64_t liveAtStart = 0;
};

TEST_F(Backdrop, GradientRunsFromTheFirstColourToTheSecond)
{
    ASSERT_TRUE(InitBackdrop());
    const uint32_t* colours = BackdropColours();
    EXPECT_EQ(colours[0], Rgb(10, 20, 30));
    EXPECT_EQ(colours[254], Rgb(200, 100, 0));
    // 190 * 100 / 254, 80 * 100 / 254 and -30 * 100 / 254 all round toward zero.
    EXPECT_EQ(colours[100], Rgb(84, 51, 19));
    EXPECT_EQ(colours[127], Rgb(105, 60, 15));

    SetBackground("40 50 60 40 50 60");
    ASSERT_TRUE(InitBackdrop());
    for (int i = 0; i < PICTURE_SIZE; i++) {
        ASSERT_EQ(BackdropColours()[i], Rgb(40, 50, 60)) << "equal colours give a flat backdrop, row " << i;
    }
}

TEST_F(Backdrop, AValueWithoutSixNumbersFails)
{
    for (const char* value : {"1 2 3 4 5", "", "red"}) {
        SetBackground(value);
        EXPECT_FALSE(InitBackdrop()) << "'" << value << "'";
        EXPECT_EQ(NODE_Count(BackdropObjects()), 0u);
    }
    KV_Dispose(app.descriptor);
    app.descriptor = nullptr;
    liveAtStart = MEM_LiveBlocks();
    EXPECT_FALSE(InitBackdrop()) << "no descriptor";
}

TEST_F(Backdrop, FiftyObjectsFallAtTheirClassSpeeds)
{
    ASSERT_TRUE(InitBackdrop());
    ASSERT_EQ(NODE_Count(BackdropObjects()), static_cast<uint32_t>(BACKDROP_OBJECTS));
    for (int i = 0; i < BACKDROP_OBJECTS; i++) {
        const Object* o = ObjectAt(i);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->objectClass, i % 4);
        EXPECT_EQ(o->vx, 0);
        // Class 0 falls 0.25 to 0.5 pixels a frame, class 3 1 to 1.25.
        EXPECT_GE(o->vy, (o->objectClass + 1) * PIXEL / 4) << i;
        EXPECT_LT(o->vy, (o->objectClass + 2) * PIXEL / 4) << i;
        EXPECT_GE(o->x, -127 * PIXEL);
        EXPECT_LE(o->x, 128 * PIXEL);
        EXPECT_EQ(o->x % PIXEL, 0) << "starts on a whole pixel";
        EXPECT_GE(o->y, -127 * PIXEL);
        EXPECT_LE(o->y, 128 * PIXEL);
    }
    // Building again replaces the objects rather than adding to them.
    ASSERT_TRUE(InitBackdrop());
    EXPECT_EQ(NODE_Count(BackdropObjects()), static_cast<uint32_t>(BACKDROP_OBJECTS));
}

TEST_F(Backdrop, ObjectsLeavingTheBottomStartAgainAboveTheTop)
{
    ASSERT_TRUE(InitBackdrop());
    Object* leaving = ObjectAt(0);
    Object* staying = ObjectAt(1);
    leaving->y = 127 * PIXEL + 1 - leaving->vy;
    staying->y = 127 * PIXEL - staying->vy;
    const int32_t stayingX = staying->x;
    AnimateBackdrop();
    EXPECT_EQ(leaving->y, -136 * PIXEL);
    EXPECT_GE(leaving->x, -127 * PIXEL);
    EXPECT_LE(leaving->x, 128 * PIXEL);
    EXPECT_EQ(staying->y, 127 * PIXEL) << "exactly 127 pixels is still on screen";
    EXPECT_EQ(staying->x, stayingX);
}

TEST_F(Backdrop, ObjectsThatCannotBeMadeAreLeftOut)
{
    MEM_FailAt(3);
    ASSERT_TRUE(InitBackdrop());
    MEM_FailAt(0);
    EXPECT_EQ(NODE_Count(BackdropObjects()), static_cast<uint32_t>(BACKDROP_OBJECTS - 1));
    FreeBackdrop();
    EXPECT_EQ(MEM_LiveBlocks(), liveAtStart);
}

TEST_F(Backdrop, DrawsGradientThenObjectsThenLogo)
{
    ASSERT_TRUE(InitBackdrop());
    // Park every object off the picture except two placed by hand.
    for (int i = 0; i < BACKDROP_OBJECTS; i++) {
        ObjectAt(i)->y = -200 * PIXEL;
    }
    Object* a = ObjectAt(1); // class 1
    a->x = -100 * PIXEL + PIXEL / 2; // -99.5 pixels: its whole part is -100
    a->y = 40 * PIXEL;
    a->animFrame = 3;
    Object* b = ObjectAt(2); // class 2, partly under the logo
    b->x = -2 * PIXEL;
    b->y = -120 * PIXEL;
    b->animFrame = 0;
    DrawBackdrop();
    EXPECT_EQ(PixelAt(app.backBuffer, 0, 0), Rgb(10, 20, 30));
    EXPECT_EQ(PixelAt(app.backBuffer, 254, 254), Rgb(200, 100, 0));
    EXPECT_EQ(PixelAt(app.backBuffer, 27, 167), FrameColour(1, 3)) << "top-left at centre + whole x";
    EXPECT_EQ(PixelAt(app.backBuffer, 26, 167), Rgb(134, 72, 11)) << "left of the object";
    EXPECT_EQ(PixelAt(app.backBuffer, 117, 1), 0xABCDEFu) << "logo's left edge at centre - width / 2";
    EXPECT_EQ(PixelAt(app.backBuffer, 137, 9), 0xABCDEFu) << "logo over the object";
    EXPECT_EQ(PixelAt(app.backBuffer, 125, 10), FrameColour(2, 0)) << "object below the logo";
    EXPECT_EQ(PixelAt(app.backBuffer, 116, 1), Rgb(10, 20, 30));
}

} // namespace
