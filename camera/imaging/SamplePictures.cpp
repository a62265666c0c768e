#include "SamplePictures.h"

#include "DigitFont.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace camera {
namespace {

Rgb FromHsv(double h, double s, double v)
{
    double sector = std::fmod(h, 1.0) * 6.0;
    int i = static_cast<int>(sector);
    double f = sector - i;
    double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    double r = v, g = t, b = p;
    switch (i) {
        case 1: r = q, g = v, b = p; break;
        case 2: r = p, g = v, b = t; break;
        case 3: r = p, g = q, b = v; break;
        case 4: r = t, g = p, b = v; break;
        case 5: r = v, g = p, b = q; break;
        default: break;
    }
    auto byte = [](double c) { return static_cast<uint8_t>(std::lround(std::clamp(c, 0.0, 1.0) * 255)); };
    return {byte(r), byte(g), byte(b)};
}

// Which of the two shades a pixel takes: stripes across, stripes down,
// a chequerboard or rings, by the picture's number.
bool Pattern(int number, int x, int y)
{
    switch ((number - 1 + 4) % 4) {
        case 0: return (y / 100) % 2 == 0;
        case 1: return (x / 112) % 2 == 0;
        case 2: return ((x / 150) + (y / 150)) % 2 == 0;
        default: {
            double dx = x - kSampleWidth / 2.0, dy = y - kSampleHeight / 2.0;
            return static_cast<int>(std::sqrt(dx * dx + dy * dy) / 90) % 2 == 0;
        }
    }
}

void FillRectangle(RgbImage* image, int x0, int y0, int x1, int y1, Rgb colour)
{
    for (int y = std::max(0, y0); y < std::min(image->height, y1); ++y) {
        for (int x = std::max(0, x0); x < std::min(image->width, x1); ++x) {
            uint8_t* p = image->At(x, y);
            p[0] = colour.r;
            p[1] = colour.g;
            p[2] = colour.b;
        }
    }
}

}  // namespace

RgbImage DrawSamplePicture(int number)
{
    RgbImage image(kSampleWidth, kSampleHeight);
    // Golden-ratio steps of hue keep neighbouring numbers far apart in colour.
    double hue = std::fmod(0.13 + number * 0.6180339887, 1.0);
    Rgb light = FromHsv(hue, 0.55, 0.95), dark = FromHsv(hue, 0.85, 0.55);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            Rgb c = Pattern(number, x, y) ? light : dark;
            uint8_t* p = image.At(x, y);
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
        }
    }
    std::string text = std::to_string(number);
    int dot = std::min(90, (kSampleWidth - 300) / (static_cast<int>(text.size()) * 6 - 1));
    int width = DigitsWidth(text, dot), height = kDigitRows * dot;
    int x = (kSampleWidth - width) / 2, y = (kSampleHeight - height) / 2;
    FillRectangle(&image, x - dot, y - dot, x + width + dot, y + height + dot, {250, 250, 245});
    DrawDigits(&image, text, x, y, dot, {20, 20, 40});
    return image;
}

Bytes MakeSamplePicture(int number)
{
    Bytes jpeg;
    EncodeBaseline422(DrawSamplePicture(number), 90, &jpeg);
    return jpeg;
}

Bytes MakeSmallPicture(int seed)
{
    RgbImage image(320, 240);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            uint8_t* p = image.At(x, y);
            p[0] = static_cast<uint8_t>(40 + seed * 50 + x / 4);
            p[1] = static_cast<uint8_t>(90 + seed * 30 + y / 3);
            p[2] = static_cast<uint8_t>(160 + seed * 70);
        }
    }
    Bytes jpeg;
    EncodeBaseline422(image, 85, &jpeg);
    return jpeg;
}

}  // namespace camera
