// The dialog manager: templates, dialog units, modal and modeless
// dialogs, DefDlgProcA and the dialog keys (Tab, arrows, Enter, Esc).
#include "user.h"

#include <winplat/automation.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <strings.h>

namespace user {

namespace {

// ---- Templates ---------------------------------------------------------------------

struct Text {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::string text;
};

struct DialogItem {
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    LONG_PTR id = 0;
    Text cls, title;
    std::vector<BYTE> creationData;
};

struct DialogTemplate {
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    Text menu, cls, title;
    WORD pointSize = 0, weight = FW_NORMAL;
    BYTE italic = 0, charset = DEFAULT_CHARSET;
    std::string face;
    std::vector<DialogItem> items;
};

// Reads the template's little-endian fields, never past `size` bytes.
class Reader {
public:
    Reader(const BYTE* data, size_t size) : data_(data), size_(size) {}
    bool Ok() const { return ok_; }
    WORD Word()
    {
        if (!Need(2)) return 0;
        WORD v = WORD(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    DWORD Dword()
    {
        DWORD low = Word();
        return low | DWORD(Word()) << 16;
    }
    short Short() { return short(Word()); }
    BYTE Byte()
    {
        if (!Need(1)) return 0;
        return data_[pos_++];
    }
    // A zero-terminated UTF-16 string.
    std::string String()
    {
        std::vector<WORD> units;
        for (WORD w = Word(); ok_ && w != 0; w = Word()) units.push_back(w);
        return FromUtf16(units.data(), units.size());
    }
    // The platform's "string or ordinal": 0 none, 0xFFFF then an ordinal.
    Text StringOrOrdinal()
    {
        Text t;
        if (!Need(2)) return t;
        WORD first = WORD(data_[pos_] | data_[pos_ + 1] << 8);
        if (first == 0xFFFF) {
            pos_ += 2;
            t.isOrdinal = true;
            t.ordinal = Word();
        } else {
            t.text = String();
        }
        return t;
    }
    void AlignDword() { pos_ = (pos_ + 3) & ~size_t(3); }
    std::vector<BYTE> Bytes(size_t n)
    {
        if (!Need(n)) return {};
        std::vector<BYTE> out(data_ + pos_, data_ + pos_ + n);
        pos_ += n;
        return out;
    }

private:
    bool Need(size_t n)
    {
        if (!ok_ || pos_ + n > size_) ok_ = false;
        return ok_;
    }
    const BYTE* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

constexpr size_t kUnknownSize = std::numeric_limits<size_t>::max() / 4;
constexpr WORD kMostItems = 1024;

bool ParseTemplate(const void* data, size_t size, DialogTemplate* t)
{
    if (!data) return false;
    Reader r(static_cast<const BYTE*>(data), size);
    WORD version = r.Word();
    WORD signature = r.Word();
    bool extended = version == 1 && signature == 0xFFFF;
    WORD count;
    if (extended) {
        r.Dword();  // help id
        t->exStyle = r.Dword();
        t->style = r.Dword();
    } else {
        t->style = DWORD(version) | DWORD(signature) << 16;
        t->exStyle = r.Dword();
    }
    count = r.Word();
    t->x = r.Short();
    t->y = r.Short();
    t->cx = r.Short();
    t->cy = r.Short();
    t->menu = r.StringOrOrdinal();
    t->cls = r.StringOrOrdinal();
    t->title = r.StringOrOrdinal();
    if (t->style & DS_SETFONT) {
        t->pointSize = r.Word();
        if (extended) {
            t->weight = r.Word();
            t->italic = r.Byte();
            t->charset = r.Byte();
        }
        t->face = r.String();
    }
    if (!r.Ok() || count > kMostItems) return false;
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword();
        DialogItem item;
        if (extended) {
            r.Dword();  // help id
            item.exStyle = r.Dword();
            item.style = r.Dword();
        } else {
            item.style = r.Dword();
            item.exStyle = r.Dword();
        }
        item.x = r.Short();
        item.y = r.Short();
        item.cx = r.Short();
        item.cy = r.Short();
        item.id = extended ? LONG_PTR(LONG(r.Dword())) : LONG_PTR(r.Word());
        item.cls = r.StringOrOrdinal();
        item.title = r.StringOrOrdinal();
        WORD extra = r.Word();
        item.creationData = r.Bytes(extra);
        if (!r.Ok()) return false;
        t->items.push_back(std::move(item));
    }
    return true;
}

std::string ClassName(const Text& cls)
{
    if (!cls.isOrdinal) return cls.text;
    switch (cls.ordinal) {
    case 0x0080: return "BUTTON";
    case 0x0081: return "EDIT";
    case 0x0082: return "STATIC";
    case 0x0083: return "LISTBOX";
    case 0x0084: return "SCROLLBAR";
    case 0x0085: return "COMBOBOX";
    default: return OrdinalName(cls.ordinal);
    }
}

// ---- Fonts and dialog units ------------------------------------------------------------

SIZE BaseUnitsOf(HFONT font, const DialogTemplate& t)
{
    // The period's dialog fonts: "System" and "Courier New" at 10 points
    // measure 8 by 16 pixels, which the programs' fixed pixel layouts rely on.
    if (!font || strcasecmp(t.face.c_str(), "System") == 0 ||
        (strcasecmp(t.face.c_str(), "Courier New") == 0 && t.pointSize == 10)) {
        return SIZE{8, 16};
    }
    HDC hdc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(hdc, font);
    TEXTMETRICA tm{};
    GetTextMetricsA(hdc, &tm);
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE extent{0, 0};
    GetTextExtentPoint32A(hdc, kAlphabet, 52, &extent);
    SelectObject(hdc, old);
    ReleaseDC(nullptr, hdc);
    SIZE units{(extent.cx / 26 + 1) / 2, tm.tmHeight};
    if (units.cx <= 0 || units.cy <= 0) units = SIZE{8, 16};
    return units;
}

HFONT FontOf(const DialogTemplate& t)
{
    if (!(t.style & DS_SETFONT)) return nullptr;
    int height = -MulDiv(t.pointSize ? t.pointSize : 8, 96, 72);
    return CreateFontA(height, 0, 0, 0, t.weight, t.italic, 0, 0, t.charset, 0, 0, 0, 0, t.face.c_str());
}

int Px(int du, int base, int divisor) { return MulDiv(du, base, divisor); }

RECT PlaceDialog(const DialogTemplate& t, SIZE units, HWND owner)
{
    int width = Px(t.cx, units.cx, 4), height = Px(t.cy, units.cy, 8);
    int x = Px(t.x, units.cx, 4), y = Px(t.y, units.cy, 8);
    if (t.style & WS_CHILD) return RECT{x, y, x + width, y + height};
    RECT screen = winplat::ThePresenter().ScreenBounds();
    if (t.style & (DS_CENTER | DS_CENTERMOUSE)) {
        x = screen.left + (screen.right - screen.left - width) / 2;
        y = screen.top + (screen.bottom - screen.top - height) / 2;
    } else if (owner && !(t.style & DS_ABSALIGN)) {
        POINT origin{0, 0};
        ClientToScreen(owner, &origin);
        x += origin.x;
        y += origin.y;
    }
    x = std::clamp(x, int(screen.left), std::max(int(screen.left), int(screen.right) - width));
    y = std::clamp(y, int(screen.top), std::max(int(screen.top), int(screen.bottom) - height));
    return RECT{x, y, x + width, y + height};
}

bool CreateItems(HWND dialog, const DialogTemplate& t, HINSTANCE instance, DialogInfo& info)
{
    for (const DialogItem& item : t.items) {
        std::string cls = ClassName(item.cls);
        std::string title = item.title.isOrdinal ? OrdinalName(item.title.ordinal) : item.title.text;
        SIZE u = info.baseUnits;
        int x = Px(item.x, u.cx, 4), y = Px(item.y, u.cy, 8);
        HWND control = CreateWindowExA(item.exStyle | WS_EX_NOPARENTNOTIFY, cls.c_str(), title.c_str(),
                                       item.style | WS_CHILD, x, y, Px(item.cx, u.cx, 4), Px(item.cy, u.cy, 8),
                                       dialog, reinterpret_cast<HMENU>(item.id), instance,
                                       item.creationData.empty() ? nullptr : const_cast<BYTE*>(item.creationData.data()));
        if (!control) {
            if (t.style & DS_NOFAILCREATE) continue;
            return false;
        }
        if (info.font) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(info.font), FALSE);
        if (strcasecmp(cls.c_str(), "BUTTON") == 0 && (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON && !info.defId) {
            info.defId = int(item.id);
        }
    }
    return true;
}

HWND CreateFromTemplate(HINSTANCE instance, const void* data, size_t size, HWND parent, DLGPROC proc, LPARAM param)
{
    DialogTemplate t;
    if (!ParseTemplate(data, size, &t)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    HFONT font = FontOf(t);
    SIZE units = BaseUnitsOf(font, t);
    HWND owner = parent && !(t.style & WS_CHILD) ? TopLevelOf(parent) : parent;
    RECT r = PlaceDialog(t, units, owner);
    std::string cls = t.cls.isOrdinal || t.cls.text.empty() ? "#32770" : t.cls.text;
    std::string title = t.title.isOrdinal ? std::string() : t.title.text;
    DWORD exStyle = t.exStyle | ((t.style & DS_MODALFRAME) ? WS_EX_DLGMODALFRAME : 0);
    HWND dialog = CreateWindowExA(exStyle, cls.c_str(), title.c_str(), t.style & ~WS_VISIBLE, r.left, r.top,
                                  r.right - r.left, r.bottom - r.top, owner, nullptr, instance, nullptr);
    if (!dialog) {
        if (font) DeleteObject(font);
        return nullptr;
    }
    std::shared_ptr<Window> w = Peek(dialog);
    DialogInfo& info = DialogOf(*w);
    info.font = font;
    info.ownsFont = font != nullptr;
    info.baseUnits = units;
    SetWindowLongPtrA(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
    if (font) SendMessageA(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (!CreateItems(dialog, t, instance, info)) {
        DestroyWindow(dialog);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HWND first = FirstTabStop(dialog);
    if (SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param) && IsWindow(dialog)) {
        if (HWND target = FirstTabStop(dialog)) SetDialogFocus(target);
    }
    if (!IsWindow(dialog)) return nullptr;
    if ((t.style & WS_VISIBLE) && !info.ended) ShowWindow(dialog, SW_SHOWNORMAL);
    return dialog;
}

const void* TemplateResource(HINSTANCE instance, LPCSTR name, size_t* size)
{
    HMODULE module = instance ? instance : GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, name, RT_DIALOG);
    if (!found) return nullptr;
    *size = SizeofResource(module, found);
    return LockResource(LoadResource(module, found));
}

INT_PTR RunDialogModal(HWND dialog, HWND owner)
{
    std::shared_ptr<Window> w = Peek(dialog);
    DialogInfo& info = DialogOf(*w);
    bool disabledOwner = owner && IsWindowEnabled(owner);
    if (disabledOwner) EnableWindow(owner, FALSE);
    if (!info.ended) {
        ShowWindow(dialog, SW_SHOW);
        UpdateWindow(dialog);
    }
    INT_PTR result = RunModal(dialog);
    // The owner comes back before the dialog goes, so that it is activated.
    if (disabledOwner) EnableWindow(owner, TRUE);
    if (IsWindow(dialog)) DestroyWindow(dialog);
    return result;
}

int CodeOf(HWND control) { return control ? int(SendMessageA(control, WM_GETDLGCODE, 0, 0)) : 0; }

std::vector<HWND> Controls(HWND dialog)
{
    std::shared_ptr<Window> w = Peek(dialog);
    return w ? w->children : std::vector<HWND>();
}

// A control's own styles count, so that a dialog not shown yet has its
// tab stops too.
bool Usable(HWND control)
{
    DWORD style = DWORD(GetWindowLongA(control, GWL_STYLE));
    return (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

HWND DialogParentOf(HWND control)
{
    std::shared_ptr<Window> w = Peek(control);
    if (!w || !w->IsChild()) return nullptr;
    std::shared_ptr<Window> parent = Peek(w->parent);
    return parent && IsDialog(*parent) ? parent->handle : nullptr;
}

void SetButtonStyle(HWND button, DWORD type)
{
    SendMessageA(button, BM_SETSTYLE, type, TRUE);
}

// Whether a message to `dialog` ends with the message result of DWLP_MSGRESULT
// or with the dialog procedure's own return value.
bool ReturnsProcValue(UINT msg)
{
    switch (msg) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON: return true;
    default: return false;
    }
}

void SaveFocus(HWND dialog, DialogInfo& info)
{
    HWND focus = GetFocus();
    if (focus && IsChild(dialog, focus)) info.savedFocus = focus;
}

void RestoreFocus(HWND dialog, DialogInfo& info)
{
    if (info.savedFocus && IsWindow(info.savedFocus) && IsChild(dialog, info.savedFocus)) {
        SetFocus(info.savedFocus);
    } else if (HWND first = FirstTabStop(dialog)) {
        SetDialogFocus(first);
    }
}

}  // namespace

DialogInfo& DialogOf(Window& w)
{
    if (!w.dialog) w.dialog = std::make_unique<DialogInfo>();
    return *w.dialog;
}

bool IsDialog(Window& w) { return w.dialog != nullptr || w.cls->name == "#32770"; }

HWND FirstTabStop(HWND dialog) { return GetNextDlgTabItem(dialog, nullptr, FALSE); }

void SetDialogFocus(HWND control)
{
    if (!control) return;
    if (CodeOf(control) & DLGC_HASSETSEL) SendMessageA(control, EM_SETSEL, 0, -1);
    SetFocus(control);
}

void DialogFocusChanged(HWND oldFocus, HWND newFocus)
{
    HWND dialog = DialogParentOf(newFocus ? newFocus : oldFocus);
    if (!dialog || (oldFocus && DialogParentOf(oldFocus) != dialog && newFocus && DialogParentOf(newFocus) != dialog)) return;
    std::shared_ptr<Window> d = Peek(dialog);
    DialogInfo& info = DialogOf(*d);
    int code = CodeOf(newFocus);
    if (newFocus && DialogParentOf(newFocus) == dialog && (code & DLGC_UNDEFPUSHBUTTON)) {
        // A push button with the focus is the default button meanwhile.
        for (HWND c : Controls(dialog)) {
            if (c != newFocus && (CodeOf(c) & DLGC_DEFPUSHBUTTON)) SetButtonStyle(c, BS_PUSHBUTTON);
        }
        SetButtonStyle(newFocus, BS_DEFPUSHBUTTON);
    } else if (!(code & DLGC_DEFPUSHBUTTON)) {
        HWND def = info.defId ? GetDlgItem(dialog, info.defId) : nullptr;
        for (HWND c : Controls(dialog)) {
            if (c != def && (CodeOf(c) & DLGC_DEFPUSHBUTTON)) SetButtonStyle(c, BS_PUSHBUTTON);
        }
        if (def && (CodeOf(def) & DLGC_UNDEFPUSHBUTTON)) SetButtonStyle(def, BS_DEFPUSHBUTTON);
    }
}

INT_PTR RunModal(HWND dialog)
{
    std::shared_ptr<Window> w = Peek(dialog);
    if (!w) return -1;
    DialogInfo& info = DialogOf(*w);
    winplat::automation::NotifyModalLoopStart(dialog);
    while (!info.ended && IsWindow(dialog)) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (winplat::automation::NotifyModalLoopIdle(dialog)) continue;
            WaitMessage();
            continue;
        }
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));  // for the loop outside
            break;
        }
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    INT_PTR result = info.ended ? info.result : -1;
    winplat::automation::NotifyModalLoopEnd(dialog, result);
    return result;
}

}  // namespace user

using namespace user;

INT_PTR WINAPI DialogBoxIndirectParamA(HINSTANCE hInstance, LPCDLGTEMPLATEA hDialogTemplate, HWND hWndParent,
                                       DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    if (hWndParent && !Lookup(hWndParent)) return -1;
    HWND owner = hWndParent ? TopLevelOf(hWndParent) : nullptr;
    HWND dialog = CreateFromTemplate(hInstance, hDialogTemplate, kUnknownSize, owner, lpDialogFunc, dwInitParam);
    if (!dialog) return -1;
    return RunDialogModal(dialog, owner);
}

INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam)
{
    if (hWndParent && !Lookup(hWndParent)) return -1;
    size_t size = 0;
    const void* data = TemplateResource(hInstance, lpTemplateName, &size);
    if (!data) return -1;
    HWND owner = hWndParent ? TopLevelOf(hWndParent) : nullptr;
    HWND dialog = CreateFromTemplate(hInstance, data, size, owner, lpDialogFunc, dwInitParam);
    if (!dialog) return -1;
    return RunDialogModal(dialog, owner);
}

