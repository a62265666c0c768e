// The standard controls: owner-drawn and push buttons, the edit, statics.
#include "test_support.h"

using namespace test;
namespace wa = winplat::automation;

namespace {

struct DrawItem {
    UINT action;
    UINT state;
    UINT id;
    RECT rect;
};
std::vector<DrawItem> g_draws;
std::vector<WPARAM> g_commands;

// A parent that logs WM_DRAWITEM and WM_COMMAND and paints owner-drawn
// buttons red when selected, green otherwise.
LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DRAWITEM) {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        EXPECT_EQ(dis->CtlType, UINT(ODT_BUTTON));
        g_draws.push_back({dis->itemAction, dis->itemState, dis->CtlID, dis->rcItem});
        HBRUSH brush = CreateSolidBrush((dis->itemState & ODS_SELECTED) ? RGB(255, 0, 0) : RGB(0, 255, 0));
        FillRect(dis->hDC, &dis->rcItem, brush);
        DeleteObject(brush);
        return TRUE;
    }
    if (msg == WM_COMMAND) {
        g_commands.push_back(wParam);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND MakeParent()
{
    static bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ParentProc;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "TestParent";
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
    return CreateWindowExA(0, "TestParent", "parent", WS_POPUP | WS_VISIBLE, 100, 100, 300, 200, nullptr, nullptr,
                           nullptr, nullptr);
}

class Controls : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        g_draws.clear();
        g_commands.clear();
        parent_ = MakeParent();
    }
    HWND Button(DWORD style, int id = 1011, const char* text = "USB")
    {
        HWND b = CreateWindowExA(0, "BUTTON", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 20, 20, 96, 48,
                                 parent_, reinterpret_cast<HMENU>(intptr_t(id)), nullptr, nullptr);
        wa::PumpUntilIdle();
        g_draws.clear();
        g_commands.clear();
        return b;
    }
    HWND Edit(DWORD style = ES_AUTOHSCROLL)
    {
        HWND e = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | style, 10, 10, 200,
                                 24, parent_, reinterpret_cast<HMENU>(1018), nullptr, nullptr);
        SetFocus(e);
        wa::PumpUntilIdle();
        g_commands.clear();
        return e;
    }
    static std::pair<DWORD, DWORD> Selection(HWND edit)
    {
        DWORD start = 0, end = 0;
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return {start, end};
    }
    HWND parent_ = nullptr;
};

TEST_F(Controls, OwnerDrawnButtonIsDrawnEntireWithItsIdAndRect)
{
    HWND b = Button(BS_OWNERDRAW);
    InvalidateRect(b, nullptr, TRUE);
    wa::PumpUntilIdle();
    ASSERT_EQ(g_draws.size(), 1u);
    EXPECT_EQ(g_draws[0].action, UINT(ODA_DRAWENTIRE));
    EXPECT_EQ(g_draws[0].id, 1011u);
    RECT expected{0, 0, 96, 48};
    EXPECT_TRUE(EqualRect(&g_draws[0].rect, &expected));
    EXPECT_EQ(g_draws[0].state & ODS_SELECTED, 0u);
    EXPECT_EQ(Pixel(b, 5, 5), RGB(0, 255, 0));
}

