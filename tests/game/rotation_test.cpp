#include "game/rotation.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <set>

#include "shell/app.h"
#include "util/kv.h"
#include "util/tools.h"

namespace {

constexpr uint32_t R = 0x00FF0000, G = 0x0000FF00, B = 0x000000FF, A = 0xFF000000;

uint32_t* PixelAt(SDL_Surface* s, int x, int y)
{
    return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch) + x;
}

// Every source pixel differs, so a mapping test can tell exactly where each one came from;
// the alpha byte is set too, to see which routines pass it on.
uint32_t Pattern(int x, int y)
{
    return A | static_cast<uint32_t>(y * ROTATION_SOURCE_SIZE + x) * 97u % 0xFFFFFFu;
}

class Rotation : public ::testing::Test {
protected:
    void SetUp() override
    {
        AUX_InitTrigTables();
        source = SDL_CreateRGBSurface(0, ROTATION_SOURCE_SIZE, ROTATION_SOURCE_SIZE, 32, R, G, B, A);
        ASSERT_NE(source, nullptr);
        for (int y = 0; y < source->h; y++) {
            for (int x = 0; x < source->w; x++) {
                *PixelAt(source, x, y) = Pattern(x, y);
            }
        }
        saved = app;
        app.backBufferX = 0;
        app.centreX = 127;
        app.redShift = 16;
        app.greenShift = 8;
        app.blueShift = 0;
        MakeDestination(PICTURE_SIZE, R, G, B);
    }
    void TearDown() override
    {
        SDL_FreeSurface(source);
        SDL_FreeSurface(dest);
        app = saved;
    }
    void MakeDestination(int width, uint32_t r, uint32_t g, uint32_t b)
    {
        SDL_FreeSurface(dest);
        dest = SDL_CreateRGBSurface(0, width, PICTURE_SIZE, 32, r, g, b, 0);
        ASSERT_NE(dest, nullptr);
        SDL_FillRect(dest, nullptr, 0x5A5A5A5A);
    }
    RotationJob Job(uint16_t angle) { return RotationJob{source, dest, 191, 191, angle}; }
    uint32_t Out(int dx, int dy) { return *PixelAt(dest, static_cast<int>(app.centreX) + dx, 127 + dy); }

    SDL_Surface* source = nullptr;
    SDL_Surface* dest = nullptr;
    App saved{};
};

// What a routine must produce for one field pixel, computed directly from the products
// rather than by stepping, so that a slip in the stepping shows.
struct Expected {
    int32_t col, row;
    uint32_t fx, fy;
};
Expected Direct(uint16_t angle, int dx, int dy)
{
    const int32_t s = AUX_Sine[angle], c = AUX_Cosine[angle];
    const int32_t u = c * dx - s * dy, v = s * dx + c * dy;
    return {191 + (u >> 10), 191 + (v >> 10), static_cast<uint32_t>(u & 1023),
            static_cast<uint32_t>(v & 1023)};
}

TEST_F(Rotation, AtAngleZeroTheNearestRoutineCopiesTheCentreExactly)
{
    const RotationJob job = Job(0);
    RotateNearestCopy(&job);
    for (int y = 0; y < PICTURE_SIZE; y++) {
        for (int x = 0; x < PICTURE_SIZE; x++) {
            ASSERT_EQ(*PixelAt(dest, x, y), Pattern(64 + x, 64 + y)) << x << "," << y;
        }
    }
}

TEST_F(Rotation, AtAngleZeroTheBilinearRoutineGivesTheCentreWithoutAlpha)
{
    const RotationJob job = Job(0);
    RotateBilinearCopy(&job);
    for (int y = 0; y < PICTURE_SIZE; y++) {
        for (int x = 0; x < PICTURE_SIZE; x++) {
            ASSERT_EQ(*PixelAt(dest, x, y), Pattern(64 + x, 64 + y) & 0xFFFFFF) << x << "," << y;
        }
    }
}

