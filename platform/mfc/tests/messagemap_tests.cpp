// Message maps and CWnd's attachment to windows: which handler a message
// reaches, in which order maps are searched, and what reaches the window's
// own procedure.
#include "framework_test.h"

#include <afxres.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string>& Log()
{
    static std::vector<std::string> log;
    return log;
}

constexpr LRESULT kOriginalAnswer = 1234;

// The window class's own procedure: what Default and DefWindowProc reach.
LRESULT CALLBACK OriginalProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_USER && message < WM_USER + 100) {
        Log().push_back("original " + std::to_string(message - WM_USER));
        return kOriginalAnswer;
    }
    if (message == WM_COMMAND) Log().push_back("original command " + std::to_string(LOWORD(wParam)));
    if (message == WM_LBUTTONDOWN) Log().push_back("original lbuttondown");
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

const char* OriginalClass()
{
    static bool registered = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = OriginalProc;
        wc.lpszClassName = "MfcTestOriginal";
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        return RegisterClassA(&wc) != 0;
    }();
    return registered ? "MfcTestOriginal" : nullptr;
}

class CBaseWnd : public CWnd {
public:
    bool postNcDestroyCalled = false;

protected:
    afx_msg LRESULT OnFirst(WPARAM, LPARAM) { Log().push_back("base first"); return 1; }
    afx_msg LRESULT OnThird(WPARAM, LPARAM) { Log().push_back("base third"); return 3; }
    afx_msg void OnPaint()
    {
        CPaintDC dc(this);
        Log().push_back("base paint");
    }
    void PostNcDestroy() override { postNcDestroyCalled = true; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
    ON_MESSAGE(WM_USER + 1, &CBaseWnd::OnFirst)
    ON_MESSAGE(WM_USER + 3, &CBaseWnd::OnThird)
    ON_WM_PAINT()
END_MESSAGE_MAP()

class CDerivedWnd : public CBaseWnd {
protected:
    afx_msg int OnCreate(LPCREATESTRUCT cs)
    {
        Log().push_back(std::string("create ") + (cs && cs->lpszName ? cs->lpszName : ""));
        return CBaseWnd::OnCreate(cs);
    }
    afx_msg LRESULT OnFirst(WPARAM, LPARAM) { Log().push_back("derived first"); return 11; }
    afx_msg LRESULT OnFirstAgain(WPARAM, LPARAM) { Log().push_back("derived first again"); return 12; }
    afx_msg LRESULT OnPassOn(WPARAM, LPARAM) { Log().push_back("derived pass on"); return Default(); }
    afx_msg LRESULT OnThrow(WPARAM, LPARAM) { AfxThrowUserException(); }
    afx_msg BOOL OnEraseBkgnd(CDC* pDC)
    {
        Log().push_back(pDC && pDC->GetSafeHdc() ? "erase with dc" : "erase without dc");
        return TRUE;
    }
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point)
    {
        Log().push_back("lbuttondown " + std::to_string(nFlags) + " " + std::to_string(point.x) + "," +
                        std::to_string(point.y));
        CWnd::OnLButtonDown(nFlags, point);
    }
    afx_msg void OnClicked() { Log().push_back("clicked 42"); }
    afx_msg void OnMenuCommand() { Log().push_back("command 43"); }
    afx_msg void OnChanged() { Log().push_back("changed 44"); }
    afx_msg void OnRange(UINT id) { Log().push_back("range " + std::to_string(id)); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
    ON_WM_CREATE()
    ON_MESSAGE(WM_USER + 1, &CDerivedWnd::OnFirst)
    ON_MESSAGE(WM_USER + 1, &CDerivedWnd::OnFirstAgain)
    ON_MESSAGE(WM_USER + 5, &CDerivedWnd::OnPassOn)
    ON_MESSAGE(WM_USER + 6, &CDerivedWnd::OnThrow)
    ON_WM_ERASEBKGND()
    ON_WM_LBUTTONDOWN()
    ON_BN_CLICKED(42, &CDerivedWnd::OnClicked)
    ON_COMMAND(43, &CDerivedWnd::OnMenuCommand)
    ON_EN_CHANGE(44, &CDerivedWnd::OnChanged)
    ON_COMMAND_RANGE(50, 59, &CDerivedWnd::OnRange)
END_MESSAGE_MAP()

class MessageMaps : public FrameworkTest {
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        Log().clear();
        ASSERT_TRUE(wnd_.CreateEx(0, OriginalClass(), "derived", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr));
    }

    CDerivedWnd wnd_;
};

TEST_F(MessageMaps, ObjectIsAttachedBeforeTheFirstMessages)
{
    ASSERT_FALSE(Log().empty());
    EXPECT_EQ(Log().front(), "create derived") << "WM_CREATE reached the map";
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd_.m_hWnd), &wnd_);
    EXPECT_EQ(CWnd::FromHandle(wnd_.m_hWnd), &wnd_);
}