TEST_F(Controls, BmSetStateKeepsTheButtonPushedUntilCleared)
{
    HWND b = Button(BS_OWNERDRAW);
    SendMessageA(b, BM_SETSTATE, 1, 0);
    ASSERT_EQ(g_draws.size(), 1u);  // drawn at once
    EXPECT_EQ(g_draws[0].action, UINT(ODA_SELECT));
    EXPECT_TRUE(g_draws[0].state & ODS_SELECTED);
    EXPECT_EQ(SendMessageA(b, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
    EXPECT_EQ(Pixel(b, 5, 5), RGB(255, 0, 0));
    // A repaint keeps it pushed.
    InvalidateRect(b, nullptr, TRUE);
    wa::PumpUntilIdle();
    EXPECT_TRUE(g_draws.back().state & ODS_SELECTED);
    EXPECT_EQ(g_draws.back().action, UINT(ODA_DRAWENTIRE));
    // Setting the same state again draws nothing.
    size_t count = g_draws.size();
    SendMessageA(b, BM_SETSTATE, 1, 0);
    EXPECT_EQ(g_draws.size(), count);
    SendMessageA(b, BM_SETSTATE, 0, 0);
    EXPECT_FALSE(g_draws.back().state & ODS_SELECTED);
    EXPECT_EQ(Pixel(b, 5, 5), RGB(0, 255, 0));
    EXPECT_TRUE(g_commands.empty());
}

TEST_F(Controls, PressAndReleaseInsideClicks)
{
    HWND b = Button(BS_OWNERDRAW);
    wa::Press(b, POINT{10, 10});
    EXPECT_TRUE(g_draws.back().state & ODS_SELECTED);
    EXPECT_TRUE(g_draws.back().state & ODS_FOCUS);
    EXPECT_TRUE(g_commands.empty());
    wa::Release(b, POINT{20, 20});
    EXPECT_FALSE(g_draws.back().state & ODS_SELECTED);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0], MAKEWPARAM(1011, BN_CLICKED));
}

TEST_F(Controls, PressedThenReleasedOutsideDoesNotClick)
{
    HWND b = Button(BS_OWNERDRAW);
    wa::Press(b, POINT{10, 10});
    wa::MoveMouse(b, POINT{200, 10});
    EXPECT_FALSE(g_draws.back().state & ODS_SELECTED);  // drawn up while outside
    wa::MoveMouse(b, POINT{10, 10});
    EXPECT_TRUE(g_draws.back().state & ODS_SELECTED);
    wa::Release(b, POINT{-30, 10});
    EXPECT_TRUE(g_commands.empty());
    EXPECT_FALSE(g_draws.back().state & ODS_SELECTED);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Controls, DisabledButtonsAreDrawnDisabledAndIgnoreClicks)
{
    HWND b = Button(BS_OWNERDRAW);
    EnableWindow(b, FALSE);
    wa::PumpUntilIdle();
    ASSERT_FALSE(g_draws.empty());
    EXPECT_TRUE(g_draws.back().state & ODS_DISABLED);
    wa::Click(b);
    EXPECT_TRUE(g_commands.empty());
}

TEST_F(Controls, FocusChangesDrawTheFocusAction)
{
    HWND b = Button(BS_OWNERDRAW);
    SetFocus(b);
    ASSERT_FALSE(g_draws.empty());
    EXPECT_EQ(g_draws.back().action, UINT(ODA_FOCUS));
    EXPECT_TRUE(g_draws.back().state & ODS_FOCUS);
    SetFocus(parent_);
    EXPECT_EQ(g_draws.back().action, UINT(ODA_FOCUS));
    EXPECT_FALSE(g_draws.back().state & ODS_FOCUS);
}

