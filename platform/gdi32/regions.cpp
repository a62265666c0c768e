// Region objects and the clipping of device contexts.
#include "gdi_objects.h"

#include <winplat/gdi.h>

#include <algorithm>

using namespace gdi;

namespace {

RECT Normalized(int x1, int y1, int x2, int y2)
{
    return RECT{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

int ComplexityResult(const Region& region)
{
    switch (region.Complexity()) {
    case 0: return NULLREGION;
    case 1: return SIMPLEREGION;
    default: return COMPLEXREGION;
    }
}

std::shared_ptr<RegionObject> GetRegion(HRGN h)
{
    auto region = FindAs<RegionObject>(h);
    if (!region) SetLastError(ERROR_INVALID_HANDLE);
    return region;
}

}  // namespace

HRGN WINAPI CreateRectRgn(int x1, int y1, int x2, int y2)
{
    auto region = std::make_shared<RegionObject>();
    region->region.Add(Normalized(x1, y1, x2, y2));
    return static_cast<HRGN>(Insert(region));
}

HRGN WINAPI CreateRectRgnIndirect(const RECT* lprect)
{
    if (!lprect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateRectRgn(lprect->left, lprect->top, lprect->right, lprect->bottom);
}

BOOL WINAPI SetRectRgn(HRGN hrgn, int left, int top, int right, int bottom)
{
    auto region = GetRegion(hrgn);
    if (!region) return FALSE;
    region->region.Clear();
    region->region.Add(Normalized(left, top, right, bottom));
    return TRUE;
}

int WINAPI CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode)
{
    auto dst = GetRegion(hrgnDst);
    auto src1 = GetRegion(hrgnSrc1);
    if (!dst || !src1) return ERROR;
    Region result = src1->region;
    if (iMode != RGN_COPY) {
        auto src2 = GetRegion(hrgnSrc2);
        if (!src2) return ERROR;
        switch (iMode) {
        case RGN_AND: result.Intersect(src2->region); break;
        case RGN_OR: result.Add(src2->region); break;
        case RGN_XOR: result.Xor(src2->region); break;
        case RGN_DIFF: result.Subtract(src2->region); break;
        default: SetLastError(ERROR_INVALID_PARAMETER); return ERROR;
        }
    }
    dst->region = std::move(result);
    return ComplexityResult(dst->region);
}

int WINAPI GetRgnBox(HRGN hrgn, LPRECT lprc)
{
    auto region = GetRegion(hrgn);
    if (!region || !lprc) return ERROR;
    *lprc = region->region.Bounds();
    return ComplexityResult(region->region);
}

BOOL WINAPI PtInRegion(HRGN hrgn, int x, int y)
{
    auto region = GetRegion(hrgn);
    return region && region->region.Contains(x, y);
}

BOOL WINAPI EqualRgn(HRGN hrgn1, HRGN hrgn2)
{
    auto a = GetRegion(hrgn1);
    auto b = GetRegion(hrgn2);
    return a && b && a->region == b->region;
}

int WINAPI OffsetRgn(HRGN hrgn, int x, int y)
{
    auto region = GetRegion(hrgn);
    if (!region) return ERROR;
    region->region.Offset(x, y);
    return ComplexityResult(region->region);
}

int WINAPI SelectClipRgn(HDC hdc, HRGN hrgn)
{
    auto dc = GetDc(hdc);
    if (!dc) return ERROR;
    if (!hrgn) {
        dc->state.clip.reset();  // no region: drawing is clipped by the visible part alone
    } else {
        auto region = GetRegion(hrgn);
        if (!region) return ERROR;
        dc->state.clip = region->region;  // a copy: the region object stays the caller's
    }
    dc->ClipChanged();
    return ComplexityResult(dc->Clip());
}

namespace {

// The DC's clip region in device pixels relative to its origin, the
// whole target when it has none.
Region CurrentClip(Dc& dc)
{
    if (dc.state.clip) return *dc.state.clip;
    Region all;
    all.Add(RECT{-(1 << 28), -(1 << 28), 1 << 28, 1 << 28});
    return all;
}

RECT DeviceRectFromLogical(Dc& dc, int left, int top, int right, int bottom)
{
    RECT r = Normalized(left, top, right, bottom);
    r.left += dc.state.viewportOrg.x;
    r.right += dc.state.viewportOrg.x;
    r.top += dc.state.viewportOrg.y;
    r.bottom += dc.state.viewportOrg.y;
    return r;
}

}  // namespace

int WINAPI IntersectClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    auto dc = GetDc(hdc);
    if (!dc) return ERROR;
    Region clip = CurrentClip(*dc);
    clip.Intersect(DeviceRectFromLogical(*dc, left, top, right, bottom));
    dc->state.clip = std::move(clip);
    dc->ClipChanged();
    return ComplexityResult(dc->Clip());
}

int WINAPI ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    auto dc = GetDc(hdc);
    if (!dc) return ERROR;
    Region clip = CurrentClip(*dc);
    clip.Subtract(DeviceRectFromLogical(*dc, left, top, right, bottom));
    dc->state.clip = std::move(clip);
    dc->ClipChanged();
    return ComplexityResult(dc->Clip());
}

int WINAPI GetClipBox(HDC hdc, LPRECT lprect)
{
    auto dc = GetDc(hdc);
    if (!dc || !lprect) return ERROR;
    const Region& clip = dc->Clip();
    RECT box = clip.Bounds();
    if (!clip.Empty()) {
        // Back to logical coordinates.
        int dx = dc->origin.x + dc->state.viewportOrg.x;
        int dy = dc->origin.y + dc->state.viewportOrg.y;
        box = RECT{box.left - dx, box.top - dy, box.right - dx, box.bottom - dy};
    }
    *lprect = box;
    return ComplexityResult(clip);
}

int WINAPI GetClipRgn(HDC hdc, HRGN hrgn)
{
    auto dc = GetDc(hdc);
    auto region = GetRegion(hrgn);
    if (!dc || !region) return -1;
    if (!dc->state.clip) return 0;
    region->region = *dc->state.clip;
    return 1;
}

BOOL WINAPI PtVisible(HDC hdc, int x, int y)
{
    auto dc = GetDc(hdc);
    return dc && dc->Clip().Contains(dc->DeviceX(x), dc->DeviceY(y));
}

BOOL WINAPI RectVisible(HDC hdc, const RECT* lprect)
{
    auto dc = GetDc(hdc);
    return dc && lprect && dc->Clip().Intersects(dc->DeviceRect(*lprect));
}

namespace winplat {

bool RegionOf(HRGN region, Region* pixels)
{
    auto object = FindAs<RegionObject>(region);
    if (!object || !pixels) return false;
    *pixels = object->region;
    return true;
}

}  // namespace winplat
