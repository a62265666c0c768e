// Painting: update regions, erasing before painting, the order of parents
// and children, and what reaches the presented picture.
#include "test_support.h"

#include <winplat/gdi.h>

using namespace test;
namespace wa = winplat::automation;

namespace {

// Records the clip region each WM_ERASEBKGND and WM_PAINT had.
struct PaintRecord {
    UINT message;
    RECT clip;
    int complexity;
    bool containsCentre;
    RECT paint;
    BOOL fErase;
};
std::vector<PaintRecord> g_paints;
bool g_eraseHandled = true;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ERASEBKGND) {
        HDC hdc = reinterpret_cast<HDC>(wParam);
        RECT clip;
        int complexity = GetClipBox(hdc, &clip);
        g_paints.push_back({msg, clip, complexity, PtVisible(hdc, 150, 150) != FALSE, {}, FALSE});
        if (!g_eraseHandled) return 0;
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(hdc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return 1;
    }
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        RECT clip;
        int complexity = GetClipBox(hdc, &clip);
        g_paints.push_back({msg, clip, complexity, PtVisible(hdc, 150, 150) != FALSE, ps.rcPaint, ps.fErase});
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND MakeRecordingWindow()
{
    static bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = "TestRecording";
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
    HWND hwnd = CreateWindowExA(0, "TestRecording", "rec", WS_POPUP | WS_VISIBLE, 10, 10, 400, 300, nullptr, nullptr,
                                nullptr, nullptr);
    wa::PumpUntilIdle();
    // White all over, so that what later paints show.
    HDC hdc = GetDC(hwnd);
    RECT r{0, 0, 400, 300};
    FillRect(hdc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(hwnd, hdc);
    g_paints.clear();
    return hwnd;
}

class Paint : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        g_paints.clear();
        g_eraseHandled = true;
    }
};

TEST_F(Paint, InvalidatingAFrameAndValidatingTheBoxInsideLeavesARing)
{
    HWND hwnd = MakeRecordingWindow();
    RECT frame{100, 100, 216, 186};
    RECT box{115, 112, 201, 174};
    InvalidateRect(hwnd, &frame, TRUE);
    ValidateRect(hwnd, &box);
    RECT update;
    ASSERT_TRUE(GetUpdateRect(hwnd, &update, FALSE));
    EXPECT_TRUE(EqualRect(&update, &frame));
    wa::PumpUntilIdle();
    ASSERT_EQ(g_paints.size(), 2u);
    // Erasing comes first, within the ring only.
    EXPECT_EQ(g_paints[0].message, UINT(WM_ERASEBKGND));
    EXPECT_EQ(g_paints[0].complexity, COMPLEXREGION);
    EXPECT_TRUE(EqualRect(&g_paints[0].clip, &frame));
    EXPECT_FALSE(g_paints[0].containsCentre);
    EXPECT_EQ(g_paints[1].message, UINT(WM_PAINT));
    EXPECT_EQ(g_paints[1].complexity, COMPLEXREGION);
    EXPECT_FALSE(g_paints[1].containsCentre);
    EXPECT_TRUE(EqualRect(&g_paints[1].paint, &frame));
    EXPECT_FALSE(g_paints[1].fErase);
    // The picture: black ring, the box untouched.
    EXPECT_EQ(Pixel(hwnd, 100, 100), RGB(0, 0, 0));
    EXPECT_EQ(Pixel(hwnd, 215, 185), RGB(0, 0, 0));
    EXPECT_NE(Pixel(hwnd, 150, 150), RGB(0, 0, 0));
    EXPECT_NE(Pixel(hwnd, 99, 99), RGB(0, 0, 0));
}