TEST_F(Controls, PushButtonsClickWithMouseAndSpace)
{
    HWND b = Button(BS_PUSHBUTTON, IDOK, "OK");
    wa::Click(b);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0], MAKEWPARAM(IDOK, BN_CLICKED));
    EXPECT_EQ(GetFocus(), b);
    wa::PressKey(VK_SPACE);
    EXPECT_EQ(g_commands.size(), 2u);
    SendMessageA(b, BM_CLICK, 0, 0);
    EXPECT_EQ(g_commands.size(), 3u);
    EXPECT_EQ(SendMessageA(b, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
}

TEST_F(Controls, PushButtonLooksPushedWhilePressed)
{
    HWND b = Button(BS_PUSHBUTTON, IDOK, "OK");
    // Raised: white top-left edge.
    EXPECT_EQ(Pixel(b, 0, 0), RGB(255, 255, 255));
    wa::Press(b, POINT{10, 10});
    EXPECT_EQ(Pixel(b, 0, 0), RGB(128, 128, 128));
    wa::Release(b, POINT{10, 10});
    EXPECT_EQ(Pixel(b, 0, 0), RGB(255, 255, 255));
}

TEST_F(Controls, EditTypingAndTextRetrieval)
{
    HWND e = Edit();
    wa::TypeText("C:\\Pictures");
    EXPECT_EQ(wa::Text(e), "C:\\Pictures");
    EXPECT_EQ(SendMessageA(e, WM_GETTEXTLENGTH, 0, 0), 11);
    char small[5];
    EXPECT_EQ(SendMessageA(e, WM_GETTEXT, sizeof small, reinterpret_cast<LPARAM>(small)), 4);
    EXPECT_STREQ(small, "C:\\P");
    EXPECT_EQ(Selection(e), std::make_pair(DWORD(11), DWORD(11)));
    // One EN_CHANGE per character.
    int changes = 0;
    for (WPARAM c : g_commands) changes += HIWORD(c) == EN_CHANGE;
    EXPECT_EQ(changes, 11);
}

TEST_F(Controls, EditBackspaceDeleteHomeEnd)
{
    HWND e = Edit();
    wa::TypeText("abcdef");
    wa::PressKey(VK_BACK);
    EXPECT_EQ(wa::Text(e), "abcde");
    wa::PressKey(VK_HOME);
    wa::PressKey(VK_DELETE);
    EXPECT_EQ(wa::Text(e), "bcde");
    wa::PressKey(VK_RIGHT);
    wa::TypeText("X");
    EXPECT_EQ(wa::Text(e), "bXcde");
    wa::PressKey(VK_END);
    wa::PressKey(VK_DELETE);  // nothing after the caret
    EXPECT_EQ(wa::Text(e), "bXcde");
    wa::PressKey(VK_LEFT);
    wa::PressKey(VK_BACK);
    EXPECT_EQ(wa::Text(e), "bXce");
}

TEST_F(Controls, EditSelectionWithShiftArrowsAndReplacement)
{
    HWND e = Edit();
    wa::TypeText("hello world");
    wa::PressKey(VK_HOME);
    for (int i = 0; i < 5; ++i) wa::PressKey(VK_RIGHT, MK_SHIFT);
    EXPECT_EQ(Selection(e), std::make_pair(DWORD(0), DWORD(5)));
    wa::TypeText("HI");
    EXPECT_EQ(wa::Text(e), "HI world");
    wa::PressKey(VK_END, MK_SHIFT);
    EXPECT_EQ(Selection(e), std::make_pair(DWORD(2), DWORD(8)));
    wa::PressKey(VK_BACK);
    EXPECT_EQ(wa::Text(e), "HI");
    SendMessageA(e, EM_SETSEL, 0, -1);
    EXPECT_EQ(Selection(e), std::make_pair(DWORD(0), DWORD(2)));
    SendMessageA(e, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("new"));
    EXPECT_EQ(wa::Text(e), "new");
    SendMessageA(e, EM_SETSEL, 2, 1);  // reversed: the lower one starts
    EXPECT_EQ(Selection(e), std::make_pair(DWORD(1), DWORD(2)));
    wa::PressKey(VK_DELETE);
    EXPECT_EQ(wa::Text(e), "nw");
}

TEST_F(Controls, EditSelectionWithTheMouse)
{
    HWND e = Edit();
    wa::TypeText("abcdefghij");
    wa::Press(e, POINT{2, 10});
    wa::MoveMouse(e, POINT{190, 10});
    wa::Release(e, POINT{190, 10});
    EXPECT_EQ(Selection(e), std::make_pair(DWORD(0), DWORD(10)));
    wa::Click(e, POINT{2, 10});
    EXPECT_EQ(Selection(e), std::make_pair(DWORD(0), DWORD(0)));
}

TEST_F(Controls, EditLimitAndMaxText)
{
    HWND e = Edit();
    SendMessageA(e, EM_LIMITTEXT, 3, 0);
    wa::TypeText("abcdef");
    EXPECT_EQ(wa::Text(e), "abc");
    bool maxText = false;
    for (WPARAM c : g_commands) maxText = maxText || HIWORD(c) == EN_MAXTEXT;
    EXPECT_TRUE(maxText);
    EXPECT_EQ(SendMessageA(e, EM_GETLIMITTEXT, 0, 0), 3);
}

TEST_F(Controls, EditAutoScrollKeepsTheCaretInView)
{
    HWND e = Edit(ES_AUTOHSCROLL);
    std::string longText(80, 'w');
    wa::TypeText(longText.c_str());
    EXPECT_EQ(wa::Text(e), longText);  // scrolled, not cut
    HWND fixed = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 10, 50, 60, 20, parent_,
                                 reinterpret_cast<HMENU>(7), nullptr, nullptr);
    SetFocus(fixed);
    wa::TypeText(longText.c_str());
    // Without ES_AUTOHSCROLL the text stops at the edit's width.
    EXPECT_LT(wa::Text(fixed).size(), longText.size());
    EXPECT_GT(wa::Text(fixed).size(), 0u);
}

