#include "tools/art.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kCentre = 191.5f; // middle of pixel 191

float Clamp01(float v)
{
    return std::clamp(v, 0.0f, 1.0f);
}

// Angle in turns (0..1) measured clockwise from straight up, as the player sees the arena.
float TurnsFromUp(float dx, float dy)
{
    float a = std::atan2(dx, -dy) / (2 * kPi);
    return a < 0 ? a + 1 : a;
}

} // namespace

FieldStyle DefaultFieldStyle()
{
    return {RgbFromHex(0x05070E), RgbFromHex(0x1B2440), RgbFromHex(0x0C1228), RgbFromHex(0x3C5A8C),
            RgbFromHex(0x2E6FA8), RgbFromHex(0xA6E4FF), RgbFromHex(0xFFC847), 1.6f, 32, 0xC0FFEE};
}

FieldStyle EmberFieldStyle()
{
    return {RgbFromHex(0x0B0504), RgbFromHex(0x3A1A10), RgbFromHex(0x1A0A07), RgbFromHex(0x8C4A2A),
            RgbFromHex(0xB0501E), RgbFromHex(0xFFB070), RgbFromHex(0x7FF0FF), -1.1f, 24, 0xE4BE25};
}

Canvas MakeField(const FieldStyle& s)
{
    Canvas cv(FIELD_SIZE, FIELD_SIZE);
    Rng rng(s.seed);
    for (int y = 0; y < FIELD_SIZE; ++y) {
        for (int x = 0; x < FIELD_SIZE; ++x) {
            const float dx = static_cast<float>(x) + 0.5f - kCentre;
            const float dy = static_cast<float>(y) + 0.5f - kCentre;
            const float d = std::sqrt(dx * dx + dy * dy);
            const float grain = (rng.Unit() - 0.5f) * 0.012f;
            Rgb c = d < 128.0f ? Mix(s.floorCentre, s.floorEdge, Clamp01(d / 127.0f)) : s.outside;
            c = {c.r + grain, c.g + grain, c.b + grain};
            cv.Set(x, y, c);
        }
    }
    // Beyond the rim only a few dim specks, so the turning corners stay calm.
    for (int i = 0; i < 90; ++i) {
        const float x = rng.Unit() * FIELD_SIZE, y = rng.Unit() * FIELD_SIZE;
        const float d = std::hypot(x - kCentre, y - kCentre);
        if (d > 136.0f) {
            cv.Disc(x, y, 0.7f, s.lines, 0.25f + 0.2f * rng.Unit());
        }
    }
    cv.Ring(kCentre, kCentre, 150.0f, 151.0f, s.lines, 0.10f);

    // A lane a little lighter than the floor, and the guide rings.
    const float laneFrom = 0.58f, laneTo = 0.66f;
    for (int y = 0; y < FIELD_SIZE; ++y) {
        for (int x = 0; x < FIELD_SIZE; ++x) {
            const float dx = static_cast<float>(x) + 0.5f - kCentre;
            const float dy = static_cast<float>(y) + 0.5f - kCentre;
            const float d = std::hypot(dx, dy);
            const float t = TurnsFromUp(dx, dy);
            if (d > 16.0f && d < 119.0f && t > laneFrom && t < laneTo) {
                cv.Blend(x, y, s.lines, 0.10f);
            }
        }
    }
    for (float r : {42.0f, 84.0f}) {
        cv.Ring(kCentre, kCentre, r - 0.5f, r + 0.5f, s.lines, 0.30f);
    }
    // One spiral arm: the clearest sign of which way the arena turns.
    const float turns = std::fabs(s.spiralTurns);
    const float sense = s.spiralTurns < 0 ? -1.0f : 1.0f;
    float px = kCentre, py = kCentre - 16.0f;
    for (int i = 1; i <= 400; ++i) {
        const float t = static_cast<float>(i) / 400.0f;
        const float ang = sense * t * turns * 2 * kPi;
        const float r = 16.0f + t * 96.0f;
        const float nx = kCentre + r * std::sin(ang), ny = kCentre - r * std::cos(ang);
        cv.Line(px, py, nx, ny, 1.3f, s.lines, 0.28f);
        px = nx;
        py = ny;
    }
    // Spokes of uneven length.
    constexpr float kSpoke[] = {0.0f, 0.83f, 0.36f, 0.61f, 0.18f, 0.95f};
    for (size_t i = 0; i < std::size(kSpoke); ++i) {
        const float a = (static_cast<float>(i) / std::size(kSpoke) + 0.04f) * 2 * kPi;
        const float len = 56.0f + 54.0f * kSpoke[i];
        cv.Line(kCentre + 18 * std::sin(a), kCentre - 18 * std::cos(a), kCentre + len * std::sin(a),
                kCentre - len * std::cos(a), 1.0f, s.lines, 0.22f);
    }
    // Ticks inside the catch ring, every fourth one longer.
    for (int i = 0; i < s.ticks; ++i) {
        const float a = static_cast<float>(i) / static_cast<float>(s.ticks) * 2 * kPi;
        const float r0 = i % 4 == 0 ? 108.0f : 113.0f;
        cv.Line(kCentre + r0 * std::sin(a), kCentre - r0 * std::cos(a), kCentre + 117 * std::sin(a),
                kCentre - 117 * std::cos(a), 1.2f, s.lines, i % 4 == 0 ? 0.65f : 0.4f);
    }
    // "Up" of the arena: a bright wedge pointing at the rim.
    cv.Polygon({kCentre, kCentre - 117.0f, kCentre - 5.0f, kCentre - 105.0f, kCentre + 5.0f, kCentre - 105.0f},
               s.accent, 0.95f);
    cv.Disc(kCentre, kCentre - 98.0f, 2.0f, s.accent, 0.7f);

    // The catch ring, shown softly, then the rim with an inner shade and an outer glow.
    cv.Ring(kCentre, kCentre, 120.0f, 126.5f, s.ring, 0.16f);
    cv.Ring(kCentre, kCentre, 119.5f, 120.5f, s.ring, 0.45f);
    cv.Ring(kCentre, kCentre, 124.5f, 126.5f, Scale(s.rim, 0.5f), 0.35f);
    cv.Ring(kCentre, kCentre, 126.5f, 128.5f, s.rim, 1.0f);
    cv.Ring(kCentre, kCentre, 128.5f, 131.0f, s.rim, 0.25f);
    // The pad the launcher sits on.
    cv.Ring(kCentre, kCentre, 11.5f, 13.0f, s.lines, 0.6f);
    return cv;
}

