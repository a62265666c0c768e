// The stand-in's device model: how kernel-driver modules plug into kernel32.
//
// A program opens a device with CreateFileA("\\\\.\\NAME"). kernel32 asks the
// registered drivers, in registration order, to open NAME; the first that
// does returns a DeviceFile for the new handle. Drivers listed in the
// registry section [Drivers] ("name=module path") are loaded the first time
// a device name is not claimed by a driver already registered; such a module
// exports `extern "C" DWORD DriverEntry(void)`, which registers its driver.
//
// Every DeviceIoControl, ReadFile and WriteFile on a device handle becomes an
// IoRequest handed to DeviceFile::StartIo. The driver completes it exactly
// once with IoComplete, from any thread, at once or later. A request
// completed inside StartIo on the submitting thread is done at once (the
// call returns its result); any other is pending: the caller sees
// ERROR_IO_PENDING (overlapped handles) or waits (the others), even when
// another thread of the driver completed it before StartIo returned.
// Requests are buffered: the input is copied when submitted, the output is
// copied into the caller's buffer when completed. A request the caller has
// cancelled (CancelIo, or closing its handle) is completed for the caller at
// once with ERROR_OPERATION_ABORTED; from then on the driver's completion and
// any copy to or from the caller's memory are refused.
#pragma once

#include <windef.h>

#include <memory>

namespace winplat {

enum class IoKind { DeviceControl, Read, Write };

class IoRequest;

struct IoRequestInfo {
    IoKind kind;
    DWORD controlCode;   // DeviceControl only
    const BYTE* input;   // copy of the caller's input (DeviceControl, Write)
    DWORD inputSize;
    DWORD outputSize;    // capacity of the caller's output buffer (DeviceControl, Read)
};

class DeviceFile {
public:
    virtual ~DeviceFile() = default;
    // Starts a request. The driver must call IoComplete for it exactly once.
    virtual void StartIo(IoRequest* request) = 0;
    // The caller gave up the request (it has already been completed for the
    // caller). The driver should stop work on it and complete it soon.
    virtual void CancelIo(IoRequest* /*request*/) {}
    // The last handle on the file is closed; its requests are cancelled.
    virtual void Close() {}
};

class DeviceDriver {
public:
    virtual ~DeviceDriver() = default;
    // Opens `name` (the part after "\\.\"). Returns 0 with *file set, or a
    // Win32 error: ERROR_FILE_NOT_FOUND when the name is not this driver's.
    virtual DWORD Open(const char* name, DWORD desiredAccess, std::shared_ptr<DeviceFile>* file) = 0;
};

WINPLAT_EXPORT void RegisterDeviceDriver(DeviceDriver* driver);
WINPLAT_EXPORT void UnregisterDeviceDriver(DeviceDriver* driver);

// What the caller asked for.
WINPLAT_EXPORT const IoRequestInfo& IoGetInfo(IoRequest* request);
// Reads or writes caller memory at an address the caller passed inside its
// request (a pointer field of an input block). Refused (false) once the
// request is completed or cancelled, and for a null address.
WINPLAT_EXPORT bool IoCopyFromCaller(IoRequest* request, const void* callerAddress, void* to, size_t size);
WINPLAT_EXPORT bool IoCopyToCaller(IoRequest* request, void* callerAddress, const void* from, size_t size);
// Completes the request: `error` 0 for success or a Win32 error; `output`
// (at most outputSize bytes are used) goes to the caller's buffer and `size`
// becomes the transferred byte count. Releases the driver's hold on the
// request; it must not be used afterwards.
WINPLAT_EXPORT void IoComplete(IoRequest* request, DWORD error, const void* output, DWORD size);

}  // namespace winplat
