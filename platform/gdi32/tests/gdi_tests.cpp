// gdi32 through memory DCs: blits, DIB transfers, text, shapes, regions,
// objects and bad handles.
#include <windows.h>
#include <winplat/objects.h>

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// A memory DC with a 32-bit bitmap of its own, filled white.
class Canvas {
public:
    Canvas(int width, int height)
    {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        Fill(RGB(255, 255, 255));
    }
    ~Canvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    void Fill(COLORREF color)
    {
        BITMAP bm;
        GetObjectA(bitmap_, sizeof bm, &bm);
        RECT r{0, 0, bm.bmWidth, bm.bmHeight};
        HBRUSH brush = CreateSolidBrush(color);
        FillRect(dc_, &r, brush);
        DeleteObject(brush);
    }
    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
    // The smallest rectangle holding pixels of a colour; empty if none.
    RECT BoundsOf(COLORREF color, int width, int height) const
    {
        RECT r{width, height, 0, 0};
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (At(x, y) != color) continue;
                r.left = std::min<LONG>(r.left, x);
                r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x + 1);
                r.bottom = std::max<LONG>(r.bottom, y + 1);
            }
        }
        return r;
    }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

// A bottom-up 24-bit DIB: header and rows; colour(x, y) with y from the top.
struct Dib {
    BITMAPINFOHEADER header{};
    std::vector<BYTE> bits;

    Dib(int width, int height, const std::function<COLORREF(int, int)>& colour, bool topDown = false)
    {
        header.biSize = sizeof header;
        header.biWidth = width;
        header.biHeight = topDown ? -height : height;
        header.biPlanes = 1;
        header.biBitCount = 24;
        size_t stride = ((size_t(width) * 3 + 3) / 4) * 4;
        bits.assign(stride * size_t(height), 0);
        for (int y = 0; y < height; ++y) {
            BYTE* row = bits.data() + size_t(topDown ? y : height - 1 - y) * stride;
            for (int x = 0; x < width; ++x) {
                COLORREF c = colour(x, y);
                row[x * 3] = GetBValue(c);
                row[x * 3 + 1] = GetGValue(c);
                row[x * 3 + 2] = GetRValue(c);
            }
        }
    }
    const BITMAPINFO* info() const { return reinterpret_cast<const BITMAPINFO*>(&header); }
};

TEST(Blits, SetDIBitsToDevicePlacesABottomUpDibTheRightWayUp)
{
    // An 80 x 60 thumbnail centred in an 86 x 62 box at (21, 35) lands at
    // (24, 36); its top row is red, its bottom row blue.
    Canvas canvas(200, 150);
    Dib dib(80, 60, [](int, int y) { return y == 0 ? RGB(255, 0, 0) : y == 59 ? RGB(0, 0, 255) : RGB(0, 128, 0); });
    int x = 21 + (86 - 80) / 2, y = 35 + (62 - 60) / 2;
    EXPECT_EQ(SetDIBitsToDevice(canvas.dc(), x, y, 80, 60, 0, 0, 0, 60, dib.bits.data(), dib.info(), DIB_RGB_COLORS),
              60);
    RECT drawn = canvas.BoundsOf(RGB(0, 128, 0), 200, 150);
    RECT expected{24, 37, 104, 95};
    EXPECT_TRUE(EqualRect(&drawn, &expected));
    RECT red = canvas.BoundsOf(RGB(255, 0, 0), 200, 150);
    RECT redExpected{24, 36, 104, 37};
    EXPECT_TRUE(EqualRect(&red, &redExpected));
    EXPECT_EQ(canvas.At(24, 95), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(23, 36), RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(104, 36), RGB(255, 255, 255));
}

TEST(Blits, SetDIBitsToDeviceTopDownAndEightBitWithColourTable)
{
    Canvas canvas(20, 20);
    Dib topDown(4, 4, [](int, int y) { return y == 0 ? RGB(255, 0, 0) : RGB(0, 0, 0); }, true);
    SetDIBitsToDevice(canvas.dc(), 0, 0, 4, 4, 0, 0, 0, 4, topDown.bits.data(), topDown.info(), DIB_RGB_COLORS);
    EXPECT_EQ(canvas.At(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(0, 3), RGB(0, 0, 0));

    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colours[2];
    } info{};
    info.h.biSize = sizeof info.h;
    info.h.biWidth = 2;
    info.h.biHeight = 2;
    info.h.biPlanes = 1;
    info.h.biBitCount = 8;
    info.h.biClrUsed = 2;
    info.colours[1] = RGBQUAD{0, 255, 0, 0};
    BYTE bits[8] = {1, 0, 0, 0, 0, 1, 0, 0};  // bottom row: 1 0; top row: 0 1
    SetDIBitsToDevice(canvas.dc(), 10, 10, 2, 2, 0, 0, 0, 2, bits, reinterpret_cast<BITMAPINFO*>(&info),
                      DIB_RGB_COLORS);
    EXPECT_EQ(canvas.At(11, 10), RGB(0, 255, 0));
    EXPECT_EQ(canvas.At(10, 11), RGB(0, 255, 0));
    EXPECT_EQ(canvas.At(10, 10), RGB(0, 0, 0));
}

