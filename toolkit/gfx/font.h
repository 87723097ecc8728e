// Proportional bitmap fonts cut from a BMP picture of glyph boxes, and the measuring and
// drawing of texts with them: on one line, spread or justified across a width, or
// word-wrapped inside a rectangle.
//
// Depends on toolkit/gfx/pix.h (loading and the border-box scan) and util/mem.h. Texts are
// byte strings; every byte indexes the glyph table directly, so a code outside the font's
// character set is 0 wide and draws nothing. Widths are 16-bit; every operation takes an extra
// spacing in pixels that follows each character. Drawing is clipped by SDL as usual: texts
// starting left of or above the destination are drawn in part.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>

// The character set of the themes' fonts: glyph boxes for 0x20..0x7E, then 0xA1..0xFF without
// the soft hyphen 0xAD, then the two symbol glyphs 0x01 (back arrow) and 0x02 (marker).
enum : int { TXT_THEME_GLYPHS = 191 };

constexpr std::array<char, TXT_THEME_GLYPHS + 1> TXT_MakeThemeCharSet()
{
    std::array<char, TXT_THEME_GLYPHS + 1> set{};
    int n = 0;
    for (int c = 0x20; c <= 0x7E; c++) {
        set[n++] = static_cast<char>(c);
    }
    for (int c = 0xA1; c <= 0xFF; c++) {
        if (c != 0xAD) {
            set[n++] = static_cast<char>(c);
        }
    }
    set[n++] = '\x01';
    set[n++] = '\x02';
    set[n] = '\0';
    return set;
}

// The set in box order, NUL-terminated, to hand to TXT_LoadFont.
inline constexpr std::array<char, TXT_THEME_GLYPHS + 1> TXT_ThemeCharSet = TXT_MakeThemeCharSet();

// A loaded font. Fields are read only for callers.
struct TXT_Font {
    // Over every glyph of the set; 65535, 65535, 0, 0 for a set without glyphs.
    uint16_t smallestWidth;
    uint16_t smallestHeight;
    uint16_t largestWidth;
    uint16_t largestHeight;
    SDL_Surface* picture;  // owned by the font
    // Where each code's glyph lies in the picture; all zero for codes outside the set.
    SDL_Rect glyphs[256];
};

// Loading. The picture is loaded as PIX_LoadBMP loads it (same file, mask, alpha, colour key,
// format and flags); its top-left pixel is the box colour, and one box is taken per byte of
// `charSet`, in order, scanning rows of boxes from the top left.
// Returns NULL on a NULL name or set, on any PIX_LoadBMP failure, when the picture holds
// fewer boxes than the set or a malformed one, and on an allocation failure; nothing stays
// allocated then. Free with TXT_FreeFont.
[[nodiscard]] TXT_Font* TXT_LoadFont(const char* fileName, const char* maskName, int32_t alpha,
                                     int32_t colourKey, const SDL_PixelFormat* format,
                                     uint32_t flags, const char* charSet);
// As TXT_LoadFont from streams (PIX_LoadBMP_RW); `mask` NULL = no mask. The streams stay open
// and belong to the caller.
[[nodiscard]] TXT_Font* TXT_LoadFont_RW(SDL_RWops* picture, SDL_RWops* mask, int32_t alpha,
                                        int32_t colourKey, const SDL_PixelFormat* format,
                                        uint32_t flags, const char* charSet);
// A copy with its own picture (PIX_Duplicate, no alpha channel added). NULL for a NULL font
// or on an allocation failure, with nothing allocated. Free with TXT_FreeFont.
[[nodiscard]] TXT_Font* TXT_CopyFont(const TXT_Font* font);
// Sets the picture's surface alpha; returns SDL_SetAlpha's result (-1 for a NULL font).
int TXT_SetAlpha(TXT_Font* font, uint8_t alpha);

