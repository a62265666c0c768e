// user32's inside: windows, classes, the thread's queue and the state of
// input. Windows belong to the thread that made them; only IsWindow,
// PostMessageA and SendMessageA (which then waits for the owning thread)
// may be called from other threads.
//
// Geometry: a top-level window's rectangle is in screen pixels and equals
// its client area (the host's window manager draws caption and frame); a
// child's rectangle is in its parent's client pixels, and its client area
// lies inside its border (WS_BORDER 1 pixel, WS_EX_CLIENTEDGE 2 more).
// Each top-level window owns one image of its client area; it and all its
// children draw into that image (see winplat/display.h for presenting).
#pragma once

#include <windows.h>
#include <winplat/display.h>
#include <winplat/objects.h>

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace user {

using winplat::Image;
using winplat::Region;

// ---- Classes -------------------------------------------------------------------

struct WindowClass {
    std::string name;
    ATOM atom = 0;
    WNDCLASSA info{};  // lpszClassName and lpszMenuName point into this object
    std::string menuName;
};

std::shared_ptr<WindowClass> FindClass(LPCSTR nameOrAtom);
// Registers user32's own classes once.
void EnsureSystemClasses();

// ---- Windows ----------------------------------------------------------------------

struct Queue;

// Per-dialog state kept by the dialog manager.
struct DialogInfo {
    HFONT font = nullptr;
    bool ownsFont = false;
    SIZE baseUnits{8, 16};
    int defId = 0;
    HWND savedFocus = nullptr;
    bool ended = false;
    INT_PTR result = 0;
};

// State of a control class (button, static, edit, progress bar...).
class ControlData {
public:
    virtual ~ControlData() = default;
};

class Window : public winplat::KernelObject {
public:
    winplat::ObjectKind Kind() const override { return winplat::ObjectKind::Window; }
    bool ClosableByCloseHandle() const override { return false; }

    bool IsChild() const { return (style & WS_CHILD) != 0; }

    HWND handle = nullptr;
    std::shared_ptr<WindowClass> cls;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::string text;
    HWND parent = nullptr;  // children
    HWND owner = nullptr;   // top-level windows
    std::vector<HWND> children;  // z-order, topmost first
    RECT rect{};
    LONG_PTR id = 0;
    LONG_PTR userData = 0;
    HINSTANCE instance = nullptr;
    std::vector<BYTE> extra;

    // Painting.
    Region update;  // client pixels
    Region erase;   // the part of `update` to erase first
    bool framePending = false;
    std::shared_ptr<Image> surface;  // top-level windows
    bool presentPending = false;

    std::shared_ptr<Queue> queue;
    DWORD threadId = 0;
    bool destroying = false;
    bool destroyed = false;

    HICON iconBig = nullptr;
    HICON iconSmall = nullptr;
    std::unique_ptr<DialogInfo> dialog;
    std::unique_ptr<ControlData> control;
};

// A top-level window is known to the presenter by its handle's value.
inline uint32_t PresenterId(HWND hwnd) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hwnd)); }
inline HWND WindowOfPresenterId(uint32_t id) { return reinterpret_cast<HWND>(uintptr_t(id)); }

// The window behind a handle; sets ERROR_INVALID_WINDOW_HANDLE if none.
std::shared_ptr<Window> Lookup(HWND hwnd);
// The same without touching the last error.
std::shared_ptr<Window> Peek(HWND hwnd);
Window* TopLevelOf(Window* w);
HWND TopLevelOf(HWND hwnd);
// Top-level windows of the calling thread, topmost first.
std::vector<HWND> TopLevels();
// Calls a window procedure (keeps the window alive meanwhile).
LRESULT CallProc(Window& w, UINT msg, WPARAM wParam, LPARAM lParam);
void DestroyThreadWindows();

// ---- Geometry ------------------------------------------------------------------------

// Border thickness between a window's rectangle and its client area.
int BorderOf(const Window& w);
RECT ClientRectLocal(const Window& w);  // (0, 0, width, height)
// The client origin in the top-level image's pixels.
POINT ClientOriginInSurface(Window& w);
// The client origin in screen pixels.
POINT ClientOriginOnScreen(Window& w);
// True when the window and all its ancestors are visible.
bool Showing(Window& w);
// The part of the top-level image the window's DC may touch (image
// pixels): its client area (or whole rectangle) within its ancestors',
// without clipped children and siblings.
Region VisibleRegion(Window& w, bool wholeWindow);

// ---- Painting ---------------------------------------------------------------------------

// Adds (or removes) client pixels to the update region, passing the part
// over children to them when the window does not clip its children.
void Invalidate(Window& w, const Region& clientArea, bool erase, bool children, bool frame);
void Validate(Window& w, const Region& clientArea, bool children);
void InvalidateWhole(Window& w, bool erase);
bool NeedsPaint(const Window& w);
// The first window of the thread that needs painting (parents first).
HWND NextPaintWindow(HWND filter);
// Paints the window and its children now.
void PaintNow(Window& w);
// After WM_PAINT: a handler that did not paint must not leave the window
// asking for paint for ever.
void PaintDone(HWND hwnd);
// Hands the top-level image to the presenter now, or when nothing in its
// tree waits for painting (`whenDone`).
void Present(Window& topLevel);
void PresentIfDone(Window& topLevel);
void PresentPending();
void MakeSurface(Window& topLevel);

// ---- The thread's queue ---------------------------------------------------------------

