// Update regions, painting and presenting.
//
// Invalid areas are real regions. Invalidating a window that does not clip
// its children passes the part over each child on to the child, because the
// parent's painting (its erasing first) draws over them; children are
// painted after their parent, so they end up on top. WM_PAINT comes from
// the queue when nothing else waits; BeginPaint first sends WM_ERASEBKGND
// with a DC limited to where erasing was asked, then the WM_PAINT handler
// draws within the whole update region.
#include "user.h"

#include <winplat/gdi.h>

namespace user {

namespace {

// While UpdateWindow paints a tree, presenting waits for its end.
int g_paintingNow = 0;

enum class Children { None, Unclipped, All };

void InvalidateTree(Window& w, const Region& clientArea, bool erase, Children children, bool frame)
{
    if (!Showing(w)) return;  // shown windows are repainted whole
    Region area = clientArea;
    area.Intersect(ClientRectLocal(w));
    w.update.Add(area);
    if (erase) w.erase.Add(area);
    if (frame && BorderOf(w) > 0) w.framePending = true;
    if (children == Children::None || (children == Children::Unclipped && (w.style & WS_CLIPCHILDREN))) return;
    for (HWND c : w.children) {
        std::shared_ptr<Window> child = Peek(c);
        if (!child || !(child->style & WS_VISIBLE) || !area.Intersects(child->rect)) continue;
        Region inChild = area;
        int border = BorderOf(*child);
        inChild.Offset(-(child->rect.left + border), -(child->rect.top + border));
        // Whatever covers the child's border covers its frame too.
        Region overWindow = area;
        overWindow.Intersect(child->rect);
        Region overClient = overWindow;
        RECT client = ClientRectLocal(*child);
        overClient.Intersect(RECT{child->rect.left + border, child->rect.top + border,
                                  child->rect.left + border + client.right, child->rect.top + border + client.bottom});
        bool frameHit = border > 0 && !(overWindow == overClient);
        InvalidateTree(*child, inChild, erase, children, frameHit);
    }
}

void ValidateTree(Window& w, const Region& clientArea, Children children)
{
    w.update.Subtract(clientArea);
    w.erase.Subtract(clientArea);
    if (children == Children::None || (children == Children::Unclipped && (w.style & WS_CLIPCHILDREN))) return;
    for (HWND c : w.children) {
        std::shared_ptr<Window> child = Peek(c);
        if (!child) continue;
        Region inChild = clientArea;
        int border = BorderOf(*child);
        inChild.Offset(-(child->rect.left + border), -(child->rect.top + border));
        ValidateTree(*child, inChild, children);
    }
}

HWND FindPaint(HWND hwnd, HWND filter, bool inFilter)
{
    std::shared_ptr<Window> w = Peek(hwnd);
    if (!w || !(w->style & WS_VISIBLE)) return nullptr;
    inFilter = inFilter || hwnd == filter;
    if (inFilter && NeedsPaint(*w)) return hwnd;
    // Children after their parent, lowest in the z-order first.
    std::vector<HWND> children = w->children;
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (HWND found = FindPaint(*it, filter, inFilter)) return found;
    }
    return nullptr;
}

Region RegionParameter(HWND hwnd, const RECT* rect, HRGN region)
{
    Region area;
    if (region) {
        winplat::RegionOf(region, &area);
    } else if (rect) {
        area.Add(*rect);
    } else if (std::shared_ptr<Window> w = Peek(hwnd)) {
        area.Add(ClientRectLocal(*w));
    }
    return area;
}

std::shared_ptr<Image> ScreenImage()
{
    static auto* image = new std::shared_ptr<Image>(std::make_shared<Image>(1, 1, 0xFFFFFFFF));
    return *image;
}

}  // namespace

void Invalidate(Window& w, const Region& clientArea, bool erase, bool children, bool frame)
{
    InvalidateTree(w, clientArea, erase, children ? Children::Unclipped : Children::None, frame);
}

