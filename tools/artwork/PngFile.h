// Writes a picture as an 8-bit RGBA PNG file (a host path), for the desktop's
// icon folders.
#pragma once

#include "ArtFiles.h"

#include <string>

namespace art {

// Pixels of the image's transparent colour become fully transparent.
bool WritePngFile(const std::string& path, const IconImage& image);

}  // namespace art