TEST_F(MessageMaps, DerivedMapFirstAndFirstMatchingEntryWins)
{
    Log().clear();
    EXPECT_EQ(wnd_.SendMessage(WM_USER + 1), 11);
    EXPECT_EQ(wnd_.SendMessage(WM_USER + 3), 3) << "found in the base class's map";
    EXPECT_EQ(Log(), (std::vector<std::string>{"derived first", "base third"}));
}

TEST_F(MessageMaps, UnmappedMessagesAndDefaultReachTheOriginalProcedure)
{
    Log().clear();
    EXPECT_EQ(wnd_.SendMessage(WM_USER + 4), kOriginalAnswer);
    EXPECT_EQ(wnd_.SendMessage(WM_USER + 5), kOriginalAnswer) << "Default returns the original's answer";
    EXPECT_EQ(Log(), (std::vector<std::string>{"original 4", "derived pass on", "original 5"}));
}

TEST_F(MessageMaps, CommandsAndControlNotifications)
{
    HWND button = CreateWindowExA(0, "BUTTON", "b", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, wnd_.m_hWnd,
                                  reinterpret_cast<HMENU>(42), nullptr, nullptr);
    ASSERT_NE(button, nullptr);
    Log().clear();
    LPARAM control = reinterpret_cast<LPARAM>(button);
    wnd_.SendMessage(WM_COMMAND, MAKEWPARAM(42, BN_CLICKED), control);
    wnd_.SendMessage(WM_COMMAND, MAKEWPARAM(43, 0), 0);
    wnd_.SendMessage(WM_COMMAND, MAKEWPARAM(44, EN_CHANGE), control);
    wnd_.SendMessage(WM_COMMAND, MAKEWPARAM(55, 0), 0);
    wnd_.SendMessage(WM_COMMAND, MAKEWPARAM(42, BN_DOUBLECLICKED), control);
    EXPECT_EQ(Log(), (std::vector<std::string>{"clicked 42", "command 43", "changed 44", "range 55", "original command 42"}));
}

TEST_F(MessageMaps, ClickThroughTheQueueReachesTheHandlerWithFlagsAndPoint)
{
    Log().clear();
    winplat::automation::Press(wnd_.m_hWnd, POINT{30, 40}, MK_CONTROL);
    ASSERT_GE(Log().size(), 2u);
    EXPECT_EQ(Log()[0], "lbuttondown 9 30,40") << "MK_LBUTTON | MK_CONTROL";
    EXPECT_EQ(Log()[1], "original lbuttondown") << "the handler's CWnd::OnLButtonDown passes it on";
    winplat::automation::Release(wnd_.m_hWnd, POINT{30, 40});
}

TEST_F(MessageMaps, EraseComesBeforePaintWithTheHandlersSignatures)
{
    winplat::automation::PumpUntilIdle();
    Log().clear();
    wnd_.InvalidateRect(nullptr, TRUE);
    wnd_.UpdateWindow();
    EXPECT_EQ(Log(), (std::vector<std::string>{"erase with dc", "base paint"}));
    Log().clear();
    wnd_.InvalidateRect(CRect(0, 0, 10, 10), FALSE);
    wnd_.UpdateWindow();
    EXPECT_EQ(Log(), (std::vector<std::string>{"base paint"})) << "no erase asked for";
}

