// The GDI wrappers and device contexts: loading bitmaps, selecting objects
// (and getting the previous ones back), drawing, and painting in handlers.
#include "framework_test.h"
#include "test_ids.h"

#include <winplat/objects.h>

using namespace winplat::automation;

namespace {

using GdiTest = FrameworkTest;

TEST_F(GdiTest, BitmapsLoadByIdAndByNameAndMissingOnesFail)
{
    CBitmap frame;
    ASSERT_TRUE(frame.LoadBitmap(IDB_FRAME));
    BITMAP info = {};
    EXPECT_EQ(frame.GetBitmap(&info), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(info.bmWidth, 10);
    EXPECT_EQ(info.bmHeight, 8);
    EXPECT_EQ(frame.GetBitmapDimension(), CSize(10, 8));
    EXPECT_FALSE(frame.LoadBitmap("TESTU")) << "already holds a bitmap";
    CBitmap byName;
    EXPECT_TRUE(byName.LoadBitmap("testu")) << "names in any letter case";
    CBitmap missing;
    EXPECT_FALSE(missing.LoadBitmap(999));
    EXPECT_EQ(missing.m_hObject, nullptr);
    EXPECT_FALSE(missing.LoadBitmap("NOSUCHBITMAP"));
    EXPECT_EQ(missing.GetBitmap(&info), 0);
}

TEST_F(GdiTest, SelectObjectReturnsThePreviousObjects)
{
    size_t before = winplat::CountObjects(winplat::ObjectKind::Gdi);
    {
        CDC memory;
        ASSERT_TRUE(memory.CreateCompatibleDC(nullptr));
        CBitmap first, second;
        ASSERT_TRUE(first.CreateBitmap(20, 10, 1, 32, nullptr));
        ASSERT_TRUE(second.LoadBitmap(IDB_FRAME));
        CBitmap* original = memory.SelectObject(&first);
        ASSERT_NE(original, nullptr) << "a temporary object for the DC's own bitmap";
        EXPECT_NE(original, &first);
        EXPECT_EQ(memory.SelectObject(&second), &first) << "the permanent object itself";
        EXPECT_EQ(memory.GetCurrentBitmap(), &second);
        EXPECT_EQ(memory.SelectObject(original), &second);

        CFont font;
        ASSERT_TRUE(font.CreateFont(16, 0, 0, 0, FW_SEMIBOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, nullptr));
        CFont* previousFont = memory.SelectObject(&font);
        ASSERT_NE(previousFont, nullptr);
        EXPECT_EQ(memory.SelectObject(previousFont), &font);

        CGdiObject* previousBrush = memory.SelectStockObject(BLACK_BRUSH);
        ASSERT_NE(previousBrush, nullptr);
        EXPECT_NE(dynamic_cast<CBrush*>(previousBrush), nullptr) << "temporary objects have their handle's class";
        EXPECT_EQ(CBrush::FromHandle(static_cast<HBRUSH>(previousBrush->m_hObject)), previousBrush);
        CPen pen(PS_SOLID, 1, RGB(1, 2, 3));
        EXPECT_NE(memory.SelectObject(&pen), nullptr);
    }
    EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::Gdi), before) << "every object was deleted";
}

TEST_F(GdiTest, DrawingOnAMemoryDc)
{
    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(nullptr));
    CBitmap canvas;
    ASSERT_TRUE(canvas.CreateBitmap(40, 30, 1, 32, nullptr));
    CBitmap* previous = memory.SelectObject(&canvas);
    memory.FillSolidRect(CRect(0, 0, 40, 30), RGB(0, 0, 0));
    CBrush red(RGB(255, 0, 0));
    memory.FillRect(CRect(5, 5, 15, 15), &red);
    EXPECT_EQ(memory.GetPixel(5, 5), RGB(255, 0, 0));
    EXPECT_EQ(memory.GetPixel(15, 15), RGB(0, 0, 0)) << "right and bottom edges are outside";
    CBrush green(RGB(0, 255, 0));
    memory.FrameRect(CRect(20, 5, 30, 15), &green);
    EXPECT_EQ(memory.GetPixel(20, 10), RGB(0, 255, 0));
    EXPECT_EQ(memory.GetPixel(25, 10), RGB(0, 0, 0));

    int saved = memory.SaveDC();
    EXPECT_NE(memory.IntersectClipRect(0, 0, 10, 10), ERROR);
    CRect clip;
    memory.GetClipBox(&clip);
    EXPECT_EQ(clip, CRect(0, 0, 10, 10));
    memory.FillSolidRect(0, 0, 40, 30, RGB(0, 0, 255));
    EXPECT_TRUE(memory.RestoreDC(saved));
    EXPECT_EQ(memory.GetPixel(5, 5), RGB(0, 0, 255));
    EXPECT_EQ(memory.GetPixel(12, 12), RGB(255, 0, 0)) << "the fill was clipped";

    memory.SetTextColor(RGB(0, 225, 0));
    EXPECT_EQ(memory.SetBkMode(TRANSPARENT), OPAQUE);
    CString caption("SA0001");
    CSize extent = memory.GetTextExtent(caption);
    EXPECT_GT(extent.cx, 0);
    EXPECT_GT(extent.cy, 0);
    EXPECT_EQ(memory.GetTextExtent("SA0001", 6), extent);
    EXPECT_TRUE(memory.TextOut(0, 0, caption));
    EXPECT_EQ(memory.MoveTo(3, 4), CPoint(0, 0));
    EXPECT_EQ(memory.MoveTo(0, 0), CPoint(3, 4));
    memory.SelectObject(previous);
}

