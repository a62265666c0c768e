// The SDL2 presenter: each top-level window is a desktop window whose
// surface shows the window's client area; the window manager draws the
// caption. Input is read on the windows' thread; Wake() pushes a user event
// from any thread, which ends SDL_WaitEventTimeout at once.
//
// Host windows are kept until SDL shuts down: a closed window is hidden and
// used again by the next Open. SDL's X11 driver wakes a waiting thread by
// sending an X client message, over a second X connection, to a window it
// picked when the wait began; a pushing thread may send it just as the
// windows' thread ends the wait and destroys that window, and the X server
// then rejects the send with BadWindow, which Xlib's default handler turns
// into exit(1) at the next wake-up or when SDL closes the display. A host
// window that outlives every wait cannot be such a target.
#include <winplat/display.h>

#include <SDL.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace winplat {
namespace {

// Virtual-key codes (winuser.h is not a dependency of the display).
enum : int {
    kVkBack = 0x08, kVkTab = 0x09, kVkReturn = 0x0D, kVkShift = 0x10, kVkControl = 0x11, kVkMenu = 0x12,
    kVkEscape = 0x1B, kVkSpace = 0x20, kVkPrior = 0x21, kVkNext = 0x22, kVkEnd = 0x23, kVkHome = 0x24,
    kVkLeft = 0x25, kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28, kVkInsert = 0x2D, kVkDelete = 0x2E,
    kVkF1 = 0x70, kVkOem1 = 0xBA, kVkOemPlus = 0xBB, kVkOemComma = 0xBC, kVkOemMinus = 0xBD,
    kVkOemPeriod = 0xBE, kVkOem2 = 0xBF, kVkOem3 = 0xC0, kVkOem4 = 0xDB, kVkOem5 = 0xDC, kVkOem6 = 0xDD,
    kVkOem7 = 0xDE,
};

int VirtualKeyOf(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return kVkF1 + (key - SDLK_F1);
    switch (key) {
    case SDLK_BACKSPACE: return kVkBack;
    case SDLK_TAB: return kVkTab;
    case SDLK_RETURN: case SDLK_KP_ENTER: return kVkReturn;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return kVkShift;
    case SDLK_LCTRL: case SDLK_RCTRL: return kVkControl;
    case SDLK_LALT: case SDLK_RALT: return kVkMenu;
    case SDLK_ESCAPE: return kVkEscape;
    case SDLK_SPACE: return kVkSpace;
    case SDLK_PAGEUP: return kVkPrior;
    case SDLK_PAGEDOWN: return kVkNext;
    case SDLK_END: return kVkEnd;
    case SDLK_HOME: return kVkHome;
    case SDLK_LEFT: return kVkLeft;
    case SDLK_UP: return kVkUp;
    case SDLK_RIGHT: return kVkRight;
    case SDLK_DOWN: return kVkDown;
    case SDLK_INSERT: return kVkInsert;
    case SDLK_DELETE: return kVkDelete;
    case SDLK_SEMICOLON: return kVkOem1;
    case SDLK_EQUALS: return kVkOemPlus;
    case SDLK_COMMA: return kVkOemComma;
    case SDLK_MINUS: return kVkOemMinus;
    case SDLK_PERIOD: return kVkOemPeriod;
    case SDLK_SLASH: return kVkOem2;
    case SDLK_BACKQUOTE: return kVkOem3;
    case SDLK_LEFTBRACKET: return kVkOem4;
    case SDLK_BACKSLASH: return kVkOem5;
    case SDLK_RIGHTBRACKET: return kVkOem6;
    case SDLK_QUOTE: return kVkOem7;
    default: return 0;
    }
}

// Keys whose characters SDL does not report as text: the platform's
// keyboard makes these characters on key-down.
char32_t ControlCharacterOf(int vk, bool control)
{
    switch (vk) {
    case kVkBack: return U'\b';
    case kVkTab: return U'\t';
    case kVkReturn: return U'\r';
    case kVkEscape: return 0x1B;
    default: break;
    }
    if (control && vk >= 'A' && vk <= 'Z') return static_cast<char32_t>(vk - 'A' + 1);
    return 0;
}

// Decodes one UTF-8 sequence; advances `p`.
char32_t NextCodePoint(const char*& p)
{
    auto byte = [](const char* q) { return static_cast<unsigned char>(*q); };
    unsigned char c = byte(p++);
    if (c < 0x80) return c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    char32_t value = c & (0x3F >> extra);
    for (int i = 0; i < extra && (byte(p) & 0xC0) == 0x80; ++i) value = (value << 6) | (byte(p++) & 0x3F);
    return value;
}

class SdlPresenter : public Presenter {
public:
    SdlPresenter() : wakeEvent_(SDL_RegisterEvents(1)) { SDL_StartTextInput(); }
    ~SdlPresenter() override { Shutdown(); }