std::vector<Canvas> MakeObjects(ObjectShape shape)
{
    std::vector<Canvas> frames;
    const float c = OBJECT_SIZE / 2.0f;
    for (int f = 0; f < OBJECT_FRAMES; ++f) {
        Canvas cv(OBJECT_SIZE, OBJECT_SIZE);
        const float phase = static_cast<float>(f) / OBJECT_FRAMES;
        if (shape == ObjectShape::ORB) {
            // A lit sphere with a band that spins around it.
            for (int y = 0; y < OBJECT_SIZE; ++y) {
                for (int x = 0; x < OBJECT_SIZE; ++x) {
                    int hits = 0;
                    float sum = 0;
                    for (int sy = 0; sy < 4; ++sy) {
                        for (int sx = 0; sx < 4; ++sx) {
                            const float u = (static_cast<float>(x) + (sx + 0.5f) / 4 - c) / 5.2f;
                            const float v = (static_cast<float>(y) + (sy + 0.5f) / 4 - c) / 5.2f;
                            const float rr = u * u + v * v;
                            if (rr > 1.0f) {
                                continue;
                            }
                            const float w = std::sqrt(1.0f - rr);
                            const float light = Clamp01(-0.45f * u - 0.55f * v + 0.70f * w);
                            const float lon = std::atan2(u, w) / (2 * kPi) + phase;
                            const float band = std::fabs(std::sin(lon * 2 * kPi * 1.5f)) < 0.35f ? 0.72f : 1.0f;
                            sum += (0.28f + 0.72f * light) * band + 0.35f * std::pow(light, 12.0f);
                            ++hits;
                        }
                    }
                    if (hits > 0) {
                        const float g = Clamp01(sum / hits);
                        cv.Set(x, y, {g, g, g}, static_cast<float>(hits) / 16.0f);
                    }
                }
            }
        } else {
            // A six-sided crystal turning about its vertical axis: facets lit by angle.
            for (int k = 0; k < 6; ++k) {
                const float a0 = (static_cast<float>(k) / 6 + phase / 6) * 2 * kPi;
                const float a1 = a0 + 2 * kPi / 6;
                const float x0 = c + 5.2f * std::sin(a0), x1 = c + 5.2f * std::sin(a1);
                if (std::cos((a0 + a1) / 2) < 0) {
                    continue;
                }
                const float lit = 0.35f + 0.6f * Clamp01(std::cos((a0 + a1) / 2 + 0.6f));
                cv.Polygon({c, c - 5.6f, x0, c - 1.2f, x0, c + 1.2f, c, c + 5.6f, x1, c + 1.2f, x1, c - 1.2f},
                           {lit, lit, lit});
            }
            cv.Line(c - 1.0f, c - 4.0f, c + 0.2f, c - 2.0f, 0.9f, {1, 1, 1}, 0.8f);
        }
        frames.push_back(cv);
    }
    return frames;
}

