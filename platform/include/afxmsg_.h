// Message maps: the tables that bind window messages and commands to a
// class's handlers. A class declares its map with DECLARE_MESSAGE_MAP() and
// defines it in its source file:
//
//     BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//         ON_BN_CLICKED(IDC_GO, &CMyDlg::OnGo)
//         ON_WM_PAINT()
//         ON_MESSAGE(WM_APP, &CMyDlg::OnAppMessage)
//     END_MESSAGE_MAP()
//
// A message is looked up in the class's own map, entries in order, then in
// its base class's map and so on; the first matching entry handles it.
// Handlers keep the framework's signatures (afx_msg void OnPaint(),
// afx_msg BOOL OnEraseBkgnd(CDC*), afx_msg void OnLButtonDown(UINT, CPoint)
// ...): the map checks them at compile time. Command handlers are named as
// pointers to members, &CClass::OnCommand.
//
// Each entry holds a small function that unpacks the message's parameters
// and calls the handler on the object.
#pragma once

class CCmdTarget;

typedef LRESULT (*AFX_PMSG)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // window message, or WM_COMMAND for command entries
    UINT nCode;     // notification code of command entries (0: a command or BN_CLICKED)
    UINT nID;       // first and last control id of command entries
    UINT nLastID;
    AFX_PMSG pfn;   // null ends the table
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// The message WM_CTLCOLOR entries stand for: the framework hands each
// WM_CTLCOLORxxx message to OnCtlColor with its CTLCOLOR_ kind.
#define AFX_WM_CTLCOLOR 0x0019

#define DECLARE_MESSAGE_MAP()                      \
protected:                                         \
    static const AFX_MSGMAP* GetThisMessageMap();  \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                            \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }      \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                       \
    {                                                                                     \
        using ThisClass [[maybe_unused]] = theClass;                                      \
        using TheBaseClass = baseClass;                                                   \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                 \
            {0, 0, 0, 0, nullptr}                                                         \
        };                                                                                \
        static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
        return &messageMap;                                                               \
    }

// The object a message is for, as the class whose map holds the entry.
#define AFX_THIS_ static_cast<ThisClass*>(target_)
// Calls `memberFxn` (checked against `signature`) on that object.
#define AFX_CALL_(signature, memberFxn) (AFX_THIS_->*static_cast<signature>(memberFxn))

#define AFX_ENTRY_(message, code, id, lastId, ...)                                          \
    {(UINT)(message), (UINT)(code), (UINT)(id), (UINT)(lastId),                            \
     [](CCmdTarget* target_, [[maybe_unused]] WPARAM wParam_,                              \
        [[maybe_unused]] LPARAM lParam_) -> LRESULT { __VA_ARGS__ }},

// ---- Commands and control notifications --------------------------------------------------

#define ON_COMMAND(id, memberFxn) \
    AFX_ENTRY_(WM_COMMAND, 0, (WORD)(id), (WORD)(id), AFX_CALL_(void (ThisClass::*)(), memberFxn)(); return 0;)
#define ON_COMMAND_RANGE(id, idLast, memberFxn)                                    \
    AFX_ENTRY_(WM_COMMAND, 0, (WORD)(id), (WORD)(idLast),                          \
               AFX_CALL_(void (ThisClass::*)(UINT), memberFxn)(LOWORD(wParam_)); return 0;)
#define ON_CONTROL(wNotifyCode, id, memberFxn) \
    AFX_ENTRY_(WM_COMMAND, (WORD)(wNotifyCode), (WORD)(id), (WORD)(id), AFX_CALL_(void (ThisClass::*)(), memberFxn)(); return 0;)
#define ON_CONTROL_RANGE(wNotifyCode, id, idLast, memberFxn)                      \
    AFX_ENTRY_(WM_COMMAND, (WORD)(wNotifyCode), (WORD)(id), (WORD)(idLast),       \
               AFX_CALL_(void (ThisClass::*)(UINT), memberFxn)(LOWORD(wParam_)); return 0;)