void Validate(Window& w, const Region& clientArea, bool children)
{
    ValidateTree(w, clientArea, children ? Children::Unclipped : Children::None);
}

void InvalidateWhole(Window& w, bool erase)
{
    InvalidateTree(w, Region(ClientRectLocal(w)), erase, Children::All, true);
}

bool NeedsPaint(const Window& w) { return !w.update.Empty() || w.framePending; }

HWND NextPaintWindow(HWND filter)
{
    for (HWND top : TopLevels()) {
        if (HWND found = FindPaint(top, filter, filter == nullptr)) return found;
    }
    return nullptr;
}

void PaintNow(Window& w)
{
    if (!Showing(w)) return;
    HWND hwnd = w.handle;
    if (NeedsPaint(w)) {
        SendMessageA(hwnd, WM_PAINT, 0, 0);
        PaintDone(hwnd);
    }
    std::shared_ptr<Window> keep = Peek(hwnd);
    if (!keep) return;
    std::vector<HWND> children = keep->children;
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (std::shared_ptr<Window> child = Peek(*it)) PaintNow(*child);
    }
}

void PaintDone(HWND hwnd)
{
    if (std::shared_ptr<Window> w = Peek(hwnd)) {
        w->update.Clear();
        w->erase.Clear();
        w->framePending = false;
    }
}

void MakeSurface(Window& top)
{
    RECT client = ClientRectLocal(top);
    auto image = std::make_shared<Image>(int(client.right), int(client.bottom),
                                         winplat::PixelFromColorRef(GetSysColor(COLOR_3DFACE)));
    if (top.surface) {
        int w = std::min(image->width, top.surface->width), h = std::min(image->height, top.surface->height);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) image->At(x, y) = top.surface->At(x, y);
        }
    }
    top.surface = image;
}

void Present(Window& top)
{
    top.presentPending = false;
    if (!top.surface || top.IsChild() || !Showing(top)) return;
    winplat::ThePresenter().Present(PresenterId(top.handle), *top.surface);
}

void PresentIfDone(Window& top)
{
    top.presentPending = true;
    if (g_paintingNow == 0 && !FindPaint(top.handle, nullptr, true)) Present(top);
}

void PresentPending()
{
    for (HWND h : TopLevels()) {
        std::shared_ptr<Window> w = Peek(h);
        if (w && w->presentPending) Present(*w);
    }
}

}  // namespace user

using namespace user;

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint)
{
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w || !lpPaint) return nullptr;
    if (w->framePending) {
        w->framePending = false;
        SendMessageA(hWnd, WM_NCPAINT, 1, 0);
    }
    Region update = w->update;
    Region erase = w->erase;
    w->update.Clear();
    w->erase.Clear();
    update.Intersect(ClientRectLocal(*w));
    erase.Intersect(update);
    Window* top = TopLevelOf(w.get());
    POINT origin = ClientOriginInSurface(*w);
    Region visible = VisibleRegion(*w, false);
    Region paint = update;
    paint.Offset(origin.x, origin.y);
    paint.Intersect(visible);
    HDC hdc = winplat::CreateSurfaceDC(top->surface, origin, paint);
    *lpPaint = PAINTSTRUCT{};
    lpPaint->hdc = hdc;
    lpPaint->rcPaint = update.Bounds();
    if (!erase.Empty() && hdc) {
        Region erasing = erase;
        erasing.Offset(origin.x, origin.y);
        erasing.Intersect(visible);
        winplat::SetSurfaceDCVisible(hdc, erasing);
        lpPaint->fErase = SendMessageA(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) ? FALSE : TRUE;
        winplat::SetSurfaceDCVisible(hdc, paint);
    }
    return hdc;
}

BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint)
{
    if (lpPaint && lpPaint->hdc) DeleteDC(lpPaint->hdc);
    std::shared_ptr<Window> w = Peek(hWnd);
    if (w) PresentIfDone(*TopLevelOf(w.get()));
    return TRUE;
}

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase)
{
    if (!hWnd) {
        for (HWND top : TopLevels()) InvalidateRect(top, nullptr, bErase);
        return TRUE;
    }
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w) return FALSE;
    Invalidate(*w, RegionParameter(hWnd, lpRect, nullptr), bErase != FALSE, true, false);
    return TRUE;
}

