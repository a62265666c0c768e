// gphotousb, the kernel driver of cameras that libgphoto2 reaches: serves
// the ports "\\.\GPHOTO<n>" that GphotoPlugging.h enters.
//
// A port answers the same requests as the virtual camera's ports, checked
// the same way (camusb/CamUsbFile.h), because it is the same pair of parts:
// the driver's side of the link (camusb's UsbLink) joined by a socket pair,
// inside this process, to the camera's side (core's CameraConnection and
// CameraDevice), whose storage is the libgphoto2 camera (GphotoStorage.h).
// All handles of one process on one port share that link. When the camera
// is found gone (unplugged, its record removed, its folder deleted) every
// outstanding and later request fails with ERROR_DEV_NOT_EXIST, and the port
// opens again only once the camera is plugged in again.
#pragma once

#include <winplat/devices.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace gphoto {

class GphotoUsbDriver : public winplat::DeviceDriver {
public:
    static GphotoUsbDriver& Instance();

    DWORD Open(const char* name, DWORD desiredAccess, std::shared_ptr<winplat::DeviceFile>* file) override;

private:
    struct Port;
    DWORD Connect(const std::string& deviceName, std::shared_ptr<Port>* port);

    std::mutex lock_;
    std::map<std::string, std::shared_ptr<Port>> ports_;
};

}  // namespace gphoto
