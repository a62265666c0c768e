// gdi32's objects: pens, brushes, fonts, bitmaps, regions and device
// contexts, all in the shared object table (ObjectKind::Gdi), so that their
// handles fit in 32 bits like every handle of the stand-in.
#pragma once

#include <windows.h>
#include <winplat/display.h>
#include <winplat/objects.h>

#include <memory>
#include <optional>
#include <vector>

namespace gdi {

using winplat::Image;
using winplat::Region;

class RealFont;

class GdiObject : public winplat::KernelObject {
public:
    winplat::ObjectKind Kind() const override { return winplat::ObjectKind::Gdi; }
    bool ClosableByCloseHandle() const override { return false; }
    virtual DWORD Type() const = 0;

    HGDIOBJ handle = nullptr;
    bool stock = false;  // stock objects survive DeleteObject
};

class Pen : public GdiObject {
public:
    DWORD Type() const override { return OBJ_PEN; }
    LOGPEN log{};
};

class Brush : public GdiObject {
public:
    DWORD Type() const override { return OBJ_BRUSH; }
    LOGBRUSH log{};
};

class Font : public GdiObject {
public:
    DWORD Type() const override { return OBJ_FONT; }
    LOGFONTA log{};
    std::shared_ptr<RealFont> real;  // the face at its size, made on first use
};

class Palette : public GdiObject {
public:
    DWORD Type() const override { return OBJ_PAL; }
};

class RegionObject : public GdiObject {
public:
    DWORD Type() const override { return OBJ_REGION; }
    Region region;
};

class Dc;

// Every bitmap keeps its pixels as 32-bit device pixels; `bitsPixel` is the
// format it reports (1 for monochrome bitmaps, whose pixels are black or
// white). A DIB section also keeps the program's view of its bits in its
// own format, copied to and from the pixels around every use.
class Bitmap : public GdiObject {
public:
    DWORD Type() const override { return OBJ_BITMAP; }
    bool Monochrome() const { return bitsPixel == 1; }
    // Brings the pixels up to date with a DIB section's bits, and back.
    void LoadFromDib();
    void StoreToDib();

    std::shared_ptr<Image> image = std::make_shared<Image>();
    int bitsPixel = 32;
    Dc* selectedIn = nullptr;
    // DIB sections only.
    bool dibSection = false;
    std::vector<BYTE> dibInfo;  // BITMAPINFOHEADER and colour table
    std::vector<BYTE> dibBits;  // what the program writes to
};

// The attributes that SaveDC and RestoreDC keep.
struct DcState {
    std::shared_ptr<Pen> pen;
    std::shared_ptr<Brush> brush;
    std::shared_ptr<Font> font;
    std::shared_ptr<Bitmap> bitmap;  // memory DCs
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    UINT textAlign = TA_LEFT | TA_TOP;
    POINT viewportOrg{0, 0};
    POINT position{0, 0};
    std::optional<Region> clip;  // device pixels relative to the DC's origin
};

class Dc : public GdiObject {
public:
    DWORD Type() const override { return memory ? OBJ_MEMDC : OBJ_DC; }
    // A memory DC drawing on a monochrome bitmap.
    bool Monochrome() const { return memory && state.bitmap && state.bitmap->Monochrome(); }

    // The image drawn on, or null (a memory DC without a usable bitmap).
    Image* Target();
    // Where drawing may land, in target pixels: visible part, DC clip and
    // image bounds.
    const Region& Clip();
    void ClipChanged() { clipValid_ = false; }
    // Logical coordinates to target pixels.
    int DeviceX(int x) const { return x + state.viewportOrg.x + origin.x; }
    int DeviceY(int y) const { return y + state.viewportOrg.y + origin.y; }
    RECT DeviceRect(const RECT& r) const
    {
        return RECT{DeviceX(r.left), DeviceY(r.top), DeviceX(r.right), DeviceY(r.bottom)};
    }
    // Called after drawing changed the target (DIB sections keep their bits).
    void Drew();

    bool memory = false;
    std::shared_ptr<Image> surface;  // window DCs: the top-level's image
    POINT origin{0, 0};              // window DCs: client origin in the surface
    Region visible;                  // window DCs: allowed part of the surface
    DcState state;
    std::vector<DcState> saved;

private:
    Region clip_;
    bool clipValid_ = false;
};

// Table access.
HGDIOBJ Insert(const std::shared_ptr<GdiObject>& object);
std::shared_ptr<GdiObject> Find(HGDIOBJ handle);
template <class T>
std::shared_ptr<T> FindAs(HGDIOBJ handle)
{
    return std::dynamic_pointer_cast<T>(Find(handle));
}
// The DC behind a handle; sets ERROR_INVALID_HANDLE when there is none.
std::shared_ptr<Dc> GetDc(HDC hdc);

// Pixels.
inline uint32_t Pixel(COLORREF color) { return winplat::PixelFromColorRef(color); }
inline COLORREF Color(uint32_t pixel) { return winplat::ColorRefFromPixel(pixel); }

}  // namespace gdi
