// CBitmapButton: bitmaps found by the button's caption, the bitmap drawn
// for each state, the size taken from the up bitmap, and missing bitmaps.
#include "framework_test.h"
#include "test_ids.h"

#include <afxext.h>
#include <winplat/objects.h>

using namespace winplat::automation;

namespace {

// The colours of the test bitmaps TESTU, TESTD, TESTF, TESTX and ONLYU.
const COLORREF kUp = RGB(0, 0, 255), kDown = RGB(255, 0, 0), kFocus = RGB(0, 255, 0), kDisabled = RGB(128, 128, 128);
const COLORREF kOnlyUp = RGB(255, 255, 0), kBackground = RGB(255, 255, 255);

class BitmapButtons : public FrameworkTest {
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        ASSERT_TRUE(dialog_.Create(IDD_BUTTONS));
    }

    // What DrawItem puts at the middle of a white memory bitmap for a state.
    COLORREF DrawnFor(CBitmapButton& button, UINT state)
    {
        CDC memory;
        memory.CreateCompatibleDC(nullptr);
        CBitmap canvas;
        canvas.CreateBitmap(60, 40, 1, 32, nullptr);
        CBitmap* previous = memory.SelectObject(&canvas);
        memory.FillSolidRect(0, 0, 60, 40, kBackground);
        DRAWITEMSTRUCT dis = {ODT_BUTTON, static_cast<UINT>(button.GetDlgCtrlID()), 0, ODA_DRAWENTIRE, state,
                              button.m_hWnd, memory.m_hDC, {0, 0, 40, 20}, 0};
        button.DrawItem(&dis);
        COLORREF pixel = memory.GetPixel(10, 10);
        memory.SelectObject(previous);
        return pixel;
    }

    CDialog dialog_;
};

TEST_F(BitmapButtons, AutoLoadChoosesTheBitmapByState)
{
    CBitmapButton button;
    ASSERT_TRUE(button.AutoLoad(IDC_FULL, &dialog_));
    EXPECT_EQ(CWnd::FromHandlePermanent(button.m_hWnd), &button);
    EXPECT_EQ(DrawnFor(button, 0), kUp) << "8-bit bitmap";
    EXPECT_EQ(DrawnFor(button, ODS_SELECTED), kDown) << "4-bit bitmap";
    EXPECT_EQ(DrawnFor(button, ODS_FOCUS), kFocus);
    EXPECT_EQ(DrawnFor(button, ODS_DISABLED), kDisabled);
    EXPECT_EQ(DrawnFor(button, ODS_SELECTED | ODS_FOCUS), kDown) << "pressed wins over focused";
    EXPECT_EQ(DrawnFor(button, ODS_FOCUS | ODS_DISABLED), kFocus);
}

TEST_F(BitmapButtons, SizeIsTheUpBitmaps)
{
    CBitmapButton button;
    ASSERT_TRUE(button.AutoLoad(IDC_FULL, &dialog_));
    CRect r;
    button.GetWindowRect(&r);
    EXPECT_EQ(r.Size(), CSize(40, 20));
    CRect placed;
    button.GetClientRect(&placed);
    EXPECT_EQ(placed, CRect(0, 0, 40, 20));
    CRect inDialog = r;
    dialog_.ScreenToClient(&inDialog);
    EXPECT_EQ(inDialog.TopLeft(), CPoint(20, 20)) << "the position stays (10, 10 dialog units)";
}

TEST_F(BitmapButtons, OnlyTheUpBitmapIsNeeded)
{
    CBitmapButton button;
    ASSERT_TRUE(button.AutoLoad(IDC_ONLY_UP, &dialog_));
    for (UINT state : {0u, unsigned(ODS_SELECTED), unsigned(ODS_FOCUS), unsigned(ODS_DISABLED)})
        EXPECT_EQ(DrawnFor(button, state), kOnlyUp) << state;
    CRect r;
    button.GetWindowRect(&r);
    EXPECT_EQ(r.Size(), CSize(24, 24));
}

TEST_F(BitmapButtons, MissingUpBitmapLeavesAnOwnerDrawnButtonWithoutImage)
{
    CBitmapButton button;
    EXPECT_FALSE(button.AutoLoad(IDC_NO_BITMAPS, &dialog_));
    EXPECT_EQ(button.m_hWnd, GetDlgItem(dialog_.m_hWnd, IDC_NO_BITMAPS)) << "still attached";
    EXPECT_EQ(button.GetButtonStyle() & BS_TYPEMASK, static_cast<UINT>(BS_OWNERDRAW));
    EXPECT_EQ(DrawnFor(button, 0), kBackground) << "nothing drawn";
    CBitmapButton nowhere;
    EXPECT_FALSE(nowhere.AutoLoad(4242, &dialog_));
    EXPECT_EQ(nowhere.m_hWnd, nullptr);
}

TEST_F(BitmapButtons, WindowShowsTheStateAfterPainting)
{
    CBitmapButton button;
    ASSERT_TRUE(button.AutoLoad(IDC_FULL, &dialog_));
    SetFocus(GetDlgItem(dialog_.m_hWnd, IDC_PLAIN));  // so that the button is not drawn focused
    PumpUntilIdle();
    POINT middle = {20, 10};
    EXPECT_EQ(PixelAt(button.m_hWnd, middle), kUp);
    button.SetState(TRUE);
    PumpUntilIdle();
    EXPECT_EQ(PixelAt(button.m_hWnd, middle), kDown) << "BM_SETSTATE keeps it drawn pushed";
    EXPECT_NE(button.GetState() & BST_PUSHED, 0u);
    button.SetState(FALSE);
    button.EnableWindow(FALSE);
    PumpUntilIdle();
    EXPECT_EQ(PixelAt(button.m_hWnd, middle), kDisabled);
}

TEST_F(BitmapButtons, LoadBitmapsReplacesAndTheDestructorDeletesThem)
{
    size_t before = winplat::CountObjects(winplat::ObjectKind::Gdi);
    {
        CBitmapButton button;
        EXPECT_TRUE(button.LoadBitmaps("TESTU", "TESTD", "TESTF", "TESTX"));
        EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::Gdi), before + 4);
        EXPECT_FALSE(button.LoadBitmaps("ONLYU", "MISSINGD")) << "a named bitmap is missing";
        EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::Gdi), before + 1) << "the old ones were deleted";
        EXPECT_FALSE(button.LoadBitmaps("MISSINGU"));
        EXPECT_TRUE(button.LoadBitmaps("TESTU", "TESTD", "TESTF", "TESTX"));
    }
    EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::Gdi), before);
}

}  // namespace