TEST_F(GdiTest, AttachDetachAndDeleteObject)
{
    CBrush brush;
    HBRUSH handle = CreateSolidBrush(RGB(1, 1, 1));
    EXPECT_TRUE(brush.Attach(handle));
    EXPECT_FALSE(brush.Attach(CreateSolidBrush(0))) << "holds one already";
    CBrush other;
    EXPECT_FALSE(other.Attach(handle)) << "one object per handle";
    EXPECT_EQ(CGdiObject::FromHandle(handle), &brush);
    EXPECT_EQ(brush.Detach(), handle);
    EXPECT_EQ(brush.m_hObject, nullptr);
    EXPECT_NE(CGdiObject::FromHandle(handle), &brush);
    EXPECT_TRUE(other.Attach(handle));
    EXPECT_TRUE(other.DeleteObject());
    EXPECT_FALSE(other.DeleteObject());
    EXPECT_EQ(GetObjectType(handle), 0u);
}

// A window that paints itself through the framework's paint DC.
class CPaintedWnd : public CWnd {
public:
    int paints = 0;

protected:
    afx_msg BOOL OnEraseBkgnd(CDC* pDC)
    {
        CRect r;
        GetClientRect(&r);
        CBrush black(RGB(0, 0, 0));
        pDC->FillRect(&r, &black);
        return TRUE;
    }
    afx_msg void OnPaint()
    {
        CPaintDC dc(this);
        ++paints;
        dc.FillSolidRect(10, 10, 20, 20, RGB(255, 0, 0));
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(RGB(0, 225, 0));
        dc.TextOut(40, 40, CString("Caption"));
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPaintedWnd, CWnd)
    ON_WM_ERASEBKGND()
    ON_WM_PAINT()
END_MESSAGE_MAP()

TEST_F(GdiTest, PaintHandlersDrawIntoTheWindow)
{
    CPaintedWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, "STATIC", "painted", WS_POPUP | WS_VISIBLE, 0, 0, 120, 80, nullptr, nullptr));
    wnd.Invalidate();
    wnd.UpdateWindow();
    PumpUntilIdle();
    EXPECT_GE(wnd.paints, 1);
    EXPECT_EQ(PixelAt(wnd.m_hWnd, POINT{15, 15}), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(wnd.m_hWnd, POINT{100, 5}), RGB(0, 0, 0));
    bool textInk = false;
    for (int x = 40; x < 100 && !textInk; ++x)
        for (int y = 40; y < 70 && !textInk; ++y) textInk = PixelAt(wnd.m_hWnd, POINT{x, y}) == RGB(0, 225, 0);
    EXPECT_TRUE(textInk) << "the caption was drawn in its colour";

    CClientDC client(&wnd);
    ASSERT_NE(client.m_hDC, nullptr);
    client.FillSolidRect(0, 0, 5, 5, RGB(0, 0, 255));
    EXPECT_EQ(client.GetPixel(2, 2), RGB(0, 0, 255));
}

TEST_F(GdiTest, DcsOfWindowsThatAreGoneAreEmpty)
{
    CWnd gone;
    CPaintDC paint(&gone);
    EXPECT_EQ(paint.m_hDC, nullptr);
    paint.FillSolidRect(0, 0, 5, 5, 0);  // does nothing
    EXPECT_EQ(CDC::FromHandle(nullptr), nullptr);
}

}  // namespace
