#include "toolkit/gfx/font.h"

#include <cstring>

#include "toolkit/gfx/pix.h"
#include "util/mem.h"

namespace {

const SDL_Rect& glyph_of(const TXT_Font* font, char c)
{
    return font->glyphs[static_cast<unsigned char>(c)];
}

uint16_t width_of(const TXT_Font* font, char c)
{
    return glyph_of(font, c).w;
}

void blit_glyph(const TXT_Font* font, char c, SDL_Surface* destination, int x, int y)
{
    SDL_Rect source = glyph_of(font, c);
    // A pen beyond the 16-bit range is off every surface SDL can address.
    if (source.w == 0 || source.h == 0 || x < INT16_MIN || x > INT16_MAX || y < INT16_MIN || y > INT16_MAX) {
        return;
    }
    SDL_Rect target = {static_cast<int16_t>(x), static_cast<int16_t>(y), 0, 0};
    SDL_UpperBlit(font->picture, &source, destination, &target);
}

// Where a range ends: at `to`, or at a NUL before it (`to` NULL: at the NUL).
const char* range_end(const char* from, const char* to)
{
    const char* p = from;
    while ((to == nullptr || p < to) && *p != '\0') {
        p++;
    }
    return p;
}

// The end of a range without its trailing spaces.
const char* without_trailing_spaces(const char* from, const char* end)
{
    while (end > from && end[-1] == ' ') {
        end--;
    }
    return end;
}

// Draws [from, to) glyph after glyph; returns the first character not drawn.
const char* draw_run(const TXT_Font* font, const char* from, const char* to, int spacing,
                     SDL_Surface* destination, int x, int y)
{
    int pen = x;
    const char* p = from;
    for (; p < to; p++) {
        if (pen >= destination->w) {
            break;
        }
        blit_glyph(font, *p, destination, pen, y);
        pen += width_of(font, *p) + spacing;
    }
    return p;
}

// A run drawn plainly up to `last` (its trailing spaces left out) counts as drawn to `end`.
const char* draw_run_to(const TXT_Font* font, const char* from, const char* last, const char* end,
                        int spacing, SDL_Surface* destination, int x, int y)
{
    const char* stop = draw_run(font, from, last, spacing, destination, x, y);
    return stop == last ? end : stop;
}

void note_glyph_size(TXT_Font* font, const SDL_Rect& box)
{
    // Smallest and largest are kept apart: a font whose glyphs shrink from the first on would
    // otherwise never get a largest size.
    if (box.w < font->smallestWidth) {
        font->smallestWidth = box.w;
    }
    if (box.w > font->largestWidth) {
        font->largestWidth = box.w;
    }
    if (box.h < font->smallestHeight) {
        font->smallestHeight = box.h;
    }
    if (box.h > font->largestHeight) {
        font->largestHeight = box.h;
    }
}

[[nodiscard]] bool cut_glyphs(TXT_Font* font, const char* charSet)
{
    SDL_Surface* picture = font->picture;
    if (SDL_LockSurface(picture) != 0) {
        return false;
    }
    PIX_BoxScan scan;
    PIX_BeginBoxScan(&scan, picture);
    bool complete = true;
    for (const char* c = charSet; *c != '\0'; c++) {
        SDL_Rect box;
        if (PIX_NextBox(&scan, picture, &box) != 1) {
            complete = false;
            break;
        }
        font->glyphs[static_cast<unsigned char>(*c)] = box;
        note_glyph_size(font, box);
    }
    SDL_UnlockSurface(picture);
    return complete;
}

// Takes the picture over, also when the font cannot be made.
TXT_Font* font_from_picture(SDL_Surface* picture, const char* charSet)
{
    if (picture == nullptr) {
        return nullptr;
    }
    auto* font = static_cast<TXT_Font*>(MEM_Calloc(1, sizeof(TXT_Font)));
    if (font == nullptr) {
        SDL_FreeSurface(picture);
        return nullptr;
    }
    font->smallestWidth = 65535;
    font->smallestHeight = 65535;
    font->picture = picture;
    if (!cut_glyphs(font, charSet)) {
        TXT_FreeFont(font);
        return nullptr;
    }
    return font;
}

enum class Wrap { PLAIN, JUSTIFIED, SPREAD };

bool is_separator(char c)
{
    return c == ' ' || c == '\n' || c == '\t' || c == '\0';
}

// Where a line laid out from `p` ends: the longest run that fits, cut back to the last
// separator when it would end inside a word that has one before it on the line.
const char* line_cut(const TXT_Font* font, const char* p, int spacing, uint16_t width)
{
    const char* cut = TXT_FitForward(font, p, spacing, width);
    if (cut == p || is_separator(*cut) || is_separator(cut[-1])) {
        return cut;
    }
    for (const char* q = cut - 1; q > p; q--) {
        if (is_separator(*q)) {
            return q;
        }
    }
    return cut;
}

void draw_line(const TXT_Font* font, const char* from, const char* to, int spacing, SDL_Surface* destination,
               const SDL_Rect& rect, int y, Wrap mode)
{
    bool paragraphEnd = *to == '\n' || *to == '\0';
    if (mode == Wrap::PLAIN || paragraphEnd || y < INT16_MIN || y > INT16_MAX) {
        draw_run(font, from, to, spacing, destination, rect.x, y);
    } else if (mode == Wrap::JUSTIFIED) {
        TXT_DrawRangeJustified(font, from, to, spacing, destination, rect.x, static_cast<int16_t>(y), rect.w);
    } else {
        TXT_DrawRangeSpread(font, from, to, spacing, destination, rect.x, static_cast<int16_t>(y), rect.w);
    }
}

const char* draw_wrapped(const TXT_Font* font, const char* text, int spacing, int lineSpacing,
                         SDL_Surface* destination, const SDL_Rect* rect, Wrap mode)
{
    if (text == nullptr || font == nullptr || destination == nullptr || *text == '\0') {
        return text;
    }
    SDL_Rect area;
    if (rect != nullptr) {
        area = *rect;
    } else {
        SDL_GetClipRect(destination, &area);
    }
    const int lineHeight = font->largestHeight;
    const int lastRow = area.y + area.h - 1;
    const int pitch = lineHeight + lineSpacing;
    const char* p = text;
    // A line is laid out only when all its rows lie inside the rectangle.
    for (int y = area.y; y + lineHeight - 1 <= lastRow; y += pitch) {
        while (*p == ' ') {
            p++;
        }
        const char* cut = line_cut(font, p, spacing, area.w);
        if (cut == p) {
            if (*p != '\n') {
                break;  // the end of the text, or a glyph wider than the rectangle
            }
            p++;
            continue;
        }
        draw_line(font, p, cut, spacing, destination, area, y, mode);
        p = *cut == '\n' ? cut + 1 : cut;
        if (*p == '\0') {
            break;
        }
    }
    return p;
}

}  // namespace

