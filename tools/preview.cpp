// zaf_preview OUT.bmp: one sheet to look the themes over: every sprite frame enlarged with its
// index, the character set in the five font tints, the four object classes of both themes,
// the menu box at two sizes, and both themes side by side as the game, the menu and the about
// page show them. Draws from the generator's own code, so it needs no theme on disk.
#include <cmath>
#include <cstdio>
#include <string>

#include "tools/bmp.h"
#include "tools/pixfont.h"
#include "tools/themes.h"

namespace {

const ThemeSpec& Default()
{
    return Themes()[0];
}

Rgb TintOf(const ThemeSpec& theme, const std::string& key, Rgb base = {1, 1, 1})
{
    int p[3] = {0, 0, 0};
    if (!DescriptorTriple(theme, key, p)) {
        DescriptorTriple(Default(), key, p);
    }
    auto ch = [](float v, int percent) {
        return static_cast<float>(TintChannel(ToByte(v), percent)) / 255.0f;
    };
    return {ch(base.r, p[0]), ch(base.g, p[1]), ch(base.b, p[2])};
}

Canvas Tinted(const Canvas& src, const ThemeSpec& theme, const std::string& key)
{
    Canvas out = src;
    for (int y = 0; y < src.h; ++y) {
        for (int x = 0; x < src.w; ++x) {
            const float* p = src.At(x, y);
            out.Set(x, y, TintOf(theme, key, {p[0], p[1], p[2]}), p[3]);
        }
    }
    return out;
}

void Label(Canvas& cv, const std::string& text, int x, int y)
{
    FontDrawText(cv, text, x, y, {0.85f, 0.85f, 0.9f});
}

// The menu box as the game tiles it: corners once, edges and centre repeated, never scaled.
void DrawBox(Canvas& cv, const Canvas& t, int x, int y, int w, int h)
{
    constexpr int b = 8;
    const int cw = t.w - 2 * b, ch = t.h - 2 * b;
    auto piece = [&](int sx, int sy, int pw, int ph, int dx, int dy, int clipX1, int clipY1) {
        for (int j = 0; j < ph; ++j) {
            for (int i = 0; i < pw; ++i) {
                if (dx + i < clipX1 && dy + j < clipY1) {
                    const float* p = t.At(sx + i, sy + j);
                    cv.Blend(dx + i, dy + j, {p[0], p[1], p[2]}, p[3]);
                }
            }
        }
    };
    for (int j = y + b; j < y + h - b; j += ch) {
        for (int i = x + b; i < x + w - b; i += cw) {
            piece(b, b, cw, ch, i, j, x + w - b, y + h - b);
        }
    }
    for (int i = x + b; i < x + w - b; i += cw) {
        piece(b, 0, cw, b, i, y, x + w - b, y + b);
        piece(b, t.h - b, cw, b, i, y + h - b, x + w - b, y + h);
    }
    for (int j = y + b; j < y + h - b; j += ch) {
        piece(0, b, b, ch, x, j, x + b, y + h - b);
        piece(t.w - b, b, b, ch, x + w - b, j, x + w, y + h - b);
    }
    piece(0, 0, b, b, x, y, x + b, y + b);
    piece(t.w - b, 0, b, b, x + w - b, y, x + w, y + b);
    piece(0, t.h - b, b, b, x, y + h - b, x + b, y + h);
    piece(t.w - b, t.h - b, b, b, x + w - b, y + h - b, x + w, y + h);
}

void Outlined(Canvas& cv, const ThemeSpec& theme, const std::string& font, const std::string& text, int x, int y)
{
    FontDrawOutlined(cv, text, x, y, TintOf(theme, font), TintOf(theme, "FONT.OUTLINE"));
}

// A moment of play: the arena turned by `turn` (1/1024), objects of all four classes, the
// launcher, catcher, a flash, markers and the four status texts.
Canvas GameScreen(const ThemeSpec& theme, int turn)
{
    Canvas source = MakeField(theme.field);
    const std::vector<Canvas> objects = MakeObjects(theme.shape);
    const std::vector<Canvas> sprites = MakeSprites();
    const char* classes[4] = {"OBJECT.SLOW", "OBJECT.NORMAL", "OBJECT.FAST", "OBJECT.SWIFT"};
    const float place[4][2] = {{-40, 30}, {25, -70}, {70, 50}, {-10, 95}};
    for (int k = 0; k < 4; ++k) {
        source.Draw(Tinted(objects[k], theme, classes[k]), 191 - 5 + static_cast<int>(place[k][0]),
                    191 - 5 + static_cast<int>(place[k][1]));
    }
    source.Draw(sprites[5], 191 - 10, 191 - 10);
    Canvas screen(255, 255);
    const double a = turn / 1024.0 * 2 * 3.14159265358979;
    const double s = std::sin(a), c = std::cos(a);
    for (int dy = -127; dy <= 127; ++dy) {
        for (int dx = -127; dx <= 127; ++dx) {
            const int u = static_cast<int>(std::floor(c * dx - s * dy)) + 191;
            const int v = static_cast<int>(std::floor(s * dx + c * dy)) + 191;
            const float* p = source.At(u, v);
            screen.Set(127 + dx, 127 + dy, {p[0], p[1], p[2]});
        }
    }
    screen.Draw(sprites[37 + 3], 118 - 19, 246);
    screen.Draw(sprites[45 + 3], 136 - 12, 246);
    screen.Draw(sprites[13], 160 - 7, 200 - 7);
    screen.Draw(sprites[17], 60 - 6, 120 - 6);
    screen.Draw(sprites[16], 150 - 6, 90 - 6);
    Outlined(screen, theme, "FONT.STATUS", "laser @ -3", 2, 2);
    const std::string right = "3.27  10432";
    Outlined(screen, theme, "FONT.STATUS", right, 253 - FontTextWidth(right), 2);
    Outlined(screen, theme, "FONT.STATUS", "SIFN", 2, 253 - FONT_HEIGHT);
    Outlined(screen, theme, "FONT.STATUS", "7", 253 - FontTextWidth("7"), 253 - FONT_HEIGHT);
    return screen;
}

void Backdrop(Canvas& screen, const ThemeSpec& theme)
{
    int b[6] = {0, 0, 0, 0, 0, 0};
    std::sscanf(DescriptorValue(theme, "BACKGROUND").c_str(), "%d %d %d %d %d %d", &b[0], &b[1], &b[2], &b[3],
                &b[4], &b[5]);
    for (int i = 0; i < 255; ++i) {
        Rgb row;
        float* ch[3] = {&row.r, &row.g, &row.b};
        for (int k = 0; k < 3; ++k) {
            *ch[k] = static_cast<float>((b[k] + (b[k + 3] - b[k]) * i / 254) & 255) / 255.0f;
        }
        screen.FillRect(0, i, 255, 1, row);
    }
    const std::vector<Canvas> objects = MakeObjects(theme.shape);
    const char* classes[4] = {"OBJECT.SLOW", "OBJECT.NORMAL", "OBJECT.FAST", "OBJECT.SWIFT"};
    Rng rng(7);
    for (int i = 0; i < 50; ++i) {
        screen.Draw(Tinted(objects[i % 6], theme, classes[i % 4]), static_cast<int>(rng.Next() % 256) - 5,
                    static_cast<int>(rng.Next() % 256) - 5);
    }
    const Canvas logo = MakeLogo();
    screen.Draw(logo, 127 - logo.w / 2, 1);
}

void Chart(Canvas& screen, const ThemeSpec& theme)
{
    unsigned cx = 0, top = 0;
    std::sscanf(DescriptorValue(theme, "CHART").c_str(), "%u %u", &cx, &top);
    const int y0 = static_cast<int>(top) - (FONT_HEIGHT + 1) * 6;
    Outlined(screen, theme, "FONT.LABELS", "TOP KINGS", static_cast<int>(cx) - FontTextWidth("TOP KINGS") / 2, y0);
    const char* names[10] = {"plume", "\xC5sa \xD8rn", "plume", "J\xFCrgen", "plume", "plume", "Zo\xEB", "plume",
                             "plume", "plume"};
    std::string rows[10];
    int widest = 0, widestPoints = 0;
    for (int i = 0; i < 10; ++i) {
        const std::string latin = names[i];
        rows[i] = std::to_string(5000 - 500 * i) + " " + latin;
        const int w = FontTextWidth(rows[i]);
        if (w > widest) {
            widest = w;
            widestPoints = FontTextWidth(std::to_string(5000 - 500 * i));
        }
    }
    const int a = static_cast<int>(cx) - widest / 2 + widestPoints;
    int y = y0 + FONT_HEIGHT + 1;
    for (int i = 0; i < 10; ++i) {
        y += FONT_HEIGHT + 1;
        Outlined(screen, theme, "FONT.CHART", rows[i], a - FontTextWidth(std::to_string(5000 - 500 * i)), y);
    }
}

Canvas MenuScreen(const ThemeSpec& theme)
{
    Canvas screen(255, 255);
    Backdrop(screen, theme);
    Chart(screen, theme);
    unsigned m[4] = {0, 0, 0, 0};
    std::sscanf(DescriptorValue(theme, "MENU").c_str(), "%u %u %u %u", &m[0], &m[1], &m[2], &m[3]);
    const int x = static_cast<int>(m[0]), y = static_cast<int>(m[1]);
    DrawBox(screen, MakeTemplate(), x, y, static_cast<int>(m[2]), static_cast<int>(m[3]));
    const char* entries[] = {"THEME", "VIDEO", "INTERPOLATION: off", "VOLUME: medium", "DIFFICULTY: inhuman",
                             "\x01"};
    int line = 9;
    for (const char* e : entries) {
        FontDrawText(screen, e, x + 9, y + line, TintOf(theme, "FONT.MENU"));
        line += FONT_HEIGHT + 3;
    }
    return screen;
}

Canvas AboutScreen(const ThemeSpec& theme)
{
    Canvas screen(255, 255);
    Backdrop(screen, theme);
    const int y0 = MakeLogo().h + 9, step = FONT_HEIGHT + 3;
    Outlined(screen, theme, "FONT.LABELS", "ZAF 20100329.1553-AOS4", 8, y0);
    const std::string lines[] = {"ZAF for Linux, 2026, by its players", "", "uses (see the documentation):",
                                 "SDL by Sam Lantinga and others", "SDL_mixer by Sam Lantinga,",
                                 "Stephane Peter and Ryan Gordon", "libogg, libvorbis and libvorbisfile",
                                 "by the Xiph.Org Foundation", "", "theme " + DescriptorValue(theme, "LEGAL_INFORMATION"),
                                 "", "website & email:", "zaf.example.org", "zaf@example.org"};
    int y = y0 + 2 * step;
    for (const std::string& l : lines) {
        Outlined(screen, theme, "FONT.CHART", l, 8, y);
        y += step;
    }
    return screen;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zaf_preview OUT.bmp\n");
        return 2;
    }
    Canvas sheet(1100, 1560);
    sheet.Fill(RgbFromHex(0x30343C));

