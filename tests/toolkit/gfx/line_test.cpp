#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "toolkit/gfx/line.h"

namespace {

constexpr uint32_t kRgb = 0;  // no alpha channel
constexpr uint32_t kArgb = 0xFF000000;

// A surface over our own buffer with one guard pixel on every side and a pitch wider than
// the row, so that writes outside the surface or rows walked by width instead of pitch show.
class Canvas {
public:
    Canvas(int w, int h, uint32_t amask, bool bgr = false) : w_(w), h_(h), memory_((w + 3) * (h + 2), kGuard)
    {
        uint32_t r = bgr ? 0x000000FF : 0x00FF0000;
        uint32_t b = bgr ? 0x00FF0000 : 0x000000FF;
        surface_ = SDL_CreateRGBSurfaceFrom(&memory_[(w + 3) + 1], w, h, 32, (w + 3) * 4, r, 0x0000FF00, b, amask);
        for (int y = 0; y < h; y++) {
            for (int x = 0; x < w; x++) {
                At(x, y) = 0;
            }
        }
    }
    ~Canvas() { SDL_FreeSurface(surface_); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    SDL_Surface* surface() { return surface_; }
    uint32_t& At(int x, int y) { return memory_[(y + 1) * (w_ + 3) + x + 1]; }
    void Fill(uint32_t pixel)
    {
        for (int y = 0; y < h_; y++) {
            for (int x = 0; x < w_; x++) {
                At(x, y) = pixel;
            }
        }
    }
    bool GuardsIntact() const
    {
        for (int y = 0; y < h_ + 2; y++) {
            for (int x = 0; x < w_ + 3; x++) {
                bool inside = y >= 1 && y <= h_ && x >= 1 && x <= w_;
                if (!inside && memory_[y * (w_ + 3) + x] != kGuard) {
                    return false;
                }
            }
        }
        return true;
    }

private:
    static constexpr uint32_t kGuard = 0x5A5A5A5A;
    int w_;
    int h_;
    std::vector<uint32_t> memory_;
    SDL_Surface* surface_ = nullptr;
};

std::vector<std::pair<float, float>> plotted;

void record(uint32_t, float x, float y)
{
    plotted.emplace_back(x, y);
}

// Binds, plots one point with the given function and unbinds.
void PlotOne(Canvas& canvas, LN_PlotFn plot, uint32_t colour, float x, float y)
{
    ASSERT_EQ(LN_BeginPlot(plot, canvas.surface()), 0);
    plot(colour, x, y);
    LN_EndPlot();
}

}  // namespace

TEST(Line, WalkPlotsEveryStepAndThenTheExactEnd)
{
    Canvas canvas(8, 8, kRgb);
    ASSERT_EQ(LN_BeginPlot(record, canvas.surface()), 0);

    plotted.clear();
    LN_DrawLine(0, 0, 3, 0, 0);
    std::vector<std::pair<float, float>> want = {{0, 0}, {1, 0}, {2, 0}, {3, 0}};
    EXPECT_EQ(plotted, want) << "a horizontal line plots 0, 1, 2 and then 3";

    plotted.clear();
    LN_DrawLine(3, 0, 0, 0, 0);
    want = {{3, 0}, {2, 0}, {1, 0}, {0, 0}};
    EXPECT_EQ(plotted, want) << "walked backwards";

    plotted.clear();
    LN_DrawLine(0, 0, 2, 4, 0);
    want = {{0, 0}, {0.5f, 1}, {1, 2}, {1.5f, 3}, {2, 4}};
    EXPECT_EQ(plotted, want) << "the longer axis sets the number of steps";

    plotted.clear();
    LN_DrawLine(5, 6, 5, 6, 0);
    want = {{5, 6}};
    EXPECT_EQ(plotted, want) << "a zero-length line is one point";
    LN_EndPlot();

    plotted.clear();
    LN_DrawLine(0, 0, 3, 0, 0);
    EXPECT_TRUE(plotted.empty()) << "nothing is plotted once the binding ended";
}

TEST(Line, BindingRefusesWhatItCannotPlot)
{
    SDL_Surface* s16 = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 16, 0xF800, 0x07E0, 0x001F, 0);
    ASSERT_NE(s16, nullptr);
    EXPECT_EQ(LN_BeginPlot(record, s16), -1) << "a 16-bit surface is refused";
    plotted.clear();
    LN_DrawLine(0, 0, 3, 3, 0);
    EXPECT_TRUE(plotted.empty()) << "a refused binding leaves nothing bound";
    SDL_FreeSurface(s16);

