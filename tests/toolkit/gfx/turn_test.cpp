#include "toolkit/gfx/turn.h"

#include <gtest/gtest.h>

#include "tests/support/alloc_check.h"
#include "tests/support/surface_util.h"
#include "util/tools.h"

namespace {

constexpr uint32_t kUntouched = 0x00ABCDEF, kKey = 0x00FF00FF;

// Every pixel its own value, so that where a sample came from can be read off.
uint32_t Code(int x, int y)
{
    return static_cast<uint32_t>(0x010000 + (x << 8) + y);
}

}  // namespace

TEST(Turn, DrawnPicturesTurnAroundThePivotAndStayInsideTheirRectangle)
{
    AUX_InitTrigTables();
    SDL_Surface* src = NewSurface32(8, 8);
    FillFrom(src, Code);
    PixelAt(src, 5, 4) = kKey;
    GuardedSurface dst(8, 8, kRedMask, kGreenMask, kBlueMask, 0);
    const SDL_Rect past{-2, 2, 12, 10};
    PIX_Transform t{src, dst.get(), PIX_SpanCopyKeyed, kKey, &past, 4, 4, 0, 0, 256, 256,
                    PIX_TRANSFORM_TABLES};
    dst.Fill(kUntouched);
    PIX_DrawTransformed(&t);
    EXPECT_TRUE(dst.GuardsIntact()) << "a rectangle past every side is cut";
    EXPECT_EQ(dst.Px(0, 2), kUntouched) << "the row above the rectangle";
    EXPECT_EQ(dst.Px(0, 3), kUntouched) << "its first row samples column 8, off the source";
    EXPECT_EQ(dst.Px(2, 4), Code(7, 2)) << "a quarter turn: source (7, 2) comes to (2, 4)";
    EXPECT_TRUE(dst.Px(4, 6) == kUntouched && dst.Px(3, 6) == Code(5, 3))
        << "the keyed span leaves the key out";
    const SDL_Rect inside{2, 3, 4, 2};
    t = PIX_Transform{src, dst.get(), PIX_SpanCopy, kKey, &inside, 1, 5, 1024, 0, 0, 256, 0};
    dst.Fill(kUntouched);
    PIX_DrawTransformed(&t);
    EXPECT_TRUE(dst.Px(2, 3) == kUntouched && dst.Px(3, 3) == Code(0, 4) && dst.Px(5, 4) == Code(2, 5) &&
                dst.Px(6, 3) == kUntouched)
        << "unturned with a given cosine: columns in order, none past the rectangle, the first off the source";
    PIX_DrawTransformed(nullptr);
    SDL_FreeSurface(src);
}

TEST(Turn, SpriteRendersTurnedOnlyOnChange)
{
    AUX_InitTrigTables();
    SDL_Surface* pic = NewSurface32(6, 4);
    FillFrom(pic, Code);
    SDL_SetColorKey(pic, SDL_SRCCOLORKEY, kKey);
    ACT_Sprite* sprite = ACT_NewSprite(pic, 512);
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->work->w, 17) << "room for the diagonal at twice the size";
    sprite->x = 20;
    sprite->y = 20;
    SDL_Rect r{};
    ACT_GetSpriteRect(sprite, &r);
    EXPECT_EQ(RectText(r), "17,18 6x4") << "unturned at natural size: the picture itself";
    EXPECT_EQ(sprite->current, pic);
    sprite->angle = 256;
    ACT_GetSpriteRect(sprite, &r);
    EXPECT_EQ(RectText(r) + " from " + RectText(sprite->source), "18,17 4x6 from 6,5 4x6")
        << "a quarter turn";
    EXPECT_TRUE(sprite->current == sprite->work && PixelAt(sprite->work, 6, 5) == Code(5, 0))
        << "the top-right corner comes to the top left";
    // Nothing changed: the work surface is blitted as it stands, not rendered again.
    PixelAt(sprite->work, 6, 5) = 0x00123456;
    SDL_Surface* dst = NewSurface32(40, 40, kUntouched);
    EXPECT_EQ(ACT_DrawSprite(sprite, dst), 0);
    EXPECT_EQ(PixelAt(dst, 18, 17), 0x00123456u);
    sprite->angle = 0;
    sprite->zoom = 512;
    ACT_GetSpriteRect(sprite, &r);
    EXPECT_EQ(RectText(r), "14,16 12x8") << "twice the size, unturned";
    ACT_FreeSprite(sprite);
    SDL_FreeSurface(dst);
    CheckEachAllocationFailure([&] {
        ACT_Sprite* made = ACT_NewSprite(pic, 256);
        ACT_FreeSprite(made);
        return made != nullptr;
    });
    EXPECT_TRUE(ACT_NewSprite(pic, 0) == nullptr && ACT_NewSprite(nullptr, 256) == nullptr);
    SDL_FreeSurface(pic);
    pic = NewSurface32(1, 4);
    SDL_SetColorKey(pic, SDL_SRCCOLORKEY, kKey);
    sprite = ACT_NewSprite(pic, 256);
    EXPECT_NE(sprite, nullptr) << "a picture one pixel wide makes a sprite too";
    ACT_FreeSprite(sprite);
    SDL_FreeSurface(pic);
}
