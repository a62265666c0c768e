// kernel32-internal: what ReadFile, WriteFile, DeviceIoControl and CancelIo
// dispatch on. Files and devices implement it.
#pragma once

#include <windows.h>
#include <winplat/objects.h>
#include <winplat/sync.h>

#include <string>

namespace kernel32 {

// OVERLAPPED.Internal: 0 for success, STATUS_PENDING while outstanding,
// otherwise the Win32 error tagged so that it cannot be mistaken for either.
constexpr ULONG_PTR kErrorTag = 0xE0000000u;
inline ULONG_PTR EncodeStatus(DWORD error) { return error == 0 ? 0 : (kErrorTag | error); }
inline DWORD DecodeStatus(ULONG_PTR internal)
{
    if (internal == 0) return 0;
    if ((internal & kErrorTag) == kErrorTag) return static_cast<DWORD>(internal & ~kErrorTag);
    return ERROR_GEN_FAILURE;
}

// Writes a finished operation's result into its OVERLAPPED and sets the
// event, if any. SyncLock is held; the caller notifies SyncChanged.
inline void SetOverlappedLocked(OVERLAPPED* overlapped, winplat::Event* event, DWORD error, DWORD bytes)
{
    overlapped->InternalHigh = bytes;
    overlapped->Internal = EncodeStatus(error);
    if (event) event->SetLocked();
}

class IoObject : public winplat::KernelObject {
public:
    virtual BOOL Read(void* buffer, DWORD size, DWORD* done, OVERLAPPED* overlapped) = 0;
    virtual BOOL Write(const void* buffer, DWORD size, DWORD* done, OVERLAPPED* overlapped) = 0;
    virtual BOOL Control(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD* done,
                         OVERLAPPED* overlapped)
    {
        (void)code, (void)in, (void)inSize, (void)out, (void)outSize, (void)done, (void)overlapped;
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    // Cancels what the calling thread has outstanding on this handle.
    virtual void CancelCallerIo() {}
};

// Completes an overlapped operation that finished at once: status, byte
// count and the event, as the platform does for synchronous completions.
void CompleteOverlapped(OVERLAPPED* overlapped, DWORD error, DWORD bytes);

// The error for a host path that cannot be used: a missing parent folder is
// "path not found", a missing last name "file not found".
DWORD MissingError(const std::string& host);

// True when a handle of this process holds the host file without delete sharing.
bool FileOpenWithoutDeleteSharing(const char* hostPath);

// Opens "\\.\NAME" through the registered device drivers.
HANDLE OpenDevice(const char* name, DWORD access, DWORD flags);

}  // namespace kernel32
