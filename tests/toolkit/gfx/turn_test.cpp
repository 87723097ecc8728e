#include "toolkit/gfx/turn.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

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

}  // namespace

TEST(Turn, DrawnPicturesTurnScaleAndStayInsideTheirRectangle)
{
    AUX_InitTrigTables();
    SDL_Surface* src = NewSurface32(8, 8);
    FillFrom(src, Code);
    PixelAt(src, 1, 1) = kKey;
    auto code = [](int i, int j) { return i == 1 && j == 1 ? kKey : Code(i, j); };
    GuardedSurface dst(8, 8, kRedMask, kGreenMask, kBlueMask, 0);
    const SDL_Rect past{-2, 2, 12, 10};
    const struct {
        const char* what;
        uint16_t angle, zoom;
        int32_t pivot;  // the source point drawn at the rectangle's centre, on both axes
        const SDL_Rect* rect;
        PIX_SpanFn span;
        std::function<uint32_t(int, int)> want;
    } cases[] = {
        {"a quarter turn; row 0 samples column 8, off the source", 256, 256, 4, nullptr, PIX_SpanCopy,
         [&](int i, int j) { return j == 0 ? kUntouched : code(8 - j, i); }},
        {"twice the size: 2 x 2 blocks", 0, 512, 2, nullptr, PIX_SpanCopy,
         [&](int i, int j) { return code(i / 2, j / 2); }},
        {"the keyed span leaves the key out", 0, 256, 4, nullptr, PIX_SpanCopyKeyed,
         [&](int i, int j) { return i == 1 && j == 1 ? kUntouched : Code(i, j); }},
        {"a rectangle past every side is cut; its first row samples above the source", 0, 256, 4, &past,
         PIX_SpanCopy, [&](int i, int j) { return j < 3 ? kUntouched : code(i, j - 3); }},
    };
    for (const auto& c : cases) {
        PIX_Transform t{src, dst.get(), c.span, kKey, c.rect, c.pivot, c.pivot, 0, 0, c.angle, c.zoom, PIX_TRANSFORM_TABLES};
        dst.Fill(kUntouched);
        PIX_DrawTransformed(&t);
        EXPECT_EQ(Mismatch(dst.get(), 0, 0, 8, 8, c.want), "") << c.what;
        EXPECT_TRUE(dst.GuardsIntact()) << c.what;
    }
    PIX_DrawTransformed(nullptr);
    SDL_FreeSurface(src);
}

TEST(Turn, SpriteRendersTurnedAndScaledOnlyOnChange)
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
    SDL_Surface* dst = NewSurface32(40, 40, kUntouched);
    auto area = [&] {
        SDL_Rect r{};
        ACT_GetSpriteRect(sprite, &r);
        return RectText(r) + " from " + RectText(sprite->source);
    };
    EXPECT_EQ(area(), "17,18 6x4 from 0,0 6x4") << "unturned at natural size: the picture itself";
    EXPECT_EQ(sprite->current, pic);
    sprite->angle = 256;
    EXPECT_EQ(area(), "18,17 4x6 from 6,5 4x6") << "a quarter turn";
    EXPECT_EQ(sprite->current, sprite->work);
    EXPECT_EQ(Mismatch(sprite->work, 6, 5, 4, 6, [](int i, int j) { return Code(5 - j, i); }), "")
        << "the top-right corner comes to the top left";
    // Nothing changed: the work surface is blitted as it stands, not rendered again.
    PixelAt(sprite->work, 6, 5) = 0x00123456;
    EXPECT_EQ(ACT_DrawSprite(sprite, dst), 0);
    EXPECT_EQ(PixelAt(dst, 18, 17), 0x00123456u);
    EXPECT_TRUE(ACT_DrawSprite(sprite, nullptr) < 0 && ACT_DrawSprite(nullptr, dst) < 0);
    ACT_FreeSprite(sprite);
    SDL_FreeSurface(dst);

    CheckEachAllocationFailure([&] {
        ACT_Sprite* made = ACT_NewSprite(pic, 256);
        ACT_FreeSprite(made);
        return made != nullptr;
    });
    EXPECT_TRUE(ACT_NewSprite(pic, 0) == nullptr && ACT_NewSprite(nullptr, 256) == nullptr);
    SDL_FreeSurface(pic);
}
