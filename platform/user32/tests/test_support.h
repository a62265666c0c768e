// Shared pieces of the user32 tests: a headless display, a clean state per
// test, and windows that log the messages they get.
#pragma once

#include <windows.h>
#include <winplat/automation.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace test {

struct Logged {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Every test starts with no windows and an empty queue.
class UiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        winplat::SelectPresenter("headless");
        winplat::automation::Reset();
        Log().clear();
    }
    void TearDown() override { winplat::automation::Reset(); }

public:
    static std::vector<Logged>& Log()
    {
        static std::vector<Logged> log;
        return log;
    }
    // The logged messages of one window (or all) among those given.
    static std::vector<UINT> Messages(HWND hwnd, std::initializer_list<UINT> wanted)
    {
        std::vector<UINT> out;
        for (const Logged& l : Log()) {
            if (hwnd && l.hwnd != hwnd) continue;
            for (UINT w : wanted) {
                if (l.message == w) out.push_back(l.message);
            }
        }
        return out;
    }
};

// A window class whose windows log paint, erase, mouse, key and focus
// messages and paint their client area in a colour of their own.
inline LRESULT CALLBACK LoggingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT: case WM_ERASEBKGND: case WM_NCPAINT: case WM_LBUTTONDOWN: case WM_LBUTTONUP:
    case WM_MOUSEMOVE: case WM_KEYDOWN: case WM_KEYUP: case WM_CHAR: case WM_SETFOCUS: case WM_KILLFOCUS:
    case WM_ACTIVATE: case WM_COMMAND: case WM_DRAWITEM: case WM_CREATE: case WM_DESTROY: case WM_NCDESTROY:
    case WM_SHOWWINDOW: case WM_ENABLE: case WM_USER: case WM_CAPTURECHANGED:
        UiTest::Log().push_back({hwnd, msg, wParam, lParam});
        break;
    default: break;
    }
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        RECT r;
        GetClientRect(hwnd, &r);
        HBRUSH brush = CreateSolidBrush(COLORREF(GetWindowLongPtrA(hwnd, GWLP_USERDATA)));
        FillRect(hdc, &r, brush);
        DeleteObject(brush);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

inline const char* LoggingClass()
{
    static bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = LoggingProc;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = "TestLogging";
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
    return "TestLogging";
}

// A logging window painted in `color`.
inline HWND MakeWindow(HWND parent, int x, int y, int w, int h, COLORREF color, DWORD style = 0, int id = 0)
{
    DWORD s = (style & ~WS_VISIBLE) | (parent ? WS_CHILD : WS_POPUP);
    HWND hwnd = CreateWindowExA(0, LoggingClass(), "test", s, x, y, w, h, parent,
                                reinterpret_cast<HMENU>(intptr_t(id)), nullptr, nullptr);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, LONG_PTR(color));
    if (hwnd && (style & WS_VISIBLE)) ShowWindow(hwnd, parent ? SW_SHOWNA : SW_SHOW);
    return hwnd;
}

inline COLORREF Pixel(HWND hwnd, int x, int y) { return winplat::automation::PixelAt(hwnd, POINT{x, y}); }

}  // namespace test
