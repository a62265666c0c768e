// Events, waits, critical sections and interlocked operations.
#include <windows.h>
#include <winplat/host.h>
#include <winplat/sync.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <vector>

namespace winplat {

std::mutex& SyncLock()
{
    static std::mutex* lock = new std::mutex;
    return *lock;
}

std::condition_variable& SyncChanged()
{
    static std::condition_variable* cv = new std::condition_variable;
    return *cv;
}

}  // namespace winplat

namespace {

using winplat::Event;
using winplat::Waitable;

std::shared_ptr<Event> LookupEvent(HANDLE h)
{
    std::shared_ptr<Event> event = winplat::LookupAs<Event>(h);
    if (!event) SetLastError(ERROR_INVALID_HANDLE);
    return event;
}

// Waits until `ready` holds (with SyncLock held) or the time-out passes.
template <class Ready>
bool WaitUntil(std::unique_lock<std::mutex>& guard, DWORD ms, Ready ready)
{
    if (ms == INFINITE) {
        winplat::SyncChanged().wait(guard, ready);
        return true;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::nanoseconds(winplat::ScaledNanoseconds(ms));
    return winplat::SyncChanged().wait_until(guard, deadline, ready);
}

}  // namespace

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName)
{
    if (lpName && *lpName) {
        // Named events are shared between processes on the platform; nothing
        // here needs them, so they are refused rather than silently private.
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    HANDLE h = winplat::InsertObject(std::make_shared<Event>(bManualReset != FALSE, bInitialState != FALSE));
    if (!h) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return h;
}

BOOL WINAPI SetEvent(HANDLE hEvent)
{
    std::shared_ptr<Event> event = LookupEvent(hEvent);
    if (!event) return FALSE;
    {
        std::lock_guard<std::mutex> guard(winplat::SyncLock());
        event->SetLocked();
    }
    winplat::SyncChanged().notify_all();
    return TRUE;
}

BOOL WINAPI ResetEvent(HANDLE hEvent)
{
    std::shared_ptr<Event> event = LookupEvent(hEvent);
    if (!event) return FALSE;
    std::lock_guard<std::mutex> guard(winplat::SyncLock());
    event->ResetLocked();
    return TRUE;
}

DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds)
{
    if (nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || !lpHandles) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<Waitable>> objects;
    objects.reserve(nCount);
    for (DWORD i = 0; i < nCount; ++i) {
        std::shared_ptr<Waitable> object = winplat::LookupAs<Waitable>(lpHandles[i]);
        if (!object) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        objects.push_back(std::move(object));
    }

    std::optional<DWORD> satisfied;
    auto ready = [&] {
        if (bWaitAll) {
            for (const auto& o : objects)
                if (!o->IsSignalled()) return false;
            for (const auto& o : objects) o->OnWaitSatisfied();
            satisfied = WAIT_OBJECT_0;
            return true;
        }
        for (DWORD i = 0; i < objects.size(); ++i) {
            if (objects[i]->IsSignalled()) {
                objects[i]->OnWaitSatisfied();
                satisfied = WAIT_OBJECT_0 + i;
                return true;
            }
        }
        return false;
    };

    std::unique_lock<std::mutex> guard(winplat::SyncLock());
    if (dwMilliseconds == 0) return ready() ? *satisfied : WAIT_TIMEOUT;
    return WaitUntil(guard, dwMilliseconds, ready) ? *satisfied : WAIT_TIMEOUT;
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    return WaitForMultipleObjects(1, &hHandle, FALSE, dwMilliseconds);
}

// ---- Critical sections ---------------------------------------------------------
// The lock lives on the host heap; the structure keeps its address.

namespace {
std::recursive_mutex* SectionLock(LPCRITICAL_SECTION cs)
{
    return cs ? static_cast<std::recursive_mutex*>(cs->DebugInfo) : nullptr;
}
}  // namespace

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    if (!lpCriticalSection) return;
    memset(lpCriticalSection, 0, sizeof(*lpCriticalSection));
    lpCriticalSection->LockCount = -1;
    lpCriticalSection->DebugInfo = new std::recursive_mutex;
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    std::recursive_mutex* lock = SectionLock(lpCriticalSection);
    if (!lock) return;
    lock->lock();
    lpCriticalSection->RecursionCount++;
    lpCriticalSection->OwningThread = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(GetCurrentThreadId()));
}

BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    std::recursive_mutex* lock = SectionLock(lpCriticalSection);
    if (!lock || !lock->try_lock()) return FALSE;
    lpCriticalSection->RecursionCount++;
    lpCriticalSection->OwningThread = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(GetCurrentThreadId()));
    return TRUE;
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    std::recursive_mutex* lock = SectionLock(lpCriticalSection);
    if (!lock) return;
    if (--lpCriticalSection->RecursionCount == 0) lpCriticalSection->OwningThread = nullptr;
    lock->unlock();
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    std::recursive_mutex* lock = SectionLock(lpCriticalSection);
    delete lock;
    if (lpCriticalSection) memset(lpCriticalSection, 0, sizeof(*lpCriticalSection));
}

// ---- Interlocked ---------------------------------------------------------------

LONG WINAPI InterlockedIncrement(LONG volatile* Addend) { return __atomic_add_fetch(Addend, 1, __ATOMIC_SEQ_CST); }

LONG WINAPI InterlockedDecrement(LONG volatile* Addend) { return __atomic_sub_fetch(Addend, 1, __ATOMIC_SEQ_CST); }

LONG WINAPI InterlockedExchange(LONG volatile* Target, LONG Value)
{
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}

LONG WINAPI InterlockedExchangeAdd(LONG volatile* Addend, LONG Value)
{
    return __atomic_fetch_add(Addend, Value, __ATOMIC_SEQ_CST);
}

LONG WINAPI InterlockedCompareExchange(LONG volatile* Destination, LONG Exchange, LONG Comperand)
{
    LONG expected = Comperand;
    __atomic_compare_exchange_n(Destination, &expected, Exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return expected;
}
