// The dialog manager: templates, dialog units, modal loops and their end
// codes, focus and the dialog keys.
#include "dialog_builder.h"
#include "test_support.h"

#include <winplat/objects.h>
#include <winplat/resources.h>

using namespace test;
namespace wa = winplat::automation;

namespace {

std::vector<std::pair<UINT, WPARAM>> g_dialogLog;
BOOL g_initResult = TRUE;

INT_PTR CALLBACK EndingProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        g_dialogLog.push_back({msg, wParam});
        SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
        return g_initResult;
    case WM_COMMAND:
        g_dialogLog.push_back({msg, wParam});
        if (HIWORD(wParam) == BN_CLICKED) EndDialog(hDlg, LOWORD(wParam));
        return TRUE;
    default: return FALSE;
    }
}

// The "Creat path" dialog: an extended template.
DialogBuilder PathDialog()
{
    DialogBuilder b(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 197, 63, "Creat path", "System", 10,
                    true);
    b.Item(0x80, "OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 93, 37, 38, 14)
        .Item(0x80, "Cancel", IDCANCEL, WS_VISIBLE | WS_TABSTOP, 141, 37, 38, 14)
        .Item(0x82, "Creat path:", -1, WS_VISIBLE | SS_LEFT, 16, 7, 133, 10)
        .Item(0x81, "", 1018, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 7, 20, 183, 12);
    return b;
}

// The main window's layout: a grid frame and owner-drawn buttons.
DialogBuilder MainDialog()
{
    DialogBuilder b(WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME, 0, 0, 278, 219,
                    "RQ5800 V1.10 -- MAROVANE Technology INC.");
    b.Item(0x82, "", 1004, SS_BLACKFRAME, 7, 7, 174, 201)
        .Item(0x80, "PREV", 1020, WS_VISIBLE | BS_OWNERDRAW, 183, 72, 10, 10)
        .Item(0x80, "EXIT", 1000, WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 204, 143, 20, 14)
        .Item(0x80, "ACQUIRE", 1001, WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 204, 89, 20, 14);
    return b;
}

class Dialogs : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        g_dialogLog.clear();
        g_initResult = TRUE;
    }
};

TEST_F(Dialogs, DialogUnitsOfTheSystemFontAreEightBySixteenPixels)
{
    DialogBuilder b = MainDialog();
    HWND dlg = CreateDialogIndirectParamA(nullptr, b.Get(), nullptr, EndingProc, 0);
    ASSERT_NE(dlg, nullptr);
    RECT client;
    GetClientRect(dlg, &client);
    EXPECT_EQ(client.right, 556);
    EXPECT_EQ(client.bottom, 438);
    RECT frame;
    GetWindowRect(GetDlgItem(dlg, 1004), &frame);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&frame), 2);
    EXPECT_EQ(frame.left, 14);
    EXPECT_EQ(frame.top, 14);
    EXPECT_EQ(frame.right, 14 + 348);
    EXPECT_EQ(frame.bottom, 14 + 402);
    RECT du{7, 7, 181, 208};
    MapDialogRect(dlg, &du);
    EXPECT_TRUE(EqualRect(&du, &frame));
    EXPECT_EQ(GetDialogBaseUnits(), MAKELONG(8, 16));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, 1004)));
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_EQ(wa::Text(dlg), "RQ5800 V1.10 -- MAROVANE Technology INC.");
}

TEST_F(Dialogs, CourierNewTenPointAlsoHasEightBySixteenUnitsAndDsCenterCentres)
{
    DialogBuilder b(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER, 0, 0, 136, 42, "Downloading...",
                    "Courier New", 10);
    b.Item(0x82, "", 1007, SS_LEFT, 7, 14, 122, 8).Item(0x82, "", 1008, WS_VISIBLE | SS_LEFT, 22, 25, 90, 8);
    HWND dlg = CreateDialogIndirectParamA(nullptr, b.Get(), nullptr, EndingProc, 0);
    ASSERT_NE(dlg, nullptr);
    EXPECT_FALSE(IsWindowVisible(dlg));  // no WS_VISIBLE: made hidden
    RECT r;
    GetWindowRect(dlg, &r);
    EXPECT_EQ(r.right - r.left, 272);
    EXPECT_EQ(r.bottom - r.top, 84);
    EXPECT_EQ(r.left, (1024 - 272) / 2);
    EXPECT_EQ(r.top, (768 - 84) / 2);
    GetWindowRect(GetDlgItem(dlg, 1007), &r);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    RECT expected{14, 28, 258, 44};
    EXPECT_TRUE(EqualRect(&r, &expected));
}

