// Message boxes: a modal dialog of the platform's own with the caption,
// the text (line breaks kept, long lines wrapped), an icon when asked and
// the buttons of the type. Enter presses the default button; Esc and the
// close box give Cancel, or No where there is no Cancel, or OK for a box
// with OK alone. The owner's top-level window is disabled meanwhile.
#include "user.h"

#include <algorithm>

namespace user {

namespace {

constexpr int kMargin = 12;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kMaxTextWidth = 480;
constexpr int kTextId = 0xFFFF;
constexpr int kIconId = 0x14;

struct BoxLabels {
    int id;
    const char* text;
};

std::vector<BoxLabels> ButtonsOf(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case MB_ABORTRETRYIGNORE: return {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}, {IDIGNORE, "&Ignore"}};
    case MB_YESNOCANCEL: return {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO: return {{IDYES, "&Yes"}, {IDNO, "&No"}};
    case MB_RETRYCANCEL: return {{IDRETRY, "&Retry"}, {IDCANCEL, "Cancel"}};
    default: return {{IDOK, "OK"}};
    }
}

LPCSTR IconOf(UINT type)
{
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return IDI_HAND;
    case MB_ICONQUESTION: return IDI_QUESTION;
    case MB_ICONEXCLAMATION: return IDI_EXCLAMATION;
    case MB_ICONASTERISK: return IDI_ASTERISK;
    default: return nullptr;
    }
}

// The answer of Esc and of the close box.
int CancelAnswer(const std::vector<int>& ids)
{
    for (int wanted : {IDCANCEL, IDNO, IDOK}) {
        if (std::find(ids.begin(), ids.end(), wanted) != ids.end()) return wanted;
    }
    return ids.empty() ? IDCANCEL : ids.back();
}

struct BoxState {
    std::vector<int> ids;
};

INT_PTR CALLBACK BoxProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
    auto* state = reinterpret_cast<BoxState*>(GetWindowLongPtrA(hDlg, DWLP_USER));
    if (!state) return FALSE;
    int id = LOWORD(wParam);
    if (std::find(state->ids.begin(), state->ids.end(), id) == state->ids.end()) {
        if (id != IDCANCEL) return FALSE;
        id = CancelAnswer(state->ids);
    }
    EndDialog(hDlg, id);
    return TRUE;
}

SIZE MeasureText(HFONT font, const std::string& text)
{
    HDC hdc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(hdc, font);
    RECT r{0, 0, kMaxTextWidth, 0};
    DrawTextA(hdc, text.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(hdc, old);
    ReleaseDC(nullptr, hdc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

}  // namespace

}  // namespace user

using namespace user;

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    if (hWnd && !Lookup(hWnd)) return 0;
    HWND owner = hWnd ? TopLevelOf(hWnd) : nullptr;
    std::string text = lpText ? lpText : "";
    std::string caption = lpCaption ? lpCaption : "Error";
    std::vector<BoxLabels> buttons = ButtonsOf(uType);
    BoxState state;
    for (const BoxLabels& b : buttons) state.ids.push_back(b.id);
    size_t defaultIndex = std::min<size_t>((uType & MB_DEFMASK) >> 8, buttons.size() - 1);

    HFONT font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    LPCSTR iconName = IconOf(uType);
    int iconSpace = iconName ? 32 + kMargin : 0;
    SIZE textSize = MeasureText(font, text);
    int buttonsWidth = int(buttons.size()) * kButtonWidth + int(buttons.size() - 1) * kButtonGap;
    int width = std::max<int>(iconSpace + textSize.cx, buttonsWidth) + 2 * kMargin;
    width = std::max(width, 160);
    int textHeight = std::max<int>(textSize.cy, iconName ? 32 : 0);
    int height = kMargin + textHeight + kMargin + kButtonHeight + kMargin;
    RECT screen = winplat::ThePresenter().ScreenBounds();
    RECT around = screen;
    if (std::shared_ptr<Window> o = Peek(owner)) around = o->rect;
    int x = std::clamp<int>(around.left + (around.right - around.left - width) / 2, screen.left,
                            std::max<int>(screen.left, screen.right - width));
    int y = std::clamp<int>(around.top + (around.bottom - around.top - height) / 2, screen.top,
                            std::max<int>(screen.top, screen.bottom - height));

    HWND box = CreateWindowExA(WS_EX_DLGMODALFRAME, "#32770", caption.c_str(),
                               WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, x, y, width, height, owner,
                               nullptr, nullptr, nullptr);
    if (!box) {
        DeleteObject(font);
        return 0;
    }
    std::shared_ptr<Window> w = Peek(box);
    DialogInfo& info = DialogOf(*w);
    info.font = font;
    info.ownsFont = true;
    SetWindowLongPtrA(box, DWLP_USER, reinterpret_cast<LONG_PTR>(&state));
    SetWindowLongPtrA(box, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&BoxProc));

    if (iconName) {
        HWND icon = CreateWindowExA(0, "STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, kMargin, kMargin, 32, 32,
                                    box, reinterpret_cast<HMENU>(intptr_t(kIconId)), nullptr, nullptr);
        SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, iconName)), 0);
    }
    int textTop = kMargin + (textHeight - textSize.cy) / 2;
    HWND label = CreateWindowExA(0, "STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                                 kMargin + iconSpace, textTop, textSize.cx + 1, textSize.cy, box,
                                 reinterpret_cast<HMENU>(intptr_t(kTextId)), nullptr, nullptr);
    SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    int bx = (width - buttonsWidth) / 2, by = height - kMargin - kButtonHeight;
    HWND defaultButton = nullptr;
    for (size_t i = 0; i < buttons.size(); ++i) {
        DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == 0 ? WS_GROUP : 0) |
                      (i == defaultIndex ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        HWND b = CreateWindowExA(0, "BUTTON", buttons[i].text, style, bx, by, kButtonWidth, kButtonHeight, box,
                                 reinterpret_cast<HMENU>(intptr_t(buttons[i].id)), nullptr, nullptr);
        SendMessageA(b, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (i == defaultIndex) defaultButton = b;
        bx += kButtonWidth + kButtonGap;
    }
    info.defId = state.ids[defaultIndex];
    automation::RegisterMessageBox(box, caption, text, uType, state.ids);

    bool disabledOwner = owner && IsWindowEnabled(owner);
    if (disabledOwner) EnableWindow(owner, FALSE);
    ShowWindow(box, SW_SHOW);
    SetDialogFocus(defaultButton);
    UpdateWindow(box);
    INT_PTR result = RunModal(box);
    if (disabledOwner) EnableWindow(owner, TRUE);
    if (IsWindow(box)) DestroyWindow(box);
    return result < 0 ? CancelAnswer(state.ids) : int(result);
}