TEST(Blits, DibTransfersClipToTheDestinationAndReadNothingOutsideTheBits)
{
    Canvas canvas(50, 50);
    Dib dib(80, 60, [](int, int) { return RGB(1, 2, 3); });
    // Mostly outside the bitmap: only the overlap is drawn.
    EXPECT_EQ(SetDIBitsToDevice(canvas.dc(), 30, -40, 80, 60, 0, 0, 0, 60, dib.bits.data(), dib.info(),
                                DIB_RGB_COLORS),
              60);
    RECT drawn = canvas.BoundsOf(RGB(1, 2, 3), 50, 50);
    RECT expected{30, 0, 50, 20};
    EXPECT_TRUE(EqualRect(&drawn, &expected));
    // A header whose image size is smaller than the rows asked: only the
    // rows it has are read (the sanitizers catch any read past them).
    Dib small(8, 8, [](int, int) { return RGB(9, 9, 9); });
    small.header.biSizeImage = 4 * 24;  // four rows of 24 bytes
    std::vector<BYTE> four(small.bits.begin(), small.bits.begin() + 4 * 24);
    canvas.Fill(RGB(255, 255, 255));
    EXPECT_EQ(SetDIBitsToDevice(canvas.dc(), 0, 0, 8, 8, 0, 0, 0, 8, four.data(), small.info(), DIB_RGB_COLORS), 4);
    RECT part = canvas.BoundsOf(RGB(9, 9, 9), 50, 50);
    RECT lower{0, 4, 8, 8};  // the bottom four rows of a bottom-up DIB
    EXPECT_TRUE(EqualRect(&part, &lower));
    // Bad headers are refused.
    BITMAPINFOHEADER bad = small.header;
    bad.biBitCount = 7;
    EXPECT_EQ(SetDIBitsToDevice(canvas.dc(), 0, 0, 8, 8, 0, 0, 0, 8, four.data(),
                                reinterpret_cast<BITMAPINFO*>(&bad), DIB_RGB_COLORS),
              0);
    bad = small.header;
    bad.biWidth = -5;
    EXPECT_EQ(SetDIBitsToDevice(canvas.dc(), 0, 0, 8, 8, 0, 0, 0, 8, four.data(),
                                reinterpret_cast<BITMAPINFO*>(&bad), DIB_RGB_COLORS),
              0);
    EXPECT_EQ(SetDIBitsToDevice(canvas.dc(), 0, 0, 8, 8, 0, 0, 0, 8, nullptr, small.info(), DIB_RGB_COLORS), 0);
}

TEST(Blits, BitBltOfAMemoryBitmapLandsWhereAsked)
{
    Canvas frame(100, 104);
    frame.Fill(RGB(0, 0, 255));
    SetPixel(frame.dc(), 0, 0, RGB(255, 255, 0));
    Canvas window(400, 400);
    // The second frame of the first row: (14 + (100 + 20), 14).
    EXPECT_TRUE(BitBlt(window.dc(), 134, 14, 100, 104, frame.dc(), 0, 0, SRCCOPY));
    RECT blue = window.BoundsOf(RGB(0, 0, 255), 400, 400);
    RECT expected{134, 14, 234, 118};
    EXPECT_TRUE(EqualRect(&blue, &expected) || (blue.left == 134 && blue.right == 234));
    EXPECT_EQ(window.At(134, 14), RGB(255, 255, 0));
    EXPECT_EQ(window.At(233, 117), RGB(0, 0, 255));
    EXPECT_EQ(window.At(234, 117), RGB(255, 255, 255));
    // Reading outside the source copies nothing from there.
    window.Fill(RGB(255, 255, 255));
    EXPECT_TRUE(BitBlt(window.dc(), 0, 0, 300, 300, frame.dc(), 50, 50, SRCCOPY));
    RECT part = window.BoundsOf(RGB(0, 0, 255), 400, 400);
    RECT visible{0, 0, 50, 54};
    EXPECT_TRUE(EqualRect(&part, &visible));
}