    // Sprite frames, three times their size, with their index.
    Label(sheet, "sprites.c.bmp (x3)", 8, 6);
    const std::vector<Canvas> sprites = MakeSprites();
    for (size_t i = 0; i < sprites.size(); ++i) {
        const int col = static_cast<int>(i % 10), row = static_cast<int>(i / 10);
        const int x = 8 + col * 108, y = 22 + row * 66;
        sheet.FillRect(x, y, 100, 48, RgbFromHex(0x10141C));
        sheet.Draw(sprites[i].Enlarged(3), x + 2, y + 2);
        Label(sheet, std::to_string(i), x, y + 50);
    }

    // The character set in the five tints, twice its size, over the outline colour.
    int y = 490;
    Label(sheet, "font.c.bmp in FONT.MENU, LABELS, CHART, STATUS, OUTLINE (x2)", 8, y);
    y += 14;
    const char* tints[5] = {"FONT.MENU", "FONT.LABELS", "FONT.CHART", "FONT.STATUS", "FONT.OUTLINE"};
    const std::vector<unsigned char>& set = FontCharacterSet();
    for (const char* tint : tints) {
        for (int half = 0; half < 2; ++half) {
            Canvas line(540, FONT_HEIGHT + 2);
            line.Fill(tint == std::string("FONT.OUTLINE") ? RgbFromHex(0xC0C4CC) : TintOf(Default(), "FONT.OUTLINE"));
            std::string text;
            for (size_t k = half * 96; k < set.size() && k < static_cast<size_t>(half + 1) * 96; ++k) {
                text += static_cast<char>(set[k]);
            }
            FontDrawText(line, text, 1, 1, TintOf(Default(), tint));
            sheet.Draw(line.Enlarged(2), 8, y);
            y += 2 * (FONT_HEIGHT + 2) + 2;
        }
    }