TEST_F(MessageMaps, ExceptionInAHandlerEndsOnlyThatMessage)
{
    EXPECT_EQ(wnd_.SendMessage(WM_USER + 6), 0);
    EXPECT_EQ(wnd_.SendMessage(WM_USER + 1), 11) << "the window goes on working";
}

TEST_F(MessageMaps, DestroyedWindowDetachesTheObject)
{
    HWND hWnd = wnd_.m_hWnd;
    EXPECT_TRUE(wnd_.DestroyWindow());
    EXPECT_EQ(wnd_.m_hWnd, nullptr);
    EXPECT_TRUE(wnd_.postNcDestroyCalled);
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
    EXPECT_FALSE(wnd_.DestroyWindow()) << "no window any more";
    EXPECT_EQ(wnd_.SendMessage(WM_USER + 1), 0) << "messages to no window do nothing";
}

TEST_F(MessageMaps, DestroyedObjectDestroysItsWindow)
{
    HWND hWnd;
    {
        CDerivedWnd temporary;
        ASSERT_TRUE(temporary.CreateEx(0, OriginalClass(), "short", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
        hWnd = temporary.m_hWnd;
    }
    EXPECT_FALSE(IsWindow(hWnd));
}

TEST(Subclassing, ExistingWindowKeepsItsProcedureBehindTheObject)
{
    winplat::SelectPresenter("headless");
    winplat::automation::Reset();
    HWND hWnd = CreateWindowExA(0, OriginalClass(), "plain", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hWnd, nullptr);
    CWnd* temporary = CWnd::FromHandle(hWnd);
    EXPECT_EQ(CWnd::FromHandle(hWnd), temporary) << "the same temporary object until idle time";
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
    EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);

    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(hWnd));
    CDerivedWnd second;
    EXPECT_FALSE(second.SubclassWindow(hWnd)) << "one object per window";
    EXPECT_FALSE(second.Attach(nullptr));
    Log().clear();
    EXPECT_EQ(wnd.SendMessage(WM_USER + 1), 11);
    EXPECT_EQ(wnd.SendMessage(WM_USER + 9), kOriginalAnswer);
    EXPECT_EQ(Log(), (std::vector<std::string>{"derived first", "original 9"}));

    EXPECT_EQ(wnd.UnsubclassWindow(), hWnd);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hWnd, GWLP_WNDPROC)), OriginalProc);
    Log().clear();
    SendMessageA(hWnd, WM_USER + 1, 0, 0);
    EXPECT_EQ(Log(), (std::vector<std::string>{"original 1"}));

    CWnd plain;
    EXPECT_TRUE(plain.Attach(hWnd));
    EXPECT_EQ(plain.Detach(), hWnd);
    DestroyWindow(hWnd);
    winplat::automation::Reset();
}

// Commands a dialog does not handle go on to the application.
class CHelpApp : public CWinApp {
public:
    CHelpApp() : CWinApp("Help app") {}
    int helpCalls = 0;
    afx_msg void OnHelpCommand() { ++helpCalls; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CHelpApp, CWinApp)
    ON_COMMAND(ID_HELP, &CHelpApp::OnHelpCommand)
    ON_COMMAND(ID_APP_ABOUT, &CWinApp::OnHelp)
END_MESSAGE_MAP()

TEST_F(MessageMaps, DialogsRouteFrameworkCommandsToTheApplication)
{
    CHelpApp app;
    CDialog dialog;
    ASSERT_TRUE(dialog.Create(100));
    dialog.SendMessage(WM_COMMAND, ID_HELP, 0);
    EXPECT_EQ(app.helpCalls, 1);
    dialog.SendMessage(WM_COMMAND, ID_APP_ABOUT, 0);  // CWinApp::OnHelp: there is no help viewer
    wnd_.SendMessage(WM_COMMAND, ID_HELP, 0);
    EXPECT_EQ(app.helpCalls, 1) << "plain windows do not route to the application";
    dialog.DestroyWindow();
}

}  // namespace
