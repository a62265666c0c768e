#include "CamUsbDriver.h"

#include <winerror.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace camusb {

namespace {

std::string Upper(std::string name)
{
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
    return name;
}

}  // namespace

CamUsbDriver& CamUsbDriver::Instance()
{
    // Never destroyed: kernel32 keeps a pointer to it until the process ends.
    static CamUsbDriver* driver = new CamUsbDriver;
    return *driver;
}

std::shared_ptr<UsbLink> CamUsbDriver::ConnectToServer(const std::string& deviceName, DWORD* error)
{
    *error = ERROR_FILE_NOT_FOUND;
    std::string path = camera::link::LinkSocketPath(deviceName);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty()) return nullptr;
    memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);  // no camera serves that name
        return nullptr;
    }
    if (!camera::link::PeerIsSameUser(fd)) {
        close(fd);  // a socket of another user's: not our camera
        *error = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    return UsbLink::Open(fd, error);
}

DWORD CamUsbDriver::Open(const char* name, DWORD, std::shared_ptr<winplat::DeviceFile>* file)
{
    std::string deviceName = Upper(name ? name : "");
    if (!camera::link::IsCameraDeviceName(deviceName)) return ERROR_FILE_NOT_FOUND;
    std::lock_guard<std::mutex> guard(lock_);
    auto it = ports_.find(deviceName);
    if (it != ports_.end() && !it->second.link->Alive()) {
        bool attached = it->second.attached;
        ports_.erase(it);
        it = ports_.end();
        if (attached) return ERROR_FILE_NOT_FOUND;  // that camera was unplugged
    }
    if (it == ports_.end()) {
        DWORD error = 0;
        std::shared_ptr<UsbLink> link = ConnectToServer(deviceName, &error);
        if (!link) return error;
        it = ports_.emplace(deviceName, Port{link, false}).first;
    }
    *file = std::make_shared<CamUsbFile>(it->second.link, it->second.counts);
    return 0;
}

DWORD CamUsbDriver::Attach(const std::string& deviceName, int fd)
{
    std::string key = Upper(deviceName);
    if (!camera::link::IsCameraDeviceName(key) || fd < 0) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> guard(lock_);
    auto it = ports_.find(key);
    if (it != ports_.end() && it->second.link->Alive()) {
        close(fd);
        return ERROR_ALREADY_EXISTS;
    }
    DWORD error = 0;
    std::shared_ptr<UsbLink> link = UsbLink::Open(fd, &error);
    if (!link) return error;
    ports_[key] = Port{link, true};
    return 0;
}

DWORD CamUsbDriver::Detach(const std::string& deviceName)
{
    std::shared_ptr<UsbLink> link;
    {
        std::lock_guard<std::mutex> guard(lock_);
        auto it = ports_.find(Upper(deviceName));
        if (it == ports_.end()) return ERROR_FILE_NOT_FOUND;
        link = it->second.link;
        ports_.erase(it);
    }
    link->Unplug();
    return 0;
}

DWORD CamUsbDriver::CountRequests(const std::string& deviceName, DWORD* reads, DWORD* controls)
{
    std::lock_guard<std::mutex> guard(lock_);
    auto it = ports_.find(Upper(deviceName));
    if (it == ports_.end()) return ERROR_FILE_NOT_FOUND;
    *reads = it->second.counts->reads;
    *controls = it->second.counts->controls;
    return 0;
}

}  // namespace camusb
