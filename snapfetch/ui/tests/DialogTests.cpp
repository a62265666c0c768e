// The progress window and the "Creat path" dialog.
#include "CreatePathDlg.h"
#include "ProgressDlg.h"
#include "UiTestSupport.h"

#include <vector>

using namespace winplat::automation;

// The progress window's bar, as the tests read it.
struct ProgressDlgProbe {
    static CProgressCtrl& Bar(CProgressDlg& dlg) { return dlg.m_progress; }
};

namespace {

class DialogTest : public uitest::UiTest {};

// Messages that reach a window, recorded in front of its own procedure.
struct MessageLog {
    struct Entry {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    static inline std::vector<Entry> entries;
    static inline WNDPROC original = nullptr;

    static LRESULT CALLBACK Record(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message >= WM_USER && message < WM_USER + 0x100) entries.push_back({message, wParam, lParam});
        return CallWindowProcA(original, hWnd, message, wParam, lParam);
    }
    static void Attach(HWND window)
    {
        entries.clear();
        original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MessageLog::Record)));
    }
    static void Detach(HWND window) { SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original)); }
};

TEST_F(DialogTest, ProgressWindowIsMadeHidden)
{
    CProgressDlg progress;
    ASSERT_NE(progress.m_hWnd, nullptr);
    EXPECT_FALSE(Visible(progress.m_hWnd));
    EXPECT_EQ(Text(progress.m_hWnd), "Downloading...");
    EXPECT_EQ(progress.GetStyle() & WS_SYSMENU, 0u) << "no close box";
    HWND bar = GetDlgItem(progress.m_hWnd, IDC_PROGRESS_BAR);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar, ProgressDlgProbe::Bar(progress).m_hWnd);
    EXPECT_EQ(ClassName(bar), PROGRESS_CLASSA);
    EXPECT_NE(GetWindowLongA(bar, GWL_STYLE) & WS_VISIBLE, 0);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
    // The bar takes the hidden placeholder's place.
    CRect barRect, placeRect;
    ::GetWindowRect(bar, &barRect);
    ::GetWindowRect(GetDlgItem(progress.m_hWnd, IDC_PROGRESS_PLACE), &placeRect);
    EXPECT_EQ(barRect, placeRect);
    EXPECT_FALSE(Visible(GetDlgItem(progress.m_hWnd, IDC_PROGRESS_PLACE)));
    EXPECT_TRUE(ModalHistory().empty());
}

TEST_F(DialogTest, ProgressWindowIsDrivenByItsUser)
{
    HWND window = nullptr, bar = nullptr;
    {
        CProgressDlg progress;
        window = progress.m_hWnd;
        bar = GetDlgItem(window, IDC_PROGRESS_BAR);
        MessageLog::Attach(bar);
        progress.SetRange(1, 5);
        progress.SetStep(1);
        progress.ShowWindow(SW_SHOW);
        progress.SetText("1 of 5");
        progress.StepIt();
        MessageLog::Detach(bar);

        ASSERT_EQ(MessageLog::entries.size(), 3u);
        EXPECT_EQ(MessageLog::entries[0].message, static_cast<UINT>(PBM_SETRANGE));
        EXPECT_EQ(MessageLog::entries[0].wParam, 0u);
        EXPECT_EQ(MessageLog::entries[0].lParam, (5 << 16) | 1) << "lower bound low, upper bound high";
        EXPECT_EQ(MessageLog::entries[1].message, static_cast<UINT>(PBM_SETSTEP));
        EXPECT_EQ(MessageLog::entries[1].wParam, 1u);
        EXPECT_EQ(MessageLog::entries[2].message, static_cast<UINT>(PBM_STEPIT));
        EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 2);
        EXPECT_TRUE(Visible(window));
        EXPECT_EQ(Text(GetDlgItem(window, IDC_PROGRESS_TEXT)), "1 of 5");
        progress.ShowWindow(SW_HIDE);
        EXPECT_FALSE(Visible(window));
    }
    EXPECT_FALSE(IsWindow(bar));
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(DialogTest, CreatePathOkTakesTheEditedText)
{
    CCreatePathDlg dlg;
    EXPECT_TRUE(dlg.m_strPath.IsEmpty());
    dlg.m_strPath = "C:\\WINDOWS\\TWAIN_32\\Marovane\\SAMPLE\\";
    std::string shown, caption, label;
    WhenModal([&](HWND modal) {
        caption = Text(modal);
        label = Text(FindControlByText(modal, "Creat path:"));
        HWND edit = GetDlgItem(modal, IDC_PATH);
        shown = Text(edit);
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        TypeText("C:\\PHOTOS\\TRIP");
        PressKey(VK_RETURN);  // OK is the default button
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(caption, "Creat path");
    EXPECT_EQ(label, "Creat path:");
    EXPECT_EQ(shown, "C:\\WINDOWS\\TWAIN_32\\Marovane\\SAMPLE\\");
    EXPECT_STREQ(dlg.m_strPath, "C:\\PHOTOS\\TRIP");
    EXPECT_EQ(dlg.m_hWnd, nullptr) << "the window lives for one DoModal only";
}

TEST_F(DialogTest, CreatePathCancelKeepsThePreset)
{
    CCreatePathDlg dlg;
    dlg.m_strPath = "C:\\KEEP\\";
    WhenModal([](HWND modal) {
        SetWindowTextA(GetDlgItem(modal, IDC_PATH), "C:\\CHANGED");
        ClickButton(modal, IDCANCEL);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_STREQ(dlg.m_strPath, "C:\\KEEP\\");

    WhenModal([](HWND modal) {
        SetWindowTextA(GetDlgItem(modal, IDC_PATH), "C:\\CHANGED");
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_STREQ(dlg.m_strPath, "C:\\KEEP\\");
    EXPECT_TRUE(UnexpectedModals().empty());
}

}  // namespace
