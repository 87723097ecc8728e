#include "game/backdrop.h"

#include <algorithm>

#include "tests/game/game_fixture.h"
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

// The menu's backdrop over the canvas, with one 4 x 4 picture per class and frame, each its own
// colour for finding them again, and a logo.
class Backdrop : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        MakeCanvas();
        for (int c = 0; c < OBJECT_CLASSES; c++) {
            for (int f = 0; f < OBJECT_FRAMES; f++) {
                app.objectsBack[c][f] = NewSurface(4, 4, FrameColour(c, f));
            }
        }
        app.logo = NewSurface(21, 9, 0xABCDEF);
        ASSERT_TRUE(KV_SetString(app.descriptor, "BACKGROUND", "10 20 30 200 100 0"));
        liveAtStart = MEM_LiveBlocks();
    }
    void TearDown() override
    {
        // The gradient outlives the test: left black, as before any theme was read.
        if (app.descriptor != nullptr && KV_SetString(app.descriptor, "BACKGROUND", "0 0 0 0 0 0")) {
            (void)InitBackdrop();
        }
        FreeBackdrop();
        EXPECT_EQ(MEM_LiveBlocks(), liveAtStart) << "every backdrop object freed";
        for (auto& frames : app.objectsBack) {
            for (SDL_Surface* s : frames) {
                SDL_FreeSurface(s);
            }
        }
        SDL_FreeSurface(app.logo);
        GameTest::TearDown();
    }
    uint32_t Gradient(const char* value, int row)
    {
        EXPECT_TRUE(KV_SetString(app.descriptor, "BACKGROUND", value));
        EXPECT_TRUE(InitBackdrop()) << value;
        return BackdropColours()[row];
    }

    int64_t liveAtStart = 0;
};

TEST_F(Backdrop, GradientFromTheThemeAndBadValues)
{
    const char* const kWide = "-2147483648 2147483647 999999 2147483647 -2147483648 -2147483648";
    EXPECT_EQ(Gradient("10 20 30 200 100 0", 0), 0x0A141Eu);
    EXPECT_EQ(Gradient("10 20 30 200 100 0", 254), 0xC86400u);
    // 190 * 100 / 254, 80 * 100 / 254 and -30 * 100 / 254 all round toward zero.
    EXPECT_EQ(Gradient("10 20 30 200 100 0", 100), 0x543313u);
    EXPECT_EQ(Gradient("40 50 60 40 50 60", 200), 0x28323Cu) << "equal ends: flat";
    // The extremes an int holds: each channel's low byte at the ends (999999 is 0xF423F) and
    // 64-bit arithmetic between them, half of 2^32 - 1 rounded toward zero.
    EXPECT_EQ(Gradient(kWide, 0), 0x00FF3Fu);
    EXPECT_EQ(Gradient(kWide, 254), 0xFF0000u);
    EXPECT_EQ(Gradient(kWide, 127), 0xFF0020u);
    SDL_Surface* back = app.backBuffer;
    app.backBuffer = nullptr;
    EXPECT_FALSE(InitBackdrop()) << "no picture to draw on";
    app.backBuffer = back;
    for (const char* value : {"1 2 3 4 5", "", "red"}) {
        ASSERT_TRUE(KV_SetString(app.descriptor, "BACKGROUND", value));
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
    int32_t widest = 0;
    for (int i = 0; i < BACKDROP_OBJECTS; i++) {
        const Object* o = ObjectAt(i);
        widest = std::max(widest, o->vy % (PIXEL / 4));
        // Class 0 falls 0.25 to 0.5 pixels a frame, class 3 1 to 1.25, straight down from a
        // whole column.
        EXPECT_EQ((Ints{o->objectClass, o->vy / (PIXEL / 4), o->vx, o->x % PIXEL}), (Ints{i % 4, i % 4 + 1, 0, 0})) << i;
        EXPECT_TRUE(o->x >= -127 * PIXEL && o->x <= 128 * PIXEL && o->y >= -127 * PIXEL && o->y <= 128 * PIXEL) << i;
    }
    EXPECT_GT(widest, PIXEL / 4 * 9 / 10) << "the random extras span the whole quarter pixel";
    Object* leaving = ObjectAt(0);
    Object* staying = ObjectAt(1);
    leaving->y = 127 * PIXEL + 1 - leaving->vy;
    staying->y = 127 * PIXEL - staying->vy;
    const int32_t stayingX = staying->x;
    AnimateBackdrop();
    EXPECT_EQ(leaving->y, -136 * PIXEL) << "starts again above the top";
    EXPECT_TRUE(leaving->x >= -127 * PIXEL && leaving->x <= 128 * PIXEL) << leaving->x;
    EXPECT_EQ((Ints{staying->y, staying->x}), (Ints{127 * PIXEL, stayingX})) << "exactly 127 pixels is still on screen";

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
    EXPECT_EQ(Pixel(0, 0), 0x0A141Eu);
    EXPECT_EQ(Pixel(254, 254), 0xC86400u);
    EXPECT_EQ(Pixel(27, 167), FrameColour(1, 3)) << "top-left at centre + whole x";
    EXPECT_EQ(Pixel(26, 167), 0x86480Bu) << "left of the object";
    EXPECT_EQ(Pixel(117, 1), 0xABCDEFu) << "logo's left edge at centre - width / 2";
    EXPECT_EQ(Pixel(116, 1), 0x0A141Eu);
    EXPECT_EQ(Pixel(137, 9), 0xABCDEFu) << "logo over the object";
    EXPECT_EQ(Pixel(125, 10), FrameColour(2, 0)) << "object below the logo";
}

} // namespace
