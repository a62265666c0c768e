// Thumbnails as the thumbnail load makes them, for the window tests and the
// grid benchmark: a virtual-camera sample picture at a thumbnail's size,
// encoded as the camera does and decoded by the program's own decoder.
#pragma once

#include <windows.h>

namespace uitest {

// A packed 24-bit DIB in a moveable global block: the program's decoder's
// picture of a camera-style thumbnail, drawn from sample picture `number`
// at the given size. The caller frees the block.
HGLOBAL DecodedThumbnail(int number, int width, int height);

}  // namespace uitest
