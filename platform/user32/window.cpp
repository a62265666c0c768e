// Window classes, creation and destruction, the window's long values and
// its place among its siblings.
#include "user.h"

#include <winplat/automation.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <strings.h>

namespace user {

namespace {

constexpr DWORD kErrorTopLevelWithChildStyle = 1406;  // ERROR_TLW_WITH_WSCHILD
constexpr DWORD kErrorWindowOfOtherThread = 1408;     // ERROR_WINDOW_OF_OTHER_THREAD

struct ClassTable {
    std::vector<std::shared_ptr<WindowClass>> classes;
    ATOM nextAtom = 0xC000;
};

ClassTable& Classes()
{
    static auto* table = new ClassTable;
    return *table;
}

// Top-level windows of every thread, topmost first.
std::vector<HWND>& TopLevelList()
{
    static auto* list = new std::vector<HWND>;
    return *list;
}

std::mutex& TopLevelLock()
{
    static std::mutex lock;
    return lock;
}

// Top-level windows of every thread, topmost first (a copy).
std::vector<HWND> AllTopLevels()
{
    std::lock_guard<std::mutex> guard(TopLevelLock());
    return TopLevelList();
}

bool ClassMatches(const WindowClass& cls, LPCSTR nameOrAtom)
{
    if (IS_INTRESOURCE(nameOrAtom)) return cls.atom == LOWORD(nameOrAtom);
    return strcasecmp(cls.name.c_str(), nameOrAtom) == 0;
}

ATOM AddClass(const WNDCLASSA& wc)
{
    if (!wc.lpszClassName || (!IS_INTRESOURCE(wc.lpszClassName) && !*wc.lpszClassName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (FindClass(wc.lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto cls = std::make_shared<WindowClass>();
    cls->name = IS_INTRESOURCE(wc.lpszClassName) ? OrdinalName(LOWORD(wc.lpszClassName)) : wc.lpszClassName;
    cls->info = wc;
    cls->info.cbWndExtra = std::max(0, wc.cbWndExtra);
    cls->info.lpszClassName = cls->name.c_str();
    if (wc.lpszMenuName && !IS_INTRESOURCE(wc.lpszMenuName)) {
        cls->menuName = wc.lpszMenuName;
        cls->info.lpszMenuName = cls->menuName.c_str();
    }
    cls->atom = cls->name == "#32770" ? ATOM(32770) : Classes().nextAtom++;
    Classes().classes.push_back(cls);
    return cls->atom;
}

// ---- Hooks -----------------------------------------------------------------------

class Hook : public winplat::KernelObject {
public:
    winplat::ObjectKind Kind() const override { return winplat::ObjectKind::Other; }
    bool ClosableByCloseHandle() const override { return false; }
    HOOKPROC proc = nullptr;
    DWORD threadId = 0;  // 0: every thread
    HHOOK handle = nullptr;
};

std::vector<std::shared_ptr<Hook>>& Hooks()  // most recent first
{
    static auto* hooks = new std::vector<std::shared_ptr<Hook>>;
    return *hooks;
}

std::mutex& HookLock()
{
    static std::mutex lock;
    return lock;
}

// The hooks that apply to this thread, after `after` (null: from the start).
std::shared_ptr<Hook> NextHook(HHOOK after)
{
    std::lock_guard<std::mutex> guard(HookLock());
    DWORD thread = GetCurrentThreadId();
    bool passed = after == nullptr;
    for (const auto& hook : Hooks()) {
        if (!passed) {
            passed = hook->handle == after;
            continue;
        }
        if (hook->threadId == 0 || hook->threadId == thread) return hook;
    }
    return nullptr;
}

// ---- Creation ------------------------------------------------------------------------

void Link(Window& w)
{
    if (w.IsChild()) {
        std::shared_ptr<Window> parent = Peek(w.parent);
        // New children go to the bottom of the z-order: the first control of
        // a dialog stays first, so the z-order is the tab order.
        if (parent) parent->children.push_back(w.handle);
    } else {
        std::lock_guard<std::mutex> guard(TopLevelLock());
        TopLevelList().insert(TopLevelList().begin(), w.handle);
    }
}

void Unlink(Window& w)
{
    if (w.IsChild()) {
        if (std::shared_ptr<Window> parent = Peek(w.parent)) {
            auto& c = parent->children;
            c.erase(std::remove(c.begin(), c.end(), w.handle), c.end());
        }
    } else {
        std::lock_guard<std::mutex> guard(TopLevelLock());
        auto& list = TopLevelList();
        list.erase(std::remove(list.begin(), list.end(), w.handle), list.end());
    }
}

RECT InitialRect(DWORD style, int x, int y, int width, int height)
{
    bool child = (style & WS_CHILD) != 0;
    if (!child && x == CW_USEDEFAULT) {
        x = 100;
        y = 80;
    }
    if (!child && width == CW_USEDEFAULT) {
        width = 480;
        height = 360;
    }
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = height = 0;
    width = std::max(0, width);
    height = std::max(0, height);
    if (!child) {
        // A top-level window has an image of its size; none may be larger
        // than twice the screen (the platform limits them to about the
        // screen's size too).
        width = std::min(width, 2 * winplat::kScreenWidth);
        height = std::min(height, 2 * winplat::kScreenHeight);
    }
    return RECT{x, y, x + width, y + height};
}

// Sends the creation messages; false when the window refused to be made.
bool RunCreationMessages(Window& w, CREATESTRUCTA& cs)
{
    HWND hwnd = w.handle;
    CBT_CREATEWNDA cbt{&cs, HWND_TOP};
    // CallNextHookEx with no hook calls the first hook of the chain.
    if (CallNextHookEx(nullptr, HCBT_CREATEWND, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(&cbt))) {
        return false;
    }
    if (!IsWindow(hwnd)) return false;
    if (!SendMessageA(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) return false;
    if (!IsWindow(hwnd)) return false;
    if (SendMessageA(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) return false;
    if (!IsWindow(hwnd)) return false;
    RECT client = ClientRectLocal(w);
    SendMessageA(hwnd, WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));
    RECT r = w.rect;
    int border = BorderOf(w);
    SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(r.left + border, r.top + border));
    return IsWindow(hwnd) != FALSE;
}

void OpenOnPresenter(Window& w)
{
    winplat::WindowLook look;
    look.title = w.text;
    look.x = w.rect.left;
    look.y = w.rect.top;
    look.width = w.rect.right - w.rect.left;
    look.height = w.rect.bottom - w.rect.top;
    look.closeBox = (w.style & WS_SYSMENU) != 0;
    winplat::ThePresenter().Open(PresenterId(w.handle), look);
}

}  // namespace

std::shared_ptr<WindowClass> FindClass(LPCSTR nameOrAtom)
{
    if (!nameOrAtom) return nullptr;
    for (const auto& cls : Classes().classes) {
        if (ClassMatches(*cls, nameOrAtom)) return cls;
    }
    return nullptr;
}

void EnsureSystemClasses()
{
    static bool done = [] {
        auto add = [](const char* name, WNDPROC proc, int extra, HCURSOR cursor, HBRUSH background) {
            WNDCLASSA wc{};
            wc.style = CS_GLOBALCLASS | CS_DBLCLKS;
            wc.lpfnWndProc = proc;
            wc.cbWndExtra = extra;
            wc.hCursor = cursor;
            wc.hbrBackground = background;
            wc.lpszClassName = name;
            AddClass(wc);
        };
        HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
        add("BUTTON", ButtonProc, 0, arrow, nullptr);
        add("STATIC", StaticProc, 0, arrow, nullptr);
        add("EDIT", EditProc, 0, LoadCursorA(nullptr, IDC_IBEAM), nullptr);
        add("#32770", DefDlgProcA, DLGWINDOWEXTRA, arrow, nullptr);
        return true;
    }();
    (void)done;
}

std::shared_ptr<Window> Peek(HWND hwnd)
{
    if (!hwnd) return nullptr;
    auto w = winplat::LookupAs<Window>(hwnd);
    if (!w || w->destroyed) return nullptr;
    return w;
}

std::shared_ptr<Window> Lookup(HWND hwnd)
{
    auto w = Peek(hwnd);
    if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

Window* TopLevelOf(Window* w)
{
    while (w && w->IsChild()) {
        std::shared_ptr<Window> parent = Peek(w->parent);
        if (!parent) break;
        w = parent.get();
    }
    return w;
}

HWND TopLevelOf(HWND hwnd)
{
    std::shared_ptr<Window> w = Peek(hwnd);
    if (!w) return nullptr;
    Window* top = TopLevelOf(w.get());
    return top ? top->handle : nullptr;
}

std::vector<HWND> TopLevels()
{
    std::vector<HWND> mine;
    DWORD thread = GetCurrentThreadId();
    for (HWND h : AllTopLevels()) {
        std::shared_ptr<Window> w = Peek(h);
        if (w && w->threadId == thread) mine.push_back(h);
    }
    return mine;
}

LRESULT CallProc(Window& w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<Window> keep = Peek(w.handle);
    if (!keep || !w.proc) return 0;
    return w.proc(w.handle, msg, wParam, lParam);
}

void DestroyThreadWindows()
{
    for (HWND h : TopLevels()) DestroyWindow(h);
}

std::string WindowText(HWND hwnd)
{
    int length = GetWindowTextLengthA(hwnd);
    if (length <= 0) return std::string();
    std::string text(size_t(length) + 1, '\0');
    int copied = GetWindowTextA(hwnd, text.data(), length + 1);
    text.resize(size_t(std::max(copied, 0)));
    return text;
}

}  // namespace user

using namespace user;

ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass)
{
    if (!lpWndClass) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    EnsureSystemClasses();
    return AddClass(*lpWndClass);
}

BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE)
{
    auto cls = FindClass(lpClassName);
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    auto& list = Classes().classes;
    list.erase(std::remove(list.begin(), list.end(), cls), list.end());
    return TRUE;
}

BOOL WINAPI GetClassInfoA(HINSTANCE, LPCSTR lpClassName, LPWNDCLASSA lpWndClass)
{
    EnsureSystemClasses();
    auto cls = FindClass(lpClassName);
    if (!cls || !lpWndClass) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    *lpWndClass = cls->info;
    return TRUE;
}

int WINAPI GetClassNameA(HWND hWnd, LPSTR lpClassName, int nMaxCount)
{
    auto w = Lookup(hWnd);
    if (!w || !lpClassName || nMaxCount <= 0) return 0;
    lstrcpynA(lpClassName, w->cls->name.c_str(), nMaxCount);
    return lstrlenA(lpClassName);
}

namespace {
BOOL Destroy(HWND hWnd, bool askHooks);
}  // namespace

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
                            int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                            LPVOID lpParam)
{
    EnsureSystemClasses();
    auto cls = FindClass(lpClassName);
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return nullptr;
    }
    std::shared_ptr<Window> parent;
    if (hWndParent) {
        parent = Lookup(hWndParent);
        if (!parent) return nullptr;
    } else if (dwStyle & WS_CHILD) {
        SetLastError(kErrorTopLevelWithChildStyle);
        return nullptr;
    }
    auto w = std::make_shared<Window>();
    w->cls = cls;
    w->proc = cls->info.lpfnWndProc;
    w->style = dwStyle & ~WS_VISIBLE;  // shown once made
    w->exStyle = dwExStyle;
    w->instance = hInstance;
    w->extra.assign(size_t(cls->info.cbWndExtra), 0);
    w->queue = CurrentQueue();
    w->threadId = GetCurrentThreadId();
    w->rect = InitialRect(dwStyle, X, Y, nWidth, nHeight);
    if (w->IsChild()) {
        w->parent = hWndParent;
        w->id = reinterpret_cast<LONG_PTR>(hMenu);
    } else if (parent) {
        w->owner = TopLevelOf(hWndParent);
    }
    w->handle = static_cast<HWND>(winplat::InsertObject(w));
    if (!w->handle) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    HWND hwnd = w->handle;
    Link(*w);
    if (!w->IsChild()) {
        if (lpWindowName) w->text = lpWindowName;
        MakeSurface(*w);
        OpenOnPresenter(*w);
    }
    CREATESTRUCTA cs{lpParam, hInstance, hMenu, hWndParent, nHeight, nWidth, Y, X,
                     static_cast<LONG>(dwStyle), lpWindowName, lpClassName, dwExStyle};
    if (!RunCreationMessages(*w, cs)) {
        if (IsWindow(hwnd)) Destroy(hwnd, false);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (dwStyle & WS_VISIBLE) ShowWindow(hwnd, w->IsChild() ? SW_SHOWNA : SW_SHOW);
    return IsWindow(hwnd) ? hwnd : nullptr;
}

namespace {

void SendDestroy(HWND hwnd)
{
    std::shared_ptr<Window> w = Peek(hwnd);
    if (!w) return;
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    std::vector<HWND> children = w->children;
    for (HWND child : children) SendDestroy(child);
}

void SendNcDestroy(HWND hwnd)
{
    std::shared_ptr<Window> w = Peek(hwnd);
    if (!w) return;
    std::vector<HWND> children = w->children;
    for (HWND child : children) SendNcDestroy(child);
    SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
    ForgetWindowInInput(hwnd);
    Unlink(*w);
    w->destroyed = true;
    // Windows that were ever top-level have an image and a presenter window.
    if (w->surface) winplat::ThePresenter().Close(PresenterId(hwnd));
    winplat::RemoveObject(hwnd);
}

void MarkDestroying(Window& w)
{
    w.destroying = true;
    for (HWND child : w.children) {
        if (std::shared_ptr<Window> c = Peek(child)) MarkDestroying(*c);
    }
}

// Destroys a window; `askHooks`: the CBT hook may refuse (not for a
// window whose creation failed).
BOOL Destroy(HWND hWnd, bool askHooks)
{
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w) return FALSE;
    if (w->threadId != GetCurrentThreadId()) {
        SetLastError(kErrorWindowOfOtherThread);
        return FALSE;
    }
    if (w->destroying) return TRUE;
    if (askHooks && CallNextHookEx(nullptr, HCBT_DESTROYWND, reinterpret_cast<WPARAM>(hWnd), 0)) return FALSE;
    MarkDestroying(*w);
    // Owned windows go first, as on the platform.
    for (HWND other : TopLevels()) {
        std::shared_ptr<Window> o = Peek(other);
        if (o && o->owner == hWnd) DestroyWindow(other);
    }
    if (w->style & WS_VISIBLE) {
        ShowWindow(hWnd, SW_HIDE);
    }
    ForgetWindowInInput(hWnd);
    SendDestroy(hWnd);
    SendNcDestroy(hWnd);
    return TRUE;
}

}  // namespace

BOOL WINAPI DestroyWindow(HWND hWnd) { return Destroy(hWnd, true); }

BOOL WINAPI IsWindow(HWND hWnd) { return Peek(hWnd) != nullptr; }

LRESULT WINAPI CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (!lpPrevWndFunc) return 0;
    return lpPrevWndFunc(hWnd, Msg, wParam, lParam);
}

