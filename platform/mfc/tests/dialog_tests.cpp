// CDialog: modal end codes, the focus at start, data exchange on OK only,
// failed exchanges, modeless dialogs and missing resources.
#include "framework_test.h"
#include "test_ids.h"

using namespace winplat::automation;

namespace {

class CFormDlg : public CDialog {
public:
    explicit CFormDlg(CWnd* pParent = nullptr) : CDialog(IDD_FORM, pParent) {}
    CString m_strName;
    int initCalls = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, IDC_NAME, m_strName); }
    BOOL OnInitDialog() override
    {
        ++initCalls;
        return CDialog::OnInitDialog();
    }
    afx_msg void OnSeven() { EndDialog(7); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CFormDlg, CDialog)
    ON_BN_CLICKED(IDC_END_SEVEN, &CFormDlg::OnSeven)
END_MESSAGE_MAP()

class CNumbersDlg : public CDialog {
public:
    CNumbersDlg() : CDialog(IDD_NUMBERS) {}
    int m_nSigned = 5;
    UINT m_nUnsigned = 6;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_NAME, m_nSigned);
        DDX_Text(pDX, IDC_COUNT, m_nUnsigned);
    }
};

// A dialog whose exchange names a control the template does not have.
class CWrongIdDlg : public CDialog {
public:
    CWrongIdDlg() : CDialog(IDD_FORM) {}
    CString m_strText;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, 4242, m_strText); }
};

std::string ItemText(HWND dialog, int id) { return Text(FindControl(dialog, id)); }

void ReplaceEditText(HWND dialog, int id, const char* text)
{
    HWND edit = FindControl(dialog, id);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    TypeText(text);
}

using DialogTest = FrameworkTest;

TEST_F(DialogTest, EnterEndsWithOkAndTheEditedTextReachesTheMember)
{
    CFormDlg dlg;
    dlg.m_strName = "preset";
    std::string shown;
    WhenModal([&](HWND modal) {
        shown = ItemText(modal, IDC_NAME);
        TypeText("edited");  // the focused edit's text is all selected
        PressKey(VK_RETURN);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(shown, "preset") << "OnInitDialog filled the controls";
    EXPECT_EQ(dlg.m_strName, "edited");
    EXPECT_EQ(dlg.initCalls, 1);
    EXPECT_EQ(dlg.m_hWnd, nullptr) << "the window is gone after DoModal";
    ASSERT_EQ(ModalHistory().size(), 1u);
    EXPECT_EQ(ModalHistory()[0].caption, "Form");
    EXPECT_TRUE(UnexpectedModals().empty());
}

TEST_F(DialogTest, EscapeAndCancelKeepTheMember)
{
    CFormDlg dlg;
    dlg.m_strName = "preset";
    WhenModal([](HWND) {
        TypeText("thrown away");
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.m_strName, "preset");
    WhenModal([](HWND modal) {
        TypeText("thrown away too");
        ClickButton(modal, IDCANCEL);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL) << "a dialog object can run again";
    EXPECT_EQ(dlg.m_strName, "preset");
}

TEST_F(DialogTest, ButtonCallingEndDialogGivesItsCode)
{
    CFormDlg dlg;
    WhenModalClick(IDC_END_SEVEN);
    EXPECT_EQ(dlg.DoModal(), 7);
}

TEST_F(DialogTest, FocusStartsOnTheFirstTabStop)
{
    CFormDlg dlg;
    HWND focus = nullptr, edit = nullptr;
    WhenModal([&](HWND modal) {
        focus = Focus();
        edit = FindControl(modal, IDC_NAME);
        PressKey(VK_ESCAPE);
    });
    dlg.DoModal();
    EXPECT_NE(edit, nullptr);
    EXPECT_EQ(focus, edit);
}

TEST_F(DialogTest, OwnerIsDisabledWhileTheDialogRuns)
{
    CWinApp app("Owner test");
    CWnd main;
    ASSERT_TRUE(main.Attach(MakeTopLevel("Main")));
    app.m_pMainWnd = &main;
    CFormDlg dlg;
    bool mainEnabled = true;
    HWND owner = nullptr;
    WhenModal([&](HWND modal) {
        mainEnabled = Enabled(main.m_hWnd);
        owner = GetWindow(modal, GW_OWNER);
        PressKey(VK_ESCAPE);
    });
    dlg.DoModal();
    EXPECT_FALSE(mainEnabled);
    EXPECT_EQ(owner, main.m_hWnd);
    EXPECT_TRUE(main.IsWindowEnabled()) << "enabled again afterwards";
    app.m_pMainWnd = nullptr;
    main.DestroyWindow();
}

TEST_F(DialogTest, MainDialogEndsTheApplicationsMessageLoop)
{
    CWinApp app("Main dialog");
    CFormDlg dlg;
    app.m_pMainWnd = &dlg;
    WhenModalKey(VK_ESCAPE);
    dlg.DoModal();
    EXPECT_EQ(app.m_pMainWnd, nullptr) << "cleared when the main window went";
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the application's loop would end";
}

TEST_F(DialogTest, MainWindowPointerNeverOutlivesItsObject)
{
    CWinApp app("Short-lived main window");
    {
        CDialog dlg(999);  // no such template: the window is never made
        app.m_pMainWnd = &dlg;
        EXPECT_EQ(dlg.DoModal(), -1);
    }
    EXPECT_EQ(app.m_pMainWnd, nullptr) << "AfxWinMain must not reach a destroyed dialog";
}

TEST_F(DialogTest, FailedNumberExchangeKeepsTheDialogOpen)
{
    CNumbersDlg dlg;
    std::string first, second;
    bool stillOpen = false;
    HWND focusAfterFailure = nullptr, signedEdit = nullptr;
    WhenModal([&](HWND modal) {
        first = ItemText(modal, IDC_NAME);
        second = ItemText(modal, IDC_COUNT);
        ReplaceEditText(modal, IDC_NAME, "12x");
        PressKey(VK_RETURN);  // the message box below answers
        stillOpen = IsWindow(modal) && IsWindowVisible(modal);
        focusAfterFailure = Focus();
        signedEdit = FindControl(modal, IDC_NAME);
        ReplaceEditText(modal, IDC_NAME, " -42 ");
        ReplaceEditText(modal, IDC_COUNT, "-3");
        PressKey(VK_RETURN);  // and the second one
        ReplaceEditText(modal, IDC_COUNT, "4000000000");
        PressKey(VK_RETURN);
    });
    WhenModalKey(VK_RETURN);
    WhenModalKey(VK_RETURN);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(first, "5");
    EXPECT_EQ(second, "6");
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(focusAfterFailure, signedEdit) << "the focus goes to the field that failed";
    EXPECT_EQ(dlg.m_nSigned, -42);
    EXPECT_EQ(dlg.m_nUnsigned, 4000000000u);
    auto boxes = MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Please enter an integer.");
    EXPECT_EQ(boxes[1].text, "Please enter a positive integer.");
}

TEST_F(DialogTest, LongTextsExchangeWhole)
{
    CFormDlg dlg;
    dlg.m_strName = CString('x', 20000);
    WhenModal([](HWND modal) {
        HWND edit = FindControl(modal, IDC_NAME);
        SendMessageA(edit, EM_SETSEL, 20000, 20000);
        SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("yz"));
        PressKey(VK_RETURN);
    });
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_strName.GetLength(), 20002);
    EXPECT_EQ(dlg.m_strName.Right(3), "xyz");
}

TEST_F(DialogTest, UpdateDataMovesBothWays)
{
    CFormDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_FORM));
    dlg.m_strName = "to the control";
    EXPECT_TRUE(dlg.UpdateData(FALSE));
    EXPECT_EQ(ItemText(dlg.m_hWnd, IDC_NAME), "to the control");
    SetWindowTextA(FindControl(dlg.m_hWnd, IDC_NAME), "from the control");
    EXPECT_EQ(dlg.m_strName, "to the control");
    EXPECT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(dlg.m_strName, "from the control");
}

