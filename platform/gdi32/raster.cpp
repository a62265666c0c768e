// Raster operations, blits, pixels, lines and shapes.
#include "raster.h"

#include <winplat/gdi.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace gdi {

namespace {

RECT Intersection(const RECT& a, const RECT& b)
{
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

int Luminance(uint32_t p)
{
    return static_cast<int>(((p >> 16) & 0xFF) * 30 + ((p >> 8) & 0xFF) * 59 + (p & 0xFF) * 11) / 100;
}

}  // namespace

uint32_t ForTarget(Dc& dc, uint32_t pixel)
{
    if (dc.Monochrome()) return Luminance(pixel) >= 128 ? kWhite : kBlack;
    return pixel | 0xFF000000;
}

void ForEachClipped(Dc& dc, const RECT& deviceRect, const std::function<void(const RECT&)>& visit)
{
    if (IsEmpty(deviceRect)) return;
    for (const RECT& clip : dc.Clip().Rects()) {
        RECT piece = Intersection(clip, deviceRect);
        if (!IsEmpty(piece)) visit(piece);
    }
}

void FillPixels(Dc& dc, const RECT& deviceRect, uint32_t pixel)
{
    Image* target = dc.Target();
    if (!target) return;
    pixel = ForTarget(dc, pixel);
    ForEachClipped(dc, deviceRect, [&](const RECT& r) {
        for (int y = r.top; y < r.bottom; ++y) {
            uint32_t* row = &target->At(r.left, y);
            std::fill(row, row + (r.right - r.left), pixel);
        }
    });
    dc.Drew();
}

uint32_t Blend(Dc& dc, uint32_t over, uint32_t under, uint32_t alpha)
{
    auto mix = [alpha](uint32_t o, uint32_t u) { return (o * alpha + u * (255 - alpha)) / 255; };
    return ForTarget(dc, 0xFF000000 | mix((over >> 16) & 0xFF, (under >> 16) & 0xFF) << 16 |
                             mix((over >> 8) & 0xFF, (under >> 8) & 0xFF) << 8 | mix(over & 0xFF, under & 0xFF));
}

void PlotPixel(Dc& dc, Image* target, int x, int y, uint32_t pixel)
{
    if (!target || !dc.Clip().Contains(x, y)) return;
    target->At(x, y) = ForTarget(dc, pixel);
}

bool BrushPixel(Dc& dc, uint32_t* pixel)
{
    if (dc.state.brush->log.lbStyle == BS_NULL) return false;
    *pixel = Pixel(dc.state.brush->log.lbColor);
    return true;
}

bool RopUsesSource(DWORD rop)
{
    unsigned rop3 = (rop >> 16) & 0xFF;
    return (((rop3 >> 2) ^ rop3) & 0x33) != 0;
}

void ApplyRop(Dc& dc, const RECT& deviceRect, DWORD rop, const std::function<uint32_t(int, int)>* source)
{
    Image* target = dc.Target();
    if (!target) return;
    unsigned rop3 = (rop >> 16) & 0xFF;
    uint32_t pattern = 0;
    bool hollow = !BrushPixel(dc, &pattern);
    bool usesPattern = (((rop3 >> 4) ^ rop3) & 0x0F) != 0;
    if (usesPattern && hollow) {
        // A hollow brush paints nothing where a pattern is needed.
        if (rop3 == 0xF0) return;
        pattern = 0;
    }
    pattern = ForTarget(dc, pattern);
    ForEachClipped(dc, deviceRect, [&](const RECT& r) {
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                uint32_t& d = target->At(x, y);
                uint32_t result;
                switch (rop3) {
                case 0xCC: result = (*source)(x, y); break;  // SRCCOPY
                case 0xF0: result = pattern; break;          // PATCOPY
                case 0x00: result = 0; break;                // BLACKNESS
                case 0xFF: result = 0xFFFFFF; break;         // WHITENESS
                default: {
                    uint32_t s = source ? (*source)(x, y) : 0;
                    result = 0;
                    // Each bit of the code says what one combination of
                    // pattern, source and destination bits gives.
                    for (unsigned i = 0; i < 8; ++i) {
                        if (!((rop3 >> i) & 1)) continue;
                        uint32_t term = ((i & 4) ? pattern : ~pattern) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
                        result |= term;
                    }
                }
                }
                d = ForTarget(dc, result);
            }
        }
    });
    dc.Drew();
}

}  // namespace gdi

