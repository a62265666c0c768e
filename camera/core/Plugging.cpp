#include "Plugging.h"

#include "../protocol/LinkProtocol.h"

#include <winplat/host.h>
#include <winplat/stidevices.h>

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace camera {

bool DeviceNameClaim::Claim(const std::string& prefix, const std::string& lockFolder)
{
    Release();
    std::string folder = lockFolder.empty() ? link::LinkFolder() : lockFolder;
    // A folder of its own lies inside the private live-state folder.
    if (!lockFolder.empty()) mkdir(folder.c_str(), 0700);
    for (int number = 0; number < 1000; ++number) {
        std::string name = prefix + std::to_string(number);
        int fd = winplat::OpenPrivateLockFile(folder + "/" + name + ".lock");
        if (fd < 0) return false;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            lockFd_ = fd;
            name_ = name;
            return true;
        }
        close(fd);
    }
    return false;
}

void DeviceNameClaim::Release()
{
    if (lockFd_ >= 0) close(lockFd_);  // drops the lock
    lockFd_ = -1;
    name_.clear();
}

std::string PortName(const std::string& deviceName) { return "\\\\.\\" + deviceName; }

bool EnterRegistry(const std::string& deviceName, const std::string& description)
{
    winplat::StillImageDevice device{deviceName, description, PortName(deviceName), kDriverClassId,
                                     static_cast<DWORD>(getpid())};
    return winplat::AddStillImageDevice(device);
}

void LeaveRegistry(const std::string& deviceName) { winplat::RemoveStillImageDevice(deviceName); }

}  // namespace camera
