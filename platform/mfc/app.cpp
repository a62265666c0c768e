// The application object, the thread's message loop, the program entry
// (AfxWinMain), the global accessors and extension modules.
#include "afx_state.h"

#include <afxres.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

afx::State& afx::GetState()
{
    static State* state = new State;  // lives as long as any window might
    return *state;
}

namespace {

// The program's file name without folder and extension.
std::string ModuleBaseName(HMODULE module)
{
    char path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return "";
    std::string name = path;
    size_t separator = name.find_last_of("\\/:");
    if (separator != std::string::npos) name = name.substr(separator + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

char* Duplicate(const std::string& text)
{
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy) std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

}  // namespace

// ---- Accessors ---------------------------------------------------------------------------------------

CWinApp* AFXAPI AfxGetApp() { return afx::GetState().app; }
CWinThread* AFXAPI AfxGetThread() { return afx::GetState().app; }

CWnd* AFXAPI AfxGetMainWnd()
{
    CWinThread* thread = AfxGetThread();
    return thread ? thread->GetMainWnd() : nullptr;
}

HINSTANCE AFXAPI AfxGetInstanceHandle()
{
    CWinApp* app = AfxGetApp();
    return app && app->m_hInstance ? app->m_hInstance : ::GetModuleHandleA(nullptr);
}

HINSTANCE AFXAPI AfxGetResourceHandle()
{
    HINSTANCE handle = afx::GetState().resourceHandle;
    return handle ? handle : AfxGetInstanceHandle();
}

void AFXAPI AfxSetResourceHandle(HINSTANCE hInstResource) { afx::GetState().resourceHandle = hInstResource; }

HINSTANCE AFXAPI AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType)
{
    HINSTANCE program = AfxGetResourceHandle();
    if (!lpszName || !lpszType || ::FindResourceA(program, lpszName, lpszType)) return program;
    for (CDynLinkLibrary* library : afx::GetState().libraries) {
        if (!library->m_bSystem && library->m_hResource && ::FindResourceA(library->m_hResource, lpszName, lpszType))
            return library->m_hResource;
    }
    return program;
}

LPCSTR AFXAPI AfxGetAppName()
{
    CWinApp* app = AfxGetApp();
    if (app && app->m_pszAppName) return app->m_pszAppName;
    static const std::string* fallback = new std::string(ModuleBaseName(nullptr));
    return fallback->c_str();
}

void AFXAPI AfxPostQuitMessage(int nExitCode) { ::PostQuitMessage(nExitCode); }

HWND afx::SafeOwner(const CWnd* parent)
{
    HWND owner = parent ? parent->m_hWnd : nullptr;
    if (!owner) {
        CWnd* main = AfxGetMainWnd();
        owner = main ? main->m_hWnd : nullptr;
    }
    if (!owner || !::IsWindow(owner)) return nullptr;
    while ((::GetWindowLongA(owner, GWL_STYLE) & WS_CHILD) && ::GetParent(owner)) owner = ::GetParent(owner);
    if (!::IsWindowEnabled(owner)) {
        HWND active = ::GetActiveWindow();
        if (active && ::IsWindowEnabled(active)) return active;
    }
    return owner;
}

// ---- CWinThread ----------------------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)

BOOL CWinThread::InitInstance() { return FALSE; }

int CWinThread::ExitInstance() { return static_cast<int>(m_msgCur.wParam); }

// Idle time: the temporary objects handed out since the last idle time go.
BOOL CWinThread::OnIdle(LONG)
{
    afx::DeleteTempMaps();
    return FALSE;
}

BOOL CWinThread::PreTranslateMessage(MSG* pMsg)
{
    // Each framework window from the message's window up to its top-level
    // window may take the message (a modeless dialog's keys, for instance).
    for (HWND hWnd = pMsg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
        CWnd* wnd = CWnd::FromHandlePermanent(hWnd);
        if (wnd && wnd->PreTranslateMessage(pMsg)) return TRUE;
        if (!(::GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD)) break;
    }
    return FALSE;
}

BOOL CWinThread::PumpMessage()
{
    if (!::GetMessageA(&m_msgCur, nullptr, 0, 0)) return FALSE;
    if (!PreTranslateMessage(&m_msgCur)) {
        ::TranslateMessage(&m_msgCur);
        ::DispatchMessageA(&m_msgCur);
    }
    return TRUE;
}

int CWinThread::Run()
{
    bool idle = true;
    LONG idleCount = 0;
    MSG peek;
    for (;;) {
        while (idle && !::PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) idle = false;
        }
        do {
            if (!PumpMessage()) return ExitInstance();
            if (m_msgCur.message != WM_PAINT && m_msgCur.message != WM_MOUSEMOVE) {
                idle = true;
                idleCount = 0;
            }
        } while (::PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE));
    }
}

// ---- CWinApp ---------------------------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR lpszAppName)
{
    afx::GetState().app = this;
    if (lpszAppName) {
        m_pszAppName = Duplicate(lpszAppName);
        ownsAppName_ = true;
    }
}

CWinApp::~CWinApp()
{
    afx::State& state = afx::GetState();
    if (state.app == this) state.app = nullptr;
    if (ownsAppName_) std::free(const_cast<char*>(m_pszAppName));
    std::free(const_cast<char*>(m_pszExeName));
}

