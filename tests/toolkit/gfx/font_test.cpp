#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/alloc_check.h"
#include "toolkit/gfx/font.h"
#include "util/mem.h"

namespace {

constexpr uint32_t kBorder = 0x00FF00FF;

struct Size {
    uint16_t w;
    uint16_t h;
};

// Glyph i is solid colour (i + 1) << 16, its first column marked with green 0x80, so that a
// row of a destination tells which glyph starts where even when glyphs touch.
uint32_t Ink(size_t i, bool firstColumn)
{
    return (static_cast<uint32_t>(i + 1) << 16) | (firstColumn ? 0x8000u : 0u);
}

SDL_Surface* NewSurface(int w, int h)
{
    return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0);
}

void Fill(SDL_Surface* s, int x, int y, int w, int h, uint32_t pixel)
{
    SDL_Rect r = {static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<uint16_t>(w),
                  static_cast<uint16_t>(h)};
    SDL_FillRect(s, &r, pixel);
}

uint32_t PixelAt(SDL_Surface* s, int x, int y)
{
    return static_cast<const uint32_t*>(s->pixels)[y * (s->pitch / 4) + x];
}

// A font picture with one box per glyph, `perRow` boxes a row, rows two lines below the
// tallest box of the row above. `where` receives each glyph's rectangle.
SDL_Surface* MakeFontPicture(const std::vector<Size>& glyphs, size_t perRow, std::vector<SDL_Rect>* where)
{
    int width = 0;
    int height = 0;
    std::vector<SDL_Rect> rects;
    for (size_t start = 0; start < glyphs.size(); start += perRow) {
        int x = 0;
        int tallest = 0;
        for (size_t i = start; i < glyphs.size() && i < start + perRow; i++) {
            rects.push_back({static_cast<int16_t>(x + 1), static_cast<int16_t>(height + 1), glyphs[i].w, glyphs[i].h});
            x += glyphs[i].w + 3;
            tallest = std::max<int>(tallest, glyphs[i].h);
        }
        width = std::max(width, x);
        height += tallest + 3;
    }
    SDL_Surface* picture = NewSurface(width, height - 1);
    Fill(picture, 0, 0, picture->w, picture->h, 0x00204060);
    for (size_t i = 0; i < rects.size(); i++) {
        const SDL_Rect& r = rects[i];
        Fill(picture, r.x - 1, r.y - 1, r.w + 2, r.h + 2, kBorder);
        Fill(picture, r.x, r.y, r.w, r.h, Ink(i, false));
        Fill(picture, r.x, r.y, 1, r.h, Ink(i, true));
    }
    if (where != nullptr) {
        *where = rects;
    }
    return picture;
}

// The test font: a small set with glyphs of different widths and heights over two rows.
const char* const kSet = " abcdeW";
const std::vector<Size> kSizes = {{2, 6}, {3, 6}, {4, 7}, {5, 6}, {3, 6}, {3, 5}, {12, 6}};

class FontTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/zaf_font_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        model_ = NewSurface(1, 1);
        ASSERT_NE(model_, nullptr);
        blocks_ = MEM_LiveBlocks();
        path_ = Save(MakeFontPicture(kSizes, 4, &where_), "font.bmp");
        font_ = Load(path_, kSet);
        ASSERT_NE(font_, nullptr);
        canvas_ = NewSurface(100, 50);
    }

    void TearDown() override
    {
        TXT_FreeFont(font_);
        SDL_FreeSurface(canvas_);
        SDL_FreeSurface(model_);
        EXPECT_EQ(MEM_LiveBlocks(), blocks_) << "fonts left allocated";
        for (const std::string& f : files_) {
            std::remove(f.c_str());
        }
        rmdir(dir_.c_str());
    }

    // Writes and frees the picture; returns the file's path.
    std::string Save(SDL_Surface* picture, const char* name)
    {
        std::string path = dir_ + "/" + name;
        EXPECT_EQ(SDL_SaveBMP(picture, path.c_str()), 0);
        SDL_FreeSurface(picture);
        files_.push_back(path);
        return path;
    }

    TXT_Font* Load(const std::string& path, const char* set)
    {
        return TXT_LoadFont(path.c_str(), nullptr, -1, -1, model_->format, 0, set);
    }

    // "a@3 _@7": the glyphs whose top row lies on row y of the canvas, with their left x.
    std::string Drawn(int y, const char* set = kSet)
    {
        std::string out;
        for (int x = 0; x < canvas_->w; x++) {
            uint32_t p = PixelAt(canvas_, x, y);
            if ((p & 0xFF00) == 0x8000) {
                char c = set[(p >> 16) - 1];
                out += (out.empty() ? "" : " ") + std::string(1, c == ' ' ? '_' : c) + "@" + std::to_string(x);
            }
        }
        return out;
    }

    void Clear() { Fill(canvas_, 0, 0, canvas_->w, canvas_->h, 0); }

    std::string dir_;
    std::vector<std::string> files_;
    std::string path_;
    SDL_Surface* model_ = nullptr;
    SDL_Surface* canvas_ = nullptr;
    TXT_Font* font_ = nullptr;
    std::vector<SDL_Rect> where_;
    int64_t blocks_ = 0;
};

}  // namespace

