// The progress bar: range, steps and their wrap, and its picture.
#include <commctrl.h>
#include <winplat/automation.h>

#include <gtest/gtest.h>

namespace wa = winplat::automation;

namespace {

class ProgressBar : public ::testing::Test {
protected:
    void SetUp() override
    {
        winplat::SelectPresenter("headless");
        wa::Reset();
        InitCommonControls();
        parent_ = CreateWindowExA(0, "#32770", "Downloading...", WS_POPUP, 0, 0, 272, 84, nullptr, nullptr, nullptr,
                                  nullptr);
        bar_ = CreateWindowExA(0, PROGRESS_CLASSA, nullptr, WS_CHILD | WS_VISIBLE, 14, 28, 244, 16, parent_,
                               reinterpret_cast<HMENU>(333), nullptr, nullptr);
        ASSERT_NE(bar_, nullptr);
    }
    void TearDown() override { wa::Reset(); }
    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) { return SendMessageA(bar_, msg, wParam, lParam); }
    // Pixels of the bar's colour along its middle row.
    int Filled()
    {
        winplat::Image image;
        if (!wa::Capture(parent_, &image)) return -1;
        int count = 0;
        for (int x = 14; x < 14 + 244; ++x) {
            count += winplat::ColorRefFromPixel(image.At(x, 36)) == GetSysColor(COLOR_HIGHLIGHT);
        }
        return count;
    }
    HWND parent_ = nullptr;
    HWND bar_ = nullptr;
};

TEST_F(ProgressBar, DefaultsAndRangeWords)
{
    EXPECT_EQ(Send(PBM_GETPOS), 0);
    EXPECT_EQ(Send(PBM_GETRANGE, TRUE), 0);
    EXPECT_EQ(Send(PBM_GETRANGE, FALSE), 100);
    // Lower bound in the low word, upper in the high word; the old range
    // comes back the same way.
    EXPECT_EQ(Send(PBM_SETRANGE, 0, MAKELPARAM(1, 5)), MAKELRESULT(0, 100));
    PBRANGE range{};
    EXPECT_EQ(Send(PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range)), 1);
    EXPECT_EQ(range.iLow, 1);
    EXPECT_EQ(range.iHigh, 5);
    EXPECT_EQ(Send(PBM_GETPOS), 1);  // moved into the range
    Send(PBM_SETRANGE32, 10, 100000);
    EXPECT_EQ(Send(PBM_GETRANGE, FALSE), 100000);
}

TEST_F(ProgressBar, StepsWrapToTheLowerBoundPastTheUpper)
{
    Send(PBM_SETRANGE, 0, MAKELPARAM(1, 5));
    EXPECT_EQ(Send(PBM_SETSTEP, 1), 10);
    std::vector<LRESULT> positions;
    for (int i = 0; i < 6; ++i) {
        Send(PBM_STEPIT);
        positions.push_back(Send(PBM_GETPOS));
    }
    EXPECT_EQ(positions, (std::vector<LRESULT>{2, 3, 4, 5, 1, 2}));
    EXPECT_EQ(Send(PBM_STEPIT), 2);  // the old position
}

TEST_F(ProgressBar, SetPosAndDeltaPosStayInTheRange)
{
    Send(PBM_SETRANGE, 0, MAKELPARAM(0, 50));
    EXPECT_EQ(Send(PBM_SETPOS, 20), 0);
    EXPECT_EQ(Send(PBM_DELTAPOS, 10), 20);
    EXPECT_EQ(Send(PBM_GETPOS), 30);
    Send(PBM_SETPOS, 500);
    EXPECT_EQ(Send(PBM_GETPOS), 50);
    Send(PBM_DELTAPOS, WPARAM(-100));
    EXPECT_EQ(Send(PBM_GETPOS), 0);
}

TEST_F(ProgressBar, RepaintsAtOnceWhileShownWithoutAMessageLoop)
{
    ShowWindow(parent_, SW_SHOW);
    Send(PBM_SETRANGE, 0, MAKELPARAM(0, 4));
    Send(PBM_SETSTEP, 1);
    EXPECT_EQ(Filled(), 0);
    Send(PBM_STEPIT);
    int quarter = Filled();
    Send(PBM_STEPIT);
    int half = Filled();
    Send(PBM_SETPOS, 4);
    int full = Filled();
    EXPECT_GT(quarter, 20);
    EXPECT_GT(half, quarter);
    EXPECT_GT(full, half);
    EXPECT_GT(full, 180);  // blocks with gaps between them
}

TEST_F(ProgressBar, InitCommonControlsExChecksItsSize)
{
    INITCOMMONCONTROLSEX bad{3, ICC_PROGRESS_CLASS};
    EXPECT_FALSE(InitCommonControlsEx(&bad));
    INITCOMMONCONTROLSEX good{sizeof good, ICC_PROGRESS_CLASS};
    EXPECT_TRUE(InitCommonControlsEx(&good));
    EXPECT_FALSE(InitCommonControlsEx(nullptr));
}

}  // namespace