// ---- Long values -------------------------------------------------------------------

namespace {

// Extra bytes: `size` bytes at `index` must lie inside them.
BYTE* ExtraBytes(Window& w, int index, size_t size)
{
    if (index < 0 || size_t(index) + size > w.extra.size()) {
        SetLastError(ERROR_INVALID_INDEX);
        return nullptr;
    }
    return w.extra.data() + index;
}

bool GetLong(Window& w, int index, size_t size, LONG_PTR* value)
{
    switch (index) {
    case GWLP_WNDPROC: *value = reinterpret_cast<LONG_PTR>(w.proc); return true;
    case GWLP_HINSTANCE: *value = reinterpret_cast<LONG_PTR>(w.instance); return true;
    case GWLP_HWNDPARENT: *value = reinterpret_cast<LONG_PTR>(w.IsChild() ? w.parent : w.owner); return true;
    case GWL_STYLE: *value = LONG_PTR(LONG(w.style)); return true;
    case GWL_EXSTYLE: *value = LONG_PTR(LONG(w.exStyle)); return true;
    case GWLP_USERDATA: *value = w.userData; return true;
    case GWLP_ID: *value = w.id; return true;
    default: break;
    }
    BYTE* p = ExtraBytes(w, index, size);
    if (!p) return false;
    if (size == 4) {
        LONG v;
        std::memcpy(&v, p, 4);
        *value = v;
    } else {
        std::memcpy(value, p, sizeof(LONG_PTR));
    }
    return true;
}

bool SetLong(Window& w, int index, size_t size, LONG_PTR value, LONG_PTR* previous)
{
    if (!GetLong(w, index, size, previous)) return false;
    switch (index) {
    case GWLP_WNDPROC: w.proc = reinterpret_cast<WNDPROC>(value); return true;
    case GWLP_HINSTANCE: w.instance = reinterpret_cast<HINSTANCE>(value); return true;
    case GWLP_HWNDPARENT:
        if (!w.IsChild()) w.owner = reinterpret_cast<HWND>(value);
        return true;
    case GWL_STYLE: {
        // The visible and child bits follow ShowWindow and SetParent.
        DWORD keep = w.style & (WS_VISIBLE | WS_CHILD);
        w.style = (DWORD(value) & ~(WS_VISIBLE | WS_CHILD)) | keep;
        return true;
    }
    case GWL_EXSTYLE: w.exStyle = DWORD(value); return true;
    case GWLP_USERDATA: w.userData = value; return true;
    case GWLP_ID: w.id = value; return true;
    default: break;
    }
    BYTE* p = ExtraBytes(w, index, size);
    if (size == 4) {
        LONG v = LONG(value);
        std::memcpy(p, &v, 4);
    } else {
        std::memcpy(p, &value, sizeof(LONG_PTR));
    }
    return true;
}

}  // namespace

