// The thread's message queue: posted messages before input, input before
// WM_QUIT, then WM_PAINT for windows that need it. Waiting blocks in the
// presenter (host input, or a Wake() from PostMessageA on another thread)
// in bounded slices.
#include "user.h"

#include <winplat/automation.h>

#include <chrono>
#include <condition_variable>

namespace user {

namespace {

constexpr int kWaitSliceMs = 250;

std::condition_variable& SentDone()
{
    static std::condition_variable done;
    return done;
}

thread_local std::shared_ptr<Queue> t_queue;
thread_local MSG t_lastTaken{};

bool InRange(UINT message, UINT low, UINT high)
{
    if (low == 0 && high == 0) return true;
    return message >= low && message <= high;
}

// hwnd filter: null takes everything, (HWND)-1 only thread messages.
bool Matches(const MSG& msg, HWND filter, UINT low, UINT high)
{
    if (!InRange(msg.message, low, high)) return false;
    if (!filter) return true;
    if (filter == reinterpret_cast<HWND>(-1)) return msg.hwnd == nullptr;
    return msg.hwnd == filter || IsChild(filter, msg.hwnd);
}

DWORD Now() { return GetTickCount(); }

bool TakePosted(Queue& q, MSG* out, HWND filter, UINT low, UINT high, bool remove)
{
    std::lock_guard<std::mutex> guard(q.lock);
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (!Matches(it->msg, filter, low, high)) continue;
        *out = it->msg;
        if (remove) q.posted.erase(it);
        return true;
    }
    return false;
}

bool TakeInput(Queue& q, MSG* out, char32_t* character, HWND filter, UINT low, UINT high, bool remove)
{
    while (!q.input.empty()) {
        InputRecord record = q.input.front();
        MSG msg;
        if (!MessageFromInput(record, &msg)) {
            q.input.pop_front();  // goes nowhere (a disabled window, no focus)
            continue;
        }
        if (!Matches(msg, filter, low, high)) return false;
        if (remove) q.input.pop_front();
        *out = msg;
        *character = record.kind == InputRecord::Kind::Key ? record.character : 0;
        return true;
    }
    return false;
}

bool TakeMessage(MSG* msg, HWND filter, UINT low, UINT high, UINT flags)
{
    std::shared_ptr<Queue> q = CurrentQueue();
    ProcessSentMessages(*q);
    bool remove = (flags & PM_REMOVE) != 0;
    char32_t character = 0;
    if (TakePosted(*q, msg, filter, low, high, remove)) {
        q->lastCharacter = 0;
    } else if (TakeInput(*q, msg, &character, filter, low, high, remove)) {
        if (remove) ApplyKeyState(*msg);
        q->lastCharacter = character;
    } else {
        bool quit;
        {
            std::lock_guard<std::mutex> guard(q->lock);
            quit = q->quit && InRange(WM_QUIT, low, high);
            if (quit && remove) q->quit = false;
        }
        if (quit) {
            *msg = MSG{nullptr, WM_QUIT, WPARAM(q->quitCode), 0, Now(), Input().cursor};
        } else if (InRange(WM_PAINT, low, high) && filter != reinterpret_cast<HWND>(-1)) {
            HWND paint = NextPaintWindow(filter);
            if (!paint) return false;
            *msg = MSG{paint, WM_PAINT, 0, 0, Now(), Input().cursor};
        } else {
            return false;
        }
        q->lastCharacter = 0;
    }
    if (remove) q->lastMessage = *msg;
    t_lastTaken = *msg;
    return true;
}

}  // namespace

std::shared_ptr<Queue> CurrentQueue()
{
    if (!t_queue) {
        t_queue = std::make_shared<Queue>();
        t_queue->threadId = GetCurrentThreadId();
    }
    return t_queue;
}

void PostInput(const InputRecord& record)
{
    CurrentQueue()->input.push_back(record);
}

bool HasWork(Queue& q)
{
    {
        std::lock_guard<std::mutex> guard(q.lock);
        if (!q.posted.empty() || !q.sent.empty() || q.quit) return true;
    }
    return !q.input.empty() || NextPaintWindow(nullptr) != nullptr;
}

void ProcessSentMessages(Queue& q)
{
    for (;;) {
        std::shared_ptr<SentMessage> sent;
        {
            std::lock_guard<std::mutex> guard(q.lock);
            if (q.sent.empty()) return;
            sent = q.sent.front();
            q.sent.pop_front();
        }
        std::shared_ptr<Window> w = Peek(sent->hwnd);
        LRESULT result = w ? CallProc(*w, sent->message, sent->wParam, sent->lParam) : 0;
        {
            std::lock_guard<std::mutex> guard(q.lock);
            sent->result = result;
            sent->done = true;
        }
        SentDone().notify_all();
    }
}

bool PumpHostEvents(int timeoutMs)
{
    winplat::Presenter& presenter = winplat::ThePresenter();
    winplat::HostEvent event;
    bool any = false;
    int wait = timeoutMs;
    while (presenter.WaitEvent(&event, wait)) {
        HandleHostEvent(event);
        any = true;
        wait = 0;
    }
    return any;
}

void ClearQueue()
{
    std::shared_ptr<Queue> q = CurrentQueue();
    {
        std::lock_guard<std::mutex> guard(q->lock);
        q->posted.clear();
        q->quit = false;
    }
    q->input.clear();
    q->lastCharacter = 0;
}

}  // namespace user