HWND WINAPI CreateDialogIndirectParamA(HINSTANCE hInstance, LPCDLGTEMPLATEA lpTemplate, HWND hWndParent,
                                       DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    if (hWndParent && !Lookup(hWndParent)) return nullptr;
    return CreateFromTemplate(hInstance, lpTemplate, kUnknownSize, hWndParent, lpDialogFunc, dwInitParam);
}

HWND WINAPI CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam)
{
    if (hWndParent && !Lookup(hWndParent)) return nullptr;
    size_t size = 0;
    const void* data = TemplateResource(hInstance, lpTemplateName, &size);
    if (!data) return nullptr;
    return CreateFromTemplate(hInstance, data, size, hWndParent, lpDialogFunc, dwInitParam);
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult)
{
    std::shared_ptr<Window> w = Lookup(hDlg);
    if (!w) return FALSE;
    DialogInfo& info = DialogOf(*w);
    info.ended = true;
    info.result = nResult;
    // The modal loop notices at its next turn; wake it if it waits.
    PostMessageA(hDlg, WM_NULL, 0, 0);
    return TRUE;
}

LRESULT WINAPI DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<Window> w = Lookup(hDlg);
    if (!w) return 0;
    DialogInfo& info = DialogOf(*w);
    auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtrA(hDlg, DWLP_DLGPROC));
    if (proc) {
        SetWindowLongPtrA(hDlg, DWLP_MSGRESULT, 0);
        INT_PTR handled = proc(hDlg, Msg, wParam, lParam);
        if (!IsWindow(hDlg)) return 0;
        if (handled) return ReturnsProcValue(Msg) ? handled : GetWindowLongPtrA(hDlg, DWLP_MSGRESULT);
    }
    switch (Msg) {
    case WM_ERASEBKGND: {
        HDC hdc = reinterpret_cast<HDC>(wParam);
        auto brush = reinterpret_cast<HBRUSH>(SendMessageA(hDlg, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(hDlg)));
        RECT client = ClientRectLocal(*w);
        FillRect(hdc, &client, brush ? brush : SysBrush(COLOR_3DFACE));
        return 1;
    }
    case DM_GETDEFID: return info.defId ? MAKELRESULT(info.defId, DC_HASDEFID) : 0;
    case DM_SETDEFID: {
        HWND old = info.defId ? GetDlgItem(hDlg, info.defId) : nullptr;
        if (old && (CodeOf(old) & DLGC_DEFPUSHBUTTON)) SetButtonStyle(old, BS_PUSHBUTTON);
        info.defId = int(wParam);
        HWND now = GetDlgItem(hDlg, int(wParam));
        if (now && (CodeOf(now) & DLGC_UNDEFPUSHBUTTON)) SetButtonStyle(now, BS_DEFPUSHBUTTON);
        return TRUE;
    }
    case WM_CLOSE: {
        HWND cancel = GetDlgItem(hDlg, IDCANCEL);
        if (!cancel || IsWindowEnabled(cancel)) {
            PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        }
        return 0;
    }
    case WM_NEXTDLGCTL: {
        HWND target = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                     : GetNextDlgTabItem(hDlg, GetFocus(), wParam != 0);
        SetDialogFocus(target);
        return 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            SaveFocus(hDlg, info);
        } else {
            RestoreFocus(hDlg, info);
            if (!GetFocus() || (GetFocus() != hDlg && !IsChild(hDlg, GetFocus()))) SetFocus(hDlg);
        }
        return 0;
    case WM_SETFOCUS:
        RestoreFocus(hDlg, info);
        return 0;
    case WM_SHOWWINDOW:
        if (!wParam) SaveFocus(hDlg, info);
        return DefWindowProcA(hDlg, Msg, wParam, lParam);
    case WM_GETFONT: return reinterpret_cast<LRESULT>(info.font);
    case WM_SETFONT:
        if (info.ownsFont && info.font != reinterpret_cast<HFONT>(wParam)) {
            DeleteObject(info.font);
            info.ownsFont = false;
        }
        info.font = reinterpret_cast<HFONT>(wParam);
        return 0;
    case WM_NCDESTROY:
        if (info.ownsFont) DeleteObject(info.font);
        info.font = nullptr;
        info.ownsFont = false;
        return 0;
    default: return DefWindowProcA(hDlg, Msg, wParam, lParam);
    }
}

