// The thumbnail grid: what a page shows, where the thumbnails land, the
// captions, paging by rows, the USB button's state, and a screenshot.
#include "UiTestSupport.h"

#include <cstdlib>

using namespace winplat::automation;
using uitest::IsYellow;
using uitest::Pixel;

namespace {

constexpr COLORREF kCaptionGreen = RGB(0, 225, 0);

class GridTest : public uitest::UiTest {
protected:
    // The thumbnail block of the picture `offset` places after the cursor.
    HGLOBAL ThumbnailAt(int offset)
    {
        PictureNode* node = Pictures().m_pCursor;
        for (int i = 0; i < offset && node; ++i) node = node->pNext;
        return node ? node->hThumbnail : nullptr;
    }

    // A pixel of a thumbnail block, counted from its top-left corner.
    static COLORREF ThumbnailPixel(HGLOBAL block, int x, int y)
    {
        auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
        LONG stride = ((header->biWidth * 24 + 31) / 32) * 4;
        const BYTE* p = reinterpret_cast<BYTE*>(header + 1) + (header->biHeight - 1 - y) * stride + x * 3;
        COLORREF colour = RGB(p[2], p[1], p[0]);
        GlobalUnlock(block);
        return colour;
    }

    static SIZE ThumbnailSize(HGLOBAL block)
    {
        auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
        SIZE size{header->biWidth, header->biHeight};
        GlobalUnlock(block);
        return size;
    }

    // The thumbnail of the picture shown in `cell` lies with its top-left
    // corner at `at`: its corners and centre are on screen there.
    void ExpectThumbnailAt(int cell, POINT at)
    {
        HGLOBAL block = ThumbnailAt(cell);
        ASSERT_NE(block, nullptr);
        SIZE size = ThumbnailSize(block);
        for (POINT p : {POINT{0, 0}, POINT{size.cx - 1, 0}, POINT{0, size.cy - 1}, POINT{size.cx - 1, size.cy - 1},
                        POINT{size.cx / 2, size.cy / 2}}) {
            EXPECT_EQ(Pixel(Window(), at.x + p.x, at.y + p.y), ThumbnailPixel(block, p.x, p.y))
                << "cell " << cell << " at " << p.x << "," << p.y;
        }
    }

    // Some pixel of the caption colour in the cell's caption area.
    bool CaptionShown(int cell)
    {
        POINT origin = CCameraDlg::kCellOrigins[cell];
        for (int y = origin.y + 85; y < origin.y + 85 + 16; ++y)
            for (int x = origin.x + 5; x < origin.x + 95; ++x)
                if (Pixel(Window(), x, y) == kCaptionGreen) return true;
        return false;
    }

    bool ThumbnailShown(int cell)
    {
        POINT centre = CellCentre(cell);
        return Pixel(Window(), centre.x, centre.y) != RGB(0, 0, 0);
    }

