// Windows: creation and the CBT hook, subclassing, long values, relatives,
// coordinates, input state, resources and bad handles.
#include "test_support.h"

#include "../user.h"

#include <winplat/objects.h>
#include <winplat/resources.h>

#include <cstring>
#include <functional>
#include <thread>

using namespace test;
namespace wa = winplat::automation;

namespace {

class Windows : public UiTest {};

std::vector<std::pair<HWND, std::string>> g_created;
HHOOK g_hook = nullptr;

LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        auto* cbt = reinterpret_cast<CBT_CREATEWNDA*>(lParam);
        HWND hwnd = reinterpret_cast<HWND>(wParam);
        // The window exists but has had no message yet.
        EXPECT_TRUE(IsWindow(hwnd));
        g_created.push_back({hwnd, cbt->lpcs->lpszName ? cbt->lpcs->lpszName : ""});
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

TEST_F(Windows, TheCbtHookSeesEveryNewWindowBeforeItsFirstMessage)
{
    g_created.clear();
    g_hook = SetWindowsHookExA(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
    ASSERT_NE(g_hook, nullptr);
    HWND hwnd = MakeWindow(nullptr, 0, 0, 10, 10, 0);
    UnhookWindowsHookEx(g_hook);
    ASSERT_EQ(g_created.size(), 1u);
    EXPECT_EQ(g_created[0].first, hwnd);
    EXPECT_EQ(g_created[0].second, "test");
    ASSERT_FALSE(Log().empty());
    EXPECT_EQ(Log()[0].message, UINT(WM_CREATE));
    MakeWindow(nullptr, 0, 0, 10, 10, 0);
    EXPECT_EQ(g_created.size(), 1u);  // unhooked
}

LRESULT CALLBACK RefusingHook(int, WPARAM, LPARAM) { return 1; }

TEST_F(Windows, AHookThatRefusesStopsTheCreation)
{
    HHOOK hook = SetWindowsHookExA(WH_CBT, RefusingHook, nullptr, GetCurrentThreadId());
    EXPECT_EQ(MakeWindow(nullptr, 0, 0, 10, 10, 0), nullptr);
    UnhookWindowsHookEx(hook);
    EXPECT_TRUE(wa::TopLevelWindows().empty());
}

WNDPROC g_original = nullptr;
int g_subclassed = 0;

LRESULT CALLBACK Subclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_USER) ++g_subclassed;
    return CallWindowProcA(g_original, hwnd, msg, wParam, lParam);
}

TEST_F(Windows, SubclassingThroughGwlpWndproc)
{
    HWND hwnd = MakeWindow(nullptr, 0, 0, 10, 10, 0);
    g_subclassed = 0;
    g_original = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Subclass)));
    EXPECT_EQ(g_original, &LoggingProc);
    SendMessageA(hwnd, WM_USER, 0, 0);
    EXPECT_EQ(g_subclassed, 1);
    EXPECT_EQ(Messages(hwnd, {WM_USER}).size(), 1u);  // the original still got it
}

TEST_F(Windows, LongValuesAndExtraBytes)
{
    HWND hwnd = MakeWindow(nullptr, 0, 0, 10, 10, 0);
    EXPECT_EQ(SetWindowLongPtrA(hwnd, GWLP_USERDATA, 99), LONG_PTR(0));
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), 99);
    // The test class has no extra bytes.
    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, 0), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_INDEX));
    HWND dlg = CreateWindowExA(0, "#32770", "d", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(dlg, DWLP_USER, 12345);
    EXPECT_EQ(GetWindowLongPtrA(dlg, DWLP_USER), 12345);
    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtrA(dlg, DLGWINDOWEXTRA), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_INDEX));
    HWND child = MakeWindow(hwnd, 0, 0, 5, 5, 0, 0, 1004);
    EXPECT_EQ(GetWindowLongA(child, GWL_ID), 1004);
    EXPECT_EQ(GetDlgCtrlID(child), 1004);
    EXPECT_TRUE(GetWindowLongA(child, GWL_STYLE) & WS_CHILD);
}

TEST_F(Windows, HandlesFitInThirtyTwoBitsAndComeFromTheObjectTable)
{
    HWND hwnd = MakeWindow(nullptr, 0, 0, 10, 10, 0);
    EXPECT_LT(reinterpret_cast<uintptr_t>(hwnd), uintptr_t(1) << 32);
    auto object = winplat::LookupObject(hwnd);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->Kind(), winplat::ObjectKind::Window);
    EXPECT_FALSE(CloseHandle(hwnd));
    EXPECT_TRUE(IsWindow(hwnd));
}

