// A 5 x 7 dot font of the ten digits, drawn scaled up, so that each sample
// picture carries its number in figures large enough to read in a thumbnail.
#pragma once

#include "JpegCodec.h"

#include <string>

namespace camera {

struct Rgb {
    uint8_t r, g, b;
};

// Draws the decimal digits of `text` (other characters are left as gaps) with
// one font dot as a square of `dot` pixels, the top left corner at (x, y).
void DrawDigits(RgbImage* image, const std::string& text, int x, int y, int dot, Rgb colour);
// Size of that text in pixels: 5 dots per digit and 1 dot between digits, 7 dots high.
int DigitsWidth(const std::string& text, int dot);
constexpr int kDigitRows = 7;

}  // namespace camera
