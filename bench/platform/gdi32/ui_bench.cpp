// Painting the thumbnail grid: gdi32's BitBlt of the frame bitmaps and
// SetDIBitsToDevice of bottom-up 24-bit thumbnails, beside SDL2 doing the
// same pixel work (SDL_BlitSurface and SDL_ConvertPixels), and a full
// repaint of a dialog-sized window through user32.
#include <windows.h>
#include <winplat/automation.h>
#include <winplat/display.h>

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kWidth = 556, kHeight = 438;
constexpr int kFrameW = 100, kFrameH = 104, kThumbW = 94, kThumbH = 70;

struct Thumbnail {
    BITMAPINFOHEADER header{};
    std::vector<BYTE> bits;
    Thumbnail()
    {
        header.biSize = sizeof header;
        header.biWidth = kThumbW;
        header.biHeight = kThumbH;
        header.biPlanes = 1;
        header.biBitCount = 24;
        bits.resize(size_t(((kThumbW * 3 + 3) / 4) * 4) * kThumbH);
        for (size_t i = 0; i < bits.size(); ++i) bits[i] = BYTE(i * 7);
    }
};

POINT FrameAt(int cell) { return POINT{14 + (cell % 3) * 120, 14 + (cell / 3) * 129}; }
POINT ThumbAt(int cell) { return POINT{21 + (cell % 3) * 120, 35 + (cell / 3) * 130}; }

void GdiGrid(benchmark::State& state)
{
    HDC screen = GetDC(nullptr);
    HDC target = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, kWidth, kHeight);
    SelectObject(target, canvas);
    HDC frames = CreateCompatibleDC(screen);
    HBITMAP frame = CreateCompatibleBitmap(screen, kFrameW, kFrameH);
    SelectObject(frames, frame);
    PatBlt(frames, 0, 0, kFrameW, kFrameH, WHITENESS);
    Thumbnail thumb;
    for (auto _ : state) {
        for (int cell = 0; cell < 9; ++cell) {
            POINT f = FrameAt(cell), t = ThumbAt(cell);
            BitBlt(target, f.x, f.y, kFrameW, kFrameH, frames, 0, 0, SRCCOPY);
            SetDIBitsToDevice(target, t.x, t.y, kThumbW, kThumbH, 0, 0, 0, kThumbH, thumb.bits.data(),
                              reinterpret_cast<BITMAPINFO*>(&thumb.header), DIB_RGB_COLORS);
        }
        benchmark::ClobberMemory();
    }
    DeleteDC(frames);
    DeleteObject(frame);
    DeleteDC(target);
    DeleteObject(canvas);
    ReleaseDC(nullptr, screen);
}

void SdlGrid(benchmark::State& state)
{
    SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_Surface* frame = SDL_CreateRGBSurfaceWithFormat(0, kFrameW, kFrameH, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_FillRect(frame, nullptr, 0xFFFFFFFF);
    Thumbnail thumb;
    int stride = ((kThumbW * 3 + 3) / 4) * 4;
    for (auto _ : state) {
        for (int cell = 0; cell < 9; ++cell) {
            POINT f = FrameAt(cell), t = ThumbAt(cell);
            SDL_Rect at{int(f.x), int(f.y), kFrameW, kFrameH};
            SDL_BlitSurface(frame, nullptr, target, &at);
            // Bottom-up rows: one conversion per row, last row first.
            for (int y = 0; y < kThumbH; ++y) {
                const BYTE* row = thumb.bits.data() + size_t(kThumbH - 1 - y) * size_t(stride);
                Uint8* out = static_cast<Uint8*>(target->pixels) + size_t(t.y + y) * size_t(target->pitch) + size_t(t.x) * 4;
                SDL_ConvertPixels(kThumbW, 1, SDL_PIXELFORMAT_BGR24, row, stride, SDL_PIXELFORMAT_ARGB8888, out,
                                  target->pitch);
            }
        }
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(frame);
    SDL_FreeSurface(target);
}

LRESULT CALLBACK GridProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ERASEBKGND) {
        RECT r{0, 0, kWidth, kHeight};
        FillRect(reinterpret_cast<HDC>(wParam), &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return 1;
    }
    if (msg == WM_PAINT) {
        static Thumbnail thumb;
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        HFONT font = CreateFontA(16, 0, 0, 0, FW_SEMIBOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, nullptr);
        HGDIOBJ old = SelectObject(hdc, font);
        SetBkMode(hdc, TRANSPARENT);
        SetTextColor(hdc, RGB(0, 225, 0));
        for (int cell = 0; cell < 9; ++cell) {
            POINT t = ThumbAt(cell);
            SetDIBitsToDevice(hdc, t.x, t.y, kThumbW, kThumbH, 0, 0, 0, kThumbH, thumb.bits.data(),
                              reinterpret_cast<BITMAPINFO*>(&thumb.header), DIB_RGB_COLORS);
            TextOutA(hdc, t.x + 5, t.y + 85, "S0000001", 8);
        }
        SelectObject(hdc, old);
        DeleteObject(font);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// A whole repaint of a window of the main window's size, with nine
// owner-drawn buttons over it, through the message queue, presented.
void WindowRepaint(benchmark::State& state)
{
    winplat::SelectPresenter("headless");
    WNDCLASSA wc{};
    wc.lpfnWndProc = GridProc;
    wc.lpszClassName = "BenchGrid";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "BenchGrid", "grid", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr,
                                nullptr, nullptr, nullptr);
    for (int i = 0; i < 9; ++i) {
        CreateWindowExA(0, "BUTTON", "B", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 420, 20 + i * 40, 100, 30, hwnd,
                        reinterpret_cast<HMENU>(intptr_t(100 + i)), nullptr, nullptr);
    }
    winplat::automation::PumpUntilIdle();
    for (auto _ : state) {
        InvalidateRect(hwnd, nullptr, TRUE);
        winplat::automation::PumpUntilIdle();
    }
    DestroyWindow(hwnd);
}

}  // namespace

BENCHMARK(GdiGrid)->Unit(benchmark::kMicrosecond);
BENCHMARK(SdlGrid)->Unit(benchmark::kMicrosecond);
BENCHMARK(WindowRepaint)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
