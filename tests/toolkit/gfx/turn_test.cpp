#include "toolkit/gfx/turn.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/support/alloc_check.h"
#include "tests/support/surface_util.h"
#include "util/tools.h"

namespace {

constexpr uint32_t kUntouched = 0x00ABCDEF;
constexpr uint32_t kKey = 0x00FF00FF;

// Every pixel its own value, so that where a sample came from can be read off.
uint32_t Code(int x, int y)
{
    return static_cast<uint32_t>(0x010000 + (x << 8) + y);
}

SDL_Surface* CodedPicture(int w, int h)
{
    SDL_Surface* s = NewSurface32(w, h);
    FillFrom(s, Code);
    return s;
}

// The first pixel of the w x h block at (x0, y0) that differs from want(i, j), or "".
std::string Mismatch(SDL_Surface* s, int x0, int y0, int w, int h, const std::function<uint32_t(int, int)>& want)
{
    for (int j = 0; j < h; j++) {
        for (int i = 0; i < w; i++) {
            if (PixelAt(s, x0 + i, y0 + j) != want(i, j)) {
                return std::to_string(i) + "," + std::to_string(j);
            }
        }
    }
    return "";
}

PIX_Transform Transform(SDL_Surface* source, SDL_Surface* destination, uint16_t angle, uint16_t zoom, int32_t pivotX,
                        int32_t pivotY)
{
    PIX_Transform t{};
    t.source = source;
    t.destination = destination;
    t.span = PIX_SpanCopy;
    t.pivotX = pivotX;
    t.pivotY = pivotY;
    t.angle = angle;
    t.zoom = zoom;
    t.flags = PIX_TRANSFORM_TABLES;
    return t;
}

class TurnTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { AUX_InitTrigTables(); }
    void SetUp() override
    {
        src_ = CodedPicture(8, 8);
        dst_ = NewSurface32(8, 8, kUntouched);
    }
    void TearDown() override
    {
        SDL_FreeSurface(src_);
        SDL_FreeSurface(dst_);
    }
    // Clears the destination and draws.
    void Draw(const PIX_Transform& t)
    {
        SDL_FillRect(t.destination, nullptr, kUntouched);
        PIX_DrawTransformed(&t);
    }
    SDL_Surface* src_ = nullptr;
    SDL_Surface* dst_ = nullptr;
};

TEST_F(TurnTest, AngleZeroQuarterAndFullTurns)
{
    PIX_Transform t = Transform(src_, dst_, 0, 256, 4, 4);
    Draw(t);
    EXPECT_EQ(Mismatch(dst_, 0, 0, 8, 8, Code), "") << "natural size copies around the pivot";

    t.angle = 256;
    Draw(t);
    EXPECT_EQ(Mismatch(dst_, 0, 0, 8, 1, [](int, int) { return kUntouched; }), "")
        << "row 0 samples column 8, off the source";
    EXPECT_EQ(Mismatch(dst_, 0, 1, 8, 7, [](int i, int j) { return Code(7 - j, i); }), "") << "a quarter turn";
    t.angle = 1024;
    Draw(t);
    EXPECT_EQ(Mismatch(dst_, 0, 0, 8, 8, Code), "") << "a full turn is angle 0 again";

    // Explicit cosine and sine, into a rectangle of its own.
    const SDL_Rect r{2, 3, 4, 2};
    t.flags = 0;
    t.cosine = 1024;
    t.sine = 0;
    t.rect = &r;
    t.pivotX = 1;
    t.pivotY = 5;
    Draw(t);
    EXPECT_EQ(PixelAt(dst_, 2, 3), kUntouched) << "its sample lies left of the source";
    EXPECT_EQ(Mismatch(dst_, 3, 3, 3, 2, [](int i, int j) { return Code(i, j + 4); }), "");
    EXPECT_EQ(PixelAt(dst_, 1, 3), kUntouched) << "left of the rectangle";
    EXPECT_EQ(PixelAt(dst_, 3, 5), kUntouched) << "below it";
}

