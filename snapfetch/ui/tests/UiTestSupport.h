// Shared pieces of the window tests: a headless display, an application
// object, the main window started as the program starts it (without a
// camera), pictures made from the virtual camera's sample pictures and
// decoded by the program's own decoder, and a probe into the window.
#pragma once

#include "CameraDlg.h"
#include "SampleThumbnails.h"

#include <winplat/automation.h>
#include <winplat/display.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

// The text of the start-up message when no camera is found.
extern const char kNoCameraText[];

// The main window's members, as the tests read and set them.
struct CameraDlgProbe {
    static CPictureList& Pictures(CCameraDlg& dlg) { return dlg.m_pictures; }
    static BYTE& CameraMode(CCameraDlg& dlg) { return dlg.m_bCameraMode; }
    static BYTE PressedCell(CCameraDlg& dlg) { return dlg.m_nPressedCell; }
    static int PressKeys(CCameraDlg& dlg) { return dlg.m_nPressKeys; }
    static const int* CellUsed(CCameraDlg& dlg) { return dlg.m_bCellUsed; }
    static const RECT* CellFrames(CCameraDlg& dlg) { return dlg.m_rcCellFrame; }
    static const RECT* CellThumbs(CCameraDlg& dlg) { return dlg.m_rcCellThumb; }
    static const BITMAP& FrameInfo(CCameraDlg& dlg) { return dlg.m_bmFrameInfo; }
    static HICON Icon(CCameraDlg& dlg) { return dlg.m_hIcon; }
    static const CString& DestFolder(CCameraDlg& dlg) { return dlg.m_strDestFolder; }
    static IStillImage* StillImage(CCameraDlg& dlg) { return dlg.m_camera.StillImage(); }
    static IStiDevice* StiDevice(CCameraDlg& dlg) { return dlg.m_camera.Device(); }
    static PSTI_DEVICE_INFORMATIONW DeviceList(CCameraDlg& dlg) { return dlg.m_camera.DeviceList(); }
    static HGDIOBJ Frame(CCameraDlg& dlg) { return dlg.m_bmpFrame.m_hObject; }
    static HGDIOBJ FrameSelected(CCameraDlg& dlg) { return dlg.m_bmpFrameSelected.m_hObject; }
    static CString MakeLabel(LPCSTR lpszName) { return CCameraDlg::MakeLabel(lpszName); }
    static void UpdatePageButtons(CCameraDlg& dlg) { dlg.UpdatePageButtons(); }
    static void InvalidateGrid(CCameraDlg& dlg) { dlg.InvalidateGrid(); }
};

namespace uitest {

// The camera's picture name of number n: "S" and seven digits.
std::string PictureName(int n);
// Appends pictures first..last to the list as the thumbnail load does, with
// thumbnails of the given size, and rewinds the list.
void AddPictures(CPictureList& list, int first, int last, int width = 160, int height = 107);

// Pixels of the window's presented picture.
COLORREF Pixel(HWND window, int x, int y);
bool IsYellow(COLORREF colour);

class UiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the main window as the program's start-up would, modeless so
    // that the test can act on it; the no-camera message is answered.
    void StartWindow();
    // Adds pictures to the window's list, updates the page buttons and
    // repaints, as the thumbnail load ends.
    void ShowPictures(int count, int width = 160, int height = 107);
    // Sends a button's command to the window, as a click on it would.
    void Command(int id);
    // The client point at the centre of a cell's thumbnail box.
    POINT CellCentre(int cell) const;

    CPictureList& Pictures() { return CameraDlgProbe::Pictures(*dlg_); }
    HWND Window() const { return dlg_->m_hWnd; }
    HWND Control(int id) const { return ::GetDlgItem(dlg_->m_hWnd, id); }

    std::unique_ptr<CWinApp> app_;
    std::unique_ptr<CCameraDlg> dlg_;
};

}  // namespace uitest