TEST_F(Windows, DestroyedWindowsAndBadHandlesFailCleanly)
{
    HWND hwnd = MakeWindow(nullptr, 0, 0, 10, 10, 0);
    HWND child = MakeWindow(hwnd, 0, 0, 5, 5, 0);
    Log().clear();
    EXPECT_TRUE(DestroyWindow(hwnd));
    // WM_DESTROY parent first, WM_NCDESTROY children first.
    std::vector<std::pair<HWND, UINT>> order;
    for (const Logged& l : Log()) {
        if (l.message == WM_DESTROY || l.message == WM_NCDESTROY) order.push_back({l.hwnd, l.message});
    }
    std::vector<std::pair<HWND, UINT>> expected{
        {hwnd, WM_DESTROY}, {child, WM_DESTROY}, {child, WM_NCDESTROY}, {hwnd, WM_NCDESTROY}};
    EXPECT_EQ(order, expected);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(IsWindow(child));
    for (HWND bad : {hwnd, reinterpret_cast<HWND>(0x7FFFFFF0), static_cast<HWND>(nullptr)}) {
        SetLastError(0);
        EXPECT_EQ(SendMessageA(bad, WM_USER, 0, 0), 0);
        if (bad) {
            EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
        }
        EXPECT_FALSE(PostMessageA(bad, WM_USER, 0, 0) && bad);
        EXPECT_FALSE(ShowWindow(bad, SW_SHOW));
        EXPECT_FALSE(DestroyWindow(bad));
        RECT r;
        EXPECT_FALSE(GetWindowRect(bad, &r));
        EXPECT_EQ(GetDlgItem(bad, 1), nullptr);
        EXPECT_FALSE(InvalidateRect(bad, nullptr, TRUE) && bad);
        EXPECT_EQ(SetWindowTextA(bad, "x"), FALSE);
        char text[4] = "abc";
        EXPECT_EQ(GetWindowTextA(bad, text, 4), 0);
        PAINTSTRUCT ps;
        EXPECT_EQ(BeginPaint(bad, &ps), nullptr);
    }
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_DOES_NOT_EXIST));
    EXPECT_EQ(CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(Windows, TextOfAnyLength)
{
    HWND hwnd = MakeWindow(nullptr, 0, 0, 10, 10, 0);
    std::string text(70000, 'q');
    EXPECT_TRUE(SetWindowTextA(hwnd, text.c_str()));
    EXPECT_EQ(GetWindowTextLengthA(hwnd), 70000);
    char small[8];
    EXPECT_EQ(GetWindowTextA(hwnd, small, sizeof small), 7);
    EXPECT_STREQ(small, "qqqqqqq");
    EXPECT_TRUE(SetWindowTextA(hwnd, nullptr));
    EXPECT_EQ(GetWindowTextLengthA(hwnd), 0);
}

TEST_F(Windows, CoordinatesOfChildren)
{
    HWND top = MakeWindow(nullptr, 100, 50, 400, 300, 0);
    HWND child = MakeWindow(top, 20, 30, 100, 100, 0, WS_BORDER);
    RECT r;
    GetWindowRect(child, &r);
    RECT expected{120, 80, 220, 180};
    EXPECT_TRUE(EqualRect(&r, &expected));
    GetClientRect(child, &r);
    RECT client{0, 0, 98, 98};
    EXPECT_TRUE(EqualRect(&r, &client));
    POINT p{0, 0};
    ClientToScreen(child, &p);
    EXPECT_EQ(p.x, 121);
    EXPECT_EQ(p.y, 81);
    ScreenToClient(top, &p);
    EXPECT_EQ(p.x, 21);
    EXPECT_EQ(p.y, 31);
    POINT q{5, 5};
    MapWindowPoints(child, top, &q, 1);
    EXPECT_EQ(q.x, 26);
    MoveWindow(child, 0, 0, 50, 60, TRUE);
    GetWindowRect(child, &r);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.bottom - r.top, 60);
}