TEST_F(Paint, EraseOnlyWhereAskedAndFEraseWhenNotDone)
{
    HWND hwnd = MakeRecordingWindow();
    RECT a{0, 0, 50, 50}, b{200, 200, 250, 250};
    InvalidateRect(hwnd, &a, FALSE);
    wa::PumpUntilIdle();
    ASSERT_EQ(g_paints.size(), 1u);
    EXPECT_EQ(g_paints[0].message, UINT(WM_PAINT));
    g_paints.clear();
    InvalidateRect(hwnd, &a, FALSE);
    InvalidateRect(hwnd, &b, TRUE);
    g_eraseHandled = false;
    wa::PumpUntilIdle();
    ASSERT_EQ(g_paints.size(), 2u);
    EXPECT_EQ(g_paints[0].message, UINT(WM_ERASEBKGND));
    EXPECT_TRUE(EqualRect(&g_paints[0].clip, &b));
    EXPECT_EQ(g_paints[1].message, UINT(WM_PAINT));
    EXPECT_TRUE(g_paints[1].fErase);  // the window did not erase
    RECT both{0, 0, 250, 250};
    EXPECT_TRUE(EqualRect(&g_paints[1].paint, &both));
}

TEST_F(Paint, PaintComesOnlyWhenNothingElseIsQueued)
{
    HWND hwnd = MakeWindow(nullptr, 0, 0, 100, 100, RGB(255, 0, 0), WS_VISIBLE);
    wa::PumpUntilIdle();
    Log().clear();
    InvalidateRect(hwnd, nullptr, TRUE);
    PostMessageA(hwnd, WM_USER, 1, 0);
    PostMessageA(hwnd, WM_USER, 2, 0);
    wa::PumpUntilIdle();
    EXPECT_EQ(Messages(hwnd, {WM_USER, WM_PAINT, WM_ERASEBKGND}),
              (std::vector<UINT>{WM_USER, WM_USER, WM_PAINT, WM_ERASEBKGND}));
    // WM_ERASEBKGND is logged inside BeginPaint, after WM_PAINT arrived.
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(Paint, ChildrenArePaintedAfterAndOverTheirParent)
{
    HWND parent = MakeWindow(nullptr, 0, 0, 200, 200, RGB(255, 0, 0), WS_VISIBLE);
    HWND child = MakeWindow(parent, 50, 50, 40, 40, RGB(0, 0, 255), WS_VISIBLE);
    wa::PumpUntilIdle();
    EXPECT_EQ(Pixel(parent, 60, 60), RGB(0, 0, 255));
    Log().clear();
    // The parent does not clip its children: repainting it whole repaints
    // the child too, after it.
    InvalidateRect(parent, nullptr, TRUE);
    wa::PumpUntilIdle();
    std::vector<HWND> order;
    for (const Logged& l : Log()) {
        if (l.message == WM_PAINT) order.push_back(l.hwnd);
    }
    EXPECT_EQ(order, (std::vector<HWND>{parent, child}));
    EXPECT_EQ(Pixel(parent, 60, 60), RGB(0, 0, 255));
    EXPECT_EQ(Pixel(parent, 10, 10), RGB(255, 0, 0));
}

TEST_F(Paint, ClipChildrenKeepsTheParentOffItsChildren)
{
    HWND parent = MakeWindow(nullptr, 0, 0, 200, 200, RGB(255, 0, 0), WS_VISIBLE | WS_CLIPCHILDREN);
    HWND child = MakeWindow(parent, 50, 50, 40, 40, RGB(0, 0, 255), WS_VISIBLE);
    wa::PumpUntilIdle();
    Log().clear();
    InvalidateRect(parent, nullptr, TRUE);
    wa::PumpUntilIdle();
    EXPECT_TRUE(Messages(child, {WM_PAINT}).empty());
    EXPECT_EQ(Pixel(parent, 60, 60), RGB(0, 0, 255));
}

TEST_F(Paint, HidingAChildUncoversItsParent)
{
    HWND parent = MakeWindow(nullptr, 0, 0, 200, 200, RGB(255, 0, 0), WS_VISIBLE);
    HWND child = MakeWindow(parent, 50, 50, 40, 40, RGB(0, 0, 255), WS_VISIBLE);
    wa::PumpUntilIdle();
    ShowWindow(child, SW_HIDE);
    wa::PumpUntilIdle();
    EXPECT_EQ(Pixel(parent, 60, 60), RGB(255, 0, 0));
    ShowWindow(child, SW_SHOW);
    wa::PumpUntilIdle();
    EXPECT_EQ(Pixel(parent, 60, 60), RGB(0, 0, 255));
}

TEST_F(Paint, UpdateWindowPaintsAtOnceWithoutAMessageLoop)
{
    HWND hwnd = MakeWindow(nullptr, 0, 0, 100, 100, RGB(255, 0, 0), WS_VISIBLE);
    wa::PumpUntilIdle();
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, LONG_PTR(RGB(0, 255, 0)));
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    winplat::Image image;
    ASSERT_TRUE(winplat::ThePresenter().Snapshot(uint32_t(reinterpret_cast<uintptr_t>(hwnd)), &image));
    EXPECT_EQ(winplat::ColorRefFromPixel(image.At(5, 5)), RGB(0, 255, 0));
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
}

