// Last-error value, process and thread identity, CloseHandle.
#include <windows.h>
#include <winplat/objects.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>

namespace {
thread_local DWORD t_lastError = 0;
}

DWORD WINAPI GetLastError(void) { return t_lastError; }

void WINAPI SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }

HANDLE WINAPI GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)); }

HANDLE WINAPI GetCurrentThread(void) { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2)); }

DWORD WINAPI GetCurrentProcessId(void) { return static_cast<DWORD>(getpid()); }

DWORD WINAPI GetCurrentThreadId(void) { return static_cast<DWORD>(syscall(SYS_gettid)); }

void WINAPI ExitProcess(UINT uExitCode) { std::exit(static_cast<int>(uExitCode)); }

void WINAPI OutputDebugStringA(LPCSTR) {}

BOOL WINAPI CloseHandle(HANDLE hObject)
{
    std::shared_ptr<winplat::KernelObject> object = winplat::LookupObject(hObject);
    if (!object || !object->ClosableByCloseHandle()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!winplat::RemoveObject(hObject)) {  // closed meanwhile by another thread
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object->OnClose();
    return TRUE;
}
