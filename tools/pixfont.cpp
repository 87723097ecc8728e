#include "tools/pixfont.h"

#include <array>
#include <cstring>

namespace {

// Rows from the capital line (row 1) downwards, '#' ink, '|' between rows; rows left out at
// the bottom are blank. Row 0 stays free for the accents of capitals.
struct Drawn {
    unsigned char code;
    const char* rows;
};

constexpr Drawn kDrawn[] = {
    {' ', "...|"},
    {'!', "#|#|#|#|#|.|#"},
    {'"', "#.#|#.#"},
    {'#', ".#.#.|.#.#.|#####|.#.#.|#####|.#.#.|.#.#."},
    {'$', "..#..|.####|#.#..|.###.|..#.#|####.|..#.."},
    {'%', "##..#|##..#|...#.|..#..|.#...|#..##|#..##"},
    {'&', ".##..|#..#.|#.#..|.#...|#.#.#|#..#.|.##.#"},
    {'\'', "#|#"},
    {'(', ".#|#.|#.|#.|#.|#.|.#"},
    {')', "#.|.#|.#|.#|.#|.#|#."},
    {'*', ".....|..#..|#.#.#|.###.|#.#.#|..#.."},
    {'+', ".....|..#..|..#..|#####|..#..|..#.."},
    {',', "..|..|..|..|..|.#|.#|#."},
    {'-', "....|....|....|####"},
    {'.', ".|.|.|.|.|.|#"},
    {'/', "....#|...#.|...#.|..#..|.#...|.#...|#...."},
    {'0', ".###.|#...#|#..##|#.#.#|##..#|#...#|.###."},
    {'1', ".#.|##.|.#.|.#.|.#.|.#.|###"},
    {'2', ".###.|#...#|....#|...#.|..#..|.#...|#####"},
    {'3', "#####|...#.|..#..|...#.|....#|#...#|.###."},
    {'4', "...#.|..##.|.#.#.|#..#.|#####|...#.|...#."},
    {'5', "#####|#....|####.|....#|....#|#...#|.###."},
    {'6', "..##.|.#...|#....|####.|#...#|#...#|.###."},
    {'7', "#####|....#|...#.|..#..|.#...|.#...|.#..."},
    {'8', ".###.|#...#|#...#|.###.|#...#|#...#|.###."},
    {'9', ".###.|#...#|#...#|.####|....#|...#.|.##.."},
    {':', ".|.|#|.|.|.|#"},
    {';', "..|..|.#|..|..|..|.#|#."},
    {'<', "...#|..#.|.#..|#...|.#..|..#.|...#"},
    {'=', "....|....|####|....|####"},
    {'>', "#...|.#..|..#.|...#|..#.|.#..|#..."},
    {'?', ".###.|#...#|....#|...#.|..#..|.....|..#.."},
    {'@', ".###.|#...#|#.###|#.#.#|#.###|#....|.####"},
    {'A', ".###.|#...#|#...#|#####|#...#|#...#|#...#"},
    {'B', "####.|#...#|#...#|####.|#...#|#...#|####."},
    {'C', ".###.|#...#|#....|#....|#....|#...#|.###."},
    {'D', "####.|#...#|#...#|#...#|#...#|#...#|####."},
    {'E', "#####|#....|#....|####.|#....|#....|#####"},
    {'F', "#####|#....|#....|####.|#....|#....|#...."},
    {'G', ".###.|#...#|#....|#.###|#...#|#...#|.####"},
    {'H', "#...#|#...#|#...#|#####|#...#|#...#|#...#"},
    {'I', "###|.#.|.#.|.#.|.#.|.#.|###"},
    {'J', "...#|...#|...#|...#|...#|#..#|.##."},
    {'K', "#...#|#..#.|#.#..|##...|#.#..|#..#.|#...#"},
    {'L', "#...|#...|#...|#...|#...|#...|####"},
    {'M', "#...#|##.##|#.#.#|#.#.#|#...#|#...#|#...#"},
    {'N', "#...#|#...#|##..#|#.#.#|#..##|#...#|#...#"},
    {'O', ".###.|#...#|#...#|#...#|#...#|#...#|.###."},
    {'P', "####.|#...#|#...#|####.|#....|#....|#...."},
    {'Q', ".###.|#...#|#...#|#...#|#.#.#|#..#.|.##.#"},
    {'R', "####.|#...#|#...#|####.|#.#..|#..#.|#...#"},
    {'S', ".####|#....|#....|.###.|....#|....#|####."},
    {'T', "#####|..#..|..#..|..#..|..#..|..#..|..#.."},
    {'U', "#...#|#...#|#...#|#...#|#...#|#...#|.###."},
    {'V', "#...#|#...#|#...#|#...#|#...#|.#.#.|..#.."},
    {'W', "#...#|#...#|#...#|#.#.#|#.#.#|##.##|#...#"},
    {'X', "#...#|#...#|.#.#.|..#..|.#.#.|#...#|#...#"},
    {'Y', "#...#|#...#|.#.#.|..#..|..#..|..#..|..#.."},
    {'Z', "#####|....#|...#.|..#..|.#...|#....|#####"},
    {'[', "##|#.|#.|#.|#.|#.|##"},
    {'\\', "#....|.#...|.#...|..#..|...#.|...#.|....#"},
    {']', "##|.#|.#|.#|.#|.#|##"},
    {'^', "..#..|.#.#.|#...#"},
    {'_', ".....|.....|.....|.....|.....|.....|.....|#####"},
    {'`', "#.|.#"},
    {'a', "....|....|.##.|...#|.###|#..#|.###"},
    {'b', "#...|#...|###.|#..#|#..#|#..#|###."},
    {'c', "....|....|.###|#...|#...|#...|.###"},
    {'d', "...#|...#|.###|#..#|#..#|#..#|.###"},
    {'e', "....|....|.##.|#..#|####|#...|.###"},
    {'f', ".##|#..|###|#..|#..|#..|#.."},
    {'g', "....|....|.###|#..#|#..#|#..#|.###|...#|.##."},
    {'h', "#...|#...|###.|#..#|#..#|#..#|#..#"},
    {'i', "#|.|#|#|#|#|#"},
    {'j', "..#|...|..#|..#|..#|..#|..#|..#|##."},
    {'k', "#...|#...|#..#|#.#.|##..|#.#.|#..#"},
    {'l', "#.|#.|#.|#.|#.|#.|.#"},
    {'m', ".....|.....|####.|#.#.#|#.#.#|#.#.#|#.#.#"},
    {'n', "....|....|###.|#..#|#..#|#..#|#..#"},
    {'o', "....|....|.##.|#..#|#..#|#..#|.##."},
    {'p', "....|....|###.|#..#|#..#|#..#|###.|#...|#..."},
    {'q', "....|....|.###|#..#|#..#|#..#|.###|...#|...#"},
    {'r', "....|....|#.##|##..|#...|#...|#..."},
    {'s', "....|....|.###|#...|.##.|...#|###."},
    {'t', ".#.|.#.|###|.#.|.#.|.#.|..#"},
    {'u', "....|....|#..#|#..#|#..#|#..#|.###"},
    {'v', ".....|.....|#...#|#...#|.#.#.|.#.#.|..#.."},
    {'w', ".....|.....|#...#|#...#|#.#.#|#.#.#|.#.#."},
    {'x', ".....|.....|#...#|.#.#.|..#..|.#.#.|#...#"},
    {'y', "....|....|#..#|#..#|#..#|#..#|.###|...#|.##."},
    {'z', "....|....|####|..#.|.#..|#...|####"},
    {'{', "..#|.#.|.#.|#..|.#.|.#.|..#"},
    {'|', "#|#|#|#|#|#|#|#|#"},
    {'}', "#..|.#.|.#.|..#|.#.|.#.|#.."},
    {'~', ".....|.....|.#...|#.#.#|...#."},
    {0xA1, ".|.|#|.|#|#|#|#|#"},
    {0xA2, "....|..#.|.###|#.#.|#.#.|.###|..#."},
    {0xA3, "..##.|.#..#|.#...|###..|.#...|.#...|#####"},
    {0xA4, ".....|#...#|.###.|.#.#.|.###.|#...#"},
    {0xA5, "#...#|.#.#.|..#..|#####|..#..|#####|..#.."},
    {0xA6, "#|#|#|.|#|#|#"},
    {0xA7, ".###|#...|.##.|#..#|.##.|...#|###."},
    {0xA8, "#.#"},
    {0xA9, ".#####.|#.....#|#.###.#|#.#...#|#.###.#|#.....#|.#####."},
    {0xAA, ".##|#.#|.##|...|###"},
    {0xAB, ".....|.....|..#.#|.#.#.|#.#..|.#.#.|..#.#"},
    {0xAC, "....|....|....|####|...#"},
    {0xAE, ".#####.|#.....#|#.##..#|#.#.#.#|#.##..#|#.#.#.#|.#####."},
    {0xAF, "###"},
    {0xB0, ".#.|#.#|.#."},
    {0xB1, "..#..|..#..|#####|..#..|..#..|.....|#####"},
    {0xB2, "##.|..#|.#.|#..|###"},
    {0xB3, "##.|..#|.#.|..#|##."},
    {0xB4, ".#|#."},
    {0xB5, "....|....|#..#|#..#|#..#|#..#|###.|#...|#..."},
    {0xB6, ".####|###.#|###.#|.##.#|..#.#|..#.#|..#.#"},
    {0xB7, ".|.|.|#"},
    {0xB8, "..|..|..|..|..|..|..|.#|#."},
    {0xB9, ".#.|##.|.#.|.#.|###"},
    {0xBA, ".#.|#.#|.#.|...|###"},
    {0xBB, ".....|.....|#.#..|.#.#.|..#.#|.#.#.|#.#.."},
    {0xBC, "#....#.|#...#..|#..#...|..#..#.|.#..##.|#..####|.....#."},
    {0xBD, "#....#.|#...#..|#..#...|..#.##.|.#....#|#....#.|....###"},
    {0xBE, "##...#.|.#..#..|##.#...|.##..#.|##..##.|...####|.....#."},
    {0xBF, "..#..|.....|..#..|.#...|#....|#...#|.###."},
    {0xC6, ".####|#.#..|#.#..|#####|#.#..|#.#..|#.###"},
    {0xD0, ".###.|.#..#|.#..#|###.#|.#..#|.#..#|.###."},
    {0xD7, ".....|#...#|.#.#.|..#..|.#.#.|#...#"},
    {0xD8, ".####|#..##|#.#.#|#.#.#|#.#.#|##..#|####."},
    {0xDE, "#....|####.|#...#|#...#|####.|#....|#...."},
    {0xDF, ".##.|#..#|#..#|###.|#..#|#..#|#.#."},
    {0xE6, "......|......|.####.|...#.#|.#####|#..#..|.##.##"},
    {0xF0, "#.#.|.#..|#.#.|.###|#..#|#..#|.##."},
    {0xF7, ".....|..#..|.....|#####|.....|..#.."},
    {0xF8, "....|....|.###|#.##|##.#|#..#|###."},
    {0xFE, "#...|#...|###.|#..#|#..#|#..#|###.|#...|#..."},
    {0x01, "..#....|.##....|######.|.##...#|..#...#|......#|..####."},
    {0x02, ".....|..#..|.###.|#####|.###.|..#.."},
};

enum Accent { GRAVE, ACUTE, CIRCUMFLEX, TILDE, DIAERESIS, RING, CEDILLA };

// Two-row accent marks, drawn centred above the letter.
constexpr const char* kAccent[] = {"#.|.#", ".#|#.", ".#.|#.#", ".#.#|#.#.", "", ".#.|#.#", ".#|#."};

struct Composed {
    unsigned char code;
    unsigned char base;
    Accent accent;
};

constexpr Composed kComposed[] = {
    {0xC0, 'A', GRAVE},      {0xC1, 'A', ACUTE},      {0xC2, 'A', CIRCUMFLEX}, {0xC3, 'A', TILDE},
    {0xC4, 'A', DIAERESIS},  {0xC5, 'A', RING},       {0xC7, 'C', CEDILLA},    {0xC8, 'E', GRAVE},
    {0xC9, 'E', ACUTE},      {0xCA, 'E', CIRCUMFLEX}, {0xCB, 'E', DIAERESIS},  {0xCC, 'I', GRAVE},
    {0xCD, 'I', ACUTE},      {0xCE, 'I', CIRCUMFLEX}, {0xCF, 'I', DIAERESIS},  {0xD1, 'N', TILDE},
    {0xD2, 'O', GRAVE},      {0xD3, 'O', ACUTE},      {0xD4, 'O', CIRCUMFLEX}, {0xD5, 'O', TILDE},
    {0xD6, 'O', DIAERESIS},  {0xD9, 'U', GRAVE},      {0xDA, 'U', ACUTE},      {0xDB, 'U', CIRCUMFLEX},
    {0xDC, 'U', DIAERESIS},  {0xDD, 'Y', ACUTE},      {0xE0, 'a', GRAVE},      {0xE1, 'a', ACUTE},
    {0xE2, 'a', CIRCUMFLEX}, {0xE3, 'a', TILDE},      {0xE4, 'a', DIAERESIS},  {0xE5, 'a', RING},
    {0xE7, 'c', CEDILLA},    {0xE8, 'e', GRAVE},      {0xE9, 'e', ACUTE},      {0xEA, 'e', CIRCUMFLEX},
    {0xEB, 'e', DIAERESIS},  {0xEC, 'i', GRAVE},      {0xED, 'i', ACUTE},      {0xEE, 'i', CIRCUMFLEX},
    {0xEF, 'i', DIAERESIS},  {0xF1, 'n', TILDE},      {0xF2, 'o', GRAVE},      {0xF3, 'o', ACUTE},
    {0xF4, 'o', CIRCUMFLEX}, {0xF5, 'o', TILDE},      {0xF6, 'o', DIAERESIS},  {0xF9, 'u', GRAVE},
    {0xFA, 'u', ACUTE},      {0xFB, 'u', CIRCUMFLEX}, {0xFC, 'u', DIAERESIS},  {0xFD, 'y', ACUTE},
    {0xFF, 'y', DIAERESIS},
};

Glyph Parse(const char* rows, int firstRow)
{
    Glyph g;
    g.width = static_cast<int>(std::strcspn(rows, "|"));
    int y = firstRow;
    for (const char* p = rows; *p != '\0' && y < FONT_HEIGHT; ++y) {
        uint16_t bits = 0;
        for (; *p != '\0' && *p != '|'; ++p) {
            bits = static_cast<uint16_t>(bits << 1 | (*p == '#' ? 1 : 0));
        }
        g.rows[y] = bits;
        if (*p == '|') {
            ++p;
        }
    }
    return g;
}

// Sets the pixel (x, y) of a glyph.
void Plot(Glyph& g, int x, int y)
{
    if (x >= 0 && x < g.width && y >= 0 && y < FONT_HEIGHT) {
        g.rows[y] = static_cast<uint16_t>(g.rows[y] | 1u << (g.width - 1 - x));
    }
}

// Puts a mark centred over the glyph, its top row at `top`.
void Stamp(Glyph& g, const char* mark, int top)
{
    const Glyph m = Parse(mark, 0);
    const int shift = (g.width - m.width) / 2;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < m.width; ++x) {
            if (m.Ink(x, y)) {
                Plot(g, x + shift, top + y);
            }
        }
    }
}

