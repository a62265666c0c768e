// CWnd's core: attaching objects to windows, the framework's window
// procedure, message-map dispatch and the end of a window's life.
#include "afx_state.h"

namespace {

afx::HandleMap<HWND, CWnd>& Windows() { return afx::GetState().windows; }

void ForgetTemporary(CWnd& temp) { temp.m_hWnd = nullptr; }

// Windows created while this hook is installed are offered to the object
// waiting in State::windowBeingCreated; the first one takes it.
LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam)
{
    afx::State& state = afx::GetState();
    if (code == HCBT_CREATEWND && state.windowBeingCreated) {
        CWnd* wnd = state.windowBeingCreated;
        state.windowBeingCreated = nullptr;
        wnd->SubclassWindow(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(state.creationHook, code, wParam, lParam);
}

// What the platform's framework does with an exception a handler lets
// escape: the exception ends the message, not the program.
LRESULT ResultAfterException(HWND hWnd, UINT message)
{
    if (message == WM_CREATE) return -1;
    if (message == WM_PAINT) ::ValidateRect(hWnd, nullptr);
    return 0;
}

}  // namespace

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
    ON_WM_DRAWITEM()
    ON_WM_MEASUREITEM()
    ON_WM_SETCURSOR()
    ON_WM_NCDESTROY()
END_MESSAGE_MAP()

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = CWnd::FromHandlePermanent(hWnd);
    if (!wnd) return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
    afx::State& state = afx::GetState();
    MSG outer = state.currentMessage;
    state.currentMessage = MSG{hWnd, nMsg, wParam, lParam, 0, {0, 0}};
    LRESULT result = 0;
    try {
        result = wnd->WindowProc(nMsg, wParam, lParam);
    } catch (CException* e) {
        e->Delete();
        result = ResultAfterException(hWnd, nMsg);
    }
    // A handler of WM_NCDESTROY that did not call the base class still
    // leaves the object detached.
    if (nMsg == WM_NCDESTROY && CWnd::FromHandlePermanent(hWnd) == wnd) {
        wnd->UnsubclassWindow();
        wnd->PostNcDestroy();
    }
    state.currentMessage = outer;
    return result;
}

CWnd::~CWnd()
{
    if (CWinThread* thread = AfxGetThread()) {
        if (thread->m_pMainWnd == this) thread->m_pMainWnd = nullptr;
        if (thread->m_pActiveWnd == this) thread->m_pActiveWnd = nullptr;
    }
    if (!m_hWnd) return;
    // Detached first: the window's last messages must not reach an object
    // that is half destroyed.
    HWND hWnd = m_hWnd;
    if (FromHandlePermanent(hWnd) == this) {
        UnsubclassWindow();
    } else {
        m_hWnd = nullptr;
    }
    ::DestroyWindow(hWnd);
}

// ---- Handle maps ---------------------------------------------------------------------------------

CWnd* CWnd::FromHandlePermanent(HWND hWnd) { return hWnd ? Windows().Permanent(hWnd) : nullptr; }

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (!hWnd) return nullptr;
    if (CWnd* wnd = FromHandlePermanent(hWnd)) return wnd;
    if (CWnd* wnd = Windows().Temporary(hWnd)) return wnd;
    afx::DropDeadTemporaryWindows();
    auto temp = std::make_unique<CWnd>();
    temp->m_hWnd = hWnd;
    CWnd* result = temp.get();
    Windows().temporary[hWnd] = std::move(temp);
    return result;
}

void afx::DropDeadTemporaryWindows()
{
    Windows().DropDead([](HWND hWnd) { return ::IsWindow(hWnd) != FALSE; }, ForgetTemporary);
}

void CWnd::DeleteTempMap() { Windows().ClearTemporaries(ForgetTemporary); }

BOOL CWnd::Attach(HWND hWndNew)
{
    if (!hWndNew || m_hWnd || !::IsWindow(hWndNew) || FromHandlePermanent(hWndNew)) return FALSE;
    Windows().permanent[hWndNew] = this;
    m_hWnd = hWndNew;
    return TRUE;
}

// Unlike the platform's framework, detaching a subclassed window gives it
// back its own procedure, so the window keeps working without the object.
HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (!hWnd) return nullptr;
    if (m_pfnSuper && ::IsWindow(hWnd) &&
        reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hWnd, GWLP_WNDPROC)) == AfxWndProc)
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    if (FromHandlePermanent(hWnd) == this) Windows().permanent.erase(hWnd);
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!Attach(hWnd)) return FALSE;
    PreSubclassWindow();
    auto previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AfxWndProc)));
    if (previous != AfxWndProc) m_pfnSuper = previous;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    if (!pParent || !pParent->m_hWnd) return FALSE;
    HWND hWndControl = ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID));
    return hWndControl ? SubclassWindow(hWndControl) : FALSE;
}

HWND CWnd::UnsubclassWindow() { return Detach(); }

// ---- Creation and destruction ----------------------------------------------------------------------

void CWnd::HookWindowCreate()
{
    afx::State& state = afx::GetState();
    state.windowBeingCreated = this;
    if (!state.creationHook)
        state.creationHook = ::SetWindowsHookExA(WH_CBT, CreationHook, nullptr, ::GetCurrentThreadId());
}