TEST(Blits, PatBltBlacknessWhitenessAndRasterOperations)
{
    Canvas canvas(10, 10);
    HGDIOBJ old = SelectObject(canvas.dc(), CreateSolidBrush(RGB(0, 255, 0)));
    PatBlt(canvas.dc(), 0, 0, 5, 5, PATCOPY);
    EXPECT_EQ(canvas.At(4, 4), RGB(0, 255, 0));
    EXPECT_EQ(canvas.At(5, 5), RGB(255, 255, 255));
    PatBlt(canvas.dc(), 0, 0, 2, 2, BLACKNESS);
    EXPECT_EQ(canvas.At(1, 1), RGB(0, 0, 0));
    PatBlt(canvas.dc(), 0, 0, 1, 1, WHITENESS);
    EXPECT_EQ(canvas.At(0, 0), RGB(255, 255, 255));
    PatBlt(canvas.dc(), 0, 0, 1, 1, DSTINVERT);
    EXPECT_EQ(canvas.At(0, 0), RGB(0, 0, 0));
    DeleteObject(SelectObject(canvas.dc(), old));
    Canvas source(4, 4);
    source.Fill(RGB(0x0F, 0xF0, 0x00));
    canvas.Fill(RGB(0xF0, 0x0F, 0x00));
    BitBlt(canvas.dc(), 0, 0, 4, 4, source.dc(), 0, 0, SRCPAINT);
    EXPECT_EQ(canvas.At(0, 0), RGB(0xFF, 0xFF, 0x00));
    BitBlt(canvas.dc(), 0, 0, 4, 4, source.dc(), 0, 0, SRCAND);
    EXPECT_EQ(canvas.At(0, 0), RGB(0x0F, 0xF0, 0x00));
}

