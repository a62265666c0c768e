// Device contexts, the object table, stock objects and selection.
#include "gdi_objects.h"

#include <winplat/gdi.h>

#include <mutex>

namespace gdi {

HGDIOBJ Insert(const std::shared_ptr<GdiObject>& object)
{
    // Values up to 31 name system colours where a brush is expected
    // (COLOR_BTNFACE + 1 in FillRect and window classes), so no GDI object
    // may have one. The table does not hand a value out again before it
    // wraps, so dropping a small value and asking again moves past them.
    constexpr uintptr_t kFirstGdiHandle = 32;
    for (;;) {
        object->handle = winplat::InsertObject(object);
        if (!object->handle) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        if (reinterpret_cast<uintptr_t>(object->handle) >= kFirstGdiHandle) return object->handle;
        winplat::RemoveObject(object->handle);
    }
}

std::shared_ptr<GdiObject> Find(HGDIOBJ handle)
{
    if (!handle) return nullptr;
    return winplat::LookupAs<GdiObject>(handle);
}

std::shared_ptr<Dc> GetDc(HDC hdc)
{
    auto dc = FindAs<Dc>(hdc);
    if (!dc) SetLastError(ERROR_INVALID_HANDLE);
    return dc;
}

namespace {

template <class T>
std::shared_ptr<T> MakeStock()
{
    auto object = std::make_shared<T>();
    object->stock = true;
    return object;
}

struct Stock {
    std::shared_ptr<Brush> brushes[6];
    std::shared_ptr<Pen> pens[3];
    std::shared_ptr<Font> fonts[8];  // OEM_FIXED_FONT (10) to DEFAULT_GUI_FONT (17)
    std::shared_ptr<Palette> palette;
    std::shared_ptr<Bitmap> bitmap;
};

Stock& TheStock()
{
    static Stock* stock = [] {
        auto* s = new Stock;
        const COLORREF brushColors[5] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                         RGB(64, 64, 64), RGB(0, 0, 0)};
        for (int i = 0; i < 6; ++i) {
            s->brushes[i] = MakeStock<Brush>();
            s->brushes[i]->log.lbStyle = i == NULL_BRUSH ? BS_NULL : BS_SOLID;
            s->brushes[i]->log.lbColor = i == NULL_BRUSH ? 0 : brushColors[i];
            Insert(s->brushes[i]);
        }
        const COLORREF penColors[3] = {RGB(255, 255, 255), RGB(0, 0, 0), 0};
        for (int i = 0; i < 3; ++i) {
            s->pens[i] = MakeStock<Pen>();
            s->pens[i]->log.lopnStyle = i == 2 ? PS_NULL : PS_SOLID;
            s->pens[i]->log.lopnWidth = POINT{1, 0};
            s->pens[i]->log.lopnColor = penColors[i];
            Insert(s->pens[i]);
        }
        for (int i = 0; i < 8; ++i) {
            s->fonts[i] = MakeStock<Font>();
            LOGFONTA& lf = s->fonts[i]->log;
            int index = OEM_FIXED_FONT + i;
            bool fixed = index == OEM_FIXED_FONT || index == ANSI_FIXED_FONT || index == SYSTEM_FIXED_FONT;
            bool system = index == SYSTEM_FONT || index == DEVICE_DEFAULT_FONT;
            lf.lfHeight = system ? 16 : index == DEFAULT_GUI_FONT ? -11 : 12;
            lf.lfWeight = system ? FW_BOLD : FW_NORMAL;
            lf.lfCharSet = ANSI_CHARSET;
            lf.lfPitchAndFamily = fixed ? (FIXED_PITCH | FF_MODERN) : (VARIABLE_PITCH | FF_SWISS);
            lstrcpynA(lf.lfFaceName, fixed ? "Courier" : system ? "System" : "MS Sans Serif", LF_FACESIZE);
            Insert(s->fonts[i]);
        }
        s->palette = MakeStock<Palette>();
        Insert(s->palette);
        s->bitmap = MakeStock<Bitmap>();
        s->bitmap->bitsPixel = 1;
        *s->bitmap->image = Image(1, 1, 0xFF000000);
        Insert(s->bitmap);
        return s;
    }();
    return *stock;
}

std::shared_ptr<Dc> NewDc(bool memory)
{
    auto dc = std::make_shared<Dc>();
    dc->memory = memory;
    dc->state.pen = TheStock().pens[BLACK_PEN - WHITE_PEN];
    dc->state.brush = TheStock().brushes[WHITE_BRUSH];
    dc->state.font = TheStock().fonts[SYSTEM_FONT - OEM_FIXED_FONT];
    if (memory) {
        dc->state.bitmap = TheStock().bitmap;
    }
    return dc;
}

}  // namespace

