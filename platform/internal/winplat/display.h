// The display behind the stand-in's windows: pixel images, regions and the
// presenter that shows top-level windows to a person (SDL2) or keeps them in
// memory (headless).
//
// user32 gives every top-level window one backing image, the window's client
// area; the window and all its children paint into it through gdi32. user32
// hands the image to the presenter after painting ("presenting"):
//   - when the last pending paint of the window's tree has been done,
//   - at the end of UpdateWindow and RedrawWindow(RDW_UPDATENOW),
//   - when ShowWindow shows a top-level window (it is painted at once),
//   - when the thread's message retrieval finds nothing left to do.
// So a window that repaints itself during a long synchronous operation (a
// progress bar stepped, a static's text set, without a message loop
// running) reaches the screen at once.
//
// The presenter is chosen once per process: WINPLAT_DISPLAY=headless asks
// for the headless one (tests, screenshots); otherwise SDL shows the windows
// on the display that DISPLAY or WAYLAND_DISPLAY names. When that display
// cannot be opened the process says so on standard error and ends with
// status 1; it never falls back to a display nobody sees. Tests call
// SelectPresenter("headless") (or set the variable) before the first window.
//
// Threads: every call except Wake() is made on the thread that runs the
// windows (the presenter is not locked). Wake() may be called from any
// thread; it ends a WaitEvent() in progress. Other threads use
// WakeThePresenter(), which does not choose a presenter.
#pragma once

#include <windef.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace winplat {

// ---- Images ------------------------------------------------------------------

// Pixels are 0xAARRGGBB. Window images are opaque (alpha ignored); icons and
// cursors use the alpha channel.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // rows top-down, `width` pixels each

    Image() = default;
    Image(int w, int h, uint32_t fill = 0) : width(w), height(h), pixels(size_t(w) * size_t(h), fill) {}
    bool Empty() const { return width <= 0 || height <= 0; }
    uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    uint32_t& At(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// A COLORREF (0x00BBGGRR) as an opaque pixel, and back.
inline uint32_t PixelFromColorRef(DWORD color)
{
    return 0xFF000000u | ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}
inline DWORD ColorRefFromPixel(uint32_t pixel)
{
    return ((pixel >> 16) & 0xFFu) | (pixel & 0xFF00u) | ((pixel & 0xFFu) << 16);
}

WINPLAT_EXPORT bool SavePng(const Image& image, const std::string& hostPath);
// Decodes a PNG held in memory (icons may carry one); false for bad data.
WINPLAT_EXPORT bool DecodePng(const void* data, size_t size, Image* image);

// ---- Regions -------------------------------------------------------------------

// A set of pixels as disjoint rectangles (right and bottom exclusive), used
// for update regions, visible regions and clipping.
class WINPLAT_EXPORT Region {
public:
    Region() = default;
    explicit Region(const RECT& rect) { Add(rect); }

    bool Empty() const { return rects_.empty(); }
    const std::vector<RECT>& Rects() const { return rects_; }
    RECT Bounds() const;
    bool Contains(int x, int y) const;
    bool Intersects(const RECT& rect) const;
    bool operator==(const Region& other) const;
    // Number of rectangles needed: 0 empty, 1 a single rectangle.
    int Complexity() const;

    void Clear() { rects_.clear(); }
    void Add(const RECT& rect);
    void Add(const Region& other);
    void Subtract(const RECT& rect);
    void Subtract(const Region& other);
    void Intersect(const RECT& rect);
    void Intersect(const Region& other);
    void Xor(const Region& other);
    void Offset(int dx, int dy);

private:
    void Coalesce();
    std::vector<RECT> rects_;
};

// ---- Presenters ------------------------------------------------------------------

enum class CursorShape { Arrow, Wait, IBeam, Cross, AppStarting, Hand, No };

// Input from the host, in a window's client pixels.
struct HostEvent {
    enum class Kind { None, MouseMove, MouseDown, MouseUp, MouseWheel, KeyDown, KeyUp, Char, Close, FocusGained, Exposed };
    Kind kind = Kind::None;
    uint32_t window = 0;  // id given to Open
    int x = 0;
    int y = 0;
    int button = 0;       // 0 left, 1 right, 2 middle
    int wheel = 0;        // MouseWheel: 120 per notch, positive away from the user
    int virtualKey = 0;   // VK_ code (KeyDown, KeyUp)
    char32_t character = 0;  // the character a KeyDown produces (0: none), or the Char
    bool shift = false;
    bool control = false;
    bool alt = false;
};

struct WindowLook {
    std::string title;
    int x = 0, y = 0, width = 0, height = 0;  // client area in screen pixels
    bool closeBox = true;                       // the window has a system menu
};

class Presenter {
public:
    virtual ~Presenter() = default;
    virtual const char* Name() const = 0;

    // Top-level windows, known by ids the caller chooses (window handles).
    virtual void Open(uint32_t id, const WindowLook& look) = 0;
    virtual void Close(uint32_t id) = 0;
    virtual void SetTitle(uint32_t id, const std::string& title) = 0;
    virtual void SetVisible(uint32_t id, bool visible) = 0;
    virtual void SetBounds(uint32_t id, int x, int y, int width, int height) = 0;
    virtual void SetIcon(uint32_t id, const Image* icon) = 0;
    // Shows a new picture of the window's client area.
    virtual void Present(uint32_t id, const Image& frame) = 0;
    // The window's picture as last presented (false if none yet).
    virtual bool Snapshot(uint32_t id, Image* frame) = 0;
    // What the display itself shows of the window, read back from it (the
    // SDL window's surface); the headless presenter returns the snapshot.
    virtual bool ReadBack(uint32_t id, Image* frame) = 0;
    virtual void SetCursor(CursorShape shape) = 0;

    // Takes the next input event, waiting at most `timeoutMs` real
    // milliseconds (0: do not wait). False when none came; a Wake() ends
    // the wait early.
    virtual bool WaitEvent(HostEvent* event, int timeoutMs) = 0;
    virtual void Wake() = 0;
    // True when a person can see the windows (input can come from the host).
    virtual bool Interactive() const = 0;
    // The window the program activated takes the host's keyboard (also
    // when it is shown later, and without a window manager).
    virtual void Activate(uint32_t id) = 0;
    // The screen the windows are placed on, in screen pixels.
    virtual RECT ScreenBounds() = 0;
};

// The process's presenter, chosen on first use.
WINPLAT_EXPORT Presenter& ThePresenter();
// Chooses the presenter before first use ("sdl" or "headless"); false if it
// was already chosen otherwise or SDL cannot start.
WINPLAT_EXPORT bool SelectPresenter(const char* name);
WINPLAT_EXPORT Presenter* MakeHeadlessPresenter();
// Null when SDL cannot open the display; `error` (may be null) says why.
WINPLAT_EXPORT Presenter* MakeSdlPresenter(std::string* error);
// Wakes the chosen presenter's WaitEvent(); nothing when none is chosen yet.
WINPLAT_EXPORT void WakeThePresenter();

// Screen size of the headless desktop (and the limit of a window's size).
constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

}  // namespace winplat