#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_BN_SETFOCUS(id, memberFxn) ON_CONTROL(BN_SETFOCUS, id, memberFxn)
#define ON_BN_KILLFOCUS(id, memberFxn) ON_CONTROL(BN_KILLFOCUS, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_UPDATE(id, memberFxn) ON_CONTROL(EN_UPDATE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_EN_MAXTEXT(id, memberFxn) ON_CONTROL(EN_MAXTEXT, id, memberFxn)

// ---- Any message ---------------------------------------------------------------------------

#define ON_MESSAGE(message, memberFxn) \
    AFX_ENTRY_(message, 0, 0, 0, return AFX_CALL_(LRESULT (ThisClass::*)(WPARAM, LPARAM), memberFxn)(wParam_, lParam_);)

// ---- Window messages -----------------------------------------------------------------------

#define AFX_ON_VOID_(message, name) \
    AFX_ENTRY_(message, 0, 0, 0, AFX_CALL_(void (ThisClass::*)(), &ThisClass::name)(); return 0;)
#define AFX_ON_MOUSE_(message, name)                                                              \
    AFX_ENTRY_(message, 0, 0, 0,                                                                  \
               AFX_CALL_(void (ThisClass::*)(UINT, CPoint), &ThisClass::name)(                    \
                   (UINT)wParam_, CPoint(GET_X_LPARAM(lParam_), GET_Y_LPARAM(lParam_)));          \
               return 0;)
#define AFX_ON_KEY_(message, name)                                                                          \
    AFX_ENTRY_(message, 0, 0, 0,                                                                            \
               AFX_CALL_(void (ThisClass::*)(UINT, UINT, UINT), &ThisClass::name)(                          \
                   (UINT)wParam_, LOWORD(lParam_), HIWORD(lParam_));                                        \
               return 0;)

#define ON_WM_CREATE() \
    AFX_ENTRY_(WM_CREATE, 0, 0, 0, return AFX_CALL_(int (ThisClass::*)(LPCREATESTRUCT), &ThisClass::OnCreate)((LPCREATESTRUCT)lParam_);)
#define ON_WM_DESTROY() AFX_ON_VOID_(WM_DESTROY, OnDestroy)
#define ON_WM_NCDESTROY() AFX_ON_VOID_(WM_NCDESTROY, OnNcDestroy)
#define ON_WM_CLOSE() AFX_ON_VOID_(WM_CLOSE, OnClose)
#define ON_WM_PAINT() AFX_ON_VOID_(WM_PAINT, OnPaint)
#define ON_WM_ERASEBKGND()                                                                         \
    AFX_ENTRY_(WM_ERASEBKGND, 0, 0, 0,                                                             \
               return AFX_CALL_(BOOL (ThisClass::*)(CDC*), &ThisClass::OnEraseBkgnd)(CDC::FromHandle((HDC)wParam_));)
#define ON_WM_LBUTTONDOWN() AFX_ON_MOUSE_(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_ON_MOUSE_(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_ON_MOUSE_(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_ON_MOUSE_(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_ON_MOUSE_(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_MOUSEMOVE() AFX_ON_MOUSE_(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_KEYDOWN() AFX_ON_KEY_(WM_KEYDOWN, OnKeyDown)
#define ON_WM_KEYUP() AFX_ON_KEY_(WM_KEYUP, OnKeyUp)
#define ON_WM_CHAR() AFX_ON_KEY_(WM_CHAR, OnChar)
#define ON_WM_TIMER() \
    AFX_ENTRY_(WM_TIMER, 0, 0, 0, AFX_CALL_(void (ThisClass::*)(UINT_PTR), &ThisClass::OnTimer)((UINT_PTR)wParam_); return 0;)