Glyph Compose(const Glyph& base, Accent accent, bool capital)
{
    Glyph g = base;
    if (accent == CEDILLA) {
        Stamp(g, kAccent[CEDILLA], 8);
        return g;
    }
    if (capital) {
        // A capital gives up one of two equal neighbouring rows so that the mark fits above it
        // within the line: rows 2..7 then hold rows 1..7 of the letter less the dropped one.
        int drop = 1;
        for (int r = 1; r <= 6; ++r) {
            if (base.rows[r] == base.rows[r + 1]) {
                drop = r;
                break;
            }
        }
        int out = 2;
        for (int r = 0; r < 8; ++r) {
            g.rows[r] = 0;
        }
        for (int r = 1; r <= 7; ++r) {
            if (r != drop) {
                g.rows[out++] = base.rows[r];
            }
        }
    }
    const int top = capital ? 0 : 1;
    switch (accent) {
    case DIAERESIS: {
        const int inset = g.width > 4 ? 1 : 0;
        Plot(g, inset, top);
        Plot(g, g.width - 1 - inset, top);
        break;
    }
    case RING:
        Stamp(g, capital ? "###|#.#" : ".#.|#.#|.#.", 0);
        break;
    default:
        Stamp(g, kAccent[accent], top);
        break;
    }
    return g;
}

