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
    const SDL_Rect r{2, 3, 4, 2}, past{-2, 2, 12, 10};
    const std::function<uint32_t(int, int)> none = [](int, int) { return kUntouched; };
    const struct {
        const char* what;
        uint16_t angle, zoom;
        int32_t pivotX, pivotY;
        const SDL_Rect* rect;
        bool tables;
        PIX_SpanFn span;
        std::function<uint32_t(int, int)> want;
    } cases[] = {
        {"natural size copies around the pivot", 0, 256, 4, 4, nullptr, true, PIX_SpanCopy, code},
        {"a quarter turn; row 0 samples column 8, off the source", 256, 256, 4, 4, nullptr, true, PIX_SpanCopy,
         [&](int i, int j) { return j == 0 ? kUntouched : code(8 - j, i); }},
        {"twice the size: 2 x 2 blocks", 0, 512, 2, 2, nullptr, true, PIX_SpanCopy, [&](int i, int j) { return code(i / 2, j / 2); }},
        {"zoom 0 draws nothing", 0, 0, 4, 4, nullptr, true, PIX_SpanCopy, none},
        {"the keyed span leaves the key out", 0, 256, 4, 4, nullptr, true, PIX_SpanCopyKeyed,
         [&](int i, int j) { return i == 1 && j == 1 ? kUntouched : Code(i, j); }},
        {"explicit cosine, only into its rectangle; its first column samples left of the source", 0, 256, 1, 5, &r,
         false, PIX_SpanCopy, [](int i, int j) { return i >= 3 && i < 6 && j >= 3 && j < 5 ? Code(i - 3, j + 1) : kUntouched; }},
        {"a rectangle past every side is cut; its first row samples above the source", 0, 256, 4, 4, &past, true, PIX_SpanCopy,
         [&](int i, int j) { return j < 3 ? kUntouched : code(i, j - 3); }},
    };
    for (const auto& c : cases) {
        PIX_Transform t{src, dst.get(), c.span, kKey, c.rect, c.pivotX, c.pivotY,
                        c.tables ? 0 : 1024, 0, c.angle, c.zoom, c.tables ? PIX_TRANSFORM_TABLES : 0u};
        dst.Fill(kUntouched);
        PIX_DrawTransformed(&t);
        EXPECT_EQ(Mismatch(dst.get(), 0, 0, 8, 8, c.want), "") << c.what;
        EXPECT_TRUE(dst.GuardsIntact()) << c.what;
    }
    SDL_Surface* narrow = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 16, 0xF800, 0x07E0, 0x001F, 0);
    PIX_Transform t{narrow, dst.get(), PIX_SpanCopy, 0, nullptr, 2, 2, 0, 0, 0, 256, PIX_TRANSFORM_TABLES};
    dst.Fill(kUntouched);
    PIX_DrawTransformed(&t);
    PIX_DrawTransformed(nullptr);
    EXPECT_EQ(dst.Px(3, 3), kUntouched) << "a 16-bit source is refused";
    SDL_FreeSurface(narrow);
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
    EXPECT_EQ(area(), "17,18 6x4 from 0,0 6x4");
    EXPECT_EQ(ACT_DrawSprite(sprite, dst), 0);
    EXPECT_EQ(Mismatch(dst, 17, 18, 7, 5, [](int i, int j) { return i < 6 && j < 4 ? Code(i, j) : kUntouched; }), "")
        << "unturned at natural size: the picture itself";

    const struct {
        const char* what;
        uint16_t angle, zoom;
        const char* area;
        int x0, y0, w, h;  // in the work surface
        std::function<uint32_t(int, int)> want;
    } turns[] = {
        {"twice the size", 0, 512, "14,16 12x8 from 2,4 12x8", 2, 4, 12, 8, [](int i, int j) { return Code(i / 2, j / 2); }},
        {"a quarter turn brings the top-right corner to the top left", 256, 256, "18,17 4x6 from 6,5 4x6", 6, 5, 4, 6,
         [](int i, int j) { return Code(5 - j, i); }},
    };
    for (const auto& c : turns) {
        sprite->angle = c.angle;
        sprite->zoom = c.zoom;
        EXPECT_EQ(area(), c.area) << c.what;
        EXPECT_EQ(sprite->current, sprite->work) << c.what;
        EXPECT_EQ(Mismatch(sprite->work, c.x0, c.y0, c.w, c.h, c.want), "") << c.what;
    }
    // Nothing changed: the work surface is blitted as it stands, not rendered again.
    PixelAt(sprite->work, 6, 5) = 0x00123456;
    SDL_FillRect(dst, nullptr, kUntouched);
    EXPECT_EQ(ACT_DrawSprite(sprite, dst), 0);
    EXPECT_EQ(PixelAt(dst, 18, 17), 0x00123456u);

    sprite->angle = 1024;
    sprite->zoom = 256;
    sprite->alpha = 128;
    EXPECT_EQ(area(), "17,18 6x4 from 0,0 6x4") << "a full turn at natural size is the picture again";
    EXPECT_EQ(sprite->current, pic);
    EXPECT_EQ(ACT_DrawSprite(sprite, dst), 0);
    EXPECT_TRUE((pic->flags & SDL_SRCALPHA) && pic->format->alpha == 128) << "drawn with the sprite's alpha";
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
