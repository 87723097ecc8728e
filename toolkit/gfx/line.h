// Straight lines on 32-bit surfaces, walked in single-precision steps, each point handed to an
// exchangeable plot function: plain, alpha-blended, anti-aliased and alpha-channel painting.
//
// One surface is bound at a time (LN_BeginPlot .. LN_EndPlot); plotting while nothing is bound
// does nothing. Points that fall outside the bound surface are skipped pixel by pixel, so a
// line that runs off the surface is cut rather than written past its memory.
// Colours are 0xAARRGGBB except for LN_PlotSolid, which writes its value as the raw pixel.
#pragma once

#include <SDL.h>

#include <cstdint>

// Called as plot(colour, x, y) for every point of a line.
using LN_PlotFn = void (*)(uint32_t colour, float x, float y);

// Binds the plot function and the surface and locks it for the plotting that follows.
// Returns SDL_LockSurface's result: 0 on success, -1 on failure (also for a NULL surface or
// function and for a surface that is not 4 bytes a pixel); on failure nothing stays bound.
// A binding still in place is ended first.
[[nodiscard]] int LN_BeginPlot(LN_PlotFn plot, SDL_Surface* surface);
// Unlocks the bound surface and unbinds it; does nothing when nothing is bound.
void LN_EndPlot();

// Plots a line from (x0, y0) to (x1, y1) with the bound function: max(|dx|, |dy|) + 1 points,
// the last one exactly at (x1, y1).
void LN_DrawLine(int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint32_t colour);

// The plot functions. The single-pixel ones round to the nearest pixel; the smooth ones
// spread the point over the 2 x 2 block at and right of / below it by its fractions.
// Writes the colour value unchanged as the pixel.
void LN_PlotSolid(uint32_t colour, float x, float y);
// Blends the colour over the pixel by its alpha byte (255 covers fully); alpha bits cleared.
void LN_PlotBlend(uint32_t colour, float x, float y);
// Anti-aliased opaque point; alpha bits cleared.
void LN_PlotSmooth(uint32_t colour, float x, float y);
// Anti-aliased point whose shares are also scaled by the colour's alpha; alpha bits cleared.
void LN_PlotSmoothBlend(uint32_t colour, float x, float y);
// Paints a surface with an alpha channel, the colour's alpha accumulating into the pixel's.
void LN_PlotOnAlpha(uint32_t colour, float x, float y);
// Anti-aliased painting of a surface with an alpha channel; the coverage acts as alpha and the
// colour's own alpha byte is not used.
void LN_PlotSmoothOnAlpha(uint32_t colour, float x, float y);