#define ON_WM_SIZE()                                                                               \
    AFX_ENTRY_(WM_SIZE, 0, 0, 0,                                                                   \
               AFX_CALL_(void (ThisClass::*)(UINT, int, int), &ThisClass::OnSize)(                 \
                   (UINT)wParam_, (short)LOWORD(lParam_), (short)HIWORD(lParam_));                 \
               return 0;)
#define ON_WM_MOVE()                                                                                        \
    AFX_ENTRY_(WM_MOVE, 0, 0, 0,                                                                            \
               AFX_CALL_(void (ThisClass::*)(int, int), &ThisClass::OnMove)((short)LOWORD(lParam_), (short)HIWORD(lParam_)); \
               return 0;)
#define ON_WM_SHOWWINDOW()                                                                         \
    AFX_ENTRY_(WM_SHOWWINDOW, 0, 0, 0,                                                             \
               AFX_CALL_(void (ThisClass::*)(BOOL, UINT), &ThisClass::OnShowWindow)((BOOL)wParam_, (UINT)lParam_); \
               return 0;)
#define ON_WM_SETFOCUS() \
    AFX_ENTRY_(WM_SETFOCUS, 0, 0, 0, AFX_CALL_(void (ThisClass::*)(CWnd*), &ThisClass::OnSetFocus)(CWnd::FromHandle((HWND)wParam_)); return 0;)
#define ON_WM_KILLFOCUS() \
    AFX_ENTRY_(WM_KILLFOCUS, 0, 0, 0, AFX_CALL_(void (ThisClass::*)(CWnd*), &ThisClass::OnKillFocus)(CWnd::FromHandle((HWND)wParam_)); return 0;)
#define ON_WM_SETCURSOR()                                                                          \
    AFX_ENTRY_(WM_SETCURSOR, 0, 0, 0,                                                              \
               return AFX_CALL_(BOOL (ThisClass::*)(CWnd*, UINT, UINT), &ThisClass::OnSetCursor)(  \
                   CWnd::FromHandle((HWND)wParam_), LOWORD(lParam_), HIWORD(lParam_));)
#define ON_WM_DRAWITEM()                                                                           \
    AFX_ENTRY_(WM_DRAWITEM, 0, 0, 0,                                                               \
               AFX_CALL_(void (ThisClass::*)(int, LPDRAWITEMSTRUCT), &ThisClass::OnDrawItem)(      \
                   (int)wParam_, (LPDRAWITEMSTRUCT)lParam_);                                       \
               return TRUE;)
#define ON_WM_MEASUREITEM()                                                                        \
    AFX_ENTRY_(WM_MEASUREITEM, 0, 0, 0,                                                            \
               AFX_CALL_(void (ThisClass::*)(int, LPMEASUREITEMSTRUCT), &ThisClass::OnMeasureItem)( \
                   (int)wParam_, (LPMEASUREITEMSTRUCT)lParam_);                                    \
               return TRUE;)
#define ON_WM_SYSCOMMAND()                                                                         \
    AFX_ENTRY_(WM_SYSCOMMAND, 0, 0, 0,                                                             \
               AFX_CALL_(void (ThisClass::*)(UINT, LPARAM), &ThisClass::OnSysCommand)((UINT)wParam_, lParam_); \
               return 0;)
#define ON_WM_QUERYDRAGICON() \
    AFX_ENTRY_(WM_QUERYDRAGICON, 0, 0, 0, return (LRESULT)AFX_CALL_(HCURSOR (ThisClass::*)(), &ThisClass::OnQueryDragIcon)();)
#define ON_WM_CTLCOLOR()                                                                           \
    AFX_ENTRY_(AFX_WM_CTLCOLOR, 0, 0, 0,                                                           \
               return (LRESULT)AFX_CALL_(HBRUSH (ThisClass::*)(CDC*, CWnd*, UINT), &ThisClass::OnCtlColor)( \
                   CDC::FromHandle((HDC)wParam_), CWnd::FromHandle((HWND)lParam_), (UINT)(CWnd::GetCurrentMessage()->message - WM_CTLCOLORMSGBOX));)
