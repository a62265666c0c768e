// CRect, CPoint and CSize.
#include <afxwin.h>

#include <gtest/gtest.h>

TEST(Geometry, RectMeasuresAndCorners)
{
    CRect r(10, 20, 110, 70);
    EXPECT_EQ(r.Width(), 100);
    EXPECT_EQ(r.Height(), 50);
    EXPECT_EQ(r.Size(), CSize(100, 50));
    EXPECT_EQ(r.TopLeft(), CPoint(10, 20));
    EXPECT_EQ(r.BottomRight(), CPoint(110, 70));
    EXPECT_EQ(r.CenterPoint(), CPoint(60, 45));
    r.TopLeft() = CPoint(0, 0);  // the corners are the rectangle's own fields
    EXPECT_EQ(r, CRect(0, 0, 110, 70));
    LPRECT asPointer = r;
    EXPECT_EQ(asPointer->right, 110);
}

TEST(Geometry, PtInRectExcludesRightAndBottomEdges)
{
    CRect r(21, 35, 107, 97);
    EXPECT_TRUE(r.PtInRect(CPoint(21, 35)));
    EXPECT_TRUE(r.PtInRect(CPoint(106, 96)));
    EXPECT_FALSE(r.PtInRect(CPoint(107, 50)));
    EXPECT_FALSE(r.PtInRect(CPoint(50, 97)));
    EXPECT_FALSE(r.PtInRect(CPoint(20, 50)));
    EXPECT_FALSE(CRect(5, 5, 5, 10).PtInRect(CPoint(5, 6))) << "an empty rectangle holds no point";
}

TEST(Geometry, EmptyNullAndNormalize)
{
    EXPECT_TRUE(CRect().IsRectEmpty());
    EXPECT_TRUE(CRect().IsRectNull());
    EXPECT_TRUE(CRect(10, 10, 5, 20).IsRectEmpty());
    EXPECT_FALSE(CRect(10, 10, 5, 20).IsRectNull());
    CRect flipped(10, 20, 0, 5);
    flipped.NormalizeRect();
    EXPECT_EQ(flipped, CRect(0, 5, 10, 20));
}

TEST(Geometry, OffsetInflateDeflate)
{
    CRect r(0, 0, 10, 10);
    r.OffsetRect(5, 6);
    EXPECT_EQ(r, CRect(5, 6, 15, 16));
    r.OffsetRect(CPoint(-5, -6));
    r.OffsetRect(CSize(1, 1));
    EXPECT_EQ(r, CRect(1, 1, 11, 11));
    r.InflateRect(2, 3);
    EXPECT_EQ(r, CRect(-1, -2, 13, 14));
    r.DeflateRect(2, 3);
    EXPECT_EQ(r, CRect(1, 1, 11, 11));
    r.InflateRect(1, 2, 3, 4);
    EXPECT_EQ(r, CRect(0, -1, 14, 15));
    r.DeflateRect(CRect(1, 2, 3, 4));
    EXPECT_EQ(r, CRect(1, 1, 11, 11));
}

TEST(Geometry, IntersectAndUnion)
{
    CRect a(0, 0, 10, 10), b(5, 5, 20, 20), c(30, 30, 40, 40), out;
    EXPECT_TRUE(out.IntersectRect(a, b));
    EXPECT_EQ(out, CRect(5, 5, 10, 10));
    EXPECT_FALSE(out.IntersectRect(a, c));
    EXPECT_TRUE(out.IsRectNull()) << "no overlap leaves an all-zero rectangle";
    EXPECT_TRUE(out.UnionRect(a, c));
    EXPECT_EQ(out, CRect(0, 0, 40, 40));
    EXPECT_TRUE(out.UnionRect(a, CRect(100, 100, 100, 200))) << "an empty rectangle does not count";
    EXPECT_EQ(out, a);
    EXPECT_EQ(a & b, CRect(5, 5, 10, 10));
    EXPECT_EQ(a | b, CRect(0, 0, 20, 20));
    CRect d = a;
    d &= b;
    EXPECT_EQ(d, CRect(5, 5, 10, 10));
    d |= c;
    EXPECT_EQ(d, CRect(5, 5, 40, 40));
}

TEST(Geometry, OperatorsAndAssignment)
{
    CRect r(1, 2, 3, 4);
    EXPECT_TRUE(r == CRect(1, 2, 3, 4));
    EXPECT_TRUE(r != CRect(1, 2, 3, 5));
    r += CPoint(10, 10);
    EXPECT_EQ(r, CRect(11, 12, 13, 14));
    r -= CSize(10, 10);
    EXPECT_EQ(r, CRect(1, 2, 3, 4));
    r += CRect(1, 1, 1, 1);
    EXPECT_EQ(r, CRect(0, 1, 4, 5));
    r -= CRect(1, 1, 1, 1);
    EXPECT_EQ(r, CRect(1, 2, 3, 4));
    RECT plain = {7, 8, 9, 10};
    r = plain;
    EXPECT_EQ(r, CRect(7, 8, 9, 10));
    r.SetRect(0, 0, 2, 2);
    EXPECT_EQ(r.Width(), 2);
    r.SetRectEmpty();
    EXPECT_TRUE(r.IsRectNull());
}

TEST(Geometry, PointsAndSizes)
{
    CPoint p(3, 4);
    p.Offset(1, 1);
    EXPECT_EQ(p, CPoint(4, 5));
    EXPECT_EQ(p + CSize(1, 1), CPoint(5, 6));
    EXPECT_EQ(p - CPoint(1, 2), CSize(3, 3));
    EXPECT_EQ(-p, CPoint(-4, -5));
    CPoint fromMessage(MAKELPARAM(-3, 70));
    EXPECT_EQ(fromMessage, CPoint(-3, 70)) << "a mouse message's lParam, signed";
    CSize s(2, 3);
    s += CSize(1, 1);
    EXPECT_EQ(s, CSize(3, 4));
    EXPECT_EQ(s + CPoint(1, 1), CPoint(4, 5));
    EXPECT_EQ(CPoint(1, 1) + CRect(0, 0, 2, 2), CRect(1, 1, 3, 3));
}
