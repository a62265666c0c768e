// Input: activation, keyboard focus, mouse capture, key states, and the
// making of messages out of host input.
#include "user.h"

#include <algorithm>

namespace user {

namespace {

bool Within(HWND ancestor, HWND hwnd) { return hwnd && (hwnd == ancestor || IsChild(ancestor, hwnd)); }

// The deepest window at a point of `w`'s client area (client pixels),
// skipping hidden windows and those that let the mouse through.
HWND WindowAt(Window& w, POINT point, POINT screen)
{
    for (HWND c : w.children) {
        std::shared_ptr<Window> child = Peek(c);
        if (!child || !(child->style & WS_VISIBLE) || !PtInRect(&child->rect, point)) continue;
        LRESULT hit = SendMessageA(c, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
        if (hit == HTTRANSPARENT) continue;
        if (child->style & WS_DISABLED) return c;
        int border = BorderOf(*child);
        return WindowAt(*child, POINT{point.x - child->rect.left - border, point.y - child->rect.top - border}, screen);
    }
    return w.handle;
}

bool IsButtonDown(UINT message)
{
    return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
}

void SetKey(BYTE* keys, int vk, bool down)
{
    BYTE& k = keys[vk & 0xFF];
    if (down && !(k & 0x80)) k ^= 0x01;  // the toggle state changes on each press
    k = BYTE(down ? (k | 0x80) : (k & ~0x80));
}

}  // namespace

InputState& Input()
{
    static auto* state = new InputState;
    return *state;
}

bool MessageFromInput(const InputRecord& record, MSG* msg)
{
    InputState& in = Input();
    switch (record.kind) {
    case InputRecord::Kind::Mouse: {
        std::shared_ptr<Window> top = Peek(record.topLevel);
        if (!top || !Showing(*top)) return false;
        POINT screen{top->rect.left + record.point.x, top->rect.top + record.point.y};
        HWND target = nullptr;
        if (Peek(in.capture)) {
            target = in.capture;
        } else {
            if (top->style & WS_DISABLED) return false;  // the owner of a modal window
            target = WindowAt(*top, record.point, screen);
            if (!IsWindowEnabled(target)) return false;
        }
        std::shared_ptr<Window> t = Peek(target);
        if (!t) return false;
        POINT origin = ClientOriginOnScreen(*t);
        *msg = MSG{target, record.message, record.keys,
                   MAKELPARAM(screen.x - origin.x, screen.y - origin.y), record.time, screen};
        // The wheel goes to the window under the pointer, with the
        // pointer's screen position.
        if (record.message == WM_MOUSEWHEEL) {
            msg->wParam = MAKEWPARAM(record.keys, WORD(short(record.wheel)));
            msg->lParam = MAKELPARAM(screen.x, screen.y);
        }
        return true;
    }
    case InputRecord::Kind::Key:
    case InputRecord::Kind::Char: {
        HWND target = Peek(in.focus) ? in.focus : Peek(in.active) ? in.active : nullptr;
        if (!target) return false;
        LPARAM lParam = 1 | (LPARAM(MapVirtualKeyA(UINT(record.virtualKey), 0) & 0xFF) << 16);
        if (record.message == WM_KEYUP) lParam |= LPARAM(0xC0000000u);
        WPARAM wParam = record.kind == InputRecord::Kind::Char ? WPARAM(record.character) : WPARAM(record.virtualKey);
        *msg = MSG{target, record.message, wParam, lParam, record.time, in.cursor};
        return true;
    }
    }
    return false;
}

void ApplyKeyState(const MSG& msg)
{
    InputState& in = Input();
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: SetKey(in.keys, int(msg.wParam), true); break;
    case WM_KEYUP:
    case WM_SYSKEYUP: SetKey(in.keys, int(msg.wParam), false); break;
    case WM_LBUTTONDOWN: SetKey(in.keys, VK_LBUTTON, true); break;
    case WM_LBUTTONUP: SetKey(in.keys, VK_LBUTTON, false); break;
    case WM_RBUTTONDOWN: SetKey(in.keys, VK_RBUTTON, true); break;
    case WM_RBUTTONUP: SetKey(in.keys, VK_RBUTTON, false); break;
    case WM_MBUTTONDOWN: SetKey(in.keys, VK_MBUTTON, true); break;
    case WM_MBUTTONUP: SetKey(in.keys, VK_MBUTTON, false); break;
    default: break;
    }
    // A click activates the window it lands in.
    if (IsButtonDown(msg.message)) {
        HWND top = TopLevelOf(msg.hwnd);
        if (top && top != in.active && IsWindowEnabled(top)) Activate(top);
    }
}

void HandleHostEvent(const winplat::HostEvent& event)
{
    using Kind = winplat::HostEvent::Kind;
    InputState& in = Input();
    HWND top = WindowOfPresenterId(event.window);
    InputRecord record;
    record.time = GetTickCount();
    switch (event.kind) {
    case Kind::MouseMove:
    case Kind::MouseDown:
    case Kind::MouseUp:
    case Kind::MouseWheel: {
        std::shared_ptr<Window> w = Peek(top);
        if (!w) return;
        in.cursor = POINT{w->rect.left + event.x, w->rect.top + event.y};
        UINT bit = event.button == 1 ? MK_RBUTTON : event.button == 2 ? MK_MBUTTON : MK_LBUTTON;
        int vk = event.button == 1 ? VK_RBUTTON : event.button == 2 ? VK_MBUTTON : VK_LBUTTON;
        if (event.kind == Kind::MouseDown) in.buttons |= bit;
        if (event.kind == Kind::MouseUp) in.buttons &= ~bit;
        SetKey(in.asyncKeys, vk, (in.buttons & bit) != 0);
        record.kind = InputRecord::Kind::Mouse;
        record.topLevel = top;
        record.point = POINT{event.x, event.y};
        record.keys = in.buttons;
        if (event.shift || (in.asyncKeys[VK_SHIFT] & 0x80)) record.keys |= MK_SHIFT;
        if (event.control || (in.asyncKeys[VK_CONTROL] & 0x80)) record.keys |= MK_CONTROL;
        static const UINT down[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
        static const UINT up[3] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
        int button = std::clamp(event.button, 0, 2);
        record.message = event.kind == Kind::MouseMove    ? UINT(WM_MOUSEMOVE)
                         : event.kind == Kind::MouseWheel ? UINT(WM_MOUSEWHEEL)
                         : event.kind == Kind::MouseDown  ? down[button]
                                                          : up[button];
        record.wheel = event.wheel;
        // Moves that nobody has taken yet are replaced by the newer one.
        std::shared_ptr<Queue> q = CurrentQueue();
        if (record.message == WM_MOUSEMOVE && !q->input.empty() && q->input.back().message == WM_MOUSEMOVE &&
            q->input.back().topLevel == top) {
            q->input.back() = record;
            return;
        }
        break;
    }
    case Kind::KeyDown:
    case Kind::KeyUp:
        SetKey(in.asyncKeys, event.virtualKey, event.kind == Kind::KeyDown);
        record.kind = InputRecord::Kind::Key;
        record.message = event.kind == Kind::KeyDown ? WM_KEYDOWN : WM_KEYUP;
        record.virtualKey = event.virtualKey;
        record.character = event.kind == Kind::KeyDown ? event.character : 0;
        break;
    case Kind::Char:
        record.kind = InputRecord::Kind::Char;
        record.message = WM_CHAR;
        record.character = event.character;
        break;
    case Kind::Close:
        if (IsWindowEnabled(top)) PostMessageA(top, WM_SYSCOMMAND, SC_CLOSE, 0);
        return;
    case Kind::FocusGained:
        if (IsWindowEnabled(top) && IsWindowVisible(top)) Activate(top);
        return;
    default:
        return;
    }
    PostInput(record);
}

void Activate(HWND hwnd)
{
    InputState& in = Input();
    HWND top = hwnd ? TopLevelOf(hwnd) : nullptr;
    if (top == in.active && (top || !in.focus)) return;
    HWND old = Peek(in.active) ? in.active : nullptr;
    if (old) {
        SendMessageA(old, WM_NCACTIVATE, FALSE, 0);
        SendMessageA(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(top));
    }
    in.active = top;
    if (top) {
        winplat::ThePresenter().Activate(PresenterId(top));
        SendMessageA(top, WM_NCACTIVATE, TRUE, 0);
        SendMessageA(top, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
    } else if (in.focus) {
        SetFocus(nullptr);
    }
}

void ActivateAnotherThan(HWND hwnd)
{
    std::shared_ptr<Window> w = Peek(hwnd);
    HWND owner = w ? w->owner : nullptr;
    auto usable = [hwnd](HWND candidate) {
        std::shared_ptr<Window> c = Peek(candidate);
        return c && candidate != hwnd && !c->destroying && Showing(*c) && !(c->style & WS_DISABLED);
    };
    if (usable(owner)) {
        Activate(owner);
        return;
    }
    for (HWND candidate : TopLevels()) {
        if (usable(candidate)) {
            Activate(candidate);
            return;
        }
    }
    Activate(nullptr);
}

void ForgetWindowInInput(HWND hwnd)
{
    InputState& in = Input();
    if (Within(hwnd, in.capture)) in.capture = nullptr;
    if (Within(hwnd, in.focus)) in.focus = nullptr;
    if (in.active == hwnd) ActivateAnotherThan(hwnd);
    if (in.active == hwnd) in.active = nullptr;
}

void ResetInput()
{
    InputState& in = Input();
    in = InputState{};
}

}  // namespace user

using namespace user;

HWND WINAPI GetFocus(void) { return Peek(Input().focus) ? Input().focus : nullptr; }

HWND WINAPI SetFocus(HWND hWnd)
{
    InputState& in = Input();
    if (hWnd) {
        std::shared_ptr<Window> w = Lookup(hWnd);
        if (!w || w->threadId != GetCurrentThreadId() || w->destroying) return nullptr;
        HWND top = TopLevelOf(hWnd);
        if (top != in.active) Activate(top);
        if (!IsWindow(hWnd)) return nullptr;
    }
    HWND old = Peek(in.focus) ? in.focus : nullptr;
    if (old == hWnd) return old;
    if (old) SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
    if (hWnd && !IsWindow(hWnd)) return old;
    in.focus = hWnd;
    if (hWnd) SendMessageA(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    DialogFocusChanged(old, hWnd);
    return old;
}

HWND WINAPI GetActiveWindow(void) { return Peek(Input().active) ? Input().active : nullptr; }

HWND WINAPI SetActiveWindow(HWND hWnd)
{
    HWND old = GetActiveWindow();
    if (hWnd && !Lookup(hWnd)) return nullptr;
    Activate(hWnd);
    return old;
}

BOOL WINAPI SetForegroundWindow(HWND hWnd)
{
    if (!Lookup(hWnd)) return FALSE;
    Activate(hWnd);
    return TRUE;
}

HWND WINAPI GetForegroundWindow(void) { return GetActiveWindow(); }

HWND WINAPI GetCapture(void) { return Peek(Input().capture) ? Input().capture : nullptr; }

HWND WINAPI SetCapture(HWND hWnd)
{
    if (!Lookup(hWnd)) return nullptr;
    InputState& in = Input();
    HWND old = GetCapture();
    in.capture = hWnd;
    if (old && old != hWnd) SendMessageA(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hWnd));
    return old;
}

BOOL WINAPI ReleaseCapture(void)
{
    InputState& in = Input();
    HWND old = GetCapture();
    in.capture = nullptr;
    if (old) SendMessageA(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

SHORT WINAPI GetKeyState(int nVirtKey)
{
    BYTE k = Input().keys[nVirtKey & 0xFF];
    return SHORT(((k & 0x80) ? 0x8000 : 0) | (k & 0x01));
}

SHORT WINAPI GetAsyncKeyState(int vKey)
{
    BYTE k = Input().asyncKeys[vKey & 0xFF];
    return SHORT((k & 0x80) ? 0x8000 : 0);
}

BOOL WINAPI GetCursorPos(LPPOINT lpPoint)
{
    if (!lpPoint) return FALSE;
    *lpPoint = Input().cursor;
    return TRUE;
}

BOOL WINAPI MessageBeep(UINT) { return TRUE; }

UINT WINAPI MapVirtualKeyA(UINT uCode, UINT uMapType)
{
    // Scan codes of a US keyboard for the keys the stand-in knows.
    if (uMapType != 0) return 0;
    static const struct { UINT vk, scan; } table[] = {
        {VK_ESCAPE, 0x01}, {VK_BACK, 0x0E}, {VK_TAB, 0x0F}, {VK_RETURN, 0x1C}, {VK_CONTROL, 0x1D},
        {VK_SHIFT, 0x2A}, {VK_MENU, 0x38}, {VK_SPACE, 0x39}, {VK_HOME, 0x47}, {VK_UP, 0x48}, {VK_PRIOR, 0x49},
        {VK_LEFT, 0x4B}, {VK_RIGHT, 0x4D}, {VK_END, 0x4F}, {VK_DOWN, 0x50}, {VK_NEXT, 0x51}, {VK_INSERT, 0x52},
        {VK_DELETE, 0x53}};
    for (const auto& entry : table) {
        if (entry.vk == uCode) return entry.scan;
    }
    static const char row1[] = "QWERTYUIOP", row2[] = "ASDFGHJKL", row3[] = "ZXCVBNM";
    for (UINT i = 0; row1[i]; ++i) if (uCode == UINT(row1[i])) return 0x10 + i;
    for (UINT i = 0; row2[i]; ++i) if (uCode == UINT(row2[i])) return 0x1E + i;
    for (UINT i = 0; row3[i]; ++i) if (uCode == UINT(row3[i])) return 0x2C + i;
    if (uCode >= '1' && uCode <= '9') return 0x02 + (uCode - '1');
    if (uCode == '0') return 0x0B;
    return 0;
}