namespace {

Canvas Launcher(int f)
{
    constexpr int kSize = 21;
    const float c = kSize / 2.0f;
    Canvas cv(kSize, kSize);
    const Rgb metal = RgbFromHex(0x4A5C78), edge = RgbFromHex(0xB8D4F0), dark = RgbFromHex(0x0A0E18);
    cv.Disc(c, c, 9.8f, RgbFromHex(0x202A3C));
    cv.Ring(c, c, 8.6f, 9.8f, edge, 0.9f);
    cv.Ring(c, c, 7.0f, 8.6f, metal);
    float aperture = 5.0f;
    if (f <= 2) {
        aperture = 1.0f + 2.0f * static_cast<float>(f);
    } else if (f >= 9) {
        aperture = 6.0f;
    }
    // Six iris blades around the aperture.
    for (int k = 0; k < 6; ++k) {
        const float a = (static_cast<float>(k) / 6.0f + (f <= 2 ? 0.03f * static_cast<float>(f) : 0.1f)) * 2 * kPi;
        const float b = a + 2 * kPi / 6 + 0.35f;
        cv.Polygon({c + 7.2f * std::sin(a), c - 7.2f * std::cos(a), c + 7.2f * std::sin(b), c - 7.2f * std::cos(b),
                    c + aperture * std::sin(b - 0.9f), c - aperture * std::cos(b - 0.9f)},
                   k % 2 == 0 ? RgbFromHex(0x36465E) : RgbFromHex(0x2C3A50));
    }
    cv.Disc(c, c, aperture, dark);
    if (f >= 3 && f <= 8) {
        // Idle: a glow breathing in the opening and six lights with one running round.
        const float breathe = 0.5f + 0.5f * std::sin(static_cast<float>(f - 3) / 6.0f * 2 * kPi);
        cv.Disc(c, c, aperture - 1.0f, RgbFromHex(0x3FA8FF), 0.35f + 0.35f * breathe);
        cv.Disc(c, c, 1.6f, RgbFromHex(0xCFF0FF), 0.6f + 0.4f * breathe);
        for (int k = 0; k < 6; ++k) {
            const float a = static_cast<float>(k) / 6.0f * 2 * kPi;
            const bool lit = k == f - 3;
            cv.Disc(c + 7.8f * std::sin(a), c - 7.8f * std::cos(a), lit ? 1.3f : 0.8f,
                    lit ? RgbFromHex(0xFFF2A0) : RgbFromHex(0x6FA0D0), lit ? 1.0f : 0.7f);
        }
    } else if (f >= 9) {
        // Launch: the opening flares white and the flare spreads over the rim.
        const float k = static_cast<float>(f - 9);
        cv.Disc(c, c, 4.0f - 1.2f * k, RgbFromHex(0xFFFFFF), 1.0f - 0.3f * k);
        cv.Ring(c, c, 4.5f + 2.2f * k, 6.0f + 2.2f * k, RgbFromHex(0x9FE0FF), 0.95f - 0.3f * k);
    }
    return cv;
}

Canvas Flash(int k)
{
    constexpr int kSize = 15;
    const float c = kSize / 2.0f;
    Canvas cv(kSize, kSize);
    const float fade = 1.0f - 0.22f * static_cast<float>(k);
    const float r = 2.5f + 1.7f * static_cast<float>(k);
    for (int s = 0; s < 8; ++s) {
        const float a = (static_cast<float>(s) / 8.0f + 0.0625f * static_cast<float>(k & 1)) * 2 * kPi;
        const float r0 = r * 0.6f, r1 = r + 1.5f;
        cv.Line(c + r0 * std::sin(a), c - r0 * std::cos(a), c + r1 * std::sin(a), c - r1 * std::cos(a), 1.0f,
                RgbFromHex(0xFFE070), fade);
    }
    cv.Ring(c, c, r - 1.0f, r, RgbFromHex(0xFFFFFF), fade);
    if (k < 2) {
        cv.Disc(c, c, 3.0f - static_cast<float>(k), RgbFromHex(0xFFFFFF));
    }
    return cv;
}

Canvas Marker(int kind)
{
    constexpr int kSize = 13;
    const float c = kSize / 2.0f;
    Canvas cv(kSize, kSize);
    const Rgb shade = RgbFromHex(0x000000);
    switch (kind) {
    case 0: { // the pointer's target: four corner brackets
        const Rgb g = RgbFromHex(0xB8FF3C);
        for (int q = 0; q < 4; ++q) {
            const float sx = q & 1 ? 1.0f : -1.0f, sy = q & 2 ? 1.0f : -1.0f;
            const float x = c + sx * 5.5f, y = c + sy * 5.5f;
            cv.Line(x, y, x - sx * 4.0f, y, 1.6f, g);
            cv.Line(x, y, x, y - sy * 4.0f, 1.6f, g);
        }
        cv.Disc(c, c, 1.0f, g);
        break;
    }
    case 1: { // inverted: a ring with two arrowheads chasing round
        const Rgb m = RgbFromHex(0xFF5CF0);
        cv.Ring(c, c, 3.6f, 5.2f, shade, 0.5f);
        cv.Ring(c, c, 3.9f, 5.0f, m);
        cv.Polygon({c + 2.2f, c - 6.4f, c + 2.2f, c - 2.4f, c - 1.0f, c - 4.4f}, m);
        cv.Polygon({c - 2.2f, c + 6.4f, c - 2.2f, c + 2.4f, c + 1.0f, c + 4.4f}, m);
        break;
    }
    case 2: { // decelerated: an hourglass
        const Rgb b = RgbFromHex(0x58B8FF);
        cv.Polygon({c - 4.5f, c - 5.5f, c + 4.5f, c - 5.5f, c, c, c + 4.5f, c + 5.5f, c - 4.5f, c + 5.5f, c, c}, b);
        cv.Line(c - 5, c - 5.8f, c + 5, c - 5.8f, 1.2f, {1, 1, 1}, 0.9f);
        cv.Line(c - 5, c + 5.8f, c + 5, c + 5.8f, 1.2f, {1, 1, 1}, 0.9f);
        break;
    }
    case 3: { // armed for a kick-back: a spiked ring
        const Rgb o = RgbFromHex(0xFF9A1F);
        cv.Ring(c, c, 3.0f, 4.6f, o);
        for (int s = 0; s < 4; ++s) {
            const float a = (static_cast<float>(s) / 4.0f + 0.125f) * 2 * kPi;
            cv.Line(c + 4.2f * std::sin(a), c - 4.2f * std::cos(a), c + 6.4f * std::sin(a), c - 6.4f * std::cos(a),
                    1.8f, o);
        }
        break;
    }
    default: { // kicked back: a bold cross in a thin circle
        const Rgb r = RgbFromHex(0xFF3A3A);
        cv.Ring(c, c, 5.2f, 6.2f, r, 0.8f);
        cv.Line(c - 3.2f, c - 3.2f, c + 3.2f, c + 3.2f, 2.0f, r);
        cv.Line(c - 3.2f, c + 3.2f, c + 3.2f, c - 3.2f, 2.0f, r);
        break;
    }
    }
    return cv;
}

enum Turning { STILL, LEFT, RIGHT };

// The left half of the catcher: a cradle from x 99 to the centre column (127) whose top dips
// toward the middle, so that both halves together hold the catching zone (columns 19 to 28)
// like a bowl. The lights travel in the direction of the turn.
Canvas CatcherLeft(Turning turning, int f)
{
    Canvas cv(CATCHER_W, CATCHER_H);
    constexpr float kOx = 99.0f, kOy = 246.0f, kCx = 127.5f;
    const Rgb shine = RgbFromHex(0xF4F8FF), body = RgbFromHex(0x9AA8C4), low = RgbFromHex(0x2A3048);
    const Rgb trim = RgbFromHex(0xFFB43C), prong = RgbFromHex(0x7FE8FF);
    auto top = [&](float wx) {
        const float u = (kCx - wx) / 28.5f;
        return kOy + 4.2f * (1.0f - u * u);
    };
    for (int y = 0; y < CATCHER_H; ++y) {
        for (int x = 0; x < CATCHER_W; ++x) {
            int hits = 0;
            float depth = 0;
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) {
                    const float wx = kOx + static_cast<float>(x) + (sx + 0.5f) / 4;
                    const float wy = kOy + static_cast<float>(y) + (sy + 0.5f) / 4;
                    if (wx > kCx || wy < top(wx)) {
                        continue;
                    }
                    // The outer end is rounded.
                    const float ex = wx - (kOx + 3.0f), ey = wy - (kOy + 3.0f);
                    if (ex < 0 && ey < 0 && ex * ex + ey * ey > 9.0f) {
                        continue;
                    }
                    if (ex < 0 && wy > kOy + 6.0f && ex * ex + (wy - kOy - 6.0f) * (wy - kOy - 6.0f) > 9.0f) {
                        continue;
                    }
                    depth += (wy - top(wx)) / (kOy + 9.0f - top(wx));
                    ++hits;
                }
            }
            if (hits == 0) {
                continue;
            }
            const float t = depth / hits;
            Rgb c = t < 0.18f ? Mix(shine, body, t / 0.18f) : Mix(body, low, (t - 0.18f) / 0.82f);
            const float wx = kOx + static_cast<float>(x) + 0.5f;
            const float edge = kOy + static_cast<float>(y) + 0.5f - top(wx);
            if (edge > 0.9f && edge < 2.0f) {
                c = x >= 19 ? prong : trim; // a coloured band under the top edge
            }
            cv.Set(x, y, c, static_cast<float>(hits) / 16.0f);
        }
    }
    // A dark seam where the wing ends and the catching part begins.
    for (int y = 0; y < CATCHER_H; ++y) {
        if (cv.At(18, y)[3] > 0) {
            cv.Blend(18, y, low, 0.8f);
        }
    }
    const float pulse = 0.5f + 0.5f * std::cos(static_cast<float>(f) / 8.0f * 2 * kPi);
    const Rgb lamp = RgbFromHex(0xFFF4B0);
    if (turning == STILL) {
        cv.Disc(5.0f, 6.0f, 1.3f, lamp, 0.35f + 0.55f * pulse);
        cv.Disc(12.0f, 6.5f, 1.3f, lamp, 0.35f + 0.55f * (1.0f - pulse));
    } else {
        // Two lights chase along the wing in the direction of the turn.
        for (int k = 0; k < 2; ++k) {
            float pos = std::fmod(static_cast<float>(f) / 8.0f + static_cast<float>(k) / 2.0f, 1.0f);
            if (turning == LEFT) {
                pos = 1.0f - pos;
            }
            cv.Disc(3.0f + pos * 14.0f, 6.3f, 1.3f, lamp, 0.95f);
        }
    }
    cv.Disc(26.5f, 7.0f, 1.4f, prong, 0.55f + 0.45f * pulse);
    return cv;
}

