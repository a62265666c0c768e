// A device for tests: requests wait until the test completes them.
#pragma once

#include <windows.h>
#include <winplat/devices.h>

#include <condition_variable>
#include <deque>
#include <mutex>

// Control code that the device completes at once, echoing its input.
constexpr DWORD kEchoNow = 0x80002000;
// Control code whose input block is {caller address, length}: the device
// writes "reply" through that address when completed with WriteThrough.
constexpr DWORD kWriteThrough = 0x80002004;

// Control code that another thread of the device completes before StartIo
// returns.
constexpr DWORD kCompleteFromWorker = 0x80002008;

class SlowDevice : public winplat::DeviceDriver, public winplat::DeviceFile {
public:
    SlowDevice() { winplat::RegisterDeviceDriver(this); }
    ~SlowDevice() override { winplat::UnregisterDeviceDriver(this); }

    DWORD Open(const char* name, DWORD access, std::shared_ptr<winplat::DeviceFile>* file) override;
    void StartIo(winplat::IoRequest* request) override;
    void CancelIo(winplat::IoRequest* request) override;

    // Waits until a request is queued, then completes the oldest.
    void CompleteNext(DWORD error, const void* data, DWORD size);
    // Completes the oldest request through the caller address of its input.
    bool CompleteNextWritingThrough();
    size_t Queued();

    bool completeOnCancel = true;
    int cancelCalls = 0;

private:
    winplat::IoRequest* TakeNext();

    std::mutex lock_;
    std::condition_variable queued_;
    std::deque<winplat::IoRequest*> requests_;
};