TEST_F(Windows, ZOrderOfSiblingsAndGetWindow)
{
    HWND top = MakeWindow(nullptr, 0, 0, 100, 100, 0);
    HWND a = MakeWindow(top, 0, 0, 10, 10, 0);
    HWND b = MakeWindow(top, 0, 0, 10, 10, 0);
    EXPECT_EQ(GetWindow(top, GW_CHILD), a);  // the first made is on top
    EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
    SetWindowPos(b, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(GetWindow(top, GW_CHILD), b);
    EXPECT_EQ(GetParent(a), top);
    EXPECT_TRUE(IsChild(top, a));
}

TEST_F(Windows, FocusMessagesAndKeysGoToTheFocus)
{
    HWND top = MakeWindow(nullptr, 0, 0, 100, 100, 0, WS_VISIBLE);
    HWND a = MakeWindow(top, 0, 0, 10, 10, 0, WS_VISIBLE);
    HWND b = MakeWindow(top, 20, 0, 10, 10, 0, WS_VISIBLE);
    SetFocus(a);
    Log().clear();
    EXPECT_EQ(SetFocus(b), a);
    ASSERT_EQ(Messages(nullptr, {WM_SETFOCUS, WM_KILLFOCUS}), (std::vector<UINT>{WM_KILLFOCUS, WM_SETFOCUS}));
    EXPECT_EQ(Log()[0].hwnd, a);
    EXPECT_EQ(GetFocus(), b);
    Log().clear();
    wa::TypeText("Ab");
    std::vector<Logged> chars;
    for (const Logged& l : Log()) {
        if (l.message == WM_CHAR) chars.push_back(l);
    }
    ASSERT_EQ(chars.size(), 2u);
    EXPECT_EQ(chars[0].hwnd, b);
    EXPECT_EQ(chars[0].wParam, WPARAM('A'));
    EXPECT_EQ(chars[1].wParam, WPARAM('b'));
    EXPECT_EQ(Messages(b, {WM_KEYDOWN}).size(), 2u);
}

LRESULT CALLBACK KeyStateProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_LBUTTONDOWN) {
        UiTest::Log().push_back({hwnd, msg, wParam, (GetKeyState(VK_CONTROL) & 0x8000) ? 1 : 0});
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST_F(Windows, MouseKeyStatesAndGetKeyState)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = KeyStateProc;
    wc.lpszClassName = "TestKeyState";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "TestKeyState", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                                nullptr, nullptr);
    wa::Click(hwnd, POINT{10, 10}, MK_CONTROL);
    wa::Click(hwnd, POINT{10, 10}, MK_SHIFT);
    wa::Click(hwnd, POINT{10, 10});
    ASSERT_EQ(Log().size(), 3u);
    EXPECT_EQ(Log()[0].wParam, WPARAM(MK_LBUTTON | MK_CONTROL));
    EXPECT_EQ(Log()[0].lParam, 1);
    EXPECT_EQ(Log()[1].wParam, WPARAM(MK_LBUTTON | MK_SHIFT));
    EXPECT_EQ(Log()[1].lParam, 0);
    EXPECT_EQ(Log()[2].wParam, WPARAM(MK_LBUTTON));
    EXPECT_FALSE(GetKeyState(VK_CONTROL) & 0x8000);
    UnregisterClassA("TestKeyState", nullptr);
}

bool Down(SHORT state) { return (state & 0x8000) != 0; }

// Host input the automation has no call for: the right and middle buttons.
void HostButton(HWND top, winplat::HostEvent::Kind kind, int button)
{
    winplat::HostEvent e;
    e.kind = kind;
    e.window = user::PresenterId(top);
    e.x = 10;
    e.y = 10;
    e.button = button;
    user::HandleHostEvent(e);
    wa::PumpUntilIdle();
}