TXT_Font* TXT_LoadFont(const char* fileName, const char* maskName, int32_t alpha, int32_t colourKey,
                       const SDL_PixelFormat* format, uint32_t flags, const char* charSet)
{
    if (fileName == nullptr || charSet == nullptr) {
        return nullptr;
    }
    return font_from_picture(PIX_LoadBMP(fileName, maskName, alpha, colourKey, format, flags), charSet);
}

TXT_Font* TXT_LoadFont_RW(SDL_RWops* picture, SDL_RWops* mask, int32_t alpha, int32_t colourKey,
                          const SDL_PixelFormat* format, uint32_t flags, const char* charSet)
{
    if (picture == nullptr || charSet == nullptr) {
        return nullptr;
    }
    return font_from_picture(PIX_LoadBMP_RW(picture, mask, alpha, colourKey, format, flags), charSet);
}

TXT_Font* TXT_CopyFont(const TXT_Font* font)
{
    if (font == nullptr) {
        return nullptr;
    }
    auto* copy = static_cast<TXT_Font*>(MEM_Alloc(sizeof(TXT_Font)));
    if (copy == nullptr) {
        return nullptr;
    }
    std::memcpy(copy, font, sizeof(TXT_Font));
    copy->picture = PIX_Duplicate(font->picture, 0);
    if (copy->picture == nullptr) {
        MEM_Free(copy);
        return nullptr;
    }
    return copy;
}

int TXT_SetAlpha(TXT_Font* font, uint8_t alpha)
{
    if (font == nullptr) {
        return -1;
    }
    return SDL_SetAlpha(font->picture, SDL_SRCALPHA, alpha);
}

uint16_t TXT_TextWidthN(const TXT_Font* font, const char* text, int spacing, uint32_t n)
{
    if (font == nullptr || text == nullptr || *text == '\0' || n == 0) {
        return 0;
    }
    uint16_t sum = 0;
    for (uint32_t i = 0; i < n && text[i] != '\0'; i++) {
        sum = static_cast<uint16_t>(sum + width_of(font, text[i]) + spacing);
    }
    return static_cast<uint16_t>(sum - spacing);
}

