// The cost of the framework's message dispatch beside a plain window
// procedure: the same message sent to a window whose procedure is a switch,
// and to a framework window whose handler is the last entry of its base
// class's map (the longest search).
#include <afxwin.h>
#include <winplat/automation.h>
#include <winplat/display.h>

#include <benchmark/benchmark.h>

namespace {

constexpr UINT kMessage = WM_USER + 19;
int handled = 0;

LRESULT CALLBACK SwitchProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kMessage: return ++handled;
    default: return DefWindowProcA(hWnd, message, wParam, lParam);
    }
}

class CBase : public CWnd {
protected:
    afx_msg LRESULT OnOther(WPARAM, LPARAM) { return 0; }
    afx_msg LRESULT OnWanted(WPARAM, LPARAM) { return ++handled; }
    DECLARE_MESSAGE_MAP()
};

#define OTHER(n) ON_MESSAGE(WM_USER + (n), &CBase::OnOther)
BEGIN_MESSAGE_MAP(CBase, CWnd)
    OTHER(0) OTHER(1) OTHER(2) OTHER(3) OTHER(4) OTHER(5) OTHER(6) OTHER(7) OTHER(8)
    ON_MESSAGE(kMessage, &CBase::OnWanted)
END_MESSAGE_MAP()

class CDerived : public CBase {
protected:
    DECLARE_MESSAGE_MAP()
};

#define DERIVED_OTHER(n) ON_MESSAGE(WM_USER + 100 + (n), &CDerived::OnOther)
BEGIN_MESSAGE_MAP(CDerived, CBase)
    DERIVED_OTHER(0) DERIVED_OTHER(1) DERIVED_OTHER(2) DERIVED_OTHER(3) DERIVED_OTHER(4)
    DERIVED_OTHER(5) DERIVED_OTHER(6) DERIVED_OTHER(7) DERIVED_OTHER(8) DERIVED_OTHER(9)
END_MESSAGE_MAP()

void BM_SendToPlainWindowProcedure(benchmark::State& state)
{
    winplat::SelectPresenter("headless");
    WNDCLASSA wc = {};
    wc.lpfnWndProc = SwitchProc;
    wc.lpszClassName = "BenchSwitch";
    RegisterClassA(&wc);
    HWND hWnd = CreateWindowExA(0, "BenchSwitch", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    for (auto _ : state) benchmark::DoNotOptimize(SendMessageA(hWnd, kMessage, 0, 0));
    DestroyWindow(hWnd);
}
BENCHMARK(BM_SendToPlainWindowProcedure);

void BM_SendThroughMessageMaps(benchmark::State& state)
{
    winplat::SelectPresenter("headless");
    CDerived wnd;
    wnd.CreateEx(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    for (auto _ : state) benchmark::DoNotOptimize(wnd.SendMessage(kMessage, 0, 0));
    wnd.DestroyWindow();
}
BENCHMARK(BM_SendThroughMessageMaps);

}  // namespace

BENCHMARK_MAIN();
