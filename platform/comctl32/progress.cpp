// The progress bar, "msctls_progress32": a sunken frame with blocks (or a
// smooth fill, PBS_SMOOTH). A visible bar repaints at once when its
// position changes, so it moves during a long synchronous operation.
#include <commctrl.h>

#include <algorithm>
#include <memory>

namespace {

struct Progress {
    int low = 0;
    int high = 100;
    int position = 0;
    int step = 10;
    COLORREF bar = CLR_DEFAULT;
    COLORREF background = CLR_DEFAULT;
};

Progress* StateOf(HWND hwnd) { return reinterpret_cast<Progress*>(GetWindowLongPtrA(hwnd, 0)); }

void Repaint(HWND hwnd)
{
    InvalidateRect(hwnd, nullptr, FALSE);
    if (IsWindowVisible(hwnd)) UpdateWindow(hwnd);
}

// Moves to a new position within the range; returns the old one.
LRESULT MoveTo(HWND hwnd, Progress& p, long long position)
{
    int old = p.position;
    p.position = int(std::clamp<long long>(position, p.low, std::max(p.low, p.high)));
    if (p.position != old) Repaint(hwnd);
    return old;
}

LRESULT SetRange(HWND hwnd, Progress& p, int low, int high)
{
    LRESULT old = MAKELRESULT(WORD(p.low), WORD(p.high));
    p.low = low;
    p.high = high;
    p.position = std::clamp(p.position, p.low, std::max(p.low, p.high));
    Repaint(hwnd);
    return old;
}

void FillSolid(HDC hdc, const RECT& r, COLORREF color)
{
    if (r.right <= r.left || r.bottom <= r.top) return;
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(hdc, &r, brush);
    DeleteObject(brush);
}

void Paint(HWND hwnd, HDC hdc, const Progress& p)
{
    RECT r;
    GetClientRect(hwnd, &r);
    RECT frame = r;
    DrawEdge(hdc, &frame, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    COLORREF background = p.background == CLR_DEFAULT ? GetSysColor(COLOR_3DFACE) : p.background;
    COLORREF bar = p.bar == CLR_DEFAULT ? GetSysColor(COLOR_HIGHLIGHT) : p.bar;
    FillSolid(hdc, frame, background);
    RECT inner = frame;
    InflateRect(&inner, -1, -1);
    bool vertical = (GetWindowLongA(hwnd, GWL_STYLE) & PBS_VERTICAL) != 0;
    int length = vertical ? inner.bottom - inner.top : inner.right - inner.left;
    int range = p.high - p.low;
    if (range <= 0 || length <= 0) return;
    int filled = int((long long)(p.position - p.low) * length / range);
    if (GetWindowLongA(hwnd, GWL_STYLE) & PBS_SMOOTH) {
        RECT done = inner;
        if (vertical) done.top = inner.bottom - filled;
        else done.right = inner.left + filled;
        FillSolid(hdc, done, bar);
        return;
    }
    // Blocks two thirds as wide as the bar is high, two pixels apart; a
    // block shows once the position reaches into it.
    int thickness = vertical ? inner.right - inner.left : inner.bottom - inner.top;
    int block = std::max(2, thickness * 2 / 3);
    for (int start = 0; start < filled; start += block + 2) {
        int end = std::min(start + block, length);
        RECT b = inner;
        if (vertical) {
            b.bottom = inner.bottom - start;
            b.top = inner.bottom - end;
        } else {
            b.left = inner.left + start;
            b.right = inner.left + end;
        }
        FillSolid(hdc, b, bar);
    }
}

LRESULT CALLBACK ProgressProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Progress* p = StateOf(hwnd);
    switch (msg) {
    case WM_NCCREATE:
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(new Progress));
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_NCDESTROY:
        delete p;
        SetWindowLongPtrA(hwnd, 0, 0);
        return 0;
    default: break;
    }
    if (!p) return DefWindowProcA(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        Paint(hwnd, hdc, *p);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: return 1;
    case PBM_SETRANGE: return SetRange(hwnd, *p, LOWORD(lParam), HIWORD(lParam));
    case PBM_SETRANGE32: return SetRange(hwnd, *p, int(wParam), int(lParam));
    case PBM_GETRANGE: {
        if (lParam) *reinterpret_cast<PBRANGE*>(lParam) = PBRANGE{p->low, p->high};
        return wParam ? p->low : p->high;
    }
    case PBM_SETPOS: return MoveTo(hwnd, *p, int(wParam));
    case PBM_DELTAPOS: return MoveTo(hwnd, *p, (long long)p->position + int(wParam));
    case PBM_GETPOS: return p->position;
    case PBM_SETSTEP: {
        int old = p->step;
        p->step = int(wParam);
        return old;
    }
    case PBM_STEPIT: {
        // Past the upper bound the bar starts again from the lower one.
        int old = p->position;
        long long next = (long long)p->position + p->step;
        if (next > p->high) next = p->low;
        else if (next < p->low) next = p->high;
        p->position = int(next);
        if (p->position != old) Repaint(hwnd);
        return old;
    }
    case PBM_SETBARCOLOR: {
        COLORREF old = p->bar;
        p->bar = COLORREF(lParam);
        Repaint(hwnd);
        return old;
    }
    case PBM_SETBKCOLOR: {
        COLORREF old = p->background;
        p->background = COLORREF(lParam);
        Repaint(hwnd);
        return old;
    }
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

void RegisterClasses()
{
    WNDCLASSA wc{};
    if (GetClassInfoA(nullptr, PROGRESS_CLASSA, &wc)) return;
    wc.style = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ProgressProc;
    wc.cbWndExtra = sizeof(Progress*);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = PROGRESS_CLASSA;
    RegisterClassA(&wc);
}

// The classes exist as soon as the library is loaded, as on the platform.
struct RegisterAtLoad {
    RegisterAtLoad() { RegisterClasses(); }
} registerAtLoad;

}  // namespace

void WINAPI InitCommonControls(void) { RegisterClasses(); }

BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce)
{
    if (!picce || picce->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
    RegisterClasses();
    return TRUE;
}