TEST(Blits, StretchBltScales)
{
    Canvas source(2, 2);
    SetPixel(source.dc(), 0, 0, RGB(255, 0, 0));
    Canvas target(8, 8);
    EXPECT_TRUE(StretchBlt(target.dc(), 0, 0, 8, 8, source.dc(), 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(target.At(3, 3), RGB(255, 0, 0));
    EXPECT_EQ(target.At(4, 4), RGB(255, 255, 255));
}

TEST(Blits, MonochromeBitmapsMapToTextAndBackgroundColours)
{
    HDC dc = CreateCompatibleDC(nullptr);
    // A new memory DC holds a 1 x 1 monochrome bitmap: compatible bitmaps
    // made from it are monochrome too.
    HBITMAP mono = CreateCompatibleBitmap(dc, 8, 8);
    BITMAP bm{};
    GetObjectA(mono, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_EQ(bm.bmWidthBytes, 2);
    HGDIOBJ old = SelectObject(dc, mono);
    PatBlt(dc, 0, 0, 8, 8, WHITENESS);
    SetPixel(dc, 1, 1, RGB(0, 0, 0));
    Canvas target(8, 8);
    SetTextColor(target.dc(), RGB(255, 0, 0));
    SetBkColor(target.dc(), RGB(0, 0, 255));
    BitBlt(target.dc(), 0, 0, 8, 8, dc, 0, 0, SRCCOPY);
    EXPECT_EQ(target.At(1, 1), RGB(255, 0, 0));
    EXPECT_EQ(target.At(0, 0), RGB(0, 0, 255));
    SelectObject(dc, old);
    DeleteObject(mono);
    DeleteDC(dc);
}

TEST(Objects, SelectObjectReturnsThePreviousObject)
{
    Canvas canvas(4, 4);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HGDIOBJ previous = SelectObject(canvas.dc(), brush);
    EXPECT_EQ(previous, GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(SelectObject(canvas.dc(), previous), brush);
    HBITMAP other = CreateBitmap(4, 4, 1, 32, nullptr);
    HGDIOBJ oldBitmap = SelectObject(canvas.dc(), other);
    EXPECT_EQ(oldBitmap, canvas.bitmap());
    // A bitmap sits in one DC at a time.
    HDC second = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(second, other), nullptr);
    SelectObject(canvas.dc(), oldBitmap);
    EXPECT_NE(SelectObject(second, other), nullptr);
    DeleteDC(second);
    DeleteObject(other);
    DeleteObject(brush);
    // Selecting a bitmap into a window DC fails.
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(SelectObject(screen, canvas.bitmap()), nullptr);
    ReleaseDC(nullptr, screen);
}

TEST(Objects, GetObjectOfBitmapFontAndBrush)
{
    HBITMAP bitmap = CreateBitmap(100, 104, 1, 32, nullptr);
    BITMAP bm{};
    EXPECT_EQ(GetObjectA(bitmap, sizeof bm, &bm), 24);
    EXPECT_EQ(bm.bmType, 0);
    EXPECT_EQ(bm.bmWidth, 100);
    EXPECT_EQ(bm.bmHeight, 104);
    EXPECT_EQ(bm.bmWidthBytes, 400);
    EXPECT_EQ(bm.bmPlanes, 1);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(GetObjectA(bitmap, 10, &bm), 0);  // too small a buffer
    EXPECT_EQ(GetObjectA(bitmap, 0, nullptr), 24);
    HFONT font = CreateFontA(16, 0, 0, 0, FW_SEMIBOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, nullptr);
    LOGFONTA lf{};
    EXPECT_EQ(GetObjectA(font, sizeof lf, &lf), int(sizeof lf));
    EXPECT_EQ(lf.lfHeight, 16);
    EXPECT_EQ(lf.lfWeight, 600);
    EXPECT_EQ(lf.lfCharSet, 1);
    HBRUSH brush = CreateSolidBrush(RGB(0, 225, 0));
    LOGBRUSH lb{};
    EXPECT_EQ(GetObjectA(brush, sizeof lb, &lb), int(sizeof lb));
    EXPECT_EQ(lb.lbColor, COLORREF(0xE100));
    EXPECT_EQ(GetObjectType(brush), DWORD(OBJ_BRUSH));
    for (HGDIOBJ o : {HGDIOBJ(bitmap), HGDIOBJ(font), HGDIOBJ(brush)}) {
        EXPECT_LT(reinterpret_cast<uintptr_t>(o), uintptr_t(1) << 32);
        EXPECT_GE(reinterpret_cast<uintptr_t>(o), uintptr_t(32));  // never a COLOR_ value
        EXPECT_EQ(winplat::LookupObject(o)->Kind(), winplat::ObjectKind::Gdi);
        EXPECT_TRUE(DeleteObject(o));
    }
}

TEST(Objects, StockObjectsSurviveDeleteObject)
{
    HGDIOBJ black = GetStockObject(BLACK_BRUSH);
    EXPECT_TRUE(DeleteObject(black));
    EXPECT_EQ(GetObjectType(black), DWORD(OBJ_BRUSH));
    EXPECT_EQ(GetStockObject(99), nullptr);
}

TEST(Objects, InvalidHandlesFailWithErrorInvalidHandle)
{
    HDC bad = reinterpret_cast<HDC>(0x3FFFFFF0);
    for (auto call : std::vector<std::function<bool()>>{
             [&] { return SelectObject(bad, GetStockObject(BLACK_BRUSH)) != nullptr; },
             [&] { return BitBlt(bad, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY) != FALSE; },
             [&] { return GetPixel(bad, 0, 0) != CLR_INVALID; },
             [&] { return TextOutA(bad, 0, 0, "x", 1) != FALSE; },
             [&] { return DeleteDC(bad) != FALSE; },
             [&] { return DeleteObject(reinterpret_cast<HGDIOBJ>(0x3FFFFFF0)) != FALSE; },
             [&] { return GetObjectA(reinterpret_cast<HGDIOBJ>(0x3FFFFFF0), 0, nullptr) != 0; },
         }) {
        SetLastError(0);
        EXPECT_FALSE(call());
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    }
    Canvas canvas(2, 2);
    EXPECT_EQ(SelectObject(canvas.dc(), reinterpret_cast<HGDIOBJ>(0x3FFFFFF0)), nullptr);
    EXPECT_FALSE(BitBlt(canvas.dc(), 0, 0, 1, 1, bad, 0, 0, SRCCOPY));
    // A DC is no object for DeleteObject.
    EXPECT_FALSE(DeleteObject(canvas.dc()));
}

// ---- Text ----------------------------------------------------------------------------

TEST(Text, DrawnWhereAskedInTheTextColour)
{
    Canvas canvas(200, 60);
    HFONT font = CreateFontA(16, 0, 0, 0, FW_SEMIBOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, nullptr);
    HGDIOBJ old = SelectObject(canvas.dc(), font);
    SetBkMode(canvas.dc(), TRANSPARENT);
    SetTextColor(canvas.dc(), RGB(0, 225, 0));
    SIZE extent{};
    ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc(), "PICT0001.JP...", 14, &extent));
    EXPECT_EQ(extent.cy, 16);
    EXPECT_GT(extent.cx, 60);
    TextOutA(canvas.dc(), 26, 20, "PICT0001.JP...", 14);
    RECT ink = canvas.BoundsOf(RGB(0, 225, 0), 200, 60);
    EXPECT_GE(ink.left, 26);
    EXPECT_GE(ink.top, 20);
    EXPECT_LE(ink.right, 26 + extent.cx + 1);
    EXPECT_LE(ink.bottom, 20 + 16);
    EXPECT_GT(ink.right - ink.left, extent.cx / 2);
    // Transparent: everything else is still white.
    int other = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 200; ++x) {
            COLORREF c = canvas.At(x, y);
            other += c != RGB(255, 255, 255) && c != RGB(0, 225, 0);
        }
    }
    EXPECT_EQ(other, 0);
    TEXTMETRICA tm{};
    ASSERT_TRUE(GetTextMetricsA(canvas.dc(), &tm));
    EXPECT_EQ(tm.tmHeight, 16);
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, 16);
    EXPECT_EQ(tm.tmWeight, 600);
    DeleteObject(SelectObject(canvas.dc(), old));
}

