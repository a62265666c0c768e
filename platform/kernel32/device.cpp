// Devices: handles on "\\.\NAME" served by kernel-driver modules, with
// buffered, asynchronous requests, overlapped completion and cancellation.
#include "io_object.h"

#include <winplat/devices.h>
#include <winplat/host.h>
#include <winplat/sync.h>

#include <algorithm>
#include <list>
#include <mutex>
#include <set>
#include <vector>

namespace winplat {

class IoRequest;

// The requests of one device handle that its caller still waits for.
struct PendingList {
    std::list<std::shared_ptr<IoRequest>> items;  // guarded by SyncLock
};

// One request from submission to completion. Every field that both sides
// touch is guarded by SyncLock.
class IoRequest {
public:
    enum class CallerState { Waiting, Completed, Cancelled };

    IoRequestInfo info{};
    std::vector<BYTE> input;
    void* callerOutput = nullptr;
    OVERLAPPED* overlapped = nullptr;        // null for a synchronous request
    std::shared_ptr<Event> event;            // the OVERLAPPED's event, if any
    DWORD issuer = 0;                        // thread that submitted it
    CallerState callerState = CallerState::Waiting;
    bool driverDone = false;
    bool starting = true;           // StartIo has not returned yet
    bool completedInline = false;   // completed by the submitting thread inside StartIo
    DWORD error = 0;                         // result, for synchronous requests
    DWORD bytes = 0;
    std::weak_ptr<PendingList> owner;        // the handle's list while the caller waits
    std::shared_ptr<IoRequest> driverHold;   // keeps the request alive until IoComplete
};

// Ends the caller's side of a request (SyncLock held): result into the
// OVERLAPPED and its event, or into the request for a synchronous caller.
void FinishForCallerLocked(IoRequest& r, DWORD error, DWORD bytes, IoRequest::CallerState state)
{
    r.callerState = state;
    if (std::shared_ptr<PendingList> list = r.owner.lock())
        list->items.remove_if([&](const std::shared_ptr<IoRequest>& p) { return p.get() == &r; });
    r.owner.reset();
    if (r.overlapped) {
        kernel32::SetOverlappedLocked(r.overlapped, r.event.get(), error, bytes);
    } else {
        r.error = error;
        r.bytes = bytes;
    }
}

}  // namespace winplat

namespace kernel32 {
namespace {

using winplat::IoRequest;
using winplat::PendingList;

struct DriverList {
    std::mutex lock;
    std::vector<winplat::DeviceDriver*> drivers;
    std::set<std::string> loadedModules;
};

DriverList& driverList()
{
    static DriverList* instance = new DriverList;
    return *instance;
}

class DeviceObject : public IoObject {
public:
    DeviceObject(std::shared_ptr<winplat::DeviceFile> file, DWORD access, bool overlapped)
        : file_(std::move(file)), access_(access), overlapped_(overlapped)
    {
    }
    winplat::ObjectKind Kind() const override { return winplat::ObjectKind::Device; }

    BOOL Read(void* buffer, DWORD size, DWORD* done, OVERLAPPED* overlapped) override
    {
        if (!(access_ & GENERIC_READ)) return Refuse(ERROR_ACCESS_DENIED);
        return Submit(winplat::IoKind::Read, 0, nullptr, 0, buffer, size, done, overlapped);
    }

    BOOL Write(const void* buffer, DWORD size, DWORD* done, OVERLAPPED* overlapped) override
    {
        if (!(access_ & GENERIC_WRITE)) return Refuse(ERROR_ACCESS_DENIED);
        return Submit(winplat::IoKind::Write, 0, buffer, size, nullptr, 0, done, overlapped);
    }

    BOOL Control(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD* done,
                 OVERLAPPED* overlapped) override
    {
        return Submit(winplat::IoKind::DeviceControl, code, in, inSize, out, outSize, done, overlapped);
    }

    void CancelCallerIo() override { Cancel(GetCurrentThreadId(), false); }

    void OnClose() override
    {
        Cancel(0, true);
        file_->Close();
    }

private:
    static BOOL Refuse(DWORD error)
    {
        SetLastError(error);
        return FALSE;
    }

