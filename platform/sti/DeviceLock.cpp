#include "DeviceLock.h"

#include <windows.h>
#include <winplat/host.h>
#include <winplat/stidevices.h>

#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace sti {
namespace {

// How often a waiting lock looks again; short against the waits asked for
// (the programs ask for 2000 ms), long enough not to spin.
constexpr DWORD kRetryMs = 10;

}  // namespace

// Named like the device's registry entry, so that distinct devices never
// share a lock.
DeviceLock::DeviceLock(const std::string& internalName)
    : path_(winplat::RuntimeFolder() + "/stillimage-" + winplat::StillImageFileName(internalName) + ".lock")
{
}

DeviceLock::~DeviceLock()
{
    if (fd_ >= 0) close(fd_);
}

bool DeviceLock::Acquire(DWORD timeoutMs)
{
    if (depth_ > 0) {
        ++depth_;
        return true;
    }
    if (fd_ < 0) fd_ = winplat::OpenPrivateLockFile(path_);
    if (fd_ < 0) return false;
    DWORD start = GetTickCount();
    while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(kRetryMs);
    }
    depth_ = 1;
    return true;
}

bool DeviceLock::Release()
{
    if (depth_ == 0) return false;
    if (--depth_ == 0) flock(fd_, LOCK_UN);
    return true;
}

}  // namespace sti