BOOL WINAPI IsDialogMessageA(HWND hDlg, LPMSG lpMsg)
{
    if (!lpMsg || !Peek(hDlg)) return FALSE;
    if (lpMsg->hwnd != hDlg && !IsChild(hDlg, lpMsg->hwnd)) return FALSE;
    int code = lpMsg->hwnd ? int(SendMessageA(lpMsg->hwnd, WM_GETDLGCODE, lpMsg->wParam,
                                              reinterpret_cast<LPARAM>(lpMsg)))
                           : 0;
    if (lpMsg->message == WM_KEYDOWN && !(code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE))) {
        bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
        HWND focus = GetFocus();
        switch (lpMsg->wParam) {
        case VK_TAB:
            if (code & DLGC_WANTTAB) break;
            SetDialogFocus(GetNextDlgTabItem(hDlg, focus, shift));
            return TRUE;
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
            if (code & DLGC_WANTARROWS) break;
            SetDialogFocus(GetNextDlgGroupItem(hDlg, focus, lpMsg->wParam == VK_LEFT || lpMsg->wParam == VK_UP));
            return TRUE;
        case VK_RETURN: {
            // The focused push button, else the default button, else IDOK.
            int id;
            HWND control;
            if (focus && IsChild(hDlg, focus) && (CodeOf(focus) & DLGC_DEFPUSHBUTTON)) {
                control = focus;
                id = GetDlgCtrlID(focus);
            } else {
                LRESULT def = SendMessageA(hDlg, DM_GETDEFID, 0, 0);
                id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
                control = GetDlgItem(hDlg, id);
            }
            if (control && !IsWindowEnabled(control)) {
                MessageBeep(0);
                return TRUE;
            }
            SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
            return TRUE;
        }
        case VK_ESCAPE:
            SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
            return TRUE;
        default: break;
        }
    }
    if (lpMsg->message == WM_CHAR && !(code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE))) {
        // The characters of keys the dialog took go nowhere.
        if ((lpMsg->wParam == '\t' && !(code & DLGC_WANTTAB)) || lpMsg->wParam == '\r' || lpMsg->wParam == 0x1B) {
            return TRUE;
        }
    }
    TranslateMessage(lpMsg);
    DispatchMessageA(lpMsg);
    return TRUE;
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem)
{
    std::shared_ptr<Window> w = Lookup(hDlg);
    if (!w) return nullptr;
    // Ids are 16 bits in WM_COMMAND; -1 and 0xFFFF name the same control.
    for (HWND c : w->children) {
        std::shared_ptr<Window> child = Peek(c);
        if (child && LOWORD(child->id) == LOWORD(nIDDlgItem)) return c;
    }
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

int WINAPI GetDlgCtrlID(HWND hWnd)
{
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w || !w->IsChild()) return 0;
    return int(w->id);
}