TEST_F(FontTest, LoadFindsOneBoxPerCharacterInOrder)
{
    for (size_t i = 0; i < kSizes.size(); i++) {
        const SDL_Rect& g = font_->glyphs[static_cast<unsigned char>(kSet[i])];
        EXPECT_EQ(g.x, where_[i].x) << "glyph " << kSet[i];
        EXPECT_EQ(g.y, where_[i].y) << "glyph " << kSet[i];
        EXPECT_EQ(g.w, where_[i].w) << "glyph " << kSet[i];
        EXPECT_EQ(g.h, where_[i].h) << "glyph " << kSet[i];
    }
    EXPECT_EQ(font_->glyphs['c'].y, 1) << "first row";
    EXPECT_EQ(font_->glyphs['d'].y, 11) << "the second row starts two lines below the tallest box";
    EXPECT_EQ(font_->smallestWidth, 2);
    EXPECT_EQ(font_->largestWidth, 12);
    EXPECT_EQ(font_->smallestHeight, 5);
    EXPECT_EQ(font_->largestHeight, 7);
    const SDL_Rect& outside = font_->glyphs['z'];
    EXPECT_EQ(outside.x | outside.y | outside.w | outside.h, 0) << "codes outside the set stay empty";

    // Glyphs that only shrink must still give the largest size.
    std::string path = Save(MakeFontPicture({{6, 8}, {4, 6}, {2, 4}}, 3, nullptr), "shrinking.bmp");
    TXT_Font* shrinking = Load(path, "xyz");
    ASSERT_NE(shrinking, nullptr);
    EXPECT_EQ(shrinking->largestWidth, 6);
    EXPECT_EQ(shrinking->largestHeight, 8);
    EXPECT_EQ(shrinking->smallestWidth, 2);
    EXPECT_EQ(shrinking->smallestHeight, 4);
    TXT_FreeFont(shrinking);
}

TEST_F(FontTest, TheThemeSetLoadsFromRowsOfBoxes)
{
    const char* set = TXT_ThemeCharSet.data();
    ASSERT_EQ(std::strlen(set), 191u);
    EXPECT_EQ(set[0], ' ');
    EXPECT_EQ(set[94], '~');
    EXPECT_EQ(static_cast<unsigned char>(set[95]), 0xA1);
    EXPECT_EQ(static_cast<unsigned char>(set[188]), 0xFF);
    EXPECT_EQ(set[189], '\x01');
    EXPECT_EQ(set[190], '\x02');
    EXPECT_EQ(std::strchr(set, '\xAD'), nullptr) << "no soft hyphen";

    std::vector<Size> sizes;
    for (int i = 0; i < 191; i++) {
        sizes.push_back({static_cast<uint16_t>(1 + i % 5), static_cast<uint16_t>(3 + i % 4)});
    }
    std::vector<SDL_Rect> where;
    std::string path = Save(MakeFontPicture(sizes, 24, &where), "theme.bmp");
    TXT_Font* font = Load(path, set);
    ASSERT_NE(font, nullptr);
    for (int i = 0; i < 191; i++) {
        const SDL_Rect& g = font->glyphs[static_cast<unsigned char>(set[i])];
        ASSERT_TRUE(g.x == where[i].x && g.y == where[i].y && g.w == where[i].w && g.h == where[i].h)
            << "glyph " << i;
    }
    EXPECT_EQ(font->glyphs[0xAD].w, 0);
    TXT_FreeFont(font);

    font = Load(path, "abc");
    ASSERT_NE(font, nullptr) << "a set shorter than the picture takes the first boxes";
    EXPECT_EQ(font->glyphs['c'].x, where[2].x);
    TXT_FreeFont(font);
}