TEST_F(Paint, ShowingATopLevelWindowPresentsItAtOnce)
{
    HWND hwnd = MakeWindow(nullptr, 0, 0, 64, 32, RGB(10, 20, 30));
    winplat::Image image;
    EXPECT_FALSE(winplat::ThePresenter().Snapshot(uint32_t(reinterpret_cast<uintptr_t>(hwnd)), &image));
    ShowWindow(hwnd, SW_SHOW);
    ASSERT_TRUE(winplat::ThePresenter().Snapshot(uint32_t(reinterpret_cast<uintptr_t>(hwnd)), &image));
    EXPECT_EQ(image.width, 64);
    EXPECT_EQ(winplat::ColorRefFromPixel(image.At(3, 3)), RGB(10, 20, 30));
}

TEST_F(Paint, HiddenWindowsAreNotPainted)
{
    HWND hwnd = MakeWindow(nullptr, 0, 0, 64, 32, RGB(1, 2, 3));
    InvalidateRect(hwnd, nullptr, TRUE);
    wa::PumpUntilIdle();
    EXPECT_TRUE(Messages(hwnd, {WM_PAINT}).empty());
}

TEST_F(Paint, RedrawWindowValidatesAndUpdates)
{
    HWND hwnd = MakeRecordingWindow();
    InvalidateRect(hwnd, nullptr, TRUE);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_VALIDATE);
    wa::PumpUntilIdle();
    EXPECT_TRUE(g_paints.empty());
    RECT r{10, 10, 20, 20};
    RedrawWindow(hwnd, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    ASSERT_EQ(g_paints.size(), 2u);  // done before RedrawWindow returned
    EXPECT_TRUE(EqualRect(&g_paints[1].paint, &r));
}

TEST_F(Paint, GetDcDrawsOnTheWindowAndPresentsOnRelease)
{
    HWND parent = MakeWindow(nullptr, 0, 0, 100, 100, RGB(255, 255, 255), WS_VISIBLE);
    HWND child = MakeWindow(parent, 20, 30, 40, 40, RGB(255, 255, 255), WS_VISIBLE);
    wa::PumpUntilIdle();
    HDC hdc = GetDC(child);
    SetPixel(hdc, 0, 0, RGB(9, 9, 9));
    SetPixel(hdc, 100, 100, RGB(9, 9, 9));  // outside the child: clipped
    ReleaseDC(child, hdc);
    EXPECT_EQ(Pixel(parent, 20, 30), RGB(9, 9, 9));
    EXPECT_EQ(Pixel(child, 0, 0), RGB(9, 9, 9));
    EXPECT_EQ(Pixel(parent, 99, 99), RGB(255, 255, 255));
}

}  // namespace