LONG WINAPI GetWindowLongA(HWND hWnd, int nIndex)
{
    auto w = Lookup(hWnd);
    LONG_PTR value = 0;
    if (!w || !GetLong(*w, nIndex, 4, &value)) return 0;
    return LONG(value);
}

LONG WINAPI SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong)
{
    auto w = Lookup(hWnd);
    LONG_PTR previous = 0;
    if (!w || !SetLong(*w, nIndex, 4, dwNewLong, &previous)) return 0;
    return LONG(previous);
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex)
{
    auto w = Lookup(hWnd);
    LONG_PTR value = 0;
    if (!w || !GetLong(*w, nIndex, sizeof(LONG_PTR), &value)) return 0;
    return value;
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong)
{
    auto w = Lookup(hWnd);
    LONG_PTR previous = 0;
    if (!w || !SetLong(*w, nIndex, sizeof(LONG_PTR), dwNewLong, &previous)) return 0;
    return previous;
}

// ---- Relatives -------------------------------------------------------------------------

HWND WINAPI GetParent(HWND hWnd)
{
    auto w = Lookup(hWnd);
    if (!w) return nullptr;
    return w->IsChild() ? w->parent : w->owner;
}

HWND WINAPI SetParent(HWND hWndChild, HWND hWndNewParent)
{
    auto w = Lookup(hWndChild);
    if (!w) return nullptr;
    std::shared_ptr<Window> parent;
    if (hWndNewParent && !(parent = Lookup(hWndNewParent))) return nullptr;
    HWND previous = w->IsChild() ? w->parent : nullptr;
    bool visible = (w->style & WS_VISIBLE) != 0;
    if (visible) ShowWindow(hWndChild, SW_HIDE);
    Unlink(*w);
    if (parent) {
        w->style |= WS_CHILD;
        w->parent = hWndNewParent;
    } else {
        w->style &= ~WS_CHILD;
        w->parent = nullptr;
        if (!w->surface) {
            MakeSurface(*w);
            OpenOnPresenter(*w);
        }
    }
    Link(*w);
    if (visible) ShowWindow(hWndChild, SW_SHOWNA);
    return previous;
}