Canvas Mirrored(const Canvas& src)
{
    Canvas out(src.w, src.h);
    for (int y = 0; y < src.h; ++y) {
        for (int x = 0; x < src.w; ++x) {
            const float* p = src.At(src.w - 1 - x, y);
            out.Set(x, y, {p[0], p[1], p[2]}, p[3]);
        }
    }
    return out;
}

} // namespace

std::vector<Canvas> MakeSprites()
{
    std::vector<Canvas> frames;
    for (int f = 0; f < 12; ++f) {
        frames.push_back(Launcher(f));
    }
    for (int k = 0; k < 4; ++k) {
        frames.push_back(Flash(k));
    }
    for (int k = 0; k < 5; ++k) {
        frames.push_back(Marker(k));
    }
    // Left halves turn with the arena; a right half is the mirror of the left half running the
    // other way, so that both halves' lights travel the same way on screen.
    const Turning order[3] = {STILL, LEFT, RIGHT};
    for (Turning t : order) {
        const Turning mirror = t == LEFT ? RIGHT : t == RIGHT ? LEFT : STILL;
        for (int f = 0; f < 8; ++f) {
            frames.push_back(CatcherLeft(t, f));
        }
        for (int f = 0; f < 8; ++f) {
            frames.push_back(Mirrored(CatcherLeft(mirror, f)));
        }
    }
    return frames;
}

