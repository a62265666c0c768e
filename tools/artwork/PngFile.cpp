#include "PngFile.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace art {
namespace {

std::vector<unsigned char> RgbaRows(const IconImage& image)
{
    const Picture& p = image.picture;
    std::vector<unsigned char> rgba;
    rgba.reserve(static_cast<size_t>(p.width) * p.height * 4);
    for (COLORREF c : p.pixels) {
        bool clear = c == image.transparent;
        rgba.push_back(clear ? 0 : GetRValue(c));
        rgba.push_back(clear ? 0 : GetGValue(c));
        rgba.push_back(clear ? 0 : GetBValue(c));
        rgba.push_back(clear ? 0 : 255);
    }
    return rgba;
}

}  // namespace

bool WritePngFile(const std::string& path, const IconImage& image)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        const Picture& p = image.picture;
        std::vector<unsigned char> rgba = RgbaRows(image);
        png_set_IHDR(png, info, p.width, p.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        std::vector<png_bytep> rows;
        for (int y = 0; y < p.height; ++y) rows.push_back(&rgba[static_cast<size_t>(y) * p.width * 4]);
        png_init_io(png, file);
        png_set_rows(png, info, rows.data());
        png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return std::fclose(file) == 0 && ok;
}

}  // namespace art