    int Position() { return Pictures().m_nPosition; }
};

TEST_F(GridTest, NinePicturesFillEveryCellWithoutPageButtons)
{
    StartWindow();
    ShowPictures(9);
    for (int cell = 0; cell < 9; ++cell) {
        EXPECT_EQ(CameraDlgProbe::CellUsed(*dlg_)[cell], 1) << cell;
        EXPECT_TRUE(CaptionShown(cell)) << cell;
        POINT origin = CCameraDlg::kCellOrigins[cell];
        ExpectThumbnailAt(cell, POINT{origin.x + 3, origin.y + 3});  // 80 x 56 in the 86 x 62 box
    }
    EXPECT_FALSE(Visible(Control(IDC_PREV)));
    EXPECT_FALSE(Visible(Control(IDC_NEXT)));
    EXPECT_EQ(Position(), 1) << "painting leaves the cursor where it was";
}

TEST_F(GridTest, ThumbnailsAreCentredOnTheirBox)
{
    StartWindow();
    ShowPictures(2, 160, 120);  // the list makes 80 x 60 thumbnails of these
    ASSERT_EQ(ThumbnailSize(ThumbnailAt(0)).cx, 80);
    ASSERT_EQ(ThumbnailSize(ThumbnailAt(0)).cy, 60);
    ExpectThumbnailAt(0, POINT{24, 36});
    ExpectThumbnailAt(1, POINT{144, 36});
    EXPECT_EQ(Pixel(Window(), 23, 60), RGB(0, 0, 0)) << "the picture window's black beside it";

    Pictures().RemoveAll();
    ShowPictures(1, 752, 560);  // the largest the list makes: 94 x 70
    ASSERT_EQ(ThumbnailSize(ThumbnailAt(0)).cx, 94);
    ASSERT_EQ(ThumbnailSize(ThumbnailAt(0)).cy, 70);
    ExpectThumbnailAt(0, POINT{17, 31});
}

TEST_F(GridTest, TenPicturesPageByARow)
{
    StartWindow();
    ShowPictures(10);
    EXPECT_TRUE(Visible(Control(IDC_PREV)));
    EXPECT_FALSE(Enabled(Control(IDC_PREV)));
    EXPECT_TRUE(Visible(Control(IDC_NEXT)));
    EXPECT_TRUE(Enabled(Control(IDC_NEXT)));

    Click(Control(IDC_NEXT));
    EXPECT_EQ(Position(), 4);
    EXPECT_FALSE(Enabled(Control(IDC_NEXT)));
    EXPECT_TRUE(Enabled(Control(IDC_PREV)));
    // Pictures 4 to 10 in cells 0 to 6; cells 7 and 8 empty.
    for (int cell = 0; cell < 9; ++cell) {
        EXPECT_EQ(CameraDlgProbe::CellUsed(*dlg_)[cell], cell < 7 ? 1 : 0) << cell;
        EXPECT_EQ(ThumbnailShown(cell), cell < 7) << cell;
        EXPECT_EQ(CaptionShown(cell), cell < 7) << cell;
    }
    ExpectThumbnailAt(0, POINT{24, 38});
    EXPECT_STREQ(Pictures().GetName(), "S0000004") << "painting leaves the cursor where it was";

    Click(Control(IDC_NEXT));
    EXPECT_EQ(Position(), 4) << "a disabled NEXT does nothing";
    Click(Control(IDC_PREV));
    EXPECT_EQ(Position(), 1);
    EXPECT_FALSE(Enabled(Control(IDC_PREV)));
    EXPECT_TRUE(Enabled(Control(IDC_NEXT)));
    EXPECT_TRUE(ThumbnailShown(8));
}

TEST_F(GridTest, TwentyFivePicturesForwardStopsAtTheLastView)
{
    StartWindow();
    ShowPictures(25);
    Command(IDC_FORWARD);
    EXPECT_EQ(Position(), 19) << "pictures 19 to 25";
    EXPECT_FALSE(Enabled(Control(IDC_NEXT)));
    EXPECT_TRUE(Enabled(Control(IDC_PREV)));
    for (int cell = 0; cell < 9; ++cell) EXPECT_EQ(ThumbnailShown(cell), cell < 7) << cell;
    Command(IDC_FORWARD);
    EXPECT_EQ(Position(), 19);

    Command(IDC_BACKWARD);
    EXPECT_EQ(Position(), 1);
    for (int press = 0; press < 8; ++press) Click(Control(IDC_NEXT));
    EXPECT_EQ(Position(), 19) << "six presses reach the same view, the others do nothing";
    Command(IDC_PREV);
    EXPECT_EQ(Position(), 16);
    Command(IDC_BACKWARD);
    Command(IDC_PREV);
    EXPECT_EQ(Position(), 1) << "PREV at the head stays there";
}

TEST_F(GridTest, PictureWithoutThumbnailShowsItsFrameAndCaptionOnly)
{
    StartWindow();
    uitest::AddPictures(Pictures(), 1, 1);
    Pictures().Add("S0000002", 1000, 20480, nullptr);  // the list could not make its thumbnail
    uitest::AddPictures(Pictures(), 3, 3);
    CameraDlgProbe::InvalidateGrid(*dlg_);
    PumpUntilIdle();
    EXPECT_TRUE(ThumbnailShown(0));
    EXPECT_FALSE(ThumbnailShown(1));
    EXPECT_TRUE(CaptionShown(1));
    EXPECT_TRUE(ThumbnailShown(2));
    EXPECT_EQ(CameraDlgProbe::CellUsed(*dlg_)[1], 1) << "the picture can still be selected";
    Click(Window(), CellCentre(1));
    EXPECT_EQ(Pictures().CountSelected(), 1);
    EXPECT_TRUE(Pictures().IsSelectedAt(1));

    // A page whose first picture has no thumbnail is not drawn.
    Pictures().RemoveAll();
    Pictures().Add("S0000009", 1000, 20480, nullptr);
    uitest::AddPictures(Pictures(), 10, 11);
    CameraDlgProbe::InvalidateGrid(*dlg_);
    PumpUntilIdle();
    for (int cell = 0; cell < 3; ++cell) {
        EXPECT_FALSE(ThumbnailShown(cell)) << cell;
        EXPECT_FALSE(CaptionShown(cell)) << cell;
    }
}

TEST_F(GridTest, LabelsAreTheNamesLastPartCutToTwelveCharacters)
{
    EXPECT_STREQ(CameraDlgProbe::MakeLabel("ABCDEFGHIJKL"), "ABCDEFGHI...");
    EXPECT_STREQ(CameraDlgProbe::MakeLabel("ABCDEFGHIJK"), "ABCDEFGHIJK");
    EXPECT_STREQ(CameraDlgProbe::MakeLabel("C:\\DCIM\\PICT0001.JPG"), "PICT0001....");
    EXPECT_STREQ(CameraDlgProbe::MakeLabel("C:\\DCIM\\P1.JPG"), "P1.JPG");
    EXPECT_STREQ(CameraDlgProbe::MakeLabel("AB"), "AB");
    EXPECT_STREQ(CameraDlgProbe::MakeLabel("A"), "");
    EXPECT_STREQ(CameraDlgProbe::MakeLabel(""), "");
    EXPECT_STREQ(CameraDlgProbe::MakeLabel(nullptr), "");
    EXPECT_STREQ(CameraDlgProbe::MakeLabel("S0000001"), "S0000001");
    // A backslash right after the first character is not a folder.
    EXPECT_STREQ(CameraDlgProbe::MakeLabel("A\\BCDEFGHIJKLMN"), "A\\BCDEFGH...");
    EXPECT_STREQ(CameraDlgProbe::MakeLabel("\\\\X"), "\\\\X") << "the first character is never searched";
    EXPECT_STREQ(CameraDlgProbe::MakeLabel("AB\\"), "");
}

// A pixel of the USB lamp, on screen and in the button's bitmaps.
COLORREF UsbLamp(const char* bitmapName)
{
    CBitmap bitmap;
    if (!bitmap.LoadBitmap(bitmapName)) return CLR_INVALID;
    CDC memory;
    memory.CreateCompatibleDC(nullptr);
    CBitmap* previous = memory.SelectObject(&bitmap);
    COLORREF pixel = memory.GetPixel(10, 12);
    memory.SelectObject(previous);
    return pixel;
}

TEST_F(GridTest, UsbButtonIsDrawnPushedInCameraMode)
{
    StartWindow();
    ASSERT_NE(UsbLamp("USBU"), UsbLamp("USBD"));
    EXPECT_EQ(Pixel(Control(IDC_USB), 10, 12), UsbLamp("USBU"));
    CameraDlgProbe::CameraMode(*dlg_) = 1;
    CameraDlgProbe::InvalidateGrid(*dlg_);
    PumpUntilIdle();
    EXPECT_EQ(Pixel(Control(IDC_USB), 10, 12), UsbLamp("USBD"));
    EXPECT_NE(SendMessageA(Control(IDC_USB), BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
    // It stays pushed through every repaint.
    Command(IDC_SELECT);
    dlg_->Invalidate();
    PumpUntilIdle();
    EXPECT_EQ(Pixel(Control(IDC_USB), 10, 12), UsbLamp("USBD"));
}

// The main window with nine pictures, the fifth selected: saved in the build
// tree for a person to look at (and for the run under other fonts to compare
// with), and checked at a few telling pixels.
TEST_F(GridTest, ScreenshotOfNinePicturesOneSelected)
{
    StartWindow();
    ShowPictures(9);
    Click(Window(), CellCentre(4));
    const char* scratch = std::getenv("WINPLAT_TEST_SCRATCH");
    std::string path = std::string(scratch ? scratch : UI_TEST_OUTPUT_DIR) + "/snapfetch_main_window.png";
    ASSERT_TRUE(SavePicture(Window(), path.c_str())) << path;

    EXPECT_TRUE(IsYellow(Pixel(Window(), 137, 155))) << "the selected frame's top-left mark";
    EXPECT_TRUE(IsYellow(Pixel(Window(), 230, 235))) << "its bottom-right mark";
    EXPECT_FALSE(IsYellow(Pixel(Window(), 17, 26))) << "an unselected frame's corner";
    EXPECT_FALSE(IsYellow(Pixel(Window(), 257, 155))) << "its neighbour's corner";
    POINT centre = CellCentre(4);
    EXPECT_EQ(Pixel(Window(), centre.x, centre.y), ThumbnailPixel(ThumbnailAt(4), 40, 28)) << "the thumbnail's centre";
}

}  // namespace