Canvas MakeLogo()
{
    // "ZAF" in slanted block letters with a dark outline, lit from above.
    constexpr int kW = 104, kH = 26;
    Canvas shape(kW, kH);
    const float slant = 0.25f;
    auto P = [&](std::vector<float> pts, float ox) {
        for (size_t i = 0; i < pts.size(); i += 2) {
            pts[i] = pts[i] + ox + (22.0f - pts[i + 1]) * slant;
            pts[i + 1] += 2.0f;
        }
        shape.Polygon(pts, {1, 1, 1});
    };
    // Z
    P({0, 0, 26, 0, 26, 5, 9, 15, 26, 15, 26, 20, 0, 20, 0, 15, 17, 5, 0, 5}, 4);
    // A
    P({11, 0, 18, 0, 28, 20, 21, 20, 19, 15, 10, 15, 8, 20, 1, 20}, 34);
    // F
    P({0, 0, 24, 0, 24, 5, 7, 5, 7, 8, 20, 8, 20, 13, 7, 13, 7, 20, 0, 20}, 66);
    // The counter of the A is cut back out.
    Canvas logo(kW, kH);
    std::vector<float> hole = {14.5f, 5.0f, 17.5f, 11.0f, 11.5f, 11.0f};
    for (size_t i = 0; i < hole.size(); i += 2) {
        hole[i] += 34.0f + (22.0f - hole[i + 1]) * slant;
        hole[i + 1] += 2.0f;
    }
    Canvas counter(kW, kH);
    counter.Polygon(hole, {1, 1, 1});
    const Rgb outline = RgbFromHex(0x06122A);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            // Outline: the shape grown by about 1.5 pixels.
            float grown = 0;
            for (int dy = -2; dy <= 2; ++dy) {
                for (int dx = -2; dx <= 2; ++dx) {
                    if (dx * dx + dy * dy <= 4 && shape.Inside(x + dx, y + dy)) {
                        grown = std::max(grown, shape.At(x + dx, y + dy)[3] - counter.At(x + dx, y + dy)[3]);
                    }
                }
            }
            // A faint glow beyond the outline lifts the letters off a dark backdrop.
            float glow = 0;
            for (int dy = -3; dy <= 3; ++dy) {
                for (int dx = -3; dx <= 3; ++dx) {
                    const float d = std::sqrt(static_cast<float>(dx * dx + dy * dy));
                    if (d <= 3.5f && shape.Inside(x + dx, y + dy)) {
                        glow = std::max(glow, shape.At(x + dx, y + dy)[3] * (1.0f - d / 3.5f));
                    }
                }
            }
            logo.Set(x, y, RgbFromHex(0x4FB8FF), 0.75f * glow);
            logo.Blend(x, y, outline, Clamp01(grown));
        }
    }
    for (int y = 0; y < kH; ++y) {
        const float t = static_cast<float>(y) / kH;
        Rgb fill = t < 0.45f ? Mix(RgbFromHex(0xF4FBFF), RgbFromHex(0x7FD4FF), t / 0.45f)
                             : Mix(RgbFromHex(0x2C8CE8), RgbFromHex(0x16308C), (t - 0.45f) / 0.55f);
        for (int x = 0; x < kW; ++x) {
            const float a = Clamp01(shape.At(x, y)[3] - counter.At(x, y)[3]);
            logo.Blend(x, y, fill, a);
        }
    }
    // A thin orbit under the letters, the arena's rim in small.
    logo.Line(2.0f, 24.5f, 100.0f, 24.5f, 1.0f, RgbFromHex(0xFFC847), 0.9f);
    return logo;
}