// Measuring. NULL fonts and texts measure 0.
// Sum of (glyph width + spacing) over the text, less one spacing; 0 for an empty text.
[[nodiscard]] uint16_t TXT_TextWidth(const TXT_Font* font, const char* text, int spacing);
// The same over the first n characters (fewer when the text ends sooner).
[[nodiscard]] uint16_t TXT_TextWidthN(const TXT_Font* font, const char* text, int spacing, uint32_t n);
// The tallest glyph of the text; 0 for an empty text.
[[nodiscard]] uint16_t TXT_TextHeight(const TXT_Font* font, const char* text);
// The first character that no longer fits in `width` when the text is laid out from its
// start, or the NUL or newline that ends the line; the start itself when not even the first
// glyph fits (or the text is NULL).
[[nodiscard]] const char* TXT_FitForward(const TXT_Font* font, const char* text, int spacing, uint16_t width);
// Lays out backwards from `position` (from the character before it when it holds a NUL or a
// newline) toward `start`, stopping at a newline, and returns the leftmost character of the
// run that fits in `width`; one past the starting character when not even that fits. Gives
// `position` back for NULL arguments or a position at or before the start holding NUL or newline.
[[nodiscard]] const char* TXT_FitBackward(const TXT_Font* font, const char* start, const char* position,
                                          int spacing, uint16_t width);
// Moves (x, y) back by half the text's width and height, so that the text centres on it.
void TXT_CentreAt(const TXT_Font* font, const char* text, int spacing, int16_t* x, int16_t* y);

// Drawing. Each returns the first character not drawn: the end of the text or range once
// everything is drawn. NULL arguments draw nothing and return the text (NULL for a NULL text).
// Glyph after glyph from (x, y); stops before a character whose pen x is at or beyond the
// destination's width.
const char* TXT_DrawText(const TXT_Font* font, const char* text, int spacing, SDL_Surface* destination,
                         int16_t x, int16_t y);
// The same for the characters from `from` up to, not including, `to` (or a NUL before it).
const char* TXT_DrawRange(const TXT_Font* font, const char* from, const char* to, int spacing,
                          SDL_Surface* destination, int16_t x, int16_t y);
// Draws the whole text (no stop at the edge) filling `width`: the spare pixels are shared
// between the gaps, trailing spaces left out of the sharing.
void TXT_DrawSpread(const TXT_Font* font, const char* text, SDL_Surface* destination, int16_t x,
                    int16_t y, uint16_t width);
// Draws the range filling `width` by widening its spaces (trailing spaces not counted), so
// that the last glyph ends at x + width; drawn plainly when the range does not leave each
// space at least a pixel. Stops at the destination's width.
const char* TXT_DrawRangeJustified(const TXT_Font* font, const char* from, const char* to, int spacing,
                                   SDL_Surface* destination, int16_t x, int16_t y, uint16_t width);
// Draws the range filling `width` by sharing the spare pixels between all its characters
// (trailing spaces left out); drawn plainly, with spacing, when that would stretch it to more
// than about twice its natural width.
const char* TXT_DrawRangeSpread(const TXT_Font* font, const char* from, const char* to, int spacing,
                                SDL_Surface* destination, int16_t x, int16_t y, uint16_t width);
// Word-wrapped text inside `rect` (NULL: the destination's clip rectangle), lines one largest
// glyph height + `lineSpacing` apart, each line left-aligned. A word wider than the rectangle
// is broken where it stops fitting; a newline ends a line. Returns where drawing stopped: the
// end of the text, or the first character not laid out (no room below, or a glyph wider than
// the rectangle).
const char* TXT_DrawWrapped(const TXT_Font* font, const char* text, int spacing, int lineSpacing,
                            SDL_Surface* destination, const SDL_Rect* rect);
// As TXT_DrawWrapped, but every line that ends by wrapping is justified across the width;
// the last line of a paragraph stays left-aligned.
const char* TXT_DrawWrappedJustified(const TXT_Font* font, const char* text, int spacing, int lineSpacing,
                                     SDL_Surface* destination, const SDL_Rect* rect);
// As TXT_DrawWrapped, but every line that ends by wrapping is spread across the width.
const char* TXT_DrawWrappedSpread(const TXT_Font* font, const char* text, int spacing, int lineSpacing,
                                  SDL_Surface* destination, const SDL_Rect* rect);
// Fills the text's box grown by `margin` on every side, at (x, y), with 0xRRGGBB. Returns
// SDL_FillRect's result (-1 for NULL arguments).
int TXT_FillTextBox(const TXT_Font* font, const char* text, int spacing, SDL_Surface* destination,
                    int16_t x, int16_t y, uint32_t colour, uint16_t margin);

// Frees the picture and the record; NULL is ignored.
void TXT_FreeFont(TXT_Font* font);