    Canvas canvas(4, 4, kRgb);
    EXPECT_EQ(LN_BeginPlot(nullptr, canvas.surface()), -1);
    EXPECT_EQ(LN_BeginPlot(record, nullptr), -1);
    LN_EndPlot();  // harmless with nothing bound
}

TEST(Line, SolidWritesTheRawValueAtTheNearestPixel)
{
    Canvas canvas(4, 4, kArgb);
    PlotOne(canvas, LN_PlotSolid, 0x12345678, 2, 1);
    EXPECT_EQ(canvas.At(2, 1), 0x12345678u);

    PlotOne(canvas, LN_PlotSolid, 0xAABBCCDD, 1.4f, 2.6f);
    EXPECT_EQ(canvas.At(1, 3), 0xAABBCCDDu) << "(1.4, 2.6) rounds to (1, 3)";
    PlotOne(canvas, LN_PlotSolid, 0x01010101, 2.5f, 0.49f);
    EXPECT_EQ(canvas.At(3, 0), 0x01010101u) << "halves round up";
    EXPECT_TRUE(canvas.GuardsIntact());
}

TEST(Line, BlendWeighsTheColourByItsAlphaByte)
{
    Canvas canvas(4, 4, kArgb);
    canvas.Fill(0xFF646464);
    PlotOne(canvas, LN_PlotBlend, 0xFFFF8000, 1, 1);
    EXPECT_EQ(canvas.At(1, 1), 0x00FF8000u) << "opaque replaces the colour and clears alpha";

    PlotOne(canvas, LN_PlotBlend, 0x00FFFFFF, 2, 2);
    EXPECT_EQ(canvas.At(2, 2), 0x00646464u) << "alpha 0 leaves the colour";

    canvas.At(0, 0) = 0x00C80000;
    PlotOne(canvas, LN_PlotBlend, 0x806400FF, 0.3f, 0.2f);
    // a = 129: red (200*127 + 100*129) >> 8 = 149, blue (0*127 + 255*129) >> 8 = 128.
    EXPECT_EQ(canvas.At(0, 0), 0x00950080u) << "half weight at a fractional point";
}

TEST(Line, SmoothSpreadsThePointOverTwoByTwo)
{
    Canvas canvas(4, 4, kArgb);
    canvas.Fill(0xFF102030);
    PlotOne(canvas, LN_PlotSmooth, 0x00FFFFFF, 1, 1);
    EXPECT_EQ(canvas.At(1, 1), 0x00FFFFFFu) << "an integral point takes the whole colour";
    EXPECT_EQ(canvas.At(2, 1), 0x00102030u) << "neighbours keep their colour, alpha cleared";
    EXPECT_EQ(canvas.At(1, 2), 0x00102030u);
    EXPECT_EQ(canvas.At(2, 2), 0x00102030u);

    canvas.Fill(0);
    PlotOne(canvas, LN_PlotSmooth, 0x80FF0000, 0.5f, 1.25f);
    // fx = 128, fy = 64: weights 24576, 24576, 8192, 8192 of 65536; alpha byte ignored.
    EXPECT_EQ(canvas.At(0, 1), 95u << 16);
    EXPECT_EQ(canvas.At(1, 1), 95u << 16);
    EXPECT_EQ(canvas.At(0, 2), 31u << 16);
    EXPECT_EQ(canvas.At(1, 2), 31u << 16);
    EXPECT_EQ(canvas.At(2, 1), 0u) << "nothing outside the block";
}

TEST(Line, SmoothBlendScalesEveryShareByAlpha)
{
    Canvas canvas(4, 4, kRgb);
    canvas.Fill(0x00FFFFFF);
    PlotOne(canvas, LN_PlotSmoothBlend, 0xFF000000, 2, 2);
    EXPECT_EQ(canvas.At(2, 2), 0u) << "opaque at an integral point replaces the pixel";
    EXPECT_EQ(canvas.At(3, 2), 0x00FFFFFFu);

    canvas.Fill(0x00FFFFFF);
    PlotOne(canvas, LN_PlotSmoothBlend, 0x7F0000FF, 0.5f, 0);
    // a = 128 and w = 32768: W = 2^22, so red and green keep 255 x 3/4 = 191, blue stays 255.
    EXPECT_EQ(canvas.At(0, 0), 0x00BFBFFFu);
    EXPECT_EQ(canvas.At(1, 0), 0x00BFBFFFu);
    EXPECT_EQ(canvas.At(0, 1), 0x00FFFFFFu) << "fy = 0 gives the row below no share";

    canvas.Fill(0x00FFFFFF);
    PlotOne(canvas, LN_PlotSmoothBlend, 0xFFFFFFFF, 1.75f, 1.75f);
    EXPECT_EQ(canvas.At(1, 1), 0x00FFFFFFu) << "white over white stays white at full products";
    EXPECT_EQ(canvas.At(2, 2), 0x00FFFFFFu);
}