TEST_F(Dialogs, EnterGivesIdokThroughTheDefaultButton)
{
    DialogBuilder b = PathDialog();
    wa::WhenModalKey(VK_RETURN);
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, b.Get(), nullptr, EndingProc, 0), IDOK);
    ASSERT_EQ(g_dialogLog.size(), 2u);
    EXPECT_EQ(g_dialogLog[1].second, MAKEWPARAM(IDOK, BN_CLICKED));
}

TEST_F(Dialogs, EscGivesIdcancel)
{
    DialogBuilder b = PathDialog();
    wa::WhenModalKey(VK_ESCAPE);
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, b.Get(), nullptr, EndingProc, 0), IDCANCEL);
}

TEST_F(Dialogs, ClickingAButtonEndsWithItsId)
{
    DialogBuilder b = PathDialog();
    wa::WhenModalClick(IDCANCEL);
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, b.Get(), nullptr, EndingProc, 0), IDCANCEL);
    wa::WhenModalClick(IDOK);
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, b.Get(), nullptr, EndingProc, 0), IDOK);
}

TEST_F(Dialogs, TheCloseBoxIsCancelAndADialogWithoutSystemMenuIgnoresIt)
{
    DialogBuilder b = PathDialog();
    wa::WhenModal([](HWND dlg) { wa::CloseBox(dlg); });
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, b.Get(), nullptr, EndingProc, 0), IDCANCEL);

    DialogBuilder main = MainDialog();
    wa::WhenModal([](HWND dlg) {
        wa::CloseBox(dlg);
        EXPECT_TRUE(IsWindowVisible(dlg));
        wa::PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, main.Get(), nullptr, EndingProc, 0), IDCANCEL);
    EXPECT_TRUE(wa::UnexpectedModals().empty());
}

TEST_F(Dialogs, TypingIntoTheEditAndEnter)
{
    DialogBuilder b = PathDialog();
    std::string typed;
    wa::WhenModal([&typed](HWND dlg) {
        HWND edit = GetDlgItem(dlg, 1018);
        SetWindowTextA(edit, "C:\\OLD\\");
        wa::Click(edit);
        wa::PressKey(VK_END);
        wa::TypeText("NEW");
        typed = wa::Text(edit);
        wa::PressKey(VK_RETURN);
    });
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, b.Get(), nullptr, EndingProc, 0), IDOK);
    EXPECT_EQ(typed, "C:\\OLD\\NEW");
}

TEST_F(Dialogs, InitDialogTrueFocusesTheFirstTabStop)
{
    DialogBuilder b = PathDialog();
    HWND dlg = CreateDialogIndirectParamA(nullptr, b.Get(), nullptr, EndingProc, 1234);
    ASSERT_EQ(g_dialogLog.size(), 1u);
    EXPECT_EQ(g_dialogLog[0].first, UINT(WM_INITDIALOG));
    EXPECT_EQ(reinterpret_cast<HWND>(g_dialogLog[0].second), GetDlgItem(dlg, IDOK));
    EXPECT_EQ(GetWindowLongPtrA(dlg, DWLP_USER), 1234);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDOK));
    DestroyWindow(dlg);

    g_initResult = FALSE;
    dlg = CreateDialogIndirectParamA(nullptr, b.Get(), nullptr, EndingProc, 0);
    EXPECT_NE(GetFocus(), GetDlgItem(dlg, IDOK));
}

TEST_F(Dialogs, TabAndShiftTabWalkTheTabStopsAndSelectEditText)
{
    DialogBuilder b = PathDialog();
    HWND dlg = CreateDialogIndirectParamA(nullptr, b.Get(), nullptr, EndingProc, 0);
    ShowWindow(dlg, SW_SHOW);
    HWND edit = GetDlgItem(dlg, 1018);
    SetWindowTextA(edit, "abc");
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDOK));
    wa::PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDCANCEL));
    wa::PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), edit);  // the static is no tab stop
    DWORD start = 9, end = 9;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 3u);
    wa::PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDOK));
    wa::PressKey(VK_TAB, MK_SHIFT);
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_EQ(wa::Text(edit), "abc");  // no tab character typed
}

