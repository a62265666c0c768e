#include "DigitFont.h"

#include <algorithm>

namespace camera {
namespace {

// Row by row, the five dots of a row in bits 4 (left) to 0 (right).
const uint8_t kGlyphs[10][kDigitRows] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E},  // 0
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},  // 1
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F},  // 2
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},  // 3
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02},  // 4
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},  // 5
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E},  // 6
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},  // 7
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E},  // 8
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},  // 9
};

void FillSquare(RgbImage* image, int x, int y, int size, Rgb colour)
{
    int x1 = std::min(image->width, x + size), y1 = std::min(image->height, y + size);
    for (int py = std::max(0, y); py < y1; ++py) {
        for (int px = std::max(0, x); px < x1; ++px) {
            uint8_t* p = image->At(px, py);
            p[0] = colour.r;
            p[1] = colour.g;
            p[2] = colour.b;
        }
    }
}

}  // namespace

int DigitsWidth(const std::string& text, int dot)
{
    return text.empty() ? 0 : (static_cast<int>(text.size()) * 6 - 1) * dot;
}

void DrawDigits(RgbImage* image, const std::string& text, int x, int y, int dot, Rgb colour)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') continue;
        const uint8_t* glyph = kGlyphs[text[i] - '0'];
        int left = x + static_cast<int>(i) * 6 * dot;
        for (int row = 0; row < kDigitRows; ++row) {
            for (int col = 0; col < 5; ++col) {
                if (glyph[row] & (0x10 >> col)) FillSquare(image, left + col * dot, y + row * dot, dot, colour);
            }
        }
    }
}

}  // namespace camera
