// Pixel work shared by gdi32's drawing functions. Every operation is
// clipped to the DC's clip region and the target's bounds.
#pragma once

#include "gdi_objects.h"

#include <functional>

namespace gdi {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;

// Fills a rectangle of target pixels.
void FillPixels(Dc& dc, const RECT& deviceRect, uint32_t pixel);
// Calls `visit` for each clipped piece of a rectangle of target pixels.
void ForEachClipped(Dc& dc, const RECT& deviceRect, const std::function<void(const RECT&)>& visit);
// The pixel the DC's brush paints with, false for a hollow brush.
bool BrushPixel(Dc& dc, uint32_t* pixel);
// Applies a ternary raster operation over a rectangle. `source(x, y)`
// gives the source pixel for a target pixel (null when the operation uses
// no source).
void ApplyRop(Dc& dc, const RECT& deviceRect, DWORD rop, const std::function<uint32_t(int, int)>* source);
bool RopUsesSource(DWORD rop);
// Pixels of a monochrome target are black or white.
uint32_t ForTarget(Dc& dc, uint32_t pixel);
// Mixes `over` into `under` by `alpha` (0 to 255), as a pixel of the target.
uint32_t Blend(Dc& dc, uint32_t over, uint32_t under, uint32_t alpha);
// Sets one pixel of `target` (the DC's Target(), fetched once by the caller,
// as each call reloads a DIB section) if it is inside the clip.
void PlotPixel(Dc& dc, Image* target, int x, int y, uint32_t pixel);

}  // namespace gdi