    BOOL Submit(winplat::IoKind kind, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                DWORD* done, OVERLAPPED* overlapped)
    {
        if (overlapped_ && !overlapped) return Refuse(ERROR_INVALID_PARAMETER);
        auto request = std::make_shared<IoRequest>();
        request->input.assign(static_cast<const BYTE*>(in), static_cast<const BYTE*>(in) + (in ? inSize : 0));
        request->info = {kind, code, request->input.data(), inSize, outSize};
        request->callerOutput = out;
        request->issuer = GetCurrentThreadId();
        if (overlapped_) {
            request->overlapped = overlapped;
            request->event = winplat::LookupAs<winplat::Event>(overlapped->hEvent);
        }
        request->driverHold = request;
        request->owner = pending_;
        {
            std::lock_guard<std::mutex> guard(winplat::SyncLock());
            if (request->overlapped) {
                request->overlapped->Internal = STATUS_PENDING;
                request->overlapped->InternalHigh = 0;
                if (request->event) request->event->ResetLocked();
            }
            pending_->items.push_back(request);
        }
        file_->StartIo(request.get());
        {
            std::lock_guard<std::mutex> guard(winplat::SyncLock());
            request->starting = false;
        }
        return overlapped_ ? Started(request, done) : AwaitSynchronous(request, done);
    }

    // Overlapped submission: done at once, or pending. Only a request that
    // the driver completed within StartIo on the submitting thread counts as
    // done at once; one completed meanwhile by another thread of the driver
    // was pending, as it is when the driver's dispatch marks it so.
    BOOL Started(const std::shared_ptr<IoRequest>& request, DWORD* done)
    {
        std::lock_guard<std::mutex> guard(winplat::SyncLock());
        if (!request->completedInline) {
            SetLastError(ERROR_IO_PENDING);
            return FALSE;
        }
        DWORD error = DecodeStatus(request->overlapped->Internal);
        if (done) *done = static_cast<DWORD>(request->overlapped->InternalHigh);
        if (error) {
            SetLastError(error);
            return FALSE;
        }
        return TRUE;
    }

    static BOOL AwaitSynchronous(const std::shared_ptr<IoRequest>& request, DWORD* done)
    {
        std::unique_lock<std::mutex> guard(winplat::SyncLock());
        winplat::SyncChanged().wait(guard, [&] { return request->callerState != IoRequest::CallerState::Waiting; });
        if (done) *done = request->bytes;
        if (request->error) {
            SetLastError(request->error);
            return FALSE;
        }
        return TRUE;
    }