// Logs the middle and right button messages with the key states their
// handler sees: bit 0 the middle button, bit 1 the left, bit 2 the right.
LRESULT CALLBACK ButtonStateProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_MBUTTONDOWN || msg == WM_MBUTTONUP || msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP) {
        LPARAM seen = (Down(GetKeyState(VK_MBUTTON)) ? 1 : 0) | (Down(GetKeyState(VK_LBUTTON)) ? 2 : 0) |
                      (Down(GetKeyState(VK_RBUTTON)) ? 4 : 0);
        UiTest::Log().push_back({hwnd, msg, wParam, seen});
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST_F(Windows, EachMouseButtonHasItsOwnKeyState)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = ButtonStateProc;
    wc.lpszClassName = "TestButtonState";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "TestButtonState", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_TRUE(hwnd);
    using Kind = winplat::HostEvent::Kind;

    HostButton(hwnd, Kind::MouseDown, 2);
    EXPECT_TRUE(Down(GetAsyncKeyState(VK_MBUTTON)));
    EXPECT_TRUE(Down(GetKeyState(VK_MBUTTON)));
    EXPECT_FALSE(Down(GetAsyncKeyState(VK_LBUTTON))) << "the middle button is not the left one";
    EXPECT_FALSE(Down(GetKeyState(VK_LBUTTON)));
    EXPECT_FALSE(Down(GetAsyncKeyState(VK_RBUTTON)));
    HostButton(hwnd, Kind::MouseUp, 2);
    EXPECT_FALSE(Down(GetAsyncKeyState(VK_MBUTTON)));
    EXPECT_FALSE(Down(GetKeyState(VK_MBUTTON)));
    EXPECT_FALSE(Down(GetAsyncKeyState(VK_LBUTTON)));

    HostButton(hwnd, Kind::MouseDown, 1);
    EXPECT_TRUE(Down(GetAsyncKeyState(VK_RBUTTON)));
    EXPECT_TRUE(Down(GetKeyState(VK_RBUTTON)));
    EXPECT_FALSE(Down(GetAsyncKeyState(VK_LBUTTON)));
    EXPECT_FALSE(Down(GetAsyncKeyState(VK_MBUTTON)));
    HostButton(hwnd, Kind::MouseUp, 1);
    EXPECT_FALSE(Down(GetAsyncKeyState(VK_RBUTTON)));
    EXPECT_FALSE(Down(GetKeyState(VK_RBUTTON)));

    ASSERT_EQ(Log().size(), 4u);
    EXPECT_EQ(Log()[0].message, UINT(WM_MBUTTONDOWN));
    EXPECT_EQ(Log()[0].wParam, WPARAM(MK_MBUTTON));
    EXPECT_EQ(Log()[0].lParam, 1) << "the handler sees only the middle button down";
    EXPECT_EQ(Log()[1].message, UINT(WM_MBUTTONUP));
    EXPECT_EQ(Log()[1].lParam, 0);
    EXPECT_EQ(Log()[2].message, UINT(WM_RBUTTONDOWN));
    EXPECT_EQ(Log()[2].wParam, WPARAM(MK_RBUTTON));
    EXPECT_EQ(Log()[2].lParam, 4);
    EXPECT_EQ(Log()[3].message, UINT(WM_RBUTTONUP));
    EXPECT_EQ(Log()[3].lParam, 0);
    UnregisterClassA("TestButtonState", nullptr);
}

TEST_F(Windows, CaptureSendsTheMouseToItsWindow)
{
    HWND top = MakeWindow(nullptr, 0, 0, 200, 200, 0, WS_VISIBLE);
    HWND a = MakeWindow(top, 0, 0, 50, 50, 0, WS_VISIBLE);
    SetCapture(a);
    Log().clear();
    wa::Click(top, POINT{150, 150});
    ASSERT_EQ(Messages(a, {WM_LBUTTONDOWN}).size(), 1u);
    for (const Logged& l : Log()) {
        if (l.message == WM_LBUTTONDOWN) {
            EXPECT_EQ(GET_X_LPARAM(l.lParam), 150);
        }
    }
    ReleaseCapture();
    EXPECT_EQ(Messages(a, {WM_CAPTURECHANGED}).size(), 1u);
}

TEST_F(Windows, PostQuitMessageEndsGetMessage)
{
    HWND hwnd = MakeWindow(nullptr, 0, 0, 10, 10, 0);
    PostMessageA(hwnd, WM_USER, 0, 0);
    PostQuitMessage(3);
    MSG msg;
    EXPECT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, UINT(WM_USER));
    EXPECT_FALSE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, WPARAM(3));
}

TEST_F(Windows, PostMessageFromAnotherThreadWakesTheLoop)
{
    HWND hwnd = MakeWindow(nullptr, 0, 0, 10, 10, 0);
    std::thread poster([hwnd] {
        Sleep(20);
        PostMessageA(hwnd, WM_USER, 7, 0);
    });
    MSG msg;
    EXPECT_TRUE(GetMessageA(&msg, hwnd, WM_USER, WM_USER));
    EXPECT_EQ(msg.wParam, WPARAM(7));
    poster.join();
}

// ---- Resources -------------------------------------------------------------------

