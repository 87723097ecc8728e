#include "game/backdrop.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "game/objects.h"
#include "shell/app.h"
#include "tests/support/surface_util.h"
#include "util/kv.h"
#include "util/mem.h"

namespace {

constexpr int32_t PIXEL = 65536;

Object* ObjectAt(int index)
{
    NODE_Node* node = BackdropObjects()->first;
    for (int i = 0; i < index; i++) {
        node = node->next;
    }
    return static_cast<Object*>(node->data);
}

uint32_t FrameColour(int c, int f) { return 0x100000u * (c + 1) + 0x1000u * (f + 1) + 7; }

class Backdrop : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved = app;
        app.backBuffer = NewSurface32(PICTURE_SIZE, PICTURE_SIZE);
        app.centreX = 127;
        // One 4 x 4 picture per class and frame, each its own colour, for finding them again.
        for (int c = 0; c < OBJECT_CLASSES; c++) {
            for (int f = 0; f < OBJECT_FRAMES; f++) {
                app.objectsBack[c][f] = NewSurface32(4, 4, FrameColour(c, f));
            }
        }
        app.logo = NewSurface32(21, 9, 0xABCDEF);
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
    uint32_t Gradient(const char* value, int row)
    {
        SetBackground(value);
        EXPECT_TRUE(InitBackdrop()) << value;
        return BackdropColours()[row];
    }
    uint32_t Rgb(int r, int g, int b) { return SDL_MapRGB(app.backBuffer->format, r, g, b); }

    App saved{};
    int64_t liveAtStart = 0;
};

TEST_F(Backdrop, GradientFromTheThemeAndBadValues)
{
    const char* const kWide = "-2147483648 2147483647 999999 2147483647 -2147483648 -2147483648";
    EXPECT_EQ(Gradient("10 20 30 200 100 0", 0), Rgb(10, 20, 30));
    EXPECT_EQ(Gradient("10 20 30 200 100 0", 254), Rgb(200, 100, 0));
    // 190 * 100 / 254, 80 * 100 / 254 and -30 * 100 / 254 all round toward zero.
    EXPECT_EQ(Gradient("10 20 30 200 100 0", 100), Rgb(84, 51, 19));
    EXPECT_EQ(Gradient("10 20 30 200 100 0", 127), Rgb(105, 60, 15));
    EXPECT_EQ(Gradient("40 50 60 40 50 60", 200), Rgb(40, 50, 60)) << "equal ends: flat";
    // The extremes an int holds: each channel's low byte at the ends (999999 is 0xF423F) and
    // 64-bit arithmetic between them, half of 2^32 - 1 rounded toward zero.
    EXPECT_EQ(Gradient(kWide, 0), Rgb(0x00, 0xFF, 0x3F));
    EXPECT_EQ(Gradient(kWide, 254), Rgb(0xFF, 0x00, 0x00));
    EXPECT_EQ(Gradient(kWide, 127), Rgb(0xFF, 0x00, 0x20));
    for (const char* value : {"1 2 3 4 5", "", "red"}) {
        SetBackground(value);
        EXPECT_FALSE(InitBackdrop()) << "'" << value << "'";
        EXPECT_EQ(NODE_Count(BackdropObjects()), 0u) << "'" << value << "'";
    }
    KV_Dispose(app.descriptor);
    app.descriptor = nullptr;
    liveAtStart = MEM_LiveBlocks();
    EXPECT_FALSE(InitBackdrop()) << "no descriptor";
}

TEST_F(Backdrop, ObjectsFallAtTheirClassSpeedsAndWrapAround)
{
    ASSERT_TRUE(InitBackdrop());
    ASSERT_TRUE(InitBackdrop()) << "building again replaces the objects";
    ASSERT_EQ(NODE_Count(BackdropObjects()), static_cast<uint32_t>(BACKDROP_OBJECTS));
    for (int i = 0; i < BACKDROP_OBJECTS; i++) {
        const Object* o = ObjectAt(i);
        EXPECT_EQ(o->objectClass, i % 4);
        EXPECT_EQ(o->vx, 0);
        // Class 0 falls 0.25 to 0.5 pixels a frame, class 3 1 to 1.25.
        EXPECT_GE(o->vy, (o->objectClass + 1) * PIXEL / 4) << i;
        EXPECT_LT(o->vy, (o->objectClass + 2) * PIXEL / 4) << i;
        EXPECT_TRUE(o->x >= -127 * PIXEL && o->x <= 128 * PIXEL && o->x % PIXEL == 0) << i << ": " << o->x;
        EXPECT_TRUE(o->y >= -127 * PIXEL && o->y <= 128 * PIXEL) << i << ": " << o->y;
    }
    Object* leaving = ObjectAt(0);
    Object* staying = ObjectAt(1);
    leaving->y = 127 * PIXEL + 1 - leaving->vy;
    staying->y = 127 * PIXEL - staying->vy;
    const int32_t stayingX = staying->x;
    AnimateBackdrop();
    EXPECT_EQ(leaving->y, -136 * PIXEL) << "starts again above the top";
    EXPECT_TRUE(leaving->x >= -127 * PIXEL && leaving->x <= 128 * PIXEL) << leaving->x;
    EXPECT_EQ(staying->y, 127 * PIXEL) << "exactly 127 pixels is still on screen";
    EXPECT_EQ(staying->x, stayingX);

    MEM_FailAt(3);
    ASSERT_TRUE(InitBackdrop());
    MEM_FailAt(0);
    EXPECT_EQ(NODE_Count(BackdropObjects()), static_cast<uint32_t>(BACKDROP_OBJECTS - 1))
        << "an object that cannot be made is left out";
}

TEST_F(Backdrop, DrawsGradientThenObjectsThenLogo)
{
    ASSERT_TRUE(InitBackdrop());
    for (int i = 0; i < BACKDROP_OBJECTS; i++) {
        ObjectAt(i)->y = -200 * PIXEL; // off the picture but for the two placed below
    }
    Object* a = ObjectAt(1); // class 1
    a->x = -100 * PIXEL + PIXEL / 2; // -99.5 pixels: its whole part is -100
    a->y = 40 * PIXEL;
    a->animFrame = 3;
    Object* b = ObjectAt(2); // class 2, partly under the logo
    b->x = -2 * PIXEL;
    b->y = -120 * PIXEL;
    DrawBackdrop();
    EXPECT_EQ(PixelAt(app.backBuffer, 0, 0), Rgb(10, 20, 30));
    EXPECT_EQ(PixelAt(app.backBuffer, 254, 254), Rgb(200, 100, 0));
    EXPECT_EQ(PixelAt(app.backBuffer, 27, 167), FrameColour(1, 3)) << "top-left at centre + whole x";
    EXPECT_EQ(PixelAt(app.backBuffer, 26, 167), Rgb(134, 72, 11)) << "left of the object";
    EXPECT_EQ(PixelAt(app.backBuffer, 117, 1), 0xABCDEFu) << "logo's left edge at centre - width / 2";
    EXPECT_EQ(PixelAt(app.backBuffer, 116, 1), Rgb(10, 20, 30));
    EXPECT_EQ(PixelAt(app.backBuffer, 137, 9), 0xABCDEFu) << "logo over the object";
    EXPECT_EQ(PixelAt(app.backBuffer, 125, 10), FrameColour(2, 0)) << "object below the logo";
}

} // namespace
