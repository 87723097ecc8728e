// The game's own pixel font, drawn by hand: proportional glyphs 10 pixels tall (capitals 7,
// x-height 5, two rows of descender), every printable ASCII character, the Latin-1 letters and
// signs from 0xA1 to 0xFF (0xAD excepted) built from base letters and accent marks, and two
// symbols: 0x01 a "back" arrow and 0x02 a small diamond marker.
//
// Also lays the glyphs out as the boxed font picture the game cuts, and sets text for the
// preview sheet.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/canvas.h"

constexpr int FONT_HEIGHT = 10;
constexpr int FONT_GLYPHS = 191;

struct Glyph {
    int width = 0;
    uint16_t rows[FONT_HEIGHT] = {}; // bit (width - 1 - x) of row y is the pixel (x, y)
    [[nodiscard]] bool Ink(int x, int y) const { return (rows[y] >> (width - 1 - x)) & 1u; }
};

// The 191 codes in the order the font picture holds them: 0x20..0x7E, 0xA1..0xFF without
// 0xAD, then 0x01 and 0x02.
const std::vector<unsigned char>& FontCharacterSet();
// The glyph of a code of the set; a zero-width glyph for any other code.
const Glyph& FontGlyph(unsigned char code);

// The font picture: glyph ink white and opaque, background transparent, each glyph boxed.
FrameSheet BuildFontSheet();

// Text width with `spacing` pixels after every character but the last, as the game measures.
int FontTextWidth(const std::string& text, int spacing = 1);
// Sets the text at (x, y) in colour c; returns the pen position after it.
int FontDrawText(Canvas& cv, const std::string& text, int x, int y, Rgb c, int spacing = 1);
// The same with an outline of `outline` at the eight neighbouring offsets, as the game does.
void FontDrawOutlined(Canvas& cv, const std::string& text, int x, int y, Rgb c, Rgb outline);
