// Reduction of a decoded picture to the list's thumbnail: nearest-neighbour
// sampling by one whole factor, so that the result fits in 94 x 70 pixels.
#include "PictureList.h"

namespace {

constexpr LONGLONG kBoxWidth = 94;
constexpr LONGLONG kBoxHeight = 70;
constexpr SIZE_T kHeaderSize = sizeof(BITMAPINFOHEADER);

// Bytes per row of a 24-bit DIB, padded to a multiple of 4.
LONGLONG RowStride(LONGLONG width) { return ((width * 24 + 31) / 32) * 4; }

// The width rules when the picture is at least as wide as the box's aspect.
LONGLONG ReductionFactor(LONGLONG width, LONGLONG height)
{
    LONGLONG ratio = (width * kBoxHeight) / height;
    if (ratio >= kBoxWidth) return (width + kBoxWidth - 1) / kBoxWidth;
    return (height + kBoxHeight - 1) / kBoxHeight;
}

// The source comes from outside the list: its header must describe pixels
// that the block really holds.
bool SourceIsReadable(const BITMAPINFOHEADER& header, SIZE_T blockSize)
{
    if (header.biWidth <= 0 || header.biHeight <= 0) return false;
    LONGLONG stride = RowStride(header.biWidth);
    LONGLONG pixelBytes = static_cast<LONGLONG>(blockSize - kHeaderSize);
    return stride <= pixelBytes / header.biHeight;
}

void WriteThumbnailHeader(BITMAPINFOHEADER* pHeader, LONG width, LONG height, DWORD imageSize)
{
    pHeader->biSize = sizeof(BITMAPINFOHEADER);
    pHeader->biWidth = width;
    pHeader->biHeight = height;
    pHeader->biPlanes = 1;
    pHeader->biBitCount = 24;
    pHeader->biCompression = BI_RGB;
    pHeader->biSizeImage = imageSize;
    pHeader->biXPelsPerMeter = 0;
    pHeader->biYPelsPerMeter = 0;
    pHeader->biClrUsed = 0;
    pHeader->biClrImportant = 0;
}

// Rows are bottom-up in both bitmaps; counting from the top keeps the top-left
// pixel of the source as the top-left pixel of the thumbnail.
void SamplePixels(const BYTE* pSource, LONGLONG width, LONGLONG height, BYTE* pThumb, LONGLONG thumbWidth,
                  LONGLONG thumbHeight, LONGLONG factor)
{
    LONGLONG sourceStride = RowStride(width);
    LONGLONG thumbStride = RowStride(thumbWidth);
    for (LONGLONG j = 0; j < thumbHeight; ++j) {
        const BYTE* pSourceRow = pSource + (height - 1 - j * factor) * sourceStride;
        BYTE* pThumbRow = pThumb + (thumbHeight - 1 - j) * thumbStride;
        for (LONGLONG i = 0; i < thumbWidth; ++i) memcpy(pThumbRow + i * 3, pSourceRow + i * factor * 3, 3);
    }
}

}  // namespace

HGLOBAL CPictureList::MakeThumbnail(HGLOBAL hSourceDib, PictureNode* pNode)
{
    SIZE_T sourceSize = GlobalSize(hSourceDib);
    auto* pSource = static_cast<BYTE*>(GlobalLock(hSourceDib));
    if (!pSource) return nullptr;
    if (sourceSize < kHeaderSize) {
        GlobalUnlock(hSourceDib);
        return nullptr;
    }
    memcpy(&pNode->bihSource, pSource, kHeaderSize);
    const BITMAPINFOHEADER& source = pNode->bihSource;
    if (!SourceIsReadable(source, sourceSize)) {
        GlobalUnlock(hSourceDib);
        return nullptr;
    }

    LONGLONG factor = ReductionFactor(source.biWidth, source.biHeight);
    LONGLONG thumbWidth = source.biWidth / factor;
    LONGLONG thumbHeight = source.biHeight / factor;
    LONGLONG imageSize = thumbHeight * RowStride(thumbWidth);
    HGLOBAL hThumb = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(imageSize) + kHeaderSize);
    auto* pThumb = static_cast<BYTE*>(GlobalLock(hThumb));
    if (!pThumb) {
        if (hThumb) GlobalFree(hThumb);
        GlobalUnlock(hSourceDib);
        return nullptr;
    }
    WriteThumbnailHeader(reinterpret_cast<BITMAPINFOHEADER*>(pThumb), static_cast<LONG>(thumbWidth),
                         static_cast<LONG>(thumbHeight), static_cast<DWORD>(imageSize));
    SamplePixels(pSource + kHeaderSize, source.biWidth, source.biHeight, pThumb + kHeaderSize, thumbWidth,
                 thumbHeight, factor);
    GlobalUnlock(hThumb);
    GlobalUnlock(hSourceDib);
    return hThumb;
}