using namespace gdi;

namespace {

// A source pixel for the destination pixel (x, y) of a blit, with the
// platform's colour conversions between monochrome and colour bitmaps.
struct BlitSource {
    Dc* dst;
    Dc* src;
    Image* image;
    int dx, dy;  // source pixel = destination pixel + (dx, dy)

    uint32_t operator()(int x, int y) const
    {
        uint32_t p = image->At(x + dx, y + dy);
        bool srcMono = src->Monochrome();
        bool dstMono = dst->Monochrome();
        if (srcMono && !dstMono) {
            // Black becomes the text colour, white the background colour.
            return (p & 0xFFFFFF) ? Pixel(dst->state.bkColor) : Pixel(dst->state.textColor);
        }
        if (!srcMono && dstMono) {
            // The source's background colour becomes white, the rest black.
            return ((p & 0xFFFFFF) == (Pixel(src->state.bkColor) & 0xFFFFFF)) ? kWhite : kBlack;
        }
        return p;
    }
};

// Limits a destination rectangle to the part whose source pixels exist.
bool ClipToSource(RECT* dst, POINT* srcOrigin, const Image& source)
{
    int left = srcOrigin->x, top = srcOrigin->y;
    if (left < 0) {
        dst->left -= left;
        srcOrigin->x = 0;
    }
    if (top < 0) {
        dst->top -= top;
        srcOrigin->y = 0;
    }
    dst->right = std::min<LONG>(dst->right, dst->left + (source.width - srcOrigin->x));
    dst->bottom = std::min<LONG>(dst->bottom, dst->top + (source.height - srcOrigin->y));
    return dst->right > dst->left && dst->bottom > dst->top;
}

}  // namespace

BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop)
{
    auto dst = GetDc(hdc);
    if (!dst) return FALSE;
    if (cx < 0) {
        x += cx;
        x1 += cx;
        cx = -cx;
    }
    if (cy < 0) {
        y += cy;
        y1 += cy;
        cy = -cy;
    }
    RECT rect{dst->DeviceX(x), dst->DeviceY(y), dst->DeviceX(x) + cx, dst->DeviceY(y) + cy};
    if (!RopUsesSource(rop)) {
        ApplyRop(*dst, rect, rop, nullptr);
        return TRUE;
    }
    auto src = GetDc(hdcSrc);
    if (!src) return FALSE;
    Image* srcImage = src->Target();
    if (!srcImage || !dst->Target()) return FALSE;
    // Within one image, read from a copy so that overlapping blits see the
    // pixels as they were.
    Image copy;
    Image* from = srcImage;
    if (srcImage == dst->Target()) {
        copy = *srcImage;
        from = &copy;
    }
    POINT srcOrigin{src->DeviceX(x1), src->DeviceY(y1)};
    if (!ClipToSource(&rect, &srcOrigin, *from)) return TRUE;
    if (rop == SRCCOPY && !src->Monochrome() && !dst->Monochrome()) {
        // The common case, copying pixels as they are: whole rows at once.
        Image* target = dst->Target();
        int dx = srcOrigin.x - rect.left, dy = srcOrigin.y - rect.top;
        ForEachClipped(*dst, rect, [&](const RECT& r) {
            for (int y = r.top; y < r.bottom; ++y) {
                const uint32_t* in = &from->At(r.left + dx, y + dy);
                std::copy(in, in + (r.right - r.left), &target->At(r.left, y));
            }
        });
        dst->Drew();
        return TRUE;
    }
    BlitSource source{dst.get(), src.get(), from, srcOrigin.x - rect.left, srcOrigin.y - rect.top};
    std::function<uint32_t(int, int)> fn = source;
    ApplyRop(*dst, rect, rop, &fn);
    return TRUE;
}