using namespace user;

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg)
{
    if (!lpMsg) return FALSE;
    if (TakeMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, wRemoveMsg)) return TRUE;
    // Host input that came meanwhile, without waiting.
    if (PumpHostEvents(0) && TakeMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, wRemoveMsg)) return TRUE;
    PresentPending();
    return FALSE;
}

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax)
{
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (hWnd && hWnd != reinterpret_cast<HWND>(-1) && !Lookup(hWnd)) return -1;
    while (!TakeMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, PM_REMOVE)) {
        PresentPending();
        PumpHostEvents(kWaitSliceMs);
    }
    return lpMsg->message != WM_QUIT;
}

BOOL WINAPI WaitMessage(void)
{
    std::shared_ptr<Queue> q = CurrentQueue();
    ProcessSentMessages(*q);
    PresentPending();
    while (!HasWork(*q)) {
        PumpHostEvents(kWaitSliceMs);
        ProcessSentMessages(*q);
    }
    return TRUE;
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<Queue> q;
    if (hWnd) {
        std::shared_ptr<Window> w = Lookup(hWnd);
        if (!w) return FALSE;
        q = w->queue;
    } else {
        q = CurrentQueue();
    }
    QueuedMessage entry;
    // The input state belongs to the windows' thread; others post no position.
    POINT cursor = q->threadId == GetCurrentThreadId() ? Input().cursor : POINT{0, 0};
    entry.msg = MSG{hWnd, Msg, wParam, lParam, GetTickCount(), cursor};
    {
        std::lock_guard<std::mutex> guard(q->lock);
        q->posted.push_back(entry);
    }
    if (q->threadId != GetCurrentThreadId()) winplat::WakeThePresenter();
    return TRUE;
}

BOOL WINAPI PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    // Only the calling thread's own queue is reachable this way.
    if (idThread != GetCurrentThreadId()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return PostMessageA(nullptr, Msg, wParam, lParam);
}

void WINAPI PostQuitMessage(int nExitCode)
{
    std::shared_ptr<Queue> q = CurrentQueue();
    std::lock_guard<std::mutex> guard(q->lock);
    q->quit = true;
    q->quitCode = nExitCode;
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<Window> w = Lookup(hWnd);
    if (!w) return 0;
    if (w->threadId == GetCurrentThreadId()) return CallProc(*w, Msg, wParam, lParam);
    // Another thread's window: its thread runs the procedure when it next
    // looks at its queue; wait for that, as long as the window lives.
    auto sent = std::make_shared<SentMessage>(SentMessage{hWnd, Msg, wParam, lParam});
    std::shared_ptr<Queue> q = w->queue;
    w.reset();
    std::unique_lock<std::mutex> guard(q->lock);
    q->sent.push_back(sent);
    guard.unlock();
    winplat::WakeThePresenter();
    guard.lock();
    while (!sent->done) {
        SentDone().wait_for(guard, std::chrono::milliseconds(kWaitSliceMs));
        if (!sent->done && !Peek(hWnd)) return 0;
    }
    return sent->result;
}

LRESULT WINAPI SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SendMessageA(item, Msg, wParam, lParam) : 0;
}

namespace {

// Characters a US keyboard makes for a key without any other information.
char32_t CharacterOfKey(int vk, bool shift)
{
    if (vk >= 'A' && vk <= 'Z') return shift ? char32_t(vk) : char32_t(vk - 'A' + 'a');
    if (vk >= '0' && vk <= '9') return shift ? U")!@#$%^&*("[vk - '0'] : char32_t(vk);
    switch (vk) {
    case VK_SPACE: return U' ';
    case VK_RETURN: return U'\r';
    case VK_BACK: return U'\b';
    case VK_TAB: return U'\t';
    case VK_ESCAPE: return 0x1B;
    default: return 0;
    }
}

}  // namespace

BOOL WINAPI TranslateMessage(const MSG* lpMsg)
{
    if (!lpMsg || (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN)) return FALSE;
    std::shared_ptr<Queue> q = CurrentQueue();
    const MSG& last = q->lastMessage;
    bool isLast = last.hwnd == lpMsg->hwnd && last.message == lpMsg->message && last.wParam == lpMsg->wParam &&
                  last.lParam == lpMsg->lParam && last.time == lpMsg->time;
    char32_t character = isLast ? q->lastCharacter
                                : CharacterOfKey(int(lpMsg->wParam), (GetKeyState(VK_SHIFT) & 0x8000) != 0);
    if (!character) return FALSE;
    QueuedMessage entry;
    entry.msg = MSG{lpMsg->hwnd, lpMsg->message == WM_SYSKEYDOWN ? UINT(WM_SYSCHAR) : UINT(WM_CHAR),
                    WPARAM(character), lpMsg->lParam, lpMsg->time, lpMsg->pt};
    std::lock_guard<std::mutex> guard(q->lock);
    q->posted.push_front(entry);  // the character comes next
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg)
{
    if (!lpMsg) return 0;
    if (!lpMsg->hwnd) return 0;  // thread messages have no procedure
    std::shared_ptr<Window> w = Lookup(lpMsg->hwnd);
    if (!w) return 0;
    if (lpMsg->message == WM_PAINT) {
        LRESULT result = CallProc(*w, WM_PAINT, 0, 0);
        PaintDone(lpMsg->hwnd);
        return result;
    }
    return CallProc(*w, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

DWORD WINAPI GetMessageTime(void) { return t_lastTaken.time; }

DWORD WINAPI GetMessagePos(void)
{
    return DWORD(MAKELONG(t_lastTaken.pt.x, t_lastTaken.pt.y));
}
