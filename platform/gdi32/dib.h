// Device-independent bitmaps: reading and writing rows of every format the
// platform's programs hand to gdi32 (1, 4, 8, 16, 24 and 32 bits per pixel,
// BI_RGB and BI_BITFIELDS, bottom-up and top-down).
#pragma once

#include "gdi_objects.h"

namespace gdi {

struct DibFormat {
    int width = 0;
    int height = 0;       // rows, always positive
    bool topDown = false;
    int bitsPixel = 0;
    size_t stride = 0;     // bytes per row, a multiple of 4
    size_t infoBytes = 0;  // header, masks and colour table
    DWORD sizeImage = 0;   // biSizeImage as given (0: not given)
    std::vector<uint32_t> palette;
    uint32_t masks[3] = {0, 0, 0};

    size_t ImageBytes() const { return stride * size_t(height); }
    uint32_t Read(const BYTE* row, int x) const;
    void Write(BYTE* row, int x, uint32_t pixel) const;
};

// Reads and checks a BITMAPINFO (or BITMAPCOREHEADER) of which at most
// `available` bytes exist. Only DIB_RGB_COLORS colour tables are taken.
bool ParseDib(const void* info, size_t available, UINT usage, DibFormat* format);

constexpr int kLargestSide = 16384;

}  // namespace gdi
