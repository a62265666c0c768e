// One full repaint of the main window's grid with nine pictures, headless:
// background, nine frames, nine thumbnails of the sizes the list makes
// (80 x 56 from the camera's 160-pixel thumbnails, and the largest, 94 x 70),
// nine captions, and the picture handed to the presenter. Beside it, the
// least a repaint of that window could cost: one BitBlt of its whole client
// area, and the same BitBlt as the window's whole paint (user32's paint and
// present included).
#include "CameraDlg.h"
#include "SampleThumbnails.h"

#include <winplat/automation.h>
#include <winplat/display.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

struct CameraDlgProbe {
    static CPictureList& Pictures(CCameraDlg& dlg) { return dlg.m_pictures; }
    static void InvalidateGrid(CCameraDlg& dlg) { dlg.InvalidateGrid(); }
};

namespace {

// The main window, started without a camera, showing nine pictures.
struct MainWindow {
    CWinApp app;
    CCameraDlg dlg;

    MainWindow(int thumbWidth, int thumbHeight)
    {
        winplat::SelectPresenter("headless");
        winplat::automation::WhenModalClick(IDOK);  // no camera
        dlg.Create(CCameraDlg::IDD);
        CPictureList& pictures = CameraDlgProbe::Pictures(dlg);
        for (int n = 1; n <= 9; ++n) {
            HGLOBAL dib = uitest::DecodedThumbnail(n, thumbWidth, thumbHeight);
            char name[16];
            std::snprintf(name, sizeof name, "S%07d", n);
            pictures.Add(name, 100000, 20480, dib);
            GlobalFree(dib);
        }
        pictures.Rewind();
        CameraDlgProbe::InvalidateGrid(dlg);
        winplat::automation::PumpUntilIdle();
    }
    ~MainWindow()
    {
        dlg.DestroyWindow();
        winplat::automation::Reset();
    }
};

void GridRepaint(benchmark::State& state, int thumbWidth, int thumbHeight)
{
    MainWindow window(thumbWidth, thumbHeight);
    for (auto _ : state) {
        CameraDlgProbe::InvalidateGrid(window.dlg);
        window.dlg.UpdateWindow();
    }
}

void BM_GridRepaint_80x56(benchmark::State& state) { GridRepaint(state, 160, 107); }
void BM_GridRepaint_94x70(benchmark::State& state) { GridRepaint(state, 752, 560); }

// The window's picture as it stands, in a memory DC of its own.
struct ClientCopy {
    CDC memory;
    CBitmap bitmap;
    CBitmap* previous = nullptr;
    CRect client;

    explicit ClientCopy(CWnd& window)
    {
        window.GetClientRect(&client);
        CClientDC dc(&window);
        memory.CreateCompatibleDC(&dc);
        bitmap.CreateCompatibleBitmap(&dc, client.Width(), client.Height());
        previous = memory.SelectObject(&bitmap);
        memory.BitBlt(0, 0, client.Width(), client.Height(), &dc, 0, 0, SRCCOPY);
    }
    ~ClientCopy() { memory.SelectObject(previous); }
};

void BM_PlainBitBltOfClientArea(benchmark::State& state)
{
    MainWindow window(160, 107);
    ClientCopy copy(window.dlg);
    CClientDC dc(&window.dlg);
    for (auto _ : state)
        dc.BitBlt(0, 0, copy.client.Width(), copy.client.Height(), &copy.memory, 0, 0, SRCCOPY);
}

// A window of the main window's size whose whole paint is one BitBlt.
class CBlitWnd : public CWnd {
public:
    CDC* source = nullptr;
    CSize size;

protected:
    afx_msg void OnPaint()
    {
        CPaintDC dc(this);
        dc.BitBlt(0, 0, size.cx, size.cy, source, 0, 0, SRCCOPY);
    }
    afx_msg BOOL OnEraseBkgnd(CDC*) { return TRUE; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBlitWnd, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

void BM_RepaintAsOneBitBlt(benchmark::State& state)
{
    MainWindow window(160, 107);
    ClientCopy copy(window.dlg);
    CBlitWnd blit;
    blit.source = &copy.memory;
    blit.size = copy.client.Size();
    CRect frame(0, 0, copy.client.Width(), copy.client.Height());
    ::AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION, FALSE, 0);
    blit.CreateEx(0, "STATIC", "blit", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, frame.Width(), frame.Height(),
                  nullptr, nullptr);
    winplat::automation::PumpUntilIdle();
    for (auto _ : state) {
        blit.Invalidate();
        blit.UpdateWindow();
    }
    blit.DestroyWindow();
}

}  // namespace

BENCHMARK(BM_GridRepaint_80x56)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GridRepaint_94x70)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainBitBltOfClientArea)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RepaintAsOneBitBlt)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