TEST_F(FontTest, BadPicturesGiveNothing)
{
    int64_t before = MEM_LiveBlocks();
    EXPECT_EQ(Load(path_, " abcdeWX"), nullptr) << "fewer boxes than the set";
    EXPECT_EQ(Load(dir_ + "/missing.bmp", kSet), nullptr);
    EXPECT_EQ(Load(path_, nullptr), nullptr);
    EXPECT_EQ(TXT_LoadFont(nullptr, nullptr, -1, -1, model_->format, 0, kSet), nullptr);

    // The last box loses its bottom edge.
    SDL_Surface* open = MakeFontPicture(kSizes, 4, nullptr);
    const SDL_Rect& last = where_.back();
    Fill(open, last.x - 1, last.y + last.h, last.w + 2, 1, Ink(0, false));
    std::string openPath = Save(open, "open.bmp");
    EXPECT_EQ(Load(openPath, kSet), nullptr) << "a box left open";
    EXPECT_EQ(MEM_LiveBlocks(), before);
}

TEST_F(FontTest, LoadsFromStreams)
{
    FILE* f = std::fopen(path_.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<char> bytes(1 << 16);
    size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    ASSERT_GT(n, 0u);

    SDL_RWops* rw = SDL_RWFromMem(bytes.data(), static_cast<int>(n));
    TXT_Font* font = TXT_LoadFont_RW(rw, nullptr, -1, -1, model_->format, 0, kSet);
    SDL_RWclose(rw);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->glyphs['W'].w, 12);
    TXT_FreeFont(font);

    rw = SDL_RWFromMem(bytes.data(), static_cast<int>(n / 2));
    EXPECT_EQ(TXT_LoadFont_RW(rw, nullptr, -1, -1, model_->format, 0, kSet), nullptr) << "truncated";
    SDL_RWclose(rw);
}

TEST_F(FontTest, EveryAllocationFailureLeavesNothing)
{
    CheckEachAllocationFailure([&] {
        TXT_Font* font = Load(path_, kSet);
        TXT_FreeFont(font);
        return font != nullptr;
    });
    CheckEachAllocationFailure([&] {
        TXT_Font* copy = TXT_CopyFont(font_);
        TXT_FreeFont(copy);
        return copy != nullptr;
    });
}

TEST_F(FontTest, CopyHasItsOwnPicture)
{
    TXT_Font* copy = TXT_CopyFont(font_);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->picture, font_->picture);
    EXPECT_EQ(copy->picture->format->Amask, 0u) << "no alpha channel added";
    EXPECT_EQ(std::memcmp(copy->glyphs, font_->glyphs, sizeof copy->glyphs), 0);
    EXPECT_EQ(copy->largestHeight, font_->largestHeight);

    TXT_FreeFont(font_);
    font_ = nullptr;
    TXT_DrawText(copy, "ab", 1, canvas_, 0, 0);
    EXPECT_EQ(Drawn(0), "a@0 b@4") << "the copy draws after the original is gone";

    TXT_Font* second = TXT_CopyFont(copy);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(TXT_SetAlpha(second, 128), 0);
    EXPECT_TRUE(second->picture->flags & SDL_SRCALPHA);
    EXPECT_FALSE(copy->picture->flags & SDL_SRCALPHA) << "the copy it came from keeps its alpha";
    TXT_FreeFont(second);
    TXT_FreeFont(copy);
    EXPECT_EQ(TXT_CopyFont(nullptr), nullptr);
}

TEST_F(FontTest, MeasuresWithSpacing)
{
    EXPECT_EQ(TXT_TextWidth(font_, "ab", 2), 3 + 4 + 2);
    EXPECT_EQ(TXT_TextWidth(font_, "a", 5), 3) << "no spacing after the last character";
    EXPECT_EQ(TXT_TextWidth(font_, "", 2), 0);
    EXPECT_EQ(TXT_TextWidth(font_, "azb", 1), 3 + 0 + 4 + 2) << "outside the set: 0 wide, still spaced";
    EXPECT_EQ(TXT_TextWidthN(font_, "abc", 1, 2), 8);
    EXPECT_EQ(TXT_TextWidthN(font_, "abc", 1, 0), 0);
    EXPECT_EQ(TXT_TextWidthN(font_, "ab", 1, 10), 8) << "the text ends first";
    EXPECT_EQ(TXT_TextHeight(font_, "ae"), 6);
    EXPECT_EQ(TXT_TextHeight(font_, "eba"), 7);
    EXPECT_EQ(TXT_TextHeight(font_, ""), 0);

    int16_t x = 50;
    int16_t y = 20;
    TXT_CentreAt(font_, "ab", 1, &x, &y);
    EXPECT_EQ(x, 50 - 4);
    EXPECT_EQ(y, 20 - 3);
}