TEST(Line, OnAlphaAccumulatesAlpha)
{
    Canvas canvas(4, 4, kArgb);
    PlotOne(canvas, LN_PlotOnAlpha, 0x80FF0000, 1, 1);
    EXPECT_EQ(canvas.At(1, 1), 0x80FF0000u) << "on a clear pixel the colour is taken whole";

    PlotOne(canvas, LN_PlotOnAlpha, 0x800000FF, 1.2f, 0.8f);
    // D = 128: t = (127 x 129) >> 8 = 63; red (255 x 63) >> 8 = 62, blue (255 x 193) >> 8 = 192.
    EXPECT_EQ(canvas.At(1, 1), 0xFF3E00C0u) << "alpha 128 + 128 is held at 255";

    canvas.At(2, 2) = 0x40FFFFFF;
    PlotOne(canvas, LN_PlotOnAlpha, 0x00000000, 2, 2);
    // A = 0: t = (256 x 64) >> 8 = 64; colour (0 x 192 + 255 x 64) >> 8 = 63.
    EXPECT_EQ(canvas.At(2, 2), 0x403F3F3Fu);
}

TEST(Line, SmoothOnAlphaUsesCoverageAsAlpha)
{
    Canvas canvas(4, 4, kArgb);
    PlotOne(canvas, LN_PlotSmoothOnAlpha, 0x00336699, 1, 1);
    EXPECT_EQ(canvas.At(1, 1), 0xFF336699u) << "full coverage is opaque; the alpha byte is unused";
    EXPECT_EQ(canvas.At(2, 1), 0x00336699u) << "no coverage on a clear pixel stays clear";

    canvas.Fill(0xC8000000);
    PlotOne(canvas, LN_PlotSmoothOnAlpha, 0x0000FF00, 0.5f, 0.5f);
    // w = 64 each; D = 200: t = (201 x 192) >> 8 = 150; green (255 x 106) >> 8 = 105.
    for (int y = 0; y < 2; y++) {
        for (int x = 0; x < 2; x++) {
            EXPECT_EQ(canvas.At(x, y), 0xFF006900u) << x << "," << y;
        }
    }
    EXPECT_EQ(canvas.At(2, 0), 0xC8000000u);

    canvas.Fill(0);
    PlotOne(canvas, LN_PlotSmoothOnAlpha, 0x00FFFFFF, 0.25f, 0);
    // Fractions in sixteenths: fx = 4, fy = 0: weights 192 and 64.
    EXPECT_EQ(canvas.At(0, 0) >> 24, 191u) << "192 less one";
    EXPECT_EQ(canvas.At(1, 0) >> 24, 64u);
}

TEST(Line, ChannelsFollowTheSurfaceLayout)
{
    Canvas canvas(2, 2, kRgb, true);
    PlotOne(canvas, LN_PlotBlend, 0xFFFF0000, 0, 0);
    EXPECT_EQ(canvas.At(0, 0), 0x000000FFu) << "red lands in the low byte of a BGR surface";
    PlotOne(canvas, LN_PlotSmooth, 0x000000FF, 1, 1);
    EXPECT_EQ(canvas.At(1, 1), 0x00FF0000u);
}

TEST(Line, PointsOffTheSurfaceAreCut)
{
    Canvas canvas(4, 3, kArgb);
    const LN_PlotFn modes[] = {LN_PlotSolid, LN_PlotBlend, LN_PlotSmooth, LN_PlotSmoothBlend,
                               LN_PlotOnAlpha, LN_PlotSmoothOnAlpha};
    for (LN_PlotFn mode : modes) {
        canvas.Fill(0);
        ASSERT_EQ(LN_BeginPlot(mode, canvas.surface()), 0);
        LN_DrawLine(-5, -4, 9, 8, 0xFFFFFFFF);
        LN_DrawLine(3, 0, 3, 2, 0xFFFFFFFF);  // the 2 x 2 modes reach one column past it
        LN_DrawLine(0, 2, 3, 2, 0xFFFFFFFF);  // and one row below
        mode(0xFFFFFFFF, -0.6f, 1.0f);
        mode(0xFFFFFFFF, 1e30f, 1.0f);
        LN_EndPlot();
        EXPECT_TRUE(canvas.GuardsIntact()) << "no write outside the surface";
        EXPECT_NE(canvas.At(1, 1), 0u) << "the part inside is drawn";
    }
}
