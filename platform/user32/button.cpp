// Buttons: push buttons drawn in 3-D, owner-drawn buttons (WM_DRAWITEM to
// the parent), check boxes, radio buttons and group boxes. A press inside
// and a release inside give BN_CLICKED; BM_SETSTATE keeps a button drawn
// pushed until it is cleared.
#include "user.h"

namespace user {

namespace {

struct ButtonData : ControlData {
    UINT state = 0;  // BST_ flags
    HFONT font = nullptr;
    bool tracking = false;  // the left button went down on it
    bool spaceDown = false;
};

DWORD TypeOf(HWND hwnd) { return DWORD(GetWindowLongA(hwnd, GWL_STYLE)) & BS_TYPEMASK; }

void DrawOwner(HWND hwnd, HDC hdc, UINT action, const ButtonData& data)
{
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = UINT(GetDlgCtrlID(hwnd));
    dis.itemAction = action;
    if (data.state & BST_PUSHED) dis.itemState |= ODS_SELECTED;
    if (data.state & BST_FOCUS) dis.itemState |= ODS_FOCUS;
    if (!IsWindowEnabled(hwnd)) dis.itemState |= ODS_DISABLED;
    dis.hwndItem = hwnd;
    dis.hDC = hdc;
    GetClientRect(hwnd, &dis.rcItem);
    int saved = SaveDC(hdc);
    SendMessageA(GetParent(hwnd), WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
    RestoreDC(hdc, saved);
}

void DrawCaption(HWND hwnd, HDC hdc, RECT r, UINT format, const ButtonData& data)
{
    std::string text = WindowText(hwnd);
    HGDIOBJ oldFont = data.font ? SelectObject(hdc, data.font) : nullptr;
    SetBkMode(hdc, TRANSPARENT);
    if (IsWindowEnabled(hwnd)) {
        SetTextColor(hdc, GetSysColor(COLOR_BTNTEXT));
        DrawTextA(hdc, text.c_str(), -1, &r, format);
    } else {
        // Disabled text looks etched: a light copy under a grey one.
        RECT shadow = r;
        OffsetRect(&shadow, 1, 1);
        SetTextColor(hdc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextA(hdc, text.c_str(), -1, &shadow, format);
        SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
        DrawTextA(hdc, text.c_str(), -1, &r, format);
    }
    if (oldFont) SelectObject(hdc, oldFont);
}

void DrawPush(HWND hwnd, HDC hdc, const ButtonData& data)
{
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(hdc, &r, SysBrush(COLOR_BTNFACE));
    bool isDefault = TypeOf(hwnd) == BS_DEFPUSHBUTTON;
    if (isDefault) {
        FrameRect(hdc, &r, SysBrush(COLOR_WINDOWFRAME));
        InflateRect(&r, -1, -1);
    }
    bool pushed = (data.state & BST_PUSHED) != 0;
    if (pushed) {
        FrameRect(hdc, &r, SysBrush(COLOR_BTNSHADOW));
    } else {
        Draw3dRect(hdc, r, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_3DDKSHADOW));
        RECT inner = r;
        InflateRect(&inner, -1, -1);
        Draw3dRect(hdc, inner, GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_BTNSHADOW));
    }
    RECT text = r;
    if (pushed) OffsetRect(&text, 1, 1);
    DrawCaption(hwnd, hdc, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE, data);
    if (data.state & BST_FOCUS) {
        RECT focus = r;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(hdc, &focus);
    }
}

void DrawCheck(HWND hwnd, HDC hdc, const ButtonData& data, bool radio)
{
    RECT r;
    GetClientRect(hwnd, &r);
    HBRUSH background = ControlColors(hwnd, hdc, WM_CTLCOLORBTN);
    FillRect(hdc, &r, background);
    int box = 13;
    RECT mark{r.left, r.top + (r.bottom - r.top - box) / 2, r.left + box, 0};
    mark.bottom = mark.top + box;
    FillRect(hdc, &mark, SysBrush((data.state & BST_PUSHED) ? COLOR_BTNFACE : COLOR_WINDOW));
    Draw3dRect(hdc, mark, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
    if (data.state & BST_CHECKED) {
        RECT dot = mark;
        InflateRect(&dot, radio ? -4 : -3, radio ? -4 : -3);
        FillRect(hdc, &dot, SysBrush(COLOR_WINDOWTEXT));
    }
    RECT text{mark.right + 4, r.top, r.right, r.bottom};
    DrawCaption(hwnd, hdc, text, DT_LEFT | DT_VCENTER | DT_SINGLELINE, data);
    if (data.state & BST_FOCUS) DrawFocusRect(hdc, &text);
}

void DrawGroup(HWND hwnd, HDC hdc, const ButtonData& data)
{
    RECT r;
    GetClientRect(hwnd, &r);
    RECT frame{r.left, r.top + 7, r.right, r.bottom};
    Draw3dRect(hdc, frame, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
    std::string text = WindowText(hwnd);
    if (text.empty()) return;
    HGDIOBJ oldFont = data.font ? SelectObject(hdc, data.font) : nullptr;
    RECT label{r.left + 8, r.top, r.right - 8, r.top + 16};
    DrawTextA(hdc, text.c_str(), -1, &label, DT_CALCRECT | DT_SINGLELINE);
    FillRect(hdc, &label, ControlColors(hwnd, hdc, WM_CTLCOLORBTN));
    if (oldFont) SelectObject(hdc, oldFont);
    DrawCaption(hwnd, hdc, label, DT_LEFT | DT_SINGLELINE, data);
}

void Draw(HWND hwnd, HDC hdc, UINT action)
{
    ButtonData* data = ControlOf<ButtonData>(hwnd);
    if (!data) return;
    switch (TypeOf(hwnd)) {
    case BS_OWNERDRAW: DrawOwner(hwnd, hdc, action, *data); break;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE: DrawCheck(hwnd, hdc, *data, false); break;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: DrawCheck(hwnd, hdc, *data, true); break;
    case BS_GROUPBOX: DrawGroup(hwnd, hdc, *data); break;
    default: DrawPush(hwnd, hdc, *data); break;
    }
}

// Redraws after a change of state, at once (owner-drawn buttons get the
// action that changed).
void Redraw(HWND hwnd, UINT action)
{
    DrawNow(hwnd, [&](HDC hdc) { Draw(hwnd, hdc, action); });
}

void SetPushed(HWND hwnd, ButtonData* data, bool pushed)
{
    bool was = (data->state & BST_PUSHED) != 0;
    if (was == pushed) return;
    data->state = pushed ? (data->state | BST_PUSHED) : (data->state & ~BST_PUSHED);
    Redraw(hwnd, ODA_SELECT);
}

void Clicked(HWND hwnd, ButtonData* data)
{
    switch (TypeOf(hwnd)) {
    case BS_AUTOCHECKBOX: data->state ^= BST_CHECKED; break;
    case BS_AUTO3STATE: data->state = (data->state & ~3u) | (((data->state & 3u) + 1) % 3); break;
    case BS_AUTORADIOBUTTON: data->state |= BST_CHECKED; break;
    default: break;
    }
    NotifyParent(hwnd, BN_CLICKED);
}

bool Inside(HWND hwnd, LPARAM lParam)
{
    RECT r;
    GetClientRect(hwnd, &r);
    return PtInRect(&r, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) != FALSE;
}

}  // namespace

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    ButtonData* data = ControlOf<ButtonData>(hwnd);
    if (!data) return 0;
    DWORD type = TypeOf(hwnd);
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        Draw(hwnd, hdc, ODA_DRAWENTIRE);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: return 1;  // painting covers the whole button
    case WM_NCHITTEST: return type == BS_GROUPBOX ? HTTRANSPARENT : HTCLIENT;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (type == BS_GROUPBOX) return 0;
        if (GetFocus() != hwnd) SetFocus(hwnd);
        SetCapture(hwnd);
        data->tracking = true;
        SetPushed(hwnd, data, true);
        return 0;
    case WM_MOUSEMOVE:
        if (data->tracking && GetCapture() == hwnd) SetPushed(hwnd, data, Inside(hwnd, lParam));
        return 0;
    case WM_LBUTTONUP: {
        if (!data->tracking) return 0;
        data->tracking = false;
        bool inside = Inside(hwnd, lParam);
        SetPushed(hwnd, data, false);
        if (GetCapture() == hwnd) ReleaseCapture();
        if (inside && IsWindow(hwnd)) Clicked(hwnd, data);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (data->tracking && reinterpret_cast<HWND>(lParam) != hwnd) {
            data->tracking = false;
            SetPushed(hwnd, data, false);
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE && type != BS_GROUPBOX) {
            data->spaceDown = true;
            SetPushed(hwnd, data, true);
        }
        return 0;
    case WM_KEYUP:
        if (wParam == VK_SPACE && data->spaceDown) {
            data->spaceDown = false;
            SetPushed(hwnd, data, false);
            Clicked(hwnd, data);
        }
        return 0;
    case WM_SETFOCUS:
        data->state |= BST_FOCUS;
        Redraw(hwnd, ODA_FOCUS);
        return 0;
    case WM_KILLFOCUS:
        data->state &= ~BST_FOCUS;
        if (data->spaceDown || data->tracking) {
            data->spaceDown = data->tracking = false;
            data->state &= ~BST_PUSHED;
        }
        Redraw(hwnd, ODA_FOCUS);
        return 0;
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcA(hwnd, msg, wParam, lParam);
        InvalidateRect(hwnd, nullptr, FALSE);
        return result;
    }
    case WM_SETFONT:
        data->font = reinterpret_cast<HFONT>(wParam);
        if (lParam) InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(data->font);
    case WM_GETDLGCODE:
        switch (type) {
        case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        case BS_PUSHBUTTON: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: return DLGC_RADIOBUTTON;
        case BS_GROUPBOX: return DLGC_STATIC;
        default: return DLGC_BUTTON;
        }
    case BM_GETSTATE: return LRESULT(data->state);
    case BM_SETSTATE: SetPushed(hwnd, data, wParam != 0); return 0;
    case BM_GETCHECK: return LRESULT(data->state & 3u);
    case BM_SETCHECK:
        if ((data->state & 3u) != (wParam & 3u)) {
            data->state = (data->state & ~3u) | UINT(wParam & 3u);
            Redraw(hwnd, ODA_SELECT);
        }
        return 0;
    case BM_SETSTYLE: {
        LONG style = GetWindowLongA(hwnd, GWL_STYLE);
        SetWindowLongA(hwnd, GWL_STYLE, LONG((DWORD(style) & ~BS_TYPEMASK) | (DWORD(wParam) & BS_TYPEMASK)));
        if (lParam) Redraw(hwnd, ODA_DRAWENTIRE);
        return 0;
    }
    case BM_CLICK:
        if (IsWindowEnabled(hwnd) && type != BS_GROUPBOX) {
            SetPushed(hwnd, data, true);
            SetPushed(hwnd, data, false);
            Clicked(hwnd, data);
        }
        return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

void NotifyParent(HWND control, WORD code)
{
    HWND parent = GetParent(control);
    if (!parent) return;
    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(WORD(GetDlgCtrlID(control)), code), reinterpret_cast<LPARAM>(control));
}

HBRUSH ControlColors(HWND control, HDC hdc, UINT ctlColorMessage)
{
    HWND parent = GetParent(control);
    LRESULT brush = parent ? SendMessageA(parent, ctlColorMessage, reinterpret_cast<WPARAM>(hdc),
                                          reinterpret_cast<LPARAM>(control))
                           : 0;
    if (!brush) brush = DefWindowProcA(control, ctlColorMessage, reinterpret_cast<WPARAM>(hdc),
                                       reinterpret_cast<LPARAM>(control));
    return reinterpret_cast<HBRUSH>(brush);
}

}  // namespace user