TEST_F(TurnTest, ZoomScalesAboutThePivot)
{
    PIX_Transform t = Transform(src_, dst_, 0, 512, 2, 2);
    Draw(t);
    EXPECT_EQ(Mismatch(dst_, 0, 0, 8, 8, [](int i, int j) { return Code(i / 2, j / 2); }), "") << "2 x 2 blocks";

    // Zoom 1: 65536 / 1 taken to 16 bits is 0, so everything samples the pivot.
    t.zoom = 1;
    t.pivotX = 6;
    t.pivotY = 1;
    Draw(t);
    EXPECT_EQ(Mismatch(dst_, 0, 0, 8, 8, [](int, int) { return Code(6, 1); }), "");
    t.zoom = 0;
    Draw(t);
    EXPECT_EQ(PixelAt(dst_, 3, 3), kUntouched) << "zoom 0 draws nothing";

    SDL_Surface* wide = NewSurface32(4000, 2, kUntouched);
    t = Transform(src_, wide, 100, 2, 4, 4);
    PIX_DrawTransformed(&t);
    EXPECT_EQ(PixelAt(wide, 2000, 1), Code(4, 4)) << "the centre samples the pivot";
    EXPECT_EQ(PixelAt(wide, 0, 0), kUntouched) << "zi 32768 at the far left samples far off the source";
    SDL_FreeSurface(wide);
}

TEST_F(TurnTest, KeyedSpanAndUnsafeRequests)
{
    PixelAt(src_, 1, 1) = kKey;
    PIX_Transform t = Transform(src_, dst_, 0, 256, 4, 4);
    t.span = PIX_SpanCopyKeyed;
    t.colourKey = kKey;
    Draw(t);
    EXPECT_EQ(PixelAt(dst_, 1, 1), kUntouched) << "key sample left out";
    EXPECT_EQ(PixelAt(dst_, 2, 1), Code(2, 1));

    // A rectangle reaching past the destination on every side is cut, not written beyond it;
    // its centre (4, 7) is on the pivot (4, 4).
    PixelAt(src_, 1, 1) = Code(1, 1);
    GuardedSurface guarded(8, 8, kRedMask, kGreenMask, kBlueMask, 0);
    const SDL_Rect past{-2, 2, 12, 10};
    t = Transform(src_, guarded.get(), 0, 256, 4, 4);
    t.rect = &past;
    Draw(t);
    EXPECT_TRUE(guarded.GuardsIntact());
    EXPECT_EQ(Mismatch(guarded.get(), 0, 0, 8, 3, [](int, int) { return kUntouched; }), "")
        << "above the rectangle, and its first row samples above the source";
    EXPECT_EQ(Mismatch(guarded.get(), 0, 3, 8, 5, Code), "") << "inside, cut at the edges";

    t.span = nullptr;
    Draw(t);
    EXPECT_EQ(PixelAt(guarded.get(), 3, 3), kUntouched) << "no span function, nothing drawn";
    PIX_DrawTransformed(nullptr);
    SDL_Surface* narrow = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 16, 0xF800, 0x07E0, 0x001F, 0);
    Draw(Transform(narrow, dst_, 0, 256, 2, 2));
    EXPECT_EQ(PixelAt(dst_, 3, 3), kUntouched) << "a 16-bit source is refused";
    SDL_FreeSurface(narrow);
}