Rgb TemplateCentre()
{
    return RgbFromHex(0x0E1630);
}

Canvas MakeTemplate()
{
    constexpr int kSize = 24;
    Canvas cv(kSize, kSize);
    // Rounded box: outer dark line, a light bevel, then the panel. Every edge row and column
    // is the same along its length, so the edges tile without seams.
    const Rgb rim = RgbFromHex(0x04060E), bevel = RgbFromHex(0x6FB4FF), inner = RgbFromHex(0x24406E);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float fx = std::min(static_cast<float>(x) + 0.5f, kSize - static_cast<float>(x) - 0.5f);
            const float fy = std::min(static_cast<float>(y) + 0.5f, kSize - static_cast<float>(y) - 0.5f);
            float d; // distance inward from the rounded outer edge
            constexpr float kR = 6.0f;
            if (fx < kR && fy < kR) {
                d = kR - std::hypot(kR - fx, kR - fy);
            } else {
                d = std::min(fx, fy);
            }
            if (d <= 0.0f) {
                continue;
            }
            Rgb c = TemplateCentre();
            if (d < 1.5f) {
                c = rim;
            } else if (d < 3.0f) {
                c = bevel;
            } else if (d < 4.5f) {
                c = inner;
            }
            cv.Set(x, y, c, Clamp01(d * 1.5f));
        }
    }
    return cv;
}

