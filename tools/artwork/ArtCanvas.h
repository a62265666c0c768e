// A small drawing surface for snapfetch's artwork: a memory DC with a
// 32-bit bitmap, drawn on through gdi32 and read back as pixels.
//
// Everything is drawn without smoothing, so a picture holds only the
// colours it was drawn with; that keeps the 4- and 8-bit palettes of the
// bitmap files exact.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace art {

// Pixels as COLORREF (0x00BBGGRR), rows top-down.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;

    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

class Canvas {
public:
    Canvas(int width, int height, COLORREF background);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }

    void Fill(const RECT& rect, COLORREF colour);
    // A one-pixel outline just inside the rectangle.
    void Outline(const RECT& rect, COLORREF colour);
    // A vertical run of colours from `top` to `bottom`, one per row.
    void VerticalGradient(const RECT& rect, COLORREF top, COLORREF bottom, int steps);
    // Two-pixel bevel: light on the top and left edges, dark on the others
    // for a raised look; swapped for a sunken one.
    void Bevel(const RECT& rect, COLORREF light, COLORREF dark);
    // A disc of the given diameter with a one-pixel edge, drawn row by row
    // so that it is the same on every side.
    void Disc(int left, int top, int diameter, COLORREF fill, COLORREF edge);
    // A triangle pointing up (rows > 0) or down (rows < 0) from its apex,
    // widening by a pixel on each side per row.
    void ArrowHead(int apexX, int apexY, int rows, COLORREF colour);
    // Text centred on the point, in a bold sans face `height` pixels high.
    void CentredText(const char* text, int centreX, int centreY, int height, COLORREF colour);
    void SetPixel(int x, int y, COLORREF colour);

    Picture Take() const;

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// The colour at a fraction `step` of `steps` between two colours.
COLORREF Blend(COLORREF from, COLORREF to, int step, int steps);
// The colour made lighter (amount > 0) or darker (amount < 0), in 0..255 units.
COLORREF Shade(COLORREF colour, int amount);
// Grey of the colour's brightness, pulled towards a light grey: the look of
// a control that cannot be used.
COLORREF Greyed(COLORREF colour);

}  // namespace art
