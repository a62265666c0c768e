// Test automation (see winplat/automation.h): input through the same path
// as the host's, state and pictures, and the actions taken when modal
// windows appear.
#include "user.h"

#include <winplat/automation.h>

#include <deque>
#include <map>
#include <optional>
#include <strings.h>

namespace winplat::automation {

namespace {

struct PendingBox {
    std::string caption, text;
    UINT style = 0;
    std::vector<int> buttons;
};

// What the automation does with one modal loop.
enum class Stage { Appeared, ActionTaken, Ended };

struct State {
    std::deque<ModalAction> actions;
    std::vector<ModalRecord> history;
    std::map<HWND, size_t> open;  // modal window -> its record
    std::map<HWND, Stage> stages;
    std::map<HWND, PendingBox> boxes;
    std::optional<bool> unattended;
};

State& TheState()
{
    static auto* state = new State;
    return *state;
}

// A point of `window`'s client area in its top-level window's client area.
bool ToTopLevel(HWND window, POINT point, HWND* top, POINT* inTop)
{
    *top = user::TopLevelOf(window);
    if (!*top) return false;
    *inTop = point;
    MapWindowPoints(window, *top, inTop, 1);
    return true;
}

void Inject(const HostEvent& event) { user::HandleHostEvent(event); }

void Modifiers(UINT keys, bool down)
{
    if (keys & MK_CONTROL) {
        HostEvent e;
        e.kind = down ? HostEvent::Kind::KeyDown : HostEvent::Kind::KeyUp;
        e.virtualKey = VK_CONTROL;
        Inject(e);
    }
    if (keys & MK_SHIFT) {
        HostEvent e;
        e.kind = down ? HostEvent::Kind::KeyDown : HostEvent::Kind::KeyUp;
        e.virtualKey = VK_SHIFT;
        Inject(e);
    }
}

void Mouse(HWND window, POINT point, UINT keys, HostEvent::Kind kind)
{
    HWND top;
    POINT inTop;
    if (!ToTopLevel(window, point, &top, &inTop)) return;
    HostEvent e;
    e.kind = kind;
    e.window = user::PresenterId(top);
    e.x = inTop.x;
    e.y = inTop.y;
    e.control = (keys & MK_CONTROL) != 0;
    e.shift = (keys & MK_SHIFT) != 0;
    Inject(e);
}

void MouseAction(HWND window, POINT point, UINT keys, std::initializer_list<HostEvent::Kind> kinds)
{
    if (!IsWindow(window)) return;
    Modifiers(keys, true);
    Mouse(window, point, keys, HostEvent::Kind::MouseMove);
    for (HostEvent::Kind kind : kinds) Mouse(window, point, keys, kind);
    Modifiers(keys, false);
    PumpUntilIdle();
}

// The key a US keyboard presses for a character, or 0.
int KeyOf(char32_t c)
{
    if (c >= 'a' && c <= 'z') return int(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z') return int(c);
    if (c >= '0' && c <= '9') return int(c);
    if (c == ' ') return VK_SPACE;
    return 0;
}

char32_t CharacterOfKey(int vk, UINT keys)
{
    switch (vk) {
    case VK_BACK: return U'\b';
    case VK_TAB: return U'\t';
    case VK_RETURN: return U'\r';
    case VK_ESCAPE: return 0x1B;
    case VK_SPACE: return U' ';
    default: break;
    }
    if (vk >= 'A' && vk <= 'Z') {
        if (keys & MK_CONTROL) return char32_t(vk - 'A' + 1);
        return (keys & MK_SHIFT) ? char32_t(vk) : char32_t(vk - 'A' + 'a');
    }
    if (vk >= '0' && vk <= '9' && !(keys & MK_SHIFT)) return char32_t(vk);
    return 0;
}

void Key(int vk, bool down, char32_t character)
{
    HostEvent e;
    e.kind = down ? HostEvent::Kind::KeyDown : HostEvent::Kind::KeyUp;
    e.virtualKey = vk;
    e.character = down ? character : 0;
    Inject(e);
}

std::vector<char32_t> Decode(const char* text)
{
    std::vector<char32_t> out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (p && *p) {
        unsigned char c = *p++;
        if (c < 0x80) {
            out.push_back(c);
            continue;
        }
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        char32_t value = c & (0x3F >> extra);
        for (int i = 0; i < extra && (*p & 0xC0) == 0x80; ++i) value = (value << 6) | (*p++ & 0x3F);
        out.push_back(value);
    }
    return out;
}

HWND FindDescendant(HWND parent, const std::function<bool(HWND)>& match)
{
    std::shared_ptr<user::Window> w = user::Peek(parent);
    if (!w) return nullptr;
    for (HWND c : w->children) {
        if (match(c)) return c;
    }
    for (HWND c : w->children) {
        if (HWND found = FindDescendant(c, match)) return found;
    }
    return nullptr;
}

int CancelAnswerOf(const std::vector<int>& ids)
{
    for (int wanted : {IDCANCEL, IDNO, IDOK}) {
        for (int id : ids) {
            if (id == wanted) return id;
        }
    }
    return IDCANCEL;
}

bool Ended(HWND modal)
{
    std::shared_ptr<user::Window> w = user::Peek(modal);
    return !w || (w->dialog && w->dialog->ended);
}

// Ends a modal window that nobody can answer, with its cancel answer.
void EndUnanswered(HWND modal)
{
    State& s = TheState();
    auto record = s.open.find(modal);
    if (record != s.open.end()) s.history[record->second].unexpected = true;
    auto box = s.boxes.find(modal);
    if (box != s.boxes.end()) {
        EndDialog(modal, CancelAnswerOf(box->second.buttons));
        return;
    }
    SendMessageA(modal, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(modal, IDCANCEL)));
    if (!Ended(modal)) EndDialog(modal, IDCANCEL);
}

}  // namespace

// ---- Finding ---------------------------------------------------------------------

std::vector<HWND> TopLevelWindows() { return user::TopLevels(); }

HWND FindByCaption(const char* caption)
{
    for (HWND h : user::TopLevels()) {
        if (caption && user::WindowText(h) == caption) return h;
    }
    return nullptr;
}

HWND FindByClass(const char* className)
{
    for (HWND h : user::TopLevels()) {
        std::shared_ptr<user::Window> w = user::Peek(h);
        if (w && className && strcasecmp(w->cls->name.c_str(), className) == 0) return h;
    }
    return nullptr;
}

HWND FindControl(HWND parent, int id)
{
    return FindDescendant(parent, [id](HWND c) { return LOWORD(GetDlgCtrlID(c)) == LOWORD(id); });
}

HWND FindControlByText(HWND parent, const char* text)
{
    std::string wanted = text ? text : "";
    return FindDescendant(parent, [&wanted](HWND c) { return user::WindowText(c) == wanted; });
}

// ---- Input -------------------------------------------------------------------------

void Click(HWND window, POINT clientPoint, UINT keys)
{
    MouseAction(window, clientPoint, keys, {HostEvent::Kind::MouseDown, HostEvent::Kind::MouseUp});
}

void Click(HWND window, UINT keys)
{
    RECT r{};
    GetClientRect(window, &r);
    Click(window, POINT{r.right / 2, r.bottom / 2}, keys);
}

void Press(HWND window, POINT clientPoint, UINT keys)
{
    MouseAction(window, clientPoint, keys, {HostEvent::Kind::MouseDown});
}

void Release(HWND window, POINT clientPoint, UINT keys)
{
    MouseAction(window, clientPoint, keys, {HostEvent::Kind::MouseUp});
}

void MoveMouse(HWND window, POINT clientPoint, UINT keys) { MouseAction(window, clientPoint, keys, {}); }

void ClickButton(HWND dialog, int id)
{
    if (HWND control = FindControl(dialog, id)) Click(control);
}

void TypeText(const char* text)
{
    for (char32_t c : Decode(text)) {
        int vk = KeyOf(c);
        if (vk) {
            Key(vk, true, c);
            Key(vk, false, 0);
        } else {
            HostEvent e;
            e.kind = HostEvent::Kind::Char;
            e.character = c;
            Inject(e);
        }
    }
    PumpUntilIdle();
}

void PressKey(int virtualKey, UINT keys)
{
    Modifiers(keys, true);
    Key(virtualKey, true, CharacterOfKey(virtualKey, keys));
    Key(virtualKey, false, 0);
    Modifiers(keys, false);
    PumpUntilIdle();
}

void KeyDown(int virtualKey)
{
    Key(virtualKey, true, CharacterOfKey(virtualKey, 0));
    PumpUntilIdle();
}

void KeyUp(int virtualKey)
{
    Key(virtualKey, false, 0);
    PumpUntilIdle();
}

void CloseBox(HWND window)
{
    HostEvent e;
    e.kind = HostEvent::Kind::Close;
    e.window = user::PresenterId(user::TopLevelOf(window));
    Inject(e);
    PumpUntilIdle();
}

void PumpUntilIdle()
{
    // Bounded, so that a window that invalidates itself while painting
    // cannot hold the test for ever.
    for (int turns = 0; turns < 100000; ++turns) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) break;
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));  // left for the program's loop
            break;
        }
        HWND top = msg.hwnd ? user::TopLevelOf(msg.hwnd) : nullptr;
        std::shared_ptr<user::Window> t = user::Peek(top);
        if (t && user::IsDialog(*t) && IsDialogMessageA(top, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    user::PresentPending();
}

// ---- State ----------------------------------------------------------------------------

std::string Text(HWND window) { return user::WindowText(window); }
bool Visible(HWND window) { return IsWindowVisible(window) != FALSE; }
bool Enabled(HWND window) { return IsWindowEnabled(window) != FALSE; }
HWND Focus() { return GetFocus(); }

std::string ClassName(HWND window)
{
    std::shared_ptr<user::Window> w = user::Peek(window);
    return w ? w->cls->name : std::string();
}

// ---- Pictures ---------------------------------------------------------------------------

bool Capture(HWND window, Image* image)
{
    HWND top = user::TopLevelOf(window);
    if (!top || !image) return false;
    user::PresentPending();
    return ThePresenter().Snapshot(user::PresenterId(top), image);
}

COLORREF PixelAt(HWND window, POINT clientPoint)
{
    Image image;
    HWND top;
    POINT inTop;
    if (!ToTopLevel(window, clientPoint, &top, &inTop) || !Capture(top, &image)) return CLR_INVALID;
    if (!image.Contains(inTop.x, inTop.y)) return CLR_INVALID;
    return ColorRefFromPixel(image.At(inTop.x, inTop.y));
}

bool SavePicture(HWND window, const char* hostPngPath)
{
    Image image;
    return hostPngPath && Capture(window, &image) && SavePng(image, hostPngPath);
}

// ---- Modal windows ------------------------------------------------------------------------

void WhenModal(ModalAction action) { TheState().actions.push_back(std::move(action)); }

void WhenModalClick(int id)
{
    WhenModal([id](HWND modal) {
        if (HWND button = FindControl(modal, id)) {
            Click(button);
        } else {
            SendMessageA(modal, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
            PumpUntilIdle();
        }
    });
}

void WhenModalKey(int virtualKey)
{
    WhenModal([virtualKey](HWND) { PressKey(virtualKey); });
}

size_t PendingModalActions() { return TheState().actions.size(); }
void ClearModalActions() { TheState().actions.clear(); }

std::vector<ModalRecord> ModalHistory() { return TheState().history; }

std::vector<ModalRecord> MessageBoxes()
{
    std::vector<ModalRecord> out;
    for (const ModalRecord& r : TheState().history) {
        if (r.messageBox) out.push_back(r);
    }
    return out;
}

std::vector<ModalRecord> UnexpectedModals()
{
    std::vector<ModalRecord> out;
    for (const ModalRecord& r : TheState().history) {
        if (r.unexpected) out.push_back(r);
    }
    return out;
}

void ClearModalHistory()
{
    State& s = TheState();
    s.history.clear();
    s.open.clear();
}

void SetUnattended(bool unattended) { TheState().unattended = unattended; }

bool Unattended()
{
    State& s = TheState();
    return s.unattended ? *s.unattended : !ThePresenter().Interactive();
}

void NotifyModalLoopStart(HWND modal)
{
    State& s = TheState();
    ModalRecord record;
    record.window = modal;
    record.caption = user::WindowText(modal);
    auto box = s.boxes.find(modal);
    if (box != s.boxes.end()) {
        record.messageBox = true;
        record.caption = box->second.caption;
        record.text = box->second.text;
        record.style = box->second.style;
        record.buttons = box->second.buttons;
    }
    s.history.push_back(record);
    s.open[modal] = s.history.size() - 1;
    s.stages[modal] = Stage::Appeared;
}

bool NotifyModalLoopIdle(HWND modal)
{
    State& s = TheState();
    Stage& stage = s.stages[modal];
    if (stage == Stage::Appeared) {
        stage = Stage::ActionTaken;
        if (!s.actions.empty()) {
            ModalAction action = std::move(s.actions.front());
            s.actions.pop_front();
            action(modal);
            return true;
        }
    }
    if (stage == Stage::Ended || !Unattended()) return false;
    stage = Stage::Ended;
    EndUnanswered(modal);
    return true;
}

void NotifyModalLoopEnd(HWND modal, INT_PTR result)
{
    State& s = TheState();
    auto record = s.open.find(modal);
    if (record != s.open.end()) {
        s.history[record->second].result = result;
        s.history[record->second].ended = true;
        s.open.erase(record);
    }
    s.stages.erase(modal);
    s.boxes.erase(modal);
}

// ---- Between tests ---------------------------------------------------------------------------

void Reset()
{
    user::DestroyThreadWindows();
    user::ClearQueue();
    user::ResetInput();
    State& s = TheState();
    s.actions.clear();
    s.history.clear();
    s.open.clear();
    s.stages.clear();
    s.boxes.clear();
}

}  // namespace winplat::automation

namespace user::automation {

void RegisterMessageBox(HWND box, const std::string& caption, const std::string& text, UINT style,
                        const std::vector<int>& buttons)
{
    winplat::automation::TheState().boxes[box] = {caption, text, style, buttons};
}

}  // namespace user::automation
