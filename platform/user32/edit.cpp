// The single-line edit: typing, caret, selection by keyboard and mouse,
// horizontal scrolling (ES_AUTOHSCROLL), a text limit and EN_ notices.
// Positions are byte offsets of the UTF-8 text and always fall between
// whole characters. WM_CHAR carries a character's code point.
#include "user.h"

#include <algorithm>

namespace user {

namespace {

constexpr size_t kDefaultLimit = 30000;
constexpr int kMargin = 2;

struct EditData : ControlData {
    std::string text;
    size_t anchor = 0;  // the fixed end of the selection
    size_t caret = 0;   // the moving end, where the caret stands
    int scrollX = 0;    // pixels of text scrolled out on the left
    HFONT font = nullptr;
    size_t limit = kDefaultLimit;
    bool modified = false;
    bool focused = false;
    bool tracking = false;

    size_t SelStart() const { return std::min(anchor, caret); }
    size_t SelEnd() const { return std::max(anchor, caret); }
};

std::string& Clipboard()
{
    static auto* text = new std::string;
    return *text;
}

DWORD StyleOf(HWND hwnd) { return DWORD(GetWindowLongA(hwnd, GWL_STYLE)); }

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

size_t Prev(const std::string& s, size_t pos)
{
    if (pos == 0) return 0;
    --pos;
    while (pos > 0 && IsContinuation(s[pos])) --pos;
    return pos;
}

size_t Next(const std::string& s, size_t pos)
{
    if (pos >= s.size()) return s.size();
    ++pos;
    while (pos < s.size() && IsContinuation(s[pos])) ++pos;
    return pos;
}

size_t Snap(const std::string& s, size_t pos)
{
    pos = std::min(pos, s.size());
    while (pos > 0 && pos < s.size() && IsContinuation(s[pos])) --pos;
    return pos;
}

// What is drawn for the text (stars for a password).
std::string Shown(HWND hwnd, const std::string& text)
{
    if (!(StyleOf(hwnd) & ES_PASSWORD)) return text;
    size_t count = 0;
    for (char c : text) count += IsContinuation(c) ? 0 : 1;
    return std::string(count, '*');
}

// Width in pixels of the first `bytes` of `text` as drawn in `font`.
int WidthOf(HWND hwnd, HFONT font, const std::string& text, size_t bytes)
{
    std::string shown = Shown(hwnd, text.substr(0, bytes));
    HDC hdc = GetDC(nullptr);
    HGDIOBJ old = font ? SelectObject(hdc, font) : nullptr;
    SIZE size{0, 0};
    GetTextExtentPoint32A(hdc, shown.data(), int(shown.size()), &size);
    if (old) SelectObject(hdc, old);
    ReleaseDC(nullptr, hdc);
    return size.cx;
}

int LineHeight(const EditData& d)
{
    HDC hdc = GetDC(nullptr);
    HGDIOBJ old = d.font ? SelectObject(hdc, d.font) : nullptr;
    TEXTMETRICA tm{};
    GetTextMetricsA(hdc, &tm);
    if (old) SelectObject(hdc, old);
    ReleaseDC(nullptr, hdc);
    return tm.tmHeight;
}

int VisibleWidth(HWND hwnd)
{
    RECT r;
    GetClientRect(hwnd, &r);
    return std::max<int>(1, r.right - 2 * kMargin);
}

// The position nearest to a client x.
size_t PositionAt(HWND hwnd, const EditData& d, int x)
{
    int target = x - kMargin + d.scrollX;
    size_t best = 0;
    int bestDistance = std::abs(target);
    for (size_t pos = Next(d.text, 0); pos <= d.text.size(); pos = Next(d.text, pos)) {
        int distance = std::abs(WidthOf(hwnd, d.font, d.text, pos) - target);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = pos;
        }
        if (pos == d.text.size()) break;
    }
    return best;
}

void ScrollToCaret(HWND hwnd, EditData& d)
{
    if (!(StyleOf(hwnd) & ES_AUTOHSCROLL)) {
        d.scrollX = 0;
        return;
    }
    int x = WidthOf(hwnd, d.font, d.text, d.caret);
    int width = VisibleWidth(hwnd);
    if (x < d.scrollX) d.scrollX = std::max(0, x - width / 4);
    else if (x >= d.scrollX + width) d.scrollX = x - width + width / 4;
    d.scrollX = std::max(0, d.scrollX);
}

void Changed(HWND hwnd, EditData& d)
{
    ScrollToCaret(hwnd, d);
    InvalidateRect(hwnd, nullptr, FALSE);
    NotifyParent(hwnd, EN_UPDATE);
    NotifyParent(hwnd, EN_CHANGE);
}

void Moved(HWND hwnd, EditData& d)
{
    ScrollToCaret(hwnd, d);
    InvalidateRect(hwnd, nullptr, FALSE);
}

std::string Filtered(HWND hwnd, const std::string& text)
{
    DWORD style = StyleOf(hwnd);
    std::string out;
    for (char c : text) {
        if ((style & ES_NUMBER) && !(c >= '0' && c <= '9')) continue;
        if (style & ES_UPPERCASE) c = char(toupper(static_cast<unsigned char>(c)));
        if (style & ES_LOWERCASE) c = char(tolower(static_cast<unsigned char>(c)));
        out += c;
    }
    return out;
}

// Puts `insert` in place of the selection, within the limit (and, without
// ES_AUTOHSCROLL, within the width). Returns false when nothing changed.
bool ReplaceSelection(HWND hwnd, EditData& d, const std::string& insert)
{
    std::string add = Filtered(hwnd, insert);
    size_t start = d.SelStart(), end = d.SelEnd();
    size_t room = d.limit > d.text.size() - (end - start) ? d.limit - (d.text.size() - (end - start)) : 0;
    bool truncated = false;
    if (add.size() > room) {
        add = add.substr(0, Snap(add, room));
        truncated = true;
    }
    std::string candidate = d.text.substr(0, start) + add + d.text.substr(end);
    if (!(StyleOf(hwnd) & ES_AUTOHSCROLL)) {
        while (!add.empty() && WidthOf(hwnd, d.font, candidate, candidate.size()) > VisibleWidth(hwnd)) {
            add.erase(Prev(add, add.size()));
            candidate = d.text.substr(0, start) + add + d.text.substr(end);
            truncated = true;
        }
    }
    if (truncated) NotifyParent(hwnd, EN_MAXTEXT);
    if (add.empty() && start == end) return false;
    d.text = candidate;
    d.caret = d.anchor = start + add.size();
    d.modified = true;
    Changed(hwnd, d);
    return true;
}

void MoveCaret(HWND hwnd, EditData& d, size_t to, bool extend)
{
    d.caret = Snap(d.text, to);
    if (!extend) d.anchor = d.caret;
    Moved(hwnd, d);
}

size_t WordLeft(const std::string& s, size_t pos)
{
    while (pos > 0 && s[pos - 1] == ' ') --pos;
    while (pos > 0 && s[pos - 1] != ' ') --pos;
    return pos;
}

size_t WordRight(const std::string& s, size_t pos)
{
    while (pos < s.size() && s[pos] != ' ') ++pos;
    while (pos < s.size() && s[pos] == ' ') ++pos;
    return pos;
}

void KeyDown(HWND hwnd, EditData& d, WPARAM key)
{
    bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    bool readOnly = (StyleOf(hwnd) & ES_READONLY) != 0;
    switch (key) {
    case VK_LEFT:
        if (!shift && d.anchor != d.caret) MoveCaret(hwnd, d, d.SelStart(), false);
        else MoveCaret(hwnd, d, control ? WordLeft(d.text, d.caret) : Prev(d.text, d.caret), shift);
        break;
    case VK_RIGHT:
        if (!shift && d.anchor != d.caret) MoveCaret(hwnd, d, d.SelEnd(), false);
        else MoveCaret(hwnd, d, control ? WordRight(d.text, d.caret) : Next(d.text, d.caret), shift);
        break;
    case VK_HOME: MoveCaret(hwnd, d, 0, shift); break;
    case VK_END: MoveCaret(hwnd, d, d.text.size(), shift); break;
    case VK_DELETE:
        if (readOnly) break;
        if (d.anchor == d.caret) d.caret = Next(d.text, d.caret);
        ReplaceSelection(hwnd, d, std::string());
        break;
    default: break;
    }
}

void Character(HWND hwnd, EditData& d, WPARAM code)
{
    bool readOnly = (StyleOf(hwnd) & ES_READONLY) != 0;
    switch (code) {
    case 0x03: SendMessageA(hwnd, WM_COPY, 0, 0); return;   // Ctrl+C
    case 0x16: SendMessageA(hwnd, WM_PASTE, 0, 0); return;  // Ctrl+V
    case 0x18: SendMessageA(hwnd, WM_CUT, 0, 0); return;    // Ctrl+X
    case '\b':
        if (readOnly) return;
        if (d.anchor == d.caret) d.anchor = Prev(d.text, d.caret);
        ReplaceSelection(hwnd, d, std::string());
        return;
    default: break;
    }
    if (code < 0x20 || code == 0x7F || readOnly) return;
    std::string add;
    AppendUtf8(&add, char32_t(code));
    ReplaceSelection(hwnd, d, add);
}

void Paint(HWND hwnd, HDC hdc, EditData& d)
{
    RECT r;
    GetClientRect(hwnd, &r);
    bool grey = !IsWindowEnabled(hwnd) || (StyleOf(hwnd) & ES_READONLY);
    HBRUSH brush = ControlColors(hwnd, hdc, grey ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
    FillRect(hdc, &r, brush);
    if (!IsWindowEnabled(hwnd)) SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
    HGDIOBJ oldFont = d.font ? SelectObject(hdc, d.font) : nullptr;
    int height = LineHeight(d);
    int top = std::max(0, int(r.bottom - height) / 2);
    IntersectClipRect(hdc, kMargin > 0 ? 1 : 0, 0, r.right - 1, r.bottom);
    std::string shown = Shown(hwnd, d.text);
    // The shown text has the same characters; map byte positions of the
    // text to positions of what is shown through their widths.
    int x0 = kMargin - d.scrollX;
    SetBkMode(hdc, TRANSPARENT);
    TextOutA(hdc, x0, top, shown.data(), int(shown.size()));
    bool showSelection = d.focused || (StyleOf(hwnd) & ES_NOHIDESEL);
    if (showSelection && d.anchor != d.caret) {
        int left = x0 + WidthOf(hwnd, d.font, d.text, d.SelStart());
        int right = x0 + WidthOf(hwnd, d.font, d.text, d.SelEnd());
        RECT band{left, top, right, top + height};
        FillRect(hdc, &band, SysBrush(COLOR_HIGHLIGHT));
        SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        SaveDC(hdc);
        IntersectClipRect(hdc, left, top, right, top + height);
        TextOutA(hdc, x0, top, shown.data(), int(shown.size()));
        RestoreDC(hdc, -1);
    }
    if (d.focused) {
        int x = x0 + WidthOf(hwnd, d.font, d.text, d.caret);
        RECT caret{x, top, x + 1, top + height};
        FillRect(hdc, &caret, SysBrush(COLOR_WINDOWTEXT));
    }
    if (oldFont) SelectObject(hdc, oldFont);
}

LRESULT GetSelection(const EditData& d, WPARAM wParam, LPARAM lParam)
{
    DWORD start = DWORD(d.SelStart()), end = DWORD(d.SelEnd());
    if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
    if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
    if (start > 0xFFFF || end > 0xFFFF) return -1;
    return MAKELRESULT(start, end);
}

void SetSelection(HWND hwnd, EditData& d, WPARAM wParam, LPARAM lParam)
{
    long long start = static_cast<long long>(static_cast<int>(wParam));
    long long end = static_cast<long long>(static_cast<int>(lParam));
    if (start == -1) {
        d.anchor = d.caret;  // no selection; the caret stays
    } else {
        size_t size = d.text.size();
        size_t a = start < 0 ? size : std::min<size_t>(size_t(start), size);
        size_t b = end < 0 ? size : std::min<size_t>(size_t(end), size);
        d.anchor = Snap(d.text, a);
        d.caret = Snap(d.text, b);
    }
    Moved(hwnd, d);
}

}  // namespace

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    EditData* d = ControlOf<EditData>(hwnd);
    if (!d) return 0;
    switch (msg) {
    case WM_CREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) d->text = cs->lpszName;
        return 0;
    }
    case WM_SETTEXT:
        d->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        d->anchor = d->caret = 0;
        d->scrollX = 0;
        d->modified = false;
        Changed(hwnd, *d);
        return TRUE;
    case WM_GETTEXT: {
        char* out = reinterpret_cast<char*>(lParam);
        if (!out || wParam == 0) return 0;
        size_t n = std::min<size_t>(d->text.size(), wParam - 1);
        n = Snap(d->text, n);
        std::copy(d->text.begin(), d->text.begin() + long(n), out);
        out[n] = '\0';
        return LRESULT(n);
    }
    case WM_GETTEXTLENGTH: return LRESULT(d->text.size());
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        Paint(hwnd, hdc, *d);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_KEYDOWN: KeyDown(hwnd, *d, wParam); return 0;
    case WM_CHAR: Character(hwnd, *d, wParam); return 0;
    case WM_LBUTTONDOWN: {
        if (GetFocus() != hwnd) SetFocus(hwnd);
        bool shift = (wParam & MK_SHIFT) != 0;
        MoveCaret(hwnd, *d, PositionAt(hwnd, *d, GET_X_LPARAM(lParam)), shift);
        d->tracking = true;
        SetCapture(hwnd);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (d->tracking && GetCapture() == hwnd) MoveCaret(hwnd, *d, PositionAt(hwnd, *d, GET_X_LPARAM(lParam)), true);
        return 0;
    case WM_LBUTTONUP:
        if (d->tracking) {
            d->tracking = false;
            if (GetCapture() == hwnd) ReleaseCapture();
        }
        return 0;
    case WM_LBUTTONDBLCLK: {
        size_t at = PositionAt(hwnd, *d, GET_X_LPARAM(lParam));
        d->anchor = WordLeft(d->text, at);
        d->caret = at;
        while (d->caret < d->text.size() && d->text[d->caret] != ' ') d->caret = Next(d->text, d->caret);
        Moved(hwnd, *d);
        return 0;
    }
    case WM_CAPTURECHANGED: d->tracking = false; return 0;
    case WM_SETFOCUS:
        d->focused = true;
        InvalidateRect(hwnd, nullptr, FALSE);
        NotifyParent(hwnd, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        d->focused = false;
        InvalidateRect(hwnd, nullptr, FALSE);
        NotifyParent(hwnd, EN_KILLFOCUS);
        return 0;
    case WM_ENABLE: InvalidateRect(hwnd, nullptr, FALSE); return 0;
    case WM_SETFONT:
        d->font = reinterpret_cast<HFONT>(wParam);
        if (lParam) InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(d->font);
    case WM_GETDLGCODE: return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_SETCURSOR: SetCursor(LoadCursorA(nullptr, IDC_IBEAM)); return TRUE;
    case EM_GETSEL: return GetSelection(*d, wParam, lParam);
    case EM_SETSEL: SetSelection(hwnd, *d, wParam, lParam); return 0;
    case EM_REPLACESEL: ReplaceSelection(hwnd, *d, lParam ? reinterpret_cast<LPCSTR>(lParam) : ""); return 0;
    case EM_LIMITTEXT: d->limit = wParam ? size_t(wParam) : size_t(0x7FFFFFFE); return 0;
    case EM_GETLIMITTEXT: return LRESULT(d->limit);
    case EM_GETMODIFY: return d->modified;
    case EM_SETMODIFY: d->modified = wParam != 0; return 0;
    case EM_GETLINECOUNT: return 1;
    case EM_SCROLLCARET: Moved(hwnd, *d); return TRUE;
    case EM_GETRECT:
        if (lParam) GetClientRect(hwnd, reinterpret_cast<RECT*>(lParam));
        return 0;
    case EM_SETREADONLY: {
        LONG style = GetWindowLongA(hwnd, GWL_STYLE);
        SetWindowLongA(hwnd, GWL_STYLE, wParam ? (style | ES_READONLY) : (style & ~ES_READONLY));
        InvalidateRect(hwnd, nullptr, FALSE);
        return TRUE;
    }
    case WM_COPY:
        if (d->anchor != d->caret && !(StyleOf(hwnd) & ES_PASSWORD)) {
            Clipboard() = d->text.substr(d->SelStart(), d->SelEnd() - d->SelStart());
        }
        return 0;
    case WM_CUT:
        SendMessageA(hwnd, WM_COPY, 0, 0);
        [[fallthrough]];
    case WM_CLEAR:
        if (!(StyleOf(hwnd) & ES_READONLY)) ReplaceSelection(hwnd, *d, std::string());
        return 0;
    case WM_PASTE:
        if (!(StyleOf(hwnd) & ES_READONLY)) ReplaceSelection(hwnd, *d, Clipboard());
        return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace user