// The table of every glyph, built once.
struct Table {
    std::array<Glyph, 256> glyphs{};
    std::vector<unsigned char> set;

    Table()
    {
        for (const Drawn& d : kDrawn) {
            glyphs[d.code] = Parse(d.rows, 1);
        }
        // Accented i and j lose their dot; i gets room for the mark.
        Glyph dotless = Parse("...|...|.#.|.#.|.#.|.#.|.#.", 1);
        for (const Composed& c : kComposed) {
            const bool capital = c.base < 'a';
            const Glyph& base = c.base == 'i' ? dotless : glyphs[c.base];
            glyphs[c.code] = Compose(base, c.accent, capital);
        }
        for (int c = 0x20; c <= 0x7E; ++c) {
            set.push_back(static_cast<unsigned char>(c));
        }
        for (int c = 0xA1; c <= 0xFF; ++c) {
            if (c != 0xAD) {
                set.push_back(static_cast<unsigned char>(c));
            }
        }
        set.push_back(0x01);
        set.push_back(0x02);
    }
};

const Table& TheTable()
{
    static const Table table;
    return table;
}

} // namespace

const std::vector<unsigned char>& FontCharacterSet()
{
    return TheTable().set;
}

const Glyph& FontGlyph(unsigned char code)
{
    return TheTable().glyphs[code];
}

