// Statics: text, frames, rectangles, icons and bitmaps. A visible static
// whose text changes repaints at once, so a line of progress shows during a
// long synchronous operation.
#include "user.h"

#include <cstdlib>

namespace user {

namespace {

struct StaticData : ControlData {
    HFONT font = nullptr;
    HANDLE image = nullptr;  // icon or bitmap
};

DWORD TypeOf(HWND hwnd) { return DWORD(GetWindowLongA(hwnd, GWL_STYLE)) & SS_TYPEMASK; }

void DrawText(HWND hwnd, HDC hdc, const StaticData& data, DWORD style)
{
    RECT r;
    GetClientRect(hwnd, &r);
    HBRUSH brush = ControlColors(hwnd, hdc, WM_CTLCOLORSTATIC);
    FillRect(hdc, &r, brush);
    UINT format = 0;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER: format |= DT_CENTER | DT_WORDBREAK; break;
    case SS_RIGHT: format |= DT_RIGHT | DT_WORDBREAK; break;
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP: format |= DT_SINGLELINE; break;
    default: format |= DT_WORDBREAK; break;
    }
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    HGDIOBJ oldFont = data.font ? SelectObject(hdc, data.font) : nullptr;
    SetBkMode(hdc, TRANSPARENT);
    if (!IsWindowEnabled(hwnd)) SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
    std::string text = WindowText(hwnd);
    DrawTextA(hdc, text.c_str(), -1, &r, format | DT_EXPANDTABS);
    if (oldFont) SelectObject(hdc, oldFont);
}

void Paint(HWND hwnd, HDC hdc)
{
    StaticData* data = ControlOf<StaticData>(hwnd);
    DWORD style = DWORD(GetWindowLongA(hwnd, GWL_STYLE));
    RECT r;
    GetClientRect(hwnd, &r);
    switch (style & SS_TYPEMASK) {
    case SS_BLACKRECT: FillRect(hdc, &r, SysBrush(COLOR_WINDOWFRAME)); break;
    case SS_GRAYRECT: FillRect(hdc, &r, SysBrush(COLOR_BTNSHADOW)); break;
    case SS_WHITERECT: FillRect(hdc, &r, SysBrush(COLOR_WINDOW)); break;
    // Frames leave their inside as the parent drew it.
    case SS_BLACKFRAME: FrameRect(hdc, &r, SysBrush(COLOR_WINDOWFRAME)); break;
    case SS_GRAYFRAME: FrameRect(hdc, &r, SysBrush(COLOR_BTNSHADOW)); break;
    case SS_WHITEFRAME: FrameRect(hdc, &r, SysBrush(COLOR_WINDOW)); break;
    case SS_ICON:
        FillRect(hdc, &r, ControlColors(hwnd, hdc, WM_CTLCOLORSTATIC));
        if (data->image) DrawIcon(hdc, 0, 0, static_cast<HICON>(data->image));
        break;
    case SS_BITMAP:
        if (data->image) {
            HDC memory = CreateCompatibleDC(hdc);
            HGDIOBJ old = SelectObject(memory, data->image);
            BITMAP bm{};
            GetObjectA(data->image, sizeof bm, &bm);
            BitBlt(hdc, 0, 0, bm.bmWidth, bm.bmHeight, memory, 0, 0, SRCCOPY);
            SelectObject(memory, old);
            DeleteDC(memory);
        }
        break;
    case SS_OWNERDRAW: {
        DRAWITEMSTRUCT dis{ODT_STATIC, UINT(GetDlgCtrlID(hwnd)), 0, ODA_DRAWENTIRE, 0, hwnd, hdc, r, 0};
        SendMessageA(GetParent(hwnd), WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
        break;
    }
    default: DrawText(hwnd, hdc, *data, style); break;
    }
}

// An icon static's text names its icon in the program's resources.
void LoadImageFromText(HWND hwnd, StaticData* data, LPCSTR text)
{
    if (!text || !*text || TypeOf(hwnd) != SS_ICON) return;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hwnd, GWLP_HINSTANCE));
    LPCSTR name = text[0] == '#' ? MAKEINTRESOURCEA(atoi(text + 1)) : text;
    if (HICON icon = LoadIconA(instance, name)) data->image = icon;
}

}  // namespace

LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    StaticData* data = ControlOf<StaticData>(hwnd);
    if (!data) return 0;
    switch (msg) {
    case WM_CREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        LoadImageFromText(hwnd, data, cs ? cs->lpszName : nullptr);
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        Paint(hwnd, hdc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_NCHITTEST:
        return (GetWindowLongA(hwnd, GWL_STYLE) & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcA(hwnd, msg, wParam, lParam);
        LoadImageFromText(hwnd, data, reinterpret_cast<LPCSTR>(lParam));
        if (IsWindowVisible(hwnd)) {
            InvalidateRect(hwnd, nullptr, TRUE);
            UpdateWindow(hwnd);
        }
        return result;
    }
    case WM_ENABLE: InvalidateRect(hwnd, nullptr, TRUE); return 0;
    case WM_SETFONT:
        data->font = reinterpret_cast<HFONT>(wParam);
        if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(data->font);
    case WM_GETDLGCODE: return DLGC_STATIC;
    case STM_SETICON:
    case STM_SETIMAGE: {
        HANDLE previous = data->image;
        data->image = reinterpret_cast<HANDLE>(msg == STM_SETICON ? wParam : WPARAM(lParam));
        InvalidateRect(hwnd, nullptr, TRUE);
        return reinterpret_cast<LRESULT>(previous);
    }
    case STM_GETICON:
    case STM_GETIMAGE: return reinterpret_cast<LRESULT>(data->image);
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace user
