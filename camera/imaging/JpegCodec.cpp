#include "JpegCodec.h"

#include <turbojpeg.h>

#include <algorithm>
#include <memory>

namespace camera {
namespace {

struct HandleCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// The largest reduction libjpeg offers that keeps the width at minWidth or more.
tjscalingfactor ChooseScale(int width, int minWidth)
{
    tjscalingfactor best = {1, 1};
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    for (int i = 0; factors && i < count; ++i) {
        const tjscalingfactor& f = factors[i];
        if (TJSCALED(width, f) >= minWidth && TJSCALED(width, f) < TJSCALED(width, best)) best = f;
    }
    return best;
}

}  // namespace

bool EncodeBaseline422(const RgbImage& image, int quality, Bytes* jpeg)
{
    Handle handle(tjInitCompress());
    if (!handle || image.width <= 0 || image.height <= 0) return false;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    // TurboJPEG writes baseline with the standard Huffman tables, ids 1-3,
    // no restart markers, and forces 8-bit quantisation tables.
    int result = tjCompress2(handle.get(), image.pixels.data(), image.width, image.width * 3, image.height, TJPF_RGB,
                             &buffer, &size, TJSAMP_422, quality, TJFLAG_ACCURATEDCT);
    if (result == 0) jpeg->assign(buffer, buffer + size);
    tjFree(buffer);
    return result == 0;
}

bool DecodeJpeg(const uint8_t* data, size_t size, int minWidth, RgbImage* image)
{
    Handle handle(tjInitDecompress());
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (!handle || !data || size == 0 ||
        tjDecompressHeader3(handle.get(), data, static_cast<unsigned long>(size), &width, &height, &subsampling,
                            &colourspace) != 0 ||
        width <= 0 || height <= 0) {
        return false;
    }
    tjscalingfactor scale = ChooseScale(width, minWidth);
    *image = RgbImage(TJSCALED(width, scale), TJSCALED(height, scale));
    int result = tjDecompress2(handle.get(), data, static_cast<unsigned long>(size), image->pixels.data(),
                               image->width, image->width * 3, image->height, TJPF_RGB, 0);
    // A warning (a truncated or slightly damaged stream) still gives a picture.
    return result == 0 || tjGetErrorCode(handle.get()) == TJERR_WARNING;
}

bool JpegSize(const uint8_t* data, size_t size, int* width, int* height)
{
    Handle handle(tjInitDecompress());
    int subsampling = 0, colourspace = 0;
    return handle && data && size &&
           tjDecompressHeader3(handle.get(), data, static_cast<unsigned long>(size), width, height, &subsampling,
                               &colourspace) == 0;
}

RgbImage Resize(const RgbImage& source, int width, int height)
{
    RgbImage out(width, height);
    for (int y = 0; y < height; ++y) {
        int y0 = y * source.height / height;
        int y1 = std::max(y0 + 1, (y + 1) * source.height / height);
        for (int x = 0; x < width; ++x) {
            int x0 = x * source.width / width;
            int x1 = std::max(x0 + 1, (x + 1) * source.width / width);
            unsigned sum[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; ++sy) {
                for (int sx = x0; sx < x1; ++sx) {
                    const uint8_t* p = source.At(sx, sy);
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            unsigned n = static_cast<unsigned>((y1 - y0) * (x1 - x0));
            uint8_t* q = out.At(x, y);
            for (int c = 0; c < 3; ++c) q[c] = static_cast<uint8_t>((sum[c] + n / 2) / n);
        }
    }
    return out;
}

}  // namespace camera
