// Default processing of messages.
#include "user.h"

#include <algorithm>
#include <cstring>

using namespace user;

namespace {

void SetText(Window& w, LPCSTR text)
{
    w.text = text ? text : "";
    if (!w.IsChild()) winplat::ThePresenter().SetTitle(PresenterId(w.handle), w.text);
}

LRESULT CopyText(const std::string& text, WPARAM capacity, LPARAM buffer)
{
    char* out = reinterpret_cast<char*>(buffer);
    if (!out || capacity == 0) return 0;
    size_t n = std::min<size_t>(text.size(), capacity - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return LRESULT(n);
}

void PaintFrame(Window& w)
{
    int border = BorderOf(w);
    if (border == 0) return;
    HDC hdc = GetWindowDC(w.handle);
    RECT r{0, 0, w.rect.right - w.rect.left, w.rect.bottom - w.rect.top};
    if (w.exStyle & WS_EX_CLIENTEDGE) {
        Draw3dRect(hdc, r, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
        InflateRect(&r, -1, -1);
        Draw3dRect(hdc, r, GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT));
        InflateRect(&r, -1, -1);
    }
    if (w.exStyle & WS_EX_STATICEDGE) {
        Draw3dRect(hdc, r, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
        InflateRect(&r, -1, -1);
    }
    if ((w.style & WS_CAPTION) == WS_BORDER || (w.style & WS_CAPTION) == WS_CAPTION) {
        FrameRect(hdc, &r, SysBrush(COLOR_WINDOWFRAME));
        InflateRect(&r, -1, -1);
    }
    if ((w.style & WS_DLGFRAME) && (w.style & WS_CAPTION) != WS_CAPTION) {
        Draw3dRect(hdc, r, GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW));
        InflateRect(&r, -1, -1);
        Draw3dRect(hdc, r, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
        InflateRect(&r, -1, -1);
        FrameRect(hdc, &r, SysBrush(COLOR_3DFACE));
    }
    ReleaseDC(w.handle, hdc);
}

LRESULT ControlColor(HDC hdc, int background, int text)
{
    SetBkColor(hdc, GetSysColor(background));
    SetTextColor(hdc, GetSysColor(text));
    return reinterpret_cast<LRESULT>(SysBrush(background));
}

}  // namespace

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w) return 0;
    switch (Msg) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) SetText(*w, cs->lpszName);
        return TRUE;
    }
    case WM_SETTEXT:
        SetText(*w, reinterpret_cast<LPCSTR>(lParam));
        return TRUE;
    case WM_GETTEXT: return CopyText(w->text, wParam, lParam);
    case WM_GETTEXTLENGTH: return LRESULT(w->text.size());
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hWnd, &ps);
        EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: {
        HBRUSH brush = BrushFromParameter(w->cls->info.hbrBackground);
        if (!brush) return 0;
        RECT client = ClientRectLocal(*w);
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        return 1;
    }
    case WM_NCPAINT: PaintFrame(*w); return 0;
    case WM_NCHITTEST: return HTCLIENT;
    case WM_CLOSE: DestroyWindow(hWnd); return 0;
    case WM_SYSCOMMAND:
        // Without a system menu there is no close box to honour.
        if ((wParam & 0xFFF0) == SC_CLOSE && (w->style & WS_SYSMENU)) SendMessageA(hWnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus != hWnd && !IsChild(hWnd, focus)) SetFocus(hWnd);
        }
        return 0;
    case WM_NCACTIVATE: return TRUE;
    case WM_MOUSEACTIVATE: return MA_ACTIVATE;
    case WM_SETCURSOR:
        if (w->cls->info.hCursor) {
            SetCursor(w->cls->info.hCursor);
            return TRUE;
        }
        return FALSE;
    case WM_SETICON: {
        HICON previous = wParam == ICON_BIG ? w->iconBig : w->iconSmall;
        (wParam == ICON_BIG ? w->iconBig : w->iconSmall) = reinterpret_cast<HICON>(lParam);
        if (!w->IsChild() && wParam == ICON_BIG) {
            winplat::ThePresenter().SetIcon(PresenterId(hWnd), IconImage(reinterpret_cast<HICON>(lParam)));
        }
        return reinterpret_cast<LRESULT>(previous);
    }
    case WM_GETICON: return reinterpret_cast<LRESULT>(wParam == ICON_BIG ? w->iconBig : w->iconSmall);
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: return ControlColor(reinterpret_cast<HDC>(wParam), COLOR_3DFACE, COLOR_WINDOWTEXT);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: return ControlColor(reinterpret_cast<HDC>(wParam), COLOR_WINDOW, COLOR_WINDOWTEXT);
    case WM_CTLCOLORSCROLLBAR: return ControlColor(reinterpret_cast<HDC>(wParam), COLOR_SCROLLBAR, COLOR_WINDOWTEXT);
    default: return 0;
    }
}