TEST_F(Dialogs, AFocusedPushButtonIsTheDefaultForEnter)
{
    DialogBuilder b = PathDialog();
    wa::WhenModal([](HWND dlg) {
        wa::PressKey(VK_TAB);  // to Cancel
        EXPECT_EQ(GetWindowLongA(GetDlgItem(dlg, IDCANCEL), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
        EXPECT_EQ(GetWindowLongA(GetDlgItem(dlg, IDOK), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
        wa::PressKey(VK_RETURN);
    });
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, b.Get(), nullptr, EndingProc, 0), IDCANCEL);
}

TEST_F(Dialogs, EnterOnAnOwnerDrawnButtonGivesIdok)
{
    // The main window's first tab stop is an owner-drawn button; Enter
    // still ends the dialog with IDOK, not with that button.
    DialogBuilder b = MainDialog();
    wa::WhenModal([](HWND dlg) {
        EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 1000));
        wa::PressKey(VK_RETURN);
    });
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, b.Get(), nullptr, EndingProc, 0), IDOK);
    ASSERT_FALSE(g_dialogLog.empty());
    EXPECT_EQ(g_dialogLog.back().second, MAKEWPARAM(IDOK, BN_CLICKED));
}

TEST_F(Dialogs, TheOwnerIsDisabledWhileTheModalLoopRuns)
{
    HWND owner = MakeWindow(nullptr, 0, 0, 300, 200, RGB(0, 0, 0), WS_VISIBLE);
    DialogBuilder b = PathDialog();
    bool ownerEnabled = true;
    HWND active = nullptr;
    wa::WhenModal([&](HWND dlg) {
        ownerEnabled = IsWindowEnabled(owner) != FALSE;
        active = GetActiveWindow();
        EXPECT_EQ(active, dlg);
        // A click on the disabled owner goes nowhere.
        Log().clear();
        wa::Click(owner, POINT{5, 5});
        EXPECT_TRUE(Messages(owner, {WM_LBUTTONDOWN}).empty());
        wa::PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, b.Get(), owner, EndingProc, 0), IDCANCEL);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);
}

TEST_F(Dialogs, AnUnansweredModalDialogIsEndedAndRecorded)
{
    DialogBuilder b = PathDialog();
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, b.Get(), nullptr, EndingProc, 0), IDCANCEL);
    std::vector<wa::ModalRecord> unexpected = wa::UnexpectedModals();
    ASSERT_EQ(unexpected.size(), 1u);
    EXPECT_EQ(unexpected[0].caption, "Creat path");
    EXPECT_EQ(unexpected[0].result, IDCANCEL);
    EXPECT_FALSE(unexpected[0].messageBox);
}

TEST_F(Dialogs, EndDialogDuringInitDialogNeverShowsTheDialog)
{
    DialogBuilder b = PathDialog();
    auto proc = [](HWND dlg, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg == WM_INITDIALOG) {
            EndDialog(dlg, 42);
            return TRUE;
        }
        if (msg == WM_SHOWWINDOW) ADD_FAILURE() << "shown";
        return FALSE;
    };
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, b.Get(), nullptr, proc, 0), 42);
    EXPECT_TRUE(wa::ModalHistory().empty() || !wa::ModalHistory()[0].unexpected);
}

TEST_F(Dialogs, DlgProcResultsGoThroughDwlpMsgresult)
{
    DialogBuilder b = PathDialog();
    auto proc = [](HWND dlg, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg == WM_USER + 100) {
            SetWindowLongPtrA(dlg, DWLP_MSGRESULT, 77);
            return TRUE;
        }
        if (msg == WM_CTLCOLORDLG) return reinterpret_cast<INT_PTR>(GetStockObject(BLACK_BRUSH));
        return FALSE;
    };
    HWND dlg = CreateDialogIndirectParamA(nullptr, b.Get(), nullptr, proc, 0);
    EXPECT_EQ(SendMessageA(dlg, WM_USER + 100, 0, 0), 77);
    EXPECT_EQ(SendMessageA(dlg, WM_CTLCOLORDLG, 0, 0), reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(SendMessageA(dlg, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
    ShowWindow(dlg, SW_SHOW);
    wa::PumpUntilIdle();
    // The dialog's own brush painted its background.
    EXPECT_EQ(Pixel(dlg, 2, 2), RGB(0, 0, 0));
}

TEST_F(Dialogs, ModelessDialogsTakeTheirKeysThroughIsDialogMessage)
{
    DialogBuilder b = PathDialog();
    HWND dlg = CreateDialogIndirectParamA(nullptr, b.Get(), nullptr, EndingProc, 0);
    ShowWindow(dlg, SW_SHOW);
    wa::PressKey(VK_ESCAPE);
    ASSERT_FALSE(g_dialogLog.empty());
    EXPECT_EQ(g_dialogLog.back().second, MAKEWPARAM(IDCANCEL, BN_CLICKED));
}

TEST_F(Dialogs, ControlsGetTheDialogFont)
{
    DialogBuilder b = PathDialog();
    HWND dlg = CreateDialogIndirectParamA(nullptr, b.Get(), nullptr, EndingProc, 0);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dlg, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(GetDlgItem(dlg, 1018), WM_GETFONT, 0, 0)), font);
    LOGFONTA lf{};
    ASSERT_EQ(GetObjectA(font, sizeof lf, &lf), int(sizeof lf));
    EXPECT_STREQ(lf.lfFaceName, "System");
    EXPECT_EQ(lf.lfHeight, -13);
    EXPECT_EQ(lf.lfCharSet, 1);
}