// Input as the host or the automation gives it, made into a message when
// taken from the queue (so that capture and focus at that time decide
// where it goes).
struct InputRecord {
    enum class Kind { Mouse, Key, Char } kind = Kind::Mouse;
    UINT message = 0;       // WM_LBUTTONDOWN ..., WM_KEYDOWN/UP, WM_CHAR
    HWND topLevel = nullptr;  // mouse: the window it happened on
    POINT point{};           // mouse: top-level client pixels
    WPARAM keys = 0;         // mouse: MK_ flags
    int wheel = 0;           // WM_MOUSEWHEEL: the distance turned (120 a notch)
    int virtualKey = 0;      // keys
    char32_t character = 0;  // keys: the character the key makes (0: none)
    DWORD time = 0;
};

struct QueuedMessage {
    MSG msg{};
    bool isInput = false;
    InputRecord input;
};

struct SentMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    bool done = false;
};

struct Queue {
    std::mutex lock;  // posted, sent and quit may be touched by other threads
    std::deque<QueuedMessage> posted;
    std::deque<InputRecord> input;
    std::deque<std::shared_ptr<SentMessage>> sent;
    bool quit = false;
    int quitCode = 0;
    DWORD threadId = 0;
    // The message last taken, with the character its key makes, for
    // TranslateMessage.
    MSG lastMessage{};
    char32_t lastCharacter = 0;
};

std::shared_ptr<Queue> CurrentQueue();
void PostInput(const InputRecord& record);
// Turns host events into input until none is waiting (waits at most
// `timeoutMs` for the first).
bool PumpHostEvents(int timeoutMs);
// Input from the host (or the automation, which gives input the same way).
// Exported for the user32 tests, which give host input the automation has
// no call for (the right and middle buttons).
WINPLAT_EXPORT void HandleHostEvent(const winplat::HostEvent& event);
bool HasWork(Queue& q);
// Ends a cross-thread SendMessage to a window that is going away.
void ProcessSentMessages(Queue& q);
void ClearQueue();

// ---- Input state --------------------------------------------------------------------------

struct InputState {
    HWND focus = nullptr;
    HWND active = nullptr;
    HWND capture = nullptr;
    BYTE keys[256] = {};       // as of the last message taken (GetKeyState)
    BYTE asyncKeys[256] = {};  // as of the last input given (GetAsyncKeyState)
    UINT buttons = 0;          // MK_LBUTTON, MK_RBUTTON, MK_MBUTTON held
    POINT cursor{};            // screen pixels
};

InputState& Input();
// Makes a message out of an input record; false if it goes nowhere.
bool MessageFromInput(const InputRecord& record, MSG* msg);
void ApplyKeyState(const MSG& msg);
void Activate(HWND hwnd);
void ActivateAnotherThan(HWND hwnd);
// Keeps the dialog manager's default push button in step with the focus.
void DialogFocusChanged(HWND oldFocus, HWND newFocus);
void ForgetWindowInInput(HWND hwnd);
void ResetInput();

// ---- Dialogs ---------------------------------------------------------------------------

DialogInfo& DialogOf(Window& w);
bool IsDialog(Window& w);
// Runs a modal loop until the dialog ends; returns its result.
INT_PTR RunModal(HWND dialog);
void SetDialogFocus(HWND control);
HWND FirstTabStop(HWND dialog);

// ---- Controls -----------------------------------------------------------------------------

LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);

template <class T>
T* ControlOf(HWND hwnd)
{
    std::shared_ptr<Window> w = Peek(hwnd);
    if (!w) return nullptr;
    if (!w->control) w->control = std::make_unique<T>();
    return dynamic_cast<T*>(w->control.get());
}

// Sends a notification to the parent as WM_COMMAND.
void NotifyParent(HWND control, WORD code);
// The brush and colours the parent chooses for a control (WM_CTLCOLOR...).
HBRUSH ControlColors(HWND control, HDC hdc, UINT ctlColorMessage);
// Draws at once (outside WM_PAINT) with a DC that presents when released.
template <class F>
void DrawNow(HWND hwnd, F&& draw)
{
    std::shared_ptr<Window> w = Peek(hwnd);
    if (!w || !Showing(*w)) return;
    HDC hdc = GetDC(hwnd);
    if (!hdc) return;
    draw(hdc);
    ReleaseDC(hwnd, hdc);
}

// ---- Drawing helpers --------------------------------------------------------------------------

HBRUSH SysBrush(int index);
// A brush given where the platform also takes COLOR_ values plus one.
HBRUSH BrushFromParameter(HBRUSH brush);
void Draw3dRect(HDC hdc, const RECT& r, COLORREF topLeft, COLORREF bottomRight);
void FillSolid(HDC hdc, const RECT& r, COLORREF color);

// ---- Icons and cursors ------------------------------------------------------------------------

const Image* IconImage(HICON icon);
winplat::CursorShape CursorShapeOf(HCURSOR cursor);

// ---- Text ------------------------------------------------------------------------------------

std::string WindowText(HWND hwnd);
// UTF-8 text from UTF-16 resource strings.
std::string FromUtf16(const WORD* text, size_t count);
// The text form of a resource or class ordinal: "#" and the number.
std::string OrdinalName(unsigned ordinal);
void AppendUtf8(std::string* out, char32_t c);

// ---- Automation hooks used by the modal loops -------------------------------------------------

namespace automation {
void RegisterMessageBox(HWND box, const std::string& caption, const std::string& text, UINT style,
                        const std::vector<int>& buttons);
}

}  // namespace user
