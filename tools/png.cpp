#include "tools/png.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include "tools/bmp.h"

namespace {

// libpng reports failures by longjmp, so nothing with a destructor may live between setjmp and
// the end of the write: the rows are made before it starts.
bool Encode(std::FILE* file, int w, int h, std::vector<png_bytep>& rows)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool WritePng(const std::string& path, const Canvas& picture)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(picture.w) * picture.h * 4);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = ToByte(picture.px[i]);
    }
    std::vector<png_bytep> rows(static_cast<size_t>(picture.h));
    for (int y = 0; y < picture.h; ++y) {
        rows[static_cast<size_t>(y)] = bytes.data() + static_cast<size_t>(y) * picture.w * 4;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool encoded = Encode(file, picture.w, picture.h, rows);
    if (std::fclose(file) != 0 || !encoded) {
        std::remove(path.c_str());
        return false;
    }
    return true;
}