TEST(Text, OpaqueFillsTheCellWithTheBackgroundColour)
{
    Canvas canvas(100, 40);
    SetBkMode(canvas.dc(), OPAQUE);
    SetBkColor(canvas.dc(), RGB(0, 0, 255));
    SetTextColor(canvas.dc(), RGB(255, 255, 0));
    SIZE extent{};
    GetTextExtentPoint32A(canvas.dc(), "Ab", 2, &extent);
    TextOutA(canvas.dc(), 5, 5, "Ab", 2);
    RECT cell = canvas.BoundsOf(RGB(0, 0, 255), 100, 40);
    RECT expected{5, 5, 5 + extent.cx, 5 + extent.cy};
    EXPECT_TRUE(EqualRect(&cell, &expected));
    EXPECT_NE(canvas.BoundsOf(RGB(255, 255, 0), 100, 40).right, 0);
}

TEST(Text, HeightsAndFaces)
{
    Canvas canvas(10, 10);
    auto metrics = [&](int height, int weight, const char* face) {
        HFONT font = CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
        HGDIOBJ old = SelectObject(canvas.dc(), font);
        TEXTMETRICA tm{};
        GetTextMetricsA(canvas.dc(), &tm);
        SelectObject(canvas.dc(), old);
        DeleteObject(font);
        return tm;
    };
    TEXTMETRICA cell = metrics(20, FW_NORMAL, "Arial");
    EXPECT_EQ(cell.tmHeight, 20);  // positive: the cell height
    TEXTMETRICA em = metrics(-20, FW_NORMAL, "Arial");
    EXPECT_GT(em.tmHeight, 20);  // negative: the character height
    TEXTMETRICA mono = metrics(-13, FW_NORMAL, "Courier New");
    EXPECT_EQ(mono.tmPitchAndFamily & 1, 0);  // fixed pitch
    EXPECT_EQ(mono.tmAveCharWidth, mono.tmMaxCharWidth);
    // "System" is bold whatever the weight asked.
    HFONT system = CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "System");
    HFONT regular = CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    SIZE bold{}, plain{};
    SelectObject(canvas.dc(), system);
    GetTextExtentPoint32A(canvas.dc(), "MMMMMMMMMM", 10, &bold);
    SelectObject(canvas.dc(), regular);
    GetTextExtentPoint32A(canvas.dc(), "MMMMMMMMMM", 10, &plain);
    SelectObject(canvas.dc(), GetStockObject(SYSTEM_FONT));
    EXPECT_GT(bold.cx, plain.cx);
    DeleteObject(system);
    DeleteObject(regular);
}

// What a font looks like: its metrics, its text's extent and the text drawn.
struct Look {
    TEXTMETRICA metrics{};
    SIZE extent{};
    std::vector<COLORREF> pixels;
    char face[LF_FACESIZE] = {};
};

Look LookOf(const char* face, int weight, BYTE pitchAndFamily)
{
    const char text[] = "Hamburgefonts 0123 Wij";
    Canvas canvas(260, 40);
    HFONT font = CreateFontA(-13, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, pitchAndFamily, face);
    HGDIOBJ old = SelectObject(canvas.dc(), font);
    Look look;
    GetTextMetricsA(canvas.dc(), &look.metrics);
    GetTextExtentPoint32A(canvas.dc(), text, int(sizeof text - 1), &look.extent);
    SetBkMode(canvas.dc(), TRANSPARENT);
    TextOutA(canvas.dc(), 2, 2, text, int(sizeof text - 1));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 260; ++x) look.pixels.push_back(canvas.At(x, y));
    HFONT unnamed = CreateFontA(-13, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, pitchAndFamily, "");
    SelectObject(canvas.dc(), unnamed);
    GetTextFaceA(canvas.dc(), LF_FACESIZE, look.face);
    SelectObject(canvas.dc(), old);
    DeleteObject(font);
    DeleteObject(unnamed);
    return look;
}

void ExpectSameLook(const Look& got, const Look& want, const char* face)
{
    EXPECT_EQ(got.metrics.tmHeight, want.metrics.tmHeight) << face;
    EXPECT_EQ(got.metrics.tmAscent, want.metrics.tmAscent) << face;
    EXPECT_EQ(got.metrics.tmAveCharWidth, want.metrics.tmAveCharWidth) << face;
    EXPECT_EQ(got.metrics.tmMaxCharWidth, want.metrics.tmMaxCharWidth) << face;
    EXPECT_EQ(got.metrics.tmPitchAndFamily, want.metrics.tmPitchAndFamily) << face;
    EXPECT_EQ(got.extent.cx, want.extent.cx) << face;
    EXPECT_TRUE(got.pixels == want.pixels) << face << " is drawn differently";
}

