#include "tools/pixfont.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

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

} // namespace