TEST_F(Rotation, QuarterTurnsAreExactPermutations)
{
    struct Turn {
        uint16_t angle;
        int (*col)(int dx, int dy);
        int (*row)(int dx, int dy);
    };
    const Turn turns[] = {
        {256, [](int, int dy) { return 191 - dy; }, [](int dx, int) { return 191 + dx; }},
        {512, [](int dx, int) { return 191 - dx; }, [](int, int dy) { return 191 - dy; }},
        {768, [](int, int dy) { return 191 + dy; }, [](int dx, int) { return 191 - dx; }},
    };
    for (const Turn& turn : turns) {
        for (RotateFn routine : {RotateNearestCopy, RotateBilinearCopy}) {
            const RotationJob job = Job(turn.angle);
            routine(&job);
            std::set<uint32_t> seen;
            for (int dy = -127; dy <= 127; dy++) {
                for (int dx = -127; dx <= 127; dx++) {
                    const uint32_t want = Pattern(turn.col(dx, dy), turn.row(dx, dy)) & 0xFFFFFF;
                    ASSERT_EQ(Out(dx, dy) & 0xFFFFFF, want)
                        << "angle " << turn.angle << " at " << dx << "," << dy;
                    seen.insert(Out(dx, dy));
                }
            }
            EXPECT_EQ(seen.size(), 255u * 255u) << "every field pixel from its own source pixel";
        }
    }
}

TEST_F(Rotation, EveryAngleMatchesTheDirectArithmetic)
{
    for (uint16_t angle : {1, 100, 171, 333, 500, 700, 1000, 1023}) {
        const RotationJob job = Job(angle);
        RotateNearestCopy(&job);
        for (int dy = -127; dy <= 127; dy += 7) {
            for (int dx = -127; dx <= 127; dx += 5) {
                const Expected e = Direct(angle, dx, dy);
                ASSERT_EQ(Out(dx, dy), Pattern(e.col, e.row)) << angle << ": " << dx << "," << dy;
            }
        }
        RotateBilinearCopy(&job);
        for (int dy = -127; dy <= 127; dy += 7) {
            for (int dx = -127; dx <= 127; dx += 5) {
                const Expected e = Direct(angle, dx, dy);
                const uint32_t p[4] = {Pattern(e.col, e.row), Pattern(e.col + 1, e.row),
                                       Pattern(e.col, e.row + 1), Pattern(e.col + 1, e.row + 1)};
                const uint32_t w[4] = {((1024 - e.fy) * (1024 - e.fx)) >> 12,
                                       ((1024 - e.fy) * e.fx) >> 12, (e.fy * (1024 - e.fx)) >> 12,
                                       (e.fy * e.fx) >> 12};
                uint32_t want = 0;
                for (uint32_t shift : {0u, 8u, 16u}) {
                    uint32_t sum = 0;
                    for (int i = 0; i < 4; i++) {
                        sum += ((p[i] >> shift) & 0xFF) * w[i];
                    }
                    want |= ((sum >> 8) & 0xFF) << shift;
                }
                ASSERT_EQ(Out(dx, dy), want) << angle << ": " << dx << "," << dy;
            }
        }
    }
}

TEST_F(Rotation, ConvertingRoutinesPlaceChannelsByTheDisplayShifts)
{
    struct Order {
        uint32_t red, green, blue;
    };
    // Blue-green-red, two orders with a byte below the colour, and one with the shifts out of
    // the usual byte order.
    const Order orders[] = {{0, 8, 16}, {24, 16, 8}, {8, 16, 24}, {0, 16, 8}};
    for (const Order& o : orders) {
        MakeDestination(PICTURE_SIZE, 0xFFu << o.red, 0xFFu << o.green, 0xFFu << o.blue);
        app.redShift = o.red;
        app.greenShift = o.green;
        app.blueShift = o.blue;
        auto place = [&o](uint32_t p) {
            return (p & 0xFF) << o.blue | ((p >> 8) & 0xFF) << o.green | ((p >> 16) & 0xFF) << o.red;
        };
        for (RotateFn routine : {RotateNearestConvert, RotateBilinearConvert}) {
            const RotationJob job = Job(0);
            routine(&job);
            for (int y = 0; y < PICTURE_SIZE; y += 3) {
                for (int x = 0; x < PICTURE_SIZE; x += 3) {
                    ASSERT_EQ(*PixelAt(dest, x, y), place(Pattern(64 + x, 64 + y)))
                        << "shifts " << o.red << "/" << o.green << "/" << o.blue << " at " << x << "," << y;
                }
            }
        }
        // Off the quarter turns the converting bilinear routine weighs each channel by 1/1024.
        const uint16_t angle = 300;
        const RotationJob job = Job(angle);
        RotateBilinearConvert(&job);
        for (int d = -127; d <= 127; d += 11) {
            const Expected e = Direct(angle, d, -d);
            const uint32_t p[4] = {Pattern(e.col, e.row), Pattern(e.col + 1, e.row),
                                   Pattern(e.col + 1, e.row + 1), Pattern(e.col, e.row + 1)};
            const uint32_t w[4] = {((1024 - e.fx) * (1024 - e.fy)) >> 10, ((1024 - e.fy) * e.fx) >> 10,
                                   (e.fy * e.fx) >> 10, ((1024 - e.fx) * e.fy) >> 10};
            uint32_t rgb = 0;
            for (int ch = 0; ch < 3; ch++) {
                uint32_t sum = 0;
                for (int i = 0; i < 4; i++) {
                    sum += ((p[i] >> (8 * ch)) & 0xFF) * w[i];
                }
                rgb |= (sum >> 10) << (8 * ch);
            }
            EXPECT_EQ(Out(d, -d), place(rgb)) << o.red << "/" << o.green << "/" << o.blue << " at " << d;
        }
    }
}