    // At process exit SDL is shut down (it lets go of the desktop bus and
    // the display); the presenter does nothing from then on.
    void Shutdown()
    {
        {
            // No wake-up is under way once down_ is set (Wake holds the lock).
            std::lock_guard<std::mutex> guard(wakeLock_);
            if (down_) return;
            down_ = true;
        }
        for (auto& entry : windows_) SDL_DestroyWindow(entry.second.window);
        for (SDL_Window* spare : spares_) SDL_DestroyWindow(spare);
        windows_.clear();
        spares_.clear();
        byHost_.clear();
        for (auto& cursor : cursors_) SDL_FreeCursor(cursor.second);
        cursors_.clear();
        SDL_Quit();
    }

    const char* Name() const override { return "sdl"; }

    void Open(uint32_t id, const WindowLook& look) override
    {
        if (down_) return;
        Close(id);
        SDL_Window* window = TakeSpare(look);
        if (!window) {
            window = SDL_CreateWindow(look.title.c_str(), look.x, look.y, std::max(look.width, 1),
                                      std::max(look.height, 1), SDL_WINDOW_HIDDEN);
        }
        if (!window) {
            // The display went away under the program: nothing it shows
            // could be seen or answered.
            std::fprintf(stderr, "%s: cannot open a window on the display: %s\n", program_invocation_short_name,
                         SDL_GetError());
            std::fflush(stderr);
            std::_Exit(1);
        }
        Entry& e = windows_[id];
        e.window = window;
        byHost_[SDL_GetWindowID(window)] = id;
    }
    void Close(uint32_t id) override
    {
        auto it = windows_.find(id);
        if (it == windows_.end()) return;
        SDL_Window* window = it->second.window;
        byHost_.erase(SDL_GetWindowID(window));
        if (active_ == id) active_ = 0;
        windows_.erase(it);
        SDL_HideWindow(window);
        spares_.push_back(window);
    }
    void SetTitle(uint32_t id, const std::string& title) override
    {
        if (Entry* e = Find(id)) SDL_SetWindowTitle(e->window, title.c_str());
    }
    void SetVisible(uint32_t id, bool visible) override
    {
        Entry* e = Find(id);
        if (!e) return;
        if (visible) {
            SDL_ShowWindow(e->window);
            Show(*e);
            if (active_ == id) Focus(e->window);
        } else {
            SDL_HideWindow(e->window);
        }
    }
    void SetBounds(uint32_t id, int x, int y, int width, int height) override
    {
        Entry* e = Find(id);
        if (!e) return;
        SDL_SetWindowPosition(e->window, x, y);
        SDL_SetWindowSize(e->window, std::max(width, 1), std::max(height, 1));
    }
    void SetIcon(uint32_t id, const Image* icon) override
    {
        Entry* e = Find(id);
        if (!e || !icon || icon->Empty()) return;
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
            const_cast<uint32_t*>(icon->pixels.data()), icon->width, icon->height, 32, icon->width * 4,
            SDL_PIXELFORMAT_ARGB8888);
        if (!surface) return;
        SDL_SetWindowIcon(e->window, surface);
        SDL_FreeSurface(surface);
    }
    void Present(uint32_t id, const Image& frame) override
    {
        Entry* e = Find(id);
        if (!e) return;
        e->frame = frame;
        e->presented = true;
        Show(*e);
    }
    bool Snapshot(uint32_t id, Image* frame) override
    {
        Entry* e = Find(id);
        if (!e || !e->presented) return false;
        *frame = e->frame;
        return true;
    }
    bool ReadBack(uint32_t id, Image* frame) override
    {
        Entry* e = Find(id);
        if (!e) return false;
        SDL_Surface* surface = SDL_GetWindowSurface(e->window);
        if (!surface) return false;
        Image read(surface->w, surface->h);
        if (SDL_LockSurface(surface) != 0) return false;
        int rc = SDL_ConvertPixels(surface->w, surface->h, surface->format->format, surface->pixels,
                                   surface->pitch, SDL_PIXELFORMAT_ARGB8888, read.pixels.data(), surface->w * 4);
        SDL_UnlockSurface(surface);
        if (rc != 0) return false;
        *frame = std::move(read);
        return true;
    }
    void SetCursor(CursorShape shape) override
    {
        if (down_) return;
        SDL_Cursor*& cursor = cursors_[shape];
        if (!cursor) cursor = SDL_CreateSystemCursor(SystemCursorOf(shape));
        if (cursor) SDL_SetCursor(cursor);
    }

