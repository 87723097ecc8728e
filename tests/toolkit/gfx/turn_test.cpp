#include "toolkit/gfx/turn.h"

#include <gtest/gtest.h>

#include "tests/support/alloc_check.h"
#include "util/mem.h"
#include "util/tools.h"

namespace {

constexpr uint32_t kUntouched = 0x00ABCDEF;

SDL_Surface* NewSurface(int w, int h, uint32_t fill = 0)
{
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(s, nullptr, fill);
    return s;
}

uint32_t& At(SDL_Surface* s, int x, int y)
{
    return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch)[x];
}

// Every pixel its own value, so that where a sample came from can be read off.
uint32_t Code(int x, int y)
{
    return static_cast<uint32_t>(0x010000 + (x << 8) + y);
}

SDL_Surface* CodedPicture(int w, int h)
{
    SDL_Surface* s = NewSurface(w, h);
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            At(s, x, y) = Code(x, y);
        }
    }
    return s;
}

PIX_Transform Transform(SDL_Surface* source, SDL_Surface* destination, uint16_t angle, uint16_t zoom,
                        int32_t pivotX, int32_t pivotY)
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
};

TEST_F(TurnTest, NaturalSizeCopiesAroundThePivot)
{
    SDL_Surface* src = CodedPicture(8, 8);
    SDL_Surface* dst = NewSurface(8, 8, kUntouched);
    PIX_Transform t = Transform(src, dst, 0, 256, 4, 4);
    PIX_DrawTransformed(&t);
    for (int y = 0; y < 8; y++) {
        for (int x = 0; x < 8; x++) {
            EXPECT_EQ(At(dst, x, y), Code(x, y)) << x << "," << y;
        }
    }

    // The same through explicit cosine and sine, into a rectangle of its own.
    SDL_FillRect(dst, nullptr, kUntouched);
    const SDL_Rect r{2, 3, 4, 2};
    t.flags = 0;
    t.cosine = 1024;
    t.sine = 0;
    t.rect = &r;
    t.pivotX = 1;
    t.pivotY = 5;
    PIX_DrawTransformed(&t);
    EXPECT_EQ(At(dst, 2, 3), kUntouched) << "its sample lies left of the source";
    EXPECT_EQ(At(dst, 3, 3), Code(0, 4));
    EXPECT_EQ(At(dst, 4, 4), Code(1, 5));
    EXPECT_EQ(At(dst, 5, 4), Code(2, 5));
    EXPECT_EQ(At(dst, 1, 3), kUntouched) << "left of the rectangle";
    EXPECT_EQ(At(dst, 3, 5), kUntouched) << "below it";
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
}

TEST_F(TurnTest, QuarterTurnAndSamplesOffTheSource)
{
    SDL_Surface* src = CodedPicture(8, 8);
    SDL_Surface* dst = NewSurface(8, 8, kUntouched);
    PIX_Transform t = Transform(src, dst, 256, 256, 4, 4);
    PIX_DrawTransformed(&t);
    for (int x = 0; x < 8; x++) {
        EXPECT_EQ(At(dst, x, 0), kUntouched) << "row 0 samples column 8, off the source";
    }
    for (int y = 1; y < 8; y++) {
        for (int x = 0; x < 8; x++) {
            EXPECT_EQ(At(dst, x, y), Code(8 - y, x)) << x << "," << y;
        }
    }

    // A full turn is angle 0 again.
    SDL_FillRect(dst, nullptr, kUntouched);
    t.angle = 1024;
    PIX_DrawTransformed(&t);
    EXPECT_EQ(At(dst, 7, 7), Code(7, 7));
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
}