TEST_F(FontTest, FitsForwardAndBackward)
{
    const char* t = "abc";
    EXPECT_EQ(TXT_FitForward(font_, t, 1, 2), t) << "not even the first glyph";
    EXPECT_EQ(TXT_FitForward(font_, t, 1, 3), t + 1);
    EXPECT_EQ(TXT_FitForward(font_, t, 1, 8), t + 2) << "a and b exactly";
    EXPECT_EQ(TXT_FitForward(font_, t, 1, 13), t + 2);
    EXPECT_EQ(TXT_FitForward(font_, t, 1, 14), t + 3) << "the whole text";
    const char* lines = "ab\ncd";
    EXPECT_EQ(TXT_FitForward(font_, lines, 1, 100), lines + 2) << "stops at the newline";
    EXPECT_EQ(TXT_FitForward(font_, lines + 2, 1, 100), lines + 2);

    EXPECT_EQ(TXT_FitBackward(font_, t, t + 3, 1, 5), t + 2) << "from the NUL: c alone";
    EXPECT_EQ(TXT_FitBackward(font_, t, t + 3, 1, 4), t + 3) << "c does not fit";
    EXPECT_EQ(TXT_FitBackward(font_, t, t + 3, 1, 10), t + 1) << "b and c";
    EXPECT_EQ(TXT_FitBackward(font_, t, t + 3, 1, 100), t);
    EXPECT_EQ(TXT_FitBackward(font_, t, t + 1, 1, 8), t) << "from b, a joins exactly";
    EXPECT_EQ(TXT_FitBackward(font_, lines, lines + 5, 1, 100), lines + 3) << "stops at the newline";
    EXPECT_EQ(TXT_FitBackward(font_, lines, lines + 2, 1, 100), lines) << "from the newline";
    const char* empty = "";
    EXPECT_EQ(TXT_FitBackward(font_, empty, empty, 1, 100), empty);
}

TEST_F(FontTest, DrawsUntilTheDestinationsWidth)
{
    const char* t = "abc";
    EXPECT_EQ(TXT_DrawText(font_, t, 1, canvas_, 10, 5), t + 3);
    EXPECT_EQ(Drawn(5), "a@10 b@14 c@19");
    EXPECT_EQ(PixelAt(canvas_, 11, 10), Ink(1, false)) << "a is 6 rows tall";
    EXPECT_EQ(PixelAt(canvas_, 11, 11), 0u);

    Clear();
    const char* w = "cWa";
    EXPECT_EQ(TXT_DrawText(font_, w, 1, canvas_, 98, 0), w + 1) << "stops before W at 104";
    EXPECT_EQ(Drawn(0), "c@98");
    EXPECT_EQ(PixelAt(canvas_, 99, 0), Ink(3, false)) << "c clipped by SDL";

    Clear();
    EXPECT_EQ(TXT_DrawText(font_, t, 1, canvas_, -4, 0), t + 3) << "a pen left of the destination";
    EXPECT_EQ(Drawn(0), "b@0 c@5");
    EXPECT_EQ(PixelAt(canvas_, 0, 1), Ink(2, true)) << "a is cut off, b drawn at 0";

    Clear();
    const char* range = "abcde";
    EXPECT_EQ(TXT_DrawRange(font_, range + 1, range + 3, 0, canvas_, 0, 0), range + 3);
    EXPECT_EQ(Drawn(0), "b@0 c@4");
    EXPECT_EQ(TXT_DrawText(nullptr, t, 1, canvas_, 0, 0), t);
}

