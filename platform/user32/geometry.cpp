// Window geometry: rectangles, coordinates, showing, moving and enabling.
#include "user.h"

#include <algorithm>

namespace user {

int BorderOf(const Window& w)
{
    if (!w.IsChild()) return 0;  // the host draws top-level frames
    int border = 0;
    if ((w.style & WS_CAPTION) == WS_BORDER || (w.style & WS_CAPTION) == WS_CAPTION) border += 1;
    if (w.style & WS_DLGFRAME && (w.style & WS_CAPTION) != WS_CAPTION) border += 3;
    if (w.exStyle & WS_EX_CLIENTEDGE) border += 2;
    if (w.exStyle & WS_EX_STATICEDGE) border += 1;
    return border;
}

RECT ClientRectLocal(const Window& w)
{
    int border = BorderOf(w);
    LONG width = std::max<LONG>(0, w.rect.right - w.rect.left - 2 * border);
    LONG height = std::max<LONG>(0, w.rect.bottom - w.rect.top - 2 * border);
    return RECT{0, 0, width, height};
}

POINT ClientOriginInSurface(Window& w)
{
    if (!w.IsChild()) return POINT{0, 0};
    std::shared_ptr<Window> parent = Peek(w.parent);
    POINT origin = parent ? ClientOriginInSurface(*parent) : POINT{0, 0};
    int border = BorderOf(w);
    return POINT{origin.x + w.rect.left + border, origin.y + w.rect.top + border};
}

POINT ClientOriginOnScreen(Window& w)
{
    Window* top = TopLevelOf(&w);
    POINT inSurface = ClientOriginInSurface(w);
    return POINT{top->rect.left + inSurface.x, top->rect.top + inSurface.y};
}

bool Showing(Window& w)
{
    Window* current = &w;
    std::shared_ptr<Window> keep;
    for (;;) {
        if (!(current->style & WS_VISIBLE) || current->destroyed) return false;
        if (!current->IsChild()) return true;
        keep = Peek(current->parent);
        if (!keep) return false;
        current = keep.get();
    }
}

namespace {

RECT Offset(RECT r, POINT by)
{
    return RECT{r.left + by.x, r.top + by.y, r.right + by.x, r.bottom + by.y};
}

RECT WindowRectInSurface(Window& w)
{
    if (!w.IsChild()) return RECT{0, 0, w.rect.right - w.rect.left, w.rect.bottom - w.rect.top};
    std::shared_ptr<Window> parent = Peek(w.parent);
    return Offset(w.rect, parent ? ClientOriginInSurface(*parent) : POINT{0, 0});
}

}  // namespace

Region VisibleRegion(Window& w, bool wholeWindow)
{
    Region visible;
    if (!Showing(w)) return visible;
    visible.Add(wholeWindow ? WindowRectInSurface(w) : Offset(ClientRectLocal(w), ClientOriginInSurface(w)));
    // Within every ancestor's client area.
    Window* child = &w;
    std::shared_ptr<Window> keep;
    while (child->IsChild()) {
        keep = Peek(child->parent);
        if (!keep) break;
        visible.Intersect(Offset(ClientRectLocal(*keep), ClientOriginInSurface(*keep)));
        // Siblings above a window that clips its siblings hide it.
        if (child->style & WS_CLIPSIBLINGS) {
            for (HWND sibling : keep->children) {
                if (sibling == child->handle) break;
                std::shared_ptr<Window> s = Peek(sibling);
                if (s && (s->style & WS_VISIBLE)) visible.Subtract(WindowRectInSurface(*s));
            }
        }
        child = keep.get();
    }
    if (w.style & WS_CLIPCHILDREN) {
        for (HWND c : w.children) {
            std::shared_ptr<Window> cw = Peek(c);
            if (cw && (cw->style & WS_VISIBLE)) visible.Subtract(WindowRectInSurface(*cw));
        }
    }
    return visible;
}

}  // namespace user

using namespace user;