BOOL WINAPI IsChild(HWND hWndParent, HWND hWnd)
{
    std::shared_ptr<Window> w = Peek(hWnd);
    while (w && w->IsChild()) {
        if (w->parent == hWndParent) return TRUE;
        w = Peek(w->parent);
    }
    return FALSE;
}

HWND WINAPI GetWindow(HWND hWnd, UINT uCmd)
{
    auto w = Lookup(hWnd);
    if (!w) return nullptr;
    if (uCmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
    if (uCmd == GW_OWNER) return w->IsChild() ? nullptr : w->owner;
    std::vector<HWND> siblings;
    if (w->IsChild()) {
        if (auto parent = Peek(w->parent)) siblings = parent->children;
    } else {
        siblings = TopLevels();
    }
    auto it = std::find(siblings.begin(), siblings.end(), hWnd);
    if (it == siblings.end()) return nullptr;
    switch (uCmd) {
    case GW_HWNDFIRST: return siblings.front();
    case GW_HWNDLAST: return siblings.back();
    case GW_HWNDNEXT: return it + 1 == siblings.end() ? nullptr : *(it + 1);
    case GW_HWNDPREV: return it == siblings.begin() ? nullptr : *(it - 1);
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
}

HWND WINAPI GetDesktopWindow(void)
{
    // The desktop is not a window of the stand-in; null stands for it
    // wherever the platform takes the desktop's handle.
    return nullptr;
}

HWND WINAPI FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName)
{
    for (HWND h : AllTopLevels()) {
        std::shared_ptr<Window> w = Peek(h);
        if (!w) continue;
        if (lpClassName && !ClassMatches(*w->cls, lpClassName)) continue;
        if (lpWindowName && w->text != lpWindowName) continue;
        return h;
    }
    return nullptr;
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString)
{
    if (!Lookup(hWnd)) return FALSE;
    return SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) != 0;
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount)
{
    if (!Lookup(hWnd) || !lpString || nMaxCount <= 0) return 0;
    lpString[0] = '\0';
    return int(SendMessageA(hWnd, WM_GETTEXT, WPARAM(nMaxCount), reinterpret_cast<LPARAM>(lpString)));
}

