#include "toolkit/gfx/font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/alloc_check.h"
#include "tests/support/surface_util.h"
#include "util/mem.h"

namespace {

constexpr uint32_t kBorder = 0x00FF00FF;

struct Size {
    uint16_t w, h;
};

// Glyph i is solid colour (i + 1) << 16, its first column marked with green 0x80, so that a
// row of a destination tells which glyph starts where even when glyphs touch.
uint32_t Ink(size_t i, bool firstColumn)
{
    return (static_cast<uint32_t>(i + 1) << 16) | (firstColumn ? 0x8000u : 0u);
}

// A font picture with one box per glyph, `perRow` boxes a row, rows two lines below the
// tallest box of the row above, on more background than the boxes need.
SDL_Surface* MakeFontPicture(const std::vector<Size>& glyphs, size_t perRow)
{
    SDL_Surface* picture = NewSurface32(64, 32, 0x00204060);
    int x = 0;
    int y = 0;
    int tallest = 0;
    for (size_t i = 0; i < glyphs.size(); i++) {
        if (i > 0 && i % perRow == 0) {
            y += tallest + 3;
            x = 0;
            tallest = 0;
        }
        const Size g = glyphs[i];
        FillBox(picture, x, y, g.w + 2, g.h + 2, kBorder);
        FillBox(picture, x + 1, y + 1, g.w, g.h, Ink(i, false));
        FillBox(picture, x + 1, y + 1, 1, g.h, Ink(i, true));
        x += g.w + 3;
        tallest = std::max<int>(tallest, g.h);
    }
    return picture;
}

// The test font: glyphs of different widths and heights over two rows.
const char* const kSet = " abcdeW";
const std::vector<Size> kSizes = {{2, 6}, {3, 6}, {4, 7}, {5, 6}, {3, 6}, {3, 5}, {12, 6}};

class FontTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        blocks_ = MEM_LiveBlocks();
        path_ = dir_.SaveBMP(MakeFontPicture(kSizes, 4), "font.bmp");
        font_ = Load(path_, kSet);
        ASSERT_NE(font_, nullptr);
    }
    void TearDown() override
    {
        TXT_FreeFont(font_);
        EXPECT_EQ(MEM_LiveBlocks(), blocks_) << "fonts left allocated";
        SDL_FreeSurface(canvas_);
        SDL_FreeSurface(model_);
    }

    TXT_Font* Load(const std::string& path, const char* set)
    {
        return TXT_LoadFont(path.c_str(), nullptr, -1, -1, model_->format, 0, set);
    }

    // "a@3 _@7": the glyphs whose top row lies on row y of the canvas, with their left x.
    std::string Drawn(int y)
    {
        std::string out;
        for (int x = 0; x < canvas_->w; x++) {
            const uint32_t p = PixelAt(canvas_, x, y);
            if ((p & 0xFF00) == 0x8000) {
                const char c = kSet[(p >> 16) - 1];
                out.append(out.empty() ? "" : " ").append(1, c == ' ' ? '_' : c).append("@").append(std::to_string(x));
            }
        }
        return out;
    }
    // Clears the canvas, draws and reads row y.
    std::string Show(const std::function<void()>& draw, int y = 0)
    {
        SDL_FillRect(canvas_, nullptr, 0);
        draw();
        return Drawn(y);
    }

    TempDir dir_;
    std::string path_;
    SDL_Surface* model_ = NewSurface32(1, 1);
    SDL_Surface* canvas_ = NewSurface32(100, 50);
    TXT_Font* font_ = nullptr;
    int64_t blocks_ = 0;
};

std::string Metrics(const TXT_Font* f)
{
    return std::to_string(f->smallestWidth) + "-" + std::to_string(f->largestWidth) + " x " +
           std::to_string(f->smallestHeight) + "-" + std::to_string(f->largestHeight);
}

}  // namespace

