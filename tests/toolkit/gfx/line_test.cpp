#include "toolkit/gfx/line.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/support/surface_util.h"

namespace {

std::vector<std::pair<float, float>> plotted;

void record(uint32_t, float x, float y)
{
    plotted.emplace_back(x, y);
}

}  // namespace

TEST(Line, LinesPlotEveryStepEndExactlyAndAreCutAtTheEdges)
{
    GuardedSurface canvas(4, 3, kRedMask, kGreenMask, kBlueMask, kAlphaMask);
    ASSERT_EQ(LN_BeginPlot(record, canvas.get()), 0);
    const struct {
        int16_t x0, y0, x1, y1;
        std::vector<std::pair<float, float>> want;
        const char* why;
    } lines[] = {
        {0, 0, 3, 0, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, "plots 0, 1, 2 and then 3"},
        {0, 0, 2, 4, {{0, 0}, {0.5f, 1}, {1, 2}, {1.5f, 3}, {2, 4}}, "the longer axis sets the steps"},
        {5, 6, 5, 6, {{5, 6}}, "a zero-length line is one point"},
    };
    for (const auto& l : lines) {
        plotted.clear();
        LN_DrawLine(l.x0, l.y0, l.x1, l.y1, 0);
        EXPECT_EQ(plotted, l.want) << l.why;
    }
    SDL_Surface* s16 = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 16, 0xF800, 0x07E0, 0x001F, 0);
    EXPECT_EQ(LN_BeginPlot(record, s16), -1) << "a 16-bit surface is refused";
    plotted.clear();
    LN_DrawLine(0, 0, 3, 3, 0);
    EXPECT_TRUE(plotted.empty()) << "a refused binding ends the one before and binds nothing";
    SDL_FreeSurface(s16);
    EXPECT_TRUE(LN_BeginPlot(nullptr, canvas.get()) == -1 && LN_BeginPlot(record, nullptr) == -1);

    for (LN_PlotFn mode : {LN_PlotSolid, LN_PlotBlend, LN_PlotSmooth, LN_PlotSmoothBlend, LN_PlotOnAlpha,
                           LN_PlotSmoothOnAlpha}) {
        canvas.Fill(0);
        ASSERT_EQ(LN_BeginPlot(mode, canvas.get()), 0);
        LN_DrawLine(-5, -4, 9, 8, 0xFFFFFFFF);
        LN_DrawLine(3, 0, 3, 2, 0xFFFFFFFF);  // the 2 x 2 modes reach one column past it
        LN_DrawLine(0, 2, 3, 2, 0xFFFFFFFF);  // and one row below
        mode(0xFFFFFFFF, -0.6f, 1.0f);
        mode(0xFFFFFFFF, 1e30f, 1.0f);
        LN_EndPlot();
        EXPECT_TRUE(canvas.GuardsIntact()) << "no write outside the surface";
        EXPECT_NE(canvas.Px(1, 1), 0u) << "the part inside is drawn";
    }
}

TEST(Line, EachPlotFunctionAtIntegralAndFractionalPoints)
{
    struct Probe {
        int x, y;
        uint32_t want;
    };
    const struct {
        const char* why;
        LN_PlotFn plot;
        uint32_t amask, fill, colour;
        float x, y;
        std::vector<Probe> probes;
        bool bgr = false;
    } cases[] = {
        {"solid: (1.4, 2.6) rounds to (1, 3), raw", LN_PlotSolid, kAlphaMask, 0, 0xAABBCCDD, 1.4f, 2.6f,
         {{1, 3, 0xAABBCCDD}, {1, 2, 0}}},
        // a = 129: red (200*127 + 100*129) >> 8 = 149, blue (0*127 + 255*129) >> 8 = 128.
        {"blend: half weight", LN_PlotBlend, kAlphaMask, 0x00C80000, 0x806400FF, 0.3f, 0.2f, {{0, 0, 0x00950080}}},
        // fx = 128, fy = 64: weights 24576, 24576, 8192, 8192 of 65536; the alpha byte ignored.
        {"smooth: spread over 2 x 2", LN_PlotSmooth, kAlphaMask, 0, 0x80FF0000, 0.5f, 1.25f,
         {{0, 1, 95u << 16}, {1, 1, 95u << 16}, {0, 2, 31u << 16}, {1, 2, 31u << 16}, {2, 1, 0}}},
        {"smooth blend: opaque integral point", LN_PlotSmoothBlend, 0, 0xFFFFFF, 0xFF000000, 2, 2,
         {{2, 2, 0}, {3, 2, 0xFFFFFF}}},
        // a = 128, w = 32768: red and green keep 255 x 3/4 = 191; fy = 0 gives the row below nothing.
        {"smooth blend: shares scaled by alpha", LN_PlotSmoothBlend, 0, 0xFFFFFF, 0x7F0000FF, 0.5f, 0,
         {{0, 0, 0xBFBFFF}, {1, 0, 0xBFBFFF}, {0, 1, 0xFFFFFF}}},
        // D = 128: t = (127 x 129) >> 8 = 63; red (255 x 63) >> 8 = 62, blue (255 x 193) >> 8 = 192.
        {"on alpha: 128 + 128 held at 255", LN_PlotOnAlpha, kAlphaMask, 0x80FF0000, 0x800000FF, 1.2f, 0.8f,
         {{1, 1, 0xFF3E00C0}}},
        // w = 64 each; D = 200: t = (201 x 192) >> 8 = 150; green (255 x 106) >> 8 = 105.
        {"smooth on alpha: coverage over alpha", LN_PlotSmoothOnAlpha, kAlphaMask, 0xC8000000, 0x0000FF00, 0.5f,
         0.5f, {{0, 0, 0xFF006900}, {1, 0, 0xFF006900}, {0, 1, 0xFF006900}, {1, 1, 0xFF006900}, {2, 0, 0xC8000000}}},
        {"red lands in the low byte of a BGR surface", LN_PlotBlend, 0, 0, 0xFFFF0000, 0, 0, {{0, 0, 0xFF}}, true},
    };
    for (const auto& c : cases) {
        GuardedSurface canvas(4, 4, c.bgr ? kBlueMask : kRedMask, kGreenMask, c.bgr ? kRedMask : kBlueMask, c.amask);
        canvas.Fill(c.fill);
        ASSERT_EQ(LN_BeginPlot(c.plot, canvas.get()), 0) << c.why;
        c.plot(c.colour, c.x, c.y);
        LN_EndPlot();
        for (const Probe& p : c.probes) {
            EXPECT_EQ(canvas.Px(p.x, p.y), p.want) << c.why << " at " << p.x << "," << p.y;
        }
        EXPECT_TRUE(canvas.GuardsIntact()) << c.why;
    }
}
