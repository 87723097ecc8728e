// Colour science for judging the themes: sRGB to CIE L*a*b* (D65), the CIEDE2000 colour
// difference, simulated deuteranopia and protanopia (Machado, Oliveira and Fernandes 2009,
// full severity, applied to linear RGB) and the WCAG contrast ratio.
//
// Channels are 0..255 sRGB values; results are plain doubles.
#pragma once

struct Srgb {
    double r, g, b;
};

struct Lab {
    double l, a, b;
};

Lab LabFromSrgb(Srgb c);
double Ciede2000(Lab x, Lab y);
// The colour as a viewer with the given colour vision deficiency would see it.
Srgb SimulateDeuteranopia(Srgb c);
Srgb SimulateProtanopia(Srgb c);
// WCAG relative luminance 0..1 and the contrast ratio (1..21) of two colours.
double RelativeLuminance(Srgb c);
double ContrastRatio(Srgb x, Srgb y);