TEST_F(DialogTest, MissingTemplateOrControlIsTheDocumentedFailure)
{
    CDialog missing(999);
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_FALSE(missing.Create(999));
    CWrongIdDlg wrong;
    WhenModalKey(VK_ESCAPE);  // not reached: the dialog ends at once
    EXPECT_EQ(wrong.DoModal(), -1);
    ClearModalActions();
    EXPECT_TRUE(wrong.Create(IDD_FORM)) << "the window exists, but its controls could not be filled";
    EXPECT_FALSE(wrong.UpdateData(TRUE));
    EXPECT_EQ(wrong.GetDlgItem(4242), nullptr);
    EXPECT_NE(wrong.GetDlgItem(IDC_NAME), nullptr);
}

TEST_F(DialogTest, ModelessWithoutVisibleStyleStaysHidden)
{
    CDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_MODELESS));
    EXPECT_FALSE(dlg.IsWindowVisible());
    EXPECT_FALSE(Visible(dlg.m_hWnd));
    dlg.SetDlgItemText(IDC_TEXT, "3 of 9");
    EXPECT_EQ(ItemText(dlg.m_hWnd, IDC_TEXT), "3 of 9");
    dlg.ShowWindow(SW_SHOW);
    EXPECT_TRUE(Visible(dlg.m_hWnd));
    dlg.ShowWindow(SW_HIDE);
    EXPECT_FALSE(Visible(dlg.m_hWnd));
    HWND hWnd = dlg.m_hWnd;
    CDialog shown;
    ASSERT_TRUE(shown.Create(IDD_VISIBLE_MODELESS));
    EXPECT_TRUE(Visible(shown.m_hWnd));
    EXPECT_FALSE(shown.Create(IDD_VISIBLE_MODELESS)) << "one window per object";
    {
        CDialog scoped;
        ASSERT_TRUE(scoped.Create(IDD_MODELESS));
        hWnd = scoped.m_hWnd;
    }
    EXPECT_FALSE(IsWindow(hWnd)) << "the object's end destroys its window";
}

TEST_F(DialogTest, ModelessIsOwnedByTheMainWindow)
{
    CWinApp app("Owned");
    CWnd main;
    ASSERT_TRUE(main.Attach(MakeTopLevel("Main")));
    app.m_pMainWnd = &main;
    CDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_MODELESS));
    EXPECT_EQ(GetWindow(dlg.m_hWnd, GW_OWNER), main.m_hWnd);
    app.m_pMainWnd = nullptr;
    main.DestroyWindow();
}

TEST_F(DialogTest, DefaultButtonAndNextControl)
{
    CFormDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_FORM));
    EXPECT_EQ(LOWORD(dlg.GetDefID()), IDOK);
    EXPECT_EQ(HIWORD(dlg.GetDefID()), DC_HASDEFID);
    CWnd* edit = dlg.GetDlgItem(IDC_NAME);
    ASSERT_NE(edit, nullptr);
    edit->SetFocus();
    dlg.NextDlgCtrl();
    EXPECT_EQ(Focus(), FindControl(dlg.m_hWnd, IDOK));
    dlg.PrevDlgCtrl();
    EXPECT_EQ(Focus(), edit->m_hWnd);
    CRect r(7, 7, 8, 8);
    dlg.MapDialogRect(&r);
    EXPECT_EQ(r, CRect(14, 14, 16, 16)) << "base units of 8 by 16 pixels";
}

}  // namespace