TEST_F(Dialogs, BadTemplatesAndParentsFail)
{
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(9999), nullptr, EndingProc, 0), -1);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_TYPE_NOT_FOUND));
    DialogBuilder b = PathDialog();
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, b.Get(), reinterpret_cast<HWND>(0x7FFFFFF0), EndingProc, 0), -1);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    DialogBuilder unknown(WS_POPUP, 0, 0, 10, 10, "x");
    unknown.Item("NoSuchClass", "", 5, WS_VISIBLE, 0, 0, 5, 5);
    EXPECT_EQ(CreateDialogIndirectParamA(nullptr, unknown.Get(), nullptr, EndingProc, 0), nullptr);
    EXPECT_TRUE(wa::TopLevelWindows().empty());
}

TEST_F(Dialogs, DialogResourcesAreFoundByName)
{
    static DialogBuilder b = PathDialog();
    HMODULE module = GetModuleHandleA(nullptr);
    winplat::RegisterResource(module, RT_DIALOG, MAKEINTRESOURCEA(131), b.Bytes().data(), DWORD(b.Bytes().size()));
    wa::WhenModalKey(VK_RETURN);
    EXPECT_EQ(DialogBoxParamA(module, MAKEINTRESOURCEA(131), nullptr, EndingProc, 0), IDOK);
    // A template cut short is refused, not read past its end.
    static std::vector<BYTE> shortened(b.Bytes().begin(), b.Bytes().begin() + 60);
    winplat::RegisterResource(module, RT_DIALOG, MAKEINTRESOURCEA(132), shortened.data(), DWORD(shortened.size()));
    EXPECT_EQ(DialogBoxParamA(module, MAKEINTRESOURCEA(132), nullptr, EndingProc, 0), -1);
    winplat::UnregisterResources(module);
}

TEST_F(Dialogs, DialogsAndMessageBoxesLeaveNoObjectsBehind)
{
    DialogBuilder b = PathDialog();
    auto run = [&b] {
        wa::WhenModal([](HWND dlg) {
            wa::Click(GetDlgItem(dlg, 1018));
            wa::TypeText("abc");
            wa::PressKey(VK_RETURN);
        });
        DialogBoxIndirectParamA(nullptr, b.Get(), nullptr, EndingProc, 0);
        wa::WhenModalKey(VK_ESCAPE);
        MessageBoxA(nullptr, "t", "c", MB_YESNO | MB_ICONQUESTION);
    };
    run();  // makes what lives for good (system brushes, icons, cursors)
    size_t gdi = winplat::CountObjects(winplat::ObjectKind::Gdi);
    size_t windows = winplat::CountObjects(winplat::ObjectKind::Window);
    for (int i = 0; i < 3; ++i) run();
    EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::Gdi), gdi);
    EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::Window), windows);
}

TEST_F(Dialogs, GetDlgItemOfAnUnknownIdFails)
{
    DialogBuilder b = PathDialog();
    HWND dlg = CreateDialogIndirectParamA(nullptr, b.Get(), nullptr, EndingProc, 0);
    EXPECT_EQ(GetDlgItem(dlg, 4242), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CONTROL_ID_NOT_FOUND));
    EXPECT_EQ(GetDlgCtrlID(GetDlgItem(dlg, -1)), -1);  // an extended template's id is 32 bits
    char text[8] = "x";
    EXPECT_EQ(GetDlgItemTextA(dlg, 4242, text, sizeof text), 0u);
    EXPECT_STREQ(text, "");
}

}  // namespace