    // Objects of both themes: the four classes, six frames each, four times their size.
    y += 8;
    const char* classes[4] = {"OBJECT.SLOW", "OBJECT.NORMAL", "OBJECT.FAST", "OBJECT.SWIFT"};
    for (size_t t = 0; t < Themes().size(); ++t) {
        const ThemeSpec& theme = Themes()[t];
        const int x0 = 8 + static_cast<int>(t) * 300;
        Label(sheet, theme.name + " objects (x4)", x0, y);
        const std::vector<Canvas> objects = MakeObjects(theme.shape);
        for (int k = 0; k < 4; ++k) {
            sheet.FillRect(x0, y + 14 + k * 48, 288, 46, RgbFromHex(0x000000));
            for (int f = 0; f < 6; ++f) {
                sheet.Draw(Tinted(objects[f], theme, classes[k]).Enlarged(4), x0 + 2 + f * 48, y + 15 + k * 48);
            }
        }
    }
    // The menu box at two sizes.
    Label(sheet, "template.c.bmp at 60 x 40 and 200 x 150", 620, y);
    DrawBox(sheet, MakeTemplate(), 620, y + 16, 60, 40);
    DrawBox(sheet, MakeTemplate(), 700, y + 16, 200, 150);
    FontDrawText(sheet, "PLAY", 709, y + 25, TintOf(Default(), "FONT.MENU"));

    // Both themes side by side: play, menu, about page.
    y += 220;
    for (size_t t = 0; t < Themes().size(); ++t) {
        const ThemeSpec& theme = Themes()[t];
        const int yy = y + static_cast<int>(t) * 275;
        Label(sheet, theme.name, 8, yy);
        sheet.Draw(GameScreen(theme, 90 + 300 * static_cast<int>(t)), 8, yy + 14);
        sheet.Draw(MenuScreen(theme), 8 + 270, yy + 14);
        sheet.Draw(AboutScreen(theme), 8 + 540, yy + 14);
    }
    return WriteFile(argv[1], EncodeFlatBmp(sheet, {0, 0, 0})) ? 0 : 1;
}