TEST_F(TurnTest, ZoomScalesAboutThePivot)
{
    SDL_Surface* src = CodedPicture(8, 8);
    SDL_Surface* dst = NewSurface(8, 8, kUntouched);
    PIX_Transform t = Transform(src, dst, 0, 512, 2, 2);
    PIX_DrawTransformed(&t);
    for (int y = 0; y < 8; y++) {
        for (int x = 0; x < 8; x++) {
            EXPECT_EQ(At(dst, x, y), Code(x / 2, y / 2)) << "2 x 2 blocks at " << x << "," << y;
        }
    }

    // Zoom 1: 65536 / 1 taken to 16 bits is 0, so everything samples the pivot.
    t.zoom = 1;
    t.pivotX = 6;
    t.pivotY = 1;
    PIX_DrawTransformed(&t);
    EXPECT_EQ(At(dst, 0, 0), Code(6, 1));
    EXPECT_EQ(At(dst, 7, 7), Code(6, 1));

    // Zoom 0 draws nothing; small zooms over a wide rectangle stay in range.
    SDL_FillRect(dst, nullptr, kUntouched);
    t.zoom = 0;
    PIX_DrawTransformed(&t);
    EXPECT_EQ(At(dst, 3, 3), kUntouched);
    SDL_Surface* wide = NewSurface(4000, 2, kUntouched);
    t = Transform(src, wide, 100, 2, 4, 4);
    PIX_DrawTransformed(&t);
    EXPECT_EQ(At(wide, 2000, 1), Code(4, 4)) << "the centre samples the pivot";
    EXPECT_EQ(At(wide, 0, 0), kUntouched) << "zi 32768 at the far left samples far off the source";
    SDL_FreeSurface(wide);
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
}

TEST_F(TurnTest, KeyedSpanAndUnsafeRequests)
{
    SDL_Surface* src = CodedPicture(4, 4);
    At(src, 1, 1) = 0x00FF00FF;
    SDL_Surface* dst = NewSurface(4, 4, kUntouched);
    PIX_Transform t = Transform(src, dst, 0, 256, 2, 2);
    t.span = PIX_SpanCopyKeyed;
    t.colourKey = 0x00FF00FF;
    PIX_DrawTransformed(&t);
    EXPECT_EQ(At(dst, 1, 1), kUntouched) << "key sample left out";
    EXPECT_EQ(At(dst, 2, 1), Code(2, 1));

    // A rectangle reaching past the destination is cut, not written beyond it.
    SDL_FillRect(dst, nullptr, kUntouched);
    const SDL_Rect past{-2, 2, 8, 6};
    t.span = PIX_SpanCopy;
    t.rect = &past;
    PIX_DrawTransformed(&t);
    EXPECT_EQ(At(dst, 0, 2), kUntouched) << "rect centre (2, 5) on the pivot: row 2 samples above the source";
    EXPECT_EQ(At(dst, 0, 3), Code(0, 0));
    EXPECT_EQ(At(dst, 3, 3), Code(3, 0));
    EXPECT_EQ(At(dst, 3, 1), kUntouched) << "above the rectangle";

    t.span = nullptr;
    SDL_FillRect(dst, nullptr, kUntouched);
    PIX_DrawTransformed(&t);
    EXPECT_EQ(At(dst, 3, 3), kUntouched) << "no span function, nothing drawn";
    PIX_DrawTransformed(nullptr);
    SDL_Surface* narrow = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 16, 0xF800, 0x07E0, 0x001F, 0);
    t = Transform(narrow, dst, 0, 256, 2, 2);
    PIX_DrawTransformed(&t);
    EXPECT_EQ(At(dst, 3, 3), kUntouched) << "a 16-bit source is refused";
    SDL_FreeSurface(narrow);
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
}

TEST_F(TurnTest, SpriteUnturnedUsesItsPicture)
{
    SDL_Surface* pic = CodedPicture(6, 4);
    ACT_Sprite* sprite = ACT_NewSprite(pic, 512);
    ASSERT_NE(sprite, nullptr);
    ASSERT_NE(sprite->work, nullptr);
    EXPECT_GE(sprite->work->w, 15) << "room for the diagonal at twice the size";
    sprite->x = 10;
    sprite->y = 10;
    SDL_Rect r{};
    ACT_GetSpriteRect(sprite, &r);
    EXPECT_EQ(r.x, 7);
    EXPECT_EQ(r.y, 8);
    EXPECT_EQ(r.w, 6);
    EXPECT_EQ(r.h, 4);
    EXPECT_EQ(sprite->current, pic);

    SDL_Surface* dst = NewSurface(20, 20, kUntouched);
    EXPECT_EQ(ACT_DrawSprite(sprite, dst), 0);
    EXPECT_EQ(At(dst, 7, 8), Code(0, 0));
    EXPECT_EQ(At(dst, 12, 11), Code(5, 3));
    EXPECT_EQ(At(dst, 13, 11), kUntouched);

    // Back to angle 0 and zoom 256 after a render: drawn from the picture again.
    sprite->zoom = 512;
    ACT_GetSpriteRect(sprite, &r);
    EXPECT_EQ(sprite->current, sprite->work);
    sprite->zoom = 256;
    ACT_GetSpriteRect(sprite, &r);
    EXPECT_EQ(sprite->current, pic);
    EXPECT_EQ(r.w, 6);

    sprite->alpha = 128;
    EXPECT_EQ(ACT_DrawSprite(sprite, dst), 0);
    EXPECT_NE(pic->flags & SDL_SRCALPHA, 0u);
    EXPECT_EQ(pic->format->alpha, 128);

    EXPECT_LT(ACT_DrawSprite(sprite, nullptr), 0);
    EXPECT_LT(ACT_DrawSprite(nullptr, dst), 0);
    ACT_FreeSprite(sprite);
    ACT_FreeSprite(nullptr);
    SDL_FreeSurface(dst);
    SDL_FreeSurface(pic);
}

