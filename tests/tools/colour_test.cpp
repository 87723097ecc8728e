#include "tools/colour.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The difference of two colours as a viewer sees them, with normal vision when `see` is NULL.
double Difference(Srgb x, Srgb y, Srgb (*see)(Srgb) = nullptr)
{
    return Ciede2000(LabFromSrgb(see != nullptr ? see(x) : x), LabFromSrgb(see != nullptr ? see(y) : y));
}

TEST(Colour, Ciede2000MatchesPublishedPairs)
{
    // Pairs with their published differences (Sharma, Wu and Dalal's test data).
    const struct {
        Lab x, y;
        double expected;
    } pairs[] = {
        {{50.0, 2.6772, -79.7751}, {50.0, 0.0, -82.7485}, 2.0425},
        {{50.0, 3.1571, -77.2803}, {50.0, 0.0, -82.7485}, 2.8615},
        {{50.0, 2.8361, -74.0200}, {50.0, 0.0, -82.7485}, 3.4412},
        {{50.0, 0.0, 0.0}, {50.0, -1.0, 2.0}, 2.3669},
        {{50.0, 2.5, 0.0}, {73.0, 25.0, -18.0}, 27.1492},
        {{50.0, 2.5, 0.0}, {61.0, -5.0, 29.0}, 22.8977},
        {{50.0, 2.5, 0.0}, {56.0, -27.0, -3.0}, 31.9030},
        {{50.0, 2.5, 0.0}, {58.0, 24.0, 15.0}, 19.4535},
        {{60.2574, -34.0099, 36.2677}, {60.4626, -34.1751, 39.4387}, 1.2644},
        {{40, 10, -20}, {40, 10, -20}, 0.0},
    };
    for (const auto& p : pairs) {
        EXPECT_NEAR(Ciede2000(p.x, p.y), p.expected, 1e-4) << "L " << p.x.l << " a " << p.x.a << " b " << p.x.b;
        EXPECT_NEAR(Ciede2000(p.y, p.x), p.expected, 1e-4) << "the difference is symmetric";
    }
}

TEST(Colour, LabContrastAndDichromatsMatchKnownValues)
{
    const struct {
        Srgb rgb;
        Lab lab;
    } known[] = {{{255, 255, 255}, {100.0, 0, 0}}, {{0, 0, 0}, {0, 0, 0}}, {{255, 0, 0}, {53.24, 80.09, 67.20}}};
    for (const auto& k : known) {
        const Lab lab = LabFromSrgb(k.rgb);
        EXPECT_TRUE(std::fabs(lab.l - k.lab.l) < 0.05 && std::fabs(lab.a - k.lab.a) < 0.1 && std::fabs(lab.b - k.lab.b) < 0.1)
            << k.rgb.r << " " << k.rgb.g << " " << k.rgb.b << " gives " << lab.l << " " << lab.a << " " << lab.b;
    }
    EXPECT_NEAR(ContrastRatio({255, 255, 255}, {0, 0, 0}), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio({0, 0, 0}, {255, 255, 255}), 21.0, 1e-9) << "order does not matter";
    EXPECT_NEAR(ContrastRatio({119, 119, 119}, {255, 255, 255}), 4.48, 0.02);
    EXPECT_NEAR(ContrastRatio({90, 90, 90}, {90, 90, 90}), 1.0, 1e-12);
    // Every row of the matrices sums to one, so greys stay grey.
    for (double v : {0.0, 64.0, 128.0, 255.0}) {
        for (const Srgb s : {SimulateDeuteranopia({v, v, v}), SimulateProtanopia({v, v, v})}) {
            EXPECT_TRUE(std::fabs(s.r - v) < 0.6 && std::fabs(s.g - v) < 0.6 && std::fabs(s.b - v) < 0.6)
                << v << " gives " << s.r << " " << s.g << " " << s.b;
        }
    }
    const Srgb red = {200, 40, 40}, green = {90, 150, 40};
    EXPECT_GT(Difference(red, green), 40.0);
    EXPECT_LT(Difference(red, green, SimulateDeuteranopia), Difference(red, green) / 3) << "alike without green cones";
    EXPECT_LT(Difference(red, green, SimulateProtanopia), Difference(red, green) * 0.6) << "much nearer without red cones";
    EXPECT_GT(Difference({40, 60, 220}, {230, 220, 40}, SimulateDeuteranopia), 40.0) << "blue and yellow survive";
}

} // namespace