namespace {

// Area average of the square (x0, y0, side) of `src` into a size x size picture, weighted by
// alpha so that transparent pixels lend no colour to the edge.
Canvas AveragedDown(const Canvas& src, float x0, float y0, float side, int size)
{
    Canvas out(size, size);
    const float step = side / static_cast<float>(size);
    for (int y = 0; y < size; ++y) {
        const float top = y0 + static_cast<float>(y) * step;
        for (int x = 0; x < size; ++x) {
            const float left = x0 + static_cast<float>(x) * step;
            float sum[4] = {0, 0, 0, 0};
            for (int j = static_cast<int>(top); static_cast<float>(j) < top + step; ++j) {
                const float wy = std::min(static_cast<float>(j + 1), top + step) - std::max(static_cast<float>(j), top);
                for (int i = static_cast<int>(left); static_cast<float>(i) < left + step; ++i) {
                    const float wx = std::min(static_cast<float>(i + 1), left + step) - std::max(static_cast<float>(i), left);
                    if (!src.Inside(i, j) || wx <= 0 || wy <= 0) {
                        continue;
                    }
                    const float* p = src.At(i, j);
                    const float w = wx * wy * p[3];
                    sum[0] += p[0] * w;
                    sum[1] += p[1] * w;
                    sum[2] += p[2] * w;
                    sum[3] += w;
                }
            }
            if (sum[3] > 0) {
                out.Set(x, y, {sum[0] / sum[3], sum[1] / sum[3], sum[2] / sum[3]}, Clamp01(sum[3] / (step * step)));
            }
        }
    }
    return out;
}

Canvas Tinted(const Canvas& grey, const int percent[3])
{
    Canvas out = grey;
    for (size_t i = 0; i < out.px.size(); i += 4) {
        for (int c = 0; c < 3; ++c) {
            out.px[i + c] = Clamp01(out.px[i + c] * (1.0f + static_cast<float>(percent[c]) / 100.0f));
        }
    }
    return out;
}

} // namespace

Canvas MakeIcon(int size, const int tints[4][3])
{
    // The arena out to its rim glow, in field pixels; the objects and the catcher are drawn
    // larger than in the game, the more so the smaller the icon, so that they still show.
    constexpr int kFrom = 60, kSide = 263;
    const float centre = kSide / 2.0f;
    const Canvas field = MakeField(DefaultFieldStyle());
    Canvas arena(kSide, kSide);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const float* p = field.At(kFrom + x, kFrom + y);
            arena.Set(x, y, {p[0], p[1], p[2]}, p[3]);
        }
    }
    const int grow = std::clamp(96 / size, 2, 4);
    const Canvas orb = MakeObjects(ObjectShape::ORB)[0].Enlarged(grow);
    constexpr float kPlace[4][2] = {{-0.20f, 34.0f}, {0.06f, 62.0f}, {0.31f, 88.0f}, {-0.43f, 96.0f}};
    for (int k = 0; k < 4; ++k) {
        const float a = kPlace[k][0] * 2 * kPi, r = kPlace[k][1];
        arena.Draw(Tinted(orb, tints[k]), static_cast<int>(centre + r * std::sin(a)) - orb.w / 2,
                   static_cast<int>(centre - r * std::cos(a)) - orb.h / 2);
    }
    const Canvas left = CatcherLeft(STILL, 0).Enlarged(grow);
    const int catcherTop = kSide - left.h - 4;
    arena.Draw(left, static_cast<int>(centre) - left.w, catcherTop);
    arena.Draw(Mirrored(left), static_cast<int>(centre), catcherTop);
    // Round, with a soft edge: the corners of the icon stay clear.
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const float d = std::hypot(static_cast<float>(x) + 0.5f - centre, static_cast<float>(y) + 0.5f - centre);
            arena.At(x, y)[3] *= Clamp01(centre - d);
        }
    }
    return AveragedDown(arena, 0, 0, kSide, size);
}