uint16_t TXT_TextWidth(const TXT_Font* font, const char* text, int spacing)
{
    return TXT_TextWidthN(font, text, spacing, UINT32_MAX);
}

uint16_t TXT_TextHeight(const TXT_Font* font, const char* text)
{
    if (font == nullptr || text == nullptr) {
        return 0;
    }
    uint16_t height = 0;
    for (const char* p = text; *p != '\0'; p++) {
        uint16_t h = glyph_of(font, *p).h;
        if (h > height) {
            height = h;
        }
    }
    return height;
}

const char* TXT_FitForward(const TXT_Font* font, const char* text, int spacing, uint16_t width)
{
    if (font == nullptr || text == nullptr || *text == '\0' || *text == '\n') {
        return text;
    }
    // Wider than 16 bits, so that a very long line cannot wrap back to fitting.
    int32_t total = width_of(font, *text);
    if (total > width) {
        return text;
    }
    const char* p = text + 1;
    for (; *p != '\0' && *p != '\n'; p++) {
        total += spacing + width_of(font, *p);
        if (total > width) {
            return p;
        }
    }
    return p;
}

const char* TXT_FitBackward(const TXT_Font* font, const char* start, const char* position, int spacing,
                            uint16_t width)
{
    if (font == nullptr || start == nullptr || position == nullptr || position < start) {
        return position;
    }
    const char* s = position;
    if (*s == '\0' || *s == '\n') {
        if (s == start) {
            return position;
        }
        s--;
    }
    if (*s == '\n') {
        return s + 1;  // an empty line: nothing between the newline and the position
    }
    int32_t total = width_of(font, *s);
    if (total > width) {
        return s + 1;
    }
    while (s > start && s[-1] != '\n') {
        total += spacing + width_of(font, s[-1]);
        if (total > width) {
            return s;
        }
        s--;
    }
    return s;
}

void TXT_CentreAt(const TXT_Font* font, const char* text, int spacing, int16_t* x, int16_t* y)
{
    if (x != nullptr) {
        *x = static_cast<int16_t>(*x - (TXT_TextWidth(font, text, spacing) >> 1));
    }
    if (y != nullptr) {
        *y = static_cast<int16_t>(*y - (TXT_TextHeight(font, text) >> 1));
    }
}

const char* TXT_DrawText(const TXT_Font* font, const char* text, int spacing, SDL_Surface* destination,
                         int16_t x, int16_t y)
{
    return TXT_DrawRange(font, text, nullptr, spacing, destination, x, y);
}

const char* TXT_DrawRange(const TXT_Font* font, const char* from, const char* to, int spacing,
                          SDL_Surface* destination, int16_t x, int16_t y)
{
    if (from == nullptr || font == nullptr || destination == nullptr) {
        return from;
    }
    return draw_run(font, from, range_end(from, to), spacing, destination, x, y);
}

void TXT_DrawSpread(const TXT_Font* font, const char* text, SDL_Surface* destination, int16_t x, int16_t y,
                    uint16_t width)
{
    if (font == nullptr || text == nullptr || destination == nullptr) {
        return;
    }
    const char* end = range_end(text, nullptr);
    const char* last = without_trailing_spaces(text, end);
    int64_t count = last - text;
    uint16_t sum = 0;
    for (const char* p = text; p < last; p++) {
        sum = static_cast<uint16_t>(sum + width_of(font, *p));
    }
    const int16_t spare = static_cast<int16_t>(width - sum);
    uint16_t before = 0;
    int64_t k = 0;
    for (const char* p = text; p < end; p++, k++) {
        int64_t offset = count > 1 ? k * spare / (count - 1) : 0;
        int64_t at = x + before + offset;
        if (at >= INT16_MIN && at <= INT16_MAX) {
            blit_glyph(font, *p, destination, static_cast<int>(at), y);
        }
        before = static_cast<uint16_t>(before + width_of(font, *p));
    }
}

