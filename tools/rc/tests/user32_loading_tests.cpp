// The compiled resources as the platform's user interface loads them: the
// dialog template becomes a dialog with its controls where the template
// places them, and bitmaps, icons and strings load.
#include "test_ids.h"

#include <commctrl.h>
#include <windows.h>
#include <winplat/automation.h>
#include <winplat/display.h>

#include <gtest/gtest.h>

namespace {

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

RECT RectInDialog(HWND dialog, int id)
{
    RECT r = {};
    HWND control = GetDlgItem(dialog, id);
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<LPPOINT>(&r), 2);
    return r;
}

class LoadedByUser32 : public ::testing::Test {
protected:
    void SetUp() override
    {
        winplat::SelectPresenter("headless");
        winplat::automation::Reset();
    }
    void TearDown() override { winplat::automation::Reset(); }
};

TEST_F(LoadedByUser32, DialogTemplateMakesTheDialogAndItsControls)
{
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PLAIN), nullptr, QuietDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(winplat::automation::Text(dialog), "Plain \"dialog\"");
    RECT client = {};
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, 556);
    EXPECT_EQ(client.bottom, 438);
    RECT frame = RectInDialog(dialog, IDC_FRAME);
    EXPECT_EQ(frame.left, 14);
    EXPECT_EQ(frame.top, 14);
    EXPECT_EQ(frame.right - frame.left, 348);
    EXPECT_EQ(frame.bottom - frame.top, 402);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_FRAME))) << "NOT WS_VISIBLE";
    EXPECT_STRCASEEQ(winplat::automation::ClassName(GetDlgItem(dialog, IDC_EDIT)).c_str(), "Edit");
    EXPECT_EQ(winplat::automation::Text(GetDlgItem(dialog, 1020)), "PREV");
    EXPECT_EQ(GetWindowLongA(GetDlgItem(dialog, 1020), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    DestroyWindow(dialog);
}

TEST_F(LoadedByUser32, ExtendedTemplateLoadsToo)
{
    InitCommonControls();  // its second control is a progress bar
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_EXTENDED), nullptr, QuietDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(winplat::automation::Text(dialog), "Creat path");
    EXPECT_EQ(winplat::automation::Text(GetDlgItem(dialog, IDOK)), "OK");
    DestroyWindow(dialog);
}

TEST_F(LoadedByUser32, BitmapsIconsAndStringsLoad)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(200));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info = {};
    ASSERT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 3);
    EXPECT_EQ(info.bmHeight, 2);
    DeleteObject(bitmap);
    HBITMAP byName = LoadBitmapA(module, "smalleight");
    EXPECT_NE(byName, nullptr);
    DeleteObject(byName);
    EXPECT_NE(LoadIconA(module, MAKEINTRESOURCEA(IDI_APP)), nullptr);
    char text[64] = {};
    EXPECT_EQ(LoadStringA(module, IDS_SECOND, text, sizeof text), 19);
    EXPECT_STREQ(text, "Line\nbreak \"quoted\"");
    EXPECT_GT(LoadStringA(module, IDS_OTHER_BLOCK, text, sizeof text), 0);
    EXPECT_STREQ(text, "Ünïcode €");
}

}  // namespace