// The platform's face names, a name it has no face for and no name at all all
// come out in the families the platform ships, whatever else the host has
// installed or prefers (the tests run a second time with other families
// ranked first by fontconfig).
TEST(Text, FaceNamesMapToTheShippedFamilies)
{
    const Look sans = LookOf("DejaVu Sans", FW_NORMAL, 0);
    const Look sansBold = LookOf("DejaVu Sans", FW_BOLD, 0);
    const Look mono = LookOf("DejaVu Sans Mono", FW_NORMAL, 0);
    const Look serif = LookOf("DejaVu Serif", FW_NORMAL, 0);
    EXPECT_FALSE(sans.pixels == mono.pixels);
    EXPECT_FALSE(sans.pixels == serif.pixels);
    EXPECT_FALSE(sans.pixels == sansBold.pixels);
    EXPECT_EQ(mono.metrics.tmPitchAndFamily & 1, 0);  // fixed pitch
    EXPECT_EQ(mono.metrics.tmPitchAndFamily & 0xF0, FF_MODERN);
    EXPECT_EQ(serif.metrics.tmPitchAndFamily & 0xF0, FF_ROMAN);
    EXPECT_EQ(sans.metrics.tmPitchAndFamily & 0xF0, FF_SWISS);
    EXPECT_EQ(mono.metrics.tmAveCharWidth, mono.metrics.tmMaxCharWidth);
    EXPECT_EQ(mono.extent.cx, 22 * mono.metrics.tmAveCharWidth);

    struct Case {
        const char* face;
        int weight;
        BYTE pitchAndFamily;
        const Look& look;
        const char* unnamed;  // the face an unnamed font of this pitch and family gets
    };
    const Case cases[] = {
        {"Arial", FW_NORMAL, 0, sans, "DejaVu Sans"},
        {"MS Sans Serif", FW_NORMAL, 0, sans, "DejaVu Sans"},
        {"System", FW_NORMAL, 0, sansBold, "DejaVu Sans"},
        {"Courier New", FW_NORMAL, 0, mono, "DejaVu Sans"},
        {"Courier", FW_NORMAL, FIXED_PITCH, mono, "DejaVu Sans Mono"},
        {"Times New Roman", FW_NORMAL, 0, serif, "DejaVu Sans"},
        {"No Such Face", FW_NORMAL, FF_ROMAN, serif, "DejaVu Serif"},
        {"No Such Face", FW_NORMAL, FF_MODERN, mono, "DejaVu Sans Mono"},
        {"Noto Sans", FW_NORMAL, FF_SWISS, sans, "DejaVu Sans"},
        {"Noto Sans Mono", FW_NORMAL, VARIABLE_PITCH, sans, "DejaVu Sans"},
    };
    for (const Case& c : cases) {
        Look look = LookOf(c.face, c.weight, c.pitchAndFamily);
        ExpectSameLook(look, c.look, c.face);
        EXPECT_STREQ(look.face, c.unnamed) << c.face;
    }
}

// The second run's configuration really ranks another family first, so that
// the run shows something.
TEST(Text, TheOtherFontsRunPrefersAnotherFamily)
{
    const char* expected = std::getenv("WINPLAT_TEST_FIRST_FAMILY");
    if (!expected) GTEST_SKIP() << "the fonts run as the host has them";
    for (const char* generic : {"sans-serif", "serif", "monospace", "sans", "mono"}) {
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(generic));
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        ASSERT_NE(match, nullptr) << generic;
        FcChar8* family = nullptr;
        ASSERT_EQ(FcPatternGetString(match, FC_FAMILY, 0, &family), FcResultMatch);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(family)).rfind(expected, 0), 0u)
            << generic << " gives " << family << " (scripts/deps.sh test installs the Noto fonts)";
        FcPatternDestroy(match);
        FcPatternDestroy(pattern);
    }
}