    bool WaitEvent(HostEvent* event, int timeoutMs) override
    {
        if (down_) return false;
        if (!pendingText_.empty()) {
            *event = pendingText_.front();
            pendingText_.erase(pendingText_.begin());
            return true;
        }
        SDL_Event e;
        bool got = timeoutMs > 0 ? SDL_WaitEventTimeout(&e, timeoutMs) != 0 : SDL_PollEvent(&e) != 0;
        while (got) {
            if (Translate(e, event)) return true;
            got = SDL_PollEvent(&e) != 0;  // drain what needs no answer
        }
        return false;
    }
    void Activate(uint32_t id) override
    {
        active_ = id;
        Entry* e = Find(id);
        if (e && (SDL_GetWindowFlags(e->window) & SDL_WINDOW_SHOWN)) Focus(e->window);
    }
    RECT ScreenBounds() override
    {
        SDL_Rect bounds;
        if (down_ || SDL_GetDisplayBounds(0, &bounds) != 0 || bounds.w <= 0 || bounds.h <= 0) {
            return RECT{0, 0, kScreenWidth, kScreenHeight};
        }
        return RECT{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
    }
    void Wake() override
    {
        std::lock_guard<std::mutex> guard(wakeLock_);
        if (down_) return;
        SDL_Event e;
        SDL_zero(e);
        e.type = wakeEvent_;
        SDL_PushEvent(&e);
    }
    bool Interactive() const override { return true; }

private:
    struct Entry {
        SDL_Window* window = nullptr;
        bool presented = false;
        Image frame;
    };

    // A hidden window kept from an earlier Open, made to look like `look`.
    SDL_Window* TakeSpare(const WindowLook& look)
    {
        if (spares_.empty()) return nullptr;
        SDL_Window* window = spares_.back();
        spares_.pop_back();
        SDL_SetWindowTitle(window, look.title.c_str());
        SDL_SetWindowPosition(window, look.x, look.y);
        SDL_SetWindowSize(window, std::max(look.width, 1), std::max(look.height, 1));
        return window;
    }

    // Raising asks a window manager for the focus; without one the window
    // takes the keyboard itself.
    static void Focus(SDL_Window* window)
    {
        SDL_RaiseWindow(window);
        SDL_SetWindowInputFocus(window);
    }

    Entry* Find(uint32_t id)
    {
        auto it = windows_.find(id);
        return it == windows_.end() ? nullptr : &it->second;
    }

    static SDL_SystemCursor SystemCursorOf(CursorShape shape)
    {
        switch (shape) {
        case CursorShape::Wait: return SDL_SYSTEM_CURSOR_WAIT;
        case CursorShape::IBeam: return SDL_SYSTEM_CURSOR_IBEAM;
        case CursorShape::Cross: return SDL_SYSTEM_CURSOR_CROSSHAIR;
        case CursorShape::AppStarting: return SDL_SYSTEM_CURSOR_WAITARROW;
        case CursorShape::Hand: return SDL_SYSTEM_CURSOR_HAND;
        case CursorShape::No: return SDL_SYSTEM_CURSOR_NO;
        default: return SDL_SYSTEM_CURSOR_ARROW;
        }
    }

    // Copies the last frame to the window's surface and shows it.
    void Show(Entry& e)
    {
        if (!e.presented) return;
        SDL_Surface* surface = SDL_GetWindowSurface(e.window);
        if (!surface) return;
        int width = std::min(surface->w, e.frame.width);
        int height = std::min(surface->h, e.frame.height);
        if (width <= 0 || height <= 0 || SDL_LockSurface(surface) != 0) return;
        SDL_ConvertPixels(width, height, SDL_PIXELFORMAT_ARGB8888, e.frame.pixels.data(), e.frame.width * 4,
                          surface->format->format, surface->pixels, surface->pitch);
        SDL_UnlockSurface(surface);
        SDL_UpdateWindowSurface(e.window);
    }

    uint32_t IdOf(Uint32 hostWindow) const
    {
        auto it = byHost_.find(hostWindow);
        return it == byHost_.end() ? 0 : it->second;
    }

    static void Modifiers(HostEvent* event)
    {
        SDL_Keymod mod = SDL_GetModState();
        event->shift = (mod & KMOD_SHIFT) != 0;
        event->control = (mod & KMOD_CTRL) != 0;
        event->alt = (mod & KMOD_ALT) != 0;
    }

    bool Translate(const SDL_Event& e, HostEvent* event)
    {
        *event = HostEvent{};
        switch (e.type) {
        case SDL_MOUSEMOTION:
            event->kind = HostEvent::Kind::MouseMove;
            event->window = IdOf(e.motion.windowID);
            event->x = e.motion.x;
            event->y = e.motion.y;
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            event->kind = e.type == SDL_MOUSEBUTTONDOWN ? HostEvent::Kind::MouseDown : HostEvent::Kind::MouseUp;
            event->window = IdOf(e.button.windowID);
            event->x = e.button.x;
            event->y = e.button.y;
            event->button = e.button.button == SDL_BUTTON_RIGHT ? 1 : e.button.button == SDL_BUTTON_MIDDLE ? 2 : 0;
            break;
        case SDL_MOUSEWHEEL:
            event->kind = HostEvent::Kind::MouseWheel;
            event->window = IdOf(e.wheel.windowID);
            event->x = e.wheel.mouseX;
            event->y = e.wheel.mouseY;
            event->wheel = 120 * (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y);
            if (event->wheel == 0) return false;
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            event->kind = e.type == SDL_KEYDOWN ? HostEvent::Kind::KeyDown : HostEvent::Kind::KeyUp;
            event->window = IdOf(e.key.windowID);
            event->virtualKey = VirtualKeyOf(e.key.keysym.sym);
            if (event->virtualKey == 0) return false;
            Modifiers(event);
            if (e.type == SDL_KEYDOWN) event->character = ControlCharacterOf(event->virtualKey, event->control);
            return true;
        case SDL_TEXTINPUT: {
            // SDL delivers text in pieces; the first character goes now,
            // the rest wait in pendingText_.
            const char* p = e.text.text;
            if (!*p) return false;
            event->kind = HostEvent::Kind::Char;
            event->window = IdOf(e.text.windowID);
            event->character = NextCodePoint(p);
            while (*p) {
                HostEvent more = *event;
                more.character = NextCodePoint(p);
                pendingText_.push_back(more);
            }
            return true;
        }
        case SDL_WINDOWEVENT:
            return TranslateWindowEvent(e, event);
        default:
            return false;
        }
        Modifiers(event);
        return event->window != 0;
    }

    bool TranslateWindowEvent(const SDL_Event& e, HostEvent* event)
    {
        uint32_t id = IdOf(e.window.windowID);
        Entry* entry = Find(id);
        if (!entry) return false;
        switch (e.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
            Show(*entry);
            return false;
        case SDL_WINDOWEVENT_CLOSE:
            event->kind = HostEvent::Kind::Close;
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            event->kind = HostEvent::Kind::FocusGained;
            break;
        default:
            return false;
        }
        event->window = id;
        return true;
    }

    std::mutex wakeLock_;  // orders Wake() against Shutdown()
    bool down_ = false;
    Uint32 wakeEvent_;
    uint32_t active_ = 0;               // the window that should have the keyboard
    std::vector<SDL_Window*> spares_;  // closed windows, hidden, for later Opens
    std::map<uint32_t, Entry> windows_;
    std::map<Uint32, uint32_t> byHost_;
    std::map<CursorShape, SDL_Cursor*> cursors_;
    std::vector<HostEvent> pendingText_;
};

}  // namespace