// A packed DIB: header, colour table, bottom-up rows.
std::vector<BYTE> MakeDib(int width, int height, int bits, const std::vector<RGBQUAD>& colours,
                          const std::function<int(int, int)>& pixel)
{
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = WORD(bits);
    size_t stride = ((size_t(width) * size_t(bits) + 31) / 32) * 4;
    std::vector<BYTE> out(sizeof h + colours.size() * 4 + stride * size_t(height));
    std::memcpy(out.data(), &h, sizeof h);
    if (!colours.empty()) std::memcpy(out.data() + sizeof h, colours.data(), colours.size() * 4);
    BYTE* bits0 = out.data() + sizeof h + colours.size() * 4;
    for (int y = 0; y < height; ++y) {
        BYTE* row = bits0 + size_t(height - 1 - y) * stride;  // top row last
        for (int x = 0; x < width; ++x) {
            int v = pixel(x, y);
            if (bits == 4) row[x / 2] |= BYTE((x % 2) ? v : v << 4);
            else if (bits == 8) row[x] = BYTE(v);
            else {
                row[x * 3] = BYTE(v);
                row[x * 3 + 1] = BYTE(v >> 8);
                row[x * 3 + 2] = BYTE(v >> 16);
            }
        }
    }
    return out;
}

COLORREF BitmapPixel(HBITMAP bitmap, int x, int y)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return c;
}

