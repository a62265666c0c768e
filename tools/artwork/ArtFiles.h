// The artwork's files: palette bitmaps (.bmp, 4 or 8 bits per pixel) and
// icons (.ico with 32-bit images and their masks).
#pragma once

#include "ArtCanvas.h"

#include <string>
#include <vector>

namespace art {

// Writes the picture with a palette of the colours it holds; false when it
// holds more colours than the depth allows or the file cannot be written.
bool WriteBitmapFile(const std::string& path, const Picture& picture, int bitsPerPixel);

// One image of an icon: pixels of the colour `transparent` are left out.
struct IconImage {
    Picture picture;
    COLORREF transparent;
};

bool WriteIconFile(const std::string& path, const std::vector<IconImage>& images);

}  // namespace art