    // Completes the caller's side of matching requests with
    // ERROR_OPERATION_ABORTED, then tells the driver.
    void Cancel(DWORD thread, bool all)
    {
        std::vector<std::shared_ptr<IoRequest>> matching;
        std::vector<std::shared_ptr<IoRequest>> cancelled;
        {
            std::lock_guard<std::mutex> guard(winplat::SyncLock());
            for (const auto& r : pending_->items)
                if (all || r->issuer == thread) matching.push_back(r);
            for (const auto& r : matching) {
                winplat::FinishForCallerLocked(*r, ERROR_OPERATION_ABORTED, 0, IoRequest::CallerState::Cancelled);
                if (!r->driverDone) cancelled.push_back(r);
            }
        }
        winplat::SyncChanged().notify_all();
        for (auto& r : cancelled) file_->CancelIo(r.get());
    }

private:
    std::shared_ptr<winplat::DeviceFile> file_;
    DWORD access_;
    bool overlapped_;
    std::shared_ptr<PendingList> pending_ = std::make_shared<PendingList>();
};

DWORD TryOpen(const char* name, DWORD access, std::shared_ptr<winplat::DeviceFile>* file)
{
    std::vector<winplat::DeviceDriver*> drivers;
    {
        std::lock_guard<std::mutex> guard(driverList().lock);
        drivers = driverList().drivers;
    }
    for (winplat::DeviceDriver* driver : drivers) {
        DWORD error = driver->Open(name, access, file);
        if (error != ERROR_FILE_NOT_FOUND) return error;
    }
    return ERROR_FILE_NOT_FOUND;
}

// Loads the driver modules of the registry that are not loaded yet; returns
// whether any was.
bool LoadRegisteredDrivers()
{
    bool loaded = false;
    for (const auto& entry : winplat::RegistrySection("Drivers")) {
        {
            std::lock_guard<std::mutex> guard(driverList().lock);
            if (!driverList().loadedModules.insert(entry.second).second) continue;
        }
        HMODULE module = LoadLibraryA(entry.second.c_str());
        if (!module) continue;
        auto entryPoint = reinterpret_cast<DWORD (*)()>(GetProcAddress(module, "DriverEntry"));
        if (entryPoint && entryPoint() == 0) {
            loaded = true;
        } else {
            FreeLibrary(module);
        }
    }
    return loaded;
}

}  // namespace

HANDLE OpenDevice(const char* name, DWORD access, DWORD flags)
{
    std::shared_ptr<winplat::DeviceFile> file;
    DWORD error = TryOpen(name, access, &file);
    if (error == ERROR_FILE_NOT_FOUND && LoadRegisteredDrivers()) error = TryOpen(name, access, &file);
    if (error || !file) {
        SetLastError(error ? error : ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto device = std::make_shared<DeviceObject>(std::move(file), access, (flags & FILE_FLAG_OVERLAPPED) != 0);
    HANDLE h = winplat::InsertObject(device);
    if (!h) {
        device->OnClose();
        SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    return h;
}

}  // namespace kernel32

// ---- The drivers' side -------------------------------------------------------------

namespace winplat {

void RegisterDeviceDriver(DeviceDriver* driver)
{
    std::lock_guard<std::mutex> guard(kernel32::driverList().lock);
    auto& drivers = kernel32::driverList().drivers;
    if (std::find(drivers.begin(), drivers.end(), driver) == drivers.end()) drivers.push_back(driver);
}

void UnregisterDeviceDriver(DeviceDriver* driver)
{
    std::lock_guard<std::mutex> guard(kernel32::driverList().lock);
    auto& drivers = kernel32::driverList().drivers;
    drivers.erase(std::remove(drivers.begin(), drivers.end(), driver), drivers.end());
}

const IoRequestInfo& IoGetInfo(IoRequest* request) { return request->info; }

bool IoCopyFromCaller(IoRequest* request, const void* callerAddress, void* to, size_t size)
{
    std::lock_guard<std::mutex> guard(SyncLock());
    if (!callerAddress || request->callerState != IoRequest::CallerState::Waiting) return false;
    memcpy(to, callerAddress, size);
    return true;
}

bool IoCopyToCaller(IoRequest* request, void* callerAddress, const void* from, size_t size)
{
    std::lock_guard<std::mutex> guard(SyncLock());
    if (!callerAddress || request->callerState != IoRequest::CallerState::Waiting) return false;
    memcpy(callerAddress, from, size);
    return true;
}

void IoComplete(IoRequest* request, DWORD error, const void* output, DWORD size)
{
    std::shared_ptr<IoRequest> hold;
    {
        std::lock_guard<std::mutex> guard(SyncLock());
        if (request->driverDone) return;  // completed twice: a driver fault, ignored
        request->driverDone = true;
        request->completedInline = request->starting && request->issuer == GetCurrentThreadId();
        hold = std::move(request->driverHold);
        if (request->callerState == IoRequest::CallerState::Waiting) {
            DWORD bytes = std::min(size, request->info.outputSize);
            // Data goes back on success and on ERROR_MORE_DATA, as buffered
            // requests do on the platform.
            bool copy = (error == 0 || error == ERROR_MORE_DATA) && output && request->callerOutput;
            if (copy) {
                memcpy(request->callerOutput, output, bytes);
            } else {
                bytes = 0;
            }
            FinishForCallerLocked(*request, error, bytes, IoRequest::CallerState::Completed);
        }
    }
    SyncChanged().notify_all();
}

}  // namespace winplat