TEST_F(FontTest, LoadFindsOneBoxPerCharacterInOrderAndCopiesHaveTheirOwnPicture)
{
    std::string glyphs;
    for (const char c : std::string(kSet) + "z") {
        glyphs += RectText(font_->glyphs[static_cast<unsigned char>(c)]) + " ";
    }
    EXPECT_EQ(glyphs, "1,1 2x6 6,1 3x6 12,1 4x7 19,1 5x6 1,11 3x6 7,11 3x5 13,11 12x6 0,0 0x0 ")
        << "boxes in order, rows two lines below the tallest box; codes outside the set stay empty";
    EXPECT_EQ(Metrics(font_), "2-12 x 5-7");
    const char* set = TXT_ThemeCharSet.data();
    ASSERT_EQ(std::strlen(set), 191u);
    EXPECT_EQ(std::string(set, 1) + set[94] + set[95] + set[188] + set[189] + set[190], " ~\xA1\xFF\x01\x02");
    EXPECT_EQ(std::strchr(set, '\xAD'), nullptr) << "no soft hyphen";

    SDL_Surface* open = MakeFontPicture(kSizes, 4);
    FillBox(open, 12, 17, 14, 1, Ink(0, false));  // the bottom edge of W
    for (const auto& [file, chars] : {std::pair{path_, " abcdeWX"}, std::pair{dir_.Path("missing.bmp"), kSet},
                                      std::pair{path_, static_cast<const char*>(nullptr)},
                                      std::pair{dir_.SaveBMP(open, "open.bmp"), kSet}}) {
        EXPECT_EQ(Load(file, chars), nullptr) << "fewer boxes than the set, no file, no set, a box without bottom";
    }
    CheckEachAllocationFailure([&] {
        TXT_Font* font = Load(path_, kSet);
        TXT_FreeFont(font);
        return font != nullptr;
    });
    CheckEachAllocationFailure([&] {
        TXT_Font* copy = TXT_CopyFont(font_);
        const bool own = copy != nullptr && copy->picture != font_->picture;
        TXT_FreeFont(copy);
        return own;
    });
}

TEST_F(FontTest, MeasuresAndFitsWithSpacing)
{
    EXPECT_EQ(TXT_TextWidth(font_, "a", 5), 3) << "no spacing after the last character";
    EXPECT_EQ(TXT_TextWidth(font_, "azb", 1), 3 + 0 + 4 + 2) << "outside the set: 0 wide, still spaced";
    EXPECT_EQ(TXT_TextWidthN(font_, "abc", 1, 2) * 100 + TXT_TextWidthN(font_, "ab", 1, 10), 808) << "the text ends first";
    EXPECT_EQ(TXT_TextHeight(font_, "eba") * 100 + TXT_TextHeight(font_, ""), 700);

    const char* t = "abc";
    const char* lines = "ab\ncd";
    const struct {
        const char* text;
        uint16_t width;
        const char* want;
    } forward[] = {{t, 2, t}, {t, 3, t + 1}, {t, 13, t + 2}, {t, 14, t + 3},
                   {lines, 100, lines + 2}};
    for (const auto& f : forward) {
        EXPECT_EQ(TXT_FitForward(font_, f.text, 1, f.width), f.want) << f.text << " in " << f.width;
    }
    const char* empty = "";
    const struct {
        const char* start;
        const char* from;
        uint16_t width;
        const char* want;
    } backward[] = {{t, t + 3, 5, t + 2}, {t, t + 3, 4, t + 3}, {lines, lines + 5, 100, lines + 3},
                    {empty, empty, 100, empty}};
    for (const auto& b : backward) {
        EXPECT_EQ(TXT_FitBackward(font_, b.start, b.from, 1, b.width), b.want)
            << "back from " << (b.from - b.start) << " of " << b.start << " in " << b.width;
    }
}