BOOL CWnd::UnhookWindowCreate()
{
    afx::State& state = afx::GetState();
    if (state.creationHook) {
        ::UnhookWindowsHookEx(state.creationHook);
        state.creationHook = nullptr;
    }
    bool consumed = state.windowBeingCreated == nullptr;
    state.windowBeingCreated = nullptr;
    return consumed;
}

BOOL CWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                  UINT nID, CCreateContext* pContext)
{
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID, pContext);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                    CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, pParentWnd ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), lpParam);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, int x, int y,
                    int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam)
{
    if (m_hWnd) return FALSE;
    CREATESTRUCT cs = {lpParam, AfxGetInstanceHandle(), nIDorHMenu, hWndParent, nHeight, nWidth, y, x,
                       static_cast<LONG>(dwStyle), lpszWindowName, lpszClassName, dwExStyle};
    if (!PreCreateWindow(cs)) return FALSE;
    HookWindowCreate();
    HWND hWnd = ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y,
                                  cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    UnhookWindowCreate();
    // Without the creation notice the object is attached now; only the
    // creation messages have then gone past it.
    if (hWnd && !m_hWnd) SubclassWindow(hWnd);
    return hWnd != nullptr && m_hWnd == hWnd;
}

BOOL CWnd::DestroyWindow()
{
    HWND hWnd = m_hWnd;
    if (!hWnd) return FALSE;
    BOOL result = ::DestroyWindow(hWnd);
    // A window destroyed without its last messages passing here.
    if (m_hWnd == hWnd && !::IsWindow(hWnd)) Detach();
    return result;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) { return TRUE; }
void CWnd::PreSubclassWindow() {}
void CWnd::PostNcDestroy() {}

void CWnd::OnNcDestroy()
{
    // When the main window goes the application's message loop ends, as in
    // the platform's framework; the pointer to it is cleared as well.
    if (CWinThread* thread = AfxGetThread()) {
        if (thread->m_pMainWnd == this) {
            AfxPostQuitMessage(0);
            thread->m_pMainWnd = nullptr;
        }
        if (thread->m_pActiveWnd == this) thread->m_pActiveWnd = nullptr;
    }
    Default();
    UnsubclassWindow();
    PostNcDestroy();
}

// ---- Dispatch --------------------------------------------------------------------------------------

const MSG* CWnd::GetCurrentMessage() { return &afx::GetState().currentMessage; }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        *pResult = 1;
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        LRESULT result = 0;
        if (!OnNotify(wParam, lParam, &result)) return FALSE;
        *pResult = result;
        return TRUE;
    }
    UINT key = message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC ? AFX_WM_CTLCOLOR : message;
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(key, 0, 0);
    if (!entry) return FALSE;
    *pResult = entry->pfn(this, wParam, lParam);
    return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper) return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const MSG& current = afx::GetState().currentMessage;
    return DefWindowProc(current.message, current.wParam, current.lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT nID = LOWORD(wParam);
    int nCode = HIWORD(wParam);
    auto hWndControl = reinterpret_cast<HWND>(lParam);
    if (hWndControl) {
        if (afx::GetState().lockoutNotifyWindow == m_hWnd) return TRUE;  // UpdateData is setting the controls
        LRESULT result = 0;
        if (ReflectChildNotify(hWndControl, WM_COMMAND, wParam, lParam, &result)) return TRUE;
        if (nID == 0) return FALSE;
    }
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM, LRESULT*) { return FALSE; }

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

BOOL CWnd::ReflectChildNotify(HWND hWndChild, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    CWnd* child = FromHandlePermanent(hWndChild);
    return child && child != this && child->OnChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

// ---- Default handlers --------------------------------------------------------------------------------

int CWnd::OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT) { return reinterpret_cast<HBRUSH>(Default()); }

// Owner-drawn controls draw themselves: the parent hands the message back
// to the control's object.
void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    LRESULT result = 0;
    if (lpDrawItemStruct && lpDrawItemStruct->CtlType != ODT_MENU &&
        ReflectChildNotify(lpDrawItemStruct->hwndItem, WM_DRAWITEM, GetCurrentMessage()->wParam,
                           reinterpret_cast<LPARAM>(lpDrawItemStruct), &result))
        return;
    Default();
}

void CWnd::OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct)
{
    LRESULT result = 0;
    if (lpMeasureItemStruct && lpMeasureItemStruct->CtlType != ODT_MENU && m_hWnd) {
        HWND child = ::GetDlgItem(m_hWnd, nIDCtl);
        if (child && ReflectChildNotify(child, WM_MEASUREITEM, GetCurrentMessage()->wParam,
                                        reinterpret_cast<LPARAM>(lpMeasureItemStruct), &result))
            return;
    }
    Default();
}

// While the application waits, its windows keep the wait cursor.
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT)
{
    CWinApp* app = AfxGetApp();
    if (app && app->m_nWaitCursorCount > 0) {
        app->DoWaitCursor(0);
        return TRUE;
    }
    return static_cast<BOOL>(Default());
}