Image* Dc::Target()
{
    if (!memory) return surface.get();
    if (!state.bitmap) return nullptr;
    if (state.bitmap->dibSection) state.bitmap->LoadFromDib();
    return state.bitmap->image.get();
}

const Region& Dc::Clip()
{
    if (clipValid_) return clip_;
    Image* target = memory ? (state.bitmap ? state.bitmap->image.get() : nullptr) : surface.get();
    clip_.Clear();
    if (target) {
        clip_.Add(RECT{0, 0, target->width, target->height});
        if (!memory) clip_.Intersect(visible);
        if (state.clip) {
            Region user = *state.clip;
            user.Offset(origin.x, origin.y);
            clip_.Intersect(user);
        }
    }
    clipValid_ = true;
    return clip_;
}

void Dc::Drew()
{
    if (memory && state.bitmap && state.bitmap->dibSection) state.bitmap->StoreToDib();
}

}  // namespace gdi

using namespace gdi;

namespace winplat {

HDC CreateSurfaceDC(std::shared_ptr<Image> surface, POINT origin, const Region& visible)
{
    if (!surface) return nullptr;
    auto dc = NewDc(false);
    dc->surface = std::move(surface);
    dc->origin = origin;
    dc->visible = visible;
    return static_cast<HDC>(Insert(dc));
}

void MakeObjectPermanent(HGDIOBJ object)
{
    if (auto found = Find(object)) found->stock = true;
}

BOOL SetSurfaceDCVisible(HDC hdc, const Region& visible)
{
    auto dc = GetDc(hdc);
    if (!dc || dc->memory) return FALSE;
    dc->visible = visible;
    dc->ClipChanged();
    return TRUE;
}

}  // namespace winplat

HDC WINAPI CreateCompatibleDC(HDC hdc)
{
    if (hdc && !GetDc(hdc)) return nullptr;
    return static_cast<HDC>(Insert(NewDc(true)));
}

BOOL WINAPI DeleteDC(HDC hdc)
{
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    if (dc->state.bitmap && dc->state.bitmap->selectedIn == dc.get()) dc->state.bitmap->selectedIn = nullptr;
    for (DcState& s : dc->saved) {
        if (s.bitmap && s.bitmap->selectedIn == dc.get()) s.bitmap->selectedIn = nullptr;
    }
    winplat::RemoveObject(hdc);
    return TRUE;
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h)
{
    auto dc = GetDc(hdc);
    if (!dc) return nullptr;
    auto object = Find(h);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    DcState& s = dc->state;
    switch (object->Type()) {
    case OBJ_PEN: {
        HGDIOBJ previous = s.pen->handle;
        s.pen = std::static_pointer_cast<Pen>(object);
        return previous;
    }
    case OBJ_BRUSH: {
        HGDIOBJ previous = s.brush->handle;
        s.brush = std::static_pointer_cast<Brush>(object);
        return previous;
    }
    case OBJ_FONT: {
        HGDIOBJ previous = s.font->handle;
        s.font = std::static_pointer_cast<Font>(object);
        return previous;
    }
    case OBJ_BITMAP: {
        auto bitmap = std::static_pointer_cast<Bitmap>(object);
        // Only memory DCs take bitmaps, and a bitmap sits in one DC at a time.
        if (!dc->memory || (bitmap->selectedIn && bitmap->selectedIn != dc.get())) return nullptr;
        if (bitmap->stock) bitmap->selectedIn = nullptr;
        HGDIOBJ previous = s.bitmap ? s.bitmap->handle : nullptr;
        if (s.bitmap && s.bitmap->selectedIn == dc.get()) s.bitmap->selectedIn = nullptr;
        s.bitmap = bitmap;
        if (!bitmap->stock) bitmap->selectedIn = dc.get();
        dc->ClipChanged();
        return previous;
    }
    case OBJ_REGION:
        return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(SelectClipRgn(hdc, static_cast<HRGN>(h))));
    default:
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
}