TEST_F(FontTest, DrawsUntilTheDestinationsWidth)
{
    const char* t = "abc";
    EXPECT_EQ(Show([&] { EXPECT_EQ(TXT_DrawText(font_, t, 1, canvas_, 10, 5), t + 3); }, 5), "a@10 b@14 c@19");
    const char* w = "cWa";
    EXPECT_EQ(Show([&] { EXPECT_EQ(TXT_DrawText(font_, w, 1, canvas_, 98, 0), w + 1) << "stops before W"; }),
              "c@98");
    EXPECT_EQ(PixelAt(canvas_, 99, 0), Ink(3, false)) << "c clipped by SDL";
    EXPECT_EQ(Show([&] { TXT_DrawText(font_, t, 1, canvas_, -4, 0); }), "b@0 c@5") << "a pen left of the destination";
    const char* r = "abcde";
    EXPECT_EQ(Show([&] { EXPECT_EQ(TXT_DrawRange(font_, r + 1, r + 3, 0, canvas_, 0, 0), r + 3); }), "b@0 c@4");
    EXPECT_EQ(TXT_DrawText(nullptr, t, 1, canvas_, 0, 0), t);

    SDL_FillRect(canvas_, nullptr, 0);
    EXPECT_EQ(TXT_FillTextBox(font_, "ab", 1, canvas_, 10, 10, 0x123456, 2), 0);
    EXPECT_TRUE(PixelAt(canvas_, 8, 8) == 0x123456u && PixelAt(canvas_, 19, 18) == 0x123456u &&
                PixelAt(canvas_, 20, 19) == 0u)
        << "a box 8 + 4 wide and 7 + 4 tall, from one margin out";
    EXPECT_EQ(TXT_FillTextBox(nullptr, "ab", 1, canvas_, 0, 0, 0, 0), -1);
}

TEST_F(FontTest, SpreadAndJustifiedLinesShareTheSparePixels)
{
    const struct {
        std::function<void()> draw;
        const char* want;
        const char* why;
    } cases[] = {
        {[&] { TXT_DrawSpread(font_, "abc", canvas_, 0, 0, 20); }, "a@0 b@7 c@15", "8 spare over 2 gaps"},
        {[&] { TXT_DrawSpread(font_, "abc  ", canvas_, 0, 0, 20); }, "a@0 b@7 c@15 _@24 _@30",
         "trailing spaces drawn but not counted"},
        {[&] { TXT_DrawSpread(font_, "a ", canvas_, 4, 0, 30); }, "a@4 _@7", "one character stays at x"},
        {[&] { TXT_DrawRangeJustified(font_, "a  b", nullptr, 1, canvas_, 0, 0, 13); }, "a@0 b@9",
         "5 spare: the first space 2, the last the remaining 3"},
        {[&] { TXT_DrawRangeSpread(font_, "ab", nullptr, 1, canvas_, 5, 0, 30); }, "a@5 b@9",
         "23 spare for 7 of glyphs: above the threshold, plain"},
        {[&] { TXT_DrawRangeSpread(font_, "ab", nullptr, 1, canvas_, 5, 0, 15); }, "a@5 b@16",
         "8 spare is at the threshold: spread"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Show(c.draw), c.want) << c.why;
    }
}

TEST_F(FontTest, WrappedTextBreaksAtWordsAndJustifiesOrSpreadsItsLines)
{
    using Draw = const char* (*)(const TXT_Font*, const char*, int, int, SDL_Surface*, const SDL_Rect*);
    const struct {
        Draw draw;
        SDL_Rect rect;
        int lineSpacing;
        const char* text;
        const char* lines;  // the rows 7 + lineSpacing apart from the top of the rectangle
        const char* why;
    } cases[] = {
        {TXT_DrawWrapped, {5, 2, 25, 40}, 1, "abc dea", "a@5 b@9 c@14 / d@5 e@9 a@13",
         "the whole second word on the next line, though its 'de' would fit"},
        {TXT_DrawWrappedJustified, {5, 0, 25, 40}, 1, "a b ab ab\nab b a ab b",
         "a@5 b@13 a@22 b@26 / a@5 b@9 / a@5 b@9 b@18 a@27 / a@5 b@9 _@14 b@17",
         "justified to the right edge; a paragraph's last line left-aligned, the text's last line plain"},
        {TXT_DrawWrappedSpread, {5, 0, 30, 40}, 1, "ab WWW", "a@5 b@9 / W@5 W@23 / W@5",
         "a short line above the spreading threshold is drawn plainly, a broken word is spread"},
    };
    for (const auto& c : cases) {
        SDL_FillRect(canvas_, nullptr, 0);
        EXPECT_EQ(c.draw(font_, c.text, 1, c.lineSpacing, canvas_, &c.rect), c.text + std::strlen(c.text)) << c.why;
        std::string lines = Drawn(c.rect.y);
        for (int y = c.rect.y + 7 + c.lineSpacing; y < c.rect.y + c.rect.h; y += 7 + c.lineSpacing) {
            lines += " / " + Drawn(y);
        }
        EXPECT_EQ(lines.erase(lines.find_last_not_of(" /") + 1), c.lines) << c.why;
    }
}