TEST_F(Controls, EditSetTextAndOverlongTexts)
{
    HWND e = Edit();
    std::string huge(100000, 'z');
    SetWindowTextA(e, huge.c_str());
    EXPECT_EQ(GetWindowTextLengthA(e), 100000);
    std::vector<char> buffer(100001);
    EXPECT_EQ(GetWindowTextA(e, buffer.data(), int(buffer.size())), 100000);
    EXPECT_EQ(Selection(e).first, 0u);
    bool changed = false;
    for (WPARAM c : g_commands) changed = changed || HIWORD(c) == EN_CHANGE;
    EXPECT_TRUE(changed);
}

TEST_F(Controls, EditShowsItsTextAndCaret)
{
    HWND e = Edit();
    wa::TypeText("MMM");
    // Some pixel of the text is drawn in the window text colour.
    winplat::Image image;
    ASSERT_TRUE(wa::Capture(e, &image));
    POINT origin{0, 0};
    MapWindowPoints(e, parent_, &origin, 1);
    int ink = 0;
    for (int y = origin.y; y < origin.y + 22; ++y) {
        for (int x = origin.x; x < origin.x + 60; ++x) ink += (image.At(x, y) & 0xFFFFFF) == 0;
    }
    EXPECT_GT(ink, 10);
}

TEST_F(Controls, StaticTextRepaintsAtOnceWhenVisible)
{
    HWND s = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 10, 200, 20, parent_,
                             reinterpret_cast<HMENU>(1008), nullptr, nullptr);
    wa::PumpUntilIdle();
    EXPECT_EQ(Pixel(s, 5, 5), GetSysColor(COLOR_3DFACE));
    SetWindowTextA(s, "MMMMMMMM");
    // No message loop ran: the picture already shows the text.
    winplat::Image image;
    ASSERT_TRUE(winplat::ThePresenter().Snapshot(uint32_t(reinterpret_cast<uintptr_t>(parent_)), &image));
    int ink = 0;
    for (int y = 10; y < 30; ++y) {
        for (int x = 10; x < 80; ++x) ink += (image.At(x, y) & 0xFFFFFF) == 0;
    }
    EXPECT_GT(ink, 10);
    EXPECT_EQ(SendMessageA(s, WM_NCHITTEST, 0, 0), HTTRANSPARENT);
}

TEST_F(Controls, BlackFrameDrawsOnlyItsFrame)
{
    HWND s = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, 10, 10, 50, 50, parent_,
                             nullptr, nullptr, nullptr);
    wa::PumpUntilIdle();
    EXPECT_EQ(Pixel(s, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(Pixel(s, 49, 25), RGB(0, 0, 0));
    EXPECT_EQ(Pixel(s, 25, 25), GetSysColor(COLOR_BTNFACE));
}

TEST_F(Controls, ClicksOnAStaticReachItsParent)
{
    HWND owner = MakeWindow(nullptr, 0, 0, 200, 200, RGB(0, 0, 0), WS_VISIBLE);
    CreateWindowExA(0, "STATIC", "label", WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 10, 100, 20, owner, nullptr, nullptr,
                    nullptr);
    Log().clear();
    wa::Click(owner, POINT{20, 15}, MK_CONTROL);
    std::vector<Logged> downs;
    for (const Logged& l : Log()) {
        if (l.message == WM_LBUTTONDOWN) downs.push_back(l);
    }
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].hwnd, owner);
    EXPECT_EQ(downs[0].wParam, WPARAM(MK_LBUTTON | MK_CONTROL));
    EXPECT_EQ(GET_X_LPARAM(downs[0].lParam), 20);
    EXPECT_EQ(GET_Y_LPARAM(downs[0].lParam), 15);
}

}  // namespace