BOOL WINAPI DeleteObject(HGDIOBJ ho)
{
    auto object = Find(ho);
    if (!object || object->Type() == OBJ_DC || object->Type() == OBJ_MEMDC) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (object->stock) return TRUE;
    // A DC that still holds the object keeps it alive until it lets go; the
    // handle is gone at once.
    if (auto bitmap = std::dynamic_pointer_cast<Bitmap>(object)) bitmap->selectedIn = nullptr;
    winplat::RemoveObject(ho);
    return TRUE;
}

int WINAPI GetObjectA(HANDLE h, int c, LPVOID pv)
{
    auto object = Find(h);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    auto copy = [&](const void* data, int size) {
        if (!pv) return size;
        if (c < size) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        memcpy(pv, data, static_cast<size_t>(size));
        return size;
    };
    switch (object->Type()) {
    case OBJ_BITMAP: {
        auto bitmap = std::static_pointer_cast<Bitmap>(object);
        BITMAP bm{};
        bm.bmWidth = bitmap->image->width;
        bm.bmHeight = bitmap->image->height;
        bm.bmPlanes = 1;
        bm.bmBitsPixel = static_cast<WORD>(bitmap->bitsPixel);
        // Device bitmaps have rows of whole 16-bit words, DIB sections of
        // whole 32-bit words.
        int align = bitmap->dibSection ? 32 : 16;
        bm.bmWidthBytes = ((bm.bmWidth * bitmap->bitsPixel + align - 1) / align) * (align / 8);
        return copy(&bm, sizeof bm);
    }
    case OBJ_FONT: return copy(&std::static_pointer_cast<Font>(object)->log, sizeof(LOGFONTA));
    case OBJ_BRUSH: return copy(&std::static_pointer_cast<Brush>(object)->log, sizeof(LOGBRUSH));
    case OBJ_PEN: return copy(&std::static_pointer_cast<Pen>(object)->log, sizeof(LOGPEN));
    default: SetLastError(ERROR_INVALID_HANDLE); return 0;
    }
}

DWORD WINAPI GetObjectType(HGDIOBJ h)
{
    auto object = Find(h);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return object->Type();
}

HGDIOBJ WINAPI GetStockObject(int i)
{
    Stock& s = TheStock();
    if (i >= WHITE_BRUSH && i <= NULL_BRUSH) return s.brushes[i]->handle;
    if (i >= WHITE_PEN && i <= NULL_PEN) return s.pens[i - WHITE_PEN]->handle;
    if (i >= OEM_FIXED_FONT && i <= DEFAULT_GUI_FONT && i != DEFAULT_PALETTE) {
        return s.fonts[i - OEM_FIXED_FONT]->handle;
    }
    if (i == DEFAULT_PALETTE) return s.palette->handle;
    return nullptr;
}

HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type)
{
    auto dc = GetDc(hdc);
    if (!dc) return nullptr;
    switch (type) {
    case OBJ_PEN: return dc->state.pen->handle;
    case OBJ_BRUSH: return dc->state.brush->handle;
    case OBJ_FONT: return dc->state.font->handle;
    case OBJ_BITMAP: return dc->state.bitmap ? dc->state.bitmap->handle : nullptr;
    case OBJ_PAL: return TheStock().palette->handle;
    default: return nullptr;
    }
}

