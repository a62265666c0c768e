// The device-wide lock of a still-image device. It holds across processes
// too, since two programs may open the same camera: it is a lock on a file
// named after the device in the runtime folder.
#pragma once

#include <windef.h>

#include <string>

namespace sti {

class DeviceLock {
public:
    explicit DeviceLock(const std::string& internalName);
    ~DeviceLock();
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

    // Waits at most timeoutMs platform milliseconds. Nested locks by the same
    // holder are counted.
    bool Acquire(DWORD timeoutMs);
    // False when the lock is not held.
    bool Release();
    bool Held() const { return depth_ > 0; }

private:
    std::string path_;
    int fd_ = -1;
    int depth_ = 0;
};

}  // namespace sti
