#include "Plugging.h"

#include "../protocol/LinkProtocol.h"

#include <winplat/stidevices.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace camera {
namespace {

// A name lock, made with mode 0600 if missing; a symbolic link at its name is
// not followed, and only a plain file of ours is used.
int OpenLockFile(const std::string& path)
{
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

bool DeviceNameClaim::Claim(const std::string& prefix, const std::string& lockFolder)
{
    Release();
    std::string folder = lockFolder.empty() ? link::LinkFolder() : lockFolder;
    // A folder of its own lies inside the private live-state folder.
    if (!lockFolder.empty()) mkdir(folder.c_str(), 0700);
    for (int number = 0; number < 1000; ++number) {
        std::string name = prefix + std::to_string(number);
        int fd = OpenLockFile(folder + "/" + name + ".lock");
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