TEST_F(Rotation, OnlyTheFieldColumnsOfAWideScreenAreWritten)
{
    // At zoom 1 the back buffer is the screen and the field sits at its centring offset.
    MakeDestination(455, R, G, B);
    app.backBufferX = 100;
    app.centreX = 227;
    const RotationJob job = Job(0);
    RotateNearestCopy(&job);
    EXPECT_EQ(*PixelAt(dest, 99, 10), 0x5A5A5A5Au) << "left of the field";
    EXPECT_EQ(*PixelAt(dest, 355, 10), 0x5A5A5A5Au) << "right of the field";
    EXPECT_EQ(*PixelAt(dest, 100, 10), Pattern(64, 74));
    EXPECT_EQ(*PixelAt(dest, 354, 254), Pattern(318, 318));
}

TEST_F(Rotation, SurfacesTooSmallForTheJobAreLeftAlone)
{
    SDL_Surface* small = SDL_CreateRGBSurface(0, 300, 300, 32, R, G, B, A);
    ASSERT_NE(small, nullptr);
    RotationJob job = Job(100);
    job.source = small;
    for (RotateFn routine : {RotateNearestCopy, RotateNearestConvert, RotateBilinearCopy,
                             RotateBilinearConvert}) {
        routine(&job);
    }
    SDL_FreeSurface(small);
    job = Job(0);
    app.centreX = 200; // the field would reach past the destination's right edge
    RotateNearestCopy(&job);
    RotateNearestCopy(nullptr);
    for (int y = 0; y < PICTURE_SIZE; y += 17) {
        for (int x = 0; x < PICTURE_SIZE; x += 17) {
            ASSERT_EQ(*PixelAt(dest, x, y), 0x5A5A5A5Au) << x << "," << y;
        }
    }
}

TEST(ChooseRotation, PicksByDisplayOrderAndInterpolation)
{
    const App saved = app;
    struct Case {
        uint32_t r, g, b;
        const char* interpolation;
        RotateFn want;
    };
    const Case cases[] = {
        {16, 8, 0, "on", RotateBilinearCopy},     {16, 8, 0, "off", RotateNearestCopy},
        {0, 8, 16, "on", RotateBilinearConvert},  {0, 8, 16, "off", RotateNearestConvert},
        {16, 8, 0, "yes", RotateNearestCopy},     {24, 16, 8, "On", RotateNearestConvert},
    };
    for (const Case& c : cases) {
        const KV_Pair pairs[] = {{"INTERPOLATION", c.interpolation}, {nullptr, nullptr}};
        app.config = KV_Create("unused.txt", pairs);
        ASSERT_NE(app.config, nullptr);
        app.redShift = c.r;
        app.greenShift = c.g;
        app.blueShift = c.b;
        EXPECT_EQ(ChooseRotation(), c.want) << c.r << c.g << c.b << " " << c.interpolation;
        KV_Dispose(app.config);
    }
    app = saved;
}

} // namespace