namespace {

// The video drivers for the display the environment names: never SDL's
// offscreen or dummy drivers, whose windows nobody sees, unless the user
// names them in SDL_VIDEODRIVER.
std::string VideoDrivers()
{
    const char* chosen = std::getenv("SDL_VIDEODRIVER");
    if (chosen && *chosen) return chosen;
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* x11 = std::getenv("DISPLAY");
    std::string drivers;
    if (wayland && *wayland) drivers = "wayland";
    if (x11 && *x11) drivers += drivers.empty() ? "x11" : ",x11";
    return drivers;
}

}  // namespace

Presenter* MakeSdlPresenter(std::string* error)
{
    std::string drivers = VideoDrivers();
    if (drivers.empty()) {
        if (error) *error = "neither DISPLAY nor WAYLAND_DISPLAY is set";
        return nullptr;
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    // The programs type plain text: no input-method daemon and no
    // screensaver inhibition over the desktop bus, whose client library
    // keeps memory until the process ends.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // Window surfaces go to the X server directly, not through OpenGL.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    setenv("SDL_IM_MODULE", "none", 0);
    // A busy X server now and then refuses a connection it would take a
    // moment later; a display that does not answer three tries is gone.
    constexpr int kTries = 3;
    constexpr Uint32 kRetryMs = 200;
    for (int attempt = 1; SDL_Init(SDL_INIT_VIDEO) != 0; ++attempt) {
        if (attempt == kTries) {
            if (error) *error = SDL_GetError();
            return nullptr;
        }
        SDL_Delay(kRetryMs);
    }
    static SdlPresenter* presenter = nullptr;
    presenter = new SdlPresenter;
    std::atexit([] { presenter->Shutdown(); });
    return presenter;
}

}  // namespace winplat