TEST_F(TurnTest, SpriteRendersTurnedAndScaledOnlyOnChange)
{
    SDL_Surface* pic = CodedPicture(6, 4);
    SDL_SetColorKey(pic, SDL_SRCCOLORKEY, 0x00FF00FF);
    ACT_Sprite* sprite = ACT_NewSprite(pic, 512);
    ASSERT_NE(sprite, nullptr);
    sprite->x = 20;
    sprite->y = 20;

    sprite->zoom = 512;
    SDL_Rect r{};
    ACT_GetSpriteRect(sprite, &r);
    EXPECT_EQ(r.w, 12);
    EXPECT_EQ(r.h, 8);
    EXPECT_EQ(r.x, 14);
    EXPECT_EQ(r.y, 16);
    const SDL_Rect box = sprite->source;
    for (int j = 0; j < 8; j++) {
        for (int i = 0; i < 12; i++) {
            EXPECT_EQ(At(sprite->work, box.x + i, box.y + j), Code(i / 2, j / 2)) << i << "," << j;
        }
    }

    // Nothing changed: the work surface is blitted as it stands, not rendered again.
    At(sprite->work, box.x, box.y) = 0x00123456;
    SDL_Surface* dst = NewSurface(40, 40, kUntouched);
    EXPECT_EQ(ACT_DrawSprite(sprite, dst), 0);
    EXPECT_EQ(At(dst, 14, 16), 0x00123456u);
    EXPECT_EQ(At(dst, 25, 23), Code(5, 3));

    // A quarter turn: the picture's top-right corner comes to the top left.
    sprite->zoom = 256;
    sprite->angle = 256;
    ACT_GetSpriteRect(sprite, &r);
    EXPECT_EQ(r.w, 4);
    EXPECT_EQ(r.h, 6);
    const SDL_Rect turned = sprite->source;
    for (int j = 0; j < 6; j++) {
        for (int i = 0; i < 4; i++) {
            EXPECT_EQ(At(sprite->work, turned.x + i, turned.y + j), Code(5 - j, i)) << i << "," << j;
        }
    }
    EXPECT_EQ(r.x, turned.x + 20 - sprite->hotX);
    EXPECT_EQ(r.y, turned.y + 20 - sprite->hotY);

    // An eighth of a turn: the corners of the bounding box stay the colour key.
    sprite->angle = 128;
    ACT_GetSpriteRect(sprite, &r);
    const SDL_Rect slanted = sprite->source;
    EXPECT_EQ(At(sprite->work, slanted.x, slanted.y), 0x00FF00FFu);
    EXPECT_EQ(At(sprite->work, sprite->hotX, sprite->hotY) & 0xFF0000, 0x010000u) << "picture at the centre";
    SDL_FillRect(dst, nullptr, kUntouched);
    EXPECT_EQ(ACT_DrawSprite(sprite, dst), 0);
    EXPECT_EQ(At(dst, r.x, r.y), kUntouched) << "key corners are transparent";

    ACT_FreeSprite(sprite);
    SDL_FreeSurface(dst);
    SDL_FreeSurface(pic);
}

TEST_F(TurnTest, SpriteCreationFailsCleanly)
{
    SDL_Surface* pic = CodedPicture(64, 64);
    CheckEachAllocationFailure([&] {
        ACT_Sprite* sprite = ACT_NewSprite(pic, 256);
        ACT_FreeSprite(sprite);
        return sprite != nullptr;
    });
    EXPECT_EQ(ACT_NewSprite(pic, 0), nullptr);
    EXPECT_EQ(ACT_NewSprite(nullptr, 256), nullptr);
    EXPECT_EQ(ACT_NewSprite(pic, 65535), nullptr) << "a work surface beyond the largest picture";
    SDL_FreeSurface(pic);
}

}  // namespace