TEST_F(TurnTest, SpriteRendersTurnedAndScaledOnlyOnChange)
{
    SDL_Surface* pic = CodedPicture(6, 4);
    SDL_SetColorKey(pic, SDL_SRCCOLORKEY, kKey);
    ACT_Sprite* sprite = ACT_NewSprite(pic, 512);
    ASSERT_NE(sprite, nullptr);
    ASSERT_NE(sprite->work, nullptr);
    EXPECT_GE(sprite->work->w, 15) << "room for the diagonal at twice the size";
    sprite->x = 20;
    sprite->y = 20;
    SDL_Rect r{};
    ACT_GetSpriteRect(sprite, &r);
    EXPECT_EQ(RectText(r), "17,18 6x4");
    EXPECT_EQ(sprite->current, pic) << "unturned at natural size: the picture itself";
    SDL_Surface* dst = NewSurface32(40, 40, kUntouched);
    EXPECT_EQ(ACT_DrawSprite(sprite, dst), 0);
    EXPECT_EQ(Mismatch(dst, 17, 18, 6, 4, Code), "");
    EXPECT_EQ(PixelAt(dst, 23, 21), kUntouched);

    sprite->zoom = 512;
    ACT_GetSpriteRect(sprite, &r);
    EXPECT_EQ(RectText(r), "14,16 12x8");
    const SDL_Rect box = sprite->source;
    EXPECT_EQ(Mismatch(sprite->work, box.x, box.y, 12, 8, [](int i, int j) { return Code(i / 2, j / 2); }), "");

    // Nothing changed: the work surface is blitted as it stands, not rendered again.
    PixelAt(sprite->work, box.x, box.y) = 0x00123456;
    ACT_GetSpriteRect(sprite, &r);
    EXPECT_EQ(ACT_DrawSprite(sprite, dst), 0);
    EXPECT_EQ(PixelAt(dst, 14, 16), 0x00123456u);
    EXPECT_EQ(PixelAt(dst, 25, 23), Code(5, 3));

    // A quarter turn: the picture's top-right corner comes to the top left.
    sprite->zoom = 256;
    sprite->angle = 256;
    ACT_GetSpriteRect(sprite, &r);
    const SDL_Rect turned = sprite->source;
    EXPECT_EQ(RectText(r), RectText(SDL_Rect{static_cast<int16_t>(turned.x + 20 - sprite->hotX),
                                             static_cast<int16_t>(turned.y + 20 - sprite->hotY), 4, 6}));
    EXPECT_EQ(Mismatch(sprite->work, turned.x, turned.y, 4, 6, [](int i, int j) { return Code(5 - j, i); }), "");

    // An eighth of a turn: the corners of the bounding box stay the colour key.
    sprite->angle = 128;
    ACT_GetSpriteRect(sprite, &r);
    EXPECT_EQ(PixelAt(sprite->work, sprite->source.x, sprite->source.y), kKey);
    EXPECT_EQ(PixelAt(sprite->work, sprite->hotX, sprite->hotY) & 0xFF0000, 0x010000u) << "picture at the centre";
    SDL_FillRect(dst, nullptr, kUntouched);
    EXPECT_EQ(ACT_DrawSprite(sprite, dst), 0);
    EXPECT_EQ(PixelAt(dst, r.x, r.y), kUntouched) << "key corners are transparent";

    // Back to angle 0 and zoom 256: drawn from the picture again, with the sprite's alpha.
    sprite->angle = 0;
    sprite->alpha = 128;
    ACT_GetSpriteRect(sprite, &r);
    EXPECT_EQ(sprite->current, pic);
    EXPECT_EQ(RectText(r), "17,18 6x4");
    EXPECT_EQ(ACT_DrawSprite(sprite, dst), 0);
    EXPECT_NE(pic->flags & SDL_SRCALPHA, 0u);
    EXPECT_EQ(pic->format->alpha, 128);
    EXPECT_LT(ACT_DrawSprite(sprite, nullptr), 0);
    EXPECT_LT(ACT_DrawSprite(nullptr, dst), 0);
    ACT_FreeSprite(sprite);
    SDL_FreeSurface(dst);
    SDL_FreeSurface(pic);
}

TEST_F(TurnTest, SpriteCreationFailsCleanlyAndZoomZeroShowsNothing)
{
    SDL_Surface* pic = CodedPicture(64, 64);
    CheckEachAllocationFailure([&] {
        ACT_Sprite* sprite = ACT_NewSprite(pic, 256);
        ACT_FreeSprite(sprite);
        return sprite != nullptr;
    });
    ACT_Sprite* gone = ACT_NewSprite(pic, 256);
    ASSERT_NE(gone, nullptr);
    gone->zoom = 0;
    SDL_Rect r{};
    ACT_GetSpriteRect(gone, &r);
    EXPECT_EQ(r.w * r.h, 0) << "a sprite shrunk to nothing before its first draw covers nothing";
    ACT_FreeSprite(gone);
    EXPECT_EQ(ACT_NewSprite(pic, 0), nullptr);
    EXPECT_EQ(ACT_NewSprite(nullptr, 256), nullptr);
    EXPECT_EQ(ACT_NewSprite(pic, 65535), nullptr) << "a work surface beyond the largest picture";
    SDL_FreeSurface(pic);
}

}  // namespace
