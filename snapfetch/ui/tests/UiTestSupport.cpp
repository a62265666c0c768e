#include "UiTestSupport.h"

#include <cstdio>

const char kNoCameraText[] =
    "Can not find digital camera!\nTIP:\n(1)Check if digital camear is powered on already.\n"
    "(2)Check if the either USB or RS232 cable is connected properly.\n"
    "(3)Turn off camear. Reset and plug it again.";

namespace uitest {

using winplat::automation::PumpUntilIdle;

std::string PictureName(int n)
{
    char name[16];
    std::snprintf(name, sizeof name, "S%07d", n);
    return name;
}

void AddPictures(CPictureList& list, int first, int last, int width, int height)
{
    for (int n = first; n <= last; ++n) {
        HGLOBAL dib = DecodedThumbnail(n, width, height);
        list.Add(PictureName(n).c_str(), 100000u + n, 20480, dib);
        GlobalFree(dib);
    }
    list.Rewind();
}

COLORREF Pixel(HWND window, int x, int y) { return winplat::automation::PixelAt(window, POINT{x, y}); }

bool IsYellow(COLORREF colour) { return GetRValue(colour) > 200 && GetGValue(colour) > 180 && GetBValue(colour) < 80; }

void UiTest::SetUp()
{
    winplat::SelectPresenter("headless");
    winplat::automation::Reset();
    app_ = std::make_unique<CWinApp>();
}

void UiTest::TearDown()
{
    if (dlg_ && dlg_->m_hWnd) dlg_->DestroyWindow();
    dlg_.reset();
    winplat::automation::Reset();
    CWnd::DeleteTempMap();
    CDC::DeleteTempMap();
    CGdiObject::DeleteTempMap();
    app_.reset();
}

void UiTest::StartWindow()
{
    winplat::automation::WhenModalClick(IDOK);
    dlg_ = std::make_unique<CCameraDlg>();
    ASSERT_TRUE(dlg_->Create(CCameraDlg::IDD));
    PumpUntilIdle();
}

void UiTest::ShowPictures(int count, int width, int height)
{
    AddPictures(Pictures(), 1, count, width, height);
    CameraDlgProbe::UpdatePageButtons(*dlg_);
    CameraDlgProbe::InvalidateGrid(*dlg_);
    PumpUntilIdle();
}

void UiTest::Command(int id)
{
    dlg_->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(id)));
    PumpUntilIdle();
}

POINT UiTest::CellCentre(int cell) const
{
    POINT origin = CCameraDlg::kCellOrigins[cell];
    return POINT{origin.x + 43, origin.y + 31};
}

}  // namespace uitest
