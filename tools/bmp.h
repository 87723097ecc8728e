// BMP files for the theme generator: 24-bit colour pictures and 8-bit grey-palette masks whose
// palette index is the opacity, the two halves of a picture that the game's loader joins.
//
// Files are written whole, bottom row first as the format wants, with no compression, so
// SDL_LoadBMP reads them. Returns false when the file cannot be written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/canvas.h"

// The colour picture: fully transparent pixels become the key colour, the rest their colour.
std::vector<uint8_t> EncodeColourBmp(const Canvas& picture);
// The mask: index = opacity 0..255, palette entry i = grey i.
std::vector<uint8_t> EncodeMaskBmp(const Canvas& picture);
// A picture as the game shows it: alpha composited over `under`, then 24-bit.
std::vector<uint8_t> EncodeFlatBmp(const Canvas& picture, Rgb under);

[[nodiscard]] bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
// 0..255 from a channel value in 0..1, rounded and clamped.
uint8_t ToByte(float v);