namespace {

// Invalidates what a window covered in its parent (or nothing for a
// top-level window, whose image goes with it).
void ExposeParentArea(Window& w, const RECT& oldRect)
{
    if (!w.IsChild()) return;
    std::shared_ptr<Window> parent = Peek(w.parent);
    if (!parent) return;
    Invalidate(*parent, Region(oldRect), true, true, false);
}

void SendSizeAndMove(Window& w)
{
    RECT client = ClientRectLocal(w);
    int border = BorderOf(w);
    SendMessageA(w.handle, WM_MOVE, 0, MAKELPARAM(w.rect.left + border, w.rect.top + border));
    SendMessageA(w.handle, WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));
}

}  // namespace

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow)
{
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w) return FALSE;
    bool wasVisible = (w->style & WS_VISIBLE) != 0;
    bool show = nCmdShow != SW_HIDE;
    bool activate = show && nCmdShow != SW_SHOWNA && nCmdShow != SW_SHOWNOACTIVATE &&
                    nCmdShow != SW_SHOWMINNOACTIVE && !w->IsChild();
    if (show == wasVisible) {
        if (activate && !w->destroying) Activate(hWnd);
        return wasVisible;
    }
    SendMessageA(hWnd, WM_SHOWWINDOW, show, 0);
    if (!IsWindow(hWnd)) return wasVisible;
    if (show) {
        w->style |= WS_VISIBLE;
        InvalidateWhole(*w, true);
        if (!w->IsChild()) {
            winplat::ThePresenter().SetVisible(PresenterId(hWnd), true);
            if (activate) Activate(hWnd);
            // A top-level window shows its picture at once, also when no
            // message loop runs (a progress window during a long operation).
            UpdateWindow(hWnd);
        }
    } else {
        HWND focus = Input().focus;
        if (focus == hWnd || IsChild(hWnd, focus)) {
            if (w->IsChild()) SetFocus(nullptr);
        }
        w->style &= ~WS_VISIBLE;
        ExposeParentArea(*w, w->rect);
        if (!w->IsChild()) {
            winplat::ThePresenter().SetVisible(PresenterId(hWnd), false);
            if (Input().active == hWnd) ActivateAnotherThan(hWnd);
        }
    }
    return wasVisible;
}

BOOL WINAPI IsWindowVisible(HWND hWnd)
{
    std::shared_ptr<Window> w = Peek(hWnd);
    return w && Showing(*w);
}

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable)
{
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w) return FALSE;
    BOOL wasDisabled = (w->style & WS_DISABLED) != 0;
    if (bEnable == !wasDisabled) return wasDisabled;
    if (bEnable) {
        w->style &= ~WS_DISABLED;
    } else {
        w->style |= WS_DISABLED;
        HWND focus = Input().focus;
        if (focus == hWnd || (w->IsChild() && IsChild(hWnd, focus))) SetFocus(nullptr);
        if (Input().capture == hWnd) ReleaseCapture();
    }
    SendMessageA(hWnd, WM_ENABLE, bEnable, 0);
    return wasDisabled;
}

BOOL WINAPI IsWindowEnabled(HWND hWnd)
{
    std::shared_ptr<Window> w = Peek(hWnd);
    return w && !(w->style & WS_DISABLED);
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect)
{
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w || !lpRect) return FALSE;
    if (!w->IsChild()) {
        *lpRect = w->rect;
        return TRUE;
    }
    std::shared_ptr<Window> parent = Peek(w->parent);
    POINT origin = parent ? ClientOriginOnScreen(*parent) : POINT{0, 0};
    *lpRect = RECT{w->rect.left + origin.x, w->rect.top + origin.y, w->rect.right + origin.x,
                   w->rect.bottom + origin.y};
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect)
{
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w || !lpRect) return FALSE;
    *lpRect = ClientRectLocal(*w);
    return TRUE;
}

BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint)
{
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w || !lpPoint) return FALSE;
    POINT origin = ClientOriginOnScreen(*w);
    lpPoint->x -= origin.x;
    lpPoint->y -= origin.y;
    return TRUE;
}

BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint)
{
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w || !lpPoint) return FALSE;
    POINT origin = ClientOriginOnScreen(*w);
    lpPoint->x += origin.x;
    lpPoint->y += origin.y;
    return TRUE;
}

int WINAPI MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints)
{
    POINT from{0, 0}, to{0, 0};
    if (hWndFrom) {
        std::shared_ptr<Window> w = Lookup(hWndFrom);
        if (!w) return 0;
        from = ClientOriginOnScreen(*w);
    }
    if (hWndTo) {
        std::shared_ptr<Window> w = Lookup(hWndTo);
        if (!w) return 0;
        to = ClientOriginOnScreen(*w);
    }
    LONG dx = from.x - to.x, dy = from.y - to.y;
    for (UINT i = 0; lpPoints && i < cPoints; ++i) {
        lpPoints[i].x += dx;
        lpPoints[i].y += dy;
    }
    SetLastError(0);
    return MAKELONG(dx, dy);
}

BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags)
{
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w) return FALSE;
    RECT old = w->rect;
    RECT r = old;
    if (!(uFlags & SWP_NOMOVE)) {
        r.right = X + (r.right - r.left);
        r.bottom = Y + (r.bottom - r.top);
        r.left = X;
        r.top = Y;
    }
    if (!(uFlags & SWP_NOSIZE)) {
        int largestWidth = w->IsChild() ? cx : 2 * winplat::kScreenWidth;
        int largestHeight = w->IsChild() ? cy : 2 * winplat::kScreenHeight;
        r.right = r.left + std::clamp(cx, 0, std::max(largestWidth, 0));
        r.bottom = r.top + std::clamp(cy, 0, std::max(largestHeight, 0));
    }
    if (!(uFlags & SWP_NOZORDER) && w->IsChild()) {
        if (std::shared_ptr<Window> parent = Peek(w->parent)) {
            auto& c = parent->children;
            c.erase(std::remove(c.begin(), c.end(), hWnd), c.end());
            if (hWndInsertAfter == HWND_BOTTOM) {
                c.push_back(hWnd);
            } else if (hWndInsertAfter == HWND_TOP || hWndInsertAfter == HWND_TOPMOST ||
                       hWndInsertAfter == HWND_NOTOPMOST) {
                c.insert(c.begin(), hWnd);
            } else {
                auto after = std::find(c.begin(), c.end(), hWndInsertAfter);
                c.insert(after == c.end() ? c.end() : after + 1, hWnd);
            }
        }
    }
    bool moved = r.left != old.left || r.top != old.top;
    bool sized = (r.right - r.left) != (old.right - old.left) || (r.bottom - r.top) != (old.bottom - old.top);
    if (moved || sized) {
        w->rect = r;
        if (!w->IsChild()) {
            winplat::ThePresenter().SetBounds(PresenterId(hWnd), r.left, r.top, r.right - r.left, r.bottom - r.top);
            if (sized) MakeSurface(*w);
        }
        if (!(uFlags & SWP_NOREDRAW) && (w->style & WS_VISIBLE)) {
            ExposeParentArea(*w, old);
            InvalidateWhole(*w, true);
        }
        SendSizeAndMove(*w);
    } else if ((uFlags & SWP_FRAMECHANGED) && (w->style & WS_VISIBLE)) {
        InvalidateWhole(*w, true);
    }
    if (uFlags & SWP_SHOWWINDOW) ShowWindow(hWnd, (uFlags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    if (uFlags & SWP_HIDEWINDOW) ShowWindow(hWnd, SW_HIDE);
    return TRUE;
}

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint)
{
    return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight,
                        SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0 : SWP_NOREDRAW));
}

BOOL WINAPI AdjustWindowRectEx(LPRECT lpRect, DWORD dwStyle, BOOL, DWORD dwExStyle)
{
    if (!lpRect) return FALSE;
    Window probe;
    probe.style = dwStyle;
    probe.exStyle = dwExStyle;
    int border = BorderOf(probe);
    lpRect->left -= border;
    lpRect->top -= border;
    lpRect->right += border;
    lpRect->bottom += border;
    return TRUE;
}

