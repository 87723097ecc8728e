#include "tools/canvas.h"

#include <algorithm>
#include <cmath>

Rgb RgbFromHex(uint32_t rrggbb)
{
    return {static_cast<float>((rrggbb >> 16) & 255) / 255.0f,
            static_cast<float>((rrggbb >> 8) & 255) / 255.0f,
            static_cast<float>(rrggbb & 255) / 255.0f};
}

uint32_t HexFromRgb(Rgb c)
{
    auto byte = [](float v) { return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    return byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
}

Rgb Mix(Rgb a, Rgb b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Scale(Rgb a, float k)
{
    return {a.r * k, a.g * k, a.b * k};
}

Canvas::Canvas(int width, int height) : w(width), h(height), px(static_cast<size_t>(width) * height * 4, 0.0f)
{
}

void Canvas::Set(int x, int y, Rgb c, float a)
{
    if (!Inside(x, y)) {
        return;
    }
    float* p = At(x, y);
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = a;
}

void Canvas::Blend(int x, int y, Rgb c, float a)
{
    if (!Inside(x, y) || a <= 0.0f) {
        return;
    }
    a = std::min(a, 1.0f);
    float* p = At(x, y);
    const float outA = a + p[3] * (1.0f - a);
    if (outA <= 0.0f) {
        return;
    }
    const float keep = p[3] * (1.0f - a);
    p[0] = (c.r * a + p[0] * keep) / outA;
    p[1] = (c.g * a + p[1] * keep) / outA;
    p[2] = (c.b * a + p[2] * keep) / outA;
    p[3] = outA;
}

void Canvas::Fill(Rgb c, float a)
{
    FillRect(0, 0, w, h, c, a);
}

void Canvas::FillRect(int x, int y, int rw, int rh, Rgb c, float a)
{
    for (int j = y; j < y + rh; ++j) {
        for (int i = x; i < x + rw; ++i) {
            Set(i, j, c, a);
        }
    }
}

namespace {

constexpr int kSub = 4;

// Runs `inside(x, y)` on a 4 x 4 grid in every pixel of the box and blends by coverage.
template <typename Inside>
void Cover(Canvas& cv, float x0, float y0, float x1, float y1, Rgb c, float a, Inside inside)
{
    const int ix0 = std::max(0, static_cast<int>(std::floor(x0)));
    const int iy0 = std::max(0, static_cast<int>(std::floor(y0)));
    const int ix1 = std::min(cv.w - 1, static_cast<int>(std::ceil(x1)));
    const int iy1 = std::min(cv.h - 1, static_cast<int>(std::ceil(y1)));
    for (int y = iy0; y <= iy1; ++y) {
        for (int x = ix0; x <= ix1; ++x) {
            int hits = 0;
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    const float px = static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / kSub;
                    const float py = static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / kSub;
                    hits += inside(px, py) ? 1 : 0;
                }
            }
            if (hits > 0) {
                cv.Blend(x, y, c, a * static_cast<float>(hits) / (kSub * kSub));
            }
        }
    }
}

} // namespace

void Canvas::Disc(float cx, float cy, float r, Rgb c, float a)
{
    Cover(*this, cx - r, cy - r, cx + r, cy + r, c, a, [&](float x, float y) {
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
    });
}

void Canvas::Ring(float cx, float cy, float r0, float r1, Rgb c, float a)
{
    Cover(*this, cx - r1, cy - r1, cx + r1, cy + r1, c, a, [&](float x, float y) {
        const float d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        return d >= r0 * r0 && d <= r1 * r1;
    });
}

void Canvas::Line(float x0, float y0, float x1, float y1, float width, Rgb c, float a)
{
    const float dx = x1 - x0;
    const float dy = y1 - y0;
    const float len2 = dx * dx + dy * dy;
    const float half = width * 0.5f;
    Cover(*this, std::min(x0, x1) - half, std::min(y0, y1) - half, std::max(x0, x1) + half,
          std::max(y0, y1) + half, c, a, [&](float x, float y) {
              float t = len2 > 0.0f ? ((x - x0) * dx + (y - y0) * dy) / len2 : 0.0f;
              t = std::clamp(t, 0.0f, 1.0f);
              const float ex = x0 + dx * t - x;
              const float ey = y0 + dy * t - y;
              return ex * ex + ey * ey <= half * half;
          });
}

void Canvas::Polygon(const std::vector<float>& xy, Rgb c, float a)
{
    const size_t n = xy.size() / 2;
    if (n < 3) {
        return;
    }
    float minX = xy[0], maxX = xy[0], minY = xy[1], maxY = xy[1];
    for (size_t i = 1; i < n; ++i) {
        minX = std::min(minX, xy[2 * i]);
        maxX = std::max(maxX, xy[2 * i]);
        minY = std::min(minY, xy[2 * i + 1]);
        maxY = std::max(maxY, xy[2 * i + 1]);
    }
    Cover(*this, minX, minY, maxX, maxY, c, a, [&](float x, float y) {
        bool in = false;
        for (size_t i = 0, j = n - 1; i < n; j = i++) {
            const float xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) {
                in = !in;
            }
        }
        return in;
    });
}

void Canvas::Draw(const Canvas& src, int x, int y)
{
    for (int j = 0; j < src.h; ++j) {
        for (int i = 0; i < src.w; ++i) {
            const float* s = src.At(i, j);
            Blend(x + i, y + j, {s[0], s[1], s[2]}, s[3]);
        }
    }
}

Canvas Canvas::Enlarged(int factor) const
{
    Canvas out(w * factor, h * factor);
    for (int y = 0; y < out.h; ++y) {
        for (int x = 0; x < out.w; ++x) {
            const float* s = At(x / factor, y / factor);
            std::copy(s, s + 4, out.At(x, y));
        }
    }
    return out;
}

FrameSheet PackFrames(const std::vector<Canvas>& frames, int maxWidth, Rgb border)
{
    // First lay the boxes out, then paint, so the sheet has its final size at once.
    std::vector<int> bx(frames.size()), by(frames.size());
    int x = 0, y = 0, rowH = 0, width = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        const int boxW = frames[i].w + 2;
        if (x > 0 && x + boxW > maxWidth) {
            y += rowH + 3;
            x = 0;
            rowH = 0;
        }
        bx[i] = x;
        by[i] = y;
        x += boxW + 1;
        width = std::max(width, x);
        rowH = std::max(rowH, frames[i].h);
    }
    FrameSheet sheet;
    sheet.colour = Canvas(width, y + rowH + 3);
    sheet.colour.Fill(RgbFromHex(KEY_COLOUR), 0.0f);
    for (size_t i = 0; i < frames.size(); ++i) {
        const Canvas& f = frames[i];
        Canvas& c = sheet.colour;
        for (int k = 0; k < f.w + 2; ++k) {
            c.Set(bx[i] + k, by[i], border);
            c.Set(bx[i] + k, by[i] + f.h + 1, border);
        }
        for (int k = 0; k < f.h + 2; ++k) {
            c.Set(bx[i], by[i] + k, border);
            c.Set(bx[i] + f.w + 1, by[i] + k, border);
        }
        for (int j = 0; j < f.h; ++j) {
            for (int k = 0; k < f.w; ++k) {
                const float* s = f.At(k, j);
                c.Set(bx[i] + 1 + k, by[i] + 1 + j, {s[0], s[1], s[2]}, s[3]);
            }
        }
        sheet.fx.push_back(bx[i] + 1);
        sheet.fy.push_back(by[i] + 1);
    }
    return sheet;
}
