// What gdi32 offers the platform's other libraries beyond the Win32 API:
// device contexts on the images behind windows, and drawing of images with
// an alpha channel (icons). user32 makes window DCs with these; programs use
// BeginPaint and GetDC.
#pragma once

#include <windows.h>
#include <winplat/display.h>

#include <memory>

namespace winplat {

// A device context drawing on `surface` (a top-level window's image).
// `origin` is the window's client origin in the surface and `visible` the
// part of the surface the DC may touch (surface pixels). DeleteDC frees it.
WINPLAT_EXPORT HDC CreateSurfaceDC(std::shared_ptr<Image> surface, POINT origin, const Region& visible);
// Changes the part of the surface a surface DC may touch (BeginPaint first
// erases within the erase region, then paints within the update region).
WINPLAT_EXPORT BOOL SetSurfaceDCVisible(HDC hdc, const Region& visible);
// Draws an image with alpha at logical (x, y), scaled to width x height,
// clipped like any drawing of the DC.
WINPLAT_EXPORT BOOL DrawImage(HDC hdc, int x, int y, int width, int height, const Image& image);
// Makes an object survive DeleteObject, like the stock objects (system
// colour brushes).
WINPLAT_EXPORT void MakeObjectPermanent(HGDIOBJ object);
// The pixels of a region object (false for a bad handle).
WINPLAT_EXPORT bool RegionOf(HRGN region, Region* pixels);
// The pixels of a bitmap object (opaque), for icons made from bitmaps.
WINPLAT_EXPORT bool BitmapPixels(HBITMAP bitmap, Image* image);
// Decodes a packed DIB (header, colour table, bits) of `size` bytes into an
// image, top row first; checks every size against `size`.
WINPLAT_EXPORT bool DecodePackedDib(const void* dib, size_t size, Image* image);

}  // namespace winplat