BOOL WINAPI StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc,
                       int wSrc, int hSrc, DWORD rop)
{
    auto dst = GetDc(hdcDest);
    if (!dst) return FALSE;
    if (wDest == 0 || hDest == 0) return TRUE;
    if (!RopUsesSource(rop)) return PatBlt(hdcDest, xDest, yDest, wDest, hDest, rop);
    auto src = GetDc(hdcSrc);
    if (!src) return FALSE;
    Image* srcImage = src->Target();
    // Fetched once: each Target() of a DIB section reloads it from the
    // program's bits, which would undo what this blit has drawn so far.
    Image* target = dst->Target();
    if (!srcImage || !target || wSrc == 0 || hSrc == 0) return FALSE;
    // Within one image, read from a copy so that the picture is read as it
    // was.
    Image copy;
    Image* from = srcImage;
    if (srcImage == target) {
        copy = *srcImage;
        from = &copy;
    }
    int left = dst->DeviceX(std::min(xDest, xDest + wDest));
    int top = dst->DeviceY(std::min(yDest, yDest + hDest));
    RECT rect{left, top, left + std::abs(wDest), top + std::abs(hDest)};
    // Mirroring: a negative width on one side only flips the picture.
    bool flipX = (wDest < 0) != (wSrc < 0);
    bool flipY = (hDest < 0) != (hSrc < 0);
    int sx0 = src->DeviceX(std::min(xSrc, xSrc + wSrc));
    int sy0 = src->DeviceY(std::min(ySrc, ySrc + hSrc));
    int sw = std::abs(wSrc), sh = std::abs(hSrc), dw = std::abs(wDest), dh = std::abs(hDest);
    Dc* srcDc = src.get();
    Dc* dstDc = dst.get();
    std::function<uint32_t(int, int)> fn = [&, srcDc, dstDc](int x, int y) -> uint32_t {
        int u = x - rect.left, v = y - rect.top;
        if (flipX) u = dw - 1 - u;
        if (flipY) v = dh - 1 - v;
        int px = sx0 + static_cast<int>(static_cast<long long>(u) * sw / dw);
        int py = sy0 + static_cast<int>(static_cast<long long>(v) * sh / dh);
        if (!from->Contains(px, py)) return target->At(x, y);  // nothing to read there
        BlitSource one{dstDc, srcDc, from, px - x, py - y};
        return one(x, y);
    };
    ApplyRop(*dst, rect, rop, &fn);
    return TRUE;
}

BOOL WINAPI PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop)
{
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    if (RopUsesSource(rop)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (w < 0) {
        x += w;
        w = -w;
    }
    if (h < 0) {
        y += h;
        h = -h;
    }
    ApplyRop(*dc, RECT{dc->DeviceX(x), dc->DeviceY(y), dc->DeviceX(x) + w, dc->DeviceY(y) + h}, rop, nullptr);
    return TRUE;
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y)
{
    auto dc = GetDc(hdc);
    if (!dc) return CLR_INVALID;
    Image* target = dc->Target();
    int dx = dc->DeviceX(x), dy = dc->DeviceY(y);
    if (!target || !dc->Clip().Contains(dx, dy)) return CLR_INVALID;
    return Color(target->At(dx, dy));
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color)
{
    auto dc = GetDc(hdc);
    if (!dc) return CLR_INVALID;
    Image* target = dc->Target();
    int dx = dc->DeviceX(x), dy = dc->DeviceY(y);
    if (!target || !dc->Clip().Contains(dx, dy)) return CLR_INVALID;
    target->At(dx, dy) = ForTarget(*dc, Pixel(color));
    dc->Drew();
    return Color(target->At(dx, dy));
}

// ---- Brushes and pens ---------------------------------------------------------

HBRUSH WINAPI CreateSolidBrush(COLORREF color)
{
    auto brush = std::make_shared<Brush>();
    brush->log.lbStyle = BS_SOLID;
    brush->log.lbColor = color & 0xFFFFFF;
    return static_cast<HBRUSH>(Insert(brush));
}

HBRUSH WINAPI CreateBrushIndirect(const LOGBRUSH* plbrush)
{
    if (!plbrush) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto brush = std::make_shared<Brush>();
    brush->log = *plbrush;
    // Hatched and pattern brushes paint in their colour.
    if (brush->log.lbStyle != BS_NULL) brush->log.lbStyle = BS_SOLID;
    brush->log.lbColor &= 0xFFFFFF;
    return static_cast<HBRUSH>(Insert(brush));
}

HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color)
{
    auto pen = std::make_shared<Pen>();
    pen->log.lopnStyle = static_cast<UINT>(iStyle);
    pen->log.lopnWidth = POINT{std::max(cWidth, 0), 0};
    pen->log.lopnColor = color & 0xFFFFFF;
    return static_cast<HPEN>(Insert(pen));
}

