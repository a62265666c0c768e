#include "ArtCanvas.h"

#include <algorithm>
#include <cmath>

namespace art {

namespace {

int Clamp(int value) { return std::clamp(value, 0, 255); }

}  // namespace

Canvas::Canvas(int width, int height, COLORREF background) : width_(width), height_(height)
{
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateBitmap(width, height, 1, 32, nullptr);
    previous_ = SelectObject(dc_, bitmap_);
    Fill(RECT{0, 0, width, height}, background);
}

Canvas::~Canvas()
{
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

void Canvas::Fill(const RECT& rect, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc_, &rect, brush);
    DeleteObject(brush);
}

void Canvas::Outline(const RECT& rect, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FrameRect(dc_, &rect, brush);
    DeleteObject(brush);
}

void Canvas::VerticalGradient(const RECT& rect, COLORREF top, COLORREF bottom, int steps)
{
    int rows = rect.bottom - rect.top;
    for (int y = 0; y < rows; ++y) {
        int step = rows > 1 ? y * (steps - 1) / (rows - 1) : 0;
        Fill(RECT{rect.left, rect.top + y, rect.right, rect.top + y + 1}, Blend(top, bottom, step, steps - 1));
    }
}

void Canvas::Bevel(const RECT& rect, COLORREF light, COLORREF dark)
{
    for (int i = 0; i < 2; ++i) {
        RECT r{rect.left + i, rect.top + i, rect.right - i, rect.bottom - i};
        Fill(RECT{r.left, r.top, r.right, r.top + 1}, light);
        Fill(RECT{r.left, r.top, r.left + 1, r.bottom}, light);
        Fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, dark);
        Fill(RECT{r.right - 1, r.top, r.right, r.bottom}, dark);
    }
}

void Canvas::Disc(int left, int top, int diameter, COLORREF fill, COLORREF edge)
{
    auto disc = [&](int inset, COLORREF colour) {
        double radius = diameter / 2.0 - inset;
        double centre = diameter / 2.0;
        for (int row = inset; row < diameter - inset; ++row) {
            double dy = row + 0.5 - centre;
            int half = static_cast<int>(std::sqrt(std::max(0.0, radius * radius - dy * dy)) + 0.5);
            int from = static_cast<int>(centre) - half, to = static_cast<int>(centre + 0.5) + half;
            if (to > from) Fill(RECT{left + from, top + row, left + to, top + row + 1}, colour);
        }
    };
    disc(0, edge);
    disc(1, fill);
}

void Canvas::ArrowHead(int apexX, int apexY, int rows, COLORREF colour)
{
    int direction = rows > 0 ? 1 : -1;
    for (int i = 0; i < rows * direction; ++i) {
        int y = apexY + i * direction;
        Fill(RECT{apexX - i, y, apexX + i + 1, y + 1}, colour);
    }
}

void Canvas::CentredText(const char* text, int centreX, int centreY, int height, COLORREF colour)
{
    HFONT font = CreateFontA(-height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                             DEFAULT_QUALITY, 0, "Arial");
    HGDIOBJ old = SelectObject(dc_, font);
    int length = lstrlenA(text);
    SIZE extent{0, 0};
    GetTextExtentPoint32A(dc_, text, length, &extent);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc_, &metrics);
    SetBkMode(dc_, TRANSPARENT);
    SetTextColor(dc_, colour);
    // Centred on the capitals: the cell's internal leading and descent lie
    // outside them.
    int capitalsTop = metrics.tmInternalLeading;
    int capitalsHeight = metrics.tmAscent - metrics.tmInternalLeading;
    TextOutA(dc_, centreX - extent.cx / 2, centreY - capitalsTop - capitalsHeight / 2, text, length);
    SelectObject(dc_, old);
    DeleteObject(font);
}

void Canvas::SetPixel(int x, int y, COLORREF colour) { ::SetPixel(dc_, x, y, colour); }

Picture Canvas::Take() const
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<BYTE> bits(static_cast<size_t>(width_) * height_ * 4);
    // The bitmap cannot be read while it is selected into the DC.
    SelectObject(dc_, previous_);
    GetDIBits(dc_, bitmap_, 0, height_, bits.data(), &info, DIB_RGB_COLORS);
    SelectObject(dc_, bitmap_);

    Picture picture;
    picture.width = width_;
    picture.height = height_;
    picture.pixels.resize(static_cast<size_t>(width_) * height_);
    for (size_t i = 0; i < picture.pixels.size(); ++i)
        picture.pixels[i] = RGB(bits[i * 4 + 2], bits[i * 4 + 1], bits[i * 4]);
    return picture;
}

COLORREF Blend(COLORREF from, COLORREF to, int step, int steps)
{
    if (steps <= 0) return from;
    auto mix = [&](int a, int b) { return a + (b - a) * step / steps; };
    return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
               mix(GetBValue(from), GetBValue(to)));
}

COLORREF Shade(COLORREF colour, int amount)
{
    return RGB(Clamp(GetRValue(colour) + amount), Clamp(GetGValue(colour) + amount), Clamp(GetBValue(colour) + amount));
}

COLORREF Greyed(COLORREF colour)
{
    int grey = (GetRValue(colour) * 30 + GetGValue(colour) * 59 + GetBValue(colour) * 11) / 100;
    grey = 96 + grey / 3;
    return RGB(grey, grey, grey);
}

}  // namespace art