int WINAPI GetWindowTextLengthA(HWND hWnd)
{
    if (!Lookup(hWnd)) return 0;
    return int(SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

// ---- Hooks -----------------------------------------------------------------------------------

HHOOK WINAPI SetWindowsHookExA(int idHook, HOOKPROC lpfn, HINSTANCE, DWORD dwThreadId)
{
    if (idHook != WH_CBT || !lpfn) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto hook = std::make_shared<Hook>();
    hook->proc = lpfn;
    hook->threadId = dwThreadId;
    hook->handle = static_cast<HHOOK>(winplat::InsertObject(hook));
    if (!hook->handle) return nullptr;
    std::lock_guard<std::mutex> guard(HookLock());
    Hooks().insert(Hooks().begin(), hook);
    return hook->handle;
}

BOOL WINAPI UnhookWindowsHookEx(HHOOK hhk)
{
    std::lock_guard<std::mutex> guard(HookLock());
    auto& hooks = Hooks();
    for (auto it = hooks.begin(); it != hooks.end(); ++it) {
        if ((*it)->handle == hhk) {
            winplat::RemoveObject(hhk);
            hooks.erase(it);
            return TRUE;
        }
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

LRESULT WINAPI CallNextHookEx(HHOOK hhk, int nCode, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<Hook> next = NextHook(hhk);
    return next ? next->proc(nCode, wParam, lParam) : 0;
}