TEST_F(Windows, LoadBitmapConvertsPalettedAndTrueColourBitmaps)
{
    HMODULE module = GetModuleHandleA(nullptr);
    std::vector<RGBQUAD> palette{{0, 0, 0, 0}, {0, 255, 255, 0}, {255, 0, 0, 0}};
    palette.resize(16);
    static std::vector<BYTE> four = MakeDib(24, 24, 4, palette, [](int x, int y) { return y < 12 ? 1 : x < 12 ? 2 : 0; });
    palette.resize(256);
    static std::vector<BYTE> eight = MakeDib(100, 104, 8, palette, [](int x, int) { return x % 3; });
    static std::vector<BYTE> rgb = MakeDib(7, 5, 24, {}, [](int x, int y) { return (x == 0 && y == 0) ? 0xFF0000 : 0xFFFFFF; });  // 0xRRGGBB
    winplat::RegisterResource(module, RT_BITMAP, "PREVU", four.data(), DWORD(four.size()));
    winplat::RegisterResource(module, RT_BITMAP, MAKEINTRESOURCEA(168), eight.data(), DWORD(eight.size()));
    winplat::RegisterResource(module, RT_BITMAP, MAKEINTRESOURCEA(7), rgb.data(), DWORD(rgb.size()));

    HBITMAP prev = LoadBitmapA(module, "prevu");  // names in any letter case
    ASSERT_NE(prev, nullptr);
    EXPECT_EQ(BitmapPixel(prev, 0, 0), RGB(255, 255, 0));  // top rows: entry 1
    EXPECT_EQ(BitmapPixel(prev, 0, 23), RGB(0, 0, 255));   // bottom-left: entry 2
    EXPECT_EQ(BitmapPixel(prev, 23, 23), RGB(0, 0, 0));

    HBITMAP frame = LoadBitmapA(module, MAKEINTRESOURCEA(168));
    BITMAP bm{};
    ASSERT_EQ(GetObjectA(frame, sizeof bm, &bm), 24);
    EXPECT_EQ(bm.bmWidth, 100);
    EXPECT_EQ(bm.bmHeight, 104);
    EXPECT_EQ(bm.bmPlanes, 1);
    EXPECT_EQ(bm.bmBitsPixel, 32);  // the display's format
    EXPECT_EQ(bm.bmWidthBytes, 400);
    EXPECT_EQ(BitmapPixel(frame, 1, 50), RGB(255, 255, 0));

    HBITMAP small = LoadBitmapA(module, MAKEINTRESOURCEA(7));
    EXPECT_EQ(BitmapPixel(small, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(BitmapPixel(small, 1, 0), RGB(255, 255, 255));

    EXPECT_EQ(LoadBitmapA(module, "NOSUCHU"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
    // Bits cut short are refused.
    static std::vector<BYTE> cut(eight.begin(), eight.end() - 100);
    winplat::RegisterResource(module, RT_BITMAP, MAKEINTRESOURCEA(158), cut.data(), DWORD(cut.size()));
    EXPECT_EQ(LoadBitmapA(module, MAKEINTRESOURCEA(158)), nullptr);
    for (HBITMAP b : {prev, frame, small}) DeleteObject(b);
    winplat::UnregisterResources(module);
    EXPECT_EQ(LoadBitmapA(module, MAKEINTRESOURCEA(7)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_TYPE_NOT_FOUND));
}

TEST_F(Windows, IconGroupsAndWmSetIcon)
{
    HMODULE module = GetModuleHandleA(nullptr);
    // One 32 x 32 icon of 4 bits, red, with a transparent top-left pixel:
    // the colour rows, then the 1-bit mask rows, both bottom-up.
    static std::vector<BYTE> icon;
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = 32;
    h.biHeight = 64;
    h.biPlanes = 1;
    h.biBitCount = 4;
    icon.resize(sizeof h + 16 * 4 + 32 * 16 + 32 * 4, 0);
    std::memcpy(icon.data(), &h, sizeof h);
    RGBQUAD red{0, 0, 255, 0};
    std::memcpy(icon.data() + sizeof h + 4, &red, 4);
    std::fill(icon.begin() + sizeof h + 64, icon.begin() + sizeof h + 64 + 32 * 16, BYTE(0x11));
    icon[sizeof h + 64 + 32 * 16 + 31 * 4] = 0x80;
    static BYTE group[6 + sizeof(GRPICONDIRENTRY)] = {0, 0, 1, 0, 1, 0};
    GRPICONDIRENTRY entry{32, 32, 16, 0, 1, 4, DWORD(icon.size()), 1};
    std::memcpy(group + 6, &entry, sizeof entry);
    winplat::RegisterResource(module, RT_ICON, MAKEINTRESOURCEA(1), icon.data(), DWORD(icon.size()));
    winplat::RegisterResource(module, RT_GROUP_ICON, MAKEINTRESOURCEA(128), group, sizeof group);
    HICON hIcon = LoadIconA(module, MAKEINTRESOURCEA(128));
    ASSERT_NE(hIcon, nullptr);
    EXPECT_EQ(LoadIconA(module, MAKEINTRESOURCEA(128)), hIcon);  // shared
    HWND hwnd = MakeWindow(nullptr, 0, 0, 64, 64, RGB(0, 255, 0), WS_VISIBLE);
    EXPECT_EQ(SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hIcon)), 0);
    EXPECT_EQ(SendMessageA(hwnd, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(hIcon));
    EXPECT_EQ(SendMessageA(hwnd, WM_GETICON, ICON_SMALL, 0), 0);
    HDC dc = GetDC(hwnd);
    EXPECT_TRUE(DrawIcon(dc, 0, 0, hIcon));
    ReleaseDC(hwnd, dc);
    EXPECT_EQ(Pixel(hwnd, 5, 5), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(hwnd, 0, 0), RGB(0, 255, 0));  // transparent
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
    EXPECT_EQ(LoadIconA(module, MAKEINTRESOURCEA(129)), nullptr);
    winplat::UnregisterResources(module);
}

TEST_F(Windows, StringsAndCursors)
{
    HMODULE module = GetModuleHandleA(nullptr);
    // Block 2 holds ids 16 to 31; id 17 is "Hi".
    static WORD block[16 + 2] = {0, 2, 'H', 'i'};
    winplat::RegisterResource(module, RT_STRING, MAKEINTRESOURCEA(2), block, sizeof block);
    char text[16];
    EXPECT_EQ(LoadStringA(module, 17, text, sizeof text), 2);
    EXPECT_STREQ(text, "Hi");
    EXPECT_EQ(LoadStringA(module, 17, text, 2), 1);
    EXPECT_STREQ(text, "H");
    EXPECT_EQ(LoadStringA(module, 16, text, sizeof text), 0);
    EXPECT_EQ(LoadStringA(module, 500, text, sizeof text), 0);
    winplat::UnregisterResources(module);
    HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    ASSERT_NE(wait, nullptr);
    ASSERT_NE(arrow, wait);
    SetCursor(wait);
    EXPECT_EQ(SetCursor(arrow), wait);
    EXPECT_EQ(GetCursor(), arrow);
}

TEST_F(Windows, SystemMetricsAndColours)
{
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(192, 192, 192));
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    EXPECT_TRUE(DeleteObject(face));
    EXPECT_EQ(GetObjectType(face), DWORD(OBJ_BRUSH));  // system brushes stay
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
    RECT a{0, 0, 10, 10}, b{5, 5, 20, 20}, out;
    EXPECT_TRUE(IntersectRect(&out, &a, &b));
    RECT expected{5, 5, 10, 10};
    EXPECT_TRUE(EqualRect(&out, &expected));
    EXPECT_TRUE(PtInRect(&a, POINT{0, 0}));
    EXPECT_FALSE(PtInRect(&a, POINT{10, 0}));
}

}  // namespace
