#include "slow_device.h"

#include <cstring>
#include <memory>
#include <thread>

DWORD SlowDevice::Open(const char* name, DWORD, std::shared_ptr<winplat::DeviceFile>* file)
{
    if (strcmp(name, "SLOW0") != 0) return ERROR_FILE_NOT_FOUND;
    // The device outlives its handles in these tests; the handle shares it
    // without owning it.
    *file = std::shared_ptr<winplat::DeviceFile>(std::shared_ptr<void>(), this);
    return 0;
}

void SlowDevice::StartIo(winplat::IoRequest* request)
{
    const winplat::IoRequestInfo& info = winplat::IoGetInfo(request);
    if (info.kind == winplat::IoKind::DeviceControl && info.controlCode == kEchoNow) {
        winplat::IoComplete(request, 0, info.input, info.inputSize);
        return;
    }
    if (info.kind == winplat::IoKind::DeviceControl && info.controlCode == kCompleteFromWorker) {
        std::thread([request] { winplat::IoComplete(request, ERROR_GEN_FAILURE, nullptr, 0); }).join();
        return;
    }
    std::lock_guard<std::mutex> guard(lock_);
    requests_.push_back(request);
    queued_.notify_all();
}

void SlowDevice::CancelIo(winplat::IoRequest* request)
{
    std::lock_guard<std::mutex> guard(lock_);
    ++cancelCalls;
    if (!completeOnCancel) return;
    for (auto it = requests_.begin(); it != requests_.end(); ++it) {
        if (*it == request) {
            requests_.erase(it);
            winplat::IoComplete(request, ERROR_OPERATION_ABORTED, nullptr, 0);
            return;
        }
    }
}

winplat::IoRequest* SlowDevice::TakeNext()
{
    std::unique_lock<std::mutex> guard(lock_);
    queued_.wait(guard, [this] { return !requests_.empty(); });
    winplat::IoRequest* request = requests_.front();
    requests_.pop_front();
    return request;
}

void SlowDevice::CompleteNext(DWORD error, const void* data, DWORD size)
{
    winplat::IoComplete(TakeNext(), error, data, size);
}

bool SlowDevice::CompleteNextWritingThrough()
{
    winplat::IoRequest* request = TakeNext();
    const winplat::IoRequestInfo& info = winplat::IoGetInfo(request);
    void* address = nullptr;
    memcpy(&address, info.input, sizeof address);
    bool ok = winplat::IoCopyToCaller(request, address, "reply", 6);
    winplat::IoComplete(request, 0, nullptr, 0);
    return ok;
}

size_t SlowDevice::Queued()
{
    std::lock_guard<std::mutex> guard(lock_);
    return requests_.size();
}