BOOL WINAPI InvalidateRgn(HWND hWnd, HRGN hRgn, BOOL bErase)
{
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w) return FALSE;
    Invalidate(*w, RegionParameter(hWnd, nullptr, hRgn), bErase != FALSE, true, false);
    return TRUE;
}

BOOL WINAPI ValidateRect(HWND hWnd, const RECT* lpRect)
{
    if (!hWnd) return TRUE;
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w) return FALSE;
    Validate(*w, RegionParameter(hWnd, lpRect, nullptr), false);
    return TRUE;
}

BOOL WINAPI UpdateWindow(HWND hWnd)
{
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w) return FALSE;
    ++g_paintingNow;
    PaintNow(*w);
    --g_paintingNow;
    if (std::shared_ptr<Window> still = Peek(hWnd)) {
        Window* top = TopLevelOf(still.get());
        if (g_paintingNow == 0 && (top->presentPending || top == still.get())) Present(*top);
    }
    return TRUE;
}

BOOL WINAPI RedrawWindow(HWND hWnd, const RECT* lprcUpdate, HRGN hrgnUpdate, UINT flags)
{
    if (!hWnd) {
        for (HWND top : TopLevels()) RedrawWindow(top, lprcUpdate, hrgnUpdate, flags);
        return TRUE;
    }
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w) return FALSE;
    Region area = RegionParameter(hWnd, lprcUpdate, hrgnUpdate);
    Children children = (flags & RDW_ALLCHILDREN) ? Children::All
                        : (flags & RDW_NOCHILDREN) ? Children::None
                                                   : Children::Unclipped;
    if (flags & RDW_INVALIDATE) InvalidateTree(*w, area, (flags & RDW_ERASE) != 0, children, (flags & RDW_FRAME) != 0);
    if (flags & RDW_VALIDATE) {
        ValidateTree(*w, area, children);
        if (flags & RDW_NOFRAME) w->framePending = false;
    }
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateWindow(hWnd);
    return TRUE;
}

BOOL WINAPI GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase)
{
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w) return FALSE;
    Region update = w->update;
    update.Intersect(ClientRectLocal(*w));
    if (lpRect) *lpRect = update.Bounds();
    if (bErase && !w->erase.Empty()) {
        Region erasing = w->erase;
        w->erase.Clear();
        POINT origin = ClientOriginInSurface(*w);
        erasing.Offset(origin.x, origin.y);
        erasing.Intersect(VisibleRegion(*w, false));
        HDC hdc = winplat::CreateSurfaceDC(TopLevelOf(w.get())->surface, origin, erasing);
        SendMessageA(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
        DeleteDC(hdc);
    }
    return !update.Empty();
}

HDC WINAPI GetDC(HWND hWnd)
{
    if (!hWnd) return winplat::CreateSurfaceDC(ScreenImage(), POINT{0, 0}, Region(RECT{0, 0, 1, 1}));
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w) return nullptr;
    return winplat::CreateSurfaceDC(TopLevelOf(w.get())->surface, ClientOriginInSurface(*w), VisibleRegion(*w, false));
}

HDC WINAPI GetWindowDC(HWND hWnd)
{
    if (!hWnd) return GetDC(nullptr);
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w) return nullptr;
    POINT origin = ClientOriginInSurface(*w);
    int border = BorderOf(*w);
    return winplat::CreateSurfaceDC(TopLevelOf(w.get())->surface, POINT{origin.x - border, origin.y - border},
                                    VisibleRegion(*w, true));
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC)
{
    if (!DeleteDC(hDC)) return 0;
    if (std::shared_ptr<Window> w = Peek(hWnd)) PresentIfDone(*TopLevelOf(w.get()));
    return 1;
}