TEST_F(FontTest, SpreadSharesTheSparePixels)
{
    TXT_DrawSpread(font_, "abc", canvas_, 0, 0, 20);
    EXPECT_EQ(Drawn(0), "a@0 b@7 c@15") << "8 spare pixels over 2 gaps; c ends at 20";

    Clear();
    TXT_DrawSpread(font_, "abc  ", canvas_, 0, 0, 20);
    EXPECT_EQ(Drawn(0), "a@0 b@7 c@15 _@24 _@30") << "trailing spaces drawn but not counted";

    Clear();
    TXT_DrawSpread(font_, "Wd", canvas_, 90, 0, 10);
    EXPECT_EQ(Drawn(0), "W@90 d@97") << "squeezed by -5, past the edge too";

    Clear();
    TXT_DrawSpread(font_, "a ", canvas_, 4, 0, 30);
    EXPECT_EQ(Drawn(0), "a@4 _@7") << "one character stays at x";
}

TEST_F(FontTest, JustifiedRangesWidenTheirSpaces)
{
    const char* t = "a b ab ";
    EXPECT_EQ(TXT_DrawRangeJustified(font_, t, t + 7, 1, canvas_, 5, 0, 25), t + 7);
    // Glyphs with spacing take 17 of 25; the two spaces get 4 and 4.
    EXPECT_EQ(Drawn(0), "a@5 b@13 a@22 b@26");

    Clear();
    t = "a  b";
    TXT_DrawRangeJustified(font_, t, t + 4, 1, canvas_, 0, 0, 13);
    // 13 - 8 = 5 spare: the first space takes 5 / 2 = 2, the last the remaining 3.
    EXPECT_EQ(Drawn(0), "a@0 b@9");

    Clear();
    t = "a b";
    TXT_DrawRangeJustified(font_, t, t + 3, 1, canvas_, 0, 0, 8);
    EXPECT_EQ(Drawn(0), "a@0 _@4 b@7") << "no spare pixel for the space: drawn plainly";

    Clear();
    t = "ab cd";
    TXT_DrawRangeJustified(font_, t, t + 5, 1, canvas_, 0, 0, 6);
    EXPECT_EQ(Drawn(0), "a@0 b@4 _@9 c@12 d@18") << "wider than the width: drawn plainly";

    Clear();
    const char* spaces = "   ";
    EXPECT_EQ(TXT_DrawRangeJustified(font_, spaces, nullptr, 1, canvas_, 0, 0, 30), spaces + 3);
    EXPECT_EQ(Drawn(0), "") << "only spaces: nothing drawn";
}

TEST_F(FontTest, SpreadRangesStretchOnlyUpToTwiceTheirWidth)
{
    const char* t = "a b ab";
    TXT_DrawRangeSpread(font_, t, t + 6, 1, canvas_, 5, 0, 25);
    // 7 spare pixels shared over 5 gaps, truncated: 0, 1, 2, 4, 5, 7.
    EXPECT_EQ(Drawn(0), "a@5 _@9 b@12 _@18 a@21 b@26");

    Clear();
    t = "ab";
    TXT_DrawRangeSpread(font_, t, t + 2, 1, canvas_, 5, 0, 30);
    EXPECT_EQ(Drawn(0), "a@5 b@9") << "23 spare pixels for 7 of glyphs: drawn plainly";

    Clear();
    t = "ab";
    TXT_DrawRangeSpread(font_, t, t + 2, 1, canvas_, 5, 0, 15);
    EXPECT_EQ(Drawn(0), "a@5 b@16") << "8 spare pixels is at the threshold: spread";
}