// ---- Rectangles ---------------------------------------------------------------------------

BOOL WINAPI SetRect(LPRECT lprc, int xLeft, int yTop, int xRight, int yBottom)
{
    if (!lprc) return FALSE;
    *lprc = RECT{xLeft, yTop, xRight, yBottom};
    return TRUE;
}

BOOL WINAPI SetRectEmpty(LPRECT lprc) { return SetRect(lprc, 0, 0, 0, 0); }

BOOL WINAPI CopyRect(LPRECT lprcDst, const RECT* lprcSrc)
{
    if (!lprcDst || !lprcSrc) return FALSE;
    *lprcDst = *lprcSrc;
    return TRUE;
}

BOOL WINAPI InflateRect(LPRECT lprc, int dx, int dy)
{
    if (!lprc) return FALSE;
    lprc->left -= dx;
    lprc->right += dx;
    lprc->top -= dy;
    lprc->bottom += dy;
    return TRUE;
}

BOOL WINAPI OffsetRect(LPRECT lprc, int dx, int dy)
{
    if (!lprc) return FALSE;
    lprc->left += dx;
    lprc->right += dx;
    lprc->top += dy;
    lprc->bottom += dy;
    return TRUE;
}

BOOL WINAPI IsRectEmpty(const RECT* lprc) { return !lprc || lprc->right <= lprc->left || lprc->bottom <= lprc->top; }

BOOL WINAPI IntersectRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2)
{
    if (!lprcDst || !lprcSrc1 || !lprcSrc2) return FALSE;
    RECT r{std::max(lprcSrc1->left, lprcSrc2->left), std::max(lprcSrc1->top, lprcSrc2->top),
           std::min(lprcSrc1->right, lprcSrc2->right), std::min(lprcSrc1->bottom, lprcSrc2->bottom)};
    if (IsRectEmpty(&r)) {
        SetRectEmpty(lprcDst);
        return FALSE;
    }
    *lprcDst = r;
    return TRUE;
}

BOOL WINAPI UnionRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2)
{
    if (!lprcDst || !lprcSrc1 || !lprcSrc2) return FALSE;
    bool empty1 = IsRectEmpty(lprcSrc1), empty2 = IsRectEmpty(lprcSrc2);
    if (empty1 && empty2) {
        SetRectEmpty(lprcDst);
        return FALSE;
    }
    if (empty1) {
        *lprcDst = *lprcSrc2;
    } else if (empty2) {
        *lprcDst = *lprcSrc1;
    } else {
        *lprcDst = RECT{std::min(lprcSrc1->left, lprcSrc2->left), std::min(lprcSrc1->top, lprcSrc2->top),
                        std::max(lprcSrc1->right, lprcSrc2->right), std::max(lprcSrc1->bottom, lprcSrc2->bottom)};
    }
    return TRUE;
}

BOOL WINAPI SubtractRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2)
{
    if (!lprcDst || !lprcSrc1 || !lprcSrc2) return FALSE;
    // Only a rectangle that leaves a rectangle can be taken away.
    Region r(*lprcSrc1);
    r.Subtract(*lprcSrc2);
    if (r.Empty()) {
        SetRectEmpty(lprcDst);
        return FALSE;
    }
    *lprcDst = r.Complexity() == 1 ? r.Bounds() : *lprcSrc1;
    return TRUE;
}

BOOL WINAPI EqualRect(const RECT* lprc1, const RECT* lprc2)
{
    return lprc1 && lprc2 && lprc1->left == lprc2->left && lprc1->top == lprc2->top &&
           lprc1->right == lprc2->right && lprc1->bottom == lprc2->bottom;
}

BOOL WINAPI PtInRect(const RECT* lprc, POINT pt)
{
    return lprc && pt.x >= lprc->left && pt.x < lprc->right && pt.y >= lprc->top && pt.y < lprc->bottom;
}