const char* TXT_DrawRangeJustified(const TXT_Font* font, const char* from, const char* to, int spacing,
                                   SDL_Surface* destination, int16_t x, int16_t y, uint16_t width)
{
    if (from == nullptr || font == nullptr || destination == nullptr) {
        return from;
    }
    const char* end = range_end(from, to);
    const char* last = without_trailing_spaces(from, end);
    if (last == from) {
        return end;
    }
    uint16_t natural = 0;
    int32_t spaces = 0;
    for (const char* p = from; p < last; p++) {
        if (*p == ' ') {
            spaces++;
        } else {
            natural = static_cast<uint16_t>(natural + width_of(font, *p) + spacing);
        }
    }
    natural = static_cast<uint16_t>(natural - spacing);
    // A range wider than the width has no spare pixels to give; it is drawn plainly instead of
    // getting a wrapped-around spare of nearly 65536.
    int32_t spare = natural > width ? -1 : width - natural;
    if (spare < spaces) {
        return draw_run_to(font, from, last, end, spacing, destination, x, y);
    }
    int pen = x;
    for (const char* p = from; p < last; p++) {
        if (pen >= destination->w) {
            return p;
        }
        if (*p == ' ') {
            int32_t step = spare / spaces;
            pen += step;
            spare -= step;
            spaces--;
        } else {
            blit_glyph(font, *p, destination, pen, y);
            pen += width_of(font, *p) + spacing;
        }
    }
    return end;
}

const char* TXT_DrawRangeSpread(const TXT_Font* font, const char* from, const char* to, int spacing,
                                SDL_Surface* destination, int16_t x, int16_t y, uint16_t width)
{
    if (from == nullptr || font == nullptr || destination == nullptr) {
        return from;
    }
    const char* end = range_end(from, to);
    const char* last = without_trailing_spaces(from, end);
    int64_t count = last - from;
    if (count == 0) {
        return end;
    }
    uint16_t sum = 0;
    for (const char* p = from; p < last; p++) {
        sum = static_cast<uint16_t>(sum + width_of(font, *p));
    }
    const int16_t spare = static_cast<int16_t>(width - sum);
    if (spare > sum + (count - 1) * spacing) {
        return draw_run_to(font, from, last, end, spacing, destination, x, y);
    }
    uint16_t before = 0;
    int64_t k = 0;
    for (const char* p = from; p < last; p++, k++) {
        int64_t offset = count > 1 ? k * spare / (count - 1) : 0;
        int64_t at = x + before + offset;
        if (at >= INT16_MIN && at <= INT16_MAX) {
            blit_glyph(font, *p, destination, static_cast<int>(at), y);
        }
        before = static_cast<uint16_t>(before + width_of(font, *p));
    }
    return end;
}

const char* TXT_DrawWrapped(const TXT_Font* font, const char* text, int spacing, int lineSpacing,
                            SDL_Surface* destination, const SDL_Rect* rect)
{
    return draw_wrapped(font, text, spacing, lineSpacing, destination, rect, Wrap::PLAIN);
}

const char* TXT_DrawWrappedJustified(const TXT_Font* font, const char* text, int spacing, int lineSpacing,
                                     SDL_Surface* destination, const SDL_Rect* rect)
{
    return draw_wrapped(font, text, spacing, lineSpacing, destination, rect, Wrap::JUSTIFIED);
}

const char* TXT_DrawWrappedSpread(const TXT_Font* font, const char* text, int spacing, int lineSpacing,
                                  SDL_Surface* destination, const SDL_Rect* rect)
{
    return draw_wrapped(font, text, spacing, lineSpacing, destination, rect, Wrap::SPREAD);
}

int TXT_FillTextBox(const TXT_Font* font, const char* text, int spacing, SDL_Surface* destination, int16_t x,
                    int16_t y, uint32_t colour, uint16_t margin)
{
    if (font == nullptr || text == nullptr || destination == nullptr) {
        return -1;
    }
    SDL_Rect box = {static_cast<int16_t>(x - margin), static_cast<int16_t>(y - margin),
                    static_cast<uint16_t>(TXT_TextWidth(font, text, spacing) + 2 * margin),
                    static_cast<uint16_t>(TXT_TextHeight(font, text) + 2 * margin)};
    Uint32 pixel = SDL_MapRGB(destination->format, static_cast<Uint8>(colour >> 16),
                              static_cast<Uint8>(colour >> 8), static_cast<Uint8>(colour));
    return SDL_FillRect(destination, &box, pixel);
}

void TXT_FreeFont(TXT_Font* font)
{
    if (font == nullptr) {
        return;
    }
    SDL_FreeSurface(font->picture);
    MEM_Free(font);
}