BOOL WINAPI SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString)
{
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SetWindowTextA(item, lpString) : FALSE;
}

UINT WINAPI GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax)
{
    if (lpString && cchMax > 0) lpString[0] = '\0';
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? UINT(GetWindowTextA(item, lpString, cchMax)) : 0;
}

HWND WINAPI GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious)
{
    std::vector<HWND> controls = Controls(hDlg);
    if (controls.empty()) return nullptr;
    auto isStop = [](HWND c) { return Usable(c) && (GetWindowLongA(c, GWL_STYLE) & WS_TABSTOP); };
    int count = int(controls.size());
    auto it = std::find(controls.begin(), controls.end(), hCtl);
    int start = it == controls.end() ? (bPrevious ? 0 : count - 1) : int(it - controls.begin());
    for (int step = 1; step <= count; ++step) {
        int i = ((start + (bPrevious ? -step : step)) % count + count) % count;
        if (isStop(controls[size_t(i)])) return controls[size_t(i)];
    }
    return it == controls.end() ? nullptr : hCtl;
}

HWND WINAPI GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious)
{
    std::vector<HWND> controls = Controls(hDlg);
    auto it = std::find(controls.begin(), controls.end(), hCtl);
    if (it == controls.end()) return FirstTabStop(hDlg);
    // The group runs from a control with WS_GROUP to the next one.
    size_t index = size_t(it - controls.begin());
    size_t first = index;
    while (first > 0 && !(GetWindowLongA(controls[first], GWL_STYLE) & WS_GROUP)) --first;
    size_t last = index;
    while (last + 1 < controls.size() && !(GetWindowLongA(controls[last + 1], GWL_STYLE) & WS_GROUP)) ++last;
    size_t n = last - first + 1;
    for (size_t step = 1; step <= n; ++step) {
        size_t offset = index - first;
        size_t i = first + (bPrevious ? (offset + n - step % n) % n : (offset + step) % n);
        if (Usable(controls[i])) return controls[i];
    }
    return hCtl;
}

BOOL WINAPI MapDialogRect(HWND hDlg, LPRECT lpRect)
{
    std::shared_ptr<Window> w = Lookup(hDlg);
    if (!w || !lpRect) return FALSE;
    SIZE u = DialogOf(*w).baseUnits;
    lpRect->left = Px(lpRect->left, u.cx, 4);
    lpRect->right = Px(lpRect->right, u.cx, 4);
    lpRect->top = Px(lpRect->top, u.cy, 8);
    lpRect->bottom = Px(lpRect->bottom, u.cy, 8);
    return TRUE;
}

LONG WINAPI GetDialogBaseUnits(void) { return MAKELONG(8, 16); }
