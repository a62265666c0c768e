// ESC_SET_NOTIFY_WINDOW checks its window with the window manager.
#include "DriverFixture.h"

namespace minidriver_tests {
namespace {

using Escapes = CameraDriverTest;

TEST_F(Escapes, NotifyWindowMustBeAWindow)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "MinidriverTestWindow";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    HWND window = CreateWindowExA(0, "MinidriverTestWindow", "test", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    DWORD handle = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(window));
    EXPECT_EQ(Escape(ESC_SET_NOTIFY_WINDOW, Params(handle)), S_OK);
    ESC_PARAMS params = Params(handle);
    EXPECT_EQ(Escape(ESC_SET_NOTIFY_WINDOW, &params, 23, nullptr, 0, nullptr), E_INVALIDARG);
    DestroyWindow(window);
    EXPECT_EQ(Escape(ESC_SET_NOTIFY_WINDOW, Params(handle)), E_INVALIDARG);
    EXPECT_EQ(Escape(ESC_SET_NOTIFY_WINDOW, Params(0)), E_INVALIDARG);
    UnregisterClassA("MinidriverTestWindow", GetModuleHandleA(nullptr));
}

}  // namespace
}  // namespace minidriver_tests
