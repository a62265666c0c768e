// Plugging a camera in and out of the still-image device registry.
//
// Each camera plugged in on the machine gets a device name "CAMUSB<n>", the
// lowest number free, held by a lock on a file in the runtime folder for as
// long as the camera is plugged in (the lock goes with the process, however
// it ends). Its port is "\\.\CAMUSB<n>", which the kernel driver camusb
// serves, and its registry entry names camusb's user-mode driver class.
#pragma once

#include <string>

namespace camera {

constexpr const char* kDriverClassId = "{8BB36A61-B445-11D2-A764-5254ABD116D5}";

class DeviceNameClaim {
public:
    DeviceNameClaim() = default;
    ~DeviceNameClaim() { Release(); }
    DeviceNameClaim(const DeviceNameClaim&) = delete;
    DeviceNameClaim& operator=(const DeviceNameClaim&) = delete;

    // Takes the lowest free number; false when all 1000 are taken. Other
    // kernel drivers' ports claim names of their own prefix in their own folder.
    bool Claim(const std::string& prefix = "CAMUSB", const std::string& folder = "");
    void Release();
    const std::string& deviceName() const { return name_; }

private:
    int lockFd_ = -1;
    std::string name_;
};

std::string PortName(const std::string& deviceName);  // "\\.\CAMUSB0"
// The registry entry: internal name = device name; owned by this process.
bool EnterRegistry(const std::string& deviceName, const std::string& description);
void LeaveRegistry(const std::string& deviceName);

}  // namespace camera