int WINAPI SaveDC(HDC hdc)
{
    auto dc = GetDc(hdc);
    if (!dc) return 0;
    dc->saved.push_back(dc->state);
    return static_cast<int>(dc->saved.size());
}

BOOL WINAPI RestoreDC(HDC hdc, int nSavedDC)
{
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    int count = static_cast<int>(dc->saved.size());
    int index = nSavedDC < 0 ? count + nSavedDC : nSavedDC - 1;  // negative: relative to the last save
    if (index < 0 || index >= count) return FALSE;
    std::shared_ptr<Bitmap> old = dc->state.bitmap;
    dc->state = dc->saved[static_cast<size_t>(index)];
    dc->saved.resize(static_cast<size_t>(index));
    if (old != dc->state.bitmap) {
        if (old && old->selectedIn == dc.get()) old->selectedIn = nullptr;
        if (dc->state.bitmap && !dc->state.bitmap->stock) dc->state.bitmap->selectedIn = dc.get();
    }
    dc->ClipChanged();
    return TRUE;
}

int WINAPI GetDeviceCaps(HDC hdc, int index)
{
    if (!GetDc(hdc)) return 0;
    switch (index) {
    case HORZRES: return winplat::kScreenWidth;
    case VERTRES: return winplat::kScreenHeight;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    default: return 0;
    }
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color)
{
    auto dc = GetDc(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF previous = dc->state.textColor;
    dc->state.textColor = color & 0xFFFFFF;
    return previous;
}

COLORREF WINAPI GetTextColor(HDC hdc)
{
    auto dc = GetDc(hdc);
    return dc ? dc->state.textColor : CLR_INVALID;
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color)
{
    auto dc = GetDc(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF previous = dc->state.bkColor;
    dc->state.bkColor = color & 0xFFFFFF;
    return previous;
}

COLORREF WINAPI GetBkColor(HDC hdc)
{
    auto dc = GetDc(hdc);
    return dc ? dc->state.bkColor : CLR_INVALID;
}

int WINAPI SetBkMode(HDC hdc, int mode)
{
    auto dc = GetDc(hdc);
    if (!dc) return 0;
    if (mode != TRANSPARENT && mode != OPAQUE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int previous = dc->state.bkMode;
    dc->state.bkMode = mode;
    return previous;
}

int WINAPI GetBkMode(HDC hdc)
{
    auto dc = GetDc(hdc);
    return dc ? dc->state.bkMode : 0;
}

UINT WINAPI SetTextAlign(HDC hdc, UINT align)
{
    auto dc = GetDc(hdc);
    if (!dc) return GDI_ERROR;
    UINT previous = dc->state.textAlign;
    dc->state.textAlign = align;
    return previous;
}

UINT WINAPI GetTextAlign(HDC hdc)
{
    auto dc = GetDc(hdc);
    return dc ? dc->state.textAlign : GDI_ERROR;
}

BOOL WINAPI SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    if (lppt) *lppt = dc->state.viewportOrg;
    dc->state.viewportOrg = POINT{x, y};
    return TRUE;
}

BOOL WINAPI GetViewportOrgEx(HDC hdc, LPPOINT lppoint)
{
    auto dc = GetDc(hdc);
    if (!dc || !lppoint) return FALSE;
    *lppoint = dc->state.viewportOrg;
    return TRUE;
}

BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    if (lppt) *lppt = dc->state.position;
    dc->state.position = POINT{x, y};
    return TRUE;
}

BOOL WINAPI GetCurrentPositionEx(HDC hdc, LPPOINT lppt)
{
    auto dc = GetDc(hdc);
    if (!dc || !lppt) return FALSE;
    *lppt = dc->state.position;
    return TRUE;
}