namespace {

bool PenPixel(Dc& dc, uint32_t* pixel)
{
    if (dc.state.pen->log.lopnStyle == PS_NULL) return false;
    *pixel = Pixel(dc.state.pen->log.lopnColor);
    return true;
}

// Draws a pen dot centred on a pixel of `target`.
void PenDot(Dc& dc, Image* target, int x, int y, uint32_t pixel)
{
    int width = std::max<int>(1, dc.state.pen->log.lopnWidth.x);
    if (width == 1) {
        PlotPixel(dc, target, x, y, pixel);
        return;
    }
    int half = width / 2;
    FillPixels(dc, RECT{x - half, y - half, x - half + width, y - half + width}, pixel);
}

// Bresenham's line in target pixels, without its last point (as the
// platform draws lines). `target` is the DC's Target(); the caller calls
// Drew() when its lines are done.
void DeviceLine(Dc& dc, Image* target, int x0, int y0, int x1, int y1, uint32_t pixel)
{
    int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    UINT style = dc.state.pen->log.lopnStyle;
    int step = 0;
    while (x0 != x1 || y0 != y1) {
        bool on = style == PS_DOT ? (step % 2 == 0) : style == PS_DASH ? (step % 9 < 6) : true;
        if (on) PenDot(dc, target, x0, y0, pixel);
        ++step;
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

}  // namespace

BOOL WINAPI LineTo(HDC hdc, int x, int y)
{
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    uint32_t pixel = 0;
    if (PenPixel(*dc, &pixel)) {
        DeviceLine(*dc, dc->Target(), dc->DeviceX(dc->state.position.x), dc->DeviceY(dc->state.position.y),
                   dc->DeviceX(x), dc->DeviceY(y), pixel);
        dc->Drew();
    }
    dc->state.position = POINT{x, y};
    return TRUE;
}

BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom)
{
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    RECT r{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
    RECT d = dc->DeviceRect(r);
    uint32_t fill = 0, pen = 0;
    bool hasPen = PenPixel(*dc, &pen);
    int inset = hasPen ? std::max<int>(1, dc->state.pen->log.lopnWidth.x) : 0;
    if (BrushPixel(*dc, &fill)) {
        FillPixels(*dc, RECT{d.left + inset, d.top + inset, d.right - inset, d.bottom - inset}, fill);
    }
    if (hasPen && d.right > d.left && d.bottom > d.top) {
        FillPixels(*dc, RECT{d.left, d.top, d.right, d.top + inset}, pen);
        FillPixels(*dc, RECT{d.left, d.bottom - inset, d.right, d.bottom}, pen);
        FillPixels(*dc, RECT{d.left, d.top, d.left + inset, d.bottom}, pen);
        FillPixels(*dc, RECT{d.right - inset, d.top, d.right, d.bottom}, pen);
    }
    return TRUE;
}

namespace {

// Fills the inside of a closed polygon (even-odd rule) in target pixels.
void FillPolygon(Dc& dc, const std::vector<POINT>& points, uint32_t pixel)
{
    if (points.size() < 3) return;
    LONG top = points[0].y, bottom = points[0].y;
    for (const POINT& p : points) {
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    std::vector<double> crossings;
    for (LONG y = top; y < bottom; ++y) {
        double cy = y + 0.5;
        crossings.clear();
        for (size_t i = 0; i < points.size(); ++i) {
            const POINT& a = points[i];
            const POINT& b = points[(i + 1) % points.size()];
            if ((a.y <= cy && b.y > cy) || (b.y <= cy && a.y > cy)) {
                crossings.push_back(a.x + (cy - a.y) * (b.x - a.x) / double(b.y - a.y));
            }
        }
        std::sort(crossings.begin(), crossings.end());
        for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
            int x0 = static_cast<int>(std::ceil(crossings[i] - 0.5));
            int x1 = static_cast<int>(std::ceil(crossings[i + 1] - 0.5));
            FillPixels(dc, RECT{x0, y, x1, y + 1}, pixel);
        }
    }
}

// Fills a closed shape of target pixels with the brush and outlines it
// with the pen.
void FillAndOutline(Dc& dc, const std::vector<POINT>& points)
{
    uint32_t pixel = 0;
    if (BrushPixel(dc, &pixel)) FillPolygon(dc, points, pixel);
    if (PenPixel(dc, &pixel)) {
        Image* target = dc.Target();
        for (size_t i = 0; i < points.size(); ++i) {
            const POINT& a = points[i];
            const POINT& b = points[(i + 1) % points.size()];
            DeviceLine(dc, target, a.x, a.y, b.x, b.y, pixel);
        }
        dc.Drew();
    }
}

}  // namespace

BOOL WINAPI Polygon(HDC hdc, const POINT* apt, int cpt)
{
    auto dc = GetDc(hdc);
    if (!dc || !apt || cpt < 2) return FALSE;
    std::vector<POINT> device;
    for (int i = 0; i < cpt; ++i) device.push_back(POINT{dc->DeviceX(apt[i].x), dc->DeviceY(apt[i].y)});
    FillAndOutline(*dc, device);
    return TRUE;
}

BOOL WINAPI Ellipse(HDC hdc, int left, int top, int right, int bottom)
{
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    RECT d = dc->DeviceRect(RECT{std::min(left, right), std::min(top, bottom), std::max(left, right),
                                 std::max(top, bottom)});
    double cx = (d.left + d.right) / 2.0, cy = (d.top + d.bottom) / 2.0;
    double rx = (d.right - d.left) / 2.0, ry = (d.bottom - d.top) / 2.0;
    if (rx <= 0 || ry <= 0) return TRUE;
    std::vector<POINT> outline;
    int steps = std::max(16, static_cast<int>((rx + ry) * 2));
    for (int i = 0; i < steps; ++i) {
        double t = 2 * M_PI * i / steps;
        outline.push_back(POINT{static_cast<LONG>(std::lround(cx + rx * std::cos(t))),
                                static_cast<LONG>(std::lround(cy + ry * std::sin(t)))});
    }
    FillAndOutline(*dc, outline);
    return TRUE;
}

// ---- Images with alpha -----------------------------------------------------------

namespace winplat {

BOOL DrawImage(HDC hdc, int x, int y, int width, int height, const Image& image)
{
    auto dc = GetDc(hdc);
    if (!dc || image.Empty() || width <= 0 || height <= 0) return FALSE;
    Image* target = dc->Target();
    if (!target) return FALSE;
    RECT rect{dc->DeviceX(x), dc->DeviceY(y), dc->DeviceX(x) + width, dc->DeviceY(y) + height};
    ForEachClipped(*dc, rect, [&](const RECT& r) {
        for (int py = r.top; py < r.bottom; ++py) {
            for (int px = r.left; px < r.right; ++px) {
                uint32_t s = image.At((px - rect.left) * image.width / width, (py - rect.top) * image.height / height);
                uint32_t a = s >> 24;
                if (a == 0) continue;
                uint32_t& d = target->At(px, py);
                if (a == 255) {
                    d = ForTarget(*dc, s);
                    continue;
                }
                d = Blend(*dc, s, d, a);
            }
        }
    });
    dc->Drew();
    return TRUE;
}

bool BitmapPixels(HBITMAP bitmap, Image* image)
{
    auto object = FindAs<Bitmap>(bitmap);
    if (!object || !image) return false;
    if (object->dibSection) object->LoadFromDib();
    *image = *object->image;
    for (uint32_t& p : image->pixels) p |= 0xFF000000;
    return true;
}

}  // namespace winplat
