// JPEG encoding and decoding for the camera's pictures and thumbnails, on
// libjpeg-turbo's TurboJPEG interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace camera {

using Bytes = std::vector<uint8_t>;

// 8-bit RGB, rows top to bottom, no padding.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;

    RgbImage() = default;
    RgbImage(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h * 3) {}
    uint8_t* At(int x, int y) { return &pixels[(static_cast<size_t>(y) * width + x) * 3]; }
    const uint8_t* At(int x, int y) const { return &pixels[(static_cast<size_t>(y) * width + x) * 3]; }
};

// The only kind of stream the transfer program decodes: baseline Huffman,
// 8-bit quantisation tables, components 1, 2, 3 with Y sampled 2x1 and the
// chroma 1x1 (4:2:2), one interleaved scan, no restart interval.
bool EncodeBaseline422(const RgbImage& image, int quality, Bytes* jpeg);

// Decodes any JPEG that libjpeg-turbo reads, letting its DCT scaling shrink
// the picture as far as it can while keeping it at least minWidth wide
// (0: full size). False for data that is not a readable JPEG.
bool DecodeJpeg(const uint8_t* data, size_t size, int minWidth, RgbImage* image);

// Width and height from the frame header; false when it cannot be read.
bool JpegSize(const uint8_t* data, size_t size, int* width, int* height);

// Area-average resampling (a box filter): good enough for thumbnails.
RgbImage Resize(const RgbImage& source, int width, int height);

}  // namespace camera