void CWinApp::SetCurrentHandles(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    m_hInstance = hInstance;
    m_hPrevInstance = hPrevInstance;
    m_lpCmdLine = lpCmdLine;
    m_nCmdShow = nCmdShow;
    if (!m_pszExeName) m_pszExeName = Duplicate(ModuleBaseName(hInstance));
    if (!m_pszAppName) {
        CString title;
        m_pszAppName = Duplicate(title.LoadString(AFX_IDS_APP_TITLE) ? std::string(title) : std::string(m_pszExeName));
        ownsAppName_ = true;
    }
}

BOOL CWinApp::InitApplication() { return TRUE; }
BOOL CWinApp::InitInstance() { return TRUE; }
int CWinApp::ExitInstance() { return CWinThread::ExitInstance(); }
BOOL CWinApp::OnIdle(LONG lCount) { return CWinThread::OnIdle(lCount); }

// Without a main window nothing could end the loop; the application ends.
int CWinApp::Run()
{
    if (!m_pMainWnd) AfxPostQuitMessage(0);
    return CWinThread::Run();
}

HICON CWinApp::LoadIcon(LPCSTR lpszResourceName) const
{
    return ::LoadIconA(AfxFindResourceHandle(lpszResourceName, RT_GROUP_ICON), lpszResourceName);
}

HICON CWinApp::LoadIcon(UINT nIDResource) const { return LoadIcon(MAKEINTRESOURCEA(nIDResource)); }
HICON CWinApp::LoadStandardIcon(LPCSTR lpszIconName) const { return ::LoadIconA(nullptr, lpszIconName); }

HCURSOR CWinApp::LoadCursor(LPCSTR lpszResourceName) const
{
    return ::LoadCursorA(AfxFindResourceHandle(lpszResourceName, RT_GROUP_CURSOR), lpszResourceName);
}

HCURSOR CWinApp::LoadCursor(UINT nIDResource) const { return LoadCursor(MAKEINTRESOURCEA(nIDResource)); }
HCURSOR CWinApp::LoadStandardCursor(LPCSTR lpszCursorName) const { return ::LoadCursorA(nullptr, lpszCursorName); }

void CWinApp::DoWaitCursor(int nCode)
{
    m_nWaitCursorCount += nCode;
    if (m_nWaitCursorCount > 0) {
        HCURSOR previous = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
        if (nCode > 0 && m_nWaitCursorCount == 1) m_hcurWaitCursorRestore = previous;
    } else {
        m_nWaitCursorCount = 0;
        ::SetCursor(::LoadCursorA(nullptr, IDC_ARROW));
    }
}

int CWinApp::DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT)
{
    int result = ::MessageBoxA(afx::SafeOwner(nullptr), lpszPrompt, AfxGetAppName(), nType);
    // A box shown during a wait leaves the wait cursor showing again.
    if (m_nWaitCursorCount > 0) DoWaitCursor(0);
    return result;
}

void CWinApp::WinHelp(DWORD_PTR, UINT) {}
void CWinApp::OnHelp() { WinHelp(0); }

void CWinApp::OnAppExit()
{
    if (m_pMainWnd) {
        m_pMainWnd->SendMessage(WM_CLOSE);
    } else {
        AfxPostQuitMessage(0);
    }
}

// ---- Entry ---------------------------------------------------------------------------------------------

BOOL AFXAPI AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    if (!afx::GetState().resourceHandle) AfxSetResourceHandle(hInstance);
    if (CWinApp* app = AfxGetApp()) app->SetCurrentHandles(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
    return TRUE;
}

void afx::DeleteTempMaps()
{
    CWnd::DeleteTempMap();
    CDC::DeleteTempMap();
    CGdiObject::DeleteTempMap();
}

void AFXAPI AfxWinTerm() { afx::DeleteTempMaps(); }

int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    CWinApp* app = AfxGetApp();
    int result = -1;
    if (app && AfxWinInit(hInstance, hPrevInstance, lpCmdLine, nCmdShow) && app->InitApplication()) {
        if (!app->InitInstance()) {
            if (app->m_pMainWnd) app->m_pMainWnd->DestroyWindow();
            result = app->ExitInstance();
        } else {
            result = app->Run();
        }
    }
    AfxWinTerm();
    return result;
}

// ---- Extension modules -------------------------------------------------------------------------------------

BOOL AFXAPI AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule)
{
    if (!hModule) return FALSE;
    state.hModule = hModule;
    state.hResource = hModule;
    state.bInitialized = TRUE;
    return TRUE;
}

void AFXAPI AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll)
{
    std::vector<CDynLinkLibrary*> doomed;
    for (CDynLinkLibrary* library : afx::GetState().libraries)
        if (bAll || library->m_hModule == state.hModule) doomed.push_back(library);
    for (CDynLinkLibrary* library : doomed) delete library;
    state.bInitialized = FALSE;
}

IMPLEMENT_DYNAMIC(CDynLinkLibrary, CCmdTarget)

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem)
    : m_hModule(state.hModule), m_hResource(state.hResource), m_bSystem(bSystem)
{
    afx::GetState().libraries.push_back(this);
}

CDynLinkLibrary::~CDynLinkLibrary()
{
    auto& libraries = afx::GetState().libraries;
    libraries.erase(std::remove(libraries.begin(), libraries.end(), this), libraries.end());
}