TEST_F(FontTest, WrapsAtWordsAndBreaksLongWords)
{
    SDL_Rect rect = {5, 2, 25, 40};
    const char* t = "abc dea";
    EXPECT_EQ(TXT_DrawWrapped(font_, t, 1, 1, canvas_, &rect), t + 7);
    EXPECT_EQ(Drawn(2), "a@5 b@9 c@14") << "the first word, its space and 'de' would fit";
    EXPECT_EQ(Drawn(10), "d@5 e@9 a@13") << "the whole second word on the next line";

    Clear();
    rect = {5, 0, 10, 50};
    t = "abcde";
    EXPECT_EQ(TXT_DrawWrapped(font_, t, 1, 1, canvas_, &rect), t + 5);
    EXPECT_EQ(Drawn(0), "a@5 b@9");
    EXPECT_EQ(Drawn(8), "c@5 d@11") << "a word wider than the line is broken where it stops fitting";
    EXPECT_EQ(Drawn(16), "e@5");

    Clear();
    rect = {0, 0, 50, 50};
    t = "a\n\n  b";
    TXT_DrawWrapped(font_, t, 1, 3, canvas_, &rect);
    EXPECT_EQ(Drawn(0), "a@0");
    EXPECT_EQ(Drawn(10), "") << "an empty line";
    EXPECT_EQ(Drawn(20), "b@0") << "spaces at a line's start are skipped";

    Clear();
    rect = {0, 0, 50, 7};
    t = "ab\ncd";
    EXPECT_EQ(TXT_DrawWrapped(font_, t, 1, 1, canvas_, &rect), t + 3) << "room for exactly one line";
    EXPECT_EQ(Drawn(0), "a@0 b@4");
    rect.h = 15;
    EXPECT_EQ(TXT_DrawWrapped(font_, t, 1, 1, canvas_, &rect), t + 5);
    EXPECT_EQ(Drawn(8), "c@0 d@6");
    rect.h = 6;
    EXPECT_EQ(TXT_DrawWrapped(font_, t, 1, 1, canvas_, &rect), t) << "no room for a line";

    rect = {0, 0, 10, 50};
    t = "aW";
    EXPECT_EQ(TXT_DrawWrapped(font_, t, 1, 1, canvas_, &rect), t + 1) << "a glyph wider than the rectangle";

    Clear();
    SDL_Rect clip = {0, 30, 12, 20};
    SDL_SetClipRect(canvas_, &clip);
    TXT_DrawWrapped(font_, "ab ab", 1, 1, canvas_, nullptr);
    SDL_SetClipRect(canvas_, nullptr);
    EXPECT_EQ(Drawn(30), "a@0 b@4 _@9") << "the clip rectangle by default; the space before the cut is drawn";
    EXPECT_EQ(Drawn(38), "a@0 b@4");
}

TEST_F(FontTest, JustifiedParagraphsKeepTheirLastLineLeft)
{
    SDL_Rect rect = {5, 0, 25, 40};
    const char* t = "a b ab ab\nab b a ab b";
    EXPECT_EQ(TXT_DrawWrappedJustified(font_, t, 1, 1, canvas_, &rect), t + 21);
    EXPECT_EQ(Drawn(0), "a@5 b@13 a@22 b@26") << "ends at the right edge";
    EXPECT_EQ(PixelAt(canvas_, 29, 0), Ink(2, false));
    EXPECT_EQ(Drawn(8), "a@5 b@9") << "a paragraph's last line is left-aligned";
    EXPECT_EQ(Drawn(16), "a@5 b@9 b@18 a@27") << "8 spare pixels, 4 for each space";
    EXPECT_EQ(Drawn(24), "a@5 b@9 _@14 b@17") << "the text's last line is plain";
}

TEST_F(FontTest, SpreadParagraphsStretchOnlyModestly)
{
    SDL_Rect rect = {5, 0, 25, 40};
    const char* t = "a b ab ab";
    TXT_DrawWrappedSpread(font_, t, 1, 1, canvas_, &rect);
    EXPECT_EQ(Drawn(0), "a@5 _@9 b@12 _@18 a@21 b@26");
    EXPECT_EQ(Drawn(8), "a@5 b@9");

    Clear();
    rect = {5, 0, 30, 40};
    t = "ab WWW";
    TXT_DrawWrappedSpread(font_, t, 1, 1, canvas_, &rect);
    EXPECT_EQ(Drawn(0), "a@5 b@9") << "a short wrapped line above the threshold is drawn plainly";
    EXPECT_EQ(Drawn(8), "W@5 W@23") << "a broken word is spread";
    EXPECT_EQ(Drawn(16), "W@5");
}

TEST_F(FontTest, FillsTheTextBox)
{
    EXPECT_EQ(TXT_FillTextBox(font_, "ab", 1, canvas_, 10, 10, 0x123456, 2), 0);
    const uint32_t fill = 0x00123456;
    EXPECT_EQ(PixelAt(canvas_, 8, 8), fill) << "top-left corner, one margin out";
    EXPECT_EQ(PixelAt(canvas_, 19, 18), fill) << "8 + 4 wide, 7 + 4 tall";
    EXPECT_EQ(PixelAt(canvas_, 20, 18), 0u);
    EXPECT_EQ(PixelAt(canvas_, 19, 19), 0u);
    EXPECT_EQ(PixelAt(canvas_, 7, 8), 0u);
    EXPECT_EQ(TXT_FillTextBox(nullptr, "ab", 1, canvas_, 0, 0, 0, 0), -1);
}
