#include "tools/pixfont.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "toolkit/gfx/font.h"

namespace {

TEST(PixFont, EveryGlyphIsDrawnAndDistinct)
{
    std::set<std::vector<uint16_t>> seen;
    for (unsigned char code : FontCharacterSet()) {
        const Glyph& g = FontGlyph(code);
        std::vector<uint16_t> key(g.rows, g.rows + FONT_HEIGHT);
        const auto outside = [&g](uint16_t row) { return row >> g.width != 0; };
        EXPECT_TRUE(g.width > 0 && g.width <= 16 && std::none_of(key.begin(), key.end(), outside))
            << "code " << int(code) << " is 1 to 16 pixels wide, with no ink outside its width";
        EXPECT_EQ(std::count(key.begin(), key.end(), 0) == FONT_HEIGHT, code == ' ') << "code " << int(code)
                                                                                      << ": only the space is blank";
        key.push_back(static_cast<uint16_t>(g.width));
        EXPECT_TRUE(seen.insert(key).second) << "code " << int(code) << " looks like another glyph";
    }
    EXPECT_EQ(FontGlyph(0x7F).width, 0) << "codes outside the set have no glyph";
}

TEST(PixFont, AccentsSitAboveTheirLetters)
{
    // Capitals give up a row so that the mark fits into rows 0 and 1.
    for (unsigned char code : {0xC0, 0xC9, 0xD1, 0xD6, 0xDC}) {
        const Glyph& g = FontGlyph(code);
        EXPECT_TRUE((g.rows[0] | g.rows[1]) != 0 && g.rows[7] != 0 && (g.rows[8] | g.rows[9]) == 0)
            << "code " << int(code) << ": the mark on top, the letter still on the baseline";
    }
    EXPECT_TRUE(FontGlyph(0xC7).rows[8] != 0 && FontGlyph(0xE7).rows[8] != 0) << "the cedilla hangs below C and c";
    // Lower-case marks stand above the x-height; the letter below them is the plain one.
    const std::pair<unsigned char, unsigned char> lower[] = {{0xE0, 'a'}, {0xE9, 'e'}, {0xF1, 'n'}, {0xFC, 'u'}, {0xF6, 'o'}};
    for (const auto& [code, base] : lower) {
        const Glyph& g = FontGlyph(code);
        EXPECT_TRUE((g.rows[1] | g.rows[2]) != 0 && std::equal(g.rows + 3, g.rows + FONT_HEIGHT, FontGlyph(base).rows + 3))
            << "code " << int(code) << ": the mark above the x-height, the plain letter below it";
    }
    EXPECT_GE(FontGlyph(0xED).width, 2) << "an accented i is wide enough for its mark";
}

TEST(PixFont, SheetHoldsOneBoxPerCharacterInTheGamesOrderAndTextIsMeasuredAsTheGameMeasures)
{
    EXPECT_EQ(FontTextWidth("") + FontTextWidth("A"), FontGlyph('A').width);
    EXPECT_EQ(FontTextWidth("Ai", 2), FontGlyph('A').width + 2 + FontGlyph('i').width);
    Canvas c(64, FONT_HEIGHT);
    EXPECT_EQ(FontDrawText(c, "Hi!", 3, 0, {1, 1, 1}), 3 + FontTextWidth("Hi!") + 1) << "the pen stops a spacing past";
    EXPECT_TRUE(c.At(3, 1)[3] == 1.0f && c.At(2, 1)[3] == 0.0f) << "H begins at the pen with its stem";
    const FrameSheet sheet = BuildFontSheet();
    const std::vector<unsigned char>& set = FontCharacterSet();
    ASSERT_EQ(set.size(), static_cast<size_t>(TXT_THEME_GLYPHS));
    ASSERT_EQ(sheet.fx.size(), set.size());
    for (size_t i = 0; i < set.size(); ++i) {
        ASSERT_EQ(set[i], static_cast<unsigned char>(TXT_ThemeCharSet[i])) << "box " << i;
        const Glyph& g = FontGlyph(set[i]);
        for (int j = 0; j < FONT_HEIGHT * g.width; ++j) {
            EXPECT_EQ(sheet.colour.At(sheet.fx[i] + j % g.width, sheet.fy[i] + j / g.width)[3], g.Ink(j % g.width, j / g.width) ? 1.0f : 0.0f)
                << "glyph " << i << " pixel " << j % g.width << "," << j / g.width;
        }
    }
}

} // namespace