TEST(Text, AFontInUseOutlivesTheFontsMadeAndDroppedAfterIt)
{
    // Many sizes come and go (the cache lets unused faces go); the one still
    // selected keeps drawing the same text.
    Canvas canvas(200, 40);
    HFONT kept = CreateFontA(18, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    HGDIOBJ old = SelectObject(canvas.dc(), kept);
    SIZE before{};
    ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc(), "Snapshot", 8, &before));
    for (int height = 5; height < 105; ++height) {
        HFONT passing = CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
        HGDIOBJ previous = SelectObject(canvas.dc(), passing);
        SIZE extent{};
        EXPECT_TRUE(GetTextExtentPoint32A(canvas.dc(), "Wg", 2, &extent));
        SelectObject(canvas.dc(), previous);
        DeleteObject(passing);
    }
    SIZE after{};
    ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc(), "Snapshot", 8, &after));
    EXPECT_EQ(after.cx, before.cx);
    SetTextColor(canvas.dc(), RGB(200, 0, 0));
    SetBkMode(canvas.dc(), TRANSPARENT);
    TextOutA(canvas.dc(), 2, 2, "Snapshot", 8);
    EXPECT_GT(canvas.BoundsOf(RGB(200, 0, 0), 200, 40).right, 2);
    DeleteObject(SelectObject(canvas.dc(), old));
}

TEST(Text, ClippedToTheClipRegion)
{
    Canvas canvas(100, 40);
    SetBkMode(canvas.dc(), TRANSPARENT);
    SetTextColor(canvas.dc(), RGB(255, 0, 0));
    IntersectClipRect(canvas.dc(), 0, 0, 20, 40);
    TextOutA(canvas.dc(), 5, 5, "WWWWWWWW", 8);
    RECT ink = canvas.BoundsOf(RGB(255, 0, 0), 100, 40);
    EXPECT_LE(ink.right, 20);
    EXPECT_GT(ink.right, 5);
    SelectClipRgn(canvas.dc(), nullptr);
    RECT box;
    EXPECT_EQ(GetClipBox(canvas.dc(), &box), SIMPLEREGION);
    RECT all{0, 0, 100, 40};
    EXPECT_TRUE(EqualRect(&box, &all));
}

// ---- Shapes and regions ---------------------------------------------------------------------

