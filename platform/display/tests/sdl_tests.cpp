// The SDL presenter on a real X display (run under xvfb-run): a window is
// shown with its picture, which is read back from the display.
#include <windows.h>
#include <winplat/automation.h>
#include <winplat/display.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace wa = winplat::automation;

namespace {

LRESULT CALLBACK PaintProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        RECT r{0, 0, 240, 160};
        FillRect(hdc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        RECT box{20, 20, 120, 80};
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        FillRect(hdc, &box, red);
        DeleteObject(red);
        SetBkMode(hdc, TRANSPARENT);
        SetTextColor(hdc, RGB(0, 225, 0));
        TextOutA(hdc, 20, 100, "SDL presenter", 13);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(SdlPresenter, ShowsAWindowAndReadsItsPictureBack)
{
    ASSERT_TRUE(winplat::SelectPresenter("sdl")) << "SDL could not open the display";
    winplat::Presenter& presenter = winplat::ThePresenter();
    EXPECT_STREQ(presenter.Name(), "sdl");
    WNDCLASSA wc{};
    wc.lpfnWndProc = PaintProc;
    wc.lpszClassName = "SdlTest";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "SdlTest", "SDL presenter", WS_POPUP | WS_CAPTION | WS_SYSMENU, 100, 100, 240,
                                160, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    // Let the X server map the window, then look at what it shows.
    for (int i = 0; i < 20; ++i) {
        wa::PumpUntilIdle();
        Sleep(10);
    }
    winplat::Image shown;
    ASSERT_TRUE(presenter.ReadBack(uint32_t(reinterpret_cast<uintptr_t>(hwnd)), &shown));
    ASSERT_GE(shown.width, 240);
    ASSERT_GE(shown.height, 160);
    EXPECT_EQ(shown.At(50, 50) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(shown.At(5, 5) & 0xFFFFFF, 0u);
    int green = 0;
    for (int y = 95; y < 125; ++y) {
        for (int x = 15; x < 200; ++x) green += (shown.At(x, y) & 0xFFFFFF) == 0x00E100;
    }
    EXPECT_GT(green, 20);
    const char* scratch = std::getenv("WINPLAT_TEST_SCRATCH");
    std::string path = std::string(scratch ? scratch : "/tmp") + "/sdl_presenter.png";
    EXPECT_TRUE(winplat::SavePng(shown, path));
    std::printf("screenshot: %s\n", path.c_str());

    // A message box on the display, answered by the automation.
    EXPECT_FALSE(wa::Unattended());
    wa::WhenModalKey(VK_RETURN);
    EXPECT_EQ(MessageBoxA(hwnd, "On the display", "SDL presenter", MB_YESNO | MB_DEFBUTTON2), IDNO);
    DestroyWindow(hwnd);
}

}  // namespace
