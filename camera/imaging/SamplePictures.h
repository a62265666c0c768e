// Generated sample pictures: 1792 x 1200, each with its own colour and
// pattern and its number drawn large, so that a person tells them apart in a
// grid of thumbnails.
#pragma once

#include "JpegCodec.h"

namespace camera {

constexpr int kSampleWidth = 1792;
constexpr int kSampleHeight = 1200;

RgbImage DrawSamplePicture(int number);
// The picture as the camera stores it: a baseline 4:2:2 JPEG.
Bytes MakeSamplePicture(int number);
// A small 320 x 240 picture of smooth gradients tinted by `seed`, quick to
// make and to read, for tests that need many pictures; the camera makes
// its thumbnail file from it as from any other.
Bytes MakeSmallPicture(int seed);

}  // namespace camera
