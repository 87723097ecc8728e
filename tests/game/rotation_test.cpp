#include "game/rotation.h"

#include "tests/game/game_fixture.h"
#include "util/kv.h"
#include "util/tools.h"

namespace {

constexpr uint32_t kUntouched = 0x5A5A5A5A;

// Every source pixel differs, so a mapping test can tell where each one came from; the alpha
// byte is set too, to see which routines pass it on.
uint32_t Pattern(int x, int y)
{
    return kAlphaMask | static_cast<uint32_t>(y * ROTATION_SOURCE_SIZE + x) * 97u % 0xFFFFFFu;
}

// One field pixel computed directly from the products rather than by stepping, so that a slip
// in the stepping shows. Bilinear weights are cut by wShift and the channel sums by sumShift,
// as each bilinear routine does; nearest is the top-left corner.
uint32_t Direct(uint16_t angle, int dx, int dy, bool bilinear, int wShift = 12, int sumShift = 8)
{
    const int32_t s = AUX_Sine[angle], c = AUX_Cosine[angle];
    const int32_t u = c * dx - s * dy, v = s * dx + c * dy;
    const int col = 191 + (u >> 10), row = 191 + (v >> 10);
    if (!bilinear) {
        return Pattern(col, row);
    }
    const uint32_t fx = u & 1023, fy = v & 1023;
    // A corner's channel times its weight, the weight cut by wShift.
    auto corner = [&](int x, int y, uint32_t wx, uint32_t wy, uint32_t shift) {
        return ((Pattern(col + x, row + y) >> shift) & 0xFF) * ((wy * wx) >> wShift);
    };
    uint32_t rgb = 0;
    for (uint32_t shift : {0u, 8u, 16u}) {
        const uint32_t sum = corner(0, 0, 1024 - fx, 1024 - fy, shift) + corner(1, 0, fx, 1024 - fy, shift) +
                             corner(0, 1, 1024 - fx, fy, shift) + corner(1, 1, fx, fy, shift);
        rgb |= ((sum >> sumShift) & 0xFF) << shift;
    }
    return rgb;
}

class Rotation : public ::testing::Test {
protected:
    void SetUp() override
    {
        AUX_InitTrigTables();
        source = NewSurface32(ROTATION_SOURCE_SIZE, ROTATION_SOURCE_SIZE, 0, false, kAlphaMask);
        ASSERT_NE(source, nullptr);
        FillFrom(source, Pattern);
        saved = app;
        app.centreX = 127;
        SetShifts(16, 8, 0);
    }
    void TearDown() override { SDL_FreeSurface(source); SDL_FreeSurface(dest); app = saved; }
    void SetShifts(uint32_t r, uint32_t g, uint32_t b, int width = PICTURE_SIZE)
    {
        app.redShift = r;
        app.greenShift = g;
        app.blueShift = b;
        SDL_FreeSurface(dest);
        dest = SDL_CreateRGBSurface(0, width, PICTURE_SIZE, 32, 0xFFu << r, 0xFFu << g, 0xFFu << b, 0);
        ASSERT_NE(dest, nullptr);
        SDL_FillRect(dest, nullptr, kUntouched);
    }
    void Run(RotateFn routine, uint16_t angle) { const RotationJob job{source, dest, 191, 191, angle}; routine(&job); }
    uint32_t Out(int dx, int dy) { return PixelAt(dest, static_cast<int>(app.centreX) + dx, 127 + dy); }

    SDL_Surface* source = nullptr;
    SDL_Surface* dest = nullptr;
    App saved{};
};

TEST_F(Rotation, EveryRoutineMatchesTheDirectArithmeticInTheDisplayOrder)
{
    // The copying order, blue-green-red, two orders with a byte below the colour and one out of
    // byte order. Quarter turns copy every pixel exactly and are checked everywhere.
    const uint32_t orders[][3] = {{16, 8, 0}, {0, 8, 16}, {24, 16, 8}, {8, 16, 24}, {0, 16, 8}};
    for (const auto& o : orders) {
        SetShifts(o[0], o[1], o[2]);
        const bool copying = o[0] == 16;
        auto place = [&o](uint32_t p) {
            return ((p >> 16) & 0xFF) << o[0] | ((p >> 8) & 0xFF) << o[1] | (p & 0xFF) << o[2];
        };
        for (uint16_t angle : {0, 256, 512, 768, 1, 100, 171, 333, 500, 700, 1000, 1023}) {
            const int step = angle % 256 == 0 && copying ? 1 : 6;
            for (bool bilinear : {false, true}) {
                SCOPED_TRACE(testing::Message() << "shifts " << o[0] << "/" << o[1] << "/" << o[2]
                                                << ", angle " << angle << (bilinear ? " bilinear" : " nearest"));
                Run(copying ? (bilinear ? RotateBilinearCopy : RotateNearestCopy)
                            : (bilinear ? RotateBilinearConvert : RotateNearestConvert),
                    angle);
                for (int dy = -127; dy <= 127; dy += step) {
                    for (int dx = -127; dx <= 127; dx += step + 1) {
                        // The converting bilinear routine weighs each channel by 1/1024.
                        const uint32_t want = copying ? Direct(angle, dx, dy, bilinear)
                                                      : place(Direct(angle, dx, dy, bilinear, 10, 10));
                        ASSERT_EQ(Out(dx, dy), want) << dx << "," << dy;
                    }
                }
            }
        }
    }
}

// At zoom 1 the back buffer is the whole screen and the field sits at its centring offset.
TEST_F(Rotation, WritesOnlyTheFieldOfAWiderScreen)
{
    SetShifts(16, 8, 0, 455);
    app.centreX = 227;
    Run(RotateNearestCopy, 0);
    EXPECT_EQ((Ints{PixelAt(dest, 99, 10), PixelAt(dest, 100, 10), PixelAt(dest, 354, 254), PixelAt(dest, 355, 10)}),
              (Ints{kUntouched, Pattern(64, 74), Pattern(318, 318), kUntouched}))
        << "nothing left or right of the field";
}

TEST_F(Rotation, ChoiceFollowsTheDisplayOrderAndInterpolation)
{
    const struct { uint32_t r, g, b; const char* interpolation; RotateFn want; } cases[] = {
        {16, 8, 0, "on", RotateBilinearCopy},    {16, 8, 0, "off", RotateNearestCopy},
        {0, 8, 16, "on", RotateBilinearConvert}, {0, 8, 16, "off", RotateNearestConvert},
        {16, 8, 0, "yes", RotateNearestCopy},    {24, 16, 8, "On", RotateNearestConvert},
    };
    for (const auto& c : cases) {
        const KV_Pair pairs[] = {{"INTERPOLATION", c.interpolation}, {nullptr, nullptr}};
        app.config = KV_Create("unused.txt", pairs);
        app.redShift = c.r;
        app.greenShift = c.g;
        app.blueShift = c.b;
        EXPECT_EQ(ChooseRotation(), c.want) << c.r << c.g << c.b << " " << c.interpolation;
        KV_Dispose(app.config);
    }
}

} // namespace
