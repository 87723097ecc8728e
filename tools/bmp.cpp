#include "tools/bmp.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

uint8_t ToByte(float v)
{
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// File header and BITMAPINFOHEADER; `paletteSize` entries follow (4 bytes each).
std::vector<uint8_t> Header(int w, int h, int bits, uint32_t paletteSize)
{
    const uint32_t rowBytes = (static_cast<uint32_t>(w) * bits / 8 + 3) & ~3u;
    const uint32_t offset = 14 + 40 + paletteSize * 4;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + rowBytes * static_cast<uint32_t>(h));
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(w));
    Put32(out, static_cast<uint32_t>(h));
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(bits));
    Put32(out, 0);                          // no compression
    Put32(out, rowBytes * static_cast<uint32_t>(h));
    Put32(out, 2835);                       // 72 dpi, which no one reads
    Put32(out, 2835);
    Put32(out, paletteSize);
    Put32(out, 0);
    return out;
}

template <typename Pixel>
std::vector<uint8_t> Encode24(const Canvas& pic, Pixel pixel)
{
    std::vector<uint8_t> out = Header(pic.w, pic.h, 24, 0);
    const size_t pad = (4 - (static_cast<size_t>(pic.w) * 3) % 4) % 4;
    for (int y = pic.h - 1; y >= 0; --y) {
        for (int x = 0; x < pic.w; ++x) {
            const uint32_t c = pixel(pic.At(x, y));
            out.push_back(static_cast<uint8_t>(c));
            out.push_back(static_cast<uint8_t>(c >> 8));
            out.push_back(static_cast<uint8_t>(c >> 16));
        }
        out.insert(out.end(), pad, 0);
    }
    return out;
}

uint32_t Pack(float r, float g, float b)
{
    return static_cast<uint32_t>(ToByte(r)) << 16 | static_cast<uint32_t>(ToByte(g)) << 8 | ToByte(b);
}

} // namespace

std::vector<uint8_t> EncodeColourBmp(const Canvas& picture)
{
    return Encode24(picture, [](const float* p) {
        if (ToByte(p[3]) == 0) {
            return KEY_COLOUR;
        }
        uint32_t c = Pack(p[0], p[1], p[2]);
        // A visible pixel that happened to hit the key would vanish in a keyed load.
        return c == KEY_COLOUR ? KEY_COLOUR - 1 : c;
    });
}

std::vector<uint8_t> EncodeFlatBmp(const Canvas& picture, Rgb under)
{
    return Encode24(picture, [under](const float* p) {
        const float a = std::clamp(p[3], 0.0f, 1.0f);
        return Pack(p[0] * a + under.r * (1 - a), p[1] * a + under.g * (1 - a), p[2] * a + under.b * (1 - a));
    });
}

std::vector<uint8_t> EncodeMaskBmp(const Canvas& picture)
{
    std::vector<uint8_t> out = Header(picture.w, picture.h, 8, 256);
    for (uint32_t i = 0; i < 256; ++i) {
        Put32(out, i << 16 | i << 8 | i);
    }
    const size_t pad = (4 - static_cast<size_t>(picture.w) % 4) % 4;
    for (int y = picture.h - 1; y >= 0; --y) {
        for (int x = 0; x < picture.w; ++x) {
            out.push_back(ToByte(picture.At(x, y)[3]));
        }
        out.insert(out.end(), pad, 0);
    }
    return out;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}
