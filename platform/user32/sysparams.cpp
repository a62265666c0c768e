// System metrics, colours and the drawing helpers of user32.
#include "user.h"

#include <winplat/gdi.h>

#include <algorithm>
#include <cstring>

namespace user {

namespace {

// The platform's classic colour scheme.
constexpr COLORREF kColors[] = {
    RGB(192, 192, 192),  // COLOR_SCROLLBAR
    RGB(0, 128, 128),    // COLOR_BACKGROUND
    RGB(0, 0, 128),      // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(192, 192, 192),  // COLOR_ACTIVEBORDER
    RGB(192, 192, 192),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(0, 0, 128),      // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(192, 192, 192),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(192, 192, 192),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(0, 0, 0),        // COLOR_3DDKSHADOW
    RGB(223, 223, 223),  // COLOR_3DLIGHT
};
constexpr int kColorCount = int(sizeof kColors / sizeof kColors[0]);

}  // namespace

HBRUSH SysBrush(int index) { return GetSysColorBrush(index); }

HBRUSH BrushFromParameter(HBRUSH brush)
{
    uintptr_t value = reinterpret_cast<uintptr_t>(brush);
    if (value > 0 && value <= uintptr_t(kColorCount)) return SysBrush(int(value) - 1);
    return brush;
}

void FillSolid(HDC hdc, const RECT& r, COLORREF color)
{
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(hdc, &r, brush);
    DeleteObject(brush);
}

void Draw3dRect(HDC hdc, const RECT& r, COLORREF topLeft, COLORREF bottomRight)
{
    if (r.right <= r.left || r.bottom <= r.top) return;
    FillSolid(hdc, RECT{r.left, r.top, r.right - 1, r.top + 1}, topLeft);
    FillSolid(hdc, RECT{r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
    FillSolid(hdc, RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    FillSolid(hdc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
}

}  // namespace user

using namespace user;

int WINAPI GetSystemMetrics(int nIndex)
{
    switch (nIndex) {
    case SM_CXSCREEN: {
        RECT screen = winplat::ThePresenter().ScreenBounds();
        return screen.right - screen.left;
    }
    case SM_CYSCREEN: {
        RECT screen = winplat::ThePresenter().ScreenBounds();
        return screen.bottom - screen.top;
    }
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return 16;
    case SM_CYCAPTION: return 19;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    default: return 0;
    }
}

DWORD WINAPI GetSysColor(int nIndex)
{
    if (nIndex < 0 || nIndex >= kColorCount) return 0;
    return kColors[nIndex];
}

HBRUSH WINAPI GetSysColorBrush(int nIndex)
{
    // System brushes live as long as the process; DeleteObject cannot take
    // them away, as on the platform.
    static HBRUSH* brushes = [] {
        auto* all = new HBRUSH[kColorCount];
        for (int i = 0; i < kColorCount; ++i) all[i] = nullptr;
        return all;
    }();
    if (nIndex < 0 || nIndex >= kColorCount) return nullptr;
    if (!brushes[nIndex]) {
        LOGBRUSH lb{BS_SOLID, kColors[nIndex], 0};
        brushes[nIndex] = CreateBrushIndirect(&lb);
        winplat::MakeObjectPermanent(brushes[nIndex]);
    }
    return brushes[nIndex];
}

int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr)
{
    if (!lprc) return 0;
    HGDIOBJ old = SelectObject(hDC, BrushFromParameter(hbr));
    if (!old) return 0;
    PatBlt(hDC, lprc->left, lprc->top, lprc->right - lprc->left, lprc->bottom - lprc->top, PATCOPY);
    SelectObject(hDC, old);
    return 1;
}

int WINAPI FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr)
{
    if (!lprc || lprc->right <= lprc->left || lprc->bottom <= lprc->top) return 0;
    HGDIOBJ old = SelectObject(hDC, BrushFromParameter(hbr));
    if (!old) return 0;
    const RECT& r = *lprc;
    PatBlt(hDC, r.left, r.top, r.right - r.left, 1, PATCOPY);
    PatBlt(hDC, r.left, r.bottom - 1, r.right - r.left, 1, PATCOPY);
    PatBlt(hDC, r.left, r.top, 1, r.bottom - r.top, PATCOPY);
    PatBlt(hDC, r.right - 1, r.top, 1, r.bottom - r.top, PATCOPY);
    SelectObject(hDC, old);
    return 1;
}

BOOL WINAPI InvertRect(HDC hDC, const RECT* lprc)
{
    if (!lprc) return FALSE;
    return PatBlt(hDC, lprc->left, lprc->top, lprc->right - lprc->left, lprc->bottom - lprc->top, DSTINVERT);
}

BOOL WINAPI DrawFocusRect(HDC hDC, const RECT* lprc)
{
    if (!lprc) return FALSE;
    // A dotted frame drawn by inverting, so that drawing it again takes it away.
    const RECT& r = *lprc;
    for (LONG x = r.left; x < r.right; x += 2) {
        PatBlt(hDC, x, r.top, 1, 1, DSTINVERT);
        if (r.bottom - 1 > r.top) PatBlt(hDC, x, r.bottom - 1, 1, 1, DSTINVERT);
    }
    for (LONG y = r.top + 2; y < r.bottom - 1; y += 2) {
        PatBlt(hDC, r.left, y, 1, 1, DSTINVERT);
        if (r.right - 1 > r.left) PatBlt(hDC, r.right - 1, y, 1, 1, DSTINVERT);
    }
    return TRUE;
}

BOOL WINAPI DrawEdge(HDC hdc, LPRECT qrc, UINT edge, UINT grfFlags)
{
    if (!qrc) return FALSE;
    RECT r = *qrc;
    auto side = [&](COLORREF topLeft, COLORREF bottomRight) {
        if (grfFlags & BF_TOP) FillSolid(hdc, RECT{r.left, r.top, r.right, r.top + 1}, topLeft);
        if (grfFlags & BF_LEFT) FillSolid(hdc, RECT{r.left, r.top, r.left + 1, r.bottom}, topLeft);
        if (grfFlags & BF_BOTTOM) FillSolid(hdc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
        if (grfFlags & BF_RIGHT) FillSolid(hdc, RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
        if (grfFlags & BF_TOP) ++r.top;
        if (grfFlags & BF_LEFT) ++r.left;
        if (grfFlags & BF_BOTTOM) --r.bottom;
        if (grfFlags & BF_RIGHT) --r.right;
    };
    if (edge & BDR_RAISEDOUTER) side(GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW));
    if (edge & BDR_SUNKENOUTER) side(GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
    if (edge & BDR_RAISEDINNER) side(GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
    if (edge & BDR_SUNKENINNER) side(GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT));
    if (grfFlags & BF_ADJUST) *qrc = r;
    return TRUE;
}