FrameSheet BuildFontSheet()
{
    std::vector<Canvas> cells;
    for (unsigned char code : FontCharacterSet()) {
        const Glyph& g = FontGlyph(code);
        Canvas cell(g.width, FONT_HEIGHT);
        for (int y = 0; y < FONT_HEIGHT; ++y) {
            for (int x = 0; x < g.width; ++x) {
                if (g.Ink(x, y)) {
                    cell.Set(x, y, {1, 1, 1});
                }
            }
        }
        cells.push_back(cell);
    }
    return PackFrames(cells, 160, RgbFromHex(0xFF00FF));
}

int FontTextWidth(const std::string& text, int spacing)
{
    int w = 0;
    for (unsigned char c : text) {
        w += FontGlyph(c).width + spacing;
    }
    return text.empty() ? 0 : w - spacing;
}

int FontDrawText(Canvas& cv, const std::string& text, int x, int y, Rgb c, int spacing)
{
    for (unsigned char ch : text) {
        const Glyph& g = FontGlyph(ch);
        for (int j = 0; j < FONT_HEIGHT; ++j) {
            for (int i = 0; i < g.width; ++i) {
                if (g.Ink(i, j)) {
                    cv.Set(x + i, y + j, c);
                }
            }
        }
        x += g.width + spacing;
    }
    return x;
}

void FontDrawOutlined(Canvas& cv, const std::string& text, int x, int y, Rgb c, Rgb outline)
{
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (dx != 0 || dy != 0) {
                FontDrawText(cv, text, x + dx, y + dy, outline);
            }
        }
    }
    FontDrawText(cv, text, x, y, c);
}
