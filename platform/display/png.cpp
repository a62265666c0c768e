// PNG files of window pictures (libpng's simplified interface).
#include <winplat/display.h>

#include <png.h>

#include <cstring>

namespace winplat {

bool SavePng(const Image& image, const std::string& hostPath)
{
    if (image.Empty() || image.pixels.size() < size_t(image.width) * size_t(image.height)) return false;
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(size_t(image.width) * size_t(image.height) * 3);
    for (size_t i = 0; i < size_t(image.width) * size_t(image.height); ++i) {
        uint32_t p = image.pixels[i];
        rgb[i * 3] = static_cast<unsigned char>(p >> 16);
        rgb[i * 3 + 1] = static_cast<unsigned char>(p >> 8);
        rgb[i * 3 + 2] = static_cast<unsigned char>(p);
    }
    bool ok = png_image_write_to_file(&png, hostPath.c_str(), 0, rgb.data(), 0, nullptr) != 0;
    png_image_free(&png);
    return ok;
}

bool DecodePng(const void* data, size_t size, Image* image)
{
    if (!data || size < 8 || !image) return false;
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data, size)) return false;
    png.format = PNG_FORMAT_BGRA;  // 0xAARRGGBB in a little-endian word
    constexpr png_uint_32 kLargest = 4096;
    if (png.width == 0 || png.height == 0 || png.width > kLargest || png.height > kLargest) {
        png_image_free(&png);
        return false;
    }
    Image decoded(static_cast<int>(png.width), static_cast<int>(png.height));
    bool ok = png_image_finish_read(&png, nullptr, decoded.pixels.data(), 0, nullptr) != 0;
    png_image_free(&png);
    if (ok) *image = std::move(decoded);
    return ok;
}

}  // namespace winplat
