// The camera's thumbnail files: a 948-byte lead-in of the camera's own,
// then a baseline 4:2:2 JPEG 160 pixels wide at the picture's aspect ratio.
//
// Lead-in layout (little-endian; the rest of the 948 bytes is zero):
//   0   8  picture name ("S" and 7 characters)
//   8   4  "JPG" and a NUL
//   12  4  picture file size
//   16  2  thumbnail width      18  2  thumbnail height
//   20  2  picture width        22  2  picture height
//   24  4  length of the JPEG stream that follows the lead-in
#pragma once

#include "JpegCodec.h"

#include <string>

namespace camera {

constexpr size_t kThumbnailLeadIn = 948;
constexpr size_t kThumbnailFileLimit = 20480;  // the most the transfer program fetches
constexpr int kThumbnailWidth = 160;

// Empty when the picture is not a JPEG that can be decoded. The stream's
// quality is lowered until the whole file fits `limit` bytes (when it can).
Bytes MakeThumbnailFile(const Bytes& picture, const std::string& pictureName, size_t limit = kThumbnailFileLimit);

// A thumbnail file from a camera's own preview of a picture: the preview as
// it is when it already has the form above (and fits), else converted. The
// lead-in's picture width and height are 0: the picture itself is not read.
// Empty when the preview is not a JPEG that can be decoded.
Bytes ThumbnailFileFromPreview(const Bytes& preview, const std::string& pictureName, size_t pictureSize,
                               size_t limit = kThumbnailFileLimit);

// The stream has the thumbnail form: baseline, 8-bit tables, components 1,
// 2, 3 sampled 2x1, 1x1, 1x1 in one interleaved scan, no restart interval,
// kThumbnailWidth pixels wide. *height receives its height.
bool HasThumbnailForm(const Bytes& jpeg, int* height);

}  // namespace camera