TEST(Shapes, RectangleLinesAndFrames)
{
    Canvas canvas(20, 20);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    HGDIOBJ oldPen = SelectObject(canvas.dc(), pen);
    HGDIOBJ oldBrush = SelectObject(canvas.dc(), brush);
    Rectangle(canvas.dc(), 2, 2, 10, 10);
    EXPECT_EQ(canvas.At(2, 2), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(9, 9), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(5, 5), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(10, 10), RGB(255, 255, 255));
    MoveToEx(canvas.dc(), 0, 15, nullptr);
    LineTo(canvas.dc(), 19, 15);
    EXPECT_EQ(canvas.At(0, 15), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(18, 15), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(19, 15), RGB(255, 255, 255));  // the last point is not drawn
    RECT frame{12, 0, 18, 6};
    FrameRect(canvas.dc(), &frame, brush);
    EXPECT_EQ(canvas.At(12, 0), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(14, 3), RGB(255, 255, 255));
    SelectObject(canvas.dc(), oldPen);
    SelectObject(canvas.dc(), oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

TEST(Regions, CombineAndClip)
{
    HRGN outer = CreateRectRgn(0, 0, 10, 10);
    HRGN inner = CreateRectRgn(3, 3, 7, 7);
    HRGN ring = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(ring, outer, inner, RGN_DIFF), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(ring, 1, 1));
    EXPECT_FALSE(PtInRegion(ring, 5, 5));
    RECT box;
    EXPECT_EQ(GetRgnBox(ring, &box), COMPLEXREGION);
    RECT expected{0, 0, 10, 10};
    EXPECT_TRUE(EqualRect(&box, &expected));
    EXPECT_EQ(CombineRgn(ring, ring, inner, RGN_OR), SIMPLEREGION);
    EXPECT_TRUE(EqualRgn(ring, outer));
    Canvas canvas(10, 10);
    CombineRgn(ring, outer, inner, RGN_DIFF);
    SelectClipRgn(canvas.dc(), ring);
    canvas.Fill(RGB(0, 0, 0));
    EXPECT_EQ(canvas.At(5, 5), CLR_INVALID);  // outside the clip region
    SelectClipRgn(canvas.dc(), nullptr);
    EXPECT_EQ(canvas.At(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(canvas.At(5, 5), RGB(255, 255, 255));
    EXPECT_EQ(CombineRgn(ring, outer, reinterpret_cast<HRGN>(0x3FFFFFF0), RGN_AND), ERROR);
    for (HRGN r : {outer, inner, ring}) DeleteObject(r);
}

TEST(Dibs, DibSectionBitsAndGetDIBits)
{
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = 4;
    h.biHeight = 2;
    h.biPlanes = 1;
    h.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    ASSERT_NE(bits, nullptr);
    // The first bytes are the bottom row; make its first pixel red.
    static_cast<BYTE*>(bits)[2] = 255;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, section);
    EXPECT_EQ(GetPixel(dc, 0, 1), RGB(255, 0, 0));
    SetPixel(dc, 3, 0, RGB(0, 0, 255));
    EXPECT_EQ(static_cast<BYTE*>(bits)[12 + 9], 255);  // top row, fourth pixel, blue byte
    SelectObject(dc, old);
    BITMAPINFOHEADER query = h;
    query.biBitCount = 32;
    std::vector<BYTE> rows(4 * 4 * 2);
    EXPECT_EQ(GetDIBits(dc, section, 0, 2, rows.data(), reinterpret_cast<BITMAPINFO*>(&query), DIB_RGB_COLORS), 2);
    EXPECT_EQ(rows[2], 255);  // bottom row first: red
    DeleteDC(dc);
    DeleteObject(section);
}

// A top-down 32-bit DIB section selected into a memory DC of its own.
class DibSectionCanvas {
public:
    DibSectionCanvas(int width, int height) : width_(width)
    {
        BITMAPINFOHEADER h{};
        h.biSize = sizeof h;
        h.biWidth = width;
        h.biHeight = -height;
        h.biPlanes = 1;
        h.biBitCount = 32;
        void* bits = nullptr;
        section_ = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<BYTE*>(bits);
        dc_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, section_);
    }
    ~DibSectionCanvas()
    {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(section_);
    }
    bool Valid() const { return section_ && bits_; }
    HDC dc() const { return dc_; }
    // A pixel as the program sees it in the bits: 0x00RRGGBB.
    uint32_t Bits(int x, int y) const
    {
        uint32_t v;
        std::memcpy(&v, bits_ + (size_t(y) * size_t(width_) + size_t(x)) * 4, 4);
        return v & 0xFFFFFF;
    }
    void SetBits(int x, int y, uint32_t v) { std::memcpy(bits_ + (size_t(y) * size_t(width_) + size_t(x)) * 4, &v, 4); }

private:
    int width_;
    HBITMAP section_ = nullptr;
    BYTE* bits_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

TEST(Dibs, LinesAndOutlinesLandOnADibSection)
{
    DibSectionCanvas canvas(8, 8);
    ASSERT_TRUE(canvas.Valid());
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HGDIOBJ oldPen = SelectObject(canvas.dc(), pen);
    HGDIOBJ oldBrush = SelectObject(canvas.dc(), GetStockObject(NULL_BRUSH));
    MoveToEx(canvas.dc(), 0, 2, nullptr);
    EXPECT_TRUE(LineTo(canvas.dc(), 8, 2));
    for (int x : {0, 3, 7}) {
        EXPECT_EQ(GetPixel(canvas.dc(), x, 2), RGB(255, 0, 0)) << x;
        EXPECT_EQ(canvas.Bits(x, 2), 0xFF0000u) << x;
    }
    EXPECT_EQ(GetPixel(canvas.dc(), 0, 3), RGB(0, 0, 0));
    // A polygon's outline, with nothing inside it.
    POINT box[4] = {{1, 4}, {6, 4}, {6, 7}, {1, 7}};
    EXPECT_TRUE(Polygon(canvas.dc(), box, 4));
    EXPECT_EQ(GetPixel(canvas.dc(), 1, 4), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(canvas.dc(), 6, 6), RGB(255, 0, 0));
    EXPECT_EQ(canvas.Bits(1, 4), 0xFF0000u);
    EXPECT_EQ(canvas.Bits(1, 6), 0xFF0000u);
    EXPECT_EQ(canvas.Bits(3, 5), 0u);
    SelectObject(canvas.dc(), oldBrush);
    SelectObject(canvas.dc(), oldPen);
    DeleteObject(pen);
}

TEST(Dibs, StretchBltLandsOnADibSection)
{
    DibSectionCanvas canvas(8, 8);
    ASSERT_TRUE(canvas.Valid());
    // The program paints the section green through its bits.
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) canvas.SetBits(x, y, 0x00FF00);
    }
    Canvas source(4, 4);
    source.Fill(RGB(255, 0, 0));
    // Twice as wide; the lower half of the source rectangle lies below the
    // bitmap, so those rows keep what the section holds.
    EXPECT_TRUE(StretchBlt(canvas.dc(), 0, 0, 8, 8, source.dc(), 0, 0, 4, 8, SRCCOPY));
    EXPECT_EQ(GetPixel(canvas.dc(), 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(canvas.dc(), 7, 3), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(canvas.dc(), 0, 4), RGB(0, 255, 0));
    EXPECT_EQ(canvas.Bits(0, 0), 0xFF0000u);
    EXPECT_EQ(canvas.Bits(7, 3), 0xFF0000u);
    EXPECT_EQ(canvas.Bits(7, 7), 0x00FF00u);
}

}  // namespace
